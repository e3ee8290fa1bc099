// Weights, ground-state dimensions, conjugates and the cells of the table
// "TensorSpectrum". Weights are summed from the factors each time (H factors subtracted);
// dimensions and conjugates are columns filled on first use after a change.
#include <cmath>
#include <cstdio>

#include "groups/Discrete.h"
#include "interpreter/Tables.h"
#include "numbers/LargeInteger.h"
#include "runtime/Error.h"
#include "runtime/Output.h"
#include "runtime/StringUtility.h"
#include "store/Storemanager.h"
#include "store/StoremanagerQueries.h"
#include "tensor/CosetInternal.h"

namespace {

SpectrumData* factor(TensorProduct* TP, int i) {
  return TP->TensorFactors[static_cast<std::size_t>(i)];
}

TensorProduct* recordOf(const void* item) {
  return item != nullptr ? static_cast<TensorProduct*>(const_cast<void*>(item)) : currentTensor;
}

bool fieldOf(const void* item, int f, TensorProduct*& TP) {
  TP = recordOf(item);
  return TP != nullptr && f >= 0 && f < TP->Spectrum.size();
}

bool sameRat(const Rat& a, const Rat& b) {
  return a.num * b.den == b.num * a.den;
}

}  // namespace

bool factorDimension(SpectrumData* sd, int a, lint* out) {
  if (SM_initDimensions(sd) == 0 || sd->dims == nullptr) return false;
  const int handle = sd->dims[a];
  if (handle == kStoreNotComputed || handle == 0) return false;
  if (handle > 0) {
    lint_assign(out, handle);
    return true;
  }
  const lint* stored = retrieveLint(handle);
  if (stored == nullptr) return false;
  lint_copy(out, stored);
  return true;
}

void CT_setSpectrumSelection(const int* weightNum, const int* weightDen, const int* masslessOnly) {
  CosetState& s = cosetState();
  s.selectedNum = weightNum;
  s.selectedDen = weightDen;
  s.masslessOnly = masslessOnly;
}

// ---------------------------------------------------------------------------------------
// Weights

double tensorWeight(TensorProduct* TP, const int* labels) {
  double total = 0.0;
  for (int i = 0; i < TP->NumberOfFactors; ++i) {
    const double h = SM_realWeight(factor(TP, i), labels[i]);
    total += TP->GH[static_cast<std::size_t>(i)] != 0 ? -h : h;
  }
  return total;
}

double cosetWeight(TensorProduct* TP, const int* labels) {
  const double h = tensorWeight(TP, labels);
  return TP->ExactWeightFlag == 0 ? DoubleToFrac(h) : h;
}

int TensorRatWeight(TensorProduct* TP, const int* labels, Rat* q) {
  int fastExact = 0;
  if (fastTensorRatWeight(TP, labels, q, &fastExact)) return fastExact;
  Rat sum{0, 1};
  bool exact = true;
  for (int i = 0; i < TP->NumberOfFactors; ++i) {
    Rat h;
    if (factorRatWeight(factor(TP, i), labels[i], &h) == 0) exact = false;
    Rat next;
    if (TP->GH[static_cast<std::size_t>(i)] != 0) {
      exact = false;
      subtractRat(&sum, &h, &next);
    } else {
      addRat(&sum, &h, &next);
    }
    sum = next;
    simplifyRat(&sum);
  }
  if (sum.den < 0) {
    sum.den = -sum.den;
    sum.num = -sum.num;
  }
  if (!exact) {
    sum.num %= sum.den;
    if (sum.num < 0) sum.num += sum.den;
    simplifyRat(&sum);
    if (sum.num == 0) sum.den = 1;
  }
  *q = sum;
  return exact ? 1 : 0;
}

double cosetCentralCharge(TensorProduct* TP) {
  double c = 0.0;
  for (int i = 0; i < TP->NumberOfFactors; ++i) {
    const double ci = SM_getCentralCharge(factor(TP, i));
    c += TP->GH[static_cast<std::size_t>(i)] != 0 ? -ci : ci;
  }
  return c;
}

// ---------------------------------------------------------------------------------------
// Dimensions

int DimComputable(TensorProduct* TP) {
  if (TP->CosetFlag != 0) return 0;
  for (int i = 0; i < TP->NumberOfFactors; ++i) {
    if (TP->GH[static_cast<std::size_t>(i)] != 0) return 0;
    if (SM_initDimensions(factor(TP, i)) == 0) return 0;
  }
  return 1;
}

