// Shared set-up of the dialog tests: the test program carries the real
// resources, and every test starts from empty hand-over buffers.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "app.h"
#include "settings.h"
#include "test_files.h"
#include "texts.h"
#include "ui_driver.h"

class DialogTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Runs the main window with a message posted to it right after its
  // initialisation, ahead of the start-up timer.
  INT_PTR RunMainPosting(UiScript& script, UINT message, WPARAM wParam);
  // Runs a dialog of the program modally with the script driving it.
  INT_PTR RunDialog(UiScript& script, int id, DLGPROC proc, HWND owner = nullptr);
  // A fresh scratch directory's absolute path, ending in a backslash.
  std::string FreshDirectory(const std::string& name);
  std::string SettingsFilePath();
  // A new key file masked with keyPassword.
  std::string MakeKeyFile(const std::string& dir, const std::string& name, const char* keyPassword);
  // A new sealed key file, at the cheapest parameters.
  std::string MakeSealedKeyFile(const std::string& dir, const std::string& name, const char* keyPassword,
                                int derivation);
  // setting.ini with the defaults, naming keyPath; returns the record saved.
  SettingsRecord SaveDefaultSettings(const std::string& keyPath);
  // What the engine derives from these inputs, or "<false>"; a sealed key
  // under its own derivation.
  std::string Expected(const SettingsRecord& s, const std::string& keyPath, const char* keyPassword,
                       const char* passPhrase);
};

// The cheapest parameters a sealed key may have.
SealParameters CheapSeal(int derivation);

// Asserts a message box as the user saw it: text, caption, error icon, owner.
void ExpectErrorBox(const SeenWindow& box, const char* text, HWND owner);
