#include "site_rules.h"

#include <gtest/gtest.h>
#include <string.h>

#include <string>
#include <vector>

#include "derive.h"
#include "keyfile.h"
#include "test_files.h"

namespace {

SiteFile g_file;  // too large for the stack

SiteStatus Read(const std::string& bytes) { return ReadSiteFile(&g_file, bytes.data(), bytes.size()); }

std::string Bytes() { return std::string(g_file.bytes, g_file.size); }

std::string Lines(const std::string& line, int count) {
  std::string out;
  for (int i = 0; i < count; ++i) out += std::to_string(1000 + i) + line + "\n";
  return out;
}

// "d1.example,d2.example,..."
std::string Domains(int count) {
  std::string out;
  for (int i = 1; i <= count; ++i) out += (i > 1 ? ",d" : "d") + std::to_string(i) + ".example";
  return out;
}

const uint32_t ALL = OPT_DIGITS | OPT_LOWER | OPT_UPPER | OPT_SYMBOLS;

}  // namespace

TEST(SiteFile, ReadsTheFormatAndRefusesEachBreakWithItsLine) {
  const std::string bom = "\xEF\xBB\xBF";
  struct Case {
    std::string bytes;
    SiteStatus status;
    int line;        // of the refusal
    int count;       // sites, when read
    SiteRule first;  // the first site's rule, when read
  } cases[] = {
      {"", SITE_OK, 0, 0, {}},
      {"# sites\n\n#\tx\n", SITE_OK, 0, 0, {}},
      {"example.com\n", SITE_OK, 0, 1, {0, 0, 0, 1}},
      {"a.example\tlength=12\tclasses=upper,digits\tderivation=2\tcounter=3",
       SITE_OK,
       0,
       1,
       {12, OPT_DIGITS | OPT_UPPER, 2, 3}},
      {"a.example\tnote=my bank\tx=\tlength=0016\n", SITE_OK, 0, 1, {16, 0, 0, 1}},
      {"# c\r\n\r\nabcd\tcounter=1\r\nefgh\r\n", SITE_OK, 0, 2, {0, 0, 0, 1}},
      {bom + "abcd\tderivation=1\n", SITE_OK, 0, 1, {0, 0, 1, 1}},
      {u8"予約\nｱｲｳｴ\n  #x\n", SITE_OK, 0, 3, {}},  // 4 code page 932 bytes each
      {std::string(SITE_PASS_PHRASE_MAX, 'a'), SITE_OK, 0, 1, {}},
      {Lines("site", SITE_LIMIT), SITE_OK, 0, SITE_LIMIT, {}},
      {"#" + std::string(SITE_FILE_CAPACITY - 1, 'x'), SITE_OK, 0, 0, {}},
      {"#" + std::string(SITE_FILE_CAPACITY, 'x'), SITE_FILE_TOO_LARGE, 0, 0, {}},
      {Lines("site", SITE_LIMIT + 1), SITE_TOO_MANY_SITES, SITE_LIMIT + 1, 0, {}},
      {"# c\nabc\n", SITE_PASS_PHRASE_TOO_SHORT, 2, 0, {}},
      {u8"予\n", SITE_PASS_PHRASE_TOO_SHORT, 1, 0, {}},
      {u8"ｱｲｳ\n", SITE_PASS_PHRASE_TOO_SHORT, 1, 0, {}},
      {"\tlength=8\n", SITE_PASS_PHRASE_TOO_SHORT, 1, 0, {}},
      {std::string(SITE_PASS_PHRASE_MAX + 1, 'a'), SITE_PASS_PHRASE_TOO_LONG, 1, 0, {}},
      {"abcd\n\xF0\x9F\x98\x80\xF0\x9F\x98\x80\n", SITE_NOT_CP932, 2, 0, {}},
      {"abcd\n" + bom + "efgh\n", SITE_NOT_CP932, 2, 0, {}},  // a byte order mark past the start
      {"abcd\xFF\n", SITE_NOT_UTF8, 1, 0, {}},
      {"ab\xC0\xAF"
       "cd\n",
       SITE_NOT_UTF8,
       1,
       0,
       {}},
      {std::string("abcd\n\nab\0cd\n", 12), SITE_NOT_UTF8, 3, 0, {}},
      {"abcd\tnote=\xED\xA0\x80\n", SITE_NOT_UTF8, 1, 0, {}},
      {"ab\rcd\n", SITE_STRAY_CR, 1, 0, {}},
      {"abcd\r", SITE_STRAY_CR, 1, 0, {}},
      {"abcd\nefgh\r\nabcd\r\n", SITE_DUPLICATE, 3, 0, {}},
      {"abcd\tlength\n", SITE_BAD_FIELD, 1, 0, {}},
      {"abcd\t=8\n", SITE_BAD_FIELD, 1, 0, {}},
      {"abcd\t\tlength=8\n", SITE_BAD_FIELD, 1, 0, {}},
      {"abcd\tlength=8\t\n", SITE_BAD_FIELD, 1, 0, {}},
      {"abcd\tlength=8\tlength=8\n", SITE_FIELD_TWICE, 1, 0, {}},
      {"abcd\tlength=0\n", SITE_BAD_LENGTH, 1, 0, {}},
      {"abcd\tlength=1024\n", SITE_BAD_LENGTH, 1, 0, {}},
      {"abcd\tlength= 8\n", SITE_BAD_LENGTH, 1, 0, {}},
      {"abcd\tclasses=\n", SITE_BAD_CLASSES, 1, 0, {}},
      {"abcd\tclasses=digits,,lower\n", SITE_BAD_CLASSES, 1, 0, {}},
      {"abcd\tclasses=Digits\n", SITE_BAD_CLASSES, 1, 0, {}},
      {"abcd\tderivation=3\n", SITE_BAD_DERIVATION, 1, 0, {}},
      {"abcd\tcounter=0\n", SITE_BAD_COUNTER, 1, 0, {}},
      {"abcd\tcounter=10000\n", SITE_BAD_COUNTER, 1, 0, {}},
      {u8"abcd\tdomains=a.example,日本語.jp,xn--wgv71a119e.jp,127.0.0.1,[::1],localhost,a_b-c.example\tlength=8",
       SITE_OK,
       0,
       1,
       {8, 0, 0, 1}},
      {"abcd\tdomains=" + Domains(SITE_DOMAIN_LIMIT), SITE_OK, 0, 1, {}},
      {"abcd\tdomains=" + Domains(SITE_DOMAIN_LIMIT + 1), SITE_TOO_MANY_DOMAINS, 1, 0, {}},
      {"abcd\tdomains=" + std::string(63, 'a') + "." + std::string(63, 'b') + "." + std::string(63, 'c') + "." +
           std::string(61, 'd'),
       SITE_OK,
       0,
       1,
       {}},
      {"abcd\tdomains=a.example\tdomains=b.example", SITE_FIELD_TWICE, 1, 0, {}},
  };
  for (const char* bad : {"", "Example.com", "a.example,", ".a.example", "a..example", "a.example.", "-a.example",
                          "a-.example", "a b.example", "a/b.example", u8"ａ.example", u8"a。example", u8"😀.example",
                          "\xC2\xA0"
                          "a.example",
                          "[::g]", "[1.2.3.4]"}) {
    const std::string line = "# c\nabcd\tdomains=" + std::string(bad) + "\n";
    EXPECT_EQ(Read(line), SITE_BAD_DOMAIN) << bad;
    EXPECT_EQ(g_file.problemLine, 2) << bad;
  }
  const std::string longLabel = "abcd\tdomains=" + std::string(64, 'a') + ".example";
  const std::string longDomain = "abcd\tdomains=" + std::string(63, 'a') + "." + std::string(63, 'b') + "." +
                                 std::string(63, 'c') + "." + std::string(62, 'd');
  EXPECT_EQ(Read(longLabel), SITE_BAD_DOMAIN);
  EXPECT_EQ(Read(longDomain), SITE_BAD_DOMAIN);
  for (const Case& c : cases) {
    const std::string name = c.bytes.substr(0, 40);
    ASSERT_EQ(Read(c.bytes), c.status) << name;
    EXPECT_EQ(g_file.problemLine, c.line) << name;
    if (c.status != SITE_OK) {
      // A refused file is never changed.
      EXPECT_EQ(SetSite(&g_file, "wxyz", {}), SITE_FILE_REFUSED) << name;
      EXPECT_EQ(FindSite(&g_file, "abcd"), -1) << name;
      continue;
    }
    ASSERT_EQ(g_file.count, c.count) << name;
    EXPECT_EQ(Bytes(), c.bytes) << name;
    if (c.first.counter == 0) continue;
    const SiteRule& r = g_file.sites[0].rule;
    EXPECT_EQ(r.length, c.first.length) << name;
    EXPECT_EQ(r.classFlags, c.first.classFlags) << name;
    EXPECT_EQ(r.derivation, c.first.derivation) << name;
    EXPECT_EQ(r.counter, c.first.counter) << name;
  }
}

