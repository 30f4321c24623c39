-- sp_Adm_DailyAdmission: the in-patients admitted on one day, with their class and room. The
-- admission reports read the same rows themselves; the procedure stores nothing.
-- params: AdmissionDate
SELECT a.IdNum AS IDNUM, a.HospNum, a.AdmDate, m.LastName, m.FirstName, m.MiddleName, m.Sex, a.RoomID,
       a.PatientClass, a.AdmittingDiagnosis, ifnull(d.LastName || ', ' || d.FirstName, '') AS Doctor
  FROM tbPatient2 AS a
  JOIN tbMaster AS m ON m.HospNum = a.HospNum
  LEFT JOIN tbDoctor AS d ON d.DoctorID = a.DoctorID
 WHERE a.AdmDate >= mss_date(@AdmissionDate) AND a.AdmDate < date(mss_date(@AdmissionDate), '+1 day')
 ORDER BY a.AdmDate;
