// Windows: a console is read and written in UTF-16, so no code page stands in
// the way; pipes and files carry the console's code pages. Every conversion
// refuses substitution, but for an argument only shown.
#include <errno.h>
#include <stdio.h>
#include <string.h>
#include <wchar.h>
#include <windows.h>
// After windows.h.
#include <shellapi.h>

#include "code_page.h"
#include "console.h"
#include "settings.h"
#include "text.h"
#include "translate.h"

namespace {

HANDLE g_input = INVALID_HANDLE_VALUE;
DWORD g_savedMode = 0;
volatile LONG g_echoOff = 0;

void RestoreConsole() {
  if (InterlockedExchange(&g_echoOff, 0)) SetConsoleMode(g_input, g_savedMode);
}

BOOL WINAPI OnControl(DWORD) {
  RestoreConsole();
  return FALSE;  // and let the default handler end the process
}

bool IsConsole(HANDLE handle) {
  DWORD mode;
  return handle != INVALID_HANDLE_VALUE && handle != nullptr && GetConsoleMode(handle, &mode);
}

// The code page of bytes that come through a pipe or go to a file.
UINT StreamCodePage(bool input) {
  UINT cp = input ? GetConsoleCP() : GetConsoleOutputCP();
  return cp ? cp : GetACP();
}

char g_unmappable[16] = "";

// The first character of in that code page cp lacks, by its code point.
void NameUnmappable(UINT cp, const wchar_t* in, int inLength) {
  g_unmappable[0] = 0;
  for (int i = 0; i < inLength;) {
    const bool pair = IS_HIGH_SURROGATE(in[i]) && i + 1 < inLength && IS_LOW_SURROGATE(in[i + 1]);
    const int n = pair ? 2 : 1;
    char piece[8];
    BOOL usedDefault = FALSE;
    if (in[i] == 0 ||
        WideCharToMultiByte(cp, WC_NO_BEST_FIT_CHARS, in + i, n, piece, sizeof piece, nullptr, &usedDefault) == 0 ||
        usedDefault) {
      const unsigned long c = pair ? 0x10000ul + (((unsigned long)in[i] - 0xD800) << 10) + (in[i + 1] - 0xDC00) : in[i];
      snprintf(g_unmappable, sizeof g_unmappable, "U+%04lX", c);
      return;
    }
    i += n;
  }
}

ConsoleResult FromCodePageResult(CodePageResult r) {
  return r == CODE_PAGE_OK ? CONSOLE_OK : r == CODE_PAGE_TOO_LONG ? CONSOLE_TOO_LONG : CONSOLE_UNMAPPABLE;
}

// UTF-16 to code page cp, refusing any character cp cannot hold exactly.
ConsoleResult FromWide(UINT cp, const wchar_t* in, int inLength, char* out, size_t capacity) {
  const CodePageResult r = CodePageFromWide(cp, in, inLength, out, capacity, LACK_REFUSED);
  if (r == CODE_PAGE_UNMAPPABLE && cp != CP_UTF8 && cp != CP_UTF7) NameUnmappable(cp, in, inLength);
  return FromCodePageResult(r);
}

// Code page cp to UTF-16; invalid sequences are refused.
ConsoleResult ToWide(UINT cp, const char* in, int inLength, wchar_t* out, int capacity, int* length) {
  return FromCodePageResult(WideFromCodePage(cp, in, inLength, out, capacity, length));
}

ConsoleResult WriteTo(DWORD which, const char* text) {
  HANDLE handle = GetStdHandle(which);
  static wchar_t wide[8192];
  int length;
  ConsoleResult r = ToWide(CODE_PAGE_ENGINE, text, (int)strlen(text), wide, 8192, &length);
  if (r != CONSOLE_OK) return r;
  if (IsConsole(handle)) {
    DWORD written;
    return WriteConsoleW(handle, wide, (DWORD)length, &written, nullptr) && written == (DWORD)length ? CONSOLE_OK
                                                                                                     : CONSOLE_FAILED;
  }
  static char bytes[16384];
  r = FromWide(StreamCodePage(false), wide, length, bytes, sizeof bytes);
  if (r != CONSOLE_OK) return r;
  DWORD size = (DWORD)strlen(bytes), written = 0;
  return WriteFile(handle, bytes, size, &written, nullptr) && written == size ? CONSOLE_OK : CONSOLE_FAILED;
}

// Echo goes off before the prompt shows, so nothing typed ahead is echoed.
bool EchoOff(HANDLE input) {
  DWORD mode;
  if (!GetConsoleMode(input, &mode)) return false;
  g_input = input;
  g_savedMode = mode;
  InterlockedExchange(&g_echoOff, 1);
  if (SetConsoleMode(input, (mode | ENABLE_LINE_INPUT | ENABLE_PROCESSED_INPUT) & ~(DWORD)ENABLE_ECHO_INPUT)) {
    return true;
  }
  InterlockedExchange(&g_echoOff, 0);
  return false;
}

// One line from a console; the line in UTF-16 without its ending.
ConsoleResult ReadConsoleLine(HANDLE input, wchar_t* line, int capacity, int* length) {
  *length = 0;
  ConsoleResult r = CONSOLE_OK;
  bool ended = false, tooLong = false, gotAny = false;
  while (!ended) {
    wchar_t chunk[256];
    DWORD n = 0;
    if (!ReadConsoleW(input, chunk, 256, &n, nullptr)) {
      r = CONSOLE_FAILED;
      break;
    }
    if (n == 0) break;
    gotAny = true;
    for (DWORD i = 0; i < n && !ended; ++i) {
      if (chunk[i] == L'\n') {
        ended = true;
      } else if (*length < capacity) {
        line[(*length)++] = chunk[i];
      } else {
        tooLong = true;
      }
    }
    WipeMemory(chunk, sizeof chunk);
  }
  if (r == CONSOLE_OK && !gotAny) r = CONSOLE_END;
  if (r == CONSOLE_OK && tooLong) r = CONSOLE_TOO_LONG;
  if (*length > 0 && line[*length - 1] == L'\r') --*length;
  return r;
}

// One line from a pipe or file, in the console's input code page.
ConsoleResult ReadStreamLine(HANDLE input, wchar_t* line, int capacity, int* length) {
  static char bytes[4 * 1024];
  size_t used = 0;
  bool tooLong = false, gotAny = false;
  ConsoleResult r = CONSOLE_OK;
  while (true) {
    char c;
    DWORD n = 0;
    // A pipe whose writer has gone reports a broken pipe: the end of input.
    if (!ReadFile(input, &c, 1, &n, nullptr) || n == 0) break;
    gotAny = true;
    if (c == '\n') break;
    if (used < sizeof bytes) {
      bytes[used++] = c;
    } else {
      tooLong = true;
    }
  }
  if (used > 0 && bytes[used - 1] == '\r') --used;
  if (!gotAny) {
    r = CONSOLE_END;
  } else if (tooLong) {
    r = CONSOLE_TOO_LONG;
  } else {
    r = ToWide(StreamCodePage(true), bytes, (int)used, line, capacity, length);
  }
  WipeMemory(bytes, sizeof bytes);
  return r;
}

}  // namespace

