// The scripts a DBA runs on the hospital's SQL Server, read where no server runs: no batch that
// would fail on a fresh server or on a second run, views replaced in place, the department's
// role granted by name what the windows write and no more, the reports reading only tables the
// program was told of or the views a DBA maps, and the columns those statements read found.
#include "db/serverobjects.h"
#include "db/statementobjects.h"
#include "engine/reportdefinition.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <QtTest>

#include <algorithm>

using namespace mss;
using namespace mss::data;

namespace {

QString sourceDir()
{
    const QString env = qEnvironmentVariable("MSS_TEST_SOURCE_DIR");
    return env.isEmpty() ? QDir::cleanPath(QStringLiteral(__FILE__ "/../../..")) : env;
}

// The T-SQL variant of every query of every shipped report, subreports included.
struct ShippedQuery {
    QString file;
    int line = 0;
    QString sql;
};

QList<ShippedQuery> shippedTsqlQueries()
{
    QList<ShippedQuery> queries;
    const QDir dir(sourceDir() + QStringLiteral("/REPORTS"));
    for (const QFileInfo &file : dir.entryInfoList(QDir::Files, QDir::Name)) {
        if (file.suffix().compare(QLatin1String("rpt"), Qt::CaseInsensitive) != 0)
            continue;
        const reports::ReportDefinition def = reports::loadDefinition(file.absoluteFilePath());
        QList<const reports::ReportBody *> bodies { &def.main };
        for (const reports::ReportBody &sub : def.subreports)
            bodies.append(&sub);
        for (const reports::ReportBody *body : std::as_const(bodies))
            for (const reports::QueryDef &q : body->queries)
                if (q.driver == QLatin1String("ODBC"))
                    queries.append({ file.fileName(), q.pos.line, q.sql });
    }
    return queries;
}

QString script(const QString &name)
{
    QFile f(sourceDir() + QStringLiteral("/db/sqlserver/") + name);
    if (!f.open(QIODevice::ReadOnly))
        qFatal("db/sqlserver/%s is missing", qPrintable(name));
    return QString::fromUtf8(f.readAll());
}

// The text without its comments; literals are blanked too unless kept.
QString stripped(const QString &sql, bool keepLiterals)
{
    QString out;
    for (qsizetype i = 0; i < sql.size(); ++i) {
        const QChar c = sql[i];
        if (c == QLatin1Char('-') && i + 1 < sql.size() && sql[i + 1] == QLatin1Char('-')) {
            while (i < sql.size() && sql[i] != QLatin1Char('\n'))
                ++i;
            out.append(QLatin1Char('\n'));
        } else if (c == QLatin1Char('/') && i + 1 < sql.size() && sql[i + 1] == QLatin1Char('*')) {
            const qsizetype end = sql.indexOf(QStringLiteral("*/"), i + 2);
            i = end < 0 ? sql.size() : end + 1;
            out.append(QLatin1Char(' '));
        } else if (c == QLatin1Char('\'')) {
            qsizetype end = i + 1;
            while (end < sql.size()
                && !(sql[end] == QLatin1Char('\'') && (end + 1 >= sql.size() || sql[end + 1] != QLatin1Char('\''))))
                end += sql[end] == QLatin1Char('\'') ? 2 : 1;
            out.append(keepLiterals ? sql.mid(i, end - i + 1) : QStringLiteral("''"));
            i = end;
        } else {
            out.append(c);
        }
    }
    return out;
}

QStringList batchesOf(const QString &sql)
{
    static const QRegularExpression go(QStringLiteral(R"(^\s*GO\s*$)"),
        QRegularExpression::MultilineOption | QRegularExpression::CaseInsensitiveOption);
    return stripped(sql, true).split(go);
}

// Batches that test whether an object exists and also read or write it outside dynamic SQL:
// SQL Server compiles the whole batch first, so such a batch fails where the object is missing.
QStringList guardsThatBindTheirObject(const QString &sql)
{
    static const QRegularExpression tested(QStringLiteral(R"(OBJECT_ID\s*\(\s*N?'(?:\[?\w+\]?\.)?\[?(\w+)\]?')"),
        QRegularExpression::CaseInsensitiveOption);
    QStringList faults;
    for (const QString &batch : batchesOf(sql)) {
        const QString code = stripped(batch, false);
        for (auto it = tested.globalMatch(batch); it.hasNext();) {
            const QString name = it.next().captured(1);
            const QRegularExpression used(
                QStringLiteral(R"(\b(?:FROM|JOIN|UPDATE|INTO)\s+(?:\[?\w+\]?\s*\.\s*){0,2}\[?%1\]?\b)").arg(name),
                QRegularExpression::CaseInsensitiveOption);
            if (code.contains(used))
                faults.append(name);
        }
    }
    return faults;
}

// Views that a failure could leave missing (dropped, then created) or that a second run
// could not create again (CREATE without OR ALTER).
QStringList viewsNotReplacedInPlace(const QString &sql)
{
    const QString code = stripped(sql, false);
    static const QRegularExpression create(
        QStringLiteral(R"(\bCREATE\s+(OR\s+ALTER\s+)?VIEW\s+(?:\[?\w+\]?\.)?\[?(\w+)\]?)"),
        QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression drop(
        QStringLiteral(R"(\bDROP\s+VIEW\s+(?:IF\s+EXISTS\s+)?(?:\[?\w+\]?\.)?\[?(\w+)\]?)"),
        QRegularExpression::CaseInsensitiveOption);
    QSet<QString> dropped;
    for (auto it = drop.globalMatch(code); it.hasNext();)
        dropped.insert(it.next().captured(1).toUpper());
    QStringList faults;
    for (auto it = create.globalMatch(code); it.hasNext();) {
        const auto m = it.next();
        if (m.captured(1).isEmpty() || dropped.contains(m.captured(2).toUpper()))
            faults.append(m.captured(2));
    }
    return faults;
}

struct Grant {
    QString database;
    QStringList permissions; // upper-cased
    QString object;
    QStringList columns; // empty: the whole object
    QString role;
};

// The GRANTs of a script by the database its USE statements switch to, also those run as
// dynamic SQL where the object may be missing.
QList<Grant> grantsOf(const QString &sql)
{
    static const QRegularExpression statement(
        QStringLiteral(
            R"(\bUSE\s+\[?(\w+)\]?|\bGRANT\s+([\w\s,]+?)\s+ON\s+(SCHEMA::)?(?:OBJECT::)?(?:\[?dbo\]?\.)?\[?(\w+)\]?\s*(?:\(([^)]*)\))?\s+TO\s+\[?(\w+)\]?)"),
        QRegularExpression::CaseInsensitiveOption);
    QList<Grant> grants;
    QString db = QStringLiteral("MSS");
    for (auto it = statement.globalMatch(stripped(sql, true)); it.hasNext();) {
        const auto m = it.next();
        if (!m.captured(1).isEmpty()) {
            db = m.captured(1).toUpper();
            continue;
        }
        Grant g { db, {}, m.captured(3).isEmpty() ? m.captured(4) : QStringLiteral("SCHEMA::") + m.captured(4), {},
            m.captured(6) };
        for (const QString &p : m.captured(2).split(QLatin1Char(','), Qt::SkipEmptyParts))
            g.permissions.append(p.trimmed().toUpper());
        for (const QString &c : m.captured(5).split(QLatin1Char(','), Qt::SkipEmptyParts))
            g.columns.append(c.trimmed());
        grants.append(g);
    }
    return grants;
}

bool granted(const QList<Grant> &grants, const QString &role, const QString &database, const QString &object,
    const QString &permission, const QString &column = {})
{
    for (const Grant &g : grants)
        if (g.role == role && g.database == database && g.object.compare(object, Qt::CaseInsensitive) == 0
            && g.permissions.contains(permission)
            && (g.columns.isEmpty() || (!column.isEmpty() && g.columns.contains(column, Qt::CaseInsensitive))))
            return true;
    return false;
}

const QString kDepartment = QStringLiteral("MSSDepartment");

} // namespace

class TestDeployScript : public QObject {
    Q_OBJECT

private slots:
    void theChecksCatchTheFaultsTheyAreFor();
    void scriptsRunOnAFreshServerAndAgain();
    void departmentRoleMayWriteWhatTheWindowsWriteAndNoMore();
    void reportsReadOnlyNamedTablesOrMappedViews();
    void reportsReadOnlyColumnsTheirObjectsHave();
    void columnsAreCountedForTheirOwnObject();
};

void TestDeployScript::theChecksCatchTheFaultsTheyAreFor()
{
    // A guard that reads its table in the same condition, and one that reads it in its body.
    const QString binding = QStringLiteral("USE [MSS];\nGO\n"
                                           "IF OBJECT_ID(N'dbo.tbMSSSchemaVersion', N'U') IS NOT NULL\n"
                                           "    AND EXISTS (SELECT 1 FROM dbo.tbMSSSchemaVersion WHERE Version > 1)\n"
                                           "    SET NOEXEC ON;\nGO\n"
                                           "IF OBJECT_ID(N'dbo.tbX') IS NOT NULL UPDATE dbo.tbX SET a = 1;\nGO\n");
    QCOMPARE(guardsThatBindTheirObject(binding),
        QStringList({ QStringLiteral("tbMSSSchemaVersion"), QStringLiteral("tbX") }));
    // Separate batches, dynamic SQL, a creation and a comment are fine.
    QVERIFY(guardsThatBindTheirObject(
        QStringLiteral("IF OBJECT_ID(N'dbo.tbY', N'U') IS NULL CREATE TABLE dbo.tbY (a int);\n"
                       "IF OBJECT_ID(N'dbo.tbY') IS NOT NULL EXEC sp_executesql N'SELECT 1 FROM dbo.tbY';\n"
                       "-- then SELECT * FROM tbY\nGO\nSELECT 1 FROM dbo.tbY;\n"))
                .isEmpty());

    QCOMPARE(
        viewsNotReplacedInPlace(QStringLiteral("IF OBJECT_ID(N'dbo.vwA', N'V') IS NOT NULL\n    DROP VIEW dbo.vwA;\n"
                                               "GO\nCREATE VIEW dbo.vwA AS SELECT 1 AS a;\nGO\n"
                                               "CREATE OR ALTER VIEW dbo.vwB AS SELECT 1 AS b;\nGO\n"
                                               "DROP VIEW IF EXISTS dbo.vwC;\nGO\n"
                                               "CREATE OR ALTER VIEW [dbo].[vwC] AS SELECT 1 AS c;\n")),
        QStringList({ QStringLiteral("vwA"), QStringLiteral("vwC") }));
}

void TestDeployScript::scriptsRunOnAFreshServerAndAgain()
{
    for (const QString &name : { QStringLiteral("deploy.sql"), QStringLiteral("report-views.sql") }) {
        const QString sql = script(name);
        QVERIFY2(guardsThatBindTheirObject(sql).isEmpty(),
            qPrintable(name + QStringLiteral(": ") + guardsThatBindTheirObject(sql).join(QStringLiteral(", "))));
        QVERIFY2(viewsNotReplacedInPlace(sql).isEmpty(),
            qPrintable(name + QStringLiteral(": ") + viewsNotReplacedInPlace(sql).join(QStringLiteral(", "))));
    }
}

void TestDeployScript::departmentRoleMayWriteWhatTheWindowsWriteAndNoMore()
{
    const QList<Grant> grants = grantsOf(script(QStringLiteral("deploy.sql")));
    QVERIFY(grants.size() > 50);

    // Every write the program's statements make directly, the role may make, column by column.
    static const QRegularExpression write(
        QStringLiteral(
            R"(\b(UPDATE|DELETE\s+FROM|DELETE|INSERT\s+INTO)\s+(MSS|PATIENT_DATA|BILLING|RADIOLOGY)\s*\.\s*(?:dbo)?\s*\.\s*(\w+)(?:\s+SET\s+(.*?)(?:\bWHERE\b|$))?)"),
        QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression assigned(QStringLiteral(R"(\b(\w+)\s*=)"));
    int writes = 0;
    for (const SourceStatement &s : sourceStatements()) {
        for (auto it = write.globalMatch(s.text); it.hasNext(); ++writes) {
            const auto m = it.next();
            const QString kind = m.captured(1).section(QLatin1Char(' '), 0, 0).toUpper();
            const QString db = m.captured(2).toUpper();
            const QString table = m.captured(3);
            if (kind != QLatin1String("UPDATE")) {
                QVERIFY2(granted(grants, kDepartment, db, table, kind),
                    qPrintable(QStringLiteral("%1 writes %2..%3 (%4) without a grant").arg(s.origin, db, table, kind)));
                continue;
            }
            for (auto c = assigned.globalMatch(m.captured(4)); c.hasNext();) {
                const QString column = c.next().captured(1);
                QVERIFY2(granted(grants, kDepartment, db, table, kind, column),
                    qPrintable(
                        QStringLiteral("%1 updates %2..%3.%4 without a grant").arg(s.origin, db, table, column)));
            }
        }
    }
    QVERIFY(writes >= 5); // the log-on's lock-out counters and the ARR's removal of discount lines

    // Named one by one: nothing on a whole schema, and of the users and their rights nothing but
    // reading and the lock-out counters.
    for (const Grant &g : grants) {
        QVERIFY2(!g.object.startsWith(QLatin1String("SCHEMA::")), qPrintable(g.database + QLatin1Char(' ') + g.object));
        if (g.role != kDepartment || !g.object.startsWith(QLatin1String("tbMSSUser")))
            continue;
        const bool reads = g.permissions == QStringList { QStringLiteral("SELECT") } && g.columns.isEmpty();
        const bool counters = g.permissions == QStringList { QStringLiteral("UPDATE") }
            && g.object == QLatin1String("tbMSSUser")
            && QSet<QString>(g.columns.begin(), g.columns.end())
                == QSet<QString>(
                    { QStringLiteral("FailedLogOns"), QStringLiteral("LockOuts"), QStringLiteral("LockedUntil") });
        QVERIFY2(
            reads || counters, qPrintable(g.permissions.join(QLatin1Char(',')) + QStringLiteral(" on ") + g.object));
    }
    for (const QString &table : { QStringLiteral("tbMSSUser"), QStringLiteral("tbMSSUserRight") })
        for (const QString &p : { QStringLiteral("INSERT"), QStringLiteral("UPDATE"), QStringLiteral("DELETE") })
            QVERIFY2(granted(grants, QStringLiteral("MSSAdministrator"), QStringLiteral("MSS"), table, p),
                qPrintable(p + QLatin1Char(' ') + table));
    // Each database has both roles, the administrators' inside the department's.
    for (const QString &db : { QStringLiteral("MSS"), QStringLiteral("PATIENT_DATA"), QStringLiteral("BILLING"),
             QStringLiteral("RADIOLOGY") })
        QVERIFY2(std::any_of(grants.begin(), grants.end(),
                     [&](const Grant &g) { return g.database == db && g.role == kDepartment; }),
            qPrintable(db));
    QCOMPARE(script(QStringLiteral("deploy.sql"))
                 .count(QStringLiteral("ALTER ROLE MSSDepartment ADD MEMBER MSSAdministrator")),
        4);
}

void TestDeployScript::reportsReadOnlyNamedTablesOrMappedViews()
{
    // The suite's tables the department's statements were given by name; anything else a
    // report reads on the server goes through a view of report-views.sql.
    QSet<QString> allowed { QStringLiteral("MSS..TBMSSACTIVE"), QStringLiteral("MSS..TBMSSACTIVITY"),
        QStringLiteral("MSS..TBMSSASSESSMENT"), QStringLiteral("MSS..TBMSSCASECATEGORY"),
        QStringLiteral("MSS..TBMSSCLASSIFICATION"), QStringLiteral("MSS..TBMSSCLASSIFICATIONSCHEME"),
        QStringLiteral("MSS..TBMSSPARENTCATEGORY"), QStringLiteral("MSS..TBMSSREFERRINGPARTY"),
        QStringLiteral("MSS..TBMSSSERVICECATEGORY"), QStringLiteral("PATIENT_DATA..TBHOSPITALINFO"),
        QStringLiteral("PATIENT_DATA..TBMASTER"), QStringLiteral("PATIENT_DATA..TBPATIENT2"),
        QStringLiteral("PATIENT_DATA..TBOUTPATIENT"), QStringLiteral("PATIENT_DATA..TBERMASTER"),
        QStringLiteral("BILLING..TBBILLDAILYBILL"), QStringLiteral("BILLING..TBBILLOPDAILYOUT"),
        QStringLiteral("BILLING..TBDUMMYDISCOUNTTABLE") };
    static const QRegularExpression useOrView(
        QStringLiteral(R"(\bUSE\s+\[?(\w+)\]?|\bCREATE\s+OR\s+ALTER\s+VIEW\s+(?:dbo\.)?(\w+))"),
        QRegularExpression::CaseInsensitiveOption);
    QString db = QStringLiteral("MSS");
    int views = 0;
    for (auto it = useOrView.globalMatch(stripped(script(QStringLiteral("report-views.sql")), false)); it.hasNext();) {
        const auto m = it.next();
        if (!m.captured(1).isEmpty()) {
            db = m.captured(1).toUpper();
            continue;
        }
        allowed.insert(db + QStringLiteral("..") + m.captured(2).toUpper());
        ++views;
    }
    QVERIFY(views >= 10);

    QStringList guesses;
    for (const ShippedQuery &q : shippedTsqlQueries())
        for (const QString &name : objectNamesIn(q.sql))
            if (!allowed.contains(name.toUpper()))
                guesses.append(q.file + QStringLiteral(": ") + name);
    QVERIFY2(guesses.isEmpty(), qPrintable(guesses.join(QLatin1Char('\n'))));
}

void TestDeployScript::reportsReadOnlyColumnsTheirObjectsHave()
{
    // The embedded queries are run by every report test; the T-SQL only on a server. A column a
    // view does not offer, or that the suite's table does not have, would fail only there.
    static const QRegularExpression named(
        QStringLiteral(R"(\b(MSS|PATIENT_DATA|BILLING|RADIOLOGY)\s*\.\s*(?:dbo\s*)?\.\s*(\w+)(?:\s+(?:AS\s+)?(\w+))?)"),
        QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression qualified(QStringLiteral(R"(\b(\w+)\s*\.\s*(\w+)\b)"));
    static const QStringList keywords { QStringLiteral("WHERE"), QStringLiteral("ON"), QStringLiteral("JOIN"),
        QStringLiteral("LEFT"), QStringLiteral("INNER"), QStringLiteral("CROSS"), QStringLiteral("GROUP"),
        QStringLiteral("ORDER"), QStringLiteral("UNION"), QStringLiteral("WITH") };
    QStringList faults;
    int checked = 0;
    for (const ShippedQuery &q : shippedTsqlQueries()) {
        const QString code = stripped(q.sql, false);
        QHash<QString, QStringList> columnsByAlias; // an alias used twice offers both objects' columns
        for (auto it = named.globalMatch(code); it.hasNext();) {
            const auto m = it.next();
            const QStringList columns = knownColumns(m.captured(1), m.captured(2));
            if (columns.isEmpty())
                continue;
            columnsByAlias[m.captured(2).toUpper()] += columns;
            if (!m.captured(3).isEmpty() && !keywords.contains(m.captured(3), Qt::CaseInsensitive))
                columnsByAlias[m.captured(3).toUpper()] += columns;
        }
        for (auto it = qualified.globalMatch(code); it.hasNext();) {
            const auto m = it.next();
            const auto columns = columnsByAlias.constFind(m.captured(1).toUpper());
            if (columns == columnsByAlias.constEnd())
                continue;
            ++checked;
            if (!columns->contains(m.captured(2), Qt::CaseInsensitive))
                faults.append(QStringLiteral("%1:%2: %3.%4").arg(q.file).arg(q.line).arg(m.captured(1), m.captured(2)));
        }
    }
    QVERIFY(checked > 300);
    QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QLatin1Char('\n'))));
}

