// The sealed key opened last, kept in memory like the key password in force,
// so that Argon2id runs again only when the key file's bytes or the key
// password change. ForgetKeptKey wipes it at exit.
#pragma once

#include <windows.h>

#include "key_open.h"

// OpenKey; while Argon2id runs, dialog says so (busy_line.h). A sealed key
// that opened is kept with the file's bytes and the key password; the same
// two again give it back at once. On failure out holds no secret.
KeyOpenStatus OpenKeyKept(HWND dialog, const unsigned char* file, int count, const char* keyPassword,
                          bool checkOriginal, OpenedKey* out);

// Keeps key as what file (count bytes, a sealed key) opens to under keyPassword:
// for a key just sealed, which then needs no Argon2id run to be used.
void KeepOpenedKey(const unsigned char* file, int count, const char* keyPassword, const OpenedKey& key);

void ForgetKeptKey();

// The derivation the sealed key file at path names, read from its header
// without the key password; 0 for a key of the original form or no key.
int KeyFileDerivation(const char* path);

// The message for a key that did not open for want of the key password,
// memory or a key in the file, or null for the other statuses.
const char* SealedKeyProblem(KeyOpenStatus status, const char* wrongPasswordText);

// Whether the key may be opened: anything but a sealed key asking more memory
// than a new key may, or one already kept, at once; such a key once the user
// said yes to how much memory and time it takes.
bool MayOpenKey(HWND owner, const unsigned char* file, int count, const char* keyPassword);
