#include "site_file.h"

#include <stdio.h>
#include <string.h>

#include "code_page.h"
#include "settings.h"
#include "text.h"
#include "texts.h"

SiteFile g_siteFile;

namespace {

const struct {
  SiteStatus status;
  const char* text;
} kStatusTexts[] = {
    {SITE_FILE_NOT_READ, TEXT_SITE_FILE_NOT_READ},
    {SITE_FILE_TOO_LARGE, TEXT_SITE_FILE_TOO_LARGE},
    {SITE_TOO_MANY_SITES, TEXT_SITE_TOO_MANY_SITES},
    {SITE_NOT_UTF8, TEXT_SITE_NOT_UTF8},
    {SITE_STRAY_CR, TEXT_SITE_STRAY_CR},
    {SITE_PASS_PHRASE_TOO_SHORT, TEXT_SITE_PHRASE_TOO_SHORT},
    {SITE_PASS_PHRASE_TOO_LONG, TEXT_SITE_PHRASE_TOO_LONG},
    {SITE_NOT_CP932, TEXT_SITE_NOT_CP932},
    {SITE_DUPLICATE, TEXT_SITE_DUPLICATE},
    {SITE_BAD_FIELD, TEXT_SITE_BAD_FIELD},
    {SITE_FIELD_TWICE, TEXT_SITE_FIELD_TWICE},
    {SITE_BAD_LENGTH, TEXT_SITE_BAD_LENGTH},
    {SITE_BAD_CLASSES, TEXT_SITE_BAD_CLASSES},
    {SITE_BAD_DERIVATION, TEXT_SITE_BAD_DERIVATION},
    {SITE_BAD_COUNTER, TEXT_SITE_BAD_COUNTER},
    {SITE_BAD_PASS_PHRASE, TEXT_SITE_BAD_PASS_PHRASE},
    {SITE_WRITE_FAILED, TEXT_SITE_WRITE_FAILED},
};

// Appends a formatted part; a part that does not fit is left out whole.
void Append(char* out, size_t capacity, const char* format, long value) {
  char part[64];
  snprintf(part, sizeof part, format, value);
  AppendText(out, capacity, part);
}

// The classes in words: 英数字 for the three of letters and digits, 英字
// for both cases of letters, else each class by name; joined by ＋.
void AppendClasses(uint32_t flags, char* out, size_t capacity) {
  const char* words[4];
  int n = 0;
  const uint32_t letters = OPT_LOWER | OPT_UPPER;
  if ((flags & (letters | OPT_DIGITS)) == (letters | OPT_DIGITS)) {
    words[n++] = TEXT_SITE_CLASS_ALNUM;
  } else {
    if (flags & OPT_DIGITS) words[n++] = TEXT_SITE_CLASS_DIGITS;
    if ((flags & letters) == letters) {
      words[n++] = TEXT_SITE_CLASS_LETTERS;
    } else {
      if (flags & OPT_LOWER) words[n++] = TEXT_SITE_CLASS_LOWER;
      if (flags & OPT_UPPER) words[n++] = TEXT_SITE_CLASS_UPPER;
    }
  }
  if (flags & OPT_SYMBOLS) words[n++] = TEXT_SITE_CLASS_SYMBOLS;
  for (int i = 0; i < n; ++i) {
    if (i > 0) AppendText(out, capacity, TEXT_SITE_CLASS_JOIN);
    AppendText(out, capacity, words[i]);
  }
}

// The fields the rule sets, in the order of the site dialog.
void DescribeRule(const SiteRule& rule, char* out, size_t capacity) {
  CopyText(out, capacity, TEXT_SITE_NOTE_PREFIX);
  const size_t bare = strlen(out);
  auto separate = [&] {
    if (strlen(out) > bare) AppendText(out, capacity, TEXT_SITE_NOTE_SEPARATOR);
  };
  if (rule.length) Append(out, capacity, TEXT_SITE_NOTE_LENGTH, rule.length);
  if (rule.classFlags) {
    separate();
    AppendClasses(rule.classFlags, out, capacity);
  }
  if (rule.derivation) {
    separate();
    AppendText(out, capacity, rule.derivation == 2 ? TEXT_SITE_NOTE_DERIVATION_2 : TEXT_SITE_NOTE_DERIVATION_1);
  }
  if (rule.counter > 1) {
    separate();
    Append(out, capacity, TEXT_SITE_NOTE_COUNTER, rule.counter);
  }
  if (strlen(out) == bare) AppendText(out, capacity, TEXT_SITE_NOTE_AS_SETTINGS);
}

}  // namespace

