// The clipboard as both programs use it: user32 and kernel32 only, so that
// sorrel-cli links it without the dialogs.
#pragma once

#include <windows.h>

// Puts text on the clipboard as CF_TEXT, kept out of clipboard history, the
// cloud clipboard and clipboard monitors. owner may be null.
bool CopyTextToClipboard(HWND owner, const char* text);
