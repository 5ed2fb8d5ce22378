#include "kept_key.h"

#include <string.h>
#include <windows.h>

#include "busy_line.h"
#include "keyfile.h"
#include "settings.h"
#include "text.h"
#include "texts.h"

namespace {

struct KeptKey {
  bool held;
  unsigned char file[SEALED_KEY_SIZE];
  char keyPassword[TEXT_CAPACITY];
  OpenedKey key;
};
KeptKey g_kept;

bool IsKept(const unsigned char* file, int count, const char* keyPassword) {
  return g_kept.held && count == SEALED_KEY_SIZE && memcmp(g_kept.file, file, SEALED_KEY_SIZE) == 0 &&
         strcmp(g_kept.keyPassword, keyPassword) == 0;
}

}  // namespace

KeyOpenStatus OpenKeyKept(HWND dialog, const unsigned char* file, int count, const char* keyPassword,
                          bool checkOriginal, OpenedKey* out) {
  if (!IsSealedKey(file, count)) return OpenKey(file, count, keyPassword, checkOriginal, out);
  if (IsKept(file, count, keyPassword)) {
    *out = g_kept.key;
    return KEY_OPEN_OK;
  }
  BusyLine busy;
  ShowBusyLine(dialog, 0, TEXT_KEY_OPENING, &busy);
  const KeyOpenStatus status = OpenKey(file, count, keyPassword, checkOriginal, out);
  HideBusyLine(&busy);
  if (status == KEY_OPEN_OK) KeepOpenedKey(file, count, keyPassword, *out);
  return status;
}

void KeepOpenedKey(const unsigned char* file, int count, const char* keyPassword, const OpenedKey& key) {
  ForgetKeptKey();
  if (count != SEALED_KEY_SIZE || strlen(keyPassword) >= sizeof g_kept.keyPassword) return;
  memcpy(g_kept.file, file, SEALED_KEY_SIZE);
  CopyText(g_kept.keyPassword, sizeof g_kept.keyPassword, keyPassword);
  g_kept.key = key;
  g_kept.held = true;
}

void ForgetKeptKey() { WipeMemory(&g_kept, sizeof g_kept); }

int KeyFileDerivation(const char* path) {
  unsigned char file[KEY_BUFFER_SIZE];
  const int derivation = KeyFileDerivation(file, ReadKeyFile(path, file));
  WipeMemory(file, sizeof file);
  return derivation;
}

const char* SealedKeyProblem(KeyOpenStatus status, const char* wrongPasswordText) {
  switch (status) {
    case KEY_OPEN_WRONG_PASSWORD:
      return wrongPasswordText;
    case KEY_OPEN_UNSUPPORTED:
      return TEXT_KEY_UNSUPPORTED;
    case KEY_OPEN_NO_MEMORY:
      return TEXT_KEY_NO_MEMORY;
    default:
      return nullptr;
  }
}
