// Common-denominator weights and the massless states of the heterotic set-up. Every
// conformal weight of a factor field is held as an integer numerator over one common
// denominator D (weight 1 is D), left and right; the left table may be changed by a lift.
// The light field combinations are enumerated with the nested-loop engine over per-factor
// candidate lists ordered by weight, each level cut at the first field that would push the
// total above weight 1. A factor may have millions of fields (an N=2 minimal model of level
// k has 2 (k + 1)(k + 2)): the lists are sorted, not selected, and every loop over a
// factor's fields obeys Ctrl-C (the enumerations through the nested-loop engine).
#include <algorithm>
#include <string>

#include "groups/Discrete.h"
#include "heterotic/HeteroticInternal.h"
#include "interpreter/Loops.h"
#include "numbers/MathUtility.h"
#include "runtime/Error.h"
#include "runtime/Output.h"
#include "runtime/SystemUtility.h"
#include "runtime/Terminal.h"
#include "store/Storemanager.h"
#include "store/StoremanagerQueries.h"
#include "tensor/Coset.h"

namespace {

int weightDenominator(const SpectrumData* sd) {
  return sd->weight_den > 0 ? sd->weight_den : 1;
}

// The loop context: candidate lists per level and which weight table they are read in.
struct MasslessLoop {
  TensorProduct* tensor = nullptr;
  std::vector<std::vector<int>> lists;
  const std::vector<std::vector<int>>* weights = nullptr;
  int mode = 0;
  int fault = 0;
};

int weightOf(const MasslessLoop& loop, int f, int a) {
  return (*loop.weights)[static_cast<std::size_t>(f)][static_cast<std::size_t>(a)];
}

// Labels and total weight of a loop position vector.
int labelsOf(const MasslessLoop& loop, int n, const int* x, std::vector<int>& labels) {
  labels.resize(static_cast<std::size_t>(n));
  int W = 0;
  for (int f = 0; f < n; ++f) {
    const int a = loop.lists[static_cast<std::size_t>(f)][static_cast<std::size_t>(x[f])];
    labels[static_cast<std::size_t>(f)] = a;
    W += weightOf(loop, f, a);
  }
  return W;
}

void orderWeights(std::vector<int>& list, const std::vector<int>& weights) {
  orderByWeight(list, weights, heteroticState().commonDenominator);
}

void primaryBound(int, int level, const int* x, const int*, const int*, int* curLo, int* curHi,
                  void* ctx) {
  const MasslessLoop& loop = *static_cast<const MasslessLoop*>(ctx);
  const int D = heteroticState().commonDenominator;
  const std::vector<int>& list = loop.lists[static_cast<std::size_t>(level)];
  if (list.empty()) return;
  int S = 0;
  for (int k = 0; k < level; ++k)
    S += weightOf(loop, k, loop.lists[static_cast<std::size_t>(k)][static_cast<std::size_t>(x[k])]);
  *curLo = 0;
  for (std::size_t pos = 0; pos < list.size(); ++pos) {
    if (weightOf(loop, level, list[pos]) + S > D) {
      *curHi = pos == 0 ? 0 : static_cast<int>(pos) - 1;
      return;
    }
  }
  *curHi = static_cast<int>(list.size()) - 1;
}

int rightMasslessCheck(int n, int* x, void* ctx) {
  MasslessLoop& loop = *static_cast<MasslessLoop*>(ctx);
  HeteroticState& s = heteroticState();
  std::vector<int> labels;
  const int W = labelsOf(loop, n, x, labels);
  if (W != 0 && W != s.commonDenominator) return 0;
  TensorProduct* tensor = loop.tensor;
  for (int r = 0; r < tensor->Currents.size(); ++r)
    if (!integerCharge(tensor, tensor->Currents.row(r), labels.data())) return 0;
  const int h = heteroticFactorCount();
  if (s.selectedReps.size() == 0 ||
      (h <= n && s.selectedReps.rowLength() == h && s.selectedReps.find(labels.data()) >= 0))
    s.masslessFields.add(labels.data(), 1);
  return 1;
}

int lightCheck(int n, int* x, void* ctx) {
  MasslessLoop& loop = *static_cast<MasslessLoop*>(ctx);
  HeteroticState& s = heteroticState();
  const int D = s.commonDenominator;
  std::vector<int> labels;
  const int W = labelsOf(loop, n, x, labels);
  if (W > D) return 0;
  labels.push_back(W == 0 ? 0 : D - W);
  labels.push_back(0);
  const bool massless = labels[static_cast<std::size_t>(n)] == 0;
  if ((loop.mode == 0) == massless) s.patternRoots.add(labels.data(), 0);
  return 1;
}

int integerWeightCheck(int n, int* x, void*) {
  HeteroticState& s = heteroticState();
  const int D = s.commonDenominator;
  std::vector<int> labels(x, x + n);
  int W = 0;
  for (int f = 0; f < n; ++f)
    W += s.weightsLeft[static_cast<std::size_t>(f)][static_cast<std::size_t>(x[f])];
  if (W % D != 0 || W <= D) return 0;
  labels.push_back(W);
  labels.push_back(0);
  s.patternRoots.add(labels.data(), 0);
  return 1;
}

int leftMasslessRoot(int n, int* x, void* ctx, bool simpleCurrents) {
  MasslessLoop& loop = *static_cast<MasslessLoop*>(ctx);
  HeteroticState& s = heteroticState();
  if (loop.fault != 0) return 0;
  std::vector<int> labels;
  const int W = labelsOf(loop, n, x, labels);
  if (W != 0 && W != s.commonDenominator) return 0;
  const int root = s.patternRoots.find(labels.data());
  if (root < 0) {
    PrintStdout("Vector not found\n");
    raiseHeteroticFault("CollectMassless", "Vector not found");
    loop.fault = 1;
    return 0;
  }
  int* status = s.patternRoots.row(root) + heteroticFactorCount() + 1;
  if (simpleCurrents) {
    *status = 1;
  } else {
    ++s.leftMasslessCount;
    if (*status == 0) *status = 2;
  }
  return 0;
}

int leftMasslessSimpleCurrentCheck(int n, int* x, void* ctx) {
  return leftMasslessRoot(n, x, ctx, true);
}
int leftMasslessCheck(int n, int* x, void* ctx) {
  return leftMasslessRoot(n, x, ctx, false);
}

// Runs the engine over the lists of the loop; an empty list means no combination.
int runLoops(MasslessLoop& loop, LoopBounds bounds, LoopBody body) {
  const int n = static_cast<int>(loop.lists.size());
  if (n == 0) return 0;
  std::vector<int> lo(static_cast<std::size_t>(n), 0), hi(static_cast<std::size_t>(n)),
      x(static_cast<std::size_t>(n), 0);
  for (int f = 0; f < n; ++f) {
    if (loop.lists[static_cast<std::size_t>(f)].empty()) return 0;
    hi[static_cast<std::size_t>(f)] =
        static_cast<int>(loop.lists[static_cast<std::size_t>(f)].size()) - 1;
  }
  return NestedLoops(n, lo.data(), hi.data(), x.data(), &loop, bounds, body);
}

// Fields of factor f with left numerator at most D (below `limit` when it is not -1),
// ordered by left weight.
std::vector<int> leftCandidates(TensorProduct* tensor, int f, int limit) {
  HeteroticState& s = heteroticState();
  std::vector<int> list;
  const int count = factorTheory(tensor, f)->n_primaries;
  for (int a = 0; a < count && (limit < 0 || a < limit); ++a) {
    obeyInterruptRequest();
    if (s.weightsLeft[static_cast<std::size_t>(f)][static_cast<std::size_t>(a)] <=
        s.commonDenominator)
      list.push_back(a);
  }
  orderWeights(list, s.weightsLeft[static_cast<std::size_t>(f)]);
  return list;
}

}  // namespace

