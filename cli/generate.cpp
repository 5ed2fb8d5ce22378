// generate: the main window's request, with the settings record's checks in
// the same order and the same texts.
#include <string.h>

#include "commands.h"
#include "derive.h"
#include "keyfile.h"
#include "messages.h"
#include "report.h"
#include "secrets.h"
#include "text.h"

namespace {

enum {
  MIN_KEY_PASSWORD = 8,
  MIN_PASS_PHRASE = 4,
};

bool ReadSecret(const char* prompt, const char* what, char* out) {
  ConsoleResult r = ConsoleReadSecret(prompt, out, TEXT_CAPACITY);
  if (r != CONSOLE_OK) ReportConsole(r, what);
  return r == CONSOLE_OK;
}

}  // namespace

int RunGenerate(const CliOptions& options) {
  char settingsPath[PATH_CAPACITY];
  SettingsRecord settings;
  if (!SettingsPathFor(options, settingsPath) || !LoadSettingsFrom(settingsPath, &settings)) {
    Report("settings file not read (make one with 'sorrel-cli init --key FILE')", settingsPath);
    return EXIT_FAILED;
  }
  const char* keyPath = options.keyPath[0] ? options.keyPath : settings.keyFilePath;
  if (options.hasClasses) {
    settings.optionFlags = (settings.optionFlags & OPT_CLIPBOARD) | options.classFlags;
  }
  const int32_t length = options.hasLength ? options.length : settings.passwordLength;

  // Everything that needs no secret is checked before one is asked for.
  memset(g_keyBytes, 0, sizeof g_keyBytes);
  const int keyCount = ReadKeyFile(keyPath, g_keyBytes);
  if (keyCount == 0) {
    Report(MSG_KEY_FILE_NOT_READ, keyPath);
    return EXIT_FAILED;
  }
  if (options.hasPassPhrase && strlen(options.passPhrase) < MIN_PASS_PHRASE) {
    Report(MSG_PASS_PHRASE_TOO_SHORT);
    return EXIT_FAILED;
  }
  // Above 1023 the dialog program would overrun its 1024-byte result; refused here.
  if (length <= 0 || length > CLI_MAX_LENGTH) {
    Report(MSG_LENGTH_INVALID);
    return EXIT_FAILED;
  }

  if (!ReadSecret(PROMPT_KEY_PASSWORD, "key password", g_keyPassword)) return EXIT_FAILED;
  if (strlen(g_keyPassword) < MIN_KEY_PASSWORD) {
    Report(MSG_KEY_PASSWORD_TOO_SHORT);
    return EXIT_FAILED;
  }
  if (options.hasPassPhrase) {
    CopyText(g_passPhrase, sizeof g_passPhrase, options.passPhrase);
  } else {
    if (!ReadSecret(PROMPT_PASS_PHRASE, "pass phrase", g_passPhrase)) return EXIT_FAILED;
    if (strlen(g_passPhrase) < MIN_PASS_PHRASE) {
      Report(MSG_PASS_PHRASE_TOO_SHORT);
      return EXIT_FAILED;
    }
  }

  memset(g_password, 0, sizeof g_password);
  if (!DerivePassword(settings, g_keyBytes, keyCount, g_keyPassword, g_passPhrase, length, g_password)) {
    Report(MSG_DERIVE_FAILED);
    return EXIT_FAILED;
  }
  // The result fills up to 1023 bytes of its 1024: the line feed goes on its own.
  ConsoleResult r = ConsoleWriteOut(g_password);
  if (r == CONSOLE_OK) r = ConsoleWriteOut("\n");
  if (r != CONSOLE_OK) {
    ReportConsole(r, "the password");
    return EXIT_FAILED;
  }
  return EXIT_OK;
}
