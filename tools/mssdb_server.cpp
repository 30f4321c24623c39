#include "mssdb_server.h"

#include "data/connectionstring.h"
#include "data/dberror.h"
#include "data/odbc.h"
#include "db/hospitaldb.h"
#include "db/serverobjects.h"
#include "engine/reportdefinition.h"

#include <QCoreApplication>
#include <QDir>
#include <QRegularExpression>

#include <unistd.h>

using namespace mss::data;

namespace mssdb {

namespace {

bool isSqlServer(const Connection &connection)
{
    const auto *odbc = dynamic_cast<const OdbcConnection *>(&connection);
    return odbc && odbc->dbmsName().contains(QLatin1String("SQL Server"), Qt::CaseInsensitive);
}

QString userOf(const QString &connectionString)
{
    static const QRegularExpression uid(
        QStringLiteral(R"((?:^|;)\s*(?:UID|User ID)\s*=\s*([^;]*))"), QRegularExpression::CaseInsensitiveOption);
    return uid.match(connectionString).captured(1).trimmed();
}

// The queries of the shipped report definitions that run on this connection's driver.
QList<StatementSource> reportStatements(const Connection &connection)
{
    const bool embedded = connection.driverName() == QLatin1String("Embedded");
    QList<StatementSource> statements;
    for (const QString &folder : reportFolders()) {
        const QDir dir(folder);
        if (!dir.exists())
            continue;
        for (const QFileInfo &file : dir.entryInfoList(QDir::Files, QDir::Name)) {
            if (file.suffix().compare(QLatin1String("rpt"), Qt::CaseInsensitive) != 0)
                continue;
            const mss::reports::ReportDefinition def = mss::reports::loadDefinition(file.absoluteFilePath());
            QList<const mss::reports::ReportBody *> bodies { &def.main };
            for (const mss::reports::ReportBody &sub : def.subreports)
                bodies.append(&sub);
            for (const mss::reports::ReportBody *body : std::as_const(bodies))
                for (const mss::reports::QueryDef &q : body->queries)
                    if (embedded ? q.driver != QLatin1String("ODBC") : q.driver == connection.driverName())
                        statements.append({ QStringLiteral("REPORTS/") + file.fileName(), q.sql });
        }
        break; // the first folder that exists is the one the program uses
    }
    return statements;
}

} // namespace

DatabaseOpener::DatabaseOpener(std::optional<QString> odbc, Prompt prompt)
    : m_odbc(std::move(odbc)), m_prompt(std::move(prompt))
{
}

QString DatabaseOpener::hide(const QString &message) const
{
    if (!m_odbc)
        return message;
    QString hidden = hidePassword(message, *m_odbc);
    if (m_password && !m_password->isEmpty())
        hidden.replace(*m_password, QStringLiteral("***"));
    return hidden;
}

std::unique_ptr<Connection> DatabaseOpener::open(const QString &folder) const
{
    if (!m_odbc)
        return openHospitalDatabase(folder);
    if (!folder.isEmpty())
        throw DbError(0, QStringLiteral("mss-db"), QStringLiteral("Give either a folder or --odbc, not both"));
    QString connectionString = *m_odbc;
    if (!m_password) {
        // A password on the command line is seen by every user of the machine: the environment
        // or the prompt are the better places for it.
        if (!connectionPassword(connectionString).isEmpty())
            m_password = connectionPassword(connectionString);
        else if (qEnvironmentVariableIsSet("MSS_ODBC_PASSWORD"))
            m_password = qEnvironmentVariable("MSS_ODBC_PASSWORD");
        else if (!userOf(connectionString).isEmpty() && isatty(STDIN_FILENO))
            m_password = m_prompt(QStringLiteral("Password of %1 on the server: ").arg(userOf(connectionString)));
        else
            m_password = QString();
    }
    connectionString = withPassword(connectionString, *m_password);
    try {
        auto connection = openConnection(connectionString);
        // The program's statements name the department's tables without their database.
        if (isSqlServer(*connection))
            connection->setDefaultDatabase(QStringLiteral("MSS"));
        return connection;
    } catch (const DbError &e) {
        throw DbError(e.number(), e.source(), hide(e.description()));
    }
}

std::optional<QString> takeOdbcOption(QStringList &args)
{
    const qsizetype at = args.indexOf(QStringLiteral("--odbc"));
    if (at < 0)
        return std::nullopt;
    if (at + 1 >= args.size())
        throw DbError(0, QStringLiteral("mss-db"), QStringLiteral("--odbc needs an ODBC connection string"));
    const QString connectionString = args[at + 1];
    args.remove(at, 2);
    const qsizetype folderAt = !args.isEmpty() && args.first() == QLatin1String("user") ? 2 : 1;
    args.insert(std::min(folderAt, args.size()), QString());
    return connectionString;
}

QStringList reportFolders()
{
    return { QCoreApplication::applicationDirPath() + QStringLiteral("/REPORTS"),
        QCoreApplication::applicationDirPath() + QStringLiteral("/../REPORTS") };
}

int check(Connection &connection, QTextStream &out)
{
    const bool server = connection.driverName() != QLatin1String("Embedded");
    const QList<StatementSource> reports = reportStatements(connection);
    const QList<DatabaseObject> objects = programObjects(reports);
    int missing = 0;
    int listed = 0;
    for (const DatabaseObject &o : objects) {
        // The embedded database is made whole by the program itself; only the server needs
        // what the deployment script adds.
        if (!server && o.programOwn && !o.embedded)
            continue;
        const bool present = hasObject(connection, o);
        missing += present ? 0 : 1;
        ++listed;
        out << (present ? "ok       " : "MISSING  ") << o.fullName() << '\t' << kindName(o.kind) << '\t'
            << o.usedBy.join(QStringLiteral(", ")) << '\n';
    }
    out << listed << " objects, " << missing << " missing\n";
    int code = missing > 0 ? 1 : 0;

    // A table that is there but lacks a column fails only when a window or report reads it,
    // in front of a user: name each such column with where it is read.
    const QList<ColumnUse> columns = programColumns(reports);
    try {
        const QList<ColumnUse> lacking = missingColumns(connection, columns);
        for (const ColumnUse &c : lacking)
            out << "missing column " << c.fullName() << " (used by: " << c.usedBy.join(QStringLiteral(", ")) << ")\n";
        out << columns.size() << " columns, " << lacking.size() << " missing\n";
        if (!lacking.isEmpty())
            code = 1;
    } catch (const DbError &e) {
        out << "The columns could not be read: " << e.description() << '\n';
        code = 1;
    }
    if (server) {
        QString problem;
        try {
            problem = serverSchemaProblem(connection);
        } catch (const DbError &e) {
            problem = QStringLiteral("The version of the program's objects could not be read: %1").arg(e.description());
        }
        if (problem.isEmpty()) {
            out << "Schema version " << kServerSchemaVersion << " of the program's objects: fits this program\n";
        } else {
            out << problem << '\n';
            code = 1;
        }
    }
    out.flush();
    return code;
}

} // namespace mssdb
