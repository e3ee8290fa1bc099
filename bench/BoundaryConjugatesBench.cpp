// Boundary conjugates, axion bases and tadpole bounds of large Gepner models ("build cy N",
// "select invariant 0"). Each figure is printed beside a limit or a reference measured in
// the same run:
//   - "get axionbasis" on list numbers 1, 7 and 17 of "browse cy" (28,539, 4,575 and
//     14,742 fields), one process each (a fork of this program, whose processor time is
//     the child's), beside the limit of 10 s;
//   - on number 7, the conjugates and group types of the first orientifold read off the
//     labels, beside the search over all labels with the annulus (with every group type at
//     once) that they replace, and whether both give the same tables;
//   - on number 7, the analysis of the variable bounds over the tadpole equations, beside
//     the same analysis with every variable's sums made term by term, and whether both give
//     the same bounds.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "boundaries/CrossBound.h"
#include "boundaries/CrossBoundInternal.h"
#include "interpreter/Interpreter.h"
#include "numbers/MathUtility.h"
#include "program/Boot.h"
#include "runtime/Output.h"
#include "strings/Tadpole.h"
#include "strings/TadpoleInternal.h"

namespace {

FreshHome freshHome;
const bool inFreshHome = !freshHome.path.empty() && chdir(freshHome.path.c_str()) == 0;

constexpr double kAxionLimit = 10.0;

bool runLines(const std::vector<std::string>& lines) {
  return inFreshHome && runLinesFromStartUp(lines);
}

std::vector<std::string> modelLines(int model) {
  return {"build cy " + std::to_string(model), "select invariant 0"};
}

void axionBasis(benchmark::State& state) {
  const int model = static_cast<int>(state.range(0));
  double seconds = 0.0;
  for (auto _ : state) {
    std::vector<std::string> lines = modelLines(model);
    lines.push_back("get axionbasis");
    seconds = childSeconds([&] { return runLines(lines); });
    std::printf("get axionbasis, model %3d: %8.2f s (limit %.1f s)%s\n", model, seconds, kAxionLimit,
                seconds > kAxionLimit ? "  over" : "");
    std::fflush(stdout);
  }
  state.counters["s"] = seconds;
  state.counters["s_limit"] = kAxionLimit;
  if (seconds < 0) state.SkipWithError("the run failed");
}

struct Tables {
  std::vector<int> conjugates, types;
  bool operator==(const Tables&) const = default;
};

Tables tablesOf(OrientifoldInfo* record, bool bySearch, double* seconds) {
  const double start = cpuSeconds();
  record->conjugatesStamp = -2;
  if (bySearch)
    loadOrientifoldConjugatesBySearch(record, 0);
  else
    loadOrientifoldConjugates(record, 0);
  Tables t;
  for (int a = 0; a < TotalBoundaries(); ++a) {
    t.conjugates.push_back(orientifoldConjugate(record, a));
    t.types.push_back(orientifoldGroupType(record, a));
  }
  *seconds = cpuSeconds() - start;
  return t;
}

void conjugatesBothWays(benchmark::State& state) {
  double byLabels = 0.0, bySearch = 0.0;
  bool same = false;
  for (auto _ : state) {
    if (!runLines(modelLines(7)) || initializeOpenString() != 0 || loadOrientifolds() < 1) {
      setOutputSink(nullptr);
      state.SkipWithError("no orientifold");
      return;
    }
    OrientifoldInfo* record = getOrientifoldByNumber(0);
    // The crosscaps and the P rows are made once, by the first of the two.
    double warm = 0.0;
    tablesOf(record, false, &warm);
    const Tables labels = tablesOf(record, false, &byLabels);
    const Tables search = tablesOf(record, true, &bySearch);
    same = labels == search;
  }
  setOutputSink(nullptr);
  std::printf("conjugates and group types, model 7: %8.2f s by the labels, %8.2f s by the search%s\n",
              byLabels, bySearch, same ? "" : "  DIFFERENT");
  state.counters["s_labels"] = byLabels;
  state.counters["s_search"] = bySearch;
  state.counters["same"] = same ? 1 : 0;
  if (!same) state.SkipWithError("the two ways differ");
}

// The bounds of one row with each variable's sums made term by term.
void termByTermBounds(const double* a, int N, int* min, int* max) {
  for (int i = 0; i < N - 1; ++i) {
    if (ZeroCheck(a[i]) || min[i] == max[i]) continue;
    double lo = 0, hi = 0;
    for (int j = 0; j < N; ++j) {
      if (j == i) continue;
      lo += a[j] > 0 ? a[j] * min[j] : a[j] * max[j];
      hi += a[j] > 0 ? a[j] * max[j] : a[j] * min[j];
    }
    const double lower = a[i] > 0 ? -hi / a[i] : -lo / a[i];
    const double upper = a[i] > 0 ? -lo / a[i] : -hi / a[i];
    getNewMinimum(lower, &min[i]);
    getNewMaximum(upper, &max[i]);
    if (min[i] > max[i]) return;
  }
}

void tadpoleBoundsBothWays(benchmark::State& state) {
  double fast = 0.0, termByTerm = 0.0;
  bool same = false;
  int rows = 0, columns = 0;
  for (auto _ : state) {
    if (!runLines(modelLines(7)) || getTadpoleEquations() < 0) {
      setOutputSink(nullptr);
      state.SkipWithError("no tadpole equations");
      return;
    }
    EquationData& ED = tadpole::equations();
    rows = ED.nrows;
    columns = ED.N;
    std::vector<int> min1(static_cast<std::size_t>(columns), 0), max1(static_cast<std::size_t>(columns), 1000000);
    min1.back() = max1.back() = 1;
    std::vector<int> min2 = min1, max2 = max1;
    double start = cpuSeconds();
    for (int r = 0; r < rows; ++r)
      if (getVariableBounds(equationRow(&ED, r), columns, min1.data(), max1.data()) == -1) break;
    fast = cpuSeconds() - start;
    start = cpuSeconds();
    for (int r = 0; r < rows; ++r) {
      termByTermBounds(equationRow(&ED, r), columns, min2.data(), max2.data());
      bool empty = false;
      for (int i = 0; i < columns && !empty; ++i) empty = min2[i] > max2[i];
      if (empty) break;
    }
    termByTerm = cpuSeconds() - start;
    same = min1 == min2 && max1 == max2;
  }
  setOutputSink(nullptr);
  std::printf("tadpole bounds, model 7 (%d rows of %d): %8.3f s, term by term %8.3f s%s\n", rows, columns, fast,
              termByTerm, same ? "" : "  DIFFERENT");
  state.counters["s"] = fast;
  state.counters["s_term_by_term"] = termByTerm;
  state.counters["same"] = same ? 1 : 0;
  if (!same) state.SkipWithError("the two ways differ");
}

}  // namespace

BENCHMARK(axionBasis)->Arg(1)->Arg(7)->Arg(17)->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(conjugatesBothWays)->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(tadpoleBoundsBothWays)->Iterations(1)->Unit(benchmark::kSecond);
