#include "db/hospitalcheck.h"

#include "data/dberror.h"
#include "data/embedded.h"
#include "db/hospitaldb.h"
#include "db/hospitalfolder.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>

#include <sqlite3.h>
#include <unistd.h>

#include <algorithm>
#include <memory>
#include <optional>

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

// The file's schema version when this program can work with it; a fault in the result when it
// cannot.
std::optional<int> schemaVersionOf(sqlite3 *db, const QString &database, const QString &what, HospitalCheck &result)
{
    QString error;
    const QStringList version = column(db, "SELECT max(version) FROM mss_schema", &error);
    if (!error.isEmpty() || version.isEmpty()) {
        const QString holder = holderOf(db, database);
        result.faults.append(holder.isEmpty()
                ? QStringLiteral("%1 records no schema version: it is not a hospital database of this program")
                      .arg(what)
                : QStringLiteral("%1 holds the tables of the %2 database, not of the %3 database")
                      .arg(what, holder, database));
        return std::nullopt;
    }
    const int v = version.first().toInt();
    if (v > kHospitalSchemaVersion) {
        result.faults.append(QStringLiteral("%1 was written by a newer program (schema version %2; this program "
                                            "knows up to %3)")
                                 .arg(what)
                                 .arg(v)
                                 .arg(kHospitalSchemaVersion));
        return std::nullopt;
    }
    if (v < kHospitalSchemaVersion)
        result.notes.append(QStringLiteral("%1 is at schema version %2; the program upgrades it to %3 when it "
                                           "opens it")
                                .arg(what)
                                .arg(v)
                                .arg(kHospitalSchemaVersion));
    return v;
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
    const std::optional<int> v = schemaVersionOf(raw, database, what, result);
    if (!v)
        return;
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
                               .arg(*v)
                               .arg(required.size())
                               .arg(database));
}

// A digest of a table's stored values, row by row in the order the file keeps them: each value
// with its type, so that 1, '1' and NULL differ.
QString tableDigest(sqlite3 *db, const QString &table, qint64 *rows, QString *error)
{
    QCryptographicHash hash(QCryptographicHash::Sha256);
    sqlite3_stmt *raw = nullptr;
    const QByteArray sql = QStringLiteral("SELECT * FROM \"%1\"").arg(table).toUtf8();
    int rc = sqlite3_prepare_v2(db, sql.constData(), -1, &raw, nullptr);
    *rows = 0;
    if (rc == SQLITE_OK) {
        const int columns = sqlite3_column_count(raw);
        while ((rc = sqlite3_step(raw)) == SQLITE_ROW) {
            ++*rows;
            for (int i = 0; i < columns; ++i) {
                const int type = sqlite3_column_type(raw, i);
                const char tag = char('0' + type);
                hash.addData(QByteArrayView(&tag, 1));
                if (type == SQLITE_NULL)
                    continue;
                const auto *bytes = static_cast<const char *>(sqlite3_column_blob(raw, i));
                const int size = sqlite3_column_bytes(raw, i);
                const qint32 length = size;
                hash.addData(QByteArrayView(reinterpret_cast<const char *>(&length), sizeof length));
                hash.addData(QByteArrayView(bytes, size));
            }
        }
    }
    if (rc != SQLITE_DONE)
        *error = errorOf(db, rc);
    sqlite3_finalize(raw);
    return QString::fromLatin1(hash.result().toHex());
}

struct TableDigest {
    QString database;
    QString table;
    qint64 rows = 0;
    QString digest;
};

// The digests of every table of the four files in the folder; throws DbError when one cannot be read.
QList<TableDigest> folderDigests(const QString &folder)
{
    QList<TableDigest> digests;
    for (const QString &name : embeddedDatabaseNames()) {
        const QString file = embeddedDatabaseFile(folder, name);
        sqlite3 *raw = nullptr;
        const int rc = sqlite3_open_v2(QFile::encodeName(file).constData(), &raw, SQLITE_OPEN_READONLY, nullptr);
        Handle db(raw);
        if (rc != SQLITE_OK)
            throw DbError(rc, kSource, QStringLiteral("Cannot read %1: %2").arg(file, errorOf(raw, rc)));
        QString error;
        const QStringList tables = column(raw,
            "SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT LIKE 'sqlite\\_%' ESCAPE '\\' "
            "ORDER BY name",
            &error);
        for (const QString &table : tables) {
            TableDigest d { name, table, 0, {} };
            d.digest = tableDigest(raw, table, &d.rows, &error);
            if (!error.isEmpty())
                throw DbError(0, kSource, QStringLiteral("Cannot read the table %1 of %2: %3").arg(table, file, error));
            digests.append(d);
        }
    }
    return digests;
}

