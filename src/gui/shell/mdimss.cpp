#include "shell/mdimss.h"

#include "auth/currentuser.h"
#include "classification/frmcomputediscount.h"
#include "classification/frmeditclass.h"
#include "classification/frmeditmssnumber.h"
#include "help/helpdesk.h"
#include "intake/frmintakesurveysheet.h"
#include "notices/noticedesk.h"
#include "patients/frmlistpatient.h"
#include "referral/frmarr.h"
#include "referral/frmreprintarr.h"
#include "reports/frmreportviewer.h"
#include "reports/reportcatalogue.h"
#include "reports/reportrunner.h"
#include "session/sessionstate.h"
#include "shell/mainwindowfactory.h"
#include "shell/noticemonitor.h"
#include "shell/startup.h"
#include "ui/childwindow.h"
#include "ui/commandguard.h"
#include "ui/messages.h"
#include "ui/windowgeometry.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

namespace mss::shell {

QMainWindow *createMainWindow()
{
    return new mdiMSS;
}

QString mdiMSS::userPanelText(const QString &employeeCode, const QString &employeeName)
{
    return QStringLiteral("CurrentUser Name: ") + QStringLiteral(" (") + employeeCode + QStringLiteral(")  ")
        + employeeName;
}

mdiMSS::mdiMSS(QWidget *parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("mdiMSS"));
    setWindowTitle(QStringLiteral("Medical Social Service"));
    setWindowIcon(QIcon(QStringLiteral(":/icons/listing.svg")));
    setAttribute(Qt::WA_DeleteOnClose);

    mdiArea = new QMdiArea(this);
    mdiArea->setObjectName(QStringLiteral("mdiArea"));
    QLinearGradient background(0, 0, 0, 900);
    background.setColorAt(0, QColor(0xf4, 0xf7, 0xfb));
    background.setColorAt(1, QColor(0xd9, 0xe3, 0xee));
    mdiArea->setBackground(QBrush(background));
    setCentralWidget(mdiArea);

    m_notices = new notices::NoticeDesk(
        &sessionWorkContext, this, [this](QWidget *window) { openChild(window); }, this);

    m_help = new help::HelpDesk(this);
    buildMenus();
    buildToolBar();
    // Back where the user left it; the first time, the whole work area of the screen.
    if (const suite::clsCurrentUser *user = Session().CurrentUser.get())
        ui::setWindowUser(this, user->employeecode());
    if (ui::rememberGeometry(this, objectName()))
        setProperty("sized", true);

    pnlCurrentUser = new QLabel(this);
    pnlCurrentUser->setObjectName(QStringLiteral("CurrentUser"));
    pnlCurrentUser->setToolTip(QStringLiteral("User logged on"));
    pnlCurrentDateTime = new QLabel(this);
    pnlCurrentDateTime->setObjectName(QStringLiteral("CurrentDateTime"));
    pnlCurrentDateTime->setToolTip(QStringLiteral("Current Date Time Values"));
    auto *clockIcon = new QLabel(this);
    clockIcon->setPixmap(QIcon(QStringLiteral(":/icons/clock.svg")).pixmap(16, 16));
    statusBar()->setObjectName(QStringLiteral("StatusBar1"));
    statusBar()->addWidget(pnlCurrentUser, 1);
    statusBar()->addPermanentWidget(clockIcon);
    statusBar()->addPermanentWidget(pnlCurrentDateTime);

    const suite::clsCurrentUser *user = Session().CurrentUser.get();
    pnlCurrentUser->setText(
        userPanelText(user ? user->employeecode() : QString(), user ? user->EmployeeName() : QString()));

    m_monitor = new NoticeMonitor(
        pnlCurrentDateTime, btnReferralNotice, [] { return Session().SharedConnection; }, this);
    connect(m_monitor, &NoticeMonitor::pollFailed, this, [this](const QString &message) {
        statusBar()->showMessage(QStringLiteral("Referral notices cannot be checked: ") + message, 20000);
    });
    m_monitor->start();

    // Report viewers open inside this window, like every other window of the program.
    m_reports = new reports::ReportRunner(this);
    m_reports->setViewerHost([this](reports::frmReportViewer *viewer) {
        openChild(viewer, [this](QMdiSubWindow *frame) { frame->resize(mdiArea->size() * 0.9); });
    });
}

