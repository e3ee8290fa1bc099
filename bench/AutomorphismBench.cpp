// "search MIPF automorphism" on the N=2 minimal model of level 10 (264 fields): the
// seconds of the whole search and the number of automorphism invariants it finds, beside
// the reference measured in the same run, reading the whole S matrix once (264^2 elements
// through the modular layer), which the search does before it starts. The closed-form
// invariants of the c=1 orbifold of n = 720 ("search MIPF built_in": the twist, the
// automorphisms of R^2 = p/q and the checked extensions of R^2 = n/m^2), with their count.
#include <benchmark/benchmark.h>

#include <vector>

#include "BenchSupport.h"
#include "invariants/Invariants.h"
#include "modular/Modular.h"
#include "program/Boot.h"
#include "runtime/Output.h"
#include "runtime/Parameters.h"
#include "store/CurrentTheory.h"
#include "store/Storemanager.h"

namespace {

FreshHome freshHome;

SpectrumData* useTheory(int type, int rank, int level) {
  resetAll();
  setOutputSink(&discardOutput);
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
  for (auto _ : state) found = searchAutomorphisms();
  setOutputSink(nullptr);
  state.counters["fields"] = sd->n_primaries;
  state.counters["invariants_found"] = found;
}

void readWholeSReference(benchmark::State& state) {
  SpectrumData* sd = useTheory(kStoreTypeMinimalN2, 2, 10);
  if (sd == nullptr) {
    setOutputSink(nullptr);
    state.SkipWithError("N=2 minimal model of level 10 not built");
    return;
  }
  const int n = sd->n_primaries;
  std::vector<double> re(static_cast<std::size_t>(n) * n);
  std::vector<double> im(static_cast<std::size_t>(n) * n);
  for (auto _ : state) {
    for (int i = 0; i < n; ++i) {
      for (int j = 0; j < n; ++j)
        compS(i, j, &re[static_cast<std::size_t>(i) * n + j],
              &im[static_cast<std::size_t>(i) * n + j]);
    }
    benchmark::DoNotOptimize(re.data());
  }
  setOutputSink(nullptr);
  state.counters["fields"] = n;
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

BENCHMARK(automorphismSearch)->Unit(benchmark::kSecond)->Iterations(1);
BENCHMARK(readWholeSReference)->Unit(benchmark::kMillisecond);
BENCHMARK(orbifoldBuiltIn)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
