#!/usr/bin/env python3
"""Derivation 2 written a second time, from its definition, over Python's own
hmac and hashlib: writes the engine test's table of cases (C++ initialisers,
every byte string in hex) with the passwords this implementation derives.
Usage: derive2_reference.py OUTPUT"""
import hashlib
import hmac
import random
import struct
import sys

ALPHABET = (b"00112233445566778899" + b"ABCDEFGHIJKLMNOPQRSTUVWXYZ" + b"abcdefghijklmnopqrstuvwxyz"
            + b"!#$%&()*+,-.\\/:;<=>?@[]^_`{|}~")
DEFAULT_CLASSES = [b"0123456789", b"abcdefghijklmnopqrstuvwxyz", b"ABCDEFGHIJKLMNOPQRSTUVWXYZ",
                   b"!#$%&()*+,-.\\/:;<=>?@[]^_`{|}~"]
CLASS_BITS = [2, 4, 8, 16]
DERIVATION_2 = 32


def mask(data, key_password):
    """XOR of bytes 0 to n-2 with the key password, cyclically; the last byte stays."""
    out = bytearray(data)
    for i in range(len(out) - 1):
        out[i] ^= key_password[i % len(key_password)] if key_password else 0
    return bytes(out)


def distinct_printable(data):
    out = bytearray()
    for c in data.split(b"\0")[0]:
        if 0x21 <= c <= 0x7E and c not in out:
            out.append(c)
    return bytes(out)


def derive2(key, key_password, pass_phrase, flags, classes, length):
    """The password, or None where the derivation fails."""
    if not 2 <= len(key) <= 256 or not 1 <= length <= 1023:
        return None
    secret = mask(key, key_password)[:-1]
    enabled = [(bit, distinct_printable(s)) for bit, s in zip(CLASS_BITS, classes) if flags & bit]
    enabled = [(bit, s) for bit, s in enabled if s]
    charset = distinct_printable(b"".join(s for _, s in enabled))
    if not charset:
        return None
    message = (b"Sorrel derivation 2\0" + pass_phrase + b"\0" + struct.pack("<I", length)
               + bytes([sum(bit for bit, _ in enabled)]) + b"".join(s + b"\0" for _, s in enabled))
    seed = hmac.new(secret, message, hashlib.sha256).digest()

    def draws():
        block = 0
        while True:
            data = hmac.new(seed, struct.pack("<I", block), hashlib.sha256).digest()
            block += 1
            for i in range(0, len(data), 2):
                yield data[i] | data[i + 1] << 8

    stream = draws()

    def uniform(m):
        limit = 65536 - 65536 % m
        while True:
            v = next(stream)
            if v < limit:
                return v % m

    k = len(enabled)
    result = bytearray(charset[uniform(len(charset))] for _ in range(length - k if length >= k else length))
    if length >= k:
        for _, chars in enabled:
            c = chars[uniform(len(chars))]
            result.insert(uniform(len(result) + 1), c)
    return bytes(result)


def japanese(rng, count):
    """Code page 932 text: kanji, hiragana, katakana and half-width katakana."""
    pieces = ["日本語", "パスワード", "ｶﾀｶﾅ", "表", "ソフト", "鍵", "ｱｲｳｴｵ", "ー", "〜", "漢字"]
    return "".join(rng.choice(pieces) for _ in range(count)).encode("cp932")


def random_case(rng):
    key_password = rng.choice([b"correct horse", japanese(rng, 3), bytes(rng.choice(range(0x21, 0x7F)) for _ in range(rng.randint(8, 63)))])
    pool = bytearray(ALPHABET)
    rng.shuffle(pool)
    key = mask(bytes(pool) + b"\0", key_password)
    if rng.random() < 0.15:  # not a key file's shape: any bytes, any count the reader can give
        key = bytes(rng.randrange(256) for _ in range(rng.randint(2, 105)))
    pass_phrase = rng.choice([b"example.com", b"bank", japanese(rng, 2), b"a" * rng.randint(0, 40)])
    flags = DERIVATION_2 | rng.choice([0, 1]) | sum(bit for bit in CLASS_BITS if rng.random() < 0.6)
    classes = list(DEFAULT_CLASSES)
    if rng.random() < 0.4:  # class strings of their own: duplicates, blanks, high bytes, empty
        classes = [bytes(rng.choice(b"aabbc ~\x7f\x20!!09\x81\x40\xff") for _ in range(rng.randint(0, 63)))
                   for _ in CLASS_BITS]
    length = rng.choice([1, 2, 3, 4, 5, 16, rng.randint(1, 1023), 1023])
    return key, key_password, pass_phrase, flags, classes, length


def main():
    rng = random.Random(20261209)
    vector_key = mask(ALPHABET + b"\0", b"correct horse")
    cases = [
        (vector_key, b"correct horse", b"example.com", 63, DEFAULT_CLASSES, 16),
        (vector_key, b"correct horse", b"bank", 34, DEFAULT_CLASSES, 6),
        (vector_key, b"correct horse", "日本語".encode("cp932"), 52, DEFAULT_CLASSES, 24),
        # A class field with no zero byte: its 64 bytes are the string.
        (vector_key, b"correct horse", b"example.com", 50, DEFAULT_CLASSES[:3] + [bytes(range(0x21, 0x61))], 64),
    ] + [random_case(rng) for _ in range(60)]
    with open(sys.argv[1], "w", encoding="ascii") as out:
        out.write("// Made by derive2_reference.py.\n")
        for key, key_password, pass_phrase, flags, classes, length in cases:
            expected = derive2(key, key_password, pass_phrase, flags, classes, length)
            fields = [key.hex(), key_password.hex(), pass_phrase.hex()] + [c.hex() for c in classes]
            out.write("{%s, %d, %d, %s},\n" % (", ".join('"%s"' % f for f in fields), flags, length,
                                               '"%s"' % expected.hex() if expected is not None else "nullptr"))


if __name__ == "__main__":
    main()
