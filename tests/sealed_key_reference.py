#!/usr/bin/python3
"""The sealed key file written a second time, over PyNaCl's Argon2id and
XChaCha20-Poly1305: writes the engine test's table of cases (C++
initialisers, byte strings in hex). The two published vectors first, then
random pools, key passwords, salts and nonces at the smallest parameters;
and into NOT_KEYS, files sealed to the format whose pools are not keys.
Usage: sealed_key_reference.py OUTPUT NOT_KEYS"""
import random
import sys

import nacl.bindings as sodium

ALPHABET = (b"00112233445566778899" + b"ABCDEFGHIJKLMNOPQRSTUVWXYZ" + b"abcdefghijklmnopqrstuvwxyz"
            + b"!#$%&()*+,-.\\/:;<=>?@[]^_`{|}~")


def seal(pool, key_password, derivation, passes, memory_kib, salt, nonce):
    header = (b"SorrelSK" + bytes([1, 1, derivation, 0]) + passes.to_bytes(4, "little")
              + memory_kib.to_bytes(4, "little") + salt + nonce)
    key = sodium.crypto_pwhash_alg(32, key_password, salt, passes, memory_kib * 1024,
                                   sodium.crypto_pwhash_ALG_ARGON2ID13)
    return header + sodium.crypto_aead_xchacha20poly1305_ietf_encrypt(pool, header, nonce, key)


def write(path, cases):
    with open(path, "w") as out:
        for pool, password, derivation, passes, memory, salt, nonce in cases:
            sealed = seal(pool, password, derivation, passes, memory, salt, nonce)
            out.write('{"%s", "%s", %d, %d, %d, "%s", "%s", "%s"},\n' % (
                pool.hex(), password.hex(), derivation, passes, memory, salt.hex(), nonce.hex(), sealed.hex()))


def not_keys(rng):
    swapped = bytearray(ALPHABET)
    swapped[0] = ord("A")  # one digit three times short, "A" twice
    pools = [b"A" * 102, bytes(102), bytes(swapped), bytes(rng.randrange(256) for _ in range(102)),
             ALPHABET[:101] + b"\x00"]
    return [(pool, b"correct horse", 1 + i % 2, 1, 8192, bytes([i]) * 16, bytes([i]) * 24)
            for i, pool in enumerate(pools)]


def main():
    rng = random.Random(21)
    cases = [
        (ALPHABET, b"correct horse", 2, 3, 65536, bytes(range(16)), bytes(range(16, 40))),
        (ALPHABET[::-1], "秘密の鍵パスワード".encode("cp932"), 1, 1, 8192, b"\xa5" * 16, b"\x5a" * 24),
    ]
    for _ in range(4):
        pool = bytearray(ALPHABET)
        rng.shuffle(pool)
        password = bytes(rng.randrange(1, 256) for _ in range(rng.randrange(8, 64)))
        salt = bytes(rng.randrange(256) for _ in range(16))
        nonce = bytes(rng.randrange(256) for _ in range(24))
        cases.append((bytes(pool), password, rng.choice([1, 2]), rng.choice([1, 2]), 8192, salt, nonce))
    write(sys.argv[1], cases)
    write(sys.argv[2], not_keys(rng))

main()
