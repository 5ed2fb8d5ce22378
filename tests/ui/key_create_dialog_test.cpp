#include <string.h>

#include <algorithm>

#include "key_open.h"
#include "keyfile.h"
#include "resource.h"
#include "safe_write.h"
#include "ui_fixture.h"
#include "window_services.h"

namespace {

const char kCaption[] = "キー生成";
std::string Repeated(const std::string& text, int times) {
  std::string out;
  while (times-- > 0) out += text;
  return out;
}

class KeyCreateDialog : public DialogTest {
 protected:
  void SetUp() override {
    DialogTest::SetUp();
    strcpy(g_pendingKeyFilePath, "C:\\before.key");
    strcpy(g_pendingKeyPassword, "before-password");
  }
  void ExpectNothingHandedOn() {
    EXPECT_STREQ(g_pendingKeyFilePath, "C:\\before.key");
    EXPECT_STREQ(g_pendingKeyPassword, "before-password");
  }
};

// The key file is a sealed key that keyPassword opens into the alphabet in
// some order, sealed with params.
void ExpectKeyFile(const std::string& path, const std::string& keyPassword, const SealParameters& params) {
  std::string bytes = ReadBytes(path);
  ASSERT_EQ(bytes.size(), 178u) << path;
  OpenedKey key;
  ASSERT_EQ(OpenKey((const unsigned char*)bytes.data(), 178, keyPassword.c_str(), true, &key), KEY_OPEN_OK);
  EXPECT_EQ(key.seal.passes, params.passes);
  EXPECT_EQ(key.seal.memoryKiB, params.memoryKiB);
  EXPECT_EQ(key.seal.derivation, 2);
  std::string pool((const char*)key.bytes, 102), alphabet = KEY_ALPHABET;
  std::sort(pool.begin(), pool.end());
  std::sort(alphabet.begin(), alphabet.end());
  EXPECT_EQ(pool, alphabet);
}

}  // namespace

TEST_F(KeyCreateDialog, RefusesMismatchBeforeLengthAndKeepsTheFields) {
  struct Case {
    std::string first;
    std::string second;
    const char* message;
  } cases[] = {
      {"abc", "abd", TEXT_KEY_PASSWORDS_DIFFER},
      {"Password1", "password1", TEXT_KEY_PASSWORDS_DIFFER},
      {"1234567", "1234567", TEXT_KEY_PASSWORD_TOO_SHORT_CREATE},
      {"", "", TEXT_KEY_PASSWORD_TOO_SHORT_CREATE},
      {"\x95\x5c\x8e\xa6\x83\x4c", "\x95\x5c\x8e\xa6\x83\x4c", TEXT_KEY_PASSWORD_TOO_SHORT_CREATE},  // 6 bytes
      // 32 double-byte characters (表): within the edit limit, 64 bytes.
      {Repeated("\x95\x5c", 32), Repeated("\x95\x5c", 32), TEXT_KEY_PASSWORD_TOO_LONG},
  };
  for (const Case& c : cases) {
    SeenWindow box;
    std::string status, first, second;
    bool enabled = false;
    HWND dialog = nullptr;
    UiScript script;
    script
        .On(kCaption,
            [&](HWND w) {
              dialog = w;
              TypeText(w, IDC_KEY_PASSWORD, c.first);
              TypeText(w, IDC_KEY_PASSWORD_CONFIRM, c.second);
              Click(w, IDOK);
            })
        .AnswerBox(IDOK, &box)
        .On(kCaption, [&](HWND w) {
          first = ItemText(w, IDC_KEY_PASSWORD);
          second = ItemText(w, IDC_KEY_PASSWORD_CONFIRM);
          status = ItemText(w, IDC_STATUS);
          enabled = IsWindowEnabled(GetDlgItem(w, IDOK));
          Click(w, IDCANCEL);
        });
    EXPECT_EQ(RunDialog(script, IDD_KEY_CREATE, KeyCreateDlgProc), 2) << c.first.size();
    ExpectErrorBox(box, c.message, dialog);
    EXPECT_EQ(first, c.first);
    EXPECT_EQ(second, c.second);
    EXPECT_EQ(status, TEXT_KEY_CREATE_PROMPT);
    EXPECT_TRUE(enabled);
    ExpectNothingHandedOn();
  }
}

TEST_F(KeyCreateDialog, WritesTheKeyToANewFileAndHandsItOn) {
  g_newKeySeal = DefaultSealParameters();  // 3 passes, 64 MiB
  std::string dir = FreshDirectory("key-create");
  SeenWindow chooser;
  std::string statusWhileSaving;
  bool enabledWhileSaving = true;
  UiScript script;
  script
      .On(kCaption,
          [&](HWND w) {
            TypeText(w, IDC_KEY_PASSWORD, "kiwi-lantern-7");
            TypeText(w, IDC_KEY_PASSWORD_CONFIRM, "kiwi-lantern-7");
            PressKey(w, IDC_KEY_PASSWORD_CONFIRM, VK_RETURN);  // 生成 is the default button
          })
      .Then([&] {
        HWND dialog = FindWindowA(nullptr, kCaption);
        statusWhileSaving = ItemText(dialog, IDC_STATUS);
        enabledWhileSaving = IsWindowEnabled(GetDlgItem(dialog, IDOK));
      })
      .ChooseFile(TEXT_SAVE_KEY_FILE_TITLE, dir + "new", &chooser);  // no extension typed
  ASSERT_EQ(RunDialog(script, IDD_KEY_CREATE, KeyCreateDlgProc), 1);
  EXPECT_EQ(chooser.owner, nullptr);
  EXPECT_EQ(statusWhileSaving, TEXT_KEY_GENERATED);
  EXPECT_FALSE(enabledWhileSaving);
  EXPECT_EQ(std::string(g_pendingKeyFilePath), dir + "new.key");
  EXPECT_STREQ(g_pendingKeyPassword, "kiwi-lantern-7");
  ExpectKeyFile(dir + "new.key", "kiwi-lantern-7", DefaultSealParameters());
}

