-- Quillon's office archive on PostgreSQL (13 or later): tables, roles and row-level security.
--
-- Apply it, and apply it again after each Quillon upgrade, as the database's owner or a superuser:
--
--     psql -v ON_ERROR_STOP=1 -d quillon -f /usr/share/quillon/office-archive.sql
--
-- It runs in one transaction and only adds what is missing: every migration below is applied once,
-- in order, and recorded in quillon.schema_version, which each desktop reads when it connects. A
-- desktop names a server whose archive is older or newer than it can work with, and pushes nothing.
--
-- Roles. The script makes two group roles, which log in nowhere themselves:
--   quillon_inspector  may read the inquiries of its own unit and add versions to them;
--   quillon_admin      may read every unit's inquiries and keeps the list of inspectors.
-- Nobody but the owner of these tables may change or delete what a desktop has pushed, and neither
-- role reads or writes the tables themselves: everything goes through the functions of migration 3,
-- which run as the owner and keep to the unit of the role that logged in.
--
-- How an inspector's role is tied to a unit: each inspector logs in as a role of their own, which is
-- a member of quillon_inspector and has one row in quillon.member naming its unit. A unit is any
-- text the office chooses ("第一大队", "稽查科"); inquiries pushed by a role belong to its unit, and
-- every role of that unit sees them.
--
--     CREATE ROLE wangwei LOGIN;                 -- a password, or a certificate (see the manual)
--     GRANT quillon_inspector TO wangwei;
--     INSERT INTO quillon.member(role, unit) VALUES ('wangwei', '第一大队');
--
-- An inspector who changes unit gets their row changed: what they push from then on belongs to the
-- new unit, what they pushed before stays with the old one. An administrator:
--
--     CREATE ROLE zhaoli LOGIN;
--     GRANT quillon_admin TO zhaoli;             -- and quillon_inspector and a member row, to push
--
-- A role without a member row may connect, sees nothing and is refused when it pushes.
--
-- The office may keep large evidence on the desktops only: recordings and captures larger than
-- 'evidence_limit' bytes are listed with their fingerprints but their content stays on the desktop.
--
--     INSERT INTO quillon.setting(key, value) VALUES ('evidence_limit', '104857600')
--         ON CONFLICT (key) DO UPDATE SET value = excluded.value;

\set ON_ERROR_STOP on
BEGIN;
SET LOCAL client_min_messages = warning;
-- Whatever someone may have created in schema public is never what a name of this script means.
SET LOCAL search_path = pg_catalog, pg_temp;

-- Roles are shared by every database of the server, so two archives on one server share them.
DO $roles$
BEGIN
    IF NOT EXISTS (SELECT FROM pg_roles WHERE rolname = 'quillon_inspector') THEN
        CREATE ROLE quillon_inspector NOLOGIN;
    END IF;
    IF NOT EXISTS (SELECT FROM pg_roles WHERE rolname = 'quillon_admin') THEN
        CREATE ROLE quillon_admin NOLOGIN;
    END IF;
END
$roles$;

CREATE SCHEMA IF NOT EXISTS quillon;
REVOKE ALL ON SCHEMA quillon FROM PUBLIC;
GRANT USAGE ON SCHEMA quillon TO quillon_inspector, quillon_admin;

-- The server itself, on every run: nobody but its owners creates objects in schema public (on a
-- server that began as PostgreSQL 13 or 14 everyone may), where a function or operator of the same
-- name as one of PostgreSQL's could be found before it.
REVOKE CREATE ON SCHEMA public FROM PUBLIC;

-- One row per migration applied. oldest_client is the oldest archive version a desktop may still
-- speak to work with the server as it stands after this migration.
CREATE TABLE IF NOT EXISTS quillon.schema_version(
    version integer PRIMARY KEY,
    oldest_client integer NOT NULL,
    applied_at timestamptz NOT NULL DEFAULT now());
GRANT SELECT ON quillon.schema_version TO quillon_inspector, quillon_admin;

-- Migration 1: inquiries, their versions, files and custody entries, and the files' contents.
DO $migration$
BEGIN
IF EXISTS (SELECT FROM quillon.schema_version WHERE version = 1) THEN
    RETURN;
END IF;

CREATE TABLE quillon.member(
    role name PRIMARY KEY,
    unit text NOT NULL CHECK (unit <> ''));

CREATE TABLE quillon.setting(
    key text PRIMARY KEY,
    value text NOT NULL);

-- Read as the caller: an inspector sees only their own member row.
CREATE FUNCTION quillon.my_unit() RETURNS text LANGUAGE sql STABLE
    AS $$ SELECT unit FROM quillon.member WHERE role = current_user $$;
CREATE FUNCTION quillon.is_admin() RETURNS boolean LANGUAGE sql STABLE
    AS $$ SELECT pg_has_role(current_user, 'quillon_admin', 'USAGE') $$;

