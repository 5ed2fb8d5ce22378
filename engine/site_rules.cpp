#include "site_rules.h"

#include <errno.h>
#include <stdio.h>
#include <string.h>

#include "platform.h"
#include "safe_write.h"
#include "text.h"

namespace {

const char SITE_FILE_NAME[] = "sites.txt";
const uint32_t CLASS_BITS = OPT_DIGITS | OPT_LOWER | OPT_UPPER | OPT_SYMBOLS;

// In the order a new line writes them.
enum Field { FIELD_LENGTH, FIELD_CLASSES, FIELD_DERIVATION, FIELD_COUNTER, FIELD_COUNT, FIELD_UNKNOWN = FIELD_COUNT };
const char* const FIELD_NAMES[FIELD_COUNT] = {"length", "classes", "derivation", "counter"};

const struct {
  const char* name;
  uint32_t flag;
} CLASS_WORDS[] = {{"digits", OPT_DIGITS}, {"lower", OPT_LOWER}, {"upper", OPT_UPPER}, {"symbols", OPT_SYMBOLS}};

struct Span {
  const char* p;
  size_t n;
};

bool SpanIs(Span s, const char* text) { return s.n == strlen(text) && memcmp(s.p, text, s.n) == 0; }

// One code point of well-formed UTF-8 (no overlong form, no surrogate): its
// byte count, or 0.
size_t DecodeUtf8(const unsigned char* p, size_t n, uint32_t* cp) {
  if (n == 0) return 0;
  if (p[0] < 0x80) {
    *cp = p[0];
    return 1;
  }
  size_t length;
  uint32_t min;
  if (p[0] >= 0xC2 && p[0] <= 0xDF) {
    length = 2, min = 0x80, *cp = p[0] & 0x1F;
  } else if (p[0] >= 0xE0 && p[0] <= 0xEF) {
    length = 3, min = 0x800, *cp = p[0] & 0x0F;
  } else if (p[0] >= 0xF0 && p[0] <= 0xF4) {
    length = 4, min = 0x10000, *cp = p[0] & 0x07;
  } else {
    return 0;
  }
  if (n < length) return 0;
  for (size_t i = 1; i < length; ++i) {
    if ((p[i] & 0xC0) != 0x80) return 0;
    *cp = *cp << 6 | (p[i] & 0x3F);
  }
  if (*cp < min || *cp > 0x10FFFF || (*cp >= 0xD800 && *cp <= 0xDFFF)) return 0;
  return length;
}

size_t EncodeUtf8(uint32_t cp, unsigned char* out) {
  if (cp < 0x80) {
    out[0] = (unsigned char)cp;
    return 1;
  }
  if (cp < 0x800) {
    out[0] = (unsigned char)(0xC0 | cp >> 6);
    out[1] = (unsigned char)(0x80 | (cp & 0x3F));
    return 2;
  }
  if (cp < 0x10000) {
    out[0] = (unsigned char)(0xE0 | cp >> 12);
    out[1] = (unsigned char)(0x80 | (cp >> 6 & 0x3F));
    out[2] = (unsigned char)(0x80 | (cp & 0x3F));
    return 3;
  }
  out[0] = (unsigned char)(0xF0 | cp >> 18);
  out[1] = (unsigned char)(0x80 | (cp >> 12 & 0x3F));
  out[2] = (unsigned char)(0x80 | (cp >> 6 & 0x3F));
  out[3] = (unsigned char)(0x80 | (cp & 0x3F));
  return 4;
}

bool IsUtf8(Span s) {
  for (size_t i = 0; i < s.n;) {
    uint32_t cp;
    size_t k = DecodeUtf8((const unsigned char*)s.p + i, s.n - i, &cp);
    if (k == 0 || cp == 0) return false;
    i += k;
  }
  return true;
}

// A pass phrase of a site line or of an edit, already known to be UTF-8. Its
// code page 932 length: ASCII and half-width katakana take one byte there,
// every other character two; code page 932 has none beyond U+FFFF.
SiteStatus CheckPassPhrase(Span s) {
  size_t cp932 = 0;
  for (size_t i = 0; i < s.n;) {
    uint32_t cp;
    const size_t k = DecodeUtf8((const unsigned char*)s.p + i, s.n - i, &cp);
    if (k == 0) return SITE_NOT_UTF8;
    i += k;
    // U+FEFF is in no code page 932 either; refused, it can never become the
    // file's byte order mark when the lines above it are removed.
    if (cp > 0xFFFF || cp == 0xFEFF) return SITE_NOT_CP932;
    cp932 += cp < 0x80 || (cp >= 0xFF61 && cp <= 0xFF9F) ? 1 : 2;
  }
  if (cp932 < SITE_PASS_PHRASE_MIN) return SITE_PASS_PHRASE_TOO_SHORT;
  if (cp932 > SITE_PASS_PHRASE_MAX) return SITE_PASS_PHRASE_TOO_LONG;
  return SITE_OK;
}

// Decimal digits only, from 1 to max; -1 otherwise.
int32_t Number(Span s, int32_t max) {
  if (s.n == 0) return -1;
  int32_t n = 0;
  for (size_t i = 0; i < s.n; ++i) {
    if (s.p[i] < '0' || s.p[i] > '9') return -1;
    n = n * 10 + (s.p[i] - '0');
    if (n > max) return -1;
  }
  return n >= 1 ? n : -1;
}

uint32_t Classes(Span s) {
  uint32_t flags = 0;
  for (size_t i = 0; i <= s.n;) {
    const char* comma = (const char*)memchr(s.p + i, ',', s.n - i);
    const Span item = {s.p + i, comma ? (size_t)(comma - (s.p + i)) : s.n - i};
    uint32_t flag = 0;
    for (const auto& w : CLASS_WORDS) flag |= SpanIs(item, w.name) ? w.flag : 0;
    if (!flag) return 0;
    flags |= flag;
    i += item.n + 1;
  }
  return flags;
}

Field FieldOf(Span name) {
  for (int f = 0; f < FIELD_COUNT; ++f) {
    if (SpanIs(name, FIELD_NAMES[f])) return (Field)f;
  }
  return FIELD_UNKNOWN;
}

// A known field's value into rule; false when it is not one.
bool TakeValue(Field field, Span value, SiteRule* rule) {
  switch (field) {
    case FIELD_LENGTH:
      rule->length = Number(value, SITE_LENGTH_MAX);
      return rule->length > 0;
    case FIELD_CLASSES:
      rule->classFlags = Classes(value);
      return rule->classFlags != 0;
    case FIELD_DERIVATION:
      rule->derivation = SpanIs(value, "1") ? 1 : SpanIs(value, "2") ? 2 : 0;
      return rule->derivation != 0;
    case FIELD_COUNTER:
      rule->counter = Number(value, SITE_COUNTER_MAX);
      return rule->counter > 0;
    case FIELD_UNKNOWN:
      break;
  }
  return true;
}

// Steps through the fields after a line's pass phrase.
struct FieldReader {
  Span rest;  // from the TAB before the next field
  bool Next(Span* field) {
    if (rest.n == 0) return false;
    const char* tab = (const char*)memchr(rest.p + 1, '\t', rest.n - 1);
    field->p = rest.p + 1;
    field->n = tab ? (size_t)(tab - field->p) : rest.n - 1;
    rest.p += field->n + 1;
    rest.n -= field->n + 1;
    return true;
  }
};

Span PassPhraseOf(Span line, FieldReader* fields) {
  const char* tab = (const char*)memchr(line.p, '\t', line.n);
  const size_t n = tab ? (size_t)(tab - line.p) : line.n;
  fields->rest = {line.p + n, line.n - n};
  return {line.p, n};
}

bool SplitField(Span field, Span* name, Span* value) {
  const char* equals = (const char*)memchr(field.p, '=', field.n);
  if (!equals || equals == field.p) return false;
  *name = {field.p, (size_t)(equals - field.p)};
  *value = {equals + 1, field.n - name->n - 1};
  return true;
}

// An IPv6 address as a URL's host has it: hex digits, ':' and '.' in brackets.
bool IsBracketedAddress(Span s) {
  if (s.n < 4 || s.n > 47 || s.p[0] != '[' || s.p[s.n - 1] != ']' || !memchr(s.p, ':', s.n)) return false;
  for (size_t i = 1; i + 1 < s.n; ++i) {
    const char c = s.p[i];
    if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || c == ':' || c == '.')) return false;
  }
  return true;
}

