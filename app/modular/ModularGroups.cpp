// Simple-current group operations of the current theory: the centre G (a DGType of the
// stored theory or of the tensor product) with its element maps, the action J x i, products
// of currents, orders, monodromy charges, the effective centre (currents J with
// order(J) h_J integer) and its order-two part.
//
// Centre elements are numbered 0 .. n_G-1 with 0 the identity, and element c is the
// primary with label c. With valid orbit tables every answer comes from them; otherwise
// from the theory. The maps and flags are rebuilt on first use after a theory change.
#include <cstdlib>

#include "groups/Discrete.h"
#include "modular/ModularHooks.h"
#include "modular/ModularInternal.h"
#include "runtime/Error.h"
#include "store/CurrentTheory.h"
#include "store/Storemanager.h"
#include "store/StoremanagerQueries.h"
#include "store/TensorHooks.h"

namespace {

bool tensorMode() {
  return KMCosetSwitch != 0;
}

}  // namespace

DGType* getCenter(int** map) {
  ModularState& s = modularState();
  if (s.CenterAvailable != s.CFTCounter || s.SimpleCurrentCenter == nullptr) {
    DGType* centre = tensorMode() ? tensorHooks().CT_getCurrentGroup(currentTensor)
                                  : (currentSD != nullptr ? currentSD->scgroup : nullptr);
    if (centre == nullptr) centre = DG_trivial();
    s.SimpleCurrentCenter = centre;
    const int nG = centre->order;
    s.CenterMap.assign(static_cast<std::size_t>(modularPrimaries()) + static_cast<std::size_t>(nG),
                       0);
    s.InverseCenterMap.assign(static_cast<std::size_t>(nG), 0);
    for (int c = 0; c < nG; ++c) {
      s.CenterMap[static_cast<std::size_t>(c)] = c;
      s.InverseCenterMap[static_cast<std::size_t>(c)] = c;
    }
    s.CenterAvailable = s.CFTCounter;
  }
  if (map != nullptr) *map = s.CenterMap.data();
  return s.SimpleCurrentCenter;
}

int simpleFusion(int J, int i) {
  if (J == 0) return i;
  if (orbitTablesValid()) return FastSimpleFusion(J, i);
  if (tensorMode()) return tensorHooks().CT_simpleCurrentAction(J, i, currentTensor);
  return SM_SimpleAction(currentSD, J, i);
}

int simpleProduct(int J, int K, void*) {
  if (J == 0) return K;
  if (K == 0) return J;
  if (orbitTablesValid()) return FastSimpleFusion(J, K);
  if (tensorMode()) return tensorHooks().CT_simpleCurrentProduct(J, K, currentTensor);
  return SM_SimpleCurrentFusion(currentSD, J, K);
}

int simpleCurrentOrder(int J, int start) {
  const DGType* centre = getCenter();
  const int limit = centre != nullptr ? centre->order : 1;
  // A current is multiplied onto; any other field is acted on (for a current the action is
  // the same product), so the result is the length of the orbit of start under J.
  const bool currentStart = start >= 0 && start < limit;
  const auto next = [J, currentStart](int x) { return currentStart ? simpleProduct(J, x) : simpleFusion(J, x); };
  int x = next(start);
  int order = 1;
  while (x != start) {
    // A consistent group returns within n_G steps; anything else is a broken action.
    if (x < 0 || order >= limit) {
      Alert("simpleCurrentOrder", 0, 212404, "Field %d is not a simple current", J);
      return -1;
    }
    x = next(x);
    ++order;
  }
  return order;
}

const Rat* simpleCurrentCharge(int J, int i) {
  ModularState& s = modularState();
  Rat& q = s.chargeResult;
  if (orbitTablesValid()) {
    q = Rat{orbitCharge(i, J), s.nG};
    simplifyRat(&q);
    return &q;
  }
  Rat hJ = *ratWeight(J);
  Rat hi = *ratWeight(i);
  const int k = simpleFusion(J, i);
  Rat hk = k >= 0 ? *ratWeight(k) : Rat{0, 1};
  Rat sum;
  addRat(&hJ, &hi, &sum);
  subtractRat(&sum, &hk, &q);
  simplifyRat(&q);
  RatToFrac(&q);
  return &q;
}

int effectiveCenterCheck(int J) {
  const int n = simpleCurrentOrder(J, 0);
  if (n < 1) return 0;
  Rat h = *ratWeight(J);
  simplifyRat(&h);
  RatToFrac(&h);
  return (static_cast<long long>(n) * h.num) % h.den == 0 ? 1 : 0;
}

const int* getEffectiveCenter() {
  ModularState& s = modularState();
  if (s.lastCFT != s.CFTCounter) {
    const int nG = getCenter()->order;
    s.ecc.assign(static_cast<std::size_t>(nG), 0);
    for (int J = 0; J < nG; ++J) s.ecc[static_cast<std::size_t>(J)] = effectiveCenterCheck(J);
    s.lastCFT = s.CFTCounter;
  }
  return s.ecc.data();
}

int SubgroupEffectiveCenterCheck(int n, const int* elements) {
  if (n < 1) return 1;
  const int* flags = getEffectiveCenter();
  const int nG = getCenter()->order;
  for (int k = 0; k < n; ++k) {
    const int J = elements[k];
    if (J < 0 || J >= nG || flags[J] == 0) return 0;
  }
  return 1;
}

const int* computeOrderTwoCenter(int* count) {
  ModularState& s = modularState();
  DGType* centre = getCenter();
  DG_findOrdersFast(centre);
  s.orderTwo.clear();
  for (int J = 0; J < centre->order; ++J) {
    if (centre->orders != nullptr && centre->orders[J] == 2 && effectiveCenterCheck(J) == 1)
      s.orderTwo.push_back(J);
  }
  if (count != nullptr) *count = static_cast<int>(s.orderTwo.size());
  return s.orderTwo.data();
}

int simpleCurrentCheck(int i) {
  if (i < 0) return 0;
  return tensorMode() ? tensorHooks().CT_currentCheck(currentTensor, i)
                      : SM_currentCheck(currentSD, i);
}

int isSuperCurrent(int i) {
  if (tensorMode() && settingSuper()) return tensorHooks().isTensorSuperCurrent(i, currentTensor);
  return 0;
}

int SusySpectrum() {
  if (tensorMode() && settingSuper()) return tensorHooks().CT_getSusyFlag(currentTensor);
  return 0;
}

double MOD_realWeight(int i) {
  const Rat* h = ratWeight(i);
  return h->den == 0 ? 0.0 : static_cast<double>(h->num) / static_cast<double>(h->den);
}

int initFusionMap(int J, int* map) {
  const int n = modularPrimaries();
  for (int i = 0; i < n; ++i) {
    // Wide enough for any n coefficients, failed ones included.
    long long sum = 0;
    int image = -1;
    for (int k = 0; k < n; ++k) {
      const FusionCoefficient N = fusion(J, i, k, 0);
      if (fusionInterrupted(N) || fusionUndecided(N)) return -1;
      if (N != 0) image = k;
      sum += N;
    }
    if (sum != 1) {
      Alert("initFusionMap", 0, 100407, "Label %d is not a simple current (sum=%lld)", J, sum);
      return -1;
    }
    map[i] = image;
  }
  return 0;
}

int simpleFusionDirect(int J, int i) {
  ModularState& s = modularState();
  if (s.fusionMapsStamp != s.CFTCounter) {
    s.fusionMaps.clear();
    s.fusionMapsStamp = s.CFTCounter;
  }
  if (!modularLabelsInRange("simpleFusionDirect", J, i)) return -1;
  auto found = s.fusionMaps.find(J);
  if (found == s.fusionMaps.end()) {
    AccountVector<int> map(static_cast<std::size_t>(modularPrimaries()), -1,
                           AccountAllocator<int>(&Modular_alloc, "fusion map"));
    if (initFusionMap(J, map.data()) != 0) return -1;
    found = s.fusionMaps.emplace(J, std::move(map)).first;
  }
  return found->second[static_cast<std::size_t>(i)];
}
