// Filter records and selection settings of the heterotic search: the pool of filter
// records, the settings bound at start-up, and the small setters of the heterotic
// commands (filters, forbidden currents, triggers, representation names, selected
// representations, patterns, fixed entries, the lift, the tag, exceptional filters and
// the allowed primes).
#include <cstring>

#include "groups/Discrete.h"
#include "heterotic/HeteroticInternal.h"
#include "numbers/MathUtility.h"
#include "runtime/Error.h"
#include "runtime/Parameters.h"
#include "runtime/SystemUtility.h"
#include "store/Storemanager.h"
#include "store/StoremanagerQueries.h"
#include "tensor/Coset.h"
#include "tensor/HeteroticNameHooks.h"

// ---------------------------------------------------------------------------------------
// Rows

void HeteroticRows::reset(int rowLength, int idsize) {
  length_ = rowLength < 0 ? 0 : rowLength;
  idsize_ = idsize < 0 || idsize > length_ ? length_ : idsize;
  count_ = 0;
  data_.clear();
  counts_.clear();
  index_.clear();
}

std::uint64_t HeteroticRows::hashOf(const int* v) const {
  std::uint64_t h = 1469598103934665603ULL;
  for (int i = 0; i < idsize_; ++i) {
    h ^= static_cast<std::uint32_t>(v[i]);
    h *= 1099511628211ULL;
  }
  return h;
}

int HeteroticRows::find(const int* v) const {
  const auto range = index_.equal_range(hashOf(v));
  for (auto it = range.first; it != range.second; ++it) {
    // Rows identified by no ints (an empty pattern algebra, no particle factors) are all
    // equal; their data pointer may be null.
    if (idsize_ == 0 ||
        std::memcmp(row(it->second), v, sizeof(int) * static_cast<std::size_t>(idsize_)) == 0)
      return it->second;
  }
  return -1;
}

int HeteroticRows::add(const int* v, int k, bool* added) {
  const int found = find(v);
  if (found >= 0) {
    counts_[static_cast<std::size_t>(found)] += k;
    if (added != nullptr) *added = false;
    return found;
  }
  data_.insert(data_.end(), v, v + length_);
  counts_.push_back(k);
  index_.emplace(hashOf(v), count_);
  if (added != nullptr) *added = true;
  return count_++;
}

// ---------------------------------------------------------------------------------------
// Module record and shared helpers

HeteroticState& heteroticState() {
  static HeteroticState s;
  return s;
}

int settingOn(const int* p) {
  return p == nullptr ? 0 : *p;
}
int heteroticFactorCount() {
  return settingOn(heteroticState().heteroticFactors);
}
int particleFactorCount() {
  return settingOn(heteroticState().particleFactors);
}

int factorCount(const TensorProduct* tensor) {
  return tensor == nullptr ? 0 : tensor->NumberOfFactors;
}

SpectrumData* factorTheory(const TensorProduct* tensor, int f) {
  return tensor->TensorFactors[static_cast<std::size_t>(f)];
}

int factorGroupOrder(const TensorProduct* tensor, int f) {
  const SpectrumData* sd = factorTheory(tensor, f);
  return sd->scgroup == nullptr ? 1 : sd->scgroup->order;
}

int fieldDimension(SpectrumData* sd, int a) {
  if (sd->dims == nullptr) SM_initDimensions(sd);
  if (sd->dims == nullptr || a < 0 || a >= sd->n_primaries) return 1;
  const int d = sd->dims[a];
  return d > 0 ? d : 1;
}

void FastTensorSimpleAction(TensorProduct* tensor, const int* J, const int* phi, int* out) {
  const int n = factorCount(tensor);
  for (int f = 0; f < n; ++f) out[f] = SM_SimpleAction(factorTheory(tensor, f), J[f], phi[f]);
}

bool integerCharge(TensorProduct* tensor, const int* current, const int* field) {
  const int C = heteroticState().chargeCommonDenominator;
  return IntegerTensorRatCharge(tensor, field, current, C) % C == 0;
}

void raiseHeteroticFault(const char* routine, const std::string& text) {
  Alert(routine, 0, 212204, "%s", text.c_str());
  if (heteroticState().fault.empty()) heteroticState().fault = text;
}

