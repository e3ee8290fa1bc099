// The hypercharge of a candidate: Y = (y_a Q_a + y_b Q_b + y_c Q_c + y_d Q_d) / norm with
// integer y_x, from the mixed anomalies and the standard-model charges (completed by the axion
// mass terms or the degeneracy enumeration), the split of the stacks c and d into pieces of a
// traceless generator, the orderings that count each configuration once, and the three-stack
// form of a candidate. Pairs: ab 0, ac 1, ad 2, bc 3, bd 4, cd 5; Gamma = I(x, y*), Delta =
// I(x, y).
#include <cmath>
#include <cstdlib>

#include "boundaries/CrossBound.h"
#include "collections/VectorUtility.h"
#include "numbers/MathUtility.h"
#include "runtime/Error.h"
#include "runtime/Output.h"
#include "search/AbelianMasses.h"
#include "search/Catalogue.h"
#include "search/ModelAnalysisInternal.h"
#include "search/SearchDriver.h"
#include "strings/Intersections.h"

using namespace modelanalysis;

namespace {

// Adds a row; -1 when the system became inconsistent, -2 on integer overflow (alerted).
int addEquation(VectorSpace* eqs, const long long row[5]) {
  int r[5];
  for (int k = 0; k < 5; ++k) {
    if (row[k] > INT32_MAX || row[k] < INT32_MIN) {
      rejectCandidate("computeY", 3, "Integer overflow");
      return -2;
    }
    r[k] = static_cast<int>(row[k]);
  }
  const int result = CollectIntegerEquations(eqs, r);
  if (result == kEliminationOverflow) {
    rejectCandidate("computeY", 4, "Integer overflow");
    return -2;
  }
  return result < 0 ? -1 : 0;
}

// The split of a free d (no c-d intersection fixes it): the six splittings of the doubled norm.
int freeDSplittings(int store) {
  StandardModel& m = SM;
  int* events = searchEvents();
  long long doubled[9] = {2LL * m.Ynorm, 2LL * m.Y[0], 2LL * m.Y[1], 2LL * m.Y[2], 2LL * m.Y[3],
                          2LL * m.cEigenvalues[0], 2LL * m.cEigenvalues[1], 2LL * m.dEigenvalues[0],
                          2LL * m.dEigenvalues[1]};
  for (long long v : doubled)
    if (v > INT32_MAX / 4 || v < INT32_MIN / 4) return rejectCandidate("computeQuarkAndLeptonCharges", 1, "Integer overflow");
  m.Ynorm = static_cast<int>(doubled[0]);
  for (int x = 0; x < 4; ++x) m.Y[x] = static_cast<int>(doubled[1 + x]);
  m.cEigenvalues[0] = static_cast<int>(doubled[5]);
  m.cEigenvalues[1] = static_cast<int>(doubled[6]);
  m.dEigenvalues[0] = static_cast<int>(doubled[7]);
  m.dEigenvalues[1] = static_cast<int>(doubled[8]);
  events[10] = 1;
  const long long n = m.Ynorm, y = m.Y[3], N = m.multiplicities[3];
  int result = 0;
  auto tryVariant = [&](int variant, long long m0, long long m1, long long e0, long long e1) {
    m.dMultiplicities[0] = static_cast<int>(m0);
    m.dMultiplicities[1] = static_cast<int>(m1);
    m.dEigenvalues[0] = static_cast<int>(e0);
    m.dEigenvalues[1] = static_cast<int>(e1);
    m.dDetermined = 1;
    if (countQuarksAndLeptons(store, 0) == 1) {
      result = 1;
      events[11] = variant;
    }
  };
  if (y == 0 || 2 * y == n || 2 * y == -n) tryVariant(1, N, 0, 0, -n);
  {
    const long long p = (n + 2 * y) * N, q = (n - 2 * y) * N;
    if (p % (2 * n) == 0 && q % (2 * n) == 0 && p > 0 && q > 0)
      tryVariant(2, p / 2 / n, q / 2 / n, (n - 2 * y) / 2, (n + 2 * y) / 2);
  }
  if (y != 0 && (2 * n) % (2 * y) == 0 && 2 * n / (2 * y) == N) {
    const long long k = 2 * n / (2 * y);
    tryVariant(3, 1, k - 1, n - y, y);
  }
  if (n + 2 * y != 0 && (4 * n) % (n + 2 * y) == 0 && 4 * n / (n + 2 * y) == N) {
    const long long k = 4 * n / (n + 2 * y);
    tryVariant(4, 1, k - 1, 3 * n / 2 - y, y + n / 2);
  }
  if (y != 0 && (2 * n) % (2 * y) == 0 && 2 * n / (2 * y) == N) {
    const long long k = 2 * n / (2 * y);
    tryVariant(5, k - 1, 1, -y, n + y);
  }
  if (n - 2 * y != 0 && (4 * n) % (n - 2 * y) == 0 && 4 * n / (n - 2 * y) == N) {
    const long long k = 4 * n / (n - 2 * y);
    tryVariant(6, k - 1, 1, n / 2 - y, 3 * n / 2 + y);
    if (result == 1) return 1;
  }
  return result;
}

}  // namespace

