// The one-loop amplitudes of the unoriented string under the current orientifold: the
// annulus A^i_ab, the Moebius strip M^i_a and the Klein bottle K^i, each the nearest
// integer of a sum over Ishibashi labels (or, for the annulus, Ishibashi orbits), and the
// checks built on them: integrality and positivity, the Klein-bottle constraint, the
// NIM-representation identities and the annulus trace formula.
//
// Convention: each amplitude hands -i to the generic sum, so a non-negative field i gives
// the amplitude with S conjugated, and -i the one with S unconjugated (the conjugate field).
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "boundaries/CrossBoundInternal.h"
#include "invariants/Invariants.h"
#include "modular/Modular.h"
#include "runtime/Error.h"
#include "runtime/Output.h"
#include "runtime/Terminal.h"

namespace {

const IshibashiLabel& ishibashi(int m) {
  return crossBoundState().IshibashiLabels[static_cast<size_t>(m)];
}

int ishiOrbitRep(int k) {
  return crossBoundState().IshiOrbitMap[static_cast<size_t>(k)];
}

void compSAux(int m, int x, double* re, double* im) {
  compS(ishibashi(m).primary, x, re, im);
}
void compPAux(int m, int x, double* re, double* im) {
  compP(x, ishibashi(m).primary, re, im);
}
void compSAux_orb(int k, int x, double* re, double* im) {
  compS(ishibashi(ishiOrbitRep(k)).primary, x, re, im);
}
void reflection_orb(int k, int x, double* re, double* im) {
  getCurrentReflectionCoefficient(ishiOrbitRep(k), x, re, im);
}
void reflectionFlipped_orb(int k, int x, double* re, double* im) {
  const int rep = ishiOrbitRep(k);
  getCurrentReflectionCoefficientFlipped(rep, x, re, im);
  const double size = ishibashi(rep).orbitSize;
  *re *= size;
  *im *= size;
}

int toAmplitude(FusionCoefficient value) {
  if (fusionInterrupted(value) || fusionUndecided(value)) return 0;
  return static_cast<int>(value);
}

// 1 when the charge vector Q(p) + Q(q) - Q(i) (+ Q(-i) for i < 0) is one of the current
// orientifold's group charges.
bool chargeAllowed(int p, int q, int i) {
  CrossBoundState& s = crossBoundState();
  const int n = std::max(CenterOrder(), 1);
  const int* qp = getChargeVector(p);
  const int* qq = getChargeVector(q);
  const int* qi = getChargeVector(i < 0 ? -i : i);
  if (qp == nullptr || qq == nullptr || qi == nullptr) return true;
  std::vector<int> v(static_cast<size_t>(n));
  for (int c = 0; c < n; ++c) {
    const int x = qp[c] + qq[c] + (i < 0 ? qi[c] : -qi[c]);
    v[static_cast<size_t>(c)] = ((x % n) + n) % n;
  }
  const int index = findChargeVector(v.data());
  OrientifoldInfo* record = s.CurrentOrientifold;
  if (record == nullptr) return true;
  // The charges are loaded with the metric; a list made before the orbit tables existed is
  // made again rather than read as "nothing allowed".
  loadIshibashiMetric(record);
  if (record->groupCharges.empty()) loadModInvGroupCharges(record);
  if (record->groupCharges.empty()) return true;
  return std::find(record->groupCharges.begin(), record->groupCharges.end(), index) !=
         record->groupCharges.end();
}

int boundaryPrimary(int a) {
  return crossBoundState().BoundaryLabels[static_cast<size_t>(a)].primary;
}

bool validBoundary(int a) {
  return a >= 0 && a < crossBoundState().BoundaryLabelCount;
}

// Z(i, i^c) of the current invariant.
int torusCoefficient(int i) {
  BulkInvariant* bi = currentBulk();
  const int conjugate = getConjugate(i);
  if (bi == nullptr || bi->diagonal) return conjugate == i ? 1 : 0;
  if (i >= bi->n_rows || bi->orbits[static_cast<size_t>(i)] == nullptr) return 0;
  int Z = 0;
  const int* row = bi->orbits[static_cast<size_t>(i)];
  for (int k = 0; k < bi->count[i]; ++k)
    if (row[k] == conjugate) Z += bi->mult[i];
  return Z;
}

// The factors of the sum M^0_a that do not depend on a, for one orientifold choice: P(0, i_m),
// U(m) and S(i_m, 0) of the labels m whose term can be non-zero (P(0, i_m) and U(m) both
// non-zero), in label order, with the label of the largest S(i_m, 0) kept among them, so that
// a zero denominator is judged against the same row maximum. Every term left out is exactly
// zero, so the sum is the full one to the last bit. full: a denominator is zero, and every
// label is summed (the generic sum then reports it as it always did).
struct VacuumMoebiusTerms {
  const OrientifoldInfo* record = nullptr;
  int sequence = -2;
  int bulk = -2;
  int labels = -1;
  int orbitMode = -1;
  bool full = false;
  std::vector<int> index;
  std::vector<double> P, U, S;  // real and imaginary parts, one pair per entry of index
};

struct AmplitudeState {
  std::vector<int> kleinBuffer;
  VacuumMoebiusTerms vacuumMoebius;
  long long annulusSums = 0;
};

AmplitudeState& amplitudeState() {
  static AmplitudeState s;
  return s;
}

// M^i_a and K^i as the generic sum gives them (kFusionInterrupted, kFusionUndecided
// included); the public getters read both markers as 0.
FusionCoefficient moebiusCoefficient(int i, int a) {
  CrossBoundState& s = crossBoundState();
  if (!validBoundary(a)) return 0;
  initPMATRIX();
  if (CrossBoundOrbitsAvailable() && !chargeAllowed(boundaryPrimary(a), boundaryPrimary(a), i))
    return 0;
  return GenericVerlinde(-i, a, 0, s.IshibashiLabelCount, compPAux,
                         getCurrentReflectionCoefficientFlipped, getCurrentCrosscapCoefficient,
                         compSAux);
}

FusionCoefficient kleinBottleCoefficient(int i) {
  CrossBoundState& s = crossBoundState();
  initPMATRIX();
  return GenericVerlinde(-i, 0, 0, s.IshibashiLabelCount, compSAux,
                         getCurrentCrosscapCoefficientFlipped, getCurrentCrosscapCoefficient,
                         compSAux);
}

bool isZero(double re, double im) {
  return re == 0.0 && im == 0.0;
}

// The terms of M^0_a for the current orientifold, made when its choice, the invariant or
// the way U(m) is read has changed since the last ones.
VacuumMoebiusTerms& vacuumMoebiusTerms() {
  CrossBoundState& s = crossBoundState();
  VacuumMoebiusTerms& t = amplitudeState().vacuumMoebius;
  const OrientifoldInfo* record = s.CurrentOrientifold;
  const int orbitMode = useOrbits() >= 2 && CrossBoundOrbitsAvailable() ? 1 : 0;
  if (t.record == record && record != nullptr && t.sequence == record->sequence &&
      t.bulk == QueryBulkInvariant() && t.labels == s.IshibashiLabelCount &&
      t.orbitMode == orbitMode)
    return t;
  t = VacuumMoebiusTerms{};
  const int n = s.IshibashiLabelCount;
  std::vector<double> P(2 * static_cast<size_t>(n)), U(P.size()), S(P.size());
  double rowMax = 0.0;
  int largest = 0;
  for (int m = 0; m < n; ++m) {
    obeyInterruptRequest();
    const size_t k = 2 * static_cast<size_t>(m);
    compPAux(m, 0, &P[k], &P[k + 1]);
    getCurrentCrosscapCoefficient(m, 0, &U[k], &U[k + 1]);
    compSAux(m, 0, &S[k], &S[k + 1]);
    if (std::fabs(S[k]) > rowMax) {
      rowMax = std::fabs(S[k]);
      largest = m;
    }
  }
  for (int m = 0; m < n && !t.full; ++m) {
    const double denominator = std::fabs(S[2 * static_cast<size_t>(m)]);
    if (!(denominator > rowMax * 1e-300) || !std::isfinite(denominator)) t.full = true;
  }
  for (int m = 0; m < n; ++m) {
    const size_t k = 2 * static_cast<size_t>(m);
    const bool vanishing = isZero(P[k], P[k + 1]) || isZero(U[k], U[k + 1]);
    if (!t.full && vanishing && m != largest) continue;
    t.index.push_back(m);
    for (int part = 0; part < 2; ++part) {
      t.P.push_back(P[k + static_cast<size_t>(part)]);
      t.U.push_back(U[k + static_cast<size_t>(part)]);
      t.S.push_back(S[k + static_cast<size_t>(part)]);
    }
  }
  t.record = record;
  t.sequence = record != nullptr ? record->sequence : -2;
  t.bulk = QueryBulkInvariant();
  t.labels = n;
  t.orbitMode = orbitMode;
  return t;
}

void vacuumMoebiusP(int k, int, double* re, double* im) {
  const VacuumMoebiusTerms& t = amplitudeState().vacuumMoebius;
  *re = t.P[2 * static_cast<size_t>(k)];
  *im = t.P[2 * static_cast<size_t>(k) + 1];
}
void vacuumMoebiusReflection(int k, int a, double* re, double* im) {
  getCurrentReflectionCoefficientFlipped(amplitudeState().vacuumMoebius.index[static_cast<size_t>(k)],
                                         a, re, im);
}
void vacuumMoebiusCrosscap(int k, int, double* re, double* im) {
  const VacuumMoebiusTerms& t = amplitudeState().vacuumMoebius;
  *re = t.U[2 * static_cast<size_t>(k)];
  *im = t.U[2 * static_cast<size_t>(k) + 1];
}
void vacuumMoebiusS(int k, int, double* re, double* im) {
  const VacuumMoebiusTerms& t = amplitudeState().vacuumMoebius;
  *re = t.S[2 * static_cast<size_t>(k)];
  *im = t.S[2 * static_cast<size_t>(k) + 1];
}

// The two sides of one NIM-representation identity, summed term by term. A term with a
// factor that was not computed leaves the identity without a verdict: a partial sum is
// no evidence either way, so it is never compared.
struct IdentitySums {
  long long left = 0;
  long long right = 0;
  bool stopped = false;  // the user stopped the check
  int unknown = 0;       // factors not computed: undecided in double precision, or refused
};

// Whether the check must end before the next term: the user stopped it (a pending Ctrl-C
// is taken here, as the sums themselves do).
bool checkStopped(IdentitySums& sums) {
  if (getStopSignal() != 0) sums.stopped = true;
  return sums.stopped;
}

// Whether the factor is a number; a stopped sum marks the check stopped, any other marker
// counts the factor as unknown.
bool factorKnown(FusionCoefficient value, IdentitySums& sums) {
  if (!fusionInterrupted(value) && !fusionUndecided(value)) return true;
  if (fusionInterrupted(value) && getStopSignal() != 0)
    sums.stopped = true;
  else
    ++sums.unknown;
  return false;
}

// Adds x y to the side; false when a factor is unknown (the side is then incomplete). A
// zero first factor decides the term without the second.
bool addProduct(long long& side, FusionCoefficient x, FusionCoefficient (*second)(int, int, int),
                int p, int q, int r, IdentitySums& sums) {
  if (!factorKnown(x, sums)) return false;
  if (x == 0) return true;
  const FusionCoefficient y = second(p, q, r);
  if (!factorKnown(y, sums)) return false;
  side += x * y;
  return true;
}

// 1 when the identity holds, 0 after the violation alert, -1 (with a line saying why) when
// the check has no verdict. labels: the check's arguments as printed, e.g. "0,0,1,2".
int identityVerdict(const char* routine, const std::string& labels, const IdentitySums& sums) {
  if (sums.stopped) {
    Print("Check %s stopped; no verdict\n", labels.c_str());
    return -1;
  }
  if (sums.unknown > 0) {
    Print("Check %s undecided: %d coefficient(s) cannot be determined\n", labels.c_str(),
          sums.unknown);
    return -1;
  }
  if (sums.left == sums.right) return 1;
  Alert(routine, 0, 212404, "%s: %lld != %lld\n", labels.c_str(), sums.left, sums.right);
  return 0;
}

// Runs the summation of one identity and gives its verdict. Ctrl-C inside a sum ends the
// command (StopRequest): the check says first that it has no verdict.
template <class Summation>
int checkIdentity(const char* routine, const std::string& labels, Summation summation) {
  IdentitySums sums;
  try {
    summation(sums);
  } catch (const StopRequest&) {
    Print("Check %s stopped; no verdict\n", labels.c_str());
    throw;
  }
  return identityVerdict(routine, labels, sums);
}

}  // namespace

