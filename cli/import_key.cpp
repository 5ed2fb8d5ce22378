// import-key: a paper backup, typed or piped, back into the key file. Typed
// at a terminal, a line that fails is asked for again; piped, the first
// failure ends the command.
#include <errno.h>
#include <stdio.h>

#include "commands.h"
#include "key_backup.h"
#include "key_input.h"
#include "report.h"
#include "secrets.h"
#include "text.h"
#include "translate.h"

namespace {

void ReportLine(BackupStatus status, const BackupReader& reader, int inputLine) {
  char where[128], text[512];
  if (reader.line == 0) {
    snprintf(where, sizeof where, _("the first line (input line %d)"), inputLine);
  } else {
    snprintf(where, sizeof where, _("line %02d (input line %d)"), reader.line, inputLine);
  }
  switch (status) {
    case BACKUP_NOT_BACKUP:
      snprintf(text, sizeof text, _("%s: not a key backup, whose first line reads '%s' (or version 2)"), where,
               BACKUP_FIRST_LINE);
      break;
    case BACKUP_BAD_SYMBOL:
      snprintf(text, sizeof text, _("%s: '%c' is not one of the backup's characters"), where, reader.badCharacter);
      break;
    case BACKUP_WRONG_COUNT:
      snprintf(text, sizeof text, _("%s: a character too many or too few"), where);
      break;
    case BACKUP_LINE_CHECK:
      snprintf(text, sizeof text, _("%s: its check fails: a character is wrong, or two are swapped"), where);
      break;
    case BACKUP_LINE_MISSING:
      snprintf(text, sizeof text, _("%s is missing: line %02d came instead"), where, reader.found);
      break;
    case BACKUP_LINE_REPEATED:
      snprintf(text, sizeof text, _("%s: line %02d came again"), where, reader.found);
      break;
    case BACKUP_KEY_CHECK:
      snprintf(text, sizeof text,
               _("%s: the check over the whole key fails: some line holds more than one error; compare each line "
                 "with the paper"),
               where);
      break;
    default:
      return;
  }
  // A control character or a byte that is not ASCII would not show as itself.
  const unsigned char bad = (unsigned char)reader.badCharacter;
  if (status == BACKUP_BAD_SYMBOL && (bad < 0x20 || bad >= 0x7F)) {
    snprintf(text, sizeof text, _("%s: a character that is not one of the backup's"), where);
  }
  Report(text);
}

}  // namespace

int RunImportKey(const CliOptions& options) {
  if (!MayWriteKeyFile(options.newKeyPath, options.force)) return EXIT_FAILED;
  const bool typing = ConsoleInputIsTerminal();
  if (typing) {
    ConsoleWriteError(
        _("Type the key backup line by line, from its first line to its last (08, or\n"
          "13 for a sealed key). Case, spaces and hyphens do not matter; lines\n"
          "beginning with # may be left out.\n"));
  }
  StartBackupReader(&g_backupReader);
  BackupStatus status = BACKUP_MORE;
  for (int inputLine = 1; status != BACKUP_COMPLETE; ++inputLine) {
    ConsoleResult r = ConsoleReadLine(typing ? "> " : "", g_backupLine, sizeof g_backupLine);
    if (r == CONSOLE_END) {
      char text[160];
      if (g_backupReader.line) {
        snprintf(text, sizeof text, _("the backup ends before line %02d"), g_backupReader.line);
      } else {
        CopyText(text, sizeof text, _("no key backup in the input"));
      }
      Report(text);
      return EXIT_FAILED;
    }
    if (r != CONSOLE_OK) {
      ReportConsole(r, _("a line of the backup"));
      if (typing) continue;
      return EXIT_FAILED;
    }
    status = ReadBackupLine(&g_backupReader, g_backupLine);
    if (status == BACKUP_MORE || status == BACKUP_COMPLETE) continue;
    ReportLine(status, g_backupReader, inputLine);
    // Retyping helps with one line, not with a key check that fails.
    if (!typing || status == BACKUP_KEY_CHECK) return EXIT_FAILED;
  }
  errno = 0;
  if (!WriteKeyFile(options.newKeyPath, g_backupReader.key, g_backupReader.keySize)) {
    ReportFileError(_("the key file could not be written"), options.newKeyPath, errno);
    return EXIT_FAILED;
  }
  return ReportWritten(_("key file written"), options.newKeyPath,
                       _("keep the paper backup safe, and a copy of the key file elsewhere"))
             ? EXIT_OK
             : EXIT_FAILED;
}
