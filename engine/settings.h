// The settings record and setting.ini beside the executable.
#pragma once

#include <stddef.h>
#include <stdint.h>

enum {
  OPT_CLIPBOARD = 1,
  OPT_DIGITS = 2,
  OPT_LOWER = 4,
  OPT_UPPER = 8,
  OPT_SYMBOLS = 16,
  OPT_DERIVATION_2 = 32,  // derive by derivation 2 (derive2.h) rather than derivation 1
};

enum {
  PATH_CAPACITY = 260,
  CLASS_CAPACITY = 64,
  TEXT_CAPACITY = 1024,
  SETTINGS_FILE_SIZE = 524,
  DEFAULT_PASSWORD_LENGTH = 16,
  DEFAULT_OPTION_FLAGS = 31,
};

// Stored raw, little-endian, as the whole of setting.ini.
struct SettingsRecord {
  char keyFilePath[PATH_CAPACITY];
  uint32_t optionFlags;
  int32_t passwordLength;
  char digitChars[CLASS_CAPACITY];
  char lowerChars[CLASS_CAPACITY];
  char upperChars[CLASS_CAPACITY];
  char symbolChars[CLASS_CAPACITY];
};
static_assert(sizeof(SettingsRecord) == SETTINGS_FILE_SIZE, "setting.ini holds the record as is");

extern SettingsRecord g_settings;

extern const char DEFAULT_DIGIT_CHARS[];
extern const char DEFAULT_LOWER_CHARS[];
extern const char DEFAULT_UPPER_CHARS[];
extern const char DEFAULT_SYMBOL_CHARS[];

// Every byte zero, then the defaults and the given key file path.
void SetDefaultSettings(SettingsRecord* record, const char* keyFilePath);

// The executable's drive and directory, ending in its separator.
// False (and an empty buffer) when the path does not fit in 260 bytes.
bool GetModuleDirectory(char* out);

// Drive and directory of a code page 932 path, as GetModuleDirectory splits it.
void SplitDirectory(const char* path, char* out, int capacity);

// The settings file's full path; false when it does not fit in 260 bytes.
bool GetSettingsPath(char* out);

// The record held by the first 524 of count bytes (a settings file's
// contents); false when count is smaller. Fields are terminated as on loading.
bool ReadSettingsRecord(const void* bytes, size_t count, SettingsRecord* destination);

// True when one whole record was read; on false the destination is untouched.
// A string field without a terminator is cut at the end of its field.
bool LoadSettings(SettingsRecord* destination);

// Replaces setting.ini whole; on false the previous file is unchanged.
bool SaveSettings(SettingsRecord record);

// The same, for a settings file at any code page 932 path.
bool LoadSettingsFrom(const char* path, SettingsRecord* destination);
bool SaveSettingsTo(const char* path, SettingsRecord record);
