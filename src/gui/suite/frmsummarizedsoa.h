#pragma once

#include "domain/billingstatement.h"

#include <QDialog>
#include <QString>

#include <memory>

class QLabel;
class QTableWidget;

namespace Ui {
class frmSummarizedSOA;
}

namespace mss::suite {

// The summarized statement window.
class frmSummarizedSOA final : public QDialog {
    Q_OBJECT

public:
    frmSummarizedSOA(const SummarizedStatement &statement, const QString &admissionNumber,
        const QString &hospitalNumber, const QString &userName, QWidget *parent = nullptr);
    ~frmSummarizedSOA() override;

    QTableWidget *grdStatement = nullptr;
    QLabel *lblBalance = nullptr;

private:
    void addRow(const QString &section, const QString &text, double amount, bool bold);

    std::unique_ptr<Ui::frmSummarizedSOA> m_ui;
};

// Shows a statement in its window until the user closes it.
void showSummarizedStatement(const SummarizedStatement &statement, const QString &admissionNumber,
    const QString &hospitalNumber, const QString &userName);

} // namespace mss::suite
