// sorrel-cli run as a user runs it, checked against the engine's own results.
#include <ctype.h>
#include <gtest/gtest.h>
#include <string.h>

#include <algorithm>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "args.h"
#include "cli_process.h"
#include "console.h"
#ifdef _WIN32
#include "clipboard_service.h"
#else
#include <errno.h>
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>
#endif
#include "derive.h"
#include "key_check.h"
#include "keyfile.h"
#include "platform.h"
#include "sealed_key.h"
#include "settings.h"
#include "test_files.h"

namespace {

// Texts in both forms: what the user types (UTF-8) and what the engine takes.
struct Text {
  const char* utf8;
  const char* cp932;
};
const Text KP_JAPANESE = {u8"秘密の鍵パスワード",
                          "\x94\xe9\x96\xa7\x82\xcc\x8c\xae\x83\x70\x83\x58\x83\x8f\x81\x5b\x83\x68"};
const Text KP_ASCII = {"correct horse", "correct horse"};
const Text PP_TABLE = {u8"表計算ソフト", "\x95\x5c\x8c\x76\x8e\x5a\x83\x5c\x83\x74\x83\x67"};
const Text PP_HALF_WIDTH = {u8"ﾊﾟｽﾜｰﾄﾞ", "\xca\xdf\xbd\xdc\xb0\xc4\xde"};
const Text PP_CIRCLED = {u8"①②③④", "\x87\x40\x87\x41\x87\x42\x87\x43"};
const Text PP_SITE = {u8"予約サイト", "\x97\x5c\x96\xf1\x83\x54\x83\x43\x83\x67"};
const Text KP_KANA = {u8"ひみつのかぎ", "\x82\xd0\x82\xdd\x82\xc2\x82\xcc\x82\xa9\x82\xac"};
const Text KP_HALF_WIDTH = {u8"ｶｷﾞｦｶｴﾙ123", "\xb6\xb7\xde\xa6\xb6\xb4\xd9\x31\x32\x33"};
const Text KP_KANJI = {u8"漢字の新しい鍵", "\x8a\xbf\x8e\x9a\x82\xcc\x90\x56\x82\xb5\x82\xa2\x8c\xae"};
const Text KP_HALF_WIDTH_SHORT = {u8"ﾊﾟｽﾜｰﾄﾞ12", "\xca\xdf\xbd\xdc\xb0\xc4\xde\x31\x32"};
// 表 and ソ end in 0x5C: a key password byte that is a backslash.
const Text KP_TABLE = {u8"表計算ソフトの鍵", "\x95\x5c\x8c\x76\x8e\x5a\x83\x5c\x83\x74\x83\x67\x82\xcc\x8c\xae"};

// A fixed key whose passwords the engine's tests know by heart.
const char FIXED_KEY_HEX[] =
    "3e34324d5b5e481b52402e5d484f44585b4d4551044b4e080a1d141907061611055007011f1f0e09061a1503"
    "0610430a0e282a3d343927263631257027213f3f2e29263a35232630632a2e4b4a5d5b584544535641145c5c"
    "414157525e42421b1e085b08302c00";

const uint32_t ALL_CLASSES = OPT_DIGITS | OPT_LOWER | OPT_UPPER | OPT_SYMBOLS;

bool Contains(const std::string& haystack, const std::string& needle) {
  return haystack.find(needle) != std::string::npos;
}

// Windows writes backslashes; a 0x5C second byte (as in 表) is no separator.
std::string WithSlashes(std::string path) {
  for (size_t i = 0; i < path.size(); ++i) {
    if (PlatformIsLeadByte((unsigned char)path[i])) {
      ++i;
    } else if (path[i] == '\\') {
      path[i] = '/';
    }
  }
  return path;
}

class Cli : public ::testing::Test {
 protected:
  std::string dir;       // code page 932, relative, ASCII
  std::string keyA;      // masked with KP_JAPANESE
  std::string keyB;      // masked with KP_ASCII, in a directory named 表
  std::string settings;  // defaults, naming keyA

  void SetUp() override {
    dir = ScratchDir("cli");
    keyA = MakeKey(dir + "a.key", KP_JAPANESE.cp932);
    const std::string tableDir = dir + "\x95\x5c/";  // 表
    EXPECT_TRUE(MakeDirectory(tableDir));
    keyB = MakeKey(tableDir + "b.key", KP_ASCII.cp932);
    settings = MakeSettings("setting.ini", keyA, [](SettingsRecord*) {});
  }

  static std::string MakeKey(const std::string& path, const char* keyPassword) {
    unsigned char key[KEY_BUFFER_SIZE];
    EXPECT_EQ(CreateKey(key, keyPassword), KEY_FILE_SIZE);
    EXPECT_TRUE(WriteKeyFile(path.c_str(), key, KEY_FILE_SIZE));
    return path;
  }

  template <typename Change>
  std::string MakeSettings(const std::string& name, const std::string& keyPath, Change change) {
    SettingsRecord s;
    SetDefaultSettings(&s, keyPath.c_str());
    change(&s);
    EXPECT_TRUE(SaveSettingsTo((dir + name).c_str(), s));
    return dir + name;
  }

  // What the engine derives; "<false>" when it gives no password.
  static std::string Expected(const std::string& settingsPath, const std::string& keyOverride, const char* keyPassword,
                              const char* passPhrase, int32_t length, uint32_t classes) {
    SettingsRecord s;
    if (!LoadSettingsFrom(settingsPath.c_str(), &s)) return "<no settings>";
    if (classes) s.optionFlags = classes;
    if (length == 0) length = s.passwordLength;
    unsigned char key[KEY_BUFFER_SIZE] = {};
    int count = ReadKeyFile(keyOverride.empty() ? s.keyFilePath : keyOverride.c_str(), key);
    char out[TEXT_CAPACITY] = {};
    if (!DerivePassword(s, key, count, keyPassword, passPhrase, length, out)) return "<false>";
    return std::string(out, (size_t)length);
  }

  // generate with the fixture's settings file unless args name another.
  CliRun Generate(std::vector<std::string> args, const std::string& input) {
    if (std::find(args.begin(), args.end(), "--settings") == args.end()) {
      args.insert(args.begin(), {"--settings", settings});
    }
    args.insert(args.begin(), "generate");
    return RunCli(args, Terminal(input));
  }
};

}  // namespace

TEST_F(Cli, PrintsWhatTheEngineDerives) {
  const std::string longest(1023, 'q'), keyBArgument = Utf8FromCp932(keyB);
  struct Case {
    const char* name;
    std::vector<std::string> args;  // after generate --settings FILE
    std::string input;              // typed, UTF-8
    const char* keyPassword;        // as the engine takes them
    const char* passPhrase;
    int32_t length;    // 0: the record's
    uint32_t classes;  // 0: the record's
    bool useKeyB;
  } cases[] = {
      {"ascii pass phrase",
       {"example.com"},
       std::string(KP_JAPANESE.utf8) + "\n",
       KP_JAPANESE.cp932,
       "example.com",
       0,
       0,
       false},
      {"Japanese pass phrase argument",
       {PP_TABLE.utf8},
       std::string(KP_JAPANESE.utf8) + "\n",
       KP_JAPANESE.cp932,
       PP_TABLE.cp932,
       0,
       0,
       false},
      {"Japanese pass phrase piped",
       {},
       std::string(KP_JAPANESE.utf8) + "\n" + PP_TABLE.utf8 + "\n",
       KP_JAPANESE.cp932,
       PP_TABLE.cp932,
       0,
       0,
       false},
      {"half-width katakana",
       {},
       std::string(KP_JAPANESE.utf8) + "\n" + PP_HALF_WIDTH.utf8 + "\n",
       KP_JAPANESE.cp932,
       PP_HALF_WIDTH.cp932,
       0,
       0,
       false},
      {"NEC special characters",
       {PP_CIRCLED.utf8},
       std::string(KP_JAPANESE.utf8) + "\n",
       KP_JAPANESE.cp932,
       PP_CIRCLED.cp932,
       0,
       0,
       false},
      {"CR LF line ends",
       {},
       std::string(KP_JAPANESE.utf8) + "\r\n" + PP_SITE.utf8 + "\r\n",
       KP_JAPANESE.cp932,
       PP_SITE.cp932,
       0,
       0,
       false},
      {"no line end at the end",
       {},
       std::string(KP_JAPANESE.utf8) + "\n" + PP_SITE.utf8,
       KP_JAPANESE.cp932,
       PP_SITE.cp932,
       0,
       0,
       false},
      {"input after the pass phrase is left",
       {},
       std::string(KP_JAPANESE.utf8) + "\nabcd\nmore\n",
       KP_JAPANESE.cp932,
       "abcd",
       0,
       0,
       false},
      {"spaces are kept", {}, std::string(KP_JAPANESE.utf8) + "\n a b \n", KP_JAPANESE.cp932, " a b ", 0, 0, false},
      // A key password put in force that the key was not made with.
      {"wrong key password, not verified",
       {"--no-verify", "example.com"},
       "wrong password\n",
       "wrong password",
       "example.com",
       0,
       0,
       false},
      {"length 1",
       {"--length", "1", "example.com"},
       std::string(KP_JAPANESE.utf8) + "\n",
       KP_JAPANESE.cp932,
       "example.com",
       1,
       0,
       false},
      {"length 1023",
       {"--length=1023", "example.com"},
       std::string(KP_JAPANESE.utf8) + "\n",
       KP_JAPANESE.cp932,
       "example.com",
       1023,
       0,
       false},
      {"longest pass phrase",
       {},
       std::string(KP_JAPANESE.utf8) + "\n" + longest + "\n",
       KP_JAPANESE.cp932,
       longest.c_str(),
       0,
       0,
       false},
      {"overridden key",
       {"--key", keyBArgument, "example.com"},
       "correct horse\n",
       KP_ASCII.cp932,
       "example.com",
       0,
       0,
       true},
      {"overridden key and length",
       {"--key=" + keyBArgument, "--length", "40", PP_TABLE.utf8},
       "correct horse\n",
       KP_ASCII.cp932,
       PP_TABLE.cp932,
       40,
       0,
       true},
      {"pass phrase after --",
       {"--", "-dash-"},
       std::string(KP_JAPANESE.utf8) + "\n",
       KP_JAPANESE.cp932,
       "-dash-",
       0,
       0,
       false},
  };
  for (const Case& c : cases) {
    std::string expected = Expected(settings, c.useKeyB ? keyB : "", c.keyPassword, c.passPhrase, c.length, c.classes);
    ASSERT_NE(expected, "<false>") << c.name;
    CliRun run = Generate(c.args, c.input);
    EXPECT_EQ(run.status, 0) << c.name << ": " << run.err;
    EXPECT_EQ(run.out, expected + "\n") << c.name;
    EXPECT_EQ(run.err, "") << c.name;
  }
}

