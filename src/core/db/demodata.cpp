#include "db/demodata.h"

#include "data/embedded.h"
#include "db/catalogues.h"
#include "db/hospitaldb.h"
#include "db/password.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QStringList>

#include <sqlite3.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <initializer_list>
#include <vector>

namespace mss::data {

namespace {

const QString kSource = QStringLiteral("Demo data");

// splitmix64: the same numbers on every platform and library, unlike <random>'s distributions.
class Rng {
public:
    explicit Rng(std::uint64_t seed) : m_state(seed) { }
    std::uint64_t next()
    {
        std::uint64_t z = (m_state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    int below(int n) { return n <= 0 ? 0 : int(next() % std::uint64_t(n)); }
    int between(int lo, int hi) { return lo + below(hi - lo + 1); }
    bool chance(double p) { return double(next() >> 11) * 0x1.0p-53 < p; }
    template <typename T, size_t N> const T &pick(const std::array<T, N> &items)
    {
        return items[size_t(below(int(N)))];
    }
    double amount(double lo, double hi)
    {
        return std::round((lo + (hi - lo) * double(next() >> 11) * 0x1.0p-53) * 100) / 100;
    }

private:
    std::uint64_t m_state;
};

// A value for a statement parameter: null, whole number, amount or text.
struct Value {
    enum Kind { Null, Int, Real, Text } kind = Null;
    qint64 i = 0;
    double d = 0;
    QByteArray t;
    Value() = default;
    Value(std::nullptr_t) { }
    Value(int v) : kind(Int), i(v) { }
    Value(qint64 v) : kind(Int), i(v) { }
    Value(double v) : kind(Real), d(v) { }
    Value(const char *v) : kind(Text), t(v) { }
    Value(const QString &v) : kind(v.isNull() ? Null : Text), t(v.toUtf8()) { }
};

class Statement {
public:
    Statement(sqlite3 *db, const char *sql) : m_db(db)
    {
        if (sqlite3_prepare_v2(db, sql, -1, &m_stmt, nullptr) != SQLITE_OK)
            throw DbError(sqlite3_errcode(db), kSource,
                QStringLiteral("%1 — in: %2").arg(QString::fromUtf8(sqlite3_errmsg(db)), QString::fromUtf8(sql)));
    }
    ~Statement() { sqlite3_finalize(m_stmt); }
    Statement(const Statement &) = delete;
    Statement &operator=(const Statement &) = delete;

    void run(std::initializer_list<Value> values)
    {
        int index = 1;
        for (const Value &v : values) {
            switch (v.kind) {
            case Value::Null:
                sqlite3_bind_null(m_stmt, index);
                break;
            case Value::Int:
                sqlite3_bind_int64(m_stmt, index, v.i);
                break;
            case Value::Real:
                sqlite3_bind_double(m_stmt, index, v.d);
                break;
            case Value::Text:
                sqlite3_bind_text(m_stmt, index, v.t.constData(), int(v.t.size()), SQLITE_TRANSIENT);
                break;
            }
            ++index;
        }
        const int rc = sqlite3_step(m_stmt);
        sqlite3_reset(m_stmt);
        if (rc != SQLITE_DONE)
            throw DbError(rc, kSource,
                QString::fromUtf8(sqlite3_errmsg(m_db)) + QStringLiteral(" — in: ")
                    + QString::fromUtf8(sqlite3_sql(m_stmt)));
    }

private:
    sqlite3 *m_db;
    sqlite3_stmt *m_stmt = nullptr;
};

void exec(sqlite3 *db, const char *sql)
{
    char *message = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &message) != SQLITE_OK) {
        const QString text = QString::fromUtf8(message ? message : "error");
        sqlite3_free(message);
        throw DbError(
            sqlite3_errcode(db), kSource, text + QStringLiteral(" — in: ") + QString::fromUtf8(sql).left(200));
    }
}

// Synthetic names in the style of the Philippines: surnames and given names are combined at
// random, so no generated patient is a real person.
constexpr std::array kSurnames = { "SANTOS", "REYES", "CRUZ", "BAUTISTA", "OCAMPO", "GARCIA", "MENDOZA", "TORRES",
    "TOMAS", "ANDRADA", "CASTILLO", "FLORES", "VILLANUEVA", "RAMOS", "CASTRO", "RIVERA", "AQUINO", "NAVARRO", "SALAZAR",
    "MERCADO", "DELA CRUZ", "DEL ROSARIO", "GONZALES", "LOPEZ", "HERNANDEZ", "PEREZ", "DE LEON", "FERNANDEZ", "DIZON",
    "PASCUAL", "MANALO", "MACARAEG", "SORIANO", "VALDEZ", "DOMINGO", "AGUILAR", "SANTIAGO", "MARQUEZ", "GUTIERREZ",
    "TOLENTINO", "LIM", "TAN", "SY", "GO", "CHUA", "PANGANIBAN", "MANGUBAT", "DIMACULANGAN", "MAGBANUA", "LACSON",
    "EVANGELISTA", "ROBLES", "SISON", "PADILLA", "JIMENEZ", "MANALASTAS", "BERNARDO", "ESGUERRA", "ILAGAN", "JAVIER",
    "LACSAMANA", "MALLARI", "NEPOMUCENO", "PANGILINAN", "QUIAMBAO", "ROXAS", "SARMIENTO", "TUAZON", "UMALI", "VERGARA",
    "YAP", "ZAMORA", "AGBAYANI", "CABRERA", "DUMLAO", "PEÑA", "MACALINTAL", "BUENAVENTURA", "CATACUTAN",
    "DELOS SANTOS" };
constexpr std::array kMaleNames = { "JOSE", "JUAN", "MARK", "JOHN PAUL", "JEROME", "RODEL", "RAMIL", "ARNEL", "ROMEO",
    "EDUARDO", "ERNESTO", "ROLANDO", "DANILO", "NOEL", "JOEL", "RICARDO", "ANTONIO", "FERDINAND", "JAYSON", "KENNETH",
    "CHRISTIAN", "MICHAEL", "ROMMEL", "REYNALDO", "NESTOR", "BENJAMIN", "ALFREDO", "FELIPE", "MANUEL", "JUN" };
constexpr std::array kFemaleNames = { "MARIA", "ANA", "ROSARIO", "CRISTINA", "MA. THERESA", "ROWENA", "MARITES",
    "JENNIFER", "MICHELLE", "LORNA", "ELIZABETH", "JOCELYN", "MARICEL", "GRACE", "ANGELICA", "CORAZON", "LEONORA",
    "EVANGELINE", "REMEDIOS", "JOSEPHINE", "CHERRY", "KATHERINE", "PRINCESS", "JOY", "MYRNA", "NENITA", "TERESITA",
    "LUZVIMINDA", "ARLENE", "RACHELLE" };
// What people do for a living, who does it and what it earns a month (pesos). Work that pays
// nothing is a student's, a housewife's or none at all.
struct Occupation {
    const char *name;
    char who; // 'M' men, 'F' women, 'A' anyone
    int lo, hi;
    const char *employer; // nullptr: self-employed
};
constexpr std::array kWork
    = { Occupation { "FARMER", 'A', 3000, 9000, nullptr }, Occupation { "FISHERMAN", 'M', 3000, 9000, nullptr },
          Occupation { "DRIVER", 'M', 9000, 15000, "NORTHERN LUZON BUS LINES" },
          Occupation { "VENDOR", 'A', 3000, 10000, nullptr },
          Occupation { "LABORER", 'M', 6000, 11000, "HALDEN BAY SHIPYARD" },
          Occupation { "TEACHER", 'A', 20000, 32000, "DEPARTMENT OF EDUCATION" },
          Occupation { "CARPENTER", 'M', 8000, 14000, nullptr },
          Occupation { "SECURITY GUARD", 'M', 10000, 15000, "VANGUARD SECURITY AGENCY" },
          Occupation { "OFW", 'A', 20000, 50000, "OVERSEAS EMPLOYER" },
          Occupation { "TRICYCLE DRIVER", 'M', 5000, 12000, nullptr },
          Occupation { "SALES CLERK", 'A', 8000, 13000, "PORT HALDEN SUPERMARKET" },
          Occupation { "MASON", 'M', 8000, 14000, nullptr }, Occupation { "DRESSMAKER", 'F', 4000, 9000, nullptr },
          Occupation { "LAUNDRYWOMAN", 'F', 3000, 7000, nullptr } };
constexpr Occupation kStudent { "STUDENT", 'A', 0, 0, nullptr };
constexpr Occupation kNoWork { "NONE", 'A', 0, 0, nullptr };
constexpr Occupation kHousewife { "HOUSEWIFE", 'F', 0, 0, nullptr };
constexpr Occupation kRetired { "RETIRED", 'A', 0, 8000, nullptr }; // a pension, or nothing

// Civil status as the patient master codes it: 1 single, 2 separated, 3 married, 4 widowed,
// 5 anything else (annulled, divorced abroad).
enum CivilStatus { Single = 1, Separated = 2, Married = 3, Widowed = 4, Other = 5 };

struct Person {
    bool male = false;
    int age = 0; // in years, on the day of the interview
    CivilStatus civil = Single;
    const Occupation *work = &kNoWork;
    int income = 0;
    const char *education = "NONE";
    const char *relationship = ""; // to the patient; empty for the patient
};

int yearsBetween(const QDate &birth, const QDate &day)
{
    int years = day.year() - birth.year();
    if (day.month() < birth.month() || (day.month() == birth.month() && day.day() < birth.day()))
        --years;
    return std::max(0, years);
}

const char *civilStatusText(const Person &p)
{
    switch (p.civil) {
    case Married:
        return "MARRIED";
    case Widowed:
        return p.male ? "WIDOWER" : "WIDOW";
    case Separated:
        return "SEPARATED";
    default:
        return "SINGLE";
    }
}

} // namespace

QString demoClassificationFor(double familyIncome, int householdSize)
{
    const double perHead = familyIncome / std::max(1, householdSize);
    return perHead >= 12000 ? QStringLiteral("A")
        : perHead >= 7000   ? QStringLiteral("B")
        : perHead >= 4000   ? QStringLiteral("C1")
        : perHead >= 2500   ? QStringLiteral("C2")
        : perHead >= 1200   ? QStringLiteral("C3")
                            : QStringLiteral("D");
}

namespace {

// The people of the demo hospital: what each one is follows from their age and sex, and a
// household from the patient's own life.
class People {
public:
    explicit People(Rng &rng) : m_rng(rng) { }

