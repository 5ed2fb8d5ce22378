# Sourced by the scripts that run Windows programs under Wine.
#
# sorrel_wine_select: decides how Windows programs run here, and exports
#   SORREL_WINE        the Wine loader to call (never one this kernel cannot run)
#   SORREL_WIN_ARCH    i686 where 32-bit Windows programs run, else x86_64
#   SORREL_WIN32_WHY   why 32-bit Windows programs do not run, else empty
# sorrel_wine_prefix DIR: makes one Wine prefix in DIR for this run, headless
#   (null graphics driver; SORREL_DISPLAY=1 keeps the real display), code page
#   932. Returns non-zero, with a message, when a step fails.
# sorrel_wine_fonts: in that prefix, the fonts the dialogs ask for, as a
#   user's Japanese Windows has them; for every prefix that shows windows.
sorrel_scripts=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

sorrel_wine_select() {
  SORREL_WIN32_WHY=""
  if ! "$sorrel_scripts/probe-32bit.sh"; then
    SORREL_WIN32_WHY="this kernel does not run 32-bit programs"
  elif [ ! -x /usr/lib/wine/wine ]; then
    SORREL_WIN32_WHY="Wine's 32-bit part (wine32:i386) is not installed"
  fi
  if [ -z "$SORREL_WIN32_WHY" ]; then
    SORREL_WINE=wine
    SORREL_WIN_ARCH=i686
  else
    # Debian's wine wrapper takes the 32-bit loader whenever wine32 is
    # installed, even where the kernel cannot start it: call the 64-bit one.
    SORREL_WINE=/usr/lib/wine/wine64
    SORREL_WIN_ARCH=x86_64
    export WINELOADER=$SORREL_WINE
  fi
  export SORREL_WINE SORREL_WIN_ARCH SORREL_WIN32_WHY
}

# sorrel_wine_say WHAT: one line naming the build that WHAT takes here, and
# why not the 32-bit one.
sorrel_wine_say() {
  if [ "$SORREL_WIN_ARCH" = i686 ]; then
    echo "$1 the 32-bit build"
  else
    echo "$1 the 64-bit build: $SORREL_WIN32_WHY"
  fi
}

# sorrel_wine_run WHAT COMMAND...: runs a set-up command, and on failure says
# WHAT failed with the command's last lines of output.
sorrel_wine_run() {
  local what=$1 log
  shift
  log=$(mktemp)
  if "$@" >"$log" 2>&1; then
    rm -f "$log"
    return 0
  fi
  echo "wine-env: $what failed ($*):" >&2
  tail -n 5 "$log" | sed 's/^/  /' >&2
  rm -f "$log"
  return 1
}

sorrel_wine_prefix() {
  [ -n "${SORREL_WINE:-}" ] || sorrel_wine_select
  export WINEPREFIX="$1"
  export WINEARCH=win64
  export WINEDEBUG=-all
  export LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8
  export WINEDLLOVERRIDES="mscoree,mshtml="
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    mkdir -p "$WINEPREFIX" || {
      echo "wine-env: cannot make the folder $WINEPREFIX" >&2
      return 1
    }
    sorrel_wine_run "making the Wine prefix" "$SORREL_WINE" wineboot.exe -i || return 1
    sorrel_wine_run "waiting for the Wine server" wineserver -w || return 1
  fi
  # A crash prints its backtrace and ends the process instead of waiting on a dialog.
  sorrel_wine_run "switching off Wine's crash dialog" \
    "$SORREL_WINE" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f || return 1
  if [ -z "${SORREL_DISPLAY:-}" ]; then
    sorrel_wine_run "choosing Wine's null graphics driver" \
      "$SORREL_WINE" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f || return 1
  else
    "$SORREL_WINE" reg delete 'HKCU\Software\Wine\Drivers' /v Graphics /f >/dev/null 2>&1 || true
  fi
  sorrel_wine_run "waiting for the Wine server" wineserver -w
}

# Wine has none of the dialog fonts: without a stand-in, "MS Shell Dlg" falls
# to a font that clips the Japanese labels and draws m like n. MS UI Gothic,
# the Japanese dialog font, is proportional: IPA P Gothic stands in for it.
# The caption buttons are drawn from Marlett.
sorrel_wine_fonts() {
  local face
  for face in 'MS UI Gothic' 'MS Shell Dlg' 'MS Shell Dlg 2'; do
    sorrel_wine_run "naming IPA P Gothic for $face" \
      "$SORREL_WINE" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$face" /d IPAPGothic /f || return 1
  done
  if [ -f /usr/share/wine/fonts/marlett.ttf ]; then
    cp /usr/share/wine/fonts/marlett.ttf "$WINEPREFIX/drive_c/windows/Fonts/" || {
      echo "wine-env: cannot copy Marlett into $WINEPREFIX" >&2
      return 1
    }
  fi
  sorrel_wine_run "waiting for the Wine server" wineserver -w
}
