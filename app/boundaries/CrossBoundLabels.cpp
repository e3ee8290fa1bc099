// Ishibashi and boundary labels of the current bulk invariant, the groups of currents that
// act on them, their orbits, and the printed views.
#include <algorithm>
#include <cmath>
#include <complex>

#include "boundaries/CrossBoundInternal.h"
#include "groups/Discrete.h"
#include "invariants/Invariants.h"
#include "modular/Modular.h"
#include "numbers/MathUtility.h"
#include "runtime/Error.h"
#include "runtime/Output.h"
#include "runtime/Terminal.h"
#include "tensor/OutputNames.h"

namespace {

int centreSize() {
  const int n = CenterOrder();
  return n > 0 ? n : 1;
}

bool chargeIsZero(int J, int field) {
  const Rat* q = simpleCurrentCharge(J, field);
  return q == nullptr || q->num % std::max<long long>(q->den, 1) == 0;
}

bool validIshibashi(int m) {
  return m >= 0 && m < static_cast<int>(crossBoundState().IshibashiLabels.size()) &&
         m < crossBoundState().IshibashiLabelCount;
}
bool validBoundary(int a) {
  return a >= 0 && a < crossBoundState().BoundaryLabelCount;
}

void getIshiCurrentGroup(const std::vector<int>& group) {
  CrossBoundState& s = crossBoundState();
  const int n = centreSize();
  s.IshiCurrentMap.clear();
  s.IshiIndex.assign(static_cast<size_t>(n), -1);
  for (int c = 0; c < n; ++c) {
    bool inside = true;
    for (int J : group) inside = inside && chargeIsZero(J, c);
    if (!inside) continue;
    s.IshiIndex[static_cast<size_t>(c)] = static_cast<int>(s.IshiCurrentMap.size());
    s.IshiCurrentMap.push_back(c);
  }
  s.IshiOrder = static_cast<int>(s.IshiCurrentMap.size());
  s.IshiCurMultTable.assign(static_cast<size_t>(s.IshiOrder) * static_cast<size_t>(s.IshiOrder), 0);
  for (int k = 0; k < s.IshiOrder; ++k) {
    for (int l = 0; l < s.IshiOrder; ++l) {
      const int product = simpleProduct(s.IshiCurrentMap[static_cast<size_t>(k)],
                                        s.IshiCurrentMap[static_cast<size_t>(l)]);
      const int index =
          product >= 0 && product < n ? s.IshiIndex[static_cast<size_t>(product)] : -1;
      if (index < 0) Alert("getIshiCurrentGroup", 0, 212404, "Ishibashi center not closed");
      s.IshiCurMultTable[static_cast<size_t>(k * s.IshiOrder + l)] = std::max(index, 0);
    }
  }
}

void getBoundaryCurrentGroup(const std::vector<int>& group) {
  CrossBoundState& s = crossBoundState();
  const int n = centreSize();
  s.FixesAll.clear();
  for (int J : group) {
    bool fixes = true;
    for (int m = 0; m < s.IshibashiLabelCount && fixes; ++m)
      fixes = chargeIsZero(J, s.IshibashiLabels[static_cast<size_t>(m)].primary);
    if (fixes) s.FixesAll.push_back(J);
  }
  s.BoundaryCurrents.clear();
  for (int c = 0; c < n; ++c) {
    bool smallest = true;
    for (int f : s.FixesAll) smallest = smallest && simpleProduct(f, c) >= c;
    if (smallest) s.BoundaryCurrents.push_back(c);
  }
  s.BoundaryOrder = static_cast<int>(s.BoundaryCurrents.size());
  s.BoundaryIndex.assign(static_cast<size_t>(n), 0);
  for (int k = 0; k < s.BoundaryOrder; ++k) {
    for (int f : s.FixesAll) {
      const int product = simpleProduct(f, s.BoundaryCurrents[static_cast<size_t>(k)]);
      if (product >= 0 && product < n) s.BoundaryIndex[static_cast<size_t>(product)] = k;
    }
  }
  const size_t order = static_cast<size_t>(s.BoundaryOrder);
  s.BoundaryCurMultTable.assign(order * order, 0);
  s.BoundaryCurrentInverse.assign(order, 0);
  for (int k = 0; k < s.BoundaryOrder; ++k) {
    for (int l = 0; l < s.BoundaryOrder; ++l) {
      const int product = simpleProduct(s.BoundaryCurrents[static_cast<size_t>(k)],
                                        s.BoundaryCurrents[static_cast<size_t>(l)]);
      const int index =
          product >= 0 && product < n ? s.BoundaryIndex[static_cast<size_t>(product)] : 0;
      s.BoundaryCurMultTable[static_cast<size_t>(k * s.BoundaryOrder + l)] = index;
      if (index == 0) s.BoundaryCurrentInverse[static_cast<size_t>(k)] = l;
    }
  }
}

// The orbits of one label table under a group of `order` currents; fusion(k, label) is the
// image of a label by current index k (-1 when none: reported there, skipped here).
template <typename Fusion>
int loadOrbits(std::vector<BoundaryLabel>& labels, int count, int order, std::vector<int>& orbitMap,
               Fusion fusion, bool clearMembers) {
  for (int a = 0; a < count; ++a) {
    labels[static_cast<size_t>(a)].orbitRep = -1;
    labels[static_cast<size_t>(a)].orbit.clear();
  }
  orbitMap.clear();
  for (int a = 0; a < count; ++a) {
    pollInterruptRequest();
    BoundaryLabel& rep = labels[static_cast<size_t>(a)];
    if (rep.orbitRep != -1) continue;
    const int number = static_cast<int>(orbitMap.size());
    orbitMap.push_back(a);
    std::vector<int> orbit(static_cast<size_t>(order), -1);
    int size = 0;
    for (int k = 0; k < order; ++k) {
      const int t = fusion(k, a);
      if (t < 0 || t >= count) continue;
      orbit[static_cast<size_t>(k)] = t;
      BoundaryLabel& member = labels[static_cast<size_t>(t)];
      if (member.orbitRep == -1) {
        member.orbitRep = a;
        member.currentIndex = k;
        member.orbitNumber = number;
        ++size;
        if (clearMembers && t != a) member.orbit.clear();
      }
    }
    rep.orbit = std::move(orbit);
    rep.orbitSize = size;
  }
  return static_cast<int>(orbitMap.size());
}

const BoundaryLabel& orbitRepOf(const std::vector<BoundaryLabel>& labels, int a) {
  const int rep = labels[static_cast<size_t>(a)].orbitRep;
  return labels[static_cast<size_t>(rep >= 0 ? rep : a)];
}

}  // namespace