-- A version is one state of an inquiry as a desktop saved it: key is the SHA-256 of the desktop's
-- custody-log line that recorded the save, so that a version pushed twice is stored once. Search
-- reads the latest version of each inquiry: its normalized text (search) and the distinct single
-- characters and character pairs of that text (grams), whose GIN index answers a word of any
-- length, one or two characters included, and whatever the database's character classes.
CREATE TABLE quillon.version(
    id bigint PRIMARY KEY,
    unit text NOT NULL,
    key text NOT NULL CHECK (key ~ '^[0-9a-f]{64}$'),
    name text NOT NULL,
    event text NOT NULL,
    saved_at timestamptz NOT NULL,
    host text NOT NULL,
    desktop_user text NOT NULL,
    pushed_by name NOT NULL,
    pushed_at timestamptz NOT NULL,
    fields jsonb NOT NULL,
    problem text NOT NULL DEFAULT '',
    date date,
    starts text NOT NULL,
    ends text NOT NULL,
    interviewee text NOT NULL,
    work_unit text NOT NULL,
    place text NOT NULL,
    inspector text NOT NULL,
    pairs integer NOT NULL,
    recordings integer NOT NULL,
    captures integer NOT NULL,
    state smallint NOT NULL,
    search text NOT NULL,
    grams text[] NOT NULL,
    UNIQUE (unit, key),
    UNIQUE (id, unit));
CREATE SEQUENCE quillon.version_id OWNED BY quillon.version.id;
CREATE INDEX version_grams ON quillon.version USING gin (grams);
CREATE INDEX version_by_name ON quillon.version (unit, name, saved_at);
CREATE INDEX version_by_date ON quillon.version (date DESC NULLS LAST, starts DESC, name);

-- The contents of files, stored once per unit, in pieces of at most a few megabytes.
CREATE TABLE quillon.blob(
    unit text NOT NULL,
    sha256 text NOT NULL CHECK (sha256 ~ '^[0-9a-f]{64}$'),
    size bigint NOT NULL CHECK (size >= 0),
    PRIMARY KEY (unit, sha256));
CREATE TABLE quillon.blob_chunk(
    unit text NOT NULL,
    sha256 text NOT NULL,
    seq integer NOT NULL CHECK (seq >= 0),
    data bytea NOT NULL,
    PRIMARY KEY (unit, sha256, seq),
    FOREIGN KEY (unit, sha256) REFERENCES quillon.blob (unit, sha256));

-- A version's files: content is the blob holding the bytes, or NULL when they stayed on the desktop
-- (larger than the office keeps, changed since their fingerprint, or missing).
CREATE TABLE quillon.version_file(
    version_id bigint NOT NULL,
    unit text NOT NULL,
    name text NOT NULL,
    kind smallint NOT NULL,
    sha256 text NOT NULL,
    size bigint NOT NULL,
    state smallint NOT NULL,
    content text,
    PRIMARY KEY (version_id, name),
    FOREIGN KEY (version_id, unit) REFERENCES quillon.version (id, unit),
    FOREIGN KEY (unit, content) REFERENCES quillon.blob (unit, sha256));

-- The inquiry's custody-log lines as the desktop wrote them, up to the version's own.
CREATE TABLE quillon.custody(
    version_id bigint NOT NULL,
    unit text NOT NULL,
    seq integer NOT NULL,
    line text NOT NULL,
    PRIMARY KEY (version_id, seq),
    FOREIGN KEY (version_id, unit) REFERENCES quillon.version (id, unit));

-- One row per inquiry of a unit, kept by the server: its latest version and how many it has.
CREATE TABLE quillon.inquiry(
    unit text NOT NULL,
    name text NOT NULL,
    latest bigint NOT NULL UNIQUE REFERENCES quillon.version (id),
    saved_at timestamptz NOT NULL,
    versions integer NOT NULL,
    PRIMARY KEY (unit, name));

-- What the server decides, not the desktop: the id, the unit, who pushed and when. These triggers run
-- as the role that pushes, whose unit they look up; only the one that keeps quillon.inquiry runs as
-- the tables' owner.
CREATE FUNCTION quillon.version_stamp() RETURNS trigger LANGUAGE plpgsql
    SET search_path = pg_catalog, pg_temp AS $$
BEGIN
    NEW.id := nextval('quillon.version_id');
    NEW.unit := quillon.my_unit();
    IF NEW.unit IS NULL THEN
        RAISE EXCEPTION 'role % belongs to no unit of the office archive', current_user
            USING ERRCODE = 'insufficient_privilege';
    END IF;
    NEW.pushed_by := current_user;
    NEW.pushed_at := now();
    RETURN NEW;
END $$;
CREATE TRIGGER version_stamp BEFORE INSERT ON quillon.version
    FOR EACH ROW EXECUTE FUNCTION quillon.version_stamp();

CREATE FUNCTION quillon.version_latest() RETURNS trigger LANGUAGE plpgsql SECURITY DEFINER
    SET search_path = pg_catalog, pg_temp AS $$
BEGIN
    INSERT INTO quillon.inquiry AS i(unit, name, latest, saved_at, versions)
        VALUES (NEW.unit, NEW.name, NEW.id, NEW.saved_at, 1)
        ON CONFLICT (unit, name) DO UPDATE SET
            versions = i.versions + 1,
            latest = CASE WHEN (excluded.saved_at, excluded.latest) > (i.saved_at, i.latest)
                          THEN excluded.latest ELSE i.latest END,
            saved_at = greatest(i.saved_at, excluded.saved_at);
    RETURN NULL;
END $$;
CREATE TRIGGER version_latest AFTER INSERT ON quillon.version
    FOR EACH ROW EXECUTE FUNCTION quillon.version_latest();

-- A version's files and lines, and a blob's pieces, are added by the transaction that made the
-- version or the blob, never later: what was pushed cannot be added to afterwards.
CREATE FUNCTION quillon.part_of_new_row() RETURNS trigger LANGUAGE plpgsql
    SET search_path = pg_catalog, pg_temp AS $$
DECLARE
    made xid;
