// The web page's entry points into the engine. The page encodes what is typed
// as code page 932, writes it into the buffers below, calls one of these and
// reads the result back; it never sees how a password is made. Files stay on
// the page's side: it hands the module their bytes.
//
// The page runs this module twice: on its own thread for everything quick,
// and in a worker for what runs Argon2id (opening and sealing a sealed key),
// so that the page stays responsive meanwhile. The worker's instance gets the
// buffers it needs, makes one or two calls and hands its buffers back; the
// page's instance then takes the opened pool (webUsePool) or the sealed file
// (webSetKey).
#include <string.h>

#include "derive.h"
#include "key_check.h"
#include "key_open.h"
#include "key_password_change.h"
#include "key_password_words.h"
#include "keyfile.h"
#include "sealed_key.h"
#include "settings.h"
#include "site_rule_words.h"
#include "site_rules.h"
#include "text.h"
#include "web_texts.h"

#define WEB_EXPORT extern "C" __attribute__((used, visibility("default")))

namespace {

enum WebBuffer {
  BUF_KEY,           // the key file in use: a sealed key whole, any other file's first 105 bytes
  BUF_KEY_PASSWORD,  // zero-terminated, as every text buffer
  BUF_PASS_PHRASE,
  BUF_CONFIRM,  // a new key password, typed a second time
  BUF_RESULT,
  BUF_SETTINGS,          // a settings file's bytes, in and out
  BUF_NEW_KEY_PASSWORD,  // the key password that replaces the one in BUF_KEY_PASSWORD
  BUF_POOL,              // an opened key's 103 bytes, on their way between the two instances
  BUF_COUNT,
};

// What a call ends with; the page shows webText(status) beside the field concerned.
enum WebStatus {
  WEB_OK,
  WEB_KEY_FILE_NOT_READ,
  WEB_PASS_PHRASE_TOO_SHORT,
  WEB_LENGTH_TOO_SMALL,
  WEB_LENGTH_TOO_LARGE,
  WEB_NO_CLASS,
  WEB_DERIVE_FAILED,
  WEB_KEY_PASSWORD_TOO_SHORT,
  WEB_KEY_PASSWORD_MISMATCH,
  WEB_KEY_WRONG_SHAPE,  // %s: the file's name
  WEB_NEW_KEY_PASSWORDS_DIFFER,
  WEB_NEW_KEY_PASSWORD_TOO_SHORT,
  WEB_NEW_KEY_PASSWORD_TOO_LONG,
  WEB_KEY_CREATE_FAILED,
  WEB_KEY_GENERATED,
  WEB_SETTINGS_NOT_READ,
  WEB_UNMAPPABLE,  // %c: the character, %u: its code point
  WEB_TEXT_TOO_LONG,
  WEB_LABEL_DERIVATION_2,  // the check box's label
  WEB_CHANGE_NOT_UNMASKED,
  WEB_NEW_KEY_PASSWORD_SAME,
  WEB_KEY_PASSWORD_CHANGED,
  WEB_KEY_FILE_EMPTY,      // %s: the file's name
  WEB_KEY_UNSUPPORTED,     // %s: the file's name
  WEB_KEY_WRONG_PASSWORD,  // a sealed key that does not open
  WEB_KEY_NO_MEMORY,       // %u: the MiB the key names
  WEB_SEAL_FAILED,
  WEB_KEY_NOT_OPEN,   // a sealed key not yet opened with this key password: the page opens it, then asks again
  WEB_SITES_REFUSED,  // the page names the line and what is wrong (webSitesProblem)
  WEB_SITE_TOO_LONG,  // the pass phrase with '#' and the site's counter
  WEB_KEY_DAMAGED,    // %s: the file's name
  WEB_KEY_NOT_A_KEY,  // %s: the file's name
  WEB_WORKER_FAILED,  // the page's own: its worker did not start or failed
  WEB_STATUS_COUNT,
};

// The dialog program's texts where the failure is the same; the page's own
// where the dialog program has no such failure or points at its own buttons.
const char* const TEXTS[WEB_STATUS_COUNT] = {
    "",
    TEXT_WEB_NO_KEY_FILE,
    TEXT_PASS_PHRASE_TOO_SHORT,
    TEXT_LENGTH_TOO_SMALL,
    TEXT_LENGTH_TOO_LARGE,
    TEXT_NO_CLASS,
    TEXT_DERIVE_FAILED,
    TEXT_KEY_PASSWORD_TOO_SHORT_WIDE,
    TEXT_WEB_KEY_PASSWORD_MISMATCH,
    TEXT_WEB_KEY_WRONG_SHAPE,
    TEXT_KEY_PASSWORDS_DIFFER,
    TEXT_KEY_PASSWORD_TOO_SHORT_CREATE,
    TEXT_WEB_KEY_PASSWORD_TOO_LONG,
    TEXT_KEY_CREATE_FAILED,
    TEXT_KEY_GENERATED,
    TEXT_WEB_SETTINGS_NOT_READ,
    TEXT_WEB_UNMAPPABLE,
    TEXT_WEB_TEXT_TOO_LONG,
    TEXT_USE_DERIVATION_2,
    TEXT_WEB_CHANGE_NOT_UNMASKED,
    TEXT_WEB_KEY_PASSWORD_SAME,
    TEXT_WEB_KEY_PASSWORD_CHANGED "\n" TEXT_WEB_OLD_KEY_COPIES,
    TEXT_WEB_KEY_FILE_EMPTY,
    TEXT_WEB_KEY_UNSUPPORTED,
    TEXT_WEB_KEY_WRONG_PASSWORD,
    TEXT_WEB_KEY_NO_MEMORY,
    TEXT_WEB_SEAL_FAILED,
    "",
    TEXT_SITE_FILE_MEND_TO_GENERATE,
    TEXT_SITE_PASS_PHRASE_TOO_LONG,
    TEXT_WEB_KEY_DAMAGED,
    TEXT_WEB_KEY_NOT_A_KEY,
    TEXT_WEB_WORKER_FAILED,
};

enum {
  MIN_PASS_PHRASE = 4,
  MAX_LENGTH = TEXT_CAPACITY - 1,
  KEY_INPUT_LIMIT = SEALED_KEY_SIZE + 1,  // one byte more than a sealed key, to tell a longer file from one
};

unsigned char g_key[KEY_BUFFER_SIZE];
int g_keyCount;
SealParameters g_seal;  // a sealed key's header
char g_keyPassword[TEXT_CAPACITY];
char g_passPhrase[TEXT_CAPACITY];
char g_confirm[TEXT_CAPACITY];
char g_newKeyPassword[TEXT_CAPACITY];
char g_result[TEXT_CAPACITY];
unsigned char g_settingsBytes[SETTINGS_FILE_SIZE];
unsigned char g_pool[KEY_FILE_SIZE];
SettingsRecord g_record;
// A sealed key once opened, and the key password that opened it: Argon2id
// runs again only when the key or the key password changes.
OpenedKey g_opened;
bool g_isOpen;
char g_openedWith[TEXT_CAPACITY];

struct BufferEntry {
  void* data;
  int capacity;
};

const BufferEntry BUFFERS[BUF_COUNT] = {
    {g_key, KEY_INPUT_LIMIT},          {g_keyPassword, TEXT_CAPACITY}, {g_passPhrase, TEXT_CAPACITY},
    {g_confirm, TEXT_CAPACITY},        {g_result, TEXT_CAPACITY},      {g_settingsBytes, SETTINGS_FILE_SIZE},
    {g_newKeyPassword, TEXT_CAPACITY}, {g_pool, KEY_FILE_SIZE},
};

const uint32_t CLASS_BITS = OPT_DIGITS | OPT_LOWER | OPT_UPPER | OPT_SYMBOLS;

// A text buffer the page filled: terminated within its capacity whatever it wrote.
const char* Terminated(char* text) {
  text[TEXT_CAPACITY - 1] = 0;
  return text;
}

bool IsSealed() { return IsSealedKey(g_key, g_keyCount); }

void Close() {
  WipeMemory(&g_opened, sizeof g_opened);
  WipeMemory(g_openedWith, sizeof g_openedWith);
  g_isOpen = false;
}

// A new key password typed twice, as the key creation dialog takes it.
int NewKeyPasswordStatus(const char* keyPassword, const char* confirm) {
  switch (CheckNewKeyPassword(keyPassword, confirm)) {
    case NEW_KEY_PASSWORD_OK:
      return WEB_OK;
    case NEW_KEY_PASSWORDS_DIFFER:
      return WEB_NEW_KEY_PASSWORDS_DIFFER;
    case NEW_KEY_PASSWORD_TOO_SHORT:
      return WEB_NEW_KEY_PASSWORD_TOO_SHORT;
    case NEW_KEY_PASSWORD_TOO_LONG:
      break;
  }
  return WEB_NEW_KEY_PASSWORD_TOO_LONG;
}

int FromOpenStatus(KeyOpenStatus status) {
  switch (status) {
    case KEY_OPEN_OK:
      return WEB_OK;
    case KEY_OPEN_MISMATCH:
      return WEB_KEY_PASSWORD_MISMATCH;
    case KEY_OPEN_UNSUPPORTED:
      return WEB_KEY_UNSUPPORTED;
    case KEY_OPEN_WRONG_PASSWORD:
      return WEB_KEY_WRONG_PASSWORD;
    case KEY_OPEN_NO_MEMORY:
      return WEB_KEY_NO_MEMORY;
    case KEY_OPEN_DAMAGED:
      return WEB_KEY_DAMAGED;
    case KEY_OPEN_NOT_A_KEY:
      return WEB_KEY_NOT_A_KEY;
    case KEY_OPEN_WRONG_SIZE:
    case KEY_OPEN_NO_FINAL_ZERO:
      break;
  }
  return WEB_KEY_WRONG_SHAPE;
}

// Whether the sealed key in use is open with the key password in BUF_KEY_PASSWORD.
bool IsOpenWithKeyPassword() { return g_isOpen && strcmp(g_openedWith, Terminated(g_keyPassword)) == 0; }
// The typed pass phrase's site rule (site rules, at the end).
int TypedSiteRule(SiteRule* rule);

}  // namespace

