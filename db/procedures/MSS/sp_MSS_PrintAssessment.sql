-- sp_MSS_PrintAssessment: the MSS data of an admission for the clearance window: category,
-- class, the CDF, PCSO and special flags (1 when set) and the negotiated counterpart written
-- with two decimals ("0.00" when none). HospNum is the hospital number; MSSNum the MSS number.
-- params: HospNum, IdNum
SELECT s.HospNum AS HospNum, coalesce(nullif(m.MSSNum, ''), s.MSSNum) AS MSSNum, s.Category AS category,
       s.Code AS Code, s.IsCDF AS CDF, s.IsPCSO AS PCSO, s.IsSpecial AS special, printf('%.2f', s.NC) AS NC
  FROM tbMSSAssessment AS s
  LEFT JOIN PATIENT_DATA.tbMaster AS m ON m.HospNum = s.HospNum
 WHERE s.IdNum = trim(@IdNum) AND (trim(ifnull(@HospNum, '')) = '' OR s.HospNum = trim(@HospNum));
