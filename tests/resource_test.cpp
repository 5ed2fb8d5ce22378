// The compiled resources: dialog templates as the dialog manager reads them,
// the same dialogs created for real (texts back as code page 932), the icon,
// the version record and the manifest.
#include "resource.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace {

// A text as the template holds it (UTF-16) and as the ANSI calls return it.
struct Text {
  const char16_t* utf16;
  const char* cp932;
};

const Text kEmpty = {u"", ""};
const Text kOk = {u"OK", "OK"};
const Text kMainCaption = {u"Sorrel Ver1.0", "Sorrel Ver1.0"};
const Text kEnterPassPhrase = {u"パスフレーズを入力してください",
                               "\x83\x70\x83\x58\x83\x74\x83\x8C\x81\x5B\x83\x59\x82\xF0\x93\xFC\x97\xCD\x82\xB5\x82"
                               "\xC4\x82\xAD\x82\xBE\x82\xB3\x82\xA2"};
const Text kDetailedSettings = {u"詳細設定", "\x8F\xDA\x8D\xD7\x90\xDD\x92\xE8"};
const Text kGenerate = {u"生成", "\x90\xB6\x90\xAC"};
const Text kSiteButton = {u"サイト別設定", "\x83\x54\x83\x43\x83\x67\x95\xCA\x90\xDD\x92\xE8"};
const Text kSettingsCaption = {u"設定ダイアログ", "\x90\xDD\x92\xE8\x83\x5F\x83\x43\x83\x41\x83\x8D\x83\x4F"};
const Text kBrowse = {u"参照", "\x8E\x51\x8F\xC6"};
const Text kLengthLabel = {u"生成文字数 ：", "\x90\xB6\x90\xAC\x95\xB6\x8E\x9A\x90\x94\x20\x81\x46"};
const Text kKeyFileGroup = {u"キーファイル設定", "\x83\x4C\x81\x5B\x83\x74\x83\x40\x83\x43\x83\x8B\x90\xDD\x92\xE8"};
const Text kLocationLabel = {u"場所 ：", "\x8F\xEA\x8F\x8A\x20\x81\x46"};
const Text kGenerationGroup = {u"パスワード生成設定",
                               "\x83\x70\x83\x58\x83\x8F\x81\x5B\x83\x68\x90\xB6\x90\xAC\x90\xDD\x92\xE8"};
const Text kConfirm = {u"確定", "\x8A\x6D\x92\xE8"};
const Text kCancel = {u"キャンセル", "\x83\x4C\x83\x83\x83\x93\x83\x5A\x83\x8B"};
const Text kCopyToClipboard = {
    u"クリップボードにコピーする",
    "\x83\x4E\x83\x8A\x83\x62\x83\x76\x83\x7B\x81\x5B\x83\x68\x82\xC9\x83\x52\x83\x73\x81\x5B\x82\xB7\x82\xE9"};
const Text kSymbols = {u"記号", "\x8B\x4C\x8D\x86"};
const Text kUpper = {u"英大文字", "\x89\x70\x91\xE5\x95\xB6\x8E\x9A"};
const Text kLower = {u"英小文字", "\x89\x70\x8F\xAC\x95\xB6\x8E\x9A"};
const Text kDigits = {u"数字", "\x90\x94\x8E\x9A"};
const Text kCharsUsedGroup = {u"使用文字", "\x8E\x67\x97\x70\x95\xB6\x8E\x9A"};
const Text kNewKey = {u"新しいキーの生成", "\x90\x56\x82\xB5\x82\xA2\x83\x4C\x81\x5B\x82\xCC\x90\xB6\x90\xAC"};
const Text kUseDerivation2 = {
    u"新しい生成方式を使う（推奨）",
    "\x90\x56\x82\xB5\x82\xA2\x90\xB6\x90\xAC\x95\xFB\x8E\xAE\x82\xF0\x8E\x67\x82\xA4\x81\x69\x90\x84\x8F\xA7\x81\x6A"};
