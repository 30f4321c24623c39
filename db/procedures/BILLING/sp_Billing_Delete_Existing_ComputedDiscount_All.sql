-- sp_Billing_Delete_Existing_ComputedDiscount_All: forgets the stored discount computation of
-- that kind for the two numbers given (the admission and, when different, the visit billed
-- with it).
-- params: IdNum, OtherIdNum, DiscountType
DELETE FROM tbBillComputedDiscount
 WHERE IdNum IN (trim(@IdNum), trim(@OtherIdNum)) AND DiscountType = trim(@DiscountType);
