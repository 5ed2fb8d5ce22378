/* Argon2id's allocations in the libsodium files built for Windows and
 * WebAssembly: argon2-core.c is compiled with malloc and free renamed to
 * these, so that its memory block (up to the key's whole Argon2id memory) is
 * wiped before it is freed. The WebAssembly module never gives freed memory
 * back, and the next allocation there could be read by anything that reads
 * the module's memory. */
#include <stddef.h>
#include <stdlib.h>

#include "sodium/utils.h"

/* Each block starts with its size, in a header that keeps the block's
 * alignment. */
enum { HEADER = 16 };

void* sorrel_argon2_malloc(size_t size) {
  if (size > (size_t)-1 - HEADER) return NULL;
  unsigned char* block = malloc(size + HEADER);
  if (!block) return NULL;
  *(size_t*)block = size;
  return block + HEADER;
}

void sorrel_argon2_free(void* p) {
  if (!p) return;
  unsigned char* block = (unsigned char*)p - HEADER;
  sodium_memzero(p, *(size_t*)block);
  free(block);
}
