// new-key: the key creation dialog's rules, match first, then length.
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
  const int count = CreateKey(g_keyBytes, g_keyPassword);
  if (count == 0) {
    Report(_("the key could not be made: the system gave no random bytes"));
    return EXIT_FAILED;
  }
  errno = 0;
  if (!WriteKeyFile(options.newKeyPath, g_keyBytes, count)) {
    ReportFileError(_("the key file could not be written"), options.newKeyPath, errno);
    return EXIT_FAILED;
  }
  return ReportWritten(_("key file written"), options.newKeyPath,
                       _("back it up: a copy kept elsewhere, or 'sorrel-cli export-key --key FILE' printed on "
                         "paper"))
             ? EXIT_OK
             : EXIT_FAILED;
}
