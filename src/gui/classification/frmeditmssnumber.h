#pragma once

#include <QDialog>

#include <memory>

class QLineEdit;
class QPushButton;

namespace Ui {
class frmEditMSSNumber;
}
namespace mss::data {
class Connection;
}
namespace mss::patients {
struct PatientSelection;
}

namespace mss::classification {

// Gives the selected patient a new MSS number. The database refuses an empty number, one too
// long and one another patient holds; the window says so and stays open.
class frmEditMSSNumber final : public QDialog {
    Q_OBJECT

public:
    explicit frmEditMSSNumber(
        const patients::PatientSelection &selection, data::Connection *connection, QWidget *parent = nullptr);
    ~frmEditMSSNumber() override;

    // "&Update". Raises what the database refuses.
    void update();

    QLineEdit *txtHospNo = nullptr;
    QLineEdit *txtName = nullptr;
    QLineEdit *txtMSSno = nullptr;
    QLineEdit *txtNewMSSNo = nullptr;
    QPushButton *cmdUpdate = nullptr;

private:
    std::unique_ptr<Ui::frmEditMSSNumber> m_ui;
    data::Connection *m_connection;
};

} // namespace mss::classification
