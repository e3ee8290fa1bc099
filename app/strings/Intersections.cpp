// Brane intersection numbers: the pair routine over all Ishibashi labels, Moebius sums,
// the per-orientifold diagonal data of each brane, the pair cache of the standard-model
// search and the chirality checks of rank-2 tensors.
#include "strings/Intersections.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <map>
#include <vector>

#include "boundaries/CrossBound.h"
#include "modular/Modular.h"
#include "numbers/MathUtility.h"
#include "runtime/Error.h"
#include "runtime/Terminal.h"
#include "runtime/Output.h"
#include "runtime/Parameters.h"
#include "strings/OpenSpectrum.h"
#include "strings/StringTheory.h"

namespace {

// Per orientifold record: chirality flag, x = X(b, b*), y = M(b), z = X(b, b).
struct DiagonalBlock {
  int sequence = -1;
  std::vector<int> flag, x, y, z;
};

struct IntersectionsState {
  int* Super = nullptr;
  int* checkMoebius = nullptr;
  std::int64_t BraneIntersectionCounter = 0;
  SearchData* SD = nullptr;
  int (*intersect_fcn)(int, int, int*) = nullptr;
  int IntersectionsInitiated = -1;
  int orbitsAtInit = -1;  // CrossBoundOrbitsAvailable() when the tables were built
  std::vector<double> SfacR, SfacI;
  int SfacStamp = -1;
  // Orbit tables: charge classes of the charge vectors (index -> class), the class of a
  // difference Q_i - Q_j of two charge indices (-2 not looked up yet), and F(d, m).
  int Norbit = 0;
  int centre = 1;
  std::vector<int> chargeMap;
  int DifCh = 0;
  int chargeIndices = 0;
  std::vector<int> differenceClass;
  std::vector<double> FSR, FSI;
  int MoebiusInitiated = -1;
  std::vector<double> PfacR, PfacI;
  std::map<const OrientifoldInfo*, DiagonalBlock> diagonals;
  // Pair cache of one orientifold.
  std::vector<int> GammaStore, DeltaStore;
  int Nb = 0;
  int last_ori = -1;
  // Chirality caches: index Neff b + o.
  int Neff = 0;
  int chiralityBoundaries = 0;
  bool chiralityAllocated = false;
  std::vector<int> status, Annuli, Moebii, Adjoints;
};

IntersectionsState& state() {
  static IntersectionsState s;
  return s;
}

int value(const int* p, int fallback) { return p != nullptr ? *p : fallback; }

std::size_t at(int i) { return static_cast<std::size_t>(i); }

// The integer of a sum; kIntersectionFailed after the conversion alert.
bool toInteger(double re, double im, int* out) {
  if (ComplexToInteger(out, re, im)) return true;
  ComplexToInt(re, im);  // the conversion alert with the offending value
  return false;
}

OrientifoldInfo* orientifoldAt(int o) {
  IntersectionsState& s = state();
  if (s.SD != nullptr && s.SD->orientifoldList != nullptr && o >= 0 && o < s.SD->orientifolds)
    return s.SD->orientifoldList[o];
  int count = 0;
  getOrientifolds(&count);
  if (count == 0) loadOrientifolds();
  return getOrientifoldByNumber(o);
}

// The image of b under orientifold o; b itself when there is none (a real brane).
int imageOf(OrientifoldInfo* record, int b) {
  if (record == nullptr) return b;
  loadOrientifoldConjugates(record, 0);
  const int c = orientifoldConjugate(record, b);
  return c < 0 ? b : c;
}

bool validBoundary(const char* routine, int b) {
  if (b >= 0 && b < TotalBoundaries()) return true;
  Alert(routine, 0, 100302, "Boundary %d out of range (0..%d)", b, TotalBoundaries() - 1);
  return false;
}

// The tables belong to the current invariant, and to the orbit tables as they are now
// ("Use_orbits" chooses the routine).
bool tablesCurrent() {
  const IntersectionsState& s = state();
  return s.IntersectionsInitiated == QueryBulkInvariant() && s.intersect_fcn != nullptr &&
         s.orbitsAtInit == CrossBoundOrbitsAvailable();
}

// Tables built for the current invariant, rebuilt when stale; false when that fails.
bool ensureTables(const char* routine) {
  if (tablesCurrent()) return true;
  // Tables of another invariant are a caller's slip; a changed "Use_orbits" only asks for
  // the other routine.
  if (state().IntersectionsInitiated != QueryBulkInvariant())
    Alert(routine, 0, 212404, "Intersections not initialized");
  return InitIntersection() == 0;
}

DiagonalBlock& diagonalOf(OrientifoldInfo* record) {
  IntersectionsState& s = state();
  DiagonalBlock& d = s.diagonals[record];
  const int n = TotalBoundaries();
  if (d.sequence != record->sequence || static_cast<int>(d.x.size()) != n) {
    d.sequence = record->sequence;
    d.flag.assign(at(n), kNotComputed);
    d.x.assign(at(n), kNotComputed);
    d.y.assign(at(n), kNotComputed);
    d.z.assign(at(n), kNotComputed);
  }
  return d;
}

int plainIntersection(int a, int b, int* chirality) { return ComputeIntersectionWithoutOrbits(a, b, chirality); }

int chargeIndexOf(int field) {
  const PrimaryOrbitEntry* e = getPrimaryOrbitEntry(field);
  return e != nullptr ? e->chargeIndex : -1;
}

// The index of the charge vector Q_i - Q_j (charge indices i, j); -1 after an alert.
int differenceIndex(int i, int j) {
  const int N = state().centre;
  const int* qi = getChargePointer(i);
  const int* qj = getChargePointer(j);
  std::vector<int> v(at(N));
  for (int c = 0; c < N; ++c) v[at(c)] = ((qi[c] - qj[c]) % N + N) % N;
  return findChargeVector(v.data());
}

// Charge class of Q_i - Q_j, memoised when the table fits; -1 when unknown.
int differenceClassOf(int i, int j) {
  IntersectionsState& s = state();
  const int R = s.chargeIndices;
  if (i < 0 || j < 0 || i >= R || j >= R) return -1;
  const bool table = !s.differenceClass.empty();
  if (table) {
    const int known = s.differenceClass[at(i) * at(R) + at(j)];
    if (known != -2) return known;
  }
  const int index = differenceIndex(i, j);
  const int d = index >= 0 && index < static_cast<int>(s.chargeMap.size()) ? s.chargeMap[at(index)] : -1;
  if (table) s.differenceClass[at(i) * at(R) + at(j)] = d;
  return d;
}

// x = X(b, b*) with its chirality; false when the pair failed.
bool imageIntersection(int b, int image, int* x, int* chi) {
  *x = ComputeIntersectionEntry(b, image, chi);
  return *x != kIntersectionFailed;
}

}  // namespace

