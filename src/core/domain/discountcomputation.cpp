#include "domain/discountcomputation.h"

#include "data/connection.h"
#include "data/format.h"
#include "data/quote.h"
#include "data/values.h"
#include "domain/lookups.h"

#include <cmath>

namespace mss::classification {

namespace {

const QString kSource = QStringLiteral("Discount computation");

// Grid columns by position, as the billing procedures return them.
constexpr int kRevenueColumn = 1;
constexpr int kChargesColumn = 3;
constexpr int kMedicareColumn = 4;
constexpr int kDiscountColumn = 5;

[[noreturn]] void refuse(const QString &description)
{
    throw data::DbError(0, kSource, description);
}

// An amount the computation goes on with. A null or unreadable one is refused: read as 0 it would
// silently change every share computed from it.
double requiredAmount(const QVariant &value, const QString &what)
{
    if (value.isNull())
        refuse(what + QStringLiteral(" has no amount."));
    bool ok = false;
    const double amount = value.toDouble(&ok);
    if (!ok || !std::isfinite(amount))
        refuse(what + QStringLiteral(" is not a number: ") + value.toString());
    return amount;
}

double requiredAmount(const data::Recordset &rs, const QString &column, const QString &what)
{
    return requiredAmount(rs.value(column), what);
}

// An amount of a result that gives 0 when nothing comes back.
double amountOrZero(data::Recordset rs, const QString &column, const QString &what)
{
    if (rs.eof() || rs.isNull(column))
        return 0;
    return requiredAmount(rs, column, what);
}

double rate(const data::Recordset &rs, const QString &column, const QString &classCode)
{
    const QString what = QStringLiteral("The %1 rate of class %2").arg(column, classCode);
    const double r = requiredAmount(rs, column, what);
    if (r < 0 || r > 1)
        refuse(what + QStringLiteral(" is not a fraction from 0 to 1: ") + data::numberText(r));
    return r;
}

void addTotals(DiscountResult &result, int charges, int medicare, int discount)
{
    for (const QVariantList &row : std::as_const(result.rows)) {
        result.charges += requiredAmount(row.value(charges), QStringLiteral("A department's actual charges"));
        result.medicare += requiredAmount(row.value(medicare), QStringLiteral("A department's Medicare share"));
        result.discount += requiredAmount(row.value(discount), QStringLiteral("A department's discount"));
    }
}

int requiredColumn(const QStringList &columns, const QString &name)
{
    for (int c = 0; c < columns.size(); ++c) {
        if (columns[c].compare(name, Qt::CaseInsensitive) == 0)
            return c;
    }
    refuse(QStringLiteral("The computed discount has no column \"%1\".").arg(name));
}

// The text of an amount for a statement. Checked here as well, so that whatever the operands, no
// infinite or undefined amount is ever sent.
QString amountText(double amount, const QString &what)
{
    if (!std::isfinite(amount))
        refuse(what + QStringLiteral(" is not a finite number."));
    return data::numberText(amount);
}

} // namespace

double ClassRates::forRevenueCode(const QString &revenueId) const
{
    static const QStringList supplyCodes = { QStringLiteral("XS"), QStringLiteral("CU"), QStringLiteral("UU"),
        QStringLiteral("RU"), QStringLiteral("CS"), QStringLiteral("KS"), QStringLiteral("OS") };
    static const QStringList medicineCodes = { QStringLiteral("RN"), QStringLiteral("PH"), QStringLiteral("RM"),
        QStringLiteral("XD"), QStringLiteral("CN"), QStringLiteral("UM") };
    static const QStringList procedureCodes = { QStringLiteral("LB"), QStringLiteral("PA"), QStringLiteral("NU"),
        QStringLiteral("NE"), QStringLiteral("XR"), QStringLiteral("CT"), QStringLiteral("UL"), QStringLiteral("HS"),
        QStringLiteral("PT"), QStringLiteral("DI"), QStringLiteral("OR") };
    const QString code = revenueId.trimmed();
    if (code == QLatin1String("RA"))
        return room;
    if (supplyCodes.contains(code))
        return supplies;
    if (medicineCodes.contains(code))
        return medicines;
    if (code == QLatin1String("MD"))
        return 1;
    if (procedureCodes.contains(code))
        return procedures;
    return 0;
}

bool isYes(const QVariant &value)
{
    if (value.isNull())
        return false;
    switch (value.typeId()) {
    case QMetaType::Bool:
        return value.toBool();
    case QMetaType::QString: {
        const QString text = value.toString().trimmed();
        bool numeric = false;
        const double n = text.toDouble(&numeric);
        if (numeric)
            return n != 0;
        return text.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0
            || text.compare(QLatin1String("yes"), Qt::CaseInsensitive) == 0
            || text.compare(QLatin1String("y"), Qt::CaseInsensitive) == 0;
    }
    default:
        return value.toDouble() != 0;
    }
}

DiscountComputation::DiscountComputation(data::Connection &connection, OpdLookup findOpdIdNum)
    : m_connection(connection), m_findOpdIdNum(std::move(findOpdIdNum))
{
    if (!m_findOpdIdNum)
        m_findOpdIdNum = [this](const QString &number) { return domain::FindOpdIdNum(m_connection, number); };
}

DiscountPatient DiscountComputation::readPatient(const QString &hospNum, const QString &idNum) const
{
    const QString id = idNum.trimmed();
    DiscountPatient patient;
    data::Recordset rs = m_connection.open(QStringLiteral("MSS..sp_MSS_GetPatientInfo ")
        + data::quoted(hospNum.trimmed()) + QLatin1Char(',') + data::quoted(id));
    if (!rs.eof()) {
        patient.found = true;
        patient.name = rs.text(QStringLiteral("Name"));
        patient.hospNum = rs.text(QStringLiteral("HospNum"));
        patient.idNum = id;
        patient.mssNum = rs.text(QStringLiteral("MSSNumber"));
        patient.roomId = rs.text(QStringLiteral("RoomID"));
        patient.code = rs.text(QStringLiteral("Code"));
        return patient;
    }
    rs = m_connection.open(QStringLiteral("MSS..sp_MSS_GetPatientInfoforARR ") + data::quoted(id));
    if (!rs.eof()) {
        patient.found = true;
        patient.name = rs.text(QStringLiteral("Name"));
        patient.hospNum = rs.text(QStringLiteral("HospNum"));
        patient.roomId = rs.text(QStringLiteral("RoomID"));
        patient.idNum = id;
    }
    return patient;
}

DiscountAssessment DiscountComputation::readAssessment(const QString &idNum) const
{
    DiscountAssessment assessment;
    data::Recordset rs = m_connection.open(
        QStringLiteral("SELECT * FROM MSS..tbMSSAssessment WHERE IdNum = ") + data::quoted(idNum.trimmed()));
    if (!rs.eof() && isYes(rs.value(QStringLiteral("IsSpecial")))) {
        assessment.isSpecial = true;
        assessment.nc = rs.isNull(QStringLiteral("NC"))
            ? 0
            : requiredAmount(rs, QStringLiteral("NC"), QStringLiteral("The assessment's NC"));
    }
    return assessment;
}

ClassRates DiscountComputation::readRates(const QString &classCode, const QString &roomId) const
{
    ClassRates rates;
    data::Recordset rs = m_connection.open(
        QStringLiteral("SELECT * FROM MSS..tbMSSClassification where Type = ") + data::quoted(classCode));
    if (rs.eof())
        return rates;
    const QString code = classCode.trimmed();
    if (roomId != QLatin1String("OPD")) {
        rates.procedures = rate(rs, QStringLiteral("Procedures"), code);
        rates.supplies = rate(rs, QStringLiteral("Supplies"), code);
        rates.medicines = rate(rs, QStringLiteral("Medicines"), code);
        rates.room = rate(rs, QStringLiteral("Room"), code);
    } else {
        rates.procedures = rate(rs, QStringLiteral("Procedures2"), code);
        rates.supplies = rate(rs, QStringLiteral("Supplies2"), code);
        rates.medicines = rate(rs, QStringLiteral("Medicines2"), code);
    }
    return rates;
}

std::optional<DiscountResult> DiscountComputation::existing(const QString &idNum) const
{
    data::Recordset rs = m_connection.open(QStringLiteral("Billing..sp_Billing_Check_ExistingDiscount ")
        + data::quoted(idNum.trimmed()) + QLatin1Char(',') + data::quoted(QString::fromLatin1(kDiscountKind)));
    if (rs.eof())
        return std::nullopt;
    DiscountResult result;
    result.columns = rs.columns();
    result.rows = rs.takeRows();
    addTotals(result, kChargesColumn, kMedicareColumn, kDiscountColumn);
    return result;
}

DiscountResult DiscountComputation::compute(
    const QString &idNum, const ClassRates &rates, const DiscountAssessment &assessment) const
{
    return inTransaction([&] { return computeSteps(idNum.trimmed(), rates, assessment); });
}

DiscountResult DiscountComputation::recompute(
    const QString &idNum, const ClassRates &rates, const DiscountAssessment &assessment) const
{
    const QString id = idNum.trimmed();
    return inTransaction([&] {
        m_connection.execute(QStringLiteral("Billing..sp_Billing_Delete_Existing_ComputedDiscount_All ")
            + data::quoted(id) + QLatin1Char(',') + data::quoted(id) + QLatin1Char(',')
            + data::quoted(QString::fromLatin1(kDiscountKind)));
        return computeSteps(id, rates, assessment);
    });
}

DiscountResult DiscountComputation::inTransaction(const std::function<DiscountResult()> &work) const
{
    // A caller's transaction holds the computation's work as well; otherwise it gets its own.
    const bool own = !m_connection.inTransaction();
    if (own)
        m_connection.beginTrans();
    try {
        DiscountResult result = work();
        if (own)
            m_connection.commitTrans();
        return result;
    } catch (...) {
        if (own && m_connection.inTransaction())
            m_connection.rollbackTrans();
        throw;
    }
}

DiscountResult DiscountComputation::computeSteps(
    const QString &id, const ClassRates &rates, const DiscountAssessment &assessment) const
{
    const QString opd = m_findOpdIdNum(id);
    const bool inPatient = data::isInPatientAdmission(id);
    QString charges = QStringLiteral("Billing..sp_Billing_Get_ActualCharges_ForDiscount ") + data::quoted(id);
    QString billTotal = QStringLiteral("Billing..sp_Billing_Get_SeniorCitizenCharges_PerDepartment ") + data::quoted(id)
        + QLatin1Char(',') + data::quoted(opd);
    if (inPatient && !opd.isEmpty()) {
        charges += QLatin1Char(',') + data::quoted(opd) + QStringLiteral(",4,1");
        billTotal += QStringLiteral(", 7");
    } else if (inPatient) {
        charges += QStringLiteral(",'',3,1");
        billTotal += QStringLiteral(", 6");
    } else {
        charges += QStringLiteral(",'',7,1");
        billTotal += QStringLiteral(", 10");
    }
    m_connection.execute(charges);

    spreadMedicare(id);

    int mode = 1;
    data::Recordset arrangement = m_connection.open(
        QStringLiteral("Billing..sp_Billing_Get_MSS_SpecialArrangementRemarks ") + data::quoted(id));
    if (!arrangement.eof() && isYes(arrangement.value(QStringLiteral("IsSpecial")))
        && !arrangement.isNull(QStringLiteral("NC"))) {
        const double nc = requiredAmount(arrangement, QStringLiteral("NC"), QStringLiteral("The arrangement's NC"));
        if (nc != 0) {
            const double nonDoctor = amountOrZero(
                m_connection.open(QStringLiteral("Select isnull(sum(ActualCharges),0) as ActualCharges From "
                                                 "Billing..tbDummyDiscountTable Where RevenueID <> 'MD'")),
                QStringLiteral("ActualCharges"), QStringLiteral("The charges without doctors' fees"));
            const double total = amountOrZero(
                m_connection.open(billTotal), QStringLiteral("Actual Charges"), QStringLiteral("The hospital bill"));
            if (total == 0) {
                DiscountResult stopped;
                stopped.outcome = DiscountResult::Outcome::BillTotalZero;
                return stopped;
            }
            spreadSpecialArrangement(nonDoctor, total, nc);
            mode = 2;
        }
    }

    DiscountResult result;
    data::Recordset loaded = m_connection.open(QStringLiteral("BILLING..sp_Billing_Load_DummyDiscountTable ")
        + data::quoted(QString::fromLatin1(kDiscountKind)) + QLatin1Char(',') + data::quoted(QString::number(mode))
        + QStringLiteral(",1"));
    result.columns = loaded.columns();
    result.rows = loaded.takeRows();
    if (!result.rows.isEmpty())
        addTotals(result, requiredColumn(result.columns, QStringLiteral("Actual Charges")),
            requiredColumn(result.columns, QStringLiteral("Medicare")),
            requiredColumn(result.columns, QStringLiteral("Discount")));

    if (readAssessment(id).isSpecial) {
        // A special assessment discounts each department by its group's rate of the class.
        result.discount = 0;
        for (QVariantList &row : result.rows) {
            const double charge = requiredAmount(row.value(kChargesColumn), QStringLiteral("A department's charges"));
            const double discount = charge * rates.forRevenueCode(row.value(kRevenueColumn).toString());
            if (row.size() <= kDiscountColumn)
                row.resize(kDiscountColumn + 1);
            row[kDiscountColumn] = discount;
            result.discount += discount;
        }
    }
    result.qfsSpecial = result.charges - assessment.nc;
    return result;
}

void DiscountComputation::spreadMedicare(const QString &id) const
{
    data::Recordset benefit
        = m_connection.open(QStringLiteral("Billing..sp_Billing_GetTotalMedicare_Others ") + data::quoted(id));
    if (benefit.eof())
        return;
    const double total = requiredAmount(benefit, QStringLiteral("Amount"), QStringLiteral("The Medicare benefit"));
    data::Recordset items
        = m_connection.open(QStringLiteral("Billing..sp_Billing_Get_MedicareItems_Others ") + data::quoted(id));
    double itemSum = 0;
    for (items.moveFirst(); !items.eof(); items.moveNext())
        itemSum += requiredAmount(items, QStringLiteral("Amount"), QStringLiteral("A Medicare item"));
    if (items.recordCount() > 0 && itemSum == 0)
        refuse(QStringLiteral("The Medicare items of admission %1 add up to 0, so the Medicare benefit of %2 cannot "
                              "be spread over them.")
                   .arg(id, data::numberText(total)));
    for (items.moveFirst(); !items.eof(); items.moveNext()) {
        const double share = items.number(QStringLiteral("Amount")) / itemSum * total;
        m_connection.execute(QStringLiteral("Billing..sp_Billing_Update_DummyDiscountTable ")
            + data::quoted(amountText(share, QStringLiteral("A Medicare share"))) + QLatin1Char(',')
            + data::quoted(items.text(QStringLiteral("RevenueID"))));
    }
}

void DiscountComputation::spreadSpecialArrangement(double nonDoctor, double billTotal, double arrangementNc) const
{
    data::Recordset departments = m_connection.open(QStringLiteral("Select * From Billing..tbDummyDiscountTable"));
    // Checked before the first department is written, so a refusal leaves no department half done.
    QList<std::pair<QString, double>> discounts;
    for (; !departments.eof(); departments.moveNext()) {
        const QString revenueId = departments.text(QStringLiteral("RevenueID"));
        const double charges = requiredAmount(departments, QStringLiteral("ActualCharges"),
            QStringLiteral("The charges of department %1").arg(revenueId));
        if (revenueId == QLatin1String("MD")) {
            discounts.append({ revenueId, charges });
            continue;
        }
        if (nonDoctor == 0)
            refuse(QStringLiteral("The charges without doctors' fees add up to 0, so the special arrangement cannot "
                                  "be spread over department %1.")
                       .arg(revenueId));
        discounts.append({ revenueId, charges / nonDoctor * (billTotal - arrangementNc) });
    }
    for (const auto &[revenueId, discount] : std::as_const(discounts))
        m_connection.execute(QStringLiteral("Billing..sp_Billing_Update_Discount_DummyDiscountTable ")
            + data::quoted(amountText(discount, QStringLiteral("The discount of department ") + revenueId))
            + QLatin1Char(',') + data::quoted(revenueId));
}

} // namespace mss::classification
