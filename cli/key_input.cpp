#include "key_input.h"

#include <errno.h>
#include <stdio.h>
#include <string.h>

#include "key_password_change.h"
#include "key_password_strength.h"
#include "keyfile.h"
#include "messages.h"
#include "platform.h"
#include "report.h"
#include "secrets.h"
#include "text.h"
#include "translate.h"

bool KeyPathFor(const CliOptions& options, char* out) {
  if (options.keyPath[0]) {
    CopyText(out, PATH_CAPACITY, options.keyPath);
    return true;
  }
  char settingsPath[PATH_CAPACITY];
  SettingsRecord settings;
  if (!LoadSettingsReported(options, settingsPath, &settings,
                            _("name the key file with --key FILE, or make a settings file with 'sorrel-cli init --key "
                              "FILE'"))) {
    return false;
  }
  CopyText(out, PATH_CAPACITY, settings.keyFilePath);
  return true;
}

int ReadKeyReported(const char* keyPath) {
  return ReadKeyReported(
      keyPath,
      _("name the key file with --key FILE, or point the settings at it with 'sorrel-cli configure --key FILE'"));
}

int ReadKeyReported(const char* keyPath, const char* advice) {
  memset(g_keyBytes, 0, sizeof g_keyBytes);
  errno = 0;
  const int count = ReadKeyFile(keyPath, g_keyBytes);
  if (count > 0) return count;
  const int error = errno;
  if (FileExists(keyPath) && error != EISDIR) {
    ReportKeyOpen(KEY_OPEN_WRONG_SIZE, 0, keyPath, nullptr);
    return 0;
  }
  ReportFileError(_("the key file could not be read"), keyPath, error);
  if (advice) Report(advice);
  return 0;
}

bool KeyFileToName(const char* keyPath, char* out) {
  // The dialog program resolves a relative path against its own working
  // directory, which is rarely this one.
  if (!ConsoleAbsolutePath(keyPath, out)) {
    ReportFile(_("the key file's full path cannot be used"), keyPath,
               _("it does not fit in 259 bytes of code page 932, or holds a character that code page 932 lacks"));
    return false;
  }
  return ReadKeyReported(out, nullptr) > 0;
}

