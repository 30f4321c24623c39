-- The views the program's reports read where the hospital's own tables are not described to
-- the program: one place to map them. Each view states what it must return; the SELECT below it
-- is this program's guess at the suite's tables (the embedded demo hospital has them so), and a
-- DBA replaces it with the hospital's own tables and columns, keeping the view's name and its
-- column list. `mss-db check --odbc` names every column a report reads that a view or table lacks.
--
-- Run it after deploy.sql (which creates the roles), as the same administrator:
--     sqlcmd -S host\instance -d MSS -b -i db/sqlserver/report-views.sql
-- Each view is created with CREATE OR ALTER, so a view that does not fit the hospital's tables
-- stops the script with the server's message and leaves the view of an earlier run as it was.
-- Map that view and run the script again.
--
-- Each view lives in the database of its data: there the department's role needs SELECT on the
-- view only, not on the tables behind it.
USE [MSS];
GO

-- Every admission of a patient, whatever its kind, one row per admission: IdNum, HospNum, Kind
-- ('I' in-patient, 'O' out-patient, 'E' ER), AdmDate and DcrDate (discharge; null while admitted),
-- RoomID ('OPD' and 'ER' for visits), DoctorID (the attending doctor), PatientClass ('P' pay,
-- 'S' service), AccountNum (the account the bill is charged to), Diagnosis and BillingDate.
CREATE OR ALTER VIEW dbo.vwMSSAdmission (
    IdNum, HospNum, Kind, AdmDate, DcrDate, RoomID, DoctorID, PatientClass, AccountNum, Diagnosis, BillingDate
) AS
SELECT
    IdNum,
    HospNum,
    'I',
    AdmDate,
    DcrDate,
    RoomID,
    DoctorID,
    PatientClass,
    AccountNum,
    AdmittingDiagnosis,
    BillingDate
FROM PATIENT_DATA.dbo.tbPatient2
UNION ALL
SELECT
    IdNum,
    HospNum,
    'O',
    AdmDate,
    DcrDate,
    'OPD',
    DoctorID,
    PatientType,
    AccountNum,
    Diagnosis,
    BillingDate
FROM PATIENT_DATA.dbo.tbOutPatient
UNION ALL
SELECT
    IdNum,
    HospNum,
    'E',
    AdmDate,
    DcrDate,
    'ER',
    DoctorID,
    PatientClassification,
    AccountNum,
    Diagnosis,
    BillingDate
FROM PATIENT_DATA.dbo.tbERMaster;
GO

-- It reads PATIENT_DATA, whose admissions the department's role may read there.
GRANT SELECT ON OBJECT::dbo.vwMSSAdmission TO MSSDepartment;
GO

-- The department's employees (social workers), one row per employee: EmployeeID the employee
-- code the program stores as the user of a record (tbMSSUser.UserCode, tbMSSAssessment.MSSW), and
-- the employee's LastName and FirstName.
CREATE OR ALTER VIEW dbo.vwMSSEmployee (
    EmployeeID, LastName, FirstName
) AS
SELECT
    EmployeeID,
    LastName,
    FirstName
FROM dbo.tbMSSEmployee;
GO

GRANT SELECT ON OBJECT::dbo.vwMSSEmployee TO MSSDepartment;
GO

-- The case history of an admission, one row per admission with an ARR (HospNum, IdNum): the
-- social worker (MSSW, employee code), the activities done (ActivityID, activity codes each
-- followed by "|"), the documents kept (Docs, check values each followed by "|"), CaseStatus and
-- Active as the ARR stored them, UserID and UpdatedDate (when the ARR was last saved).
CREATE OR ALTER VIEW dbo.vwMSSCaseHistory (
    HospNum, IdNum, Active, CaseStatus, Docs, UserID, MSSW, ActivityID, UpdatedDate
) AS
SELECT
    HospNum,
    IdNum,
    Active,
    CaseStatus,
    Docs,
    UserID,
    MSSW,
    ActivityID,
    UpdatedDate
FROM dbo.tbMSSCaseHistory;
GO

GRANT SELECT ON OBJECT::dbo.vwMSSCaseHistory TO MSSDepartment;
GO

-- Discharge notices filed by the wards, one row per notice: NoticeID, HospNum, IdNum, when the
-- discharge was ordered (OrderedDate) and the notice filed (NoticeDate), the DischargeNurse,
-- ClearDate (null until the department cleared the patient), Revoked (1 when revoked) with
-- RevokedBy and RevokedDate, and Remarks.
CREATE OR ALTER VIEW dbo.vwMSSDischargeNotice (
    NoticeID, IdNum, HospNum, NoticeDate, OrderedDate, DischargeNurse, Remarks, ClearDate, Revoked,
    RevokedDate, RevokedBy
) AS
SELECT
    NoticeID,
    IdNum,
    HospNum,
    NoticeDate,
    OrderedDate,
    DischargeNurse,
    Remarks,
    ClearDate,
    Revoked,
    RevokedDate,
    RevokedBy
