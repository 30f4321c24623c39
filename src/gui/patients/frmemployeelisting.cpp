#include "patients/frmemployeelisting.h"

#include "data/connection.h"
#include "data/format.h"
#include "data/quote.h"
#include "ui/commandguard.h"
#include "ui/messages.h"
#include "ui/twips.h"
#include "ui_frmemployeelisting.h"

#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QToolButton>

namespace mss::patients {

frmEmployeeListing::frmEmployeeListing(data::Connection *connection, QWidget *parent, const QString &previousWorkerCode)
    : QDialog(parent),
      m_ui(std::make_unique<Ui::frmEmployeeListing>()),
      m_connection(connection),
      m_workerCode(previousWorkerCode)
{
    m_ui->setupUi(this);
    Label3 = m_ui->Label3;
    txtSearch = m_ui->txtSearch;
    btnSearch = m_ui->btnSearch;
    GridListWorkers = m_ui->GridListWorkers;
    txtRecCount = m_ui->txtRecCount;
    cmdSelect = m_ui->cmdSelect;
    cmdClose = m_ui->cmdClose;
    QFont heading = Label3->font();
    heading.setBold(true);
    heading.setPointSizeF(heading.pointSizeF() * 1.2);
    Label3->setFont(heading);
    ui::setColumnWidthsInTwips(GridListWorkers, { 100, 1100, 3000 });
    GridListWorkers->horizontalHeader()->setStretchLastSection(true);
    resize(ui::twipsToPixels(5200, this) + 60, 420);

    // The list follows what is typed, the key just typed included. The search guards itself, as
    // it also runs when the window opens.
    connect(txtSearch, &QLineEdit::textChanged, this, [this] { search(); });
    connect(btnSearch, &QToolButton::clicked, this, [this] { search(); });
    connect(txtSearch, &QLineEdit::returnPressed, this, [this] { choose(); });
    connect(GridListWorkers, &QTableWidget::cellDoubleClicked, this, [this] { choose(); });
    connect(
        GridListWorkers, &QTableWidget::currentCellChanged, this, [this] { updateCount(GridListWorkers->rowCount()); });
    connect(cmdSelect, &QPushButton::clicked, this, [this] { choose(); });
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::reject);

    search();
}

frmEmployeeListing::~frmEmployeeListing() = default;

std::optional<QString> frmEmployeeListing::pick(
    data::Connection *connection, QWidget *parent, const QString &previousWorkerCode)
{
    frmEmployeeListing listing(connection, parent, previousWorkerCode);
    if (ui::Messages::execDialog(listing) != QDialog::Accepted)
        return std::nullopt;
    return listing.WorkerCode();
}

void frmEmployeeListing::updateCount(int found)
{
    const int current = GridListWorkers->currentRow() + 1;
    txtRecCount->setText(QStringLiteral("%1 of %2").arg(current).arg(found));
}

void frmEmployeeListing::search()
{
    ui::runGuarded(
        [&] {
            const data::Recordset rs = ui::requireConnection(m_connection, QStringLiteral("Social workers"))
                                           .open(QStringLiteral("MSS..sp_MSS_GetEmployees '")
                                                   + data::q(txtSearch->text()) + QStringLiteral("'"),
                                               data::CursorType::Dynamic, data::LockType::ReadOnly);
            if (!rs.isEmpty()) {
                const QSignalBlocker block(GridListWorkers);
                GridListWorkers->setRowCount(0);
                GridListWorkers->setRowCount(rs.recordCount());
                int row = 0;
                for (const QVariantList &values : rs.rows()) {
                    GridListWorkers->setItem(row, 0, new QTableWidgetItem);
                    for (int c = 0; c < 2 && c < values.size(); ++c)
                        GridListWorkers->setItem(row, c + 1, new QTableWidgetItem(data::variantText(values[c])));
                    ++row;
                }
                GridListWorkers->setCurrentCell(0, 1);
            }
            // A search that finds nothing leaves the previous rows in view.
            updateCount(rs.recordCount());
        },
        { .title = windowTitle() });
}

void frmEmployeeListing::choose()
{
    const int row = GridListWorkers->currentRow();
    if (row < 0 || !GridListWorkers->item(row, 1))
        return;
    m_workerCode = GridListWorkers->item(row, 1)->text();
    accept();
}

} // namespace mss::patients
