-- The objects the Medical Social Service program adds to the hospital's SQL Server (2016 SP1 and
-- later): its log-ons (users with libsodium password hashes, their rights), the department's
-- employees where the hospital has no such table yet, a schema version row, and two roles: what a
-- department's log-in needs (MSSDepartment) and what the program's administrators need
-- (MSSAdministrator).
--
-- Run it as a member of sysadmin (or db_owner of MSS, PATIENT_DATA, BILLING and RADIOLOGY), with
-- sqlcmd, then the reports' views (report-views.sql, after mapping them to the hospital's tables):
--     sqlcmd -S host\instance -d MSS -b -i db/sqlserver/deploy.sql
--     sqlcmd -S host\instance -d MSS -b -i db/sqlserver/report-views.sql
-- or in any client that understands GO. It is safe to run again: it creates what is missing,
-- adds columns an older run did not have, keeps every row it finds and grants again what it
-- granted. It refuses to run on a server where a newer program has deployed a newer version of
-- these objects.
--
-- SQL Server compiles a whole batch before it runs any of it, so no batch below both tests
-- whether a table exists and reads that table: a batch that did would fail on a fresh server
-- however its condition came out.
--
-- The version below is the one the program checks after connecting; keep the two equal.

USE [MSS];
GO

-- The deployed version is read by a statement compiled only when its table exists.
DECLARE @deployed int;
IF OBJECT_ID(N'dbo.tbMSSSchemaVersion', N'U') IS NOT NULL
    EXEC sp_executesql
        N'SELECT @version = MAX(Version) FROM dbo.tbMSSSchemaVersion;',
        N'@version int OUTPUT',
        @version = @deployed OUTPUT;
IF @deployed > 2
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

IF OBJECT_ID(N'dbo.tbMSSSchemaVersion', N'U') IS NULL
BEGIN
    CREATE TABLE dbo.tbMSSSchemaVersion (
        Version int NOT NULL,
        DeployedDate datetime NOT NULL CONSTRAINT DF_tbMSSSchemaVersion_DeployedDate DEFAULT (GETDATE())
    );
END;
GO

-- The log-on counts wrong passwords and clears the count itself, with its own UPDATE statements
-- on the department's log-in, because the password is checked by the program against the hash.
-- So the department role may update the three lock-out columns and nothing else of a user, and
-- this trigger keeps a lock-out that is still running from being shortened or cleared by anyone
-- but an administrator: the program itself clears the counters only once the wait is over. The
-- minute of grace covers a workstation whose clock runs a little ahead of the server's (the
-- program writes LockedUntil in UTC).
IF OBJECT_ID(N'dbo.trMSSUserKeepsLockOuts', N'TR') IS NULL
    EXEC sp_executesql N'CREATE TRIGGER dbo.trMSSUserKeepsLockOuts ON dbo.tbMSSUser
AFTER UPDATE
AS
BEGIN
    SET NOCOUNT ON;
    IF IS_MEMBER(N''MSSAdministrator'') = 1 OR IS_MEMBER(N''db_owner'') = 1
        RETURN;
    IF EXISTS (
        SELECT 1
        FROM inserted AS i
        INNER JOIN deleted AS d ON d.UserCode = i.UserCode
        WHERE d.LockedUntil > DATEADD(SECOND, 60, GETUTCDATE())
            AND (i.LockedUntil IS NULL OR i.LockedUntil < d.LockedUntil
                OR i.LockOuts < d.LockOuts OR i.FailedLogOns < d.FailedLogOns)
    )
    BEGIN
        RAISERROR (N''The user is locked out; only an administrator can unlock the user now.'', 16, 1);
        ROLLBACK TRANSACTION;
    END;
END;';
GO

-- The department's role and the administrators' role, in each database the program works in.
-- Add each log-in's database user to one of them (see the README). An administrator is a
-- department member too, and may besides manage the program's users, their rights and lock-outs.
IF DATABASE_PRINCIPAL_ID(N'MSSDepartment') IS NULL
    CREATE ROLE MSSDepartment;
