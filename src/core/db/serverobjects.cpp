#include "db/serverobjects.h"

#include "data/dberror.h"
#include "data/embedded.h"
#include "data/odbc.h"
#include "data/placeholders.h"
#include "data/quote.h"
#include "data/tsql.h"
#include "db/hospitaldb.h"
#include "db/statementobjects.h"

#include <QFile>
#include <QHash>
#include <QRegularExpression>
#include <QSet>

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
    QStringList columns; // empty when not known
};

ObjectKind kindOf(const QString &word)
{
    return word.compare(QLatin1String("view"), Qt::CaseInsensitive) == 0 ? ObjectKind::View : ObjectKind::Table;
}

// The column names of a table's definition or a view's column list, given the code right after
// the object's name: "(a TEXT NOT NULL, b …, PRIMARY KEY (a))" or "(a, b) AS SELECT …".
QStringList definedColumns(QStringView rest)
{
    qsizetype at = 0;
    while (at < rest.size() && rest[at].isSpace())
        ++at;
    if (at >= rest.size() || rest[at] != QLatin1Char('('))
        return {};
    QStringList pieces;
    QString piece;
    int depth = 0;
    for (++at; at < rest.size(); ++at) {
        const QChar c = rest[at];
        if (c == QLatin1Char('('))
            ++depth;
        if (c == QLatin1Char(')') && depth-- == 0)
            break;
        if (c == QLatin1Char(',') && depth == 0) {
            pieces.append(piece);
            piece.clear();
        } else {
            piece.append(c);
        }
    }
    pieces.append(piece);
    static const QStringList constraints { QStringLiteral("PRIMARY"), QStringLiteral("UNIQUE"), QStringLiteral("CHECK"),
        QStringLiteral("FOREIGN"), QStringLiteral("CONSTRAINT") };
    static const QRegularExpression firstWord(QStringLiteral(R"(^\s*\[?(\w+)\]?)"));
    QStringList columns;
    for (const QString &p : std::as_const(pieces)) {
        const QString word = firstWord.match(p).captured(1);
        if (!word.isEmpty() && !constraints.contains(word, Qt::CaseInsensitive))
            columns.append(word);
    }
    return columns;
}

const QRegularExpression &createPattern()
{
    static const QRegularExpression create(
        QStringLiteral(R"(\bCREATE\s+(?:OR\s+ALTER\s+)?(TABLE|VIEW)\s+(?:IF\s+NOT\s+EXISTS\s+)?(?:dbo\.)?\[?(\w+)\]?)"),
        QRegularExpression::CaseInsensitiveOption);
    return create;
}

// What a T-SQL script of db/sqlserver creates, in the databases its USE statements switch to.
// Columns added later by "ALTER TABLE … ADD" count as the table's.
void addScriptObjects(const QString &resource, bool own, QHash<QString, Known> &known, QList<DatabaseObject> *ownList)
{
    static const QRegularExpression useCreateOrAdd(QStringLiteral(R"(\bUSE\s+\[?(\w+)\]?|)") + createPattern().pattern()
            + QStringLiteral(R"(|\bALTER\s+TABLE\s+(?:dbo\.)?\[?(\w+)\]?\s+ADD\s+\[?(\w+)\]?)"),
        QRegularExpression::CaseInsensitiveOption);
    QString db = QStringLiteral("MSS");
    const QString script = codeOf(resourceText(resource));
    for (auto it = useCreateOrAdd.globalMatch(script); it.hasNext();) {
        const auto m = it.next();
        if (!m.captured(1).isEmpty()) {
            db = m.captured(1).toUpper();
            continue;
        }
        if (!m.captured(4).isEmpty()) {
            auto added = known.find(db + QStringLiteral("..") + m.captured(4).toUpper());
            if (added != known.end() && !added->columns.contains(m.captured(5), Qt::CaseInsensitive))
                added->columns.append(m.captured(5));
            continue;
        }
        const ObjectKind kind = kindOf(m.captured(2));
        const QString key = db + QStringLiteral("..") + m.captured(3).toUpper();
        const bool embedded = known.value(key).embedded;
        known.insert(key, { kind, m.captured(3), embedded, definedColumns(QStringView(script).mid(m.capturedEnd(0))) });
        if (own && ownList)
            ownList->append({ db, m.captured(3), kind, { QStringLiteral("deployment script") }, true });
    }
}

