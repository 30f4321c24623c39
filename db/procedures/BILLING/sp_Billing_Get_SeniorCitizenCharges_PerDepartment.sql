-- sp_Billing_Get_SeniorCitizenCharges_PerDepartment: the hospital bill total of the admission,
-- doctors' fees included, as one row ("Actual Charges"). Selection: 6 the in-patient bill;
-- 7 the in-patient bill and the out-patient visit it came from; 10 the out-patient (or ER)
-- bill. Discount and payment lines are not charges.
-- params: IdNum, OPDIdNum, Selection
SELECT mss_error('Unknown charge selection ' || ifnull(@Selection, 'NULL') || ' (6, 7 or 10 expected)')
 WHERE trim(@Selection) NOT IN ('6', '7', '10');
SELECT ifnull(sum(c.Amount), 0) AS "Actual Charges"
  FROM (SELECT RevenueID, Amount FROM tbBillDailyBill
         WHERE trim(@Selection) IN ('6', '7') AND IdNum = trim(@IdNum)
        UNION ALL
        SELECT RevenueID, Amount FROM tbBillOPDailyOut
         WHERE trim(@Selection) = '7' AND trim(ifnull(@OPDIdNum, '')) <> '' AND IdNum = trim(@OPDIdNum)
        UNION ALL
        SELECT RevenueID, Amount FROM tbBillOPDailyOut
         WHERE trim(@Selection) = '10' AND IdNum = trim(@IdNum)) AS c
  LEFT JOIN tbBillRevenueCode AS rc ON rc.RevenueID = c.RevenueID
 WHERE ifnull(rc.IsCharge, 1) = 1;
