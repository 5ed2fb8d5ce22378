// The Windows build's built-in catalogue (cmake/catalogue_table.py): each
// translation by the FNV-1a hash of its English text, rows in hash order.
#pragma once

#include <stdint.h>

struct TranslationRow {
  uint64_t hash;
  uint32_t offset;  // into TRANSLATION_TEXTS, a zero-terminated code page 932 text
};

extern const TranslationRow TRANSLATION_ROWS[];
extern const unsigned TRANSLATION_ROW_COUNT;
extern const char TRANSLATION_TEXTS[];