// What the embedded schema files and the scripts for the server create, by "DB..NAME"
// upper-cased. What deploy.sql creates is the program's own; the reports' views are the
// hospital's to map, so the log-on does not wait for them.
QHash<QString, Known> createdObjects(QList<DatabaseObject> *own)
{
    QHash<QString, Known> known;
    for (const QString &db : kDatabases) {
        const QString schema = codeOf(resourceText(QStringLiteral(":/db/schema/%1.sql").arg(db)));
        for (auto it = createPattern().globalMatch(schema); it.hasNext();) {
            const auto m = it.next();
            known.insert(db + QStringLiteral("..") + m.captured(2).toUpper(),
                { kindOf(m.captured(1)), m.captured(2), true,
                    definedColumns(QStringView(schema).mid(m.capturedEnd(0))) });
        }
    }
    addScriptObjects(QStringLiteral(":/db/sqlserver/deploy.sql"), true, known, own);
    addScriptObjects(QStringLiteral(":/db/sqlserver/report-views.sql"), false, known, own);
    return known;
}

// The schema's spelling of a column, or nothing when the object has no such column.
QString columnNamed(const QStringList &columns, const QString &name)
{
    for (const QString &c : columns)
        if (c.compare(name, Qt::CaseInsensitive) == 0)
            return c;
    return {};
}

bool isSqlServer(const Connection &connection)
{
    const auto *odbc = dynamic_cast<const OdbcConnection *>(&connection);
    return odbc && odbc->dbmsName().contains(QLatin1String("SQL Server"), Qt::CaseInsensitive);
}

// The objects a statement names, each with the alias the statement gives it (or none).
struct NamedObject {
    QString key; // "DB..NAME" upper-cased
    QString alias;
};

QList<NamedObject> objectsWithAliases(const QString &code)
{
    static const QRegularExpression named(
        QStringLiteral(R"(\b(MSS|PATIENT_DATA|BILLING|RADIOLOGY)\s*\.\s*(?:dbo\s*)?\.\s*\[?([A-Za-z_]\w*)\]?)"
                       R"((?:\s+(?:AS\s+)?\[?([A-Za-z_]\w*)\]?)?)"),
        QRegularExpression::CaseInsensitiveOption);
    static const QStringList notAliases { QStringLiteral("WHERE"), QStringLiteral("ON"), QStringLiteral("JOIN"),
        QStringLiteral("LEFT"), QStringLiteral("RIGHT"), QStringLiteral("INNER"), QStringLiteral("OUTER"),
        QStringLiteral("FULL"), QStringLiteral("CROSS"), QStringLiteral("GROUP"), QStringLiteral("ORDER"),
        QStringLiteral("UNION"), QStringLiteral("WITH"), QStringLiteral("SET"), QStringLiteral("VALUES"),
        QStringLiteral("HAVING"), QStringLiteral("EXCEPT"), QStringLiteral("INTERSECT") };
    QList<NamedObject> objects;
    for (auto it = named.globalMatch(code); it.hasNext();) {
        const auto m = it.next();
        const QString alias = m.captured(3);
        objects.append({ m.captured(1).toUpper() + QStringLiteral("..") + m.captured(2).toUpper(),
            notAliases.contains(alias, Qt::CaseInsensitive) ? QString() : alias });
    }
    return objects;
}

