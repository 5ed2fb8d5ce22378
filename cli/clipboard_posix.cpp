// Linux: the clipboard belongs to the display server, reached through
// wl-copy and wl-paste on Wayland, else xclip or xsel on X11. sorrel-cli
// starts itself afresh as a detached process, hands it the text through a
// pipe and waits only until it has copied; that process clears the clipboard
// later if the clipboard still holds the text.
#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/wait.h>
#include <unistd.h>

#include "clipboard.h"
#include "console.h"
#include "text.h"

const char CLIPBOARD_CLEARER_ARGUMENT[] = "--clear-clipboard";

namespace {

enum {
  TEXT_LIMIT = 4096,
  // How long a paste may wait for the clipboard's owner to answer.
  PASTE_TIMEOUT_MS = 5000,
};

struct Tool {
  const char* display;  // the environment variable naming its display
  const char* copy[5];  // reads the text from standard input
  const char* paste[5];
  const char* clear[5];  // none: copying an empty text clears
};

const Tool TOOLS[] = {
    {"WAYLAND_DISPLAY", {"wl-copy"}, {"wl-paste", "--no-newline"}, {"wl-copy", "--clear"}},
    {"DISPLAY", {"xclip", "-selection", "clipboard", "-in"}, {"xclip", "-selection", "clipboard", "-out"}, {}},
    {"DISPLAY",
     {"xsel", "--clipboard", "--input"},
     {"xsel", "--clipboard", "--output"},
     {"xsel", "--clipboard", "--clear"}},
};
const int TOOL_COUNT = sizeof TOOLS / sizeof TOOLS[0];

bool HasDisplay(const Tool& tool) {
  const char* value = getenv(tool.display);
  return value && value[0];
}

bool InPath(const char* name) {
  const char* path = getenv("PATH");
  char candidate[4096];
  for (const char* p = path ? path : ""; *p;) {
    const char* end = strchr(p, ':');
    const size_t n = end ? (size_t)(end - p) : strlen(p);
    if (n > 0 && n + 1 + strlen(name) < sizeof candidate) {
      memcpy(candidate, p, n);
      candidate[n] = '/';
      strcpy(candidate + n + 1, name);
      if (access(candidate, X_OK) == 0) return true;
    }
    if (!end) break;
    p = end + 1;
  }
  return false;
}

void OpenNull(int fd, int flags) {
  int null = open("/dev/null", flags);
  if (null >= 0 && null != fd) {
    dup2(null, fd);
    close(null);
  }
}

bool WriteAll(int fd, const char* data, size_t size) {
  while (size > 0) {
    ssize_t n = write(fd, data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    size -= (size_t)n;
  }
  return true;
}

// Up to capacity bytes until the end of input; the number of bytes there
// were, which may exceed capacity. Gives up when nothing comes for a while.
size_t ReadAll(int fd, char* out, size_t capacity, bool* timedOut) {
  size_t total = 0;
  *timedOut = false;
  while (true) {
    struct pollfd ready = {fd, POLLIN, 0};
    int r = poll(&ready, 1, PASTE_TIMEOUT_MS);
    if (r < 0 && errno == EINTR) continue;
    if (r == 0) *timedOut = true;
    if (r <= 0) break;
    char chunk[512];
    ssize_t n = read(fd, chunk, sizeof chunk);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    for (ssize_t i = 0; i < n; ++i, ++total)
      if (total < capacity) out[total] = chunk[i];
    WipeMemory(chunk, sizeof chunk);
  }
  return total;
}

// Runs a tool with input (or /dev/null) on its standard input and, when
// output is given, its standard output read into output. Its exit status; -1
// when it did not run, did not end, or did not answer.
int RunTool(const char* const* argv, const char* input, size_t inputLength, char* output, size_t capacity,
            size_t* outputLength) {
  int in[2] = {-1, -1}, out[2] = {-1, -1};
  if (input && pipe(in) != 0) return -1;
  if (output && pipe(out) != 0) {
    if (input) close(in[0]), close(in[1]);
    return -1;
  }
  pid_t pid = fork();
  if (pid == 0) {
    if (input) {
      dup2(in[0], STDIN_FILENO);
      close(in[0]);
      close(in[1]);
    } else {
      OpenNull(STDIN_FILENO, O_RDONLY);
    }
    // Never the command's own output: a copying tool stays behind to serve the
    // clipboard, and would keep a reader of that output waiting.
    if (output) {
      dup2(out[1], STDOUT_FILENO);
      close(out[0]);
      close(out[1]);
    } else {
      OpenNull(STDOUT_FILENO, O_WRONLY);
    }
    OpenNull(STDERR_FILENO, O_WRONLY);
    execvp(argv[0], const_cast<char* const*>(argv));
    _exit(127);
  }
  if (input) close(in[0]);
  if (output) close(out[1]);
  bool ok = pid > 0;
  if (input) {
    ok = ok && WriteAll(in[1], input, inputLength);
    close(in[1]);
  }
  if (output) {
    bool timedOut = false;
    *outputLength = ok ? ReadAll(out[0], output, capacity, &timedOut) : 0;
    close(out[0]);
    if (timedOut) {
      kill(pid, SIGKILL);
      ok = false;
    }
  }
  if (pid <= 0) return -1;
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  return ok && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Starts the clearing process, detached, with the text on a pipe; true once
// it says the text is on the clipboard.
bool StartClearer(int tool, int seconds, const char* text, size_t length) {
  int in[2], answer[2];
  if (pipe(in) != 0) return false;
  if (pipe(answer) != 0) {
    close(in[0]);
    close(in[1]);
    return false;
  }
  char secondsText[16], toolText[16];
  snprintf(secondsText, sizeof secondsText, "%d", seconds);
  snprintf(toolText, sizeof toolText, "%d", tool);
  pid_t pid = fork();
  if (pid == 0) {
    // A session of its own and no parent but init: the command returns at
    // once, and closing the terminal does not end it.
    setsid();
    if (fork() != 0) _exit(0);
    dup2(in[0], STDIN_FILENO);
    dup2(answer[1], STDOUT_FILENO);
    OpenNull(STDERR_FILENO, O_WRONLY);
    for (int fd = 3; fd < 1024; ++fd) close(fd);
    const char* argv[] = {"sorrel-cli", CLIPBOARD_CLEARER_ARGUMENT, secondsText, toolText, nullptr};
    execv("/proc/self/exe", const_cast<char* const*>(argv));
    _exit(127);
  }
  close(in[0]);
  close(answer[1]);
  bool ok = pid > 0 && WriteAll(in[1], text, length);
  close(in[1]);
  char reply = 0;
  bool timedOut = false;
  ok = ok && ReadAll(answer[0], &reply, 1, &timedOut) == 1 && reply == 'y';
  close(answer[0]);
  if (pid > 0) waitpid(pid, nullptr, 0);
  return ok;
}

// The first tool that has its display and its programs; -1 when none has.
int ChooseTool(ClipResult* why) {
  bool display = false;
  for (int i = 0; i < TOOL_COUNT; ++i) {
    if (!HasDisplay(TOOLS[i])) continue;
    display = true;
    if (InPath(TOOLS[i].copy[0]) && InPath(TOOLS[i].paste[0])) return i;
  }
  *why = display ? CLIP_NO_TOOL : CLIP_NO_DISPLAY;
  return -1;
}

}  // namespace

ClipResult ClipboardReady() {
  ClipResult why = CLIP_OK;
  ChooseTool(&why);
  return why;
}

ClipResult CopyToClipboard(const char* text, int seconds, const char** toolName) {
  *toolName = "";
  signal(SIGPIPE, SIG_IGN);  // a tool that ends early leaves its pipe unread
  ClipResult why = CLIP_OK;
  const int chosen = ChooseTool(&why);
  if (chosen < 0) return why;
  *toolName = TOOLS[chosen].copy[0];

  static char terminal[TEXT_LIMIT];
  ClipResult r = CLIP_UNMAPPABLE;
  if (ConsoleToTerminal(text, terminal, sizeof terminal) == CONSOLE_OK) {
    r = StartClearer(chosen, seconds, terminal, strlen(terminal)) ? CLIP_OK : CLIP_FAILED;
  }
  WipeMemory(terminal, sizeof terminal);
  return r;
}

int RunClipboardClearer(int argc, char** argv) {
  signal(SIGPIPE, SIG_IGN);
  const int seconds = argc == 4 ? atoi(argv[2]) : 0;
  const int tool = argc == 4 ? atoi(argv[3]) : -1;
  if (seconds < 1 || tool < 0 || tool >= TOOL_COUNT) return 2;
  static char text[TEXT_LIMIT], pasted[TEXT_LIMIT];
  bool timedOut = false;
  const size_t length = ReadAll(STDIN_FILENO, text, sizeof text, &timedOut);
  OpenNull(STDIN_FILENO, O_RDONLY);
  const bool copied =
      !timedOut && length < sizeof text && RunTool(TOOLS[tool].copy, text, length, nullptr, 0, nullptr) == 0;
  const char reply = copied ? 'y' : 'n';
  WriteAll(STDOUT_FILENO, &reply, 1);
  OpenNull(STDOUT_FILENO, O_WRONLY);  // the command stops waiting

  if (copied) {
    for (unsigned left = (unsigned)seconds; left > 0;) left = sleep(left);
    size_t n = 0;
    if (RunTool(TOOLS[tool].paste, nullptr, 0, pasted, sizeof pasted, &n) == 0 && n == length &&
        memcmp(pasted, text, length) == 0) {
      if (TOOLS[tool].clear[0]) {
        RunTool(TOOLS[tool].clear, nullptr, 0, nullptr, 0, nullptr);
      } else {
        RunTool(TOOLS[tool].copy, "", 0, nullptr, 0, nullptr);
      }
    }
  }
  WipeMemory(text, sizeof text);
  WipeMemory(pasted, sizeof pasted);
  return copied ? 0 : 1;
}
