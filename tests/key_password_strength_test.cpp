#include "key_password_strength.h"

#include <gtest/gtest.h>

TEST(KeyPasswordStrength, TellsWeakKeyPasswordsAndWhy) {
  const struct {
    const char* keyPassword;
    KeyPasswordWeakness expected;
  } cases[] = {
      {"password", KEY_PASSWORD_COMMON},
      {"12345678", KEY_PASSWORD_COMMON},
      {"Password1!", KEY_PASSWORD_COMMON},
      {"P@ssw0rd", KEY_PASSWORD_COMMON},
      {"drowssap", KEY_PASSWORD_COMMON},
      {"iloveyou2024", KEY_PASSWORD_COMMON},
      {"basketball", KEY_PASSWORD_COMMON},  // far down the list
      {"zzzzzzzzzzzz", KEY_PASSWORD_REPEAT},
      {"xq7xq7xq7xq7", KEY_PASSWORD_REPEAT},
      {"abcdefghijklmn", KEY_PASSWORD_SEQUENCE},
      {"98765432", KEY_PASSWORD_SEQUENCE},
      {"qwertyuiop", KEY_PASSWORD_COMMON},  // a keyboard row too, but the list has it
      {"3edc4rfv5tgb", KEY_PASSWORD_KEYBOARD},
      {"ASDFGHJKL:", KEY_PASSWORD_KEYBOARD},
      {"zxcvbnm,./", KEY_PASSWORD_KEYBOARD},
      {"1987/04/12", KEY_PASSWORD_DATE},
      {"19870412", KEY_PASSWORD_DATE},
      {"12.04.87", KEY_PASSWORD_DATE},
      {"73916248", KEY_PASSWORD_SHORT},
      {"tbnwkfxe", KEY_PASSWORD_STRONG},  // 26^8
      {"correct horse battery", KEY_PASSWORD_STRONG},
      {"Tr0ub4dor&3", KEY_PASSWORD_STRONG},
      {"xkcd-7Rq!pw", KEY_PASSWORD_STRONG},
      // Japanese (code page 932): length and repeats, no list.
      {"\x82\xb3\x82\xad\x82\xe7", KEY_PASSWORD_SHORT},                                           // さくら
      {"\x82\xa0\x82\xa2\x82\xa4\x82\xa6\x82\xa8", KEY_PASSWORD_SEQUENCE},                        // あいうえお
      {"\x82\xb3\x82\xad\x82\xe7\x82\xb3\x82\xad\x82\xe7", KEY_PASSWORD_REPEAT},                  // さくらさくら
      {"\x82\xb3\x82\xad\x82\xe7\x82\xaa\x82\xa8\x82\xa2\x82\xb5\x82\xa2", KEY_PASSWORD_STRONG},  // さくらがおいしい
  };
  for (const auto& c : cases) {
    KeyPasswordWeakness weakness = KEY_PASSWORD_STRONG;
    const double guesses = KeyPasswordGuesses(c.keyPassword, &weakness);
    EXPECT_EQ(weakness, c.expected) << c.keyPassword << ": " << guesses << " guesses";
    EXPECT_EQ(JudgeKeyPassword(c.keyPassword), c.expected) << c.keyPassword;
  }
}
