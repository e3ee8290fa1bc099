// Filter invariants one prime at a time and their combination. For each participating
// prime the p-part of a filter generates a group of prime-power order whose simple-current
// invariants are found by the invariant machinery, analysed as heterotic models and kept
// in the per-prime store; the invariants of the whole filter are the tuples of one stored
// invariant per prime. The combined group is the direct product of the per-prime groups,
// cyclic factor a of order N_a the product of the primes' factors a of orders n_ta; an
// element, a charge, an X matrix, a kernel and a charge map are composed by the Chinese
// remainder theorem (digit a of prime t enters with N_a / n_ta, elements with the
// idempotent weight).
//
// Every filter record lent during an evaluation is listed and given back at the release,
// also when no invariant of a prime refers to it.
#include <algorithm>
#include <memory>
#include <vector>

#include "groups/Discrete.h"
#include "heterotic/HeteroticInternal.h"
#include "interpreter/Loops.h"
#include "invariants/Invariants.h"
#include "numbers/MathUtility.h"
#include "runtime/Error.h"
#include "runtime/Output.h"
#include "runtime/SystemUtility.h"
#include "tensor/Coset.h"

namespace {

constexpr int kPrimeSlots = 100;
constexpr long long kMaxCombinedOrder = 10000000;

HeteroticFilterInfo* filterOf(const SimpleCurrentData* MD) {
  return static_cast<HeteroticFilterInfo*>(MD->context);
}

int primeIndexOf(int p) {
  int i = 0;
  while (prime(i) < p) ++i;
  return i;
}

HeteroticFilterInfo* lendFilter(TensorProduct* tensor) {
  HeteroticFilterInfo* record = getAvailableFilterData();
  heteroticJobs().lentFilters.push_back(record);
  const int n = factorCount(tensor);
  record->tensor = tensor;
  record->generators.reset(n);
  record->group.reset(n);
  record->primeCode = 0;
  return record;
}

void copyRows(const HeteroticRows& from, HeteroticRows& to) {
  to.reset(from.rowLength());
  for (int r = 0; r < from.size(); ++r) to.add(from.row(r), 1);
}

// Mixed-radix digits over the orders (first fastest).
std::vector<int> digitsOf(int index, const std::vector<int>& orders) {
  std::vector<int> digits(orders.size(), 0);
  for (std::size_t a = 0; a < orders.size(); ++a) {
    const int N = std::max(orders[a], 1);
    digits[a] = index % N;
    index /= N;
  }
  return digits;
}

int indexOf(const std::vector<int>& digits, const std::vector<int>& orders) {
  long long index = 0;
  long long place = 1;
  for (std::size_t a = 0; a < orders.size(); ++a) {
    index += digits[a] * place;
    place *= orders[a];
  }
  return static_cast<int>(index);
}

struct CombinationContext {
  std::vector<SimpleCurrentData**> lists;
  std::vector<int> fills;
  std::unique_ptr<DGType, void (*)(DGType*)> cached{nullptr, DG_free};
  std::vector<int> cachedOrders;
};

int combinationBody(int n, int* x, void* context) {
  // A skipped tuple (too large, or not set up) lets the loop go on.
  evaluatePrimeSimpleCurrentCombination(n, x, context);
  return 0;
}

std::vector<PrimeFactorOrders> factorOrdersOf(int n, SimpleCurrentData* const* records) {
  std::vector<PrimeFactorOrders> primes(static_cast<std::size_t>(n));
  for (int t = 0; t < n; ++t) {
    const DGType* G = records[t]->group;
    if (G->order > 1)
      primes[static_cast<std::size_t>(t)].orders.assign(G->factors, G->factors + G->nfactors);
  }
  return primes;
}

// X_ab = sum over the primes having factors a and b of X^t_ab N_a / n_ta, modulo N_a.
void combineXmatrices(int n, SimpleCurrentData* const* records, SimpleCurrentData* combined) {
  const DGType* G = combined->group;
  const int k = G->nfactors;
  const std::size_t kk = static_cast<std::size_t>(k) * static_cast<std::size_t>(k);
  int* X = combined->monodromies.data() + kk;
  for (int a = 0; a < k; ++a) {
    const long long Na = G->factors[a];
    for (int b = 0; b < k; ++b) {
      long long x = 0;
      for (int t = 0; t < n; ++t) {
        const DGType* Gt = records[t]->group;
        const int kt = Gt->nfactors;
        if (Gt->order <= 1 || a >= kt || b >= kt) continue;
        const std::size_t ktt = static_cast<std::size_t>(kt) * static_cast<std::size_t>(kt);
        const long long xt = records[t]->monodromies[ktt + static_cast<std::size_t>(a) * kt + b];
        x = mod(x + xt * (Na / Gt->factors[a]), Na);
      }
      X[a * k + b] = static_cast<int>(x);
    }
  }
}

}  // namespace

