// The program's texts, as code page 932 bytes: the dialog program's own
// wording wherever the failure is the same, so both say the same thing.
#include "messages.h"

// キーファイルの取得に失敗しました。\n[詳細設定]でキーファイルが正しく設定されているか確認してください
const char MSG_KEY_FILE_NOT_READ[] =
    "\x83L\x81[\x83t\x83@\x83"
    "C\x83\x8b\x82\xcc\x8e\xe6\x93\xbe\x82\xc9\x8e\xb8\x94s\x82\xb5\x82\xdc\x82\xb5\x82\xbd\x81"
    "B\n[\x8f\xda\x8d\xd7\x90\xdd\x92\xe8]\x82\xc5\x83L\x81[\x83t\x83@\x83"
    "C\x83\x8b\x82\xaa\x90\xb3\x82\xb5\x82\xad\x90\xdd\x92\xe8\x82\xb3\x82\xea\x82\xc4\x82\xa2\x82\xe9\x82\xa9\x8am\x94"
    "F\x82\xb5\x82\xc4\x82\xad\x82\xbe\x82\xb3\x82\xa2";
// パスフレーズは4文字以上にしてください
const char MSG_PASS_PHRASE_TOO_SHORT[] =
    "\x83p\x83X\x83t\x83\x8c\x81[\x83Y\x82\xcd"
    "4\x95\xb6\x8e\x9a\x88\xc8\x8f\xe3\x82\xc9\x82\xb5\x82\xc4\x82\xad\x82\xbe\x82\xb3\x82\xa2";
// 生成パスワードの長さが不正に設定されています。\n[詳細設定]で長さが正しく設定されているか確認してください
const char MSG_LENGTH_INVALID[] =
    "\x90\xb6\x90\xac\x83p\x83X\x83\x8f\x81["
    "\x83h\x82\xcc\x92\xb7\x82\xb3\x82\xaa\x95s\x90\xb3\x82\xc9\x90\xdd\x92\xe8\x82\xb3\x82\xea\x82\xc4\x82\xa2\x82\xdc"
    "\x82\xb7\x81"
    "B\n[\x8f\xda\x8d\xd7\x90\xdd\x92\xe8]"
    "\x82\xc5\x92\xb7\x82\xb3\x82\xaa\x90\xb3\x82\xb5\x82\xad\x90\xdd\x92\xe8\x82\xb3\x82\xea\x82\xc4\x82\xa2\x82\xe9"
    "\x82\xa9\x8am\x94"
    "F\x82\xb5\x82\xc4\x82\xad\x82\xbe\x82\xb3\x82\xa2";
// パスワード生成に失敗しました。不正なキーパスワードを使用している可能性があります。
const char MSG_DERIVE_FAILED[] =
    "\x83p\x83X\x83\x8f\x81[\x83h\x90\xb6\x90\xac\x82\xc9\x8e\xb8\x94s\x82\xb5\x82\xdc\x82\xb5\x82\xbd\x81"
    "B\x95s\x90\xb3\x82\xc8\x83L\x81[\x83p\x83X\x83\x8f\x81["
    "\x83h\x82\xf0\x8eg\x97p\x82\xb5\x82\xc4\x82\xa2\x82\xe9\x89\xc2\x94\\\x90\xab\x82\xaa\x82\xa0\x82\xe8\x82\xdc\x82"
    "\xb7\x81"
    "B";
// キーパスワードを８文字以上入力してください
const char MSG_KEY_PASSWORD_TOO_SHORT[] =
    "\x83L\x81[\x83p\x83X\x83\x8f\x81["
    "\x83h\x82\xf0\x82W\x95\xb6\x8e\x9a\x88\xc8\x8f\xe3\x93\xfc\x97\xcd\x82\xb5\x82\xc4\x82\xad\x82\xbe\x82\xb3\x82"
    "\xa2";
// ２つのキーパスワードが一致しません
const char MSG_KEY_PASSWORDS_DIFFER[] =
    "\x82Q\x82\xc2\x82\xcc\x83L\x81[\x83p\x83X\x83\x8f\x81[\x83h\x82\xaa\x88\xea\x92v\x82\xb5\x82\xdc\x82\xb9\x82\xf1";