IF DATABASE_PRINCIPAL_ID(N'MSSAdministrator') IS NULL
    CREATE ROLE MSSAdministrator;
GO

EXEC sp_executesql N'ALTER ROLE MSSDepartment ADD MEMBER MSSAdministrator;';
GO

-- What an earlier version granted on the whole schema is taken back: from now on each object is
-- granted by name.
REVOKE SELECT, INSERT, UPDATE, DELETE, EXECUTE ON SCHEMA::dbo FROM MSSDepartment;
GO

-- The department's procedures.
GRANT EXECUTE ON OBJECT::dbo.spMSS_SaveDocumentation TO MSSDepartment;
GRANT EXECUTE ON OBJECT::dbo.sp_LoadPatCaseHistory TO MSSDepartment;
GRANT EXECUTE ON OBJECT::dbo.sp_MSS_ClearFamilyComposition TO MSSDepartment;
GRANT EXECUTE ON OBJECT::dbo.sp_MSS_ClearPatientForDischarge TO MSSDepartment;
GRANT EXECUTE ON OBJECT::dbo.sp_MSS_GetActivity TO MSSDepartment;
GRANT EXECUTE ON OBJECT::dbo.sp_MSS_GetAssessmentRecord TO MSSDepartment;
GRANT EXECUTE ON OBJECT::dbo.sp_MSS_GetEmployeeName TO MSSDepartment;
GRANT EXECUTE ON OBJECT::dbo.sp_MSS_GetEmployees TO MSSDepartment;
GRANT EXECUTE ON OBJECT::dbo.sp_MSS_getERDailyCensus TO MSSDepartment;
GRANT EXECUTE ON OBJECT::dbo.sp_MSS_GetExistsMSSNumber TO MSSDepartment;
GRANT EXECUTE ON OBJECT::dbo.sp_MSS_GetPatClassHistory TO MSSDepartment;
GRANT EXECUTE ON OBJECT::dbo.sp_MSS_GetPatientInfo TO MSSDepartment;
GRANT EXECUTE ON OBJECT::dbo.sp_MSS_GetPatientInfoforARR TO MSSDepartment;
GRANT EXECUTE ON OBJECT::dbo.sp_MSS_GetPreviousAssessment TO MSSDepartment;
GRANT EXECUTE ON OBJECT::dbo.sp_MSS_GetService TO MSSDepartment;
GRANT EXECUTE ON OBJECT::dbo.sp_MSS_LoadAllServicePatient TO MSSDepartment;
GRANT EXECUTE ON OBJECT::dbo.sp_MSS_LoadDischargeNotice TO MSSDepartment;
GRANT EXECUTE ON OBJECT::dbo.sp_MSS_LoadDischargeNoticePatient TO MSSDepartment;
GRANT EXECUTE ON OBJECT::dbo.sp_MSS_LoadERPatient TO MSSDepartment;
GRANT EXECUTE ON OBJECT::dbo.sp_MSS_LoadExistFamilyComposition TO MSSDepartment;
GRANT EXECUTE ON OBJECT::dbo.sp_MSS_LoadExistIntakeSheet TO MSSDepartment;
GRANT EXECUTE ON OBJECT::dbo.sp_MSS_LoadInPatient TO MSSDepartment;
GRANT EXECUTE ON OBJECT::dbo.sp_MSS_LoadMSSPatient TO MSSDepartment;
GRANT EXECUTE ON OBJECT::dbo.sp_MSS_LoadOutPatient TO MSSDepartment;
GRANT EXECUTE ON OBJECT::dbo.sp_MSS_LoadReferralHistory TO MSSDepartment;
GRANT EXECUTE ON OBJECT::dbo.sp_MSS_LoadReferralNotice TO MSSDepartment;
GRANT EXECUTE ON OBJECT::dbo.sp_MSS_LoadReferralNoticeCount TO MSSDepartment;
GRANT EXECUTE ON OBJECT::dbo.sp_MSS_LoadReferralNoticePatient TO MSSDepartment;
GRANT EXECUTE ON OBJECT::dbo.sp_MSS_PatientInfoForSOA TO MSSDepartment;
GRANT EXECUTE ON OBJECT::dbo.sp_MSS_PayPatientInfo TO MSSDepartment;
GRANT EXECUTE ON OBJECT::dbo.sp_MSS_PrintAssessment TO MSSDepartment;
GRANT EXECUTE ON OBJECT::dbo.sp_MSS_ReprintARR TO MSSDepartment;
GRANT EXECUTE ON OBJECT::dbo.sp_MSS_SaveAssessment_NEW TO MSSDepartment;
GRANT EXECUTE ON OBJECT::dbo.sp_MSS_SaveFamilyComposition TO MSSDepartment;
GRANT EXECUTE ON OBJECT::dbo.sp_MSS_SaveIntakeSheetData TO MSSDepartment;
GRANT EXECUTE ON OBJECT::dbo.sp_MSS_SaveOtherPatientInfo TO MSSDepartment;
GRANT EXECUTE ON OBJECT::dbo.sp_MSS_SavePatClassHistory_Deletion TO MSSDepartment;
GRANT EXECUTE ON OBJECT::dbo.sp_MSS_SavePatientData TO MSSDepartment;
GRANT EXECUTE ON OBJECT::dbo.sp_MSS_SaveReferralNoticePatient TO MSSDepartment;
GRANT EXECUTE ON OBJECT::dbo.sp_MSS_SaveTransaction TO MSSDepartment;
GRANT EXECUTE ON OBJECT::dbo.sp_MSS_UpdateMSSNumber TO MSSDepartment;
GRANT EXECUTE ON OBJECT::dbo.sp_MSS_UpdatePatientClass TO MSSDepartment;
GRANT EXECUTE ON OBJECT::dbo.sp_Pars_Load_Existing_CDF_Allocation TO MSSDepartment;
GRANT EXECUTE ON OBJECT::dbo.sp_SearchCategoryandClassification TO MSSDepartment;
GO