void orderByWeight(std::vector<int>& list, const std::vector<int>& weights, int bound) {
  // The selection by minimum that this replaces took, among the fields left, the last one
  // of least weight: a stable sort of the list read backwards gives the same order.
  std::vector<int> ordered;
  ordered.reserve(list.size());
  for (auto field = list.rbegin(); field != list.rend(); ++field) {
    obeyInterruptRequest();
    if (weights[static_cast<std::size_t>(*field)] <= bound) ordered.push_back(*field);
  }
  std::stable_sort(ordered.begin(), ordered.end(), [&weights](int a, int b) {
    return weights[static_cast<std::size_t>(a)] < weights[static_cast<std::size_t>(b)];
  });
  list.swap(ordered);
}

void computeCommonDenominatorWeights(TensorProduct* tensor) {
  HeteroticState& s = heteroticState();
  const int n = factorCount(tensor);
  s.rowsizes.assign(static_cast<std::size_t>(n), 0);
  long long D = 1;
  long long C = 1;
  for (int f = 0; f < n; ++f) {
    SpectrumData* sd = factorTheory(tensor, f);
    s.rowsizes[static_cast<std::size_t>(f)] = sd->n_primaries;
    D = SCM(D, weightDenominator(sd));
    C = SCM(C, factorGroupOrder(tensor, f));
  }
  s.commonDenominator = static_cast<int>(D);
  s.chargeCommonDenominator = static_cast<int>(C);
  s.weightsLeft.assign(static_cast<std::size_t>(n), {});
  s.dimsLeft.assign(static_cast<std::size_t>(n), {});
  s.nonAbelianLeft.assign(static_cast<std::size_t>(n), {});
  for (int f = 0; f < n; ++f) {
    SpectrumData* sd = factorTheory(tensor, f);
    const int scale = s.commonDenominator / weightDenominator(sd);
    std::vector<int>& w = s.weightsLeft[static_cast<std::size_t>(f)];
    std::vector<int>& d = s.dimsLeft[static_cast<std::size_t>(f)];
    w.resize(static_cast<std::size_t>(sd->n_primaries));
    d.resize(static_cast<std::size_t>(sd->n_primaries));
    for (int a = 0; a < sd->n_primaries; ++a) {
      obeyInterruptRequest();
      w[static_cast<std::size_t>(a)] = sd->weight_num == nullptr ? 0 : scale * sd->weight_num[a];
      d[static_cast<std::size_t>(a)] = fieldDimension(sd, a);
    }
    s.nonAbelianLeft[static_cast<std::size_t>(f)].assign(static_cast<std::size_t>(sd->n_primaries),
                                                         0);
  }
  s.weightsRight = s.weightsLeft;
  s.dimsRight = s.dimsLeft;
  const int h = heteroticFactorCount();
  s.uOneOrder.assign(static_cast<std::size_t>(n), 0);
  for (int f = 0; f < h && f < n; ++f)
    if (factorTheory(tensor, f)->type == kStoreTypeU1)
      s.uOneOrder[static_cast<std::size_t>(f)] = factorTheory(tensor, f)->n_primaries;
}