TEST_F(Cli, EveryClassSubsetGivesTheEnginesPassword) {
  const char* names[] = {"digits", "lower", "upper", "symbols"};
  const uint32_t flags[] = {OPT_DIGITS, OPT_LOWER, OPT_UPPER, OPT_SYMBOLS};
  for (int subset = 1; subset < 16; ++subset) {
    std::string list;
    uint32_t classes = 0;
    for (int i = 0; i < 4; ++i) {
      if (!(subset & (1 << i))) continue;
      list += (list.empty() ? "" : ",") + std::string(names[i]);
      classes |= flags[i];
    }
    std::string expected = Expected(settings, "", KP_JAPANESE.cp932, "example.com", 64, classes);
    CliRun run = Generate({"--classes", list, "--length", "64", "example.com"}, std::string(KP_JAPANESE.utf8) + "\n");
    EXPECT_EQ(run.status, 0) << list << ": " << run.err;
    EXPECT_EQ(run.out, expected + "\n") << list;
    // Generating changes nothing on disk.
    SettingsRecord s;
    ASSERT_TRUE(LoadSettingsFrom(settings.c_str(), &s));
    EXPECT_EQ(s.optionFlags, (uint32_t)DEFAULT_OPTION_FLAGS);
  }
}

// Fixed keys whose passwords are known by heart: derivation 1's from the
// engine's tests, derivation 2's published vector.
TEST_F(Cli, GivesTheKnownPasswordOfAFixedKey) {
  // The key alphabet in its own order, masked with "correct horse".
  const char VECTOR_KEY_HEX[] =
      "535f4343575147135c5b4746535558454a5d5a4d612a2c36362324273b382e2f396e273f232136373a24253d3a2e410a0c161603"
      "04071b180e0f194e071f030116171a04051d1a0e014b4b57554d4a45595e484d280f52544e4e5b5c2f292f3b3c145b14120c00";
  auto write = [this](const char* name, const char* hex) {
    std::string bytes;
    for (const char* p = hex; *p; p += 2) bytes += (char)std::stoi(std::string(p, 2), nullptr, 16);
    EXPECT_TRUE(WriteBytes(dir + name, bytes));
    return dir + name;
  };
  const std::string fixed = write("fixed.key", FIXED_KEY_HEX), vector = write("vector.key", VECTOR_KEY_HEX);
  const uint32_t D2 = OPT_DERIVATION_2;
  struct Case {
    const char* name;
    std::string key;
    uint32_t flags;  // of the settings file
    int32_t length;
    std::vector<std::string> args;
    std::string expected;  // "": derivation 1 from the engine, bit 32 cleared
  } cases[] = {
      {"derivation 1", fixed, DEFAULT_OPTION_FLAGS, 16, {"example.com"}, "#23]X59X/spjXj#X"},
      {"derivation 1, digits",
       fixed,
       DEFAULT_OPTION_FLAGS,
       16,
       {"--classes", "digits", "example.com"},
       "4375709279161860"},
      {"derivation 2 in the settings", vector, 63, 16, {"example.com"}, "-*r|em5W#J*=3udn"},
      {"derivation 2, digits", vector, D2 | OPT_DIGITS, 6, {"bank"}, "797938"},
      {"--derivation 2 over derivation 1",
       vector,
       DEFAULT_OPTION_FLAGS,
       16,
       {"--derivation", "2", "example.com"},
       "-*r|em5W#J*=3udn"},
      {"--classes keeps derivation 2", vector, 63, 6, {"--classes", "digits", "bank"}, "797938"},
      {"--derivation=2 with --classes and --length",
       vector,
       DEFAULT_OPTION_FLAGS,
       16,
       {"--derivation=2", "--classes", "digits", "--length", "6", "bank"},
       "797938"},
      {"--derivation 1 over derivation 2", vector, 63, 16, {"--derivation", "1", "example.com"}, ""},
      {"--derivation 1, digits", vector, D2 | OPT_DIGITS, 6, {"--derivation", "1", "bank"}, ""},
  };
  for (const Case& c : cases) {
    const std::string ini = MakeSettings("known.ini", c.key, [&c](SettingsRecord* s) {
      s->optionFlags = c.flags;
      s->passwordLength = c.length;
    });
    // Derivation 1 as the engine gives it, for the record without bit 32.
    const std::string expected =
        c.expected.empty() ? Expected(ini, "", "correct horse", c.args.back().c_str(), 0, c.flags & ~D2) : c.expected;
    std::vector<std::string> args = {"--settings", ini};
    args.insert(args.end(), c.args.begin(), c.args.end());
    CliRun run = Generate(args, "correct horse\n");
    EXPECT_EQ(run.out, expected + "\n") << c.name << ": " << run.err;
  }
}

TEST_F(Cli, NamesEachFailureAndWhatToDo) {
  std::string missingKey = MakeSettings("missing-key.ini", dir + "nothing.key", [](SettingsRecord*) {});
  std::string length0 = MakeSettings("length0.ini", keyA, [](SettingsRecord* s) { s->passwordLength = 0; });
  std::string negative = MakeSettings("negative.ini", keyA, [](SettingsRecord* s) { s->passwordLength = -1; });
  std::string length1024 = MakeSettings("length1024.ini", keyA, [](SettingsRecord* s) { s->passwordLength = 1024; });
  std::string noClass = MakeSettings("noclass.ini", keyA, [](SettingsRecord* s) { s->optionFlags = OPT_CLIPBOARD; });
  ASSERT_TRUE(WriteBytes(dir + "short.ini", std::string(523, '\0')));
  ASSERT_TRUE(WriteBytes(dir + "long.key", ReadBytes(keyA) + "x"));
  const std::string kp = std::string(KP_JAPANESE.utf8) + "\n", settingsKey = Utf8FromCp932(keyA);
  struct Case {
    const char* name;
    std::vector<std::string> args;
    std::string input;
    std::string message;
  } cases[] = {
      {"no settings file",
       {"--settings", dir + "none.ini", "abcd"},
       kp,
       "the settings file could not be read: " + dir +
           "none.ini: No such file or directory\nsorrel-cli: to start, make a key file with 'sorrel-cli new-key "
           "FILE', then the settings that name it with 'sorrel-cli init --key FILE'"},
      {"short settings file",
       {"--settings", dir + "short.ini", "abcd"},
       kp,
       "523 bytes, where a settings file has 524"},
      {"key file missing",
       {"--settings", missingKey, "abcd"},
       kp,
       "the key file could not be read: " + dir +
           "nothing.key: No such file or directory\n"
           "sorrel-cli: name the key file with --key FILE, or point the settings at it with 'sorrel-cli configure"},
      {"overriding key missing", {"--key", dir + "nothing.key", "abcd"}, kp, "the key file could not be read"},
      {"pass phrase argument of 3 bytes", {"abc"}, kp, "a pass phrase has at least 4 bytes"},
      {"pass phrase of 3 bytes", {}, kp + "abc\n", "a pass phrase has at least 4 bytes"},
      // 表 is three bytes in UTF-8 but two in code page 932, which is what counts.
      {"pass phrase of 2 code page 932 bytes", {}, kp + u8"表\n", "a pass phrase has at least 4 bytes"},
      {"length 0 in the record", {"--settings", length0, "abcd"}, kp, "length is 0, where it is 1 to 1023"},
      {"negative length", {"--settings", negative, "abcd"}, kp, "length is -1, where it is 1 to 1023"},
      {"length 1024 in the record", {"--settings", length1024, "abcd"}, kp, "length is 1024, where it is 1 to 1023"},
      {"no class in the record", {"--settings", noClass, "abcd"}, kp, "the settings enable no character class"},
      {"key password of 7 bytes", {"abcd"}, "1234567\n", "a key password has at least 8 bytes"},
      // How it usually happens first, the way to derive anyway last.
      {"wrong key password",
       {"abcd"},
       "wrong password\n",
       "does not open this key file: " + settingsKey +
           "\nsorrel-cli: usually it was mistyped: a typo, Caps Lock on, "
           "or the input mode left on full-width; type it again (or the key file is damaged)\nsorrel-cli: nothing "
           "derived; only if the settings dialog put in force a key password that this key was not made with, "
           "--no-verify derives with it anyway\n"},
      {"key file of 104 bytes", {"--key", dir + "long.key", "abcd"}, kp, "104 bytes, where a key file has 103"},
      {"no key password", {"abcd"}, "", "no input left: the key password"},
      {"no pass phrase", {}, kp, "no input left: the pass phrase"},
      {"unmappable pass phrase argument",
       {u8"café1234"},
       kp,
       "the pass phrase given as an argument holds the character U+00E9, which code page 932 cannot hold"},
      {"zero byte in a pass phrase", {}, kp + std::string("ab\0cdef\n", 8), "code page 932"},
      {"pass phrase of 1024 bytes", {}, kp + std::string(1024, 'q') + "\n", "too long: the pass phrase"},
      {"key password of 4096 bytes", {"abcd"}, std::string(4096, 'k') + "\n", "too long: the key password"},
  };
  for (const Case& c : cases) {
    CliRun run = Generate(c.args, c.input);
    EXPECT_EQ(run.status, 1) << c.name;
    EXPECT_TRUE(Contains(run.err, Terminal(c.message))) << c.name << " gave: " << run.err;
    EXPECT_EQ(run.out, "") << c.name;
  }
}

#ifndef _WIN32
// Under Windows a pipe carries the console's code page, which has no é to send.
TEST_F(Cli, RefusesPipedTextCodePage932CannotHold) {
  const struct {
    const char* input;
    const char* message;  // the character named, and where it was
  } cases[] = {
      {u8"café-password\nabcd\n", "the key password holds the character U+00E9"},
      {u8"秘密の鍵パスワード\n😀abcd\n", "the pass phrase typed or piped holds the character U+1F600"},
      {"\xff\xfe invalid\nabcd\n", "cannot be represented in code page 932"},
  };
  for (const auto& c : cases) {
    CliRun run = Generate({}, c.input);
    EXPECT_EQ(run.status, 1) << c.input;
    EXPECT_TRUE(Contains(run.err, c.message)) << run.err;
    EXPECT_EQ(run.out, "");
  }
}
#endif

