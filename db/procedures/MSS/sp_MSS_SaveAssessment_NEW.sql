-- sp_MSS_SaveAssessment_NEW: stores (creates or replaces) the ARR of an admission and brings
-- the patient master's MSS number, class, date of intake and expiry up to date. The MSSW is the
-- social worker's employee code; the name is looked up. Refused, with nothing stored: an
-- admission that does not exist or is another patient's, an MSS number over ten characters or
-- held by another patient, a date that is not a date, a negotiated counterpart that is not a
-- number. An empty MSS number keeps the stored one. The category id is passed twice by the
-- window; the first one counts. ("MSSNum <> ''" lets the look-ups use the index of the numbers
-- given.)
-- params: HospNum, IdNum, MSSNum, ClassCode, CategoryName, CategoryID, Remarks, IntakeDate, ExpiryDate, WorkerCode, UserID, IsPCSO, IsCDF, IsSpecial, NC float, PCSOType, ParentCategoryID, CategoryID2, ReferringCode, Active, CaseStatus, ServiceCodes
SELECT mss_error('MSS number "' || trim(@MSSNum) || '" is longer than ten characters') WHERE length(trim(@MSSNum)) > 10;
SELECT mss_error('Admission ' || ifnull(trim(@IdNum), '') || ' of patient ' || ifnull(trim(@HospNum), '') || ' does not exist')
 WHERE NOT EXISTS (SELECT 1 FROM PATIENT_DATA.vwAdmission WHERE IdNum = trim(@IdNum) AND HospNum = trim(@HospNum));
SELECT mss_error('Negotiated counterpart "' || ifnull(@NC, '') || '" is not a number')
 WHERE NOT (trim(@NC) GLOB '*[0-9]*' AND NOT trim(@NC) GLOB '*[^0-9.eE+-]*' AND abs(CAST(trim(@NC) AS REAL)) < 1e300);
SELECT mss_error('MSS number ' || trim(@MSSNum) || ' already belongs to patient ' || HospNum)
  FROM PATIENT_DATA.tbMaster
 WHERE trim(ifnull(@MSSNum, '')) <> '' AND MSSNum = trim(@MSSNum) AND MSSNum <> '' AND HospNum <> trim(@HospNum);
INSERT INTO tbMSSAssessment (IdNum, HospNum, MSSNum, Code, Category, CategoryID, ParentCategoryID, Remarks,
                             IntakeDate, ExpiryDate, MSSW, MSSWName, UserID, IsPCSO, IsCDF, IsSpecial, NC, PCSOType,
                             ReferringPartyID, Active, CaseStatus, ServiceID, AssessDate)
VALUES (trim(@IdNum), trim(@HospNum), nullif(trim(@MSSNum), ''), trim(@ClassCode), @CategoryName, trim(@CategoryID),
        trim(@ParentCategoryID), @Remarks, mss_date(@IntakeDate), mss_date(@ExpiryDate), trim(@WorkerCode),
        (SELECT LastName || ', ' || FirstName FROM tbMSSEmployee WHERE EmployeeID = trim(@WorkerCode)),
        trim(@UserID),
        CASE WHEN trim(@IsPCSO) IN ('1', '-1', 'True', 'true') THEN 1 ELSE 0 END,
        CASE WHEN trim(@IsCDF) IN ('1', '-1', 'True', 'true') THEN 1 ELSE 0 END,
        CASE WHEN trim(@IsSpecial) IN ('1', '-1', 'True', 'true') THEN 1 ELSE 0 END,
        CAST(trim(@NC) AS REAL), nullif(trim(@PCSOType), ''), trim(@ReferringCode), trim(@Active),
        trim(@CaseStatus), @ServiceCodes, getdate())
ON CONFLICT (IdNum) DO UPDATE SET
    MSSNum = coalesce(excluded.MSSNum, MSSNum), Code = excluded.Code, Category = excluded.Category,
    CategoryID = excluded.CategoryID, ParentCategoryID = excluded.ParentCategoryID, Remarks = excluded.Remarks,
    IntakeDate = excluded.IntakeDate, ExpiryDate = excluded.ExpiryDate, MSSW = excluded.MSSW,
    MSSWName = excluded.MSSWName, UserID = excluded.UserID, IsPCSO = excluded.IsPCSO, IsCDF = excluded.IsCDF,
    IsSpecial = excluded.IsSpecial, NC = excluded.NC, PCSOType = excluded.PCSOType,
    ReferringPartyID = excluded.ReferringPartyID, Active = excluded.Active, CaseStatus = excluded.CaseStatus,
    ServiceID = excluded.ServiceID, UpdatedDate = getdate();
UPDATE PATIENT_DATA.tbMaster
   SET MSSNum = coalesce(nullif(trim(@MSSNum), ''), MSSNum), MSSClassification = nullif(trim(@ClassCode), ''),
       MSSDiscountValidity = mss_date(@IntakeDate), MSSDiscountExpiry = mss_date(@ExpiryDate)
 WHERE HospNum = trim(@HospNum);
