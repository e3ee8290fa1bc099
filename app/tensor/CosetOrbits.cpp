// Simple currents acting on label rows of a tensor product: the factor-by-factor action,
// monodromy charges and twists summed over the factors (H factors with the opposite
// sign), orbit representatives under the chiral algebra, the field index of a row, and
// the simple-current action and product on fields of the extended theory.
#include <algorithm>
#include <cmath>
#include <numeric>

#include "groups/Discrete.h"
#include "runtime/Error.h"
#include "runtime/Output.h"
#include "store/Storemanager.h"
#include "store/StoremanagerQueries.h"
#include "tensor/CosetInternal.h"

namespace {

void cosetSAccessor(void* ctx, int a, int b, double* re, double* im) {
  getCosetS(static_cast<TensorProduct*>(ctx), a, b, re, im);
}

// a (mod 1) into [0, 1), simplified.
void reduceModOne(Rat* q) {
  simplifyRat(q);
  if (q->den < 0) {
    q->den = -q->den;
    q->num = -q->num;
  }
  q->num %= q->den;
  if (q->num < 0) q->num += q->den;
  simplifyRat(q);
  if (q->num == 0) q->den = 1;
}

SpectrumData* factor(TensorProduct* TP, int i) {
  return TP->TensorFactors[static_cast<std::size_t>(i)];
}

bool isH(const TensorProduct* TP, int i) {
  return TP->GH[static_cast<std::size_t>(i)] != 0;
}

int lexicographic(const int* a, const int* b, int n) {
  for (int i = 0; i < n; ++i) {
    if (a[i] < b[i]) return -1;
    if (a[i] > b[i]) return 1;
  }
  return 0;
}

// The element u's position among the canonical elements of a stabiliser's group.
int canonicalPosition(const FPType* fp, int element) {
  const int order = fp->group->order;
  for (int e = 0; e < order; ++e) {
    if (fp->map[e] == element) return e;
  }
  return -1;
}

// The character of G whose value at every g is chi_a(g) + t(g)/4; -1 after an alert.
int CharacterTimesTwist(DGType* G, int a, const std::vector<int>& twists) {
  const int order = G->order;
  std::vector<int> num(static_cast<std::size_t>(order));
  std::vector<int> den(static_cast<std::size_t>(order));
  for (int g = 0; g < order; ++g) {
    Rat chi;
    DG_character(G, a, g, &chi);
    Rat value{4 * chi.num + chi.den * twists[static_cast<std::size_t>(g)], 4 * chi.den};
    reduceModOne(&value);
    num[static_cast<std::size_t>(g)] = static_cast<int>(value.num);
    den[static_cast<std::size_t>(g)] = static_cast<int>(value.den);
  }
  const int found = DG_findCharacter(G, num.data(), den.data());
  if (found < 0) Alert("CharacterTimesTwist", 0, 212404, "Character not found");
  return found;
}

}  // namespace

void tensorSimpleAction(TensorProduct* TP, const int* J, const int* a, int* out) {
  if (out == nullptr) return;
  flatSimpleAction(TP, J, a, out);
}

void TensorRatCharge(TensorProduct* TP, const int* J, const int* a, Rat* q) {
  Rat sum{0, 1};
  for (int i = 0; i < TP->NumberOfFactors; ++i) {
    Rat term;
    SM_getRatCharge(factor(TP, i), J[i], a[i], &term);
    Rat next;
    if (isH(TP, i)) {
      subtractRat(&sum, &term, &next);
    } else {
      addRat(&sum, &term, &next);
    }
    sum = next;
    reduceModOne(&sum);
  }
  *q = sum;
}

int IntegerTensorRatCharge(TensorProduct* TP, const int* a, const int* b, int N) {
  long long total = 0;
  for (int i = 0; i < TP->NumberOfFactors; ++i)
    total += SM_getIntegerRatCharge(factor(TP, i), b[i], a[i], N);
  return mod(total, N);
}

