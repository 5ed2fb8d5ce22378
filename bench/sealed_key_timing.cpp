// Opening a sealed key at the defaults (Argon2id, 3 passes, 64 MiB), timed as
// the front ends meet it: a plain program rather than a benchmark library, so
// that the Windows builds run it under Wine as they are. Prints the fastest,
// the median and the slowest of the runs, in milliseconds.
// Usage: sealed_key_timing [RUNS]
#include <stdio.h>
#include <stdlib.h>

#include <algorithm>
#include <chrono>

#include "key_open.h"

int main(int argc, char** argv) {
  enum { MAX_RUNS = 100 };
  const int runs = argc > 1 ? atoi(argv[1]) : 7;
  if (runs < 1 || runs > MAX_RUNS) return 2;
  unsigned char sealed[SEALED_KEY_SIZE];
  if (CreateSealedKey("timing key password", DefaultSealParameters(), sealed) != SEAL_OK) {
    fprintf(stderr, "sealed_key_timing: the key could not be sealed\n");
    return 1;
  }
  double ms[MAX_RUNS];
  static OpenedKey key;
  for (int i = 0; i < runs; ++i) {
    const auto start = std::chrono::steady_clock::now();
    const KeyOpenStatus status = OpenKey(sealed, SEALED_KEY_SIZE, "timing key password", true, &key);
    const auto end = std::chrono::steady_clock::now();
    if (status != KEY_OPEN_OK) {
      fprintf(stderr, "sealed_key_timing: the key did not open (%d)\n", (int)status);
      return 1;
    }
    ms[i] = std::chrono::duration<double, std::milli>(end - start).count();
  }
  std::sort(ms, ms + runs);
  printf("open a default sealed key: min %.0f ms, median %.0f ms, max %.0f ms (%d runs)\n", ms[0], ms[runs / 2],
         ms[runs - 1], runs);
  return 0;
}
