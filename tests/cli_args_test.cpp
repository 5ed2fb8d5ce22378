#include <gtest/gtest.h>
#include <string.h>

#include <string>
#include <vector>

#include "args.h"

namespace {

struct Parsed {
  bool ok;
  CliOptions options;
};

Parsed Parse(std::vector<std::string> args) {
  args.insert(args.begin(), "sorrel-cli");
  std::vector<const char*> argv;
  for (const std::string& a : args) argv.push_back(a.c_str());
  Parsed p;
  memset(&p.options, 0xAB, sizeof p.options);
  p.ok = ParseArguments((int)argv.size(), argv.data(), &p.options);
  return p;
}

const uint32_t ALL_CLASSES = OPT_DIGITS | OPT_LOWER | OPT_UPPER | OPT_SYMBOLS;

}  // namespace

TEST(CliArguments, TakesWhatEachCommandAllows) {
  struct Case {
    std::vector<std::string> args;
    CliCommand command;
    const char* passPhrase;  // nullptr: none given
    const char* settings;
    const char* key;
    const char* newKey;
    int32_t length;  // 0: none given
    uint32_t classes;
    bool force;
  } cases[] = {
      {{"generate"}, CLI_GENERATE, nullptr, "", "", "", 0, 0, false},
      {{"generate", "example.com"}, CLI_GENERATE, "example.com", "", "", "", 0, 0, false},
      {{"generate", ""}, CLI_GENERATE, "", "", "", "", 0, 0, false},
      {{"generate", "-"}, CLI_GENERATE, "-", "", "", "", 0, 0, false},
      {{"generate", "--", "-x"}, CLI_GENERATE, "-x", "", "", "", 0, 0, false},
      {{"generate", "--", "--help"}, CLI_GENERATE, "--help", "", "", "", 0, 0, false},
      {{"generate", "--length", "1", "abcd"}, CLI_GENERATE, "abcd", "", "", "", 1, 0, false},
      {{"generate", "--length=1023"}, CLI_GENERATE, nullptr, "", "", "", 1023, 0, false},
      {{"generate", "--length", "0016"}, CLI_GENERATE, nullptr, "", "", "", 16, 0, false},
      {{"generate", "--classes", "digits"}, CLI_GENERATE, nullptr, "", "", "", 0, OPT_DIGITS, false},
      {{"generate", "--classes=symbols,lower,symbols"},
       CLI_GENERATE,
       nullptr,
       "",
       "",
       "",
       0,
       OPT_SYMBOLS | OPT_LOWER,
       false},
      {{"generate", "--classes", "upper,digits,lower,symbols"},
       CLI_GENERATE,
       nullptr,
       "",
       "",
       "",
       0,
       ALL_CLASSES,
       false},
      {{"generate", "--settings", "s.ini", "--key", "\x95\x5c.key", "p4ss"},
       CLI_GENERATE,
       "p4ss",
       "s.ini",
       "\x95\x5c.key",
       "",
       0,
       0,
       false},
      {{"new-key", "my.key"}, CLI_NEW_KEY, nullptr, "", "", "my.key", 0, 0, false},
      {{"new-key", "--force", "my.key"}, CLI_NEW_KEY, nullptr, "", "", "my.key", 0, 0, true},
      {{"init", "--key", "k", "--force"}, CLI_INIT, nullptr, "", "k", "", 0, 0, true},
      {{"init", "--settings=a=b.ini", "--key=k"}, CLI_INIT, nullptr, "a=b.ini", "k", "", 0, 0, false},
      {{"show-settings", "--settings", "s.ini"}, CLI_SHOW_SETTINGS, nullptr, "s.ini", "", "", 0, 0, false},
      {{"site", "set", "--classes=digits", "a b", "--length", "8"},
       CLI_SITE_SET,
       "a b",
       "",
       "",
       "",
       8,
       OPT_DIGITS,
       false},
      {{"site", "list", "--settings", "s.ini"}, CLI_SITE_LIST, nullptr, "s.ini", "", "", 0, 0, false},
      {{"site", "next", "--", "-x-"}, CLI_SITE_NEXT, "-x-", "", "", "", 0, 0, false},
      {{"--help"}, CLI_HELP, nullptr, "", "", "", 0, 0, false},
      {{"generate", "--length", "0", "-h"}, CLI_HELP, nullptr, "", "", "", 0, 0, false},
  };
  for (const Case& c : cases) {
    std::string name = testing::PrintToString(c.args);
    Parsed p = Parse(c.args);
    ASSERT_TRUE(p.ok) << name << ": " << p.options.message;
    const CliOptions& o = p.options;
    EXPECT_EQ(o.command, c.command) << name;
    if (c.command == CLI_HELP) continue;
    EXPECT_EQ(o.hasPassPhrase, c.passPhrase != nullptr) << name;
    EXPECT_STREQ(o.passPhrase, c.passPhrase ? c.passPhrase : "") << name;
    EXPECT_STREQ(o.settingsPath, c.settings) << name;
    EXPECT_STREQ(o.keyPath, c.key) << name;
    EXPECT_STREQ(o.newKeyPath, c.newKey) << name;
    EXPECT_EQ(o.hasLength, c.length != 0) << name;
    EXPECT_EQ(o.length, c.length) << name;
    EXPECT_EQ(o.hasClasses, c.classes != 0) << name;
    EXPECT_EQ(o.classFlags, c.classes) << name;
    EXPECT_EQ(o.force, c.force) << name;
  }
}

