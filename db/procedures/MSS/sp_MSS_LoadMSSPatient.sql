-- sp_MSS_LoadMSSPatient: admissions the department has classified (an assessment or an intake
-- classification is stored for them), for the MSS patients list. No billing date column: the
-- list does not show one.
-- Every argument is matched as a prefix, without regard to letter case; an empty argument
-- matches everything. Each branch below serves one "first non-empty criterion" so that the
-- search runs on the index of that column; the other criteria filter the rows it finds.
-- Rows come sorted by name, then the most recent admission first.
-- In names a backquote and an apostrophe match each other: the search boxes turn a typed
-- apostrophe into a backquote, while names are stored as typed (O'BRIEN).
-- params: HospNum, LastName, IdNum, FirstName, MiddleName
SELECT s.IdNum AS IDNUM, s.HospNum AS HospNum, coalesce(i.AdmDate, o.AdmDate, e.AdmDate) AS AdmDate, m.LastName AS LastName, m.FirstName AS FirstName, m.MiddleName AS MiddleName,
       CASE WHEN i.IdNum IS NOT NULL THEN i.RoomID WHEN o.IdNum IS NOT NULL THEN 'OPD' WHEN e.IdNum IS NOT NULL THEN 'ER' END AS RoomID,
       coalesce(nullif(m.MSSNum, ''), s.MSSNum) AS MSS,
       ifnull(m.HouseStreet || ', ', '') || ifnull(m.Barangay || ', ', '') || ifnull(m.Town || ', ', '') || ifnull(m.Province, '') AS Address,
       coalesce(i.DcrDate, o.DcrDate, e.DcrDate) AS dcrdate
  FROM main.tbMSSAssessment AS s JOIN PATIENT_DATA.tbMaster AS m ON m.HospNum = s.HospNum
  LEFT JOIN PATIENT_DATA.tbPatient2 AS i ON i.IdNum = s.IdNum
  LEFT JOIN PATIENT_DATA.tbOutPatient AS o ON o.IdNum = s.IdNum
  LEFT JOIN PATIENT_DATA.tbERMaster AS e ON e.IdNum = s.IdNum
 WHERE @IdNum <> ''
   AND s.IdNum >= @IdNum AND s.IdNum < @IdNum || char(1114111)
   AND (@HospNum = '' OR s.HospNum >= @HospNum AND s.HospNum < @HospNum || char(1114111))
   AND (@LastName = '' OR m.LastName >= replace(@LastName, '`', '''') AND m.LastName < replace(@LastName, '''', '`') || char(1114111)
       AND (instr(@LastName, '`') + instr(@LastName, '''') = 0
            OR replace(substr(m.LastName, 1, length(@LastName)), '''', '`') = replace(@LastName, '''', '`') COLLATE NOCASE))
   AND (@FirstName = '' OR m.FirstName >= replace(@FirstName, '`', '''') AND m.FirstName < replace(@FirstName, '''', '`') || char(1114111)
       AND (instr(@FirstName, '`') + instr(@FirstName, '''') = 0
            OR replace(substr(m.FirstName, 1, length(@FirstName)), '''', '`') = replace(@FirstName, '''', '`') COLLATE NOCASE))
   AND (@MiddleName = '' OR m.MiddleName >= replace(@MiddleName, '`', '''') AND m.MiddleName < replace(@MiddleName, '''', '`') || char(1114111)
       AND (instr(@MiddleName, '`') + instr(@MiddleName, '''') = 0
            OR replace(substr(m.MiddleName, 1, length(@MiddleName)), '''', '`') = replace(@MiddleName, '''', '`') COLLATE NOCASE))
UNION ALL
SELECT s.IdNum AS IDNUM, s.HospNum AS HospNum, coalesce(i.AdmDate, o.AdmDate, e.AdmDate) AS AdmDate, m.LastName AS LastName, m.FirstName AS FirstName, m.MiddleName AS MiddleName,
       CASE WHEN i.IdNum IS NOT NULL THEN i.RoomID WHEN o.IdNum IS NOT NULL THEN 'OPD' WHEN e.IdNum IS NOT NULL THEN 'ER' END AS RoomID,
       coalesce(nullif(m.MSSNum, ''), s.MSSNum) AS MSS,
       ifnull(m.HouseStreet || ', ', '') || ifnull(m.Barangay || ', ', '') || ifnull(m.Town || ', ', '') || ifnull(m.Province, '') AS Address,
       coalesce(i.DcrDate, o.DcrDate, e.DcrDate) AS dcrdate
  FROM main.tbMSSAssessment AS s JOIN PATIENT_DATA.tbMaster AS m ON m.HospNum = s.HospNum
  LEFT JOIN PATIENT_DATA.tbPatient2 AS i ON i.IdNum = s.IdNum
  LEFT JOIN PATIENT_DATA.tbOutPatient AS o ON o.IdNum = s.IdNum
  LEFT JOIN PATIENT_DATA.tbERMaster AS e ON e.IdNum = s.IdNum
 WHERE @IdNum = ''
   AND @HospNum <> ''
   AND s.HospNum >= @HospNum AND s.HospNum < @HospNum || char(1114111)
   AND (@LastName = '' OR m.LastName >= replace(@LastName, '`', '''') AND m.LastName < replace(@LastName, '''', '`') || char(1114111)
       AND (instr(@LastName, '`') + instr(@LastName, '''') = 0
            OR replace(substr(m.LastName, 1, length(@LastName)), '''', '`') = replace(@LastName, '''', '`') COLLATE NOCASE))
   AND (@FirstName = '' OR m.FirstName >= replace(@FirstName, '`', '''') AND m.FirstName < replace(@FirstName, '''', '`') || char(1114111)
       AND (instr(@FirstName, '`') + instr(@FirstName, '''') = 0
            OR replace(substr(m.FirstName, 1, length(@FirstName)), '''', '`') = replace(@FirstName, '''', '`') COLLATE NOCASE))
   AND (@MiddleName = '' OR m.MiddleName >= replace(@MiddleName, '`', '''') AND m.MiddleName < replace(@MiddleName, '''', '`') || char(1114111)
       AND (instr(@MiddleName, '`') + instr(@MiddleName, '''') = 0
            OR replace(substr(m.MiddleName, 1, length(@MiddleName)), '''', '`') = replace(@MiddleName, '''', '`') COLLATE NOCASE))
UNION ALL
SELECT s.IdNum AS IDNUM, s.HospNum AS HospNum, coalesce(i.AdmDate, o.AdmDate, e.AdmDate) AS AdmDate, m.LastName AS LastName, m.FirstName AS FirstName, m.MiddleName AS MiddleName,
       CASE WHEN i.IdNum IS NOT NULL THEN i.RoomID WHEN o.IdNum IS NOT NULL THEN 'OPD' WHEN e.IdNum IS NOT NULL THEN 'ER' END AS RoomID,
       coalesce(nullif(m.MSSNum, ''), s.MSSNum) AS MSS,
       ifnull(m.HouseStreet || ', ', '') || ifnull(m.Barangay || ', ', '') || ifnull(m.Town || ', ', '') || ifnull(m.Province, '') AS Address,
       coalesce(i.DcrDate, o.DcrDate, e.DcrDate) AS dcrdate
  FROM main.tbMSSAssessment AS s JOIN PATIENT_DATA.tbMaster AS m ON m.HospNum = s.HospNum
  LEFT JOIN PATIENT_DATA.tbPatient2 AS i ON i.IdNum = s.IdNum
  LEFT JOIN PATIENT_DATA.tbOutPatient AS o ON o.IdNum = s.IdNum
  LEFT JOIN PATIENT_DATA.tbERMaster AS e ON e.IdNum = s.IdNum
 WHERE @IdNum = ''
   AND @HospNum = ''
   AND @LastName <> ''
   AND m.LastName >= replace(@LastName, '`', '''') AND m.LastName < replace(@LastName, '''', '`') || char(1114111)
       AND (instr(@LastName, '`') + instr(@LastName, '''') = 0
            OR replace(substr(m.LastName, 1, length(@LastName)), '''', '`') = replace(@LastName, '''', '`') COLLATE NOCASE)
   AND (@FirstName = '' OR m.FirstName >= replace(@FirstName, '`', '''') AND m.FirstName < replace(@FirstName, '''', '`') || char(1114111)
       AND (instr(@FirstName, '`') + instr(@FirstName, '''') = 0
            OR replace(substr(m.FirstName, 1, length(@FirstName)), '''', '`') = replace(@FirstName, '''', '`') COLLATE NOCASE))
   AND (@MiddleName = '' OR m.MiddleName >= replace(@MiddleName, '`', '''') AND m.MiddleName < replace(@MiddleName, '''', '`') || char(1114111)
       AND (instr(@MiddleName, '`') + instr(@MiddleName, '''') = 0
            OR replace(substr(m.MiddleName, 1, length(@MiddleName)), '''', '`') = replace(@MiddleName, '''', '`') COLLATE NOCASE))
UNION ALL
SELECT s.IdNum AS IDNUM, s.HospNum AS HospNum, coalesce(i.AdmDate, o.AdmDate, e.AdmDate) AS AdmDate, m.LastName AS LastName, m.FirstName AS FirstName, m.MiddleName AS MiddleName,
       CASE WHEN i.IdNum IS NOT NULL THEN i.RoomID WHEN o.IdNum IS NOT NULL THEN 'OPD' WHEN e.IdNum IS NOT NULL THEN 'ER' END AS RoomID,
       coalesce(nullif(m.MSSNum, ''), s.MSSNum) AS MSS,
       ifnull(m.HouseStreet || ', ', '') || ifnull(m.Barangay || ', ', '') || ifnull(m.Town || ', ', '') || ifnull(m.Province, '') AS Address,
       coalesce(i.DcrDate, o.DcrDate, e.DcrDate) AS dcrdate
  FROM main.tbMSSAssessment AS s JOIN PATIENT_DATA.tbMaster AS m ON m.HospNum = s.HospNum
  LEFT JOIN PATIENT_DATA.tbPatient2 AS i ON i.IdNum = s.IdNum
  LEFT JOIN PATIENT_DATA.tbOutPatient AS o ON o.IdNum = s.IdNum
  LEFT JOIN PATIENT_DATA.tbERMaster AS e ON e.IdNum = s.IdNum
 WHERE @IdNum = ''
   AND @HospNum = ''
   AND @LastName = ''
   AND @FirstName <> ''
   AND m.FirstName >= replace(@FirstName, '`', '''') AND m.FirstName < replace(@FirstName, '''', '`') || char(1114111)
       AND (instr(@FirstName, '`') + instr(@FirstName, '''') = 0
            OR replace(substr(m.FirstName, 1, length(@FirstName)), '''', '`') = replace(@FirstName, '''', '`') COLLATE NOCASE)
   AND (@MiddleName = '' OR m.MiddleName >= replace(@MiddleName, '`', '''') AND m.MiddleName < replace(@MiddleName, '''', '`') || char(1114111)
       AND (instr(@MiddleName, '`') + instr(@MiddleName, '''') = 0
            OR replace(substr(m.MiddleName, 1, length(@MiddleName)), '''', '`') = replace(@MiddleName, '''', '`') COLLATE NOCASE))
UNION ALL
SELECT s.IdNum AS IDNUM, s.HospNum AS HospNum, coalesce(i.AdmDate, o.AdmDate, e.AdmDate) AS AdmDate, m.LastName AS LastName, m.FirstName AS FirstName, m.MiddleName AS MiddleName,
       CASE WHEN i.IdNum IS NOT NULL THEN i.RoomID WHEN o.IdNum IS NOT NULL THEN 'OPD' WHEN e.IdNum IS NOT NULL THEN 'ER' END AS RoomID,
       coalesce(nullif(m.MSSNum, ''), s.MSSNum) AS MSS,
       ifnull(m.HouseStreet || ', ', '') || ifnull(m.Barangay || ', ', '') || ifnull(m.Town || ', ', '') || ifnull(m.Province, '') AS Address,
       coalesce(i.DcrDate, o.DcrDate, e.DcrDate) AS dcrdate
  FROM main.tbMSSAssessment AS s JOIN PATIENT_DATA.tbMaster AS m ON m.HospNum = s.HospNum
  LEFT JOIN PATIENT_DATA.tbPatient2 AS i ON i.IdNum = s.IdNum
  LEFT JOIN PATIENT_DATA.tbOutPatient AS o ON o.IdNum = s.IdNum
  LEFT JOIN PATIENT_DATA.tbERMaster AS e ON e.IdNum = s.IdNum
 WHERE @IdNum = ''
   AND @HospNum = ''
   AND @LastName = ''
   AND @FirstName = ''
   AND @MiddleName <> ''
   AND m.MiddleName >= replace(@MiddleName, '`', '''') AND m.MiddleName < replace(@MiddleName, '''', '`') || char(1114111)
       AND (instr(@MiddleName, '`') + instr(@MiddleName, '''') = 0
            OR replace(substr(m.MiddleName, 1, length(@MiddleName)), '''', '`') = replace(@MiddleName, '''', '`') COLLATE NOCASE)
UNION ALL
SELECT s.IdNum AS IDNUM, s.HospNum AS HospNum, coalesce(i.AdmDate, o.AdmDate, e.AdmDate) AS AdmDate, m.LastName AS LastName, m.FirstName AS FirstName, m.MiddleName AS MiddleName,
       CASE WHEN i.IdNum IS NOT NULL THEN i.RoomID WHEN o.IdNum IS NOT NULL THEN 'OPD' WHEN e.IdNum IS NOT NULL THEN 'ER' END AS RoomID,
       coalesce(nullif(m.MSSNum, ''), s.MSSNum) AS MSS,
       ifnull(m.HouseStreet || ', ', '') || ifnull(m.Barangay || ', ', '') || ifnull(m.Town || ', ', '') || ifnull(m.Province, '') AS Address,
       coalesce(i.DcrDate, o.DcrDate, e.DcrDate) AS dcrdate
  FROM main.tbMSSAssessment AS s JOIN PATIENT_DATA.tbMaster AS m ON m.HospNum = s.HospNum
  LEFT JOIN PATIENT_DATA.tbPatient2 AS i ON i.IdNum = s.IdNum
  LEFT JOIN PATIENT_DATA.tbOutPatient AS o ON o.IdNum = s.IdNum
  LEFT JOIN PATIENT_DATA.tbERMaster AS e ON e.IdNum = s.IdNum
 WHERE @IdNum = ''
   AND @HospNum = ''
   AND @LastName = ''
   AND @FirstName = ''
   AND @MiddleName = ''
 ORDER BY LastName, FirstName, MiddleName, AdmDate DESC;
