#include "ui_fixture.h"

#include <string.h>

#include "safe_write.h"
#include "settings.h"

void DialogTest::SetUp() {
  g_hInstance = GetModuleHandleA(nullptr);
  memset(g_pendingKeyFilePath, 0, sizeof g_pendingKeyFilePath);
  memset(g_pendingKeyPassword, 0, sizeof g_pendingKeyPassword);
  memset(g_activeKeyPassword, 0, sizeof g_activeKeyPassword);
  memset(&g_settings, 0, sizeof g_settings);
  g_fileFaultHook = nullptr;
  DeleteFileA(SettingsFilePath().c_str());
}

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
