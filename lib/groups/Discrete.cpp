// Finite abelian groups as products of cyclic factors: the record and its data block,
// the cache of shared groups, element numbering and element operations, and the
// characters. A group's data block holds, one after the other, the factors, the element
// orders, the component table and (when asked for at creation and small enough) the
// character table; a table built later has a block of its own. Cached groups and the
// shared trivial group live until resetDiscrete.
#include <cstdint>
#include <limits>
#include <memory>

#include "collections/VectorUtility.h"
#include "groups/DiscreteInternal.h"
#include "runtime/Error.h"
#include "runtime/Output.h"

AllocationAccount DG_space("Discrete Groups");
AllocationAccount FP_alloc("Stabilizers");

namespace {

std::unique_ptr<DiscreteState>& stateHolder() {
  static std::unique_ptr<DiscreteState> holder = std::make_unique<DiscreteState>();
  return holder;
}

// A table fits when it is below the order bound and its bytes below the allocation
// limit (the limit is reached from N = 22913 on).
bool characterTableFits(std::int64_t order, std::int64_t otherInts) {
  if (order >= kCharacterTableOrderLimit) return false;
  std::int64_t ints = order * order + otherInts;
  return static_cast<std::uint64_t>(ints) * sizeof(int) < kAllocationRefusedSize;
}

void reportTableTooLarge(int order) {
  // A warning only: the group goes on answering single character values.
  Alert("DG_computeCharacters", 1, 112213,
        "Attemp to store character table of a discrete\ngroup of order %d; this is to large", order);
}

// The order of a product of factors, or -1 after an alert for a factor below 1 or a
// product beyond the int range.
std::int64_t productOfFactors(const int* factors, int k, const char* routine) {
  std::int64_t order = 1;
  for (int j = 0; j < k; ++j) {
    if (factors[j] < 1) {
      Alert(routine, 1, 212404, "Invalid order %d of factor %d of a discrete group", factors[j], j);
      return -1;
    }
    if (__builtin_mul_overflow(order, static_cast<std::int64_t>(factors[j]), &order) ||
        order > std::numeric_limits<int>::max()) {
      Alert(routine, 2, 212404, "Discrete group order exceeds %d", std::numeric_limits<int>::max());
      return -1;
    }
  }
  return order;
}

// chi(a, b) from the components: each term (c_j(a) c_j(b) mod n_j) N / n_j stays below N.
int pairing(const DGType* dg, const int* ca, const int* cb) {
  std::int64_t N = dg->order;
  std::int64_t sum = 0;
  for (int j = 0; j < dg->nfactors; ++j) {
    std::int64_t n = dg->factors[j];
    std::int64_t term = (static_cast<std::int64_t>(ca[j]) * cb[j]) % n * (N / n);
    sum = (sum + term) % N;
  }
  return static_cast<int>(sum);
}

// Components of e by division, for groups without a component table.
void componentsOf(const DGType* dg, int e, int* out) {
  for (int j = 0; j < dg->nfactors; ++j) {
    out[j] = e % dg->factors[j];
    e /= dg->factors[j];
  }
}

}  // namespace

DiscreteState& discreteState() { return *stateHolder(); }

bool discreteElementInRange(const DGType* dg, int e, const char* routine) {
  if (dg == nullptr) {
    Alert(routine, 8, 212404, "Unexpected NULL discrete group");
    return false;
  }
  if (e < 0 || e >= dg->order) {
    Alert(routine, 9, 212404, "Element %d out of range of discrete group of order %d", e, dg->order);
    return false;
  }
  return true;
}

void resetDiscrete() { stateHolder() = std::make_unique<DiscreteState>(); }

// ---------------------------------------------------------------------------------------
// Records and the cache

DGType* DG_alloc() { return discreteState().groups.acquire(); }

DGType* DG_allocSpace(int order, int k, int withCharacters) {
  if (order < 1 || k < 0) {
    Alert("DG_allocSpace", 1, 212404, "Invalid discrete group size: order %d, %d factors", order, k);
    return nullptr;
  }
  std::int64_t N = order;
  std::int64_t ints = k + N + N * k;  // no overflow: N, k below 2^31
  bool withTable = false;
  if (withCharacters == 1) {
    withTable = characterTableFits(N, ints);
    if (!withTable) reportTableTooLarge(order);
  }
  DGType* dg = discreteState().groups.acquire();
  dg->order = order;
  dg->nfactors = k;
  dg->block.assign(static_cast<std::size_t>(ints + (withTable ? N * N : 0)), 0);
  int* data = dg->block.data();
  dg->factors = data;
  dg->orders = data + k;
  dg->decomp = data + k + N;
  dg->characters = withTable ? data + ints : nullptr;
  return dg;
}

