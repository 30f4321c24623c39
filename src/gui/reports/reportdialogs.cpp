#include "reports/reportdialogs.h"

#include "data/connection.h"
#include "data/format.h"
#include "data/quote.h"
#include "patients/frmemployeelisting.h"
#include "ui/commandguard.h"
#include "ui/messages.h"
#include "ui_frmreportdate.h"
#include "ui_frmreportdate2.h"
#include "ui_frmreportdatecategory.h"
#include "ui_frmreportdaterange.h"

#include <QComboBox>
#include <QDateEdit>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QToolButton>

#include <algorithm>

namespace mss::reports {

ReportDialog::ReportDialog(bool centred, QWidget *parent) : QDialog(parent), m_centred(centred)
{
    m_values.CloseForm = false;
}

void ReportDialog::takeForm(QLabel *heading, QLabel *startLabel, QDateEdit *start, QLabel *endLabel, QDateEdit *end,
    QPushButton *enterButton, QPushButton *closeButton)
{
    Label3 = heading;
    Label1 = startLabel;
    dtStart = start;
    Label2 = endLabel;
    dtEnd = end;
    cmdEnter = enterButton;
    cmdClose = closeButton;
    QFont bold = Label3->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.2);
    Label3->setFont(bold);
    // The title bar shows its caption whole, beside the window manager's buttons; the layout
    // keeps the width, so the window still grows with its fields.
    Label3->setMinimumWidth(fontMetrics().horizontalAdvance(windowTitle()) + 140);
    for (QDateEdit *picker : { dtStart, dtEnd })
        if (picker)
            picker->setDate(QDate::currentDate());
    connect(cmdEnter, &QPushButton::clicked, this, [this] { enter(); });
    connect(cmdClose, &QPushButton::clicked, this, &ReportDialog::reject);
}

void ReportDialog::reject()
{
    m_values.CloseForm = true;
    QDialog::reject();
}

void ReportDialog::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!m_centred)
        return;
    if (const QScreen *screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.left() + (area.width() - frameGeometry().width()) / 2,
            area.top() + (area.height() - frameGeometry().height()) / 2);
    }
}

void ReportDialog::enter()
{
    m_values.startdate = data::shortDate(dtStart->date());
    if (dtEnd)
        m_values.enddate = data::shortDate(dtEnd->date());
    accept();
}

frmReportDate::frmReportDate(QWidget *parent) : ReportDialog(false, parent), m_ui(std::make_unique<Ui::frmReportDate>())
{
    m_ui->setupUi(this);
    takeForm(m_ui->Label3, m_ui->Label1, m_ui->dtStart, nullptr, nullptr, m_ui->cmdEnter, m_ui->cmdClose);
}

frmReportDate::~frmReportDate() = default;

frmReportDateRange::frmReportDateRange(QWidget *parent)
    : ReportDialog(true, parent), m_ui(std::make_unique<Ui::frmReportDateRange>())
{
    m_ui->setupUi(this);
    takeForm(m_ui->Label3, m_ui->Label1, m_ui->dtStart, m_ui->Label2, m_ui->dtEnd, m_ui->cmdEnter, m_ui->cmdClose);
}

frmReportDateRange::~frmReportDateRange() = default;

frmReportDate2::frmReportDate2(data::Connection *connection, QWidget *parent)
    : ReportDialog(true, parent), m_ui(std::make_unique<Ui::frmReportDate2>()), m_connection(connection)
{
    m_ui->setupUi(this);
    takeForm(m_ui->Label3, m_ui->Label1, m_ui->dtStart, m_ui->Label2, m_ui->dtEnd, m_ui->cmdEnter, m_ui->cmdClose);
    lblmssw = m_ui->lblmssw;
    txtMSSW = m_ui->txtMSSW;
    cmdSearch = m_ui->cmdSearch;
    connect(cmdSearch, &QToolButton::clicked, this,
        [this] { ui::runGuarded([this] { searchWorker(); }, { .title = windowTitle() }); });
    showWorkerRow(false);
}

frmReportDate2::~frmReportDate2() = default;

void frmReportDate2::showWorkerRow(bool shown)
{
    lblmssw->setVisible(shown);
    txtMSSW->setVisible(shown);
    cmdSearch->setVisible(shown);
}

void frmReportDate2::searchWorker()
{
    const std::optional<QString> chosen = patients::frmEmployeeListing::pick(m_connection, this, m_values.WorkerCode);
    if (!chosen)
        return; // closed without a choice: the worker stays as it was
    if (!m_connection) {
        m_values.WorkerCode = *chosen;
        return;
    }
    data::Recordset rs
        = m_connection->open(QStringLiteral("MSS..sp_MSS_GetEmployeeName '") + data::q(*chosen) + QStringLiteral("'"),
            data::CursorType::ForwardOnly, data::LockType::ReadOnly);
    if (rs.eof())
        ui::Messages::show(QStringLiteral("Employee No Longer Exists."), QStringLiteral("MESSAGE"),
            QMessageBox::Warning, QMessageBox::Ok, this);
    else {
        // The worker the report runs for is the worker shown. A long name shows from its start,
        // and the box grows to hold it.
        m_values.WorkerCode = *chosen;
        const QString name = rs.text(QStringLiteral("EmployeeName"));
        txtMSSW->setText(name);
        txtMSSW->setCursorPosition(0);
        txtMSSW->setToolTip(name);
        txtMSSW->setMinimumWidth(std::min(txtMSSW->fontMetrics().horizontalAdvance(name) + 16,
            screen() ? screen()->availableSize().width() / 2 : 600));
    }
}

frmReportDateCategory::frmReportDateCategory(data::Connection *connection, QWidget *parent)
    : ReportDialog(true, parent), m_ui(std::make_unique<Ui::frmReportDateCategory>())
{
    m_ui->setupUi(this);
    takeForm(m_ui->Label3, m_ui->Label1, m_ui->dtStart, m_ui->Label2, m_ui->dtEnd, m_ui->cmdEnter, m_ui->cmdClose);
    Label4 = m_ui->Label4;
    cmbCategory = m_ui->cmbCategory;
    if (connection) {
        const data::Recordset rs = connection->open(QStringLiteral("select category from tbMssCaseCategory"),
            data::CursorType::ForwardOnly, data::LockType::ReadOnly);
        for (const QVariantList &row : rs.rows())
            cmbCategory->addItem(row.value(0).toString());
    }
}

frmReportDateCategory::~frmReportDateCategory() = default;

void frmReportDateCategory::enter()
{
    m_values.category = cmbCategory->currentText();
    ReportDialog::enter();
}

} // namespace mss::reports
