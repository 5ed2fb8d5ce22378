#include "sealed_key.h"

#include <string.h>

#include "key_check.h"
#include "keyfile.h"
#include "platform.h"
#include "sodium/core.h"
#include "sodium/crypto_aead_xchacha20poly1305.h"
#include "sodium/crypto_pwhash.h"
#include "text.h"

const unsigned char SEALED_MAGIC[8] = {'S', 'o', 'r', 'r', 'e', 'l', 'S', 'K'};

uint32_t g_sealMemoryLimitKiB;

namespace {

enum {
  OFFSET_VERSION = 8,
  OFFSET_KDF = 9,
  OFFSET_DERIVATION = 10,
  OFFSET_ZERO = 11,
  OFFSET_PASSES = 12,
  OFFSET_MEMORY = 16,
  OFFSET_SALT = 20,
  OFFSET_NONCE = 36,
  WRAP_KEY_SIZE = crypto_aead_xchacha20poly1305_ietf_KEYBYTES,
  TAG_SIZE = crypto_aead_xchacha20poly1305_ietf_ABYTES,
};
static_assert(SEALED_HEADER_SIZE + KEY_POOL_LENGTH + TAG_SIZE == SEALED_KEY_SIZE, "the sealed key's layout");
static_assert(OFFSET_NONCE + SEALED_NONCE_SIZE == SEALED_HEADER_SIZE, "the header ends with the nonce");
static_assert(crypto_aead_xchacha20poly1305_ietf_NPUBBYTES == SEALED_NONCE_SIZE, "XChaCha20's nonce");

uint32_t GetLittleEndian32(const unsigned char* p) {
  return (uint32_t)p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16 | (uint32_t)p[3] << 24;
}

void PutLittleEndian32(unsigned char* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = (unsigned char)(v >> (8 * i));
}

bool InRange(const SealParameters& p) {
  return p.passes >= SEALED_PASSES_MIN && p.passes <= SEALED_PASSES_MAX && p.memoryKiB >= SEALED_MEMORY_KIB_MIN &&
         p.memoryKiB <= SEALED_MEMORY_KIB_MAX && (p.derivation == 1 || p.derivation == 2);
}

// The wrapping key: Argon2id over the key password's bytes. The parameters
// are in range here, so a failure can only be the memory.
bool WrapKey(const char* keyPassword, const unsigned char* salt, const SealParameters& p, unsigned char* key) {
  // Picks the fastest Argon2id code for this processor, once. A plain flag:
  // a guarded static would link the C++ runtime's locks and exceptions into
  // the dialog program (100 KB).
  static bool started;
  if (!started) started = sodium_init() >= 0;
  if (g_sealMemoryLimitKiB && p.memoryKiB > g_sealMemoryLimitKiB) return false;
  return crypto_pwhash(key, WRAP_KEY_SIZE, keyPassword, strlen(keyPassword), salt, p.passes, (size_t)p.memoryKiB * 1024,
                       crypto_pwhash_ALG_ARGON2ID13) == 0;
}

}  // namespace

SealParameters DefaultSealParameters() {
  SealParameters p;
  p.passes = SEALED_PASSES_DEFAULT;
  p.memoryKiB = SEALED_MEMORY_KIB_DEFAULT;
  p.derivation = 2;
  return p;
}

bool IsSealedKey(const unsigned char* bytes, int count) {
  return count == SEALED_KEY_SIZE && memcmp(bytes, SEALED_MAGIC, sizeof SEALED_MAGIC) == 0;
}

bool IsDamagedSealedKey(const unsigned char* bytes, int count) {
  return count >= (int)sizeof SEALED_MAGIC && count != SEALED_KEY_SIZE &&
         memcmp(bytes, SEALED_MAGIC, sizeof SEALED_MAGIC) == 0;
}

bool IsLargeSealKey(const SealParameters& p) { return p.memoryKiB > SEALED_MEMORY_KIB_MAKE_MAX; }

bool LowerToMakeLimit(SealParameters* p) {
  if (!IsLargeSealKey(*p)) return false;
  p->memoryKiB = SEALED_MEMORY_KIB_MAKE_MAX;
  return true;
}

