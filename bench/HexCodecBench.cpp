// Cost of the hex conversions on the receive and send paths: one tick
// renders at most 1024 received bytes, one send parses at most 4096.
#include "quillon/send/HexTextCodec.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

static void BM_FormatHex1024(benchmark::State& state)
{
    std::vector<std::uint8_t> bytes(1024);
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<std::uint8_t>(i * 37);
    for (auto _ : state)
        benchmark::DoNotOptimize(quillon::formatHex(bytes));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * 1024);
}
BENCHMARK(BM_FormatHex1024);

static void BM_ParseHex4096(benchmark::State& state)
{
    std::vector<std::uint8_t> bytes(4096);
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<std::uint8_t>(i * 13);
    const std::string text = quillon::formatHex(bytes);
    std::vector<std::uint8_t> out;
    for (auto _ : state) {
        quillon::parseHex(text, true, out);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * 4096);
}
BENCHMARK(BM_ParseHex4096);
