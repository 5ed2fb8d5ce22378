// Replacing a file whole, so that a failed write leaves the old one intact.
#pragma once

#include <stddef.h>

enum FileStep {
  FILE_STEP_OPEN,
  FILE_STEP_WRITE,
  FILE_STEP_FLUSH,
  FILE_STEP_CLOSE,
  FILE_STEP_REPLACE,
};

// Test seam: when set and it returns true for a step, that step fails.
extern bool (*g_fileFaultHook)(FileStep step);

// Writes size bytes to a temporary file beside path, made for its owner
// alone and never through a link, then renames it over path. False on any
// failure; path is then as before and no temporary is left. The new file
// takes the permissions of path where it exists. A path that is a link (or a
// chain of them) is written at the file it leads to, and stays a link.
bool ReplaceFileContents(const char* path, const void* data, size_t size);

// The same, the new file taking the permissions of modelPath where that
// exists: a copy of a key kept from other users is kept from them too.
bool ReplaceFileContentsAs(const char* path, const void* data, size_t size, const char* modelPath);

// The same for a key: a new file (none at modelPath) is readable by its owner
// alone; one that replaces a file keeps that file's permissions.
bool ReplaceKeyFileContents(const char* path, const void* data, size_t size, const char* modelPath);

// An edit of a file that other programs may edit at the same time (sites.txt)
// holds this from reading the file to replacing it: a lock on "<file>.lock"
// beside the file a link leads to, since a lock on the file itself would be
// lost with it at the rename. The lock file stays; removing it would let two
// programs hold a lock each.
struct FileEditLock {
  long long handle;
  bool held;
};

// Waits up to about ten seconds; false, with errno saying why, when the lock
// cannot be had (then nothing may be written).
bool LockFileForEdit(const char* path, FileEditLock* lock);

void UnlockFileForEdit(FileEditLock* lock);