void TestDeployScript::columnsAreCountedForTheirOwnObject()
{
    const QList<ColumnUse> columns = programColumns({ { QStringLiteral("Probe.rpt"),
        QStringLiteral(
            "SELECT m.MSSNum, p.PatientClass, x.Remarks, DcrDate, 'S' AS Sex -- m.Sex\n"
            "  FROM PATIENT_DATA..tbMaster m JOIN PATIENT_DATA.dbo.tbPatient2 AS p ON p.HospNum = m.HospNum\n"
            "  CROSS JOIN notes x WHERE m.LastName = 'AdmDate'") } });
    QStringList probed;
    for (const ColumnUse &c : columns)
        if (c.usedBy.contains(QStringLiteral("Probe.rpt")))
            probed.append(c.fullName());
    QCOMPARE(probed,
        QStringList({ QStringLiteral("PATIENT_DATA..tbMaster.HospNum"),
            QStringLiteral("PATIENT_DATA..tbMaster.LastName"), QStringLiteral("PATIENT_DATA..tbMaster.MSSNum"),
            QStringLiteral("PATIENT_DATA..tbPatient2.DcrDate"), QStringLiteral("PATIENT_DATA..tbPatient2.HospNum"),
            QStringLiteral("PATIENT_DATA..tbPatient2.PatientClass") }));

    // The program's own statements count too, under their source file, and so do the columns
    // the deployment adds to its tables and the views' column lists.
    auto usedBy = [&](const QString &full) {
        for (const ColumnUse &c : columns)
            if (c.fullName() == full)
                return c.usedBy;
        return QStringList();
    };
    QVERIFY2(usedBy(QStringLiteral("MSS..tbMSSUser.LockedUntil")).contains(QStringLiteral("lockout.cpp")),
        qPrintable(usedBy(QStringLiteral("MSS..tbMSSUser.LockedUntil")).join(QLatin1Char(','))));
    QVERIFY(
        usedBy(QStringLiteral("PATIENT_DATA..tbMaster.MSSDiscountValidity")).contains(QStringLiteral("arrrecord.cpp")));
}

QTEST_MAIN(TestDeployScript)
#include "tst_deployscript.moc"
