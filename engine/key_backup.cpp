#include "key_backup.h"

#include <stdint.h>
#include <string.h>

#include "key_check.h"
#include "text.h"

const char BACKUP_FIRST_LINE[] = "Sorrel key backup, version 1";

namespace {

const char SYMBOLS[] = "0123456789ABCDEFGHJKMNPQRSTVWXYZ";
const char* const NOTES[] = {
    "# A Sorrel key file. Keep it as secret as the key password.",
    "# Restore: sorrel-cli import-key FILE. Line 08 checks 01-07.",
};

// Key symbols on lines 1 to 7 (164 in all: 816 bits and 4 zero bits), then
// the key check's 7 (32 bits and 3 zero bits) on line 8.
const int DATA_SYMBOLS[BACKUP_LINES + 1] = {0, 24, 24, 24, 24, 24, 24, 20, 7};
const int KEY_SYMBOLS = 164;
const int GROUP = 4;
// A prime below 32 * 32, so that two symbols hold the check. One changed
// symbol moves the weighted sum by its place times the change, two swapped
// neighbours by their difference: never a multiple of a prime this large.
const int LINE_CHECK_MODULUS = 1021;
const int MAX_LINE_SYMBOLS = 2 + 24 + 2;

int Offset(int line) {
  int offset = 0;
  for (int k = 1; k < line; ++k) offset += DATA_SYMBOLS[k];
  return offset;
}

int SymbolsOnLine(int line) { return 2 + DATA_SYMBOLS[line] + 2; }

// The line's number and key symbols, each weighted by its place (1, 2, ...).
int LineCheck(const unsigned char* symbols, int count) {
  int sum = 0;
  for (int i = 0; i < count; ++i) sum += (i + 1) * symbols[i];
  return sum % LINE_CHECK_MODULUS;
}

// Bytes as 5-bit symbols, most significant bit first, the last one padded
// with zero bits; the number of symbols.
int ToSymbols(const unsigned char* bytes, int count, unsigned char* symbols) {
  uint32_t bits = 0;
  int held = 0, n = 0;
  for (int i = 0; i < count; ++i) {
    bits = (bits << 8) | bytes[i];
    held += 8;
    while (held >= 5) {
      held -= 5;
      symbols[n++] = (bits >> held) & 31;
    }
  }
  if (held > 0) symbols[n++] = (bits << (5 - held)) & 31;
  return n;
}

// The reverse; false unless it gives exactly count bytes and zero padding.
bool FromSymbols(const unsigned char* symbols, int symbolCount, unsigned char* bytes, int count) {
  uint32_t bits = 0;
  int held = 0, n = 0;
  for (int i = 0; i < symbolCount; ++i) {
    bits = (bits << 5) | symbols[i];
    held += 5;
    if (held >= 8) {
      held -= 8;
      if (n == count) return false;
      bytes[n++] = (bits >> held) & 0xFF;
    }
  }
  return n == count && (bits & ((1u << held) - 1)) == 0;
}

uint32_t Crc32(const unsigned char* bytes, int count) {
  uint32_t crc = 0xFFFFFFFFu;
  for (int i = 0; i < count; ++i) {
    crc ^= bytes[i];
    for (int b = 0; b < 8; ++b) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
  }
  return ~crc;
}

void CrcBytes(const unsigned char* key, unsigned char* out) {
  const uint32_t crc = Crc32(key, KEY_POOL_LENGTH);
  for (int i = 0; i < 4; ++i) out[i] = (unsigned char)(crc >> (24 - 8 * i));
}

// A symbol's value, taking the usual misreadings as meant; -1 for none.
int SymbolValue(char c) {
  if (c >= 'a' && c <= 'z') c = (char)(c - 'a' + 'A');
  if (c == 'O') c = '0';
  if (c == 'I' || c == 'L') c = '1';
  const char* p = c ? strchr(SYMBOLS, c) : nullptr;
  return p ? (int)(p - SYMBOLS) : -1;
}

bool Ignored(char c) { return c == ' ' || c == '\t' || c == '-' || c == '\r'; }

// Upper case, without the characters reading ignores; false when it does not fit.
bool Squeeze(const char* text, char* out, size_t capacity) {
  size_t n = 0;
  for (; *text; ++text) {
    if (Ignored(*text)) continue;
    if (n + 1 >= capacity) return false;
    out[n++] = (*text >= 'a' && *text <= 'z') ? (char)(*text - 'a' + 'A') : *text;
  }
  out[n] = 0;
  return true;
}

bool IsComment(const char* text) {
  while (*text == ' ' || *text == '\t') ++text;
  return *text == '#';
}

bool AppendLine(char* out, size_t capacity, int line, const unsigned char* data) {
  unsigned char symbols[MAX_LINE_SYMBOLS];
  symbols[0] = (unsigned char)(line / 10);
  symbols[1] = (unsigned char)(line % 10);
  memcpy(symbols + 2, data, DATA_SYMBOLS[line]);
  const int check = LineCheck(symbols, 2 + DATA_SYMBOLS[line]);
  char text[64];
  size_t n = 0;
  text[n++] = SYMBOLS[symbols[0]];
  text[n++] = SYMBOLS[symbols[1]];
  text[n++] = ' ';
  for (int i = 0; i < DATA_SYMBOLS[line]; ++i) {
    if (i % GROUP == 0) text[n++] = ' ';
    text[n++] = SYMBOLS[data[i]];
  }
  text[n++] = ' ';
  text[n++] = ' ';
  text[n++] = SYMBOLS[check / 32];
  text[n++] = SYMBOLS[check % 32];
  text[n++] = '\n';
  text[n] = 0;
  const bool ok = AppendText(out, capacity, text);
  WipeMemory(symbols, sizeof symbols);
  WipeMemory(text, sizeof text);
  return ok;
}

}  // namespace

