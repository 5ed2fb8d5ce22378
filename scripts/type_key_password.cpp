// For scripts/key-opening-shot.sh: waits for sorrel.exe's key password dialog,
// types the key password given and presses OK, as a person would.
// Usage: type_key_password.exe KEY-PASSWORD
#include <windows.h>

#include <cstdio>

#include "resource.h"

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  HWND dialog = nullptr;
  for (int tries = 0; tries < 600 && !dialog; ++tries) {
    dialog = FindWindowW(nullptr, L"キーパスワードを入力してください");
    if (!dialog) Sleep(100);
  }
  if (!dialog) {
    fprintf(stderr, "type_key_password: no key password dialog within a minute\n");
    return 1;
  }
  SetDlgItemTextA(dialog, IDC_KEY_PASSWORD, argv[1]);
  // Posted: the program's own loop takes the click, and this returns at once.
  PostMessageW(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
  return 0;
}
