#pragma once

#include <QDialog>
#include <QString>

#include <memory>

class QLineEdit;
class QPushButton;
class QTableWidget;

namespace Ui {
class frmNegotiatedCounterpart;
}
namespace mss::data {
class Connection;
}

namespace mss::referral {

// The patient whose allocations are shown, as the assessment-and-referral window shows it.
struct AllocationPatient {
    QString HospNum;
    QString IdNum;
    QString FirstName;
    QString LastName;
    QString MSSNum;
};

// The sponsor-fund allocations of the patient of an open assessment-and-referral window; a view only.
class frmNegotiatedCounterpart final : public QDialog {
    Q_OBJECT

public:
    frmNegotiatedCounterpart(const AllocationPatient &patient, data::Connection &connection, QWidget *parent = nullptr);
    ~frmNegotiatedCounterpart() override;

    // Reads the patient's allocations into the grid.
    void load();

    QLineEdit *txtName = nullptr;
    QLineEdit *txtHospNum = nullptr;
    QLineEdit *txtIDNum = nullptr;
    QLineEdit *txtMSSNumber = nullptr;
    QTableWidget *flgSponsorList = nullptr;
    QPushButton *cmdClose = nullptr;

private:
    std::unique_ptr<Ui::frmNegotiatedCounterpart> m_ui;
    data::Connection &m_connection;
};

} // namespace mss::referral
