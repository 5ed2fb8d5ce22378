#include "derive_reference.h"

#include <string.h>

#include <string>
#include <vector>

namespace {

bool ClassContains(const char* field, unsigned char b) {
  for (int i = 0; i < CLASS_CAPACITY && field[i]; ++i) {
    if ((unsigned char)field[i] == b) return true;
  }
  return false;
}

}  // namespace

bool ReferenceAllowed(const SettingsRecord& s, unsigned char b) {
  if (b == 0) return false;
  return ((s.optionFlags & OPT_DIGITS) && ClassContains(s.digitChars, b)) ||
         ((s.optionFlags & OPT_LOWER) && ClassContains(s.lowerChars, b)) ||
         ((s.optionFlags & OPT_UPPER) && ClassContains(s.upperChars, b)) ||
         ((s.optionFlags & OPT_SYMBOLS) && ClassContains(s.symbolChars, b));
}

bool ReferenceDerive(const SettingsRecord& settings, const unsigned char* keyBytes, int32_t keyCount,
                     const char* keyPassword, const char* passPhrase, int32_t length, char* output) {
  if (keyCount < 0 || keyCount > 256) return false;

  // Byte i of the key, bar the last, XOR key-password byte i mod L.
  const size_t L = strlen(keyPassword);
  std::vector<unsigned char> candidates;
  for (int32_t i = 0; i + 1 < keyCount; ++i) {
    unsigned char b = keyBytes[i] ^ (L ? (unsigned char)keyPassword[(size_t)i % L] : 0);
    if (ReferenceAllowed(settings, b)) candidates.push_back(b);
  }
  if (candidates.empty()) return false;

  // h = (h * (j + signed byte)) as a 32-bit pattern read unsigned, mod 65535.
  int64_t h = 1;
  for (int64_t j = 0; passPhrase[j]; ++j) {
    int64_t product = h * (j + (int64_t)(signed char)passPhrase[j]);
    int64_t pattern = ((product % 4294967296LL) + 4294967296LL) % 4294967296LL;
    h = pattern % 65535;
  }

  const int64_t r = h % 21839;
  int64_t state = (3 * r) * (3 * r) % 65517;
  for (int32_t k = 0; k < length; ++k) {
    state = state * state % 65517;
    output[k] = (char)candidates[(size_t)(state % (int64_t)candidates.size())];
  }
  return true;
}
