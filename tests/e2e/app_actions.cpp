#include "app_actions.h"

#include <gtest/gtest.h>
#include <string.h>

#include "derive.h"
#include "key_open.h"
#include "keyfile.h"
#include "resource.h"
#include "settings.h"
#include "test_files.h"
#include "texts.h"

extern const char kMain[] = "Sorrel Ver1.0";
extern const char kKeyPassword[] = "キーパスワードを入力してください";
extern const char kKeyCreate[] = "キー生成";
extern const char kSettings[] = "設定ダイアログ";

std::string Derived(const std::string& folder, const char* keyPassword, const char* passPhrase) {
  std::string record = ReadBytes(folder + "setting.ini");
  if (record.size() != sizeof(SettingsRecord)) return "<no settings>";
  SettingsRecord s;
  memcpy(&s, record.data(), sizeof s);
  unsigned char key[KEY_BUFFER_SIZE] = {};
  int n = ReadKeyFile(s.keyFilePath, key);
  char out[1024] = {};
  if (IsSealedKey(key, n)) {
    OpenedKey opened;
    if (OpenKey(key, n, keyPassword, false, &opened) != KEY_OPEN_OK) return "<not opened>";
    ApplyKeyDerivation(opened, &s);
    return DeriveWithKey(s, opened, passPhrase, s.passwordLength, out) ? out : "<false>";
  }
  if (!DerivePassword(s, key, n, keyPassword, passPhrase, s.passwordLength, out)) return "<false>";
  return out;
}

// Dialog 103 at a returning start.
void EnterKeyPassword(AppProcess& app, const char* keyPassword) {
  HWND dialog = app.WaitWindow(kKeyPassword);
  ASSERT_NE(dialog, nullptr);
  SetText(dialog, IDC_KEY_PASSWORD, keyPassword);
  PushButton(dialog, IDOK);
}

// Types the pass phrase, generates, and returns what the result box shows.
std::string GenerateOnce(AppProcess& app, const char* passPhrase, std::string* clipboard) {
  HWND main = app.WaitWindow(kMain);
  if (!main) return "<no main window>";
  SetText(main, IDC_PASSPHRASE, passPhrase);
  PushButton(main, IDC_GENERATE);
  HWND box = app.WaitMessageBox();
  if (!box) return "<no result box>";
  std::string shown = MessageBoxText(box);
  if (clipboard) *clipboard = ClipboardText();
  PushButton(box, IDOK);
  return shown;
}

void CloseMain(AppProcess& app) {
  HWND main = app.WaitWindow(kMain);
  ASSERT_NE(main, nullptr);
  PostMessageA(main, WM_SYSCOMMAND, SC_CLOSE, 0);
}

// The file name field of the program's chooser with this title, once it is there.
static HWND WaitChooserName(AppProcess& app, const char* title, HWND* chooser) {
  for (DWORD start = GetTickCount(); GetTickCount() - start < 20000; Sleep(10)) {
    *chooser = app.WaitWindow(title);
    if (!*chooser) return nullptr;
    // The name field: a combo box (whose text setting reaches its edit), or a plain edit.
    HWND name = GetDlgItem(*chooser, 0x047C);
    if (!name) name = GetDlgItem(*chooser, 0x0480);
    if (name) return name;
  }
  return nullptr;
}

// Types a full path into the chooser and presses its OK button.
void Choose(AppProcess& app, const char* title, const std::string& path) {
  HWND chooser = nullptr;
  HWND name = WaitChooserName(app, title, &chooser);
  ASSERT_NE(name, nullptr);
  Sleep(150);  // let the chooser's folder view settle, as a person's eye would
  SendMessageA(name, WM_SETTEXT, 0, (LPARAM)path.c_str());
  PushButton(chooser, IDOK);
}

// A first start that makes a key through dialog 112 and the save chooser.
void FirstStart(AppProcess& app, const char* keyPassword) {
  ASSERT_TRUE(app.Start());
  HWND question = app.WaitMessageBox();
  ASSERT_NE(question, nullptr);
  ASSERT_EQ(MessageBoxText(question), TEXT_FIRST_START_QUESTION);
  PushButton(question, IDYES);
  HWND create = app.WaitWindow(kKeyCreate);
  ASSERT_NE(create, nullptr);
  SetText(create, IDC_KEY_PASSWORD, keyPassword);
  SetText(create, IDC_KEY_PASSWORD_CONFIRM, keyPassword);
  PushButton(create, IDOK);
  Choose(app, TEXT_SAVE_KEY_FILE_TITLE, app.Folder() + "my");
  // The main window shows from the start: the setup is done once setting.ini is there.
  DWORD start = GetTickCount();
  while (ReadBytes(app.Folder() + "setting.ini").size() != 524 && GetTickCount() - start < 20000) Sleep(10);
  ASSERT_NE(app.WaitWindow(kMain), nullptr);
}