// ---------------------------------------------------------------------------------------
// Callbacks of the invariant machinery

void CurrentCurrentChargeForFilter(int a, int b, Rat* out, void* info) {
  HeteroticFilterInfo* filter = static_cast<HeteroticFilterInfo*>(info);
  const int C = heteroticState().chargeCommonDenominator;
  out->num = IntegerTensorRatCharge(filter->tensor, filter->group.row(a), filter->group.row(b), C);
  out->den = C;
  simplifyRat(out);
}

void CurrentWeightForFilter(int a, Rat* out, void* info) {
  HeteroticFilterInfo* filter = static_cast<HeteroticFilterInfo*>(info);
  const int* labels = filter->group.row(a);
  long long W = 0;
  for (int f = 0; f < factorCount(filter->tensor); ++f) W += getLeftWeightNumerator(f, labels[f]);
  out->num = W;
  out->den = heteroticState().commonDenominator;
  simplifyRat(out);
}

int GSC_analyseInvariant(SimpleCurrentData* record) {
  HeteroticJobState& jobs = heteroticJobs();
  jobs.hookRecord = record;
  SimpleCurrentData* fresh = getSCDataPointer();
  copySCData(fresh, record, 0);
  fresh->charge_fn = CurrentCurrentChargeForFilter;
  fresh->weight_fn = CurrentWeightForFilter;
  GSC_computeMonodromies(fresh);
  fresh->kernels.clear();
  getXKernels(fresh);
  fresh->charge_map_made = 0;
  makeChargeMap(fresh);
  const bool stored = jobs.currentIndex >= 0;
  if (stored) storeSimpleCurrentDataPointer(fresh, 0, 0, nullptr);
  GSC_computeHeteroticStringSpectrum(fresh);
  // Nothing keeps an invariant that no prime store holds.
  if (!stored) returnSCDataPointer(fresh);
  return 0;
}

int GSC_analyseInvariantUsingXmatrix(SimpleCurrentData* record) {
  record->charge_fn = CurrentCurrentChargeForFilter;
  record->weight_fn = CurrentWeightForFilter;
  record->kernels.clear();
  GSC_computeHeteroticStringSpectrum(record);
  return 0;
}

// ---------------------------------------------------------------------------------------
// One prime

int ComputeFilterNEW(TensorProduct* tensor, const int* orders, const int* X) {
  HeteroticState& s = heteroticState();
  HeteroticJobState& jobs = heteroticJobs();
  const int n = factorCount(tensor);
  HeteroticFilterInfo* record = lendFilter(tensor);
  const int ngen = s.filterGenerators.rowLength() == n ? s.filterGenerators.size() : 0;
  std::vector<int> labels;
  const DGType* G = nullptr;
  if (ngen >= 1) {
    copyRows(s.filterGenerators, record->generators);
    BuildAlgebraFromOrthogonalGenerators(tensor, record->generators, record->group, orders);
    G = DG_find(orders, ngen);
    if (G == nullptr || G->order != record->group.size()) {
      Alert("ComputeFilterNEW", 0, 212204, "Filter group of %d elements does not match its orders",
            record->group.size());
    countSkippedInvariant();
      return 1;
    }
    labels.resize(static_cast<std::size_t>(G->order));
    for (int e = 0; e < G->order; ++e) labels[static_cast<std::size_t>(e)] = e;
    record->primeCode = static_cast<std::int32_t>(computePrimeCode(G->order));
    if (X != nullptr) {
      jobs.hookRecord = nullptr;
      const int result = GSC_computeInvariant(G, labels.data(), GSC_analyseInvariant, X, record);
      if (jobs.hookRecord != nullptr) returnSCDataPointer(jobs.hookRecord);
      jobs.hookRecord = nullptr;
      return result;
    }
  } else {
    G = DG_trivial();
    const std::vector<int> identity(static_cast<std::size_t>(n), 0);
    record->group.add(identity.data(), 1);
    labels.assign(1, 0);
    record->primeCode = 0;
  }
  return GSC_computeAllGroupInvariants(G, labels.data(), CurrentCurrentChargeForFilter,
                                       CurrentWeightForFilter, GSC_analyseInvariant, record);
}

