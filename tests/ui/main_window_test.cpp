#include <stdio.h>
#include <string.h>

#include "platform.h"
#include "resource.h"
#include "site_rules.h"
#include "ui_fixture.h"
#include "window_services.h"

namespace {

const char kMain[] = "Sorrel Ver1.0";
const char kKeyPassword[] = "キーパスワードを入力してください";
const char kActiveKeyPassword[] = "main-key-pass";

class MainWindow : public DialogTest {
 protected:
  std::string dir_, key_;
  HWND main_ = nullptr;

  void SetUp() override {
    DialogTest::SetUp();
    dir_ = FreshDirectory("main-window");
    key_ = MakeKeyFile(dir_, "main.key", kActiveKeyPassword);
  }

  // Starts the main window on saved settings, enters the key password, then
  // runs the steps given and closes the window.
  INT_PTR RunReady(const SettingsRecord& settings, const std::function<void(UiScript&)>& steps) {
    EXPECT_TRUE(SaveSettings(settings));
    UiScript script;
    script.On(kKeyPassword, [](HWND w) {
      TypeText(w, IDC_KEY_PASSWORD, kActiveKeyPassword);
      Click(w, IDOK);
    });
    script.On(kMain, [this](HWND w) { main_ = w; });
    steps(script);
    script.On(kMain, [](HWND w) { PressCloseBox(w); });
    return RunDialog(script, IDD_MAIN, MainDlgProc);
  }
};

// The key file message, naming the path and the same name beside the program.
std::string MissingKeyMessage(const std::string& path) {
  char module[PATH_CAPACITY], text[1024];
  GetModuleDirectory(module);
  wsprintfA(text, TEXT_KEY_FILE_NOT_FOUND, path.c_str(), (std::string(module) + "missing.key").c_str());
  return text;
}

UiScript::Action Generate(const std::string& passPhrase) {
  return [passPhrase](HWND w) {
    TypeText(w, IDC_PASSPHRASE, passPhrase);
    Click(w, IDC_GENERATE);
  };
}

}  // namespace

TEST_F(MainWindow, RefusesInTheOrderOfItsChecks) {
  struct Case {
    const char* what;
    bool keyFile;
    const char* passPhrase;
    int32_t length;
    uint32_t flags;
    std::string message;
  } cases[] = {
      {"no key file, short pass phrase, no length", false, "abc", 0, 31, MissingKeyMessage(dir_ + "missing.key")},
      {"short pass phrase, no length", true, "abc", 0, 31, TEXT_PASS_PHRASE_TOO_SHORT},
      {"one double-byte character and a byte", true,
       "\x95\x5c"
       "a",
       16, 31, TEXT_PASS_PHRASE_TOO_SHORT},
      {"empty pass phrase", true, "", 16, 31, TEXT_PASS_PHRASE_TOO_SHORT},
      {"length 0", true, "abcd", 0, 31, TEXT_LENGTH_INVALID},
      {"length -1", true, "abcd", -1, 31, TEXT_LENGTH_INVALID},
      {"length 1024 would overrun the result", true, "abcd", 1024, 31, TEXT_LENGTH_INVALID},
      {"no class", true, "abcd", 16, OPT_CLIPBOARD, TEXT_DERIVE_FAILED},
  };
  for (const Case& c : cases) {
    SettingsRecord s;
    SetDefaultSettings(&s, c.keyFile ? key_.c_str() : (dir_ + "missing.key").c_str());
    s.passwordLength = c.length;
    s.optionFlags = c.flags;
    SeenWindow box;
    std::string kept;
    EXPECT_EQ(RunReady(s,
                       [&](UiScript& script) {
                         script.On(kMain, Generate(c.passPhrase)).AnswerBox(IDOK, &box).On(kMain, [&](HWND w) {
                           kept = ItemText(w, IDC_PASSPHRASE);
                         });
                       }),
              2)
        << c.what;
    ExpectErrorBox(box, c.message.c_str(), main_);
    EXPECT_EQ(kept, c.passPhrase) << c.what;
  }
}