TEST(CliArguments, TakesTheKeyCareCommandsAndOptions) {
  struct Case {
    std::vector<std::string> args;
    CliCommand command;
    const char* key;
    const char* file;
    bool noVerify, clip;
    int32_t clipSeconds;
  } cases[] = {
      {{"verify"}, CLI_VERIFY, "", "", false, false, 0},
      {{"verify", "--key", "k", "--settings", "s"}, CLI_VERIFY, "k", "", false, false, 0},
      {{"export-key", "--key=k"}, CLI_EXPORT_KEY, "k", "", false, false, 0},
      {{"import-key", "--force", "b.key"}, CLI_IMPORT_KEY, "", "b.key", false, false, 0},
      {{"generate", "--no-verify", "abcd"}, CLI_GENERATE, "", "", true, false, 0},
      {{"generate", "--clip"}, CLI_GENERATE, "", "", false, true, 45},
      {{"generate", "--clip-seconds=3600", "--clip", "--no-verify"}, CLI_GENERATE, "", "", true, true, 3600},
      {{"generate", "--clip", "--clip-seconds", "1"}, CLI_GENERATE, "", "", false, true, 1},
  };
  for (const Case& c : cases) {
    std::string name = testing::PrintToString(c.args);
    Parsed p = Parse(c.args);
    ASSERT_TRUE(p.ok) << name << ": " << p.options.message;
    EXPECT_EQ(p.options.command, c.command) << name;
    EXPECT_STREQ(p.options.keyPath, c.key) << name;
    EXPECT_STREQ(p.options.newKeyPath, c.file) << name;
    EXPECT_EQ(p.options.noVerify, c.noVerify) << name;
    EXPECT_EQ(p.options.clip, c.clip) << name;
    EXPECT_EQ(p.options.clipSeconds, c.clipSeconds) << name;
  }
}

