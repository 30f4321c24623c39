-- The Medical Social Service department's own tables. Dates are ISO text.
-- The schema version of this file, and a digest of the stored procedures it holds.
CREATE TABLE IF NOT EXISTS mss_schema (version INTEGER NOT NULL, procedures TEXT);

-- Catalogues ---------------------------------------------------------------------------------

CREATE TABLE tbMSSClassificationScheme (
    Code           TEXT PRIMARY KEY COLLATE NOCASE CHECK (length(Code) <= 2),
    Classification TEXT NOT NULL
);

-- Discount rates of each class (fractions of the charge discounted); the columns ending in 2
-- are for out-patients, who have no room charge.
CREATE TABLE tbMSSClassification (
    Type        TEXT PRIMARY KEY COLLATE NOCASE,
    Description TEXT,
    Procedures  REAL NOT NULL DEFAULT 0,
    Supplies    REAL NOT NULL DEFAULT 0,
    Medicines   REAL NOT NULL DEFAULT 0,
    Room        REAL NOT NULL DEFAULT 0,
    Procedures2 REAL NOT NULL DEFAULT 0,
    Supplies2   REAL NOT NULL DEFAULT 0,
    Medicines2  REAL NOT NULL DEFAULT 0
);

CREATE TABLE tbMSSParentCategory (
    parentcategoryid TEXT PRIMARY KEY COLLATE NOCASE CHECK (length(parentcategoryid) <= 2),
    parentcategory   TEXT NOT NULL,
    STATUS           TEXT NOT NULL DEFAULT 'A'
);

CREATE TABLE tbMSSCaseCategory (
    categoryid       TEXT PRIMARY KEY COLLATE NOCASE CHECK (length(categoryid) <= 2),
    category         TEXT NOT NULL COLLATE NOCASE,
    parentcategoryid TEXT COLLATE NOCASE,
    STATUS           TEXT NOT NULL DEFAULT 'A'
);

-- Case statuses.
CREATE TABLE tbMSSActive (
    Code       TEXT PRIMARY KEY COLLATE NOCASE,
    CaseStatus TEXT NOT NULL COLLATE NOCASE
);

CREATE TABLE tbMSSReferringParty (
    Code           TEXT PRIMARY KEY COLLATE NOCASE CHECK (length(Code) = 1),
    ReferringParty TEXT NOT NULL COLLATE NOCASE
);

-- Services and activities: hierarchies of codes "1", "1.2", "1.2.3"; ParentCode '0' is the top.
CREATE TABLE tbMSSServiceCategory (
    Code        TEXT PRIMARY KEY COLLATE NOCASE CHECK (length(Code) <= 10),
    Description TEXT NOT NULL,
    ParentCode  TEXT NOT NULL COLLATE NOCASE,
    SortOrder   INTEGER NOT NULL DEFAULT 0
);
CREATE INDEX ixServiceParent ON tbMSSServiceCategory (ParentCode, SortOrder);

CREATE TABLE tbMSSActivity (
    Code        TEXT PRIMARY KEY COLLATE NOCASE CHECK (length(Code) <= 10),
    Description TEXT NOT NULL,
    ParentCode  TEXT NOT NULL COLLATE NOCASE,
    SortOrder   INTEGER NOT NULL DEFAULT 0
);
CREATE INDEX ixActivityParent ON tbMSSActivity (ParentCode, SortOrder);

-- People ------------------------------------------------------------------------------------

CREATE TABLE tbMSSEmployee (
    EmployeeID    TEXT PRIMARY KEY COLLATE NOCASE,
    LastName      TEXT NOT NULL COLLATE NOCASE,
    FirstName     TEXT NOT NULL DEFAULT '' COLLATE NOCASE,
    MiddleName    TEXT NOT NULL DEFAULT '',
    Position      TEXT,
    LicenseNumber TEXT,
    IsSocialWorker INTEGER NOT NULL DEFAULT 1,
    Active        INTEGER NOT NULL DEFAULT 1
);
CREATE INDEX ixEmployeeName ON tbMSSEmployee (LastName, FirstName);

-- Log-ons. The user code is the employee code; the password is a libsodium crypto_pwhash_str
-- hash, never the password itself.
CREATE TABLE tbMSSUser (
    UserCode     TEXT PRIMARY KEY COLLATE NOCASE REFERENCES tbMSSEmployee (EmployeeID),
    PasswordHash TEXT NOT NULL,
    DeptCode     TEXT NOT NULL DEFAULT 'MSS' COLLATE NOCASE,
    Active       INTEGER NOT NULL DEFAULT 1,
    CreatedDate  TEXT NOT NULL,
    PasswordDate TEXT,
    -- The lock-out after wrong passwords: kept here so that a restart or another workstation
    -- gives no fresh tries. LockedUntil is UTC.
    FailedLogOns INTEGER NOT NULL DEFAULT 0,
    LockedUntil  TEXT NULL,
    LockOuts     INTEGER NOT NULL DEFAULT 0
);
CREATE TABLE tbMSSUserRight (
    UserCode  TEXT NOT NULL COLLATE NOCASE REFERENCES tbMSSUser (UserCode) ON DELETE CASCADE,
    RightCode TEXT NOT NULL COLLATE NOCASE,
    PRIMARY KEY (UserCode, RightCode)
);