// Characters no host name keeps after IDNA mapping: blanks, the other full
// stops, full-width forms (mapped to ASCII), C1 controls and the BOM.
bool IsForeignInHost(uint32_t cp) {
  return cp < 0xA1 || cp == 0x1680 || (cp >= 0x2000 && cp <= 0x200B) || cp == 0x2028 || cp == 0x2029 || cp == 0x202F ||
         cp == 0x205F || cp == 0x3000 || cp == 0x3002 || (cp >= 0xFF01 && cp <= 0xFF5E) || cp == 0xFF61 ||
         cp == 0xFEFF || cp > 0xFFFF;
}

// One domain of a domains= field, by form only: labels of lower-case
// letters, digits, '-' (not at either end) and '_', or characters beyond
// ASCII that a host name keeps (a code page 932 form has none past U+FFFF);
// at most 63 characters a label, 253 in all. Or an IPv6 address in brackets.
bool IsDomain(Span s) {
  if (IsBracketedAddress(s)) return true;
  size_t characters = 0, label = 0;
  char previous = '.';
  for (size_t i = 0; i < s.n;) {
    uint32_t cp;
    const size_t k = DecodeUtf8((const unsigned char*)s.p + i, s.n - i, &cp);
    if (k == 0) return false;
    i += k;
    ++characters;
    if (cp == '.') {
      if (label == 0 || previous == '-') return false;
      label = 0;
    } else {
      const bool ascii = (cp >= 'a' && cp <= 'z') || (cp >= '0' && cp <= '9') || cp == '_' || cp == '-';
      if (cp < 0x80 ? !ascii : IsForeignInHost(cp)) return false;
      if (cp == '-' && label == 0) return false;
      if (++label > 63) return false;
    }
    previous = (char)(cp < 0x80 ? cp : 'x');
  }
  return label > 0 && previous != '-' && characters <= SITE_DOMAIN_MAX;
}