DGType* DG_makeDecomp(const int* factors, int k) {
  if (k < 0) k = 0;
  std::int64_t order = productOfFactors(factors, k, "DG_makeDecomp");
  if (order < 0) return nullptr;
  DGType* dg = DG_allocSpace(static_cast<int>(order), k, 0);
  if (dg == nullptr) return nullptr;
  for (int j = 0; j < k; ++j) dg->factors[j] = factors[j];
  for (int e = 0; e < dg->order; ++e) componentsOf(dg, e, dg->decomp + static_cast<std::int64_t>(e) * k);
  DG_findOrdersFast(dg);
  dg->next = nullptr;
  return dg;
}

DGType* DG_trivial() {
  DiscreteState& s = discreteState();
  if (s.trivial == nullptr) {
    DGType* dg = s.groups.acquire();
    dg->block.assign(1, 1);  // the order of the identity
    dg->orders = dg->block.data();
    dg->order = 1;
    dg->nfactors = 0;
    dg->cached = true;
    s.trivial = dg;
  }
  return s.trivial;
}

DGType* DG_find(const int* factors, int k) {
  DiscreteState& s = discreteState();
  if (k < 0) k = 0;
  for (DGType* dg = s.firstDG; dg != nullptr; dg = dg->next) {
    if (dg->nfactors != k) continue;
    bool same = true;
    for (int j = 0; j < k && same; ++j) same = dg->factors[j] == factors[j];
    if (same) return dg;
  }
  DGType* dg = k == 0 ? DG_trivial() : DG_makeDecomp(factors, k);
  if (dg == nullptr) return nullptr;
  dg->cached = true;
  dg->next = s.firstDG;
  s.firstDG = dg;
  return dg;
}

void DG_free(DGType* dg) {
  DiscreteState& s = discreteState();
  if (dg == nullptr) {
    Alert("DG_free", 0, 112210, "Attempt to free NULL discrete group pointer");
    return;
  }
  if (!s.groups.owns(dg)) {
    Alert("DG_free", 1, 112210, "Attempt to free NULL discrete group data");
    return;
  }
  if (dg->cached || dg->next != nullptr) {
    // A shared group stays: releasing it would leave the cache pointing at freed memory.
    Alert("DG_free", 2, 112210, "Freeing discrete group pointer with allocated sub-pointer");
    return;
  }
  s.groups.release(dg);
}

void DG_findOrdersFast(DGType* dg) {
  if (dg == nullptr || dg->order < 1 || dg->orders == nullptr) return;
  int k = dg->nfactors;
  std::vector<int> comps(static_cast<std::size_t>(k));
  for (int e = 0; e < dg->order; ++e) {
    if (dg->orders[e] != 0) continue;
    const int* c = comps.data();
    if (dg->decomp != nullptr) {
      c = dg->decomp + static_cast<std::int64_t>(e) * k;
    } else {
      componentsOf(dg, e, comps.data());
    }
    long long order = 1;
    for (int j = 0; j < k; ++j) order = SCM(order, dg->factors[j] / GCD(c[j], dg->factors[j]));
    dg->orders[e] = static_cast<int>(order);
  }
}

// ---------------------------------------------------------------------------------------
// Element operations

int DG_basis(const DGType* dg, int j) {
  if (dg->order == 1) return 0;
  int place = 1;
  for (int i = 0; i < j && i < dg->nfactors; ++i) place *= dg->factors[i];
  return place;
}

int DG_decomp(const DGType* dg, int e, int j) {
  if (!discreteElementInRange(dg, e, "DG_decomp")) return 0;
  if (j < 0 || j >= dg->nfactors) return 0;
  for (int i = 0; i < j; ++i) e /= dg->factors[i];
  return e % dg->factors[j];
}

