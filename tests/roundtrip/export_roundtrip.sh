#!/usr/bin/env bash
# Round trip of the lossless export (rowmender-cli export) through a
# throwaway MariaDB server.
#
# The data folder (testdata/lossless-datadir.tar.gz, unpacked) holds the
# values an export can get wrong: SQL NULL against the texts 'NULL' and '\N',
# escapes, zero bytes, every character set, FLOAT/DOUBLE bits, TIMESTAMPs in
# the hours the clocks change, BIT, ENUM index 0, several-MB LONGTEXT and
# LONGBLOB values, delete-marked rows.  The truth folder holds per table a
# query (<table>.sql) and what the original server printed for it (<table>.tsv;
# see its README.md).
#
#   0. A server started on a copy of the data folder prints the truth files:
#      the truth is the original server's, and reproducible.
#   Then a fresh server, once with TZ=Europe/Berlin and once with
#   TZ=America/New_York, for the server (which runs in that zone) and for
#   rowmender-cli:
#   1. `export DATADIR lossless --to OUT --format sql` writes one script per
#      table, OUT/<database folder>/<table file>.sql.  Each is loaded with
#      the mariadb client as it is; then every table prints its truth, so
#      does its <table>__deleted companion (the delete-marked rows; a table
#      without any has no companion with rows), and the columns are as they
#      were.
#   2. `export DATADIR lossless --to OUT --format tsv` writes
#      OUT/<database folder>/<table file>.tsv and, only for tables with
#      delete-marked rows, <table file>__deleted.tsv, in the default format of
#      SELECT ... INTO OUTFILE: fields separated by tab, lines by line feed,
#      NULL as \N, backslash before tab, line feed and backslash, \0 for a
#      zero byte, no header; every value as its stored bytes (text in its
#      column's character set, as INTO OUTFILE writes it without a CHARACTER
#      SET clause), TIMESTAMP in UTC.  Loaded with LOAD DATA INFILE ...
#      CHARACTER SET binary (default field and line options; session time
#      zone +00:00, not strict, so that ENUM index 0 goes in as '') into
#      tables made from the truth's CREATE TABLE statements, every table
#      prints its truth, byte for byte.
#   3. `export DATADIR lossless.TABLE --to - --format sql | mariadb` restores
#      a single table (and its companion) into an empty server.
# The scripts are loaded with the server's default settings (max_allowed_packet
# 16 MiB, strict sql_mode, the session time zone of the server's zone) and a
# client whose character set is latin1: a script sets what it needs itself.
#
# One ok:/FAIL: line per table and check; exit status 1 on any failure.
#
# --emulate runs everything with a stand-in for rowmender-cli, made by the
# original server in step 0 (its own SELECTs write the scripts, SELECT ...
# INTO OUTFILE the tab-separated files): a check of this script and of the
# truth.  The stand-in cannot see delete-marked rows, so the companions are
# skipped then.
#
# Usage: export_roundtrip.sh --cli PATH --datadir DIR --truth DIR --source DIR [--emulate]
set -euo pipefail

EMULATE=0
while (($#)); do
  case $1 in
    --cli) CLI=$2; shift 2 ;;
    --datadir) DATADIR=$2; shift 2 ;;
    --truth) TRUTH=$2; shift 2 ;;
    --source) SOURCE=$2; shift 2 ;;
    --emulate) EMULATE=1; shift ;;
    *) echo "export_roundtrip.sh: unknown argument $1" >&2; exit 2 ;;
  esac
done
: "${DATADIR:?--datadir}" "${TRUTH:?--truth}" "${SOURCE:?--source}"
((EMULATE)) || : "${CLI:?--cli}"
export LC_ALL=C.UTF-8

# shellcheck source=../../tools/fixtures/lib.sh
source "$SOURCE/tools/fixtures/lib.sh"

