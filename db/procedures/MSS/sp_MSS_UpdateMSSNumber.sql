-- sp_MSS_UpdateMSSNumber: gives a patient a new MSS number, in the patient master, the intake
-- sheet and the patient's assessments. Refused: an unknown patient, an empty number, one over
-- ten characters, one another patient holds.
-- params: HospNum, MSSNum
SELECT mss_error('Patient ' || ifnull(trim(@HospNum), '') || ' does not exist')
 WHERE NOT EXISTS (SELECT 1 FROM PATIENT_DATA.tbMaster WHERE HospNum = trim(@HospNum));
SELECT mss_error('The new MSS number is empty') WHERE trim(ifnull(@MSSNum, '')) = '';
SELECT mss_error('MSS number "' || trim(@MSSNum) || '" is longer than ten characters') WHERE length(trim(@MSSNum)) > 10;
SELECT mss_error('MSS number ' || trim(@MSSNum) || ' already belongs to patient ' || HospNum)
  FROM (SELECT HospNum FROM PATIENT_DATA.tbMaster WHERE MSSNum = trim(@MSSNum)
        UNION SELECT HospNum FROM tbMSSAssessment WHERE MSSNum = trim(@MSSNum))
 WHERE HospNum <> trim(@HospNum)
 LIMIT 1;
UPDATE PATIENT_DATA.tbMaster SET MSSNum = trim(@MSSNum) WHERE HospNum = trim(@HospNum);
UPDATE tbMSSIntakeSheet SET MSSNumber = trim(@MSSNum) WHERE HospNum = trim(@HospNum);
UPDATE tbMSSAssessment SET MSSNum = trim(@MSSNum) WHERE HospNum = trim(@HospNum);
