// The prompts keep the dialog program's Japanese labels, full-width colon and all.
#include "messages.h"

#include <string.h>

#include "console.h"
#include "text.h"
#include "translate.h"

const char* PromptKeyPassword() { return _("Key password: "); }
const char* PromptKeyPasswordAgain() { return _("Key password again: "); }
const char* PromptNewKeyPassword() { return _("New key password: "); }
const char* PromptNewKeyPasswordAgain() { return _("New key password again: "); }
const char* PromptPassPhrase() { return _("Pass phrase: "); }
const char* TryHelpText() { return _("Try 'sorrel-cli --help'."); }

namespace {

// Where descriptions start.
enum {
  COMMAND_COLUMN = 26,
  OPTION_COLUMN = 20,
};

bool Spaces(char* text, size_t capacity, size_t from, size_t to) {
  bool ok = true;
  for (size_t i = from; i < to; ++i) ok = ok && AppendText(text, capacity, " ");
  return ok;
}

// "  NAME  description", the description's further lines (after each line
// feed in it) under its first; a name too wide for its column stands alone.
bool Entry(size_t column, const char* name, const char* description) {
  char text[2048] = "  ";
  bool ok = AppendText(text, sizeof text, name);
  size_t at = 2 + strlen(name);
  if (at + 2 > column) {
    ok = ok && AppendText(text, sizeof text, "\n");
    at = 0;
  }
  ok = ok && Spaces(text, sizeof text, at, column);
  for (const char* p = description; ok && *p; ++p) {
    char c[2] = {*p, 0};
    ok = AppendText(text, sizeof text, c);
    if (*p == '\n' && p[1]) ok = ok && Spaces(text, sizeof text, 0, column);
  }
  return ok && AppendText(text, sizeof text, "\n") && ConsoleWriteOut(text) == CONSOLE_OK;
}

bool Command(const char* name, const char* description) { return Entry(COMMAND_COLUMN, name, description); }
bool Option(const char* name, const char* description) { return Entry(OPTION_COLUMN, name, description); }

}  // namespace

bool WriteHelp() {
  bool ok = ConsoleWriteOut(_("Usage: sorrel-cli COMMAND [OPTIONS]\n\nCommands:\n")) == CONSOLE_OK;
  ok = ok && Command("generate [PASS_PHRASE]", _("derive the password for a pass phrase and print it;\n"
                                                 "asks for the key password, without echo, and for the\n"
                                                 "pass phrase, shown as typed, when it is not given; or\n"
                                                 "reads them one line each from standard input when\n"
                                                 "that is not a terminal; refuses a key password that\n"
                                                 "does not unmask the key"));
  ok = ok && Command("new-key FILE", _("ask for a new key password twice and write a key file"));
  ok = ok && Command("init --key FILE", _("write a settings file with the defaults, naming FILE"));
  ok = ok && Command("configure", _("change the settings given (--key, --length, --classes,\n"
                                    "--clipboard, --derivation) and keep all the others;\n"
                                    "each change is printed before it is written"));
  ok = ok && Command("show-settings", _("print the settings file"));
  ok = ok && Command("verify", _("ask for the key password and say whether it unmasks\n"
                                 "the key file (exit 0) or not (exit 1)"));
  ok = ok && Command("change-key-password", _("ask for the key password, then a new one twice, and\n"
                                              "mask the same key with the new one: every password\n"
                                              "stays the same (a new key would change them all);\n"
                                              "copies and paper backups of the old key file still\n"
                                              "open with the old key password"));
  ok = ok && Command("export-key", _("print the key file as a paper backup: checked lines\n"
                                     "of text; keep it as secret as the key password"));
  ok = ok && Command("import-key FILE", _("read a paper backup, typed or piped, and write the\n"
                                          "key file it holds"));
  ok = ok && ConsoleWriteOut(_("\nOptions:\n")) == CONSOLE_OK;
  ok = ok && Option("--settings FILE", _("settings file to use instead of the default one named below"));
  ok = ok && Option("--key FILE", _("generate, verify, change-key-password, export-key: key\n"
                                    "file to use instead of the one the settings name;\n"
                                    "init, configure: the key file the settings name"));
  ok = ok && Option("--length N", _("generate, configure: password length, 1 to 1023"));
  ok = ok && Option("--classes LIST", _("generate, configure: character classes, a comma-separated\n"
                                        "subset of digits, lower, upper, symbols"));
  ok = ok && Option("--derivation N", _("generate: derivation 1 or 2 for this run instead of the\n"
                                        "settings' one; init, configure: the derivation the\n"
                                        "settings name (init: 1 unless given, which made the\n"
                                        "passwords of an existing key)"));
  ok = ok && Option("--clipboard on|off", _("configure: whether the dialog program puts its passwords\n"
                                            "on the clipboard (sorrel-cli does with --clip)"));
  ok = ok && Option("--no-verify", _("generate: derive even when the key password does not unmask\n"
                                     "the key file (a key password put in force that the key was\n"
                                     "not made with)"));
  ok = ok && Option("--clip", _("generate: put the password on the clipboard instead of\n"
                                "printing it, and clear it after 45 seconds unless something\n"
                                "else was copied meanwhile (Linux: wl-copy, xclip or xsel)"));
  ok = ok && Option("--clip-seconds N", _("generate --clip: clear after N seconds, 1 to 3600"));
  ok = ok && Option("--keep-old FILE", _("change-key-password: first copy the old key file to FILE,\n"
                                         "which must not exist"));
  ok = ok && Option("--force", _("new-key, init, import-key: replace an existing file (init\n"
                                 "asks first at a terminal when passwords would change)"));
  ok = ok && Option("--help, -h", _("show this text"));
  ok = ok && Option("--version, -V", _("show the version"));
  ok = ok && Option("--", _("end of options (for a pass phrase that begins with -)"));
  return ok &&
         ConsoleWriteOut(_("\nNothing is written by generate. Exit status: 0 success, 1 failure, 2 usage error.\n")) ==
             CONSOLE_OK;
}
