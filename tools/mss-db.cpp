// mss-db: creates the embedded hospital database, runs statements on it or on the hospital's SQL
// Server and manages log-ons.

#include "auth/lockout.h"
#include "db/catalogues.h"
#include "db/demodata.h"
#include "db/hospitaldb.h"
#include "db/password.h"
#include "engine/reportfiles.h"
#include "mssdb_embedded.h"
#include "mssdb_server.h"
#include "mssversion.h"

#include <QCoreApplication>
#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QGuiApplication>
#include <QStringList>
#include <QTextStream>

#include <termios.h>
#include <unistd.h>

#include <sys/types.h>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <functional>
#include <iostream>
#include <memory>
#include <optional>

using namespace mss::data;
namespace reports = mss::reports;

namespace {

const char *const kUsage
    = "usage:\n"
      "  mss-db create DIR [--demo] [--patients N] [--seed S] [--today YYYY-MM-DD] [--force]\n"
      "      creates the four databases in DIR; --demo fills them with demo data of N admissions\n"
      "      (100 to 200000, default 2000); an existing database is kept unless --force\n"
      "  mss-db create DIR [--hospital NAME] [--address A] [--address2 A] [--admin CODE] [--last NAME]\n"
      "                    [--first NAME] [--password-fd N]\n"
      "      without --demo: a real hospital with the reference catalogues, no patients, and its first\n"
      "      administrator; what is not given is asked for on the terminal\n"
      "  mss-db check DIR\n"
      "      checks every page of the four files, their schema version and the folder's rights, then\n"
      "      lists every table, view and procedure the program uses and says which the database lacks,\n"
      "      then each column its statements and reports read that a table or view lacks; exits with 1\n"
      "      when anything is wrong\n"
      "  mss-db backup DIR DEST\n"
      "      copies the four files, all as of one moment, into the new folder DEST (also while the\n"
      "      program runs)\n"
      "  mss-db exec DIR STATEMENT\n"
      "      runs one statement as the program would and prints its rows, tab-separated\n"
      "  mss-db user add DIR CODE --last NAME --first NAME [--password-fd N] [--rights R]\n"
      "  mss-db user passwd DIR CODE [--password-fd N]\n"
      "  mss-db user rights DIR CODE RIGHTS      (for example A; an empty text removes all)\n"
      "  mss-db user unlock DIR CODE             (after too many wrong passwords)\n"
      "  mss-db report DIR REPORTFILE OUT.pdf [VALUE ...] [--sub NAME VALUE ...]\n"
      "      renders a report definition to PDF on the database in DIR; REPORTFILE is a name in the\n"
      "      program's REPORTS folder or a path; values go to the report's parameters by position,\n"
      "      each --sub to the named subreport's (\"\" gives an empty value)\n"
      "  a new password is read from file descriptor N (--password-fd N), from MSS_USER_PASSWORD, or\n"
      "  from the terminal without echo; never from the command line, which every user can read. It\n"
      "  needs at least 8 characters and must pass the password-quality library's checks (no\n"
      "  dictionary word, not the user's code or name, no run of one character)\n"
      "  exec, user, report and check take --odbc CONNECTIONSTRING in place of DIR to work on the\n"
      "  hospital's SQL Server; its password comes from MSS_ODBC_PASSWORD or the prompt\n"
      "  mss-db --version\n";

struct UsageError {
    QString message;
};

// Options after the positional arguments: "--name value" or a bare "--flag".
class Options {
public:
    Options(const QStringList &args, const QStringList &flags)
    {
        for (int i = 0; i < args.size(); ++i) {
            const QString &a = args[i];
            if (a == QStringLiteral("--password"))
                throw UsageError { QStringLiteral("a password is not taken from the command line, where every user "
                                                  "of the machine can read it: use --password-fd N, "
                                                  "MSS_USER_PASSWORD or the prompt") };
            if (!a.startsWith(QStringLiteral("--"))) {
                m_positional.append(a);
            } else if (flags.contains(a)) {
                m_values.insert(a, QString());
            } else {
                if (i + 1 >= args.size())
                    throw UsageError { QStringLiteral("%1 needs a value").arg(a) };
                m_values.insert(a, args[++i]);
            }
        }
    }
    const QStringList &positional() const { return m_positional; }
    bool has(const QString &name) const { return m_values.contains(name); }
    QString value(const QString &name, const QString &fallback = {}) const { return m_values.value(name, fallback); }

private:
    QStringList m_positional;
    QHash<QString, QString> m_values;
};

QString readPassword(const QString &prompt)
{
    std::cerr << prompt.toStdString() << std::flush;
    termios old {};
    const bool terminal = isatty(STDIN_FILENO) && tcgetattr(STDIN_FILENO, &old) == 0;
    if (terminal) {
        termios quiet = old;
        quiet.c_lflag &= ~tcflag_t(ECHO);
        tcsetattr(STDIN_FILENO, TCSANOW, &quiet);
    }
    std::string line;
    std::getline(std::cin, line);
    if (terminal) {
        tcsetattr(STDIN_FILENO, TCSANOW, &old);
        std::cerr << "\n";
    }
    return QString::fromStdString(line);
}

// One line read from an open file descriptor, without its line end.
QString readPasswordFd(const QString &fdText)
{
    bool ok = false;
    const int fd = fdText.toInt(&ok);
    if (!ok || fd < 0)
        throw UsageError { QStringLiteral("--password-fd needs the number of an open file descriptor") };
    QByteArray line;
    char c = 0;
    ssize_t n = 0;
    while ((n = ::read(fd, &c, 1)) == 1 && c != '\n')
        line.append(c);
    if (n < 0)
        throw DbError(0, QStringLiteral("mss-db"),
            QStringLiteral("The password could not be read from file descriptor %1; nothing was changed").arg(fd));
    if (line.endsWith('\r'))
        line.chop(1);
    return QString::fromUtf8(line);
}

// A new user password: from the file descriptor given with --password-fd, from MSS_USER_PASSWORD,
// or typed at the prompt; never from the command line, which every user of the machine sees.
// It is judged with the user's code and names.
QString newPassword(const Options &options, const QString &userCode = {}, const QStringList &names = {})
{
    QString password;
    if (options.has(QStringLiteral("--password-fd"))) {
        password = readPasswordFd(options.value(QStringLiteral("--password-fd")));
    } else if (qEnvironmentVariableIsSet("MSS_USER_PASSWORD")) {
        password = qEnvironmentVariable("MSS_USER_PASSWORD");
    } else {
        password = readPassword(QStringLiteral("Password: "));
        if (isatty(STDIN_FILENO) && readPassword(QStringLiteral("Password again: ")) != password)
            throw DbError(0, QStringLiteral("mss-db"), QStringLiteral("The two passwords differ; nothing was changed"));
    }
    if (const QString problem = mss::data::passwordRuleProblem(password, userCode, names); !problem.isEmpty())
        throw DbError(0, QStringLiteral("mss-db"), problem + QStringLiteral(" Nothing was changed."));
    return password;
}

QString cell(const QVariant &v)
{
    if (v.isNull())
        return QStringLiteral("NULL");
    QString text = variantText(v);
    text.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    text.replace(QLatin1Char('\t'), QStringLiteral("\\t"));
    text.replace(QLatin1Char('\n'), QStringLiteral("\\n"));
    return text;
}

int create(const QStringList &args)
{
    const Options o(args, { QStringLiteral("--demo"), QStringLiteral("--force") });
    if (o.positional().size() != 1)
        throw UsageError { QStringLiteral("create needs one folder") };
    DemoOptions demo;
    if (o.has(QStringLiteral("--patients"))) {
        bool ok = false;
        demo.admissions = o.value(QStringLiteral("--patients")).toInt(&ok);
        if (!ok)
            throw UsageError { QStringLiteral("--patients needs a whole number") };
    }
    if (o.has(QStringLiteral("--seed"))) {
        bool ok = false;
        demo.seed = o.value(QStringLiteral("--seed")).toULongLong(&ok);
        if (!ok)
            throw UsageError { QStringLiteral("--seed needs a whole number") };
    }
    if (o.has(QStringLiteral("--today"))) {
        demo.today = QDate::fromString(o.value(QStringLiteral("--today")), QStringLiteral("yyyy-MM-dd"));
        if (!demo.today.isValid())
            throw UsageError { QStringLiteral("--today needs a date YYYY-MM-DD") };
    }
    const bool withDemo = o.has(QStringLiteral("--demo"));
    if (withDemo && (demo.admissions < kDemoMinAdmissions || demo.admissions > kDemoMaxAdmissions))
        throw UsageError {
            QStringLiteral("--patients must be from %1 to %2").arg(kDemoMinAdmissions).arg(kDemoMaxAdmissions)
        };

    const QString folder = o.positional().first();
    // Refused before any question is asked.
    if (hospitalDatabaseExists(folder) && !o.has(QStringLiteral("--force")))
        throw DbError(0, QStringLiteral("mss-db"),
            QStringLiteral("A hospital database already exists in %1; it is left as it is").arg(folder));
    std::function<void(EmbeddedConnection &)> fill;
    if (withDemo) {
        fill = [&](EmbeddedConnection &c) { generateDemoData(c, demo); };
    } else {
        const HospitalSetUp setUp = mssdb::askHospitalSetUp(
            [&](const QString &option, const QString &prompt) {
                return o.has(option) ? o.value(option) : mssdb::readAnswer(prompt);
            },
            [&] { return newPassword(o); });
        fill = [setUp](EmbeddedConnection &c) { setUpEmptyHospital(c, setUp); };
    }
    QElapsedTimer timer;
    timer.start();
    createHospitalDatabase(folder, o.has(QStringLiteral("--force")), fill);
    std::cerr << "Created the hospital database in " << o.positional().first().toStdString()
              << (withDemo ? QStringLiteral(" with %1 demo admissions").arg(demo.admissions).toStdString()
                           : std::string())
              << " in " << timer.elapsed() / 1000.0 << " s\n";
    return 0;
}

int execute(const QStringList &args, const mssdb::DatabaseOpener &opener)
{
    if (args.size() != 2)
        throw UsageError { QStringLiteral("exec needs a folder and one statement") };
    auto connection = opener.open(args[0]);
    const Recordset rs = connection->open(args[1]);
    QTextStream out(stdout);
    if (!rs.columns().isEmpty()) {
        out << rs.columns().join(QLatin1Char('\t')) << '\n';
        for (const QVariantList &row : rs.rows()) {
            QStringList cells;
            cells.reserve(row.size());
            for (const QVariant &v : row)
                cells.append(cell(v));
            out << cells.join(QLatin1Char('\t')) << '\n';
        }
    }
    return 0;
}

// One user of a hospital, as the user commands change it.
class UserAccount {
public:
    UserAccount(Connection &connection, const QString &code) : m_connection(connection), m_code(code) { }

