// Writers that fail part-way, through the fault hook and for real: the call says
// false, the previous file stays byte for byte, and no temporary is left behind.
#include <gtest/gtest.h>
#include <stdio.h>
#include <string.h>

#include <filesystem>
#include <string>
#include <vector>

#include "fault_count.h"
#include "keyfile.h"
#include "platform.h"
#include "safe_write.h"
#include "settings.h"
#include "test_files.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

int g_faultsInjected = 0;
int g_realFaults = 0;

namespace {

class FaultReport : public ::testing::Environment {
  void TearDown() override {
    printf("faults injected through the hook: %d; real failures caused: %d\n", g_faultsInjected, g_realFaults);
  }
};
::testing::Environment* const g_report = ::testing::AddGlobalTestEnvironment(new FaultReport);

}  // namespace

namespace {

// The hook fails exactly one call, the failAt-th, and records every step asked.
int g_failAt = -1;
int g_calls = 0;
std::vector<FileStep> g_trace;

bool FailOneStep(FileStep step) {
  g_trace.push_back(step);
  bool fail = g_calls++ == g_failAt;
  if (fail) ++g_faultsInjected;
  return fail;
}

struct Hook {
  explicit Hook(int failAt) {
    g_failAt = failAt;
    g_calls = 0;
    g_trace.clear();
    g_fileFaultHook = FailOneStep;
  }
  ~Hook() { g_fileFaultHook = nullptr; }
};

std::string Record(const char* keyPath) {
  SettingsRecord r;
  SetDefaultSettings(&r, keyPath);
  return std::string((const char*)&r, sizeof r);
}

SettingsRecord AsRecord(const std::string& bytes) {
  SettingsRecord r;
  memcpy(&r, bytes.data(), sizeof r);
  return r;
}

std::string Pattern(size_t size, unsigned seed) {
  std::string s(size, 0);
  for (size_t i = 0; i < size; ++i) s[i] = (char)((i * 31 + seed) ^ (i >> 8));
  return s;
}

bool SaveBeside(const std::string&, const std::string& data) { return SaveSettings(AsRecord(data)); }
bool SaveAt(const std::string& path, const std::string& data) { return SaveSettingsTo(path.c_str(), AsRecord(data)); }
bool WriteKey(const std::string& path, const std::string& data) {
  return WriteKeyFile(path.c_str(), (const unsigned char*)data.data(), (int)data.size());
}

std::string SettingsPathBesideExecutable() {
  char path[PATH_CAPACITY];
  return GetSettingsPath(path) ? path : "";
}

// Temporaries in the executable's directory, whose name is code page 932 (表).
int TemporariesBesideExecutable() {
#ifdef _WIN32
  char dir[PATH_CAPACITY];
  if (!GetModuleDirectory(dir)) return -1;
  std::string pattern = std::string(dir) + "*.tmp";
  WIN32_FIND_DATAA found;
  HANDLE h = FindFirstFileA(pattern.c_str(), &found);
  if (h == INVALID_HANDLE_VALUE) return 0;
  int n = 0;
  do ++n;
  while (FindNextFileA(h, &found));
  FindClose(h);
  return n;
#else
  return CountTemporaries(std::filesystem::read_symlink("/proc/self/exe").parent_path().string());
#endif
}

struct Writer {
  const char* name;
  bool besideExecutable;  // SaveSettings: the path is fixed
  const char* fileName;
  std::string data;
  bool (*write)(const std::string& path, const std::string& data);
};

std::vector<Writer> Writers() {
  std::string key = Pattern(KEY_FILE_SIZE - 1, 5) + std::string(1, 0);
  key[7] = 0;  // a masked byte may be zero
  return {
      {"SaveSettings", true, "", Record("C:\\\x95\x5c\\k.key"), SaveBeside},
      {"SaveSettingsTo", false, "setting.ini", Record("C:\\keys\\k.key"), SaveAt},
      {"WriteKeyFile", false, "my.key", key, WriteKey},
      {"WriteKeyFile, many pieces", false, "big.key", Pattern(40000, 9), WriteKey},
      {"WriteKeyFile, empty", false, "empty.key", "", WriteKey},
  };
}

class FaultTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = ScratchDir("fault");
    PlatformRemoveFile(SettingsPathBesideExecutable().c_str());
  }
  void TearDown() override {
    g_fileFaultHook = nullptr;
    PlatformRemoveFile(SettingsPathBesideExecutable().c_str());
  }
  std::string PathOf(const Writer& w) {
    return w.besideExecutable ? SettingsPathBesideExecutable() : dir_ + w.fileName;
  }
  int Temporaries(const Writer& w) {
    return w.besideExecutable ? TemporariesBesideExecutable() : CountTemporaries(dir_);
  }

  std::string dir_;
};

}  // namespace

