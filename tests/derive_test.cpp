#include "derive.h"

#include <gtest/gtest.h>
#include <string.h>

#include <string>
#include <vector>

#include "keyfile.h"
#include "settings.h"
#include "text.h"

namespace {

// A fixed pool order (the alphabet reversed and rotated), masked with kKeyPassword.
const char kKeyPassword[] = "correct horse";
const char kKeyHex[] =
    "3e34324d5b5e481b52402e5d484f44585b4d4551044b4e080a1d141907061611055007011f1f0e09061a1503"
    "0610430a0e282a3d343927263631257027213f3f2e29263a35232630632a2e4b4a5d5b584544535641145c5c"
    "414157525e42421b1e085b08302c00";

std::vector<unsigned char> FixedKey() {
  std::vector<unsigned char> key;
  for (const char* p = kKeyHex; *p; p += 2) key.push_back((unsigned char)std::stoi(std::string(p, 2), nullptr, 16));
  return key;
}

SettingsRecord Classes(uint32_t flags) {
  SettingsRecord s;
  SetDefaultSettings(&s, "");
  s.optionFlags = flags;
  return s;
}

std::string Derive(const SettingsRecord& s, const std::vector<unsigned char>& key, const char* keyPassword,
                   const char* passPhrase, int32_t length) {
  char out[1024];
  memset(out, 0, sizeof out);
  if (!DerivePassword(s, key.data(), (int32_t)key.size(), keyPassword, passPhrase, length, out)) return "<false>";
  return std::string(out, (size_t)length);
}

const uint32_t ALL = OPT_DIGITS | OPT_LOWER | OPT_UPPER | OPT_SYMBOLS;

}  // namespace

// Values worked out by hand from the derivation rules, kept so that every
// password users have registered comes out again unchanged.
TEST(Derive, KnownPasswords) {
  struct Case {
    const char* passPhrase;
    int32_t length;
    uint32_t flags;
    const char* keyPassword;
    const char* expected;
  } cases[] = {
      {"example.com", 16, ALL | OPT_CLIPBOARD, kKeyPassword, "#23]X59X/spjXj#X"},
      {"example.com", 16, OPT_DIGITS, kKeyPassword, "4375709279161860"},
      {"abcd", 40, OPT_LOWER | OPT_UPPER, kKeyPassword, "qSrXnSfAGUYMLmLUgZCwSRtdjGWoKOdxmCxHWKQT"},
      {"\x93\xfa\x96\x7b\x8c\xea\x83\x54\x83\x43\x83\x67", 20, ALL, kKeyPassword, "sya#9gCC5R?a0m2myjOX"},
      {"", 5, OPT_SYMBOLS, kKeyPassword, "##-<}"},
      {"\x05\xfc", 8, ALL, kKeyPassword, "s505&v58"},
      {"example.com", 16, ALL, "wrong password", "2IzY`l`U3rzV3~##"},
  };
  std::vector<unsigned char> key = FixedKey();
  for (const Case& c : cases) {
    EXPECT_EQ(Derive(Classes(c.flags), key, c.keyPassword, c.passPhrase, c.length), c.expected) << c.passPhrase;
  }
}

TEST(Derive, HashReadsBytesSignedAndWrapsNegativeProducts) {
  struct Case {
    const char* passPhrase;
    uint32_t hash;
  } cases[] = {
      {"", 1},
      {"\x05\xfc", 65521},  // 5 * (1 - 4) = -15, read as 2^32 - 15
      {"a\xff", 0},         // factor 1 + (-1) = 0 at position 1
      {"a\xff"
       "abc",
       0},  // and zero stays zero
      {"\x93\xfa\x96\x7b\x8c\xea", 902},
      {"example.com", 53040},
  };
  for (const Case& c : cases) EXPECT_EQ(HashPassPhrase(c.passPhrase), c.hash) << c.passPhrase;
}

TEST(Derive, SquareGeneratorSequence) {
  SeedSquareGenerator(1);
  EXPECT_EQ(g_squareState, 9u);
  EXPECT_EQ(NextSquareValue(), 81u);
  EXPECT_EQ(NextSquareValue(), 6561u);
  EXPECT_EQ(NextSquareValue(), 2052u);

  for (uint32_t h : {0u, 21839u, 43678u, 65517u}) {
    SeedSquareGenerator(h);
    EXPECT_EQ(NextSquareValue(), 0u) << h;
  }
  for (uint32_t h : {2u, 777u, 21838u, 65534u}) {
    SeedSquareGenerator(h);
    for (int i = 0; i < 50; ++i) {
      uint32_t v = NextSquareValue();
      ASSERT_LT(v, 65517u);
      ASSERT_EQ(v % 3, 0u);
    }
  }
}

TEST(Derive, CandidatesFollowKeyOrder) {
  std::vector<unsigned char> key = FixedKey();
  struct Case {
    uint32_t flags;
    int32_t candidates;
  } cases[] = {{OPT_DIGITS, 20}, {OPT_LOWER, 26}, {OPT_SYMBOLS, 30}, {ALL, 102}};
  for (const Case& c : cases) {
    SettingsRecord s = Classes(c.flags);
    g_filterSettings = &s;
    unsigned char work[256] = {};
    memcpy(work, key.data(), key.size());
    int32_t count = (int32_t)key.size();
    ASSERT_TRUE(UnmaskAndFilter(kKeyPassword, work, &count));
    EXPECT_EQ(count, c.candidates + 1);
    EXPECT_EQ(work[c.candidates], 0);
    std::vector<unsigned char> pool(key.begin(), key.end() - 1);
    MaskWithPassword(pool.data(), kKeyPassword, (int)pool.size() + 1);
    std::string expected;
    for (unsigned char b : pool)
      if (IsCharAllowed(b)) expected += (char)b;
    EXPECT_EQ(std::string((char*)work, (size_t)c.candidates), expected);
  }
}

