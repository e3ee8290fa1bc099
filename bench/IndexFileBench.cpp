// Index files: "indices" of A1 at level K, the whole run (S tables, fusion, the passes and
// the index file), and beside it the writing of the same K - 1 records alone into a new
// file, timed over its first quarter, the middle half and the last quarter (also on its
// own, BM_IndexFileOfA1). Writing is linear
// when the time per record stays the same as the file grows (limit printed beside: the
// last quarter's time per record at most twice the first quarter's).
//
// A1 at level K: the field of label l has dimension l + 1 and I_2 = l (l + 1) (l + 2) / 6.
// The program runs with a fresh HOME, removed at the end.
#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <system_error>

#include "BenchSupport.h"
#include "modular/Modular.h"
#include "numbers/LargeInteger.h"
#include "program/Boot.h"
#include "program/Startup.h"
#include "runtime/Output.h"
#include "store/CurrentTheory.h"
#include "store/Storemanager.h"
#include "store/StoremanagerIndexFiles.h"

namespace {

FreshHome freshHome;

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

void removeIndexFiles(const SpectrumData* sd) {
  std::error_code ignored;
  const std::string name = SM_setIndexFileName(sd);
  std::filesystem::remove(name, ignored);
  std::filesystem::remove(name.substr(0, name.size() - 8) + "_characters", ignored);
}

int fieldOfLabel(const SpectrumData* sd, int l) {
  for (int a = 0; a < sd->n_primaries; ++a) {
    if (sd->labels[static_cast<std::size_t>(a) * sd->rep_size] == l) return a;
  }
  return -1;
}

// Seconds to append the records of labels from .. to - 1 (their indices from the formula).
double appendRecords(SpectrumData* sd, int from, int to) {
  for (int l = from; l < to; ++l) {
    lint index;
    lint_assign(&index, static_cast<long long>(l) * (l + 1) * (l + 2) / 6);
    SM_addIndex(sd, fieldOfLabel(sd, l), &index);
  }
  const auto start = Clock::now();
  for (int l = from; l < to; ++l) SM_appendIndexRecord(sd, fieldOfLabel(sd, l));
  return secondsSince(start);
}

// The K - 1 records of A1 at level K written alone into a new file, in quarters; with
// whole 1 also the whole "indices" run before it.
void indicesOfA1(benchmark::State& state, bool whole) {
  const int level = static_cast<int>(state.range(0));
  double wholeRun = 0.0;
  for (auto _ : state) {
    if (!whole) continue;
    resetAll();
    setOutputSink(&discardOutput);
    SpectrumData* sd = SM_getData(1, 1, level);
    removeIndexFiles(sd);
    currentSD = sd;
    TotalPrimaries = &sd->n_primaries;
    CFTChanged();
    const auto start = Clock::now();
    computeIndices();
    wholeRun = secondsSince(start);
  }
  resetAll();
  setOutputSink(&discardOutput);
  SpectrumData* sd = SM_getData(1, 1, level);
  removeIndexFiles(sd);
  SM_loadIndices(sd);
  const int records = level - 1;
  const int quarter = 2 + records / 4;
  const int threeQuarters = 2 + 3 * records / 4;
  const double first = appendRecords(sd, 2, quarter);
  const double middle = appendRecords(sd, quarter, threeQuarters);
  const double last = appendRecords(sd, threeQuarters, level + 1);
  const double perFirst = first / (quarter - 2);
  const double perLast = last / (level + 1 - threeQuarters);
  state.counters["records"] = records;
  if (whole) {
    state.counters["whole_run_s"] = wholeRun;
    state.counters["whole_run_limit_s"] = 60.0;
  }
  state.counters["file_writes_s"] = first + middle + last;
  state.counters["us_per_record_first_quarter"] = 1e6 * perFirst;
  state.counters["us_per_record_last_quarter"] = 1e6 * perLast;
  state.counters["last_over_first"] = perLast / perFirst;
  state.counters["last_over_first_limit"] = 2.0;
  removeIndexFiles(sd);
  setOutputSink(nullptr);
}

void BM_IndexFileOfA1(benchmark::State& state) {
  indicesOfA1(state, false);
}
void BM_IndicesOfA1(benchmark::State& state) {
  indicesOfA1(state, true);
}

}  // namespace

BENCHMARK(BM_IndexFileOfA1)
    ->Arg(250)
    ->Arg(1000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->UseRealTime();
// The whole run reads its products off threaded blocks of products: seconds at level 1000
// (beside a limit of a minute).
BENCHMARK(BM_IndicesOfA1)
    ->Arg(250)
    ->Arg(500)
    ->Arg(1000)
    ->Unit(benchmark::kSecond)
    ->Iterations(1)
    ->UseRealTime();
