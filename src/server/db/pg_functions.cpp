#include "server/db/pg_functions.h"

namespace dyt::server::pg {

namespace {

constexpr char kSection1[] = R"sql(
-- ---------------------------------------------------------------- SQLite's conversions

-- The number at the start of a text as SQLite reads a text as a double (0 when none).
CREATE OR REPLACE FUNCTION dyt_text_real(t text) RETURNS double precision
LANGUAGE sql IMMUTABLE STRICT AS $$
  SELECT coalesce((regexp_match(t,
    '^[ \t\n\r\f\v]*([+-]?(?:[0-9]+\.?[0-9]*|\.[0-9]+)(?:[eE][+-]?[0-9]+)?)'))[1]::double precision, 0)
$$;

-- The integer at the start of a text as SQLite reads a text as an integer (0 when none).
CREATE OR REPLACE FUNCTION dyt_text_int(t text) RETURNS bigint
LANGUAGE sql IMMUTABLE STRICT AS $$
  SELECT coalesce(least(greatest(v, -9223372036854775808), 9223372036854775807)::bigint, 0)
  FROM (SELECT (regexp_match(t, '^[ \t\n\r\f\v]*([+-]?[0-9]+)'))[1]::numeric AS v) AS s
$$;

-- ---------------------------------------------------------------- SQLite's date functions
-- A moment is held as SQLite holds it: milliseconds of the Julian day (noon-based).

CREATE OR REPLACE FUNCTION dyt_jd_ms(d date) RETURNS bigint
LANGUAGE sql IMMUTABLE STRICT AS $$
  SELECT (to_char(d, 'J')::bigint) * 86400000 - 43200000
$$;

CREATE OR REPLACE FUNCTION dyt_jd_date(ms bigint) RETURNS date
LANGUAGE sql IMMUTABLE STRICT AS $$
  SELECT to_date(((ms + 43200000) / 86400000)::text, 'J')
$$;

-- Milliseconds of the day of a moment.
CREATE OR REPLACE FUNCTION dyt_jd_dayms(ms bigint) RETURNS bigint
LANGUAGE sql IMMUTABLE STRICT AS $$
  SELECT (ms + 43200000) % 86400000
$$;

CREATE OR REPLACE FUNCTION dyt_jd_from_number(r double precision) RETURNS bigint
LANGUAGE sql IMMUTABLE STRICT AS $$
  SELECT CASE WHEN r >= 0 AND r * 86400000.0 + 0.5 < 464269060800000
              THEN trunc(r * 86400000.0 + 0.5)::bigint END
$$;

-- A time value's text as SQLite reads it: "yyyy-mm-dd", optionally followed by "hh:mm",
-- "hh:mm:ss" or "hh:mm:ss.fff" and a zone ("Z", "+hh:mm"); "hh:mm[:ss]" alone (on 2000-01-01);
-- "now"; or a number of Julian days. Null when it does not read.
CREATE OR REPLACE FUNCTION dyt_jd_parse(t text) RETURNS bigint
LANGUAGE plpgsql STABLE STRICT AS $$
DECLARE
  m text[];
  y int; mo int; d int; h int := 0; mi int := 0; s double precision := 0;
  ms bigint;
BEGIN
  m := regexp_match(t, '^(-?[0-9]{4})-([0-9]{2})-([0-9]{2})(?:[ \t\n\r\f\vT]*(?:([0-9]{2}):([0-9]{2})(?::([0-9]{2}(?:\.[0-9]+)?))?)?)?[ \t\n\r\f\v]*(?:([Zz])|([+-])([0-9]{2}):([0-9]{2}))?[ \t\n\r\f\v]*$');
  IF m IS NOT NULL THEN
    y := m[1]::int; mo := m[2]::int; d := m[3]::int;
    IF y < 1 OR mo < 1 OR mo > 12 OR d < 1 OR d > 31 THEN RETURN NULL; END IF;
    IF m[4] IS NOT NULL THEN
      h := m[4]::int; mi := m[5]::int;
      IF m[6] IS NOT NULL THEN s := m[6]::double precision; END IF;
      IF h > 24 OR mi > 59 OR s >= 60 THEN RETURN NULL; END IF;
    ELSIF m[7] IS NOT NULL OR m[8] IS NOT NULL THEN
      RETURN NULL;  -- a zone needs a time
    END IF;
    ms := dyt_jd_ms(make_date(y, mo, 1) + (d - 1)) + h * 3600000 + mi * 60000
          + trunc(s * 1000.0 + 0.5)::bigint;
    IF m[8] IS NOT NULL THEN
      ms := ms - (CASE WHEN m[8] = '-' THEN -1 ELSE 1 END)
                 * (m[9]::int * 60 + m[10]::int) * 60000;
    END IF;
    RETURN ms;
  END IF;
  m := regexp_match(t, '^[ \t\n\r\f\v]*([0-9]{2}):([0-9]{2})(?::([0-9]{2}(?:\.[0-9]+)?))?[ \t\n\r\f\v]*$');
  IF m IS NOT NULL THEN
    h := m[1]::int; mi := m[2]::int;
    IF m[3] IS NOT NULL THEN s := m[3]::double precision; END IF;
    IF h > 24 OR mi > 59 OR s >= 60 THEN RETURN NULL; END IF;
    RETURN dyt_jd_ms(date '2000-01-01') + h * 3600000 + mi * 60000 + trunc(s * 1000.0 + 0.5)::bigint;
  END IF;
  IF lower(t) = 'now' THEN
    RETURN dyt_jd_ms((now() AT TIME ZONE 'UTC')::date)
           + (extract(epoch FROM (now() AT TIME ZONE 'UTC')::time) * 1000)::bigint;
  END IF;
  IF t ~ '^[ \t\n\r\f\v]*[+-]?(?:[0-9]+\.?[0-9]*|\.[0-9]+)(?:[eE][+-]?[0-9]+)?[ \t\n\r\f\v]*$' THEN
    RETURN dyt_jd_from_number(btrim(t, E' \t\n\r\f\v')::double precision);
  END IF;
  RETURN NULL;
END $$;

-- A moment as the local time of the connection's TimeZone, and back.
CREATE OR REPLACE FUNCTION dyt_jd_to_ts(ms bigint) RETURNS timestamp
LANGUAGE sql IMMUTABLE STRICT AS $$
  SELECT dyt_jd_date(ms) + dyt_jd_dayms(ms) * interval '1 millisecond'
$$;

CREATE OR REPLACE FUNCTION dyt_jd_of_ts(ts timestamp) RETURNS bigint
LANGUAGE sql IMMUTABLE STRICT AS $$
  SELECT dyt_jd_ms(ts::date) + (extract(epoch FROM ts::time) * 1000)::bigint
$$;

-- One modifier of date(), datetime(), julianday() and strftime(); null when it does not apply.
CREATE OR REPLACE FUNCTION dyt_jd_modify(ms bigint, modifier text) RETURNS bigint
LANGUAGE plpgsql STABLE STRICT AS $$
DECLARE
  z text := lower(modifier);
  m text[];
  r double precision;
  unit text;
  d date;
  y int; mo int; dd int;
BEGIN
  IF z = 'localtime' THEN
    RETURN dyt_jd_of_ts(((dyt_jd_to_ts(ms) AT TIME ZONE 'UTC') AT TIME ZONE current_setting('TimeZone')));
  ELSIF z = 'utc' THEN
    RETURN dyt_jd_of_ts(((dyt_jd_to_ts(ms) AT TIME ZONE current_setting('TimeZone')) AT TIME ZONE 'UTC'));
  ELSIF z = 'start of day' THEN
    RETURN ms - dyt_jd_dayms(ms);
  ELSIF z = 'start of month' THEN
    RETURN dyt_jd_ms(date_trunc('month', dyt_jd_date(ms))::date);
  ELSIF z = 'start of year' THEN
    RETURN dyt_jd_ms(date_trunc('year', dyt_jd_date(ms))::date);
  END IF;
  m := regexp_match(z, '^([+-]?(?:[0-9]+\.?[0-9]*|\.[0-9]+)(?:e[+-]?[0-9]+)?)[ \t\n\r\f\v]+([a-z]+)$');
  IF m IS NULL THEN
    RETURN NULL;
  END IF;
  r := m[1]::double precision;
  unit := regexp_replace(m[2], 's$', '');
  IF unit = 'day' AND abs(r) < 5373485.0 THEN
    RETURN ms + trunc(r * 86400000.0 + CASE WHEN r < 0 THEN -0.5 ELSE 0.5 END)::bigint;
  ELSIF unit = 'hour' AND abs(r) < 1.2897e+11 THEN
    RETURN ms + trunc(r * 3600000.0 + CASE WHEN r < 0 THEN -0.5 ELSE 0.5 END)::bigint;
  ELSIF unit = 'minute' AND abs(r) < 7.7379e+12 THEN
    RETURN ms + trunc(r * 60000.0 + CASE WHEN r < 0 THEN -0.5 ELSE 0.5 END)::bigint;
  ELSIF unit = 'second' AND abs(r) < 4.6427e+14 THEN
    RETURN ms + trunc(r * 1000.0 + CASE WHEN r < 0 THEN -0.5 ELSE 0.5 END)::bigint;
  ELSIF (unit = 'month' AND abs(r) < 176546) OR (unit = 'year' AND abs(r) < 14713) THEN
    d := dyt_jd_date(ms);
    y := extract(year FROM d); mo := extract(month FROM d); dd := extract(day FROM d);
    IF unit = 'month' THEN
      mo := mo + trunc(r)::int;
      y := y + floor((mo - 1) / 12.0)::int;
      mo := mo - floor((mo - 1) / 12.0)::int * 12;
    ELSE
      y := y + trunc(r)::int;
    END IF;
    IF y < 1 THEN RETURN NULL; END IF;
    -- the day is kept and runs over into the next month (Jan 31 + 1 month = Mar 2 or 3); a
    -- fraction counts months of 30 days and years of 365
    RETURN dyt_jd_ms(make_date(y, mo, 1) + (dd - 1)) + dyt_jd_dayms(ms)
           + trunc((r - trunc(r)) * 86400000.0 * CASE WHEN unit = 'month' THEN 30 ELSE 365 END
                   + CASE WHEN r < 0 THEN -0.5 ELSE 0.5 END)::bigint;
  END IF;
  RETURN NULL;
END $$;

-- A value and its modifiers as a moment; null as SQLite answers null.
CREATE OR REPLACE FUNCTION dyt_jd_apply(ms bigint, modifiers text[]) RETURNS bigint
LANGUAGE plpgsql STABLE AS $$
DECLARE
  x text;
BEGIN
  IF ms IS NULL THEN RETURN NULL; END IF;
  FOREACH x IN ARRAY coalesce(modifiers, '{}') LOOP
    IF x IS NULL THEN RETURN NULL; END IF;
    ms := dyt_jd_modify(ms, x);
    IF ms IS NULL THEN RETURN NULL; END IF;
  END LOOP;
  IF ms < 0 OR ms > 464269060799999 THEN RETURN NULL; END IF;
  RETURN ms;
END $$;

CREATE OR REPLACE FUNCTION dyt_jd_datetime_text(ms bigint) RETURNS text
LANGUAGE sql IMMUTABLE STRICT AS $$
  SELECT to_char(dyt_jd_date(ms), 'YYYY-MM-DD') || ' ' ||
         lpad((dyt_jd_dayms(ms) / 3600000)::text, 2, '0') || ':' ||
         lpad((dyt_jd_dayms(ms) / 60000 % 60)::text, 2, '0') || ':' ||
         lpad((dyt_jd_dayms(ms) / 1000 % 60)::text, 2, '0')
$$;

CREATE OR REPLACE FUNCTION julianday(t text, VARIADIC modifiers text[] DEFAULT '{}') RETURNS double precision
LANGUAGE sql STABLE AS $$
  SELECT dyt_jd_apply(dyt_jd_parse(t), modifiers) / 86400000.0::double precision
$$;

CREATE OR REPLACE FUNCTION julianday(r double precision, VARIADIC modifiers text[] DEFAULT '{}') RETURNS double precision
LANGUAGE sql STABLE AS $$
  SELECT dyt_jd_apply(dyt_jd_from_number(r), modifiers) / 86400000.0::double precision
$$;

CREATE OR REPLACE FUNCTION datetime(t text, VARIADIC modifiers text[] DEFAULT '{}') RETURNS text
LANGUAGE sql STABLE AS $$
  SELECT dyt_jd_datetime_text(dyt_jd_apply(dyt_jd_parse(t), modifiers))
$$;

CREATE OR REPLACE FUNCTION datetime(r double precision, VARIADIC modifiers text[] DEFAULT '{}') RETURNS text
LANGUAGE sql STABLE AS $$
  SELECT dyt_jd_datetime_text(dyt_jd_apply(dyt_jd_from_number(r), modifiers))
$$;

CREATE OR REPLACE FUNCTION date(t text, VARIADIC modifiers text[] DEFAULT '{}') RETURNS text
LANGUAGE sql STABLE AS $$
  SELECT to_char(dyt_jd_date(dyt_jd_apply(dyt_jd_parse(t), modifiers)), 'YYYY-MM-DD')
$$;

CREATE OR REPLACE FUNCTION date(r double precision, VARIADIC modifiers text[] DEFAULT '{}') RETURNS text
LANGUAGE sql STABLE AS $$
  SELECT to_char(dyt_jd_date(dyt_jd_apply(dyt_jd_from_number(r), modifiers)), 'YYYY-MM-DD')
$$;

-- strftime's conversions %d %f %H %j %m %M %s %S %w %Y %%; null for any other.
CREATE OR REPLACE FUNCTION dyt_jd_strftime(fmt text, ms bigint) RETURNS text
LANGUAGE plpgsql IMMUTABLE STRICT AS $$
DECLARE
  d date := dyt_jd_date(ms);
  dayms bigint := dyt_jd_dayms(ms);
  out text := '';
  i int := 1;
  n int := length(fmt);
  c text;
BEGIN
  WHILE i <= n LOOP
    c := substr(fmt, i, 1);
    IF c <> '%' THEN
      out := out || c;
    ELSE
      i := i + 1;
      c := substr(fmt, i, 1);
      out := out || CASE c
        WHEN 'd' THEN to_char(d, 'DD')
        WHEN 'm' THEN to_char(d, 'MM')
        WHEN 'Y' THEN to_char(d, 'YYYY')
        WHEN 'H' THEN lpad((dayms / 3600000)::text, 2, '0')
        WHEN 'M' THEN lpad((dayms / 60000 % 60)::text, 2, '0')
        WHEN 'S' THEN lpad((dayms / 1000 % 60)::text, 2, '0')
        WHEN 'f' THEN to_char(least((dayms % 60000) / 1000.0, 59.999), 'FM00.000')
        WHEN 'j' THEN to_char(d, 'DDD')
        WHEN 'w' THEN extract(dow FROM d)::text
        WHEN 's' THEN (ms / 1000 - 210866760000)::text
        WHEN '%' THEN '%'
      END;
      IF out IS NULL THEN RETURN NULL; END IF;
    END IF;
    i := i + 1;
  END LOOP;
  RETURN out;
END $$;

CREATE OR REPLACE FUNCTION strftime(fmt text, t text, VARIADIC modifiers text[] DEFAULT '{}') RETURNS text
LANGUAGE sql STABLE AS $$
  SELECT dyt_jd_strftime(fmt, dyt_jd_apply(dyt_jd_parse(t), modifiers))
$$;

CREATE OR REPLACE FUNCTION strftime(fmt text, r double precision, VARIADIC modifiers text[] DEFAULT '{}') RETURNS text
LANGUAGE sql STABLE AS $$
  SELECT dyt_jd_strftime(fmt, dyt_jd_apply(dyt_jd_from_number(r), modifiers))
$$;

-- ---------------------------------------------------------------- other SQLite built-ins

-- total(x): the float sum of the values that are not null; 0.0 over no rows.
CREATE OR REPLACE AGGREGATE total(double precision) (
  SFUNC = float8pl, STYPE = double precision, INITCOND = '0'
);

CREATE OR REPLACE FUNCTION dyt_total_text(s double precision, x text) RETURNS double precision
LANGUAGE sql IMMUTABLE STRICT AS $$ SELECT s + dyt_text_real(x) $$;

-- total() of texts: each as the number it starts with
CREATE OR REPLACE AGGREGATE total(text) (
  SFUNC = dyt_total_text, STYPE = double precision, INITCOND = '0'
);

CREATE OR REPLACE FUNCTION ifnull(a anycompatible, b anycompatible) RETURNS anycompatible
LANGUAGE sql IMMUTABLE AS $$ SELECT coalesce(a, b) $$;

CREATE OR REPLACE FUNCTION instr(haystack text, needle text) RETURNS integer
LANGUAGE sql IMMUTABLE STRICT AS $$ SELECT strpos(haystack, needle) $$;

-- round(x, n) of a double as SQLite rounds: halves away from zero on the shortest decimal text
-- of the value, n from 0 to 30.
CREATE OR REPLACE FUNCTION round(x double precision, n integer) RETURNS double precision
LANGUAGE sql IMMUTABLE STRICT AS $$
  SELECT CASE WHEN x IN ('NaN', 'Infinity', '-Infinity') THEN x
              ELSE pg_catalog.round(x::text::numeric, least(greatest(n, 0), 30))::double precision END
$$;

CREATE OR REPLACE FUNCTION round(x double precision, n bigint) RETURNS double precision
LANGUAGE sql IMMUTABLE STRICT AS $$ SELECT round(x, least(greatest(n, -1), 31)::integer) $$;

-- Takes the place of the built-in round(double precision) (halves to even) only where the
-- search path names this schema before pg_catalog.
CREATE OR REPLACE FUNCTION round(x double precision) RETURNS double precision
LANGUAGE sql IMMUTABLE STRICT AS $$ SELECT round(x, 0) $$;
)sql";

constexpr char kSection2[] = R"sql(
-- substr(x, start[, count]) as SQLite counts: a negative start counts from the end, a negative
-- count takes the characters before start. Takes the place of the built-in substr only where
-- the search path names this schema before pg_catalog.
CREATE OR REPLACE FUNCTION dyt_substr(t text, p1 bigint, p2 bigint, neg boolean) RETURNS text
LANGUAGE plpgsql IMMUTABLE STRICT AS $$
DECLARE
  len bigint := length(t);
BEGIN
  IF p1 < 0 THEN
    p1 := p1 + len;
    IF p1 < 0 THEN
      p2 := greatest(p2 + p1, 0);
      p1 := 0;
    END IF;
  ELSIF p1 > 0 THEN
    p1 := p1 - 1;
  ELSIF p2 > 0 THEN
    p2 := p2 - 1;
  END IF;
  IF neg THEN
    p1 := p1 - p2;
    IF p1 < 0 THEN
      p2 := p2 + p1;
      p1 := 0;
    END IF;
  END IF;
  IF p1 >= len OR p2 <= 0 THEN
    RETURN '';
  END IF;
  RETURN pg_catalog.substr(t, (p1 + 1)::integer, least(p2, len)::integer);
END $$;

CREATE OR REPLACE FUNCTION substr(t text, start integer, count integer) RETURNS text
LANGUAGE sql IMMUTABLE STRICT AS $$
  SELECT CASE WHEN start > 0 AND count >= 0 THEN pg_catalog.substr(t, start, count)
              ELSE dyt_substr(t, start, abs(count::bigint), count < 0) END
$$;

CREATE OR REPLACE FUNCTION substr(t text, start integer) RETURNS text
LANGUAGE sql IMMUTABLE STRICT AS $$
  SELECT CASE WHEN start > 0 THEN pg_catalog.substr(t, start)
              ELSE dyt_substr(t, start, 2147483647, false) END
$$;

CREATE OR REPLACE FUNCTION substr(t text, start bigint, count bigint) RETURNS text
LANGUAGE sql IMMUTABLE STRICT AS $$
  SELECT dyt_substr(t, greatest(least(start, 2147483647), -2147483647),
                    least(abs(count), 2147483647), count < 0)
$$;

CREATE OR REPLACE FUNCTION substr(t text, start bigint) RETURNS text
LANGUAGE sql IMMUTABLE STRICT AS $$
  SELECT dyt_substr(t, greatest(least(start, 2147483647), -2147483647), 2147483647, false)
$$;
)sql";

