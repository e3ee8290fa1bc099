// Generation of simple-current invariants on large current groups.
//
// The class-wise subgroup builder on Z3^r modulo all r! coordinate permutations (the shape
// of a tensor product of r identical factors): the automorphic builder, which compares
// subgroups through the images of their generators, beside the element-by-element builder
// on the same group and permutations in the same run, and the automorphic builder with its
// tree of symmetries turned off (comparing one symmetry at a time, the former way). And
// the time of "build cy" for list numbers 168 (nine identical factors, 9! permutations),
// also without the tree, 161 and 144.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <numeric>
#include <vector>

#include "BenchSupport.h"
#include "groups/Discrete.h"
#include "interpreter/Interpreter.h"
#include "program/Boot.h"
#include "runtime/Output.h"

namespace {

FreshHome freshHome;

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

void resetQuietly() {
  resetAll();
  setOutputSink(&discardOutput);
}

// All permutations of r coordinates of Z3^r (elements sum_j c_j 3^j), as a table of
// element images, row k for permutation k in lexicographic order.
struct CoordinatePermutations {
  int rank = 0;
  int order = 1;
  int count = 0;
  std::vector<int> table;
};

CoordinatePermutations coordinatePermutations(int rank) {
  CoordinatePermutations p;
  p.rank = rank;
  for (int j = 0; j < rank; ++j) p.order *= 3;
  std::vector<int> perm(static_cast<std::size_t>(rank));
  std::iota(perm.begin(), perm.end(), 0);
  do {
    for (int e = 0; e < p.order; ++e) {
      int image = 0, rest = e, place = 1;
      std::vector<int> digits(static_cast<std::size_t>(rank));
      for (int j = 0; j < rank; ++j) {
        digits[static_cast<std::size_t>(j)] = rest % 3;
        rest /= 3;
      }
      for (int j = 0; j < rank; ++j) {
        image += digits[static_cast<std::size_t>(perm[static_cast<std::size_t>(j)])] * place;
        place *= 3;
      }
      p.table.push_back(image);
    }
    ++p.count;
  } while (std::next_permutation(perm.begin(), perm.end()));
  return p;
}

int tableAction(int k, int e, void* ctx) {
  const CoordinatePermutations* p = static_cast<const CoordinatePermutations*>(ctx);
  return p->table[static_cast<std::size_t>(k) * static_cast<std::size_t>(p->order) + static_cast<std::size_t>(e)];
}

void BM_ClassWiseSubgroupsZ3ModuloPermutations(benchmark::State& state) {
  resetQuietly();
  CoordinatePermutations perms = coordinatePermutations(static_cast<int>(state.range(0)));
  std::vector<int> factors(static_cast<std::size_t>(perms.rank), 3);
  DGType* g = DG_find(factors.data(), perms.rank);
  std::vector<int> selected(static_cast<std::size_t>(g->order), 1);
  int classes = 0;
  double automorphic = 0.0;
  for (auto _ : state) {
    const Clock::time_point start = Clock::now();
    classes = 0;
    for (SGType* sg = DG_buildInequivalentSubgroupsAutomorphic(g, selected.data(), perms.count, tableAction, &perms);
         sg != nullptr; sg = sg->next) {
      ++classes;
    }
    automorphic += secondsSince(start);
  }
  // The same builder comparing symmetry by symmetry (the former way).
  DG_setSymmetryTree(false);
  Clock::time_point pairwiseStart = Clock::now();
  int pairwiseClasses = 0;
  for (SGType* sg = DG_buildInequivalentSubgroupsAutomorphic(g, selected.data(), perms.count, tableAction, &perms);
       sg != nullptr; sg = sg->next) {
    ++pairwiseClasses;
  }
  const double pairwise = secondsSince(pairwiseStart);
  DG_setSymmetryTree(true);
  const Clock::time_point start = Clock::now();
  int plainClasses = 0;
  for (SGType* sg = DG_buildInequivalentSubgroupsSelected(g, selected.data(), perms.count, tableAction, &perms);
       sg != nullptr; sg = sg->next) {
    ++plainClasses;
  }
  const double plain = secondsSince(start);
  state.counters["classes"] = classes;
  state.counters["classes_elementwise"] = plainClasses;
  state.counters["s_automorphic"] = automorphic / static_cast<double>(state.iterations());
  state.counters["classes_pairwise"] = pairwiseClasses;
  state.counters["s_pairwise"] = pairwise;
  state.counters["s_elementwise"] = plain;
  setOutputSink(nullptr);
}
BENCHMARK(BM_ClassWiseSubgroupsZ3ModuloPermutations)->Arg(5)->Arg(6)->Arg(7)->Iterations(1)->Unit(benchmark::kSecond);

void commandCase(benchmark::State& state, const char* line, bool tree = true) {
  double seconds = 0.0;
  for (auto _ : state) {
    resetQuietly();
    DG_setSymmetryTree(tree);
    const Clock::time_point start = Clock::now();
    const bool done = executeCommandLine(line) <= 0;
    seconds += secondsSince(start);
    if (!done) {
      setOutputSink(nullptr);
      state.SkipWithError("the command failed");
      return;
    }
  }
  state.counters["s_command"] = seconds / static_cast<double>(state.iterations());
  setOutputSink(nullptr);
}

BENCHMARK_CAPTURE(commandCase, build_cy_168, "build cy 168")->Iterations(1)->Unit(benchmark::kSecond);
// The subgroup classes decided symmetry by symmetry, as before the tree.
BENCHMARK_CAPTURE(commandCase, build_cy_168_pairwise, "build cy 168", false)->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK_CAPTURE(commandCase, build_cy_161, "build cy 161")->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK_CAPTURE(commandCase, build_cy_144, "build cy 144")->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace
