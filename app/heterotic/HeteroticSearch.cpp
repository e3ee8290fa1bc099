// The driver of a heterotic search job: the one set-up per run ("compute heterotic"), the
// run-control hooks it installs (exit routine, consolidate function, interrupt test), the
// statistics and the files ".statistics", ".lastloop" and ".writing", the model and algebra
// numbers, and the filter drivers "compute filter" and "filter complete" with the per-prime
// subgroup tables the latter walks.
//
// The subgroup tables hold, for participating prime i, every subgroup of the prime's part
// of the decomposed group, in the order the subgroup builder lists them, each as a row of
// PrimeGroupMultiplicities[i] indices into a table of decomposed elements (row 0 the zero
// element, 0 ending a short row); the rows are an orthogonal basis of the subgroup. The
// order is fixed, so that the indices recorded in ".lastloop" stay valid between jobs.
// State: HeteroticJobState, for the run; resetHeteroticJobs restores the start.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "collections/VectorUtility.h"
#include "groups/Discrete.h"
#include "heterotic/HeteroticInternal.h"
#include "interpreter/IntCommands.h"
#include "interpreter/Loops.h"
#include "interpreter/RunControl.h"
#include "runtime/BatchQueue.h"
#include "runtime/Directories.h"
#include "runtime/Error.h"
#include "runtime/Output.h"
#include "runtime/StringUtility.h"
#include "runtime/SystemUtility.h"
#include "runtime/Terminal.h"
#include "store/Storemanager.h"
#include "store/StoremanagerQueries.h"
#include "tensor/Coset.h"

namespace {

constexpr double kVersion = 8.08578;
constexpr int kNoLimit = 2000000000;
constexpr int kLevels = 20;
constexpr long long kMaxSubgroups = 1000000;
constexpr long long kMaxCombinations = 2147483647LL;

bool exists(const std::string& path) {
  return checkDir(path.c_str()) == 1;
}

// An empty marker file, made by a system call.
void touchMarker(const std::string& path) {
  const int fd = ::open(path.c_str(), O_CREAT | O_WRONLY, 0644);
  if (fd >= 0) ::close(fd);
}

// Gaussian binomial [n choose k] at p, as a long double.
long double gaussianBinomial(int n, int k, int p) {
  if (k < 0 || k > n) return 0.0L;
  long double r = 1.0L;
  for (int j = 0; j < k; ++j)
    r *= (std::pow(static_cast<long double>(p), n - j) - 1.0L) /
         (std::pow(static_cast<long double>(p), j + 1) - 1.0L);
  return r;
}

// Conjugate partition: entry i - 1 counts the parts of at least i.
std::vector<int> conjugate(const std::vector<int>& parts, int largest) {
  std::vector<int> c(static_cast<std::size_t>(largest) + 2, 0);
  for (int i = 1; i <= largest; ++i)
    for (int x : parts)
      if (x >= i) ++c[static_cast<std::size_t>(i) - 1];
  return c;
}

// Subgroups of type mu in a p-group of type lambda (both as exponent lists, decreasing).
long double subgroupsOfType(const std::vector<int>& lambda, const std::vector<int>& mu, int p) {
  const int largest = lambda.empty() ? 0 : lambda[0];
  const std::vector<int> L = conjugate(lambda, largest);
  const std::vector<int> M = conjugate(mu, largest);
  long double r = 1.0L;
  for (int i = 0; i < largest; ++i) {
    const int li = L[static_cast<std::size_t>(i)];
    const int mi = M[static_cast<std::size_t>(i)];
    const int mnext = M[static_cast<std::size_t>(i) + 1];
    r *= std::pow(static_cast<long double>(p), mnext * (li - mi));
    r *= gaussianBinomial(li - mnext, mi - mnext, p);
  }
  return r;
}

void sumOverTypes(const std::vector<int>& lambda, std::vector<int>& mu, std::size_t at, int bound,
                  int p, long double& total) {
  if (at == lambda.size()) {
    total += subgroupsOfType(lambda, mu, p);
    return;
  }
  const int top = std::min(bound, lambda[at]);
  for (int x = 0; x <= top; ++x) {
    mu[at] = x;
    sumOverTypes(lambda, mu, at + 1, x, p, total);
  }
  mu[at] = 0;
}

}  // namespace

// ---------------------------------------------------------------------------------------
// State