int CT_NonAbelian(TensorProduct* TP, const int* labels) {
  if (TP->CosetFlag != 0) return 0;
  for (int i = 0; i < TP->NumberOfFactors; ++i) {
    if (SM_NonAbelian(factor(TP, i), labels[i]) != 0) return 1;
  }
  return 0;
}

namespace {

// Ground-state dimension of field f: the dimensions of its orbit members of its own
// weight, divided by |U| m.
int tensorOrbitDimension(TensorProduct* TP, int f, int* nonAbelian) {
  const int n = TP->NumberOfFactors;
  const int* field = TP->Spectrum.row(f);
  Rat h;
  TensorRatWeight(TP, field, &h);
  lint total;
  lint term;
  lint product;
  lint_assign(&total, 0);
  *nonAbelian = 0;
  std::vector<int> g(static_cast<std::size_t>(n));
  for (int J = 0; J < TP->ChiralAlgebra.size(); ++J) {
    tensorSimpleAction(TP, TP->ChiralAlgebra.row(J), field, g.data());
    Rat hg;
    TensorRatWeight(TP, g.data(), &hg);
    if (!sameRat(h, hg)) continue;
    lint_assign(&product, 1);
    for (int i = 0; i < n; ++i) {
      if (!factorDimension(factor(TP, i), g[static_cast<std::size_t>(i)], &term)) return kStoreNotComputed;
      lint_multiply(&product, &term);
    }
    lint_add(&total, &product);
    if (CT_NonAbelian(TP, g.data()) != 0) *nonAbelian = 1;
  }
  const FPType* fp = TP->Stabilizers[static_cast<std::size_t>(f)];
  const int divisor = fp->group->order * fp->sqrtSU;
  if (divisor > 1) lint_intdivide(&total, divisor);
  return storePositiveLint(&total);
}

}  // namespace

int CT_initDimensions(TensorProduct* TP) {
  if (TP->DimensionFlag == 1) return 1;
  if (DimComputable(TP) == 0) return 0;
  const int rows = TP->Spectrum.size();
  TP->TensorDimensions.assign(static_cast<std::size_t>(rows), kStoreNotComputed);
  TP->TensorDimensionInfo.assign(static_cast<std::size_t>(rows), 0);
  for (int f = 0; f < rows; ++f) {
    int nonAbelian = 0;
    TP->TensorDimensions[static_cast<std::size_t>(f)] = tensorOrbitDimension(TP, f, &nonAbelian);
    TP->TensorDimensionInfo[static_cast<std::size_t>(f)] = nonAbelian;
  }
  TP->DimensionFlag = 1;
  return 1;
}

int CT_getDimension(TensorProduct* TP, int f) {
  if (CT_initDimensions(TP) == 0 || f < 0 || f >= static_cast<int>(TP->TensorDimensions.size()))
    return kStoreNotComputed;
  return TP->TensorDimensions[static_cast<std::size_t>(f)];
}

int InfoComputable(TensorProduct* TP, int quiet) {
  if (settingOn(cosetState().super) == 0) return 0;
  const StringSeamHooks* hooks = stringSeamHooks();
  if (hooks != nullptr) return hooks->available(TP, quiet);
  if (quiet != 0) return 0;
  return StringSeam::stringInterpretationAvailable();
}

namespace {
const StringSeamHooks*& installedStringHooks() {
  static const StringSeamHooks* hooks = nullptr;
  return hooks;
}
}  // namespace

void setStringSeamHooks(const StringSeamHooks* hooks) { installedStringHooks() = hooks; }

const StringSeamHooks* stringSeamHooks() { return installedStringHooks(); }

namespace StringSeam {

// The light-cone reading of a theory belongs to the string layer, which is not built yet.
int stringInterpretationAvailable() {
  Alert("initializeStringData", 0, 100201, "String interpretation: not available yet");
  return 0;
}

}  // namespace StringSeam

// ---------------------------------------------------------------------------------------
// Conjugates

void resetTensorConjugates() {
  CosetState& s = cosetState();
  s.conjugatesInitialized = false;
  s.resolvedFor = nullptr;
  s.resolvedVersion = 0;
  s.resolvedColumns.clear();
}

