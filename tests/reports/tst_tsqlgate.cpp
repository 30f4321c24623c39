// The T-SQL the program sends to the hospital's SQL Server, checked where no server runs: every
// report query has a variant for each driver, the engine refuses a query without one, and every
// T-SQL text (the report variants and the deployment script) parses as T-SQL and is free of the
// SQLite idioms that a T-SQL parser would take for something else.
#include "data/placeholders.h"
#include "engine/reportdefinition.h"
#include "engine/reportengine.h"
#include "support/fakeconnections.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

using namespace mss;
using namespace mss::reports;

namespace {

QString sourceDir()
{
    const QString env = qEnvironmentVariable("MSS_TEST_SOURCE_DIR");
    return env.isEmpty() ? QDir::cleanPath(QStringLiteral(__FILE__ "/../../..")) : env;
}

QStringList definitionFiles()
{
    QDir dir(sourceDir() + QStringLiteral("/REPORTS"));
    QStringList files;
    for (const QFileInfo &f : dir.entryInfoList(QDir::Files, QDir::Name))
        if (f.suffix().compare(QLatin1String("rpt"), Qt::CaseInsensitive) == 0)
            files.append(f.absoluteFilePath());
    return files;
}

QList<const ReportBody *> bodiesOf(const ReportDefinition &def)
{
    QList<const ReportBody *> bodies { &def.main };
    for (const ReportBody &sub : def.subreports)
        bodies.append(&sub);
    return bodies;
}

// The text without its comments and literals: what is left is the SQL itself.
QString codeOnly(const QString &sql)
{
    QString text = data::rewritePlaceholders(
        sql, [](const QString &n) { return QLatin1Char('@') + n; }, true)
                       .text;
    static const QRegularExpression literal(QStringLiteral(R"('(?:[^']|'')*')"));
    return text.replace(literal, QStringLiteral("''"));
}

// SQLite's spellings that mean something else, or nothing, in T-SQL.
QStringList sqliteIdioms(const QString &sql)
{
    static const QRegularExpression idiom(
        QStringLiteral(R"(\b(ifnull|substr|julianday|instr|limit)\b|\bdate\s*\(|\|\|)"),
        QRegularExpression::CaseInsensitiveOption);
    QStringList found;
    for (auto it = idiom.globalMatch(codeOnly(sql)); it.hasNext();)
        found.append(it.next().captured(0));
    return found;
}

// A connection that says it is ODBC and records what reaches it.
class OdbcLookalike final : public test::RecordingConnection {
public:
    QString driverName() const override { return QStringLiteral("ODBC"); }
};

} // namespace

class TestTsqlGate : public QObject {
    Q_OBJECT

private slots:
    void everyQueryHasAVariantForEachDriver();
    void aQueryWithoutAVariantIsRefusedBeforeAnyRuns();
    void theGateCatchesSqliteIdioms();
    void everyTsqlTextParses();
};

void TestTsqlGate::everyQueryHasAVariantForEachDriver()
{
    const QStringList files = definitionFiles();
    QVERIFY(files.size() >= 29);
    int odbcQueries = 0;
    QStringList missing;
    for (const QString &file : files) {
        const ReportDefinition def = loadDefinition(file);
        for (const ReportBody *body : bodiesOf(def)) {
            for (const QueryDef &q : body->queries) {
                bool embedded = false;
                bool odbc = false;
                for (const QueryDef &other : body->queries) {
                    if (other.name.compare(q.name, Qt::CaseInsensitive) != 0)
                        continue;
                    embedded = embedded || other.driver.isEmpty() || other.driver == QLatin1String("Embedded");
                    odbc = odbc || other.driver == QLatin1String("ODBC");
                }
                if (!embedded || !odbc)
                    missing.append(QStringLiteral("%1 %2 %3").arg(QFileInfo(file).fileName(), body->name, q.name));
                if (q.driver == QLatin1String("ODBC")) {
                    ++odbcQueries;
                    const QStringList idioms = sqliteIdioms(q.sql);
                    QVERIFY2(idioms.isEmpty(),
                        qPrintable(QStringLiteral("%1:%2: the T-SQL of query %3 uses %4")
                                       .arg(QFileInfo(file).fileName())
                                       .arg(q.pos.line)
                                       .arg(q.name, idioms.join(QStringLiteral(", ")))));
                }
            }
        }
    }
    QVERIFY2(missing.isEmpty(), qPrintable(missing.join(QLatin1Char('\n'))));
    qInfo("%d report queries have a T-SQL variant", odbcQueries);
}

