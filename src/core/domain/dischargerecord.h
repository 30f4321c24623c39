#pragma once

#include "data/recordset.h"

#include <QString>
#include <QVariant>

#include <optional>

namespace mss::data {
class Connection;
}

namespace mss::notices {

// The picture a discharge notice carries in the list: "clear" once cleared, "open" before.
QString dischargeIconKey(const QVariant &clearDate);

// The discharge notice of one admission, with who cleared it and when once it is cleared.
struct DischargeNoticeRecord {
    QString LastName;
    QString FirstName;
    QString MiddleName;
    QString HospNum;
    QString IDNUM;
    QVariant AdmDate;
    QString Doctor;
    QString RoomID;
    QVariant NoticeDate;
    QVariant OrderedDate;
    QString DischargeNurse;
    QString Remarks;
    std::optional<QString> UserId; // who cleared it; nothing while it is not cleared
    QVariant ClearDate; // null while it is not cleared
    QString ClearRemarks;

    bool cleared() const { return !ClearDate.isNull(); }
};

// The patient's MSS data shown beside the notice.
struct DischargeMssData {
    QString MSSNum;
    QString Category;
    QString Code;
    bool CDF = false;
    bool PCSO = false;
    bool Special = false;
    QString NC; // two decimals, "0.00" when none

    // "with CDF; ", "with PCSO; ", then the special arrangement with its NC unless that is 0.00.
    QString otherInfo() const;
};

// Reads discharge notices and records their clearance.
class DischargeStore {
public:
    explicit DischargeStore(data::Connection &connection) : m_connection(connection) { }

    static QString noticeListStatement();
    static QString noticeStatement(const QString &idNum);
    static QString mssDataStatement(const QString &hospNum, const QString &idNum);
    static QString clearStatement(const QString &idNum, const QString &userCode, const QString &remarks);
    // A clearing remark keeps its apostrophes as backquotes, as the department has always stored them.
    static QString clearingRemark(const QString &typed);

    data::Recordset notices();
    std::optional<DischargeNoticeRecord> load(const QString &idNum);
    std::optional<DischargeMssData> mssData(const QString &hospNum, const QString &idNum);
    void clear(const QString &idNum, const QString &userCode, const QString &remarks);

private:
    data::Connection &m_connection;
};

} // namespace mss::notices
