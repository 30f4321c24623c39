#include "suite/frmsummarizedsoa.h"

#include "data/format.h"
#include "ui/messages.h"
#include "ui_frmsummarizedsoa.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>

namespace mss::suite {

frmSummarizedSOA::frmSummarizedSOA(const SummarizedStatement &statement, const QString &admissionNumber,
    const QString &hospitalNumber, const QString &userName, QWidget *parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::frmSummarizedSOA>())
{
    m_ui->setupUi(this);
    grdStatement = m_ui->grdStatement;
    lblBalance = m_ui->lblBalance;
    m_ui->lblHeader->setText(QStringLiteral("<b>%1</b><br>Hospital No. %2 &nbsp;&nbsp; Adm. No. %3")
                                 .arg(statement.patientName.toHtmlEscaped(), hospitalNumber.toHtmlEscaped(),
                                     admissionNumber.toHtmlEscaped()));
    grdStatement->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);

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

    lblBalance->setText(QStringLiteral("Balance due: %1").arg(data::formatMoney(statement.balance())));
    QFont big = lblBalance->font();
    big.setPointSizeF(big.pointSizeF() * 1.3);
    big.setBold(true);
    lblBalance->setFont(big);
    m_ui->lblFooter->setText(QStringLiteral("Prepared for %1").arg(userName.toHtmlEscaped()));
    connect(m_ui->buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

frmSummarizedSOA::~frmSummarizedSOA() = default;

void frmSummarizedSOA::addRow(const QString &section, const QString &text, double amount, bool bold)
{
    const int row = grdStatement->rowCount();
    grdStatement->insertRow(row);
    auto *amountItem = new QTableWidgetItem(data::formatMoney(amount));
    amountItem->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    const QList<QTableWidgetItem *> items = { new QTableWidgetItem(section), new QTableWidgetItem(text), amountItem };
    for (int c = 0; c < 3; ++c) {
        if (bold) {
            QFont f = items[c]->font();
            f.setBold(true);
            items[c]->setFont(f);
        }
        grdStatement->setItem(row, c, items[c]);
    }
}

void showSummarizedStatement(const SummarizedStatement &statement, const QString &admissionNumber,
    const QString &hospitalNumber, const QString &userName)
{
    frmSummarizedSOA window(statement, admissionNumber, hospitalNumber, userName);
    ui::Messages::execDialog(window);
}

} // namespace mss::suite
