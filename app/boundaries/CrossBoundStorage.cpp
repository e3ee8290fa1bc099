// Reflection coefficients stored per orbit pair, crosscap coefficients stored per
// orientifold, the oriented annulus and the check of stored against direct coefficients.
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "boundaries/CrossBoundInternal.h"
#include "invariants/Invariants.h"
#include "modular/Modular.h"
#include "runtime/Error.h"
#include "runtime/Output.h"
#include "runtime/Terminal.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

const IshibashiLabel& ishibashi(int m) {
  return crossBoundState().IshibashiLabels[static_cast<size_t>(m)];
}
const BoundaryLabel& boundary(int a) {
  return crossBoundState().BoundaryLabels[static_cast<size_t>(a)];
}

int ishiOrbitRep(int k) {
  return crossBoundState().IshiOrbitMap[static_cast<size_t>(k)];
}

void compSAux(int k, int x, double* re, double* im) {
  compS(ishibashi(k).primary, x, re, im);
}
void compSAux_orb(int k, int x, double* re, double* im) {
  compS(ishibashi(ishiOrbitRep(k)).primary, x, re, im);
}
void reflection_orb(int k, int x, double* re, double* im) {
  getCurrentReflectionCoefficient(ishiOrbitRep(k), x, re, im);
}
void reflectionStarred_orb(int k, int x, double* re, double* im) {
  const int rep = ishiOrbitRep(k);
  getCurrentReflectionCoefficient(rep, x, re, im);
  const double size = ishibashi(rep).orbitSize;
  *re *= size;
  *im *= -size;
}

}  // namespace

void initRefCoefStorage() {
  CrossBoundState& s = crossBoundState();
  BulkInvariant* bi = currentBulk();
  if (bi == nullptr || bi->diagonal) return;
  // The rows are made as they are first used: a scan asks for few of them.
  s.reflectionRows.assign(static_cast<size_t>(std::max(s.NIshiOrbit, 0)), std::vector<double>());
  s.storedOrbitPairs = static_cast<size_t>(s.NIshiOrbit) * static_cast<size_t>(s.NBoundaryOrbit);
  s.IshibashiMetricFlip.resize(static_cast<size_t>(s.IshibashiLabelCount), 0);
  for (int m = 0; m < s.IshibashiLabelCount; ++m) {
    const IshibashiLabel& l = ishibashi(m);
    const int conjugate = getConjugate(l.label);
    for (int t = 0; t < s.IshibashiLabelCount; ++t) {
      if (ishibashi(t).primary == l.primary && ishibashi(t).label == conjugate) {
        s.IshibashiMetricFlip[static_cast<size_t>(m)] = t;
        break;
      }
    }
  }
}

void getRefCoefFromStorage(int m, int a, double* re, double* im) {
  CrossBoundState& s = crossBoundState();
  const IshibashiLabel& lm = ishibashi(m);
  const BoundaryLabel& la = boundary(a);
  const int r = lm.orbitRep >= 0 ? lm.orbitRep : m;
  const int a0 = la.orbitRep >= 0 ? la.orbitRep : a;
  const size_t index = static_cast<size_t>(la.orbitNumber) +
                       static_cast<size_t>(s.NBoundaryOrbit) * static_cast<size_t>(lm.orbitNumber);
  if (index >= s.storedOrbitPairs) {
    simpleCurrentReflectionCoefficient(lm, la, currentBulk()->diagonal, re, im);
    return;
  }
  const size_t columns = static_cast<size_t>(s.NBoundaryOrbit);
  std::vector<double>& row = s.reflectionRows[index / columns];
  if (row.empty()) row.assign(2 * columns, 0.0);
  double* entryRe = &row[index % columns];
  double* entryIm = &row[columns + index % columns];
  // An exact 0.0 marks an entry still to be computed.
  if (*entryRe == 0.0) {
    simpleCurrentReflectionCoefficient(ishibashi(r), boundary(a0), currentBulk()->diagonal, entryRe, entryIm);
  }
  *re = *entryRe;
  *im = *entryIm;
  if (lm.currentIndex != 0 || la.currentIndex != 0) {
    double pr = 1.0, pi = 0.0;
    ChargeCorrectionFactor(lm.primary, s.IshiCurrentMap[static_cast<size_t>(lm.currentIndex)],
                           boundary(a0).primary,
                           s.BoundaryCurrents[static_cast<size_t>(la.currentIndex)], &pr, &pi);
    const double x = *re * pr - *im * pi;
    *im = *re * pi + *im * pr;
    *re = x;
  }
}

