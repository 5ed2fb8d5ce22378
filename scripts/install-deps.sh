#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, once.
# Usage: scripts/install-deps.sh [run|test|screenshots|package]
#
# HMAC-SHA-256 comes from libsodium: Debian's libsodium-dev for Linux builds,
# and for the Windows and WebAssembly builds the few files it needs from
# Debian's own source package, unpacked under /usr/local/src/sorrel (apt
# checks the source package against the signed index).
#
# Wine's 32-bit part (wine32:i386) is installed only where this kernel runs
# 32-bit x86 programs. Where it cannot be had (no 32-bit support, a broken i386
# index, i386 libraries that do not match the amd64 ones installed), the
# Windows programs run as 64-bit builds; one line starting "wine32:" says why.
# With SORREL_DEPS_NOTE=FILE the cause is also written to FILE.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

what=${1:-test}
# sorrel-cli's texts in Japanese: its catalogue compiled and checked with
# gettext, its manual page translated with po4a. python3-zxcvbn: the list of
# the most common passwords that the key password estimate is built with.
pkgs=(cmake ninja-build g++ make googletest libbenchmark-dev libsodium-dev dpkg-dev gettext po4a python3-zxcvbn
      g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix binutils-mingw-w64-i686
      binutils-mingw-w64-x86-64 wine wine64 locales xvfb xauth fonts-ipafont-gothic)
# What the packages are made and checked with: the web page is WebAssembly
# (emscripten); the archives are written with fixed times and order and
# compared (zip, strip-nondeterminism, diffoscope); hardening-check is in devscripts.
# The extension's domain code: npm for its pinned packages, ICU's confusables.
package=(dpkg-dev lintian man-db unzip zip emscripten strip-nondeterminism diffoscope-minimal devscripts
         npm python3-icu)
case "$what" in
  # clang for the fuzz targets; xclip for the clipboard check on a virtual display.
  # Chromium and its driver for the web page's tests, Firefox ESR for the extension's; python3-nacl checks the sealed key file;
  # strace watches the writer's system calls.
  test) pkgs+=(clang libclang-rt-14-dev xclip strace chromium chromium-driver python3-selenium python3-nacl firefox-esr "${package[@]}") ;;
  package) pkgs+=("${package[@]}") ;;
  run) pkgs+=(fonts-wine) ;;  # the window frames and system texts on a real display
  screenshots) pkgs+=(imagemagick fonts-wine) ;;  # import for the X screenshots
  *)
    echo "usage: $0 [run|test|screenshots|package]" >&2
    exit 2
    ;;
esac

export DEBIAN_FRONTEND=noninteractive
log=$(mktemp)
trap 'rm -f "$log"' EXIT

# Another apt run on this machine holds the lock for a while: wait for it.
apt_get() { apt-get -o DPkg::Lock::Timeout=600 "$@"; }

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }

# A mirror in the middle of a sync serves a broken index for a while: try
# again after a pause, and if it stays broken go on with the lists there are.
# Whether the packages then install is what counts.
update_error=""
apt_update() {
  local try
  for try in 1 2 3; do
    if apt-get -o DPkg::Lock::Timeout=600 update -q >"$log" 2>&1; then return 0; fi
    if [ "$try" -lt 3 ]; then sleep $((try * 5)); fi
  done
  update_error=$(grep -m1 '^E:' "$log" | sed 's/^E: //; s/ *\[IP: [^]]*\]//') || update_error="no error line"
  echo "install-deps: apt-get update failed three times ($update_error); going on with the package lists already here" >&2
  return 1
}

# apt's own reason for a failed install: its error lines and what it says of
# unmet dependencies, at most a few lines.
apt_reason() { grep -E '^E:|Depends:|Breaks:|Conflicts:' "$log" | head -n 4 | sed 's/^ *//' | paste -sd ' ' -; }

# Installs the packages; when that fails, tries each alone and names every
# one that cannot be installed, with apt's reason.
apt_install() {
  if apt_get install -y -q --no-install-recommends --no-remove "$@" >"$log" 2>&1; then return 0; fi
  local p bad=0
  for p in "$@"; do
    if ! apt_get install -y -q --no-install-recommends --no-remove "$p" >"$log" 2>&1; then
      echo "install-deps: cannot install $p: $(apt_reason)" >&2
      bad=1
    fi
  done
  return "$bad"
}

note() {  # note LINE [CAUSE]: says LINE; CAUSE also goes to $SORREL_DEPS_NOTE
  echo "$1"
  if [ -n "${SORREL_DEPS_NOTE:-}" ] && [ -n "${2:-}" ]; then echo "$2" >"$SORREL_DEPS_NOTE"; fi
}