    CivilStatus civilStatusFor(int age)
    {
        const int roll = m_rng.below(100);
        if (age < 18)
            return Single;
        if (age < 25)
            return roll < 80 ? Single : roll < 98 ? Married : Separated;
        if (age < 60)
            return roll < 20 ? Single : roll < 83 ? Married : roll < 91 ? Separated : roll < 98 ? Widowed : Other;
        return roll < 8 ? Single : roll < 60 ? Married : roll < 66 ? Separated : roll < 97 ? Widowed : Other;
    }

    void giveWork(Person &p)
    {
        if (p.age < 5)
            p.work = &kNoWork;
        else if (p.age < 18)
            p.work = p.age >= 16 && m_rng.chance(0.1) ? &kNoWork : &kStudent;
        else if (p.age < 23 && m_rng.chance(0.5))
            p.work = &kStudent;
        else if (p.age >= 60 && m_rng.chance(0.7))
            p.work = !p.male && m_rng.chance(0.3) ? &kHousewife : m_rng.chance(0.6) ? &kRetired : &kNoWork;
        else if (!p.male && p.civil != Single && m_rng.chance(0.45))
            p.work = &kHousewife; // keeps the house of her own family
        else if (m_rng.chance(0.08))
            p.work = &kNoWork;
        else {
            const Occupation *w = &kWork[size_t(m_rng.below(int(kWork.size())))];
            // A teacher has finished college, a worker abroad is past 21.
            auto unfit = [&p](const Occupation *o) {
                return (o->who != 'A' && (o->who == 'M') != p.male) || (qstrcmp(o->name, "TEACHER") == 0 && p.age < 22)
                    || (qstrcmp(o->name, "OFW") == 0 && p.age < 21);
            };
            while (unfit(w))
                w = &kWork[size_t(m_rng.below(int(kWork.size())))];
            p.work = w;
        }
        p.income = p.work->hi == 0 ? 0
            : p.work == &kRetired && m_rng.chance(0.5)
            ? 0
            : m_rng.between(std::max(p.work->lo, 1000) / 100, p.work->hi / 100) * 100;
        p.education = educationFor(p);
    }

    Person person(bool male, int age, CivilStatus civil, const char *relationship)
    {
        Person p;
        p.male = male;
        p.age = age;
        p.civil = civil;
        p.relationship = relationship;
        giveWork(p);
        return p;
    }

    // The members living with the patient, as a social worker writes them down.
    std::vector<Person> household(const Person &self)
    {
        std::vector<Person> members;
        if (self.age < 18) {
            const int motherAge = self.age + m_rng.between(18, 38);
            const bool mother = m_rng.chance(0.9);
            const bool father = !mother || m_rng.chance(0.75);
            const CivilStatus parents = mother && father ? Married : m_rng.chance(0.5) ? Widowed : Separated;
            if (mother)
                members.push_back(person(false, motherAge, parents, "MOTHER"));
            if (father)
                members.push_back(
                    person(true, std::max(self.age + 18, motherAge + m_rng.between(-3, 8)), parents, "FATHER"));
            addSiblings(members, self, std::min(motherAge - 18, self.age + 10));
            return members;
        }
        if (self.civil == Married)
            members.push_back(person(!self.male, std::max(18, self.age + m_rng.between(-6, 6)), Married, "SPOUSE"));
        // Children are born to parents of 18 to 45.
        if (self.age >= 20 && (self.civil != Single || m_rng.chance(0.1))) {
            const int children = m_rng.between(0, std::min(5, (self.age - 18) / 3));
            for (int c = 0; c < children; ++c) {
                const bool son = m_rng.chance(0.5);
                const int age = m_rng.between(std::max(0, self.age - 45), self.age - 18);
                const CivilStatus civil = age >= 22 && m_rng.chance(0.3) ? Married : Single;
                members.push_back(person(son, age, civil, son ? "SON" : "DAUGHTER"));
            }
        }
        if (self.age < 35 && self.civil != Married && m_rng.chance(0.6)) {
            const int motherAge = std::min(95, self.age + m_rng.between(18, 38));
            members.push_back(person(false, motherAge, Married, "MOTHER"));
            if (m_rng.chance(0.7))
                members.push_back(
                    person(true, std::max(self.age + 18, motherAge + m_rng.between(-3, 8)), Married, "FATHER"));
            else
                members.back().civil = m_rng.chance(0.5) ? Widowed : Separated;
            addSiblings(members, self, motherAge - 18);
        }
        if (self.age >= 55 && m_rng.chance(0.3)) {
            const bool boy = m_rng.chance(0.5);
            members.push_back(person(boy, m_rng.between(0, std::min(20, self.age - 36)), Single, "GRANDCHILD"));
        }
        if (members.size() > 7)
            members.resize(7);
        return members;
    }

private:
    void addSiblings(std::vector<Person> &members, const Person &self, int oldest)
    {
        const int siblings = m_rng.between(0, 3);
        for (int s = 0; s < siblings; ++s) {
            const bool brother = m_rng.chance(0.5);
            const int age = m_rng.between(std::max(0, self.age - 10), std::max(0, oldest));
            const CivilStatus civil = age >= 22 && m_rng.chance(0.2) ? Married : Single;
            members.push_back(person(brother, age, civil, brother ? "BROTHER" : "SISTER"));
        }
    }

