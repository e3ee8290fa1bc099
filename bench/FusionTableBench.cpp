// The whole fusion table of SU(3) at levels 20, 30 and 40 and of SU(5) at level 5, with
// each kernel width, on one thread and on all: seconds, the effective floating-point rate
// of its dense products, and beside it the rate of OpenBLAS's dgemm on the same shape (the
// table's summation length against all fields, on as many threads) run in the same
// program, with a plain blocked loop for comparison. Limits printed beside the figures:
// SU(3) level 30 in under 6 s, the kernel at no less than 60% of dgemm's rate. Without
// OpenBLAS (ZOQ_BENCH_CBLAS undefined) the dgemm figures read 0. Beside them the listing
// of every product of SU(3) level 40 whose text is dropped (as under "verify"), against
// "check fusion" on the same theory in the same run (limit: 3 times).
//
// The program runs with a fresh HOME, removed at the end.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#ifdef ZOQ_BENCH_CBLAS
#include <cblas.h>
#endif

#include "BenchSupport.h"
#include "modular/Modular.h"
#include "modular/ModularInternal.h"
#include "program/Boot.h"
#include "program/Startup.h"
#include "runtime/Error.h"
#include "runtime/Output.h"
#include "runtime/Parameters.h"
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

// C (n x n) = A (n x k) B^T, plain loops blocked by 64 rows, columns and terms, the rows
// shared among the threads. Returns floating-point operations per second.
double plainProductRate(int n, int k, int threadCount) {
  constexpr int kBlock = 64;
  std::vector<double> a(static_cast<std::size_t>(n) * k), bt(static_cast<std::size_t>(k) * n),
      c(static_cast<std::size_t>(n) * n, 0.0);
  for (std::size_t x = 0; x < a.size(); ++x) a[x] = 1.0 / static_cast<double>(x % 97 + 1);
  for (std::size_t x = 0; x < bt.size(); ++x) bt[x] = 1.0 / static_cast<double>(x % 89 + 1);
  const auto start = std::chrono::steady_clock::now();
  std::atomic<int> nextBlock{0};
  auto work = [&]() {
    for (;;) {
      const int i0 = kBlock * nextBlock.fetch_add(1);
      if (i0 >= n) return;
      const int i1 = std::min(n, i0 + kBlock);
      for (int t0 = 0; t0 < k; t0 += kBlock) {
        const int t1 = std::min(k, t0 + kBlock);
        for (int j0 = 0; j0 < n; j0 += kBlock) {
          const int j1 = std::min(n, j0 + kBlock);
          for (int i = i0; i < i1; ++i) {
            double* __restrict row = c.data() + static_cast<std::size_t>(i) * n;
            for (int t = t0; t < t1; ++t) {
              const double x = a[static_cast<std::size_t>(i) * k + t];
              const double* __restrict b = bt.data() + static_cast<std::size_t>(t) * n;
              for (int j = j0; j < j1; ++j) row[j] += x * b[j];
            }
          }
        }
      }
    }
  };
  // Repeated until a fifth of a second has passed, so that starting the threads does not
  // dominate a small product.
  int rounds = 0;
  double seconds = 0.0;
  do {
    nextBlock = 0;
    std::vector<std::thread> pool;
    for (int w = 1; w < threadCount; ++w) pool.emplace_back(work);
    work();
    for (std::thread& t : pool) t.join();
    ++rounds;
    seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  } while (seconds < 0.2);
  benchmark::DoNotOptimize(c.data());
  return rounds * 2.0 * n * n * static_cast<double>(k) / seconds;
}

// The dense product of the reference library on the same shape: C (n x n) = A (n x k)
// B^T on `threadCount` threads; floating-point operations per second, or 0 without it.
double referenceProductRate(int n, int k, int threadCount) {
#ifdef ZOQ_BENCH_CBLAS
  std::vector<double> a(static_cast<std::size_t>(n) * k), b(static_cast<std::size_t>(n) * k),
      c(static_cast<std::size_t>(n) * n, 0.0);
  for (std::size_t x = 0; x < a.size(); ++x) a[x] = 1.0 / static_cast<double>(x % 97 + 1);
  for (std::size_t x = 0; x < b.size(); ++x) b[x] = 1.0 / static_cast<double>(x % 89 + 1);
  openblas_set_num_threads(threadCount);
  // The best of the rounds of a third of a second, as the table takes its best run.
  const auto start = std::chrono::steady_clock::now();
  double best = 1e300;
  double seconds = 0.0;
  do {
    const auto round = std::chrono::steady_clock::now();
    cblas_dgemm(CblasRowMajor, CblasNoTrans, CblasTrans, n, n, k, 1.0, a.data(), k, b.data(), k,
                0.0, c.data(), n);
    const auto end = std::chrono::steady_clock::now();
    best = std::min(best, std::chrono::duration<double>(end - round).count());
    seconds = std::chrono::duration<double>(end - start).count();
  } while (seconds < 0.3);
  benchmark::DoNotOptimize(c.data());
  return 2.0 * n * n * static_cast<double>(k) / best;
#else
  (void)n;
  (void)k;
  (void)threadCount;
  return 0.0;
#endif
}

