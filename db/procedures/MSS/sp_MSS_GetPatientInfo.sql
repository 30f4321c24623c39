-- sp_MSS_GetPatientInfo: the classified patient of an admission for the discount window:
-- class code, name, hospital and MSS numbers and room. Out-patient and ER visits show the room
-- as "OPD", which selects the out-patient discount rates. No row when the department has not
-- classified the admission and the patient has no MSS number.
-- params: HospNum, IdNum
SELECT coalesce(nullif(s.Code, ''),
                CASE WHEN m.MSSDiscountExpiry >= date('now', 'localtime') THEN m.MSSClassification END, '') AS Code,
       m.LastName || ', ' || m.FirstName || ' ' || m.MiddleName AS Name, a.HospNum AS HospNum,
       coalesce(nullif(m.MSSNum, ''), s.MSSNum) AS MSSNumber,
       CASE WHEN a.Kind = 'I' THEN a.RoomID ELSE 'OPD' END AS RoomID
  FROM PATIENT_DATA.vwAdmission AS a
  JOIN PATIENT_DATA.tbMaster AS m ON m.HospNum = a.HospNum
  LEFT JOIN tbMSSAssessment AS s ON s.IdNum = a.IdNum
 WHERE a.IdNum = trim(@IdNum) AND (trim(ifnull(@HospNum, '')) = '' OR a.HospNum = trim(@HospNum))
   AND (s.IdNum IS NOT NULL OR ifnull(m.MSSNum, '') <> '');
