// The Linux package's sorrel-cli: its settings file in the user's
// configuration folder, found from the environment and made on init.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <string>

#include "commands.h"
#include "console.h"
#include "keyfile.h"
#include "report.h"
#include "settings.h"
#include "test_files.h"
#include "text.h"

namespace {

// Sets or (nullptr) unsets a variable for one test, and puts it back.
class Environment {
 public:
  Environment(const char* name, const char* value) : name_(name) {
    const char* old = getenv(name);
    had_ = old != nullptr;
    if (had_) old_ = old;
    value ? setenv(name, value, 1) : unsetenv(name);
  }
  ~Environment() { had_ ? setenv(name_, old_.c_str(), 1) : unsetenv(name_); }

 private:
  const char* name_;
  bool had_;
  std::string old_;
};

TEST(CliUserConfig, FindsTheSettingsFileFromTheEnvironment) {
  const std::string longHome = "/" + std::string(260, 'h');
  struct Case {
    const char* xdg;   // nullptr: unset
    const char* home;  // UTF-8
    const char* path;  // code page 932; nullptr: none
  } cases[] = {
      {"/cfg", "/home/u", "/cfg/sorrel/setting.ini"},
      {nullptr, "/home/u", "/home/u/.config/sorrel/setting.ini"},
      {"", "/home/u", "/home/u/.config/sorrel/setting.ini"},
      {"relative/cfg", "/home/u", "/home/u/.config/sorrel/setting.ini"},
      {nullptr, u8"/home/表", "/home/\x95\x5c/.config/sorrel/setting.ini"},
      {nullptr, u8"/home/é", nullptr},  // no code page 932 form
      {nullptr, longHome.c_str(), nullptr},
      {nullptr, "", nullptr},
      {nullptr, nullptr, nullptr},
  };
  for (const Case& c : cases) {
    Environment xdg("XDG_CONFIG_HOME", c.xdg), home("HOME", c.home);
    char out[PATH_CAPACITY] = "unchanged";
    EXPECT_EQ(ConsoleUserSettingsPath(out), c.path != nullptr) << (c.xdg ? c.xdg : "-") << " " << c.home;
    EXPECT_STREQ(out, c.path ? c.path : "") << (c.xdg ? c.xdg : "-") << " " << c.home;
  }
}

// init makes the missing folders, for the user alone, and writes the file there.
TEST(CliUserConfig, InitMakesTheConfigurationFolder) {
  const std::string dir = ScratchDir("user-config");
  const std::string key = dir + "my.key";
  unsigned char bytes[KEY_BUFFER_SIZE];
  ASSERT_EQ(CreateKey(bytes, "key password"), KEY_FILE_SIZE);
  ASSERT_TRUE(WriteKeyFile(key.c_str(), bytes, KEY_FILE_SIZE));

  Environment xdg("XDG_CONFIG_HOME", (dir + "a/b").c_str());
  g_settingsInUserConfig = true;
  CliOptions options = {};
  options.command = CLI_INIT;
  CopyText(options.keyPath, sizeof options.keyPath, key.c_str());
  EXPECT_EQ(RunInit(options), EXIT_OK);
  g_settingsInUserConfig = false;

  struct stat st;
  ASSERT_EQ(stat((dir + "a/b/sorrel").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  SettingsRecord saved;
  ASSERT_TRUE(LoadSettingsFrom((dir + "a/b/sorrel/setting.ini").c_str(), &saved));
  EXPECT_STREQ(saved.keyFilePath, key.c_str());
}

}  // namespace
