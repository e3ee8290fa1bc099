// Time of "collect extensions" on four D4 level 1 factors: centre Z2^8 (256 currents), the
// 24 factor permutations times the 6^4 triality automorphisms of the factors acting on it.
// Each run prints the number of extensions found, how many of them are maximal (four
// generators: the two even self-dual rank-16 lattices, E8 x E8 and Spin(32)/Z2), the
// seconds per collection and, as the reference measured in the same run, the seconds of
// the simple-current spectrum of the same product.
// "search MIPF automorphism" on the N=2 minimal model of level 10 (264 fields): the seconds
// of the whole search and the number of automorphism invariants found, beside the
// reference of reading its whole S matrix once (264^2 elements through the modular layer),
// which the search does before it starts. The closed-form invariants of the c=1 orbifold
// of n = 720 ("search MIPF built_in"), with the seconds per search.
#include <benchmark/benchmark.h>

#include <chrono>
#include <vector>

#include "BenchSupport.h"
#include "invariants/Invariants.h"
#include "modular/Modular.h"
#include "program/Boot.h"
#include "runtime/Output.h"
#include "store/CurrentTheory.h"
#include "store/Storemanager.h"
#include "tensor/Coset.h"

namespace {

FreshHome freshHome;

bool buildD4Product() {
  resetAll();
  setOutputSink(discardOutput);
  setCosetMode(1);
  resetCoset(currentTensor);
  for (int k = 0; k < 4; ++k) {
    SpectrumData* d4 = SM_getData(4, 4, 1);
    if (d4 == nullptr) return false;
    addTensorFactor(currentTensor, d4, 0);
  }
  return true;
}

double secondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void collectD4Extensions(benchmark::State& state) {
  if (!buildD4Product()) {
    state.SkipWithError("tensor product could not be built");
    return;
  }
  double total = 0.0;
  for (auto _ : state) {
    TensorChanged();
    const auto start = std::chrono::steady_clock::now();
    CollectExtensions(0);
    total += secondsSince(start);
  }
  const std::vector<std::vector<int>>& extensions = getExtensions();
  const int G = extensionGeneratorCount();
  int maximal = 0;
  for (const std::vector<int>& row : extensions) {
    if (G >= 4 && row[3] > 0 && row[4] == -1) ++maximal;
  }
  state.counters["extensions"] = TotalExtensions();
  state.counters["four_generators"] = maximal;
  state.counters["seconds_per_collection"] = total / static_cast<double>(state.iterations());

  setInputDataChanged(currentTensor);
  const auto start = std::chrono::steady_clock::now();
  computeSimpleCurrentTensorSpectrum(currentTensor);
  state.counters["seconds_reference_simple_spectrum"] = secondsSince(start);
  setOutputSink(nullptr);
}

SpectrumData* useTheory(int type, int rank, int level) {
  resetAll();
  setOutputSink(discardOutput);
  SpectrumData* sd = SM_getData(type, rank, level);
  if (sd == nullptr) return nullptr;
  currentSD = sd;
  TotalPrimaries = &sd->n_primaries;
  CFTChanged();
  initSMATRIX();
  return sd;
}

void automorphismSearch(benchmark::State& state) {
  SpectrumData* sd = useTheory(kStoreTypeMinimalN2, 2, 10);
  if (sd == nullptr) {
    setOutputSink(nullptr);
    state.SkipWithError("N=2 minimal model of level 10 not built");
    return;
  }
  int found = 0;
  double total = 0.0;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    found = searchAutomorphisms();
    total += secondsSince(start);
  }
  state.counters["fields"] = sd->n_primaries;
  state.counters["invariants_found"] = found;
  state.counters["seconds_per_search"] = total / static_cast<double>(state.iterations());
  const int n = sd->n_primaries;
  std::vector<double> re(static_cast<std::size_t>(n) * n);
  std::vector<double> im(static_cast<std::size_t>(n) * n);
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < n; ++j) {
      const std::size_t at = static_cast<std::size_t>(i) * n + j;
      compS(i, j, &re[at], &im[at]);
    }
  }
  benchmark::DoNotOptimize(re.data());
  state.counters["seconds_reference_whole_S"] = secondsSince(start);
  setOutputSink(nullptr);
}

void orbifoldBuiltIn(benchmark::State& state) {
  SpectrumData* sd = useTheory(kStoreTypeOrbifold, 720, 0);
  if (sd == nullptr) {
    setOutputSink(nullptr);
    state.SkipWithError("orbifold 720 not built");
    return;
  }
  for (auto _ : state) benchmark::DoNotOptimize(searchInvariants());
  setOutputSink(nullptr);
  state.counters["fields"] = sd->n_primaries;
}

BENCHMARK(collectD4Extensions)->Unit(benchmark::kSecond)->Iterations(3);
BENCHMARK(automorphismSearch)->Unit(benchmark::kSecond)->Iterations(1);
BENCHMARK(orbifoldBuiltIn)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
