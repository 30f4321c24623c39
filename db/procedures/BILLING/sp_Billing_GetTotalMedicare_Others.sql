-- sp_Billing_GetTotalMedicare_Others: the Medicare benefit granted for the admission. No row
-- when the admission has none.
-- params: IdNum
SELECT Amount, ClaimNo FROM tbBillMedicareBenefit WHERE IdNum = trim(@IdNum);
