// The start-up check: the settings and the key password in force, with the
// first-start setup when there is no setting.ini yet.
#include <string.h>

#include "app.h"
#include "keyfile.h"
#include "resource.h"
#include "text.h"
#include "texts.h"
#include "window_services.h"

char g_pendingKeyFilePath[PATH_CAPACITY];
char g_pendingKeyPassword[TEXT_CAPACITY];
char g_activeKeyPassword[TEXT_CAPACITY];

namespace {

INT_PTR RunKeyPasswordDialog(HWND mainWindow, KeyPasswordRequest* request) {
  return DialogBoxParamA(g_hInstance, MAKEINTRESOURCEA(IDD_KEY_PASSWORD), mainWindow, KeyPasswordDlgProc,
                         (LPARAM)request);
}

bool Readable(const char* path) {
  unsigned char bytes[KEY_BUFFER_SIZE];
  const bool readable = ReadKeyFile(path, bytes) > 0;
  WipeMemory(bytes, sizeof bytes);
  return readable;
}

// Where the settings' key file is not (a folder moved, a USB stick under
// another drive letter), a file of the same name beside the program: its path
// in beside, or false when there is none.
bool KeyFileBesideProgram(char* beside) {
  if (Readable(g_settings.keyFilePath) || !GetModuleDirectory(beside)) return false;
  char folder[PATH_CAPACITY];
  SplitDirectory(g_settings.keyFilePath, folder, sizeof folder);
  const char* name = g_settings.keyFilePath + strlen(folder);
  return *name && AppendText(beside, PATH_CAPACITY, name) && strcmp(beside, g_settings.keyFilePath) != 0 &&
         Readable(beside);
}

bool ReturningStart(HWND mainWindow) {
  char beside[PATH_CAPACITY];
  const bool moved = KeyFileBesideProgram(beside);
  KeyPasswordRequest request = {moved ? beside : g_settings.keyFilePath, false, {}};
  if (RunKeyPasswordDialog(mainWindow, &request) == DIALOG_CANCELLED) {
    EndDialog(mainWindow, DIALOG_CANCELLED);
    return true;
  }
  CopyText(g_activeKeyPassword, sizeof g_activeKeyPassword, g_pendingKeyPassword);
  if (request.keyPath == request.chosen) {
    // Another key file chosen in place of one that could not be used.
    CopyText(g_settings.keyFilePath, sizeof g_settings.keyFilePath, request.chosen);
    if (!SaveSettings(g_settings)) ShowError(mainWindow, TEXT_SETTINGS_NOT_SAVED);
  } else if (moved && request.opened) {
    char before[PATH_CAPACITY];
    CopyText(before, sizeof before, g_settings.keyFilePath);
    CopyText(g_settings.keyFilePath, sizeof g_settings.keyFilePath, beside);
    ShowFormatted(mainWindow, MB_ICONINFORMATION | MB_OK, TEXT_NOTICE_CAPTION, TEXT_KEY_FILE_FOUND_BESIDE, before,
                  beside);
    if (!SaveSettings(g_settings)) ShowError(mainWindow, TEXT_SETTINGS_NOT_SAVED);
  }
  return true;
}

}  // namespace

bool StartupCheck(HWND mainWindow) {
  if (LoadSettings(&g_settings)) return ReturningStart(mainWindow);

  INT_PTR result;
  const int answer =
      MessageBoxA(mainWindow, TEXT_FIRST_START_QUESTION, TEXT_FIRST_START_CAPTION, MB_ICONQUESTION | MB_YESNO);
  if (answer == IDYES) {
    // No owner: the main window stays usable while the key is made.
    result = DialogBoxParamA(g_hInstance, MAKEINTRESOURCEA(IDD_KEY_CREATE), nullptr, KeyCreateDlgProc, 0);
  } else {
    if (!ChooseOpenFile(g_pendingKeyFilePath, TEXT_OPEN_KEY_FILE_TITLE, KEY_FILE_FILTER)) {
      EndDialog(mainWindow, DIALOG_CANCELLED);
      return true;
    }
    KeyPasswordRequest request = {g_pendingKeyFilePath, false, {}};
    result = RunKeyPasswordDialog(mainWindow, &request);
    if (request.keyPath == request.chosen) CopyText(g_pendingKeyFilePath, sizeof g_pendingKeyFilePath, request.chosen);
  }
  if (result == DIALOG_CANCELLED) {
    EndDialog(mainWindow, DIALOG_CANCELLED);
    return true;
  }

  CopyText(g_activeKeyPassword, sizeof g_activeKeyPassword, g_pendingKeyPassword);
  SetDefaultSettings(&g_settings, g_pendingKeyFilePath);
  // A new key has no password anywhere yet, so it starts with derivation 2; an
  // existing key keeps derivation 1, which made the passwords it has.
  if (answer == IDYES) g_settings.optionFlags |= OPT_DERIVATION_2;
  return SaveSettings(g_settings);
}
