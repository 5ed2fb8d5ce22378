// The clipboard as both Windows programs use it.
#pragma once

#include <windows.h>

// Puts text on the clipboard as CF_TEXT, kept out of clipboard history, the
// cloud clipboard and clipboard monitors. owner may be null.
bool CopyTextToClipboard(HWND owner, const char* text);

// Empties the clipboard unless anything was put on it after the copy whose
// sequence number (GetClipboardSequenceNumber) this is: text another program
// copied since is left alone. Another program may hold the clipboard open for
// a moment: tries up to attempts times, intervalMs apart (the dialog program
// cannot wait long on its one thread; sorrel-cli's clearing process can). True
// when it was cleared or had changed.
bool ClearClipboardIfUnchanged(DWORD sequence, int attempts, DWORD intervalMs);
