#include "code_page.h"

#include <windows.h>

#include "text.h"

namespace {

enum { CP_JAPANESE = 932, WIDE_CAPACITY = 3 * 1024 };

// Through UTF-16. Only a round trip that keeps every character counts: a
// best-fit or default character would stand for another site.
bool Convert(UINT from, UINT to, const char* text, char* out, size_t capacity) {
  out[0] = 0;
  if (capacity < 2) return text[0] == 0;
  WCHAR wide[WIDE_CAPACITY];
  int n = MultiByteToWideChar(from, MB_ERR_INVALID_CHARS, text, -1, wide, WIDE_CAPACITY);
  bool ok = n > 0;
  if (ok) {
    BOOL defaulted = FALSE;
    // CP_UTF8 takes neither flag nor default character; it fails on an unpaired surrogate instead.
    const DWORD flags = to == CP_UTF8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
    int m = WideCharToMultiByte(to, flags, wide, -1, out, (int)capacity, nullptr, to == CP_UTF8 ? nullptr : &defaulted);
    ok = m > 0 && !defaulted;
  }
  if (!ok) out[0] = 0;
  WipeMemory(wide, sizeof wide);
  return ok;
}

}  // namespace

bool Cp932ToUtf8(const char* text, char* out, size_t capacity) {
  return Convert(CP_JAPANESE, CP_UTF8, text, out, capacity);
}

bool Utf8ToCp932(const char* text, char* out, size_t capacity) {
  return Convert(CP_UTF8, CP_JAPANESE, text, out, capacity);
}
