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

std::string ScratchDir(const std::string& name) {
  std::filesystem::path dir = std::filesystem::path("scratch") / name;
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  return "scratch/" + name + "/";
}

int CountTemporaries(const std::string& dir) {
  int n = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    if (entry.path().extension() == ".tmp") ++n;
  }
  return n;
}
