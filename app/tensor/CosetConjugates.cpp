// Conjugates of tensor fields that the factor labels do not determine (resolved fixed
// points): the conjugate of a is the field whose S row is the complex conjugate of a's.
// Also the "Decomposition" table: the unextended tensor fields that make up a field of the
// extended theory, one per coset of its stabiliser in the chiral algebra.
#include <algorithm>
#include <cstddef>
#include <string>
#include <vector>

#include "groups/Discrete.h"
#include "interpreter/Tables.h"
#include "numbers/LargeInteger.h"
#include "numbers/MathUtility.h"
#include "runtime/Error.h"
#include "runtime/Output.h"
#include "store/Storemanager.h"
#include "store/StoremanagerQueries.h"
#include "tensor/CosetInternal.h"

namespace {

// The fields whose factor labels lie on the orbit of the factor-wise conjugate of field a:
// the conjugate must be one of them, so they are tried first (a handful of rows instead of
// all of them). Empty when a factor has no conjugate table yet.
std::vector<int> labelConjugateCandidates(TensorProduct* TP, int a, bool* wholeOrbit) {
  *wholeOrbit = false;
  const int n = TP->NumberOfFactors;
  const int* field = TP->Spectrum.row(a);
  std::vector<int> conj(static_cast<std::size_t>(n) + 1);
  for (int k = 0; k < n; ++k) {
    const SpectrumData* sd = TP->TensorFactors[static_cast<std::size_t>(k)];
    if (sd == nullptr || sd->conjugates == nullptr) return {};
    conj[static_cast<std::size_t>(k)] = sd->conjugates[field[k]];
    if (conj[static_cast<std::size_t>(k)] < 0) return {};
  }
  std::vector<int> candidates;
  std::vector<int> image(static_cast<std::size_t>(n) + 1);
  const int labels = std::max(UntwistedStabilizerOrder(TP, a), 1);
  // The fields are the orbits' representatives, so the orbit of the conjugate labels
  // holds one row of labels of the spectrum: its fields are that row with each label of
  // its untwisted stabiliser. (Which candidates come first does not change the answer:
  // at most one row of the unitary S matches.)
  conj[static_cast<std::size_t>(n)] = 0;
  const int representative = fastFindOrbit(TP, conj.data());
  if (representative >= 0) {
    std::vector<int> row(TP->Spectrum.row(representative), TP->Spectrum.row(representative) + n + 1);
    const FPType* fp = TP->Stabilizers[static_cast<std::size_t>(representative)];
    for (int u = 0; u < fp->group->order; ++u) {
      row[static_cast<std::size_t>(n)] = fp->U[u];
      const int b = TP->Spectrum.find(row.data());
      if (b >= 0 && std::find(candidates.begin(), candidates.end(), b) == candidates.end()) candidates.push_back(b);
    }
    std::sort(candidates.begin(), candidates.end());
    *wholeOrbit = true;
    return candidates;
  }
  for (int J = 0; J < TP->ChiralAlgebra.size(); ++J) {
    tensorSimpleAction(TP, TP->ChiralAlgebra.row(J), conj.data(), image.data());
    for (int t = 0; t < labels; ++t) {
      image[static_cast<std::size_t>(n)] = t;
      const int b = TP->Spectrum.find(image.data());
      if (b >= 0 && std::find(candidates.begin(), candidates.end(), b) == candidates.end())
        candidates.push_back(b);
    }
  }
  std::sort(candidates.begin(), candidates.end());
  return candidates;
}

// The fields with a non-trivial untwisted stabiliser, kept per spectrum: only in these
// columns can the S rows of two fields that differ in their resolution label alone
// differ, since elsewhere the common stabiliser is the identity, whose term ignores the
// labels.
const std::vector<int>& resolvedColumns(TensorProduct* TP) {
  CosetState& s = cosetState();
  if (s.resolvedFor != TP || s.resolvedVersion != TP->Spectrum.version()) {
    s.resolvedColumns.clear();
    for (int k = 0; k < TP->Spectrum.size(); ++k)
      if (UntwistedStabilizerOrder(TP, k) >= 2) s.resolvedColumns.push_back(k);
    s.resolvedFor = TP;
    s.resolvedVersion = TP->Spectrum.version();
  }
  return s.resolvedColumns;
}

// The conjugate of a among the fields of the orbit of its conjugate labels (which holds
// it): the one whose S row is the conjugate of a's on the resolved columns, the others
// agreeing with it elsewhere. -1 when that singles out none or several.
int conjugateInOrbit(TensorProduct* TP, int a, const std::vector<int>& candidates) {
  const std::vector<int>& columns = resolvedColumns(TP);
  std::vector<double> re(columns.size()), im(columns.size());
  CosetSRow rowOfA(TP, a);
  for (std::size_t c = 0; c < columns.size(); ++c) {
    double x = 0.0, y = 0.0;
    rowOfA.element(columns[c], &x, &y);
    re[c] = x;
    im[c] = -y;
  }
  int found = -1;
  for (int b : candidates) {
    CosetSRow rowOfB(TP, b);
    bool matches = true;
    for (std::size_t c = 0; c < columns.size() && matches; ++c) {
      double x = 0.0, y = 0.0;
      rowOfB.element(columns[c], &x, &y);
      matches = ZeroCheck(x - re[c]) != 0 && ZeroCheck(y - im[c]) != 0;
    }
    if (!matches) continue;
    if (found >= 0) return -1;
    found = b;
  }
  return found;
}

}  // namespace

