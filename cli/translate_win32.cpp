// Windows: no gettext in the C library, so the catalogue is built in: po/ja.po
// compiled to code page 932 at build time, each translation found by a hash
// of its English text (translate_table.h). The language follows the locale
// variables where they are set (as gettext's own Windows port does, and Wine
// sets them), else the user's interface language.
#include <stdint.h>
#include <string.h>
#include <windows.h>

#include "translate.h"
#include "translate_table.h"

namespace {

bool g_japanese = false;

uint64_t Hash(const char* text) {
  uint64_t h = 0xcbf29ce484222325ull;
  for (const unsigned char* p = (const unsigned char*)text; *p; ++p) h = (h ^ *p) * 0x100000001b3ull;
  return h;
}

// The translation of text; nullptr when the catalogue has none.
const char* Lookup(const char* text) {
  const uint64_t h = Hash(text);
  unsigned low = 0, high = TRANSLATION_ROW_COUNT;
  while (low < high) {
    const unsigned middle = low + (high - low) / 2;
    if (TRANSLATION_ROWS[middle].hash == h) return TRANSLATION_TEXTS + TRANSLATION_ROWS[middle].offset;
    if (TRANSLATION_ROWS[middle].hash > h) {
      high = middle;
    } else {
      low = middle + 1;
    }
  }
  return nullptr;
}

bool Variable(const char* name, char* out, DWORD capacity) {
  const DWORD n = GetEnvironmentVariableA(name, out, capacity);
  return n > 0 && n < capacity && out[0];
}

bool WantsJapanese() {
  char locale[64] = "";
  const bool set = Variable("LC_ALL", locale, sizeof locale) || Variable("LC_MESSAGES", locale, sizeof locale) ||
                   Variable("LANG", locale, sizeof locale);
  if (set && (strcmp(locale, "C") == 0 || strncmp(locale, "C.", 2) == 0 || strcmp(locale, "POSIX") == 0)) {
    return false;
  }
  // LANGUAGE: languages in order of preference, the first with a catalogue wins.
  char languages[256];
  if (Variable("LANGUAGE", languages, sizeof languages)) {
    for (const char* p = languages; *p; p += strcspn(p, ":")) {
      if (*p == ':') ++p;
      if (strncmp(p, "ja", 2) == 0 && (p[2] == 0 || strchr(":_.@", p[2]))) return true;
    }
    return false;
  }
  if (set) return strncmp(locale, "ja", 2) == 0 && (locale[2] == 0 || strchr("_.@", locale[2]));
  return PRIMARYLANGID(GetUserDefaultUILanguage()) == LANG_JAPANESE;
}

}  // namespace

void TranslateStart() { g_japanese = WantsJapanese(); }

const char* Translate(const char* text) {
  const char* translated = g_japanese ? Lookup(text) : nullptr;
  return translated ? translated : text;
}

const char* TranslatePlural(const char* one, const char* many, unsigned long n) {
  // Japanese has one form.
  const char* translated = g_japanese ? Lookup(one) : nullptr;
  if (translated) return translated;
  return n == 1 ? one : many;
}
