#pragma once

#include "data/recordset.h"

#include <QDate>
#include <QString>

#include <array>
#include <optional>

namespace mss::data {
class Connection;
}

namespace mss::notices {

// What the confirmation calls a referral state: "A" "Include to Bill", "D" "For Justification",
// "C" "For Cash Basis", anything else "Pending".
QString referralStateMeaning(const QString &code);

// The picture a notice carries in the lists: "open" while it waits, "clear" once settled.
QString referralIconKey(const QString &status);

// One referral as the approval window shows it.
struct ReferralRecord {
    QString PatientName;
    QString HospNum;
    QString IDNUM;
    QString Diagnosis;
    QString Category;
    QString Remarks;
    QString ScheduleDate; // as stored; empty or 1900-01-01 when none was set
    QString Status;
    std::array<bool, 5> Reasons {}; // the five reasons the medical team ticked
    QString OtherReason;
    QString DischargeDate; // as stored; empty (or 1/1/1900) while the patient is in the hospital
    QString ReferralNo;

    // A discharged patient's referral is no longer changed.
    bool discharged() const;
    // The schedule date set on the referral; nothing when none was.
    std::optional<QDate> scheduleDate() const;
};

// What a save of the approval window stores.
struct ReferralTag {
    QString IdNum;
    QDate DateApproved;
    QString Status;
    QString Remarks;
    QString Category;
    QDate ScheduleDate;
    QString UserID;
    QString ReferralNo;
};

// Reads and tags referrals from the medical team.
class ReferralStore {
public:
    explicit ReferralStore(data::Connection &connection) : m_connection(connection) { }

    static QString noticeListStatement();
    static QString historyStatement(const QString &hospNum, const QString &lastName, const QString &firstName);
    static QString referralStatement(const QString &idNum, const QString &referralNo);
    static QString saveStatement(const ReferralTag &tag);

    // The rows of the notice list and of the history, as the procedures return them.
    data::Recordset notices();
    data::Recordset history(const QString &hospNum, const QString &lastName, const QString &firstName);
    // Nothing when the referral is not (or no longer) on file.
    std::optional<ReferralRecord> load(const QString &idNum, const QString &referralNo);
    void save(const ReferralTag &tag);

private:
    data::Connection &m_connection;
};

} // namespace mss::notices
