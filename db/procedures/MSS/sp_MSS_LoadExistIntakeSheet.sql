-- sp_MSS_LoadExistIntakeSheet: a patient's stored intake sheet with the names of its coded
-- values. The chief complaint and diagnosis are not saved with the sheet; they come from the
-- sheet's admission, so loading a stored sheet does not blank them.
-- params: HospNum
SELECT s.HospNum, s.IdNum, s.MSSNumber, s.InterviewDate, s.ExpiryDate, s.ClassCode AS Code,
       coalesce(c.Classification, s.Classification) AS Classification,
       s.Category AS category, s.CategoryNum, s.RefPartyID AS refpartyid,
       coalesce(s.ReferringParty, r.ReferringParty) AS ReferringParty,
       s.CaseStatus AS casestatus, st.CaseStatus AS Status, s.ActiveStatus AS activestatus,
       s.SeniorCitizen, s.MSSW, s.Education, s.WorkStatus, s.Salary, s.InfoSource, s.ReferredBy, s.DateReferred,
       s.ReferralAddress, s.DSWDSCSR, s.AOCert, s.CertOfEmployment, s.TreasurerMayorOffice, s.BrgyClearance,
       s.Others, coalesce(s.ChiefComplaint, a.ChiefComplaint) AS ChiefComplaint,
       coalesce(s.Diagnosis, a.AdmittingDiagnosis) AS Diagnosis, s.Treatment, s.OtherMDInfo, s.Resources,
       s.Expenses, s.OtherProblem, s.DiagnosticImpress, s.HelpingGoals, s.ActionTaken, s.FinancialProb,
       s.Refusal, s.Aggressiveness, s.Difficulty, s.IrregularCheckUp, s.Philhealth, s.Ward, s.LastName,
       s.FirstName, s.MiddleName, s.SavedDate
  FROM tbMSSIntakeSheet AS s
  LEFT JOIN tbMSSClassificationScheme AS c ON c.Code = s.ClassCode
  LEFT JOIN tbMSSReferringParty AS r ON r.Code = s.RefPartyID
  LEFT JOIN tbMSSActive AS st ON st.Code = s.CaseStatus
  LEFT JOIN PATIENT_DATA.tbPatient2 AS a ON a.IdNum = s.IdNum
 WHERE s.HospNum = trim(@HospNum) AND trim(ifnull(@HospNum, '')) <> '';