int makeHeteroticLift(int factor, SpectrumData* liftCFT, const int* map) {
  HeteroticState& s = heteroticState();
  if (factor < 0 || factor >= static_cast<int>(s.weightsLeft.size()) || liftCFT == nullptr) {
    Alert("makeHeteroticLift", 0, 100302, "Lift of factor %d not possible", factor + 1);
    return 1;
  }
  // A lift theory whose denominator does not divide D makes a new common denominator; all
  // weight numerators are rescaled to it, so every weight stays exact.
  const int liftDen = weightDenominator(liftCFT);
  const long long newD = SCM(s.commonDenominator, liftDen);
  const int scale = static_cast<int>(newD / s.commonDenominator);
  if (scale != 1) {
    for (auto* table : {&s.weightsLeft, &s.weightsRight})
      for (auto& row : *table)
        for (int& w : row) w *= scale;
    s.commonDenominator = static_cast<int>(newD);
  }
  const int D = s.commonDenominator;
  std::vector<int>& w = s.weightsLeft[static_cast<std::size_t>(factor)];
  int lifted = 0, lowered = 0, unchanged = 0;
  for (int j = 0; j < liftCFT->n_primaries; ++j) {
    obeyInterruptRequest();
    const int t = map[j];
    if (t < 0 || t >= static_cast<int>(w.size())) continue;
    const int before = w[static_cast<std::size_t>(t)];
    const int after = (D / liftDen) * (liftCFT->weight_num == nullptr ? 0 : liftCFT->weight_num[j]);
    w[static_cast<std::size_t>(t)] = after;
    const int dimension = fieldDimension(liftCFT, j);
    s.dimsLeft[static_cast<std::size_t>(factor)][static_cast<std::size_t>(t)] = dimension;
    s.nonAbelianLeft[static_cast<std::size_t>(factor)][static_cast<std::size_t>(t)] =
        liftCFT->nonabelian_info == nullptr ? 0 : liftCFT->nonabelian_info[j];
    Print("Field %d:  Before: %d, After %d (CD=%d), dimension %d\n", t, before, after, D,
          dimension);
    const int* rep = SM_getRep(liftCFT, j);
    if (rep != nullptr) PrintVec(liftCFT->rep_size, rep, "rep");
    if (after > before) {
      ++lifted;
    } else if (after < before) {
      ++lowered;
    } else {
      ++unchanged;
    }
  }
  Print("\n\nLifted: %d; lowered: %d; massless and unchanged: %d\n\n", lifted, lowered, unchanged);
  return 0;
}

