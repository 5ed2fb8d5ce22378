#!/usr/bin/env bash
# Lints the built extension with web-ext (npm, the version pinned by
# tests/extension/package-lock.json, installed into BUILD/web-ext once per
# lockfile, with the puppeteer-core the Firefox test runs on). Fails on any
# error web-ext reports; its warnings are shown.
# Usage: scripts/lint-extension.sh EXTENSION_DIR BUILD_DIR
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir=${1:?usage: scripts/lint-extension.sh EXTENSION_DIR BUILD_DIR}
tools=${2:?usage: scripts/lint-extension.sh EXTENSION_DIR BUILD_DIR}/web-ext
fail() {
  echo "lint-extension.sh: $*" >&2
  exit 1
}
command -v npm >/dev/null || fail "npm not found: it comes with node.js (emscripten depends on it; scripts/install-deps.sh package)"
lock=$root/tests/extension/package-lock.json
if ! cmp -s "$lock" "$tools/package-lock.json" || [ ! -x "$tools/node_modules/.bin/web-ext" ]; then
  rm -rf "$tools"
  mkdir -p "$tools"
  cp "$root/tests/extension/package.json" "$lock" "$tools/" || fail "the npm files could not be copied to $tools"
  (cd "$tools" && npm ci --ignore-scripts --no-audit --no-fund >npm.log 2>&1) ||
    { tail -n 20 "$tools/npm.log" >&2; fail "npm ci failed in $tools (all of it in $tools/npm.log)"; }
fi
"$tools/node_modules/.bin/web-ext" lint --source-dir "$dir" --no-input --no-config-discovery ||
  fail "web-ext lint reports errors in $dir"