SealStatus ReadSealParameters(const unsigned char* sealed, SealParameters* out) {
  SealParameters p;
  p.passes = GetLittleEndian32(sealed + OFFSET_PASSES);
  p.memoryKiB = GetLittleEndian32(sealed + OFFSET_MEMORY);
  p.derivation = sealed[OFFSET_DERIVATION];
  if (memcmp(sealed, SEALED_MAGIC, sizeof SEALED_MAGIC) != 0 || sealed[OFFSET_VERSION] != SEALED_VERSION ||
      sealed[OFFSET_KDF] != SEALED_KDF_ARGON2ID13 || sealed[OFFSET_ZERO] != 0 || !InRange(p)) {
    return SEAL_UNSUPPORTED;
  }
  *out = p;
  return SEAL_OK;
}

SealStatus OpenSealedKey(const unsigned char* sealed, const char* keyPassword, unsigned char* pool,
                         SealParameters* params) {
  SealParameters p;
  if (ReadSealParameters(sealed, &p) != SEAL_OK) return SEAL_UNSUPPORTED;
  if (params) *params = p;
  unsigned char key[WRAP_KEY_SIZE];
  if (!WrapKey(keyPassword, sealed + OFFSET_SALT, p, key)) {
    WipeMemory(key, sizeof key);
    return SEAL_NO_MEMORY;
  }
  unsigned long long length = 0;
  const int r = crypto_aead_xchacha20poly1305_ietf_decrypt(pool, &length, nullptr, sealed + SEALED_HEADER_SIZE,
                                                           SEALED_KEY_SIZE - SEALED_HEADER_SIZE, sealed,
                                                           SEALED_HEADER_SIZE, sealed + OFFSET_NONCE, key);
  WipeMemory(key, sizeof key);
  if (r != 0 || length != KEY_POOL_LENGTH) {
    WipeMemory(pool, KEY_POOL_LENGTH);
    return SEAL_WRONG_PASSWORD;
  }
  // Authentic, yet made by something other than a key maker: its bytes would
  // derive passwords anyone could compute.
  if (!IsKeyPool(pool)) {
    WipeMemory(pool, KEY_POOL_LENGTH);
    return SEAL_NOT_A_KEY;
  }
  pool[KEY_POOL_LENGTH] = 0;
  return SEAL_OK;
}

SealStatus SealKeyWith(const unsigned char* pool, const char* keyPassword, const SealParameters& params,
                       const unsigned char* salt, const unsigned char* nonce, unsigned char* out) {
  if (!InRange(params)) return SEAL_FAILED;
  unsigned char sealed[SEALED_KEY_SIZE];
  memset(sealed, 0, sizeof sealed);
  memcpy(sealed, SEALED_MAGIC, sizeof SEALED_MAGIC);
  sealed[OFFSET_VERSION] = SEALED_VERSION;
  sealed[OFFSET_KDF] = SEALED_KDF_ARGON2ID13;
  sealed[OFFSET_DERIVATION] = (unsigned char)params.derivation;
  PutLittleEndian32(sealed + OFFSET_PASSES, params.passes);
  PutLittleEndian32(sealed + OFFSET_MEMORY, params.memoryKiB);
  memcpy(sealed + OFFSET_SALT, salt, SEALED_SALT_SIZE);
  memcpy(sealed + OFFSET_NONCE, nonce, SEALED_NONCE_SIZE);

  unsigned char key[WRAP_KEY_SIZE];
  if (!WrapKey(keyPassword, salt, params, key)) {
    WipeMemory(key, sizeof key);
    return SEAL_NO_MEMORY;
  }
  unsigned long long length = 0;
  crypto_aead_xchacha20poly1305_ietf_encrypt(sealed + SEALED_HEADER_SIZE, &length, pool, KEY_POOL_LENGTH, sealed,
                                             SEALED_HEADER_SIZE, nullptr, sealed + OFFSET_NONCE, key);
  WipeMemory(key, sizeof key);
  memcpy(out, sealed, sizeof sealed);
  return SEAL_OK;
}

SealStatus SealKey(const unsigned char* pool, const char* keyPassword, const SealParameters& params,
                   unsigned char* out) {
  unsigned char salt[SEALED_SALT_SIZE], nonce[SEALED_NONCE_SIZE];
  if (!PlatformRandomBytes(salt, sizeof salt) || !PlatformRandomBytes(nonce, sizeof nonce)) return SEAL_FAILED;
  return SealKeyWith(pool, keyPassword, params, salt, nonce, out);
}
