#include "app.h"
#include "resource.h"

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR, int) {
  g_hInstance = hInstance;
  const INT_PTR result = DialogBoxParamA(hInstance, MAKEINTRESOURCEA(IDD_MAIN), nullptr, MainDlgProc, 0);
  EndSession();
  return (int)result;
}