SiteStatus LoadSites(char* path) {
  char settingsPath[PATH_CAPACITY] = "";
  if (!GetSettingsPath(settingsPath) || !SiteFilePathFor(settingsPath, path)) {
    // No path to read from: refused, so that nothing is written anywhere.
    CopyText(path, PATH_CAPACITY, settingsPath);
    memset(&g_siteFile, 0, sizeof g_siteFile);
    g_siteFile.status = SITE_FILE_NOT_READ;
    return SITE_FILE_NOT_READ;
  }
  if (LoadSiteFile(&g_siteFile, path) != SITE_OK) return g_siteFile.status;
  char utf8[SITE_PASS_PHRASE_CAPACITY], cp932[TEXT_CAPACITY];
  for (int i = 0; i < g_siteFile.count; ++i) {
    SitePassPhrase(&g_siteFile, i, utf8, sizeof utf8);
    if (!Utf8ToCp932(utf8, cp932, sizeof cp932)) {
      RefuseSiteLine(&g_siteFile, i, SITE_NOT_CP932);
      break;
    }
  }
  WipeMemory(utf8, sizeof utf8);
  WipeMemory(cp932, sizeof cp932);
  return g_siteFile.status;
}

int FindTypedSite(const char* passPhrase, int* like) {
  char utf8[SITE_PASS_PHRASE_CAPACITY];
  int found = -1;
  *like = -1;
  // Text that is not code page 932 (a field cut inside a character) is no site.
  if (g_siteFile.status == SITE_OK && Cp932ToUtf8(passPhrase, utf8, sizeof utf8)) {
    found = FindSite(&g_siteFile, utf8);
    if (found < 0) *like = FindSiteLike(&g_siteFile, utf8);
  }
  WipeMemory(utf8, sizeof utf8);
  return found;
}

const char* SiteStatusText(SiteStatus status) {
  for (const auto& entry : kStatusTexts) {
    if (entry.status == status) return entry.text;
  }
  return TEXT_SITE_FILE_NOT_READ;
}

void DescribeRefusedSites(const char* path, const char* mend, char* out, size_t capacity) {
  CopyText(out, capacity, TEXT_SITE_FILE_REFUSED);
  AppendText(out, capacity, "\n");
  AppendText(out, capacity, path);
  AppendText(out, capacity, "\n");
  if (g_siteFile.problemLine > 0) Append(out, capacity, TEXT_SITE_FILE_LINE, g_siteFile.problemLine);
  AppendText(out, capacity, SiteStatusText(g_siteFile.status));
  AppendText(out, capacity, "\n");
  AppendText(out, capacity, mend);
}

void SiteNoteFor(const char* passPhrase, char* out, size_t capacity) {
  char path[PATH_CAPACITY];
  out[0] = 0;
  if (LoadSites(path) != SITE_OK) {
    if (g_siteFile.problemLine > 0) {
      Append(out, capacity, TEXT_SITE_NOTE_FILE_LINE, g_siteFile.problemLine);
    } else {
      CopyText(out, capacity, TEXT_SITE_NOTE_FILE);
    }
    return;
  }
  int like;
  const int index = FindTypedSite(passPhrase, &like);
  if (index >= 0) {
    DescribeRule(g_siteFile.sites[index].rule, out, capacity);
  } else if (like >= 0) {
    char utf8[SITE_PASS_PHRASE_CAPACITY], cp932[TEXT_CAPACITY];
    SitePassPhrase(&g_siteFile, like, utf8, sizeof utf8);
    if (Utf8ToCp932(utf8, cp932, sizeof cp932)) {
      char note[TEXT_CAPACITY + 64];
      snprintf(note, sizeof note, TEXT_SITE_DID_YOU_MEAN, cp932);
      CopyText(out, capacity, note);
    }
    WipeMemory(utf8, sizeof utf8);
    WipeMemory(cp932, sizeof cp932);
  }
}
