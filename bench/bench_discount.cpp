// The discount computation over a bill of 20,000 lines, against the same work done by the
// procedures' own SQLite text run directly; and the class history window opening its history.
#include "bench.h"

#include "classification/frmeditclass.h"
#include "data/embedded.h"
#include "db/demodata.h"
#include "db/hospitaldb.h"
#include "domain/discountcomputation.h"
#include "patients/patientselection.h"
#include "support/billfixture.h"

#include <QApplication>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>

#include <sqlite3.h>

#include <stdexcept>

using namespace mss;

namespace {

const QString kAdmission = QStringLiteral("09990001");
const QString kOpdVisit = QStringLiteral("O9990001");
const QString kHospNum = QStringLiteral("T999001");

// Every department of the hospital, so the working table holds a row per revenue group.
constexpr const char *kRevenueCodes[] = { "RA", "XS", "CU", "UU", "RU", "CS", "KS", "OS", "RN", "PH", "RM", "XD", "CN",
    "UM", "MD", "LB", "PA", "NU", "NE", "XR", "CT", "UL", "HS", "PT", "DI", "OR", "EC", "OX" };

void exec(sqlite3 *db, const char *sql)
{
    char *error = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &error) != SQLITE_OK) {
        const std::string message = error ? error : "sqlite3_exec failed";
        sqlite3_free(error);
        throw std::runtime_error(message);
    }
}

// A special-arrangement in-patient with the visit it came from, a bill of `lines` lines over
// every department and Medicare items on a hundred of them.
void writeLongBill(data::EmbeddedConnection &c, int lines)
{
    test::BillFixture bills(c);
    bills.patient(kHospNum);
    bills.outPatient(kOpdVisit, kHospNum);
    bills.inPatient(kAdmission, kHospNum, kOpdVisit);
    bills.assessment(kAdmission, kHospNum, QStringLiteral("C2"), true, 15000);
    sqlite3 *db = c.handle();
    exec(db, "BEGIN");
    sqlite3_stmt *line = nullptr;
    sqlite3_prepare_v2(db,
        "INSERT INTO BILLING.tbBillDailyBill (IdNum, TransDate, RevenueID, ItemID, Amount) VALUES (?1, '2026-12-02', "
        "?2, ?3, ?4)",
        -1, &line, nullptr);
    sqlite3_stmt *item = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO BILLING.tbBillMedicareItem (IdNum, RevenueID, Amount) VALUES (?1, ?2, ?3)", -1,
        &item, nullptr);
    const QByteArray id = kAdmission.toLatin1();
    const int codes = int(std::size(kRevenueCodes));
    for (int i = 0; i < lines; ++i) {
        const char *code = kRevenueCodes[i % codes];
        const double amount = 50 + (i * 37 % 4000) + (i % 4) * 0.25;
        const QByteArray itemId = QByteArray::number(i);
        sqlite3_bind_text(line, 1, id.constData(), -1, SQLITE_STATIC);
        sqlite3_bind_text(line, 2, code, -1, SQLITE_STATIC);
        sqlite3_bind_text(line, 3, itemId.constData(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_double(line, 4, amount);
        sqlite3_step(line);
        sqlite3_reset(line);
        if (i % (lines / 100) == 0) {
            sqlite3_bind_text(item, 1, id.constData(), -1, SQLITE_STATIC);
            sqlite3_bind_text(item, 2, code, -1, SQLITE_STATIC);
            sqlite3_bind_double(item, 3, amount);
            sqlite3_step(item);
            sqlite3_reset(item);
        }
    }
    sqlite3_finalize(line);
    sqlite3_finalize(item);
    exec(db, "INSERT INTO BILLING.tbBillMedicareBenefit VALUES ('09990001', 'PH-BENCH', 25000)");
    exec(db, "COMMIT");
}

// Runs a stored procedure's SQLite text statement by statement with named values bound, the way
// the procedure itself would run without the driver around it; returns the last result's rows.
// Statements are prepared once and kept, as the driver keeps a procedure's.
struct RawRow {
    QByteArray revenueId;
    double first = 0;
};
class RawRunner {
public:
    explicit RawRunner(sqlite3 *db) : m_db(db) { }
    ~RawRunner()
    {
        for (const std::vector<sqlite3_stmt *> &statements : std::as_const(m_prepared))
            for (sqlite3_stmt *stmt : statements)
                sqlite3_finalize(stmt);
    }
    RawRunner(const RawRunner &) = delete;
    RawRunner &operator=(const RawRunner &) = delete;

    QList<RawRow> run(const QByteArray &source, const QList<std::pair<const char *, QByteArray>> &values)
    {
        QList<RawRow> rows;
        for (sqlite3_stmt *stmt : prepared(source)) {
            sqlite3_reset(stmt);
            sqlite3_clear_bindings(stmt);
            for (const auto &[name, value] : values) {
                if (const int index = sqlite3_bind_parameter_index(stmt, name))
                    sqlite3_bind_text(stmt, index, value.constData(), int(value.size()), SQLITE_STATIC);
            }
            if (sqlite3_column_count(stmt) > 0)
                rows.clear();
            int rc = SQLITE_ROW;
            while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
                RawRow row;
                for (int c = 0; c < sqlite3_column_count(stmt); ++c) {
                    const QByteArray name = sqlite3_column_name(stmt, c);
                    if (name.compare("RevenueID", Qt::CaseInsensitive) == 0)
                        row.revenueId = reinterpret_cast<const char *>(sqlite3_column_text(stmt, c));
                    else if (c == 0 || name == "Amount" || name == "ActualCharges" || name == "Actual Charges")
                        row.first = sqlite3_column_double(stmt, c);
                }
                rows.append(row);
            }
            if (rc != SQLITE_DONE)
                throw std::runtime_error(sqlite3_errmsg(m_db));
        }
        return rows;
    }

private:
    const std::vector<sqlite3_stmt *> &prepared(const QByteArray &source)
    {
        auto it = m_prepared.find(source);
        if (it != m_prepared.end())
            return *it;
        std::vector<sqlite3_stmt *> statements;
        const char *sql = source.constData();
        while (sql && *sql) {
            sqlite3_stmt *stmt = nullptr;
            const char *tail = nullptr;
            if (sqlite3_prepare_v3(m_db, sql, -1, SQLITE_PREPARE_PERSISTENT, &stmt, &tail) != SQLITE_OK)
                throw std::runtime_error(sqlite3_errmsg(m_db));
            sql = tail;
            if (stmt)
                statements.push_back(stmt);
        }
        return *m_prepared.insert(source, std::move(statements));
    }

    sqlite3 *m_db;
    QHash<QByteArray, std::vector<sqlite3_stmt *>> m_prepared;
};