TEST_F(KeyCreateDialog, ALongerEntryIsSaidNeverCutSilently) {
  const std::string common(63, 'k');
  for (bool paste : {false, true}) {
    SeenWindow box;
    std::string kept = "?";
    UiScript script;
    script
        .On(kCaption,
            [&](HWND w) {
              if (!paste) return TypeText(w, IDC_KEY_PASSWORD_CONFIRM, common + "x");  // the 64th byte is refused
              ASSERT_TRUE(CopyTextToClipboard(nullptr, (common + "x").c_str()));
              SendDlgItemMessageA(w, IDC_KEY_PASSWORD_CONFIRM, WM_PASTE, 0, 0);  // refused whole
            })
        .AnswerBox(IDOK, &box)
        .On(kCaption, [&](HWND w) {
          kept = ItemText(w, IDC_KEY_PASSWORD_CONFIRM);
          Click(w, IDCANCEL);
        });
    EXPECT_EQ(RunDialog(script, IDD_KEY_CREATE, KeyCreateDlgProc), 2);
    EXPECT_EQ(box.text, TEXT_KEY_PASSWORD_TOO_LONG);
    EXPECT_EQ(kept, paste ? "" : common);
  }
}

// A weak key password: a question with the reason; no leaves the dialog as it
// was, yes goes on to the file chooser.
TEST_F(KeyCreateDialog, AsksBeforeTakingAWeakKeyPassword) {
  g_newKeySeal = {1, SEALED_MEMORY_KIB_MIN, 2};
  const struct {
    const char* keyPassword;
    const char* reason;
  } cases[] = {
      {"password", TEXT_WEAK_COMMON},
      {"19870412", TEXT_WEAK_DATE},
      {"\x82\xa0\x82\xa2\x82\xa4\x82\xa6", TEXT_WEAK_SEQUENCE},  // あいうえ
  };
  for (const auto& c : cases) {
    SeenWindow box;
    std::string kept;
    UiScript script;
    script.On(kCaption, [&](HWND w) { EnterNewKeyPassword(w, c.keyPassword); })
        .AnswerBox(IDNO, &box)
        .On(kCaption,
            [&](HWND w) {
              kept = ItemText(w, IDC_KEY_PASSWORD);
              Click(w, IDOK);
            })
        .AnswerBox(IDYES)
        .CancelChooser(TEXT_SAVE_KEY_FILE_TITLE);
    EXPECT_EQ(RunDialog(script, IDD_KEY_CREATE, KeyCreateDlgProc), 2) << c.keyPassword;
    EXPECT_EQ(box.caption, TEXT_WEAK_KEY_PASSWORD_CAPTION);
    EXPECT_NE(box.text.find(c.reason), std::string::npos) << box.text;
    EXPECT_TRUE(box.anyIcon);
    EXPECT_EQ(kept, c.keyPassword);
    ExpectNothingHandedOn();
  }
  g_newKeySeal = DefaultSealParameters();
}

TEST_F(KeyCreateDialog, CancelledSaveChooserWritesNothing) {
  std::string dir = FreshDirectory("key-create-cancel");
  UiScript script;
  script.On(kCaption, [&](HWND w) { EnterNewKeyPassword(w, "kiwi-lantern-7"); })
      .CancelChooser(TEXT_SAVE_KEY_FILE_TITLE);
  EXPECT_EQ(RunDialog(script, IDD_KEY_CREATE, KeyCreateDlgProc), 2);
  ExpectNothingHandedOn();
  EXPECT_EQ(CountTemporaries(dir), 0);
}

TEST_F(KeyCreateDialog, UnwritableKeyFileIsReportedAndNotHandedOn) {
  std::string dir = FreshDirectory("key-create-fail");
  g_fileFaultHook = [](FileStep step) { return step == FILE_STEP_REPLACE; };
  SeenWindow box;
  UiScript script;
  script.On(kCaption, [&](HWND w) { EnterNewKeyPassword(w, "kiwi-lantern-7"); })
      .ChooseFile(TEXT_SAVE_KEY_FILE_TITLE, dir + "fails.key")
      .AnswerBox(IDOK, &box);
  EXPECT_EQ(RunDialog(script, IDD_KEY_CREATE, KeyCreateDlgProc), 2);
  EXPECT_EQ(box.text, TEXT_KEY_FILE_NOT_SAVED);
  EXPECT_EQ(box.caption, TEXT_ERROR_CAPTION);
  EXPECT_TRUE(box.errorIcon);
  EXPECT_NE(box.owner, nullptr);
  EXPECT_FALSE(Exists(dir + "fails.key"));
  ExpectNothingHandedOn();
}

TEST_F(KeyCreateDialog, CancelButtonEscapeAndCloseBoxEndWith2) {
  const std::function<void(HWND)> ways[] = {
      [](HWND w) { Click(w, IDCANCEL); },
      [](HWND w) { PressKey(w, IDC_KEY_PASSWORD, VK_ESCAPE); },
      [](HWND w) { PressCloseBox(w); },
  };
  for (const auto& way : ways) {
    UiScript script;
    script.On(kCaption, [&](HWND w) {
      TypeText(w, IDC_KEY_PASSWORD, "kiwi-lantern-7");
      TypeText(w, IDC_KEY_PASSWORD_CONFIRM, "kiwi-lantern-7");
      way(w);
    });
    EXPECT_EQ(RunDialog(script, IDD_KEY_CREATE, KeyCreateDlgProc), 2);
    ExpectNothingHandedOn();
  }
}
