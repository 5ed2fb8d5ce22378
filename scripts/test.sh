#!/usr/bin/env bash
# Builds everything and runs every test: natively under the sanitizers, the fuzz
# targets, the packages, the web page in headless Chromium, then the Windows
# builds under Wine, headless, code page 932.
#
# Where this machine cannot run 32-bit Windows programs (a kernel without 32-bit
# support, or no Wine 32-bit part), every Windows test runs on the 64-bit build
# and the 32-bit release build is built and checked without running it.
# Always ends with a summary: each stage ok, FAILED or skipped with its reason.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
build=${SORREL_BUILD_DIR:-$root/build}
mkdir -p "$build"

stages=()
failed=0
skipped=0

stage() {  # stage NAME COMMAND...
  local name=$1 start=$SECONDS
  shift
  echo "=== $name"
  if "$@"; then
    stages+=("$name: ok ($((SECONDS - start)) s)")
  else
    stages+=("$name: FAILED")
    failed=$((failed + 1))
  fi
}

skip() {  # skip NAME REASON
  echo "=== $1: skipped: $2"
  stages+=("$1: skipped: $2")
  skipped=$((skipped + 1))
}

finish() {
  local status=$?
  wineserver -k 2>/dev/null || true
  echo
  printf '%s\n' "${stages[@]}"
  # An exit that no stage accounted for is a failure too.
  if [ "$status" -ne 0 ] && [ "$failed" -eq 0 ]; then
    echo "test.sh: stopped with status $status outside any stage"
    failed=1
  fi
  echo "stages: $((${#stages[@]} - failed - skipped)) passed, $failed failed, $skipped skipped"
  [ "$failed" -eq 0 ] || exit 1
}
trap finish EXIT

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

# CMake's default generator, as Debian's packaging runs it: the programs only.
makefiles() {
  cmake -S "$root" -B "$build/makefiles" -G "Unix Makefiles" -DSORREL_TESTS=OFF >/dev/null &&
    cmake --build "$build/makefiles" -j "$(nproc)" >/dev/null
}

fuzz() { SORREL_FUZZ_BUILD_DIR="$build/fuzz" "$root/scripts/fuzz.sh" all 20; }

windows_build() {  # windows_build ARCH
  configure "$build/win-$1" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-$1.cmake" -DSORREL_WINE="$SORREL_WINE"
}

windows() {  # windows ARCH: every test under Wine
  windows_build "$1" && ctest --test-dir "$build/win-$1" --output-on-failure
}

windows_static() {  # windows_static ARCH: built, and checked without running it
  windows_build "$1" && ctest --test-dir "$build/win-$1" --output-on-failure -L static
}

wine_prefix() { sorrel_wine_prefix "$build/wineprefix"; }

note="$build/deps-note"
rm -f "$note"
stage "set-up (Debian packages, ja_JP.UTF-8 locale)" env SORREL_DEPS_NOTE="$note" "$root/scripts/install-deps.sh" test
if [ "$failed" -gt 0 ]; then
  skip "everything else" "the set-up failed (its message is above)"
  exit 1
fi

stage "native (ASan, UBSan)" native
stage "native build with Unix Makefiles (no tests)" makefiles
stage "sorrel-cli --clip on a virtual display (xclip)" xvfb-run -a tests/cli_clip.sh "$build/native/bin/sorrel-cli"
stage "fuzz targets, 20 s each from the seed corpus (clang, ASan, UBSan)" fuzz
packages() { SORREL_BUILD_DIR="$build" "$root/scripts/package.sh" && "$root/tests/package_check.sh" "$build/dist"; }
stage "packages: zips, .deb and SHA256SUMS, checked as a user gets them" packages
stage "packages reproducible: made again from a copy elsewhere, byte for byte the same" \
  env SORREL_BUILD_DIR="$build" "$root/scripts/package.sh" --check-reproducible
# The web page in headless Chromium: the same passwords as sorrel-cli.
web_page() {
  local page
  page=$("$root/scripts/build-web.sh" "$build/web") &&
    /usr/bin/python3 "$root/tests/web/web_test.py" "$page" "$build/native/bin/sorrel-cli"
}
stage "web page in headless Chromium, against sorrel-cli and iconv" web_page
# The web app folder from localhost, as a phone: installable, offline, kept until the user updates.
web_app() {
  local page
  page=$("$root/scripts/build-web.sh" "$build/web") && mkdir -p "$build/web-app-shots" &&
    /usr/bin/python3 "$root/tests/web/app_test.py" "${page%.html}-app" "$build/native/bin/sorrel-cli" "$build/web-app-shots"
}
stage "web app in headless Chromium at phone sizes: installable, offline, updated only when asked" web_app
# The extension's domain code with the Public Suffix List and confusables it ships.
domains() {
  "$root/scripts/build-domain-data.sh" "$build/domain-data" &&
    SORREL_DOMAIN_DIR="$build/domain-data" node --test "$root/tests/web/domain_test.mjs"
}
stage "extension's domain code (node --test)" domains
# The browser extension in headless Chromium: the page's site, fills and
# look-alikes, the same passwords as sorrel-cli; then web-ext lint, and a fill
# in Firefox ESR (puppeteer-core over WebDriver BiDi, a server on port 443).
extension() {
  local dir
  dir=$("$root/scripts/build-extension.sh" "$build/web") &&
    /usr/bin/python3 "$root/tests/extension/extension_test.py" "$dir" "$build/native/bin/sorrel-cli" &&
    "$root/scripts/lint-extension.sh" "$dir" "$build" &&
    NODE_PATH="$build/web-ext/node_modules" node "$root/tests/extension/firefox_test.cjs" "$dir" "$build/native/bin/sorrel-cli"
}
stage "browser extension in headless Chromium and Firefox ESR, against sorrel-cli; web-ext lint" extension

. "$root/scripts/wine-env.sh"
sorrel_wine_select
if [ -n "$SORREL_WIN32_WHY" ] && [ -s "$note" ]; then
  SORREL_WIN32_WHY="$SORREL_WIN32_WHY: $(cat "$note")"
fi
stage "Wine prefix (headless, code page 932, $SORREL_WINE)" wine_prefix
case "${stages[-1]}" in *": ok"*) prefix_ok=1 ;; *) prefix_ok=0 ;; esac

if [ -z "$SORREL_WIN32_WHY" ]; then
  if [ "$prefix_ok" -eq 1 ]; then
    stage "windows 32-bit under Wine" windows i686
  else
    skip "windows 32-bit under Wine" "no Wine prefix"
  fi
else
  stage "windows 32-bit release build, built and checked without running it" windows_static i686
  skip "windows 32-bit under Wine" "$SORREL_WIN32_WHY; the 32-bit build was built and checked without running it"
fi
if [ "$prefix_ok" -eq 1 ]; then
  stage "windows 64-bit under Wine" windows x86_64
  # sorrel-cli native and under Wine: the same passwords from the same files.
  stage "sorrel-cli native = windows $SORREL_WIN_ARCH" tests/cli_same_password.sh "$build/native/bin/sorrel-cli" \
    "$build/win-$SORREL_WIN_ARCH/bin/sorrel-cli.exe"
else
  skip "windows 64-bit under Wine" "no Wine prefix"
  skip "sorrel-cli native = windows" "no Wine prefix"
fi
