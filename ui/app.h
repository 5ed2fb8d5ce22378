// Process-wide state of the front end and the dialog procedures.
#pragma once

#include <windows.h>

#include "sealed_key.h"
#include "settings.h"

extern HINSTANCE g_hInstance;

// Hand-over buffers of the key password and key creation dialogs, and the
// key password in force. Held in memory only.
extern char g_pendingKeyFilePath[PATH_CAPACITY];
extern char g_pendingKeyPassword[TEXT_CAPACITY];
extern char g_activeKeyPassword[TEXT_CAPACITY];

enum { TIMER_STARTUP = 101, TIMER_CLIPBOARD = 102, DIALOG_ACCEPTED = 1, DIALOG_CANCELLED = 2 };

// What a new key is sealed with; tests make it cheaper.
extern SealParameters g_newKeySeal;

// How long a password put on the clipboard stays there, in milliseconds.
extern UINT g_clipboardClearMs;

// The creation parameter of the key password dialog.
struct KeyPasswordRequest {
  const char* keyPath;  // the key file the key password must open; null: nothing is checked
  bool opened;          // set on acceptance: the key opened (an original key passed the key check)
  // Another key file the user chose where this one could not be used; keyPath
  // then points here.
  char chosen[PATH_CAPACITY];
};

INT_PTR CALLBACK MainDlgProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK KeyPasswordDlgProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK KeyCreateDlgProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK SettingsDlgProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

// Runs once, from the main window's first timer tick. False only when a
// completed first-start setup could not save setting.ini.
bool StartupCheck(HWND mainWindow);

// At exit: the password this program put on the clipboard, if it is still
// there, and every secret held in memory.
void EndSession();
// The site dialog for a typed pass phrase (code page 932), owned by owner;
// true when sites.txt was changed.
bool RunSiteDialog(HWND owner, const char* passPhrase);