DB=lossless
ZONES=(Europe/Berlin America/New_York)
# Restored one at a time in step 3: InnoDB with deleted rows, MyISAM, and
# several-MB values through a pipe.
SINGLE_TABLES=(strings_dynamic binaries_myisam longs_compact)

FAILURES=0
fail() { printf 'FAIL: %s\n' "$*"; FAILURES=$((FAILURES + 1)); }
pass() { printf 'ok: %s\n' "$*"; }
skip() { printf 'skip: %s\n' "$*"; }

[[ -f $TRUTH/tables.tsv && -f $DATADIR/ibdata1 ]] || fx_die "no truth in $TRUTH or no data folder in $DATADIR"

# tables.tsv: TABLE_NAME ENGINE ROW_FORMAT LIVE_ROWS DELETED_ROWS DB_DIR FILE_NAME
TABLES=()
declare -A FILE_OF=() DELETED_OF=()
DB_DIR=""
while IFS=$'\t' read -r t _engine _format _live deleted dir file; do
  TABLES+=("$t")
  FILE_OF[$t]=$file
  DELETED_OF[$t]=$deleted
  DB_DIR=$dir
done < <(tail -n +2 "$TRUTH/tables.tsv")
((${#TABLES[@]} > 0)) || fx_die "$TRUTH/tables.tsv lists no tables"

# ---- checks ---------------------------------------------------------------------

# The mariadb client that loads the export's scripts: no options but the
# socket, and latin1, the character set older clients default to.
load_script() {
  "$FX_CLIENT" --no-defaults --socket="$FX_SOCK" --user=root --default-character-set=latin1
}

# check LABEL QUERY WANT [ALSO]: the query, run in the database, prints WANT
# (or ALSO, when given) byte for byte.
check() {
  local label=$1 query=$2 want=$3 also=${4:-} got=$FX_TMP/got.tsv
  if fx_sql --batch "$DB" < "$query" > "$got" 2>&1 &&
    { cmp -s "$got" "$want" || { [[ -n $also ]] && cmp -s "$got" "$also"; }; }; then
    pass "$label"
    return
  fi
  fail "$label"
  diff "$want" "$got" | head -n 8 | cut -c1-300 || true
}

# check_table LABEL TABLE [via-utf8]: the table and its __deleted companion
# print their truth; with via-utf8, the truth after a trip through UTF-8
# where the truth folder has one.
check_table() {
  local label=$1 t=$2 via=${3:-} want also n
  want=$TRUTH/$DB/$t.tsv
  also=
  # A file in UTF-8 may carry such codes as their own bytes, which load
  # back exactly, or as what they become through UTF-8.
  [[ -z $via || ! -f $TRUTH/$DB/$t.via-utf8.tsv ]] || also=$TRUTH/$DB/$t.via-utf8.tsv
  check "$label: $t" "$TRUTH/$DB/$t.sql" "$want" "$also"
  if [[ -f $TRUTH/$DB/$t.deleted.sql ]]; then
    if ((EMULATE)); then
      skip "$label: ${t}__deleted (the stand-in sees no deleted rows)"
      return
    fi
    want=$TRUTH/$DB/$t.deleted.tsv
    also=
    [[ -z $via || ! -f $TRUTH/$DB/$t.deleted.via-utf8.tsv ]] || also=$TRUTH/$DB/$t.deleted.via-utf8.tsv
    check "$label: ${t}__deleted" "$TRUTH/$DB/$t.deleted.sql" "$want" "$also"
  elif n=$(fx_query "SELECT COUNT(*) FROM \`$DB\`.\`${t}__deleted\`" 2>/dev/null) && [[ $n != 0 ]]; then
    fail "$label: ${t}__deleted holds $n rows, but no row of $t was deleted"
  fi
}

# check_files LABEL DIR SUFFIX: DIR holds a file per table and nothing else
# but the companions' files.
check_files() {
  local label=$1 dir=$2 suffix=$3 t f missing=() extra=()
  declare -A expected=()
  for t in "${TABLES[@]}"; do
    expected["${FILE_OF[$t]}$suffix"]=1
    expected["${FILE_OF[$t]}__deleted$suffix"]=1
    [[ -f $dir/${FILE_OF[$t]}$suffix ]] || missing+=("${FILE_OF[$t]}$suffix")
  done
  if [[ -d $dir ]]; then
    while IFS= read -r -d '' f; do
      [[ -n ${expected[${f##*/}]:-} ]] || extra+=("${f##*/}")
    done < <(find "$dir" -mindepth 1 -maxdepth 1 -print0)
  fi
  if ((${#missing[@]} == 0 && ${#extra[@]} == 0)); then
    pass "$label: one file per table in ${dir##*/}/"
  else
    fail "$label: files in $dir: missing ${missing[*]:-none}; unexpected ${extra[*]:-none}"
  fi
}

# The server stopped without a slow shutdown and without showing its log
# (the server on the original folder complains about the databases that are
# not in it).
stop_server() {
  [[ -n $FX_SERVER_PID ]] || return 0
  fx_sql -e "SET GLOBAL innodb_fast_shutdown = 1" || true
  "$FX_ADMIN" --no-defaults --socket="$FX_SOCK" --user=root shutdown || true
  wait "$FX_SERVER_PID" || true
  FX_SERVER_PID=""
}

# ---- the stand-in for rowmender-cli (--emulate) -----------------------------------
STAND_IN=""  # $FX_TMP/stand-in, once there is an FX_TMP

# columns_of TABLE: "name<TAB>data type<TAB>character set" per column.
columns_of() {
  fx_sql --batch --raw --skip-column-names -e "SELECT COLUMN_NAME, DATA_TYPE, IFNULL(CHARACTER_SET_NAME, '')
      FROM information_schema.COLUMNS WHERE TABLE_SCHEMA = '$DB' AND TABLE_NAME = '$1'
     ORDER BY ORDINAL_POSITION"
}

# The exact value of a FLOAT or DOUBLE as text; -0.0 as a tiny negative value
# that rounds to it, as the server stores +0 for '-0'.
real_text() { printf "IF(%s = 0 AND ATAN2(%s, -1) < 0, '-1e-50', CAST(CAST(%s AS DOUBLE) AS CHAR))" "$1" "$1" "$1"; }

join_commas() { local IFS=,; printf '%s' "$*"; }

make_stand_in() {
  local t name type cs q sql_list tsv_list dir_sql=$STAND_IN/sql/$DB_DIR dir_tsv=$STAND_IN/tsv/$DB_DIR
  mkdir -p "$dir_sql" "$dir_tsv"
  for t in "${TABLES[@]}"; do
    sql_list=() tsv_list=()
    while IFS=$'\t' read -r name type cs; do
      q="\`$name\`"
      tsv_list+=("$q")
      # The tab-separated file is written in the binary character set (as
      # is): every value as its stored bytes, BIT as a string (INTO OUTFILE
      # escapes nothing in a BIT value).
      case $type in
        float | double) sql_list+=("$(real_text "$q")"); tsv_list[-1]=$(real_text "$q") ;;
        bit) sql_list+=("CAST($q + 0 AS UNSIGNED)"); tsv_list[-1]="CAST($q AS BINARY)" ;;
        enum | set) sql_list+=("CAST($q + 0 AS UNSIGNED)") ;;
        *int | decimal) sql_list+=("CAST($q AS CHAR)") ;;
        date | time | datetime | timestamp | year) sql_list+=("QUOTE($q)") ;;
        *)
          if [[ -n $cs ]]; then
            sql_list+=("CONCAT('_$cs X''', HEX($q), '''')")
          else
            sql_list+=("CONCAT('X''', HEX($q), '''')")
          fi ;;
      esac
      sql_list[-1]="IFNULL(${sql_list[-1]}, 'NULL')"
    done < <(columns_of "$t")
    {
      printf -- '-- %s.%s, written by the stand-in of export_roundtrip.sh\n' "$DB" "$t"
      printf "SET NAMES utf8mb4;\nSET time_zone = '+00:00';\nSET sql_mode = 'NO_ENGINE_SUBSTITUTION';\n"
      # shellcheck disable=SC2016
      printf 'CREATE DATABASE IF NOT EXISTS `%s`;\nUSE `%s`;\n' "$DB" "$DB"
      fx_sql --batch --raw --skip-column-names "$DB" -e "SHOW CREATE TABLE \`$t\`" |
        sed -e '1s/^[^\t]*\t//' -e '$s/$/;/'
      fx_sql --batch --raw --skip-column-names "$DB" -e "SET time_zone = '+00:00';
        SELECT CONCAT('INSERT INTO \`$t\` VALUES (', CONCAT_WS(',', $(join_commas "${sql_list[@]}")), ');')
          FROM \`$t\` ORDER BY id"
    } > "$dir_sql/${FILE_OF[$t]}.sql"
    fx_sql "$DB" -e "SET time_zone = '+00:00';
      SELECT $(join_commas "${tsv_list[@]}") FROM \`$t\` ORDER BY id
        INTO OUTFILE $(fx_sql_str "$dir_tsv/${FILE_OF[$t]}.tsv")"
  done
}

# stand_in_export DATADIR DB[.TABLE] --to OUT --format FORMAT
stand_in_export() {
  local what=$2 to=$4 format=$6
  if [[ $what == *.* ]]; then
    cat "$STAND_IN/$format/$DB_DIR/${FILE_OF[${what#*.}]}.$format"
  else
    mkdir -p "$to"
    cp -R "$STAND_IN/$format/$DB_DIR" "$to/"
  fi
}

run_export() {
  if ((EMULATE)); then stand_in_export "$@"; else "$CLI" export "$@"; fi
}

# ---- 0. the original ----------------------------------------------------------------
fx_ensure_packages
fx_server_init
STAND_IN=$FX_TMP/stand-in
FRESH_DATADIR=$FX_DATADIR
FX_DATADIR=$FX_TMP/original
cp -R "$DATADIR" "$FX_DATADIR"
fx_server_start --skip-grant-tables --innodb-stats-persistent=0 --secure-file-priv="$FX_TMP"
for t in "${TABLES[@]}"; do
  check "original server: $t" "$TRUTH/$DB/$t.sql" "$TRUTH/$DB/$t.tsv"
done
check "original server: columns" "$TRUTH/columns.sql" "$TRUTH/columns.tsv"
if ((EMULATE)); then
  make_stand_in
fi
stop_server
FX_DATADIR=$FRESH_DATADIR

# ---- 1. scripts ---------------------------------------------------------------------
sql_round() { # LABEL OUT
  local label=$1 out=$2 t f log=$2.log status=0
  fx_sql -e "DROP DATABASE IF EXISTS \`$DB\`"
  run_export "$DATADIR" "$DB" --to "$out" --format sql > "$log" 2>&1 || status=$?
  if ((status != 0)); then
    fail "$label: export exited with status $status: $(tail -n 3 "$log")"
    return
  fi
  check_files "$label" "$out/$DB_DIR" .sql
  for t in "${TABLES[@]}"; do
    f=$out/$DB_DIR/${FILE_OF[$t]}.sql
    [[ -f $f ]] || continue
    load_script < "$f" > "$log.load" 2>&1 || fail "$label: loading ${f##*/}: $(tail -n 3 "$log.load" | cut -c1-300)"
  done
  for t in "${TABLES[@]}"; do
    check_table "$label" "$t"
  done
  check "$label: columns" "$TRUTH/columns.sql" "$TRUTH/columns.tsv"
}

# ---- 2. tab-separated files -----------------------------------------------------------
load_tsv() { # LABEL TABLE FILE
  local out
  out=$(fx_sql "$DB" -e "SET time_zone = '+00:00'; SET SESSION sql_mode = 'NO_ENGINE_SUBSTITUTION';
          LOAD DATA INFILE $(fx_sql_str "$3") INTO TABLE \`$2\` CHARACTER SET binary;" 2>&1) ||
    fail "$1: LOAD DATA of ${3##*/}: $(cut -c1-300 <<< "$out")"
}

tsv_round() { # LABEL OUT
  local label=$1 out=$2 t f companion log=$2.log status=0
  run_export "$DATADIR" "$DB" --to "$out" --format tsv > "$log" 2>&1 || status=$?
  if ((status != 0)); then
    fail "$label: export exited with status $status: $(tail -n 3 "$log")"
    return
  fi
  check_files "$label" "$out/$DB_DIR" .tsv
  fx_sql -e "DROP DATABASE IF EXISTS \`$DB\`;
             CREATE DATABASE \`$DB\` DEFAULT CHARACTER SET utf8mb4 COLLATE utf8mb4_general_ci"
  for t in "${TABLES[@]}"; do
    fx_sql "$DB" < "$TRUTH/$DB/$t.create.sql"
    f=$out/$DB_DIR/${FILE_OF[$t]}.tsv
    companion=$out/$DB_DIR/${FILE_OF[$t]}__deleted.tsv
    [[ ! -f $f ]] || load_tsv "$label" "$t" "$f"
    if ((${DELETED_OF[$t]} > 0)); then
      fx_sql "$DB" -e "CREATE TABLE \`${t}__deleted\` AS SELECT * FROM \`$t\` LIMIT 0"
      if [[ -f $companion ]]; then
        load_tsv "$label" "${t}__deleted" "$companion"
      elif ((!EMULATE)); then
        fail "$label: no ${companion##*/}"
      fi
    elif [[ -s $companion ]]; then
      fail "$label: ${companion##*/} has rows, but no row of $t was deleted"
    fi
    check_table "$label" "$t"
  done
}

# ---- 3. one table to standard output --------------------------------------------------
single_round() { # LABEL
  local label=$1 t log=$FX_TMP/single.log status
  for t in "${SINGLE_TABLES[@]}"; do
    fx_sql -e "DROP DATABASE IF EXISTS \`$DB\`"
    set +e
    run_export "$DATADIR" "$DB.$t" --to - --format sql 2> "$log" | load_script > "$log.load" 2>&1
    status=("${PIPESTATUS[@]}")
    set -e
    if ((status[0] != 0)); then
      fail "$label: export of $t exited with status ${status[0]}: $(tail -n 3 "$log")"
      continue
    fi
    ((status[1] == 0)) || fail "$label: loading $t: $(tail -n 3 "$log.load" | cut -c1-300)"
    check_table "$label" "$t"
  done
}

for zone in "${ZONES[@]}"; do
  export TZ=$zone
  fx_server_start --default-time-zone=SYSTEM --secure-file-priv="$FX_TMP"
  # The hour the clocks go back, twice the same local time in the zone.
  shown=$(fx_query "SELECT CONCAT(@@system_time_zone, ' ', FROM_UNIXTIME(1635640200), ' ', FROM_UNIXTIME(1635643800),
                                  ' ', FROM_UNIXTIME(1636263000), ' ', FROM_UNIXTIME(1636266600))")
  pass "$zone: the server runs in $shown"
  work=$FX_TMP/${zone//\//-}
  mkdir -p "$work"
  sql_round "$zone sql" "$work/sql"
  tsv_round "$zone tsv" "$work/tsv"
  single_round "$zone one table"
  rm -rf "$work"
  stop_server
done

if ((FAILURES > 0)); then
  echo "$FAILURES export round-trip checks failed"
  exit 1
fi
echo "export round trip: all checks passed"
