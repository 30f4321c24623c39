#include "notices/frmreferralapproval.h"

#include "data/connection.h"
#include "notices/noticelist.h"
#include "ui/commandguard.h"
#include "ui/messages.h"
#include "ui_frmreferralapproval.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDateEdit>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>

#include <array>

namespace mss::notices {

frmReferralApproval::frmReferralApproval(ui::WorkContext context, QWidget *parent)
    : QDialog(parent),
      m_ui(std::make_unique<Ui::frmReferralApproval>()),
      m_context(std::move(context)),
      m_states(new QButtonGroup(this))
{
    m_ui->setupUi(this);
    setWindowIcon(QIcon(QStringLiteral(":/icons/referral.svg")));
    bindControls();
    emphasizeHeading(lblHeading);
    // The reasons are what the medical team ticked; the save does not send them, so they are
    // shown and cannot be changed here.
    for (QCheckBox *reason : { chkTick1, chkTick2, chktick3, chktick4, chktick5 })
        reason->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_states->addButton(OptApproved);
    m_states->addButton(OptDeny);
    m_states->addButton(OptCash);
    dtSchedDate->setDate(QDate::currentDate());

    connect(cmdEdit, &QPushButton::clicked, this, [this] { setEditing(true); });
    ui::connectGuarded(
        cmdSave, &QPushButton::clicked, this, [this] { save(); }, { .connection = m_context.connection });
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
    setEditing(true);
}

frmReferralApproval::~frmReferralApproval() = default;

void frmReferralApproval::bindControls()
{
    const Ui::frmReferralApproval &u = *m_ui;
    lblHeading = u.lblHeading;
    txtFullName = u.txtFullName;
    txtHospNo = u.txtHospNo;
    txtAdmNo = u.txtAdmNo;
    txtDiagnosis = u.txtDiagnosis;
    txtCategory = u.txtCategory;
    chkTick1 = u.chkTick1;
    chkTick2 = u.chkTick2;
    chktick3 = u.chktick3;
    chktick4 = u.chktick4;
    chktick5 = u.chktick5;
    txtOtherReason = u.txtOtherReason;
    txtRemarks = u.txtRemarks;
    OptApproved = u.OptApproved;
    OptDeny = u.OptDeny;
    OptCash = u.OptCash;
    dtSchedDate = u.dtSchedDate;
    cmdSave = u.cmdSave;
    cmdEdit = u.cmdEdit;
    cmdCancel = u.cmdCancel;
}

void frmReferralApproval::setEditing(bool editing)
{
    cmdEdit->setVisible(!editing);
    for (QWidget *w :
        std::initializer_list<QWidget *> { cmdSave, txtRemarks, OptApproved, OptDeny, OptCash, dtSchedDate })
        w->setEnabled(editing);
}

void frmReferralApproval::load(const ReferralOpener *noticeList, const ReferralOpener *history)
{
    const ReferralOpener *opener = noticeList && noticeList->Valid() ? noticeList
        : history && history->Valid()                                ? history
                                                                     : nullptr;
    setEditing(!(opener && opener == history));
    m_idNum = opener ? opener->IDNUM() : QString();
    m_refNum = opener ? opener->REFNUM() : QString();
    ui::runGuarded(
        [this] {
            if (const auto referral
                = ReferralStore(ui::requireConnection(m_context.connection, windowTitle())).load(m_idNum, m_refNum))
                fill(*referral);
        },
        { .connection = m_context.connection, .title = windowTitle() });
}

void frmReferralApproval::fill(const ReferralRecord &referral)
{
    txtFullName->setText(referral.PatientName);
    txtHospNo->setText(referral.HospNum);
    txtAdmNo->setText(referral.IDNUM);
    txtDiagnosis->setText(referral.Diagnosis);
    txtCategory->setText(referral.Category);
    txtRemarks->setPlainText(referral.Remarks);
    dtSchedDate->setDate(referral.scheduleDate().value_or(QDate::currentDate()));

    m_states->setExclusive(false); // so that a pending referral shows no option chosen
    OptApproved->setChecked(referral.Status == QLatin1String("A"));
    OptDeny->setChecked(referral.Status == QLatin1String("D"));
    OptCash->setChecked(referral.Status == QLatin1String("C"));
    m_states->setExclusive(true);

    const std::array<QCheckBox *, 5> boxes = { chkTick1, chkTick2, chktick3, chktick4, chktick5 };
    for (size_t i = 0; i < boxes.size(); ++i)
        boxes[i]->setChecked(referral.Reasons[i]);
    txtOtherReason->setText(referral.Reasons[4] ? referral.OtherReason : QString());

    m_discharged = referral.discharged();
    m_referralNo = referral.ReferralNo;
}

QString frmReferralApproval::chosenState() const
{
    if (OptApproved->isChecked())
        return QStringLiteral("A");
    if (OptDeny->isChecked())
        return QStringLiteral("D");
    if (OptCash->isChecked())
        return QStringLiteral("C");
    return {};
}

void frmReferralApproval::save()
{
    QString state = chosenState();
    if (m_discharged) {
        ui::Messages::show(QStringLiteral("Discharged Patient Cannot Be Updated."), QStringLiteral("Message"),
            QMessageBox::Warning, QMessageBox::Ok, this);
        return;
    }
    if (state.isEmpty()) {
        state = QStringLiteral("P");
        ui::Messages::show(QStringLiteral("Please Tag the Patient "), QStringLiteral("Message"), QMessageBox::Warning,
            QMessageBox::Ok, this);
    }
    const QString question = QStringLiteral("Are you sure you want to tag thi Referral as ")
        + referralStateMeaning(state) + QStringLiteral(" ? ");
    if (ui::Messages::show(
            question, QStringLiteral("Confirmation"), QMessageBox::NoIcon, QMessageBox::Ok | QMessageBox::Cancel, this)
        != QMessageBox::Ok)
        return;
    ReferralTag tag;
    tag.IdNum = txtAdmNo->text().trimmed();
    tag.DateApproved = QDate::currentDate();
    tag.Status = state;
    tag.Remarks = txtRemarks->toPlainText();
    tag.Category = txtCategory->text();
    tag.ScheduleDate = dtSchedDate->date();
    tag.UserID = m_context.employeeCode;
    tag.ReferralNo = m_referralNo;
    ReferralStore(ui::requireConnection(m_context.connection, windowTitle())).save(tag);

    ui::Messages::show(
        QStringLiteral("Successfuly saved"), QStringLiteral("Message"), QMessageBox::Warning, QMessageBox::Ok, this);
    accept();
}

} // namespace mss::notices
