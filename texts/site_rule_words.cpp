#include "site_rule_words.h"

#include <string.h>

#include "shared_texts.h"
#include "text.h"

namespace {

const struct {
  SiteStatus status;
  const char* text;
} STATUS_WORDS[] = {
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
    {SITE_BAD_DOMAIN, TEXT_SITE_BAD_DOMAIN},
    {SITE_TOO_MANY_DOMAINS, TEXT_SITE_TOO_MANY_DOMAINS},
};

// The classes: 英数字 for letters and digits, 英字 for both cases of
// letters, else each class by name; joined by ＋.
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

}  // namespace

void AppendWords(char* out, size_t capacity, const char* format, long number, const char* text) {
  const char* at = strchr(format, '%');
  char head[128];
  CopyText(head, at && (size_t)(at - format) < sizeof head ? (size_t)(at - format) + 1 : sizeof head, format);
  AppendText(out, capacity, head);
  if (!at) return;
  if (at[1] == 's') {
    AppendText(out, capacity, text);
    at += 2;
  } else {
    AppendNumber(out, capacity, number);
    at += 3;  // %ld
  }
  AppendText(out, capacity, at);
}

void DescribeSiteRule(const SiteRule& rule, const char* prefix, char* out, size_t capacity) {
  CopyText(out, capacity, prefix);
  const size_t bare = strlen(out);
  const auto separate = [&] {
    if (strlen(out) > bare) AppendText(out, capacity, TEXT_SITE_NOTE_SEPARATOR);
  };
  if (rule.length) AppendWords(out, capacity, TEXT_SITE_NOTE_LENGTH, rule.length);
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
    AppendWords(out, capacity, TEXT_SITE_NOTE_COUNTER, rule.counter);
  }
  if (strlen(out) == bare) AppendText(out, capacity, TEXT_SITE_NOTE_AS_SETTINGS);
}

const char* SiteStatusWords(SiteStatus status) {
  for (const auto& entry : STATUS_WORDS) {
    if (entry.status == status) return entry.text;
  }
  return TEXT_SITE_FILE_NOT_READ;
}

void DescribeSiteTypo(const SiteTypo& typo, const char* rule, const char* site, char* out, size_t capacity) {
  out[0] = 0;
  AppendWords(out, capacity, TEXT_SITE_TYPO_LINE, typo.line);
  AppendWords(out, capacity, TEXT_SITE_TYPO_RULE, 0, rule);
  if (typo.kind == SITE_TYPO_NO_TAB) {
    AppendWords(out, capacity, TEXT_SITE_TYPO_NO_TAB, 0, site);
  } else {
    AppendWords(out, capacity, TEXT_SITE_TYPO_FIELD_NAME, 0, typo.field);
  }
}
