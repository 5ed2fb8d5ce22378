#include "key_password_change.h"

#include <string.h>

#include "key_check.h"
#include "keyfile.h"
#include "text.h"

NewKeyPasswordVerdict CheckNewKeyPassword(const char* keyPassword, const char* confirm) {
  if (strcmp(keyPassword, confirm) != 0) return NEW_KEY_PASSWORDS_DIFFER;
  const size_t length = strlen(keyPassword);
  if (length < KEY_PASSWORD_MIN) return NEW_KEY_PASSWORD_TOO_SHORT;
  if (length > KEY_PASSWORD_MAX) return NEW_KEY_PASSWORD_TOO_LONG;
  return NEW_KEY_PASSWORD_OK;
}

KeyPasswordChange ChangeKeyPassword(const unsigned char* key, int count, const char* currentKeyPassword,
                                    const char* newKeyPassword, unsigned char* out) {
  if (CheckKeyPassword(key, count, currentKeyPassword) != KEY_OK) return KEY_CHANGE_NOT_UNMASKED;
  const size_t length = strlen(newKeyPassword);
  if (length < KEY_PASSWORD_MIN) return KEY_CHANGE_TOO_SHORT;
  if (length > KEY_PASSWORD_MAX) return KEY_CHANGE_TOO_LONG;

  unsigned char changed[KEY_FILE_SIZE];
  memcpy(changed, key, sizeof changed);
  MaskWithPassword(changed, currentKeyPassword, KEY_FILE_SIZE);
  MaskWithPassword(changed, newKeyPassword, KEY_FILE_SIZE);
  // The same text, one that repeats it, or one whose mask turns the pool into
  // another order of the alphabet: the old key password would still pass
  // verify and, in the last case, derive other passwords without a word.
  const bool same = CheckKeyPassword(changed, KEY_FILE_SIZE, currentKeyPassword) == KEY_OK;
  if (!same) memcpy(out, changed, sizeof changed);
  WipeMemory(changed, sizeof changed);
  return same ? KEY_CHANGE_SAME : KEY_CHANGE_OK;
}
