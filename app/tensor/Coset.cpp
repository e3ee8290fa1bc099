// The tensor-product record: creation, factors, currents, the selected extension, the
// resets and the printing of the input, and the module's start-up, which installs the
// tensor services of the lower layers. See Coset.h for the representation.
#include "tensor/Coset.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>

#include "groups/Discrete.h"
#include "modular/Modular.h"
#include "runtime/Error.h"
#include "runtime/Output.h"
#include "runtime/Parameters.h"
#include "store/CurrentTheory.h"
#include "store/Storemanager.h"
#include "store/StoremanagerQueries.h"
#include "store/TensorHooks.h"
#include "tensor/CosetInternal.h"

AllocationAccount TensorProductAccount("TensorProduct");

// ---------------------------------------------------------------------------------------
// TensorRows

void TensorRows::reset(int rowLength) {
  ++version_;
  length_ = rowLength;
  count_ = 0;
  data_.clear();
  index_.clear();
  index_.shrink_to_fit();
}

std::uint64_t TensorRows::hashOf(const int* v, int n) {
  std::uint64_t h = 1469598103934665603ULL;
  for (int i = 0; i < n; ++i) {
    h ^= static_cast<std::uint32_t>(v[i]);
    h *= 1099511628211ULL;
  }
  return h;
}

namespace {
// The slot a hash starts probing at: the high bits mixed in, FNV's low bits being weak.
std::size_t firstSlot(std::uint64_t hash, std::size_t mask) {
  return static_cast<std::size_t>((hash ^ (hash >> 29) ^ (hash >> 47)) & mask);
}
}  // namespace

int TensorRows::find(const int* v) const {
  if (index_.empty()) return -1;
  const std::uint64_t hash = hashOf(v, length_);
  const std::size_t mask = index_.size() - 1;
  for (std::size_t i = firstSlot(hash, mask);; i = (i + 1) & mask) {
    const Slot& slot = index_[i];
    if (slot.row < 0) return -1;
    if (slot.hash == hash && std::equal(v, v + length_, row(slot.row))) return slot.row;
  }
}

void TensorRows::insertSlot(std::uint64_t hash, int rowIndex) {
  const std::size_t mask = index_.size() - 1;
  std::size_t i = firstSlot(hash, mask);
  while (index_[i].row >= 0) i = (i + 1) & mask;
  index_[i] = Slot{hash, rowIndex};
}

int TensorRows::add(const int* v, bool* added) {
  int existing = find(v);
  if (added != nullptr) *added = existing < 0;
  if (existing >= 0) return existing;
  if (data_.size() + static_cast<std::size_t>(length_) > data_.capacity()) {
    // Doubling, but never asking for a block that the allocator refuses: the callers that
    // fill large collections check the whole size before each row.
    const std::size_t largest = (kAllocationRefusedSize - 1) / sizeof(int);
    data_.reserve(std::max(data_.size() + static_cast<std::size_t>(length_), std::min(2 * data_.capacity(), largest)));
  }
  if (2 * (static_cast<std::size_t>(count_) + 1) > index_.size()) {
    AccountVector<Slot> old(std::max<std::size_t>(16, 2 * index_.size()), Slot{0, -1}, index_.get_allocator());
    old.swap(index_);
    for (const Slot& slot : old) {
      if (slot.row >= 0) insertSlot(slot.hash, slot.row);
    }
  }
  ++version_;
  data_.insert(data_.end(), v, v + length_);
  insertSlot(hashOf(v, length_), count_);
  return count_++;
}

TensorProduct::TensorProduct() {
  Spectrum.reset(1);
  ChiralAlgebra.reset(0);
  Currents.reset(0);
}

// ---------------------------------------------------------------------------------------
// Module state and helpers

CosetState& cosetState() {
  static CosetState s;
  return s;
}

int maxPrimariesSetting() {
  const int* p = cosetState().maxPrimaries;
  return p != nullptr ? *p : 2000000000;
}

int heteroticFactorsSetting() {
  const int* p = cosetState().heteroticFactors;
  return p != nullptr ? *p : 1;
}

int factorGroupOrder(const SpectrumData* sd) {
  return sd->scgroup != nullptr ? sd->scgroup->order : 1;
}

int factorCurrentOrder(const SpectrumData* sd, int J) {
  return SM_getCurrentOrder(sd, J);
}