std::string formatFault(int W, int D) {
  return "Fractional weight " + std::to_string(W) + "/" + std::to_string(D);
}

const std::string& getHeteroticFault() {
  return heteroticState().fault;
}
void clearHeteroticFault() {
  heteroticState().fault.clear();
}
void countSkippedInvariant() {
  ++heteroticState().skippedInvariants;
  noteInconsistentSkip();
}

int getSkippedInvariantCount() {
  return heteroticState().skippedInvariants;
}

// ---------------------------------------------------------------------------------------
// Module life

namespace {

void installNameHooks() {
  setHeteroticNameHooks(getLiftIdentifier, getExceptionalFilter, getHeteroticScan);
}

void startState() {
  HeteroticState& s = heteroticState();
  s.filterGenerators.reset(0);
  s.filter.reset(0);
  s.forbidden.reset(0);
  s.triggers.reset(0);
  s.repNames.reset(0);
  s.names.clear();
  s.selectedReps.reset(0);
  s.patternRoots.reset(0);
  s.patternAlgebra.reset(0);
  s.fixedFilterEntries.clear();
  s.liftIdentifier = -1;
  s.liftCFT = nullptr;
  s.modelTag = kNoModelTag;
  s.exceptionalFilter.clear();
  s.useExceptionalFilter = 0;
  s.primeListSet = false;
  s.primeList.clear();
  s.heteroticScan = 0;
  s.primeLoop.clear();
  s.primeLoopIndices.clear();
  s.components.clear();
  s.maxprimIndex = 0;
  s.chiralAlgebra.reset(0);
  s.primeGroupMultiplicities.clear();
  s.nSusyGlobal = 0;
  s.commonDenominator = 1;
  s.chargeCommonDenominator = 1;
  s.weightsLeft.clear();
  s.weightsRight.clear();
  s.dimsLeft.clear();
  s.dimsRight.clear();
  s.nonAbelianLeft.clear();
  s.rowsizes.clear();
  s.uOneOrder.clear();
  s.allowedReps.reset(0);
  s.masslessFields.reset(0);
  s.leftMasslessCount = 0;
  s.heteroticSpinor.clear();
  s.heteroticVector.clear();
  s.leftAlgebra.reset(0);
  s.exceptionalLeftAlgebra.reset(0);
  s.rightAlgebra.reset(0);
  s.repCount.reset(0);
  s.fullSpectrumRows.reset(0);
  s.moves.reset(0);
  s.actions.clear();
  s.pattern.clear();
  s.optimized.clear();
  s.charges.reset(0);
  s.distinctCharges.clear();
  s.modelCount = 0;
  s.startTime = 0.0;
  s.modelStartTime = 0.0;
  s.forbiddenCurrentMessage = 0;
  s.algebraCounter = 0;
  s.storedSpectra = 0;
  s.storeNoticeGiven = 0;
  s.spectrumStore = nullptr;
  s.algebraStore = nullptr;
  s.randomSource = nullptr;
  s.chiralExotics = 0;
  s.fault.clear();
  s.skippedInvariants = 0;
  resetHeteroticJobs();
  for (auto& record : s.pool) {
    record->inUse = 0;
    record->group.reset(0);
    record->generators.reset(0);
    record->tensor = nullptr;
    record->primeCode = 0;
  }
}

}  // namespace

void initializeHeterotic() {
  HeteroticState& s = heteroticState();
  s.graded = getIntParPointer("Graded");
  s.heteroticFactors = getIntParPointer("Heterotic factors");
  s.particleFactors = getIntParPointer("Particle factors");
  s.mipfRandom = getIntParPointer("MIPF random");
  s.printSpectrum = getIntParPointer("Heterotic print_spectrum");
  s.fullSpectrum = getIntParPointer("Heterotic full_spectrum");
  s.outputFrequency = getIntParPointer("Output frequency");
  s.maxhours = getIntParPointer("Maxhours");
  if (s.pool.empty()) {
    s.pool.reserve(kFilterPoolSize);
    for (int i = 0; i < kFilterPoolSize; ++i)
      s.pool.push_back(std::make_unique<HeteroticFilterInfo>());
  }
  startState();
  installNameHooks();
}

void resetHeterotic() {
  startState();
  installNameHooks();
}

// ---------------------------------------------------------------------------------------
// Filter pool