// The computation's work without the data layer: the same procedures in the same order, the
// Medicare and arrangement spreads computed alike, values bound instead of quoted.
void rawComputation(sqlite3 *db, RawRunner &raw, const QHash<QString, QByteArray> &source, double arrangementNc)
{
    const QByteArray id = kAdmission.toLatin1();
    const QByteArray opd = kOpdVisit.toLatin1();
    exec(db, "BEGIN");
    raw.run(source[QStringLiteral("delete")], { { "@IdNum", id }, { "@OtherIdNum", id }, { "@DiscountType", "QF" } });
    raw.run(source[QStringLiteral("charges")],
        { { "@IdNum", id }, { "@OPDIdNum", opd }, { "@Selection", "4" }, { "@Grouping", "1" } });
    const double benefit = raw.run(source[QStringLiteral("benefit")], { { "@IdNum", id } }).value(0).first;
    const QList<RawRow> items = raw.run(source[QStringLiteral("items")], { { "@IdNum", id } });
    double sum = 0;
    for (const RawRow &r : items)
        sum += r.first;
    for (const RawRow &r : items)
        raw.run(source[QStringLiteral("share")],
            { { "@Share", QByteArray::number(r.first / sum * benefit, 'g', 17) }, { "@RevenueID", r.revenueId } });
    const double nonDoctor
        = raw.run("SELECT ifnull(sum(ActualCharges),0) FROM BILLING.tbDummyDiscountTable WHERE RevenueID <> 'MD'", {})
              .value(0)
              .first;
    const double total
        = raw.run(source[QStringLiteral("total")], { { "@IdNum", id }, { "@OPDIdNum", opd }, { "@Selection", "7" } })
              .value(0)
              .first;
    for (const RawRow &r : raw.run("SELECT RevenueID, ActualCharges FROM BILLING.tbDummyDiscountTable", {})) {
        const double discount = r.revenueId == "MD" ? r.first : r.first / nonDoctor * (total - arrangementNc);
        raw.run(source[QStringLiteral("discount")],
            { { "@Discount", QByteArray::number(discount, 'g', 17) }, { "@RevenueID", r.revenueId } });
    }
    raw.run(source[QStringLiteral("load")], { { "@DiscountType", "QF" }, { "@Mode", "2" }, { "@Flag", "1" } });
    raw.run("SELECT * FROM main.tbMSSAssessment WHERE IdNum = @IdNum", { { "@IdNum", id } });
    exec(db, "COMMIT");
}

