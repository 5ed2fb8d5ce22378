#include "window_services.h"

#include <commdlg.h>
#include <string.h>

#include "settings.h"
#include "texts.h"

#ifndef _WIN64
// The full form, with the trailing reserved fields, as 32-bit Windows has it.
static_assert(sizeof(OPENFILENAMEA) == 88, "OPENFILENAMEA");
#endif

void CenterWindowOnDesktop(HWND hwnd) {
  RECT desktop, window;
  GetWindowRect(GetDesktopWindow(), &desktop);
  GetWindowRect(hwnd, &window);
  int width = window.right - window.left;
  int height = window.bottom - window.top;
  // Only the desktop's right and bottom edges count; C++ division truncates toward zero.
  int x = (desktop.right - width) / 2;
  int y = (desktop.bottom - height) / 2;
  SetWindowPos(hwnd, HWND_TOP, x, y, width, height, SWP_SHOWWINDOW);
}

static bool RunChooser(char* path, const char* title, const char* defaultExtension, const char* filter, DWORD flags,
                       BOOL(WINAPI* chooser)(LPOPENFILENAMEA)) {
  OPENFILENAMEA ofn;
  memset(&ofn, 0, sizeof ofn);
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = nullptr;
  ofn.lpstrFilter = filter;
  ofn.nFilterIndex = 1;
  ofn.lpstrFile = path;
  ofn.nMaxFile = PATH_CAPACITY;
  ofn.lpstrTitle = title;
  ofn.lpstrDefExt = defaultExtension;
  ofn.Flags = flags;
  path[0] = 0;
  return chooser(&ofn) == 1;
}

bool ChooseOpenFile(char* path, const char* title, const char* filter) {
  return RunChooser(path, title, nullptr, filter, OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST,
                    GetOpenFileNameA);
}

bool ChooseSaveFile(char* path, const char* title, const char* defaultExtension, const char* filter) {
  // No OFN_FILEMUSTEXIST: the name of a key file still to be written must be accepted.
  return RunChooser(path, title, defaultExtension, filter, OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST,
                    GetSaveFileNameA);
}

namespace {

// A movable, zero-filled global block holding a copy of data; null on failure.
HGLOBAL NewBlock(const void* data, SIZE_T size) {
  HGLOBAL block = GlobalAlloc(GHND, size);
  if (!block) return nullptr;
  void* memory = GlobalLock(block);
  if (!memory) {
    GlobalFree(block);
    return nullptr;
  }
  memcpy(memory, data, size);
  GlobalUnlock(block);
  return block;
}

// Formats by which Windows keeps an item out of clipboard history, the cloud
// clipboard and clipboard monitors; a DWORD 0 says "no" to each.
const char* const kPrivacyFormats[] = {
    "ExcludeClipboardContentFromMonitorProcessing",
    "CanIncludeInClipboardHistory",
    "CanUploadToCloudClipboard",
};
const int PRIVACY_FORMATS = sizeof kPrivacyFormats / sizeof kPrivacyFormats[0];

}  // namespace

bool CopyTextToClipboard(HWND owner, const char* text) {
  HGLOBAL blocks[1 + PRIVACY_FORMATS] = {};
  blocks[0] = NewBlock(text, strlen(text) + 1);
  const DWORD no = 0;
  for (int i = 0; i < PRIVACY_FORMATS; ++i) blocks[1 + i] = NewBlock(&no, sizeof no);
  bool ready = true;
  for (HGLOBAL block : blocks) ready = ready && block;
  if (!ready || !OpenClipboard(owner)) {
    for (HGLOBAL block : blocks)
      if (block) GlobalFree(block);
    return false;
  }
  // The blocks belong to the clipboard from here on.
  EmptyClipboard();
  SetClipboardData(CF_TEXT, blocks[0]);
  for (int i = 0; i < PRIVACY_FORMATS; ++i)
    SetClipboardData(RegisterClipboardFormatA(kPrivacyFormats[i]), blocks[1 + i]);
  CloseClipboard();
  return true;
}

bool EndDialogOnCancel(HWND dialog, UINT message, WPARAM wParam) {
  if (message == WM_CLOSE || (message == WM_COMMAND && LOWORD(wParam) == IDCANCEL)) {
    EndDialog(dialog, 2);  // every caller takes 2 for cancelled
    return true;
  }
  return false;
}

void ShowError(HWND owner, const char* text) { MessageBoxA(owner, text, TEXT_ERROR_CAPTION, MB_ICONERROR | MB_OK); }
