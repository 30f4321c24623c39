-- sp_MSS_LoadAllServicePatient: service (charity) admissions of every kind -- in-patient, out-patient and ER -- for the
-- patient list's "All Patients" choice. Pay admissions are not listed.
-- Every argument is matched as a prefix, without regard to letter case; an empty argument
-- matches everything. Each branch below serves one "first non-empty criterion" so that the
-- search runs on the index of that column; the other criteria filter the rows it finds.
-- Rows come sorted by name, then the most recent admission first.
-- params: HospNum, LastName, IdNum, FirstName, MiddleName
SELECT a.IdNum AS IDNUM, a.HospNum AS HospNum, a.AdmDate AS AdmDate, m.LastName AS LastName, m.FirstName AS FirstName, m.MiddleName AS MiddleName, a.RoomID AS RoomID, m.MSSNum AS MSS,
       ifnull(m.HouseStreet || ', ', '') || ifnull(m.Barangay || ', ', '') || ifnull(m.Town || ', ', '') || ifnull(m.Province, '') AS Address,
       a.DcrDate AS dcrdate, a.BillingDate AS BillingDate
  FROM PATIENT_DATA.tbPatient2 AS a JOIN PATIENT_DATA.tbMaster AS m ON m.HospNum = a.HospNum
 WHERE @IdNum <> ''
   AND a.IdNum >= @IdNum AND a.IdNum < @IdNum || char(1114111)
   AND (@HospNum = '' OR a.HospNum >= @HospNum AND a.HospNum < @HospNum || char(1114111))
   AND (@LastName = '' OR m.LastName >= @LastName AND m.LastName < @LastName || char(1114111))
   AND (@FirstName = '' OR m.FirstName >= @FirstName AND m.FirstName < @FirstName || char(1114111))
   AND (@MiddleName = '' OR m.MiddleName >= @MiddleName AND m.MiddleName < @MiddleName || char(1114111))
   AND a.PatientClass = 'S'
UNION ALL
SELECT a.IdNum AS IDNUM, a.HospNum AS HospNum, a.AdmDate AS AdmDate, m.LastName AS LastName, m.FirstName AS FirstName, m.MiddleName AS MiddleName, a.RoomID AS RoomID, m.MSSNum AS MSS,
       ifnull(m.HouseStreet || ', ', '') || ifnull(m.Barangay || ', ', '') || ifnull(m.Town || ', ', '') || ifnull(m.Province, '') AS Address,
       a.DcrDate AS dcrdate, a.BillingDate AS BillingDate
  FROM PATIENT_DATA.tbPatient2 AS a JOIN PATIENT_DATA.tbMaster AS m ON m.HospNum = a.HospNum
 WHERE @IdNum = ''
   AND @HospNum <> ''
   AND a.HospNum >= @HospNum AND a.HospNum < @HospNum || char(1114111)
   AND (@LastName = '' OR m.LastName >= @LastName AND m.LastName < @LastName || char(1114111))
   AND (@FirstName = '' OR m.FirstName >= @FirstName AND m.FirstName < @FirstName || char(1114111))
   AND (@MiddleName = '' OR m.MiddleName >= @MiddleName AND m.MiddleName < @MiddleName || char(1114111))
   AND a.PatientClass = 'S'
UNION ALL
SELECT a.IdNum AS IDNUM, a.HospNum AS HospNum, a.AdmDate AS AdmDate, m.LastName AS LastName, m.FirstName AS FirstName, m.MiddleName AS MiddleName, a.RoomID AS RoomID, m.MSSNum AS MSS,
       ifnull(m.HouseStreet || ', ', '') || ifnull(m.Barangay || ', ', '') || ifnull(m.Town || ', ', '') || ifnull(m.Province, '') AS Address,
       a.DcrDate AS dcrdate, a.BillingDate AS BillingDate
  FROM PATIENT_DATA.tbPatient2 AS a JOIN PATIENT_DATA.tbMaster AS m ON m.HospNum = a.HospNum
 WHERE @IdNum = ''
   AND @HospNum = ''
   AND @LastName <> ''
   AND m.LastName >= @LastName AND m.LastName < @LastName || char(1114111)
   AND (@FirstName = '' OR m.FirstName >= @FirstName AND m.FirstName < @FirstName || char(1114111))
   AND (@MiddleName = '' OR m.MiddleName >= @MiddleName AND m.MiddleName < @MiddleName || char(1114111))
   AND a.PatientClass = 'S'
UNION ALL
SELECT a.IdNum AS IDNUM, a.HospNum AS HospNum, a.AdmDate AS AdmDate, m.LastName AS LastName, m.FirstName AS FirstName, m.MiddleName AS MiddleName, a.RoomID AS RoomID, m.MSSNum AS MSS,
       ifnull(m.HouseStreet || ', ', '') || ifnull(m.Barangay || ', ', '') || ifnull(m.Town || ', ', '') || ifnull(m.Province, '') AS Address,
       a.DcrDate AS dcrdate, a.BillingDate AS BillingDate
  FROM PATIENT_DATA.tbPatient2 AS a JOIN PATIENT_DATA.tbMaster AS m ON m.HospNum = a.HospNum
 WHERE @IdNum = ''
   AND @HospNum = ''
   AND @LastName = ''
   AND @FirstName <> ''
   AND m.FirstName >= @FirstName AND m.FirstName < @FirstName || char(1114111)
   AND (@MiddleName = '' OR m.MiddleName >= @MiddleName AND m.MiddleName < @MiddleName || char(1114111))
   AND a.PatientClass = 'S'
UNION ALL
SELECT a.IdNum AS IDNUM, a.HospNum AS HospNum, a.AdmDate AS AdmDate, m.LastName AS LastName, m.FirstName AS FirstName, m.MiddleName AS MiddleName, a.RoomID AS RoomID, m.MSSNum AS MSS,
       ifnull(m.HouseStreet || ', ', '') || ifnull(m.Barangay || ', ', '') || ifnull(m.Town || ', ', '') || ifnull(m.Province, '') AS Address,
       a.DcrDate AS dcrdate, a.BillingDate AS BillingDate
  FROM PATIENT_DATA.tbPatient2 AS a JOIN PATIENT_DATA.tbMaster AS m ON m.HospNum = a.HospNum
 WHERE @IdNum = ''
   AND @HospNum = ''
   AND @LastName = ''
   AND @FirstName = ''
   AND @MiddleName <> ''
   AND m.MiddleName >= @MiddleName AND m.MiddleName < @MiddleName || char(1114111)
   AND a.PatientClass = 'S'
UNION ALL
SELECT a.IdNum AS IDNUM, a.HospNum AS HospNum, a.AdmDate AS AdmDate, m.LastName AS LastName, m.FirstName AS FirstName, m.MiddleName AS MiddleName, a.RoomID AS RoomID, m.MSSNum AS MSS,
       ifnull(m.HouseStreet || ', ', '') || ifnull(m.Barangay || ', ', '') || ifnull(m.Town || ', ', '') || ifnull(m.Province, '') AS Address,
       a.DcrDate AS dcrdate, a.BillingDate AS BillingDate
  FROM PATIENT_DATA.tbPatient2 AS a JOIN PATIENT_DATA.tbMaster AS m ON m.HospNum = a.HospNum
 WHERE @IdNum = ''
   AND @HospNum = ''
   AND @LastName = ''
   AND @FirstName = ''
   AND @MiddleName = ''
   AND a.PatientClass = 'S'
UNION ALL
SELECT a.IdNum AS IDNUM, a.HospNum AS HospNum, a.AdmDate AS AdmDate, m.LastName AS LastName, m.FirstName AS FirstName, m.MiddleName AS MiddleName, 'OPD' AS RoomID, m.MSSNum AS MSS,
       ifnull(m.HouseStreet || ', ', '') || ifnull(m.Barangay || ', ', '') || ifnull(m.Town || ', ', '') || ifnull(m.Province, '') AS Address,
       a.DcrDate AS dcrdate, a.BillingDate AS BillingDate
  FROM PATIENT_DATA.tbOutPatient AS a JOIN PATIENT_DATA.tbMaster AS m ON m.HospNum = a.HospNum
 WHERE @IdNum <> ''
   AND a.IdNum >= @IdNum AND a.IdNum < @IdNum || char(1114111)
   AND (@HospNum = '' OR a.HospNum >= @HospNum AND a.HospNum < @HospNum || char(1114111))
   AND (@LastName = '' OR m.LastName >= @LastName AND m.LastName < @LastName || char(1114111))
   AND (@FirstName = '' OR m.FirstName >= @FirstName AND m.FirstName < @FirstName || char(1114111))
   AND (@MiddleName = '' OR m.MiddleName >= @MiddleName AND m.MiddleName < @MiddleName || char(1114111))
   AND a.PatientType = 'S'
UNION ALL
SELECT a.IdNum AS IDNUM, a.HospNum AS HospNum, a.AdmDate AS AdmDate, m.LastName AS LastName, m.FirstName AS FirstName, m.MiddleName AS MiddleName, 'OPD' AS RoomID, m.MSSNum AS MSS,
       ifnull(m.HouseStreet || ', ', '') || ifnull(m.Barangay || ', ', '') || ifnull(m.Town || ', ', '') || ifnull(m.Province, '') AS Address,
       a.DcrDate AS dcrdate, a.BillingDate AS BillingDate
  FROM PATIENT_DATA.tbOutPatient AS a JOIN PATIENT_DATA.tbMaster AS m ON m.HospNum = a.HospNum
 WHERE @IdNum = ''
   AND @HospNum <> ''
   AND a.HospNum >= @HospNum AND a.HospNum < @HospNum || char(1114111)
   AND (@LastName = '' OR m.LastName >= @LastName AND m.LastName < @LastName || char(1114111))
   AND (@FirstName = '' OR m.FirstName >= @FirstName AND m.FirstName < @FirstName || char(1114111))
   AND (@MiddleName = '' OR m.MiddleName >= @MiddleName AND m.MiddleName < @MiddleName || char(1114111))
   AND a.PatientType = 'S'
UNION ALL
SELECT a.IdNum AS IDNUM, a.HospNum AS HospNum, a.AdmDate AS AdmDate, m.LastName AS LastName, m.FirstName AS FirstName, m.MiddleName AS MiddleName, 'OPD' AS RoomID, m.MSSNum AS MSS,
       ifnull(m.HouseStreet || ', ', '') || ifnull(m.Barangay || ', ', '') || ifnull(m.Town || ', ', '') || ifnull(m.Province, '') AS Address,
       a.DcrDate AS dcrdate, a.BillingDate AS BillingDate
  FROM PATIENT_DATA.tbOutPatient AS a JOIN PATIENT_DATA.tbMaster AS m ON m.HospNum = a.HospNum
 WHERE @IdNum = ''
   AND @HospNum = ''
   AND @LastName <> ''
   AND m.LastName >= @LastName AND m.LastName < @LastName || char(1114111)
   AND (@FirstName = '' OR m.FirstName >= @FirstName AND m.FirstName < @FirstName || char(1114111))
   AND (@MiddleName = '' OR m.MiddleName >= @MiddleName AND m.MiddleName < @MiddleName || char(1114111))
   AND a.PatientType = 'S'
UNION ALL
SELECT a.IdNum AS IDNUM, a.HospNum AS HospNum, a.AdmDate AS AdmDate, m.LastName AS LastName, m.FirstName AS FirstName, m.MiddleName AS MiddleName, 'OPD' AS RoomID, m.MSSNum AS MSS,
       ifnull(m.HouseStreet || ', ', '') || ifnull(m.Barangay || ', ', '') || ifnull(m.Town || ', ', '') || ifnull(m.Province, '') AS Address,
       a.DcrDate AS dcrdate, a.BillingDate AS BillingDate
  FROM PATIENT_DATA.tbOutPatient AS a JOIN PATIENT_DATA.tbMaster AS m ON m.HospNum = a.HospNum
 WHERE @IdNum = ''
   AND @HospNum = ''
   AND @LastName = ''
   AND @FirstName <> ''
   AND m.FirstName >= @FirstName AND m.FirstName < @FirstName || char(1114111)
   AND (@MiddleName = '' OR m.MiddleName >= @MiddleName AND m.MiddleName < @MiddleName || char(1114111))
   AND a.PatientType = 'S'
