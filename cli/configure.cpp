// configure: the settings given, and every other one kept as it is.
#include <errno.h>
#include <string.h>

#include "commands.h"
#include "key_input.h"
#include "report.h"
#include "settings_text.h"
#include "text.h"
#include "translate.h"

int RunConfigure(const CliOptions& options) {
  char settingsPath[PATH_CAPACITY];
  SettingsRecord before;
  if (!LoadSettingsReported(options, settingsPath, &before, _("make one with 'sorrel-cli init --key FILE'"))) {
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

  int passwordChanges = 0;
  if (ReportSettingChanges(before, after, &passwordChanges) == 0) {
    return ReportWritten(_("nothing to change, nothing written"), settingsPath, nullptr) ? EXIT_OK : EXIT_FAILED;
  }
  errno = 0;
  if (!SaveSettingsTo(settingsPath, after)) {
    ReportFileError(_("the settings file could not be written"), settingsPath, errno);
    return EXIT_FAILED;
  }
  return ReportWritten(_("settings file written"), settingsPath, nullptr) ? EXIT_OK : EXIT_FAILED;
}
