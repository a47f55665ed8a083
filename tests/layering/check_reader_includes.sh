#!/usr/bin/env bash
# The readers are one library over files: no source of theirs includes the
# application, the front ends, the export, the catalogue, the preview or the
# controls, and none pulls in Qt. Prints every offending include.
set -euo pipefail
src="${1:?usage: check_reader_includes.sh SRC_DIR}"
status=0
for folder in base definitions values myisam aria innodb tables; do
  [[ -d "$src/$folder" ]] || continue
  while IFS= read -r hit; do
    echo "reader include outside the readers: $hit" >&2
    status=1
  done < <(grep -rnE '#include[[:space:]]*[<"](app|export|catalogue|preview|controls|cli)/|#include[[:space:]]*<Q' \
    "$src/$folder" || true)
done
exit $status