int factorRatWeight(const SpectrumData* sd, int a, Rat* h) {
  return SM_getRatWeight(sd, a, h);
}

bool factorGraded(const SpectrumData* sd) {
  return sd->graded != 0 && sd->grading != nullptr && sd->n2_multiplets != nullptr;
}

int gradeFlip(const SpectrumData* sd, int a) {
  if (!factorGraded(sd) || a < 0 || a >= sd->n_primaries) return a;
  return sd->n2_multiplets[a];
}

std::vector<int> withLabel(const int* labels, int n, int fpLabel) {
  std::vector<int> row(labels, labels + n);
  row.push_back(fpLabel);
  return row;
}

void markChanged(TensorProduct* TP) {
  forgetOrbitTables(TP);
  TP->DimensionFlag = 0;
  TP->ContentsFlag = 0;
  TP->ConjugateFlag = 0;
  TP->SymmetryFlag = 0;
  TP->SpectrumChanged = 1;
  freeFullFP(TP);
  TP->NumberOfFixedPointCurrents = 0;
  TP->FixedPointCurrents.clear();
  TP->SimpleCurrentMap.clear();
  TP->ExtensionNumber = -1;
  TP->Spectrum.reset(TP->NumberOfFactors + 1);
  TP->NumberOfPrimaries = 0;
  TP->Stabilizers.clear();
  // The chiral algebra of the old input has rows of the old width; the next spectrum
  // computation builds the new one.
  TP->ChiralAlgebra.reset(TP->NumberOfFactors);
  TP->ChiralAlgebraOrder = 0;
  TP->NumberOfGenerators = 0;
  TP->CurrentPermutations.Nfill = 0;
  forgetFieldPermutations(TP);
}

namespace {

void emptyCurrents(TensorProduct* TP) {
  TP->Currents.reset(TP->NumberOfFactors);
  TP->CurrentList.clear();
}

std::string labelText(const int* labels, int n) {
  std::string text;
  for (int i = 0; i < n; ++i) text += std::to_string(labels[i]) + " ";
  return text;
}

}  // namespace

// ---------------------------------------------------------------------------------------
// The record and its input

TensorProduct* initializeTensorProduct(TensorProduct* TP) {
  if (TP != nullptr) return TP;
  CosetState& s = cosetState();
  s.records.push_back(std::make_unique<TensorProduct>());
  return s.records.back().get();
}

int addTensorFactor(TensorProduct* TP, SpectrumData* SD, int gh) {
  TP->TensorFactors.push_back(SD);
  TP->GH.push_back(gh != 0 ? 1 : 0);
  ++TP->NumberOfFactors;
  emptyCurrents(TP);
  markChanged(TP);
  return 0;
}

void removeTensorFactor(TensorProduct* TP) {
  if (TP->NumberOfFactors > 0) {
    --TP->NumberOfFactors;
    TP->TensorFactors.pop_back();
    TP->GH.pop_back();
  }
  emptyCurrents(TP);
  markChanged(TP);
}

int checkCurrent(TensorProduct* TP, const int* labels) {
  const int n = TP->NumberOfFactors;
  const double h = cosetWeight(TP, labels);
  if (std::fabs(h - std::round(h)) > kTolerance) {
    Print("Weight %15.7f\n", h);
    PrintVec(n, labels, "current");
    Alert("checkCurrent", 0, 100201, "Non-integer conformal weight");
    return 1;
  }
  for (const std::vector<int>& previous : TP->CurrentList) {
    Rat q;
    TensorRatCharge(TP, previous.data(), labels, &q);
    if (q.num != 0) {
      Alert("checkCurrent", 1, 100201, "Non-integer charge w.r.t. previous current");
      return 1;
    }
  }
  return 0;
}

int addNewCurrent(TensorProduct* TP, const int* labels) {
  if (checkCurrent(TP, labels) != 0) return 1;
  if (TP->Currents.rowLength() != TP->NumberOfFactors) {
    Alert("addNewCurrent", 0, 212404, "Current array has incorrect size");
    emptyCurrents(TP);
  }
  bool added = false;
  TP->Currents.add(labels, &added);
  if (!added) return 1;
  TP->CurrentList.emplace_back(labels, labels + TP->NumberOfFactors);
  markChanged(TP);
  return 0;
}