// A domains= value: its items, each a domain; their count, else the status.
SiteStatus CheckDomains(Span value, int32_t* count) {
  *count = 0;
  for (size_t i = 0; i <= value.n;) {
    const char* comma = (const char*)memchr(value.p + i, ',', value.n - i);
    const Span item = {value.p + i, comma ? (size_t)(comma - (value.p + i)) : value.n - i};
    if (!IsDomain(item)) return SITE_BAD_DOMAIN;
    if (++*count > SITE_DOMAIN_LIMIT) return SITE_TOO_MANY_DOMAINS;
    i += item.n + 1;
  }
  return SITE_OK;
}

bool HasDomain(Span value, Span domain) {
  for (size_t i = 0; i < value.n;) {
    const char* comma = (const char*)memchr(value.p + i, ',', value.n - i);
    const size_t n = comma ? (size_t)(comma - (value.p + i)) : value.n - i;
    if (n == domain.n && memcmp(value.p + i, domain.p, n) == 0) return true;
    i += n + 1;
  }
  return false;
}

const SiteStatus BAD_VALUE[FIELD_COUNT] = {SITE_BAD_LENGTH, SITE_BAD_CLASSES, SITE_BAD_DERIVATION, SITE_BAD_COUNTER};

// A site line: its rule, the length of its pass phrase, and its domains= value
// ({nullptr, 0} for none) with the count of its domains.
SiteStatus ReadSiteLine(Span line, SiteRule* rule, size_t* phraseLength, Span* domains, int32_t* domainCount) {
  memset(rule, 0, sizeof *rule);
  *domains = {nullptr, 0};
  *domainCount = 0;
  rule->counter = 1;
  if (memchr(line.p, '\r', line.n)) return SITE_STRAY_CR;
  if (!IsUtf8(line)) return SITE_NOT_UTF8;
  FieldReader fields;
  const Span phrase = PassPhraseOf(line, &fields);
  *phraseLength = phrase.n;
  const SiteStatus status = CheckPassPhrase(phrase);
  if (status != SITE_OK) return status;
  bool seen[FIELD_COUNT] = {};
  Span field = {}, name = {}, value = {};
  while (fields.Next(&field)) {
    if (!SplitField(field, &name, &value)) return SITE_BAD_FIELD;
    if (SpanIs(name, "domains")) {
      if (domains->p) return SITE_FIELD_TWICE;
      const SiteStatus why = CheckDomains(value, domainCount);
      if (why != SITE_OK) return why;
      *domains = value;
      continue;
    }
    const Field f = FieldOf(name);
    if (f == FIELD_UNKNOWN) continue;
    if (seen[f]) return SITE_FIELD_TWICE;
    seen[f] = true;
    if (!TakeValue(f, value, rule)) return BAD_VALUE[f];
  }
  return SITE_OK;
}

bool HasBom(const char* bytes, size_t size) { return size >= 3 && memcmp(bytes, "\xEF\xBB\xBF", 3) == 0; }

SiteStatus Refuse(SiteFile* file, SiteStatus why, int32_t line) {
  file->status = why;
  file->problemLine = line;
  if (why != SITE_OK) file->count = 0;
  return why;
}