// ---------------------------------------------------------------------------------------
// Generators

int computeTracelessGenerator(int norm, int N, int groupType, int s, int t, int e[2], int m[2]) {
  if (norm == 0) return 0;
  const long long e0 = static_cast<long long>(t) - s, e1 = e0 - norm;
  if (e0 < 0 || e1 > 0) return 0;
  if (e0 > INT32_MAX || e1 < INT32_MIN) return 0;
  if (mod(e0 * N, norm) != 0 || mod(e1 * N, norm) != 0) return 0;
  if (groupType != 0 && e0 + e1 != 0 && e0 * e1 != 0) return 0;
  e[0] = static_cast<int>(e0);
  e[1] = static_cast<int>(e1);
  m[0] = static_cast<int>(-e1 * N / norm);
  m[1] = static_cast<int>(e0 * N / norm);
  return 1;
}

int StoreEigenvalues(int* flag, int e[2], int m[2], int ce[2], int cm[2]) {
  if (cm[0] == 0) {
    cm[0] = cm[1];
    cm[1] = 0;
    ce[0] = ce[1] = 0;
  }
  if (cm[1] == 0) ce[1] = 0;
  if (*flag != 0) {
    if (ce[0] != e[0] || ce[1] != e[1] || cm[0] != m[0] || cm[1] != m[1]) return 0;
  } else {
    e[0] = ce[0];
    e[1] = ce[1];
    m[0] = cm[0];
    m[1] = cm[1];
  }
  *flag = 1;
  return 1;
}

int getTracelessGenerator(int x, int p, int q, int* flag, int e[2], int m[2]) {
  const StandardModel& sm = SM;
  e[0] = e[1] = m[0] = m[1] = 0;
  const int norm = sm.Ynorm, N = sm.multiplicities[x], gt = sm.groupTypes[x];
  const long long yx = sm.Y[x], ya = sm.Y[0], yb = sm.Y[1];
  struct Source {
    int count;
    long long s;
    int t;
    bool conjugate;
  };
  const Source sources[4] = {{sm.Gamma[p], yx + ya, 2 * norm / 3, false},
                             {sm.Delta[p], ya - yx, 2 * norm / 3, true},
                             {sm.Gamma[q], yx + yb, norm / 2, false},
                             {sm.Delta[q], yb - yx, norm / 2, true}};
  for (const Source& src : sources) {
    if (src.count == 0) continue;
    if (src.s > INT32_MAX || src.s < INT32_MIN) return 0;
    int ce[2], cm[2];
    if (!computeTracelessGenerator(norm, N, gt, static_cast<int>(src.s), src.t, ce, cm)) return 0;
    if (src.conjugate) {
      int de[2] = {-ce[1], -ce[0]}, dm[2] = {cm[1], cm[0]};
      if (!StoreEigenvalues(flag, e, m, de, dm)) return 0;
    } else if (!StoreEigenvalues(flag, e, m, ce, cm)) {
      return 0;
    }
  }
  return 1;
}

