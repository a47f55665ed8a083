#!/usr/bin/env bash
# Round trip of a whole save against a throwaway MariaDB server.
#
# Starts a private mariadbd (its own data folder in a temporary folder,
# listening on 127.0.0.1 at a free port and on a socket there), then:
#   1. makes a database of hostile names and values, stops the server
#      cleanly and copies that database's files into a data folder of its own;
#   2. registers the MariaDB ODBC driver for the connection string, in a
#      private odbcinst.ini;
#   3. runs the connection tests (rowmender_server_tests);
#   4. saves the sample data folder and the hostile one as scripts, loads
#      them with the mariadb client and compares every table with the truth
#      files: the definition as SHOW CREATE TABLE shows it (without ordinary
#      indexes); every live row equal, value for value; the delete-marked rows
#      in the `<table>__deleted` companion (see compare_table); the views as the server shows
#      them; the triggers present, and firing on an insert and an update;
#   5. drops the restored databases and does the same through ODBC
#      ("Save in database").
# The server is stopped on every exit.
#
# Usage: roundtrip.sh --cli PATH --server-tests PATH --datadir DIR --truth DIR --source DIR
set -euo pipefail

while (($#)); do
  case $1 in
    --cli) CLI=$2; shift 2 ;;
    --server-tests) SERVER_TESTS=$2; shift 2 ;;
    --datadir) SAMPLE=$2; shift 2 ;;
    --truth) TRUTH=$2; shift 2 ;;
    --source) SOURCE=$2; shift 2 ;;
    *) echo "roundtrip.sh: unknown argument $1" >&2; exit 2 ;;
  esac
done
: "${CLI:?--cli}" "${SERVER_TESTS:?--server-tests}" "${SAMPLE:?--datadir}" "${TRUTH:?--truth}" \
  "${SOURCE:?--source}"
HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
export TZ=UTC

# shellcheck source=../../tools/fixtures/lib.sh
source "$SOURCE/tools/fixtures/lib.sh"

FAILURES=0
fail() { printf 'FAIL: %s\n' "$*" >&2; FAILURES=$((FAILURES + 1)); }
pass() { printf 'ok: %s\n' "$*"; }

# A loopback port nothing listens on (tried at random in the dynamic range).
free_port() {
  local port i
  for ((i = 0; i < 200; i++)); do
    port=$((20000 + RANDOM % 40000))
    [[ $port == "${1:-}" ]] && continue
    if ! (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; then
      echo "$port"
      return 0
    fi
  done
  fx_die "no free loopback port found"
}

SYSTEM_SCHEMAS="'mysql','information_schema','performance_schema','sys'"
SESSION="SET time_zone='+00:00'; SET SESSION group_concat_max_len=16777216;"
PASSWORD='p;w}d={x} ü'
ACCOUNT=rowmender

fx_ensure_packages
fx_server_init
PORT=$(free_port)
CLOSED_PORT=$(free_port "$PORT")
NETWORK=(--skip-networking=0 --bind-address=127.0.0.1 --port="$PORT")

# ---- 1. the hostile database ----------------------------------------------
fx_server_start "${NETWORK[@]}"
fx_run_sql_file "$HERE/hostile.sql"
HOSTILE_DB=$(fx_query "SELECT SCHEMA_NAME FROM information_schema.SCHEMATA WHERE SCHEMA_NAME LIKE 'rm %'")
HOSTILE_DIR=$(fx_query "SELECT CAST(CONVERT(SCHEMA_NAME USING filename) AS BINARY)
                          FROM information_schema.SCHEMATA WHERE SCHEMA_NAME LIKE 'rm %'")

# The select list that prints a table as the truth files do: binary strings
# and spatial values as HEX(), BIT as BIN(), everything else as it is.
select_list() { # DB TABLE
  fx_query "$SESSION
    SELECT GROUP_CONCAT(
             CASE
               WHEN DATA_TYPE IN ('binary','varbinary','tinyblob','blob','mediumblob','longblob',
                                  'geometry','point','linestring','polygon','multipoint',
                                  'multilinestring','multipolygon','geometrycollection')
                 THEN CONCAT('HEX(t.', q, ') AS ', q)
               WHEN DATA_TYPE = 'bit' THEN CONCAT('BIN(t.', q, ') AS ', q)
               ELSE CONCAT('t.', q)
             END
             ORDER BY ORDINAL_POSITION SEPARATOR ', ')
      FROM (SELECT DATA_TYPE, ORDINAL_POSITION,
                   CONCAT('\`', REPLACE(COLUMN_NAME, '\`', '\`\`'), '\`') AS q
              FROM information_schema.COLUMNS
             WHERE TABLE_SCHEMA = $(fx_sql_str "$1") AND TABLE_NAME = $(fx_sql_str "$2")) c"
}

# The header line of a rows file: the column names, tab-separated, with tab,
# line feed and backslash escaped as the client escapes values.
header_line() { # DB TABLE
  fx_query "SELECT GROUP_CONCAT(REPLACE(REPLACE(REPLACE(COLUMN_NAME, '\\\\', '\\\\\\\\'),
                                               '\\t', '\\\\t'), '\\n', '\\\\n')
                                ORDER BY ORDINAL_POSITION SEPARATOR '\\t')
              FROM information_schema.COLUMNS
             WHERE TABLE_SCHEMA = $(fx_sql_str "$1") AND TABLE_NAME = $(fx_sql_str "$2")"
}

