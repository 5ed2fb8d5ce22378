// The start-up check: the settings and the key password in force, with the
// first-start setup when there is no setting.ini yet.
#include "app.h"
#include "resource.h"
#include "text.h"
#include "texts.h"
#include "window_services.h"

char g_pendingKeyFilePath[PATH_CAPACITY];
char g_pendingKeyPassword[TEXT_CAPACITY];
char g_activeKeyPassword[TEXT_CAPACITY];

static INT_PTR RunKeyPasswordDialog(HWND mainWindow) {
  return DialogBoxParamA(g_hInstance, MAKEINTRESOURCEA(IDD_KEY_PASSWORD), mainWindow, KeyPasswordDlgProc, 0);
}

bool StartupCheck(HWND mainWindow) {
  if (LoadSettings(&g_settings)) {
    if (RunKeyPasswordDialog(mainWindow) == DIALOG_CANCELLED) {
      EndDialog(mainWindow, DIALOG_CANCELLED);
      return true;
    }
    CopyText(g_activeKeyPassword, sizeof g_activeKeyPassword, g_pendingKeyPassword);
    return true;
  }

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
    result = RunKeyPasswordDialog(mainWindow);
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
