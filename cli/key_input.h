// The key file and key password a command works with, and what is said when
// they do not belong together.
#pragma once

#include "args.h"
#include "key_open.h"

// --key, else the key file the settings file names; reports a settings file
// that cannot be read.
bool KeyPathFor(const CliOptions& options, char* out);

// Reads the key file into g_keyBytes: the count, 0 (reported, with the
// system's reason) when it cannot be read or is empty.
int ReadKeyReported(const char* keyPath);
// The same with advice of its own after a file that cannot be read (nullptr: none).
int ReadKeyReported(const char* keyPath, const char* advice);

// The key file a settings file is to name: keyPath's full path, in out (260
// bytes), of a file that can be read; false (reported) otherwise.
bool KeyFileToName(const char* keyPath, char* out);

// Asks for the key password into g_keyPassword; false (reported) when none
// comes or it is shorter than 8 bytes.
bool ReadKeyPassword();

// ReadKeyReported, then the file's shape: the count, or 0 when refused,
// reported with advice.
int ReadKeyChecked(const char* keyPath, const char* advice);

// Asks for the key password and opens the key file's count bytes in
// g_keyBytes into g_openedKey; false (reported with advice) when it does not
// open. checkOriginal: an original key must pass the key check.
bool OpenKeyReported(int count, const char* keyPath, bool checkOriginal, const char* advice);

// verify's check: the key file (--key, else the settings' one, its path in
// keyPath) into g_keyBytes, and a key password that opens it into
// g_keyPassword and g_openedKey. The file's byte count (103, or 178 sealed),
// or 0 when either is refused, reported with advice; no key password is asked
// for a file of the wrong shape.
int ReadKeyAndKeyPassword(const CliOptions& options, char* keyPath, const char* advice);

// Asks for a new key password twice into out, with the key creation dialog's
// rules: the two the same, then 8 to 63 bytes. False (reported) otherwise, and
// when a weak one is typed at a terminal and the user does not keep it.
bool ReadNewKeyPassword(const char* prompt, const char* confirmPrompt, char* out);

// Whether a file can be opened for reading at path.
bool FileExists(const char* path);

// False (reported as what, with the system's reason) when the folder that
// would hold a file at path is not there.
bool FolderReady(const char* path, const char* what);

// False (reported) when a file is at path and force is not set (replacing a
// key loses every password derived from it), or its folder is not there.
bool MayWriteKeyFile(const char* path, bool force);

// Names what was found in the key file of count bytes in g_keyBytes; for a
// key password that does not open it, how that usually happens. advice, when
// given, goes last on a line of its own.
void ReportKeyOpen(KeyOpenStatus status, int count, const char* keyPath, const char* advice);

// A sealed key's parameters for sealing it again: above 256 MiB lowered to
// 256 MiB, said on standard error.
SealParameters ResealParameters(SealParameters params);

// base with --kdf-memory and --kdf-passes where given.
SealParameters SealParametersFor(const CliOptions& options, SealParameters base);

// A failed sealing, reported (SEAL_OK: nothing).
void ReportSeal(SealStatus status, uint32_t memoryKiB);