HeteroticJobState& heteroticJobs() {
  static HeteroticJobState s;
  return s;
}

void resetHeteroticJobs() {
  heteroticJobs() = HeteroticJobState();
  lastAlgebraInfo() = HeteroticAlgebraInfo();
}

int getHeteroticSetUpDone() {
  return heteroticJobs().setUpDone;
}

HeteroticProduct heteroticProductOf(const TensorProduct* tensor) {
  HeteroticProduct product;
  if (tensor == nullptr) return product;
  product.record = tensor;
  product.factors.assign(tensor->TensorFactors.begin(),
                         tensor->TensorFactors.begin() + factorCount(tensor));
  product.roles = tensor->GH;
  product.coset = tensor->CosetFlag;
  product.currents = tensor->CurrentList;
  return product;
}

bool requireHeteroticSetUp(const char* routine, const TensorProduct* tensor) {
  const HeteroticJobState& jobs = heteroticJobs();
  if (jobs.setUpDone == 0) {
    Alert(routine, 0, 100202, "No heterotic set-up; type \"compute heterotic\" first");
    return false;
  }
  if (heteroticProductOf(tensor) == jobs.setUpProduct) return true;
  // The weights, massless states, decomposed group and result names were made for the
  // product as it was, and "compute heterotic" runs once per process.
  Alert(routine, 1, 100202,
        "The tensor product has changed since \"compute heterotic\"; the heterotic set-up "
        "belongs to the product as it was then.\nHeterotic work on this product needs a new "
        "job that builds it before \"compute heterotic\".");
  return false;
}

const std::string& getGeneralStopFileName() {
  return heteroticJobs().stopFile;
}
const std::string& getGeneralKillFileName() {
  return heteroticJobs().killFile;
}
const std::string& getGeneralSleepFileName() {
  return heteroticJobs().sleepFile;
}
int getSampleNumber() {
  return heteroticJobs().sampleNumber;
}
int getNewSpectrumCount() {
  return heteroticJobs().newSpectrumCount;
}
int getCurrentMIPFlevel() {
  return heteroticJobs().currentMIPFlevel;
}

long long countSubgroupsOfPGroup(const std::vector<int>& exponents, int p) {
  std::vector<int> lambda;
  for (int e : exponents)
    if (e > 0) lambda.push_back(e);
  std::sort(lambda.rbegin(), lambda.rend());
  std::vector<int> mu(lambda.size(), 0);
  long double total = 0.0L;
  sumOverTypes(lambda, mu, 0, lambda.empty() ? 0 : lambda[0], p, total);
  if (total > 9.0e18L) return 9000000000000000000LL;
  return static_cast<long long>(std::llround(total));
}

// ---------------------------------------------------------------------------------------
// Model and algebra numbers

int getModelNumber(int mode) {
  HeteroticJobState& jobs = heteroticJobs();
  switch (mode) {
    case 0: {
      const int last = getLastModelNumber(heteroticFileName(".origin").c_str());
      // A damaged origin file is left for repair, as the other result files are.
      if (last < -1) QuitWithErrorMessage("Data corruption in origin file");
      jobs.nextModel = last + 1;
      return -1;
    }
    case 1:
      return jobs.nextModel;
    case 2:
      ++jobs.nextModel;
      return -1;
    default:
      Alert("getModelNumber", 0, 212404, "Invalid mode");
      return -1;
  }
}

int getAlgebraNumber(int mode) {
  HeteroticJobState& jobs = heteroticJobs();
  switch (mode) {
    case 0: {
      const int last = getLastAlgebraNumber(heteroticFileName(".AlgList").c_str());
      if (last < -1) QuitWithErrorMessage("Algebra data corruption");
      jobs.nextAlgebra = last + 1;
      return -1;
    }
    case 1:
      return jobs.nextAlgebra;
    case 2:
      ++jobs.nextAlgebra;
      return -1;
    default:
      Alert("getAlgebraNumber", 0, 212404, "Invalid mode");
      return -1;
  }
}

// ---------------------------------------------------------------------------------------
// Run control

