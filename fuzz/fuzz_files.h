// Scratch files for the fuzz targets, in a directory of their own.
#pragma once

#include <stddef.h>

#include <string>

// A file name in the process's scratch directory (on tmpfs where there is one,
// since the writers sync every file). ASCII, so it is code page 932 as well.
std::string FuzzScratchPath(const char* name);

// Replaces the file's contents with size bytes; aborts when that fails.
void FuzzWriteFile(const std::string& path, const void* data, size_t size);

// Stops the run with a message: a broken invariant is a finding.
[[noreturn]] void FuzzFail(const char* what);
#define FUZZ_CHECK(condition) \
  if (!(condition)) FuzzFail(#condition)
