// Closed-string tachyons of the current bulk invariant: fatal ones (present for every
// orientifold), ones a Klein bottle may cancel, and the orientifolds that cancel them.
// Every tachyon-free case goes to the installed hook: mode 0 once for a tachyon-free
// closed string (answer 1 ends the check), -1 before the orientifold loop, 1 per
// tachyon-free orientifold (made current), 2 after the loop.
#include <algorithm>

#include "boundaries/CrossBound.h"
#include "invariants/Invariants.h"
#include "modular/Modular.h"
#include "runtime/Output.h"
#include "strings/StringTheory.h"
#include "strings/StringTheoryInternal.h"

namespace {

BulkInvariant* currentBulk() {
  BulkInvariant** slot = getCurrentBulk();
  return slot != nullptr ? *slot : nullptr;
}

void recomputeIfTruncated(BulkInvariant* bulk) {
  if (bulk != nullptr && bulk->MD != nullptr && bulk->MD->truncated != 0) RecomputeBulkInvariant(bulk);
}

const TachyonOrientifolds kBoundaryLayer = {initializeOpenString, getPositiveTensionOrientifolds,
                                            setStoredOrientifold, getKleinBottle, recomputeIfTruncated,
                                            getCurrentOrientifold};

const TachyonOrientifolds*& access() {
  static const TachyonOrientifolds* current = &kBoundaryLayer;
  return current;
}

int callHook(int mode) {
  TachyonHook hook = stringState().hook;
  return hook != nullptr ? hook(mode) : 0;
}

// Partners of left label i in the bulk invariant.
const int* partnersOf(const BulkInvariant* bulk, int i, int* count) {
  *count = 0;
  if (bulk == nullptr || i < 0 || i >= bulk->n_rows || bulk->orbits[static_cast<std::size_t>(i)] == nullptr)
    return nullptr;
  *count = bulk->count[i];
  return bulk->orbits[static_cast<std::size_t>(i)];
}

// Open-string set-up and the orientifold counts.
void loadOrientifolds(BulkInvariant* bulk) {
  StringTheoryState& s = stringState();
  access()->recompute(bulk);
  access()->setUp();
  s.nOri = 0;
  s.nOriEffective = 0;
  access()->list(&s.nOri, &s.nOriEffective);
}

int isTachyonic(int j) { return masslessCharacter(j, 1); }

}  // namespace

int null_function(int) { return 0; }

void setTachyonFunction(TachyonHook hook) { stringState().hook = hook != nullptr ? hook : null_function; }

TachyonHook getTachyonFunction() { return stringState().hook; }

void setTachyonOrientifolds(const TachyonOrientifolds* orientifolds) {
  access() = orientifolds != nullptr ? orientifolds : &kBoundaryLayer;
}

int tachyonStatus() {
  const BulkInvariant* bulk = currentBulk();
  return bulk != nullptr ? bulk->reserved[0] : -1;
}

int cancellableTachyon() { return tachyonStatus() == -1 ? 1 : 0; }

int TachyonCheckForLabels(int a, int b, BulkInvariant* bulk) {
  if (getConjugate(a) != b || getTachyonDimension(a) >= 2) return 1;
  const int Z = bulk != nullptr && a < bulk->n_rows ? bulk->mult[a] : 0;
  return access()->klein(a) + Z > 0 ? 1 : 0;
}

int fastTachyonCheck(int a, int b, BulkInvariant* bulk) {
  if (a == -1 || b == -1) return 0;
  if (isTachyonic(a) == 0 || isTachyonic(b) == 0) return 0;
  int count = 0;
  const int* partners = partnersOf(bulk, a, &count);
  const int conjugate = getConjugate(b);
  if (partners == nullptr || std::find(partners, partners + count, conjugate) == partners + count) return 0;
  return TachyonCheckForLabels(a, b, bulk);
}

int checkUnorientedTachyon(const std::vector<int>* list) {
  StringTheoryState& s = stringState();
  if (list == nullptr) {
    s.lastLeft = s.lastRight = -1;
    return 0;
  }
  BulkInvariant* bulk = currentBulk();
  const int status = tachyonStatus();
  if (status == 0 || status == 1) return status;
  const int memo = fastTachyonCheck(s.lastLeft, s.lastRight, bulk);
  if (memo != 0) return memo;
  for (int a : *list) {
    int count = 0;
    const int* partners = partnersOf(bulk, a, &count);
    for (int k = 0; k < count; ++k) {
      const int b = partners[k];
      if (isTachyonic(b) == 0) continue;
      const int r = TachyonCheckForLabels(a, b, bulk);
      if (r != 0) {
        s.lastLeft = a;
        s.lastRight = b;
        return r;
      }
    }
  }
  callHook(1);
  return 0;
}

