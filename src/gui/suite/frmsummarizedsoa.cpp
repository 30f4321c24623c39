#include "suite/frmsummarizedsoa.h"

#include "data/format.h"
#include "ui/messages.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <QVBoxLayout>

namespace mss::suite {

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
    grdStatement->setHorizontalHeaderLabels(
        { QStringLiteral(""), QStringLiteral("Particulars"), QStringLiteral("Amount") });
    grdStatement->verticalHeader()->hide();
    grdStatement->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grdStatement->setSelectionBehavior(QAbstractItemView::SelectRows);
    grdStatement->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);

    auto addRow = [this](const QString &section, const QString &text, double amount, bool bold) {
        const int row = grdStatement->rowCount();
        grdStatement->insertRow(row);
        auto *amountItem = new QTableWidgetItem(data::formatMoney(amount));
        amountItem->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        const QList<QTableWidgetItem *> items
            = { new QTableWidgetItem(section), new QTableWidgetItem(text), amountItem };
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

    lblBalance = new QLabel(QStringLiteral("Balance due: %1").arg(data::formatMoney(statement.balance())), this);
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

void showSummarizedStatement(const SummarizedStatement &statement, const QString &admissionNumber,
    const QString &hospitalNumber, const QString &userName)
{
    frmSummarizedSOA window(statement, admissionNumber, hospitalNumber, userName);
    ui::Messages::execDialog(window);
}

} // namespace mss::suite