WEB_EXPORT void* webBuffer(int which) { return which >= 0 && which < BUF_COUNT ? BUFFERS[which].data : nullptr; }

WEB_EXPORT int webCapacity(int which) { return which >= 0 && which < BUF_COUNT ? BUFFERS[which].capacity : 0; }

WEB_EXPORT const char* webText(int status) { return status >= 0 && status < WEB_STATUS_COUNT ? TEXTS[status] : ""; }

// The key file's first bytes are in BUF_KEY; count is how many (0 to 179),
// kept as ReadKeyFile keeps them: a sealed key whole, any other file's first
// 105 bytes.
WEB_EXPORT int webSetKey(int count) {
  Close();
  memset(&g_seal, 0, sizeof g_seal);
  if (count < 0 || count > KEY_INPUT_LIMIT) count = 0;
  if (!IsSealedKey(g_key, count) && count > KEY_READ_LIMIT) count = KEY_READ_LIMIT;
  memset(g_key + count, 0, sizeof g_key - (size_t)count);
  g_keyCount = count;
  if (count == 0) return WEB_KEY_FILE_EMPTY;
  const KeyOpenStatus status = CheckKeyFileShape(g_key, count);
  if (status == KEY_OPEN_OK && IsSealed()) ReadSealParameters(g_key, &g_seal);
  return FromOpenStatus(status);
}