TEST(SiteFile, EditsChangeOneLineAndKeepTheRest) {
  struct Case {
    std::string before;
    const char* phrase;  // nullptr: remove the first site
    SiteRule rule;
    SiteStatus status;
    std::string after;  // the file unchanged when status is not SITE_OK
  } cases[] = {
      {"", "example.com", {12, 0, 0, 0}, SITE_OK, "example.com\tlength=12\n"},
      {"# c\r\nabcd",
       "wxyz",
       {0, OPT_SYMBOLS | OPT_DIGITS, 2, 3},
       SITE_OK,
       "# c\r\nabcd\r\nwxyz\tclasses=digits,symbols\tderivation=2\tcounter=3\r\n"},
      {"# head\nsite.example\tnote=x\tcounter=2\tclasses=lower,digits\n# tail\n",
       "site.example",
       {8, OPT_DIGITS | OPT_LOWER, 0, 3},
       SITE_OK,
       "# head\nsite.example\tnote=x\tcounter=3\tclasses=lower,digits\tlength=8\n# tail\n"},
      {"abcd\tlength=8\tcounter=2\r\nefgh\r\n", "abcd", {0, 0, 0, 1}, SITE_OK, "abcd\r\nefgh\r\n"},
      {"a1b2\nc3d4\r\ne5f6", nullptr, {}, SITE_OK, "c3d4\r\ne5f6"},
      {"\xEF\xBB\xBF"
       "abcd\n# c\n",
       nullptr,
       {},
       SITE_OK,
       "\xEF\xBB\xBF# c\n"},
      {"\xEF\xBB\xBF",
       "abcd",
       {},
       SITE_OK,
       "\xEF\xBB\xBF"
       "abcd\n"},
      {"abcd\n", "#abc", {}, SITE_BAD_PASS_PHRASE, ""},
      {"abcd\n", "ab\tcd", {}, SITE_BAD_PASS_PHRASE, ""},
      {"abcd\n", "abc", {}, SITE_PASS_PHRASE_TOO_SHORT, ""},
      {"abcd\n", "abcd", {1024, 0, 0, 0}, SITE_BAD_LENGTH, ""},
      {"abcd\n", "abcd", {0, 64, 0, 0}, SITE_BAD_CLASSES, ""},
      {"abcd\n", "abcd", {0, 0, 3, 0}, SITE_BAD_DERIVATION, ""},
      {"abcd\n", "abcd", {0, 0, 0, 10000}, SITE_BAD_COUNTER, ""},
      {Lines("site", SITE_LIMIT), "wxyz", {}, SITE_TOO_MANY_SITES, ""},
      {"#" + std::string(SITE_FILE_CAPACITY - 8, 'x') + "\n", "abcdefgh", {}, SITE_FILE_TOO_LARGE, ""},
  };
  for (const Case& c : cases) {
    const std::string name = c.before.substr(0, 40) + " / " + (c.phrase ? c.phrase : "remove");
    ASSERT_EQ(Read(c.before), SITE_OK) << name;
    const SiteStatus status = c.phrase ? SetSite(&g_file, c.phrase, c.rule) : RemoveSite(&g_file, 0);
    EXPECT_EQ(status, c.status) << name;
    EXPECT_EQ(Bytes(), c.status == SITE_OK ? c.after : c.before) << name;
  }

  // Through a file: what was read is written back byte for byte.
  const std::string dir = ScratchDir("sites"), path = dir + "sites.txt";
  EXPECT_EQ(LoadSiteFile(&g_file, path.c_str()), SITE_OK);  // none yet: no sites
  EXPECT_EQ(g_file.count, 0);
  const std::string kept = "\xEF\xBB\xBF# mine\r\nabcd\tz=1\r\n\r\nefgh";
  ASSERT_TRUE(WriteBytes(path, kept));
  ASSERT_EQ(LoadSiteFile(&g_file, path.c_str()), SITE_OK);
  ASSERT_EQ(SaveSiteFile(&g_file, path.c_str()), SITE_OK);
  EXPECT_EQ(ReadBytes(path), kept);
  EXPECT_EQ(LoadSiteFile(&g_file, dir.c_str()), SITE_FILE_NOT_READ);  // there, but no file
  EXPECT_EQ(SaveSiteFile(&g_file, path.c_str()), SITE_FILE_REFUSED);
}

