#include "auth/logonthrottle.h"

namespace mss::suite {

LogOnThrottle::LogOnThrottle(std::function<QDateTime()> clock) : m_clock(std::move(clock)) { }

int LogOnThrottle::secondsToWait(const QString &userCode) const
{
    const auto it = m_entries.constFind(userCode.trimmed().toUpper());
    if (it == m_entries.cend() || !it->lockedUntil.isValid())
        return 0;
    const qint64 ms = m_clock().msecsTo(it->lockedUntil);
    return ms <= 0 ? 0 : int((ms + 999) / 1000);
}

void LogOnThrottle::recordFailure(const QString &userCode)
{
    Entry &entry = m_entries[userCode.trimmed().toUpper()];
    ++entry.failures;
    if (entry.failures >= kFreeTries)
        entry.lockedUntil = m_clock().addSecs(kWaitSeconds);
}

void LogOnThrottle::recordSuccess(const QString &userCode)
{
    m_entries.remove(userCode.trimmed().toUpper());
}

} // namespace mss::suite
