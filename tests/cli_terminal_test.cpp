// sorrel-cli on a terminal (a pseudo-terminal here): prompts, no echo of a
// secret, and the terminal as it was afterwards on every way out.
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <string.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "cli_process.h"
#include "key_backup.h"
#include "keyfile.h"
#include "platform.h"
#include "settings.h"
#include "test_files.h"

namespace {

const char KEY_PASSWORD[] = "TypedSecret-1";

struct PseudoTerminal {
  int master = -1, slave = -1;
  pid_t pid = -1;
  std::string seen;

  bool Start(const std::vector<std::string>& args) {
    if (openpty(&master, &slave, nullptr, nullptr, nullptr) != 0) return false;
    std::string exe = Utf8FromCp932(CliDirectory() + "sorrel-cli");
    pid = fork();
    if (pid == 0) {
      setsid();
      ioctl(slave, TIOCSCTTY, 0);
      dup2(slave, 0);
      dup2(slave, 1);
      dup2(slave, 2);
      std::vector<char*> argv{const_cast<char*>(exe.c_str())};
      for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
      argv.push_back(nullptr);
      setenv("LC_ALL", "ja_JP.UTF-8", 1);
      execv(exe.c_str(), argv.data());
      _exit(127);
    }
    return pid > 0;
  }

  size_t Count(const std::string& needle) const {
    size_t n = 0;
    for (size_t at = seen.find(needle); at != std::string::npos; at = seen.find(needle, at + 1)) ++n;
    return n;
  }

  // Reads what the program shows until needle has appeared times times (or 10 s pass).
  bool WaitFor(const std::string& needle, size_t times = 1) {
    for (int waited = 0; Count(needle) < times; ++waited) {
      if (waited > 100) return false;
      pollfd p = {master, POLLIN, 0};
      if (poll(&p, 1, 100) <= 0) continue;
      char buffer[512];
      ssize_t n = read(master, buffer, sizeof buffer);
      if (n <= 0) return false;
      seen.append(buffer, (size_t)n);
    }
    return true;
  }

  bool EchoOn() {
    termios t;
    return tcgetattr(slave, &t) == 0 && (t.c_lflag & ECHO);
  }

