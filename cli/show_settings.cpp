// show-settings: the record as a person reads it.
#include <stdio.h>
#include <string.h>

#include "commands.h"
#include "key_open.h"
#include "keyfile.h"
#include "messages.h"
#include "report.h"
#include "secrets.h"
#include "text.h"
#include "translate.h"

namespace {

// Labels are padded by bytes: in code page 932 a full-width character takes
// two bytes and two columns. A label too long for the column keeps a space.
bool Line(const char* label, const char* value, const char* note = "") {
  char printable[1024];
  PrintableText(value, printable, sizeof printable);
  char line[1400];
  snprintf(line, sizeof line, "%-14s %s%s\n", label, printable, note);
  return ConsoleWriteOut(line) == CONSOLE_OK;
}

// The key file's form from its bytes alone (no key password), and the
// derivation a sealed key names: 0 when the settings' one is in force.
int KeyForm(const char* keyPath, char* out, size_t capacity) {
  const int count = ReadKeyFile(keyPath, g_keyBytes);
  SealParameters params;
  if (count == 0) {
    CopyText(out, capacity, _("(the key file cannot be read)"));
  } else if (!IsSealedKey(g_keyBytes, count)) {
    CopyText(out, capacity, _("original (weaker: 'sorrel-cli seal-key' seals it)"));
  } else if (ReadSealParameters(g_keyBytes, &params) != SEAL_OK) {
    CopyText(out, capacity, _("sealed, not of a kind this version can read"));
  } else {
    snprintf(out, capacity, _("sealed (Argon2id, %lu MiB, passes: %lu)"), (unsigned long)(params.memoryKiB / 1024),
             (unsigned long)params.passes);
    return params.derivation;
  }
  return 0;
}

}  // namespace

int RunShowSettings(const CliOptions& options) {
  char settingsPath[PATH_CAPACITY];
  SettingsRecord s;
  if (!LoadSettingsReported(options, settingsPath, &s, NoSettingsAdvice())) {
    return EXIT_FAILED;
  }

  struct ClassLine {
    const char* label;
    uint32_t flag;
    const char* chars;
  } classes[] = {
      {_("  digits"), OPT_DIGITS, s.digitChars},
      {_("  lower"), OPT_LOWER, s.lowerChars},
      {_("  upper"), OPT_UPPER, s.upperChars},
      {_("  symbols"), OPT_SYMBOLS, s.symbolChars},
  };
  char length[32];
  snprintf(length, sizeof length, "%ld", (long)s.passwordLength);
  const bool lengthValid = s.passwordLength >= 1 && s.passwordLength <= 1023;
  const bool anyClass = (s.optionFlags & (OPT_DIGITS | OPT_LOWER | OPT_UPPER | OPT_SYMBOLS)) != 0;
  const char* on = _("on");
  const char* off = _("off");

  bool ok = Line(_("settings file:"), settingsPath) && Line(_("key file:"), s.keyFilePath) &&
            Line(_("length:"), length, lengthValid ? "" : _("  (invalid: generate needs 1 to 1023)")) &&
            Line(_("classes:"), "", anyClass ? "" : _("(none enabled: generate fails)"));
  for (const ClassLine& c : classes) {
    char label[64];
    snprintf(label, sizeof label, "%-10s %-3s", c.label, (s.optionFlags & c.flag) ? on : off);
    ok = ok && Line(label, c.chars);
  }
  ok = ok && Line(_("clipboard:"), (s.optionFlags & OPT_CLIPBOARD) ? on : off,
                  _("  (the dialog program's option; sorrel-cli copies with --clip)"));
  char form[256];
  const int keyDerivation = KeyForm(s.keyFilePath, form, sizeof form);
  ok = ok && Line(_("key form:"), form);
  const bool settingsDerivation2 = (s.optionFlags & OPT_DERIVATION_2) != 0;
  if (keyDerivation) {
    char text[256];
    snprintf(text, sizeof text, _("%d (the key's; the settings' derivation, %d, applies to original keys only)"),
             keyDerivation, settingsDerivation2 ? 2 : 1);
    ok = ok && Line(_("derivation:"), text);
  } else {
    char text[128];
    snprintf(text, sizeof text, _("%d (the settings')"), settingsDerivation2 ? 2 : 1);
    ok = ok && Line(_("derivation:"), text);
  }
  if (!ok) {
    ReportConsole(CONSOLE_FAILED, _("standard output"));
    return EXIT_FAILED;
  }
  return EXIT_OK;
}
