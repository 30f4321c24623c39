#pragma once

#include "auth/logonthrottle.h"
#include "data/connection.h"

#include <QSet>
#include <QString>

#include <functional>
#include <memory>

namespace mss::suite {

// Where the session's data is: the embedded database in a folder, or the hospital's SQL Server
// through an ODBC connection string.
struct DataSource {
    bool embedded = true;
    QString folder; // embedded
    QString odbcConnection; // SQL Server

    static QString defaultEmbeddedFolder(); // in the user's data folder
    // True when the folder is the program's own demo folder and no hospital was ever kept
    // there: the only place a demo hospital may be made.
    static bool mayHoldNewDemo(const QString &folder);
    static DataSource remembered(); // the last choice, or the embedded default
    void remember() const;
};

// The suite's user-session component: logs a user on and hands out the user's identity and the
// session's one database connection. The password itself is never kept; checkPassword asks the
// database's hash instead.
class clsCurrentUser {
public:
    // Wrong passwords of known users are counted with the user in the database; those of codes
    // that are no user, in the throttle given, which outlives this object (without one, in a
    // throttle of its own). The throttle's clock is the lock-out's too.
    explicit clsCurrentUser(LogOnThrottle *throttle = nullptr);
    ~clsCurrentUser();
    clsCurrentUser(const clsCurrentUser &) = delete;
    clsCurrentUser &operator=(const clsCurrentUser &) = delete;

    QString PasswordDeptCode;
    // The log-on window: true when the user logged on through it, false when they gave up. The
    // session's shell provides it.
    std::function<bool(clsCurrentUser &)> LogOnWindow;
    // Makes a demo hospital, with its published administrator password, in the given folder once
    // the user agrees, and opens it; null when they do not. Start-up provides it: without it no
    // demo is ever made.
    std::function<std::unique_ptr<data::Connection>(const QString &folder)> MakeDemoHospital;

    // What OpenServerConnection raises when the user stops waiting for the server.
    static constexpr long long kConnectionCancelled = -20;

    // Opens the connection to the hospital's server. The log-on window runs it where the window
    // stays alive meanwhile; without one it is data::openConnection.
    std::function<std::unique_ptr<data::Connection>(const QString &connectionString)> OpenServerConnection;

    // Shows the log-on window; returns when the user has logged on or given up.
    void ShowMain();

    bool Connected() const;
    data::Connection *sqlconnection() const { return m_connection.get(); }
    QString employeecode() const { return m_employeeCode; }
    QString EmployeeName() const { return m_employeeName; }
    QString ServerName() const { return m_serverName; }
    QString Database() const { return QStringLiteral("MSS"); }
    bool have_rights(const QString &code) const;
    // True when the typed text is the logged-on user's password.
    bool checkPassword(const QString &typed) const;
    // True when the typed text is the user's code (in any letter case) followed by the user's
    // password (exactly as set): how a user confirms an action that needs their rights. A wrong
    // text counts toward the user's lock-out in the database, as a wrong log-on does; while the
    // user is locked out nothing is accepted.
    bool checkConfirmation(const QString &typed) const;
    // Seconds the logged-on user must wait after too many wrong passwords; 0 when not locked.
    int secondsLockedOut() const;

    // The log-on itself, without a dialog: opens the data source unless the same source is
    // already open, then checks the user. A demo hospital is made only in the program's own
    // demo folder, the first time, when MakeDemoHospital is given and the user agrees; any other folder without
    // its files is reported as such.
    // On failure returns false with a message for the user in *error.
    bool logOn(const DataSource &source, const QString &userCode, const QString &password, QString *error);

private:
    bool openSource(const DataSource &source, QString *error);
    // The rights and the name of a user whose password was right.
    void takeUser(const data::Recordset &user, const QString &code);

    LogOnThrottle m_ownThrottle;
    LogOnThrottle &m_throttle;
    std::unique_ptr<data::Connection> m_connection;
    QString m_openSource; // connection string of m_connection
    QString m_employeeCode;
    QString m_employeeName;
    QString m_serverName;
    QSet<QString> m_rights;
    bool m_loggedOn = false;
};

} // namespace mss::suite