WEB_EXPORT int webKeyCount() { return g_keyCount; }

// The key in use: whether it is sealed, and a sealed key's header (0 for the
// original form, and for a sealed key this version cannot read).
WEB_EXPORT int webKeySealed() { return IsSealed(); }
WEB_EXPORT int webKeyDerivation() { return IsSealed() ? g_seal.derivation : 0; }
WEB_EXPORT unsigned webKeyPasses() { return IsSealed() ? g_seal.passes : 0; }
WEB_EXPORT unsigned webKeyMemoryKiB() { return IsSealed() ? g_seal.memoryKiB : 0; }

// Whether the key password in BUF_KEY_PASSWORD opens the key in use. An
// original key takes the key check at once; a sealed key is opened here,
// which runs Argon2id (the page calls this in its worker), or, with open 0,
// answers WEB_KEY_NOT_OPEN unless it is open already.
WEB_EXPORT int webOpenKey(int open) {
  if (g_keyCount == 0) return WEB_KEY_FILE_NOT_READ;
  if (strlen(Terminated(g_keyPassword)) < KEY_PASSWORD_MIN) return WEB_KEY_PASSWORD_TOO_SHORT;
  if (IsSealed() && IsOpenWithKeyPassword()) return WEB_OK;
  if (IsSealed() && !open) return WEB_KEY_NOT_OPEN;
  Close();
  const KeyOpenStatus status = OpenKey(g_key, g_keyCount, g_keyPassword, true, &g_opened);
  if (status != KEY_OPEN_OK || !IsSealed()) {
    Close();
    return FromOpenStatus(status);
  }
  g_isOpen = true;
  CopyText(g_openedWith, sizeof g_openedWith, g_keyPassword);
  return WEB_OK;
}

