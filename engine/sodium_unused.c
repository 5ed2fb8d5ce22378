/* The libsodium files built for Windows and WebAssembly refer to its random
 * generator (key generation, guarded allocations) and to its misuse handler,
 * which live in files those builds leave out. The engine calls none of them;
 * were one ever reached, the program stops rather than go on without it. */
#include <stdlib.h>

#include "sodium/core.h"
#include "sodium/randombytes.h"

void randombytes_buf(void* const buf, const size_t size) {
  (void)buf;
  (void)size;
  abort();
}

void sodium_misuse(void) { abort(); }
