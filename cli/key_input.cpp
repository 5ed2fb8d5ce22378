#include "key_input.h"

#include <stdio.h>
#include <string.h>

#include "key_password_change.h"
#include "keyfile.h"
#include "messages.h"
#include "platform.h"
#include "report.h"
#include "secrets.h"
#include "text.h"

bool KeyPathFor(const CliOptions& options, char* out) {
  if (options.keyPath[0]) {
    CopyText(out, PATH_CAPACITY, options.keyPath);
    return true;
  }
  char settingsPath[PATH_CAPACITY];
  SettingsRecord settings;
  if (!SettingsPathFor(options, settingsPath) || !LoadSettingsFrom(settingsPath, &settings)) {
    Report("settings file not read (name the key with --key FILE)", settingsPath);
    return false;
  }
  CopyText(out, PATH_CAPACITY, settings.keyFilePath);
  return true;
}

int ReadKeyReported(const char* keyPath) {
  memset(g_keyBytes, 0, sizeof g_keyBytes);
  const int count = ReadKeyFile(keyPath, g_keyBytes);
  if (count == 0) Report(MSG_KEY_FILE_NOT_READ, keyPath);
  return count;
}

bool ReadKeyPassword() {
  ConsoleResult r = ConsoleReadSecret(PROMPT_KEY_PASSWORD, g_keyPassword, TEXT_CAPACITY);
  if (r != CONSOLE_OK) {
    ReportConsole(r, "key password");
    return false;
  }
  if (strlen(g_keyPassword) < KEY_PASSWORD_MIN) {
    Report(MSG_KEY_PASSWORD_TOO_SHORT);
    return false;
  }
  return true;
}

int ReadKeyChecked(const char* keyPath, const char* advice) {
  const int count = ReadKeyReported(keyPath);
  if (count == 0) return 0;
  const KeyOpenStatus shape = CheckKeyFileShape(g_keyBytes, count);
  if (shape == KEY_OPEN_OK) return count;
  ReportKeyOpen(shape, count, keyPath, advice);
  return 0;
}

bool OpenKeyReported(int count, const char* keyPath, bool checkOriginal, const char* advice) {
  if (!ReadKeyPassword()) return false;
  const KeyOpenStatus status = OpenKey(g_keyBytes, count, g_keyPassword, checkOriginal, &g_openedKey);
  if (status == KEY_OPEN_OK) return true;
  ReportKeyOpen(status, count, keyPath, advice);
  return false;
}

int ReadKeyAndKeyPassword(const CliOptions& options, char* keyPath, const char* advice) {
  if (!KeyPathFor(options, keyPath)) return 0;
  const int count = ReadKeyChecked(keyPath, advice);
  if (count == 0 || !OpenKeyReported(count, keyPath, true, advice)) return 0;
  return count;
}

bool ReadNewKeyPassword(const char* prompt, const char* confirmPrompt, char* out) {
  ConsoleResult r = ConsoleReadSecret(prompt, out, TEXT_CAPACITY);
  if (r == CONSOLE_OK) r = ConsoleReadSecret(confirmPrompt, g_keyPasswordConfirm, TEXT_CAPACITY);
  if (r != CONSOLE_OK) {
    ReportConsole(r, "key password");
    return false;
  }
  switch (CheckNewKeyPassword(out, g_keyPasswordConfirm)) {
    case NEW_KEY_PASSWORD_OK:
      return true;
    case NEW_KEY_PASSWORDS_DIFFER:
      Report(MSG_KEY_PASSWORDS_DIFFER);
      break;
    case NEW_KEY_PASSWORD_TOO_SHORT:
      Report(MSG_NEW_KEY_PASSWORD_TOO_SHORT);
      break;
    case NEW_KEY_PASSWORD_TOO_LONG:
      Report("the key password is too long: at most 63 bytes (a Japanese character takes 2)");
      break;
  }
  return false;
}

bool FileExists(const char* path) {
  FILE* file = PlatformOpenFile(path, "rb");
  if (!file) return false;
  fclose(file);
  return true;
}

bool MayWriteKeyFile(const char* path, bool force) {
  if (force || !FileExists(path)) return true;
  Report("the file exists; --force replaces it (passwords from the old key are then lost)", path);
  return false;
}

void ReportKeyOpen(KeyOpenStatus status, int count, const char* keyPath, const char* advice) {
  char text[160];
  SealParameters params = {};
  switch (status) {
    case KEY_OPEN_OK:
      return;
    case KEY_OPEN_WRONG_SIZE:
      // The reader stops at 105 bytes: a count of 105 may stand for more.
      snprintf(text, sizeof text, "not a key file: %s%d bytes, where a key file has 103",
               count >= KEY_READ_LIMIT ? "at least " : "", count);
      break;
    case KEY_OPEN_NO_FINAL_ZERO:
      snprintf(text, sizeof text, "not a key file: its last byte is 0x%02X, where a key file has 0x00",
               g_keyBytes[KEY_FILE_SIZE - 1]);
      break;
    case KEY_OPEN_MISMATCH:
      snprintf(text, sizeof text, "the key password does not match this key file (or the file is damaged)");
      break;
    case KEY_OPEN_UNSUPPORTED:
      snprintf(text, sizeof text, "not a key file this version can read (a sealed key of a later format)");
      break;
    case KEY_OPEN_WRONG_PASSWORD:
      snprintf(text, sizeof text, "the key password is wrong, or the key file is damaged");
      break;
    case KEY_OPEN_NO_MEMORY:
      ReadSealParameters(g_keyBytes, &params);
      snprintf(text, sizeof text, "not enough memory to open the sealed key: it takes %lu MiB",
               (unsigned long)(params.memoryKiB / 1024));
      break;
  }
  Report(text, keyPath);
  if (advice) Report(advice);
}

SealParameters SealParametersFor(const CliOptions& options, SealParameters base) {
  if (options.kdfMemoryMiB) base.memoryKiB = (uint32_t)options.kdfMemoryMiB * 1024;
  if (options.kdfPasses) base.passes = (uint32_t)options.kdfPasses;
  return base;
}

void ReportSeal(SealStatus status, uint32_t memoryKiB) {
  char text[128];
  switch (status) {
    case SEAL_OK:
      return;
    case SEAL_NO_MEMORY:
      snprintf(text, sizeof text, "not enough memory to seal the key with %lu MiB (--kdf-memory takes less)",
               (unsigned long)(memoryKiB / 1024));
      Report(text);
      return;
    case SEAL_UNSUPPORTED:
    case SEAL_WRONG_PASSWORD:
    case SEAL_FAILED:
      break;
  }
  Report(MSG_KEY_CREATE_FAILED);
}
