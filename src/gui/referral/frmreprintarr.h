#pragma once

#include "referral/arrprinting.h"

#include <QDialog>
#include <QPointer>

#include <memory>

class QLineEdit;
class QPushButton;
class QTableWidget;

namespace Ui {
class frmReprintARR;
}
namespace mss::data {
class Connection;
}
namespace mss::reports {
class ReportRunner;
}

namespace mss::referral {

// Finds stored assessment-and-referral records by a text and prints the one picked again. After
// printing it stays loaded, hidden, with its grid and choice, for the next reprint.
class frmReprintARR final : public QDialog {
    Q_OBJECT

public:
    explicit frmReprintARR(data::Connection &connection, QWidget *parent = nullptr);
    ~frmReprintARR() override;

    // Opening: the hospital number of the patient chosen in the patient list.
    void start(const QString &hospNum);
    // Enter in the search field.
    void search();
    // A click on a grid row chooses its record.
    void chooseRow(int row);
    // "    &Print": hides the window and asks its opener to print the chosen record.
    void print();

    bool printRequested() const { return m_printRequested; }
    void clearPrintRequest() { m_printRequested = false; }
    ArrReportValues chosen() const { return m_chosen; }

    QLineEdit *txtSearch = nullptr;
    QTableWidget *GridAssessment = nullptr;
    QPushButton *btnPrint = nullptr;
    QPushButton *btnClose = nullptr;

private:
    std::unique_ptr<Ui::frmReprintARR> m_ui;
    data::Connection &m_connection;
    ArrReportValues m_chosen;
    bool m_printRequested = false;
};

// "Re-Print ARR": prints the selected patient's record at once, or opens the reprint window
// (kept in `window` between uses) when no patient is selected.
void reprintArr(const QString &hospNum, const QString &idNum, data::Connection &connection,
    reports::ReportRunner &runner, QPointer<frmReprintARR> &window, QWidget *parent);

} // namespace mss::referral