int SelectExtension(int n) {
  // The list of the modular data numbers the extensions; taking it may collect it first.
  const std::vector<std::vector<int>>& extensions = getExtensions();
  const int stored = TotalExtensions() < 0 ? 0 : static_cast<int>(extensions.size());
  if (n < 0 || n >= stored) {
    Alert("SelectExtension", 0, 100302, "Extension number %d does not exist", n);
    currentTensor->ExtensionNumber = -1;
    return 0;
  }
  // Copied: adding a current may not touch the list, but the row must outlive the loop.
  const std::vector<int> row = extensions[static_cast<std::size_t>(n)];
  const int generators = extensionGeneratorCount();
  emptyCurrents(currentTensor);
  for (int k = 0; k <= generators && row[static_cast<std::size_t>(k)] != -1; ++k) {
    const int* labels = getExtensionCurrent(row[static_cast<std::size_t>(k)]);
    if (labels != nullptr) addNewCurrent(currentTensor, labels);
  }
  currentTensor->ExtensionNumber = n;
  return 1;
}

void assignExtensionNumber(TensorProduct* TP, int n) { TP->ExtensionNumber = n; }
int getExtensionNumber(const TensorProduct* TP) { return TP->ExtensionNumber; }

int* TensorField(TensorProduct* TP, int i) {
  if (i < 0 || i >= TP->Spectrum.size()) return nullptr;
  return TP->Spectrum.row(i);
}

int* NumberOfTensorPrimaries(TensorProduct* TP) { return &TP->NumberOfPrimaries; }
int* NumberOfTensorSimpleCurrents(TensorProduct* TP) { return &TP->NumberOfSimpleCurrents; }

int CT_currentCheck(TensorProduct* TP, int i) {
  return i >= 0 && i < TP->NumberOfSimpleCurrents ? 1 : 0;
}

int CT_S_Symmetry(TensorProduct* TP) {
  if (TP->NumberOfFactors == 0) return 1;
  return TP->TensorFactors[0]->symmetric;
}

SpectrumData* getTensorFactor(TensorProduct* TP, int i) {
  if (i < 0 || i >= TP->NumberOfFactors) {
    Alert("getTensorFactor", 0, 212404, "Tensor factor %d does not exist", i);
    return nullptr;
  }
  return TP->TensorFactors[static_cast<std::size_t>(i)];
}

int getGH(TensorProduct* TP, int i) {
  if (i < 0 || i >= TP->NumberOfFactors) {
    Alert("getGH", 0, 212404, "Tensor factor %d does not exist", i);
    return 0;
  }
  return TP->GH[static_cast<std::size_t>(i)];
}

int getCurrentsEntry(TensorProduct* TP, int i, int j) {
  if (i < 0 || i >= static_cast<int>(TP->CurrentList.size()) || j < 0 || j >= TP->NumberOfFactors)
    return -1;
  return TP->CurrentList[static_cast<std::size_t>(i)][static_cast<std::size_t>(j)];
}

void setInputDataChanged(TensorProduct* TP) { markChanged(TP); }

int checkForExtension(TensorProduct* TP) {
  return TP->Currents.rowLength() == TP->NumberOfFactors ? 1 : 0;
}

// ---------------------------------------------------------------------------------------
// Resets, printing and recording

void resetCoset(TensorProduct* TP) {
  TP->NumberOfFactors = 0;
  TP->TensorFactors.clear();
  TP->GH.clear();
  emptyCurrents(TP);
  TP->StringStatus = 0;
  TP->NumberOfSimpleCurrents = 0;
  TP->NumberOfGenerators = 0;
  TP->ChiralAlgebraOrder = 0;
  TP->CenterRank = 0;
  TP->CosetFlag = 0;
  TP->ExactWeightFlag = 1;
  TP->SusyFlag = 0;
  TP->ChiralAlgebra.reset(0);
  TP->CurrentGroup = nullptr;
  markChanged(TP);
}

void resetCurrents(TensorProduct* TP) {
  emptyCurrents(TP);
  markChanged(TP);
}

int removeCurrent(TensorProduct* TP, int k) {
  std::vector<std::vector<int>> kept = TP->CurrentList;
  if (k >= 0 && k < static_cast<int>(kept.size())) kept.erase(kept.begin() + k);
  emptyCurrents(TP);
  for (const std::vector<int>& row : kept) {
    TP->Currents.add(row.data());
    TP->CurrentList.push_back(row);
  }
  markChanged(TP);
  const int count = static_cast<int>(TP->CurrentList.size());
  return k < count ? k : count - 1;
}

