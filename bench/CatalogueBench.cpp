// The model catalogue: reading a synthetic "Models.list" of 39,000 types, and the merge of
// 1,000 new types into it under the lock (read afresh, the new catalogue written through a
// synced temporary file, the run's model file written the same way). Beside each figure, a
// limit measured in the same run: reading the file's bytes alone, and copying them through
// a synced temporary file alone; the catalogue's own work is the difference.
// The program runs with a fresh HOME, removed at the end.
#include <benchmark/benchmark.h>

#include <array>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "program/Boot.h"
#include "runtime/Defaults.h"
#include "runtime/FileLock.h"
#include "runtime/SystemUtility.h"
#include "search/Catalogue.h"
#include "search/SearchSM.h"

namespace {

FreshHome freshHome;

constexpr int kCatalogued = 39000;
constexpr int kNewTypes = 1000;

using RunRow = std::array<int, 86>;
std::vector<RunRow>& rows() {
  static std::vector<RunRow> r;
  return r;
}
std::string& runBase() {
  static std::string b;
  return b;
}

// Profile k: spread over a few words so the profiles differ early and late.
void fillProfile(int k, int* row) {
  row[4] = 3, row[5] = 2, row[6] = 1, row[7] = 1;
  row[16] = k % 97;
  row[22] = (k / 97) % 89;
  row[48] = k / (97 * 89);
  row[32] = 6;
}

int hookCount() {
  return static_cast<int>(rows().size());
}
const int* hookRow(int t) {
  return rows()[static_cast<std::size_t>(t - 1)].data();
}
std::string hookName(const char* suffix) {
  return runBase() + suffix;
}
long long hookFile() {
  return 4711;
}
int hookMipf() {
  return 3;
}
void hookAnalyse(const int*, int* row, int) {
  for (int k = 66; k < 87; ++k) row[k] = 0;
}
std::string hookCode(int, int number) {
  return "U3U2U1U1_VVVV_0_" + std::to_string(number);
}
const CatalogueMergeHooks kHooks = {hookCount, hookRow,     hookName, hookFile,
                                    hookMipf,  hookAnalyse, hookCode};

std::string modelFolder() {
  return freshHome.path + "/models/";
}

void writeCatalogue() {
  std::filesystem::create_directories(modelFolder());
  std::string text;
  for (int k = 0; k < kCatalogued; ++k) {
    std::array<int, 87> row{};
    fillProfile(k, row.data());
    row[56] = k + 1;
    row[57] = row[58] = -1;
    text += formatCatalogueLine(row.data());
  }
  std::ofstream(modelFolder() + "Models.list") << text;
}

void setUp() {
  resetAll();
  setOutputSink(&discardOutput);
  setDefault("ModelDir", modelFolder().c_str());
  ModelDirChanged();
  setCatalogueMergeHooks(&kHooks);
}

double seconds(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void BM_ReadCatalogue(benchmark::State& state) {
  setUp();
  writeCatalogue();
  const std::string path = modelFolder() + "Models.list";
  double raw = 0;
  for (auto _ : state) {
    forgetCatalogue();
    benchmark::DoNotOptimize(readQUVRModels(1));
    auto start = std::chrono::steady_clock::now();
    std::string text;
    readFileText(path.c_str(), text);
    benchmark::DoNotOptimize(text.size());
    raw += seconds(start);
  }
  state.counters["types"] = getNumberOfModels();
  state.counters["raw_read_s_limit"] = raw / static_cast<double>(state.iterations());
  setOutputSink(nullptr);
}
BENCHMARK(BM_ReadCatalogue)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_MergeNewTypes(benchmark::State& state) {
  setUp();
  runBase() = freshHome.path + "/case";
  double merge = 0;
  double copy = 0;
  for (auto _ : state) {
    state.PauseTiming();
    writeCatalogue();
    rows().clear();
    std::string pre;
    for (int k = 0; k < kNewTypes; ++k) {
      RunRow row{};
      fillProfile(kCatalogued + k, row.data());
      rows().push_back(row);
      pre += std::to_string(k + 1) + " 4711 3 1 1 2 3 4 3 2 1 1 1 0\n";
    }
    std::ofstream(runBase() + ".pre_models")
        << pre << "-1 -1 -1 -1 -1 -1 -1 -1 -1 -1 -1 -1 -1 -1\n";
    state.ResumeTiming();
    auto start = std::chrono::steady_clock::now();
    benchmark::DoNotOptimize(getModelNumbers());
    merge += seconds(start);
    state.PauseTiming();
    start = std::chrono::steady_clock::now();
    std::string text;
    readFileText((modelFolder() + "Models.list").c_str(), text);
    writeFileAtomically(modelFolder() + "Copy.list", text);
    copy += seconds(start);
    state.ResumeTiming();
  }
  const double n = static_cast<double>(state.iterations());
  state.counters["merge_s"] = merge / n;
  state.counters["catalogue_copy_s_limit"] = copy / n;
  state.counters["types_after"] = getNumberOfModels();
  setCatalogueMergeHooks(nullptr);
  setOutputSink(nullptr);
}
BENCHMARK(BM_MergeNewTypes)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