int DG_findElement(const DGType* dg, const int* comps) {
  std::int64_t e = 0;
  std::int64_t place = 1;
  for (int j = 0; j < dg->nfactors; ++j) {
    std::int64_t term;
    if (__builtin_mul_overflow(static_cast<std::int64_t>(comps[j]), place, &term) ||
        __builtin_add_overflow(e, term, &e) || e > std::numeric_limits<int>::max() ||
        e < std::numeric_limits<int>::min()) {
      Alert("DG_findElement", 1, 212404, "Integer overflow in charge code");
      return -1;
    }
    place *= dg->factors[j];
  }
  return static_cast<int>(e);
}

int DG_computeChargeCode(const DGType* dg, const int* charges) { return DG_findElement(dg, charges); }

const int* DG_DecodeChargeCode(const DGType* dg, int code) {
  if (!discreteElementInRange(dg, code, "DG_DecodeChargeCode")) return nullptr;
  if (dg->decomp == nullptr) return nullptr;
  return dg->decomp + static_cast<std::int64_t>(code) * dg->nfactors;
}

int DG_product(int a, int b, const DGType* dg) {
  if (!discreteElementInRange(dg, a, "DG_product") || !discreteElementInRange(dg, b, "DG_product")) {
    return 0;
  }
  int k = dg->nfactors;
  if (k <= 0) return 0;
  std::int64_t result = 0;
  std::int64_t place = 1;
  if (dg->decomp != nullptr) {
    const int* ca = dg->decomp + static_cast<std::int64_t>(a) * k;
    const int* cb = dg->decomp + static_cast<std::int64_t>(b) * k;
    for (int j = 0; j < k; ++j) {
      int n = dg->factors[j];
      int c = ca[j] + cb[j];
      if (c >= n) c -= n;
      result += c * place;
      place *= n;
    }
  } else {
    for (int j = 0; j < k; ++j) {
      int n = dg->factors[j];
      int c = a % n + b % n;
      if (c >= n) c -= n;
      a /= n;
      b /= n;
      result += c * place;
      place *= n;
    }
  }
  return static_cast<int>(result);
}

int DG_productLaw(int a, int b, void* ctx) { return DG_product(a, b, static_cast<const DGType*>(ctx)); }

int DG_ChargeCodeProduct(const DGType* dg, int a, int b) {
  if (!discreteElementInRange(dg, a, "DG_ChargeCodeProduct") ||
      !discreteElementInRange(dg, b, "DG_ChargeCodeProduct")) {
    return 0;
  }
  int k = dg->nfactors;
  std::vector<int> ca(static_cast<std::size_t>(k)), cb(static_cast<std::size_t>(k));
  componentsOf(dg, a, ca.data());
  componentsOf(dg, b, cb.data());
  for (int j = 0; j < k; ++j) ca[static_cast<std::size_t>(j)] = (ca[j] + cb[j]) % dg->factors[j];
  return DG_findElement(dg, ca.data());
}

int DG_inverse(const DGType* dg, int e) {
  if (!discreteElementInRange(dg, e, "DG_inverse")) return 0;
  int k = dg->nfactors;
  std::int64_t result = 0;
  std::int64_t place = 1;
  int rest = e;
  for (int j = 0; j < k; ++j) {
    int n = dg->factors[j];
    result += ((n - rest % n) % n) * place;
    rest /= n;
    place *= n;
  }
  int inverse = static_cast<int>(result);
  if (DG_product(e, inverse, dg) != 0) PrintStdout("INVERSE ERROR!!!!!\n");
  return inverse;
}

int DG_findMinimumInFactor(const int* elements, const DGType* dg, int n, int j) {
  int best = 0;
  int bestComponent = 0;
  std::vector<int> comps(static_cast<std::size_t>(dg->nfactors));
  for (int i = 0; i < n; ++i) {
    if (!discreteElementInRange(dg, elements[i], "DG_findMinimumInFactor")) continue;
    componentsOf(dg, elements[i], comps.data());
    int highest = -1;
    for (int t = 0; t < dg->nfactors; ++t) {
      if (comps[static_cast<std::size_t>(t)] != 0) highest = t;
    }
    if (highest != j) continue;
    if (best == 0 || comps[static_cast<std::size_t>(j)] < bestComponent) {
      best = elements[i];
      bestComponent = comps[static_cast<std::size_t>(j)];
    }
  }
  return best;
}

