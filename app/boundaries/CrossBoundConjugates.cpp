// Boundary conjugates and Chan-Paton group types of an orientifold record: the conjugate
// of a is the boundary b with A^0_ab = 1; a complex boundary (b != a) carries a unitary
// group, a real one an orthogonal or symplectic group by the sign of tension x M^0_a (type
// 2 when the tension vanishes). Both tables live in the record and are valid while its
// conjugates stamp equals its sequence number; -1 means "no conjugate".
//
// Finding the conjugate. A^0_ab = 1 means that the reflection coefficients of b, flipped
// and multiplied by the Ishibashi metric, are those of a complex conjugated; on the labels
// of degeneracy 0 that says S(i, K^-1 p_b) = S(i, p_a^c) on every Ishibashi primary, so p_b
// lies in the orbit of K x p_a^c (K the Klein current). Only the labels of that orbit are
// candidates: one label is the conjugate without a sum; several (a resolved fixed point)
// are told apart by the annulus. Where that fails (no candidate, or one already paired) the
// search over all labels by the annulus takes over, as it always did.
//
// Group types are made when first asked for (the Moebius sum M^0_a costs one term per
// Ishibashi label), and kept in the record like the conjugates.
#include <algorithm>
#include <string>
#include <vector>

#include "boundaries/CrossBoundInternal.h"
#include "invariants/Invariants.h"
#include "modular/Modular.h"
#include "runtime/Error.h"
#include "runtime/Output.h"
#include "runtime/Terminal.h"
#include "store/CurrentTheory.h"

namespace {

// Group type of a real boundary not yet worked out (the table keeps it until asked).
constexpr int kTypeNotYetKnown = 3;

int* conjugatesOf(OrientifoldInfo* record) {
  return record->conjugates.data();
}

int* groupTypesOf(OrientifoldInfo* record) {
  return record->conjugates.data() + 2 * (record->conjugates.size() / 3);
}

bool boundaryOrbitsCurrent() {
  return CrossBoundOrbitsAvailable() == 1;
}

// The record is current while its tables are computed; the previous one comes back on
// every path, without touching the orientifold counter.
class CurrentRecordSwitch {
 public:
  explicit CurrentRecordSwitch(OrientifoldInfo* record)
      : saved_(crossBoundState().CurrentOrientifold) {
    crossBoundState().CurrentOrientifold = record;
  }
  ~CurrentRecordSwitch() { crossBoundState().CurrentOrientifold = saved_; }
  CurrentRecordSwitch(const CurrentRecordSwitch&) = delete;
  CurrentRecordSwitch& operator=(const CurrentRecordSwitch&) = delete;

