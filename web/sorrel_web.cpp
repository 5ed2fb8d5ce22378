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
  const int32_t length = g_record.passwordLength;
  if (length < 1) return WEB_LENGTH_TOO_SMALL;
  if (length > MAX_LENGTH) return WEB_LENGTH_TOO_LARGE;
  if (!(g_record.optionFlags & CLASS_BITS)) return WEB_NO_CLASS;
  if (verify) {
    const int status = webCheckKeyPassword();
    if (status != WEB_OK) return status;
  }
  if (!DerivePassword(g_record, g_key, g_keyCount, Terminated(g_keyPassword), g_passPhrase, length, g_result)) {
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
