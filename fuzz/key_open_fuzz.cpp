// The key file reader of both forms on any bytes: OpenKey never reads or
// writes outside its buffers, agrees with CheckKeyFileShape, and leaves no
// secret behind on failure. A key password is tried on a sealed key only at
// the smallest parameters, so that each input stays fast; a first byte with
// its low bit set seals a pool taken from the input (bit 1: the key alphabet
// shuffled by it) and opens it again, only a key pool giving a key.
#include <stddef.h>
#include <stdint.h>
#include <stdio.h>
#include <string.h>

#include "fuzz_files.h"
#include "key_check.h"
#include "key_open.h"

namespace {

bool AllZero(const unsigned char* bytes, size_t size) {
  for (size_t i = 0; i < size; ++i) {
    if (bytes[i]) return false;
  }
  return true;
}

bool Smallest(const unsigned char* file, int count) {
  SealParameters p;
  return IsSealedKey(file, count) && ReadSealParameters(file, &p) == SEAL_OK && p.passes == SEALED_PASSES_MIN &&
         p.memoryKiB == SEALED_MEMORY_KIB_MIN;
}

void CheckOpen(const unsigned char* file, int count, const char* keyPassword) {
  static OpenedKey key;
  const KeyOpenStatus shape = CheckKeyFileShape(file, count);
  const bool sealed = IsSealedKey(file, count);
  const bool damaged = IsDamagedSealedKey(file, count);
  FUZZ_CHECK(sealed ? shape == KEY_OPEN_OK || shape == KEY_OPEN_UNSUPPORTED : shape != KEY_OPEN_UNSUPPORTED);
  FUZZ_CHECK(damaged == (shape == KEY_OPEN_DAMAGED));
  if (sealed && shape == KEY_OPEN_OK && !Smallest(file, count)) return;
  for (bool checkOriginal : {true, false}) {
    memset(&key, 0xEE, sizeof key);
    const KeyOpenStatus status = OpenKey(file, count, keyPassword, checkOriginal, &key);
    FUZZ_CHECK(key.sealed == sealed);
    if (shape == KEY_OPEN_UNSUPPORTED || damaged) FUZZ_CHECK(status == shape);
    if (status != KEY_OPEN_OK) {
      FUZZ_CHECK(AllZero(key.bytes, sizeof key.bytes));
      continue;
    }
    FUZZ_CHECK(key.count >= 0 && key.count <= KEY_BUFFER_SIZE);
    FUZZ_CHECK(AllZero(key.bytes + key.count, sizeof key.bytes - (size_t)key.count));
    if (sealed) FUZZ_CHECK(key.count == KEY_FILE_SIZE && key.bytes[KEY_POOL_LENGTH] == 0 && IsKeyPool(key.bytes));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1 || size > 600) return 0;
  const bool roundTrip = data[0] & 1, shuffled = data[0] & 2;
  ++data;
  --size;
  // The key password: up to the first zero byte, at most 63 bytes.
  char keyPassword[64] = {};
  size_t n = 0;
  while (n < size && n < sizeof keyPassword - 1 && data[n]) {
    keyPassword[n] = (char)data[n];
    ++n;
  }
  if (n < size) ++n;
  const unsigned char* file = data + n;
  const int count = (int)(size - n);
  if (!roundTrip) {
    CheckOpen(file, count > KEY_BUFFER_SIZE ? KEY_BUFFER_SIZE : count, keyPassword);
    return 0;
  }

  // Any 102 bytes sealed at the smallest parameters open to themselves under
  // the same key password when they are a key pool, else to nothing; and to
  // nothing under another key password.
  if (count < KEY_POOL_LENGTH + SEALED_SALT_SIZE + SEALED_NONCE_SIZE) return 0;
  unsigned char source[KEY_FILE_SIZE];
  memcpy(source, file, KEY_POOL_LENGTH);
  if (shuffled) {
    memcpy(source, KEY_ALPHABET, KEY_POOL_LENGTH);
    for (int i = KEY_POOL_LENGTH - 1; i > 0; --i) {
      const int j = file[i] % (i + 1);
      const unsigned char t = source[i];
      source[i] = source[j];
      source[j] = t;
    }
  }
  const SealParameters params = {SEALED_PASSES_MIN, SEALED_MEMORY_KIB_MIN, 1 + (file[0] & 1)};
  unsigned char sealed[SEALED_KEY_SIZE], pool[KEY_FILE_SIZE];
  FUZZ_CHECK(SealKeyWith(source, keyPassword, params, file + KEY_POOL_LENGTH, file + KEY_POOL_LENGTH + SEALED_SALT_SIZE,
                         sealed) == SEAL_OK);
  SealParameters read;
  memset(pool, 0xEE, sizeof pool);
  const SealStatus opened = OpenSealedKey(sealed, keyPassword, pool, &read);
  if (IsKeyPool(source)) {
    FUZZ_CHECK(opened == SEAL_OK);
    FUZZ_CHECK(memcmp(pool, source, KEY_POOL_LENGTH) == 0 && pool[KEY_POOL_LENGTH] == 0);
  } else {
    FUZZ_CHECK(opened == SEAL_NOT_A_KEY && AllZero(pool, KEY_POOL_LENGTH));
  }
  FUZZ_CHECK(shuffled ? opened == SEAL_OK : true);
  FUZZ_CHECK(read.derivation == params.derivation);
  CheckOpen(sealed, SEALED_KEY_SIZE, keyPassword);
  char other[sizeof keyPassword + 1];
  snprintf(other, sizeof other, "%sx", keyPassword);
  FUZZ_CHECK(OpenSealedKey(sealed, other, pool, nullptr) == SEAL_WRONG_PASSWORD);
  return 0;
}
