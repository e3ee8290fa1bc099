// Time of the S matrix of tensor products and cosets.
//
// 1. One S row of the Gepner product of table entry 147 (the graded D5 level 1 factor and
//    five N=2 minimal models of level 3, extended by the supersymmetry current), element
//    by element through the coset S with fixed-point resolution. Reference: one S row of
//    the stored SU(3) theory whose field count is nearest, computed afresh.
// 2. "create CFT" of the N=0 minimal model at levels 10, 20 and 40 (the coset
//    SU(2)_k x SU(2)_1 / SU(2)_(k+1), (k+1)(k+2)/2 fields), per element of its S matrix.
//    Reference: the whole S matrix of the stored SU(3) at level k, which has the same
//    number of fields, computed afresh in the same run.
// Each case prints its field count and microseconds per S element beside the reference.
#include <benchmark/benchmark.h>

#include <chrono>
#include <vector>

#include "BenchSupport.h"
#include "program/Boot.h"
#include "runtime/Output.h"
#include "runtime/Parameters.h"
#include "store/CurrentTheory.h"
#include "store/Storemanager.h"
#include "store/StoremanagerQueries.h"
#include "tensor/Coset.h"

namespace {

FreshHome freshHome;

using Clock = std::chrono::steady_clock;

double microseconds(Clock::time_point start, Clock::time_point stop) {
  return std::chrono::duration<double, std::micro>(stop - start).count();
}

// The supersymmetric tensor product of table entry `entry`, its spectrum computed.
bool buildCalabiYau(int entry) {
  std::vector<int> levels;
  if (interpretMinimalTensor(entry, &levels) < 0) return false;
  SpectrumData* d5 = SM_getData(4, 5, 1);
  if (d5 == nullptr) return false;
  SM_grade(d5, 2);
  *getIntParPointer("Graded") = 1;
  *getIntParPointer("Super") = 1;
  resetCoset(currentTensor);
  addTensorFactor(currentTensor, d5, 0);
  for (int k : levels) {
    SpectrumData* minimal = SM_getData(27, 2, k);
    if (minimal == nullptr) return false;
    addTensorFactor(currentTensor, minimal, 0);
  }
  const std::vector<int> ones(levels.size() + 1, 1);
  if (addNewCurrent(currentTensor, ones.data()) != 0) return false;
  return computeTensorSpectrum(currentTensor) == 0;
}

// Microseconds per element of rows `first` .. `first + rows - 1` of a stored theory's S,
// the record made afresh so that nothing is cached.
double storedMicrosecondsPerElement(int rank, int level, int first, int rows) {
  SpectrumData* sd = SM_getData(1, rank, level);
  if (sd == nullptr || sd->n_primaries == 0) return 0.0;
  const int n = sd->n_primaries;
  double re = 0.0, im = 0.0;
  const auto start = Clock::now();
  for (int i = first; i < first + rows; ++i) {
    for (int j = 0; j < n; ++j) {
      SM_getS(sd, i % n, j, &re, &im);
      benchmark::DoNotOptimize(re);
    }
  }
  const auto stop = Clock::now();
  return microseconds(start, stop) / (static_cast<double>(rows) * n);
}

// The SU(3) level whose (k+1)(k+2)/2 fields are nearest to n.
int su3LevelFor(int n) {
  int k = 1;
  while ((k + 2) * (k + 3) / 2 <= n) ++k;
  const int below = (k + 1) * (k + 2) / 2;
  const int above = (k + 2) * (k + 3) / 2;
  return n - below <= above - n ? k : k + 1;
}

void gepnerRow(benchmark::State& state) {
  resetAll();
  setOutputSink(discardOutput);
  if (!buildCalabiYau(147)) {
    setOutputSink(nullptr);
    state.SkipWithError("tensor product of entry 147 could not be built");
    return;
  }
  TensorProduct* TP = currentTensor;
  const int n = TP->NumberOfPrimaries;
  double total = 0.0;
  long long elements = 0;
  int row = 0;
  for (auto _ : state) {
    double re = 0.0, im = 0.0;
    const auto start = Clock::now();
    for (int j = 0; j < n; ++j) {
      getCosetS(TP, row, j, &re, &im);
      benchmark::DoNotOptimize(re);
    }
    const auto stop = Clock::now();
    total += microseconds(start, stop);
    elements += n;
    row = (row + 1) % n;
  }
  const int level = su3LevelFor(n);
  state.counters["fields"] = n;
  state.counters["us_per_S_element"] = total / static_cast<double>(elements);
  state.counters["reference_fields"] = (level + 1) * (level + 2) / 2;
  state.counters["us_reference_stored_S"] =
      storedMicrosecondsPerElement(2, level, 1, static_cast<int>(state.iterations()));
  setOutputSink(nullptr);
}

void createMinimalZero(benchmark::State& state) {
  const int k = static_cast<int>(state.range(0));
  double total = 0.0;
  int fields = 0;
  for (auto _ : state) {
    // Theories are found by name once made: every measurement starts from start-up.
    state.PauseTiming();
    resetAll();
    setOutputSink(discardOutput);
    state.ResumeTiming();
    const auto start = Clock::now();
    SpectrumData* sd = createMinimal0(k);
    const auto stop = Clock::now();
    benchmark::DoNotOptimize(sd);
    if (sd == nullptr) {
      setOutputSink(nullptr);
      state.SkipWithError("minimal model could not be made");
      return;
    }
    fields = sd->n_primaries;
    total += microseconds(start, stop);
  }
  const double elements = static_cast<double>(fields) * fields;
  state.counters["fields"] = fields;
  state.counters["us_per_S_element"] = total / static_cast<double>(state.iterations()) / elements;
  // SU(3) at level k: (k+1)(k+2)/2 fields, the same count.
  resetAll();
  setOutputSink(discardOutput);
  state.counters["us_reference_stored_S"] = storedMicrosecondsPerElement(2, k, 0, (k + 1) * (k + 2) / 2);
  setOutputSink(nullptr);
}

BENCHMARK(gepnerRow)->Unit(benchmark::kMillisecond);
BENCHMARK(createMinimalZero)->Arg(10)->Arg(20)->Arg(40)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
