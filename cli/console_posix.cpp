// Linux: the terminal speaks the locale's encoding (UTF-8 in practice).
#include <errno.h>
#include <iconv.h>
#include <langinfo.h>
#include <limits.h>
#include <locale.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>
#include <wchar.h>

#include "console.h"
#include "settings.h"
#include "text.h"
#include "translate.h"

namespace {

char g_terminalCodeset[64] = "UTF-8";

// Set while echo is off, so that a signal can put the terminal back.
volatile sig_atomic_t g_echoOff = 0;
struct termios g_savedTerminal;

ConsoleResult Convert(const char* to, const char* from, const char* in, size_t inLength, char* out, size_t capacity) {
  iconv_t cd = iconv_open(to, from);
  if (cd == (iconv_t)-1) return CONSOLE_FAILED;
  char* src = const_cast<char*>(in);
  size_t srcLeft = inLength;
  char* dst = out;
  size_t dstLeft = capacity - 1;
  size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
  int error = errno;
  if (r != (size_t)-1) r = iconv(cd, nullptr, nullptr, &dst, &dstLeft);  // flush any shift state
  iconv_close(cd);
  if (r == (size_t)-1) {
    out[0] = 0;
    return error == E2BIG ? CONSOLE_TOO_LONG : CONSOLE_UNMAPPABLE;
  }
  // glibc counts a character it replaced as irreversible: that is a substitution.
  if (r != 0) {
    out[0] = 0;
    return CONSOLE_UNMAPPABLE;
  }
  *dst = 0;
  return CONSOLE_OK;
}

char g_unmappable[16] = "";

// The first character of in that code page 932 lacks, by its code point.
void NameUnmappable(const char* in, size_t inLength) {
  g_unmappable[0] = 0;
  mbstate_t state;
  memset(&state, 0, sizeof state);
  while (inLength > 0) {
    wchar_t c = 0;
    size_t n = mbrtowc(&c, in, inLength, &state);
    if (n == (size_t)-1 || n == (size_t)-2) return;  // not even text of the terminal's encoding
    if (n == 0) n = 1;
    char piece[16];
    if (Convert("CP932", g_terminalCodeset, in, n, piece, sizeof piece) != CONSOLE_OK || c == 0) {
      snprintf(g_unmappable, sizeof g_unmappable, "U+%04lX", (unsigned long)c);
      return;
    }
    in += n;
    inLength -= n;
  }
}

ConsoleResult ToCp932(const char* in, size_t inLength, char* out, size_t capacity) {
  ConsoleResult r = Convert("CP932", g_terminalCodeset, in, inLength, out, capacity);
  if (r == CONSOLE_UNMAPPABLE) NameUnmappable(in, inLength);
  return r;
}

void RestoreTerminal() {
  if (g_echoOff) {
    tcsetattr(STDIN_FILENO, TCSANOW, &g_savedTerminal);
    g_echoOff = 0;
  }
}

void OnSignal(int signal) {
  RestoreTerminal();
  struct sigaction action;
  memset(&action, 0, sizeof action);
  action.sa_handler = SIG_DFL;
  sigaction(signal, &action, nullptr);
  raise(signal);
}

ConsoleResult WriteAll(FILE* stream, const char* text) {
  char converted[8192];
  ConsoleResult r = ConsoleToTerminal(text, converted, sizeof converted);
  if (r != CONSOLE_OK) return r;
  size_t n = strlen(converted);
  bool ok = fwrite(converted, 1, n, stream) == n && fflush(stream) == 0;
  return ok ? CONSOLE_OK : CONSOLE_FAILED;
}

}  // namespace

const char* ConsoleUnmappableName() { return g_unmappable; }

void ConsoleStart() {
  setlocale(LC_CTYPE, "");
  const char* codeset = nl_langinfo(CODESET);
  // Without a locale the codeset is plain ASCII; UTF-8 holds ASCII and is what
  // a terminal without one most likely sends.
  if (codeset && codeset[0] && strcmp(codeset, "ANSI_X3.4-1968") != 0 && strcmp(codeset, "ASCII") != 0) {
    CopyText(g_terminalCodeset, sizeof g_terminalCodeset, codeset);
  }
  struct sigaction action;
  memset(&action, 0, sizeof action);
  action.sa_handler = OnSignal;
  const int signals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};
  for (int s : signals) sigaction(s, &action, nullptr);
}

