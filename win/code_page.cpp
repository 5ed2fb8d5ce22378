#include "code_page.h"

#include <string.h>

#include "settings.h"
#include "text.h"

namespace {

// No character of TEXT_CAPACITY bytes takes more UTF-16 units than bytes.
enum { RECODE_WIDE = 3 * TEXT_CAPACITY };

// Code pages whose conversions take no flags at all (the system refuses the call otherwise).
bool TakesNoFlags(UINT cp) {
  return cp == CP_UTF7 || cp == 42 || (cp >= 50220 && cp <= 50229) || cp == 52936 || cp == 54936 ||
         (cp >= 57002 && cp <= 57011);
}

}  // namespace

CodePageResult CodePageFromWide(UINT cp, const wchar_t* in, int length, char* out, size_t capacity, CodePageLack lack) {
  if (capacity == 0) return CODE_PAGE_TOO_LONG;
  out[0] = 0;
  if (length == 0) return CODE_PAGE_OK;
  if (capacity < 2) return CODE_PAGE_TOO_LONG;  // a zero count would only measure
  // UTF-8 and UTF-7 hold every character: only an unpaired surrogate fails, and
  // they take neither a default character nor the question whether one was used.
  const bool unicode = cp == CP_UTF8 || cp == CP_UTF7;
  DWORD flags = cp == CP_UTF8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
  if (TakesNoFlags(cp)) flags = 0;
  BOOL usedDefault = FALSE;
  const char* defaultChar = lack == LACK_QUESTION_MARK && !unicode && !TakesNoFlags(cp) ? "?" : nullptr;
  const int n = WideCharToMultiByte(cp, flags, in, length, out, (int)capacity - 1, defaultChar,
                                    unicode || lack == LACK_QUESTION_MARK ? nullptr : &usedDefault);
  if (n == 0) {
    out[0] = 0;
    return GetLastError() == ERROR_INSUFFICIENT_BUFFER ? CODE_PAGE_TOO_LONG : CODE_PAGE_UNMAPPABLE;
  }
  if (usedDefault) {
    WipeMemory(out, (size_t)n);
    return CODE_PAGE_UNMAPPABLE;
  }
  out[n] = 0;
  return CODE_PAGE_OK;
}

CodePageResult WideFromCodePage(UINT cp, const char* in, int length, wchar_t* out, int capacity, int* outLength) {
  *outLength = 0;
  if (length == 0) return CODE_PAGE_OK;
  const int n = MultiByteToWideChar(cp, TakesNoFlags(cp) ? 0 : MB_ERR_INVALID_CHARS, in, length, out, capacity);
  if (n == 0) return GetLastError() == ERROR_INSUFFICIENT_BUFFER ? CODE_PAGE_TOO_LONG : CODE_PAGE_UNMAPPABLE;
  *outLength = n;
  return CODE_PAGE_OK;
}

CodePageResult Recode(UINT from, UINT to, const char* text, char* out, size_t capacity) {
  wchar_t wide[RECODE_WIDE];
  int length;
  CodePageResult r = WideFromCodePage(from, text, (int)strlen(text), wide, RECODE_WIDE, &length);
  if (r == CODE_PAGE_OK) {
    r = CodePageFromWide(to, wide, length, out, capacity, LACK_REFUSED);
  } else if (capacity) {
    out[0] = 0;
  }
  WipeMemory(wide, sizeof wide);
  return r;
}

bool Cp932ToUtf8(const char* text, char* out, size_t capacity) {
  return Recode(CODE_PAGE_ENGINE, CP_UTF8, text, out, capacity) == CODE_PAGE_OK;
}

bool Utf8ToCp932(const char* text, char* out, size_t capacity) {
  return Recode(CP_UTF8, CODE_PAGE_ENGINE, text, out, capacity) == CODE_PAGE_OK;
}
