#pragma once

#include <QList>
#include <QString>

namespace mss::data {
class Connection;
}

namespace mss::test {

struct BillLine {
    const char *revenueId;
    double amount;
};

// Writes a patient of a case's own: the master row, an admission or visit, its bill lines, its
// Medicare benefit and its assessment, so that every amount a test expects can be worked out by hand.
class BillFixture {
public:
    explicit BillFixture(data::Connection &connection) : m_c(connection) { }

    void patient(const QString &hospNum);
    void inPatient(const QString &idNum, const QString &hospNum, const QString &opdIdNum = {});
    void outPatient(const QString &idNum, const QString &hospNum);
    void bill(const QString &idNum, const QList<BillLine> &lines, bool outPatientBill = false);
    void medicare(const QString &idNum, double benefit, const QList<BillLine> &items);
    void assessment(const QString &idNum, const QString &hospNum, const QString &classCode, bool special, double nc);

    // An in-patient admission with the out-patient visit it came from: charges of 10000 (LB 3000
    // and 1000 from the visit, PH 4000, MD 2000), so 8000 without doctors' fees; Medicare 1000
    // over items of LB 300 and PH 700; a special arrangement with NC 2000 on class C2, whose
    // in-patient rates are 0.5.
    void specialArrangementInPatient(const QString &idNum, const QString &opdIdNum, const QString &hospNum);

private:
    data::Connection &m_c;
};

} // namespace mss::test
