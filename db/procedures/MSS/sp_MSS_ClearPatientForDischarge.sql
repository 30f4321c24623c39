-- sp_MSS_ClearPatientForDischarge: clears the open discharge notice of an admission with the
-- clearing user, the remarks and the current date and time. An admission without an open
-- notice is refused, so a clearance is never recorded twice or lost silently.
-- params: IdNum, UserID, ClearRemarks
SELECT mss_error('Admission ' || ifnull(trim(@IdNum), '') || ' has no discharge notice waiting for clearance')
 WHERE NOT EXISTS (SELECT 1 FROM tbMSSDischargeNotice
                    WHERE IdNum = trim(@IdNum) AND Revoked = 0 AND ClearDate IS NULL);
UPDATE tbMSSDischargeNotice
   SET UserId = trim(@UserID), ClearDate = getdate(), ClearRemarks = @ClearRemarks
 WHERE NoticeID = (SELECT max(NoticeID) FROM tbMSSDischargeNotice
                    WHERE IdNum = trim(@IdNum) AND Revoked = 0 AND ClearDate IS NULL);
