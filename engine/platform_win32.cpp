// Windows: ANSI calls, so paths and lead bytes follow the system's code page.
#define _CRT_RAND_S
#include <errno.h>
#include <io.h>
#include <stdlib.h>
#include <string.h>
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

namespace {

HANDLE AsHandle(PlatformHandle file) { return (HANDLE)(intptr_t)file; }

// The callers' messages read errno, as they do on Linux.
bool Failed() {
  switch (GetLastError()) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
      errno = ENOENT;
      break;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
      errno = EACCES;
      break;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
      errno = EEXIST;
      break;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      errno = ENOSPC;
      break;
    case ERROR_WRITE_PROTECT:
      errno = EROFS;
      break;
    case ERROR_FILENAME_EXCED_RANGE:
    case ERROR_INSUFFICIENT_BUFFER:
      errno = ENAMETOOLONG;
      break;
    default:
      errno = EIO;
  }
  return false;
}

}  // namespace

bool PlatformCreateNew(const char* path, PlatformHandle* out) {
  // CREATE_NEW fails on any file there, a link included. Shared with no one
  // while it is written; the folder's inherited access list until the
  // replace gives it the target's.
  HANDLE h = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return Failed();
  *out = (PlatformHandle)(intptr_t)h;
  return true;
}

bool PlatformWrite(PlatformHandle file, const void* data, size_t size) {
  DWORD written = 0;
  if (!WriteFile(AsHandle(file), data, (DWORD)size, &written, nullptr)) return Failed();
  if (written != size) {
    errno = ENOSPC;
    return false;
  }
  return true;
}

bool PlatformSyncFile(PlatformHandle file) { return FlushFileBuffers(AsHandle(file)) || Failed(); }

bool PlatformCloseFile(PlatformHandle file) { return CloseHandle(AsHandle(file)) || Failed(); }

bool PlatformCopyPermissions(PlatformHandle, const char* temporary, const char* target, bool) {
  DWORD attributes = GetFileAttributesA(target);
  if (attributes == INVALID_FILE_ATTRIBUTES) return GetLastError() == ERROR_FILE_NOT_FOUND || Failed();
  const DWORD kept = attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED);
  return kept == 0 || SetFileAttributesA(temporary, kept | FILE_ATTRIBUTE_ARCHIVE) || Failed();
}

bool PlatformReplaceFile(const char* source, const char* target) {
  // Not every file system refuses to replace a read-only file: refuse here.
  DWORD attributes = GetFileAttributesA(target);
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return Failed();
  }
  if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    // ReplaceFileA keeps the target's access list (a key kept from other
    // accounts stays so); a move would give the folder's inherited one.
    if (ReplaceFileA(target, source, nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr)) return true;
    // The target is gone and the new file still under its own name: move it in.
    if (GetLastError() != ERROR_UNABLE_TO_MOVE_REPLACEMENT) return Failed();
  }
  return MoveFileExA(source, target, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) || Failed();
}

namespace {

bool CopyPath(const char* path, char* out, size_t capacity) {
  if (strlen(path) >= capacity) {
    SetLastError(ERROR_FILENAME_EXCED_RANGE);
    return Failed();
  }
  strcpy(out, path);
  return true;
}

}  // namespace

bool PlatformFinalPath(const char* path, char* out, size_t capacity) {
  // Asked of every file there, not only of a reparse point: Wine shows a
  // Unix link as a plain file, and its ReplaceFile then deletes the file the
  // link led to. The system follows links on opening and says where it ended
  // ("\\?\C:\..." or "\\?\UNC\server\...").
  const DWORD attributes = GetFileAttributesA(path);
  if (attributes == INVALID_FILE_ATTRIBUTES) return CopyPath(path, out, capacity);
  const bool link = (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
  HANDLE h = CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                         FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  // A link that leads nowhere: refused, as writing there would replace the link.
  if (h == INVALID_HANDLE_VALUE) return link ? Failed() : CopyPath(path, out, capacity);
  char final[1024];
  const DWORD n = GetFinalPathNameByHandleA(h, final, sizeof final, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
  const DWORD error = GetLastError();
  CloseHandle(h);
  if (n == 0 || n >= sizeof final) {
    SetLastError(n ? ERROR_FILENAME_EXCED_RANGE : error);
    return link ? Failed() : CopyPath(path, out, capacity);
  }
  const char* rest = final;
  char unc[sizeof final + 2] = "";
  if (strncmp(final, "\\\\?\\UNC\\", 8) == 0) {
    strcpy(unc, "\\\\");
    strcat(unc, final + 8);
    rest = unc;
  } else if (strncmp(final, "\\\\?\\", 4) == 0) {
    rest = final + 4;
  }
  // The same file by a path too long for the ANSI calls: only a link needs it.
  if (strlen(rest) >= capacity && !link) return CopyPath(path, out, capacity);
  return CopyPath(rest, out, capacity);
}

bool PlatformLockFile(const char* path, PlatformHandle* out) {
  HANDLE h = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                         nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return Failed();
  // Polled, not waited on: a holder that hangs must not hang this program too.
  for (int tries = 0; tries < 1000; ++tries) {
    OVERLAPPED at = {};
    if (LockFileEx(h, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at)) {
      *out = (PlatformHandle)(intptr_t)h;
      return true;
    }
    if (GetLastError() != ERROR_LOCK_VIOLATION && GetLastError() != ERROR_IO_PENDING) break;
    Sleep(10);
  }
  Failed();
  CloseHandle(h);
  return false;
}

void PlatformUnlockFile(PlatformHandle lock) {
  OVERLAPPED at = {};
  UnlockFileEx(AsHandle(lock), 0, 1, 0, &at);
  CloseHandle(AsHandle(lock));
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
