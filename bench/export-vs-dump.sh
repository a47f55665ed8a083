#!/usr/bin/env bash
# The export against mariadb-dump: each benchmark table written as a
# restorable SQL script by `mariadb-dump` from a live server and by
# `rowmender-cli export --format sql` from the data files, in the same run,
# alternating, several times; the TSV export is timed beside them.
#
# Usage: bench/export-vs-dump.sh [--rows N] [--runs K] [--data DIR] [--cli PATH]
#                                [--tables "T1 T2 ..."] [--load-check]   (as root)
#
#   --rows N      rows per table (default 2000000)
#   --runs K      timed runs of each command per table (default 3), after one
#                 untimed warm-up run of each
#   --data DIR    the benchmark data folder: used as it is when it holds one
#                 (made by tools/fixtures/make-bench-data.sh --whole), made
#                 there otherwise; without --data it is made in a temporary
#                 folder and removed at the end
#   --cli PATH    the rowmender-cli to run (default build/rowmender-cli; a
#                 Release build is what the numbers are about)
#   --tables "…"  tables of the database `bench` (default: innodb_dynamic
#                 myisam_dynamic myisam_fixed)
#   --load-check  also load both SQL outputs into the server and compare a
#                 checksum of every row with the original table (slow; meant
#                 for a smaller --rows)
#
# The server runs on a copy of the data folder (socket only, no network);
# rowmender-cli reads the data folder itself, which no server runs on and
# which it only reads. Outputs go to a temporary folder and are removed after
# each run. Both sides read from a warm page cache.
#
# Printed per table: the data file's size; per command the median wall time
# and the shortest, megabytes (10^6 bytes) of data file per second at that
# median, the median CPU time (user + system; for mariadb-dump also the
# server's CPU time during the run), the largest peak RSS over the runs (for
# mariadb-dump also the server's peak during the run), the size of the output
# and the rows it holds; then the ratio of the dump's median wall time to
# each export's.
set -euo pipefail
export LC_ALL=C.UTF-8

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

rows=2000000
runs=3
data=""
cli="$root/build/rowmender-cli"
tables="innodb_dynamic myisam_dynamic myisam_fixed"
load_check=0

usage() {
  sed -n 's/^# \{0,1\}//; 7,8p' "${BASH_SOURCE[0]}" >&2
  exit 2
}
while [[ $# -gt 0 ]]; do
  case $1 in
    --rows) rows=${2:-}; shift 2 || usage ;;
    --runs) runs=${2:-}; shift 2 || usage ;;
    --data) data=${2:-}; shift 2 || usage ;;
    --cli) cli=${2:-}; shift 2 || usage ;;
    --tables) tables=${2:-}; shift 2 || usage ;;
    --load-check) load_check=1; shift ;;
    -h | --help) usage ;;
    *) echo "unknown argument: $1" >&2; usage ;;
  esac
done
[[ $rows =~ ^[1-9][0-9]*$ ]] || { echo "--rows needs a positive integer" >&2; exit 2; }
[[ $runs =~ ^[1-9][0-9]*$ ]] || { echo "--runs needs a positive integer" >&2; exit 2; }
[[ -n $tables ]] || { echo "--tables needs at least one table" >&2; exit 2; }
[[ -x $cli ]] || {
  echo "no rowmender-cli at $cli: build one (cmake -S . -B build-bench -G Ninja" \
    "-DCMAKE_BUILD_TYPE=Release -DROWMENDER_GUI=OFF -DROWMENDER_TESTS=OFF" \
    "-DROWMENDER_BENCHMARKS=OFF && cmake --build build-bench --target rowmender-cli)" \
    "and pass it with --cli" >&2
  exit 2
}
cli=$(cd "$(dirname "$cli")" && pwd)/$(basename "$cli")

# shellcheck source=SCRIPTDIR/../tools/fixtures/lib.sh
source "$root/tools/fixtures/lib.sh"

fx_ensure_packages
if [[ ! -x /usr/bin/time ]]; then
  [[ $(id -u) -eq 0 ]] ||
    fx_die "/usr/bin/time is missing (Debian package time) and we are not root"
  fx_log "installing time"
  DEBIAN_FRONTEND=noninteractive apt-get install -y -q time >&2 ||
    fx_die "apt-get install time failed"
fi
DUMP=$(fx_find_bin mariadb-dump mysqldump) || fx_die "mariadb-dump not found"

build_type=""
if [[ -f $(dirname "$cli")/CMakeCache.txt ]]; then
  build_type=$(sed -n 's/^CMAKE_BUILD_TYPE:[A-Z]*=//p' "$(dirname "$cli")/CMakeCache.txt")
  [[ $build_type == Release ]] ||
    fx_log "warning: $cli is a ${build_type:-default} build, not Release"
fi

