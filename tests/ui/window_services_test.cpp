#include "window_services.h"

#include <string.h>

#include "resource.h"
#include "ui_fixture.h"

namespace {

class WindowServices : public DialogTest {};

HWND PlainWindow(int width, int height) {
  return CreateWindowExA(0, "STATIC", "probe", WS_POPUP, 5, 7, width, height, nullptr, nullptr, nullptr, nullptr);
}

}  // namespace

TEST_F(WindowServices, CentresOnTheDesktopTruncatingTowardZero) {
  RECT desktop;
  GetWindowRect(GetDesktopWindow(), &desktop);
  struct Case {
    int width, height;
  } cases[] = {{301, 101}, {desktop.right + 3, desktop.bottom + 5}, {desktop.right, 1}};
  for (const Case& c : cases) {
    HWND w = PlainWindow(c.width, c.height);
    CenterWindowOnDesktop(w);
    RECT r;
    GetWindowRect(w, &r);
    EXPECT_EQ(r.left, (desktop.right - c.width) / 2);
    EXPECT_EQ(r.top, (desktop.bottom - c.height) / 2);
    EXPECT_EQ(r.right - r.left, c.width);
    EXPECT_TRUE(IsWindowVisible(w));
    DestroyWindow(w);
  }
  if (desktop.right == 1024) {
    HWND w = PlainWindow(301, 10);
    CenterWindowOnDesktop(w);
    RECT r;
    GetWindowRect(w, &r);
    EXPECT_EQ(r.left, 361);
    DestroyWindow(w);
  }
  // A window 3 pixels wider than the desktop: -3 / 2 is -1, not -2.
  HWND w = PlainWindow(desktop.right + 3, 10);
  CenterWindowOnDesktop(w);
  RECT r;
  GetWindowRect(w, &r);
  EXPECT_EQ(r.left, -1);
  DestroyWindow(w);
}

TEST_F(WindowServices, CopiesTextAsCodePage932) {
  const char* texts[] = {"a!b\\c~", "", "\x93\xfa\x96\x7b\x8c\xea\x95\x5c"};
  for (const char* text : texts) {
    ASSERT_TRUE(CopyTextToClipboard(nullptr, text));
    EXPECT_EQ(ClipboardText(), text);
  }
}

TEST_F(WindowServices, KeepsThePasswordOutOfClipboardHistory) {
  ASSERT_TRUE(CopyTextToClipboard(nullptr, "secret-password"));
  ASSERT_TRUE(OpenClipboard(nullptr));
  for (const char* name :
       {"ExcludeClipboardContentFromMonitorProcessing", "CanIncludeInClipboardHistory", "CanUploadToCloudClipboard"}) {
    HANDLE data = GetClipboardData(RegisterClipboardFormatA(name));
    ASSERT_NE(data, nullptr) << name;
    ASSERT_EQ(GlobalSize(data), sizeof(DWORD)) << name;
    EXPECT_EQ(*(const DWORD*)GlobalLock(data), 0u) << name;
    GlobalUnlock(data);
  }
  // The text itself is offered as CF_TEXT; Windows derives the other text forms from it.
  EXPECT_TRUE(IsClipboardFormatAvailable(CF_TEXT));
  CloseClipboard();
  EXPECT_EQ(ClipboardText(), "secret-password");
}

TEST_F(WindowServices, ClipboardHeldElsewhereFailsAndKeepsItsContents) {
  ASSERT_TRUE(CopyTextToClipboard(nullptr, "kept"));
  HWND other = PlainWindow(10, 10);
  ASSERT_TRUE(OpenClipboard(other));
  EXPECT_FALSE(CopyTextToClipboard(nullptr, "lost"));
  CloseClipboard();
  DestroyWindow(other);
  EXPECT_EQ(ClipboardText(), "kept");
}

TEST_F(WindowServices, SaveChooserAcceptsANewNameAndAddsTheExtension) {
  std::string dir = FreshDirectory("chooser-save");
  char path[PATH_CAPACITY] = "old";
  SeenWindow seen;
  UiScript script;
  script.ChooseFile("save here", dir + "fresh", &seen);
  bool chosen = false;
  ASSERT_TRUE(script.Run([&] { chosen = ChooseSaveFile(path, "save here", "key", KEY_FILE_FILTER); }))
      << script.Failure();
  EXPECT_TRUE(chosen);
  EXPECT_EQ(std::string(path), dir + "fresh.key");
  EXPECT_EQ(seen.owner, nullptr);
}

TEST_F(WindowServices, OpenChooserWantsAnExistingFile) {
  std::string dir = FreshDirectory("chooser-open");
  ASSERT_TRUE(WriteBytes(dir + "there.key", "k"));
  char path[PATH_CAPACITY] = "old";
  bool chosen = false;
  UiScript script;
  script.ChooseFile("pick", dir + "there.key");
  ASSERT_TRUE(script.Run([&] { chosen = ChooseOpenFile(path, "pick", KEY_FILE_FILTER); })) << script.Failure();
  EXPECT_TRUE(chosen);
  EXPECT_EQ(std::string(path), dir + "there.key");

  // A missing name is refused by the chooser itself; cancelling then gives false.
  SeenWindow refusal;
  UiScript missing;
  missing.ChooseFile("pick", dir + "absent.key").AnswerBox(IDOK, &refusal).CancelChooser("pick");
  strcpy(path, "old");
  ASSERT_TRUE(missing.Run([&] { chosen = ChooseOpenFile(path, "pick", KEY_FILE_FILTER); })) << missing.Failure();
  EXPECT_FALSE(chosen);
  EXPECT_EQ(path[0], 0);
  EXPECT_NE(refusal.owner, nullptr);
}

TEST_F(WindowServices, CancelledChoosersEmptyTheBuffer) {
  for (bool save : {false, true}) {
    char path[PATH_CAPACITY] = "old";
    bool chosen = true;
    UiScript script;
    script.CancelChooser("title");
    ASSERT_TRUE(script.Run([&] {
      chosen =
          save ? ChooseSaveFile(path, "title", "key", KEY_FILE_FILTER) : ChooseOpenFile(path, "title", KEY_FILE_FILTER);
    })) << script.Failure();
    EXPECT_FALSE(chosen);
    EXPECT_EQ(path[0], 0);
  }
}
