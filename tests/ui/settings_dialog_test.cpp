#include <string.h>

#include "key_open.h"
#include "keyfile.h"
#include "platform.h"
#include "resource.h"
#include "safe_write.h"
#include "text.h"
#include "ui_fixture.h"

namespace {

const char kSettings[] = "設定ダイアログ";
const char kKeyCreate[] = "キー生成";

class SettingsDialog : public DialogTest {
 protected:
  std::string dir_;
  SettingsRecord before_;

  void SetUp() override {
    DialogTest::SetUp();
    dir_ = FreshDirectory("settings-dialog");
    SetDefaultSettings(&g_settings, (dir_ + "current.key").c_str());
    g_settings.passwordLength = 20;
    g_settings.optionFlags = OPT_DIGITS | OPT_UPPER;
    strcpy(g_activeKeyPassword, "active-pass");
    before_ = g_settings;
  }
  INT_PTR Run(UiScript& script) { return RunDialog(script, IDD_SETTINGS, SettingsDlgProc); }
  void ExpectUnchanged() {
    EXPECT_EQ(memcmp(&g_settings, &before_, sizeof before_), 0);
    EXPECT_STREQ(g_activeKeyPassword, "active-pass");
  }
  std::string SavedRecord() { return ReadBytes(SettingsFilePath()); }
};

std::string Bytes(const SettingsRecord& s) { return std::string((const char*)&s, sizeof s); }

// What the key file at path opens to under keyPassword.
OpenedKey Opened(const std::string& path, const char* keyPassword) {
  std::string bytes = ReadBytes(path);
  OpenedKey key = {};
  EXPECT_EQ(OpenKey((const unsigned char*)bytes.data(), (int)bytes.size(), keyPassword, true, &key), KEY_OPEN_OK)
      << path;
  return key;
}

void SetBox(HWND w, int id, bool on) {
  if ((IsDlgButtonChecked(w, id) == BST_CHECKED) != on) Click(w, id);
}

}  // namespace

TEST_F(SettingsDialog, ShowsTheSettingsAndConfirmsThemUnchanged) {
  g_settings.optionFlags |= 0x100;  // a bit no part of the program defines
  std::string path, keyPassword, length, digits, symbols;
  DWORD selStart = 0, selEnd = 0;
  bool focusOnBrowse = false, clipboard = true, upper = false;
  UiScript script;
  script.On(kSettings, [&](HWND w) {
    path = ItemText(w, IDC_KEY_FILE_PATH);
    SendDlgItemMessageA(w, IDC_KEY_FILE_PATH, EM_GETSEL, (WPARAM)&selStart, (LPARAM)&selEnd);
    keyPassword = ItemText(w, IDC_SETTINGS_KEY_PASSWORD);
    length = ItemText(w, IDC_LENGTH);
    digits = ItemText(w, IDC_DIGIT_CHARS);
    symbols = ItemText(w, IDC_SYMBOL_CHARS);
    clipboard = IsDlgButtonChecked(w, IDC_COPY_TO_CLIPBOARD) == BST_CHECKED;
    upper = IsDlgButtonChecked(w, IDC_USE_UPPER) == BST_CHECKED;
    focusOnBrowse = GetFocus() == GetDlgItem(w, IDC_BROWSE);
    Click(w, IDC_APPLY);
  });
  EXPECT_EQ(Run(script), 1);
  EXPECT_EQ(path, before_.keyFilePath);
  EXPECT_EQ(selStart, path.size());
  EXPECT_EQ(selEnd, path.size());
  EXPECT_EQ(keyPassword, "active-pass");
  EXPECT_EQ(length, "20");
  EXPECT_EQ(digits, DEFAULT_DIGIT_CHARS);
  EXPECT_EQ(symbols, DEFAULT_SYMBOL_CHARS);
  EXPECT_FALSE(clipboard);
  EXPECT_TRUE(upper);
  EXPECT_TRUE(focusOnBrowse);
  EXPECT_EQ(g_settings.optionFlags, (uint32_t)(OPT_DIGITS | OPT_UPPER));
  EXPECT_EQ(SavedRecord(), Bytes(before_));
}

