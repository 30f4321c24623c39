#pragma once

#include "notices/referralopener.h"
#include "ui/workcontext.h"

#include <QDialog>

#include <memory>

class QLabel;
class QLineEdit;
class QPushButton;
class QTreeView;

namespace Ui {
class frmReferralHistory;
}

namespace mss::notices {

class NoticeListModel;

// Referrals from the medical team found by hospital number and name. Select closes the history
// and opens the chosen referral read-only in the approval window; the history stays Valid while
// that window is open.
class frmReferralHistory final : public QDialog, public ReferralOpener {
    Q_OBJECT
    Q_PROPERTY(QString IDNUM READ IDNUM)
    Q_PROPERTY(QString REFNUM READ REFNUM)
    Q_PROPERTY(bool Valid READ Valid)

public:
    explicit frmReferralHistory(ui::WorkContext context, QWidget *parent = nullptr);
    ~frmReferralHistory() override;

    QString IDNUM() const override { return m_idNum; }
    QString REFNUM() const override { return m_refNum; }
    bool Valid() const override { return m_valid; }

    // Reads the referrals matching the criteria (empty ones match all).
    void search(const QString &hospNum, const QString &lastName, const QString &firstName);
    void select();
    NoticeListModel *model() const { return m_model; }

    QLabel *lblHeading = nullptr;
    QLineEdit *txtHospNum = nullptr;
    QLineEdit *txtLastname = nullptr;
    QLineEdit *txtFirstname = nullptr;
    QPushButton *cmdSearch = nullptr;
    QTreeView *lvwRequest = nullptr;
    QPushButton *cmdSelect = nullptr;
    QPushButton *cmdClose = nullptr;

    static constexpr int kAdmissionColumn = 1;
    static constexpr int kRefnumColumn = 7;

private:
    void forget();

    std::unique_ptr<Ui::frmReferralHistory> m_ui;
    ui::WorkContext m_context;
    NoticeListModel *m_model;
    QString m_idNum;
    QString m_refNum;
    bool m_valid = false;
};

} // namespace mss::notices