TEST(SiteFile, BindsDomainsAndKeepsThemThroughEdits) {
  struct Case {
    std::string before;
    const char* domain;  // bound to the first site
    SiteStatus status;
    std::string after;  // the file unchanged when status is not SITE_OK
    int count;          // the first site's domains after
  } cases[] = {
      {"# c\r\nabcd\r\nefgh", "a.example", SITE_OK, "# c\r\nabcd\tdomains=a.example\r\nefgh", 1},
      {"abcd\tdomains=a.example\tlength=8\n", u8"日本語.jp", SITE_OK, u8"abcd\tdomains=a.example,日本語.jp\tlength=8\n",
       2},
      {"abcd\tdomains=a.example,b.example", "a.example", SITE_OK, "abcd\tdomains=a.example,b.example", 2},
      {"abcd\tdomains=a.example", "A.example", SITE_BAD_DOMAIN, "", 1},
      {"abcd\tdomains=" + Domains(SITE_DOMAIN_LIMIT), "a.example", SITE_TOO_MANY_DOMAINS, "", SITE_DOMAIN_LIMIT},
      {"abcd\n#" + std::string(SITE_FILE_CAPACITY - 20, 'x'), "abc.example", SITE_FILE_TOO_LARGE, "", 0},
  };
  char list[SITE_DOMAINS_CAPACITY];
  for (const Case& c : cases) {
    ASSERT_EQ(Read(c.before), SITE_OK) << c.domain;
    EXPECT_EQ(BindSiteDomain(&g_file, 0, c.domain), c.status) << c.domain;
    EXPECT_EQ(Bytes(), c.status == SITE_OK ? c.after : c.before) << c.domain;
    EXPECT_EQ(SiteDomains(&g_file, 0, list, sizeof list), c.count) << c.domain;
  }
  // A rule changed by the site commands keeps the site's domains where they are.
  ASSERT_EQ(Read("abcd\tlength=8\tdomains=a.example,b.example\tcounter=2\n"), SITE_OK);
  ASSERT_EQ(SetSite(&g_file, "abcd", {12, 0, 0, 3}), SITE_OK);
  EXPECT_EQ(Bytes(), "abcd\tlength=12\tdomains=a.example,b.example\tcounter=3\n");
  EXPECT_EQ(SiteDomains(&g_file, 0, list, sizeof list), 2);
  EXPECT_STREQ(list, "a.example,b.example");
  EXPECT_EQ(SiteDomains(&g_file, 0, list, 19), -1);  // no room for its terminator
  EXPECT_EQ(BindSiteDomain(&g_file, 1, "a.example"), SITE_NOT_FOUND);
}