missing=()
# A node.js that is not Debian's (NodeSource's) brings its own npm and conflicts with Debian's.
for p in "${pkgs[@]}"; do
  installed "$p" || { [ "$p" = npm ] && command -v npm >/dev/null; } || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "install-deps: installing ${missing[*]}"
  apt_update || true
  apt_install "${missing[@]}" || {
    echo "install-deps: the packages above could not be installed" >&2
    exit 1
  }
fi

# Wine's 32-bit part, for running the 32-bit release build.
if ! "$here/probe-32bit.sh"; then
  note "wine32: not used: this kernel does not run 32-bit x86 programs"
elif installed wine32:i386; then
  note "wine32: installed"
else
  added_i386=0
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
    added_i386=1
  fi
  echo "install-deps: installing wine32:i386"
  apt_update || true
  if apt_get install -y -q --no-install-recommends --no-remove wine32:i386 >"$log" 2>&1; then
    note "wine32: installed"
  else
    if grep -q 'but it is not going to be installed\|held\|Breaks:' "$log"; then
      cause="its i386 libraries do not match the amd64 versions installed ($(grep -m1 -E 'Depends:|Breaks:' "$log" | sed 's/^ *//'))"
    elif grep -q 'Unable to locate package\|has no installation candidate' "$log"; then
      cause="no i386 package index could be read"
    else
      cause=$(grep -m1 '^E:' "$log" || echo "apt-get failed")
    fi
    if [ -n "$update_error" ]; then cause="$cause, and apt-get update failed ($update_error)"; fi
    note "wine32: not installed: $cause; the Windows programs run as 64-bit builds" "$cause"
    # An i386 architecture that holds nothing would only break later updates.
    if [ "$added_i386" -eq 1 ] && ! dpkg-query -W -f='${Architecture}\n' 2>/dev/null | grep -qx i386; then
      dpkg --remove-architecture i386 || true
    fi
  fi
fi

# libsodium's sources, for the builds that cannot link Debian's libsodium.
sodium_dir=/usr/local/src/sorrel
sodium_source() {
  local deb822=/etc/apt/sources.list.d/sorrel-deb-src.sources oneline=/etc/apt/sources.list.d/sorrel-deb-src.list
  if [ ! -f "$deb822" ] && [ ! -f "$oneline" ]; then
    # The same mirrors and suites as the binary packages, for source packages.
    local f
    for f in /etc/apt/sources.list.d/*.sources; do
      [ -f "$f" ] && [ "$f" != "$deb822" ] || continue
      sed -En '/^Types:(.* )?deb( |$)/,/^$/p' "$f" | sed 's/^Types:.*/Types: deb-src/'
      echo
    done >"$deb822.tmp"
    mv "$deb822.tmp" "$deb822"
    cat /etc/apt/sources.list /etc/apt/sources.list.d/*.list 2>/dev/null | grep -E '^deb ' |
      sed 's/^deb /deb-src /' >"$oneline" || true
    [ -s "$oneline" ] || rm -f "$oneline"
    grep -q '^Types: deb-src' "$deb822" || rm -f "$deb822"
    if [ ! -f "$deb822" ] && [ ! -f "$oneline" ]; then
      echo "install-deps: no Debian package source found to fetch libsodium's sources from" >&2
      return 1
    fi
    apt_update || true
  fi
  mkdir -p "$sodium_dir"
  (cd "$sodium_dir" && apt_get source -q libsodium >"$log" 2>&1) || {
    echo "install-deps: apt-get source libsodium failed: $(grep -m1 -E '^E:' "$log")" >&2
    return 1
  }
  local unpacked
  unpacked=$(find "$sodium_dir" -maxdepth 1 -type d -name 'libsodium-*' | sort | tail -n 1)
  [ -n "$unpacked" ] && [ -f "$unpacked/src/libsodium/crypto_auth/hmacsha256/auth_hmacsha256.c" ] || {
    echo "install-deps: the libsodium source package unpacked to no usable folder in $sodium_dir" >&2
    return 1
  }
  ln -sfn "$unpacked" "$sodium_dir/libsodium"
  echo "install-deps: libsodium sources in $unpacked"
}
if [ ! -f "$sodium_dir/libsodium/src/libsodium/crypto_auth/hmacsha256/auth_hmacsha256.c" ]; then
  sodium_source || exit 1
fi

# Wine's ANSI code page follows the locale: ja_JP.UTF-8 gives code page 932.
if ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$'; then
  sed -i 's/^# *\(ja_JP.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen || echo 'ja_JP.UTF-8 UTF-8' >>/etc/locale.gen
  locale-gen >/dev/null || {
    echo "install-deps: locale-gen could not make the ja_JP.UTF-8 locale" >&2
    exit 1
  }
fi