-- Intake ------------------------------------------------------------------------------------

-- One intake sheet per patient.
CREATE TABLE tbMSSIntakeSheet (
    HospNum              TEXT PRIMARY KEY COLLATE NOCASE,
    IdNum                TEXT COLLATE NOCASE,
    InterviewDate        TEXT,
    Classification       TEXT,
    Category             TEXT,
    Salary               TEXT,
    Education            TEXT,
    Ward                 TEXT,
    LastName             TEXT,
    FirstName            TEXT,
    MiddleName           TEXT,
    HouseStreet          TEXT,
    Barangay             TEXT,
    ZipCode              TEXT,
    TownProvince         TEXT,
    Sex                  TEXT,
    BirthDate            TEXT,
    CivilStatus          TEXT,
    Occupation           TEXT,
    Age                  TEXT,
    TelNo                TEXT,
    SSSMember            TEXT,
    BirthPlace           TEXT,
    Religion             TEXT,
    Employer             TEXT,
    EmployerAddress      TEXT,
    AdmissionDate        TEXT,
    CaseStatus           TEXT,
    DateInterviewed      TEXT,
    ExpiryDate           TEXT,
    MSSNumber            TEXT COLLATE NOCASE CHECK (MSSNumber IS NULL OR length(MSSNumber) <= 10),
    SeniorCitizen        INTEGER NOT NULL DEFAULT 0,
    ReferredBy           TEXT,
    DateReferred         TEXT,
    ReferralAddress      TEXT,
    DSWDSCSR             TEXT,
    AOCert               TEXT,
    CertOfEmployment     TEXT,
    TreasurerMayorOffice TEXT,
    BrgyClearance        TEXT,
    Others               TEXT,
    ChiefComplaint       TEXT,
    Diagnosis            TEXT,
    Treatment            TEXT,
    OtherMDInfo          TEXT,
    Resources            TEXT,
    Expenses             TEXT,
    FinancialProb        INTEGER NOT NULL DEFAULT 0,
    Difficulty           INTEGER NOT NULL DEFAULT 0,
    Aggressiveness       INTEGER NOT NULL DEFAULT 0,
    Refusal              INTEGER NOT NULL DEFAULT 0,
    IrregularCheckUp     INTEGER NOT NULL DEFAULT 0,
    OtherProblem         TEXT,
    HelpingGoals         TEXT,
    ActionTaken          TEXT,
    Philhealth           TEXT,
    InfoSource           TEXT,
    WorkStatus           TEXT,
    DiagnosticImpress    TEXT,
    ReferringParty       TEXT,
    RefPartyID           TEXT,
    CategoryNum          TEXT,
    ClassCode            TEXT,
    MSSW                 TEXT,
    ActiveStatus         TEXT,
    UserID               TEXT,
    SavedDate            TEXT
);
CREATE INDEX ixIntakeMSSNumber ON tbMSSIntakeSheet (MSSNumber);

CREATE TABLE tbMSSFamilyComposition (
    HospNum      TEXT NOT NULL COLLATE NOCASE,
    Seq          INTEGER NOT NULL,
    FamilyMember TEXT NOT NULL,
    Relationship TEXT,
    Age          TEXT,
    CivilStatus  TEXT,
    Education    TEXT,
    Address      TEXT,
    Occupation   TEXT,
    Income       REAL NOT NULL DEFAULT 0,
    TotalIncome  REAL NOT NULL DEFAULT 0,
    PRIMARY KEY (HospNum, Seq)
);

-- Assessment and referral record: one per admission (also written by the intake save, which
-- classifies the admission).
CREATE TABLE tbMSSAssessment (
    IdNum            TEXT PRIMARY KEY COLLATE NOCASE,
    HospNum          TEXT NOT NULL COLLATE NOCASE,
    MSSNum           TEXT COLLATE NOCASE CHECK (MSSNum IS NULL OR length(MSSNum) <= 10),
    Code             TEXT COLLATE NOCASE,          -- classification code
    Category         TEXT,
    CategoryID       TEXT,
    ParentCategoryID TEXT,
    Remarks          TEXT,
    IntakeDate       TEXT,
    ExpiryDate       TEXT,
    MSSW             TEXT,                          -- social worker's employee code
    MSSWName         TEXT,
    UserID           TEXT,
    IsPCSO           INTEGER NOT NULL DEFAULT 0,
    IsCDF            INTEGER NOT NULL DEFAULT 0,
    IsSpecial        INTEGER NOT NULL DEFAULT 0,
    NC               REAL NOT NULL DEFAULT 0,
    PCSOType         TEXT,
    ReferringPartyID TEXT,
    Active           TEXT,
    CaseStatus       TEXT,
    ServiceID        TEXT,
    AssessDate       TEXT NOT NULL,
    UpdatedDate      TEXT
);
CREATE INDEX ixAssessmentHosp   ON tbMSSAssessment (HospNum);
CREATE INDEX ixAssessmentMSSNum ON tbMSSAssessment (MSSNum);
CREATE INDEX ixAssessmentDate   ON tbMSSAssessment (AssessDate);

