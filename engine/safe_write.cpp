#include "safe_write.h"

#include <stdio.h>
#include <string.h>

#include "platform.h"
#include "text.h"

bool (*g_fileFaultHook)(FileStep step) = nullptr;

namespace {

bool Faulted(FileStep step) { return g_fileFaultHook && g_fileFaultHook(step); }

// "<path>.<8 hex digits>.tmp": the same directory, so the rename cannot cross volumes.
bool MakeTemporaryName(const char* path, char* out, size_t capacity) {
  unsigned char noise[4];
  if (!PlatformRandomBytes(noise, sizeof noise)) return false;
  char suffix[16];
  snprintf(suffix, sizeof suffix, ".%02x%02x%02x%02x.tmp", noise[0], noise[1], noise[2], noise[3]);
  out[0] = 0;
  return AppendText(out, capacity, path) && AppendText(out, capacity, suffix);
}

}  // namespace

bool ReplaceFileContents(const char* path, const void* data, size_t size) {
  char temporary[512];
  if (!MakeTemporaryName(path, temporary, sizeof temporary)) return false;

  FILE* file = Faulted(FILE_STEP_OPEN) ? nullptr : PlatformOpenFile(temporary, "wb");
  if (!file) return false;

  bool ok = true;
  const unsigned char* bytes = (const unsigned char*)data;
  // Written in small pieces so that every write is checked on its own.
  for (size_t done = 0; ok && done < size;) {
    size_t piece = size - done < 256 ? size - done : 256;
    ok = !Faulted(FILE_STEP_WRITE) && fwrite(bytes + done, 1, piece, file) == piece;
    done += piece;
  }
  ok = ok && !Faulted(FILE_STEP_FLUSH) && fflush(file) == 0 && PlatformSyncFile(file);
  bool closed = fclose(file) == 0 && !Faulted(FILE_STEP_CLOSE);
  ok = ok && closed && !Faulted(FILE_STEP_REPLACE) && PlatformReplaceFile(temporary, path);
  if (!ok) PlatformRemoveFile(temporary);
  return ok;
}
