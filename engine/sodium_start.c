/* sodium_init() for the Windows and WebAssembly builds, which compile only the
 * libsodium files they need: of the library's start-up, only what those files
 * use. On Windows it reads the processor's features so that Argon2id fills
 * its memory with SSSE3 where the processor has it (four times faster than
 * the portable code in the 32-bit build); elsewhere the portable fill stays. */
#include "sodium/core.h"
#include "sodium/private/implementations.h"
#include "sodium/runtime.h"

int sodium_init(void) {
#ifdef _WIN32
  _sodium_runtime_get_cpu_features();
#endif
  _crypto_pwhash_argon2_pick_best_implementation();
  return 0;
}
