#include "derive2.h"

#include <string.h>

#include "keyfile.h"
#include "sodium/crypto_auth_hmacsha256.h"
#include "text.h"

namespace {

// With its zero byte, the message's first 20 bytes.
const char DOMAIN[] = "Sorrel derivation 2";
const int CLASS_COUNT = 4;
const int BLOCK_SIZE = crypto_auth_hmacsha256_BYTES;

struct CharClass {
  uint32_t bit;
  char chars[CLASS_CAPACITY];  // printable ASCII, each byte once; a field without a zero byte fills it
  int count;
};

// The bytes before the first zero byte of at most size bytes, keeping
// printable ASCII only and each byte once: appended to chars, which holds
// count bytes already, with seen marking those bytes.
int AppendDistinct(const char* bytes, int size, bool* seen, char* chars, int count) {
  for (int i = 0; i < size && bytes[i]; ++i) {
    const unsigned char c = (unsigned char)bytes[i];
    if (c < 0x21 || c > 0x7E || seen[c]) continue;
    seen[c] = true;
    chars[count++] = (char)c;
  }
  return count;
}

// The enabled classes that keep a character, in the fixed order.
int EnabledClasses(const SettingsRecord& s, CharClass* classes) {
  const struct {
    uint32_t bit;
    const char* field;
  } order[CLASS_COUNT] = {
      {OPT_DIGITS, s.digitChars}, {OPT_LOWER, s.lowerChars}, {OPT_UPPER, s.upperChars}, {OPT_SYMBOLS, s.symbolChars}};
  int k = 0;
  for (const auto& o : order) {
    if (!(s.optionFlags & o.bit)) continue;
    CharClass& c = classes[k];
    memset(&c, 0, sizeof c);
    c.bit = o.bit;
    bool seen[256] = {};
    c.count = AppendDistinct(o.field, CLASS_CAPACITY, seen, c.chars, 0);
    if (c.count > 0) ++k;
  }
  return k;
}

void Update(crypto_auth_hmacsha256_state* state, const void* bytes, size_t size) {
  crypto_auth_hmacsha256_update(state, (const unsigned char*)bytes, size);
}

// The blocks HMAC(seed, 0), HMAC(seed, 1), ... taken two bytes at a time.
struct Stream {
  crypto_auth_hmacsha256_state keyed;  // keyed by the seed once, copied for each block
  unsigned char block[BLOCK_SIZE];
  uint32_t next;  // index of the next block
  int used;       // bytes of block already drawn; BLOCK_SIZE before the first
};

void PutLittleEndian32(unsigned char* out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out[i] = (unsigned char)(v >> (8 * i));
}

uint32_t Draw16(Stream* stream) {
  if (stream->used == BLOCK_SIZE) {
    unsigned char index[4];
    PutLittleEndian32(index, stream->next++);
    crypto_auth_hmacsha256_state state = stream->keyed;
    crypto_auth_hmacsha256_update(&state, index, sizeof index);
    crypto_auth_hmacsha256_final(&state, stream->block);
    WipeMemory(&state, sizeof state);
    stream->used = 0;
  }
  const uint32_t v = stream->block[stream->used] | (uint32_t)stream->block[stream->used + 1] << 8;
  stream->used += 2;
  return v;
}

// Uniform in 0..m-1 (m from 1 to 65536): draws past the last whole multiple of
// m are thrown away, so that no value is favoured.
uint32_t Uniform(Stream* stream, uint32_t m) {
  const uint32_t limit = 65536 - 65536 % m;
  uint32_t v;
  do v = Draw16(stream);
  while (v >= limit);
  return v % m;
}

}  // namespace

bool DerivePassword2(const SettingsRecord& settings, const unsigned char* keyBytes, int32_t keyCount,
                     const char* keyPassword, const char* passPhrase, int32_t length, char* output) {
  if (keyCount < 2 || keyCount > KEY_BUFFER_SIZE) return false;
  if (length < 1 || length > DERIVE2_MAX_LENGTH) return false;
  CharClass classes[CLASS_COUNT];
  const int k = EnabledClasses(settings, classes);
  char charset[CLASS_COUNT * CLASS_CAPACITY];
  int charsetSize = 0;
  bool inCharset[256] = {};
  uint32_t classBits = 0;
  for (int e = 0; e < k; ++e) {
    charsetSize = AppendDistinct(classes[e].chars, classes[e].count, inCharset, charset, charsetSize);
    classBits |= classes[e].bit;
  }
  if (charsetSize == 0) return false;

  // The secret: the unmasked key bytes, its final byte left aside.
  unsigned char secret[KEY_BUFFER_SIZE];
  memcpy(secret, keyBytes, (size_t)keyCount);
  MaskWithPassword(secret, keyPassword, keyCount);

  Stream stream = {};
  stream.used = BLOCK_SIZE;
  crypto_auth_hmacsha256_state state;
  crypto_auth_hmacsha256_init(&state, secret, (size_t)keyCount - 1);
  Update(&state, DOMAIN, sizeof DOMAIN);
  Update(&state, passPhrase, strlen(passPhrase) + 1);
  unsigned char lengthBytes[4];
  PutLittleEndian32(lengthBytes, (uint32_t)length);
  Update(&state, lengthBytes, sizeof lengthBytes);
  const unsigned char bits = (unsigned char)classBits;
  Update(&state, &bits, 1);
  const unsigned char zero = 0;
  for (int e = 0; e < k; ++e) {
    Update(&state, classes[e].chars, (size_t)classes[e].count);
    Update(&state, &zero, 1);
  }
  unsigned char seed[BLOCK_SIZE];
  crypto_auth_hmacsha256_final(&state, seed);
  crypto_auth_hmacsha256_init(&stream.keyed, seed, sizeof seed);

  // Characters from the whole set; then, where there is room, one of each
  // class inserted at a drawn place, so that every class is there.
  char result[TEXT_CAPACITY];
  int32_t size = 0;
  const int32_t drawn = length >= k ? length - k : length;
  while (size < drawn) result[size++] = charset[Uniform(&stream, (uint32_t)charsetSize)];
  if (length >= k) {
    for (int e = 0; e < k; ++e) {
      const char c = classes[e].chars[Uniform(&stream, (uint32_t)classes[e].count)];
      const uint32_t at = Uniform(&stream, (uint32_t)size + 1);
      memmove(result + at + 1, result + at, (size_t)(size - (int32_t)at));
      result[at] = c;
      ++size;
    }
  }
  memcpy(output, result, (size_t)length);

  WipeMemory(secret, sizeof secret);
  WipeMemory(seed, sizeof seed);
  WipeMemory(&state, sizeof state);
  WipeMemory(&stream, sizeof stream);
  WipeMemory(result, sizeof result);
  return true;
}
