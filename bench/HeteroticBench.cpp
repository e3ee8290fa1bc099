// The heterotic set-up and spectrum on the Gepner model SO(10) at level 1 times nine N=2
// minimal models at level 1 (internal central charge 9), set up as "build cy 111111111"
// does: the SO(10) factor graded, "Graded" and "Super" on, the alignment current that is 1
// in every factor, and the SO(10) spinor selected as the space-time supersymmetry. Each
// figure is printed beside a limit measured in the same run:
// - CollectMassless: CPU seconds, limit the whole set-up (weights, massless states, prime
//   decomposition, chiral algebra) of which it is a part, timed in the same pass.
// - GSC_computeHeteroticStringSpectrum: spectra per CPU second of the trivial invariant,
//   beside the reference of a plain loop that walks the chiral algebra (the product of each
//   element with a massless field and its right weight); limit: at least 1/100 of the
//   walks per second (a spectrum walks the algebra for the left algebra, the singlets and
//   the distinct charges, and then the massless fields).
// - filterRandom: samples of "filter random" (depth 2) per CPU second, beside the spectra
//   per CPU second measured in the same run (a sample evaluates at least one spectrum, so
//   the sample rate is at most that). A consistent model ends no sample in a fatal anomaly.
// - statisticsWrite: CPU seconds of one statistics call (both spectrum files, the level
//   tables and ".statistics") with 10,000 stored spectra, limit 4 times the sorted
//   spectrum file alone (the call writes it and its backup).
#include <benchmark/benchmark.h>

#include <cstdio>

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
#include "store/StoremanagerQueries.h"
#include "tensor/Coset.h"

namespace {

FreshHome freshHome;

TensorProduct* buildProduct() {
  resetAll();
  setOutputSink(discardOutput);
  setIntPar("Graded", 1);
  setIntPar("Super", 1);
  setIntPar("Heterotic factors", 1);
  setIntPar("Particle factors", 1);
  TensorProduct* TP = initializeTensorProduct(nullptr);
  resetCoset(TP);
  SpectrumData* d5 = SM_getData(4, 5, 1);
  SpectrumData* minimal = SM_getData(27, 2, 1);
  if (d5 == nullptr || minimal == nullptr) return nullptr;
  SM_grade(d5, 2);
  addTensorFactor(TP, d5, 0);
  for (int k = 0; k < 9; ++k) addTensorFactor(TP, minimal, 0);
  // The supersymmetry current aligns the spin structures of all factors.
  std::vector<int> ones(10, 1);
  if (addNewCurrent(TP, ones.data()) != 0) return nullptr;
  // The spinor: the SO(10) field of the current of order 4.
  const int spinor = SM_SimpleAction(d5, 1, 0);
  addNewSelectedRep(&spinor);
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
    // The whole set-up, with its massless-state collection timed inside it.
    const double setupStart = CPUTime();
    computeCommonDenominatorWeights(TP);
    resetPatterns();
    const double start = CPUTime();
    CollectMassless(TP);
    collect += CPUTime() - start;
    PrimeDecomposeSimpleCurrentGroup(TP);
    determineParticipatingPrimes();
    computeChiralAlgebraUsingPrimeDecomposition(TP);
    whole += CPUTime() - setupStart;
  }
  const double runs = static_cast<double>(state.iterations());
  state.counters["collect_massless_cpu_s"] = collect / runs;
  state.counters["limit_setup_cpu_s"] = whole / runs;
  std::printf("CollectMassless: %.3f CPU s (limit: the whole set-up, %.3f CPU s)\n",
              collect / runs, whole / runs);
  state.counters["massless_fields"] = getMasslessFields().size();
  state.counters["pattern_roots"] = getNumberOfPatternRoots();
}

// What one spectrum ended with: the record (given back to the pool after the call), and
// whether it ended through the exit routine (a fatal anomaly; none in a consistent model).
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