#ifdef _WIN32
// The command line reaches the program in UTF-16: what code page 932 lacks is
// refused, never taken as a best fit (é is not e), unlike the dialog
// program's fields; ～ (U+FF5E) is 81 60.
TEST_F(Cli, ArgumentsCodePage932LacksAreRefused) {
  struct Case {
    const char* typed;
    const char* bytes;  // null: refused, naming the character
    const char* named;
  } cases[] = {
      {u8"caf\u00e9-key", nullptr, "U+00E9"},
      {u8"\u301c-wave-key", nullptr, "U+301C"},
      {u8"\uff5e-wave-key", "\x81\x60-wave-key", nullptr},
      {u8"\U0001F600-face-key", nullptr, "U+1F600"},
  };
  for (const Case& c : cases) {
    CliRun run = Generate({c.typed}, std::string(KP_JAPANESE.utf8) + "\n");
    if (c.bytes) {
      EXPECT_EQ(run.status, 0) << c.typed << run.err;
      EXPECT_EQ(run.out, Expected(settings, "", KP_JAPANESE.cp932, c.bytes, 0, 0) + "\n");
    } else {
      EXPECT_EQ(run.status, 1) << c.typed;
      EXPECT_TRUE(Contains(run.err, std::string("the pass phrase given as an argument holds the character ") + c.named +
                                        ", which code page 932 cannot hold"))
          << run.err;
      EXPECT_EQ(run.out, "");
    }
  }
}
#endif

TEST_F(Cli, UsageErrorsExitWithTwo) {
  struct Case {
    std::vector<std::string> args;
    const char* message;
  } cases[] = {
      {{}, "no command given"},
      {{"frobnicate"}, "unknown command"},
      {{"generate", "--length", "0"}, "--length takes a number from 1 to 1023, not '0'"},
      {{"generate", "--length", "1024"}, "--length takes a number from 1 to 1023, not '1024'"},
      {{"generate", "--classes", ""}, "--classes takes a comma-separated list"},
      {{"generate", "--classes", "hex"}, "unknown class"},
      {{"generate", "--bogus"}, "unknown option"},
      {{"generate", "a", "b"}, "unexpected argument"},
      {{"new-key"}, "needs a FILE"},
      {{"init"}, "init needs --key"},
      {{"show-settings", "--force"}, "does not apply"},
      {{"generate", "--derivation", "3"}, "--derivation takes 1 or 2"},
      {{"verify", "--derivation", "2"}, "does not apply"},
  };
  for (const Case& c : cases) {
    CliRun run = RunCli(c.args, "");
    EXPECT_EQ(run.status, 2) << testing::PrintToString(c.args);
    EXPECT_TRUE(Contains(run.err, Terminal(c.message))) << run.err;
    EXPECT_TRUE(Contains(run.err, "sorrel-cli --help")) << run.err;
    EXPECT_EQ(run.out, "");
  }
  for (const char* version : {"--version", "-V"}) {
    CliRun run = RunCli({"generate", version}, "");
    EXPECT_EQ(run.status, 0) << version;
    EXPECT_EQ(run.out, "sorrel-cli " SORREL_CLI_VERSION "\n") << version;
  }
  CliRun help = RunCli({"--help"}, "");
  EXPECT_EQ(help.status, 0);
  for (const char* word : {"generate",
                           "new-key",
                           "init",
                           "show-settings",
                           "verify",
                           "export-key",
                           "import-key",
                           "--settings",
                           "--key",
                           "--length",
                           "--classes",
                           "--no-verify",
                           "--clip",
                           "--clip-seconds",
                           "--force",
                           "digits, lower, upper, symbols",
                           "change-key-password",
                           "--keep-old",
                           "--derivation",
                           "configure",
                           "--clipboard on|off",
                           "--version"}) {
    EXPECT_TRUE(Contains(help.out, word)) << word;
  }
}

TEST_F(Cli, NewKeyFollowsTheKeyCreationRules) {
  struct Case {
    const char* name;
    std::string first, second;  // typed, UTF-8
    const char* message;        // nullptr: a key is written
    const char* keyPassword;    // code page 932, for a written key
  } cases[] = {
      {"mismatch", "password1", "password2", "the two key passwords differ", nullptr},
      {"mismatch before length", "abc", "abd", "the two key passwords differ", nullptr},
      {"case counts", "Password1", "password1", "the two key passwords differ", nullptr},
      {"7 bytes", "1234567", "1234567", "the key password is too short: at least 8 bytes", nullptr},
      {"empty", "", "", "the key password is too short", nullptr},
      // 秘密の: nine bytes of UTF-8, six of code page 932.
      {"6 code page 932 bytes", u8"秘密の", u8"秘密の", "the key password is too short", nullptr},
      {"64 bytes", std::string(64, 'k'), std::string(64, 'k'), "too long: at most 63 bytes", nullptr},
      {"differ after 63 bytes", std::string(63, 'k') + "a", std::string(63, 'k') + "b", "differ", nullptr},
      {"8 bytes", "12345678", "12345678", nullptr, "12345678"},
      {"8 code page 932 bytes", u8"秘密の鍵", u8"秘密の鍵", nullptr, "\x94\xe9\x96\xa7\x82\xcc\x8c\xae"},
      {"63 bytes", std::string(63, 'k'), std::string(63, 'k'), nullptr,
       "kkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkk"},
  };
  for (const Case& c : cases) {
    const std::string path = dir + "new.key";
    PlatformRemoveFile(path.c_str());
    CliRun run = RunCli({"new-key", "--unsealed", path}, Terminal(c.first + "\n" + c.second + "\n"));
    if (c.message) {
      EXPECT_EQ(run.out, "") << c.name;
      EXPECT_EQ(run.status, 1) << c.name;
      EXPECT_TRUE(Contains(run.err, Terminal(c.message))) << c.name << " gave: " << run.err;
      EXPECT_FALSE(Exists(path)) << c.name;
      continue;
    }
    ASSERT_EQ(run.status, 0) << c.name << ": " << run.err;
    EXPECT_TRUE(Contains(run.out, "for copies of Sorrel 1.0.0.1 only")) << run.out;
    EXPECT_TRUE(Contains(run.out, "\nkey file written: " + path + "; next, ")) << run.out;
    std::string key = ReadBytes(path);
    ASSERT_EQ(key.size(), (size_t)KEY_FILE_SIZE) << c.name;
    MaskWithPassword((unsigned char*)&key[0], c.keyPassword, KEY_FILE_SIZE);
    std::string pool = key.substr(0, KEY_POOL_LENGTH), alphabet = KEY_ALPHABET;
    std::sort(pool.begin(), pool.end());
    std::sort(alphabet.begin(), alphabet.end());
    EXPECT_EQ(pool, alphabet) << c.name << ": the key unmasks to the key alphabet";

    // And that key generates, through the CLI, what the engine derives from it.
    CliRun generated = Generate({"--key", path, PP_TABLE.utf8}, c.first + "\n");
    EXPECT_EQ(generated.out, Expected(settings, path, c.keyPassword, PP_TABLE.cp932, 0, 0) + "\n") << c.name;
  }
}

// From a pipe a weak key password is taken with a warning, so that scripts
// go on; a strong one says nothing.
TEST_F(Cli, NewKeyWarnsOfAWeakKeyPasswordFromAPipe) {
  const struct {
    const char* keyPassword;  // UTF-8
    const char* reason;       // nullptr: no warning
  } cases[] = {
      {"password", "one of the most common passwords"}, {"3edc4rfv5tgb", "a keyboard row"}, {"1987/04/12", "a date"},
      {u8"秘密の鍵", "too short for its characters"},   {"vivid-otter-41-sails", nullptr},
  };
  for (const auto& c : cases) {
    const std::string path = dir + "weak.key";
    PlatformRemoveFile(path.c_str());
    const std::string line = std::string(c.keyPassword) + "\n";
    CliRun run = RunCli({"new-key", "--unsealed", path}, Terminal(line + line));
    EXPECT_EQ(run.status, 0) << c.keyPassword << ": " << run.err;
    EXPECT_EQ(ReadBytes(path).size(), (size_t)KEY_FILE_SIZE) << c.keyPassword;
    const std::string warning =
        std::string("warning: the key password is easy to guess: ") + (c.reason ? c.reason : "");
    EXPECT_EQ(Contains(run.err, c.reason ? warning : "easy to guess"), c.reason != nullptr) << c.keyPassword << run.err;
  }
}

TEST_F(Cli, NewKeyReplacesAKeyOnlyWhenForced) {
  const std::string before = ReadBytes(keyA);
  CliRun run = RunCli({"new-key", keyA}, "password1\npassword1\n");
  EXPECT_EQ(run.status, 1);
  EXPECT_TRUE(Contains(run.err, "--force")) << run.err;
  EXPECT_EQ(ReadBytes(keyA), before);

  run = RunCli({"new-key", "--force", "--kdf-memory", "8", "--kdf-passes", "1", keyA}, "password1\npassword1\n");
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_NE(ReadBytes(keyA), before);
  EXPECT_EQ(ReadBytes(keyA).size(), (size_t)SEALED_KEY_SIZE);

  run = RunCli({"new-key", dir + "no/such/dir/x.key"}, "password1\npassword1\n");
  EXPECT_EQ(run.status, 1);
  EXPECT_TRUE(Contains(run.err, "cannot be written: " + dir + "no/such/dir/x.key: No such file or directory"))
      << run.err;
}

