// Failure messages on standard error, and the exit statuses.
#pragma once

#include "args.h"
#include "console.h"

enum {
  EXIT_OK = 0,
  EXIT_FAILED = 1,
  EXIT_USAGE = 2,
};

// "sorrel-cli: TEXT[: DETAIL]" and a line feed; code page 932 in.
void Report(const char* text, const char* detail = nullptr);

// What went wrong reading input or writing output; what names the input.
void ReportConsole(ConsoleResult result, const char* what);

// Code page 932 text for the terminal as it stands, or, when the terminal
// cannot show it or it holds control characters (a file written by other
// means may hold any bytes), with its bytes as \xNN rather than not at all.
void PrintableText(const char* text, char* out, size_t capacity);

// Set in the Linux package build: the default settings file is in the user's
// configuration folder, as the program's own folder is no place for it.
extern bool g_settingsInUserConfig;

// The settings file a command uses: --settings, else the default one: in the
// user's configuration folder or, as for the dialog program, setting.ini
// beside the executable.
bool SettingsPathFor(const CliOptions& options, char* out);
