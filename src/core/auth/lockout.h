#pragma once

#include "data/connection.h"

#include <QDateTime>
#include <QString>

namespace mss::suite {

// What the users table keeps about a user's wrong passwords.
struct LockoutState {
    int failedLogOns = 0; // wrong passwords since the last good log-on
    int lockOuts = 0; // times the user was locked since the last good log-on
    QDateTime lockedUntil; // UTC; invalid when not locked
};

// Locks a user out after five wrong passwords, for a wait that doubles with each further
// lock-out. The count lives with the user in the database, so neither a restart nor another
// workstation gives fresh tries. Works on either driver: the statements are plain T-SQL.
class UserLockout {
public:
    static constexpr int kFreeTries = 5;
    static constexpr int kFirstWaitSeconds = 30;
    static constexpr int kLongestWaitSeconds = 3600;

    explicit UserLockout(data::Connection &connection, QDateTime now = QDateTime::currentDateTimeUtc());

    // The wait after the given number of lock-outs (1 for the first).
    static int waitSeconds(int lockOuts);
    // Reads the columns FailedLogOns, LockOuts and LockedUntil of the current row.
    static LockoutState fromRow(const data::Recordset &row);

    LockoutState state(const QString &userCode);
    // Seconds the user must still wait; 0 when a try is allowed now.
    int secondsToWait(const LockoutState &state) const;
    // Counts a wrong password and returns the seconds the user must now wait (0 while tries remain).
    int recordFailure(const QString &userCode);
    // After a good password, or when the administrator unlocks the user.
    void clear(const QString &userCode);

private:
    data::Connection &m_connection;
    QDateTime m_now;
};

} // namespace mss::suite