int getTensorConjugate(TensorProduct* TP, int f) {
  CosetState& s = cosetState();
  if (f == -1) {
    s.conjugatesInitialized = false;
    return -1;
  }
  if (f == -2) {
    s.sMethodOff = true;
    return -1;
  }
  if (f < 0 || f >= TP->Spectrum.size()) return -1;
  const int n = TP->NumberOfFactors;
  if (!s.conjugatesInitialized) {
    for (SpectrumData* sd : TP->TensorFactors) SM_initConjugates(sd);
    s.conjugatesInitialized = true;
  }
  if (UntwistedStabilizerOrder(TP, f) < 2) {
    const int* field = TP->Spectrum.row(f);
    std::vector<int> row(static_cast<std::size_t>(n) + 1);
    for (int i = 0; i < n; ++i) {
      const int c = SM_getConjugate(factor(TP, i), field[i]);
      if (c < 0) return -2;
      row[static_cast<std::size_t>(i)] = c;
    }
    row[static_cast<std::size_t>(n)] = field[n];
    return findOrbit(TP, row.data(), nullptr);
  }
  // A resolved fixed point: the labels do not say which resolved field is the conjugate;
  // the rows of the coset S matrix do (unless that method was switched off).
  if (s.sMethodOff) return -2;
  const int c = getGenericTensorConjugate(TP, f);
  return c < 0 ? -2 : c;
}

void CT_initConjugates(TensorProduct* TP) {
  const int rows = TP->Spectrum.size();
  TP->Conjugates.assign(static_cast<std::size_t>(rows), -2);
  for (int f = 0; f < rows; ++f) TP->Conjugates[static_cast<std::size_t>(f)] = getTensorConjugate(TP, f);
  TP->ConjugateFlag = 1;
}

int CT_getConjugate(TensorProduct* TP, int f) {
  if (TP->ConjugateFlag == 0) CT_initConjugates(TP);
  if (f < 0 || f >= static_cast<int>(TP->Conjugates.size())) return -1;
  return TP->Conjugates[static_cast<std::size_t>(f)];
}

// ---------------------------------------------------------------------------------------
// The table "TensorSpectrum"

int CT_checkSkipCondition(TensorProduct* TP, int f) {
  if (f < 0 || f >= TP->Spectrum.size()) return 0;
  const int* field = TP->Spectrum.row(f);
  Rat h;
  TensorRatWeight(TP, field, &h);
  const CosetState& s = cosetState();
  if (s.selectedNum != nullptr && s.selectedDen != nullptr && *s.selectedNum != -1) {
    Rat wanted{*s.selectedNum, *s.selectedDen};
    simplifyRat(&wanted);
    if (!sameRat(h, wanted)) return 0;
  }
  if (s.masslessOnly != nullptr && *s.masslessOnly != 0 && f != 0) {
    if (!(h.num == 1 && h.den == 1)) return 0;
  }
  return 1;
}