SimpleCurrentData** storeSimpleCurrentDataPointer(SimpleCurrentData* pointer, int p, int mode,
                                                  int* count) {
  HeteroticJobState& jobs = heteroticJobs();
  if (jobs.slots.size() != kPrimeSlots) jobs.slots.assign(kPrimeSlots, HeteroticJobState::PrimeSlot());
  const int capacity = settingOn(heteroticState().mipfRandom) + 10;
  switch (mode) {
    case 1: {
      // Selecting the selected prime again changes nothing.
      if (p == jobs.currentPrime) return nullptr;
      const int index = primeIndexOf(p);
      if (index >= kPrimeSlots) {
        Alert("storeSimpleCurrentDataPointer", 1, 112413, "Prime overflow");
        GracefulExit(1);
      }
      HeteroticJobState::PrimeSlot& slot = jobs.slots[static_cast<std::size_t>(index)];
      slot.capacity = capacity;
      slot.hasList = true;
      slot.records.reserve(static_cast<std::size_t>(capacity));
      jobs.currentPrime = p;
      jobs.currentIndex = index;
      return nullptr;
    }
    case 0: {
      if (jobs.currentIndex < 0) return nullptr;
      HeteroticJobState::PrimeSlot& slot = jobs.slots[static_cast<std::size_t>(jobs.currentIndex)];
      slot.records.push_back(pointer);
      if (static_cast<int>(slot.records.size()) >= slot.capacity - 1) {
        Print("REALLOCATING POINTERS FOR PRIME %d, current fill %d\n", jobs.currentPrime,
              static_cast<int>(slot.records.size()));
        slot.capacity += 100;
      }
      return nullptr;
    }
    case -2: {
      const int index = p >= 2 ? primeIndexOf(p) : kPrimeSlots;
      if (index >= kPrimeSlots) {
        if (count != nullptr) *count = 0;
        return nullptr;
      }
      HeteroticJobState::PrimeSlot& slot = jobs.slots[static_cast<std::size_t>(index)];
      if (count != nullptr) *count = static_cast<int>(slot.records.size());
      return slot.records.data();
    }
    case -1: {
      for (HeteroticJobState::PrimeSlot& slot : jobs.slots) {
        for (SimpleCurrentData* record : slot.records) {
          if (record == nullptr) continue;
          returnSCDataPointer(record);
        }
        slot.records.clear();
      }
      for (HeteroticFilterInfo* record : jobs.lentFilters) returnFilterData(record);
      jobs.lentFilters.clear();
      return nullptr;
    }
    case 2:
      return nullptr;
    default:
      Alert("storeSimpleCurrentDataPointer", 0, 212404,
            "Invalid mode in storeSimpleCurrentDataPointer");
      return nullptr;
  }
}

// ---------------------------------------------------------------------------------------
// Combination of the primes

int combineChargeCodes(const std::vector<PrimeFactorOrders>& primes, const int* codes,
                       const std::vector<int>& combinedOrders) {
  std::vector<int> combined(combinedOrders.size(), 0);
  for (std::size_t t = 0; t < primes.size(); ++t) {
    const std::vector<int>& orders = primes[t].orders;
    const std::vector<int> charges = digitsOf(codes[t], orders);
    for (std::size_t a = 0; a < orders.size() && a < combined.size(); ++a) {
      const long long N = combinedOrders[a];
      combined[a] = static_cast<int>(mod(combined[a] + charges[a] * (N / orders[a]), N));
    }
  }
  return indexOf(combined, combinedOrders);
}

int composeFilterCurrents(const std::vector<PrimeFactorOrders>& primes, const int* elements,
                          const std::vector<int>& combinedOrders) {
  std::vector<int> combined(combinedOrders.size(), 0);
  for (std::size_t t = 0; t < primes.size(); ++t) {
    const std::vector<int>& orders = primes[t].orders;
    const std::vector<int> digits = digitsOf(elements[t], orders);
    for (std::size_t a = 0; a < orders.size() && a < combined.size(); ++a) {
      const long long N = combinedOrders[a];
      const long long cofactor = N / orders[a];
      const long long weight = PrimeInverse(static_cast<int>(cofactor % orders[a]), orders[a]) * cofactor;
      combined[a] = static_cast<int>(mod(combined[a] + weight * digits[a], N));
    }
  }
  return indexOf(combined, combinedOrders);
}