// SQLite counts each write transaction in the file's header: a file whose count is still the
// one the backup saw was not written since, so its values must be the ones the backup copied.
quint32 changeCounter(const QString &file)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly) || !f.seek(24))
        return 0;
    const QByteArray bytes = f.read(4);
    if (bytes.size() != 4)
        return 0;
    return (quint32(quint8(bytes[0])) << 24) | (quint32(quint8(bytes[1])) << 16) | (quint32(quint8(bytes[2])) << 8)
        | quint32(quint8(bytes[3]));
}

void writeBackupDigest(const QString &folder)
{
    const QString path = QDir(folder).filePath(QString::fromLatin1(kBackupDigestFile));
    makePrivateFile(path);
    QFile out(path);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text))
        throw DbError(0, kSource, QStringLiteral("Cannot write %1: %2").arg(path, out.errorString()));
    QByteArray text
        = QByteArrayLiteral("# Written by the backup: each file's write count, and each table's stored values "
                            "as copied (rows, SHA-256). mss-db check compares them.\n");
    for (const QString &name : embeddedDatabaseNames())
        text += QStringLiteral("file\t%1\t%2\n")
                    .arg(name)
                    .arg(changeCounter(embeddedDatabaseFile(folder, name)))
                    .toUtf8();
    for (const TableDigest &d : folderDigests(folder))
        text += QStringLiteral("table\t%1\t%2\t%3\t%4\n").arg(d.database, d.table).arg(d.rows).arg(d.digest).toUtf8();
    if (out.write(text) != text.size() || !out.flush())
        throw DbError(0, kSource, QStringLiteral("Cannot write %1: %2").arg(path, out.errorString()));
}

// A backup's folder carries the digest of every table as copied. The files that no program has
// written since have their values compared with it; a difference there is damage or tampering.
void checkBackupDigest(const QString &folder, HospitalCheck &result)
{
    const QString path = QDir(folder).filePath(QString::fromLatin1(kBackupDigestFile));
    QFile in(path);
    if (!in.exists())
        return;
    if (!in.open(QIODevice::ReadOnly | QIODevice::Text)) {
        result.faults.append(QStringLiteral("The backup digest %1 cannot be read: %2").arg(path, in.errorString()));
        return;
    }
    QHash<QString, quint32> counters;
    QHash<QString, TableDigest> stored;
    for (const QByteArray &line : in.readAll().split('\n')) {
        const QStringList f = QString::fromUtf8(line).split(QLatin1Char('\t'));
        if (f.size() == 3 && f[0] == QLatin1String("file"))
            counters.insert(f[1], f[2].toUInt());
        else if (f.size() == 5 && f[0] == QLatin1String("table"))
            stored.insert(f[1] + QLatin1Char('.') + f[2], { f[1], f[2], f[3].toLongLong(), f[4] });
    }
    QList<TableDigest> now;
    try {
        now = folderDigests(folder);
    } catch (const DbError &e) {
        result.faults.append(e.description());
        return;
    }
    QStringList unwritten;
    int compared = 0;
    for (const QString &name : embeddedDatabaseNames()) {
        const QString file = embeddedDatabaseFile(folder, name);
        if (!counters.contains(name) || counters.value(name) != changeCounter(file)) {
            result.notes.append(QStringLiteral("The %1 database file %2 was written after the backup was taken: its "
                                               "values are not compared with the backup digest")
                                    .arg(name, file));
            continue;
        }
        unwritten.append(name);
        for (const TableDigest &d : std::as_const(now)) {
            if (d.database != name)
                continue;
            const QString key = d.database + QLatin1Char('.') + d.table;
            const QString what = QStringLiteral("The table %1 of the %2 database file %3").arg(d.table, name, file);
            const auto it = stored.constFind(key);
            if (it == stored.cend())
                result.faults.append(QStringLiteral("%1 is not in the backup digest %2").arg(what, path));
            else if (it->digest != d.digest)
                result.faults.append(QStringLiteral("%1 differs from the backup digest %2 (%3 rows then, %4 now), "
                                                    "though no program wrote the file since: its stored values are "
                                                    "damaged")
                                         .arg(what, path)
                                         .arg(it->rows)
                                         .arg(d.rows));
            else
                ++compared;
            stored.remove(key);
        }
        for (const TableDigest &gone : std::as_const(stored))
            if (gone.database == name)
                result.faults.append(
                    QStringLiteral("The table %1 of the %2 database is in the backup digest %3 but not "
                                   "in the file")
                        .arg(gone.table, name, path));
    }
    result.storedValuesVerified = unwritten.size() == embeddedDatabaseNames().size() && result.sound();
    if (compared > 0)
        result.verified.append(QStringLiteral("%1: the stored values of %2 tables (files %3) match the digest written "
                                              "when the backup was taken")
                                   .arg(folder)
                                   .arg(compared)
                                   .arg(unwritten.join(QStringLiteral(", "))));
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
    if (result.sound())
        checkBackupDigest(folder, result);
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
        // Read from the copy, after the writers were let go: what check of the copy compares.
        writeBackupDigest(staging);
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
