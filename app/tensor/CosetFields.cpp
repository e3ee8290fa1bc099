// Weights, ground-state dimensions, conjugates and the cells of the table
// "TensorSpectrum". Weights are summed from the factors each time (H factors subtracted);
// dimensions and conjugates are columns filled on first use after a change.
//
// A ground-state dimension sums over the whole chiral algebra U (tens of thousands of
// currents in a Gepner model), so the dimension column is fields x |U| work and cannot be
// less: every orbit member J x f is looked at. Each look is kept to a few table reads: the
// image of a factor label depends only on the factor's own current label, and a chiral
// algebra has few distinct labels per factor, so per field the images and their weights
// (numerators over one common denominator) are found once per (factor, current label) and
// the weight of J x f is a sum of n numbers. Every loop over fields obeys Ctrl-C.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <numeric>

#include "groups/Discrete.h"
#include "interpreter/Tables.h"
#include "numbers/LargeInteger.h"
#include "runtime/Error.h"
#include "runtime/Output.h"
#include "runtime/StringUtility.h"
#include "runtime/Terminal.h"
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

// The sum of ground-state dimensions of the orbit members being built.
struct DimensionSum {
  lint total;
  lint term;
  lint product;
  int nonAbelian = 0;
  DimensionSum() { lint_assign(&total, 0); }
  // Adds the member with factor labels g; false when a factor has no dimensions.
  bool add(TensorProduct* TP, const int* g) {
    lint_assign(&product, 1);
    for (int i = 0; i < TP->NumberOfFactors; ++i) {
      if (!factorDimension(factor(TP, i), g[i], &term)) return false;
      lint_multiply(&product, &term);
    }
    lint_add(&total, &product);
    if (CT_NonAbelian(TP, g) != 0) nonAbelian = 1;
    return true;
  }
  // The sum divided by |S| m of field f, as a stored large integer.
  int finish(TensorProduct* TP, int f, int* nonAbelianOut) {
    *nonAbelianOut = nonAbelian;
    const FPType* fp = TP->Stabilizers[static_cast<std::size_t>(f)];
    const int divisor = fp->group->order * fp->sqrtSU;
    if (divisor > 1) lint_intdivide(&total, divisor);
    return storePositiveLint(&total);
  }
};

// Ground-state dimension of field f: the dimensions of its orbit members of its own
// weight, divided by |S| m. Each member's weight through TensorRatWeight.
int tensorOrbitDimension(TensorProduct* TP, int f, int* nonAbelian) {
  const int n = TP->NumberOfFactors;
  const int* field = TP->Spectrum.row(f);
  Rat h;
  TensorRatWeight(TP, field, &h);
  DimensionSum sum;
  std::vector<int> g(static_cast<std::size_t>(n));
  for (int J = 0; J < TP->ChiralAlgebra.size(); ++J) {
    obeyInterruptRequest();
    tensorSimpleAction(TP, TP->ChiralAlgebra.row(J), field, g.data());
    Rat hg;
    TensorRatWeight(TP, g.data(), &hg);
    if (!sameRat(h, hg)) continue;
    if (!sum.add(TP, g.data())) {
      *nonAbelian = sum.nonAbelian;
      return kStoreNotComputed;
    }
  }
  return sum.finish(TP, f, nonAbelian);
}