mdiMSS::~mdiMSS() = default;

QAction *mdiMSS::addItem(QMenu *menu, const QString &name, const QString &caption)
{
    QAction *action = menu->addAction(caption);
    action->setObjectName(name);
    m_actions.insert(name, action);
    return action;
}

QMenu *mdiMSS::addMenu(QMenu *parent, const QString &name, const QString &caption)
{
    QMenu *menu = parent ? parent->addMenu(caption) : menuBar()->addMenu(caption);
    menu->setObjectName(name);
    menu->menuAction()->setObjectName(name);
    m_menus.insert(name, menu);
    m_actions.insert(name, menu->menuAction());
    return menu;
}

namespace {

// The menu bar's menus, their submenus, items and separators, in the order they appear. A menu
// comes before its own entries, so that each parent is built by the time its entries are.
struct MenuEntry {
    enum Kind { Menu, Item, Separator };
    Kind kind;
    const char *parent; // nullptr: the menu bar
    const char *name;
    const char *caption; // nullptr for a separator
};

constexpr MenuEntry kMenuEntries[] = {
    { MenuEntry::Menu, nullptr, "mnuFile", "&File" },
    { MenuEntry::Item, "mnuFile", "mnuIntakeSheet", "Intake Sheet Entry" },
    { MenuEntry::Item, "mnuFile", "mnuARR", "Assessment and Referal" },
    { MenuEntry::Item, "mnuFile", "mnuEditPatClass", "Edit Patient Classification" },
    { MenuEntry::Menu, nullptr, "mnuViewing", "&Viewing" },
    { MenuEntry::Item, "mnuViewing", "mnuComputeDiscount", "View Computation of Discount" },
    { MenuEntry::Menu, "mnuViewing", "mnuPatientCharges", "View Patient Charges" },
    { MenuEntry::Item, "mnuPatientCharges", "mnuViewPatientBill", "Detailed SOA" },
    { MenuEntry::Item, "mnuPatientCharges", "mnuSummarizedSOA", "Summarized SOA" },
    { MenuEntry::Item, "mnuViewing", "mnuDischargeNotice", "View Discharge Notice" },
    { MenuEntry::Item, "mnuViewing", "mnuReferral", "View Referral From Medical Team History" },
    { MenuEntry::Item, "mnuViewing", "mnuViewPatientDatasheet", "Patient Datasheet" },
    { MenuEntry::Menu, nullptr, "mnuFileMaintenance", "File &Maintenance" },
    { MenuEntry::Item, "mnuFileMaintenance", "mnuRePrintIntake", "Re-Print Intake Sheet" },
    { MenuEntry::Item, "mnuFileMaintenance", "mnuRePrintARR", "Re-Print ARR" },
    { MenuEntry::Item, "mnuFileMaintenance", "mnuEditMSSNo", "Edit MSS Number" },
    { MenuEntry::Item, "mnuFileMaintenance", "mnuContractSlip", "Contract/Responsibility Slip" },
    { MenuEntry::Menu, nullptr, "mnuReports", "&Reports" },
    { MenuEntry::Item, "mnuReports", "mnuListGrantees", "View List of Grantees" },
    { MenuEntry::Item, "mnuReports", "mnuAssessment", "List of Assessments" },
    { MenuEntry::Item, "mnuReports", "mnuTransaction", "ARR Transaction Report" },
    { MenuEntry::Separator, "mnuReports", "mnuSeparator1", nullptr },
    { MenuEntry::Item, "mnuReports", "mnuListAdmissions", "Daily Admission List" },
    { MenuEntry::Item, "mnuReports", "mnuListDischarges", "Daily Discharge List" },
    { MenuEntry::Item, "mnuReports", "mnuCensus", "Admission Census" },
    { MenuEntry::Item, "mnuReports", "mnuDailyERCensus", "ER Census" },
    { MenuEntry::Item, "mnuReports", "mnuERAdmission", "Daily ER Admission" },
    { MenuEntry::Item, "mnuReports", "mnuDischarges", "Daily ER Discharges" },
    { MenuEntry::Separator, "mnuReports", "mnuSeparator2", nullptr },
    { MenuEntry::Item, "mnuReports", "mnuAdmCensusService", "Admission Census (Service Only)" },
    { MenuEntry::Item, "mnuReports", "mnuERCensusService", "ER Census (Service Only)" },
    { MenuEntry::Separator, "mnuReports", "mnuSeparator", nullptr },
    { MenuEntry::Item, "mnuReports", "mnuDischargeNoticeReport", "Discharge Notice Monitoring" },
    { MenuEntry::Item, "mnuReports", "mnuDischargeNoticeRevoked", "Revoked Discharge Notice" },
    { MenuEntry::Separator, "mnuReports", "mnuSeparator3", nullptr },
    { MenuEntry::Menu, "mnuReports", "mnuServiceIncomeReport", "Service Income Report" },
    { MenuEntry::Item, "mnuServiceIncomeReport", "mnuServiceIncomeReportInpatient", "In-Patient" },
    { MenuEntry::Item, "mnuServiceIncomeReport", "mnuServiceIncomeReportOutpatient", "Out-Patient" },
    { MenuEntry::Item, "mnuServiceIncomeReport", "mnuServiceIncomeReportERPatient", "ER-Patient" },
    { MenuEntry::Menu, "mnuReports", "mnuQCreport", "QC Residents Report" },
    { MenuEntry::Item, "mnuQCreport", "mnuQCIPD", "In-Patient" },
    { MenuEntry::Item, "mnuQCreport", "mnuQCOPD", "Out-Patient" },
    { MenuEntry::Item, "mnuQCreport", "mnuQCER", "ER-Patient" },
    { MenuEntry::Menu, "mnuReports", "mnuERReports", "ER Reports (From ER Module)" },
    { MenuEntry::Item, "mnuERReports", "mnuERCensus", "ER Admission Range" },
    { MenuEntry::Item, "mnuERReports", "mnuERDischarges", "ER Discharges" },
    { MenuEntry::Item, "mnuReports", "mnuMonthlyPerformanceReport", "Monthly Performance Report" },
    { MenuEntry::Menu, "mnuReports", "mnuPatientUnpaid", "Patients With Unpaid Bills/Refund" },
    { MenuEntry::Item, "mnuPatientUnpaid", "mnuPatientUnpaid_IPD", "In Patients" },
    { MenuEntry::Item, "mnuPatientUnpaid", "mnuPatientUnpaid_OPD", "Out Patients" },
    { MenuEntry::Item, "mnuPatientUnpaid", "mnuPatientUnpaid_ER", "ER Patients" },
    { MenuEntry::Menu, "mnuReports", "mnuIncome", "Service Income Report Grouped by Service" },
    { MenuEntry::Item, "mnuIncome", "mnuIn", "In Patients" },
    { MenuEntry::Item, "mnuIncome", "mnuOut", "Out Patients" },
    { MenuEntry::Item, "mnuIncome", "mnuER", "ER Patients" },
    { MenuEntry::Item, "mnuReports", "mnuactivity", "Activity Comparison Table" },
    { MenuEntry::Item, "mnuReports", "mnuNBB", "NBB Report" },
};

} // namespace

