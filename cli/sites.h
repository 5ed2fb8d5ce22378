// The site file beside the settings file in use, as the commands read it:
// refusals reported with the line and what is wrong, a site's pass phrase
// in code page 932, and what generate derives with.
#pragma once

#include "args.h"
#include "site_rules.h"

extern SiteFile g_sites;

// sites.txt beside the settings file; false (reported) when the path does
// not fit.
bool SitesPathFor(const char* settingsPath, char* out);

// Reads the site file at path into g_sites, refusing a pass phrase code page
// 932 cannot hold as well. False (reported, with consequence on a line of
// its own) when it is refused.
bool LoadSitesReported(const char* path, const char* consequence);

// A site's pass phrase in code page 932; "" when it has none there.
void SiteName(int index, char* out, size_t capacity);

// The site a code page 932 pass phrase has a rule in, or -1; like, when
// given, receives the site it may have been meant for (FindSiteLike), or -1.
int FindSiteFor(const char* passPhrase, int* like);

// The site file's bytes [start, start + length), UTF-8, as the terminal shows
// them.
void SiteFilePart(uint32_t start, uint32_t length, char* out, size_t capacity);

// The site whose line has a rule joined to this code page 932 pass phrase by
// blanks instead of a TAB, or -1.
int FindTypoFor(const char* passPhrase);

// On standard error, for a site whose line has a rule that is not in force
// (FindSiteTypo): the line, the rule, and what mending it would change.
// Nothing for a site without one, or for -1.
void WarnSiteTypo(int index);

// On standard error: "did you mean 'SITE'?" and more, for a site FindSiteLike found.
void WarnDidYouMean(int like, const char* more = "");

// generate's inputs: settings, then the typed pass phrase's rule (warning
// of one it may have been meant for), then the options. derived (1024 bytes,
// may be passPhrase) receives what to derive from. False (reported) when the
// pass phrase and its counter do not fit.
bool ApplySiteFor(const CliOptions& options, const SettingsRecord& settings, const char* passPhrase,
                  SettingsRecord* record, int32_t* length, char* derived);

// For completion: out becomes "@sites" and the sites of the site file that
// words use (their --settings, else the default one) beginning with the last
// word, one a line, as many as fit. words are as the shell gave them.
void SiteCompletions(int count, const char* const* words, char* out, size_t capacity);

// What a site command or a refusal says about a status.
const char* SiteStatusText(SiteStatus status);
