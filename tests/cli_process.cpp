#include "cli_process.h"

#include <stdio.h>
#include <string.h>

#include <atomic>

#include "settings.h"
#include "test_files.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <iconv.h>
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

// The environment block of a child: this one's, without the locale
// variables, and with what language and environment ask for.
std::wstring ChildEnvironment(CliLanguage language, const std::vector<std::string>& environment) {
  std::vector<std::string> changes = {"LC_ALL", "LC_MESSAGES", "LANG", "LANGUAGE"};
  if (language == CLI_ENGLISH) changes.push_back("LC_ALL=C.UTF-8");
  changes.insert(changes.end(), environment.begin(), environment.end());
  std::vector<std::wstring> variables;
  wchar_t* block = GetEnvironmentStringsW();
  for (const wchar_t* p = block; *p; p += wcslen(p) + 1) variables.push_back(p);
  FreeEnvironmentStringsW(block);
  for (const std::string& change : changes) {
    const std::wstring wide = Wide(CP_UTF8, change);
    const std::wstring name = wide.substr(0, wide.find(L'=')) + L"=";
    for (size_t i = variables.size(); i-- > 0;) {
      if (_wcsnicmp(variables[i].c_str(), name.c_str(), name.size()) == 0) variables.erase(variables.begin() + i);
    }
    if (wide.find(L'=') != std::wstring::npos) variables.push_back(wide);
  }
  std::wstring out;
  for (const std::wstring& v : variables) out += v + L'\0';
  return out + L'\0';
}

CliRun RunCli(const std::vector<std::string>& args, const std::string& input, CliLanguage language,
              const std::vector<std::string>& environment) {
  CliRun run;
  // A folder of its own for every run: Wine may still be deleting the last
  // run's files when the next one would make them again.
  static std::atomic<int> runs;
  std::string dir = ScratchDir("cli-run-" + std::to_string(++runs));
  if (!WriteBytes(dir + "in", input)) {
    run.err = "could not write sorrel-cli's input";
    return run;
  }
  std::wstring outPath = Wide(932, dir + "out"), errPath = Wide(932, dir + "err"), inPath = Wide(932, dir + "in");
  SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
  HANDLE out = CreateFileW(outPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr);
  HANDLE err = CreateFileW(errPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr);
  HANDLE in = CreateFileW(inPath.c_str(), GENERIC_READ, FILE_SHARE_READ, &inherit, OPEN_EXISTING, 0, nullptr);

  std::wstring exe = Wide(932, CliDirectory() + CLI_NAME);
  std::wstring line = Quote(exe);
  for (const std::string& a : args) line += L" " + Quote(Wide(CP_UTF8, a));
  std::wstring block = ChildEnvironment(language, environment);
  STARTUPINFOW si = {};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdInput = in;
  si.hStdOutput = out;
  si.hStdError = err;
  PROCESS_INFORMATION pi;
  BOOL started = CreateProcessW(exe.c_str(), &line[0], nullptr, nullptr, TRUE, CREATE_UNICODE_ENVIRONMENT, &block[0],
                                nullptr, &si, &pi);
  CloseHandle(out);
  CloseHandle(err);
  if (!started) {
    CloseHandle(in);
    run.err = "could not start sorrel-cli";
    return run;
  }
  WaitForSingleObject(pi.hProcess, INFINITE);
  DWORD status = 0;
  GetExitCodeProcess(pi.hProcess, &status);
  CloseHandle(pi.hProcess);
  CloseHandle(pi.hThread);
  // The child's handle shared this one's file position.
  LARGE_INTEGER zero = {}, position = {};
  if (SetFilePointerEx(in, zero, &position, FILE_CURRENT)) run.inputRead = (long)position.QuadPart;
  CloseHandle(in);
  run.status = (int)status;
  run.out = ReadBytes(dir + "out");
  run.err = ReadBytes(dir + "err");
  return run;
}

#else

std::string Terminal(const std::string& utf8) { return utf8; }

std::string Utf8FromCp932(const std::string& cp932) { return Convert("UTF-8", "CP932", cp932); }

bool MakeDirectory(const std::string& cp932) { return mkdir(Utf8FromCp932(cp932).c_str(), 0700) == 0; }

CliRun RunCli(const std::vector<std::string>& args, const std::string& input, CliLanguage language,
              const std::vector<std::string>& environment) {
  CliRun run;
  // Runs from other threads at once each have a folder of their own.
  static std::atomic<int> threads;
  thread_local const int slot = threads++;
  std::string dir = ScratchDir(slot ? "cli-run-" + std::to_string(slot) : "cli-run");
  std::string exe = Utf8FromCp932(CliDirectory() + CLI_NAME);
  if (!WriteBytes(dir + "in", input)) return run;
  int in = open((dir + "in").c_str(), O_RDONLY);
  if (in < 0) return run;
  pid_t pid = fork();
  if (pid == 0) {
    dup2(in, 0);
    close(in);
    if (!freopen((dir + "out").c_str(), "wb", stdout) || !freopen((dir + "err").c_str(), "wb", stderr)) _exit(127);
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(exe.c_str()));
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    unsetenv("LANGUAGE");
    setenv("LC_ALL", language == CLI_JAPANESE ? "ja_JP.UTF-8" : "C.UTF-8", 1);
    for (const std::string& e : environment) {
      const size_t equals = e.find('=');
      if (equals == std::string::npos) {
        unsetenv(e.c_str());
      } else {
        setenv(e.substr(0, equals).c_str(), e.substr(equals + 1).c_str(), 1);
      }
    }
    execv(exe.c_str(), argv.data());
    _exit(127);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  // The child's descriptor shared this one's file offset.
  run.inputRead = (long)lseek(in, 0, SEEK_CUR);
  close(in);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  run.out = ReadBytes(dir + "out");
  run.err = ReadBytes(dir + "err");
  return run;
}

#endif
