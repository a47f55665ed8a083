#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the unit and output
# tests, the same tests under AddressSanitizer and UndefinedBehaviorSanitizer,
# and each fuzz target for a short while.
#   FUZZ_SECONDS  seconds per fuzz target (default 20; 0 skips fuzzing)
#   SKIP_SANITIZE=1  skips the sanitizer build
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
jobs="$(nproc)"
export TZ=UTC

echo "== Build"
"$root/tools/setup.sh"

echo "== Tests"
(cd "$root/build" && ctest --output-on-failure -j"$jobs")

if [[ "${SKIP_SANITIZE:-0}" != 1 ]]; then
  echo "== Tests under AddressSanitizer and UndefinedBehaviorSanitizer"
  cmake -S "$root" -B "$root/build-asan" -G Ninja -DCMAKE_CXX_COMPILER=clang++ \
    -DCMAKE_BUILD_TYPE=Debug -DROWMENDER_SANITIZE=ON -DROWMENDER_BENCHMARKS=OFF -DROWMENDER_GUI=OFF \
    -DROWMENDER_WERROR=ON >/dev/null
  cmake --build "$root/build-asan" -j"$jobs"
  # The tests that start a database server run once, in the plain build.
  (cd "$root/build-asan" && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --output-on-failure -j"$jobs" -LE server)
fi

fuzz_seconds="${FUZZ_SECONDS:-20}"
if [[ "$fuzz_seconds" != 0 ]]; then
  echo "== Fuzzing (${fuzz_seconds}s per target)"
  cmake -S "$root" -B "$root/build-fuzz" -G Ninja -DCMAKE_CXX_COMPILER=clang++ \
    -DROWMENDER_FUZZ=ON -DROWMENDER_TESTS=OFF -DROWMENDER_BENCHMARKS=OFF -DROWMENDER_GUI=OFF >/dev/null
  cmake --build "$root/build-fuzz" -j"$jobs"
  for target in "$root"/build-fuzz/fuzz/fuzz_*; do
    [[ -x "$target" && -f "$target" ]] || continue
    name="$(basename "$target")"
    corpus="$root/build-fuzz/corpus/$name"
    mkdir -p "$corpus"
    # Seed the corpus with real files: fuzz/NAME.seeds lists path patterns
    # relative to the repository (files over 1 MiB are left out).
    if [[ -f "$root/fuzz/$name.seeds" ]]; then
      while read -r pattern; do
        [[ -z "$pattern" || "$pattern" == \#* ]] && continue
        for seed in "$root"/$pattern; do
          [[ -f "$seed" && $(stat -c %s "$seed") -le 1048576 ]] && cp "$seed" "$corpus/"
        done
      done < "$root/fuzz/$name.seeds"
    fi
    # fuzz/NAME.options holds further libFuzzer flags for a target, such as
    # a smaller -max_len where whole real seeds make each input slow.
    options=()
    if [[ -f "$root/fuzz/$name.options" ]]; then
      # (read reports the end of its input as a failure: that is no error here)
      read -r -a options < <(grep -v '^#' "$root/fuzz/$name.options" | tr '\n' ' ') || true
    fi
    echo "-- $name ${options[*]}"
    log="$root/build-fuzz/$name.log"
    if ! "$target" -max_total_time="$fuzz_seconds" -timeout=10 -print_final_stats=1 \
      "${options[@]}" -artifact_prefix="$root/build-fuzz/$name-" "$corpus" >"$log" 2>&1; then
      tail -n 40 "$log" >&2
      echo "fuzz target $name found a failing input" >&2
      exit 1
    fi
    grep -E '^stat::number_of_executed_units' "$log" || true
  done
fi
echo "== All tests passed"
