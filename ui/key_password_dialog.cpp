// The key password dialog: the key password for an existing key file, which
// it must open.
#include <string.h>

#include "app.h"
#include "kept_key.h"
#include "keyfile.h"
#include "resource.h"
#include "text.h"
#include "texts.h"
#include "window_services.h"

namespace {

enum { MIN_KEY_PASSWORD = 8 };

struct KeyPasswordWork {
  char keyPassword[TEXT_CAPACITY];
  unsigned char file[KEY_BUFFER_SIZE];
  OpenedKey key;
};

// Whether the key password may be taken: the key opens, or there is nothing
// it could be checked against, or the user goes on with an original key that
// the key password does not unmask. A refusal has been shown.
bool Accepts(HWND hwnd, KeyPasswordRequest* request, KeyPasswordWork* w) {
  request->opened = false;
  if (!request->keyPath) return true;
  // An unreadable key file is the generate command's to report, with its path.
  const int count = ReadKeyFile(request->keyPath, w->file);
  if (count == 0) return true;
  const KeyOpenStatus status = OpenKeyKept(hwnd, w->file, count, w->keyPassword, true, &w->key);
  switch (status) {
    case KEY_OPEN_OK:
      request->opened = true;
      return true;
    case KEY_OPEN_MISMATCH:
      return MessageBoxA(hwnd, TEXT_KEY_MISMATCH_QUESTION, TEXT_KEY_MISMATCH_CAPTION,
                         MB_ICONWARNING | MB_YESNO | MB_DEFBUTTON2) == IDYES;
    case KEY_OPEN_WRONG_PASSWORD:
    case KEY_OPEN_NO_MEMORY:
      ShowError(hwnd, SealedKeyProblem(status, TEXT_KEY_NOT_OPENED));
      return false;
    case KEY_OPEN_UNSUPPORTED:
      // Typing again cannot help; the settings dialog can name another key.
      ShowError(hwnd, TEXT_KEY_UNSUPPORTED);
      return true;
    case KEY_OPEN_WRONG_SIZE:
    case KEY_OPEN_NO_FINAL_ZERO:
      break;
  }
  // Not a key of the usual shape: nothing tells a right key password from a
  // wrong one, and it derives as it always has.
  return true;
}

void OnOk(HWND hwnd, KeyPasswordRequest* request) {
  KeyPasswordWork work;
  memset(&work, 0, sizeof work);
  GetDlgItemTextA(hwnd, IDC_KEY_PASSWORD, work.keyPassword, sizeof work.keyPassword);
  if (strlen(work.keyPassword) < MIN_KEY_PASSWORD) {
    ShowError(hwnd, TEXT_KEY_PASSWORD_TOO_SHORT_WIDE);
  } else if (Accepts(hwnd, request, &work)) {
    CopyText(g_pendingKeyPassword, sizeof g_pendingKeyPassword, work.keyPassword);
    EndDialog(hwnd, DIALOG_ACCEPTED);
  } else {
    // Ready to be typed again.
    SetFocus(GetDlgItem(hwnd, IDC_KEY_PASSWORD));
    SendDlgItemMessageA(hwnd, IDC_KEY_PASSWORD, EM_SETSEL, 0, -1);
  }
  WipeMemory(&work, sizeof work);
}

}  // namespace

INT_PTR CALLBACK KeyPasswordDlgProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (EndDialogOnCancel(hwnd, message, wParam)) return TRUE;
  switch (message) {
    case WM_INITDIALOG:
      SetWindowLongPtrA(hwnd, DWLP_USER, lParam);
      CenterWindowOnDesktop(hwnd);
      return TRUE;
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDOK: {
          static KeyPasswordRequest unchecked;
          auto* request = (KeyPasswordRequest*)GetWindowLongPtrA(hwnd, DWLP_USER);
          OnOk(hwnd, request ? request : &unchecked);
          return TRUE;
        }
      }
      return FALSE;
  }
  return FALSE;
}
