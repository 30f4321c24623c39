#include "db/hospitaldb.h"

#include "data/tsql.h"
#include "db/hospitalcheck.h"
#include "db/hospitalfolder.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <sqlite3.h>

#include <algorithm>

namespace mss::data {

namespace {

const QString kSource = QStringLiteral("Hospital database");

[[noreturn]] void refuse(const QString &message)
{
    throw DbError(0, kSource, message);
}

QString resourceText(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        refuse(QStringLiteral("The program is missing its database resource %1").arg(path));
    return QString::fromUtf8(file.readAll());
}

struct ShippedProcedure {
    QString database;
    QString name;
    QString source;
};

// Every procedure file compiled into the program, sorted so that the digest is stable.
const QList<ShippedProcedure> &shippedProcedures()
{
    static const QList<ShippedProcedure> procedures = [] {
        QList<ShippedProcedure> list;
        for (const QString &database : embeddedDatabaseNames()) {
            QDirIterator it(QStringLiteral(":/db/procedures/") + database, { QStringLiteral("*.sql") }, QDir::Files);
            while (it.hasNext()) {
                const QString path = it.next();
                list.append({ database, QFileInfo(path).completeBaseName(), resourceText(path) });
            }
        }
        std::sort(list.begin(), list.end(), [](const ShippedProcedure &a, const ShippedProcedure &b) {
            return std::pair(a.database, a.name.toLower()) < std::pair(b.database, b.name.toLower());
        });
        return list;
    }();
    return procedures;
}

QString proceduresDigest()
{
    QCryptographicHash hash(QCryptographicHash::Sha256);
    for (const ShippedProcedure &p : shippedProcedures()) {
        hash.addData(QStringLiteral("%1.%2\n").arg(p.database, p.name).toUtf8());
        hash.addData(p.source.toUtf8());
        hash.addData(QByteArrayView("\n"));
    }
    return QString::fromLatin1(hash.result().toHex());
}

// Steps that bring a database of an older version up to date, in order. Each script runs on a
// connection with all four files attached, so it names the other databases' tables with their
// prefix, and may find a file that is already newer than the others of its folder.
struct UpgradeStep {
    int toVersion;
    const char *resource;
    // A step that cannot be repeated (ALTER TABLE … ADD) is skipped when this query finds its
    // change already there.
    const char *appliedWhen = nullptr;
};
const QList<UpgradeStep> kUpgradeSteps = {
    { 2, ":/db/upgrades/2.sql" }, // the patient list's views
    { 3, ":/db/upgrades/3.sql",
        "SELECT 1 FROM pragma_table_info('tbMSSUser', 'main') WHERE name = 'LockOuts'" }, // the users' lock-out
    { 4, ":/db/upgrades/4.sql" }, // the address search's and the summarized statement's views
};

QStringList databaseFiles(const QString &folder)
{
    QStringList files;
    for (const QString &name : embeddedDatabaseNames())
        files.append(embeddedDatabaseFile(folder, name));
    return files;
}

// A folder that may be replaced by a new hospital holds nothing but a hospital's files.
bool holdsOnlyDatabaseFiles(const QString &folder)
{
    QStringList known = { QString::fromLatin1(kBackupDigestFile) };
    for (const QString &file : databaseFiles(folder))
        known << QFileInfo(file).fileName() << QFileInfo(file).fileName() + QStringLiteral("-journal");
    const QStringList entries
        = QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    return std::all_of(entries.begin(), entries.end(), [&](const QString &e) { return known.contains(e); });
}

// The schema of one database goes into its own file before the files are attached together:
// the schema scripts name their tables without a database prefix.
void createDatabaseFile(const QString &file, const QString &schema)
{
    makePrivateFile(file);
    sqlite3 *db = nullptr;
    const QByteArray path = file.toUtf8();
    int rc = sqlite3_open_v2(path.constData(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    QString error;
    if (rc == SQLITE_OK) {
        const QByteArray script = (QStringLiteral("PRAGMA journal_mode=DELETE; BEGIN; ") + schema
            + QStringLiteral("\n; INSERT INTO mss_schema(version) VALUES (%1); COMMIT;").arg(kHospitalSchemaVersion))
                                      .toUtf8();
        char *message = nullptr;
        rc = sqlite3_exec(db, script.constData(), nullptr, nullptr, &message);
        if (rc != SQLITE_OK) {
            error = QString::fromUtf8(message ? message : sqlite3_errstr(rc));
            sqlite3_free(message);
        }
    } else {
        error = QString::fromUtf8(db ? sqlite3_errmsg(db) : sqlite3_errstr(rc));
    }
    sqlite3_close(db);
    if (rc != SQLITE_OK)
        throw DbError(rc, kSource, QStringLiteral("Cannot create %1: %2").arg(file, error));
}

void setDigest(EmbeddedConnection &connection, const QString &digest)
{
    for (const QString &name : embeddedDatabaseNames()) {
        const QString schema = name == QStringLiteral("MSS") ? QStringLiteral("main") : name;
        connection.query(QStringLiteral("UPDATE %1.mss_schema SET procedures = :digest").arg(schema),
            { { QStringLiteral("digest"), digest } });
    }
}

QString storedDigest(EmbeddedConnection &connection)
{
    const Recordset rs = connection.query(QStringLiteral("SELECT procedures FROM main.mss_schema"));
    return rs.isEmpty() ? QString() : rs.text(QStringLiteral("procedures"));
}

// Runs a function inside one transaction on the connection: all of it is written or none.
template <typename F> void inTransaction(EmbeddedConnection &connection, F &&work)
{
    connection.beginTrans();
    try {
        work();
        connection.commitTrans();
    } catch (...) {
        if (connection.inTransaction())
            connection.rollbackTrans();
        throw;
    }
}

} // namespace

QStringList requiredTables(const QString &database)
{
    static const QRegularExpression table(QStringLiteral(R"(CREATE\s+TABLE\s+(?:IF\s+NOT\s+EXISTS\s+)?(\w+))"),
        QRegularExpression::CaseInsensitiveOption);
    QStringList names;
    for (auto it = table.globalMatch(resourceText(QStringLiteral(":/db/schema/%1.sql").arg(database))); it.hasNext();)
        names.append(it.next().captured(1));
    return names;
}

QStringList removeJournalLeftovers(EmbeddedConnection &connection)
{
    QStringList removed;
    // Reading each file first lets SQLite roll back the journals it counts as hot.
    for (const QString &name : embeddedDatabaseNames())
        connection.query(QStringLiteral("SELECT count(*) FROM %1.sqlite_master").arg(tsql::schemaOf(name)));
    connection.beginTrans(); // the write lock of all four: no other write is under way now
    try {
        const QDir folder(connection.folder());
        for (const QString &name : embeddedDatabaseNames()) {
            const QString file = QFileInfo(embeddedDatabaseFile(connection.folder(), name)).fileName();
            // This connection has written nothing, so none of these is its own.
            const QStringList leftovers = folder.entryList(
                { file + QStringLiteral("-journal"), file + QStringLiteral("-mj*") }, QDir::Files | QDir::Hidden);
            for (const QString &leftover : leftovers)
                if (QFile::remove(folder.filePath(leftover)))
                    removed.append(folder.filePath(leftover));
        }
        connection.rollbackTrans();
    } catch (...) {
        if (connection.inTransaction())
            connection.rollbackTrans();
        throw;
    }
    return removed;
}

bool hospitalDatabaseExists(const QString &folder)
{
    const QStringList files = databaseFiles(folder);
    return std::any_of(files.begin(), files.end(), [](const QString &f) { return QFileInfo::exists(f); });
}

QStringList shippedProcedureNames()
{
    QStringList names;
    for (const ShippedProcedure &p : shippedProcedures())
        names.append(p.database + QLatin1Char('.') + p.name);
    return names;
}

void installHospitalProcedures(EmbeddedConnection &connection)
{
    const bool ownTransaction = !connection.inTransaction();
    if (ownTransaction)
        connection.beginTrans();
    try {
        for (const ShippedProcedure &p : shippedProcedures())
            connection.storeProcedure(p.database, p.name, p.source);
        setDigest(connection, proceduresDigest());
        if (ownTransaction)
            connection.commitTrans();
    } catch (...) {
        if (ownTransaction && connection.inTransaction())
            connection.rollbackTrans();
        throw;
    }
}

std::unique_ptr<EmbeddedConnection> createHospitalDatabase(
    const QString &folder, bool overwrite, const std::function<void(EmbeddedConnection &)> &fill)
{
    const QString target = QDir::cleanPath(QDir(folder).absolutePath());
    if (QFileInfo(target).exists() && !QFileInfo(target).isDir())
        refuse(QStringLiteral("%1 is a file, not a folder; it is left as it is").arg(target));
    if (!holdsOnlyDatabaseFiles(target))
        refuse(QStringLiteral("The folder %1 holds other files than a hospital database; it is left as it is. "
                              "Choose a new or empty folder.")
                   .arg(target));
    const bool exists = hospitalDatabaseExists(target);
    if (exists && !overwrite)
        refuse(QStringLiteral("A hospital database already exists in %1; it is left as it is").arg(target));

    // Everything is made in a private folder beside the target and moved into place complete:
    // a creation that is interrupted, however, leaves no hospital behind that would later be
    // taken for a real one.
    const QString staging = stagingFolderFor(target);
    try {
        {
            for (const QString &name : embeddedDatabaseNames())
                createDatabaseFile(
                    embeddedDatabaseFile(staging, name), resourceText(QStringLiteral(":/db/schema/%1.sql").arg(name)));
            EmbeddedConnection connection(staging);
            installHospitalProcedures(connection);
            if (fill)
                fill(connection);
        }
        moveStagedFolder(staging, target, exists);
    } catch (...) {
        discardStagedFolder(staging);
        throw;
    }
    return std::make_unique<EmbeddedConnection>(target);
}

int hospitalSchemaVersion(EmbeddedConnection &connection)
{
    int lowest = -1;
    for (const QString &name : embeddedDatabaseNames()) {
        const QString schema = name == QStringLiteral("MSS") ? QStringLiteral("main") : name;
        const Recordset tables = connection.query(
            QStringLiteral("SELECT 1 AS found FROM %1.sqlite_master WHERE type = 'table' AND name = 'mss_schema'")
                .arg(schema));
        if (tables.isEmpty())
            refuse(QStringLiteral("The %1 database in %2 is not a hospital database of this program (it records no "
                                  "schema version)")
                       .arg(name, connection.folder()));
        const Recordset rs
            = connection.query(QStringLiteral("SELECT max(version) AS version FROM %1.mss_schema").arg(schema));
        const int version = rs.isEmpty() ? 0 : rs.value(QStringLiteral("version")).toInt();
        lowest = lowest < 0 ? version : std::min(lowest, version);
    }
    return lowest;
}

std::unique_ptr<EmbeddedConnection> openHospitalDatabase(const QString &folder)
{
    auto connection = std::make_unique<EmbeddedConnection>(folder);
    int highest = 0;
    for (const QString &name : embeddedDatabaseNames()) {
        const QString schema = name == QStringLiteral("MSS") ? QStringLiteral("main") : name;
        const Recordset tables = connection->query(
            QStringLiteral("SELECT 1 AS found FROM %1.sqlite_master WHERE type = 'table' AND name = 'mss_schema'")
                .arg(schema));
        if (tables.isEmpty())
            continue; // reported by hospitalSchemaVersion below
        const Recordset rs
            = connection->query(QStringLiteral("SELECT max(version) AS version FROM %1.mss_schema").arg(schema));
        highest = std::max(highest, rs.isEmpty() ? 0 : rs.value(QStringLiteral("version")).toInt());
    }
    if (highest > kHospitalSchemaVersion)
        refuse(QStringLiteral("The hospital database in %1 was written by a newer version of the program (schema "
                              "version %2; this program knows up to version %3). Use the newer program, or create a "
                              "new database.")
                   .arg(folder)
                   .arg(highest)
                   .arg(kHospitalSchemaVersion));

    const int version = hospitalSchemaVersion(*connection);
    if (version < kHospitalSchemaVersion) {
        inTransaction(*connection, [&] {
            for (const UpgradeStep &step : kUpgradeSteps) {
                const bool due = step.toVersion > version
                    && !(step.appliedWhen && !connection->query(QString::fromLatin1(step.appliedWhen)).isEmpty());
                if (due)
                    connection->executeScript(resourceText(QString::fromLatin1(step.resource)));
            }
            for (const QString &name : embeddedDatabaseNames()) {
                const QString schema = name == QStringLiteral("MSS") ? QStringLiteral("main") : name;
                connection->executeScript(
                    QStringLiteral("UPDATE %1.mss_schema SET version = %2").arg(schema).arg(kHospitalSchemaVersion));
            }
            installHospitalProcedures(*connection);
        });
    } else if (storedDigest(*connection) != proceduresDigest()) {
        installHospitalProcedures(*connection);
    }
    // Leftovers of a program killed mid-write are cleared when nobody else is writing; a busy
    // hospital keeps them for the next opening or check.
    const QStringList leftovers = QDir(folder).entryList(
        { QStringLiteral("*.db-journal"), QStringLiteral("*.db-mj*") }, QDir::Files | QDir::Hidden);
    if (!leftovers.isEmpty()) {
        const int wait = connection->lockWaitMs();
        connection->setLockWaitMs(wait < 0 || wait > 200 ? 200 : wait);
        try {
            removeJournalLeftovers(*connection);
        } catch (const DbError &) {
        }
        connection->setLockWaitMs(wait);
    }
    return connection;
}

} // namespace mss::data
