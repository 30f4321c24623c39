-- sp_MSS_LoadReferralHistory: referrals by hospital number, last name and first name, each a
-- prefix (empty matches all), newest referral first.
-- params: HospNum, LastName, FirstName
SELECT m.LastName || ', ' || m.FirstName || ' ' || m.MiddleName AS PatientName, r.IdNum AS IDNUM,
       r.HospNum AS HospNum, r.DateApproved AS DateApproved, r.ReferralDate AS ReferralDate, r.Status AS Status,
       r.Diagnosis AS Diagnosis, r.ReferralNo AS ReferralNo
  FROM tbMSSReferralNotice AS r
  JOIN PATIENT_DATA.tbMaster AS m ON m.HospNum = r.HospNum
 WHERE (trim(ifnull(@HospNum, '')) = '' OR r.HospNum >= trim(@HospNum) AND r.HospNum < trim(@HospNum) || char(1114111))
   AND (trim(ifnull(@LastName, '')) = '' OR m.LastName >= trim(@LastName) AND m.LastName < trim(@LastName) || char(1114111))
   AND (trim(ifnull(@FirstName, '')) = '' OR m.FirstName >= trim(@FirstName) AND m.FirstName < trim(@FirstName) || char(1114111))
 ORDER BY r.ReferralDate IS NULL, r.ReferralDate DESC, r.ReferralNo DESC;