int computeQuarkAndLeptonCharges(int store) {
  StandardModel& m = SM;
  ++state().counters.quarkChargeCalls;
  m.cSymmetryToCheck = m.cSymmetry;
  if (m.cSymmetry == 1) {
    if (m.Y[2] > 0) return 0;
    if (m.Y[2] < 0) m.cSymmetryToCheck = 0;
  }
  if (m.stackCount == 4) {
    m.dSymmetryToCheck = m.dSymmetry;
    if (m.dSymmetry == 1) {
      if (m.Y[3] > 0) return 0;
      if (m.Y[3] < 0) m.dSymmetryToCheck = 0;
    }
  }
  for (int k = 0; k < 2; ++k) m.cEigenvalues[k] = m.cMultiplicities[k] = m.dEigenvalues[k] = m.dMultiplicities[k] = 0;
  m.cMultiplicities[0] = m.multiplicities[2];
  m.dMultiplicities[0] = m.multiplicities[3];
  m.dEigenvalues[2] = m.dMultiplicities[2] = 0;
  m.cDetermined = m.dDetermined = 0;
  if (!getTracelessGenerator(2, 1, 3, &m.cDetermined, m.cEigenvalues, m.cMultiplicities)) return 0;
  if (!getTracelessGenerator(3, 2, 4, &m.dDetermined, m.dEigenvalues, m.dMultiplicities)) return 0;
  if (m.cDetermined == 0) {
    dumpCandidate(52, {"T_c not determined\n"});
    return 0;
  }
  if (m.dDetermined != 0 || m.stackCount == 3) return countQuarksAndLeptons(store, 0);

  // d fixed by its intersection with c.
  const long long yc = m.Y[2], yd = m.Y[3];
  long long s = 0;
  bool found = false;
  for (int piece = 0; piece < 2 && !found; ++piece)
    if (m.Gamma[5] != 0 && m.cMultiplicities[piece] != 0) {
      s = yd + yc + m.cEigenvalues[piece];
      found = true;
    }
  for (int piece = 0; piece < 2 && !found; ++piece)
    if (m.Delta[5] != 0 && m.cMultiplicities[piece] != 0) {
      s = yc - yd + m.cEigenvalues[piece];
      found = true;
    }
  if (!found) return freeDSplittings(store);
  if (s > INT32_MAX || s < INT32_MIN) return 0;
  const int N = m.multiplicities[3], gt = m.groupTypes[3];
  int e[2], mult[2], r = 0;
  bool single = false;
  if (computeTracelessGenerator(m.Ynorm, N, gt, static_cast<int>(s), m.Ynorm, e, mult)) {
    m.dEigenvalues[0] = e[0];
    m.dEigenvalues[1] = e[1];
    m.dMultiplicities[0] = mult[0];
    m.dMultiplicities[1] = mult[1];
    m.dDetermined = 1;
    single = mult[0] == N || mult[1] == N;
    r = countQuarksAndLeptons(store, 0);
  }
  if (single) return r;
  m.dDetermined = 0;
  if (!computeTracelessGenerator(m.Ynorm, N, gt, static_cast<int>(s), 0, e, mult)) return r;
  m.dEigenvalues[0] = e[0];
  m.dEigenvalues[1] = e[1];
  m.dMultiplicities[0] = mult[0];
  m.dMultiplicities[1] = mult[1];
  m.dDetermined = 1;
  return countQuarksAndLeptons(store, 0) == 1 ? 1 : r;
}

// ---------------------------------------------------------------------------------------
// computeY

