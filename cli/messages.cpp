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
                                                 "does not unmask the key; a pass phrase with a site\n"
                                                 "rule derives by its rule"));
  ok = ok && Command("new-key FILE", _("ask for a new key password twice and write a sealed\n"
                                       "key file (--unsealed: the original form)"));
  ok = ok && Command("init --key FILE", _("write a settings file with the defaults, naming FILE"));
  ok = ok && Command("configure", _("change the settings given (--key, --length, --classes,\n"
                                    "--clipboard, --derivation) and keep all the others;\n"
                                    "each change is printed before it is written"));
  ok = ok && Command("show-settings", _("print the settings file and the key file's form"));
  ok = ok && Command("verify", _("ask for the key password and say whether it unmasks\n"
                                 "the key file (exit 0) or not (exit 1)"));
  ok = ok && Command("change-key-password", _("ask for the key password, then a new one twice, and\n"
                                              "mask the same key with the new one: every password\n"
                                              "stays the same (a new key would change them all);\n"
                                              "copies and paper backups of the old key file still\n"
                                              "open with the old key password"));
  ok = ok && Command("seal-key", _("ask for the key password and seal the key file in\n"
                                   "place: a copy of it then costs an attacker one\n"
                                   "Argon2id run per guess; every password stays the same"));
  ok = ok && Command("unseal-key", _("the original form back, for copies of Sorrel 1.0.0.1\n"
                                     "only: it is weaker"));
  ok = ok && Command("export-key", _("print the key file as a paper backup: checked lines\n"
                                     "of text; keep it as secret as the key password"));
  ok = ok && Command("import-key FILE", _("read a paper backup, typed or piped, and write the\n"
                                          "key file it holds"));
  ok = ok && Command("site set SITE", _("give the pass phrase SITE a rule of its own, kept in\n"
                                        "sites.txt beside the settings file: --length,\n"
                                        "--classes, --derivation, --counter (what is not given\n"
                                        "stays as it was; a new site takes the settings')"));
  ok = ok && Command("site list", _("print every site and its rule"));
  ok = ok && Command("site show SITE", _("print a site's rule, field by field"));
  ok = ok && Command("site remove SITE", _("remove a site's rule"));
  ok = ok && Command("site next SITE", _("count the site's counter up, for a new password, and\n"
                                         "say how to get the old one to change it on the site"));
  ok = ok && ConsoleWriteOut(_("\nOptions:\n")) == CONSOLE_OK;
  ok = ok && Option("--settings FILE", _("settings file to use instead of the default one named\n"
                                         "below; sites.txt beside it holds the site rules"));
  ok = ok && Option("--key FILE", _("generate, verify, change-key-password, seal-key, unseal-key,\n"
                                    "export-key: key file to use instead of the settings' one;\n"
                                    "init, configure: the key file the settings name"));
  ok = ok && Option("--length N", _("generate, configure, site set: password length, 1 to 1023"));
  ok = ok && Option("--classes LIST", _("generate, configure, site set: character classes, a\n"
                                        "comma-separated subset of digits, lower, upper, symbols"));
  ok = ok && Option("--derivation N", _("generate, site set: derivation 1 or 2 instead of the\n"
                                        "settings' or the sealed key's one; init, configure: the\n"
                                        "derivation the settings name (init: 1 unless given, which\n"
                                        "made the passwords of an existing key); seal-key: the one\n"
                                        "the key names"));
  ok = ok && Option("--counter N", _("generate, site set: password number N, 1 to 9999,\n"
                                     "derived from the pass phrase followed by #N (1: the pass\n"
                                     "phrase itself); generate's options win over a site's rule"));
  ok = ok && Option("--clipboard on|off", _("configure: whether the dialog program puts its passwords\n"
                                            "on the clipboard (sorrel-cli does with --clip)"));
  ok = ok && Option("--no-verify", _("generate: derive even when the key password does not unmask\n"
                                     "the key file (a key password put in force that the key was\n"
                                     "not made with)"));
  ok = ok && Option("--clip", _("generate: put the password on the clipboard instead of\n"
                                "printing it, and clear it after 45 seconds unless something\n"
                                "else was copied meanwhile (Linux: wl-copy, xclip or xsel)"));
  ok = ok && Option("--clip-seconds N", _("generate --clip: clear after N seconds, 1 to 3600"));
  ok = ok && Option("--keep-old FILE", _("change-key-password, seal-key, unseal-key: first copy the\n"
                                         "old key file to FILE, which must not exist"));
  ok = ok && Option("--unsealed", _("new-key: write the original form, for Sorrel 1.0.0.1"));
  ok = ok && Option("--kdf-memory MIB", _("new-key, seal-key: Argon2id memory, 8 to 256 (default 64)"));
  ok = ok && Option("--kdf-passes N", _("new-key, seal-key: Argon2id passes, 1 to 16 (default 3)"));
  ok = ok && Option("--force", _("new-key, init, import-key: replace an existing file (init\n"
                                 "asks first at a terminal when passwords would change)"));
  ok = ok && Option("--help, -h", _("show this text"));
  ok = ok && Option("--version, -V", _("show the version"));
  ok = ok && Option("--", _("end of options (for a pass phrase that begins with -)"));
  return ok &&
         ConsoleWriteOut(_("\nA pass phrase that differs from a site's only by letter case, full-width\n"
                           "characters or blanks at either end gets a warning naming that site.\n"
                           "Nothing is written by generate. Exit status: 0 success, 1 failure, 2 usage error.\n")) ==
             CONSOLE_OK;
}
