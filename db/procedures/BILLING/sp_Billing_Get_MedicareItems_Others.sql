-- sp_Billing_Get_MedicareItems_Others: the charge items the Medicare benefit covers, one row
-- per item, with the department (revenue code) each belongs to.
-- params: IdNum
SELECT Amount, RevenueID, ItemID FROM tbBillMedicareItem WHERE IdNum = trim(@IdNum) ORDER BY ItemLine;
