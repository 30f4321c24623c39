-- sp_MSS_SaveReferralNoticePatient: tags a referral: state, remarks, category text, schedule
-- date, who and when. When the date given is today, the time of the save is kept with it.
-- Refused: a state other than P, A, D, C; a referral that does not exist for that admission;
-- the referral of a discharged patient (it is no longer changed).
-- params: IdNum, DateApproved, Status, Remarks, Category, ScheduleDate, UserID, ReferralNo
SELECT mss_error('Referral state must be P, A, D or C, not "' || ifnull(@Status, '') || '"')
 WHERE upper(trim(ifnull(@Status, ''))) NOT IN ('P', 'A', 'D', 'C');
SELECT mss_error('Referral ' || ifnull(trim(@ReferralNo), '') || ' of admission ' || ifnull(trim(@IdNum), '') || ' does not exist')
 WHERE NOT EXISTS (SELECT 1 FROM tbMSSReferralNotice WHERE ReferralNo = trim(@ReferralNo) AND IdNum = trim(@IdNum));
SELECT mss_error('Discharged patient: the referral of admission ' || trim(@IdNum) || ' cannot be updated')
 WHERE EXISTS (SELECT 1 FROM PATIENT_DATA.vwAdmission WHERE IdNum = trim(@IdNum) AND DcrDate IS NOT NULL
                                                         AND DcrDate > '1900-01-02');
UPDATE tbMSSReferralNotice
   SET Status = upper(trim(@Status)), Remarks = @Remarks, Category = @Category,
       ScheduleDate = mss_date(@ScheduleDate),
       DateApproved = CASE WHEN mss_date(@DateApproved) = date(getdate()) THEN getdate() ELSE mss_date(@DateApproved) END,
       ApprovedBy = trim(@UserID)
 WHERE ReferralNo = trim(@ReferralNo) AND IdNum = trim(@IdNum);