TEST(Derive, RefusesWithoutCandidatesAndWritesNothing) {
  std::vector<unsigned char> key = FixedKey();
  SettingsRecord all = Classes(ALL);
  struct Case {
    const char* what;
    SettingsRecord settings;
    int32_t count;
  } cases[] = {
      {"count 0", all, 0},
      {"count 1", all, 1},
      {"negative count", all, -1},
      {"count above the working buffer", all, 257},
      {"clipboard bit alone", Classes(OPT_CLIPBOARD), 103},
      {"no bit", Classes(0), 103},
  };
  std::vector<unsigned char> big(300, 'A');
  for (const Case& c : cases) {
    char out[32];
    memset(out, '?', sizeof out);
    const unsigned char* bytes = c.count > 103 ? big.data() : key.data();
    EXPECT_FALSE(DerivePassword(c.settings, bytes, c.count, kKeyPassword, "abcd", 16, out)) << c.what;
    EXPECT_EQ(std::string(out, sizeof out), std::string(sizeof out, '?')) << c.what;
  }
  // A pool whose bytes fall in no enabled class: all digits masked away.
  SettingsRecord spaces = Classes(OPT_DIGITS);
  strcpy(spaces.digitChars, " ");
  char out[4];
  EXPECT_FALSE(DerivePassword(spaces, key.data(), 103, kKeyPassword, "abcd", 4, out));
}

TEST(Derive, WritesExactlyLengthBytes) {
  std::vector<unsigned char> key = FixedKey();
  for (int32_t length : {-5, 0, 1, 17, 1023}) {
    std::vector<char> out(1030, '\x01');
    ASSERT_TRUE(DerivePassword(Classes(ALL), key.data(), 103, kKeyPassword, "abcd", length, out.data()));
    int32_t written = length > 0 ? length : 0;
    for (int32_t i = 0; i < written; ++i) ASSERT_NE(out[(size_t)i], '\x01');
    for (size_t i = (size_t)written; i < out.size(); ++i) ASSERT_EQ(out[i], '\x01') << length;
  }
}

TEST(Derive, KeyBytesBeyondThePoolCountLikePoolBytes) {
  // Byte count - 1 is the terminator and is never used, whatever it holds;
  // a 105-byte read uses bytes 102 and 103 as candidates.
  SettingsRecord digits = Classes(OPT_DIGITS);
  std::vector<unsigned char> key(105, 'x');
  key[102] = '7';
  key[103] = '7';
  key[104] = '5';
  EXPECT_EQ(Derive(digits, key, "", "abcd", 3), "777");
  key.resize(103);
  EXPECT_EQ(Derive(digits, key, "", "abcd", 3), "<false>");
}

TEST(Derive, ZeroBytesNeverBecomeCandidates) {
  SettingsRecord s = Classes(ALL);
  s.digitChars[0] = 0;
  std::vector<unsigned char> key(103, 0);
  key[50] = 'q';
  EXPECT_EQ(Derive(s, key, "", "abcd", 4), "qqqq");
}

TEST(Derive, ClassStringsAreReadWithinTheirFields) {
  // No terminator in any class field: the field's 64 bytes are the class.
  SettingsRecord s = Classes(OPT_UPPER);
  memset(s.upperChars, 'Z', sizeof s.upperChars);
  memset(s.symbolChars, 'Y', sizeof s.symbolChars);
  std::vector<unsigned char> key(103, 'Y');
  key[3] = 'Z';
  EXPECT_EQ(Derive(s, key, "", "abcd", 2), "ZZ");
}

TEST(Derive, FilterAgreesWithIsCharAllowedOnEveryByte) {
  // Every byte value 1..255 once, so high (code page 932) bytes, disabled
  // classes and unterminated fields all meet the filter.
  struct Case {
    uint32_t flags;
    const char* digits;
    const char* symbols;
    const char* expected;
  } cases[] = {
      {OPT_DIGITS | OPT_SYMBOLS, "9\x82\xa0", "\xff!", "!9\x82\xa0\xff"},
      {OPT_DIGITS, "9\x82\xa0", "\xff!", "9\x82\xa0"},
      {OPT_SYMBOLS, "", nullptr, "\x80"},
  };
  for (const Case& c : cases) {
    SettingsRecord s = Classes(c.flags);
    CopyText(s.digitChars, sizeof s.digitChars, c.digits);
    if (c.symbols)
      CopyText(s.symbolChars, sizeof s.symbolChars, c.symbols);
    else
      memset(s.symbolChars, 0x80, sizeof s.symbolChars);  // no terminator
    g_filterSettings = &s;
    unsigned char work[256] = {};
    for (int b = 1; b < 256; ++b) work[b - 1] = (unsigned char)b;
    int32_t count = 256;
    ASSERT_TRUE(UnmaskAndFilter("", work, &count));
    std::string expected;
    for (int b = 1; b < 256; ++b)
      if (IsCharAllowed((unsigned char)b)) expected += (char)b;
    EXPECT_EQ(expected, c.expected);
    EXPECT_EQ(std::string((char*)work, (size_t)count - 1), expected);
  }
}

TEST(Derive, DoesNotDependOnEarlierCalls) {
  std::vector<unsigned char> key = FixedKey();
  std::string first = Derive(Classes(ALL), key, kKeyPassword, "site", 30);
  Derive(Classes(OPT_DIGITS), key, "other", "another site", 500);
  EXPECT_EQ(Derive(Classes(ALL), key, kKeyPassword, "site", 30), first);
}
