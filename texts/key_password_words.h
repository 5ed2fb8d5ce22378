// A weak new key password in the words the dialog program and the page use.
// Each front end compiles this with its own execution character set (code
// page 932 for the dialog program, UTF-8 for the page).
#pragma once

#include <stddef.h>

#include "key_password_strength.h"

// The question asked before a weak key password is taken, with the reason;
// empty for a strong one. Both front ends ask it the same way.
void WeakKeyPasswordQuestion(KeyPasswordWeakness weakness, char* out, size_t capacity);
