-- spGlobal_RegisteredOPD: registered out-patient visits. Type "1" looks among out-patient
-- visits, "2" among ER visits, anything else among both. The visit number, when given, finds
-- that visit (of the given patient, when a hospital number is given too); otherwise the
-- patient's visits are listed, newest first. With neither nothing is returned.
-- params: HospNum, VisitType, IdNum
SELECT * FROM (
    SELECT a.IdNum, a.HospNum, a.AdmDate, a.DcrDate, a.Kind, a.PatientClass, a.DoctorID, a.Diagnosis
      FROM PATIENT_DATA.vwAdmission AS a
     WHERE trim(ifnull(@IdNum, '')) <> '' AND a.IdNum = trim(@IdNum)
       AND (trim(ifnull(@HospNum, '')) = '' OR a.HospNum = trim(@HospNum))
    UNION ALL
    SELECT a.IdNum, a.HospNum, a.AdmDate, a.DcrDate, a.Kind, a.PatientClass, a.DoctorID, a.Diagnosis
      FROM PATIENT_DATA.vwAdmission AS a
     WHERE trim(ifnull(@IdNum, '')) = '' AND trim(ifnull(@HospNum, '')) <> '' AND a.HospNum = trim(@HospNum))
 WHERE Kind <> 'I' AND Kind = CASE trim(@VisitType) WHEN '1' THEN 'O' WHEN '2' THEN 'E' ELSE Kind END
 ORDER BY AdmDate DESC;
