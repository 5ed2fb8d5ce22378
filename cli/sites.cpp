#include "sites.h"

#include <stdio.h>
#include <string.h>

#include "report.h"
#include "text.h"
#include "translate.h"

SiteFile g_sites;

namespace {

// The file g_sites was read from, for warnings about its lines.
char g_sitesPath[PATH_CAPACITY];

}  // namespace

void SiteFilePart(uint32_t start, uint32_t length, char* out, size_t capacity) {
  char utf8[SITE_PASS_PHRASE_CAPACITY], cp932[TEXT_CAPACITY];
  const size_t n = length < sizeof utf8 ? length : sizeof utf8 - 1;
  memcpy(utf8, g_sites.bytes + start, n);
  utf8[n] = 0;
  if (ConsoleCp932FromUtf8(utf8, cp932, sizeof cp932) != CONSOLE_OK) cp932[0] = 0;
  PrintableText(cp932, out, capacity);
}

void WarnSiteTypo(int index) {
  SiteTypo typo;
  if (!FindSiteTypo(&g_sites, index, &typo)) return;
  char rule[TEXT_CAPACITY], site[TEXT_CAPACITY], path[PATH_CAPACITY], text[3 * TEXT_CAPACITY + 600];
  SiteFilePart(typo.start, typo.length, rule, sizeof rule);
  PrintableText(g_sitesPath, path, sizeof path);
  if (typo.kind == SITE_TYPO_NO_TAB) {
    SiteFilePart(g_sites.sites[index].start, typo.phraseLength, site, sizeof site);
    snprintf(text, sizeof text,
             _("sorrel-cli: %s: line %ld: '%s' is not in force: blanks, not a TAB, come before it, so it is part "
               "of the pass phrase; a TAB there would change the password of '%s' to what the rule says\n"),
             path, (long)typo.line, rule, site);
  } else {
    snprintf(text, sizeof text,
             _("sorrel-cli: %s: line %ld: '%s' is not in force: no field has that name, so it is ignored; "
               "written %s=... it would change that site's password to what the rule says\n"),
             path, (long)typo.line, rule, typo.field);
  }
  ConsoleWriteError(text);
}

const char* SiteStatusText(SiteStatus status) {
  switch (status) {
    case SITE_OK:
      return "ok";
    case SITE_FILE_NOT_READ:
      return _("it is there but cannot be read");
    case SITE_FILE_TOO_LARGE:
      return _("larger than 65536 bytes");
    case SITE_TOO_MANY_SITES:
      return _("more than 500 sites");
    case SITE_NOT_UTF8:
      return _("not UTF-8 text");
    case SITE_STRAY_CR:
      return _("a CR that does not end the line");
    case SITE_PASS_PHRASE_TOO_SHORT:
      return _("a pass phrase shorter than 4 bytes in code page 932");
    case SITE_PASS_PHRASE_TOO_LONG:
      return _("a pass phrase longer than 1018 bytes in code page 932");
    case SITE_NOT_CP932:
      return _("a character of the pass phrase that code page 932 cannot hold");
    case SITE_DUPLICATE:
      return _("the pass phrase of an earlier line");
    case SITE_BAD_FIELD:
      return _("a field that is not name=value, one TAB before each");
    case SITE_FIELD_TWICE:
      return _("a field given twice");
    case SITE_BAD_LENGTH:
      return _("length takes a number from 1 to 1023");
    case SITE_BAD_CLASSES:
      return _("classes takes a comma-separated list of digits, lower, upper, symbols");
    case SITE_BAD_DERIVATION:
      return _("derivation takes 1 or 2");
    case SITE_BAD_COUNTER:
      return _("counter takes a number from 1 to 9999");
    case SITE_BAD_PASS_PHRASE:
      return _("a pass phrase with a TAB, CR or LF, or beginning with #, cannot have a rule");
    case SITE_FILE_REFUSED:
      return _("the site file was refused");
    case SITE_NOT_FOUND:
      return _("no such site");
    case SITE_WRITE_FAILED:
      return _("the site file could not be written");
    case SITE_BAD_DOMAIN:
      return _("domains takes a comma-separated list of domain names in lower case");
    case SITE_TOO_MANY_DOMAINS:
      return _("domains takes at most 16 domain names");
  }
  return "?";
}

bool SitesPathFor(const char* settingsPath, char* out) {
  if (SiteFilePathFor(settingsPath, out)) return true;
  ReportFile(_("the site file's path cannot be used"), settingsPath,
             _("beside this settings file it does not fit in 259 bytes"));
  return false;
}

