// The hospital's files on disk: private to the account, created all at once or not at all,
// damage found and named by file, consistent backups while others write, and a real hospital
// made without demo data.
#include "auth/password.h"
#include "data/embedded.h"
#include "db/catalogues.h"
#include "db/demodata.h"
#include "db/hospitalcheck.h"
#include "db/hospitaldb.h"
#include "support/demohospital.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QtTest>

#include <atomic>
#include <sys/stat.h>
#include <thread>

using namespace mss;
using namespace mss::data;

namespace {

mode_t rightsOf(const QString &path)
{
    struct stat st { };
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? (st.st_mode & 0777) : 07777;
}

QString tool()
{
    return qEnvironmentVariable("MSS_TOOLS_DIR") + QStringLiteral("/mss-db");
}

int runTool(const QStringList &args, QString *out = nullptr, const QByteArray &input = {})
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(tool(), args);
    p.write(input);
    p.closeWriteChannel();
    p.waitForFinished(120000);
    if (out)
        *out = QString::fromUtf8(p.readAll());
    return p.exitCode();
}

// Writes bytes over the middle of a file, as a failing disk or a stray program would.
void garble(const QString &file, qint64 bytes)
{
    QFile f(file);
    QVERIFY(f.open(QIODevice::ReadWrite));
    const qint64 middle = f.size() / 2;
    QByteArray junk(bytes, Qt::Uninitialized);
    for (qint64 i = 0; i < bytes; ++i)
        junk[i] = char((i * 2654435761u) >> 13);
    f.seek(middle);
    f.write(junk);
}

void fillSmallDemo(EmbeddedConnection &c)
{
    DemoOptions o;
    o.admissions = 100;
    o.today = QDate(2026, 12, 9);
    o.fastPasswordHashes = true;
    generateDemoData(c, o);
}

} // namespace

class TestHospitalFiles : public QObject {
    Q_OBJECT

private slots:
    void filesArePrivateWhateverTheUmask();
    void failedCreationLeavesNothing();
    void killedCreationLeavesNothingAndTheRetryWorks();
    void damagedMainFileIsNamedAsItself();
    void checkFindsDamageVersionsAndRights();
    void backupWhileAnotherConnectionWrites();
    void realHospitalHasCataloguesAndAnAdministrator();
    void apostrophesInNamesAreFound();
};

void TestHospitalFiles::filesArePrivateWhateverTheUmask()
{
    const mode_t old = ::umask(022);
    QTemporaryDir dir;
    const QString folder = QDir(dir.path()).filePath(QStringLiteral("hospital"));
    {
        auto c = createHospitalDatabase(folder, false, fillSmallDemo);
        QCOMPARE(rightsOf(folder), mode_t(0700));
        // A write in progress keeps its journal private too.
        c->beginTrans();
        c->execute(QStringLiteral("INSERT INTO MSS..tbMSSActive VALUES ('99','TEST')"));
        const QString journal = embeddedDatabaseFile(folder, QStringLiteral("MSS")) + QStringLiteral("-journal");
        QVERIFY(QFileInfo::exists(journal));
        QCOMPARE(rightsOf(journal), mode_t(0600));
        c->rollbackTrans();
    }
    for (const QString &name : embeddedDatabaseNames())
        QCOMPARE(rightsOf(embeddedDatabaseFile(folder, name)), mode_t(0600));
    QVERIFY(checkHospitalDatabase(folder).sound());
    // Nothing is left beside it.
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
        QStringList { QStringLiteral("hospital") });
    ::umask(old);
}

void TestHospitalFiles::failedCreationLeavesNothing()
{
    QTemporaryDir dir;
    const QString folder = QDir(dir.path()).filePath(QStringLiteral("hospital"));
    QVERIFY_THROWS_EXCEPTION(DbError, createHospitalDatabase(folder, false, [](EmbeddedConnection &c) {
        c.execute(QStringLiteral("INSERT INTO MSS..tbMSSActive VALUES ('01','NEW CASE')"));
        throw DbError(28, QStringLiteral("test"), QStringLiteral("database or disk is full"));
    }));
    QVERIFY(!QFileInfo::exists(folder));
    QVERIFY(QDir(dir.path()).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));

    // A folder with other files in it is never filled or replaced.
    QVERIFY(QDir().mkpath(folder));
    QFile other(QDir(folder).filePath(QStringLiteral("notes.txt")));
    QVERIFY(other.open(QIODevice::WriteOnly));
    other.close();
    QVERIFY_THROWS_EXCEPTION(DbError, createHospitalDatabase(folder, true));
    QVERIFY(!hospitalDatabaseExists(folder));

    // --force replaces a hospital with a new one in one step.
    QTemporaryDir second;
    createHospitalDatabase(second.path(), false, fillSmallDemo);
    auto replaced = createHospitalDatabase(second.path(), true);
    QCOMPARE(
        test::scalar(*replaced, QStringLiteral("SELECT count(*) FROM PATIENT_DATA..tbMaster")), QStringLiteral("0"));
}

