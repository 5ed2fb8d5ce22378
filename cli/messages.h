// Texts the command line prints, code page 932. The console layer converts
// them to the terminal's encoding.
#pragma once

// Shared with the dialog program, word for word.
extern const char MSG_KEY_FILE_NOT_READ[];
extern const char MSG_PASS_PHRASE_TOO_SHORT[];
extern const char MSG_LENGTH_INVALID[];
extern const char MSG_DERIVE_FAILED[];
extern const char MSG_KEY_PASSWORD_TOO_SHORT[];
extern const char MSG_KEY_PASSWORDS_DIFFER[];
extern const char MSG_NEW_KEY_PASSWORD_TOO_SHORT[];
extern const char MSG_KEY_CREATE_FAILED[];
extern const char MSG_INIT_FAILED[];
extern const char MSG_LENGTH_TOO_SMALL[];
extern const char MSG_LENGTH_TOO_LARGE[];
extern const char MSG_NO_CLASSES[];
extern const char PROMPT_KEY_PASSWORD[];
extern const char PROMPT_KEY_PASSWORD_CONFIRM[];
extern const char PROMPT_PASS_PHRASE[];
extern const char PROMPT_NEW_KEY_PASSWORD[];
extern const char PROMPT_NEW_KEY_PASSWORD_CONFIRM[];

// The command line's own.
extern const char HELP_TEXT[];
extern const char MSG_TRY_HELP[];
