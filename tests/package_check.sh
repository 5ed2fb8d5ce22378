#!/usr/bin/env bash
# Checks the files scripts/package.sh made as a user gets them: what each zip
# holds and what its programs are, the .deb as Debian's tools see it and its
# sorrel-cli run from an unpacked root, the web page's size and policy, and the
# checksums.
# Usage: tests/package_check.sh DIST_DIR
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dist=$(cd "${1:?usage: tests/package_check.sh DIST_DIR}" && pwd)
version=$(sed -n 's/^project(sorrel VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failed=0

check() {  # check WHAT COMMAND...: runs one check, says how it went
  local what=$1
  shift
  if "$@" >"$scratch/out" 2>&1; then
    echo "ok      $what"
  else
    echo "FAILED  $what"
    sed 's/^/        /' "$scratch/out"
    failed=$((failed + 1))
  fi
}

checksums() {
  (cd "$dist" && sha256sum -c SHA256SUMS) &&
    [ "$(cut -d' ' -f3 "$dist/SHA256SUMS" | sort)" = "$(find "$dist" -type f ! -name SHA256SUMS -printf '%P\n' | sort)" ]
}
check "SHA256SUMS: every other file, each as listed" checksums

# --- Windows zips
holds_exactly() {  # holds_exactly ZIP: the one folder, and in it the four files
  local expected listed
  expected=$(printf "sorrel-$version/%s\n" LICENSE.txt guide-ja.html sorrel-cli.exe sorrel.exe)
  listed=$(unzip -Z1 "$1" | grep -vx "sorrel-$version/" | sort)
  [ "$listed" = "$expected" ] || { echo "holds:"; echo "$listed"; return 1; }
}

at_most() {  # at_most FILE MAX_BYTES: says the file's size; fails above MAX_BYTES
  local size
  size=$(stat -c %s "$1")
  echo "$(basename "$1"): $size bytes"
  [ "$size" -le "$2" ] || { echo "more than $2 bytes"; return 1; }
}

program() {  # program EXE FORMAT MAX_BYTES DLL...: machine, size and imports
  local exe=$1 format=$2 max=$3
  shift 3
  local allow
  at_most "$exe" "$max" || return 1
  allow=$(IFS=';' && echo "$*")
  cmake -DOBJDUMP="$objdump" -DEXE="$exe" -DFORMAT="$format" -DALLOW="$allow" -P "$root/tests/check_imports.cmake"
}

# Opens on its own, anywhere: its encoding declared where a browser looks
# (the first 1024 bytes), and every image inside it.
guide() {
  iconv -f UTF-8 -t UTF-8 "$1" >/dev/null || { echo "not UTF-8"; return 1; }
  head -c 1024 "$1" | grep -qi '<meta charset="utf-8">' || { echo "no charset in the first 1024 bytes"; return 1; }
  grep -q 'src="data:image/png;base64,' "$1" || { echo "no image inlined"; return 1; }
  ! grep -Eo '(src|href)="[^"#:]+"' "$1"
}

# Windows may put it anywhere (ASLR, with a relocation table to move it by)
# and runs no data.
hardened() {  # hardened EXE FLAG...: the DllCharacteristics FLAGs, and base relocations
  local headers flag
  headers=$("$objdump" -p "$1") || return 1
  shift
  for flag in "$@"; do
    grep -qx "[[:space:]]*$flag" <<<"$headers" || { echo "no $flag"; return 1; }
  done
  ! grep -q 'relocations stripped' <<<"$headers" || { echo "relocations stripped"; return 1; }
  grep '^Entry 5 ' <<<"$headers" | grep -qv '^Entry 5 [0-9a-f]* 00000000 ' || { echo "no base relocations"; return 1; }
}

licence() { sed 's/$/\r/' "$root/LICENSE" | cmp - "$1"; }

for build in win32:pei-i386 win64:pei-x86-64; do
  name=${build%%:*}
  format=${build#*:}
  zip=$dist/sorrel-$version-$name.zip
  objdump=$([ "$name" = win32 ] && echo i686 || echo x86_64)-w64-mingw32-objdump
  check "$name: the zip holds sorrel-$version/ with the four files, nothing else" holds_exactly "$zip"
  unzip -q -d "$scratch/$name" "$zip"
  folder=$scratch/$name/sorrel-$version
  check "$name: sorrel.exe is $format, at most 140,000 bytes, system DLLs only" \
    program "$folder/sorrel.exe" "$format" 140000 user32.dll kernel32.dll comdlg32.dll msvcrt.dll
  # user32 as well, for the clipboard.
  check "$name: sorrel-cli.exe is $format, at most 200,000 bytes, system DLLs only" \
    program "$folder/sorrel-cli.exe" "$format" 200000 kernel32.dll user32.dll shell32.dll msvcrt.dll
  flags=(DYNAMIC_BASE NX_COMPAT)
  [ "$name" = win32 ] || flags+=(HIGH_ENTROPY_VA)
  for exe in sorrel.exe sorrel-cli.exe; do
    check "$name: $exe has ${flags[*]} and base relocations" hardened "$folder/$exe" "${flags[@]}"
  done
  check "$name: guide-ja.html stands alone" guide "$folder/guide-ja.html"
  check "$name: LICENSE.txt is LICENSE with CR LF" licence "$folder/LICENSE.txt"
done

# --- Debian package
arch=$(dpkg --print-architecture)
deb=$dist/sorrel-cli_${version}_$arch.deb
control() {
  dpkg-deb --info "$deb" &&
    [ "$(dpkg-deb -f "$deb" Package Version Architecture)" = "$(printf 'Package: sorrel-cli\nVersion: %s\nArchitecture: %s' "$version" "$arch")" ] &&
    dpkg-deb -f "$deb" Depends | grep -q '^libc6 '
}
check ".deb: dpkg-deb --info, its name, version and computed dependencies" control
check ".deb: lintian reports no error" lintian --fail-on error "$deb"

debroot=$scratch/deb
dpkg -x "$deb" "$debroot"
contents() {
  local listed
  listed=$(cd "$debroot" && find . -type f | sort)
  [ "$listed" = "$(printf '%s\n' ./usr/bin/sorrel-cli ./usr/share/bash-completion/completions/sorrel-cli \
    ./usr/share/doc/sorrel-cli/changelog.gz ./usr/share/doc/sorrel-cli/copyright \
    ./usr/share/locale/ja/LC_MESSAGES/sorrel-cli.mo ./usr/share/man/ja/man1/sorrel-cli.1.gz \
    ./usr/share/man/man1/sorrel-cli.1.gz)" ] || { echo "$listed"; return 1; }
}
check ".deb: unpacks with dpkg -x: program, completion, manual pages, catalogue, copyright, changelog" contents

cli=$debroot/usr/bin/sorrel-cli
check ".deb: sorrel-cli --help runs" "$cli" --help
check ".deb: the bash completion completes with the packaged program" \
  bash "$(dirname "$0")/cli_completion.sh" "$debroot/usr/share/bash-completion/completions/sorrel-cli" "$cli"
# PIE, stack protector, fortify, RELRO, BIND_NOW, control-flow protection: no "no".
check ".deb: hardening-check finds every protection in sorrel-cli" hardening-check "$cli"

# The packaged program keeps its settings in the user's configuration folder.
settings_folder() {
  local home=$scratch/home
  mkdir -p "$home"
  printf 'key password\nkey password\n' | HOME=$home "$cli" new-key "$home/my.key" &&
    HOME=$home "$cli" init --key "$home/my.key" &&
    [ "$(stat -c %a "$home/.config/sorrel")" = 700 ] &&
    [ "$(stat -c %s "$home/.config/sorrel/setting.ini")" = 524 ] &&
    [ "$(printf 'key password\n' | HOME=$home "$cli" generate example.com | wc -c)" = 17 ] &&
    XDG_CONFIG_HOME=$scratch/xdg HOME=$home LC_ALL=C.UTF-8 "$cli" --help |
    grep -qx "Default settings file: $scratch/xdg/sorrel/setting.ini"
}
check ".deb: sorrel-cli uses ~/.config/sorrel/setting.ini, or \$XDG_CONFIG_HOME's" settings_folder

manual() {  # manual LANGUAGE LOCALE SECTION...: man -L finds the page in the package, renders it without warning
  local language=$1 locale=$2 page
  shift 2
  # A minute of processor time at most: troff can loop on a page it cannot break.
  page=$(ulimit -t 60 && MANPATH=$debroot/usr/share/man LC_ALL=$locale MANWIDTH=80 man --warnings -L "$language" \
    sorrel-cli 2>"$scratch/man-warnings") || { cat "$scratch/man-warnings"; echo "man failed"; return 1; }
  if [ -s "$scratch/man-warnings" ]; then
    cat "$scratch/man-warnings"
    return 1
  fi
  for section in "$@"; do
    grep -qx "$section" <<<"$page" || { echo "no section $section"; return 1; }
  done
}
check ".deb: man renders sorrel-cli(1) with its sections, no warning" \
  manual en C.UTF-8 NAME SYNOPSIS DESCRIPTION COMMANDS OPTIONS "EXIT STATUS" FILES EXAMPLES
check ".deb: man -L ja renders the Japanese sorrel-cli(1) with its sections, no warning" \
  manual ja ja_JP.UTF-8 名前 書式 説明 コマンド オプション 終了ステータス ファイル 例

# The user's language: Japanese under ja_JP.UTF-8, English under C.UTF-8,
# every line of the help and a message alike.
language() {
  local help message
  help=$(LC_ALL=ja_JP.UTF-8 "$cli" --help) && message=$(LC_ALL=ja_JP.UTF-8 "$cli" generate --settings "$scratch/none.ini" x 2>&1 >/dev/null) || true
  [ "$(head -n 1 <<<"$help")" = "使い方: sorrel-cli コマンド [オプション]" ] || { echo "$help"; return 1; }
  [ "$(head -n 1 <<<"$message")" = "sorrel-cli: 設定ファイルを読み込めませんでした: $scratch/none.ini: そのようなファイルやディレクトリはありません" ] ||
    { echo "$message"; return 1; }
  [ "$(LC_ALL=C.UTF-8 "$cli" --help | head -n 1)" = "Usage: sorrel-cli COMMAND [OPTIONS]" ] || { echo "not English under C.UTF-8"; return 1; }
  ! LC_ALL=C.UTF-8 "$cli" --help | grep -P '[^\x00-\x7F]'
}
check ".deb: sorrel-cli speaks Japanese under ja_JP.UTF-8, English under C.UTF-8" language

# --- Web page: one file, at most 110,000 bytes, that reaches for nothing.
web_page() {
  local page=$dist/sorrel-$version-web.html
  at_most "$page" 110000 || return 1
  head -c 1024 "$page" | grep -q "content=\"default-src 'none'; " || { echo "no Content-Security-Policy of default-src 'none'"; return 1; }
  ! grep -Eo '(src|href)="[^"]*"' "$page"
}
check "web page: at most 110,000 bytes, connects nowhere, loads nothing" web_page

# --- Web app: the zip is the folder; the page reaches only into its folder.
app=sorrel-$version-web-app
app_zip() {
  local zip=$dist/$app.zip
  at_most "$zip" 160000 || return 1
  unzip -q -d "$scratch/app" "$zip" && diff -r "$scratch/app/$app" "$dist/$app" && [ "$(unzip -Z1 "$zip" | wc -l)" -eq 8 ]
}
check "web app: the zip, at most 160,000 bytes, holds $app/ and its eight files, as in $dist" app_zip
app_page() {
  local index=$dist/$app/index.html policy name
  policy=$(head -c 1024 "$index" | grep -o "content=\"default-src 'none'; [^\"]*\"") || { echo "no policy"; return 1; }
  for rule in "worker-src blob: 'self'" "manifest-src 'self'" "img-src 'self'"; do
    grep -qF "; $rule" <<<"$policy" || { echo "no $rule in $policy"; return 1; }
  done
  ! grep -q connect-src <<<"$policy" || { echo "$policy"; return 1; }
  # Every link a plain name of a file in the folder.
  for name in $(grep -Eo '(src|href)="[^"]*"' "$index" | sed 's/^[a-z]*="//; s/"$//'); do
    [[ "$name" =~ ^[a-z0-9.-]+$ ]] && [ -f "$dist/$app/$name" ] || { echo "links $name"; return 1; }
  done
  cmp "$root/web/sw.js" "$dist/$app/sw.js"
}
check "web app: index.html's policy adds the worker, manifest and icons; its links stay in the folder; sw.js as in web/" app_page

# --- The browser extension: at most 300,000 bytes, its manifest at the top, no host permission.
extension() {
  local zip=$dist/sorrel-$version-extension.zip
  at_most "$zip" 300000 || return 1
  unzip -p "$zip" manifest.json | python3 -c '
import json, sys
m = json.load(sys.stdin)
assert m["manifest_version"] == 3, "not Manifest V3"
assert "host_permissions" not in m and not any("/" in p for p in m["permissions"]), "asks for hosts"
assert "@" not in m["version"], "no version"'
  for f in sorrel_web.wasm core.js worker.js popup.html options.html background.js; do
    unzip -l "$zip" "$f" >/dev/null || { echo "no $f"; return 1; }
  done
}
check "extension: at most 300,000 bytes, Manifest V3, the module, no host permission" extension

echo "package checks: $failed failed"
[ "$failed" -eq 0 ]