void resetAmplitudes() {
  amplitudeState() = AmplitudeState{};
}

int getAnnulus(int i, int a, int b) {
  CrossBoundState& s = crossBoundState();
  if (!validBoundary(a) || !validBoundary(b)) return 0;
  ++amplitudeState().annulusSums;
  if (CrossBoundOrbitsAvailable()) {
    if (!chargeAllowed(boundaryPrimary(a), boundaryPrimary(b), i)) return 0;
    return toAmplitude(GenericVerlinde(-i, a, b, s.NIshiOrbit, compSAux_orb, reflection_orb,
                                       reflectionFlipped_orb, compSAux_orb));
  }
  return toAmplitude(GenericVerlinde(-i, a, b, s.IshibashiLabelCount, compSAux,
                                     getCurrentReflectionCoefficient,
                                     getCurrentReflectionCoefficientFlipped, compSAux));
}

int getMoebius(int i, int a) {
  return toAmplitude(moebiusCoefficient(i, a));
}

long long annulusSumCount() {
  return amplitudeState().annulusSums;
}

int vacuumMoebius(int a) {
  CrossBoundState& s = crossBoundState();
  BulkInvariant* bi = currentBulk();
  if (bi == nullptr || bi->simple_current != 1) return getMoebius(0, a);
  if (!validBoundary(a)) return 0;
  initPMATRIX();
  if (CrossBoundOrbitsAvailable() && !chargeAllowed(boundaryPrimary(a), boundaryPrimary(a), 0))
    return 0;
  if (s.IshibashiLabelCount < 1) return getMoebius(0, a);
  const VacuumMoebiusTerms& t = vacuumMoebiusTerms();
  return toAmplitude(GenericVerlinde(0, a, 0, static_cast<int>(t.index.size()), vacuumMoebiusP,
                                     vacuumMoebiusReflection, vacuumMoebiusCrosscap,
                                     vacuumMoebiusS));
}

