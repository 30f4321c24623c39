#pragma once

#include "data/embedded.h"

#include <QString>

#include <functional>
#include <memory>

namespace mss::data {

// The schema version this program writes. Each of the four files records its own in
// mss_schema(version).
inline constexpr int kHospitalSchemaVersion = 4;

// True when the folder holds at least one of the four database files.
bool hospitalDatabaseExists(const QString &folder);

// Creates the four database files of the embedded hospital database in the folder, with every
// table and stored procedure, runs fill on them (the demo, or a real hospital's catalogues), and
// returns a connection to them. The files are private to the account. Nothing appears in the
// folder until all of it is done: a failed or interrupted creation leaves the folder as it was.
// Existing files are refused with a DbError unless overwrite is set, in which case they are
// replaced; a folder holding other files is always refused.
std::unique_ptr<EmbeddedConnection> createHospitalDatabase(
    const QString &folder, bool overwrite = false, const std::function<void(EmbeddedConnection &)> &fill = {});

// Opens an existing embedded hospital database. A database of an older schema version is
// upgraded in place; one written by a newer program is refused with a DbError that says so.
// Procedures that differ from this program's are stored anew.
std::unique_ptr<EmbeddedConnection> openHospitalDatabase(const QString &folder);

// The schema version of the database behind the connection (the lowest of the four files).
int hospitalSchemaVersion(EmbeddedConnection &connection);

// Stores every procedure this program ships, replacing the stored ones.
void installHospitalProcedures(EmbeddedConnection &connection);

// Names of the procedures this program ships, as "DATABASE.name".
QStringList shippedProcedureNames();

// The tables a file of the database (MSS, PATIENT_DATA, BILLING, RADIOLOGY) holds at any schema
// version this program opens.
QStringList requiredTables(const QString &database);

// Removes what programs that stopped mid-write left beside the four files and SQLite itself
// leaves alone: super-journals of multi-file commits (mss.db-mj…) and journals it does not
// count as hot (a header never finished). It does so only while it holds the write lock of all
// four files, when no write of another program can be under way, and only after reading each
// file, which rolls back every journal that SQLite does count as hot. Returns the files removed;
// throws DbError when the folder cannot be opened or stays busy past the connection's lock wait.
QStringList removeJournalLeftovers(EmbeddedConnection &connection);

} // namespace mss::data
