#include "key_backup.h"

#include <stdint.h>
#include <string.h>

#include "key_check.h"
#include "text.h"

const char BACKUP_FIRST_LINE[] = "Sorrel key backup, version 1";
const char BACKUP_SEALED_FIRST_LINE[] = "Sorrel key backup, version 2";

namespace {

const char SYMBOLS[] = "0123456789ABCDEFGHJKMNPQRSTVWXYZ";
// Version 1: key symbols on lines 1 to 7 (164 in all: 816 bits and 4 zero
// bits), then the key check's 7 (32 bits and 3 zero bits) on line 8.
// Version 2: on lines 1 to 12 (285: 1,424 bits and 1 zero bit), the check on 13.
struct Layout {
  const char* firstLine;
  const char* notes[2];
  int lines;
  int keyBytes;  // the bytes the symbols and the check hold
  int keySymbols;
  int dataSymbols[BACKUP_MAX_LINES + 1];
  // Added to every line check, so that a line of one version fails the other's
  // check: a mistyped version on the first line is caught on line 01.
  int checkOffset;
};

const Layout LAYOUTS[2] = {
    {BACKUP_FIRST_LINE,
     {"# A Sorrel key file. Keep it as secret as the key password.",
      "# Restore: sorrel-cli import-key FILE. Line 08 checks 01-07."},
     BACKUP_LINES,
     KEY_POOL_LENGTH,
     164,
     {0, 24, 24, 24, 24, 24, 24, 20, 7},
     0},
    {BACKUP_SEALED_FIRST_LINE,
     {"# A sealed Sorrel key file. It opens with its key password only.",
      "# Restore: sorrel-cli import-key FILE. Line 13 checks 01-12."},
     BACKUP_SEALED_LINES,
     SEALED_KEY_SIZE,
     285,
     {0, 24, 24, 24, 24, 24, 24, 24, 24, 24, 24, 24, 21, 7},
     510},
};

const int GROUP = 4;
// A prime below 32 * 32, so that two symbols hold the check. One changed
// symbol moves the weighted sum by its place times the change, two swapped
// neighbours by their difference: never a multiple of a prime this large.
const int LINE_CHECK_MODULUS = 1021;
const int MAX_LINE_SYMBOLS = 2 + 24 + 2;

int Offset(const Layout& layout, int line) {
  int offset = 0;
  for (int k = 1; k < line; ++k) offset += layout.dataSymbols[k];
  return offset;
}

int SymbolsOnLine(const Layout& layout, int line) { return 2 + layout.dataSymbols[line] + 2; }

// The line's number and key symbols, each weighted by its place (1, 2, ...).
int LineCheck(const Layout& layout, const unsigned char* symbols, int count) {
  int sum = layout.checkOffset;
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

void CrcBytes(const unsigned char* key, int count, unsigned char* out) {
  const uint32_t crc = Crc32(key, count);
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

bool AppendLine(char* out, size_t capacity, const Layout& layout, int line, const unsigned char* data) {
  const int count = layout.dataSymbols[line];
  unsigned char symbols[MAX_LINE_SYMBOLS];
  symbols[0] = (unsigned char)(line / 10);
  symbols[1] = (unsigned char)(line % 10);
  memcpy(symbols + 2, data, count);
  const int check = LineCheck(layout, symbols, 2 + count);
  char text[64];
  size_t n = 0;
  text[n++] = SYMBOLS[symbols[0]];
  text[n++] = SYMBOLS[symbols[1]];
  text[n++] = ' ';
  for (int i = 0; i < count; ++i) {
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
  const bool sealed = IsSealedKey(key, count);
  if (!sealed && CheckKeyShape(key, count) != KEY_OK) return 0;
  const Layout& layout = LAYOUTS[sealed ? 1 : 0];
  unsigned char symbols[BACKUP_SEALED_SYMBOLS], crc[4];
  ToSymbols(key, layout.keyBytes, symbols);
  CrcBytes(key, layout.keyBytes, crc);
  ToSymbols(crc, 4, symbols + layout.keySymbols);
  bool ok = AppendText(out, capacity, layout.firstLine) && AppendText(out, capacity, "\n");
  for (const char* note : layout.notes) ok = ok && AppendText(out, capacity, note) && AppendText(out, capacity, "\n");
  for (int line = 1; line <= layout.lines; ++line) {
    ok = ok && AppendLine(out, capacity, layout, line, symbols + Offset(layout, line));
  }
  WipeMemory(symbols, sizeof symbols);
  if (!ok) {
    WipeMemory(out, capacity);
    return 0;
  }
  return strlen(out);
}

void StartBackupReader(BackupReader* reader) { WipeMemory(reader, sizeof *reader); }

BackupStatus ReadBackupLine(BackupReader* reader, const char* text) {
  if (reader->version && reader->line > reader->lines) return BACKUP_COMPLETE;
  if (IsComment(text)) return BACKUP_MORE;
  if (reader->line == 0) {
    char squeezed[64];
    const bool fits = Squeeze(text, squeezed, sizeof squeezed);
    if (fits && squeezed[0] == 0) return BACKUP_MORE;
    for (int v = 0; v < 2 && fits; ++v) {
      char expected[64];
      Squeeze(LAYOUTS[v].firstLine, expected, sizeof expected);
      if (strcmp(squeezed, expected) != 0) continue;
      reader->version = v + 1;
      reader->lines = LAYOUTS[v].lines;
      reader->line = 1;
      return BACKUP_MORE;
    }
    return BACKUP_NOT_BACKUP;
  }
  const Layout& layout = LAYOUTS[reader->version - 1];

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
    const bool checks = n >= 4 && LineCheck(layout, symbols, n - 2) == symbols[n - 2] * 32 + symbols[n - 1];
    const int wanted = reader->line;
    if (checks && number >= 1 && number <= layout.lines && number != wanted && n == SymbolsOnLine(layout, number)) {
      // A whole line, but not the one wanted: the numbering tells which.
      reader->found = number;
      status = number > wanted ? BACKUP_LINE_MISSING : BACKUP_LINE_REPEATED;
    } else if (n != SymbolsOnLine(layout, wanted)) {
      status = BACKUP_WRONG_COUNT;
    } else if (!checks || number != wanted) {
      status = BACKUP_LINE_CHECK;
    } else {
      memcpy(reader->symbols + Offset(layout, wanted), symbols + 2, layout.dataSymbols[wanted]);
      if (wanted < layout.lines) {
        reader->line = wanted + 1;
      } else {
        unsigned char crc[4], expected[4];
        const bool decoded = FromSymbols(reader->symbols, layout.keySymbols, reader->key, layout.keyBytes) &&
                             FromSymbols(reader->symbols + layout.keySymbols, layout.dataSymbols[layout.lines], crc, 4);
        CrcBytes(reader->key, layout.keyBytes, expected);
        // Version 2 holds a sealed key: what does not begin as one is not one.
        const bool shaped = reader->version == 1 || IsSealedKey(reader->key, SEALED_KEY_SIZE);
        if (decoded && shaped && memcmp(crc, expected, 4) == 0) {
          // An original key file ends in a zero byte the backup leaves out.
          if (reader->version == 1) reader->key[KEY_POOL_LENGTH] = 0;
          reader->keySize = reader->version == 1 ? (int)KEY_FILE_SIZE : (int)SEALED_KEY_SIZE;
          reader->line = layout.lines + 1;
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
