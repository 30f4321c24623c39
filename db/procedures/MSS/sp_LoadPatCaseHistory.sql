-- sp_LoadPatCaseHistory: the case history of an admission: documentation check values, case
-- status (code and name), activities and whether the case is active.
-- params: HospNum, IdNum
SELECT h.Docs AS docs, h.CaseStatus AS casestatus, st.CaseStatus AS casedesc, h.ActivityID AS activityid,
       h.Active AS Active, h.IntakeDate, h.MSSW, h.UpdatedDate
  FROM tbMSSCaseHistory AS h
  LEFT JOIN tbMSSActive AS st ON st.Code = h.CaseStatus
 WHERE h.HospNum = trim(@HospNum) AND h.IdNum = trim(@IdNum);
