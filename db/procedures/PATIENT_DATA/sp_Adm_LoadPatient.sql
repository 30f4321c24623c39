-- sp_Adm_LoadPatient: a patient's registration data with the religion's name and the age in
-- whole years today.
-- params: HospNum
SELECT m.*, r.Description AS Religion,
       CASE WHEN m.BirthDate IS NOT NULL THEN
            CAST(strftime('%Y', 'now', 'localtime') AS INTEGER) - CAST(strftime('%Y', m.BirthDate) AS INTEGER)
            - (strftime('%m-%d', 'now', 'localtime') < strftime('%m-%d', m.BirthDate)) END AS Age
  FROM tbMaster AS m
  LEFT JOIN tbReligion AS r ON r.ReligionID = m.ReligionID
 WHERE m.HospNum = @HospNum;
