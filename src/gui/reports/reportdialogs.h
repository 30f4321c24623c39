#pragma once

#include <QDialog>
#include <QString>

#include <memory>

class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;

namespace Ui {
class frmReportDate;
class frmReportDateRange;
class frmReportDate2;
class frmReportDateCategory;
} // namespace Ui

namespace mss::data {
class Connection;
}

namespace mss::reports {

// What a report dialog hands back, read from the dialog after it closes. "&Close" leaves them as
// the last "&Enter" wrote them.
struct ReportDialogValues {
    QString startdate; // the system's short date form
    QString enddate;
    QString category;
    QString WorkerCode;
    bool CloseForm = false;
};

// The dates (and, for two of them, a worker or a category) a report asks for before it runs.
// "&Enter" keeps the dates and closes; "&Close" (and closing by the window frame, which users
// mean as the same thing) sets CloseForm and keeps the previous values.
class ReportDialog : public QDialog {
    Q_OBJECT
    Q_PROPERTY(QString startdate READ startdate)
    Q_PROPERTY(QString enddate READ enddate)
    Q_PROPERTY(bool CloseForm READ CloseForm)

public:
    const ReportDialogValues &values() const { return m_values; }
    QString startdate() const { return m_values.startdate; }
    QString enddate() const { return m_values.enddate; }
    bool CloseForm() const { return m_values.CloseForm; }

    QLabel *Label3 = nullptr;
    QLabel *Label1 = nullptr;
    QLabel *Label2 = nullptr;
    QDateEdit *dtStart = nullptr;
    QDateEdit *dtEnd = nullptr;
    QPushButton *cmdEnter = nullptr;
    QPushButton *cmdClose = nullptr;

    void reject() override;

protected:
    ReportDialog(bool centred, QWidget *parent);
    // Takes the controls every report dialog has, once the dialog's form is set up; `end` and
    // its label are null for a dialog of one date.
    void takeForm(QLabel *heading, QLabel *startLabel, QDateEdit *start, QLabel *endLabel, QDateEdit *end,
        QPushButton *enterButton, QPushButton *closeButton);
    void showEvent(QShowEvent *event) override;
    virtual void enter();
    ReportDialogValues m_values;

private:
    bool m_centred;
};

// One report date.
class frmReportDate final : public ReportDialog {
    Q_OBJECT

public:
    explicit frmReportDate(QWidget *parent = nullptr);
    ~frmReportDate() override;

private:
    std::unique_ptr<Ui::frmReportDate> m_ui;
};

// A range of dates.
class frmReportDateRange final : public ReportDialog {
    Q_OBJECT

public:
    explicit frmReportDateRange(QWidget *parent = nullptr);
    ~frmReportDateRange() override;

private:
    std::unique_ptr<Ui::frmReportDateRange> m_ui;
};

// A range of dates and, when the caller shows its row, a social worker.
class frmReportDate2 final : public ReportDialog {
    Q_OBJECT
    Q_PROPERTY(QString WorkerCode READ WorkerCode)

public:
    explicit frmReportDate2(data::Connection *connection, QWidget *parent = nullptr);
    ~frmReportDate2() override;
    QString WorkerCode() const { return m_values.WorkerCode; }

    // The worker row is hidden on every opening; callers that want a worker show it.
    void showWorkerRow(bool shown = true);
    // The pick list of social workers, then the chosen worker's name.
    void searchWorker();

    QLabel *lblmssw = nullptr;
    QLineEdit *txtMSSW = nullptr;
    QToolButton *cmdSearch = nullptr;

private:
    std::unique_ptr<Ui::frmReportDate2> m_ui;
    data::Connection *m_connection;
};

// A range of dates and a case category.
class frmReportDateCategory final : public ReportDialog {
    Q_OBJECT
    Q_PROPERTY(QString category READ category)

public:
    explicit frmReportDateCategory(data::Connection *connection, QWidget *parent = nullptr);
    ~frmReportDateCategory() override;
    QString category() const { return m_values.category; }

    QLabel *Label4 = nullptr;
    QComboBox *cmbCategory = nullptr;

protected:
    void enter() override;

private:
    std::unique_ptr<Ui::frmReportDateCategory> m_ui;
};

} // namespace mss::reports
