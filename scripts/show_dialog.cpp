// Shows one dialog of res/sorrel.rc, filled as the program fills it, or one
// of the program's message boxes, for scripts/screenshots.sh; prints its
// window rectangle and stays up for the given number of seconds.
// Usage: show_dialog.exe 101|102|103|112|120|box-NAME [SECONDS]
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "resource.h"
#include "texts.h"

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
      SetDlgItemTextW(dlg, IDC_KEY_PASSWORD, L"秘密のキーパスワード");
      SetDlgItemTextW(dlg, IDC_KEY_PASSWORD_CONFIRM, L"秘密のキーパスワード");
      break;
  }
}

// The message boxes worth a look, as the program shows them.
const struct {
  const char* name;
  const char* text;
  const char* caption;
  UINT type;
  const char* first;  // what fills the first %s; null: a key file's path
  const char* second;
} kBoxes[] = {
    {"key-not-opened", TEXT_KEY_NOT_OPENED, TEXT_ERROR_CAPTION, MB_ICONERROR | MB_OK, nullptr, nullptr},
    {"key-mismatch", TEXT_KEY_MISMATCH_QUESTION, TEXT_KEY_MISMATCH_CAPTION, MB_ICONWARNING | MB_YESNO | MB_DEFBUTTON2,
     nullptr, nullptr},
    {"seal", TEXT_SEAL_QUESTION, TEXT_SEAL_CAPTION, MB_ICONQUESTION | MB_OKCANCEL, nullptr, nullptr},
    {"reseal", TEXT_RESEAL_QUESTION, TEXT_SEAL_CAPTION, MB_ICONWARNING | MB_OKCANCEL | MB_DEFBUTTON2, nullptr, nullptr},
    {"too-long", TEXT_KEY_PASSWORD_TOO_LONG, TEXT_ERROR_CAPTION, MB_ICONERROR | MB_OK, nullptr, nullptr},
    {"found-beside", TEXT_KEY_FILE_FOUND_BESIDE, TEXT_NOTICE_CAPTION, MB_ICONINFORMATION | MB_OK, nullptr, nullptr},
    {"not-found", TEXT_KEY_FILE_NOT_FOUND, TEXT_ERROR_CAPTION, MB_ICONERROR | MB_OK, nullptr, nullptr},
    {"key-damaged", TEXT_KEY_DAMAGED TEXT_CHOOSE_OTHER_KEY, TEXT_ERROR_CAPTION, MB_ICONERROR | MB_YESNO, nullptr,
     nullptr},
    {"key-not-a-key", TEXT_KEY_NOT_A_KEY TEXT_CHOOSE_OTHER_KEY, TEXT_ERROR_CAPTION, MB_ICONERROR | MB_YESNO, nullptr,
     nullptr},
    {"key-no-memory", TEXT_KEY_NEEDS_MEMORY TEXT_CHOOSE_OTHER_KEY, TEXT_ERROR_CAPTION, MB_ICONERROR | MB_YESNO, "512",
     nullptr},
    {"key-unsupported", TEXT_KEY_UNSUPPORTED TEXT_CHOOSE_OTHER_KEY, TEXT_ERROR_CAPTION, MB_ICONERROR | MB_YESNO,
     nullptr, nullptr},
    {"key-large", TEXT_LARGE_KEY_QUESTION, TEXT_LARGE_KEY_CAPTION, MB_ICONWARNING | MB_YESNO | MB_DEFBUTTON2, "512",
     nullptr},
    {"key-shape", TEXT_KEY_SHAPE_QUESTION, TEXT_KEY_SHAPE_CAPTION, MB_ICONWARNING | MB_YESNO | MB_DEFBUTTON2, "150",
     nullptr},
    {"key-lowered", TEXT_KEY_MEMORY_LOWERED, TEXT_SEAL_CAPTION, MB_ICONINFORMATION | MB_OK, "512", "256"},
    {"weak-key-password", TEXT_WEAK_KEY_PASSWORD_QUESTION, TEXT_WEAK_KEY_PASSWORD_CAPTION,
     MB_ICONWARNING | MB_YESNO | MB_DEFBUTTON2, TEXT_WEAK_COMMON, nullptr},
};
int g_seconds;

// Moves the box that has just opened into place, prints its rectangle and
// closes it later.
void CALLBACK PlaceBox(HWND, UINT, UINT_PTR timer, DWORD) {
  static DWORD opened;
  HWND box = GetForegroundWindow();
  if (!box || !opened) {
    if (box) {
      opened = GetTickCount();
      SetWindowPos(box, HWND_TOP, 16, 16, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
      RECT rect;
      GetWindowRect(box, &rect);
      printf("%ldx%ld+%ld+%ld\n", rect.right - rect.left, rect.bottom - rect.top, rect.left, rect.top);
      fflush(stdout);
    }
    return;
  }
  if (GetTickCount() - opened > (DWORD)g_seconds * 1000) {
    KillTimer(nullptr, timer);
    PostMessageA(box, WM_COMMAND, IDCANCEL, 0);
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    PostMessageA(box, WM_COMMAND, IDNO, 0);
  }
}

int ShowBox(const char* name) {
  for (const auto& box : kBoxes) {
    if (strcmp(box.name, name) != 0) continue;
    char text[1024];
    wsprintfA(text, box.text, box.first ? box.first : "C:\\Users\\sorrel\\USB\\\x83\x7d\x83\x43\x83\x4c\x81\x5b.key",
              box.second ? box.second : "E:\\sorrel\\\x83\x7d\x83\x43\x83\x4c\x81\x5b.key");  // マイキー.key
    SetTimer(nullptr, 0, 100, PlaceBox);
    MessageBoxA(nullptr, text, box.caption, box.type);
    return 0;
  }
  fprintf(stderr, "no box %s\n", name);
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  g_seconds = argc > 2 ? atoi(argv[2]) : 10;
  if (argc > 1 && strncmp(argv[1], "box-", 4) == 0) return ShowBox(argv[1] + 4);
  int id = argc > 1 ? atoi(argv[1]) : IDD_MAIN;
  int seconds = g_seconds;
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
