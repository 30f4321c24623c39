#pragma once

#include <QDialog>

#include <memory>
#include <optional>

class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;
class QToolButton;

namespace Ui {
class frmEmployeeListing;
}
namespace mss::data {
class Connection;
}

namespace mss::patients {

// The social-worker pick list: type part of a name, pick a worker; the caller then reads
// WorkerCode. Closing without a choice hands back the worker the caller had before.
class frmEmployeeListing final : public QDialog {
    Q_OBJECT
    Q_PROPERTY(QString WorkerCode READ WorkerCode)

public:
    explicit frmEmployeeListing(
        data::Connection *connection, QWidget *parent = nullptr, const QString &previousWorkerCode = {});
    ~frmEmployeeListing() override;

    // The employee code of the worker chosen, or the caller's previous one when none was.
    QString WorkerCode() const { return m_workerCode; }

    // Shows the pick list modally. The chosen worker's code, or nothing when the list was closed
    // without a choice: a caller then leaves its worker as it was and looks nothing up.
    static std::optional<QString> pick(
        data::Connection *connection, QWidget *parent = nullptr, const QString &previousWorkerCode = {});

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

    std::unique_ptr<Ui::frmEmployeeListing> m_ui;
    data::Connection *m_connection;
    QString m_workerCode;
};

} // namespace mss::patients
