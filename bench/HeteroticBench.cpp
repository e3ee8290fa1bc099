// The heterotic set-up and spectrum on SO(10) at level 1 times nine N=2 minimal models at
// level 1 (internal central charge 9), graded. CollectMassless: CPU seconds of the
// massless-state collection, beside the whole set-up (weights, massless states, prime
// decomposition, chiral algebra) measured in the same run. GSC_computeHeteroticStringSpectrum:
// spectra per CPU second of the trivial invariant of the trivial filter, beside the
// number of massless fields each spectrum walks. filterRandom: samples of "filter random"
// (depth 2) per CPU second after the set-up of "compute heterotic", beside the set-up time.
// statisticsWrite: CPU seconds of one statistics call (both spectrum files, the level
// tables and ".statistics") with 10,000 stored spectra, beside the time of writing the
// sorted spectrum file alone.
#include <benchmark/benchmark.h>

#include "BenchSupport.h"
#include "groups/Discrete.h"
#include "heterotic/Heterotic.h"
#include "heterotic/HeteroticInternal.h"
#include "invariants/Invariants.h"
#include "program/Boot.h"
#include "runtime/Output.h"
#include "runtime/Parameters.h"
#include "runtime/SystemUtility.h"
#include "store/CurrentTheory.h"
#include "store/Storemanager.h"
#include "tensor/Coset.h"