int cosetTwist(TensorProduct* TP, const int* a, const int* J, const int* K) {
  int total = 0;
  for (int i = 0; i < TP->NumberOfFactors; ++i) {
    // K fixes a (it is taken from a stabiliser); J need not fix a[i], so it is the current
    // the twist is measured under, K[i] the fixed-point current.
    const int t = flatCurrentTwist(TP, i, a[i], J[i], K[i]);
    total += isH(TP, i) ? 4 - t : t;
  }
  return total % 4;
}

int chiralProduct(int i, int j, void* ctx) {
  TensorProduct* TP = static_cast<TensorProduct*>(ctx);
  std::vector<int> out(static_cast<std::size_t>(TP->NumberOfFactors));
  tensorSimpleAction(TP, TP->ChiralAlgebra.row(i), TP->ChiralAlgebra.row(j), out.data());
  return TP->ChiralAlgebra.find(out.data());
}

int chiralAlgebraProduct(TensorProduct* TP, int a, int b) {
  const int k = chiralProduct(a, b, TP);
  if (k < 0) Alert("chiralAlgebraProduct", 0, 212404, "Chiral algebra element not found");
  return k;
}

int findChiralAlgebraElement(TensorProduct* TP, const int* row) {
  const int k = TP->ChiralAlgebra.find(row);
  if (k < 0) Alert("findChiralAlgebraElement", 0, 212404, "Chiral algebra element not found");
  return k;
}

int TensorOrbitLength(TensorProduct* TP, const int* current) {
  long long order = 1;
  for (int i = 0; i < TP->NumberOfFactors; ++i)
    order = SCM(order, factorCurrentOrder(factor(TP, i), current[i]));
  return static_cast<int>(order);
}

std::vector<int> tensorPower(TensorProduct* TP, const int* J, int p) {
  const int n = TP->NumberOfFactors;
  std::vector<int> out(static_cast<std::size_t>(n), 0);
  if (p == 0) return out;
  for (int i = 0; i < n; ++i) out[static_cast<std::size_t>(i)] = p == 1 ? J[i] : SM_SimpleCurrentPower(factor(TP, i), J[i], p);
  return out;
}

void GradedMinimalForm(TensorProduct* TP, int* labels) {
  if (settingOn(cosetState().graded) == 0) return;
  if (fastGradedMinimalForm(TP, labels)) return;
  int changed = 0;
  int smallest = -1;
  double smallestDistance = 0.0;
  for (int i = 0; i < TP->NumberOfFactors; ++i) {
    SpectrumData* sd = factor(TP, i);
    if (!factorGraded(sd)) continue;
    const int a = labels[i];
    const int b = gradeFlip(sd, a);
    Rat wa;
    Rat wb;
    factorRatWeight(sd, a, &wa);
    factorRatWeight(sd, b, &wb);
    const double da = static_cast<double>(wa.num) / static_cast<double>(wa.den);
    const double db = static_cast<double>(wb.num) / static_cast<double>(wb.den);
    const double distance = std::fabs(db - da);
    if (smallest < 0 || distance < smallestDistance) {
      smallest = i;
      smallestDistance = distance;
    }
    const long long lhs = wb.num * wa.den;
    const long long rhs = wa.num * wb.den;
    if (lhs < rhs || (lhs == rhs && b < a)) {
      labels[i] = b;
      ++changed;
    }
  }
  if (changed % 2 == 1 && smallest >= 0) labels[smallest] = gradeFlip(factor(TP, smallest), labels[smallest]);
}

int compareOrbitGenerators(TensorProduct* TP, const int* a, const int* b) {
  const int fast = fastCompareOrbitGenerators(TP, a, b);
  if (fast != kNoFastAnswer) return fast;
  if (TP->ExactWeightFlag == 1) {
    const double wa = tensorWeight(TP, a);
    const double wb = tensorWeight(TP, b);
    if (std::fabs(wa - wb) > 0.1) return wa < wb ? -1 : 1;
  }
  return lexicographic(a, b, TP->NumberOfFactors);
}

