#include "fuzz_files.h"

#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string MakeScratchDir() {
  std::string base = "/tmp";
  struct stat st;
  if (const char* tmp = getenv("TMPDIR")) {
    base = tmp;
  } else if (stat("/dev/shm", &st) == 0 && S_ISDIR(st.st_mode)) {
    base = "/dev/shm";
  }
  std::string pattern = base + "/sorrel-fuzz-XXXXXX";
  if (!mkdtemp(&pattern[0])) FuzzFail("cannot make a scratch directory");
  return pattern;
}

}  // namespace

std::string FuzzScratchPath(const char* name) {
  static const std::string dir = MakeScratchDir();
  return dir + "/" + name;
}

void FuzzWriteFile(const std::string& path, const void* data, size_t size) {
  FILE* f = fopen(path.c_str(), "wb");
  if (!f) FuzzFail("cannot create a scratch file");
  bool ok = fwrite(data, 1, size, f) == size;
  if (fclose(f) != 0 || !ok) FuzzFail("cannot write a scratch file");
}

void FuzzFail(const char* what) {
  fprintf(stderr, "invariant broken: %s\n", what);
  abort();
}