size_t WriteKeyBackup(const unsigned char* key, int count, char* out, size_t capacity) {
  if (capacity == 0) return 0;
  out[0] = 0;
  if (CheckKeyShape(key, count) != KEY_OK) return 0;
  unsigned char symbols[BACKUP_SYMBOLS], crc[4];
  ToSymbols(key, KEY_POOL_LENGTH, symbols);
  CrcBytes(key, crc);
  ToSymbols(crc, 4, symbols + KEY_SYMBOLS);
  bool ok = AppendText(out, capacity, BACKUP_FIRST_LINE) && AppendText(out, capacity, "\n");
  for (const char* note : NOTES) ok = ok && AppendText(out, capacity, note) && AppendText(out, capacity, "\n");
  for (int line = 1; line <= BACKUP_LINES; ++line) ok = ok && AppendLine(out, capacity, line, symbols + Offset(line));
  WipeMemory(symbols, sizeof symbols);
  if (!ok) {
    WipeMemory(out, capacity);
    return 0;
  }
  return strlen(out);
}

void StartBackupReader(BackupReader* reader) { WipeMemory(reader, sizeof *reader); }

BackupStatus ReadBackupLine(BackupReader* reader, const char* text) {
  if (reader->line > BACKUP_LINES) return BACKUP_COMPLETE;
  if (IsComment(text)) return BACKUP_MORE;
  if (reader->line == 0) {
    char squeezed[64], expected[64];
    Squeeze(BACKUP_FIRST_LINE, expected, sizeof expected);
    const bool fits = Squeeze(text, squeezed, sizeof squeezed);
    if (fits && squeezed[0] == 0) return BACKUP_MORE;
    if (!fits || strcmp(squeezed, expected) != 0) return BACKUP_NOT_BACKUP;
    reader->line = 1;
    return BACKUP_MORE;
  }

  unsigned char symbols[MAX_LINE_SYMBOLS + 1];
  int n = 0;
  BackupStatus status = BACKUP_MORE;
  for (const char* p = text; *p && status == BACKUP_MORE; ++p) {
    if (Ignored(*p)) continue;
    const int value = SymbolValue(*p);
    if (value < 0) {
      reader->badCharacter = *p;
      status = BACKUP_BAD_SYMBOL;
    } else if (n == MAX_LINE_SYMBOLS + 1) {
      status = BACKUP_WRONG_COUNT;
    } else {
      symbols[n++] = (unsigned char)value;
    }
  }
  if (status == BACKUP_MORE && n > 0) {
    const int number = symbols[0] < 10 && n > 1 && symbols[1] < 10 ? symbols[0] * 10 + symbols[1] : -1;
    const bool checks = n >= 4 && LineCheck(symbols, n - 2) == symbols[n - 2] * 32 + symbols[n - 1];
    const int wanted = reader->line;
    if (checks && number >= 1 && number <= BACKUP_LINES && number != wanted && n == SymbolsOnLine(number)) {
      // A whole line, but not the one wanted: the numbering tells which.
      reader->found = number;
      status = number > wanted ? BACKUP_LINE_MISSING : BACKUP_LINE_REPEATED;
    } else if (n != SymbolsOnLine(wanted)) {
      status = BACKUP_WRONG_COUNT;
    } else if (!checks || number != wanted) {
      status = BACKUP_LINE_CHECK;
    } else {
      memcpy(reader->symbols + Offset(wanted), symbols + 2, DATA_SYMBOLS[wanted]);
      if (wanted < BACKUP_LINES) {
        reader->line = wanted + 1;
      } else {
        unsigned char crc[4], expected[4];
        const bool decoded = FromSymbols(reader->symbols, KEY_SYMBOLS, reader->key, KEY_POOL_LENGTH) &&
                             FromSymbols(reader->symbols + KEY_SYMBOLS, DATA_SYMBOLS[BACKUP_LINES], crc, 4);
        CrcBytes(reader->key, expected);
        if (decoded && memcmp(crc, expected, 4) == 0) {
          reader->key[KEY_POOL_LENGTH] = 0;
          reader->line = BACKUP_LINES + 1;
          status = BACKUP_COMPLETE;
        } else {
          WipeMemory(reader->key, sizeof reader->key);
          status = BACKUP_KEY_CHECK;
        }
      }
    }
  }
  WipeMemory(symbols, sizeof symbols);
  return status;
}
