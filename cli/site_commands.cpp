// site set, list, show, remove and next: the site file beside the settings
// file, edited without asking for any secret.
#include <errno.h>
#include <stdio.h>
#include <string.h>

#include "commands.h"
#include "console.h"
#include "report.h"
#include "safe_write.h"
#include "settings_text.h"
#include "sites.h"
#include "text.h"
#include "translate.h"

namespace {

bool Out(const char* text) {
  if (ConsoleWriteOut(text) == CONSOLE_OK) return true;
  ReportConsole(CONSOLE_FAILED, _("standard output"));
  return false;
}

// What a rule leaves to the settings and the key: read once, without a secret.
struct Context {
  bool haveSettings;
  SettingsRecord settings;
  int keyDerivation;  // a sealed key's own; 0 for an original key or none read
};
Context g_context;

void ReadContext(const char* settingsPath) {
  g_context.haveSettings = LoadSettingsFrom(settingsPath, &g_context.settings);
  g_context.keyDerivation = g_context.haveSettings ? KeyDerivationAt(g_context.settings.keyFilePath) : 0;
}

// "2 (the key's)": the derivation in force, and where it comes from; "" when
// neither the rule nor the settings file says.
void DerivationText(int siteDerivation, char* out, size_t capacity) {
  out[0] = 0;
  if (!siteDerivation && !g_context.haveSettings) return;
  const char* source = "";
  const int d = DerivationInForce(g_context.settings, g_context.keyDerivation, siteDerivation, &source);
  snprintf(out, capacity, _("%d (%s)"), d, source);
}

// "12 characters, classes digits,upper, derivation 2 (the key's), counter 3".
void RuleInWords(const SiteRule& rule, char* out, size_t capacity) {
  out[0] = 0;
  char part[160], list[96], derivation[96];
  auto add = [&](const char* text) {
    // TRANSLATORS: between the parts of a site's rule in words.
    if (out[0]) AppendText(out, capacity, _(", "));
    AppendText(out, capacity, text);
  };
  ClassList(rule.classFlags, list, sizeof list);
  DerivationText(rule.derivation, derivation, sizeof derivation);
  if (!rule.length && !rule.classFlags && rule.counter <= 1 && derivation[0])
    add(_("the settings' length and classes"));
  const struct {
    bool given;
    const char* format;
    long number;
    const char* text;
  } parts[] = {
      {rule.length != 0, P_("%ld character", "%ld characters", (unsigned long)rule.length), (long)rule.length, ""},
      {rule.classFlags != 0, _("classes %s"), 0, list},
      {derivation[0] != 0, _("derivation %s"), 0, derivation},
      {rule.counter > 1, _("counter %ld"), (long)rule.counter, ""},
  };
  for (const auto& p : parts) {
    if (!p.given) continue;
    if (p.text[0]) {
      snprintf(part, sizeof part, p.format, p.text);
    } else {
      snprintf(part, sizeof part, p.format, p.number);
    }
    add(part);
  }
  if (!out[0]) CopyText(out, capacity, _("the settings' length, classes and derivation"));
}

bool SiteLine(int index) {
  char name[TEXT_CAPACITY], shown[TEXT_CAPACITY], words[256], line[TEXT_CAPACITY + 300];
  SiteName(index, name, sizeof name);
  PrintableText(name, shown, sizeof shown);
  RuleInWords(g_sites.sites[index].rule, words, sizeof words);
  snprintf(line, sizeof line, "%s: %s\n", shown, words);
  return Out(line);
}

// The site named on the command line, or -1 (reported, with the site it may
// have been meant for).
int NamedSite(const CliOptions& options) {
  int like = -1;
  const int site = FindSiteFor(options.passPhrase, &like);
  if (site >= 0) return site;
  char shown[TEXT_CAPACITY];
  PrintableText(options.passPhrase, shown, sizeof shown);
  Report(_("no site rule for this pass phrase"), shown);
  if (like >= 0) WarnDidYouMean(like);
  return -1;
}

// For a command line to copy: as it is, or in single quotes.
void Quoted(const char* text, char* out, size_t capacity) {
  bool plain = text[0] != 0;
  for (const char* p = text; *p; ++p)
    plain =
        plain && (strchr("._-/:@%+=,", *p) || (*p >= '0' && *p <= '9') || ((*p | 0x20) >= 'a' && (*p | 0x20) <= 'z'));
  if (plain) return CopyText(out, capacity, text);
  CopyText(out, capacity, "'");
  for (const char* p = text; *p; ++p) {
    const char piece[2] = {*p, 0};
    AppendText(out, capacity, *p == '\'' ? "'\\''" : piece);
  }
  AppendText(out, capacity, "'");
}

// Saves g_sites; false (reported) when the file could not be replaced.
bool Write(const char* sitesPath) {
  errno = 0;
  if (SaveSiteFile(&g_sites, sitesPath) == SITE_OK) return true;
  ReportFileError(_("the site file could not be written; it is as it was"), sitesPath, errno);
  return false;
}

// Sets the site's rule and saves; site is its index, or -1 for a new one.
int Save(const char* sitesPath, const CliOptions& options, int site, const SiteRule& rule) {
  char utf8[SITE_PASS_PHRASE_CAPACITY];
  if (ConsoleUtf8FromCp932(options.passPhrase, utf8, sizeof utf8) != CONSOLE_OK) {
    ReportConsole(CONSOLE_UNMAPPABLE, _("SITE"));
    return EXIT_FAILED;
  }
  if (site < 0) {
    const int like = FindSiteLike(&g_sites, utf8);
    if (like >= 0) WarnDidYouMean(like, _(" It has a rule of its own; this one is a site of its own"));
  }
  const SiteStatus status = SetSite(&g_sites, utf8, rule);
  if (status != SITE_OK) {
    Report(_("site rule not set"), SiteStatusText(status));
    return EXIT_FAILED;
  }
  return Write(sitesPath) ? EXIT_OK : EXIT_FAILED;
}

int Set(const char* sitesPath, const CliOptions& options) {
  int site = FindSiteFor(options.passPhrase, nullptr);
  SiteRule rule = site >= 0 ? g_sites.sites[site].rule : SiteRule{0, 0, 0, 1};
  if (options.hasLength) rule.length = options.length;
  if (options.hasClasses) rule.classFlags = options.classFlags;
  if (options.derivation) rule.derivation = options.derivation;
  if (options.hasCounter) rule.counter = options.counter;
  const int status = Save(sitesPath, options, site, rule);
  return status == EXIT_OK && SiteLine(FindSiteFor(options.passPhrase, nullptr)) &&
                 ReportWritten(_("site file written"), sitesPath, nullptr)
             ? EXIT_OK
             : EXIT_FAILED;
}

int Next(const char* sitesPath, const CliOptions& options) {
  const int site = FindSiteFor(options.passPhrase, nullptr);
  SiteRule rule = site >= 0 ? g_sites.sites[site].rule : SiteRule{0, 0, 0, 1};
  if (rule.counter >= SITE_COUNTER_MAX) {
    Report(_("the counter is at 9999, the last one"));
    return EXIT_FAILED;
  }
  const int32_t old = rule.counter++;
  if (Save(sitesPath, options, site, rule) != EXIT_OK) return EXIT_FAILED;

  char name[TEXT_CAPACITY * 2], shown[TEXT_CAPACITY], settings[PATH_CAPACITY * 2 + 16] = "";
  char text[TEXT_CAPACITY * 5 + 400];
  Quoted(options.passPhrase, name, sizeof name);
  PrintableText(options.passPhrase, shown, sizeof shown);
  if (options.settingsPath[0]) {
    AppendText(settings, sizeof settings, "--settings ");
    char path[PATH_CAPACITY * 2];
    Quoted(options.settingsPath, path, sizeof path);
    AppendText(settings, sizeof settings, path);
    AppendText(settings, sizeof settings, " ");
  }
  snprintf(text, sizeof text,
           _("%s: counter %ld now, was %ld. To change the password on the site:\n"
             "  the old password: sorrel-cli generate %s--counter %ld %s\n"
             "  the new password: sorrel-cli generate %s%s\n"),
           shown, (long)rule.counter, (long)old, settings, (long)old, name, settings, name);
  return Out(text) && ReportWritten(_("site file written"), sitesPath, nullptr) ? EXIT_OK : EXIT_FAILED;
}

// The domains the site is bound to (the browser extension fills its password
// there), one ", " between them; each in code page 932, or its bytes beyond
// ASCII as \xNN where that has no form of it.
bool DomainsLine(int site) {
  static char list[SITE_DOMAINS_CAPACITY], line[4 * SITE_DOMAINS_CAPACITY + 64];
  const int count = SiteDomains(&g_sites, site, list, sizeof list);
  snprintf(line, sizeof line, "%-14s ", _("domains:"));
  if (count <= 0) AppendText(line, sizeof line, _("none"));
  for (char* domain = list; count > 0 && domain;) {
    char* comma = strchr(domain, ',');
    if (comma) *comma = 0;
    char cp932[SITE_DOMAIN_MAX * 2 + 1], shown[4 * SITE_DOMAIN_MAX * 3 + 1] = "";
    if (ConsoleCp932FromUtf8(domain, cp932, sizeof cp932) == CONSOLE_OK) {
      CopyText(shown, sizeof shown, cp932);
    } else {
      for (const unsigned char* p = (const unsigned char*)domain; *p; ++p) {
        char piece[8];
        snprintf(piece, sizeof piece, *p < 0x80 ? "%c" : "\\x%02X", *p);
        AppendText(shown, sizeof shown, piece);
      }
    }
    if (domain != list) AppendText(line, sizeof line, ", ");
    AppendText(line, sizeof line, shown);
    domain = comma ? comma + 1 : nullptr;
  }
  AppendText(line, sizeof line, "\n");
  return Out(line);
}

int Show(const CliOptions& options) {
  const int site = NamedSite(options);
  if (site < 0) return EXIT_FAILED;
  const SiteRule& r = g_sites.sites[site].rule;
  const bool haveSettings = g_context.haveSettings;
  const SettingsRecord& s = g_context.settings;
  char name[TEXT_CAPACITY], shown[TEXT_CAPACITY], line[TEXT_CAPACITY + 200];
  SiteName(site, name, sizeof name);
  PrintableText(name, shown, sizeof shown);
  // The rule's own value, else the settings' (with what it is, when they read).
  auto put = [&](const char* label, bool own, const char* value) {
    const char* note = own ? "" : haveSettings ? _(" (the settings')") : _("the settings'");
    snprintf(line, sizeof line, "%-14s %s%s\n", label, own || haveSettings ? value : "", note);
    return Out(line);
  };
  char length[16], classes[96], derivation[96], counter[80];
  snprintf(length, sizeof length, "%ld", (long)(r.length ? r.length : s.passwordLength));
  ClassList(r.classFlags ? r.classFlags : s.optionFlags, classes, sizeof classes);
  DerivationText(r.derivation, derivation, sizeof derivation);
  if (r.counter > 1) {
    snprintf(counter, sizeof counter, _("%ld (derives from the pass phrase followed by #%ld)"), (long)r.counter,
             (long)r.counter);
  } else {
    CopyText(counter, sizeof counter, _("1 (derives from the pass phrase itself)"));
  }
  const bool ok = put(_("site:"), true, shown) && put(_("length:"), r.length != 0, length) &&
                  put(_("classes:"), r.classFlags != 0, classes) &&
                  put(_("derivation:"), true, derivation[0] ? derivation : _("the settings'")) &&
                  put(_("counter:"), true, counter);
  if (!ok) return EXIT_FAILED;
  // Fields of other names: kept in the file for later versions, and ignored.
  uint32_t start, size;
  for (int n = 0; SiteOtherField(&g_sites, site, n, &start, &size); ++n) {
    char field[TEXT_CAPACITY];
    SiteFilePart(start, size, field, sizeof field);
    snprintf(line, sizeof line, "%-14s %s%s\n", n ? "" : _("ignored:"), field,
             n ? "" : _(" (a field of no known name, kept)"));
    if (!Out(line)) return EXIT_FAILED;
  }
  if (!DomainsLine(site)) return EXIT_FAILED;
  WarnSiteTypo(site);
  return EXIT_OK;
}

int RunLoaded(const CliOptions& options, const char* settingsPath, const char* sitesPath) {
  if (!LoadSitesReported(sitesPath, _("mend it in a text editor; until then the site commands change nothing"))) {
    return EXIT_FAILED;
  }
  ReadContext(settingsPath);
  switch (options.command) {
    case CLI_SITE_SET:
      return Set(sitesPath, options);
    case CLI_SITE_LIST:
      for (int i = 0; i < g_sites.count; ++i) {
        if (!SiteLine(i)) return EXIT_FAILED;
        WarnSiteTypo(i);
      }
      return EXIT_OK;
    case CLI_SITE_SHOW:
      return Show(options);
    case CLI_SITE_REMOVE: {
      const int site = NamedSite(options);
      if (site < 0) return EXIT_FAILED;
      const SiteStatus status = RemoveSite(&g_sites, site);
      if (status != SITE_OK) {
        Report(_("site rule not removed"), SiteStatusText(status));
        return EXIT_FAILED;
      }
      return Write(sitesPath) && ReportWritten(_("site file written"), sitesPath, nullptr) ? EXIT_OK : EXIT_FAILED;
    }
    case CLI_SITE_NEXT:
      return Next(sitesPath, options);
    default:
      break;
  }
  return EXIT_USAGE;
}

}  // namespace

int RunSite(const CliOptions& options) {
  char settingsPath[PATH_CAPACITY], sitesPath[PATH_CAPACITY];
  if (!SettingsPathFor(options, settingsPath) || !SitesPathFor(settingsPath, sitesPath)) return EXIT_FAILED;
  // An edit holds the lock from reading the file to replacing it, so that
  // one made by another program meanwhile is not written over.
  const bool edits =
      options.command == CLI_SITE_SET || options.command == CLI_SITE_REMOVE || options.command == CLI_SITE_NEXT;
  FileEditLock lock = {};
  errno = 0;
  if (edits && !LockFileForEdit(sitesPath, &lock)) {
    ReportFileError(_("the site file is being edited by another program, or cannot be locked; nothing was changed"),
                    sitesPath, errno);
    Report(_("try again in a moment"));
    return EXIT_FAILED;
  }
  const int status = RunLoaded(options, settingsPath, sitesPath);
  UnlockFileForEdit(&lock);
  return status;
}
