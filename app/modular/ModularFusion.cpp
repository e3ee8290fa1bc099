// Fusion by the Verlinde formula N_ij^k = sum_m S_im S_jm conj(S_km) / S_0m.
//
// With orbit tables the sum runs over orbit representatives r_o, each term weighted by
// its orbit length (S_{i, J r} = exp(2 pi i Q_J(i)) S_{i r}, so every field of an orbit
// gives the same term once the charges of i, j and k add up under every current), after
// the charge selection rule has removed the vanishing triples. The generic engine sums
// products of four caller-supplied accessors; P-fusion and fixed-point fusion use it.
//
// Interruption: with the stop flag set every routine here returns kFusionInterrupted, and
// so does a sum refused after an alert (no S, a zero denominator); nothing else does.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "groups/Discrete.h"
#include "modular/ModularInternal.h"
#include "runtime/Error.h"
#include "runtime/Output.h"
#include "runtime/Terminal.h"
#include "store/CurrentTheory.h"
#include "store/Storemanager.h"
#include "store/StoremanagerQueries.h"
#include "store/TensorHooks.h"

namespace {

// The charge selection rule over the generators of the centre: false when
// Q_i + Q_j - Q_k - Q_d differs from 0 mod n_G for a generator.
bool chargesAllow(int i, int j, int k, int d) {
  ModularState& s = modularState();
  int* map = nullptr;
  DGType* centre = getCenter(&map);
  for (int b = 0; b < centre->nfactors; ++b) {
    const int g = map[DG_basis(centre, b)];
    const long long total = static_cast<long long>(orbitCharge(i, g)) + orbitCharge(j, g) -
                            orbitCharge(k, g) - orbitCharge(d, g);
    if (mod(total, s.nG) != 0) return false;
  }
  return true;
}

bool labelsInRange(const char* routine, int i, int j, int k, int d) {
  return modularLabelsInRange(routine, i, j) && modularLabelsInRange(routine, k, d);
}

// S of the parent between x and the parent field of fixed-point field m.
void AuxS(int m, int x, double* re, double* im) {
  ModularState& s = modularState();
  const int parentField = SM_getFixedPoint(s.fixedPointParent, s.CurrentFixedPointLabel, m);
  if (parentField < 0) {
    *re = 0.0;
    *im = 0.0;
    return;
  }
  SM_getS(s.fixedPointParent, x, parentField, re, im);
}

// S of the fixed-point theory between x and m.
void OLA(int m, int x, double* re, double* im) {
  SM_getS(modularState().fixedPointTheory, x, m, re, im);
}

struct VerlindeSum {
  double re = 0.0;
  double im = 0.0;
  double magnitude = 0.0;  // sum of the moduli of the terms
  int zeroTerm = -1;       // the first m whose denominator is zero, or -1
};

VerlindeSum verlindeSum(int i, int j, int k, int range, ModularAccessor A, ModularAccessor B,
                        ModularAccessor C, ModularAccessor D, bool trace) {
  VerlindeSum sum;
  if (trace) Print("GV: range=%d\n", range);
  // The denominators first: a zero is judged against the largest of them.
  std::vector<double> denominators(static_cast<std::size_t>(std::max(range, 0)));
  std::vector<double> denominatorsIm(denominators.size());
  double rowMax = 0.0;
  for (int m = 0; m < range; ++m) {
    D(m, 0, &denominators[static_cast<std::size_t>(m)],
      &denominatorsIm[static_cast<std::size_t>(m)]);
    rowMax = std::max(rowMax, std::fabs(denominators[static_cast<std::size_t>(m)]));
  }
  for (int m = 0; m < range; ++m) {
    const double eRe = denominators[static_cast<std::size_t>(m)];
    const double eIm = denominatorsIm[static_cast<std::size_t>(m)];
    if (denominatorIsZero(eRe, 0.0, rowMax)) {
      sum.zeroTerm = m;
      return sum;
    }
    double aRe, aIm, bRe, bIm, cRe, cIm;
    A(m, std::abs(i), &aRe, &aIm);
    B(m, std::abs(j), &bRe, &bIm);
    C(m, std::abs(k), &cRe, &cIm);
    if (m >= 1) {
      if (i < 0) aIm = -aIm;
      if (j < 0) bIm = -bIm;
      if (k < 0) cIm = -cIm;
    }
    double abRe, abIm, pRe, pIm;
    complexProduct(&abRe, &abIm, aRe, aIm, bRe, bIm);
    complexProduct(&pRe, &pIm, abRe, abIm, cRe, cIm);
    sum.re += pRe / eRe;
    sum.im += pIm / eRe;
    sum.magnitude += std::hypot(pRe, pIm) / std::fabs(eRe);
    if (trace) {
      Print("m=%d: A=(%15.7f,%15.7f) B=(%15.7f,%15.7f) C=(%15.7f,%15.7f) D=(%15.7f,%15.7f)\n", m,
            aRe, aIm, bRe, bIm, cRe, cIm, eRe, eIm);
      Print("sum=(%15.7f,%15.7f)\n", sum.re, sum.im);
    }
  }
  return sum;
}

// The alert of a sum that double precision cannot decide.
void reportPrecisionExhausted(const char* routine, int i, int j, int k, double value,
                              double tolerance) {
  Alert(routine, 5, 100201,
        "Fusion coefficient for fields %d, %d and %d cannot be determined in double precision\n"
        "value %15.7f, uncertainty %g",
        i, j, k, value, tolerance);
}

void reportZeroDenominator(const char* routine, int d, int m) {
  Alert(routine, 6, 100201, "Zero S element S(%d,%d) in the denominator row", d, m);
}

FusionCoefficient genericVerlinde(int i, int j, int k, int range, ModularAccessor A, ModularAccessor B,
                    ModularAccessor C, ModularAccessor D, bool trace) {
  if (!modularSAvailable("GenericVerlinde")) return kFusionInterrupted;
  initSMATRIX();
  // Ctrl-C ends the command here (StopRequest) rather than passing for a stopped sum,
  // which callers count as 0; a stop signal without it (a declined "Continue?") does not.
  obeyInterruptRequest();
  if (getStopSignal() == 1) return kFusionInterrupted;
  const VerlindeSum sum = verlindeSum(i, j, k, range, A, B, C, D, trace);
  if (sum.zeroTerm >= 0) {
    reportZeroDenominator("GenericVerlinde", 0, sum.zeroTerm);
    return kFusionInterrupted;
  }
  const double tolerance = fusionTolerance(sum.magnitude);
  FusionCoefficient n = 0;
  switch (classifyFusionSum(sum.re, tolerance, &n)) {
    case FusionSumKind::Integer:
      break;
    case FusionSumKind::PrecisionExhausted:
      reportPrecisionExhausted("GenericVerlinde", i, j, k, sum.re, tolerance);
      return kFusionUndecided;
    case FusionSumKind::NotInteger:
      Alert("GenericVerlinde", 0, 212302,
            "Generic fusion rule failure for fields %d, %d and %d\nvalue %15.7f (converted to %lld)",
            i, j, k, sum.re, static_cast<long long>(n));
      break;
  }
  if (std::fabs(sum.im) > tolerance) {
    Alert("GenericVerlinde", 1, 212302,
          "Non-zero imaginary part in generic fusion coefficient\nfor fields %d, %d and %d; value "
          "%15.7f",
          i, j, k, sum.im);
  }
  return n;
}

// N_ij^k from the stored table or block, with the alerts of the single path for a
// coefficient kept aside. That path reads the real part alone: a coefficient kept aside by
// the full check for its imaginary part only is an integer here, and one wider than 32
// bits reads as the 64-bit integer it is.
FusionCoefficient tableCoefficient(const char* routine, int i, int j, int k) {
  const int conjugate = MOD_fusionTableConjugate(k);
  const FusionTableFailure* failure = fusionProductException(i, j, conjugate);
  if (failure == nullptr) return fusionProductValue(i, j, conjugate);
  FusionCoefficient n = 0;
  switch (classifyFusionSum(failure->value, failure->tolerance, &n)) {
    case FusionSumKind::Integer:
      break;
    case FusionSumKind::PrecisionExhausted:
      reportPrecisionExhausted(routine, i, j, k, failure->value, failure->tolerance);
      break;
    case FusionSumKind::NotInteger:
      Alert(routine, 0, 100201, "Fusion rule inaccuracy for fields %d, %d and %d\nvalue %15.7f", i,
            j, k, failure->value);
      break;
  }
  return n;
}

}  // namespace