TEST_F(Cli, InitWritesTheDefaultsAndKeepsAnExistingFile) {
  const std::string target = dir + "init.ini";
  CliRun run = RunCli({"init", "--key", Utf8FromCp932(keyB), "--settings", target}, "");
  ASSERT_EQ(run.status, 0) << run.err;
  SettingsRecord written, expected;
  ASSERT_TRUE(LoadSettingsFrom(target.c_str(), &written));
  // The record names the key by its full path, as the dialog program's chooser does.
  const std::string keyPath = written.keyFilePath;
  std::string tail = keyPath.substr(keyPath.size() > keyB.size() ? keyPath.size() - keyB.size() : 0);
  EXPECT_EQ(WithSlashes(tail), WithSlashes(keyB));
  EXPECT_TRUE(keyPath[0] == '/' || keyPath[1] == ':') << keyPath;
  SetDefaultSettings(&expected, keyPath.c_str());
  EXPECT_EQ(memcmp(&written, &expected, sizeof written), 0);

  const std::string before = ReadBytes(target);
  ASSERT_TRUE(WriteBytes(target, "not a record"));
  run = RunCli({"init", "--key", keyA, "--settings", target}, "");
  EXPECT_EQ(run.status, 1);
  EXPECT_TRUE(Contains(run.err, "--force")) << run.err;
  EXPECT_EQ(ReadBytes(target), "not a record");

  run = RunCli({"init", "--force", "--key", Utf8FromCp932(keyB), "--settings", target}, "");
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(ReadBytes(target), before);

  // Derivation 1 unless asked; --derivation 2 sets bit 32 and nothing else.
  run = RunCli({"init", "--force", "--derivation", "2", "--key", Utf8FromCp932(keyB), "--settings", target}, "");
  EXPECT_EQ(run.status, 0) << run.err;
  // What changes a password is said before the file is replaced.
  EXPECT_EQ(run.out.find("  derivation: 1 -> 2\nsettings file written: "), 0u) << run.out;
  ASSERT_TRUE(LoadSettingsFrom(target.c_str(), &written));
  expected.optionFlags |= OPT_DERIVATION_2;
  EXPECT_EQ(memcmp(&written, &expected, sizeof written), 0);
  run = RunCli({"init", "--force", "--derivation=1", "--key", Utf8FromCp932(keyB), "--settings", target}, "");
  EXPECT_EQ(ReadBytes(target), before) << run.err;

  run = RunCli({"init", "--key", dir + "nothing.key", "--settings", dir + "other.ini"}, "");
  EXPECT_EQ(run.status, 1);
  EXPECT_TRUE(Contains(run.err, "the key file could not be read")) << run.err;
  EXPECT_FALSE(Exists(dir + "other.ini"));
}

// configure changes what it is given and nothing else, byte for byte.
TEST_F(Cli, ConfigureKeepsEveryOtherSetting) {
  const uint32_t DL = OPT_DIGITS | OPT_LOWER, D2 = OPT_DERIVATION_2;
  char keyBFull[PATH_CAPACITY];
  ASSERT_TRUE(ConsoleAbsolutePath(keyB.c_str(), keyBFull));
  struct Case {
    std::vector<std::string> args;
    uint32_t flags;  // the record's after it, and its length
    int32_t length;
    bool keyB;
    const char* printed;  // before it is written; nullptr: nothing changes, nothing is written
  } cases[] = {
      {{"--length", "30"}, DL | D2, 30, false, "  length: 20 -> 30\n"},
      {{"--classes", "upper,symbols"}, OPT_UPPER | OPT_SYMBOLS | D2, 20, false, "  classes: digits,lower -> upper,"},
      {{"--clipboard", "on"}, DL | D2 | OPT_CLIPBOARD, 20, false, "  clipboard: off -> on\n"},
      {{"--derivation", "1"}, DL, 20, false, "  derivation: 2 -> 1\n"},
      {{"--key", Utf8FromCp932(keyB)}, DL | D2, 20, true, "  key file: "},
      {{"--length", "20", "--clipboard", "off"}, DL | D2, 20, false, nullptr},
  };
  for (const Case& c : cases) {
    const std::string ini = MakeSettings("configure.ini", keyA, [=](SettingsRecord* s) {
      s->optionFlags = DL | D2;
      s->passwordLength = 20;
      strcpy(s->digitChars, "0123");
    });
    const std::string before = ReadBytes(ini);
    SettingsRecord expected, written;
    ASSERT_TRUE(LoadSettingsFrom(ini.c_str(), &expected));
    expected.optionFlags = c.flags;
    expected.passwordLength = c.length;
    if (c.keyB) memset(expected.keyFilePath, 0, sizeof expected.keyFilePath), strcpy(expected.keyFilePath, keyBFull);
    std::vector<std::string> args = {"configure", "--settings", ini};
    args.insert(args.end(), c.args.begin(), c.args.end());
    CliRun run = RunCli(args, "");
    const std::string name = testing::PrintToString(c.args);
    ASSERT_EQ(run.status, 0) << name << ": " << run.err;
    ASSERT_TRUE(LoadSettingsFrom(ini.c_str(), &written));
    EXPECT_EQ(memcmp(&written, &expected, sizeof written), 0) << name;
    EXPECT_EQ(run.out.find(c.printed ? c.printed : "nothing to change, nothing written: "), 0u) << name << run.out;
    EXPECT_TRUE(c.printed || ReadBytes(ini) == before) << name;
  }
  CliRun run = RunCli({"configure", "--settings", dir + "none.ini", "--length", "8"}, "");
  EXPECT_TRUE(Contains(run.err, "then the settings that name it with 'sorrel-cli init --key FILE'")) << run.err;
  EXPECT_FALSE(Exists(dir + "none.ini"));
}

// What can be checked without a secret is checked before one is asked for:
// the input, which holds the key password, is never read.
TEST_F(Cli, RefusesBeforeTheKeyPasswordIsRead) {
  ASSERT_TRUE(WriteBytes(dir + "long.key", ReadBytes(keyA) + "x"));
  ASSERT_TRUE(WriteBytes(dir + "old.key", "x"));
  const std::string length0 = MakeSettings("length0.ini", keyA, [](SettingsRecord* s) { s->passwordLength = 0; });
  const std::string noClass = MakeSettings("noclass.ini", keyA, [](SettingsRecord* s) { s->optionFlags = 0; });
  const std::string missing = dir + "no/such/", secrets = "key password\nkey password\nkey password\n";
  // A site file that is refused, beside settings of its own.
  ASSERT_TRUE(MakeDirectory(dir + "broken/"));
  ASSERT_TRUE(WriteBytes(dir + "broken/sites.txt", "abc\tcounter=2\n"));
  const std::string brokenSites = MakeSettings("broken/setting.ini", keyA, [](SettingsRecord*) {});
  struct Case {
    std::vector<std::string> args;
    std::string message;
    std::vector<std::string> environment;
    int status;
  } cases[] = {
      {{"new-key", keyA}, "the file exists; --force replaces it", {}, 1},
      {{"new-key", missing + "x.key"}, "cannot be written: " + missing + "x.key: No such file or directory", {}, 1},
      {{"import-key", missing + "x.key"}, "cannot be written: " + missing + "x.key: No such file or directory", {}, 1},
      {{"change-key-password", "--settings", settings, "--keep-old", missing + "old.key"},
       "the old key file cannot be kept there: " + missing + "old.key: No such file or directory",
       {},
       1},
      {{"change-key-password", "--settings", settings, "--keep-old", dir + "old.key"}, "the file exists", {}, 1},
      {{"generate", "--settings", length0, "abcd"}, "length is 0, where it is 1 to 1023", {}, 1},
      {{"generate", "--settings", noClass, "abcd"}, "the settings enable no character class", {}, 1},
      {{"generate", "--settings", settings, "--key", dir + "none.key"}, "the key file could not be read", {}, 1},
      {{"generate", "--settings", settings, "--key", dir + "long.key"}, "104 bytes, where a key file has 103", {}, 1},
      {{"generate", "--settings", settings, "abc"}, "a pass phrase has at least 4 bytes", {}, 1},
      {{"generate", "--settings", brokenSites, "abcd"},
       "sites.txt: line 1: a pass phrase shorter than 4 bytes in code page 932",
       {},
       1},
      {{"seal-key", "--settings", settings, "--keep-old", missing + "old.key"},
       "the old key file cannot be kept there: " + missing + "old.key: No such file or directory",
       {},
       1},
      {{"seal-key", "--key", keyA, "--settings", dir + "none.ini"},
       "the settings file could not be read: " + dir + "none.ini",
       {},
       1},
      {{"unseal-key", "--settings", settings}, "nothing to unseal: " + keyA + ": the key file is not sealed", {}, 1},
      {{"generate", "--settings", settings, "--length", "2000"}, "from 1 to 1023, not '2000'", {}, 2},
      {{"generate", "--settings", settings, "--key", u8"café/a.key"}, "this path cannot be used: caf?/a.key: ", {}, 1},
      {{"new-key", u8"--force", u8"café/a.key"}, "this path cannot be used: caf?/a.key: ", {}, 1},
      {{"init", "--key=" + dir + u8"café.key"}, "this path cannot be used: " + dir + "caf?.key: ", {}, 1},
#ifndef _WIN32
      {{"generate", "--settings", settings, "--clip", "abcd"}, "--clip: no display", {"DISPLAY", "WAYLAND_DISPLAY"}, 1},
#endif
  };
  for (const Case& c : cases) {
    const std::string name = testing::PrintToString(c.args);
    CliRun run = RunCli(c.args, secrets, CLI_ENGLISH, c.environment);
    EXPECT_EQ(run.status, c.status) << name;
    EXPECT_TRUE(Contains(run.err, c.message)) << name << " gave: " << run.err;
    EXPECT_EQ(run.inputRead, 0) << name << ": the key password was read";
  }
}

namespace {

// Whether a line is Japanese but for what a user types as it stands: the
// program's name, commands, options and placeholders, and a path.
bool AllJapanese(std::string line, const std::string& path) {
  for (size_t at; !path.empty() && (at = line.find(path)) != std::string::npos;) line.erase(at, path.size());
#ifdef _WIN32
  line = Utf8FromCp932(line);  // a second byte may look like a letter
#endif
  for (size_t i = 0, end; i < line.size(); i = end) {
    end = i + 1;
    if (!isalpha((unsigned char)line[i])) continue;
    while (end < line.size() && (isalnum((unsigned char)line[end]) || line[end] == '-' || line[end] == '_')) ++end;
    const std::string word = line.substr(i, end - i);
    const bool option = i > 0 && line[i - 1] == '-';
    const bool placeholder = word.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZ_") == std::string::npos;
    if (!option && !placeholder && word != "sorrel-cli" && !FindCommandRule(word.c_str())) return false;
  }
  return std::any_of(line.begin(), line.end(), [](char c) { return (unsigned char)c >= 0x80; });
}

bool AllEnglish(const std::string& line) {
  return !line.empty() && std::none_of(line.begin(), line.end(), [](char c) { return (unsigned char)c >= 0x80; });
}

std::string FirstLine(const CliRun& run) {
  const std::string& text = run.err.empty() ? run.out : run.err;
  return text.substr(0, text.find('\n'));
}

}  // namespace

