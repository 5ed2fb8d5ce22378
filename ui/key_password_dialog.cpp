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

// The open chooser: a file chosen becomes the request's key file.
void ChooseOtherKey(KeyPasswordRequest* request) {
  char path[PATH_CAPACITY];
  if (!ChooseOpenFile(path, TEXT_OPEN_KEY_FILE_TITLE, KEY_FILE_FILTER)) return;
  CopyText(request->chosen, sizeof request->chosen, path);
  request->keyPath = request->chosen;
}

// Offers the open chooser after problem, for a key file that cannot be used
// whatever the key password.
void OfferOtherKey(HWND hwnd, KeyPasswordRequest* request, const char* problem) {
  char text[1024];
  CopyText(text, sizeof text, problem);
  AppendText(text, sizeof text, TEXT_CHOOSE_OTHER_KEY);
  if (MessageBoxA(hwnd, text, TEXT_ERROR_CAPTION, MB_ICONERROR | MB_YESNO) == IDYES) ChooseOtherKey(request);
}

// Whether the key password may be taken: the key opens, or there is nothing
// it could be checked against, or the user goes on with an original key that
// the key password does not unmask, or with a file of another shape. A
// refusal has been shown.
bool Accepts(HWND hwnd, KeyPasswordRequest* request, KeyPasswordWork* w) {
  request->opened = false;
  if (!request->keyPath) return true;
  const int count = ReadKeyFile(request->keyPath, w->file);
  if (count == 0) {
    // A missing key file is the generate command's to report, with the paths
    // it looked at; one that is there but gives nothing cannot be used.
    if (GetFileAttributesA(request->keyPath) == INVALID_FILE_ATTRIBUTES) return true;
    char text[512];
    wsprintfA(text, TEXT_KEY_FILE_UNREADABLE, request->keyPath);
    OfferOtherKey(hwnd, request, text);
    return false;
  }
  if (!MayOpenKey(hwnd, w->file, count, w->keyPassword)) return false;
  const KeyOpenStatus status = OpenKeyKept(hwnd, w->file, count, w->keyPassword, true, &w->key);
  switch (status) {
    case KEY_OPEN_OK:
      request->opened = true;
      return true;
    case KEY_OPEN_MISMATCH:
      return MessageBoxA(hwnd, TEXT_KEY_MISMATCH_QUESTION, TEXT_KEY_MISMATCH_CAPTION,
                         MB_ICONWARNING | MB_YESNO | MB_DEFBUTTON2) == IDYES;
    case KEY_OPEN_WRONG_PASSWORD:
      ShowError(hwnd, TEXT_KEY_NOT_OPENED);
      return false;
    case KEY_OPEN_NO_MEMORY:
    case KEY_OPEN_DAMAGED:
    case KEY_OPEN_NOT_A_KEY:
      // Typing again cannot help: another key file can.
      OfferOtherKey(hwnd, request, SealedKeyProblem(status, TEXT_KEY_NOT_OPENED));
      return false;
    case KEY_OPEN_UNSUPPORTED: {
      // The settings dialog can name another key too, as it always could.
      const char* before = request->keyPath;
      OfferOtherKey(hwnd, request, TEXT_KEY_UNSUPPORTED);
      return request->keyPath == before;
    }
    case KEY_OPEN_WRONG_SIZE:
    case KEY_OPEN_NO_FINAL_ZERO:
      break;
  }
  // Not a key of either form: nothing tells a right key password from a
  // wrong one. It derives as it always has, if the user says so.
  char bytes[16];
  wsprintfA(bytes, "%d", count);
  if (ShowFormatted(hwnd, MB_ICONWARNING | MB_YESNO | MB_DEFBUTTON2, TEXT_KEY_SHAPE_CAPTION, TEXT_KEY_SHAPE_QUESTION,
                    bytes) == IDYES) {
    return true;
  }
  ChooseOtherKey(request);
  return false;
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
