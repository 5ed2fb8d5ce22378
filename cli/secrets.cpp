#include "secrets.h"

#include "text.h"

char g_keyPassword[TEXT_CAPACITY];
char g_keyPasswordConfirm[TEXT_CAPACITY];
char g_newKeyPassword[TEXT_CAPACITY];
char g_passPhrase[TEXT_CAPACITY];
char g_password[TEXT_CAPACITY];
unsigned char g_keyBytes[KEY_BUFFER_SIZE];
unsigned char g_changedKey[KEY_BUFFER_SIZE];
OpenedKey g_openedKey;
char g_backupText[BACKUP_TEXT_CAPACITY];
char g_backupLine[TEXT_CAPACITY];
BackupReader g_backupReader;

void WipeSecrets() {
  WipeMemory(g_keyPassword, sizeof g_keyPassword);
  WipeMemory(g_keyPasswordConfirm, sizeof g_keyPasswordConfirm);
  WipeMemory(g_newKeyPassword, sizeof g_newKeyPassword);
  WipeMemory(g_passPhrase, sizeof g_passPhrase);
  WipeMemory(g_password, sizeof g_password);
  WipeMemory(g_keyBytes, sizeof g_keyBytes);
  WipeMemory(g_changedKey, sizeof g_changedKey);
  WipeMemory(&g_openedKey, sizeof g_openedKey);
  WipeMemory(g_backupText, sizeof g_backupText);
  WipeMemory(g_backupLine, sizeof g_backupLine);
  WipeMemory(&g_backupReader, sizeof g_backupReader);
}