// Each command's first line, under a Japanese locale and an English one:
// wholly in the one language or wholly in the other.
TEST_F(Cli, SpeaksOneLanguageAtATime) {
  ASSERT_TRUE(WriteBytes(dir + "long.key", ReadBytes(keyA) + "x"));
  const std::string kp = std::string(KP_JAPANESE.utf8) + "\n", exported = RunCli({"export-key", "--key", keyA}, "").out;
  const std::string sealed = dir + "sealed.key";
  ASSERT_EQ(RunCli({"new-key", "--kdf-memory", "8", "--kdf-passes", "1", sealed}, "password1\npassword1\n").status, 0);
  struct Case {
    std::vector<std::string> args;
    std::string input;
    std::string path;  // a file the line names
  } cases[] = {
      {{"--help"}, "", ""},
      {{"frobnicate"}, "", "frobnicate"},
      {{"generate", "--settings", settings, "abcd"}, "wrong password\n", keyA},
      {{"generate", "--settings", dir + "none.ini", "abcd"}, kp, dir + "none.ini"},
      {{"new-key", "--force", dir + "new.key"}, "password1\npassword1\n", dir + "new.key"},
      {{"init", "--force", "--key", keyA, "--settings", dir + "init.ini"}, "", dir + "init.ini"},
      {{"configure", "--settings", settings, "--length", "17"}, "", ""},
      {{"show-settings", "--settings", settings}, "", settings},
      {{"verify", "--settings", settings}, kp, ""},
      {{"change-key-password", "--key", dir + "long.key"}, kp, dir + "long.key"},
      {{"export-key", "--key", dir + "long.key"}, "", dir + "long.key"},
      {{"import-key", "--force", dir + "imported.key"}, exported, dir + "imported.key"},
      {{"seal-key", "--settings", settings, "--key", sealed}, "wrong password\n", sealed},
      {{"unseal-key", "--settings", settings}, "", keyA},
      {{"site", "set", "--settings", settings, "example.com", "--length", "12"}, "", "example.com"},
      {{"site", "next", "--settings", settings, "example.com"}, "", "example.com"},
      {{"site", "show", "--settings", settings, "nosuch.example"}, "", "nosuch.example"},
  };
  for (const Case& c : cases) {
    const std::string name = testing::PrintToString(c.args);
    const std::string japanese = FirstLine(RunCli(c.args, Terminal(c.input), CLI_JAPANESE));
    const std::string english = FirstLine(RunCli(c.args, Terminal(c.input), CLI_ENGLISH));
    EXPECT_TRUE(AllJapanese(japanese, Terminal(Utf8FromCp932(c.path)))) << name << ": " << japanese;
    EXPECT_TRUE(AllEnglish(english)) << name << ": " << english;
    EXPECT_NE(japanese, english) << name;
  }
}

// What a new user reads in the first hour, true in each language: the
// derivation in force and its source, a sealed key's own derivation kept,
// re-sealing, the first steps, class names, a refused character named.
TEST_F(Cli, TellsANewUserWhatIsTrueInEachLanguage) {
  const std::string sealed = dir + "first.key", ini = dir + "first.ini", kp = "password1\n";
  const std::vector<std::string> small = {"--kdf-memory", "8", "--kdf-passes", "1"};
  ASSERT_EQ(RunCli({"new-key", small[0], small[1], small[2], small[3], sealed}, kp + kp).status, 0);
  ASSERT_EQ(RunCli({"init", "--key", sealed, "--settings", ini}, "").status, 0);  // derivation 1
  ASSERT_EQ(RunCli({"site", "set", "--settings", ini, "bank.example", "--length", "8"}, "").status, 0);
  const std::string chars64(64, '9');
  struct Case {
    std::vector<std::string> args;
    std::string input;
    const char* english;
    const char* japanese;
  } cases[] = {
      {{"site", "show", "--settings", ini, "bank.example"},
       "",
       "derivation:    2 (the key's)\n",
       u8"生成方式：     2（キーファイルの指定）\n"},
      {{"site", "list", "--settings", ini},
       "",
       "bank.example: 8 characters, derivation 2 (the key's)\n",
       u8"bank.example: 8 文字、生成方式 2（キーファイルの指定）\n"},
      {{"site", "set", "--settings", ini, "shop.example", "--classes", "upper,digits"},
       "",
       "classes digits,upper, derivation 2 (the key's)",
       u8"使用文字 数字、英大文字、生成方式 2（キーファイルの指定）"},
      {{"show-settings", "--settings", ini},
       "",
       "key form:      sealed (Argon2id, 8 MiB",
       u8"暗号化済み（Argon2id、8 MiB"},
      {{"configure", "--settings", ini, "--derivation", "1"},
       "",
       "the sealed key names derivation 2, which stays in force",
       u8"暗号化されたキーが指定する生成方式 2 が使われたままです"},
      {{"seal-key", "--settings", ini, small[0], small[1], small[2], small[3]},
       kp,
       "the key was sealed already: it is sealed again under the same key password",
       u8"キーはすでに暗号化されていました"},
      {{"generate", "--settings", dir + "none.ini", "abcd"},
       "",
       "to start, make a key file with 'sorrel-cli new-key FILE', then",
       u8"はじめに 'sorrel-cli new-key FILE' でキーファイルを作り"},
      {{"new-key", "--force", "--unsealed", dir + "old-form.key"},
       kp + kp,
       "for copies of Sorrel 1.0.0.1 only",
       u8"Sorrel 1.0.0.1 のためだけのもの"},
      {{"new-key", "--force", dir + "second.key"},
       kp + kp,
       "make the settings that name it with 'sorrel-cli init",
       u8"でこのキーを指定する設定ファイルを作ってください"},
      {{"generate", "--settings", ini, u8"café1234"}, kp, "holds the character U+00E9", u8"にない文字 U+00E9"},
      {{"configure", "--settings", ini, "--digit-chars", chars64},
       "",
       "--digit-chars takes at most 63 bytes",
       u8"--digit-chars は63バイトまでです"},
      {{"--help"}, "", "comma-separated subset of digits, lower, upper, symbols", u8"digits（数字）"},
  };
  for (const Case& c : cases) {
    const std::string name = testing::PrintToString(c.args);
    const CliRun english = RunCli(c.args, Terminal(c.input), CLI_ENGLISH);
    const CliRun japanese = RunCli(c.args, Terminal(c.input), CLI_JAPANESE);
    EXPECT_TRUE(Contains(english.out + english.err, c.english)) << name << ":\n" << english.out << english.err;
    EXPECT_TRUE(Contains(japanese.out + japanese.err, Terminal(c.japanese))) << name << ":\n"
                                                                             << japanese.out << japanese.err;
  }

  // The class characters are stored byte for byte, the rest of the field zero.
  const std::string cp932 = "\x82\x4f\x82\x50z9";  // ０１z9: as given, in their order
  ASSERT_EQ(RunCli({"configure", "--settings", ini, "--symbol-chars", Utf8FromCp932(cp932)}, "").status, 0);
  SettingsRecord record;
  ASSERT_TRUE(LoadSettingsFrom(ini.c_str(), &record));
  EXPECT_EQ(std::string(record.symbolChars, sizeof record.symbolChars),
            cp932 + std::string(sizeof record.symbolChars - cp932.size(), '\0'));
  ASSERT_EQ(RunCli({"configure", "--settings", ini, "--upper-chars", std::string(63, 'Q')}, "").status, 0);
  ASSERT_TRUE(LoadSettingsFrom(ini.c_str(), &record));
  EXPECT_EQ(std::string(record.upperChars), std::string(63, 'Q'));
}

// Without --settings both programs use setting.ini beside the executable,
// here in a directory whose name ends in a 0x5C byte.
TEST_F(Cli, UsesTheSettingsFileBesideTheExecutable) {
#ifdef SORREL_USER_CONFIG
  GTEST_SKIP() << "this build keeps its settings in the user's configuration folder";
#endif
  const std::string besideCli = CliDirectory() + "setting.ini";
  PlatformRemoveFile(besideCli.c_str());
  CliRun run = RunCli({"init", "--key", Utf8FromCp932(keyB)}, "");
  ASSERT_EQ(run.status, 0) << run.err;
  ASSERT_TRUE(Exists(besideCli));
  run = RunCli({"generate", PP_SITE.utf8}, "correct horse\n");
  EXPECT_EQ(run.out, Expected(besideCli, "", KP_ASCII.cp932, PP_SITE.cp932, 0, 0) + "\n") << run.err;
  run = RunCli({"show-settings"}, "");
  EXPECT_TRUE(Contains(run.out, Terminal(Utf8FromCp932(besideCli)))) << run.out;
  PlatformRemoveFile(besideCli.c_str());
}

TEST_F(Cli, ShowsTheSettingsReadably) {
  const std::string keyPath = dir + "\x8c\xae.key";  // 鍵.key
  std::string changed = MakeSettings("changed.ini", keyPath, [](SettingsRecord* s) {
    s->optionFlags = OPT_DIGITS | OPT_SYMBOLS | OPT_DERIVATION_2;
    s->passwordLength = 1024;
    strcpy(s->upperChars, "AB\x81");  // a lead byte without its second byte
  });
  CliRun run = RunCli({"show-settings", "--settings", changed}, "");
  ASSERT_EQ(run.status, 0) << run.err;
  for (const std::string& line : {
           "key file:      " + Terminal(Utf8FromCp932(keyPath)) + "\n",
           std::string("length:        1024  (invalid: generate needs 1 to 1023)\n"),
           std::string("  digits   on  0123456789\n"),
           std::string("  lower    off abcdefghijklmnopqrstuvwxyz\n"),
           std::string("  upper    off AB\\x81\n"),
           std::string("  symbols  on  !#$%&()*+,-.\\/:;<=>?@[]^_`{|}~\n"),
           std::string("clipboard:     off  (the dialog program's option; sorrel-cli copies with --clip)\n"),
           std::string("derivation:    2 (the settings')\n"),
       }) {
    EXPECT_TRUE(Contains(run.out, line)) << line << " not in:\n" << run.out;
  }
  run = RunCli({"show-settings", "--settings", settings}, "");
  EXPECT_TRUE(Contains(run.out, "length:        16\n")) << run.out;
  EXPECT_TRUE(Contains(run.out, "clipboard:     on  (the dialog program's option")) << run.out;
  EXPECT_TRUE(Contains(run.out, "derivation:    1 (the settings')\n")) << run.out;
  run = RunCli({"show-settings", "--settings", dir + "none.ini"}, "");
  EXPECT_EQ(run.status, 1);
}

