// generate --clip: the password goes on the clipboard, and a process of its
// own clears it after a while, unless something else was copied meanwhile.
// The text never travels in a process's arguments or environment.
#pragma once

enum ClipResult {
  CLIP_OK,
  CLIP_NO_DISPLAY,  // no graphical session to hold a clipboard
  CLIP_NO_TOOL,     // no program to reach it
  CLIP_UNMAPPABLE,  // a character the clipboard's encoding cannot hold
  CLIP_FAILED,      // not copied (or, with no clearing process, copied and taken back)
};

// Whether a clipboard can be reached at all (CLIP_OK, CLIP_NO_DISPLAY or
// CLIP_NO_TOOL), asked before any secret is.
ClipResult ClipboardReady();

// Code page 932 text onto the clipboard, cleared after seconds. *tool names
// what reached the clipboard, for messages.
ClipResult CopyToClipboard(const char* text, int seconds, const char** tool);

// The first argument that makes sorrel-cli the clearing process.
extern const char CLIPBOARD_CLEARER_ARGUMENT[];

// Main of the clearing process; the exit status.
int RunClipboardClearer(int argc, char** argv);