// The columns each database has, by "NAME" upper-cased, for the objects named: one catalog
// query on SQL Server; elsewhere the objects' own column lists.
QHash<QString, QSet<QString>> columnsIn(Connection &connection, const QString &database, const QStringList &objects)
{
    QHash<QString, QSet<QString>> columns;
    if (isSqlServer(connection)) {
        QStringList names;
        for (const QString &o : objects)
            names.append(QLatin1Char('\'') + q(o) + QLatin1Char('\''));
        const QString statement = QStringLiteral("SELECT TABLE_NAME, COLUMN_NAME FROM %1.INFORMATION_SCHEMA.COLUMNS "
                                                 "WHERE TABLE_SCHEMA = 'dbo' AND TABLE_NAME IN (%2)")
                                      .arg(database, names.join(QStringLiteral(", ")));
        for (Recordset rs = connection.open(statement); !rs.eof(); rs.moveNext())
            columns[rs.text(0).toUpper()].insert(rs.text(1).toUpper());
        return columns;
    }
    auto *embedded = dynamic_cast<EmbeddedConnection *>(&connection);
    for (const QString &o : objects) {
        const DatabaseObject object { database, o, ObjectKind::TableOrView, {}, false, false };
        if (!hasObject(connection, object))
            continue;
        QSet<QString> &set = columns[o.toUpper()];
        if (embedded) {
            for (Recordset rs = embedded->query(QStringLiteral("SELECT name FROM pragma_table_info(:name, :schema)"),
                     { { QStringLiteral("name"), o }, { QStringLiteral("schema"), tsql::schemaOf(database) } });
                 !rs.eof(); rs.moveNext())
                set.insert(rs.text(0).toUpper());
        } else {
            // A driver without the catalog views, such as the tests' stand-in server.
            const Recordset empty = connection.open(QStringLiteral("SELECT * FROM %1 WHERE 1 = 0").arg(o));
            for (const QString &c : empty.columns())
                set.insert(c.toUpper());
        }
    }
    return columns;
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

QList<ColumnUse> programColumns(const QList<StatementSource> &statements)
{
    const QHash<QString, Known> known = createdObjects(nullptr);
    QList<StatementSource> all;
    for (const SourceStatement &s : sourceStatements())
        all.append({ s.origin, s.text });
    all.append(statements);

    // A name after AS is the statement's own (a column's or a table's alias, a type), never a
    // column it reads.
    static const QRegularExpression identifier(
        QStringLiteral(R"((\bAS\s+)?(?:\b([A-Za-z_]\w*)\s*\.\s*)?\[?\b([A-Za-z_]\w*)\b\]?)"),
        QRegularExpression::CaseInsensitiveOption);
    QHash<QString, ColumnUse> uses; // by "DB..OBJECT.COLUMN" upper-cased
    for (const StatementSource &source : std::as_const(all)) {
        const QString code = codeOf(source.statement);
        const QList<NamedObject> objects = objectsWithAliases(code);
        if (objects.isEmpty())
            continue;
        for (auto it = identifier.globalMatch(code); it.hasNext();) {
            const auto m = it.next();
            if (m.capturedLength(1) > 0)
                continue;
            const QString qualifier = m.captured(2);
            const QString name = m.captured(3);
            for (const NamedObject &o : objects) {
                const auto k = known.constFind(o.key);
                if (k == known.constEnd())
                    continue;
                const QString bare = o.key.mid(o.key.indexOf(QStringLiteral("..")) + 2);
                // A qualified name belongs to its alias's object only; another qualifier (a
                // derived table's, say) to none of the named objects.
                if (!qualifier.isEmpty() && qualifier.compare(o.alias, Qt::CaseInsensitive) != 0
                    && qualifier.compare(bare, Qt::CaseInsensitive) != 0)
                    continue;
                const QString column = columnNamed(k->columns, name);
                if (column.isEmpty())
                    continue;
                const QString database = o.key.left(o.key.indexOf(QStringLiteral("..")));
                ColumnUse &use = uses[o.key + QLatin1Char('.') + name.toUpper()];
                if (use.column.isEmpty())
                    use = { database, k->name, column, {} };
                if (!use.usedBy.contains(source.origin))
                    use.usedBy.append(source.origin);
            }
        }
    }
    QList<ColumnUse> list = uses.values();
    std::sort(list.begin(), list.end(), [](const ColumnUse &a, const ColumnUse &b) {
        const int db = kDatabases.indexOf(a.database) - kDatabases.indexOf(b.database);
        if (db != 0)
            return db < 0;
        if (const int o = a.object.compare(b.object, Qt::CaseInsensitive); o != 0)
            return o < 0;
        return a.column.compare(b.column, Qt::CaseInsensitive) < 0;
    });
    return list;
}

QStringList knownColumns(const QString &database, const QString &object)
{
    return createdObjects(nullptr).value(database.toUpper() + QStringLiteral("..") + object.toUpper()).columns;
}

QList<ColumnUse> missingColumns(Connection &connection, const QList<ColumnUse> &columns)
{
    QList<ColumnUse> missing;
    for (const QString &database : kDatabases) {
        QStringList objects;
        for (const ColumnUse &c : columns)
            if (c.database == database && !objects.contains(c.object, Qt::CaseInsensitive))
                objects.append(c.object);
        if (objects.isEmpty())
            continue;
        const QHash<QString, QSet<QString>> present = columnsIn(connection, database, objects);
        for (const ColumnUse &c : columns) {
            const auto object = present.constFind(c.object.toUpper());
            if (c.database == database && object != present.constEnd() && !object->contains(c.column.toUpper()))
                missing.append(c);
        }
    }
    return missing;
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
