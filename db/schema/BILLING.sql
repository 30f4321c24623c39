-- Bills, company accounts, Medicare (PhilHealth) coverage and the discount working table.
-- The schema version of this file, and a digest of the stored procedures it holds.
CREATE TABLE IF NOT EXISTS mss_schema (version INTEGER NOT NULL, procedures TEXT);

-- Revenue codes: one per department, plus the codes of lines that are not charges
-- (IsCharge 0: discounts such as 'QF', the MSS discount, and payments).
CREATE TABLE tbBillRevenueCode (
    RevenueID   TEXT PRIMARY KEY COLLATE NOCASE,
    Department  TEXT NOT NULL,
    IsCharge    INTEGER NOT NULL DEFAULT 1,
    SortOrder   INTEGER NOT NULL DEFAULT 0
);

CREATE TABLE tbBillCompany (
    AccountNum  TEXT PRIMARY KEY COLLATE NOCASE,
    Company     TEXT NOT NULL,
    Address     TEXT,
    IsCompany   INTEGER NOT NULL DEFAULT 1,     -- 0: a personal account
    CreditLimit REAL NOT NULL DEFAULT 0
);

-- In-patient bill lines. Discount lines carry a non-charge revenue code and a negative amount;
-- RefNum holds the reference of the line (for 'QF' discount lines the patient's MSS number).
CREATE TABLE tbBillDailyBill (
    LineID      INTEGER PRIMARY KEY,
    IdNum       TEXT NOT NULL COLLATE NOCASE,
    TransDate   TEXT NOT NULL,
    RevenueID   TEXT NOT NULL COLLATE NOCASE,
    ItemID      TEXT,
    Description TEXT,
    Quantity    REAL NOT NULL DEFAULT 1,
    Amount      REAL NOT NULL,
    RefNum      TEXT COLLATE NOCASE,
    DoctorID    TEXT,
    UserID      TEXT
);
CREATE INDEX ixDailyBill ON tbBillDailyBill (IdNum, RevenueID, Amount);
CREATE INDEX ixDailyBillDate ON tbBillDailyBill (TransDate);

-- Out-patient and ER bill lines, same layout.
CREATE TABLE tbBillOPDailyOut (
    LineID      INTEGER PRIMARY KEY,
    IdNum       TEXT NOT NULL COLLATE NOCASE,
    TransDate   TEXT NOT NULL,
    RevenueID   TEXT NOT NULL COLLATE NOCASE,
    ItemID      TEXT,
    Description TEXT,
    Quantity    REAL NOT NULL DEFAULT 1,
    Amount      REAL NOT NULL,
    RefNum      TEXT COLLATE NOCASE,
    DoctorID    TEXT,
    UserID      TEXT
);
CREATE INDEX ixOPDailyOut ON tbBillOPDailyOut (IdNum, RevenueID, Amount);
CREATE INDEX ixOPDailyOutDate ON tbBillOPDailyOut (TransDate);

CREATE TABLE tbBillPayment (
    ORNum       TEXT PRIMARY KEY COLLATE NOCASE,
    IdNum       TEXT NOT NULL COLLATE NOCASE,
    PayDate     TEXT NOT NULL,
    Amount      REAL NOT NULL,               -- negative for a refund
    UserID      TEXT
);
CREATE INDEX ixBillPayment ON tbBillPayment (IdNum);
CREATE INDEX ixBillPaymentDate ON tbBillPayment (PayDate);

-- Medicare benefit of an admission and the charge items it covers.
CREATE TABLE tbBillMedicareBenefit (
    IdNum    TEXT PRIMARY KEY COLLATE NOCASE,
    ClaimNo  TEXT,
    Amount   REAL NOT NULL
);
CREATE TABLE tbBillMedicareItem (
    ItemLine  INTEGER PRIMARY KEY,
    IdNum     TEXT NOT NULL COLLATE NOCASE,
    RevenueID TEXT NOT NULL COLLATE NOCASE,
    ItemID    TEXT,
    Amount    REAL NOT NULL
);
CREATE INDEX ixMedicareItem ON tbBillMedicareItem (IdNum);

-- Sponsor-fund (CDF) allocations granted to patients.
CREATE TABLE tbBillCDFAllocation (
    AllocationID  INTEGER PRIMARY KEY,
    HospNum       TEXT NOT NULL COLLATE NOCASE,
    IdNum         TEXT COLLATE NOCASE,
    Sponsor       TEXT NOT NULL,
    AccountNum    TEXT COLLATE NOCASE,
    AllocationDate TEXT NOT NULL,
    AllocatedFund REAL NOT NULL,
    UtilizedFund  REAL NOT NULL DEFAULT 0,
    ApprovedBy    TEXT,
    Remarks       TEXT
);
CREATE INDEX ixCDFAllocation ON tbBillCDFAllocation (HospNum);

-- Working table of one discount computation: one row per department of the admission being
-- computed. Filled afresh by sp_Billing_Get_ActualCharges_ForDiscount.
CREATE TABLE tbDummyDiscountTable (
    IdNum         TEXT NOT NULL COLLATE NOCASE,
    OPDIdNum      TEXT COLLATE NOCASE,
    RevenueID     TEXT NOT NULL COLLATE NOCASE PRIMARY KEY,
    Department    TEXT,
    ActualCharges REAL NOT NULL DEFAULT 0,
    Medicare      REAL NOT NULL DEFAULT 0,
    Discount      REAL NOT NULL DEFAULT 0,
    SortOrder     INTEGER NOT NULL DEFAULT 0
);

-- The stored result of a discount computation, per admission and discount kind.
CREATE TABLE tbBillComputedDiscount (
    IdNum         TEXT NOT NULL COLLATE NOCASE,
    DiscountType  TEXT NOT NULL COLLATE NOCASE,
    RevenueID     TEXT NOT NULL COLLATE NOCASE,
    Department    TEXT,
    ActualCharges REAL NOT NULL,
    Medicare      REAL NOT NULL,
    Discount      REAL NOT NULL,
    SortOrder     INTEGER NOT NULL DEFAULT 0,
    Mode          INTEGER NOT NULL,
    ComputedDate  TEXT NOT NULL,
    PRIMARY KEY (IdNum, DiscountType, RevenueID)
);

-- What the summarized statement reads, under the names the hospital's server gives it in its
-- report views: on a server these are where a DBA maps the hospital's own billing tables.
CREATE VIEW vwMSSRevenueCode AS
    SELECT RevenueID, Department, IsCharge, SortOrder FROM tbBillRevenueCode;
CREATE VIEW vwMSSPayment AS
    SELECT IdNum, Amount FROM tbBillPayment;
CREATE VIEW vwMSSMedicareBenefit AS
    SELECT IdNum, Amount FROM tbBillMedicareBenefit;
