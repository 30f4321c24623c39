-- sp_MSS_GetAssessmentRecord: the ARR of an admission, with the patient and admission data it
-- shows. An admission without a stored ARR still gives a row (the record is then new): its
-- class is the patient's current one while that has not expired, otherwise empty -- the window
-- reads an empty class beside an MSS number as an expired classification.
-- params: IdNum
SELECT m.LastName, m.FirstName, m.MiddleName, a.HospNum AS HospNum, a.IdNum AS IDNUM,
       coalesce(nullif(m.MSSNum, ''), s.MSSNum) AS MSSNum,
       ifnull(d.LastName || ', ' || d.FirstName, '') AS DoctorName, a.RoomID AS RoomID,
       m.MSSDiscountValidity, m.MSSDiscountExpiry,
       coalesce(nullif(s.Code, ''),
                CASE WHEN m.MSSDiscountExpiry >= date('now', 'localtime') THEN m.MSSClassification END, '') AS Code,
       s.MSSWName, s.MSSW, ifnull(s.NC, 0) AS NC, s.Remarks AS REMARKS,
       ifnull(s.IsCDF, 0) AS IsCDF, ifnull(s.IsPCSO, 0) AS IsPCSO, ifnull(s.IsSpecial, 0) AS IsSpecial,
       s.PCSOType AS pcsotype, s.CategoryID AS CaseCategory, s.ParentCategoryID AS parentcategory,
       s.ReferringPartyID AS ReferringPartyID, s.ServiceID AS serviceid, s.Category AS CategoryName,
       s.IntakeDate, s.ExpiryDate
  FROM PATIENT_DATA.vwAdmission AS a
  JOIN PATIENT_DATA.tbMaster AS m ON m.HospNum = a.HospNum
  LEFT JOIN PATIENT_DATA.tbDoctor AS d ON d.DoctorID = a.DoctorID
  LEFT JOIN tbMSSAssessment AS s ON s.IdNum = a.IdNum
 WHERE a.IdNum = trim(@IdNum);