int InvariantGroup::elementOf(int current) const {
  if (!elementIndex.empty()) {
    if (current < 0 || current >= static_cast<int>(elementIndex.size())) return -1;
    return elementIndex[static_cast<size_t>(current)];
  }
  for (int g = 0; g < order(); ++g)
    if (currents[static_cast<size_t>(g)] == current) return g;
  return -1;
}

int InvariantGroup::product(int x, int y) const {
  return elementOf(
      simpleProduct(currents[static_cast<size_t>(x)], currents[static_cast<size_t>(y)]));
}

namespace {

// The element of each current label, the first element when a current repeats; left empty
// (elementOf then searches) when a current is negative.
void indexElements(InvariantGroup* group) {
  group->elementIndex.clear();
  int largest = -1;
  for (int J : group->currents) {
    if (J < 0) return;
    largest = std::max(largest, J);
  }
  group->elementIndex.assign(static_cast<size_t>(largest + 1), -1);
  for (int g = group->order() - 1; g >= 0; --g)
    group->elementIndex[static_cast<size_t>(group->currents[static_cast<size_t>(g)])] = g;
}

void trivialGroup(InvariantGroup* group) {
  group->elementIndex.clear();
  group->currents.assign(1, 0);
  group->factorOrders.clear();
  group->generators.clear();
  group->X.assign(1, Rat{0, 1});
  group->symmetryCurrents.assign(1, 0);
}

// The group G of a simple-current invariant as its simple-current description records it:
// the current of every element, the cyclic factors with their generators, X(x, y) of every
// pair of elements, and the left kernel (the currents that extend the chiral algebra) as
// the symmetry currents, identity first.
void readInvariantGroup(const BulkInvariant* bi, InvariantGroup* group) {
  trivialGroup(group);
  if (bi->diagonal) return;
  const SimpleCurrentData* MD = bi->MD.get();
  if (MD == nullptr) {
    Alert("readInvariantGroup", 0, 212404,
          "Simple current data not defined; assuming diagonal invariant");
    return;
  }
  const DGType* G = MD->group;
  if (G == nullptr || G->order < 1 || static_cast<int>(MD->map.size()) < G->order) {
    Alert("readInvariantGroup", 1, 212404, "Discrete group not defined; assuming trivial group");
    return;
  }
  const int order = G->order;
  const int n = G->nfactors;
  group->currents.assign(MD->map.begin(), MD->map.begin() + order);
  indexElements(group);
  group->factorOrders.assign(G->factors, G->factors + n);
  group->generators.resize(static_cast<size_t>(n));
  for (int f = 0; f < n; ++f) group->generators[static_cast<size_t>(f)] = DG_basis(G, f);
  group->X.resize(static_cast<size_t>(order) * static_cast<size_t>(order));
  for (int x = 0; x < order; ++x)
    for (int y = 0; y < order; ++y)
      group->X[static_cast<size_t>(x * order + y)] = computeXIJ(x, y, MD);
  // Element g extends the left chiral algebra when the vacuum is paired with J_g: every
  // sum_b X_ab alpha_b(g) / N_a is integral.
  group->symmetryCurrents.clear();
  std::vector<int> alpha(static_cast<size_t>(std::max(n, 1)), 0);
  for (int g = 0; g < order; ++g) {
    for (int a = 0; a < n; ++a) alpha[static_cast<size_t>(a)] = DG_decomp(G, g, a);
    if (n == 0 || checkDeltaArgument(MD, 0, alpha.data()))
      group->symmetryCurrents.push_back(group->currents[static_cast<size_t>(g)]);
  }
}

}  // namespace

