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
  CLI_CHANGE_KEY_PASSWORD,
  CLI_SEAL_KEY,
  CLI_UNSEAL_KEY,
  CLI_CONFIGURE,
  CLI_VERSION,
  CLI_SITE_SET,
  CLI_SITE_LIST,
  CLI_SITE_SHOW,
  CLI_SITE_REMOVE,
  CLI_SITE_NEXT,
};

enum {
  CLI_MESSAGE_CAPACITY = 1536,  // room for a whole argument quoted in a message
  CLI_MAX_LENGTH = TEXT_CAPACITY - 1,
  CLI_CLIP_SECONDS = 45,
  CLI_MAX_CLIP_SECONDS = 3600,
  CLI_KDF_MEMORY_MIN = 8,    // MiB, as a sealed key's header bounds it
  CLI_KDF_MEMORY_MAX = 256,  // what every front end, 32-bit ones too, can open
  CLI_KDF_MEMORY_DEFAULT = 64,
};

struct CliOptions {
  CliCommand command;
  char settingsPath[PATH_CAPACITY];  // empty: setting.ini beside the executable
  char keyPath[PATH_CAPACITY];       // generate, verify, export-key: override; init: the key to name
  char newKeyPath[PATH_CAPACITY];    // new-key FILE, import-key FILE
  char keepOldPath[PATH_CAPACITY];   // change-key-password, seal-key, unseal-key --keep-old FILE; empty: none
  bool hasPassPhrase;
  char passPhrase[TEXT_CAPACITY];  // generate's pass phrase; site commands: the SITE
  bool hasLength;
  int32_t length;  // 1 to 1023 when hasLength
  bool hasClasses;
  uint32_t classFlags;  // OPT_DIGITS..OPT_SYMBOLS, at least one, when hasClasses
  bool force;
  bool noVerify;         // generate: derive even when the key password does not unmask the key
  bool clip;             // generate: to the clipboard instead of standard output
  int32_t clipSeconds;   // 1 to 3600 when clip: until the clipboard is cleared
  int32_t derivation;    // generate, init, configure, seal-key, site set: 1 or 2; 0 when not given
  bool unsealed;         // new-key: the original form
  int32_t kdfMemoryMiB;  // new-key, seal-key: 8 to 256; 0 when not given
  int32_t kdfPasses;     // new-key, seal-key: 1 to 16; 0 when not given
  bool hasCounter;
  int32_t counter;  // generate, site set: 1 to 9999 when hasCounter
  bool hasClipboard;
  bool clipboard;                      // configure: the dialog program's clipboard option, when hasClipboard
  char message[CLI_MESSAGE_CAPACITY];  // why parsing failed
};

// The commands and their options, as the parser checks them and the shell
// completion offers them.
enum Option {
  OPTION_SETTINGS = 1,
  OPTION_KEY = 2,
  OPTION_LENGTH = 4,
  OPTION_CLASSES = 8,
  OPTION_FORCE = 16,
  OPTION_NO_VERIFY = 32,
  OPTION_CLIP = 64,
  OPTION_CLIP_SECONDS = 128,
  OPTION_KEEP_OLD = 256,
  OPTION_DERIVATION = 512,
  OPTION_UNSEALED = 1024,
  OPTION_KDF_MEMORY = 2048,
  OPTION_KDF_PASSES = 4096,
  OPTION_COUNTER = 8192,
  OPTION_CLIPBOARD = 16384,
};

enum OptionValue {
  VALUE_NONE,
  VALUE_FILE,
  VALUE_NUMBER,
  VALUE_CLASSES,     // a comma-separated list of CLASS_NAMES
  VALUE_DERIVATION,  // 1 or 2
  VALUE_ON_OFF,      // on or off
};

struct OptionRule {
  const char* name;
  unsigned option;
  OptionValue value;
};

struct CommandRule {
  const char* name;  // one word, or two for a command's subcommand ("site set")
  CliCommand command;
  unsigned allowed;  // Option bits
  int minPositional;
  int maxPositional;
  bool positionalIsFile;  // else a pass phrase (SITE)
};

struct ClassName {
  const char* name;
  uint32_t flag;
};

enum {
  OPTION_RULE_COUNT = 15,
  COMMAND_RULE_COUNT = 16,
  CLASS_NAME_COUNT = 4,
};
extern const OptionRule OPTION_RULES[OPTION_RULE_COUNT];
extern const CommandRule COMMAND_RULES[COMMAND_RULE_COUNT];
extern const ClassName CLASS_NAMES[CLASS_NAME_COUNT];

// The rule of a command or an option by its name; nullptr when none has it.
const CommandRule* FindCommandRule(const char* name);
// The command that words (argv after the program's name) begin with: one
// word, or two for a subcommand; *used is how many. nullptr when none.
const CommandRule* MatchCommand(int count, const char* const* words, int* used);
// Whether a word is the first of two-word commands ("site").
bool IsCommandGroup(const char* word);
const OptionRule* FindOptionRule(const char* name);

// The options configure changes; it needs at least one.
const unsigned CONFIGURE_SETTINGS = OPTION_KEY | OPTION_LENGTH | OPTION_CLASSES | OPTION_CLIPBOARD | OPTION_DERIVATION;

// Fills options from argv[1..argc-1]. False on a usage error, with the reason
// (in the user's language) in options->message. Reads no file and no input;
// never writes past a buffer.
bool ParseArguments(int argc, const char* const* argv, CliOptions* options);
