// What bash may complete a word of a sorrel-cli command line to, from the
// tables the argument parser checks. The completion script asks the program
// itself (sorrel-cli __complete WORD...), so the two cannot drift apart.
#pragma once

#include <stddef.h>

// The first argument that asks for completions; never a command.
extern const char COMPLETION_ARGUMENT[];

// words: the words after the program's name up to the one being completed,
// which comes last and may be empty. Fills out with one candidate a line, or
// with one line "@files" (complete a file name), "@sites" (a pass phrase:
// the sites the site file has) or "@list" followed by words (a
// comma-separated list of them). False when out is too small.
bool CompletionsFor(int count, const char* const* words, char* out, size_t capacity);
