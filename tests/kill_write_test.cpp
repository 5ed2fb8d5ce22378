// A writer killed in the middle of a write (SIGKILL, TerminateProcess): the
// previous file is intact and complete, and at most the temporary is left.
#include <gtest/gtest.h>
#include <string.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include "fault_count.h"
#include "keyfile.h"
#include "kill_write_data.h"
#include "platform.h"
#include "settings.h"
#include "test_files.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace {

std::string OnlyTemporary(const std::string& dir) {
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    if (entry.path().extension() == ".tmp") return entry.path().string();
  }
  return "";
}

bool WaitFor(const std::string& path) {
  for (int i = 0; i < 3000; ++i) {
    if (Exists(path)) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

// Starts the helper, waits until it is blocked mid-write and kills it.
// False when it never got there.
bool RunAndKill(const char* mode, const std::string& path) {
  const std::string ready = path + KILL_READY_SUFFIX;
#ifdef _WIN32
  char exe[PATH_CAPACITY];
  if (!GetModuleDirectory(exe)) return false;
  std::string helper = std::string(exe) + "kill_write_helper.exe";
  std::string command = "\"" + helper + "\" " + mode + " \"" + path + "\"";
  STARTUPINFOA si;
  memset(&si, 0, sizeof si);
  si.cb = sizeof si;
  PROCESS_INFORMATION pi;
  if (!CreateProcessA(helper.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
    return false;
  bool blocked = WaitFor(ready);
  TerminateProcess(pi.hProcess, 9);
  WaitForSingleObject(pi.hProcess, INFINITE);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return blocked;
#else
  std::string helper = (std::filesystem::read_symlink("/proc/self/exe").parent_path() / "kill_write_helper").string();
  pid_t pid = fork();
  if (pid == 0) {
    execl(helper.c_str(), helper.c_str(), mode, path.c_str(), (char*)nullptr);
    _exit(127);
  }
  if (pid < 0) return false;
  bool blocked = WaitFor(ready);
  kill(pid, SIGKILL);
  int status = 0;
  waitpid(pid, &status, 0);
  return blocked && WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
#endif
}

struct Case {
  const char* mode;
  const char* fileName;
  std::string newData;
};

}  // namespace

TEST(KillMidWrite, LeavesThePreviousFileAndAtMostATemporary) {
  SettingsRecord record;
  SetDefaultSettings(&record, "C:\\keys\\new.key");
  const Case cases[] = {
      {"key", "my.key", KillKeyData()},
      {"settings", "setting.ini", std::string((const char*)&record, sizeof record)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mode);
    std::string dir = ScratchDir(std::string("kill-") + c.mode);
    std::string path = dir + c.fileName;
    std::string previous(KEY_FILE_SIZE, 0);
    for (size_t i = 0; i < previous.size(); ++i) previous[i] = (char)(255 - i);
    ASSERT_TRUE(WriteBytes(path, previous));

    ASSERT_TRUE(RunAndKill(c.mode, path)) << "the helper did not block mid-write";
    ++g_realFaults;
    EXPECT_TRUE(ReadBytes(path) == previous);
    unsigned char key[KEY_BUFFER_SIZE];
    EXPECT_EQ(ReadKeyFile(path.c_str(), key), KEY_FILE_SIZE);

    // The dead writer's temporary, if any, holds a part of the new data only.
    ASSERT_LE(CountTemporaries(dir), 1);
    std::string stale = OnlyTemporary(dir);
    if (!stale.empty()) {
      std::string partial = ReadBytes(stale);
      EXPECT_LT(partial.size(), c.newData.size());
      EXPECT_TRUE(partial == c.newData.substr(0, partial.size()));
    }

    // A stale temporary is a stranger's file: the next write neither reads,
    // replaces nor removes it, and succeeds beside it.
    const std::string next(KEY_FILE_SIZE, 'n');
    ASSERT_TRUE(WriteKeyFile(path.c_str(), (const unsigned char*)next.data(), (int)next.size()));
    EXPECT_TRUE(ReadBytes(path) == next);
    EXPECT_EQ(CountTemporaries(dir), stale.empty() ? 0 : 1);
  }
}