constexpr char kSection3[] = R"sql(
-- ---------------------------------------------------------------- SQL Server's dates

-- A date value's text as SQL Server reads it: "yyyy-mm-dd" (or with / or . between the parts),
-- optionally with "hh:mm", "hh:mm:ss" or "hh:mm:ss.fff"; "yyyymmdd" optionally with "hh:mm" or
-- "hh:mm:ss"; an empty text is 1900-01-01. Raises for any other text.
CREATE OR REPLACE FUNCTION dyt_date_value(t text) RETURNS timestamp
LANGUAGE plpgsql IMMUTABLE STRICT AS $$
DECLARE
  s text := regexp_replace(t, '^[[:space:]]+|[[:space:]]+$', '', 'g');
  m text[];
  y int; mo int; d int; h int := 0; mi int := 0; sec int := 0; ms int := 0;
BEGIN
  IF s = '' THEN
    RETURN timestamp '1900-01-01';
  END IF;
  m := regexp_match(s, '^([0-9]{4})[-/.]([0-9]{1,2})[-/.]([0-9]{1,2})(?:[ T]([0-9]{1,2}):([0-9]{1,2})(?::([0-9]{1,2})(?:\.([0-9]{1,3})[0-9]*)?)?)?$');
  IF m IS NULL THEN
    m := regexp_match(s, '^([0-9]{4})([0-9]{2})([0-9]{2})(?: ([0-9]{1,2}):([0-9]{1,2})(?::([0-9]{1,2}))?)?$');
  END IF;
  IF m IS NOT NULL THEN
    y := m[1]::int; mo := m[2]::int; d := m[3]::int;
    IF m[4] IS NOT NULL THEN
      h := m[4]::int; mi := m[5]::int;
      sec := coalesce(m[6]::int, 0);
      ms := coalesce(rpad(m[7], 3, '0')::int, 0);
    END IF;
    IF y >= 1 AND mo BETWEEN 1 AND 12 AND d >= 1
       AND d <= extract(day FROM make_date(y, mo, 1) + interval '1 month - 1 day')
       AND h < 24 AND mi < 60 AND sec < 60 THEN
      RETURN make_timestamp(y, mo, d, h, mi, sec + ms / 1000.0);
    END IF;
  END IF;
  RAISE EXCEPTION '日期格式错误：%', t;
