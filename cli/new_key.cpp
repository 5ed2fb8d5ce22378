// new-key: the key creation dialog's rules, match first, then length. A new
// key is sealed; --unsealed writes the original form that older copies read.
#include "commands.h"
#include "key_input.h"
#include "keyfile.h"
#include "messages.h"
#include "report.h"
#include "secrets.h"

int RunNewKey(const CliOptions& options) {
  if (!MayWriteKeyFile(options.newKeyPath, options.force)) return EXIT_FAILED;
  if (!ReadNewKeyPassword(PROMPT_KEY_PASSWORD, PROMPT_KEY_PASSWORD_CONFIRM, g_keyPassword)) return EXIT_FAILED;
  int count = 0;
  if (options.unsealed) {
    count = CreateKey(g_changedKey, g_keyPassword);
    if (count == 0) Report(MSG_KEY_CREATE_FAILED);
  } else {
    const SealParameters params = SealParametersFor(options, DefaultSealParameters());
    const SealStatus status = CreateSealedKey(g_keyPassword, params, g_changedKey);
    ReportSeal(status, params.memoryKiB);
    if (status == SEAL_OK) count = SEALED_KEY_SIZE;
  }
  if (count == 0) return EXIT_FAILED;
  if (!WriteKeyFile(options.newKeyPath, g_changedKey, count)) {
    Report("the key file could not be written", options.newKeyPath);
    return EXIT_FAILED;
  }
  return EXIT_OK;
}