const Text kSealKey = {u"暗号化", "\x88\xC3\x8D\x86\x89\xBB"};
const Text kPasswordLabel = {u"パスワード ：", "\x83\x70\x83\x58\x83\x8F\x81\x5B\x83\x68\x20\x81\x46"};
const Text kKeyPasswordCaption = {u"キーパスワードを入力してください",
                                  "\x83\x4C\x81\x5B\x83\x70\x83\x58\x83\x8F\x81\x5B\x83\x68\x82\xF0\x93\xFC\x97\xCD\x82"
                                  "\xB5\x82\xC4\x82\xAD\x82\xBE\x82\xB3\x82\xA2"};
const Text kKeyCreateCaption = {u"キー生成", "\x83\x4C\x81\x5B\x90\xB6\x90\xAC"};
const Text kKeyPasswordLabel = {u"キーパスワード ：",
                                "\x83\x4C\x81\x5B\x83\x70\x83\x58\x83\x8F\x81\x5B\x83\x68\x20\x81\x46"};
const Text kConfirmLabel = {u"キーパスワード確認 ：",
                            "\x83\x4C\x81\x5B\x83\x70\x83\x58\x83\x8F\x81\x5B\x83\x68\x8A\x6D\x94\x46\x20\x81\x46"};
const Text kStaticPlaceholder = {u"スタティック", "\x83\x58\x83\x5E\x83\x65\x83\x42\x83\x62\x83\x4E"};

const uint16_t kButton = 0x0080, kEdit = 0x0081, kStatic = 0x0082;

struct ExpectedControl {
  int id;
  uint16_t classAtom;
  Text text;
  uint32_t style;
  uint32_t exStyle;
  int16_t x, y, cx, cy;
};

struct DialogHeader {
  int id;
  uint32_t style;
  uint32_t exStyle;
  int16_t x, y, cx, cy;
  Text caption;
};

struct ExpectedDialog {
  DialogHeader header;
  std::vector<ExpectedControl> controls;  // template order
  std::vector<int> tabOrder;              // from the first tab stop on
  int defaultButton;
};

const uint32_t kPopupDialog = 0x80C800C8;  // WS_POPUP WS_CAPTION WS_SYSMENU DS_MODALFRAME DS_SETFONT DS_FIXEDSYS