FusionCoefficient fusionServedCoefficient(int i, int j, int k) {
  return tableCoefficient("fusion", i, j, k);
}

FusionCoefficient fusion(int i, int j, int k, int d) {
  if (!labelsInRange("fusion", i, j, k, d)) return 0;
  if (!modularSAvailable("fusion")) return kFusionInterrupted;
  initSMATRIX();
  if (d == 0 && fusionProductsServed(i, j, 1.0)) return tableCoefficient("fusion", i, j, k);
  if (d == 0 && orbitTablesValid()) return FastFusion(i, j, k);
  obeyInterruptRequest();
  if (getStopSignal() == 1) return kFusionInterrupted;
  const int n = modularPrimaries();
  std::vector<double> denominatorRe(static_cast<std::size_t>(n)),
      denominatorIm(static_cast<std::size_t>(n));
  double rowMax = 0.0;
  for (int m = 0; m < n; ++m) {
    compS(d, m, &denominatorRe[static_cast<std::size_t>(m)],
          &denominatorIm[static_cast<std::size_t>(m)]);
    rowMax = std::max(rowMax, std::hypot(denominatorRe[static_cast<std::size_t>(m)],
                                         denominatorIm[static_cast<std::size_t>(m)]));
  }
  double sum = 0.0;
  double magnitude = 0.0;
  for (int m = 0; m < n; ++m) {
    double iRe, iIm, jRe, jIm, kRe, kIm;
    const double dRe = denominatorRe[static_cast<std::size_t>(m)];
    const double dIm = denominatorIm[static_cast<std::size_t>(m)];
    // d = 0 divides by the real part only.
    if (denominatorIsZero(dRe, d == 0 ? 0.0 : dIm, rowMax)) {
      reportZeroDenominator("fusion", d, m);
      return kFusionInterrupted;
    }
    compS(i, m, &iRe, &iIm);
    compS(j, m, &jRe, &jIm);
    compS(k, m, &kRe, &kIm);
    double ijRe, ijIm, pRe, pIm;
    complexProduct(&ijRe, &ijIm, iRe, iIm, jRe, jIm);
    complexProduct(&pRe, &pIm, ijRe, ijIm, kRe, -kIm);
    if (d == 0) {
      sum += pRe / dRe;
      magnitude += std::hypot(pRe, pIm) / std::fabs(dRe);
    } else {
      double qRe, qIm;
      complexRatio(&qRe, &qIm, pRe, pIm, dRe, dIm);
      sum += qRe;
      magnitude += std::hypot(qRe, qIm);
    }
  }
  const double tolerance = fusionTolerance(magnitude);
  FusionCoefficient result = 0;
  switch (classifyFusionSum(sum, tolerance, &result)) {
    case FusionSumKind::Integer:
      break;
    case FusionSumKind::PrecisionExhausted:
      reportPrecisionExhausted("fusion", i, j, k, sum, tolerance);
      break;
    case FusionSumKind::NotInteger:
      Alert("fusion", 0, 100201, "Fusion rule inaccuracy for fields %d, %d and %d\nvalue %15.7f", i,
            j, k, sum);
      break;
  }
  return result;
}

