// ReadKeyFile and DerivePassword on any key bytes, settings, key password,
// pass phrase and length, checked against a slow reference derivation.
//
// Input: flags (1 byte), length (2 bytes, little-endian, taken mod 1025 as a
// signed number: -1024 to 1024), four class strings (a length byte mod 65 and
// that many bytes; 64 leaves the field unterminated), the key bytes (2 bytes
// mod 301 and the bytes: counts above 256 must be refused), the key password
// (2 bytes mod 1024 and the bytes), the pass phrase (the rest, at most 1023).
#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include "derive.h"
#include "derive_reference.h"
#include "fuzz_files.h"
#include "keyfile.h"
#include "sealed_key.h"
#include "settings.h"

namespace {

struct Input {
  const uint8_t* data;
  size_t size;

  size_t Number(int bytes) {
    size_t n = 0;
    for (int i = 0; i < bytes && size; ++i, ++data, --size) n |= (size_t)*data << (8 * i);
    return n;
  }
  size_t Take(void* out, size_t wanted) {
    size_t n = wanted < size ? wanted : size;
    memcpy(out, data, n);
    data += n;
    size -= n;
    return n;
  }
};

const size_t OUTPUT_ROOM = 1024;
const size_t CANARY = 64;
const unsigned char CANARY_BYTE = 0xCD;

void TakeClass(Input* in, char* field) {
  memset(field, 0, CLASS_CAPACITY);
  in->Take(field, in->Number(1) % (CLASS_CAPACITY + 1));
}

// Derivation 2 is checked against a reference of its own in the engine
// tests; here, whether it must succeed: a key count the reader can give, a
// length of 1 to 1023, and a printable character in an enabled class.
bool Derive2Succeeds(const SettingsRecord& s, int32_t count, int32_t length) {
  if (count < 2 || count > KEY_BUFFER_SIZE || length < 1 || length > (int32_t)OUTPUT_ROOM - 1) return false;
  const char* fields[] = {s.digitChars, s.lowerChars, s.upperChars, s.symbolChars};
  const uint32_t bits[] = {OPT_DIGITS, OPT_LOWER, OPT_UPPER, OPT_SYMBOLS};
  for (int c = 0; c < 4; ++c) {
    if (!(s.optionFlags & bits[c])) continue;
    for (int i = 0; i < CLASS_CAPACITY && fields[c][i]; ++i) {
      if (fields[c][i] >= 0x21 && fields[c][i] <= 0x7E) return true;
    }
  }
  return false;
}

// One derivation, checked every way that does not depend on how it is done.
void Check(const SettingsRecord& settings, const unsigned char* key, int32_t count, const char* keyPassword,
           const char* passPhrase, int32_t length) {
  static char output[OUTPUT_ROOM + CANARY], expected[OUTPUT_ROOM + CANARY], again[OUTPUT_ROOM + CANARY];
  memset(output, CANARY_BYTE, sizeof output);
  memset(expected, CANARY_BYTE, sizeof expected);
  unsigned char keyCopy[512];
  memcpy(keyCopy, key, count > 0 ? (size_t)count : 0);
  SettingsRecord settingsCopy = settings;
  const bool second = settings.optionFlags & OPT_DERIVATION_2;

  bool ok = DerivePassword(settings, key, count, keyPassword, passPhrase, length, output);
  if (second) {
    FUZZ_CHECK(ok == Derive2Succeeds(settings, count, length));
  } else {
    bool want = ReferenceDerive(settings, key, count, keyPassword, passPhrase, length, expected);
    FUZZ_CHECK(ok == want);
    FUZZ_CHECK(memcmp(output, expected, sizeof output) == 0);
  }
  // Exactly length bytes written, nothing after them; nothing at all on false.
  static char canary[OUTPUT_ROOM + CANARY];
  memset(canary, CANARY_BYTE, sizeof canary);
  const size_t written = ok && length > 0 ? (size_t)length : 0;
  FUZZ_CHECK(memcmp(output + written, canary, sizeof output - written) == 0);
  bool allowed[256];
  for (int b = 0; b < 256; ++b)
    allowed[b] = ReferenceAllowed(settings, (unsigned char)b) && (!second || (b >= 0x21 && b <= 0x7E));
  bool members = true;
  for (size_t i = 0; i < written; ++i) members &= allowed[(unsigned char)output[i]];
  FUZZ_CHECK(members);
  // The caller's inputs stay as they were.
  FUZZ_CHECK(memcmp(key, keyCopy, count > 0 ? (size_t)count : 0) == 0);
  FUZZ_CHECK(memcmp(&settings, &settingsCopy, sizeof settings) == 0);

  // The same inputs give the same password, whatever was derived in between.
  memset(again, CANARY_BYTE, sizeof again);
  const bool between = DerivePassword(settings, key, count, keyPassword, "in between", 7, again);
  FUZZ_CHECK(second ? between == Derive2Succeeds(settings, count, 7)
                    : between == ReferenceDerive(settings, key, count, keyPassword, "in between", 7, expected));
  memset(again, CANARY_BYTE, sizeof again);
  FUZZ_CHECK(DerivePassword(settings, key, count, keyPassword, passPhrase, length, again) == ok);
  FUZZ_CHECK(memcmp(again, output, sizeof output) == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string keyPath = FuzzScratchPath("fuzz.key");
  Input in{data, size};

  SettingsRecord settings;
  SetDefaultSettings(&settings, "C:\\keys\\fuzz.key");
  settings.optionFlags = (uint32_t)in.Number(1);
  const int32_t length = (int32_t)(int16_t)in.Number(2) % (int32_t)(OUTPUT_ROOM + 1);
  settings.passwordLength = length;
  TakeClass(&in, settings.digitChars);
  TakeClass(&in, settings.lowerChars);
  TakeClass(&in, settings.upperChars);
  TakeClass(&in, settings.symbolChars);

  unsigned char key[512];
  const size_t keySize = in.Take(key, in.Number(2) % 301);
  char keyPassword[TEXT_CAPACITY] = {};
  in.Take(keyPassword, in.Number(2) % TEXT_CAPACITY);
  char passPhrase[TEXT_CAPACITY] = {};
  in.Take(passPhrase, TEXT_CAPACITY - 1);

  // The key as given, whatever its count...
  Check(settings, key, (int32_t)keySize, keyPassword, passPhrase, length);

  // ...and as the key file reader delivers it: a sealed key whole, else the
  // first 105 bytes, by count.
  FUZZ_CHECK(WriteKeyFile(keyPath.c_str(), key, (int)keySize));
  unsigned char read[KEY_BUFFER_SIZE];
  memset(read, 0x5A, sizeof read);
  const int n = ReadKeyFile(keyPath.c_str(), read);
  const bool sealed = IsSealedKey(key, (int)keySize);
  FUZZ_CHECK(n == (int)(sealed || keySize < KEY_READ_LIMIT ? keySize : KEY_READ_LIMIT));
  FUZZ_CHECK(memcmp(read, key, (size_t)n) == 0);
  for (size_t i = (size_t)n; i < sizeof read; ++i) FUZZ_CHECK(read[i] == 0x5A);
  Check(settings, read, n, keyPassword, passPhrase, length);
  return 0;
}
