-- sp_MSS_LoadDischargeNoticePatient: the latest discharge notice of an admission that was not
-- revoked, with the admission and, once cleared, who cleared it and when.
-- params: IdNum
SELECT m.LastName, m.FirstName, m.MiddleName, n.HospNum AS HospNum, n.IdNum AS IDNUM, a.AdmDate AS AdmDate,
       ifnull(d.LastName || ', ' || d.FirstName, '') AS Doctor, a.RoomID AS RoomID, n.NoticeDate, n.OrderedDate,
       n.DischargeNurse, n.Remarks AS REMARKS, n.UserId, n.ClearDate, n.ClearRemarks
  FROM tbMSSDischargeNotice AS n
  JOIN PATIENT_DATA.tbMaster AS m ON m.HospNum = n.HospNum
  LEFT JOIN PATIENT_DATA.vwAdmission AS a ON a.IdNum = n.IdNum
  LEFT JOIN PATIENT_DATA.tbDoctor AS d ON d.DoctorID = a.DoctorID
 WHERE n.IdNum = trim(@IdNum) AND n.Revoked = 0
 ORDER BY n.NoticeID DESC
 LIMIT 1;