    bool exists() const
    {
        return !m_connection
                    .query(QStringLiteral("SELECT 1 AS found FROM tbMSSUser WHERE UserCode = :code"), codeBinding())
                    .isEmpty();
    }

    // The last and first name when the code is an employee's.
    std::optional<QStringList> employeeNames() const
    {
        const Recordset e = m_connection.query(
            QStringLiteral("SELECT LastName, FirstName FROM tbMSSEmployee WHERE EmployeeID = :code"), codeBinding());
        if (e.isEmpty())
            return std::nullopt;
        return QStringList { e.text(0), e.text(1) };
    }

    void add(const Options &o)
    {
        if (exists())
            throw DbError(0, QStringLiteral("mss-db"), QStringLiteral("User %1 already exists").arg(m_code));
        const std::optional<QStringList> employee = employeeNames();
        const QString last = o.value(QStringLiteral("--last"));
        const QString first = o.value(QStringLiteral("--first"));
        if (!employee && (last.isEmpty() || first.isEmpty()))
            throw UsageError { QStringLiteral("%1 is not an employee yet: give --last and --first").arg(m_code) };
        const QString hash = mss::data::hashPassword(
            newPassword(o, m_code, QStringList { last, first } + employee.value_or(QStringList())));
        inTransaction([&] {
            if (!employee)
                m_connection.query(
                    QStringLiteral("INSERT INTO tbMSSEmployee (EmployeeID, LastName, FirstName, Position, "
                                   "IsSocialWorker, Active) VALUES (:code, :last, :first, 'USER', 0, 1)"),
                    { { QStringLiteral("code"), m_code }, { QStringLiteral("last"), last.toUpper() },
                        { QStringLiteral("first"), first.toUpper() } });
            m_connection.query(QStringLiteral("INSERT INTO tbMSSUser (UserCode, PasswordHash, CreatedDate, "
                                              "PasswordDate) VALUES (:code, :hash, :now, :now)"),
                { { QStringLiteral("code"), m_code }, { QStringLiteral("hash"), hash },
                    { QStringLiteral("now"), now() } });
            writeRights(o.value(QStringLiteral("--rights")));
        });
    }

