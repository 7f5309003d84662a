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
-- Nobody but the owner of these tables may change or delete what a desktop has pushed.
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
-- The grams are compared byte by byte (COLLATE "C"): the index only asks whether they are equal.
-- The text stays in the row (STORAGE MAIN), compressed, so that reading it costs no further lookup.
-- New entries wait in the index's pending list, which a push merges into the index when the list is
-- full; autovacuum merges it after every few hundred versions, so that a push seldom has to.
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
    grams text[] COLLATE "C" NOT NULL,
    UNIQUE (unit, key),
    UNIQUE (id, unit));
CREATE SEQUENCE quillon.version_id OWNED BY quillon.version.id;
CREATE INDEX version_grams ON quillon.version USING gin (grams);
CREATE INDEX version_by_name ON quillon.version (unit, name, saved_at);
CREATE INDEX version_by_date ON quillon.version (date DESC NULLS LAST, starts DESC, name);
CREATE INDEX version_by_unit_date ON quillon.version (unit, date DESC NULLS LAST, starts DESC, name);
ALTER TABLE quillon.version ALTER COLUMN search SET STORAGE MAIN;
ALTER TABLE quillon.version SET (autovacuum_vacuum_insert_threshold = 200, autovacuum_vacuum_insert_scale_factor = 0);

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

-- Texts and contents are compressed with lz4 where the server has it (PostgreSQL 14 and later, when
-- built with it), which a push spends a fraction of the time on that the default compression takes.
-- Run as text, so that an older server, which cannot parse them, gets as far as skipping them.
BEGIN
    EXECUTE 'ALTER TABLE quillon.version ALTER COLUMN fields SET COMPRESSION lz4, '
        'ALTER COLUMN search SET COMPRESSION lz4, ALTER COLUMN grams SET COMPRESSION lz4';
    EXECUTE 'ALTER TABLE quillon.blob_chunk ALTER COLUMN data SET COMPRESSION lz4';
EXCEPTION WHEN syntax_error OR feature_not_supported THEN
    NULL;
END;

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

-- Search. The operators that read the grams' index are not leakproof, so under row-level security
-- the planner may not use the index for a role that is not the tables' owner, and reads every
-- version instead. This function runs as the owner, limits itself to what the role that logged in
-- may see as the policies above do, and answers the ids of the latest versions found, newest first;
-- the caller reads their rows through the policies. words: what the text must hold; wanted: the
-- grams of the words, which narrow them down through the index.
-- Two ways, chosen by the share of the newest few hundred versions that hold the words: when it is
-- small, the versions are looked up in the index and sorted; when it is large, the newest versions
-- are read in date order and their text compared until enough are found, which takes about
-- most / share rows against visible * share through the index. The grams are not compared in date
-- order: a long array costs more to read than the text. (The planner's estimate of the share would
-- do, were it not that the statistics keep only the most common grams and guess the others low.)
CREATE FUNCTION quillon.estimate(query text) RETURNS double precision LANGUAGE plpgsql VOLATILE
    SET search_path = pg_catalog, pg_temp AS $$
DECLARE
    plan json;
BEGIN
    EXECUTE 'EXPLAIN (FORMAT JSON) ' || query INTO plan;
    RETURN (plan -> 0 -> 'Plan' ->> 'Plan Rows')::double precision;
END $$;
REVOKE ALL ON FUNCTION quillon.estimate(text) FROM PUBLIC;

CREATE FUNCTION quillon.search(most integer, words text[], wanted text[]) RETURNS SETOF bigint
    LANGUAGE plpgsql VOLATILE SECURITY DEFINER
    SET search_path = pg_catalog, pg_temp SET plan_cache_mode = force_custom_plan AS $$
DECLARE
    admin boolean := pg_has_role(session_user, 'quillon_admin', 'USAGE');
    own text := (SELECT m.unit FROM quillon.member m WHERE m.role = session_user);
    long text[] := ARRAY(SELECT w FROM unnest(words) w WHERE length(w) > 2);
    share double precision;
BEGIN
    IF cardinality(wanted) > 0 THEN
        SELECT avg((NOT EXISTS (SELECT FROM unnest(words) w WHERE strpos(n.search, w) = 0))::integer) INTO share
            FROM (SELECT v.search FROM quillon.version v JOIN quillon.inquiry i ON i.latest = v.id
                WHERE (admin OR v.unit = own) ORDER BY v.date DESC NULLS LAST, v.starts DESC, v.name LIMIT 300) n;
        IF coalesce(share, 0) ^ 2 * quillon.estimate(format(
                'SELECT FROM quillon.version v WHERE %L::boolean OR v.unit = %L', admin, own)) <= most THEN
            -- Materialized, so that the planner reads the index rather than the date order.
            RETURN QUERY WITH holding AS MATERIALIZED (
                SELECT v.id, v.date, v.starts, v.name FROM quillon.version v
                WHERE (admin OR v.unit = own) AND v.grams @> wanted
                    AND NOT EXISTS (SELECT FROM unnest(long) w WHERE strpos(v.search, w) = 0))
            SELECT h.id FROM holding h JOIN quillon.inquiry i ON i.latest = h.id
            ORDER BY h.date DESC NULLS LAST, h.starts DESC, h.name LIMIT most;
            RETURN;
        END IF;
    END IF;
    RETURN QUERY SELECT v.id FROM quillon.version v JOIN quillon.inquiry i ON i.latest = v.id
        WHERE (admin OR v.unit = own) AND NOT EXISTS (SELECT FROM unnest(words) w WHERE strpos(v.search, w) = 0)
        ORDER BY v.date DESC NULLS LAST, v.starts DESC, v.name LIMIT most;
END $$;
REVOKE ALL ON FUNCTION quillon.search(integer, text[], text[]) FROM PUBLIC;
GRANT EXECUTE ON FUNCTION quillon.search(integer, text[], text[]) TO quillon_inspector, quillon_admin;

GRANT SELECT ON quillon.member, quillon.setting, quillon.version, quillon.version_file, quillon.custody,
    quillon.blob, quillon.blob_chunk, quillon.inquiry TO quillon_inspector, quillon_admin;
GRANT INSERT ON quillon.version, quillon.version_file, quillon.custody, quillon.blob, quillon.blob_chunk
    TO quillon_inspector;
GRANT INSERT, UPDATE, DELETE ON quillon.member, quillon.setting TO quillon_admin;
GRANT USAGE ON SEQUENCE quillon.version_id TO quillon_inspector;

INSERT INTO quillon.schema_version(version, oldest_client) VALUES (1, 1);
END
$migration$;

COMMIT;
