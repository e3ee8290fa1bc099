// Cost of the modular data of the current theory for A1 at levels with 1,000 to 20,000
// primaries: building S (the packed table where it fits the allocation limit, otherwise
// the first row from the orbit S base, a bounded row cache from 5,000 orbits on), fusion
// coefficients through the orbit form, and whole fusion products, warm and from a cold
// start at levels 1,000, 5,000 and 10,000 with the bytes written to disk beside them.
// Limit printed beside the figures: a cold product at level 10,000 in under 0.5 s, with no
// more than the bounded row cache ("S_rows maxsize") written. Memory is reported as bytes
// held by the S-matrix account per stored S entry.
//
// One S row of A7 at level 10 (19,448 fields, 2,431 orbits) the way the command "s 5"
// reads it (the orbit tables, the first row and the row through the orbit S base), its time
// and the bytes it adds beside the time and bytes of loading the theory, measured in the
// same run (the least times of ten runs); limits: 30 ms and 15 MB over the load.
//
// The program runs with a fresh HOME (work folder of the row files), removed at the end.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>

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

// A1 at level n - 1 as the current theory, with room for its full table.
void useA1(int n) {
  resetAll();
  setOutputSink(&discardOutput);
  setIntPar("S_matrix maxsize", n);
  SpectrumData* sd = SM_getData(1, 1, n - 1);
  currentSD = sd;
  TotalPrimaries = &sd->n_primaries;
  CFTChanged();
}

void BM_SMatrix(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  useA1(n);
  for (auto _ : state) {
    state.PauseTiming();
    CFTChanged();
    state.ResumeTiming();
    const double* row = initSMATRIX();
    benchmark::DoNotOptimize(row);
    double re = 0.0, im = 0.0;
    compS(n / 3, n / 2, &re, &im);
    benchmark::DoNotOptimize(re);
  }
  // Whether the full table fitted: the first-row fallback holds n entries.
  double re = 0.0, im = 0.0;
  compS(1, 1, &re, &im);
  const double full = static_cast<double>(n) * (n + 1) / 2;
  const double entries = static_cast<double>(SMatrix_alloc.bytesHeld()) >= 8 * full ? full : n;
  state.counters["primaries"] = n;
  state.counters["stored_entries"] = entries;
  state.counters["bytes_per_entry"] = static_cast<double>(SMatrix_alloc.bytesHeld()) / entries;
  setOutputSink(nullptr);
}

// One coefficient per iteration over a fixed cycle of 64 triples (a bounded set of orbit
// rows, so the disk cache of the largest case stays small).
void BM_FusionCoefficient(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  useA1(n);
  initSMATRIX();
  long long step = 0;
  for (auto _ : state) {
    const long long t = step % 64;
    const int i = static_cast<int>((t * 7919) % n);
    const int j = static_cast<int>((t * 104729 + 13) % n);
    const int k = static_cast<int>((i + j) % n);
    benchmark::DoNotOptimize(fusion(i, j, k, 0));
    ++step;
  }
  state.counters["primaries"] = n;
  state.counters["S_bytes"] = static_cast<double>(SMatrix_alloc.bytesHeld());
  setOutputSink(nullptr);
}

// A whole product (i) x (j): all n coefficients from one ratio row.
void BM_FusionProduct(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  useA1(n);
  initSMATRIX();
  const int i = n / 3, j = n / 2;
  for (auto _ : state) {
    std::string text;
    compF(text, i, j, 0);
    benchmark::DoNotOptimize(text.data());
  }
  state.counters["primaries"] = n;
  setOutputSink(nullptr);
}

// Bytes of all files under the fresh HOME.
double bytesOnDisk() {
  std::error_code error;
  double total = 0.0;
  for (auto it = std::filesystem::recursive_directory_iterator(freshHome.path, error);
       it != std::filesystem::recursive_directory_iterator(); it.increment(error)) {
    if (error) break;
    if (it->is_regular_file(error)) total += static_cast<double>(it->file_size(error));
  }
  return total;
}