TEST_F(SettingsDialog, TheDerivationBoxShowsAndStoresBit32) {
  for (bool before : {false, true}) {
    for (bool after : {false, true}) {
      g_settings = before_;
      if (before) g_settings.optionFlags |= OPT_DERIVATION_2;
      bool shown = !before;
      UiScript script;
      script.On(kSettings, [&](HWND w) {
        shown = IsDlgButtonChecked(w, IDC_USE_DERIVATION_2) == BST_CHECKED;
        SetBox(w, IDC_USE_DERIVATION_2, after);
        Click(w, IDC_APPLY);
      });
      EXPECT_EQ(Run(script), 1);
      EXPECT_EQ(shown, before);
      EXPECT_EQ(g_settings.optionFlags, (uint32_t)(OPT_DIGITS | OPT_UPPER | (after ? OPT_DERIVATION_2 : 0)));
      EXPECT_EQ(SavedRecord(), Bytes(g_settings));
    }
  }
}

TEST_F(SettingsDialog, ChecksInOrderAndKeepsWhatWasTyped) {
  struct Case {
    const char* keyPassword;
    const char* length;
    bool paste;  // ES_NUMBER refuses typed letters; a paste gets them in
    bool anyClass;
    const char* message;  // nullptr: accepted
    int32_t stored;
  } cases[] = {
      {"1234567", "0", false, true, TEXT_KEY_PASSWORD_TOO_SHORT, 0},
      {"12345678", "", false, true, TEXT_LENGTH_TOO_SMALL, 0},
      {"12345678", "0", false, true, TEXT_LENGTH_TOO_SMALL, 0},
      {"12345678", "abc", true, true, TEXT_LENGTH_TOO_SMALL, 0},
      {"12345678", "99999999999", false, true, TEXT_LENGTH_TOO_SMALL, 0},
      {"12345678", "1024", false, true, TEXT_LENGTH_TOO_LARGE, 0},
      {"12345678", "1024", false, false, TEXT_LENGTH_TOO_LARGE, 0},
      {"12345678", "16", false, false, TEXT_NO_CLASS, 0},
      {"12345678", "1", false, true, nullptr, 1},
      {"\x83\x4c\x81\x5b\x83\x70\x83\x58", "1023", false, true, nullptr, 1023},
  };
  for (const Case& c : cases) {
    PlatformRemoveFile(SettingsFilePath().c_str());
    g_settings = before_;
    strcpy(g_activeKeyPassword, "active-pass");
    SeenWindow box;
    HWND dialog = nullptr;
    std::string keptPassword, keptLength;
    UiScript script;
    script.On(kSettings, [&](HWND w) {
      dialog = w;
      PasteText(w, IDC_SETTINGS_KEY_PASSWORD, c.keyPassword);
      if (c.paste)
        PasteText(w, IDC_LENGTH, c.length);
      else
        TypeText(w, IDC_LENGTH, c.length);
      SetBox(w, IDC_COPY_TO_CLIPBOARD, true);
      SetBox(w, IDC_USE_DIGITS, c.anyClass);
      SetBox(w, IDC_USE_UPPER, false);
      Click(w, IDC_APPLY);
    });
    if (c.message) {
      script.AnswerBox(IDOK, &box).On(kSettings, [&](HWND w) {
        keptPassword = ItemText(w, IDC_SETTINGS_KEY_PASSWORD);
        keptLength = ItemText(w, IDC_LENGTH);
        Click(w, IDCANCEL);
      });
    }
    INT_PTR result = Run(script);
    if (c.message) {
      EXPECT_EQ(result, 2) << c.keyPassword << " " << c.length;
      ExpectErrorBox(box, c.message, dialog);
      EXPECT_EQ(keptPassword, c.keyPassword);
      EXPECT_EQ(keptLength, c.length);
      ExpectUnchanged();
      EXPECT_FALSE(Exists(SettingsFilePath()));
    } else {
      EXPECT_EQ(result, 1) << c.length;
      EXPECT_EQ(g_settings.passwordLength, c.stored);
      EXPECT_EQ(g_settings.optionFlags, (uint32_t)(OPT_CLIPBOARD | OPT_DIGITS));
      EXPECT_STREQ(g_activeKeyPassword, c.keyPassword);
      EXPECT_EQ(SavedRecord(), Bytes(g_settings));
    }
  }
}

