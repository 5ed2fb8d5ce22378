// The key password dialog: the key password for an existing key file.
#include <string.h>

#include "app.h"
#include "resource.h"
#include "text.h"
#include "texts.h"
#include "window_services.h"

namespace {

enum { MIN_KEY_PASSWORD = 8 };

void OnOk(HWND hwnd) {
  char keyPassword[TEXT_CAPACITY];
  memset(keyPassword, 0, sizeof keyPassword);
  GetDlgItemTextA(hwnd, IDC_KEY_PASSWORD, keyPassword, sizeof keyPassword);
  if (strlen(keyPassword) >= MIN_KEY_PASSWORD) {
    CopyText(g_pendingKeyPassword, sizeof g_pendingKeyPassword, keyPassword);
    EndDialog(hwnd, DIALOG_ACCEPTED);
  } else {
    ShowError(hwnd, TEXT_KEY_PASSWORD_TOO_SHORT_WIDE);
  }
  WipeMemory(keyPassword, sizeof keyPassword);
}

}  // namespace

INT_PTR CALLBACK KeyPasswordDlgProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM) {
  if (EndDialogOnCancel(hwnd, message, wParam)) return TRUE;
  switch (message) {
    case WM_INITDIALOG:
      CenterWindowOnDesktop(hwnd);
      return TRUE;
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDOK:
          OnOk(hwnd);
          return TRUE;
      }
      return FALSE;
  }
  return FALSE;
}
