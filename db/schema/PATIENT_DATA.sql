-- Patients, admissions and the hospital's identity. Dates are ISO text.
-- The schema version of this file, and a digest of the stored procedures it holds.
CREATE TABLE IF NOT EXISTS mss_schema (version INTEGER NOT NULL, procedures TEXT);

CREATE TABLE tbHospitalInfo (
    Company       TEXT NOT NULL,
    Address1      TEXT,
    Address2      TEXT,
    Title         TEXT,
    TinNo         TEXT,
    MTSServerName TEXT
);

CREATE TABLE tbReligion (
    ReligionID  TEXT PRIMARY KEY COLLATE NOCASE,
    Description TEXT NOT NULL
);

-- Barangays, towns and provinces with their zip codes: the address search reads these.
CREATE TABLE tbZipCode (
    ZipCode  TEXT NOT NULL COLLATE NOCASE,
    Barangay TEXT COLLATE NOCASE,
    Town     TEXT NOT NULL COLLATE NOCASE,
    Province TEXT NOT NULL COLLATE NOCASE
);
CREATE INDEX ixZipCode ON tbZipCode (ZipCode);
CREATE INDEX ixZipTown ON tbZipCode (Town);

CREATE TABLE tbDoctor (
    DoctorID   TEXT PRIMARY KEY COLLATE NOCASE,
    LastName   TEXT NOT NULL,
    FirstName  TEXT,
    MiddleName TEXT,
    Specialty  TEXT
);

CREATE TABLE tbRoom (
    RoomID   TEXT PRIMARY KEY COLLATE NOCASE,
    Station  TEXT,
    RoomType TEXT,
    RoomRate REAL NOT NULL DEFAULT 0
);

-- One row per patient for life. The MSS columns are written only by the MSS procedures.
CREATE TABLE tbMaster (
    HospNum             TEXT PRIMARY KEY COLLATE NOCASE,
    LastName            TEXT NOT NULL COLLATE NOCASE,
    FirstName           TEXT NOT NULL DEFAULT '' COLLATE NOCASE,
    MiddleName          TEXT NOT NULL DEFAULT '' COLLATE NOCASE,
    Sex                 TEXT,                -- 'M' or 'F'
    BirthDate           TEXT,
    BirthPlace          TEXT,
    CivilStatus         TEXT,                -- '1' single, '2' separated, '3' married, '4' widowed, '5' divorced
    ReligionID          TEXT,
    Occupation          TEXT,
    HouseStreet         TEXT,
    Barangay            TEXT,
    Town                TEXT,
    Province            TEXT,
    ZipCode             TEXT,
    TelNumber           TEXT,
    Employer            TEXT,
    EmployerAddress     TEXT,
    PatientStatus       TEXT,                -- employment status
    SSSGSIS             TEXT,
    MSSNum              TEXT COLLATE NOCASE CHECK (MSSNum IS NULL OR length(MSSNum) <= 10),
    MSSClassification   TEXT,
    MSSDiscountExpiry   TEXT,
    MSSDiscountValidity TEXT,
    RegisteredDate      TEXT
);
CREATE INDEX ixMasterName   ON tbMaster (LastName, FirstName, MiddleName);
CREATE INDEX ixMasterFirst  ON tbMaster (FirstName);
CREATE INDEX ixMasterMiddle ON tbMaster (MiddleName);
CREATE INDEX ixMasterMSSNum ON tbMaster (MSSNum) WHERE MSSNum IS NOT NULL AND MSSNum <> '';

-- In-patient admissions: the admission number is all digits.
CREATE TABLE tbPatient2 (
    IdNum               TEXT PRIMARY KEY COLLATE NOCASE,
    HospNum             TEXT NOT NULL COLLATE NOCASE REFERENCES tbMaster (HospNum),
    AdmDate             TEXT NOT NULL,
    DcrDate             TEXT,
    RoomID              TEXT COLLATE NOCASE,
    DoctorID            TEXT,
    ReferringDoctor     TEXT,
    PatientClass        TEXT NOT NULL DEFAULT 'P',   -- 'P' pay, 'S' service
    AccountNum          TEXT COLLATE NOCASE,         -- company account charged, if any
    OPDIdNum            TEXT COLLATE NOCASE,         -- the out-patient visit the admission came from
    ChiefComplaint      TEXT,
    AdmittingDiagnosis  TEXT,
    Procedures          TEXT,
    AdmittingImpression TEXT,
    Remarks             TEXT,
    NewAdmission        INTEGER NOT NULL DEFAULT 1,
    BillingDate         TEXT
);
CREATE INDEX ixPatient2Hosp ON tbPatient2 (HospNum);
CREATE INDEX ixPatient2Adm  ON tbPatient2 (AdmDate);
CREATE INDEX ixPatient2Dcr  ON tbPatient2 (DcrDate);

