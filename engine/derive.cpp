#include "derive.h"

#include <string.h>

#include "derive2.h"
#include "keyfile.h"
#include "text.h"

uint32_t g_squareState;
const SettingsRecord* g_filterSettings;

namespace {

const uint32_t HASH_MODULUS = 65535;
const uint32_t SQUARE_MODULUS = 65517;  // 3 * 21839
const uint32_t SEED_MODULUS = 21839;
const int BYTE_VALUES = 256;

bool ClassHolds(const char* chars, unsigned char b) {
  return memchr(chars, b, BoundedLength(chars, CLASS_CAPACITY)) != nullptr;
}

void MarkClass(bool* table, uint32_t flags, uint32_t bit, const char* chars) {
  if (!(flags & bit)) return;
  for (int i = 0; i < CLASS_CAPACITY && chars[i]; ++i) table[(unsigned char)chars[i]] = true;
}

// The same answers as IsCharAllowed for every byte, built once per filter
// rather than searching up to four class strings for each key byte.
void BuildFilterTable(const SettingsRecord& s, bool* table) {
  memset(table, 0, BYTE_VALUES * sizeof *table);
  MarkClass(table, s.optionFlags, OPT_DIGITS, s.digitChars);
  MarkClass(table, s.optionFlags, OPT_LOWER, s.lowerChars);
  MarkClass(table, s.optionFlags, OPT_UPPER, s.upperChars);
  MarkClass(table, s.optionFlags, OPT_SYMBOLS, s.symbolChars);
  table[0] = false;
}

}  // namespace

bool IsCharAllowed(unsigned char b) {
  if (b == 0) return false;
  const SettingsRecord& s = *g_filterSettings;
  if ((s.optionFlags & OPT_DIGITS) && ClassHolds(s.digitChars, b)) return true;
  if ((s.optionFlags & OPT_LOWER) && ClassHolds(s.lowerChars, b)) return true;
  if ((s.optionFlags & OPT_UPPER) && ClassHolds(s.upperChars, b)) return true;
  if ((s.optionFlags & OPT_SYMBOLS) && ClassHolds(s.symbolChars, b)) return true;
  return false;
}

bool UnmaskAndFilter(const char* keyPassword, unsigned char* buffer, int32_t* count) {
  const int32_t n = *count;
  MaskWithPassword(buffer, keyPassword, n);

  bool allowed[BYTE_VALUES];
  BuildFilterTable(*g_filterSettings, allowed);
  unsigned char candidates[KEY_BUFFER_SIZE];
  int32_t found = 0;
  for (int32_t j = 0; j < n - 1; ++j) {
    if (allowed[buffer[j]]) candidates[found++] = buffer[j];
  }
  bool ok = n - 1 > 0 && found > 0;
  if (ok) {
    candidates[found] = 0;
    memcpy(buffer, candidates, (size_t)found + 1);
    *count = found + 1;
  }
  WipeMemory(candidates, sizeof candidates);
  return ok;
}

uint32_t HashPassPhrase(const char* passPhrase) {
  // Each byte counts as a signed 8-bit value; the product is taken as a
  // 32-bit pattern read unsigned, so a negative one wraps before the remainder.
  uint32_t h = 1;
  for (uint32_t j = 0; passPhrase[j]; ++j) {
    int32_t s = (signed char)passPhrase[j];
    uint32_t factor = j + (uint32_t)s;
    h = (h * factor) % HASH_MODULUS;
  }
  return h;
}

void SeedSquareGenerator(uint32_t hash) {
  uint32_t r = hash % SEED_MODULUS;
  g_squareState = (3 * r) * (3 * r) % SQUARE_MODULUS;
}

uint32_t NextSquareValue() {
  g_squareState = g_squareState * g_squareState % SQUARE_MODULUS;
  return g_squareState;
}

bool DerivePassword(SettingsRecord settings, const unsigned char* keyBytes, int32_t keyCount, const char* keyPassword,
                    const char* passPhrase, int32_t length, char* output) {
  if (settings.optionFlags & OPT_DERIVATION_2) {
    return DerivePassword2(settings, keyBytes, keyCount, keyPassword, passPhrase, length, output);
  }
  if (keyCount < 0 || keyCount > KEY_BUFFER_SIZE) return false;
  g_filterSettings = &settings;

  unsigned char work[KEY_BUFFER_SIZE];
  memset(work, 0, sizeof work);
  memcpy(work, keyBytes, (size_t)keyCount);
  int32_t count = keyCount;

  bool ok = UnmaskAndFilter(keyPassword, work, &count);
  if (ok) {
    SeedSquareGenerator(HashPassPhrase(passPhrase));
    const uint32_t candidates = (uint32_t)(count - 1);
    for (int32_t k = 0; k < length; ++k) output[k] = (char)work[NextSquareValue() % candidates];
  }
  WipeMemory(work, sizeof work);
  g_filterSettings = nullptr;
  return ok;
}
