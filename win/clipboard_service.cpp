#include "clipboard_service.h"

#include <string.h>

namespace {

// A movable, zero-filled global block holding a copy of data; null on failure.
HGLOBAL NewBlock(const void* data, SIZE_T size) {
  HGLOBAL block = GlobalAlloc(GHND, size);
  if (!block) return nullptr;
  void* memory = GlobalLock(block);
  if (!memory) {
    GlobalFree(block);
    return nullptr;
  }
  memcpy(memory, data, size);
  GlobalUnlock(block);
  return block;
}

// Formats by which Windows keeps an item out of clipboard history, the cloud
// clipboard and clipboard monitors; a DWORD 0 says "no" to each.
const char* const kPrivacyFormats[] = {
    "ExcludeClipboardContentFromMonitorProcessing",
    "CanIncludeInClipboardHistory",
    "CanUploadToCloudClipboard",
};
const int PRIVACY_FORMATS = sizeof kPrivacyFormats / sizeof kPrivacyFormats[0];

}  // namespace

bool CopyTextToClipboard(HWND owner, const char* text) {
  HGLOBAL blocks[1 + PRIVACY_FORMATS] = {};
  blocks[0] = NewBlock(text, strlen(text) + 1);
  const DWORD no = 0;
  for (int i = 0; i < PRIVACY_FORMATS; ++i) blocks[1 + i] = NewBlock(&no, sizeof no);
  bool ready = true;
  for (HGLOBAL block : blocks) ready = ready && block;
  if (!ready || !OpenClipboard(owner)) {
    for (HGLOBAL block : blocks)
      if (block) GlobalFree(block);
    return false;
  }
  // The blocks belong to the clipboard from here on.
  EmptyClipboard();
  SetClipboardData(CF_TEXT, blocks[0]);
  for (int i = 0; i < PRIVACY_FORMATS; ++i)
    SetClipboardData(RegisterClipboardFormatA(kPrivacyFormats[i]), blocks[1 + i]);
  CloseClipboard();
  return true;
}

bool ClearClipboardIfUnchanged(DWORD sequence, int attempts, DWORD intervalMs) {
  for (int attempt = 0; attempt < attempts; ++attempt) {
    if (GetClipboardSequenceNumber() != sequence) return true;
    if (OpenClipboard(nullptr)) {
      if (GetClipboardSequenceNumber() == sequence) EmptyClipboard();
      CloseClipboard();
      return true;
    }
    Sleep(intervalMs);
  }
  return false;
}
