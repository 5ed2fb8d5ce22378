// Code page 932, in which the windows give and take text, against the UTF-8
// of sites.txt.
#pragma once

#include <stddef.h>

// Both false, with an empty out, when the text is not well formed in its
// code page, a character has no form in the other one, or the result does
// not fit in capacity bytes with its terminator.
bool Cp932ToUtf8(const char* text, char* out, size_t capacity);
bool Utf8ToCp932(const char* text, char* out, size_t capacity);
