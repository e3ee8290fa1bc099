// The NIM-representation search and the Moebius-strip solver on SU(2) at levels 6 to 10
// made exceptional: "search NIMrep 3" (every scanned entry up to the integer part of the
// largest quantum dimension, 2 or 3 at these levels, so nothing is cut) and "search Moebius"
// on the complete boundary set that "search boundaries 3" loads.
//
// Figures: candidate rows tested per second beside the loop points per second of
// "search boundaries 3" on the same theory (its reference, measured in the same run: both
// loops test one annulus row per point against the same basis factors), and the seconds of
// the Moebius solver beside the seconds of the boundary search that produced its boundary set.
//
// The program runs with a fresh HOME, removed at the end.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>

#include "BenchSupport.h"
#include "boundaries/BoundarySearchInternal.h"
#include "boundaries/CrossBound.h"
#include "modular/Modular.h"
#include "program/Boot.h"
#include "runtime/Output.h"
#include "store/CurrentTheory.h"
#include "store/Storemanager.h"

namespace {

FreshHome freshHome;

double secondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void useExceptionalSu2(int level) {
  resetAll();
  setOutputSink(&discardOutput);
  SpectrumData* sd = SM_getData(1, 1, level);
  currentSD = sd;
  TotalPrimaries = &sd->n_primaries;
  CFTChanged();
  initSMATRIX();
  makeBulkExceptional();
}

void BM_NimrepAndMoebius(benchmark::State& state) {
  const int level = static_cast<int>(state.range(0));
  double rowsPerSecond = 0.0, pointsPerSecond = 0.0, solverSeconds = 0.0, boundarySeconds = 0.0;
  long long rows = 0;
  int nimreps = 0, strips = 0;
  for (auto _ : state) {
    useExceptionalSu2(level);
    auto start = std::chrono::steady_clock::now();
    attemptNIMrep(3);
    rowsPerSecond = static_cast<double>(nimrepSearchLoopPoints()) / secondsSince(start);
    rows = nimrepSearchLoopPoints();
    nimreps = nimrepCounts().nimreps;
    useExceptionalSu2(level);
    start = std::chrono::steady_clock::now();
    attemptBoundaries(3);
    boundarySeconds = secondsSince(start);
    pointsPerSecond = static_cast<double>(boundarySearchLoopPoints()) / boundarySeconds;
    start = std::chrono::steady_clock::now();
    strips = searchMoebius();
    solverSeconds = secondsSince(start);
  }
  std::printf(
      "SU(2) level %d: \"search NIMrep 3\" %lld candidate rows, %.0f rows/s (limit: \"search "
      "boundaries 3\", %.0f points/s), %d NIMrep(s); \"search Moebius\" %d solution(s) in %.4f s "
      "(limit: the boundary search, %.4f s)\n",
      level, rows, rowsPerSecond, pointsPerSecond, nimreps, strips, solverSeconds, boundarySeconds);
  state.counters["rows_per_s"] = rowsPerSecond;
  state.counters["points_per_s"] = pointsPerSecond;
  state.counters["solver_s"] = solverSeconds;
  state.counters["boundary_s"] = boundarySeconds;
}
BENCHMARK(BM_NimrepAndMoebius)->DenseRange(6, 10)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
