#!/usr/bin/env bash
# Builds the program and starts it under Wine, in a Japanese locale (code page
# 932), on the user's display: the 32-bit release build where this machine runs
# 32-bit Windows programs, otherwise the 64-bit build. setting.ini is kept
# beside the program, in build/app/.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh" run

. "$root/scripts/wine-env.sh"
sorrel_wine_select
arch=$SORREL_WIN_ARCH
sorrel_wine_say "run.sh: starting"

build=${SORREL_BUILD_DIR:-$root/build}
cmake -S "$root" -B "$build/win-$arch-release" -G Ninja -DCMAKE_BUILD_TYPE=Release -DSORREL_TESTS=OFF \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-$arch.cmake" >/dev/null || {
  echo "run.sh: configuring the $arch build failed" >&2
  exit 1
}
cmake --build "$build/win-$arch-release" --target sorrel || {
  echo "run.sh: building sorrel.exe failed" >&2
  exit 1
}
mkdir -p "$build/app"
cp "$build/win-$arch-release/bin/sorrel.exe" "$build/app/sorrel.exe"

if [ -z "${DISPLAY:-}" ]; then
  cat >&2 <<MSG
sorrel.exe is built ($build/app/sorrel.exe), but there is no display to show it on:
DISPLAY is not set. Run this command from a desktop session, or give it a
virtual display:  xvfb-run -a bash scripts/run.sh
MSG
  exit 1
fi

SORREL_DISPLAY=1 sorrel_wine_prefix "$build/wineprefix-app" || {
  echo "run.sh: the Wine prefix could not be made" >&2
  exit 1
}
# The dialogs in the fonts they ask for, as in the screenshots.
sorrel_wine_fonts || {
  echo "run.sh: the fonts could not be set up in the Wine prefix $build/wineprefix-app" >&2
  exit 1
}
cd "$build/app"
status=0
"$SORREL_WINE" ./sorrel.exe || status=$?
echo "sorrel.exe ended with exit status $status"
