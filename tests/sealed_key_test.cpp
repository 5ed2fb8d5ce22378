#include "sealed_key.h"

#include <gtest/gtest.h>
#include <string.h>

#include <string>

#include "key_open.h"
#include "keyfile.h"
#include "settings.h"
#include "test_files.h"

namespace {

struct Case {
  const char* poolHex;
  const char* keyPasswordHex;
  int derivation;
  uint32_t passes;
  uint32_t memoryKiB;
  const char* saltHex;
  const char* nonceHex;
  const char* sealedHex;
};

// Sealed by tests/sealed_key_reference.py over PyNaCl: the two published
// vectors, then random pools and key passwords at the smallest parameters.
const Case REFERENCE_CASES[] = {
#include "sealed_key_cases.inc"
};

std::string Bytes(const char* hex) {
  std::string out;
  for (const char* p = hex; p[0] && p[1]; p += 2) out += (char)std::stoi(std::string(p, 2), nullptr, 16);
  return out;
}

const unsigned char* U(const std::string& s) { return (const unsigned char*)s.data(); }

std::string Derive(const OpenedKey& key, int derivation) {
  SettingsRecord s;
  SetDefaultSettings(&s, "");
  if (derivation == 0) {
    ApplyKeyDerivation(key, &s);
  } else if (derivation == 2) {
    s.optionFlags |= OPT_DERIVATION_2;
  }
  char out[32] = {};
  EXPECT_TRUE(DeriveWithKey(s, key, "example.com", DEFAULT_PASSWORD_LENGTH, out));
  return out;
}

TEST(SealedKey, MatchesTheReferenceAndOpens) {
  for (const Case& c : REFERENCE_CASES) {
    SCOPED_TRACE(c.sealedHex);
    const std::string pool = Bytes(c.poolHex), password = Bytes(c.keyPasswordHex), sealed = Bytes(c.sealedHex);
    const SealParameters p = {c.passes, c.memoryKiB, c.derivation};
    unsigned char out[SEALED_KEY_SIZE];
    ASSERT_EQ(SEAL_OK, SealKeyWith(U(pool), password.c_str(), p, U(Bytes(c.saltHex)), U(Bytes(c.nonceHex)), out));
    EXPECT_EQ(sealed, std::string((const char*)out, sizeof out));

    OpenedKey key;
    ASSERT_EQ(KEY_OPEN_OK, OpenKey(U(sealed), SEALED_KEY_SIZE, password.c_str(), true, &key));
    EXPECT_EQ(pool + '\0', std::string((const char*)key.bytes, key.count));
    EXPECT_EQ(c.derivation, KeyDerivation(key));
    EXPECT_EQ(c.passes, key.seal.passes);
    EXPECT_EQ(c.memoryKiB, key.seal.memoryKiB);
  }
}

// The vectors' passwords, and the same passwords from the original form of
// the same pool under the same key password.
TEST(SealedKey, DerivesAsTheOriginalFormOfItsPool) {
  const struct {
    int caseIndex;
    const char* own;    // by the key's derivation
    const char* other;  // by the other one
  } vectors[] = {{0, "-*r|em5W#J*=3udn", "B>;0f\\%f4KNTfTBf"}, {1, "+57~e8Ge@zwqeq+e", "g*7G<FW^Hshb4#Sw"}};
  for (const auto& v : vectors) {
    const Case& c = REFERENCE_CASES[v.caseIndex];
    const std::string password = Bytes(c.keyPasswordHex);
    OpenedKey sealed, original;
    ASSERT_EQ(KEY_OPEN_OK, OpenKey(U(Bytes(c.sealedHex)), SEALED_KEY_SIZE, password.c_str(), true, &sealed));
    EXPECT_EQ(v.own, Derive(sealed, 0));
    EXPECT_EQ(v.other, Derive(sealed, 3 - c.derivation));

    unsigned char file[KEY_FILE_SIZE];
    ASSERT_EQ(KEY_FILE_SIZE, UnsealOpenedKey(sealed, password.c_str(), file));
    ASSERT_EQ(KEY_OPEN_OK, OpenKey(file, KEY_FILE_SIZE, password.c_str(), true, &original));
    EXPECT_FALSE(original.sealed);
    EXPECT_EQ(v.own, Derive(original, c.derivation));
    EXPECT_EQ(v.other, Derive(original, 3 - c.derivation));
  }
}

// Every header field out of range is refused before Argon2id runs; every
// other flipped byte fails the tag; a file one byte off is no sealed key.
TEST(SealedKey, RefusesWhatItCannotOpen) {
  const Case& c = REFERENCE_CASES[1];  // 1 pass, 8 MiB
  const std::string good = Bytes(c.sealedHex), password = Bytes(c.keyPasswordHex);
  const struct {
    int offset;
    uint32_t value;
    int size;
  } fields[] = {{8, 0, 1},  {8, 2, 1},  {9, 0, 1},   {9, 2, 1},     {10, 0, 1},       {10, 3, 1},
                {11, 1, 1}, {12, 0, 4}, {12, 17, 4}, {16, 8191, 4}, {16, 1048577, 4}, {16, 0xFFFFFFFF, 4}};
  for (const auto& f : fields) {
    std::string bad = good;
    for (int i = 0; i < f.size; ++i) bad[f.offset + i] = (char)(f.value >> (8 * i));
    OpenedKey key;
    EXPECT_EQ(KEY_OPEN_UNSUPPORTED, OpenKey(U(bad), SEALED_KEY_SIZE, password.c_str(), true, &key)) << f.offset;
    EXPECT_EQ(KEY_OPEN_UNSUPPORTED, CheckKeyFileShape(U(bad), SEALED_KEY_SIZE));
  }
  for (int i = 8; i < SEALED_KEY_SIZE; ++i) {
    std::string bad = good;
    bad[i] ^= 0x01;
    OpenedKey key;
    const KeyOpenStatus status = OpenKey(U(bad), SEALED_KEY_SIZE, password.c_str(), true, &key);
    EXPECT_TRUE(status == KEY_OPEN_WRONG_PASSWORD || status == KEY_OPEN_UNSUPPORTED) << i;
    EXPECT_EQ(0, key.count);
  }
  OpenedKey key;
  EXPECT_EQ(KEY_OPEN_WRONG_PASSWORD, OpenKey(U(good), SEALED_KEY_SIZE, "correct horse", true, &key));
}

// Sealed to the format by the reference, opening with their key password,
// yet holding no key pool.
const Case NOT_KEYS[] = {
#include "sealed_not_keys.inc"
};

// Nothing derives from a sealed file whose pool is not a key, from a sealed
// key cut short or grown (even unchecked), nor past the memory the process has.
TEST(SealedKey, OnlyAKeyOpens) {
  for (const Case& c : NOT_KEYS) {
    OpenedKey key;
    for (bool check : {true, false}) {
      EXPECT_EQ(KEY_OPEN_NOT_A_KEY, OpenKey(U(Bytes(c.sealedHex)), SEALED_KEY_SIZE, "correct horse", check, &key))
          << c.poolHex;
      EXPECT_EQ(0, key.count);
      EXPECT_EQ(std::string(sizeof key.bytes, '\0'), std::string((const char*)key.bytes, sizeof key.bytes));
    }
  }
  const Case& c = REFERENCE_CASES[1];  // 1 pass, 8 MiB
  const std::string good = Bytes(c.sealedHex), password = Bytes(c.keyPasswordHex);
  const std::string path = ScratchDir("sealed-damaged") + "k.key";
  for (size_t size : {8, 100, 150, 177, 179, 10000}) {
    std::string damaged = good;
    damaged.resize(size, 'x');
    ASSERT_TRUE(WriteBytes(path, damaged));
    unsigned char file[KEY_BUFFER_SIZE];
    const int count = ReadKeyFile(path.c_str(), file);
    OpenedKey key;
    EXPECT_EQ(KEY_OPEN_DAMAGED, CheckKeyFileShape(file, count)) << size;
    EXPECT_EQ(KEY_OPEN_DAMAGED, OpenKey(file, count, password.c_str(), false, &key)) << size;
  }
  g_sealMemoryLimitKiB = c.memoryKiB - 1;
  OpenedKey key;
  EXPECT_EQ(KEY_OPEN_NO_MEMORY, OpenKey(U(good), SEALED_KEY_SIZE, password.c_str(), true, &key));
  g_sealMemoryLimitKiB = 0;
}

// The reader gives a sealed key whole and any other file as it always has.
TEST(SealedKey, ReadKeyFileTakesBothForms) {
  const std::string sealed = Bytes(REFERENCE_CASES[1].sealedHex);
  const struct {
    std::string bytes;
    int expected;
  } files[] = {{sealed, SEALED_KEY_SIZE},
               {sealed + "x", KEY_READ_LIMIT},
               {sealed.substr(0, 177), KEY_READ_LIMIT},
               {std::string(103, 'a'), 103}};
  const std::string path = ScratchDir("sealed-read") + "k.key";
  for (const auto& f : files) {
    ASSERT_TRUE(WriteBytes(path, f.bytes));
    unsigned char buffer[KEY_BUFFER_SIZE];
    EXPECT_EQ(f.expected, ReadKeyFile(path.c_str(), buffer));
    EXPECT_EQ(0, memcmp(buffer, f.bytes.data(), f.expected));
  }
}

TEST(SealedKey, NewKeysAreFreshEachTime) {
  SealParameters p = DefaultSealParameters();
  EXPECT_EQ(3u, p.passes);
  EXPECT_EQ(65536u, p.memoryKiB);
  EXPECT_EQ(2, p.derivation);
  p.memoryKiB = SEALED_MEMORY_KIB_MIN;
  p.passes = 1;
  unsigned char a[SEALED_KEY_SIZE], b[SEALED_KEY_SIZE];
  ASSERT_EQ(SEAL_OK, CreateSealedKey("key password", p, a));
  OpenedKey key;
  ASSERT_EQ(KEY_OPEN_OK, OpenKey(a, SEALED_KEY_SIZE, "key password", true, &key));
  ASSERT_EQ(SEAL_OK, SealOpenedKey(key, "key password", p, b));
  EXPECT_NE(0, memcmp(a + 20, b + 20, SEALED_KEY_SIZE - 20));  // salt, nonce and all that follows
  EXPECT_EQ(0, memcmp(a, b, 20));
  p.passes = 0;
  EXPECT_EQ(SEAL_FAILED, SealOpenedKey(key, "key password", p, b));
}

}  // namespace
