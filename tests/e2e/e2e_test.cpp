// The real program, started as its own process in a folder of its own and
// used from outside as a person would.
#include <gtest/gtest.h>
#include <string.h>

#include "app_actions.h"
#include "app_process.h"
#include "derive.h"
#include "key_open.h"
#include "keyfile.h"
#include "resource.h"
#include "settings.h"
#include "test_files.h"
#include "texts.h"

TEST(EndToEnd, FirstStartThenReturningStartGenerates) {
  AppProcess first("e2e-first");
  FirstStart(first, "e2e-key-pass");
  std::string clipboard;
  std::string shown = GenerateOnce(first, "example.com", &clipboard);
  CloseMain(first);
  EXPECT_EQ(first.Wait(), 2u);
  std::string settings = ReadBytes(first.Folder() + "setting.ini");
  ASSERT_EQ(settings.size(), 524u);
  EXPECT_EQ(std::string(settings.c_str()), first.Folder() + "my.key");
  EXPECT_EQ(ReadBytes(first.Folder() + "my.key").size(), 178u);  // sealed
  EXPECT_EQ(ClipboardText(), "<none>");                          // the password left with the program
  std::string expected = Derived(first.Folder(), "e2e-key-pass", "example.com");
  EXPECT_EQ(shown, expected);
  EXPECT_EQ(clipboard, expected);
  EXPECT_EQ(expected.size(), 16u);

  // The same folder again: a returning start asks for the key password only.
  AppProcess again("e2e-first-again");
  CopyFileA((first.Folder() + "setting.ini").c_str(), (again.Folder() + "setting.ini").c_str(), FALSE);
  ASSERT_TRUE(again.Start());
  EnterKeyPassword(again, "e2e-key-pass");
  EXPECT_EQ(GenerateOnce(again, "example.com", nullptr), expected);
  EXPECT_EQ(GenerateOnce(again, "\x93\xfa\x96\x7b\x8c\xea", nullptr),
            Derived(first.Folder(), "e2e-key-pass", "\x93\xfa\x96\x7b\x8c\xea"));
  CloseMain(again);
  EXPECT_EQ(again.Wait(), 2u);
  EXPECT_EQ(ReadBytes(again.Folder() + "setting.ini"), settings);
}

TEST(EndToEnd, SettingsDialogChangesTheLength) {
  AppProcess app("e2e-settings");
  FirstStart(app, "e2e-key-pass");
  HWND main = app.WaitWindow(kMain);
  ASSERT_NE(main, nullptr);
  PushButton(main, IDC_SETTINGS);
  HWND settings = app.WaitWindow(kSettings);
  ASSERT_NE(settings, nullptr);
  EXPECT_EQ(GetWindow(settings, GW_OWNER), main);
  SetText(settings, IDC_LENGTH, "37");
  PushButton(settings, IDC_APPLY);
  std::string shown = GenerateOnce(app, "after settings", nullptr);
  CloseMain(app);
  EXPECT_EQ(app.Wait(), 2u);
  EXPECT_EQ(shown.size(), 37u);
  EXPECT_EQ(shown, Derived(app.Folder(), "e2e-key-pass", "after settings"));
}

TEST(EndToEnd, StartUpFailureEndsWithMinus1) {
  AppProcess app("e2e-failure");
  // A directory where setting.ini belongs: it can be neither read nor replaced.
  ASSERT_TRUE(CreateDirectoryA((app.Folder() + "setting.ini").c_str(), nullptr));
  unsigned char key[KEY_BUFFER_SIZE];
  ASSERT_EQ(CreateKey(key, "e2e-key-pass"), 103);
  ASSERT_TRUE(WriteKeyFile((app.Folder() + "old.key").c_str(), key, 103));
  ASSERT_TRUE(app.Start());
  HWND question = app.WaitMessageBox();
  ASSERT_NE(question, nullptr);
  PushButton(question, IDNO);
  Choose(app, TEXT_OPEN_KEY_FILE_TITLE, app.Folder() + "old.key");
  EnterKeyPassword(app, "e2e-key-pass");
  HWND failure = app.WaitMessageBox();
  ASSERT_NE(failure, nullptr);
  EXPECT_EQ(MessageBoxText(failure), TEXT_STARTUP_FAILED);
  EXPECT_EQ(GetWindow(failure, GW_OWNER), nullptr);
  PushButton(failure, IDOK);
  EXPECT_EQ(app.Wait(), 0xFFFFFFFFu);
}

TEST(EndToEnd, CommandLineKeyGivesTheSamePasswords) {
  AppProcess app("e2e-cli");
  std::string out;
  DWORD status = 99;
  ASSERT_TRUE(app.RunCli("new-key cli.key", "cli-key-pass\ncli-key-pass\n", &out, &status));
  ASSERT_EQ(status, 0u) << out;
  ASSERT_TRUE(app.RunCli("init --key cli.key", "", &out, &status));
  ASSERT_EQ(status, 0u) << out;
  ASSERT_TRUE(app.RunCli("generate example.org", "cli-key-pass\n", &out, &status));
  ASSERT_EQ(status, 0u) << out;
  while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();

  ASSERT_TRUE(app.Start());
  EnterKeyPassword(app, "cli-key-pass");
  EXPECT_EQ(GenerateOnce(app, "example.org", nullptr), out);
  CloseMain(app);
  EXPECT_EQ(app.Wait(), 2u);
}