std::vector<int> getRepresentative(TensorProduct* TP, const int* labels) {
  std::vector<int> best;
  representativeInto(TP, labels, best);
  return best;
}

void representativeInto(TensorProduct* TP, const int* labels, std::vector<int>& out) {
  const int n = TP->NumberOfFactors;
  if (fastRepresentative(TP, labels, out)) return;
  const bool graded = settingOn(cosetState().graded) != 0;
  std::vector<int> start(labels, labels + n);
  if (graded) GradedMinimalForm(TP, start.data());
  std::vector<int> best = start;
  std::vector<int> image(static_cast<std::size_t>(n));
  const int rows = graded ? TP->ChiralAlgebraOrder : TP->ChiralAlgebra.size();
  for (int J = 0; J < rows; ++J) {
    tensorSimpleAction(TP, TP->ChiralAlgebra.row(J), start.data(), image.data());
    if (graded) GradedMinimalForm(TP, image.data());
    if (compareOrbitGenerators(TP, image.data(), best.data()) < 0) best = image;
  }
  out = std::move(best);
}

int findOrbit(TensorProduct* TP, const int* row, int* K) {
  const int n = TP->NumberOfFactors;
  const int fast = fastFindOrbit(TP, row);
  if (fast >= 0 && K == nullptr) return fast;
  std::vector<int> candidate;
  std::vector<int> image(static_cast<std::size_t>(n) + 1);
  bool present = false;
  if (fast >= 0) {
    candidate.assign(TP->Spectrum.row(fast), TP->Spectrum.row(fast) + n + 1);
    present = true;
  }
  for (int J = 0; J < TP->ChiralAlgebraOrder && !present; ++J) {
    tensorSimpleAction(TP, TP->ChiralAlgebra.row(J), row, image.data());
    image[static_cast<std::size_t>(n)] = row[n];
    GradedMinimalForm(TP, image.data());
    if (candidate.empty() || compareOrbitGenerators(TP, image.data(), candidate.data()) <= 0) {
      candidate = image;
      if (TP->Spectrum.find(candidate.data()) >= 0) {
        present = true;
        break;
      }
    }
  }
  if (candidate.empty()) candidate.assign(row, row + n + 1);
  const int field = TP->Spectrum.find(candidate.data());
  if (!present && field < 0) {
    PrintVec(n + 1, row, "in  --> ");
    PrintVec(n + 1, candidate.data(), "out --> ");
    Alert("findOrbit", 0, 212404, "Minimal orbit not present");
    return -1;
  }
  if (K != nullptr) {
    *K = -1;
    for (int J = 0; J < TP->ChiralAlgebra.size(); ++J) {
      tensorSimpleAction(TP, TP->ChiralAlgebra.row(J), row, image.data());
      image[static_cast<std::size_t>(n)] = row[n];
      if (std::equal(image.begin(), image.end(), candidate.begin())) {
        *K = J;
        break;
      }
    }
    if (*K < 0) {
      Alert("findOrbit", 1, 212404, "Orbit not found");
      return -1;
    }
  }
  return field;
}

int IdentifyOrbit(TensorProduct* TP, const int* labels) {
  const int n = TP->NumberOfFactors;
  std::vector<int> row = withLabel(labels, n, 0);
  for (int J = 0; J < TP->ChiralAlgebra.size(); ++J) {
    Rat q;
    TensorRatCharge(TP, TP->ChiralAlgebra.row(J), labels, &q);
    if (q.num != 0) return -1;
  }
  return findOrbit(TP, row.data(), nullptr);
}