void initializeIntersections() {
  IntersectionsState& s = state();
  s.Super = getIntParPointer("Super");
  s.checkMoebius = getIntParPointer("SM_search check_moebius");
  s.BraneIntersectionCounter = 0;
  setCounterReport(printIntersectionCounters);
}

void resetIntersections() {
  IntersectionsState& s = state();
  int* super = s.Super;
  int* moebius = s.checkMoebius;
  s = IntersectionsState();
  s.Super = super;
  s.checkMoebius = moebius;
  resetBoundaryClasses();
  resetAnomalies();
}

void printIntersectionCounters() {
  PrintStdout("BraneIntersectionCounter=%lld\n", static_cast<long long>(state().BraneIntersectionCounter));
}

std::int64_t getBraneIntersectionCounter() { return state().BraneIntersectionCounter; }

int InitIntersection() {
  IntersectionsState& s = state();
  if (value(s.Super, 0) == 0) return 1;
  if (tablesCurrent()) return 0;
  if (MOD_initContents() == 0) return 1;
  s.SD = getSearchData();
  // Both routines give the same numbers; the one over orbits needs the orbit tables and a
  // consistent set of charge classes, and otherwise the one over all labels stands in.
  int r = 1;
  if (CrossBoundOrbitsAvailable() == 1 && InitFastIntersection() == 0) {
    s.intersect_fcn = ComputeFastIntersection;
    r = 0;
  } else {
    s.intersect_fcn = plainIntersection;
    r = InitIntersectionWithoutOrbits();
  }
  if (r != 0) return r;
  s.IntersectionsInitiated = QueryBulkInvariant();
  s.orbitsAtInit = CrossBoundOrbitsAvailable();
  return 0;
}

