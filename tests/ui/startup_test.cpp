#include <stdio.h>
#include <string.h>

#include "resource.h"
#include "safe_write.h"
#include "ui_fixture.h"

namespace {

const char kMain[] = "Sorrel Ver1.0";
const char kKeyPassword[] = "キーパスワードを入力してください";
const char kKeyCreate[] = "キー生成";

class Startup : public DialogTest {
 protected:
  HWND main_ = nullptr;

  INT_PTR RunMain(UiScript& script) { return RunDialog(script, IDD_MAIN, MainDlgProc); }
  // Notes the main window, then closes it with the close box.
  UiScript::Action CloseMain() {
    return [this](HWND w) {
      main_ = w;
      PressCloseBox(w);
    };
  }
  UiScript::Action EnterKeyPassword(const std::string& text) {
    return [text](HWND w) {
      TypeText(w, IDC_KEY_PASSWORD, text);
      Click(w, IDOK);
    };
  }
};

int g_replaces;
// Fails the second replacement: the key file is written, setting.ini is not.
bool FailSecondReplace(FileStep step) { return step == FILE_STEP_REPLACE && ++g_replaces == 2; }
bool FailEveryReplace(FileStep step) { return step == FILE_STEP_REPLACE; }

}  // namespace

TEST_F(Startup, ReturningStartTakesTheKeyPassword) {
  struct Case {
    std::string typed;
    bool accepted;
  } cases[] = {
      {"1234567", false},
      {"12345678", true},
      {"\x83\x4c\x81\x5b\x83\x70\x83\x58", true},  // キーパス: four double-byte characters
      {"\x83\x4c\x81\x5b\x83\x70", false},         // 6 bytes
  };
  std::string dir = FreshDirectory("startup-returning");
  std::string key = dir + "absent.key";  // nothing to check the key password against
  for (const Case& c : cases) {
    SettingsRecord saved = SaveDefaultSettings(key);
    SeenWindow refusal;
    HWND dialog = nullptr, owner = nullptr;
    std::string kept;
    UiScript script;
    script.On(kKeyPassword, [&](HWND w) {
      dialog = w;
      owner = GetWindow(w, GW_OWNER);
      EnterKeyPassword(c.typed)(w);
    });
    if (!c.accepted) {
      script.AnswerBox(IDOK, &refusal).On(kKeyPassword, [&](HWND w) {
        kept = ItemText(w, IDC_KEY_PASSWORD);
        EnterKeyPassword("12345678")(w);
      });
    }
    script.On(kMain, CloseMain());
    EXPECT_EQ(RunMain(script), 2);
    EXPECT_EQ(owner, main_);
    EXPECT_STREQ(g_activeKeyPassword, c.accepted ? c.typed.c_str() : "12345678");
    if (!c.accepted) {
      ExpectErrorBox(refusal, TEXT_KEY_PASSWORD_TOO_SHORT_WIDE, dialog);
      EXPECT_EQ(kept, c.typed);
    }
    EXPECT_EQ(ReadBytes(SettingsFilePath()), std::string((const char*)&saved, sizeof saved));  // nothing written
  }
}

TEST_F(Startup, ReturningStartCancelledEndsWith2) {
  const UiScript::Action ways[] = {
      [](HWND w) { Click(w, IDCANCEL); },
      [](HWND w) { PressKey(w, IDC_KEY_PASSWORD, VK_ESCAPE); },
      [](HWND w) { PressCloseBox(w); },
  };
  std::string dir = FreshDirectory("startup-cancel");
  SettingsRecord saved = SaveDefaultSettings(dir + "a.key");
  for (const auto& way : ways) {
    UiScript script;
    script.On(kKeyPassword, way);
    EXPECT_EQ(RunMain(script), 2);
    EXPECT_STREQ(g_activeKeyPassword, "");
    EXPECT_EQ(ReadBytes(SettingsFilePath()), std::string((const char*)&saved, sizeof saved));
  }
}

TEST_F(Startup, FirstStartCreatesAKeyAndWritesTheSettings) {
  std::string dir = FreshDirectory("startup-first-yes");
  // A short setting.ini counts as none.
  ASSERT_TRUE(WriteBytes(SettingsFilePath(), "short"));
  SeenWindow question, chooser;
  HWND keyCreateOwner = (HWND)1;
  UiScript script;
  script.AnswerBox(IDYES, &question)
      .On(kKeyCreate,
          [&](HWND w) {
            keyCreateOwner = GetWindow(w, GW_OWNER);
            EnterNewKeyPassword(w, "first-key-pass");
          })
      .ChooseFile(TEXT_SAVE_KEY_FILE_TITLE, dir + "first.key", &chooser)
      .On(kMain, CloseMain());
  EXPECT_EQ(RunMain(script), 2);
  EXPECT_EQ(question.text, TEXT_FIRST_START_QUESTION);
  EXPECT_EQ(question.caption, TEXT_FIRST_START_CAPTION);
  EXPECT_TRUE(question.questionIcon);
  EXPECT_EQ(question.owner, main_);
  EXPECT_EQ(keyCreateOwner, nullptr);
  EXPECT_EQ(chooser.owner, nullptr);
  EXPECT_STREQ(g_activeKeyPassword, "first-key-pass");
  SettingsRecord expected;
  SetDefaultSettings(&expected, (dir + "first.key").c_str());
  expected.optionFlags |= OPT_DERIVATION_2;  // a new key has no password of derivation 1 to keep
  EXPECT_EQ(ReadBytes(SettingsFilePath()), std::string((const char*)&expected, sizeof expected));
  EXPECT_EQ(ReadBytes(dir + "first.key").size(), 178u);  // sealed
}

