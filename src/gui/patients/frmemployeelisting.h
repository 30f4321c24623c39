#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;
class QToolButton;

namespace mss::data {
class Connection;
}

namespace mss::patients {

// The social-worker pick list: type part of a name, pick a worker; the caller then reads
// WorkerCode, which keeps the last choice across showings.
class frmEmployeeListing final : public QDialog {
    Q_OBJECT

public:
    explicit frmEmployeeListing(data::Connection *connection, QWidget *parent = nullptr);

    // The employee code of the last worker chosen in this program; empty until the first choice.
    static QString WorkerCode();
    static void resetWorkerCode(); // for a new session

    void search();
    // Chooses the grid's current row, as Select or a double click does.
    void choose();

    QLabel *Label3 = nullptr;
    QLineEdit *txtSearch = nullptr;
    QToolButton *btnSearch = nullptr;
    QTableWidget *GridListWorkers = nullptr;
    QLineEdit *txtRecCount = nullptr;
    QPushButton *cmdSelect = nullptr;
    QPushButton *cmdClose = nullptr;

private:
    void updateCount(int found);

    data::Connection *m_connection;
};

} // namespace mss::patients
