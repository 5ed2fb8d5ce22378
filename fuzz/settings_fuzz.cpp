// LoadSettingsFrom on any file content and size, then a save and load round trip.
#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include "fuzz_files.h"
#include "settings.h"

namespace {

// A string field as loaded: the file's bytes, cut at the field's end when unterminated.
void CheckField(const char* loaded, const uint8_t* stored, size_t width) {
  const void* zero = memchr(stored, 0, width);
  if (zero) {
    FUZZ_CHECK(memcmp(loaded, stored, width) == 0);
  } else {
    FUZZ_CHECK(memcmp(loaded, stored, width - 1) == 0);
    FUZZ_CHECK(loaded[width - 1] == 0);
  }
}

uint32_t Le32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | (uint32_t)p[3] << 24; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string path = FuzzScratchPath("setting.ini");
  static const std::string again = FuzzScratchPath("again.ini");
  FuzzWriteFile(path, data, size);

  SettingsRecord record;
  memset(&record, 0xA5, sizeof record);
  SettingsRecord untouched = record;
  bool loaded = LoadSettingsFrom(path.c_str(), &record);
  FUZZ_CHECK(loaded == (size >= SETTINGS_FILE_SIZE));
  if (!loaded) {
    FUZZ_CHECK(memcmp(&record, &untouched, sizeof record) == 0);
    return 0;
  }

  CheckField(record.keyFilePath, data, PATH_CAPACITY);
  FUZZ_CHECK(record.optionFlags == Le32(data + 260));
  FUZZ_CHECK((uint32_t)record.passwordLength == Le32(data + 264));
  CheckField(record.digitChars, data + 268, CLASS_CAPACITY);
  CheckField(record.lowerChars, data + 332, CLASS_CAPACITY);
  CheckField(record.upperChars, data + 396, CLASS_CAPACITY);
  CheckField(record.symbolChars, data + 460, CLASS_CAPACITY);

  // What was loaded saves and loads back unchanged.
  FUZZ_CHECK(SaveSettingsTo(again.c_str(), record));
  SettingsRecord back;
  FUZZ_CHECK(LoadSettingsFrom(again.c_str(), &back));
  FUZZ_CHECK(memcmp(&back, &record, sizeof record) == 0);
  return 0;
}