namespace {

// Per Ishibashi label m of field f: the sum over massless fields k of w_k conj(E(k, f)) /
// S(0, f), w_k the massless weight of k and E the matrix element (S or P). One massless
// field at a time: E(f, k) over all labels asks for the one row k, which the row cache of
// the modular data computes once (E is symmetric), not a row per label.
void masslessFactors(void (*element)(int, int, double*, double*), std::vector<double>* re,
                     std::vector<double>* im) {
  const int L = static_cast<int>(re->size());
  const std::vector<int> massless = getMasslessLabels();
  std::vector<int> fields(at(L));
  for (int m = 0; m < L; ++m) fields[at(m)] = getIshibashiField(m);
  std::vector<double> sumR(at(L), 0.0), sumI(at(L), 0.0);
  for (int k : massless) {
    const int w = getRepInfo(k)[1];
    if (w == 0) continue;
    obeyInterruptRequest();
    for (int m = 0; m < L; ++m) {
      double er = 0, ei = 0;
      element(fields[at(m)], k, &er, &ei);
      sumR[at(m)] += w * er;
      sumI[at(m)] -= w * ei;
    }
  }
  for (int m = 0; m < L; ++m) {
    if ((m & 1023) == 0) obeyInterruptRequest();
    double r0 = 0, i0 = 0;
    compS(0, fields[at(m)], &r0, &i0);
    (*re)[at(m)] = sumR[at(m)] / r0;
    (*im)[at(m)] = sumI[at(m)] / r0;
  }
}

}  // namespace

int InitIntersectionWithoutOrbits() {
  IntersectionsState& s = state();
  const int L = TotalIshibashi();
  s.SfacR.assign(at(L), 0.0);
  s.SfacI.assign(at(L), 0.0);
  masslessFactors(compS, &s.SfacR, &s.SfacI);
  s.SfacStamp = QueryBulkInvariant();
  return 0;
}

int ComputeIntersectionWithoutOrbits(int a, int b, int* chirality) {
  IntersectionsState& s = state();
  *chirality = 0;
  if (s.IntersectionsInitiated != QueryBulkInvariant()) {
    Alert("ComputeIntersectionWithoutOrbits", 0, 212404, "Intersections not initialized");
    if (InitIntersection() != 0) return kIntersectionFailed;
  }
  // With the orbit routine installed this one's tables are made on first use.
  if (s.SfacStamp != QueryBulkInvariant() && InitIntersectionWithoutOrbits() != 0) return kIntersectionFailed;
  const int L = static_cast<int>(s.SfacR.size());
  double Xr = 0, Xi = 0, Yr = 0, Yi = 0;
  for (int m = 0; m < L; ++m) {
    double ar = 0, ai = 0, br = 0, bi = 0;
    getCurrentReflectionCoefficient(m, a, &ar, &ai);
    getCurrentReflectionCoefficient(m, b, &br, &bi);
    // P = R_a conj(R_b)
    const double pr = ar * br + ai * bi;
    const double pi = ai * br - ar * bi;
    const double fr = s.SfacR[at(m)], fi = s.SfacI[at(m)];
    Xr += pr * fr - pi * fi;
    Xi += pr * fi + pi * fr;
    Yr += pr * fr + pi * fi;
    Yi += pr * fi - pi * fr;
  }
  int x = 0, y = 0;
  if (!toInteger(Xr, Xi, &x) || !toInteger(Yr, Yi, &y)) return kIntersectionFailed;
  *chirality = x - y;
  return x;
}