TEST(SiteFile, FindsTheSiteATypoMeant) {
  ASSERT_EQ(Read(u8"example.com\nＢａｎｋ　Ｏｎｅ\n my site \n"), SITE_OK);
  struct Case {
    const char* typed;
    int exact, like;
  } cases[] = {
      {"example.com", 0, -1},       {"Example.COM", -1, 0},     {u8"ｅｘａｍｐｌｅ．ｃｏｍ", -1, 0},
      {"example.com ", -1, 0},      {u8"　example.com", -1, 0}, {"bank one", -1, 1},
      {u8"ＢＡＮＫ ｏｎｅ", -1, 1}, {" my site ", 2, -1},       {"MY SITE", -1, 2},
      {"bankone", -1, -1},          {"example.org", -1, -1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FindSite(&g_file, c.typed), c.exact) << c.typed;
    EXPECT_EQ(FindSiteLike(&g_file, c.typed), c.like) << c.typed;
  }
}

TEST(SiteRule, DerivesAsTheRuleWrittenOutByHand) {
  unsigned char key[KEY_BUFFER_SIZE];
  const int count = CreateKey(key, "correct horse");
  ASSERT_EQ(count, KEY_FILE_SIZE);
  const uint32_t D2 = OPT_DERIVATION_2;
  struct Case {
    const char* line;         // sites.txt
    uint32_t settingsFlags;   // the settings' flags; their length is 16
    const char* typed;        // UTF-8, to look the site up
    const char* cp932;        // as the derivation takes it; nullptr: typed
    const char* derivedFrom;  // what the rule comes to, by hand
    int32_t length;
    uint32_t flags;
  } cases[] = {
      {"other.example\tlength=4", ALL, "example.com", nullptr, "example.com", 16, ALL},
      {"example.com", ALL | OPT_CLIPBOARD, "example.com", nullptr, "example.com", 16, ALL | OPT_CLIPBOARD},
      {"example.com\tcounter=3", ALL, "example.com", nullptr, "example.com#3", 16, ALL},
      {"bank.example\tlength=8\tclasses=digits,lower\tderivation=2", ALL, "bank.example", nullptr, "bank.example", 8,
       OPT_DIGITS | OPT_LOWER | D2},
      {"pin.example\tclasses=digits\tlength=4\tcounter=12", ALL | D2, "pin.example", nullptr, "pin.example#12", 4,
       OPT_DIGITS | D2},
      {"old.example\tderivation=1\tcounter=2", OPT_UPPER | D2, "old.example", nullptr, "old.example#2", 16, OPT_UPPER},
      {u8"予約サイト\tcounter=9999", ALL, u8"予約サイト", "\x97\x5c\x96\xf1\x83\x54\x83\x43\x83\x67",
       "\x97\x5c\x96\xf1\x83\x54\x83\x43\x83\x67#9999", 16, ALL},
  };
  for (const Case& c : cases) {
    ASSERT_EQ(Read(c.line), SITE_OK) << c.line;
    SettingsRecord settings, byHand, record;
    SetDefaultSettings(&settings, "");
    settings.optionFlags = c.settingsFlags;
    byHand = settings;
    byHand.optionFlags = c.flags;
    const int site = FindSite(&g_file, c.typed);
    const SiteRule rule = site >= 0 ? g_file.sites[site].rule : SiteRule{0, 0, 0, 1};
    char derived[TEXT_CAPACITY];
    int32_t length = 0;
    ASSERT_TRUE(ApplySiteRule(settings, rule, c.cp932 ? c.cp932 : c.typed, &record, &length, derived)) << c.line;
    EXPECT_STREQ(derived, c.derivedFrom) << c.line;
    EXPECT_EQ(length, c.length) << c.line;
    char got[TEXT_CAPACITY] = {}, expected[TEXT_CAPACITY] = {};
    ASSERT_TRUE(DerivePassword(record, key, count, "correct horse", derived, length, got));
    ASSERT_TRUE(DerivePassword(byHand, key, count, "correct horse", c.derivedFrom, c.length, expected));
    EXPECT_STREQ(got, expected) << c.line;
  }
  // No room for "#2" after 1022 bytes: nothing is derived from a cut pass phrase.
  SettingsRecord settings, record;
  SetDefaultSettings(&settings, "");
  char derived[TEXT_CAPACITY];
  int32_t length = 0;
  EXPECT_FALSE(ApplySiteRule(settings, {0, 0, 0, 2}, std::string(1022, 'a').c_str(), &record, &length, derived));
  EXPECT_EQ(length, 0);
}