  int Wait() {
    int status = 0;
    waitpid(pid, &status, 0);
    // The output left to read; the slave stays open here, so there is no end of file.
    for (pollfd p = {master, POLLIN, 0}; poll(&p, 1, 0) > 0;) {
      char buffer[512];
      ssize_t n = read(master, buffer, sizeof buffer);
      if (n <= 0) break;
      seen.append(buffer, (size_t)n);
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }

  ~PseudoTerminal() {
    if (master >= 0) close(master);
    if (slave >= 0) close(slave);
  }
};

// t.key under KEY_PASSWORD and t.ini naming it, in dir.
void WriteKeyAndSettings(const std::string& dir) {
  unsigned char key[KEY_BUFFER_SIZE];
  ASSERT_EQ(CreateKey(key, KEY_PASSWORD), KEY_FILE_SIZE);
  ASSERT_TRUE(WriteKeyFile((dir + "t.key").c_str(), key, KEY_FILE_SIZE));
  SettingsRecord s;
  SetDefaultSettings(&s, (dir + "t.key").c_str());
  ASSERT_TRUE(SaveSettingsTo((dir + "t.ini").c_str(), s));
}

}  // namespace

TEST(CliTerminal, ShowsNoSecretAndRestoresEchoOnEveryWayOut) {
  const std::string dir = ScratchDir("cli-terminal");
  ASSERT_NO_FATAL_FAILURE(WriteKeyAndSettings(dir));

  struct Case {
    const char* name;
    std::vector<std::string> args;
    std::vector<std::string> typed;  // one line after each prompt
    size_t hidden;                   // prompts for a secret, before that for the pass phrase
    int signal;                      // sent at the last prompt instead of a line
    int status;
  } cases[] = {
      {"generate", {"generate", "--settings", dir + "t.ini", "example.com"}, {KEY_PASSWORD}, 1, 0, 0},
      // The pass phrase shows as typed, as in the dialog program.
      {"pass phrase asked too", {"generate", "--settings", dir + "t.ini"}, {KEY_PASSWORD, "shown-phrase"}, 1, 0, 0},
      {"refused key password", {"generate", "--settings", dir + "t.ini", "abcd"}, {"Short-1"}, 1, 0, 1},
      {"interrupted", {"generate", "--settings", dir + "t.ini", "abcd"}, {}, 1, SIGINT, 128 + SIGINT},
      {"terminated", {"generate", "--settings", dir + "t.ini"}, {KEY_PASSWORD}, 1, SIGTERM, 128 + SIGTERM},
      {"new key", {"new-key", dir + "n.key"}, {"NewSecret-22", "NewSecret-22"}, 2, 0, 0},
  };
  for (const Case& c : cases) {
    PlatformRemoveFile((dir + "n.key").c_str());
    PseudoTerminal t;
    ASSERT_TRUE(t.Start(c.args)) << c.name;
    ASSERT_TRUE(t.EchoOn()) << c.name;
    size_t prompts = c.typed.size() + (c.signal ? 1 : 0);
    for (size_t i = 0; i < prompts; ++i) {
      // The prompts end in a full-width colon.
      ASSERT_TRUE(t.WaitFor(u8"：", i + 1)) << c.name << ": " << t.seen;
      EXPECT_EQ(t.EchoOn(), i >= c.hidden) << c.name << ": echo at prompt " << i;
      if (i < c.typed.size()) {
        std::string line = c.typed[i] + "\n";
        ASSERT_EQ(write(t.master, line.data(), line.size()), (ssize_t)line.size());
      } else {
        kill(t.pid, c.signal);
      }
    }
    EXPECT_EQ(t.Wait(), c.status) << c.name << ": " << t.seen;
    EXPECT_TRUE(t.EchoOn()) << c.name << ": echo stays off";
    for (size_t i = 0; i < c.typed.size(); ++i) {
      EXPECT_EQ(t.seen.find(c.typed[i]) != std::string::npos, i >= c.hidden) << c.name << ": " << t.seen;
    }
  }
}

// Ctrl-D at a prompt: the message starts on a line of its own, for the
// hidden key password and the shown pass phrase alike.
TEST(CliTerminal, EndOfInputAtAPromptEndsThePromptsLine) {
  const std::string dir = ScratchDir("cli-terminal-eof");
  ASSERT_NO_FATAL_FAILURE(WriteKeyAndSettings(dir));
  const std::vector<std::string> typedFirst[] = {{}, {KEY_PASSWORD}};
  for (const std::vector<std::string>& typed : typedFirst) {
    PseudoTerminal t;
    ASSERT_TRUE(t.Start({"generate", "--settings", dir + "t.ini"}));
    for (size_t i = 0; i <= typed.size(); ++i) {
      ASSERT_TRUE(t.WaitFor(u8"：", i + 1)) << t.seen;
      const std::string line = i < typed.size() ? typed[i] + "\n" : "\x04";
      ASSERT_EQ(write(t.master, line.data(), line.size()), (ssize_t)line.size());
    }
    EXPECT_EQ(t.Wait(), 1) << t.seen;
    EXPECT_NE(t.seen.find(u8"：\r\nsorrel-cli: "), std::string::npos) << t.seen;
  }
}

// init --force at a terminal: what changes, then a question where passwords
// would change; no means the settings file stays as it was.
TEST(CliTerminal, InitForceAsksBeforeThePasswordsChange) {
  const std::string dir = ScratchDir("cli-terminal-init");
  unsigned char key[KEY_BUFFER_SIZE];
  ASSERT_EQ(CreateKey(key, KEY_PASSWORD), KEY_FILE_SIZE);
  ASSERT_TRUE(WriteKeyFile((dir + "t.key").c_str(), key, KEY_FILE_SIZE));
  const std::string ini = dir + "t.ini";
  for (const char* answer : {"n", "y"}) {
    SettingsRecord s;
    SetDefaultSettings(&s, (dir + "t.key").c_str());
    ASSERT_TRUE(SaveSettingsTo(ini.c_str(), s));
    const std::string before = ReadBytes(ini);
    PseudoTerminal t;
    ASSERT_TRUE(t.Start({"init", "--force", "--derivation", "2", "--key", dir + "t.key", "--settings", ini}));
    ASSERT_TRUE(t.WaitFor("[y/N] ")) << t.seen;
    EXPECT_LT(t.seen.find(u8"生成方式： 1 -> 2"), t.seen.find("[y/N]")) << t.seen;
    const std::string line = std::string(answer) + "\n";
    ASSERT_EQ(write(t.master, line.data(), line.size()), (ssize_t)line.size());
    EXPECT_EQ(t.Wait(), answer[0] == 'y' ? 0 : 1) << t.seen;
    EXPECT_EQ(ReadBytes(ini) == before, answer[0] == 'n') << answer;
  }
}

// A weak new key password at a terminal: the reason, then a question; only
// yes writes the key.
TEST(CliTerminal, NewKeyAsksBeforeTakingAWeakKeyPassword) {
  const std::string dir = ScratchDir("cli-terminal-weak");
  const std::string key = dir + "w.key";
  for (const char* answer : {"n", "y"}) {
    PlatformRemoveFile(key.c_str());
    PseudoTerminal t;
    ASSERT_TRUE(t.Start({"new-key", "--kdf-memory", "8", "--kdf-passes", "1", key}));
    for (size_t i = 1; i <= 2; ++i) {
      ASSERT_TRUE(t.WaitFor(u8"：", i)) << t.seen;
      ASSERT_EQ(write(t.master, "password\n", 9), 9);
    }
    ASSERT_TRUE(t.WaitFor("[y/N] ")) << t.seen;
    EXPECT_NE(t.seen.find(u8"推測されやすいものです: よく使われるパスワードのひとつ"), std::string::npos) << t.seen;
    const std::string line = std::string(answer) + "\n";
    ASSERT_EQ(write(t.master, line.data(), line.size()), (ssize_t)line.size());
    EXPECT_EQ(t.Wait(), answer[0] == 'y' ? 0 : 1) << t.seen;
    EXPECT_EQ(Exists(key), answer[0] == 'y') << answer;
  }
}

// import-key at a terminal: the text is echoed (it is on paper in front of
// the user anyway), and a line that fails its check is asked for again.
TEST(CliTerminal, ImportKeyAsksAgainForALineThatFails) {
  const std::string dir = ScratchDir("cli-terminal-import");
  unsigned char key[KEY_BUFFER_SIZE];
  ASSERT_EQ(CreateKey(key, KEY_PASSWORD), KEY_FILE_SIZE);
  char backup[BACKUP_TEXT_CAPACITY];
  ASSERT_GT(WriteKeyBackup(key, KEY_FILE_SIZE, backup, sizeof backup), 0u);
  std::vector<std::string> typed;
  for (char* line = strtok(backup, "\n"); line; line = strtok(nullptr, "\n")) {
    if (line[0] == '#') continue;
    if (strncmp(line, "03", 2) == 0) {
      std::string wrong = line;
      std::swap(wrong[4], wrong[5]);
      if (wrong[4] == wrong[5]) wrong[4] = wrong[4] == 'A' ? 'B' : 'A';
      typed.push_back(wrong);
    }
    typed.push_back(line);
  }
  PseudoTerminal t;
  ASSERT_TRUE(t.Start({"import-key", dir + "typed.key"}));
  for (size_t i = 0; i < typed.size(); ++i) {
    ASSERT_TRUE(t.WaitFor("> ", i + 1)) << t.seen;
    EXPECT_TRUE(t.EchoOn());
    std::string line = typed[i] + "\n";
    ASSERT_EQ(write(t.master, line.data(), line.size()), (ssize_t)line.size());
  }
  EXPECT_EQ(t.Wait(), 0) << t.seen;
  EXPECT_NE(t.seen.find(u8"03 の行（入力の 4 行目）: 検査が合いません"), std::string::npos) << t.seen;
  EXPECT_EQ(ReadBytes(dir + "typed.key"), std::string((const char*)key, KEY_FILE_SIZE));
}
