// Time of the extension spectrum of Calabi-Yau tensor products as the Calabi-Yau builder
// makes them: the graded D5 level 1 factor, one N=2 minimal model per level of a table
// entry (147: five factors of level 3; 161: six of level 2), the supersymmetry current
// (label 1 in every factor) and "Graded" and "Super" on. Each case prints the number of
// primaries and the milliseconds per spectrum, beside the reference measured in the same
// run: the simple-current spectrum (first pass only) of the same product.
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

// The tensor product of table entry `entry`; false when it cannot be built.
bool buildCalabiYau(int entry) {
  resetAll();
  setOutputSink(discardOutput);
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
  return addNewCurrent(currentTensor, ones.data()) == 0;
}

double millisecondsOf(int (*compute)(TensorProduct*)) {
  setInputDataChanged(currentTensor);
  const auto start = std::chrono::steady_clock::now();
  compute(currentTensor);
  const auto stop = std::chrono::steady_clock::now();
  return std::chrono::duration<double, std::milli>(stop - start).count();
}

void spectrumOf(benchmark::State& state, int entry) {
  if (!buildCalabiYau(entry)) {
    state.SkipWithError("tensor product could not be built");
    return;
  }
  double total = 0.0;
  for (auto _ : state) {
    setInputDataChanged(currentTensor);
    const auto start = std::chrono::steady_clock::now();
    const int result = computeTensorSpectrum(currentTensor);
    const auto stop = std::chrono::steady_clock::now();
    benchmark::DoNotOptimize(result);
    total += std::chrono::duration<double, std::milli>(stop - start).count();
  }
  state.counters["primaries"] = currentTensor->NumberOfPrimaries;
  state.counters["simple_currents"] = currentTensor->NumberOfSimpleCurrents;
  state.counters["ms_per_spectrum"] = total / static_cast<double>(state.iterations());
  state.counters["ms_reference_first_pass"] = millisecondsOf(computeSimpleCurrentTensorSpectrum);
  setOutputSink(nullptr);
}

BENCHMARK_CAPTURE(spectrumOf, entry147_33333, 147)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(spectrumOf, entry161_222222, 161)->Unit(benchmark::kMillisecond);

}  // namespace
