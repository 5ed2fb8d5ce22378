// Text between code pages, through UTF-16, for both Windows programs. The
// engine's texts are code page 932; sites.txt is UTF-8; a console, a pipe and
// the command line each have their own.
//
// Nothing here takes a best fit: é made e, or ～ made ~, would stand for
// another pass phrase. The dialog program's fields are the one exception, and
// not converted here: they are read as ANSI text (GetDlgItemTextA), whose own
// conversion has always decided the bytes of a character code page 932 lacks,
// and the passwords registered with those bytes depend on it staying so.
#pragma once

#include <stddef.h>
#include <windows.h>

const UINT CODE_PAGE_ENGINE = 932;

enum CodePageResult {
  CODE_PAGE_OK,
  CODE_PAGE_UNMAPPABLE,  // not well formed, or a character the other side lacks
  CODE_PAGE_TOO_LONG,    // does not fit out with its terminator
};

// What a character the target code page lacks becomes.
enum CodePageLack {
  LACK_REFUSED,        // the whole text is refused: for anything derived from
  LACK_QUESTION_MARK,  // '?': for a text only shown, such as an argument named in a message
};

// length UTF-16 units of in to code page cp in out, zero-terminated. On
// failure out is empty.
CodePageResult CodePageFromWide(UINT cp, const wchar_t* in, int length, char* out, size_t capacity, CodePageLack lack);

// length bytes of in, in code page cp, to UTF-16 (not terminated); *outLength
// units written.
CodePageResult WideFromCodePage(UINT cp, const char* in, int length, wchar_t* out, int capacity, int* outLength);

// Zero-terminated text from one code page to another, refusing what the
// other lacks. The UTF-16 copy in between is wiped: the text may be a secret.
CodePageResult Recode(UINT from, UINT to, const char* text, char* out, size_t capacity);

// Code page 932, in which the windows give and take text, and UTF-8: false,
// with an empty out, for what Recode refuses.
bool Cp932ToUtf8(const char* text, char* out, size_t capacity);
bool Utf8ToCp932(const char* text, char* out, size_t capacity);
