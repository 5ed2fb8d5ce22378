// Drives the program's real dialogs, message boxes and file choosers from the
// test thread, as a person would: a thread timer runs the steps of a script
// one after another, each once the window it waits for is active. Clicks and
// keys are posted, so the dialogs' own modal loops and the dialog manager
// handle them.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

// What a person saw of a window the script acted on.
struct SeenWindow {
  HWND hwnd = nullptr;
  std::string caption;
  std::string text;  // a message box's text
  HWND owner = nullptr;
  bool errorIcon = false;
  bool questionIcon = false;
  bool anyIcon = false;
};

class UiScript {
 public:
  using Action = std::function<void(HWND)>;

  // Waits for an active window with this caption (code page 932 bytes), then acts on it.
  UiScript& On(const std::string& caption, Action action);
  // Waits for a message box, records it, then presses the button with this id.
  // whileOpen runs first, with the box still open.
  UiScript& AnswerBox(int button, SeenWindow* seen = nullptr, std::function<void()> whileOpen = {});
  // Waits for a file chooser with this title, types the name and presses its OK button.
  UiScript& ChooseFile(const std::string& title, const std::string& name, SeenWindow* seen = nullptr);
  UiScript& CancelChooser(const std::string& title, SeenWindow* seen = nullptr);
  // Waits until condition is true.
  UiScript& WaitUntil(std::function<bool()> condition);
  // Runs an action at this point of the script, whatever window is active.
  UiScript& Then(std::function<void()> action);

  // Runs body (which opens the first window) with the script armed; returns
  // false, closing what is open, when a step waited longer than timeoutMs.
  bool Run(const std::function<void()>& body, DWORD timeoutMs = 20000);

  size_t StepsDone() const { return next_; }
  size_t StepCount() const { return steps_.size(); }
  bool Finished() const { return next_ == steps_.size() && !timedOut_; }
  std::string Failure() const { return failure_; }

 private:
  struct Step {
    std::string what;
    std::function<bool()> tryRun;  // true once it has acted
  };
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD);
  void OnTick();

  std::vector<Step> steps_;
  size_t next_ = 0;
  DWORD stepStarted_ = 0;
  DWORD timeoutMs_ = 0;
  bool timedOut_ = false;
  std::string failure_;
};

// Person-like actions on a dialog's controls.
void TypeText(HWND dialog, int id, const std::string& text);   // replaces the field's text, key by key
void PasteText(HWND dialog, int id, const std::string& text);  // replaces it as a paste would
// Replaces it with UTF-16 text pasted from the clipboard, as copied from another program.
void PasteWide(HWND dialog, int id, const std::wstring& text);
void Click(HWND dialog, int id);
void PressKey(HWND dialog, int id, UINT key);  // focus on the control, then the key
void PressCloseBox(HWND dialog);

std::string ItemText(HWND dialog, int id);
std::string WindowText(HWND hwnd);
SeenWindow Describe(HWND hwnd);
// The clipboard's CF_TEXT, "<none>" or "<closed>".
std::string ClipboardText();

// Types a new key password into both fields of the key creation dialog and presses 生成.
void EnterNewKeyPassword(HWND dialog, const std::string& keyPassword);