void TestHospitalFiles::killedCreationLeavesNothingAndTheRetryWorks()
{
    if (!QFileInfo::exists(tool()))
        QSKIP("mss-db is not built");
    QTemporaryDir dir;
    const QString folder = QDir(dir.path()).filePath(QStringLiteral("hospital"));
    const QStringList create { QStringLiteral("create"), folder, QStringLiteral("--demo"), QStringLiteral("--patients"),
        QStringLiteral("3000") };
    int killedWhileRunning = 0;
    for (const int afterMs : { 30, 150, 400, 900 }) {
        QProcess p;
        p.start(tool(), create);
        QVERIFY(p.waitForStarted());
        QThread::msleep(afterMs);
        const bool running = p.state() == QProcess::Running;
        p.kill();
        p.waitForFinished();
        if (running && p.exitStatus() == QProcess::CrashExit) {
            ++killedWhileRunning;
            QVERIFY2(!hospitalDatabaseExists(folder), qPrintable(QStringLiteral("killed after %1 ms").arg(afterMs)));
        } else {
            QDir(folder).removeRecursively(); // it finished first: start the next round clean
        }
    }
    QVERIFY(killedWhileRunning > 0);
    // The next try starts clean: it removes what the killed ones left beside the folder.
    QString out;
    QCOMPARE(runTool(create, &out), 0);
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
        QStringList { QStringLiteral("hospital") });
    auto c = openHospitalDatabase(folder);
    QCOMPARE(test::scalar(*c, QStringLiteral("SELECT count(*) FROM MSS..tbMSSUser WHERE UserCode = 'MSS01'")),
        QStringLiteral("1"));
}

void TestHospitalFiles::damagedMainFileIsNamedAsItself()
{
    test::DemoHospital h;
    {
        QFile main(embeddedDatabaseFile(h.folder(), QStringLiteral("MSS")));
        QVERIFY(main.open(QIODevice::ReadWrite));
        main.write(QByteArray(100, 'x')); // the header
    }
    try {
        EmbeddedConnection c(h.folder());
        QFAIL("a garbled mss.db was opened");
    } catch (const DbError &e) {
        QVERIFY2(e.description().contains(QStringLiteral("mss.db")), qPrintable(e.description()));
        QVERIFY2(!e.description().contains(QStringLiteral("patient_data.db")), qPrintable(e.description()));
    }
}

void TestHospitalFiles::checkFindsDamageVersionsAndRights()
{
    if (!QFileInfo::exists(tool()))
        QSKIP("mss-db is not built");
    test::DemoHospital h;
    QString out;
    QCOMPARE(runTool({ QStringLiteral("check"), h.folder() }, &out), 0);
    QVERIFY2(out.contains(QStringLiteral("is sound")), qPrintable(out));

    // 8 KiB of garbage in the middle of a file goes unnoticed by most reads; the check finds it.
    const QString billing = embeddedDatabaseFile(h.folder(), QStringLiteral("BILLING"));
    garble(billing, 8192);
    QCOMPARE(runTool({ QStringLiteral("check"), h.folder() }, &out), 1);
    QVERIFY2(out.contains(QStringLiteral("FAULT: The BILLING database file ") + billing), qPrintable(out));
    QVERIFY(!out.contains(QStringLiteral("FAULT: The MSS")));

    // A folder that others can enter, and a file of a newer program.
    test::DemoHospital other;
    QVERIFY(::chmod(QFile::encodeName(other.folder()).constData(), 0755) == 0);
    other.connection().executeScript(QStringLiteral("UPDATE RADIOLOGY.mss_schema SET version = 99"));
    const HospitalCheck check = checkHospitalDatabase(other.folder());
    QCOMPARE(check.faults.size(), 2);
    QVERIFY(check.faults.filter(QStringLiteral("radiology.db was written by a newer program")).size() == 1);
    QVERIFY(check.faults.filter(QStringLiteral("has rights 0755")).size() == 1);
    QVERIFY(!checkHospitalDatabase(QDir(other.folder()).filePath(QStringLiteral("nothing-here"))).sound());
}

