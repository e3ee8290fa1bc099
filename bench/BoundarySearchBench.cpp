// The boundary search of exceptional invariants: "search boundaries 3" on the E6 invariant
// of SU(2) level 10 (11 primaries) and on the E7 invariant of SU(2) level 16 (17
// primaries, one boundary found by completion).
//
// Figures: loop points per second (candidate annulus vectors tested) beside the rate of
// the annulus form A^0(x, x) over the same number of primaries (its reference, measured in
// the same run: every loop point forms at least that many complex products), and the
// milliseconds per complete set beside the milliseconds of the boundary set-up of the same
// theory.
//
// The program runs with a fresh HOME, removed at the end.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <vector>

#include "BenchSupport.h"
#include "boundaries/BoundarySearchInternal.h"
#include "boundaries/CrossBound.h"
#include "invariants/Invariants.h"
#include "modular/Modular.h"
#include "program/Boot.h"
#include "program/Startup.h"
#include "runtime/Output.h"
#include "store/CurrentTheory.h"
#include "store/Storemanager.h"
#include "store/StoremanagerQueries.h"

namespace {

FreshHome freshHome;

double secondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void useExceptional(int level) {
  resetAll();
  setOutputSink(&discardOutput);
  SpectrumData* sd = SM_getData(1, 1, level);
  currentSD = sd;
  TotalPrimaries = &sd->n_primaries;
  CFTChanged();
  initSMATRIX();
  buildExceptionalInvariant(getExceptionalInvariantLabel(sd, 1));
}

void searchBenchmark(benchmark::State& state, int level, const char* name) {
  double pointsPerSecond = 0.0, msPerSet = 0.0, formRate = 0.0, setUpMs = 0.0;
  long long points = 0;
  size_t sets = 0;
  for (auto _ : state) {
    useExceptional(level);
    auto start = std::chrono::steady_clock::now();
    initializeOpenString();
    setUpMs = 1e3 * secondsSince(start);
    start = std::chrono::steady_clock::now();
    attemptBoundaries(3);
    const double seconds = secondsSince(start);
    points = boundarySearchLoopPoints();
    sets = boundarySearchState().completeBS.size();
    pointsPerSecond = static_cast<double>(points) / seconds;
    msPerSet = sets > 0 ? 1e3 * seconds / static_cast<double>(sets) : 0.0;
    // Reference: the annulus form of a unit vector with itself, as often as there were
    // loop points.
    const int N = boundarySearchState().N;
    std::vector<double> x(static_cast<size_t>(2 * N), 0.0);
    x[0] = 1.0;
    double sum = 0.0;
    start = std::chrono::steady_clock::now();
    for (long long k = 0; k < points; ++k) sum += annulusForm(static_cast<int>(k % N), x.data(), x.data()).real();
    formRate = static_cast<double>(points) / secondsSince(start);
    benchmark::DoNotOptimize(sum);
  }
  std::printf(
      "%s: \"search boundaries 3\" %lld loop points, %.0f points/s (limit: the annulus form, "
      "%.0f/s); %zu complete set(s), %.2f ms per set (limit: the boundary set-up, %.2f ms)\n",
      name, points, pointsPerSecond, formRate, sets, msPerSet, setUpMs);
  state.counters["points_per_s"] = pointsPerSecond;
  state.counters["form_per_s"] = formRate;
  state.counters["ms_per_set"] = msPerSet;
  state.counters["setup_ms"] = setUpMs;
}

void BM_SearchE6(benchmark::State& state) {
  searchBenchmark(state, 10, "E6 of SU(2) level 10");
}
BENCHMARK(BM_SearchE6)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_SearchE7(benchmark::State& state) {
  searchBenchmark(state, 16, "E7 of SU(2) level 16");
}
BENCHMARK(BM_SearchE7)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
