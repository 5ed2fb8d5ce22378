// The derivation written out again the slow, obvious way, with 64-bit
// arithmetic, for the fuzz target to compare the engine against.
#pragma once

#include <stdint.h>

#include "settings.h"

bool ReferenceDerive(const SettingsRecord& settings, const unsigned char* keyBytes, int32_t keyCount,
                     const char* keyPassword, const char* passPhrase, int32_t length, char* output);

// True when b is a character of a class whose bit is set.
bool ReferenceAllowed(const SettingsRecord& settings, unsigned char b);
