#include "db/hospitalcheck.h"

#include "data/dberror.h"
#include "data/embedded.h"
#include "db/hospitaldb.h"
#include "db/hospitalfolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>
#include <unistd.h>

#include <algorithm>
#include <memory>

namespace mss::data {

namespace {

const QString kSource = QStringLiteral("Hospital database");

struct Closer {
    void operator()(sqlite3 *db) const { sqlite3_close_v2(db); }
};
using Handle = std::unique_ptr<sqlite3, Closer>;

QString errorOf(sqlite3 *db, int rc)
{
    return db ? QString::fromUtf8(sqlite3_errmsg(db)) : QString::fromUtf8(sqlite3_errstr(rc));
}

// Runs a statement and returns its first column, one text per row; an error goes in *error.
QStringList column(sqlite3 *db, const char *sql, QString *error)
{
    sqlite3_stmt *stmt = nullptr;
    QStringList rows;
    int rc = sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr);
    if (rc == SQLITE_OK) {
        while ((rc = sqlite3_step(stmt)) == SQLITE_ROW)
            rows.append(QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(stmt, 0))));
    }
    if (rc != SQLITE_DONE)
        *error = errorOf(db, rc);
    sqlite3_finalize(stmt);
    return rows;
}

// What a file's first bytes say it is: an SQLite database or not, before SQLite is asked.
QString headerProblem(const QString &file)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return QStringLiteral("cannot be read: %1").arg(f.errorString());
    const QByteArray header = f.read(16);
    if (header.isEmpty())
        return QStringLiteral("is empty");
    if (header != QByteArray("SQLite format 3", 16))
        return QStringLiteral("is not an SQLite database: another program's file, or one damaged at its start");
    return {};
}

// The database whose tables the file holds, when it is not the one its name says.
QString holderOf(sqlite3 *db, const QString &expected)
{
    QString error;
    const QStringList present = column(db, "SELECT name FROM sqlite_master WHERE type = 'table'", &error);
    for (const QString &other : embeddedDatabaseNames()) {
        if (other == expected)
            continue;
        const QStringList tables = requiredTables(other);
        if (!tables.isEmpty()
            && std::all_of(tables.begin(), tables.end(), [&](const QString &t) { return present.contains(t); }))
            return other;
    }
    return {};
}

