-- sp_SearchCategoryandClassification: the current classification of an admission. The
-- admission's own assessment wins; without one, the patient's classification in the patient
-- master counts while it has not expired (the category is then unknown).
-- params: IdNum
SELECT c.Classification AS Classification, x.Code AS classificationid, x.Category AS category,
       x.CategoryID AS categoryid, x.MSSNum AS MSS
  FROM (SELECT Code, Category, CategoryID, MSSNum, 1 AS pri
          FROM tbMSSAssessment
         WHERE IdNum = trim(@IdNum)
        UNION ALL
        SELECT m.MSSClassification, NULL, NULL, m.MSSNum, 2
          FROM PATIENT_DATA.vwAdmission AS a JOIN PATIENT_DATA.tbMaster AS m ON m.HospNum = a.HospNum
         WHERE a.IdNum = trim(@IdNum) AND ifnull(m.MSSClassification, '') <> ''
           AND m.MSSDiscountExpiry >= date('now', 'localtime')
         ORDER BY pri
         LIMIT 1) AS x
  LEFT JOIN tbMSSClassificationScheme AS c ON c.Code = x.Code;