TEST_F(Startup, FirstStartWithAnExistingKeyFile) {
  std::string dir = FreshDirectory("startup-first-no");
  std::string key = MakeKeyFile(dir, "old.key", "old-key-pass");
  SeenWindow chooser, question;
  HWND keyPasswordOwner = nullptr;
  UiScript script;
  script.AnswerBox(IDNO)
      .ChooseFile(TEXT_OPEN_KEY_FILE_TITLE, key, &chooser)
      .On(kKeyPassword,
          [&](HWND w) {
            keyPasswordOwner = GetWindow(w, GW_OWNER);
            EnterKeyPassword("not-the-key-pass")(w);
          })
      .AnswerBox(IDYES, &question)  // go on without the key check
      .On(kMain, CloseMain());
  EXPECT_EQ(RunMain(script), 2);
  EXPECT_EQ(chooser.owner, nullptr);
  EXPECT_EQ(keyPasswordOwner, main_);
  EXPECT_EQ(question.text, TEXT_KEY_MISMATCH_QUESTION);
  EXPECT_STREQ(g_activeKeyPassword, "not-the-key-pass");
  SettingsRecord expected;
  SetDefaultSettings(&expected, key.c_str());
  EXPECT_EQ(ReadBytes(SettingsFilePath()), std::string((const char*)&expected, sizeof expected));
}

TEST_F(Startup, EveryCancelOfTheFirstStartEndsWith2AndWritesNothing) {
  std::string dir = FreshDirectory("startup-first-cancel");
  std::string key = MakeKeyFile(dir, "old.key", "old-key-pass");
  struct Case {
    const char* what;
    std::function<void(UiScript&)> steps;
  } cases[] = {
      {"key creation cancelled",
       [](UiScript& s) { s.AnswerBox(IDYES).On(kKeyCreate, [](HWND w) { Click(w, IDCANCEL); }); }},
      {"save chooser cancelled",
       [](UiScript& s) {
         s.AnswerBox(IDYES)
             .On(kKeyCreate, [](HWND w) { EnterNewKeyPassword(w, "kiwi-lantern-7"); })
             .CancelChooser(TEXT_SAVE_KEY_FILE_TITLE);
       }},
      {"open chooser cancelled", [](UiScript& s) { s.AnswerBox(IDNO).CancelChooser(TEXT_OPEN_KEY_FILE_TITLE); }},
      {"key password cancelled",
       [key](UiScript& s) {
         s.AnswerBox(IDNO).ChooseFile(TEXT_OPEN_KEY_FILE_TITLE, key).On(kKeyPassword, [](HWND w) { PressCloseBox(w); });
       }},
  };
  for (const Case& c : cases) {
    UiScript script;
    c.steps(script);
    EXPECT_EQ(RunMain(script), 2) << c.what;
    EXPECT_FALSE(Exists(SettingsFilePath())) << c.what;
    EXPECT_EQ(CountTemporaries(dir), 0) << c.what;
  }
}

TEST_F(Startup, UnwritableSettingsEndWithMinus1AndKeepTheKey) {
  std::string dir = FreshDirectory("startup-unwritable");
  g_replaces = 0;
  g_fileFaultHook = FailSecondReplace;
  SeenWindow failure;
  UiScript script;
  script.AnswerBox(IDYES)
      .On(kKeyCreate, [](HWND w) { EnterNewKeyPassword(w, "kiwi-lantern-7"); })
      .ChooseFile(TEXT_SAVE_KEY_FILE_TITLE, dir + "kept.key")
      .AnswerBox(IDOK, &failure);
  EXPECT_EQ(RunMain(script), -1);
  ExpectErrorBox(failure, TEXT_STARTUP_FAILED, nullptr);
  EXPECT_EQ(ReadBytes(dir + "kept.key").size(), 178u);
  EXPECT_FALSE(Exists(SettingsFilePath()));

  // The same on the path through an existing key file.
  g_fileFaultHook = nullptr;
  std::string key = MakeKeyFile(dir, "other.key", "kiwi-lantern-7");
  g_fileFaultHook = FailEveryReplace;
  UiScript existing;
  existing.AnswerBox(IDNO)
      .ChooseFile(TEXT_OPEN_KEY_FILE_TITLE, key)
      .On(kKeyPassword, EnterKeyPassword("kiwi-lantern-7"))
      .AnswerBox(IDOK, &failure);
  EXPECT_EQ(RunMain(existing), -1);
  ExpectErrorBox(failure, TEXT_STARTUP_FAILED, nullptr);
}