namespace {

FreshHome freshHome;

TensorProduct* buildProduct() {
  resetAll();
  setOutputSink(discardOutput);
  setIntPar("Graded", 1);
  setIntPar("Heterotic factors", 1);
  setIntPar("Particle factors", 1);
  TensorProduct* TP = initializeTensorProduct(nullptr);
  resetCoset(TP);
  SpectrumData* d5 = SM_getData(4, 5, 1);
  SpectrumData* minimal = SM_getData(27, 2, 1);
  if (d5 == nullptr || minimal == nullptr) return nullptr;
  addTensorFactor(TP, d5, 0);
  for (int k = 0; k < 9; ++k) addTensorFactor(TP, minimal, 0);
  return TP;
}

void setUp(TensorProduct* TP) {
  computeCommonDenominatorWeights(TP);
  resetPatterns();
  CollectMassless(TP);
  PrimeDecomposeSimpleCurrentGroup(TP);
  determineParticipatingPrimes();
  computeChiralAlgebraUsingPrimeDecomposition(TP);
}

void collectMassless(benchmark::State& state) {
  TensorProduct* TP = buildProduct();
  if (TP == nullptr) {
    state.SkipWithError("tensor product could not be built");
    return;
  }
  double collect = 0.0;
  double whole = 0.0;
  for (auto _ : state) {
    computeCommonDenominatorWeights(TP);
    resetPatterns();
    const double start = CPUTime();
    CollectMassless(TP);
    collect += CPUTime() - start;
    const double setupStart = CPUTime();
    setUp(TP);
    whole += CPUTime() - setupStart;
  }
  const double runs = static_cast<double>(state.iterations());
  state.counters["collect_massless_cpu_s"] = collect / runs;
  state.counters["setup_cpu_s"] = whole / runs;
  state.counters["massless_fields"] = getMasslessFields().size();
  state.counters["pattern_roots"] = getNumberOfPatternRoots();
}

// What one spectrum ended with: the record (given back to the pool after the call), and
// whether it ended through the exit routine (a fatal anomaly of the charge analysis, whose
// colour and weak roles the single SO(10) factor does not play).
struct Outcome {
  SimpleCurrentData* record = nullptr;
};
Outcome outcome;
struct FatalExit {
  int status;
};
int fatalExits = 0;

int spectrumHook(SimpleCurrentData* MD) {
  outcome.record = MD;
  return GSC_computeHeteroticStringSpectrum(MD);
}

void throwingExit(int status) {
  throw FatalExit{status};
}

int computeOnce(HeteroticFilterInfo* record) {
  const int labels[1] = {0};
  const int X[1] = {0};
  int result = 0;
  try {
    result = GSC_computeInvariant(DG_trivial(), labels, spectrumHook, X, record);
  } catch (const FatalExit&) {
    ++fatalExits;
  }
  if (outcome.record != nullptr) returnSCDataPointer(outcome.record);
  outcome.record = nullptr;
  return result;
}

void heteroticSpectrum(benchmark::State& state) {
  TensorProduct* TP = buildProduct();
  if (TP == nullptr) {
    state.SkipWithError("tensor product could not be built");
    return;
  }
  const double setupStart = CPUTime();
  setUp(TP);
  const double setupSeconds = CPUTime() - setupStart;
  HeteroticFilterInfo* record = getAvailableFilterData();
  record->tensor = TP;
  record->group.reset(TP->NumberOfFactors);
  record->generators.reset(TP->NumberOfFactors);
  std::vector<int> identity(static_cast<std::size_t>(TP->NumberOfFactors), 0);
  record->group.add(identity.data());
  setExitRoutine(throwingExit);
  fatalExits = 0;
  const double start = CPUTime();
  for (auto _ : state) benchmark::DoNotOptimize(computeOnce(record));
  const double seconds = CPUTime() - start;
  resetExitRoutine();
  state.counters["fatal_exits"] = fatalExits;
  state.counters["stored"] = getStoredSpectrumCount();
  state.counters["setup_cpu_s"] = setupSeconds;
  state.counters["spectra_per_cpu_s"] =
      seconds > 0.0 ? static_cast<double>(state.iterations()) / seconds : 0.0;
  state.counters["massless_fields"] = getMasslessFields().size();
  state.counters["chiral_algebra"] = getHeteroticChiralAlgebra().size();
  returnFilterData(record);
}

// The set-up of a search job on the product; nullptr when it could not be made.
TensorProduct* searchSetUp(double* seconds) {
  TensorProduct* TP = buildProduct();
  if (TP == nullptr) return nullptr;
  KMCosetSwitch = 1;
  currentTensor = TP;
  const double start = CPUTime();
  if (ComputeHeterotic(TP) != 0) return nullptr;
  *seconds = CPUTime() - start;
  setExitRoutine(throwingExit);
  return TP;
}

void filterRandom(benchmark::State& state) {
  double setupSeconds = 0.0;
  TensorProduct* TP = searchSetUp(&setupSeconds);
  if (TP == nullptr) {
    state.SkipWithError("search could not be set up");
    return;
  }
  fatalExits = 0;
  long long samples = 0;
  const double start = CPUTime();
  for (auto _ : state) {
    try {
      generateRandomFilter(2, 1, TP);
      ++samples;
    } catch (const FatalExit&) {
      ++fatalExits;
      storeSimpleCurrentDataPointer(nullptr, 0, -1, nullptr);
    }
  }
  const double seconds = CPUTime() - start;
  resetExitRoutine();
  state.counters["setup_cpu_s"] = setupSeconds;
  state.counters["samples_per_cpu_s"] =
      seconds > 0.0 ? static_cast<double>(state.iterations()) / seconds : 0.0;
  state.counters["completed_samples"] = static_cast<double>(samples);
  state.counters["fatal_exits"] = fatalExits;
  state.counters["spectra"] = getSpectra().size();
}

void statisticsWrite(benchmark::State& state) {
  double setupSeconds = 0.0;
  TensorProduct* TP = searchSetUp(&setupSeconds);
  if (TP == nullptr) {
    state.SkipWithError("search could not be set up");
    return;
  }
  HeteroticRows& spectra = getSpectraForUpdate();
  const int R = spectra.rowLength() - 8;
  std::vector<int> row(static_cast<std::size_t>(R) + 8, 0);
  for (int i = 0; i < 10000; ++i) {
    row[0] = i % 7;
    row[static_cast<std::size_t>(R) + 2] = i % 97;
    row[static_cast<std::size_t>(R) + 4] = i;
    row[static_cast<std::size_t>(R) + 6] = i % 5;
    row[static_cast<std::size_t>(R) + 7] = i;
    spectra.add(row.data(), 1 + i % 3);
  }
  double sortedOnly = 0.0;
  const double start = CPUTime();
  for (auto _ : state) {
    GSC_printStatistics(2);
    const double mark = CPUTime();
    GSC_printAllSpectra(0);
    sortedOnly += CPUTime() - mark;
  }
  const double seconds = CPUTime() - start - sortedOnly;
  resetExitRoutine();
  const double runs = static_cast<double>(state.iterations());
  state.counters["statistics_cpu_s"] = seconds / runs;
  state.counters["sorted_file_cpu_s"] = sortedOnly / runs;
  state.counters["spectra"] = spectra.size();
}

}  // namespace

BENCHMARK(filterRandom)->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(statisticsWrite)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(collectMassless)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(heteroticSpectrum)->Unit(benchmark::kMillisecond);