// The opened sealed key's bytes into BUF_POOL, for the other instance.
WEB_EXPORT int webExportPool() {
  if (!g_isOpen) return WEB_KEY_NOT_OPEN;
  memcpy(g_pool, g_opened.bytes, sizeof g_pool);
  return WEB_OK;
}

// The sealed key in use taken as opened from BUF_POOL (the worker's
// webExportPool, or a pool just sealed), with the key password in
// BUF_KEY_PASSWORD; BUF_POOL is wiped.
WEB_EXPORT int webUsePool() {
  Close();
  if (!IsSealed() || g_pool[KEY_POOL_LENGTH] != 0 || !IsKeyPool(g_pool)) {
    WipeMemory(g_pool, sizeof g_pool);
    return WEB_KEY_NOT_OPEN;
  }
  memcpy(g_opened.bytes, g_pool, sizeof g_pool);
  WipeMemory(g_pool, sizeof g_pool);
  g_opened.count = KEY_FILE_SIZE;
  g_opened.sealed = true;
  g_opened.seal = g_seal;
  g_isOpen = true;
  CopyText(g_openedWith, sizeof g_openedWith, Terminated(g_keyPassword));
  return WEB_OK;
}

// The pool in BUF_POOL sealed under the key password in BUF_KEY_PASSWORD into
// BUF_KEY, which is then the key in use (not yet open). A parameter of 0
// takes a new key's (DefaultSealParameters). Runs Argon2id: the page calls
// this in its worker.
WEB_EXPORT int webSeal(unsigned passes, unsigned memoryKiB, int derivation) {
  SealParameters params = DefaultSealParameters();
  if (passes) params.passes = passes;
  if (memoryKiB) params.memoryKiB = memoryKiB;
  if (derivation) params.derivation = derivation;
  // Sealed again, a key keeps at most what every front end can open.
  LowerToMakeLimit(&params);
  unsigned char sealed[SEALED_KEY_SIZE];
  OpenedKey pool;
  memset(&pool, 0, sizeof pool);
  memcpy(pool.bytes, g_pool, sizeof g_pool);
  pool.count = KEY_FILE_SIZE;
  const SealStatus status = SealOpenedKey(pool, Terminated(g_keyPassword), params, sealed);
  WipeMemory(&pool, sizeof pool);
  if (status == SEAL_NO_MEMORY) return WEB_KEY_NO_MEMORY;
  if (status != SEAL_OK) return WEB_SEAL_FAILED;
  memcpy(g_key, sealed, sizeof sealed);
  return webSetKey(SEALED_KEY_SIZE);
}

// The main window's checks in its order, then the settings dialog's; with
// verify, an original key's key password must pass the key check, as
// sorrel-cli checks it. A sealed key must be open with the key password in
// BUF_KEY_PASSWORD (WEB_KEY_NOT_OPEN otherwise), whatever verify says, and
// its own derivation decides.
WEB_EXPORT int webGenerate(int verify) {
  memset(g_result, 0, sizeof g_result);
  if (g_keyCount == 0) return WEB_KEY_FILE_NOT_READ;
  if (strlen(Terminated(g_passPhrase)) < MIN_PASS_PHRASE) return WEB_PASS_PHRASE_TOO_SHORT;
  // The settings; a sealed key's own derivation, once it is open; then the
  // pass phrase's site rule, which may add '#' and its counter.
  SiteRule rule;
  const int site = TypedSiteRule(&rule);
  if (site != WEB_OK) return site;
  SettingsRecord settings = g_record, record;
  int32_t length;
  char passPhrase[TEXT_CAPACITY];
  if (!ApplySiteRule(settings, rule, g_passPhrase, &record, &length, passPhrase)) return WEB_SITE_TOO_LONG;
  if (length < 1) return WEB_LENGTH_TOO_SMALL;
  if (length > MAX_LENGTH) return WEB_LENGTH_TOO_LARGE;
  if (!(record.optionFlags & CLASS_BITS)) return WEB_NO_CLASS;
  int status = WEB_OK;
  bool derived = false;
  if (IsSealed()) {
    status = webOpenKey(0);
    if (status == WEB_OK) {
      ApplyKeyDerivation(g_opened, &settings);
      ApplySiteRule(settings, rule, g_passPhrase, &record, &length, passPhrase);
      derived = DeriveWithKey(record, g_opened, passPhrase, length, g_result);
    }
  } else {
    if (verify) status = webOpenKey(0);
    if (status == WEB_OK) {
      derived = DerivePassword(record, g_key, g_keyCount, Terminated(g_keyPassword), passPhrase, length, g_result);
    }
  }
  WipeMemory(passPhrase, sizeof passPhrase);
  if (status != WEB_OK) return status;
  return derived ? WEB_OK : WEB_DERIVE_FAILED;
}

