-- sp_MSS_GetExistsMSSNumber: who holds an MSS number. A number held by another patient comes
-- first, so the caller sees the conflict; otherwise the patient's own row; no row when nobody
-- holds it. Numbers on earlier assessments count too: an MSS number is never given twice.
-- ("MSSNum <> ''" lets the patient master be searched by the index of the numbers given.)
-- params: MSSNum, HospNum
SELECT h.HospNum AS HospNum,
       m.LastName || ', ' || m.FirstName || ' ' || m.MiddleName AS PatientName,
       h.MSSNum AS MSSNum
  FROM (SELECT HospNum, MSSNum FROM PATIENT_DATA.tbMaster WHERE MSSNum = trim(@MSSNum) AND MSSNum <> ''
        UNION
        SELECT HospNum, MSSNum FROM tbMSSAssessment WHERE MSSNum = trim(@MSSNum)) AS h
  JOIN PATIENT_DATA.tbMaster AS m ON m.HospNum = h.HospNum
 WHERE trim(ifnull(@MSSNum, '')) <> ''
 ORDER BY (h.HospNum = trim(@HospNum)), h.HospNum
 LIMIT 1;
