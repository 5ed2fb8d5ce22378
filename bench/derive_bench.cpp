// Cost of one generate request's derivation, at the shortest usual and the longest
// length, by each derivation.
#include <benchmark/benchmark.h>

#include "derive.h"
#include "keyfile.h"
#include "settings.h"

namespace {

// range(0): the length; range(1): the option bit of the derivation (0 for derivation 1).
void BM_DerivePassword(benchmark::State& state) {
  const char keyPassword[] = "bench key password";
  unsigned char key[KEY_BUFFER_SIZE] = {};
  if (CreateKey(key, keyPassword) != KEY_FILE_SIZE) {
    state.SkipWithError("CreateKey failed");
    return;
  }
  SettingsRecord settings;
  SetDefaultSettings(&settings, "C:\\keys\\bench.key");
  settings.optionFlags |= (uint32_t)state.range(1);
  const int32_t length = (int32_t)state.range(0);
  char output[TEXT_CAPACITY] = {};
  for (auto _ : state) {
    bool ok = DerivePassword(settings, key, KEY_FILE_SIZE, keyPassword, "example.com", length, output);
    benchmark::DoNotOptimize(ok);
    benchmark::DoNotOptimize(output);
  }
  state.SetItemsProcessed(state.iterations() * length);
}

}  // namespace

BENCHMARK(BM_DerivePassword)->ArgNames({"length", "derivation2"})->ArgsProduct({{16, 1023}, {0, OPT_DERIVATION_2}});
