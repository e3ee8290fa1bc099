// The stabiliser walks of the simple-current scan of "build cy": for every X candidate the
// symmetries that map its subgroup onto itself are walked in order, each X' compared with
// X. The walks of the scan, with their basis images from the symmetries' images of the
// centre basis and X' decided by form rows (once per class of equal images when a subgroup
// has several candidates), beside the per-permutation walk (each X' on its own, its images
// asked current by current) over the same scan in the same run; and the whole command.
// List number 168: nine identical factors, centre Z3^7, 9! symmetries; 161 and 144 for
// smaller symmetry groups and, for 144, several candidates per subgroup.
#include <benchmark/benchmark.h>

#include <chrono>

#include "BenchSupport.h"
#include "interpreter/Interpreter.h"
#include "invariants/Invariants.h"
#include "program/Boot.h"
#include "runtime/Output.h"

namespace {

FreshHome freshHome;

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

struct WalkTotals {
  double seconds = 0.0;
  long long walks = 0;
  long long permutations = 0;
  long long kept = 0;
  long long accepted = 0;
};

WalkTotals totals;

// The scan's hook for the benchmark: the permutation test alone, timed; every candidate
// counts as found, so that the scan goes on.
int walkOnly(SimpleCurrentData* MD) {
  if (!MD->perm_subgroup.empty()) {
    const Clock::time_point start = Clock::now();
    const int accepted = checkPermutationAcceptance(MD);
    totals.seconds += secondsSince(start);
    ++totals.walks;
    totals.permutations += static_cast<long long>(MD->perm_subgroup.size());
    totals.kept += static_cast<long long>(MD->stabilizer.size());
    totals.accepted += accepted;
  }
  return 1;
}

// One scan of `line` with the walk-only hook; the seconds of its walks and of the command.
bool scan(const char* line, bool byClasses, WalkTotals* walks, double* command) {
  resetAll();
  setOutputSink(&discardOutput);
  setStabilizerWalkByClasses(byClasses);
  setMIPFAnalysisFunction(walkOnly);
  totals = WalkTotals{};
  const Clock::time_point start = Clock::now();
  const bool done = executeCommandLine(line) <= 0;
  *command = secondsSince(start);
  *walks = totals;
  setMIPFAnalysisFunction(nullptr);
  setOutputSink(nullptr);
  return done;
}

void walkCase(benchmark::State& state, const char* line) {
  WalkTotals now, before;
  double commandNow = 0.0;
  double commandBefore = 0.0;
  for (auto _ : state) {
    if (!scan(line, true, &now, &commandNow) || !scan(line, false, &before, &commandBefore)) {
      state.SkipWithError("the command failed");
      return;
    }
  }
  state.counters["walks"] = static_cast<double>(now.walks);
  state.counters["permutations"] = static_cast<double>(now.permutations);
  state.counters["kept"] = static_cast<double>(now.kept);
  state.counters["accepted"] = static_cast<double>(now.accepted);
  state.counters["s_walks"] = now.seconds;
  state.counters["s_walks_per_permutation"] = before.seconds;
  state.counters["s_command"] = commandNow;
  state.counters["s_command_per_permutation"] = commandBefore;
  // Both ways must find the same stabilisers.
  state.counters["same"] = now.permutations == before.permutations && now.kept == before.kept &&
                                   now.accepted == before.accepted
                               ? 1
                               : 0;
}

BENCHMARK_CAPTURE(walkCase, build_cy_168, "build cy 168")->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK_CAPTURE(walkCase, build_cy_161, "build cy 161")->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK_CAPTURE(walkCase, build_cy_144, "build cy 144")->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace
