#!/usr/bin/env bash
# Puts the extension's domain code into DIR: domain.js, the Public Suffix List
# code (tldts.js) and the IDN decoder (punycode.js) from the npm packages that
# extension/domain-data/package-lock.json pins, and the confusables table
# (confusables.js) made from Debian's ICU. The extension ships DIR's four .js
# files side by side; nothing is fetched when it runs. The same packages give
# the same bytes.
# Usage: scripts/build-domain-data.sh DIR
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir=${1:?usage: scripts/build-domain-data.sh DIR}
fail() {
  echo "build-domain-data.sh: $*" >&2
  exit 1
}
command -v npm >/dev/null || fail "npm not found: install Debian's npm (scripts/install-deps.sh package)"
/usr/bin/python3 -c 'import icu' 2>/dev/null || fail "ICU for Python not found: install Debian's python3-icu (scripts/install-deps.sh package)"

# The packages go into a folder of their own beside DIR, never into the sources.
npm_dir=$dir.npm
mkdir -p "$dir" "$npm_dir"
dir=$(cd "$dir" && pwd)
npm_dir=$(cd "$npm_dir" && pwd)
data=$root/extension/domain-data
for f in package.json package-lock.json; do
  cmp -s "$data/$f" "$npm_dir/$f" || cp "$data/$f" "$npm_dir/$f"
done
stamp=$npm_dir/node_modules/.package-lock.json
if [ ! -f "$stamp" ] || [ "$npm_dir/package-lock.json" -nt "$stamp" ]; then
  log=$npm_dir/npm.log
  # npm's cache inside the folder too: the reproducibility check's second
  # build runs as a user with no home.
  (cd "$npm_dir" && npm ci --cache "$npm_dir/cache" --ignore-scripts --no-audit --no-fund >"$log" 2>&1) ||
    fail "npm ci failed in $npm_dir: $(grep -m1 -E 'ERR!|npm error' "$log" || tail -n 1 "$log")"
fi

# copy FROM TO NAME: a package's single-file module with its licence on top,
# without the pointer to a source map the extension does not ship.
copy() {
  local from=$npm_dir/node_modules/$3
  [ -f "$from/$1" ] || fail "$from/$1 not found: the pinned $3 no longer ships it"
  {
    printf '/* %s %s\n' "$3" "$(node -p 'require(process.argv[1]).version' "$from/package.json")"
    cat "$from"/LICENSE*
    printf '*/\n'
    grep -v '^//# sourceMappingURL=' "$from/$1"
  } >"$dir/$2.tmp"
  mv "$dir/$2.tmp" "$dir/$2"
}
copy dist/index.esm.min.js tldts.js tldts
copy punycode.es6.js punycode.js punycode.js

/usr/bin/python3 "$root/scripts/make_confusables.py" "$dir/confusables.js.tmp" ||
  fail "the confusables table could not be made"
mv "$dir/confusables.js.tmp" "$dir/confusables.js"
cp "$root/extension/domain.js" "$dir/domain.js"
