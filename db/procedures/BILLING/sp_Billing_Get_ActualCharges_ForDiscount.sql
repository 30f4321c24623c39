-- sp_Billing_Get_ActualCharges_ForDiscount: fills the discount working table afresh with the
-- admission's charges per department (revenue code); Medicare and discount start at 0.
-- Selection (third argument): 3 the in-patient bill; 4 the in-patient bill and the bill of the
-- out-patient visit it came from (second argument); 7 the out-patient (or ER) bill. Any other
-- selection is refused. Discount and payment lines are not charges and are left out. The last
-- argument (1: per department) is the only grouping there is.
-- params: IdNum, OPDIdNum, Selection, Grouping
SELECT mss_error('Unknown charge selection ' || ifnull(@Selection, 'NULL') || ' (3, 4 or 7 expected)')
 WHERE CAST(@Selection AS INTEGER) NOT IN (3, 4, 7) OR trim(@Selection) NOT IN ('3', '4', '7');
DELETE FROM tbDummyDiscountTable;
INSERT INTO tbDummyDiscountTable (IdNum, OPDIdNum, RevenueID, Department, ActualCharges, SortOrder)
SELECT trim(@IdNum), nullif(trim(@OPDIdNum), ''), c.RevenueID, rc.Department, sum(c.Amount), ifnull(rc.SortOrder, 999)
  FROM (SELECT RevenueID, Amount FROM tbBillDailyBill
         WHERE CAST(@Selection AS INTEGER) IN (3, 4) AND IdNum = trim(@IdNum)
        UNION ALL
        SELECT RevenueID, Amount FROM tbBillOPDailyOut
         WHERE CAST(@Selection AS INTEGER) = 4 AND trim(ifnull(@OPDIdNum, '')) <> '' AND IdNum = trim(@OPDIdNum)
        UNION ALL
        SELECT RevenueID, Amount FROM tbBillOPDailyOut
         WHERE CAST(@Selection AS INTEGER) = 7 AND IdNum = trim(@IdNum)) AS c
  LEFT JOIN tbBillRevenueCode AS rc ON rc.RevenueID = c.RevenueID
 WHERE ifnull(rc.IsCharge, 1) = 1
 GROUP BY c.RevenueID;