UNION ALL
SELECT a.IdNum AS IDNUM, a.HospNum AS HospNum, a.AdmDate AS AdmDate, m.LastName AS LastName, m.FirstName AS FirstName, m.MiddleName AS MiddleName, 'OPD' AS RoomID, m.MSSNum AS MSS,
       ifnull(m.HouseStreet || ', ', '') || ifnull(m.Barangay || ', ', '') || ifnull(m.Town || ', ', '') || ifnull(m.Province, '') AS Address,
       a.DcrDate AS dcrdate, a.BillingDate AS BillingDate
  FROM PATIENT_DATA.tbOutPatient AS a JOIN PATIENT_DATA.tbMaster AS m ON m.HospNum = a.HospNum
 WHERE @IdNum = ''
   AND @HospNum = ''
   AND @LastName = ''
   AND @FirstName = ''
   AND @MiddleName <> ''
   AND m.MiddleName >= @MiddleName AND m.MiddleName < @MiddleName || char(1114111)
   AND a.PatientType = 'S'
UNION ALL
SELECT a.IdNum AS IDNUM, a.HospNum AS HospNum, a.AdmDate AS AdmDate, m.LastName AS LastName, m.FirstName AS FirstName, m.MiddleName AS MiddleName, 'OPD' AS RoomID, m.MSSNum AS MSS,
       ifnull(m.HouseStreet || ', ', '') || ifnull(m.Barangay || ', ', '') || ifnull(m.Town || ', ', '') || ifnull(m.Province, '') AS Address,
       a.DcrDate AS dcrdate, a.BillingDate AS BillingDate
  FROM PATIENT_DATA.tbOutPatient AS a JOIN PATIENT_DATA.tbMaster AS m ON m.HospNum = a.HospNum
 WHERE @IdNum = ''
   AND @HospNum = ''
   AND @LastName = ''
   AND @FirstName = ''
   AND @MiddleName = ''
   AND a.PatientType = 'S'
UNION ALL
SELECT a.IdNum AS IDNUM, a.HospNum AS HospNum, a.AdmDate AS AdmDate, m.LastName AS LastName, m.FirstName AS FirstName, m.MiddleName AS MiddleName, 'ER' AS RoomID, m.MSSNum AS MSS,
       ifnull(m.HouseStreet || ', ', '') || ifnull(m.Barangay || ', ', '') || ifnull(m.Town || ', ', '') || ifnull(m.Province, '') AS Address,
       a.DcrDate AS dcrdate, a.BillingDate AS BillingDate
  FROM PATIENT_DATA.tbERMaster AS a JOIN PATIENT_DATA.tbMaster AS m ON m.HospNum = a.HospNum
 WHERE @IdNum <> ''
   AND a.IdNum >= @IdNum AND a.IdNum < @IdNum || char(1114111)
   AND (@HospNum = '' OR a.HospNum >= @HospNum AND a.HospNum < @HospNum || char(1114111))
   AND (@LastName = '' OR m.LastName >= @LastName AND m.LastName < @LastName || char(1114111))
   AND (@FirstName = '' OR m.FirstName >= @FirstName AND m.FirstName < @FirstName || char(1114111))
   AND (@MiddleName = '' OR m.MiddleName >= @MiddleName AND m.MiddleName < @MiddleName || char(1114111))
   AND a.PatientClassification = 'S'
UNION ALL
SELECT a.IdNum AS IDNUM, a.HospNum AS HospNum, a.AdmDate AS AdmDate, m.LastName AS LastName, m.FirstName AS FirstName, m.MiddleName AS MiddleName, 'ER' AS RoomID, m.MSSNum AS MSS,
       ifnull(m.HouseStreet || ', ', '') || ifnull(m.Barangay || ', ', '') || ifnull(m.Town || ', ', '') || ifnull(m.Province, '') AS Address,
       a.DcrDate AS dcrdate, a.BillingDate AS BillingDate
  FROM PATIENT_DATA.tbERMaster AS a JOIN PATIENT_DATA.tbMaster AS m ON m.HospNum = a.HospNum
 WHERE @IdNum = ''
   AND @HospNum <> ''
   AND a.HospNum >= @HospNum AND a.HospNum < @HospNum || char(1114111)
   AND (@LastName = '' OR m.LastName >= @LastName AND m.LastName < @LastName || char(1114111))
   AND (@FirstName = '' OR m.FirstName >= @FirstName AND m.FirstName < @FirstName || char(1114111))
   AND (@MiddleName = '' OR m.MiddleName >= @MiddleName AND m.MiddleName < @MiddleName || char(1114111))
   AND a.PatientClassification = 'S'