int getUntwistedStabilizerRepresentative(TensorProduct* TP, int* out, int a, const int* J) {
  const int n = TP->NumberOfFactors;
  const int* field = TP->Spectrum.row(a);
  std::vector<int> KJ(static_cast<std::size_t>(n));
  bool found = false;
  for (int K = 0; K < TP->ChiralAlgebra.size() && !found; ++K) {
    tensorSimpleAction(TP, TP->ChiralAlgebra.row(K), J, KJ.data());
    found = true;
    for (int i = 0; i < n && found; ++i)
      found = SM_SimpleAction(TP->TensorFactors[static_cast<std::size_t>(i)], KJ[static_cast<std::size_t>(i)], field[i]) == field[i];
  }
  if (found) {
    const FPType* fp = TP->Stabilizers[static_cast<std::size_t>(a)];
    std::vector<int> candidate(static_cast<std::size_t>(n));
    for (int s = 0; s < fp->nS; ++s) {
      tensorSimpleAction(TP, TP->ChiralAlgebra.row(fp->S[s]), KJ.data(), candidate.data());
      bool untwisted = true;
      for (int t = 0; t < fp->nS && untwisted; ++t)
        untwisted = cosetTwist(TP, field, candidate.data(), TP->ChiralAlgebra.row(fp->S[t])) == 0;
      if (untwisted) {
        std::copy(candidate.begin(), candidate.end(), out);
        return 1;
      }
    }
  }
  Alert("getUntwistedStabilizerRepresentative", 0, 212404, "No untwisted stabilizer representative found");
  return 0;
}

int CT_getCurrentTwist(TensorProduct* TP, int a, int K, int J) {
  const int n = TP->NumberOfFactors;
  if (a < 0 || a >= TP->Spectrum.size() || K < 0 || J < 0 || K >= TP->Spectrum.size() ||
      J >= TP->Spectrum.size())
    return -1;
  std::vector<int> rK(static_cast<std::size_t>(n));
  std::vector<int> rJ(static_cast<std::size_t>(n));
  if (getUntwistedStabilizerRepresentative(TP, rJ.data(), a, TP->Spectrum.row(J)) == 0) return -1;
  if (K == J) {
    rK = rJ;
  } else if (getUntwistedStabilizerRepresentative(TP, rK.data(), a, TP->Spectrum.row(K)) == 0) {
    return -1;
  }
  // J is the fixed-point current, K the current the twist is measured under.
  return cosetTwist(TP, TP->Spectrum.row(a), rK.data(), rJ.data());
}

int TensorFixedPointLabels(TensorProduct* TP, const int* J, int* out) {
  const int n = TP->NumberOfFactors;
  std::vector<int> KJ(static_cast<std::size_t>(n));
  std::vector<int> labels(static_cast<std::size_t>(n));
  for (int K = 0; K < TP->ChiralAlgebra.size(); ++K) {
    tensorSimpleAction(TP, TP->ChiralAlgebra.row(K), J, KJ.data());
    bool all = true;
    for (int i = 0; i < n && all; ++i) {
      labels[static_cast<std::size_t>(i)] = SM_getFCFTlbl(factor(TP, i), KJ[static_cast<std::size_t>(i)]);
      all = labels[static_cast<std::size_t>(i)] >= 0;
    }
    if (all) {
      if (out != nullptr) std::copy(labels.begin(), labels.end(), out);
      return K;
    }
  }
  return -1;
}

int CT_simpleCurrentProduct(int i, int j, TensorProduct* TP) {
  if (i < 0 || j < 0) return -1;
  if (i >= TP->NumberOfSimpleCurrents || j >= TP->NumberOfSimpleCurrents) {
    // Currents beyond the ones the spectrum passes found were found from rows of the
    // coset S matrix: their fields multiply by the S-matrix rule.
    const std::vector<int>& map = TP->SimpleCurrentMap;
    const std::size_t fields = static_cast<std::size_t>(TP->Spectrum.size());
    const std::size_t count = map.size() > fields ? map.size() - fields : 0;
    if (static_cast<std::size_t>(i) >= count || static_cast<std::size_t>(j) >= count) {
      Alert("CT_simpleCurrentProduct", 0, 100302, "Current %d is not known", std::max(i, j));
      return -1;
    }
    const int product = GenericSimpleAction(TP, TP->Spectrum.size(), map[fields + static_cast<std::size_t>(i)],
                                            map[fields + static_cast<std::size_t>(j)], cosetSAccessor);
    return product >= 0 && static_cast<std::size_t>(product) < fields ? map[static_cast<std::size_t>(product)] : -1;
  }
  const int n = TP->NumberOfFactors;
  std::vector<int> row(static_cast<std::size_t>(n) + 1);
  tensorSimpleAction(TP, TP->Spectrum.row(i), TP->Spectrum.row(j), row.data());
  row[static_cast<std::size_t>(n)] = TP->Spectrum.row(j)[n];
  return findOrbit(TP, row.data(), nullptr);
}

