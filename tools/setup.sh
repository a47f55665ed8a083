#!/usr/bin/env bash
# Installs the Debian packages the build needs (when missing) and builds
# Rowmender into build/. Usage: tools/setup.sh [extra cmake options...]
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

install_missing() {
  local missing=()
  local package
  while read -r package; do
    [[ -z "$package" || "$package" == \#* ]] && continue
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
      missing+=("$package")
    fi
  done < "$root/tools/packages.txt"
  if ((${#missing[@]})); then
    echo "Installing: ${missing[*]}"
    local sudo=""
    [[ $(id -u) -ne 0 ]] && sudo="sudo"
    $sudo apt-get update -q
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
  fi
}

install_missing
# Further machine set-up steps (for example registering an ODBC driver).
for step in "$root"/tools/setup.d/*.sh; do
  [[ -f "$step" ]] && bash "$step"
done
cmake -S "$root" -B "$root/build" -G Ninja -DROWMENDER_WERROR="${ROWMENDER_WERROR:-ON}" "$@" >/dev/null
cmake --build "$root/build" -j"$(nproc)"
