#pragma once

#include <QDialog>

#include <memory>

class QPushButton;
class QTableWidget;

namespace Ui {
class frmAssessmentList;
}
namespace mss::data {
class Recordset;
}

namespace mss::intake {

// A patient's previous assessments, handed over by the window that read them.
class frmAssessmentList final : public QDialog {
    Q_OBJECT

public:
    explicit frmAssessmentList(QWidget *parent = nullptr);
    ~frmAssessmentList() override;

    // Shows the rows as given, in the order given, from the second column on.
    void setRows(const data::Recordset &rows);

    QTableWidget *GridAssessment = nullptr;
    QPushButton *cmdClose = nullptr;

private:
    std::unique_ptr<Ui::frmAssessmentList> m_ui;
};

} // namespace mss::intake
