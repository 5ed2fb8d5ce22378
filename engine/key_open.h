// A key file of either form opened for the derivation. Both derivations take
// the pool unmasked under an empty key password, and so give from a sealed
// key exactly what the original form of the same pool gives under its key
// password.
#pragma once

#include <stdint.h>

#include "keyfile.h"
#include "sealed_key.h"
#include "settings.h"

struct OpenedKey {
  unsigned char bytes[KEY_BUFFER_SIZE];  // the unmasked key bytes, then zeros
  int count;                             // the key byte count DerivePassword takes: 103 for a key
  bool sealed;
  SealParameters seal;  // a sealed key's header; unset for the original form
};

enum KeyOpenStatus {
  KEY_OPEN_OK,
  KEY_OPEN_WRONG_SIZE,      // original form: not 103 bytes
  KEY_OPEN_NO_FINAL_ZERO,   // original form: byte 102 is not zero
  KEY_OPEN_MISMATCH,        // original form: the key password unmasks it into something other than a key
  KEY_OPEN_UNSUPPORTED,     // sealed: made by a later version, or its header is damaged
  KEY_OPEN_DAMAGED,         // begins like a sealed key but is not 178 bytes: never derives
  KEY_OPEN_NOT_A_KEY,       // sealed: opens, but holds no key pool
  KEY_OPEN_WRONG_PASSWORD,  // sealed: the key password is wrong, or the file is damaged
  KEY_OPEN_NO_MEMORY,       // sealed: not enough memory for its parameters
};

// file: count bytes as ReadKeyFile gives them. checkOriginal: whether an
// original key must pass the key check; without it, a file of any shape is
// unmasked as the dialog program always has. A sealed key that does not open,
// or a damaged one, never gives a key. On failure out holds no secret.
KeyOpenStatus OpenKey(const unsigned char* file, int count, const char* keyPassword, bool checkOriginal,
                      OpenedKey* out);

// The shape alone, before a key password is asked for: KEY_OPEN_OK, a wrong
// size or final byte (original form), KEY_OPEN_DAMAGED, or
// KEY_OPEN_UNSUPPORTED (sealed).
KeyOpenStatus CheckKeyFileShape(const unsigned char* file, int count);

// The derivation the key names: 1 or 2 for a sealed key, 0 for the original
// form, whose derivation the settings choose.
int KeyDerivation(const OpenedKey& key);

// The derivation a key file's header names before it is opened: 1 or 2 for
// a sealed key this version reads, 0 for any other file.
int KeyFileDerivation(const unsigned char* file, int count);

// Derivation 2 sets OPT_DERIVATION_2, 1 clears it, 0 leaves the settings as they are.
void SetDerivation(SettingsRecord* settings, int derivation);

// A sealed key's derivation replaces the settings' OPT_DERIVATION_2 bit.
void ApplyKeyDerivation(const OpenedKey& key, SettingsRecord* settings);

// DerivePassword with the opened key's bytes under an empty key password.
bool DeriveWithKey(const SettingsRecord& settings, const OpenedKey& key, const char* passPhrase, int32_t length,
                   char* output);

// The opened key's pool sealed under keyPassword into out (178 bytes). Only
// a key pool ending in a zero byte is sealed (SEAL_NOT_A_KEY otherwise).
SealStatus SealOpenedKey(const OpenedKey& key, const char* keyPassword, const SealParameters& params,
                         unsigned char* out);

// The original form: the pool masked with keyPassword into out (103 bytes).
// 103, or 0 for anything but a key pool ending in a zero byte.
int UnsealOpenedKey(const OpenedKey& key, const char* keyPassword, unsigned char* out);

// A new sealed key: a shuffled pool sealed under keyPassword into out (178 bytes).
SealStatus CreateSealedKey(const char* keyPassword, const SealParameters& params, unsigned char* out);