HeteroticFilterInfo* getAvailableFilterData() {
  for (auto& record : heteroticState().pool) {
    if (record->inUse == 0) {
      record->inUse = 1;
      return record.get();
    }
  }
  Alert("getAvailableFilterData", 0, 112413, "Too many Heterotic Filter Info pointers requested");
  GracefulExit(1);
}

void returnFilterData(HeteroticFilterInfo* record) {
  for (auto& slot : heteroticState().pool) {
    if (slot.get() == record) {
      record->inUse = 0;
      return;
    }
  }
  Alert("returnFilterData", 0, 212404, "Unknown Heterotic Filter pointer returned");
}

// ---------------------------------------------------------------------------------------
// Setters

namespace {

int addRowSized(HeteroticRows& rows, TensorProduct* tensor, const int* labels) {
  const int n = factorCount(tensor);
  if (rows.rowLength() != n) rows.reset(n);
  bool added = false;
  rows.add(labels, 1, &added);
  return added ? 0 : 1;
}

}  // namespace

int addNewFilterCurrent(TensorProduct* tensor, const int* labels) {
  return addRowSized(heteroticState().filterGenerators, tensor, labels);
}

void resetFilterCurrents(TensorProduct* tensor) {
  heteroticState().filterGenerators.reset(factorCount(tensor));
  heteroticState().filter.reset(factorCount(tensor));
}

int addNewForbiddenCurrent(TensorProduct* tensor, const int* labels) {
  return addRowSized(heteroticState().forbidden, tensor, labels);
}

void resetForbiddenCurrents(TensorProduct* tensor) {
  heteroticState().forbidden.reset(factorCount(tensor));
}

void addNewTrigger(TensorProduct* tensor, const int* labels) {
  addRowSized(heteroticState().triggers, tensor, labels);
  setIntPar("Heterotic full_spectrum", 1);
}

void resetTriggers(TensorProduct* tensor) {
  heteroticState().triggers.reset(factorCount(tensor));
}

void setFixedEntries(TensorProduct* tensor, int k) {
  std::vector<int>& entries = heteroticState().fixedFilterEntries;
  const int n = factorCount(tensor);
  if (static_cast<int>(entries.size()) != n) entries.assign(static_cast<std::size_t>(n), -1);
  if (k == -1) {
    entries.assign(static_cast<std::size_t>(n), -1);
    return;
  }
  if (k < 0 || k >= n) {
    Alert("setFixedEntries", 0, 100301, "Factor %d does not exist", k);
    return;
  }
  entries[static_cast<std::size_t>(k)] = 0;
}

int addNewRepresentationName(TensorProduct* tensor, const char* name, const int* labels) {
  HeteroticState& s = heteroticState();
  const int p = particleFactorCount();
  if (s.repNames.rowLength() != p) {
    s.repNames.reset(p);
    s.names.clear();
  }
  const int index = s.repNames.add(labels, 1);
  if (s.repNames.size() >= 100) {
    Alert("addNewRepresentationName", 0, 520213, "Too many representation names");
    return 1;
  }
  if (std::strlen(name) >= 8) {
    Alert("addNewRepresentationName", 1, 520213, "Name too long");
    return 1;
  }
  if (static_cast<int>(s.names.size()) <= index)
    s.names.resize(static_cast<std::size_t>(index) + 1);
  s.names[static_cast<std::size_t>(index)] = name;
  std::vector<int> conjugate(static_cast<std::size_t>(p));
  for (int f = 0; f < p; ++f) {
    const int c = SM_getConjugate(factorTheory(tensor, f), labels[f]);
    conjugate[static_cast<std::size_t>(f)] = c < 0 ? labels[f] : c;
  }
  bool added = false;
  const int cindex = s.repNames.add(conjugate.data(), 1, &added);
  if (added) {
    if (static_cast<int>(s.names.size()) <= cindex)
      s.names.resize(static_cast<std::size_t>(cindex) + 1);
    s.names[static_cast<std::size_t>(cindex)] = std::string(name) + "*";
  }
  return 0;
}

void resetRepNames() {
  heteroticState().repNames.reset(particleFactorCount());
  heteroticState().names.clear();
}

