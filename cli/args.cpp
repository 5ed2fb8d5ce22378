#include "args.h"

#include <stdarg.h>
#include <stdio.h>
#include <string.h>

#include "sealed_key.h"
#include "site_rules.h"
#include "text.h"
#include "translate.h"

const OptionRule OPTION_RULES[OPTION_RULE_COUNT] = {
    {"--settings", OPTION_SETTINGS, VALUE_FILE},
    {"--key", OPTION_KEY, VALUE_FILE},
    {"--length", OPTION_LENGTH, VALUE_NUMBER},
    {"--classes", OPTION_CLASSES, VALUE_CLASSES},
    {"--derivation", OPTION_DERIVATION, VALUE_DERIVATION},
    {"--counter", OPTION_COUNTER, VALUE_NUMBER},
    {"--clipboard", OPTION_CLIPBOARD, VALUE_ON_OFF},
    {"--no-verify", OPTION_NO_VERIFY, VALUE_NONE},
    {"--clip", OPTION_CLIP, VALUE_NONE},
    {"--clip-seconds", OPTION_CLIP_SECONDS, VALUE_NUMBER},
    {"--keep-old", OPTION_KEEP_OLD, VALUE_FILE},
    {"--force", OPTION_FORCE, VALUE_NONE},
    {"--unsealed", OPTION_UNSEALED, VALUE_NONE},
    {"--kdf-memory", OPTION_KDF_MEMORY, VALUE_NUMBER},
    {"--kdf-passes", OPTION_KDF_PASSES, VALUE_NUMBER},
    {"--digit-chars", OPTION_DIGIT_CHARS, VALUE_TEXT},
    {"--lower-chars", OPTION_LOWER_CHARS, VALUE_TEXT},
    {"--upper-chars", OPTION_UPPER_CHARS, VALUE_TEXT},
    {"--symbol-chars", OPTION_SYMBOL_CHARS, VALUE_TEXT},
};

const CommandRule COMMAND_RULES[COMMAND_RULE_COUNT] = {
    {"generate", CLI_GENERATE,
     OPTION_SETTINGS | OPTION_KEY | OPTION_LENGTH | OPTION_CLASSES | OPTION_DERIVATION | OPTION_COUNTER |
         OPTION_NO_VERIFY | OPTION_CLIP | OPTION_CLIP_SECONDS,
     0, 1, false},
    {"new-key", CLI_NEW_KEY, OPTION_FORCE | OPTION_UNSEALED | OPTION_KDF_MEMORY | OPTION_KDF_PASSES, 1, 1, true},
    {"init", CLI_INIT, OPTION_SETTINGS | OPTION_KEY | OPTION_DERIVATION | OPTION_FORCE, 0, 0, false},
    {"configure", CLI_CONFIGURE, OPTION_SETTINGS | CONFIGURE_SETTINGS, 0, 0, false},
    {"show-settings", CLI_SHOW_SETTINGS, OPTION_SETTINGS, 0, 0, false},
    {"verify", CLI_VERIFY, OPTION_SETTINGS | OPTION_KEY, 0, 0, false},
    {"change-key-password", CLI_CHANGE_KEY_PASSWORD, OPTION_SETTINGS | OPTION_KEY | OPTION_KEEP_OLD, 0, 0, false},
    {"export-key", CLI_EXPORT_KEY, OPTION_SETTINGS | OPTION_KEY, 0, 0, false},
    {"import-key", CLI_IMPORT_KEY, OPTION_FORCE, 1, 1, true},
    {"seal-key", CLI_SEAL_KEY,
     OPTION_SETTINGS | OPTION_KEY | OPTION_KEEP_OLD | OPTION_KDF_MEMORY | OPTION_KDF_PASSES | OPTION_DERIVATION, 0, 0,
     false},
    {"unseal-key", CLI_UNSEAL_KEY, OPTION_SETTINGS | OPTION_KEY | OPTION_KEEP_OLD, 0, 0, false},
    {"site set", CLI_SITE_SET, OPTION_SETTINGS | OPTION_LENGTH | OPTION_CLASSES | OPTION_DERIVATION | OPTION_COUNTER, 1,
     1, false},
    {"site list", CLI_SITE_LIST, OPTION_SETTINGS, 0, 0, false},
    {"site show", CLI_SITE_SHOW, OPTION_SETTINGS, 1, 1, false},
    {"site remove", CLI_SITE_REMOVE, OPTION_SETTINGS, 1, 1, false},
    {"site next", CLI_SITE_NEXT, OPTION_SETTINGS, 1, 1, false},
};

