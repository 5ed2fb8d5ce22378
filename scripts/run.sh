#!/usr/bin/env bash
# Builds the 32-bit program and starts it under Wine, in a Japanese locale
# (code page 932), on the user's display. setting.ini is kept beside the
# program, in build/app/.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh" run

build=${SORREL_BUILD_DIR:-$root/build}
cmake -S "$root" -B "$build/win-i686-release" -G Ninja -DCMAKE_BUILD_TYPE=Release -DSORREL_TESTS=OFF \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" >/dev/null
cmake --build "$build/win-i686-release" --target sorrel
mkdir -p "$build/app"
cp "$build/win-i686-release/bin/sorrel.exe" "$build/app/sorrel.exe"

if [ -z "${DISPLAY:-}" ]; then
  cat >&2 <<MSG
sorrel.exe is built ($build/app/sorrel.exe), but there is no display to show it on:
DISPLAY is not set. Run this command from a desktop session, or give it a
virtual display:  xvfb-run -a bash scripts/run.sh
MSG
  exit 1
fi

. "$root/scripts/wine-env.sh"
SORREL_DISPLAY=1 sorrel_wine_prefix "$build/wineprefix-app"
cd "$build/app"
status=0
wine ./sorrel.exe || status=$?
echo "sorrel.exe ended with exit status $status"
