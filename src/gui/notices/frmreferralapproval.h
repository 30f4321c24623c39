#pragma once

#include "domain/referralrecord.h"
#include "notices/referralopener.h"
#include "ui/workcontext.h"

#include <QDialog>

#include <memory>

class QButtonGroup;
class QCheckBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;

namespace Ui {
class frmReferralApproval;
}

namespace mss::notices {

// One referral from the medical team, tagged by the social worker: include to bill, for
// justification, cash basis, or left pending. Opened from the notice list it is ready for
// editing; opened from the history it is read-only until EDIT.
class frmReferralApproval final : public QDialog {
    Q_OBJECT

public:
    explicit frmReferralApproval(ui::WorkContext context, QWidget *parent = nullptr);
    ~frmReferralApproval() override;

    // Takes the referral from the notice list when it is Valid, otherwise from the history when
    // that is; the numbers are copied now, so the opener may forget them as soon as this returns.
    void load(const ReferralOpener *noticeList, const ReferralOpener *history);
    void setEditing(bool editing);
    void save();

    // The referral this window shows; empty when none was found.
    QString admissionNumber() const { return m_idNum; }
    QString referralNumber() const { return m_refNum; }

    QLabel *lblHeading = nullptr;
    QLineEdit *txtFullName = nullptr;
    QLineEdit *txtHospNo = nullptr;
    QLineEdit *txtAdmNo = nullptr;
    QLineEdit *txtDiagnosis = nullptr;
    QLineEdit *txtCategory = nullptr;
    QCheckBox *chkTick1 = nullptr;
    QCheckBox *chkTick2 = nullptr;
    QCheckBox *chktick3 = nullptr;
    QCheckBox *chktick4 = nullptr;
    QCheckBox *chktick5 = nullptr;
    QLineEdit *txtOtherReason = nullptr;
    QPlainTextEdit *txtRemarks = nullptr;
    QRadioButton *OptApproved = nullptr;
    QRadioButton *OptDeny = nullptr;
    QRadioButton *OptCash = nullptr;
    QDateEdit *dtSchedDate = nullptr;
    QPushButton *cmdSave = nullptr;
    QPushButton *cmdEdit = nullptr;
    QPushButton *cmdCancel = nullptr;

private:
    void bindControls();
    void fill(const ReferralRecord &referral);
    QString chosenState() const;

    std::unique_ptr<Ui::frmReferralApproval> m_ui;
    ui::WorkContext m_context;
    QButtonGroup *m_states;
    QString m_idNum;
    QString m_refNum;
    // Kept from the referral as loaded: the save refuses a discharged patient's and sends the number.
    bool m_discharged = false;
    QString m_referralNo;
};

} // namespace mss::notices
