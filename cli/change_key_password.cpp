// change-key-password: the same key under a new key password. Every password
// stays as it was; only the key file's bytes change. Anything refused or
// failed leaves the key file as it was.
#include <errno.h>
#include <string.h>

#include "commands.h"
#include "key_input.h"
#include "key_password_change.h"
#include "messages.h"
#include "report.h"
#include "safe_write.h"
#include "secrets.h"
#include "text.h"

namespace {

const char DONE_TEXT[] =
    "the key password is changed: every password stays the same\n"
    "copies of the old key file and paper backups made before still open with the old key password: destroy "
    "them, or make new ones (sorrel-cli export-key)\n";

// What the system said, when it said anything: a read-only folder and a full
// disk call for different remedies.
void ReportWriteFailure(const char* what, const char* path) {
  char text[256];
  CopyText(text, sizeof text, what);
  if (errno != 0) {
    AppendText(text, sizeof text, " (");
    AppendText(text, sizeof text, strerror(errno));
    AppendText(text, sizeof text, ")");
  }
  Report(text, path);
}

bool MayKeepOld(const char* path) {
  if (!path[0] || !FileExists(path)) return true;
  Report("the file exists; --keep-old writes a new file only", path);
  return false;
}

}  // namespace

int RunChangeKeyPassword(const CliOptions& options) {
  char keyPath[PATH_CAPACITY];
  if (!MayKeepOld(options.keepOldPath)) return EXIT_FAILED;
  const int count = ReadKeyAndKeyPassword(options, keyPath, "the key password is not changed");
  if (count == 0) return EXIT_FAILED;

  if (!ReadNewKeyPassword(PROMPT_NEW_KEY_PASSWORD, PROMPT_NEW_KEY_PASSWORD_CONFIRM, g_newKeyPassword)) {
    return EXIT_FAILED;
  }
  switch (ChangeKeyPassword(g_keyBytes, count, g_keyPassword, g_newKeyPassword, g_changedKey)) {
    case KEY_CHANGE_OK:
      break;
    case KEY_CHANGE_SAME:
      Report("the new key password must differ from the current one (the current one would still open the key)");
      return EXIT_FAILED;
    default:
      // The checks above have refused every other case already.
      Report(MSG_KEY_CREATE_FAILED);
      return EXIT_FAILED;
  }

  // The old file first: without it kept, the key file is not touched.
  if (options.keepOldPath[0]) {
    // Asked again: a file may have come there while the key passwords were typed.
    if (!MayKeepOld(options.keepOldPath)) return EXIT_FAILED;
    errno = 0;
    if (!ReplaceFileContentsAs(options.keepOldPath, g_keyBytes, KEY_FILE_SIZE, keyPath)) {
      ReportWriteFailure("the old key file could not be kept; the key file is unchanged", options.keepOldPath);
      return EXIT_FAILED;
    }
  }
  errno = 0;
  if (!WriteKeyFile(keyPath, g_changedKey, KEY_FILE_SIZE)) {
    ReportWriteFailure("the key file could not be replaced; it is unchanged", keyPath);
    return EXIT_FAILED;
  }
  bool ok = ConsoleWriteOut(DONE_TEXT) == CONSOLE_OK;
  if (options.keepOldPath[0]) {
    char text[PATH_CAPACITY + 96] = "the old key file, which opens with the old key password, is kept: ";
    AppendText(text, sizeof text, options.keepOldPath);
    AppendText(text, sizeof text, "\n");
    ok = ok && ConsoleWriteOut(text) == CONSOLE_OK;
  }
  return ok ? EXIT_OK : EXIT_FAILED;
}