// キーパスワードが短すぎます。８文字以上にしてください。
const char MSG_NEW_KEY_PASSWORD_TOO_SHORT[] =
    "\x83L\x81[\x83p\x83X\x83\x8f\x81[\x83h\x82\xaa\x92Z\x82\xb7\x82\xac\x82\xdc\x82\xb7\x81"
    "B\x82W\x95\xb6\x8e\x9a\x88\xc8\x8f\xe3\x82\xc9\x82\xb5\x82\xc4\x82\xad\x82\xbe\x82\xb3\x82\xa2\x81"
    "B";
// キー生成に失敗しました
const char MSG_KEY_CREATE_FAILED[] = "\x83L\x81[\x90\xb6\x90\xac\x82\xc9\x8e\xb8\x94s\x82\xb5\x82\xdc\x82\xb5\x82\xbd";
// 初期化中にエラーが発生しました
const char MSG_INIT_FAILED[] =
    "\x8f\x89\x8a\xfa\x89\xbb\x92\x86\x82\xc9\x83G\x83\x89\x81["
    "\x82\xaa\x94\xad\x90\xb6\x82\xb5\x82\xdc\x82\xb5\x82\xbd";
// 生成文字数が少な過ぎです
const char MSG_LENGTH_TOO_SMALL[] =
    "\x90\xb6\x90\xac\x95\xb6\x8e\x9a\x90\x94\x82\xaa\x8f\xad\x82\xc8\x89\xdf\x82\xac\x82\xc5\x82\xb7";
// 生成文字数が多き過ぎです
const char MSG_LENGTH_TOO_LARGE[] =
    "\x90\xb6\x90\xac\x95\xb6\x8e\x9a\x90\x94\x82\xaa\x91\xbd\x82\xab\x89\xdf\x82\xac\x82\xc5\x82\xb7";
// パスワード生成の使用文字を設定してください
const char MSG_NO_CLASSES[] =
    "\x83p\x83X\x83\x8f\x81["
    "\x83h\x90\xb6\x90\xac\x82\xcc\x8eg\x97p\x95\xb6\x8e\x9a\x82\xf0\x90\xdd\x92\xe8\x82\xb5\x82\xc4\x82\xad\x82\xbe"
    "\x82\xb3\x82\xa2";
// キーパスワード ：
const char PROMPT_KEY_PASSWORD[] =
    "\x83L\x81[\x83p\x83X\x83\x8f\x81[\x83h \x81"
    "F";
// キーパスワード確認 ：
const char PROMPT_KEY_PASSWORD_CONFIRM[] =
    "\x83L\x81[\x83p\x83X\x83\x8f\x81[\x83h\x8am\x94"
    "F \x81"
    "F";
// パスフレーズ ：
const char PROMPT_PASS_PHRASE[] =
    "\x83p\x83X\x83t\x83\x8c\x81[\x83Y \x81"
    "F";
// 新しいキーパスワード ：
const char PROMPT_NEW_KEY_PASSWORD[] =
    "\x90V\x82\xb5\x82\xa2\x83L\x81[\x83p\x83X\x83\x8f\x81[\x83h \x81"
    "F";
// 新しいキーパスワード確認 ：
const char PROMPT_NEW_KEY_PASSWORD_CONFIRM[] =
    "\x90V\x82\xb5\x82\xa2\x83L\x81[\x83p\x83X\x83\x8f\x81[\x83h\x8am\x94"
    "F \x81"
    "F";

