#!/usr/bin/env bash
# Builds everything and runs every test: natively under the sanitizers, then
# the Windows builds (32-bit and 64-bit) under Wine, headless, code page 932.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
"$root/scripts/install-deps.sh" test

build=${SORREL_BUILD_DIR:-$root/build}
mkdir -p "$build"
failed=0
stages=()

stage() {  # stage NAME COMMAND...
  local name=$1
  shift
  echo "=== $name"
  if "$@"; then stages+=("$name: ok"); else stages+=("$name: FAILED"); failed=$((failed + 1)); fi
}

configure() {  # configure DIR ARGS...
  local dir=$1
  shift
  cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null &&
    cmake --build "$dir" -j "$(nproc)"
}

native() {
  configure "$build/native" -DSORREL_SANITIZE=ON -DSORREL_BENCH=ON &&
    ctest --test-dir "$build/native" --output-on-failure
}

windows() {  # windows ARCH
  configure "$build/win-$1" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-$1.cmake" &&
    ctest --test-dir "$build/win-$1" --output-on-failure
}

stage "native (ASan, UBSan)" native
fuzz() { SORREL_FUZZ_BUILD_DIR="$build/fuzz" "$root/scripts/fuzz.sh" all 20; }
stage "fuzz targets, 20 s each from the seed corpus (clang, ASan, UBSan)" fuzz
. "$root/scripts/wine-env.sh"
sorrel_wine_prefix "$build/wineprefix"
stage "windows 32-bit under Wine" windows i686
stage "windows 64-bit under Wine" windows x86_64
# sorrel-cli native and under Wine: the same passwords from the same files.
stage "sorrel-cli native = windows 32-bit" tests/cli_same_password.sh "$build/native/bin/sorrel-cli" \
  "$build/win-i686/bin/sorrel-cli.exe"
wineserver -k 2>/dev/null || true

printf '%s\n' "${stages[@]}"
echo "stages: $(( ${#stages[@]} - failed )) passed, $failed failed"
[ "$failed" -eq 0 ]
