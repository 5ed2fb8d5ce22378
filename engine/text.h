// Bounded byte-string helpers.
#pragma once

#include <stddef.h>

// Length of a string that may lack a terminator within capacity bytes.
size_t BoundedLength(const char* text, size_t capacity);

// Copies at most capacity - 1 bytes and always terminates (capacity > 0).
void CopyText(char* destination, size_t capacity, const char* source);

// Appends within capacity; false (destination unchanged) when it does not fit.
bool AppendText(char* destination, size_t capacity, const char* source);

// Appends a number in decimal ASCII, as "%ld" writes it, without the printf
// family (the web page's module stays small); false as AppendText.
bool AppendNumber(char* destination, size_t capacity, long value);

// Overwrites memory in a way the compiler may not drop, for secrets.
void WipeMemory(void* memory, size_t size);