// A sealed key of derivation 2 under settings of derivation 1: the key decides.
TEST(EndToEnd, AMovedFolderFindsItsKeyAfterAWrongKeyPassword) {
  AppProcess app("e2e-moved");
  unsigned char key[SEALED_KEY_SIZE];
  ASSERT_EQ(CreateSealedKey("moved-key-pass", {SEALED_PASSES_MIN, SEALED_MEMORY_KIB_MIN, 2}, key), SEAL_OK);
  ASSERT_TRUE(WriteKeyFile((app.Folder() + "my.key").c_str(), key, SEALED_KEY_SIZE));
  SettingsRecord s;
  SetDefaultSettings(&s, "Z:\\the old folder\\my.key");
  ASSERT_TRUE(SaveSettingsTo((app.Folder() + "setting.ini").c_str(), s));
  ASSERT_TRUE(app.Start());
  EnterKeyPassword(app, "moved-key-pas");
  HWND box = app.WaitMessageBox();
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(MessageBoxText(box), TEXT_KEY_NOT_OPENED);
  PushButton(box, IDOK);
  EnterKeyPassword(app, "moved-key-pass");  // the same dialog, still there
  ASSERT_NE(box = app.WaitMessageBox(), nullptr);
  EXPECT_NE(MessageBoxText(box).find("\n" + app.Folder() + "my.key"), std::string::npos);  // found beside the program
  PushButton(box, IDOK);
  std::string shown = GenerateOnce(app, "example.com", nullptr);
  CloseMain(app);
  EXPECT_EQ(app.Wait(), 2u);
  EXPECT_EQ(std::string(ReadBytes(app.Folder() + "setting.ini").c_str()), app.Folder() + "my.key");
  EXPECT_EQ(shown, Derived(app.Folder(), "moved-key-pass", "example.com"));
}

TEST(EndToEnd, SiteDialogRuleBesideTheSettingsAppliesAtGenerate) {
  AppProcess app("e2e-sites");
  FirstStart(app, "e2e-key-pass");
  HWND main = app.WaitWindow(kMain);
  ASSERT_NE(main, nullptr);
  SetText(main, IDC_PASSPHRASE, "example.com");
  PushButton(main, IDC_SITE);
  HWND site = app.WaitWindow("サイト別設定");
  ASSERT_NE(site, nullptr);
  SetText(site, IDC_LENGTH, "12");
  PushButton(site, IDC_NEXT_PASSWORD);
  PushButton(site, IDOK);
  ASSERT_EQ(app.WaitWindow(kMain), main);
  EXPECT_EQ(TextOf(main, IDC_SITE_NOTE), "このサイト：12文字・2回目");
  std::string shown = GenerateOnce(app, "example.com", nullptr);
  CloseMain(app);
  EXPECT_EQ(app.Wait(), 2u);
  EXPECT_EQ(ReadBytes(app.Folder() + "sites.txt"), "example.com\tlength=12\tcounter=2\n");
  // The rule written out by hand: 12 characters from "example.com#2".
  std::string record = ReadBytes(app.Folder() + "setting.ini");
  ASSERT_EQ(record.size(), sizeof(SettingsRecord));
  SettingsRecord s;
  memcpy(&s, record.data(), sizeof s);
  unsigned char key[KEY_BUFFER_SIZE] = {};
  char expected[1024] = {};
  OpenedKey opened;  // the first start's key is sealed, and names derivation 2
  ASSERT_EQ(OpenKey(key, ReadKeyFile(s.keyFilePath, key), "e2e-key-pass", false, &opened), KEY_OPEN_OK);
  ApplyKeyDerivation(opened, &s);
  ASSERT_TRUE(DeriveWithKey(s, opened, "example.com#2", 12, expected));
  EXPECT_EQ(shown, expected);
}

// Not a check: times a start and a generation, for scripts/measure.sh.
TEST(EndToEnd, Timings) {
  if (!getenv("SORREL_MEASURE")) GTEST_SKIP() << "set SORREL_MEASURE=1 to measure";
  AppProcess setup("e2e-timing-setup");
  FirstStart(setup, "timing-pass");
  CloseMain(setup);
  setup.Wait();
  for (int run = 0; run < 5; ++run) {
    AppProcess app("e2e-timing");
    CopyFileA((setup.Folder() + "setting.ini").c_str(), (app.Folder() + "setting.ini").c_str(), FALSE);
    ASSERT_TRUE(app.Start());
    HWND dialog = app.WaitWindow(kKeyPassword);
    DWORD toDialog = GetTickCount() - app.StartTick();
    SetText(dialog, IDC_KEY_PASSWORD, "timing-pass");
    DWORD ok = GetTickCount();
    PushButton(dialog, IDOK);  // opens the sealed key: Argon2id, 3 passes, 64 MiB
    HWND main = app.WaitWindow(kMain);
    DWORD toMain = GetTickCount() - ok;
    SetText(main, IDC_PASSPHRASE, "measure");
    DWORD click = GetTickCount();
    PushButton(main, IDC_GENERATE);
    HWND box = app.WaitMessageBox();
    DWORD toBox = GetTickCount() - click;
    PushButton(box, IDOK);
    CloseMain(app);
    app.Wait();
    printf(
        "timing: start to key password dialog %lu ms, key password to main window (opening the key) %lu ms, "
        "generate to result box %lu ms\n",
        toDialog, toMain, toBox);
  }
}
