#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>
#include <optional>

namespace mss::data {
class Connection;
}

namespace mss::classification {

// The kind of discount the billing procedures compute for the department.
inline constexpr const char *kDiscountKind = "QF";

// Fractions of a department's charges that the patient's class discounts.
struct ClassRates {
    double procedures = 0;
    double supplies = 0;
    double medicines = 0;
    double room = 0;

    // The rate of a revenue code's group: doctors' fees are discounted whole, a code in no group
    // not at all.
    double forRevenueCode(const QString &revenueId) const;
};

// Who the computation is for, as the window's header shows it.
struct DiscountPatient {
    bool found = false;
    QString name;
    QString hospNum;
    QString idNum;
    QString mssNum;
    QString roomId;
    QString code; // the class code; empty when the patient has none
};

// The patient's assessment: a special one carries the negotiated counterpart (NC).
struct DiscountAssessment {
    bool isSpecial = false;
    double nc = 0;
};

// One computation as the grid shows it: the rows as the billing procedures returned them (by
// position: admission, revenue code, department, actual charges, Medicare, discount) and the
// totals over them.
struct DiscountResult {
    enum class Outcome {
        Shown, // rows (possibly none) and totals to show
        BillTotalZero, // a special arrangement on a bill of 0: nothing more to discount, nothing to show
    };
    Outcome outcome = Outcome::Shown;
    QStringList columns;
    QList<QVariantList> rows;
    double charges = 0;
    double medicare = 0;
    double discount = 0;
    // What the patient pays under the assessment's NC (charges - NC); only for a fresh computation.
    double qfsSpecial = 0;

    double toPay() const { return charges - discount; }
};

// The discount on an admission's hospital bill, computed with the billing procedures in their
// fixed order on the working table of the billing database. No widgets: the window shows what it
// returns, tests and benchmarks run it directly.
//
// Amounts are doubles as the procedures take them, passed in their shortest text form. A division
// that has nothing to divide by, a missing amount and a rate that is no fraction are refused with
// a DbError before anything of the step is written, so no infinite or undefined amount reaches the
// database. A computation runs in one transaction: when it fails, the database keeps what it held.
class DiscountComputation {
public:
    using OpdLookup = std::function<QString(const QString &admissionNumber)>;

    // The OPD lookup gives the out-patient visit an admission came from; without one, the
    // billing procedure for it is asked on the same connection.
    explicit DiscountComputation(data::Connection &connection, OpdLookup findOpdIdNum = {});

    // The header: the classified patient, else any patient of the admission (found = false when
    // neither knows it).
    DiscountPatient readPatient(const QString &hospNum, const QString &idNum) const;
    DiscountAssessment readAssessment(const QString &idNum) const;
    // The rates of the class for an in-patient room, or the out-patient rates for "OPD". All 0
    // without a class row.
    ClassRates readRates(const QString &classCode, const QString &roomId) const;

    // The stored computation of the admission; nothing when there is none.
    std::optional<DiscountResult> existing(const QString &idNum) const;
    // A fresh computation; the assessment is the one read on opening.
    DiscountResult compute(const QString &idNum, const ClassRates &rates, const DiscountAssessment &assessment) const;
    // Forgets the stored computation and computes anew, both in one transaction.
    DiscountResult recompute(const QString &idNum, const ClassRates &rates, const DiscountAssessment &assessment) const;

private:
    DiscountResult computeSteps(
        const QString &idNum, const ClassRates &rates, const DiscountAssessment &assessment) const;
    DiscountResult inTransaction(const std::function<DiscountResult()> &work) const;
    void spreadMedicare(const QString &idNum) const;
    void spreadSpecialArrangement(double nonDoctor, double billTotal, double arrangementNc) const;

    data::Connection &m_connection;
    OpdLookup m_findOpdIdNum;
};

// A yes/no column as either database gives it (a bit, a number, or a text such as "True").
bool isYes(const QVariant &value);

} // namespace mss::classification
