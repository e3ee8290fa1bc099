// Brane intersection numbers: the pair routine over all Ishibashi labels, Moebius sums,
// the per-orientifold diagonal data of each brane, the pair cache of the standard-model
// search and the chirality checks of rank-2 tensors.
#include "strings/Intersections.h"

#include <cmath>
#include <cstdlib>
#include <map>
#include <vector>

#include "boundaries/CrossBound.h"
#include "modular/Modular.h"
#include "numbers/MathUtility.h"
#include "runtime/Error.h"
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
  std::vector<double> SfacR, SfacI;
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

// Tables built for the current invariant, rebuilt when stale; false when that fails.
bool ensureTables(const char* routine) {
  IntersectionsState& s = state();
  if (s.IntersectionsInitiated == QueryBulkInvariant() && s.intersect_fcn != nullptr) return true;
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
  if (s.IntersectionsInitiated == QueryBulkInvariant() && s.intersect_fcn != nullptr) return 0;
  if (MOD_initContents() == 0) return 1;
  s.SD = getSearchData();
  // Both routines give the same numbers; the one over all labels needs no orbit tables.
  s.intersect_fcn = plainIntersection;
  const int r = InitIntersectionWithoutOrbits();
  if (r != 0) return r;
  s.IntersectionsInitiated = QueryBulkInvariant();
  return 0;
}

namespace {

// Per Ishibashi label m of field f: the sum over massless fields k of w_k conj(E(k, f)) /
// S(0, f), w_k the massless weight of k and E the matrix element (S or P).
void masslessFactors(void (*element)(int, int, double*, double*), std::vector<double>* re,
                     std::vector<double>* im) {
  const int L = static_cast<int>(re->size());
  const std::vector<int> massless = getMasslessLabels();
  for (int m = 0; m < L; ++m) {
    const int f = getIshibashiField(m);
    double sumR = 0, sumI = 0, r0 = 0, i0 = 0;
    for (int k : massless) {
      const int w = getRepInfo(k)[1];
      if (w == 0) continue;
      double er = 0, ei = 0;
      element(k, f, &er, &ei);
      sumR += w * er;
      sumI -= w * ei;
    }
    compS(0, f, &r0, &i0);
    (*re)[static_cast<std::size_t>(m)] = sumR / r0;
    (*im)[static_cast<std::size_t>(m)] = sumI / r0;
  }
}

}  // namespace

int InitIntersectionWithoutOrbits() {
  IntersectionsState& s = state();
  const int L = TotalIshibashi();
  s.SfacR.assign(at(L), 0.0);
  s.SfacI.assign(at(L), 0.0);
  masslessFactors(compS, &s.SfacR, &s.SfacI);
  return 0;
}

int ComputeIntersectionWithoutOrbits(int a, int b, int* chirality) {
  IntersectionsState& s = state();
  *chirality = 0;
  if (s.IntersectionsInitiated != QueryBulkInvariant()) {
    Alert("ComputeIntersectionWithoutOrbits", 0, 212404, "Intersections not initialized");
    if (InitIntersection() != 0) return kIntersectionFailed;
  }
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
  if (InitMoebiusSum() != 0) return kIntersectionFailed;
  OrientifoldInfo* record = setStoredOrientifold(o);
  if (record == nullptr) return kIntersectionFailed;
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
  if (!toInteger(re, im, &M)) return kIntersectionFailed;
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
      if (yb == kIntersectionFailed) return 1;
    }
    d.x[at(b)] = xb;
    d.y[at(b)] = yb;
    d.flag[at(b)] = chi != 0 ? 1 : 0;
    if (image != b) {
      const int xi = xb - chi;
      int yi = 0;
      if (xi != 0) {
        yi = ComputeMoebiusSum(o, image);
        if (yi == kIntersectionFailed) return 1;
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
  if (M1 == kIntersectionFailed || M2 == kIntersectionFailed) return -3;
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
