#pragma once

#include <QObject>
#include <QTimer>

#include <functional>

class QLabel;
class QToolButton;

namespace mss::data {
class Connection;
}

namespace mss::shell {

// Keeps the status bar clock current and watches for referrals from the medical team: once any
// are waiting, the referral button changes between red and light yellow until the program ends.
class NoticeMonitor final : public QObject {
    Q_OBJECT

public:
    // A referral poll every second: a new referral shows within a second, and a workstation
    // sends the hospital's server one small query a second rather than one every few ms.
    static constexpr int kPollIntervalMs = 1000;
    static constexpr int kClockIntervalMs = 60;
    static constexpr int kColourIntervalMs = 15000;
    // A poll that fails is tried again after this long, and reported once.
    static constexpr int kRetryAfterFailureMs = 30000;
    // The poll runs on the window's thread: while another program holds the database's lock it
    // gives up after this long, where any other statement waits the connection's normal time.
    static constexpr int kLockWaitMs = 100;

    NoticeMonitor(QLabel *clockPanel, QToolButton *referralButton, std::function<data::Connection *()> connection,
        QObject *parent = nullptr);

    // "(DD MMMM YYYY)  hh:mm " with English month names and 24-hour hours.
    static QString clockText(const QDateTime &when);

    void start();
    void showTime();
    void pollReferrals();

    bool alerting() const { return m_alerting; }
    bool polling() const { return tmrReferralNotice.isActive(); }
    int pollCount() const { return m_polls; }

    QTimer tmrShowDateTime;
    QTimer tmrReferralNotice;
    QTimer Timer1; // red
    QTimer Timer2; // light yellow

signals:
    void pollFailed(const QString &message);

private:
    void setButtonColour(const QString &colour);

    QLabel *m_clock;
    QToolButton *m_button;
    std::function<data::Connection *()> m_connection;
    bool m_alerting = false;
    bool m_failureReported = false;
    int m_polls = 0;
};

} // namespace mss::shell