void addNewSelectedRep(const int* labels) {
  HeteroticRows& rows = heteroticState().selectedReps;
  const int h = heteroticFactorCount();
  if (rows.rowLength() != h) rows.reset(h);
  rows.add(labels, 1);
}

void resetSelectedReps() {
  heteroticState().selectedReps.reset(heteroticFactorCount());
}

void resetPatterns() {
  const int h = heteroticFactorCount();
  heteroticState().patternRoots.reset(h + 2, h);
  heteroticState().patternAlgebra.reset(10);
}

int getNumberOfPatternRoots() {
  return heteroticState().patternRoots.size();
}

void addPatternAlgebra(const int* row) {
  HeteroticState& s = heteroticState();
  if (s.patternAlgebra.size() == 0) s.patternAlgebra.reset(s.patternRoots.size());
  s.patternAlgebra.add(row, 1);
}

void setLiftIdentifier(int identifier, SpectrumData* cft) {
  heteroticState().liftIdentifier = identifier;
  heteroticState().liftCFT = cft;
}

int getLiftIdentifier() {
  return heteroticState().liftIdentifier;
}
SpectrumData* getLiftCFT() {
  return heteroticState().liftCFT;
}
void setModelTag(int tag) {
  heteroticState().modelTag = tag;
}
int getModelTag() {
  return heteroticState().modelTag;
}

void setExceptionalFilter(int k, int label) {
  HeteroticState& s = heteroticState();
  if (k < 0) return;
  s.useExceptionalFilter = 1;
  if (static_cast<int>(s.exceptionalFilter.size()) <= k)
    s.exceptionalFilter.resize(static_cast<std::size_t>(k) + 1, 0);
  s.exceptionalFilter[static_cast<std::size_t>(k)] = label;
}

int getExceptionalFilter(int k) {
  const std::vector<int>& filter = heteroticState().exceptionalFilter;
  return k >= 0 && k < static_cast<int>(filter.size()) ? filter[static_cast<std::size_t>(k)] : 0;
}

void setAllowablePrimes(const int* list) {
  HeteroticState& s = heteroticState();
  s.primeList.clear();
  s.primeListSet = list != nullptr;
  if (list == nullptr) return;
  for (const int* p = list; *p != -1; ++p) s.primeList.push_back(*p);
}

const std::vector<int>* getAllowablePrimes() {
  return heteroticState().primeListSet ? &heteroticState().primeList : nullptr;
}

void setHeteroticScan(int flag) {
  heteroticState().heteroticScan = flag;
}
int getHeteroticScan() {
  return heteroticState().heteroticScan;
}

const HeteroticRows& getRepNames() {
  return heteroticState().repNames;
}
const std::vector<std::string>& getRepNameTexts() {
  return heteroticState().names;
}
const HeteroticRows& getSelectedReps() {
  return heteroticState().selectedReps;
}
const HeteroticRows& getPatternRoots() {
  return heteroticState().patternRoots;
}
const HeteroticRows& getPatternAlgebra() {
  return heteroticState().patternAlgebra;
}
const HeteroticRows& getForbiddenCurrents() {
  return heteroticState().forbidden;
}
const HeteroticRows& getTriggers() {
  return heteroticState().triggers;
}
const HeteroticRows& getGlobalFilterGenerators() {
  return heteroticState().filterGenerators;
}
const std::vector<int>& getFixedFilterEntries() {
  return heteroticState().fixedFilterEntries;
}

void determineParticipatingPrimes() {
  HeteroticState& s = heteroticState();
  std::vector<int> marks(static_cast<std::size_t>(s.maxprimIndex), 0);
  for (const DecomposedComponent& c : s.components)
    marks[static_cast<std::size_t>(c.primeIndex)] = 1;
  s.primeLoop.clear();
  s.primeLoopIndices.clear();
  for (int i = 0; i < s.maxprimIndex; ++i) {
    if (marks[static_cast<std::size_t>(i)] == 0) continue;
    const int p = prime(i);
    if (s.primeListSet) {
      bool allowed = false;
      for (int q : s.primeList) allowed = allowed || q == p;
      if (!allowed) continue;
    }
    s.primeLoop.push_back(p);
    s.primeLoopIndices.push_back(i);
  }
}

const std::vector<int>& getPrimeLoop() {
  return heteroticState().primeLoop;
}