ConsoleResult ConsoleArguments(int argc, char** argv, char (*out)[CLI_ARGUMENT_CAPACITY], int* count, int* failed) {
  *count = 0;
  *failed = 0;
  if (argc > CLI_MAX_ARGUMENTS) return CONSOLE_TOO_LONG;
  for (int i = 0; i < argc; ++i) {
    ConsoleResult r = i == 0 ? CONSOLE_OK : ToCp932(argv[i], strlen(argv[i]), out[i], CLI_ARGUMENT_CAPACITY);
    if (i == 0) CopyText(out[0], CLI_ARGUMENT_CAPACITY, "sorrel-cli");
    if (r != CONSOLE_OK) {
      *failed = i;
      return r;
    }
  }
  *count = argc;
  return CONSOLE_OK;
}

void ConsoleArgumentShown(int argc, char** argv, int index, char* out, size_t capacity) {
  out[0] = 0;
  if (index < 0 || index >= argc) return;
  // A character at a time, as many bytes as make one in the terminal's encoding.
  mbstate_t state;
  memset(&state, 0, sizeof state);
  const char* p = argv[index];
  size_t left = strlen(p);
  while (left > 0) {
    size_t n = mbrlen(p, left, &state);
    if (n == (size_t)-1 || n == (size_t)-2 || n == 0) {
      n = 1;
      memset(&state, 0, sizeof state);
    }
    char piece[16];
    if (ToCp932(p, n, piece, sizeof piece) != CONSOLE_OK) CopyText(piece, sizeof piece, "?");
    if (!AppendText(out, capacity, piece)) return;
    p += n;
    left -= n;
  }
}

bool ConsoleInputIsTerminal() { return isatty(STDIN_FILENO) == 1; }

namespace {

ConsoleResult ReadLine(const char* prompt, char* out, size_t capacity, bool hideEcho) {
  out[0] = 0;
  const bool terminal = ConsoleInputIsTerminal();
  if (terminal && !hideEcho) {
    ConsoleResult r = ConsoleWriteError(prompt);
    if (r != CONSOLE_OK) return r;
  } else if (terminal) {
    // Echo goes off before the prompt shows, so nothing typed ahead is echoed.
    struct termios quiet;
    if (tcgetattr(STDIN_FILENO, &g_savedTerminal) != 0) return CONSOLE_FAILED;
    quiet = g_savedTerminal;
    quiet.c_lflag &= ~(tcflag_t)ECHO;
    quiet.c_lflag |= ECHONL;  // the Enter key still moves to the next line
    g_echoOff = 1;
    if (tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet) != 0) {
      g_echoOff = 0;
      return CONSOLE_FAILED;
    }
    ConsoleResult r = ConsoleWriteError(prompt);
    if (r != CONSOLE_OK) {
      RestoreTerminal();
      return r;
    }
  }

  // Byte by byte, unbuffered: no copy of the secret stays in a stdio buffer,
  // and nothing past this line is taken from a pipe.
  // Room for the longest line whose code page 932 form still fits out: a
  // half-width katakana takes three bytes in UTF-8 and one in code page 932.
  char line[4 * 1024];
  size_t used = 0;
  bool tooLong = false, gotAny = false, failed = false, gotLineFeed = false;
  while (true) {
    char c;
    ssize_t n = read(STDIN_FILENO, &c, 1);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) failed = true;
    if (n <= 0) break;
    gotAny = true;
    if (c == '\n') {
      gotLineFeed = true;
      break;
    }
    if (used < sizeof line - 1) {
      line[used++] = c;
    } else {
      tooLong = true;
    }
  }
  RestoreTerminal();
  // Input ended (Ctrl-D) with the cursor still after the prompt or the text.
  if (terminal && !failed && !gotLineFeed) ConsoleWriteError("\n");
  if (used > 0 && line[used - 1] == '\r') --used;

  ConsoleResult r = CONSOLE_OK;
  if (failed) {
    r = CONSOLE_FAILED;
  } else if (!gotAny) {
    r = CONSOLE_END;
  } else if (tooLong) {
    r = CONSOLE_TOO_LONG;
  } else if (memchr(line, 0, used)) {
    r = CONSOLE_UNMAPPABLE;  // a zero byte would end the secret early, unseen
    CopyText(g_unmappable, sizeof g_unmappable, "U+0000");
  } else {
    r = ToCp932(line, used, out, capacity);
  }
  WipeMemory(line, sizeof line);
  if (r != CONSOLE_OK) WipeMemory(out, capacity);
  return r;
}

}  // namespace

