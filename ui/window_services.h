// Small window helpers shared by the dialogs.
#pragma once

#include <windows.h>

#include "clipboard_service.h"

void CenterWindowOnDesktop(HWND hwnd);

// The choosers have no owner; path is a 260-byte buffer, emptied first.
bool ChooseOpenFile(char* path, const char* title, const char* filter);
bool ChooseSaveFile(char* path, const char* title, const char* defaultExtension, const char* filter);

// Ends the dialog with 2 on its close box, Escape or the Cancel button;
// true when the message was one of those.
bool EndDialogOnCancel(HWND dialog, UINT message, WPARAM wParam);

// An error box owned by owner: caption エラー, MB_ICONERROR.
void ShowError(HWND owner, const char* text);

// A message box whose text is format with its %s placeholders filled by
// first and second (wsprintfA: at most 1024 bytes).
int ShowFormatted(HWND owner, UINT type, const char* caption, const char* format, const char* first,
                  const char* second = "");
