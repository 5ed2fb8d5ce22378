// The settings as a person reads them.
#pragma once

#include <stddef.h>

#include "settings.h"

// The enabled classes by their --classes names: "digits, lower".
void ClassList(uint32_t optionFlags, char* out, size_t capacity);

// "  NAME: OLD -> NEW" on standard output for each setting after changes
// from before. The number of changes; in *passwordChanges those that give
// other passwords (all but the dialog program's clipboard option).
int ReportSettingChanges(const SettingsRecord& before, const SettingsRecord& after, int* passwordChanges);
