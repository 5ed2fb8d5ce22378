#!/usr/bin/env python3
"""Writes the most common passwords as a C++ source for the engine.

Usage: common_passwords.py FREQUENCY_LISTS COUNT OUT

Writes OUT.h (the sizes, for the decoder's buffers) and OUT.cpp (the data).

FREQUENCY_LISTS is zxcvbn's frequency_lists.py (Debian's python3-zxcvbn): its
"passwords" list, most common first. The first COUNT go in three bands by
rank, each sorted, each word stored as the length it shares with the one
before and the rest, all in one canonical Huffman code (bits high first).
The same input always gives the same bytes.
"""
import ast
import heapq
import sys

BANDS = (30, 300)  # the first two bands end at these ranks; the last at COUNT
MAX_SHARED = 15


def read_passwords(path):
    # Read as data, not run: the line is "passwords": "A,B,...".split(","),
    for line in open(path, encoding="utf-8"):
        key, _, value = line.strip().partition(":")
        if key == '"passwords"':
            return ast.literal_eval(value.strip().removesuffix(".split(\",\"),")).split(",")
    sys.exit("common_passwords.py: no passwords list in " + path)


def code_lengths(counts):
    """Huffman code lengths per symbol, ties broken by symbol number."""
    heap = [(c, s, (s,)) for s, c in counts.items()]
    heapq.heapify(heap)
    lengths = dict.fromkeys(counts, 0)
    order = len(counts)
    while len(heap) > 1:
        a, b = heapq.heappop(heap), heapq.heappop(heap)
        for s in a[2] + b[2]:
            lengths[s] += 1
        heapq.heappush(heap, (a[0] + b[0], order, a[2] + b[2]))
        order += 1
    return lengths


def main():
    source, count, out = sys.argv[1], int(sys.argv[2]), sys.argv[3]
    words = [w for w in read_passwords(source) if w.isascii() and w.isprintable() and 3 <= len(w) <= 32]
    words = words[:count]
    ends = [b for b in BANDS if b < count] + [count]
    # Symbols 0..MAX_SHARED: a new word sharing that many bytes with the last;
    # then one symbol per character.
    chars = sorted(set("".join(words)))
    symbols = []  # symbol numbers in order
    start = 0
    for end in ends:
        last = ""
        for w in sorted(words[start:end]):
            shared = 0
            while shared < min(len(last), len(w), MAX_SHARED) and last[shared] == w[shared]:
                shared += 1
            symbols.append(shared)
            symbols += [MAX_SHARED + 1 + chars.index(c) for c in w[shared:]]
            last = w
        start = end
    counts = {}
    for s in symbols:
        counts[s] = counts.get(s, 0) + 1
    lengths = code_lengths(counts)
    # Canonical codes: by length, then symbol number.
    codes, code, previous = {}, 0, 0
    for s in sorted(lengths, key=lambda s: (lengths[s], s)):
        code <<= lengths[s] - previous
        previous = lengths[s]
        codes[s] = code
        code += 1
    bits = "".join(format(codes[s], "0%db" % lengths[s]) for s in symbols)
    bits += "0" * (-len(bits) % 8)
    data = bytes(int(bits[i:i + 8], 2) for i in range(0, len(bits), 8))
    table = [lengths.get(s, 0) for s in range(MAX_SHARED + 1 + len(chars))]
    text_bytes = sum(len(w) + 1 for w in words)
    if text_bytes > 65535:  # the decoder keeps 16-bit offsets
        sys.exit("common_passwords.py: %d words take %d bytes decoded, more than 65,535" % (len(words), text_bytes))

    def c_string(s):
        return '"' + s.replace("\\", "\\\\").replace('"', '\\"') + '"'

    made = "// Made by cmake/common_passwords.py from zxcvbn's list of passwords; do not edit.\n"
    with open(out + ".h", "w", encoding="ascii", newline="\n") as f:
        f.write(made + "#pragma once\n\nenum {\n")
        f.write("  COMMON_WORDS = %d,\n  COMMON_TEXT_BYTES = %d,\n  COMMON_BANDS = %d,\n" % (len(words), text_bytes, len(ends)))
        f.write("  COMMON_SHARED_SYMBOLS = %d,\n  COMMON_SYMBOLS = %d,\n  COMMON_LONGEST = %d,\n" %
                (MAX_SHARED + 1, len(table), max(map(len, words))))
        f.write("  COMMON_DATA_BYTES = %d,\n};\n\n" % len(data))
        f.write("extern const int COMMON_BAND_ENDS[COMMON_BANDS];\n")
        f.write("extern const char COMMON_CHARS[];\n")
        f.write("extern const unsigned char COMMON_CODE_LENGTHS[COMMON_SYMBOLS];\n")
        f.write("extern const unsigned char COMMON_DATA[COMMON_DATA_BYTES];\n")
    with open(out + ".cpp", "w", encoding="ascii", newline="\n") as f:
        f.write(made + '#include "common_passwords.h"\n\n')
        f.write("const int COMMON_BAND_ENDS[COMMON_BANDS] = {%s};\n" % ", ".join(map(str, ends)))
        f.write("const char COMMON_CHARS[] = %s;\n" % c_string("".join(chars)))
        f.write("const unsigned char COMMON_CODE_LENGTHS[COMMON_SYMBOLS] = {%s};\n" % ", ".join(map(str, table)))
        f.write("const unsigned char COMMON_DATA[COMMON_DATA_BYTES] = {\n")
        for i in range(0, len(data), 20):
            f.write("    " + ", ".join(str(b) for b in data[i:i + 20]) + ",\n")
        f.write("};\n")
    if len(ends) != 3:
        sys.exit("common_passwords.py: COUNT must be above %d" % BANDS[-1])


main()