// Rules typed with blanks or a mistaken name: read as before, but found.
TEST(SiteFile, FindsRulesThatAreNotInForce) {
  const struct {
    const char* line;
    int kind;  // 0: none
    const char* text;
    const char* field;
    const char* before;  // SITE_TYPO_NO_TAB: the pass phrase before the blanks
  } cases[] = {
      {"bank.example    length=12", SITE_TYPO_NO_TAB, "length=12", "length", "bank.example"},
      {"my bank classes=digits\tcounter=2", SITE_TYPO_NO_TAB, "classes=digits", "classes", "my bank"},
      {"bank.example Counter = 3", SITE_TYPO_NO_TAB, "Counter = 3", "counter", "bank.example"},
      {u8"銀行\u3000 length=8", SITE_TYPO_NO_TAB, "length=8", "length", u8"銀行"},
      {"bank.example\tlength = 12", SITE_TYPO_FIELD_NAME, "length = 12", "length", ""},
      {"bank.example\tLength=12", SITE_TYPO_FIELD_NAME, "Length=12", "length", ""},
      {"bank.example\tlenght=12", SITE_TYPO_FIELD_NAME, "lenght=12", "length", ""},
      {"bank.example\tnote=x\tderivaton=2", SITE_TYPO_FIELD_NAME, "derivaton=2", "derivation", ""},
      {"bank.example\tlength=12\tnote=x", 0, "", "", ""},
      {"my site name=x", 0, "", "", ""},
      {"a=b length", 0, "", "", ""},
      {"bank.example\tcolour=red", 0, "", "", ""},
  };
  for (const auto& c : cases) {
    ASSERT_EQ(Read(std::string("# top\n") + c.line + "\n"), SITE_OK) << c.line;
    ASSERT_EQ(g_file.count, 1);
    SiteTypo typo = {};
    ASSERT_EQ(FindSiteTypo(&g_file, 0, &typo), c.kind != 0) << c.line;
    if (!c.kind) continue;
    EXPECT_EQ(typo.kind, c.kind) << c.line;
    EXPECT_EQ(typo.line, 2) << c.line;
    EXPECT_EQ(std::string(g_file.bytes + typo.start, typo.length), c.text) << c.line;
    EXPECT_STREQ(typo.field, c.field) << c.line;
    EXPECT_EQ(FindSiteTypoFor(&g_file, c.before), c.kind == SITE_TYPO_NO_TAB ? 0 : -1) << c.line;
    // Nothing derives differently: the whole line's pass phrase is the site.
    EXPECT_EQ(g_file.sites[0].rule.length, 0) << c.line;
  }
}
