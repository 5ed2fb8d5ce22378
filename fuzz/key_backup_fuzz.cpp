// The key backup reader on any text, fed line by line and going on after a
// failure as it does for a person typing: it never reads or writes outside
// its buffers, and a backup it accepts is a key file that writes back to a
// backup read as the same key.
#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include <string>

#include "fuzz_files.h"
#include "key_backup.h"

namespace {

BackupStatus ReadAll(const char* text, size_t size, BackupReader* reader) {
  StartBackupReader(reader);
  BackupStatus status = BACKUP_MORE;
  std::string line;
  for (size_t i = 0; i <= size && status != BACKUP_COMPLETE; ++i) {
    if (i < size && text[i] != '\n') {
      line += text[i];
      continue;
    }
    const int wanted = reader->line;
    status = ReadBackupLine(reader, line.c_str());
    FUZZ_CHECK(status >= BACKUP_MORE && status <= BACKUP_KEY_CHECK);
    // A line is taken whole or not at all: the reader moves on by one line at most.
    FUZZ_CHECK(reader->line == wanted || reader->line == wanted + 1);
    FUZZ_CHECK(reader->line >= 0 && reader->line <= BACKUP_MAX_LINES + 1);
    FUZZ_CHECK((status == BACKUP_COMPLETE) == (reader->version != 0 && reader->line == reader->lines + 1));
    line.clear();
  }
  return status;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static BackupReader reader, again;
  if (ReadAll((const char*)data, size, &reader) != BACKUP_COMPLETE) return 0;
  // Version 1 gives an original key, version 2 a sealed one.
  const size_t keySize = (size_t)reader.keySize;
  FUZZ_CHECK(reader.version == 1 ? keySize == KEY_FILE_SIZE && reader.key[KEY_FILE_SIZE - 1] == 0
                                 : keySize == SEALED_KEY_SIZE && IsSealedKey(reader.key, (int)keySize));
  char text[BACKUP_TEXT_CAPACITY];
  const size_t n = WriteKeyBackup(reader.key, (int)keySize, text, sizeof text);
  FUZZ_CHECK(n > 0 && n == strlen(text));
  FUZZ_CHECK(ReadAll(text, n, &again) == BACKUP_COMPLETE);
  FUZZ_CHECK(again.keySize == reader.keySize && memcmp(again.key, reader.key, keySize) == 0);
  return 0;
}