TEST_F(MainWindow, ShowsThePasswordAndCopiesItFirst) {
  struct Case {
    const char* passPhrase;
    int32_t length;
    uint32_t flags;
    bool pressEnter;
  } cases[] = {
      {"abcd", 16, 31, false},
      {"example.com", 1, 31, true},
      {"\x93\xfa\x96\x7b", 1023, 31, false},  // 日本: two double-byte characters
      {"no clipboard", 40, OPT_DIGITS | OPT_SYMBOLS, true},
      {"  padded  ", 20, OPT_CLIPBOARD | OPT_LOWER, false},
  };
  for (const Case& c : cases) {
    SettingsRecord s;
    SetDefaultSettings(&s, key_.c_str());
    s.passwordLength = c.length;
    s.optionFlags = c.flags;
    ASSERT_TRUE(CopyTextToClipboard(nullptr, "before"));
    SeenWindow box;
    std::string clipboardWhileOpen;
    EXPECT_EQ(RunReady(s,
                       [&](UiScript& script) {
                         script
                             .On(kMain,
                                 [&](HWND w) {
                                   TypeText(w, IDC_PASSPHRASE, c.passPhrase);
                                   if (c.pressEnter)
                                     PressKey(w, IDC_PASSPHRASE, VK_RETURN);
                                   else
                                     Click(w, IDC_GENERATE);
                                 })
                             .AnswerBox(IDOK, &box, [&] { clipboardWhileOpen = ClipboardText(); });
                       }),
              2);
    std::string expected = Expected(s, key_, kActiveKeyPassword, c.passPhrase);
    EXPECT_EQ(box.text, expected) << c.passPhrase;
    EXPECT_EQ(box.text.size(), (size_t)c.length);
    EXPECT_EQ(box.caption, TEXT_RESULT_CAPTION);
    EXPECT_FALSE(box.anyIcon);
    EXPECT_EQ(box.owner, main_);
    EXPECT_EQ(clipboardWhileOpen, (c.flags & OPT_CLIPBOARD) ? expected : "before");
  }
}

TEST_F(MainWindow, DerivesByDerivation2OnceTheSettingsBoxIsTicked) {
  SettingsRecord s;
  SetDefaultSettings(&s, key_.c_str());
  SeenWindow box;
  RunReady(s, [&](UiScript& script) {
    script.On(kMain, [](HWND w) { Click(w, IDC_SETTINGS); })
        .On("設定ダイアログ",
            [](HWND w) {
              Click(w, IDC_USE_DERIVATION_2);
              Click(w, IDC_APPLY);
            })
        .On(kMain, Generate("example.com"))
        .AnswerBox(IDOK, &box);
  });
  SettingsRecord second = s;
  second.optionFlags |= OPT_DERIVATION_2;
  EXPECT_EQ(ReadBytes(SettingsFilePath()), std::string((const char*)&second, sizeof second));
  EXPECT_EQ(box.text, Expected(second, key_, kActiveKeyPassword, "example.com"));
  EXPECT_NE(box.text, Expected(s, key_, kActiveKeyPassword, "example.com"));
}

TEST_F(MainWindow, LongPassPhraseIsCutTo1023Bytes) {
  SettingsRecord s;
  SetDefaultSettings(&s, key_.c_str());
  std::string longer(1023, 'p');
  SeenWindow box;
  RunReady(s, [&](UiScript& script) {
    script.On(kMain, [&](HWND w) {
      PasteText(w, IDC_PASSPHRASE, longer + "tail beyond the buffer");
      Click(w, IDC_GENERATE);
    });
    script.AnswerBox(IDOK, &box);
  });
  EXPECT_EQ(box.text, Expected(s, key_, kActiveKeyPassword, longer.c_str()));
}

TEST_F(MainWindow, EscapeDoesNotCloseIt) {
  SettingsRecord s;
  SetDefaultSettings(&s, key_.c_str());
  bool stillOpen = false;
  EXPECT_EQ(
      RunReady(
          s,
          [&](UiScript& script) {
            script.On(kMain, [](HWND w) { PressKey(w, IDC_PASSPHRASE, VK_ESCAPE); }).Then([] {}).On(kMain, [&](HWND w) {
              stillOpen = IsWindowVisible(w);
            });
          }),
      2);
  EXPECT_TRUE(stillOpen);
}

