// F1 and the Help menu: the guide opens at the section of the window F1 was pressed in (a child
// window, a modal dialog), its search and history work, About shows the build's version, and a
// missing guide is reported with where it was looked for.
#include "auth/currentuser.h"
#include "classification/frmcomputediscount.h"
#include "help/helpdesk.h"
#include "help/helptopics.h"
#include "help/helpwindow.h"
#include "intake/frmintakesurveysheet.h"
#include "patients/frmlistpatient.h"
#include "patients/patientlistmodel.h"
#include "shell/mdimss.h"
#include "shell/startup.h"
#include "suite/frmlogon.h"
#include "support/demohospital.h"
#include "support/messagelog.h"
#include "support/sessionfixture.h"
#include "ui/messages.h"

#include <QDialog>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QTextCursor>
#include <QToolButton>
#include <QTreeView>
#include <QtTest>

using namespace mss;

namespace {

// The version as CMake holds it, read from the project's own CMakeLists.txt.
QString cmakeVersion()
{
    QFile file(qEnvironmentVariable("MSS_TEST_SOURCE_DIR") + QStringLiteral("/CMakeLists.txt"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QRegularExpressionMatch match = QRegularExpression(QStringLiteral(R"(project\(\w+\s+VERSION\s+([0-9.]+))"))
                                              .match(QString::fromUtf8(file.readAll()));
    return match.captured(1);
}

QString pageHtml(const QString &page)
{
    QFile file(QDir(help::findGuideFolder()).filePath(page));
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

} // namespace

class TestHelp : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void everyWindowOfTheTableHasItsSection();
    void f1OpensTheSectionOfTheActiveWindow();
    void f1AtTheLogOnBeforeTheMainWindow();
    void searchFindsAWordInAnyChapter();
    void backAndForwardRetraceThePages();
    void aboutAndTheProgramsShowCMakesVersion();
    void withoutTheGuideF1SaysWhereItWasLookedFor();

private:
    void selectInPatient();
    help::HelpWindow *help() const { return m_main->helpDesk().helpWindow(); }

    shell::mdiMSS *m_main = nullptr;
    std::unique_ptr<test::DemoHospital> m_hospital;
};

void TestHelp::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QVERIFY2(!help::findGuideFolder().isEmpty(), "the guide is built beside the programs (needs cmark)");
    m_hospital = std::make_unique<test::DemoHospital>();
    QVERIFY(test::startDemoSession(m_hospital->folder()));
    m_main = qobject_cast<shell::mdiMSS *>(shell::MainWindow());
    QVERIFY(m_main);
}

void TestHelp::cleanupTestCase()
{
    test::endDemoSession();
}

void TestHelp::selectInPatient()
{
    auto &c = m_hospital->connection();
    const QString id = test::scalar(c, QStringLiteral("SELECT min(IdNum) FROM PATIENT_DATA..tbPatient2"));
    patients::frmListPatient *list = m_main->showPatientList();
    list->SearchPatients(QString(), QString(), id, QString(), QString());
    QVERIFY(list->model()->rowCount() > 0);
    list->lvwSearchPatient->setCurrentIndex(list->model()->index(0, 0));
    list->SelectCurrentPatient();
    QCOMPARE(m_main->selection().IDNUM, id);
    QVERIFY(!m_main->selection().Billdate.isEmpty());
}

void TestHelp::everyWindowOfTheTableHasItsSection()
{
    for (const QString &window : help::describedWindows()) {
        const help::HelpTopic topic = help::topicForWindow(window);
        QVERIFY2(pageHtml(topic.page).contains(QStringLiteral("id=\"%1\"").arg(topic.anchor)),
            qPrintable(window + QStringLiteral(" → ") + topic.page + QLatin1Char('#') + topic.anchor));
    }
    // A window the guide does not describe opens the contents rather than nothing.
    QCOMPARE(help::topicForWindow(QStringLiteral("frmNoSuchWindow")).page, help::contentsPage());
}

void TestHelp::f1OpensTheSectionOfTheActiveWindow()
{
    test::MessageLog messages(QMessageBox::No);
    selectInPatient();

    // A child window of the main window, from one of its controls.
    m_main->action(QStringLiteral("mnuIntakeSheet"))->trigger();
    intake::frmIntakeSurveySheet *sheet = m_main->intakeSheet();
    QVERIFY(sheet);
    QWidget *control = sheet->findChild<QLineEdit *>();
    QVERIFY(control);
    QTest::keyClick(control, Qt::Key_F1);
    QVERIFY(help());
    QCOMPARE(help()->currentPage(), QStringLiteral("02-intake-interview.html"));
    QCOMPARE(help()->currentAnchor(), QStringLiteral("intake-sheet"));
    QVERIFY(help()->isVisible());

    // A modal dialog: the help opens above it, usable while it runs, and stays when it closes.
    QString arrPage, arrAnchor;
    QWidget *arrOwner = nullptr;
    QDialog *arrDialog = nullptr;
    ui::Messages::setDialogHandler([&](QDialog &dialog) {
        if (dialog.objectName() == QStringLiteral("frmARR")) {
            arrDialog = &dialog;
            dialog.setWindowModality(Qt::ApplicationModal); // as its exec() would
            QTest::keyClick(&dialog, Qt::Key_F1);
            arrPage = help()->currentPage();
            arrAnchor = help()->currentAnchor();
            arrOwner = help()->parentWidget();
        }
        dialog.done(QDialog::Rejected);
        return int(QDialog::Rejected);
    });
    m_main->action(QStringLiteral("mnuARR"))->trigger();
    ui::Messages::setDialogHandler(nullptr);
    QVERIFY(arrDialog);
    QCOMPARE(arrPage, QStringLiteral("03-assessment-and-referral.html"));
    QCOMPARE(arrAnchor, QStringLiteral("arr"));
    QVERIFY(arrOwner == arrDialog); // compared as addresses: the dialog is gone by now
    QVERIFY(help());
    QCOMPARE(help()->parentWidget(), static_cast<QWidget *>(m_main));

    // The discount window.
    classification::frmComputeDiscount *discount = m_main->showComputeDiscount();
    QVERIFY(discount);
    QTest::keyClick(discount, Qt::Key_F1);
    QCOMPARE(help()->currentPage(), QStringLiteral("07-discount.html"));
    QCOMPARE(help()->currentAnchor(), QStringLiteral("discount"));

    // The main window itself.
    QTest::keyClick(m_main->menuBar(), Qt::Key_F1);
    QCOMPARE(help()->currentAnchor(), QStringLiteral("main-window"));

    // Help > Contents.
    m_main->action(QStringLiteral("mnuHelpContents"))->trigger();
    QCOMPARE(help()->currentPage(), help::contentsPage());
    QVERIFY(messages.texts().filter(QStringLiteral("guide")).isEmpty());
}

void TestHelp::f1AtTheLogOnBeforeTheMainWindow()
{
    suite::clsCurrentUser user;
    suite::frmLogOn logOn(user);
    logOn.setWindowModality(Qt::ApplicationModal);
    QTest::keyClick(logOn.findChild<QLineEdit *>(), Qt::Key_F1);
    auto *window = logOn.findChild<help::HelpWindow *>();
    QVERIFY(window);
    QCOMPARE(window->currentPage(), QStringLiteral("01-log-on-and-find-a-patient.html"));
    QCOMPARE(window->currentAnchor(), QStringLiteral("log-on"));
}

void TestHelp::searchFindsAWordInAnyChapter()
{
    help::HelpWindow *window = m_main->helpDesk().showTopic({ help::contentsPage(), QString() });
    QVERIFY(window);
    // A word of one chapter only, searched for from the contents.
    window->txtSearch->setText(QStringLiteral("Recompute"));
    window->cmdFind->click();
    QCOMPARE(window->currentPage(), QStringLiteral("07-discount.html"));
    QCOMPARE(window->txtHelp->textCursor().selectedText().toLower(), QStringLiteral("recompute"));
    QVERIFY(window->lblSearch->text().isEmpty());

    QVERIFY(!window->find(QStringLiteral("xylophonequartz")));
    QCOMPARE(window->lblSearch->text(), QStringLiteral("Not in the guide: xylophonequartz"));
}

void TestHelp::backAndForwardRetraceThePages()
{
    help::HelpWindow *window = m_main->helpDesk().showTopic({ QStringLiteral("04-referrals.html"), QString() });
    window->showTopic({ QStringLiteral("05-discharge-clearance.html"), QStringLiteral("clearance") });
    QVERIFY(window->cmdBack->isEnabled());
    window->cmdBack->click();
    QCOMPARE(window->currentPage(), QStringLiteral("04-referrals.html"));
    QVERIFY(window->cmdForward->isEnabled());
    window->cmdForward->click();
    QCOMPARE(window->currentPage(), QStringLiteral("05-discharge-clearance.html"));
}

void TestHelp::aboutAndTheProgramsShowCMakesVersion()
{
    const QString version = cmakeVersion();
    QVERIFY(!version.isEmpty());
    {
        test::MessageLog messages;
        m_main->action(QStringLiteral("mnuAbout"))->trigger();
        QCOMPARE(messages.shown.size(), 1);
        QVERIFY2(
            messages.shown[0].text.contains(QStringLiteral("Version ") + version), qPrintable(messages.shown[0].text));
        QCOMPARE(messages.shown[0].title, QStringLiteral("About Medical Social Service"));
    }
    const QDir tools(qEnvironmentVariable("MSS_TOOLS_DIR"));
    for (const QString &program : { QStringLiteral("mss"), QStringLiteral("mss-db") }) {
        if (!QFileInfo::exists(tools.filePath(program)))
            continue; // only the targets asked for were built
        QProcess run;
        run.start(tools.filePath(program), { QStringLiteral("--version") });
        QVERIFY(run.waitForFinished(10000));
        QCOMPARE(run.exitCode(), 0);
        QCOMPARE(QString::fromUtf8(run.readAllStandardOutput()).trimmed(), program + QLatin1Char(' ') + version);
    }
}

void TestHelp::withoutTheGuideF1SaysWhereItWasLookedFor()
{
    QTemporaryDir empty;
    if (help()) {
        help()->close();
        QTRY_VERIFY(!help());
    }
    m_main->helpDesk().setGuideFolders({ empty.path() });
    test::MessageLog messages;
    QTest::keyClick(m_main->menuBar(), Qt::Key_F1);
    m_main->helpDesk().setGuideFolders({});
    QVERIFY(!help());
    QCOMPARE(messages.shown.size(), 1);
    QVERIFY(messages.shown[0].text.contains(empty.path()));
    QVERIFY(messages.shown[0].text.contains(QStringLiteral("/usr/share/mss/guide")));
}

QTEST_MAIN(TestHelp)
#include "tst_help.moc"