const ClassName CLASS_NAMES[CLASS_NAME_COUNT] = {
    {"digits", OPT_DIGITS},
    {"lower", OPT_LOWER},
    {"upper", OPT_UPPER},
    {"symbols", OPT_SYMBOLS},
};

const CommandRule* FindCommandRule(const char* name) {
  for (const CommandRule& r : COMMAND_RULES) {
    if (strcmp(name, r.name) == 0) return &r;
  }
  return nullptr;
}

bool IsCommandGroup(const char* word) {
  const size_t n = strlen(word);
  for (const CommandRule& r : COMMAND_RULES) {
    if (n > 0 && strncmp(r.name, word, n) == 0 && r.name[n] == ' ') return true;
  }
  return false;
}

const CommandRule* MatchCommand(int count, const char* const* words, int* used) {
  *used = 0;
  if (count < 1) return nullptr;
  if (!IsCommandGroup(words[0])) {
    *used = 1;
    return FindCommandRule(words[0]);
  }
  if (count < 2) return nullptr;
  char name[64] = "";
  if (!AppendText(name, sizeof name, words[0]) || !AppendText(name, sizeof name, " ") ||
      !AppendText(name, sizeof name, words[1])) {
    return nullptr;
  }
  *used = 2;
  return FindCommandRule(name);
}

const OptionRule* FindOptionRule(const char* name) {
  for (const OptionRule& o : OPTION_RULES) {
    if (strcmp(name, o.name) == 0) return &o;
  }
  return nullptr;
}

namespace {

__attribute__((format(printf, 2, 3))) bool Fail(CliOptions* options, const char* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  vsnprintf(options->message, CLI_MESSAGE_CAPACITY, format, arguments);
  va_end(arguments);
  return false;
}

// A value that must fit its buffer whole: cutting a path or a pass phrase
// would silently name another file or give another password.
bool TakeText(CliOptions* options, const char* name, const char* value, char* destination, size_t capacity) {
  if (value[0] == 0) return Fail(options, _("empty value for %s"), name);
  if (BoundedLength(value, capacity) >= capacity) return Fail(options, _("value too long for %s"), name);
  CopyText(destination, capacity, value);
  return true;
}

// Decimal digits only, as the settings dialog's number field takes them; -1
// for anything else, and large values held at a million.
int64_t Number(const char* value) {
  if (value[0] == 0) return -1;
  int64_t n = 0;
  for (const char* p = value; *p; ++p) {
    if (*p < '0' || *p > '9') return -1;
    if (n < 1000000) n = n * 10 + (*p - '0');
  }
  return n;
}

bool TakeLength(CliOptions* options, const char* value) {
  const int64_t n = Number(value);
  if (n < 1 || n > CLI_MAX_LENGTH) return Fail(options, _("--length takes a number from 1 to 1023, not '%s'"), value);
  options->length = (int32_t)n;
  options->hasLength = true;
  return true;
}

bool TakeClipSeconds(CliOptions* options, const char* value) {
  const int64_t n = Number(value);
  if (n < 1 || n > CLI_MAX_CLIP_SECONDS) return Fail(options, _("--clip-seconds takes a number from 1 to 3600"));
  options->clipSeconds = (int32_t)n;
  return true;
}

bool TakeDerivation(CliOptions* options, const char* value) {
  const int64_t n = Number(value);
  if (n != 1 && n != 2) return Fail(options, _("--derivation takes 1 or 2"));
  options->derivation = (int32_t)n;
  return true;
}

bool TakeKdfMemory(CliOptions* options, const char* value) {
  const int64_t n = Number(value);
  if (n < CLI_KDF_MEMORY_MIN || n > CLI_KDF_MEMORY_MAX) return Fail(options, _("--kdf-memory takes MiB from 8 to 256"));
  options->kdfMemoryMiB = (int32_t)n;
  return true;
}

bool TakeKdfPasses(CliOptions* options, const char* value) {
  const int64_t n = Number(value);
  if (n < SEALED_PASSES_MIN || n > SEALED_PASSES_MAX)
    return Fail(options, _("--kdf-passes takes a number from 1 to 16"));
  options->kdfPasses = (int32_t)n;
  return true;
}

bool TakeCounter(CliOptions* options, const char* value) {
  const int64_t n = Number(value);
  if (n < 1 || n > SITE_COUNTER_MAX) return Fail(options, _("--counter takes a number from 1 to 9999"));
  options->counter = (int32_t)n;
  options->hasCounter = true;
  return true;
}

// "set, list, show, remove, next": a group's subcommands, for its usage error.
void Subcommands(const char* group, char* out, size_t capacity) {
  out[0] = 0;
  const size_t n = strlen(group);
  for (const CommandRule& r : COMMAND_RULES) {
    if (strncmp(r.name, group, n) != 0 || r.name[n] != ' ') continue;
    if (out[0]) AppendText(out, capacity, ", ");
    AppendText(out, capacity, r.name + n + 1);
  }
}

// A class's characters: kept byte for byte, in their order, which both
// derivations depend on; 63 bytes at most, as the settings dialog takes them.
bool TakeClassChars(CliOptions* options, const char* name, const char* value, char* destination) {
  if (value[0] == 0) return Fail(options, _("%s needs at least one character"), name);
  if (BoundedLength(value, CLASS_CAPACITY) >= CLASS_CAPACITY) {
    return Fail(options, _("%s takes at most 63 bytes (a Japanese character counts 2), not %lu"), name,
                (unsigned long)strlen(value));
  }
  CopyText(destination, CLASS_CAPACITY, value);
  return true;
}

bool TakeOnOff(CliOptions* options, const char* name, const char* value, bool* out) {
  if (strcmp(value, "on") != 0 && strcmp(value, "off") != 0) return Fail(options, _("%s takes on or off"), name);
  *out = strcmp(value, "on") == 0;
  return true;
}

bool TakeClasses(CliOptions* options, const char* value) {
  uint32_t flags = 0;
  const char* p = value;
  while (true) {
    const char* end = strchr(p, ',');
    size_t n = end ? (size_t)(end - p) : strlen(p);
    bool known = false;
    for (const ClassName& c : CLASS_NAMES) {
      if (strlen(c.name) == n && memcmp(c.name, p, n) == 0) {
        flags |= c.flag;
        known = true;
      }
    }
    if (!known) {
      if (n == 0) return Fail(options, _("--classes takes a comma-separated list of digits, lower, upper, symbols"));
      return Fail(options, _("unknown class in --classes (digits, lower, upper, symbols): %s"), value);
    }
    if (!end) break;
    p = end + 1;
  }
  options->classFlags = flags;
  options->hasClasses = true;
  return true;
}

}  // namespace