void mdiMSS::buildMenus()
{
    for (const MenuEntry &entry : kMenuEntries) {
        QMenu *parent = entry.parent ? m_menus.value(QLatin1String(entry.parent)) : nullptr;
        Q_ASSERT(parent || (!entry.parent && entry.kind == MenuEntry::Menu));
        const QString name = QLatin1String(entry.name);
        switch (entry.kind) {
        case MenuEntry::Menu:
            addMenu(parent, name, QString::fromUtf8(entry.caption));
            break;
        case MenuEntry::Item:
            addItem(parent, name, QString::fromUtf8(entry.caption));
            break;
        case MenuEntry::Separator:
            parent->addSeparator()->setObjectName(name);
            break;
        }
    }

    wire(QStringLiteral("mnuIntakeSheet"), [this] { showIntakeSheet(); });
    wire(QStringLiteral("mnuARR"), [this] { showArr(); });
    wire(QStringLiteral("mnuRePrintARR"), [this] { reprintArr(); });
    wire(QStringLiteral("mnuDischargeNotice"), [this] { m_notices->runDischargeNotices(); });
    wire(QStringLiteral("mnuReferral"), [this] { m_notices->runReferralHistory(); });
    wire(QStringLiteral("mnuEditPatClass"), [this] {
        classification::frmEditClass window(m_selection, Session().SharedConnection, Session().CurrentUser.get(), this);
        window.load();
        ui::Messages::execDialog(window);
    });
    wire(QStringLiteral("mnuEditMSSNo"), [this] {
        classification::frmEditMSSNumber window(m_selection, Session().SharedConnection, this);
        ui::Messages::execDialog(window);
    });
    wire(QStringLiteral("mnuComputeDiscount"), [this] { showComputeDiscount(); });

    // The report items run through the catalogue.
    for (const QString &name : reports::catalogueItems()) {
        if (m_actions.contains(name))
            wire(name, [this, name] { reports::runCatalogueItem(name, m_selection, *m_reports, this); });
    }

    // Items whose windows are not built yet are shown but cannot be chosen; menus and submenus
    // stay open so that what is coming can be seen.
    for (auto it = m_actions.cbegin(); it != m_actions.cend(); ++it) {
        if (!m_menus.contains(it.key()) && !m_wired.contains(it.key()))
            it.value()->setEnabled(false);
    }
    updateDatasheetItem();
    buildWindowMenu();
    buildHelpMenu();
}

