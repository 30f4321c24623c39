-- spMSS_SaveDocumentation: stores (creates or replaces) the case history of an admission: the
-- eighteen documentation check values ("0|1|..."), case status, activities, active flag.
-- params: HospNum, IdNum, Active, CaseStatus, Docs, IntakeDate, UserID, WorkerCode, ActivityCodes
SELECT mss_error('The hospital number or the admission number is missing')
 WHERE trim(ifnull(@HospNum, '')) = '' OR trim(ifnull(@IdNum, '')) = '';
INSERT INTO tbMSSCaseHistory (HospNum, IdNum, Active, CaseStatus, Docs, IntakeDate, UserID, MSSW, ActivityID,
                              UpdatedDate)
VALUES (trim(@HospNum), trim(@IdNum), trim(@Active), trim(@CaseStatus), @Docs, mss_date(@IntakeDate), trim(@UserID),
        trim(@WorkerCode), @ActivityCodes, getdate())
ON CONFLICT (HospNum, IdNum) DO UPDATE SET
    Active = excluded.Active, CaseStatus = excluded.CaseStatus, Docs = excluded.Docs,
    IntakeDate = excluded.IntakeDate, UserID = excluded.UserID, MSSW = excluded.MSSW,
    ActivityID = excluded.ActivityID, UpdatedDate = excluded.UpdatedDate;
