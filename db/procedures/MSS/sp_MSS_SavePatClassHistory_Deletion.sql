-- sp_MSS_SavePatClassHistory_Deletion: deletes the class-history entries of an admission with
-- the given class whose date lies between the two dates given (a date without a time covers
-- the whole day), and records each deletion with the reason and the user. A reason of fewer
-- than six characters is refused. Empty dates match nothing.
-- params: IdNum, PatientClass, Reason, DateFrom, DateTo, UserID
SELECT mss_error('A reason of at least six characters is required to delete a class history entry')
 WHERE length(trim(ifnull(@Reason, ''))) < 6;
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
