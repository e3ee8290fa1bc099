// Boundary data of SU(3) at level 42 (946 primaries, centre Z3) under its Z3 invariant
// (the current of weight 14 extends the chiral algebra; the fixed point (14,14) is resolved
// in three): the build of the labels and orbits, then the oriented annulus A^1_ab for all
// pairs of boundaries with "Use_orbits" 0 (the sum over every Ishibashi label) and 2 (the
// charge selection rule, then the sum over Ishibashi orbits with stored reflection
// coefficients). Prints microseconds per annulus coefficient for both; the orbit figure is
// expected at no more than the direct one (its reference, measured in the same run).
//
// The program runs with a fresh HOME, removed at the end.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>

#include "BenchSupport.h"
#include "boundaries/CrossBound.h"
#include "invariants/Invariants.h"
#include "modular/Modular.h"
#include "program/Boot.h"
#include "program/Startup.h"
#include "runtime/Output.h"
#include "runtime/Parameters.h"
#include "store/CurrentTheory.h"
#include "store/Storemanager.h"

namespace {

FreshHome freshHome;

void useTheory(int orbits) {
  resetAll();
  setOutputSink(&discardOutput);
  setIntPar("Use_orbits", orbits);
  SpectrumData* sd = SM_getData(1, 2, 42);
  currentSD = sd;
  TotalPrimaries = &sd->n_primaries;
  CFTChanged();
  initSMATRIX();
  // The only invariant of the group Z3 besides the diagonal one.
  getBulkInvariantByNumber(1);
}

// Microseconds per coefficient of A^1_ab over all pairs (a, b); the sum keeps the work.
double annulusMicroseconds(long long* sum) {
  const int n = TotalBoundaries();
  const auto start = std::chrono::steady_clock::now();
  for (int a = 0; a < n; ++a)
    for (int b = 0; b < n; ++b) *sum += getOrientedAnnulus(1, a, b);
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  return 1e6 * seconds / (static_cast<double>(n) * n);
}

void BM_LabelsAndOrbits(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    useTheory(2);
    state.ResumeTiming();
    benchmark::DoNotOptimize(TotalBoundaries());
  }
  state.counters["ishibashi"] = TotalIshibashi();
  state.counters["boundaries"] = TotalBoundaries();
  state.counters["boundary_orbits"] = getNumberOfBoundaryOrbits();
  state.counters["ishibashi_orbits"] = getNumberOfIshiOrbits();
}
BENCHMARK(BM_LabelsAndOrbits)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_AnnulusAllPairs(benchmark::State& state) {
  double direct = 0.0, orbits = 0.0;
  long long sumDirect = 0, sumOrbits = 0;
  for (auto _ : state) {
    useTheory(0);
    TotalBoundaries();
    direct = annulusMicroseconds(&sumDirect);
    useTheory(2);
    TotalBoundaries();
    orbits = annulusMicroseconds(&sumOrbits);
  }
  state.counters["us_per_coefficient_use_orbits_0"] = direct;
  state.counters["us_per_coefficient_use_orbits_2"] = orbits;
  std::printf(
      "A^1_ab of SU(3) level 42: %.3f us per coefficient with \"Use_orbits\" 2 "
      "(limit: the direct figure, %.3f us with \"Use_orbits\" 0); sums %lld and %lld agree: %s\n",
      orbits, direct, sumOrbits, sumDirect, sumOrbits == sumDirect ? "yes" : "NO");
}
BENCHMARK(BM_AnnulusAllPairs)->Unit(benchmark::kSecond)->Iterations(1);

}  // namespace
