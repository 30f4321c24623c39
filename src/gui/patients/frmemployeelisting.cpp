#include "patients/frmemployeelisting.h"

#include "data/connection.h"
#include "data/format.h"
#include "data/quote.h"
#include "ui/commandguard.h"
#include "ui/messages.h"
#include "ui/twips.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace mss::patients {

frmEmployeeListing::frmEmployeeListing(data::Connection *connection, QWidget *parent, const QString &previousWorkerCode)
    : QDialog(parent), m_connection(connection), m_workerCode(previousWorkerCode)
{
    setObjectName(QStringLiteral("frmEmployeeListing"));
    setWindowTitle(QStringLiteral("VMC: Medical Social Service"));

    Label3 = new QLabel(QStringLiteral("List of MSS Employees"), this);
    Label3->setObjectName(QStringLiteral("Label3"));
    QFont heading = Label3->font();
    heading.setBold(true);
    heading.setPointSizeF(heading.pointSizeF() * 1.2);
    Label3->setFont(heading);

    auto *label1 = new QLabel(QStringLiteral("Search Text :"), this);
    txtSearch = new QLineEdit(this);
    txtSearch->setObjectName(QStringLiteral("txtSearch"));
    label1->setBuddy(txtSearch);
    btnSearch = new QToolButton(this);
    btnSearch->setObjectName(QStringLiteral("btnSearch"));
    btnSearch->setIcon(QIcon(QStringLiteral(":/icons/search.svg")));
    btnSearch->setToolTip(QStringLiteral("Search"));

    auto *frame1 = new QGroupBox(QStringLiteral("Search Results"), this);
    frame1->setObjectName(QStringLiteral("Frame1"));
    GridListWorkers = new QTableWidget(0, 3, frame1);
    GridListWorkers->setObjectName(QStringLiteral("GridListWorkers"));
    // " | EmployeeID | Employee Name ": an empty selector column, then id and name.
    GridListWorkers->setHorizontalHeaderLabels(
        { QStringLiteral(" "), QStringLiteral("EmployeeID"), QStringLiteral("Employee Name ") });
    GridListWorkers->verticalHeader()->hide();
    GridListWorkers->setEditTriggers(QAbstractItemView::NoEditTriggers);
    GridListWorkers->setSelectionBehavior(QAbstractItemView::SelectRows);
    GridListWorkers->setSelectionMode(QAbstractItemView::SingleSelection);
    ui::setColumnWidthsInTwips(GridListWorkers, { 100, 1100, 3000 });
    GridListWorkers->horizontalHeader()->setStretchLastSection(true);
    auto *frameLayout = new QVBoxLayout(frame1);
    frameLayout->addWidget(GridListWorkers);

    auto *label2 = new QLabel(QStringLiteral("No. of Records Listed :"), this);
    txtRecCount = new QLineEdit(this);
    txtRecCount->setObjectName(QStringLiteral("txtRecCount"));
    txtRecCount->setReadOnly(true);
    txtRecCount->setMaximumWidth(110);
    cmdSelect = new QPushButton(QStringLiteral("&Select"), this);
    cmdSelect->setObjectName(QStringLiteral("cmdSelect"));
    cmdSelect->setDefault(true);
    cmdClose = new QPushButton(QStringLiteral("&Close"), this);
    cmdClose->setObjectName(QStringLiteral("cmdClose"));

    auto *searchRow = new QHBoxLayout;
    searchRow->addWidget(label1);
    searchRow->addWidget(txtSearch, 1);
    searchRow->addWidget(btnSearch);
    auto *bottom = new QHBoxLayout;
    bottom->addWidget(label2);
    bottom->addWidget(txtRecCount);
    bottom->addStretch();
    bottom->addWidget(cmdSelect);
    bottom->addWidget(cmdClose);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(Label3);
    layout->addLayout(searchRow);
    layout->addWidget(frame1, 1);
    layout->addLayout(bottom);
    resize(ui::twipsToPixels(5200, this) + 60, 420);

    // The list follows what is typed, the key just typed included.
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
            if (!m_connection)
                throw data::DbError(
                    3704, QStringLiteral("Social workers"), QStringLiteral("There is no open connection."));
            const data::Recordset rs = m_connection->open(
                QStringLiteral("MSS..sp_MSS_GetEmployees '") + data::q(txtSearch->text()) + QStringLiteral("'"),
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
