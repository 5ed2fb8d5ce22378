// A long call on the dialog's one thread (Argon2id opening or sealing a key):
// nothing repaints until it returns, so the dialog first shows a line saying
// what runs, drawn at once, with the wait cursor; the line goes after.
#pragma once

#include <windows.h>

enum { BUSY_HIDDEN_MAX = 4, BUSY_TEXT_CAPACITY = 256 };

struct BusyLine {
  HWND dialog;
  HWND line;   // made for the wait, or the dialog's own status control
  bool made;   // line was made here and goes with the wait
  HWND focus;  // the focus before, if a hidden button had it
  HCURSOR cursor;
  HWND hidden[BUSY_HIDDEN_MAX];
  int hiddenCount;
  char before[BUSY_TEXT_CAPACITY];  // the status control's text before
};

// Shows text in the control statusId of dialog, or, with statusId 0, in place
// of the row of push buttons at the dialog's foot (nothing can be pressed
// meanwhile anyway). dialog may be null: the wait cursor alone.
void ShowBusyLine(HWND dialog, int statusId, const char* text, BusyLine* busy);

// Puts back what ShowBusyLine changed.
void HideBusyLine(BusyLine* busy);
