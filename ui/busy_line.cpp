#include "busy_line.h"

#include <string.h>

#include "app.h"

namespace {

bool IsPushButton(HWND child) {
  char name[16];
  if (!IsWindowVisible(child) || !GetClassNameA(child, name, sizeof name) || lstrcmpiA(name, "Button") != 0) {
    return false;
  }
  const LONG type = GetWindowLongA(child, GWL_STYLE) & BS_TYPEMASK;
  return type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON;
}

RECT ChildRect(HWND dialog, HWND child) {
  RECT r;
  GetWindowRect(child, &r);
  MapWindowPoints(nullptr, dialog, (POINT*)&r, 2);
  return r;
}

// Hides the push buttons whose lower edge is the dialog's lowest and returns
// the rectangle they took, for the line.
RECT HideFootButtons(BusyLine* busy) {
  RECT row = {0, 0, 0, 0};
  LONG lowest = -1;
  for (HWND c = GetWindow(busy->dialog, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
    if (IsPushButton(c)) {
      const RECT r = ChildRect(busy->dialog, c);
      if (r.bottom > lowest) lowest = r.bottom;
    }
  }
  HWND focus = GetFocus();
  for (HWND c = GetWindow(busy->dialog, GW_CHILD); c && busy->hiddenCount < BUSY_HIDDEN_MAX;
       c = GetWindow(c, GW_HWNDNEXT)) {
    if (!IsPushButton(c)) continue;
    const RECT r = ChildRect(busy->dialog, c);
    if (r.bottom != lowest) continue;
    if (busy->hiddenCount == 0) {
      row = r;
    } else {
      UnionRect(&row, &row, &r);
    }
    if (c == focus) busy->focus = c;
    busy->hidden[busy->hiddenCount++] = c;
  }
  for (int i = 0; i < busy->hiddenCount; ++i) ShowWindow(busy->hidden[i], SW_HIDE);
  return row;
}

}  // namespace

void ShowBusyLine(HWND dialog, int statusId, const char* text, BusyLine* busy) {
  memset(busy, 0, sizeof *busy);
  busy->dialog = dialog;
  busy->cursor = SetCursor(LoadCursorA(nullptr, (LPCSTR)IDC_WAIT));
  if (!dialog) return;
  if (statusId) {
    busy->line = GetDlgItem(dialog, statusId);
    GetWindowTextA(busy->line, busy->before, sizeof busy->before);
    SetWindowTextA(busy->line, text);
  } else {
    const RECT row = HideFootButtons(busy);
    busy->line =
        CreateWindowExA(0, "STATIC", text, WS_CHILD | WS_VISIBLE | SS_LEFT | SS_CENTERIMAGE | SS_NOPREFIX, row.left,
                        row.top, row.right - row.left, row.bottom - row.top, dialog, nullptr, g_hInstance, nullptr);
    busy->made = busy->line != nullptr;
    SendMessageA(busy->line, WM_SETFONT, SendMessageA(dialog, WM_GETFONT, 0, 0), FALSE);
  }
  // Painted now: the thread does nothing else until the work is done.
  UpdateWindow(dialog);
  if (busy->line) UpdateWindow(busy->line);
  // Wine puts what was painted on the screen only when the thread looks for
  // a message: it looks once, for one nobody sends.
  MSG none;
  PeekMessageA(&none, busy->line, WM_APP + 0x3FFF, WM_APP + 0x3FFF, PM_NOREMOVE);
}

void HideBusyLine(BusyLine* busy) {
  if (busy->made) {
    DestroyWindow(busy->line);
  } else if (busy->line) {
    SetWindowTextA(busy->line, busy->before);
  }
  for (int i = 0; i < busy->hiddenCount; ++i) ShowWindow(busy->hidden[i], SW_SHOW);
  // Hiding the button that had the focus gave it to the dialog.
  if (busy->focus) SetFocus(busy->focus);
  SetCursor(busy->cursor);
  memset(busy, 0, sizeof *busy);
}
