// The whole P = T^1/2 S T^2 S T^1/2 of SU(3) at level 40 (861 fields) and E6 at level 9
// (573 fields), default settings (so P lives in the orbit rows): the dense products from a
// freshly loaded theory (S read from the orbit S base included), on one thread and on all,
// beside the element sums of the single path measured in the same run: their mean cost on
// every 16th row (columns from the diagonal on) times the number of distinct orbit-row
// entries that compP fills when every element is asked for one by one. Limit printed
// beside the figures: the whole P of SU(3) level 40 in under 1 s.
//
// The program runs with a fresh HOME, removed at the end.
#include <benchmark/benchmark.h>

#include <chrono>
#include <set>
#include <utility>

#include "BenchSupport.h"
#include "modular/Modular.h"
#include "program/Boot.h"
#include "program/Startup.h"
#include "runtime/Output.h"
#include "runtime/Parameters.h"
#include "store/CurrentTheory.h"
#include "store/Storemanager.h"

namespace {

FreshHome freshHome;

void useTheory(int type, int rank, int level, int threads) {
  resetAll();
  setOutputSink(&discardOutput);
  setIntPar("Fusion threads", threads);
  SpectrumData* sd = SM_getData(type, rank, level);
  currentSD = sd;
  TotalPrimaries = &sd->n_primaries;
  CFTChanged();
}

double secondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Seconds of the whole P from a freshly loaded theory.
double wholeP(int type, int rank, int level, int threads, PmatrixReport* report) {
  useTheory(type, rank, level, threads);
  const auto start = std::chrono::steady_clock::now();
  MOD_computeWholePmatrix(report);
  const double seconds = secondsSince(start);
  setOutputSink(nullptr);
  return seconds;
}

// Distinct orbit-row entries behind all elements P(i, j): canonical pair (a, b), then the
// entry (orbit of a, J_a x b).
double orbitRowEntries(int n) {
  std::set<std::pair<int, int>> entries;
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < n; ++j) {
      int a = 0, b = 0;
      convertPLabels(i, j, &a, &b);
      const PrimaryOrbitEntry* e = getPrimaryOrbitEntry(a);
      entries.insert({e->orbit, FastSimpleFusion(e->current, b)});
    }
  }
  return static_cast<double>(entries.size());
}

// Seconds of the element sums that all elements asked one by one take: the S tables are
// built first, as compP builds them before its first element.
double elementSums(int type, int rank, int level) {
  useTheory(type, rank, level, 0);
  initSMATRIX();
  double probe = 0.0, unused = 0.0;
  computePmatrix(0, 0, &probe, &unused);
  const int n = *TotalPrimaries;
  double elements = 0.0, sum = 0.0;
  const auto start = std::chrono::steady_clock::now();
  for (int a = 0; a < n; a += 16) {
    for (int b = a; b < n; ++b) {
      double re = 0.0, im = 0.0;
      computePmatrix(a, b, &re, &im);
      sum += re;
      elements += 1.0;
    }
  }
  const double seconds = secondsSince(start);
  benchmark::DoNotOptimize(sum);
  setOutputSink(nullptr);
  return seconds * orbitRowEntries(n) / elements;
}

void BM_WholeP(benchmark::State& state) {
  const int type = static_cast<int>(state.range(0));
  const int rank = static_cast<int>(state.range(1));
  const int level = static_cast<int>(state.range(2));
  PmatrixReport all, one;
  double seconds = 0.0, oneThread = 0.0;
  for (auto _ : state) {
    seconds = wholeP(type, rank, level, 0, &all);
    oneThread = wholeP(type, rank, level, 1, &one);
  }
  const double single = elementSums(type, rank, level);
  state.counters["fields"] = *TotalPrimaries;
  state.counters["threads"] = all.threads;
  state.counters["dense_s"] = seconds;
  state.counters["dense_1thread_s"] = oneThread;
  state.counters["products_GFlops"] = all.flops / all.seconds / 1e9;
  state.counters["element_sums_s"] = single;
  state.counters["speedup"] = single / seconds;
  if (type == 1 && rank == 2 && level == 40) state.counters["dense_s_limit"] = 1.0;
}

}  // namespace

BENCHMARK(BM_WholeP)
    ->Args({1, 2, 40})
    ->Args({5, 6, 9})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->UseRealTime();
