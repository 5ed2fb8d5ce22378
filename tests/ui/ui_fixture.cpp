#include "ui_fixture.h"

#include <string.h>

#include "derive.h"
#include "key_open.h"
#include "keyfile.h"
#include "resource.h"
#include "safe_write.h"
#include "settings.h"

void DialogTest::SetUp() {
  // A chooser leaves the current directory where its file was; a directory
  // that is current cannot be removed.
  SetCurrentDirectoryA(StartDirectory().c_str());
  g_hInstance = GetModuleHandleA(nullptr);
  memset(g_pendingKeyFilePath, 0, sizeof g_pendingKeyFilePath);
  memset(g_pendingKeyPassword, 0, sizeof g_pendingKeyPassword);
  memset(g_activeKeyPassword, 0, sizeof g_activeKeyPassword);
  memset(&g_settings, 0, sizeof g_settings);
  g_fileFaultHook = nullptr;
  g_newKeySeal = CheapSeal(2);
  DeleteFileA(SettingsFilePath().c_str());
}

SealParameters CheapSeal(int derivation) { return {SEALED_PASSES_MIN, SEALED_MEMORY_KIB_MIN, derivation}; }

void DialogTest::TearDown() {
  g_fileFaultHook = nullptr;
  DeleteFileA(SettingsFilePath().c_str());
}

INT_PTR DialogTest::RunDialog(UiScript& script, int id, DLGPROC proc, HWND owner) {
  INT_PTR result = -100;
  bool finished = script.Run([&] { result = DialogBoxParamA(g_hInstance, MAKEINTRESOURCEA(id), owner, proc, 0); });
  EXPECT_TRUE(finished) << script.Failure() << " (" << script.StepsDone() << " of " << script.StepCount() << " steps)";
  return result;
}

namespace {
UINT g_postMessage;
WPARAM g_postWParam;
INT_PTR CALLBACK MainPostingAfterInit(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  INT_PTR result = MainDlgProc(hwnd, message, wParam, lParam);
  if (message == WM_INITDIALOG) PostMessageA(hwnd, g_postMessage, g_postWParam, 0);
  return result;
}
}  // namespace

INT_PTR DialogTest::RunMainPosting(UiScript& script, UINT message, WPARAM wParam) {
  g_postMessage = message;
  g_postWParam = wParam;
  return RunDialog(script, IDD_MAIN, MainPostingAfterInit);
}

std::string DialogTest::FreshDirectory(const std::string& name) {
  std::string relative = ScratchDir(name);
  char full[MAX_PATH];
  GetFullPathNameA(relative.c_str(), sizeof full, full, nullptr);
  std::string path = full;
  for (char& c : path)
    if (c == '/') c = '\\';
  return path;
}

std::string DialogTest::SettingsFilePath() {
  char path[PATH_CAPACITY];
  GetSettingsPath(path);
  return path;
}

void ExpectErrorBox(const SeenWindow& box, const char* text, HWND owner) {
  EXPECT_EQ(box.text, text);
  EXPECT_EQ(box.caption, TEXT_ERROR_CAPTION);
  EXPECT_TRUE(box.errorIcon);
  EXPECT_EQ(box.owner, owner);
}

std::string DialogTest::MakeKeyFile(const std::string& dir, const std::string& name, const char* keyPassword) {
  unsigned char key[KEY_BUFFER_SIZE];
  int n = CreateKey(key, keyPassword);
  std::string path = dir + name;
  EXPECT_TRUE(n == KEY_FILE_SIZE && WriteKeyFile(path.c_str(), key, n));
  return path;
}

std::string DialogTest::MakeSealedKeyFile(const std::string& dir, const std::string& name, const char* keyPassword,
                                          int derivation) {
  unsigned char key[SEALED_KEY_SIZE];
  std::string path = dir + name;
  EXPECT_TRUE(CreateSealedKey(keyPassword, CheapSeal(derivation), key) == SEAL_OK &&
              WriteKeyFile(path.c_str(), key, SEALED_KEY_SIZE));
  return path;
}

SettingsRecord DialogTest::SaveDefaultSettings(const std::string& keyPath) {
  SettingsRecord s;
  SetDefaultSettings(&s, keyPath.c_str());
  EXPECT_TRUE(SaveSettings(s));
  return s;
}

std::string DialogTest::Expected(const SettingsRecord& s, const std::string& keyPath, const char* keyPassword,
                                 const char* passPhrase) {
  unsigned char key[KEY_BUFFER_SIZE] = {};
  int n = ReadKeyFile(keyPath.c_str(), key);
  char out[1024] = {};
  if (IsSealedKey(key, n)) {
    OpenedKey opened;
    if (OpenKey(key, n, keyPassword, false, &opened) != KEY_OPEN_OK) return "<not opened>";
    SettingsRecord own = s;
    ApplyKeyDerivation(opened, &own);
    if (!DeriveWithKey(own, opened, passPhrase, s.passwordLength, out)) return "<false>";
    return out;
  }
  if (!DerivePassword(s, key, n, keyPassword, passPhrase, s.passwordLength, out)) return "<false>";
  return out;
}
