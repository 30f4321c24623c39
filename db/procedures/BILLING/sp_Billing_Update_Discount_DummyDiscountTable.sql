-- sp_Billing_Update_Discount_DummyDiscountTable: sets a department's discount in the working
-- table. A discount that is not a finite number, or a department not in the table, is refused.
-- params: Discount float, RevenueID
SELECT mss_error('Discount "' || ifnull(@Discount, '') || '" is not a number')
 WHERE NOT (trim(@Discount) GLOB '*[0-9]*' AND NOT trim(@Discount) GLOB '*[^0-9.eE+-]*'
            AND abs(CAST(trim(@Discount) AS REAL)) < 1e300);
SELECT mss_error('Department ' || ifnull(@RevenueID, '') || ' is not in the discount working table')
 WHERE NOT EXISTS (SELECT 1 FROM tbDummyDiscountTable WHERE RevenueID = trim(@RevenueID));
UPDATE tbDummyDiscountTable SET Discount = CAST(trim(@Discount) AS REAL) WHERE RevenueID = trim(@RevenueID);
