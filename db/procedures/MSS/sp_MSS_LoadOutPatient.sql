-- sp_MSS_LoadOutPatient: out-patient visits for the patient list (room shown as OPD).
-- Its rows are those of PATIENT_DATA.vwOutPatientList; the criteria are here.
-- Every argument is matched as a prefix, without regard to letter case; an empty argument
-- matches everything. Each branch below serves one "first non-empty criterion" so that the
-- search runs on the index of that column; the other criteria filter the rows it finds.
-- Rows come sorted by name, then the most recent admission first.
-- params: HospNum, LastName, IdNum, FirstName, MiddleName
SELECT IDNUM, HospNum, AdmDate, LastName, FirstName, MiddleName, RoomID, MSS, Address, dcrdate, BillingDate
  FROM PATIENT_DATA.vwOutPatientList
 WHERE @IdNum <> ''
   AND IDNUM >= @IdNum AND IDNUM < @IdNum || char(1114111)
   AND (@HospNum = '' OR HospNum >= @HospNum AND HospNum < @HospNum || char(1114111))
   AND (@LastName = '' OR LastName >= @LastName AND LastName < @LastName || char(1114111))
   AND (@FirstName = '' OR FirstName >= @FirstName AND FirstName < @FirstName || char(1114111))
   AND (@MiddleName = '' OR MiddleName >= @MiddleName AND MiddleName < @MiddleName || char(1114111))
UNION ALL
SELECT IDNUM, HospNum, AdmDate, LastName, FirstName, MiddleName, RoomID, MSS, Address, dcrdate, BillingDate
  FROM PATIENT_DATA.vwOutPatientList
 WHERE @IdNum = ''
   AND @HospNum <> ''
   AND HospNum >= @HospNum AND HospNum < @HospNum || char(1114111)
   AND (@LastName = '' OR LastName >= @LastName AND LastName < @LastName || char(1114111))
   AND (@FirstName = '' OR FirstName >= @FirstName AND FirstName < @FirstName || char(1114111))
   AND (@MiddleName = '' OR MiddleName >= @MiddleName AND MiddleName < @MiddleName || char(1114111))
UNION ALL
SELECT IDNUM, HospNum, AdmDate, LastName, FirstName, MiddleName, RoomID, MSS, Address, dcrdate, BillingDate
  FROM PATIENT_DATA.vwOutPatientList
 WHERE @IdNum = ''
   AND @HospNum = ''
   AND @LastName <> ''
   AND LastName >= @LastName AND LastName < @LastName || char(1114111)
   AND (@FirstName = '' OR FirstName >= @FirstName AND FirstName < @FirstName || char(1114111))
   AND (@MiddleName = '' OR MiddleName >= @MiddleName AND MiddleName < @MiddleName || char(1114111))
UNION ALL
SELECT IDNUM, HospNum, AdmDate, LastName, FirstName, MiddleName, RoomID, MSS, Address, dcrdate, BillingDate
  FROM PATIENT_DATA.vwOutPatientList
 WHERE @IdNum = ''
   AND @HospNum = ''
   AND @LastName = ''
   AND @FirstName <> ''
   AND FirstName >= @FirstName AND FirstName < @FirstName || char(1114111)
   AND (@MiddleName = '' OR MiddleName >= @MiddleName AND MiddleName < @MiddleName || char(1114111))
UNION ALL
SELECT IDNUM, HospNum, AdmDate, LastName, FirstName, MiddleName, RoomID, MSS, Address, dcrdate, BillingDate
  FROM PATIENT_DATA.vwOutPatientList
 WHERE @IdNum = ''
   AND @HospNum = ''
   AND @LastName = ''
   AND @FirstName = ''
   AND @MiddleName <> ''
   AND MiddleName >= @MiddleName AND MiddleName < @MiddleName || char(1114111)
UNION ALL
SELECT IDNUM, HospNum, AdmDate, LastName, FirstName, MiddleName, RoomID, MSS, Address, dcrdate, BillingDate
  FROM PATIENT_DATA.vwOutPatientList
 WHERE @IdNum = ''
   AND @HospNum = ''
   AND @LastName = ''
   AND @FirstName = ''
   AND @MiddleName = ''
 ORDER BY LastName, FirstName, MiddleName, AdmDate DESC;
