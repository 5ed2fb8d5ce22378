// Shared set-up of the dialog tests: the test program carries the real
// resources, and every test starts from empty hand-over buffers.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "app.h"
#include "test_files.h"
#include "texts.h"
#include "ui_driver.h"

class DialogTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Runs a dialog of the program modally with the script driving it.
  INT_PTR RunDialog(UiScript& script, int id, DLGPROC proc, HWND owner = nullptr);
  // A fresh scratch directory's absolute path, ending in a backslash.
  std::string FreshDirectory(const std::string& name);
  std::string SettingsFilePath();
};

// Asserts a message box as the user saw it: text, caption, error icon, owner.
void ExpectErrorBox(const SeenWindow& box, const char* text, HWND owner);
