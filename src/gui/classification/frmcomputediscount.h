#pragma once

#include "domain/discountcomputation.h"

#include <QWidget>

#include <memory>

class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace Ui {
class frmComputeDiscount;
}
namespace mss::data {
class Connection;
}
namespace mss::patients {
struct PatientSelection;
}

namespace mss::classification {

// The discount on the selected admission's hospital bill, department by department: the stored
// computation when there is one, else a fresh one. The computation itself is DiscountComputation's;
// this window shows what it gives.
class frmComputeDiscount final : public QWidget {
    Q_OBJECT

public:
    explicit frmComputeDiscount(
        const patients::PatientSelection &selection, data::Connection *connection, QWidget *parent = nullptr);
    ~frmComputeDiscount() override;

    // Fills the header and shows the stored or a fresh computation. Raises what fails.
    void load();
    // "&Recompute": asks, then forgets the stored computation and computes anew.
    void recompute();
    // "Special Arrangement": shows the lower panel with the NC.
    void showSpecialArrangement();

    QLineEdit *txtPatientName = nullptr;
    QLineEdit *txtHospNum = nullptr;
    QLineEdit *txtIdNum = nullptr;
    QLineEdit *txtMSSnum = nullptr;
    QLineEdit *txtRoomID = nullptr;
    QLineEdit *txtCode = nullptr;
    QGroupBox *frameCovered = nullptr;
    QTableWidget *mshDiscount = nullptr;
    QLabel *lblTotal = nullptr;
    QLabel *lblMedicareTotal = nullptr;
    QLabel *lblTotalCovered = nullptr;
    QLabel *lblQFS = nullptr;
    QPushButton *cmdRecompute = nullptr;
    QPushButton *cmdExit = nullptr;
    QPushButton *cmdIsSpecial = nullptr;
    QFrame *fraSpecial = nullptr; // the lower panel
    QLineEdit *txtNC = nullptr;
    QLineEdit *txtQFSSpecial = nullptr;

signals:
    // The window has closed: its opener brings the patient list back.
    void closed();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void bindControls();
    // The totals stand under their grid columns, and the window is as wide as the grid.
    void sizeToGrid();
    data::Connection &connection() const;
    void compute(bool forgetStored);
    void showRows(const DiscountResult &result);
    void showTotals(const DiscountResult &result);

    std::unique_ptr<Ui::frmComputeDiscount> m_ui;
    const patients::PatientSelection &m_selection;
    data::Connection *m_connection;
    ClassRates m_rates;
    DiscountAssessment m_assessment;
};

} // namespace mss::classification
