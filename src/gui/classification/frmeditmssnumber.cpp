#include "classification/frmeditmssnumber.h"

#include "data/connection.h"
#include "domain/classificationstore.h"
#include "domain/intakerecord.h"
#include "patients/patientselection.h"
#include "session/sessionstate.h"
#include "ui/commandguard.h"
#include "ui/messages.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace mss::classification {

frmEditMSSNumber::frmEditMSSNumber(
    const patients::PatientSelection &selection, data::Connection *connection, QWidget *parent)
    : QDialog(parent), m_connection(connection)
{
    setObjectName(QStringLiteral("frmEditMSSNumber"));
    setWindowTitle(QStringLiteral("VMC: Medical Social Service"));

    auto *info = new QGroupBox(QStringLiteral("Patient's Info."), this);
    auto *form = new QFormLayout(info);
    const auto field = [info, form](const QString &name, const QString &caption, const QString &text) {
        auto *edit = new QLineEdit(text, info);
        edit->setObjectName(name);
        edit->setReadOnly(true);
        form->addRow(caption, edit);
        return edit;
    };
    txtHospNo = field(QStringLiteral("txtHospNo"), QStringLiteral("Hosp. No. :"), selection.HospNum);
    txtName = field(QStringLiteral("txtName"), QStringLiteral("Name :"), selection.PatientName);
    txtMSSno = field(QStringLiteral("txtMSSno"), QStringLiteral("MSS No. :"), selection.MSSID);

    auto *fraNew = new QGroupBox(QStringLiteral("Enter New MSS Number :"), this);
    txtNewMSSNo = new QLineEdit(fraNew);
    txtNewMSSNo->setObjectName(QStringLiteral("txtNewMSSNo"));
    auto *newLayout = new QVBoxLayout(fraNew);
    newLayout->addWidget(txtNewMSSNo);

    cmdUpdate = new QPushButton(QStringLiteral("&Update"), this);
    cmdUpdate->setObjectName(QStringLiteral("cmdUpdate"));
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(info);
    layout->addWidget(fraNew);
    layout->addWidget(cmdUpdate, 0, Qt::AlignRight);
    resize(380, sizeHint().height());

    connect(cmdUpdate, &QPushButton::clicked, this,
        [this] { ui::runGuarded([this] { update(); }, { .connection = this->connection(), .title = windowTitle() }); });
}

data::Connection *frmEditMSSNumber::connection() const
{
    return m_connection ? m_connection : shell::Session().SharedConnection;
}

void frmEditMSSNumber::update()
{
    data::Connection *c = connection();
    if (!c)
        throw data::DbError(3704, windowTitle(), QStringLiteral("There is no open connection."));
    // A number another patient holds is refused in words, before the database refuses it in its own.
    const QString number = txtNewMSSNo->text().trimmed();
    if (!number.isEmpty()) {
        if (const std::optional<intake::CaseNumberHolder> holder
            = intake::IntakeSheetStore(*c).otherHolderOf(number, txtHospNo->text())) {
            ui::Messages::warning(
                QStringLiteral("MSS Number %1 already belongs to %2.").arg(number, holder->PatientName),
                QStringLiteral("Message"), this);
            return;
        }
    }
    ClassificationStore(*c).updateMSSNumber(txtHospNo->text(), txtNewMSSNo->text());
    txtMSSno->setText(number); // the number the patient has now
    ui::Messages::show(QStringLiteral("Records Successfully Updated"), QStringLiteral("Message"),
        QMessageBox::Information, QMessageBox::Ok, this);
}

} // namespace mss::classification
