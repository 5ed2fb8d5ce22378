// generate: the main window's request, with the settings record's checks in
// the same order and the same texts.
#include <stdio.h>
#include <string.h>

#include "clipboard.h"
#include "commands.h"
#include "key_input.h"
#include "keyfile.h"
#include "messages.h"
#include "report.h"
#include "secrets.h"
#include "text.h"

namespace {

enum { MIN_PASS_PHRASE = 4 };

const char NO_VERIFY_ADVICE[] =
    "nothing derived; --no-verify derives anyway (for a key password put in force in the settings dialog "
    "that the key was not made with)";

bool ReadSecret(const char* prompt, const char* what, char* out) {
  ConsoleResult r = ConsoleReadSecret(prompt, out, TEXT_CAPACITY);
  if (r != CONSOLE_OK) ReportConsole(r, what);
  return r == CONSOLE_OK;
}

int Clip(int seconds) {
  const char* tool = "";
  switch (CopyToClipboard(g_password, seconds, &tool)) {
    case CLIP_OK: {
      char text[96];
      snprintf(text, sizeof text, "the password is on the clipboard; it is cleared in %d seconds\n", seconds);
      ConsoleWriteError(text);
      return EXIT_OK;
    }
    case CLIP_NO_DISPLAY:
      Report("--clip: no display (neither WAYLAND_DISPLAY nor DISPLAY is set)");
      break;
    case CLIP_NO_TOOL:
      Report("--clip: no clipboard program: install wl-clipboard (Wayland), or xclip or xsel (X11)");
      break;
    case CLIP_UNMAPPABLE:
      Report("--clip: the password cannot be represented in this terminal's encoding");
      break;
    case CLIP_FAILED:
      Report("--clip: the password could not be put on the clipboard", tool);
      break;
  }
  return EXIT_FAILED;
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
  const uint32_t classes = OPT_DIGITS | OPT_LOWER | OPT_UPPER | OPT_SYMBOLS;
  if (options.hasClasses) settings.optionFlags = (settings.optionFlags & ~classes) | options.classFlags;
  const int32_t length = options.hasLength ? options.length : settings.passwordLength;

  // Everything that needs no secret is checked before one is asked for.
  // The dialog program derives from an original key file of any shape:
  // --no-verify does too. Nothing derives from a sealed key that does not open.
  const int keyCount = ReadKeyReported(keyPath);
  if (keyCount == 0) return EXIT_FAILED;
  const bool sealed = IsSealedKey(g_keyBytes, keyCount);
  const char* advice = sealed ? "nothing derived" : NO_VERIFY_ADVICE;
  const KeyOpenStatus shape = options.noVerify && !sealed ? KEY_OPEN_OK : CheckKeyFileShape(g_keyBytes, keyCount);
  if (shape != KEY_OPEN_OK) {
    ReportKeyOpen(shape, keyCount, keyPath, advice);
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

  if (!OpenKeyReported(keyCount, keyPath, !options.noVerify, advice)) return EXIT_FAILED;
  // A sealed key names its derivation; --derivation still wins for one run.
  ApplyKeyDerivation(g_openedKey, &settings);
  if (options.derivation == 1) settings.optionFlags &= ~(uint32_t)OPT_DERIVATION_2;
  if (options.derivation == 2) settings.optionFlags |= OPT_DERIVATION_2;
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
  if (!DeriveWithKey(settings, g_openedKey, g_passPhrase, length, g_password)) {
    Report(MSG_DERIVE_FAILED);
    return EXIT_FAILED;
  }
  if (options.clip) return Clip(options.clipSeconds);
  // The result fills up to 1023 bytes of its 1024: the line feed goes on its own.
  ConsoleResult r = ConsoleWriteOut(g_password);
  if (r == CONSOLE_OK) r = ConsoleWriteOut("\n");
  if (r != CONSOLE_OK) {
    ReportConsole(r, "the password");
    return EXIT_FAILED;
  }
  return EXIT_OK;
}
