// Galois rows of A2 at level 150 (11476 fields, M = 3 * 153 = 459, 288 units): rows per
// second composed from the generator rows (as "compute galois_orbits" gets them) beside the
// same rows computed directly, field by field, by the affine Weyl reflection (the
// reference, measured in the same run); and the whole text of "compute galois_orbits".
// The Galois-commutant search (up to its solutions) of A1 at levels 10, 16 and 28, with
// its basis size, its loop length and its number of solutions, and the seconds per search.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "numbers/MathUtility.h"
#include "program/Boot.h"
#include "runtime/Output.h"
#include "store/Galois.h"
#include "store/GaloisSearch.h"
#include "store/Storemanager.h"

namespace {

FreshHome freshHome;

constexpr int kType = 1;
constexpr int kRank = 2;
constexpr int kLevel = 150;

SpectrumData* prepared() {
  setOutputSink(&discardOutput);
  SpectrumData* sd = SM_getData(kType, kRank, kLevel);
  if (sd != nullptr) SM_initGalois(sd);  // generator rows built once, outside the timing
  setOutputSink(nullptr);
  return sd;
}

std::vector<int> units(int M) {
  std::vector<int> list;
  for (int l = 1; l < M; ++l) {
    if (GCD(l, M) == 1) list.push_back(l);
  }
  return list;
}

void rows(benchmark::State& state, bool composed) {
  SpectrumData* sd = prepared();
  if (sd == nullptr) {
    state.SkipWithError("A2 level 150 not built");
    return;
  }
  const std::vector<int> list = units(GaloisModulus(kType, kRank, kLevel));
  std::vector<int> row(static_cast<std::size_t>(sd->n_primaries), 0);
  std::int64_t made = 0;
  for (auto _ : state) {
    for (int l : list) {
      if (composed) {
        SM_getGaloisOrbit(sd, l, row.data());
      } else {
        SM_computeGaloisOrbit(sd, l, row.data());
      }
      benchmark::DoNotOptimize(row.data());
      ++made;
    }
  }
  state.counters["fields"] = sd->n_primaries;
  state.counters["rows_per_second"] =
      benchmark::Counter(static_cast<double>(made), benchmark::Counter::kIsRate);
}

void composedRows(benchmark::State& state) {
  rows(state, true);
}
void directRowsReference(benchmark::State& state) {
  rows(state, false);
}

void galoisText(benchmark::State& state) {
  SpectrumData* sd = prepared();
  if (sd == nullptr) {
    state.SkipWithError("A2 level 150 not built");
    return;
  }
  std::size_t size = 0;
  for (auto _ : state) {
    std::string text;
    SM_printFullGalois(text, sd, 0, 0, 0);
    size = text.size();
    benchmark::DoNotOptimize(text.data());
  }
  state.counters["text_bytes"] = static_cast<double>(size);
}

void commutantSearch(benchmark::State& state, int level) {
  setOutputSink(&discardOutput);
  SpectrumData* sd = SM_getData(1, 1, level);
  std::vector<int> rows;
  std::vector<int> kinds;
  if (sd == nullptr || !SM_collectGaloisBasis(sd, rows, kinds)) {
    setOutputSink(nullptr);
    state.SkipWithError("no basis");
    return;
  }
  const int m = static_cast<int>(kinds.size());
  std::size_t found = 0;
  for (auto _ : state) {
    found = searchGaloisCommutant(rows.data(), kinds.data(), sd->weight_num, sd->weight_den,
                                  sd->n_primaries, m)
                .size();
  }
  setOutputSink(nullptr);
  state.counters["basis"] = m;
  state.counters["loop_length"] = static_cast<double>(LoopLen(m + 1));
  state.counters["solutions"] = static_cast<double>(found);
}

BENCHMARK_CAPTURE(commutantSearch, A1_level10, 10)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(commutantSearch, A1_level16, 16)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(commutantSearch, A1_level28, 28)->Unit(benchmark::kMillisecond);
BENCHMARK(composedRows)->Unit(benchmark::kMillisecond);
BENCHMARK(directRowsReference)->Unit(benchmark::kMillisecond);
BENCHMARK(galoisText)->Unit(benchmark::kMillisecond);

}  // namespace
