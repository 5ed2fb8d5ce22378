// Whether a key file and a key password belong together. The file carries no
// checksum; what it has is its shape, and the right key password unmasks it
// into the key alphabet.
#pragma once

enum KeyVerdict {
  KEY_OK,
  KEY_WRONG_SIZE,         // not 103 bytes
  KEY_NO_FINAL_ZERO,      // byte 102 is not zero
  KEY_PASSWORD_MISMATCH,  // unmasks into something other than the key alphabet
};

// Whether pool's bytes 0 to 101 are the key alphabet in some order: what
// every key pool is, whichever form holds it.
bool IsKeyPool(const unsigned char* pool);

// The shape alone: 103 bytes, the last one zero.
KeyVerdict CheckKeyShape(const unsigned char* key, int count);

// The shape, then whether keyPassword unmasks bytes 0 to 101 into the key
// alphabet in some order. A key password that gives the same mask (one that
// repeats the right one, or goes on past byte 102) passes: it derives the
// same passwords.
KeyVerdict CheckKeyPassword(const unsigned char* key, int count, const char* keyPassword);
