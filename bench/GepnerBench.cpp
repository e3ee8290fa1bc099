// Time of the Gepner commands as a physicist types them: "build cy" of list numbers 1
// (28,539 primaries) and 14 (108,612), "scan cy 2", and "build cy 22266", "select
// invariant 28", "search quvr". Beside each figure, measured in the same run over the
// fields the command built: a plain loop that takes every field's exact weight as the sum
// of its factors' weights in rational arithmetic (one canonical form per factor, as the
// per-field step of the rational route costs), and the same sum in integers over the
// common denominator of the factors (the floor of any loop that reads each field once).
// Also the row index of the product (every field found by content) beside a node-based
// multimap over the same rows, and the field of one orbit member of every field of
// "build cy 14" found by findOrbit beside the plain scan of its orbit (every row of the
// chiral algebra applied, brought to graded minimal form and compared).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <numeric>
#include <unordered_map>
#include <vector>

#include "BenchSupport.h"
#include "interpreter/Interpreter.h"
#include "numbers/MathUtility.h"
#include "program/Boot.h"
#include "runtime/Output.h"
#include "store/CurrentTheory.h"
#include "store/Storemanager.h"
#include "store/StoremanagerQueries.h"
#include "tensor/Coset.h"

namespace {

FreshHome freshHome;
// The search writes its model list in the working folder: the fresh HOME takes it.
const bool inFreshHome = !freshHome.path.empty() && chdir(freshHome.path.c_str()) == 0;

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// Runs the lines from start-up; false when one fails.
bool runLines(const std::vector<const char*>& lines) {
  if (!inFreshHome) return false;
  resetAll();
  setOutputSink(discardOutput);
  for (const char* line : lines) {
    setErrorCount(0);
    setBreakCounter(0);
    if (executeCommandLine(line) > 0) return false;
  }
  return true;
}

// The plain loops over the fields of the current tensor product: seconds of the rational
// sum and of the integer sum, and a checksum so that neither is optimised away.
struct PlainLoops {
  double rational = 0.0;
  double integer = 0.0;
  long long checksum = 0;
};

PlainLoops plainLoops() {
  PlainLoops loops;
  TensorProduct* TP = currentTensor;
  if (TP == nullptr) return loops;
  const int n = TP->NumberOfFactors;
  const int fields = TP->Spectrum.size();
  Clock::time_point start = Clock::now();
  for (int f = 0; f < fields; ++f) {
    const int* row = TP->Spectrum.row(f);
    Rat sum{0, 1};
    for (int i = 0; i < n; ++i) {
      Rat h;
      SM_getRatWeight(TP->TensorFactors[static_cast<std::size_t>(i)], row[i], &h);
      Rat next;
      addRat(&sum, &h, &next);
      sum = next;
      simplifyRat(&sum);
    }
    loops.checksum += sum.num % 7;
  }
  loops.rational = secondsSince(start);
  std::int64_t D = 1;
  std::vector<std::int64_t> scale;
  for (SpectrumData* sd : TP->TensorFactors) D = std::lcm(D, static_cast<std::int64_t>(sd->weight_den));
  for (SpectrumData* sd : TP->TensorFactors) scale.push_back(D / sd->weight_den);
  start = Clock::now();
  std::int64_t total = 0;
  for (int f = 0; f < fields; ++f) {
    const int* row = TP->Spectrum.row(f);
    for (int i = 0; i < n; ++i)
      total += TP->TensorFactors[static_cast<std::size_t>(i)]->weight_num[row[i]] * scale[static_cast<std::size_t>(i)];
  }
  loops.integer = secondsSince(start);
  loops.checksum += total % 7;
  return loops;
}

void commandCase(benchmark::State& state, const std::vector<const char*>& lines) {
  double seconds = 0.0;
  for (auto _ : state) {
    const Clock::time_point start = Clock::now();
    const bool done = runLines(lines);
    seconds += secondsSince(start);
    if (!done) {
      setOutputSink(nullptr);
      state.SkipWithError("a command failed");
      return;
    }
  }
  const PlainLoops loops = plainLoops();
  benchmark::DoNotOptimize(loops.checksum);
  state.counters["primaries"] = currentTensor != nullptr ? currentTensor->Spectrum.size() : 0;
  state.counters["s_command"] = seconds / static_cast<double>(state.iterations());
  state.counters["s_plain_rational_loop"] = loops.rational;
  state.counters["s_plain_integer_loop"] = loops.integer;
  setOutputSink(nullptr);
}

// Finding every field row of "build cy 14" by content in the product's row index, beside
// a node-based multimap from the same 64-bit row hash to the row number (the index the
// rows had before), filled and asked in the same run.
void rowIndexCase(benchmark::State& state) {
  if (!runLines({"build cy 14"}) || currentTensor == nullptr) {
    setOutputSink(nullptr);
    state.SkipWithError("build cy 14 failed");
    return;
  }
  const TensorRows& spectrum = currentTensor->Spectrum;
  const int rows = spectrum.size();
  const int length = spectrum.rowLength();
  auto hashOf = [length](const int* v) {
    std::uint64_t h = 1469598103934665603ULL;
    for (int i = 0; i < length; ++i) {
      h ^= static_cast<std::uint32_t>(v[i]);
      h *= 1099511628211ULL;
    }
    return h;
  };
  std::unordered_multimap<std::uint64_t, int> multimap;
  for (int r = 0; r < rows; ++r) multimap.emplace(hashOf(spectrum.row(r)), r);
  long long found = 0;  // rows found at their own number, by both indices
  double flat = 0.0;
  double nodes = 0.0;
  for (auto _ : state) {
    Clock::time_point start = Clock::now();
    for (int r = 0; r < rows; ++r) found += spectrum.find(spectrum.row(r)) == r;
    flat += secondsSince(start);
    start = Clock::now();
    for (int r = 0; r < rows; ++r) {
      const int* v = spectrum.row(r);
      auto range = multimap.equal_range(hashOf(v));
      for (auto it = range.first; it != range.second; ++it) {
        if (std::equal(v, v + length, spectrum.row(it->second))) {
          found += it->second == r;
          break;
        }
      }
    }
    nodes += secondsSince(start);
  }
  benchmark::DoNotOptimize(found);
  const double iterations = static_cast<double>(state.iterations());
  state.counters["rows"] = rows;
  state.counters["found_by_both"] = static_cast<double>(found) / iterations / 2.0;
  state.counters["s_row_index"] = flat / iterations;
  state.counters["s_multimap_index"] = nodes / iterations;
  setOutputSink(nullptr);
}

BENCHMARK(rowIndexCase)->Iterations(20)->Unit(benchmark::kMillisecond);

// The field of the member J x f of every field f of "build cy 14", J the generator of the
// chiral algebra: findOrbit, and the plain scan of the member's orbit for its least
// element, looked up in the rows; both counted when they give f.
void orbitLookupCase(benchmark::State& state) {
  if (!runLines({"build cy 14"}) || currentTensor == nullptr || currentTensor->ChiralAlgebraOrder < 2) {
    setOutputSink(nullptr);
    state.SkipWithError("build cy 14 failed");
    return;
  }
  TensorProduct* TP = currentTensor;
  const int n = TP->NumberOfFactors;
  const int fields = TP->Spectrum.size();
  const std::size_t width = static_cast<std::size_t>(n) + 1;
  std::vector<int> members(static_cast<std::size_t>(fields) * width);
  for (int f = 0; f < fields; ++f) {
    int* member = members.data() + static_cast<std::size_t>(f) * width;
    tensorSimpleAction(TP, TP->ChiralAlgebra.row(1), TP->Spectrum.row(f), member);
    member[n] = TP->Spectrum.row(f)[n];
  }
  long long byFindOrbit = 0;
  long long byScan = 0;
  double flat = 0.0;
  double scan = 0.0;
  std::vector<int> image(width);
  std::vector<int> best(width);
  for (auto _ : state) {
    Clock::time_point start = Clock::now();
    for (int f = 0; f < fields; ++f)
      byFindOrbit += findOrbit(TP, members.data() + static_cast<std::size_t>(f) * width, nullptr) == f;
    flat += secondsSince(start);
    start = Clock::now();
    for (int f = 0; f < fields; ++f) {
      const int* member = members.data() + static_cast<std::size_t>(f) * width;
      for (int J = 0; J < TP->ChiralAlgebraOrder; ++J) {
        tensorSimpleAction(TP, TP->ChiralAlgebra.row(J), member, image.data());
        image[static_cast<std::size_t>(n)] = member[n];
        GradedMinimalForm(TP, image.data());
        if (J == 0 || compareOrbitGenerators(TP, image.data(), best.data()) < 0) best = image;
      }
      byScan += TP->Spectrum.find(best.data()) == f;
    }
    scan += secondsSince(start);
  }
  const double iterations = static_cast<double>(state.iterations());
  state.counters["fields"] = fields;
  state.counters["found_by_findOrbit"] = static_cast<double>(byFindOrbit) / iterations;
  state.counters["found_by_scan"] = static_cast<double>(byScan) / iterations;
  state.counters["s_findOrbit"] = flat / iterations;
  state.counters["s_plain_orbit_scan"] = scan / iterations;
  setOutputSink(nullptr);
}

BENCHMARK(orbitLookupCase)->Iterations(1)->Unit(benchmark::kSecond);

BENCHMARK_CAPTURE(commandCase, build_cy_1, std::vector<const char*>{"build cy 1"})
    ->Iterations(1)
    ->Unit(benchmark::kSecond);
BENCHMARK_CAPTURE(commandCase, build_cy_14, std::vector<const char*>{"build cy 14"})
    ->Iterations(1)
    ->Unit(benchmark::kSecond);
BENCHMARK_CAPTURE(commandCase, scan_cy_2, std::vector<const char*>{"scan cy 2"})
    ->Iterations(1)
    ->Unit(benchmark::kSecond);
BENCHMARK_CAPTURE(commandCase, search_quvr_22266_invariant_28,
                  std::vector<const char*>{"build cy 22266", "select invariant 28", "search quvr"})
    ->Iterations(1)
    ->Unit(benchmark::kSecond);

}  // namespace
