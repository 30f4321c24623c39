#include "auth/currentuser.h"

#include "auth/lockout.h"
#include "auth/settings.h"
#include "data/connectionstring.h"
#include "data/embedded.h"
#include "db/hospitaldb.h"
#include "db/hospitalfolder.h"
#include "db/password.h"
#include "db/serverobjects.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>

#include <chrono>
#include <thread>

namespace mss::suite {

namespace {

QString odbcServer(const QString &connectionString)
{
    static const QRegularExpression server(QStringLiteral(R"((?:^|;)\s*(?:Server|DSN|Data Source)\s*=\s*([^;]*))"),
        QRegularExpression::CaseInsensitiveOption);
    return server.match(connectionString).captured(1).trimmed();
}

// The least time a refused password takes, known code or not: more than the password check and
// the write that counts a user's failure take on a busy workstation.
constexpr qint64 kRefusalMs = 400;

// A hash made as the users' hashes of this database were made, to check a password against when
// the code is no user's: its cost is theirs.
QString standInPasswordHash(data::Connection &connection)
{
    const data::Recordset any
        = connection.query(QStringLiteral("SELECT max(PasswordHash) AS PasswordHash FROM MSS..tbMSSUser"));
    if (!any.eof() && !any.text(0).isEmpty())
        return any.text(0);
    static const QString none = data::hashPassword(QStringLiteral("no user has this password"));
    return none;
}

bool sameFolder(const QString &a, const QString &b)
{
    return QDir::cleanPath(QDir(a).absolutePath()) == QDir::cleanPath(QDir(b).absolutePath());
}

} // namespace

QString DataSource::defaultEmbeddedFolder()
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)).filePath(QStringLiteral("hospital"));
}

bool DataSource::mayHoldNewDemo(const QString &folder)
{
    if (!sameFolder(folder, defaultEmbeddedFolder()) || Settings().demoFolderHeldHospital())
        return false;
    const QFileInfo info(folder);
    return !info.exists()
        || (info.isDir()
            && QDir(folder).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot));
}

DataSource DataSource::remembered()
{
    Settings settings;
    DataSource source;
    source.embedded = settings.logOnEmbedded();
    source.folder = settings.logOnFolder(defaultEmbeddedFolder());
    source.odbcConnection = settings.logOnConnectionString();
    return source;
}

void DataSource::remember() const
{
    Settings().setLogOnSource(embedded, folder, odbcConnection);
}

clsCurrentUser::clsCurrentUser(LogOnThrottle *throttle) : m_throttle(throttle ? *throttle : m_ownThrottle) { }
clsCurrentUser::~clsCurrentUser() = default;

bool clsCurrentUser::Connected() const
{
    return m_loggedOn && m_connection && m_connection->state() == data::ConnectionState::Open;
}

bool clsCurrentUser::have_rights(const QString &code) const
{
    return m_loggedOn && m_rights.contains(code.trimmed().toUpper());
}

void clsCurrentUser::ShowMain()
{
    if (!LogOnWindow || !LogOnWindow(*this)) {
        m_loggedOn = false;
        if (m_connection)
            m_connection->close();
    }
}

bool clsCurrentUser::openSource(const DataSource &source, QString *error)
{
    const QString wanted
        = source.embedded ? QStringLiteral("Driver=Embedded;Folder=") + source.folder : source.odbcConnection.trimmed();
    if (m_connection && m_connection->state() == data::ConnectionState::Open && m_openSource == wanted)
        return true;
    if (m_connection)
        m_connection->close();
    m_connection.reset();
    m_openSource.clear();
    try {
        if (source.embedded) {
            if (source.folder.trimmed().isEmpty()) {
                *error = QStringLiteral("Please choose the folder of the embedded database.");
                return false;
            }
            const QString shown = QDir::toNativeSeparators(source.folder);
            if (data::hospitalDatabaseExists(source.folder)) {
                m_connection = data::openHospitalDatabase(source.folder);
            } else if (DataSource::mayHoldNewDemo(source.folder)) {
                // The demo's administrator password is published: it never takes a real
                // hospital's place, and is made only when the user agrees.
                if (MakeDemoHospital)
                    m_connection = MakeDemoHospital(source.folder);
                if (!m_connection) {
                    *error = QStringLiteral("No hospital database in %1: no demo hospital was made.").arg(shown);
                    return false;
                }
            } else {
                *error = QStringLiteral("No hospital database in %1: the files are missing.").arg(shown);
                return false;
            }
            if (sameFolder(source.folder, DataSource::defaultEmbeddedFolder()))
                Settings().setDemoFolderHeldHospital();
            m_serverName = shown;
        } else {
            if (wanted.isEmpty()) {
                *error = QStringLiteral("Please enter the ODBC connection string of the hospital's SQL Server.");
                return false;
            }
            m_connection = OpenServerConnection ? OpenServerConnection(wanted) : data::openConnection(wanted);
            m_serverName = odbcServer(wanted);
            if (const QString problem = data::serverSchemaProblem(*m_connection); !problem.isEmpty()) {
                m_connection.reset();
                *error = problem;
                return false;
            }
        }
    } catch (const data::DbError &e) {
        m_connection.reset();
        *error = data::hidePassword(e.number() == kConnectionCancelled
                ? e.description()
                : QStringLiteral("The database could not be opened.\n%1").arg(e.description()),
            source.odbcConnection);
        return false;
    }
    m_openSource = wanted;
    return true;
}

