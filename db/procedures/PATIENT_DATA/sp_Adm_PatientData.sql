-- sp_Adm_PatientData: the data sheet of an admission (patient, address, admission, doctor,
-- history). The data sheet report reads the same data itself; the procedure stores nothing.
-- params: IdNum
SELECT a.IdNum AS IDNUM, a.HospNum, m.LastName, m.FirstName, m.MiddleName, m.Sex, m.BirthDate, m.BirthPlace,
       m.CivilStatus, m.HouseStreet, m.Barangay, m.Town, m.Province, m.ZipCode, m.TelNumber, m.Occupation,
       m.Employer, r.Description AS Religion, a.AdmDate, a.DcrDate, a.RoomID, a.PatientClass,
       ifnull(d.LastName || ', ' || d.FirstName, '') AS Doctor, a.ChiefComplaint, a.AdmittingDiagnosis,
       a.AdmittingImpression, a.Procedures, m.MSSNum, m.MSSClassification
  FROM tbPatient2 AS a
  JOIN tbMaster AS m ON m.HospNum = a.HospNum
  LEFT JOIN tbReligion AS r ON r.ReligionID = m.ReligionID
  LEFT JOIN tbDoctor AS d ON d.DoctorID = a.DoctorID
 WHERE a.IdNum = trim(@IdNum);
