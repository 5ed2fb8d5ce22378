#include "report.h"

#include <stdio.h>

#include "text.h"

void Report(const char* text, const char* detail) {
  char line[2048] = "sorrel-cli: ";
  AppendText(line, sizeof line, text);
  if (detail) {
    AppendText(line, sizeof line, ": ");
    AppendText(line, sizeof line, detail);
  }
  AppendText(line, sizeof line, "\n");
  if (ConsoleWriteError(line) != CONSOLE_OK) {
    // The terminal cannot show the text; the reason in plain ASCII still helps.
    ConsoleWriteError("sorrel-cli: failed (the message cannot be shown in this terminal's encoding)\n");
  }
}

void ReportConsole(ConsoleResult result, const char* what) {
  switch (result) {
    case CONSOLE_OK:
      break;
    case CONSOLE_UNMAPPABLE:
      Report("a character cannot be represented in code page 932 (or in this terminal's encoding)", what);
      break;
    case CONSOLE_TOO_LONG:
      Report("too long", what);
      break;
    case CONSOLE_END:
      Report("no input left", what);
      break;
    case CONSOLE_FAILED:
      Report("the terminal could not be read or written", what);
      break;
  }
}

bool g_settingsInUserConfig = false;

bool SettingsPathFor(const CliOptions& options, char* out) {
  if (options.settingsPath[0]) {
    CopyText(out, PATH_CAPACITY, options.settingsPath);
    return true;
  }
  if (!g_settingsInUserConfig) return GetSettingsPath(out);
  if (ConsoleUserSettingsPath(out)) return true;
  Report("neither $XDG_CONFIG_HOME nor $HOME names a folder for setting.ini in 259 bytes; give --settings FILE");
  return false;
}

void PrintableText(const char* text, char* out, size_t capacity) {
  char probe[4096];
  if (ConsoleToTerminal(text, probe, sizeof probe) == CONSOLE_OK) {
    bool control = false;
    for (const char* p = text; *p; ++p) control = control || (unsigned char)*p < 0x20 || *p == 0x7F;
    if (!control) {
      CopyText(out, capacity, text);
      return;
    }
  }
  out[0] = 0;
  for (const unsigned char* p = (const unsigned char*)text; *p; ++p) {
    char piece[8];
    if (*p >= 0x20 && *p < 0x7F && *p != '\\') {
      snprintf(piece, sizeof piece, "%c", *p);
    } else {
      snprintf(piece, sizeof piece, "\\x%02X", *p);
    }
    if (!AppendText(out, capacity, piece)) return;
  }
}
