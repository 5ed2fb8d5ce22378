// The settings dialog: key file, key password in force, length, classes, the
// clipboard option and the derivation, all stored together on confirm.
#include <string.h>

#include "app.h"
#include "busy_line.h"
#include "kept_key.h"
#include "key_check.h"
#include "keyfile.h"
#include "resource.h"
#include "safe_write.h"
#include "text.h"
#include "texts.h"
#include "window_services.h"

namespace {

enum { MIN_KEY_PASSWORD = 8, MAX_LENGTH = 1023 };

// The check boxes and their option bits; any other bit is dropped on confirm.
const struct {
  int id;
  uint32_t bit;
} kOptionBoxes[] = {
    {IDC_COPY_TO_CLIPBOARD, OPT_CLIPBOARD},
    {IDC_USE_DIGITS, OPT_DIGITS},
    {IDC_USE_LOWER, OPT_LOWER},
    {IDC_USE_UPPER, OPT_UPPER},
    {IDC_USE_SYMBOLS, OPT_SYMBOLS},
    {IDC_USE_DERIVATION_2, OPT_DERIVATION_2},
};

const uint32_t CLASS_BITS = OPT_DIGITS | OPT_LOWER | OPT_UPPER | OPT_SYMBOLS;

struct ConfirmWork {
  char path[PATH_CAPACITY];
  char keyPassword[TEXT_CAPACITY];
  int32_t length;
  // The four class strings in record order, stored as one block.
  char classes[4][CLASS_CAPACITY];
  unsigned char file[KEY_BUFFER_SIZE];
  OpenedKey key;
  unsigned char sealed[SEALED_KEY_SIZE];
};
static_assert(sizeof(ConfirmWork::classes) == 4 * CLASS_CAPACITY, "one block");

void ShowPath(HWND hwnd, const char* path) {
  SetDlgItemTextA(hwnd, IDC_KEY_FILE_PATH, path);
  WPARAM end = strlen(path);
  SendDlgItemMessageA(hwnd, IDC_KEY_FILE_PATH, EM_SETSEL, end, (LPARAM)end);
}

// The key file that the path field names, read; sealed receives its header.
int ReadNamedKey(HWND hwnd, char* path, unsigned char* file, SealParameters* sealed) {
  GetDlgItemTextA(hwnd, IDC_KEY_FILE_PATH, path, PATH_CAPACITY);
  const int count = ReadKeyFile(path, file);
  if (!IsSealedKey(file, count) || ReadSealParameters(file, sealed) != SEAL_OK) sealed->derivation = 0;
  return count;
}

// The seal button for a key of the original form; for a sealed key, the
// derivation box shows the derivation the key names.
void ShowKeyForm(HWND hwnd) {
  char path[PATH_CAPACITY];
  unsigned char file[KEY_BUFFER_SIZE];
  SealParameters sealed;
  const int count = ReadNamedKey(hwnd, path, file, &sealed);
  const bool original = !IsSealedKey(file, count) && CheckKeyShape(file, count) == KEY_OK;
  ShowWindow(GetDlgItem(hwnd, IDC_SEAL_KEY), original ? SW_SHOW : SW_HIDE);
  if (sealed.derivation)
    CheckDlgButton(hwnd, IDC_USE_DERIVATION_2, sealed.derivation == 2 ? BST_CHECKED : BST_UNCHECKED);
  WipeMemory(file, sizeof file);
}

// Writes key sealed under keyPassword with params in place of the file at
// path, keeping the file's permissions, and keeps the opening. False after
// showing why.
bool WriteSealed(HWND hwnd, const char* path, OpenedKey* key, const char* keyPassword, const SealParameters& params,
                 unsigned char* sealed) {
  BusyLine busy;
  ShowBusyLine(hwnd, 0, TEXT_KEY_SEALING, &busy);
  const SealStatus status = SealOpenedKey(*key, keyPassword, params, sealed);
  HideBusyLine(&busy);
  if (status != SEAL_OK) {
    ShowError(hwnd, status == SEAL_NO_MEMORY ? TEXT_KEY_NO_MEMORY : TEXT_KEY_CREATE_FAILED);
    return false;
  }
  if (!ReplaceFileContents(path, sealed, SEALED_KEY_SIZE)) {
    ShowError(hwnd, TEXT_KEY_FILE_NOT_SAVED);
    return false;
  }
  key->sealed = true;
  key->seal = params;
  KeepOpenedKey(sealed, SEALED_KEY_SIZE, keyPassword, *key);
  return true;
}

// Whether the key file and the key password may be stored together: a sealed
// key opens (and is sealed again when the derivation box was changed), an
// original key passes the key check or the user goes on without it.
bool KeyFits(HWND hwnd, ConfirmWork* w, bool derivation2) {
  SealParameters header;
  const int count = ReadNamedKey(hwnd, w->path, w->file, &header);
  if (IsDamagedSealedKey(w->file, count)) {
    ShowError(hwnd, TEXT_KEY_DAMAGED);
    return false;
  }
  if (IsSealedKey(w->file, count)) {
    if (!MayOpenKey(hwnd, w->file, count, w->keyPassword)) return false;
    const KeyOpenStatus status = OpenKeyKept(hwnd, w->file, count, w->keyPassword, false, &w->key);
    if (const char* problem = SealedKeyProblem(status, TEXT_KEY_NOT_OPENED)) {
      ShowError(hwnd, problem);
      return false;
    }
    SealParameters params = w->key.seal;
    params.derivation = derivation2 ? 2 : 1;
    if (params.derivation == w->key.seal.derivation) return true;
    if (MessageBoxA(hwnd, TEXT_RESEAL_QUESTION, TEXT_SEAL_CAPTION, MB_ICONWARNING | MB_OKCANCEL | MB_DEFBUTTON2) !=
        IDOK) {
      return false;
    }
    // Sealed again, a key keeps at most what every front end can open.
    const uint32_t before = params.memoryKiB;
    const bool lowered = LowerToMakeLimit(&params);
    if (!WriteSealed(hwnd, w->path, &w->key, w->keyPassword, params, w->sealed)) return false;
    if (lowered) {
      char from[16], to[16];
      wsprintfA(from, "%lu", (unsigned long)(before / 1024));
      wsprintfA(to, "%lu", (unsigned long)(params.memoryKiB / 1024));
      ShowFormatted(hwnd, MB_ICONINFORMATION | MB_OK, TEXT_SEAL_CAPTION, TEXT_KEY_MEMORY_LOWERED, from, to);
    }
    return true;
  }
  if (count == 0) return true;
  switch (CheckKeyPassword(w->file, count, w->keyPassword)) {
    case KEY_OK:
      return true;
    case KEY_PASSWORD_MISMATCH:
      return MessageBoxA(hwnd, TEXT_KEY_MISMATCH_QUESTION, TEXT_KEY_MISMATCH_CAPTION,
                         MB_ICONWARNING | MB_YESNO | MB_DEFBUTTON2) == IDYES;
    case KEY_WRONG_SIZE:
    case KEY_NO_FINAL_ZERO:
      break;
  }
  char bytes[16];
  wsprintfA(bytes, "%d", count);
  return ShowFormatted(hwnd, MB_ICONWARNING | MB_YESNO | MB_DEFBUTTON2, TEXT_KEY_SHAPE_CAPTION,
                       TEXT_KEY_SHAPE_QUESTION_SETTINGS, bytes) == IDYES;
}

void OnInit(HWND hwnd) {
  CenterWindowOnDesktop(hwnd);
  ShowPath(hwnd, g_settings.keyFilePath);
  SetDlgItemTextA(hwnd, IDC_SETTINGS_KEY_PASSWORD, g_activeKeyPassword);
  SetDlgItemInt(hwnd, IDC_LENGTH, (UINT)g_settings.passwordLength, FALSE);
  for (const auto& box : kOptionBoxes) {
    WPARAM state = (g_settings.optionFlags & box.bit) ? BST_CHECKED : BST_UNCHECKED;
    SendDlgItemMessageA(hwnd, box.id, BM_SETCHECK, state, 0);
  }
  SetDlgItemTextA(hwnd, IDC_DIGIT_CHARS, g_settings.digitChars);
  SetDlgItemTextA(hwnd, IDC_LOWER_CHARS, g_settings.lowerChars);
  SetDlgItemTextA(hwnd, IDC_UPPER_CHARS, g_settings.upperChars);
  SetDlgItemTextA(hwnd, IDC_SYMBOL_CHARS, g_settings.symbolChars);
  ShowKeyForm(hwnd);
}

// True when everything was valid and stored.
bool Confirm(HWND hwnd, ConfirmWork* w) {
  GetDlgItemTextA(hwnd, IDC_KEY_FILE_PATH, w->path, sizeof w->path);
  GetDlgItemTextA(hwnd, IDC_SETTINGS_KEY_PASSWORD, w->keyPassword, sizeof w->keyPassword);
  w->length = (int32_t)GetDlgItemInt(hwnd, IDC_LENGTH, nullptr, FALSE);
  uint32_t flags = 0;
  for (const auto& box : kOptionBoxes) {
    if (IsDlgButtonChecked(hwnd, box.id) == BST_CHECKED) flags |= box.bit;
  }
  GetDlgItemTextA(hwnd, IDC_DIGIT_CHARS, w->classes[0], CLASS_CAPACITY);
  GetDlgItemTextA(hwnd, IDC_LOWER_CHARS, w->classes[1], CLASS_CAPACITY);
  GetDlgItemTextA(hwnd, IDC_UPPER_CHARS, w->classes[2], CLASS_CAPACITY);
  GetDlgItemTextA(hwnd, IDC_SYMBOL_CHARS, w->classes[3], CLASS_CAPACITY);

  const char* refusal = nullptr;
  if (strlen(w->keyPassword) < MIN_KEY_PASSWORD) {
    refusal = TEXT_KEY_PASSWORD_TOO_SHORT;
  } else if (w->length <= 0) {
    refusal = TEXT_LENGTH_TOO_SMALL;
  } else if (w->length > MAX_LENGTH) {
    refusal = TEXT_LENGTH_TOO_LARGE;
  } else if (!(flags & CLASS_BITS)) {
    refusal = TEXT_NO_CLASS;
  }
  if (refusal) {
    ShowError(hwnd, refusal);
    return false;
  }
  if (!KeyFits(hwnd, w, flags & OPT_DERIVATION_2)) return false;

  CopyText(g_settings.keyFilePath, sizeof g_settings.keyFilePath, w->path);
  CopyText(g_activeKeyPassword, sizeof g_activeKeyPassword, w->keyPassword);
  g_settings.passwordLength = w->length;
  g_settings.optionFlags = flags;
  memcpy(g_settings.digitChars, w->classes, sizeof w->classes);
  // The values apply for this run either way; the user must know they were not kept.
  if (!SaveSettings(g_settings)) ShowError(hwnd, TEXT_SETTINGS_NOT_SAVED);
  return true;
}

void OnBrowse(HWND hwnd) {
  char path[PATH_CAPACITY];
  if (ChooseOpenFile(path, TEXT_OPEN_KEY_FILE_TITLE, KEY_FILE_FILTER)) ShowPath(hwnd, path);
}

// Seals the original key that the path field names, in place, under the key
// password in the field, naming the derivation the settings use: every
// password stays the same.
void SealKeyInPlace(HWND hwnd, ConfirmWork* w) {
  GetDlgItemTextA(hwnd, IDC_SETTINGS_KEY_PASSWORD, w->keyPassword, sizeof w->keyPassword);
  SealParameters header;
  const int count = ReadNamedKey(hwnd, w->path, w->file, &header);
  if (IsSealedKey(w->file, count) || CheckKeyShape(w->file, count) != KEY_OK) return;
  if (CheckKeyPassword(w->file, count, w->keyPassword) != KEY_OK) {
    ShowError(hwnd, TEXT_SEAL_NOT_UNMASKED);
    return;
  }
  if (MessageBoxA(hwnd, TEXT_SEAL_QUESTION, TEXT_SEAL_CAPTION, MB_ICONQUESTION | MB_OKCANCEL) != IDOK) return;
  if (OpenKey(w->file, count, w->keyPassword, true, &w->key) != KEY_OPEN_OK) return;
  SealParameters params = g_newKeySeal;
  params.derivation = (g_settings.optionFlags & OPT_DERIVATION_2) ? 2 : 1;
  if (!WriteSealed(hwnd, w->path, &w->key, w->keyPassword, params, w->sealed)) return;
  MessageBoxA(hwnd, TEXT_SEALED, TEXT_SEAL_CAPTION, MB_ICONINFORMATION | MB_OK);
  ShowKeyForm(hwnd);
}

void OnNewKey(HWND hwnd) {
  // No owner: this dialog stays usable while the key is made.
  if (DialogBoxParamA(g_hInstance, MAKEINTRESOURCEA(IDD_KEY_CREATE), nullptr, KeyCreateDlgProc, 0) ==
      DIALOG_CANCELLED) {
    return;
  }
  SetDlgItemTextA(hwnd, IDC_SETTINGS_KEY_PASSWORD, g_pendingKeyPassword);
  ShowPath(hwnd, g_pendingKeyFilePath);
  // No password of the new key exists anywhere yet: nothing holds it to derivation 1.
  CheckDlgButton(hwnd, IDC_USE_DERIVATION_2, BST_CHECKED);
}

}  // namespace

INT_PTR CALLBACK SettingsDlgProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM) {
  if (EndDialogOnCancel(hwnd, message, wParam)) return TRUE;
  switch (message) {
    case WM_INITDIALOG:
      OnInit(hwnd);
      return TRUE;
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDC_APPLY: {
          ConfirmWork work;
          memset(&work, 0, sizeof work);
          bool stored = Confirm(hwnd, &work);
          WipeMemory(&work, sizeof work);
          if (stored) EndDialog(hwnd, DIALOG_ACCEPTED);
          return TRUE;
        }
        case IDC_BROWSE:
          OnBrowse(hwnd);
          return TRUE;
        case IDC_NEW_KEY:
          OnNewKey(hwnd);
          return TRUE;
        case IDC_SEAL_KEY: {
          ConfirmWork work;
          memset(&work, 0, sizeof work);
          SealKeyInPlace(hwnd, &work);
          WipeMemory(&work, sizeof work);
          return TRUE;
        }
        case IDC_KEY_FILE_PATH:
          if (HIWORD(wParam) == EN_CHANGE) ShowKeyForm(hwnd);
          return TRUE;
      }
      return FALSE;
  }
  return FALSE;
}
