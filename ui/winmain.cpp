#include "app.h"
#include "resource.h"

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR, int) {
  g_hInstance = hInstance;
  return (int)DialogBoxParamA(hInstance, MAKEINTRESOURCEA(IDD_MAIN), nullptr, MainDlgProc, 0);
}