// A new key from the two key passwords in BUF_KEY_PASSWORD and BUF_CONFIRM,
// the key creation dialog's rules: on success BUF_POOL holds a new shuffled
// pool, for webSeal.
WEB_EXPORT int webNewKey() {
  const int status = NewKeyPasswordStatus(Terminated(g_keyPassword), Terminated(g_confirm));
  WipeMemory(g_confirm, sizeof g_confirm);
  if (status != WEB_OK) return status;
  return BuildShuffledPool(g_pool) == KEY_FILE_SIZE ? WEB_OK : WEB_KEY_CREATE_FAILED;
}

// The question to ask before the new key password in BUF_KEY_PASSWORD or
// BUF_NEW_KEY_PASSWORD (which) is taken, when it is weak; empty when it is
// strong or refused anyway for its length.
WEB_EXPORT const char* webWeakKeyPassword(int which) {
  static char question[768];
  const char* keyPassword = Terminated(which == BUF_NEW_KEY_PASSWORD ? g_newKeyPassword : g_keyPassword);
  question[0] = 0;
  if (CheckNewKeyPassword(keyPassword, keyPassword) == NEW_KEY_PASSWORD_OK) {
    WeakKeyPasswordQuestion(JudgeKeyPassword(keyPassword), question, sizeof question);
  }
  return question;
}

// The key in use under the new key password in BUF_NEW_KEY_PASSWORD, typed a
// second time into BUF_CONFIRM; the current one is in BUF_KEY_PASSWORD. An
// original key is masked anew here: BUF_KEY holds the new key file and
// BUF_KEY_PASSWORD the new key password. A sealed key must be open with the
// current one (WEB_KEY_NOT_OPEN otherwise); its pool goes to BUF_POOL and the
// new key password to BUF_KEY_PASSWORD, for webSeal. On any refusal nothing
// changes.
WEB_EXPORT int webChangeKeyPassword() {
  int status = webOpenKey(0);
  if (status == WEB_KEY_PASSWORD_MISMATCH) status = WEB_CHANGE_NOT_UNMASKED;
  if (status == WEB_OK) status = NewKeyPasswordStatus(Terminated(g_newKeyPassword), Terminated(g_confirm));
  if (status == WEB_OK && IsSealed()) {
    if (strcmp(g_newKeyPassword, g_keyPassword) == 0) {
      status = WEB_NEW_KEY_PASSWORD_SAME;
    } else {
      status = webExportPool();
      if (status == WEB_OK) memcpy(g_keyPassword, g_newKeyPassword, sizeof g_keyPassword);
    }
  } else if (status == WEB_OK) {
    switch (ChangeKeyPassword(g_key, g_keyCount, g_keyPassword, g_newKeyPassword, g_key)) {
      case KEY_CHANGE_OK:
        g_keyCount = KEY_FILE_SIZE;
        memcpy(g_keyPassword, g_newKeyPassword, sizeof g_keyPassword);
        break;
      case KEY_CHANGE_TOO_SHORT:
        status = WEB_NEW_KEY_PASSWORD_TOO_SHORT;
        break;
      case KEY_CHANGE_TOO_LONG:
        status = WEB_NEW_KEY_PASSWORD_TOO_LONG;
        break;
      case KEY_CHANGE_SAME:
        status = WEB_NEW_KEY_PASSWORD_SAME;
        break;
      default:  // checked above already
        status = WEB_CHANGE_NOT_UNMASKED;
        break;
    }
  }
  WipeMemory(g_newKeyPassword, sizeof g_newKeyPassword);
  WipeMemory(g_confirm, sizeof g_confirm);
  return status;
}