TEST_F(FaultTest, EveryStepPassesThroughTheHook) {
  for (const Writer& w : Writers()) {
    std::string path = PathOf(w);
    Hook hook(-1);
    ASSERT_TRUE(w.write(path, w.data)) << w.name;
    EXPECT_TRUE(ReadBytes(path) == w.data) << w.name;
    ASSERT_FALSE(g_trace.empty());
    EXPECT_EQ(g_trace.front(), FILE_STEP_OPEN) << w.name;
    EXPECT_EQ(g_trace.back(), FILE_STEP_REPLACE) << w.name;
    int writes = 0, flushes = 0, closes = 0;
    for (FileStep s : g_trace) {
      writes += s == FILE_STEP_WRITE;
      flushes += s == FILE_STEP_FLUSH;
      closes += s == FILE_STEP_CLOSE;
    }
    EXPECT_EQ(writes > 0, !w.data.empty()) << w.name;
    EXPECT_EQ(flushes, 1) << w.name;
    EXPECT_EQ(closes, 1) << w.name;
    EXPECT_EQ(Temporaries(w), 0) << w.name;
  }
}

TEST_F(FaultTest, AFailedStepKeepsThePreviousFile) {
  const std::string previous = Pattern(777, 3);
  for (const Writer& w : Writers()) {
    std::string path = PathOf(w);
    size_t steps;
    {
      Hook hook(-1);
      ASSERT_TRUE(w.write(path, w.data));
      steps = g_trace.size();
    }
    for (size_t k = 0; k < steps; ++k) {
      for (bool hadFile : {true, false}) {
        if (hadFile) {
          ASSERT_TRUE(WriteBytes(path, previous));
        } else {
          PlatformRemoveFile(path.c_str());
        }
        bool ok;
        FileStep failed;
        {
          Hook hook((int)k);
          ok = w.write(path, w.data);
          failed = g_trace[k];
        }
        SCOPED_TRACE(std::string(w.name) + ", step " + std::to_string(k) + " (kind " + std::to_string(failed) +
                     (hadFile ? "), over a file" : "), no file before"));
        EXPECT_FALSE(ok);
        if (hadFile) {
          EXPECT_TRUE(ReadBytes(path) == previous);
        } else {
          EXPECT_FALSE(Exists(path));
        }
        EXPECT_EQ(Temporaries(w), 0);
      }
    }
    // Once the fault is gone the same call goes through.
    ASSERT_TRUE(w.write(path, w.data)) << w.name;
    EXPECT_TRUE(ReadBytes(path) == w.data) << w.name;
  }
}

namespace {

void SetReadOnly(const std::string& path, bool readOnly) {
#ifdef _WIN32
  SetFileAttributesA(path.c_str(), readOnly ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_NORMAL);
#else
  chmod(path.c_str(), readOnly ? 0444 : 0644);
#endif
}

}  // namespace

// A key file is irreplaceable: marking it read-only must protect it from a new key.
TEST_F(FaultTest, AReadOnlyTargetIsNotReplaced) {
  const std::string previous = Pattern(KEY_FILE_SIZE, 1);
  for (const Writer& w : Writers()) {
    if (w.besideExecutable) continue;
    std::string path = PathOf(w);
    ASSERT_TRUE(WriteBytes(path, previous));
    SetReadOnly(path, true);
    EXPECT_FALSE(w.write(path, w.data)) << w.name;
    ++g_realFaults;
    EXPECT_TRUE(ReadBytes(path) == previous) << w.name;
    EXPECT_EQ(Temporaries(w), 0) << w.name;
    SetReadOnly(path, false);
  }
}

TEST_F(FaultTest, ADirectoryInTheWayIsNotReplaced) {
  for (const Writer& w : Writers()) {
    if (w.besideExecutable) continue;
    std::string path = PathOf(w);
    std::filesystem::create_directories(path);
    ASSERT_TRUE(WriteBytes(path + "/inside", "kept"));
    EXPECT_FALSE(w.write(path, w.data)) << w.name;
    ++g_realFaults;
    EXPECT_EQ(ReadBytes(path + "/inside"), "kept") << w.name;
    EXPECT_EQ(Temporaries(w), 0) << w.name;
  }
}

#ifndef _WIN32

// No /dev/full case: the writer never writes into its target; aimed at /dev/full
// it would create its temporary in /dev and, as root, rename it over the device.

namespace {

// Runs fn in a child process (after setup there) and returns its result.
bool InChild(void (*setup)(), bool (*fn)(const std::string&, const std::string&), const std::string& path,
             const std::string& data) {
  pid_t pid = fork();
  if (pid == 0) {
    setup();
    _exit(fn(path, data) ? 1 : 0);
  }
  int status = 0;
  if (pid < 0 || waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) > 1) {
    ADD_FAILURE() << "the child did not get to the write";
    return true;
  }
  return WEXITSTATUS(status) == 1;
}

