// change-key-password: the same key under a new key password. Every password
// stays as it was; only the key file's bytes change. Anything refused or
// failed leaves the key file as it was.
#include <errno.h>
#include <stdio.h>
#include <string.h>

#include "commands.h"
#include "key_input.h"
#include "key_password_change.h"
#include "messages.h"
#include "report.h"
#include "safe_write.h"
#include "secrets.h"
#include "text.h"
#include "translate.h"

namespace {

bool MayKeepOld(const char* path) {
  if (!path[0]) return true;
  if (FileExists(path)) {
    Report(_("the file exists; --keep-old writes a new file only"), path);
    return false;
  }
  return FolderReady(path, _("the old key file cannot be kept there"));
}

}  // namespace

int RunChangeKeyPassword(const CliOptions& options) {
  char keyPath[PATH_CAPACITY];
  if (!MayKeepOld(options.keepOldPath)) return EXIT_FAILED;
  const int count = ReadKeyAndKeyPassword(options, keyPath, _("the key password is not changed"));
  if (count == 0) return EXIT_FAILED;

  if (!ReadNewKeyPassword(PromptNewKeyPassword(), PromptNewKeyPasswordAgain(), g_newKeyPassword)) {
    return EXIT_FAILED;
  }
  switch (ChangeKeyPassword(g_keyBytes, count, g_keyPassword, g_newKeyPassword, g_changedKey)) {
    case KEY_CHANGE_OK:
      break;
    case KEY_CHANGE_SAME:
      Report(
          _("the new key password must differ from the current one (the current one would still open the "
            "key)"));
      return EXIT_FAILED;
    default:
      // The checks above have refused every other case already.
      Report(_("the key could not be masked with the new key password"));
      return EXIT_FAILED;
  }

  // The old file first: without it kept, the key file is not touched.
  if (options.keepOldPath[0]) {
    // Asked again: a file may have come there while the key passwords were typed.
    if (!MayKeepOld(options.keepOldPath)) return EXIT_FAILED;
    errno = 0;
    if (!ReplaceFileContentsAs(options.keepOldPath, g_keyBytes, KEY_FILE_SIZE, keyPath)) {
      ReportFileError(_("the old key file could not be kept; the key file is unchanged"), options.keepOldPath, errno);
      return EXIT_FAILED;
    }
  }
  errno = 0;
  if (!WriteKeyFile(keyPath, g_changedKey, KEY_FILE_SIZE)) {
    ReportFileError(_("the key file could not be replaced; it is unchanged"), keyPath, errno);
    return EXIT_FAILED;
  }
  bool ok = ConsoleWriteOut(_("the key password is changed: every password stays the same\n"
                              "copies of the old key file and paper backups made before still open with the old "
                              "key password: destroy them, or make new ones (sorrel-cli export-key)\n")) == CONSOLE_OK;
  if (options.keepOldPath[0]) {
    char text[PATH_CAPACITY + 256];
    snprintf(text, sizeof text, _("the old key file, which opens with the old key password, is kept: %s\n"),
             options.keepOldPath);
    ok = ok && ConsoleWriteOut(text) == CONSOLE_OK;
  }
  return ok ? EXIT_OK : EXIT_FAILED;
}
