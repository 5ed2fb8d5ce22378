// configure: the settings given, and every other one kept as it is.
#include <errno.h>
#include <stdio.h>
#include <string.h>

#include "commands.h"
#include "key_input.h"
#include "messages.h"
#include "report.h"
#include "settings_text.h"
#include "text.h"
#include "translate.h"

namespace {

struct ClassCharsOption {
  const char* given;  // "" when not given
  char* field;
};

// The settings' derivation applies to original keys only: a sealed key names
// its own, which --derivation does not change.
bool SayKeyDerivationStays(const SettingsRecord& settings, int asked) {
  const int keyDerivation = KeyDerivationAt(settings.keyFilePath);
  if (keyDerivation == 0 || keyDerivation == asked) return true;
  char text[768];
  snprintf(text, sizeof text,
           _("the sealed key names derivation %d, which stays in force: the settings' one applies to original "
             "keys only. To change the key's: the settings dialog's box, or 'sorrel-cli seal-key --derivation %d' "
             "(every password of the key changes)\n"),
           keyDerivation, asked);
  return ConsoleWriteOut(text) == CONSOLE_OK;
}

}  // namespace

int RunConfigure(const CliOptions& options) {
  char settingsPath[PATH_CAPACITY];
  SettingsRecord before;
  if (!LoadSettingsReported(options, settingsPath, &before, NoSettingsAdvice())) {
    return EXIT_FAILED;
  }
  SettingsRecord after = before;
  if (options.keyPath[0]) {
    char keyPath[PATH_CAPACITY];
    if (!KeyFileToName(options.keyPath, keyPath)) return EXIT_FAILED;
    // No trace of the old path behind the new one's end.
    memset(after.keyFilePath, 0, sizeof after.keyFilePath);
    CopyText(after.keyFilePath, sizeof after.keyFilePath, keyPath);
  }
  const uint32_t classes = OPT_DIGITS | OPT_LOWER | OPT_UPPER | OPT_SYMBOLS;
  if (options.hasLength) after.passwordLength = options.length;
  if (options.hasClasses) after.optionFlags = (after.optionFlags & ~classes) | options.classFlags;
  if (options.hasClipboard) {
    after.optionFlags = options.clipboard ? after.optionFlags | OPT_CLIPBOARD : after.optionFlags & ~OPT_CLIPBOARD;
  }
  if (options.derivation == 1) after.optionFlags &= ~(uint32_t)OPT_DERIVATION_2;
  if (options.derivation == 2) after.optionFlags |= OPT_DERIVATION_2;

  const ClassCharsOption chars[] = {
      {options.digitChars, after.digitChars},
      {options.lowerChars, after.lowerChars},
      {options.upperChars, after.upperChars},
      {options.symbolChars, after.symbolChars},
  };
  for (const ClassCharsOption& c : chars) {
    if (!c.given[0]) continue;
    // Both derivations read the field up to its zero byte: nothing of the old string may follow.
    memset(c.field, 0, CLASS_CAPACITY);
    CopyText(c.field, CLASS_CAPACITY, c.given);
  }

  int passwordChanges = 0;
  const bool changed = ReportSettingChanges(before, after, &passwordChanges) != 0;
  if (options.derivation && !SayKeyDerivationStays(after, options.derivation)) return EXIT_FAILED;
  if (!changed) {
    return ReportWritten(_("nothing to change, nothing written"), settingsPath, nullptr) ? EXIT_OK : EXIT_FAILED;
  }
  errno = 0;
  if (!SaveSettingsTo(settingsPath, after)) {
    ReportFileError(_("the settings file could not be written"), settingsPath, errno);
    return EXIT_FAILED;
  }
  return ReportWritten(_("settings file written"), settingsPath, nullptr) ? EXIT_OK : EXIT_FAILED;
}