// An original key that passes the key check with the key password in
// BUF_KEY_PASSWORD: its pool into BUF_POOL, for webSeal.
WEB_EXPORT int webUnmaskPool() {
  if (IsSealed()) return WEB_KEY_NOT_OPEN;
  const int status = webOpenKey(0);
  if (status != WEB_OK) return status;
  OpenedKey key;
  OpenKey(g_key, g_keyCount, g_keyPassword, true, &key);
  memcpy(g_pool, key.bytes, sizeof g_pool);
  WipeMemory(&key, sizeof key);
  return WEB_OK;
}

// The settings record: the defaults, or a settings file's count bytes in BUF_SETTINGS.
WEB_EXPORT void webDefaultSettings() { SetDefaultSettings(&g_record, ""); }

WEB_EXPORT int webReadSettings(int count) {
  return ReadSettingsRecord(g_settingsBytes, count < 0 ? 0 : (size_t)count, &g_record) ? WEB_OK : WEB_SETTINGS_NOT_READ;
}

// The record as a settings file, into BUF_SETTINGS; its size.
WEB_EXPORT int webWriteSettings() {
  memcpy(g_settingsBytes, &g_record, sizeof g_record);
  return SETTINGS_FILE_SIZE;
}

WEB_EXPORT int webLength() { return g_record.passwordLength; }
WEB_EXPORT void webSetLength(int length) { g_record.passwordLength = length; }
WEB_EXPORT unsigned webFlags() { return g_record.optionFlags; }
WEB_EXPORT void webSetFlags(unsigned flags) { g_record.optionFlags = flags; }

// Whether the four class strings are the defaults' (a settings file may hold its own).
WEB_EXPORT int webDefaultClassChars() {
  const char* fields[] = {g_record.digitChars, g_record.lowerChars, g_record.upperChars, g_record.symbolChars};
  const char* defaults[] = {DEFAULT_DIGIT_CHARS, DEFAULT_LOWER_CHARS, DEFAULT_UPPER_CHARS, DEFAULT_SYMBOL_CHARS};
  for (int i = 0; i < 4; ++i) {
    if (strncmp(fields[i], defaults[i], CLASS_CAPACITY) != 0) return 0;
  }
  return 1;
}

// The lock: the key password, the key and everything typed or derived.
WEB_EXPORT void webForget() {
  Close();
  WipeMemory(g_key, sizeof g_key);
  g_keyCount = 0;
  WipeMemory(g_keyPassword, sizeof g_keyPassword);
  WipeMemory(g_passPhrase, sizeof g_passPhrase);
  WipeMemory(g_confirm, sizeof g_confirm);
  WipeMemory(g_newKeyPassword, sizeof g_newKeyPassword);
  WipeMemory(g_result, sizeof g_result);
  WipeMemory(g_pool, sizeof g_pool);
}

// One buffer, after the page has used it (a pass phrase, a shown password).
WEB_EXPORT void webWipe(int which) {
  if (which >= 0 && which < BUF_COUNT && which != BUF_KEY) WipeMemory(BUFFERS[which].data, BUFFERS[which].capacity);
}

// --- Site rules: the page's sites.txt, kept here as its bytes so that a file
// imported and exported unchanged is the same file. Pass phrases pass as
// UTF-8 through g_siteText: the page writes there the form the desktop looks
// sites up by (the code page 932 bytes decoded again), and every call that
// reads a typed pass phrase from it wipes it.

