// Global (mod 2) anomaly conditions: a symplectic probe brane must see an even number of
// fundamental fermions. Per orientifold the probe rows independent of the local
// (chirality) rows are kept and configurations are tested against them.
#include <cstdlib>
#include <map>
#include <numeric>
#include <vector>

#include "boundaries/CrossBound.h"
#include "runtime/Error.h"
#include "runtime/Output.h"
#include "strings/Intersections.h"
#include "strings/OpenSpectrum.h"

namespace {

struct AnomalyRows {
  int sequence = -1;
  std::vector<std::vector<int>> rows;
};

struct AnomaliesState {
  std::map<const OrientifoldInfo*, AnomalyRows> equations;
  int GLOBAL_ANOMALIES_LOADED = 0;
  int loads = 0;
};

AnomaliesState& state() {
  static AnomaliesState s;
  return s;
}

std::size_t at(int i) { return static_cast<std::size_t>(i); }

int imageOf(OrientifoldInfo* record, int a) {
  const int c = orientifoldConjugate(record, a);
  return c < 0 ? a : c;  // no conjugate: taken as real
}

// Mod-2 elimination: reduces row against the echelon rows; true (and stored) when new.
bool addMod2(std::vector<std::vector<int>>* echelon, std::vector<int>* pivots, std::vector<int> row) {
  for (std::size_t i = 0; i < echelon->size(); ++i) {
    const int p = (*pivots)[i];
    if (row[at(p)] != 0)
      for (std::size_t j = 0; j < row.size(); ++j) row[j] ^= (*echelon)[i][j];
  }
  for (std::size_t j = 0; j < row.size(); ++j)
    if (row[j] != 0) {
      echelon->push_back(row);
      pivots->push_back(static_cast<int>(j));
      return true;
    }
  return false;
}

}  // namespace

void getLocalAnomalyMod2(OrientifoldInfo* record, int b, std::vector<int>* row) {
  const int n = TotalBoundaries();
  row->assign(at(n), 0);
  loadOrientifoldConjugates(record, 0);
  const int bs = imageOf(record, b);
  for (int a = 0; a < n; ++a) {
    int c = 0;
    FullIntersectionForClassMember(a, bs, &c);
    (*row)[at(a)] = c;
  }
  for (int a = 0; a < n; ++a) {
    const int type = orientifoldGroupType(record, a);
    const int as = imageOf(record, a);
    if (type == -1) {
      (*row)[at(a)] *= 2;
    } else if (type == 0 && a < as) {
      (*row)[at(a)] += (*row)[at(as)];
      (*row)[at(as)] = 0;
    }
  }
  int g = 0;
  for (int v : *row) g = std::gcd(g, std::abs(v));
  for (int& v : *row) {
    if (g > 1) v /= g;
    v = ((v % 2) + 2) % 2;  // the sign of the normalisation does not matter modulo 2
  }
}

void CorrectGlobalAnomaly(OrientifoldInfo* record, std::vector<int>* row) {
  loadOrientifoldConjugates(record, 0);
  const int n = static_cast<int>(row->size());
  for (int a = 0; a < n; ++a) {
    const int type = orientifoldGroupType(record, a);
    const int as = imageOf(record, a);
    if (type == -1) {
      (*row)[at(a)] = 0;
    } else if (type == 0 && a < as && as < n) {
      (*row)[at(a)] = ((*row)[at(a)] + (*row)[at(as)]) % 2;
      (*row)[at(as)] = 0;
    }
  }
}

void loadGlobalAnomaliesForOrientifold(OrientifoldInfo* record) {
  if (record == nullptr) return;
  AnomaliesState& s = state();
  AnomalyRows& stored = s.equations[record];
  if (stored.sequence == record->sequence && record->anomalyStamp == record->sequence) return;
  ++s.loads;
  loadOrientifoldConjugates(record, 0);
  const int n = TotalBoundaries();
  std::vector<std::vector<int>> echelon;
  std::vector<int> pivots;
  std::vector<int> row;
  for (int b = 0; b < n; ++b) {
    getLocalAnomalyMod2(record, b, &row);
    CorrectGlobalAnomaly(record, &row);
    addMod2(&echelon, &pivots, row);
  }
  const std::size_t R0 = echelon.size();
  for (int a = 0; a < n; ++a) {
    if (orientifoldGroupType(record, a) != -1) continue;
    row.assign(at(n), 0);
    for (int c = 0; c < n; ++c) {
      const int x = ComputeOverlapForClassMember(a, c);
      row[at(c)] = x == kIntersectionFailed ? 0 : x % 2;
    }
    row[at(a)] = 0;
    CorrectGlobalAnomaly(record, &row);
    addMod2(&echelon, &pivots, row);
  }
  stored.rows.assign(echelon.begin() + static_cast<std::ptrdiff_t>(R0), echelon.end());
  stored.sequence = record->sequence;
  record->anomalyStamp = record->sequence;
}

const std::vector<std::vector<int>>& getGlobalAnomalyEquations(OrientifoldInfo* record) {
  return state().equations[record].rows;
}

