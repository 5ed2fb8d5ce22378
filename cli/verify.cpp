// verify: whether the key password unmasks the key file into a key. The
// dialog program never asks; a mistyped key password there gives other
// passwords without a word.
#include "commands.h"
#include "key_input.h"
#include "report.h"
#include "secrets.h"

int RunVerify(const CliOptions& options) {
  char keyPath[PATH_CAPACITY];
  if (!KeyPathFor(options, keyPath)) return EXIT_FAILED;
  const int count = ReadKeyReported(keyPath);
  if (count == 0) return EXIT_FAILED;
  // A file of the wrong shape fails with any key password: none is asked for.
  KeyVerdict verdict = CheckKeyShape(g_keyBytes, count);
  if (verdict == KEY_OK) {
    if (!ReadKeyPassword()) return EXIT_FAILED;
    verdict = CheckKeyPassword(g_keyBytes, count, g_keyPassword);
  }
  if (verdict != KEY_OK) {
    ReportKeyVerdict(verdict, count, keyPath, nullptr);
    return EXIT_FAILED;
  }
  return ConsoleWriteOut("the key password matches the key file\n") == CONSOLE_OK ? EXIT_OK : EXIT_FAILED;
}
