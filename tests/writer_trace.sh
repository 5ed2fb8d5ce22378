#!/bin/bash
# The writer as the system sees it, under strace: the temporary copy of a key
# is made exclusive and owner-only, and the folder is synced after the rename.
# writer_trace.sh SORREL_CLI
set -euo pipefail
cli=$(realpath "$1")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "writer_trace: $*" >&2; exit 1; }

# LeakSanitizer cannot run under ptrace: a sanitizer build runs without it here.
printf 'key password 1\nkey password 1\n' |
  ASAN_OPTIONS=${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0 strace -f -qq -o "$work/trace" \
    -e trace=openat,fsync,rename,close "$cli" new-key --kdf-memory 8 --kdf-passes 1 "$work/k.key" \
    >/dev/null 2>"$work/err" || fail "new-key under strace failed: $(cat "$work/err")"
temp=$(grep -E "openat\(AT_FDCWD, \"$work/k\.key\.[0-9a-f]{8}\.tmp\"" "$work/trace" | head -1) ||
  fail "no temporary file opened: $(cat "$work/trace")"
for flag in O_WRONLY O_CREAT O_EXCL O_NOFOLLOW O_CLOEXEC; do
  [[ $temp == *"$flag"* ]] || fail "the temporary file is opened without $flag: $temp"
done
[[ $temp == *", 0600) = "* ]] || fail "the temporary file is not created 0600: $temp"
# After the rename: the folder opened and synced.
after=$(sed -n "/^[0-9]* *rename(.*\"$(sed 's/[/.]/\\&/g' <<<"$work")\/k\.key\") = 0/,\$p" "$work/trace")
folder=$(grep -E "openat\(AT_FDCWD, \"$work\", [^)]*O_DIRECTORY[^)]*\) = [0-9]+" <<<"$after" | head -1) ||
  fail "the folder is not opened after the rename: $after"
fd=${folder##*= }
grep -qE "fsync\($fd\) += 0" <<<"$after" || fail "the folder is not synced after the rename: $after"
[ "$(stat -c %a "$work/k.key")" = 600 ] || fail "the new key file is not 0600"
echo "writer_trace: ok"