// The same sums from tables made once per product (see the file comment), for a product
// without H factors (DimComputable). A weight is held as its numerator over the common
// denominator D, reduced modulo D when a label's weight is not exact: equal numbers are
// equal TensorRatWeight values, exactly.
class OrbitDimensions {
 public:
  // usable() is false where the tables do not apply (a factor without weights, a
  // denominator or numerator too large for 63-bit sums, a current label outside its
  // factor); tensorOrbitDimension then does the work.
  explicit OrbitDimensions(TensorProduct* TP)
      : TP_(TP), n_(static_cast<std::size_t>(TP->NumberOfFactors)) {
    const TensorRows& U = TP->ChiralAlgebra;
    rows_ = static_cast<std::size_t>(U.size());
    if (n_ < 1 || rows_ < 1 || U.rowLength() < TP->NumberOfFactors) return;
    std::int64_t D = 1;
    for (std::size_t i = 0; i < n_; ++i) {
      const SpectrumData* sd = factorOf(i);
      if (sd->weight_num == nullptr || sd->weight_den <= 0) return;
      const std::int64_t den = sd->weight_den;
      D = D / std::gcd(D, den) * den;
      if (D > kLargestDenominator) return;
    }
    D_ = D;
    const std::int64_t termLimit = kLargestNumerator / static_cast<std::int64_t>(n_ + 1);
    for (std::size_t i = 0; i < n_; ++i) {
      const SpectrumData* sd = factorOf(i);
      const std::int64_t scale = D / sd->weight_den;
      std::int64_t largest = 0;
      for (int a = 0; a < sd->n_primaries; ++a)
        largest = std::max<std::int64_t>(largest, std::llabs(sd->weight_num[a]));
      if (largest > termLimit / scale) return;
      scale_.push_back(scale);
    }
    columns_.assign(n_, std::vector<int>(rows_));
    std::vector<int> top(n_, -1);
    for (std::size_t J = 0; J < rows_; ++J) {
      const int* row = U.row(static_cast<int>(J));
      for (std::size_t i = 0; i < n_; ++i) {
        if (row[i] < 0 || row[i] >= factorOf(i)->n_primaries) return;
        top[i] = std::max(top[i], row[i]);
        columns_[i][J] = row[i];
      }
    }
    // Rows that together show every (factor, current label) of U: acting with them on a
    // field fills its tables.
    std::vector<std::vector<char>> seen(n_);
    for (std::size_t i = 0; i < n_; ++i) seen[i].assign(static_cast<std::size_t>(top[i]) + 1, 0);
    for (std::size_t J = 0; J < rows_; ++J) {
      bool fresh = false;
      for (std::size_t i = 0; i < n_; ++i) {
        char& mark = seen[i][static_cast<std::size_t>(columns_[i][J])];
        if (mark == 0) fresh = true;
        mark = 1;
      }
      if (fresh) coverRows_.push_back(static_cast<int>(J));
    }
    image_.resize(n_);
    weight_.resize(n_);
    inexact_.resize(n_);
    for (std::size_t i = 0; i < n_; ++i) {
      const std::size_t labels = static_cast<std::size_t>(top[i]) + 1;
      image_[i].assign(labels, -1);
      weight_[i].assign(labels, 0);
      inexact_[i].assign(labels, 0);
    }
    sums_.assign(rows_, 0);
    sumInexact_.assign(rows_, 0);
    usable_ = true;
  }

  bool usable() const { return usable_; }

  // The dimension of field f as tensorOrbitDimension gives it. The tables stand in for
  // TensorRatWeight where that adds the same integers (its fast path: the product's weights
  // exact and small enough, every label valid); elsewhere the field takes the old path.
  int dimension(int f, int* nonAbelian) {
    const int* field = TP_->Spectrum.row(f);
    Rat h;
    int exact = 0;
    if (!fastTensorRatWeight(TP_, field, &h, &exact) || !fillTables(field))
      return tensorOrbitDimension(TP_, f, nonAbelian);
    std::int64_t own = 0;
    bool ownInexact = false;
    for (std::size_t i = 0; i < n_; ++i) {
      const SpectrumData* sd = factorOf(i);
      own += sd->weight_num[field[i]] * scale_[i];
      ownInexact = ownInexact || sd->exact == nullptr || sd->exact[field[i]] == 0;
    }
    const std::int64_t target = ownInexact ? positiveModulo(own) : own;
    // The weight of every J x f, one factor at a time (the columns of U are read in order).
    std::fill(sums_.begin(), sums_.end(), 0);
    for (std::size_t i = 0; i < n_; ++i) {
      const std::int64_t* weight = weight_[i].data();
      const int* column = columns_[i].data();
      std::int64_t* sums = sums_.data();
      for (std::size_t J = 0; J < rows_; ++J) sums[J] += weight[column[J]];
    }
    if (anyInexact_) {
      std::fill(sumInexact_.begin(), sumInexact_.end(), 0);
      for (std::size_t i = 0; i < n_; ++i) {
        const char* inexact = inexact_[i].data();
        const int* column = columns_[i].data();
        for (std::size_t J = 0; J < rows_; ++J) sumInexact_[J] |= inexact[column[J]];
      }
    }
    DimensionSum sum;
    std::vector<int> g(n_);
    for (std::size_t J = 0; J < rows_; ++J) {
      const std::int64_t w = sums_[J];
      if ((anyInexact_ && sumInexact_[J] != 0 ? positiveModulo(w) : w) != target) continue;
      for (std::size_t i = 0; i < n_; ++i) {
        g[i] = image_[i][static_cast<std::size_t>(columns_[i][J])];
      }
      if (!sum.add(TP_, g.data())) {
        *nonAbelian = sum.nonAbelian;
        return kStoreNotComputed;
      }
    }
    return sum.finish(TP_, f, nonAbelian);
  }

