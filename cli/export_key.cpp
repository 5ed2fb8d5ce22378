// export-key: the key file as text to print and keep on paper.
#include "commands.h"
#include "key_backup.h"
#include "key_input.h"
#include "report.h"
#include "secrets.h"
#include "translate.h"

int RunExportKey(const CliOptions& options) {
  char keyPath[PATH_CAPACITY];
  if (!KeyPathFor(options, keyPath)) return EXIT_FAILED;
  // Either form as its bytes stand: no key password is needed.
  const int count = ReadKeyChecked(keyPath, nullptr);
  if (count == 0) return EXIT_FAILED;
  if (WriteKeyBackup(g_keyBytes, count, g_backupText, sizeof g_backupText) == 0) {
    Report(_("the backup could not be made"));
    return EXIT_FAILED;
  }
  ConsoleResult r = ConsoleWriteOut(g_backupText);
  if (r != CONSOLE_OK) {
    ReportConsole(r, _("the backup"));
    return EXIT_FAILED;
  }
  return EXIT_OK;
}
