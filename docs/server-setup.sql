-- Lumadex: the administrator's part, run once on the server.
--
-- Lumadex then attaches with an account of its own that may read and write the launch table and
-- nothing else, instead of the server's SYSDBA. Before running it:
--   1. write Lumadex's own password into CREATE OR ALTER USER below, in place of the placeholder, and
--   2. make sure the database exists (Lumadex creates it when its settings are first made with the
--      SYSDBA account, or create it yourself:
--        CREATE DATABASE 'C:\data\JWWDB.FDB' USER 'SYSDBA' PASSWORD '...' PAGE_SIZE 4096;
--      with no default character set: texts are stored as Shift-JIS bytes).
-- Then, on the server, as SYSDBA:
--   isql -user SYSDBA -password <SYSDBA's password> -i server-setup.sql "localhost:C:\data\JWWDB.FDB"
-- On each PC, set the account with (1) データベース設定 > 接続アカウント: user LUMADEX and this password.

-- The account (in the server's security database; SRP is the login that encrypts the wire).
CREATE OR ALTER USER LUMADEX PASSWORD 'CHANGE_THIS_PASSWORD' USING PLUGIN Srp;
COMMIT;

-- The launch table, exactly as Lumadex itself creates it, unless it is there already.
SET TERM ^ ;
EXECUTE BLOCK AS
BEGIN
  IF (NOT EXISTS(SELECT 1 FROM RDB$RELATIONS WHERE RDB$RELATION_NAME = 'BOOTJWW')) THEN
    EXECUTE STATEMENT 'CREATE TABLE BOOTJWW (
  N INTEGER NOT NULL UNIQUE,
  PNAME VARCHAR(16),
  L_FOLDER VARCHAR(255),
  N_FOLDER VARCHAR(255),
  FILE_NAME VARCHAR(255),
  BOOT_DATE VARCHAR(10),
  BOOT_TIME VARCHAR(8),
  FILE_DATE VARCHAR(10),
  FILE_TIME VARCHAR(8),
  FILE_SIZE INTEGER
  )';
END^
SET TERM ; ^
COMMIT;

-- The four rights Lumadex needs, and no more.
GRANT SELECT, INSERT, UPDATE, DELETE ON BOOTJWW TO USER LUMADEX;
COMMIT;

-- LUMADEX owns nothing in the database, so it may not create, change or drop tables, nor create
-- databases: the structure stays the administrator's.
