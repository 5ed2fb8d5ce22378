// Linux: paths are UTF-8 on disk, code page 932 inside the engine.
#include <errno.h>
#include <iconv.h>
#include <string.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform.h"

namespace {

// Converts a whole string; false when a character has no counterpart.
bool Convert(const char* to, const char* from, const char* in, char* out, size_t capacity) {
  iconv_t cd = iconv_open(to, from);
  if (cd == (iconv_t)-1) return false;
  char* src = const_cast<char*>(in);
  size_t srcLeft = strlen(in);
  char* dst = out;
  size_t dstLeft = capacity - 1;
  size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
  iconv_close(cd);
  if (r == (size_t)-1 || srcLeft != 0) return false;
  *dst = 0;
  return true;
}

}  // namespace

bool PlatformExecutablePath(char* out, size_t capacity) {
  char native[4096];
  ssize_t n = readlink("/proc/self/exe", native, sizeof native - 1);
  if (n <= 0 || n >= (ssize_t)sizeof native - 1) {
    out[0] = 0;
    return false;
  }
  native[n] = 0;
  if (!Convert("CP932", "UTF-8", native, out, capacity)) {
    out[0] = 0;
    return false;
  }
  return true;
}

bool PlatformIsLeadByte(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

FILE* PlatformOpenFile(const char* path, const char* mode) {
  char native[4096];
  if (!Convert("UTF-8", "CP932", path, native, sizeof native)) {
    errno = EILSEQ;
    return nullptr;
  }
  return fopen(native, mode);
}

bool PlatformSyncFile(FILE* file) { return fsync(fileno(file)) == 0; }

bool PlatformCopyPermissions(FILE* file, const char*, const char* target) {
  char native[4096];
  struct stat st;
  if (!Convert("UTF-8", "CP932", target, native, sizeof native)) return false;
  if (stat(native, &st) != 0) return errno == ENOENT;
  const int fd = fileno(file);
  // The owner only where it differs and may be given (root replacing a
  // user's file); the mode always, after the owner, which may clear it.
  struct stat own;
  if (fstat(fd, &own) == 0 && (own.st_uid != st.st_uid || own.st_gid != st.st_gid)) {
    if (fchown(fd, st.st_uid, st.st_gid) != 0) {
      // Not allowed to: the file stays ours, with no more access than before.
    }
  }
  return fchmod(fd, st.st_mode & 07777) == 0;
}

bool PlatformOwnerOnly(FILE* file, const char*) { return fchmod(fileno(file), S_IRUSR | S_IWUSR) == 0; }

bool PlatformReplaceFile(const char* source, const char* target) {
  char from[4096], to[4096];
  if (!Convert("UTF-8", "CP932", source, from, sizeof from) || !Convert("UTF-8", "CP932", target, to, sizeof to))
    return false;
  // rename() looks only at the directory: a target the user may not write, or
  // made read-only (which root's access() ignores), stays as it is.
  struct stat st;
  if (stat(to, &st) == 0 && (access(to, W_OK) != 0 || !(st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)))) {
    errno = EACCES;
    return false;
  }
  return rename(from, to) == 0;
}

bool PlatformRemoveFile(const char* path) {
  char native[4096];
  return Convert("UTF-8", "CP932", path, native, sizeof native) && remove(native) == 0;
}

bool PlatformRandomBytes(void* out, size_t size) {
  unsigned char* p = (unsigned char*)out;
  while (size) {
    ssize_t n = getrandom(p, size, 0);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    p += n;
    size -= (size_t)n;
  }
  return true;
}