// Indexes file->bytes afresh.
SiteStatus Parse(SiteFile* file) {
  file->status = SITE_OK;
  file->problemLine = 0;
  file->count = 0;
  size_t pos = HasBom(file->bytes, file->size) ? 3 : 0;
  for (int32_t line = 1; pos < file->size; ++line) {
    const char* begin = file->bytes + pos;
    const char* lf = (const char*)memchr(begin, '\n', file->size - pos);
    size_t n = lf ? (size_t)(lf - begin) : file->size - pos;
    const size_t next = pos + n + (lf ? 1 : 0);
    if (lf && n > 0 && begin[n - 1] == '\r') --n;
    if (n > 0 && begin[0] != '#') {
      SiteRule rule;
      size_t phraseLength;
      Span domains;
      int32_t domainCount;
      const SiteStatus status = ReadSiteLine({begin, n}, &rule, &phraseLength, &domains, &domainCount);
      if (status != SITE_OK) return Refuse(file, status, line);
      for (int32_t i = 0; i < file->count; ++i) {
        const SiteEntry& e = file->sites[i];
        if (e.phraseLength == phraseLength && memcmp(file->bytes + e.start, begin, phraseLength) == 0) {
          return Refuse(file, SITE_DUPLICATE, line);
        }
      }
      if (file->count == SITE_LIMIT) return Refuse(file, SITE_TOO_MANY_SITES, line);
      const uint32_t domainsStart = domains.p ? (uint32_t)(domains.p - file->bytes) : 0;
      file->sites[file->count++] = {(uint32_t)pos, (uint32_t)phraseLength, (uint32_t)n,         line,
                                    rule,          domainsStart,           (uint32_t)domains.n, domainCount};
    }
    pos = next;
  }
  return SITE_OK;
}

// The file's line end, for lines it gains: CR LF when its first line has one.
const char* LineEnd(const SiteFile* file) {
  const char* lf = (const char*)memchr(file->bytes, '\n', file->size);
  return lf && lf > file->bytes && lf[-1] == '\r' ? "\r\n" : "\n";
}

// Appends to the free room after file->bytes[file->size], where a new line is
// put together before it moves into place.
struct LineWriter {
  char* out;
  size_t capacity;
  size_t used;
  bool ok;
  void Put(const char* p, size_t n) {
    if (!ok || n > capacity - used) {
      ok = false;
      return;
    }
    memcpy(out + used, p, n);
    used += n;
  }
  void Put(Span s) { Put(s.p, s.n); }
  void Put(const char* text) { Put(text, strlen(text)); }
};

void PutField(LineWriter* w, Field f, const SiteRule& rule) {
  char value[64] = "";
  switch (f) {
    case FIELD_LENGTH:
      AppendNumber(value, sizeof value, rule.length);
      break;
    case FIELD_CLASSES:
      for (const auto& c : CLASS_WORDS) {
        if (!(rule.classFlags & c.flag)) continue;
        if (value[0]) AppendText(value, sizeof value, ",");
        AppendText(value, sizeof value, c.name);
      }
      break;
    case FIELD_DERIVATION:
      AppendNumber(value, sizeof value, rule.derivation);
      break;
    case FIELD_COUNTER:
      AppendNumber(value, sizeof value, rule.counter);
      break;
    case FIELD_UNKNOWN:
      return;
  }
  w->Put("\t");
  w->Put(FIELD_NAMES[f]);
  w->Put("=");
  w->Put(value);
}

bool FieldIsSet(Field f, const SiteRule& rule) {
  switch (f) {
    case FIELD_LENGTH:
      return rule.length != 0;
    case FIELD_CLASSES:
      return rule.classFlags != 0;
    case FIELD_DERIVATION:
      return rule.derivation != 0;
    case FIELD_COUNTER:
      return rule.counter > 1;
    case FIELD_UNKNOWN:
      break;
  }
  return false;
}

bool SameValue(Field f, const SiteRule& a, const SiteRule& b) {
  switch (f) {
    case FIELD_LENGTH:
      return a.length == b.length;
    case FIELD_CLASSES:
      return a.classFlags == b.classFlags;
    case FIELD_DERIVATION:
      return a.derivation == b.derivation;
    case FIELD_COUNTER:
      return a.counter == b.counter;
    case FIELD_UNKNOWN:
      break;
  }
  return false;
}

