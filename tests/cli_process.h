// Runs sorrel-cli as a child process: arguments, piped standard input, and
// what it printed. Texts are in the terminal's encoding (UTF-8 on Linux, the
// console code page under Windows), as a user would type and read them.
#pragma once

#include <string>
#include <vector>

struct CliRun {
  int status = -1;
  std::string out;
  std::string err;
  long inputRead = -1;  // bytes of the input the program took
};

// The language the program is run in: English (the C.UTF-8 locale), or
// Japanese (ja_JP.UTF-8; under Windows no locale variable, so that the user's
// interface language decides, which under Wine follows LANG=ja_JP.UTF-8).
enum CliLanguage { CLI_ENGLISH, CLI_JAPANESE };

// The sorrel-cli copied beside the tests, in a directory whose name holds a
// code page 932 character with a 0x5C second byte. Code page 932.
std::string CliDirectory();

// Runs the program with args (UTF-8) and input from a file. environment:
// "NAME=VALUE" sets a variable, "NAME" removes it.
CliRun RunCli(const std::vector<std::string>& args, const std::string& input, CliLanguage language = CLI_ENGLISH,
              const std::vector<std::string>& environment = {});

// UTF-8 text as the program's terminal carries it.
std::string Terminal(const std::string& utf8);

// Code page 932 text (a path the engine uses) as an argument for RunCli.
std::string Utf8FromCp932(const std::string& cp932);

// Makes a directory at a code page 932 path.
bool MakeDirectory(const std::string& cp932);
