-- sp_Billing_Update_DummyDiscountTable: adds a Medicare share to a department of the working
-- table (several items of one department add up). A department without charges gets a row of
-- its own, so no share is lost. A share that is not a finite number is refused.
-- params: Share float, RevenueID
SELECT mss_error('Medicare share "' || ifnull(@Share, '') || '" is not a number')
 WHERE NOT (trim(@Share) GLOB '*[0-9]*' AND NOT trim(@Share) GLOB '*[^0-9.eE+-]*'
            AND abs(CAST(trim(@Share) AS REAL)) < 1e300);
SELECT mss_error('The discount working table is empty: compute the charges first')
 WHERE NOT EXISTS (SELECT 1 FROM tbDummyDiscountTable);
INSERT INTO tbDummyDiscountTable (IdNum, OPDIdNum, RevenueID, Department, ActualCharges, Medicare, SortOrder)
SELECT (SELECT IdNum FROM tbDummyDiscountTable LIMIT 1), (SELECT OPDIdNum FROM tbDummyDiscountTable LIMIT 1),
       trim(@RevenueID), rc.Department, 0, CAST(trim(@Share) AS REAL), ifnull(rc.SortOrder, 999)
  FROM (SELECT 1) LEFT JOIN tbBillRevenueCode AS rc ON rc.RevenueID = trim(@RevenueID)
 WHERE true
ON CONFLICT (RevenueID) DO UPDATE SET Medicare = Medicare + excluded.Medicare;