 private:
  static constexpr std::int64_t kLargestDenominator = std::int64_t{1} << 40;
  static constexpr std::int64_t kLargestNumerator = std::int64_t{1} << 60;

  SpectrumData* factorOf(std::size_t i) const { return TP_->TensorFactors[i]; }

  std::int64_t positiveModulo(std::int64_t w) const {
    const std::int64_t r = w % D_;
    return r < 0 ? r + D_ : r;
  }

  // The images of field's labels under every current label of U, with their weights;
  // false when an image is no label of its factor.
  bool fillTables(const int* field) {
    const TensorRows& U = TP_->ChiralAlgebra;
    std::vector<int> out(n_);
    anyInexact_ = false;
    for (int J : coverRows_) {
      const int* row = U.row(J);
      tensorSimpleAction(TP_, row, field, out.data());
      for (std::size_t i = 0; i < n_; ++i) {
        const SpectrumData* sd = factorOf(i);
        const int b = out[i];
        if (b < 0 || b >= sd->n_primaries) return false;
        const std::size_t c = static_cast<std::size_t>(row[i]);
        image_[i][c] = b;
        weight_[i][c] = sd->weight_num[b] * scale_[i];
        const bool inexact = sd->exact == nullptr || sd->exact[b] == 0;
        inexact_[i][c] = inexact ? 1 : 0;
        anyInexact_ = anyInexact_ || inexact;
      }
    }
    return true;
  }

  TensorProduct* TP_;
  std::size_t n_;
  std::size_t rows_ = 0;
  bool usable_ = false;
  std::int64_t D_ = 1;
  std::vector<std::int64_t> scale_;
  std::vector<int> coverRows_;
  // Column i of U: the current label of factor i of every row.
  std::vector<std::vector<int>> columns_;
  // Per factor and current label: the image of the field's label, its weight numerator
  // over D, and 1 when that weight is not exact.
  std::vector<std::vector<int>> image_;
  std::vector<std::vector<std::int64_t>> weight_;
  std::vector<std::vector<char>> inexact_;
  bool anyInexact_ = false;
  // Per row J of U: the weight numerator of J x f and 1 when it is not exact.
  std::vector<std::int64_t> sums_;
  std::vector<char> sumInexact_;
};

}  // namespace

int CT_initDimensions(TensorProduct* TP) {
  if (TP->DimensionFlag == 1) return 1;
  if (DimComputable(TP) == 0) return 0;
  const int rows = TP->Spectrum.size();
  TP->TensorDimensions.assign(static_cast<std::size_t>(rows), kStoreNotComputed);
  TP->TensorDimensionInfo.assign(static_cast<std::size_t>(rows), 0);
  OrbitDimensions tables(TP);
  for (int f = 0; f < rows; ++f) {
    obeyInterruptRequest();
    int nonAbelian = 0;
    TP->TensorDimensions[static_cast<std::size_t>(f)] =
        tables.usable() ? tables.dimension(f, &nonAbelian) : tensorOrbitDimension(TP, f, &nonAbelian);
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
  for (int f = 0; f < rows; ++f) {
    obeyInterruptRequest();
    TP->Conjugates[static_cast<std::size_t>(f)] = getTensorConjugate(TP, f);
  }
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