int getKleinBottle(int i) {
  return toAmplitude(kleinBottleCoefficient(i));
}

int checkAnnulusOrbits(int i, int a, int b) {
  CrossBoundState& s = crossBoundState();
  if (!CrossBoundOrbitsAvailable()) {
    Alert("checkAnnulusOrbits", 0, 212404, "No orbit data, nothing to check");
    return 0;
  }
  const int A = getAnnulus(i, a, b);
  const int saved = s.OrbitDataAvailable;
  int differences = 0;
  for (int k = 0; k < s.BoundaryOrder; ++k) {
    const int J = s.BoundaryCurrents[static_cast<size_t>(k)];
    const int Ja = BoundaryCurrentFusion(J, a);
    const int Jb = BoundaryCurrentFusion(getConjugate(J), b);
    s.OrbitDataAvailable = -1;
    const int direct = Ja >= 0 && Jb >= 0 ? getAnnulus(i, Ja, Jb) : 0;
    s.OrbitDataAvailable = saved;
    if (direct != A) {
      Alert("checkAnnulusOrbits", 1, 212404, "Different answer for A(%d,%d,%d), J=%d: %d != %d\n",
            i, a, b, k, A, direct);
      ++differences;
    }
  }
  return differences == 0 ? 1 : 0;
}

