// A new key password for the same key. The key file is the key pool masked
// with the key password, so unmasking with the current one and masking with
// the new one keeps the pool, and with it every password, as it was.
#pragma once

enum {
  // What the key creation dialog takes: 8 bytes at least, and it reads at most
  // 63 bytes of its field.
  KEY_PASSWORD_MIN = 8,
  KEY_PASSWORD_MAX = 63,
};

enum NewKeyPasswordVerdict {
  NEW_KEY_PASSWORD_OK,
  NEW_KEY_PASSWORDS_DIFFER,
  NEW_KEY_PASSWORD_TOO_SHORT,
  NEW_KEY_PASSWORD_TOO_LONG,
};

// A new key password typed twice, by the key creation dialog's rules: the two
// the same first, then 8 to 63 bytes. A longer one is refused rather than cut:
// a key masked with the cut text never unmasks with the whole one typed later.
NewKeyPasswordVerdict CheckNewKeyPassword(const char* keyPassword, const char* confirm);

enum KeyPasswordChange {
  KEY_CHANGE_OK,
  KEY_CHANGE_NOT_UNMASKED,  // the current key password does not unmask key (CheckKeyPassword says why)
  KEY_CHANGE_TOO_SHORT,     // the new key password has fewer than 8 bytes
  KEY_CHANGE_TOO_LONG,      // or more than 63
  KEY_CHANGE_SAME,          // the current key password would still unmask the result
};

// key: count bytes as read from a key file. On KEY_CHANGE_OK, out (at least
// 103 bytes, may be key itself) holds the pool masked with newKeyPassword;
// otherwise out is untouched. Plain bytes in and out, no file and no platform
// call, so that any front end can offer it.
KeyPasswordChange ChangeKeyPassword(const unsigned char* key, int count, const char* currentKeyPassword,
                                    const char* newKeyPassword, unsigned char* out);
