-- sp_MSS_SavePatientData: the classification decided at the intake interview. It goes to three
-- places: the head of the patient's intake sheet, the assessment of the admission (created when
-- the admission has none yet) and the patient master's MSS number, class, date of intake and
-- expiry. An MSS number over ten characters, one that another patient holds, or a date that is
-- not a date is refused and nothing is stored. An empty MSS number keeps the stored one, and so
-- do an empty referring party and case status: a sheet that never held them must not clear what
-- the assessment was given.
-- params: HospNum, IdNum, MSSNum, ClassCode, Category, CategoryID, InterviewDate, ExpiryDate, MSSW, UserID, RefPartyID, CaseStatus, Active
SELECT mss_error('The hospital number is missing') WHERE trim(ifnull(@HospNum, '')) = '';
SELECT mss_error('MSS number "' || trim(@MSSNum) || '" is longer than ten characters') WHERE length(trim(@MSSNum)) > 10;
SELECT mss_error('Patient ' || trim(@HospNum) || ' does not exist')
 WHERE NOT EXISTS (SELECT 1 FROM PATIENT_DATA.tbMaster WHERE HospNum = trim(@HospNum));
SELECT mss_error('Admission ' || trim(@IdNum) || ' is not an admission of patient ' || trim(@HospNum))
 WHERE trim(ifnull(@IdNum, '')) <> ''
   AND NOT EXISTS (SELECT 1 FROM PATIENT_DATA.vwAdmission WHERE IdNum = trim(@IdNum) AND HospNum = trim(@HospNum));
SELECT mss_error('MSS number ' || trim(@MSSNum) || ' already belongs to patient ' || HospNum)
  FROM PATIENT_DATA.tbMaster
 WHERE trim(ifnull(@MSSNum, '')) <> '' AND MSSNum = trim(@MSSNum) AND HospNum <> trim(@HospNum);
UPDATE tbMSSIntakeSheet
   SET MSSNumber = coalesce(nullif(trim(@MSSNum), ''), MSSNumber), ClassCode = trim(@ClassCode),
       Category = @Category, CategoryNum = trim(@CategoryID), InterviewDate = mss_date(@InterviewDate),
       ExpiryDate = mss_date(@ExpiryDate), MSSW = @MSSW, UserID = @UserID, RefPartyID = trim(@RefPartyID),
       CaseStatus = trim(@CaseStatus), ActiveStatus = trim(@Active), IdNum = coalesce(nullif(trim(@IdNum), ''), IdNum)
 WHERE HospNum = trim(@HospNum);
-- The sheet names its social worker by name only; the assessment keeps the worker's code beside
-- the name, and both must name the same person, so the code is the employee of that name (none
-- when no single employee has it).
INSERT INTO tbMSSAssessment (IdNum, HospNum, MSSNum, Code, Category, CategoryID, IntakeDate, ExpiryDate, MSSWName,
                             MSSW, UserID, ReferringPartyID, CaseStatus, Active, AssessDate)
SELECT trim(@IdNum), trim(@HospNum), nullif(trim(@MSSNum), ''), trim(@ClassCode), @Category, trim(@CategoryID),
       mss_date(@InterviewDate), mss_date(@ExpiryDate), @MSSW,
       (SELECT CASE WHEN count(*) = 1 THEN max(EmployeeID) END
          FROM tbMSSEmployee
         WHERE LastName || ', ' || FirstName
               || CASE WHEN MiddleName <> '' THEN ' ' || substr(MiddleName, 1, 1) || '.' ELSE '' END = trim(@MSSW)),
       @UserID, trim(@RefPartyID), trim(@CaseStatus), trim(@Active), getdate()
 WHERE trim(ifnull(@IdNum, '')) <> ''
ON CONFLICT (IdNum) DO UPDATE SET
    MSSNum = coalesce(excluded.MSSNum, MSSNum), Code = excluded.Code, Category = excluded.Category,
    CategoryID = excluded.CategoryID, IntakeDate = excluded.IntakeDate, ExpiryDate = excluded.ExpiryDate,
    MSSWName = excluded.MSSWName, MSSW = excluded.MSSW, UserID = excluded.UserID,
    ReferringPartyID = coalesce(nullif(excluded.ReferringPartyID, ''), ReferringPartyID),
    CaseStatus = coalesce(nullif(excluded.CaseStatus, ''), CaseStatus), Active = excluded.Active,
    UpdatedDate = getdate();
UPDATE PATIENT_DATA.tbMaster
   SET MSSNum = coalesce(nullif(trim(@MSSNum), ''), MSSNum), MSSClassification = nullif(trim(@ClassCode), ''),
       MSSDiscountValidity = mss_date(@InterviewDate), MSSDiscountExpiry = mss_date(@ExpiryDate)
 WHERE HospNum = trim(@HospNum);
