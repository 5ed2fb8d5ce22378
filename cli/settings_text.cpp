#include "settings_text.h"

#include <stdio.h>
#include <string.h>

#include "args.h"
#include "console.h"
#include "key_open.h"
#include "keyfile.h"
#include "report.h"
#include "text.h"
#include "translate.h"

const char* ClassWord(uint32_t flag) {
  // TRANSLATORS: a character class's name as shown; --classes takes the English word.
  if (flag == OPT_DIGITS) return _("digits");
  if (flag == OPT_LOWER) return _("lower");
  if (flag == OPT_UPPER) return _("upper");
  return _("symbols");
}

void ClassList(uint32_t optionFlags, char* out, size_t capacity) {
  out[0] = 0;
  for (const ClassName& c : CLASS_NAMES) {
    if (!(optionFlags & c.flag)) continue;
    // TRANSLATORS: between the class names of a list, which --classes takes with "," in English.
    if (out[0]) AppendText(out, capacity, _(","));
    AppendText(out, capacity, ClassWord(c.flag));
  }
  if (!out[0]) CopyText(out, capacity, _("none"));
}

int DerivationInForce(const SettingsRecord& settings, int keyDerivation, int siteDerivation, const char** source) {
  if (siteDerivation) {
    *source = _("the site's rule");
    return siteDerivation;
  }
  if (keyDerivation) {
    *source = _("the key's");
    return keyDerivation;
  }
  *source = _("the settings'");
  return (settings.optionFlags & OPT_DERIVATION_2) ? 2 : 1;
}

int KeyDerivationAt(const char* keyPath) {
  unsigned char bytes[KEY_BUFFER_SIZE];
  const int count = ReadKeyFile(keyPath, bytes);
  const int derivation = count > 0 ? KeyFileDerivation(bytes, count) : 0;
  WipeMemory(bytes, sizeof bytes);
  return derivation;
}

namespace {

int Change(const char* label, const char* before, const char* after) {
  if (strcmp(before, after) == 0) return 0;
  char old[1024], now[1024], line[2200];
  PrintableText(before, old, sizeof old);
  PrintableText(after, now, sizeof now);
  snprintf(line, sizeof line, "  %s %s -> %s\n", label, old, now);
  ConsoleWriteOut(line);
  return 1;
}

}  // namespace

int ReportSettingChanges(const SettingsRecord& before, const SettingsRecord& after, int* passwordChanges) {
  char old[128], now[128];
  int n = Change(_("key file:"), before.keyFilePath, after.keyFilePath);
  snprintf(old, sizeof old, "%ld", (long)before.passwordLength);
  snprintf(now, sizeof now, "%ld", (long)after.passwordLength);
  n += Change(_("length:"), old, now);
  ClassList(before.optionFlags, old, sizeof old);
  ClassList(after.optionFlags, now, sizeof now);
  n += Change(_("classes:"), old, now);
  n += Change(_("digits characters:"), before.digitChars, after.digitChars);
  n += Change(_("lower characters:"), before.lowerChars, after.lowerChars);
  n += Change(_("upper characters:"), before.upperChars, after.upperChars);
  n += Change(_("symbols characters:"), before.symbolChars, after.symbolChars);
  n += Change(_("derivation:"), (before.optionFlags & OPT_DERIVATION_2) ? "2" : "1",
              (after.optionFlags & OPT_DERIVATION_2) ? "2" : "1");
  *passwordChanges = n;
  const char* on = _("on");
  const char* off = _("off");
  return n + Change(_("clipboard:"), (before.optionFlags & OPT_CLIPBOARD) ? on : off,
                    (after.optionFlags & OPT_CLIPBOARD) ? on : off);
}