TEST_F(MainWindow, GenerateBeforeTheStartUpCheckFindsNoKeyFile) {
  PlatformRemoveFile(SettingsFilePath().c_str());
  SeenWindow box;
  UiScript script;
  script.AnswerBox(IDOK, &box).AnswerBox(IDNO).CancelChooser(TEXT_OPEN_KEY_FILE_TITLE);
  EXPECT_EQ(RunMainPosting(script, WM_COMMAND, IDC_GENERATE), 2);
  EXPECT_EQ(box.text, TEXT_KEY_FILE_NOT_READ);
}

TEST_F(MainWindow, ClearsItsPasswordFromTheClipboardUnlessSomethingElseWasCopied) {
  g_clipboardClearMs = 300;
  for (bool copiedSince : {false, true}) {
    SettingsRecord s;
    SetDefaultSettings(&s, key_.c_str());
    std::string whileShown, after;
    DWORD shownAt = 0;
    RunReady(s, [&](UiScript& script) {
      script.On(kMain, Generate("example.com")).AnswerBox(IDOK, nullptr, [&] {
        whileShown = ClipboardText();
        if (copiedSince) CopyTextToClipboard(nullptr, "copied since");
        shownAt = GetTickCount();
      });
      script.WaitUntil([&] { return GetTickCount() - shownAt > 1000; }).On(kMain, [&](HWND) {
        after = ClipboardText();
      });
    });
    EXPECT_EQ(whileShown, Expected(s, key_, kActiveKeyPassword, "example.com"));
    EXPECT_EQ(after, copiedSince ? "copied since" : "<none>");
  }
  g_clipboardClearMs = 45000;
}

namespace {

const char kSiteDialog[] = "サイト別設定";

class SiteRules : public MainWindow {
 protected:
  std::string sites_;

  void SetUp() override {
    MainWindow::SetUp();
    char path[PATH_CAPACITY];
    ASSERT_TRUE(SiteFilePathFor(SettingsFilePath().c_str(), path) && (DeleteFileA(path) || true));
    sites_ = path;
  }
  void TearDown() override {
    DeleteFileA(sites_.c_str());
    MainWindow::TearDown();
  }

  // The settings with a rule's values written out by hand.
  static SettingsRecord With(SettingsRecord s, int32_t length, uint32_t flags) {
    if (length) s.passwordLength = length;
    if (flags) s.optionFlags = flags;
    return s;
  }
};

// Types the pass phrase and keeps the note it brings up, then generates.
UiScript::Action NoteAndGenerate(const std::string& passPhrase, std::string* note) {
  return [passPhrase, note](HWND w) {
    TypeText(w, IDC_PASSPHRASE, passPhrase);
    *note = ItemText(w, IDC_SITE_NOTE);
    Click(w, IDC_GENERATE);
  };
}

}  // namespace

