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
#include "sites.h"
#include "text.h"

namespace {

enum { MIN_PASS_PHRASE = 4 };

const char SITES_REFUSED[] =
    "no password is derived until it is mended in a text editor: a rule left out would give another password";

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
  // The settings; a sealed key's own derivation, which its header names; the
  // pass phrase's site rule; then the options. For a pass phrase still to be
  // typed, all but the rule until it is.
  SetDerivation(&settings, KeyFileDerivation(g_keyBytes, keyCount));
  char sitesPath[PATH_CAPACITY];
  if (!SitesPathFor(settingsPath, sitesPath) || !LoadSitesReported(sitesPath, SITES_REFUSED)) return EXIT_FAILED;
  SettingsRecord record;
  int32_t length;
  if (!ApplySiteFor(options, settings, options.passPhrase, &record, &length, g_passPhrase)) return EXIT_FAILED;
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
  if (!options.hasPassPhrase) {
    if (!ReadSecret(PROMPT_PASS_PHRASE, "pass phrase", g_passPhrase)) return EXIT_FAILED;
    if (strlen(g_passPhrase) < MIN_PASS_PHRASE) {
      Report(MSG_PASS_PHRASE_TOO_SHORT);
      return EXIT_FAILED;
    }
    // A rule's length is 1 to 1023: the check of the length above still holds.
    if (!ApplySiteFor(options, settings, g_passPhrase, &record, &length, g_passPhrase)) return EXIT_FAILED;
  }

  memset(g_password, 0, sizeof g_password);
  if (!DeriveWithKey(record, g_openedKey, g_passPhrase, length, g_password)) {
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
