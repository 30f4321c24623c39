-- The objects the Medical Social Service program adds to the hospital's SQL Server (2016 and
-- later): its log-ons (users with libsodium password hashes, their rights), the department's
-- employees where the hospital has no such table yet, the admissions view its reports read, a
-- schema version row, and a role with what a department's log-in needs.
--
-- Run it as a member of sysadmin (or db_owner of MSS, PATIENT_DATA and BILLING), with sqlcmd:
--     sqlcmd -S host\instance -d MSS -b -i db/sqlserver/deploy.sql
-- or in any client that understands GO. It is safe to run again: it creates what is missing,
-- adds columns an older run did not have, and keeps every row it finds. It refuses to run on a
-- server where a newer program has deployed a newer version of these objects.
--
-- The version below is the one the program checks after connecting; keep the two equal.

USE [MSS];
GO

IF OBJECT_ID(N'dbo.tbMSSSchemaVersion', N'U') IS NOT NULL
    AND EXISTS (SELECT 1 FROM dbo.tbMSSSchemaVersion WHERE Version > 1)
BEGIN
    RAISERROR (N'A newer version of the MSS objects is deployed on this server; nothing was changed.', 16, 1);
    -- The batches below are then only compiled, never run.
    SET NOEXEC ON;
END;
GO

-- Employees: the hospital may already keep them; then its table is used as it is.
IF OBJECT_ID(N'dbo.tbMSSEmployee', N'U') IS NULL
BEGIN
    CREATE TABLE dbo.tbMSSEmployee (
        EmployeeID varchar(20) NOT NULL CONSTRAINT PK_tbMSSEmployee PRIMARY KEY,
        LastName varchar(60) NOT NULL,
        FirstName varchar(60) NOT NULL CONSTRAINT DF_tbMSSEmployee_FirstName DEFAULT (''),
        MiddleName varchar(60) NOT NULL CONSTRAINT DF_tbMSSEmployee_MiddleName DEFAULT (''),
        Position varchar(60) NULL,
        LicenseNumber varchar(30) NULL,
        IsSocialWorker int NOT NULL CONSTRAINT DF_tbMSSEmployee_IsSocialWorker DEFAULT (1),
        Active int NOT NULL CONSTRAINT DF_tbMSSEmployee_Active DEFAULT (1)
    );
    CREATE INDEX ixEmployeeName ON dbo.tbMSSEmployee (LastName, FirstName);
END;
GO

-- Log-ons. The user code is the employee code; the password is a libsodium crypto_pwhash_str
-- hash (at most 128 characters), never the password itself. Wrong passwords in a row and the
-- lock-outs they caused are kept with the user, so that every workstation sees them.
IF OBJECT_ID(N'dbo.tbMSSUser', N'U') IS NULL
BEGIN
    CREATE TABLE dbo.tbMSSUser (
        UserCode varchar(20) NOT NULL CONSTRAINT PK_tbMSSUser PRIMARY KEY,
        PasswordHash varchar(255) NOT NULL,
        DeptCode varchar(10) NOT NULL CONSTRAINT DF_tbMSSUser_DeptCode DEFAULT ('MSS'),
        Active int NOT NULL CONSTRAINT DF_tbMSSUser_Active DEFAULT (1),
        CreatedDate datetime NOT NULL CONSTRAINT DF_tbMSSUser_CreatedDate DEFAULT (GETDATE()),
        PasswordDate datetime NULL,
        CONSTRAINT FK_tbMSSUser_Employee FOREIGN KEY (UserCode) REFERENCES dbo.tbMSSEmployee (EmployeeID)
    );
END;
GO

IF COL_LENGTH(N'dbo.tbMSSUser', N'FailedLogOns') IS NULL
    ALTER TABLE dbo.tbMSSUser ADD FailedLogOns int NOT NULL CONSTRAINT DF_tbMSSUser_FailedLogOns DEFAULT (0);
