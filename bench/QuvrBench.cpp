// "order QUVR" on a synthetic catalogue of 40,000 types, and the look-up of the eight
// relabellings of a profile (stacks c and d interchanged and conjugated) against it.
// Beside each figure, the limit measured in the same run: a plain sort of the 40,000
// profiles for the ordering, and eight binary searches in a presorted array of profiles
// for the look-up.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <random>
#include <utility>
#include <vector>

#include "BenchSupport.h"
#include "program/Boot.h"
#include "search/QuvrGuided.h"
#include "search/QuvrOrder.h"

namespace {

FreshHome freshHome;
constexpr int kTypes = 40000;

// Types in classes of one to four members that differ only in their hypercharge entries.
std::vector<ModelRow> syntheticCatalogue() {
  std::mt19937 random(3833);
  std::uniform_int_distribution<int> small(-3, 3), size(1, 4), members(1, 4);
  std::vector<ModelRow> rows;
  rows.reserve(kTypes);
  while (static_cast<int>(rows.size()) < kTypes) {
    ModelRow row{};
    row[4] = 3, row[5] = 2, row[6] = size(random), row[7] = size(random);
    for (int k = 8; k < 28; ++k) row[k] = small(random);
    const int count = members(random);
    for (int m = 0; m < count && static_cast<int>(rows.size()) < kTypes; ++m) {
      row[28] = m + 1, row[29] = -m;
      row[32] = 6;
      row[56] = static_cast<int>(rows.size()) + 1;
      row[57] = row[58] = -1;
      rows.push_back(row);
    }
  }
  return rows;
}

// c and d interchanged: sizes, tensors and the pairs (a,c)/(a,d), (b,c)/(b,d).
ModelRow interchanged(ModelRow row) {
  for (int base : {0, 4, 8, 12}) std::swap(row[base + 2], row[base + 3]);
  for (int base : {16, 22}) {
    std::swap(row[base + 1], row[base + 2]);
    std::swap(row[base + 3], row[base + 4]);
  }
  return row;
}
// Stack x conjugated: Gamma and Delta of its pairs exchanged.
ModelRow conjugated(ModelRow row, int stack) {
  static constexpr int kPairs[2][3] = {{1, 3, 5}, {2, 4, 5}};
  for (int q : kPairs[stack - 2]) std::swap(row[16 + q], row[22 + q]);
  return row;
}
std::array<ModelRow, 8> variations(const ModelRow& row) {
  const ModelRow c = conjugated(row, 2);
  const ModelRow v5 = interchanged(c);
  const ModelRow v6 = conjugated(v5, 2);
  return {row, c, conjugated(c, 3), conjugated(row, 3), interchanged(row), v5, v6, conjugated(v6, 3)};
}

void BM_OrderQuvr(benchmark::State& state) {
  resetAll();
  setOutputSink(&discardOutput);
  const std::vector<ModelRow> catalogue = syntheticCatalogue();
  int classes = 0;
  for (auto _ : state) {
    std::vector<ModelRow> rows = catalogue;
    classes = orderQUVRRows(rows).classes;
    benchmark::DoNotOptimize(rows.data());
  }
  state.counters["classes"] = classes;
  state.SetLabel("order QUVR, 40,000 types");
}
BENCHMARK(BM_OrderQuvr)->Unit(benchmark::kMillisecond);

void BM_LimitPlainSort(benchmark::State& state) {
  const std::vector<ModelRow> catalogue = syntheticCatalogue();
  for (auto _ : state) {
    std::vector<ModelRow> rows = catalogue;
    std::sort(rows.begin(), rows.end(), [](const ModelRow& a, const ModelRow& b) {
      return std::lexicographical_compare(a.begin(), a.begin() + 56, b.begin(), b.begin() + 56);
    });
    benchmark::DoNotOptimize(rows.data());
  }
  state.SetLabel("limit: plain sort of the profiles");
}
BENCHMARK(BM_LimitPlainSort)->Unit(benchmark::kMillisecond);

void BM_EightVariantLookup(benchmark::State& state) {
  resetAll();
  setOutputSink(&discardOutput);
  quvrCatalogueRows() = syntheticCatalogue();
  std::vector<std::array<ModelRow, 8>> queries;
  for (int k = 0; k < 1000; ++k) queries.push_back(variations(quvrCatalogueRows()[static_cast<std::size_t>(k * 37)]));
  findQuvrSubProfiles(queries[0][0].data(), 41, nullptr, nullptr);  // builds the index once
  std::size_t next = 0;
  long long found = 0;
  for (auto _ : state) {
    for (const ModelRow& variant : queries[next]) found += findQuvrSubProfiles(variant.data(), 41, nullptr, nullptr);
    next = (next + 1) % queries.size();
  }
  benchmark::DoNotOptimize(found);
  state.SetLabel("eight variants against 40,000 types");
}
BENCHMARK(BM_EightVariantLookup)->Unit(benchmark::kMicrosecond);

void BM_LimitBinarySearch(benchmark::State& state) {
  std::vector<std::array<int, 41>> profiles;
  const std::vector<ModelRow> catalogue = syntheticCatalogue();
  for (const ModelRow& row : catalogue) {
    std::array<int, 41> p{};
    std::copy(row.begin(), row.begin() + 41, p.begin());
    profiles.push_back(p);
  }
  std::sort(profiles.begin(), profiles.end());
  std::vector<std::array<std::array<int, 41>, 8>> queries;
  for (int k = 0; k < 1000; ++k) {
    const auto rows = variations(catalogue[static_cast<std::size_t>(k * 37)]);
    std::array<std::array<int, 41>, 8> q{};
    for (int v = 0; v < 8; ++v) std::copy(rows[v].begin(), rows[v].begin() + 41, q[v].begin());
    queries.push_back(q);
  }
  std::size_t next = 0;
  long long found = 0;
  for (auto _ : state) {
    for (const auto& q : queries[next]) {
      const auto range = std::equal_range(profiles.begin(), profiles.end(), q);
      found += range.second - range.first;
    }
    next = (next + 1) % queries.size();
  }
  benchmark::DoNotOptimize(found);
  state.SetLabel("limit: eight binary searches in sorted profiles");
}
BENCHMARK(BM_LimitBinarySearch)->Unit(benchmark::kMicrosecond);

}  // namespace
