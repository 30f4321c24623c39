#include "notices/frmclearpatient.h"

#include "data/connection.h"
#include "data/format.h"
#include "domain/dischargerecord.h"
#include "notices/noticelist.h"
#include "ui/commandguard.h"
#include "ui/messages.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace mss::notices {

namespace {

// A group of labelled, read-only boxes, two to a row.
class FieldGroup {
public:
    FieldGroup(const QString &title, const QString &name, QWidget *parent)
        : m_box(new QGroupBox(title, parent)), m_grid(new QGridLayout(m_box))
    {
        m_box->setObjectName(name);
    }
    QGroupBox *box() const { return m_box; }

    template <typename Field> Field *add(const QString &name, const QString &label, bool wide = false)
    {
        auto *field = new Field(m_box);
        field->setObjectName(name);
        field->setReadOnly(true);
        if (wide && m_column != 0)
            next();
        m_grid->addWidget(new QLabel(label, m_box), m_row, m_column);
        m_grid->addWidget(field, m_row, m_column + 1, 1, wide ? 3 : 1);
        if (wide)
            m_column = 2;
        next();
        return field;
    }

private:
    void next()
    {
        m_column += 2;
        if (m_column >= 4) {
            m_column = 0;
            ++m_row;
        }
    }

    QGroupBox *m_box;
    QGridLayout *m_grid;
    int m_row = 0;
    int m_column = 0;
};

void fitRemarks(QPlainTextEdit *box)
{
    box->setTabChangesFocus(true);
    box->setMaximumHeight(64);
}

} // namespace

frmClearPatient::frmClearPatient(NoticeContext context, QWidget *parent)
    : QDialog(parent), m_context(std::move(context))
{
    setObjectName(QStringLiteral("frmClearPatient"));
    setWindowTitle(QStringLiteral("Clear Patient"));
    setWindowIcon(QIcon(QStringLiteral(":/icons/discharge.svg")));
    lblHeading = createHeading(QStringLiteral("Clear Patient for Discharge"), this);

    FieldGroup hospital(QStringLiteral("Hospital Information"), QStringLiteral("fmeHospital"), this);
    txtHospNo = hospital.add<QLineEdit>(QStringLiteral("txtHospNo"), QStringLiteral("Hospital No."));
    txtAdmNo = hospital.add<QLineEdit>(QStringLiteral("txtAdmNo"), QStringLiteral("Admission No."));
    txtAdmDate = hospital.add<QLineEdit>(QStringLiteral("txtAdmDate"), QStringLiteral("Admission Date"));
    txtRoomNo = hospital.add<QLineEdit>(QStringLiteral("txtRoomNo"), QStringLiteral("Room No."));
    txtDoctor = hospital.add<QLineEdit>(QStringLiteral("txtDoctor"), QStringLiteral("Attending Dr."), true);

    FieldGroup name(QStringLiteral("Patient's Name"), QStringLiteral("fmeName"), this);
    txtSname = name.add<QLineEdit>(QStringLiteral("txtSname"), QStringLiteral("Last Name "));
    txtFname = name.add<QLineEdit>(QStringLiteral("txtFname"), QStringLiteral("First Name  "));
    txtMname = name.add<QLineEdit>(QStringLiteral("txtMname"), QStringLiteral("Middle Name "));

    FieldGroup notice(QStringLiteral("Notice Information"), QStringLiteral("fmeNotice"), this);
    txtNoticeDate = notice.add<QLineEdit>(QStringLiteral("txtNoticeDate"), QStringLiteral("Notice Date/Time "));
    txtOrderDate = notice.add<QLineEdit>(QStringLiteral("txtOrderDate"), QStringLiteral("Order Date/Time "));
    txtDischargeNurse
        = notice.add<QLineEdit>(QStringLiteral("txtDischargeNurse"), QStringLiteral("Discharge Nurse"), true);
    txtRemarks = notice.add<QPlainTextEdit>(QStringLiteral("txtRemarks"), QStringLiteral("Remarks"), true);
    fitRemarks(txtRemarks);

    FieldGroup clearing(QStringLiteral("Clearing Information"), QStringLiteral("fmeClearing"), this);
    txtClearDate = clearing.add<QLineEdit>(QStringLiteral("txtClearDate"), QStringLiteral("Cleared Date:"));
    txtClearedBy = clearing.add<QLineEdit>(QStringLiteral("txtClearedBy"), QStringLiteral("Cleared by:"));
    txtClearRemarks = clearing.add<QPlainTextEdit>(QStringLiteral("txtClearRemarks"), QStringLiteral("Remarks"), true);
    txtClearRemarks->setReadOnly(false);
    fitRemarks(txtClearRemarks);

    FieldGroup mss(QStringLiteral("MSS Data"), QStringLiteral("fmeMSSData"), this);
    txtMSSNum = mss.add<QLineEdit>(QStringLiteral("txtMSSNum"), QStringLiteral("MSS Number :"));
    lblClassification = new QLabel(mss.box());
    lblClassification->setObjectName(QStringLiteral("lblClassification"));
    QFont classFont = lblClassification->font();
    classFont.setBold(true);
    lblClassification->setFont(classFont);
    lblClassification->setVisible(false);
    static_cast<QGridLayout *>(mss.box()->layout())->addWidget(lblClassification, 0, 2, 1, 2);
    txtCategory = mss.add<QLineEdit>(QStringLiteral("txtCategory"), QStringLiteral("Category :"), true);
    txtOtherInfo = mss.add<QLineEdit>(QStringLiteral("txtOtherInfo"), QStringLiteral("Other Info. :"), true);

    cmdSave = new QPushButton(QStringLiteral("&Save"), this);
    cmdSave->setObjectName(QStringLiteral("cmdSave"));
    cmdIgnore = new QPushButton(QStringLiteral("&Ignore"), this);
    cmdIgnore->setObjectName(QStringLiteral("cmdIgnore"));
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdSave);
    buttons->addWidget(cmdIgnore);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(lblHeading);
    layout->addWidget(hospital.box());
    layout->addWidget(name.box());
    layout->addWidget(notice.box());
    layout->addWidget(clearing.box());
    layout->addWidget(mss.box());
    layout->addLayout(buttons);
    resize(720, 700);

    connect(cmdSave, &QPushButton::clicked, this,
        [this] { ui::runGuarded([this] { save(); }, { .connection = m_context.connection, .title = windowTitle() }); });
    connect(cmdIgnore, &QPushButton::clicked, this, &QDialog::reject);
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
