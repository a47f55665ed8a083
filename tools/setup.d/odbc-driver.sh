#!/usr/bin/env bash
# Registers the installed MariaDB ODBC driver with unixODBC under the driver
# name Rowmender's connection string asks for ("MySql ODBC 5.1 Driver"), so
# that string works as it stands. Safe to run any number of times: an entry
# that already points at the driver is left alone.
#
# The entry goes into the system odbcinst.ini (through sudo when not root),
# or into $ODBCSYSINI/odbcinst.ini when ODBCSYSINI names a folder (the
# server tests use their own).
set -euo pipefail

driver_name="MySql ODBC 5.1 Driver"

find_driver() {
  local candidate
  if command -v dpkg-query >/dev/null 2>&1; then
    candidate=$(dpkg-query -L odbc-mariadb 2>/dev/null | grep -E '/libmaodbc\.so$' | head -n 1 || true)
    if [[ -n $candidate && -f $candidate ]]; then echo "$candidate"; return 0; fi
  fi
  for candidate in /usr/lib/*/odbc/libmaodbc.so /usr/lib/odbc/libmaodbc.so \
                   /usr/lib64/libmaodbc.so /usr/local/lib/libmaodbc.so; do
    if [[ -f $candidate ]]; then echo "$candidate"; return 0; fi
  done
  return 1
}

if ! command -v odbcinst >/dev/null 2>&1; then
  echo "odbc-driver: odbcinst (unixodbc) is not installed; skipped" >&2
  exit 0
fi
if ! driver=$(find_driver); then
  echo "odbc-driver: the MariaDB ODBC driver (odbc-mariadb) is not installed; skipped" >&2
  exit 0
fi

# Already registered with this library: nothing to do.
current=$(odbcinst -q -d -n "$driver_name" 2>/dev/null | sed -n 's/^Driver=//p' | head -n 1 || true)
if [[ $current == "$driver" ]]; then
  exit 0
fi

template=$(mktemp)
trap 'rm -f "$template"' EXIT
cat > "$template" <<INI
[$driver_name]
Description=MariaDB Connector/ODBC, under the name Rowmender's connection string uses
Driver=$driver
Threading=0
INI

run=()
if [[ -z ${ODBCSYSINI:-} && $(id -u) -ne 0 ]]; then
  run=(sudo --preserve-env=ODBCSYSINI)
fi
# -r replaces an entry of the same name; the usage count stays at one.
"${run[@]}" odbcinst -i -d -r -f "$template" >/dev/null
echo "odbc-driver: registered \"$driver_name\" -> $driver"
