#include "key_rewrite.h"

#include <errno.h>
#include <string.h>

#include "key_input.h"
#include "keyfile.h"
#include "report.h"
#include "safe_write.h"
#include "secrets.h"
#include "text.h"

namespace {

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

}  // namespace

bool MayKeepOld(const char* path) {
  if (!path[0] || !FileExists(path)) return true;
  Report("the file exists; --keep-old writes a new file only", path);
  return false;
}

bool RewriteKeyFile(const char* keyPath, const char* keepOldPath, int oldCount, int newCount) {
  // The old file first: without it kept, the key file is not touched.
  if (keepOldPath[0]) {
    // Asked again: a file may have come there while the key passwords were typed.
    if (!MayKeepOld(keepOldPath)) return false;
    errno = 0;
    if (!ReplaceKeyFileContents(keepOldPath, g_keyBytes, (size_t)oldCount, keyPath)) {
      ReportWriteFailure("the old key file could not be kept; the key file is unchanged", keepOldPath);
      return false;
    }
  }
  errno = 0;
  if (!WriteKeyFile(keyPath, g_changedKey, newCount)) {
    ReportWriteFailure("the key file could not be replaced; it is unchanged", keyPath);
    return false;
  }
  return true;
}

bool SayOldKept(const char* keepOldPath) {
  if (!keepOldPath[0]) return true;
  char text[PATH_CAPACITY + 96] = "the old key file, which opens with the old key password, is kept: ";
  AppendText(text, sizeof text, keepOldPath);
  AppendText(text, sizeof text, "\n");
  return ConsoleWriteOut(text) == CONSOLE_OK;
}
