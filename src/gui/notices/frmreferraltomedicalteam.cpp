#include "notices/frmreferraltomedicalteam.h"

#include "domain/referralrecord.h"
#include "notices/noticelist.h"
#include "ui/childwindow.h"
#include "ui/commandguard.h"
#include "ui/messages.h"
#include "ui_frmreferraltomedicalteam.h"

#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QTreeView>

namespace mss::notices {

namespace {

QString referralIcon(const QVariant &status)
{
    return referralIconKey(status.toString());
}

QList<NoticeColumn> referralColumns()
{
    return { { QStringLiteral("Patient"), QStringLiteral("PatientName"), false, 3200 },
        { QStringLiteral("Admission #"), QStringLiteral("IDNUM"), false, 1300 },
        { QStringLiteral("Hosp #"), QStringLiteral("HospNum"), false, 1200 },
        { QStringLiteral("Diagnosis"), QStringLiteral("Diagnosis"), false, 3000 },
        { QStringLiteral("Referral Date"), QStringLiteral("ReferralDate"), true, 2400 },
        { QStringLiteral("Referral No."), QStringLiteral("ReferralNo"), false, 0 } };
}

} // namespace

frmReferralToMedicalTeam::frmReferralToMedicalTeam(
    data::Connection *connection, OpenApproval openApproval, QWidget *parent)
    : QWidget(parent),
      m_ui(std::make_unique<Ui::frmReferralToMedicalTeam>()),
      m_connection(connection),
      m_openApproval(std::move(openApproval)),
      m_model(new NoticeListModel(referralColumns(), QStringLiteral("Status"), &referralIcon, this))
{
    m_ui->setupUi(this);
    setWindowIcon(QIcon(QStringLiteral(":/icons/referral.svg")));
    setAttribute(Qt::WA_DeleteOnClose);
    lblHeading = m_ui->lblHeading;
    lvwRequest = m_ui->lvwRequest;
    cmdSelect = m_ui->cmdSelect;
    cmdClose = m_ui->cmdClose;
    emphasizeHeading(lblHeading);
    attachNoticeModel(lvwRequest, m_model);
    resize(sizeHint());

    // Its failures carry the program's title, as they always have.
    ui::connectGuarded(cmdSelect, &QPushButton::clicked, this, [this] { select(); },
        { .connection = m_connection, .title = ui::Messages::applicationTitle() });
    // Enter and a double click on a row do what "&Select" does.
    connect(lvwRequest, &QAbstractItemView::activated, cmdSelect, &QPushButton::click);
    connect(cmdClose, &QPushButton::clicked, this, [this] {
        m_idNum.clear();
        m_valid = false;
        ui::closeChildWindow(this);
    });
}

frmReferralToMedicalTeam::~frmReferralToMedicalTeam() = default;

void frmReferralToMedicalTeam::load()
{
    m_idNum.clear();
    m_valid = false;
    ui::runGuarded(
        [this] {
            const ui::WaitCursor wait;
            m_model->setRows(ReferralStore(ui::requireConnection(m_connection, windowTitle())).notices());
        },
        { .connection = m_connection, .title = windowTitle() });
}

void frmReferralToMedicalTeam::select()
{
    const auto idNum = selectedText(lvwRequest, kAdmissionColumn);
    if (!idNum)
        return;
    m_idNum = *idNum;
    m_refNum = selectedText(lvwRequest, kReferralNoColumn).value_or(QString());
    m_valid = true;
    ui::closeChildWindow(this);
    // The approval window takes the numbers while it loads; they are cleared right after, so
    // that nothing else mistakes this list for the one that opened it.
    struct ClearAfter {
        frmReferralToMedicalTeam *list;
        ~ClearAfter()
        {
            list->m_idNum.clear();
            list->m_valid = false;
        }
    } clearAfter { this };
    if (m_openApproval)
        m_openApproval(*this);
}

} // namespace mss::notices