UNION ALL
SELECT a.IdNum AS IDNUM, a.HospNum AS HospNum, a.AdmDate AS AdmDate, m.LastName AS LastName, m.FirstName AS FirstName, m.MiddleName AS MiddleName, 'ER' AS RoomID, m.MSSNum AS MSS,
       ifnull(m.HouseStreet || ', ', '') || ifnull(m.Barangay || ', ', '') || ifnull(m.Town || ', ', '') || ifnull(m.Province, '') AS Address,
       a.DcrDate AS dcrdate, a.BillingDate AS BillingDate
  FROM PATIENT_DATA.tbERMaster AS a JOIN PATIENT_DATA.tbMaster AS m ON m.HospNum = a.HospNum
 WHERE @IdNum = ''
   AND @HospNum = ''
   AND @LastName <> ''
   AND m.LastName >= @LastName AND m.LastName < @LastName || char(1114111)
   AND (@FirstName = '' OR m.FirstName >= @FirstName AND m.FirstName < @FirstName || char(1114111))
   AND (@MiddleName = '' OR m.MiddleName >= @MiddleName AND m.MiddleName < @MiddleName || char(1114111))
   AND a.PatientClassification = 'S'
UNION ALL
SELECT a.IdNum AS IDNUM, a.HospNum AS HospNum, a.AdmDate AS AdmDate, m.LastName AS LastName, m.FirstName AS FirstName, m.MiddleName AS MiddleName, 'ER' AS RoomID, m.MSSNum AS MSS,
       ifnull(m.HouseStreet || ', ', '') || ifnull(m.Barangay || ', ', '') || ifnull(m.Town || ', ', '') || ifnull(m.Province, '') AS Address,
       a.DcrDate AS dcrdate, a.BillingDate AS BillingDate
  FROM PATIENT_DATA.tbERMaster AS a JOIN PATIENT_DATA.tbMaster AS m ON m.HospNum = a.HospNum
 WHERE @IdNum = ''
   AND @HospNum = ''
   AND @LastName = ''
   AND @FirstName <> ''
   AND m.FirstName >= @FirstName AND m.FirstName < @FirstName || char(1114111)
   AND (@MiddleName = '' OR m.MiddleName >= @MiddleName AND m.MiddleName < @MiddleName || char(1114111))
   AND a.PatientClassification = 'S'
UNION ALL
SELECT a.IdNum AS IDNUM, a.HospNum AS HospNum, a.AdmDate AS AdmDate, m.LastName AS LastName, m.FirstName AS FirstName, m.MiddleName AS MiddleName, 'ER' AS RoomID, m.MSSNum AS MSS,
       ifnull(m.HouseStreet || ', ', '') || ifnull(m.Barangay || ', ', '') || ifnull(m.Town || ', ', '') || ifnull(m.Province, '') AS Address,
       a.DcrDate AS dcrdate, a.BillingDate AS BillingDate
  FROM PATIENT_DATA.tbERMaster AS a JOIN PATIENT_DATA.tbMaster AS m ON m.HospNum = a.HospNum
 WHERE @IdNum = ''
   AND @HospNum = ''
   AND @LastName = ''
   AND @FirstName = ''
   AND @MiddleName <> ''
   AND m.MiddleName >= @MiddleName AND m.MiddleName < @MiddleName || char(1114111)
   AND a.PatientClassification = 'S'
UNION ALL
SELECT a.IdNum AS IDNUM, a.HospNum AS HospNum, a.AdmDate AS AdmDate, m.LastName AS LastName, m.FirstName AS FirstName, m.MiddleName AS MiddleName, 'ER' AS RoomID, m.MSSNum AS MSS,
       ifnull(m.HouseStreet || ', ', '') || ifnull(m.Barangay || ', ', '') || ifnull(m.Town || ', ', '') || ifnull(m.Province, '') AS Address,
       a.DcrDate AS dcrdate, a.BillingDate AS BillingDate
  FROM PATIENT_DATA.tbERMaster AS a JOIN PATIENT_DATA.tbMaster AS m ON m.HospNum = a.HospNum
 WHERE @IdNum = ''
   AND @HospNum = ''
   AND @LastName = ''
   AND @FirstName = ''
   AND @MiddleName = ''
   AND a.PatientClassification = 'S'
 ORDER BY LastName, FirstName, MiddleName, AdmDate DESC;
