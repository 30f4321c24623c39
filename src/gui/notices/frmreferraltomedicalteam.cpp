#include "notices/frmreferraltomedicalteam.h"

#include "domain/referralrecord.h"
#include "notices/noticelist.h"
#include "ui/commandguard.h"

#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QTreeView>
#include <QVBoxLayout>

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
      m_connection(connection),
      m_openApproval(std::move(openApproval)),
      m_model(new NoticeListModel(referralColumns(), QStringLiteral("Status"), &referralIcon, this))
{
    setObjectName(QStringLiteral("frmReferralToMedicalTeam"));
    setWindowTitle(QStringLiteral("Referral"));
    setWindowIcon(QIcon(QStringLiteral(":/icons/referral.svg")));
    setAttribute(Qt::WA_DeleteOnClose);

    lblHeading = createHeading(QStringLiteral("Referral from Medical Team"), this);
    lvwRequest = createNoticeView(m_model, this);
    cmdSelect = new QPushButton(QStringLiteral("&Select"), this);
    cmdSelect->setObjectName(QStringLiteral("cmdSelect"));
    cmdClose = new QPushButton(QStringLiteral("Close"), this);
    cmdClose->setObjectName(QStringLiteral("cmdClose"));

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdSelect);
    buttons->addWidget(cmdClose);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(lblHeading);
    layout->addWidget(lvwRequest, 1);
    layout->addLayout(buttons);
    resize(sizeHint());

    connect(cmdSelect, &QPushButton::clicked, this,
        [this] { ui::runGuarded([this] { select(); }, { .connection = m_connection }); });
    // Enter and a double click on a row do what "&Select" does.
    connect(lvwRequest, &QAbstractItemView::activated, cmdSelect, &QPushButton::click);
    connect(cmdClose, &QPushButton::clicked, this, [this] {
        m_idNum.clear();
        m_valid = false;
        closeWindow(this);
    });
}

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
    closeWindow(this);
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
