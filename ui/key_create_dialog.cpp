// The key creation dialog: a new key password twice, a new key, a file for it.
#include <string.h>

#include "app.h"
#include "keyfile.h"
#include "resource.h"
#include "text.h"
#include "texts.h"
#include "window_services.h"

namespace {

enum { KEY_PASSWORD_READ = 64, MIN_KEY_PASSWORD = 8 };

struct KeyCreateWork {
  char keyPassword[KEY_PASSWORD_READ];
  char confirmation[KEY_PASSWORD_READ];
  char path[PATH_CAPACITY];
  unsigned char key[KEY_BUFFER_SIZE];
};

// Returns the dialog's end value, or 0 while the entry is refused.
INT_PTR OnGenerate(HWND hwnd, KeyCreateWork* w) {
  GetDlgItemTextA(hwnd, IDC_KEY_PASSWORD, w->keyPassword, sizeof w->keyPassword);
  GetDlgItemTextA(hwnd, IDC_KEY_PASSWORD_CONFIRM, w->confirmation, sizeof w->confirmation);
  if (strcmp(w->keyPassword, w->confirmation) != 0) {
    ShowError(hwnd, TEXT_KEY_PASSWORDS_DIFFER);
    return 0;
  }
  if (strlen(w->keyPassword) < MIN_KEY_PASSWORD) {
    ShowError(hwnd, TEXT_KEY_PASSWORD_TOO_SHORT_CREATE);
    return 0;
  }
  EnableWindow(GetDlgItem(hwnd, IDOK), FALSE);
  SetDlgItemTextA(hwnd, IDC_STATUS, TEXT_KEY_GENERATING);
  int count = CreateKey(w->key, w->keyPassword);
  if (count == 0) {
    ShowError(hwnd, TEXT_KEY_CREATE_FAILED);
    return DIALOG_CANCELLED;
  }
  SetDlgItemTextA(hwnd, IDC_STATUS, TEXT_KEY_GENERATED);
  if (!ChooseSaveFile(w->path, TEXT_SAVE_KEY_FILE_TITLE, TEXT_KEY_FILE_EXTENSION, KEY_FILE_FILTER)) {
    return DIALOG_CANCELLED;
  }
  // A key that is not on disk must not be handed on: its caller would save
  // settings naming a file that does not exist.
  if (!WriteKeyFile(w->path, w->key, count)) {
    ShowError(hwnd, TEXT_KEY_FILE_NOT_SAVED);
    return DIALOG_CANCELLED;
  }
  CopyText(g_pendingKeyFilePath, sizeof g_pendingKeyFilePath, w->path);
  CopyText(g_pendingKeyPassword, sizeof g_pendingKeyPassword, w->keyPassword);
  return DIALOG_ACCEPTED;
}

}  // namespace

INT_PTR CALLBACK KeyCreateDlgProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM) {
  if (EndDialogOnCancel(hwnd, message, wParam)) return TRUE;
  switch (message) {
    case WM_INITDIALOG:
      CenterWindowOnDesktop(hwnd);
      SetDlgItemTextA(hwnd, IDC_STATUS, TEXT_KEY_CREATE_PROMPT);
      // Only 63 bytes are read back: a longer entry would mask the key with a
      // key password other than the one the user types at the next start.
      SendDlgItemMessageA(hwnd, IDC_KEY_PASSWORD, EM_LIMITTEXT, KEY_PASSWORD_READ - 1, 0);
      SendDlgItemMessageA(hwnd, IDC_KEY_PASSWORD_CONFIRM, EM_LIMITTEXT, KEY_PASSWORD_READ - 1, 0);
      return TRUE;
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDOK: {
          KeyCreateWork work;
          memset(&work, 0, sizeof work);
          INT_PTR result = OnGenerate(hwnd, &work);
          WipeMemory(&work, sizeof work);
          if (result) EndDialog(hwnd, result);
          return TRUE;
        }
      }
      return FALSE;
  }
  return FALSE;
}
