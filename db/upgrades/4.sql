-- Version 4: the views the address search and the summarized statement read (see
-- schema/PATIENT_DATA.sql and schema/BILLING.sql, which a new database is made from; the two must
-- stay alike). A file may be newer than the others of its folder, and already have them.
CREATE VIEW IF NOT EXISTS PATIENT_DATA.vwMSSZipCode AS
    SELECT ZipCode, Barangay, Town, Province FROM tbZipCode;
CREATE VIEW IF NOT EXISTS BILLING.vwMSSRevenueCode AS
    SELECT RevenueID, Department, IsCharge, SortOrder FROM tbBillRevenueCode;
CREATE VIEW IF NOT EXISTS BILLING.vwMSSPayment AS
    SELECT IdNum, Amount FROM tbBillPayment;
CREATE VIEW IF NOT EXISTS BILLING.vwMSSMedicareBenefit AS
    SELECT IdNum, Amount FROM tbBillMedicareBenefit;
