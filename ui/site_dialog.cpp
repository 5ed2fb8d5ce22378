// The site dialog: the rule of one typed pass phrase in sites.txt (length,
// classes, derivation, counter), saved, deleted or left as it was.
#include <string.h>

#include "app.h"
#include "code_page.h"
#include "kept_key.h"
#include "resource.h"
#include "safe_write.h"
#include "site_file.h"
#include "text.h"
#include "texts.h"
#include "window_services.h"

namespace {

enum { MIN_PASS_PHRASE = 4, NUMBER_DIGITS = 4 };

const uint32_t CLASS_BITS = OPT_DIGITS | OPT_LOWER | OPT_UPPER | OPT_SYMBOLS;

const struct {
  int id;
  uint32_t bit;
} kClassBoxes[] = {
    {IDC_USE_DIGITS, OPT_DIGITS},
    {IDC_USE_LOWER, OPT_LOWER},
    {IDC_USE_UPPER, OPT_UPPER},
    {IDC_USE_SYMBOLS, OPT_SYMBOLS},
};

// The one open dialog's data.
struct SiteDialog {
  const char* passPhrase;  // code page 932, as typed
  char utf8[SITE_PASS_PHRASE_CAPACITY];
  char path[PATH_CAPACITY];
  SiteRule rule;  // as read when the dialog opened; zero for a new site
  bool exists;
  int like;  // a site the pass phrase may stand for, or -1
  int typo;  // a site whose rule for it is not in force, or -1
} s_dialog;

// What a field the rule leaves out takes: the settings' value.
SiteRule Inherited() {
  SiteRule r;
  r.length = g_settings.passwordLength;
  r.classFlags = g_settings.optionFlags & CLASS_BITS;
  // A sealed key's own derivation stands in for the settings' bit.
  const int keys = KeyFileDerivation(g_settings.keyFilePath);
  r.derivation = keys ? keys : (g_settings.optionFlags & OPT_DERIVATION_2) ? 2 : 1;
  r.counter = 1;
  return r;
}

void ShowFailure(HWND hwnd, const char* what, const char* detail, const char* reason) {
  char message[SITE_MESSAGE_CAPACITY];
  CopyText(message, sizeof message, what);
  AppendText(message, sizeof message, "\n");
  AppendText(message, sizeof message, detail);
  AppendText(message, sizeof message, "\n");
  AppendText(message, sizeof message, reason);
  ShowError(hwnd, message);
}

// sites.txt read again for an edit; false, once the user is told, when it is refused.
bool Reload(HWND hwnd) {
  if (LoadSites(s_dialog.path) == SITE_OK) return true;
  char message[SITE_MESSAGE_CAPACITY];
  DescribeRefusedSites(s_dialog.path, TEXT_SITE_FILE_MEND_TO_EDIT, message, sizeof message);
  ShowError(hwnd, message);
  return false;
}

// Writes g_siteFile after an edit that returned status; true when all went well.
bool Store(HWND hwnd, SiteStatus status) {
  if (status == SITE_OK) status = SaveSiteFile(&g_siteFile, s_dialog.path);
  if (status == SITE_OK) return true;
  ShowFailure(hwnd, TEXT_SITE_FILE_NOT_SAVED, s_dialog.path, SiteStatusText(status));
  return false;
}

void OnInit(HWND hwnd) {
  CenterWindowOnDesktop(hwnd);
  SetDlgItemTextA(hwnd, IDC_SITE_NAME, s_dialog.passPhrase);
  char state[SITE_MESSAGE_CAPACITY];
  // A new site that may be a typo of another says so, as the main window's
  // note does, and so does a rule that is not in force.
  if (s_dialog.like >= 0 || s_dialog.typo >= 0) {
    SiteNoteFor(s_dialog.passPhrase, state, sizeof state);
  } else {
    CopyText(state, sizeof state, s_dialog.exists ? TEXT_SITE_SAVED_RULE : TEXT_SITE_NEW_RULE);
  }
  const SiteRule inherited = Inherited(), &r = s_dialog.rule;
  // The derivation the box shows is the one in force: say where it comes from.
  if (s_dialog.like < 0) {
    const bool keys = KeyFileDerivation(g_settings.keyFilePath) != 0;
    AppendText(state, sizeof state, "\n");
    AppendText(state, sizeof state,
               r.derivation ? TEXT_SITE_DERIVATION_FROM_SITE
               : keys       ? TEXT_SITE_DERIVATION_FROM_KEY
                            : TEXT_SITE_DERIVATION_FROM_SETTINGS);
  }
  SetDlgItemTextA(hwnd, IDC_SITE_STATE, state);
  SetDlgItemInt(hwnd, IDC_LENGTH, (UINT)(r.length ? r.length : inherited.length), FALSE);
  const uint32_t classes = r.classFlags ? r.classFlags : inherited.classFlags;
  for (const auto& box : kClassBoxes) CheckDlgButton(hwnd, box.id, (classes & box.bit) ? BST_CHECKED : BST_UNCHECKED);
  const int32_t derivation = r.derivation ? r.derivation : inherited.derivation;
  CheckDlgButton(hwnd, IDC_USE_DERIVATION_2, derivation == 2 ? BST_CHECKED : BST_UNCHECKED);
  SetDlgItemInt(hwnd, IDC_COUNTER, (UINT)(r.counter > 1 ? r.counter : 1), FALSE);
  SetDlgItemTextA(hwnd, IDC_COUNTER_HINT, TEXT_SITE_COUNTER_HINT);
  SendDlgItemMessageA(hwnd, IDC_LENGTH, EM_LIMITTEXT, NUMBER_DIGITS, 0);
  SendDlgItemMessageA(hwnd, IDC_COUNTER, EM_LIMITTEXT, NUMBER_DIGITS, 0);
  EnableWindow(GetDlgItem(hwnd, IDC_DELETE), s_dialog.exists);
}

void OnNextPassword(HWND hwnd) {
  const int32_t counter = (int32_t)GetDlgItemInt(hwnd, IDC_COUNTER, nullptr, FALSE);
  if (counter < 1 || counter >= SITE_COUNTER_MAX) {
    ShowError(hwnd, TEXT_SITE_COUNTER_INVALID);
    return;
  }
  SetDlgItemInt(hwnd, IDC_COUNTER, (UINT)(counter + 1), FALSE);
  // wsprintfA, not snprintf, which would bring MinGW's whole printf into the program.
  char hint[256];
  wsprintfA(hint, TEXT_SITE_NEXT_HINT, (long)(counter + 1), (long)counter);
  SetDlgItemTextA(hwnd, IDC_COUNTER_HINT, hint);
}

// A field the rule sets stays set; one it leaves out is set only when the
// user changed it from the settings' value, so that it keeps following them.
int32_t Keep(int32_t had, int32_t shown, int32_t inherited) { return had || shown != inherited ? shown : 0; }

// Holds the lock beside sites.txt for an edit, from reading it again to
// replacing it; false, once the user is told, when it cannot be had.
bool LockSites(HWND hwnd, FileEditLock* lock) {
  if (LockFileForEdit(s_dialog.path, lock)) return true;
  ShowFailure(hwnd, TEXT_SITE_FILE_NOT_SAVED, s_dialog.path, TEXT_SITE_FILE_BUSY);
  return false;
}

// True when the rule was stored.
bool OnSave(HWND hwnd) {
  const int32_t length = (int32_t)GetDlgItemInt(hwnd, IDC_LENGTH, nullptr, FALSE);
  uint32_t classes = 0;
  for (const auto& box : kClassBoxes) {
    if (IsDlgButtonChecked(hwnd, box.id) == BST_CHECKED) classes |= box.bit;
  }
  const int32_t derivation = IsDlgButtonChecked(hwnd, IDC_USE_DERIVATION_2) == BST_CHECKED ? 2 : 1;
  const int32_t counter = (int32_t)GetDlgItemInt(hwnd, IDC_COUNTER, nullptr, FALSE);
  const char* refusal = nullptr;
  if (length <= 0) {
    refusal = TEXT_LENGTH_TOO_SMALL;
  } else if (length > SITE_LENGTH_MAX) {
    refusal = TEXT_LENGTH_TOO_LARGE;
  } else if (!classes) {
    refusal = TEXT_NO_CLASS;
  } else if (counter < 1 || counter > SITE_COUNTER_MAX) {
    refusal = TEXT_SITE_COUNTER_INVALID;
  }
  if (refusal) {
    ShowError(hwnd, refusal);
    return false;
  }
  const SiteRule inherited = Inherited(), &had = s_dialog.rule;
  SiteRule rule;
  rule.length = Keep(had.length, length, inherited.length);
  rule.classFlags = (uint32_t)Keep((int32_t)had.classFlags, (int32_t)classes, (int32_t)inherited.classFlags);
  rule.derivation = Keep(had.derivation, derivation, inherited.derivation);
  rule.counter = counter;
  FileEditLock lock;
  if (!LockSites(hwnd, &lock)) return false;
  const bool stored = Reload(hwnd) && Store(hwnd, SetSite(&g_siteFile, s_dialog.utf8, rule));
  UnlockFileForEdit(&lock);
  return stored;
}

// True when the site is gone from sites.txt.
bool OnDelete(HWND hwnd) {
  char question[SITE_MESSAGE_CAPACITY];  // wsprintfA writes at most 1024 bytes
  wsprintfA(question, TEXT_SITE_DELETE_QUESTION, s_dialog.passPhrase);
  if (MessageBoxA(hwnd, question, TEXT_SITE_DELETE_CAPTION, MB_YESNO | MB_ICONQUESTION) != IDYES) return false;
  FileEditLock lock;
  if (!LockSites(hwnd, &lock)) return false;
  bool removed = Reload(hwnd);
  const int index = removed ? FindSite(&g_siteFile, s_dialog.utf8) : -1;
  if (index >= 0) removed = Store(hwnd, RemoveSite(&g_siteFile, index));
  UnlockFileForEdit(&lock);
  return removed;
}

INT_PTR CALLBACK SiteDlgProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM) {
  if (EndDialogOnCancel(hwnd, message, wParam)) return TRUE;
  switch (message) {
    case WM_INITDIALOG:
      OnInit(hwnd);
      return TRUE;
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDOK:
          if (OnSave(hwnd)) EndDialog(hwnd, DIALOG_ACCEPTED);
          return TRUE;
        case IDC_DELETE:
          if (OnDelete(hwnd)) EndDialog(hwnd, DIALOG_ACCEPTED);
          return TRUE;
        case IDC_NEXT_PASSWORD:
          OnNextPassword(hwnd);
          return TRUE;
      }
      return FALSE;
  }
  return FALSE;
}