void getReflectionCoefficientFromStorage(int m, int a, int mode, double* re, double* im) {
  CrossBoundState& s = crossBoundState();
  BulkInvariant* bi = currentBulk();
  if (mode == 0) {
    if (bi->diagonal)
      compS(ishibashi(m).primary, boundary(a).primary, re, im);
    else
      getRefCoefFromStorage(m, a, re, im);
    return;
  }
  if (mode == 1) {
    double r = 0.0, i = 0.0;
    if (bi->diagonal)
      compS(ishibashi(m).primary, boundary(a).primary, &r, &i);
    else
      getRefCoefFromStorage(s.IshibashiMetricFlip[static_cast<size_t>(m)], a, &r, &i);
    loadIshibashiMetric(s.CurrentOrientifold);
    double pr = 1.0, pi = 0.0;
    metricPhase(s.CurrentOrientifold, m, &pr, &pi);
    *re = r * pr - i * pi;
    *im = r * pi + i * pr;
    return;
  }
  Alert("getReflectionCoefficientFromStorage", 0, 212404, "Invalid mode");
  *re = 0.0;
  *im = 0.0;
}

void loadCrosscapCoefficients(OrientifoldInfo* record) {
  CrossBoundState& s = crossBoundState();
  if (record == nullptr || record->crosscapStamp == record->sequence) return;
  if (record->bulkNumber != QueryBulkInvariant()) allocateOrientifoldInfo_stage2(&record);
  if (initDebug() == 1)
    ProgressPrint("##init: Loading Crosscaps for Orientifold %p\n", static_cast<void*>(record));
  char title[64];
  if (record->listPosition < 0)
    std::snprintf(title, sizeof title, "Loading crosscap coefficients");
  else
    std::snprintf(title, sizeof title, "Loading crosscap coefficients for orientifold %d",
                  record->listPosition);
  const int L = s.IshibashiLabelCount;
  record->crosscap.resize(static_cast<size_t>(2 * L), 0.0);
  startProgressInfo(title, 0, static_cast<double>(L));
  for (int m = 0; m < L; ++m) {
    simpleCurrentCrosscapCoefficient(ishibashi(m), currentBulk()->diagonal, record,
                                     &record->crosscap[static_cast<size_t>(m)],
                                     &record->crosscap[static_cast<size_t>(L + m)]);
    incrementProgressInfo();
  }
  record->crosscapStamp = record->sequence;
  stopProgressInfo(title);
}

FusionCoefficient orientedAnnulusCoefficient(int i, int a, int b) {
  CrossBoundState& s = crossBoundState();
  FusionCoefficient value = 0;
  if (!CrossBoundOrbitsAvailable() && !s.IshiOrbitsAvailable) {
    value =
        GenericVerlinde(-i, a, b, s.IshibashiLabelCount, compSAux, getCurrentReflectionCoefficient,
                        getCurrentReflectionCoefficientStarred, compSAux);
  } else {
    // Charge selection rule: Q(p_a) - Q(p_b) - Q(i) (or + Q(J) for -J) must be a charge of
    // the group of the trivial orientifold.
    const int n = std::max(CenterOrder(), 1);
    const int field = i < 0 ? -i : i;
    const int* qi = getChargeVector(field);
    const int* qa = getChargeVector(boundary(a).primary);
    std::vector<int> v(static_cast<size_t>(n));
    for (int c = 0; c < n; ++c) v[static_cast<size_t>(c)] = qa[c];
    const int* qb = getChargeVector(boundary(b).primary);
    for (int c = 0; c < n; ++c) {
      int x = v[static_cast<size_t>(c)] - qb[c] + (i < 0 ? qi[c] : -qi[c]);
      v[static_cast<size_t>(c)] = ((x % n) + n) % n;
    }
    const int index = findChargeVector(v.data());
    bool allowed = false;
    if (s.Trivial) {
      for (int g : s.Trivial->groupCharges) allowed = allowed || g == index;
    }
    if (!allowed) return 0;
    value = GenericVerlinde(-i, a, b, s.NIshiOrbit, compSAux_orb, reflection_orb,
                            reflectionStarred_orb, compSAux_orb);
  }
  return value;
}

