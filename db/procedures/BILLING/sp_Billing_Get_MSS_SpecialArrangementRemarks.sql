-- sp_Billing_Get_MSS_SpecialArrangementRemarks: whether the admission's assessment is a special
-- arrangement, and its negotiated counterpart (NC). No row without an assessment.
-- params: IdNum
SELECT IsSpecial, NC, Remarks FROM main.tbMSSAssessment WHERE IdNum = trim(@IdNum);
