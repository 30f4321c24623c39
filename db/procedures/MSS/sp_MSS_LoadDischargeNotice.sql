-- sp_MSS_LoadDischargeNotice: discharge notices to work on: every one not yet cleared, and
-- those cleared in the last three days. Revoked notices are left out. Newest notice first.
-- params:
SELECT m.LastName || ', ' || m.FirstName || ' ' || m.MiddleName AS PatientName, a.RoomID AS RoomID,
       n.IdNum AS IDNUM, n.DischargeNurse AS DischargeNurse, n.NoticeDate AS NoticeDate, n.ClearDate AS ClearDate
  FROM tbMSSDischargeNotice AS n
  JOIN PATIENT_DATA.tbMaster AS m ON m.HospNum = n.HospNum
  LEFT JOIN PATIENT_DATA.tbPatient2 AS a ON a.IdNum = n.IdNum
 WHERE n.Revoked = 0 AND (n.ClearDate IS NULL OR n.ClearDate >= date('now', 'localtime', '-3 days'))
 ORDER BY n.NoticeDate IS NULL, n.NoticeDate DESC, n.NoticeID DESC;