namespace {

SiteFile g_sites;
// Also room for any site's domains= list.
char g_siteText[SITE_PASS_PHRASE_CAPACITY + 512 > SITE_DOMAINS_CAPACITY ? SITE_PASS_PHRASE_CAPACITY + 512
                                                                        : SITE_DOMAINS_CAPACITY];

// The typed pass phrase in g_siteText, terminated, then wiped by the caller.
const char* Typed() {
  g_siteText[sizeof g_siteText - 1] = 0;
  return g_siteText;
}

void Put(const char* format, long number, const char* text = "") {
  AppendWords(g_siteText, sizeof g_siteText, format, number, text);
}

void DescribeRule(const SiteRule& rule, const char* prefix) {
  DescribeSiteRule(rule, prefix, g_siteText, sizeof g_siteText);
}

// Site index's rule not in force, in words, appended to g_siteText; false
// when it has none.
bool PutTypo(int index) {
  SiteTypo typo;
  if (!FindSiteTypo(&g_sites, index, &typo)) return false;
  char rule[SITE_PASS_PHRASE_CAPACITY], site[SITE_PASS_PHRASE_CAPACITY], words[SITE_PASS_PHRASE_CAPACITY + 512];
  const auto piece = [](uint32_t start, uint32_t length, char* to) {
    const size_t n = length < SITE_PASS_PHRASE_CAPACITY ? length : SITE_PASS_PHRASE_CAPACITY - 1;
    memcpy(to, g_sites.bytes + start, n);
    to[n] = 0;
  };
  piece(typo.start, typo.length, rule);
  piece(g_sites.sites[index].start, typo.phraseLength, site);
  DescribeSiteTypo(typo, rule, site, words, sizeof words);
  AppendText(g_siteText, sizeof g_siteText, words);
  return true;
}

int TypedSiteRule(SiteRule* rule) {
  // A refused file may hold this pass phrase's rule: nothing is derived without it.
  const int site = g_sites.status == SITE_OK ? FindSite(&g_sites, Typed()) : -1;
  WipeMemory(g_siteText, sizeof g_siteText);
  *rule = {0, 0, 0, 1};
  if (g_sites.status != SITE_OK) return WEB_SITES_REFUSED;
  if (site >= 0) *rule = g_sites.sites[site].rule;
  return WEB_OK;
}

}  // namespace

// The file's bytes: the page writes an imported file there (count bytes;
// more than the capacity is refused unread) and reads them to export.
WEB_EXPORT char* webSiteBytes() { return g_sites.bytes; }
WEB_EXPORT int webSiteSize() { return (int)g_sites.size; }
WEB_EXPORT int webReadSites(int count) { return ReadSiteFile(&g_sites, g_sites.bytes, count < 0 ? 0 : (size_t)count); }
WEB_EXPORT void webClearSites() { memset(&g_sites, 0, sizeof g_sites); }
// A site whose pass phrase the page cannot put into code page 932.
WEB_EXPORT void webRefuseSite(int index) { RefuseSiteLine(&g_sites, index, SITE_NOT_CP932); }
WEB_EXPORT int webSiteStatus() { return g_sites.status; }
WEB_EXPORT int webSiteCount() { return g_sites.count; }

WEB_EXPORT char* webSiteText() { return g_siteText; }
WEB_EXPORT int webSiteTextCapacity() { return (int)sizeof g_siteText; }
WEB_EXPORT const char* webSiteStatusText(int status) { return SiteStatusWords((SiteStatus)status); }

// The site texts the page shows as they stand, or with its own numbers.
WEB_EXPORT const char* webSiteWords(int which) {
  static const char* const WORDS[] = {
      TEXT_SITE_SAVED_RULE,
      TEXT_SITE_NEW_RULE,
      TEXT_SITE_COUNTER_HINT,
      TEXT_SITE_NEXT_HINT,
      TEXT_SITE_COUNTER_INVALID,
      TEXT_SITE_PASS_PHRASE_REFUSED,
      TEXT_SITE_DELETE_QUESTION,
      TEXT_SITE_FILE_MEND_TO_GENERATE,
      TEXT_SITE_DERIVATION_FROM_SITE,
      TEXT_SITE_DERIVATION_FROM_KEY,
      TEXT_SITE_DERIVATION_FROM_SETTINGS,
  };
  return which >= 0 && which < (int)(sizeof WORDS / sizeof WORDS[0]) ? WORDS[which] : "";
}

// A site's pass phrase into g_siteText; with words, its rule in words instead.
WEB_EXPORT void webSiteName(int index, int words) {
  if (words && index >= 0 && index < g_sites.count) {
    DescribeRule(g_sites.sites[index].rule, "");
  } else {
    SitePassPhrase(&g_sites, index, g_siteText, sizeof g_siteText);
  }
}