void loadGlobalAnomalies(int mode) {
  AnomaliesState& s = state();
  if (mode == 2) {
    s.GLOBAL_ANOMALIES_LOADED = 0;
    return;
  }
  if (mode == 1 && s.GLOBAL_ANOMALIES_LOADED != 0) return;
  int total = 0, count = 0;
  OrientifoldInfo** list = getPositiveTensionOrientifolds(&total, &count);
  for (int o = 0; o < count && list != nullptr; ++o) {
    if (mode != 1 && list[o] != nullptr) list[o]->anomalyStamp = -2;  // a forced reload
    loadGlobalAnomaliesForOrientifold(list[o]);
  }
  s.GLOBAL_ANOMALIES_LOADED = 1;
}

int CheckGlobalAnomalies(const ChanPatonData* cpd) {
  if (cpd == nullptr || cpd->orientifold == nullptr) return 1;
  OrientifoldInfo* record = cpd->orientifold;
  loadGlobalAnomaliesForOrientifold(record);
  for (const std::vector<int>& e : getGlobalAnomalyEquations(record)) {
    int sum = 0;
    for (int k = 0; k < cpd->stacks; ++k) {
      const int a = cpd->stackLabel[at(k)];
      const int N = cpd->stackMultiplicity[at(k)];
      if (a < 0 || a >= static_cast<int>(e.size())) continue;
      sum += (e[at(a)] * N) % 2;
      const int as = orientifoldConjugate(record, a);  // -1: no image, counted once
      if (as >= 0 && as < a) sum += (e[at(as)] * N) % 2;
    }
    if (sum % 2 != 0) return 0;
  }
  return 1;
}

int getGlobalAnomalyLoadCount() { return state().loads; }

void resetAnomalies() { state() = AnomaliesState(); }

namespace {

// I(a, b): through the class rows when a has a class, else computed directly.
int chiralityOf(int a, int b) {
  if (getBoundaryClass(a) >= 0) return ComputeIntersectionForClassMember(a, b);
  int c = 0;
  ComputeIntersectionEntry(a, b, &c);
  return c;
}

// Position of the record in the tension-sorted list; -1 when it is not there.
int orientifoldIndexOf(OrientifoldInfo* record) {
  int total = 0, count = 0;
  OrientifoldInfo** list = getPositiveTensionOrientifolds(&total, &count);
  for (int o = 0; o < total && list != nullptr; ++o)
    if (list[o] == record) return o;
  return -1;
}

}  // namespace

void CorrectLocalAnomaly(OrientifoldInfo* record, std::vector<int>* row) {
  loadOrientifoldConjugates(record, 0);
  const int n = static_cast<int>(row->size());
  for (int a = 0; a < n; ++a) {
    const int as = orientifoldConjugate(record, a);
    if (orientifoldGroupType(record, a) == 0 && a < as && as < n) {
      (*row)[at(a)] += (*row)[at(as)];
      (*row)[at(as)] = 0;
    }
  }
}

int CheckLocalAnomalies(ChanPatonData* cpd) {
  if (cpd == nullptr || cpd->orientifold == nullptr) return 1;
  OrientifoldInfo* record = cpd->orientifold;
  const int o = orientifoldIndexOf(record);
  if (o < 0) {
    Alert("CheckLocalAnomalies", 0, 212404, "Orientifold of the configuration not in the list");
    return 1;
  }
  loadOrientifoldConjugates(record, 0);
  const int n = TotalBoundaries();
  for (int b = 0; b < n; ++b) {
    const int bs = orientifoldConjugate(record, b);
    if (bs < 0) continue;  // no conjugate: no probe
    long long A = 0;
    if (bs != b) {
      const int M1 = ComputeMoebiusSum(o, b);
      const int M2 = ComputeMoebiusSum(o, bs);
      if (M1 == kMoebiusFailed || M2 == kMoebiusFailed) continue;
      A = 4LL * (M1 - M2);
    }
    for (int k = 0; k < cpd->stacks; ++k) {
      const int a = cpd->stackLabel[at(k)];
      if (a < 0 || a >= n) continue;
      const int N = cpd->stackMultiplicity[at(k)];
      long long I = chiralityOf(a, bs);
      const int as = orientifoldConjugate(record, a);
      if (as >= 0 && as != a) I += chiralityOf(as, bs);
      A += N * I;
    }
    if (A == 0) continue;
    PrintStdout("Local anomaly not cancelled: b=%d, anomaly=%lld\n", b, A);
    // The probe becomes a stack of five branes, so that the offending brane shows up in the
    // configuration's spectrum.
    const int label = b < bs ? b : bs;
    const int stack = cpd->stacks;
    cpd->stackLabel.resize(at(stack + 1));
    cpd->stackType.resize(at(stack + 1));
    cpd->stackMultiplicity.resize(at(stack + 1));
    cpd->stackLabel[at(stack)] = label;
    cpd->stackType[at(stack)] = orientifoldGroupType(record, b);
    cpd->stackMultiplicity[at(stack)] = 5;
    if (static_cast<int>(cpd->multiplicity.size()) < n) cpd->multiplicity.resize(at(n), 0);
    if (static_cast<int>(cpd->distinctBrane.size()) < n) cpd->distinctBrane.resize(at(n), -1);
    cpd->multiplicity[at(b)] = cpd->multiplicity[at(bs)] = 5;
    cpd->distinctBrane[at(b)] = cpd->distinctBrane[at(bs)] = stack;
    cpd->stacks = stack + 1;
    return 0;
  }
  return 1;
}