TEST(CliArguments, RefusesUsageErrorsWithTheirReason) {
  struct Case {
    std::vector<std::string> args;
    std::string message;  // a part of the message
  } cases[] = {
      {{}, "no command"},
      {{"frobnicate"}, "unknown command: frobnicate"},
      {{"--settings", "s.ini"}, "unknown command"},
      {{"generate", "--bogus"}, "unknown option: --bogus"},
      {{"generate", "-x"}, "unknown option: -x"},
      {{"generate", "--a-very-long-option-name-indeed-yes"}, "unknown option"},
      {{"generate", "a", "b"}, "unexpected argument for generate"},
      {{"generate", "--length"}, "--length needs a value"},
      {{"generate", "--length", "0"}, "from 1 to 1023"},
      {{"generate", "--length", "-5"}, "from 1 to 1023"},
      {{"generate", "--length", ""}, "from 1 to 1023"},
      {{"generate", "--length", "12x"}, "from 1 to 1023"},
      {{"generate", "--length", " 8"}, "from 1 to 1023"},
      {{"generate", "--length", "1024"}, "from 1 to 1023"},
      {{"generate", "--length", "99999999999999999999"}, "from 1 to 1023"},
      {{"generate", "--length", "5", "--length", "6"}, "--length given twice"},
      {{"generate", "--classes", ""}, "--classes takes a comma-separated list"},
      {{"generate", "--classes", "digits,,upper"}, "--classes takes a comma-separated list"},
      {{"generate", "--classes", "digits,"}, "--classes takes a comma-separated list"},
      {{"generate", "--classes", "digits,hex"}, "unknown class"},
      {{"generate", "--classes", "Digits"}, "unknown class"},
      {{"generate", "--force"}, "--force does not apply to generate"},
      {{"generate", "--settings", ""}, "empty value for --settings"},
      {{"new-key"}, "new-key needs a FILE"},
      {{"new-key", "a.key", "b.key"}, "unexpected argument"},
      {{"new-key", "--length", "8", "a.key"}, "does not apply to new-key"},
      {{"new-key", "--force=yes", "a.key"}, "--force takes no value"},
      {{"new-key", ""}, "empty value for FILE"},
      {{"new-key", "--kdf-memory", "257", "a.key"}, "--kdf-memory takes MiB from 8 to 256"},
      {{"init"}, "init needs --key FILE"},
      {{"init", "--key"}, "--key needs a value"},
      {{"init", "--key", "k", "extra"}, "unexpected argument"},
      {{"init", "--key", "k", "--classes", "digits"}, "does not apply to init"},
      {{"show-settings", "--key", "k"}, "does not apply to show-settings"},
      {{"show-settings", "x"}, "unexpected argument"},
      {{"generate", "--clip-seconds", "5"}, "--clip-seconds needs --clip"},
      {{"generate", "--clip", "--clip-seconds", "0"}, "1 to 3600"},
      {{"generate", "--clip", "--clip-seconds", "3601"}, "1 to 3600"},
      {{"generate", "--clip", "--clip-seconds", "9x"}, "1 to 3600"},
      {{"generate", "--clip=yes"}, "--clip takes no value"},
      {{"generate", "--no-verify", "--no-verify"}, "--no-verify given twice"},
      {{"verify", "--length", "5"}, "does not apply to verify"},
      {{"verify", "x"}, "unexpected argument"},
      {{"export-key", "--force"}, "does not apply to export-key"},
      {{"import-key"}, "import-key needs a FILE"},
      {{"import-key", "--key", "k", "b.key"}, "does not apply to import-key"},
      {{"new-key", "--clip", "a.key"}, "does not apply to new-key"},
      {{"site"}, "site needs one of: set, list, show, remove, next"},
      {{"site", "frob"}, "unknown site command (set, list, show, remove, next): frob"},
      {{"site", "show"}, "site show needs a SITE"},
      {{"site", "list", "x"}, "unexpected argument for site list"},
      {{"site", "next", "x", "--counter", "2"}, "--counter does not apply to site next"},
      {{"site", "set", "x", "--counter", "0"}, "--counter takes a number from 1 to 9999"},
      {{"generate", "--counter", "10000"}, "--counter takes a number from 1 to 9999"},
      {{"configure"}, "configure needs a setting to change"},
      {{"configure", "--settings", "s.ini"}, "configure needs a setting to change"},
      {{"configure", "--clipboard", "yes"}, "--clipboard takes on or off"},
      {{"configure", "--force"}, "--force does not apply to configure"},
      {{"generate", "--clipboard", "on"}, "--clipboard does not apply to generate"},
  };
  for (const Case& c : cases) {
    Parsed p = Parse(c.args);
    EXPECT_FALSE(p.ok) << testing::PrintToString(c.args);
    EXPECT_NE(std::string(p.options.message).find(c.message), std::string::npos)
        << testing::PrintToString(c.args) << " gave: " << p.options.message;
  }
}

// A path or pass phrase is taken whole or refused: a cut one would name
// another file or give another password.
TEST(CliArguments, TakesTextsThatFitAndRefusesLongerOnes) {
  const std::string path259(259, 'p'), phrase1023(1023, 'x');
  Parsed p = Parse({"generate", "--settings", path259, "--key", path259, phrase1023});
  ASSERT_TRUE(p.ok) << p.options.message;
  EXPECT_EQ(std::string(p.options.settingsPath), path259);
  EXPECT_EQ(std::string(p.options.keyPath), path259);
  EXPECT_EQ(std::string(p.options.passPhrase), phrase1023);

  const std::vector<std::string> refused[] = {
      {"generate", "--settings", path259 + "p"},
      {"generate", "--key", path259 + "p"},
      {"generate", phrase1023 + "x"},
      {"new-key", path259 + "p"},
      {"init", "--key", path259 + "p"},
  };
  for (const auto& args : refused) {
    p = Parse(args);
    EXPECT_FALSE(p.ok) << args[1];
    EXPECT_NE(std::string(p.options.message).find("too long"), std::string::npos) << p.options.message;
  }
}