const char* ConsoleUnmappableName() { return g_unmappable; }

void ConsoleStart() { SetConsoleCtrlHandler(OnControl, TRUE); }

ConsoleResult ConsoleArguments(int, char**, char (*out)[CLI_ARGUMENT_CAPACITY], int* count, int* failed) {
  // The ANSI argv has been through a best-fit conversion already; the UTF-16
  // command line has not.
  *count = 0;
  *failed = 0;
  int argc = 0;
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (!wide) return CONSOLE_FAILED;
  ConsoleResult r = argc > CLI_MAX_ARGUMENTS ? CONSOLE_TOO_LONG : CONSOLE_OK;
  for (int i = 0; r == CONSOLE_OK && i < argc; ++i) {
    if (i == 0) {
      CopyText(out[0], CLI_ARGUMENT_CAPACITY, "sorrel-cli");
    } else {
      r = FromWide(CODE_PAGE_ENGINE, wide[i], (int)wcslen(wide[i]), out[i], CLI_ARGUMENT_CAPACITY);
      if (r != CONSOLE_OK) *failed = i;
    }
  }
  LocalFree(wide);
  if (r == CONSOLE_OK) *count = argc;
  return r;
}

void ConsoleArgumentShown(int, char**, int index, char* out, size_t capacity) {
  out[0] = 0;
  int argc = 0;
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (!wide) return;
  if (index >= 0 && index < argc) {
    // Only shown: '?' for what code page 932 lacks, with no best fit, so é stays unlike e.
    CodePageFromWide(CODE_PAGE_ENGINE, wide[index], (int)wcslen(wide[index]), out, capacity, LACK_QUESTION_MARK);
  }
  LocalFree(wide);
}

bool ConsoleInputIsTerminal() { return IsConsole(GetStdHandle(STD_INPUT_HANDLE)); }

