#!/usr/bin/env bash
# Two builds of sorrel-cli (the native one and a Windows one under Wine) give
# the same passwords from one setting.ini, key file, key password and pass
# phrase, Japanese ones included, and accept each other's key files.
# Usage: tests/cli_same_password.sh NATIVE_CLI WINDOWS_CLI_EXE
# Wine must be set up (scripts/wine-env.sh: sorrel_wine_prefix DIR).
set -euo pipefail
native=$(realpath "$1")
windows=$(realpath "$2")
export LC_ALL=ja_JP.UTF-8
work=$(mktemp -d "${TMPDIR:-/tmp}/sorrel-cli-same.XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir "$work/表"
cd "$work"

kp='秘密の鍵パスワード'
failed=0

# Typed input goes through a pipe in the terminal's encoding: UTF-8 here, the
# console code page (932) for the Windows program.
run_native() { printf '%s' "$1" | "$native" "${@:2}"; }
run_windows() { printf '%s' "$1" | iconv -f UTF-8 -t CP932 | "${SORREL_WINE:-wine}" "$windows" "${@:2}" | iconv -f CP932 -t UTF-8; }

same() {  # same NAME INPUT ARGS...
  local name=$1 input=$2 a b
  shift 2
  a=$(run_native "$input" "$@") || { echo "FAIL $name: native exit $?"; failed=1; return; }
  b=$(run_windows "$input" "$@") || { echo "FAIL $name: windows exit $?"; failed=1; return; }
  if [ -n "$a" ] && [ "$a" = "$b" ]; then echo "ok   $name: $a"; else echo "FAIL $name: '$a' != '$b'"; failed=1; fi
}

# Sealed keys at the smallest parameters, and one of the original form.
small=(--kdf-memory 8 --kdf-passes 1)
run_native "$kp"$'\n'"$kp"$'\n' new-key "${small[@]}" 表/鍵.key
run_native "$kp"$'\n'"$kp"$'\n' new-key --unsealed original.key
"$native" init --key 表/鍵.key --settings setting.ini
printf '%s\n%s\n' 'correct horse' 'correct horse' |
  iconv -f UTF-8 -t CP932 | "${SORREL_WINE:-wine}" "$windows" new-key "${small[@]}" win.key | iconv -f CP932 -t UTF-8

same "Japanese pass phrase argument" "$kp"$'\n' generate --settings setting.ini 表計算ソフト
same "Japanese pass phrase piped" "$kp"$'\n予約サイト\n' generate --settings setting.ini
same "half-width katakana" "$kp"$'\nﾊﾟｽﾜｰﾄﾞ\n' generate --settings setting.ini
same "length 1023, two classes" "$kp"$'\n' generate --settings setting.ini --length 1023 --classes digits,symbols example.com
same "length 1" "$kp"$'\n' generate --settings setting.ini --length 1 example.com
same "original key, wrong key password, not verified" $'wrong password\n' generate --settings setting.ini --key original.key --no-verify example.com
same "key made by the Windows build" $'correct horse\n' generate --settings setting.ini --key win.key example.com

exit $failed