ConsoleResult ConsoleReadSecret(const char* prompt, char* out, size_t capacity) {
  return ReadLine(prompt, out, capacity, true);
}

ConsoleResult ConsoleReadLine(const char* prompt, char* out, size_t capacity) {
  return ReadLine(prompt, out, capacity, false);
}

ConsoleResult ConsoleWriteOut(const char* text) { return WriteAll(stdout, text); }

ConsoleResult ConsoleWriteError(const char* text) { return WriteAll(stderr, text); }

bool ConsoleAbsolutePath(const char* path, char* out) {
  char native[PATH_MAX];
  if (Convert("UTF-8", "CP932", path, strlen(path), native, sizeof native) != CONSOLE_OK) return false;
  char full[PATH_MAX * 2];
  if (native[0] == '/') {
    CopyText(full, sizeof full, native);
  } else {
    if (!getcwd(full, PATH_MAX)) return false;
    if (!AppendText(full, sizeof full, "/") || !AppendText(full, sizeof full, native)) return false;
  }
  // Tidy "." and ".." where the file exists; a path to be created stays as joined.
  char resolved[PATH_MAX];
  if (realpath(full, resolved)) CopyText(full, sizeof full, resolved);
  return Convert("CP932", "UTF-8", full, strlen(full), out, PATH_CAPACITY) == CONSOLE_OK;
}

bool ConsoleUserSettingsPath(char* out) {
  out[0] = 0;
  // A relative $XDG_CONFIG_HOME is to be ignored, as the base directory rules say.
  const char* base = getenv("XDG_CONFIG_HOME");
  const char* below = "/sorrel/setting.ini";
  if (!base || base[0] != '/') {
    base = getenv("HOME");
    below = "/.config/sorrel/setting.ini";
  }
  if (!base || base[0] != '/') return false;
  char native[PATH_MAX];
  CopyText(native, sizeof native, base);
  return AppendText(native, sizeof native, below) &&
         Convert("CP932", "UTF-8", native, strlen(native), out, PATH_CAPACITY) == CONSOLE_OK;
}

bool ConsoleMakeParentFolders(const char* path) {
  char native[PATH_MAX];
  if (Convert("UTF-8", "CP932", path, strlen(path), native, sizeof native) != CONSOLE_OK) return false;
  char* last = strrchr(native, '/');
  if (!last || last == native) return true;
  *last = 0;
  for (char* p = native + 1;; ++p) {
    if (*p != '/' && *p != 0) continue;
    const char end = *p;
    *p = 0;
    if (mkdir(native, 0700) != 0 && errno != EEXIST) return false;
    *p = end;
    if (!end) return true;
  }
}

int ConsoleFolderError(const char* path) {
  char native[PATH_MAX];
  if (Convert("UTF-8", "CP932", path, strlen(path), native, sizeof native) != CONSOLE_OK) return EILSEQ;
  char* last = strrchr(native, '/');
  if (!last) {
    CopyText(native, sizeof native, ".");
  } else if (last == native) {
    native[1] = 0;
  } else {
    *last = 0;
  }
  struct stat st;
  if (stat(native, &st) != 0) return errno;
  return S_ISDIR(st.st_mode) ? 0 : ENOTDIR;
}

void ConsoleSystemReason(int error, char* out, size_t capacity) {
  // The C library's text, in its own translation and the locale's encoding.
  const char* text = strerror(error);
  if (Convert("CP932", g_terminalCodeset, text, strlen(text), out, capacity) != CONSOLE_OK) {
    snprintf(out, capacity, _("system error %d"), error);
  }
}

ConsoleResult ConsoleToTerminal(const char* text, char* out, size_t capacity) {
  return Convert(g_terminalCodeset, "CP932", text, strlen(text), out, capacity);
}

ConsoleResult ConsoleFromTerminal(const char* text, char* out, size_t capacity) {
  return ToCp932(text, strlen(text), out, capacity);
}

ConsoleResult ConsoleUtf8FromCp932(const char* cp932, char* out, size_t capacity) {
  return Convert("UTF-8", "CP932", cp932, strlen(cp932), out, capacity);
}

ConsoleResult ConsoleCp932FromUtf8(const char* utf8, char* out, size_t capacity) {
  return Convert("CP932", "UTF-8", utf8, strlen(utf8), out, capacity);
}