int checkHeteroticInterrupt() {
  HeteroticJobState& jobs = heteroticJobs();
  const std::string task = heteroticFileName("");
  const std::string taskKill = task + ".kill";
  const std::string taskStop = task + ".stop";
  const std::string taskSleep = task + ".sleep";
  if (exists(taskKill)) {
    Print("Task kill signal encountered at %7.2f secs.\n", CPUTime());
    removeFile(taskKill.c_str());
    return 13;
  }
  if (!jobs.killFile.empty() && exists(jobs.killFile)) {
    Print("Project kill signal encountered at time %7.2f secs.\n", CPUTime());
    return 33;
  }
  if (exists(taskStop)) {
    Print("Task stop signal encountered at %7.2f secs.\n", CPUTime());
    removeFile(taskStop.c_str());
    return 12;
  }
  if (!jobs.stopFile.empty() && exists(jobs.stopFile)) {
    Print("Project stop signal encountered at time %7.2f secs.\n", CPUTime());
    return 32;
  }
  const int maxhours = settingOn(heteroticState().maxhours);
  if (heteroticState().maxhours != nullptr && maxhours != kNoLimit &&
      CPUTime() / 3600.0 > maxhours) {
    Print("Time limit exceeded at %7.2f secs.\n", CPUTime());
    return 14;
  }
  if (exists(taskSleep)) {
    Print("Task sleep signal encountered at %7.2f secs.\n", CPUTime());
    return 11;
  }
  if (!jobs.sleepFile.empty() && exists(jobs.sleepFile)) {
    Print("Project sleep signal encountered at time %7.2f secs.\n", CPUTime());
    return 31;
  }
  return 0;
}

void Heterotic_Consolidate() {
  Print("Consolidating data\n");
  GSC_printStatistics(2);
  sinkFlush();
}

void Heterotic_GracefulExit(int code) {
  if (heteroticJobs().exiting++ == 0) {
    PrintStdout("Starting graceful exit\n");
    printErrorMessage("Starting graceful exit\n");
    GSC_printStatistics(2);
    // The job leaves through the failed-job path, which never relaunches it.
    if (getAutoLaunch() == 1) {
      PrintStdout("Disabling AutoLaunch\n");
      printErrorMessage("Disabling AutoLaunch\n");
    }
  }
  sinkFlush();
  ExitAndMoveInput("Graceful Exit", code);
}

// ---------------------------------------------------------------------------------------
// Set-up

int ComputeHeterotic(TensorProduct* tensor) {
  HeteroticJobState& jobs = heteroticJobs();
  HeteroticState& s = heteroticState();
  if (jobs.once != 0) {
    return Alert("ComputeHeterotic", 0, 112213,
                 "Multiple calls to \"compute heterotic\" are not allowed\nPlease split input file "
                 "into separate ones.");
  }
  jobs.once = 1;
  const int n = factorCount(tensor);
  if (tensor == nullptr || n < 1) {
    Alert("ComputeHeterotic", 1, 100202, "No tensor product to compute");
    return 1;
  }
  const std::string folder = getOutputDir();
  jobs.stopFile = folder + "STOP";
  jobs.killFile = folder + "KILL";
  jobs.sleepFile = folder + "SLEEP";
  PrintStdout("Starting at %15.7f secs.\n", CPUTime());
  setHeteroticScan(1);
  setExitRoutine(Heterotic_GracefulExit);
  setConsolidateFunction(Heterotic_Consolidate);
  setInterruptFunction(checkHeteroticInterrupt);

  const int code = checkGeneralInterrupt();
  if (code % 10 == 3) {
    const std::string message = formatText("Interrupt %d at job start", code);
    ExitAndMoveInput(message.c_str(), code);
  }
  if (code % 10 == 2 || code == kSignalTimeLimit) COM_quit(nullptr, 0);

  clearHeteroticFault();
  computeCommonDenominatorWeights(tensor);
  const int lift = getLiftIdentifier();
  if (lift != -1) {
    if (lift < 1 || lift > n) {
      Alert("ComputeHeterotic", 2, 100202, "Tensor factor %d does not exist", lift);
      return 1;
    }
    SpectrumData* factor = factorTheory(tensor, lift - 1);
    SpectrumData* liftCFT = getLiftCFT();
    if (liftCFT == nullptr || factor->n_primaries != liftCFT->n_primaries) {
      Alert("ComputeHeterotic", 3, 100202, "Number of primaries does not match (%d <--> %d)",
            factor->n_primaries, liftCFT == nullptr ? 0 : liftCFT->n_primaries);
      return 1;
    }
    std::vector<int> map(static_cast<std::size_t>(factor->n_primaries), 0);
    if (SM_determineCFTmap(map.data(), factor, liftCFT) == 0) {
      Alert("ComputeHeterotic", 4, 100202, "Map could not be constructed");
      return 1;
    }
    if (makeHeteroticLift(lift - 1, liftCFT, map.data()) != 0) return 1;
  }
  resetPatterns();
  for (int f = 0; f < n; ++f) makeFusionTable(factorTheory(tensor, f), s.chargeCommonDenominator);
  PrintStdout("Make fusion table finished at %15.7f secs.\n", CPUTime());
  if (CollectMassless(tensor) != 0 || !getHeteroticFault().empty()) {
    Alert("ComputeHeterotic", 5, 100202, "Heterotic set-up failed: %s",
          getHeteroticFault().empty() ? "massless states" : getHeteroticFault().c_str());
    return 1;
  }
  PrintStdout("Collect massless finished at %15.7f secs.\n", CPUTime());
  s.fixedFilterEntries.assign(static_cast<std::size_t>(n), -1);
  DisplayAvailableCharges(tensor);
  s.patternAlgebra.reset(s.patternRoots.size());
  s.algebraCounter = 0;
  PrimeDecomposeSimpleCurrentGroup(tensor);
  determineParticipatingPrimes();
  computeChiralAlgebraUsingPrimeDecomposition(tensor);
  determineHeteroticSpinorAndVector(tensor);
  if (!getHeteroticFault().empty()) {
    Alert("ComputeHeterotic", 6, 100202, "Heterotic set-up failed: %s", getHeteroticFault().c_str());
    return 1;
  }
  s.forbidden.reset(n);
  s.filterGenerators.reset(n);
  s.filter.reset(n);
  const int R = s.repNames.size();
  jobs.spectra.reset(R + 8, R + 5);
  jobs.chirCount.assign(10000, 0);
  jobs.nonChirCount.assign(10000, 0);
  getModelNumber(0);
  getAlgebraNumber(0);
  s.triggers.reset(n);
  jobs.slots.assign(100, HeteroticJobState::PrimeSlot());
  jobs.setUpProduct = heteroticProductOf(tensor);
  jobs.setUpDone = 1;
  return 0;
}

