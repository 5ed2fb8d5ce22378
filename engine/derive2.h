// Derivation 2: every password drawn from an HMAC-SHA-256 stream keyed by the
// unmasked key and seeded by everything that shapes the password, so that no
// password tells anything of another. Its definition is a stored format: the
// passwords users registered depend on every byte of it.
#pragma once

#include <stdint.h>

#include "settings.h"

enum { DERIVE2_MAX_LENGTH = TEXT_CAPACITY - 1 };

// Writes exactly length characters (no terminator): printable ASCII, holding
// at least one character of every enabled class when length allows. False,
// with nothing written, for a key count outside 2..256, a length outside
// 1..1023 or no usable character.
bool DerivePassword2(const SettingsRecord& settings, const unsigned char* keyBytes, int32_t keyCount,
                     const char* keyPassword, const char* passPhrase, int32_t length, char* output);