void checkFile(const QString &database, const QString &file, HospitalCheck &result)
{
    const QString what = QStringLiteral("The %1 database file %2").arg(database, file);
    if (!QFileInfo::exists(file)) {
        result.faults.append(QStringLiteral("%1 is missing").arg(what));
        return;
    }
    if (const QString problem = headerProblem(file); !problem.isEmpty()) {
        result.faults.append(QStringLiteral("%1 %2").arg(what, problem));
        return;
    }
    if (QFileInfo::exists(file + QStringLiteral("-journal")))
        result.notes.append(QStringLiteral("%1 has a journal: a write was under way while it was checked").arg(what));
    sqlite3 *raw = nullptr;
    const int rc = sqlite3_open_v2(QFile::encodeName(file).constData(), &raw, SQLITE_OPEN_READWRITE, nullptr);
    Handle db(raw);
    if (rc != SQLITE_OK) {
        result.faults.append(QStringLiteral("%1 cannot be opened: %2").arg(what, errorOf(raw, rc)));
        return;
    }
    sqlite3_busy_timeout(raw, 5000);
    QString error;
    const QStringList integrity = column(raw, "PRAGMA integrity_check(20)", &error);
    if (!error.isEmpty()) {
        result.faults.append(QStringLiteral("%1 is damaged or cannot be read: %2").arg(what, error));
        return;
    }
    if (integrity != QStringList { QStringLiteral("ok") }) {
        result.faults.append(QStringLiteral("%1 is damaged: %2").arg(what, integrity.join(QStringLiteral("; "))));
        return;
    }
    // SQLite opens a file it may not write for reading only, and says so only at the first save.
    if (sqlite3_db_readonly(raw, "main") != 0 || ::access(QFile::encodeName(file).constData(), W_OK) != 0)
        result.faults.append(
            QStringLiteral("%1 cannot be written (read-only): the program could not save to it").arg(what));
    const QStringList version = column(raw, "SELECT max(version) FROM mss_schema", &error);
    if (!error.isEmpty() || version.isEmpty()) {
        const QString holder = holderOf(raw, database);
        result.faults.append(holder.isEmpty()
                ? QStringLiteral("%1 records no schema version: it is not a hospital database of this program")
                      .arg(what)
                : QStringLiteral("%1 holds the tables of the %2 database, not of the %3 database")
                      .arg(what, holder, database));
        return;
    }
    const int v = version.first().toInt();
    if (v > kHospitalSchemaVersion) {
        result.faults.append(QStringLiteral("%1 was written by a newer program (schema version %2; this program "
                                            "knows up to %3)")
                                 .arg(what)
                                 .arg(v)
                                 .arg(kHospitalSchemaVersion));
        return;
    }
    if (v < kHospitalSchemaVersion)
        result.notes.append(QStringLiteral("%1 is at schema version %2; the program upgrades it to %3 when it "
                                           "opens it")
                                .arg(what)
                                .arg(v)
                                .arg(kHospitalSchemaVersion));
    // Each of the four files has a version table: the tables tell which database a file is.
    const QStringList present = column(raw, "SELECT name FROM sqlite_master WHERE type = 'table'", &error);
    QStringList lacking;
    const QStringList required = requiredTables(database);
    for (const QString &table : required)
        if (!present.contains(table, Qt::CaseInsensitive))
            lacking.append(table);
    if (!lacking.isEmpty()) {
        const QString holder = holderOf(raw, database);
        result.faults.append(holder.isEmpty()
                ? QStringLiteral("%1 lacks the tables %2").arg(what, lacking.join(QStringLiteral(", ")))
                : QStringLiteral("%1 holds the tables of the %2 database, not of the %3 database")
                      .arg(what, holder, database));
        return;
    }
    result.verified.append(QStringLiteral("%1: an SQLite file whose every page is readable and well formed, schema "
                                          "version %2, the %3 tables of the %4 database, writable")
                               .arg(file)
                               .arg(v)
                               .arg(required.size())
                               .arg(database));
}

// Keeps every other connection from starting a write on any of the four files: the source's
// connection takes the write lock of each (and writes nothing), so the copy, read on
// connections of its own, sees one moment. SQLite does not copy from a connection that holds
// the write lock itself.
void holdWriters(sqlite3 *src)
{
    if (const int rc = sqlite3_exec(src, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr); rc != SQLITE_OK)
        throw DbError(rc, kSource,
            QStringLiteral("The database is busy with a write that does not end: %1").arg(errorOf(src, rc)));
}

} // namespace

HospitalCheck checkHospitalDatabase(const QString &folder)
{
    HospitalCheck result;
    if (!QFileInfo(folder).isDir()) {
        result.faults.append(QStringLiteral("The folder %1 does not exist").arg(folder));
        return result;
    }
    // Leftovers of programs that stopped mid-write are cleared first, so that what the files
    // say is not overlaid by them, and they are said once, not at every check.
    const QStringList names = embeddedDatabaseNames();
    const bool filesLookFine = std::all_of(names.begin(), names.end(), [&](const QString &name) {
        const QString file = embeddedDatabaseFile(folder, name);
        return QFileInfo::exists(file) && headerProblem(file).isEmpty() && QFileInfo(file).isWritable();
    });
    if (filesLookFine) {
        try {
            EmbeddedConnection connection(folder);
            for (const QString &removed : removeJournalLeftovers(connection))
                result.notes.append(
                    QStringLiteral("Removed %1, left by a program that stopped during a write").arg(removed));
        } catch (const DbError &e) {
            result.notes.append(
                QStringLiteral("Leftovers of stopped writes were not looked for: %1").arg(e.description()));
        }
    }
    for (const QString &name : names)
        checkFile(name, embeddedDatabaseFile(folder, name), result);
    const QStringList rights = folderRightsProblems(folder);
    result.faults.append(rights);
    if (rights.isEmpty())
        result.verified.append(QStringLiteral("%1: the folder and the four files (and their journals) are reachable "
                                              "by this account only")
                                   .arg(folder));
    return result;
}