int combinePrimeSimpleCurrentFactors(int n, const int* primes) {
  CombinationContext context;
  std::vector<int> data(3 * static_cast<std::size_t>(std::max(n, 1)), 0);
  int* lo = data.data();
  int* hi = lo + n;
  int* x = hi + n;
  for (int t = 0; t < n; ++t) {
    int fill = 0;
    SimpleCurrentData** list = storeSimpleCurrentDataPointer(nullptr, primes[t], -2, &fill);
    if (fill < 1) return 0;
    context.lists.push_back(list);
    context.fills.push_back(fill);
    hi[t] = fill - 1;
  }
  if (n < 1) return 0;
  const int random = settingOn(heteroticState().mipfRandom);
  const double length = getLoopLength(n, lo, hi);
  if (random != 0 && length > random) {
    Print("Randomized loop search, loop length %d > %d\n", static_cast<int>(length), random);
    PrintRandomScanWarning(length);
    RandomizedLoops(n, lo, hi, x, &context, random, combinationBody);
  } else {
    NestedLoops(n, lo, hi, x, &context, nullptr, combinationBody);
  }
  return 0;
}

int evaluatePrimeSimpleCurrentCombination(int nprimes, int* indices, void* contextPointer) {
  CombinationContext* context = static_cast<CombinationContext*>(contextPointer);
  if (nprimes < 1 || context == nullptr) {
    Alert("evaluatePrimeSimpleCurrentCombination", 0, 112215, "Unexpected initialization error");
    countSkippedInvariant();
    return -4;
  }
  std::vector<SimpleCurrentData*> records(static_cast<std::size_t>(nprimes));
  for (int t = 0; t < nprimes; ++t) {
    SimpleCurrentData* record = context->lists[static_cast<std::size_t>(t)][indices[t]];
    if (record == nullptr || record->group == nullptr || record->context == nullptr) {
      Alert("evaluatePrimeSimpleCurrentCombination", 1, 112215, "Unexpected initialization error");
      countSkippedInvariant();
      return -4;
    }
    records[static_cast<std::size_t>(t)] = record;
  }
  TensorProduct* tensor = filterOf(records[0])->tensor;
  if (tensor == nullptr) {
    Alert("evaluatePrimeSimpleCurrentCombination", 2, 112215, "Unexpected initialization error");
    countSkippedInvariant();
    return -4;
  }
  const int n = factorCount(tensor);
  int k = 0;
  for (SimpleCurrentData* record : records) k = std::max(k, static_cast<int>(record->group->nfactors));
  std::vector<int> orders(static_cast<std::size_t>(k), 1);
  resetFilterCurrents(tensor);
  std::vector<int> current(static_cast<std::size_t>(n)), product(static_cast<std::size_t>(n));
  for (int j = 0; j < k; ++j) {
    std::fill(current.begin(), current.end(), 0);
    for (SimpleCurrentData* record : records) {
      const DGType* G = record->group;
      const HeteroticFilterInfo* filter = filterOf(record);
      if (G->order <= 1 || G->nfactors < j + 1 || filter->generators.size() <= j) continue;
      orders[static_cast<std::size_t>(j)] *= G->factors[j];
      FastTensorSimpleAction(tensor, filter->generators.row(j), current.data(), product.data());
      current = product;
    }
    addNewFilterCurrent(tensor, current.data());
  }
  long long total = 1;
  for (int N : orders) total *= N;
  if (total > kMaxCombinedOrder) {
    Print("Filter group too large (%lld); skipping this case\n", total);
    return -3;
  }
  if (context->cached == nullptr || context->cachedOrders != orders) {
    context->cached.reset(k > 0 ? DG_makeDecomp(orders.data(), k) : nullptr);
    context->cachedOrders = orders;
  }
  ComputeFilterForPrimeCombination(nprimes, records.data(), orders.data(), context->cached.get());
  ++heteroticJobs().maxComb;
  return 0;
}

int getMaxComb() {
  return heteroticJobs().maxComb;
}