int InitFastIntersection() {
  IntersectionsState& s = state();
  s.Norbit = getNumberOfIshiOrbits();
  s.centre = std::max(CenterOrder(), 1);
  const std::vector<int>& G = getTrivialModInvGroupCharges();
  const int N = s.centre;
  s.chargeMap.assign(at(2 * N + 10), -1);
  s.DifCh = 0;
  s.chargeIndices = 0;
  // Classes of the charge vectors that fields carry, modulo the charges of the group: the
  // sum over an Ishibashi orbit keeps exactly the massless fields of one class.
  std::vector<char> seen(at(2 * N + 10), 0);
  for (int p = 0; getPrimaryOrbitEntry(p) != nullptr; ++p) {
    const int i = chargeIndexOf(p);
    if (i < 0 || i >= 2 * N + 10) return 4;
    if (seen[at(i)] == 0) {
      seen[at(i)] = 1;
      ++s.chargeIndices;
    }
    if (s.chargeMap[at(i)] != -1) continue;
    for (int g : G) {
      const int target = differenceIndex(i, g);
      if (target < 0 || target >= 2 * N + 10) return 4;
      s.chargeMap[at(target)] = s.DifCh;
    }
    ++s.DifCh;
  }
  // Each class holds one charge vector per distinct group charge: group currents of
  // integer spin can share a charge vector (that of the identity), so the count is over the
  // distinct charges, not over the currents.
  std::vector<int> distinct(G.begin(), G.end());
  std::sort(distinct.begin(), distinct.end());
  distinct.erase(std::unique(distinct.begin(), distinct.end()), distinct.end());
  const int expected = distinct.empty() ? 0 : s.chargeIndices / static_cast<int>(distinct.size());
  if (expected != s.DifCh) {
    Alert("InitFastIntersection", 0, 212404, "Charge count mismatch: Total %d, List %d,DifCh %d", s.chargeIndices,
          static_cast<int>(distinct.size()), s.DifCh);
    return 4;
  }
  const int R = s.chargeIndices;
  if (static_cast<long long>(R) * R <= 4000000LL)
    s.differenceClass.assign(at(R) * at(R), -2);
  else
    s.differenceClass.clear();
  s.FSR.assign(at(s.DifCh) * at(s.Norbit), 0.0);
  s.FSI.assign(at(s.DifCh) * at(s.Norbit), 0.0);
  const std::vector<int> massless = getMasslessLabels();
  for (int m = 0; m < s.Norbit; ++m) {
    const int f = getIshibashiFieldForOrbit(m);
    for (int k : massless) {
      const int w = getRepInfo(k)[1];
      if (w == 0) continue;
      const int i = chargeIndexOf(k);
      const int d = i >= 0 ? s.chargeMap[at(i)] : -1;
      if (d < 0) continue;
      double er = 0, ei = 0;
      compS(k, f, &er, &ei);
      s.FSR[at(d) * at(s.Norbit) + at(m)] += w * er;
      s.FSI[at(d) * at(s.Norbit) + at(m)] -= w * ei;
    }
    double r0 = 0, i0 = 0;
    compS(0, f, &r0, &i0);
    for (int d = 0; d < s.DifCh; ++d) {
      s.FSR[at(d) * at(s.Norbit) + at(m)] /= r0;
      s.FSI[at(d) * at(s.Norbit) + at(m)] /= r0;
    }
  }
  return 0;
}