const std::vector<ExpectedDialog> kDialogs = {
    {{IDD_MAIN, 0x00CA00CC, 0x00020000, 0, 0, 175, 60, kMainCaption},
     {
         {-1, kStatic, kEnterPassPhrase, 0x50020000, 0, 5, 4, 94, 8},
         {IDC_PASSPHRASE, kEdit, kEmpty, 0x50810080, 0, 3, 15, 169, 14},
         {IDC_SETTINGS, kButton, kDetailedSettings, 0x50010000, 0, 123, 42, 49, 15},
         {IDC_GENERATE, kButton, kGenerate, 0x50010001, 0, 3, 42, 57, 15},
         // The site note: no mnemonic, cut with an ellipsis rather than wrapped.
         {IDC_SITE_NOTE, kStatic, kEmpty, 0x5002408C, 0, 5, 31, 167, 8},
         {IDC_SITE, kButton, kSiteButton, 0x50010000, 0, 63, 42, 57, 15},
     },
     {IDC_PASSPHRASE, IDC_SETTINGS, IDC_GENERATE, IDC_SITE},
     IDC_GENERATE},
    {{IDD_SETTINGS, kPopupDialog, 0, 0, 0, 246, 202, kSettingsCaption},
     {
         {IDC_KEY_FILE_PATH, kEdit, kEmpty, 0x50800080, 0, 55, 21, 131, 13},
         {IDC_BROWSE, kButton, kBrowse, 0x50010000, 0, 189, 21, 46, 14},
         {-1, kStatic, kLengthLabel, 0x50020000, 0, 16, 75, 47, 8},
         {IDC_LENGTH, kEdit, kEmpty, 0x50812080, 0, 65, 73, 40, 13},
         {-1, kButton, kKeyFileGroup, 0x50000007, 0, 7, 7, 232, 49},
         {-1, kStatic, kLocationLabel, 0x50020000, 0, 30, 24, 23, 8},
         {-1, kButton, kGenerationGroup, 0x50000007, 0, 7, 60, 232, 114},
         {IDC_APPLY, kButton, kConfirm, 0x50010000, 0, 136, 181, 50, 14},
         {IDCANCEL, kButton, kCancel, 0x50010001, 0, 189, 181, 50, 14},
         {IDC_COPY_TO_CLIPBOARD, kButton, kCopyToClipboard, 0x50010003, 0, 121, 74, 93, 10},
         {IDC_DIGIT_CHARS, kEdit, kEmpty, 0x50810880, 0, 67, 103, 160, 12},
         {IDC_USE_SYMBOLS, kButton, kSymbols, 0x50010003, 0, 17, 143, 32, 10},
         {IDC_USE_UPPER, kButton, kUpper, 0x50010003, 0, 17, 130, 47, 10},
         {IDC_USE_LOWER, kButton, kLower, 0x50010003, 0, 17, 116, 47, 10},
         {IDC_USE_DIGITS, kButton, kDigits, 0x50010003, 0, 17, 103, 47, 10},
         {IDC_LOWER_CHARS, kEdit, kEmpty, 0x50810880, 0, 67, 116, 160, 12},
         {IDC_UPPER_CHARS, kEdit, kEmpty, 0x50810880, 0, 67, 129, 160, 12},
         {IDC_SYMBOL_CHARS, kEdit, kEmpty, 0x50810880, 0, 67, 142, 160, 12},
         {-1, kButton, kCharsUsedGroup, 0x50000007, 0, 9, 90, 228, 69},
         {IDC_NEW_KEY, kButton, kNewKey, 0x50010000, 0, 7, 181, 62, 14},
         {-1, kStatic, kPasswordLabel, 0x50020000, 0, 15, 38, 38, 8},
         {IDC_SETTINGS_KEY_PASSWORD, kEdit, kEmpty, 0x508000A0, 0, 55, 35, 131, 13},
         {IDC_USE_DERIVATION_2, kButton, kUseDerivation2, 0x50010003, 0, 17, 162, 150, 10},
         {IDC_SEAL_KEY, kButton, kSealKey, 0x50010000, 0, 189, 35, 46, 14},
     },
     // The path and key password fields are left out: no tab stop.
     {IDC_BROWSE, IDC_LENGTH, IDC_APPLY, IDCANCEL, IDC_COPY_TO_CLIPBOARD, IDC_DIGIT_CHARS, IDC_USE_SYMBOLS,
      IDC_USE_UPPER, IDC_USE_LOWER, IDC_USE_DIGITS, IDC_LOWER_CHARS, IDC_UPPER_CHARS, IDC_SYMBOL_CHARS, IDC_NEW_KEY,
      IDC_USE_DERIVATION_2, IDC_SEAL_KEY},
     IDCANCEL},
    {{IDD_KEY_PASSWORD, kPopupDialog, 0, 0, 0, 180, 36, kKeyPasswordCaption},
     {
         {IDC_KEY_PASSWORD, kEdit, kEmpty, 0x508100A0, 0, 3, 3, 174, 14},
         {IDOK, kButton, kOk, 0x50010001, 0, 3, 19, 50, 14},
         {IDCANCEL, kButton, kCancel, 0x50010000, 0, 127, 19, 50, 14},
     },
     {IDC_KEY_PASSWORD, IDOK, IDCANCEL},
     IDOK},
    {{IDD_KEY_CREATE, kPopupDialog, 0, 0, 0, 191, 68, kKeyCreateCaption},
     {
         {-1, kStatic, kKeyPasswordLabel, 0x50020000, 0, 20, 20, 52, 8},
         {-1, kStatic, kConfirmLabel, 0x50020000, 0, 4, 36, 68, 8},
         {IDC_KEY_PASSWORD, kEdit, kEmpty, 0x508100A0, 0, 73, 17, 114, 14},
         {IDC_KEY_PASSWORD_CONFIRM, kEdit, kEmpty, 0x508100A0, 0, 73, 33, 114, 14},
         {IDOK, kButton, kGenerate, 0x50010001, 0, 88, 51, 50, 14},
         {IDCANCEL, kButton, kCancel, 0x50010000, 0, 141, 51, 50, 14},
         {IDC_STATUS, kStatic, kStaticPlaceholder, 0x50020000, 0x00000200, 0, 0, 191, 13},
     },
     {IDC_KEY_PASSWORD, IDC_KEY_PASSWORD_CONFIRM, IDOK, IDCANCEL},
     IDOK},
};

