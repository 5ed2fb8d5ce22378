#!/usr/bin/env bash
# Builds the browser extension's folder in DIR/extension (the page's
# WebAssembly module, built by scripts/build-web.sh DIR, with extension/, the
# page's shared scripts web/core.js and web/worker.js, and the domain code of
# scripts/build-domain-data.sh) and prints its path.
# Load it unpacked, or zip it (scripts/package.sh).
# Usage: scripts/build-extension.sh DIR
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir=${1:?usage: scripts/build-extension.sh DIR}
fail() {
  echo "build-extension.sh: $*" >&2
  exit 1
}
"$root/scripts/build-web.sh" "$dir" >/dev/null || fail "the WebAssembly module was not built"
"$root/scripts/build-domain-data.sh" "$dir/domain-data" || fail "the domain code was not built"
wasm=$dir/web/sorrel_web.wasm
[ -f "$wasm" ] || fail "the build wrote no $wasm"
version=$(sed -n 's/^project(sorrel VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
out=$dir/extension
rm -rf "$out"
mkdir -p "$out" || fail "$out could not be made"
# Only what runs: the domain code's npm pins stay out.
cp -r "$root/extension/." "$out/" && rm -rf "$out/domain-data" &&
  cp "$root/web/core.js" "$root/web/worker.js" "$wasm" "$dir/domain-data/"*.js "$out/" ||
  fail "the extension's files could not be copied to $out"
python3 "$root/scripts/extension_icon.py" "$out/icon.png" || fail "$out/icon.png: the icon was not drawn"
sed -i "s/@VERSION@/$version/" "$out/manifest.json" || fail "$out/manifest.json: no version written"
echo "$out"