void BecomeNobody() {
  if (setgid(65534) != 0 || setuid(65534) != 0) _exit(2);
}

void LimitFileSize() {
  signal(SIGXFSZ, SIG_IGN);
  struct rlimit limit = {4096, 4096};
  setrlimit(RLIMIT_FSIZE, &limit);
}

bool CanCreateIn(const std::string& dir) {
  std::string probe = dir + "probe";
  int fd = open(probe.c_str(), O_CREAT | O_WRONLY, 0644);
  if (fd < 0) return false;
  close(fd);
  unlink(probe.c_str());
  return true;
}

}  // namespace

TEST_F(FaultTest, ADirectoryWithoutWritePermission) {
  const std::string previous = Pattern(600, 2);
  std::string locked = dir_ + "locked/";
  std::filesystem::create_directories(locked);
  chmod(locked.c_str(), 0555);
  // Root passes permission bits by; then the write is tried as nobody.
  bool bypassed = CanCreateIn(locked);
  if (bypassed && geteuid() != 0) GTEST_SKIP() << "permission bits are not enforced here";
  for (const Writer& w : Writers()) {
    if (w.besideExecutable) continue;
    std::string path = locked + w.fileName;
    chmod(locked.c_str(), 0755);
    ASSERT_TRUE(WriteBytes(path, previous));
    chmod(locked.c_str(), 0555);
    bool ok = bypassed ? InChild(BecomeNobody, w.write, path, w.data) : w.write(path, w.data);
    ++g_realFaults;
    EXPECT_FALSE(ok) << w.name;
    EXPECT_TRUE(ReadBytes(path) == previous) << w.name;
    EXPECT_EQ(CountTemporaries(locked), 0) << w.name;
  }
  chmod(locked.c_str(), 0755);
}

TEST_F(FaultTest, AFileSizeLimitStopsALargeWrite) {
  const std::string previous = Pattern(103, 4);
  std::string path = dir_ + "limited.key";
  ASSERT_TRUE(WriteBytes(path, previous));
  EXPECT_FALSE(InChild(LimitFileSize, WriteKey, path, Pattern(40000, 6)));
  ++g_realFaults;
  EXPECT_TRUE(ReadBytes(path) == previous);
  EXPECT_EQ(CountTemporaries(dir_), 0);
}

class FullFilesystem : public ::testing::Test {
 protected:
  void SetUp() override {
    umount2("scratch/full/mnt", MNT_DETACH);  // left over from an interrupted run
    dir_ = ScratchDir("full") + "mnt/";
    std::filesystem::create_directories(dir_);
    if (mount("sorrel-full", dir_.c_str(), "tmpfs", 0, "size=64k") != 0)
      GTEST_SKIP() << "cannot mount a small file system here";
    mounted_ = true;
  }
  void TearDown() override {
    if (mounted_) umount2(dir_.c_str(), MNT_DETACH);
  }
  // Fills the file system until only about `room` bytes are free (0: none at all).
  void Fill(size_t room) {
    int fd = open((dir_ + "filler").c_str(), O_CREAT | O_WRONLY | O_APPEND, 0644);
    ASSERT_GE(fd, 0);
    char block[1024] = {};
    while (FreeBytes() > room && write(fd, block, sizeof block) > 0) {
    }
    while (room == 0 && write(fd, block, 1) == 1) {
    }
    close(fd);
  }
  size_t FreeBytes() { return (size_t)std::filesystem::space(dir_).available; }

  std::string dir_;
  bool mounted_ = false;
};

TEST_F(FullFilesystem, AWriteThatDoesNotFitKeepsThePreviousFile) {
  const std::string previous = Pattern(KEY_FILE_SIZE, 8);
  const std::string path = dir_ + "my.key";
  const std::string settingsPath = dir_ + "setting.ini";
  ASSERT_TRUE(WriteBytes(path, previous));
  ASSERT_TRUE(WriteBytes(settingsPath, previous));
  Fill(12 * 1024);
  // Room for a key, not for a large file: that one fails part-way.
  EXPECT_FALSE(WriteKey(path, Pattern(40000, 1)));
  ++g_realFaults;
  EXPECT_TRUE(ReadBytes(path) == previous);
  EXPECT_EQ(CountTemporaries(dir_), 0);
  const std::string key = Pattern(KEY_FILE_SIZE, 2);
  EXPECT_TRUE(WriteKey(path, key));
  EXPECT_TRUE(ReadBytes(path) == key);

  Fill(0);
  EXPECT_FALSE(WriteKey(path, previous));
  EXPECT_FALSE(SaveAt(settingsPath, Record("k.key")));
  g_realFaults += 2;
  EXPECT_TRUE(ReadBytes(path) == key);
  EXPECT_TRUE(ReadBytes(settingsPath) == previous);
  EXPECT_EQ(CountTemporaries(dir_), 0);
}

#endif  // _WIN32
