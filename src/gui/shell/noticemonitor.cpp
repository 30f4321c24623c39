#include "shell/noticemonitor.h"

#include "data/connection.h"

#include <QDateTime>
#include <QLabel>
#include <QLocale>
#include <QToolButton>

namespace mss::shell {

NoticeMonitor::NoticeMonitor(
    QLabel *clockPanel, QToolButton *referralButton, std::function<data::Connection *()> connection, QObject *parent)
    : QObject(parent), m_clock(clockPanel), m_button(referralButton), m_connection(std::move(connection))
{
    tmrShowDateTime.setInterval(kClockIntervalMs);
    tmrReferralNotice.setInterval(kPollIntervalMs);
    Timer1.setInterval(kColourIntervalMs);
    Timer2.setInterval(kColourIntervalMs);
    connect(&tmrShowDateTime, &QTimer::timeout, this, &NoticeMonitor::showTime);
    connect(&tmrReferralNotice, &QTimer::timeout, this, &NoticeMonitor::pollReferrals);
    connect(&Timer1, &QTimer::timeout, this, [this] { setButtonColour(QStringLiteral("rgb(255, 0, 0)")); });
    connect(&Timer2, &QTimer::timeout, this, [this] { setButtonColour(QStringLiteral("rgb(255, 255, 128)")); });
}

QString NoticeMonitor::clockText(const QDateTime &when)
{
    return QLocale(QLocale::English, QLocale::UnitedStates).toString(when, QStringLiteral("(dd MMMM yyyy)  HH:mm "));
}

void NoticeMonitor::start()
{
    showTime();
    tmrShowDateTime.start();
    tmrReferralNotice.start();
    // The first look need not wait for the first tick.
    QTimer::singleShot(0, this, &NoticeMonitor::pollReferrals);
}

void NoticeMonitor::showTime()
{
    const QString text = clockText(QDateTime::currentDateTime());
    if (m_clock && m_clock->text() != text) // most ticks change nothing: no repaint then
        m_clock->setText(text);
}

void NoticeMonitor::pollReferrals()
{
    if (m_alerting)
        return;
    data::Connection *connection = m_connection ? m_connection() : nullptr;
    if (!connection)
        return;
    ++m_polls;
    try {
        const data::LockWait wait(*connection, kLockWaitMs);
        const data::Recordset rs = connection->open(
            QStringLiteral("MSS..sp_MSS_LoadReferralNoticeCount"), data::CursorType::Dynamic, data::LockType::ReadOnly);
        if (tmrReferralNotice.interval() != kPollIntervalMs)
            tmrReferralNotice.setInterval(kPollIntervalMs);
        m_failureReported = false;
        if (rs.eof() || rs.number(QStringLiteral("recCount")) <= 0)
            return;
    } catch (const data::DbError &e) {
        // Not a window's command: say it once and look again later rather than every second.
        tmrReferralNotice.setInterval(kRetryAfterFailureMs);
        if (!m_failureReported)
            emit pollFailed(e.displayText());
        m_failureReported = true;
        return;
    }
    // Alerting is for good: nothing more to learn from polling.
    m_alerting = true;
    tmrReferralNotice.stop();
    if (m_button)
        m_button->setAutoRaise(false); // opaque
    setButtonColour(QStringLiteral("rgb(255, 0, 0)"));
    Timer1.start();
    // Half a period apart, so that the two colours take turns instead of firing together.
    QTimer::singleShot(kColourIntervalMs / 2, this, [this] {
        setButtonColour(QStringLiteral("rgb(255, 255, 128)"));
        Timer2.start();
    });
}

void NoticeMonitor::setButtonColour(const QString &colour)
{
    if (m_button)
        m_button->setStyleSheet(
            QStringLiteral("QToolButton#%1 { background-color: %2; border: 1px solid #8a6d00; border-radius: 4px; }")
                .arg(m_button->objectName(), colour));
}

} // namespace mss::shell
