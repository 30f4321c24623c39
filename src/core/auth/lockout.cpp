#include "auth/lockout.h"

#include "data/values.h"

#include <algorithm>

namespace mss::suite {

namespace {

const QString kCode = QStringLiteral("code");

int intOf(const data::Recordset &row, const QString &column)
{
    return int(row.number(column));
}

} // namespace

UserLockout::UserLockout(data::Connection &connection, QDateTime now) : m_connection(connection), m_now(now.toUTC()) { }

int UserLockout::waitSeconds(int lockOuts)
{
    if (lockOuts <= 0)
        return 0;
    const int doublings = std::min(lockOuts - 1, 16);
    return std::min(kLongestWaitSeconds, kFirstWaitSeconds << doublings);
}

LockoutState UserLockout::fromRow(const data::Recordset &row)
{
    LockoutState state;
    state.failedLogOns = intOf(row, QStringLiteral("FailedLogOns"));
    state.lockOuts = intOf(row, QStringLiteral("LockOuts"));
    // Written as UTC by recordFailure; the column itself has no zone.
    if (const auto until = data::dateTimeOf(row.value(QStringLiteral("LockedUntil"))))
        state.lockedUntil = QDateTime(until->date(), until->time(), Qt::UTC);
    return state;
}

LockoutState UserLockout::state(const QString &userCode)
{
    const data::Recordset row = m_connection.query(
        QStringLiteral("SELECT FailedLogOns, LockOuts, LockedUntil FROM MSS..tbMSSUser WHERE UserCode = :code"),
        { { kCode, userCode.trimmed() } });
    return row.eof() ? LockoutState() : fromRow(row);
}

int UserLockout::secondsToWait(const LockoutState &state) const
{
    if (!state.lockedUntil.isValid())
        return 0;
    const qint64 ms = m_now.msecsTo(state.lockedUntil);
    // A clock set back must not lock a user for longer than the longest wait.
    return ms <= 0 ? 0 : int(std::min<qint64>((ms + 999) / 1000, kLongestWaitSeconds));
}

int UserLockout::recordFailure(const QString &userCode)
{
    const QString code = userCode.trimmed();
    // One statement counts, so two workstations failing at once both count.
    m_connection.query(QStringLiteral("UPDATE MSS..tbMSSUser SET FailedLogOns = FailedLogOns + 1, "
                                      "LockOuts = CASE WHEN FailedLogOns + 1 >= %1 THEN LockOuts + 1 ELSE LockOuts END "
                                      "WHERE UserCode = :code")
                           .arg(kFreeTries),
        { { kCode, code } });
    const LockoutState now = state(code);
    if (now.failedLogOns < kFreeTries)
        return 0;
    const int wait = waitSeconds(now.lockOuts);
    // The column keeps whole seconds: round up, so that the wait is never cut short.
    QDateTime until = m_now.addSecs(wait);
    if (const int ms = until.time().msec(); ms != 0)
        until = until.addMSecs(1000 - ms);
    m_connection.query(QStringLiteral("UPDATE MSS..tbMSSUser SET LockedUntil = :until WHERE UserCode = :code"),
        { { QStringLiteral("until"), until }, { kCode, code } });
    return wait;
}

void UserLockout::clear(const QString &userCode)
{
    m_connection.query(QStringLiteral("UPDATE MSS..tbMSSUser SET FailedLogOns = 0, LockOuts = 0, LockedUntil = NULL "
                                      "WHERE UserCode = :code"),
        { { kCode, userCode.trimmed() } });
}

} // namespace mss::suite