END $$;

-- A number as a date: days after 1900-01-01, to the millisecond.
CREATE OR REPLACE FUNCTION dyt_date_value(days double precision) RETURNS timestamp
LANGUAGE sql IMMUTABLE STRICT AS $$
  SELECT timestamp '1900-01-01'
         + (sign(days * 86400000.0) * floor(abs(days * 86400000.0) + 0.5)) * interval '1 millisecond'
$$;

-- "yyyy-mm-dd hh:mm:ss", with ".zzz" when the milliseconds are not 0.
CREATE OR REPLACE FUNCTION dyt_date_text(v timestamp) RETURNS text
LANGUAGE sql IMMUTABLE STRICT AS $$
  SELECT CASE WHEN extract(microseconds FROM v) % 1000000 >= 1000
              THEN to_char(v, 'YYYY-MM-DD HH24:MI:SS.MS')
              ELSE to_char(v, 'YYYY-MM-DD HH24:MI:SS') END
$$;

CREATE OR REPLACE FUNCTION dyt_datetime(t text) RETURNS text
LANGUAGE sql IMMUTABLE STRICT AS $$ SELECT dyt_date_text(dyt_date_value(t)) $$;

CREATE OR REPLACE FUNCTION dyt_datetime(days double precision) RETURNS text
LANGUAGE sql IMMUTABLE STRICT AS $$ SELECT dyt_date_text(dyt_date_value(days)) $$;

CREATE OR REPLACE FUNCTION dyt_getdate() RETURNS text
LANGUAGE sql STABLE AS $$
  SELECT to_char(date_trunc('second', localtimestamp), 'YYYY-MM-DD HH24:MI:SS')
$$;

-- The Sunday-based week that holds a day.
CREATE OR REPLACE FUNCTION dyt_sunday_week(d date) RETURNS bigint
LANGUAGE sql IMMUTABLE STRICT AS $$ SELECT floor((to_char(d, 'J')::bigint + 1) / 7.0)::bigint $$;

-- unit: year, quarter, month, dayofyear, day, week, weekday, hour, minute, second
CREATE OR REPLACE FUNCTION dyt_date_add(unit text, n bigint, v timestamp) RETURNS text
LANGUAGE plpgsql IMMUTABLE STRICT AS $$
DECLARE
  r timestamp;