// Why a typed pass phrase can have no rule, or null.
const char* PassPhraseRefusal(const char* passPhrase) {
  if (passPhrase[0] == '#' || strpbrk(passPhrase, "\t\r\n")) return TEXT_SITE_BAD_PASS_PHRASE;
  if (strlen(passPhrase) > SITE_PASS_PHRASE_MAX) return TEXT_SITE_PHRASE_TOO_LONG;
  if (!Cp932ToUtf8(passPhrase, s_dialog.utf8, sizeof s_dialog.utf8)) return TEXT_SITE_NOT_CP932;
  return nullptr;
}

}  // namespace

bool RunSiteDialog(HWND owner, const char* passPhrase) {
  if (strlen(passPhrase) < MIN_PASS_PHRASE) {
    ShowError(owner, TEXT_PASS_PHRASE_TOO_SHORT);
    return false;
  }
  memset(&s_dialog, 0, sizeof s_dialog);
  s_dialog.passPhrase = passPhrase;
  bool changed = false;
  if (const char* refusal = PassPhraseRefusal(passPhrase)) {
    ShowFailure(owner, TEXT_SITE_PASS_PHRASE_REFUSED, passPhrase, refusal);
  } else if (Reload(owner)) {
    const int index = FindTypedSite(passPhrase, &s_dialog.like);
    s_dialog.exists = index >= 0;
    if (s_dialog.exists) s_dialog.rule = g_siteFile.sites[index].rule;
    // What is wrong with such a rule takes more words than the dialog has room for.
    s_dialog.typo = TypoSiteFor(passPhrase, index);
    char typo[SITE_MESSAGE_CAPACITY];
    if (s_dialog.typo >= 0 && DescribeTypo(s_dialog.typo, typo, sizeof typo)) {
      MessageBoxA(owner, typo, TEXT_SITE_TYPO_CAPTION, MB_OK | MB_ICONWARNING);
    }
    changed = DialogBoxParamA(g_hInstance, MAKEINTRESOURCEA(IDD_SITE), owner, SiteDlgProc, 0) == DIALOG_ACCEPTED;
  }
  WipeMemory(&s_dialog, sizeof s_dialog);
  return changed;
}
