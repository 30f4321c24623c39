-- sp_MSS_SaveIntakeSheetData: stores (creates or replaces) the identifying part of a patient's
-- intake sheet. The sheet keeps its own copy of the identifying data as the interview took it;
-- the patient master is not changed here (the classification goes in with
-- sp_MSS_SavePatientData). Dates come in any form the program writes; an MSS number over ten
-- characters or a date that is not a date is refused and nothing is stored.
-- params: HospNum, InterviewDate, Classification, Category, Salary, Education, Ward, LastName, FirstName, MiddleName, HouseStreet, Barangay, ZipCode, TownProvince, Sex, BirthDate, CivilStatus, Occupation, Age, TelNo, SSSMember, BirthPlace, Religion, Employer, EmployerAddress, IdNum, AdmissionDate, CaseStatus, DateInterviewed, ExpiryDate, MSSNumber, SeniorCitizen
SELECT mss_error('The hospital number is missing') WHERE trim(ifnull(@HospNum, '')) = '';
SELECT mss_error('MSS number "' || trim(@MSSNumber) || '" is longer than ten characters')
 WHERE length(trim(@MSSNumber)) > 10;
SELECT mss_error('Patient ' || trim(@HospNum) || ' does not exist')
 WHERE NOT EXISTS (SELECT 1 FROM PATIENT_DATA.tbMaster WHERE HospNum = trim(@HospNum));
INSERT INTO tbMSSIntakeSheet (HospNum, IdNum, InterviewDate, Classification, Category, Salary, Education, Ward,
                              LastName, FirstName, MiddleName, HouseStreet, Barangay, ZipCode, TownProvince, Sex,
                              BirthDate, CivilStatus, Occupation, Age, TelNo, SSSMember, BirthPlace, Religion,
                              Employer, EmployerAddress, AdmissionDate, CaseStatus, DateInterviewed, ExpiryDate,
                              MSSNumber, SeniorCitizen, SavedDate)
VALUES (trim(@HospNum), trim(@IdNum), mss_date(@InterviewDate), @Classification, @Category, @Salary, @Education,
        @Ward, @LastName, @FirstName, @MiddleName, @HouseStreet, @Barangay, @ZipCode, @TownProvince, @Sex,
        mss_date(@BirthDate), @CivilStatus, @Occupation, @Age, @TelNo, @SSSMember, @BirthPlace, @Religion,
        @Employer, @EmployerAddress, mss_date(@AdmissionDate), @CaseStatus, mss_date(@DateInterviewed),
        mss_date(@ExpiryDate), nullif(trim(@MSSNumber), ''),
        CASE WHEN trim(@SeniorCitizen) IN ('1', '-1', 'Y', 'y', 'True', 'true') THEN 1 ELSE 0 END, getdate())
ON CONFLICT (HospNum) DO UPDATE SET
    IdNum = excluded.IdNum, InterviewDate = excluded.InterviewDate, Classification = excluded.Classification,
    Category = excluded.Category, Salary = excluded.Salary, Education = excluded.Education, Ward = excluded.Ward,
    LastName = excluded.LastName, FirstName = excluded.FirstName, MiddleName = excluded.MiddleName,
    HouseStreet = excluded.HouseStreet, Barangay = excluded.Barangay, ZipCode = excluded.ZipCode,
    TownProvince = excluded.TownProvince, Sex = excluded.Sex, BirthDate = excluded.BirthDate,
    CivilStatus = excluded.CivilStatus, Occupation = excluded.Occupation, Age = excluded.Age,
    TelNo = excluded.TelNo, SSSMember = excluded.SSSMember, BirthPlace = excluded.BirthPlace,
    Religion = excluded.Religion, Employer = excluded.Employer, EmployerAddress = excluded.EmployerAddress,
    AdmissionDate = excluded.AdmissionDate, CaseStatus = excluded.CaseStatus,
    DateInterviewed = excluded.DateInterviewed, ExpiryDate = excluded.ExpiryDate,
    MSSNumber = excluded.MSSNumber, SeniorCitizen = excluded.SeniorCitizen, SavedDate = excluded.SavedDate;
-- The sheet shows the admission's chief complaint and diagnosis, but no statement of the program
-- sends them; a sheet without its own keeps the admission's, so that its print shows what the
-- worker saw.
UPDATE tbMSSIntakeSheet
   SET ChiefComplaint = coalesce(nullif(ChiefComplaint, ''),
                                 (SELECT ChiefComplaint FROM PATIENT_DATA.tbPatient2 WHERE IdNum = trim(@IdNum))),
       Diagnosis = coalesce(nullif(Diagnosis, ''),
                            (SELECT AdmittingDiagnosis FROM PATIENT_DATA.tbPatient2 WHERE IdNum = trim(@IdNum)))
 WHERE HospNum = trim(@HospNum);
