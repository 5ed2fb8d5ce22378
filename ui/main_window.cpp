// The main window: the pass phrase field, the generate and settings buttons.
#include <string.h>

#include "app.h"
#include "derive.h"
#include "keyfile.h"
#include "resource.h"
#include "text.h"
#include "texts.h"
#include "window_services.h"

HINSTANCE g_hInstance;

namespace {

enum { MIN_PASS_PHRASE = 4, STARTUP_PERIOD_MS = 100, RESULT_CAPACITY = 1024 };

struct GenerateWork {
  unsigned char key[KEY_BUFFER_SIZE];
  char passPhrase[TEXT_CAPACITY];
  char result[RESULT_CAPACITY];
};

void Generate(HWND hwnd, GenerateWork* w) {
  int keyCount = ReadKeyFile(g_settings.keyFilePath, w->key);
  GetDlgItemTextA(hwnd, IDC_PASSPHRASE, w->passPhrase, sizeof w->passPhrase);
  if (keyCount == 0) {
    ShowError(hwnd, TEXT_KEY_FILE_NOT_READ);
    return;
  }
  if (strlen(w->passPhrase) < MIN_PASS_PHRASE) {
    ShowError(hwnd, TEXT_PASS_PHRASE_TOO_SHORT);
    return;
  }
  // The result buffer holds at most 1023 characters and its terminator.
  const int32_t length = g_settings.passwordLength;
  if (length <= 0 || length >= RESULT_CAPACITY) {
    ShowError(hwnd, TEXT_LENGTH_INVALID);
    return;
  }
  if (!DerivePassword(g_settings, w->key, keyCount, g_activeKeyPassword, w->passPhrase, length, w->result)) {
    ShowError(hwnd, TEXT_DERIVE_FAILED);
    return;
  }
  if (g_settings.optionFlags & OPT_CLIPBOARD) CopyTextToClipboard(hwnd, w->result);
  MessageBoxA(hwnd, w->result, TEXT_RESULT_CAPTION, MB_OK);
}

}  // namespace

INT_PTR CALLBACK MainDlgProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      SendMessageA(hwnd, WM_SETICON, ICON_SMALL, (LPARAM)LoadIconA(g_hInstance, MAKEINTRESOURCEA(IDI_MAIN)));
      CenterWindowOnDesktop(hwnd);
      SetTimer(hwnd, TIMER_STARTUP, STARTUP_PERIOD_MS, nullptr);
      return FALSE;
    case WM_TIMER:
      // Killed first: the check's modal loops keep serving this window.
      KillTimer(hwnd, TIMER_STARTUP);
      if (!StartupCheck(hwnd)) {
        MessageBoxA(nullptr, TEXT_STARTUP_FAILED, TEXT_ERROR_CAPTION, MB_ICONERROR | MB_OK);
        EndDialog(hwnd, -1);
      }
      return TRUE;
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDC_GENERATE: {
          GenerateWork work;
          memset(&work, 0, sizeof work);
          Generate(hwnd, &work);
          WipeMemory(&work, sizeof work);
          return TRUE;
        }
        case IDC_SETTINGS:
          DialogBoxParamA(g_hInstance, MAKEINTRESOURCEA(IDD_SETTINGS), hwnd, SettingsDlgProc, 0);
          return TRUE;
      }
      return FALSE;
    case WM_CLOSE:
      EndDialog(hwnd, DIALOG_CANCELLED);
      return TRUE;
  }
  return FALSE;
}