int checkNIMfusion(int i, int j, int a, int b) {
  const int total = TotalBoundaries();
  const int N = primaryCount();
  return checkIdentity("checkNIMfusion", formatText("%d,%d,%d,%d", i, j, a, b), [&](IdentitySums& sums) {
    // sum_c A(i^c; a, c) A(j^c; c, b)
    for (int c = 0; c < total && !checkStopped(sums); ++c)
      addProduct(sums.left, orientedAnnulusCoefficient(-i, a, c), orientedAnnulusCoefficient, -j, c,
                 b, sums);
    // sum_k N_ij^k A(k^c; a, b)
    for (int k = 0; k < N && !checkStopped(sums); ++k)
      addProduct(sums.right, fusion(i, j, k, 0), orientedAnnulusCoefficient, -k, a, b, sums);
  });
}

namespace {

FusionCoefficient moebiusOfSecond(int field, int boundary, int) {
  return moebiusCoefficient(field, boundary);
}
FusionCoefficient kleinOfFirst(int field, int, int) {
  return kleinBottleCoefficient(field);
}

}  // namespace

int checkUNIMMoebius(int i, int j, int a) {
  const int total = TotalBoundaries();
  const int N = primaryCount();
  return checkIdentity("checkUNIMMoebius", formatText("%d,%d,%d", i, j, a), [&](IdentitySums& sums) {
    // sum_b A(i^c; a, b) M(j^c, b)
    for (int b = 0; b < total && !checkStopped(sums); ++b)
      addProduct(sums.left, orientedAnnulusCoefficient(-i, a, b), moebiusOfSecond, -j, b, 0, sums);
    // sum_k Y(i, j, k) M(k^c, a)
    for (int k = 0; k < N && !checkStopped(sums); ++k)
      addProduct(sums.right, Pfusion(i, j, k), moebiusOfSecond, -k, a, 0, sums);
  });
}