BEGIN
  r := CASE unit
    WHEN 'year' THEN v + make_interval(years => n::int)
    WHEN 'quarter' THEN v + make_interval(months => (n * 3)::int)
    WHEN 'month' THEN v + make_interval(months => n::int)
    WHEN 'day' THEN v + n * interval '1 day'
    WHEN 'dayofyear' THEN v + n * interval '1 day'
    WHEN 'weekday' THEN v + n * interval '1 day'
    WHEN 'week' THEN v + n * interval '7 days'
    WHEN 'hour' THEN v + n * interval '1 hour'
    WHEN 'minute' THEN v + n * interval '1 minute'
    WHEN 'second' THEN v + n * interval '1 second'
  END;
  IF r IS NULL THEN
    RAISE EXCEPTION 'DATEADD 的日期部分错误';
  END IF;
  RETURN dyt_date_text(r);
END $$;

CREATE OR REPLACE FUNCTION dyt_dateadd(unit text, n double precision, v text) RETURNS text
LANGUAGE sql IMMUTABLE STRICT AS $$ SELECT dyt_date_add(unit, trunc(n)::bigint, dyt_date_value(v)) $$;

CREATE OR REPLACE FUNCTION dyt_dateadd(unit text, n double precision, v double precision) RETURNS text
LANGUAGE sql IMMUTABLE STRICT AS $$ SELECT dyt_date_add(unit, trunc(n)::bigint, dyt_date_value(v)) $$;

CREATE OR REPLACE FUNCTION dyt_dateadd(unit text, n text, v text) RETURNS text
LANGUAGE sql IMMUTABLE STRICT AS $$
  SELECT dyt_date_add(unit, trunc(dyt_text_real(n))::bigint, dyt_date_value(v))
$$;

CREATE OR REPLACE FUNCTION dyt_dateadd(unit text, n text, v double precision) RETURNS text
LANGUAGE sql IMMUTABLE STRICT AS $$
  SELECT dyt_date_add(unit, trunc(dyt_text_real(n))::bigint, dyt_date_value(v))
$$;

-- Boundaries of the unit crossed from a to b; an unknown unit counts seconds.
CREATE OR REPLACE FUNCTION dyt_date_diff(unit text, a timestamp, b timestamp) RETURNS bigint
LANGUAGE sql IMMUTABLE STRICT AS $$
  SELECT CASE
    WHEN unit = 'year' THEN extract(year FROM b)::bigint - extract(year FROM a)::bigint
    WHEN unit = 'quarter' THEN
      (extract(year FROM b)::bigint * 4 + (extract(month FROM b)::bigint - 1) / 3)
      - (extract(year FROM a)::bigint * 4 + (extract(month FROM a)::bigint - 1) / 3)
    WHEN unit = 'month' THEN
      (extract(year FROM b)::bigint * 12 + extract(month FROM b)::bigint)
      - (extract(year FROM a)::bigint * 12 + extract(month FROM a)::bigint)
    WHEN unit IN ('day', 'dayofyear', 'weekday') THEN (b::date - a::date)::bigint
    WHEN unit = 'week' THEN dyt_sunday_week(b::date) - dyt_sunday_week(a::date)
    WHEN unit = 'hour' THEN
      floor(floor(extract(epoch FROM b)) / 3600)::bigint - floor(floor(extract(epoch FROM a)) / 3600)::bigint
    WHEN unit = 'minute' THEN
      floor(floor(extract(epoch FROM b)) / 60)::bigint - floor(floor(extract(epoch FROM a)) / 60)::bigint
    ELSE floor(extract(epoch FROM b))::bigint - floor(extract(epoch FROM a))::bigint
  END
$$;

CREATE OR REPLACE FUNCTION dyt_datediff(unit text, a text, b text) RETURNS bigint
LANGUAGE sql IMMUTABLE STRICT AS $$ SELECT dyt_date_diff(unit, dyt_date_value(a), dyt_date_value(b)) $$;

CREATE OR REPLACE FUNCTION dyt_datediff(unit text, a double precision, b text) RETURNS bigint
LANGUAGE sql IMMUTABLE STRICT AS $$ SELECT dyt_date_diff(unit, dyt_date_value(a), dyt_date_value(b)) $$;

CREATE OR REPLACE FUNCTION dyt_datediff(unit text, a text, b double precision) RETURNS bigint
LANGUAGE sql IMMUTABLE STRICT AS $$ SELECT dyt_date_diff(unit, dyt_date_value(a), dyt_date_value(b)) $$;

CREATE OR REPLACE FUNCTION dyt_datediff(unit text, a double precision, b double precision) RETURNS bigint
LANGUAGE sql IMMUTABLE STRICT AS $$ SELECT dyt_date_diff(unit, dyt_date_value(a), dyt_date_value(b)) $$;

-- One field of a date; weekday counts from Sunday = 1; an unknown unit is the second.
CREATE OR REPLACE FUNCTION dyt_date_part(unit text, v timestamp) RETURNS integer
LANGUAGE sql IMMUTABLE STRICT AS $$
  SELECT CASE unit
    WHEN 'year' THEN extract(year FROM v)::int
    WHEN 'quarter' THEN extract(quarter FROM v)::int
    WHEN 'month' THEN extract(month FROM v)::int
    WHEN 'dayofyear' THEN extract(doy FROM v)::int
    WHEN 'day' THEN extract(day FROM v)::int
    WHEN 'weekday' THEN extract(dow FROM v)::int + 1
    WHEN 'week' THEN (dyt_sunday_week(v::date) - dyt_sunday_week(date_trunc('year', v)::date) + 1)::int
    WHEN 'hour' THEN extract(hour FROM v)::int
    WHEN 'minute' THEN extract(minute FROM v)::int
    ELSE floor(extract(second FROM v))::int
  END
$$;

CREATE OR REPLACE FUNCTION dyt_datepart(unit text, v text) RETURNS integer
LANGUAGE sql IMMUTABLE STRICT AS $$ SELECT dyt_date_part(unit, dyt_date_value(v)) $$;

CREATE OR REPLACE FUNCTION dyt_datepart(unit text, v double precision) RETURNS integer
LANGUAGE sql IMMUTABLE STRICT AS $$ SELECT dyt_date_part(unit, dyt_date_value(v)) $$;

-- ---------------------------------------------------------------- "+" of unknown operand types

