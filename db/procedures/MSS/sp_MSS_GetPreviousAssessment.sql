-- sp_MSS_GetPreviousAssessment: the patient's assessments, one per admission, newest first:
-- admission number, class code and name, category, assessment date, remarks, expiry date.
-- params: HospNum
SELECT s.IdNum AS IdNum, s.Code AS Code, c.Classification AS Classification, s.Category AS Category,
       s.AssessDate AS AssessDate, s.Remarks AS Remarks, s.ExpiryDate AS ExpiryDate
  FROM tbMSSAssessment AS s
  LEFT JOIN tbMSSClassificationScheme AS c ON c.Code = s.Code
 WHERE s.HospNum = trim(@HospNum)
 ORDER BY s.AssessDate DESC, s.IdNum DESC;