TEST_F(Startup, CloseBeforeTheFirstTickSkipsTheCheck) {
  UiScript script;  // nothing to drive: the window closes at once
  EXPECT_EQ(RunMainPosting(script, WM_CLOSE, 0), 2);
  EXPECT_FALSE(Exists(SettingsFilePath()));
}

TEST_F(Startup, TheKeyPasswordMustOpenTheKey) {
  std::string dir = FreshDirectory("startup-open");
  struct Case {
    bool sealed;
    int answer;        // to the box after the wrong key password
    const char* then;  // typed next; null: Cancel, or nothing after IDYES
    const char* active;
  } cases[] = {
      {true, IDOK, "right-key-pass", "right-key-pass"},
      {true, IDOK, nullptr, ""},
      {false, IDNO, "right-key-pass", "right-key-pass"},
      {false, IDYES, nullptr, "wrong-key-pass"},
  };
  for (const Case& c : cases) {
    memset(g_activeKeyPassword, 0, sizeof g_activeKeyPassword);
    SaveDefaultSettings(c.sealed ? MakeSealedKeyFile(dir, "s.key", "right-key-pass", 2)
                                 : MakeKeyFile(dir, "o.key", "right-key-pass"));
    SeenWindow box;
    UiScript script;
    script.On(kKeyPassword, EnterKeyPassword("wrong-key-pass")).AnswerBox(c.answer, &box);
    if (c.answer != IDYES)
      script.On(
          kKeyPassword, c.then ? EnterKeyPassword(c.then) : [](HWND w) { Click(w, IDCANCEL); });
    if (c.then || c.answer == IDYES) script.On(kMain, CloseMain());
    EXPECT_EQ(RunMain(script), 2);
    EXPECT_EQ(box.text, c.sealed ? TEXT_KEY_NOT_OPENED : TEXT_KEY_MISMATCH_QUESTION);
    EXPECT_STREQ(g_activeKeyPassword, c.active);
  }
}

// A key file no key password can use (cut short, needing more memory than the
// process gets, empty) is never taken: the user is offered another key file.
TEST_F(Startup, AKeyThatCannotBeUsedOffersAnother) {
  std::string dir = FreshDirectory("startup-other-key");
  const std::string sealed = ReadBytes(MakeSealedKeyFile(dir, "s.key", "right-key-pass", 2));
  const std::string other = MakeKeyFile(dir, "other.key", "other-key-pass");
  char noMemory[512], empty[512];
  snprintf(noMemory, sizeof noMemory, TEXT_KEY_NEEDS_MEMORY TEXT_CHOOSE_OTHER_KEY, "8");
  snprintf(empty, sizeof empty, TEXT_KEY_FILE_UNREADABLE TEXT_CHOOSE_OTHER_KEY, (dir + "k.key").c_str());
  struct Case {
    std::string bytes;
    uint32_t memoryLimitKiB;
    int answer;  // to the offer of another key file
    std::string text;
  } cases[] = {
      {sealed.substr(0, 177), 0, IDYES, TEXT_KEY_DAMAGED TEXT_CHOOSE_OTHER_KEY},
      {sealed.substr(0, 100), 0, IDNO, TEXT_KEY_DAMAGED TEXT_CHOOSE_OTHER_KEY},
      {sealed, SEALED_MEMORY_KIB_MIN - 1, IDYES, noMemory},
      {"", 0, IDYES, empty},
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(WriteBytes(dir + "k.key", c.bytes));
    SettingsRecord saved = SaveDefaultSettings(dir + "k.key");
    g_sealMemoryLimitKiB = c.memoryLimitKiB;
    memset(g_activeKeyPassword, 0, sizeof g_activeKeyPassword);
    SeenWindow offer;
    UiScript script;
    script.On(kKeyPassword, EnterKeyPassword("right-key-pass")).AnswerBox(c.answer, &offer);
    if (c.answer == IDYES) {
      script.ChooseFile(TEXT_OPEN_KEY_FILE_TITLE, other).On(kKeyPassword, EnterKeyPassword("other-key-pass"));
      script.On(kMain, CloseMain());
    } else {
      script.On(kKeyPassword, [](HWND w) { Click(w, IDCANCEL); });
    }
    EXPECT_EQ(RunMain(script), 2);
    g_sealMemoryLimitKiB = 0;
    ExpectErrorBox(offer, c.text.c_str(), offer.owner);
    EXPECT_STREQ(g_activeKeyPassword, c.answer == IDYES ? "other-key-pass" : "");
    if (c.answer == IDYES) SetDefaultSettings(&saved, other.c_str());
    EXPECT_EQ(ReadBytes(SettingsFilePath()), std::string((const char*)&saved, sizeof saved));
  }
}
