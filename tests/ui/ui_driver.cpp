#include "ui_driver.h"

#include <string.h>

#include "resource.h"

namespace {

UiScript* g_running = nullptr;

// Wine's and Windows' message boxes keep the text and icon in these statics.
const int MESSAGE_BOX_TEXT_ID = 0xFFFF;
const int MESSAGE_BOX_ICON_ID = 0x0440;
// The file name field and the OK button of the common file choosers.
const int CHOOSER_NAME_COMBO = 0x047C;
const int CHOOSER_NAME_EDIT = 0x0480;

HWND ActiveTopWindow() {
  HWND active = GetActiveWindow();
  if (active && IsWindowVisible(active) && IsWindowEnabled(active)) return active;
  return nullptr;
}

// A chooser fills its folder view on a worker thread; acting on it before
// that has settled has crashed Wine's 64-bit chooser under load.
bool Settled(DWORD* since) {
  const DWORD SETTLE_MS = 150;
  if (*since == 0) *since = GetTickCount() | 1;
  return GetTickCount() - *since >= SETTLE_MS;
}

bool IsMessageBox(HWND hwnd) { return GetDlgItem(hwnd, MESSAGE_BOX_TEXT_ID) != nullptr; }

HWND ChooserNameField(HWND chooser) {
  HWND combo = GetDlgItem(chooser, CHOOSER_NAME_COMBO);
  if (combo) {
    HWND edit = FindWindowExA(combo, nullptr, "Edit", nullptr);
    return edit ? edit : combo;
  }
  return GetDlgItem(chooser, CHOOSER_NAME_EDIT);
}

}  // namespace

std::string WindowText(HWND hwnd) {
  char text[2048] = {};
  GetWindowTextA(hwnd, text, sizeof text);
  return text;
}

std::string ItemText(HWND dialog, int id) {
  char text[2048] = {};
  GetDlgItemTextA(dialog, id, text, sizeof text);
  return text;
}

SeenWindow Describe(HWND hwnd) {
  SeenWindow seen;
  seen.hwnd = hwnd;
  seen.caption = WindowText(hwnd);
  seen.owner = GetWindow(hwnd, GW_OWNER);
  if (IsMessageBox(hwnd)) {
    seen.text = ItemText(hwnd, MESSAGE_BOX_TEXT_ID);
    HWND icon = GetDlgItem(hwnd, MESSAGE_BOX_ICON_ID);
    HICON shown = icon && IsWindowVisible(icon) ? (HICON)SendMessageA(icon, STM_GETICON, 0, 0) : nullptr;
    seen.anyIcon = shown != nullptr;
    seen.errorIcon = shown && shown == LoadIconA(nullptr, IDI_HAND);
    seen.questionIcon = shown && shown == LoadIconA(nullptr, IDI_QUESTION);
  }
  return seen;
}

void TypeText(HWND dialog, int id, const std::string& text) {
  HWND field = GetDlgItem(dialog, id);
  SetFocus(field);
  SendMessageA(field, EM_SETSEL, 0, -1);
  SendMessageA(field, WM_CHAR, VK_BACK, 0);
  for (size_t i = 0; i < text.size(); ++i) {
    unsigned char b = (unsigned char)text[i];
    if (IsDBCSLeadByte(b) && i + 1 < text.size()) {
      // A double-byte character is committed whole, as an input method does;
      // WM_CHAR would convert through the keyboard layout's code page instead.
      char character[3] = {text[i], text[i + 1], 0};
      SendMessageA(field, EM_REPLACESEL, TRUE, (LPARAM)character);
      ++i;
    } else {
      SendMessageA(field, WM_CHAR, b, 0);
    }
  }
}

void PasteText(HWND dialog, int id, const std::string& text) {
  HWND field = GetDlgItem(dialog, id);
  SetFocus(field);
  SendMessageA(field, EM_SETSEL, 0, -1);
  SendMessageA(field, EM_REPLACESEL, TRUE, (LPARAM)text.c_str());
}

void PasteWide(HWND dialog, int id, const std::wstring& text) {
  const SIZE_T size = (text.size() + 1) * sizeof(wchar_t);
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size);
  memcpy(GlobalLock(block), text.c_str(), size);
  GlobalUnlock(block);
  if (!OpenClipboard(nullptr)) {
    GlobalFree(block);
    return;
  }
  EmptyClipboard();
  SetClipboardData(CF_UNICODETEXT, block);
  CloseClipboard();
  HWND field = GetDlgItem(dialog, id);
  SetFocus(field);
  SendMessageA(field, EM_SETSEL, 0, -1);
  SendMessageA(field, WM_PASTE, 0, 0);
}

