// Boundary conjugates and Chan-Paton group types of an orientifold record: the conjugate
// of a is the boundary b with A^0_ab = 1; a complex boundary (b != a) carries a unitary
// group, a real one an orthogonal or symplectic group by the sign of tension x M^0_a (type
// 2 when the tension vanishes). Both tables live in the record and are valid while its
// conjugates stamp equals its sequence number; -1 means "no conjugate".
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

// Group type of a real boundary; 0 after the alert of a vanishing Moebius amplitude.
int realGroupType(const OrientifoldInfo* record, int a, bool* vanishing) {
  const int M = getMoebius(0, a);
  *vanishing = M == 0;
  if (M == 0) {
    Alert("loadOrientifoldConjugates", 1, 212404, "Unexpectedly vanishing Moebius amplitude");
    return 2;
  }
  if (ZeroCheck(record->tension)) return 2;
  return record->tension * M > 0 ? 1 : -1;
}

void classicConjugates(OrientifoldInfo* record, int progress);

// false when the fast pass could not finish and the classic pass has taken over.
bool fastConjugates(OrientifoldInfo* record, int progress) {
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
    if (orbits) {
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
  }
  int* types = groupTypesOf(record);
  for (int a = 0; a < total; ++a) {
    if (conj[a] != a) {
      types[a] = 0;
      continue;
    }
    bool vanishing = false;
    types[a] = realGroupType(record, a, &vanishing);
    if (vanishing) return false;
  }
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
    types[a] = realGroupType(record, a, &vanishing);
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

}  // namespace

void loadOrientifoldConjugates(OrientifoldInfo* record, int progress) {
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
  if (!fastConjugates(record, progress)) classicConjugates(record, 0);
  record->conjugatesStamp = record->sequence;
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
  return record->conjugates[2 * (record->conjugates.size() / 3) + static_cast<size_t>(a)];
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
