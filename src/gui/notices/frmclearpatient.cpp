#include "notices/frmclearpatient.h"

#include "data/connection.h"
#include "data/format.h"
#include "domain/dischargerecord.h"
#include "notices/noticelist.h"
#include "ui/commandguard.h"
#include "ui/messages.h"
#include "ui_frmclearpatient.h"

#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

namespace mss::notices {

frmClearPatient::frmClearPatient(ui::WorkContext context, QWidget *parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::frmClearPatient>()), m_context(std::move(context))
{
    m_ui->setupUi(this);
    setWindowIcon(QIcon(QStringLiteral(":/icons/discharge.svg")));
    bindControls();
    emphasizeHeading(lblHeading);

    ui::connectGuarded(
        cmdSave, &QPushButton::clicked, this, [this] { save(); }, { .connection = m_context.connection });
    connect(cmdIgnore, &QPushButton::clicked, this, &QDialog::reject);
}

frmClearPatient::~frmClearPatient() = default;

void frmClearPatient::bindControls()
{
    const Ui::frmClearPatient &u = *m_ui;
    lblHeading = u.lblHeading;
    txtHospNo = u.txtHospNo;
    txtAdmNo = u.txtAdmNo;
    txtAdmDate = u.txtAdmDate;
    txtRoomNo = u.txtRoomNo;
    txtDoctor = u.txtDoctor;
    txtSname = u.txtSname;
    txtFname = u.txtFname;
    txtMname = u.txtMname;
    txtNoticeDate = u.txtNoticeDate;
    txtOrderDate = u.txtOrderDate;
    txtDischargeNurse = u.txtDischargeNurse;
    txtRemarks = u.txtRemarks;
    txtClearDate = u.txtClearDate;
    txtClearedBy = u.txtClearedBy;
    txtClearRemarks = u.txtClearRemarks;
    txtMSSNum = u.txtMSSNum;
    lblClassification = u.lblClassification;
    txtCategory = u.txtCategory;
    txtOtherInfo = u.txtOtherInfo;
    cmdSave = u.cmdSave;
    cmdIgnore = u.cmdIgnore;
}

void frmClearPatient::load(const QString &idNum)
{
    ui::runGuarded(
        [&] {
            loadNotice(idNum);
            loadMssData();
        },
        { .connection = m_context.connection, .title = windowTitle() });
}

void frmClearPatient::loadNotice(const QString &idNum)
{
    const auto notice = DischargeStore(ui::requireConnection(m_context.connection, windowTitle())).load(idNum);
    const DischargeNoticeRecord n = notice.value_or(DischargeNoticeRecord {});
    txtSname->setText(n.LastName);
    txtFname->setText(n.FirstName);
    txtMname->setText(n.MiddleName);
    txtHospNo->setText(n.HospNum);
    txtAdmNo->setText(n.IDNUM);
    txtDoctor->setText(n.Doctor);
    txtRoomNo->setText(n.RoomID);
    txtDischargeNurse->setText(n.DischargeNurse);
    txtRemarks->setPlainText(n.Remarks);
    txtAdmDate->setText(data::generalDateText(n.AdmDate));
    txtNoticeDate->setText(data::generalDateText(n.NoticeDate));
    txtOrderDate->setText(data::generalDateText(n.OrderedDate));
    txtClearedBy->setText(
        n.UserId.value_or(QLatin1Char('(') + m_context.userCode + QStringLiteral(") ") + m_context.userName));
    if (!n.cleared()) {
        txtClearDate->setText(QStringLiteral("For clearing"));
        return;
    }
    txtClearDate->setText(data::generalDateText(n.ClearDate));
    txtClearRemarks->setPlainText(n.ClearRemarks);
    txtClearRemarks->setReadOnly(true);
    cmdSave->setEnabled(false);
    cmdIgnore->setText(QStringLiteral("&Close"));
}

void frmClearPatient::loadMssData()
{
    const auto mss = DischargeStore(ui::requireConnection(m_context.connection, windowTitle()))
                         .mssData(txtHospNo->text().trimmed(), txtAdmNo->text().trimmed());
    if (!mss) {
        txtOtherInfo->clear();
        return;
    }
    txtMSSNum->setText(mss->MSSNum);
    txtCategory->setText(mss->Category);
    lblClassification->setText(mss->Code);
    lblClassification->setVisible(true);
    txtOtherInfo->setText(mss->otherInfo());
}

void frmClearPatient::save()
{
    {
        const ui::WaitCursor wait;
        DischargeStore(ui::requireConnection(m_context.connection, windowTitle()))
            .clear(txtAdmNo->text(), m_context.userCode, txtClearRemarks->toPlainText());
    }
    ui::Messages::information(QStringLiteral("Patient has been cleared for discharge."), {}, this);
    accept();
}

} // namespace mss::notices
