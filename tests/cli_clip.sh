#!/usr/bin/env bash
# generate --clip on X11, through xclip: the password goes on the clipboard,
# not to standard output, and into no process's arguments or environment; it
# is gone after --clip-seconds when untouched, and what was copied meanwhile
# stays. Without a display or a clipboard program the command says so.
# Usage: xvfb-run -a tests/cli_clip.sh NATIVE_CLI   (needs xclip)
set -euo pipefail
export LC_ALL=C.UTF-8  # the messages checked below are the English ones
cli=$(realpath "$1")
command -v xclip >/dev/null || { echo "xclip is not installed"; exit 1; }
[ -n "${DISPLAY:-}" ] || { echo "no DISPLAY: run under xvfb-run -a"; exit 1; }
work=$(mktemp -d "${TMPDIR:-/tmp}/sorrel-cli-clip.XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work"

printf 'key password\nkey password\n' | "$cli" new-key --kdf-memory 8 --kdf-passes 1 my.key || { echo "new-key failed"; exit 1; }
"$cli" init --key my.key --settings setting.ini || { echo "init failed"; exit 1; }
expected=$(echo 'key password' | "$cli" generate --settings setting.ini example.com) || { echo "generate failed"; exit 1; }
printf '%s\n' "$expected" >pattern  # for grep -f: a pattern in grep's arguments would find itself

failed=0
check() {  # check NAME ACTUAL EXPECTED
  if [ "$2" = "$3" ]; then echo "ok   $1"; else echo "FAIL $1: '$2', expected '$3'"; failed=1; fi
}
clipboard() { xclip -selection clipboard -out 2>/dev/null || true; }
generate_clip() { echo 'key password' | "$cli" generate --settings setting.ini --clip --clip-seconds 2 "$@" example.com; }

out=$(generate_clip 2>/dev/null) || { echo "FAIL generate --clip: exit $?"; failed=1; }
check "nothing on standard output" "$out" ""
check "the clipboard holds the password" "$(clipboard)" "$expected"
check "the password in no process's arguments or environment" \
  "$(grep -lsFf pattern /proc/[0-9]*/cmdline /proc/[0-9]*/environ || true)" ""
sleep 3
check "the clipboard is empty after 2 seconds" "$(clipboard)" ""

generate_clip >/dev/null 2>&1 || { echo "FAIL generate --clip: exit $?"; failed=1; }
printf 'copied meanwhile' | xclip -selection clipboard -in
sleep 3
check "what was copied meanwhile stays" "$(clipboard)" "copied meanwhile"

message=$(echo 'key password' | env -u DISPLAY -u WAYLAND_DISPLAY "$cli" generate --settings setting.ini --clip \
  example.com 2>&1) && failed=1
check "without a display" "$message" \
  "sorrel-cli: --clip: no display (neither WAYLAND_DISPLAY nor DISPLAY is set); without --clip the password is printed"
message=$(echo 'key password' | PATH=/nonexistent "$cli" generate --settings setting.ini --clip example.com 2>&1) &&
  failed=1
check "without a clipboard program" "$message" \
  "sorrel-cli: --clip: no clipboard program: install wl-clipboard (Wayland), or xclip or xsel (X11)"
check "the clipboard is untouched by both" "$(clipboard)" "copied meanwhile"

exit $failed
