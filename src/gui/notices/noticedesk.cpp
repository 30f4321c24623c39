#include "notices/noticedesk.h"

#include "notices/frmclearpatient.h"
#include "notices/frmdischargenotice.h"
#include "notices/frmreferralapproval.h"
#include "notices/frmreferralhistory.h"
#include "notices/frmreferraltomedicalteam.h"
#include "ui/messages.h"

#include <QMdiArea>
#include <QMdiSubWindow>

namespace mss::notices {

NoticeDesk::NoticeDesk(std::function<ui::WorkContext()> context, QWidget *dialogParent,
    std::function<void(QWidget *)> openChild, QObject *parent)
    : QObject(parent), m_context(std::move(context)), m_dialogParent(dialogParent), m_openChild(std::move(openChild))
{
}

frmReferralToMedicalTeam *NoticeDesk::referralNotices() const
{
    return m_referralNotices.data();
}

frmReferralToMedicalTeam *NoticeDesk::showReferralNotices()
{
    if (m_referralNotices) {
        QWidget *frame = m_referralNotices->parentWidget();
        if (auto *sub = qobject_cast<QMdiSubWindow *>(frame); sub && sub->mdiArea())
            sub->mdiArea()->setActiveSubWindow(sub);
        m_referralNotices->activateWindow();
        return m_referralNotices;
    }
    m_referralNotices = new frmReferralToMedicalTeam(
        m_context().connection, [this](const ReferralOpener &list) { openApprovalFromList(list); });
    m_referralNotices->load();
    if (m_openChild)
        m_openChild(m_referralNotices);
    else
        m_referralNotices->show();
    return m_referralNotices;
}

frmReferralApproval *NoticeDesk::openApprovalFromList(const ReferralOpener &list)
{
    auto *approval = new frmReferralApproval(m_context(), m_dialogParent);
    approval->setAttribute(Qt::WA_DeleteOnClose);
    approval->load(&list, nullptr);
    approval->show();
    return approval;
}

void NoticeDesk::runReferralHistory()
{
    frmReferralHistory history(m_context(), m_dialogParent);
    ui::Messages::execDialog(history);
}

void NoticeDesk::runDischargeNotices()
{
    for (;;) {
        const ui::WorkContext context = m_context();
        QString idNum;
        {
            frmDischargeNotice list(context.connection, m_dialogParent);
            list.load();
            ui::Messages::execDialog(list);
            if (!list.Valid())
                return;
            idNum = list.IDNUM();
        }
        frmClearPatient clearance(context, m_dialogParent);
        clearance.load(idNum);
        ui::Messages::execDialog(clearance);
    }
}

} // namespace mss::notices
