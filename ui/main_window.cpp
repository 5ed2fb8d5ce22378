// The main window: the pass phrase field, the generate and settings buttons.
#include <string.h>

#include "app.h"
#include "kept_key.h"
#include "keyfile.h"
#include "resource.h"
#include "text.h"
#include "texts.h"
#include "window_services.h"

HINSTANCE g_hInstance;
UINT g_clipboardClearMs = 45000;

namespace {

enum { MIN_PASS_PHRASE = 4, STARTUP_PERIOD_MS = 100, RESULT_CAPACITY = 1024 };

// The clipboard's sequence number right after this program put a password
// on it; zero when it has none there.
DWORD g_clipboardSequence;

void ClearOwnPassword(int attempts) {
  if (g_clipboardSequence && ClearClipboardIfUnchanged(g_clipboardSequence, attempts)) g_clipboardSequence = 0;
}

struct GenerateWork {
  unsigned char file[KEY_BUFFER_SIZE];
  OpenedKey key;
  SettingsRecord settings;
  char passPhrase[TEXT_CAPACITY];
  char result[RESULT_CAPACITY];
};

void ReportUnreadKeyFile(HWND hwnd) {
  if (!g_settings.keyFilePath[0]) {
    ShowError(hwnd, TEXT_KEY_FILE_NOT_READ);
    return;
  }
  char beside[PATH_CAPACITY], folder[PATH_CAPACITY];
  SplitDirectory(g_settings.keyFilePath, folder, sizeof folder);
  const char* name = g_settings.keyFilePath + strlen(folder);
  if (*name && GetModuleDirectory(beside) && AppendText(beside, sizeof beside, name) &&
      strcmp(beside, g_settings.keyFilePath) != 0) {
    ShowFormatted(hwnd, MB_ICONERROR | MB_OK, TEXT_ERROR_CAPTION, TEXT_KEY_FILE_NOT_FOUND, g_settings.keyFilePath,
                  beside);
  } else {
    ShowFormatted(hwnd, MB_ICONERROR | MB_OK, TEXT_ERROR_CAPTION, TEXT_KEY_FILE_NOT_READ_AT, g_settings.keyFilePath);
  }
}

void Generate(HWND hwnd, GenerateWork* w) {
  int fileCount = ReadKeyFile(g_settings.keyFilePath, w->file);
  GetDlgItemTextA(hwnd, IDC_PASSPHRASE, w->passPhrase, sizeof w->passPhrase);
  if (fileCount == 0) {
    ReportUnreadKeyFile(hwnd);
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
  // An original key of any shape is unmasked as it always has been.
  const KeyOpenStatus status = OpenKeyKept(w->file, fileCount, g_activeKeyPassword, false, &w->key);
  if (status != KEY_OPEN_OK) {
    const char* problem = SealedKeyProblem(status, TEXT_KEY_NOT_OPENED_GENERATE);
    ShowError(hwnd, problem ? problem : TEXT_DERIVE_FAILED);
    return;
  }
  // A sealed key names its own derivation.
  w->settings = g_settings;
  ApplyKeyDerivation(w->key, &w->settings);
  if (!DeriveWithKey(w->settings, w->key, w->passPhrase, length, w->result)) {
    ShowError(hwnd, TEXT_DERIVE_FAILED);
    return;
  }
  if ((g_settings.optionFlags & OPT_CLIPBOARD) && CopyTextToClipboard(hwnd, w->result)) {
    g_clipboardSequence = GetClipboardSequenceNumber();
    SetTimer(hwnd, TIMER_CLIPBOARD, g_clipboardClearMs, nullptr);
  }
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
      if (wParam == TIMER_CLIPBOARD) {
        KillTimer(hwnd, TIMER_CLIPBOARD);
        ClearOwnPassword(5);
        return TRUE;
      }
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

void EndSession() {
  ClearOwnPassword(50);
  ForgetKeptKey();
  WipeMemory(g_activeKeyPassword, sizeof g_activeKeyPassword);
  WipeMemory(g_pendingKeyPassword, sizeof g_pendingKeyPassword);
}