int getGenericTensorConjugate(TensorProduct* TP, int a) {
  const int n = TP->Spectrum.size();
  if (a < 0 || a >= n) {
    Alert("getGenericTensorConjugate", 0, 212404, "No conjugate found");
    return -1;
  }
  // The S row of the conjugate is the complex conjugate of a's; a real row means a is its
  // own conjugate. Rows of a unitary S are independent, so at most one field matches,
  // and it lies in the orbit of a's conjugate labels: told apart there first.
  bool wholeOrbit = false;
  const std::vector<int> candidates = labelConjugateCandidates(TP, a, &wholeOrbit);
  if (wholeOrbit) {
    const int b = conjugateInOrbit(TP, a, candidates);
    if (b >= 0) return b;
  }
  std::vector<double> re(static_cast<std::size_t>(n)), im(static_cast<std::size_t>(n));
  bool real = true;
  CosetSRow rowOfA(TP, a);
  for (int k = 0; k < n; ++k) {
    double x = 0.0, y = 0.0;
    rowOfA.element(k, &x, &y);
    re[static_cast<std::size_t>(k)] = x;
    im[static_cast<std::size_t>(k)] = -y;
    if (!ZeroCheck(y)) real = false;
  }
  // A real row: the field is its own conjugate.
  if (real) return a;
  auto rowMatches = [&](int b) {
    CosetSRow rowOfB(TP, b);
    for (int k = 0; k < n; ++k) {
      double x = 0.0, y = 0.0;
      rowOfB.element(k, &x, &y);
      if (ZeroCheck(x - re[static_cast<std::size_t>(k)]) == 0 ||
          ZeroCheck(y - im[static_cast<std::size_t>(k)]) == 0)
        return false;
    }
    return true;
  };
  // The likely ones first, then all in field order.
  for (int b : candidates)
    if (rowMatches(b)) return b;
  for (int b = 0; b < n; ++b)
    if (rowMatches(b)) return b;
  Alert("getGenericTensorConjugate", 0, 212404, "No conjugate found");
  return -1;
}

// ---------------------------------------------------------------------------------------
// The decomposition table

namespace {

// What the cells of one print of "Decomposition" read.
struct DecompositionDescription {
  TensorProduct* TP = nullptr;
  int field = 0;
  int groundState = 0;
  std::vector<int> representatives;
  std::vector<DecompFormatter> functions;
  Rat firstWeight;
};

const DecompositionDescription* descriptionOf(const void* item, int row) {
  const auto* d = static_cast<const DecompositionDescription*>(item);
  if (d == nullptr || d->TP == nullptr || row < 0 || row >= static_cast<int>(d->representatives.size()))
    return nullptr;
  return d;
}

// The unextended labels of row r: the field acted on by the r-th coset representative.
const int* rowLabels(const DecompositionDescription* d, int row) {
  return getStoredOrbitMember(d->TP, d->representatives[static_cast<std::size_t>(row)], d->field);
}

}  // namespace

bool CT_getDecompVectorString(std::string& cell, const void* item, int row) {
  const DecompositionDescription* d = descriptionOf(item, row);
  if (d == nullptr) return true;
  const int* member = rowLabels(d, row);
  const std::vector<int> labels(member, member + d->TP->NumberOfFactors);
  std::string text(1, '(');
  for (int k = 0; k < d->TP->NumberOfFactors; ++k) {
    if (k > 0) text.push_back(',');
    std::string part;
    const DecompFormatter f = d->functions[static_cast<std::size_t>(k)];
    if (f != nullptr) f(part, d->TP->TensorFactors[static_cast<std::size_t>(k)], labels[static_cast<std::size_t>(k)]);
    text += part;
  }
  text.push_back(')');
  cell = text;
  return true;
}

bool CT_getDecompWeightString(std::string& cell, const void* item, int row) {
  const DecompositionDescription* d = descriptionOf(item, row);
  if (d == nullptr) return true;
  Rat h;
  TensorRatWeight(d->TP, rowLabels(d, row), &h);
  // In ground-state mode only the terms of the field's own weight are ground states.
  if (d->groundState != 0 && h.num * d->firstWeight.den != d->firstWeight.num * h.den) return true;
  cell = ratString(&h);
  return true;
}

