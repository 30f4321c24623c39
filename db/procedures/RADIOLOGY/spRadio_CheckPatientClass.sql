-- spRadio_CheckPatientClass: the pay ('P') or service ('S') class of an admission of any kind,
-- as radiology charges it.
-- params: IdNum
SELECT substr(PatientClass, 1, 1) AS PatientClass, IdNum, HospNum, Kind
  FROM PATIENT_DATA.vwAdmission
 WHERE IdNum = trim(@IdNum);
