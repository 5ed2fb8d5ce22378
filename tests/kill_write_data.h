// Shared by the kill test and the helper it kills in the middle of a write.
#pragma once

#include <stddef.h>

#include <string>

// The helper announces that it is blocked mid-write by creating path + this.
const char KILL_READY_SUFFIX[] = ".ready";
const size_t KILL_KEY_SIZE = 1 << 20;  // a large key file: thousands of pieces
// The write step at which the helper blocks: well inside either file.
const int KILL_KEY_BLOCK_AT = 1000;
const int KILL_SETTINGS_BLOCK_AT = 2;

inline std::string KillKeyData() {
  std::string s(KILL_KEY_SIZE, 0);
  for (size_t i = 0; i < s.size(); ++i) s[i] = (char)(i * 13 + 1);
  return s;
}