const InvariantGroup* invariantGroup(const BulkInvariant* bi) {
  CrossBoundState& s = crossBoundState();
  if (bi == nullptr || bi->simple_current != 1) return nullptr;
  if (s.groupStamp != QueryBulkInvariant() || s.groupOf != bi) {
    readInvariantGroup(bi, &s.Group);
    s.phasePlan = PhaseClosurePlan{};
    s.phasePlanKnown = false;
    s.groupChargesByKlein.clear();
    s.groupKnown = true;
    s.groupStamp = QueryBulkInvariant();
    s.groupOf = bi;
  }
  return &s.Group;
}

std::vector<int> invariantGroupCurrents(const BulkInvariant* bi) {
  const InvariantGroup* group = invariantGroup(bi);
  if (group != nullptr) return group->currents;
  return {};
}

int invariantGroupKnown(const BulkInvariant* bi) {
  return invariantGroup(bi) != nullptr ? 1 : 0;
}

void getIshibashiLabels() {
  CrossBoundState& s = crossBoundState();
  BulkInvariant* bi = currentBulk();
  const int N = primaryCount();
  s.IshibashiLabels.clear();
  s.IshibashiLabels.reserve(static_cast<size_t>(s.IshibashiLabelCount) + 10);
  for (int i = 0; i < N && i < bi->n_rows; ++i) {
    if (bi->diagonal) {
      IshibashiLabel l;
      l.primary = i;
      l.third = 1;
      s.IshibashiLabels.push_back(l);
      continue;
    }
    if (bi->orbits[static_cast<size_t>(i)] == nullptr) continue;
    const int* row = bi->orbits[static_cast<size_t>(i)];
    if (bi->simple_current == 1) {
      // The partner list is followed by the degeneracy list of i (mult[i] currents).
      const int* degeneracies = row + bi->count[i];
      const int length = std::max(bi->mult[i], 0);
      for (int k = 0; k < bi->count[i]; ++k) {
        if (row[k] != i) continue;
        for (int d = 0; d < length; ++d) {
          IshibashiLabel l;
          l.primary = i;
          l.label = degeneracies[d];
          l.third = length;
          s.IshibashiLabels.push_back(l);
        }
      }
      continue;
    }
    const int occurrences = static_cast<int>(std::count(row, row + bi->count[i], i));
    const int c = std::max(bi->mult[i], 0) * occurrences;
    for (int d = 0; d < c; ++d) {
      IshibashiLabel l;
      l.primary = i;
      l.label = d;
      l.third = c;
      s.IshibashiLabels.push_back(l);
    }
  }
  if ((N == 0 && s.IshibashiLabelCount != 0) ||
      static_cast<int>(s.IshibashiLabels.size()) != s.IshibashiLabelCount)
    Alert("getIshibashiLabels", 0, 212404, "Ishibashi label count error");
  s.IshibashiLabelCount = static_cast<int>(s.IshibashiLabels.size());
}

void setStandardBoundaryLabels() {
  CrossBoundState& s = crossBoundState();
  freeFP(&s.startFP);
  FPType* trivial = trivialFP(&s.startFP);
  s.BoundaryLabels.assign(static_cast<size_t>(s.IshibashiLabelCount), BoundaryLabel{});
  for (int k = 0; k < s.IshibashiLabelCount; ++k) {
    s.BoundaryLabels[static_cast<size_t>(k)].primary = k;
    s.BoundaryLabels[static_cast<size_t>(k)].stabilizer = trivial;
  }
  s.BoundaryLabelCount = s.IshibashiLabelCount;
  const int N = std::max(primaryCount(), s.IshibashiLabelCount);
  s.FirstBoundaryForPrimary.resize(static_cast<size_t>(N));
  for (int k = 0; k < N; ++k) s.FirstBoundaryForPrimary[static_cast<size_t>(k)] = k;
}