TEST_F(SettingsDialog, BrowseSetsThePathOnlyWhenChosen) {
  std::string chosen = MakeKeyFile(dir_, "other.key", "active-pass");
  std::string afterCancel, afterChoice;
  DWORD selEnd = 0;
  UiScript script;
  script.On(kSettings, [](HWND w) { Click(w, IDC_BROWSE); })
      .CancelChooser(TEXT_OPEN_KEY_FILE_TITLE)
      .On(kSettings,
          [&](HWND w) {
            afterCancel = ItemText(w, IDC_KEY_FILE_PATH);
            Click(w, IDC_BROWSE);
          })
      .ChooseFile(TEXT_OPEN_KEY_FILE_TITLE, chosen)
      .On(kSettings, [&](HWND w) {
        afterChoice = ItemText(w, IDC_KEY_FILE_PATH);
        SendDlgItemMessageA(w, IDC_KEY_FILE_PATH, EM_GETSEL, 0, (LPARAM)&selEnd);
        Click(w, IDC_APPLY);
      });
  EXPECT_EQ(Run(script), 1);
  EXPECT_EQ(afterCancel, before_.keyFilePath);
  EXPECT_EQ(afterChoice, chosen);
  EXPECT_EQ(selEnd, chosen.size());
  EXPECT_EQ(std::string(g_settings.keyFilePath), chosen);
}

TEST_F(SettingsDialog, NewKeyCancelledKeepsBothFields) {
  std::string path, keyPassword;
  UiScript script;
  script.On(kSettings, [](HWND w) { Click(w, IDC_NEW_KEY); })
      .On(kKeyCreate, [](HWND w) { Click(w, IDCANCEL); })
      .On(kSettings, [&](HWND w) {
        path = ItemText(w, IDC_KEY_FILE_PATH);
        keyPassword = ItemText(w, IDC_SETTINGS_KEY_PASSWORD);
        Click(w, IDCANCEL);
      });
  EXPECT_EQ(Run(script), 2);
  EXPECT_EQ(path, before_.keyFilePath);
  EXPECT_EQ(keyPassword, "active-pass");
  ExpectUnchanged();
}

TEST_F(SettingsDialog, NewKeyThenCancelOrConfirm) {
  for (bool confirm : {false, true}) {
    g_settings = before_;
    strcpy(g_activeKeyPassword, "active-pass");
    PlatformRemoveFile(SettingsFilePath().c_str());
    std::string key = dir_ + (confirm ? "confirmed.key" : "dropped.key");
    std::string path, keyPassword;
    bool derivation2 = false;
    HWND keyCreateOwner = (HWND)1;
    UiScript script;
    script.On(kSettings, [](HWND w) { Click(w, IDC_NEW_KEY); })
        .On(kKeyCreate,
            [&](HWND w) {
              keyCreateOwner = GetWindow(w, GW_OWNER);
              EnterNewKeyPassword(w, "brand-new-pass");
            })
        .ChooseFile(TEXT_SAVE_KEY_FILE_TITLE, key)
        .On(kSettings, [&](HWND w) {
          path = ItemText(w, IDC_KEY_FILE_PATH);
          keyPassword = ItemText(w, IDC_SETTINGS_KEY_PASSWORD);
          derivation2 = IsDlgButtonChecked(w, IDC_USE_DERIVATION_2) == BST_CHECKED;
          Click(w, confirm ? IDC_APPLY : IDCANCEL);
        });
    EXPECT_EQ(Run(script), confirm ? 1 : 2);
    EXPECT_EQ(keyCreateOwner, nullptr);
    EXPECT_EQ(path, key);
    EXPECT_EQ(keyPassword, "brand-new-pass");
    EXPECT_TRUE(derivation2) << "a new key starts with derivation 2";
    EXPECT_EQ(ReadBytes(key).size(), 178u);  // sealed
    if (confirm) {
      EXPECT_EQ(std::string(g_settings.keyFilePath), key);
      EXPECT_STREQ(g_activeKeyPassword, "brand-new-pass");
      EXPECT_TRUE(g_settings.optionFlags & OPT_DERIVATION_2);
      EXPECT_EQ(SavedRecord(), Bytes(g_settings));
      std::string password = Expected(g_settings, key, "brand-new-pass", "site");
      EXPECT_EQ(password.size(), 20u);
    } else {
      ExpectUnchanged();
      EXPECT_FALSE(Exists(SettingsFilePath()));
    }
  }
}

TEST_F(SettingsDialog, EnterInAFieldCancels) {
  UiScript script;
  script.On(kSettings, [](HWND w) {
    TypeText(w, IDC_LENGTH, "30");
    PressKey(w, IDC_LENGTH, VK_RETURN);
  });
  EXPECT_EQ(Run(script), 2);
  ExpectUnchanged();
}