// The line for phrase and rule; old, when given, is the line it replaces:
// its fields stay in their order, unknown ones and unchanged values as written.
void PutLine(LineWriter* w, Span phrase, const SiteRule& rule, const Span* old) {
  w->Put(phrase);
  bool written[FIELD_COUNT] = {};
  if (old) {
    FieldReader fields;
    PassPhraseOf(*old, &fields);
    Span field = {}, name = {}, value = {};
    while (fields.Next(&field)) {
      const Field f = SplitField(field, &name, &value) ? FieldOf(name) : FIELD_UNKNOWN;
      if (f == FIELD_UNKNOWN) {
        w->Put("\t");
        w->Put(field);
        continue;
      }
      written[f] = true;
      SiteRule was = {};
      TakeValue(f, value, &was);
      if (!FieldIsSet(f, rule)) continue;
      if (SameValue(f, was, rule)) {
        w->Put("\t");
        w->Put(field);
      } else {
        PutField(w, f, rule);
      }
    }
  }
  for (int f = 0; f < FIELD_COUNT; ++f) {
    if (!written[f] && FieldIsSet((Field)f, rule)) PutField(w, (Field)f, rule);
  }
}

void Reverse(char* p, size_t n) {
  for (size_t i = 0; i < n / 2; ++i) {
    const char t = p[i];
    p[i] = p[n - 1 - i];
    p[n - 1 - i] = t;
  }
}

// Moves the last n of size bytes of p to the front, the rest after them.
void RotateToFront(char* p, size_t size, size_t n) {
  Reverse(p, size - n);
  Reverse(p + size - n, n);
  Reverse(p, size);
}

SiteStatus CheckRule(const SiteRule& rule) {
  if (rule.length < 0 || rule.length > SITE_LENGTH_MAX) return SITE_BAD_LENGTH;
  if (rule.classFlags & ~CLASS_BITS) return SITE_BAD_CLASSES;
  if (rule.derivation < 0 || rule.derivation > 2) return SITE_BAD_DERIVATION;
  if (rule.counter < 0 || rule.counter > SITE_COUNTER_MAX) return SITE_BAD_COUNTER;
  return SITE_OK;
}

// Passes "the same" over folded forms: letter case, full-width forms and
// blanks at either end do not count. out has capacity bytes; false when the
// folded form does not fit.
bool Fold(Span s, char* out, size_t capacity, size_t* length) {
  size_t used = 0;
  for (size_t i = 0; i < s.n;) {
    uint32_t cp;
    size_t k = DecodeUtf8((const unsigned char*)s.p + i, s.n - i, &cp);
    unsigned char encoded[4];
    size_t m = 1;
    if (k == 0) {
      encoded[0] = (unsigned char)s.p[i];  // not UTF-8: the byte as it is
      k = 1;
    } else {
      if (cp >= 0xFF01 && cp <= 0xFF5E) cp -= 0xFEE0;
      if (cp == 0x3000) cp = ' ';
      if (cp >= 'A' && cp <= 'Z') cp += 'a' - 'A';
      m = EncodeUtf8(cp, encoded);
    }
    i += k;
    if (m > capacity - used) return false;
    memcpy(out + used, encoded, m);
    used += m;
  }
  size_t begin = 0;
  while (begin < used && out[begin] == ' ') ++begin;
  while (used > begin && out[used - 1] == ' ') --used;
  memmove(out, out + begin, used - begin);
  *length = used - begin;
  return true;
}

}  // namespace

bool SiteFilePathFor(const char* settingsPath, char* out) {
  SplitDirectory(settingsPath, out, PATH_CAPACITY);
  return AppendText(out, PATH_CAPACITY, SITE_FILE_NAME);
}

SiteStatus ReadSiteFile(SiteFile* file, const char* bytes, size_t count) {
  file->size = 0;
  file->count = 0;
  if (count > SITE_FILE_CAPACITY) return Refuse(file, SITE_FILE_TOO_LARGE, 0);
  memmove(file->bytes, bytes, count);
  file->size = (uint32_t)count;
  return Parse(file);
}

SiteStatus LoadSiteFile(SiteFile* file, const char* path) {
  file->size = 0;
  file->count = 0;
  errno = 0;
  FILE* f = PlatformOpenFile(path, "rb");
  // No sites.txt is a file without sites; one that is there but cannot be
  // read must not pass for that, nor be written over.
  if (!f) return Refuse(file, errno == ENOENT ? SITE_OK : SITE_FILE_NOT_READ, 0);
  const size_t n = fread(file->bytes, 1, sizeof file->bytes, f);
  char more;
  const bool tooLarge = n == sizeof file->bytes && fread(&more, 1, 1, f) == 1;
  const bool failed = ferror(f) != 0;
  fclose(f);
  if (failed) return Refuse(file, SITE_FILE_NOT_READ, 0);
  if (tooLarge) return Refuse(file, SITE_FILE_TOO_LARGE, 0);
  file->size = (uint32_t)n;
  return Parse(file);
}