BEGIN
    NEW.unit := quillon.my_unit();
    IF TG_TABLE_NAME = 'blob_chunk' THEN
        SELECT b.xmin INTO made FROM quillon.blob b WHERE b.unit = NEW.unit AND b.sha256 = NEW.sha256;
    ELSE
        SELECT v.xmin INTO made FROM quillon.version v WHERE v.id = NEW.version_id;
    END IF;
    IF made IS NOT NULL AND made <> pg_current_xact_id()::xid THEN
        RAISE EXCEPTION 'a % row is added only with the row it belongs to', TG_TABLE_NAME
            USING ERRCODE = 'insufficient_privilege';
    END IF;
    RETURN NEW;
END $$;
CREATE TRIGGER version_file_part BEFORE INSERT ON quillon.version_file
    FOR EACH ROW EXECUTE FUNCTION quillon.part_of_new_row();
CREATE TRIGGER custody_part BEFORE INSERT ON quillon.custody
    FOR EACH ROW EXECUTE FUNCTION quillon.part_of_new_row();
CREATE TRIGGER blob_chunk_part BEFORE INSERT ON quillon.blob_chunk
    FOR EACH ROW EXECUTE FUNCTION quillon.part_of_new_row();

CREATE FUNCTION quillon.blob_stamp() RETURNS trigger LANGUAGE plpgsql
    SET search_path = pg_catalog, pg_temp AS $$
BEGIN
    NEW.unit := quillon.my_unit();
    RETURN NEW;
END $$;
CREATE TRIGGER blob_stamp BEFORE INSERT ON quillon.blob
    FOR EACH ROW EXECUTE FUNCTION quillon.blob_stamp();

-- A blob is whole when its transaction commits: its pieces add up to its size.
CREATE FUNCTION quillon.blob_whole() RETURNS trigger LANGUAGE plpgsql
    SET search_path = pg_catalog, pg_temp AS $$
BEGIN
    IF (SELECT coalesce(sum(octet_length(c.data)), 0) FROM quillon.blob_chunk c
        WHERE c.unit = NEW.unit AND c.sha256 = NEW.sha256) <> NEW.size THEN
        RAISE EXCEPTION 'the content % is not complete', NEW.sha256 USING ERRCODE = 'integrity_constraint_violation';
    END IF;
    RETURN NULL;
END $$;
CREATE CONSTRAINT TRIGGER blob_whole AFTER INSERT ON quillon.blob
    DEFERRABLE INITIALLY DEFERRED FOR EACH ROW EXECUTE FUNCTION quillon.blob_whole();

-- Row-level security: a unit's rows for its roles, every row for an administrator. The two
-- functions are read once per statement.
ALTER TABLE quillon.member ENABLE ROW LEVEL SECURITY;
CREATE POLICY own_row ON quillon.member FOR SELECT
    USING (role = current_user OR (SELECT quillon.is_admin()));
CREATE POLICY administered ON quillon.member FOR ALL TO quillon_admin USING (true) WITH CHECK (true);

ALTER TABLE quillon.version ENABLE ROW LEVEL SECURITY;
ALTER TABLE quillon.version_file ENABLE ROW LEVEL SECURITY;
ALTER TABLE quillon.custody ENABLE ROW LEVEL SECURITY;
ALTER TABLE quillon.blob ENABLE ROW LEVEL SECURITY;
ALTER TABLE quillon.blob_chunk ENABLE ROW LEVEL SECURITY;
ALTER TABLE quillon.inquiry ENABLE ROW LEVEL SECURITY;
CREATE POLICY unit_reads ON quillon.version FOR SELECT
    USING ((SELECT quillon.is_admin()) OR unit = (SELECT quillon.my_unit()));
CREATE POLICY unit_pushes ON quillon.version FOR INSERT WITH CHECK (unit = (SELECT quillon.my_unit()));
CREATE POLICY unit_reads ON quillon.version_file FOR SELECT
    USING ((SELECT quillon.is_admin()) OR unit = (SELECT quillon.my_unit()));
CREATE POLICY unit_pushes ON quillon.version_file FOR INSERT WITH CHECK (unit = (SELECT quillon.my_unit()));
CREATE POLICY unit_reads ON quillon.custody FOR SELECT
    USING ((SELECT quillon.is_admin()) OR unit = (SELECT quillon.my_unit()));
CREATE POLICY unit_pushes ON quillon.custody FOR INSERT WITH CHECK (unit = (SELECT quillon.my_unit()));
CREATE POLICY unit_reads ON quillon.blob FOR SELECT
    USING ((SELECT quillon.is_admin()) OR unit = (SELECT quillon.my_unit()));
CREATE POLICY unit_pushes ON quillon.blob FOR INSERT WITH CHECK (unit = (SELECT quillon.my_unit()));
CREATE POLICY unit_reads ON quillon.blob_chunk FOR SELECT
    USING ((SELECT quillon.is_admin()) OR unit = (SELECT quillon.my_unit()));
CREATE POLICY unit_pushes ON quillon.blob_chunk FOR INSERT WITH CHECK (unit = (SELECT quillon.my_unit()));
CREATE POLICY unit_reads ON quillon.inquiry FOR SELECT
    USING ((SELECT quillon.is_admin()) OR unit = (SELECT quillon.my_unit()));

GRANT SELECT ON quillon.member, quillon.setting, quillon.version, quillon.version_file, quillon.custody,
    quillon.blob, quillon.blob_chunk, quillon.inquiry TO quillon_inspector, quillon_admin;
GRANT INSERT ON quillon.version, quillon.version_file, quillon.custody, quillon.blob, quillon.blob_chunk
    TO quillon_inspector;
