#!/usr/bin/env bash
# Builds the web page, sorrel-VERSION-web.html, in DIR (MinSizeRel, Debian's
# emscripten) and prints its path.
# Usage: scripts/build-web.sh DIR
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir=${1:?usage: scripts/build-web.sh DIR}
fail() {
  echo "build-web.sh: $*" >&2
  exit 1
}
command -v emcmake >/dev/null || fail "emcmake not found: install Debian's emscripten (scripts/install-deps.sh package)"
# Debian's emscripten runs its JavaScript parts with Debian's node modules (acorn).
export NODE_PATH=/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}
mkdir -p "$dir"
log=$dir/build-web.log
if ! { emcmake cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=MinSizeRel -DSORREL_TESTS=OFF &&
  cmake --build "$dir"; } >"$log" 2>&1; then
  tail -n 30 "$log" >&2
  fail "the WebAssembly build failed (all of it in $log)"
fi
version=$(sed -n 's/^project(sorrel VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
page=$dir/sorrel-$version-web.html
[ -f "$page" ] || fail "the build wrote no $page"
echo "$page"
