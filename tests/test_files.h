// File helpers for the tests. Paths are code page 932, as the engine takes them.
#pragma once

#include <string>

std::string ReadBytes(const std::string& path);
bool WriteBytes(const std::string& path, const std::string& bytes);
bool Exists(const std::string& path);

// A fresh, empty scratch directory (ASCII name) below the directory the test
// program started in, ending in a separator.
std::string ScratchDir(const std::string& name);

// The working directory the test program started in.
std::string StartDirectory();

// Names in a directory that look like a writer's temporary files.
int CountTemporaries(const std::string& dir);