bool ParseArguments(int argc, const char* const* argv, CliOptions* options) {
  memset(options, 0, sizeof *options);
  options->command = CLI_HELP;
  for (int i = 1; i < argc; ++i) {
    if (strcmp(argv[i], "--") == 0) break;
    if (strcmp(argv[i], "--help") == 0 || strcmp(argv[i], "-h") == 0) return true;
  }
  for (int i = 1; i < argc && strcmp(argv[i], "--") != 0; ++i) {
    if (strcmp(argv[i], "--version") == 0 || strcmp(argv[i], "-V") == 0) {
      options->command = CLI_VERSION;
      return true;
    }
  }
  if (argc < 2) return Fail(options, _("no command given"));

  int used = 0;
  const CommandRule* rule = MatchCommand(argc - 1, argv + 1, &used);
  if (!rule && IsCommandGroup(argv[1])) {
    char subcommands[128];
    Subcommands(argv[1], subcommands, sizeof subcommands);
    if (argc < 3) return Fail(options, _("%s needs one of: %s"), argv[1], subcommands);
    return Fail(options, _("unknown %s command (%s): %s"), argv[1], subcommands, argv[2]);
  }
  if (!rule) return Fail(options, _("unknown command: %s"), argv[1]);
  options->command = rule->command;

  unsigned seen = 0;
  int positional = 0;
  bool optionsEnded = false;
  for (int i = 1 + used; i < argc; ++i) {
    const char* arg = argv[i];
    if (optionsEnded || arg[0] != '-' || arg[1] == 0) {
      if (++positional > rule->maxPositional) return Fail(options, _("unexpected argument for %s"), rule->name);
      if (!rule->positionalIsFile) {
        if (BoundedLength(arg, TEXT_CAPACITY) >= TEXT_CAPACITY)
          return Fail(options, _("the pass phrase is too long: at most 1023 bytes"));
        CopyText(options->passPhrase, TEXT_CAPACITY, arg);
        options->hasPassPhrase = true;
      } else if (!TakeText(options, "FILE", arg, options->newKeyPath, PATH_CAPACITY)) {
        return false;
      }
      continue;
    }
    if (strcmp(arg, "--") == 0) {
      optionsEnded = true;
      continue;
    }

    // "--name value" or "--name=value".
    char name[32];
    const char* value = nullptr;
    const char* equals = strchr(arg, '=');
    size_t nameLength = equals ? (size_t)(equals - arg) : strlen(arg);
    if (nameLength >= sizeof name) return Fail(options, _("unknown option: %s"), arg);
    memcpy(name, arg, nameLength);
    name[nameLength] = 0;

    const OptionRule* known = FindOptionRule(name);
    if (!known) return Fail(options, _("unknown option: %s"), name);
    const unsigned option = known->option;
    if (!(rule->allowed & option)) return Fail(options, _("%s does not apply to %s"), name, rule->name);
    if (seen & option) return Fail(options, _("%s given twice"), name);
    seen |= option;

    if (known->value == VALUE_NONE) {
      if (equals) return Fail(options, _("%s takes no value"), name);
      options->force = options->force || option == OPTION_FORCE;
      options->noVerify = options->noVerify || option == OPTION_NO_VERIFY;
      options->clip = options->clip || option == OPTION_CLIP;
      options->unsealed = options->unsealed || option == OPTION_UNSEALED;
      continue;
    }
    if (equals) {
      value = equals + 1;
    } else if (i + 1 < argc) {
      value = argv[++i];
    } else {
      return Fail(options, _("%s needs a value"), name);
    }

    bool ok = false;
    switch (option) {
      case OPTION_SETTINGS:
        ok = TakeText(options, name, value, options->settingsPath, PATH_CAPACITY);
        break;
      case OPTION_KEY:
        ok = TakeText(options, name, value, options->keyPath, PATH_CAPACITY);
        break;
      case OPTION_LENGTH:
        ok = TakeLength(options, value);
        break;
      case OPTION_CLASSES:
        ok = TakeClasses(options, value);
        break;
      case OPTION_CLIP_SECONDS:
        ok = TakeClipSeconds(options, value);
        break;
      case OPTION_KEEP_OLD:
        ok = TakeText(options, name, value, options->keepOldPath, PATH_CAPACITY);
        break;
      case OPTION_DERIVATION:
        ok = TakeDerivation(options, value);
        break;
      case OPTION_KDF_MEMORY:
        ok = TakeKdfMemory(options, value);
        break;
      case OPTION_KDF_PASSES:
        ok = TakeKdfPasses(options, value);
        break;
      case OPTION_COUNTER:
        ok = TakeCounter(options, value);
        break;
      case OPTION_CLIPBOARD:
        ok = TakeOnOff(options, name, value, &options->clipboard);
        options->hasClipboard = ok;
        break;
      case OPTION_DIGIT_CHARS:
        ok = TakeClassChars(options, name, value, options->digitChars);
        break;
      case OPTION_LOWER_CHARS:
        ok = TakeClassChars(options, name, value, options->lowerChars);
        break;
      case OPTION_UPPER_CHARS:
        ok = TakeClassChars(options, name, value, options->upperChars);
        break;
      case OPTION_SYMBOL_CHARS:
        ok = TakeClassChars(options, name, value, options->symbolChars);
        break;
    }
    if (!ok) return false;
  }

  if (positional < rule->minPositional)
    return Fail(options, rule->positionalIsFile ? _("%s needs a FILE") : _("%s needs a SITE"), rule->name);
  if (rule->command == CLI_INIT && !(seen & OPTION_KEY)) return Fail(options, _("init needs --key FILE"));
  if (rule->command == CLI_CONFIGURE && !(seen & CONFIGURE_SETTINGS)) {
    return Fail(options, _("configure needs a setting to change: --key, --length, --classes, --clipboard, "
                           "--derivation, --digit-chars, --lower-chars, --upper-chars or --symbol-chars"));
  }
  if (options->unsealed && (seen & (OPTION_KDF_MEMORY | OPTION_KDF_PASSES))) {
    return Fail(options, _("--kdf-memory and --kdf-passes do not apply to new-key --unsealed"));
  }
  if ((seen & OPTION_CLIP_SECONDS) && !options->clip) return Fail(options, _("--clip-seconds needs --clip"));
  if (options->clip && !(seen & OPTION_CLIP_SECONDS)) options->clipSeconds = CLI_CLIP_SECONDS;
  return true;
}