namespace {

// +1 or -1 from X(J, J') (denominator 1 or 2); 2 for a phase.
int getAlternator(const InvariantGroup& group, int J, int Jp) {
  const int x = group.elementOf(J);
  const int y = group.elementOf(Jp);
  if (x < 0 || y < 0) {
    Alert("getAlternator", 0, 212404, "Stabilizer current %d not found in group", x < 0 ? J : Jp);
    return 1;
  }
  Rat q = group.X[static_cast<size_t>(x * group.order() + y)];
  simplifyRat(&q);
  if (q.den == 1) return 1;
  if (q.den == 2) return -1;
  BulkInvariant* bi = currentBulk();
  if (bi != nullptr && bi->symmetric)
    Alert("getAlternator", 1, 212404, "Alternator is a phase, not a sign");
  return 2;
}

// The untwisted stabiliser of p: the currents S[k] whose alternator with every S[j] agrees
// with the sign of their twist.
std::vector<int> makeAlternatingStabilizer(const InvariantGroup& group, int p,
                                           const std::vector<int>& S) {
  std::vector<int> U(1, 0);
  const int n = static_cast<int>(S.size());
  for (int k = 1; k < n; ++k) {
    bool accepted = true;
    for (int j = 1; j < n && accepted; ++j) {
      const int t = MOD_getCurrentTwist(S[static_cast<size_t>(k)], p, S[static_cast<size_t>(j)]);
      const int a = getAlternator(group, S[static_cast<size_t>(k)], S[static_cast<size_t>(j)]);
      if (a == 2) {
        accepted = false;
        break;
      }
      if (t % 2 != 0) Alert("makeAlternatingStabilizer", 0, 212404, "Unexpected imaginary twist");
      if (a * (1 - t) < 0) accepted = false;
    }
    if (accepted) U.push_back(S[static_cast<size_t>(k)]);
  }
  return U;
}

int checkBoundarySymmetry(const InvariantGroup& group, int p) {
  if (group.symmetryCurrents.size() < 2) return 0;
  for (size_t k = 1; k < group.symmetryCurrents.size(); ++k) {
    const Rat* q = simpleCurrentCharge(group.symmetryCurrents[k], p);
    if (q != nullptr && q->den != 1 && q->num != 0) return 1;
  }
  return 0;
}

int centreProduct(int a, int b, void*) {
  return simpleProduct(a, b);
}

}  // namespace

void getBoundaryLabels() {
  CrossBoundState& s = crossBoundState();
  BulkInvariant* bi = currentBulk();
  const InvariantGroup* group = invariantGroup(bi);
  if (bi->diagonal || bi->simple_current != 1 || group == nullptr) {
    setStandardBoundaryLabels();
    return;
  }
  const int N = primaryCount();
  freeFP(&s.startFP);
  FPType* trivial = trivialFP(&s.startFP);
  s.FirstBoundaryForPrimary.assign(static_cast<size_t>(N), -1);
  s.BoundaryLabels.clear();
  for (int p = 0; p < N; ++p) {
    if (static_cast<int>(s.BoundaryLabels.size()) > s.IshibashiLabelCount)
      Alert("getBoundaryLabels", 0, 212404, "Too many boundaries");
    if (s.FirstBoundaryForPrimary[static_cast<size_t>(p)] != -1) continue;
    bool smallest = true;
    std::vector<int> S;
    for (int J : group->currents) {
      const int image = simpleFusion(J, p);
      if (image < p) {
        smallest = false;
        break;
      }
      if (image == p) S.push_back(J);
    }
    if (!smallest) continue;
    const int first = static_cast<int>(s.BoundaryLabels.size());
    for (int J : group->currents) {
      const int image = simpleFusion(J, p);
      if (image >= 0 && image < N) s.FirstBoundaryForPrimary[static_cast<size_t>(image)] = first;
    }
    const int flag = checkBoundarySymmetry(*group, p);
    if (S.size() < 2) {
      BoundaryLabel b;
      b.primary = p;
      b.fourth = flag;
      b.stabilizer = trivial;
      s.BoundaryLabels.push_back(b);
      continue;
    }
    const std::vector<int> U = makeAlternatingStabilizer(*group, p, S);
    FPType* fp = getFP(std::max(CenterOrder(), 1), U.data(), S.data(), static_cast<int>(U.size()),
                       static_cast<int>(S.size()), &s.startFP, nullptr, centreProduct);
    if (fp == nullptr) continue;
    if (static_cast<int>(U.size()) != fp->group->order)
      Print("\n\n!!!!!!!!!!!!!!!! asize=%d; order=%d\n\n", static_cast<int>(U.size()),
            fp->group->order);
    for (int u = 0; u < fp->group->order; ++u) {
      BoundaryLabel b;
      b.primary = p;
      b.label = fp->U[u];
      b.third = 1;
      b.fourth = flag;
      b.stabilizer = fp;
      s.BoundaryLabels.push_back(b);
    }
  }
  s.BoundaryLabelCount = static_cast<int>(s.BoundaryLabels.size());
}