GRANT INSERT, UPDATE, DELETE ON quillon.member, quillon.setting TO quillon_admin;
GRANT USAGE ON SEQUENCE quillon.version_id TO quillon_inspector;

INSERT INTO quillon.schema_version(version, oldest_client) VALUES (1, 1);
END
$migration$;

-- Migration 2: what migration 1 came to hold before migrations were kept apart (an archive made then
-- has only version 1 recorded, with some of this or all of it): the date index of each unit, the
-- grams compared byte by byte, the text kept in the row, lz4 where the server has it, and the
-- planner's estimate the search asks. Each step leaves what is there already as it is.
DO $migration$
BEGIN
IF EXISTS (SELECT FROM quillon.schema_version WHERE version = 2) THEN
    RETURN;
END IF;

CREATE INDEX IF NOT EXISTS version_by_unit_date ON quillon.version (unit, date DESC NULLS LAST, starts DESC, name);
ALTER TABLE quillon.version SET (autovacuum_vacuum_insert_threshold = 200, autovacuum_vacuum_insert_scale_factor = 0);
IF (SELECT a.attcollation FROM pg_attribute a
    WHERE a.attrelid = 'quillon.version'::regclass AND a.attname = 'grams') <> 'pg_catalog."C"'::regcollation THEN
    ALTER TABLE quillon.version ALTER COLUMN grams TYPE text[] COLLATE "C";
END IF;
ALTER TABLE quillon.version ALTER COLUMN search SET STORAGE MAIN;
BEGIN
    EXECUTE 'ALTER TABLE quillon.version ALTER COLUMN fields SET COMPRESSION lz4, '
        'ALTER COLUMN search SET COMPRESSION lz4, ALTER COLUMN grams SET COMPRESSION lz4';
    EXECUTE 'ALTER TABLE quillon.blob_chunk ALTER COLUMN data SET COMPRESSION lz4';
EXCEPTION WHEN syntax_error OR feature_not_supported THEN
    NULL;
END;

CREATE OR REPLACE FUNCTION quillon.estimate(query text) RETURNS double precision LANGUAGE plpgsql VOLATILE
    SET search_path = pg_catalog, pg_temp AS $$
DECLARE
    plan json;
BEGIN
    EXECUTE 'EXPLAIN (FORMAT JSON) ' || query INTO plan;
    RETURN (plan -> 0 -> 'Plan' ->> 'Plan Rows')::double precision;
END $$;
REVOKE ALL ON FUNCTION quillon.estimate(text) FROM PUBLIC;
INSERT INTO quillon.schema_version(version, oldest_client) VALUES (2, 1);
END
$migration$;

-- Migration 3: every read and write of an inspector through functions of the tables' owner, which
-- keep to the caller's unit before they compare anything the caller gives them; contents checked
-- against their fingerprints by the server; versions ordered by the server's clock; each desktop's
-- custody log continued on the server.
--
-- Inspectors and administrators lose SELECT and INSERT on the tables: a query of their own, or its
-- plan (EXPLAIN ANALYZE counts the rows a policy removes, and the planner compares texts from an
-- index before the policy runs), could tell them what another unit holds. The functions below are
-- SECURITY DEFINER with a fixed search_path; the caller is the role that logged in (session_user).
DO $migration$
BEGIN
IF EXISTS (SELECT FROM quillon.schema_version WHERE version = 3) THEN
    RETURN;
END IF;

CREATE OR REPLACE FUNCTION quillon.my_unit() RETURNS text LANGUAGE sql STABLE SECURITY DEFINER
    SET search_path = pg_catalog, pg_temp
    AS $$ SELECT m.unit FROM quillon.member m WHERE m.role = pg_catalog."session_user"() $$;
CREATE OR REPLACE FUNCTION quillon.is_admin() RETURNS boolean LANGUAGE sql STABLE
    SET search_path = pg_catalog, pg_temp
    AS $$ SELECT pg_catalog.pg_has_role(pg_catalog."session_user"(), 'quillon_admin', 'USAGE') $$;

-- The server's receive time orders the versions of an inquiry: pushed_at, the start of the pushing
-- transaction on the server's clock, and the id within one push. The desktop's saved_at is kept as
-- the desktop said it.
ALTER TABLE quillon.inquiry RENAME COLUMN saved_at TO received_at;
UPDATE quillon.inquiry i SET latest = l.id, received_at = l.pushed_at
    FROM (SELECT DISTINCT ON (v.unit, v.name) v.unit, v.name, v.id, v.pushed_at FROM quillon.version v
          ORDER BY v.unit, v.name, v.pushed_at DESC, v.id DESC) l
    WHERE i.unit = l.unit AND i.name = l.name AND i.latest <> l.id;

CREATE OR REPLACE FUNCTION quillon.version_stamp() RETURNS trigger LANGUAGE plpgsql SECURITY DEFINER
    SET search_path = pg_catalog, pg_temp AS $$
BEGIN
    NEW.id := pg_catalog.nextval('quillon.version_id');
    NEW.unit := quillon.my_unit();
    IF NEW.unit IS NULL THEN
        RAISE EXCEPTION 'role % belongs to no unit of the office archive', pg_catalog."session_user"()
            USING ERRCODE = 'insufficient_privilege';
    END IF;
    NEW.pushed_by := pg_catalog."session_user"();
    NEW.pushed_at := pg_catalog.now();
    RETURN NEW;
END $$;

CREATE OR REPLACE FUNCTION quillon.version_latest() RETURNS trigger LANGUAGE plpgsql SECURITY DEFINER
    SET search_path = pg_catalog, pg_temp AS $$
