#!/usr/bin/env bash
# Measures, under Wine (headless), the time from process start to the key
# password dialog and from the generate click to the result box. A report,
# not a test: it prints the figures of five runs.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh" test
build=${SORREL_BUILD_DIR:-$root/build}
cmake -S "$root" -B "$build/win-i686" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" >/dev/null
cmake --build "$build/win-i686" --target e2e_tests >/dev/null
. "$root/scripts/wine-env.sh"
sorrel_wine_prefix "$build/wineprefix"
cd "$build/win-i686/tests"
SORREL_MEASURE=1 wine "$build/win-i686/表/e2e_tests.exe" --gtest_filter='*Timings' | grep '^timing:'
wineserver -k 2>/dev/null || true
