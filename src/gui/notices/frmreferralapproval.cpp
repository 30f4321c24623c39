#include "notices/frmreferralapproval.h"

#include "data/connection.h"
#include "notices/noticelist.h"
#include "ui/commandguard.h"
#include "ui/messages.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDateEdit>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace mss::notices {

namespace {

QLineEdit *readOnlyBox(const QString &name, QWidget *parent)
{
    auto *box = new QLineEdit(parent);
    box->setObjectName(name);
    box->setReadOnly(true);
    return box;
}

// The reasons are what the medical team ticked; the save does not send them, so they are shown
// and cannot be changed here.
QCheckBox *reasonBox(const QString &name, const QString &caption, QWidget *parent)
{
    auto *box = new QCheckBox(caption, parent);
    box->setObjectName(name);
    box->setAttribute(Qt::WA_TransparentForMouseEvents);
    box->setFocusPolicy(Qt::NoFocus);
    return box;
}

QLabel *explanation(const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setIndent(28);
    return label;
}

} // namespace

frmReferralApproval::frmReferralApproval(NoticeContext context, QWidget *parent)
    : QDialog(parent), m_context(std::move(context)), m_states(new QButtonGroup(this))
{
    setObjectName(QStringLiteral("frmReferralApproval"));
    setWindowTitle(QStringLiteral("Referral From Medical Team"));
    setWindowIcon(QIcon(QStringLiteral(":/icons/referral.svg")));

    lblHeading = createHeading(QStringLiteral("Referral from Medical Team"), this);

    auto *patient = new QGroupBox(QStringLiteral("Patient's Information"), this);
    patient->setObjectName(QStringLiteral("fmePatient"));
    txtFullName = readOnlyBox(QStringLiteral("txtFullName"), patient);
    txtHospNo = readOnlyBox(QStringLiteral("txtHospNo"), patient);
    txtAdmNo = readOnlyBox(QStringLiteral("txtAdmNo"), patient);
    txtDiagnosis = readOnlyBox(QStringLiteral("txtDiagnosis"), patient);
    txtCategory = readOnlyBox(QStringLiteral("txtCategory"), patient);
    auto *patientForm = new QFormLayout(patient);
    patientForm->addRow(QStringLiteral("Patient's Name"), txtFullName);
    auto *numbers = new QHBoxLayout;
    numbers->addWidget(txtHospNo);
    numbers->addWidget(new QLabel(QStringLiteral("Admission No."), patient));
    numbers->addWidget(txtAdmNo);
    patientForm->addRow(QStringLiteral("Hospital No."), numbers);
    patientForm->addRow(QStringLiteral("Diagnosis/Initial Impression:"), txtDiagnosis);
    patientForm->addRow(QStringLiteral("Category:"), txtCategory);

    auto *reasons = new QGroupBox(QStringLiteral("Reason for Referral"), this);
    reasons->setObjectName(QStringLiteral("fmeReason"));
    chkTick1 = reasonBox(QStringLiteral("chkTick1"), QStringLiteral(" 1. Emotional/Adjustment Problem"), reasons);
    chkTick2 = reasonBox(QStringLiteral("chkTick2"), QStringLiteral(" 2. After Care Treatment"), reasons);
    chktick3
        = reasonBox(QStringLiteral("chktick3"), QStringLiteral(" 3. Dialysis and Transplant Orientation"), reasons);
    chktick4 = reasonBox(QStringLiteral("chktick4"), QStringLiteral(" 4. Financial Problem"), reasons);
    chktick5 = reasonBox(QStringLiteral("chktick5"), QStringLiteral(" 5. Other Specified  Reason:"), reasons);
    txtOtherReason = readOnlyBox(QStringLiteral("txtOtherReason"), reasons);
    auto *reasonLayout = new QVBoxLayout(reasons);
    reasonLayout->setSpacing(2);
    reasonLayout->addWidget(chkTick1);
    reasonLayout->addWidget(
        explanation(QStringLiteral("a. Inability to follow diet/restriction/medical advises"), reasons));
    reasonLayout->addWidget(explanation(QStringLiteral("b.Aggresiveness/Stubborness/Demanding traits"), reasons));
    reasonLayout->addWidget(chkTick2);
    reasonLayout->addWidget(
        explanation(QStringLiteral("a. Inability to follow diet/restriction/medical advises"), reasons));
    reasonLayout->addWidget(chktick3);
    reasonLayout->addWidget(chktick4);
    reasonLayout->addWidget(explanation(
        QStringLiteral("a. Socio-Economic Evalutation for Assistance on Discount and the  Like."), reasons));
    auto *other = new QHBoxLayout;
    other->addWidget(chktick5);
    other->addWidget(txtOtherReason, 1);
    reasonLayout->addLayout(other);

    auto *remarks = new QGroupBox(QStringLiteral("REMARKS"), this);
    remarks->setObjectName(QStringLiteral("fmeRemarks"));
    txtRemarks = new QPlainTextEdit(remarks);
    txtRemarks->setObjectName(QStringLiteral("txtRemarks"));
    txtRemarks->setTabChangesFocus(true);
    txtRemarks->setMinimumHeight(70);
    OptApproved = new QRadioButton(QStringLiteral("INCLUDE to BILL"), remarks);
    OptApproved->setObjectName(QStringLiteral("OptApproved"));
    OptDeny = new QRadioButton(QStringLiteral("For JUSTIFICATION"), remarks);
    OptDeny->setObjectName(QStringLiteral("OptDeny"));
    OptCash = new QRadioButton(QStringLiteral("CASH Basis"), remarks);
    OptCash->setObjectName(QStringLiteral("OptCash"));
    m_states->addButton(OptApproved);
    m_states->addButton(OptDeny);
    m_states->addButton(OptCash);
    dtSchedDate = new QDateEdit(QDate::currentDate(), remarks);
    dtSchedDate->setObjectName(QStringLiteral("dtSchedDate"));
    dtSchedDate->setCalendarPopup(true);
    dtSchedDate->setDisplayFormat(QStringLiteral("MM/dd/yyyy"));
    auto *options = new QHBoxLayout;
    options->addWidget(OptApproved);
    options->addWidget(OptDeny);
    options->addWidget(OptCash);
    options->addStretch();
    options->addWidget(new QLabel(QStringLiteral("Schedule Date:"), remarks));
    options->addWidget(dtSchedDate);
    auto *remarksLayout = new QVBoxLayout(remarks);
    remarksLayout->addWidget(txtRemarks);
    remarksLayout->addLayout(options);

    cmdSave = new QPushButton(QStringLiteral("SAVE"), this);
    cmdSave->setObjectName(QStringLiteral("cmdSave"));
    cmdEdit = new QPushButton(QStringLiteral("EDIT"), this);
    cmdEdit->setObjectName(QStringLiteral("cmdEdit"));
    cmdCancel = new QPushButton(QStringLiteral("CLOSE"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdEdit);
    buttons->addWidget(cmdSave);
    buttons->addWidget(cmdCancel);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(lblHeading);
    layout->addWidget(patient);
    layout->addWidget(reasons);
    layout->addWidget(remarks, 1);
    layout->addLayout(buttons);
    resize(640, 640);

    connect(cmdEdit, &QPushButton::clicked, this, [this] { setEditing(true); });
    connect(cmdSave, &QPushButton::clicked, this,
        [this] { ui::runGuarded([this] { save(); }, { .connection = m_context.connection, .title = windowTitle() }); });
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
    setEditing(true);
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
