// A key file on paper: its bytes in a base-32 alphabet without look-alike
// characters, in numbered lines that each end in a check over the line, and a
// last line holding a check over the whole key. Version 1 holds an original
// key's 102 masked bytes (lines 01 to 08), version 2 a sealed key's 178 bytes
// (lines 01 to 13); the first line names the version. Reading back ignores
// case, spaces, hyphens and blank lines, takes O for 0 and I or L for 1, and
// skips lines that begin with '#'.
#pragma once

#include <stddef.h>

#include "keyfile.h"
#include "sealed_key.h"

enum {
  BACKUP_KEY_LINES = 7,         // version 1: lines 01 to 07 hold the key
  BACKUP_LINES = 8,             // line 08 holds the check over the whole key
  BACKUP_SYMBOLS = 171,         // 164 for the key, 7 for its check
  BACKUP_SEALED_LINES = 13,     // version 2: lines 01 to 12 hold the key, 13 its check
  BACKUP_SEALED_SYMBOLS = 292,  // 285 for the key, 7 for its check
  BACKUP_MAX_LINES = BACKUP_SEALED_LINES,
  BACKUP_TEXT_CAPACITY = 1024,
};

extern const char BACKUP_FIRST_LINE[];         // version 1
extern const char BACKUP_SEALED_FIRST_LINE[];  // version 2

// The whole backup, each line ending in '\n', into out: version 2 for a
// sealed key (178 bytes beginning with its magic), else version 1. Its
// length, or 0 when the key is neither a sealed key nor 103 bytes ending in a
// zero byte, or out is too small.
size_t WriteKeyBackup(const unsigned char* key, int count, char* out, size_t capacity);

enum BackupStatus {
  BACKUP_MORE,           // line taken or skipped; the next one is wanted
  BACKUP_COMPLETE,       // every line read and checked: key holds the key file
  BACKUP_NOT_BACKUP,     // the first line does not name this format
  BACKUP_BAD_SYMBOL,     // badCharacter is no symbol
  BACKUP_WRONG_COUNT,    // a symbol too many or too few
  BACKUP_LINE_CHECK,     // the line's check fails
  BACKUP_LINE_MISSING,   // line `line` missing: `found` came instead
  BACKUP_LINE_REPEATED,  // line `found` again, where `line` was wanted
  BACKUP_KEY_CHECK,      // each line checks, the whole key does not
};

// Reads a backup line by line. After a failure the reader still wants the
// same line, so a person typing may type it again.
struct BackupReader {
  int line;           // the line wanted, and the one a failure names: 0 for the first line
  int found;          // BACKUP_LINE_MISSING, BACKUP_LINE_REPEATED: the number that came
  char badCharacter;  // BACKUP_BAD_SYMBOL
  int version;        // 1 or 2 once the first line is read; 0 before
  int lines;          // the version's last line: 8 or 13
  unsigned char symbols[BACKUP_SEALED_SYMBOLS];
  unsigned char key[SEALED_KEY_SIZE];  // BACKUP_COMPLETE: the key file's bytes
  int keySize;                         // BACKUP_COMPLETE: 103, or 178 for a sealed key
};

void StartBackupReader(BackupReader* reader);

// One line of text, without its line feed (a final CR is ignored).
BackupStatus ReadBackupLine(BackupReader* reader, const char* text);