int CollectMassless(TensorProduct* tensor) {
  HeteroticState& s = heteroticState();
  const int n = factorCount(tensor);
  const int h = heteroticFactorCount() < n ? heteroticFactorCount() : n;
  s.masslessFields.reset(n);
  s.leftMasslessCount = 0;
  if (s.patternRoots.rowLength() != h + 2) s.patternRoots.reset(h + 2, h);

  PrintStdout("Determining right massless states\n");
  const bool graded = settingOn(s.graded) != 0;
  const char passes[2] = {'N', 'R'};
  for (int pass = 0; pass < (graded ? 2 : 1); ++pass) {
    MasslessLoop loop;
    loop.tensor = tensor;
    loop.weights = &s.weightsRight;
    for (int f = 0; f < n; ++f) {
      SpectrumData* sd = factorTheory(tensor, f);
      std::vector<int> list;
      for (int a = 0; a < sd->n_primaries; ++a) {
        obeyInterruptRequest();
        if (sd->weight_num == nullptr || sd->weight_num[a] > weightDenominator(sd)) continue;
        if (graded && sd->graded == 1 && sd->grading != nullptr && sd->grading[a] != passes[pass])
          continue;
        if (graded && sd->graded != 0 && sd->graded != 1) continue;
        list.push_back(a);
      }
      orderWeights(list, s.weightsRight[static_cast<std::size_t>(f)]);
      loop.lists.push_back(list);
    }
    const int total = runLoops(loop, primaryBound, rightMasslessCheck);
    PrintStdout("Pass %c; total number %d\n", passes[pass], total);
  }

  PrintStdout("Determining left massless roots\n");
  {
    MasslessLoop loop;
    loop.tensor = tensor;
    loop.weights = &s.weightsLeft;
    for (int f = 0; f < h; ++f) loop.lists.push_back(leftCandidates(tensor, f, -1));
    for (int mode = 0; mode < 2; ++mode) {
      loop.mode = mode;
      runLoops(loop, nullptr, lightCheck);
    }
  }

  PrintStdout("Determining left massive roots\n");
  if (h > 0) {
    std::vector<int> lo(static_cast<std::size_t>(h), 0), hi(static_cast<std::size_t>(h)),
        x(static_cast<std::size_t>(h), 0);
    for (int f = 0; f < h; ++f) hi[static_cast<std::size_t>(f)] = factorGroupOrder(tensor, f) - 1;
    NestedLoops(h, lo.data(), hi.data(), x.data(), nullptr, nullptr, integerWeightCheck);
  }

  PrintStdout("Determining left massless simple currents\n");
  {
    MasslessLoop loop;
    loop.tensor = tensor;
    loop.weights = &s.weightsLeft;
    for (int f = 0; f < n; ++f)
      loop.lists.push_back(leftCandidates(tensor, f, factorGroupOrder(tensor, f)));
    runLoops(loop, primaryBound, leftMasslessSimpleCurrentCheck);
    if (loop.fault != 0) return 1;
  }

  PrintStdout("Determining left massless states\n");
  {
    MasslessLoop loop;
    loop.tensor = tensor;
    loop.weights = &s.weightsLeft;
    for (int f = 0; f < n; ++f) loop.lists.push_back(leftCandidates(tensor, f, -1));
    runLoops(loop, primaryBound, leftMasslessCheck);
    if (loop.fault != 0) return 1;
  }
  PrintStdout("Total number of left massless states: %d\n", s.leftMasslessCount);
  return 0;
}

void adjustCharges(int* labels, int n) {
  const std::vector<int>& orders = heteroticState().uOneOrder;
  for (int f = 0; f < n && f < static_cast<int>(orders.size()); ++f) {
    const int N = orders[static_cast<std::size_t>(f)];
    if (N == 0) continue;
    const int r = mod(labels[f], N);
    labels[f] = r > N / 2 ? r - N : r;
  }
}

namespace {

// "Particle factors" as far as the product carries them: the particle labels are the first
// labels of a pattern root, which holds one label per heterotic factor of the product. A
// larger setting is refused with an alert and the bound is used.
int boundedParticleFactors(const TensorProduct* tensor) {
  const int p = particleFactorCount();
  const int h = std::min(heteroticFactorCount(), factorCount(tensor));
  if (p <= h) return p;
  Alert("DisplayAvailableCharges", 0, 100201,
        "\"Particle factors\" %d refused: the tensor product has %d heterotic factor(s); %d used",
        p, h, h);
  return h;
}

}  // namespace

