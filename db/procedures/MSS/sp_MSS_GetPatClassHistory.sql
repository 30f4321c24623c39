-- sp_MSS_GetPatClassHistory: the pay/service changes of an admission, oldest first, so the last
-- row is the latest change: date and time, class, user code and user name.
-- params: IdNum
SELECT h.TransDate AS TransDate, h.PatientClass AS Class, h.UserID AS UserID,
       ifnull(e.LastName || ', ' || e.FirstName, '') AS UserName
  FROM tbMSSPatClassHistory AS h
  LEFT JOIN tbMSSEmployee AS e ON e.EmployeeID = h.UserID
 WHERE h.IdNum = trim(@IdNum)
 ORDER BY h.TransDate, h.HistoryID;
