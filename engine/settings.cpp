#include "settings.h"

#include <stdio.h>
#include <string.h>

#include "platform.h"
#include "safe_write.h"
#include "text.h"

SettingsRecord g_settings;

const char DEFAULT_DIGIT_CHARS[] = "0123456789";
const char DEFAULT_LOWER_CHARS[] = "abcdefghijklmnopqrstuvwxyz";
const char DEFAULT_UPPER_CHARS[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";
const char DEFAULT_SYMBOL_CHARS[] = "!#$%&()*+,-.\\/:;<=>?@[]^_`{|}~";

static const char SETTINGS_FILE_NAME[] = "setting.ini";

void SetDefaultSettings(SettingsRecord* record, const char* keyFilePath) {
  memset(record, 0, sizeof *record);
  CopyText(record->keyFilePath, sizeof record->keyFilePath, keyFilePath);
  record->optionFlags = DEFAULT_OPTION_FLAGS;
  record->passwordLength = DEFAULT_PASSWORD_LENGTH;
  CopyText(record->digitChars, CLASS_CAPACITY, DEFAULT_DIGIT_CHARS);
  CopyText(record->lowerChars, CLASS_CAPACITY, DEFAULT_LOWER_CHARS);
  CopyText(record->upperChars, CLASS_CAPACITY, DEFAULT_UPPER_CHARS);
  CopyText(record->symbolChars, CLASS_CAPACITY, DEFAULT_SYMBOL_CHARS);
}

void SplitDirectory(const char* path, char* out, int capacity) {
  // The second byte of a double-byte character is never a separator, even 0x5C.
  size_t end = (path[0] && path[1] == ':') ? 2 : 0;
  for (size_t i = 0; path[i]; ++i) {
    unsigned char b = (unsigned char)path[i];
    if (PlatformIsLeadByte(b) && path[i + 1]) {
      ++i;
    } else if (b == '\\' || b == '/') {
      end = i + 1;
    }
  }
  size_t n = end < (size_t)capacity ? end : (size_t)capacity - 1;
  memmove(out, path, n);
  out[n] = 0;
}

bool GetModuleDirectory(char* out) {
  char path[PATH_CAPACITY];
  if (!PlatformExecutablePath(path, sizeof path)) {
    out[0] = 0;
    return false;
  }
  SplitDirectory(path, out, PATH_CAPACITY);
  return true;
}

bool GetSettingsPath(char* out) {
  return GetModuleDirectory(out) && AppendText(out, PATH_CAPACITY, SETTINGS_FILE_NAME);
}

static void TerminateField(char* field, size_t width) {
  if (!memchr(field, 0, width)) field[width - 1] = 0;
}

bool ReadSettingsRecord(const void* bytes, size_t count, SettingsRecord* destination) {
  if (count < sizeof(SettingsRecord)) return false;
  SettingsRecord record;
  memcpy(&record, bytes, sizeof record);
  TerminateField(record.keyFilePath, sizeof record.keyFilePath);
  TerminateField(record.digitChars, CLASS_CAPACITY);
  TerminateField(record.lowerChars, CLASS_CAPACITY);
  TerminateField(record.upperChars, CLASS_CAPACITY);
  TerminateField(record.symbolChars, CLASS_CAPACITY);
  *destination = record;
  return true;
}

bool LoadSettingsFrom(const char* path, SettingsRecord* destination) {
  FILE* file = PlatformOpenFile(path, "rb");
  if (!file) return false;
  SettingsRecord record;
  size_t blocks = fread(&record, sizeof record, 1, file);
  fclose(file);
  return blocks == 1 && ReadSettingsRecord(&record, sizeof record, destination);
}

bool LoadSettings(SettingsRecord* destination) {
  char path[PATH_CAPACITY];
  return GetSettingsPath(path) && LoadSettingsFrom(path, destination);
}

bool SaveSettingsTo(const char* path, SettingsRecord record) {
  return ReplaceFileContents(path, &record, sizeof record);
}

bool SaveSettings(SettingsRecord record) {
  char path[PATH_CAPACITY];
  return GetSettingsPath(path) && SaveSettingsTo(path, record);
}
