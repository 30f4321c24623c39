-- sp_MSS_LoadExistFamilyComposition: the stored household members of a patient, in the order
-- they were entered, with the total family income on every row.
-- params: HospNum
SELECT FamilyMember, Relationship, Age, CivilStatus, Education, Address, Occupation, Income, TotalIncome
  FROM tbMSSFamilyComposition
 WHERE HospNum = trim(@HospNum)
 ORDER BY Seq;
