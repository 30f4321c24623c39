#pragma once

#include <QString>

namespace mss::intake {

// The values of the statements that store an intake sheet, each named as the procedure names its
// parameter and declared in the order the procedure takes them. Texts go in as they are sent:
// dates and flags already written the way the statement wants them.

// The identifying part of the sheet.
struct IntakeSheetData {
    QString HospNum;
    QString InterviewDate;
    QString Classification;
    QString Category;
    QString Salary;
    QString Education;
    QString Ward;
    QString LastName;
    QString FirstName;
    QString MiddleName;
    QString HouseStreet;
    QString Barangay;
    QString ZipCode;
    QString TownProvince;
    QString Sex;
    QString BirthDate;
    QString CivilStatus;
    QString Occupation;
    QString Age;
    QString TelNo;
    QString SSSMember;
    QString BirthPlace;
    QString Religion;
    QString Employer;
    QString EmployerAddress;
    QString IdNum;
    QString AdmissionDate;
    QString CaseStatus;
    QString DateInterviewed;
    QString ExpiryDate;
    QString MSSNumber;
    QString SeniorCitizen;
};

// The referral, documents, medical data, problems and plans.
struct OtherPatientInfo {
    QString HospNum;
    QString ReferredBy;
    QString DateReferred;
    QString ReferralAddress;
    QString DSWDSCSR;
    QString AOCert;
    QString CertOfEmployment;
    QString MayorsOffice;
    QString BarangayClearance;
    QString Others;
    QString Treatment;
    QString OtherMDInfo;
    QString Resources;
    QString Expenses;
    QString FinancialProb;
    QString Difficulty;
    QString Aggressiveness;
    QString Refusal;
    QString IrregularCheckUp;
    QString OtherProblem;
    QString HelpingGoals;
    QString ActionTaken;
    QString Philhealth;
    QString InfoSource;
    QString WorkStatus;
    QString DiagnosticImpress;
    QString ReferringParty;
};

// The classification of the admission.
struct PatientClassification {
    QString HospNum;
    QString IdNum;
    QString MSSNum;
    QString ClassCode;
    QString Category;
    QString CategoryID;
    QString InterviewDate;
    QString ExpiryDate;
    QString MSSW;
    QString UserID;
    QString RefPartyID;
    QString CaseStatus;
    QString Active;
};

// One household member of the family composition, with the family's total income.
struct FamilyMemberData {
    QString HospNum;
    QString FamilyMember;
    QString Relationship;
    QString Age;
    QString CivilStatus;
    QString Education;
    QString Address;
    QString Occupation;
    QString Income;
    QString TotalIncome;
};

// Every value is quoted safely; the separators are those the procedures have always been sent.
QString saveIntakeSheetDataStatement(const IntakeSheetData &values);
QString saveOtherPatientInfoStatement(const OtherPatientInfo &values);
QString savePatientDataStatement(const PatientClassification &values);
QString clearFamilyCompositionStatement(const QString &hospitalNumber);
QString saveFamilyCompositionStatement(const FamilyMemberData &values);

} // namespace mss::intake