int summationLength(int n) {
  const int orbits = getNumberOfOrbits() > 0 ? getNumberOfOrbits() : n;
  double re = 0.0, im = 0.0;
  bool complex = false;
  for (int a = 0; a < n && !complex; ++a) {
    compS(1 % n, a, &re, &im);
    complex = im != 0.0;
  }
  return complex ? 2 * orbits : orbits;
}

// Arguments: rank, level of SU(rank+1), threads (0: all), kernel (FusionKernel value).
void BM_FusionTable(benchmark::State& state) {
  const int rank = static_cast<int>(state.range(0));
  const int level = static_cast<int>(state.range(1));
  const int threads = static_cast<int>(state.range(2));
  const auto kernel = static_cast<FusionKernel>(state.range(3));
  if (!fusionKernelSupported(kernel)) {
    state.SkipWithError("kernel not supported by this processor");
    for (auto _ : state) {
    }
    return;
  }
  useTheory(rank, level);
  setIntPar("Fusion threads", threads);
  setFusionKernel(kernel);
  const int n = *TotalPrimaries;
  FusionTableReport report, best;
  best.seconds = 1e300;
  for (auto _ : state) {
    MOD_forgetFusionTable();
    MOD_computeFusionTable(true, false, &report);
    if (report.seconds < best.seconds) best = report;
  }
  report = best;
  const int length = summationLength(n);
  const double reference = referenceProductRate(n, length, report.threads);
  const double plain = plainProductRate(n, length, report.threads);
  // The rate of the dense products (the table's set-up, reading S, is apart).
  const double rate = report.flops / report.productSeconds;
  state.SetLabel(fusionKernelName(kernel));
  state.counters["fields"] = n;
  state.counters["threads"] = report.threads;
  state.counters["seconds"] = report.seconds;
  state.counters["product_seconds"] = report.productSeconds;
  state.counters["GFlops"] = rate / 1e9;
  state.counters["dgemm_GFlops"] = reference / 1e9;
  state.counters["dgemm_ratio"] = reference > 0.0 ? rate / reference : 0.0;
  state.counters["dgemm_ratio_limit"] = 0.6;
  state.counters["plain_GFlops"] = plain / 1e9;
  if (rank == 2 && level == 30) state.counters["seconds_limit"] = 6.0;
  setOutputSink(nullptr);
}

void tableArguments(benchmark::internal::Benchmark* b) {
  const int all = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
  for (int kernel : {static_cast<int>(FusionKernel::Sse2), static_cast<int>(FusionKernel::Avx2),
                     static_cast<int>(FusionKernel::Avx2Fma)}) {
    for (int threads : {1, all}) {
      b->Args({2, 20, threads, kernel});
      b->Args({2, 30, threads, kernel});
    }
  }
  for (int threads : {1, all}) {
    b->Args({2, 40, threads, static_cast<int>(FusionKernel::Automatic)});
    b->Args({4, 5, threads, static_cast<int>(FusionKernel::Automatic)});
  }
}

// Arguments: rank, level. Every product i x j, i <= j, listed with its text dropped.
void BM_DroppedListing(benchmark::State& state) {
  const int rank = static_cast<int>(state.range(0));
  const int level = static_cast<int>(state.range(1));
  double check = 0.0, listing = 0.0;
  for (auto _ : state) {
    useTheory(rank, level);
    const int n = *TotalPrimaries;
    auto start = std::chrono::steady_clock::now();
    CheckFusion(0);
    check = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    TerminalOutputOff();
    start = std::chrono::steady_clock::now();
    std::string text;
    for (int i = 0; i < n; ++i)
      for (int j = i; j < n; ++j) {
        text.clear();
        PrintText(compF(text, i, j, 0));
      }
    listing = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    TerminalOutputOn();
  }
  state.counters["check_fusion_s"] = check;
  state.counters["listing_s"] = listing;
  state.counters["listing_over_check"] = check > 0.0 ? listing / check : 0.0;
  state.counters["listing_over_check_limit"] = 3.0;
  setOutputSink(nullptr);
}

}  // namespace

BENCHMARK(BM_DroppedListing)
    ->Args({2, 40})
    ->Unit(benchmark::kSecond)
    ->Iterations(1)
    ->UseRealTime();

BENCHMARK(BM_FusionTable)
    ->Apply(tableArguments)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->UseRealTime();
