// The key file and key password a command works with, and what is said when
// they do not belong together.
#pragma once

#include "args.h"
#include "key_check.h"

// --key, else the key file the settings file names; reports a settings file
// that cannot be read.
bool KeyPathFor(const CliOptions& options, char* out);

// Reads the key file into g_keyBytes: the count, 0 (reported) when it cannot be read.
int ReadKeyReported(const char* keyPath);

// Asks for the key password into g_keyPassword; false (reported) when none
// comes or it is shorter than 8 bytes.
bool ReadKeyPassword();

// verify's check: the key file (--key, else the settings' one, its path in
// keyPath) into g_keyBytes, and a key password that unmasks it into
// g_keyPassword. The count (103), or 0 when either is refused, reported with
// advice; no key password is asked for a file of the wrong shape.
int ReadKeyAndKeyPassword(const CliOptions& options, char* keyPath, const char* advice);

// Asks for a new key password twice into out, with the key creation dialog's
// rules: the two the same, then 8 to 63 bytes. False (reported) otherwise.
bool ReadNewKeyPassword(const char* prompt, const char* confirmPrompt, char* out);

// Whether a file can be opened for reading at path.
bool FileExists(const char* path);

// False (reported) when a file is at path and force is not set: replacing a
// key loses every password derived from it.
bool MayWriteKeyFile(const char* path, bool force);

// Names what was found; advice, when given, goes on a line of its own.
void ReportKeyVerdict(KeyVerdict verdict, int count, const char* keyPath, const char* advice);
