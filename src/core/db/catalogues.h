#pragma once

#include <QString>

struct sqlite3;

namespace mss::data {

class EmbeddedConnection;

// What a real hospital's new embedded database starts with besides the catalogues: the
// hospital's identity and the first administrator, who can then add the other users.
struct HospitalSetUp {
    QString hospitalName;
    QString address1;
    QString address2;
    QString administratorCode;
    QString administratorLastName;
    QString administratorFirstName;
    QString administratorPassword;
    bool fastPasswordHash = false; // for tests only
};

// Why the set-up cannot be used ("" when it can): a missing name or code, a password that
// breaks the password rules (unless the password is not asked for yet).
QString hospitalSetUpProblem(const HospitalSetUp &setUp, bool withPassword = true);
// Fills a freshly created database as a real, empty hospital: the reference catalogues, the
// hospital's identity and the first administrator (rights A). No patients. One transaction;
// throws DbError.
void setUpEmptyHospital(EmbeddedConnection &connection, const HospitalSetUp &setUp);

// The reference catalogues every hospital starts with, real or demo: the classification scheme
// and its discount rates, parent and case categories, case statuses, referring parties,
// religions, and the trees of services and activities. Into an empty database, on its open
// transaction (if any).
void insertReferenceCatalogues(sqlite3 *db);

} // namespace mss::data