void loadAllOrbits() {
  CrossBoundState& s = crossBoundState();
  BulkInvariant* bi = currentBulk();
  const int bulk = QueryBulkInvariant();
  if (useOrbits() == 0 || ModularOrbitsAvailable() != QueryCFT() || s.OrbitDataAvailable == bulk)
    return;
  const std::vector<int> group = invariantGroupCurrents(bi);
  getIshiCurrentGroup(group);
  // The Ishibashi orbits are usable only while the boundary orbits are built from them:
  // cleared on every way out, also by a stop half way (Ctrl-C).
  struct BuildingIshibashiOrbits {
    ~BuildingIshibashiOrbits() { crossBoundState().IshiOrbitsAvailable = 0; }
  } building;
  s.NIshiOrbit = loadOrbits(s.IshibashiLabels, s.IshibashiLabelCount, s.IshiOrder, s.IshiOrbitMap,
                            IshiCurrentFusion, false);
  s.IshiOrbitsAvailable = 1;
  loadModInvGroupCharges(s.Trivial.get());
  getBoundaryCurrentGroup(group);
  s.NBoundaryOrbit = loadOrbits(
      s.BoundaryLabels, s.BoundaryLabelCount, s.BoundaryOrder, s.BoundaryOrbitMap,
      [&s](int k, int a) {
        return BoundaryCurrentFusion(s.BoundaryCurrents[static_cast<size_t>(k)], a);
      },
      true);
  if (!orbitStorageFits(s.NBoundaryOrbit, s.NIshiOrbit)) {
    Alert("loadAllOrbits", 0, 100201, "Reflection coefficients not stored (Memory limit exceeded)");
    printErrorMessage("Number of Ishibashi orbits: %d; Boundary Orbits: %d\n", s.NIshiOrbit,
                      s.NBoundaryOrbit);
  } else {
    if (useOrbits() >= 2) initRefCoefStorage();
    s.OrbitDataAvailable = bulk;
    if (initDebug() == 1) ProgressPrint("##init: Orbits loaded\n");
  }
}

namespace {

// Whether Q(J x) = Q(J) + Q(x) mod n for all currents J and x (the centre's elements are
// the first n primaries), checked on the centre's generators: it then holds for every
// product of generators by induction. Once per theory.
bool currentChargesAdditive(CrossBoundState& s) {
  if (s.chargesAdditive >= 0) return s.chargesAdditive == 1;
  s.chargesAdditive = 0;
  const DGType* centre = getCenter();
  const int n = centreSize();
  if (centre == nullptr || centre->order != n || n > primaryCount()) return false;
  for (int f = 0; f < centre->nfactors; ++f) {
    const int g = DG_basis(centre, f);
    if (g < 0 || g >= n) return false;
    const int* qg = getChargeVector(g);
    for (int x = 0; x < n; ++x) {
      const int gx = simpleProduct(g, x);
      if (gx < 0 || gx >= n) return false;
      const int* qx = getChargeVector(x);
      const int* qgx = getChargeVector(gx);
      for (int c = 0; c < n; ++c)
        if ((qg[c] + qx[c]) % n != qgx[c]) return false;
    }
  }
  s.chargesAdditive = 1;
  return true;
}

// The collection index of Q(J) + Q(K) for currents J and K (0 <= J, K < n): with additive
// charges that vector is Q(J K), whose index is looked up once per current; -2 when the
// shortcut does not apply.
int currentPairChargeIndex(CrossBoundState& s, int J, int K) {
  const int n = centreSize();
  if (J < 0 || J >= n || K < 0 || K >= n || !currentChargesAdditive(s)) return -2;
  const int JK = simpleProduct(J, K);
  if (JK < 0 || JK >= n) return -2;
  if (s.currentChargeIndex.size() != static_cast<size_t>(n)) s.currentChargeIndex.assign(static_cast<size_t>(n), -1);
  int& index = s.currentChargeIndex[static_cast<size_t>(JK)];
  // A vector not found is looked up (and reported) again.
  if (index < 0) index = findChargeVector(getChargeVector(JK));
  return index;
}

}  // namespace