int CT_simpleCurrentAction(int J, int a, TensorProduct* TP) {
  if (TP->ChiralAlgebra.size() == 0) {
    Alert("CT_simpleCurrentAction", 0, 212404, "Chiral Algebra is NULL");
    return -1;
  }
  if (J < 0 || a < 0 || a >= TP->Spectrum.size()) return -1;
  if (J >= TP->NumberOfSimpleCurrents) {
    if (J >= TP->Spectrum.size()) return -1;
    return GenericSimpleAction(TP, TP->Spectrum.size(), J, a, cosetSAccessor);
  }
  if (a < TP->NumberOfSimpleCurrents) return CT_simpleCurrentProduct(J, a, TP);
  const int n = TP->NumberOfFactors;
  const int* field = TP->Spectrum.row(a);
  ShortRow image(static_cast<std::size_t>(n) + 1);
  tensorSimpleAction(TP, TP->Spectrum.row(J), field, image.data());
  image.data()[n] = field[n];
  const FPType* fp = TP->Stabilizers[static_cast<std::size_t>(a)];
  if (fp->group->order == 1) return findOrbit(TP, image.data(), nullptr);
  int K = -1;
  const int b = findOrbit(TP, image.data(), &K);
  if (b < 0) return -1;
  // Twists of K x J with every element of U decide the resolution label of the image.
  std::vector<int> KJ(static_cast<std::size_t>(n));
  tensorSimpleAction(TP, TP->ChiralAlgebra.row(K), TP->Spectrum.row(J), KJ.data());
  const int order = fp->group->order;
  std::vector<int> twists(static_cast<std::size_t>(order));
  bool allZero = true;
  for (int e = 0; e < order; ++e) {
    twists[static_cast<std::size_t>(e)] = cosetTwist(TP, field, KJ.data(), TP->ChiralAlgebra.row(fp->map[e]));
    if (twists[static_cast<std::size_t>(e)] != 0) allZero = false;
  }
  if (allZero) return b;
  const int position = canonicalPosition(fp, field[n]);
  if (position < 0) {
    Alert("CT_simpleCurrentAction", 2, 212404, "Label not found");
    return -1;
  }
  const int character = CharacterTimesTwist(fp->group, position, twists);
  if (character < 0) return -1;
  std::vector<int> resolved(TP->Spectrum.row(b), TP->Spectrum.row(b) + n + 1);
  resolved[static_cast<std::size_t>(n)] = fp->map[character];
  return TP->Spectrum.find(resolved.data());
}

// ---------------------------------------------------------------------------------------
// Cache of single orbit members (the "Decomposition" table reads them row by row).

void resetStoredOrbitMember() {
  CosetState& s = cosetState();
  s.storedJ = -1;
  s.storedField = -1;
  s.storedMember.clear();
}

const int* getStoredOrbitMember(TensorProduct* TP, int J, int f) {
  CosetState& s = cosetState();
  if (J < 0) {
    resetStoredOrbitMember();
    return nullptr;
  }
  if (J != s.storedJ || f != s.storedField) {
    const int n = TP->NumberOfFactors;
    s.storedMember.assign(static_cast<std::size_t>(n) + 1, 0);
    tensorSimpleAction(TP, TP->ChiralAlgebra.row(J), TP->Spectrum.row(f), s.storedMember.data());
    s.storedMember[static_cast<std::size_t>(n)] = TP->Spectrum.row(f)[n];
    s.storedJ = J;
    s.storedField = f;
  }
  return s.storedMember.data();
}
