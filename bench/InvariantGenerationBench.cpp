// Generation of simple-current invariants on large current groups.
//
// The class-wise subgroup builder on Z3^r modulo all r! coordinate permutations (the shape
// of a tensor product of r identical factors): the automorphic builder, which compares
// subgroups through the images of their generators, beside the element-by-element builder
// on the same group and permutations in the same run, and the automorphic builder with its
// tree of symmetries turned off (comparing one symmetry at a time, the former way). And
// the time of "build cy" for list numbers 168 (nine identical factors, 9! permutations),
// also without the tree and with the tree but without its shortcuts, 161 and 144. And the
// builder alone on S_9 acting on Z3^7, with and without the shortcuts.
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

// S_n on F3^(n-2), the vectors of F3^n with coordinate sum 0 modulo the diagonal (n a
// multiple of 3): class of v <-> its representative with v_(n-1) = 0, coordinates
// v_0 .. v_(n-3) (v_(n-2) = -(their sum)). Its 9! symmetries on Z3^7 are the shape of
// "build cy 168" (nine identical factors). The permutations in lexicographic order.
struct HeartPermutations {
  int n = 0;
  int rank = 0;
  int order = 1;
  std::vector<std::vector<int>> perms;
};

HeartPermutations heartPermutations(int n) {
  HeartPermutations h;
  h.n = n;
  h.rank = n - 2;
  for (int j = 0; j < h.rank; ++j) h.order *= 3;
  std::vector<int> p(static_cast<std::size_t>(n));
  std::iota(p.begin(), p.end(), 0);
  do {
    h.perms.push_back(p);
  } while (std::next_permutation(p.begin(), p.end()));
  return h;
}

int heartAction(int k, int e, void* ctx) {
  const HeartPermutations* h = static_cast<const HeartPermutations*>(ctx);
  const std::vector<int>& perm = h->perms[static_cast<std::size_t>(k)];
  int v[32] = {};
  int sum = 0;
  for (int j = 0; j < h->rank; ++j, e /= 3) {
    v[j] = e % 3;
    sum += v[j];
  }
  v[h->n - 2] = (3 - sum % 3) % 3;
  int w[32] = {};
  for (int i = 0; i < h->n; ++i) w[perm[static_cast<std::size_t>(i)]] = v[i];
  const int shift = w[h->n - 1];
  int image = 0;
  for (int j = h->rank - 1; j >= 0; --j) image = 3 * image + (w[j] - shift + 3) % 3;
  return image;
}

// The builder alone on S_n acting on Z3^(n-2): the tree with its shortcuts beside the tree
// without them (as before) in the same run.
void BM_ClassWiseSubgroupsHeartModuloPermutations(benchmark::State& state) {
  resetQuietly();
  HeartPermutations perms = heartPermutations(static_cast<int>(state.range(0)));
  const int nperm = static_cast<int>(perms.perms.size());
  std::vector<int> factors(static_cast<std::size_t>(perms.rank), 3);
  DGType* g = DG_find(factors.data(), perms.rank);
  std::vector<int> selected(static_cast<std::size_t>(g->order), 1);
  const auto build = [&](bool linear, int* classes) {
    DG_setLinearTree(linear);
    const Clock::time_point start = Clock::now();
    *classes = 0;
    for (SGType* sg = DG_buildInequivalentSubgroupsAutomorphic(g, selected.data(), nperm, heartAction, &perms);
         sg != nullptr; sg = sg->next) {
      ++*classes;
    }
    return secondsSince(start);
  };
  int classes = 0, formerClasses = 0;
  double seconds = 0.0;
  for (auto _ : state) seconds += build(true, &classes);
  const double former = build(false, &formerClasses);
  DG_setLinearTree(true);
  state.counters["classes"] = classes;
  state.counters["classes_former"] = formerClasses;
  state.counters["s_builder"] = seconds / static_cast<double>(state.iterations());
  state.counters["s_builder_former"] = former;
  setOutputSink(nullptr);
}
BENCHMARK(BM_ClassWiseSubgroupsHeartModuloPermutations)->Arg(6)->Arg(9)->Iterations(1)->Unit(benchmark::kSecond);

void commandCase(benchmark::State& state, const char* line, bool tree = true, bool linear = true) {
  double seconds = 0.0;
  for (auto _ : state) {
    resetQuietly();
    DG_setSymmetryTree(tree);
    DG_setLinearTree(linear);
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
// The tree without its shortcuts (walks over the elements, the former group test).
BENCHMARK_CAPTURE(commandCase, build_cy_168_former_tree, "build cy 168", true, false)->Iterations(1)->Unit(benchmark::kSecond);
// The subgroup classes decided symmetry by symmetry, as before the tree.
BENCHMARK_CAPTURE(commandCase, build_cy_168_pairwise, "build cy 168", false)->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK_CAPTURE(commandCase, build_cy_161, "build cy 161")->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK_CAPTURE(commandCase, build_cy_144, "build cy 144")->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace
