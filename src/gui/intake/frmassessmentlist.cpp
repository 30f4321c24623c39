#include "intake/frmassessmentlist.h"

#include "data/format.h"
#include "data/recordset.h"
#include "data/values.h"
#include "ui/twips.h"

#include <QDateTime>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace mss::intake {

frmAssessmentList::frmAssessmentList(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmAssessmentList"));
    setWindowTitle(QStringLiteral("VMC: Medical Social Service"));

    auto *frame = new QGroupBox(QStringLiteral("List of Previous Assessment"), this);
    GridAssessment = new QTableWidget(0, 8, frame);
    GridAssessment->setObjectName(QStringLiteral("GridAssessment"));
    // " | Adm. Num. | Code | Classification | Category | AssessDate | Remarks | ExpiryDate  "
    GridAssessment->setHorizontalHeaderLabels({ QStringLiteral(" "), QStringLiteral("Adm. Num."),
        QStringLiteral("Code"), QStringLiteral("Classification"), QStringLiteral("Category"),
        QStringLiteral("AssessDate"), QStringLiteral("Remarks"), QStringLiteral("ExpiryDate  ") });
    ui::setColumnWidthsInTwips(GridAssessment, { 100, 1050, 850, 1200, 1200, 1900, 3000, 1200 });
    int total = 0;
    for (int c = 0; c < 8; ++c)
        total += GridAssessment->columnWidth(c);
    GridAssessment->verticalHeader()->hide();
    GridAssessment->setEditTriggers(QAbstractItemView::NoEditTriggers);
    GridAssessment->setSelectionBehavior(QAbstractItemView::SelectRows);
    GridAssessment->setWordWrap(false);
    auto *frameLayout = new QVBoxLayout(frame);
    frameLayout->addWidget(GridAssessment);

    cmdClose = new QPushButton(QStringLiteral("&Close"), this);
    cmdClose->setObjectName(QStringLiteral("cmdClose"));
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::accept);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdClose);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(frame, 1);
    layout->addLayout(buttons);
    resize(total + 60, 360);
}

namespace {
constexpr int kAssessDateColumn = 5;
constexpr int kExpiryDateColumn = 7;
} // namespace

void frmAssessmentList::setRows(const data::Recordset &rows)
{
    GridAssessment->setRowCount(rows.recordCount());
    for (int r = 0; r < rows.recordCount(); ++r) {
        const QVariantList &row = rows.rows()[r];
        for (int c = 0; c < row.size() && c + 1 < GridAssessment->columnCount(); ++c) {
            // The assessment and expiry dates read as the program's dates, not as stored.
            const bool dateColumn = c + 1 == kAssessDateColumn || c + 1 == kExpiryDateColumn;
            const std::optional<QDateTime> when = dateColumn ? data::dateTimeOf(row[c]) : std::nullopt;
            GridAssessment->setItem(
                r, c + 1, new QTableWidgetItem(when ? data::formatMMDDYYYY(when->date()) : data::variantText(row[c])));
        }
    }
}

} // namespace mss::intake
