// The hospital's files on disk: private to the account, created all at once or not at all,
// damage found and named by file, consistent backups while others write, and a real hospital
// made without demo data.
#include "data/embedded.h"
#include "db/catalogues.h"
#include "db/demodata.h"
#include "db/hospitalcheck.h"
#include "db/hospitaldb.h"
#include "db/password.h"
#include "support/demohospital.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QtTest>

#include <atomic>
#include <fcntl.h>
#include <functional>
#include <linux/fs.h>
#include <sqlite3.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

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

// Makes a file impossible to write, for root too (which chmod does not stop): immutable. The
// guard gives it back, or the temporary folder could not be removed.
bool makeReadOnly(const QString &file)
{
    if (::chmod(QFile::encodeName(file).constData(), 0400) != 0)
        return false;
    if (::geteuid() != 0)
        return true;
    const int fd = ::open(QFile::encodeName(file).constData(), O_RDONLY);
    int flags = 0;
    const bool ok = fd >= 0 && ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0
        && (flags |= FS_IMMUTABLE_FL, ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0);
    if (fd >= 0)
        ::close(fd);
    return ok;
}

void makeWritable(const QString &file)
{
    const int fd = ::open(QFile::encodeName(file).constData(), O_RDONLY);
    int flags = 0;
    if (fd >= 0 && ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0 && (flags & FS_IMMUTABLE_FL)) {
        flags &= ~FS_IMMUTABLE_FL;
        ::ioctl(fd, FS_IOC_SETFLAGS, &flags);
    }
    if (fd >= 0)
        ::close(fd);
    ::chmod(QFile::encodeName(file).constData(), 0600);
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
    void writersAndReadersWaitTheirTurn();
    void backupRefusesWhatTheCheckFaults();
    void journalLeftoversArePrivateAndCleared();
    void backupDigestFindsChangedValues();
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
    // It says what it verified, file by file, and never vouches for values it cannot see.
    QVERIFY2(out.contains(QStringLiteral("No fault found"))
            && out.contains(QStringLiteral("Not verified: the stored values")),
        qPrintable(out));
    QCOMPARE(out.count(QRegularExpression(QStringLiteral("^verified: "), QRegularExpression::MultilineOption)), 5);
    QVERIFY(!out.contains(QStringLiteral("sound")));

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

// Programs saving at once, as on a ward's workstations sharing one folder: every write waits for
// its turn within the lock wait, none is lost, and readers are not starved.
void TestHospitalFiles::writersAndReadersWaitTheirTurn()
{
    constexpr int kWriters = 8, kReaders = 4, kCalls = 200;
    // In memory where the system has such a folder: the test is about who waits for whom, and on
    // a disk busy with other work each commit's sync, not the locking, would decide the waits.
    test::DemoHospital h(QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm") : QString());
    const data::Recordset admissions = h.connection().open(QStringLiteral(
        "SELECT min(IdNum) AS IdNum, HospNum FROM PATIENT_DATA..vwAdmission GROUP BY HospNum ORDER BY HospNum"));
    QVERIFY(admissions.recordCount() >= kWriters);
    QStringList idNums, hospNums;
    for (const QVariantList &row : admissions.rows().mid(0, kWriters)) {
        idNums.append(row[0].toString());
        hospNums.append(row[1].toString());
    }

    std::atomic<int> failures { 0 }, writes { 0 }, reads { 0 };
    QStringList firstFailures;
    QMutex failuresLock;
    const auto failed = [&](const DbError &e) {
        ++failures;
        QMutexLocker lock(&failuresLock);
        if (firstFailures.size() < 5)
            firstFailures.append(e.description());
    };
    QElapsedTimer timer;
    timer.start();
    std::vector<std::thread> threads;
    for (int w = 0; w < kWriters; ++w) {
        threads.emplace_back([&, w] {
            try {
                EmbeddedConnection c(h.folder());
                for (int i = 0; i < kCalls; ++i) {
                    try {
                        // Half the writers change a patient's class (a history row each time), half
                        // give a patient a new MSS number (a last value that must survive).
                        if (w % 2 == 0)
                            c.execute(QStringLiteral("MSS..sp_MSS_UpdatePatientClass '%1','%2','W%3'")
                                          .arg(idNums[w], i % 2 ? QStringLiteral("S") : QStringLiteral("P"))
                                          .arg(w));
                        else
                            c.execute(QStringLiteral("MSS..sp_MSS_UpdateMSSNumber '%1','C%2N%3'")
                                          .arg(hospNums[w])
                                          .arg(w)
                                          .arg(i, 4, 10, QLatin1Char('0')));
                        ++writes;
                    } catch (const DbError &e) {
                        failed(e);
                    }
                }
            } catch (const DbError &e) {
                failed(e);
            }
        });
    }
    for (int r = 0; r < kReaders; ++r) {
        threads.emplace_back([&, r] {
            try {
                EmbeddedConnection c(h.folder());
                for (int i = 0; i < kCalls; ++i) {
                    try {
                        if (r % 2 == 0)
                            c.open(
                                QStringLiteral("MSS..sp_MSS_GetPatClassHistory '%1'").arg(idNums[(i * 2) % kWriters]));
                        else
                            c.open(QStringLiteral("SELECT MSSNum FROM PATIENT_DATA..tbMaster WHERE HospNum = '%1'")
                                       .arg(hospNums[(i * 2 + 1) % kWriters]));
                        ++reads;
                    } catch (const DbError &e) {
                        failed(e);
                    }
                }
            } catch (const DbError &e) {
                failed(e);
            }
        });
    }
    for (std::thread &t : threads)
        t.join();
    const qint64 elapsed = timer.elapsed();
    qInfo("%d writers and %d readers, %d calls each: %d writes, %d reads, %d failures in %lld ms", kWriters, kReaders,
        kCalls, writes.load(), reads.load(), failures.load(), elapsed);
    QVERIFY2(failures == 0, qPrintable(firstFailures.join(QStringLiteral("\n"))));
    QCOMPARE(writes.load(), kWriters * kCalls);
    QCOMPARE(reads.load(), kReaders * kCalls);

    // Nothing written was lost: every class change left its history row, every patient keeps
    // the last number given.
    for (int w = 0; w < kWriters; ++w) {
        if (w % 2 == 0)
            QCOMPARE(test::scalar(h.connection(),
                         QStringLiteral("SELECT count(*) FROM MSS..tbMSSPatClassHistory WHERE UserID = 'W%1'").arg(w)),
                QString::number(kCalls));
        else
            QCOMPARE(
                test::scalar(h.connection(),
                    QStringLiteral("SELECT MSSNum FROM PATIENT_DATA..tbMaster WHERE HospNum = '%1'").arg(hospNums[w])),
                QStringLiteral("C%1N%2").arg(w).arg(kCalls - 1, 4, 10, QLatin1Char('0')));
    }
}

// Damaged folders of every kind: the check names the file and the cause, and the backup refuses
// them, saying why, and makes nothing.
void TestHospitalFiles::backupRefusesWhatTheCheckFaults()
{
    if (!QFileInfo::exists(tool()))
        QSKIP("mss-db is not built");
    struct Damage {
        const char *name;
        std::function<bool(const QString &folder)> apply;
        const char *fault;
    };
    const auto file = [](const QString &folder, const char *database) {
        return embeddedDatabaseFile(folder, QString::fromLatin1(database));
    };
    const QList<Damage> damages = {
        { "empty", [&](const QString &f) { return QFile(file(f, "MSS")).resize(0); }, "mss.db is empty" },
        { "another program's",
            [&](const QString &f) {
                QFile::remove(file(f, "RADIOLOGY"));
                QFile out(file(f, "RADIOLOGY"));
                return out.open(QIODevice::WriteOnly)
                    && out.write(QByteArray("%PDF-1.4\n") + QByteArray(4096, 'x')) > 0;
            },
            "radiology.db is not an SQLite database" },
        { "another of the four in its place",
            [&](const QString &f) {
                return QFile::remove(file(f, "MSS")) && QFile::copy(file(f, "BILLING"), file(f, "MSS"));
            },
            "mss.db holds the tables of the BILLING database, not of the MSS database" },
        { "newer",
            [&](const QString &f) {
                EmbeddedConnection c(f);
                c.executeScript(QStringLiteral("UPDATE PATIENT_DATA.mss_schema SET version = 99"));
                return true;
            },
            "patient_data.db was written by a newer program" },
        { "truncated",
            [&](const QString &f) {
                QFile billing(file(f, "BILLING"));
                return billing.resize(billing.size() / 2);
            },
            "billing.db is damaged" },
        { "read-only", [&](const QString &f) { return makeReadOnly(file(f, "BILLING")); },
            "billing.db cannot be written (read-only)" },
    };
    for (const Damage &damage : damages) {
        test::DemoHospital h;
        const QString folder = h.folder();
        const auto restore = qScopeGuard([&] { makeWritable(file(folder, "BILLING")); });
        QVERIFY2(damage.apply(folder), damage.name);
        QString out;
        QCOMPARE(runTool({ QStringLiteral("check"), folder }, &out), 1);
        QVERIFY2(out.contains(QStringLiteral("FAULT: ")) && out.contains(QString::fromLatin1(damage.fault)),
            qPrintable(QStringLiteral("%1: %2").arg(QString::fromLatin1(damage.name), out)));
        QTemporaryDir dir;
        const QString copy = QDir(dir.path()).filePath(QStringLiteral("copy"));
        QCOMPARE(runTool({ QStringLiteral("backup"), folder, copy }, &out), 1);
        QVERIFY2(!out.contains(QStringLiteral("Copied")) && out.contains(QString::fromLatin1(damage.fault)),
            qPrintable(QStringLiteral("%1: %2").arg(QString::fromLatin1(damage.name), out)));
        QVERIFY2(!QFileInfo::exists(copy), damage.name);
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList());
    }
}

// What programs that stopped mid-write leave: SQLite's super-journals of commits over several
// files are as private as the files, and leftovers are cleared once, by the check, and said.
void TestHospitalFiles::journalLeftoversArePrivateAndCleared()
{
    const mode_t old = ::umask(022);
    const auto restoreUmask = qScopeGuard([&] { ::umask(old); });
    test::DemoHospital h;
    {
        // Every file SQLite makes for the connection goes through the program's own file layer.
        EmbeddedConnection c(h.folder());
        sqlite3_vfs *vfs = nullptr;
        QCOMPARE(sqlite3_file_control(c.handle(), "main", SQLITE_FCNTL_VFS_POINTER, &vfs), SQLITE_OK);
        QVERIFY(vfs);
        const QString superJournal
            = embeddedDatabaseFile(h.folder(), QStringLiteral("MSS")) + QStringLiteral("-mjTEST0001");
        const QByteArray path = QFile::encodeName(superJournal);
        std::vector<char> storage(size_t(vfs->szOsFile));
        auto *f = reinterpret_cast<sqlite3_file *>(storage.data());
        int outFlags = 0;
        QCOMPARE(vfs->xOpen(vfs, path.constData(), f,
                     SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_EXCLUSIVE | SQLITE_OPEN_SUPER_JOURNAL,
                     &outFlags),
            SQLITE_OK);
        QCOMPARE(rightsOf(superJournal), mode_t(0600));
        f->pMethods->xClose(f);
        QFile::remove(superJournal);
        // A commit over two files still works through it.
        c.beginTrans();
        c.execute(QStringLiteral("UPDATE MSS..tbMSSUser SET Active = Active"));
        c.execute(QStringLiteral("UPDATE BILLING..tbBillDailyBill SET Amount = Amount"));
        c.commitTrans();
    }

    // Left by killed programs: super-journals, and a journal whose header was never written.
    const QString mss = embeddedDatabaseFile(h.folder(), QStringLiteral("MSS"));
    const QString billing = embeddedDatabaseFile(h.folder(), QStringLiteral("BILLING"));
    const QStringList leftovers = { mss + QStringLiteral("-mj0A1B2C3D"), mss + QStringLiteral("-mj99887766"),
        billing + QStringLiteral("-journal") };
    for (const QString &leftover : leftovers) {
        QFile out(leftover);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(leftover.endsWith(QStringLiteral("-journal")) ? QByteArray(512, '\0') : QByteArray("stale\0"));
    }
    const HospitalCheck first = checkHospitalDatabase(h.folder());
    QVERIFY2(first.sound(), qPrintable(first.faults.join(QLatin1Char('\n'))));
    for (const QString &leftover : leftovers)
        QVERIFY2(!QFileInfo::exists(leftover), qPrintable(leftover));
    for (const QString &superJournal : leftovers.mid(0, 2))
        QVERIFY2(first.notes.filter(QStringLiteral("Removed ") + superJournal).size() == 1,
            qPrintable(first.notes.join(QLatin1Char('\n'))));
    // Said once: the next check has nothing to say.
    const HospitalCheck second = checkHospitalDatabase(h.folder());
    QVERIFY2(second.sound() && second.notes.isEmpty(), qPrintable(second.notes.join(QLatin1Char('\n'))));
}

// A backup carries a digest of every table's values: a letter changed in a copy that no program
// wrote since is found, which no page check can do; a copy used for work is only noted.
void TestHospitalFiles::backupDigestFindsChangedValues()
{
    test::DemoHospital h;
    QTemporaryDir dir;
    const QString copy = QDir(dir.path()).filePath(QStringLiteral("copy"));
    backupHospitalDatabase(h.folder(), copy);
    QCOMPARE(rightsOf(QDir(copy).filePath(QString::fromLatin1(kBackupDigestFile))), mode_t(0600));
    HospitalCheck check = checkHospitalDatabase(copy);
    QVERIFY2(check.sound() && check.storedValuesVerified, qPrintable(check.faults.join(QLatin1Char('\n'))));
    QCOMPARE(check.verified.filter(QStringLiteral("match the digest")).size(), 1);
    // The source itself has no digest, and the check does not pretend otherwise.
    QVERIFY(!checkHospitalDatabase(h.folder()).storedValuesVerified);

    // One byte of the hospital's name flipped on disk: every page is still well formed.
    const QString company
        = test::scalar(h.connection(), QStringLiteral("SELECT Company FROM PATIENT_DATA..tbHospitalInfo"));
    QVERIFY(company.size() > 4);
    const QString patientData = embeddedDatabaseFile(copy, QStringLiteral("PATIENT_DATA"));
    {
        QFile f(patientData);
        QVERIFY(f.open(QIODevice::ReadWrite));
        QByteArray bytes = f.readAll();
        const qsizetype at = bytes.indexOf(company.toUtf8());
        QVERIFY(at > 0);
        bytes[at + 2] = char(bytes[at + 2] ^ 0x01);
        QVERIFY(f.seek(0));
        QCOMPARE(f.write(bytes), bytes.size());
    }
    check = checkHospitalDatabase(copy);
    QVERIFY(!check.storedValuesVerified);
    QVERIFY2(check.faults.size() == 1
            && check.faults.first().contains(
                QStringLiteral("The table tbHospitalInfo of the PATIENT_DATA database file "))
            && check.faults.first().contains(QStringLiteral("damaged")),
        qPrintable(check.faults.join(QLatin1Char('\n'))));
    // A refused source is not copied on.
    QVERIFY_THROWS_EXCEPTION(DbError, backupHospitalDatabase(copy, QDir(dir.path()).filePath(QStringLiteral("again"))));

    // A copy restored and written by the program is a working hospital: noted, not faulted.
    const QString second = QDir(dir.path()).filePath(QStringLiteral("second"));
    backupHospitalDatabase(h.folder(), second);
    openHospitalDatabase(second)->execute(
        QStringLiteral("UPDATE MSS..tbMSSUser SET FailedLogOns = FailedLogOns + 1 WHERE UserCode = 'MSS02'"));
    check = checkHospitalDatabase(second);
    QVERIFY2(check.sound(), qPrintable(check.faults.join(QLatin1Char('\n'))));
    QVERIFY(!check.storedValuesVerified);
    QCOMPARE(check.notes.filter(QStringLiteral("mss.db was written after the backup was taken")).size(), 1);
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
    QVERIFY(data::verifyPassword(admin.text(0), QStringLiteral("first-admin-pw")));
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
