-- sp_MSS_ReprintARR: stored ARRs for reprinting. The search text is matched as a prefix of the
-- hospital number, the admission number, the MSS number or the patient's last name; empty text
-- finds nothing (there are too many to list). UserName and lisencenumber are those of the
-- social worker of the ARR (the user who saved it when no worker was recorded).
-- params: SearchText
SELECT s.HospNum AS HospNum, s.IdNum AS IdNum, s.MSSNum AS MSSNum,
       m.LastName || ', ' || m.FirstName || ' ' || m.MiddleName AS PatientName,
       c.Classification AS Classification, s.Category AS Category, s.AssessDate AS AssessDate,
       s.Remarks AS Remarks,
       ifnull(e.LastName || ', ' || e.FirstName, '') AS UserName, ifnull(e.LicenseNumber, '') AS lisencenumber
  FROM tbMSSAssessment AS s
  JOIN PATIENT_DATA.tbMaster AS m ON m.HospNum = s.HospNum
  LEFT JOIN tbMSSClassificationScheme AS c ON c.Code = s.Code
  LEFT JOIN tbMSSEmployee AS e ON e.EmployeeID = coalesce(nullif(s.MSSW, ''), s.UserID)
 WHERE trim(ifnull(@SearchText, '')) <> ''
   AND s.HospNum IN (
        SELECT HospNum FROM tbMSSAssessment
         WHERE HospNum >= trim(@SearchText) AND HospNum < trim(@SearchText) || char(1114111)
        UNION SELECT HospNum FROM tbMSSAssessment
         WHERE IdNum >= trim(@SearchText) AND IdNum < trim(@SearchText) || char(1114111)
        UNION SELECT HospNum FROM tbMSSAssessment
         WHERE MSSNum >= trim(@SearchText) AND MSSNum < trim(@SearchText) || char(1114111)
        UNION SELECT HospNum FROM PATIENT_DATA.tbMaster
         WHERE LastName >= trim(@SearchText) AND LastName < trim(@SearchText) || char(1114111))
 ORDER BY m.LastName, m.FirstName, s.AssessDate DESC;