void RefuseSiteLine(SiteFile* file, int index, SiteStatus why) {
  Refuse(file, why, index >= 0 && index < file->count ? file->sites[index].line : 0);
}

SiteStatus SaveSiteFile(const SiteFile* file, const char* path) {
  if (file->status != SITE_OK) return SITE_FILE_REFUSED;
  return ReplaceFileContents(path, file->bytes, file->size) ? SITE_OK : SITE_WRITE_FAILED;
}

void SitePassPhrase(const SiteFile* file, int index, char* out, size_t capacity) {
  out[0] = 0;
  if (index < 0 || index >= file->count || capacity == 0) return;
  const SiteEntry& e = file->sites[index];
  const size_t n = e.phraseLength < capacity ? e.phraseLength : capacity - 1;
  memcpy(out, file->bytes + e.start, n);
  out[n] = 0;
}

int FindSite(const SiteFile* file, const char* passPhrase) {
  if (file->status != SITE_OK) return -1;
  const size_t n = strlen(passPhrase);
  for (int i = 0; i < file->count; ++i) {
    const SiteEntry& e = file->sites[i];
    if (e.phraseLength == n && memcmp(file->bytes + e.start, passPhrase, n) == 0) return i;
  }
  return -1;
}

int FindSiteLike(const SiteFile* file, const char* passPhrase) {
  if (file->status != SITE_OK || FindSite(file, passPhrase) >= 0) return -1;
  char typed[SITE_PASS_PHRASE_CAPACITY], site[SITE_PASS_PHRASE_CAPACITY];
  size_t typedLength, siteLength;
  int found = -1;
  if (Fold({passPhrase, strlen(passPhrase)}, typed, sizeof typed, &typedLength)) {
    for (int i = 0; i < file->count && found < 0; ++i) {
      const SiteEntry& e = file->sites[i];
      if (Fold({file->bytes + e.start, e.phraseLength}, site, sizeof site, &siteLength) && siteLength == typedLength &&
          memcmp(site, typed, typedLength) == 0) {
        found = i;
      }
    }
  }
  WipeMemory(typed, sizeof typed);
  WipeMemory(site, sizeof site);
  return found;
}

SiteStatus SetSite(SiteFile* file, const char* passPhrase, const SiteRule& rule) {
  if (file->status != SITE_OK) return SITE_FILE_REFUSED;
  const Span phrase = {passPhrase, strlen(passPhrase)};
  if (phrase.n > 0 && passPhrase[0] == '#') return SITE_BAD_PASS_PHRASE;
  if (strpbrk(passPhrase, "\t\r\n")) return SITE_BAD_PASS_PHRASE;
  if (!IsUtf8(phrase)) return SITE_NOT_UTF8;
  SiteStatus status = CheckPassPhrase(phrase);
  if (status == SITE_OK) status = CheckRule(rule);
  if (status != SITE_OK) return status;

  const int index = FindSite(file, passPhrase);
  if (index < 0 && file->count == SITE_LIMIT) return SITE_TOO_MANY_SITES;
  SiteRule normal = rule;
  if (normal.counter == 0) normal.counter = 1;

  // The new line goes together in the room after the file, then moves into place.
  const size_t size = file->size;
  const size_t bom = HasBom(file->bytes, size) ? 3 : 0;
  const bool needsLineEnd = index < 0 && size > bom && file->bytes[size - 1] != '\n';
  LineWriter w = {file->bytes + size, sizeof file->bytes - size, 0, true};
  if (needsLineEnd) w.Put(LineEnd(file));
  if (index < 0) {
    PutLine(&w, phrase, normal, nullptr);
    w.Put(LineEnd(file));
    if (!w.ok) return SITE_FILE_TOO_LARGE;
    file->size = (uint32_t)(size + w.used);
  } else {
    const SiteEntry e = file->sites[index];
    const Span old = {file->bytes + e.start, e.lineLength};
    PutLine(&w, phrase, normal, &old);
    if (!w.ok) return SITE_FILE_TOO_LARGE;
    // [start, start + old) [the rest of the file) [the new line) becomes
    // [start, start + new) [the rest of the file).
    char* at = file->bytes + e.start;
    const size_t tail = size - e.start - e.lineLength;
    RotateToFront(at + e.lineLength, tail + w.used, w.used);
    memmove(at, at + e.lineLength, w.used + tail);
    file->size = (uint32_t)(size - e.lineLength + w.used);
  }
  return Parse(file);
}

SiteStatus RemoveSite(SiteFile* file, int index) {
  if (file->status != SITE_OK) return SITE_FILE_REFUSED;
  if (index < 0 || index >= file->count) return SITE_NOT_FOUND;
  const SiteEntry& e = file->sites[index];
  size_t end = e.start + e.lineLength;
  if (end < file->size && file->bytes[end] == '\r') ++end;
  if (end < file->size && file->bytes[end] == '\n') ++end;
  memmove(file->bytes + e.start, file->bytes + end, file->size - end);
  file->size -= (uint32_t)(end - e.start);
  return Parse(file);
}

int SiteDomains(const SiteFile* file, int index, char* out, size_t capacity) {
  if (capacity > 0) out[0] = 0;
  if (index < 0 || index >= file->count) return 0;
  const SiteEntry& e = file->sites[index];
  if (e.domainsLength >= capacity) return -1;
  memcpy(out, file->bytes + e.domainsStart, e.domainsLength);
  out[e.domainsLength] = 0;
  return e.domainCount;
}

SiteStatus BindSiteDomain(SiteFile* file, int index, const char* domain) {
  if (file->status != SITE_OK) return SITE_FILE_REFUSED;
  if (index < 0 || index >= file->count) return SITE_NOT_FOUND;
  const Span d = {domain, strlen(domain)};
  if (!IsDomain(d)) return SITE_BAD_DOMAIN;
  const SiteEntry& e = file->sites[index];
  if (HasDomain({file->bytes + e.domainsStart, e.domainsLength}, d)) return SITE_OK;
  if (e.domainCount == SITE_DOMAIN_LIMIT) return SITE_TOO_MANY_DOMAINS;
  const char* before = e.domainsLength ? "," : "\tdomains=";
  const size_t at = e.domainsLength ? e.domainsStart + e.domainsLength : e.start + e.lineLength;
  const size_t n = strlen(before) + d.n;
  if (n > sizeof file->bytes - file->size) return SITE_FILE_TOO_LARGE;
  memmove(file->bytes + at + n, file->bytes + at, file->size - at);
  memcpy(file->bytes + at, before, strlen(before));
  memcpy(file->bytes + at + strlen(before), d.p, d.n);
  file->size += (uint32_t)n;
  return Parse(file);
}

bool ApplySiteRule(const SettingsRecord& settings, const SiteRule& rule, const char* passPhrase, SettingsRecord* record,
                   int32_t* length, char* derived) {
  char suffix[16] = "";
  if (rule.counter > 1) {
    suffix[0] = '#';
    suffix[1] = 0;
    AppendNumber(suffix, sizeof suffix, rule.counter);
  }
  const size_t n = strlen(passPhrase);
  if (n + strlen(suffix) > TEXT_CAPACITY - 1) return false;
  *record = settings;
  if (rule.classFlags) record->optionFlags = (settings.optionFlags & ~CLASS_BITS) | (rule.classFlags & CLASS_BITS);
  if (rule.derivation == 1) record->optionFlags &= ~(uint32_t)OPT_DERIVATION_2;
  if (rule.derivation == 2) record->optionFlags |= OPT_DERIVATION_2;
  *length = rule.length ? rule.length : settings.passwordLength;
  record->passwordLength = *length;
  memmove(derived, passPhrase, n + 1);
  memcpy(derived + n, suffix, strlen(suffix) + 1);
  return true;
}

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

Span TrimBlanks(Span s) {
  while (s.n && IsBlank(s.p[0])) ++s.p, --s.n;
  while (s.n && IsBlank(s.p[s.n - 1])) --s.n;
  return s;
}

// Whether a and b (ASCII, a lowered) differ by at most one typing error: a
// letter left out, added, changed, or two swapped.
bool OneTypoApart(const char* a, size_t an, const char* b, size_t bn) {
  size_t i = 0;
  while (i < an && i < bn && a[i] == b[i]) ++i;
  if (i == an && i == bn) return true;
  const auto same = [](const char* x, const char* y, size_t n) { return memcmp(x, y, n) == 0; };
  if (an == bn) {
    return same(a + i + 1, b + i + 1, an - i - 1) ||
           (i + 1 < an && a[i] == b[i + 1] && a[i + 1] == b[i] && same(a + i + 2, b + i + 2, an - i - 2));
  }
  if (an + 1 == bn) return same(a + i, b + i + 1, an - i);
  if (bn + 1 == an) return same(a + i + 1, b + i, bn - i);
  return false;
}

