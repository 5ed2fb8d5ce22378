// new-key: the key creation dialog's rules, match first, then length.
#include <string.h>

#include "commands.h"
#include "key_input.h"
#include "keyfile.h"
#include "messages.h"
#include "report.h"
#include "secrets.h"

namespace {

enum {
  MIN_KEY_PASSWORD = 8,
  // The dialog takes at most 63 bytes of its field.
  MAX_KEY_PASSWORD = 63,
};

}  // namespace

int RunNewKey(const CliOptions& options) {
  if (!MayWriteKeyFile(options.newKeyPath, options.force)) return EXIT_FAILED;
  ConsoleResult r = ConsoleReadSecret(PROMPT_KEY_PASSWORD, g_keyPassword, TEXT_CAPACITY);
  if (r == CONSOLE_OK) r = ConsoleReadSecret(PROMPT_KEY_PASSWORD_CONFIRM, g_keyPasswordConfirm, TEXT_CAPACITY);
  if (r != CONSOLE_OK) {
    ReportConsole(r, "key password");
    return EXIT_FAILED;
  }
  if (strcmp(g_keyPassword, g_keyPasswordConfirm) != 0) {
    Report(MSG_KEY_PASSWORDS_DIFFER);
    return EXIT_FAILED;
  }
  const size_t length = strlen(g_keyPassword);
  if (length < MIN_KEY_PASSWORD) {
    Report(MSG_NEW_KEY_PASSWORD_TOO_SHORT);
    return EXIT_FAILED;
  }
  // The dialog would cut a longer one and mask the key with the cut text, which
  // the full key password typed later never unmasks: refused instead of cut.
  if (length > MAX_KEY_PASSWORD) {
    Report("the key password is too long: at most 63 bytes (a Japanese character takes 2)");
    return EXIT_FAILED;
  }
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
