-- What the hospital's SQL Server itself checks when a class-history entry's deletion is
-- recorded, whoever records it: a reason someone can read, and a user of this program who may
-- delete. The window asks for both, but a statement sent by any other client must meet them too.
--
-- MSS..sp_MSS_SavePatClassHistory_Deletion is the suite's procedure; it records each deletion
-- in dbo.tbMSSPatClassHistoryDeletion. The trigger below refuses such a record (and with it the
-- statement and the transaction it runs in) when
--   * the reason has fewer than six characters once the characters that show nothing
--     (zero-width spaces and joiners, direction marks, byte-order marks, fillers) are dropped
--     and white space is trimmed off its ends, or
--   * DeletedBy is not an active user of this program (dbo.tbMSSUser) with the right A.
-- Run it after deploy.sql, as a member of sysadmin or db_owner of MSS. It is safe to run again.

USE [MSS];
GO

IF OBJECT_ID(N'dbo.tbMSSPatClassHistoryDeletion', N'U') IS NULL
    OR OBJECT_ID(N'dbo.tbMSSUser', N'U') IS NULL
    OR OBJECT_ID(N'dbo.tbMSSUserRight', N'U') IS NULL
BEGIN
    RAISERROR (
        N'MSS lacks tbMSSPatClassHistoryDeletion, tbMSSUser or tbMSSUserRight: run deploy.sql first.', 16, 1
    );
    -- The batches below are then only compiled, never run.
    SET NOEXEC ON;
END;
GO

-- 1 for white space, 2 for a character that shows nothing (format characters such as zero-width
-- spaces and joiners, direction marks, byte-order marks, and blank fillers), 0 for the rest.
CREATE OR ALTER FUNCTION dbo.fnMSSBlankKind (@code int)
RETURNS int
AS
BEGIN
    RETURN CASE
        WHEN @code IN (9, 10, 11, 12, 13, 32, 133, 160, 5760, 8232, 8233, 8239, 8287, 12288) THEN 1
        WHEN @code BETWEEN 8192 AND 8202 THEN 1
        WHEN @code IN (173, 847, 1564, 4447, 4448, 6158, 10240, 12644, 65279, 65440) THEN 2
        WHEN @code BETWEEN 8203 AND 8207 THEN 2
        WHEN @code BETWEEN 8234 AND 8238 THEN 2
        WHEN @code BETWEEN 8288 AND 8303 THEN 2
        ELSE 0
    END;
END;
GO

-- What a reader sees of the text: without the characters that show nothing, wherever they are,
-- and without white space at either end.
CREATE OR ALTER FUNCTION dbo.fnMSSVisibleText (@text nvarchar(max))
RETURNS nvarchar(max)
AS
BEGIN
    IF @text IS NULL
        RETURN NULL;
    DECLARE @kept nvarchar(max) = N'';
    DECLARE @i int = 1;
    -- DATALENGTH, not LEN: LEN does not count trailing blanks.
    DECLARE @length int = DATALENGTH(@text) / 2;
    WHILE @i <= @length
    BEGIN
        IF dbo.fnMSSBlankKind(UNICODE(SUBSTRING(@text, @i, 1))) <> 2
            SET @kept = @kept + SUBSTRING(@text, @i, 1);
        SET @i = @i + 1;
    END;
    DECLARE @first int = 1;
    DECLARE @last int = DATALENGTH(@kept) / 2;
    WHILE @first <= @last AND dbo.fnMSSBlankKind(UNICODE(SUBSTRING(@kept, @first, 1))) = 1
        SET @first = @first + 1;
    WHILE @last >= @first AND dbo.fnMSSBlankKind(UNICODE(SUBSTRING(@kept, @last, 1))) = 1
        SET @last = @last - 1;
    RETURN SUBSTRING(@kept, @first, @last - @first + 1);
END;
GO

DROP TRIGGER IF EXISTS dbo.trMSSPatClassHistoryDeletionCheck;
GO

CREATE TRIGGER dbo.trMSSPatClassHistoryDeletionCheck
ON dbo.tbMSSPatClassHistoryDeletion
AFTER INSERT, UPDATE
AS
BEGIN
    SET NOCOUNT ON;
    IF EXISTS (
        SELECT 1
        FROM inserted AS i
        WHERE COALESCE(DATALENGTH(dbo.fnMSSVisibleText(CAST(i.Reason AS nvarchar(max)))), 0) / 2 < 6
    )
        THROW 50101, N'A reason of at least six visible characters is required to delete a class history entry.', 1;
    IF EXISTS (
        SELECT 1
        FROM inserted AS i
        WHERE NOT EXISTS (
            SELECT 1
            FROM dbo.tbMSSUser AS u
            INNER JOIN dbo.tbMSSUserRight AS r ON r.UserCode = u.UserCode
            WHERE
                u.UserCode = dbo.fnMSSVisibleText(CAST(i.DeletedBy AS nvarchar(max)))
                AND u.Active <> 0
                AND r.RightCode = 'A'
        )
    )
        THROW 50102, N'Only an active user of the MSS program with the right A may delete class history entries.', 1;
END;
GO

SET NOEXEC OFF;
GO
