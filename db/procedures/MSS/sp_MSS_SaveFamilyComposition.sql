-- sp_MSS_SaveFamilyComposition: adds one household member after the patient's stored ones.
-- Income and total must be numbers (empty counts as 0); anything else is refused.
-- params: HospNum, FamilyMember, Relationship, Age, CivilStatus, Education, Address, Occupation, Income float, TotalIncome float
SELECT mss_error('The hospital number is missing') WHERE trim(ifnull(@HospNum, '')) = '';
SELECT mss_error('Income "' || @Income || '" is not a number')
 WHERE trim(ifnull(@Income, '')) <> ''
   AND NOT (trim(@Income) GLOB '*[0-9]*' AND NOT trim(@Income) GLOB '*[^0-9.eE+-]*'
            AND abs(CAST(trim(@Income) AS REAL)) < 1e300);
SELECT mss_error('Total family income "' || @TotalIncome || '" is not a number')
 WHERE trim(ifnull(@TotalIncome, '')) <> ''
   AND NOT (trim(@TotalIncome) GLOB '*[0-9]*' AND NOT trim(@TotalIncome) GLOB '*[^0-9.eE+-]*'
            AND abs(CAST(trim(@TotalIncome) AS REAL)) < 1e300);
INSERT INTO tbMSSFamilyComposition (HospNum, Seq, FamilyMember, Relationship, Age, CivilStatus, Education, Address,
                                    Occupation, Income, TotalIncome)
VALUES (trim(@HospNum),
        (SELECT ifnull(max(Seq), 0) + 1 FROM tbMSSFamilyComposition WHERE HospNum = trim(@HospNum)),
        @FamilyMember, @Relationship, @Age, @CivilStatus, @Education, @Address, @Occupation,
        CAST(ifnull(nullif(trim(@Income), ''), 0) AS REAL), CAST(ifnull(nullif(trim(@TotalIncome), ''), 0) AS REAL));
