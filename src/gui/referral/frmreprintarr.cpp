#include "referral/frmreprintarr.h"

#include "data/connection.h"
#include "domain/arrrecord.h"
#include "ui/commandguard.h"
#include "ui/messages.h"
#include "ui/twips.h"
#include "ui_frmreprintarr.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>

namespace mss::referral {

namespace {
const QString kCaption = QStringLiteral("Assessment and Referal report");
}

frmReprintARR::frmReprintARR(data::Connection &connection, QWidget *parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::frmReprintARR>()), m_connection(connection)
{
    m_ui->setupUi(this);
    txtSearch = m_ui->txtSearch;
    GridAssessment = m_ui->GridAssessment;
    btnPrint = m_ui->btnPrint;
    btnClose = m_ui->btnClose;

    // Enter searches; the form keeps it from pressing a default button of the dialog.
    ui::connectGuarded(txtSearch, &QLineEdit::returnPressed, this, [this] { search(); });
    connect(GridAssessment, &QTableWidget::cellClicked, this, [this](int row, int) { chooseRow(row); });
    connect(GridAssessment, &QTableWidget::cellDoubleClicked, this, [this](int row, int) { chooseRow(row); });
    connect(btnPrint, &QPushButton::clicked, this, &frmReprintARR::print);
    connect(btnClose, &QPushButton::clicked, this, &QDialog::reject);
}

frmReprintARR::~frmReprintARR() = default;

void frmReprintARR::start(const QString &hospNum)
{
    m_chosen = {};
    m_chosen.HospNum = hospNum;
}

void frmReprintARR::search()
{
    const data::Recordset rs = ArrStore(m_connection).reprintRows(txtSearch->text().trimmed());
    if (rs.isEmpty())
        return;
    const QStringList heading = QStringLiteral(" | Hosp. Num | Adm.Num. | MSS Num. | Patient Name | Classification | "
                                               "Category | AssessDate | Remarks | User Name |LicenseNumber ")
                                    .split(QLatin1Char('|'));
    GridAssessment->clear();
    GridAssessment->setColumnCount(int(heading.size()));
    GridAssessment->setHorizontalHeaderLabels(heading);
    GridAssessment->setRowCount(rs.recordCount());
    for (int r = 0; r < rs.recordCount(); ++r) {
        const QVariantList &row = rs.rows()[r];
        for (int c = 0; c < row.size() && c + 1 < heading.size(); ++c)
            GridAssessment->setItem(r, c + 1, new QTableWidgetItem(data::variantText(row[c])));
    }
    ui::setColumnWidthsInTwips(GridAssessment, { 100, 1100, 1100, 1100, 2500, 1200, 2000, 2500, 2200, 3000, 0 });
}

void frmReprintARR::chooseRow(int row)
{
    auto cell = [this, row](int column) {
        const QTableWidgetItem *item = GridAssessment->item(row, column);
        return item ? item->text() : QString();
    };
    if (row < 0 || row >= GridAssessment->rowCount())
        return;
    m_chosen.HospNum = cell(1);
    m_chosen.IdNum = cell(2);
    m_chosen.UserName = cell(9);
    m_chosen.LicenseNo = cell(10);
}

void frmReprintARR::print()
{
    m_printRequested = true;
    accept(); // hides the window; its opener prints and keeps it
}

void reprintArr(const QString &hospNum, const QString &idNum, data::Connection &connection,
    reports::ReportRunner &runner, QPointer<frmReprintARR> &window, QWidget *parent)
{
    const QString hosp = hospNum.trimmed();
    if (hosp.isEmpty()) {
        if (!window) {
            window = new frmReprintARR(connection, parent);
            window->start(hosp);
        }
        window->clearPrintRequest();
        ui::Messages::execDialog(*window);
        if (!window->printRequested()) {
            // Closed rather than printed from: the next reprint starts afresh.
            delete window.data();
            return;
        }
        ArrReportValues values = window->chosen();
        values.HospNum = values.HospNum.trimmed();
        values.IdNum = values.IdNum.trimmed();
        printArr(runner, values, kCaption);
        return;
    }
    const data::Recordset rs = ArrStore(connection).reprintRows(hosp);
    ArrReportValues values { hosp, idNum.trimmed(), {}, {}, {} };
    if (!rs.isEmpty()) {
        values.UserName = rs.text(QStringLiteral("UserName"));
        values.LicenseNo = rs.text(QStringLiteral("lisencenumber"));
    }
    printArr(runner, values, kCaption);
}

} // namespace mss::referral
