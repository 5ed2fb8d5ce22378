#!/usr/bin/env bash
# Exits 0 when this kernel runs 32-bit x86 Linux programs, 1 when it does not
# (no ia32 emulation, as on kernels built or booted without it). Needs no i386
# package: it writes a 93-byte static 32-bit ELF program that only exits with
# 0 (mov eax, 1; xor ebx, ebx; int 0x80) and runs it.
# SORREL_ASSUME_NO_32BIT=1 answers 1 without asking, to try the other path.
set -euo pipefail
if [ "${SORREL_ASSUME_NO_32BIT:-}" = 1 ]; then exit 1; fi
probe=$(mktemp "${TMPDIR:-/tmp}/sorrel-probe32.XXXXXX") || {
  echo "probe-32bit: cannot make a temporary file" >&2
  exit 2
}
trap 'rm -f "$probe"' EXIT
# ELF header (52 bytes), one loadable segment (32 bytes), 9 bytes of code.
printf '%b' '\x7f\x45\x4c\x46\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00' \
  '\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00' \
  '\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00' \
  '\x00\x00\x00\x00' \
  '\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08' \
  '\x5d\x00\x00\x00\x5d\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00' \
  '\xb8\x01\x00\x00\x00\x31\xdb\xcd\x80' >"$probe"
chmod +x "$probe"
# "Exec format error" is the expected answer where 32-bit programs cannot run.
"$probe" 2>/dev/null
