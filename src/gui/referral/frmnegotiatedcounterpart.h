#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace mss::data {
class Connection;
}

namespace mss::referral {

class frmARR;

// The sponsor-fund allocations of the patient of an open assessment-and-referral window; a view only.
class frmNegotiatedCounterpart final : public QDialog {
    Q_OBJECT

public:
    // Takes the patient from the ARR window's fields as they stand.
    frmNegotiatedCounterpart(const frmARR &arr, data::Connection &connection, QWidget *parent = nullptr);

    // Reads the patient's allocations into the grid.
    void load();

    QLineEdit *txtName = nullptr;
    QLineEdit *txtHospNum = nullptr;
    QLineEdit *txtIDNum = nullptr;
    QLineEdit *txtMSSNumber = nullptr;
    QTableWidget *flgSponsorList = nullptr;
    QPushButton *cmdClose = nullptr;

private:
    data::Connection &m_connection;
};

} // namespace mss::referral