TEST_F(SettingsDialog, UnsavedSettingsAreReportedButApply) {
  g_fileFaultHook = [](FileStep step) { return step == FILE_STEP_OPEN; };
  SeenWindow box;
  HWND dialog = nullptr;
  UiScript script;
  script
      .On(kSettings,
          [&](HWND w) {
            dialog = w;
            TypeText(w, IDC_LENGTH, "33");
            Click(w, IDC_APPLY);
          })
      .AnswerBox(IDOK, &box);
  EXPECT_EQ(Run(script), 1);
  ExpectErrorBox(box, TEXT_SETTINGS_NOT_SAVED, dialog);
  EXPECT_EQ(g_settings.passwordLength, 33);
  EXPECT_FALSE(Exists(SettingsFilePath()));
}

TEST_F(SettingsDialog, TheKeyPasswordInForceMustFitTheKey) {
  struct Case {
    bool sealed;
    int answer;  // to the box: the sealed key's refusal, or the original key's question
    bool stored;
  } cases[] = {{true, IDOK, false}, {false, IDNO, false}, {false, IDYES, true}};
  for (const Case& c : cases) {
    std::string key = c.sealed ? MakeSealedKeyFile(dir_, "fit.key", "right-key-pass", 2)
                               : MakeKeyFile(dir_, "fit.key", "right-key-pass");
    g_settings = before_;
    SeenWindow box;
    UiScript script;
    script.On(kSettings, [&](HWND w) {
      SetDlgItemTextA(w, IDC_KEY_FILE_PATH, key.c_str());
      Click(w, IDC_APPLY);  // with the key password in force, active-pass
    });
    script.AnswerBox(c.answer, &box);
    if (!c.stored) script.On(kSettings, [](HWND w) { Click(w, IDCANCEL); });
    EXPECT_EQ(Run(script), c.stored ? 1 : 2);
    EXPECT_EQ(box.text, c.sealed ? TEXT_KEY_NOT_OPENED : TEXT_KEY_MISMATCH_QUESTION);
    EXPECT_EQ(std::string(g_settings.keyFilePath), c.stored ? key : before_.keyFilePath);
  }
}

// Sealing keeps every password, the seal button goes, and the derivation box
// then changes the key itself.
TEST_F(SettingsDialog, SealsAnOriginalKeyInPlaceThenChangesItsDerivation) {
  for (bool derivation2 : {false, true}) {
    std::string key = MakeKeyFile(dir_, "seal.key", "active-pass");
    g_settings = before_;
    CopyText(g_settings.keyFilePath, sizeof g_settings.keyFilePath, key.c_str());
    if (derivation2) g_settings.optionFlags |= OPT_DERIVATION_2;
    const std::string before = Expected(g_settings, key, "active-pass", "example.com");
    SeenWindow question, done, warning;
    bool shownBefore = false, shownAfter = true;
    std::string sealed;
    UiScript script;
    script.On(kSettings, [&](HWND w) {
      shownBefore = IsWindowVisible(GetDlgItem(w, IDC_SEAL_KEY));
      Click(w, IDC_SEAL_KEY);
    });
    script.AnswerBox(IDOK, &question).AnswerBox(IDOK, &done).On(kSettings, [&](HWND w) {
      shownAfter = IsWindowVisible(GetDlgItem(w, IDC_SEAL_KEY));
      sealed = ReadBytes(key);
      Click(w, IDC_USE_DERIVATION_2);
      Click(w, IDC_APPLY);
    });
    script.AnswerBox(IDOK, &warning);
    EXPECT_EQ(Run(script), 1);
    EXPECT_TRUE(shownBefore);
    EXPECT_FALSE(shownAfter);
    EXPECT_EQ(question.text, TEXT_SEAL_QUESTION);
    EXPECT_EQ(done.text, TEXT_SEALED);
    EXPECT_EQ(warning.text, TEXT_RESEAL_QUESTION);
    OpenedKey resealed = Opened(key, "active-pass");
    EXPECT_EQ(resealed.seal.derivation, derivation2 ? 1 : 2);
    ASSERT_TRUE(WriteBytes(key, sealed));  // as the seal button left it
    OpenedKey first = Opened(key, "active-pass");
    EXPECT_EQ(first.seal.derivation, derivation2 ? 2 : 1);
    EXPECT_EQ(memcmp(first.bytes, resealed.bytes, KEY_FILE_SIZE), 0);
    EXPECT_EQ(Expected(g_settings, key, "active-pass", "example.com"), before);
  }
}