bool clsCurrentUser::logOn(const DataSource &source, const QString &userCode, const QString &password, QString *error)
{
    m_loggedOn = false;
    const QString code = userCode.trimmed();
    if (code.isEmpty()) {
        *error = QStringLiteral("Please enter your user code.");
        return false;
    }
    if (password.isEmpty()) {
        *error = QStringLiteral("Please enter your password.");
        return false;
    }
    const auto tooMany = [&](int wait) {
        return QStringLiteral("Too many wrong passwords for user %1. Please wait %2 seconds before trying again.")
            .arg(code)
            .arg(wait);
    };
    // Codes that are not users are slowed down here, in the program; users in the database.
    LogOnThrottle &throttle = m_throttle;
    if (const int wait = throttle.secondsToWait(code); wait > 0) {
        *error = tooMany(wait);
        return false;
    }
    if (!openSource(source, error))
        return false;

    QElapsedTimer checking;
    checking.start();
    try {
        data::Recordset user = m_connection->query(
            QStringLiteral(
                "SELECT u.UserCode, u.PasswordHash, u.DeptCode, u.Active, u.FailedLogOns, u.LockOuts, u.LockedUntil, "
                "e.LastName, e.FirstName, e.MiddleName "
                "FROM MSS..tbMSSUser u LEFT JOIN MSS..tbMSSEmployee e ON e.EmployeeID = u.UserCode "
                "WHERE u.UserCode = :code"),
            { { QStringLiteral("code"), code } });
        // One refusal for an unknown user and a wrong password, so codes cannot be probed.
        const bool known = !user.eof() && user.number(QStringLiteral("Active")) != 0;
        UserLockout lockout(*m_connection, throttle.now());
        const LockoutState state = known ? UserLockout::fromRow(user) : LockoutState();
        if (const int wait = lockout.secondsToWait(state); wait > 0) {
            *error = tooMany(wait);
            return false;
        }
        // A code that is no user costs a password check too, against a hash of the same
        // database, so that the time a refusal takes does not tell which codes are users.
        const bool matches = data::verifyPassword(
            user.eof() ? standInPasswordHash(*m_connection) : user.text(QStringLiteral("PasswordHash")), password);
        const bool passwordOk = known && matches;
        if (!passwordOk) {
            if (known)
                lockout.recordFailure(code);
            else
                throttle.recordFailure(code);
            // Counting a user's failure writes to the database, which a code that is no user's
            // does not: every refusal takes the same least time, so the time does not tell.
            if (const qint64 left = kRefusalMs - checking.elapsed(); left > 0)
                std::this_thread::sleep_for(std::chrono::milliseconds(left));
            *error = QStringLiteral("The user code or the password is not correct.");
            return false;
        }
        if (state.failedLogOns != 0 || state.lockOuts != 0 || state.lockedUntil.isValid())
            lockout.clear(code);
        if (!PasswordDeptCode.isEmpty()
            && user.text(QStringLiteral("DeptCode")).compare(PasswordDeptCode, Qt::CaseInsensitive) != 0) {
            *error = QStringLiteral("User %1 may not log on to the %2 department.").arg(code, PasswordDeptCode);
            return false;
        }
        throttle.recordSuccess(code);

        takeUser(user, code);
    } catch (const data::DbError &e) {
        *error = QStringLiteral("The user could not be checked.\n%1").arg(e.description());
        return false;
    }
    m_loggedOn = true;
    return true;
}

void clsCurrentUser::takeUser(const data::Recordset &user, const QString &code)
{
    data::Recordset rights
        = m_connection->query(QStringLiteral("SELECT RightCode FROM MSS..tbMSSUserRight WHERE UserCode = :code"),
            { { QStringLiteral("code"), code } });
    m_rights.clear();
    for (; !rights.eof(); rights.moveNext())
        m_rights.insert(rights.text(0).trimmed().toUpper());

    const QString first = user.text(QStringLiteral("FirstName")).trimmed();
    const QString middle = user.text(QStringLiteral("MiddleName")).trimmed();
    const QString last = user.text(QStringLiteral("LastName")).trimmed();
    m_employeeName = (first + (middle.isEmpty() ? QString() : QLatin1Char(' ') + middle.left(1) + QLatin1Char('.'))
        + QLatin1Char(' ') + last)
                         .trimmed();
    m_employeeCode = user.text(QStringLiteral("UserCode"));
}

bool clsCurrentUser::checkPassword(const QString &typed) const
{
    if (!Connected())
        return false;
    data::Recordset user
        = m_connection->query(QStringLiteral("SELECT PasswordHash FROM MSS..tbMSSUser WHERE UserCode = :code"),
            { { QStringLiteral("code"), m_employeeCode } });
    return !user.eof() && data::verifyPassword(user.text(0), typed);
}

bool clsCurrentUser::checkConfirmation(const QString &typed) const
{
    const QString code = m_employeeCode.trimmed();
    if (code.isEmpty() || !Connected())
        return false;
    // The prompt is another door to the same password: its wrong tries count toward the user's
    // lock-out exactly as wrong log-ons do, and a locked user is refused here too.
    UserLockout lockout(*m_connection, m_throttle.now());
    const LockoutState state = lockout.state(code);
    if (lockout.secondsToWait(state) > 0)
        return false;
    if (!typed.startsWith(code, Qt::CaseInsensitive) || !checkPassword(typed.mid(code.size()))) {
        lockout.recordFailure(code);
        return false;
    }
    if (state.failedLogOns != 0 || state.lockOuts != 0 || state.lockedUntil.isValid())
        lockout.clear(code);
    return true;
}

int clsCurrentUser::secondsLockedOut() const
{
    if (!Connected() || m_employeeCode.trimmed().isEmpty())
        return 0;
    UserLockout lockout(*m_connection, m_throttle.now());
    return lockout.secondsToWait(lockout.state(m_employeeCode));
}

} // namespace mss::suite