void mdiMSS::buildHelpMenu()
{
    QMenu *menu = addMenu(nullptr, QStringLiteral("mnuHelp"), QStringLiteral("&Help"));
    QAction *contents = addItem(menu, QStringLiteral("mnuHelpContents"), QStringLiteral("&Contents"));
    contents->setShortcut(QKeySequence(Qt::Key_F1)); // shown beside the item; F1 itself is the help desk's
    contents->setShortcutContext(Qt::WidgetShortcut);
    connect(contents, &QAction::triggered, this, [this] {
        m_help->showTopic({ help::contentsPage(), QString() }, this);
    });
    connect(addItem(menu, QStringLiteral("mnuAbout"), QStringLiteral("&About Medical Social Service")),
        &QAction::triggered, this, [this] {
            ui::Messages::information(
                help::HelpDesk::aboutText(), QStringLiteral("About Medical Social Service"), this);
        });
}

void mdiMSS::buildWindowMenu()
{
    // A window hidden behind others, or left un-maximised under a maximised one, is found here.
    m_windowMenu = menuBar()->addMenu(QStringLiteral("&Window"));
    m_windowMenu->setObjectName(QStringLiteral("mnuWindow"));
    m_windowMenu->menuAction()->setObjectName(QStringLiteral("mnuWindow"));
    connect(m_windowMenu, &QMenu::aboutToShow, this, &mdiMSS::fillWindowMenu);
    fillWindowMenu();
}

void mdiMSS::fillWindowMenu()
{
    m_windowMenu->clear();
    const QList<QMdiSubWindow *> windows = mdiArea->subWindowList();
    auto item = [this](const QString &name, const QString &caption, auto slot) {
        QAction *action = m_windowMenu->addAction(caption, this, slot);
        action->setObjectName(name);
        return action;
    };
    item(QStringLiteral("mnuCascade"), QStringLiteral("&Cascade"), [this] { mdiArea->cascadeSubWindows(); });
    item(QStringLiteral("mnuTile"), QStringLiteral("&Tile"), [this] {
        // Windows wider than their tiles would otherwise stretch the main window off the screen.
        const QRect before = geometry();
        mdiArea->tileSubWindows();
        if (geometry() != before)
            setGeometry(before);
    });
    item(QStringLiteral("mnuCloseAll"), QStringLiteral("Close &All"), [this] { mdiArea->closeAllSubWindows(); });
    for (QAction *action : m_windowMenu->actions())
        action->setEnabled(!windows.isEmpty());
    if (windows.isEmpty())
        return;
    m_windowMenu->addSeparator();
    const QMdiSubWindow *active = mdiArea->activeSubWindow();
    for (int i = 0; i < windows.size(); ++i) {
        QMdiSubWindow *sub = windows[i];
        const QString title = sub->widget() ? sub->widget()->windowTitle() : sub->windowTitle();
        QAction *action = m_windowMenu->addAction(
            i < 9 ? QStringLiteral("&%1 %2").arg(i + 1).arg(title) : QStringLiteral("%1 %2").arg(i + 1).arg(title));
        action->setObjectName(QStringLiteral("mnuWindowList_%1").arg(i));
        action->setCheckable(true);
        action->setChecked(sub == active);
        connect(action, &QAction::triggered, this, [this, window = QPointer<QMdiSubWindow>(sub)] {
            if (!window)
                return;
            if (window->isMinimized())
                window->showNormal();
            mdiArea->setActiveSubWindow(window);
        });
    }
}

