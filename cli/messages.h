// Texts more than one command prints, and the help, in the user's language.
#pragma once

const char* PromptKeyPassword();
const char* PromptKeyPasswordAgain();
const char* PromptNewKeyPassword();
const char* PromptNewKeyPasswordAgain();
const char* PromptPassPhrase();
const char* TryHelpText();
// What to do when there is no settings file: the two first steps.
const char* NoSettingsAdvice();

// The commands and options, one entry each, on standard output.
bool WriteHelp();