-- Classification transactions: one per ARR save.
CREATE TABLE tbMSSTransaction (
    TransID    INTEGER PRIMARY KEY,
    HospNum    TEXT NOT NULL COLLATE NOCASE,
    IdNum      TEXT NOT NULL COLLATE NOCASE,
    MSSNum     TEXT,
    Code       TEXT,
    IntakeDate TEXT,
    ExpiryDate TEXT,
    Category   TEXT,
    MSSW       TEXT,
    UserID     TEXT,
    Remarks    TEXT,
    TransDate  TEXT NOT NULL
);
CREATE INDEX ixTransactionHosp ON tbMSSTransaction (HospNum, TransDate);
CREATE INDEX ixTransactionDate ON tbMSSTransaction (TransDate);

-- Case history and documentation of an admission.
CREATE TABLE tbMSSCaseHistory (
    HospNum     TEXT NOT NULL COLLATE NOCASE,
    IdNum       TEXT NOT NULL COLLATE NOCASE,
    Active      TEXT,
    CaseStatus  TEXT,
    Docs        TEXT,
    IntakeDate  TEXT,
    UserID      TEXT,
    MSSW        TEXT,
    ActivityID  TEXT,
    UpdatedDate TEXT NOT NULL,
    PRIMARY KEY (HospNum, IdNum)
);
CREATE INDEX ixCaseHistoryDate ON tbMSSCaseHistory (UpdatedDate);

-- Pay/service changes of an admission, and the entries deleted from that history.
CREATE TABLE tbMSSPatClassHistory (
    HistoryID    INTEGER PRIMARY KEY,
    IdNum        TEXT NOT NULL COLLATE NOCASE,
    HospNum      TEXT COLLATE NOCASE,
    TransDate    TEXT NOT NULL,
    PatientClass TEXT NOT NULL,
    UserID       TEXT
);
CREATE INDEX ixPatClassHistory ON tbMSSPatClassHistory (IdNum, TransDate);

CREATE TABLE tbMSSPatClassHistoryDeletion (
    DeletionID   INTEGER PRIMARY KEY,
    HistoryID    INTEGER,
    IdNum        TEXT NOT NULL COLLATE NOCASE,
    TransDate    TEXT,
    PatientClass TEXT,
    EntryUserID  TEXT,
    Reason       TEXT NOT NULL,
    DeletedBy    TEXT,
    DeletedDate  TEXT NOT NULL
);

-- Referrals and discharge notices -------------------------------------------------------------

-- Referrals sent by the medical team. Status: 'P' pending, 'A' include to bill,
-- 'D' for justification, 'C' for cash basis.
CREATE TABLE tbMSSReferralNotice (
    ReferralNo   INTEGER PRIMARY KEY,
    IdNum        TEXT NOT NULL COLLATE NOCASE,
    HospNum      TEXT NOT NULL COLLATE NOCASE,
    Diagnosis    TEXT,
    Category     TEXT,
    ReferralDate TEXT,
    ReferredBy   TEXT,
    Tick1        TEXT NOT NULL DEFAULT 'N',
    Tick2        TEXT NOT NULL DEFAULT 'N',
    Tick3        TEXT NOT NULL DEFAULT 'N',
    Tick4        TEXT NOT NULL DEFAULT 'N',
    Tick5        TEXT NOT NULL DEFAULT 'N',
    Others       TEXT,
    Status       TEXT NOT NULL DEFAULT 'P' CHECK (Status IN ('P', 'A', 'D', 'C')),
    Remarks      TEXT,
    ScheduleDate TEXT,
    DateApproved TEXT,
    ApprovedBy   TEXT
);
CREATE INDEX ixReferralStatus ON tbMSSReferralNotice (Status);
CREATE INDEX ixReferralIdNum  ON tbMSSReferralNotice (IdNum);
CREATE INDEX ixReferralHosp   ON tbMSSReferralNotice (HospNum);

-- Discharge notices filed by the ward, cleared by the department.
CREATE TABLE tbMSSDischargeNotice (
    NoticeID       INTEGER PRIMARY KEY,
    IdNum          TEXT NOT NULL COLLATE NOCASE,
    HospNum        TEXT NOT NULL COLLATE NOCASE,
    NoticeDate     TEXT,
    OrderedDate    TEXT,
    DischargeNurse TEXT,
    Remarks        TEXT,
    UserId         TEXT,
    ClearDate      TEXT,
    ClearRemarks   TEXT,
    Revoked        INTEGER NOT NULL DEFAULT 0,
    RevokedDate    TEXT,
    RevokedBy      TEXT
);
CREATE INDEX ixDischargeIdNum ON tbMSSDischargeNotice (IdNum);
CREATE INDEX ixDischargeNoticeDate ON tbMSSDischargeNotice (NoticeDate);
CREATE INDEX ixDischargeOpen ON tbMSSDischargeNotice (ClearDate);