-- A text that reads whole as a number (SQLite's numeric affinity), else null.
CREATE OR REPLACE FUNCTION dyt_text_number(t text) RETURNS numeric
LANGUAGE sql IMMUTABLE STRICT AS $$
  SELECT CASE WHEN t ~ '^[ \t\n\r\f\v]*[+-]?(?:[0-9]+\.?[0-9]*|\.[0-9]+)(?:[eE][+-]?[0-9]+)?[ \t\n\r\f\v]*$'
              THEN btrim(t, E' \t\n\r\f\v')::numeric END
$$;

CREATE OR REPLACE FUNCTION dyt_add_number(a text, b text) RETURNS numeric
LANGUAGE plpgsql IMMUTABLE STRICT AS $$
DECLARE
  x numeric := dyt_text_number(a);
  y numeric := dyt_text_number(b);
BEGIN
  IF x IS NULL OR y IS NULL THEN
    RAISE EXCEPTION '无法把文本转换为数字：% + %', a, b;
  END IF;
  RETURN x + y;
END $$;

CREATE OR REPLACE FUNCTION dyt_add(a text, b text) RETURNS text
LANGUAGE sql IMMUTABLE STRICT AS $$ SELECT a || b $$;

CREATE OR REPLACE FUNCTION dyt_add(a bigint, b bigint) RETURNS bigint
LANGUAGE sql IMMUTABLE STRICT AS $$ SELECT a + b $$;

CREATE OR REPLACE FUNCTION dyt_add(a numeric, b numeric) RETURNS numeric
LANGUAGE sql IMMUTABLE STRICT AS $$ SELECT a + b $$;

CREATE OR REPLACE FUNCTION dyt_add(a double precision, b double precision) RETURNS double precision
LANGUAGE sql IMMUTABLE STRICT AS $$ SELECT a + b $$;

CREATE OR REPLACE FUNCTION dyt_add(a text, b bigint) RETURNS numeric
LANGUAGE sql IMMUTABLE STRICT AS $$ SELECT dyt_add_number(a, b::text) $$;

CREATE OR REPLACE FUNCTION dyt_add(a bigint, b text) RETURNS numeric
LANGUAGE sql IMMUTABLE STRICT AS $$ SELECT dyt_add_number(a::text, b) $$;

CREATE OR REPLACE FUNCTION dyt_add(a text, b numeric) RETURNS numeric
LANGUAGE sql IMMUTABLE STRICT AS $$ SELECT dyt_add_number(a, b::text) $$;

CREATE OR REPLACE FUNCTION dyt_add(a numeric, b text) RETURNS numeric
LANGUAGE sql IMMUTABLE STRICT AS $$ SELECT dyt_add_number(a::text, b) $$;

CREATE OR REPLACE FUNCTION dyt_add(a text, b double precision) RETURNS double precision
LANGUAGE sql IMMUTABLE STRICT AS $$ SELECT dyt_add_number(a, '0')::double precision + b $$;

CREATE OR REPLACE FUNCTION dyt_add(a double precision, b text) RETURNS double precision
LANGUAGE sql IMMUTABLE STRICT AS $$ SELECT a + dyt_add_number('0', b)::double precision $$;

-- ---------------------------------------------------------------- SQL Server's LIKE

-- tsql_like(pattern, value[, escape]): % any run, _ one character, [abc] [a-f] one of a set,
-- [^abc] one outside it, the escape character taking the next pattern character as it is; ASCII
-- letters compared without regard to case. A '[' without its ']' matches nothing.
CREATE OR REPLACE FUNCTION dyt_like(pattern text, value text, esc text) RETURNS boolean
LANGUAGE plpgsql IMMUTABLE AS $$
DECLARE
  upper_ascii constant text := 'ABCDEFGHIJKLMNOPQRSTUVWXYZ';
  lower_ascii constant text := 'abcdefghijklmnopqrstuvwxyz';
  p text[] := string_to_array(translate(pattern, upper_ascii, lower_ascii), NULL);
  raw text[] := string_to_array(pattern, NULL);
  v int[];
  -- items: kind 0 literal, 1 one character, 2 any run, 3 set; a set's ranges are
  -- lo[first .. last] / hi[first .. last]
  kind int[] := '{}';
  ch int[] := '{}';
  neg boolean[] := '{}';
  first int[] := '{}';
  last int[] := '{}';
  lo int[] := '{}';
  hi int[] := '{}';
  n int := coalesce(array_length(p, 1), 0);
  i int := 1;
  j int;
  close int;
  k int;
  c int;
  pi int; vi int; star_p int := 0; star_v int := 0;
  items int;
  nv int;
  ok boolean;
BEGIN
  IF pattern IS NULL OR value IS NULL THEN
    RETURN NULL;
  END IF;
  -- the pattern as items
  WHILE i <= n LOOP
    IF esc IS NOT NULL AND raw[i] = esc THEN
      IF i + 1 > n THEN RETURN false; END IF;
      i := i + 1;
      kind := kind || 0; ch := ch || ascii(p[i]); neg := neg || false;
      first := first || 0; last := last || -1;
    ELSIF p[i] = '%' THEN
      IF coalesce(kind[array_length(kind, 1)], -1) <> 2 THEN
        kind := kind || 2; ch := ch || 0; neg := neg || false;
        first := first || 0; last := last || -1;
      END IF;
    ELSIF p[i] = '_' THEN
      kind := kind || 1; ch := ch || 0; neg := neg || false;
      first := first || 0; last := last || -1;
    ELSIF p[i] = '[' THEN
      close := 0;
      FOR k IN i + 2 .. n LOOP
        IF p[k] = ']' THEN close := k; EXIT; END IF;
      END LOOP;
      IF close = 0 THEN RETURN false; END IF;
      j := i + 1;
      kind := kind || 3; ch := ch || 0;
      IF p[j] = '^' AND j + 1 < close THEN
        neg := neg || true;
        j := j + 1;
      ELSE
        neg := neg || false;
      END IF;
      first := first || (coalesce(array_length(lo, 1), 0) + 1);
      WHILE j < close LOOP
        IF j + 2 < close AND p[j + 1] = '-' THEN
          lo := lo || ascii(p[j]); hi := hi || ascii(p[j + 2]);
          j := j + 3;
        ELSE
          lo := lo || ascii(p[j]); hi := hi || ascii(p[j]);
          j := j + 1;
        END IF;
      END LOOP;
      last := last || coalesce(array_length(lo, 1), 0);
      i := close;
    ELSE
      kind := kind || 0; ch := ch || ascii(p[i]); neg := neg || false;
      first := first || 0; last := last || -1;
    END IF;
    i := i + 1;
  END LOOP;
  items := coalesce(array_length(kind, 1), 0);
  SELECT coalesce(array_agg(ascii(x) ORDER BY o), '{}') INTO v
  FROM unnest(string_to_array(translate(value, upper_ascii, lower_ascii), NULL)) WITH ORDINALITY AS u(x, o);
  nv := coalesce(array_length(v, 1), 0);
  -- greedy walk with one backtrack point per '%'
  pi := 1; vi := 1; star_p := 0;
  WHILE vi <= nv LOOP
    IF pi <= items AND kind[pi] = 2 THEN
      star_p := pi; pi := pi + 1; star_v := vi;
      CONTINUE;
    END IF;
    ok := false;
    IF pi <= items THEN
      c := v[vi];
      IF kind[pi] = 0 THEN
        ok := ch[pi] = c;
      ELSIF kind[pi] = 1 THEN
        ok := true;
      ELSE
        FOR k IN first[pi] .. last[pi] LOOP
          IF c >= lo[k] AND c <= hi[k] THEN ok := true; EXIT; END IF;
        END LOOP;
        ok := ok <> neg[pi];
      END IF;
    END IF;
    IF ok THEN
      pi := pi + 1; vi := vi + 1;
    ELSIF star_p > 0 THEN
      pi := star_p + 1; star_v := star_v + 1; vi := star_v;
    ELSE
      RETURN false;
    END IF;
  END LOOP;
  WHILE pi <= items AND kind[pi] = 2 LOOP
    pi := pi + 1;
  END LOOP;
  RETURN pi = items + 1;
END $$;

CREATE OR REPLACE FUNCTION tsql_like(pattern text, value text) RETURNS integer
LANGUAGE sql IMMUTABLE STRICT AS $$ SELECT dyt_like(pattern, value, NULL)::int $$;

CREATE OR REPLACE FUNCTION tsql_like(pattern text, value text, esc text) RETURNS integer
LANGUAGE plpgsql IMMUTABLE STRICT AS $$
BEGIN
  IF length(esc) <> 1 THEN
    RAISE EXCEPTION 'ESCAPE 只能是一个字符';
  END IF;
  RETURN dyt_like(pattern, value, esc)::int;
END $$;

-- ---------------------------------------------------------------- dbo. date functions

-- The first day of a month ("yyyy-mm-dd"); months outside 1..12 roll into the neighbouring years.
CREATE OR REPLACE FUNCTION dyt_month_start(y bigint, m bigint) RETURNS date
LANGUAGE sql IMMUTABLE STRICT AS $$
  SELECT CASE WHEN y > 0 THEN (make_date(y::int, 1, 1) + make_interval(months => (m - 1)::int))::date END
$$;

CREATE OR REPLACE FUNCTION dyt_int(x double precision) RETURNS bigint
LANGUAGE sql IMMUTABLE STRICT AS $$ SELECT trunc(x)::bigint $$;

CREATE OR REPLACE FUNCTION dyt_int(x text) RETURNS bigint
LANGUAGE sql IMMUTABLE STRICT AS $$ SELECT dyt_text_int(x) $$;

CREATE OR REPLACE FUNCTION fngetfirstdayofmonth(y double precision, m double precision) RETURNS text
LANGUAGE sql IMMUTABLE STRICT AS $$ SELECT coalesce(to_char(dyt_month_start(dyt_int(y), dyt_int(m)), 'YYYY-MM-DD'), '') $$;
CREATE OR REPLACE FUNCTION fngetfirstdayofmonth(y text, m text) RETURNS text
LANGUAGE sql IMMUTABLE STRICT AS $$ SELECT coalesce(to_char(dyt_month_start(dyt_int(y), dyt_int(m)), 'YYYY-MM-DD'), '') $$;
CREATE OR REPLACE FUNCTION fngetfirstdayofmonth(y text, m double precision) RETURNS text
LANGUAGE sql IMMUTABLE STRICT AS $$ SELECT coalesce(to_char(dyt_month_start(dyt_int(y), dyt_int(m)), 'YYYY-MM-DD'), '') $$;
CREATE OR REPLACE FUNCTION fngetfirstdayofmonth(y double precision, m text) RETURNS text
LANGUAGE sql IMMUTABLE STRICT AS $$ SELECT coalesce(to_char(dyt_month_start(dyt_int(y), dyt_int(m)), 'YYYY-MM-DD'), '') $$;

CREATE OR REPLACE FUNCTION fngetlastdayofmonth(y double precision, m double precision) RETURNS text
LANGUAGE sql IMMUTABLE STRICT AS $$ SELECT coalesce(to_char(dyt_month_start(dyt_int(y), dyt_int(m)) + interval '1 month - 1 day', 'YYYY-MM-DD'), '') $$;
CREATE OR REPLACE FUNCTION fngetlastdayofmonth(y text, m text) RETURNS text
LANGUAGE sql IMMUTABLE STRICT AS $$ SELECT coalesce(to_char(dyt_month_start(dyt_int(y), dyt_int(m)) + interval '1 month - 1 day', 'YYYY-MM-DD'), '') $$;
CREATE OR REPLACE FUNCTION fngetlastdayofmonth(y text, m double precision) RETURNS text
LANGUAGE sql IMMUTABLE STRICT AS $$ SELECT coalesce(to_char(dyt_month_start(dyt_int(y), dyt_int(m)) + interval '1 month - 1 day', 'YYYY-MM-DD'), '') $$;
CREATE OR REPLACE FUNCTION fngetlastdayofmonth(y double precision, m text) RETURNS text
LANGUAGE sql IMMUTABLE STRICT AS $$ SELECT coalesce(to_char(dyt_month_start(dyt_int(y), dyt_int(m)) + interval '1 month - 1 day', 'YYYY-MM-DD'), '') $$;
)sql";

