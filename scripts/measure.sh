#!/usr/bin/env bash
# Measures, under Wine (headless), the time from process start to the key
# password dialog and from the generate click to the result box. A report,
# not a test: it prints the figures of five runs. It measures the 32-bit build
# where this machine runs 32-bit Windows programs, otherwise the 64-bit build.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh" test
. "$root/scripts/wine-env.sh"
sorrel_wine_select
arch=$SORREL_WIN_ARCH
sorrel_wine_say "measure.sh: measuring"

build=${SORREL_BUILD_DIR:-$root/build}
cmake -S "$root" -B "$build/win-$arch" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-$arch.cmake" -DSORREL_WINE="$SORREL_WINE" >/dev/null || {
  echo "measure.sh: configuring the $arch build failed" >&2
  exit 1
}
cmake --build "$build/win-$arch" --target e2e_tests >/dev/null || {
  echo "measure.sh: building e2e_tests failed" >&2
  exit 1
}
sorrel_wine_prefix "$build/wineprefix" || exit 1
cd "$build/win-$arch/tests"
SORREL_MEASURE=1 "$SORREL_WINE" "$build/win-$arch/表/e2e_tests.exe" --gtest_filter='*Timings' | grep '^timing:'
wineserver -k 2>/dev/null || true
