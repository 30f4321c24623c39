-- sp_MSS_LoadReferralNoticePatient: one referral with its patient and the discharge date of
-- its admission (null while the patient is not discharged).
-- params: IdNum, ReferralNo
SELECT m.LastName || ', ' || m.FirstName || ' ' || m.MiddleName AS PatientName, r.HospNum AS HospNum,
       r.IdNum AS IDNUM, r.Diagnosis AS Diagnosis, r.Category AS category, r.Remarks AS REMARKS,
       r.ScheduleDate AS ScheduleDate, r.Status AS Status, r.Tick1 AS Tick1, r.Tick2 AS tick2, r.Tick3 AS tick3,
       r.Tick4 AS tick4, r.Tick5 AS tick5, r.Others AS Others, a.DcrDate AS DischargeDate,
       r.ReferralNo AS ReferralNo, r.ReferralDate AS ReferralDate, r.ReferredBy AS ReferredBy
  FROM tbMSSReferralNotice AS r
  JOIN PATIENT_DATA.tbMaster AS m ON m.HospNum = r.HospNum
  LEFT JOIN PATIENT_DATA.vwAdmission AS a ON a.IdNum = r.IdNum
 WHERE r.ReferralNo = trim(@ReferralNo) AND r.IdNum = trim(@IdNum);