FusionCoefficient FastFusion(int i, int j, int k) {
  if (!labelsInRange("FastFusion", i, j, k, 0)) return 0;
  if (!orbitTablesValid()) return fusion(i, j, k, 0);
  if (!chargesAllow(i, j, k, 0)) return 0;
  return GenericVerlinde(i, j, -k, modularState().NOrbit, S_aux1, S_aux1, S_aux2, S_aux1);
}

FusionCoefficient GenericVerlinde(int i, int j, int k, int range, ModularAccessor A,
                                  ModularAccessor B, ModularAccessor C, ModularAccessor D) {
  return genericVerlinde(i, j, k, range, A, B, C, D, false);
}

FusionCoefficient GenericVerlinde2(int i, int j, int k, int range, ModularAccessor A,
                                   ModularAccessor B, ModularAccessor C, ModularAccessor D) {
  return genericVerlinde(i, j, k, range, A, B, C, D, true);
}

void S_aux1(int o, int x, double* re, double* im) {
  modularTrace("S_aux1");
  ModularState& s = modularState();
  *re = 0.0;
  *im = 0.0;
  if (o < 0 || o >= s.NOrbit || !orbitTablesValid()) {
    Alert("S_aux1", 0, 212404, "Label out of range: %d\n", o);
    return;
  }
  if (!modularLabelsInRange("S_aux1", x, 0)) return;
  const int rep = s.OrbitMap[static_cast<std::size_t>(o)];
  if (orbitSValid() && s.SMATRIXavailable == s.CFTCounter && s.compute_s_base != nullptr) {
    const PrimaryOrbitEntry& field = s.Primaries[static_cast<std::size_t>(x)];
    s.compute_s_base(o, field.orbit, re, im);
    const int q = mod(orbitCharge(rep, field.current), s.nG);
    if (q != 0) {
      const double r = *re;
      complexProduct(re, im, r, *im, s.PhasesR[static_cast<std::size_t>(q)],
                     s.PhasesI[static_cast<std::size_t>(q)]);
    }
    return;
  }
  compS(rep, x, re, im);
}

