// Orientifolds: "check open" (A^i_aa and M^i_a for every field and boundary) and "check
// klein" (K^i for every field, then the Klein-bottle constraint) of SU(2) at level 200
// (201 primaries) under both orientifolds of its diagonal invariant, and the enumeration
// and identification of the orientifolds of A63 at level 1 (64 simple currents).
//
// Figures: amplitudes per second of the two checks, each printed beside the rate of the
// oriented annulus A^i_aa over the same fields and boundaries (its reference, measured in
// the same run: the unoriented amplitudes sum over the same labels with one more factor);
// milliseconds of the enumeration beside the milliseconds of the boundary set-up of the same
// theory (its reference).
//
// The program runs with a fresh HOME, removed at the end.
#include <benchmark/benchmark.h>

#include <chrono>
#include <climits>
#include <cstdio>

#include "BenchSupport.h"
#include "boundaries/CrossBound.h"
#include "modular/Modular.h"
#include "program/Boot.h"
#include "program/Startup.h"
#include "runtime/Output.h"
#include "runtime/Parameters.h"
#include "store/CurrentTheory.h"
#include "store/Storemanager.h"

namespace {

FreshHome freshHome;

void useTheory(int type, int rank, int level) {
  resetAll();
  setOutputSink(&discardOutput);
  SpectrumData* sd = SM_getData(type, rank, level);
  currentSD = sd;
  TotalPrimaries = &sd->n_primaries;
  CFTChanged();
  initSMATRIX();
}

double secondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Oriented A^i_aa for every field and boundary: the reference rate (coefficients/second).
double orientedRate(long long* sum) {
  const int n = TotalBoundaries();
  const int fields = *TotalPrimaries;
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < fields; ++i)
    for (int a = 0; a < n; ++a) *sum += getOrientedAnnulus(i, a, a);
  return static_cast<double>(fields) * n / secondsSince(start);
}

void BM_CheckOpenAndKleinSU2Level200(benchmark::State& state) {
  double openRate[2] = {0.0, 0.0}, kleinRate[2] = {0.0, 0.0}, reference = 0.0;
  int openErrors[2] = {0, 0}, kleinErrors[2] = {0, 0};
  long long sum = 0;
  for (auto _ : state) {
    useTheory(1, 1, 200);
    const int fields = *TotalPrimaries;
    const int boundaries = TotalBoundaries();
    reference = orientedRate(&sum);
    for (int o = 0; o < 2; ++o) {
      loadOrientifolds();
      setStoredOrientifold(o);
      initializeOpenString();
      auto start = std::chrono::steady_clock::now();
      openErrors[o] = checkOpen(INT_MAX);
      openRate[o] = 2.0 * fields * boundaries / secondsSince(start);
      start = std::chrono::steady_clock::now();
      kleinErrors[o] = checkKleinBottleConstraint(INT_MAX);
      kleinRate[o] = fields / secondsSince(start);
    }
  }
  for (int o = 0; o < 2; ++o) {
    std::printf(
        "SU(2) level 200, orientifold %d: \"check open\" %.0f amplitudes/s, \"check klein\" "
        "%.0f Klein coefficients/s with the constraint (limit: the oriented annulus, %.0f "
        "coefficients/s); violations %d and %d (expected 0)\n",
        o, openRate[o], kleinRate[o], reference, openErrors[o], kleinErrors[o]);
  }
  state.counters["open_amplitudes_per_s_0"] = openRate[0];
  state.counters["open_amplitudes_per_s_1"] = openRate[1];
  state.counters["klein_per_s_0"] = kleinRate[0];
  state.counters["klein_per_s_1"] = kleinRate[1];
  state.counters["oriented_per_s"] = reference;
}
BENCHMARK(BM_CheckOpenAndKleinSU2Level200)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_EnumerationA63Level1(benchmark::State& state) {
  double enumeration = 0.0, setUp = 0.0;
  int count = 0;
  for (auto _ : state) {
    useTheory(1, 63, 1);
    auto start = std::chrono::steady_clock::now();
    initializeOpenString();
    setUp = 1e3 * secondsSince(start);
    start = std::chrono::steady_clock::now();
    count = loadOrientifolds();
    enumeration = 1e3 * secondsSince(start);
  }
  std::printf(
      "A63 level 1 (64 simple currents): enumeration of the orientifolds %.2f ms, %d found "
      "(limit: the boundary set-up of the same theory, %.2f ms)\n",
      enumeration, count, setUp);
  state.counters["enumeration_ms"] = enumeration;
  state.counters["setup_ms"] = setUp;
  state.counters["orientifolds"] = count;
}
BENCHMARK(BM_EnumerationA63Level1)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
