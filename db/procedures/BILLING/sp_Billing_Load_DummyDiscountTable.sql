-- sp_Billing_Load_DummyDiscountTable: finishes a discount computation in the working table,
-- stores it as the admission's computed discount of that kind (replacing an earlier one) and
-- returns it, one row per department: admission, revenue code, department, charges, Medicare
-- share, discount.
-- Mode 1: each department's discount comes from the discount rates of the patient's class
--   (the admission's assessment, else the patient's classification while not expired; no class,
--   no discount), applied to what Medicare leaves of the department's charges. In-patients use
--   the in-patient rates, out-patient and ER visits the out-patient rates and no room rate.
--   Rooms ("RA") take the room rate; supplies, medicines and procedures their rate; doctors'
--   fees ("MD") are discounted whole when the class gives any discount; other codes get none.
-- Mode 2: the discounts already set in the working table (a special arrangement) are kept.
-- The computation is stored, not posted to the bill: billing posts discount lines itself.
-- The last argument (1) is accepted for the callers' sake.
-- params: DiscountType, Mode, Flag
SELECT mss_error('Unknown discount mode ' || ifnull(@Mode, 'NULL') || ' (1 or 2 expected)')
 WHERE trim(@Mode) NOT IN ('1', '2');
WITH x AS (SELECT IdNum, IdNum NOT GLOB '*[^0-9]*' AS inpatient FROM tbDummyDiscountTable LIMIT 1),
     r AS (SELECT CASE WHEN x.inpatient THEN c.Procedures ELSE c.Procedures2 END AS pr,
                  CASE WHEN x.inpatient THEN c.Supplies ELSE c.Supplies2 END AS su,
                  CASE WHEN x.inpatient THEN c.Medicines ELSE c.Medicines2 END AS me,
                  CASE WHEN x.inpatient THEN c.Room ELSE 0 END AS ro
             FROM x
             LEFT JOIN main.tbMSSAssessment AS s ON s.IdNum = x.IdNum
             LEFT JOIN PATIENT_DATA.tbPatient2 AS p ON p.IdNum = x.IdNum
             LEFT JOIN PATIENT_DATA.tbOutPatient AS o ON o.IdNum = x.IdNum
             LEFT JOIN PATIENT_DATA.tbERMaster AS e ON e.IdNum = x.IdNum
             LEFT JOIN PATIENT_DATA.tbMaster AS m ON m.HospNum = coalesce(p.HospNum, o.HospNum, e.HospNum)
             LEFT JOIN main.tbMSSClassification AS c
                    ON c.Type = coalesce(nullif(s.Code, ''),
                                         CASE WHEN m.MSSDiscountExpiry >= date('now', 'localtime')
                                              THEN m.MSSClassification END))
UPDATE tbDummyDiscountTable
   SET Discount = round(max(0, ActualCharges - Medicare) *
       CASE WHEN RevenueID = 'RA' THEN ifnull(r.ro, 0)
            WHEN RevenueID IN ('XS', 'CU', 'UU', 'RU', 'CS', 'KS', 'OS') THEN ifnull(r.su, 0)
            WHEN RevenueID IN ('RN', 'PH', 'RM', 'XD', 'CN', 'UM') THEN ifnull(r.me, 0)
            WHEN RevenueID = 'MD' THEN CASE WHEN max(ifnull(r.pr, 0), ifnull(r.su, 0), ifnull(r.me, 0), ifnull(r.ro, 0)) > 0
                                            THEN 1 ELSE 0 END
            WHEN RevenueID IN ('LB', 'PA', 'NU', 'NE', 'XR', 'CT', 'UL', 'HS', 'PT', 'DI', 'OR') THEN ifnull(r.pr, 0)
            ELSE 0 END, 2)
  FROM r
 WHERE trim(@Mode) = '1';
DELETE FROM tbBillComputedDiscount
 WHERE IdNum IN (SELECT IdNum FROM tbDummyDiscountTable) AND DiscountType = trim(@DiscountType);
INSERT INTO tbBillComputedDiscount (IdNum, DiscountType, RevenueID, Department, ActualCharges, Medicare, Discount,
                                    SortOrder, Mode, ComputedDate)
SELECT IdNum, trim(@DiscountType), RevenueID, Department, ActualCharges, Medicare, Discount, SortOrder,
       CAST(trim(@Mode) AS INTEGER), getdate()
  FROM tbDummyDiscountTable;
SELECT IdNum, RevenueID, ifnull(Department, RevenueID) AS Department, ActualCharges AS "Actual Charges",
       Medicare, Discount
  FROM tbDummyDiscountTable
 ORDER BY SortOrder, RevenueID;