int computeY(int store) {
  ModelAnalysisState& st = state();
  StandardModel& m = SM;
  ++st.counters.computeYCalls;
  if (m.tensorCode == -1) {
    if (m.multiplicities[2] > 200 || m.multiplicities[3] > 200) {
      Print("Multiplicies too large; rejected.\n");
      return 0;
    }
    Print("Multiplicities Nc=%d, Nd=%d\n", m.multiplicities[2], m.multiplicities[3]);
  }
  raiseSuccessLevel(4);
  if (m.tensorCode != -1 && cdOrderingCheck() == 0) return 0;
  st.counters.groupSolutions = 0;
  m.degenerateY = 0;
  for (int k = 4; k < 20; ++k) searchEvents()[k] = 0;
  const int n = m.stackCount == 3 ? 3 : 4;
  int open[4] = {1, m.groupTypes[1] == 0 ? 1 : 0, m.groupTypes[2] == 0 ? 1 : 0,
                 m.groupTypes[3] == 0 && m.multiplicities[3] != 0 && n == 4 ? 1 : 0};
  VectorSpace* eqs = &st.equations;
  initEquationCollection(eqs, 4, 7);
  for (int x = 0; x < 4; ++x)
    if (open[x] == 0) {
      const long long row[5] = {x == 0, x == 1, x == 2, x == 3, 0};
      if (addEquation(eqs, row) != 0) return 0;
    }
  for (int x = 0; x < n; ++x) {
    int r[5];
    if (!anomalyEquation(m, x, n, r)) return rejectCandidate("computeY", 5, "Integer overflow");
    const long long row[5] = {r[0], r[1], r[2], r[3], r[4]};
    if (addEquation(eqs, row) != 0) return 0;
  }
  if (eqs->Nfill > 3) return 0;
  const long long F = getFamiliesRequired();
  const long long G[6] = {m.Gamma[0], m.Gamma[1], m.Gamma[2], m.Gamma[3], m.Gamma[4], m.Gamma[5]};
  const long long D[6] = {m.Delta[0], m.Delta[1], m.Delta[2], m.Delta[3], m.Delta[4], m.Delta[5]};
  const long long Na = m.multiplicities[0], Nc = m.multiplicities[2], Nd = m.multiplicities[3];
  (void)Na;
  const long long Aa = m.antisymmetricTensors[0], Ab = m.antisymmetricTensors[1], Ac = m.antisymmetricTensors[2],
                  Ad = m.antisymmetricTensors[3], Sc = m.symmetricTensors[2], Sd = m.symmetricTensors[3];
  const long long fb = open[1], fc = open[2], fd = open[3];
  if (G[0] != 0 && D[0] != 0) {
    const long long row[5] = {6, 0, 0, 0, -1};
    if (addEquation(eqs, row) != 0) return 0;
  }
  const long long quarks[5] = {6 * (G[0] + D[0]), 6 * (G[0] - D[0]) * fb, 0, 0, -F};
  const long long antiQuarks[5] = {3 * ((G[1] + D[1]) * Nc + 2 * Aa + (G[2] + D[2]) * Nd), 0,
                                   3 * Nc * (G[1] - D[1]) * fc, 3 * Nd * (G[2] - D[2]) * fd, F};
  const long long leptons[5] = {0, (2 * Nc * (G[3] + D[3]) + 2 * Nd * (G[4] + D[4])) * fb,
                                2 * Nc * (G[3] - D[3]) * fc, 2 * Nd * (G[4] - D[4]) * fd, F};
  const long long singlets[5] = {0, 2 * Ab * fb, fc * (Nc * Nd * (G[5] + D[5]) + Nc * ((Nc + 1) * Sc + (Nc - 1) * Ac)),
                                 fd * (Nc * Nd * (G[5] - D[5]) + Nd * ((Nd + 1) * Sd + (Nd - 1) * Ad)), -F};
  for (const long long* row : {quarks, antiQuarks, leptons, singlets})
    if (addEquation(eqs, row) != 0) return 0;

  if (m.tensorCode == -1) {
    DeterminePossibleChargesFromIntersections(eqs);
    if (m.tensorCode == -1) return 0;
  }

  long long norm = 24;
  for (int x = 0; x < 4; ++x) norm = SCM(norm, m.multiplicities[x]);
  searchEvents()[4] = eqs->Nfill;
  for (int j = 0; j < eqs->Nfill; ++j) {
    const int* row = eqs->Space + static_cast<std::ptrdiff_t>(j) * eqs->rowsize;
    int nonZero = 0;
    for (int k = 0; k < 4; ++k)
      if (row[k] != 0) {
        ++nonZero;
        norm = SCM(norm, row[k]);
        if (norm > 199999999) return rejectCandidate("computeY", 6, "Integer overflow");
      }
    if (nonZero == 0 && row[4] != 0) return 0;
    if (nonZero >= 2 && eqs->Nfill == 4)
      Alert("computeY", 7, 112201, "Y charge coefficients unexpectedly unsolvable\n");
  }
  m.Ynorm = static_cast<int>(norm);
  for (int& y : m.Y) y = 0;
  for (int j = 0; j < eqs->Nfill; ++j) {
    const int* row = eqs->Space + static_cast<std::ptrdiff_t>(j) * eqs->rowsize;
    int nonZero = 0, at = -1;
    for (int k = 0; k < 4; ++k)
      if (row[k] != 0) ++nonZero, at = k;
    if (nonZero != 1) continue;
    int y = 0;
    if (!mul32(-static_cast<long long>(row[4]), norm, &y)) return rejectCandidate("computeY", 8, "Integer overflow");
    m.Y[at] = y / row[at];
    open[at] = 0;
  }
  bool allFixed = true;
  for (int x = 0; x < 4; ++x)
    if (open[x] != 0) allFixed = false;
  if (!allFixed) {
    if (m.tensorCode == -1) {
      PrintVec(4, open, "Y-coeffs not determined from particle charges; unknowns:");
      Print("Trying to solve them from axion mixing\n");
      for (int j = 0; j < eqs->Nfill; ++j) PrintVec(5, eqs->Space + static_cast<std::ptrdiff_t>(j) * eqs->rowsize, "coefs");
      Print("Normalization: %d\n", m.Ynorm);
    }
    VectorSpace masses{7, "Mass equations"};
    const int solved = solveGenericAbelianMasses(eqs, &masses, open);
    searchEvents()[5] = masses.Nfill;
    if (m.tensorCode == -1) {
      if (solved == -3) Print("No rational solution\n");
      if (solved == -2) Print("Degeneracy persists\n");
      if (solved == 0) Print("No solution\n");
      if (solved == 1) Print("Solved\n");
    }
    if (solved == -3 || solved == 0) return 0;
    if (solved == -2) return computeChargeDegeneracy(&masses, open, store) > 0 ? 1 : 0;
  }
  const long long ya = m.Y[0], yb = m.Y[1];
  if (m.Gamma[0] != 0 && 6 * (ya + yb) != m.Ynorm) return 0;
  if (m.Delta[0] != 0 && 6 * (ya - yb) != m.Ynorm) return 0;
  for (int x = 0; x < n; ++x)
    if (open[x] != 0) {
      Print("THIS CANNOT HAPPEN\n");
      return rejectCandidate("computeY", 9, "THIS CANNOT HAPPEN");
    }
  if (std::fabs(computeGenericAbelianMasses()) > 1e-7) return 0;
  return computeQuarkAndLeptonCharges(store) > 0 ? 1 : 0;
}

