// The main window: the pass phrase field with its site note, the generate,
// site and settings buttons.
#include <string.h>

#include "app.h"
#include "kept_key.h"
#include "keyfile.h"
#include "resource.h"
#include "site_file.h"
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
  if (g_clipboardSequence && ClearClipboardIfUnchanged(g_clipboardSequence, attempts, 20)) g_clipboardSequence = 0;
}

struct GenerateWork {
  unsigned char file[KEY_BUFFER_SIZE];
  OpenedKey key;
  SettingsRecord settings;
  char passPhrase[TEXT_CAPACITY];
  char derived[TEXT_CAPACITY];  // the pass phrase with the site's counter
  char result[RESULT_CAPACITY];
};

// The rule of a typed pass phrase, from sites.txt as it is now. False, once
// the user is told, for a refused file: a rule left out would give another
// password than the one the site has.
bool LookUpSiteRule(HWND hwnd, const char* passPhrase, SiteRule* rule) {
  char path[PATH_CAPACITY];
  memset(rule, 0, sizeof *rule);
  if (LoadSites(path) != SITE_OK) {
    char message[SITE_MESSAGE_CAPACITY];
    DescribeRefusedSites(path, TEXT_SITE_FILE_MEND_TO_GENERATE, message, sizeof message);
    ShowError(hwnd, message);
    return false;
  }
  int like;
  const int index = FindTypedSite(passPhrase, &like);
  if (index >= 0) *rule = g_siteFile.sites[index].rule;
  return true;
}

void UpdateSiteNote(HWND hwnd) {
  char passPhrase[TEXT_CAPACITY], note[SITE_MESSAGE_CAPACITY];
  GetDlgItemTextA(hwnd, IDC_PASSPHRASE, passPhrase, sizeof passPhrase);
  SiteNoteFor(passPhrase, note, sizeof note);
  SetDlgItemTextA(hwnd, IDC_SITE_NOTE, note);
  WipeMemory(passPhrase, sizeof passPhrase);
}

void OpenSiteDialog(HWND hwnd) {
  char passPhrase[TEXT_CAPACITY];
  GetDlgItemTextA(hwnd, IDC_PASSPHRASE, passPhrase, sizeof passPhrase);
  RunSiteDialog(hwnd, passPhrase);
  WipeMemory(passPhrase, sizeof passPhrase);
  UpdateSiteNote(hwnd);
}

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
  SiteRule rule;
  if (!LookUpSiteRule(hwnd, w->passPhrase, &rule)) return;
  // An original key of any shape is unmasked as it always has been.
  if (!MayOpenKey(hwnd, w->file, fileCount, g_activeKeyPassword)) return;
  const KeyOpenStatus status = OpenKeyKept(hwnd, w->file, fileCount, g_activeKeyPassword, false, &w->key);
  if (status != KEY_OPEN_OK) {
    const char* problem = SealedKeyProblem(status, TEXT_KEY_NOT_OPENED_GENERATE);
    ShowError(hwnd, problem ? problem : TEXT_DERIVE_FAILED);
    return;
  }
  // The settings, then the derivation a sealed key names, then the site's rule.
  SettingsRecord base = g_settings;
  ApplyKeyDerivation(w->key, &base);
  int32_t length;
  if (!ApplySiteRule(base, rule, w->passPhrase, &w->settings, &length, w->derived)) {
    ShowError(hwnd, TEXT_SITE_PASS_PHRASE_TOO_LONG);
    return;
  }
  // The result buffer holds at most 1023 characters and its terminator.
  if (length <= 0 || length >= RESULT_CAPACITY) {
    ShowError(hwnd, TEXT_LENGTH_INVALID);
    return;
  }
  if (!DeriveWithKey(w->settings, w->key, w->derived, length, w->result)) {
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
        case IDC_PASSPHRASE:
          if (HIWORD(wParam) != EN_CHANGE) return FALSE;
          UpdateSiteNote(hwnd);
          return TRUE;
        case IDC_SITE:
          OpenSiteDialog(hwnd);
          return TRUE;
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