void loadModInvGroupCharges(OrientifoldInfo* record) {
  CrossBoundState& s = crossBoundState();
  BulkInvariant* bi = currentBulk();
  const std::vector<int> group = invariantGroupCurrents(bi);
  s.TotalOrder = std::max(static_cast<int>(group.size()), 1);
  if (record == nullptr || ModularOrbitsAvailable() != QueryCFT()) return;
  if (s.OrbitDataAvailable != QueryBulkInvariant() && !s.IshiOrbitsAvailable) return;
  if (bi->diagonal && s.TotalOrder != 1)
    Alert("loadModInvGroupCharges", 0, 212404, "Unexpected group order %d for trivial case",
          s.TotalOrder);
  if (initDebug() == 1)
    ProgressPrint("##init: Loading ModInvGroupCharges for orientifold %p\n",
                  static_cast<void*>(record));
  if (s.chargesCFT != QueryCFT()) {
    s.groupChargesByKlein.clear();
    s.chargesAdditive = -1;
    s.currentChargeIndex.clear();
    s.chargesCFT = QueryCFT();
  }
  const auto known = s.groupChargesByKlein.find(record->klein);
  if (known != s.groupChargesByKlein.end()) {
    record->groupCharges = known->second;
  } else {
    const int n = centreSize();
    record->groupCharges.clear();
    std::vector<int> v(static_cast<size_t>(n));
    const int* qK = getChargeVector(record->klein);
    const int N = primaryCount();
    bool found = record->klein >= 0 && record->klein < N;
    for (int J : group) {
      found = found && J >= 0 && J < N;
      int index = currentPairChargeIndex(s, J, record->klein);
      if (index == -2) {
        const int* qJ = getChargeVector(J);
        for (int c = 0; c < n; ++c) v[static_cast<size_t>(c)] = (qJ[c] + qK[c]) % n;
        index = findChargeVector(v.data());
      }
      record->groupCharges.push_back(index);
      found = found && index >= 0;
    }
    // A label out of range or a charge vector not found is reported again by the next
    // record that meets it.
    if (found) s.groupChargesByKlein.emplace(record->klein, record->groupCharges);
  }
  if (initDebug() == 1)
    ProgressPrint("##init: Finished loading ModInvGroupCharges for orientifold %p\n",
                  static_cast<void*>(record));
}

// ---------------------------------------------------------------------------------------
// Queries

int getIshibashiField(int m) {
  return validIshibashi(m) ? crossBoundState().IshibashiLabels[static_cast<size_t>(m)].primary : -1;
}
int getIshibashiLabel(int i) {
  const CrossBoundState& s = crossBoundState();
  for (int m = 0; m < s.IshibashiLabelCount; ++m)
    if (s.IshibashiLabels[static_cast<size_t>(m)].primary == i) return m;
  return -1;
}
int isIshibashiLabel(int i) {
  return getIshibashiLabel(i) >= 0 ? 1 : 0;
}
int IshibashiMultiplicity(int i) {
  const int m = getIshibashiLabel(i);
  return m >= 0 ? crossBoundState().IshibashiLabels[static_cast<size_t>(m)].third : 0;
}
int getBoundaryField(int a) {
  return validBoundary(a) ? crossBoundState().BoundaryLabels[static_cast<size_t>(a)].primary : -1;
}
int getBoundaryFixed(int a) {
  return validBoundary(a) ? crossBoundState().BoundaryLabels[static_cast<size_t>(a)].third : 0;
}
char SymBsymB(int a) {
  return validBoundary(a) && crossBoundState().BoundaryLabels[static_cast<size_t>(a)].fourth == 1
             ? '*'
             : ' ';
}
int getNumberOfIshiOrbits() {
  return crossBoundState().NIshiOrbit;
}
int getNumberOfBoundaryOrbits() {
  return crossBoundState().NBoundaryOrbit;
}
int getBoundaryOrder() {
  return crossBoundState().BoundaryOrder;
}
int getIshibashiOrbitSize(int m) {
  return validIshibashi(m) ? orbitRepOf(crossBoundState().IshibashiLabels, m).orbitSize : 0;
}
int getBoundaryOrbitSize(int a) {
  return validBoundary(a) ? orbitRepOf(crossBoundState().BoundaryLabels, a).orbitSize : 0;
}
int getBoundaryOrbitStart(int a) {
  return validBoundary(a) ? crossBoundState().BoundaryLabels[static_cast<size_t>(a)].orbitRep : -1;
}

int IshiCurrentFusion(int k, int m) {
  const CrossBoundState& s = crossBoundState();
  if (k < 0 || k >= s.IshiOrder || !validIshibashi(m)) return -1;
  const IshibashiLabel& from = s.IshibashiLabels[static_cast<size_t>(m)];
  const int target = simpleFusion(s.IshiCurrentMap[static_cast<size_t>(k)], from.primary);
  for (int t = 0; t < s.IshibashiLabelCount; ++t) {
    const IshibashiLabel& l = s.IshibashiLabels[static_cast<size_t>(t)];
    if (l.primary == target && l.label == from.label) return t;
  }
  Print("Current %d; mapped to %d; Ishibashi label %d=(%d,%d)\n", k, target, m, from.primary,
        from.label);
  Alert("IshiCurrentFusion", 0, 212404, "Ishibashi state not found");
  return -1;
}

