// Windows: the clipboard service both Windows programs share, and the
// clipboard's sequence number to tell whether anything was copied since. sorrel-cli
// starts itself again, detached, to clear the clipboard later; the text stays
// in this process.
#include <stdlib.h>
#include <windows.h>

#include "clipboard.h"
#include "clipboard_service.h"

const char CLIPBOARD_CLEARER_ARGUMENT[] = "--clear-clipboard";

namespace {

// Up to five seconds for another program to let go of the clipboard.
void ClearIfUnchanged(DWORD sequence) { ClearClipboardIfUnchanged(sequence, 50, 100); }

}  // namespace

ClipResult ClipboardReady() { return CLIP_OK; }

ClipResult CopyToClipboard(const char* text, int seconds, const char** tool) {
  *tool = "the clipboard";
  if (!CopyTextToClipboard(nullptr, text)) return CLIP_FAILED;
  const DWORD sequence = GetClipboardSequenceNumber();

  wchar_t exe[MAX_PATH], line[MAX_PATH + 64];
  DWORD n = GetModuleFileNameW(nullptr, exe, MAX_PATH);
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process;
  bool started = n > 0 && n < MAX_PATH;
  if (started) {
    wsprintfW(line, L"\"%s\" %hs %d %lu", exe, CLIPBOARD_CLEARER_ARGUMENT, seconds, (unsigned long)sequence);
    // No handles inherited: whoever reads this command's output is not kept waiting.
    started = CreateProcessW(exe, line, nullptr, nullptr, FALSE, DETACHED_PROCESS | CREATE_NEW_PROCESS_GROUP, nullptr,
                             nullptr, &startup, &process) != 0;
  }
  if (!started) {
    // Nothing would clear it: the password does not stay.
    ClearIfUnchanged(sequence);
    return CLIP_FAILED;
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return CLIP_OK;
}

int RunClipboardClearer(int argc, char** argv) {
  const int seconds = argc == 4 ? atoi(argv[2]) : 0;
  if (seconds < 1) return 2;
  const DWORD sequence = strtoul(argv[3], nullptr, 10);
  Sleep((DWORD)seconds * 1000);
  ClearIfUnchanged(sequence);
  return 0;
}
