#pragma once

#include <QString>
#include <QStringList>

namespace mss::data {

class EmbeddedConnection;

// What a check of an embedded hospital database found. Faults make the database unfit to use
// as it is (a damaged or missing file, a file of a newer program, rights others can read
// through); notes are worth knowing but need no repair.
struct HospitalCheck {
    QStringList faults;
    QStringList notes;
    bool sound() const { return faults.isEmpty(); }
};

// Checks every page of each of the four files, their schema versions and the rights of the
// folder and files. Each finding names its file. Writes nothing, except that SQLite rolls back
// a transaction a killed program left behind, as any opening would.
HospitalCheck checkHospitalDatabase(const QString &folder);

// Copies the four files into a new private folder, all from one moment: writers on other
// connections wait (up to their lock wait) until the copy is done, and what they commit later
// is not in it. The destination must not exist or be empty; nothing appears there until the
// copy is complete. Throws DbError.
void backupHospitalDatabase(EmbeddedConnection &source, const QString &destination);

} // namespace mss::data