int checkUNIMKlein(int i, int j) {
  const int total = TotalBoundaries();
  const int N = primaryCount();
  return checkIdentity("checkUNIMKlein", formatText("%d,%d", i, j), [&](IdentitySums& sums) {
    // sum_b M(i^c, b) M(j^c, conj(b))
    for (int b = 0; b < total && !checkStopped(sums); ++b) {
      const int conjugate = BoundaryConjugate(b);
      if (conjugate < 0) continue;
      addProduct(sums.left, moebiusCoefficient(-i, b), moebiusOfSecond, -j, conjugate, 0, sums);
    }
    // sum_k Y(k^c, i, j^c) K^(k^c)
    const int jc = getConjugate(j);
    for (int k = 0; k < N && !checkStopped(sums); ++k)
      addProduct(sums.right, Pfusion(getConjugate(k), i, jc), kleinOfFirst, -k, 0, 0, sums);
  });
}

int checkClosed(int maxerr) {
  const int N = primaryCount();
  int errors = 0;
  for (int i = 0; i < N && errors < maxerr; ++i) {
    const int K = getKleinBottle(i);
    const int Z = torusCoefficient(i);
    if ((Z - K) % 2 != 0) {
      Alert("checkClosed", 0, 212302,
            "Integrality violation for field %d (Torus=%d, Klein bottle=%d)\n", i, Z, K);
      if (++errors >= maxerr) break;
    }
    if (std::abs(K) > Z) {
      Alert("checkClosed", 1, 212302,
            "Positivity violation for field %d (Torus=%d, Klein bottle=%d)\n", i, Z, K);
      ++errors;
    }
  }
  return errors;
}