-- The tables the windows read. The procedures above write the department's own tables as their
-- owner, so the role needs no write access to those.
GRANT SELECT ON OBJECT::dbo.tbMSSActive TO MSSDepartment;
GRANT SELECT ON OBJECT::dbo.tbMSSActivity TO MSSDepartment;
GRANT SELECT ON OBJECT::dbo.tbMSSAssessment TO MSSDepartment;
GRANT SELECT ON OBJECT::dbo.tbMSSCaseCategory TO MSSDepartment;
GRANT SELECT ON OBJECT::dbo.tbMSSClassification TO MSSDepartment;
GRANT SELECT ON OBJECT::dbo.tbMSSClassificationScheme TO MSSDepartment;
GRANT SELECT ON OBJECT::dbo.tbMSSParentCategory TO MSSDepartment;
GRANT SELECT ON OBJECT::dbo.tbMSSReferringParty TO MSSDepartment;
GRANT SELECT ON OBJECT::dbo.tbMSSServiceCategory TO MSSDepartment;
GO

-- The log-on: the user, the employee's name, the rights and the version of these objects are
-- read; of a user only the lock-out counters are written (see the trigger above).
GRANT SELECT ON OBJECT::dbo.tbMSSEmployee TO MSSDepartment;
GRANT SELECT ON OBJECT::dbo.tbMSSUser TO MSSDepartment;
GRANT UPDATE ON OBJECT::dbo.tbMSSUser (FailedLogOns, LockOuts, LockedUntil) TO MSSDepartment;
GRANT SELECT ON OBJECT::dbo.tbMSSUserRight TO MSSDepartment;
GRANT SELECT ON OBJECT::dbo.tbMSSSchemaVersion TO MSSDepartment;
GO

-- Users, their rights and lock-outs (mss-db user add|passwd|rights|unlock).
GRANT SELECT, INSERT, UPDATE ON OBJECT::dbo.tbMSSEmployee TO MSSAdministrator;
GRANT SELECT, INSERT, UPDATE, DELETE ON OBJECT::dbo.tbMSSUser TO MSSAdministrator;
GRANT SELECT, INSERT, UPDATE, DELETE ON OBJECT::dbo.tbMSSUserRight TO MSSAdministrator;
GO

