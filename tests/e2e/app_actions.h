// What a person does with the running program, step by step. Each step
// waits for the window it needs and fails the test when it does not come.
#pragma once

#include <string>

#include "app_process.h"

extern const char kMain[];
extern const char kKeyPassword[];
extern const char kKeyCreate[];
extern const char kSettings[];

// What the engine derives from the folder's setting.ini and key file.
std::string Derived(const std::string& folder, const char* keyPassword, const char* passPhrase);
// Dialog 103 at a returning start.
void EnterKeyPassword(AppProcess& app, const char* keyPassword);
// Types the pass phrase, generates, and returns what the result box shows.
std::string GenerateOnce(AppProcess& app, const char* passPhrase, std::string* clipboard);
void CloseMain(AppProcess& app);
// Types a full path into the chooser with this title and presses its OK button.
void Choose(AppProcess& app, const char* title, const std::string& path);
// A first start that makes a key through dialog 112 and the save chooser.
void FirstStart(AppProcess& app, const char* keyPassword);
