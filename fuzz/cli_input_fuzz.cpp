// Secrets typed or piped into sorrel-cli: ConsoleReadSecret line by line from
// standard input, with the output buffer's capacity chosen by the first byte.
#include <fcntl.h>
#include <stddef.h>
#include <stdint.h>
#include <string.h>
#include <unistd.h>

#include "console.h"
#include "fuzz_files.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string path = FuzzScratchPath("stdin");
  if (size == 0) return 0;
  const size_t capacities[] = {1, 2, 9, 64, 1024};
  const size_t capacity = capacities[data[0] % 5];
  FuzzWriteFile(path, data + 1, size - 1);
  int fd = open(path.c_str(), O_RDONLY);
  if (fd < 0 || dup2(fd, STDIN_FILENO) < 0) FuzzFail("cannot redirect standard input");
  close(fd);

  size_t lines = 1;
  for (size_t i = 1; i < size; ++i) lines += data[i] == '\n';
  static char out[1024 + 64];
  size_t reads = 0;
  for (;;) {
    memset(out, 0xEE, sizeof out);
    ConsoleResult r = ConsoleReadSecret("", out, capacity);
    if (r == CONSOLE_END) break;
    FUZZ_CHECK(r != CONSOLE_FAILED);
    FUZZ_CHECK(++reads <= lines);
    for (size_t i = capacity; i < sizeof out; ++i) FUZZ_CHECK((unsigned char)out[i] == 0xEE);
    if (r == CONSOLE_OK) {
      FUZZ_CHECK(memchr(out, 0, capacity) != nullptr);
      FUZZ_CHECK(strchr(out, '\n') == nullptr);
    } else {
      // A refused line leaves no trace of the secret behind.
      for (size_t i = 0; i < capacity; ++i) FUZZ_CHECK(out[i] == 0);
    }
  }
  FUZZ_CHECK(reads >= (size > 1 ? 1u : 0u));
  return 0;
}
