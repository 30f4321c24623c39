-- sp_MSS_GetService: the services directly under a parent code ("0" for the top level).
-- params: ParentCode
SELECT Code, Description
  FROM tbMSSServiceCategory
 WHERE ParentCode = trim(@ParentCode)
 ORDER BY SortOrder, Code;
