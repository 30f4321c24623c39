-- sp_MSS_LoadReferralNotice: the referral notices to work on: every pending one, and those
-- tagged in the last seven days so the worker sees what was just settled. Pending first, then
-- the newest referral first (a notice without a referral date last).
-- params:
SELECT m.LastName || ', ' || m.FirstName || ' ' || m.MiddleName AS PatientName, r.IdNum AS IDNUM,
       r.HospNum AS HospNum, r.Diagnosis AS Diagnosis, r.ReferralDate AS ReferralDate, r.ReferralNo AS ReferralNo,
       r.Status AS Status
  FROM tbMSSReferralNotice AS r
  JOIN PATIENT_DATA.tbMaster AS m ON m.HospNum = r.HospNum
 WHERE r.Status = 'P' OR r.DateApproved >= date('now', 'localtime', '-7 days')
 ORDER BY r.Status <> 'P', r.ReferralDate IS NULL, r.ReferralDate DESC, r.ReferralNo DESC;
