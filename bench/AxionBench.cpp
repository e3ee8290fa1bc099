// The axion basis and the boundary charges for synthetic coupling matrices of 50, 200 and
// 1,000 axions: n boundaries coupling to one axion each, then as many boundaries coupling
// to small integer combinations, half of them with the opposite sign. Beside each figure,
// the limit: a plain n^3 multiply-add loop of the same size, measured in the same run
// (the basis work is one factorisation plus a solve per row).
#include <benchmark/benchmark.h>

#include <complex>
#include <random>
#include <vector>

#include "BenchSupport.h"
#include "program/Boot.h"
#include "search/Axions.h"

namespace {

FreshHome freshHome;

std::vector<std::vector<std::complex<double>>> syntheticCouplings(int axions) {
  std::mt19937 random(1207);
  std::uniform_int_distribution<int> pick(0, axions - 1), coefficient(-2, 2);
  std::vector<std::vector<std::complex<double>>> couplings;
  for (int k = 0; k < axions; ++k) {
    std::vector<std::complex<double>> row(static_cast<std::size_t>(axions), 0.0);
    row[static_cast<std::size_t>(k)] = 0.5 + 0.01 * k;  // each axion's own scale
    couplings.push_back(std::move(row));
  }
  for (int extra = 0; extra < axions; ++extra) {
    std::vector<std::complex<double>> row(static_cast<std::size_t>(axions), 0.0);
    for (int term = 0; term < 3; ++term) {
      const int k = pick(random);
      row[static_cast<std::size_t>(k)] += static_cast<double>(coefficient(random)) * (0.5 + 0.01 * k);
    }
    if (extra % 2 == 1)
      for (auto& x : row) x = -x;
    couplings.push_back(std::move(row));
  }
  return couplings;
}

void BM_AxionBasisAndCharges(benchmark::State& state) {
  resetAll();
  setOutputSink(&discardOutput);
  const int axions = static_cast<int>(state.range(0));
  const auto couplings = syntheticCouplings(axions);
  AxionTable table;
  for (auto _ : state) {
    AX_buildTable(couplings, &table, false, nullptr);
    benchmark::DoNotOptimize(table.AxionCount);
  }
  state.counters["axions"] = table.AxionCount;
  state.SetLabel("time per basis");
}
BENCHMARK(BM_AxionBasisAndCharges)->Arg(50)->Arg(200)->Arg(1000)->Unit(benchmark::kMillisecond);

void BM_LimitCubicLoop(benchmark::State& state) {
  const auto n = static_cast<std::size_t>(state.range(0));
  std::vector<double> a(n * n, 1.0), b(n * n, 0.5), c(n * n, 0.0);
  for (auto _ : state) {
    for (std::size_t i = 0; i < n; ++i)
      for (std::size_t k = 0; k < n; ++k) {
        const double x = a[i * n + k];
        for (std::size_t j = 0; j < n; ++j) c[i * n + j] += x * b[k * n + j];
      }
    benchmark::DoNotOptimize(c.data());
  }
  state.SetLabel("limit: n^3 multiply-add");
}
BENCHMARK(BM_LimitCubicLoop)->Arg(50)->Arg(200)->Arg(1000)->Unit(benchmark::kMillisecond);

}  // namespace
