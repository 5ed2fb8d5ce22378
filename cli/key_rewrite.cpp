#include "key_rewrite.h"

#include <errno.h>
#include <stdio.h>

#include "key_input.h"
#include "keyfile.h"
#include "report.h"
#include "safe_write.h"
#include "secrets.h"
#include "text.h"
#include "translate.h"

bool MayKeepOld(const char* path) {
  if (!path[0]) return true;
  if (FileExists(path)) {
    Report(_("the file exists; --keep-old writes a new file only"), path);
    return false;
  }
  return FolderReady(path, _("the old key file cannot be kept there"));
}

bool RewriteKeyFile(const char* keyPath, const char* keepOldPath, int oldCount, int newCount) {
  // The old file first: without it kept, the key file is not touched.
  if (keepOldPath[0]) {
    // Asked again: a file may have come there while the key passwords were typed.
    if (!MayKeepOld(keepOldPath)) return false;
    errno = 0;
    if (!ReplaceKeyFileContents(keepOldPath, g_keyBytes, (size_t)oldCount, keyPath)) {
      ReportFileError(_("the old key file could not be kept; the key file is unchanged"), keepOldPath, errno);
      return false;
    }
  }
  errno = 0;
  if (!WriteKeyFile(keyPath, g_changedKey, newCount)) {
    ReportFileError(_("the key file could not be replaced; it is unchanged"), keyPath, errno);
    return false;
  }
  return true;
}

bool SayOldKept(const char* keepOldPath) {
  if (!keepOldPath[0]) return true;
  char text[PATH_CAPACITY + 256];
  snprintf(text, sizeof text, _("the old key file, which opens with the old key password, is kept: %s\n"), keepOldPath);
  return ConsoleWriteOut(text) == CONSOLE_OK;
}