    const char *educationFor(const Person &p)
    {
        if (p.age < 6)
            return "NONE";
        if (p.age <= 12)
            return "ELEMENTARY";
        if (p.age <= 16)
            return "HIGH SCHOOL";
        if (p.work == &kStudent)
            return "COLLEGE LEVEL";
        if (qstrcmp(p.work->name, "TEACHER") == 0)
            return "COLLEGE GRADUATE";
        constexpr std::array adult
            = { "ELEMENTARY", "HIGH SCHOOL", "HIGH SCHOOL", "VOCATIONAL", "COLLEGE LEVEL", "COLLEGE GRADUATE" };
        const char *attained = m_rng.pick(adult);
        return p.age < 21 && qstrcmp(attained, "COLLEGE GRADUATE") == 0 ? "COLLEGE LEVEL" : attained;
    }

    Rng &m_rng;
};

constexpr std::array kStreets = { "RIZAL ST.", "MABINI ST.", "BONIFACIO AVE.", "LUNA ST.", "P. BURGOS ST.",
    "MAGSAYSAY BLVD.", "QUEZON AVE.", "AGUINALDO ST.", "DEL PILAR ST.", "JACINTO ST.", "PUROK 3", "SITIO MALINIS",
    "GOMEZ ST.", "SAMPAGUITA ST.", "ILANG-ILANG ST." };
constexpr std::array kBarangays = { "POBLACION", "SAN ISIDRO", "SANTA CRUZ", "BAGONG SILANG", "SAN JOSE", "SANTO NIÑO",
    "MALANDAY", "BAGUMBAYAN", "SAN ROQUE", "SAN VICENTE", "MABUHAY", "MALIGAYA", "DAMAYAN", "PAG-ASA", "KAUNLARAN" };
struct Place {
    const char *town;
    const char *province;
    int zip;
};
constexpr std::array kPlaces
    = { Place { "PORT HALDEN", "METRO PORT HALDEN", 1100 }, Place { "NORTH HALDEN", "METRO PORT HALDEN", 1400 },
          Place { "MALOLOS", "BULACAN", 3000 }, Place { "MEYCAUAYAN", "BULACAN", 3020 },
          Place { "SAN FERNANDO", "PAMPANGA", 2000 }, Place { "ANGELES", "PAMPANGA", 2009 },
          Place { "CALAMBA", "LAGUNA", 4027 }, Place { "SANTA ROSA", "LAGUNA", 4026 }, Place { "IMUS", "CAVITE", 4103 },
          Place { "DASMARIÑAS", "CAVITE", 4114 }, Place { "BATANGAS CITY", "BATANGAS", 4200 },
          Place { "LIPA", "BATANGAS", 4217 }, Place { "ANTIPOLO", "RIZAL", 1870 }, Place { "CAINTA", "RIZAL", 1900 },
          Place { "DAGUPAN", "PANGASINAN", 2400 }, Place { "CABANATUAN", "NUEVA ECIJA", 3100 },
          Place { "TARLAC CITY", "TARLAC", 2300 }, Place { "LUCENA", "QUEZON", 4301 } };
constexpr std::array kDiagnoses = { "CHRONIC KIDNEY DISEASE STAGE 5", "PNEUMONIA", "DENGUE FEVER", "HYPERTENSION",
    "DIABETES MELLITUS TYPE 2", "ACUTE GASTROENTERITIS", "URINARY TRACT INFECTION", "END-STAGE RENAL DISEASE",
    "NEPHROTIC SYNDROME", "KIDNEY STONES", "CONGESTIVE HEART FAILURE", "FRACTURE, LEFT FEMUR", "APPENDICITIS",
    "PULMONARY TUBERCULOSIS", "ANEMIA" };
constexpr std::array kNurses
    = { "N. AQUINO, RN", "L. BAUTISTA, RN", "C. MENDOZA, RN", "R. FLORES, RN", "E. SANTOS, RN", "P. DIZON, RN" };
constexpr std::array kSponsors = { "PRIORITY DEVELOPMENT ASSISTANCE FUND", "CHARITY DEVELOPMENT FUND",
    "PROVINCIAL GOVERNMENT ASSISTANCE", "CITY SOCIAL WELFARE OFFICE", "PHILANTHROPIC FOUNDATION GRANT" };

// Revenue codes by group (the discount rates of a class apply per group); charges per line.
struct Revenue {
    const char *id;
    const char *department;
    double lo, hi;
};
constexpr std::array kRevenues
    = { Revenue { "RA", "ROOM AND BOARD", 800, 3500 }, Revenue { "XS", "X-RAY SUPPLIES", 100, 800 },
          Revenue { "CU", "CENTRAL SUPPLY", 50, 1500 }, Revenue { "UU", "ULTRASOUND SUPPLIES", 80, 600 },
          Revenue { "RU", "RENAL UNIT SUPPLIES", 300, 2500 }, Revenue { "CS", "CSR SUPPLIES", 50, 900 },
          Revenue { "KS", "KIDNEY UNIT SUPPLIES", 200, 2000 }, Revenue { "OS", "OR SUPPLIES", 300, 4000 },
          Revenue { "RN", "RENAL MEDICINES", 200, 3000 }, Revenue { "PH", "PHARMACY", 50, 2500 },
          Revenue { "RM", "ROOM MEDICINES", 40, 800 }, Revenue { "XD", "X-RAY DRUGS", 100, 1200 },
          Revenue { "CN", "CONTRAST MEDIA", 500, 3500 }, Revenue { "UM", "UNIT MEDICINES", 60, 900 },
          Revenue { "MD", "PROFESSIONAL FEES", 500, 8000 }, Revenue { "LB", "LABORATORY", 150, 2500 },
          Revenue { "PA", "PATHOLOGY", 300, 3000 }, Revenue { "NU", "NUCLEAR MEDICINE", 1500, 9000 },
          Revenue { "NE", "NEPHROLOGY PROCEDURES", 800, 6000 }, Revenue { "XR", "X-RAY", 300, 1800 },
          Revenue { "CT", "CT SCAN", 3000, 9000 }, Revenue { "UL", "ULTRASOUND", 800, 2500 },
          Revenue { "HS", "HEMODIALYSIS", 2500, 4500 }, Revenue { "PT", "PHYSICAL THERAPY", 300, 1200 },
          Revenue { "DI", "DIETARY", 150, 600 }, Revenue { "OR", "OPERATING ROOM", 3000, 15000 },
          Revenue { "EC", "ECG", 200, 500 }, Revenue { "OX", "OXYGEN", 150, 1000 } };

struct Patient {
    QString hospNum;
    QString lastName;
    bool classified = false;
    QString mssNum;
    QString classCode;
    QDate validity;
    QDate expiry;
    QString lastOpd; // the latest out-patient visit, for linking an admission to it
    QDate birth;
    Person self; // as on the day of the interview, when the patient is classified
    std::vector<Person> household;
};

QString iso(const QDate &d)
{
    return d.toString(QStringLiteral("yyyy-MM-dd"));
}
QString iso(const QDate &d, int minutes)
{
    return iso(d)
        + QStringLiteral(" %1:%2:00")
              .arg(minutes / 60 % 24, 2, 10, QLatin1Char('0'))
              .arg(minutes % 60, 2, 10, QLatin1Char('0'));
}

constexpr std::array kRemarks = { "FOR FOLLOW-UP OF DOCUMENTS", "WITH PROMISSORY NOTE", "REFERRED TO PCSO",
    "FAMILY INCOME BELOW POVERTY LINE", "SOLE BREADWINNER HOSPITALIZED", "RECOMMENDED FOR FURTHER ASSISTANCE", "" };
constexpr std::array kPcsoTypes = { "E", "G", "C" };
constexpr std::array kExams
    = { "CHEST PA", "KUB ULTRASOUND", "CT SCAN - ABDOMEN", "WHOLE ABDOMEN ULTRASOUND", "SKULL APL", "RENAL SCAN" };

// One admission as written: what the bill, the department's work and the notices that follow
// it need to know of it.
struct Visit {
    char kind; // 'I' in-patient, 'O' out-patient, 'E' emergency room
    QString idNum;
    QString admDate;
    QString dcrDate; // empty while the patient is still admitted
    QString room;
    QString doctor;
    const char *diagnosis;
    bool service; // a service (charity) patient rather than a paying one
    QString account; // a company's account the bill is charged to, or empty
    QDate admDay;
    bool current; // still admitted, or seen today
};

// The statements the admissions are written with, prepared once, and the running numbers of
// their admissions and receipts.
struct Admissions {
    explicit Admissions(sqlite3 *db)
        : inpatient(db,
            "INSERT INTO PATIENT_DATA.tbPatient2 (IdNum, HospNum, AdmDate, DcrDate, RoomID, DoctorID, "
            "ReferringDoctor, PatientClass, AccountNum, OPDIdNum, ChiefComplaint, AdmittingDiagnosis, "
            "Procedures, AdmittingImpression, Remarks, NewAdmission, BillingDate) "
            "VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)"),
          outpatient(db, "INSERT INTO PATIENT_DATA.tbOutPatient VALUES (?,?,?,?,?,?,?,?,?,?)"),
          er(db, "INSERT INTO PATIENT_DATA.tbERMaster VALUES (?,?,?,?,?,?,?,?,?,?)"),
          inBill(db,
              "INSERT INTO BILLING.tbBillDailyBill (IdNum, TransDate, RevenueID, ItemID, Description, "
              "Quantity, Amount, RefNum, DoctorID, UserID) VALUES (?,?,?,?,?,?,?,?,?,?)"),
          outBill(db,
              "INSERT INTO BILLING.tbBillOPDailyOut (IdNum, TransDate, RevenueID, ItemID, Description, "
              "Quantity, Amount, RefNum, DoctorID, UserID) VALUES (?,?,?,?,?,?,?,?,?,?)"),
          payment(db, "INSERT INTO BILLING.tbBillPayment VALUES (?,?,?,?,?)"),
          benefit(db, "INSERT INTO BILLING.tbBillMedicareBenefit VALUES (?,?,?)"),
          medItem(db, "INSERT INTO BILLING.tbBillMedicareItem (IdNum, RevenueID, ItemID, Amount) VALUES (?,?,?,?)"),
          cdf(db,
              "INSERT INTO BILLING.tbBillCDFAllocation (HospNum, IdNum, Sponsor, AccountNum, AllocationDate, "
              "AllocatedFund, UtilizedFund, ApprovedBy, Remarks) VALUES (?,?,?,?,?,?,?,?,?)"),
          radio(db,
              "INSERT INTO RADIOLOGY.tbRadioRegistration (IdNum, HospNum, RequestDate, Examination, Amount, "
              "Status) VALUES (?,?,?,?,?,?)"),
          assessment(db,
              "INSERT INTO tbMSSAssessment (IdNum, HospNum, MSSNum, Code, Category, CategoryID, "
              "ParentCategoryID, Remarks, IntakeDate, ExpiryDate, MSSW, MSSWName, UserID, IsPCSO, IsCDF, "
              "IsSpecial, NC, PCSOType, ReferringPartyID, Active, CaseStatus, ServiceID, AssessDate) "
              "SELECT ?1,?2,?3,?4,?5,?6,?7,?8,?9,?10,?11,LastName || ', ' || FirstName,?12,?13,?14,?15,?16,"
              "?17,?18,?19,?20,?21,?22 FROM tbMSSEmployee WHERE EmployeeID = ?11"),
          transaction(db,
              "INSERT INTO tbMSSTransaction (HospNum, IdNum, MSSNum, Code, IntakeDate, ExpiryDate, "
              "Category, MSSW, UserID, Remarks, TransDate) VALUES (?,?,?,?,?,?,?,?,?,?,?)"),
          caseHistory(db, "INSERT OR REPLACE INTO tbMSSCaseHistory VALUES (?,?,?,?,?,?,?,?,?,?)"),
          intake(db,
              "INSERT OR REPLACE INTO tbMSSIntakeSheet (HospNum, IdNum, InterviewDate, Classification, "
              "Category, Salary, Education, Ward, LastName, FirstName, MiddleName, HouseStreet, Barangay, "
              "ZipCode, TownProvince, Sex, BirthDate, CivilStatus, Occupation, Age, ExpiryDate, MSSNumber, "
              "SeniorCitizen, ReferredBy, DateReferred, Resources, Expenses, FinancialProb, HelpingGoals, "
              "ActionTaken, InfoSource, WorkStatus, DiagnosticImpress, ReferringParty, RefPartyID, CategoryNum, "
              "ClassCode, MSSW, ActiveStatus, CaseStatus, UserID, SavedDate, AdmissionDate) "
              "SELECT ?1, ?2, ?3, s.Classification, ?4, ?5, ?6, ?7, m.LastName, m.FirstName, m.MiddleName, "
              "m.HouseStreet, m.Barangay, m.ZipCode, m.Town || ', ' || m.Province, "
              "CASE m.Sex WHEN 'F' THEN 'Female' ELSE 'Male' END, m.BirthDate, "
              "CASE m.CivilStatus WHEN '1' THEN 'Single' WHEN '2' THEN 'Separated' WHEN '3' THEN 'Married' "
              "ELSE 'Widow/er' END, m.Occupation, ?8, ?9, m.MSSNum, ?10, ?11, ?3, ?12, ?13, ?14, ?15, ?16, "
              "'PATIENT', m.PatientStatus, ?17, r.ReferringParty, ?18, ?19, m.MSSClassification, "
              "(SELECT LastName || ', ' || FirstName FROM tbMSSEmployee WHERE EmployeeID = ?20), 'Y', "
              "'01', ?20, ?3, ?21 FROM PATIENT_DATA.tbMaster m LEFT JOIN tbMSSClassificationScheme s "
              "ON s.Code = m.MSSClassification LEFT JOIN tbMSSReferringParty r ON r.Code = ?18 "
              "WHERE m.HospNum = ?1"),
          family(db, "INSERT INTO tbMSSFamilyComposition VALUES (?,?,?,?,?,?,?,?,?,?,?)"),
          classHistory(db,
              "INSERT INTO tbMSSPatClassHistory (IdNum, HospNum, TransDate, PatientClass, UserID) "
              "VALUES (?,?,?,?,?)"),
          referral(db,
              "INSERT INTO tbMSSReferralNotice (IdNum, HospNum, Diagnosis, Category, ReferralDate, "
              "ReferredBy, Tick1, Tick2, Tick3, Tick4, Tick5, Others, Status, Remarks, ScheduleDate, "
              "DateApproved, ApprovedBy) VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)"),
          notice(db,
              "INSERT INTO tbMSSDischargeNotice (IdNum, HospNum, NoticeDate, OrderedDate, DischargeNurse, "
              "Remarks, UserId, ClearDate, ClearRemarks, Revoked, RevokedDate, RevokedBy) "
              "VALUES (?,?,?,?,?,?,?,?,?,?,?,?)")
    {
    }
    Statement inpatient;
    Statement outpatient;
    Statement er;
    Statement inBill;
    Statement outBill;
    Statement payment;
    Statement benefit;
    Statement medItem;
    Statement cdf;
    Statement radio;
    Statement assessment;
    Statement transaction;
    Statement caseHistory;
    Statement intake;
    Statement family;
    Statement classHistory;
    Statement referral;
    Statement notice;
    int inSerial = 0, outSerial = 0, erSerial = 0, receiptSerial = 0;
    QHash<QString, int> assessed; // hospital number -> assessments written
};

class Generator {
public:
    Generator(sqlite3 *db, const DemoOptions &o) : m_db(db), m_o(o), m_rng(o.seed) { }
    void run();

private:
    void hospital();
    void catalogues();
    void people();
    void patients();
    std::vector<Patient> masterRecords(int patientCount);
    Visit admit(Patient &p, Admissions &s);
    void charge(const Patient &p, const Visit &v, Admissions &s);
    void assess(const Patient &p, const Visit &v, Admissions &s);
    void referAndNotify(const Patient &p, const Visit &v, Admissions &s);
    QString randomName(bool male)
    {
        return QString::fromUtf8(male ? m_rng.pick(kMaleNames) : m_rng.pick(kFemaleNames));
    }
    // What follows an admission happens by today at the latest: the demo has no future.
    QDate upToToday(const QDate &day) const { return std::min(day, m_o.today); }
    // A time on today falls in the early morning, before the day's discharge notices (06:00) and
    // before the hour a user is likely to try the demo.
    int clockTime(const QDate &day, int minutes) const { return day == m_o.today ? minutes % (6 * 60) : minutes; }

