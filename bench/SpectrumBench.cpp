// Time of the WZW spectrum builder at levels where the number of primaries reaches 10^5:
// A4 level 37 (101270), A6 level 17 (100947), D5 level 31 (108528), D6 level 24 (100828),
// E6 level 29 (103785), E7 level 31 (107008), E8 level 40 (109410).
#include <benchmark/benchmark.h>

#include "lie/LieAlgebra.h"
#include "runtime/Allocation.h"

namespace {

AllocationAccount benchAccount("Algebra benchmark");

void spectrumOf(benchmark::State& state, AlgebraType type, int rank, int level) {
  int primaries = 0;
  for (auto _ : state) {
    SpectrumResult result = spectrum_(type, rank, level, &benchAccount);
    primaries = result.n;
    benchmark::DoNotOptimize(result.orbitData.data());
  }
  state.counters["primaries"] = primaries;
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(primaries));
}

BENCHMARK_CAPTURE(spectrumOf, A4_level37, kTypeA, 4, 37)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(spectrumOf, A6_level17, kTypeA, 6, 17)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(spectrumOf, D5_level31, kTypeD, 5, 31)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(spectrumOf, D6_level24, kTypeD, 6, 24)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(spectrumOf, E6_level29, kTypeExceptional, 6, 29)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(spectrumOf, E7_level31, kTypeExceptional, 7, 31)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(spectrumOf, E8_level40, kTypeExceptional, 8, 40)->Unit(benchmark::kMillisecond);

}  // namespace
