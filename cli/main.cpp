// sorrel-cli: the dialog program's derivation from a terminal or a script.
#include <stdio.h>
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
#include "translate.h"

namespace {

// The arguments may hold a pass phrase; they are wiped with the other secrets.
char g_arguments[CLI_MAX_ARGUMENTS][CLI_ARGUMENT_CAPACITY];
CliOptions g_options;

// The help, then the settings file this build uses without --settings. The
// parser stops at --help before it takes any option, so options names none;
// a zeroed record of our own would be kilobytes of zeros in the program.
bool ShowHelp(const CliOptions& options) {
  char path[PATH_CAPACITY], line[PATH_CAPACITY + 128];
  if (!WriteHelp()) return false;
  if (!SettingsPathFor(options, path)) return true;
  snprintf(line, sizeof line, _("Default settings file: %s\n"), path);
  return ConsoleWriteOut(line) == CONSOLE_OK;
}

// An argument code page 932 cannot hold, named for what it is: a path is
// shown (with '?' for what is missing), a pass phrase never.
void ReportArgument(ConsoleResult result, int argc, char** argv, int index) {
  char shown[CLI_ARGUMENT_CAPACITY], before[64] = "", command[64] = "";
  ConsoleArgumentShown(argc, argv, index, shown, sizeof shown);
  if (index > 1) ConsoleArgumentShown(argc, argv, index - 1, before, sizeof before);
  ConsoleArgumentShown(argc, argv, 1, command, sizeof command);
  const CommandRule* rule = index > 1 ? FindCommandRule(command) : nullptr;
  // "--key FILE", "--key=FILE", or a command's FILE.
  char name[64];
  CopyText(name, sizeof name, shown);
  if (char* equals = strchr(name, '=')) *equals = 0;
  const OptionRule* option = FindOptionRule(before);
  const OptionRule* joined = shown[0] == '-' ? FindOptionRule(name) : nullptr;
  const bool positional = rule && shown[0] != '-' && !(option && option->value != VALUE_NONE);
  const bool path = (option && option->value == VALUE_FILE) || (joined && joined->value == VALUE_FILE) ||
                    (positional && rule->positionalIsFile);
  if (result == CONSOLE_UNMAPPABLE && path) {
    ReportFile(_("this path cannot be used"), joined ? strchr(shown, '=') + 1 : shown,
               _("it holds a character that code page 932 cannot hold (shown as ?), and the settings name files in "
                 "code page 932, as the dialog program does; use a file in a folder whose path has none"));
  } else if (positional && !rule->positionalIsFile) {
    ReportConsole(result, _("the pass phrase given as an argument"));
  } else {
    ReportConsole(result, shown);
  }
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
  int count = 0, failed = 0;
  ConsoleResult converted = ConsoleArguments(argc, argv, g_arguments, &count, &failed);
  if (converted == CONSOLE_TOO_LONG && argc > CLI_MAX_ARGUMENTS) {
    Report(_("too many arguments"));
    return EXIT_USAGE;
  }
  if (converted != CONSOLE_OK) {
    ReportArgument(converted, argc, argv, failed);
    return EXIT_FAILED;
  }
  const char* pointers[CLI_MAX_ARGUMENTS];
  for (int i = 0; i < count; ++i) pointers[i] = g_arguments[i];

  if (!ParseArguments(count, pointers, &g_options)) {
    Report(g_options.message);
    ConsoleWriteError(TryHelpText());
    ConsoleWriteError("\n");
    return EXIT_USAGE;
  }
  switch (g_options.command) {
    case CLI_HELP:
      return ShowHelp(g_options) ? EXIT_OK : EXIT_FAILED;
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
    case CLI_CONFIGURE:
      return RunConfigure(g_options);
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
  TranslateStart();
  int status = Run(argc, argv);
  WipeSecrets();
  WipeMemory(g_arguments, sizeof g_arguments);
  WipeMemory(&g_options, sizeof g_options);
  return status;
}
