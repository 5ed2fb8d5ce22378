// show-settings: the record as a person reads it.
#include <stdio.h>
#include <string.h>

#include "commands.h"
#include "key_open.h"
#include "keyfile.h"
#include "report.h"
#include "secrets.h"
#include "text.h"

namespace {

bool Line(const char* label, const char* value, const char* note = "") {
  char printable[1024];
  PrintableText(value, printable, sizeof printable);
  char line[1200];
  snprintf(line, sizeof line, "%-15s%s%s\n", label, printable, note);
  return ConsoleWriteOut(line) == CONSOLE_OK;
}

// The key file's form from its bytes alone (no key password), and the
// derivation a sealed key names: 0 when the settings' one is in force.
int KeyForm(const char* keyPath, char* out, size_t capacity) {
  const int count = ReadKeyFile(keyPath, g_keyBytes);
  SealParameters params;
  if (count == 0) {
    CopyText(out, capacity, "(the key file cannot be read)");
  } else if (!IsSealedKey(g_keyBytes, count)) {
    CopyText(out, capacity, "original (weaker: 'sorrel-cli seal-key' seals it)");
  } else if (ReadSealParameters(g_keyBytes, &params) != SEAL_OK) {
    CopyText(out, capacity, "sealed, not of a kind this version can read");
  } else {
    snprintf(out, capacity, "sealed (Argon2id, %lu MiB, passes: %lu)", (unsigned long)(params.memoryKiB / 1024),
             (unsigned long)params.passes);
    return params.derivation;
  }
  return 0;
}

}  // namespace

int RunShowSettings(const CliOptions& options) {
  char settingsPath[PATH_CAPACITY];
  SettingsRecord s;
  if (!SettingsPathFor(options, settingsPath) || !LoadSettingsFrom(settingsPath, &s)) {
    Report("settings file not read (make one with 'sorrel-cli init --key FILE')", settingsPath);
    return EXIT_FAILED;
  }

  struct ClassLine {
    const char* label;
    uint32_t flag;
    const char* chars;
  } classes[] = {
      {"  digits", OPT_DIGITS, s.digitChars},
      {"  lower", OPT_LOWER, s.lowerChars},
      {"  upper", OPT_UPPER, s.upperChars},
      {"  symbols", OPT_SYMBOLS, s.symbolChars},
  };
  char length[32];
  snprintf(length, sizeof length, "%ld", (long)s.passwordLength);
  const bool lengthValid = s.passwordLength >= 1 && s.passwordLength <= 1023;
  const bool anyClass = (s.optionFlags & (OPT_DIGITS | OPT_LOWER | OPT_UPPER | OPT_SYMBOLS)) != 0;

  bool ok = Line("settings file:", settingsPath) && Line("key file:", s.keyFilePath) &&
            Line("length:", length, lengthValid ? "" : "  (invalid: generate needs 1 to 1023)") &&
            Line("classes:", "", anyClass ? "" : "(none enabled: generate fails)");
  for (const ClassLine& c : classes) {
    char label[32];
    snprintf(label, sizeof label, "%-10s %s", c.label, (s.optionFlags & c.flag) ? "on " : "off");
    ok = ok && Line(label, c.chars);
  }
  ok = ok && Line("clipboard:", (s.optionFlags & OPT_CLIPBOARD) ? "on" : "off");
  char form[128];
  const int keyDerivation = KeyForm(s.keyFilePath, form, sizeof form);
  ok = ok && Line("key form:", form);
  const char* settingsDerivation = (s.optionFlags & OPT_DERIVATION_2) ? "2" : "1 (the original)";
  if (keyDerivation) {
    char text[128];
    snprintf(text, sizeof text,
             "%d, named by the key file (the settings' derivation, %c, applies to original keys only)", keyDerivation,
             settingsDerivation[0]);
    ok = ok && Line("derivation:", text);
  } else {
    ok = ok && Line("derivation:", settingsDerivation);
  }
  if (!ok) {
    ReportConsole(CONSOLE_FAILED, "standard output");
    return EXIT_FAILED;
  }
  return EXIT_OK;
}