IF EXISTS (SELECT 1 FROM dbo.tbMSSSchemaVersion)
    UPDATE dbo.tbMSSSchemaVersion SET Version = 2, DeployedDate = GETDATE();
ELSE
    INSERT INTO dbo.tbMSSSchemaVersion (Version) VALUES (2);
GO

USE [PATIENT_DATA];
GO

IF DATABASE_PRINCIPAL_ID(N'MSSDepartment') IS NULL
    CREATE ROLE MSSDepartment;
IF DATABASE_PRINCIPAL_ID(N'MSSAdministrator') IS NULL
    CREATE ROLE MSSAdministrator;
GO

EXEC sp_executesql N'ALTER ROLE MSSDepartment ADD MEMBER MSSAdministrator;';
GO

REVOKE SELECT, INSERT, UPDATE, DELETE, EXECUTE ON SCHEMA::dbo FROM MSSDepartment;
GO

GRANT EXECUTE ON OBJECT::dbo.sp_Adm_DailyAdmission TO MSSDepartment;
GRANT EXECUTE ON OBJECT::dbo.sp_Adm_DailyDischarges TO MSSDepartment;
GRANT EXECUTE ON OBJECT::dbo.sp_Adm_LoadInPatient TO MSSDepartment;
GRANT EXECUTE ON OBJECT::dbo.sp_Adm_LoadPatient TO MSSDepartment;
GRANT EXECUTE ON OBJECT::dbo.sp_Adm_PatientData TO MSSDepartment;
GRANT EXECUTE ON OBJECT::dbo.sp_Adm_RoomLoad TO MSSDepartment;
GO

-- Chaining of ownership across databases is off by default, so the department's procedures in
-- MSS read and write here with the caller's own rights: the admissions and the patients'
-- classification columns. The ARR window changes an admission's pay/service type itself.
GRANT SELECT ON OBJECT::dbo.tbHospitalInfo TO MSSDepartment;
GRANT SELECT ON OBJECT::dbo.tbMaster TO MSSDepartment;
GRANT UPDATE ON OBJECT::dbo.tbMaster (MSSNum, MSSClassification, MSSDiscountValidity, MSSDiscountExpiry) TO MSSDepartment;
GRANT SELECT ON OBJECT::dbo.tbPatient2 TO MSSDepartment;
GRANT UPDATE ON OBJECT::dbo.tbPatient2 (PatientClass) TO MSSDepartment;
GRANT SELECT ON OBJECT::dbo.tbOutPatient TO MSSDepartment;
GRANT UPDATE ON OBJECT::dbo.tbOutPatient (PatientType) TO MSSDepartment;
GRANT SELECT ON OBJECT::dbo.tbERMaster TO MSSDepartment;
GRANT UPDATE ON OBJECT::dbo.tbERMaster (PatientClassification) TO MSSDepartment;
GO

-- Tables a hospital may keep under other names: granted only where they exist (the department's
-- procedures read the doctors and rooms; the address search reads the zip codes through a view of
-- report-views.sql, which needs no grant on the table).
IF OBJECT_ID(N'dbo.tbDoctor', N'U') IS NOT NULL
    EXEC sp_executesql N'GRANT SELECT ON OBJECT::dbo.tbDoctor TO MSSDepartment;';
IF OBJECT_ID(N'dbo.tbRoom', N'U') IS NOT NULL
    EXEC sp_executesql N'GRANT SELECT ON OBJECT::dbo.tbRoom TO MSSDepartment;';
GO

USE [BILLING];
GO

IF DATABASE_PRINCIPAL_ID(N'MSSDepartment') IS NULL
    CREATE ROLE MSSDepartment;
IF DATABASE_PRINCIPAL_ID(N'MSSAdministrator') IS NULL
    CREATE ROLE MSSAdministrator;
GO

