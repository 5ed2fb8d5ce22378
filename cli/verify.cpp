// verify: whether the key password unmasks the key file into a key. The
// dialog program never asks; a mistyped key password there gives other
// passwords without a word.
#include "commands.h"
#include "key_input.h"
#include "report.h"
#include "translate.h"

int RunVerify(const CliOptions& options) {
  char keyPath[PATH_CAPACITY];
  if (ReadKeyAndKeyPassword(options, keyPath, nullptr) == 0) return EXIT_FAILED;
  return ConsoleWriteOut(_("the key password matches the key file\n")) == CONSOLE_OK ? EXIT_OK : EXIT_FAILED;
}
