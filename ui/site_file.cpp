#include "site_file.h"

#include <string.h>

#include "code_page.h"
#include "settings.h"
#include "site_rule_words.h"
#include "text.h"
#include "texts.h"

SiteFile g_siteFile;

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

const char* SiteStatusText(SiteStatus status) { return SiteStatusWords(status); }

void DescribeRefusedSites(const char* path, const char* mend, char* out, size_t capacity) {
  CopyText(out, capacity, TEXT_SITE_FILE_REFUSED);
  AppendText(out, capacity, "\n");
  AppendText(out, capacity, path);
  AppendText(out, capacity, "\n");
  if (g_siteFile.problemLine > 0) AppendWords(out, capacity, TEXT_SITE_FILE_LINE, g_siteFile.problemLine);
  AppendText(out, capacity, SiteStatusText(g_siteFile.status));
  AppendText(out, capacity, "\n");
  AppendText(out, capacity, mend);
}

void SiteNoteFor(const char* passPhrase, char* out, size_t capacity) {
  char path[PATH_CAPACITY];
  out[0] = 0;
  if (LoadSites(path) != SITE_OK) {
    if (g_siteFile.problemLine > 0) {
      AppendWords(out, capacity, TEXT_SITE_NOTE_FILE_LINE, g_siteFile.problemLine);
    } else {
      CopyText(out, capacity, TEXT_SITE_NOTE_FILE);
    }
    return;
  }
  int like;
  const int index = FindTypedSite(passPhrase, &like);
  const int typo = TypoSiteFor(passPhrase, index);
  SiteTypo found;
  if (typo >= 0 && FindSiteTypo(&g_siteFile, typo, &found)) {
    out[0] = 0;
    AppendWords(out, capacity, TEXT_SITE_TYPO_NOTE, found.line);
  } else if (index >= 0) {
    DescribeSiteRule(g_siteFile.sites[index].rule, TEXT_SITE_NOTE_PREFIX, out, capacity);
  } else if (like >= 0) {
    char utf8[SITE_PASS_PHRASE_CAPACITY], cp932[TEXT_CAPACITY];
    SitePassPhrase(&g_siteFile, like, utf8, sizeof utf8);
    if (Utf8ToCp932(utf8, cp932, sizeof cp932)) {
      out[0] = 0;
      AppendWords(out, capacity, TEXT_SITE_DID_YOU_MEAN, 0, cp932);
    }
    WipeMemory(utf8, sizeof utf8);
    WipeMemory(cp932, sizeof cp932);
  }
}

int TypoSiteFor(const char* passPhrase, int index) {
  SiteTypo typo;
  if (index >= 0) return FindSiteTypo(&g_siteFile, index, &typo) ? index : -1;
  char utf8[SITE_PASS_PHRASE_CAPACITY];
  const int found = Cp932ToUtf8(passPhrase, utf8, sizeof utf8) ? FindSiteTypoFor(&g_siteFile, utf8) : -1;
  WipeMemory(utf8, sizeof utf8);
  return found;
}

bool DescribeTypo(int index, char* out, size_t capacity) {
  SiteTypo typo;
  if (!FindSiteTypo(&g_siteFile, index, &typo)) return false;
  // The file's UTF-8 pieces in code page 932; a piece that has none is cut
  // at the file's checks already (every pass phrase has one).
  char utf8[SITE_PASS_PHRASE_CAPACITY], rule[TEXT_CAPACITY], site[TEXT_CAPACITY];
  const auto piece = [&](uint32_t start, uint32_t length, char* to) {
    const size_t n = length < sizeof utf8 ? length : sizeof utf8 - 1;
    memcpy(utf8, g_siteFile.bytes + start, n);
    utf8[n] = 0;
    if (!Utf8ToCp932(utf8, to, TEXT_CAPACITY)) to[0] = 0;
  };
  piece(typo.start, typo.length, rule);
  piece(g_siteFile.sites[index].start, typo.phraseLength, site);
  DescribeSiteTypo(typo, rule, site, out, capacity);
  WipeMemory(utf8, sizeof utf8);
  WipeMemory(site, sizeof site);
  return true;
}