// wchar_t is UTF-16 here; gtest prints wide strings on failure.
std::wstring Wide(const Text& text) { return reinterpret_cast<const wchar_t*>(text.utf16); }

void PrintTo(const ExpectedDialog& d, std::ostream* out) { *out << "dialog " << d.header.id; }

const WORD kJapanese = MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT);

// The bytes of one Japanese resource of this program, empty when it is missing.
std::string ResourceBytes(LPCSTR type, int id) {
  HMODULE module = GetModuleHandleA(nullptr);
  HRSRC found = FindResourceExA(module, type, MAKEINTRESOURCEA(id), kJapanese);
  if (found == nullptr) return std::string();
  HGLOBAL loaded = LoadResource(module, found);
  const void* data = loaded != nullptr ? LockResource(loaded) : nullptr;
  if (data == nullptr) return std::string();
  return std::string(static_cast<const char*>(data), SizeofResource(module, found));
}

// Reads a resource front to back; any read past the end marks it failed.
struct Reader {
  const std::string& bytes;
  size_t pos = 0;
  bool ok = true;

  template <typename T>
  T Get() {
    T value{};
    if (pos + sizeof(T) > bytes.size()) {
      ok = false;
      return value;
    }
    memcpy(&value, bytes.data() + pos, sizeof(T));
    pos += sizeof(T);
    return value;
  }
  void AlignToDword() { pos = (pos + 3) & ~size_t(3); }
  std::wstring String() {
    std::wstring text;
    for (wchar_t c = Get<wchar_t>(); ok && c != 0; c = Get<wchar_t>()) text += c;
    return text;
  }
};

// A name-or-ordinal field: 0 none, 0xFFFF and an ordinal, or a string.
struct NameOrOrdinal {
  uint16_t ordinal = 0;
  std::wstring name;
};

NameOrOrdinal ReadNameOrOrdinal(Reader& r) {
  NameOrOrdinal field;
  uint16_t first = r.Get<uint16_t>();
  if (first == 0xFFFF) {
    field.ordinal = r.Get<uint16_t>();
  } else if (first != 0) {
    field.name = wchar_t(first) + r.String();
  }
  return field;
}

struct Control {
  uint32_t helpId, exStyle, style;
  int16_t x, y, cx, cy;
  int32_t id;
  NameOrOrdinal windowClass, title;
  uint16_t extraBytes;
};

struct Dialog {
  uint16_t version, signature;
  uint32_t helpId, exStyle, style;
  int16_t x, y, cx, cy;
  NameOrOrdinal menu, windowClass;
  std::wstring caption;
  uint16_t pointSize, weight;
  uint8_t italic, charset;
  std::wstring typeface;
  std::vector<Control> controls;
};

