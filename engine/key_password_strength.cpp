#include "key_password_strength.h"

#include <string.h>

#include "common_passwords.h"

namespace {

// Characters: an ASCII byte as itself, a code page 932 character as 0x100 +
// its byte or 0x10000 + its two bytes.
enum { MAX_CHARS = 64 };

const double NEVER = 1e300;

enum CharClass { CLASS_DIGIT, CLASS_LOWER, CLASS_UPPER, CLASS_SYMBOL, CLASS_OTHER };

CharClass ClassOf(int c) {
  if (c >= '0' && c <= '9') return CLASS_DIGIT;
  if (c >= 'a' && c <= 'z') return CLASS_LOWER;
  if (c >= 'A' && c <= 'Z') return CLASS_UPPER;
  if (c < 0x80) return CLASS_SYMBOL;
  return CLASS_OTHER;
}

// Choices per character for a guesser who knows which kinds are used: kana
// alone are some 170, and a Japanese key password is mostly kana.
const double CLASS_SIZE[] = {10, 26, 26, 33, 100};

int SplitChars(const char* text, int* out) {
  int n = 0;
  const unsigned char* p = (const unsigned char*)text;
  while (*p && n < MAX_CHARS) {
    const bool lead = (*p >= 0x81 && *p <= 0x9F) || (*p >= 0xE0 && *p <= 0xFC);
    if (lead && p[1]) {
      out[n++] = 0x10000 + (p[0] << 8) + p[1];
      p += 2;
    } else {
      out[n++] = *p < 0x80 ? *p : 0x100 + *p;
      p++;
    }
  }
  return n;
}

// --- the list: decoded once from its Huffman code into sorted bands.
char g_words[COMMON_TEXT_BYTES];
unsigned short g_wordAt[COMMON_WORDS];
bool g_decoded;

void DecodeCommon() {
  // Canonical code: per length, how many symbols; the symbols by length.
  int perLength[33] = {0};
  int sorted[COMMON_SYMBOLS];
  int count = 0;
  for (int length = 1; length <= 32; length++) {
    for (int s = 0; s < COMMON_SYMBOLS; s++) {
      if (COMMON_CODE_LENGTHS[s] == length) {
        perLength[length]++;
        sorted[count++] = s;
      }
    }
  }
  long bit = 0;
  const long bits = (long)COMMON_DATA_BYTES * 8;
  int word = -1, at = 0, start = 0;
  while (bit < bits) {
    int code = 0, first = 0, index = 0, symbol = -1;
    for (int length = 1; length <= 32 && bit < bits; length++) {
      code |= (COMMON_DATA[bit >> 3] >> (7 - (bit & 7))) & 1;
      bit++;
      if (code - first < perLength[length]) {
        symbol = sorted[index + code - first];
        break;
      }
      index += perLength[length];
      first = (first + perLength[length]) << 1;
      code <<= 1;
    }
    if (symbol < 0) break;  // the padding at the end
    if (symbol < COMMON_SHARED_SYMBOLS) {
      if (word + 1 >= COMMON_WORDS || at + symbol + 1 >= COMMON_TEXT_BYTES) break;
      if (word >= 0) g_words[at++] = 0;
      // A new word: the shared bytes copied from the one before.
      word++;
      g_wordAt[word] = (unsigned short)at;
      for (int i = 0; i < symbol; i++) g_words[at + i] = g_words[start + i];
      start = at;
      at += symbol;
    } else if (word >= 0 && at + 1 < COMMON_TEXT_BYTES) {
      g_words[at++] = COMMON_CHARS[symbol - COMMON_SHARED_SYMBOLS];
    }
  }
  g_decoded = true;
}

// The rank band's last rank for a word of the list, else 0.
double CommonRank(const char* word) {
  if (!g_decoded) DecodeCommon();
  int low = 0;
  for (int band = 0; band < COMMON_BANDS; band++) {
    int lo = low, hi = COMMON_BAND_ENDS[band] - 1;
    while (lo <= hi) {
      const int mid = (lo + hi) / 2;
      const int order = strcmp(word, g_words + g_wordAt[mid]);
      if (order == 0) return COMMON_BAND_ENDS[band];
      if (order < 0) {
        hi = mid - 1;
      } else {
        lo = mid + 1;
      }
    }
    low = COMMON_BAND_ENDS[band];
  }
  return 0;
}

// Letters for the digits and signs people put in their place.
char Unleet(char c, bool oneIsL) {
  switch (c) {
    case '4':
    case '@':
      return 'a';
    case '3':
      return 'e';
    case '1':
      return oneIsL ? 'l' : 'i';
    case '!':
      return 'i';
    case '0':
      return 'o';
    case '$':
    case '5':
      return 's';
    case '7':
    case '+':
      return 't';
    default:
      return c;
  }
}

double ListGuesses(const int* c, int n) {
  if (n < 3 || n > COMMON_LONGEST) return NEVER;
  char lower[COMMON_LONGEST + 1];
  int upper = 0;
  for (int i = 0; i < n; i++) {
    if (c[i] >= 0x80) return NEVER;
    lower[i] = (char)c[i];
    if (ClassOf(c[i]) == CLASS_UPPER) {
      lower[i] = (char)(c[i] + 32);
      upper++;
    }
  }
  lower[n] = 0;
  // Capitals: none, the first or all are the usual; others cost more.
  double variants = 1;
  if (upper == n || (upper == 1 && ClassOf(c[0]) == CLASS_UPPER)) {
    variants = 2;
  } else {
    for (int i = 0; i < upper; i++) variants *= 4;
  }
  double best = NEVER;
  for (int reversed = 0; reversed < 2; reversed++) {
    for (int leet = 0; leet < 3; leet++) {
      char word[COMMON_LONGEST + 1];
      double cost = variants * (reversed ? 2 : 1);
      for (int i = 0; i < n; i++) {
        const char plain = lower[reversed ? n - 1 - i : i];
        word[i] = leet ? Unleet(plain, leet == 2) : plain;
        if (word[i] != plain) cost *= 2;
      }
      word[n] = 0;
      const double rank = CommonRank(word);
      if (rank > 0 && rank * cost < best) best = rank * cost;
    }
  }
  return best;
}

double SequenceGuesses(const int* c, int n) {
  if (n < 3) return NEVER;
  const CharClass kind = ClassOf(c[0]);
  const int step = c[1] - c[0];
  // Kana step by 2 where small kana stand between (あぃい).
  if (step == 0 || step > 2 || step < -2 || kind == CLASS_SYMBOL) return NEVER;
  for (int i = 1; i < n; i++) {
    if (ClassOf(c[i]) != kind || c[i] - c[i - 1] != step) return NEVER;
  }
  const bool obvious = strchr("aAzZ019", c[0] < 0x80 ? c[0] : ' ') != nullptr;
  double guesses = (obvious ? 4 : CLASS_SIZE[kind]) * n;
  if (step < 0) guesses *= 2;
  if (step == 2 || step == -2) guesses *= 2;
  return guesses;
}

// The keyboard: four rows of keys, each row half a key to the right of the
// one above; x in half keys.
const char* const ROWS[] = {"`1234567890-=", "qwertyuiop[]\\", "asdfghjkl;'", "zxcvbnm,./"};
const char* const SHIFTED_ROWS[] = {"~!@#$%^&*()_+", "QWERTYUIOP{}|", "ASDFGHJKL:\"", "ZXCVBNM<>?"};

bool FindKey(int c, int* row, int* x, bool* shifted) {
  for (int r = 0; r < 4; r++) {
    for (int s = 0; s < 2; s++) {
      const char* keys = s ? SHIFTED_ROWS[r] : ROWS[r];
      const char* at = c > 0 && c < 0x80 ? strchr(keys, c) : nullptr;
      if (at) {
        *row = r;
        *x = 2 * (int)(at - keys) + (r ? r + 2 : 0);
        *shifted = s == 1;
        return true;
      }
    }
  }
  return false;
}

double KeyboardGuesses(const int* c, int n) {
  if (n < 3) return NEVER;
  int row, x, turns = 0, direction = -1;
  bool shifted, anyShifted = false;
  if (!FindKey(c[0], &row, &x, &shifted)) return NEVER;
  anyShifted = shifted;
  for (int i = 1; i < n; i++) {
    int nextRow, nextX;
    if (!FindKey(c[i], &nextRow, &nextX, &shifted)) return NEVER;
    anyShifted = anyShifted || shifted;
    const int dr = nextRow - row, dx = nextX - x;
    const bool neighbour = (dr == 0 && (dx == 2 || dx == -2)) || ((dr == 1 || dr == -1) && (dx == 1 || dx == -1));
    if (!neighbour) return NEVER;
    const int now = (dr + 1) * 8 + dx + 2;
    if (now != direction) turns++;
    direction = now;
    row = nextRow;
    x = nextX;
  }
  // Every path of this length with at most this many turns, from any of the
  // 47 keys, about 4.6 neighbours at each turn.
  double guesses = 0;
  for (int length = 2; length <= n; length++) {
    double ways = 1;  // (length - 2) choose (t - 1)
    double power = 4.6;
    for (int t = 1; t <= turns && t < length; t++) {
      guesses += ways * 47 * power;
      ways = ways * (length - 1 - t) / t;
      power *= 4.6;
    }
  }
  return anyShifted ? guesses * 2 : guesses;
}

// A year's guesses: years near today are tried first.
double YearGuesses(int year) {
  const int distance = year > 2025 ? year - 2025 : 2025 - year;
  return distance < 20 ? 20 : distance;
}

int Number(const int* c, int n) {
  int value = 0;
  for (int i = 0; i < n; i++) value = value * 10 + (c[i] - '0');
  return value;
}

// Day, month and a year of 2 or 4 digits in some order: the year's guesses
// times 365, else NEVER.
double DayMonthYear(int a, int b, int year, int yearDigits) {
  if (yearDigits == 2) year += year < 50 ? 2000 : 1900;
  if (year < 1900 || year > 2099) return NEVER;
  const bool dayMonth = a >= 1 && a <= 31 && b >= 1 && b <= 12;
  const bool monthDay = b >= 1 && b <= 31 && a >= 1 && a <= 12;
  return dayMonth || monthDay ? YearGuesses(year) * 365 : NEVER;
}

double DateGuesses(const int* c, int n) {
  int digits[MAX_CHARS], parts[3] = {0}, lengths[3] = {0}, count = 0, part = 0;
  int separator = 0;
  for (int i = 0; i < n; i++) {
    if (ClassOf(c[i]) == CLASS_DIGIT) {
      digits[count++] = c[i];
      lengths[part]++;
    } else if (strchr("/-. _\\", c[i] < 0x80 ? c[i] : '#') && i > 0 && lengths[part] > 0 && part < 2 &&
               (separator == 0 || separator == c[i])) {
      separator = c[i];
      part++;
    } else {
      return NEVER;
    }
  }
  if (separator) {
    if (part != 2 || lengths[2] == 0) return NEVER;
    int at = 0;
    for (int p = 0; p < 3; p++) {
      if (lengths[p] > 4) return NEVER;
      parts[p] = Number(digits + at, lengths[p]);
      at += lengths[p];
    }
    double best = NEVER;
    // Year last (d/m/y, m/d/y) or first (y/m/d).
    if (lengths[0] <= 2 && lengths[1] <= 2 && (lengths[2] == 2 || lengths[2] == 4)) {
      best = DayMonthYear(parts[0], parts[1], parts[2], lengths[2]);
    }
    if (lengths[0] == 4 && lengths[1] <= 2 && lengths[2] <= 2) {
      const double ymd = DayMonthYear(parts[2], parts[1], parts[0], 4);
      if (ymd < best) best = ymd;
    }
    return best < NEVER ? best * 4 : NEVER;
  }
  if (n == 4) {
    const int year = Number(c, 4);
    if (year >= 1900 && year <= 2099) return YearGuesses(year);
  }
  if (n < 4 || n > 8) return NEVER;
  // No separator: the year first or last, the rest a day and a month.
  double best = NEVER;
  for (int yearDigits = 2; yearDigits <= 4; yearDigits += 2) {
    const int rest = n - yearDigits;
    if (rest < 2 || rest > 4) continue;
    for (int yearFirst = 0; yearFirst < 2; yearFirst++) {
      const int* year = yearFirst ? c : c + rest;
      const int* dm = yearFirst ? c + yearDigits : c;
      for (int first = 1; first <= 2; first++) {
        const int second = rest - first;
        if (second < 1 || second > 2) continue;
        const double g =
            DayMonthYear(Number(dm, first), Number(dm + first, second), Number(year, yearDigits), yearDigits);
        if (g < best) best = g;
      }
    }
  }
  return best;
}

double Estimate(const int* c, int n, KeyPasswordWeakness* weakness, int depth);

// The smallest group that c[0..n) repeats, the count in *times; 0 if none.
int RepeatedGroup(const int* c, int n, int* times) {
  for (int size = 1; size <= n / 2; size++) {
    if (n % size) continue;
    bool same = true;
    for (int i = size; i < n && same; i++) same = c[i] == c[i - size];
    if (same) {
      *times = n / size;
      return size;
    }
  }
  return 0;
}

// The fewest guesses for c[0..n) as one pattern, its kind in *kind.
double PatternGuesses(const int* c, int n, KeyPasswordWeakness* kind, int depth) {
  double best = NEVER;
  double g;
  int times;
  const int group = n >= 3 ? RepeatedGroup(c, n, &times) : 0;
  if (group && depth < 2 && (g = Estimate(c, group, nullptr, depth + 1) * times) < best) {
    best = g;
    *kind = KEY_PASSWORD_REPEAT;
  }
  if ((g = ListGuesses(c, n)) < best) {
    best = g;
    *kind = KEY_PASSWORD_COMMON;
  }
  if ((g = SequenceGuesses(c, n)) < best) {
    best = g;
    *kind = KEY_PASSWORD_SEQUENCE;
  }
  if ((g = KeyboardGuesses(c, n)) < best) {
    best = g;
    *kind = KEY_PASSWORD_KEYBOARD;
  }
  if ((g = DateGuesses(c, n)) < best) {
    best = g;
    *kind = KEY_PASSWORD_DATE;
  }
  return best;
}

double Estimate(const int* c, int n, KeyPasswordWeakness* weakness, int depth) {
  double size = 0;
  bool seen[5] = {false};
  for (int i = 0; i < n; i++) seen[ClassOf(c[i])] = true;
  for (int k = 0; k < 5; k++) size += seen[k] ? CLASS_SIZE[k] : 0;
  // best[j]: fewest guesses for c[0..j); from[j], kind[j]: its last part.
  double best[MAX_CHARS + 1];
  int from[MAX_CHARS + 1];
  KeyPasswordWeakness kind[MAX_CHARS + 1];
  best[0] = 1;
  for (int j = 1; j <= n; j++) {
    best[j] = best[j - 1] * size;
    from[j] = j - 1;
    kind[j] = KEY_PASSWORD_SHORT;
    for (int i = 0; i + 1 < j; i++) {
      KeyPasswordWeakness k = KEY_PASSWORD_SHORT;
      const double g = PatternGuesses(c + i, j - i, &k, depth);
      // Each pattern costs a little for where it starts.
      if (g < NEVER && best[i] * g * 2 < best[j]) {
        best[j] = best[i] * g * 2;
        from[j] = i;
        kind[j] = k;
      }
    }
  }
  if (weakness) {
    // The pattern that saves the guesser most says why; one that saves less
    // than a thousandfold leaves the length to blame.
    *weakness = KEY_PASSWORD_SHORT;
    double most = 1000;
    for (int j = n; j > 0; j = from[j]) {
      double saved = 1 / (best[j] / best[from[j]]);
      for (int i = from[j]; i < j; i++) saved *= size;
      if (kind[j] != KEY_PASSWORD_SHORT && saved >= most) {
        most = saved;
        *weakness = kind[j];
      }
    }
    if (best[n] >= KEY_PASSWORD_WEAK_GUESSES) *weakness = KEY_PASSWORD_STRONG;
  }
  return best[n];
}

}  // namespace

double KeyPasswordGuesses(const char* keyPassword, KeyPasswordWeakness* weakness) {
  int chars[MAX_CHARS];
  const int n = SplitChars(keyPassword, chars);
  return Estimate(chars, n, weakness, 0);
}

KeyPasswordWeakness JudgeKeyPassword(const char* keyPassword) {
  KeyPasswordWeakness weakness = KEY_PASSWORD_SHORT;
  KeyPasswordGuesses(keyPassword, &weakness);
  return weakness;
}