void Click(HWND dialog, int id) { PostMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }

void PressKey(HWND dialog, int id, UINT key) {
  HWND target = GetDlgItem(dialog, id);
  SetFocus(target);
  PostMessageA(target, WM_KEYDOWN, key, 1);
  PostMessageA(target, WM_KEYUP, key, 0xC0000001);
}

void PressCloseBox(HWND dialog) { PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0); }

UiScript& UiScript::On(const std::string& caption, Action action) {
  steps_.push_back({"window \"" + caption + "\"", [caption, action] {
                      HWND w = ActiveTopWindow();
                      if (!w || IsMessageBox(w) || WindowText(w) != caption) return false;
                      action(w);
                      return true;
                    }});
  return *this;
}

UiScript& UiScript::AnswerBox(int button, SeenWindow* seen, std::function<void()> whileOpen) {
  steps_.push_back({"message box", [button, seen, whileOpen] {
                      HWND w = ActiveTopWindow();
                      if (!w || !IsMessageBox(w)) return false;
                      if (seen) *seen = Describe(w);
                      if (whileOpen) whileOpen();
                      Click(w, button);
                      return true;
                    }});
  return *this;
}

UiScript& UiScript::ChooseFile(const std::string& title, const std::string& name, SeenWindow* seen) {
  steps_.push_back({"chooser \"" + title + "\"", [title, name, seen, since = DWORD(0)]() mutable {
                      HWND w = ActiveTopWindow();
                      if (!w || WindowText(w) != title) return false;
                      HWND field = ChooserNameField(w);
                      if (!field || !Settled(&since)) return false;
                      if (seen) *seen = Describe(w);
                      SendMessageA(field, WM_SETTEXT, 0, (LPARAM)name.c_str());
                      Click(w, IDOK);
                      return true;
                    }});
  return *this;
}

UiScript& UiScript::CancelChooser(const std::string& title, SeenWindow* seen) {
  steps_.push_back({"cancel chooser \"" + title + "\"", [title, seen, since = DWORD(0)]() mutable {
                      HWND w = ActiveTopWindow();
                      if (!w || WindowText(w) != title || !ChooserNameField(w) || !Settled(&since)) return false;
                      if (seen) *seen = Describe(w);
                      Click(w, IDCANCEL);
                      return true;
                    }});
  return *this;
}

UiScript& UiScript::WaitUntil(std::function<bool()> condition) {
  steps_.push_back({"condition", condition});
  return *this;
}

UiScript& UiScript::Then(std::function<void()> action) {
  steps_.push_back({"action", [action] {
                      action();
                      return true;
                    }});
  return *this;
}

void CALLBACK UiScript::Tick(HWND, UINT, UINT_PTR, DWORD) {
  if (g_running) g_running->OnTick();
}

void UiScript::OnTick() {
  if (timedOut_) {
    // Close whatever is still open so that the body returns.
    if (HWND w = GetActiveWindow()) PostMessageA(w, WM_CLOSE, 0, 0);
    return;
  }
  if (next_ == steps_.size()) return;
  if (GetTickCount() - stepStarted_ > timeoutMs_) {
    timedOut_ = true;
    failure_ = "timed out waiting for step " + std::to_string(next_ + 1) + ": " + steps_[next_].what + " (active: \"" +
               WindowText(GetActiveWindow()) + "\")";
    return;
  }
  // Actions post their clicks and keys, so none of them blocks here.
  if (steps_[next_].tryRun()) {
    ++next_;
    stepStarted_ = GetTickCount();
  }
}

bool UiScript::Run(const std::function<void()>& body, DWORD timeoutMs) {
  timeoutMs_ = timeoutMs;
  stepStarted_ = GetTickCount();
  UiScript* outer = g_running;
  g_running = this;
  UINT_PTR timer = SetTimer(nullptr, 0, 15, Tick);
  body();
  KillTimer(nullptr, timer);
  g_running = outer;
  // Let nothing of this script reach the next one.
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
  return Finished();
}

std::string ClipboardText() {
  std::string text = "<none>";
  if (!OpenClipboard(nullptr)) return "<closed>";
  if (HANDLE data = GetClipboardData(CF_TEXT)) {
    text = (const char*)GlobalLock(data);
    GlobalUnlock(data);
  }
  CloseClipboard();
  return text;
}

void EnterNewKeyPassword(HWND dialog, const std::string& keyPassword) {
  TypeText(dialog, IDC_KEY_PASSWORD, keyPassword);
  TypeText(dialog, IDC_KEY_PASSWORD_CONFIRM, keyPassword);
  Click(dialog, IDOK);
}
