// new-key: the key creation dialog's rules, match first, then length. A new
// key is sealed; --unsealed writes the original form that older copies read.
#include <errno.h>

#include "commands.h"
#include "key_input.h"
#include "keyfile.h"
#include "messages.h"
#include "report.h"
#include "secrets.h"
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
  return ReportWritten(_("key file written"), options.newKeyPath,
                       _("back it up: a copy kept elsewhere, or 'sorrel-cli export-key --key FILE' printed on "
                         "paper"))
             ? EXIT_OK
             : EXIT_FAILED;
}
