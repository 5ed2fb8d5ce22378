// Site rules: sites.txt beside the settings file gives some pass phrases a
// length, classes, derivation or counter of their own. The file is UTF-8 text
// and is kept here as its bytes, so that a file read and written unchanged is
// the same file byte for byte, and a front end can import and export it whole.
//
// sites.txt, one line each:
//   empty, or beginning with '#': kept as it is;
//   otherwise a pass phrase exactly as typed, then fields, each after one TAB:
//     length=1..1023  classes=digits,lower,upper,symbols (a non-empty subset)
//     derivation=1|2  counter=1..9999 (1 is never written)
//     domains=the domains the site is bound to, comma-separated, at most 16:
//       lower case, an international one in Unicode or its xn-- form, an IP
//       address ([...] for IPv6) or a single label; checked by form only
//   a field left out takes the settings' value; a field of another name is
//   kept as it stands and ignored. Line ends LF, or CR LF; a UTF-8 byte order
//   mark at the start is kept and skipped.
//
// Pass phrases are UTF-8 here: front ends convert what is typed (code page
// 932 in the dialog program and sorrel-cli) before they look a site up. The
// derivation itself still takes the typed code page 932 bytes (ApplySiteRule).
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "settings.h"

enum {
  SITE_FILE_CAPACITY = 64 * 1024,  // bytes of sites.txt; a larger file is refused, not cut
  SITE_LIMIT = 500,                // sites in one file
  SITE_COUNTER_MAX = 9999,
  SITE_LENGTH_MAX = TEXT_CAPACITY - 1,
  // Code page 932 bytes of a site's pass phrase: at least 4, as the main
  // window takes them, and at most what leaves room for "#9999" in a
  // 1024-byte pass phrase buffer.
  SITE_PASS_PHRASE_MIN = 4,
  SITE_PASS_PHRASE_MAX = TEXT_CAPACITY - 1 - 5,
  // A buffer for the UTF-8 form of any pass phrase of a 1024-byte code page
  // 932 buffer (a code page 932 byte is at most 3 UTF-8 bytes).
  SITE_PASS_PHRASE_CAPACITY = 3 * TEXT_CAPACITY,
  SITE_DOMAIN_LIMIT = 16,  // domains bound to one site
  SITE_DOMAIN_MAX = 253,   // characters of one domain; 63 of one label
  // A buffer for any site's domains= list, terminated (a character of a
  // domain is at most 3 UTF-8 bytes).
  SITE_DOMAINS_CAPACITY = SITE_DOMAIN_LIMIT * (3 * SITE_DOMAIN_MAX + 1),
};

// Why a file was refused (with the line), or why an edit was. Front ends turn
// these into their own texts.
enum SiteStatus {
  SITE_OK,
  SITE_FILE_NOT_READ,          // the file is there but could not be read (line 0)
  SITE_FILE_TOO_LARGE,         // more than SITE_FILE_CAPACITY bytes (line 0); an edit: no room left
  SITE_TOO_MANY_SITES,         // more than SITE_LIMIT sites (the first line past it)
  SITE_NOT_UTF8,               // not UTF-8 text, or a zero byte
  SITE_STRAY_CR,               // a CR that does not end the line
  SITE_PASS_PHRASE_TOO_SHORT,  // fewer than 4 bytes in code page 932 (an empty one too)
  SITE_PASS_PHRASE_TOO_LONG,   // more than SITE_PASS_PHRASE_MAX bytes in code page 932
  SITE_NOT_CP932,              // a character code page 932 does not hold (see RefuseSiteLine)
  SITE_DUPLICATE,              // the pass phrase of an earlier line
  SITE_BAD_FIELD,              // a field that is not name=value (two TABs, a TAB at the end)
  SITE_FIELD_TWICE,            // length, classes, derivation or counter given twice
  SITE_BAD_LENGTH,             // not 1 to 1023
  SITE_BAD_CLASSES,            // not a non-empty comma list of digits, lower, upper, symbols
  SITE_BAD_DERIVATION,         // not 1 or 2
  SITE_BAD_COUNTER,            // not 1 to 9999
  // Edits only.
  SITE_BAD_PASS_PHRASE,  // holds a TAB, CR or LF, or begins with '#'
  SITE_FILE_REFUSED,     // the file was refused: it is never changed or written
  SITE_NOT_FOUND,        // no site at that index
  SITE_WRITE_FAILED,     // the safe writer failed; the file on disk is as it was
  // A line's domains, and a domain to bind (after the others: front ends
  // know the statuses above by number).
  SITE_BAD_DOMAIN,        // an empty list, or an item that is no domain in lower case
  SITE_TOO_MANY_DOMAINS,  // more than SITE_DOMAIN_LIMIT
};

// A site's rule. A zero field takes the settings' value.
struct SiteRule {
  int32_t length;       // 1 to 1023, or 0
  uint32_t classFlags;  // some of OPT_DIGITS, OPT_LOWER, OPT_UPPER, OPT_SYMBOLS, or 0
  int32_t derivation;   // 1 or 2, or 0
  int32_t counter;      // 1 to 9999; 0 is taken as 1
};

struct SiteEntry {
  uint32_t start;         // offset of the line in bytes
  uint32_t phraseLength;  // UTF-8 bytes of the pass phrase, from start
  uint32_t lineLength;    // bytes of the line without its line end
  int32_t line;           // 1 for the file's first line
  SiteRule rule;
  uint32_t domainsStart;   // offset of the domains= value in bytes
  uint32_t domainsLength;  // its bytes; 0 for a site bound to no domain
  int32_t domainCount;
};

