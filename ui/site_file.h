// sites.txt as the dialog program reads it: beside setting.ini, and refused
// as a whole when a site's pass phrase has no code page 932 form, since no
// one could type it in a window.
#pragma once

#include <stddef.h>

#include "site_rules.h"

enum { SITE_MESSAGE_CAPACITY = 1024 };

// The program's one site file, read afresh at every use: nothing of an
// earlier reading is trusted.
extern SiteFile g_siteFile;

// Reads sites.txt into g_siteFile; path (260 bytes) receives its path.
SiteStatus LoadSites(char* path);

// The site of a typed pass phrase (code page 932) in g_siteFile: its index,
// or -1, and then in *like a site it may stand for (FindSiteLike) or -1.
int FindTypedSite(const char* passPhrase, int* like);

// What is wrong, for a refused file or a refused edit.
const char* SiteStatusText(SiteStatus status);

// The message for g_siteFile refused: what failed, the file, the line and
// why, then mend (what the user must do).
void DescribeRefusedSites(const char* path, const char* mend, char* out, size_t capacity);

// The main window's note for a typed pass phrase: the rule in words
// ("このサイト：8文字・英数字・2回目"), the site it may stand for, that
// sites.txt is refused, or nothing.
void SiteNoteFor(const char* passPhrase, char* out, size_t capacity);

// The site whose line has a rule not in force that a typed pass phrase
// (code page 932) meets: its own line (index, or -1), or one that has it
// joined by blanks. -1 when none.
int TypoSiteFor(const char* passPhrase, int index);

// That site's rule not in force in words, or false.
bool DescribeTypo(int index, char* out, size_t capacity);
