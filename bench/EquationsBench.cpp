// The bounded-integer solver on a tadpole-like system: 20 variables and 5 equations with
// positive coefficients 1..3, each through a fixed 0/1 point. Benchmarked: the reduction
// to independent equations, the bound improvement in the box 0..3 (4^20 points), and the
// full and the lean search in the box 0..1 (2^15 points after the elimination plan), and
// the search with full = 1, whose double tags narrow the loops where the deformed point
// stays in the box. Then two equations of mixed signs in the box [0, 3]^5, searched with
// full = 1 (double-tag analysis included) beside the same search with full = 0, the
// reference of the same run.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <climits>
#include <random>

#include "BenchSupport.h"
#include "runtime/Output.h"
#include "solver/Equations.h"

namespace {

constexpr int kVariables = 20;
constexpr int kEquations = 5;
constexpr int kN = kVariables + 1;

int acceptedCount = 0;
int acceptAll(int*) {
  ++acceptedCount;
  return 1;
}
int rejectAll(int*) {
  ++acceptedCount;
  return 0;
}

// Fills ED with the system and reduces it; the bounds are the box 0..top.
void buildSystem(EquationData* ED, int top = 1) {
  std::mt19937 rng(17);
  setEquationDataSize(ED, kN, kEquations, 5000);
  int point[kVariables];
  for (int& value : point) value = static_cast<int>(rng() % 2);
  for (int r = 0; r < kEquations; ++r) {
    double* row = equationRow(ED, r);
    double sum = 0;
    for (int j = 0; j < kVariables; ++j) {
      row[j] = 1 + static_cast<int>(rng() % 3);
      sum += row[j] * point[j];
    }
    row[kVariables] = -sum;
  }
  for (int i = 0; i < kVariables; ++i) {
    ED->minima[i] = 0;
    ED->maxima[i] = top;
  }
  getIndependentEquations(ED, nullptr);
}

void BM_IndependentEquations(benchmark::State& state) {
  EquationData ED;
  buildSystem(&ED);
  for (auto _ : state) {
    benchmark::DoNotOptimize(getIndependentEquations(&ED, nullptr));
  }
}

void BM_ImproveBounds(benchmark::State& state) {
  EquationData ED;
  buildSystem(&ED, 3);
  int min[kN];
  int max[kN];
  for (auto _ : state) {
    std::copy(ED.minima, ED.minima + kN, min);
    std::copy(ED.maxima, ED.maxima + kN, max);
    ED.nrows = ED.neq + ED.nind;
    ED.nanalysed = 0;
    benchmark::DoNotOptimize(ImproveBounds(&ED, min, max, 100000, 10, 0));
  }
}

// The whole search over the box, repeated; full as DiophLoops takes it.
void runSearches(benchmark::State& state, EquationData& ED, KernelData& KD, int full) {
  buildSystem(&ED);
  initKernelData(&KD, &ED);
  for (auto _ : state) {
    std::copy(ED.minima, ED.minima + kN, ED.loopMinima);
    std::copy(ED.maxima, ED.maxima + kN, ED.loopMaxima);
    acceptedCount = 0;
    InitializeEquationSolver();
    int result =
        DiophLoops(&KD, &ED, ED.loopMinima, ED.loopMaxima, 0, 1000000, nullptr, acceptAll, full, 0);
    benchmark::DoNotOptimize(result);
  }
}

void BM_DiophLoops(benchmark::State& state) {
  EquationData ED;
  KernelData KD;
  runSearches(state, ED, KD, 0);
  state.counters["solutions"] = acceptedCount;
}

void BM_DiophLoopsFull(benchmark::State& state) {
  EquationData ED;
  KernelData KD;
  setOutputSink(&discardOutput);
  runSearches(state, ED, KD, 1);
  setOutputSink(nullptr);
  state.counters["accepted"] = acceptedCount;
  state.counters["double_tags"] = KD.ndoubletag;
}

void BM_DiophLoopsSingle(benchmark::State& state) {
  EquationData ED;
  KernelData KD;
  buildSystem(&ED);
  initKernelData(&KD, &ED);
  for (auto _ : state) {
    std::copy(ED.minima, ED.minima + kN, ED.loopMinima);
    std::copy(ED.maxima, ED.maxima + kN, ED.loopMaxima);
    acceptedCount = 0;
    InitializeEquationSolver();
    benchmark::DoNotOptimize(
        DiophLoopsSingle(&KD, &ED, ED.loopMinima, ED.loopMaxima, INT_MAX, nullptr, rejectAll));
  }
  state.counters["admissible"] = acceptedCount;
}

// 4x0 + 3x1 + 4x2 - 3x3 + x4 = 7 and -3x0 + 2x1 - 3x3 + 3x4 = 9 in [0, 3]^5. The records
// are made once; each search starts from a fresh kernel (set up outside the timing).
void mixedSignSearch(benchmark::State& state, int full) {
  const double rows[2][6] = {{4, 3, 4, -3, 1, -7}, {-3, 2, 0, -3, 3, -9}};
  setOutputSink(&discardOutput);
  EquationData ED;
  KernelData KD;
  setEquationDataSize(&ED, 6, 2, 5000);
  for (int r = 0; r < 2; ++r) std::copy(rows[r], rows[r] + 6, equationRow(&ED, r));
  for (int i = 0; i < 5; ++i) {
    ED.minima[i] = 0;
    ED.maxima[i] = 3;
  }
  getIndependentEquations(&ED, nullptr);
  for (auto _ : state) {
    state.PauseTiming();
    initKernelData(&KD, &ED);
    std::copy(ED.minima, ED.minima + 6, ED.loopMinima);
    std::copy(ED.maxima, ED.maxima + 6, ED.loopMaxima);
    acceptedCount = 0;
    InitializeEquationSolver();
    state.ResumeTiming();
    benchmark::DoNotOptimize(DiophLoops(&KD, &ED, ED.loopMinima, ED.loopMaxima, 0, 1000000,
                                        nullptr, acceptAll, full, 0));
  }
  setOutputSink(nullptr);
  state.counters["solutions"] = acceptedCount;
  state.counters["double_tags"] = KD.ndoubletag;
  // The search must end well inside a second (it used to spend its 120 s cap).
  state.counters["ms_limit"] = 1000;
}

void BM_MixedSignsLean(benchmark::State& state) { mixedSignSearch(state, 0); }
void BM_MixedSignsFull(benchmark::State& state) { mixedSignSearch(state, 1); }

}  // namespace

BENCHMARK(BM_IndependentEquations);
BENCHMARK(BM_ImproveBounds);
BENCHMARK(BM_DiophLoops)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DiophLoopsFull)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DiophLoopsSingle)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MixedSignsLean)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MixedSignsFull)->Unit(benchmark::kMillisecond);
