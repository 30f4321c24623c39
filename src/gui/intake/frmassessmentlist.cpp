#include "intake/frmassessmentlist.h"

#include "data/format.h"
#include "data/recordset.h"
#include "data/values.h"
#include "ui/twips.h"
#include "ui_frmassessmentlist.h"

#include <QDateTime>
#include <QPushButton>
#include <QTableWidget>

namespace mss::intake {

frmAssessmentList::frmAssessmentList(QWidget *parent) : QDialog(parent), m_ui(std::make_unique<Ui::frmAssessmentList>())
{
    m_ui->setupUi(this);
    GridAssessment = m_ui->GridAssessment;
    cmdClose = m_ui->cmdClose;
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::accept);
    // The window is as wide as the grid's columns, whose widths are in twips.
    ui::setColumnWidthsInTwips(GridAssessment, { 100, 1050, 850, 1200, 1200, 1900, 3000, 1200 });
    int total = 0;
    for (int c = 0; c < GridAssessment->columnCount(); ++c)
        total += GridAssessment->columnWidth(c);
    resize(total + 60, 360);
}

frmAssessmentList::~frmAssessmentList() = default;

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
