// Orientifold records (their two-stage sizing), the current orientifold and the global
// orientifold counter, the Klein-bottle and crosscap-sign choices, and the reset of the
// bulk invariant.
#include <algorithm>
#include <cstdlib>

#include "boundaries/CrossBoundInternal.h"
#include "invariants/Invariants.h"
#include "modular/Modular.h"
#include "runtime/Error.h"
#include "runtime/Output.h"
#include "runtime/Terminal.h"
#include "store/CurrentTheory.h"

namespace {

void counterStep() {
  if (initDebug()) ProgressPrint("##init: Orientifold sequence number increased\n");
  ++crossBoundState().OrientifoldCounter;
}

// The group of the current invariant as the records are sized for it: the trivial group
// (no cyclic factors) for the diagonal and exceptional invariants.
void invariantGroupShape(int* order, std::vector<int>* factorOrders) {
  *order = 1;
  factorOrders->clear();
  const InvariantGroup* group = invariantGroup(currentBulk());
  if (group == nullptr) return;
  *order = std::max(group->order(), 1);
  *factorOrders = group->factorOrders;
}

int currentIshibashiCount() {
  BulkInvariant* bi = currentBulk();
  if (bi == nullptr) return 0;
  const int N = bi->ishibashi_count;
  return bi->MD && bi->MD->truncated ? 2 * primaryCount() : N;
}

}  // namespace

void initializeOrientifolds() {
  CrossBoundState& s = crossBoundState();
  s.Orientifolds.clear();
  s.Orientifolds.reserve(20);
  s.User.reset(allocateOrientifoldInfo_stage1());
  s.Trivial.reset();
  s.CurrentOrientifold = s.User.get();
}

void resetOrientifolds() {
  CrossBoundState& s = crossBoundState();
  s.OrientifoldCounter = 0;
  initializeOrientifolds();
  resetOrientifoldList();
  resetAmplitudes();
  resetKleinSearch();
}

OrientifoldInfo* allocateOrientifoldInfo_stage1() {
  auto* record = new OrientifoldInfo();
  if (initDebug() == 1)
    ProgressPrint("##init: Allocated orientifold %p\n", static_cast<void*>(record));
  return record;
}

void sizeOrientifoldRecord(OrientifoldInfo* record, int order, const std::vector<int>& factorOrders,
                           int N) {
  record->order = order;
  record->factorOrders = factorOrders;
  record->crosscapSigns.assign(static_cast<size_t>(3 * order) + factorOrders.size(), 0);
  record->conjugates.assign(static_cast<size_t>(3 * std::max(N, 0)), 0);
  record->crosscap.assign(static_cast<size_t>(2 * std::max(N, 0)), 0.0);
  resetOrientifoldCrosscapParameters(record, order + static_cast<int>(factorOrders.size()));
  record->listPosition = -1;
  record->eta = 1;
}

int allocateOrientifoldInfo_stage2(OrientifoldInfo** record) {
  CrossBoundState& s = crossBoundState();
  if (*record == nullptr) {
    // Only the module's own records are created here.
    if (record == &s.CurrentOrientifold) {
      s.User.reset(allocateOrientifoldInfo_stage1());
      *record = s.User.get();
    } else {
      return -1;
    }
  }
  const int bulk = QueryBulkInvariant();
  if ((*record)->bulkNumber == bulk) return bulk;
  if (initDebug() == 1)
    ProgressPrint("##init: Stage 2 allocation for Orientifold %p\n", static_cast<void*>(*record));
  int order = 1;
  std::vector<int> factorOrders;
  invariantGroupShape(&order, &factorOrders);
  s.IshibashiLabelCount = currentBulk() != nullptr ? currentBulk()->ishibashi_count : 0;
  sizeOrientifoldRecord(*record, order, factorOrders, currentIshibashiCount());
  (*record)->bulkNumber = bulk;
  return bulk;
}

int allocateOrientifoldInfo_stage2(std::unique_ptr<OrientifoldInfo>* record) {
  if (!*record) record->reset(allocateOrientifoldInfo_stage1());
  OrientifoldInfo* raw = record->get();
  return allocateOrientifoldInfo_stage2(&raw);
}

void resetOrientifoldStorageInfo(OrientifoldInfo* record) {
  record->conjugatesStamp = record->crosscapStamp = record->metricStamp = record->phaseStamp = -2;
  record->anomalyStamp = -2;
  if (initDebug() == 1)
    ProgressPrint("##init: Resetting orientifold %p\n", static_cast<void*>(record));
}

void resetOrientifoldCrosscapParameters(OrientifoldInfo* record, int n) {
  if (initDebug() == 1) ProgressPrint("##init: Orientifold %p reset\n", static_cast<void*>(record));
  record->klein = 0;
  for (int k = 0; k < n && k < static_cast<int>(record->crosscapSigns.size()); ++k)
    record->crosscapSigns[static_cast<size_t>(k)] = 1;
  ++record->sequence;
  ++crossBoundState().OrientifoldCounter;
}