    sqlite3 *m_db;
    DemoOptions m_o;
    Rng m_rng;
    QStringList m_doctors;
    QStringList m_doctorNames; // as a referral names the doctor, beside m_doctors
    QStringList m_rooms;
    QStringList m_workers;
    QStringList m_companies;
    QList<QPair<QString, QString>> m_categories; // id, name
};

void Generator::hospital()
{
    exec(m_db,
        "INSERT INTO PATIENT_DATA.tbHospitalInfo (Company, Address1, Address2, Title, TinNo, MTSServerName) "
        "VALUES ('VELLMORE MEDICAL CENTER', 'Vellmore Avenue, Port Halden', 'Metro Port Halden 1100', "
        "'Department of Health', '000-451-228-000', '')");
    Statement zip(m_db, "INSERT INTO PATIENT_DATA.tbZipCode (ZipCode, Barangay, Town, Province) VALUES (?,?,?,?)");
    for (const Place &p : kPlaces)
        for (const char *b : kBarangays)
            zip.run({ QString::number(p.zip), b, p.town, p.province });

    Statement doctor(m_db, "INSERT INTO PATIENT_DATA.tbDoctor VALUES (?,?,?,?,?)");
    constexpr std::array specialties
        = { "NEPHROLOGY", "INTERNAL MEDICINE", "SURGERY", "PEDIATRICS", "UROLOGY", "CARDIOLOGY", "EMERGENCY MEDICINE" };
    for (int i = 1; i <= 60; ++i) {
        const QString id = QStringLiteral("D%1").arg(i, 3, 10, QLatin1Char('0'));
        const bool male = m_rng.chance(0.5);
        const QString surname = QString::fromUtf8(m_rng.pick(kSurnames));
        const QString given = randomName(male);
        doctor.run({ id, surname, given, m_rng.pick(kSurnames), m_rng.pick(specialties) });
        m_doctors.append(id);
        m_doctorNames.append(QStringLiteral("DR. %1 %2").arg(given, surname));
    }
    Statement room(m_db, "INSERT INTO PATIENT_DATA.tbRoom VALUES (?,?,?,?)");
    constexpr std::array stations = { "WARD 1", "WARD 2", "WARD 3", "PEDIA", "RENAL UNIT", "ICU" };
    for (int s = 0; s < int(stations.size()); ++s)
        for (int r = 1; r <= 25; ++r) {
            const QString id = QStringLiteral("%1%2").arg(s + 1).arg(r, 2, 10, QLatin1Char('0'));
            const char *type = r <= 15 ? "WARD" : r <= 21 ? "SEMI-PRIVATE" : "PRIVATE";
            room.run({ id, stations[size_t(s)], type, r <= 15 ? 850.0 : r <= 21 ? 1800.0 : 3500.0 });
            m_rooms.append(id);
        }
}

void Generator::catalogues()
{
    insertReferenceCatalogues(m_db);
    // Retired entries, so that the windows' lists can be seen to leave them out.
    exec(m_db, "INSERT INTO tbMSSParentCategory VALUES ('06','OBSOLETE','I')");
    exec(m_db, "INSERT INTO tbMSSCaseCategory VALUES ('14','OLD CATEGORY','06','I')");
    m_categories = { { QStringLiteral("01"), QStringLiteral("HEMODIALYSIS") },
        { QStringLiteral("05"), QStringLiteral("NEPHROLOGY") }, { QStringLiteral("07"), QStringLiteral("UROLOGY") },
        { QStringLiteral("09"), QStringLiteral("GS") }, { QStringLiteral("10"), QStringLiteral("IM") },
        { QStringLiteral("13"), QStringLiteral("OTHERS") } };

    int order = 0;
    Statement revenue(m_db, "INSERT INTO BILLING.tbBillRevenueCode VALUES (?,?,?,?)");
    for (const Revenue &r : kRevenues)
        revenue.run({ r.id, r.department, 1, ++order });
    revenue.run({ "QF", "MSS PROCEDURE DISCOUNT", 0, 900 });
    revenue.run({ "SC", "SENIOR CITIZEN DISCOUNT", 0, 901 });
    revenue.run({ "PY", "PAYMENT", 0, 902 });

    Statement company(m_db, "INSERT INTO BILLING.tbBillCompany VALUES (?,?,?,?,?)");
    constexpr std::array companies
        = { "PORT HALDEN ELECTRIC COOP.", "NORTHERN LUZON BUS LINES", "HALDEN BAY SHIPYARD", "SAN ISIDRO RURAL BANK",
              "GOLDEN HARVEST MILLING CORP.", "METRO WATER DISTRICT", "PROVINCIAL GOVERNMENT OF BULACAN",
              "CITY GOVERNMENT OF PORT HALDEN", "BAYANIHAN COOPERATIVE", "SUNRISE MANUFACTURING INC." };
    for (int i = 0; i < int(companies.size()); ++i) {
        const QString account = QStringLiteral("C%1").arg(i + 1, 4, 10, QLatin1Char('0'));
        company.run({ account, companies[size_t(i)], "PORT HALDEN", 1, 500000.0 });
        m_companies.append(account);
    }
    company.run({ "P0001", "PERSONAL ACCOUNT", nullptr, 0, 0.0 });
}

void Generator::people()
{
    Statement employee(m_db, "INSERT INTO tbMSSEmployee VALUES (?,?,?,?,?,?,?,?)");
    Statement user(
        m_db, "INSERT INTO tbMSSUser (UserCode, PasswordHash, DeptCode, Active, CreatedDate) VALUES (?,?,'MSS',1,?)");
    Statement right(m_db, "INSERT INTO tbMSSUserRight VALUES (?,?)");
    const QString created = iso(m_o.today.addYears(-1), 8 * 60);

    employee.run(
        { kDemoAdministrator.code, "VILLANUEVA", "CORAZON", "MANALO", "SOCIAL WELFARE OFFICER III", "0004521", 1, 1 });
    employee.run({ kDemoWorker.code, "DIZON", "ROMEO", "PASCUAL", "SOCIAL WELFARE OFFICER I", "0011873", 1, 1 });
    m_workers = { QString::fromLatin1(kDemoAdministrator.code), QString::fromLatin1(kDemoWorker.code) };
    for (const DemoUser &u : { kDemoAdministrator, kDemoWorker }) {
        user.run({ u.code, data::hashPassword(QString::fromLatin1(u.password), m_o.fastPasswordHashes), created });
        for (const QChar c : QString::fromLatin1(u.rights))
            right.run({ u.code, QString(c) });
    }
    for (int i = 3; i <= 14; ++i) {
        const QString id = QStringLiteral("MSS%1").arg(i, 2, 10, QLatin1Char('0'));
        const bool male = m_rng.chance(0.3);
        const bool worker = i <= 12;
        const bool active = i != 11; // one has left the department
        employee.run({ id, m_rng.pick(kSurnames), randomName(male), m_rng.pick(kSurnames),
            worker ? "SOCIAL WELFARE OFFICER II" : "ADMINISTRATIVE AIDE",
            worker ? QStringLiteral("%1").arg(m_rng.between(1000, 99999), 7, 10, QLatin1Char('0')) : QString(),
            worker ? 1 : 0, active ? 1 : 0 });
        if (worker && active)
            m_workers.append(id);
    }
}

std::vector<Patient> Generator::masterRecords(int patientCount)
{
    const QDate today = m_o.today;
    Statement master(m_db,
        "INSERT INTO PATIENT_DATA.tbMaster (HospNum, LastName, FirstName, MiddleName, Sex, BirthDate, "
        "BirthPlace, CivilStatus, ReligionID, Occupation, HouseStreet, Barangay, Town, Province, ZipCode, "
        "TelNumber, Employer, EmployerAddress, PatientStatus, SSSGSIS, MSSNum, MSSClassification, "
        "MSSDiscountExpiry, MSSDiscountValidity, RegisteredDate) "
        "VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)");
    std::vector<Patient> patients { size_t(patientCount) };
    constexpr std::array religions = { "RC", "RC", "RC", "RC", "RC", "INC", "ISL", "AGL", "BAP", "SDA", "BA", "OTH" };
    People people(m_rng);
    int mssSerial = 0;
    for (int i = 0; i < patientCount; ++i) {
        Patient &p = patients[size_t(i)];
        p.hospNum = QStringLiteral("%1").arg(100001 + i, 7, 10, QLatin1Char('0'));
        const bool male = m_rng.chance(0.48);
        p.lastName = QString::fromUtf8(m_rng.pick(kSurnames));
        p.birth = today.addDays(-m_rng.between(200, 85 * 365));
        const Place &place = m_rng.pick(kPlaces);
        p.classified = m_rng.chance(0.4);
        QString validity, expiry;
        if (p.classified) {
            p.mssNum = QStringLiteral("%1-%2")
                           .arg(today.year() % 100, 2, 10, QLatin1Char('0'))
                           .arg(++mssSerial, 6, 10, QLatin1Char('0'));
            // Classified up to two years ago (never before birth) for a year: some have expired.
            p.validity = today.addDays(-m_rng.between(0, std::min<int>(730, p.birth.daysTo(today))));
            p.expiry = p.validity.addYears(1);
            validity = iso(p.validity);
            expiry = iso(p.expiry);
        }
        // Who the patient is follows from age and sex; the master holds today's life, the
        // interview the life on its day, which for the demo is the same.
        const int age = yearsBetween(p.birth, p.classified ? p.validity : today);
        CivilStatus civil = people.civilStatusFor(age);
        if (p.classified && civil == Other)
            civil = Separated; // an intake sheet is only saved with one of the four statuses it offers
        p.self = people.person(male, age, civil, "");
        if (p.classified) {
            p.household = people.household(p.self);
            double income = p.self.income;
            for (const Person &member : p.household)
                income += member.income;
            p.classCode = demoClassificationFor(income, int(p.household.size()) + 1);
        }
        const Occupation &work = *p.self.work;
        const bool employed = p.self.income > 0 && &work != &kRetired;
        master.run({ p.hospNum, p.lastName, randomName(male), QString::fromUtf8(m_rng.pick(kSurnames)),
            male ? "M" : "F", iso(p.birth), QString::fromUtf8(m_rng.pick(kPlaces).town),
            QString::number(int(p.self.civil)), m_rng.pick(religions), work.name,
            QStringLiteral("%1 %2").arg(m_rng.between(1, 999)).arg(QString::fromUtf8(m_rng.pick(kStreets))),
            QString::fromUtf8(m_rng.pick(kBarangays)), QString::fromUtf8(place.town), QString::fromUtf8(place.province),
            QString::number(place.zip), QStringLiteral("09%1").arg(m_rng.between(100000000, 999999999)),
            !employed           ? QString()
                : work.employer ? QString::fromUtf8(work.employer)
                                : QString::fromUtf8(work.name) + QStringLiteral(" - SELF-EMPLOYED"),
            employed ? QString::fromUtf8(place.town) : QString(), employed ? "EMPLOYED" : "UNEMPLOYED",
            m_rng.chance(0.5) ? QStringLiteral("%1").arg(m_rng.between(10000000, 99999999)) : QString(),
            p.classified ? p.mssNum : QString(), p.classified ? p.classCode : QString(),
            p.classified ? expiry : QString(), p.classified ? validity : QString(),
            iso(today.addDays(-m_rng.between(0, 3650))) });
    }

    return patients;
}

Visit Generator::admit(Patient &p, Admissions &s)
{
    const QDate today = m_o.today;
    const int roll = m_rng.below(100);
    const char kind = roll < 45 ? 'I' : roll < 85 ? 'O' : 'E';
    const int lived = int(p.birth.daysTo(today)); // no visit before the patient was born
    const QString doctor = m_doctors[m_rng.below(int(m_doctors.size()))];
    const char *diagnosis = m_rng.pick(kDiagnoses);
    const bool service = m_rng.chance(0.6);
    const QString account = m_rng.chance(0.08) ? m_companies[m_rng.below(int(m_companies.size()))] : QString();
    QString idNum, admDate, dcrDate, billingDate, room;
    QDate admDay;
    bool current = false;
    if (kind == 'I') {
        idNum = QStringLiteral("%1").arg(2000001 + s.inSerial++, 8, 10, QLatin1Char('0'));
        current = m_rng.chance(0.08);
        admDay = current ? today.addDays(-m_rng.between(0, std::min(20, lived)))
                         : today.addDays(-m_rng.between(3, std::min(3 * 365, lived)));
        admDate = iso(admDay, clockTime(admDay, m_rng.between(0, 24 * 60 - 1)));
        // A discharged patient left by yesterday: nobody is discharged in the demo's future.
        if (!current)
            dcrDate = iso(
                std::min(admDay.addDays(m_rng.between(1, 20)), today.addDays(-1)), m_rng.between(6 * 60, 20 * 60));
        billingDate = current ? iso(today) : dcrDate.left(10);
        const QString opd = m_rng.chance(0.5) ? p.lastOpd : QString();
        room = m_rooms[m_rng.below(int(m_rooms.size()))];
        s.inpatient.run({ idNum, p.hospNum, admDate, dcrDate, room, doctor,
            m_doctors[m_rng.below(int(m_doctors.size()))], service ? "S" : "P", account, opd,
            QStringLiteral("COMPLAINT OF %1").arg(QString::fromUtf8(m_rng.pick(kDiagnoses))), diagnosis,
            m_rng.chance(0.3) ? "HEMODIALYSIS" : "", diagnosis, "", m_rng.chance(0.6) ? 1 : 0, billingDate });
    } else if (kind == 'O') {
        ++s.outSerial;
        const int form = m_rng.below(100);
        idNum = form < 30 ? QStringLiteral("%1B").arg(s.outSerial, 7, 10, QLatin1Char('0'))
            : form < 32   ? QStringLiteral("T%1").arg(s.outSerial, 7, 10, QLatin1Char('0'))
                          : QStringLiteral("O%1").arg(s.outSerial, 7, 10, QLatin1Char('0'));
        admDay = today.addDays(-m_rng.between(0, std::min(3 * 365, lived)));
        admDate = iso(admDay, m_rng.between(7 * 60, 16 * 60));
        dcrDate = iso(admDay, m_rng.between(16 * 60, 18 * 60));
        billingDate = iso(admDay);
        s.outpatient.run({ idNum, p.hospNum, admDate, dcrDate, "NEPHROLOGY CLINIC", doctor, service ? "S" : "P",
            account, diagnosis, billingDate });
        p.lastOpd = idNum;
    } else {
        idNum = QStringLiteral("ER%1").arg(++s.erSerial, 6, 10, QLatin1Char('0'));
        admDay = today.addDays(-m_rng.between(0, std::min(3 * 365, lived)));
        const int admitted = clockTime(admDay, m_rng.between(0, 24 * 60 - 1));
        admDate = iso(admDay, admitted);
        current = admDay == today;
        if (!current) {
            QDate left = admDay.addDays(m_rng.below(2));
            int minutes = clockTime(left, m_rng.between(0, 24 * 60 - 1));
            // A visit ends after it began: a discharge on the day of the admission comes at
            // least half an hour later, or else the next morning.
            if (left == admDay && minutes < admitted + 30) {
                if (const int spare = 24 * 60 - (admitted + 30); spare > 0) {
                    minutes = admitted + 30 + minutes % spare;
                } else {
                    left = admDay.addDays(1);
                    minutes = clockTime(left, minutes);
                }
            }
            dcrDate = iso(left, minutes);
        }
        billingDate = iso(admDay);
        s.er.run({ idNum, p.hospNum, admDate, dcrDate, doctor, service ? "S" : "P", account, diagnosis,
            m_rng.chance(0.3) ? "ADMITTED" : "SENT HOME", billingDate });
    }

    return Visit { kind, idNum, admDate, dcrDate, room, doctor, diagnosis, service, account, admDay, current };
}

void Generator::charge(const Patient &p, const Visit &v, Admissions &s)
{
    // The bill: lines in the departments the visit used, Medicare items for some in-patients.
    Statement &bill = v.kind == 'I' ? s.inBill : s.outBill;
    const int lines = v.kind == 'I' ? m_rng.between(6, 14) : m_rng.between(2, 5);
    double total = 0;
    QList<QPair<const char *, double>> charged;
    for (int l = 0; l < lines; ++l) {
        const Revenue &r
            = l == 0 && v.kind == 'I' ? kRevenues[0] : kRevenues[size_t(m_rng.below(int(kRevenues.size())))];
        const double amount = m_rng.amount(r.lo, r.hi);
        total += amount;
        charged.append({ r.id, amount });
        bill.run({ v.idNum, iso(v.admDay, 9 * 60 + l), r.id,
            QStringLiteral("%1-%2").arg(QString::fromLatin1(r.id)).arg(m_rng.between(100, 999)), r.department, 1.0,
            amount, QString(), QString::fromLatin1(r.id) == QStringLiteral("MD") ? v.doctor : QString(), "BILLING" });
    }
    if (v.kind == 'I' && m_rng.chance(0.3)) {
        double covered = 0;
        const int items = std::min(int(charged.size()), m_rng.between(2, 4));
        for (int it = 0; it < items; ++it) {
            s.medItem.run({ v.idNum, charged[it].first, QStringLiteral("MC-%1").arg(it + 1), charged[it].second });
            covered += charged[it].second;
        }
        s.benefit.run(
            { v.idNum, QStringLiteral("PH%1").arg(v.idNum), std::round(covered * m_rng.amount(0.5, 0.9) * 100) / 100 });
    }
    if (!v.dcrDate.isEmpty() && m_rng.chance(0.85)) {
        const double paid = m_rng.chance(0.1) ? total + m_rng.amount(50, 500)
                                              : std::round(total * m_rng.amount(0.3, 1.0) * 100) / 100;
        s.payment.run({ QStringLiteral("OR%1").arg(++s.receiptSerial, 8, 10, QLatin1Char('0')), v.idNum, v.dcrDate,
            paid, "CASHIER" });
    }
    if (m_rng.chance(0.1))
        s.radio.run(
            { v.idNum, p.hospNum, v.admDate, m_rng.pick(kExams), m_rng.amount(300, 5000), v.current ? "R" : "D" });
}

void Generator::assess(const Patient &p, const Visit &v, Admissions &s)
{
    // The department's work on the admission.
    const bool assessedNow = p.classified && m_rng.chance(v.kind == 'I' ? 0.8 : 0.4);
    if (assessedNow) {
        const auto &category = m_categories[m_rng.below(int(m_categories.size()))];
        const QString worker = m_workers[m_rng.below(int(m_workers.size()))];
        const bool pcso = m_rng.chance(0.15), withCdf = !v.account.isEmpty() || m_rng.chance(0.05),
                   special = m_rng.chance(0.08);
        const QString intakeDay = iso(p.validity);
        const QString services = m_rng.chance(0.7) ? QStringLiteral("1.1.1|1.3.1|") : QString();
        s.assessment.run({ v.idNum, p.hospNum, p.mssNum, p.classCode, category.second, category.first,
            m_rng.chance(0.5) ? "03" : "01", m_rng.pick(kRemarks), intakeDay, iso(p.expiry), worker, worker,
            pcso ? 1 : 0, withCdf ? 1 : 0, special ? 1 : 0, special ? m_rng.amount(500, 5000) : 0.0,
            pcso ? QString::fromLatin1(m_rng.pick(kPcsoTypes)) : QString(), QString::number(m_rng.between(1, 7)), "Y",
            v.current ? "01" : "02", services, iso(upToToday(v.admDay.addDays(1)), 10 * 60) });
        s.transaction.run({ p.hospNum, v.idNum, p.mssNum, p.classCode, intakeDay, iso(p.expiry), category.second,
            worker, worker, m_rng.pick(kRemarks), iso(upToToday(v.admDay.addDays(1)), 10 * 60) });
        QString docs;
        for (int d = 0; d < 18; ++d)
            docs += QString::number(m_rng.chance(0.4) ? 1 : 0) + QLatin1Char('|');
        s.caseHistory.run({ p.hospNum, v.idNum, "Y", v.current ? "01" : "02", docs, intakeDay, worker, worker,
            m_rng.chance(0.6) ? QStringLiteral("1.1|1.2.1|") : QString(),
            iso(upToToday(v.admDay.addDays(1)), 10 * 60) });
        if (!special && m_rng.chance(0.3))
            (v.kind == 'I' ? s.inBill : s.outBill)
                .run({ v.idNum, iso(upToToday(v.admDay.addDays(1)), 11 * 60), "QF", "QF-PROC", "PROCEDURE DISCOUNT",
                    1.0, -m_rng.amount(100, 1500), p.mssNum, QString(), "BILLING" });
        if (s.assessed[p.hospNum]++ == 0 && m_rng.chance(0.75)) {
            const Person &self = p.self;
            s.intake.run({ p.hospNum, v.idNum, intakeDay, category.second, QString::number(self.income), self.education,
                v.kind == 'I'       ? v.room
                    : v.kind == 'E' ? QStringLiteral("ER")
                                    : QStringLiteral("OPD"),
                QString::number(self.age), iso(p.expiry), self.age >= 60 ? 1 : 0,
                m_doctorNames[m_rng.below(int(m_doctorNames.size()))], "PHILHEALTH, RELATIVES",
                "FOOD, RENT, ELECTRICITY", m_rng.chance(0.7) ? 1 : 0, "ASSIST IN HOSPITAL BILL",
                "CLASSIFIED AND REFERRED", v.diagnosis, QString::number(m_rng.between(1, 7)), category.first, worker,
                iso(v.admDay) });
            double familyIncome = 0;
            for (const Person &member : p.household)
                familyIncome += member.income;
            int seq = 0;
            for (const Person &member : p.household)
                s.family.run({ p.hospNum, ++seq, randomName(member.male) + QLatin1Char(' ') + p.lastName,
                    member.relationship, QString::number(member.age), civilStatusText(member), member.education, "SAME",
                    member.work->name, double(member.income), familyIncome });
        }
        if (withCdf && m_rng.chance(0.7)) {
            const double allocated = m_rng.amount(5000, 50000);
            s.cdf.run(
                { p.hospNum, v.idNum, m_rng.pick(kSponsors), v.account.isEmpty() ? QStringLiteral("P0001") : v.account,
                    iso(upToToday(v.admDay.addDays(2))), allocated,
                    std::round(allocated * m_rng.amount(0, 1) * 100) / 100, "HON. R. MACAPAGAL", "ENDORSED BY MSS" });
        }
    }
}

void Generator::referAndNotify(const Patient &p, const Visit &v, Admissions &s)
{
    const QDate today = m_o.today;
    if (v.kind == 'I' && m_rng.chance(0.05)) {
        s.classHistory.run({ v.idNum, p.hospNum, iso(v.admDay, 14 * 60), "P", m_workers[0] });
        s.classHistory.run({ v.idNum, p.hospNum, iso(upToToday(v.admDay.addDays(1)), 9 * 60), "S", m_workers[1] });
    }
    // Referrals from the medical team: pending ones for v.current patients, settled otherwise.
    if (v.kind == 'I' && m_rng.chance(v.current ? 0.25 : 0.03)) {
        const char *status = v.current && m_rng.chance(0.7) ? "P" : m_rng.pick(std::array { "A", "D", "C" });
        const bool settled = QByteArray(status) != "P";
        const bool other = m_rng.chance(0.2);
        s.referral.run({ v.idNum, p.hospNum, v.diagnosis, m_categories[m_rng.below(int(m_categories.size()))].second,
            m_rng.chance(0.1) ? QString() : iso(upToToday(v.admDay.addDays(1)), 15 * 60), v.doctor,
            m_rng.chance(0.3) ? "Y" : "N", m_rng.chance(0.3) ? "Y" : "N", m_rng.chance(0.2) ? "Y" : "N",
            m_rng.chance(0.6) ? "Y" : "N", other ? "Y" : "N", other ? "REQUEST FOR BLOOD DONORS" : "", status,
            settled ? "SEEN AND EVALUATED" : "", settled ? iso(upToToday(v.admDay.addDays(3))) : "1900-01-01",
            settled ? iso(upToToday(v.admDay.addDays(2)), 11 * 60) : QString(), settled ? m_workers[0] : QString() });
    }
    // Discharge notices: open for some v.current in-patients, cleared for recent discharges.
    if (v.kind == 'I') {
        if (v.current && m_rng.chance(0.3)) {
            const bool noTime = m_rng.chance(0.1);
            s.notice.run(
                { v.idNum, p.hospNum, noTime ? QString() : iso(today, 7 * 60 + m_rng.below(300)), iso(today, 6 * 60),
                    m_rng.pick(kNurses), "MAY GO HOME", nullptr, nullptr, nullptr, 0, nullptr, nullptr });
        } else if (!v.current && v.admDay >= today.addDays(-30)) {
            const QString clear = v.dcrDate.left(10) + QStringLiteral(" 09:30:00");
            const bool revoked = m_rng.chance(0.1);
            s.notice.run({ v.idNum, p.hospNum, v.dcrDate.left(10) + QStringLiteral(" 07:00:00"),
                v.dcrDate.left(10) + QStringLiteral(" 06:00:00"), m_rng.pick(kNurses), "MAY GO HOME",
                revoked ? Value() : Value(m_workers[0]), revoked ? Value() : Value(clear),
                revoked ? Value() : Value("CLEARED, WITH PROMISSORY NOTE"), revoked ? 1 : 0,
                revoked ? Value(clear) : Value(), revoked ? Value("WARD") : Value() });
        }
    }
}

void Generator::patients()
{
    const int admissions = m_o.admissions;
    const int patientCount = std::max(1, admissions * 3 / 4);
    std::vector<Patient> patients = masterRecords(patientCount);
    Admissions s(m_db);
    for (int k = 0; k < admissions; ++k) {
        // Every patient gets a first admission; the remaining quarter go to patients at random.
        Patient &p = patients[size_t(k < patientCount ? k : m_rng.below(patientCount))];
        const Visit v = admit(p, s);
        charge(p, v, s);
        assess(p, v, s);
        referAndNotify(p, v, s);
    }
}

void Generator::run()
{
    hospital();
    catalogues();
    people();
    patients();
}

} // namespace

void generateDemoData(EmbeddedConnection &connection, const DemoOptions &options)
{
    if (options.admissions < kDemoMinAdmissions || options.admissions > kDemoMaxAdmissions)
        throw DbError(0, kSource,
            QStringLiteral("The demo size must be from %1 to %2 admissions, not %3")
                .arg(kDemoMinAdmissions)
                .arg(kDemoMaxAdmissions)
                .arg(options.admissions));
    if (!options.today.isValid())
        throw DbError(0, kSource, QStringLiteral("The demo needs a valid date for today"));
    sqlite3 *db = connection.handle();
    exec(db,
        "PRAGMA main.cache_size=-65536; PRAGMA PATIENT_DATA.cache_size=-65536; "
        "PRAGMA BILLING.cache_size=-131072; PRAGMA RADIOLOGY.cache_size=-8192");
    connection.beginTrans();
    try {
        Generator(db, options).run();
        connection.commitTrans();
    } catch (...) {
        if (connection.inTransaction())
            connection.rollbackTrans();
        throw;
    }
    // Statistics let the planner pick the index of the criterion typed in the patient list.
    exec(db, "PRAGMA analysis_limit=1000; ANALYZE;");
}

std::unique_ptr<EmbeddedConnection> createDemoHospital(const QString &folder, const DemoOptions &options)
{
    return createHospitalDatabase(
        folder, false, [&options](EmbeddedConnection &created) { generateDemoData(created, options); });
}

} // namespace mss::data
