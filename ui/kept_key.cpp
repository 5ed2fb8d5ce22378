#include "kept_key.h"

#include <string.h>
#include <windows.h>

#include "busy_line.h"
#include "keyfile.h"
#include "settings.h"
#include "text.h"
#include "texts.h"
#include "window_services.h"

namespace {

struct KeptKey {
  bool held;
  unsigned char file[SEALED_KEY_SIZE];
  char keyPassword[TEXT_CAPACITY];
  OpenedKey key;
};
KeptKey g_kept;
// The MiB the last key that found no memory asked for, for its message.
uint32_t g_neededMiB;

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
  if (status == KEY_OPEN_NO_MEMORY) g_neededMiB = out->seal.memoryKiB / 1024;
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
    case KEY_OPEN_NO_MEMORY: {
      static char text[512];
      char mib[16];
      wsprintfA(mib, "%lu", (unsigned long)g_neededMiB);
      wsprintfA(text, TEXT_KEY_NEEDS_MEMORY, mib);
      return text;
    }
    case KEY_OPEN_DAMAGED:
      return TEXT_KEY_DAMAGED;
    case KEY_OPEN_NOT_A_KEY:
      return TEXT_KEY_NOT_A_KEY;
    default:
      return nullptr;
  }
}

bool MayOpenKey(HWND owner, const unsigned char* file, int count, const char* keyPassword) {
  SealParameters p;
  if (!IsSealedKey(file, count) || ReadSealParameters(file, &p) != SEAL_OK || !IsLargeSealKey(p) ||
      IsKept(file, count, keyPassword)) {
    return true;
  }
  char mib[16];
  wsprintfA(mib, "%lu", (unsigned long)(p.memoryKiB / 1024));
  return ShowFormatted(owner, MB_ICONWARNING | MB_YESNO | MB_DEFBUTTON2, TEXT_LARGE_KEY_CAPTION,
                       TEXT_LARGE_KEY_QUESTION, mib) == IDYES;
}
