// Site rules in the words the dialog program and the page show them. Each
// front end compiles this with its own execution character set (code page
// 932 for the dialog program, UTF-8 for the page).
#pragma once

#include <stddef.h>

#include "site_rules.h"

// Appends format with its one %ld as number, or its one %s as text; no
// printf, which would double the page's module. What does not fit is cut.
void AppendWords(char* out, size_t capacity, const char* format, long number, const char* text = "");

// prefix, then the fields the rule sets, in the site dialog's order:
// "このサイト：8文字・英数字・新方式・2回目"; 詳細設定どおり where it sets none.
void DescribeSiteRule(const SiteRule& rule, const char* prefix, char* out, size_t capacity);

// What is wrong with a line of sites.txt, or with an edit.
const char* SiteStatusWords(SiteStatus status);

// A rule not in force (FindSiteTypo) in words: the line, the rule, and what
// mending it would change. rule is the mistaken text, site the pass phrase
// before the blanks, both in the front end's character set.
void DescribeSiteTypo(const SiteTypo& typo, const char* rule, const char* site, char* out, size_t capacity);
