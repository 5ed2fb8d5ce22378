// Linux: paths are UTF-8 on disk, code page 932 inside the engine.
#include <errno.h>
#include <fcntl.h>
#include <iconv.h>
#include <string.h>
#include <sys/file.h>
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

bool PlatformCreateNew(const char* path, PlatformHandle* out) {
  char native[4096];
  if (!Convert("UTF-8", "CP932", path, native, sizeof native)) {
    errno = EILSEQ;
    return false;
  }
  const int fd = open(native, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, S_IRUSR | S_IWUSR);
  *out = fd;
  return fd >= 0;
}

bool PlatformWrite(PlatformHandle file, const void* data, size_t size) {
  const char* p = (const char*)data;
  while (size) {
    const ssize_t n = write((int)file, p, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    p += n;
    size -= (size_t)n;
  }
  return true;
}

bool PlatformSyncFile(PlatformHandle file) { return fsync((int)file) == 0; }

bool PlatformCloseFile(PlatformHandle file) { return close((int)file) == 0; }

bool PlatformCopyPermissions(PlatformHandle file, const char*, const char* target, bool ownerOnly) {
  char native[4096];
  struct stat st;
  if (!Convert("UTF-8", "CP932", target, native, sizeof native)) return false;
  const int fd = (int)file;
  if (stat(native, &st) != 0) {
    if (errno != ENOENT) return false;
    if (ownerOnly) return true;
    // What a file made by open(0666) would have had.
    const mode_t mask = umask(077);
    umask(mask);
    return fchmod(fd, 0666 & ~mask) == 0;
  }
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
  if (rename(from, to) != 0) return false;
  // The rename is on disk only once its folder is: else a crash could bring
  // the old file back (an old key password, or the original form).
  char* slash = strrchr(to, '/');
  if (slash == to) {
    slash[1] = 0;
  } else if (slash) {
    *slash = 0;
  } else {
    strcpy(to, ".");
  }
  const int folder = open(to, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folder >= 0) {
    // Some file systems cannot sync a folder; the file itself is in place.
    fsync(folder);
    close(folder);
  }
  return true;
}

bool PlatformFinalPath(const char* path, char* out, size_t capacity) {
  char native[4096], link[4096];
  if (!Convert("UTF-8", "CP932", path, native, sizeof native)) {
    errno = EILSEQ;
    return false;
  }
  // Followed by hand, not by realpath(): a link to a file not made yet is
  // written where it points, as a shell's '>' would.
  for (int hops = 0;; ++hops) {
    struct stat st;
    if (lstat(native, &st) != 0 || !S_ISLNK(st.st_mode)) break;
    if (hops == 40) {
      errno = ELOOP;
      return false;
    }
    const ssize_t n = readlink(native, link, sizeof link - 1);
    if (n <= 0) return false;
    link[n] = 0;
    char* slash = strrchr(native, '/');
    const size_t keep = link[0] == '/' || !slash ? 0 : (size_t)(slash + 1 - native);
    if (keep + (size_t)n >= sizeof native) {
      errno = ENAMETOOLONG;
      return false;
    }
    memcpy(native + keep, link, (size_t)n + 1);
  }
  if (!Convert("CP932", "UTF-8", native, out, capacity)) {
    errno = errno == E2BIG ? ENAMETOOLONG : EILSEQ;
    return false;
  }
  return true;
}

bool PlatformLockFile(const char* path, PlatformHandle* out) {
  char native[4096];
  if (!Convert("UTF-8", "CP932", path, native, sizeof native)) {
    errno = EILSEQ;
    return false;
  }
  const int fd = open(native, O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, S_IRUSR | S_IWUSR);
  if (fd < 0) return false;
  // Polled, not waited on: a holder that hangs must not hang this program too.
  for (int tries = 0; tries < 1000; ++tries) {
    if (flock(fd, LOCK_EX | LOCK_NB) == 0) {
      *out = fd;
      return true;
    }
    if (errno != EWOULDBLOCK && errno != EINTR) break;
    usleep(10000);
  }
  const int error = errno;
  close(fd);
  errno = error;
  return false;
}

void PlatformUnlockFile(PlatformHandle lock) {
  flock((int)lock, LOCK_UN);
  close((int)lock);
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
