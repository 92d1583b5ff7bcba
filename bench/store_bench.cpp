// Reading and writing the settings store's text, for stores of growing size.
// The game's own store holds one key and four values; these measure that a
// large or hostile file costs time in proportion to its length.
#include <benchmark/benchmark.h>

#include <string>

#include "platform/internal/registry_testing.h"

namespace {

// `count` keys of one value each, or one key of `count` values.
std::string StoreText(long count, bool oneKey) {
    std::string text = "REGEDIT4\n\n";
    if (oneKey) text += "[HKEY_CURRENT_USER\\Software\\Quarvel]\n";
    for (long i = 0; i < count; ++i) {
        if (!oneKey) text += "[HKEY_CURRENT_USER\\Software\\Quarvel\\K" + std::to_string(i) + "]\n";
        text += "\"Value" + std::to_string(i) + "\"=dword:0000000" + std::to_string(i % 10) + "\n";
    }
    return text;
}

void Reformat(benchmark::State& state, bool oneKey) {
    const std::string text = StoreText(state.range(0), oneKey);
    std::string written;
    for (auto _ : state) {
        if (!ReformatStoreForTests(text, written)) state.SkipWithError("not parsed");
        benchmark::DoNotOptimize(written);
    }
    state.SetComplexityN(state.range(0));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}

void BM_StoreManyKeys(benchmark::State& state) {
    Reformat(state, false);
}
BENCHMARK(BM_StoreManyKeys)->RangeMultiplier(4)->Range(256, 16384)->Complexity(benchmark::oN);

void BM_StoreManyValues(benchmark::State& state) {
    Reformat(state, true);
}
BENCHMARK(BM_StoreManyValues)->RangeMultiplier(4)->Range(256, 16384)->Complexity(benchmark::oN);

// One key nested `depth` levels deep: at 520,000 levels the file is just under
// the store's 1 MiB limit, and far too deep to be taken.
void BM_StoreDeepKey(benchmark::State& state) {
    std::string text = "REGEDIT4\n\n[HKEY_CURRENT_USER";
    for (long i = 0; i < state.range(0); ++i)
        text += "\\k";
    text += "]\n\"Value\"=dword:00000001\n";
    std::string written;
    for (auto _ : state)
        benchmark::DoNotOptimize(ReformatStoreForTests(text, written));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_StoreDeepKey)->Arg(1000)->Arg(520000)->Unit(benchmark::kMillisecond);

}  // namespace
