// The sites.txt reader on any bytes: it never reads or writes outside its
// buffers, a file it accepts is kept byte for byte and every site in it is
// found again, a refused one names a line of the file and takes no edit, and
// an edit leaves a file that reads back with that edit and nothing else lost:
// a rule changed keeps the site's domains, a domain bound adds only itself.
// Lines with blanks where a TAB belongs, or a field name mistyped, are found
// within their own line.
#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include <string>

#include "fuzz_files.h"
#include "site_rules.h"

namespace {

SiteFile g_file;

int LineCount(const uint8_t* data, size_t size) {
  int lines = 1;
  for (size_t i = 0; i < size; ++i) lines += data[i] == '\n';
  return lines;
}

bool SameRule(const SiteRule& a, const SiteRule& b) {
  return a.length == b.length && a.classFlags == b.classFlags && a.derivation == b.derivation && a.counter == b.counter;
}

// A rule within range, from the input's first bytes.
SiteRule RuleFrom(const uint8_t* data, size_t size) {
  uint8_t b[4] = {};
  memcpy(b, data, size < 4 ? size : 4);
  return {b[0] % 2 ? (int32_t)(b[0] * 4 % SITE_LENGTH_MAX) + 1 : 0, (uint32_t)(b[1] & 0x1E), b[2] % 3,
          1 + b[3] * 39 % SITE_COUNTER_MAX};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const SiteStatus status = ReadSiteFile(&g_file, (const char*)data, size);
  FUZZ_CHECK(status == g_file.status);
  // The input itself, as typed, looked up: any bytes, any length.
  std::string typed((const char*)data, size < SITE_PASS_PHRASE_CAPACITY ? size : SITE_PASS_PHRASE_CAPACITY);
  typed = typed.c_str();
  const int like = FindSiteLike(&g_file, typed.c_str());
  FUZZ_CHECK(like >= -1 && like < g_file.count);

  if (status != SITE_OK) {
    FUZZ_CHECK(g_file.problemLine >= 0 && g_file.problemLine <= LineCount(data, size));
    FUZZ_CHECK(g_file.problemLine > 0 || status == SITE_FILE_TOO_LARGE);
    FUZZ_CHECK(SetSite(&g_file, "abcd", {}) == SITE_FILE_REFUSED);
    FUZZ_CHECK(RemoveSite(&g_file, 0) == SITE_FILE_REFUSED);
    return 0;
  }
  FUZZ_CHECK(g_file.size == size && memcmp(g_file.bytes, data, size) == 0);
  FUZZ_CHECK(g_file.count >= 0 && g_file.count <= SITE_LIMIT);
  char phrase[SITE_PASS_PHRASE_CAPACITY];
  static char domains[SITE_DOMAINS_CAPACITY], after[SITE_DOMAINS_CAPACITY];
  for (int i = 0; i < g_file.count; ++i) {
    const int n = SiteDomains(&g_file, i, domains, sizeof domains);
    FUZZ_CHECK(n >= 0 && n <= SITE_DOMAIN_LIMIT && (n == 0) == (domains[0] == 0));
    const SiteRule& r = g_file.sites[i].rule;
    FUZZ_CHECK(r.length >= 0 && r.length <= SITE_LENGTH_MAX);
    FUZZ_CHECK((r.classFlags & ~(uint32_t)(OPT_DIGITS | OPT_LOWER | OPT_UPPER | OPT_SYMBOLS)) == 0);
    FUZZ_CHECK(r.derivation >= 0 && r.derivation <= 2 && r.counter >= 1 && r.counter <= SITE_COUNTER_MAX);
    SitePassPhrase(&g_file, i, phrase, sizeof phrase);
    FUZZ_CHECK(FindSite(&g_file, phrase) == i);
    FUZZ_CHECK(FindSiteLike(&g_file, phrase) == -1);
    // A rule not in force lies within its own line; the pass phrase before
    // its blanks leads back to a site with one.
    const SiteEntry& e = g_file.sites[i];
    SiteTypo typo;
    if (FindSiteTypo(&g_file, i, &typo)) {
      FUZZ_CHECK(typo.line == e.line && typo.length > 0);
      FUZZ_CHECK(typo.start >= e.start && typo.start + typo.length <= e.start + e.lineLength);
      if (typo.kind == SITE_TYPO_NO_TAB) {
        FUZZ_CHECK(typo.phraseLength > 0 && typo.phraseLength < e.phraseLength);
        phrase[typo.phraseLength] = 0;
        const int meant = FindSiteTypoFor(&g_file, phrase);
        FUZZ_CHECK(meant >= 0 && meant <= i);
      } else {
        FUZZ_CHECK(typo.kind == SITE_TYPO_FIELD_NAME && typo.start > e.start + e.phraseLength);
      }
    }
  }
  if (g_file.count == 0) return 0;

  // The first site's rule changed: the same sites, that one with the new rule.
  const int count = g_file.count;
  SitePassPhrase(&g_file, 0, phrase, sizeof phrase);
  const int domainCount = SiteDomains(&g_file, 0, domains, sizeof domains);
  const SiteRule rule = RuleFrom(data, size);
  const SiteStatus edited = SetSite(&g_file, phrase, rule);
  FUZZ_CHECK(edited == SITE_OK || edited == SITE_FILE_TOO_LARGE);
  if (edited == SITE_FILE_TOO_LARGE) {
    FUZZ_CHECK(g_file.size == size && memcmp(g_file.bytes, data, size) == 0);
    return 0;
  }
  FUZZ_CHECK(g_file.status == SITE_OK && g_file.count == count);
  FUZZ_CHECK(FindSite(&g_file, phrase) == 0 && SameRule(g_file.sites[0].rule, rule));
  FUZZ_CHECK(SiteDomains(&g_file, 0, after, sizeof after) == domainCount && strcmp(after, domains) == 0);

  // The input, up to a TAB or line end, bound as a domain: refused by its
  // form with nothing changed, or added to that site's domains alone.
  const std::string domain = typed.substr(0, typed.find_first_of("\t\r\n"));
  const std::string before(g_file.bytes, g_file.size);
  const SiteStatus bound = BindSiteDomain(&g_file, 0, domain.c_str());
  FUZZ_CHECK(bound == SITE_OK || bound == SITE_BAD_DOMAIN || bound == SITE_TOO_MANY_DOMAINS ||
             bound == SITE_FILE_TOO_LARGE);
  if (bound != SITE_OK) {
    FUZZ_CHECK(before == std::string(g_file.bytes, g_file.size));
  } else {
    FUZZ_CHECK(g_file.status == SITE_OK && g_file.count == count && FindSite(&g_file, phrase) == 0);
    const int n = SiteDomains(&g_file, 0, after, sizeof after);
    FUZZ_CHECK(n == domainCount || n == domainCount + 1);
    FUZZ_CHECK(strncmp(after, domains, strlen(domains)) == 0 && strstr(after, domain.c_str()));
  }
  // Removed: one site fewer, and no other gone.
  char second[SITE_PASS_PHRASE_CAPACITY] = "";
  if (count > 1) SitePassPhrase(&g_file, 1, second, sizeof second);
  FUZZ_CHECK(RemoveSite(&g_file, 0) == SITE_OK);
  FUZZ_CHECK(g_file.count == count - 1 && FindSite(&g_file, phrase) == -1);
  if (count > 1) FUZZ_CHECK(FindSite(&g_file, second) == 0);
  return 0;
}