-- Out-patient visits (admission numbers with letters, some ending in "B").
CREATE TABLE tbOutPatient (
    IdNum        TEXT PRIMARY KEY COLLATE NOCASE,
    HospNum      TEXT NOT NULL COLLATE NOCASE REFERENCES tbMaster (HospNum),
    AdmDate      TEXT NOT NULL,
    DcrDate      TEXT,
    Clinic       TEXT,
    DoctorID     TEXT,
    PatientType  TEXT NOT NULL DEFAULT 'P',          -- 'P' pay, 'S' service
    AccountNum   TEXT COLLATE NOCASE,
    Diagnosis    TEXT,
    BillingDate  TEXT
);
CREATE INDEX ixOutPatientHosp ON tbOutPatient (HospNum);
CREATE INDEX ixOutPatientAdm  ON tbOutPatient (AdmDate);

-- Emergency-room visits.
CREATE TABLE tbERMaster (
    IdNum                 TEXT PRIMARY KEY COLLATE NOCASE,
    HospNum               TEXT NOT NULL COLLATE NOCASE REFERENCES tbMaster (HospNum),
    AdmDate               TEXT NOT NULL,
    DcrDate               TEXT,
    DoctorID              TEXT,
    PatientClassification TEXT NOT NULL DEFAULT 'P', -- 'P' pay, 'S' service
    AccountNum            TEXT COLLATE NOCASE,
    Diagnosis             TEXT,
    Disposition           TEXT,
    BillingDate           TEXT
);
CREATE INDEX ixERMasterHosp ON tbERMaster (HospNum);
CREATE INDEX ixERMasterAdm  ON tbERMaster (AdmDate);

-- Every admission and visit with the columns the three kinds share. Kind: 'I', 'O', 'E'.
CREATE VIEW vwAdmission AS
    SELECT IdNum, HospNum, 'I' AS Kind, AdmDate, DcrDate, RoomID, DoctorID, PatientClass, AccountNum,
           AdmittingDiagnosis AS Diagnosis, BillingDate
      FROM tbPatient2
    UNION ALL
    SELECT IdNum, HospNum, 'O', AdmDate, DcrDate, 'OPD', DoctorID, PatientType, AccountNum, Diagnosis, BillingDate
      FROM tbOutPatient
    UNION ALL
    SELECT IdNum, HospNum, 'E', AdmDate, DcrDate, 'ER', DoctorID, PatientClassification, AccountNum, Diagnosis,
           BillingDate
      FROM tbERMaster;

-- The patient list's rows, one view for each kind of admission: the columns the list shows,
-- under the names it reads them by, and PatientClass ('P' pay, 'S' service) to choose rows by.
-- The list procedures take their criteria, which a view cannot, and name the columns they return.
-- Simple joins, so that SQLite merges them into the procedures' queries and the criteria still
-- run on the tables' indexes.
CREATE VIEW vwInPatientList AS
    SELECT a.IdNum AS IDNUM, a.HospNum AS HospNum, a.AdmDate AS AdmDate, m.LastName AS LastName,
           m.FirstName AS FirstName, m.MiddleName AS MiddleName, a.RoomID AS RoomID, m.MSSNum AS MSS,
           ifnull(m.HouseStreet || ', ', '') || ifnull(m.Barangay || ', ', '') || ifnull(m.Town || ', ', '')
               || ifnull(m.Province, '') AS Address,
           a.DcrDate AS dcrdate, a.BillingDate AS BillingDate, a.PatientClass AS PatientClass
      FROM tbPatient2 AS a JOIN tbMaster AS m ON m.HospNum = a.HospNum;

CREATE VIEW vwOutPatientList AS
    SELECT a.IdNum AS IDNUM, a.HospNum AS HospNum, a.AdmDate AS AdmDate, m.LastName AS LastName,
           m.FirstName AS FirstName, m.MiddleName AS MiddleName, 'OPD' AS RoomID, m.MSSNum AS MSS,
           ifnull(m.HouseStreet || ', ', '') || ifnull(m.Barangay || ', ', '') || ifnull(m.Town || ', ', '')
               || ifnull(m.Province, '') AS Address,
           a.DcrDate AS dcrdate, a.BillingDate AS BillingDate, a.PatientType AS PatientClass
      FROM tbOutPatient AS a JOIN tbMaster AS m ON m.HospNum = a.HospNum;

CREATE VIEW vwERPatientList AS
    SELECT a.IdNum AS IDNUM, a.HospNum AS HospNum, a.AdmDate AS AdmDate, m.LastName AS LastName,
           m.FirstName AS FirstName, m.MiddleName AS MiddleName, 'ER' AS RoomID, m.MSSNum AS MSS,
           ifnull(m.HouseStreet || ', ', '') || ifnull(m.Barangay || ', ', '') || ifnull(m.Town || ', ', '')
               || ifnull(m.Province, '') AS Address,
           a.DcrDate AS dcrdate, a.BillingDate AS BillingDate, a.PatientClassification AS PatientClass
      FROM tbERMaster AS a JOIN tbMaster AS m ON m.HospNum = a.HospNum;

-- What the address search reads, under the names the hospital's server gives it in its report
-- views: on a server the view is where a DBA maps the hospital's own zip-code table.
CREATE VIEW vwMSSZipCode AS
    SELECT ZipCode, Barangay, Town, Province FROM tbZipCode;