void mdiMSS::buildToolBar()
{
    auto *bar = addToolBar(QStringLiteral("Tool Bar"));
    bar->setObjectName(QStringLiteral("Picture1"));
    bar->setMovable(false);
    bar->setIconSize(QSize(28, 28));
    bar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);

    auto button = [this, bar](const QString &name, const QString &icon, const QString &caption, const QString &tip) {
        auto *b = new QToolButton(bar);
        b->setObjectName(name);
        b->setAutoRaise(true);
        b->setIcon(QIcon(QStringLiteral(":/icons/") + icon + QStringLiteral(".svg")));
        b->setText(caption);
        b->setToolTip(tip.isEmpty() ? caption : tip);
        b->setToolButtonStyle(caption.isEmpty() ? Qt::ToolButtonIconOnly : Qt::ToolButtonTextBesideIcon);
        bar->addWidget(b);
        return b;
    };
    btnDataEntry
        = button(QStringLiteral("btnDataEntry"), QStringLiteral("dataentry"), QStringLiteral("Data Entry"), {});
    btnViewing = button(QStringLiteral("btnViewing"), QStringLiteral("viewing"), QStringLiteral("Viewing"), {});
    btnFileMaintenance = button(QStringLiteral("btnFileMaintenance"), QStringLiteral("filemaintenance"),
        QStringLiteral("File Maintenance"), {});
    btnReports = button(QStringLiteral("btnReports"), QStringLiteral("reports"), QStringLiteral("Reports"), {});
    bar->addSeparator();
    btnListing = button(QStringLiteral("btnListing"), QStringLiteral("listing"), {}, QStringLiteral("Patient Listing"));
    btnDischargeNotice = button(
        QStringLiteral("btnDischargeNotice"), QStringLiteral("discharge"), {}, QStringLiteral("Discharge Notices"));
    btnReferralNotice = button(QStringLiteral("btnReferralNotice"), QStringLiteral("referral"), {},
        QStringLiteral("Referrals From the Medical Team"));
    bar->addSeparator();
    btnClose
        = button(QStringLiteral("btnClose"), QStringLiteral("changeuser"), {}, QStringLiteral("Change Active User"));
    connect(btnDischargeNotice, &QToolButton::clicked, this, [this] {
        ui::runGuarded([this] { m_notices->runDischargeNotices(); }, { .connection = Session().SharedConnection });
    });
    connect(btnReferralNotice, &QToolButton::clicked, this, [this] {
        ui::runGuarded([this] { m_notices->showReferralNotices(); }, { .connection = Session().SharedConnection });
    });

    // The four text buttons pop up the very menus of the menu bar, where the mouse is.
    const QList<std::pair<QToolButton *, QString>> popups = { { btnDataEntry, QStringLiteral("mnuFile") },
        { btnViewing, QStringLiteral("mnuViewing") }, { btnFileMaintenance, QStringLiteral("mnuFileMaintenance") },
        { btnReports, QStringLiteral("mnuReports") } };
    for (const auto &[b, menuName] : popups) {
        QMenu *m = m_menus.value(menuName);
        connect(b, &QToolButton::clicked, this, [m] { m->popup(QCursor::pos()); });
    }
    connect(btnListing, &QToolButton::clicked, this, [this] { ui::runGuarded([this] { reopenPatientList(); }); });
    // Queued: the handler closes the window that owns the button.
    connect(btnClose, &QToolButton::clicked, this, [this] {
        if (mayCloseUnsavedWork())
            QTimer::singleShot(0, &ChangeActiveUser);
    });
}