// ---------------------------------------------------------------------------------------
// Statistics

int GSC_printStatistics(int mode) {
  HeteroticJobState& jobs = heteroticJobs();
  if (jobs.setUpDone == 0) return 0;
  // The result files are named after the current product: after a change they would be
  // another product's files. The spectra found are in the backup written with each of them.
  if (!(heteroticProductOf(currentTensor) == jobs.setUpProduct)) {
    Print("Heterotic result files not written: the tensor product has changed since "
          "\"compute heterotic\"\n");
    return 0;
  }
  const std::string marker = heteroticFileName(".writing");
  touchMarker(marker);
  const int R = jobs.spectra.rowLength() - 8;
  switch (mode) {
    case 0:
      GSC_printAllSpectra(1);
      break;
    case 1:
      GSC_printAllSpectra(0);
      computeSpectrumCharacteristics();
      break;
    default: {
      GSC_printAllSpectra(1);
      GSC_printAllSpectra(0);
      computeSpectrumCharacteristics();
      const std::string backup = heteroticFileName(".spectra_backup");
      removeFile(backup.c_str());
      PrintStdout("Heterotic backup file %s removed\n", backup.c_str());
      break;
    }
  }

  // Level tables; a level outside 0 .. 19 is left out.
  int distribution[kLevels] = {};
  int saturation[kLevels];
  std::fill(saturation, saturation + kLevels, kNoLimit);
  int largest = 0;
  for (int r = 0; r < jobs.spectra.size(); ++r) {
    const int* row = jobs.spectra.row(r);
    if (row[R + 7] == -1) continue;
    const int level = row[R + 6];
    if (level < 0 || level >= kLevels) continue;
    ++distribution[level];
    largest = std::max(largest, level);
    saturation[level] = std::min(saturation[level], jobs.spectra.count(r));
  }
  for (int l = 0; l <= largest; ++l)
    if (saturation[l] == kNoLimit) saturation[l] = 0;

  const int seconds = std::max(1, static_cast<int>(CPUTime()));
  const int rate = jobs.newSpectrumCount == 0
                       ? 0
                       : static_cast<int>(static_cast<long long>(jobs.newSpectrumCount) * 3600 /
                                          seconds);
  if (mode == 3 || jobs.statcount % 100 == 0) {
    PrintBannerWithText('-', "Current search status (mode=%d)", mode);
    PrintVec(largest + 1, saturation, "level saturation");
    PrintVec(largest + 1, distribution, "Level distribution");
    Print("Number of new spectra per hour: %d\n", rate);
    if (getSkippedInvariantCount() > 0)
      Print("Invariants skipped for an internal inconsistency: %d\n", getSkippedInvariantCount());
    if (mode == 3 && rate >= 6) {
      Print("Choosing AutoRepeat\n");
      setRepeatJob(1);
    } else {
      setRepeatJob(0);
      Print("AutoRepeat set to off\n");
    }
    PrintText(std::string(static_cast<std::size_t>(std::max(getSeparatorLineSize(), 1)), '-') + "\n");
  }

  if (mode != 1 && (jobs.successrate < 0.001 || jobs.statcount % jobs.statcountstep == 0)) {
    const int d = jobs.sampleNumber - jobs.lastSampleNumber;
    if (jobs.sampleNumber > jobs.lastSampleNumber)
      jobs.successrate = (jobs.newSpectrumCount - jobs.lastSpectrumCount) * 100.0 / d;
    if (jobs.lastSpectrumCount == jobs.newSpectrumCount || d < 3) {
      ++jobs.statcountstep;
      jobs.statcount = 0;
    }
    jobs.lastSampleNumber = jobs.sampleNumber;
    jobs.lastSpectrumCount = jobs.newSpectrumCount;
  }

  const std::string name = currentTensor != nullptr ? getTensorTeXString(currentTensor) : "";
  std::string text = formatText("%s & ", name.c_str());
  text += formatText(" %d & %d & %d & ", jobs.N3fam, jobs.familyGcd, jobs.maxEul);
  text += "(-";
  for (int l = 1; l <= largest; ++l) text += formatText(",%d", saturation[l]);
  text += ") & ";
  text += formatText("(%d", distribution[0]);
  for (int l = 1; l <= largest; ++l) text += formatText(",%d", distribution[l]);
  const std::string host = getCurrentHostName();
  if (jobs.newSpectrumCount == 0 && mode < 2)
    text += formatText(") & %d & %d  (%s,%5.5f) \\ \n", largest, 0, host.c_str(), kVersion);
  else if (jobs.newSpectrumCount == 0)
    text += formatText(") & %d & %d (%7.2f secs) \\ \n", largest, 0, CPUTime());
  else if (mode < 2)
    text += formatText(") & %d & %7.2f%% (%s,%5.5f) \\ \n", jobs.currentMIPFlevel,
                       jobs.successrate, host.c_str(), kVersion);
  else
    text += formatText(") & %d & %d (%7.2f secs) \\ \n", jobs.currentMIPFlevel, rate, CPUTime());
  if (!writeFileAtomically(heteroticFileName(".statistics"), text))
    Alert("GSC_printStatistics", 0, 120406, "Cannot write file %s",
          heteroticFileName(".statistics").c_str());
  if (jobs.statisticsWritten == 0) {
    Print("Statistics was written (success rate %7.2f)\n", jobs.successrate);
    jobs.statisticsWritten = 1;
  }
  ++jobs.statcount;
  removeFile(marker.c_str());
  return 0;
}

