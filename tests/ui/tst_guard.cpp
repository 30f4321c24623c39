// The command guard and the message seam: a failing command is reported once, leaves no
// transaction open and no hourglass behind, and never reaches Qt's event loop.
#include "support/temphospital.h"
#include "ui/commandguard.h"
#include "ui/messages.h"

#include <QApplication>
#include <QDialog>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

using namespace mss;
using ui::Messages;

class TestGuard : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void successShowsNothing();
    void databaseFailureIsReportedOnceAndRolledBack();
    void anyExceptionIsCaught();
    void failureInsideAnEventHandlerDoesNotEndTheProgram();
    void guardedConnectionWordsAndTitlesItsFailures();
    void anUnguardedFailureIsReportedAndTheProgramGoesOn();
    void messagesCarryTheApplicationTitle();
    void promptsAndDialogsGoThroughTheSeam();

private:
    QList<Messages::Shown> m_shown;
};

void TestGuard::init()
{
    m_shown.clear();
    Messages::setBoxHandler([this](const Messages::Shown &shown) {
        m_shown.append(shown);
        return QMessageBox::Ok;
    });
}

void TestGuard::cleanup()
{
    Messages::setBoxHandler(nullptr);
    Messages::setPromptHandler(nullptr);
    Messages::setDialogHandler(nullptr);
    QCOMPARE(ui::WaitCursor::depth(), 0);
    QVERIFY(!QGuiApplication::overrideCursor());
}

void TestGuard::successShowsNothing()
{
    bool ran = false;
    QVERIFY(ui::runGuarded([&] {
        ui::WaitCursor wait;
        ran = true;
    }));
    QVERIFY(ran);
    QVERIFY(m_shown.isEmpty());
}

void TestGuard::databaseFailureIsReportedOnceAndRolledBack()
{
    test::TempHospital h;
    auto &c = h.connection();
    c.executeScript(QStringLiteral("CREATE TABLE main.tbNotes(Note TEXT); CREATE TABLE BILLING.tbLedger(Note TEXT);"));

    const bool ok = ui::runGuarded(
        [&] {
            ui::WaitCursor::push();
            ui::WaitCursor::push(); // left pushed on purpose, as old-style code does
            c.beginTrans();
            c.execute(QStringLiteral("INSERT INTO MSS..tbNotes VALUES ('half')"));
            c.execute(QStringLiteral("INSERT INTO Billing..tbNoSuchTable VALUES ('half')"));
            c.commitTrans();
        },
        { .connection = &c, .title = QStringLiteral("Save") });
    QVERIFY(!ok);
    QVERIFY(!c.inTransaction());
    QCOMPARE(c.open(QStringLiteral("SELECT count(*) FROM MSS..tbNotes")).text(0), QStringLiteral("0"));
    QCOMPARE(m_shown.size(), 1);
    QCOMPARE(m_shown[0].title, QStringLiteral("Save"));
    QCOMPARE(m_shown[0].icon, QMessageBox::Critical);
    QVERIFY2(m_shown[0].text.contains(QStringLiteral("tbNoSuchTable")), qPrintable(m_shown[0].text));
    QVERIFY2(m_shown[0].text.contains(QStringLiteral("Embedded database")), qPrintable(m_shown[0].text));
}

void TestGuard::anyExceptionIsCaught()
{
    QVERIFY(!ui::runGuarded([] { throw std::runtime_error("disk full"); }));
    QVERIFY(!ui::runGuarded([] { throw 42; }));
    QCOMPARE(m_shown.size(), 2);
    QCOMPARE(m_shown[0].text, QStringLiteral("disk full"));
    QVERIFY(!m_shown[1].text.isEmpty());
}

void TestGuard::failureInsideAnEventHandlerDoesNotEndTheProgram()
{
    int handled = 0;
    QTimer::singleShot(0, [&] {
        ui::runGuarded([] { throw std::runtime_error("from a timer"); });
        ++handled;
    });
    QTRY_COMPARE(handled, 1);
    QCOMPARE(m_shown.size(), 1);
}

void TestGuard::guardedConnectionWordsAndTitlesItsFailures()
{
    QWidget window;
    window.setWindowTitle(QStringLiteral("Before"));
    QPushButton button(&window);
    ui::connectGuarded(&button, &QPushButton::clicked, &window, [] { throw std::runtime_error("no paper"); });
    QPushButton own(&window);
    ui::connectGuarded(&own, &QPushButton::clicked, &window, [] { throw std::runtime_error("no ink"); },
        { .title = QStringLiteral("Print"), .describe = [](const std::exception_ptr &failure) {
             return QStringLiteral("Not printed: ") + ui::failureText(failure);
         } });
    window.setWindowTitle(QStringLiteral("Assessment"));
    button.click();
    own.click();
    QCOMPARE(m_shown.size(), 2);
    QCOMPARE(m_shown[0].text, QStringLiteral("no paper"));
    QCOMPARE(m_shown[0].title, QStringLiteral("Assessment")); // the title when the command ran
    QCOMPARE(m_shown[1].text, QStringLiteral("Not printed: no ink"));
    QCOMPARE(m_shown[1].title, QStringLiteral("Print"));
}

void TestGuard::anUnguardedFailureIsReportedAndTheProgramGoesOn()
{
    int after = 0;
    QTimer::singleShot(0, [] {
        ui::WaitCursor::push();
        throw std::runtime_error("forgotten guard");
    });
    QTimer::singleShot(20, [&] { ++after; });
    QTRY_COMPARE(after, 1);
    QCOMPARE(m_shown.size(), 1);
    QCOMPARE(m_shown[0].text, QStringLiteral("forgotten guard"));
}

void TestGuard::messagesCarryTheApplicationTitle()
{
    Messages::information(QStringLiteral("Saved."));
    QVERIFY(!Messages::question(QStringLiteral("Delete record?"), QStringLiteral("Delete record")));
    QCOMPARE(m_shown.size(), 2);
    QCOMPARE(m_shown[0].title, QStringLiteral("Medical Social Service"));
    QCOMPARE(m_shown[0].icon, QMessageBox::Information);
    QCOMPARE(m_shown[1].title, QStringLiteral("Delete record"));
    QCOMPARE(m_shown[1].buttons, QMessageBox::Yes | QMessageBox::No);

    Messages::setBoxHandler([](const Messages::Shown &) { return QMessageBox::Yes; });
    QVERIFY(Messages::question(QStringLiteral("Go on?")));
}

void TestGuard::promptsAndDialogsGoThroughTheSeam()
{
    Messages::setPromptHandler([](const QString &text, const QString &title) -> std::optional<QString> {
        if (text == QLatin1String("cancel"))
            return std::nullopt;
        return text + QLatin1Char('|') + title;
    });
    QCOMPARE(
        Messages::prompt(QStringLiteral("Reason"), QStringLiteral("Delete")).value(), QStringLiteral("Reason|Delete"));
    QVERIFY(!Messages::prompt(QStringLiteral("cancel")));

    QDialog dialog;
    dialog.setObjectName(QStringLiteral("frmSomething"));
    QString seen;
    Messages::setDialogHandler([&](QDialog &d) {
        seen = d.objectName();
        return int(QDialog::Accepted);
    });
    QCOMPARE(Messages::execDialog(dialog), int(QDialog::Accepted));
    QCOMPARE(seen, QStringLiteral("frmSomething"));
}

int main(int argc, char *argv[])
{
    // The program's own application class, so that its last-resort handler is under test too.
    ui::GuardedApplication app(argc, argv);
    TestGuard test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_guard.moc"
