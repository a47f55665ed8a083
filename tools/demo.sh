#!/usr/bin/env bash
# Installs what is missing, builds, and runs Rowmender's main job on the
# bundled sample data folder: the catalogue of what the folder holds, then
# for every table its structure and its first page of recovered rows.
# Usage: tools/demo.sh [DATADIR]   (default: the bundled sample)
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$root/tools/setup.sh" >/dev/null
cli="$root/build/rowmender-cli"
datadir="${1:-$root/build/sample-datadir}"
commands="$("$cli" 2>&1 | sed -n 's/^commands://p' || true)"
has() { [[ " $commands " == *" $1 "* ]]; }

if has catalogue; then
  echo "== Catalogue of $datadir"
  "$cli" catalogue "$datadir"
fi
for dbdir in "$datadir"/*/; do
  db="$(basename "$dbdir")"
  for frm in "$dbdir"*.frm; do
    [[ -f "$frm" ]] || continue
    # View definitions are text files; only binary definitions are tables.
    [[ "$(head -c 2 "$frm" | od -An -tx1 | tr -d ' ')" == "fe01" ]] || continue
    table="$(basename "$frm" .frm)"
    echo
    echo "== $db.$table: structure"
    "$cli" structure "$datadir" "$db" "$table" || true
    if has rows; then
      echo "-- $db.$table: first rows"
      "$cli" rows "$datadir" "$db" "$table" --deleted-flag 2>&1 | head -n 6 || true
    fi
  done
done