 private:
  OrientifoldInfo* saved_;
};

void reportMissingConjugate(OrientifoldInfo* record, int a, int start) {
  const int total = crossBoundState().BoundaryLabelCount;
  int* conj = conjugatesOf(record);
  Alert("loadOrientifoldConjugates", 0, 212404, "No conjugate for %d", a);
  writeError("Present value: %d\n", conj[a]);
  std::string line;
  appendVecLine(line, total, conj, "Current conjugates");
  writeError("%s", line.c_str());
  for (int b = 0; b < total; ++b)
    if (getAnnulus(0, a, b) == 1) writeError("Conjugate: %d (c=%d should be smaller)\n", b, start);
}

// Group type of a real boundary of the current record from its Moebius amplitude M^0_a
// (given by moebius); 0 after the alert of a vanishing amplitude.
int realGroupType(const OrientifoldInfo* record, int a, int (*moebius)(int), bool* vanishing) {
  const int M = moebius(a);
  *vanishing = M == 0;
  if (M == 0) {
    Alert("loadOrientifoldConjugates", 1, 212404, "Unexpectedly vanishing Moebius amplitude");
    return 2;
  }
  if (ZeroCheck(record->tension)) return 2;
  return record->tension * M > 0 ? 1 : -1;
}

int moebiusBySum(int a) {
  return getMoebius(0, a);
}

// conj(J a) = J^-1 conj(a) for every boundary current J.
void pairAlongOrbit(int* conj, int a, int found) {
  CrossBoundState& s = crossBoundState();
  for (int k = 0; k < s.BoundaryOrder; ++k) {
    const int J = s.BoundaryCurrents[static_cast<size_t>(k)];
    const int Jinverse =
        s.BoundaryCurrents[static_cast<size_t>(s.BoundaryCurrentInverse[static_cast<size_t>(k)])];
    const int ap = BoundaryCurrentFusion(J, a);
    const int bp = BoundaryCurrentFusion(Jinverse, found);
    if (ap < 0 || bp < 0) continue;
    conj[ap] = bp;
    conj[bp] = ap;
  }
}

void classicConjugates(OrientifoldInfo* record, int progress);

// The pairing by a search over the labels with the annulus, and every group type at once.
// false when it could not finish and the classic pass has to take over.
bool searchConjugates(OrientifoldInfo* record, int progress) {
  CrossBoundState& s = crossBoundState();
  const int total = s.BoundaryLabelCount;
  int* conj = conjugatesOf(record);
  const bool orbits = boundaryOrbitsCurrent();
  const bool modularOrbits = ModularOrbitsAvailable() == QueryCFT();
  for (int a = 0; a < total; ++a) {
    if (progress == 1) incrementProgressInfo();
    if (conj[a] != -1) continue;
    int start = 0;
    if (orbits || modularOrbits) {
      const int p = getOrbitStart(getConjugate(s.BoundaryLabels[static_cast<size_t>(a)].primary));
      if (p >= 0 && p < static_cast<int>(s.FirstBoundaryForPrimary.size()))
        start = std::max(s.FirstBoundaryForPrimary[static_cast<size_t>(p)], 0);
    }
    int found = -1;
    for (int b = start; b < total && found < 0; ++b)
      if (conj[b] == -1 && getAnnulus(0, a, b) == 1) found = b;
    if (found < 0) {
      reportMissingConjugate(record, a, start);
      return false;
    }
    conj[a] = found;
    conj[found] = a;
    if (orbits) pairAlongOrbit(conj, a, found);
  }
  int* types = groupTypesOf(record);
  for (int a = 0; a < total; ++a) {
    if (conj[a] != a) {
      types[a] = 0;
      continue;
    }
    bool vanishing = false;
    types[a] = realGroupType(record, a, moebiusBySum, &vanishing);
    if (vanishing) return false;
  }
  return true;
}

// The labels of the orbit that can hold the conjugate of a: those of the orbit of K x p_a^c,
// as [first, end); first = -1 when there is none.
void conjugateCandidates(const OrientifoldInfo* record, int a, int* first, int* end) {
  CrossBoundState& s = crossBoundState();
  *first = -1;
  *end = -1;
  const int p = s.BoundaryLabels[static_cast<size_t>(a)].primary;
  const int conjugate = getConjugate(p);
  if (conjugate < 0) return;
  const int q = record->klein != 0 ? simpleFusion(record->klein, conjugate) : conjugate;
  if (q < 0 || q >= static_cast<int>(s.FirstBoundaryForPrimary.size())) return;
  const int b = s.FirstBoundaryForPrimary[static_cast<size_t>(q)];
  if (b < 0 || b >= s.BoundaryLabelCount) return;
  const int representative = s.BoundaryLabels[static_cast<size_t>(b)].primary;
  int e = b + 1;
  while (e < s.BoundaryLabelCount && s.BoundaryLabels[static_cast<size_t>(e)].primary == representative)
    ++e;
  *first = b;
  *end = e;
}

// The pairing from the labels (see the top of the file); group types of complex boundaries
// are 0, those of real ones wait until asked. false, with nothing paired, where it cannot
// decide: the search then does the work.
bool labelConjugates(OrientifoldInfo* record, int progress) {
  CrossBoundState& s = crossBoundState();
  BulkInvariant* bi = currentBulk();
  if (bi == nullptr || bi->simple_current != 1) return false;
  const int total = s.BoundaryLabelCount;
  if (static_cast<int>(s.FirstBoundaryForPrimary.size()) < primaryCount()) return false;
  int* conj = conjugatesOf(record);
  const bool orbits = boundaryOrbitsCurrent();
  bool decided = true;
  for (int a = 0; a < total && decided; ++a) {
    if (progress == 1) incrementProgressInfo();
    if ((a & 63) == 0) obeyInterruptRequest();
    if (conj[a] != -1) continue;
    int first = -1, end = -1;
    conjugateCandidates(record, a, &first, &end);
    int found = -1;
    if (first < 0) {
      decided = false;
    } else if (end - first == 1) {
      found = conj[first] == -1 ? first : -1;
    } else {
      for (int b = first; b < end && found < 0; ++b)
        if (conj[b] == -1 && getAnnulus(0, a, b) == 1) found = b;
    }
    if (found < 0) {
      decided = false;
      continue;
    }
    conj[a] = found;
    conj[found] = a;
    if (orbits) pairAlongOrbit(conj, a, found);
  }
  if (!decided) {
    std::fill(conj, conj + total, -1);
    return false;
  }
  int* types = groupTypesOf(record);
  for (int a = 0; a < total; ++a) types[a] = conj[a] != a ? 0 : kTypeNotYetKnown;
  return true;
}

void classicConjugates(OrientifoldInfo* record, int progress) {
  CrossBoundState& s = crossBoundState();
  Print("SERIOUS CONJUGATION ERROR\nTRYING BRUTE FORCE ROUTINE\n");
  if (record->conjugatesStamp == record->sequence) return;
  const int total = s.BoundaryLabelCount;
  int* conj = conjugatesOf(record);
  for (int a = 0; a < total; ++a) conj[a] = -1;
  for (int a = 0; a < total; ++a) {
    if (progress == 1) incrementProgressInfo();
    if (conj[a] != -1) continue;
    int found = -1;
    for (int b = 0; b < total && found < 0; ++b)
      if (conj[b] == -1 && getAnnulus(0, a, b) == 1) found = b;
    if (found < 0) {
      reportMissingConjugate(record, a, 0);
      continue;
    }
    conj[a] = found;
    conj[found] = a;
  }
  int* types = groupTypesOf(record);
  std::vector<int> missing;
  for (int a = 0; a < total; ++a) {
    if (conj[a] == -1) {
      missing.push_back(a);
      types[a] = 0;
      continue;
    }
    if (conj[a] != a) {
      types[a] = 0;
      continue;
    }
    bool vanishing = false;
    types[a] = realGroupType(record, a, moebiusBySum, &vanishing);
  }
  if (missing.empty()) {
    Print("BRUTE FORCE SUCCESSFULL\n");
  } else {
    std::string list;
    for (size_t k = 0; k < missing.size(); ++k)
      list += formatText(k == 0 ? "%d" : ",%d", missing[k]);
    Alert("loadOrientifoldConjugates_Classic", 0, 212404, "Boundaries without conjugate: %s",
          list.c_str());
  }
}

bool prepareRecord(OrientifoldInfo* record) {
  if (record == nullptr) return false;
  if (record->conjugatesStamp == record->sequence && record->bulkNumber == QueryBulkInvariant())
    return false;
  if (record->bulkNumber != QueryBulkInvariant()) {
    Alert("loadOrientifoldConjugates", 2, 212404,
          "Orientifold %p does not match bulk invariant; resetting", static_cast<void*>(record));
    allocateOrientifoldInfo_stage2(&record);
  }
  return true;
}

// Steps shared by both ways of pairing: the record made current with its metric loaded, all
// conjugates -1; pairing(record) fills the tables.
template <class Pairing>
void computeConjugates(OrientifoldInfo* record, Pairing pairing) {
  if (initializeOrientedOpenString() != 0) return;
  if (!prepareRecord(record)) return;
  const int total = crossBoundState().BoundaryLabelCount;
  int* conj = conjugatesOf(record);
  for (int a = 0; a < total; ++a) conj[a] = -1;
  if (initDebug() == 1)
    ProgressPrint("##init: Computing boundary conjugates for Orientifold %p\n",
                  static_cast<void*>(record));
  CurrentRecordSwitch use(record);
  loadIshibashiMetric(record);
  pairing(record);
  record->conjugatesStamp = record->sequence;
}

// The group type of real boundary a of a record whose tables are current, worked out now;
// a vanishing amplitude hands the whole record to the classic pass, as it would have then.
int groupTypeNow(OrientifoldInfo* record, int a) {
  int* types = groupTypesOf(record);
  if (record->bulkNumber != QueryBulkInvariant() || initializeOrientedOpenString() != 0) return 0;
  const int sequence = record->sequence;
  CurrentRecordSwitch use(record);
  loadIshibashiMetric(record);
  bool vanishing = false;
  const int type = realGroupType(record, a, vacuumMoebius, &vanishing);
  if (record->sequence != sequence) return 0;
  if (!vanishing) {
    types[a] = type;
    return type;
  }
  record->conjugatesStamp = -2;
  classicConjugates(record, 0);
  record->conjugatesStamp = record->sequence;
  return types[a];
}

}  // namespace