IF COL_LENGTH(N'dbo.tbMSSUser', N'LockedUntil') IS NULL
    ALTER TABLE dbo.tbMSSUser ADD LockedUntil datetime NULL;
IF COL_LENGTH(N'dbo.tbMSSUser', N'LockOuts') IS NULL
    ALTER TABLE dbo.tbMSSUser ADD LockOuts int NOT NULL CONSTRAINT DF_tbMSSUser_LockOuts DEFAULT (0);
GO

IF OBJECT_ID(N'dbo.tbMSSUserRight', N'U') IS NULL
BEGIN
    CREATE TABLE dbo.tbMSSUserRight (
        UserCode varchar(20) NOT NULL,
        RightCode varchar(10) NOT NULL,
        CONSTRAINT PK_tbMSSUserRight PRIMARY KEY (UserCode, RightCode),
        CONSTRAINT FK_tbMSSUserRight_User FOREIGN KEY (UserCode) REFERENCES dbo.tbMSSUser (UserCode)
        ON DELETE CASCADE
    );
END;
GO

-- Every admission of a patient, whatever its kind: in-patient (I), out-patient (O) or ER (E).
-- The reports read it instead of repeating the union of the three tables.
IF OBJECT_ID(N'dbo.vwMSSAdmission', N'V') IS NOT NULL
    DROP VIEW dbo.vwMSSAdmission;
GO

CREATE VIEW dbo.vwMSSAdmission AS
SELECT
    IdNum,
    HospNum,
    'I' AS Kind,
    AdmDate,
    DcrDate,
    RoomID,
    DoctorID,
    PatientClass,
    AccountNum,
    AdmittingDiagnosis AS Diagnosis,
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

IF OBJECT_ID(N'dbo.tbMSSSchemaVersion', N'U') IS NULL
BEGIN
    CREATE TABLE dbo.tbMSSSchemaVersion (
        Version int NOT NULL,
        DeployedDate datetime NOT NULL CONSTRAINT DF_tbMSSSchemaVersion_DeployedDate DEFAULT (GETDATE())
    );
END;
GO

IF EXISTS (SELECT 1 FROM dbo.tbMSSSchemaVersion)
    UPDATE dbo.tbMSSSchemaVersion SET Version = 1, DeployedDate = GETDATE();
ELSE
    INSERT INTO dbo.tbMSSSchemaVersion (Version) VALUES (1);
GO

-- What a department's log-in needs: the role MSSDepartment in each database it works in. Add
-- each log-in's database user to it (see the README).
IF DATABASE_PRINCIPAL_ID(N'MSSDepartment') IS NULL
    CREATE ROLE MSSDepartment;
GO

GRANT SELECT, INSERT, UPDATE, DELETE, EXECUTE ON SCHEMA::dbo TO MSSDepartment;
GO

USE [PATIENT_DATA];
GO

IF DATABASE_PRINCIPAL_ID(N'MSSDepartment') IS NULL
    CREATE ROLE MSSDepartment;
GO

-- The department's procedures in MSS update the patients' classification and admission type
-- here, and chaining across databases is off by default: the caller needs the rights itself.
GRANT SELECT, INSERT, UPDATE, EXECUTE ON SCHEMA::dbo TO MSSDepartment;
GO

USE [BILLING];
GO

IF DATABASE_PRINCIPAL_ID(N'MSSDepartment') IS NULL
    CREATE ROLE MSSDepartment;
GO

-- The discount window writes the bill's discount lines and its working table.
GRANT SELECT, INSERT, UPDATE, DELETE, EXECUTE ON SCHEMA::dbo TO MSSDepartment;
GO

USE [RADIOLOGY];
GO

IF DATABASE_PRINCIPAL_ID(N'MSSDepartment') IS NULL
    CREATE ROLE MSSDepartment;
GO

GRANT SELECT, EXECUTE ON SCHEMA::dbo TO MSSDepartment;
GO

USE [MSS];
GO

SET NOEXEC OFF;
GO
