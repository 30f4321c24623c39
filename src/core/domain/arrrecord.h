#pragma once

#include "data/recordset.h"

#include <QList>
#include <QString>

#include <optional>
#include <utility>

namespace mss::data {
class Connection;
}

namespace mss::referral {

struct ArrSaveValues;

// An admission's assessment-and-referral record as the stored record (or a new patient's
// identity) gives it. Dates are the texts the database holds.
struct ArrRecord {
    QString LastName;
    QString FirstName;
    QString MiddleName;
    QString HospNum;
    QString IdNum;
    QString MSSNum;
    QString DoctorName;
    QString RoomID;
    QString ValidityDate;
    QString ExpiryDate;
    QString ClassCode;
    QString MSSWName;
    QString WorkerCode;
    QString NC;
    QString Remarks;
    bool IsCDF = false;
    bool IsPCSO = false;
    bool IsSpecial = false;
    QString PcsoType;
    QString CaseCategory;
    QString ParentCategory;
    QString ReferringPartyId;
    QString ServiceCodes;
};

// The documentation, case status and activities of an admission.
struct CaseHistory {
    QString Docs;
    QString CaseStatus;
    QString CaseDescription;
    QString ActivityCodes;
    bool Active = false;
};

// What the patient master says about the patient's classification.
struct MasterClassification {
    QString MSSNum;
    QString ValidityDate;
};

struct SocialWorker {
    QString Name;
    QString LicenseNumber;
};

struct CaseNumberOwner {
    QString HospNum;
    QString PatientName;
};

// A code with the text it is shown by.
using CodeEntry = std::pair<QString, QString>;

// One of the two catalogues of the pickers: services or activities.
struct Catalogue {
    QString childrenProcedure; // called with a parent code, "0" for the top level
    QString itemQuery; // followed by the quoted code
    static const Catalogue &services();
    static const Catalogue &activities();
};

// Reads and stores assessment-and-referral records on one connection.
class ArrStore {
public:
    explicit ArrStore(data::Connection &connection) : m_connection(connection) { }

    // The lookup lists of the window, as (code, text) in the order they are shown.
    QList<CodeEntry> classifications() const;
    QList<CodeEntry> referringParties() const;
    QList<CodeEntry> caseStatuses() const;
    QList<CodeEntry> parentCategories() const; // (id, name)
    QList<CodeEntry> caseCategories() const; // (id, name), by id

    std::optional<MasterClassification> masterClassification(const QString &hospNum) const;
    // The pay or service class of an admission ("" when it is not registered).
    QString patientClass(const QString &idNum) const;
    // The classification expiry the patient master holds, trimmed ("" without a row).
    QString masterExpiry(const QString &hospNum) const;
    std::optional<ArrRecord> payPatientInfo(const QString &idNum) const;
    std::optional<ArrRecord> assessmentRecord(const QString &idNum) const;
    std::optional<CaseHistory> caseHistory(const QString &hospNum, const QString &idNum) const;

    // Turns a pay admission into a service one, with its history entry, all in one transaction:
    // either every class is changed and the entry written, or nothing is.
    void convertToServicePatient(const QString &idNum, const QString &userCode) const;

    std::optional<SocialWorker> socialWorker(const QString &employeeCode) const;
    data::Recordset previousAssessments(const QString &hospNum) const;
    // Stored records for reprinting, found by a search text (a hospital number, or what was typed).
    data::Recordset reprintRows(const QString &searchText) const;
    // The other patient holding the MSS number; nothing when it is free or the patient's own.
    std::optional<CaseNumberOwner> otherOwnerOf(const QString &mssNum, const QString &hospNum) const;
    // The code of a case status by its text; nothing when none has that text.
    std::optional<QString> caseStatusCode(const QString &caseStatus) const;
    bool isCompanyAccount(const QString &idNum) const;

    // The pickers' catalogue: the children of a code, and an item by its code.
    QList<CodeEntry> children(const Catalogue &catalogue, const QString &parentCode) const;
    std::optional<QString> itemDescription(const Catalogue &catalogue, const QString &code) const;

    // Runs the save's statements in order on an open transaction, raising the first error the
    // connection reports after any of them.
    void writeAssessment(const ArrSaveValues &values) const;
    // The same in a transaction of its own: committed whole or rolled back.
    void saveAssessment(const ArrSaveValues &values) const;

    data::Connection &connection() const { return m_connection; }

private:
    QList<CodeEntry> entries(const QString &statement, const QString &code, const QString &text) const;
    void raiseReportedError() const;

    data::Connection &m_connection;
};

} // namespace mss::referral