dump_rows() { # DB TABLE OUT: the header line, then the rows sorted
  local list
  list=$(select_list "$1" "$2")
  [[ -n $list ]] || { : > "$3"; return 1; }
  header_line "$1" "$2" > "$3"
  fx_sql --batch --skip-column-names \
    -e "$SESSION SELECT $list FROM $(fx_sql_ident "$1").$(fx_sql_ident "$2") AS t" > "$3.body" ||
    { : > "$3"; rm -f "$3.body"; return 1; }
  LC_ALL=C sort "$3.body" >> "$3"
  rm -f "$3.body"
}

# The hostile truth, taken from the server before its files are copied.
HOSTILE_TRUTH=$FX_TMP/hostile-truth
mkdir -p "$HOSTILE_TRUTH/$HOSTILE_DB"
while IFS= read -r -d '' table; do
  dump_rows "$HOSTILE_DB" "$table" "$HOSTILE_TRUTH/$HOSTILE_DB/$table.rows.tsv"
  fx_sql --batch -e "SELECT ENGINE, CAST(CONVERT(TABLE_SCHEMA USING filename) AS BINARY) AS DB_DIR,
                            CAST(CONVERT(TABLE_NAME USING filename) AS BINARY) AS FILE_NAME
                       FROM information_schema.TABLES
                      WHERE TABLE_SCHEMA = $(fx_sql_str "$HOSTILE_DB") AND TABLE_NAME = $(fx_sql_str "$table")" \
    > "$HOSTILE_TRUTH/$HOSTILE_DB/$table.meta.tsv"
done < <(fx_sql --batch --raw --skip-column-names -e "SELECT CONCAT(TABLE_NAME, CHAR(0))
           FROM information_schema.TABLES WHERE TABLE_SCHEMA = $(fx_sql_str "$HOSTILE_DB")" |
         tr -d '\n')
fx_sql -e "CREATE USER '$ACCOUNT'@'%' IDENTIFIED BY $(fx_sql_str "$PASSWORD");
           GRANT ALL ON *.* TO '$ACCOUNT'@'%' WITH GRANT OPTION;"
fx_server_stop 0
HOSTILE_DATADIR=$FX_TMP/hostile-datadir
mkdir -p "$HOSTILE_DATADIR"
cp -R "$FX_DATADIR/$HOSTILE_DIR" "$HOSTILE_DATADIR/"
cp "$FX_DATADIR/ibdata1" "$HOSTILE_DATADIR/"
fx_server_start "${NETWORK[@]}"
fx_sql -e "DROP DATABASE $(fx_sql_ident "$HOSTILE_DB")"

# ---- 2. the ODBC driver under the connection string's name ------------------
export ODBCSYSINI=$FX_TMP/odbc
mkdir -p "$ODBCSYSINI"
bash "$SOURCE/tools/setup.d/odbc-driver.sh" >/dev/null
before=$(cat "$ODBCSYSINI/odbcinst.ini")
bash "$SOURCE/tools/setup.d/odbc-driver.sh" >/dev/null
[[ $(cat "$ODBCSYSINI/odbcinst.ini") == "$before" ]] || fail "registering the driver twice changed odbcinst.ini"
grep -q '^\[MySql ODBC 5.1 Driver\]$' "$ODBCSYSINI/odbcinst.ini" ||
  fail "the driver is not registered as \"MySql ODBC 5.1 Driver\""

