// The sealed key file: the key pool encrypted under a key derived from the
// key password by Argon2id, so that a copied file costs an attacker one
// Argon2id run per guess. Its bytes are a stored format, fixed for good:
//
//   0   8  "SorrelSK"
//   8   1  format version, 1
//   9   1  key derivation function, 1: Argon2id version 1.3
//   10  1  the derivation the key's passwords are made by, 1 or 2
//   11  1  zero
//   12  4  passes, little-endian, 1 to 16
//   16  4  memory in KiB, little-endian, 8,192 to 1,048,576
//   20  16 salt
//   36  24 nonce
//   60  118 XChaCha20-Poly1305 (IETF) of the 102 pool bytes, then its tag;
//          the additional data is bytes 0 to 59
#pragma once

#include <stdint.h>

enum {
  SEALED_KEY_SIZE = 178,
  SEALED_HEADER_SIZE = 60,
  SEALED_SALT_SIZE = 16,
  SEALED_NONCE_SIZE = 24,
  SEALED_VERSION = 1,
  SEALED_KDF_ARGON2ID13 = 1,
  SEALED_PASSES_MIN = 1,
  SEALED_PASSES_MAX = 16,
  SEALED_PASSES_DEFAULT = 3,
  SEALED_MEMORY_KIB_MIN = 8192,
  SEALED_MEMORY_KIB_MAX = 1048576,
  SEALED_MEMORY_KIB_DEFAULT = 65536,
  // What any front end makes or re-seals: a 32-bit process can always get it.
  // The reader keeps the format's whole range.
  SEALED_MEMORY_KIB_MAKE_MAX = 262144,
};

extern const unsigned char SEALED_MAGIC[8];

struct SealParameters {
  uint32_t passes;
  uint32_t memoryKiB;
  int derivation;  // 1 or 2
};

// A new key's: 3 passes, 64 MiB, derivation 2.
SealParameters DefaultSealParameters();

// Whether a file's bytes are a sealed key: exactly 178 of them, beginning
// with the magic. Any other file is a key file of the original form.
bool IsSealedKey(const unsigned char* bytes, int count);

// Whether a file begins with the magic but is not 178 bytes: a sealed key
// cut short or grown, never to be taken for the original form.
bool IsDamagedSealedKey(const unsigned char* bytes, int count);

// Whether opening a key with these parameters asks more memory than a new
// key may (256 MiB): the user is told first.
bool IsLargeSealKey(const SealParameters& p);

// Lowers the memory to 256 MiB where a re-seal would keep more; true when it did.
bool LowerToMakeLimit(SealParameters* p);

// Argon2id is refused any memory above this (KiB; 0: no bound of ours), as
// it would be in a process that cannot get it. Tests set it.
extern uint32_t g_sealMemoryLimitKiB;

enum SealStatus {
  SEAL_OK,
  SEAL_UNSUPPORTED,     // a sealed key this version cannot read: a header field out of range
  SEAL_WRONG_PASSWORD,  // the key password does not open it, or the file is damaged
  SEAL_NO_MEMORY,       // Argon2id could not have the memory the key names
  SEAL_NOT_A_KEY,       // it opens, but what it holds is not a key pool
  SEAL_FAILED,          // no random bytes, or parameters out of range when sealing
};

// The header's parameters of a sealed key (178 bytes), each field bounded:
// SEAL_UNSUPPORTED when any is out of range, before any memory is spent.
SealStatus ReadSealParameters(const unsigned char* sealed, SealParameters* out);

// Opens a sealed key into pool (at least 103 bytes): the 102 pool bytes and a
// zero byte. params, when given, receives the header's parameters (on every
// status but SEAL_UNSUPPORTED). On any failure pool holds no secret; 102
// authenticated bytes that are not the key alphabet in some order are
// SEAL_NOT_A_KEY, wiped.
SealStatus OpenSealedKey(const unsigned char* sealed, const char* keyPassword, unsigned char* pool,
                         SealParameters* params);

// Seals 102 pool bytes under keyPassword into out (178 bytes), with a fresh
// salt and nonce from the operating system's random source.
SealStatus SealKey(const unsigned char* pool, const char* keyPassword, const SealParameters& params,
                   unsigned char* out);

// The same with the salt (16 bytes) and nonce (24 bytes) given.
SealStatus SealKeyWith(const unsigned char* pool, const char* keyPassword, const SealParameters& params,
                       const unsigned char* salt, const unsigned char* nonce, unsigned char* out);
