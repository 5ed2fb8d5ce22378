#include "keyfile.h"

#include <stdint.h>
#include <string.h>

#include "platform.h"
#include "safe_write.h"
#include "sealed_key.h"
#include "text.h"

const char KEY_ALPHABET[KEY_POOL_LENGTH + 1] =
    "00112233445566778899"
    "ABCDEFGHIJKLMNOPQRSTUVWXYZ"
    "abcdefghijklmnopqrstuvwxyz"
    "!#$%&()*+,-.\\/:;<=>?@[]^_`{|}~";

namespace {

// Random words from the operating system, fetched a block at a time.
struct RandomSource {
  uint32_t words[64];
  size_t next = 64;

  bool Next(uint32_t* out) {
    if (next == 64) {
      if (!PlatformRandomBytes(words, sizeof words)) return false;
      next = 0;
    }
    *out = words[next++];
    return true;
  }

  // Uniform in 0..bound-1 by rejection: no remainder bias.
  bool Below(uint32_t bound, uint32_t* out) {
    const uint32_t limit = UINT32_MAX - UINT32_MAX % bound;  // accept 0..limit-1
    uint32_t word;
    do {
      if (!Next(&word)) return false;
    } while (word >= limit);
    *out = word % bound;
    return true;
  }

  ~RandomSource() { WipeMemory(words, sizeof words); }
};

}  // namespace

int BuildShuffledPool(unsigned char* buffer) {
  memcpy(buffer, KEY_ALPHABET, KEY_POOL_LENGTH + 1);
  RandomSource random;
  for (uint32_t i = KEY_POOL_LENGTH - 1; i > 0; --i) {
    uint32_t j;
    if (!random.Below(i + 1, &j)) {
      WipeMemory(buffer, KEY_POOL_LENGTH);
      return 0;
    }
    unsigned char t = buffer[i];
    buffer[i] = buffer[j];
    buffer[j] = t;
  }
  return KEY_POOL_LENGTH + 1;
}

bool MaskWithPassword(unsigned char* buffer, const char* keyPassword, int count) {
  const size_t length = strlen(keyPassword);
  size_t p = 0;
  for (int i = 0; i < count - 1; ++i) {
    buffer[i] ^= (unsigned char)keyPassword[p];
    if (++p >= length) p = 0;
  }
  return true;
}

int CreateKey(unsigned char* buffer, const char* keyPassword) {
  int n = BuildShuffledPool(buffer);
  if (n == 0) return 0;
  if (!MaskWithPassword(buffer, keyPassword, n)) return 0;
  return n;
}

bool WriteKeyFile(const char* path, const unsigned char* buffer, int count) {
  if (count < 0) return false;
  return ReplaceKeyFileContents(path, buffer, (size_t)count, path);
}

int ReadKeyFile(const char* path, unsigned char* buffer) {
  FILE* file = PlatformOpenFile(path, "rb");
  if (!file) return 0;
  // One byte more than a sealed key, to tell a longer file from one.
  unsigned char bytes[SEALED_KEY_SIZE + 1];
  size_t n = fread(bytes, 1, sizeof bytes, file);
  fclose(file);
  if (!IsSealedKey(bytes, (int)n) && n > KEY_READ_LIMIT) n = KEY_READ_LIMIT;
  memcpy(buffer, bytes, n);
  WipeMemory(bytes, sizeof bytes);
  return (int)n;
}
