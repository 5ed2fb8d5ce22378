// The language sorrel-cli speaks: English as the sources write it, or
// Japanese from po/ja.po where the user's locale asks for it. A text to be
// translated is written _("like this") where it is used, and nowhere else;
// tests/po_check.sh fails while po/ja.po lacks its translation.
//
// Translations come as code page 932, like every text inside sorrel-cli: the
// console layer converts them to the terminal's encoding on the way out.
#pragma once

// Chooses the language; before the first text is looked up.
void TranslateStart();

// text in the user's language.
const char* Translate(const char* text) __attribute__((format_arg(1)));

// one or many, as n asks in the user's language (Japanese has one form).
const char* TranslatePlural(const char* one, const char* many, unsigned long n)
    __attribute__((format_arg(1), format_arg(2)));

#define _(text) Translate(text)
#define P_(one, many, n) TranslatePlural(one, many, n)
