// change-key-password: the same key under a new key password, in the form it
// has. Every password stays as it was; only the key file's bytes change.
// Anything refused or failed leaves the key file as it was.
#include <string.h>

#include "commands.h"
#include "key_input.h"
#include "key_password_change.h"
#include "key_rewrite.h"
#include "messages.h"
#include "report.h"
#include "secrets.h"
#include "text.h"
#include "translate.h"

namespace {

// The key file's new bytes into g_changedKey: a sealed key sealed again with
// its parameters and derivation (a fresh salt and nonce), an original one
// masked with the new key password.
bool ChangeOpenedKey(int count) {
  const char* same =
      _("the new key password must differ from the current one (the current one would still open the key)");
  if (g_openedKey.sealed) {
    if (strcmp(g_keyPassword, g_newKeyPassword) == 0) {
      Report(same);
      return false;
    }
    const SealParameters params = ResealParameters(g_openedKey.seal);
    const SealStatus status = SealOpenedKey(g_openedKey, g_newKeyPassword, params, g_changedKey);
    ReportSeal(status, params.memoryKiB);
    return status == SEAL_OK;
  }
  switch (ChangeKeyPassword(g_keyBytes, count, g_keyPassword, g_newKeyPassword, g_changedKey)) {
    case KEY_CHANGE_OK:
      return true;
    case KEY_CHANGE_SAME:
      Report(same);
      return false;
    default:
      // The checks above have refused every other case already.
      Report(_("the key could not be masked with the new key password"));
      return false;
  }
}

}  // namespace

int RunChangeKeyPassword(const CliOptions& options) {
  char keyPath[PATH_CAPACITY];
  if (!MayKeepOld(options.keepOldPath)) return EXIT_FAILED;
  const int count = ReadKeyAndKeyPassword(options, keyPath, _("the key password is not changed"));
  if (count == 0) return EXIT_FAILED;

  if (!ReadNewKeyPassword(PromptNewKeyPassword(), PromptNewKeyPasswordAgain(), g_newKeyPassword)) {
    return EXIT_FAILED;
  }
  if (!ChangeOpenedKey(count)) return EXIT_FAILED;

  if (!RewriteKeyFile(keyPath, options.keepOldPath, count, count)) return EXIT_FAILED;
  const bool ok =
      ConsoleWriteOut(_("the key password is changed: every password stays the same\n"
                        "copies of the old key file and paper backups made before still open with the "
                        "old key password: destroy them, or make new ones (sorrel-cli export-key)\n")) == CONSOLE_OK &&
      SayOldKept(options.keepOldPath);
  return ok ? EXIT_OK : EXIT_FAILED;
}