# The data folder: reused when it holds a whole bench data folder, made
# otherwise.
own_data=""
if [[ -z $data ]]; then
  own_data=$(mktemp -d "${TMPDIR:-/tmp}/rowmender-benchdata.XXXXXX")
  # shellcheck disable=SC2064  # the folder is known now
  trap "rm -rf '$own_data'" EXIT
  data=$own_data
fi
if [[ -d $data/bench && -d $data/mysql && -f $data/ibdata1 ]]; then
  fx_log "using the data folder $data"
elif [[ -d $data/bench ]]; then
  fx_die "$data holds the bench tables but no whole data folder (no mysql/): remake it with" \
    "tools/fixtures/make-bench-data.sh --whole $data $rows"
else
  fx_log "making the data folder $data with $rows rows per table"
  bash "$root/tools/fixtures/make-bench-data.sh" --whole "$data" "$rows"
fi
data=$(cd "$data" && pwd)

# The server on a copy of the data folder: the folder install-db made is
# replaced by the copy.
fx_server_init
work=$FX_TMP/bench
mkdir -p "$work"
# fx_server_init's EXIT trap removes FX_TMP; a data folder made here goes
# with it.
# shellcheck disable=SC2317  # run by the EXIT trap
bench_cleanup() {
  local status=$?
  rm -rf "$own_data"
  fx_cleanup || true
  exit "$status"
}
if [[ -n $own_data ]]; then trap bench_cleanup EXIT; fi
rm -rf "$FX_DATADIR"
fx_log "copying the data folder for the server"
cp -a "$data" "$FX_DATADIR"
# shellcheck disable=SC2119
fx_server_start
server_pid=$FX_SERVER_PID
ticks=$(getconf CLK_TCK)

for table in $tables; do
  n=$(fx_query "SELECT COUNT(*) FROM bench.\`$table\`") ||
    fx_die "no table bench.$table on the server"
  [[ $n -eq $rows ]] ||
    fx_die "bench.$table holds $n rows, not $rows: pass --rows $n, or another --data folder"
done