BEGIN
    INSERT INTO quillon.inquiry AS i(unit, name, latest, received_at, versions)
        VALUES (NEW.unit, NEW.name, NEW.id, NEW.pushed_at, 1)
        ON CONFLICT (unit, name) DO UPDATE SET
            versions = i.versions + 1,
            latest = CASE WHEN (excluded.received_at, excluded.latest) > (i.received_at, i.latest)
                          THEN excluded.latest ELSE i.latest END,
            received_at = greatest(i.received_at, excluded.received_at);
    RETURN NULL;
END $$;

-- A content is whole, and is what its key says, when its transaction commits: the server adds up its
-- pieces and computes their SHA-256 itself. Nothing else ever puts bytes under a key. It runs at the
-- commit, as the tables' owner: the role that pushes may not read the pieces.
CREATE OR REPLACE FUNCTION quillon.blob_whole() RETURNS trigger LANGUAGE plpgsql SECURITY DEFINER
    SET search_path = pg_catalog, pg_temp AS $$
DECLARE
    whole bytea;
BEGIN
    SELECT pg_catalog.string_agg(c.data, ''::bytea ORDER BY c.seq) INTO whole FROM quillon.blob_chunk c
        WHERE c.unit = NEW.unit AND c.sha256 = NEW.sha256;
    whole := coalesce(whole, ''::bytea);
    IF pg_catalog.octet_length(whole) <> NEW.size THEN
        RAISE EXCEPTION 'the content % is not complete', NEW.sha256 USING ERRCODE = 'integrity_constraint_violation';
    END IF;
    IF pg_catalog.encode(pg_catalog.sha256(whole), 'hex') <> NEW.sha256 THEN
        RAISE EXCEPTION 'the content given for % does not have that SHA-256: refused, nothing stored', NEW.sha256
            USING ERRCODE = 'integrity_constraint_violation';
    END IF;
    RETURN NULL;
END $$;

-- Contents stored before the server checked them: those that are not what their key says are moved
-- here for the administrator, and the files that named them count as kept on their desktops.
CREATE TABLE quillon.refused_content(
    unit text NOT NULL,
    sha256 text NOT NULL,
    size bigint NOT NULL,
    data bytea NOT NULL,
    found_at timestamptz NOT NULL DEFAULT now(),
    PRIMARY KEY (unit, sha256));
INSERT INTO quillon.refused_content(unit, sha256, size, data)
    SELECT b.unit, b.sha256, b.size, w.whole FROM quillon.blob b
    CROSS JOIN LATERAL (SELECT coalesce(string_agg(c.data, ''::bytea ORDER BY c.seq), ''::bytea) AS whole
                        FROM quillon.blob_chunk c WHERE c.unit = b.unit AND c.sha256 = b.sha256) w
    WHERE encode(sha256(w.whole), 'hex') <> b.sha256;
UPDATE quillon.version_file f SET content = NULL FROM quillon.refused_content r
    WHERE f.unit = r.unit AND f.content = r.sha256;
DELETE FROM quillon.blob_chunk c USING quillon.refused_content r WHERE c.unit = r.unit AND c.sha256 = r.sha256;
DELETE FROM quillon.blob b USING quillon.refused_content r WHERE b.unit = r.unit AND b.sha256 = r.sha256;

-- Each desktop's custody log, line by line in its order, as a witness outside the desktop. A desktop
-- is named by the SHA-256 of its log's first line. The server checks that each line names as the one
-- before it the last line it received from that desktop, and records a break where it does not.
CREATE TABLE quillon.desktop(
    id text PRIMARY KEY CHECK (id ~ '^[0-9a-f]{64}$'),
    unit text NOT NULL,
    host text NOT NULL,
    lines integer NOT NULL DEFAULT 0,
    last_line text NOT NULL DEFAULT repeat('0', 64),
    log_end bigint NOT NULL DEFAULT 0);
CREATE TABLE quillon.desktop_line(
    desktop text NOT NULL REFERENCES quillon.desktop (id),
    n integer NOT NULL,
    line bytea NOT NULL,
    sha256 text NOT NULL,
    received_at timestamptz NOT NULL,
    PRIMARY KEY (desktop, n));
CREATE TABLE quillon.custody_break(
    desktop text NOT NULL REFERENCES quillon.desktop (id),
    n integer NOT NULL,
    expected text NOT NULL,
    named text NOT NULL,
    received_at timestamptz NOT NULL,
    PRIMARY KEY (desktop, n));

-- Reading. Each function finds the caller's unit first (every unit for an administrator) and only
-- then looks at what the caller asked for; what lies outside it answers as nothing at all.
CREATE OR REPLACE FUNCTION quillon.search(most integer, words text[], wanted text[]) RETURNS SETOF bigint
    LANGUAGE plpgsql VOLATILE SECURITY DEFINER
    SET search_path = pg_catalog, pg_temp SET plan_cache_mode = force_custom_plan AS $$
DECLARE
    admin boolean := quillon.is_admin();
    own text := quillon.my_unit();
    long text[] := ARRAY(SELECT w FROM pg_catalog.unnest(words) w WHERE pg_catalog.length(w) > 2);
    share double precision;
