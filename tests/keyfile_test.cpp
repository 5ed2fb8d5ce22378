#include "keyfile.h"

#include <gtest/gtest.h>
#include <string.h>

#include <algorithm>
#include <string>

#include "test_files.h"

namespace {

std::string Pool(const unsigned char* buffer) { return std::string((const char*)buffer, KEY_POOL_LENGTH); }

std::string Sorted(std::string s) {
  std::sort(s.begin(), s.end());
  return s;
}

}  // namespace

TEST(KeyPool, HoldsTheAlphabetAndAZeroByte) {
  EXPECT_EQ(strlen(KEY_ALPHABET), 102u);
  EXPECT_EQ(std::string(KEY_ALPHABET + 46, 26), "abcdefghijklmnopqrstuvwxyz");
  EXPECT_EQ(std::string(KEY_ALPHABET + 72), "!#$%&()*+,-.\\/:;<=>?@[]^_`{|}~");
  unsigned char buffer[256];
  memset(buffer, 0xEE, sizeof buffer);
  ASSERT_EQ(BuildShuffledPool(buffer), 103);
  EXPECT_EQ(buffer[102], 0);
  EXPECT_EQ(buffer[103], 0xEE);
  EXPECT_EQ(Sorted(Pool(buffer)), Sorted(KEY_ALPHABET));
}

TEST(KeyPool, PoolsBuiltTogetherDiffer) {
  unsigned char a[103], b[103];
  ASSERT_EQ(BuildShuffledPool(a), 103);
  ASSERT_EQ(BuildShuffledPool(b), 103);
  EXPECT_NE(Pool(a), Pool(b));
}

// Over many pools every character reaches every position about equally often.
// The bounds are six standard deviations wide: a fair shuffle fails them with
// negligible probability, a shuffle that leaves positions out or favours some does not pass.
TEST(KeyPool, EveryPositionReceivesEveryCharacter) {
  const int pools = 6000;
  static int counts[KEY_POOL_LENGTH][256];
  memset(counts, 0, sizeof counts);
  unsigned char buffer[103];
  for (int n = 0; n < pools; ++n) {
    ASSERT_EQ(BuildShuffledPool(buffer), 103);
    for (int i = 0; i < KEY_POOL_LENGTH; ++i) ++counts[i][buffer[i]];
  }
  for (int i = 0; i < KEY_POOL_LENGTH; ++i) {
    for (const char* c = KEY_ALPHABET; *c; ++c) {
      double p = (c[0] >= '0' && c[0] <= '9' ? 2.0 : 1.0) / KEY_POOL_LENGTH;
      double mean = pools * p, sd = __builtin_sqrt(pools * p * (1 - p));
      int seen = counts[i][(unsigned char)*c];
      ASSERT_GT(seen, mean - 6 * sd) << "position " << i << " char " << *c;
      ASSERT_LT(seen, mean + 6 * sd) << "position " << i << " char " << *c;
    }
  }
}

TEST(KeyMask, CombinesCyclicallyAndUndoesItself) {
  struct Case {
    const char* keyPassword;
    int count;
    int changed;  // bytes 0..changed-1 may differ, the rest must not
  } cases[] = {
      {"", 103, 0}, {"x", 0, 0}, {"x", 1, 0}, {"x", 103, 102}, {"password", 103, 102}, {"password", 5, 4},
  };
  for (const Case& c : cases) {
    unsigned char buffer[103], original[103];
    memcpy(buffer, KEY_ALPHABET, 103);
    memcpy(original, buffer, 103);
    ASSERT_TRUE(MaskWithPassword(buffer, c.keyPassword, c.count));
    size_t length = strlen(c.keyPassword);
    for (int i = 0; i < 103; ++i) {
      unsigned char expected = i < c.changed ? original[i] ^ (unsigned char)c.keyPassword[i % length] : original[i];
      ASSERT_EQ(buffer[i], expected) << c.keyPassword << " " << i;
    }
    MaskWithPassword(buffer, c.keyPassword, c.count);
    EXPECT_EQ(memcmp(buffer, original, 103), 0);
  }
}

