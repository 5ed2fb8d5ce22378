#include "test_files.h"

#include <stdio.h>

#include <filesystem>

#include "platform.h"

std::string ReadBytes(const std::string& path) {
  FILE* f = PlatformOpenFile(path.c_str(), "rb");
  if (!f) return "<missing>";
  std::string bytes;
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, f)) > 0) bytes.append(buf, n);
  fclose(f);
  return bytes;
}

bool WriteBytes(const std::string& path, const std::string& bytes) {
  FILE* f = PlatformOpenFile(path.c_str(), "wb");
  if (!f) return false;
  bool ok = fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return fclose(f) == 0 && ok;
}

bool Exists(const std::string& path) {
  FILE* f = PlatformOpenFile(path.c_str(), "rb");
  if (f) fclose(f);
  return f != nullptr;
}

// The working directory the test program started in: the file choosers move
// the current directory to wherever a file was chosen.
static const std::string g_startDirectory = std::filesystem::current_path().string();

std::string StartDirectory() { return g_startDirectory; }

std::string ScratchDir(const std::string& name) {
  std::string dir = g_startDirectory + "/scratch/" + name + "/";
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  return dir;
}

int CountTemporaries(const std::string& dir) {
  int n = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    if (entry.path().extension() == ".tmp") ++n;
  }
  return n;
}
