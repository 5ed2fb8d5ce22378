// The command line, taken apart into a plain record. Arguments are code page
// 932 text (the console layer converts them first).
#pragma once

#include <stdint.h>

#include "settings.h"

enum CliCommand {
  CLI_HELP,
  CLI_GENERATE,
  CLI_NEW_KEY,
  CLI_INIT,
  CLI_SHOW_SETTINGS,
  CLI_VERIFY,
  CLI_EXPORT_KEY,
  CLI_IMPORT_KEY,
};

enum {
  CLI_MESSAGE_CAPACITY = 256,
  CLI_MAX_LENGTH = TEXT_CAPACITY - 1,
  CLI_CLIP_SECONDS = 45,
  CLI_MAX_CLIP_SECONDS = 3600,
};

struct CliOptions {
  CliCommand command;
  char settingsPath[PATH_CAPACITY];  // empty: setting.ini beside the executable
  char keyPath[PATH_CAPACITY];       // generate, verify, export-key: override; init: the key to name
  char newKeyPath[PATH_CAPACITY];    // new-key FILE, import-key FILE
  bool hasPassPhrase;
  char passPhrase[TEXT_CAPACITY];
  bool hasLength;
  int32_t length;  // 1 to 1023 when hasLength
  bool hasClasses;
  uint32_t classFlags;  // OPT_DIGITS..OPT_SYMBOLS, at least one, when hasClasses
  bool force;
  bool noVerify;                       // generate: derive even when the key password does not unmask the key
  bool clip;                           // generate: to the clipboard instead of standard output
  int32_t clipSeconds;                 // 1 to 3600 when clip: until the clipboard is cleared
  char message[CLI_MESSAGE_CAPACITY];  // why parsing failed
};

// Fills options from argv[1..argc-1]. False on a usage error, with the reason
// in options->message. Reads no file and no input; never writes past a buffer.
bool ParseArguments(int argc, const char* const* argv, CliOptions* options);
