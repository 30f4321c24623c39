#include "classification/frmeditmssnumber.h"

#include "data/connection.h"
#include "domain/classificationstore.h"
#include "domain/intakerecord.h"
#include "patients/patientselection.h"
#include "ui/commandguard.h"
#include "ui/messages.h"
#include "ui_frmeditmssnumber.h"

#include <QLineEdit>
#include <QPushButton>

namespace mss::classification {

frmEditMSSNumber::frmEditMSSNumber(
    const patients::PatientSelection &selection, data::Connection *connection, QWidget *parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::frmEditMSSNumber>()), m_connection(connection)
{
    m_ui->setupUi(this);
    txtHospNo = m_ui->txtHospNo;
    txtName = m_ui->txtName;
    txtMSSno = m_ui->txtMSSno;
    txtNewMSSNo = m_ui->txtNewMSSNo;
    cmdUpdate = m_ui->cmdUpdate;
    txtHospNo->setText(selection.HospNum);
    txtName->setText(selection.PatientName);
    txtMSSno->setText(selection.MSSID);
    resize(380, sizeHint().height());

    ui::connectGuarded(cmdUpdate, &QPushButton::clicked, this, [this] { update(); }, { .connection = m_connection });
}

frmEditMSSNumber::~frmEditMSSNumber() = default;

void frmEditMSSNumber::update()
{
    data::Connection &c = ui::requireConnection(m_connection, windowTitle());
    // A number another patient holds is refused in words, before the database refuses it in its own.
    const QString number = txtNewMSSNo->text().trimmed();
    if (!number.isEmpty()) {
        if (const std::optional<intake::CaseNumberHolder> holder
            = intake::IntakeSheetStore(c).otherHolderOf(number, txtHospNo->text())) {
            ui::Messages::warning(
                QStringLiteral("MSS Number %1 already belongs to %2.").arg(number, holder->PatientName),
                QStringLiteral("Message"), this);
            return;
        }
    }
    ClassificationStore(c).updateMSSNumber(txtHospNo->text(), txtNewMSSNo->text());
    txtMSSno->setText(number); // the number the patient has now
    ui::Messages::show(QStringLiteral("Records Successfully Updated"), QStringLiteral("Message"),
        QMessageBox::Information, QMessageBox::Ok, this);
}

} // namespace mss::classification
