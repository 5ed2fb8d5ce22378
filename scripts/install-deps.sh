#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, once.
# Usage: scripts/install-deps.sh [run|test|screenshots]
set -euo pipefail

what=${1:-test}
pkgs=(cmake ninja-build g++ make googletest libbenchmark-dev
      g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix binutils-mingw-w64-i686
      binutils-mingw-w64-x86-64 wine wine64 locales xvfb xauth fonts-ipafont-gothic)
if [ "$what" = test ]; then
  pkgs+=(clang libclang-rt-14-dev)
fi
if [ "$what" = run ]; then
  pkgs+=(fonts-wine)  # the window frames and system texts on a real display
fi
if [ "$what" = screenshots ]; then
  pkgs+=(imagemagick fonts-wine)  # import for the X screenshots; Wine's own fonts for the window frames
fi

missing=()
for p in "${pkgs[@]}" wine32:i386; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
  fi
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -q
  apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

# Wine's ANSI code page follows the locale: ja_JP.UTF-8 gives code page 932.
if ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$'; then
  sed -i 's/^# *\(ja_JP.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen || echo 'ja_JP.UTF-8 UTF-8' >>/etc/locale.gen
  locale-gen
fi
