#include "suite/billingstatement.h"

#include "data/connection.h"
#include "data/values.h"
#include "ui/format.h"
#include "ui/messages.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <QVBoxLayout>

namespace mss::suite {

bool clsOpenConnection::EstablishedConnection(const QString &, const QString &database, const QString &)
{
    m_established = false;
    if (!m_session || m_session->state() != data::ConnectionState::Open)
        return false;
    try {
        m_session->open(QStringLiteral("SELECT count(*) FROM %1..tbBillRevenueCode").arg(database.isEmpty() ? QStringLiteral("BILLING") : database));
        m_established = true;
    } catch (const data::DbError &) {
        m_established = false;
    }
    return m_established;
}

SummarizedStatement loadSummarizedStatement(data::Connection &connection, const QString &admissionNumber,
                                            const QString &hospitalNumber)
{
    SummarizedStatement soa;
    const QString id = admissionNumber.trimmed();
    const data::Bindings byId = {{QStringLiteral("id"), id}};

    data::Recordset name = connection.query(
        QStringLiteral("SELECT LastName, FirstName, MiddleName FROM PATIENT_DATA..tbMaster WHERE HospNum = :hosp"),
        {{QStringLiteral("hosp"), hospitalNumber.trimmed()}});
    if (!name.eof())
        soa.patientName = QStringLiteral("%1, %2 %3")
                              .arg(name.text(QStringLiteral("LastName")), name.text(QStringLiteral("FirstName")),
                                   name.text(QStringLiteral("MiddleName")))
                              .trimmed();

    const QString table = data::isInPatientAdmission(id) ? QStringLiteral("BILLING..tbBillDailyBill") : QStringLiteral("BILLING..tbBillOPDailyOut");
    data::Recordset lines = connection.query(
        QStringLiteral("SELECT isnull(r.Department, b.RevenueID) AS Department, isnull(r.IsCharge, 1) AS IsCharge, "
                       "sum(b.Amount) AS Amount, min(isnull(r.SortOrder, 999)) AS SortOrder "
                       "FROM %1 b LEFT JOIN BILLING..tbBillRevenueCode r ON r.RevenueID = b.RevenueID "
                       "WHERE b.IdNum = :id GROUP BY isnull(r.Department, b.RevenueID), isnull(r.IsCharge, 1) "
                       "ORDER BY isnull(r.IsCharge, 1) DESC, min(isnull(r.SortOrder, 999))")
            .arg(table),
        byId);
    for (; !lines.eof(); lines.moveNext()) {
        const double amount = lines.number(QStringLiteral("Amount"));
        if (lines.number(QStringLiteral("IsCharge")) != 0) {
            soa.lines.append({QStringLiteral("Charges"), lines.text(QStringLiteral("Department")), amount});
            soa.charges += amount;
        } else {
            // Discount lines are stored as negative amounts against the bill.
            soa.lines.append({QStringLiteral("Discounts"), lines.text(QStringLiteral("Department")), -amount});
            soa.discounts += -amount;
        }
    }
    data::Recordset medicare = connection.query(
        QStringLiteral("SELECT isnull(sum(Amount), 0) AS Amount FROM BILLING..tbBillMedicareBenefit WHERE IdNum = :id"), byId);
    soa.medicare = medicare.number(QStringLiteral("Amount"));
    if (soa.medicare != 0)
        soa.lines.append({QStringLiteral("Medicare"), QStringLiteral("Medicare benefit"), soa.medicare});
    data::Recordset payments = connection.query(
        QStringLiteral("SELECT isnull(sum(Amount), 0) AS Amount, count(*) AS Receipts FROM BILLING..tbBillPayment WHERE IdNum = :id"),
        byId);
    soa.payments = payments.number(QStringLiteral("Amount"));
    if (payments.number(QStringLiteral("Receipts")) > 0)
        soa.lines.append({QStringLiteral("Payments"),
                          QStringLiteral("%1 official receipt(s)").arg(payments.text(QStringLiteral("Receipts"))),
                          soa.payments});
    return soa;
}

frmSummarizedSOA::frmSummarizedSOA(const SummarizedStatement &statement, const QString &admissionNumber,
                                   const QString &hospitalNumber, const QString &userName, QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frmSummarizedSOA"));
    setWindowTitle(QStringLiteral("Summarized Statement of Account"));
    resize(560, 520);

    auto *header = new QLabel(QStringLiteral("<b>%1</b><br>Hospital No. %2 &nbsp;&nbsp; Adm. No. %3")
                                  .arg(statement.patientName.toHtmlEscaped(), hospitalNumber.toHtmlEscaped(),
                                       admissionNumber.toHtmlEscaped()),
                              this);
    grdStatement = new QTableWidget(0, 3, this);
    grdStatement->setObjectName(QStringLiteral("grdStatement"));
    grdStatement->setHorizontalHeaderLabels({QStringLiteral(""), QStringLiteral("Particulars"), QStringLiteral("Amount")});
    grdStatement->verticalHeader()->hide();
    grdStatement->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grdStatement->setSelectionBehavior(QAbstractItemView::SelectRows);
    grdStatement->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);

    auto addRow = [this](const QString &section, const QString &text, double amount, bool bold) {
        const int row = grdStatement->rowCount();
        grdStatement->insertRow(row);
        auto *amountItem = new QTableWidgetItem(ui::formatMoney(amount));
        amountItem->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        const QList<QTableWidgetItem *> items = {new QTableWidgetItem(section), new QTableWidgetItem(text), amountItem};
        for (int c = 0; c < 3; ++c) {
            if (bold) {
                QFont f = items[c]->font();
                f.setBold(true);
                items[c]->setFont(f);
            }
            grdStatement->setItem(row, c, items[c]);
        }
    };
    QString lastSection;
    for (const SoaLine &line : statement.lines) {
        addRow(line.section == lastSection ? QString() : line.section, line.description, line.amount, false);
        lastSection = line.section;
    }
    addRow(QString(), QStringLiteral("Total charges"), statement.charges, true);
    addRow(QString(), QStringLiteral("Less discounts"), statement.discounts, true);
    addRow(QString(), QStringLiteral("Less Medicare"), statement.medicare, true);
    addRow(QString(), QStringLiteral("Less payments"), statement.payments, true);
    grdStatement->resizeColumnToContents(0);

    lblBalance = new QLabel(QStringLiteral("Balance due: %1").arg(ui::formatMoney(statement.balance())), this);
    lblBalance->setObjectName(QStringLiteral("lblBalance"));
    QFont big = lblBalance->font();
    big.setPointSizeF(big.pointSizeF() * 1.3);
    big.setBold(true);
    lblBalance->setFont(big);
    lblBalance->setAlignment(Qt::AlignRight);

    auto *footer = new QLabel(QStringLiteral("Prepared for %1").arg(userName.toHtmlEscaped()), this);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(header);
    layout->addWidget(grdStatement, 1);
    layout->addWidget(lblBalance);
    layout->addWidget(footer);
    layout->addWidget(buttons);
}

void clssoa::ShowSOA(const QString &admissionNumber)
{
    data::Connection *connection = m_connection.connection();
    if (!connection)
        throw data::DbError(3704, QStringLiteral("Billing statement"),
                            QStringLiteral("The billing statement has no established connection."));
    const SummarizedStatement statement = loadSummarizedStatement(*connection, admissionNumber, HospitalNumber);
    frmSummarizedSOA window(statement, admissionNumber, HospitalNumber, UserName);
    ui::Messages::execDialog(window);
}

} // namespace mss::suite
