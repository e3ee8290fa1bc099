// The record of the level-1804 N=2 minimal model (6,519,660 fields), the largest factor
// of the Gepner models ("build cy 1"). Beside the build, measured in the same run: a plain
// loop that writes each field's label, weight and dimension once into a fresh table (the
// floor of any build that touches every field), and the record's bytes per field. Beside
// the computed per-field data (orbit number, charge row, gravitino image, U(1) charge)
// read over every field: the same number of ints read from a plain table.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "BenchSupport.h"
#include "program/Boot.h"
#include "runtime/Output.h"
#include "store/Storemanager.h"
#include "store/StoremanagerQueries.h"

namespace {

FreshHome freshHome;
constexpr int kLevel = 1804;

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// Labels (l, m, s) for l = 0..k, m in (-(k+2), k+2], s in {-1, 0, 1} and (0, m, 2): as many
// as the model has fields, each written once with its weight and dimension.
double plainFieldLoop(int k, std::size_t fields, long long* checksum) {
  const Clock::time_point start = Clock::now();
  std::vector<int> table(fields * 5);
  const int K = k + 2;
  std::size_t f = 0;
  for (int l = 0; l <= k && f < fields; ++l) {
    for (int m = -K + 1; m <= K && f < fields; ++m) {
      for (int s = -1; s <= 2 && f < fields; ++s) {
        if (s == 2 && l > 0) continue;
        int x = l, y = m, z = s;
        SM_mapMinimal2(k, &x, &y, &z);
        int* row = table.data() + 5 * f;
        row[0] = x;
        row[1] = y;
        row[2] = z;
        row[3] = 2 * x * (x + 2) - 2 * y * y + z * z * K;
        row[4] = z == 2 && std::abs(y) != x ? 2 : 1;
        ++f;
      }
    }
  }
  for (std::size_t i = 0; i < table.size(); i += 4099) *checksum += table[i];
  return secondsSince(start);
}

void buildCase(benchmark::State& state) {
  double seconds = 0.0;
  double plain = 0.0;
  long long checksum = 0;
  SpectrumData* sd = nullptr;
  for (auto _ : state) {
    resetAll();
    setOutputSink(discardOutput);
    const Clock::time_point start = Clock::now();
    sd = SM_getData(27, 2, kLevel);
    seconds += secondsSince(start);
    setOutputSink(nullptr);
    if (sd == nullptr) {
      state.SkipWithError("the level-1804 model was not built");
      return;
    }
    plain += plainFieldLoop(kLevel, static_cast<std::size_t>(sd->n_primaries), &checksum);
  }
  benchmark::DoNotOptimize(checksum);
  const double iterations = static_cast<double>(state.iterations());
  state.counters["fields"] = sd->n_primaries;
  state.counters["s_build"] = seconds / iterations;
  state.counters["s_plain_field_loop"] = plain / iterations;
  state.counters["bytes_per_field"] = static_cast<double>(sd->alloc.bytesHeld()) / sd->n_primaries;
}

void computedDataCase(benchmark::State& state) {
  resetAll();
  setOutputSink(discardOutput);
  SpectrumData* sd = SM_getData(27, 2, kLevel);
  setOutputSink(nullptr);
  if (sd == nullptr) {
    state.SkipWithError("the level-1804 model was not built");
    return;
  }
  const int n = sd->n_primaries;
  std::vector<int> plainTable(static_cast<std::size_t>(n) * 5, 1);
  long long checksum = 0;
  double computed = 0.0;
  double plain = 0.0;
  for (auto _ : state) {
    Clock::time_point start = Clock::now();
    int scratch[2];
    for (int a = 0; a < n; ++a) {
      const int* row = SM_getChargeRow(sd, a, scratch);
      checksum += SM_getOrbitNumber(sd, a) + row[0] + row[1] + SM_getMinimalCharge(sd, a);
      // The gravitino image off the fixed orbit (on it the general route searches).
      if (2 * sd->labels[3 * static_cast<std::size_t>(a)] != kLevel) checksum += SM_getGravitinoImage(sd, a);
    }
    computed += secondsSince(start);
    start = Clock::now();
    for (std::size_t i = 0; i < plainTable.size(); ++i) checksum += plainTable[i];
    plain += secondsSince(start);
  }
  benchmark::DoNotOptimize(checksum);
  const double iterations = static_cast<double>(state.iterations());
  state.counters["fields"] = n;
  state.counters["s_computed_reads"] = computed / iterations;
  state.counters["s_plain_table_reads"] = plain / iterations;
}

BENCHMARK(buildCase)->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(computedDataCase)->Iterations(2)->Unit(benchmark::kSecond);

}  // namespace