FROM dbo.tbMSSDischargeNotice;
GO

GRANT SELECT ON OBJECT::dbo.vwMSSDischargeNotice TO MSSDepartment;
GO

-- The family composition of a patient's intake sheet, one row per household member, keyed by
-- HospNum and Seq (the row's place on the sheet): FamilyMember, Relationship, Age, CivilStatus,
-- Education, Occupation and the member's monthly Income (a number).
CREATE OR ALTER VIEW dbo.vwMSSFamilyComposition (
    HospNum, Seq, FamilyMember, Relationship, Age, CivilStatus, Education, Occupation, Income
) AS
SELECT
    HospNum,
    Seq,
    FamilyMember,
    Relationship,
    Age,
    CivilStatus,
    Education,
    Occupation,
    Income
FROM dbo.tbMSSFamilyComposition;
GO

GRANT SELECT ON OBJECT::dbo.vwMSSFamilyComposition TO MSSDepartment;
GO

-- The stored intake sheet of a patient, one row per HospNum, with the columns the intake window
-- saves through MSS..sp_MSS_SaveIntakeSheetData under the same names (see the intake sheet's
-- report for how each is printed).
CREATE OR ALTER VIEW dbo.vwMSSIntakeSheet (
    HospNum, IdNum, InterviewDate, Classification, Category, Salary, Education, Ward, LastName,
    FirstName, MiddleName, HouseStreet, Barangay, ZipCode, TownProvince, Sex, BirthDate, CivilStatus,
    Occupation, Age, TelNo, SSSMember, BirthPlace, Religion, Employer, EmployerAddress, AdmissionDate,
    CaseStatus, DateInterviewed, ExpiryDate, MSSNumber, SeniorCitizen, ReferredBy, DateReferred,
    ReferralAddress, DSWDSCSR, AOCert, CertOfEmployment, TreasurerMayorOffice, BrgyClearance, Others,
    ChiefComplaint, Diagnosis, Treatment, OtherMDInfo, Resources, Expenses, FinancialProb, Difficulty,
    Aggressiveness, Refusal, IrregularCheckUp, OtherProblem, HelpingGoals, ActionTaken, Philhealth,
    InfoSource, WorkStatus, DiagnosticImpress, ReferringParty, ClassCode, MSSW, ActiveStatus
) AS
SELECT
    HospNum,
    IdNum,
    InterviewDate,
    Classification,
    Category,
    Salary,
    Education,
    Ward,
    LastName,
    FirstName,
    MiddleName,
    HouseStreet,
    Barangay,
    ZipCode,
    TownProvince,
    Sex,
    BirthDate,
    CivilStatus,
    Occupation,
    Age,
    TelNo,
    SSSMember,
    BirthPlace,
    Religion,
    Employer,
    EmployerAddress,
    AdmissionDate,
    CaseStatus,
    DateInterviewed,
    ExpiryDate,
    MSSNumber,
    SeniorCitizen,
    ReferredBy,
    DateReferred,
    ReferralAddress,
    DSWDSCSR,
    AOCert,
    CertOfEmployment,
    TreasurerMayorOffice,
    BrgyClearance,
    Others,
    ChiefComplaint,
    Diagnosis,
    Treatment,
    OtherMDInfo,
    Resources,
    Expenses,
    FinancialProb,
    Difficulty,
    Aggressiveness,
    Refusal,
    IrregularCheckUp,
    OtherProblem,
    HelpingGoals,
    ActionTaken,
    Philhealth,
    InfoSource,
    WorkStatus,
    DiagnosticImpress,
    ReferringParty,
    ClassCode,
    MSSW,
    ActiveStatus
FROM dbo.tbMSSIntakeSheet;
GO

GRANT SELECT ON OBJECT::dbo.vwMSSIntakeSheet TO MSSDepartment;
GO

-- Classification transactions, one row per ARR saved (MSS..sp_MSS_SaveTransaction): TransID,
-- TransDate, HospNum, IdNum, MSSNum, the classification Code and Category, IntakeDate,
-- ExpiryDate, the social worker (MSSW) and Remarks.
CREATE OR ALTER VIEW dbo.vwMSSTransaction (
    TransID, HospNum, IdNum, MSSNum, Code, IntakeDate, ExpiryDate, Category, MSSW, Remarks, TransDate
) AS
SELECT
    TransID,
    HospNum,
    IdNum,
    MSSNum,
    Code,
    IntakeDate,
    ExpiryDate,
    Category,
    MSSW,
    Remarks,
    TransDate
FROM dbo.tbMSSTransaction;
GO

GRANT SELECT ON OBJECT::dbo.vwMSSTransaction TO MSSDepartment;
GO

USE [PATIENT_DATA];
GO

-- The hospital's doctors, one row per doctor: DoctorID (the code the admissions carry) and the
-- doctor's LastName and FirstName.
CREATE OR ALTER VIEW dbo.vwMSSDoctor (
    DoctorID, LastName, FirstName
) AS
SELECT
    DoctorID,
    LastName,
    FirstName
FROM dbo.tbDoctor;
GO

GRANT SELECT ON OBJECT::dbo.vwMSSDoctor TO MSSDepartment;
GO

-- The hospital's rooms, one row per room: RoomID (the code the in-patient admissions carry), its
-- Station (ward) and its daily RoomRate (a number).
CREATE OR ALTER VIEW dbo.vwMSSRoom (
    RoomID, Station, RoomRate
) AS
SELECT
    RoomID,
    Station,
    RoomRate
FROM dbo.tbRoom;
GO

GRANT SELECT ON OBJECT::dbo.vwMSSRoom TO MSSDepartment;
GO

-- Religions, one row per code: ReligionID (the code tbMaster.ReligionID holds) and its Description.
CREATE OR ALTER VIEW dbo.vwMSSReligion (
    ReligionID, Description
) AS
SELECT
    ReligionID,
    Description
FROM dbo.tbReligion;
GO

GRANT SELECT ON OBJECT::dbo.vwMSSReligion TO MSSDepartment;
GO

-- Addresses for the address search, one row per barangay: its ZipCode, the Barangay, its Town
-- and Province.
CREATE OR ALTER VIEW dbo.vwMSSZipCode (
    ZipCode, Barangay, Town, Province
) AS
SELECT
    ZipCode,
    Barangay,
    Town,
    Province
FROM dbo.tbZipCode;
GO

GRANT SELECT ON OBJECT::dbo.vwMSSZipCode TO MSSDepartment;
GO

USE [BILLING];
GO

-- Revenue codes, one row per code of the bill lines (RevenueID): the Department it is printed
-- under, IsCharge (1 for a charge, 0 for discounts and payments, such as 'QF', the MSS discount)
-- and SortOrder (the order of the departments on a statement).
CREATE OR ALTER VIEW dbo.vwMSSRevenueCode (
    RevenueID, Department, IsCharge, SortOrder
) AS
SELECT
    RevenueID,
    Department,
    IsCharge,
    SortOrder
FROM dbo.tbBillRevenueCode;
GO

GRANT SELECT ON OBJECT::dbo.vwMSSRevenueCode TO MSSDepartment;
GO

-- Payments, one row per receipt: the admission it pays (IdNum) and its Amount (a number).
CREATE OR ALTER VIEW dbo.vwMSSPayment (
    IdNum, Amount
) AS
SELECT
    IdNum,
    Amount
FROM dbo.tbBillPayment;
GO

GRANT SELECT ON OBJECT::dbo.vwMSSPayment TO MSSDepartment;
GO

-- Medicare (PhilHealth) benefits, one or more rows per admission (IdNum) with the Amount covered.
CREATE OR ALTER VIEW dbo.vwMSSMedicareBenefit (
    IdNum, Amount
) AS
SELECT
    IdNum,
    Amount
FROM dbo.tbBillMedicareBenefit;
GO

GRANT SELECT ON OBJECT::dbo.vwMSSMedicareBenefit TO MSSDepartment;
GO

-- Company accounts, one row per AccountNum (the account an admission is charged to) with the
-- Company's name.
CREATE OR ALTER VIEW dbo.vwMSSCompany (
    AccountNum, Company
) AS
SELECT
    AccountNum,
    Company
FROM dbo.tbBillCompany;
GO

GRANT SELECT ON OBJECT::dbo.vwMSSCompany TO MSSDepartment;
GO

-- Sponsor-fund (CDF) allocations granted to patients: HospNum, IdNum, the Sponsor, AllocatedFund
-- and UtilizedFund (numbers), AllocationDate and ApprovedBy.
CREATE OR ALTER VIEW dbo.vwMSSCDFAllocation (
    HospNum, IdNum, Sponsor, AllocationDate, AllocatedFund, UtilizedFund, ApprovedBy
) AS
SELECT
    HospNum,
    IdNum,
    Sponsor,
    AllocationDate,
    AllocatedFund,
    UtilizedFund,
    ApprovedBy
FROM dbo.tbBillCDFAllocation;
GO

GRANT SELECT ON OBJECT::dbo.vwMSSCDFAllocation TO MSSDepartment;
GO

USE [MSS];
GO