// ---------------------------------------------------------------------------------------
// "compute filter"

int ComputeFilter(TensorProduct* tensor) {
  if (!requireHeteroticSetUp("ComputeFilter", tensor)) return 1;
  HeteroticState& s = heteroticState();
  readPreviousData();
  PrimeStoreRelease release;
  Print("Using ComputeFilter\n");
  const int n = factorCount(tensor);
  const int size = getDecomposedGroupSize();
  const int ngen = s.filterGenerators.rowLength() == n ? s.filterGenerators.size() : 0;
  std::vector<int> decomposed(static_cast<std::size_t>(ngen) * static_cast<std::size_t>(size));
  for (int g = 0; g < ngen; ++g) {
    const int* d = PrimeDecomposeCurrent(tensor, s.filterGenerators.row(g));
    std::copy(d, d + size, decomposed.begin() + static_cast<std::ptrdiff_t>(g) * size);
  }
  std::vector<int> map(static_cast<std::size_t>(size) + 1), inverse(static_cast<std::size_t>(size) + 1);
  const std::vector<int> primes = s.primeLoop;
  for (int p : primes) {
    resetFilterCurrents(tensor);
    const int c = mapToPrimeGroup(p, map.data(), inverse.data());
    if (c == 0) continue;
    std::vector<int> orders(static_cast<std::size_t>(c));
    for (int j = 0; j < c; ++j)
      orders[static_cast<std::size_t>(j)] =
          s.components[static_cast<std::size_t>(map[static_cast<std::size_t>(j)])].order;
    std::vector<int> rows(static_cast<std::size_t>(ngen) * c);
    for (int g = 0; g < ngen; ++g)
      for (int j = 0; j < c; ++j)
        rows[static_cast<std::size_t>(g) * c + j] =
            decomposed[static_cast<std::size_t>(g) * size + map[static_cast<std::size_t>(j)]];
    std::vector<int> basis(static_cast<std::size_t>(std::max(ngen, 1)) * c, 0);
    if (ngen > 0) DG_OrthogonalBasis(ngen, c, orders.data(), rows.data(), basis.data());
    std::vector<int> generatorOrders;
    std::vector<int> work(static_cast<std::size_t>(size));
    for (int g = 0; g < ngen; ++g) {
      std::fill(work.begin(), work.end(), 0);
      for (int j = 0; j < c; ++j)
        work[static_cast<std::size_t>(map[static_cast<std::size_t>(j)])] =
            basis[static_cast<std::size_t>(g) * c + j];
      const int* labels = PrimeComposeCurrent(tensor, work.data());
      std::vector<int> row(labels, labels + n);
      const int length = TensorOrbitLength(tensor, row.data());
      if (length >= 2 && addNewFilterCurrent(tensor, row.data()) == 0)
        generatorOrders.push_back(length);
    }
    storeSimpleCurrentDataPointer(nullptr, p, 1, nullptr);
    ComputeFilterNEW(tensor, generatorOrders.data(), nullptr);
  }
  combinePrimeSimpleCurrentFactors(static_cast<int>(primes.size()), primes.data());
  storeSimpleCurrentDataPointer(nullptr, 0, -1, nullptr);
  return 0;
}

