#pragma once

#include <QDate>
#include <QString>
#include <QStringList>

#include <optional>

namespace mss::data {
class Connection;
}

namespace mss::intake {

// The intake sheet as its window holds it: one member per entry field, named after what it holds.
// A date that is null stands for an empty date picker.
struct IntakeRecord {
    enum class Sex { None, Male, Female };

    // Who the sheet is for.
    QString HospNum;
    QString IdNum;

    // Head.
    QString HospitalNumber;
    QString MSSNumber;
    QString AdmissionDate;
    QString Ward;
    QDate InterviewDate;
    QDate ExpiryDate;
    QString ClassCode;
    QString Classification;
    QString Category;
    QString CategoryCode;
    bool SeniorCitizen = false;
    QString CaseStatus;
    QString CaseStatusCode;
    bool Active = false;

    // Identifying data.
    QString LastName;
    QString FirstName;
    QString MiddleName;
    QString Age;
    Sex sex = Sex::None;
    int CivilStatus = -1; // the index of the civil-status button; -1 when none is selected
    QString Religion;
    QString Education;
    QString Occupation;
    QString BirthDate; // as typed, "MM/dd/yyyy"; empty when nothing was typed
    QString BirthPlace;
    QString HouseStreet;
    QString Barangay;
    QString TownProvince;
    QString ZipCode;
    QString TelNo;
    QString Employer;
    QString WorkStatus;
    QString EmployerAddress;
    QString Salary;
    QString SSSMember;
    QString Philhealth;
    QString InfoSource;

    // Referral and documents.
    QString ReferringParty;
    QString ReferringPartyCode;
    QString ReferredBy;
    QDate DateReferred;
    QString ReferralAddress;
    QString DSWDSCSR;
    QString AOCert;
    QString CertOfEmployment;
    QString MayorsOffice;
    QString BarangayClearance;
    QString Others;

    // Medical data.
    QString ChiefComplaint;
    QString Diagnosis;
    QString Treatment;
    QString OtherMDInfo;

    // Other significant data.
    QString Expenses;
    QString Resources;
    bool FinancialProb = false;
    bool Refusal = false;
    bool Aggressiveness = false;
    bool Difficulty = false;
    bool IrregularCheckUp = false;
    QString OtherProblem;
    QString DiagnosticImpress;
    QString HelpingGoals;
    QString ActionTaken;
    QString MSSW;
};

// The lists the sheet's boxes offer; ClassNames go with ClassCodes, row by row.
struct IntakeLookups {
    QStringList Categories;
    QStringList ClassCodes;
    QStringList ClassNames;
    QStringList CaseStatuses;
    QStringList ReferringParties;
};

// The patient who already holds an MSS number.
struct CaseNumberHolder {
    QString HospNum;
    QString PatientName;
};

// Reads and stores an intake sheet. Each load step overlays what the database holds on the record
// it is given and leaves alone what it does not read, so the window can layer them as it opens.
class IntakeSheetStore {
public:
    explicit IntakeSheetStore(data::Connection &connection) : m_connection(connection) { }

    // The classification of the record's admission, when it has one.
    void loadCurrentClassification(IntakeRecord &record) const;
    // The admission date and ward of an out-patient visit; false when the visit is not registered.
    bool loadOutPatientVisit(IntakeRecord &record) const;
    // The stored classification head of the patient's sheet.
    void loadStoredHead(IntakeRecord &record) const;
    // The rest of the stored sheet; false when the patient has none. A problem or check-up that is
    // not stored as ticked leaves the record's own flag as it was.
    bool loadStoredSheet(IntakeRecord &record) const;
    IntakeLookups lookups() const;

    // The code of the entry whose text is given; nothing when no entry has that text.
    std::optional<QString> referringPartyCode(const QString &text) const;
    std::optional<QString> caseStatusCode(const QString &text) const;
    std::optional<QString> categoryCode(const QString &text) const;

    std::optional<QString> employeeName(const QString &employeeCode) const;
    // The other patient who holds the MSS number; nothing when it is free or the patient's own.
    std::optional<CaseNumberHolder> otherHolderOf(const QString &mssNumber, const QString &hospitalNumber) const;

    // The text a civil-status index is stored as; nothing for an index that cannot be stored.
    static std::optional<QString> civilStatusText(int index);
    // Stores the sheet and the admission's classification. The record must have a civil status that
    // can be stored. Raises the first error the connection holds after the last statement.
    void save(const IntakeRecord &record, const QString &employeeCode) const;

private:
    std::optional<QString> codeOf(const QString &statement, const QString &text, const QString &column) const;

    data::Connection &m_connection;
};

} // namespace mss::intake
