-- Radiology registrations (requests for examinations) of admissions and visits.
-- The schema version of this file, and a digest of the stored procedures it holds.
CREATE TABLE IF NOT EXISTS mss_schema (version INTEGER NOT NULL, procedures TEXT);

CREATE TABLE tbRadioRegistration (
    RequestNum  INTEGER PRIMARY KEY,
    IdNum       TEXT NOT NULL COLLATE NOCASE,
    HospNum     TEXT NOT NULL COLLATE NOCASE,
    RequestDate TEXT NOT NULL,
    Examination TEXT NOT NULL,
    Amount      REAL NOT NULL DEFAULT 0,
    Status      TEXT NOT NULL DEFAULT 'R'       -- 'R' registered, 'D' done
);
CREATE INDEX ixRadioIdNum ON tbRadioRegistration (IdNum);
