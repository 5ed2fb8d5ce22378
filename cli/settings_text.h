// The settings as a person reads them.
#pragma once

#include <stddef.h>

#include "settings.h"

// text as the terminal can show it: a field it cannot show (a settings file
// written by other means may hold any bytes) with its bytes as \xNN.
void Printable(const char* text, char* out, size_t capacity);

// The enabled classes by their --classes names: "digits, lower".
void ClassList(uint32_t optionFlags, char* out, size_t capacity);

// "  NAME: OLD -> NEW" on standard output for each setting after changes
// from before. The number of changes; in *passwordChanges those that give
// other passwords (all but the dialog program's clipboard option).
int ReportSettingChanges(const SettingsRecord& before, const SettingsRecord& after, int* passwordChanges);
