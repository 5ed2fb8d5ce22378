// generate: the main window's request. Everything that needs no secret is
// checked before the key password is asked for.
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
#include "translate.h"

namespace {

enum { MIN_PASS_PHRASE = 4 };

const uint32_t CLASSES = OPT_DIGITS | OPT_LOWER | OPT_UPPER | OPT_SYMBOLS;

// Only a key password put in force in the settings dialog, which the key was
// not made with, gives passwords from a key it does not open.
const char* NoVerifyAdvice() {
  return _(
      "nothing derived; only if the settings dialog put in force a key password that this key was not made "
      "with, --no-verify derives with it anyway");
}

bool ReportPassPhraseTooShort() {
  Report(_("a pass phrase has at least 4 bytes (a Japanese character counts 2)"));
  return false;
}

// False (reported) when the record enables no character class.
bool ClassesReported(const SettingsRecord& record, const char* settingsPath) {
  if (record.optionFlags & CLASSES) return true;
  ReportFile(_("the settings enable no character class"), settingsPath,
             _("enable some with 'sorrel-cli configure --classes LIST', or give --classes LIST"));
  return false;
}

// Why --clip cannot work here; false when it cannot.
bool ClipReported(ClipResult result, const char* tool) {
  switch (result) {
    case CLIP_OK:
      return true;
    case CLIP_NO_DISPLAY:
      Report(
          _("--clip: no display (neither WAYLAND_DISPLAY nor DISPLAY is set); without --clip the password is "
            "printed"));
      break;
    case CLIP_NO_TOOL:
      Report(_("--clip: no clipboard program: install wl-clipboard (Wayland), or xclip or xsel (X11)"));
      break;
    case CLIP_UNMAPPABLE:
      Report(_("--clip: the password cannot be represented in this terminal's encoding"));
      break;
    case CLIP_FAILED:
      Report(_("--clip: the password could not be put on the clipboard"), tool);
      break;
  }
  return false;
}

int Clip(int seconds) {
  const char* tool = "";
  const ClipResult result = CopyToClipboard(g_password, seconds, &tool);
  if (!ClipReported(result, tool)) return EXIT_FAILED;
  char text[160];
  snprintf(text, sizeof text,
           P_("the password is on the clipboard; it is cleared in %d second\n",
              "the password is on the clipboard; it is cleared in %d seconds\n", (unsigned long)seconds),
           seconds);
  ConsoleWriteError(text);
  return EXIT_OK;
}

}  // namespace

int RunGenerate(const CliOptions& options) {
  char settingsPath[PATH_CAPACITY];
  SettingsRecord settings;
  if (!LoadSettingsReported(options, settingsPath, &settings, _("make one with 'sorrel-cli init --key FILE'"))) {
    return EXIT_FAILED;
  }
  const char* keyPath = options.keyPath[0] ? options.keyPath : settings.keyFilePath;

  // Everything that needs no secret is checked before one is asked for.
  // The dialog program derives from an original key file of any shape:
  // --no-verify does too. Nothing derives from a sealed key that does not open.
  const int keyCount = ReadKeyReported(keyPath);
  if (keyCount == 0) return EXIT_FAILED;
  // A damaged sealed key is never unmasked as if it were the original form.
  const bool sealed = IsSealedKey(g_keyBytes, keyCount) || IsDamagedSealedKey(g_keyBytes, keyCount);
  const char* advice = sealed ? _("nothing derived") : NoVerifyAdvice();
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
  if (!SitesPathFor(settingsPath, sitesPath) ||
      !LoadSitesReported(sitesPath, _("no password is derived until it is mended in a text editor: a rule left out "
                                      "would give another password"))) {
    return EXIT_FAILED;
  }
  SettingsRecord record;
  int32_t length;
  if (!ApplySiteFor(options, settings, options.passPhrase, &record, &length, g_passPhrase)) return EXIT_FAILED;
  if (options.hasPassPhrase && strlen(options.passPhrase) < MIN_PASS_PHRASE) {
    ReportPassPhraseTooShort();
    return EXIT_FAILED;
  }
  // Above 1023 the dialog program would overrun its 1024-byte result; refused here.
  if (length <= 0 || length > CLI_MAX_LENGTH) {
    char text[160];
    snprintf(text, sizeof text, _("the settings' password length is %ld, where it is 1 to 1023"), (long)length);
    ReportFile(text, settingsPath, _("change it with 'sorrel-cli configure --length N', or give --length N"));
    return EXIT_FAILED;
  }
  // A pass phrase still to be typed may have a rule that enables classes.
  if ((options.hasPassPhrase || g_sites.count == 0) && !ClassesReported(record, settingsPath)) return EXIT_FAILED;
  if (options.clip && !ClipReported(ClipboardReady(), "")) return EXIT_FAILED;

  if (!OpenKeyReported(keyCount, keyPath, !options.noVerify, advice)) return EXIT_FAILED;
  if (!options.hasPassPhrase) {
    // Shown as typed, as in the dialog program: a typo there silently gives another password.
    ConsoleResult r = ConsoleReadLine(PromptPassPhrase(), g_passPhrase, sizeof g_passPhrase);
    if (r != CONSOLE_OK) {
      ReportConsole(r, _("pass phrase"));
      return EXIT_FAILED;
    }
    if (strlen(g_passPhrase) < MIN_PASS_PHRASE) {
      ReportPassPhraseTooShort();
      return EXIT_FAILED;
    }
    // A rule's length is 1 to 1023: the check of the length above still holds.
    if (!ApplySiteFor(options, settings, g_passPhrase, &record, &length, g_passPhrase) ||
        !ClassesReported(record, settingsPath)) {
      return EXIT_FAILED;
    }
  }

  memset(g_password, 0, sizeof g_password);
  if (!DeriveWithKey(record, g_openedKey, g_passPhrase, length, g_password)) {
    // The key, unmasked with this key password, holds none of the classes' characters.
    Report(
        _("no password derived: with this key password the key holds none of the enabled classes' characters "
          "(see 'sorrel-cli show-settings')"));
    return EXIT_FAILED;
  }
  if (options.clip) return Clip(options.clipSeconds);
  // The result fills up to 1023 bytes of its 1024: the line feed goes on its own.
  ConsoleResult r = ConsoleWriteOut(g_password);
  if (r == CONSOLE_OK) r = ConsoleWriteOut("\n");
  if (r != CONSOLE_OK) {
    ReportConsole(r, _("the password"));
    return EXIT_FAILED;
  }
  return EXIT_OK;
}