bool CT_getDecompDimString(std::string& cell, const void* item, int row) {
  const DecompositionDescription* d = descriptionOf(item, row);
  if (d == nullptr) return true;
  const int* labels = rowLabels(d, row);
  lint product;
  lint term;
  lint_assign(&product, 1);
  for (int k = 0; k < d->TP->NumberOfFactors; ++k) {
    if (!factorDimension(d->TP->TensorFactors[static_cast<std::size_t>(k)], labels[k], &term)) return true;
    lint_multiply(&product, &term);
  }
  cell = lint_string(&product);
  return true;
}

namespace {

int decompDimensionsAvailable(const void* item) {
  const auto* d = static_cast<const DecompositionDescription*>(item);
  return d != nullptr && d->TP != nullptr && DimComputable(d->TP) != 0 ? 1 : 0;
}

}  // namespace

int browseDecomp(TensorProduct* TP, int i, int mode, const std::vector<DecompFormatter>& formatters) {
  if (i < 0 || i >= static_cast<int>(TP->Stabilizers.size())) {
    Alert("browseDecomp", 0, 100301, "Field %d does not exist", i);
    return 1;
  }
  // Ground states of a coset would need the branching of the H factors.
  if (mode == 1 && TP->CosetFlag != 0) {
    Alert("browseDecomp", 1, 112311, "Ground state construction for cosets is not built in");
    return 1;
  }
  const FPType* fp = TP->Stabilizers[static_cast<std::size_t>(i)];
  DecompositionDescription d;
  d.TP = TP;
  d.field = i;
  d.groundState = mode;
  d.functions = formatters;
  d.functions.resize(static_cast<std::size_t>(TP->NumberOfFactors), nullptr);
  const int order = TP->ChiralAlgebra.size();
  std::vector<int> all(static_cast<std::size_t>(order));
  for (int k = 0; k < order; ++k) all[static_cast<std::size_t>(k)] = k;
  bool failed = false;
  d.representatives = DG_coset_elements(all.data(), fp->S, order, fp->nS, TP, chiralProduct, &failed);
  if (failed || d.representatives.empty()) return 1;
  TensorRatWeight(TP, getStoredOrbitMember(TP, d.representatives[0], i), &d.firstWeight);
  if (fp->sqrtSU != 1) Print("Multiplicity: %d\n", fp->sqrtSU);
  setColumnRoutines("Decomposition", "Labels", CT_getDecompVectorString, nullptr);
  setColumnRoutines("Decomposition", "Weights", CT_getDecompWeightString, nullptr);
  setColumnRoutines("Decomposition", "Dimensions", CT_getDecompDimString, decompDimensionsAvailable);
  getStoredOrbitMember(TP, -1, 0);
  printTable("Decomposition", 0, static_cast<int>(d.representatives.size()), 1, 0, &d, nullptr);
  getStoredOrbitMember(TP, -1, 0);
  return 0;
}

// ---------------------------------------------------------------------------------------
// The conjugate column and the accessors of the string layer

int CT_ConjugatesAvailable(TensorProduct* TP) {
  for (int k = 0; k < TP->NumberOfFactors; ++k)
    if (SM_ConjugatesAvailable(TP->TensorFactors[static_cast<std::size_t>(k)]) == 0) return 0;
  return 1;
}

bool CT_getConjString(std::string& cell, TensorProduct* TP, int i) {
  if (i < 0 || i >= TP->Spectrum.size()) return true;
  const int c = CT_getConjugate(TP, i);
  // -2: the S-row method is switched off and the labels do not decide.
  cell = c == -2 ? std::string("undetermined") : std::to_string(c);
  return true;
}

// The superstring block and the four ground-state content entries per field belong to the
// light-cone reading of the theory (the string layer): until it installs its reading there
// is no block to hand out, and contents are reported as not available. The block itself
// stays with the string layer; the tensor layer only asks for contents.
const TensorStringData* getTensorStringData(TensorProduct*) {
  return nullptr;
}

const int* getCosetRepInfo(TensorProduct* TP, int i) {
  if (i < 0 || i >= TP->Spectrum.size()) return nullptr;
  const StringSeamHooks* hooks = stringSeamHooks();
  if (hooks != nullptr) return hooks->repInfo(TP, i);
  Alert("getCosetRepInfo", 0, 100201, "Ground-state contents of tensor fields: not available yet");
  return nullptr;
}

// Without a superstring block the number of meaningful content entries is below 2, and
// then every field counts as trivial.
int CT_isTrivial(TensorProduct* TP, int i) {
  const StringSeamHooks* hooks = stringSeamHooks();
  return hooks != nullptr ? hooks->isTrivial(TP, i) : 1;
}
