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

bool EndDialogOnCancel(HWND dialog, UINT message, WPARAM wParam) {
  if (message == WM_CLOSE || (message == WM_COMMAND && LOWORD(wParam) == IDCANCEL)) {
    EndDialog(dialog, 2);  // every caller takes 2 for cancelled
    return true;
  }
  return false;
}

void ShowError(HWND owner, const char* text) { MessageBoxA(owner, text, TEXT_ERROR_CAPTION, MB_ICONERROR | MB_OK); }

int ShowFormatted(HWND owner, UINT type, const char* caption, const char* format, const char* first,
                  const char* second) {
  char text[1024];
  wsprintfA(text, format, first, second);
  return MessageBoxA(owner, text, caption, type);
}
