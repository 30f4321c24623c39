-- sp_MSS_ClearFamilyComposition: removes a patient's stored household members, before the
-- intake save stores the grid again.
-- params: HospNum
DELETE FROM tbMSSFamilyComposition WHERE HospNum = trim(@HospNum);
