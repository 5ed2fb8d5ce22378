#!/usr/bin/env python3
"""A compiled catalogue (.mo) as a C++ table for a program that carries it
inside: the translations' bytes, each found by a 64-bit FNV-1a hash of its
English text, so that the English texts, which the program holds anyway, are
not held twice. Fails on two texts with one hash.

Usage: catalogue_table.py CATALOGUE.mo OUT.cpp
"""
import struct
import sys


def fnv1a64(data):
    h = 0xcbf29ce484222325
    for b in data:
        h = ((h ^ b) * 0x100000001b3) & 0xFFFFFFFFFFFFFFFF
    return h


def main(source, out):
    mo = open(source, 'rb').read()
    magic, _, count, originals, translations = struct.unpack_from('<5I', mo)
    if magic != 0x950412de:
        sys.exit(f'{source}: not a little-endian .mo file')
    entries = {}
    for i in range(count):
        length, at = struct.unpack_from('<2I', mo, originals + 8 * i)
        # A plural entry's key is its singular, up to the zero byte.
        key = mo[at:at + length].split(b'\0')[0]
        length, at = struct.unpack_from('<2I', mo, translations + 8 * i)
        # Japanese has one plural form, the first.
        text = mo[at:at + length].split(b'\0')[0]
        if not key or not text:
            continue  # the header, or a text left untranslated
        h = fnv1a64(key)
        if h in entries:
            sys.exit(f'{source}: two texts with the hash {h:016x}')
        entries[h] = text
    offset, rows, lines = 0, [], []
    for h in sorted(entries):
        rows.append(f'    {{0x{h:016x}ull, {offset}}},')
        # One literal a translation, its zero byte written out; octal
        # escapes, which end after three digits, for all but plain ASCII.
        text = entries[h] + b'\0'
        lines.append('    "' + ''.join(chr(b) if 0x20 <= b < 0x7F and chr(b) not in '"\\?' else f'\\{b:03o}'
                                         for b in text) + '"')
        offset += len(text)
    data = '\n'.join(lines)
    open(out, 'w').write(f'''// Made by cmake/catalogue_table.py from po/ja.po; not to be edited.
#include "translate_table.h"

extern const TranslationRow TRANSLATION_ROWS[] = {{
{chr(10).join(rows)}
}};
extern const unsigned TRANSLATION_ROW_COUNT = {len(rows)};
extern const char TRANSLATION_TEXTS[] =
{data};
''')


if __name__ == '__main__':
    main(*sys.argv[1:])