// One product (i) x (j) of A1 at level `level` from a cold start: a fresh program state,
// the theory built anew, default settings.
void BM_FusionProductCold(benchmark::State& state) {
  const int level = static_cast<int>(state.range(0));
  double seconds = 0.0;
  double written = 0.0;
  for (auto _ : state) {
    state.PauseTiming();
    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator(freshHome.path, ignored))
      std::filesystem::remove_all(entry.path(), ignored);
    resetAll();
    setOutputSink(&discardOutput);
    const double before = bytesOnDisk();
    state.ResumeTiming();
    const auto start = std::chrono::steady_clock::now();
    SpectrumData* sd = SM_getData(1, 1, level);
    currentSD = sd;
    TotalPrimaries = &sd->n_primaries;
    CFTChanged();
    std::string text;
    compF(text, level / 3, level / 2, 0);
    benchmark::DoNotOptimize(text.data());
    seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    state.PauseTiming();
    written = bytesOnDisk() - before;
    setOutputSink(nullptr);
    state.ResumeTiming();
  }
  state.counters["primaries"] = level + 1;
  state.counters["seconds"] = seconds;
  state.counters["bytes_written"] = written;
  if (level == 10000) {
    state.counters["seconds_limit"] = 0.5;
    state.counters["bytes_limit"] = 100e6;
  }
}

// Row `row` of S of a freshly loaded theory, after the load itself, both from a cold start.
void BM_SRowAfterLoad(benchmark::State& state) {
  const int rank = static_cast<int>(state.range(0));
  const int level = static_cast<int>(state.range(1));
  const int row = static_cast<int>(state.range(2));
  // The least time of the iterations: the figures of a busy machine scatter upwards.
  double loadMs = 1e300, rowMs = 1e300, loadBytes = 0.0, rowBytes = 0.0;
  int n = 0;
  for (auto _ : state) {
    state.PauseTiming();
    resetAll();
    setOutputSink(&discardOutput);
    const double before = static_cast<double>(getTotalAllocation());
    state.ResumeTiming();
    auto start = std::chrono::steady_clock::now();
    SpectrumData* sd = SM_getData(1, rank, level);
    currentSD = sd;
    TotalPrimaries = &sd->n_primaries;
    CFTChanged();
    loadMs = std::min(loadMs, std::chrono::duration<double, std::milli>(
                                  std::chrono::steady_clock::now() - start)
                                  .count());
    const double loaded = static_cast<double>(getTotalAllocation());
    n = sd->n_primaries;
    start = std::chrono::steady_clock::now();
    initSMATRIX();
    double sum = 0.0;
    for (int b = 0; b < n; ++b) {
      double re = 0.0, im = 0.0;
      compS(row, b, &re, &im);
      sum += re;
    }
    benchmark::DoNotOptimize(sum);
    rowMs = std::min(rowMs, std::chrono::duration<double, std::milli>(
                                std::chrono::steady_clock::now() - start)
                                .count());
    loadBytes = loaded - before;
    rowBytes = static_cast<double>(getTotalAllocation()) - loaded;
    setOutputSink(nullptr);
  }
  state.counters["primaries"] = n;
  state.counters["load_ms"] = loadMs;
  state.counters["row_ms"] = rowMs;
  state.counters["row_ms_limit"] = 30.0;
  state.counters["load_MB"] = loadBytes / 1e6;
  state.counters["row_MB"] = rowBytes / 1e6;
  state.counters["row_MB_limit"] = 15.0;
}

}  // namespace

BENCHMARK(BM_SRowAfterLoad)->Args({7, 10, 5})->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_FusionProductCold)
    ->Arg(1000)
    ->Arg(5000)
    ->Arg(10000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->UseRealTime();
BENCHMARK(BM_SMatrix)
    ->Arg(1000)
    ->Arg(2000)
    ->Arg(5000)
    ->Arg(20000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2);
BENCHMARK(BM_FusionCoefficient)->Arg(1000)->Arg(5000)->Arg(20000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FusionProduct)->Arg(1000)->Arg(5000)->Unit(benchmark::kMillisecond);