int ComputeFastIntersection(int a, int b, int* chirality) {
  IntersectionsState& s = state();
  *chirality = 0;
  if (s.IntersectionsInitiated != QueryBulkInvariant()) {
    Alert("ComputeFastIntersection", 0, 212404, "Intersections not initialized");
    if (InitIntersection() != 0) return kIntersectionFailed;
    if (s.intersect_fcn != ComputeFastIntersection) return s.intersect_fcn(a, b, chirality);
  }
  const int qa = chargeIndexOf(getBoundaryField(a));
  const int qb = chargeIndexOf(getBoundaryField(b));
  const int D = differenceClassOf(qa, qb);
  const int E = differenceClassOf(qb, qa);
  if (D < 0 || E < 0) {
    Alert("ComputeFastIntersection", 1, 212404, "No charge class for boundaries %d and %d", a, b);
    return kIntersectionFailed;
  }
  const std::size_t rowD = at(D) * at(s.Norbit), rowE = at(E) * at(s.Norbit);
  double Xr = 0, Xi = 0, Yr = 0, Yi = 0;
  for (int m = 0; m < s.Norbit; ++m) {
    double ar = 0, ai = 0, br = 0, bi = 0;
    getCurrentReflectionCoefficient_orb(m, a, &ar, &ai);
    getCurrentReflectionCoefficient_orb(m, b, &br, &bi);
    const double w = getIshibashiOrbitSize_orb(m);
    // w P = w R_a conj(R_b)
    const double pr = w * (ar * br + ai * bi);
    const double pi = w * (ai * br - ar * bi);
    const double fr = s.FSR[rowD + at(m)], fi = s.FSI[rowD + at(m)];
    const double gr = s.FSR[rowE + at(m)], gi = s.FSI[rowE + at(m)];
    Xr += pr * fr - pi * fi;
    Xi += pr * fi + pi * fr;
    Yr += pr * gr + pi * gi;
    Yi += pr * gi - pi * gr;
  }
  int x = 0, y = 0;
  if (!toInteger(Xr, Xi, &x) || !toInteger(Yr, Yi, &y)) return kIntersectionFailed;
  *chirality = x - y;
  return x;
}

int intersectionUsesOrbits() {
  const IntersectionsState& s = state();
  return s.intersect_fcn == ComputeFastIntersection && tablesCurrent() ? 1 : 0;
}

int ComputeIntersectionEntry(int a, int b, int* chirality) {
  IntersectionsState& s = state();
  *chirality = 0;
  if (!ensureTables("ComputeIntersectionEntry")) return kIntersectionFailed;
  ++s.BraneIntersectionCounter;
  return s.intersect_fcn(a, b, chirality);
}

int InitMoebiusSum() {
  IntersectionsState& s = state();
  if (s.MoebiusInitiated == QueryBulkInvariant()) return 0;
  const int L = TotalIshibashi();
  s.PfacR.assign(at(L), 0.0);
  s.PfacI.assign(at(L), 0.0);
  masslessFactors(compP, &s.PfacR, &s.PfacI);
  s.MoebiusInitiated = QueryBulkInvariant();
  return 0;
}

int ComputeMoebiusSum(int o, int b) {
  IntersectionsState& s = state();
  if (InitMoebiusSum() != 0) return kMoebiusFailed;
  // Selecting an orientifold restarts the open-string set-up; skip it when o is current.
  OrientifoldInfo* record = orientifoldAt(o);
  if (record == nullptr || getCurrentOrientifold() != record) record = setStoredOrientifold(o);
  if (record == nullptr) return kMoebiusFailed;
  const int L = static_cast<int>(s.PfacR.size());
  double re = 0, im = 0;
  for (int m = 0; m < L; ++m) {
    double rr = 0, ri = 0, ur = 0, ui = 0;
    getCurrentReflectionCoefficientFlipped(m, b, &rr, &ri);
    getCurrentCrosscapCoefficient(m, 0, &ur, &ui);
    const double qr = rr * ur - ri * ui, qi = rr * ui + ri * ur;
    const double fr = s.PfacR[at(m)], fi = s.PfacI[at(m)];
    re += qr * fr - qi * fi;
    im += qr * fi + qi * fr;
  }
  if (record->tension < 0) re = -re;
  int M = 0;
  if (!toInteger(re, im, &M)) return kMoebiusFailed;
  return M;
}