// The known field name a name stands for up to letter case, blanks around it
// or one typing error, or null; exactSpelling tells whether it is the name as
// written.
const char* LooseFieldName(Span name, bool* exactSpelling) {
  static const char* const NAMES[] = {"length", "classes", "derivation", "counter", "domains"};
  const Span trimmed = TrimBlanks(name);
  char lower[16];
  if (trimmed.n == 0 || trimmed.n >= sizeof lower) return nullptr;
  for (size_t i = 0; i < trimmed.n; ++i) {
    const char c = trimmed.p[i];
    lower[i] = c >= 'A' && c <= 'Z' ? (char)(c + 'a' - 'A') : c;
  }
  for (const char* known : NAMES) {
    if (OneTypoApart(lower, trimmed.n, known, strlen(known))) {
      *exactSpelling = SpanIs(name, known);
      return known;
    }
  }
  return nullptr;
}

// A field the reader takes: one of the rule's, or the bound domains.
bool KnownField(Span name) { return FieldOf(name) != FIELD_UNKNOWN || SpanIs(name, "domains"); }

// In a pass phrase: blanks, then "name=..." of a known field (loosely, and
// with blanks before '=' allowed). The offset of that name, or 0.
// The bytes of a blank (a space, or an input method's full-width one)
// ending just before end, or 0.
size_t BlankBefore(const char* p, size_t end) {
  if (end >= 1 && p[end - 1] == ' ') return 1;
  if (end >= 3 && memcmp(p + end - 3, "\xE3\x80\x80", 3) == 0) return 3;
  return 0;
}

size_t RuleAfterBlanks(Span phrase, const char** field) {
  for (size_t i = 1; i + 1 < phrase.n; ++i) {
    if (!BlankBefore(phrase.p, i) || BlankBefore(phrase.p, i + 1) ||
        (i + 3 <= phrase.n && BlankBefore(phrase.p, i + 3)))
      continue;
    const char* equals = (const char*)memchr(phrase.p + i, '=', phrase.n - i);
    if (!equals) return 0;
    bool exact;
    *field = LooseFieldName({phrase.p + i, (size_t)(equals - phrase.p - i)}, &exact);
    if (*field) return i;
  }
  return 0;
}

}  // namespace

bool FindSiteTypo(const SiteFile* file, int index, SiteTypo* typo) {
  if (file->status != SITE_OK || index < 0 || index >= file->count) return false;
  const SiteEntry& e = file->sites[index];
  const Span phrase = {file->bytes + e.start, e.phraseLength};
  const char* known = nullptr;
  if (const size_t at = RuleAfterBlanks(phrase, &known)) {
    size_t head = at;
    while (size_t n = BlankBefore(phrase.p, head)) head -= n;
    typo->kind = SITE_TYPO_NO_TAB;
    typo->line = e.line;
    typo->start = e.start + (uint32_t)at;
    typo->length = e.phraseLength - (uint32_t)at;
    typo->phraseLength = (uint32_t)head;
    typo->field = known;
    return head > 0;
  }
  FieldReader fields;
  PassPhraseOf({file->bytes + e.start, e.lineLength}, &fields);
  Span field = {}, name = {}, value = {};
  while (fields.Next(&field)) {
    if (!SplitField(field, &name, &value) || KnownField(name)) continue;
    bool exact = false;
    known = LooseFieldName(name, &exact);
    if (!known || exact) continue;
    *typo = {SITE_TYPO_FIELD_NAME, e.line, (uint32_t)(field.p - file->bytes), (uint32_t)field.n, 0, known};
    return true;
  }
  return false;
}

int FindSiteTypoFor(const SiteFile* file, const char* passPhrase) {
  const size_t n = strlen(passPhrase);
  SiteTypo typo;
  for (int i = 0; i < file->count; ++i) {
    if (FindSiteTypo(file, i, &typo) && typo.kind == SITE_TYPO_NO_TAB && typo.phraseLength == n &&
        memcmp(file->bytes + file->sites[i].start, passPhrase, n) == 0) {
      return i;
    }
  }
  return -1;
}

bool SiteOtherField(const SiteFile* file, int index, int n, uint32_t* start, uint32_t* length) {
  if (file->status != SITE_OK || index < 0 || index >= file->count) return false;
  const SiteEntry& e = file->sites[index];
  FieldReader fields;
  PassPhraseOf({file->bytes + e.start, e.lineLength}, &fields);
  Span field = {}, name = {}, value = {};
  while (fields.Next(&field)) {
    if (SplitField(field, &name, &value) && KnownField(name)) continue;
    if (n-- == 0) {
      *start = (uint32_t)(field.p - file->bytes);
      *length = (uint32_t)field.n;
      return true;
    }
  }
  return false;
}