int resetOrientifold() {
  CrossBoundState& s = crossBoundState();
  s.KleinBottleStorage.clear();
  BulkInvariant* bi = currentBulk();
  if (bi == nullptr || bi->simple_current == 1) {
    setUserDefinedOrientifold();
    OrientifoldInfo* user = s.CurrentOrientifold;
    if (user->bulkNumber == QueryBulkInvariant()) {
      // Already sized for this invariant: sizing alone would keep the old choice.
      resetOrientifoldCrosscapParameters(user, user->order + user->factors());
      user->eta = 1;
    } else {
      allocateOrientifoldInfo_stage2(&s.CurrentOrientifold);
    }
    if (initDebug() == 1)
      ProgressPrint("##init: Current orientifold (%p) reset\n",
                    static_cast<void*>(s.CurrentOrientifold));
    return 1;
  }
  counterStep();
  if (!orientifoldRequired()) return 0;
  if (!primaryCountKnown()) {
    // No spectrum yet: nothing to size the Klein bottle by. It is made on the first use
    // after the spectrum exists (its bulk number no longer matches).
    s.ExceptionalKlein.clear();
    s.KleinBottleModInvNr = -1;
    return 1;
  }
  s.ExceptionalKlein.assign(static_cast<size_t>(primaryCount()), 0);
  resetExceptionalKleinBottle(s.ExceptionalKlein.data());
  s.KleinBottleModInvNr = QueryBulkInvariant();
  if (initDebug() == 1) ProgressPrint("##init: Exceptional orientifold data reset\n");
  return 1;
}

OrientifoldInfo* getCurrentOrientifold() {
  return crossBoundState().CurrentOrientifold;
}
int QueryOrientifold() {
  return crossBoundState().OrientifoldCounter;
}

OrientifoldInfo* setSelectedOrientifold(OrientifoldInfo* record) {
  CrossBoundState& s = crossBoundState();
  if (record != s.CurrentOrientifold) {
    s.CurrentOrientifold = record;
    counterStep();
  }
  return record;
}

OrientifoldInfo* setStoredOrientifold(int i) {
  CrossBoundState& s = crossBoundState();
  if (i < 0 || i >= orientifoldListSize()) {
    Alert("setStoredOrientifold", 0, 100302, "Orientifold nr. out of range");
    return nullptr;
  }
  return setSelectedOrientifold(s.Orientifolds[static_cast<size_t>(i)].get());
}

OrientifoldInfo* setUserDefinedOrientifold() {
  CrossBoundState& s = crossBoundState();
  if (!s.User) s.User.reset(allocateOrientifoldInfo_stage1());
  s.CurrentOrientifold = s.User.get();
  counterStep();
  return s.CurrentOrientifold;
}

int setKlein(int K) {
  return setSimpleCurrentKleinCurrent(crossBoundState().CurrentOrientifold, K);
}

int setSimpleCurrentKleinCurrent(OrientifoldInfo* record, int K) {
  BulkInvariant* bi = currentBulk();
  if (bi == nullptr || bi->simple_current != 1) {
    if (K == 0) return 1;  // the trivial choice: an exceptional MIPF's Klein bottle is its own vector
    Alert("setSimpleCurrentKleinCurrent", 0, 100301,
          "Non-trivial Klein bottle choices not allowed for exceptional MIPF");
    return 0;
  }
  if (record == nullptr || record->bulkNumber != QueryBulkInvariant()) {
    Alert("setSimpleCurrentKleinCurrent", 1, 212404, "Orientifold/Bulk invariant mismatch (%p)",
          static_cast<void*>(record));
    return 0;
  }
  if (K != record->klein) {
    ++record->sequence;
    record->eta = 1;
    ++crossBoundState().OrientifoldCounter;
  }
  record->klein = K;
  verifyKleinBottleCurrent(record);
  return 1;
}

int verifyKleinBottleCurrent(OrientifoldInfo* record) {
  BulkInvariant* bi = currentBulk();
  if (record->klein == 0 || bi == nullptr || bi->diagonal) return 1;
  const std::vector<int> group = invariantGroupCurrents(bi);
  for (size_t g = 1; g < group.size(); ++g) {
    if (simpleProduct(group[g], group[g]) != 0) continue;
    const Rat* q = simpleCurrentCharge(group[g], record->klein);
    if (q != nullptr && q->num % std::max<long long>(q->den, 1) != 0)
      Alert("verifyKleinBottleCurrent", 0, 220302,
            "Klein bottle inconsistent with bulk invariant.\nThis will probably lead to "
            "integrality violations.\nYou may continue to find out.\n");
  }
  for (size_t g = 1; g < group.size(); ++g) {
    if (group[g] == record->klein) {
      Alert("verifyKleinBottleCurrent", 1, 100201,
            "Klein bottle current is an element of the simple current group;\nThis has no effect "
            "(up to crosscap sign changes).");
      break;
    }
  }
  return 1;
}