int checkOpen(int maxerr) {
  initPMATRIX();
  const int N = primaryCount();
  const int total = TotalBoundaries();
  int errors = 0;
  startProgressInfo("Checking open string consistency", 1,
                    static_cast<double>(total) * static_cast<double>(N));
  for (int i = 0; i < N && errors < maxerr; ++i) {
    for (int a = 0; a < total && errors < maxerr; ++a) {
      if (incrementProgressInfo() == 1) {
        stopProgressInfo("Checking open string consistency");
        return -1;
      }
      const int A = getAnnulus(i, a, a);
      const int M = getMoebius(i, a);
      if ((A - M) % 2 != 0) {
        Alert("checkOpen", 0, 212302,
              "Integrality violation for field %d, boundary %d\n(Annulus=%d, Moebius=%d)\n", i,
              a, A, M);
        if (++errors >= maxerr) break;
      }
      if (std::abs(M) > A) {
        Alert("checkOpen", 1, 212302,
              "Positivity violation for field %d,boundary %d\n(Annulus=%d, Moebius=%d)\n", i, a,
              A, M);
        ++errors;
      }
    }
  }
  stopProgressInfo("Checking open string consistency");
  return errors;
}

int checkKleinBottleConstraint(int maxerr) {
  const int N = primaryCount();
  std::vector<int>& K = amplitudeState().kleinBuffer;
  K.assign(static_cast<size_t>(N), 0);
  for (int i = 0; i < N; ++i) K[static_cast<size_t>(i)] = getKleinBottle(i);
  return checkKlein(K, maxerr);
}

int checkKlein(const std::vector<int>& K, int maxerr) {
  const int N = static_cast<int>(K.size());
  int errors = 0;
  for (int i = 0; i < N; ++i) {
    if (K[static_cast<size_t>(i)] == 0) continue;
    for (int j = i; j < N; ++j) {
      if (K[static_cast<size_t>(j)] == 0) continue;
      for (int k = j; k < N; ++k) {
        if (K[static_cast<size_t>(k)] == 0) continue;
        const FusionCoefficient n = fusion(i, j, k, 0);
        if (fusionInterrupted(n) || fusionUndecided(n) || n == 0) continue;
        const long long v = static_cast<long long>(K[static_cast<size_t>(i)]) * n *
                            K[static_cast<size_t>(j)] * K[static_cast<size_t>(k)];
        if (v >= 0) continue;
        if (maxerr < 0) return 1;
        Alert("checkKlein", 0, 212302,
              "Klein bottle constraint violation for labels %d,%d and %d; result: %lld", i, j, k,
              v);
        if (++errors >= maxerr) return errors;
      }
    }
  }
  return errors;
}

int checkAnnulusTrace() {
  BulkInvariant* bi = currentBulk();
  const int N = primaryCount();
  const int total = TotalBoundaries();
  int violations = 0;
  std::vector<int> K(static_cast<size_t>(N));
  std::vector<long long> Y(static_cast<size_t>(N));
  for (int n = 0; n < N; ++n) {
    K[static_cast<size_t>(n)] = getKleinBottle(n);
    const FusionCoefficient y = Pfusion(n, 0, 0);
    Y[static_cast<size_t>(n)] = fusionInterrupted(y) || fusionUndecided(y) ? 0 : y;
  }
  for (int i = 0; i < N; ++i) {
    long long left = 0;
    for (int a = 0; a < total; ++a) left += getAnnulus(-i, a, a);
    double re = 0.0, im = 0.0;
    for (int m = 0; bi != nullptr && m < N && m < bi->n_rows; ++m) {
      const int* row = bi->orbits[static_cast<size_t>(m)];
      if (row == nullptr) continue;
      for (int e = 0; e < bi->count[m]; ++e) {
        const int n = getConjugate(row[e]);
        if (n != m) continue;
        double sr = 0.0, si = 0.0, s0 = 0.0, ignored = 0.0;
        compS(i, n, &sr, &si);
        compS(0, n, &s0, &ignored);
        const double weight =
            static_cast<double>(Y[static_cast<size_t>(n)] * K[static_cast<size_t>(n)]) / s0;
        re += weight * sr;
        im += weight * si;
      }
    }
    int right = 0;
    if (!ComplexToInteger(&right, re, im) || right != left) {
      Print("Trace formula violated for label %d [%lld != (%15.7f,%15.7f)]\n", i, left, re, im);
      ++violations;
    }
  }
  if (violations == 0) Print("Trace formula OK\n");
  return violations;
}
