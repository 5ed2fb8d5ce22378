#include "key_check.h"

#include <string.h>

#include "keyfile.h"
#include "text.h"

bool IsKeyPool(const unsigned char* pool) {
  // Up for every alphabet byte, down for every pool byte: all zero exactly
  // when the pool is the alphabet in some order.
  int tally[256] = {};
  for (int i = 0; i < KEY_POOL_LENGTH; ++i) {
    ++tally[(unsigned char)KEY_ALPHABET[i]];
    --tally[pool[i]];
  }
  bool same = true;
  for (int t : tally) same = same && t == 0;
  WipeMemory(tally, sizeof tally);
  return same;
}

KeyVerdict CheckKeyShape(const unsigned char* key, int count) {
  if (count != KEY_FILE_SIZE) return KEY_WRONG_SIZE;
  if (key[KEY_FILE_SIZE - 1] != 0) return KEY_NO_FINAL_ZERO;
  return KEY_OK;
}

KeyVerdict CheckKeyPassword(const unsigned char* key, int count, const char* keyPassword) {
  const KeyVerdict shape = CheckKeyShape(key, count);
  if (shape != KEY_OK) return shape;
  unsigned char pool[KEY_FILE_SIZE];
  memcpy(pool, key, sizeof pool);
  MaskWithPassword(pool, keyPassword, KEY_FILE_SIZE);
  const bool same = IsKeyPool(pool);
  WipeMemory(pool, sizeof pool);
  return same ? KEY_OK : KEY_PASSWORD_MISMATCH;
}
