// The password derivation: unmask and filter the pool, hash, seed and pick.
#pragma once

#include <stdint.h>

#include "settings.h"

extern uint32_t g_squareState;
extern const SettingsRecord* g_filterSettings;

// Writes exactly length characters to output (no terminator). False, with
// nothing written, when no candidate remains or keyCount is outside 0..256.
// A record with OPT_DERIVATION_2 derives by derivation 2 (derive2.h).
bool DerivePassword(SettingsRecord settings, const unsigned char* keyBytes, int32_t keyCount, const char* keyPassword,
                    const char* passPhrase, int32_t length, char* output);

bool UnmaskAndFilter(const char* keyPassword, unsigned char* buffer, int32_t* count);
bool IsCharAllowed(unsigned char b);
uint32_t HashPassPhrase(const char* passPhrase);
void SeedSquareGenerator(uint32_t hash);
uint32_t NextSquareValue();