// ---------------------------------------------------------------------------------------
// "filter complete"

int buildSubgroupTables() {
  HeteroticJobState& jobs = heteroticJobs();
  HeteroticState& s = heteroticState();
  if (jobs.subgroupTablesBuilt) return 0;
  const int size = getDecomposedGroupSize();
  const std::size_t primes = s.primeLoop.size();
  std::vector<int> map(static_cast<std::size_t>(size) + 1), inverse(static_cast<std::size_t>(size) + 1);
  std::vector<long long> counts(primes, 1);
  long long combinations = 1;
  for (std::size_t i = 0; i < primes; ++i) {
    const int p = s.primeLoop[i];
    const int c = mapToPrimeGroup(p, map.data(), inverse.data());
    std::vector<int> exponents;
    for (int j = 0; j < c; ++j)
      exponents.push_back(s.components[static_cast<std::size_t>(map[static_cast<std::size_t>(j)])].power);
    counts[i] = countSubgroupsOfPGroup(exponents, p);
    if (counts[i] > kMaxSubgroups) {
      Alert("SystematicFilterComputation", 0, 100202,
            "Too many subgroups for prime %d (%lld); complete filter search refused", p, counts[i]);
      return 1;
    }
    combinations *= counts[i];
    if (combinations > kMaxCombinations) {
      Alert("SystematicFilterComputation", 1, 100202,
            "Too many subgroup combinations (more than %lld); complete filter search refused",
            kMaxCombinations);
      return 1;
    }
  }
  jobs.numberOfSubgroups.assign(primes, 0);
  jobs.subgroupGenerators.assign(primes, {});
  jobs.cosetGenerators.assign(primes, {});
  if (s.primeGroupMultiplicities.size() < primes) s.primeGroupMultiplicities.resize(primes, 0);
  for (std::size_t i = 0; i < primes; ++i) {
    const int p = s.primeLoop[i];
    const int c = mapToPrimeGroup(p, map.data(), inverse.data());
    s.primeGroupMultiplicities[i] = c;
    HeteroticRows elements;
    elements.reset(size);
    const std::vector<int> zero(static_cast<std::size_t>(size), 0);
    elements.add(zero.data(), 1);
    std::vector<int>& rows = jobs.subgroupGenerators[i];
    if (c == 0) {
      rows.clear();
      jobs.numberOfSubgroups[i] = 1;
    } else {
      std::vector<int> orders(static_cast<std::size_t>(c));
      for (int j = 0; j < c; ++j)
        orders[static_cast<std::size_t>(j)] =
            s.components[static_cast<std::size_t>(map[static_cast<std::size_t>(j)])].order;
      const std::unique_ptr<DGType, void (*)(DGType*)> group(DG_makeDecomp(orders.data(), c), DG_free);
      DGType* G = group.get();
      long long made = 0;
      for (SGType* sg = DG_buildSubgroups(G); sg != nullptr; sg = sg->next) {
        const int ngen = sg->ngen;
        std::vector<int> gens(static_cast<std::size_t>(std::max(ngen, 1)) * c, 0);
        for (int g = 0; g < ngen; ++g)
          for (int j = 0; j < c; ++j)
            gens[static_cast<std::size_t>(g) * c + j] = DG_decomp(G, sg->gen[g], j);
        std::vector<int> basis(static_cast<std::size_t>(std::max(ngen, 1)) * c, 0);
        const int b = ngen > 0 ? DG_OrthogonalBasis(ngen, c, orders.data(), gens.data(), basis.data())
                               : 0;
        std::vector<int> row(static_cast<std::size_t>(c), 0);
        std::vector<int> element(static_cast<std::size_t>(size));
        for (int k = 0, used = 0; k < b && used < c; ++k) {
          std::fill(element.begin(), element.end(), 0);
          bool nonzero = false;
          for (int j = 0; j < c; ++j) {
            element[static_cast<std::size_t>(map[static_cast<std::size_t>(j)])] =
                basis[static_cast<std::size_t>(k) * c + j];
            nonzero = nonzero || basis[static_cast<std::size_t>(k) * c + j] != 0;
          }
          if (!nonzero) continue;
          row[static_cast<std::size_t>(used++)] = elements.add(element.data(), 1);
        }
        rows.insert(rows.end(), row.begin(), row.end());
        ++made;
      }
      jobs.numberOfSubgroups[i] = made;
    }
    std::vector<int>& table = jobs.cosetGenerators[i];
    table.assign(static_cast<std::size_t>(elements.size()) * size, 0);
    for (int e = 0; e < elements.size(); ++e)
      std::copy(elements.row(e), elements.row(e) + size,
                table.begin() + static_cast<std::ptrdiff_t>(e) * size);
  }
  jobs.subgroupTablesBuilt = true;
  return 0;
}

