#include "key_password_words.h"

#include "shared_texts.h"
#include "site_rule_words.h"

void WeakKeyPasswordQuestion(KeyPasswordWeakness weakness, char* out, size_t capacity) {
  const char* reason = TEXT_WEAK_SHORT;
  switch (weakness) {
    case KEY_PASSWORD_STRONG:
      if (capacity) out[0] = 0;
      return;
    case KEY_PASSWORD_COMMON:
      reason = TEXT_WEAK_COMMON;
      break;
    case KEY_PASSWORD_REPEAT:
      reason = TEXT_WEAK_REPEAT;
      break;
    case KEY_PASSWORD_SEQUENCE:
      reason = TEXT_WEAK_SEQUENCE;
      break;
    case KEY_PASSWORD_KEYBOARD:
      reason = TEXT_WEAK_KEYBOARD;
      break;
    case KEY_PASSWORD_DATE:
      reason = TEXT_WEAK_DATE;
      break;
    case KEY_PASSWORD_SHORT:
      break;
  }
  if (capacity) out[0] = 0;
  AppendWords(out, capacity, TEXT_WEAK_KEY_PASSWORD_QUESTION, 0, reason);
}
