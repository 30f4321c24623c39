-- sp_MSS_GetActivity: the activities directly under a parent code ("0" for the top level).
-- params: ParentCode
SELECT Code, Description
  FROM tbMSSActivity
 WHERE ParentCode = trim(@ParentCode)
 ORDER BY SortOrder, Code;
