// A first start, a returning start and several passwords, with inputs that
// tests/e2e/no_secret_scan.sh then searches for in every file of the folder
// and the Wine prefix.
#include <gtest/gtest.h>
#include <string.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app_actions.h"
#include "app_process.h"
#include "test_files.h"

TEST(NoSecretOnDisk, LeavesOnlyTheSettingsAndTheKey) {
  // The same inputs as in no_secret_scan.sh.
  const char* keyPassword = "NoSecret-Key-Pass-7319";
  const char* passPhrases[] = {
      "no-secret-phrase-one", "second.example.net",
      "\x93\xf1\x82\xc2\x96\xda\x82\xcc\x83\x70\x83\x58\x83\x74\x83\x8c\x81\x5b\x83\x59"};  // 二つ目のパスフレーズ

  AppProcess app("no-secret");
  FirstStart(app, keyPassword);
  std::string shown = GenerateOnce(app, passPhrases[0], nullptr);
  EXPECT_EQ(shown, Derived(app.Folder(), keyPassword, passPhrases[0]));
  CloseMain(app);
  ASSERT_EQ(app.Wait(), 2u);

  ASSERT_TRUE(app.Start());  // a returning start in the same folder
  EnterKeyPassword(app, keyPassword);
  for (const char* phrase : passPhrases) {
    shown = GenerateOnce(app, phrase, nullptr);
    EXPECT_EQ(shown, Derived(app.Folder(), keyPassword, phrase));
  }
  CloseMain(app);
  ASSERT_EQ(app.Wait(), 2u);

  EXPECT_EQ(ReadBytes(app.Folder() + "setting.ini").size(), 524u);
  EXPECT_EQ(ReadBytes(app.Folder() + "my.key").size(), 178u);
  std::vector<std::string> names;
  WIN32_FIND_DATAA entry;
  HANDLE h = FindFirstFileA((app.Folder() + "*").c_str(), &entry);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  do {
    if (strcmp(entry.cFileName, ".") && strcmp(entry.cFileName, "..")) names.push_back(entry.cFileName);
  } while (FindNextFileA(h, &entry));
  FindClose(h);
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"my.key", "setting.ini", "sorrel-cli.exe", "sorrel.exe"}));
}
