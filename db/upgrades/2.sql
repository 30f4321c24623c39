-- Version 2: the patient list's views in PATIENT_DATA (see schema/PATIENT_DATA.sql, which a new
-- database is made from; the two must stay alike). The list procedures of version 2 read them.
-- A file may be newer than the others of its folder, and already have them.
CREATE VIEW IF NOT EXISTS PATIENT_DATA.vwInPatientList AS
    SELECT a.IdNum AS IDNUM, a.HospNum AS HospNum, a.AdmDate AS AdmDate, m.LastName AS LastName,
           m.FirstName AS FirstName, m.MiddleName AS MiddleName, a.RoomID AS RoomID, m.MSSNum AS MSS,
           ifnull(m.HouseStreet || ', ', '') || ifnull(m.Barangay || ', ', '') || ifnull(m.Town || ', ', '')
               || ifnull(m.Province, '') AS Address,
           a.DcrDate AS dcrdate, a.BillingDate AS BillingDate, a.PatientClass AS PatientClass
      FROM tbPatient2 AS a JOIN tbMaster AS m ON m.HospNum = a.HospNum;

CREATE VIEW IF NOT EXISTS PATIENT_DATA.vwOutPatientList AS
    SELECT a.IdNum AS IDNUM, a.HospNum AS HospNum, a.AdmDate AS AdmDate, m.LastName AS LastName,
           m.FirstName AS FirstName, m.MiddleName AS MiddleName, 'OPD' AS RoomID, m.MSSNum AS MSS,
           ifnull(m.HouseStreet || ', ', '') || ifnull(m.Barangay || ', ', '') || ifnull(m.Town || ', ', '')
               || ifnull(m.Province, '') AS Address,
           a.DcrDate AS dcrdate, a.BillingDate AS BillingDate, a.PatientType AS PatientClass
      FROM tbOutPatient AS a JOIN tbMaster AS m ON m.HospNum = a.HospNum;

CREATE VIEW IF NOT EXISTS PATIENT_DATA.vwERPatientList AS
    SELECT a.IdNum AS IDNUM, a.HospNum AS HospNum, a.AdmDate AS AdmDate, m.LastName AS LastName,
           m.FirstName AS FirstName, m.MiddleName AS MiddleName, 'ER' AS RoomID, m.MSSNum AS MSS,
           ifnull(m.HouseStreet || ', ', '') || ifnull(m.Barangay || ', ', '') || ifnull(m.Town || ', ', '')
               || ifnull(m.Province, '') AS Address,
           a.DcrDate AS dcrdate, a.BillingDate AS BillingDate, a.PatientClassification AS PatientClass
      FROM tbERMaster AS a JOIN tbMaster AS m ON m.HospNum = a.HospNum;