void TestHospitalFiles::backupWhileAnotherConnectionWrites()
{
    test::DemoHospital h;
    h.connection().executeScript(QStringLiteral("CREATE TABLE main.tbTick (n INTEGER); "
                                                "CREATE TABLE BILLING.tbTick (n INTEGER);"));
    std::atomic<bool> stop { false };
    std::atomic<int> written { 0 }, refused { 0 };
    std::thread writer([&] {
        EmbeddedConnection c(h.folder());
        while (!stop) {
            // Each tick goes into two files in one transaction: a consistent copy has as many
            // in one as in the other.
            try {
                c.beginTrans();
                c.execute(QStringLiteral("INSERT INTO MSS..tbTick VALUES (1)"));
                c.execute(QStringLiteral("INSERT INTO BILLING..tbTick VALUES (1)"));
                c.commitTrans();
                ++written;
            } catch (const DbError &) {
                if (c.inTransaction())
                    c.rollbackTrans();
                ++refused;
            }
            // A writer that never pauses starves any reader's busy wait under a rollback journal;
            // the program's writers pause between saves.
            QThread::msleep(1);
        }
    });
    const auto finish = qScopeGuard([&] {
        stop = true;
        writer.join();
    });
    while (written < 20)
        QThread::msleep(5);
    QTemporaryDir dir;
    const QString copy = QDir(dir.path()).filePath(QStringLiteral("copy"));
    EmbeddedConnection source(h.folder());
    backupHospitalDatabase(source, copy);
    QThread::msleep(50);
    const int atEnd = written.load();
    QVERIFY(atEnd > 20); // the writer went on after the copy
    QCOMPARE(refused.load(), 0); // and was never made to fail by it

    QVERIFY(checkHospitalDatabase(copy).sound());
    auto c = openHospitalDatabase(copy);
    const QString inMss = test::scalar(*c, QStringLiteral("SELECT count(*) FROM MSS..tbTick"));
    QCOMPARE(test::scalar(*c, QStringLiteral("SELECT count(*) FROM BILLING..tbTick")), inMss);
    QVERIFY(inMss.toInt() >= 20 && inMss.toInt() <= atEnd);
    QCOMPARE(test::scalar(*c, QStringLiteral("SELECT count(*) FROM PATIENT_DATA..tbMaster")),
        test::scalar(h.connection(), QStringLiteral("SELECT count(*) FROM PATIENT_DATA..tbMaster")));
    QCOMPARE(rightsOf(copy), mode_t(0700));
    // A backup never goes over files that are there.
    QVERIFY_THROWS_EXCEPTION(DbError, backupHospitalDatabase(source, copy));
}

