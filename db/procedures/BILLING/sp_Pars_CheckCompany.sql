-- sp_Pars_CheckCompany: a row when the account charged for the admission is a company's
-- (a personal account gives none).
-- params: IdNum
SELECT a.IdNum, c.AccountNum, c.Company
  FROM PATIENT_DATA.vwAdmission AS a
  JOIN tbBillCompany AS c ON c.AccountNum = a.AccountNum
 WHERE a.IdNum = trim(@IdNum) AND c.IsCompany = 1;
