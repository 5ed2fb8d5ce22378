// Every buffer that holds a key password, a pass phrase, key bytes (in any
// form) or a password: process-wide, so that one call wipes them all before exit.
#pragma once

#include "key_backup.h"
#include "key_open.h"
#include "keyfile.h"
#include "settings.h"

extern char g_keyPassword[TEXT_CAPACITY];
extern char g_keyPasswordConfirm[TEXT_CAPACITY];
extern char g_newKeyPassword[TEXT_CAPACITY];
extern char g_passPhrase[TEXT_CAPACITY];
extern char g_password[TEXT_CAPACITY];
extern unsigned char g_keyBytes[KEY_BUFFER_SIZE];
extern unsigned char g_changedKey[KEY_BUFFER_SIZE];  // the key file's new bytes: new key password, or other form
extern OpenedKey g_openedKey;                        // the key file opened: its unmasked bytes
// A key file in the form of its paper backup, whole or a line at a time.
extern char g_backupText[BACKUP_TEXT_CAPACITY];
extern char g_backupLine[TEXT_CAPACITY];
extern BackupReader g_backupReader;

void WipeSecrets();
