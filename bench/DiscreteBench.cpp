// Subgroup enumeration (all subgroups and one per class), character tables and the
// identification of abstract groups.
#include <benchmark/benchmark.h>

#include <vector>

#include "BenchSupport.h"
#include "groups/Discrete.h"
#include "program/Boot.h"
#include "runtime/Output.h"

namespace {

FreshHome freshHome;

void resetQuietly() {
  resetAll();
  setOutputSink(&discardOutput);
}

DGType* elementaryGroup(int p, int rank) {
  std::vector<int> factors(static_cast<std::size_t>(rank), p);
  return DG_find(factors.data(), rank);
}

void BM_BuildSubgroupsElementaryTwoGroup(benchmark::State& state) {
  resetQuietly();
  DGType* g = elementaryGroup(2, static_cast<int>(state.range(0)));
  int count = 0;
  for (auto _ : state) {
    count = 0;
    for (SGType* sg = DG_buildSubgroups(g); sg != nullptr; sg = sg->next) ++count;
    benchmark::DoNotOptimize(count);
  }
  state.counters["subgroups"] = count;
}
BENCHMARK(BM_BuildSubgroupsElementaryTwoGroup)->Arg(4)->Arg(5)->Arg(6)->Unit(benchmark::kMillisecond);

void BM_BuildSubgroupsMixed(benchmark::State& state) {
  resetQuietly();
  const int factors[] = {4, 4, 2, 3};
  DGType* g = DG_find(factors, 4);
  for (auto _ : state) benchmark::DoNotOptimize(DG_buildSubgroups(g));
}
BENCHMARK(BM_BuildSubgroupsMixed)->Unit(benchmark::kMillisecond);

// The coordinate permutations of Z2^r are taken as the r cyclic shifts.
int shiftAction(int k, int e, void* ctx) {
  int rank = *static_cast<int*>(ctx);
  int mask = (1 << rank) - 1;
  return ((e << k) | (e >> (rank - k))) & mask;
}

void BM_ClassWiseSubgroupsModuloShifts(benchmark::State& state) {
  resetQuietly();
  int rank = static_cast<int>(state.range(0));
  DGType* g = elementaryGroup(2, rank);
  std::vector<int> selected(static_cast<std::size_t>(g->order), 1);
  int count = 0;
  for (auto _ : state) {
    count = 0;
    SGType* chain = DG_buildInequivalentSubgroupsSelected(g, selected.data(), rank, shiftAction, &rank);
    for (SGType* sg = chain; sg != nullptr; sg = sg->next) ++count;
  }
  state.counters["classes"] = count;
}
BENCHMARK(BM_ClassWiseSubgroupsModuloShifts)->Arg(5)->Arg(6)->Unit(benchmark::kMillisecond);

void BM_CharacterTable(benchmark::State& state) {
  resetQuietly();
  const int factors[] = {static_cast<int>(state.range(0)), 2};
  for (auto _ : state) {
    DGType* g = DG_makeDecomp(factors, 2);
    DG_computeCharacters(g);
    benchmark::DoNotOptimize(g->characters);
    DG_free(g);
  }
}
BENCHMARK(BM_CharacterTable)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond);

void BM_MapAbstractGroup(benchmark::State& state) {
  resetQuietly();
  const int factors[] = {6, 10, 4};
  DGType* abstract = DG_makeDecomp(factors, 3);
  std::vector<int> orders(static_cast<std::size_t>(abstract->order)), map(orders.size());
  for (auto _ : state) {
    std::fill(orders.begin(), orders.end(), 0);
    benchmark::DoNotOptimize(DG_mapProductNEW(map.data(), orders.data(), abstract->order, abstract, DG_productLaw, nullptr));
  }
}
BENCHMARK(BM_MapAbstractGroup)->Unit(benchmark::kMicrosecond);

}  // namespace
