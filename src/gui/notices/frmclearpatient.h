#pragma once

#include "ui/workcontext.h"

#include <QDialog>

#include <memory>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace Ui {
class frmClearPatient;
}

namespace mss::notices {

// The clearance of one discharge notice: the admission, the notice, the patient's MSS data and
// the clearing. A notice already cleared opens read-only.
class frmClearPatient final : public QDialog {
    Q_OBJECT

public:
    explicit frmClearPatient(ui::WorkContext context, QWidget *parent = nullptr);
    ~frmClearPatient() override;

    // Reads the notice of the admission; without one the notice fields stay empty.
    void load(const QString &idNum);
    void save();

    QLabel *lblHeading = nullptr;
    QLineEdit *txtHospNo = nullptr;
    QLineEdit *txtAdmNo = nullptr;
    QLineEdit *txtAdmDate = nullptr;
    QLineEdit *txtRoomNo = nullptr;
    QLineEdit *txtDoctor = nullptr;
    QLineEdit *txtSname = nullptr;
    QLineEdit *txtFname = nullptr;
    QLineEdit *txtMname = nullptr;
    QLineEdit *txtNoticeDate = nullptr;
    QLineEdit *txtOrderDate = nullptr;
    QLineEdit *txtDischargeNurse = nullptr;
    QPlainTextEdit *txtRemarks = nullptr;
    QLineEdit *txtClearDate = nullptr;
    QLineEdit *txtClearedBy = nullptr;
    QPlainTextEdit *txtClearRemarks = nullptr;
    QLineEdit *txtMSSNum = nullptr;
    QLabel *lblClassification = nullptr;
    QLineEdit *txtCategory = nullptr;
    QLineEdit *txtOtherInfo = nullptr;
    QPushButton *cmdSave = nullptr;
    QPushButton *cmdIgnore = nullptr;

private:
    void loadNotice(const QString &idNum);
    void loadMssData();
    void bindControls();

    std::unique_ptr<Ui::frmClearPatient> m_ui;
    ui::WorkContext m_context;
};

} // namespace mss::notices
