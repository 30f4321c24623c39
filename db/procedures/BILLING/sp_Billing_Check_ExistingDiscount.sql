-- sp_Billing_Check_ExistingDiscount: the stored discount computation of an admission, in the
-- layout of sp_Billing_Load_DummyDiscountTable; no row when none was computed.
-- params: IdNum, DiscountType
SELECT IdNum, RevenueID, ifnull(Department, RevenueID) AS Department, ActualCharges AS "Actual Charges",
       Medicare, Discount
  FROM tbBillComputedDiscount
 WHERE IdNum = trim(@IdNum) AND DiscountType = trim(@DiscountType)
 ORDER BY SortOrder, RevenueID;