const std::vector<long long>& getNumberOfSubgroups() {
  return heteroticJobs().numberOfSubgroups;
}
const std::vector<int>& getSubgroupGeneratorRows(int prime) {
  static const std::vector<int> none;
  const auto& rows = heteroticJobs().subgroupGenerators;
  return prime >= 0 && prime < static_cast<int>(rows.size()) ? rows[static_cast<std::size_t>(prime)]
                                                              : none;
}
const std::vector<int>& getCosetGeneratorRows(int prime) {
  static const std::vector<int> none;
  const auto& rows = heteroticJobs().cosetGenerators;
  return prime >= 0 && prime < static_cast<int>(rows.size()) ? rows[static_cast<std::size_t>(prime)]
                                                              : none;
}

int SystematicFilterComputation(TensorProduct* tensor) {
  if (!requireHeteroticSetUp("SystematicFilterComputation", tensor)) return 1;
  HeteroticJobState& jobs = heteroticJobs();
  readPreviousData();
  if (buildSubgroupTables() != 0) return 1;
  const int m = static_cast<int>(heteroticState().primeLoop.size());
  jobs.lastLoop.resize(static_cast<std::size_t>(m), 0);
  std::vector<int> counts(static_cast<std::size_t>(m));
  for (int i = 0; i < m; ++i)
    counts[static_cast<std::size_t>(i)] =
        static_cast<int>(jobs.numberOfSubgroups[static_cast<std::size_t>(i)]);
  const std::string lastloop = heteroticFileName(".lastloop");
  if (checkDir(lastloop.c_str()) == 1) {
    // The file is written whole: one subgroup index per prime, each within its table. A
    // file that does not fit these tables was left by another set-up and is kept.
    std::string text;
    std::vector<long long> indices;
    const bool read = readFileText(lastloop.c_str(), text);
    const std::string line = text.substr(0, text.find('\n'));
    bool fits = read && integersOfLine(line, indices) && static_cast<int>(indices.size()) == m;
    for (int i = 0; fits && i < m; ++i)
      fits = indices[static_cast<std::size_t>(i)] >= 0 &&
             indices[static_cast<std::size_t>(i)] < counts[static_cast<std::size_t>(i)];
    if (!fits) {
      Alert("SystematicFilterComputation", 0, 100201,
            "Line 1 of %s is no combination of %d subgroup indices within their tables; "
            "it is left unchanged",
            lastloop.c_str(), m);
      return 1;
    }
    for (int i = 0; i < m; ++i)
      jobs.lastLoop[static_cast<std::size_t>(i)] =
          static_cast<int>(indices[static_cast<std::size_t>(i)]);
    PrintVec(m, jobs.lastLoop.data(), "LastLoop");
  }
  PrintVec(m, counts.data(), "Number of subgroups");
  // A walk that ends (an empty one too) leaves the spectrum file and no backup, as the end
  // of "compute filter" does; a stopped one leaves the backup, which the next job reads.
  if (m < 1) return GSC_printStatistics(2);
  std::vector<int> loop(3 * static_cast<std::size_t>(m), 0);
  int* lo = loop.data();
  int* hi = lo + m;
  int* x = hi + m;
  for (int i = 0; i < m; ++i) hi[i] = counts[static_cast<std::size_t>(i)] - 1;
  ProgressScope progress("Systematic filter search", getLoopLength(m, lo, hi));
  struct Showing {
    explicit Showing(ProgressScope* line) { heteroticJobs().systematicProgress = line; }
    ~Showing() { heteroticJobs().systematicProgress = nullptr; }
  } showing(&progress);
  NestedLoops(m, lo, hi, x, tensor, nullptr, EvaluateCombination);
  return GSC_printStatistics(2);
}

