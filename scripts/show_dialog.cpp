// Shows one dialog of res/sorrel.rc, filled as the program fills it, for
// scripts/screenshots.sh; prints its window rectangle and stays up for the given
// number of seconds. Usage: show_dialog.exe 101|102|103|112|120 [SECONDS]
#include <windows.h>

#include <cstdio>
#include <cstdlib>

#include "resource.h"

namespace {

INT_PTR CALLBACK ShowDlgProc(HWND, UINT message, WPARAM, LPARAM) {
  if (message != WM_TIMER && message != WM_CLOSE) return FALSE;
  PostQuitMessage(0);
  return TRUE;
}

void Fill(HWND dlg, int id) {
  switch (id) {
    case IDD_MAIN:
      SendMessageW(dlg, WM_SETICON, ICON_SMALL,
                   (LPARAM)LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_MAIN)));
      SetDlgItemTextW(dlg, IDC_PASSPHRASE, L"ふるさと図書館");
      SetDlgItemTextW(dlg, IDC_SITE_NOTE, L"このサイト：8文字・英数字・2回目");
      break;
    case IDD_SETTINGS:
      SetDlgItemTextW(dlg, IDC_KEY_FILE_PATH, L"C:\\users\\sorrel\\マイキー.key");
      SetDlgItemTextW(dlg, IDC_SETTINGS_KEY_PASSWORD, L"かぎのパスワード");
      SetDlgItemInt(dlg, IDC_LENGTH, 16, FALSE);
      for (int box = IDC_COPY_TO_CLIPBOARD; box <= IDC_USE_SYMBOLS; ++box) CheckDlgButton(dlg, box, BST_CHECKED);
      CheckDlgButton(dlg, IDC_USE_DERIVATION_2, BST_CHECKED);
      SetDlgItemTextW(dlg, IDC_DIGIT_CHARS, L"0123456789");
      SetDlgItemTextW(dlg, IDC_LOWER_CHARS, L"abcdefghijklmnopqrstuvwxyz");
      SetDlgItemTextW(dlg, IDC_UPPER_CHARS, L"ABCDEFGHIJKLMNOPQRSTUVWXYZ");
      SetDlgItemTextW(dlg, IDC_SYMBOL_CHARS, L"!#$%&()*+,-.\\/:;<=>?@[]^_`{|}~");
      break;
    case IDD_KEY_PASSWORD:
      SetDlgItemTextW(dlg, IDC_KEY_PASSWORD, L"かぎのパスワード");
      break;
    case IDD_SITE:
      // Just after 次のパスワードへ, before 保存.
      SetDlgItemTextW(dlg, IDC_SITE_NAME, L"ふるさと図書館");
      SetDlgItemTextW(dlg, IDC_SITE_STATE, L"このサイトの設定です。");
      SetDlgItemInt(dlg, IDC_LENGTH, 8, FALSE);
      for (int box = IDC_USE_DIGITS; box <= IDC_USE_UPPER; ++box) CheckDlgButton(dlg, box, BST_CHECKED);
      CheckDlgButton(dlg, IDC_USE_DERIVATION_2, BST_CHECKED);
      SetDlgItemInt(dlg, IDC_COUNTER, 2, FALSE);
      SetDlgItemTextW(dlg, IDC_COUNTER_HINT,
                      L"保存すると2回目の新しいパスワードになります。前のパスワードは、回数を1に戻すと出ます。");
      break;
    case IDD_KEY_CREATE:
      SetDlgItemTextW(dlg, IDC_STATUS, L"キーパスワードを設定して[生成]ボタンを押してください。");
      break;
  }
}

}  // namespace

int main(int argc, char** argv) {
  int id = argc > 1 ? atoi(argv[1]) : IDD_MAIN;
  int seconds = argc > 2 ? atoi(argv[2]) : 10;
  HWND dlg = CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), nullptr, ShowDlgProc, 0);
  if (dlg == nullptr) {
    fprintf(stderr, "no dialog %d (error %lu)\n", id, GetLastError());
    return 1;
  }
  Fill(dlg, id);
  SetWindowPos(dlg, HWND_TOP, 16, 16, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
  SetFocus(nullptr);  // no caret in the pictures
  SetTimer(dlg, 1, seconds * 1000, nullptr);
  RECT rect;
  GetWindowRect(dlg, &rect);
  printf("%ldx%ld+%ld+%ld\n", rect.right - rect.left, rect.bottom - rect.top, rect.left, rect.top);
  fflush(stdout);
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (!IsDialogMessageW(dlg, &msg)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
  return 0;
}
