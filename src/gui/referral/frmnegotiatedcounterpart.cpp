#include "referral/frmnegotiatedcounterpart.h"

#include "data/connection.h"
#include "data/quote.h"
#include "ui/cells.h"
#include "ui/twips.h"
#include "ui_frmnegotiatedcounterpart.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>

namespace mss::referral {

frmNegotiatedCounterpart::frmNegotiatedCounterpart(
    const AllocationPatient &patient, data::Connection &connection, QWidget *parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::frmNegotiatedCounterpart>()), m_connection(connection)
{
    m_ui->setupUi(this);
    txtName = m_ui->txtName;
    txtHospNum = m_ui->txtHospNum;
    txtIDNum = m_ui->txtIDNum;
    txtMSSNumber = m_ui->txtMSSNumber;
    flgSponsorList = m_ui->flgSponsorList;
    cmdClose = m_ui->cmdClose;
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::reject);

    txtHospNum->setText(patient.HospNum);
    txtIDNum->setText(patient.IdNum);
    txtName->setText(patient.FirstName + QStringLiteral(",") + patient.LastName);
    txtMSSNumber->setText(patient.MSSNum);
}

frmNegotiatedCounterpart::~frmNegotiatedCounterpart() = default;

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
