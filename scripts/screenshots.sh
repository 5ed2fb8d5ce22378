#!/usr/bin/env bash
# Renders each dialog of res/sorrel.rc under Xvfb and Wine (code page 932) into
# docs/main.png, docs/settings.png, docs/key-password.png, docs/key-create.png,
# docs/site-rules.png, and the program's message boxes about the key into
# build/screenshots/box-*.png.
# The dialogs come from scripts/show_dialog.cpp, filled with sample values.
# Usage: scripts/screenshots.sh   (SORREL_BUILD_DIR: where to build, default build/)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh" screenshots

work=${SORREL_BUILD_DIR:-$root/build}/screenshots
mkdir -p "$work"
. "$root/scripts/wine-env.sh"
sorrel_wine_select
tools=$SORREL_WIN_ARCH-w64-mingw32
# The version record's header, as CMake writes it from project().
version=$(sed -n 's/^project(sorrel VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
[ -n "$version" ] || { echo "screenshots.sh: no version in CMakeLists.txt" >&2; exit 1; }
printf '#define SORREL_VERSION %s\n#define SORREL_VERSION_TEXT "%s"\n' "${version//./, }" "${version//./, }" >"$work/sorrel_version.h"
"$tools-windres" -c 65001 -I"$work" "$root/res/sorrel.rc" -O coff -o "$work/sorrel_rc.o"
"$tools-g++-posix" -std=c++17 -Wall -Wextra -Werror -O1 -finput-charset=UTF-8 -fexec-charset=CP932 -I"$root/res" \
  -I"$root/ui" -I"$root/texts" "$root/scripts/show_dialog.cpp" \
  "$work/sorrel_rc.o" -o "$work/show_dialog.exe" -static

# A prefix of its own with the X11 driver, and the fonts a user's Windows has.
SORREL_DISPLAY=1 sorrel_wine_prefix "$work/wineprefix"
sorrel_wine_fonts

cat >"$work/shoot.sh" <<'SHOOT'
# Runs inside xvfb-run: one dialog after another on a Wine desktop, each cut out
# by the window rectangle that the helper prints.
set -euo pipefail
work=$1 docs=$2
cd "$work"
for shot in 101:main 102:settings 103:key-password 112:key-create 120:site-rules box-key-not-opened box-key-mismatch \
  box-seal box-reseal box-too-long box-found-beside box-not-found box-key-damaged box-key-not-a-key box-key-no-memory \
  box-key-unsupported box-key-large box-key-shape box-key-lowered box-weak-key-password; do
  id=${shot%%:*} name=${shot#*:} out=$docs
  case $shot in box-*) out=$work ;; esac
  rm -f geometry.txt
  "$SORREL_WINE" explorer /desktop=sorrel,640x400 show_dialog.exe "$id" 6 >geometry.txt &
  for _ in $(seq 100); do
    [ -s geometry.txt ] && break
    sleep 0.2
  done
  sleep 2  # let it paint
  import -window root -crop "$(tr -d '\r' <geometry.txt)" +repage "$out/$name.png"
  wait
  echo "$out/$name.png $(tr -d '\r' <geometry.txt)"
done
SHOOT
mkdir -p "$root/docs"
xvfb-run -a -s "-screen 0 640x400x24" bash "$work/shoot.sh" "$work" "$root/docs"
wineserver -k 2>/dev/null || true