BEGIN
    IF NOT admin AND own IS NULL THEN
        RETURN;
    END IF;
    IF pg_catalog.cardinality(wanted) > 0 THEN
        SELECT pg_catalog.avg((NOT EXISTS (SELECT FROM pg_catalog.unnest(words) w
                                           WHERE pg_catalog.strpos(n.search, w) = 0))::integer) INTO share
            FROM (SELECT v.search FROM quillon.version v JOIN quillon.inquiry i ON i.latest = v.id
                WHERE (admin OR v.unit = own) ORDER BY v.date DESC NULLS LAST, v.starts DESC, v.name LIMIT 300) n;
        IF coalesce(share, 0) ^ 2 * quillon.estimate(pg_catalog.format(
                'SELECT FROM quillon.version v WHERE %L::boolean OR v.unit = %L', admin, own)) <= most THEN
            -- Materialized, so that the planner reads the index rather than the date order.
            RETURN QUERY WITH holding AS MATERIALIZED (
                SELECT v.id, v.date, v.starts, v.name FROM quillon.version v
                WHERE (admin OR v.unit = own) AND v.grams @> wanted
                    AND NOT EXISTS (SELECT FROM pg_catalog.unnest(long) w WHERE pg_catalog.strpos(v.search, w) = 0))
            SELECT h.id FROM holding h JOIN quillon.inquiry i ON i.latest = h.id
            ORDER BY h.date DESC NULLS LAST, h.starts DESC, h.name LIMIT most;
            RETURN;
        END IF;
    END IF;
    RETURN QUERY SELECT v.id FROM quillon.version v JOIN quillon.inquiry i ON i.latest = v.id
        WHERE (admin OR v.unit = own)
            AND NOT EXISTS (SELECT FROM pg_catalog.unnest(words) w WHERE pg_catalog.strpos(v.search, w) = 0)
        ORDER BY v.date DESC NULLS LAST, v.starts DESC, v.name LIMIT most;
END $$;

-- The latest versions found, newest first, with what the list shows of them.
CREATE FUNCTION quillon.found(most integer, words text[], wanted text[])
    RETURNS TABLE(name text, date text, starts text, ends text, interviewee text, work_unit text, place text,
                  inspector text, pairs integer, recordings integer, captures integer, state smallint, problem text,
                  unit text, id bigint, versions integer)
    LANGUAGE sql VOLATILE SECURITY DEFINER SET search_path = pg_catalog, pg_temp AS $$
    SELECT v.name, coalesce(v.date::text, ''), v.starts, v.ends, v.interviewee, v.work_unit, v.place, v.inspector,
        v.pairs, v.recordings, v.captures, v.state, v.problem, i.unit, v.id, i.versions
    FROM quillon.search($1, $2, $3) WITH ORDINALITY AS f(id, n)
    JOIN quillon.version v ON v.id = f.id JOIN quillon.inquiry i ON i.latest = v.id ORDER BY f.n
$$;

-- An inquiry's versions in the order the server received them.
CREATE FUNCTION quillon.versions_of(of_unit text, inquiry text)
    RETURNS TABLE(id bigint, event text, saved_at timestamptz, received_at timestamptz, host text,
                  desktop_user text, pushed_by name)
    LANGUAGE plpgsql STABLE SECURITY DEFINER SET search_path = pg_catalog, pg_temp AS $$
BEGIN
    IF NOT quillon.is_admin() AND of_unit IS DISTINCT FROM quillon.my_unit() THEN
        RETURN;
    END IF;
    RETURN QUERY SELECT v.id, v.event, v.saved_at, v.pushed_at, v.host, v.desktop_user, v.pushed_by
        FROM quillon.version v WHERE v.unit = of_unit AND v.name = inquiry ORDER BY v.pushed_at, v.id;
END $$;

-- The unit of a version the caller may read, or NULL.
CREATE FUNCTION quillon.readable(version bigint) RETURNS text
    LANGUAGE plpgsql STABLE SECURITY DEFINER SET search_path = pg_catalog, pg_temp AS $$
DECLARE
    admin boolean := quillon.is_admin();
    own text := quillon.my_unit();
    held text;
BEGIN
    IF NOT admin AND own IS NULL THEN
        RETURN NULL;
    END IF;
    SELECT v.unit INTO held FROM quillon.version v WHERE v.id = version AND (admin OR v.unit = own);
    RETURN held;
END $$;
REVOKE ALL ON FUNCTION quillon.readable(bigint) FROM PUBLIC;

-- A version's files: content is the SHA-256 of the bytes the server holds, NULL when they stayed on
-- the desktop.
CREATE FUNCTION quillon.files_of(version bigint)
    RETURNS TABLE(name text, kind smallint, sha256 text, size bigint, state smallint, content text)
    LANGUAGE sql STABLE SECURITY DEFINER SET search_path = pg_catalog, pg_temp AS $$
    SELECT f.name, f.kind, f.sha256, f.size, f.state, f.content FROM quillon.version_file f
    WHERE f.version_id = $1 AND f.unit = quillon.readable($1) ORDER BY f.kind, f.name
$$;

CREATE FUNCTION quillon.custody_of(version bigint) RETURNS TABLE(seq integer, line text)
    LANGUAGE sql STABLE SECURITY DEFINER SET search_path = pg_catalog, pg_temp AS $$
    SELECT c.seq, c.line FROM quillon.custody c WHERE c.version_id = $1 AND c.unit = quillon.readable($1)
    ORDER BY c.seq
$$;

-- One piece of a version's file, NULL after the last.
CREATE FUNCTION quillon.content_piece(version bigint, file text, piece integer) RETURNS bytea
    LANGUAGE sql STABLE SECURITY DEFINER SET search_path = pg_catalog, pg_temp AS $$
    SELECT c.data FROM quillon.version_file f
    JOIN quillon.blob_chunk c ON c.unit = f.unit AND c.sha256 = f.content AND c.seq = $3
    WHERE f.version_id = $1 AND f.unit = quillon.readable($1) AND f.name = $2
