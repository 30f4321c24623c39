#include "db/serverobjects.h"

#include "data/dberror.h"
#include "data/embedded.h"
#include "data/odbc.h"
#include "data/placeholders.h"
#include "data/tsql.h"
#include "db/hospitaldb.h"
#include "db/statementobjects.h"

#include <QFile>
#include <QHash>
#include <QRegularExpression>

#include <algorithm>

namespace mss::data {

namespace {

const QStringList kDatabases { QStringLiteral("MSS"), QStringLiteral("PATIENT_DATA"), QStringLiteral("BILLING"),
    QStringLiteral("RADIOLOGY") };

QString resourceText(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        throw DbError(-1, QStringLiteral("mss"), QStringLiteral("%1 is missing from the program").arg(path));
    return QString::fromUtf8(f.readAll());
}

// The code of a statement without its comments and literals, where object names can be looked for.
QString codeOf(const QString &statement)
{
    QString code = rewritePlaceholders(
        statement, [](const QString &) { return QStringLiteral("?"); }, true)
                       .text;
    static const QRegularExpression literal(QStringLiteral(R"('(?:[^']|'')*')"));
    return code.replace(literal, QStringLiteral("''"));
}

struct Known {
    ObjectKind kind;
    QString name; // as the schema spells it
    bool embedded = false;
};

// What the embedded schema files and the deployment script create, by "DB..NAME" upper-cased.
QHash<QString, Known> createdObjects(QList<DatabaseObject> *own)
{
    QHash<QString, Known> known;
    static const QRegularExpression create(
        QStringLiteral(R"(\bCREATE\s+(TABLE|VIEW)\s+(?:IF\s+NOT\s+EXISTS\s+)?(?:dbo\.)?\[?(\w+)\]?)"),
        QRegularExpression::CaseInsensitiveOption);
    for (const QString &db : kDatabases) {
        const QString schema = codeOf(resourceText(QStringLiteral(":/db/schema/%1.sql").arg(db)));
        for (auto it = create.globalMatch(schema); it.hasNext();) {
            const auto m = it.next();
            const ObjectKind kind = m.captured(1).compare(QLatin1String("view"), Qt::CaseInsensitive) == 0
                ? ObjectKind::View
                : ObjectKind::Table;
            known.insert(db + QStringLiteral("..") + m.captured(2).toUpper(), { kind, m.captured(2), true });
        }
    }
    // The deployment script switches databases with USE; what it creates is the program's own.
    static const QRegularExpression useOrCreate(
        QStringLiteral(R"(\bUSE\s+\[?(\w+)\]?|)") + create.pattern(), QRegularExpression::CaseInsensitiveOption);
    QString db = QStringLiteral("MSS");
    const QString script = codeOf(resourceText(QStringLiteral(":/db/sqlserver/deploy.sql")));
    for (auto it = useOrCreate.globalMatch(script); it.hasNext();) {
        const auto m = it.next();
        if (!m.captured(1).isEmpty()) {
            db = m.captured(1).toUpper();
            continue;
        }
        const ObjectKind kind = m.captured(2).compare(QLatin1String("view"), Qt::CaseInsensitive) == 0
            ? ObjectKind::View
            : ObjectKind::Table;
        const QString key = db + QStringLiteral("..") + m.captured(3).toUpper();
        const bool embedded = known.value(key).embedded;
        known.insert(key, { kind, m.captured(3), embedded });
        if (own)
            own->append({ db, m.captured(3), kind, { QStringLiteral("deployment script") }, true });
    }
    return known;
}

} // namespace

QString kindName(ObjectKind kind)
{
    switch (kind) {
    case ObjectKind::Table:
        return QStringLiteral("table");
    case ObjectKind::View:
        return QStringLiteral("view");
    case ObjectKind::Procedure:
        return QStringLiteral("procedure");
    case ObjectKind::TableOrView:
        break;
    }
    return QStringLiteral("table or view");
}

QStringList objectNamesIn(const QString &statement)
{
    static const QRegularExpression qualified(
        QStringLiteral(R"(\b(MSS|PATIENT_DATA|BILLING|RADIOLOGY)\s*\.\s*(?:dbo\s*)?\.\s*\[?([A-Za-z_]\w*)\]?)"),
        QRegularExpression::CaseInsensitiveOption);
    QStringList names;
    const QString code = codeOf(statement);
    for (auto it = qualified.globalMatch(code); it.hasNext();) {
        const auto m = it.next();
        const QString name = m.captured(1).toUpper() + QStringLiteral("..") + m.captured(2);
        if (!names.contains(name, Qt::CaseInsensitive))
            names.append(name);
    }
    return names;
}

QList<DatabaseObject> programObjects(const QList<StatementSource> &statements)
{
    QList<DatabaseObject> own;
    const QHash<QString, Known> known = createdObjects(&own);
    QHash<QString, DatabaseObject> objects; // by "DB..NAME" upper-cased
    auto use = [&](const QString &database, const QString &name, std::optional<ObjectKind> kind, const QString &by,
                   bool programOwn = false) {
        const QString key = database.toUpper() + QStringLiteral("..") + name.toUpper();
        auto it = objects.find(key);
        if (it == objects.end()) {
            DatabaseObject o;
            o.database = database.toUpper();
            o.name = known.contains(key) ? known.value(key).name : name;
            o.embedded = known.value(key).embedded;
            o.kind = kind                                                    ? *kind
                : known.contains(key)                                        ? known.value(key).kind
                : name.startsWith(QLatin1String("sp_"), Qt::CaseInsensitive) ? ObjectKind::Procedure
                                                                             : ObjectKind::TableOrView;
            it = objects.insert(key, o);
        }
        it->programOwn = it->programOwn || programOwn;
        if (!it->usedBy.contains(by))
            it->usedBy.append(by);
    };

    for (const DatabaseObject &o : std::as_const(own))
        use(o.database, o.name, o.kind, o.usedBy.first(), true);
    for (const QString &full : shippedProcedureNames()) {
        const qsizetype dot = full.indexOf(QLatin1Char('.'));
        use(full.left(dot), full.mid(dot + 1), ObjectKind::Procedure, QStringLiteral("procedure folder"));
    }
    for (const QString &text : statementObjectNames()) {
        for (const QString &full : objectNamesIn(text)) {
            const qsizetype dots = full.indexOf(QStringLiteral(".."));
            use(full.left(dots), full.mid(dots + 2), std::nullopt, QStringLiteral("program"));
        }
    }
    for (const StatementSource &source : statements) {
        for (const QString &full : objectNamesIn(source.statement)) {
            const qsizetype dots = full.indexOf(QStringLiteral(".."));
            use(full.left(dots), full.mid(dots + 2), std::nullopt, source.origin);
        }
    }

    QList<DatabaseObject> list = objects.values();
    std::sort(list.begin(), list.end(), [](const DatabaseObject &a, const DatabaseObject &b) {
        const int db = kDatabases.indexOf(a.database) - kDatabases.indexOf(b.database);
        return db != 0 ? db < 0 : a.name.compare(b.name, Qt::CaseInsensitive) < 0;
    });
    return list;
}

bool hasObject(Connection &connection, const DatabaseObject &object)
{
    if (auto *odbc = dynamic_cast<OdbcConnection *>(&connection))
        return odbc->catalogHas(object.database, object.name, object.kind == ObjectKind::Procedure);
    if (auto *embedded = dynamic_cast<EmbeddedConnection *>(&connection)) {
        const QString schema = tsql::schemaOf(object.database);
        const QString statement = object.kind == ObjectKind::Procedure
            ? QStringLiteral("SELECT count(*) AS n FROM %1.mss_procedures WHERE name = :name COLLATE NOCASE")
            : QStringLiteral("SELECT count(*) AS n FROM %1.sqlite_master WHERE type IN ('table', 'view') "
                             "AND name = :name COLLATE NOCASE");
        return embedded->query(statement.arg(schema), { { QStringLiteral("name"), object.name } }).value(0).toLongLong()
            > 0;
    }
    throw DbError(-1, QStringLiteral("mss"),
        QStringLiteral("Objects cannot be looked up over the %1 driver").arg(connection.driverName()));
}

std::optional<int> deployedServerSchemaVersion(Connection &connection)
{
    const Recordset rs = connection.open(QStringLiteral("SELECT MAX(Version) AS Version FROM MSS..tbMSSSchemaVersion"));
    if (rs.isEmpty() || rs.columns().isEmpty() || rs.value(0).isNull())
        return std::nullopt;
    return rs.value(0).toInt();
}

QString serverSchemaProblem(Connection &connection)
{
    const QString deploy = QStringLiteral(
        "Ask the hospital's IT staff to run db/sqlserver/deploy.sql of this program on the server (see the README).");
    // The deployment writes its version last: one statement tells a deployed server at log-on.
    // Only a server without it is asked, object by object, what it lacks.
    std::optional<int> version;
    try {
        version = deployedServerSchemaVersion(connection);
    } catch (const DbError &) {
        QList<DatabaseObject> own;
        createdObjects(&own);
        QStringList missing;
        for (const DatabaseObject &o : std::as_const(own))
            if (!hasObject(connection, o))
                missing.append(o.fullName());
        if (missing.isEmpty())
            throw;
        return QStringLiteral("The database lacks the objects this program adds to the hospital's SQL Server: %1.\n%2")
            .arg(missing.join(QStringLiteral(", ")), deploy);
    }
    if (!version)
        return QStringLiteral("MSS..tbMSSSchemaVersion holds no version of the program's objects.\n%1").arg(deploy);
    if (*version > kServerSchemaVersion)
        return QStringLiteral("The program's objects on this server are of version %1, newer than this program "
                              "(version %2). Please install the newer program.")
            .arg(*version)
            .arg(kServerSchemaVersion);
    if (*version < kServerSchemaVersion)
        return QStringLiteral("The program's objects on this server are of version %1, older than this program needs "
                              "(version %2).\n%3")
            .arg(*version)
            .arg(kServerSchemaVersion)
            .arg(deploy);
    return {};
}

} // namespace mss::data