constexpr char kSection4[] = R"sql(
-- ---------------------------------------------------------------- dbo. functions over the tables
-- Texts are matched as SQLite's NOCASE matches them (ASCII letters without regard to case);
-- sums are the float sums SQLite's total() makes, so the results are the same doubles. The
-- tables need not exist yet: the bodies are checked when first called.
SET check_function_bodies = false;

CREATE OR REPLACE FUNCTION dyt_fold(t text) RETURNS text
LANGUAGE sql IMMUTABLE STRICT AS $$
  SELECT translate(t, 'ABCDEFGHIJKLMNOPQRSTUVWXYZ', 'abcdefghijklmnopqrstuvwxyz')
$$;

-- An argument as SQLite reads it as an integer.
CREATE OR REPLACE FUNCTION dyt_int(x bigint) RETURNS bigint
LANGUAGE sql IMMUTABLE STRICT AS $$ SELECT x $$;

-- Amounts are kept with four decimals: halves away from zero.
CREATE OR REPLACE FUNCTION dyt_round_money(v double precision) RETURNS double precision
LANGUAGE sql IMMUTABLE STRICT AS $$
  SELECT (trunc(v * 10000.0) + CASE WHEN abs(v * 10000.0 - trunc(v * 10000.0)) >= 0.5
                                     THEN sign(v) ELSE 0 END) / 10000.0
$$;

-- fnGetSysData(name, default): sysValue of the sysData row of that name, else the default.
CREATE OR REPLACE FUNCTION fngetsysdata(p_name text, dflt anycompatible) RETURNS anycompatible
LANGUAGE plpgsql STABLE AS $$
DECLARE
  v text;
BEGIN
  SELECT d.sysValue INTO v FROM sysData AS d
  WHERE dyt_fold(d.Name) = dyt_fold(coalesce(p_name, '')) LIMIT 1;
  IF v IS NOT NULL THEN
    RETURN v;
  END IF;
  RETURN dflt;
END $$;

-- fnGetPurview(operator, code): 1 when the operator holds the right of that code, else 0.
CREATE OR REPLACE FUNCTION dyt_purview(p_user bigint, p_code text) RETURNS integer
LANGUAGE plpgsql STABLE AS $$
DECLARE
  r integer;
BEGIN
  IF p_user = 1 THEN
    RETURN 1;
  END IF;
  SELECT max(CASE WHEN a.isbj = 1 OR b.hide = 1 THEN 1 ELSE 0 END) INTO r
  FROM sysMenu AS b LEFT JOIN sysPurview AS a ON a.menuid = b.id AND a.userid = coalesce(p_user, 0)
  WHERE dyt_fold(b.code) = dyt_fold(btrim(coalesce(p_code, ''), E' \t\n\r\f\v'));
  RETURN CASE WHEN r = 1 THEN 1 ELSE 0 END;
END $$;

CREATE OR REPLACE FUNCTION fngetpurview(usr bigint, code text) RETURNS integer
LANGUAGE sql STABLE AS $$ SELECT dyt_purview(usr, code) $$;
CREATE OR REPLACE FUNCTION fngetpurview(usr double precision, code text) RETURNS integer
LANGUAGE sql STABLE AS $$ SELECT dyt_purview(dyt_int(usr), code) $$;
CREATE OR REPLACE FUNCTION fngetpurview(usr text, code text) RETURNS integer
LANGUAGE sql STABLE AS $$ SELECT dyt_purview(dyt_int(usr), code) $$;

-- fnGetInterfaceKMID(role): the account that plays an interface role; 0 when none.
CREATE OR REPLACE FUNCTION fngetinterfacekmid(role text) RETURNS bigint
LANGUAGE sql STABLE AS $$
  SELECT coalesce((SELECT s.km_id FROM sysSubjectInterface AS s
                   WHERE dyt_fold(s.name) = dyt_fold(btrim(coalesce(role, ''), E' \t\n\r\f\v'))
                   ORDER BY s.km_id LIMIT 1), 0)::bigint
$$;

-- fnGetBaseDQFullName(id): the full names of a region and its parents from the top, joined by "/".
CREATE OR REPLACE FUNCTION dyt_dq_fullname(id bigint) RETURNS text
LANGUAGE plpgsql STABLE AS $$
DECLARE
  names text := NULL;
  depth integer := 0;
  p bigint;
  f text;
BEGIN
  id := coalesce(id, 0);
  WHILE id > 0 AND depth < 16 LOOP
    SELECT d.par_id, d.fullname INTO p, f FROM baseDQ AS d WHERE d.id = dyt_dq_fullname.id;
    EXIT WHEN NOT FOUND;
    f := btrim(coalesce(f, ''), E' \t\n\r\f\v');
    names := CASE WHEN names IS NULL THEN f ELSE f || '/' || names END;
    id := coalesce(p, 0);
    depth := depth + 1;
  END LOOP;
  RETURN coalesce(names, '');
END $$;

CREATE OR REPLACE FUNCTION fngetbasedqfullname(id bigint) RETURNS text
LANGUAGE sql STABLE AS $$ SELECT dyt_dq_fullname(id) $$;
CREATE OR REPLACE FUNCTION fngetbasedqfullname(id double precision) RETURNS text
LANGUAGE sql STABLE AS $$ SELECT dyt_dq_fullname(dyt_int(id)) $$;
CREATE OR REPLACE FUNCTION fngetbasedqfullname(id text) RETURNS text
LANGUAGE sql STABLE AS $$ SELECT dyt_dq_fullname(dyt_int(id)) $$;

-- Stock on hand in base units of a goods in one warehouse (0 = all).
CREATE OR REPLACE FUNCTION dyt_stock_qty(goods bigint, stock bigint) RETURNS double precision
LANGUAGE sql STABLE AS $$
  SELECT total(s.qty::double precision) FROM baseGoodsStock AS s
  WHERE s.goodsid = coalesce(goods, 0) AND (coalesce(stock, 0) = 0 OR s.stockid = stock)
$$;

-- Open quantity in base units of posted orders of one kind (4 sales order, 8 purchase order).
CREATE OR REPLACE FUNCTION dyt_open_order_qty(goods bigint, stock bigint, kind integer) RETURNS double precision
LANGUAGE sql STABLE AS $$
  SELECT total(greatest(l.qty::double precision - l.toQty::double precision, 0) * l.rate::double precision)
  FROM djList AS l
  WHERE l.goodsid = coalesce(goods, 0) AND l.djType = kind AND l.dj_state = 2 AND l.isOver = 0
    AND (coalesce(stock, 0) = 0
         OR (kind = 4 AND l.OutStock_id = stock) OR (kind = 8 AND l.IntoStock_id = stock))
$$;

-- fnGetStockQty(goods, warehouse, kind)
CREATE OR REPLACE FUNCTION fngetstockqty(goods double precision, stock double precision, kind double precision) RETURNS double precision
LANGUAGE sql STABLE AS $$ SELECT dyt_stock_qty(dyt_int(goods), dyt_int(stock)) $$;
CREATE OR REPLACE FUNCTION fngetstockqty(goods text, stock text, kind text) RETURNS double precision
LANGUAGE sql STABLE AS $$ SELECT dyt_stock_qty(dyt_int(goods), dyt_int(stock)) $$;

