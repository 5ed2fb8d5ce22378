// Replacing the key file with new bytes for the same key (a new key password,
// the other form), the old file kept first when asked for.
#pragma once

// False (reported) when a file is at path (--keep-old writes a new file only)
// or its folder is not there.
// An empty path passes.
bool MayKeepOld(const char* path);

// Copies the old key file (oldCount bytes in g_keyBytes) to keepOldPath when
// that is not empty, then replaces the key file at keyPath with newCount
// bytes of g_changedKey. False (reported) on any failure; the key file is then
// unchanged. Both files keep the key file's permissions.
bool RewriteKeyFile(const char* keyPath, const char* keepOldPath, int oldCount, int newCount);

// "the old key file, which opens with the old key password, is kept: FILE",
// when keepOldPath is not empty; false when standard output fails.
bool SayOldKept(const char* keepOldPath);