namespace {

ConsoleResult ReadLine(const char* prompt, char* out, size_t capacity, bool hideEcho) {
  out[0] = 0;
  HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
  static wchar_t line[TEXT_CAPACITY * 2];
  int length = 0;
  ConsoleResult r;
  if (IsConsole(input)) {
    if (hideEcho && !EchoOff(input)) return CONSOLE_FAILED;
    r = ConsoleWriteError(prompt);
    if (r == CONSOLE_OK) r = ReadConsoleLine(input, line, TEXT_CAPACITY * 2, &length);
    if (hideEcho) {
      RestoreConsole();
      ConsoleWriteError("\n");  // the Enter key was not echoed
    }
  } else {
    r = ReadStreamLine(input, line, TEXT_CAPACITY * 2, &length);
  }
  // A zero byte would end the line early, unseen.
  if (r == CONSOLE_OK && wmemchr(line, L'\0', (size_t)length)) {
    r = CONSOLE_UNMAPPABLE;
    CopyText(g_unmappable, sizeof g_unmappable, "U+0000");
  }
  if (r == CONSOLE_OK) r = FromWide(CODE_PAGE_ENGINE, line, length, out, capacity);
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

ConsoleResult ConsoleWriteOut(const char* text) { return WriteTo(STD_OUTPUT_HANDLE, text); }

ConsoleResult ConsoleWriteError(const char* text) { return WriteTo(STD_ERROR_HANDLE, text); }

bool ConsoleAbsolutePath(const char* path, char* out) {
  DWORD n = GetFullPathNameA(path, PATH_CAPACITY, out, nullptr);
  if (n == 0 || n >= PATH_CAPACITY) {
    out[0] = 0;
    return false;
  }
  return true;
}

bool ConsoleUserSettingsPath(char* out) {
  out[0] = 0;
  return false;
}

bool ConsoleMakeParentFolders(const char*) { return false; }

int ConsoleFolderError(const char* path) {
  char folder[PATH_CAPACITY];
  SplitDirectory(path, folder, sizeof folder);
  const DWORD attributes = GetFileAttributesA(folder[0] ? folder : ".");
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    const DWORD error = GetLastError();
    return error == ERROR_ACCESS_DENIED ? EACCES : ENOENT;
  }
  return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? 0 : ENOTDIR;
}

void ConsoleSystemReason(int error, char* out, size_t capacity) {
  // The C runtime's texts are English whatever the language: the usual ones
  // are translated here, in the C library's words.
  const char* text = nullptr;
  switch (error) {
    case ENOENT:
      text = _("No such file or directory");
      break;
    case EACCES:
      text = _("Permission denied");
      break;
    case ENOSPC:
      text = _("No space left on device");
      break;
    case EEXIST:
      text = _("File exists");
      break;
    case EISDIR:
      text = _("Is a directory");
      break;
    case ENOTDIR:
      text = _("Not a directory");
      break;
    case EROFS:
      text = _("Read-only file system");
      break;
    case EINVAL:
      text = _("Invalid argument");
      break;
    case EMFILE:
      text = _("Too many open files");
      break;
    case EIO:
      text = _("Input/output error");
      break;
    case ENAMETOOLONG:
      text = _("File name too long");
      break;
    case EILSEQ:
      text = _("Invalid or incomplete multibyte or wide character");
      break;
    case EPERM:
      text = _("Operation not permitted");
      break;
    case EBUSY:
      text = _("Device or resource busy");
      break;
    case EFBIG:
      text = _("File too large");
      break;
    default:
      text = strerror(error);
      break;
  }
  CopyText(out, capacity, text);
}

ConsoleResult ConsoleToTerminal(const char* text, char* out, size_t capacity) {
  static wchar_t wide[8192];
  int length;
  ConsoleResult r = ToWide(CODE_PAGE_ENGINE, text, (int)strlen(text), wide, 8192, &length);
  if (r != CONSOLE_OK) return r;
  HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
  if (IsConsole(output)) {
    // A console shows any UTF-16; only the 932 form is asked for.
    CopyText(out, capacity, text);
    return strlen(text) < capacity ? CONSOLE_OK : CONSOLE_TOO_LONG;
  }
  return FromWide(StreamCodePage(false), wide, length, out, capacity);
}

ConsoleResult ConsoleFromTerminal(const char* text, char* out, size_t capacity) {
  // A program's ANSI arguments are in the system's code page.
  static wchar_t wide[CLI_ARGUMENT_CAPACITY];
  int length;
  ConsoleResult r = ToWide(CP_ACP, text, (int)strlen(text), wide, CLI_ARGUMENT_CAPACITY, &length);
  return r == CONSOLE_OK ? FromWide(CODE_PAGE_ENGINE, wide, length, out, capacity) : r;
}

ConsoleResult ConsoleUtf8FromCp932(const char* cp932, char* out, size_t capacity) {
  return FromCodePageResult(Recode(CODE_PAGE_ENGINE, CP_UTF8, cp932, out, capacity));
}

ConsoleResult ConsoleCp932FromUtf8(const char* utf8, char* out, size_t capacity) {
  return FromCodePageResult(Recode(CP_UTF8, CODE_PAGE_ENGINE, utf8, out, capacity));
}
