-- sp_MSS_SaveTransaction: adds one entry to the patient's classification transactions (the
-- trail of every ARR save, printed by the ARR transaction report).
-- params: HospNum, IdNum, MSSNum, ClassCode, IntakeDate, ExpiryDate, CategoryName, WorkerCode, UserID, Remarks
SELECT mss_error('MSS number "' || trim(@MSSNum) || '" is longer than ten characters') WHERE length(trim(@MSSNum)) > 10;
SELECT mss_error('The hospital number or the admission number is missing')
 WHERE trim(ifnull(@HospNum, '')) = '' OR trim(ifnull(@IdNum, '')) = '';
INSERT INTO tbMSSTransaction (HospNum, IdNum, MSSNum, Code, IntakeDate, ExpiryDate, Category, MSSW, UserID, Remarks,
                              TransDate)
VALUES (trim(@HospNum), trim(@IdNum), nullif(trim(@MSSNum), ''), trim(@ClassCode), mss_date(@IntakeDate),
        mss_date(@ExpiryDate), @CategoryName, trim(@WorkerCode), trim(@UserID), @Remarks, getdate());
