// The a-to-d steps of the standard-model search on synthetic orientifolds of 2,000 and
// 5,000 usable boundaries (the larger one past the 4,000-boundary intersection cache of a
// real case): stack a fixed, three weak stacks b and twenty anti-quark stacks c pass their
// tests, so every boundary is examined as d sixty times. The figure is abcd configurations
// examined per second; beside it, the limit: the same number of intersection look-ups of
// the synthetic table alone, measured in the same run.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <unordered_map>
#include <vector>

#include "BenchSupport.h"
#include "program/Boot.h"
#include "search/SearchDriver.h"
#include "search/SearchSM.h"

namespace {

FreshHome freshHome;

struct SyntheticCase {
  int n = 0;
  std::vector<int> conjugate;
  std::unordered_map<std::int64_t, std::pair<int, int>> table;
  std::int64_t key(int a, int b) const { return static_cast<std::int64_t>(a) * n + b; }
  void set(int a, int b, int Gamma, int Delta) { table[key(a, b)] = {Gamma, Delta}; }
};

SyntheticCase* current = nullptr;

int total() { return current->n; }
int ready() { return 1; }
int usable(int i) { return i; }
int one() { return 1; }
void select(int) {}
int conj(int, int b) { return current->conjugate[static_cast<std::size_t>(b)]; }
int unitary(int, int) { return 0; }
double dil(int) { return 1.0; }
double crosscap() { return -1000.0; }
int cross(int, int a, int b, int* Gamma, int* Delta) {
  auto it = current->table.find(current->key(a, b));
  *Gamma = it == current->table.end() ? 0 : it->second.first;
  *Delta = it == current->table.end() ? 0 : it->second.second;
  return 0;
}
int diag(int, int, int* p, int* q) {
  *p = 0;
  *q = 0;
  return 0;
}
void lists(int, std::vector<int>* allow, std::vector<int>* avoid) {
  allow->clear();
  avoid->clear();
}
int reject(int) { return 0; }
void stacks(int) {}
int merged() { return 0; }
std::int64_t code() { return 1; }
int mipf() { return 0; }

const SearchServices kServices = {total, ready, total, usable, one,   one,    select, conj,   unitary, dil,
                                  crosscap, cross, diag, lists, reject, stacks, merged, code, mipf};

SyntheticCase makeCase(int n) {
  SyntheticCase c;
  c.n = n;
  c.conjugate.resize(static_cast<std::size_t>(n));
  for (int b = 0; b + 1 < n; b += 2) {
    c.conjugate[static_cast<std::size_t>(b)] = b + 1;
    c.conjugate[static_cast<std::size_t>(b + 1)] = b;
  }
  for (int k = 0; k < 3; ++k) c.set(0, 10 + 2 * k, 3, 0);                  // weak stacks
  for (int k = 0; k < 20; ++k) c.set(0, 100 + 2 * k, -3, 0);               // anti-quark stacks
  for (int d = 200; d < n; d += 50) c.set(0, d, 0, -3);                    // some d with chiral matter
  return c;
}

void BM_SearchStepsAtoD(benchmark::State& state) {
  resetAll();
  setOutputSink(&discardOutput);
  SyntheticCase c = makeCase(static_cast<int>(state.range(0)));
  current = &c;
  setSearchServices(&kServices);
  const std::int64_t before = searchCounter(ABCDCounter);
  for (auto _ : state) {
    SM.tensorCode = 1;
    SM.orientifold = 0;
    SM.branes[0] = 0;
    SM.branes[1] = 1;
    SM.multiplicities[0] = 3;
    SM.tensionBudgets[0] = -3994.0;
    findWeakSMBrane();
  }
  const std::int64_t examined = searchCounter(ABCDCounter) - before;
  state.counters["abcd/s"] = benchmark::Counter(static_cast<double>(examined), benchmark::Counter::kIsRate);
  state.SetLabel("abcd configurations examined");
  setSearchServices(nullptr);
  current = nullptr;
}
BENCHMARK(BM_SearchStepsAtoD)->Arg(2000)->Arg(5000)->Unit(benchmark::kMillisecond);

// Limit: three look-ups per d candidate (a,d), (b,d), (c,d), sixty passes over the list.
void BM_LimitIntersectionLookups(benchmark::State& state) {
  SyntheticCase c = makeCase(static_cast<int>(state.range(0)));
  std::int64_t lookups = 0;
  for (auto _ : state) {
    int sum = 0;
    for (int pass = 0; pass < 60; ++pass)
      for (int d = 0; d < c.n; ++d)
        for (int x : {0, 10, 100}) {
          auto it = c.table.find(c.key(x, d));
          sum += it == c.table.end() ? 0 : it->second.first;
        }
    benchmark::DoNotOptimize(sum);
    lookups += 60LL * c.n;
  }
  state.counters["abcd/s"] = benchmark::Counter(static_cast<double>(lookups), benchmark::Counter::kIsRate);
  state.SetLabel("limit: table look-ups of the same d candidates");
}
BENCHMARK(BM_LimitIntersectionLookups)->Arg(2000)->Arg(5000)->Unit(benchmark::kMillisecond);

}  // namespace
