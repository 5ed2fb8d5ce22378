#include "settings.h"

#include <gtest/gtest.h>
#include <string.h>

#include <set>
#include <string>

#include "keyfile.h"
#include "platform.h"
#include "test_files.h"

namespace {

std::string SettingsPath() {
  char path[PATH_CAPACITY];
  EXPECT_TRUE(GetSettingsPath(path));
  return path;
}

class SettingsFile : public ::testing::Test {
 protected:
  void SetUp() override { PlatformRemoveFile(SettingsPath().c_str()); }
  void TearDown() override { PlatformRemoveFile(SettingsPath().c_str()); }
};

std::string Split(const char* path) {
  char out[PATH_CAPACITY];
  SplitDirectory(path, out, sizeof out);
  return out;
}

}  // namespace

TEST(ModuleDirectory, SplitsAsCodePage932Text) {
  struct Case {
    const char* path;
    const char* directory;
  } cases[] = {
      {"C:\\Tools\\sorrel.exe", "C:\\Tools\\"},
      {"C:\\sorrel.exe", "C:\\"},
      {"C:sorrel.exe", "C:"},
      {"sorrel.exe", ""},
      {"\\\\server\\share\\sorrel.exe", "\\\\server\\share\\"},
      {"C:\\a/b\\c/sorrel.exe", "C:\\a/b\\c/"},
      {"/opt/sorrel/sorrel", "/opt/sorrel/"},
      {"C:\\\x95\x5c\\sorrel.exe", "C:\\\x95\x5c\\"},                         // directory 表
      {"C:\\dir\\\x95\x5c.exe", "C:\\dir\\"},                                 // 表 in the file name
      {"C:\\\x83\x5c\x83\x74\x83\x67\\a", "C:\\\x83\x5c\x83\x74\x83\x67\\"},  // ソフト
      {"C:\\x\\\x95", "C:\\x\\"},                                             // a lead byte cut off at the end
  };
  for (const Case& c : cases) EXPECT_EQ(Split(c.path), c.directory) << c.path;
}

TEST(ModuleDirectory, IsTheExecutablesOwnDirectory) {
  char exe[PATH_CAPACITY], dir[PATH_CAPACITY];
  ASSERT_TRUE(PlatformExecutablePath(exe, sizeof exe));
  ASSERT_TRUE(GetModuleDirectory(dir));
  size_t n = strlen(dir);
  ASSERT_GT(n, 0u);
  EXPECT_TRUE(dir[n - 1] == '\\' || dir[n - 1] == '/');
  EXPECT_EQ(std::string(exe, n), dir);
  EXPECT_EQ(std::string(exe + n).find_first_of("\\/"), std::string::npos);
  EXPECT_EQ(SettingsPath(), std::string(dir) + "setting.ini");
}

TEST(SettingsDefaults, MatchTheKeyAlphabet) {
  SettingsRecord s;
  memset(&s, 0xAB, sizeof s);
  SetDefaultSettings(&s, "C:\\keys\\my.key");
  EXPECT_STREQ(s.keyFilePath, "C:\\keys\\my.key");
  EXPECT_EQ(s.optionFlags, 31u);
  EXPECT_EQ(s.passwordLength, 16);
  EXPECT_STREQ(s.symbolChars,
               "\x21\x23\x24\x25\x26\x28\x29\x2a\x2b\x2c\x2d\x2e\x5c\x2f\x3a\x3b\x3c\x3d\x3e\x3f\x40\x5b"
               "\x5d\x5e\x5f\x60\x7b\x7c\x7d\x7e");
  // Unused bytes are zero.
  EXPECT_EQ(s.keyFilePath[PATH_CAPACITY - 1], 0);
  EXPECT_EQ(s.symbolChars[CLASS_CAPACITY - 1], 0);
  std::string classes = std::string(s.digitChars) + s.lowerChars + s.upperChars + s.symbolChars;
  EXPECT_EQ(std::set<char>(classes.begin(), classes.end()), std::set<char>(KEY_ALPHABET, KEY_ALPHABET + 102));
  EXPECT_EQ(classes.size(), 92u);
}

