#pragma once

#include "domain/billingstatement.h"

#include <QDialog>
#include <QString>

class QLabel;
class QTableWidget;

namespace mss::suite {

// The summarized statement window.
class frmSummarizedSOA final : public QDialog {
    Q_OBJECT

public:
    frmSummarizedSOA(const SummarizedStatement &statement, const QString &admissionNumber,
        const QString &hospitalNumber, const QString &userName, QWidget *parent = nullptr);

    QTableWidget *grdStatement = nullptr;
    QLabel *lblBalance = nullptr;
};

// Shows a statement in its window until the user closes it.
void showSummarizedStatement(const SummarizedStatement &statement, const QString &admissionNumber,
    const QString &hospitalNumber, const QString &userName);

} // namespace mss::suite