// ---------------------------------------------------------------------------------------
// Orderings

int check_cd_BraneOrdering() {
  StandardModel& m = SM;
  m.cdOrdering = 0;
  if (m.stackCount < 4) return 1;
  if (m.branes[6] == m.branes[4] || m.branes[6] == m.branes[5]) {
    m.cdOrdering = -1;
    return 1;
  }
  const long long Nc = m.multiplicities[2], Nd = m.multiplicities[3];
  const long long keys[8][2] = {
      {(std::abs(m.Gamma[1]) + std::abs(m.Delta[1])) * Nc, (std::abs(m.Gamma[2]) + std::abs(m.Delta[2])) * Nd},
      {-(static_cast<long long>(m.Gamma[1]) + m.Delta[1]) * Nc, -(static_cast<long long>(m.Gamma[2]) + m.Delta[2]) * Nd},
      {std::abs(m.groupTypes[2]), std::abs(m.groupTypes[3])},
      {m.groupTypes[2], m.groupTypes[3]},
      {Nc, Nd},
      {std::abs(m.Gamma[3]) + std::abs(m.Delta[3]), std::abs(m.Gamma[4]) + std::abs(m.Delta[4])},
      {std::abs(m.antisymmetricTensors[2]), std::abs(m.antisymmetricTensors[3])},
      {std::abs(m.symmetricTensors[2]), std::abs(m.symmetricTensors[3])}};
  for (const auto& key : keys) {
    if (key[0] < key[1]) return 0;
    if (key[0] > key[1]) return 1;
  }
  m.cdOrdering = 1;
  return 1;
}

