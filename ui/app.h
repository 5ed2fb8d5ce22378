// Process-wide state of the front end and the dialog procedures.
#pragma once

#include <windows.h>

#include "settings.h"

extern HINSTANCE g_hInstance;

// Hand-over buffers of the key password and key creation dialogs, and the
// key password in force. Held in memory only.
extern char g_pendingKeyFilePath[PATH_CAPACITY];
extern char g_pendingKeyPassword[TEXT_CAPACITY];
extern char g_activeKeyPassword[TEXT_CAPACITY];

enum { TIMER_STARTUP = 101, DIALOG_ACCEPTED = 1, DIALOG_CANCELLED = 2 };

INT_PTR CALLBACK MainDlgProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK KeyPasswordDlgProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK KeyCreateDlgProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK SettingsDlgProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

// Runs once, from the main window's first timer tick. False only when a
// completed first-start setup could not save setting.ini.
bool StartupCheck(HWND mainWindow);

// The site dialog for a typed pass phrase (code page 932), owned by owner;
// true when sites.txt was changed.
bool RunSiteDialog(HWND owner, const char* passPhrase);
