// The notice monitor: the clock's format, the alert on waiting referrals and the end of polling.
#include "data/recordset.h"
#include "db/hospitaldb.h"
#include "shell/noticemonitor.h"
#include "support/fakeconnections.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

#include <sqlite3.h>

#include <chrono>
#include <thread>

using namespace mss;
using shell::NoticeMonitor;

class TestNoticeMonitor : public QObject {
    Q_OBJECT

private slots:
    void clockFormat();
    void referralsStartTheAlertAndStopThePolling();
    void failingPollIsReportedOnceAndSlowsDown();
    void lockedDatabaseDoesNotHoldTheWindow();
};

void TestNoticeMonitor::clockFormat()
{
    QCOMPARE(NoticeMonitor::clockText(QDateTime(QDate(2026, 12, 8), QTime(13, 45, 59))),
        QStringLiteral("(08 December 2026)  13:45 "));
    QCOMPARE(NoticeMonitor::clockText(QDateTime(QDate(2027, 1, 2), QTime(0, 5))),
        QStringLiteral("(02 January 2027)  00:05 "));
    QLabel panel;
    NoticeMonitor monitor(&panel, nullptr, nullptr);
    monitor.showTime();
    QVERIFY(panel.text().startsWith(QLatin1Char('(')) && panel.text().endsWith(QLatin1Char(' ')));
}

void TestNoticeMonitor::referralsStartTheAlertAndStopThePolling()
{
    int waiting = 0;
    test::RecordingConnection connection;
    connection.answer = [&](const QString &) {
        if (waiting < 0)
            return data::Recordset({ QStringLiteral("recCount") }, {});
        return data::Recordset({ QStringLiteral("recCount") }, { { waiting } });
    };
    QLabel clock;
    QToolButton button;
    button.setObjectName(QStringLiteral("btnReferralNotice"));
    button.setAutoRaise(true);
    NoticeMonitor monitor(&clock, &button, [&] { return &connection; });
    monitor.start();
    QVERIFY(monitor.polling());

    monitor.pollReferrals(); // recCount 0
    waiting = -1;
    monitor.pollReferrals(); // no row
    QVERIFY(!monitor.alerting());
    QVERIFY(button.autoRaise());
    QVERIFY(button.styleSheet().isEmpty());
    QCOMPARE(connection.statements.last(), QStringLiteral("MSS..sp_MSS_LoadReferralNoticeCount"));

    waiting = 3;
    monitor.pollReferrals();
    QVERIFY(monitor.alerting());
    QVERIFY(!monitor.polling());
    QVERIFY(!button.autoRaise());
    QVERIFY(button.styleSheet().contains(QStringLiteral("255, 0, 0")));
    QVERIFY(monitor.Timer1.isActive());
    QTRY_VERIFY_WITH_TIMEOUT(monitor.Timer2.isActive(), NoticeMonitor::kColourIntervalMs);
    QVERIFY(button.styleSheet().contains(QStringLiteral("255, 255, 128")));

    // Once alerting, nothing more is asked of the database, and nothing turns it off.
    const int polls = monitor.pollCount();
    waiting = 0;
    monitor.pollReferrals();
    QCOMPARE(monitor.pollCount(), polls);
    QVERIFY(monitor.alerting());
    QVERIFY(monitor.Timer1.isActive() && monitor.Timer2.isActive());
}

void TestNoticeMonitor::failingPollIsReportedOnceAndSlowsDown()
{
    test::FaultInjectingConnection connection;
    connection.failStatement = 1;
    QLabel clock;
    QToolButton button;
    NoticeMonitor monitor(&clock, &button, [&] { return &connection; });
    QSignalSpy failures(&monitor, &NoticeMonitor::pollFailed);
    monitor.tmrReferralNotice.start();
    monitor.pollReferrals();
    connection.failStatement = 2;
    monitor.pollReferrals();
    QCOMPARE(failures.size(), 1);
    QCOMPARE(monitor.tmrReferralNotice.interval(), NoticeMonitor::kRetryAfterFailureMs);
    QVERIFY(!monitor.alerting());
    monitor.pollReferrals(); // succeeds again: back to the normal pace
    QCOMPARE(monitor.tmrReferralNotice.interval(), NoticeMonitor::kPollIntervalMs);
}

void TestNoticeMonitor::lockedDatabaseDoesNotHoldTheWindow()
{
    QTemporaryDir dir;
    auto connection = data::createHospitalDatabase(dir.path());
    const int normalWait = connection->lockWaitMs();
    QVERIFY(normalWait >= 1000);

    // Another program, not through our data layer, holds the lock that keeps every reader out.
    sqlite3 *other = nullptr;
    QCOMPARE(sqlite3_open_v2(qPrintable(data::embeddedDatabaseFile(dir.path(), QStringLiteral("MSS"))), &other,
                 SQLITE_OPEN_READWRITE, nullptr),
        SQLITE_OK);
    const auto closeOther = qScopeGuard([&] { sqlite3_close(other); });
    QCOMPARE(sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);

    QLabel clock;
    QToolButton button;
    NoticeMonitor monitor(&clock, &button, [&] { return connection.get(); });
    QSignalSpy failures(&monitor, &NoticeMonitor::pollFailed);
    monitor.tmrReferralNotice.start();
    QElapsedTimer timer;
    timer.start();
    monitor.pollReferrals();
    const qint64 pollMs = timer.elapsed();
    qInfo("poll under a held lock: %lld ms (normal wait %d ms)", pollMs, normalWait);
    QVERIFY2(pollMs < 1000, qPrintable(QStringLiteral("the poll held the window %1 ms").arg(pollMs)));
    QCOMPARE(failures.size(), 1);
    QVERIFY2(failures.first().first().toString().contains(QStringLiteral("locked")),
        qPrintable(failures.first().first().toString()));
    QCOMPARE(monitor.tmrReferralNotice.interval(), NoticeMonitor::kRetryAfterFailureMs);
    QVERIFY(!monitor.alerting());

    // Every other statement still waits its normal time: one that meets the lock succeeds once
    // the other program lets go.
    QCOMPARE(connection->lockWaitMs(), normalWait);
    std::thread release([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
    });
    timer.restart();
    const data::Recordset rs = connection->open(QStringLiteral("SELECT count(*) AS n FROM MSS..tbMSSReferralNotice"));
    const qint64 waitedMs = timer.elapsed();
    release.join();
    QVERIFY(!rs.eof());
    QVERIFY2(waitedMs >= 250, qPrintable(QStringLiteral("waited only %1 ms").arg(waitedMs)));

    // The next poll finds the database free again.
    monitor.pollReferrals();
    QCOMPARE(failures.size(), 1);
    QCOMPARE(monitor.tmrReferralNotice.interval(), NoticeMonitor::kPollIntervalMs);
    QCOMPARE(connection->lockWaitMs(), normalWait);
}

QTEST_MAIN(TestNoticeMonitor)
#include "tst_noticemonitor.moc"
