// The set of all 9! = 362,880 permutations of nine identical factors (the factor
// permutations of "build cy 168"), made as the program makes it: rotations appended and
// sorted into the search tree once. Beside it, in the same run, the same rows inserted
// one by one into a searchable collection (each walking the tree), and the look-up of
// every row in both trees.
#include <benchmark/benchmark.h>

#include <chrono>
#include <vector>

#include "collections/VectorSpace.h"
#include "groups/Permutations.h"
#include "program/Boot.h"

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

void permutationSetCase(benchmark::State& state) {
  resetAll();
  constexpr int kObjects = 9;
  double appended = 0.0;
  double inserted = 0.0;
  double foundAppended = 0.0;
  double foundInserted = 0.0;
  long long rows = 0;
  long long found = 0;
  for (auto _ : state) {
    Clock::time_point start = Clock::now();
    VectorSpace* all = generateAllPermutations(kObjects);
    appended += secondsSince(start);
    rows = all->Nfill;
    VectorSpace oneByOne(100, "One by one");
    initVectorCollection(&oneByOne, kObjects, 100);
    start = Clock::now();
    for (int r = 0; r < all->Nfill; ++r) addVectorToCollection(&oneByOne, all->Space + static_cast<std::size_t>(r) * all->rowsize);
    inserted += secondsSince(start);
    start = Clock::now();
    for (int r = 0; r < all->Nfill; ++r) found += findVectorInCollection(all, all->Space + static_cast<std::size_t>(r) * all->rowsize) == r;
    foundAppended += secondsSince(start);
    start = Clock::now();
    for (int r = 0; r < all->Nfill; ++r) found += findVectorInCollection(&oneByOne, all->Space + static_cast<std::size_t>(r) * all->rowsize) == r;
    foundInserted += secondsSince(start);
  }
  benchmark::DoNotOptimize(found);
  const double iterations = static_cast<double>(state.iterations());
  state.counters["rows"] = static_cast<double>(rows);
  state.counters["found_in_both"] = static_cast<double>(found) / iterations / 2.0;
  state.counters["s_appended_and_sorted"] = appended / iterations;
  state.counters["s_inserted_one_by_one"] = inserted / iterations;
  state.counters["s_lookups_sorted_tree"] = foundAppended / iterations;
  state.counters["s_lookups_inserted_tree"] = foundInserted / iterations;
}

BENCHMARK(permutationSetCase)->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace
