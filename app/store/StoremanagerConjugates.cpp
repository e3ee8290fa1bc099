// Charge conjugation of a stored theory, label look-ups and the orbit pointers.
//
// The conjugate table `conjugates` holds one entry per field: -2 not yet known, -1 not
// found, else the conjugate field. Affine Lie algebras, U(1) and the built-in special
// theories conjugate by a rule on their labels; theories built from tensor products and
// fixed-point theories search the S matrix (the conjugate row of S is the complex
// conjugate row). The orbit pointers list the first field of every simple-current orbit;
// both are built once per record and live with it. The S-row buffer of the searches is
// this file's state and is reused by the next search.
#include <algorithm>
#include <cmath>
#include <vector>

#include "groups/Discrete.h"
#include "lie/LieAlgebra.h"
#include "runtime/Error.h"
#include "runtime/Output.h"
#include "store/StoremanagerInternal.h"
#include "store/StoremanagerQueries.h"
#include "store/StoremanagerQueriesInternal.h"

namespace {

struct StoremanagerConjugatesState {
  WorkBuffer<double> row{"Srow"};
  WorkBuffer<int> labels{"rep1"};
};

StoremanagerConjugatesState& state() {
  static StoremanagerConjugatesState s;
  return s;
}

bool sameLabels(const SpectrumData* sd, int a, const int* labels) {
  const int* l = storeLabelOf(sd, a);
  return std::equal(l, l + sd->rep_size, labels);
}

// The S row of a into the buffer: re at 2b, im at 2b + 1.
double* readRow(SpectrumData* sd, int a) {
  const int n = sd->n_primaries;
  double* row = state().row.get(2 * static_cast<std::size_t>(n));
  for (int b = 0; b < n; ++b) SM_getS(sd, a, b, &row[2 * b], &row[2 * b + 1]);
  return row;
}

// Field with these labels of an affine Lie algebra: the spectrum builder's look-up when it
// answers for this record, else a search.
int lieFieldOf(SpectrumData* sd, const int* labels) {
  const int quick = findRep(labels, sd->rep_size, sd->n_primaries, sd->type, sd->rank, sd->level);
  if (storeIsField(sd, quick) && sameLabels(sd, quick, labels)) return quick;
  return SM_getLabelNoMessage(sd, labels);
}

}  // namespace

void resetStoremanagerConjugates() {
  StoremanagerConjugatesState& s = state();
  s.row.release();
  s.labels.release();
}

// ---------------------------------------------------------------------------------------
// The table

int SM_ConjugatesAvailable(const SpectrumData* sd) {
  if (sd->validity != 0) return 1;
  Print("Conjugates not available for this algebra (type %d)\n", sd->type);
  return 0;
}

int SM_getConjugate(SpectrumData* sd, int a) {
  if (sd == nullptr) return -1;
  if (sd->conjugates == nullptr) {
    if (sd->validity == 0) {
      Print("Conjugates not available for this algebra (type %d)\n", sd->type);
      Alert("SM_getConjugate", 0, 100202, "Conjugates not defined for this algebra");
      return -1;
    }
    if (SM_initConjugates(sd) == 0 || sd->conjugates == nullptr) {
      Alert("SM_getConjugate", 1, 112415, "Unexpected NULL pointer");
      return -1;
    }
  }
  if (!storeFieldInRange(sd, a, "SM_getConjugate", 2)) return -1;
  return sd->conjugates[a];
}

int SM_computeConjugate(SpectrumData* sd, int a) {
  if (!storeFieldInRange(sd, a, "SM_computeConjugate", 0)) return -1;
  if (sd->perm_order >= 2) return SM_getGenericConjugate(sd, a);
  switch (sd->type) {
    case kStoreTypeU1: {
      const long long N = sd->rank;
      if (N < 1) return a;
      return static_cast<int>(((N - a) % N + N) % N);
    }
    case 1:
    case 2:
    case 3:
    case 4:
    case kStoreTypeExceptional: {
      if (sd->labels == nullptr) return -1;
      const int width = sd->rep_size;
      int* buffer = state().labels.get(2 * static_cast<std::size_t>(std::max(width, 1)));
      const int* in = storeLabelOf(sd, a);
      std::copy(in, in + width, buffer);
      int* out = buffer + width;
      conjg_(sd->type, sd->rank, buffer, out);
      out[width - 1] = in[width - 1];
      const int c = lieFieldOf(sd, out);
      if (c < 0) Alert("SM_computeConjugate", 1, 212404, "Charge conjugation error");
      return c;
    }
    case kStoreTypeSpecialN2:
    case kStoreTypeMinimalN2:
      return SM_MinimalConjugate(sd, a);
    case kStoreTypeOrbifold:
      return SM_OrbifoldConjugate(sd, a);
    case kStoreTypeTensor:
      return SM_getGenericConjugate(sd, a);
    case kStoreTypeTensorFCFT:
      return SM_getFCFTConjugate(sd, a);
    case 13:
      return a;
    default:
      Alert("SM_computeConjugate", 2, 112311, "Conjugation for this algebra not defined or not built in");
      return -1;
  }
}

int SM_getGenericConjugate(SpectrumData* sd, int a) {
  if (!storeFieldInRange(sd, a, "SM_getGenericConjugate", 0)) return -1;
  const int n = sd->n_primaries;
  double* row = readRow(sd, a);
  bool real = true;
  for (int b = 0; b < n; ++b) {
    row[2 * b + 1] = -row[2 * b + 1];
    if (!ZeroCheck(row[2 * b + 1])) real = false;
  }
  if (real) return a;
  for (int c = 0; c < n; ++c) {
    if (!SM_WeightCompare(sd, a, c)) continue;
    bool match = true;
    for (int b = 0; b < n && match; ++b) {
      double re, im;
      SM_getS(sd, c, b, &re, &im);
      match = std::fabs(re - row[2 * b]) <= kTolerance && std::fabs(im - row[2 * b + 1]) <= kTolerance;
    }
    if (match) return c;
  }
  Alert("SM_getGenericConjugate", 1, 212404, "No conjugate found");
  return -1;
}

int SM_getFCFTConjugate(SpectrumData* sd, int a) {
  if (!storeFieldInRange(sd, a, "SM_getFCFTConjugate", 0)) return -1;
  const int n = sd->n_primaries;
  double* row = readRow(sd, a);
  for (int c = 0; c < n; ++c) {
    if (!SM_WeightCompare(sd, a, c)) continue;
    double sumRe = 0.0, sumIm = 0.0;
    for (int b = 0; b < n; ++b) {
      double re, im;
      SM_getS(sd, b, c, &re, &im);
      sumRe += row[2 * b] * re - row[2 * b + 1] * im;
      sumIm += row[2 * b] * im + row[2 * b + 1] * re;
    }
    if (CZeroCheck(sumRe, sumIm)) continue;
    const double turns = getPhase(sumRe, sumIm) / (2.0 * M_PI);
    if (!ZeroModOneCheck(turns)) Alert("SM_getFCFTConjugate", 1, 100208, "Non-integer conjugation phase: %7.4f", turns);
    return c;
  }
  Alert("SM_getFCFTConjugate", 2, 212404, "No conjugate found");
  return -1;
}

void SM_computeAllGenericConjugates(SpectrumData* sd) {
  if (sd->conjugates == nullptr || sd->n_primaries < 1) return;
  sd->conjugates[0] = 0;
  for (int a = 0; a < sd->n_primaries; ++a) {
    if (sd->conjugates[a] != -2) continue;
    const int c = SM_getGenericConjugate(sd, a);
    sd->conjugates[a] = c;
    if (c >= 0) sd->conjugates[c] = a;
  }
}

void SM_computeAllGenericConjugatesUsingOrbits(SpectrumData* sd) {
  if (sd->conjugates == nullptr || sd->n_primaries < 1) return;
  sd->conjugates[0] = 0;
  SM_makeOrbitPointers(sd);
  if (sd->orbit_pointers == nullptr || sd->orbit_base == nullptr || sd->orbit_position == nullptr) {
    SM_computeAllGenericConjugates(sd);
    return;
  }
  for (int i = 0; i < sd->n_orbits; ++i) {
    const int f = sd->orbit_pointers[i];
    if (!storeIsField(sd, f) || sd->conjugates[f] != -2) continue;
    const int c = SM_getGenericConjugate(sd, f);
    sd->conjugates[f] = c;
    if (c >= 0) sd->conjugates[c] = f;
  }
  const DGType* dg = sd->scgroup;
  for (int a = 0; a < sd->n_primaries; ++a) {
    if (sd->conjugates[a] != -2) continue;
    const int base = sd->orbit_base[a];
    const int c = sd->conjugates[base];
    if (!storeIsField(sd, c)) {
      sd->conjugates[a] = -1;
      continue;
    }
    // conj(K x base) = K^-1 x conj(base) = K^-1 x (position of c) x (base of c).
    const int K = DG_product(DG_inverse(dg, sd->orbit_position[a]), sd->orbit_position[c], dg);
    sd->conjugates[a] = SM_findOrbitMember(sd, sd->orbit_base[c], K);
  }
}

int SM_WeightCompare(const SpectrumData* sd, int a, int b) {
  if (!storeIsField(sd, a) || !storeIsField(sd, b) || sd->weight_num == nullptr) return 0;
  const long long difference = static_cast<long long>(sd->weight_num[a]) - sd->weight_num[b];
  const bool exact = sd->exact != nullptr && sd->exact[a] == 1 && sd->exact[b] == 1;
  if (exact) return difference == 0 ? 1 : 0;
  if (sd->weight_den == 0) return difference == 0 ? 1 : 0;
  return difference % sd->weight_den == 0 ? 1 : 0;
}

// ---------------------------------------------------------------------------------------
// Orbit pointers

void SM_makeOrbitPointers(SpectrumData* sd) {
  if (sd->orbit_pointers != nullptr || sd->n_orbits < 1) return;
  int* pointers = SM_allocInts(sd, static_cast<std::size_t>(sd->n_orbits), "Orbit pointers");
  if (pointers == nullptr) return;
  int found = 0;
  for (int a = 0; a < sd->n_primaries; ++a) {
    const bool first = sd->orbit_position == nullptr || sd->orbit_position[a] == 0;
    if (!first) continue;
    if (found < sd->n_orbits) pointers[found] = a;
    ++found;
  }
  if (found != sd->n_orbits)
    Alert("SM_makeOrbitPointers", 0, 212404, "Orbit count discrepancy (%d != %d)", found, sd->n_orbits);
  sd->orbit_pointers = pointers;
}

int SM_findOrbitMember(SpectrumData* sd, int base, int K) {
  SM_makeOrbitPointers(sd);
  if (sd->orbit_pointers == nullptr || sd->orbit_base == nullptr) return 0;
  int f = -1;
  for (int i = 0; i < sd->n_orbits; ++i) {
    const int p = sd->orbit_pointers[i];
    if (storeIsField(sd, p) && sd->orbit_base[p] == base) {
      f = p;
      break;
    }
  }
  if (f < 0) return 0;
  const long long candidate = static_cast<long long>(f) + K;
  if (K >= 0 && candidate < sd->n_primaries && sd->orbit_base[candidate] == base &&
      sd->orbit_position[candidate] == K)
    return static_cast<int>(candidate);
  return SM_SimpleAction(sd, K, f);
}

int SM_isFixed(SpectrumData* sd, int i) {
  if (sd->type == kStoreTypeMinimalN2) return static_cast<long long>(sd->level) == 2LL * i ? 1 : 0;
  SM_makeOrbitPointers(sd);
  if (sd->orbit_pointers == nullptr || i < 0 || i >= sd->n_orbits) {
    Alert("SM_isFixed", 0, 212404, "Orbit count discrepancy (%d != %d)", i, sd->n_orbits);
    return 0;
  }
  const int f = sd->orbit_pointers[i];
  if (!storeIsField(sd, f)) return 0;
  if (sd->type == kStoreTypeSpecialN2 && sd->rank == 2)
    return static_cast<long long>(sd->level) == 2LL * storeLabelOf(sd, f)[0] ? 1 : 0;
  const int base = sd->orbit_base == nullptr ? f : sd->orbit_base[f];
  const long long G = storeGroupOrder(sd);
  if (base + G <= sd->n_primaries) return sd->orbit_base[base + G - 1] != base ? 1 : 0;
  return 1;
}

// ---------------------------------------------------------------------------------------
// Label look-ups

int SM_getLabelNoMessage(const SpectrumData* sd, const int* labels) { return SM_getLabelInOrbit(sd, labels, 0); }

int SM_getLabelInOrbit(const SpectrumData* sd, const int* labels, int start) {
  if (start < 0 || start >= sd->n_primaries) return -1;
  if (sd->rep_size < 1) return start;
  if (sd->labels == nullptr || labels == nullptr) return -1;
  for (int a = start; a < sd->n_primaries; ++a) {
    if (sameLabels(sd, a, labels)) return a;
  }
  return -1;
}
