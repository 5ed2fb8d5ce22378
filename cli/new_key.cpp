// new-key: the key creation dialog's rules, match first, then length.
#include "commands.h"
#include "key_input.h"
#include "keyfile.h"
#include "messages.h"
#include "report.h"
#include "secrets.h"

int RunNewKey(const CliOptions& options) {
  if (!MayWriteKeyFile(options.newKeyPath, options.force)) return EXIT_FAILED;
  if (!ReadNewKeyPassword(PROMPT_KEY_PASSWORD, PROMPT_KEY_PASSWORD_CONFIRM, g_keyPassword)) return EXIT_FAILED;
  const int count = CreateKey(g_keyBytes, g_keyPassword);
  if (count == 0) {
    Report(MSG_KEY_CREATE_FAILED);
    return EXIT_FAILED;
  }
  if (!WriteKeyFile(options.newKeyPath, g_keyBytes, count)) {
    Report("the key file could not be written", options.newKeyPath);
    return EXIT_FAILED;
  }
  return EXIT_OK;
}