# The server's CPU time in seconds so far.
server_cpu() {
  local stat
  read -r stat < "/proc/$server_pid/stat"
  stat=${stat##*) }
  # Fields 14 and 15 (utime, stime) are the 12th and 13th after the name.
  awk -v t="$ticks" '{ printf "%.2f", ($12 + $13) / t }' <<< "$stat"
}
# Start a new peak RSS for the server; false where the kernel does not allow it.
server_peak_reset() { echo 5 2> /dev/null > "/proc/$server_pid/clear_refs"; }
server_peak_kb() { awk '/^VmHWM:/ { print $2 }' "/proc/$server_pid/status"; }

# run_timed LOG COMMAND...: runs the command (its standard error into
# $work/stderr) and appends "wall_seconds cpu_seconds peak_rss_kb" to LOG.
run_timed() {
  local log=$1
  shift
  local start end user sys rss
  start=$(date +%s.%N)
  /usr/bin/time -f '%U %S %M' -o "$work/time.out" "$@" 2> "$work/stderr" || {
    cat "$work/stderr" >&2
    fx_die "failed: $*"
  }
  end=$(date +%s.%N)
  read -r user sys rss < <(tail -n 1 "$work/time.out")
  awk -v s="$start" -v e="$end" -v u="$user" -v y="$sys" -v r="$rss" \
    'BEGIN { printf "%.3f %.2f %d\n", e - s, u + y, r }' >> "$log"
}

# median FILE COLUMN
median() {
  sort -g -k "$2,$2" "$1" | awk -v c="$2" '{ v[NR] = $c }
    END { if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}
largest() { sort -g -k "$2,$2" "$1" | tail -n 1 | awk -v c="$2" '{ print $c }'; }
smallest() { sort -g -k "$2,$2" "$1" | head -n 1 | awk -v c="$2" '{ print $c }'; }

# Rows written by the INSERT statements of a SQL file into TABLE (one
# statement on one line, or over several lines, one row a line, as
# mariadb-dump writes them): string literals are taken out first, so that
# what is left of each VALUES list has one opening parenthesis per row.
sql_rows() { # FILE TABLE
  LC_ALL=C awk -v start="INSERT INTO \`$2\` " '
      !inside && index($0, start) == 1 {
        inside = 1
        sub(/^INSERT INTO `[^`]*` (\([^)]*\) )?VALUES ?/, "")
      }
      inside { print; if ($0 ~ /;$/) inside = 0 }' "$1" |
    LC_ALL=C sed -E "s/'([^'\\\\]|\\\\.|'')*'//g" | tr -cd '(' | wc -c
}
tsv_rows() { wc -l < "$1"; }

# A dump a user would make to restore the table: the whole --opt set
# (the default), with one consistent snapshot of an InnoDB table and the
# table locked for a MyISAM one.
dump_table() { # LOG TABLE ENGINE OUTFILE
  local consistency=--lock-tables
  [[ $3 == InnoDB ]] && consistency=--single-transaction
  run_timed "$1" "$DUMP" --no-defaults --socket="$FX_SOCK" --user=root \
    --default-character-set=utf8mb4 "$consistency" --result-file="$4" bench "$2"
}
# Exit status 0 (every table whole) or the benchmark stops.
export_table() { # LOG TABLE FORMAT JOBS OUTDIR
  rm -rf "$5"
  run_timed "$1" "$cli" export "$data" "bench.$2" --to "$5" --format "$3" --jobs "$4"
}

# The checksum of every row of DB.TABLE, with NULLs told apart from texts.
row_checksum() {
  local columns
  columns=$(fx_query "SELECT GROUP_CONCAT(CONCAT('\`', COLUMN_NAME, '\`, ISNULL(\`', COLUMN_NAME,
                             '\`)') ORDER BY ORDINAL_POSITION)
                        FROM information_schema.COLUMNS
                       WHERE TABLE_SCHEMA = 'bench' AND TABLE_NAME = '$2'")
  fx_query "SELECT CONCAT(COUNT(*), ' ', BIT_XOR(CRC32(CONCAT_WS(0x1f, $columns))))
              FROM \`$1\`.\`$2\`"
}

mb() { awk -v b="$1" 'BEGIN { printf "%.1f", b / 1e6 }'; }
ratio() { awk -v d="$1" -v e="$2" 'BEGIN { printf "%.2fx", d / e }'; }

printf '\nrowmender-cli export against %s, %d rows per table, median of %d runs\n' \
  "$("$DUMP" --version | sed 's/^.*Distrib \([^,]*\),.*$/\1/')" "$rows" "$runs"
printf 'rowmender-cli: %s%s\n' "$cli" "${build_type:+ ($build_type)}"
printf 'data folder: %s; %s cores; MB = 10^6 bytes; load average %s\n' "$data" "$(nproc)" \
  "$(cut -d ' ' -f 1-3 /proc/loadavg)"

fail=0
for table in $tables; do
  engine=$(fx_query "SELECT ENGINE FROM information_schema.TABLES
                      WHERE TABLE_SCHEMA = 'bench' AND TABLE_NAME = '$table'")
  if [[ $engine == InnoDB ]]; then
    data_file=$data/bench/$table.ibd
  else
    data_file=$data/bench/$table.MYD
  fi
  data_bytes=$(stat -c %s "$data_file")
  fx_log "bench.$table ($engine, $(mb "$data_bytes") MB): one warm-up run, then $runs timed runs"

  names=(dump sql1 sql2 tsv1)
  labels=("mariadb-dump" "export --format sql --jobs 1" "export --format sql --jobs 2"
    "export --format tsv --jobs 1")
  for name in "${names[@]}"; do : > "$work/$table.$name"; done
  : > "$work/$table.server"

  for ((run = 0; run <= runs; run++)); do
    suffix=""
    [[ $run -gt 0 ]] || suffix=.warmup
    # mariadb-dump; the server's CPU time and peak RSS during the run too.
    rm -f "$work/dump.sql"
    server_peak_reset && reset=1 || reset=0
    before=$(server_cpu)
    dump_table "$work/$table.dump$suffix" "$table" "$engine" "$work/dump.sql"
    after=$(server_cpu)
    peak=-
    [[ $reset -eq 0 ]] || peak=$(server_peak_kb)
    [[ $run -eq 0 ]] ||
      awk -v a="$before" -v b="$after" -v p="$peak" \
        'BEGIN { printf "%.2f %s\n", b - a, p }' >> "$work/$table.server"
    dump_bytes=$(stat -c %s "$work/dump.sql")
    [[ $run -lt $runs ]] || dump_rows=$(sql_rows "$work/dump.sql" "$table")

    export_table "$work/$table.sql1$suffix" "$table" sql 1 "$work/out"
    sql1_bytes=$(stat -c %s "$work/out/bench/$table.sql")
    if [[ $run -eq $runs ]]; then
      sql_rows_=$(sql_rows "$work/out/bench/$table.sql" "$table")
      mv "$work/out/bench/$table.sql" "$work/export.sql"
    fi
    export_table "$work/$table.sql2$suffix" "$table" sql 2 "$work/out"
    sql2_bytes=$(stat -c %s "$work/out/bench/$table.sql")
    # Any number of workers writes the same file.
    if [[ $run -eq $runs ]]; then
      sql2_rows=$sql_rows_
      cmp -s "$work/export.sql" "$work/out/bench/$table.sql" || sql2_rows="differs"
    fi
    export_table "$work/$table.tsv1$suffix" "$table" tsv 1 "$work/out"
    tsv1_bytes=$(stat -c %s "$work/out/bench/$table.tsv")
    [[ $run -lt $runs ]] || tsv_rows_=$(tsv_rows "$work/out/bench/$table.tsv")
    rm -rf "$work/out"
  done

  printf '\nbench.%s (%s), data file %s MB (%s)\n' "$table" "$engine" "$(mb "$data_bytes")" \
    "${data_file##*/}"
  printf '  %-30s %9s %7s %8s %14s %14s %10s %9s\n' command "median s" "best s" "MB/s" \
    "CPU s" "peak RSS MB" "output MB" rows
  bytes=("$dump_bytes" "$sql1_bytes" "$sql2_bytes" "$tsv1_bytes")
  counted=("$dump_rows" "$sql_rows_" "$sql2_rows" "$tsv_rows_")
  for i in "${!names[@]}"; do
    f=$work/$table.${names[$i]}
    wall=$(median "$f" 1)
    cpu=$(printf '%.2f' "$(median "$f" 2)")
    rss=$(largest "$f" 3)
    cpu_text=$cpu
    rss_text=$(awk -v k="$rss" 'BEGIN { printf "%.1f", k / 1024 }')
    if [[ ${names[$i]} == dump ]]; then
      cpu_text="$cpu+$(printf '%.2f' "$(median "$work/$table.server" 1)")"
      server_rss=$(largest "$work/$table.server" 2)
      [[ $server_rss == - ]] ||
        rss_text="$rss_text+$(awk -v k="$server_rss" 'BEGIN { printf "%.0f", k / 1024 }')"
    fi
    printf '  %-30s %9.3f %7.3f %8.1f %14s %14s %10s %9s\n' "${labels[$i]}" "$wall" \
      "$(smallest "$f" 1)" \
      "$(awk -v b="$data_bytes" -v s="$wall" 'BEGIN { printf "%.1f", b / 1e6 / s }')" \
      "$cpu_text" "$rss_text" "$(mb "${bytes[$i]}")" "${counted[$i]}"
    [[ ${counted[$i]} == "$rows" ]] || {
      printf '  ^ %s rows in the output, %s in the table\n' "${counted[$i]}" "$rows"
      fail=1
    }
  done
  dump_wall=$(median "$work/$table.dump" 1)
  printf '  dump/export: %s (sql, --jobs 1), %s (sql, --jobs 2), %s (tsv, --jobs 1)\n' \
    "$(ratio "$dump_wall" "$(median "$work/$table.sql1" 1)")" \
    "$(ratio "$dump_wall" "$(median "$work/$table.sql2" 1)")" \
    "$(ratio "$dump_wall" "$(median "$work/$table.tsv1" 1)")"

  if [[ $load_check -eq 1 ]]; then
    fx_log "bench.$table: loading both SQL files into the server"
    fx_sql -e "DROP DATABASE IF EXISTS bench_from_dump; CREATE DATABASE bench_from_dump;
               DROP DATABASE IF EXISTS bench_from_export"
    fx_sql bench_from_dump < "$work/dump.sql"
    # The export names its database; it goes into another one here.
    # shellcheck disable=SC2016
    sed -e '/^CREATE DATABASE IF NOT EXISTS `bench` /s/`bench`/`bench_from_export`/' \
      -e 's/^USE `bench`;$/USE `bench_from_export`;/' "$work/export.sql" | fx_sql
    original=$(row_checksum bench "$table")
    from_dump=$(row_checksum bench_from_dump "$table")
    from_export=$(row_checksum bench_from_export "$table")
    printf '  rows and checksum: table %s, dump reloaded %s, export reloaded %s\n' \
      "$original" "$from_dump" "$from_export"
    [[ $original == "$from_dump" && $original == "$from_export" ]] || {
      printf '  ^ the reloaded tables differ from the original\n'
      fail=1
    }
    fx_sql -e "DROP DATABASE bench_from_dump; DROP DATABASE bench_from_export"
  fi
  rm -f "$work/dump.sql" "$work/export.sql"
done

printf '\nbest s: the shortest run; the other engineers'"'"' work on the machine slows some runs.\n'
printf 'CPU s: user + system of the command (mariadb-dump: + the server'"'"'s during the run).\n'
printf 'peak RSS MB: largest over the runs (mariadb-dump: + the server'"'"'s peak during\n'
printf '  the run).\n'
printf 'rows: INSERT rows (sql) or lines (tsv) of the last run'"'"'s output; the --jobs 2\n'
printf '  file must be byte for byte the --jobs 1 file ("differs" where it is not).\n'
printf 'load average at the end: %s\n' "$(cut -d ' ' -f 1-3 /proc/loadavg)"
fx_server_stop 1
exit "$fail"