TEST(KeyMask, LongKeyPasswordUsesItsFirst102Bytes) {
  std::string longer(150, 'a');
  longer[101] = 'b';
  longer[102] = 'c';  // never reached
  unsigned char a[103], b[103];
  memcpy(a, KEY_ALPHABET, 103);
  memcpy(b, KEY_ALPHABET, 103);
  MaskWithPassword(a, longer.c_str(), 103);
  MaskWithPassword(b, longer.substr(0, 102).c_str(), 103);
  EXPECT_EQ(memcmp(a, b, 103), 0);
  EXPECT_EQ(a[101], (unsigned char)('~' ^ 'b'));
}

TEST(KeyCreate, MasksTheNewPool) {
  unsigned char buffer[256];
  ASSERT_EQ(CreateKey(buffer, "keypass1"), 103);
  EXPECT_EQ(buffer[102], 0);
  MaskWithPassword(buffer, "keypass1", 103);
  EXPECT_EQ(Sorted(Pool(buffer)), Sorted(KEY_ALPHABET));
}

TEST(KeyFile, WritesAndReadsBackByCount) {
  std::string dir = ScratchDir("keyfile");
  std::string path = dir + "my.key";
  // Masked bytes that text streams would translate, and zero bytes inside.
  unsigned char key[103];
  for (int i = 0; i < 102; ++i) key[i] = (unsigned char)"\x0a\x0d\x1a\x00\xff"[i % 5];
  key[102] = 0;
  ASSERT_TRUE(WriteBytes(path, std::string(500, 'z')));  // an older, longer file
  ASSERT_TRUE(WriteKeyFile(path.c_str(), key, 103));
  EXPECT_EQ(ReadBytes(path), std::string((char*)key, 103));
  unsigned char back[256];
  memset(back, 0x77, sizeof back);
  ASSERT_EQ(ReadKeyFile(path.c_str(), back), 103);
  EXPECT_EQ(memcmp(back, key, 103), 0);
  EXPECT_EQ(back[103], 0x77);
  EXPECT_EQ(CountTemporaries(dir), 0);

  ASSERT_TRUE(WriteKeyFile(path.c_str(), key, 0));
  EXPECT_EQ(ReadBytes(path), "");
  EXPECT_FALSE(WriteKeyFile(path.c_str(), key, -1));
  EXPECT_EQ(ReadBytes(path), "");
}

TEST(KeyFile, RefusesAPathThatCannotBeWritten) {
  std::string dir = ScratchDir("keyfile-missing");
  unsigned char key[103] = {1, 2, 3};
  EXPECT_FALSE(WriteKeyFile((dir + "no-such-dir/my.key").c_str(), key, 103));
  EXPECT_FALSE(Exists(dir + "no-such-dir/my.key"));
  EXPECT_FALSE(WriteKeyFile("", key, 103));
  EXPECT_EQ(CountTemporaries(dir), 0);
}

TEST(KeyFile, ReadsAtMost105Bytes) {
  std::string dir = ScratchDir("keyfile-read");
  struct Case {
    size_t size;
    int expected;
  } cases[] = {{0, 0}, {1, 1}, {103, 103}, {104, 104}, {105, 105}, {4000, 105}};
  for (const Case& c : cases) {
    std::string bytes;
    for (size_t i = 0; i < c.size; ++i) bytes += (char)(i * 7);
    std::string path = dir + "k" + std::to_string(c.size);
    ASSERT_TRUE(WriteBytes(path, bytes));
    unsigned char buffer[256];
    memset(buffer, 0x55, sizeof buffer);
    ASSERT_EQ(ReadKeyFile(path.c_str(), buffer), c.expected) << c.size;
    EXPECT_EQ(std::string((char*)buffer, (size_t)c.expected), bytes.substr(0, (size_t)c.expected));
    EXPECT_EQ(buffer[c.expected], 0x55);
  }
  unsigned char buffer[256];
  EXPECT_EQ(ReadKeyFile((dir + "absent.key").c_str(), buffer), 0);
  EXPECT_EQ(ReadKeyFile("", buffer), 0);
}

TEST(KeyFile, WritesPathsUpTo259Bytes) {
  std::string dir = ScratchDir("keyfile-long");
  unsigned char key[103] = {7};
  // A name long enough that "<path>.<hex>.tmp" would pass 259 bytes.
  for (size_t total : {200u, 250u, 259u}) {
    std::string path = dir + std::string(total - dir.size(), 'n');
    ASSERT_EQ(path.size(), total);
    EXPECT_TRUE(WriteKeyFile(path.c_str(), key, 103)) << total;
    EXPECT_EQ(ReadBytes(path).size(), 103u) << total;
  }
}