namespace {

// A copy of files the check faults would be taken, and later restored, for a good one.
void refuseFaultyBackupSource(const QString &folder)
{
    const HospitalCheck check = checkHospitalDatabase(folder);
    if (!check.sound())
        throw DbError(0, kSource,
            QStringLiteral("The hospital database in %1 is not backed up, because of %2:\n%3")
                .arg(folder, check.faults.size() == 1 ? QStringLiteral("a fault") : QStringLiteral("faults"),
                    check.faults.join(QLatin1Char('\n'))));
}

} // namespace

void backupHospitalDatabase(const QString &folder, const QString &destination)
{
    // Checked before the files are opened for the copy, so that a foreign or empty file is
    // named as what it is, not as a file that cannot be read.
    refuseFaultyBackupSource(folder);
    EmbeddedConnection source(folder);
    backupHospitalDatabase(source, destination);
}

void backupHospitalDatabase(EmbeddedConnection &source, const QString &destination)
{
    if (source.inTransaction())
        throw DbError(0, kSource, QStringLiteral("A backup cannot be taken inside an open transaction"));
    refuseFaultyBackupSource(source.folder());
    const QString target = QDir::cleanPath(QDir(destination).absolutePath());
    if (QFileInfo(target).exists()
        && !QDir(target).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot))
        throw DbError(0, kSource,
            QStringLiteral("The folder %1 is not empty; a backup goes into a new or empty folder").arg(target));

    // Writers are held off while the four files are copied, so all four show the same moment.
    sqlite3 *src = source.handle();
    holdWriters(src);
    QString staging;
    try {
        staging = stagingFolderFor(target);
        for (const QString &name : embeddedDatabaseNames()) {
            const QString file = embeddedDatabaseFile(staging, name);
            makePrivateFile(file);
            sqlite3 *raw = nullptr;
            const int rc = sqlite3_open_v2(QFile::encodeName(file).constData(), &raw, SQLITE_OPEN_READWRITE, nullptr);
            Handle copy(raw);
            if (rc != SQLITE_OK)
                throw DbError(rc, kSource, QStringLiteral("Cannot create %1: %2").arg(file, errorOf(raw, rc)));
            sqlite3 *rawFrom = nullptr;
            const QString sourceFile = embeddedDatabaseFile(source.folder(), name);
            const int opened
                = sqlite3_open_v2(QFile::encodeName(sourceFile).constData(), &rawFrom, SQLITE_OPEN_READONLY, nullptr);
            Handle from(rawFrom);
            if (opened != SQLITE_OK)
                throw DbError(
                    opened, kSource, QStringLiteral("Cannot read %1: %2").arg(sourceFile, errorOf(rawFrom, opened)));
            sqlite3_busy_timeout(rawFrom, std::max(source.lockWaitMs(), 1000));
            sqlite3_backup *backup = sqlite3_backup_init(raw, "main", rawFrom, "main");
            if (!backup)
                throw DbError(sqlite3_errcode(raw), kSource,
                    QStringLiteral("Cannot copy the %1 database: %2").arg(name, errorOf(raw, SQLITE_ERROR)));
            const int step = sqlite3_backup_step(backup, -1);
            const int finish = sqlite3_backup_finish(backup);
            if (step != SQLITE_DONE || finish != SQLITE_OK)
                throw DbError(finish != SQLITE_OK ? finish : step, kSource,
                    QStringLiteral("Cannot copy the %1 database to %2: %3")
                        .arg(name, file, QString::fromUtf8(sqlite3_errstr(finish != SQLITE_OK ? finish : step))));
        }
        sqlite3_exec(src, "COMMIT", nullptr, nullptr, nullptr);
        moveStagedFolder(staging, target, false);
    } catch (...) {
        if (!sqlite3_get_autocommit(src))
            sqlite3_exec(src, "ROLLBACK", nullptr, nullptr, nullptr);
        if (!staging.isEmpty())
            discardStagedFolder(staging);
        throw;
    }
}

} // namespace mss::data
