#pragma once

#include "notices/referralopener.h"
#include "ui/workcontext.h"

#include <QObject>
#include <QPointer>

#include <functional>

class QWidget;

namespace mss::notices {

class frmReferralApproval;
class frmReferralToMedicalTeam;

// Opens the notice windows for the main window and runs the ones that lead to each other: the
// discharge list and the clearance window take turns in one loop here, so clearing patient
// after patient never stacks one window's modal loop inside another's.
class NoticeDesk final : public QObject {
    Q_OBJECT

public:
    // The context is read each time a window opens (the user can change); openChild shows a
    // window inside the main window's work area.
    NoticeDesk(std::function<ui::WorkContext()> context, QWidget *dialogParent,
        std::function<void(QWidget *)> openChild, QObject *parent = nullptr);

    // The referral notice list, shown without waiting; an open one comes to the front.
    frmReferralToMedicalTeam *showReferralNotices();
    frmReferralToMedicalTeam *referralNotices() const;
    // The approval window on the referral the list names, shown without waiting.
    frmReferralApproval *openApprovalFromList(const ReferralOpener &list);
    // The history, modal; a referral chosen there opens read-only in the approval window.
    void runReferralHistory();
    // The discharge list, modal; each notice chosen opens its clearance window, and leaving that
    // brings back a freshly read list, until the list is closed.
    void runDischargeNotices();

private:
    std::function<ui::WorkContext()> m_context;
    QWidget *m_dialogParent;
    std::function<void(QWidget *)> m_openChild;
    QPointer<frmReferralToMedicalTeam> m_referralNotices;
};

} // namespace mss::notices