const char HELP_TEXT[] =
    "Usage: sorrel-cli COMMAND [OPTIONS]\n"
    "\n"
    "Commands:\n"
    "  generate [PASS_PHRASE]  derive the password for a pass phrase and print it;\n"
    "                          asks for the key password (and the pass phrase when\n"
    "                          it is not given) without echo, or reads them one line\n"
    "                          each from standard input when that is not a terminal;\n"
    "                          refuses a key password that does not unmask the key;\n"
    "                          a pass phrase with a site rule derives by its rule\n"
    "  new-key FILE            ask for a new key password twice and write a sealed\n"
    "                          key file (--unsealed: the original form)\n"
    "  init --key FILE         write a settings file with the defaults, naming FILE\n"
    "  show-settings           print the settings file and the key file's form\n"
    "  verify                  ask for the key password and say whether it unmasks\n"
    "                          the key file (exit 0) or not (exit 1)\n"
    "  change-key-password     ask for the key password, then a new one twice, and\n"
    "                          mask the same key with the new one: every password\n"
    "                          stays the same (a new key would change them all);\n"
    "                          copies and paper backups of the old key file still\n"
    "                          open with the old key password\n"
    "  seal-key                ask for the key password and seal the key file in\n"
    "                          place: a copy of it then costs an attacker one\n"
    "                          Argon2id run per guess; every password stays the same\n"
    "  unseal-key              the original form back, for copies of Sorrel 1.0.0.1\n"
    "                          only: it is weaker\n"
    "  export-key              print the key file as a paper backup: checked lines\n"
    "                          of text; keep it as secret as the key password\n"
    "  import-key FILE         read a paper backup, typed or piped, and write the\n"
    "                          key file it holds\n"
    "  site set SITE           give the pass phrase SITE a rule of its own, kept in\n"
    "                          sites.txt beside the settings file: --length,\n"
    "                          --classes, --derivation, --counter (what is not given\n"
    "                          stays as it was; a new site takes the settings')\n"
    "  site list               print every site and its rule\n"
    "  site show SITE          print a site's rule, field by field\n"
    "  site remove SITE        remove a site's rule\n"
    "  site next SITE          count the site's counter up, for a new password, and\n"
    "                          say how to get the old one to change it on the site\n"
    "\n"
    "Options:\n"
    "  --settings FILE   settings file to use instead of the default one named\n"
    "                    below; sites.txt beside it holds the site rules\n"
    "  --key FILE        generate, verify, change-key-password, seal-key, unseal-key,\n"
    "                    export-key: key file to use instead of the settings' one\n"
    "  --length N        generate, site set: password length, 1 to 1023\n"
    "  --classes LIST    generate, site set: character classes, a comma-separated\n"
    "                    subset of digits, lower, upper, symbols\n"
    "  --derivation N    generate, site set: derivation 1 or 2 instead of the\n"
    "                    settings' or the sealed key's one; init: the derivation\n"
    "                    the settings name (default 1, which made the passwords\n"
    "                    of an existing key); seal-key: the one the key names\n"
    "  --counter N       generate, site set: password number N, 1 to 9999,\n"
    "                    derived from the pass phrase followed by #N (1: the pass\n"
    "                    phrase itself); generate's options win over a site's rule\n"
    "  --no-verify       generate: derive even when the key password does not unmask\n"
    "                    the key file (a key password put in force that the key was\n"
    "                    not made with)\n"
    "  --clip            generate: put the password on the clipboard instead of\n"
    "                    printing it, and clear it after 45 seconds unless something\n"
    "                    else was copied meanwhile (Linux: wl-copy, xclip or xsel)\n"
    "  --clip-seconds N  generate --clip: clear after N seconds, 1 to 3600\n"
    "  --keep-old FILE   change-key-password, seal-key, unseal-key: first copy the\n"
    "                    old key file to FILE, which must not exist\n"
    "  --unsealed        new-key: write the original form, for Sorrel 1.0.0.1\n"
    "  --kdf-memory MIB  new-key, seal-key: Argon2id memory, 8 to 1024 (default 64)\n"
    "  --kdf-passes N    new-key, seal-key: Argon2id passes, 1 to 16 (default 3)\n"
    "  --force           new-key, init, import-key: replace an existing file\n"
    "  --help, -h        show this text\n"
    "  --version, -V     show the version\n"
    "  --                end of options (for a pass phrase that begins with -)\n"
    "\n"
    "A pass phrase that differs from a site's only by letter case, full-width\n"
    "characters or blanks at either end gets a warning naming that site.\n"
    "Nothing is written by generate. Exit status: 0 success, 1 failure, 2 usage error.\n";

const char MSG_TRY_HELP[] = "Try 'sorrel-cli --help'.";