TEST_F(SiteRules, GenerateAppliesTheRuleAndTheNoteNamesIt) {
  ASSERT_TRUE(WriteBytes(sites_,
                         u8"# my sites\n"
                         u8"example.com\tlength=8\tclasses=digits,lower,upper\tcounter=2\n"
                         u8"bank.example\tderivation=2\tmemo=kept\n"
                         u8"日本語サイト\tclasses=digits\tlength=6\tcounter=3\n"
                         u8"card.example    length=4\n"));
  struct Case {
    const char* typed;
    const char* note;
    int32_t length;
    uint32_t flags;
    const char* derivedFrom;
  } cases[] = {
      {"example.com", "このサイト：8文字・英数字・2回目", 8, OPT_CLIPBOARD | OPT_DIGITS | OPT_LOWER | OPT_UPPER,
       "example.com#2"},
      {"bank.example", "このサイト：新方式", 0, DEFAULT_OPTION_FLAGS | OPT_DERIVATION_2, "bank.example"},
      {"日本語サイト", "このサイト：6文字・数字・3回目", 6, OPT_CLIPBOARD | OPT_DIGITS, "日本語サイト#3"},
      // The typo guard warns and derives from what was typed.
      {"Example.com", "「example.com」のことですか？", 0, 0, "Example.com"},
      {"ｅｘａｍｐｌｅ．ｃｏｍ", "「example.com」のことですか？", 0, 0, "ｅｘａｍｐｌｅ．ｃｏｍ"},
      {"bank.example ", "「bank.example」のことですか？", 0, 0, "bank.example "},
      {"other.org", "", 0, 0, "other.org"},
      // A rule typed with blanks is not in force, and says so.
      {"card.example", "sites.txt の5行目の設定は効いていません", 0, 0, "card.example"},
  };
  const size_t n = sizeof cases / sizeof cases[0];
  SettingsRecord s;
  SetDefaultSettings(&s, key_.c_str());
  std::string notes[n];
  SeenWindow boxes[n];
  RunReady(s, [&](UiScript& script) {
    for (size_t i = 0; i < n; ++i)
      script.On(kMain, NoteAndGenerate(cases[i].typed, &notes[i])).AnswerBox(IDOK, &boxes[i]);
  });
  for (size_t i = 0; i < n; ++i) {
    const Case& c = cases[i];
    EXPECT_EQ(notes[i], c.note) << c.typed;
    EXPECT_EQ(boxes[i].text, Expected(With(s, c.length, c.flags), key_, kActiveKeyPassword, c.derivedFrom));
  }
}

TEST_F(SiteRules, RefusedFileStopsGenerateWithItsLine) {
  struct Case {
    const char* file;
    long line;
    const char* reason;
  } cases[] = {
      {u8"example.com\tlength=0\n", 1, TEXT_SITE_BAD_LENGTH},
      {u8"# mine\nexample.com\nexample.com\tcounter=2\n", 3, TEXT_SITE_DUPLICATE},
      // UTF-8 the engine takes, which no one could type in code page 932.
      {u8"a.org\n\U0001F600site\n", 2, TEXT_SITE_NOT_CP932},
  };
  SettingsRecord s;
  SetDefaultSettings(&s, key_.c_str());
  for (const Case& c : cases) {
    ASSERT_TRUE(WriteBytes(sites_, c.file));
    std::string note;
    SeenWindow refused, mended;
    RunReady(s, [&](UiScript& script) {
      script.On(kMain, NoteAndGenerate("example.com", &note))
          .AnswerBox(IDOK, &refused)
          .Then([&] { WriteBytes(sites_, "example.com\tlength=5\n"); })
          .On(kMain, Generate("example.com"))
          .AnswerBox(IDOK, &mended);
    });
    char line[64], noteLine[128];
    snprintf(line, sizeof line, TEXT_SITE_FILE_LINE, c.line);
    snprintf(noteLine, sizeof noteLine, TEXT_SITE_NOTE_FILE_LINE, c.line);
    std::string says = std::string(TEXT_SITE_FILE_REFUSED) + "\n" + sites_ + "\n" + line + c.reason + "\n";
    ExpectErrorBox(refused, (says + TEXT_SITE_FILE_MEND_TO_GENERATE).c_str(), main_);
    EXPECT_EQ(note, noteLine) << c.file;
    EXPECT_EQ(mended.text, Expected(With(s, 5, 0), key_, kActiveKeyPassword, "example.com"));
  }
}

