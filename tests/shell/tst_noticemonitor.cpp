// The notice monitor: the clock's format, the alert on waiting referrals and the end of polling.
#include "data/recordset.h"
#include "shell/noticemonitor.h"
#include "support/fakeconnections.h"

#include <QLabel>
#include <QToolButton>
#include <QtTest>

using namespace mss;
using shell::NoticeMonitor;

class TestNoticeMonitor : public QObject {
    Q_OBJECT

private slots:
    void clockFormat();
    void referralsStartTheAlertAndStopThePolling();
    void failingPollIsReportedOnceAndSlowsDown();
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

QTEST_MAIN(TestNoticeMonitor)
#include "tst_noticemonitor.moc"
