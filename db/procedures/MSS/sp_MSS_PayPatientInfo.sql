-- sp_MSS_PayPatientInfo: identity of the patient of an admission of any kind, for a new ARR.
-- params: IdNum
SELECT m.LastName, m.FirstName, m.MiddleName, a.HospNum AS HospNum, a.IdNum AS IDNUM,
       ifnull(d.LastName || ', ' || d.FirstName, '') AS DoctorName, a.RoomID AS RoomID, a.PatientClass
  FROM PATIENT_DATA.vwAdmission AS a
  JOIN PATIENT_DATA.tbMaster AS m ON m.HospNum = a.HospNum
  LEFT JOIN PATIENT_DATA.tbDoctor AS d ON d.DoctorID = a.DoctorID
 WHERE a.IdNum = trim(@IdNum);