TEST_F(Cli, SiteRulesAreKeptInTheSiteFileAndApplied) {
  const std::string sites = dir + "sites.txt", kp = std::string(KP_JAPANESE.utf8) + "\n";
  const uint32_t DL = OPT_DIGITS | OPT_LOWER;
  struct Step {
    std::vector<std::string> args;  // after the command's words, --settings added
    int status;
    std::string out, err;  // parts of what is printed, UTF-8
  } steps[] = {
      {{"site", "set", "example.com", "--length", "12", "--classes", "lower,digits"},
       0,
       "example.com: 12 characters, classes digits,lower, derivation 1 (the settings')\n",
       ""},
      {{"site", "set", PP_SITE.utf8, "--counter", "2"},
       0,
       std::string(PP_SITE.utf8) + ": derivation 1 (the settings'), counter 2\n",
       ""},
      {{"site", "set", "Example.com"}, 0, "", "did you mean 'example.com'?"},
      {{"site", "list"},
       0,
       "example.com: 12 characters, classes digits,lower, derivation 1 (the settings')\n" + std::string(PP_SITE.utf8) +
           ": derivation 1 (the settings'), counter 2\nExample.com: the settings' length and classes, "
           "derivation 1 (the settings')\n",
       ""},
      {{"site", "remove", "Example.com"}, 0, "", ""},
      {{"site", "next", "example.com"}, 0, "example.com: counter 2 now, was 1", ""},
      {{"site", "next", "example.com"}, 0, " --counter 2 example.com\n", ""},
      {{"site", "show", "example.com"},
       0,
       "classes:       digits,lower\nderivation:    1 (the settings')\ncounter:       3 (derives from the pass phrase "
       "followed by #3)\ndomains:       none\n",
       ""},
      {{"site", "show", "EXAMPLE.COM"}, 1, "", "no site rule for this pass phrase: EXAMPLE.COM"},
      {{"site", "remove", PP_SITE.utf8}, 0, "", ""},
      {{"site", "remove", PP_SITE.utf8}, 1, "", "no site rule"},
  };
  for (const Step& s : steps) {
    std::vector<std::string> args = s.args;
    args.insert(args.begin() + 2, {"--settings", settings});
    CliRun run = RunCli(args, "");
    EXPECT_EQ(run.status, s.status) << args[2] << ": " << run.err;
    EXPECT_TRUE(Contains(run.out, Terminal(s.out))) << args[1] << " printed:\n" << run.out;
    EXPECT_TRUE(Contains(run.err, Terminal(s.err))) << args[1] << " said:\n" << run.err;
  }
  EXPECT_EQ(ReadBytes(sites), "example.com\tlength=12\tclasses=digits,lower\tcounter=3\n");
  ASSERT_TRUE(
      WriteBytes(sites, u8"example.com\tlength=12\tclasses=digits,lower\tcounter=3\tdomains=example.com,日本語.jp\n"));
  CliRun shown = RunCli({"site", "show", "--settings", settings, "example.com"}, "");
  EXPECT_TRUE(Contains(shown.out, Terminal(u8"domains:       example.com, 日本語.jp\n"))) << shown.out;

  // generate takes the rule, the options over it, and warns of a typo.
  struct Case {
    std::vector<std::string> args;
    const char* passPhrase;  // what the engine derives from, by hand
    int32_t length;
    uint32_t classes;
    const char* warning;
  } cases[] = {
      {{"example.com"}, "example.com#3", 12, DL, ""},
      {{"--counter", "1", "example.com"}, "example.com", 12, DL, ""},
      {{"--length", "20", "--counter=2", "example.com"}, "example.com#2", 20, DL, ""},
      {{"--classes", "upper", "example.com"}, "example.com#3", 12, OPT_UPPER, ""},
      {{"example.com#3", "--length", "12", "--classes", "digits,lower"}, "example.com#3", 12, DL, ""},
      {{"Example.com "}, "Example.com ", 0, 0, "did you mean 'example.com'?"},
      {{}, "example.com#3", 12, DL, ""},  // typed at the prompt
  };
  for (const Case& c : cases) {
    CliRun run = Generate(c.args, kp + (c.args.empty() ? "example.com\n" : ""));
    EXPECT_EQ(run.out, Expected(settings, "", KP_JAPANESE.cp932, c.passPhrase, c.length, c.classes) + "\n")
        << c.passPhrase << ": " << run.err;
    EXPECT_TRUE(Contains(run.err, c.warning)) << run.err;
  }

  // A broken line stops both generate and the site commands, and the file stays.
  const std::string broken = "# mine\nexample.com\tlength=12\nexample.com\tcounter=2\n";
  ASSERT_TRUE(WriteBytes(sites, broken));
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {"generate", "--settings", settings, "example.com"}, {"site", "set", "--settings", settings, "abcd"}}) {
    CliRun run = RunCli(args, kp);
    EXPECT_EQ(run.status, 1) << args[0];
    EXPECT_EQ(run.out, "") << args[0];
    EXPECT_TRUE(Contains(run.err, "sites.txt: line 3: the pass phrase of an earlier line")) << run.err;
  }
  EXPECT_EQ(ReadBytes(sites), broken);
}

TEST_F(Cli, VerifySaysWhetherTheKeyPasswordUnmasksTheKey) {
  const std::string good = ReadBytes(keyA), kp = std::string(KP_JAPANESE.utf8) + "\n";
  std::string flipped = good, noZero = good;
  flipped[40] ^= 0x01;
  noZero[KEY_POOL_LENGTH] = 'x';
  struct Case {
    const char* name;
    std::string bytes;
    std::string input;  // none where the file's shape alone fails: no key password is asked for
    int status;
    const char* message;
  } cases[] = {
      {"right key password", good, kp, 0, "the key password matches the key file"},
      {"wrong key password", good, "wrong password\n", 1, "does not open this key file"},
      {"102 bytes", good.substr(0, KEY_POOL_LENGTH), "", 1, "102 bytes, where a key file has 103"},
      {"104 bytes", good + "x", "", 1, "104 bytes, where a key file has 103"},
      {"200 bytes", good + std::string(97, 'x'), "", 1, "at least 105 bytes, where a key file has 103"},
      {"one byte flipped", flipped, kp, 1, "(or the key file is damaged)"},
      {"no zero byte at the end", noZero, "", 1, "its last byte is 0x78, where a key file has 0x00"},
      {"a sealed key cut short", "SorrelSK" + good, "", 1, "a damaged sealed key: at least 105 bytes"},
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(WriteBytes(dir + "v.key", c.bytes));
    CliRun run = RunCli({"verify", "--key", dir + "v.key"}, Terminal(c.input));
    EXPECT_EQ(run.status, c.status) << c.name << ": " << run.err;
    EXPECT_TRUE(Contains(run.status == 0 ? run.out : run.err, c.message)) << c.name << " gave: " << run.out << run.err;
  }
  // --no-verify never derives from a damaged sealed key.
  CliRun run = RunCli({"generate", "--settings", settings, "--key", dir + "v.key", "--no-verify", "a.example"}, kp);
  EXPECT_EQ(run.status, 1) << run.out;
  EXPECT_TRUE(Contains(run.err, "nothing derived")) << run.err;
  // Without --key, the key file the settings name.
  run = RunCli({"verify", "--settings", settings}, Terminal(kp));
  EXPECT_EQ(run.status, 0) << run.err;
}

TEST_F(Cli, AnExportedKeyImportsToTheSameBytes) {
  CliRun exported = RunCli({"export-key", "--settings", settings}, "");
  ASSERT_EQ(exported.status, 0) << exported.err;
  EXPECT_EQ(exported.out.find("Sorrel key backup, version 1\n"), 0u) << exported.out;
  const std::string copy = dir + "copy.key";
  CliRun imported = RunCli({"import-key", copy}, exported.out);
  ASSERT_EQ(imported.status, 0) << imported.err;
  EXPECT_EQ(ReadBytes(copy), ReadBytes(keyA));
  EXPECT_EQ(RunCli({"export-key", "--key", copy}, "").out, exported.out);

  // Line 05 is the eighth line of the text, after the first line, two notes and lines 01 to 04.
  std::string damaged = exported.out;
  size_t line05 = damaged.find("\n05  ") + 5;
  damaged[line05] = damaged[line05] == 'A' ? 'B' : 'A';
  ASSERT_TRUE(WriteBytes(dir + "long.key", ReadBytes(keyA) + "x"));
  struct Case {
    const char* name;
    std::vector<std::string> args;
    std::string input;
    const char* message;
  } cases[] = {
      {"existing file", {"import-key", copy}, exported.out, "the file exists; --force replaces it"},
      {"a changed character", {"import-key", "--force", copy}, damaged, "line 05 (input line 8): its check fails"},
      {"cut short", {"import-key", "--force", copy}, exported.out.substr(0, line05 - 4), "ends before line 05"},
      {"not a backup", {"import-key", "--force", copy}, "hello\n", "the first line (input line 1): not a key backup"},
      {"export of a key file of 104 bytes", {"export-key", "--key", dir + "long.key"}, "", "104 bytes, where a key"},
  };
  for (const Case& c : cases) {
    CliRun run = RunCli(c.args, c.input);
    EXPECT_EQ(run.status, 1) << c.name;
    EXPECT_TRUE(Contains(run.err, c.message)) << c.name << " gave: " << run.err;
    EXPECT_EQ(ReadBytes(copy), ReadBytes(keyA)) << c.name;
  }
}

namespace {

std::string Line(const Text& t) { return std::string(t.utf8) + "\n"; }

// Mode bits of a file; 0 under Windows, which keeps no such bits.
unsigned ModeOf(const std::string& path) {
#ifdef _WIN32
  (void)path;
  return 0;
#else
  struct stat st;
  return stat(Utf8FromCp932(path).c_str(), &st) == 0 ? (unsigned)(st.st_mode & 07777) : 1u;
#endif
}

void SetMode(const std::string& path, unsigned mode) {
#ifdef _WIN32
  SetFileAttributesA(path.c_str(), (mode & 0200) ? FILE_ATTRIBUTE_NORMAL : FILE_ATTRIBUTE_READONLY);
#else
  chmod(Utf8FromCp932(path).c_str(), mode);
#endif
}

}  // namespace

