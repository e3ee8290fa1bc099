// The unitarity check and the (ST)^3 = S^2 check of SU(3) at levels 40 and 60 (861 and
// 1891 fields), each from S tables already built (as after any earlier use of S): seconds
// per check, beside the reference measured in the same run, a plain loop over the same
// N(N+1)/2 row products of an N x N complex matrix held in memory (what each check must
// do at least). Limit printed beside the figures: each check within 3 times its reference.
//
// The program runs with a fresh HOME, removed at the end.
#include <benchmark/benchmark.h>

#include <chrono>
#include <complex>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "modular/Modular.h"
#include "program/Boot.h"
#include "program/Startup.h"
#include "runtime/Output.h"
#include "store/CurrentTheory.h"
#include "store/Storemanager.h"

namespace {

FreshHome freshHome;

void useTheory(int rank, int level) {
  resetAll();
  setOutputSink(&discardOutput);
  SpectrumData* sd = SM_getData(1, rank, level);
  currentSD = sd;
  TotalPrimaries = &sd->n_primaries;
  CFTChanged();
  initSMATRIX();
}

double secondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The row products sum_m A(i, m) conj A(j, m) for i <= j of an n x n matrix.
double referenceSeconds(int n) {
  std::vector<std::complex<double>> a(static_cast<std::size_t>(n) * n);
  for (std::size_t x = 0; x < a.size(); ++x)
    a[x] = {1.0 / static_cast<double>(x % 97 + 1), 1.0 / static_cast<double>(x % 89 + 2)};
  const std::size_t nn = static_cast<std::size_t>(n);
  double total = 0.0;
  const auto start = std::chrono::steady_clock::now();
  for (std::size_t i = 0; i < nn; ++i) {
    for (std::size_t j = i; j < nn; ++j) {
      double re = 0.0, im = 0.0;
      for (std::size_t m = 0; m < nn; ++m) {
        const std::complex<double> x = a[i * nn + m], y = a[j * nn + m];
        re += x.real() * y.real() + x.imag() * y.imag();
        im += x.imag() * y.real() - x.real() * y.imag();
      }
      total += re + im;
    }
  }
  const double seconds = secondsSince(start);
  benchmark::DoNotOptimize(total);
  return seconds;
}

void BM_Checks(benchmark::State& state) {
  const int level = static_cast<int>(state.range(0));
  double unitarity = 0.0, st = 0.0;
  bool passed = true;
  for (auto _ : state) {
    useTheory(2, level);
    std::string report;
    auto start = std::chrono::steady_clock::now();
    UnitarityCheck(report, 10000);
    unitarity = secondsSince(start);
    passed = passed && report.find("Unitarity test OK") != std::string::npos;
    report.clear();
    start = std::chrono::steady_clock::now();
    STcheck(report, 10000);
    st = secondsSince(start);
    passed = passed && report.find("ST^3 = S^2 test OK") != std::string::npos;
  }
  const int n = *TotalPrimaries;
  setOutputSink(nullptr);
  const double reference = referenceSeconds(n);
  state.counters["fields"] = n;
  state.counters["unitarity_s"] = unitarity;
  state.counters["st_s"] = st;
  state.counters["reference_s"] = reference;
  state.counters["limit_s"] = 3.0 * reference;
  state.counters["passed"] = passed ? 1 : 0;
}

}  // namespace

BENCHMARK(BM_Checks)->Arg(40)->Arg(60)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();