int getOrientedAnnulus(int i, int a, int b) {
  const FusionCoefficient value = orientedAnnulusCoefficient(i, a, b);
  if (fusionInterrupted(value) || fusionUndecided(value)) return 0;
  return static_cast<int>(value);
}

void checkReflectionCoefficients() {
  CrossBoundState& s = crossBoundState();
  if (!CrossBoundOrbitsAvailable()) {
    Alert("checkReflectionCoefficients", 0, 212404, "No orbit data, nothing to check");
    return;
  }
  for (int m = 0; m < s.IshibashiLabelCount; ++m) {
    int sign = 0;
    for (int a = 0; a < s.BoundaryLabelCount; ++a) {
      double dr = 0.0, di = 0.0, nr = 0.0, ni = 0.0;
      const int saved = s.OrbitDataAvailable;
      s.OrbitDataAvailable = -1;
      getCurrentReflectionCoefficient(m, a, &dr, &di);
      s.OrbitDataAvailable = saved;
      getCurrentReflectionCoefficient(m, a, &nr, &ni);
      if (std::fabs(dr) + std::fabs(di) <= 1e-7) continue;
      const double d2 = dr * dr + di * di;
      const double rr = (nr * dr + ni * di) / d2;
      const double ri = (ni * dr - nr * di) / d2;
      if (std::fabs(std::hypot(rr, ri) - 1.0) > 1e-7) {
        Alert("checkReflectionCoefficients", 1, 212404,
              "Different reflection coefficients R(%d,%d), (%15.7f,%15.7f) != (%15.7f,%15.7f)", m,
              a, dr, di, nr, ni);
        continue;
      }
      double phase = std::atan2(ri, rr);
      if (phase < 0) phase += 2 * kPi;
      int thisSign = 0;
      if (std::fabs(phase) < 1e-7 || std::fabs(phase - 2 * kPi) < 1e-7)
        thisSign = 1;
      else if (std::fabs(phase - kPi) < 1e-7)
        thisSign = -1;
      else {
        Alert("checkReflectionCoefficients", 2, 212404,
              "Unexpected relative phase in R(%d,%d): %15.7f", m, a, phase / (2 * kPi));
        return;
      }
      if (sign == 0) {
        sign = thisSign;
        if (sign == -1) Print("Sign flip for m=%d\n", m);
      } else if (thisSign != sign) {
        Alert("checkReflectionCoefficients", 3, 212404, "Different relative phase for m=%d", m);
      }
    }
  }
}

int getClassifyingCoefficient(int x, int y, int z) {
  const FusionCoefficient value = GenericVerlinde(
      x, y, z, crossBoundState().IshibashiLabelCount, getCurrentReflectionCoefficientTranspose,
      getCurrentReflectionCoefficientTranspose, getCurrentReflectionCoefficientTransposeConjugated,
      getCurrentReflectionCoefficientTranspose);
  return fusionInterrupted(value) || fusionUndecided(value) ? 0 : static_cast<int>(value);
}

int getFusionForClassifyingCoefficient(int x, int y, int z) {
  const FusionCoefficient value =
      GenericVerlinde(getIshibashiField(x), getIshibashiField(y), getIshibashiField(z),
                      primaryCount(), compS, compS, compS, compS);
  return fusionInterrupted(value) || fusionUndecided(value) ? 0 : static_cast<int>(value);
}