// The pool stays, so every password does: through the program for a few
// requests, through the engine for many more.
TEST_F(Cli, ChangeKeyPasswordKeepsEveryPassword) {
  std::mt19937 random(20261209);
  auto randomAscii = [&random](size_t length) {
    std::string text;
    while (text.size() < length) text += (char)(0x21 + random() % 94);
    return text;
  };
  const std::string random63 = randomAscii(63), random8 = randomAscii(8), random20 = randomAscii(20);
  const Text RANDOM_63 = {random63.c_str(), random63.c_str()}, RANDOM_8 = {random8.c_str(), random8.c_str()},
             RANDOM_20 = {random20.c_str(), random20.c_str()};
  struct Case {
    Text current, next;
  } cases[] = {
      {KP_KANA, KP_HALF_WIDTH}, {KP_ASCII, KP_KANJI},  {KP_HALF_WIDTH_SHORT, KP_TABLE},
      {KP_JAPANESE, RANDOM_63}, {RANDOM_63, RANDOM_8}, {RANDOM_20, KP_KANA},
  };
  struct Request {
    std::vector<std::string> args;
    const char* passPhrase;  // code page 932
  } requests[] = {
      {{"example.com"}, "example.com"},
      {{"--length", "40", "--classes", "digits,symbols", PP_TABLE.utf8}, PP_TABLE.cp932},
      {{"--length", "1023", PP_HALF_WIDTH.utf8}, PP_HALF_WIDTH.cp932},
      {{"--classes", "upper", "--length", "5", PP_CIRCLED.utf8}, PP_CIRCLED.cp932},
  };
  int index = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.current.utf8) + " -> " + c.next.utf8);
    const std::string key = MakeKey(dir + "change" + std::to_string(index++) + ".key", c.current.cp932);
    const std::string ini = MakeSettings("change.ini", key, [](SettingsRecord*) {});
    SetMode(key, 0600);
    const std::string before = ReadBytes(key);
    std::vector<std::string> printed;
    for (const Request& r : requests) {
      std::vector<std::string> args = {"generate", "--settings", ini};
      args.insert(args.end(), r.args.begin(), r.args.end());
      printed.push_back(RunCli(args, Terminal(Line(c.current))).out);
    }

    CliRun run =
        RunCli({"change-key-password", "--settings", ini}, Terminal(Line(c.current) + Line(c.next) + Line(c.next)));
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out,
              "the key password is changed: every password stays the same\n"
              "copies of the old key file and paper backups made before still open with the old key password: "
              "destroy them, or make new ones (sorrel-cli export-key)\n");
    const std::string after = ReadBytes(key);
    ASSERT_EQ(after.size(), (size_t)KEY_FILE_SIZE);
    EXPECT_NE(after, before);
#ifndef _WIN32
    EXPECT_EQ(ModeOf(key), 0600u) << "the key file's permissions are kept";
#endif

    for (size_t i = 0; i < printed.size(); ++i) {
      std::vector<std::string> args = {"generate", "--settings", ini};
      args.insert(args.end(), requests[i].args.begin(), requests[i].args.end());
      EXPECT_EQ(RunCli(args, Terminal(Line(c.next))).out, printed[i]) << requests[i].passPhrase;
      EXPECT_NE(printed[i], "") << requests[i].passPhrase;
    }
    for (int j = 0; j < 60; ++j) {
      SettingsRecord s;
      SetDefaultSettings(&s, "");
      s.optionFlags = (uint32_t)(j % 15 + 1) << 1 | (j % 2 ? OPT_DERIVATION_2 : 0);
      const std::string passPhrase = "site-" + std::to_string(j) + (j % 2 ? PP_SITE.cp932 : "");
      const int32_t length = 1 + (j * 97) % 1023;
      char old[TEXT_CAPACITY] = {}, now[TEXT_CAPACITY] = {};
      ASSERT_TRUE(DerivePassword(s, (const unsigned char*)before.data(), KEY_FILE_SIZE, c.current.cp932,
                                 passPhrase.c_str(), length, old));
      ASSERT_TRUE(DerivePassword(s, (const unsigned char*)after.data(), KEY_FILE_SIZE, c.next.cp932, passPhrase.c_str(),
                                 length, now));
      EXPECT_EQ(std::string(now), std::string(old)) << passPhrase << ", length " << length;
    }
    EXPECT_EQ(RunCli({"verify", "--key", Utf8FromCp932(key)}, Terminal(Line(c.current))).status, 1);
    EXPECT_EQ(RunCli({"verify", "--key", Utf8FromCp932(key)}, Terminal(Line(c.next))).status, 0);
  }

  // --keep-old: the old bytes beside the new ones, as closely held as the key.
  const std::string before = ReadBytes(keyA), kept = dir + "old.key";
  SetMode(keyA, 0600);
  CliRun run = RunCli({"change-key-password", "--settings", settings, "--keep-old", kept},
                      Terminal(Line(KP_JAPANESE) + Line(KP_KANJI) + Line(KP_KANJI)));
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_TRUE(Contains(run.out, "is kept: " + kept)) << run.out;
  EXPECT_EQ(ReadBytes(kept), before);
  EXPECT_EQ(CheckKeyPassword((const unsigned char*)ReadBytes(keyA).data(), KEY_FILE_SIZE, KP_KANJI.cp932), KEY_OK);
  EXPECT_EQ(ModeOf(kept), ModeOf(keyA));
}

// Whatever is refused or fails, the key file is as it was, byte for byte.
TEST_F(Cli, ChangeKeyPasswordRefusalsLeaveTheKeyFile) {
  const std::string good = ReadBytes(keyA), key = dir + "refuse.key";
  ASSERT_TRUE(WriteBytes(dir + "exists.key", "x"));
  const std::string kp = Line(KP_JAPANESE), next = Line(KP_KANJI);
  const std::string doubled = std::string(KP_JAPANESE.utf8) + KP_JAPANESE.utf8 + "\n";
  struct Case {
    const char* name;
    std::string bytes;  // the key file before; empty: none
    std::vector<std::string> args;
    std::string input;
    const char* message;
    bool readOnly;
  } cases[] = {
      {"wrong current key password", good, {}, "wrong password\n" + next + next, "does not open this key file", false},
      {"current key password of 7 bytes", good, {}, "1234567\n" + next + next, "at least 8 bytes", false},
      {"new ones differ", good, {}, kp + next + Line(KP_KANA), "the two key passwords differ", false},
      {"new one too short", good, {}, kp + "1234567\n1234567\n", "the key password is too short", false},
      {"new one of 64 bytes",
       good,
       {},
       kp + std::string(64, 'k') + "\n" + std::string(64, 'k') + "\n",
       "at most 63 bytes",
       false},
      {"new one the current one", good, {}, kp + kp + kp, "must differ from the current one", false},
      // The same mask: the current key password would still open the key.
      {"new one the current one twice", good, {}, kp + doubled + doubled, "must differ from the current one", false},
      {"no new key password", good, {}, kp + next, "no input left", false},
      {"no key file", "", {}, kp + next + next, "the key file could not be read", false},
      {"not a key file", good + "x", {}, kp + next + next, "104 bytes, where a key file has 103", false},
      {"--keep-old names a file", good, {"--keep-old", dir + "exists.key"}, kp + next + next, "the file exists", false},
      {"key file read-only", good, {}, kp + next + next, "could not be replaced; it is unchanged", true},
  };
  auto check = [&](const char* name, const std::string& path, const std::string& bytes, std::vector<std::string> args,
                   const std::string& input, const char* message) {
    args.insert(args.begin(), {"change-key-password", "--key", path});
    CliRun run = RunCli(args, Terminal(input));
    EXPECT_EQ(run.status, 1) << name;
    EXPECT_TRUE(Contains(run.err, Terminal(message))) << name << " gave: " << run.err;
    EXPECT_EQ(run.out, "") << name;
    if (bytes.empty()) {
      EXPECT_FALSE(Exists(path)) << name;
    } else {
      EXPECT_TRUE(ReadBytes(path) == bytes) << name;
    }
    EXPECT_EQ(ReadBytes(dir + "exists.key"), "x") << name;
  };
  for (const Case& c : cases) {
    SetMode(key, 0644);
    PlatformRemoveFile(key.c_str());
    if (!c.bytes.empty()) {
      ASSERT_TRUE(WriteBytes(key, c.bytes));
    }
    if (c.readOnly) SetMode(key, 0444);
    check(c.name, key, c.bytes, c.args, c.input, c.message);
  }
  SetMode(key, 0644);

#ifndef _WIN32
  // A read-only folder and a full disk, on a small file system of their own
  // (root passes by the permission bits of a folder).
  const std::string mnt = ScratchDir("change-fs") + "mnt/";
  umount2(mnt.c_str(), MNT_DETACH);
  ASSERT_TRUE(MakeDirectory(mnt));
  if (mount("sorrel-cli", mnt.c_str(), "tmpfs", 0, "size=64k") != 0) {
    GTEST_SKIP() << "cannot mount a small file system here: read-only folder and full disk not tried";
  }
  const std::string inside = mnt + "my.key";
  ASSERT_TRUE(WriteBytes(inside, good));
  ASSERT_EQ(mount(nullptr, mnt.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr), 0);
  check("read-only folder", inside, good, {}, kp + next + next, "could not be replaced; it is unchanged");
  ASSERT_EQ(mount(nullptr, mnt.c_str(), nullptr, MS_REMOUNT, nullptr), 0);
  int fd = open((mnt + "filler").c_str(), O_CREAT | O_WRONLY, 0644);
  char block[1024] = {};
  while (write(fd, block, sizeof block) > 0) {
  }
  while (write(fd, block, 1) == 1) {
  }
  close(fd);
  check("full disk", inside, good, {}, kp + next + next, "No space left on device");
  check("full disk, --keep-old", inside, good, {"--keep-old", mnt + "old.key"}, kp + next + next,
        "the old key file could not be kept; the key file is unchanged");
  EXPECT_FALSE(Exists(mnt + "old.key"));
  // new-key and init on the full disk name the file and the reason too.
  CliRun full = RunCli({"new-key", mnt + "new.key"}, "password1\npassword1\n");
  EXPECT_TRUE(Contains(full.err, "key file could not be written: " + mnt + "new.key: No space left")) << full.err;
  full = RunCli({"init", "--key", keyA, "--settings", mnt + "s.ini"}, "");
  EXPECT_TRUE(Contains(full.err, "settings file could not be written: " + mnt + "s.ini: No space left")) << full.err;
  EXPECT_EQ(CountTemporaries(mnt), 0);
  umount2(mnt.c_str(), MNT_DETACH);
#endif
}

#ifdef _WIN32
namespace {

std::string ClipboardText() {
  std::string text = "<none>";
  if (!OpenClipboard(nullptr)) return "<closed>";
  if (HANDLE data = GetClipboardData(CF_TEXT)) {
    text = (const char*)GlobalLock(data);
    GlobalUnlock(data);
  }
  CloseClipboard();
  return text;
}

}  // namespace

