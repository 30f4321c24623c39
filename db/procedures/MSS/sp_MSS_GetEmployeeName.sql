-- sp_MSS_GetEmployeeName: name and licence number of an employee by code. An employee who has
-- left (inactive) is not returned, so the windows report "no longer exists".
-- params: EmployeeCode
SELECT EmployeeID,
       LastName || ', ' || FirstName || CASE WHEN MiddleName <> '' THEN ' ' || substr(MiddleName, 1, 1) || '.' ELSE '' END
           AS EmployeeName,
       ifnull(LicenseNumber, '') AS licensenumber,
       Position
  FROM tbMSSEmployee
 WHERE EmployeeID = trim(@EmployeeCode) AND Active = 1;