int getDiagonalInfo(int o, int b, int* x, int* y, int* z) {
  if (!validBoundary("getDiagonalInfo", b)) return 1;
  OrientifoldInfo* record = orientifoldAt(o);
  if (record == nullptr) return 1;
  DiagonalBlock& d = diagonalOf(record);
  const int image = imageOf(record, b);
  if (d.flag[at(b)] == kNotComputed) {
    int xb = 0, chi = 0;
    if (!imageIntersection(b, image, &xb, &chi)) return 1;
    int yb = 0;
    if (xb != 0) {
      yb = ComputeMoebiusSum(o, b);
      if (yb == kMoebiusFailed) return 1;
    }
    d.x[at(b)] = xb;
    d.y[at(b)] = yb;
    d.flag[at(b)] = chi != 0 ? 1 : 0;
    if (image != b) {
      const int xi = xb - chi;
      int yi = 0;
      if (xi != 0) {
        yi = ComputeMoebiusSum(o, image);
        if (yi == kMoebiusFailed) return 1;
      }
      d.x[at(image)] = xi;
      d.y[at(image)] = yi;
      d.flag[at(image)] = chi != 0 ? 1 : 0;
      if (yb != yi) d.flag[at(b)] = d.flag[at(image)] = 1;
    }
  }
  if (z != nullptr && d.z[at(b)] == kNotComputed) {
    int chi = 0;
    const int zb = ComputeIntersectionEntry(b, b, &chi);
    if (zb == kIntersectionFailed) return 1;
    d.z[at(b)] = zb;
    if (image != b) d.z[at(image)] = zb;
  }
  *x = d.x[at(b)];
  *y = d.y[at(b)];
  if (z != nullptr) *z = d.z[at(b)];
  return 0;
}

int BraneIntersection(int o, int a, int b, int* Gamma, int* Delta) {
  *Gamma = 0;
  *Delta = 0;
  if (!validBoundary("BraneIntersection", a) || !validBoundary("BraneIntersection", b)) return 1;
  OrientifoldInfo* record = orientifoldAt(o);
  if (record == nullptr) return 1;
  const int as = imageOf(record, a);
  const int bs = imageOf(record, b);
  int chi = 0;
  // Two real branes have no chiral intersection; Delta needs both complex.
  if (as != a || bs != b) {
    if (ComputeIntersectionEntry(a, bs, &chi) == kIntersectionFailed) return 1;
    *Gamma = chi;
  }
  if (as != a && bs != b) {
    if (ComputeIntersectionEntry(a, b, &chi) == kIntersectionFailed) return 1;
    *Delta = chi;
  }
  return 0;
}

int CachedBraneIntersection(int o, int a, int b, int* Gamma, int* Delta) {
  IntersectionsState& s = state();
  *Gamma = 0;
  *Delta = 0;
  if (o == -1) {
    s.last_ori = -1;
    return 0;
  }
  if (!validBoundary("CachedBraneIntersection", a) || !validBoundary("CachedBraneIntersection", b)) return 1;
  const int n = TotalBoundaries();
  if (o != s.last_ori) {
    if (n <= 4000) {
      PrintStdout("Initializing intersection cache\n");
      s.GammaStore.assign(at(n) * at(n), kNotComputed);
      s.DeltaStore.assign(at(n) * at(n), kNotComputed);
      s.Nb = n;
      s.last_ori = o;
    } else {
      Alert("CachedBraneIntersection", 0, 100218, "Too many boundaries for caching");
      return BraneIntersection(o, a, b, Gamma, Delta);
    }
  }
  if (s.Nb != n) return BraneIntersection(o, a, b, Gamma, Delta);
  auto G = [&](int i, int j) -> int& { return s.GammaStore[at(i) * at(n) + at(j)]; };
  auto D = [&](int i, int j) -> int& { return s.DeltaStore[at(i) * at(n) + at(j)]; };
  if (G(a, b) != kNotComputed) {
    *Gamma = G(a, b);
    *Delta = D(a, b);
    return 0;
  }
  int g = 0, dl = 0;
  if (BraneIntersection(o, a, b, &g, &dl) != 0) return 1;  // a failed pair is not cached
  OrientifoldInfo* record = orientifoldAt(o);
  const int as = imageOf(record, a), bs = imageOf(record, b);
  G(a, b) = g;
  D(a, b) = dl;
  G(b, a) = g;
  D(b, a) = -dl;
  if (as != a && bs != b) {
    G(as, b) = G(b, as) = -dl;
    G(a, bs) = G(bs, a) = dl;
    G(as, bs) = G(bs, as) = -g;
    D(as, b) = -g;
    D(b, as) = g;
    D(a, bs) = g;
    D(bs, a) = -g;
    D(as, bs) = -dl;
    D(bs, as) = dl;
  }
  *Gamma = g;
  *Delta = dl;
  return 0;
}