bool ReadKeyPassword() {
  ConsoleResult r = ConsoleReadSecret(PromptKeyPassword(), g_keyPassword, TEXT_CAPACITY);
  if (r != CONSOLE_OK) {
    ReportConsole(r, _("key password"));
    return false;
  }
  if (strlen(g_keyPassword) < KEY_PASSWORD_MIN) {
    Report(_("a key password has at least 8 bytes (a Japanese character counts 2)"));
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
  SealParameters params;
  if (IsSealedKey(g_keyBytes, count) && ReadSealParameters(g_keyBytes, &params) == SEAL_OK && IsLargeSealKey(params)) {
    char text[200];
    snprintf(text, sizeof text, _("this key asks for %lu MiB of memory: opening it may take a while"),
             (unsigned long)(params.memoryKiB / 1024));
    Report(text);
  }
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

namespace {

const char* WeaknessWords(KeyPasswordWeakness weakness) {
  switch (weakness) {
    case KEY_PASSWORD_COMMON:
      return _("one of the most common passwords");
    case KEY_PASSWORD_REPEAT:
      return _("a repeat of the same characters");
    case KEY_PASSWORD_SEQUENCE:
      return _("a sequence, such as abcd or 4321");
    case KEY_PASSWORD_KEYBOARD:
      return _("a keyboard row");
    case KEY_PASSWORD_DATE:
      return _("a date");
    case KEY_PASSWORD_SHORT:
    case KEY_PASSWORD_STRONG:
      break;
  }
  return _("too short for its characters");
}

// A weak key password is the user's to keep: at a terminal they are asked,
// from a pipe only warned, so that scripts go on as they did.
bool StrongOrAccepted(const char* keyPassword) {
  const KeyPasswordWeakness weakness = JudgeKeyPassword(keyPassword);
  if (weakness == KEY_PASSWORD_STRONG) return true;
  Report(_("warning: the key password is easy to guess"), WeaknessWords(weakness));
  Report(
      _("whoever copies the key file may try key passwords without limit, the most common first; a longer "
        "key password, with words of your own, is far harder to guess"));
  if (!ConsoleInputIsTerminal()) return true;
  char answer[16];
  const ConsoleResult r = ConsoleReadLine(_("Use this key password all the same? [y/N] "), answer, sizeof answer);
  if (r == CONSOLE_OK && (answer[0] == 'y' || answer[0] == 'Y')) return true;
  Report(_("nothing is written; run the command again and type a stronger key password"));
  return false;
}

}  // namespace

bool ReadNewKeyPassword(const char* prompt, const char* confirmPrompt, char* out) {
  ConsoleResult r = ConsoleReadSecret(prompt, out, TEXT_CAPACITY);
  if (r == CONSOLE_OK) r = ConsoleReadSecret(confirmPrompt, g_keyPasswordConfirm, TEXT_CAPACITY);
  if (r != CONSOLE_OK) {
    ReportConsole(r, _("key password"));
    return false;
  }
  switch (CheckNewKeyPassword(out, g_keyPasswordConfirm)) {
    case NEW_KEY_PASSWORD_OK:
      return StrongOrAccepted(out);
    case NEW_KEY_PASSWORDS_DIFFER:
      Report(_("the two key passwords differ"));
      break;
    case NEW_KEY_PASSWORD_TOO_SHORT:
      Report(_("the key password is too short: at least 8 bytes (a Japanese character counts 2)"));
      break;
    case NEW_KEY_PASSWORD_TOO_LONG:
      Report(_("the key password is too long: at most 63 bytes (a Japanese character counts 2)"));
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

bool FolderReady(const char* path, const char* what) {
  const int error = ConsoleFolderError(path);
  if (error == 0) return true;
  ReportFileError(what, path, error);
  Report(_("make its folder first, or name a file in a folder that exists"));
  return false;
}

bool MayWriteKeyFile(const char* path, bool force) {
  if (!force && FileExists(path)) {
    Report(_("the file exists; --force replaces it (the passwords of the old key are then lost)"), path);
    return false;
  }
  return FolderReady(path, _("the key file cannot be written"));
}

void ReportKeyOpen(KeyOpenStatus status, int count, const char* keyPath, const char* advice) {
  char reason[256];
  SealParameters params = {};
  switch (status) {
    case KEY_OPEN_OK:
      return;
    case KEY_OPEN_WRONG_SIZE:
      // The reader stops at 105 bytes: a count of 105 may stand for more.
      snprintf(reason, sizeof reason,
               count >= KEY_READ_LIMIT ? _("at least %d bytes, where a key file has 103")
                                       : P_("%d byte, where a key file has 103", "%d bytes, where a key file has 103",
                                            (unsigned long)count),
               count);
      ReportFile(_("not a key file"), keyPath, reason);
      break;
    case KEY_OPEN_NO_FINAL_ZERO:
      snprintf(reason, sizeof reason, _("its last byte is 0x%02X, where a key file has 0x00"),
               g_keyBytes[KEY_FILE_SIZE - 1]);
      ReportFile(_("not a key file"), keyPath, reason);
      break;
    case KEY_OPEN_MISMATCH:
      Report(_("the key password does not open this key file"), keyPath);
      Report(
          _("usually it was mistyped: a typo, Caps Lock on, or the input mode left on full-width; type it again "
            "(or the key file is damaged)"));
      break;
    case KEY_OPEN_UNSUPPORTED:
      ReportFile(_("not a key file this version can read"), keyPath, _("made by a later version, or damaged"));
      Report(_("open it with a later version of sorrel-cli, or use a backup of the key file"));
      break;
    case KEY_OPEN_DAMAGED:
      snprintf(reason, sizeof reason,
               count >= KEY_READ_LIMIT ? _("a damaged sealed key: at least %d bytes, where a sealed key has 178")
                                       : _("a damaged sealed key: %d bytes, where a sealed key has 178"),
               count);
      ReportFile(_("not a key file"), keyPath, reason);
      Report(_("use a backup of the key file (nothing can be derived from this one)"));
      break;
    case KEY_OPEN_NOT_A_KEY:
      ReportFile(_("the key file's contents are not a key"), keyPath,
                 _("it opens with this key password, but was not made by Sorrel"));
      Report(_("nothing is derived from it; use a key file made by Sorrel, or a backup"));
      break;
    case KEY_OPEN_WRONG_PASSWORD:
      Report(_("the key password is wrong, or the key file is damaged"), keyPath);
      Report(_("usually it was mistyped: a typo, Caps Lock on, or the input mode left on full-width; type it again"));
      break;
    case KEY_OPEN_NO_MEMORY:
      ReadSealParameters(g_keyBytes, &params);
      snprintf(reason, sizeof reason, _("this key needs %lu MiB; this program could not get it"),
               (unsigned long)(params.memoryKiB / 1024));
      ReportFile(_("the sealed key cannot be opened"), keyPath, reason);
      Report(_(
          "open it on a computer with more memory, then seal it again ('sorrel-cli seal-key' keeps at most 256 MiB)"));
      break;
  }
  if (advice) Report(advice);
}

SealParameters ResealParameters(SealParameters params) {
  const uint32_t before = params.memoryKiB;
  if (!LowerToMakeLimit(&params)) return params;
  char text[200];
  snprintf(text, sizeof text,
           _("the key asked for %lu MiB; it is sealed again with %lu MiB, which every front end can open"),
           (unsigned long)(before / 1024), (unsigned long)(params.memoryKiB / 1024));
  Report(text);
  return params;
}

SealParameters SealParametersFor(const CliOptions& options, SealParameters base) {
  if (options.kdfMemoryMiB) base.memoryKiB = (uint32_t)options.kdfMemoryMiB * 1024;
  if (options.kdfPasses) base.passes = (uint32_t)options.kdfPasses;
  return base;
}

void ReportSeal(SealStatus status, uint32_t memoryKiB) {
  char text[160];
  switch (status) {
    case SEAL_OK:
      return;
    case SEAL_NO_MEMORY:
      snprintf(text, sizeof text, _("not enough memory to seal the key with %lu MiB (--kdf-memory takes less)"),
               (unsigned long)(memoryKiB / 1024));
      Report(text);
      return;
    case SEAL_NOT_A_KEY:
      Report(_("the key file's contents are not a key"));
      return;
    case SEAL_UNSUPPORTED:
    case SEAL_WRONG_PASSWORD:
    case SEAL_FAILED:
      break;
  }
  Report(_("the key could not be made: the system gave no random bytes"));
}