TEST_F(SiteRules, SiteDialogSavesTheRuleThatGenerateApplies) {
  struct Case {
    const char* what;
    const char* before;
    std::function<void(HWND)> edit;
    bool remove;
    const char* after;
    const char* note;
    int32_t length;
    uint32_t flags;
    const char* derivedFrom;
  } cases[] = {
      {"a new site saved as shown", "", [](HWND) {}, false, "example.com\n", "このサイト：詳細設定どおり", 0, 0,
       "example.com"},
      {"a new site: length, classes, the next password", "",
       [](HWND d) {
         TypeText(d, IDC_LENGTH, "10");
         SendMessageA(GetDlgItem(d, IDC_USE_SYMBOLS), BM_CLICK, 0, 0);
         SendMessageA(GetDlgItem(d, IDC_NEXT_PASSWORD), BM_CLICK, 0, 0);
       },
       false, "example.com\tlength=10\tclasses=digits,lower,upper\tcounter=2\n", "このサイト：10文字・英数字・2回目",
       10, OPT_CLIPBOARD | OPT_DIGITS | OPT_LOWER | OPT_UPPER, "example.com#2"},
      {"a rule changed: comments, fields and line ends kept", "# mine\r\nexample.com\tcounter=2\tmemo=x\r\n",
       [](HWND d) {
         SendMessageA(GetDlgItem(d, IDC_NEXT_PASSWORD), BM_CLICK, 0, 0);
         SendMessageA(GetDlgItem(d, IDC_USE_DERIVATION_2), BM_CLICK, 0, 0);
       },
       false, "# mine\r\nexample.com\tcounter=3\tmemo=x\tderivation=2\r\n", "このサイト：新方式・3回目", 0,
       DEFAULT_OPTION_FLAGS | OPT_DERIVATION_2, "example.com#3"},
      {"a rule deleted", "example.com\tcounter=2\nother.org\n", [](HWND) {}, true, "other.org\n", "", 0, 0,
       "example.com"},
  };
  SettingsRecord s;
  SetDefaultSettings(&s, key_.c_str());
  for (const Case& c : cases) {
    ASSERT_TRUE(WriteBytes(sites_, c.before));
    std::string note;
    SeenWindow box;
    RunReady(s, [&](UiScript& script) {
      script
          .On(kMain,
              [](HWND w) {
                TypeText(w, IDC_PASSPHRASE, "example.com");
                Click(w, IDC_SITE);
              })
          .On(kSiteDialog, [&](HWND d) {
            c.edit(d);
            Click(d, c.remove ? IDC_DELETE : IDOK);
          });
      if (c.remove) script.AnswerBox(IDYES);
      script
          .On(kMain,
              [&](HWND w) {
                note = ItemText(w, IDC_SITE_NOTE);
                Click(w, IDC_GENERATE);
              })
          .AnswerBox(IDOK, &box);
    });
    EXPECT_EQ(ReadBytes(sites_), c.after) << c.what;
    EXPECT_EQ(note, c.note) << c.what;
    EXPECT_EQ(box.text, Expected(With(s, c.length, c.flags), key_, kActiveKeyPassword, c.derivedFrom)) << c.what;
  }
}

// Characters code page 932 lacks, pasted from another program: the field's
// ANSI text decides the bytes (é best fit, U+301C and an emoji as '?'), and
// every password registered with them depends on these bytes staying.
TEST_F(MainWindow, TextCodePage932LacksReachesTheDerivationAsBefore) {
  struct Case {
    const wchar_t* typed;
    const char* bytes;
  } cases[] = {
      {L"caf\u00e9-key", "cafe-key"},
      {L"\u301c-wave-key", "?-wave-key"},
      {L"\uff5e-wave-key", "\x81\x60-wave-key"},
      {L"\U0001F600-face-key", "?\?-face-key"},
  };
  int i = 0;
  for (const Case& c : cases) {
    const std::string key = MakeKeyFile(dir_, "foreign" + std::to_string(i++) + ".key", c.bytes);
    SettingsRecord s;
    SetDefaultSettings(&s, key.c_str());
    ASSERT_TRUE(SaveSettings(s));
    SeenWindow box;
    UiScript script;
    script.On(kKeyPassword, [&](HWND w) {
      PasteWide(w, IDC_KEY_PASSWORD, c.typed);
      Click(w, IDOK);
    });
    script.On(kMain, [&](HWND w) {
      PasteWide(w, IDC_PASSPHRASE, c.typed);
      Click(w, IDC_GENERATE);
    });
    script.AnswerBox(IDOK, &box).On(kMain, [](HWND w) { PressCloseBox(w); });
    EXPECT_EQ(RunDialog(script, IDD_MAIN, MainDlgProc), 2);
    EXPECT_STREQ(g_activeKeyPassword, c.bytes);
    EXPECT_EQ(box.text, Expected(s, key, c.bytes, c.bytes)) << c.bytes;
  }
}
