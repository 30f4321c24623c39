-- sp_MSS_GetEmployees: active social workers whose last name, first name or employee code
-- starts with the typed text (any letter case); empty text lists them all.
-- The first column is the employee code and the second the name, as the pick list expects.
-- params: SearchText
SELECT EmployeeID AS EmployeeID,
       LastName || ', ' || FirstName || CASE WHEN MiddleName <> '' THEN ' ' || substr(MiddleName, 1, 1) || '.' ELSE '' END
           AS EmployeeName
  FROM tbMSSEmployee
 WHERE Active = 1 AND IsSocialWorker = 1
   AND (trim(ifnull(@SearchText, '')) = ''
        OR LastName >= trim(@SearchText) AND LastName < trim(@SearchText) || char(1114111)
        OR FirstName >= trim(@SearchText) AND FirstName < trim(@SearchText) || char(1114111)
        OR EmployeeID >= trim(@SearchText) AND EmployeeID < trim(@SearchText) || char(1114111))
 ORDER BY LastName, FirstName;
