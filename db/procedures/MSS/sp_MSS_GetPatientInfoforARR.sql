-- sp_MSS_GetPatientInfoforARR: name, hospital number and room of the patient of any admission
-- (out-patient and ER visits show "OPD").
-- params: IdNum
SELECT m.LastName || ', ' || m.FirstName || ' ' || m.MiddleName AS Name, a.HospNum AS HospNum,
       CASE WHEN a.Kind = 'I' THEN a.RoomID ELSE 'OPD' END AS RoomID
  FROM PATIENT_DATA.vwAdmission AS a
  JOIN PATIENT_DATA.tbMaster AS m ON m.HospNum = a.HospNum
 WHERE a.IdNum = trim(@IdNum);