void TestHospitalFiles::realHospitalHasCataloguesAndAnAdministrator()
{
    if (!QFileInfo::exists(tool()))
        QSKIP("mss-db is not built");
    QTemporaryDir dir;
    const QString folder = QDir(dir.path()).filePath(QStringLiteral("real"));
    QString out;
    // A password that breaks the rules creates nothing.
    QCOMPARE(runTool({ QStringLiteral("create"), folder }, &out,
                 "ST. ANNE GENERAL HOSPITAL\nRizal Ave.\nPort Halden 1100\nadmin1\nReyes\nAna\nshort\n"),
        1);
    QVERIFY2(out.contains(QStringLiteral("at least 8 characters")), qPrintable(out));
    QVERIFY(!hospitalDatabaseExists(folder));

    QCOMPARE(runTool({ QStringLiteral("create"), folder, QStringLiteral("--hospital"),
                         QStringLiteral("ST. ANNE GENERAL HOSPITAL") },
                 &out, "Rizal Ave.\nPort Halden 1100\nadmin1\nReyes\nAna\nfirst-admin-pw\n"),
        0);
    auto c = openHospitalDatabase(folder);
    QCOMPARE(test::scalar(*c, QStringLiteral("SELECT Company FROM PATIENT_DATA..tbHospitalInfo")),
        QStringLiteral("ST. ANNE GENERAL HOSPITAL"));
    for (const QString &table : { QStringLiteral("MSS..tbMSSClassificationScheme"),
             QStringLiteral("MSS..tbMSSClassification"), QStringLiteral("MSS..tbMSSCaseCategory"),
             QStringLiteral("MSS..tbMSSParentCategory"), QStringLiteral("MSS..tbMSSActive"),
             QStringLiteral("MSS..tbMSSReferringParty"), QStringLiteral("MSS..tbMSSServiceCategory"),
             QStringLiteral("MSS..tbMSSActivity"), QStringLiteral("PATIENT_DATA..tbReligion") })
        QVERIFY2(test::scalar(*c, QStringLiteral("SELECT count(*) FROM %1").arg(table)).toInt() > 0, qPrintable(table));
    QCOMPARE(test::scalar(*c, QStringLiteral("SELECT count(*) FROM PATIENT_DATA..tbMaster")), QStringLiteral("0"));
    QCOMPARE(test::scalar(*c, QStringLiteral("SELECT count(*) FROM MSS..tbMSSCaseCategory WHERE STATUS = 'I'")),
        QStringLiteral("0")); // the demo's retired entries are not a real hospital's
    const Recordset admin = c->open(QStringLiteral("SELECT u.PasswordHash, r.RightCode FROM MSS..tbMSSUser u JOIN "
                                                   "MSS..tbMSSUserRight r ON r.UserCode = u.UserCode "
                                                   "WHERE u.UserCode = 'ADMIN1'"));
    QVERIFY(suite::verifyPassword(admin.text(0), QStringLiteral("first-admin-pw")));
    QCOMPARE(admin.text(1), QStringLiteral("A"));
    QCOMPARE(test::scalar(*c, QStringLiteral("SELECT count(*) FROM MSS..tbMSSUser")), QStringLiteral("1"));
}

void TestHospitalFiles::apostrophesInNamesAreFound()
{
    test::DemoHospital h;
    Connection &c = h.connection();
    c.execute(QStringLiteral("UPDATE PATIENT_DATA..tbMaster SET LastName = 'O''BRIEN', FirstName = 'D''ARCY' "
                             "WHERE HospNum = '0100001'"));
    c.execute(QStringLiteral("UPDATE PATIENT_DATA..tbMaster SET LastName = 'O`BRIENNE' WHERE HospNum = '0100002'"));
    const auto patients = [&](const QString &statement) {
        const Recordset rs = c.open(statement);
        const int column = int(rs.columns().indexOf(QStringLiteral("HospNum")));
        QSet<QString> found;
        for (const QVariantList &row : rs.rows())
            found.insert(row[column].toString());
        return found;
    };
    const QSet<QString> both { QStringLiteral("0100001"), QStringLiteral("0100002") };
    int seen = 0;
    for (const QString &procedure : { QStringLiteral("sp_MSS_LoadInPatient"), QStringLiteral("sp_MSS_LoadOutPatient"),
             QStringLiteral("sp_MSS_LoadERPatient"), QStringLiteral("sp_MSS_LoadAllServicePatient") }) {
        const QSet<QString> listed = patients(QStringLiteral("MSS..%1 '','','','',''").arg(procedure)) & both;
        seen += int(listed.size());
        // What the search boxes send for "o'brien" as typed: the apostrophe became a backquote.
        QCOMPARE(patients(QStringLiteral("MSS..%1 '','o`brien','','',''").arg(procedure)), listed);
        QCOMPARE(patients(QStringLiteral("MSS..%1 '','O''BRIEN','','',''").arg(procedure)), listed);
        // The first name too, and the other criteria still filter.
        QCOMPARE(patients(QStringLiteral("MSS..%1 '','o`b','','d`ar',''").arg(procedure)),
            listed & QSet<QString> { QStringLiteral("0100001") });
        QVERIFY(patients(QStringLiteral("MSS..%1 '','o`x','','',''").arg(procedure)).isEmpty());
    }
    QVERIFY(seen >= 2);
}

QTEST_GUILESS_MAIN(TestHospitalFiles)
#include "tst_hospitalfiles.moc"
