#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, once.
# Usage: scripts/install-deps.sh [run|test|screenshots|package]
#
# Wine's 32-bit part (wine32:i386) is installed only where this kernel runs
# 32-bit x86 programs. Where it cannot be had (no 32-bit support, a broken i386
# index, i386 libraries that do not match the amd64 ones installed), the
# Windows programs run as 64-bit builds; one line starting "wine32:" says why.
# With SORREL_DEPS_NOTE=FILE the cause is also written to FILE.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

what=${1:-test}
pkgs=(cmake ninja-build g++ make googletest libbenchmark-dev
      g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix binutils-mingw-w64-i686
      binutils-mingw-w64-x86-64 wine wine64 locales xvfb xauth fonts-ipafont-gothic)
# What the packages are made and checked with.
package=(dpkg-dev lintian man-db unzip)
case "$what" in
  # clang for the fuzz targets; xclip for the clipboard check on a virtual display.
  test) pkgs+=(clang libclang-rt-14-dev xclip "${package[@]}") ;;
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

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }

# A mirror in the middle of a sync serves a broken index for a while: try
# again after a pause, and if it stays broken go on with the lists there are.
# Whether the packages then install is what counts.
update_error=""
apt_update() {
  local try
  for try in 1 2 3; do
    if apt-get update -q >"$log" 2>&1; then return 0; fi
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
  if apt-get install -y -q --no-install-recommends --no-remove "$@" >"$log" 2>&1; then return 0; fi
  local p bad=0
  for p in "$@"; do
    if ! apt-get install -y -q --no-install-recommends --no-remove "$p" >"$log" 2>&1; then
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
for p in "${pkgs[@]}"; do installed "$p" || missing+=("$p"); done
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
  if apt-get install -y -q --no-install-recommends --no-remove wine32:i386 >"$log" 2>&1; then
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

# Wine's ANSI code page follows the locale: ja_JP.UTF-8 gives code page 932.
if ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$'; then
  sed -i 's/^# *\(ja_JP.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen || echo 'ja_JP.UTF-8 UTF-8' >>/etc/locale.gen
  locale-gen >/dev/null || {
    echo "install-deps: locale-gen could not make the ja_JP.UTF-8 locale" >&2
    exit 1
  }
fi
