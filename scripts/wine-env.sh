# Sourced by the scripts that run Windows programs under Wine.
# Makes one Wine prefix for this run, headless (null graphics driver), code page 932.
# Usage: . scripts/wine-env.sh DIR   (DIR: where the prefix lives)
sorrel_wine_prefix() {
  export WINEPREFIX="$1"
  export WINEARCH=win64
  export WINEDEBUG=-all
  export LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8
  export WINEDLLOVERRIDES="mscoree,mshtml="
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    mkdir -p "$WINEPREFIX"
    wineboot -i >/dev/null 2>&1
    wineserver -w
  fi
  # A crash prints its backtrace and ends the process instead of waiting on a dialog.
  wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
  if [ -z "${SORREL_DISPLAY:-}" ]; then
    wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
  else
    wine reg delete 'HKCU\Software\Wine\Drivers' /v Graphics /f >/dev/null 2>&1 || true
  fi
  wineserver -w
}