std::vector<int> DG_findOrderedBasis(const int* elements, const DGType* dg, int n) {
  std::vector<int> basis;
  for (int j = 0; j < dg->nfactors; ++j) {
    int e = DG_findMinimumInFactor(elements, dg, n, j);
    if (e >= 1) basis.push_back(e);
  }
  return basis;
}

void DG_print(const DGType* dg) {
  PrintStdout("Multiplicity: %d\n", dg->nfactors);
  PrintStdout("Order: %d\n", dg->order);
  printVec(dg->nfactors, dg->factors, "Factors:   ");
  std::vector<int> comps(static_cast<std::size_t>(dg->nfactors));
  for (int e = 0; e < dg->order && dg->nfactors > 0; ++e) {
    componentsOf(dg, e, comps.data());
    printVec(dg->nfactors, comps.data(), formatText("element %d: decomp --> ", e).c_str());
  }
}

// ---------------------------------------------------------------------------------------
// Characters

void DG_computeCharacters(DGType* dg) {
  if (dg == nullptr || dg->charstatus == 1) return;
  std::int64_t N = dg->order;
  if (dg->characters == nullptr) {
    if (!characterTableFits(N, 0)) {
      reportTableTooLarge(dg->order);
      dg->charstatus = -2;
      return;
    }
    dg->characterBlock.assign(static_cast<std::size_t>(N * N), 0);
    dg->characters = dg->characterBlock.data();
  }
  int k = dg->nfactors;
  std::vector<int> components(static_cast<std::size_t>(N * k));
  for (int e = 0; e < N; ++e) componentsOf(dg, e, components.data() + e * k);
  for (int a = 0; a < N; ++a) {
    int* row = dg->characters + a * N;
    for (int b = 0; b < N; ++b) row[b] = pairing(dg, components.data() + a * k, components.data() + b * k);
  }
  dg->charstatus = 1;
}

int DG_computeCharacter(const DGType* dg, int a, int b, Rat* q) {
  q->num = 0;
  q->den = dg->order;
  if (dg->nfactors == 0) return 0;
  if (!discreteElementInRange(dg, a, "DG_computeCharacter") ||
      !discreteElementInRange(dg, b, "DG_computeCharacter")) {
    return 0;
  }
  std::vector<int> ca(static_cast<std::size_t>(dg->nfactors)), cb(static_cast<std::size_t>(dg->nfactors));
  componentsOf(dg, a, ca.data());
  componentsOf(dg, b, cb.data());
  q->num = pairing(dg, ca.data(), cb.data());
  return static_cast<int>(q->num);
}

void DG_character(DGType* dg, int a, int b, Rat* q) {
  if (dg->nfactors == 0) {
    q->num = 1;
    q->den = 1;
    return;
  }
  if (!discreteElementInRange(dg, a, "DG_character") || !discreteElementInRange(dg, b, "DG_character")) {
    q->num = 0;
    q->den = 1;
    return;
  }
  if (dg->charstatus == 0) DG_computeCharacters(dg);
  if (dg->charstatus == 1) {
    q->num = dg->characters[static_cast<std::int64_t>(a) * dg->order + b];
    q->den = dg->order;
    simplifyRat(q);
    return;
  }
  DG_computeCharacter(dg, a, b, q);
}

int DG_findCharacter(DGType* dg, const int* num, const int* den) {
  if (dg->nfactors == 0) {
    if (den[0] != 0 && num[0] / den[0] == 1) return 0;
    Alert("DG_findCharacter", 0, 212404, "Trivial group character does not exist");
    return -1;
  }
  if (dg->charstatus == 0) DG_computeCharacters(dg);
  if (dg->charstatus != 1) {
    Alert("DG_findCharacter", 1, 212404, "Characters not available");
    return -1;
  }
  std::int64_t N = dg->order;
  for (std::int64_t a = 0; a < N; ++a) {
    const int* row = dg->characters + a * N;
    bool match = true;
    for (std::int64_t b = 0; b < N && match; ++b) {
      match = static_cast<std::int64_t>(den[b]) * row[b] == static_cast<std::int64_t>(num[b]) * N;
    }
    if (match) return static_cast<int>(a);
  }
  Alert("DG_findCharacter", 2, 212404, "Character does not exist");
  return -1;
}
