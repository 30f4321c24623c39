#include "reports/reportdialogs.h"

#include "data/connection.h"
#include "data/format.h"
#include "data/quote.h"
#include "patients/frmemployeelisting.h"
#include "ui/commandguard.h"
#include "ui/messages.h"

#include <QComboBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace mss::reports {

namespace {

QDateEdit *datePicker(const QString &name, QWidget *parent)
{
    auto *picker = new QDateEdit(QDate::currentDate(), parent);
    picker->setObjectName(name);
    picker->setCalendarPopup(true);
    picker->setDisplayFormat(QStringLiteral("MM/dd/yyyy"));
    return picker;
}

QLabel *label(const QString &name, const QString &text, QWidget *parent)
{
    auto *l = new QLabel(text, parent);
    l->setObjectName(name);
    return l;
}

} // namespace

ReportDialog::ReportDialog(const QString &name, const QString &title, const QString &heading,
    const QString &startCaption, bool withEnd, bool centred, QWidget *parent)
    : QDialog(parent), m_centred(centred)
{
    setObjectName(name);
    setWindowTitle(title);
    setModal(true);
    m_values.CloseForm = false;

    Label3 = label(QStringLiteral("Label3"), heading, this);
    QFont bold = Label3->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.2);
    Label3->setFont(bold);
    // The title bar shows its caption whole, beside the window manager's buttons; the layout
    // keeps the width, so the window still grows with its fields.
    Label3->setMinimumWidth(fontMetrics().horizontalAdvance(title) + 140);

    Label1 = label(QStringLiteral("Label1"), startCaption, this);
    dtStart = datePicker(QStringLiteral("dtStart"), this);
    Label1->setBuddy(dtStart);

    m_grid = new QGridLayout;
    m_grid->addWidget(Label1, 0, 0);
    m_grid->addWidget(dtStart, 0, 1, 1, 2);
    if (withEnd) {
        Label2 = label(QStringLiteral("Label2"), QStringLiteral("End Date :"), this);
        dtEnd = datePicker(QStringLiteral("dtEnd"), this);
        Label2->setBuddy(dtEnd);
        m_grid->addWidget(Label2, 1, 0);
        m_grid->addWidget(dtEnd, 1, 1, 1, 2);
    }

    cmdEnter = new QPushButton(QStringLiteral("&Enter"), this);
    cmdEnter->setObjectName(QStringLiteral("cmdEnter"));
    cmdEnter->setDefault(true);
    cmdClose = new QPushButton(QStringLiteral("&Close"), this);
    cmdClose->setObjectName(QStringLiteral("cmdClose"));
    connect(cmdEnter, &QPushButton::clicked, this, [this] { enter(); });
    connect(cmdClose, &QPushButton::clicked, this, &ReportDialog::reject);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdEnter);
    buttons->addWidget(cmdClose);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(Label3);
    layout->addLayout(m_grid);
    layout->addStretch();
    layout->addLayout(buttons);
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

frmReportDate::frmReportDate(QWidget *parent)
    : ReportDialog(QStringLiteral("frmReportDate"), QStringLiteral("Generate Report"), QStringLiteral("Report Date"),
        QStringLiteral("Report Date :"), false, false, parent)
{
}

frmReportDateRange::frmReportDateRange(QWidget *parent)
    : ReportDialog(QStringLiteral("frmReportDateRange"), QStringLiteral("Report Date Entry"),
        QStringLiteral("Report Date"), QStringLiteral("Start Date :"), true, true, parent)
{
}

frmReportDate2::frmReportDate2(data::Connection *connection, QWidget *parent)
    : ReportDialog(QStringLiteral("frmReportDate2"), QStringLiteral("Report Date Entry"), QStringLiteral("Report Date"),
        QStringLiteral("Start Date :"), true, true, parent),
      m_connection(connection)
{
    lblmssw = label(QStringLiteral("lblmssw"), QStringLiteral(" MSSW"), this);
    txtMSSW = new QLineEdit(this);
    txtMSSW->setObjectName(QStringLiteral("txtMSSW"));
    txtMSSW->setReadOnly(true);
    cmdSearch = new QToolButton(this);
    cmdSearch->setObjectName(QStringLiteral("cmdSearch"));
    cmdSearch->setIcon(QIcon(QStringLiteral(":/icons/search.svg")));
    cmdSearch->setToolTip(QStringLiteral("Choose a social worker"));
    cmdSearch->setAutoRaise(true);
    m_grid->addWidget(lblmssw, 2, 0);
    m_grid->addWidget(txtMSSW, 2, 1);
    m_grid->addWidget(cmdSearch, 2, 2);
    connect(cmdSearch, &QToolButton::clicked, this,
        [this] { ui::runGuarded([this] { searchWorker(); }, { .title = windowTitle() }); });
    showWorkerRow(false);
}

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
    : ReportDialog(QStringLiteral("frmReportDateCategory"), QStringLiteral("Report "),
        QStringLiteral("Search NBB Report"), QStringLiteral("Start Date :"), true, true, parent)
{
    Label4 = label(QStringLiteral("Label4"), QStringLiteral("Category :"), this);
    cmbCategory = new QComboBox(this);
    cmbCategory->setObjectName(QStringLiteral("cmbCategory"));
    cmbCategory->setEditable(false);
    Label4->setBuddy(cmbCategory);
    m_grid->addWidget(Label4, 2, 0);
    m_grid->addWidget(cmbCategory, 2, 1, 1, 2);
    if (connection) {
        const data::Recordset rs = connection->open(QStringLiteral("select category from tbMssCaseCategory"),
            data::CursorType::ForwardOnly, data::LockType::ReadOnly);
        for (const QVariantList &row : rs.rows())
            cmbCategory->addItem(row.value(0).toString());
    }
}

void frmReportDateCategory::enter()
{
    m_values.category = cmbCategory->currentText();
    ReportDialog::enter();
}

} // namespace mss::reports
