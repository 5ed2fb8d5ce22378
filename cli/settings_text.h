// The settings as a person reads them.
#pragma once

#include <stddef.h>

#include "settings.h"

// The enabled classes in the user's language: "digits, lower", or under a
// Japanese locale the dialogs' words, "数字、英小文字".
void ClassList(uint32_t optionFlags, char* out, size_t capacity);

// A class's name in the user's language, by its OPT_ bit.
const char* ClassWord(uint32_t flag);

// The derivation in force for a pass phrase: a site rule's own (siteDerivation,
// 0 when the rule gives none), else a sealed key's (keyDerivation, 0 for an
// original key or none read), else the settings'. *source becomes where it
// comes from, in words: "the site's rule", "the key's", "the settings'".
int DerivationInForce(const SettingsRecord& settings, int keyDerivation, int siteDerivation, const char** source);

// The derivation a sealed key file names, read from its header alone (no key
// password): 0 for an original key or a file that cannot be read.
int KeyDerivationAt(const char* keyPath);

// "  NAME: OLD -> NEW" on standard output for each setting after changes
// from before. The number of changes; in *passwordChanges those that give
// other passwords (all but the dialog program's clipboard option).
int ReportSettingChanges(const SettingsRecord& before, const SettingsRecord& after, int* passwordChanges);