bool LoadSitesReported(const char* path, const char* consequence) {
  CopyText(g_sitesPath, sizeof g_sitesPath, path);
  if (LoadSiteFile(&g_sites, path) == SITE_OK) {
    char cp932[TEXT_CAPACITY];
    for (int i = 0; i < g_sites.count; ++i) {
      SiteName(i, cp932, sizeof cp932);
      if (!cp932[0]) RefuseSiteLine(&g_sites, i, SITE_NOT_CP932);
    }
  }
  if (g_sites.status == SITE_OK) return true;
  if (g_sites.problemLine > 0) {
    char reason[256];
    snprintf(reason, sizeof reason, _("line %ld: %s"), (long)g_sites.problemLine, SiteStatusText(g_sites.status));
    ReportFile(_("site file refused"), path, reason);
  } else {
    ReportFile(_("site file refused"), path, SiteStatusText(g_sites.status));
  }
  Report(consequence);
  return false;
}

void SiteName(int index, char* out, size_t capacity) {
  char utf8[SITE_PASS_PHRASE_CAPACITY];
  SitePassPhrase(&g_sites, index, utf8, sizeof utf8);
  if (ConsoleCp932FromUtf8(utf8, out, capacity) != CONSOLE_OK) out[0] = 0;
}

int FindSiteFor(const char* passPhrase, int* like) {
  char utf8[SITE_PASS_PHRASE_CAPACITY];
  int site = -1;
  if (like) *like = -1;
  if (ConsoleUtf8FromCp932(passPhrase, utf8, sizeof utf8) == CONSOLE_OK) {
    site = FindSite(&g_sites, utf8);
    if (site < 0 && like) *like = FindSiteLike(&g_sites, utf8);
  }
  WipeMemory(utf8, sizeof utf8);
  return site;
}

int FindTypoFor(const char* passPhrase) {
  char utf8[SITE_PASS_PHRASE_CAPACITY];
  const int site =
      ConsoleUtf8FromCp932(passPhrase, utf8, sizeof utf8) == CONSOLE_OK ? FindSiteTypoFor(&g_sites, utf8) : -1;
  WipeMemory(utf8, sizeof utf8);
  return site;
}

void WarnDidYouMean(int like, const char* more) {
  char name[TEXT_CAPACITY], shown[TEXT_CAPACITY];
  SiteName(like, name, sizeof name);
  PrintableText(name, shown, sizeof shown);
  char text[TEXT_CAPACITY + 200];
  snprintf(text, sizeof text, _("sorrel-cli: did you mean '%s'?%s\n"), shown, more);
  ConsoleWriteError(text);
}

bool ApplySiteFor(const CliOptions& options, const SettingsRecord& settings, const char* passPhrase,
                  SettingsRecord* record, int32_t* length, char* derived) {
  SiteRule rule = {0, 0, 0, 1};
  int like = -1;
  const int site = passPhrase[0] ? FindSiteFor(passPhrase, &like) : -1;
  if (site >= 0) rule = g_sites.sites[site].rule;
  // A rule the user meant for this site but that is not in force.
  WarnSiteTypo(site >= 0 ? site : FindTypoFor(passPhrase));
  if (like >= 0) {
    WarnDidYouMean(like,
                   _(" It has a site rule; the pass phrase as typed has none, and its password is the one given"));
  }
  // The options win for this run.
  if (options.hasLength) rule.length = options.length;
  if (options.hasClasses) rule.classFlags = options.classFlags;
  if (options.derivation) rule.derivation = options.derivation;
  if (options.hasCounter) rule.counter = options.counter;
  if (ApplySiteRule(settings, rule, passPhrase, record, length, derived)) return true;
  Report(_("the pass phrase with '#' and its counter is longer than 1023 bytes"));
  return false;
}

void SiteCompletions(int count, const char* const* words, char* out, size_t capacity) {
  CopyText(out, capacity, "@sites\n");
  static CliOptions options;
  memset(&options, 0, sizeof options);
  for (int i = 0; i < count - 1; ++i) {
    const char* value = nullptr;
    if (strcmp(words[i], "--settings") == 0 && i + 1 < count - 1) value = words[i + 1];
    if (strncmp(words[i], "--settings=", 11) == 0) value = words[i] + 11;
    if (value && ConsoleFromTerminal(value, options.settingsPath, PATH_CAPACITY) != CONSOLE_OK) return;
  }
  char prefix[TEXT_CAPACITY], settingsPath[PATH_CAPACITY], sitesPath[PATH_CAPACITY];
  if (ConsoleFromTerminal(words[count - 1], prefix, sizeof prefix) != CONSOLE_OK) return;
  if (!SettingsPathFor(options, settingsPath) || !SiteFilePathFor(settingsPath, sitesPath)) return;
  if (LoadSiteFile(&g_sites, sitesPath) != SITE_OK) return;
  const size_t n = strlen(prefix);
  for (int i = 0; i < g_sites.count; ++i) {
    char name[TEXT_CAPACITY];
    SiteName(i, name, sizeof name);
    if (!name[0] || strncmp(name, prefix, n) != 0) continue;
    const size_t used = strlen(out);
    if (!AppendText(out, capacity, name) || !AppendText(out, capacity, "\n")) {
      out[used] = 0;
      return;
    }
  }
}