void loadOrientifoldConjugates(OrientifoldInfo* record, int progress) {
  computeConjugates(record, [progress](OrientifoldInfo* r) {
    if (!labelConjugates(r, progress) && !searchConjugates(r, 0)) classicConjugates(r, 0);
  });
}

void loadOrientifoldConjugatesBySearch(OrientifoldInfo* record, int progress) {
  computeConjugates(record, [progress](OrientifoldInfo* r) {
    if (!searchConjugates(r, progress)) classicConjugates(r, 0);
  });
}

void loadOrientifoldConjugates_Classic(OrientifoldInfo* record, int progress) {
  if (initializeOrientedOpenString() != 0) return;
  if (!prepareRecord(record)) {
    Print("SERIOUS CONJUGATION ERROR\nTRYING BRUTE FORCE ROUTINE\n");
    return;
  }
  CurrentRecordSwitch use(record);
  loadIshibashiMetric(record);
  classicConjugates(record, progress);
  record->conjugatesStamp = record->sequence;
}

void loadAllOrientifoldConjugates(int flag) {
  const int n = loadOrientifolds();
  CrossBoundState& s = crossBoundState();
  std::vector<OrientifoldInfo*> chosen;
  for (int i = 0; i < n; ++i) {
    OrientifoldInfo* record = s.Orientifolds[static_cast<size_t>(i)].get();
    if (flag != 0 && ZeroCheck(record->tension)) continue;
    chosen.push_back(record);
  }
  startProgressInfo("Computing boundary conjugates", 0,
                    static_cast<double>(chosen.size()) * TotalBoundaries());
  for (OrientifoldInfo* record : chosen) loadOrientifoldConjugates(record, 1);
  stopProgressInfo("Computing boundary conjugates");
}

