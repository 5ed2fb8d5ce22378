#include "key_open.h"

#include <string.h>

#include "derive.h"
#include "key_check.h"
#include "text.h"

namespace {

// Only a key pool is ever written again, sealed or not.
bool IsWholeKey(const OpenedKey& key) {
  return key.count == KEY_FILE_SIZE && key.bytes[KEY_POOL_LENGTH] == 0 && IsKeyPool(key.bytes);
}

KeyOpenStatus FromVerdict(KeyVerdict verdict) {
  switch (verdict) {
    case KEY_OK:
      return KEY_OPEN_OK;
    case KEY_WRONG_SIZE:
      return KEY_OPEN_WRONG_SIZE;
    case KEY_NO_FINAL_ZERO:
      return KEY_OPEN_NO_FINAL_ZERO;
    case KEY_PASSWORD_MISMATCH:
      break;
  }
  return KEY_OPEN_MISMATCH;
}

}  // namespace

KeyOpenStatus CheckKeyFileShape(const unsigned char* file, int count) {
  if (IsDamagedSealedKey(file, count)) return KEY_OPEN_DAMAGED;
  if (IsSealedKey(file, count)) {
    SealParameters p;
    return ReadSealParameters(file, &p) == SEAL_OK ? KEY_OPEN_OK : KEY_OPEN_UNSUPPORTED;
  }
  return FromVerdict(CheckKeyShape(file, count));
}

KeyOpenStatus OpenKey(const unsigned char* file, int count, const char* keyPassword, bool checkOriginal,
                      OpenedKey* out) {
  memset(out, 0, sizeof *out);
  if (IsDamagedSealedKey(file, count)) return KEY_OPEN_DAMAGED;
  if (IsSealedKey(file, count)) {
    out->sealed = true;
    switch (OpenSealedKey(file, keyPassword, out->bytes, &out->seal)) {
      case SEAL_OK:
        out->count = KEY_FILE_SIZE;
        return KEY_OPEN_OK;
      case SEAL_UNSUPPORTED:
        return KEY_OPEN_UNSUPPORTED;
      case SEAL_NO_MEMORY:
        return KEY_OPEN_NO_MEMORY;
      case SEAL_NOT_A_KEY:
        return KEY_OPEN_NOT_A_KEY;
      case SEAL_WRONG_PASSWORD:
      case SEAL_FAILED:
        break;
    }
    return KEY_OPEN_WRONG_PASSWORD;
  }
  if (checkOriginal) {
    const KeyOpenStatus status = FromVerdict(CheckKeyPassword(file, count, keyPassword));
    if (status != KEY_OPEN_OK) return status;
  }
  // The derivation accepts at most 256 key bytes; the reader gives at most 105.
  if (count < 0 || count > KEY_BUFFER_SIZE) return KEY_OPEN_WRONG_SIZE;
  memcpy(out->bytes, file, (size_t)count);
  MaskWithPassword(out->bytes, keyPassword, count);
  out->count = count;
  return KEY_OPEN_OK;
}

int KeyDerivation(const OpenedKey& key) { return key.sealed ? key.seal.derivation : 0; }

int KeyFileDerivation(const unsigned char* file, int count) {
  SealParameters p;
  return IsSealedKey(file, count) && ReadSealParameters(file, &p) == SEAL_OK ? p.derivation : 0;
}

void SetDerivation(SettingsRecord* settings, int derivation) {
  if (derivation == 2) settings->optionFlags |= OPT_DERIVATION_2;
  if (derivation == 1) settings->optionFlags &= ~(uint32_t)OPT_DERIVATION_2;
}

void ApplyKeyDerivation(const OpenedKey& key, SettingsRecord* settings) { SetDerivation(settings, KeyDerivation(key)); }

bool DeriveWithKey(const SettingsRecord& settings, const OpenedKey& key, const char* passPhrase, int32_t length,
                   char* output) {
  return DerivePassword(settings, key.bytes, key.count, "", passPhrase, length, output);
}

SealStatus SealOpenedKey(const OpenedKey& key, const char* keyPassword, const SealParameters& params,
                         unsigned char* out) {
  if (!IsWholeKey(key)) return SEAL_NOT_A_KEY;
  return SealKey(key.bytes, keyPassword, params, out);
}

int UnsealOpenedKey(const OpenedKey& key, const char* keyPassword, unsigned char* out) {
  if (!IsWholeKey(key)) return 0;
  memcpy(out, key.bytes, KEY_FILE_SIZE);
  MaskWithPassword(out, keyPassword, KEY_FILE_SIZE);
  return KEY_FILE_SIZE;
}

SealStatus CreateSealedKey(const char* keyPassword, const SealParameters& params, unsigned char* out) {
  unsigned char pool[KEY_FILE_SIZE];
  if (BuildShuffledPool(pool) != KEY_FILE_SIZE) return SEAL_FAILED;
  const SealStatus status = SealKey(pool, keyPassword, params, out);
  WipeMemory(pool, sizeof pool);
  return status;
}