namespace {

// The tests of c against c* (x = 2, pairs ac, bc) or d against d* (x = 3, pairs ad, bd);
// for d one more test with the pair cd.
int conjugateOrdering(int x) {
  StandardModel& m = SM;
  int& flag = x == 2 ? m.cSymmetry : m.dSymmetry;
  flag = 0;
  const int label = m.branes[2 * x], image = m.branes[2 * x + 1];
  if (label == image) {
    flag = -1;
    return 1;
  }
  for (int y = 0; y < x; ++y)
    if (label == m.branes[2 * y]) return 1;
  for (int y = 0; y < x; ++y)
    if (image == m.branes[2 * y]) return 0;
  const int p = x == 2 ? 1 : 2, q = x == 2 ? 3 : 4;
  if (std::abs(m.Delta[p]) > std::abs(m.Gamma[p])) return 0;
  if (std::abs(m.Delta[p]) < std::abs(m.Gamma[p])) return 1;
  if (m.antisymmetricTensors[x] < 0) return 0;
  if (m.antisymmetricTensors[x] > 0) return 1;
  if (m.symmetricTensors[x] < 0) return 0;
  if (m.symmetricTensors[x] > 0) return 1;
  int bValue = 0;
  if (m.groupTypes[1] != 0) {
    if (m.Gamma[q] < 0) return 0;
    if (m.Gamma[q] > 0) return 1;
  } else {
    if (std::abs(m.Delta[q]) > std::abs(m.Gamma[q])) return 0;
    if (std::abs(m.Delta[q]) < std::abs(m.Gamma[q])) return 1;
    bValue = m.Gamma[q];
  }
  if (m.Delta[p] > m.Gamma[p]) return 0;
  if (m.Delta[p] < m.Gamma[p]) return 1;
  if (m.Delta[q] > bValue) return 0;
  if (m.Delta[q] < bValue) return 1;
  if (x == 3 && m.cSymmetry == 0) {
    if (m.Delta[5] > m.Gamma[5]) return 0;
    if (m.Delta[5] < m.Gamma[5]) return 1;
  }
  flag = 1;
  return 1;
}

}  // namespace

int check_c_BraneOrdering() { return conjugateOrdering(2); }

int check_d_BraneOrdering() {
  if (SM.stackCount < 4) return 1;
  return conjugateOrdering(3);
}

int cdOrderingCheck() {
  StandardModel& m = SM;
  if (check_cd_BraneOrdering() == 0 || check_c_BraneOrdering() == 0 || check_d_BraneOrdering() == 0) return 0;
  const int G = m.Gamma[5], D = m.Delta[5];
  if (m.cSymmetry == 1 && m.dSymmetry == 0) {
    if (G > -D) {
      dumpCandidate(35, {"Using Gamma[5]  and Delta[5]\n"});
      return 0;
    }
    if (G < -D) m.cSymmetry = 0;
    return 1;
  }
  if (m.cSymmetry == 1 && m.dSymmetry == 1) {
    if (std::abs(G) != std::abs(D)) {
      std::vector<std::string> lines = {"Double c-d symmetry\n"};
      m.cSymmetry = m.dSymmetry = 0;
      const int self[2] = {G, D};
      const int others[3][2] = {{-D, -G}, {D, G}, {-G, -D}};
      for (int k = 0; k < 3; ++k) {
        if (compareVec(2, self, others[k]) < 0) {
          dumpCandidate(35, lines);
          return 0;
        }
        lines.push_back(formatText("Accepted (%d)\n", k + 1));
      }
      dumpCandidate(35, lines);
    } else if (G != D) {
      m.dSymmetry = 0;
    } else if (G != 0) {
      m.cSymmetry = 0;
    }
  }
  return 1;
}

// ---------------------------------------------------------------------------------------
// Three stacks