bool mdiMSS::mayCloseUnsavedWork()
{
    if (!m_intake || !m_intake->hasUnsavedChanges())
        return true;
    if (auto *sub = qobject_cast<QMdiSubWindow *>(m_intake->parentWidget()))
        mdiArea->setActiveSubWindow(sub);
    const QString patient = m_intake->patientName();
    return ui::Messages::show(QStringLiteral("The intake sheet of %1 has changes that are not saved.\n"
                                             "Close it without saving and change the active user?")
                                  .arg(patient.isEmpty() ? QStringLiteral("this patient") : patient),
               QStringLiteral("Change Active User"), QMessageBox::Question, QMessageBox::Yes | QMessageBox::No, this)
        == QMessageBox::Yes;
}

void mdiMSS::updateDatasheetItem()
{
    if (QAction *datasheet = action(QStringLiteral("mnuViewPatientDatasheet")))
        datasheet->setEnabled(m_datasheetSelectable && m_wired.contains(QStringLiteral("mnuViewPatientDatasheet")));
}

QMdiSubWindow *mdiMSS::openChild(QWidget *window, const std::function<void(QMdiSubWindow *)> &firstPlace)
{
    // A window opened over a maximised one opens maximised: the area shows one maximised window at
    // a time, and one placed beside it would restore the other to a size the user never chose.
    const QMdiSubWindow *opener = mdiArea->currentSubWindow();
    const bool overMaximised = opener && opener->isMaximized();
    QMdiSubWindow *sub = mdiArea->addSubWindow(window);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    sub->setWindowIcon(window->windowIcon());
    // Placed by its opener only until the user has moved or sized it.
    const bool remembered = ui::rememberGeometry(sub, window->objectName());
    window->show();
    if (overMaximised || (sub->windowState() & Qt::WindowMaximized))
        sub->showMaximized();
    else if (!remembered && firstPlace)
        firstPlace(sub);
    return sub;
}

void mdiMSS::wire(const QString &name, const std::function<void()> &command)
{
    QAction *item = m_actions.value(name);
    m_wired.insert(name);
    connect(item, &QAction::triggered, this, [this, command, item] {
        ui::runGuarded(command, { .connection = Session().SharedConnection, .title = item->text() });
    });
}

intake::frmIntakeSurveySheet *mdiMSS::showIntakeSheet()
{
    if (m_selection.HospNum.isEmpty()) {
        showPatientList();
        return nullptr;
    }
    // One intake window at a time: an open one comes to the front, still on its own patient.
    if (m_intake) {
        if (auto *sub = qobject_cast<QMdiSubWindow *>(m_intake->parentWidget()))
            mdiArea->setActiveSubWindow(sub);
        return m_intake;
    }
    auto window = std::make_unique<intake::frmIntakeSurveySheet>(m_selection, sessionWorkContext(), m_reports);
    window->load();
    m_intake = window.release();
    openChild(m_intake, [this](QMdiSubWindow *sub) {
        sub->resize(mdiArea->size().boundedTo(QSize(1320, 700)));
        sub->move(0, 0);
    });
    return m_intake;
}

void mdiMSS::showArr()
{
    // The billing date outlives the list; without the admission it would open an ARR of nobody.
    if (m_selection.Billdate.isEmpty() || m_selection.IDNUM.trimmed().isEmpty()) {
        ui::Messages::information(
            QStringLiteral("Please select first a patient to process"), QStringLiteral("Message"), this);
        return;
    }
    referral::frmARR arr(sessionWorkContext(), m_reports, this);
    arr.HospNum = m_selection.HospNum;
    arr.IDNUM = m_selection.IDNUM;
    arr.load();
    ui::Messages::execDialog(arr);
}

void mdiMSS::reprintArr()
{
    referral::reprintArr(m_selection.HospNum, m_selection.IDNUM,
        ui::requireConnection(Session().SharedConnection, QStringLiteral("Re-Print ARR")), *m_reports, m_reprint, this);
}

