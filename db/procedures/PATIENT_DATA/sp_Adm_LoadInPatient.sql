-- sp_Adm_LoadInPatient: one admission with its room, doctors and admitting history. Out-patient
-- and ER visits are found too (their history is the visit's diagnosis), so that checking an
-- admission number works for every kind. The station is not used.
-- params: IdNum, StationID
SELECT a.IdNum, a.HospNum, a.Kind, a.AdmDate, a.DcrDate, a.RoomID, a.PatientClass, a.AccountNum, a.BillingDate,
       a.DoctorID, ifnull(d.LastName || ', ' || d.FirstName, '') AS DoctorName,
       p.ReferringDoctor, p.ChiefComplaint, coalesce(p.AdmittingDiagnosis, a.Diagnosis) AS AdmittingDiagnosis,
       p.Procedures, p.AdmittingImpression, p.Remarks AS REMARKS, ifnull(p.NewAdmission, 1) AS NewAdmission,
       p.OPDIdNum
  FROM vwAdmission AS a
  LEFT JOIN tbPatient2 AS p ON p.IdNum = a.IdNum
  LEFT JOIN tbDoctor AS d ON d.DoctorID = a.DoctorID
 WHERE a.IdNum = trim(@IdNum);