// A file as read, and as edited since. All zero is an empty file (a missing
// sites.txt) that may be written. Large (about 80 KiB): keep one, not on the stack.
struct SiteFile {
  SiteStatus status;    // SITE_OK, else why it was refused: then no edit and no save
  int32_t problemLine;  // the refused line; 0 for the file as a whole
  uint32_t size;        // bytes used in bytes
  int32_t count;        // sites, in the order of their lines
  char bytes[SITE_FILE_CAPACITY];
  SiteEntry sites[SITE_LIMIT];
};

// sites.txt in the folder of a settings file (code page 932 paths, 260 bytes).
// False when it does not fit.
bool SiteFilePathFor(const char* settingsPath, char* out);

// Reads count bytes (a whole sites.txt) into file. bytes may be file->bytes
// itself (a page that imports a file writes it there). The status is also
// left in file->status, with file->problemLine. A refused file has no sites:
// the lookups below find nothing in it, and no edit or save is taken.
SiteStatus ReadSiteFile(SiteFile* file, const char* bytes, size_t count);

// Reads the file at path; a missing file is an empty one (SITE_OK).
SiteStatus LoadSiteFile(SiteFile* file, const char* path);

// Marks a site's line as refused, for what the engine cannot see itself: a
// front end that cannot put a site's pass phrase into code page 932 refuses
// the file with SITE_NOT_CP932 at that site's line.
void RefuseSiteLine(SiteFile* file, int index, SiteStatus why);

// The file through the safe writer. SITE_FILE_REFUSED for a refused file,
// SITE_WRITE_FAILED when writing fails.
SiteStatus SaveSiteFile(const SiteFile* file, const char* path);

// A site's pass phrase, UTF-8 and terminated; cut to fit capacity (give
// SITE_PASS_PHRASE_CAPACITY to have it whole).
void SitePassPhrase(const SiteFile* file, int index, char* out, size_t capacity);

// The site of exactly this UTF-8 pass phrase: its index, or -1.
int FindSite(const SiteFile* file, const char* passPhrase);

// For a typed pass phrase that has no rule: a site whose pass phrase differs
// from it only by ASCII letter case, by full-width forms against half-width
// ones (U+FF01..U+FF5E against U+0021..U+007E, U+3000 against a space), or by
// blanks at either end. Its index (the first such), or -1. Nothing typed is
// changed by it: the password stays that of what was typed.
int FindSiteLike(const SiteFile* file, const char* passPhrase);

// Adds a site at the end, or changes the rule of the site of that pass phrase
// (UTF-8), checked as the reader checks a line. A changed line keeps its
// other fields and their order; the rest of the file is kept byte for byte.
// On failure the file is as before.
SiteStatus SetSite(SiteFile* file, const char* passPhrase, const SiteRule& rule);

// Removes a site's line. On failure the file is as before.
SiteStatus RemoveSite(SiteFile* file, int index);

// A site's domains as its domains= field has them (comma-separated UTF-8),
// terminated, into out; their count. 0 and "" for none; -1 and "" when out
// cannot hold them (SITE_DOMAINS_CAPACITY always can).
int SiteDomains(const SiteFile* file, int index, char* out, size_t capacity);

// Binds a domain (UTF-8, of the form domains= takes) to a site: added at the
// end of its domains= field, or in a new field at the end of its line; the
// rest of the file is kept byte for byte. A domain already bound to it
// changes nothing. On failure the file is as before.
SiteStatus BindSiteDomain(SiteFile* file, int index, const char* domain);

// What to derive with: settings (after the caller has applied the key's own
// derivation choice) with the rule's length, classes and derivation; the
// class strings stay the settings'. derived receives the pass phrase to
// derive from: passPhrase itself (code page 932, as typed) for counter 1,
// else passPhrase + '#' + the counter in decimal ASCII. derived has room for
// TEXT_CAPACITY bytes and may be passPhrase itself. False, with nothing
// changed, when that does not fit in 1023 bytes.
bool ApplySiteRule(const SettingsRecord& settings, const SiteRule& rule, const char* passPhrase, SettingsRecord* record,
                   int32_t* length, char* derived);

// A site line that looks meant to carry a rule that is not in force: not
// refused, since the password it gives today may be the one the site has,
// but worth a warning wherever the file is read.
enum SiteTypoKind {
  // "bank.example    length=12": blanks where the TAB belongs, so the rule is
  // part of the pass phrase (phraseLength: the pass phrase before the blanks).
  SITE_TYPO_NO_TAB = 1,
  // "Length=12", "lenght=12", "length = 12": a field of another name, ignored.
  SITE_TYPO_FIELD_NAME,
};

struct SiteTypo {
  int32_t kind;            // a SiteTypoKind
  int32_t line;            // of the file, 1 for the first
  uint32_t start, length;  // the mistaken text (the field, or the rule after the blanks), in bytes
  uint32_t phraseLength;   // SITE_TYPO_NO_TAB: UTF-8 bytes of the pass phrase before the blanks
  const char* field;       // the known field meant: "length", "classes", ...
};

// The first such mistake on site index's line; false when there is none.
bool FindSiteTypo(const SiteFile* file, int index, SiteTypo* typo);

// The site whose line has a SITE_TYPO_NO_TAB mistake right after this UTF-8
// pass phrase ("bank.example" for "bank.example    length=12"), or -1.
int FindSiteTypoFor(const SiteFile* file, const char* passPhrase);

// The n-th field (from 0) of site index's line that is of no known name,
// kept and ignored: its bytes [*start, *start + *length). False past the last.
bool SiteOtherField(const SiteFile* file, int index, int n, uint32_t* start, uint32_t* length);
