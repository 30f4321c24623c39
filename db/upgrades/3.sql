-- Version 3: the lock-out after wrong passwords is kept with the user (see schema/MSS.sql, which
-- a new database is made from; the two must stay alike). The program skips this step when the
-- MSS file already has the columns.
ALTER TABLE main.tbMSSUser ADD COLUMN FailedLogOns INTEGER NOT NULL DEFAULT 0;
ALTER TABLE main.tbMSSUser ADD COLUMN LockedUntil TEXT NULL;
ALTER TABLE main.tbMSSUser ADD COLUMN LockOuts INTEGER NOT NULL DEFAULT 0;