TEST_F(SettingsFile, SavesTheRecordAsIs) {
  SettingsRecord s;
  SetDefaultSettings(&s, "C:\\\x95\x5c\\k.key");
  ASSERT_TRUE(SaveSettings(s));
  std::string bytes = ReadBytes(SettingsPath());
  ASSERT_EQ(bytes.size(), 524u);
  EXPECT_EQ(bytes.substr(260, 4), std::string("\x1f\0\0\0", 4));
  EXPECT_EQ(bytes.substr(264, 4), std::string("\x10\0\0\0", 4));
  EXPECT_EQ(bytes.substr(0, 11), "C:\\\x95\x5c\\k.key");
  EXPECT_EQ(bytes.substr(268, 11), std::string("0123456789\0", 11));
  EXPECT_EQ(bytes.substr(460, 30), DEFAULT_SYMBOL_CHARS);

  SettingsRecord back;
  memset(&back, 0x11, sizeof back);
  ASSERT_TRUE(LoadSettings(&back));
  EXPECT_EQ(memcmp(&back, &s, sizeof s), 0);
}

TEST_F(SettingsFile, LoadsOnlyAWholeRecord) {
  SettingsRecord s;
  SetDefaultSettings(&s, "k.key");
  std::string record((const char*)&s, sizeof s);
  struct Case {
    std::string content;
    bool loads;
  } cases[] = {
      {"", false},
      {record.substr(0, 523), false},
      {record, true},
      {record + std::string(76, 'x'), true},
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(WriteBytes(SettingsPath(), c.content));
    SettingsRecord back;
    memset(&back, 0x22, sizeof back);
    EXPECT_EQ(LoadSettings(&back), c.loads) << c.content.size();
    if (c.loads)
      EXPECT_EQ(memcmp(&back, &s, sizeof s), 0);
    else
      EXPECT_EQ(back.passwordLength, 0x22222222);  // untouched
    // The same bytes handed over in memory, as the web page hands a file.
    SettingsRecord fromBytes;
    memset(&fromBytes, 0x22, sizeof fromBytes);
    EXPECT_EQ(ReadSettingsRecord(c.content.data(), c.content.size(), &fromBytes), c.loads) << c.content.size();
    EXPECT_EQ(memcmp(&fromBytes, &back, sizeof back), 0);
  }
  // The short file was closed again: it can be replaced at once.
  ASSERT_TRUE(WriteBytes(SettingsPath(), "short"));
  SettingsRecord back;
  EXPECT_FALSE(LoadSettings(&back));
  EXPECT_TRUE(SaveSettings(s));
  EXPECT_EQ(ReadBytes(SettingsPath()), record);
}

TEST_F(SettingsFile, LoadsValuesUnchecked) {
  for (int32_t length : {0, -1, 1024, 2147483647}) {
    SettingsRecord s;
    SetDefaultSettings(&s, "k.key");
    s.passwordLength = length;
    s.optionFlags = 0xFFFFFFE1;
    ASSERT_TRUE(SaveSettings(s));
    SettingsRecord back;
    ASSERT_TRUE(LoadSettings(&back));
    EXPECT_EQ(back.passwordLength, length);
    EXPECT_EQ(back.optionFlags, 0xFFFFFFE1u);
  }
}

TEST_F(SettingsFile, CutsUnterminatedFieldsAtTheirEnd) {
  std::string bytes(524, 'A');
  bytes.replace(260, 8, std::string("\x1f\0\0\0\x10\0\0\0", 8));
  ASSERT_TRUE(WriteBytes(SettingsPath(), bytes));
  SettingsRecord back;
  ASSERT_TRUE(LoadSettings(&back));
  EXPECT_EQ(strlen(back.keyFilePath), 259u);
  EXPECT_EQ(strlen(back.digitChars), 63u);
  EXPECT_EQ(strlen(back.symbolChars), 63u);
  EXPECT_EQ(back.passwordLength, 16);
}

TEST_F(SettingsFile, AMissingFileIsNoRecord) {
  SettingsRecord back;
  memset(&back, 0x33, sizeof back);
  EXPECT_FALSE(LoadSettings(&back));
  EXPECT_EQ(back.optionFlags, 0x33333333u);
}