void TestTsqlGate::aQueryWithoutAVariantIsRefusedBeforeAnyRuns()
{
    const ReportDefinition def = parseDefinition(R"(<?xml version="1.0" encoding="UTF-8"?>
<report title="Ward Census">
  <param name="Ward" type="text"/>
  <query name="hosp" driver="ODBC"><![CDATA[SELECT Company FROM PATIENT_DATA..tbHospitalInfo]]></query>
  <query name="hosp"><![CDATA[SELECT Company FROM PATIENT_DATA..tbHospitalInfo]]></query>
  <query name="rows"><![CDATA[SELECT Name FROM tbCensus WHERE Ward = :Ward -- the ward's text, :Ward]]></query>
  <detail query="rows" height="14"><text>{Name}</text></detail>
</report>
)",
        QStringLiteral("WardCensus.rpt"));
    Report report(def);
    report.setParameters({ QStringLiteral("A") });
    OdbcLookalike odbc;
    ReportContext context;
    context.connection = &odbc;
    try {
        report.run(context);
        QFAIL("a query written for the embedded database was sent to an ODBC connection");
    } catch (const ReportError &e) {
        const QString message = QString::fromUtf8(e.what());
        QVERIFY2(message.contains(QLatin1String("WardCensus.rpt")), qPrintable(message));
        QVERIFY2(message.contains(QLatin1String("Ward Census")), qPrintable(message));
        QVERIFY2(message.contains(QLatin1String("ODBC")), qPrintable(message));
        QVERIFY2(message.contains(QLatin1String("\"rows\"")), qPrintable(message));
    }
    QVERIFY2(odbc.statements.isEmpty(), qPrintable(odbc.statements.join(QLatin1Char('\n'))));
}

void TestTsqlGate::theGateCatchesSqliteIdioms()
{
    QCOMPARE(sqliteIdioms(QStringLiteral("SELECT a || b, IFNULL(c, 0), date (d) FROM t LIMIT 1")),
        QStringList(
            { QStringLiteral("||"), QStringLiteral("IFNULL"), QStringLiteral("date ("), QStringLiteral("LIMIT") }));
    // Inside literals and comments they are text, and DATEADD or a column named EndDate are T-SQL.
    QVERIFY(sqliteIdioms(QStringLiteral("SELECT 'a || b' AS x, DATEADD(day, 1, EndDate) -- limit, substr(\n"
                                        "FROM t /* instr( */ WHERE CAST(d AS date) = :Day"))
                .isEmpty());
}

void TestTsqlGate::everyTsqlTextParses()
{
    // The parse is about the T-SQL texts, not the program's memory: the regular build runs it,
    // and the sanitizer build need not spend another minute and a half on the same files.
    if (qEnvironmentVariableIsSet("MSS_SANITIZER_BUILD"))
        QSKIP("parsed by the regular build");
    const QString sqlfluff = QStandardPaths::findExecutable(QStringLiteral("sqlfluff"));
    QVERIFY2(!sqlfluff.isEmpty(), "sqlfluff is not installed (Debian package sqlfluff; tools/setup-debian.sh)");

    // One file per query, its placeholders written as T-SQL variables, and the deployment
    // script as it is: one sqlfluff run over the folder.
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    int written = 0;
    QSet<QString> seen; // the same query in several reports is parsed once: sqlfluff is slow
    for (const QString &file : definitionFiles()) {
        const ReportDefinition def = loadDefinition(file);
        for (const ReportBody *body : bodiesOf(def)) {
            for (const QueryDef &q : body->queries) {
                if (q.driver != QLatin1String("ODBC"))
                    continue;
                const QString sql
                    = data::rewritePlaceholders(q.sql, [](const QString &n) { return QLatin1Char('@') + n; }).text;
                if (seen.contains(sql.trimmed()))
                    continue;
                seen.insert(sql.trimmed());
                const QString name = QStringLiteral("%1_%2_%3_L%4.sql")
                                         .arg(QFileInfo(file).completeBaseName(),
                                             body->name.isEmpty() ? QStringLiteral("main") : body->name, q.name)
                                         .arg(q.pos.line);
                QFile out(QDir(dir.path()).filePath(name));
                QVERIFY(out.open(QIODevice::WriteOnly));
                out.write(sql.trimmed().toUtf8() + "\n");
                ++written;
            }
        }
    }
    const QDir deployment(sourceDir() + QStringLiteral("/db/sqlserver"));
    const QStringList scripts = deployment.entryList({ QStringLiteral("*.sql") }, QDir::Files, QDir::Name);
    QVERIFY2(!scripts.isEmpty(), "db/sqlserver holds no deployment script");
    for (const QString &script : scripts) {
        QFile in(deployment.filePath(script));
        QVERIFY(in.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(in.readAll());
        const QStringList idioms = sqliteIdioms(text);
        QVERIFY2(idioms.isEmpty(), qPrintable(script + QStringLiteral(" uses ") + idioms.join(QStringLiteral(", "))));
        QVERIFY(
            QFile::copy(deployment.filePath(script), QDir(dir.path()).filePath(QStringLiteral("deploy_") + script)));
    }

    QElapsedTimer timer;
    timer.start();
    QProcess p;
    p.setWorkingDirectory(dir.path());
    // Parsing is what counts; one cheap rule keeps the lint from spending time on style.
    p.start(sqlfluff,
        { QStringLiteral("lint"), QStringLiteral("--dialect"), QStringLiteral("tsql"), QStringLiteral("--rules"),
            QStringLiteral("L001"), QStringLiteral("--format"), QStringLiteral("json"), QStringLiteral("--processes"),
            QStringLiteral("2"), QStringLiteral("--disable-progress-bar"), QStringLiteral(".") });
    // About 80 s of processor time on two cores; much longer only on a machine shared with builds.
    QVERIFY(p.waitForFinished(540000));
    const QJsonDocument report = QJsonDocument::fromJson(p.readAllStandardOutput());
    QVERIFY2(report.isArray(), qPrintable(QString::fromUtf8(p.readAllStandardError())));
    QStringList errors;
    int files = 0;
    for (const QJsonValue &f : report.array()) {
        ++files;
        for (const QJsonValue &v : f.toObject().value(QLatin1String("violations")).toArray()) {
            const QJsonObject o = v.toObject();
            if (o.value(QLatin1String("code")).toString() == QLatin1String("PRS"))
                errors.append(QStringLiteral("%1:%2: %3")
                                  .arg(f.toObject().value(QLatin1String("filepath")).toString())
                                  .arg(o.value(QLatin1String("line_no")).toInt())
                                  .arg(o.value(QLatin1String("description")).toString()));
        }
    }
    qInfo("sqlfluff parsed %d T-SQL files in %.1f s (%d with findings)", written + int(scripts.size()),
        timer.elapsed() / 1000.0, files);
    QVERIFY2(errors.isEmpty(), qPrintable(errors.join(QLatin1Char('\n'))));
}

QTEST_MAIN(TestTsqlGate)
#include "tst_tsqlgate.moc"
