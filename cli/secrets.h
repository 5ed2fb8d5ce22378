// Every buffer that holds a key password, a pass phrase, key bytes or a
// password: process-wide, so that one call wipes them all before exit.
#pragma once

#include "keyfile.h"
#include "settings.h"

extern char g_keyPassword[TEXT_CAPACITY];
extern char g_keyPasswordConfirm[TEXT_CAPACITY];
extern char g_passPhrase[TEXT_CAPACITY];
extern char g_password[TEXT_CAPACITY];
extern unsigned char g_keyBytes[KEY_BUFFER_SIZE];

void WipeSecrets();
