// Making a key: the Fisher-Yates shuffle from the system's random source, against
// the clock-seeded walk of 10,000,000 random exchanges that it replaced.
#include <benchmark/benchmark.h>
#include <stdint.h>
#include <string.h>
#include <time.h>

#include "keyfile.h"

namespace {

void BM_CreateKey(benchmark::State& state) {
  unsigned char key[KEY_BUFFER_SIZE];
  for (auto _ : state) {
    int n = CreateKey(key, "bench key password");
    benchmark::DoNotOptimize(n);
    benchmark::DoNotOptimize(key);
  }
}

// The old pool builder, kept here only as the baseline: srand/rand-style LCG
// seeded with the clock's seconds, both positions drawn afresh for every swap.
struct ClockLcg {
  uint32_t state;
  uint32_t Draw() {
    state = state * 214013u + 2531011u;
    return (state >> 16) & 0x7FFF;
  }
};

void BM_ClockSeededWalk(benchmark::State& state) {
  unsigned char pool[KEY_BUFFER_SIZE];
  for (auto _ : state) {
    memcpy(pool, KEY_ALPHABET, KEY_POOL_LENGTH + 1);
    ClockLcg lcg{(uint32_t)time(nullptr)};
    const uint32_t n = (uint32_t)strlen((const char*)pool);
    for (int k = 0; k < 10000000; ++k) {
      uint32_t i = lcg.Draw() % n;
      uint32_t j = lcg.Draw() % n;
      unsigned char t = pool[i];
      pool[i] = pool[j];
      pool[j] = t;
    }
    benchmark::DoNotOptimize(pool);
  }
}

}  // namespace

BENCHMARK(BM_CreateKey);
BENCHMARK(BM_ClockSeededWalk)->Unit(benchmark::kMillisecond);
