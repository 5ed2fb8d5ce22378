#include "report.h"

#include <errno.h>
#include <stdio.h>

#include "platform.h"
#include "text.h"
#include "translate.h"

void Report(const char* text, const char* detail) {
  char line[2048] = "sorrel-cli: ";
  AppendText(line, sizeof line, text);
  if (detail) {
    AppendText(line, sizeof line, ": ");
    AppendText(line, sizeof line, detail);
  }
  AppendText(line, sizeof line, "\n");
  if (ConsoleWriteError(line) != CONSOLE_OK) {
    // The terminal cannot show the text, nor a translation of this: plain
    // ASCII, untranslated on purpose.
    ConsoleWriteError("sorrel-cli: failed (the message cannot be shown in this terminal's encoding)\n");
  }
}

void ReportFile(const char* what, const char* path, const char* reason) {
  char text[1024];
  CopyText(text, sizeof text, what);
  AppendText(text, sizeof text, ": ");
  AppendText(text, sizeof text, path);
  Report(text, reason && reason[0] ? reason : nullptr);
}

void ReportFileError(const char* what, const char* path, int error) {
  char reason[256] = "";
  if (error != 0) ConsoleSystemReason(error, reason, sizeof reason);
  ReportFile(what, path, reason);
}

void ReportConsole(ConsoleResult result, const char* what) {
  switch (result) {
    case CONSOLE_OK:
      break;
    case CONSOLE_UNMAPPABLE:
      if (ConsoleUnmappableName()[0]) {
        // Passwords derive from code page 932 text, as in the dialog program: another character would give
        // another password, so none is put in its place.
        char text[512];
        snprintf(text, sizeof text,
                 _("%s holds the character %s, which code page 932 cannot hold; nothing is derived from a text "
                   "with it: leave it out or use another character"),
                 what, ConsoleUnmappableName());
        Report(text);
      } else {
        Report(_("a character cannot be represented in code page 932 (or in this terminal's encoding)"), what);
      }
      break;
    case CONSOLE_TOO_LONG:
      Report(_("too long"), what);
      break;
    case CONSOLE_END:
      Report(_("no input left"), what);
      break;
    case CONSOLE_FAILED:
      Report(_("the terminal could not be read or written"), what);
      break;
  }
}

bool ReportWritten(const char* what, const char* path, const char* next) {
  char line[2048];
  if (next) {
    snprintf(line, sizeof line, _("%s: %s; next, %s\n"), what, path, next);
  } else {
    snprintf(line, sizeof line, _("%s: %s\n"), what, path);
  }
  return ConsoleWriteOut(line) == CONSOLE_OK;
}

bool g_settingsInUserConfig = false;

bool SettingsPathFor(const CliOptions& options, char* out) {
  if (options.settingsPath[0]) {
    CopyText(out, PATH_CAPACITY, options.settingsPath);
    return true;
  }
  if (!g_settingsInUserConfig) {
    if (GetSettingsPath(out)) return true;
    Report(
        _("the path of setting.ini beside the program does not fit in 259 bytes of code page 932; give "
          "--settings FILE"));
    return false;
  }
  if (ConsoleUserSettingsPath(out)) return true;
  Report(
      _("neither $XDG_CONFIG_HOME nor $HOME names a folder whose setting.ini path fits in 259 bytes of code page "
        "932 (too long, or with a character it lacks); give --settings FILE"));
  return false;
}

bool LoadSettingsReported(const CliOptions& options, char* path, SettingsRecord* record, const char* advice) {
  if (!SettingsPathFor(options, path)) return false;
  errno = 0;
  FILE* file = PlatformOpenFile(path, "rb");
  if (!file) {
    ReportFileError(_("the settings file could not be read"), path, errno);
    if (advice) Report(advice);
    return false;
  }
  unsigned char bytes[SETTINGS_FILE_SIZE];
  const size_t count = fread(bytes, 1, sizeof bytes, file);
  fclose(file);
  if (ReadSettingsRecord(bytes, count, record)) return true;
  char reason[128];
  snprintf(reason, sizeof reason,
           P_("%lu byte, where a settings file has 524", "%lu bytes, where a settings file has 524", count),
           (unsigned long)count);
  ReportFile(_("not a settings file"), path, reason);
  // Reading it again cannot help: another file, or a new one, can.
  Report(
      _("name the right one with --settings FILE, or write a new one with 'sorrel-cli init --key FILE --force' "
        "and give it the length, classes and derivation it had"));
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
