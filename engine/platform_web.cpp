// The browser page: no file system (the page reads and saves files itself and
// hands the module bytes), random bytes from the browser's crypto source.
#include <errno.h>
#include <unistd.h>

#include "platform.h"

bool PlatformExecutablePath(char* out, size_t) {
  out[0] = 0;
  return false;
}

bool PlatformIsLeadByte(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

FILE* PlatformOpenFile(const char*, const char*) {
  errno = ENOENT;
  return nullptr;
}

bool PlatformCreateNew(const char*, PlatformHandle*) {
  errno = ENOSYS;
  return false;
}

bool PlatformWrite(PlatformHandle, const void*, size_t) { return false; }

bool PlatformSyncFile(PlatformHandle) { return false; }

bool PlatformCloseFile(PlatformHandle) { return false; }

bool PlatformCopyPermissions(PlatformHandle, const char*, const char*, bool) { return false; }

bool PlatformReplaceFile(const char*, const char*) { return false; }

bool PlatformFinalPath(const char*, char*, size_t) {
  errno = ENOSYS;
  return false;
}

bool PlatformLockFile(const char*, PlatformHandle*) {
  errno = ENOSYS;
  return false;
}

void PlatformUnlockFile(PlatformHandle) {}

bool PlatformRemoveFile(const char*) { return false; }

bool PlatformRandomBytes(void* out, size_t size) {
  // getentropy is the page's crypto.getRandomValues; it takes 256 bytes a call.
  unsigned char* p = (unsigned char*)out;
  while (size) {
    size_t n = size < 256 ? size : 256;
    if (getentropy(p, n) != 0) return false;
    p += n;
    size -= n;
  }
  return true;
}