// Parses a DLGTEMPLATEEX and its DLGITEMTEMPLATEEX items; false when truncated.
bool ParseDialog(const std::string& bytes, Dialog& d) {
  Reader r{bytes};
  d.version = r.Get<uint16_t>();
  d.signature = r.Get<uint16_t>();
  d.helpId = r.Get<uint32_t>();
  d.exStyle = r.Get<uint32_t>();
  d.style = r.Get<uint32_t>();
  uint16_t count = r.Get<uint16_t>();
  d.x = r.Get<int16_t>();
  d.y = r.Get<int16_t>();
  d.cx = r.Get<int16_t>();
  d.cy = r.Get<int16_t>();
  d.menu = ReadNameOrOrdinal(r);
  d.windowClass = ReadNameOrOrdinal(r);
  d.caption = r.String();
  if (d.style & DS_SETFONT) {
    d.pointSize = r.Get<uint16_t>();
    d.weight = r.Get<uint16_t>();
    d.italic = r.Get<uint8_t>();
    d.charset = r.Get<uint8_t>();
    d.typeface = r.String();
  }
  for (uint16_t i = 0; i < count && r.ok; ++i) {
    Control c;
    r.AlignToDword();
    c.helpId = r.Get<uint32_t>();
    c.exStyle = r.Get<uint32_t>();
    c.style = r.Get<uint32_t>();
    c.x = r.Get<int16_t>();
    c.y = r.Get<int16_t>();
    c.cx = r.Get<int16_t>();
    c.cy = r.Get<int16_t>();
    c.id = r.Get<int32_t>();
    c.windowClass = ReadNameOrOrdinal(r);
    c.title = ReadNameOrOrdinal(r);
    c.extraBytes = r.Get<uint16_t>();
    r.pos += c.extraBytes;
    d.controls.push_back(c);
  }
  return r.ok && r.pos <= bytes.size();
}

class DialogResource : public ::testing::TestWithParam<ExpectedDialog> {};

TEST_P(DialogResource, TemplateHoldsTheExpectedValues) {
  const ExpectedDialog& want = GetParam();
  std::string bytes = ResourceBytes(MAKEINTRESOURCEA(5) /* RT_DIALOG */, want.header.id);
  ASSERT_FALSE(bytes.empty()) << "no Japanese dialog " << want.header.id;
  Dialog d;
  ASSERT_TRUE(ParseDialog(bytes, d));

  EXPECT_EQ(d.version, 1);
  EXPECT_EQ(d.signature, 0xFFFF);  // the extended form
  EXPECT_EQ(d.helpId, 0u);
  EXPECT_EQ(d.style, want.header.style) << std::hex << d.style;
  EXPECT_EQ(d.exStyle, want.header.exStyle) << std::hex << d.exStyle;
  EXPECT_EQ(d.x, want.header.x);
  EXPECT_EQ(d.y, want.header.y);
  EXPECT_EQ(d.cx, want.header.cx);
  EXPECT_EQ(d.cy, want.header.cy);
  EXPECT_EQ(d.menu.ordinal, 0);
  EXPECT_TRUE(d.menu.name.empty());
  EXPECT_EQ(d.windowClass.ordinal, 0);
  EXPECT_TRUE(d.windowClass.name.empty());
  EXPECT_EQ(d.caption, Wide(want.header.caption));
  EXPECT_EQ(d.pointSize, 8);
  EXPECT_EQ(d.weight, 400);
  EXPECT_EQ(d.italic, 0);
  EXPECT_EQ(d.charset, DEFAULT_CHARSET);
  EXPECT_EQ(d.typeface, L"MS Shell Dlg");

  ASSERT_EQ(d.controls.size(), want.controls.size());
  for (size_t i = 0; i < want.controls.size(); ++i) {
    const Control& c = d.controls[i];
    const ExpectedControl& w = want.controls[i];
    SCOPED_TRACE("control #" + std::to_string(i + 1) + ", id " + std::to_string(w.id));
    EXPECT_EQ(c.id, w.id);
    EXPECT_EQ(c.windowClass.ordinal, w.classAtom);
    EXPECT_TRUE(c.windowClass.name.empty());
    EXPECT_EQ(c.title.ordinal, 0);
    EXPECT_EQ(c.title.name, Wide(w.text));
    EXPECT_EQ(c.style, w.style) << std::hex << c.style;
    EXPECT_EQ(c.exStyle, w.exStyle) << std::hex << c.exStyle;
    EXPECT_EQ(c.helpId, 0u);
    EXPECT_EQ(c.x, w.x);
    EXPECT_EQ(c.y, w.y);
    EXPECT_EQ(c.cx, w.cx);
    EXPECT_EQ(c.cy, w.cy);
    EXPECT_EQ(c.extraBytes, 0);
  }
}

