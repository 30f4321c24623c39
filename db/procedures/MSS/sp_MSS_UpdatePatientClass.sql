-- sp_MSS_UpdatePatientClass: makes an admission pay ('P') or service ('S') and records the
-- change in the admission's class history. Works on in-patient, out-patient and ER admissions.
-- Any other class (an empty one included) is refused rather than stored, as is an admission
-- that does not exist.
-- params: IdNum, PatientClass, UserID
SELECT mss_error('The patient type must be P (pay) or S (service), not "' || ifnull(@PatientClass, '') || '"')
 WHERE upper(trim(ifnull(@PatientClass, ''))) NOT IN ('P', 'S');
SELECT mss_error('Admission ' || ifnull(trim(@IdNum), '') || ' does not exist')
 WHERE NOT EXISTS (SELECT 1 FROM PATIENT_DATA.vwAdmission WHERE IdNum = trim(@IdNum));
UPDATE PATIENT_DATA.tbPatient2 SET PatientClass = upper(trim(@PatientClass)) WHERE IdNum = trim(@IdNum);
UPDATE PATIENT_DATA.tbOutPatient SET PatientType = upper(trim(@PatientClass)) WHERE IdNum = trim(@IdNum);
UPDATE PATIENT_DATA.tbERMaster SET PatientClassification = upper(trim(@PatientClass)) WHERE IdNum = trim(@IdNum);
INSERT INTO tbMSSPatClassHistory (IdNum, HospNum, TransDate, PatientClass, UserID)
SELECT IdNum, HospNum, getdate(), upper(trim(@PatientClass)), trim(@UserID)
  FROM PATIENT_DATA.vwAdmission WHERE IdNum = trim(@IdNum);