EXEC sp_executesql N'ALTER ROLE MSSDepartment ADD MEMBER MSSAdministrator;';
GO

REVOKE SELECT, INSERT, UPDATE, DELETE, EXECUTE ON SCHEMA::dbo FROM MSSDepartment;
GO

GRANT EXECUTE ON OBJECT::dbo.sp_Billing_Check_ExistingDiscount TO MSSDepartment;
GRANT EXECUTE ON OBJECT::dbo.sp_Billing_Delete_Existing_ComputedDiscount_All TO MSSDepartment;
GRANT EXECUTE ON OBJECT::dbo.sp_Billing_GetTotalMedicare_Others TO MSSDepartment;
GRANT EXECUTE ON OBJECT::dbo.sp_Billing_Get_ActualCharges_ForDiscount TO MSSDepartment;
GRANT EXECUTE ON OBJECT::dbo.sp_Billing_Get_MedicareItems_Others TO MSSDepartment;
GRANT EXECUTE ON OBJECT::dbo.sp_Billing_Get_MSS_SpecialArrangementRemarks TO MSSDepartment;
GRANT EXECUTE ON OBJECT::dbo.sp_Billing_Get_SeniorCitizenCharges_PerDepartment TO MSSDepartment;
GRANT EXECUTE ON OBJECT::dbo.sp_Billing_Load_DummyDiscountTable TO MSSDepartment;
GRANT EXECUTE ON OBJECT::dbo.sp_Billing_Search_Matching_OPDNumber_At_TbPatient TO MSSDepartment;
GRANT EXECUTE ON OBJECT::dbo.sp_Billing_Update_Discount_DummyDiscountTable TO MSSDepartment;
GRANT EXECUTE ON OBJECT::dbo.sp_Billing_Update_DummyDiscountTable TO MSSDepartment;
GRANT EXECUTE ON OBJECT::dbo.sp_Pars_CheckCompany TO MSSDepartment;
GO

-- The discount window reads the bill's working table (its procedures write it); saving an ARR
-- removes the patient's earlier procedure-discount lines from the bill itself.
GRANT SELECT ON OBJECT::dbo.tbDummyDiscountTable TO MSSDepartment;
GRANT SELECT, DELETE ON OBJECT::dbo.tbBillDailyBill TO MSSDepartment;
GRANT SELECT, DELETE ON OBJECT::dbo.tbBillOPDailyOut TO MSSDepartment;
GO

-- Tables a hospital may keep under other names: granted only where they exist (the department's
-- procedures read the company accounts and sponsor funds; the summarized statement of account
-- reads the revenue codes, payments and Medicare benefits through views of report-views.sql).
IF OBJECT_ID(N'dbo.tbBillCompany', N'U') IS NOT NULL
    EXEC sp_executesql N'GRANT SELECT ON OBJECT::dbo.tbBillCompany TO MSSDepartment;';
IF OBJECT_ID(N'dbo.tbBillCDFAllocation', N'U') IS NOT NULL
    EXEC sp_executesql N'GRANT SELECT ON OBJECT::dbo.tbBillCDFAllocation TO MSSDepartment;';
GO

USE [RADIOLOGY];
GO

IF DATABASE_PRINCIPAL_ID(N'MSSDepartment') IS NULL
    CREATE ROLE MSSDepartment;
IF DATABASE_PRINCIPAL_ID(N'MSSAdministrator') IS NULL
    CREATE ROLE MSSAdministrator;
GO

EXEC sp_executesql N'ALTER ROLE MSSDepartment ADD MEMBER MSSAdministrator;';
GO

REVOKE SELECT, INSERT, UPDATE, DELETE, EXECUTE ON SCHEMA::dbo FROM MSSDepartment;
GO

GRANT EXECUTE ON OBJECT::dbo.spGlobal_RegisteredOPD TO MSSDepartment;
GRANT EXECUTE ON OBJECT::dbo.spRadio_CheckPatientClass TO MSSDepartment;
GO

USE [MSS];
GO

SET NOEXEC OFF;
GO
