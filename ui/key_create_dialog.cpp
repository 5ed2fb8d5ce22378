// The key creation dialog: a new key password twice, a new sealed key, a file
// for it.
#include <string.h>

#include "app.h"
#include "busy_line.h"
#include "key_open.h"
#include "key_password_change.h"
#include "key_password_words.h"
#include "keyfile.h"
#include "resource.h"
#include "text.h"
#include "texts.h"
#include "window_services.h"

SealParameters g_newKeySeal = DefaultSealParameters();

namespace {

// Posted to the dialog to say that an entry was too long, once the edit
// control has finished with the keystroke or paste.
enum { WM_APP_TOO_LONG = WM_APP + 1 };

struct KeyCreateWork {
  char keyPassword[TEXT_CAPACITY];
  char confirmation[TEXT_CAPACITY];
  char path[PATH_CAPACITY];
  unsigned char key[SEALED_KEY_SIZE];
};

// Returns the dialog's end value, or 0 while the entry is refused.
INT_PTR OnGenerate(HWND hwnd, KeyCreateWork* w) {
  // Read whole: the edit limit counts characters, the rule bytes.
  GetDlgItemTextA(hwnd, IDC_KEY_PASSWORD, w->keyPassword, sizeof w->keyPassword);
  GetDlgItemTextA(hwnd, IDC_KEY_PASSWORD_CONFIRM, w->confirmation, sizeof w->confirmation);
  switch (CheckNewKeyPassword(w->keyPassword, w->confirmation)) {
    case NEW_KEY_PASSWORDS_DIFFER:
      ShowError(hwnd, TEXT_KEY_PASSWORDS_DIFFER);
      return 0;
    case NEW_KEY_PASSWORD_TOO_SHORT:
      ShowError(hwnd, TEXT_KEY_PASSWORD_TOO_SHORT_CREATE);
      return 0;
    case NEW_KEY_PASSWORD_TOO_LONG:
      ShowError(hwnd, TEXT_KEY_PASSWORD_TOO_LONG);
      return 0;
    case NEW_KEY_PASSWORD_OK:
      break;
  }
  // A weak key password is the user's to keep, once warned; No leaves it
  // selected to be typed anew.
  char question[768];
  WeakKeyPasswordQuestion(JudgeKeyPassword(w->keyPassword), question, sizeof question);
  if (question[0] &&
      MessageBoxA(hwnd, question, TEXT_WEAK_KEY_PASSWORD_CAPTION, MB_ICONWARNING | MB_YESNO | MB_DEFBUTTON2) != IDYES) {
    SetFocus(GetDlgItem(hwnd, IDC_KEY_PASSWORD));
    SendDlgItemMessageA(hwnd, IDC_KEY_PASSWORD, EM_SETSEL, 0, -1);
    return 0;
  }
  EnableWindow(GetDlgItem(hwnd, IDOK), FALSE);
  BusyLine busy;
  ShowBusyLine(hwnd, IDC_STATUS, TEXT_KEY_GENERATING, &busy);
  const SealStatus sealed = CreateSealedKey(w->keyPassword, g_newKeySeal, w->key);
  HideBusyLine(&busy);
  if (sealed != SEAL_OK) {
    ShowError(hwnd, sealed == SEAL_NO_MEMORY ? TEXT_KEY_NO_MEMORY : TEXT_KEY_CREATE_FAILED);
    return DIALOG_CANCELLED;
  }
  SetDlgItemTextA(hwnd, IDC_STATUS, TEXT_KEY_GENERATED);
  if (!ChooseSaveFile(w->path, TEXT_SAVE_KEY_FILE_TITLE, TEXT_KEY_FILE_EXTENSION, KEY_FILE_FILTER)) {
    return DIALOG_CANCELLED;
  }
  // A key that is not on disk must not be handed on: its caller would save
  // settings naming a file that does not exist.
  if (!WriteKeyFile(w->path, w->key, SEALED_KEY_SIZE)) {
    ShowError(hwnd, TEXT_KEY_FILE_NOT_SAVED);
    return DIALOG_CANCELLED;
  }
  CopyText(g_pendingKeyFilePath, sizeof g_pendingKeyFilePath, w->path);
  CopyText(g_pendingKeyPassword, sizeof g_pendingKeyPassword, w->keyPassword);
  return DIALOG_ACCEPTED;
}

// Bytes of CF_TEXT on the clipboard; 0 when there is none.
size_t ClipboardTextLength(HWND owner) {
  size_t length = 0;
  if (!OpenClipboard(owner)) return 0;
  if (HANDLE data = GetClipboardData(CF_TEXT)) {
    if (const char* text = (const char*)GlobalLock(data)) {
      length = BoundedLength(text, GlobalSize(data));
      GlobalUnlock(data);
    }
  }
  CloseClipboard();
  return length;
}

// The key password fields refuse a paste longer than a key password may be,
// rather than letting the edit limit cut it.
LRESULT CALLBACK KeyPasswordFieldProc(HWND field, UINT message, WPARAM wParam, LPARAM lParam) {
  WNDPROC original = (WNDPROC)GetPropA(field, "SorrelEdit");
  if (message == WM_PASTE && ClipboardTextLength(field) > KEY_PASSWORD_MAX) {
    PostMessageA(GetParent(field), WM_APP_TOO_LONG, 0, 0);
    return 0;
  }
  if (message == WM_NCDESTROY) {
    RemovePropA(field, "SorrelEdit");
    SetWindowLongPtrA(field, GWLP_WNDPROC, (LONG_PTR)original);
  }
  return CallWindowProcA(original, field, message, wParam, lParam);
}

void LimitField(HWND hwnd, int id) {
  HWND field = GetDlgItem(hwnd, id);
  SendMessageA(field, EM_LIMITTEXT, KEY_PASSWORD_MAX, 0);
  SetPropA(field, "SorrelEdit", (HANDLE)SetWindowLongPtrA(field, GWLP_WNDPROC, (LONG_PTR)KeyPasswordFieldProc));
}

}  // namespace

INT_PTR CALLBACK KeyCreateDlgProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM) {
  static bool s_tooLongShown;
  if (EndDialogOnCancel(hwnd, message, wParam)) return TRUE;
  switch (message) {
    case WM_INITDIALOG:
      CenterWindowOnDesktop(hwnd);
      SetDlgItemTextA(hwnd, IDC_STATUS, TEXT_KEY_CREATE_PROMPT);
      LimitField(hwnd, IDC_KEY_PASSWORD);
      LimitField(hwnd, IDC_KEY_PASSWORD_CONFIRM);
      return TRUE;
    case WM_APP_TOO_LONG:
      // One box however many keystrokes were refused meanwhile.
      if (!s_tooLongShown) {
        s_tooLongShown = true;
        ShowError(hwnd, TEXT_KEY_PASSWORD_TOO_LONG);
        s_tooLongShown = false;
      }
      return TRUE;
    case WM_COMMAND:
      if (HIWORD(wParam) == EN_MAXTEXT) {
        // A keystroke beyond the limit: said, never cut silently.
        PostMessageA(hwnd, WM_APP_TOO_LONG, 0, 0);
        return TRUE;
      }
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
