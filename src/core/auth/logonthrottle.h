#pragma once

#include <QDateTime>
#include <QHash>
#include <QString>

#include <functional>

namespace mss::suite {

// Slows down password guessing: after five wrong passwords for a user code, that user must wait
// before the next try; every further wrong password starts the wait again.
class LogOnThrottle {
public:
    static constexpr int kFreeTries = 5;
    static constexpr int kWaitSeconds = 30;

    explicit LogOnThrottle(std::function<QDateTime()> clock = &QDateTime::currentDateTimeUtc);

    // Seconds the user must still wait before trying; 0 when a try is allowed now.
    int secondsToWait(const QString &userCode) const;
    void recordFailure(const QString &userCode);
    void recordSuccess(const QString &userCode);
    // The throttle's clock, which the lock-out in the database reads too.
    QDateTime now() const { return m_clock(); }

private:
    struct Entry {
        int failures = 0;
        QDateTime lockedUntil;
    };
    std::function<QDateTime()> m_clock;
    QHash<QString, Entry> m_entries; // by upper-cased user code
};

} // namespace mss::suite
