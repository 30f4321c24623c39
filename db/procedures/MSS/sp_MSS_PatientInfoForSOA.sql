-- sp_MSS_PatientInfoForSOA: the statement-of-account heading of an admission: patient, address
-- on two lines, the account charged and its company, admission and discharge dates and times,
-- room and its rate, and the out-patient visit the admission came from.
-- params: HospNum, IdNum
SELECT m.LastName || ', ' || m.FirstName || ' ' || m.MiddleName AS PatientName,
       trim(ifnull(m.HouseStreet, '') || ' ' || ifnull(m.Barangay, '')) AS Address1,
       trim(ifnull(m.Town, '') || ', ' || ifnull(m.Province, '') || ' ' || ifnull(m.ZipCode, ''), ' ,') AS Address2,
       a.AccountNum AS AccountNum, c.Company AS Company, date(a.AdmDate) AS AdmDate, date(a.DcrDate) AS dcrdate,
       a.RoomID AS RoomID, strftime('%H:%M', a.AdmDate) AS AdmTime, strftime('%H:%M', a.DcrDate) AS dcrtime,
       r.RoomRate AS RoomRate, p.OPDIdNum AS OPDIdnum
  FROM PATIENT_DATA.vwAdmission AS a
  JOIN PATIENT_DATA.tbMaster AS m ON m.HospNum = a.HospNum
  LEFT JOIN PATIENT_DATA.tbPatient2 AS p ON p.IdNum = a.IdNum
  LEFT JOIN PATIENT_DATA.tbRoom AS r ON r.RoomID = a.RoomID
  LEFT JOIN BILLING.tbBillCompany AS c ON c.AccountNum = a.AccountNum
 WHERE a.IdNum = trim(@IdNum) AND (trim(ifnull(@HospNum, '')) = '' OR a.HospNum = trim(@HospNum));