const bench::Register discount(QStringLiteral("discount_and_class_history"), [](bool quick) {
    QTemporaryDir dir;
    auto db = data::createHospitalDatabase(dir.path());
    data::DemoOptions options;
    options.admissions = quick ? 2000 : data::kDemoMaxAdmissions;
    data::generateDemoData(*db, options);
    const int lines = quick ? 2000 : 20000;
    writeLongBill(*db, lines);

    // The computation as the window runs it, fresh every time (the stored one forgotten first).
    const classification::DiscountComputation computation(*db);
    const classification::DiscountPatient patient = computation.readPatient(kHospNum, kAdmission);
    const classification::DiscountAssessment assessment = computation.readAssessment(kAdmission);
    const classification::ClassRates rates = computation.readRates(patient.code, patient.roomId);
    classification::DiscountResult result;
    const double computed = bench::bestOf(5, [&] { result = computation.recompute(kAdmission, rates, assessment); });
    if (result.rows.size() != qsizetype(std::size(kRevenueCodes)) || result.charges <= 0)
        throw std::runtime_error("the computation did not cover every department");

    auto billing = [&](const char *name) {
        return bench::procedureSource(db->handle(), QLatin1StringView(name), QStringLiteral("BILLING"));
    };
    const QHash<QString, QByteArray> source = {
        { QStringLiteral("delete"), billing("sp_Billing_Delete_Existing_ComputedDiscount_All") },
        { QStringLiteral("charges"), billing("sp_Billing_Get_ActualCharges_ForDiscount") },
        { QStringLiteral("benefit"), billing("sp_Billing_GetTotalMedicare_Others") },
        { QStringLiteral("items"), billing("sp_Billing_Get_MedicareItems_Others") },
        { QStringLiteral("share"), billing("sp_Billing_Update_DummyDiscountTable") },
        { QStringLiteral("total"), billing("sp_Billing_Get_SeniorCitizenCharges_PerDepartment") },
        { QStringLiteral("discount"), billing("sp_Billing_Update_Discount_DummyDiscountTable") },
        { QStringLiteral("load"), billing("sp_Billing_Load_DummyDiscountTable") },
    };
    for (auto it = source.cbegin(); it != source.cend(); ++it) {
        if (it.value().isEmpty())
            throw std::runtime_error("a billing procedure is missing");
    }
    RawRunner runner(db->handle());
    const double raw = bench::bestOf(5, [&] { rawComputation(db->handle(), runner, source, assessment.nc); });
    bench::report(QString::fromLatin1(quick ? "discount_compute_2k_ms" : "discount_compute_20k_ms"), computed * 1000,
        QStringLiteral("ms"));
    bench::report(QStringLiteral("discount_compute_ratio"), computed / raw);

    // The class history of an admission with a long record of changes.
    sqlite3 *handle = db->handle();
    exec(handle, "BEGIN");
    for (int i = 0; i < 200; ++i)
        exec(handle,
            QStringLiteral("INSERT INTO main.tbMSSPatClassHistory (IdNum, HospNum, TransDate, PatientClass, UserID) "
                           "VALUES ('09990001', 'T999001', datetime('2026-01-01', '+%1 hours'), '%2', 'MSS02')")
                .arg(i)
                .arg(i % 2 ? QLatin1Char('S') : QLatin1Char('P'))
                .toUtf8()
                .constData());
    exec(handle, "COMMIT");
    patients::PatientSelection selection;
    selection.IDNUM = kAdmission;
    selection.HospNum = kHospNum;
    int shown = 0;
    const double history = bench::bestOf(5, [&] {
        classification::frmEditClass window(selection, db.get(), nullptr);
        window.load();
        window.show();
        window.cmdPrev->click();
        QApplication::processEvents();
        shown = window.grdClassHistory->rowCount();
    });
    if (shown != 200)
        throw std::runtime_error("the class history was not shown whole");
    bench::report(QStringLiteral("class_history_open_ms"), history * 1000, QStringLiteral("ms"));
});

} // namespace