// The plain loop of the reference: one walk of the chiral algebra, acting with every
// element on a massless field and adding up the right weight of the product, repeated;
// walks per CPU second.
double referenceWalksPerSecond(TensorProduct* TP) {
  const HeteroticRows& algebra = getHeteroticChiralAlgebra();
  const HeteroticRows& fields = getMasslessFields();
  const int n = TP->NumberOfFactors;
  std::vector<int> product(static_cast<std::size_t>(n));
  long long sum = 0, walks = 0;
  const double start = CPUTime();
  double seconds = 0.0;
  do {
    const int* field = fields.row(static_cast<int>(walks % fields.size()));
    for (int a = 0; a < algebra.size(); ++a) {
      const int* J = algebra.row(a);
      for (int f = 0; f < n; ++f) {
        product[static_cast<std::size_t>(f)] = SM_SimpleAction(TP->TensorFactors[static_cast<std::size_t>(f)], J[f], field[f]);
        sum += getRightWeightNumerator(f, product[static_cast<std::size_t>(f)]);
      }
    }
    ++walks;
    seconds = CPUTime() - start;
  } while (seconds < 0.2 && fields.size() > 0 && algebra.size() > 0);
  benchmark::DoNotOptimize(sum);
  return seconds > 0.0 ? static_cast<double>(walks) / seconds : 0.0;
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
  const double spectraPerSecond =
      seconds > 0.0 ? static_cast<double>(state.iterations()) / seconds : 0.0;
  const double reference = referenceWalksPerSecond(TP);
  state.counters["fatal_exits"] = fatalExits;
  state.counters["stored"] = getStoredSpectrumCount();
  state.counters["setup_cpu_s"] = setupSeconds;
  state.counters["spectra_per_cpu_s"] = spectraPerSecond;
  state.counters["massless_fields"] = getMasslessFields().size();
  state.counters["reference_walks_per_cpu_s"] = reference;
  state.counters["limit_spectra_per_cpu_s"] = reference / 100.0;
  state.counters["chiral_algebra"] = getHeteroticChiralAlgebra().size();
  std::printf(
      "Heterotic spectrum: %.1f spectra per CPU s (limit: at least %.1f, 1/100 of the %.0f "
      "walks of the chiral algebra per CPU s of a plain loop); fatal exits %d\n",
      spectraPerSecond, reference / 100.0, reference, fatalExits);
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
  // The reference of the same run: the spectrum of the trivial invariant, repeated.
  HeteroticFilterInfo* record = getAvailableFilterData();
  record->tensor = TP;
  record->group.reset(TP->NumberOfFactors);
  record->generators.reset(TP->NumberOfFactors);
  std::vector<int> identity(static_cast<std::size_t>(TP->NumberOfFactors), 0);
  record->group.add(identity.data());
  int spectra = 0;
  const double referenceStart = CPUTime();
  double referenceSeconds = 0.0;
  do {
    computeOnce(record);
    ++spectra;
    referenceSeconds = CPUTime() - referenceStart;
  } while (referenceSeconds < 0.5);
  returnFilterData(record);
  resetExitRoutine();
  const double samplesPerSecond =
      seconds > 0.0 ? static_cast<double>(state.iterations()) / seconds : 0.0;
  const double spectraPerSecond = spectra / referenceSeconds;
  state.counters["setup_cpu_s"] = setupSeconds;
  state.counters["samples_per_cpu_s"] = samplesPerSecond;
  state.counters["limit_spectra_per_cpu_s"] = spectraPerSecond;
  state.counters["completed_samples"] = static_cast<double>(samples);
  state.counters["fatal_exits"] = fatalExits;
  state.counters["spectra"] = getSpectra().size();
  std::printf(
      "filter random: %.2f samples per CPU s (limit: at most the %.2f spectra per CPU s of one "
      "invariant); %lld completed, %d fatal exits (expected 0)\n",
      samplesPerSecond, spectraPerSecond, samples, fatalExits);
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
  state.counters["limit_statistics_cpu_s"] = 4.0 * sortedOnly / runs;
  std::printf(
      "Statistics with 10,000 spectra: %.4f CPU s per call (limit: 4 x the sorted file alone, "
      "%.4f CPU s)\n",
      seconds / runs, 4.0 * sortedOnly / runs);
  state.counters["spectra"] = spectra.size();
}

}  // namespace

BENCHMARK(filterRandom)->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(statisticsWrite)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(collectMassless)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(heteroticSpectrum)->Unit(benchmark::kMillisecond)->Iterations(50);
