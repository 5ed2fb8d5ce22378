#include "derive2.h"

#include <gtest/gtest.h>
#include <string.h>

#include <string>

#include "derive.h"
#include "keyfile.h"
#include "settings.h"
#include "text.h"

namespace {

struct Case {
  const char* keyHex;
  const char* keyPasswordHex;
  const char* passPhraseHex;
  const char* classHex[4];  // digits, lower, upper, symbols
  uint32_t flags;
  int32_t length;
  const char* expectedHex;  // nullptr: the derivation fails
};

// Derived by tests/derive2_reference.py, an implementation of its own over
// Python's hmac and hashlib: the three published vectors first, then random
// keys, key passwords, pass phrases, lengths, classes and class strings.
const Case REFERENCE_CASES[] = {
#include "derive2_cases.inc"
};

std::string Bytes(const char* hex) {
  std::string out;
  for (const char* p = hex; p[0] && p[1]; p += 2) out += (char)std::stoi(std::string(p, 2), nullptr, 16);
  return out;
}

SettingsRecord Record(const Case& c) {
  SettingsRecord s;
  SetDefaultSettings(&s, "");
  s.optionFlags = c.flags;
  char* fields[4] = {s.digitChars, s.lowerChars, s.upperChars, s.symbolChars};
  for (int i = 0; i < 4; ++i) {
    memset(fields[i], 0, CLASS_CAPACITY);
    const std::string chars = Bytes(c.classHex[i]);
    memcpy(fields[i], chars.data(), chars.size());
  }
  return s;
}

// Every enabled class that keeps a printable character appears in the password.
bool HoldsEveryClass(const SettingsRecord& s, const std::string& password) {
  const struct {
    uint32_t bit;
    const char* chars;
  } classes[] = {
      {OPT_DIGITS, s.digitChars}, {OPT_LOWER, s.lowerChars}, {OPT_UPPER, s.upperChars}, {OPT_SYMBOLS, s.symbolChars}};
  for (const auto& c : classes) {
    if (!(s.optionFlags & c.bit)) continue;
    bool printable = false, present = false;
    for (int i = 0; i < CLASS_CAPACITY && c.chars[i]; ++i) {
      const char ch = c.chars[i];
      printable = printable || (ch >= 0x21 && ch <= 0x7E);
      present = present || (ch >= 0x21 && ch <= 0x7E && password.find(ch) != std::string::npos);
    }
    if (printable && !present) return false;
  }
  return true;
}

}  // namespace

TEST(Derive2, MatchesTheReferenceImplementation) {
  for (const Case& c : REFERENCE_CASES) {
    const SettingsRecord s = Record(c);
    const std::string key = Bytes(c.keyHex);
    const std::string keyPassword = Bytes(c.keyPasswordHex), passPhrase = Bytes(c.passPhraseHex);
    char out[TEXT_CAPACITY];
    memset(out, '?', sizeof out);
    // Through DerivePassword, as the programs call it: bit 32 chooses derivation 2.
    const bool ok = DerivePassword(s, (const unsigned char*)key.data(), (int32_t)key.size(), keyPassword.c_str(),
                                   passPhrase.c_str(), c.length, out);
    SCOPED_TRACE("flags " + std::to_string(c.flags) + ", length " + std::to_string(c.length) + ", pass phrase " +
                 c.passPhraseHex);
    ASSERT_EQ(ok, c.expectedHex != nullptr);
    if (!ok) continue;
    const std::string password(out, (size_t)c.length);
    EXPECT_EQ(password, Bytes(c.expectedHex));
    EXPECT_EQ(out[c.length], '?') << "wrote past the length";
    int k = 0;
    for (uint32_t bit : {OPT_DIGITS, OPT_LOWER, OPT_UPPER, OPT_SYMBOLS}) k += (c.flags & bit) ? 1 : 0;
    if (c.length >= k) {
      EXPECT_TRUE(HoldsEveryClass(s, password)) << password;
    }
  }
}

TEST(Derive2, RefusesWhatItCannotDeriveAndWritesNothing) {
  unsigned char key[KEY_BUFFER_SIZE + 1] = {};
  ASSERT_EQ(CreateKey(key, "correct horse"), KEY_FILE_SIZE);
  SettingsRecord defaults;
  SetDefaultSettings(&defaults, "");
  defaults.optionFlags |= OPT_DERIVATION_2;
  SettingsRecord noClass = defaults;
  noClass.optionFlags = OPT_CLIPBOARD | OPT_DERIVATION_2;
  SettingsRecord unprintable = defaults;
  unprintable.optionFlags = OPT_DIGITS | OPT_DERIVATION_2;
  CopyText(unprintable.digitChars, CLASS_CAPACITY, " \x7f\x81\xff");
  const struct {
    const char* what;
    const SettingsRecord* settings;
    int32_t keyCount;
    int32_t length;
    bool ok;
  } cases[] = {
      {"one key byte", &defaults, 1, 16, false},    {"no key byte", &defaults, 0, 16, false},
      {"257 key bytes", &defaults, 257, 16, false}, {"256 key bytes", &defaults, 256, 16, true},
      {"two key bytes", &defaults, 2, 16, true},    {"length 0", &defaults, 103, 0, false},
      {"length 1024", &defaults, 103, 1024, false}, {"length -1", &defaults, 103, -1, false},
      {"no class", &noClass, 103, 16, false},       {"nothing printable", &unprintable, 103, 16, false},
  };
  for (const auto& c : cases) {
    char out[TEXT_CAPACITY + 1];
    memset(out, '?', sizeof out);
    EXPECT_EQ(DerivePassword(*c.settings, key, c.keyCount, "correct horse", "example.com", c.length, out), c.ok)
        << c.what;
    if (!c.ok) {
      EXPECT_EQ(out[0], '?') << c.what;
    }
  }
}
