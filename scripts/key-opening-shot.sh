#!/usr/bin/env bash
# sorrel.exe under Xvfb and Wine opening a sealed key of 256 MiB, which takes
# seconds: a screenshot taken a moment after OK is pressed in the key password
# dialog, to see the line キーを開いています… drawn while the key opens.
# Writes build/screenshots/key-opening.png.
# Usage: scripts/key-opening-shot.sh   (SORREL_BUILD_DIR: where to build, default build/)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh" screenshots

. "$root/scripts/wine-env.sh"
sorrel_wine_select
arch=$SORREL_WIN_ARCH
build=${SORREL_BUILD_DIR:-$root/build}
work=$build/screenshots/key-opening
release=$build/win-$arch-release
cmake -S "$root" -B "$release" -G Ninja -DCMAKE_BUILD_TYPE=Release -DSORREL_TESTS=OFF \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-$arch.cmake" >/dev/null || {
  echo "key-opening-shot.sh: configuring the $arch build failed" >&2
  exit 1
}
cmake --build "$release" --target sorrel sorrel-cli || {
  echo "key-opening-shot.sh: building sorrel.exe and sorrel-cli.exe failed" >&2
  exit 1
}
rm -rf "$work/app"
mkdir -p "$work/app"
cp "$release/bin/sorrel.exe" "$release/bin/sorrel-cli.exe" "$work/app/"
"$arch-w64-mingw32-g++-posix" -std=c++17 -Wall -Wextra -Werror -O1 -I"$root/res" "$root/scripts/type_key_password.cpp" \
  -o "$work/type_key_password.exe" -static || {
  echo "key-opening-shot.sh: building the helper that types the key password failed" >&2
  exit 1
}

SORREL_DISPLAY=1 sorrel_wine_prefix "$work/wineprefix" || {
  echo "key-opening-shot.sh: the Wine prefix could not be made" >&2
  exit 1
}
sorrel_wine_fonts || {
  echo "key-opening-shot.sh: the fonts could not be set up in the Wine prefix" >&2
  exit 1
}
# One virtual desktop for every process, so that the helper finds the dialog
# and the windows have their frames.
sorrel_wine_run "choosing a virtual desktop" \
  "$SORREL_WINE" reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f
sorrel_wine_run "sizing the virtual desktop" \
  "$SORREL_WINE" reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 640x400 /f
cd "$work/app"
printf 'opening-test\nopening-test\n' | "$SORREL_WINE" ./sorrel-cli.exe new-key --kdf-memory 256 key.key >/dev/null 2>&1 ||
  { echo "key-opening-shot.sh: sorrel-cli new-key failed" >&2; exit 1; }
"$SORREL_WINE" ./sorrel-cli.exe init --key key.key >/dev/null 2>&1 ||
  { echo "key-opening-shot.sh: sorrel-cli init failed" >&2; exit 1; }
# The desktop the set-up started has no display: it goes before the program starts.
wineserver -k 2>/dev/null || true
wineserver -w

cat >"$work/shoot.sh" <<'SHOOT'
# Runs inside xvfb-run.
set -euo pipefail
trap 'wineserver -k 2>/dev/null || true' EXIT
"$SORREL_WINE" sorrel.exe &
"$SORREL_WINE" ../type_key_password.exe opening-test
sleep 0.8
import -window root ../../key-opening.png
SHOOT
xvfb-run -a -s "-screen 0 640x400x24" bash "$work/shoot.sh" || {
  echo "key-opening-shot.sh: the screenshot could not be taken (see the lines above)" >&2
  exit 1
}
echo "$build/screenshots/key-opening.png"