// A site's rule, field by field (0 length, 1 classes, 2 derivation, 3
// counter); 0 where the rule takes the settings' value.
WEB_EXPORT int webSiteField(int index, int field) {
  if (index < 0 || index >= g_sites.count) return 0;
  const SiteRule& r = g_sites.sites[index].rule;
  const int32_t values[] = {r.length, (int32_t)r.classFlags, r.derivation, r.counter > 1 ? r.counter : 1};
  return field >= 0 && field < 4 ? values[field] : 0;
}

// The note under the pass phrase for the typed pass phrase in g_siteText,
// into g_siteText: its rule, the site it may stand for, a refused file, or
// nothing. The typed pass phrase's site, or -1.
WEB_EXPORT int webSiteNote() {
  const int site = FindSite(&g_sites, Typed());
  const int like = site < 0 ? FindSiteLike(&g_sites, Typed()) : -1;
  // A rule meant for this site that is not in force comes first.
  const int typo = site < 0 ? FindSiteTypoFor(&g_sites, Typed()) : site;
  WipeMemory(g_siteText, sizeof g_siteText);
  if (typo >= 0 && PutTypo(typo)) return site;
  if (g_sites.status != SITE_OK) {
    if (g_sites.problemLine > 0) {
      Put(TEXT_SITE_NOTE_FILE_LINE, g_sites.problemLine);
    } else {
      CopyText(g_siteText, sizeof g_siteText, TEXT_SITE_NOTE_FILE);
    }
  } else if (site >= 0) {
    DescribeRule(g_sites.sites[site].rule, TEXT_SITE_NOTE_PREFIX);
  } else if (like >= 0) {
    char name[SITE_PASS_PHRASE_CAPACITY];
    SitePassPhrase(&g_sites, like, name, sizeof name);
    Put(TEXT_SITE_DID_YOU_MEAN, 0, name);
  }
  return site;
}

// Why the file is refused, with its line, into g_siteText; its status. With
// named, the file's name is the one the page put in g_siteText (a file it
// imports), else sites.txt.
WEB_EXPORT int webSitesProblem(int named) {
  char name[256] = "sites.txt";
  if (named) CopyText(name, sizeof name, g_siteText);
  CopyText(g_siteText, sizeof g_siteText, TEXT_SITE_FILE_REFUSED);
  AppendText(g_siteText, sizeof g_siteText, name);
  AppendText(g_siteText, sizeof g_siteText, "\n");
  if (g_sites.problemLine > 0) Put(TEXT_SITE_FILE_LINE, g_sites.problemLine);
  AppendText(g_siteText, sizeof g_siteText, SiteStatusWords(g_sites.status));
  return g_sites.status;
}

// Every rule not in force, one a line, into g_siteText (as many as fit);
// how many there are.
WEB_EXPORT int webSiteTypos() {
  g_siteText[0] = 0;
  int count = 0;
  for (int i = 0; i < g_sites.count; ++i) {
    const size_t used = strlen(g_siteText);
    if (count && !AppendText(g_siteText, sizeof g_siteText, "\n")) break;
    if (PutTypo(i)) {
      ++count;
    } else {
      g_siteText[used] = 0;
    }
  }
  return count;
}

// The rule of the typed pass phrase in g_siteText, added or changed; a zero
// field takes the settings' value.
WEB_EXPORT int webSetSite(int length, int classFlags, int derivation, int counter) {
  const SiteRule rule = {length, (uint32_t)classFlags, derivation, counter};
  const SiteStatus status = SetSite(&g_sites, Typed(), rule);
  WipeMemory(g_siteText, sizeof g_siteText);
  return status;
}

WEB_EXPORT int webRemoveSite(int index) { return RemoveSite(&g_sites, index); }

// The site of exactly the UTF-8 pass phrase in g_siteText (a domain the
// extension looks up as it is), or -1; g_siteText is wiped.
WEB_EXPORT int webFindSite() {
  const int site = FindSite(&g_sites, Typed());
  WipeMemory(g_siteText, sizeof g_siteText);
  return site;
}

// A site's domains, comma-separated UTF-8, into g_siteText; their count.
WEB_EXPORT int webSiteDomains(int index) { return SiteDomains(&g_sites, index, g_siteText, sizeof g_siteText); }

// Binds the domain in g_siteText (UTF-8) to a site: a SiteStatus.
WEB_EXPORT int webBindSiteDomain(int index) { return BindSiteDomain(&g_sites, index, Typed()); }