// The dialog program's clipboard service, then a detached sorrel-cli that
// empties the clipboard unless its sequence number moved on.
TEST_F(Cli, ClipLeavesThePasswordOnTheClipboardForAWhile) {
  const std::string kp = std::string(KP_JAPANESE.utf8) + "\n";
  CliRun run = Generate({"--clip", "--clip-seconds", "2", "example.com"}, kp);
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(ClipboardText(), Expected(settings, "", KP_JAPANESE.cp932, "example.com", 0, 0));
  EXPECT_TRUE(IsClipboardFormatAvailable(RegisterClipboardFormatA("CanIncludeInClipboardHistory")));
  Sleep(3500);
  EXPECT_EQ(ClipboardText(), "<none>");

  run = Generate({"--clip", "--clip-seconds", "2", "example.com"}, kp);
  EXPECT_EQ(run.status, 0) << run.err;
  ASSERT_TRUE(CopyTextToClipboard(nullptr, "copied meanwhile"));
  Sleep(3500);
  EXPECT_EQ(ClipboardText(), "copied meanwhile");
}
#endif

// One key through every change of form: each keeps every password (unless
// --derivation says otherwise), and a key password that does not open a
// sealed key gives none, --no-verify or not.
TEST_F(Cli, SealedKeysKeepEveryPasswordThroughEachCommand) {
  const std::string ini = MakeSettings("sealed.ini", keyB, [](SettingsRecord*) {}), old = dir + "old.key";
  const std::string original = ReadBytes(keyB), small[] = {"--kdf-memory", "8", "--kdf-passes", "1"};
  SetMode(keyB, 0640);
  auto password = [&](const Text& kp, const char* derivation) {
    return RunCli({"generate", "--settings", ini, "--derivation", derivation, "example.com"}, Terminal(Line(kp))).out;
  };
  const std::string derived1 = password(KP_ASCII, "1"), derived2 = password(KP_ASCII, "2");
  ASSERT_NE(derived1, "");
  enum Form { ORIGINAL = KEY_FILE_SIZE, SEALED = SEALED_KEY_SIZE };
  struct Step {
    std::vector<std::string> args;  // after the command: --settings ini
    std::string input;
    int status;
    const char* says;  // in standard output, or in standard error on failure
    Form form;         // the key file's afterwards
    Text keyPassword;  // that opens it afterwards
    int derivation;    // the one its passwords are made by: 1, 2
  } steps[] = {
      {{"seal-key", small[0], small[1], small[2], small[3], "--keep-old", old},
       Line(KP_ASCII),
       0,
       "every password stays the same",
       SEALED,
       KP_ASCII,
       1},
      {{"generate", "example.com"},
       Line(KP_KANA),
       1,
       "the key password is wrong, or the key file is damaged",
       SEALED,
       KP_ASCII,
       1},
      {{"generate", "--no-verify", "example.com"}, Line(KP_KANA), 1, "nothing derived", SEALED, KP_ASCII, 1},
      {{"show-settings"}, "", 0, "sealed (Argon2id, 8 MiB, passes: 1)", SEALED, KP_ASCII, 1},
      {{"change-key-password"},
       Line(KP_ASCII) + Line(KP_ASCII) + Line(KP_ASCII),
       1,
       "must differ",
       SEALED,
       KP_ASCII,
       1},
      {{"change-key-password"},
       Line(KP_ASCII) + Line(KP_KANJI) + Line(KP_KANJI),
       0,
       "every password stays the same",
       SEALED,
       KP_KANJI,
       1},
      {{"seal-key", "--derivation", "2"}, Line(KP_KANJI), 0, "every password changes", SEALED, KP_KANJI, 2},
      {{"show-settings"}, "", 0, "2 (the key's; the settings' derivation", SEALED, KP_KANJI, 2},
      {{"unseal-key"}, Line(KP_KANA), 1, "the key password is wrong", SEALED, KP_KANJI, 2},
      {{"unseal-key"}, Line(KP_KANJI), 0, "it is weaker", ORIGINAL, KP_KANJI, 1},
      {{"unseal-key"}, Line(KP_KANJI), 1, "not sealed", ORIGINAL, KP_KANJI, 1},
      {{"show-settings"}, "", 0, "original (weaker", ORIGINAL, KP_KANJI, 1},
  };
  for (const Step& step : steps) {
    std::vector<std::string> args = step.args;
    args.insert(args.begin() + 1, {"--settings", ini});
    SCOPED_TRACE(args[0] + " " + args.back());
    const std::string before = ReadBytes(keyB);
    CliRun run = RunCli(args, Terminal(step.input));
    EXPECT_EQ(run.status, step.status) << run.err;
    EXPECT_TRUE(Contains(step.status ? run.err : run.out, step.says)) << run.out << run.err;
    if (step.status) {
      EXPECT_EQ(ReadBytes(keyB), before);
    }
    const std::string after = ReadBytes(keyB);
    EXPECT_EQ(after.size(), (size_t)step.form);
    EXPECT_EQ(ModeOf(keyB), ModeOf(old)) << "the key file's mode is kept";
    EXPECT_EQ(RunCli({"generate", "--settings", ini, "example.com"}, Terminal(Line(step.keyPassword))).out,
              step.derivation == 1 ? derived1 : derived2);
    if (step.form == SEALED) {
      EXPECT_EQ((int)after[10], step.derivation);
    }
  }
  EXPECT_EQ(ReadBytes(old), original);
#ifndef _WIN32
  EXPECT_EQ(ModeOf(old), 0640u);
#endif

  // A paper backup of a sealed key gives its bytes back; a new key is sealed
  // at the defaults, for its owner alone, and --unsealed is the original form.
  const std::string sealed = dir + "s.key", copy = dir + "copy.key", plain = dir + "plain.key";
  ASSERT_EQ(RunCli({"new-key", sealed}, Terminal(Line(KP_ASCII) + Line(KP_ASCII))).status, 0);
  ASSERT_EQ(RunCli({"new-key", "--unsealed", plain}, Terminal(Line(KP_ASCII) + Line(KP_ASCII))).status, 0);
  const std::string bytes = ReadBytes(sealed);
  SealParameters params = {};
  ASSERT_EQ(bytes.size(), (size_t)SEALED_KEY_SIZE);
  ASSERT_EQ(ReadSealParameters((const unsigned char*)bytes.data(), &params), SEAL_OK);
  EXPECT_EQ(params.passes * 1000000 + params.memoryKiB * 10 + (uint32_t)params.derivation, 3655362u);
  EXPECT_EQ(ReadBytes(plain).size(), (size_t)KEY_FILE_SIZE);
  CliRun backup = RunCli({"export-key", "--key", sealed}, "");
  ASSERT_EQ(backup.status, 0) << backup.err;
  ASSERT_EQ(RunCli({"import-key", copy}, backup.out).status, 0);
  EXPECT_EQ(ReadBytes(copy), bytes);
#ifndef _WIN32
  for (const std::string& made : {sealed, plain, copy}) EXPECT_EQ(ModeOf(made), 0600u) << made;
#endif
}

// Edits at the same moment each wait for the one before: every line is kept,
// and none is said to be written that is not.
TEST_F(Cli, SiteEditsAtOnceKeepEveryEdit) {
  const int runs = 8;
  for (int round = 0; round < 2; ++round) {
    ASSERT_TRUE(WriteBytes(dir + "sites.txt", "first.example\n"));
    std::vector<CliRun> results(runs);
    std::vector<std::thread> threads;
    for (int i = 0; i < runs; ++i) {
      threads.emplace_back([&, i] {
        results[i] = RunCli({"site", "set", "--settings", settings, "s" + std::to_string(i) + ".example", "--counter",
                             std::to_string(i + 2)},
                            "");
      });
    }
    for (std::thread& t : threads) t.join();
    const std::string file = ReadBytes(dir + "sites.txt");
    for (int i = 0; i < runs; ++i) {
      EXPECT_EQ(results[i].status, 0) << results[i].err;
      EXPECT_TRUE(Contains(results[i].out, "site file written")) << results[i].out;
      const std::string line = "s" + std::to_string(i) + ".example\tcounter=" + std::to_string(i + 2) + "\n";
      EXPECT_TRUE(Contains(file, line)) << "lost: " << line << "in:\n" << file;
    }
  }
}

#ifndef _WIN32
// A file reached through a chain of links is rewritten where it lives, and every link stays one.
TEST_F(Cli, LinkedFilesAreWrittenWhereTheyLead) {
  const std::string cloud = dir + "cloud/";
  ASSERT_TRUE(MakeDirectory(cloud));
  ASSERT_TRUE(WriteBytes(cloud + "real.key", ReadBytes(keyA)));
  MakeSettings("cloud/real.ini", keyA, [](SettingsRecord*) {});
  ASSERT_TRUE(WriteBytes(cloud + "sites.txt", "kept.example\tlength=8\n"));
  // link -> hop -> cloud/real: relative targets, read from the link's own folder.
  auto chain = [&](const std::string& name, const std::string& real) {
    EXPECT_EQ(symlink(("cloud/" + real).c_str(), (dir + "hop-" + name).c_str()), 0);
    EXPECT_EQ(symlink(("hop-" + name).c_str(), (dir + name).c_str()), 0);
  };
  chain("link.key", "real.key");
  chain("link.ini", "real.ini");
  chain("sites.txt", "sites.txt");
  const struct {
    std::vector<std::string> args;
    std::string input, link, real;
  } cases[] = {
      {{"seal-key", "--settings", settings, "--key", dir + "link.key", "--kdf-memory", "8", "--kdf-passes", "1"},
       Line(KP_JAPANESE),
       "link.key",
       "real.key"},
      {{"change-key-password", "--settings", settings, "--key", dir + "link.key"},
       Line(KP_JAPANESE) + Line(KP_KANJI) + Line(KP_KANJI),
       "link.key",
       "real.key"},
      {{"configure", "--settings", dir + "link.ini", "--length", "30"}, "", "link.ini", "real.ini"},
      {{"site", "set", "--settings", dir + "link.ini", "new.example"}, "", "sites.txt", "sites.txt"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args[0]);
    const std::string before = ReadBytes(cloud + c.real);
    CliRun run = RunCli(c.args, Terminal(c.input));
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(ReadBytes(cloud + c.real), before);
    for (const std::string& link : {dir + c.link, dir + "hop-" + c.link}) {
      struct stat st;
      EXPECT_TRUE(lstat(link.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) << link;
    }
  }
  EXPECT_EQ(ReadBytes(cloud + "real.key").size(), (size_t)SEALED_KEY_SIZE);
  EXPECT_EQ(ReadBytes(cloud + "sites.txt"), "kept.example\tlength=8\nnew.example\n");
  EXPECT_TRUE(Exists(cloud + "sites.txt.lock"));
  EXPECT_EQ(CountTemporaries(dir) + CountTemporaries(cloud), 0);
}
#endif
