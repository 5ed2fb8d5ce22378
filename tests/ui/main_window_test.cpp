#include <string.h>

#include "platform.h"
#include "resource.h"
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