void ComputeFilterForPrimeCombination(int n, SimpleCurrentData* const* records, const int* orders,
                                      const DGType* group) {
  HeteroticState& s = heteroticState();
  TensorProduct* tensor = filterOf(records[0])->tensor;
  const int nf = factorCount(tensor);
  const int k = group == nullptr ? 0 : group->nfactors;
  BuildAlgebraFromOrthogonalGenerators(tensor, s.filterGenerators, s.filter, orders);
  if (k == 0 || s.filterGenerators.size() == 0) {
    Print("No generators; Trivial group\n");
    HeteroticFilterInfo* filter = lendFilter(tensor);
    const std::vector<int> identity(static_cast<std::size_t>(nf), 0);
    filter->group.add(identity.data(), 1);
    const int labels[1] = {0};
    GSC_computeAllGroupInvariants(DG_trivial(), labels, CurrentCurrentChargeForFilter,
                                  CurrentWeightForFilter, GSC_analyseInvariantUsingXmatrix, filter);
    return;
  }
  const int order = group->order;
  if (s.filterGenerators.size() != k || s.filter.size() != order) {
    Alert("ComputeFilterForPrimeCombination", 0, 212204,
          "Combined filter of %d elements does not match its group of order %d", s.filter.size(),
          order);
    countSkippedInvariant();
    return;
  }
  HeteroticFilterInfo* filter = lendFilter(tensor);
  copyRows(s.filter, filter->group);
  copyRows(s.filterGenerators, filter->generators);
  filter->primeCode = static_cast<std::int32_t>(computePrimeCode(order));

  SimpleCurrentData* MD = getSCDataPointer();
  MD->group = group;
  MD->context = filter;
  MD->charge_fn = CurrentCurrentChargeForFilter;
  MD->weight_fn = CurrentWeightForFilter;
  MD->map.assign(3 * static_cast<std::size_t>(order), 0);
  for (int e = 0; e < order; ++e) {
    MD->map[static_cast<std::size_t>(e)] = e;
    MD->map[2 * static_cast<std::size_t>(order) + e] = e;
  }
  MD->generators.assign(static_cast<std::size_t>(k), 0);
  for (int a = 0; a < k; ++a) MD->generators[static_cast<std::size_t>(a)] = DG_basis(group, a);
  MD->n_generators = k;
  MD->monodromies.assign(2 * static_cast<std::size_t>(k) * k, 0);
  GSC_computeMonodromies(MD);
  combineXmatrices(n, records, MD);
  if (checkXmatrix(MD) != 0) {
    // A combination whose X fails the conditions is no invariant: rejected, not inconsistent.
    ++heteroticState().skippedInvariants;
    returnSCDataPointer(MD);
    return;
  }

  // Kernels and charge map: the tuples of the primes' entries, composed.
  const std::vector<PrimeFactorOrders> primes = factorOrdersOf(n, records);
  const std::vector<int> combinedOrders(orders, orders + k);
  std::vector<int> lo(static_cast<std::size_t>(n), 0), hi(static_cast<std::size_t>(n)),
      x(static_cast<std::size_t>(n));
  std::vector<int> lefts(static_cast<std::size_t>(n)), rights(static_cast<std::size_t>(n));
  MD->kernels.assign(2 * static_cast<std::size_t>(order), 0);
  int K = 0;
  for (int t = 0; t < n; ++t) hi[static_cast<std::size_t>(t)] = std::max(records[t]->kernel_size, 1);
  if (incrementInit(n, lo.data(), hi.data(), x.data()) == 0) {
    do {
      for (int t = 0; t < n; ++t) {
        const std::vector<int>& kernels = records[t]->kernels;
        const int ot = records[t]->group->order;
        const int i = x[static_cast<std::size_t>(t)];
        lefts[static_cast<std::size_t>(t)] = kernels.empty() ? 0 : kernels[static_cast<std::size_t>(i)];
        rights[static_cast<std::size_t>(t)] =
            kernels.size() <= static_cast<std::size_t>(ot) + i ? 0
                                                                : kernels[static_cast<std::size_t>(ot) + i];
      }
      if (K < order) {
        MD->kernels[static_cast<std::size_t>(K)] = composeFilterCurrents(primes, lefts.data(), combinedOrders);
        MD->kernels[static_cast<std::size_t>(order) + K] =
            composeFilterCurrents(primes, rights.data(), combinedOrders);
      }
      ++K;
    } while (increment(n, lo.data(), hi.data(), x.data()) == 0);
  }
  MD->kernel_size = std::min(K, order);
  MD->chargeMap.assign(static_cast<std::size_t>(order), -1);
  for (int t = 0; t < n; ++t) hi[static_cast<std::size_t>(t)] = records[t]->group->order;
  std::vector<int> elements(static_cast<std::size_t>(n));
  if (incrementInit(n, lo.data(), hi.data(), x.data()) == 0) {
    do {
      bool present = true;
      for (int t = 0; t < n && present; ++t) {
        const std::vector<int>& map = records[t]->chargeMap;
        const int code = x[static_cast<std::size_t>(t)];
        const int element = code < static_cast<int>(map.size()) ? map[static_cast<std::size_t>(code)] : -1;
        present = element >= 0;
        elements[static_cast<std::size_t>(t)] = element;
      }
      if (!present) continue;
      const int code = combineChargeCodes(primes, x.data(), combinedOrders);
      MD->chargeMap[static_cast<std::size_t>(code)] =
          composeFilterCurrents(primes, elements.data(), combinedOrders);
    } while (increment(n, lo.data(), hi.data(), x.data()) == 0);
  }
  MD->charge_map_made = 1;
  GSC_computeHeteroticStringSpectrum(MD);
  returnSCDataPointer(MD);
}