int checkTachyon(int flag, int verbose) {
  StringTheoryState& s = stringState();
  BulkInvariant* bulk = currentBulk();
  const std::vector<int> labels = getTachyonLabels();
  s.cancellable.clear();
  for (int i : labels) {
    int count = 0;
    const int* partners = partnersOf(bulk, i, &count);
    for (int k = 0; k < count; ++k) {
      const int j = partners[k];
      if (isTachyonic(j) == 0) continue;
      if (getConjugate(i) != j || getTachyonDimension(i) >= 2) {
        if (bulk != nullptr) bulk->reserved[0] = 1;
        if (verbose == 1) Print("Fatal tachyon (for all orientifolds)\n");
        return 1;
      }
      if (std::find(s.cancellable.begin(), s.cancellable.end(), i) == s.cancellable.end())
        s.cancellable.push_back(i);
    }
  }
  if (!s.cancellable.empty()) {
    // Only Klein-cancellable tachyons: the oriented theory has them; the orientifolds are
    // tried only on request.
    if (flag != 1) {
      if (verbose == 1) Print("Tachyons in oriented string; possibly cancellable by Klein bottle\n");
      return 1;
    }
    if (bulk != nullptr && bulk->simple_current != 0 && bulk->diagonal == 0 && bulk->symmetric == 0) {
      if (verbose == 1) Print("Non-symmetric invariant; skipping orientifold search\n");
      return 1;
    }
    if (verbose == 1) Print("Tachyons in oriented string; possibly cancellable by Klein bottle\n");
    loadOrientifolds(bulk);
    callHook(-1);
    s.lastLeft = s.lastRight = -1;
    const std::vector<int> list = s.cancellable;
    for (int o = 0; o < s.nOri; ++o) {
      access()->select(o);
      if (verbose == 1) {
        Print("Checking orientifold %d: ", o);
        Print(checkUnorientedTachyon(&list) == 1 ? "Tachyons!\n" : "No tachyons\n");
      } else {
        checkUnorientedTachyon(&list);
      }
    }
    callHook(2);
    return 1;
  }
  if (bulk != nullptr) bulk->reserved[0] = 0;
  if (verbose == 1) Print("No closed string tachyons\n");
  if (callHook(0) == 1) return 0;
  loadOrientifolds(bulk);
  callHook(-1);
  for (int o = 0; o < s.nOri; ++o) {
    access()->select(o);
    callHook(1);
  }
  callHook(2);
  return 0;
}

int recordTachyonFreeCase(int mode) {
  StringTheoryState& s = stringState();
  std::vector<int>& record = s.tachyonRecord;
  switch (mode) {
    case 2:
      return 0;
    case -1:
      loadOrientifolds(currentBulk());
      record.assign(static_cast<std::size_t>(s.nOri) + 10, -1);
      s.recordNext = 1;
      return 0;
    case 1: {
      if (record.empty()) record.assign(static_cast<std::size_t>(s.nOri) + 10, -1);
      record[0] = 1;
      const OrientifoldInfo* current = access()->current();
      if (current == nullptr || current->tension == 0.0) return 1;
      if (static_cast<std::size_t>(s.recordNext) + 1 >= record.size()) record.resize(record.size() + 10, -1);
      record[static_cast<std::size_t>(s.recordNext)] = current->listPosition;
      ++s.recordNext;
      record[static_cast<std::size_t>(s.recordNext)] = -1;
      return 1;
    }
    case 0:
      loadOrientifolds(currentBulk());
      record.assign(static_cast<std::size_t>(std::max(s.nOri, s.nOriEffective)) + 10, -1);
      record[0] = 0;
      for (int k = 0; k < s.nOriEffective; ++k) record[static_cast<std::size_t>(k) + 1] = k;
      record[static_cast<std::size_t>(s.nOriEffective) + 1] = -1;
      s.recordNext = s.nOriEffective + 1;
      return 1;
    default:
      return 0;
  }
}

const std::vector<int>& getTachyonRecord() { return stringState().tachyonRecord; }