classification::frmComputeDiscount *mdiMSS::showComputeDiscount()
{
    if (m_selection.IDNUM.trimmed().isEmpty()) {
        ui::Messages::information(
            QStringLiteral("Please select first a patient to process"), QStringLiteral("Message"), this);
        return nullptr;
    }
    auto *window = new classification::frmComputeDiscount(m_selection, Session().SharedConnection);
    // Queued: the list comes back once the discount window has gone.
    connect(
        window, &classification::frmComputeDiscount::closed, this, &mdiMSS::returnToPatientList, Qt::QueuedConnection);
    openChild(window, [window](QMdiSubWindow *sub) { sub->resize(window->size()); });
    try {
        window->load();
    } catch (...) {
        ui::closeChildWindow(window); // no window is left that belongs to no patient
        throw;
    }
    return window;
}

void mdiMSS::returnToPatientList()
{
    if (!m_list || !m_list->isEnabled()) {
        showPatientList();
        return;
    }
    // Closed and shown again, so that the list repeats its last search: the same rows under the
    // same boxes, with the patient the user was working on still chosen.
    const patients::ListSearch search = m_list->currentSearch();
    const patients::PatientSelection held = m_selection;
    if (auto *sub = qobject_cast<QMdiSubWindow *>(m_list->parentWidget()))
        sub->close();
    else
        m_list->close();
    if (m_list && m_list->isVisible())
        return;
    openListWith(search, held);
}

intake::frmIntakeSurveySheet *mdiMSS::intakeSheet() const
{
    return m_intake.data();
}

patients::frmListPatient *mdiMSS::patientList() const
{
    return m_list.data();
}

patients::frmListPatient *mdiMSS::createPatientList()
{
    const SessionState &s = Session();
    m_list = new patients::frmListPatient(
        m_selection, s.SharedConnection, s.CurrentUser ? s.CurrentUser->sqlconnection() : nullptr);
    m_list->setFileMenu(m_menus.value(QStringLiteral("mnuFile")));
    connect(m_list, &patients::frmListPatient::patientDatasheetAvailable, this, [this](bool available) {
        m_datasheetSelectable = available;
        updateDatasheetItem();
    });
    return m_list;
}

patients::frmListPatient *mdiMSS::showPatientList()
{
    if (m_list) {
        if (auto *sub = qobject_cast<QMdiSubWindow *>(m_list->parentWidget()))
            mdiArea->setActiveSubWindow(sub);
        return m_list;
    }
    createPatientList();
    openChild(m_list, [](QMdiSubWindow *sub) { sub->showMaximized(); });
    m_list->searchOnOpening();
    return m_list;
}

void mdiMSS::reopenPatientList()
{
    // A list not yet loaded would show empty boxes: nothing to carry over then.
    const patients::ListSearch search = m_list ? m_list->currentSearch() : patients::ListSearch {};
    const patients::PatientSelection held = m_selection;
    mdiArea->closeAllSubWindows();
    if (m_list && m_list->isVisible()) // a window that refused to close is left as it is
        return;
    openListWith(search, held);
}

void mdiMSS::openListWith(const patients::ListSearch &search, const patients::PatientSelection &held)
{
    m_list = nullptr;
    // Closing the old list let the patient go; the new one shows them again if its rows hold them.
    m_selection.HospNum = held.HospNum;
    m_selection.IDNUM = held.IDNUM;
    createPatientList();
    openChild(m_list, [](QMdiSubWindow *sub) { sub->showMaximized(); });
    m_list->repeatSearch(search);
}

void mdiMSS::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (const QScreen *screen = this->screen(); screen && !property("sized").toBool()) {
        setProperty("sized", true);
        setGeometry(screen->availableGeometry()); // full screen work area, window manager or not
    }
}

void mdiMSS::closeEvent(QCloseEvent *event)
{
    m_monitor->tmrReferralNotice.stop();
    m_monitor->tmrShowDateTime.stop();
    mdiArea->closeAllSubWindows();
    event->accept();
    if (!property("changingUser").toBool())
        QCoreApplication::quit(); // closing the main window ends the program
}

} // namespace mss::shell
