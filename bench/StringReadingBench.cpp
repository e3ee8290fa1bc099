// The string reading of every Gepner model of the Calabi-Yau table: "build cy N", "select
// invariant 0", "browse heterotic" for the 168 list numbers of "browse cy", one process
// per model (a fork of this program, whose processor time is the child's), each model's
// time printed beside the limit of 5 s and the total beside 180 s. Beside them, measured in
// the same run on a few models that it finishes in seconds, the ground-state contents by
// the first way (every image of a field compared with every image seen before, n |G|^2)
// and by the reading's search by weight.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "interpreter/Interpreter.h"
#include "program/Boot.h"
#include "runtime/Output.h"
#include "store/CurrentTheory.h"
#include "strings/StringTheoryInternal.h"
#include "tensor/Coset.h"

namespace {

FreshHome freshHome;
const bool inFreshHome = !freshHome.path.empty() && chdir(freshHome.path.c_str()) == 0;

constexpr int kModels = 168;
constexpr double kModelLimit = 5.0;
constexpr double kTotalLimit = 180.0;
// Models whose first way ends in a few seconds.
const std::vector<int> kFirstWayModels = {147, 105, 84, 165};

bool runLines(const std::vector<std::string>& lines) {
  return inFreshHome && runLinesFromStartUp(lines);
}

std::vector<std::string> readingOf(int model) {
  return {"build cy " + std::to_string(model), "select invariant 0", "browse heterotic"};
}

void everyGepnerModel(benchmark::State& state) {
  double total = 0.0;
  double slowest = 0.0;
  int failed = 0;
  int overLimit = 0;
  for (auto _ : state) {
    total = 0.0;
    std::printf("%-8s %10s %10s\n", "model", "seconds", "limit");
    for (int model = 1; model <= kModels; ++model) {
      const double seconds = childSeconds([&] { return runLines(readingOf(model)); });
      if (seconds < 0) {
        ++failed;
        std::printf("%-8d %10s %10.1f\n", model, "failed", kModelLimit);
        continue;
      }
      total += seconds;
      slowest = std::max(slowest, seconds);
      if (seconds > kModelLimit) ++overLimit;
      std::printf("%-8d %10.2f %10.1f%s\n", model, seconds, kModelLimit,
                  seconds > kModelLimit ? "  over" : "");
    }
    std::printf("%-8s %10.2f %10.1f%s\n", "total", total, kTotalLimit,
                total > kTotalLimit ? "  over" : "");
    std::fflush(stdout);
  }
  state.counters["s_total"] = total;
  state.counters["s_total_limit"] = kTotalLimit;
  state.counters["s_slowest"] = slowest;
  state.counters["s_model_limit"] = kModelLimit;
  state.counters["over_limit"] = overLimit;
  state.counters["failed"] = failed;
  if (failed > 0) state.SkipWithError("a model's reading failed");
}

// The contents of one model both ways, in this process: processor seconds of each.
void contentsBothWays(benchmark::State& state) {
  const int model = static_cast<int>(state.range(0));
  double firstWay = 0.0;
  double byWeight = 0.0;
  bool same = true;
  for (auto _ : state) {
    if (!runLines({"build cy " + std::to_string(model), "select invariant 0"}) ||
        currentTensor == nullptr) {
      setOutputSink(nullptr);
      state.SkipWithError("build cy failed");
      return;
    }
    std::vector<int> pairwise;
    std::vector<int> searched;
    double start = cpuSeconds();
    tensorLatticeContents(currentTensor, true, &pairwise);
    firstWay = cpuSeconds() - start;
    start = cpuSeconds();
    tensorLatticeContents(currentTensor, false, &searched);
    byWeight = cpuSeconds() - start;
    same = same && pairwise == searched;
  }
  setOutputSink(nullptr);
  state.counters["primaries"] = currentTensor != nullptr ? currentTensor->Spectrum.size() : 0;
  state.counters["chiral_algebra"] =
      currentTensor != nullptr ? currentTensor->ChiralAlgebra.size() : 0;
  state.counters["s_first_way"] = firstWay;
  state.counters["s_by_weight"] = byWeight;
  state.counters["same"] = same ? 1 : 0;
  if (!same) state.SkipWithError("the two ways differ");
}

void firstWayModels(benchmark::internal::Benchmark* b) {
  for (int model : kFirstWayModels) b->Arg(model);
}

}  // namespace

BENCHMARK(everyGepnerModel)->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(contentsBothWays)->Apply(firstWayModels)->Iterations(1)->Unit(benchmark::kSecond);