$$;

-- How much of a desktop's custody log the server holds, and the fingerprints of its lines.
CREATE FUNCTION quillon.desktop_state(desktop text) RETURNS TABLE(lines integer, log_end bigint, breaks integer)
    LANGUAGE sql STABLE SECURITY DEFINER SET search_path = pg_catalog, pg_temp AS $$
    SELECT d.lines, d.log_end, (SELECT count(*)::integer FROM quillon.custody_break b WHERE b.desktop = d.id)
    FROM quillon.desktop d WHERE (quillon.is_admin() OR d.unit = quillon.my_unit()) AND d.id = $1
$$;
CREATE FUNCTION quillon.desktop_lines(desktop text) RETURNS TABLE(n integer, sha256 text)
    LANGUAGE sql STABLE SECURITY DEFINER SET search_path = pg_catalog, pg_temp AS $$
    SELECT l.n, l.sha256 FROM quillon.desktop d JOIN quillon.desktop_line l ON l.desktop = d.id
    WHERE (quillon.is_admin() OR d.unit = quillon.my_unit()) AND d.id = $1 ORDER BY l.n
$$;

-- The custody logs the server holds of a host's desktops, for a desktop whose first line changed.
CREATE FUNCTION quillon.desktops_of(host text) RETURNS TABLE(id text, lines integer)
    LANGUAGE sql STABLE SECURITY DEFINER SET search_path = pg_catalog, pg_temp AS $$
    SELECT d.id, d.lines FROM quillon.desktop d
    WHERE (quillon.is_admin() OR d.unit = quillon.my_unit()) AND d.host = $1 ORDER BY d.id
$$;

-- Writing. The triggers fill in the unit, the id and who pushed, as before.
CREATE FUNCTION quillon.add_versions(key text[], name text[], event text[], saved_at text[], host text[],
                                     desktop_user text[], fields text[], problem text[], date text[],
                                     starts text[], ends text[], interviewee text[], work_unit text[],
                                     place text[], inspector text[], pairs integer[], recordings integer[],
                                     captures integer[], state integer[], search text[], grams text[])
    RETURNS TABLE(id bigint, key text)
    LANGUAGE sql VOLATILE SECURITY DEFINER SET search_path = pg_catalog, pg_temp AS $$
    INSERT INTO quillon.version(id, unit, key, name, event, saved_at, host, desktop_user, pushed_by, pushed_at,
        fields, problem, date, starts, ends, interviewee, work_unit, place, inspector, pairs, recordings,
        captures, state, search, grams)
    SELECT 0, '', t.key, t.name, t.event, t.saved_at::timestamptz, t.host, t.desktop_user, '', now(),
        t.fields::jsonb, t.problem, nullif(t.date, '')::date, t.starts, t.ends, t.interviewee, t.work_unit,
        t.place, t.inspector, t.pairs, t.recordings, t.captures, t.state, t.search, t.grams::text[]
    FROM unnest($1, $2, $3, $4, $5, $6, $7, $8, $9, $10, $11, $12, $13, $14, $15, $16, $17, $18, $19, $20, $21)
        WITH ORDINALITY AS t(key, name, event, saved_at, host, desktop_user, fields, problem, date, starts, ends,
                             interviewee, work_unit, place, inspector, pairs, recordings, captures, state, search,
                             grams, n)
    ORDER BY t.n
    ON CONFLICT ON CONSTRAINT version_unit_key_key DO NOTHING
    RETURNING version.id, version.key
$$;

-- The contents the unit does not hold yet, in the order of their fingerprints; the keys returned are
-- those this transaction is to give the bytes of.
CREATE FUNCTION quillon.add_contents(sha256 text[], size bigint[]) RETURNS SETOF text
    LANGUAGE sql VOLATILE SECURITY DEFINER SET search_path = pg_catalog, pg_temp AS $$
    INSERT INTO quillon.blob(unit, sha256, size)
    SELECT '', t.sha256, t.size FROM unnest($1, $2) AS t(sha256, size) ORDER BY t.sha256
    ON CONFLICT DO NOTHING RETURNING blob.sha256
$$;

CREATE FUNCTION quillon.add_pieces(sha256 text[], seq integer[], data bytea[]) RETURNS void
    LANGUAGE sql VOLATILE SECURITY DEFINER SET search_path = pg_catalog, pg_temp AS $$
    INSERT INTO quillon.blob_chunk(unit, sha256, seq, data)
    SELECT '', t.sha256, t.seq, t.data FROM unnest($1, $2, $3) AS t(sha256, seq, data)
$$;

CREATE FUNCTION quillon.add_files(version_id bigint[], name text[], kind integer[], sha256 text[], size bigint[],
                                  state integer[], content text[]) RETURNS void
    LANGUAGE sql VOLATILE SECURITY DEFINER SET search_path = pg_catalog, pg_temp AS $$
    INSERT INTO quillon.version_file(version_id, unit, name, kind, sha256, size, state, content)
    SELECT t.version_id, '', t.name, t.kind, t.sha256, t.size, t.state, nullif(t.content, '')
    FROM unnest($1, $2, $3, $4, $5, $6, $7) AS t(version_id, name, kind, sha256, size, state, content)
$$;

