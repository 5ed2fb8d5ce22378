// The key file: the shuffled key pool, masked with the key password.
#pragma once

enum {
  KEY_POOL_LENGTH = 102,
  KEY_FILE_SIZE = 103,
  KEY_READ_LIMIT = 105,
  KEY_BUFFER_SIZE = 256,
};

// The key alphabet: every digit twice, every letter and symbol once.
extern const char KEY_ALPHABET[KEY_POOL_LENGTH + 1];

// Writes the alphabet in a random order and a zero byte into buffer (at
// least 103 bytes). Returns 103, or 0 when the random source failed.
int BuildShuffledPool(unsigned char* buffer);

// XORs bytes 0 to count - 2 with the key password, cyclically. Its own inverse.
bool MaskWithPassword(unsigned char* buffer, const char* keyPassword, int count);

// A new masked key in buffer (at least 103 bytes): 103, or 0 on failure.
int CreateKey(unsigned char* buffer, const char* keyPassword);

// Replaces the file at path with count bytes; on false it is unchanged. A
// new file is readable by its owner alone, a replaced one keeps its permissions.
bool WriteKeyFile(const char* path, const unsigned char* buffer, int count);

// Reads a key file into buffer (at least 178 bytes, KEY_BUFFER_SIZE in
// practice): a sealed key whole (178, sealed_key.h), any other file's first
// 105 bytes at most, as the original form has always been read. The count
// read; 0 when the file cannot be opened or is empty.
int ReadKeyFile(const char* path, unsigned char* buffer);
