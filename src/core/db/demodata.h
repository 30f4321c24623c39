#pragma once

#include <QDate>
#include <QString>

#include <cstdint>
#include <memory>

namespace mss::data {

class EmbeddedConnection;

struct DemoOptions {
    // Number of admissions and visits (in-patient, out-patient and ER together); about three
    // quarters as many patients. From 100 to 200,000.
    int admissions = 2000;
    std::uint64_t seed = 1;
    // The day the demo hospital lives in: every date is placed relative to it, so expiry dates,
    // open discharge notices and pending referrals stay current. The content is the same for the
    // same seed, admissions and today.
    QDate today = QDate::currentDate();
    // Cheaper password hashes, for tests that create many databases. Never for real use.
    bool fastPasswordHashes = false;
};

// A demo user whose code and password the README gives.
struct DemoUser {
    const char *code;
    const char *password;
    const char *rights;
};
inline constexpr DemoUser kDemoAdministrator { "MSS01", "mss-admin", "A" };
inline constexpr DemoUser kDemoWorker { "MSS02", "mss-worker", "" };

inline constexpr int kDemoMinAdmissions = 100;
inline constexpr int kDemoMaxAdmissions = 200000;

// The class the demo hospital's social workers give a household: by its monthly income (the
// patient's and the members' together) per head, from A (pays in full) to D (indigent).
QString demoClassificationFor(double familyIncome, int householdSize);

// Fills a freshly created hospital database with believable, made-up data: the hospital, the
// catalogues, social workers and demo users, patients with in-patient, out-patient and ER
// admissions, classifications, intake sheets, assessments, referrals, discharge notices, bills
// with Medicare items, company accounts and sponsor-fund allocations. One transaction.
void generateDemoData(EmbeddedConnection &connection, const DemoOptions &options);

// A new hospital database in the folder, filled as generateDemoData fills it, and open.
std::unique_ptr<EmbeddedConnection> createDemoHospital(const QString &folder, const DemoOptions &options = {});

} // namespace mss::data