CREATE FUNCTION quillon.add_custody(version_id bigint[], seq integer[], line text[]) RETURNS void
    LANGUAGE sql VOLATILE SECURITY DEFINER SET search_path = pg_catalog, pg_temp AS $$
    INSERT INTO quillon.custody(version_id, unit, seq, line)
    SELECT t.version_id, '', t.seq, t.line FROM unnest($1, $2, $3) AS t(version_id, seq, line)
$$;

-- The lines of a desktop's custody log from line first + 1 on, and where they end in its file. Lines
-- the server holds already (another push of the same desktop got there first) are passed over.
-- Answers how many breaks the lines added.
CREATE FUNCTION quillon.add_desktop_lines(desktop text, host text, first integer, lines bytea[], log_end bigint)
    RETURNS integer LANGUAGE plpgsql VOLATILE SECURITY DEFINER SET search_path = pg_catalog, pg_temp AS $$
DECLARE
    own text := quillon.my_unit();
    held quillon.desktop;
    line bytea;
    named text;
    at integer := first;
    breaks integer := 0;
BEGIN
    IF own IS NULL THEN
        RAISE EXCEPTION 'role % belongs to no unit of the office archive', pg_catalog."session_user"()
            USING ERRCODE = 'insufficient_privilege';
    END IF;
    INSERT INTO quillon.desktop(id, unit, host) VALUES (desktop, own, host) ON CONFLICT DO NOTHING;
    SELECT * INTO held FROM quillon.desktop d WHERE d.id = desktop FOR UPDATE;
    IF held.unit <> own THEN
        RAISE EXCEPTION 'the custody log % belongs to another unit', desktop USING ERRCODE = 'insufficient_privilege';
    END IF;
    IF first > held.lines THEN
        RAISE EXCEPTION 'the server holds % lines of custody log %, not %', held.lines, desktop, first
            USING ERRCODE = 'invalid_parameter_value';
    END IF;
    FOREACH line IN ARRAY lines LOOP
        at := at + 1;
        CONTINUE WHEN at <= held.lines;
        -- The key "prev" where it is a key: not inside a string, where its quotes are escaped.
        named := pg_catalog.substring(pg_catalog.encode(line, 'escape'), '(?:^|[^\\])"prev":"([0-9a-f]{64})"');
        IF named IS NOT NULL AND named <> held.last_line THEN
            INSERT INTO quillon.custody_break(desktop, n, expected, named, received_at)
                VALUES (desktop, at, held.last_line, named, pg_catalog.now());
            breaks := breaks + 1;
        END IF;
        held.last_line := pg_catalog.encode(pg_catalog.sha256(line), 'hex');
        INSERT INTO quillon.desktop_line(desktop, n, line, sha256, received_at)
            VALUES (desktop, at, line, held.last_line, pg_catalog.now());
    END LOOP;
    IF at > held.lines THEN
        UPDATE quillon.desktop d SET lines = at, last_line = held.last_line, log_end = add_desktop_lines.log_end
            WHERE d.id = desktop;
    END IF;
    RETURN breaks;
END $$;

-- No SELECT and no INSERT on the tables; the settings stay readable, the member list is the
-- administrator's. The sequence of ids, which counts every unit's versions, is the owner's alone.
REVOKE ALL ON quillon.member, quillon.version, quillon.version_file, quillon.custody, quillon.blob,
    quillon.blob_chunk, quillon.inquiry FROM quillon_inspector, quillon_admin;
REVOKE ALL ON SEQUENCE quillon.version_id FROM quillon_inspector, quillon_admin;
GRANT SELECT, INSERT, UPDATE, DELETE ON quillon.member TO quillon_admin;
REVOKE ALL ON ALL FUNCTIONS IN SCHEMA quillon FROM PUBLIC;
GRANT EXECUTE ON FUNCTION quillon.my_unit(), quillon.is_admin(), quillon.found(integer, text[], text[]),
    quillon.search(integer, text[], text[]), quillon.versions_of(text, text), quillon.files_of(bigint),
    quillon.custody_of(bigint), quillon.content_piece(bigint, text, integer), quillon.desktop_state(text),
    quillon.desktop_lines(text), quillon.desktops_of(text) TO quillon_inspector, quillon_admin;
GRANT EXECUTE ON FUNCTION quillon.add_versions(text[], text[], text[], text[], text[], text[], text[], text[],
    text[], text[], text[], text[], text[], text[], text[], integer[], integer[], integer[], integer[], text[],
    text[]), quillon.add_contents(text[], bigint[]), quillon.add_pieces(text[], integer[], bytea[]),
    quillon.add_files(bigint[], text[], integer[], text[], bigint[], integer[], text[]),
    quillon.add_custody(bigint[], integer[], text[]), quillon.add_desktop_lines(text, text, integer, bytea[], bigint)
    TO quillon_inspector;

INSERT INTO quillon.schema_version(version, oldest_client) VALUES (3, 3);
END
$migration$;

-- Every function of the schema finds names in pg_catalog first and in nobody's schema after: the
-- script fails, and changes nothing, when one does not.
DO $check$
DECLARE
    loose text;
BEGIN
    SELECT string_agg(p.oid::regprocedure::text, ', ') INTO loose FROM pg_catalog.pg_proc p
        WHERE p.pronamespace = 'quillon'::regnamespace
            AND NOT coalesce('search_path=pg_catalog, pg_temp' = ANY (p.proconfig), false);
    IF loose IS NOT NULL THEN
        RAISE EXCEPTION 'functions of schema quillon without search_path = pg_catalog, pg_temp: %', loose;
    END IF;
END
$check$;

COMMIT;