-- fnGetKYQty(goods, warehouse): stock on hand minus what open sales orders promise.
CREATE OR REPLACE FUNCTION fngetkyqty(goods double precision, stock double precision) RETURNS double precision
LANGUAGE sql STABLE AS $$
  SELECT dyt_stock_qty(dyt_int(goods), dyt_int(stock)) - dyt_open_order_qty(dyt_int(goods), dyt_int(stock), 4)
$$;
CREATE OR REPLACE FUNCTION fngetkyqty(goods text, stock text) RETURNS double precision
LANGUAGE sql STABLE AS $$
  SELECT dyt_stock_qty(dyt_int(goods), dyt_int(stock)) - dyt_open_order_qty(dyt_int(goods), dyt_int(stock), 4)
$$;

-- fnGetXNKCQty(goods, warehouse): stock on hand plus open purchase orders minus open sales orders.
CREATE OR REPLACE FUNCTION fngetxnkcqty(goods double precision, stock double precision) RETURNS double precision
LANGUAGE sql STABLE AS $$
  SELECT dyt_stock_qty(dyt_int(goods), dyt_int(stock)) + dyt_open_order_qty(dyt_int(goods), dyt_int(stock), 8)
         - dyt_open_order_qty(dyt_int(goods), dyt_int(stock), 4)
$$;
CREATE OR REPLACE FUNCTION fngetxnkcqty(goods text, stock text) RETURNS double precision
LANGUAGE sql STABLE AS $$
  SELECT dyt_stock_qty(dyt_int(goods), dyt_int(stock)) + dyt_open_order_qty(dyt_int(goods), dyt_int(stock), 8)
         - dyt_open_order_qty(dyt_int(goods), dyt_int(stock), 4)
$$;

-- Rate of a unit row of a goods (by id, or by slot fzdwid); 0 when absent.
CREATE OR REPLACE FUNCTION dyt_unit_rate(p_goods bigint, p_unit bigint, by_slot boolean) RETURNS double precision
LANGUAGE sql STABLE AS $$
  SELECT coalesce((SELECT u.rate::double precision FROM baseGoodsUnit AS u
                   WHERE u.Goodsid = coalesce(p_goods, 0)
                     AND CASE WHEN by_slot THEN u.fzdwid = coalesce(p_unit, 0)
                              ELSE u.id = coalesce(p_unit, 0) END
                   LIMIT 1), 0)
$$;

-- fnGetBaseGoodsFZQty(goods, unit, qty, slot): qty of the unit row expressed in the unit of a slot.
CREATE OR REPLACE FUNCTION dyt_fz_qty(goods bigint, unit bigint, qty double precision, slot bigint) RETURNS double precision
LANGUAGE plpgsql STABLE AS $$
DECLARE
  from_rate double precision := dyt_unit_rate(goods, unit, false);
  to_rate double precision := dyt_unit_rate(goods, slot, true);
BEGIN
  IF from_rate <= 0 THEN
    from_rate := 1;  -- an unknown unit counts as the base unit
  END IF;
  IF to_rate <= 0 THEN
    RETURN 0;
  END IF;
  RETURN coalesce(qty, 0) * from_rate / to_rate;
END $$;

CREATE OR REPLACE FUNCTION fngetbasegoodsfzqty(goods double precision, unit double precision, qty double precision, slot double precision) RETURNS double precision
LANGUAGE sql STABLE AS $$ SELECT dyt_fz_qty(dyt_int(goods), dyt_int(unit), qty, dyt_int(slot)) $$;
CREATE OR REPLACE FUNCTION fngetbasegoodsfzqty(goods text, unit text, qty text, slot text) RETURNS double precision
LANGUAGE sql STABLE AS $$ SELECT dyt_fz_qty(dyt_int(goods), dyt_int(unit), dyt_text_real(qty), dyt_int(slot)) $$;

-- fnGetCostPrice(goods, batch, unit): average cost of the stock (of one batch when above 0) per unit.
CREATE OR REPLACE FUNCTION dyt_cost_price(goods bigint, batch bigint, unit bigint) RETURNS double precision
LANGUAGE plpgsql STABLE AS $$
DECLARE
  v double precision;
  q double precision;
  rate double precision := dyt_unit_rate(goods, unit, false);
BEGIN
  SELECT total(s.total::double precision), total(s.qty::double precision) INTO v, q
  FROM baseGoodsStock AS s
  WHERE s.goodsid = coalesce(goods, 0) AND (coalesce(batch, 0) <= 0 OR s.goodspc = batch);
  IF rate <= 0 THEN
    rate := 1;
  END IF;
  RETURN CASE WHEN q > 0 THEN v / q * rate ELSE 0 END;
END $$;

CREATE OR REPLACE FUNCTION fngetcostprice(goods double precision, batch double precision, unit double precision) RETURNS double precision
LANGUAGE sql STABLE AS $$ SELECT dyt_cost_price(dyt_int(goods), dyt_int(batch), dyt_int(unit)) $$;
CREATE OR REPLACE FUNCTION fngetcostprice(goods text, batch text, unit text) RETURNS double precision
LANGUAGE sql STABLE AS $$ SELECT dyt_cost_price(dyt_int(goods), dyt_int(batch), dyt_int(unit)) $$;

-- fnGetWldwTotal00(partner, date): receivable minus payable of a partner; the date is not read.
CREATE OR REPLACE FUNCTION dyt_wldw_total(partner bigint) RETURNS double precision
LANGUAGE sql STABLE AS $$
  SELECT coalesce((SELECT coalesce(w.ystotal, 0)::double precision - coalesce(w.yftotal, 0)::double precision
                   FROM baseWLDW AS w WHERE w.id = coalesce(partner, 0)), 0)
$$;

CREATE OR REPLACE FUNCTION fngetwldwtotal00(partner double precision, at text) RETURNS double precision
LANGUAGE sql STABLE AS $$ SELECT dyt_wldw_total(dyt_int(partner)) $$;
CREATE OR REPLACE FUNCTION fngetwldwtotal00(partner text, at text) RETURNS double precision
LANGUAGE sql STABLE AS $$ SELECT dyt_wldw_total(dyt_int(partner)) $$;

-- fnGetCostTotal(goods, warehouse, qty): the cost of qty base units at the warehouse's average.
CREATE OR REPLACE FUNCTION dyt_cost_total(goods bigint, stock bigint, qty double precision) RETURNS double precision
LANGUAGE plpgsql STABLE AS $$
DECLARE
  v double precision;
  q double precision;
BEGIN
  SELECT total(s.total::double precision), total(s.qty::double precision) INTO v, q
  FROM baseGoodsStock AS s
  WHERE s.goodsid = coalesce(goods, 0) AND (coalesce(stock, 0) = 0 OR s.stockid = stock);
  RETURN CASE WHEN q > 0 THEN dyt_round_money(v / q * coalesce(qty, 0)) ELSE 0 END;
END $$;

CREATE OR REPLACE FUNCTION fngetcosttotal(goods double precision, stock double precision, qty double precision) RETURNS double precision
LANGUAGE sql STABLE AS $$ SELECT dyt_cost_total(dyt_int(goods), dyt_int(stock), qty) $$;
CREATE OR REPLACE FUNCTION fngetcosttotal(goods text, stock text, qty text) RETURNS double precision
LANGUAGE sql STABLE AS $$ SELECT dyt_cost_total(dyt_int(goods), dyt_int(stock), dyt_text_real(qty)) $$;

-- fnGetCostTotalOther(types, goods, warehouse, qty): the same over the stock held outside of the
-- kinds listed in types ("1,2,").
CREATE OR REPLACE FUNCTION dyt_cost_total_other(types text, goods bigint, stock bigint, qty double precision) RETURNS double precision
LANGUAGE plpgsql STABLE AS $$
DECLARE
  kinds integer[] := '{}';
  item text;
  v double precision;
  q double precision;
BEGIN
  FOREACH item IN ARRAY string_to_array(coalesce(types, ''), ',') LOOP
    CONTINUE WHEN item = '';
    item := btrim(item, E' \t\n\r\f\v');
    IF item !~ '^[+-]?[0-9]{1,9}$' OR item::integer NOT BETWEEN 1 AND 5 THEN
      RAISE EXCEPTION 'fnGetCostTotalOther：类型列表[%]无效', types;
    END IF;
    kinds := kinds || item::integer;
  END LOOP;
  IF cardinality(kinds) = 0 THEN
    RETURN 0;
  END IF;
  SELECT total(s.costtotal::double precision), total(s.qty::double precision) INTO v, q
  FROM baseGoodsStockOther AS s
  WHERE s.goodsid = coalesce(goods, 0) AND (coalesce(stock, 0) = 0 OR s.stockid = stock)
    AND s.typeid = ANY (kinds);
  RETURN CASE WHEN q > 0 THEN dyt_round_money(v / q * coalesce(qty, 0)) ELSE 0 END;
