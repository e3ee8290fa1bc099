// The tadpole solver's kernel searches and simple-solution search on synthetic tadpole-like
// systems: n variables (100 and 399) and two equations with coefficients 1..3 through a
// point with four non-zero stacks, variables bounded by the equations. Each figure is the
// milliseconds of one step ("ms"), printed beside a limit measured in the same run
// ("ms_limit"): ten times the plain enumeration of the step's tuples (one pass of the
// pairwise column comparison scaled by (n/3)^(k-2) for k-tuples) for the kernel steps,
// and 50 times a walk over the same subsets without solving for the simple search.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <random>
#include <vector>

#include "BenchSupport.h"
#include "boundaries/CrossBound.h"
#include "interpreter/Loops.h"
#include "modular/Modular.h"
#include "strings/TadpoleInternal.h"

namespace {

using Clock = std::chrono::steady_clock;

double millisecondsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Shapes the solver's equation record for n variables and marks it current.
void buildSystem(int n) {
  setOutputSink(discardOutput);
  std::mt19937 rng(29);
  EquationData& ED = tadpole::equations();
  const int N = n + 1;
  setEquationDataSize(&ED, N, 2, 5000);
  std::vector<int> point(static_cast<std::size_t>(n), 0);
  for (int j = 0; j < 4; ++j)
    point[static_cast<std::size_t>(rng() % n)] = 1 + static_cast<int>(rng() % 2);
  for (int r = 0; r < 2; ++r) {
    double* row = equationRow(&ED, r);
    double sum = 0;
    for (int j = 0; j < n; ++j) {
      row[j] = 1 + static_cast<int>(rng() % 3);
      sum += row[j] * point[static_cast<std::size_t>(j)];
    }
    row[n] = -sum;
  }
  getIndependentEquations(&ED, nullptr);
  for (int j = 0; j < n; ++j) {
    ED.minima[j] = 0;
    ED.maxima[j] = 1000000;
  }
  AnalyseBounds(&ED, ED.minima, ED.maxima);
  initKernelData(&tadpole::kernel(), &ED);
  tadpole::TadpoleState& s = tadpole::state();
  s.haveEquations = true;
  s.loopVariables = n;
  // One orthogonal boundary per variable.
  s.boundaries = n;
  s.LoopToCP.resize(static_cast<std::size_t>(n));
  for (int v = 0; v < n; ++v) s.LoopToCP[static_cast<std::size_t>(v)] = v;
  s.CPToLoop = s.LoopToCP;
  s.AnnulusConjugates = s.LoopToCP;
  s.GroupTypes.assign(static_cast<std::size_t>(n), 1);
  s.SolutionGroupTypes.assign(static_cast<std::size_t>(n), 1);
  s.NumberOfSMBoundaries = 0;
  s.equationKey = {QueryBulkInvariant(), QueryOrientifold(), s.BoundarySelectionCounter};
}

// The plain comparison of every pair of columns in the independent rows.
double pairPassMilliseconds() {
  EquationData& ED = tadpole::equations();
  const double* rows = tadpole::independentRows();
  auto start = Clock::now();
  int equal = 0;
  for (int i = 0; i < ED.N - 1; ++i)
    for (int j = i + 1; j < ED.N - 1; ++j) {
      bool same = true;
      for (int e = 0; e < ED.nind; ++e) same = same && rows[e * ED.N + i] == rows[e * ED.N + j];
      equal += same ? 1 : 0;
    }
  benchmark::DoNotOptimize(equal);
  return millisecondsSince(start);
}

template <typename Step>
void kernelStep(benchmark::State& state, int tupleSize, Step step) {
  buildSystem(static_cast<int>(state.range(0)));
  EquationData& ED = tadpole::equations();
  double total = 0;
  for (auto _ : state) {
    initKernelData(&tadpole::kernel(), &ED);
    auto start = Clock::now();
    step(&tadpole::kernel(), &ED);
    total += millisecondsSince(start);
  }
  state.counters["ms"] = total / static_cast<double>(state.iterations());
  // The plain enumeration of the step's tuples, estimated from one pass over the pairs.
  const double n = static_cast<double>(state.range(0));
  state.counters["ms_limit"] = 10 * pairPassMilliseconds() * std::pow(n / 3.0, tupleSize - 2);
  state.counters["kernel_vectors"] = tadpole::kernel().count;
  setOutputSink(nullptr);
}

void BM_KernelDoublets(benchmark::State& state) {
  kernelStep(state, 2, [](KernelData* KD, EquationData* ED) {
    KernelDoublets(KD, ED, ED->minima, ED->maxima, 0);
  });
}
void BM_KernelTriplets(benchmark::State& state) {
  kernelStep(state, 3, [](KernelData* KD, EquationData* ED) {
    KernelTriplets(KD, ED, ED->minima, ED->maxima, 0);
  });
}
void BM_KernelQuadruplets(benchmark::State& state) {
  kernelStep(state, 4, [](KernelData* KD, EquationData* ED) {
    KernelQuadruplets(KD, ED, ED->minima, ED->maxima, 0);
  });
}

// All simple solutions of at most "Tadpole maxstack" = 4 stacks (the default).
void BM_SimpleSearch(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  buildSystem(n);
  tadpole::state().SingleSolution = 0;
  tadpole::state().OnePerSet = 1;
  double total = 0;
  int found = 0;
  for (auto _ : state) {
    auto start = Clock::now();
    found = findSimpleSolutions();
    total += millisecondsSince(start);
  }
  // The reference: walking the same subsets without solving anything.
  auto start = Clock::now();
  long long subsets = 0;
  for (int k = 1; k <= 4; ++k) {
    std::vector<int> set(static_cast<std::size_t>(k));
    for (int j = 0; j < k; ++j) set[static_cast<std::size_t>(j)] = j;
    do ++subsets;
    while (incrementBinomial(n, k, set.data()) == 1);
  }
  benchmark::DoNotOptimize(subsets);
  state.counters["ms"] = total / static_cast<double>(state.iterations());
  state.counters["ms_limit"] = 50 * millisecondsSince(start);
  state.counters["solutions"] = found;
  setOutputSink(nullptr);
}

}  // namespace

BENCHMARK(BM_KernelDoublets)->Arg(100)->Arg(399)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_KernelTriplets)->Arg(100)->Arg(399)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_KernelQuadruplets)->Arg(100)->Arg(399)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SimpleSearch)->Arg(100)->Iterations(1)->Unit(benchmark::kMillisecond);
