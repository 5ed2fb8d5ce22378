// The web page's entry points into the engine. The page encodes what is typed
// as code page 932, writes it into the buffers below, calls one of these and
// reads the result back; it never sees how a password is made. Files stay on
// the page's side: it hands the module their bytes.
#include <string.h>

#include "derive.h"
#include "key_check.h"
#include "key_password_change.h"
#include "keyfile.h"
#include "settings.h"
#include "site_rules.h"
#include "text.h"
#include "web_texts.h"

#define WEB_EXPORT extern "C" __attribute__((used, visibility("default")))

namespace {

enum WebBuffer {
  BUF_KEY,           // the key file's first bytes, at most 105 (256 for the engine)
  BUF_KEY_PASSWORD,  // zero-terminated, as every text buffer
  BUF_PASS_PHRASE,
  BUF_CONFIRM,  // a new key password, typed a second time
  BUF_RESULT,
  BUF_SETTINGS,          // a settings file's bytes, in and out
  BUF_NEW_KEY_PASSWORD,  // the key password that replaces the one in BUF_KEY_PASSWORD
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
  WEB_KEY_WRONG_SHAPE,
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
  WEB_SITES_REFUSED,  // the page names the line and what is wrong (webSitesProblem)
  WEB_SITE_TOO_LONG,  // the pass phrase with '#' and the site's counter
  WEB_STATUS_COUNT,
};

// The desktop's own texts where the failure is the same; the page's own where
// the desktop has no such failure.
const char* const TEXTS[WEB_STATUS_COUNT] = {
    "",
    TEXT_KEY_FILE_NOT_READ,
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
    TEXT_SITE_FILE_MEND_TO_GENERATE,
    TEXT_SITE_PASS_PHRASE_TOO_LONG,
};

enum {
  MIN_PASS_PHRASE = 4,
  MAX_LENGTH = TEXT_CAPACITY - 1,
};

unsigned char g_key[KEY_BUFFER_SIZE];
int g_keyCount;
char g_keyPassword[TEXT_CAPACITY];
char g_passPhrase[TEXT_CAPACITY];
char g_confirm[TEXT_CAPACITY];
char g_newKeyPassword[TEXT_CAPACITY];
char g_result[TEXT_CAPACITY];
unsigned char g_settingsBytes[SETTINGS_FILE_SIZE];
SettingsRecord g_record;

struct BufferEntry {
  void* data;
  int capacity;
};

const BufferEntry BUFFERS[BUF_COUNT] = {
    {g_key, KEY_READ_LIMIT},           {g_keyPassword, TEXT_CAPACITY}, {g_passPhrase, TEXT_CAPACITY},
    {g_confirm, TEXT_CAPACITY},        {g_result, TEXT_CAPACITY},      {g_settingsBytes, SETTINGS_FILE_SIZE},
    {g_newKeyPassword, TEXT_CAPACITY},
};

const uint32_t CLASS_BITS = OPT_DIGITS | OPT_LOWER | OPT_UPPER | OPT_SYMBOLS;

// A text buffer the page filled: terminated within its capacity whatever it wrote.
const char* Terminated(char* text) {
  text[TEXT_CAPACITY - 1] = 0;
  return text;
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

// The typed pass phrase's site rule over settings (site rules, at the end).
int ApplyTypedSite(const SettingsRecord& settings, SettingsRecord* record, int32_t* length);

}  // namespace

WEB_EXPORT void* webBuffer(int which) { return which >= 0 && which < BUF_COUNT ? BUFFERS[which].data : nullptr; }

WEB_EXPORT int webCapacity(int which) { return which >= 0 && which < BUF_COUNT ? BUFFERS[which].capacity : 0; }

WEB_EXPORT const char* webText(int status) { return status >= 0 && status < WEB_STATUS_COUNT ? TEXTS[status] : ""; }

// The key file's first bytes are in BUF_KEY; count is how many (0 to 105).
WEB_EXPORT int webSetKey(int count) {
  if (count < 0 || count > KEY_READ_LIMIT) count = 0;
  memset(g_key + count, 0, sizeof g_key - (size_t)count);
  g_keyCount = count;
  if (count == 0) return WEB_KEY_FILE_NOT_READ;
  return CheckKeyShape(g_key, count) == KEY_OK ? WEB_OK : WEB_KEY_WRONG_SHAPE;
}

WEB_EXPORT int webCheckKeyPassword() {
  if (g_keyCount == 0) return WEB_KEY_FILE_NOT_READ;
  if (strlen(Terminated(g_keyPassword)) < KEY_PASSWORD_MIN) return WEB_KEY_PASSWORD_TOO_SHORT;
  switch (CheckKeyPassword(g_key, g_keyCount, g_keyPassword)) {
    case KEY_OK:
      return WEB_OK;
    case KEY_PASSWORD_MISMATCH:
      return WEB_KEY_PASSWORD_MISMATCH;
    default:
      return WEB_KEY_WRONG_SHAPE;
  }
}

// The main window's checks in its order, then the settings dialog's; with
// verify, the key password must unmask the key as sorrel-cli checks it.
WEB_EXPORT int webGenerate(int verify) {
  memset(g_result, 0, sizeof g_result);
  if (g_keyCount == 0) return WEB_KEY_FILE_NOT_READ;
  if (strlen(Terminated(g_passPhrase)) < MIN_PASS_PHRASE) return WEB_PASS_PHRASE_TOO_SHORT;
  // The settings, then the pass phrase's site rule; g_passPhrase may gain '#' and the counter.
  SettingsRecord record;
  int32_t length;
  const int site = ApplyTypedSite(g_record, &record, &length);
  if (site != WEB_OK) return site;
  if (length < 1) return WEB_LENGTH_TOO_SMALL;
  if (length > MAX_LENGTH) return WEB_LENGTH_TOO_LARGE;
  if (!(record.optionFlags & CLASS_BITS)) return WEB_NO_CLASS;
  if (verify) {
    const int status = webCheckKeyPassword();
    if (status != WEB_OK) return status;
  }
  if (!DerivePassword(record, g_key, g_keyCount, Terminated(g_keyPassword), g_passPhrase, length, g_result)) {
    return WEB_DERIVE_FAILED;
  }
  return WEB_OK;
}

// A new key from the two key passwords in BUF_KEY_PASSWORD and BUF_CONFIRM,
// the key creation dialog's rules; on success it is the key in use.
WEB_EXPORT int webNewKey() {
  const int status = NewKeyPasswordStatus(Terminated(g_keyPassword), Terminated(g_confirm));
  WipeMemory(g_confirm, sizeof g_confirm);
  if (status != WEB_OK) return status;
  unsigned char key[KEY_BUFFER_SIZE];
  const int count = CreateKey(key, g_keyPassword);
  if (count == 0) return WEB_KEY_CREATE_FAILED;
  memset(g_key, 0, sizeof g_key);
  memcpy(g_key, key, (size_t)count);
  WipeMemory(key, sizeof key);
  g_keyCount = count;
  return WEB_OK;
}

// The key in use under the new key password in BUF_NEW_KEY_PASSWORD, typed a
// second time into BUF_CONFIRM; the current one is in BUF_KEY_PASSWORD. On
// success BUF_KEY holds the new key file and BUF_KEY_PASSWORD the new key
// password; on any refusal nothing changes.
WEB_EXPORT int webChangeKeyPassword() {
  int status = webCheckKeyPassword();
  if (status == WEB_KEY_PASSWORD_MISMATCH) status = WEB_CHANGE_NOT_UNMASKED;
  if (status == WEB_OK) status = NewKeyPasswordStatus(Terminated(g_newKeyPassword), Terminated(g_confirm));
  if (status == WEB_OK) {
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

WEB_EXPORT int webKeyCount() { return g_keyCount; }

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

// The lock: the key password, the key and everything typed or derived.
WEB_EXPORT void webForget() {
  WipeMemory(g_key, sizeof g_key);
  g_keyCount = 0;
  WipeMemory(g_keyPassword, sizeof g_keyPassword);
  WipeMemory(g_passPhrase, sizeof g_passPhrase);
  WipeMemory(g_confirm, sizeof g_confirm);
  WipeMemory(g_newKeyPassword, sizeof g_newKeyPassword);
  WipeMemory(g_result, sizeof g_result);
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
char g_siteText[SITE_PASS_PHRASE_CAPACITY + 512];

const struct {
  SiteStatus status;
  const char* text;
} SITE_TEXTS[] = {
    {SITE_FILE_NOT_READ, TEXT_SITE_FILE_NOT_READ},
    {SITE_FILE_TOO_LARGE, TEXT_SITE_FILE_TOO_LARGE},
    {SITE_TOO_MANY_SITES, TEXT_SITE_TOO_MANY_SITES},
    {SITE_NOT_UTF8, TEXT_SITE_NOT_UTF8},
    {SITE_STRAY_CR, TEXT_SITE_STRAY_CR},
    {SITE_PASS_PHRASE_TOO_SHORT, TEXT_SITE_PHRASE_TOO_SHORT},
    {SITE_PASS_PHRASE_TOO_LONG, TEXT_SITE_PHRASE_TOO_LONG},
    {SITE_NOT_CP932, TEXT_SITE_NOT_CP932},
    {SITE_DUPLICATE, TEXT_SITE_DUPLICATE},
    {SITE_BAD_FIELD, TEXT_SITE_BAD_FIELD},
    {SITE_FIELD_TWICE, TEXT_SITE_FIELD_TWICE},
    {SITE_BAD_LENGTH, TEXT_SITE_BAD_LENGTH},
    {SITE_BAD_CLASSES, TEXT_SITE_BAD_CLASSES},
    {SITE_BAD_DERIVATION, TEXT_SITE_BAD_DERIVATION},
    {SITE_BAD_COUNTER, TEXT_SITE_BAD_COUNTER},
    {SITE_BAD_PASS_PHRASE, TEXT_SITE_BAD_PASS_PHRASE},
};

const char* SiteText(SiteStatus status) {
  for (const auto& entry : SITE_TEXTS) {
    if (entry.status == status) return entry.text;
  }
  return TEXT_SITE_FILE_NOT_READ;
}

// The typed pass phrase in g_siteText, terminated, then wiped by the caller.
const char* Typed() {
  g_siteText[sizeof g_siteText - 1] = 0;
  return g_siteText;
}

// Appends format to g_siteText with its one %ld as number, or its one %s as
// text; no printf, which would double the module.
void Put(const char* format, long number, const char* text = "") {
  const char* at = strchr(format, '%');
  char head[128];
  CopyText(head, at && (size_t)(at - format) < sizeof head ? (size_t)(at - format) + 1 : sizeof head, format);
  AppendText(g_siteText, sizeof g_siteText, head);
  if (!at) return;
  if (at[1] == 's') {
    AppendText(g_siteText, sizeof g_siteText, text);
    at += 2;
  } else {
    AppendNumber(g_siteText, sizeof g_siteText, number);
    at += 3;
  }
  AppendText(g_siteText, sizeof g_siteText, at);
}

// The classes as the dialog program's note names them: 英数字, 英字, else
// each class; joined by ＋.
void PutClasses(uint32_t flags) {
  const char* words[4];
  int n = 0;
  const uint32_t letters = OPT_LOWER | OPT_UPPER;
  if ((flags & (letters | OPT_DIGITS)) == (letters | OPT_DIGITS)) {
    words[n++] = TEXT_SITE_CLASS_ALNUM;
  } else {
    if (flags & OPT_DIGITS) words[n++] = TEXT_SITE_CLASS_DIGITS;
    if ((flags & letters) == letters) {
      words[n++] = TEXT_SITE_CLASS_LETTERS;
    } else {
      if (flags & OPT_LOWER) words[n++] = TEXT_SITE_CLASS_LOWER;
      if (flags & OPT_UPPER) words[n++] = TEXT_SITE_CLASS_UPPER;
    }
  }
  if (flags & OPT_SYMBOLS) words[n++] = TEXT_SITE_CLASS_SYMBOLS;
  for (int i = 0; i < n; ++i) {
    if (i > 0) AppendText(g_siteText, sizeof g_siteText, TEXT_SITE_CLASS_JOIN);
    AppendText(g_siteText, sizeof g_siteText, words[i]);
  }
}

// A rule in words after prefix, into g_siteText: "このサイト：8文字・英数字・2回目".
void DescribeRule(const SiteRule& rule, const char* prefix) {
  CopyText(g_siteText, sizeof g_siteText, prefix);
  const size_t bare = strlen(g_siteText);
  const auto separate = [bare] {
    if (strlen(g_siteText) > bare) AppendText(g_siteText, sizeof g_siteText, TEXT_SITE_NOTE_SEPARATOR);
  };
  if (rule.length) Put(TEXT_SITE_NOTE_LENGTH, rule.length);
  if (rule.classFlags) {
    separate();
    PutClasses(rule.classFlags);
  }
  if (rule.derivation) {
    separate();
    AppendText(g_siteText, sizeof g_siteText,
               rule.derivation == 2 ? TEXT_SITE_NOTE_DERIVATION_2 : TEXT_SITE_NOTE_DERIVATION_1);
  }
  if (rule.counter > 1) {
    separate();
    Put(TEXT_SITE_NOTE_COUNTER, rule.counter);
  }
  if (strlen(g_siteText) == bare) AppendText(g_siteText, sizeof g_siteText, TEXT_SITE_NOTE_AS_SETTINGS);
}

int ApplyTypedSite(const SettingsRecord& settings, SettingsRecord* record, int32_t* length) {
  // A refused file may hold this pass phrase's rule: nothing is derived without it.
  const int site = g_sites.status == SITE_OK ? FindSite(&g_sites, Typed()) : -1;
  WipeMemory(g_siteText, sizeof g_siteText);
  if (g_sites.status != SITE_OK) return WEB_SITES_REFUSED;
  SiteRule rule = {0, 0, 0, 1};
  if (site >= 0) rule = g_sites.sites[site].rule;
  return ApplySiteRule(settings, rule, g_passPhrase, record, length, g_passPhrase) ? WEB_OK : WEB_SITE_TOO_LONG;
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
WEB_EXPORT const char* webSiteStatusText(int status) { return SiteText((SiteStatus)status); }

// The site texts the page shows as they stand, or with its own numbers.
WEB_EXPORT const char* webSiteWords(int which) {
  static const char* const WORDS[] = {
      TEXT_SITE_SAVED_RULE,      TEXT_SITE_NEW_RULE,
      TEXT_SITE_COUNTER_HINT,    TEXT_SITE_NEXT_HINT,
      TEXT_SITE_COUNTER_INVALID, TEXT_SITE_PASS_PHRASE_REFUSED,
      TEXT_SITE_DELETE_QUESTION, TEXT_SITE_FILE_MEND_TO_GENERATE,
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
  WipeMemory(g_siteText, sizeof g_siteText);
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

// Why the file is refused, with its line, into g_siteText; its status.
WEB_EXPORT int webSitesProblem() {
  CopyText(g_siteText, sizeof g_siteText, TEXT_SITE_FILE_REFUSED);
  AppendText(g_siteText, sizeof g_siteText, "sites.txt\n");
  if (g_sites.problemLine > 0) Put(TEXT_SITE_FILE_LINE, g_sites.problemLine);
  AppendText(g_siteText, sizeof g_siteText, SiteText(g_sites.status));
  return g_sites.status;
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
