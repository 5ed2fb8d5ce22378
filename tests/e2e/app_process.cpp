#include "app_process.h"

#include <string.h>

#include "test_files.h"

namespace {

const int MESSAGE_BOX_TEXT_ID = 0xFFFF;

std::string ModuleDirectory() {
  char path[MAX_PATH];
  GetModuleFileNameA(nullptr, path, sizeof path);
  *strrchr(path, '\\') = 0;
  return path;
}

struct Search {
  DWORD pid;
  bool messageBox;
  const std::string* caption;
  HWND found;
};

BOOL CALLBACK Visit(HWND hwnd, LPARAM data) {
  Search* s = (Search*)data;
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  if (pid != s->pid || !IsWindowVisible(hwnd) || !IsWindowEnabled(hwnd)) return TRUE;
  bool isBox = GetDlgItem(hwnd, MESSAGE_BOX_TEXT_ID) != nullptr;
  if (isBox != s->messageBox) return TRUE;
  char text[512] = {};
  GetWindowTextA(hwnd, text, sizeof text);
  if (!s->messageBox && *s->caption != text) return TRUE;
  s->found = hwnd;
  return FALSE;
}

}  // namespace

AppProcess::AppProcess(const std::string& folderName) {
  std::string relative = ScratchDir(folderName);
  char full[MAX_PATH];
  GetFullPathNameA(relative.c_str(), sizeof full, full, nullptr);
  folder_ = full;
  for (char& c : folder_)
    if (c == '/') c = '\\';
  std::string bin = ModuleDirectory() + "\\e2e-bin\\";
  CopyFileA((bin + "sorrel.exe").c_str(), (folder_ + "sorrel.exe").c_str(), FALSE);
  CopyFileA((bin + "sorrel-cli.exe").c_str(), (folder_ + "sorrel-cli.exe").c_str(), FALSE);
}

AppProcess::~AppProcess() {
  if (process_.hProcess) {
    if (Wait(0) == STILL_ACTIVE) TerminateProcess(process_.hProcess, 99);
    CloseHandle(process_.hProcess);
    CloseHandle(process_.hThread);
  }
}

bool AppProcess::Start() {
  STARTUPINFOA si{};
  si.cb = sizeof si;
  std::string exe = folder_ + "sorrel.exe";
  std::string commandLine = "\"" + exe + "\"";
  startTick_ = GetTickCount();
  return CreateProcessA(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, folder_.c_str(), &si,
                        &process_) != 0;
}

DWORD AppProcess::Wait(DWORD timeoutMs) {
  WaitForSingleObject(process_.hProcess, timeoutMs);
  DWORD status = STILL_ACTIVE;
  GetExitCodeProcess(process_.hProcess, &status);
  return status;
}

HWND AppProcess::Find(bool messageBox, const std::string& caption) {
  Search s{process_.dwProcessId, messageBox, &caption, nullptr};
  EnumWindows(Visit, (LPARAM)&s);
  return s.found;
}

HWND AppProcess::WaitWindow(const std::string& caption, DWORD timeoutMs) {
  for (DWORD start = GetTickCount(); GetTickCount() - start < timeoutMs; Sleep(5)) {
    if (HWND w = Find(false, caption)) return w;
  }
  return nullptr;
}

HWND AppProcess::WaitMessageBox(DWORD timeoutMs) {
  for (DWORD start = GetTickCount(); GetTickCount() - start < timeoutMs; Sleep(5)) {
    if (HWND w = Find(true, "")) return w;
  }
  return nullptr;
}

bool AppProcess::RunCli(const std::string& arguments, const std::string& input, std::string* output, DWORD* status) {
  SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
  HANDLE inRead, inWrite, outRead, outWrite;
  if (!CreatePipe(&inRead, &inWrite, &sa, 0) || !CreatePipe(&outRead, &outWrite, &sa, 0)) return false;
  SetHandleInformation(inWrite, HANDLE_FLAG_INHERIT, 0);
  SetHandleInformation(outRead, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOA si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdInput = inRead;
  si.hStdOutput = outWrite;
  si.hStdError = outWrite;
  std::string exe = folder_ + "sorrel-cli.exe";
  std::string commandLine = "\"" + exe + "\" " + arguments;
  PROCESS_INFORMATION pi{};
  bool started =
      CreateProcessA(exe.c_str(), &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr, folder_.c_str(), &si, &pi) != 0;
  CloseHandle(inRead);
  CloseHandle(outWrite);
  DWORD n;
  if (started) WriteFile(inWrite, input.data(), (DWORD)input.size(), &n, nullptr);
  CloseHandle(inWrite);
  output->clear();
  char buffer[4096];
  while (started && ReadFile(outRead, buffer, sizeof buffer, &n, nullptr) && n > 0) output->append(buffer, n);
  CloseHandle(outRead);
  if (!started) return false;
  WaitForSingleObject(pi.hProcess, 20000);
  GetExitCodeProcess(pi.hProcess, status);
  CloseHandle(pi.hProcess);
  CloseHandle(pi.hThread);
  return true;
}

void SetText(HWND dialog, int id, const std::string& text) {
  DWORD_PTR result;
  SendMessageTimeoutA(GetDlgItem(dialog, id), WM_SETTEXT, 0, (LPARAM)text.c_str(), SMTO_NORMAL, 5000, &result);
}

void PushButton(HWND dialog, int id) { PostMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }

std::string TextOf(HWND dialog, int id) {
  char text[2048] = {};
  GetDlgItemTextA(dialog, id, text, sizeof text);
  return text;
}

std::string MessageBoxText(HWND box) { return TextOf(box, MESSAGE_BOX_TEXT_ID); }
