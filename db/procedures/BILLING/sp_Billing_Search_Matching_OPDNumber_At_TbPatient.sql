-- sp_Billing_Search_Matching_OPDNumber_At_TbPatient: the out-patient visit an in-patient
-- admission came from, whose charges are billed with the admission. No row when there is none.
-- params: IdNum
SELECT OPDIdNum AS OPDIdnum, IdNum
  FROM PATIENT_DATA.tbPatient2
 WHERE IdNum = trim(@IdNum) AND ifnull(OPDIdNum, '') <> '';