namespace {

// The first resolved label (then any label) b from the orbit start of J x p onwards with
// A(J; a, b) = 1.
int FixedBoundaryCurrentFusion(int J, int a, int start) {
  const CrossBoundState& s = crossBoundState();
  for (int pass = 0; pass < 2; ++pass) {
    for (int b = start; b < s.BoundaryLabelCount; ++b) {
      if (pass == 0 && s.BoundaryLabels[static_cast<size_t>(b)].third != 1) continue;
      if (getOrientedAnnulus(J, a, b) == 1) return b;
    }
    if (pass == 0)
      Alert("FixedBoundaryCurrentFusion", 0, 112301,
            "No fixed boundary found for boundary fusion %d x %d; trying again", J, a);
  }
  Alert("FixedBoundaryCurrentFusion", 1, 212404, "No boundary found for boundary fusion %d x %d", J,
        a);
  return -1;
}

// A resolved label: among the labels of J x p the one whose reflection coefficients are
// those of a times the charge phase of J.
int FixedBoundaryCurrentFusion3(int J, int a, int start) {
  const CrossBoundState& s = crossBoundState();
  const BoundaryLabel& la = s.BoundaryLabels[static_cast<size_t>(a)];
  const int n =
      la.stabilizer != nullptr && la.stabilizer->group != nullptr ? la.stabilizer->group->order : 1;
  const int diagonal = currentBulk()->diagonal;
  std::vector<int> allowed(static_cast<size_t>(n), 1);
  int left = n;
  std::vector<int> usable;  // currents of a's untwisted stabiliser not used yet
  for (int u = 1; u < n; ++u) usable.push_back(la.stabilizer->U[u]);
  for (int m = 0; m < s.IshibashiLabelCount && left > 1; ++m) {
    const IshibashiLabel& lm = s.IshibashiLabels[static_cast<size_t>(m)];
    auto where = std::find(usable.begin(), usable.end(), lm.label);
    if (where == usable.end()) continue;
    double ar = 0.0, ai = 0.0;
    simpleCurrentReflectionCoefficient(lm, la, diagonal, &ar, &ai);
    if (std::fabs(ar) + std::fabs(ai) <= 1e-7) continue;
    usable.erase(where);
    const Rat* q = simpleCurrentCharge(J, lm.primary);
    const double angle =
        2.0 * 3.14159265358979323846 * static_cast<double>(q->num) / static_cast<double>(q->den);
    const std::complex<double> expected = std::polar(1.0, angle);
    for (int b = 0; b < n; ++b) {
      if (!allowed[static_cast<size_t>(b)] || start + b >= s.BoundaryLabelCount) continue;
      double br = 0.0, bi = 0.0;
      simpleCurrentReflectionCoefficient(lm, s.BoundaryLabels[static_cast<size_t>(start + b)],
                                         diagonal, &br, &bi);
      const std::complex<double> ratio =
          std::complex<double>(br, bi) / std::complex<double>(ar, ai);
      if (std::abs(ratio - expected) > 1e-7) {
        allowed[static_cast<size_t>(b)] = 0;
        --left;
      }
    }
    if (left == 0) {
      Alert("FixedBoundaryCurrentFusion3", 0, 212404, "No consistent fixed point label found");
      return -1;
    }
  }
  if (left == 1) {
    for (int b = 0; b < n; ++b)
      if (allowed[static_cast<size_t>(b)]) return start + b;
  }
  if (left == 0)
    Alert("FixedBoundaryCurrentFusion3", 1, 212404, "No consistent fixed point label found");
  else
    Alert("FixedBoundaryCurrentFusion3", 2, 212404, "Multiple consistent fixed point label found");
  return FixedBoundaryCurrentFusion(J, a, start);
}

}  // namespace

int BoundaryCurrentFusion(int J, int a) {
  const CrossBoundState& s = crossBoundState();
  if (!validBoundary(a)) return -1;
  const BoundaryLabel& la = s.BoundaryLabels[static_cast<size_t>(a)];
  const int image = simpleFusion(J, la.primary);
  if (image < 0 || image >= static_cast<int>(s.FirstBoundaryForPrimary.size())) return -1;
  const int start = s.FirstBoundaryForPrimary[static_cast<size_t>(image)];
  if (start < 0) {
    Alert("BoundaryCurrentFusion", 0, 212404, "No boundary found for boundary fusion %d x %d", J,
          a);
    return -1;
  }
  if (la.third != 1) return start;
  return FixedBoundaryCurrentFusion3(J, a, start);
}

// ---------------------------------------------------------------------------------------
// Display

