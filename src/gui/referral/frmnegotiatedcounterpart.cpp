#include "referral/frmnegotiatedcounterpart.h"

#include "data/connection.h"
#include "data/quote.h"
#include "referral/frmarr.h"
#include "ui/cells.h"
#include "ui/twips.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace mss::referral {

frmNegotiatedCounterpart::frmNegotiatedCounterpart(const frmARR &arr, data::Connection &connection, QWidget *parent)
    : QDialog(parent), m_connection(connection)
{
    setObjectName(QStringLiteral("frmNegotiatedCounterpart"));
    setWindowTitle(QStringLiteral("Fund Allocation Entry"));
    resize(1000, 480);

    auto *root = new QVBoxLayout(this);
    auto *heading = new QLabel(QStringLiteral("Priority Dev't Assistance Fund Allocation"), this);
    heading->setObjectName(QStringLiteral("lblHeading"));
    heading->setStyleSheet(QStringLiteral("font-size: 13pt; font-weight: bold; color: rgb(0, 51, 102);"));
    root->addWidget(heading);

    auto *patient = new QGroupBox(QStringLiteral("Patient Information"), this);
    patient->setObjectName(QStringLiteral("fraPatient"));
    auto *form = new QFormLayout(patient);
    auto field = [patient, form](const QString &name, const QString &caption) {
        auto *edit = new QLineEdit(patient);
        edit->setObjectName(name);
        edit->setReadOnly(true);
        form->addRow(caption, edit);
        return edit;
    };
    txtName = field(QStringLiteral("txtName"), QStringLiteral("Patient's Name  :"));
    txtHospNum = field(QStringLiteral("txtHospNum"), QStringLiteral("Hospital Num.    :"));
    txtIDNum = field(QStringLiteral("txtIDNum"), QStringLiteral("Admission Num. :"));
    txtMSSNumber = field(QStringLiteral("txtMSSNumber"), QStringLiteral("MSS Num. :"));
    root->addWidget(patient);

    auto *details = new QGroupBox(QStringLiteral("Transaction Details"), this);
    details->setObjectName(QStringLiteral("fraDetails"));
    auto *detailsLayout = new QVBoxLayout(details);
    flgSponsorList = new QTableWidget(details);
    flgSponsorList->setObjectName(QStringLiteral("flgSponsorList"));
    flgSponsorList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    flgSponsorList->verticalHeader()->hide();
    detailsLayout->addWidget(flgSponsorList);
    root->addWidget(details, 1);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    cmdClose = new QPushButton(QStringLiteral("&Close"), this);
    cmdClose->setObjectName(QStringLiteral("cmdClose"));
    buttons->addWidget(cmdClose);
    root->addLayout(buttons);
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::reject);

    txtHospNum->setText(arr.txtHospNum->text());
    txtIDNum->setText(arr.txtIdNum->text());
    txtName->setText(arr.txtFirstName->text() + QStringLiteral(",") + arr.txtLastName->text());
    txtMSSNumber->setText(arr.txtMSSNum->text());
}

void frmNegotiatedCounterpart::load()
{
    const data::Recordset rs = m_connection.open(QStringLiteral("MSS..sp_Pars_Load_Existing_CDF_Allocation '")
            + data::q(txtHospNum->text()) + QStringLiteral("', 1"),
        data::CursorType::Static, data::LockType::ReadOnly);
    flgSponsorList->clear();
    flgSponsorList->setColumnCount(int(rs.columns().size()));
    flgSponsorList->setHorizontalHeaderLabels(rs.columns());
    flgSponsorList->setRowCount(rs.recordCount());
    for (int r = 0; r < rs.recordCount(); ++r) {
        const QVariantList &row = rs.rows()[r];
        for (int c = 0; c < row.size(); ++c)
            flgSponsorList->setItem(r, c, ui::cellItem(row[c]));
    }
    QList<int> widths = { 0, 2800 };
    while (widths.size() < 12)
        widths.append(1500);
    ui::setColumnWidthsInTwips(flgSponsorList, widths);
}

} // namespace mss::referral
