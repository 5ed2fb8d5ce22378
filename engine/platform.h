// What the engine needs of the operating system. Paths are code page 932.
#pragma once

#include <stddef.h>
#include <stdio.h>

// Full path of the running executable; false when it does not fit.
bool PlatformExecutablePath(char* out, size_t capacity);

// True for the first byte of a double-byte character.
bool PlatformIsLeadByte(unsigned char b);

FILE* PlatformOpenFile(const char* path, const char* mode);

// Pushes a written stream's data to the disk.
bool PlatformSyncFile(FILE* file);

// Gives a file just created at temporary, open as file and still empty, the
// permissions of target (Linux: mode and, where allowed, owner; Windows: the
// hidden and system attributes), so that replacing target changes its bytes
// alone. True when target does not exist.
bool PlatformCopyPermissions(FILE* file, const char* temporary, const char* target);

// Makes a file just created at temporary, open as file and still empty,
// readable and writable by its owner alone (Linux: mode 0600; Windows: a new
// file's usual access, nothing to do).
bool PlatformOwnerOnly(FILE* file, const char* temporary);

// Replaces target with source in one step.
bool PlatformReplaceFile(const char* source, const char* target);

bool PlatformRemoveFile(const char* path);

// Fills out from the operating system's cryptographic random source.
bool PlatformRandomBytes(void* out, size_t size);