void showIshibashiLabels(int first, int last) {
  const CrossBoundState& s = crossBoundState();
  Print("Ishibashi labels: (In total %d)\n", s.IshibashiLabelCount);
  for (int m = std::max(first, 0); m <= last && m < s.IshibashiLabelCount; ++m) {
    const IshibashiLabel& l = s.IshibashiLabels[static_cast<size_t>(m)];
    Print("Nr. %-5d   ", m);
    if (l.third < 2 && l.label == 0)
      Print("%d\n", l.primary);
    else
      Print("(%d,%d)\n", l.primary, l.label);
  }
}

namespace {

int stabilizerOrder(const BoundaryLabel& b) {
  return b.stabilizer != nullptr && b.stabilizer->group != nullptr ? b.stabilizer->group->order : 1;
}

void printBoundaryLine(const BoundaryLabel& b, bool mark, int a) {
  if (stabilizerOrder(b) < 2) {
    if (mark)
      Print("%d %c\n", b.primary, SymBsymB(a));
    else
      Print("%d\n", b.primary);
  } else if (mark) {
    Print("[%d,%d] %c\n", b.primary, b.label, SymBsymB(a));
  } else {
    Print("[%d,%d]\n", b.primary, b.label);
  }
}

}  // namespace

void showBoundaryLabels(int first, int last) {
  const CrossBoundState& s = crossBoundState();
  if (s.BoundaryLabelCount == 0) {
    Print("No boundary labels known\n");
    return;
  }
  if (first == 0 && last == s.BoundaryLabelCount - 1)
    Print("Boundary labels: (In total %d; * indicates symmetry breaking)\n", s.BoundaryLabelCount);
  for (int a = std::max(first, 0); a <= last && a < s.BoundaryLabelCount; ++a) {
    Print("Nr. %-5d   ", a);
    printBoundaryLine(s.BoundaryLabels[static_cast<size_t>(a)], true, a);
  }
}

void showBoundaryLabelDetails(int a) {
  const CrossBoundState& s = crossBoundState();
  if (s.BoundaryLabelCount == 0) {
    Print("No boundary labels known\n");
    return;
  }
  if (!validBoundary(a)) return;
  const BoundaryLabel& b = s.BoundaryLabels[static_cast<size_t>(a)];
  Print("Boudary label %d\n", a);
  printBoundaryLine(b, false, a);
  if (b.fourth == 1) Print("Breaks bulk symmetry of the MIPF\n");
  std::vector<int> fields;
  const std::vector<int> group = invariantGroupCurrents(currentBulk());
  for (int J : group) fields.push_back(simpleFusion(J, b.primary));
  if (group.empty()) fields.push_back(b.primary);
  std::sort(fields.begin(), fields.end());
  fields.erase(std::unique(fields.begin(), fields.end()), fields.end());
  int mode = 0;
  for (size_t k = 0; k < fields.size();) {
    size_t end = k + 1;
    while (end < fields.size() && fields[end] == fields[end - 1] + 1) ++end;
    printSpectrum(fields[k], fields[end - 1] + 1, mode);
    mode = 1;
    k = end;
  }
}

namespace {

void showOrbit(const std::vector<BoundaryLabel>& labels, int x, int order, const char* kind) {
  const CrossBoundState& s = crossBoundState();
  if (s.OrbitDataAvailable != QueryBulkInvariant()) {
    Alert("showOrbit", 0, 100302, "Orbit information not available");
    return;
  }
  const BoundaryLabel& l = labels[static_cast<size_t>(x)];
  Print("%s label %d=(%d,%d); Orbit location (%d,%d)\n", kind, x, l.primary, l.label, l.orbitRep,
        l.currentIndex);
  const BoundaryLabel& rep = orbitRepOf(labels, x);
  Print("Orbit: ");
  // The orbit as seen from x: the representative's list shifted by x's current.
  std::vector<int> seen;
  const bool boundary = &labels == &s.BoundaryLabels;
  for (int k = 0; k < order; ++k) {
    const int product =
        boundary ? s.BoundaryCurMultTable[static_cast<size_t>(k * order + l.currentIndex)]
                 : s.IshiCurMultTable[static_cast<size_t>(k * order + l.currentIndex)];
    seen.push_back(rep.orbit.empty() ? -1 : rep.orbit[static_cast<size_t>(product)]);
  }
  for (size_t k = 0; k < seen.size(); ++k) Print(k + 1 < seen.size() ? "%d," : "%d\n", seen[k]);
}

}  // namespace

void showIshibashiOrbit(int m) {
  if (!validIshibashi(m)) return;
  showOrbit(crossBoundState().IshibashiLabels, m, crossBoundState().IshiOrder, "Ishibashi");
}

void showBoundaryOrbit(int a) {
  if (!validBoundary(a)) return;
  showOrbit(crossBoundState().BoundaryLabels, a, crossBoundState().BoundaryOrder, "Boundary");
}
