// How quickly a new key password falls to guessing. A copied sealed key costs
// an attacker one Argon2id run per guess and nothing more, and guessing starts
// with the most common passwords and the patterns people type: a word from a
// list of leaked passwords, a repeat, a sequence, a keyboard row, a date. The
// estimate is the fewest guesses that reach the key password by such parts,
// each part's guesses multiplied; what no pattern explains costs the size of
// its character set per character. Every front end asks here, so that they
// all warn of the same key passwords.
#pragma once

// Below this many guesses a key password is weak. At 64 MiB and 3 passes an
// attacker's machine makes some hundreds of Argon2id runs a second; a thousand
// machines then search 10^10 guesses within a day or two, where each further
// factor of ten costs them weeks to years.
#define KEY_PASSWORD_WEAK_GUESSES 1e10

enum KeyPasswordWeakness {
  KEY_PASSWORD_STRONG,
  KEY_PASSWORD_COMMON,    // one of the most common passwords (or one with small changes)
  KEY_PASSWORD_REPEAT,    // a character or a group of them repeated
  KEY_PASSWORD_SEQUENCE,  // abcd, 9876, あいうえ
  KEY_PASSWORD_KEYBOARD,  // neighbouring keys: qwerty, 1qaz
  KEY_PASSWORD_DATE,      // a date or a year
  KEY_PASSWORD_SHORT,     // no pattern, but too short for the characters it uses
};

// The estimated guesses for a key password (code page 932, terminated), and
// in *weakness, when given, the verdict: strong, or weak and the part that
// gives most of it away. A character outside ASCII (Japanese) is no part of
// any list word, sequence of letters, keyboard row or date; repeats, kana
// sequences and length apply to it.
double KeyPasswordGuesses(const char* keyPassword, KeyPasswordWeakness* weakness);

// The verdict alone.
KeyPasswordWeakness JudgeKeyPassword(const char* keyPassword);
