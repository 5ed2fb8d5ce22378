#include "cli_process.h"

#include <stdio.h>
#include <string.h>

#include "settings.h"
#include "test_files.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <iconv.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace {

// ソフト: 83 5C 83 74 83 67.
const char CLI_DIRECTORY_NAME[] = "\x83\x5c\x83\x74\x83\x67";

#ifdef _WIN32
const char CLI_NAME[] = "sorrel-cli.exe";

std::wstring Wide(UINT cp, const std::string& text) {
  std::wstring out(text.size() + 1, L'\0');
  int n = MultiByteToWideChar(cp, 0, text.data(), (int)text.size(), &out[0], (int)out.size());
  out.resize(n > 0 ? n : 0);
  return out;
}

std::string Narrow(UINT cp, const std::wstring& text) {
  std::string out(text.size() * 4 + 1, '\0');
  int n = WideCharToMultiByte(cp, 0, text.data(), (int)text.size(), &out[0], (int)out.size(), nullptr, nullptr);
  out.resize(n > 0 ? n : 0);
  return out;
}

UINT StreamCodePage() { return GetConsoleCP() ? GetConsoleCP() : GetACP(); }

// The quoting CommandLineToArgvW undoes.
std::wstring Quote(const std::wstring& arg) {
  std::wstring out = L"\"";
  size_t slashes = 0;
  for (wchar_t c : arg) {
    if (c == L'\\') {
      ++slashes;
      continue;
    }
    out.append(c == L'"' ? slashes * 2 + 1 : slashes, L'\\');
    slashes = 0;
    out += c;
  }
  out.append(slashes * 2, L'\\');
  return out + L"\"";
}

HANDLE Inheritable(HANDLE h) {
  SetHandleInformation(h, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
  return h;
}
#else
const char CLI_NAME[] = "sorrel-cli";

std::string Convert(const char* to, const char* from, const std::string& text) {
  iconv_t cd = iconv_open(to, from);
  std::string out(text.size() * 4 + 4, '\0');
  char* src = const_cast<char*>(text.data());
  size_t srcLeft = text.size();
  char* dst = &out[0];
  size_t dstLeft = out.size();
  iconv(cd, &src, &srcLeft, &dst, &dstLeft);
  iconv_close(cd);
  out.resize(out.size() - dstLeft);
  return out;
}
#endif

}  // namespace

std::string CliDirectory() {
  char dir[PATH_CAPACITY];
  GetModuleDirectory(dir);
#ifdef _WIN32
  return std::string(dir) + CLI_DIRECTORY_NAME + "\\";
#else
  return std::string(dir) + CLI_DIRECTORY_NAME + "/";
#endif
}

#ifdef _WIN32

std::string Terminal(const std::string& utf8) { return Narrow(StreamCodePage(), Wide(CP_UTF8, utf8)); }

std::string Utf8FromCp932(const std::string& cp932) { return Narrow(CP_UTF8, Wide(932, cp932)); }

bool MakeDirectory(const std::string& cp932) { return CreateDirectoryW(Wide(932, cp932).c_str(), nullptr) != 0; }

CliRun RunCli(const std::vector<std::string>& args, const std::string& input) {
  CliRun run;
  std::string dir = ScratchDir("cli-run");
  std::wstring outPath = Wide(932, dir + "out"), errPath = Wide(932, dir + "err");
  SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
  HANDLE out = CreateFileW(outPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr);
  HANDLE err = CreateFileW(errPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr);
  HANDLE readEnd, writeEnd;
  CreatePipe(&readEnd, &writeEnd, nullptr, 1 << 16);
  Inheritable(readEnd);

  std::wstring exe = Wide(932, CliDirectory() + CLI_NAME);
  std::wstring line = Quote(exe);
  for (const std::string& a : args) line += L" " + Quote(Wide(CP_UTF8, a));
  STARTUPINFOW si = {};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdInput = readEnd;
  si.hStdOutput = out;
  si.hStdError = err;
  PROCESS_INFORMATION pi;
  BOOL started = CreateProcessW(exe.c_str(), &line[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi);
  CloseHandle(readEnd);
  CloseHandle(out);
  CloseHandle(err);
  if (!started) {
    CloseHandle(writeEnd);
    run.err = "could not start sorrel-cli";
    return run;
  }
  DWORD written;
  WriteFile(writeEnd, input.data(), (DWORD)input.size(), &written, nullptr);
  CloseHandle(writeEnd);
  WaitForSingleObject(pi.hProcess, INFINITE);
  DWORD status = 0;
  GetExitCodeProcess(pi.hProcess, &status);
  CloseHandle(pi.hProcess);
  CloseHandle(pi.hThread);
  run.status = (int)status;
  run.out = ReadBytes(dir + "out");
  run.err = ReadBytes(dir + "err");
  return run;
}

#else

std::string Terminal(const std::string& utf8) { return utf8; }

std::string Utf8FromCp932(const std::string& cp932) { return Convert("UTF-8", "CP932", cp932); }

bool MakeDirectory(const std::string& cp932) { return mkdir(Utf8FromCp932(cp932).c_str(), 0700) == 0; }

CliRun RunCli(const std::vector<std::string>& args, const std::string& input) {
  CliRun run;
  std::string dir = ScratchDir("cli-run");
  std::string exe = Utf8FromCp932(CliDirectory() + CLI_NAME);
  int in[2];
  if (pipe(in) != 0) return run;
  pid_t pid = fork();
  if (pid == 0) {
    dup2(in[0], 0);
    close(in[0]);
    close(in[1]);
    if (!freopen((dir + "out").c_str(), "wb", stdout) || !freopen((dir + "err").c_str(), "wb", stderr)) _exit(127);
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(exe.c_str()));
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    setenv("LC_ALL", "ja_JP.UTF-8", 1);
    execv(exe.c_str(), argv.data());
    _exit(127);
  }
  close(in[0]);
  signal(SIGPIPE, SIG_IGN);  // a program that stops early leaves the pipe unread
  // The input is small: it fits the pipe, so writing it whole cannot block.
  ssize_t ignored = write(in[1], input.data(), input.size());
  (void)ignored;
  close(in[1]);
  int status = 0;
  waitpid(pid, &status, 0);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  run.out = ReadBytes(dir + "out");
  run.err = ReadBytes(dir + "err");
  return run;
}

#endif
