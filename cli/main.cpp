// sorrel-cli: the dialog program's derivation from a terminal or a script.
#include <string.h>

#include "args.h"
#include "clipboard.h"
#include "commands.h"
#include "completion.h"
#include "console.h"
#include "messages.h"
#include "report.h"
#include "secrets.h"
#include "sites.h"
#include "text.h"

namespace {

// The arguments may hold a pass phrase; they are wiped with the other secrets.
char g_arguments[CLI_MAX_ARGUMENTS][CLI_ARGUMENT_CAPACITY];
CliOptions g_options;

// The help, then the settings file this build uses without --settings.
bool ShowHelp() {
  static const CliOptions none = {};
  char path[PATH_CAPACITY];
  if (ConsoleWriteOut(HELP_TEXT) != CONSOLE_OK) return false;
  if (!SettingsPathFor(none, path)) return true;
  return ConsoleWriteOut("Default settings file: ") == CONSOLE_OK && ConsoleWriteOut(path) == CONSOLE_OK &&
         ConsoleWriteOut("\n") == CONSOLE_OK;
}

// Candidates for the bash completion script; the words stay as the shell gave them.
int Complete(int count, const char* const* words) {
  static char out[16384];
  if (!CompletionsFor(count, words, out, sizeof out)) return EXIT_FAILED;
  if (strcmp(out, "@sites\n") == 0) SiteCompletions(count, words, out, sizeof out);
  return ConsoleWriteOut(out) == CONSOLE_OK ? EXIT_OK : EXIT_FAILED;
}

int Run(int argc, char** argv) {
  if (argc > 1 && strcmp(argv[1], COMPLETION_ARGUMENT) == 0) return Complete(argc - 2, argv + 2);
  int count = 0;
  ConsoleResult converted = ConsoleArguments(argc, argv, g_arguments, &count);
  if (converted == CONSOLE_TOO_LONG && argc > CLI_MAX_ARGUMENTS) {
    Report("too many arguments");
    return EXIT_USAGE;
  }
  if (converted != CONSOLE_OK) {
    ReportConsole(converted, "command-line argument");
    return EXIT_FAILED;
  }
  const char* pointers[CLI_MAX_ARGUMENTS];
  for (int i = 0; i < count; ++i) pointers[i] = g_arguments[i];

  if (!ParseArguments(count, pointers, &g_options)) {
    Report(g_options.message);
    ConsoleWriteError(MSG_TRY_HELP);
    ConsoleWriteError("\n");
    return EXIT_USAGE;
  }
  switch (g_options.command) {
    case CLI_HELP:
      return ShowHelp() ? EXIT_OK : EXIT_FAILED;
    case CLI_VERSION:
      return ConsoleWriteOut("sorrel-cli " SORREL_CLI_VERSION "\n") == CONSOLE_OK ? EXIT_OK : EXIT_FAILED;
    case CLI_GENERATE:
      return RunGenerate(g_options);
    case CLI_NEW_KEY:
      return RunNewKey(g_options);
    case CLI_INIT:
      return RunInit(g_options);
    case CLI_SHOW_SETTINGS:
      return RunShowSettings(g_options);
    case CLI_VERIFY:
      return RunVerify(g_options);
    case CLI_EXPORT_KEY:
      return RunExportKey(g_options);
    case CLI_IMPORT_KEY:
      return RunImportKey(g_options);
    case CLI_CHANGE_KEY_PASSWORD:
      return RunChangeKeyPassword(g_options);
    case CLI_SEAL_KEY:
      return RunSealKey(g_options);
    case CLI_UNSEAL_KEY:
      return RunUnsealKey(g_options);
    case CLI_SITE_SET:
    case CLI_SITE_LIST:
    case CLI_SITE_SHOW:
    case CLI_SITE_REMOVE:
    case CLI_SITE_NEXT:
      return RunSite(g_options);
  }
  return EXIT_USAGE;
}

}  // namespace

int main(int argc, char** argv) {
#ifdef SORREL_USER_CONFIG
  g_settingsInUserConfig = true;
#endif
  // generate --clip starts sorrel-cli again as the process that clears the clipboard.
  if (argc > 1 && strcmp(argv[1], CLIPBOARD_CLEARER_ARGUMENT) == 0) return RunClipboardClearer(argc, argv);
  ConsoleStart();
  int status = Run(argc, argv);
  WipeSecrets();
  WipeMemory(g_arguments, sizeof g_arguments);
  WipeMemory(&g_options, sizeof g_options);
  return status;
}
