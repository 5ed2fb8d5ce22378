/* sodium_init() for the Windows and WebAssembly builds, which compile only the
 * libsodium files they need: those files need no start-up, and they run their
 * portable code. (The processor-specific Argon2id fill gave the 32-bit
 * sorrel.exe nothing measurable: a default sealed key opens in 0.36 s either
 * way, optimised for size and across files.) */
#include "sodium/core.h"

int sodium_init(void) { return 0; }