    void changePassword(const Options &o)
    {
        const QString hash = mss::data::hashPassword(newPassword(o, m_code, employeeNames().value_or(QStringList())));
        m_connection.query(
            QStringLiteral("UPDATE tbMSSUser SET PasswordHash = :hash, PasswordDate = :now WHERE UserCode = :code"),
            { { QStringLiteral("code"), m_code }, { QStringLiteral("hash"), hash }, { QStringLiteral("now"), now() } });
    }

    void setRights(const QString &rights)
    {
        inTransaction([&] { writeRights(rights); });
    }

private:
    Bindings codeBinding() const { return { { QStringLiteral("code"), m_code } }; }

    // Local time as the embedded database writes it; SQL Server reads it under any language.
    static QString now() { return QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")); }

    void inTransaction(const std::function<void()> &work)
    {
        m_connection.beginTrans();
        try {
            work();
            m_connection.commitTrans();
        } catch (...) {
            m_connection.rollbackTrans();
            throw;
        }
    }

    void writeRights(const QString &rights)
    {
        m_connection.query(QStringLiteral("DELETE FROM tbMSSUserRight WHERE UserCode = :code"), codeBinding());
        QStringList codes;
        for (const QString &r : rights.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
            // "A,B" or "AB": rights are one-letter codes unless separated by commas.
            for (const QString &c : rights.contains(QLatin1Char(','))
                    ? QStringList { r.trimmed() }
                    : r.trimmed().split(QString(), Qt::SkipEmptyParts))
                if (!codes.contains(c.toUpper()))
                    codes.append(c.toUpper());
        }
        for (const QString &c : std::as_const(codes))
            m_connection.query(
                QStringLiteral("INSERT INTO tbMSSUserRight (UserCode, RightCode) VALUES (:code, :right)"),
                { { QStringLiteral("code"), m_code }, { QStringLiteral("right"), c } });
    }

    Connection &m_connection;
    QString m_code;
};

int user(const QStringList &args, const mssdb::DatabaseOpener &opener)
{
    if (args.isEmpty())
        throw UsageError { QStringLiteral("user needs add, passwd, rights or unlock") };
    const QString action = args.first();
    const Options o(args.mid(1), {});
    if (o.positional().size() < 2)
        throw UsageError { QStringLiteral("user %1 needs a folder and a user code").arg(action) };
    auto connection = opener.open(o.positional()[0]);
    const QString code = o.positional()[1].trimmed().toUpper();
    UserAccount account(*connection, code);
    if (action == QStringLiteral("add")) {
        if (o.positional().size() != 2)
            throw UsageError { QStringLiteral("user add takes a folder and a user code") };
        account.add(o);
        std::cerr << "User " << code.toStdString() << " added\n";
        return 0;
    }
    if (!account.exists())
        throw DbError(0, QStringLiteral("mss-db"), QStringLiteral("There is no user %1").arg(code));
    if (action == QStringLiteral("passwd")) {
        account.changePassword(o);
        std::cerr << "Password of " << code.toStdString() << " changed\n";
        return 0;
    }
    if (action == QStringLiteral("unlock")) {
        if (o.positional().size() != 2)
            throw UsageError { QStringLiteral("user unlock takes a folder and a user code") };
        mss::suite::UserLockout(*connection).clear(code);
        std::cerr << "User " << code.toStdString() << " unlocked\n";
        return 0;
    }
    if (action == QStringLiteral("rights")) {
        if (o.positional().size() != 3)
            throw UsageError { QStringLiteral("user rights takes a folder, a user code and the rights") };
        account.setRights(o.positional()[2]);
        std::cerr << "Rights of " << code.toStdString() << " set\n";
        return 0;
    }
    throw UsageError { QStringLiteral("unknown user action %1").arg(action) };
}

// A name without a folder is looked up where the program keeps its reports: beside this tool,
// as installed, or in the sources when the tool runs from a build folder.
QString reportDefinition(const QString &name)
{
    if (name.contains(QLatin1Char('/')) || name.contains(QLatin1Char('\\')) || QFileInfo::exists(name))
        return reports::resolveReportPath(name);
    const QStringList folders = mssdb::reportFolders();
    for (const QString &folder : folders) {
        const QString path = reports::resolveReportPath(folder + QLatin1Char('/') + name);
        if (QFileInfo(path).isFile())
            return path;
    }
    return reports::resolveReportPath(folders.first() + QLatin1Char('/') + name);
}

// Set by Ctrl+C or a termination request while a report renders: the render stops at the next
// row and its half-written PDF goes, instead of the process ending with the file half there.
std::atomic<bool> stopRendering { false };

extern "C" void requestStop(int)
{
    stopRendering = true;
}

int report(const QStringList &args, const mssdb::DatabaseOpener &opener)
{
    if (args.size() < 3)
        throw UsageError { QStringLiteral("report needs a folder, a report file and the PDF to write") };
    QVariantList values;
    QList<reports::SubreportValues> subs;
    for (int i = 3; i < args.size(); ++i) {
        if (args[i] == QStringLiteral("--sub")) {
            if (i + 1 >= args.size())
                throw UsageError { QStringLiteral("--sub needs a subreport name") };
            subs.append({ args[++i], {} });
        } else if (subs.isEmpty()) {
            values.append(args[i]);
        } else {
            subs.last().values.append(args[i]);
        }
    }
    auto connection = opener.open(args[0]);
    reports::ReportContext context;
    context.connection = connection.get();
    try {
        const Recordset info
            = connection->open(QStringLiteral("SELECT Company, Address1 FROM PATIENT_DATA..tbHospitalInfo"));
        context.hospitalName = info.isEmpty() ? QString() : info.text(0);
    } catch (const DbError &e) {
        // The report itself may still run: a database outside the suite has no hospital row.
        std::cerr << "mss-db: the hospital's name could not be read, the report prints none: "
                  << e.displayText().toStdString() << "\n";
    }
    context.userName = QStringLiteral("mss-db");
    const QString definition = reportDefinition(args[1]);
    context.reportsPath = QFileInfo(definition).absolutePath() + QLatin1Char('/');
    std::signal(SIGINT, requestStop);
    std::signal(SIGTERM, requestStop);
    int pages = 0;
    try {
        pages = reports::renderToPdf(definition, context, values, subs, args[2], &stopRendering);
    } catch (const reports::LayoutCancelled &) {
        std::cerr << "mss-db: stopped; no PDF was written\n";
        return 130;
    }
    std::cerr << "Wrote " << pages << (pages == 1 ? " page" : " pages") << " to " << args[2].toStdString() << "\n";
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc == 2 && qstrcmp(argv[1], "--version") == 0) {
        std::cout << "mss-db " MSS_VERSION "\n";
        return 0;
    }
    // Reports measure text with real fonts, which need a GUI application; without a display it
    // runs off screen.
    // check reads the report definitions too.
    const bool reporting = argc > 1 && (qstrcmp(argv[1], "report") == 0 || qstrcmp(argv[1], "check") == 0);
    if (reporting && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY")
        && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    std::unique_ptr<QCoreApplication> application
        = reporting ? std::make_unique<QGuiApplication>(argc, argv) : std::make_unique<QCoreApplication>(argc, argv);
    QStringList args = QCoreApplication::arguments().mid(1);
    std::optional<mssdb::DatabaseOpener> opener;
    try {
        opener.emplace(mssdb::takeOdbcOption(args), readPassword);
        if (args.isEmpty())
            throw UsageError { QStringLiteral("no command") };
        const QString command = args.first();
        if (command == QStringLiteral("create")) {
            if (opener->isOdbc())
                throw UsageError { QStringLiteral(
                    "create makes embedded databases; a server gets its objects from db/sqlserver/deploy.sql") };
            return create(args.mid(1));
        }
        if (command == QStringLiteral("exec"))
            return execute(args.mid(1), *opener);
        if (command == QStringLiteral("user"))
            return user(args.mid(1), *opener);
        if (command == QStringLiteral("report"))
            return report(args.mid(1), *opener);
        if (command == QStringLiteral("check")) {
            if (args.size() != 2)
                throw UsageError { QStringLiteral("check needs a folder") };
            QTextStream out(stdout);
            if (opener->isOdbc())
                return mssdb::check(*opener->open(args[1]), out);
            // The files first: a damaged file is not opened for the list of objects.
            if (const int files = mssdb::checkCommand(args.mid(1)); files != 0)
                return files;
            return mssdb::check(*opener->open(args[1]), out);
        }
        if (command == QStringLiteral("backup"))
            return mssdb::backupCommand(args.mid(1));
        if (command == QStringLiteral("--help") || command == QStringLiteral("help")) {
            std::cout << kUsage;
            return 0;
        }
        throw UsageError { QStringLiteral("unknown command %1").arg(command) };
    } catch (const UsageError &e) {
        std::cerr << "mss-db: " << e.message.toStdString() << "\n" << kUsage;
        return 2;
    } catch (const DbError &e) {
        const QString text = e.displayText();
        std::cerr << "mss-db: " << (opener ? opener->hide(text) : text).toStdString() << "\n";
        if (!e.statement().isEmpty())
            std::cerr << "  statement: " << (opener ? opener->hide(e.statement()) : e.statement()).toStdString()
                      << "\n";
        return 1;
    } catch (const reports::ReportError &e) {
        const QString text = QString::fromUtf8(e.what());
        std::cerr << "mss-db: " << (opener ? opener->hide(text) : text).toStdString() << "\n";
        return 1;
    } catch (const std::exception &e) {
        std::cerr << "mss-db: " << e.what() << "\n";
        return 1;
    }
}
