-- sp_Adm_DailyDischarges: the in-patients discharged on one day. The discharge report reads the
-- same rows itself; the procedure stores nothing.
-- params: DischargeDate
SELECT a.IdNum AS IDNUM, a.HospNum, a.AdmDate, a.DcrDate, m.LastName, m.FirstName, m.MiddleName, a.RoomID,
       a.PatientClass
  FROM tbPatient2 AS a
  JOIN tbMaster AS m ON m.HospNum = a.HospNum
 WHERE a.DcrDate >= mss_date(@DischargeDate) AND a.DcrDate < date(mss_date(@DischargeDate), '+1 day')
 ORDER BY a.DcrDate;