void setThreeStack(int four) {
  StandardModel& m = SM;
  StandardModel& b = state().backup;
  if (four == 0) {
    m.stackCount = 3;
    for (int k = 0; k < 4; ++k) {
      b.antisymmetricTensors[k] = m.antisymmetricTensors[k];
      b.symmetricTensors[k] = m.symmetricTensors[k];
      b.groupTypes[k] = m.groupTypes[k];
    }
    for (int k = 0; k < 6; ++k) {
      b.Gamma[k] = m.Gamma[k];
      b.Delta[k] = m.Delta[k];
    }
    for (int k = 0; k < 8; ++k) b.branes[k] = m.branes[k];
    for (int k : {2, 4, 5}) m.Gamma[k] = m.Delta[k] = 0;
    m.antisymmetricTensors[3] = m.symmetricTensors[3] = 0;
    m.multiplicities[3] = 0;
    m.Y[3] = 0;
    m.dEigenvalues[0] = m.dEigenvalues[1] = m.dMultiplicities[0] = m.dMultiplicities[1] = 0;
    for (int k : {2, 4, 5}) m.pairIdentification[k] = 0;
    m.dSymmetry = 0;
    m.branes[6] = m.branes[7] = -1;
    m.groupTypes[3] = -2;
    return;
  }
  m.stackCount = 4;
  for (int k = 0; k < 4; ++k) {
    m.antisymmetricTensors[k] = b.antisymmetricTensors[k];
    m.symmetricTensors[k] = b.symmetricTensors[k];
    m.groupTypes[k] = b.groupTypes[k];
  }
  for (int k = 0; k < 6; ++k) {
    m.Gamma[k] = b.Gamma[k];
    m.Delta[k] = b.Delta[k];
  }
  for (int k = 0; k < 8; ++k) m.branes[k] = b.branes[k];
}

// ---------------------------------------------------------------------------------------
// A model read back from a file

int verifySpectrum() {
  StandardModel& m = SM;
  const int total = TotalBoundaries();
  for (int k = 0; k < 4; ++k) {
    const int label = m.inputBoundaries[k];
    const bool absentD = k == 3 && label == -1;
    if (!absentD && (label < 0 || label >= total)) {
      Print("Boundary labels out of range; rejecting this solution\n");
      return 0;
    }
  }
  const int o = m.orientifold;
  const bool fourStacks = m.inputBoundaries[3] != -1;
  int labels[4];
  for (int k = 0; k < 4; ++k) labels[k] = m.inputBoundaries[k];
  if (o >= 0 && o < orientifoldListSize()) setStoredOrientifold(o);
  for (int k = 0; k < 4; ++k) {
    m.branes[2 * k] = labels[k];
    m.branes[2 * k + 1] = labels[k] >= 0 ? BoundaryConjugate(labels[k]) : -1;
  }
  if (m.branes[1] == m.branes[0]) {
    Print("QCD boundary is real\n");
    return 0;
  }
  auto intersect = [&](int pair, int x, int y) {
    m.Gamma[pair] = m.Delta[pair] = 0;
    return CachedBraneIntersection(o, labels[x], labels[y], &m.Gamma[pair], &m.Delta[pair]) == 0;
  };
  if (!intersect(0, 0, 1)) return 0;
  int families = 0;
  if (!familyCountOfReadModel(searchSetting("SM_search Nfamily"), m.Gamma[0], m.Delta[0], &families)) {
    Print("Wrong number of quark doublets\n");
    return 0;
  }
  if (!intersect(1, 0, 2) || !intersect(3, 1, 2)) return 0;
  if (fourStacks && (!intersect(2, 0, 3) || !intersect(4, 1, 3) || !intersect(5, 2, 3))) return 0;
  for (int k = 0; k < (fourStacks ? 4 : 3); ++k) {
    int u = 0, v = 0, uc = 0, vc = 0;
    if (getDiagonalInfo(o, m.branes[2 * k], &u, &v, nullptr) != 0 ||
        (m.branes[2 * k + 1] >= 0 && getDiagonalInfo(o, m.branes[2 * k + 1], &uc, &vc, nullptr) != 0))
      return 0;
    m.antisymmetricTensors[k] = ((u - v) - (uc - vc)) / 2;
    m.symmetricTensors[k] = ((u + v) - (uc + vc)) / 2;
  }
  if (!fourStacks) {
    for (int k : {2, 4, 5}) m.Gamma[k] = m.Delta[k] = 0;
    m.antisymmetricTensors[3] = m.symmetricTensors[3] = 0;
    m.multiplicities[3] = 0;
    m.groupTypes[3] = -2;
  }
  m.stackCount = fourStacks ? 4 : 3;
  setFamiliesRequired(families);
  if (m.modelNumber > 0) return 1;
  if (computeY(0) == 0) {
    Alert("verifySpectrum", 0, 112201, "Spectrum not accepted\n");
    return 0;
  }
  Print("Configuration (%d,%d,%d): Spectrum accepted\n", m.tensorCode, m.MIPF, m.orientifold);
  return 1;
}
