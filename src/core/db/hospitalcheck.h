#pragma once

#include <QString>
#include <QStringList>

namespace mss::data {

class EmbeddedConnection;

// What a check of an embedded hospital database found. Faults make the database unfit to use
// as it is (a missing, empty, foreign, damaged or read-only file, a file of a newer program, one
// database's file in another's place, rights others can read through); notes are worth knowing
// but need no repair; verified says, file by file, what was looked at and found right.
// Written by a backup beside the copied files: a digest of every table's stored values as
// copied, which check compares, so that a changed value in a backup is found.
inline constexpr char kBackupDigestFile[] = "backup-digest.txt";

struct HospitalCheck {
    QStringList faults;
    QStringList notes;
    QStringList verified;
    bool storedValuesVerified = false; // against a backup's digest
    bool sound() const { return faults.isEmpty(); }
};

// Checks each of the four files: that it is there, is an SQLite file, that every page is
// readable and well formed, its schema version, that it holds its own database's tables, that
// it can be written; and the rights of the folder and files. Each finding names its file. The
// stored values themselves are compared only in a backup's folder, against the digest the
// backup wrote; elsewhere no checksum covers them, so a changed letter in a name is not found. Before that, it removes
// what programs that stopped mid-write left beside the files (see removeJournalLeftovers) and notes each; SQLite rolls
// back a transaction a killed program left behind, as any opening would. Writes nothing else.
HospitalCheck checkHospitalDatabase(const QString &folder);

// Copies the four files into a new private folder, all from one moment: writers on other
// connections wait (up to their lock wait) until the copy is done, and what they commit later
// is not in it. The destination must not exist or be empty; nothing appears there until the
// copy is complete. A source that checkHospitalDatabase faults is refused, with the faults. The
// copy carries a digest of every table's stored values (kBackupDigestFile).
// Throws DbError.
void backupHospitalDatabase(EmbeddedConnection &source, const QString &destination);
// The same from the folder, opened as it is (without upgrading) after it passed the check.
void backupHospitalDatabase(const QString &folder, const QString &destination);

} // namespace mss::data