INT_PTR CALLBACK IdleDlgProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

std::string WindowText(HWND hwnd) {
  char text[1024] = {};
  GetWindowTextA(hwnd, text, sizeof text);
  return text;
}

TEST_P(DialogResource, CreatedDialogShowsTheTextsInCodePage932) {
  const ExpectedDialog& want = GetParam();
  HWND dlg = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(want.header.id), nullptr, IdleDlgProc, 0);
  ASSERT_NE(dlg, nullptr) << "error " << GetLastError();
  EXPECT_EQ(WindowText(dlg), want.header.caption.cp932);

  // Child windows come in template order.
  HWND child = GetWindow(dlg, GW_CHILD);
  for (size_t i = 0; i < want.controls.size(); ++i, child = GetWindow(child, GW_HWNDNEXT)) {
    const ExpectedControl& w = want.controls[i];
    SCOPED_TRACE("control #" + std::to_string(i + 1) + ", id " + std::to_string(w.id));
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(GetDlgCtrlID(child), w.id);
    char className[32] = {};
    GetClassNameA(child, className, sizeof className);
    const char* wantClass = w.classAtom == kButton ? "Button" : w.classAtom == kEdit ? "Edit" : "Static";
    EXPECT_EQ(lstrcmpiA(className, wantClass), 0) << className;
    EXPECT_EQ(WindowText(child), w.text.cp932);
    if (w.id != -1) {
      char text[1024] = {};
      GetDlgItemTextA(dlg, w.id, text, sizeof text);
      EXPECT_STREQ(text, w.text.cp932);
    }
  }
  EXPECT_EQ(child, nullptr) << "more controls than expected";

  std::vector<int> tabOrder;
  HWND first = GetNextDlgTabItem(dlg, nullptr, FALSE);
  for (HWND item = first; item != nullptr && tabOrder.size() <= want.controls.size();) {
    tabOrder.push_back(GetDlgCtrlID(item));
    item = GetNextDlgTabItem(dlg, item, FALSE);
    if (item == first) break;
  }
  EXPECT_EQ(tabOrder, want.tabOrder);

  // Enter presses this button.
  LRESULT defId = SendMessageA(dlg, DM_GETDEFID, 0, 0);
  EXPECT_EQ(HIWORD(defId), DC_HASDEFID);
  EXPECT_EQ(LOWORD(defId), want.defaultButton);
  DestroyWindow(dlg);
}

INSTANTIATE_TEST_SUITE_P(AllDialogs, DialogResource, ::testing::ValuesIn(kDialogs),
                         [](const ::testing::TestParamInfo<ExpectedDialog>& info) {
                           return "Dialog" + std::to_string(info.param.header.id);
                         });

TEST(MainDialog, IsAHiddenOverlappedWindowWithAMinimizeBox) {
  HWND dlg = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_MAIN), nullptr, IdleDlgProc, 0);
  ASSERT_NE(dlg, nullptr);
  LONG style = GetWindowLongA(dlg, GWL_STYLE);
  EXPECT_EQ(style & WS_POPUP, 0);
  EXPECT_EQ(style & WS_VISIBLE, 0);  // shown only once centred
  EXPECT_NE(style & WS_MINIMIZEBOX, 0);
  EXPECT_EQ(GetWindow(dlg, GW_OWNER), nullptr);
  DestroyWindow(dlg);
}