# ---- 3. the connection tests ------------------------------------------------
if ROWMENDER_TEST_SERVER=127.0.0.1 ROWMENDER_TEST_PORT=$PORT ROWMENDER_TEST_USER=$ACCOUNT \
   ROWMENDER_TEST_PASSWORD=$PASSWORD ROWMENDER_TEST_CLOSED_PORT=$CLOSED_PORT \
   "$SERVER_TESTS" --gtest_brief=1; then
  pass "connection tests"
else
  fail "connection tests"
fi

# The command line refuses a password among its arguments and shows the
# driver's texts for a wrong password and a closed port, never the password.
out=$("$CLI" save "$SAMPLE" --server 127.0.0.1 --port "$PORT" --user "$ACCOUNT" --password x 2>&1) &&
  fail "save accepted --password" || true
[[ $out == *ROWMENDER_PASSWORD* ]] || fail "save --password: $out"
out=$(ROWMENDER_PASSWORD="wrong $PASSWORD" "$CLI" save "$SAMPLE" --server 127.0.0.1 --port "$PORT" \
        --user "$ACCOUNT" 2>&1) && fail "save with a wrong password succeeded" || true
[[ $out == *"Access denied for user '$ACCOUNT'"* ]] || fail "wrong password: $out"
[[ $out != *"$PASSWORD"* ]] || fail "the password appears in: $out"
out=$(ROWMENDER_PASSWORD=$PASSWORD "$CLI" save "$SAMPLE" --server 127.0.0.1 --port "$CLOSED_PORT" \
        --user "$ACCOUNT" 2>&1) && fail "save to a closed port succeeded" || true
[[ $out == *"Can't connect"* ]] || fail "closed port: $out"

# ---- 4./5. saves and comparisons ---------------------------------------------
# meta_field META NAME: the field NAME of the table's meta.tsv line.
meta_field() {
  awk -F'\t' -v name="$2" 'NR == 1 { for (i = 1; i <= NF; i++) if ($i == name) c = i }
                            NR == 2 && c { print $c }' "$1"
}

# reader_counts DATADIR META: "LIVE DELETED", the rows the reader recovers
# from the files of the table the meta.tsv file describes.
reader_counts() {
  "$CLI" rows "$1" "$(meta_field "$2" DB_DIR)" "$(meta_field "$2" FILE_NAME)" --all --deleted-flag \
    2>/dev/null | awk -F'\t' 'NR > 1 { n[$1]++ } END { print n[0] + 0, n[1] + 0 }'
}

# compare_table DB TABLE TRUTH_FILE MODE READ: the restored table against the
# truth (MODE live: equal), or the companion of deleted rows (MODE deleted:
# for InnoDB it holds every truth row, a delete-marked record being intact;
# for MyISAM at least as many rows, as the server overwrites the start of a
# deleted MyISAM record with its free-list link). Either way the restored
# table holds exactly the READ rows the reader recovered: the save wrote
# what it read, no more and no less.
compare_table() {
  local db=$1 table=$2 truth=$3 mode=$4 read=$5 got=$FX_TMP/got.tsv want=$FX_TMP/want.tsv
  local target=$table engine=""
  [[ $mode == deleted ]] && target="${table}__deleted"
  if [[ $mode == deleted && $read == 0 ]] &&
     ! fx_query "SELECT 1 FROM $(fx_sql_ident "$db").$(fx_sql_ident "$target") LIMIT 0" >/dev/null 2>&1; then
    head -n 1 "$truth" > "$got"  # nothing read, so no companion: compared as empty
  elif ! dump_rows "$db" "$target" "$got"; then
    fail "$LABEL: $db.$target is missing"
    return
  fi
  { head -n 1 "$truth"; tail -n +2 "$truth" | LC_ALL=C sort; } > "$want"
  if [[ $(head -n 1 "$got") != "$(head -n 1 "$want")" ]]; then
    fail "$LABEL: $db.$target: columns differ: $(head -n 1 "$got")"
    return
  fi
  local have=$(($(wc -l < "$got") - 1)) expected=$(($(wc -l < "$want") - 1))
  ((have == read)) || fail "$LABEL: $db.$target holds $have rows, but $read were read"
  local reader="the reader recovers $read"
  if [[ $mode == deleted ]]; then
    engine=$(meta_field "$(dirname "$truth")/$table.meta.tsv" ENGINE)
    if [[ $engine == MyISAM ]]; then
      # A deleted record of the dynamic format has its block headers, pack
      # flags and first fields overwritten by the free-block chain, so the
      # reader recovers none of them; only fixed-format ones survive.
      [[ $(meta_field "$(dirname "$truth")/$table.meta.tsv" ROW_FORMAT) == Fixed ]] || return 0
      ((have >= expected)) ||
        fail "$LABEL: $db.$target holds $have rows, want at least $expected ($reader)"
      return
    fi
    local missing
    missing=$(LC_ALL=C comm -13 <(tail -n +2 "$got") <(tail -n +2 "$want") | wc -l)
    if ((missing > 0)); then
      fail "$LABEL: $db.$target lacks $missing of $expected deleted rows ($reader)"
      LC_ALL=C comm -13 <(tail -n +2 "$got") <(tail -n +2 "$want") | head -n 3 | cut -c1-300 >&2
    fi
  elif ! cmp -s "$got" "$want"; then
    fail "$LABEL: $db.$table differs ($have rows, want $expected; $reader)"
    diff <(tail -n +2 "$want") <(tail -n +2 "$got") | head -n 6 | cut -c1-300 >&2 || true
  fi
}

