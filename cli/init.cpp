// init: what a first start of the dialog program saves, for an existing key.
#include <errno.h>
#include <stdio.h>

#include "commands.h"
#include "key_input.h"
#include "platform.h"
#include "report.h"
#include "secrets.h"
#include "settings_text.h"
#include "translate.h"

namespace {

// What replacing the settings file changes, before it is replaced; at a
// terminal the user says whether to go on where passwords would change.
// Piped input goes on, as scripts always have.
bool MayReplace(const char* settingsPath, const SettingsRecord& record) {
  SettingsRecord old;
  int passwordChanges = 0;
  if (!LoadSettingsFrom(settingsPath, &old) || ReportSettingChanges(old, record, &passwordChanges) == 0) return true;
  if (passwordChanges == 0 || !ConsoleInputIsTerminal()) return true;
  char answer[16];
  const ConsoleResult r =
      ConsoleReadLine(_("With these settings every password comes out differently. Replace the settings file? [y/N] "),
                      answer, sizeof answer);
  if (r == CONSOLE_OK && (answer[0] == 'y' || answer[0] == 'Y')) return true;
  Report(_("the settings file is unchanged"), settingsPath);
  return false;
}

}  // namespace

int RunInit(const CliOptions& options) {
  char keyPath[PATH_CAPACITY];
  if (!KeyFileToName(options.keyPath, keyPath)) return EXIT_FAILED;

  char settingsPath[PATH_CAPACITY];
  if (!SettingsPathFor(options, settingsPath)) return EXIT_FAILED;
  FILE* existing = PlatformOpenFile(settingsPath, "rb");
  if (existing) {
    fclose(existing);
    if (!options.force) {
      Report(_("the settings file exists; 'sorrel-cli configure' changes single settings, --force replaces it"),
             settingsPath);
      return EXIT_FAILED;
    }
  }

  SettingsRecord record;
  SetDefaultSettings(&record, keyPath);
  // Derivation 1 unless asked: it made the passwords of a key already in use.
  if (options.derivation == 2) record.optionFlags |= OPT_DERIVATION_2;
  if (existing && !MayReplace(settingsPath, record)) return EXIT_FAILED;
  // The user's configuration folder may not be there yet.
  const bool inUserConfig = g_settingsInUserConfig && !options.settingsPath[0];
  errno = 0;
  if (inUserConfig && !ConsoleMakeParentFolders(settingsPath)) {
    ReportFileError(_("the settings file's folder could not be made"), settingsPath, errno);
    return EXIT_FAILED;
  }
  errno = 0;
  if (!SaveSettingsTo(settingsPath, record)) {
    ReportFileError(_("the settings file could not be written"), settingsPath, errno);
    return EXIT_FAILED;
  }
  return ReportWritten(_("settings file written"), settingsPath,
                       _("back the key file up if it is not yet: a copy kept elsewhere, or 'sorrel-cli export-key' "
                         "printed on paper"))
             ? EXIT_OK
             : EXIT_FAILED;
}
