// init: what a first start of the dialog program saves, for an existing key.
#include <stdio.h>

#include "commands.h"
#include "keyfile.h"
#include "messages.h"
#include "platform.h"
#include "report.h"
#include "secrets.h"

int RunInit(const CliOptions& options) {
  char keyPath[PATH_CAPACITY];
  // The dialog program resolves a relative path against its own working
  // directory, which is rarely this one.
  if (!ConsoleAbsolutePath(options.keyPath, keyPath)) {
    Report("the key file's full path cannot be held in 259 bytes of code page 932", options.keyPath);
    return EXIT_FAILED;
  }
  if (ReadKeyFile(keyPath, g_keyBytes) == 0) {
    Report(MSG_KEY_FILE_NOT_READ, keyPath);
    return EXIT_FAILED;
  }

  char settingsPath[PATH_CAPACITY];
  if (!SettingsPathFor(options, settingsPath)) {
    Report(MSG_INIT_FAILED, "the settings path does not fit in 259 bytes");
    return EXIT_FAILED;
  }
  FILE* existing = PlatformOpenFile(settingsPath, "rb");
  if (existing) {
    fclose(existing);
    if (!options.force) {
      Report("the settings file exists; --force replaces it", settingsPath);
      return EXIT_FAILED;
    }
  }

  SettingsRecord record;
  SetDefaultSettings(&record, keyPath);
  // Derivation 1 unless asked: it made the passwords of a key already in use.
  if (options.derivation == 2) record.optionFlags |= OPT_DERIVATION_2;
  // The user's configuration folder may not be there yet.
  const bool inUserConfig = g_settingsInUserConfig && !options.settingsPath[0];
  if ((inUserConfig && !ConsoleMakeParentFolders(settingsPath)) || !SaveSettingsTo(settingsPath, record)) {
    Report(MSG_INIT_FAILED, settingsPath);
    return EXIT_FAILED;
  }
  return EXIT_OK;
}
