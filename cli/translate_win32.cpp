// Windows: no gettext in the C library, so the catalogue is built in: po/ja.po
// compiled to a code page 932 .mo file at build time and embedded as bytes
// (cmake/embed_bytes.cmake), read here. The language follows the locale
// variables where they are set (as gettext's own Windows port does, and Wine
// sets them), else the user's interface language.
#include <stdint.h>
#include <string.h>
#include <windows.h>

#include "translate.h"

extern const unsigned char JAPANESE_CATALOGUE[];
extern const unsigned int JAPANESE_CATALOGUE_SIZE;

namespace {

const uint32_t MO_MAGIC = 0x950412de;

bool g_japanese = false;

uint32_t Word(uint32_t offset) {
  if (offset > JAPANESE_CATALOGUE_SIZE - 4) return 0;
  const unsigned char* p = JAPANESE_CATALOGUE + offset;
  return p[0] | p[1] << 8 | p[2] << 16 | (uint32_t)p[3] << 24;
}

// String number i of the table at tableOffset; nullptr past the catalogue's end.
const char* Entry(uint32_t tableOffset, uint32_t i) {
  const uint32_t length = Word(tableOffset + 8 * i), at = Word(tableOffset + 8 * i + 4);
  if (at >= JAPANESE_CATALOGUE_SIZE || length >= JAPANESE_CATALOGUE_SIZE - at) return nullptr;
  return (const char*)JAPANESE_CATALOGUE + at;
}

// The translation of text; nullptr when the catalogue has none. msgfmt sorts
// the originals, so a binary search finds one.
const char* Lookup(const char* text) {
  if (JAPANESE_CATALOGUE_SIZE < 28 || Word(0) != MO_MAGIC) return nullptr;
  const uint32_t count = Word(8), originals = Word(12), translations = Word(16);
  uint32_t low = 0, high = count;
  while (low < high) {
    const uint32_t middle = low + (high - low) / 2;
    const char* original = Entry(originals, middle);
    if (!original) return nullptr;
    const int order = strcmp(text, original);
    if (order == 0) return Entry(translations, middle);
    if (order < 0) {
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
  return translated && translated[0] ? translated : text;
}

const char* TranslatePlural(const char* one, const char* many, unsigned long n) {
  // Japanese has one form, the first of the entry's.
  const char* translated = g_japanese ? Lookup(one) : nullptr;
  if (translated && translated[0]) return translated;
  return n == 1 ? one : many;
}
