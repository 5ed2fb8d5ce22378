// Messages on standard error, success lines, and the exit statuses. Every
// text comes in already translated (translate.h), as code page 932.
#pragma once

#include "args.h"
#include "console.h"
#include "settings.h"

enum {
  EXIT_OK = 0,
  EXIT_FAILED = 1,
  EXIT_USAGE = 2,
};

// "sorrel-cli: TEXT[: DETAIL]" and a line feed.
void Report(const char* text, const char* detail = nullptr);

// "sorrel-cli: WHAT: PATH: REASON", as a file operation failed.
void ReportFile(const char* what, const char* path, const char* reason);

// The same with the system's reason for error (an errno value); without one
// where error is 0.
void ReportFileError(const char* what, const char* path, int error);

// What went wrong reading input or writing output; what names the input.
void ReportConsole(ConsoleResult result, const char* what);

// Code page 932 text for the terminal as it stands, or, when the terminal
// cannot show it or it holds control characters (a file written by other
// means may hold any bytes), with its bytes as \xNN rather than not at all.
void PrintableText(const char* text, char* out, size_t capacity);

// A command's one line of success on standard output: what it wrote, where,
// and the one thing to do next (nullptr: nothing).
bool ReportWritten(const char* what, const char* path, const char* next);

// Set in the Linux package build: the default settings file is in the user's
// configuration folder, as the program's own folder is no place for it.
extern bool g_settingsInUserConfig;

// The settings file a command uses: --settings, else the default one: in the
// user's configuration folder or, as for the dialog program, setting.ini
// beside the executable.
bool SettingsPathFor(const CliOptions& options, char* out);

// The settings file a command uses (its path in path) into record; false
// (reported, with advice on a line of its own when the file cannot be read)
// when there is none or it is not one.
bool LoadSettingsReported(const CliOptions& options, char* path, SettingsRecord* record, const char* advice);