END $$;

CREATE OR REPLACE FUNCTION fngetcosttotalother(types text, goods double precision, stock double precision, qty double precision) RETURNS double precision
LANGUAGE sql STABLE AS $$ SELECT dyt_cost_total_other(types, dyt_int(goods), dyt_int(stock), qty) $$;
CREATE OR REPLACE FUNCTION fngetcosttotalother(types text, goods text, stock text, qty text) RETURNS double precision
LANGUAGE sql STABLE AS $$ SELECT dyt_cost_total_other(types, dyt_int(goods), dyt_int(stock), dyt_text_real(qty)) $$;

-- fnGetGoodsPrice(mode, billType, goods, partner, unit, date): the price a new bill line starts
-- with per the unit row: the partner's latest posted sale (kinds 1-4, 51) or purchase (5-8) of
-- the goods up to the date, through the base unit; else the unit's price (latest purchase price
-- for purchases).
CREATE OR REPLACE FUNCTION dyt_goods_price(p_type bigint, p_goods bigint, p_partner bigint, p_unit bigint, p_at timestamp) RETURNS double precision
LANGUAGE plpgsql STABLE AS $$
DECLARE
  sales boolean := (p_type BETWEEN 1 AND 4) OR p_type = 51;
  purchase boolean := p_type BETWEEN 5 AND 8;
  rate double precision;
  unit_price double precision := 0;
  unit_buy double precision := 0;
  last_price double precision;
  found_unit boolean;
BEGIN
  SELECT u.rate::double precision, u.price::double precision, u.latestBuyPrice::double precision
    INTO rate, unit_price, unit_buy
  FROM baseGoodsUnit AS u WHERE u.id = coalesce(p_unit, 0) AND u.Goodsid = coalesce(p_goods, 0) LIMIT 1;
  found_unit := FOUND;
  IF NOT found_unit THEN
    rate := 1; unit_price := 0; unit_buy := 0;
  ELSIF NOT rate > 0 THEN
    rate := 1;
  END IF;
  IF sales OR purchase THEN
    SELECT b.price::double precision / (CASE WHEN b.rate > 0 THEN b.rate ELSE 1 END)::double precision
      INTO last_price
    FROM djIndex AS a JOIN djList AS b ON b.id = a.id
    WHERE a.dj_state = 2
      AND a.djType = ANY (CASE WHEN sales THEN ARRAY[1, 3, 51] ELSE ARRAY[5, 7] END)
      AND a.wldw_id = coalesce(p_partner, 0) AND b.goodsid = coalesce(p_goods, 0)
      AND a.date COLLATE "C" <= to_char(p_at, 'YYYY-MM-DD') || ' 23:59:59'
    ORDER BY a.date COLLATE "C" DESC, b.orderid DESC LIMIT 1;
    IF FOUND THEN
      RETURN last_price * rate;
    END IF;
  END IF;
  RETURN CASE WHEN purchase THEN coalesce(unit_buy, 0) ELSE coalesce(unit_price, 0) END;
END $$;

CREATE OR REPLACE FUNCTION fngetgoodsprice(mode double precision, bill_type double precision, goods double precision, partner double precision, unit double precision, at text) RETURNS double precision
LANGUAGE sql STABLE AS $$
  SELECT dyt_goods_price(dyt_int(bill_type), dyt_int(goods), dyt_int(partner), dyt_int(unit),
                         CASE WHEN at IS NULL THEN timestamp '1900-01-01' ELSE dyt_date_value(at) END)
$$;
CREATE OR REPLACE FUNCTION fngetgoodsprice(mode double precision, bill_type double precision, goods double precision, partner double precision, unit double precision, at double precision) RETURNS double precision
LANGUAGE sql STABLE AS $$
  SELECT dyt_goods_price(dyt_int(bill_type), dyt_int(goods), dyt_int(partner), dyt_int(unit),
                         CASE WHEN at IS NULL THEN timestamp '1900-01-01' ELSE dyt_date_value(at) END)
$$;

-- The next code after a code: its trailing run of digits incremented and zero-padded to its
-- width; "1" appended when it ends in no digit.
CREATE OR REPLACE FUNCTION dyt_increment_code(code text) RETURNS text
LANGUAGE plpgsql IMMUTABLE STRICT AS $$
DECLARE
  digits text := substring(code from '[0-9]*$');
  next text;
BEGIN
  IF digits = '' THEN
    RETURN code || '1';
  END IF;
  next := (digits::numeric + 1)::text;
  IF length(next) < length(digits) THEN
    next := lpad(next, length(digits), '0');
  END IF;
  RETURN left(code, length(code) - length(digits)) || next;
END $$;

-- fnGetBaseAutoCode(kind, parent): the next free code under a parent: the highest code among
-- the parent's children that is the parent's code followed by digits, incremented; the parent's
-- code followed by "001" when there is none. A code already used in the table is skipped.
CREATE OR REPLACE FUNCTION dyt_base_auto_code(kind text, parent bigint) RETURNS text
LANGUAGE plpgsql STABLE AS $$
DECLARE
  tbl text := CASE lower(btrim(coalesce(kind, ''), E' \t\n\r\f\v'))
    WHEN 'sp' THEN 'baseGoods' WHEN 'wldw' THEN 'baseWLDW' WHEN 'zy' THEN 'baseZY'
    WHEN 'zhiyuan' THEN 'baseZY' WHEN 'ck' THEN 'baseCK' WHEN 'cangku' THEN 'baseCK'
    WHEN 'bm' THEN 'baseBM' WHEN 'bumen' THEN 'baseBM' WHEN 'dq' THEN 'baseDQ'
    WHEN 'zhaiyao' THEN 'baseZhaiYao' WHEN 'km' THEN 'baseKM' END;
  parent_code text := '';
  best text := '';
  c text;
  candidate text;
  used boolean;
  guard integer := 0;
BEGIN
  IF tbl IS NULL THEN
    RAISE EXCEPTION 'fnGetBaseAutoCode：未知的类别 %', coalesce(kind, '');
  END IF;
  parent := coalesce(parent, 0);
  IF parent > 0 THEN
    EXECUTE format('SELECT code FROM %s WHERE id = $1', tbl) INTO c USING parent;
    parent_code := btrim(coalesce(c, ''), E' \t\n\r\f\v');
  END IF;
  FOR c IN EXECUTE format('SELECT code FROM %s WHERE par_id = $1', tbl) USING parent LOOP
    c := btrim(coalesce(c, ''), E' \t\n\r\f\v');
    CONTINUE WHEN length(c) <= length(parent_code)
      OR dyt_fold(left(c, length(parent_code))) <> dyt_fold(parent_code)
      OR substr(c, length(parent_code) + 1) !~ '^[0-9]+$';
    IF best = '' OR length(c) > length(best)
       OR (length(c) = length(best) AND c COLLATE "C" > best COLLATE "C") THEN
      best := c;
    END IF;
  END LOOP;
  candidate := CASE WHEN best = '' THEN parent_code || '001' ELSE dyt_increment_code(best) END;
  LOOP
    EXECUTE format('SELECT EXISTS (SELECT 1 FROM %s WHERE dyt_fold(code) = dyt_fold($1))', tbl)
      INTO used USING candidate;
    EXIT WHEN NOT used OR guard >= 100000;
    candidate := dyt_increment_code(candidate);
    guard := guard + 1;
  END LOOP;
  RETURN candidate;
END $$;

CREATE OR REPLACE FUNCTION fngetbaseautocode(kind text, parent double precision) RETURNS text
LANGUAGE sql STABLE AS $$ SELECT dyt_base_auto_code(kind, dyt_int(parent)) $$;
CREATE OR REPLACE FUNCTION fngetbaseautocode(kind text, parent text) RETURNS text
LANGUAGE sql STABLE AS $$ SELECT dyt_base_auto_code(kind, dyt_int(parent)) $$;

RESET check_function_bodies;
)sql";

}  // namespace

QString functionLibrarySql() {
    QString sql;
    for (const char* section : {kSection1, kSection2, kSection3, kSection4})
        sql += QString::fromUtf8(section);
    return sql;
}

}  // namespace dyt::server::pg
