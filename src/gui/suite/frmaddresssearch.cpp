#include "suite/frmaddresssearch.h"

#include "data/connection.h"
#include "ui/commandguard.h"
#include "ui/messages.h"
#include "ui_frmaddresssearch.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTableView>

namespace mss::suite {

frmAddressSearch::frmAddressSearch(
    data::Connection &connection, const QString &title, const QString &seed, QWidget *parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::frmAddressSearch>()), m_connection(connection)
{
    m_ui->setupUi(this);
    txtSearch = m_ui->txtSearch;
    grdAddress = m_ui->grdAddress;
    lblCount = m_ui->lblCount;
    if (!title.isEmpty())
        setWindowTitle(title + QStringLiteral(" - Address Search"));
    m_model = new QStandardItemModel(0, 4, this);
    m_model->setHorizontalHeaderLabels(
        { QStringLiteral("Zip Code"), QStringLiteral("Barangay"), QStringLiteral("Town"), QStringLiteral("Province") });
    grdAddress->setModel(m_model);
    m_ui->buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("&Select"));

    // The search guards itself: a failed one reports and leaves the rows as they were.
    connect(txtSearch, &QLineEdit::textChanged, this, [this](const QString &text) { search(text); });
    connect(grdAddress, &QTableView::doubleClicked, this, [this](const QModelIndex &index) { choose(index.row()); });
    connect(m_ui->buttons, &QDialogButtonBox::accepted, this, [this] {
        const QModelIndex current = grdAddress->currentIndex();
        choose(current.isValid() ? current.row() : (rowCount() == 1 ? 0 : -1));
    });
    connect(m_ui->buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    txtSearch->setText(seed.trimmed());
    if (seed.trimmed().isEmpty())
        search(QString());
}

frmAddressSearch::~frmAddressSearch() = default;

void frmAddressSearch::search(const QString &text)
{
    ui::runGuarded([&] {
        const QString term = text.trimmed();
        data::Recordset rs = m_connection.query(
            QStringLiteral(
                "SELECT ZipCode, Barangay, Town, Province FROM PATIENT_DATA..vwMSSZipCode "
                "WHERE ZipCode LIKE :prefix OR Barangay LIKE :part OR Town LIKE :part OR Province LIKE :part "
                "ORDER BY Province, Town, Barangay, ZipCode"),
            { { QStringLiteral("prefix"), term + QLatin1Char('%') },
                { QStringLiteral("part"), QLatin1Char('%') + term + QLatin1Char('%') } });
        m_model->removeRows(0, m_model->rowCount());
        for (const QVariantList &row : rs.rows()) {
            QList<QStandardItem *> items;
            for (const QVariant &v : row)
                items.append(new QStandardItem(data::variantText(v)));
            m_model->appendRow(items);
        }
        lblCount->setText(QStringLiteral("%1 address(es)").arg(rs.recordCount()));
        if (rs.recordCount() > 0)
            grdAddress->selectRow(0);
    });
}

int frmAddressSearch::rowCount() const
{
    return m_model->rowCount();
}

void frmAddressSearch::choose(int row)
{
    if (row < 0 || row >= m_model->rowCount())
        return;
    m_chosen = { m_model->item(row, 0)->text(), m_model->item(row, 1)->text(), m_model->item(row, 2)->text(),
        m_model->item(row, 3)->text() };
    accept();
}

std::optional<AddressChoice> pickAddress(data::Connection &connection, const QString &title, const QString &seed)
{
    frmAddressSearch dialog(connection, title, seed);
    if (ui::Messages::execDialog(dialog) != QDialog::Accepted)
        return std::nullopt;
    return dialog.chosen();
}

} // namespace mss::suite
