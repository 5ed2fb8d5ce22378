// The terminal: its encoding, arguments, typed secrets and output. Everything
// crossing this interface is code page 932; conversion from and to the
// terminal's encoding happens inside, and refuses what it cannot map.
#pragma once

#include <stddef.h>

enum {
  CLI_MAX_ARGUMENTS = 32,
  CLI_ARGUMENT_CAPACITY = 1024,
};

enum ConsoleResult {
  CONSOLE_OK,
  CONSOLE_UNMAPPABLE,  // a character code page 932 (or the terminal) cannot hold
  CONSOLE_TOO_LONG,    // does not fit the buffer
  CONSOLE_END,         // no input left
  CONSOLE_FAILED,      // the system refused a read or write
};

// The character the last conversion to code page 932 refused, as "U+00E9";
// "" when it was not found.
const char* ConsoleUnmappableName();

// Locale and terminal set-up; restores the terminal if the process is stopped
// by a signal while echo is off.
void ConsoleStart();

// The arguments as code page 932 text, into fixed buffers; argv[0] included.
// On failure *failed is the argument that failed (0 when none in particular).
ConsoleResult ConsoleArguments(int argc, char** argv, char (*out)[CLI_ARGUMENT_CAPACITY], int* count, int* failed);

// Argument index for a message: code page 932, each character it cannot
// hold shown as '?'.
void ConsoleArgumentShown(int argc, char** argv, int index, char* out, size_t capacity);

// True when standard input is a terminal: prompts shown, echo turned off.
bool ConsoleInputIsTerminal();

// One line of standard input into out (code page 932, no line ending). On a
// terminal the prompt goes to standard error first and nothing is echoed.
ConsoleResult ConsoleReadSecret(const char* prompt, char* out, size_t capacity);

// The same with echo left on, for text that is typed while read from paper.
ConsoleResult ConsoleReadLine(const char* prompt, char* out, size_t capacity);

// Writes code page 932 text to standard output or standard error.
ConsoleResult ConsoleWriteOut(const char* text);
ConsoleResult ConsoleWriteError(const char* text);

// A full path for a code page 932 path, in out (260 bytes).
bool ConsoleAbsolutePath(const char* path, char* out);

// The settings file in the user's configuration folder, in out (260 bytes):
// $XDG_CONFIG_HOME/sorrel/setting.ini, else $HOME/.config/sorrel/setting.ini.
// False when neither names an absolute folder, and always on Windows, whose
// programs keep setting.ini beside them.
bool ConsoleUserSettingsPath(char* out);

// Makes the missing folders above path, for the user alone.
bool ConsoleMakeParentFolders(const char* path);

// 0 when the folder that would hold a file at path exists, else why not (an
// errno value: ENOENT, ENOTDIR, ...).
int ConsoleFolderError(const char* path);

// The system's reason for an errno value, in the user's language, as code
// page 932 in out.
void ConsoleSystemReason(int error, char* out, size_t capacity);

// For tests and show-settings: the terminal form of code page 932 text.
ConsoleResult ConsoleToTerminal(const char* text, char* out, size_t capacity);

// Text in the terminal's encoding, as the shell gives a word to complete, in
// code page 932.
ConsoleResult ConsoleFromTerminal(const char* text, char* out, size_t capacity);

// sites.txt is UTF-8: code page 932 text to UTF-8 and back, refusing what the
// other cannot hold.
ConsoleResult ConsoleUtf8FromCp932(const char* cp932, char* out, size_t capacity);
ConsoleResult ConsoleCp932FromUtf8(const char* utf8, char* out, size_t capacity);