int orientifoldConjugate(const OrientifoldInfo* record, int a) {
  if (record == nullptr || record->conjugatesStamp != record->sequence || a < 0 ||
      a >= crossBoundState().BoundaryLabelCount ||
      static_cast<size_t>(a) >= record->conjugates.size() / 3)
    return -1;
  return record->conjugates[static_cast<size_t>(a)];
}

int orientifoldGroupType(const OrientifoldInfo* record, int a) {
  if (record == nullptr || record->conjugatesStamp != record->sequence || a < 0 ||
      a >= crossBoundState().BoundaryLabelCount ||
      static_cast<size_t>(a) >= record->conjugates.size() / 3)
    return 0;
  const int type = record->conjugates[2 * (record->conjugates.size() / 3) + static_cast<size_t>(a)];
  if (type != kTypeNotYetKnown) return type;
  // Every record is owned by this module and none is const: the type left to be worked out
  // is written into its table like the others.
  return groupTypeNow(const_cast<OrientifoldInfo*>(record), a);
}

int BoundaryConjugate(int a) {
  CrossBoundState& s = crossBoundState();
  BulkInvariant* bi = currentBulk();
  if (bi == nullptr || a < 0 || a >= s.BoundaryLabelCount) return -1;
  if (bi->simple_current == 1) {
    loadOrientifoldConjugates(s.CurrentOrientifold, 0);
    return orientifoldConjugate(s.CurrentOrientifold, a);
  }
  if (getAnnulus(0, a, a) == 1) return a;
  for (int b = 0; b < s.BoundaryLabelCount; ++b)
    if (getAnnulus(0, a, b) == 1) return b;
  Alert("BoundaryConjugate", 0, 212404, "No boundary conjugate for boundary %d", a);
  return -1;
}