namespace {

void writeCommands(TensorProduct* TP, std::FILE* stream, bool factors) {
  auto out = [stream](const std::string& text) {
    if (stream != nullptr) {
      std::fputs(text.c_str(), stream);
    } else {
      Print("%s", text.c_str());
    }
  };
  if (factors) {
    out("tensor\n");
    for (int i = 0; i < TP->NumberOfFactors; ++i) {
      out(std::string(TP->GH[static_cast<std::size_t>(i)] != 0 ? "H " : "G ") +
          SM_algCommand(TP->TensorFactors[static_cast<std::size_t>(i)]) + "\n");
    }
  }
  for (const std::vector<int>& row : TP->CurrentList)
    out("current " + labelText(row.data(), TP->NumberOfFactors) + "\n");
}

}  // namespace

void printTensorData(TensorProduct* TP) { writeCommands(TP, nullptr, true); }

void writeCosetCommands(TensorProduct* TP, std::FILE* stream) {
  if (stream != nullptr) writeCommands(TP, stream, true);
}

void writeCurrents(std::FILE* stream) {
  if (stream != nullptr) writeCommands(currentTensor, stream, false);
}

void printCosetHeader(TensorProduct* TP, std::FILE* stream) {
  if (TP == nullptr) TP = currentTensor;
  std::string text = "Spectrum of the tensor product of \n";
  for (SpectrumData* sd : TP->TensorFactors) text += "         " + std::string(sd->name) + "   \n";
  if (!TP->CurrentList.empty()) {
    text += "\nWith simple currents \n";
    for (const std::vector<int>& row : TP->CurrentList) {
      text += "      (";
      for (int i = 0; i < TP->NumberOfFactors; ++i) {
        text += std::to_string(row[static_cast<std::size_t>(i)]);
        text += i + 1 < TP->NumberOfFactors ? "," : ")";
      }
      text += "\n";
    }
  }
  if (stream != nullptr) {
    std::fputs(text.c_str(), stream);
  } else {
    Print("%s", text.c_str());
  }
}

void writeCosetToLog(TensorProduct* TP) {
  writeLog("-----------Computing spectrum for coset:------------\n");
  writeLog("Number of coset factors %d; Currents: %d\n", TP->NumberOfFactors,
           static_cast<int>(TP->CurrentList.size()));
  writeLog("Type, rank, level, GH\n");
  for (int i = 0; i < TP->NumberOfFactors; ++i) {
    const SpectrumData* sd = TP->TensorFactors[static_cast<std::size_t>(i)];
    writeLog("  %d    %d    %d    %d\n", sd->type, sd->rank, sd->level, TP->GH[static_cast<std::size_t>(i)]);
  }
  writeLog("Currents\n");
  for (const std::vector<int>& row : TP->CurrentList) writeLog("%s\n", labelText(row.data(), TP->NumberOfFactors).c_str());
  writeLog("%s\n", std::string(52, '-').c_str());
}

std::int64_t fileIdentifier() {
  const std::vector<int> levels = getCurrentLevels();
  if (levels.size() < 2) return 0;
  std::int64_t value = 0;
  for (std::size_t i = 1; i < levels.size(); ++i) {
    const int x = levels[i];
    const std::int64_t scale = x < 10 ? 10 : x < 100 ? 100 : x < 1000 ? 1000 : 10000;
    std::int64_t next = 0;
    if (x < 0 || __builtin_mul_overflow(value, scale, &next) || __builtin_add_overflow(next, x, &next)) {
      Alert("fileIdentifier", 0, 100302, "Tensor file identifier too large");
      return -1;
    }
    value = next;
  }
  return value;
}

// ---------------------------------------------------------------------------------------
// Start-up

