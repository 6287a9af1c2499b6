// The pattern must never be what limits a test: the fastest USB cards write about 1 GB/s.
// fill and verify are set against memcpy of the same 8 MiB buffer on one core.
#include <benchmark/benchmark.h>

#include <cstring>

#include "tessorin/posix/AlignedBuffer.hpp"
#include "tessorin/pattern/SectorTally.hpp"
#include "tessorin/pattern/TestPattern.hpp"

namespace {

constexpr std::int64_t bufferBytes = 8 << 20;

void BM_Memcpy(benchmark::State& state) {
  tessorin::AlignedBuffer source(bufferBytes), target(bufferBytes);
  std::memset(source.pointer(), 0x5A, bufferBytes);
  for (auto _ : state) {
    std::memcpy(target.pointer(), source.pointer(), bufferBytes);
    benchmark::DoNotOptimize(target.pointer());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * bufferBytes);
}

void BM_PatternFill(benchmark::State& state) {
  tessorin::AlignedBuffer buffer(bufferBytes);
  const tessorin::TestPattern pattern(0x1234567890ABCDEFULL);
  std::uint64_t position = 0;
  for (auto _ : state) {
    pattern.fill(buffer.pointer(), bufferBytes, position);
    position += bufferBytes;
    benchmark::DoNotOptimize(buffer.pointer());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * bufferBytes);
}

void BM_PatternVerify(benchmark::State& state) {
  tessorin::AlignedBuffer buffer(bufferBytes);
  const tessorin::TestPattern pattern(0x1234567890ABCDEFULL);
  pattern.fill(buffer.pointer(), bufferBytes, 0);
  for (auto _ : state) {
    tessorin::SectorTally tally;
    pattern.verify(buffer.pointer(), bufferBytes, 0, tally);
    benchmark::DoNotOptimize(tally);
  }
  state.SetBytesProcessed(state.iterations() * bufferBytes);
}

BENCHMARK(BM_Memcpy)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PatternFill)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PatternVerify)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
