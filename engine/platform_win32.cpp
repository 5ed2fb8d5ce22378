// Windows: ANSI calls, so paths and lead bytes follow the system's code page.
#define _CRT_RAND_S
#include <io.h>
#include <stdlib.h>
#include <windows.h>

#include "platform.h"

bool PlatformExecutablePath(char* out, size_t capacity) {
  DWORD n = GetModuleFileNameA(nullptr, out, (DWORD)capacity);
  if (n == 0 || n >= capacity) {
    if (capacity) out[0] = 0;
    return false;
  }
  return true;
}

bool PlatformIsLeadByte(unsigned char b) { return IsDBCSLeadByte(b) != 0; }

FILE* PlatformOpenFile(const char* path, const char* mode) { return fopen(path, mode); }

bool PlatformSyncFile(FILE* file) { return _commit(_fileno(file)) == 0; }

bool PlatformCopyPermissions(FILE*, const char* temporary, const char* target) {
  DWORD attributes = GetFileAttributesA(target);
  if (attributes == INVALID_FILE_ATTRIBUTES) return GetLastError() == ERROR_FILE_NOT_FOUND;
  const DWORD kept = attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED);
  return kept == 0 || SetFileAttributesA(temporary, kept | FILE_ATTRIBUTE_ARCHIVE) != 0;
}

// A new file takes the folder's access list: the user's profile keeps it from others.
bool PlatformOwnerOnly(FILE*, const char*) { return true; }

bool PlatformReplaceFile(const char* source, const char* target) {
  // Not every file system refuses to replace a read-only file: refuse here.
  DWORD attributes = GetFileAttributesA(target);
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return false;
  }
  return MoveFileExA(source, target, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

bool PlatformRemoveFile(const char* path) { return DeleteFileA(path) != 0; }

bool PlatformRandomBytes(void* out, size_t size) {
  // rand_s draws from the system's cryptographic generator, through the C runtime.
  unsigned char* p = (unsigned char*)out;
  while (size) {
    unsigned int word;
    if (rand_s(&word) != 0) return false;
    size_t n = size < sizeof word ? size : sizeof word;
    for (size_t i = 0; i < n; ++i) p[i] = (unsigned char)(word >> (8 * i));
    p += n;
    size -= n;
  }
  return true;
}
