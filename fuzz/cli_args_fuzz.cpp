// The command line of sorrel-cli: arguments (split at zero bytes) converted
// from the terminal's encoding, then taken apart by ParseArguments; and the
// same words as the shell completion hands them over.
#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include <string>
#include <vector>

#include "args.h"
#include "completion.h"
#include "console.h"
#include "fuzz_files.h"

namespace {

bool Terminated(const char* field, size_t width) { return memchr(field, 0, width) != nullptr; }

void CheckParse(int argc, const char* const* argv) {
  CliOptions options;
  memset(&options, 0xEE, sizeof options);
  const bool ok = ParseArguments(argc, argv, &options);
  FUZZ_CHECK(Terminated(options.settingsPath, PATH_CAPACITY));
  FUZZ_CHECK(Terminated(options.keyPath, PATH_CAPACITY));
  FUZZ_CHECK(Terminated(options.newKeyPath, PATH_CAPACITY));
  FUZZ_CHECK(Terminated(options.keepOldPath, PATH_CAPACITY));
  FUZZ_CHECK(Terminated(options.passPhrase, TEXT_CAPACITY));
  FUZZ_CHECK(Terminated(options.message, CLI_MESSAGE_CAPACITY));
  if (!ok) {
    FUZZ_CHECK(options.message[0] != 0);
    return;
  }
  if (options.hasLength) FUZZ_CHECK(options.length >= 1 && options.length <= CLI_MAX_LENGTH);
  FUZZ_CHECK(options.derivation >= 0 && options.derivation <= 2);
  FUZZ_CHECK(options.kdfMemoryMiB == 0 ||
             (options.kdfMemoryMiB >= CLI_KDF_MEMORY_MIN && options.kdfMemoryMiB <= CLI_KDF_MEMORY_MAX));
  FUZZ_CHECK(options.kdfPasses >= 0 && options.kdfPasses <= 16);
  if (options.unsealed) FUZZ_CHECK(options.kdfMemoryMiB == 0 && options.kdfPasses == 0);
  if (options.hasCounter) FUZZ_CHECK(options.counter >= 1 && options.counter <= 9999);
  if (options.clip) FUZZ_CHECK(options.clipSeconds >= 1 && options.clipSeconds <= CLI_MAX_CLIP_SECONDS);
  if (options.hasClasses) {
    FUZZ_CHECK(options.classFlags != 0);
    FUZZ_CHECK((options.classFlags & ~(uint32_t)(OPT_DIGITS | OPT_LOWER | OPT_UPPER | OPT_SYMBOLS)) == 0);
  }
  switch (options.command) {
    case CLI_NEW_KEY:
    case CLI_IMPORT_KEY:
      FUZZ_CHECK(options.newKeyPath[0] != 0);
      break;
    case CLI_INIT:
      FUZZ_CHECK(options.keyPath[0] != 0);
      break;
    case CLI_SITE_SET:
    case CLI_SITE_SHOW:
    case CLI_SITE_REMOVE:
    case CLI_SITE_NEXT:
      FUZZ_CHECK(options.hasPassPhrase);
      break;
    case CLI_CONFIGURE:
      FUZZ_CHECK(options.keyPath[0] || options.hasLength || options.hasClasses || options.hasClipboard ||
                 options.derivation);
      break;
    case CLI_GENERATE:
    case CLI_SITE_LIST:
    case CLI_SHOW_SETTINGS:
    case CLI_VERIFY:
    case CLI_EXPORT_KEY:
    case CLI_CHANGE_KEY_PASSWORD:
    case CLI_SEAL_KEY:
    case CLI_UNSEAL_KEY:
    case CLI_HELP:
    case CLI_VERSION:
      break;
    default:
      FuzzFail("unknown command");
  }
  // A pass phrase is taken whole or refused, never cut.
  if (options.hasPassPhrase) {
    bool found = false;
    for (int i = 2; i < argc; ++i) found = found || strcmp(argv[i], options.passPhrase) == 0;
    FUZZ_CHECK(found);
  }

  // Candidates only from the tables, within the buffer, never cut.
  char out[4096];
  memset(out, 0xEE, sizeof out);
  if (argc > 1 && CompletionsFor(argc - 1, argv + 1, out, sizeof out)) FUZZ_CHECK(Terminated(out, sizeof out));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<std::string> args{"sorrel-cli"};
  std::string current;
  for (size_t i = 0; i < size && args.size() <= CLI_MAX_ARGUMENTS + 2; ++i) {
    if (data[i] == 0) {
      args.push_back(current);
      current.clear();
    } else {
      current += (char)data[i];
    }
  }
  if (!current.empty() || size == 0) args.push_back(current);

  // As raw code page 932 text...
  std::vector<const char*> raw;
  for (const std::string& a : args) raw.push_back(a.c_str());
  CheckParse((int)raw.size(), raw.data());

  // ...and through the console layer, from UTF-8.
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(&a[0]);
  static char converted[CLI_MAX_ARGUMENTS][CLI_ARGUMENT_CAPACITY];
  int count = -1, failed = -1;
  ConsoleResult r = ConsoleArguments((int)argv.size(), argv.data(), converted, &count, &failed);
  if (r != CONSOLE_OK) {
    FUZZ_CHECK(count == 0);
    FUZZ_CHECK(failed >= 0 && failed < (int)argv.size());
    // The argument as a message shows it, '?' for what code page 932 lacks.
    char shown[64];
    ConsoleArgumentShown((int)argv.size(), argv.data(), failed, shown, sizeof shown);
    FUZZ_CHECK(Terminated(shown, sizeof shown));
    return 0;
  }
  FUZZ_CHECK(count == (int)argv.size());
  std::vector<const char*> cooked;
  for (int i = 0; i < count; ++i) {
    FUZZ_CHECK(Terminated(converted[i], CLI_ARGUMENT_CAPACITY));
    cooked.push_back(converted[i]);
  }
  CheckParse(count, cooked.data());
  return 0;
}