#pragma pack(push, 2)
struct GroupIconEntry {
  BYTE width, height, colourCount, reserved;
  WORD planes, bitCount;
  DWORD bytes;
  WORD id;
};
#pragma pack(pop)

TEST(IconResource, IsOne256ColourImageOf73By66) {
  std::string group = ResourceBytes(MAKEINTRESOURCEA(14) /* RT_GROUP_ICON */, IDI_MAIN);
  ASSERT_EQ(group.size(), 6 + sizeof(GroupIconEntry));
  WORD header[3];
  memcpy(header, group.data(), sizeof header);
  EXPECT_EQ(header[0], 0);
  EXPECT_EQ(header[1], 1);  // icon, not cursor
  EXPECT_EQ(header[2], 1);  // one image
  GroupIconEntry entry;
  memcpy(&entry, group.data() + 6, sizeof entry);
  EXPECT_EQ(entry.width, 73);
  EXPECT_EQ(entry.height, 66);
  EXPECT_EQ(entry.colourCount, 0);  // 0 stands for 256
  EXPECT_EQ(entry.planes, 1);
  EXPECT_EQ(entry.bitCount, 8);

  std::string image = ResourceBytes(MAKEINTRESOURCEA(3) /* RT_ICON */, entry.id);
  ASSERT_EQ(image.size(), entry.bytes);
  ASSERT_GE(image.size(), sizeof(BITMAPINFOHEADER));
  BITMAPINFOHEADER info;
  memcpy(&info, image.data(), sizeof info);
  EXPECT_EQ(info.biWidth, 73);
  EXPECT_EQ(info.biHeight, 2 * 66);  // colour bits and mask
  EXPECT_EQ(info.biBitCount, 8);
  EXPECT_EQ(info.biCompression, DWORD(BI_RGB));
  const size_t colourRow = 76, maskRow = 12;  // rows padded to whole DWORDs
  const size_t pixels = sizeof info + 256 * 4, mask = pixels + colourRow * 66;
  ASSERT_EQ(image.size(), mask + maskRow * 66);

  // Transparent round the edges, opaque in the middle of the ring.
  auto transparent = [&](int x, int y) {
    uint8_t bits = image[mask + (65 - y) * maskRow + x / 8];
    return (bits & (0x80 >> (x % 8))) != 0;
  };
  EXPECT_TRUE(transparent(0, 0));
  EXPECT_TRUE(transparent(72, 0));
  EXPECT_TRUE(transparent(0, 65));
  int opaque = 0;
  for (int y = 0; y < 66; ++y)
    for (int x = 0; x < 73; ++x) opaque += !transparent(x, y);
  EXPECT_GT(opaque, 73 * 66 / 5);
}

TEST(IconResource, LoadsAsTheSmallWindowIcon) {
  HINSTANCE module = GetModuleHandleA(nullptr);
  HICON icon = LoadIconA(module, MAKEINTRESOURCEA(IDI_MAIN));
  EXPECT_NE(icon, nullptr);
  HANDLE small = LoadImageA(module, MAKEINTRESOURCEA(IDI_MAIN), IMAGE_ICON, 16, 16, 0);
  ASSERT_NE(small, nullptr);
  DestroyIcon(static_cast<HICON>(small));
}

class VersionRecord : public ::testing::Test {
 protected:
  void SetUp() override {
    wchar_t path[MAX_PATH] = {};
    ASSERT_NE(GetModuleFileNameW(nullptr, path, MAX_PATH), 0u);
    DWORD size = GetFileVersionInfoSizeW(path, nullptr);
    ASSERT_NE(size, 0u);
    block.resize(size);
    ASSERT_TRUE(GetFileVersionInfoW(path, 0, size, block.data()));
  }
  std::wstring Value(const wchar_t* query) {
    void* value = nullptr;
    UINT chars = 0;
    if (!VerQueryValueW(block.data(), query, &value, &chars) || value == nullptr) return L"<missing>";
    return static_cast<const wchar_t*>(value);
  }
  std::vector<char> block;
};

