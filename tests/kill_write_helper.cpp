// Writes a large key file or a settings file and blocks for good in the middle
// of the write, so that the kill test can kill it there.
// Usage: kill_write_helper key|settings PATH
#include <stdio.h>
#include <string.h>

#include <string>

#include "keyfile.h"
#include "kill_write_data.h"
#include "platform.h"
#include "safe_write.h"
#include "settings.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace {

std::string g_readyPath;
int g_blockAt = 0;
int g_writes = 0;

bool BlockMidWrite(FileStep step) {
  if (step != FILE_STEP_WRITE || ++g_writes != g_blockAt) return false;
  FILE* ready = PlatformOpenFile(g_readyPath.c_str(), "wb");
  if (ready) fclose(ready);
  for (;;) {
#ifdef _WIN32
    Sleep(1000);
#else
    sleep(1);
#endif
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) return 2;
  const bool key = strcmp(argv[1], "key") == 0;
  g_readyPath = std::string(argv[2]) + KILL_READY_SUFFIX;
  g_blockAt = key ? KILL_KEY_BLOCK_AT : KILL_SETTINGS_BLOCK_AT;
  g_fileFaultHook = BlockMidWrite;
  bool ok;
  if (key) {
    std::string data = KillKeyData();
    ok = WriteKeyFile(argv[2], (const unsigned char*)data.data(), (int)data.size());
  } else {
    SettingsRecord record;
    SetDefaultSettings(&record, "C:\\keys\\new.key");
    ok = SaveSettingsTo(argv[2], record);
  }
  return ok ? 0 : 1;  // not reached: the hook blocks first
}
