#include "safe_write.h"

#include <errno.h>
#include <string.h>

#include "platform.h"
#include "settings.h"
#include "text.h"

bool (*g_fileFaultHook)(FileStep step) = nullptr;

namespace {

// Longest path the platform's ANSI calls take, with its terminator.
const size_t PATH_LIMIT = PATH_CAPACITY;

bool Faulted(FileStep step) { return g_fileFaultHook && g_fileFaultHook(step); }

// "<path>.<8 hex digits>.tmp" in the same directory, so the rename cannot
// cross volumes; where that would not fit a path buffer, "<dir>~<hex digits>".
bool MakeTemporaryName(const char* path, char* out, size_t capacity) {
  unsigned char noise[4];
  if (!PlatformRandomBytes(noise, sizeof noise)) return false;
  // By hand: snprintf would bring MinGW's whole printf into the dialog program.
  char hex[9];
  for (int i = 0; i < 8; ++i) hex[i] = "0123456789abcdef"[(noise[i / 2] >> (i % 2 ? 0 : 4)) & 15];
  hex[8] = 0;
  out[0] = 0;
  if (strlen(path) + 13 < PATH_LIMIT) {
    return AppendText(out, capacity, path) && AppendText(out, capacity, ".") && AppendText(out, capacity, hex) &&
           AppendText(out, capacity, ".tmp");
  }
  char directory[PATH_LIMIT];
  SplitDirectory(path, directory, sizeof directory);
  // Hex digits that fit after the directory and '~'; fewer than 4 is too likely to collide.
  long room = (long)PATH_LIMIT - 2 - (long)strlen(directory);
  if (room < 4) return false;
  if (room < 8) hex[room] = 0;
  return AppendText(out, capacity, directory) && AppendText(out, capacity, "~") && AppendText(out, capacity, hex);
}

// ownerOnly: a new file (none at modelPath) is kept from other users.
bool Replace(const char* path, const void* data, size_t size, const char* modelPath, bool ownerOnly) {
  // A link stays a link: the file it leads to is the one replaced.
  char target[PATH_LIMIT];
  if (!PlatformFinalPath(path, target, sizeof target)) return false;
  if (strcmp(modelPath, path) == 0) modelPath = target;
  char temporary[512];
  if (!MakeTemporaryName(target, temporary, sizeof temporary)) return false;

  PlatformHandle file;
  if (Faulted(FILE_STEP_OPEN)) {
    errno = EIO;
    return false;
  }
  if (!PlatformCreateNew(temporary, &file)) return false;

  const unsigned char* bytes = (const unsigned char*)data;
  bool ok = true;
  // Written in small pieces so that every write is checked on its own.
  for (size_t done = 0; ok && done < size;) {
    size_t piece = size - done < 256 ? size - done : 256;
    ok = !Faulted(FILE_STEP_WRITE) && PlatformWrite(file, bytes + done, piece);
    done += piece;
  }
  ok = ok && !Faulted(FILE_STEP_FLUSH) && PlatformSyncFile(file);
  // The target's permissions only now, its bytes all in: until the rename
  // the file stays its owner's alone.
  ok = ok && PlatformCopyPermissions(file, temporary, modelPath, ownerOnly);
  bool closed = PlatformCloseFile(file) && !Faulted(FILE_STEP_CLOSE);
  ok = ok && closed && !Faulted(FILE_STEP_REPLACE) && PlatformReplaceFile(temporary, target);
  if (!ok) {
    // errno says why the step failed, for the caller's message; not why the cleanup did.
    const int error = errno;
    PlatformRemoveFile(temporary);
    errno = error;
  }
  return ok;
}

}  // namespace

bool ReplaceFileContents(const char* path, const void* data, size_t size) {
  return Replace(path, data, size, path, false);
}

bool ReplaceFileContentsAs(const char* path, const void* data, size_t size, const char* modelPath) {
  return Replace(path, data, size, modelPath, false);
}

bool ReplaceKeyFileContents(const char* path, const void* data, size_t size, const char* modelPath) {
  return Replace(path, data, size, modelPath, true);
}

bool LockFileForEdit(const char* path, FileEditLock* lock) {
  lock->held = false;
  char target[PATH_LIMIT], lockPath[PATH_LIMIT];
  if (!PlatformFinalPath(path, target, sizeof target)) return false;
  lockPath[0] = 0;
  if (!AppendText(lockPath, sizeof lockPath, target) || !AppendText(lockPath, sizeof lockPath, ".lock")) {
    errno = ENAMETOOLONG;
    return false;
  }
  PlatformHandle handle;
  if (!PlatformLockFile(lockPath, &handle)) return false;
  lock->handle = handle;
  lock->held = true;
  return true;
}

void UnlockFileForEdit(FileEditLock* lock) {
  if (lock->held) PlatformUnlockFile(lock->handle);
  lock->held = false;
}