int CheckChirality(int mode, int b, int o, int* A, int* M, int* Z) {
  IntersectionsState& s = state();
  if (mode == 0) {
    SearchData* sd = getSearchData();
    if (sd != nullptr && sd->orientifoldList != nullptr) {
      s.Neff = sd->tensionOrientifolds;
    } else {
      orientifoldAt(0);  // loads the orientifold list when there is none yet
      s.Neff = TotalOrientifoldsWithTension();
    }
    s.chiralityBoundaries = TotalBoundaries();
    const std::size_t size = at(s.Neff) * at(s.chiralityBoundaries);
    s.status.assign(size, -2);
    s.Annuli.assign(size, 0);
    s.Moebii.assign(size, 0);
    s.Adjoints.assign(at(s.chiralityBoundaries), -1);
    s.MoebiusInitiated = -1;
    s.last_ori = -1;
    s.chiralityAllocated = true;
    return 0;
  }
  if (!s.chiralityAllocated) {
    Alert("CheckChirality", 0, 212404, "Space for open string amplitudes was not allocated");
    return -3;
  }
  if (b < 0 || b >= s.chiralityBoundaries || o < 0 || o >= s.Neff) {
    Alert("CheckChirality", 1, 100302, "Boundary %d or orientifold %d out of range", b, o);
    return -3;
  }
  const std::size_t k = at(s.Neff) * at(b) + at(o);
  auto chiral = [&]() {
    s.status[k] = -1;
    if (mode == 2) {
      Alert("CheckChirality", 2, 212404, "Moebius amplitude requested for chiral rank-2 fields");
      return -3;
    }
    return -1;
  };
  auto adjoints = [&]() -> bool {
    if (s.Adjoints[at(b)] != -1) return true;
    int chi = 0;
    const int z = ComputeIntersectionEntry(b, b, &chi);
    if (z == kIntersectionFailed) return false;
    s.Adjoints[at(b)] = z;
    return true;
  };
  auto answer = [&]() {
    *A = s.Annuli[k];
    *M = s.Moebii[k];
    *Z = s.Adjoints[at(b)];
    return 0;
  };
  if (s.status[k] != -2) {
    if (mode == 1) return s.status[k];
    if (s.status[k] == -1) return chiral();
    return answer();
  }
  OrientifoldInfo* record = orientifoldAt(o);
  if (record == nullptr) return -3;
  const int image = imageOf(record, b);
  int x = 0, chi = 0;
  if (!imageIntersection(b, image, &x, &chi)) return -3;
  if (chi != 0) return chiral();
  if (x == 0) {
    if (!adjoints()) return -3;
    s.status[k] = 0;
    s.Annuli[k] = 0;
    s.Moebii[k] = 0;
    return mode == 1 ? 0 : answer();
  }
  if (value(s.checkMoebius, 1) == 0) return mode == 1 ? 0 : -4;
  const int M1 = ComputeMoebiusSum(o, b);
  const int M2 = ComputeMoebiusSum(o, image);
  if (M1 == kMoebiusFailed || M2 == kMoebiusFailed) return -3;
  if (!(std::abs(M1) <= x && std::abs(M2) <= x && (x - M1) % 2 == 0 && (x - M2) % 2 == 0))
    Alert("CheckChirality", 3, 212404, "Annulus/Moebius sum problem: A1=%d, M1=%d, A2=%d, M2=%d", x, M1, x, M2);
  if (M1 != M2) return chiral();
  if (!adjoints()) return -3;
  s.status[k] = 0;
  s.Annuli[k] = x;
  s.Moebii[k] = M1;
  return mode == 1 ? 0 : answer();
}

int PrintIntersectionEntry(int a, int b) {
  if (!validBoundary("PrintIntersectionEntry", a) || !validBoundary("PrintIntersectionEntry", b)) return 1;
  if (InitIntersection() != 0) {
    Alert("PrintIntersectionEntry", 0, 100302, "Intersections cannot be set up");
    return 1;
  }
  int chi = 0;
  const int x = ComputeIntersectionEntry(a, b, &chi);
  if (x == kIntersectionFailed) return 1;
  Print("Intersection(%d,%d)=%d (chirality %d)\n", a, b, x, chi);
  return 0;
}