namespace {

DGType* currentGroupHook(TensorProduct* TP) {
  return TP->CurrentGroup != nullptr ? TP->CurrentGroup : DG_trivial();
}

int susyFlagHook(TensorProduct* TP) { return TP->SusyFlag; }

std::string tensorCodeHook(TensorProduct* TP) { return getTensorCode(TP); }

int ratWeightHook(TensorProduct* TP, const int* labels, Rat* q) {
  if (labels == nullptr) {
    *q = Rat{0, 1};
    return 0;
  }
  return TensorRatWeight(TP, labels, q);
}

int fieldRatWeightHook(TensorProduct* TP, int f, Rat* q) {
  if (f < 0 || f >= TP->Spectrum.size()) return ratWeightHook(TP, nullptr, q);
  return CT_fieldRatWeight(TP, f, q);
}

void installHooks() {
  TensorHooks hooks = tensorHooks();
  hooks.getCosetS = getCosetS;
  hooks.getCosetT = getCosetT;
  hooks.getCosetrootT = getCosetrootT;
  hooks.getCosetLogT = getCosetLogT;
  hooks.getCosetSOfLabels = getCosetSOfMappedFields;
  hooks.CT_S_Symmetry = CT_S_Symmetry;
  hooks.CT_getConjugate = CT_getConjugate;
  hooks.CT_ConjugatesAvailable = CT_ConjugatesAvailable;
  hooks.TensorField = TensorField;
  hooks.TensorRatWeight = ratWeightHook;
  hooks.fieldRatWeight = fieldRatWeightHook;
  hooks.cosetCentralCharge = cosetCentralCharge;
  hooks.getTensorCode = tensorCodeHook;
  hooks.getCurrentTensorFileName = getCurrentTensorFileName;
  hooks.CT_currentCheck = CT_currentCheck;
  hooks.CT_simpleCurrentAction = CT_simpleCurrentAction;
  hooks.CT_simpleCurrentProduct = CT_simpleCurrentProduct;
  hooks.CT_getCurrentGroup = currentGroupHook;
  hooks.CT_getSusyFlag = susyFlagHook;
  hooks.isTensorSuperCurrent = isTensorSuperCurrent;
  installFixedPointHooks(hooks);
  setTensorHooks(hooks);

  ExtensionTensorHooks extension = extensionTensorHooks();
  extension.hasCurrents = [] { return currentTensor->CurrentList.empty() ? 0 : 1; };
  extension.prepareSpectrum = [] {
    TensorProduct* TP = currentTensor;
    if (TP->NumberOfFactors == 0) return 1;
    if ((TP->SpectrumChanged != 0 || TP->NumberOfPrimaries == 0) && computeSimpleCurrentTensorSpectrum(TP) < 0) return 1;
    TotalPrimaries = NumberOfTensorPrimaries(TP);
    return 0;
  };
  extension.factorCount = [] { return currentTensor->NumberOfFactors; };
  extension.fieldLabels = [](int f) -> const int* { return TensorField(currentTensor, f); };
  extension.preparePermutations = [] {
    CT_getIntegerSpinPermutations(currentTensor, nullptr);
    return CT_getTotalOuterAutomorphismCount(currentTensor);
  };
  extension.permutationImage = [](int p, int J) {
    return CT_getCurrentPermutationForExtension(currentTensor, p, J);
  };
  extension.gradedMinimalForm = [](int f) { return GradedMinimalFormForLabel(currentTensor, f); };
  extension.weight = [](int f) {
    const int* labels = TensorField(currentTensor, f);
    return labels != nullptr ? tensorWeight(currentTensor, labels) : 0.0;
  };
  setExtensionTensorHooks(extension);
}

}  // namespace

void initializeCoset() {
  CosetState& s = cosetState();
  s.graded = getIntParPointer("Graded");
  s.super = getIntParPointer("Super");
  s.maxPrimaries = getIntParPointer("Max_primaries");
  s.heteroticFactors = getIntParPointer("Heterotic factors");
  s.tensorName = getStringParPointer("TensorName");
  s.liftSymbol = getStringParPointer("Heterotic lift_symbol");
  currentTensor = initializeTensorProduct(currentTensor);
  installHooks();
  initializeCosetTables();
}

void resetCosetModule() {
  CosetState& s = cosetState();
  if (currentTensor != nullptr) {
    // The stabiliser records belong to the group library, whose reset releases them.
    currentTensor->firstFP = nullptr;
    resetCoset(currentTensor);
  }
  resetTensorConjugates();
  resetStoredOrbitMember();
  resetMinimalTable();
  resetCosetPermutations();
  resetCosetExchange();
  resetCosetTachyons();
  resetOrbitTables();
  s.sMethodOff = false;
  s.sCallTrace = 0;
}
