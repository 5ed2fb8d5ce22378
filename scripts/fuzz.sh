#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, ASan, UBSan) and runs one of them, or all,
# for the given time from a copy of its seed corpus in fuzz/corpus/<target>.
# Usage: scripts/fuzz.sh settings|derive|cli_args|cli_input|key_backup|site_rules|all SECONDS
# Build directory: $SORREL_FUZZ_BUILD_DIR, default build/fuzz. Findings (crash-*,
# leak-*, timeout-*) are kept in <build>/findings/<target>/.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
targets=(settings derive cli_args cli_input key_backup key_open site_rules)
what=${1:-}
seconds=${2:-}
if [ -z "$what" ] || ! [[ "$seconds" =~ ^[0-9]+$ ]]; then
  echo "usage: $0 ${targets[*]// /|}|all SECONDS" >&2
  exit 2
fi
if [ "$what" != all ]; then
  case " ${targets[*]} " in *" $what "*) targets=("$what") ;; *) echo "unknown target: $what" >&2; exit 2 ;; esac
fi

build=${SORREL_FUZZ_BUILD_DIR:-$root/build/fuzz}
CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DSORREL_FUZZ=ON -DSORREL_TESTS=OFF >/dev/null
cmake --build "$build" -j "$(nproc)" --target "${targets[@]/#/fuzz_}"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0
summary=()
for t in "${targets[@]}"; do
  echo "=== fuzz_$t for ${seconds}s"
  mkdir -p "$work/$t" "$build/findings/$t"
  cp -r "$root/fuzz/corpus/$t/." "$work/$t/"
  # The cli_input target needs room for a line past the reader's 4 KiB limit.
  max_len=4096
  [ "$t" = cli_input ] && max_len=9000
  log="$build/findings/$t/last-run.log"
  if "$build/fuzz/fuzz_$t" -max_total_time="$seconds" -max_len="$max_len" -timeout=10 -print_final_stats=1 \
      -artifact_prefix="$build/findings/$t/" "$work/$t" >"$log" 2>&1; then
    result=ok
  else
    result=FAILED
    failed=$((failed + 1))
    tail -40 "$log"
  fi
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  cov=$(grep -o 'cov: [0-9]* ft: [0-9]*' "$log" | tail -1)
  summary+=("fuzz_$t: $result, ${execs:-?} executions, ${cov:-no coverage line}, corpus $(ls "$work/$t" | wc -l) inputs")
done
printf '%s\n' "${summary[@]}"
[ "$failed" -eq 0 ]
