-- sp_MSS_SavePatClassHistory_Deletion: deletes the class-history entries of an admission with
-- the given class whose date lies between the two dates given (a date without a time covers
-- the whole day), and records each deletion with the reason and the user. Refused: a reason
-- with fewer than six characters once its invisible characters (zero-width spaces, joiners,
-- marks) are dropped and white space is trimmed off its ends, and a user who is not an active
-- user with the right "A", so that the record always names someone who may delete. Empty
-- dates match nothing.
-- params: IdNum, PatientClass, Reason, DateFrom, DateTo, UserID
SELECT mss_error('A reason of at least six visible characters is required to delete a class history entry')
 WHERE length(mss_visible(ifnull(@Reason, ''))) < 6;
SELECT mss_error('User "' || mss_visible(ifnull(@UserID, '')) || '" may not delete class history entries: '
                 || 'not an active user with the right A')
 WHERE NOT EXISTS (SELECT 1 FROM tbMSSUser u JOIN tbMSSUserRight r ON r.UserCode = u.UserCode
                    WHERE u.UserCode = mss_visible(ifnull(@UserID, '')) AND u.Active <> 0 AND r.RightCode = 'A');
INSERT INTO tbMSSPatClassHistoryDeletion (HistoryID, IdNum, TransDate, PatientClass, EntryUserID, Reason, DeletedBy,
                                          DeletedDate)
SELECT HistoryID, IdNum, TransDate, PatientClass, UserID, @Reason, trim(@UserID), getdate()
  FROM tbMSSPatClassHistory
 WHERE IdNum = trim(@IdNum) AND PatientClass = trim(@PatientClass)
   AND TransDate >= mss_date(@DateFrom)
   AND TransDate <= CASE WHEN length(mss_date(@DateTo)) = 10 THEN mss_date(@DateTo) || ' 23:59:59'
                         ELSE mss_date(@DateTo) END;
DELETE FROM tbMSSPatClassHistory
 WHERE IdNum = trim(@IdNum) AND PatientClass = trim(@PatientClass)
   AND TransDate >= mss_date(@DateFrom)
   AND TransDate <= CASE WHEN length(mss_date(@DateTo)) = 10 THEN mss_date(@DateTo) || ' 23:59:59'
                         ELSE mss_date(@DateTo) END;
