#pragma once

#include "notices/referralopener.h"

#include <QWidget>

#include <functional>
#include <memory>

class QLabel;
class QPushButton;
class QTreeView;

namespace Ui {
class frmReferralToMedicalTeam;
}
namespace mss::data {
class Connection;
}

namespace mss::notices {

class NoticeListModel;

// The referrals from the medical team: every notice the database offers with its state. Select
// opens the approval window on one of them, without waiting for it, and this list closes.
class frmReferralToMedicalTeam final : public QWidget, public ReferralOpener {
    Q_OBJECT
    Q_PROPERTY(QString IDNUM READ IDNUM)
    Q_PROPERTY(QString REFNUM READ REFNUM)
    Q_PROPERTY(bool Valid READ Valid)

public:
    // Opens the approval window on the referral this list names while it is Valid.
    using OpenApproval = std::function<void(const ReferralOpener &)>;

    frmReferralToMedicalTeam(data::Connection *connection, OpenApproval openApproval, QWidget *parent = nullptr);
    ~frmReferralToMedicalTeam() override;

    QString IDNUM() const override { return m_idNum; }
    QString REFNUM() const override { return m_refNum; }
    bool Valid() const override { return m_valid; }

    // Reads the notices; the list is not read again while it is open.
    void load();
    void select();
    NoticeListModel *model() const { return m_model; }
    // The size it opens with inside the main window's work area.
    QSize sizeHint() const override { return { 900, 460 }; }

    QLabel *lblHeading = nullptr;
    QTreeView *lvwRequest = nullptr;
    QPushButton *cmdSelect = nullptr;
    QPushButton *cmdClose = nullptr;

    // Column positions of lvwRequest.
    static constexpr int kAdmissionColumn = 1;
    static constexpr int kReferralNoColumn = 5;

private:
    std::unique_ptr<Ui::frmReferralToMedicalTeam> m_ui;
    data::Connection *m_connection;
    OpenApproval m_openApproval;
    NoticeListModel *m_model;
    QString m_idNum;
    QString m_refNum;
    bool m_valid = false;
};

} // namespace mss::notices