namespace {

bool labelCell(std::string& cell, const void* item, int f) {
  TensorProduct* TP;
  if (!fieldOf(item, f, TP)) return true;
  cell = formatText("%d", f);
  return true;
}

bool combinationCell(std::string& cell, const void* item, int f) {
  TensorProduct* TP;
  if (!fieldOf(item, f, TP)) return true;
  const int* field = TP->Spectrum.row(f);
  for (int i = 0; i < TP->NumberOfFactors; ++i) cell += formatText(i == 0 ? "{%d" : ",%d", field[i]);
  cell += "}";
  return true;
}

bool weightCell(std::string& cell, const void* item, int f) {
  TensorProduct* TP;
  if (!fieldOf(item, f, TP)) return true;
  const int* field = TP->Spectrum.row(f);
  Rat h;
  const int exact = TensorRatWeight(TP, field, &h);
  if (TP->ExactWeightFlag == 1 || exact == 1) {
    cell = formatText("%-10.7f", cosetWeight(TP, field));
  } else {
    cell = formatText("%-10.7f", DoubleToFrac(tensorWeight(TP, field))) + " (mod 1)";
  }
  return true;
}

bool ratWeightCell(std::string& cell, const void* item, int f) {
  TensorProduct* TP;
  if (!fieldOf(item, f, TP)) return true;
  Rat h;
  const int exact = TensorRatWeight(TP, TP->Spectrum.row(f), &h);
  cell = ratString(&h);
  if (f > 0 && (TP->CosetFlag != 0 || exact == 0)) cell += " (mod 1)";
  return true;
}

bool dimensionCell(std::string& cell, const void* item, int f) {
  TensorProduct* TP;
  if (!fieldOf(item, f, TP) || f >= static_cast<int>(TP->TensorDimensions.size())) return true;
  const int d = TP->TensorDimensions[static_cast<std::size_t>(f)];
  if (d > 0) {
    cell = formatText("%-d", d);
  } else if (d == kStoreNotComputed) {
    cell = "Unknown";
  } else {
    const lint* value = retrieveLint(d);
    cell = value != nullptr ? lint_string(value) : std::string("Unknown");
  }
  return true;
}

int dimensionInit(const void* item) {
  TensorProduct* TP = recordOf(item);
  return TP != nullptr ? CT_initDimensions(TP) : 0;
}

int contentsInit(const void* item) {
  TensorProduct* TP = recordOf(item);
  return TP != nullptr ? InfoComputable(TP, 1) : 0;
}

bool contentsCell(std::string& cell, const void* item, int f) {
  TensorProduct* TP;
  const StringSeamHooks* hooks = stringSeamHooks();
  if (!fieldOf(item, f, TP) || hooks == nullptr || hooks->contentsText == nullptr) return true;
  hooks->contentsText(cell, TP, f);
  return true;
}

bool fpLabelCell(std::string& cell, const void* item, int f) {
  TensorProduct* TP;
  if (!fieldOf(item, f, TP)) return true;
  if (UntwistedStabilizerOrder(TP, f) < 2) {
    cell = "-";
  } else {
    cell = formatText("%d", TP->Spectrum.row(f)[TP->NumberOfFactors]);
  }
  return true;
}

bool fpMultCell(std::string& cell, const void* item, int f) {
  TensorProduct* TP;
  if (!fieldOf(item, f, TP)) return true;
  cell = formatText("%d", TP->Stabilizers[static_cast<std::size_t>(f)]->sqrtSU);
  return true;
}

bool conjugateCell(std::string& cell, const void* item, int f) {
  TensorProduct* TP;
  if (!fieldOf(item, f, TP)) return true;
  return CT_getConjString(cell, TP, f);
}

int conjugateInit(const void* item) {
  TensorProduct* TP = recordOf(item);
  if (TP == nullptr || CT_ConjugatesAvailable(TP) == 0) return 0;
  if (TP->ConjugateFlag == 0) CT_initConjugates(TP);
  return 1;
}

bool decompositionCell(std::string& cell, const void* item, int f) {
  TensorProduct* TP;
  if (!fieldOf(item, f, TP)) return true;
  const int* field = TP->Spectrum.row(f);
  for (int i = 0; i < TP->NumberOfFactors; ++i) {
    std::string part;
    SM_getDynkinString(part, TP->TensorFactors[static_cast<std::size_t>(i)], field[i]);
    cell += part;
  }
  return true;
}

int skipRow(const void* item, int row) {
  TensorProduct* TP = recordOf(item);
  return TP != nullptr ? CT_checkSkipCondition(TP, row) : 1;
}

}  // namespace

void initializeCosetTables() {
  if (findTable("TensorSpectrum") == nullptr) return;
  struct Cells {
    const char* header;
    ColumnGetter getter;
    ColumnInit init;
  };
  const Cells cells[] = {
      {"Label", labelCell, nullptr},
      {"Combination", combinationCell, nullptr},
      {"Weights", weightCell, nullptr},
      {"Rational weights", ratWeightCell, nullptr},
      {"Dimensions", dimensionCell, dimensionInit},
      {"Contents", nullptr, contentsInit},
      {"FP label", fpLabelCell, nullptr},
      {"FP mult", fpMultCell, nullptr},
      {"Conjugate", conjugateCell, conjugateInit},
      {"Decomposition", decompositionCell, nullptr},
  };
  for (const Cells& c : cells) {
    if (c.getter != nullptr) setColumnRoutines("TensorSpectrum", c.header, c.getter, c.init);
  }
  setColumnRoutines("TensorSpectrum", "Contents", contentsCell, contentsInit);
  addItemSkip("TensorSpectrum", skipRow);
}
