-- sp_MSS_LoadInPatient: in-patient admissions for the patient list.
-- Its rows are those of PATIENT_DATA.vwInPatientList; the criteria are here.
-- Every argument is matched as a prefix, without regard to letter case; an empty argument
-- matches everything. Each branch below serves one "first non-empty criterion" so that the
-- search runs on the index of that column; the other criteria filter the rows it finds.
-- Rows come sorted by name, then the most recent admission first.
-- In names a backquote and an apostrophe match each other: the search boxes turn a typed
-- apostrophe into a backquote, while names are stored as typed (O'BRIEN).
-- params: HospNum, LastName, IdNum, FirstName, MiddleName
SELECT IDNUM, HospNum, AdmDate, LastName, FirstName, MiddleName, RoomID, MSS, Address, dcrdate, BillingDate
  FROM PATIENT_DATA.vwInPatientList
 WHERE @IdNum <> ''
   AND IDNUM >= @IdNum AND IDNUM < @IdNum || char(1114111)
   AND (@HospNum = '' OR HospNum >= @HospNum AND HospNum < @HospNum || char(1114111))
   AND (@LastName = '' OR LastName >= replace(@LastName, '`', '''') AND LastName < replace(@LastName, '''', '`') || char(1114111)
       AND (instr(@LastName, '`') + instr(@LastName, '''') = 0
            OR replace(substr(LastName, 1, length(@LastName)), '''', '`') = replace(@LastName, '''', '`') COLLATE NOCASE))
   AND (@FirstName = '' OR FirstName >= replace(@FirstName, '`', '''') AND FirstName < replace(@FirstName, '''', '`') || char(1114111)
       AND (instr(@FirstName, '`') + instr(@FirstName, '''') = 0
            OR replace(substr(FirstName, 1, length(@FirstName)), '''', '`') = replace(@FirstName, '''', '`') COLLATE NOCASE))
   AND (@MiddleName = '' OR MiddleName >= replace(@MiddleName, '`', '''') AND MiddleName < replace(@MiddleName, '''', '`') || char(1114111)
       AND (instr(@MiddleName, '`') + instr(@MiddleName, '''') = 0
            OR replace(substr(MiddleName, 1, length(@MiddleName)), '''', '`') = replace(@MiddleName, '''', '`') COLLATE NOCASE))
UNION ALL
SELECT IDNUM, HospNum, AdmDate, LastName, FirstName, MiddleName, RoomID, MSS, Address, dcrdate, BillingDate
  FROM PATIENT_DATA.vwInPatientList
 WHERE @IdNum = ''
   AND @HospNum <> ''
   AND HospNum >= @HospNum AND HospNum < @HospNum || char(1114111)
   AND (@LastName = '' OR LastName >= replace(@LastName, '`', '''') AND LastName < replace(@LastName, '''', '`') || char(1114111)
       AND (instr(@LastName, '`') + instr(@LastName, '''') = 0
            OR replace(substr(LastName, 1, length(@LastName)), '''', '`') = replace(@LastName, '''', '`') COLLATE NOCASE))
   AND (@FirstName = '' OR FirstName >= replace(@FirstName, '`', '''') AND FirstName < replace(@FirstName, '''', '`') || char(1114111)
       AND (instr(@FirstName, '`') + instr(@FirstName, '''') = 0
            OR replace(substr(FirstName, 1, length(@FirstName)), '''', '`') = replace(@FirstName, '''', '`') COLLATE NOCASE))
   AND (@MiddleName = '' OR MiddleName >= replace(@MiddleName, '`', '''') AND MiddleName < replace(@MiddleName, '''', '`') || char(1114111)
       AND (instr(@MiddleName, '`') + instr(@MiddleName, '''') = 0
            OR replace(substr(MiddleName, 1, length(@MiddleName)), '''', '`') = replace(@MiddleName, '''', '`') COLLATE NOCASE))
UNION ALL
SELECT IDNUM, HospNum, AdmDate, LastName, FirstName, MiddleName, RoomID, MSS, Address, dcrdate, BillingDate
  FROM PATIENT_DATA.vwInPatientList
 WHERE @IdNum = ''
   AND @HospNum = ''
   AND @LastName <> ''
   AND LastName >= replace(@LastName, '`', '''') AND LastName < replace(@LastName, '''', '`') || char(1114111)
       AND (instr(@LastName, '`') + instr(@LastName, '''') = 0
            OR replace(substr(LastName, 1, length(@LastName)), '''', '`') = replace(@LastName, '''', '`') COLLATE NOCASE)
   AND (@FirstName = '' OR FirstName >= replace(@FirstName, '`', '''') AND FirstName < replace(@FirstName, '''', '`') || char(1114111)
       AND (instr(@FirstName, '`') + instr(@FirstName, '''') = 0
            OR replace(substr(FirstName, 1, length(@FirstName)), '''', '`') = replace(@FirstName, '''', '`') COLLATE NOCASE))
   AND (@MiddleName = '' OR MiddleName >= replace(@MiddleName, '`', '''') AND MiddleName < replace(@MiddleName, '''', '`') || char(1114111)
       AND (instr(@MiddleName, '`') + instr(@MiddleName, '''') = 0
            OR replace(substr(MiddleName, 1, length(@MiddleName)), '''', '`') = replace(@MiddleName, '''', '`') COLLATE NOCASE))
UNION ALL
SELECT IDNUM, HospNum, AdmDate, LastName, FirstName, MiddleName, RoomID, MSS, Address, dcrdate, BillingDate
  FROM PATIENT_DATA.vwInPatientList
 WHERE @IdNum = ''
   AND @HospNum = ''
   AND @LastName = ''
   AND @FirstName <> ''
   AND FirstName >= replace(@FirstName, '`', '''') AND FirstName < replace(@FirstName, '''', '`') || char(1114111)
       AND (instr(@FirstName, '`') + instr(@FirstName, '''') = 0
            OR replace(substr(FirstName, 1, length(@FirstName)), '''', '`') = replace(@FirstName, '''', '`') COLLATE NOCASE)
   AND (@MiddleName = '' OR MiddleName >= replace(@MiddleName, '`', '''') AND MiddleName < replace(@MiddleName, '''', '`') || char(1114111)
       AND (instr(@MiddleName, '`') + instr(@MiddleName, '''') = 0
            OR replace(substr(MiddleName, 1, length(@MiddleName)), '''', '`') = replace(@MiddleName, '''', '`') COLLATE NOCASE))
UNION ALL
SELECT IDNUM, HospNum, AdmDate, LastName, FirstName, MiddleName, RoomID, MSS, Address, dcrdate, BillingDate
  FROM PATIENT_DATA.vwInPatientList
 WHERE @IdNum = ''
   AND @HospNum = ''
   AND @LastName = ''
   AND @FirstName = ''
   AND @MiddleName <> ''
   AND MiddleName >= replace(@MiddleName, '`', '''') AND MiddleName < replace(@MiddleName, '''', '`') || char(1114111)
       AND (instr(@MiddleName, '`') + instr(@MiddleName, '''') = 0
            OR replace(substr(MiddleName, 1, length(@MiddleName)), '''', '`') = replace(@MiddleName, '''', '`') COLLATE NOCASE)
UNION ALL
SELECT IDNUM, HospNum, AdmDate, LastName, FirstName, MiddleName, RoomID, MSS, Address, dcrdate, BillingDate
  FROM PATIENT_DATA.vwInPatientList
 WHERE @IdNum = ''
   AND @HospNum = ''
   AND @LastName = ''
   AND @FirstName = ''
   AND @MiddleName = ''
 ORDER BY LastName, FirstName, MiddleName, AdmDate DESC;