void S_aux2(int o, int x, double* re, double* im) {
  modularTrace("S_aux2");
  S_aux1(o, x, re, im);
  ModularState& s = modularState();
  if (o < 0 || o >= s.NOrbit || !orbitTablesValid()) return;
  const int length =
      s.Primaries[static_cast<std::size_t>(s.OrbitMap[static_cast<std::size_t>(o)])].length;
  *re *= length;
  *im *= length;
}

FusionCoefficient Pfusion(int i, int j, int k) {
  if (!labelsInRange("Pfusion", i, j, k, 0)) return 0;
  return GenericVerlinde(i, j, -k, modularPrimaries(), compS, compP, compP, compS);
}

FusionCoefficient getFpFusion(int J, int i, int j, int k) {
  ModularState& s = modularState();
  SpectrumData* sd = currentSD;
  if (KMCosetSwitch != 0 || sd == nullptr) {
    Alert("getFpFusion", 0, 212404, "Fixed-point fusion is only defined for stored theories");
    return 0;
  }
  if (J < 1 || J > sd->n_fp_currents || SM_initFCFTData(sd) < 0 || sd->fcft == nullptr ||
      sd->fcft[J - 1] == nullptr) {
    Alert("getFpFusion", 1, 100302, "Current has no fixed points\n");
    return 0;
  }
  s.CurrentFixedPointLabel = J;
  s.fixedPointParent = sd;
  s.fixedPointTheory = sd->fcft[J - 1];
  return GenericVerlinde(i, j, k, s.fixedPointTheory->n_primaries, AuxS, OLA, OLA, AuxS);
}

int FastSimpleFusion(int J, int i) {
  if (!orbitTablesValid()) {
    Alert("FastSimpleFusion", 0, 220502, "Orbit data not available (FastSimpleFusion)");
    return -1;
  }
  return FastSimpleFusion_NO_CHECK(J, i);
}

int FastSimpleFusion_NO_CHECK(int J, int i) {
  ModularState& s = modularState();
  const int n = static_cast<int>(s.Primaries.size());
  if (J < 0 || J >= s.nG || i < 0 || i >= n) {
    Alert("FastSimpleFusion", 1, 212404, "Label out of range: %d\n", J < 0 || J >= s.nG ? J : i);
    return -1;
  }
  const PrimaryOrbitEntry& entry = s.Primaries[static_cast<std::size_t>(i)];
  const int* images = s.Primaries[static_cast<std::size_t>(entry.rep)].images;
  return images[s.CurMultTable[static_cast<std::size_t>(J) * static_cast<std::size_t>(s.nG) +
                               static_cast<std::size_t>(entry.current)]];
}

void manageConjugate(int i, int j, void (*f)(int, int, int, double*, double*), int x, double* out) {
  f(std::abs(i), std::abs(j), x, out, out);
  if ((i < 0) != (j < 0)) *out = -*out;
}

bool modularChargesAllow(int i, int j, int k, int d) {
  return chargesAllow(i, j, k, d);
}
