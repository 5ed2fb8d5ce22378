#include "completion.h"

#include <string.h>

#include "args.h"
#include "text.h"

const char COMPLETION_ARGUMENT[] = "__complete";

namespace {

bool Line(char* out, size_t capacity, const char* word) {
  return AppendText(out, capacity, word) && AppendText(out, capacity, "\n");
}

bool ValuesFor(OptionValue value, char* out, size_t capacity) {
  switch (value) {
    case VALUE_FILE:
      return Line(out, capacity, "@files");
    case VALUE_CLASSES: {
      bool ok = Line(out, capacity, "@list");
      for (const ClassName& c : CLASS_NAMES) ok = ok && Line(out, capacity, c.name);
      return ok;
    }
    case VALUE_DERIVATION:
      return Line(out, capacity, "1") && Line(out, capacity, "2");
    case VALUE_ON_OFF:
      return Line(out, capacity, "on") && Line(out, capacity, "off");
    case VALUE_NONE:
    case VALUE_NUMBER:
    case VALUE_TEXT:
      break;
  }
  return true;
}

// The commands' first words, or with group the second words of its commands; each once.
bool CommandWords(const char* group, char* out, size_t capacity) {
  const size_t n = group ? strlen(group) + 1 : 0;
  bool ok = true;
  for (int i = 0; i < COMMAND_RULE_COUNT; ++i) {
    const char* name = COMMAND_RULES[i].name;
    if (group && (strncmp(name, group, n - 1) != 0 || name[n - 1] != ' ')) continue;
    char word[32];
    CopyText(word, sizeof word, name + n);
    if (char* space = strchr(word, ' ')) *space = 0;
    bool earlier = false;
    for (int j = 0; j < i && !earlier; ++j) earlier = strncmp(COMMAND_RULES[j].name, name, n + strlen(word) + 1) == 0;
    if (!earlier) ok = ok && Line(out, capacity, word);
  }
  return ok;
}

}  // namespace

bool CompletionsFor(int count, const char* const* words, char* out, size_t capacity) {
  out[0] = 0;
  if (count < 1) return true;
  const char* current = words[count - 1];
  if (count == 1) {
    return CommandWords(nullptr, out, capacity) && Line(out, capacity, "--help") && Line(out, capacity, "--version");
  }
  if (count == 2 && IsCommandGroup(words[0])) return CommandWords(words[0], out, capacity);
  int used = 0;
  const CommandRule* rule = MatchCommand(count - 1, words, &used);
  if (!rule) return true;

  // What the words before the current one have used up.
  unsigned seen = 0;
  int positional = 0;
  bool optionsEnded = false;
  for (int i = used; i < count - 1; ++i) {
    const char* word = words[i];
    if (optionsEnded || word[0] != '-' || word[1] == 0) {
      ++positional;
      continue;
    }
    if (strcmp(word, "--") == 0) {
      optionsEnded = true;
      continue;
    }
    const OptionRule* option = FindOptionRule(word);
    if (!option) continue;  // unknown, or --name=value, which holds its value
    seen |= option->option;
    if (option->value == VALUE_NONE) continue;
    if (i == count - 2) return ValuesFor(option->value, out, capacity);  // the current word is its value
    ++i;
  }

  if (!optionsEnded && (current[0] == '-' || (current[0] == 0 && positional >= rule->maxPositional))) {
    bool ok = true;
    for (const OptionRule& o : OPTION_RULES) {
      if ((rule->allowed & o.option) && !(seen & o.option)) ok = ok && Line(out, capacity, o.name);
    }
    return ok && Line(out, capacity, "--help");
  }
  if (rule->positionalIsFile && positional < rule->maxPositional) return Line(out, capacity, "@files");
  if (positional < rule->maxPositional) return Line(out, capacity, "@sites");
  return true;
}