TEST_F(VersionRecord, FixedPart) {
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT size = 0;
  ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &size));
  ASSERT_EQ(size, sizeof(VS_FIXEDFILEINFO));
  EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
  EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u);
  EXPECT_EQ(fixed->dwFileVersionLS, 0x00000001u);
  EXPECT_EQ(fixed->dwProductVersionMS, 0x00010000u);
  EXPECT_EQ(fixed->dwProductVersionLS, 0x00000001u);
  EXPECT_EQ(fixed->dwFileFlagsMask, 0x17u);
  EXPECT_EQ(fixed->dwFileFlags, 0u);
  EXPECT_EQ(fixed->dwFileOS, 0x4u);
  EXPECT_EQ(fixed->dwFileType, 0u);
}

TEST_F(VersionRecord, JapaneseUnicodeStrings) {
  WORD* translation = nullptr;
  UINT size = 0;
  ASSERT_TRUE(
      VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation), &size));
  ASSERT_EQ(size, 4u);
  EXPECT_EQ(translation[0], 0x0411);
  EXPECT_EQ(translation[1], 0x04B0);

  struct Entry {
    const wchar_t* query;
    const wchar_t* value;
  };
  const Entry entries[] = {
      {L"\\StringFileInfo\\041104b0\\Comments", L"Sorrel Ver1.0"},
      {L"\\StringFileInfo\\041104b0\\FileDescription", L"Sorrel"},
      {L"\\StringFileInfo\\041104b0\\InternalName", L"Sorrel"},
      {L"\\StringFileInfo\\041104b0\\OriginalFilename", L"Sorrel"},
      {L"\\StringFileInfo\\041104b0\\ProductName", L"Sorrel"},
      {L"\\StringFileInfo\\041104b0\\FileVersion", L"1, 0, 0, 1"},
      {L"\\StringFileInfo\\041104b0\\ProductVersion", L"1, 0, 0, 1"},
  };
  for (const Entry& e : entries) EXPECT_EQ(Value(e.query), e.value);
}

BOOL CALLBACK CollectLanguage(HMODULE, LPCSTR, LPCSTR, WORD language, LONG_PTR list) {
  reinterpret_cast<std::vector<WORD>*>(list)->push_back(language);
  return TRUE;
}

// A second copy in another language (a toolchain's default manifest, a stray
// script) would leave the loader to pick one of them.
TEST(AllResources, ExistInJapaneseOnly) {
  const struct {
    int type, id;
  } resources[] = {
      {5, IDD_MAIN}, {5, IDD_SETTINGS}, {5, IDD_KEY_PASSWORD}, {5, IDD_KEY_CREATE}, {14, IDI_MAIN}, {16, 1}, {24, 1}};
  for (const auto& r : resources) {
    std::vector<WORD> languages;
    EnumResourceLanguagesA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(r.type), MAKEINTRESOURCEA(r.id), CollectLanguage,
                           reinterpret_cast<LONG_PTR>(&languages));
    EXPECT_EQ(languages, std::vector<WORD>{kJapanese}) << "type " << r.type << ", id " << r.id;
  }
}

TEST(ManifestResource, IsAnEmptyAssembly) {
  // No common controls version 6 and no execution level: the classic look.
  const std::string want =
      "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
      "<assembly xmlns=\"urn:schemas-microsoft-com:asm.v1\" manifestVersion=\"1.0\">\n"
      "</assembly>\n";
  EXPECT_EQ(ResourceBytes(MAKEINTRESOURCEA(24) /* RT_MANIFEST */, 1), want);
}

}  // namespace