int EvaluateCombination(int n, int* loop, void* data) {
  TensorProduct* tensor = static_cast<TensorProduct*>(data);
  HeteroticJobState& jobs = heteroticJobs();
  HeteroticState& s = heteroticState();
  if (jobs.systematicProgress != nullptr)
    jobs.systematicProgress->step();
  else
    obeyInterruptRequest();
  resetFilterCurrents(tensor);
  if (n < 1) return 0;
  if (static_cast<int>(jobs.lastLoop.size()) == n && compareVec(n, loop, jobs.lastLoop.data()) < 0)
    return 0;
  const int size = getDecomposedGroupSize();
  int g = 0;
  for (int i = 0; i < n; ++i) {
    const int c = s.primeGroupMultiplicities[static_cast<std::size_t>(i)];
    const int* row = jobs.subgroupGenerators[static_cast<std::size_t>(i)].data() +
                     static_cast<std::size_t>(loop[i]) * c;
    PrintVec(c, row, formatText("generator %d", i).c_str());
    while (g < c && row[g] != 0) ++g;
  }
  if (g == 0) return 0;
  std::vector<int> element(static_cast<std::size_t>(size));
  for (int k = 0; k < g; ++k) {
    std::fill(element.begin(), element.end(), 0);
    for (int i = 0; i < n; ++i) {
      const int c = s.primeGroupMultiplicities[static_cast<std::size_t>(i)];
      if (k >= c) continue;
      const int index = jobs.subgroupGenerators[static_cast<std::size_t>(i)]
                                                [static_cast<std::size_t>(loop[i]) * c + k];
      const int* coset = jobs.cosetGenerators[static_cast<std::size_t>(i)].data() +
                         static_cast<std::size_t>(index) * size;
      for (int e = 0; e < size; ++e) {
        const int order = s.components[static_cast<std::size_t>(e)].order;
        element[static_cast<std::size_t>(e)] = (element[static_cast<std::size_t>(e)] + coset[e]) % order;
      }
    }
    const int* labels = PrimeComposeCurrent(tensor, element.data());
    std::vector<int> row(labels, labels + factorCount(tensor));
    addNewFilterCurrent(tensor, row.data());
  }
  ComputeFilter(tensor);
  std::string text;
  for (int i = 0; i < n; ++i) text += formatText("%d ", loop[i]);
  text += "\n";
  if (!writeFileAtomically(heteroticFileName(".lastloop"), text))
    Alert("EvaluateCombination", 0, 120406, "Cannot write file %s",
          heteroticFileName(".lastloop").c_str());
  return 0;
}
