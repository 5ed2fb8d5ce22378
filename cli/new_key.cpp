// new-key: the key creation dialog's rules, match first, then length. A new
// key is sealed; --unsealed writes the original form that older copies read.
#include <errno.h>
#include <stdio.h>

#include "commands.h"
#include "key_input.h"
#include "keyfile.h"
#include "messages.h"
#include "report.h"
#include "secrets.h"
#include "text.h"
#include "translate.h"

int RunNewKey(const CliOptions& options) {
  if (!MayWriteKeyFile(options.newKeyPath, options.force)) return EXIT_FAILED;
  if (!ReadNewKeyPassword(PromptKeyPassword(), PromptKeyPasswordAgain(), g_keyPassword)) return EXIT_FAILED;
  int count = 0;
  if (options.unsealed) {
    count = CreateKey(g_changedKey, g_keyPassword);
    if (count == 0) Report(_("the key could not be made: the system gave no random bytes"));
  } else {
    const SealParameters params = SealParametersFor(options, DefaultSealParameters());
    const SealStatus status = CreateSealedKey(g_keyPassword, params, g_changedKey);
    ReportSeal(status, params.memoryKiB);
    if (status == SEAL_OK) count = SEALED_KEY_SIZE;
  }
  if (count == 0) return EXIT_FAILED;
  errno = 0;
  if (!WriteKeyFile(options.newKeyPath, g_changedKey, count)) {
    ReportFileError(_("the key file could not be written"), options.newKeyPath, errno);
    return EXIT_FAILED;
  }
  if (options.unsealed &&
      ConsoleWriteOut(_("this key file is of the original form, for copies of Sorrel 1.0.0.1 only: a copy of it "
                        "gives every password away to a short search\n")) != CONSOLE_OK) {
    return EXIT_FAILED;
  }
  // A first key: the settings that name it come next, then its backup. new-key
  // takes no --settings: this is the default settings file.
  char settingsPath[PATH_CAPACITY], next[PATH_CAPACITY * 2 + 256];
  const char* backup = _("back it up: a copy kept elsewhere, or 'sorrel-cli export-key --key FILE' printed on paper");
  if (SettingsPathFor(options, settingsPath) && !FileExists(settingsPath)) {
    snprintf(next, sizeof next, _("make the settings that name it with 'sorrel-cli init --key %s'; then %s"),
             options.newKeyPath, backup);
  } else {
    CopyText(next, sizeof next, backup);
  }
  return ReportWritten(_("key file written"), options.newKeyPath, next) ? EXIT_OK : EXIT_FAILED;
}