void DisplayAvailableCharges(TensorProduct* tensor) {
  HeteroticState& s = heteroticState();
  const int p = boundedParticleFactors(tensor);
  s.allowedReps.reset(p);
  std::vector<int> row(static_cast<std::size_t>(p));
  for (int r = 0; r < s.patternRoots.size(); ++r) {
    obeyInterruptRequest();
    const int* root = s.patternRoots.row(r);
    for (int f = 0; f < p; ++f) row[static_cast<std::size_t>(f)] = root[f];
    adjustCharges(row.data(), p);
    s.allowedReps.add(row.data(), 1);
    for (int f = 0; f < p; ++f) {
      const int c = SM_getConjugate(factorTheory(tensor, f), root[f]);
      row[static_cast<std::size_t>(f)] = c < 0 ? root[f] : c;
    }
    adjustCharges(row.data(), p);
    s.allowedReps.add(row.data(), 1);
  }
}

int RightMassCheck(TensorProduct* tensor, const int* labels) {
  HeteroticState& s = heteroticState();
  const int D = s.commonDenominator;
  const int n = factorCount(tensor);
  int W = 0;
  for (int f = 0; f < n; ++f) {
    W += s.weightsRight[static_cast<std::size_t>(f)][static_cast<std::size_t>(labels[f])];
    if (W > D) return 1;
  }
  if (W % D != 0) {
    raiseHeteroticFault("RightMassCheck", formatFault(W, D));
    return 1;
  }
  return 0;
}

int getCommonDenominator() {
  return heteroticState().commonDenominator;
}
int getChargeCommonDenominator() {
  return heteroticState().chargeCommonDenominator;
}
int getLeftWeightNumerator(int f, int a) {
  return heteroticState().weightsLeft[static_cast<std::size_t>(f)][static_cast<std::size_t>(a)];
}
int getRightWeightNumerator(int f, int a) {
  return heteroticState().weightsRight[static_cast<std::size_t>(f)][static_cast<std::size_t>(a)];
}
int getLeftDimension(int f, int a) {
  return heteroticState().dimsLeft[static_cast<std::size_t>(f)][static_cast<std::size_t>(a)];
}
const HeteroticRows& getMasslessFields() {
  return heteroticState().masslessFields;
}
const HeteroticRows& getAllowedReps() {
  return heteroticState().allowedReps;
}
int getLeftMasslessCount() {
  return heteroticState().leftMasslessCount;
}

void setHeteroticSpinorAndVector(const int* spinor, const int* vector) {
  HeteroticState& s = heteroticState();
  const int h = heteroticFactorCount();
  s.heteroticSpinor.assign(spinor, spinor + h);
  s.heteroticVector.assign(vector, vector + h);
}

int determineHeteroticSpinorAndVector(TensorProduct* tensor) {
  HeteroticState& s = heteroticState();
  const int h = heteroticFactorCount();
  s.heteroticSpinor.clear();
  s.heteroticVector.clear();
  if (h < 1 || factorCount(tensor) < h || s.selectedReps.size() < 1 ||
      s.selectedReps.rowLength() != h)
    return 0;
  // The selected representation is the one whose chiral-algebra currents count as
  // supersymmetries: the space-time spinor. The identity is never one.
  const int* spinor = s.selectedReps.row(0);
  if (std::all_of(spinor, spinor + h, [](int label) { return label == 0; })) return 0;
  std::vector<int> vector(static_cast<std::size_t>(h), 0);
  for (int f = 0; f < h; ++f) {
    SpectrumData* sd = factorTheory(tensor, f);
    const int order = factorGroupOrder(tensor, f);
    int current = -1;
    for (int J = 0; J < order && current < 0; ++J)
      if (SM_SimpleAction(sd, J, 0) == spinor[f]) current = J;
    // The vector is the spinor fused with itself (s x s = v in D5 at level 1); a label that
    // is no simple current leaves the vector unknown.
    if (current < 0) {
      s.heteroticSpinor.assign(spinor, spinor + h);
      return 1;
    }
    vector[static_cast<std::size_t>(f)] = SM_SimpleAction(sd, current, spinor[f]);
  }
  s.heteroticSpinor.assign(spinor, spinor + h);
  s.heteroticVector = vector;
  return 2;
}

const std::vector<int>& getHeteroticSpinor() {
  return heteroticState().heteroticSpinor;
}
const std::vector<int>& getHeteroticVector() {
  return heteroticState().heteroticVector;
}