# A CREATE TABLE statement without what a save does not carry over: ordinary,
# full-text and spatial indexes, the AUTO_INCREMENT counter, the row format
# and the server's mark of old temporal formats.
normalise_definition() {
  sed -E -e 's| /\* mariadb-5\.3 \*/||g' -e 's/ AUTO_INCREMENT=[0-9]+//' -e 's/ ROW_FORMAT=[A-Za-z]+//' \
         -e '/^  (KEY|FULLTEXT KEY|SPATIAL KEY) /d' -e 's/,$//' -e 's/;$//'
}

# Trigger bodies as the client prints them (line feeds as \n). The MariaDB
# ODBC driver blanks out every comment of a statement before sending it, so
# through ODBC a trigger keeps its code but not its comments: there, the
# comparison leaves comments and the blanks around them out.
without_comments() {
  if [[ $LABEL == database ]]; then
    sed -E -e 's/-- ([^\\]|\\[^n])*\\n//g' -e 's/ +/ /g' -e 's/(\\n) /\1/g'
  else
    cat
  fi
}

compare_all() {
  local truth_root db file table
  # The definitions, as the server shows them.
  for file in "$TRUTH"/*/*.create.sql; do
    db=$(basename "$(dirname "$file")")
    table=$(basename "$file" .create.sql)
    local shown
    shown=$(fx_sql --batch --raw --skip-column-names \
              -e "SHOW CREATE TABLE $(fx_sql_ident "$db").$(fx_sql_ident "$table")" 2>&1 |
            sed '1s/^[^\t]*\t//' | normalise_definition) || true
    if [[ $shown != "$(normalise_definition < "$file")" ]]; then
      fail "$LABEL: the definition of $db.$table differs"
      diff <(normalise_definition < "$file") <(echo "$shown") | head -n 6 >&2 || true
    fi
  done
  local datadir live deleted
  for truth_root in "$TRUTH" "$HOSTILE_TRUTH"; do
    datadir=$SAMPLE
    [[ $truth_root == "$HOSTILE_TRUTH" ]] && datadir=$HOSTILE_DATADIR
    for file in "$truth_root"/*/*.rows.tsv; do
      db=$(basename "$(dirname "$file")")
      table=$(basename "$file" .rows.tsv)
      read -r live deleted < <(reader_counts "$datadir" "$truth_root/$db/$table.meta.tsv")
      compare_table "$db" "$table" "$file" live "$live"
      if [[ -f $truth_root/$db/$table.deleted.tsv ]]; then
        compare_table "$db" "$table" "$truth_root/$db/$table.deleted.tsv" deleted "$deleted"
      fi
    done
  done
  # Views: present, as the server shows them, and working.
  for file in "$TRUTH"/*/*.view.sql; do
    db=$(basename "$(dirname "$file")")
    table=$(basename "$file" .view.sql)
    local shown
    shown=$(fx_sql --batch --raw --skip-column-names \
              -e "SHOW CREATE VIEW $(fx_sql_ident "$db").$(fx_sql_ident "$table")" 2>&1 | cut -f 2)
    [[ "$shown;" == "$(cat "$file")" ]] || fail "$LABEL: view $db.$table: $shown"
    fx_query "SELECT COUNT(*) FROM $(fx_sql_ident "$db").$(fx_sql_ident "$table")" >/dev/null 2>&1 ||
      fail "$LABEL: view $db.$table does not work"
  done
  # Triggers: the same names, events, timings and bodies, and they fire.
  for file in "$TRUTH"/*/*.triggers.tsv; do
    db=$(basename "$(dirname "$file")")
    local want got
    want=$(tail -n +2 "$file" | cut -f 1-4 | LC_ALL=C sort | without_comments)
    got=$(fx_sql --batch --skip-column-names -e "SELECT TRIGGER_NAME, EVENT_MANIPULATION,
            ACTION_TIMING, ACTION_STATEMENT FROM information_schema.TRIGGERS
            WHERE TRIGGER_SCHEMA = $(fx_sql_str "$db")" | LC_ALL=C sort | without_comments)
    [[ $got == "$want" ]] || fail "$LABEL: triggers of $db differ: $got"
  done
  local fired
  fired=$(fx_query "START TRANSACTION;
    INSERT INTO shop.orders (id, customer_id, status, ordered_at, total, currency)
      VALUES (4000000, 1, 'new', '2024-01-01 00:00:00', 1.00, 'eur');
    UPDATE shop.orders SET status = 'paid' WHERE id = 4000000;
    SELECT CONCAT(o.currency, ' ', COUNT(h.order_id)) FROM shop.orders o
      LEFT JOIN shop.order_history h ON h.order_id = o.id WHERE o.id = 4000000 GROUP BY o.currency;
    ROLLBACK;" 2>&1) || true
  [[ $fired == "EUR 1" ]] || fail "$LABEL: the triggers did not fire: $fired"
}

drop_restored() {
  local db
  while IFS= read -r -d '' db; do
    fx_sql -e "DROP DATABASE $(fx_sql_ident "$db")"
  done < <(fx_sql --batch --raw --skip-column-names -e "SELECT CONCAT(SCHEMA_NAME, CHAR(0))
             FROM information_schema.SCHEMATA WHERE SCHEMA_NAME NOT IN ($SYSTEM_SCHEMAS)" | tr -d '\n')
}

run_saves() { # MODE: script or database
  local mode=$1 started ended rows
  started=$(date +%s%N)
  for datadir in "$SAMPLE" "$HOSTILE_DATADIR"; do
    local log=$FX_TMP/save-$mode-$(basename "$datadir").log
    if [[ $mode == script ]]; then
      local scripts=$FX_TMP/scripts-$(basename "$datadir")
      "$CLI" save "$datadir" --script "$scripts" > "$log" 2>&1 || fail "$LABEL: save of $datadir: $(tail -n 3 "$log")"
      grep -rqF -- "$PASSWORD" "$scripts" && fail "$LABEL: the password is in a script"
      # --comments keeps the comments inside trigger bodies (restore.sql says so).
      (cd "$scripts" && fx_sql --comments < restore.sql) > "$log.load" 2>&1 ||
        fail "$LABEL: loading the scripts of $datadir: $(tail -n 3 "$log.load")"
    else
      ROWMENDER_PASSWORD=$PASSWORD "$CLI" save "$datadir" --server 127.0.0.1 --port "$PORT" \
        --user "$ACCOUNT" > "$log" 2>&1 || fail "$LABEL: save of $datadir: $(tail -n 3 "$log")"
    fi
    grep -qF -- "$PASSWORD" "$log" && fail "$LABEL: the password is in the output"
  done
  ended=$(date +%s%N)
  rows=$(awk '/^Saved /{ gsub(/[(]/, ""); n += $4 } END { print n + 0 }' "$FX_TMP"/save-"$mode"-*.log)
  awk -v label="$LABEL" -v rows="$rows" -v ns=$((ended - started)) \
    'BEGIN { s = ns / 1e9; printf "%s: %d rows saved in %.2f s (%.0f rows/s)\n", label, rows, s, rows / s }'
}

LABEL=script
run_saves script
compare_all
drop_restored

LABEL=database
run_saves database
compare_all

fx_server_stop
if ((FAILURES > 0)); then
  echo "$FAILURES round-trip checks failed" >&2
  exit 1
fi
echo "round trip: all checks passed"
