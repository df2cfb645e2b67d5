// Transcoding document text to cp1252 runs on every block the indexer and the
// preview read; it must stay far below the cost of reading the block.
#include "core/app/TextEncoding.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

std::string sampleUtf8(std::size_t bytes)
{
    const std::string line = "Perché la città è più bella d'estate? Niño, señor, über – “quotes” € 100.\n";
    std::string text;
    while (text.size() < bytes)
        text += line;
    return text;
}

void BM_Utf8ToCp1252(benchmark::State& state)
{
    const std::string text = sampleUtf8(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        std::string out = vedra::app::utf8ToCp1252(text);
        benchmark::DoNotOptimize(out);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(text.size()));
}
BENCHMARK(BM_Utf8ToCp1252)->Arg(64 << 10)->Arg(2 << 20);

void BM_IsValidUtf8(benchmark::State& state)
{
    const std::string text = sampleUtf8(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(vedra::app::isValidUtf8(text));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(text.size()));
}
BENCHMARK(BM_IsValidUtf8)->Arg(64 << 10)->Arg(2 << 20);

} // namespace
