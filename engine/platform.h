// What the engine needs of the operating system. Paths are code page 932.
#pragma once

#include <stddef.h>
#include <stdio.h>

// Full path of the running executable; false when it does not fit.
bool PlatformExecutablePath(char* out, size_t capacity);

// True for the first byte of a double-byte character.
bool PlatformIsLeadByte(unsigned char b);

FILE* PlatformOpenFile(const char* path, const char* mode);

// A file open for writing or locking: a descriptor, or a Windows handle.
typedef long long PlatformHandle;

// Creates a new file at path for writing, readable and writable by its owner
// alone: never an existing file, nor through a link put in its place (POSIX:
// O_CREAT|O_EXCL|O_NOFOLLOW|O_CLOEXEC, 0600; Windows: CREATE_NEW).
bool PlatformCreateNew(const char* path, PlatformHandle* out);

// All size bytes, or false.
bool PlatformWrite(PlatformHandle file, const void* data, size_t size);

// Pushes a written file's data to the disk.
bool PlatformSyncFile(PlatformHandle file);

bool PlatformCloseFile(PlatformHandle file);

// Gives a file being written at temporary the permissions of target (Linux:
// owner where allowed, then mode; Windows: the hidden and system
// attributes), so that replacing target changes its bytes alone. Where
// target does not exist the file stays its owner's alone when ownerOnly,
// else takes a new file's usual mode. False only on failure.
bool PlatformCopyPermissions(PlatformHandle file, const char* temporary, const char* target, bool ownerOnly);

// Replaces target with source in one step, and makes the change last (POSIX:
// the folder synced after the rename; Windows: ReplaceFileA over an existing
// target, keeping its access list and attributes, else a write-through move).
bool PlatformReplaceFile(const char* source, const char* target);

// The file a path stands for when it is a symbolic link (or a chain of them,
// or a Windows reparse point): out receives the final target, where a write
// must go for the link to stay a link; else path itself. False, with errno
// (or the Windows error) saying why, when that cannot be found or does not
// fit PATH_CAPACITY bytes.
bool PlatformFinalPath(const char* path, char* out, size_t capacity);

// Holds an exclusive lock on the file at path, made when missing, waiting up
// to about ten seconds for another holder. False when it cannot be had.
bool PlatformLockFile(const char* path, PlatformHandle* out);

// Releases the lock and closes the file.
void PlatformUnlockFile(PlatformHandle lock);

bool PlatformRemoveFile(const char* path);

// Fills out from the operating system's cryptographic random source.
bool PlatformRandomBytes(void* out, size_t size);
