-- sp_MSS_SaveOtherPatientInfo: stores the referral, documents, medical data, problems and plans
-- of a patient's intake sheet (creating the sheet when the identifying part is not stored yet).
-- The problem and check-up flags are stored as 1 or 0.
-- params: HospNum, ReferredBy, DateReferred, ReferralAddress, DSWDSCSR, AOCert, CertOfEmployment, TreasurerMayorOffice, BrgyClearance, Others, Treatment, OtherMDInfo, Resources, Expenses, FinancialProb, Difficulty, Aggressiveness, Refusal, IrregularCheckUp, OtherProblem, HelpingGoals, ActionTaken, Philhealth, InfoSource, WorkStatus, DiagnosticImpress, ReferringParty
SELECT mss_error('The hospital number is missing') WHERE trim(ifnull(@HospNum, '')) = '';
SELECT mss_error('Patient ' || trim(@HospNum) || ' does not exist')
 WHERE NOT EXISTS (SELECT 1 FROM PATIENT_DATA.tbMaster WHERE HospNum = trim(@HospNum));
INSERT INTO tbMSSIntakeSheet (HospNum, ReferredBy, DateReferred, ReferralAddress, DSWDSCSR, AOCert, CertOfEmployment,
                              TreasurerMayorOffice, BrgyClearance, Others, Treatment, OtherMDInfo, Resources,
                              Expenses, FinancialProb, Difficulty, Aggressiveness, Refusal, IrregularCheckUp,
                              OtherProblem, HelpingGoals, ActionTaken, Philhealth, InfoSource, WorkStatus,
                              DiagnosticImpress, ReferringParty, SavedDate)
VALUES (trim(@HospNum), @ReferredBy, mss_date(@DateReferred), @ReferralAddress, @DSWDSCSR, @AOCert,
        @CertOfEmployment, @TreasurerMayorOffice, @BrgyClearance, @Others, @Treatment, @OtherMDInfo, @Resources,
        @Expenses,
        CASE WHEN trim(@FinancialProb) IN ('1', '-1', 'True', 'true') THEN 1 ELSE 0 END,
        CASE WHEN trim(@Difficulty) IN ('1', '-1', 'True', 'true') THEN 1 ELSE 0 END,
        CASE WHEN trim(@Aggressiveness) IN ('1', '-1', 'True', 'true') THEN 1 ELSE 0 END,
        CASE WHEN trim(@Refusal) IN ('1', '-1', 'True', 'true') THEN 1 ELSE 0 END,
        CASE WHEN trim(@IrregularCheckUp) IN ('1', '-1', 'True', 'true') THEN 1 ELSE 0 END,
        @OtherProblem, @HelpingGoals, @ActionTaken, @Philhealth, @InfoSource, @WorkStatus, @DiagnosticImpress,
        @ReferringParty, getdate())
ON CONFLICT (HospNum) DO UPDATE SET
    ReferredBy = excluded.ReferredBy, DateReferred = excluded.DateReferred,
    ReferralAddress = excluded.ReferralAddress, DSWDSCSR = excluded.DSWDSCSR, AOCert = excluded.AOCert,
    CertOfEmployment = excluded.CertOfEmployment, TreasurerMayorOffice = excluded.TreasurerMayorOffice,
    BrgyClearance = excluded.BrgyClearance, Others = excluded.Others, Treatment = excluded.Treatment,
    OtherMDInfo = excluded.OtherMDInfo, Resources = excluded.Resources, Expenses = excluded.Expenses,
    FinancialProb = excluded.FinancialProb, Difficulty = excluded.Difficulty,
    Aggressiveness = excluded.Aggressiveness, Refusal = excluded.Refusal,
    IrregularCheckUp = excluded.IrregularCheckUp, OtherProblem = excluded.OtherProblem,
    HelpingGoals = excluded.HelpingGoals, ActionTaken = excluded.ActionTaken, Philhealth = excluded.Philhealth,
    InfoSource = excluded.InfoSource, WorkStatus = excluded.WorkStatus,
    DiagnosticImpress = excluded.DiagnosticImpress, ReferringParty = excluded.ReferringParty,
    SavedDate = excluded.SavedDate;
