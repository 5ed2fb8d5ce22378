// Runs the real sorrel.exe in a folder of its own and drives it from this
// process as a person would: finds its windows, types, clicks, reads.
#pragma once

#include <windows.h>

#include <string>

#include "ui_driver.h"  // ClipboardText

class AppProcess {
 public:
  // Copies the programs into a fresh folder; nothing runs yet.
  explicit AppProcess(const std::string& folderName);
  ~AppProcess();

  bool Start();
  // Exit status once it ended, or STILL_ACTIVE after timeoutMs.
  DWORD Wait(DWORD timeoutMs = 20000);
  std::string Folder() const { return folder_; }
  DWORD StartTick() const { return startTick_; }

  // The program's enabled top-level window with this caption; waits for it.
  HWND WaitWindow(const std::string& caption, DWORD timeoutMs = 20000);
  // The program's message box; waits for it.
  HWND WaitMessageBox(DWORD timeoutMs = 20000);

  // Runs sorrel-cli.exe from the folder with these arguments and standard input.
  bool RunCli(const std::string& arguments, const std::string& input, std::string* output, DWORD* status);

 private:
  HWND Find(bool messageBox, const std::string& caption);
  std::string folder_;
  PROCESS_INFORMATION process_{};
  DWORD startTick_ = 0;
};

void SetText(HWND dialog, int id, const std::string& text);
void PushButton(HWND dialog, int id);
std::string TextOf(HWND dialog, int id);
std::string MessageBoxText(HWND box);
