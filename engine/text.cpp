#include "text.h"

#include <string.h>

size_t BoundedLength(const char* text, size_t capacity) {
  const void* end = memchr(text, 0, capacity);
  return end ? (size_t)((const char*)end - text) : capacity;
}

void CopyText(char* destination, size_t capacity, const char* source) {
  size_t n = BoundedLength(source, capacity - 1);
  memmove(destination, source, n);
  destination[n] = 0;
}

bool AppendText(char* destination, size_t capacity, const char* source) {
  size_t used = BoundedLength(destination, capacity);
  size_t n = strlen(source);
  if (used >= capacity || n >= capacity - used) return false;
  memcpy(destination + used, source, n + 1);
  return true;
}

bool AppendNumber(char* destination, size_t capacity, long value) {
  char digits[24];
  char* p = digits + sizeof digits;
  *--p = 0;
  unsigned long n = value < 0 ? 0UL - (unsigned long)value : (unsigned long)value;
  do {
    *--p = (char)('0' + n % 10);
    n /= 10;
  } while (n);
  if (value < 0) *--p = '-';
  return AppendText(destination, capacity, p);
}

void WipeMemory(void* memory, size_t size) {
#if defined(__GNUC__)
  // A whole-width memset; the empty asm claims to read the memory, so the
  // zeros cannot be dropped as dead stores, not even across files.
  memset(memory, 0, size);
  __asm__ __volatile__("" : : "r"(memory) : "memory");
#else
  volatile unsigned char* p = (volatile unsigned char*)memory;
  while (size--) *p++ = 0;
#endif
}