int setCrosscapSigns(int n, const int* signs) {
  return setSimpleCurrentCrosscapSigns(n, signs, crossBoundState().CurrentOrientifold);
}

int applyCrosscapSigns(OrientifoldInfo* record, int n, const int* signs) {
  int changed = 0;
  const int factors = record->factors();
  for (int j = 0; j < factors; ++j) {
    int sign = j < n ? signs[j] : 1;
    const int order = record->factorOrders[static_cast<size_t>(j)];
    if (sign == -1 && order % 2 != 0) {
      Alert("setSimpleCurrentCrosscapSigns", 0, 100302,
            "Negative sign not allowed in Z_%d factor; ignored", order);
      sign = 1;
    }
    if (record->crosscapSigns[static_cast<size_t>(j)] != sign) changed = 1;
    record->crosscapSigns[static_cast<size_t>(j)] = sign;
  }
  if (changed) {
    ++record->sequence;
    record->eta = 1;
    ++crossBoundState().OrientifoldCounter;
  }
  if (n > factors)
    Alert("setSimpleCurrentCrosscapSigns", 1, 100302, "Too many crosscap signs; remainder ignored");
  return changed;
}

int setSimpleCurrentCrosscapSigns(int n, const int* signs, OrientifoldInfo* record) {
  BulkInvariant* bi = currentBulk();
  if (bi == nullptr) {
    Alert("setSimpleCurrentCrosscapSigns", 0, 212404, "NULL bulk pointer");
    return 0;
  }
  if (bi->diagonal) {
    Alert("setSimpleCurrentCrosscapSigns", 1, 100302,
          "No crosscap signs allowed for diagonal invariant");
    return 0;
  }
  if (bi->simple_current != 1) {
    Alert("setSimpleCurrentCrosscapSigns", 2, 100302,
          "No crosscap signs allowed for exceptional invariant");
    return 0;
  }
  if (record == nullptr || record->bulkNumber != QueryBulkInvariant()) {
    Alert("setSimpleCurrentCrosscapSigns", 3, 212404, "Orientifold/Bulk invariant mismatch (%p)",
          static_cast<void*>(record));
    return 0;
  }
  applyCrosscapSigns(record, n, signs);
  return 1;
}

void setKleinBottle(const int* K) {
  CrossBoundState& s = crossBoundState();
  const size_t N = static_cast<size_t>(primaryCount());
  s.ExceptionalKlein.assign(K, K + N);
  counterStep();
}

int storedKleinBottle(int n) {
  CrossBoundState& s = crossBoundState();
  if (s.KleinBottleStorage.empty()) {
    Alert("storedKleinBottle", 0, 100301, "No Klein bottles in storage");
    return 0;
  }
  if (n < 0 || n >= static_cast<int>(s.KleinBottleStorage.size())) {
    Alert("storedKleinBottle", 1, 100301, "Klein bottle number out of range");
    return 0;
  }
  s.ExceptionalKlein = s.KleinBottleStorage[static_cast<size_t>(n)];
  counterStep();
  return 1;
}

void addStoredKleinBottle(const std::vector<int>& K) {
  crossBoundState().KleinBottleStorage.push_back(K);
}
int storedKleinBottleCount() {
  return static_cast<int>(crossBoundState().KleinBottleStorage.size());
}
const std::vector<int>& exceptionalKleinBottle() {
  return crossBoundState().ExceptionalKlein;
}

void resetExceptionalKleinBottle(int* K) {
  BulkInvariant* bi = currentBulk();
  if (!ConjugatesAvailable() || bi == nullptr) return;
  const int N = primaryCount();
  for (int i = 0; i < N; ++i) {
    K[i] = 0;
    if (i >= bi->n_rows || bi->orbits[static_cast<size_t>(i)] == nullptr) continue;
    const int conjugate = getConjugate(i);
    const int* row = bi->orbits[static_cast<size_t>(i)];
    for (int k = 0; k < bi->count[i]; ++k)
      if (row[k] == conjugate) K[i] += bi->mult[i];
  }
}

void resetBulkAndBoundaries() {
  if (initDebug() == 1) ProgressPrint("##init: Bulk invariant reset\n");
  resetBulk();
  freeCompleteBoundarySets();
  generateDiagonalSelectionWarning();
}

int SimpleCurrentBoundary(int a) {
  BulkInvariant* bi = currentBulk();
  const int p = getBoundaryField(a);
  return bi != nullptr && bi->simple_current == 1 && p >= 0 && p < CenterOrder() ? 1 : 0;
}
