-- sp_MSS_getERDailyCensus: the ER visits of one day (the census reports read the same rows
-- themselves; the procedure stores nothing).
-- params: CensusDate
SELECT e.IdNum AS IDNUM, e.HospNum AS HospNum, e.AdmDate AS AdmDate, e.DcrDate AS DcrDate,
       m.LastName, m.FirstName, m.MiddleName, m.Sex, e.PatientClassification AS PatientClass, e.Diagnosis,
       e.Disposition, ifnull(d.LastName || ', ' || d.FirstName, '') AS Doctor
  FROM PATIENT_DATA.tbERMaster AS e
  JOIN PATIENT_DATA.tbMaster AS m ON m.HospNum = e.HospNum
  LEFT JOIN PATIENT_DATA.tbDoctor AS d ON d.DoctorID = e.DoctorID
 WHERE e.AdmDate >= mss_date(@CensusDate) AND e.AdmDate < date(mss_date(@CensusDate), '+1 day')
 ORDER BY e.AdmDate;
