// S, T, sqrt(T) and P of a stored theory, exact weights and monodromy charges.
//
// S is computed once per pair of simple-current orbits and kept in the record's orbit
// S matrix `sbase` (doubles on the record's `s_alloc`, in pages made on first write;
// -2.0 marks an element not yet computed; a real theory stores no imaginary block, a
// symmetric one the triangle only). Every other element of the same two orbits follows by the charge phase
//   S(J_a a0, J_b b0) = exp(2 pi i (Q_{J_a}(b) + Q_{J_b}(a0))) S(a0, b0),
// with Q(a0) = Q(a) - Q(J_a) because charges add under fusion with a current.
#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <vector>

#include "groups/Discrete.h"
#include "lie/Smatrix.h"
#include "runtime/Error.h"
#include "runtime/Output.h"
#include "runtime/SystemUtility.h"
#include "runtime/Terminal.h"
#include "store/Storemanager.h"
#include "store/StoremanagerInternal.h"
#include "store/StoremanagerQueries.h"
#include "store/TensorHooks.h"

namespace {

constexpr double kCut = 1e-10;
constexpr std::uint64_t kSBaseAskSize = 100000001ULL;
constexpr int kRecursionReport = 4;
constexpr int kRecursionLimit = 11;
// Elements of a row computed one by one between two looks at Ctrl-C.
constexpr std::size_t kRowPollPeriod = 64;

// Leaves SM_getS's nesting level as it found it on every path.
struct CallLevel {
  CallLevel() { ++storeState().SM_getS_call_level; }
  ~CallLevel() { --storeState().SM_getS_call_level; }
  CallLevel(const CallLevel&) = delete;
  CallLevel& operator=(const CallLevel&) = delete;
};

const int* labelOf(const SpectrumData* sd, int a) {
  return sd->labels + static_cast<std::size_t>(a) * static_cast<std::size_t>(sd->rep_size);
}

// Number of orbit elements M of the stored triangle or square; 0 on overflow.
std::uint64_t orbitElementCount(const SpectrumData* sd) {
  const std::uint64_t m = static_cast<std::uint64_t>(sd->n_orbits);
  std::uint64_t M = 0;
  if (sd->symmetric == 1) {
    if (__builtin_mul_overflow(m, m + 1, &M)) return 0;
    return M / 2;
  }
  if (__builtin_mul_overflow(m, m, &M)) return 0;
  return M;
}

std::uint64_t orbitIndex(const SpectrumData* sd, int p, int q) {
  const std::uint64_t hi = static_cast<std::uint64_t>(std::max(p, q));
  const std::uint64_t lo = static_cast<std::uint64_t>(std::min(p, q));
  if (sd->symmetric == 1) return lo + hi * (hi + 1) / 2;
  return static_cast<std::uint64_t>(q) + static_cast<std::uint64_t>(sd->n_orbits) * static_cast<std::uint64_t>(p);
}

// h_a - c/24 as a double, the exact weight reduced first.
double shiftedWeight(const SpectrumData* sd, int a) {
  double h = sd->weight_den == 0 ? 0.0 : static_cast<double>(sd->weight_num[a]) / sd->weight_den;
  return h - sd->c / 24.0;
}

void multiplyPhase(double phase, double* re, double* im) {
  const double c = std::cos(phase);
  const double s = std::sin(phase);
  const double r = *re * c - *im * s;
  const double i = *re * s + *im * c;
  *re = r;
  *im = i;
}

bool bothInRange(const SpectrumData* sd, int a, int b, const char* routine, double* re, double* im) {
  if (storeFieldInRange(sd, a, routine, 10) && storeFieldInRange(sd, b, routine, 11)) return true;
  *re = 0.0;
  *im = 0.0;
  return false;
}

// S(a, b) from S(a0, b0) of the two orbit bases (in re, im): the charge phase
//   exp(2 pi i sum_f (e_f(J_a) Q_f(b) + (Q_f(a) - Q_f(J_a)) e_f(J_b)) / N_f).
void applyOrbitPhase(const SpectrumData* sd, int a, int b, double* re, double* im) {
  // Both fields their orbit's base: no phase.
  if (sd->orbit_position[a] == 0 && sd->orbit_position[b] == 0) return;
  const DGType* dg = sd->scgroup;
  const int g = dg->nfactors;
  const int* ea = DG_DecodeChargeCode(dg, sd->orbit_position[a]);
  const int* eb = DG_DecodeChargeCode(dg, sd->orbit_position[b]);
  if (ea == nullptr || eb == nullptr) return;
  // Rows of at most kScratchFactors generators computed where the record holds none.
  constexpr int kScratchFactors = 8;
  int scratchA[kScratchFactors], scratchB[kScratchFactors], scratchJ[kScratchFactors];
  const bool computed = sd->charges == nullptr && g <= kScratchFactors;
  const std::size_t gg = static_cast<std::size_t>(g);
  const int* Qa = computed ? SM_getChargeRow(sd, a, scratchA) : sd->charges + static_cast<std::size_t>(a) * gg;
  const int* Qb = computed ? SM_getChargeRow(sd, b, scratchB) : sd->charges + static_cast<std::size_t>(b) * gg;
  const int* QJ = computed ? SM_getChargeRow(sd, sd->orbit_position[a], scratchJ)
                           : sd->charges + static_cast<std::size_t>(sd->orbit_position[a]) * gg;
  if (Qa == nullptr || Qb == nullptr || QJ == nullptr) return;
  double phase = 0.0;
  for (int i = 0; i < g; ++i) {
    const long long N = dg->factors[i];
    // Entries are below N < 2^31, so the products fit 64 bits; reducing mod N keeps
    // the phase argument small.
    long long term =
        static_cast<long long>(ea[i]) * Qb[i] + (static_cast<long long>(Qa[i]) - QJ[i]) * eb[i];
    term %= N;
    if (term < 0) term += N;
    phase += static_cast<double>(term) / static_cast<double>(N);
  }
  if (phase == 0.0) return;
  // A part that the phase leaves below 1e-10 of the element is rounding noise of the
  // phase; the cut is relative so that small elements keep their value.
  const double size = std::hypot(*re, *im);
  multiplyPhase(2.0 * M_PI * phase, re, im);
  if (std::fabs(*re) < kCut * size) *re = 0.0;
  if (std::fabs(*im) < kCut * size) *im = 0.0;
}

// Whether SM_computeSDirect hands the record's elements to SDirect (its last branch).
bool computedBySDirect(const SpectrumData* sd) {
  switch (sd->type) {
    case kStoreTypeSpecialN2:
    case kStoreTypeOrbifold:
    case kStoreTypeComplement:
    case kStoreTypeTensor:
    case kStoreTypeTensorFCFT:
    case kStoreTypeRecentred:
    case kStoreTypePermutation:
    case kStoreTypePermutationFCFT:
      return false;
    case 2:
      return !(sd->rank == 0 && sd->level == 1);
    default:
      return true;
  }
}

Rat reducedWeight(const SpectrumData* sd, int a) {
  Rat h{sd->weight_num[a], sd->weight_den};
  if (h.den == 0) return Rat{0, 1};
  simplifyRat(&h);
  return h;
}

}  // namespace

// ---------------------------------------------------------------------------------------
// S

void SM_getS_accessor(void* sd, int a, int b, double* re, double* im) {
  SM_getS(static_cast<SpectrumData*>(sd), a, b, re, im);
}

void SM_computeSDirect_accessor(void* sd, int a, int b, double* re, double* im) {
  SM_computeSDirect(static_cast<SpectrumData*>(sd), a, b, re, im);
}

void SM_getS(SpectrumData* sd, int a, int b, double* re, double* im) {
  StoremanagerState& s = storeState();
  CallLevel level;
  if (s.SM_getS_call_level >= kRecursionReport)
    PrintStdout("SM_getS recursion level %d for algebra %s\n", s.SM_getS_call_level, sd->name);
  if (s.SM_getS_call_level >= kRecursionLimit) {
    PrintStdout("SM_getS recursion loop");
    GracefulExit(1);
  }
  if (s.S_CALL_TRACE) PrintStdout("SM_getS for algebra %s, StoreS=%d, type=%d\n", sd->name, sd->store_s, sd->type);
  if (!bothInRange(sd, a, b, "SM_getS", re, im)) return;
  if (sd->s_available == 0) {
    Alert("SM_getS", 0, 112311, "Matrix S for algebra %s is not available", sd->name);
    *re = 0.0;
    *im = 0.0;
    return;
  }
  if (sd->use_orbits == 0) {
    SM_computeSDirect(sd, a, b, re, im);
    return;
  }
  const DGType* dg = sd->scgroup;
  const int g = dg == nullptr ? 0 : dg->nfactors;
  int p = a, q = b, a0 = a, b0 = b;
  if (g > 0) {
    p = storeOrbitNumber(sd, a);
    q = storeOrbitNumber(sd, b);
    a0 = sd->orbit_base[a];
    b0 = sd->orbit_base[b];
  }
  if (sd->store_s == 1 && SM_getSBase(sd, p, q, a0, b0, re, im) == 1) {
    if (g > 0) applyOrbitPhase(sd, a, b, re, im);
    return;
  }
  SM_computeSDirect(sd, a, b, re, im);
}

void SM_getSRow(SpectrumData* sd, int a, int count, const int* columns, double* re, double* im) {
  if (count < 1) return;
  if (storeState().S_CALL_TRACE) {
    // The trace names every element.
    for (int k = 0; k < count; ++k) {
      pollInterruptRequest();
      SM_getS(sd, a, columns[k], &re[k], &im[k]);
    }
    return;
  }
  auto refuse = [&] {
    std::fill(re, re + count, 0.0);
    std::fill(im, im + count, 0.0);
  };
  if (!storeFieldInRange(sd, a, "SM_getSRow", 10)) return refuse();
  if (sd->s_available == 0) {
    Alert("SM_getS", 0, 112311, "Matrix S for algebra %s is not available", sd->name);
    return refuse();
  }
  const bool orbits = sd->use_orbits != 0 && sd->store_s == 1;
  const DGType* dg = sd->scgroup;
  const bool phases = orbits && dg != nullptr && dg->nfactors > 0;
  const int p = phases ? storeOrbitNumber(sd, a) : a;
  const int rowField = phases ? sd->orbit_base[a] : a;
  const bool held = orbits && sd->sbase.held();
  const std::uint64_t M = held ? orbitElementCount(sd) : 0;
  // Each column's base element: read from the orbit matrix (-1), or entry i of the list
  // computed below; -2 for a column out of range. Where every column is its own entry
  // (oneToOne) the list is computed straight into the row.
  // Work arrays written before they are read: left uninitialised (rows are long and many).
  const std::size_t size = static_cast<std::size_t>(count);
  const auto source = std::make_unique_for_overwrite<int[]>(size);
  const auto pendingLabels = std::make_unique_for_overwrite<const int*[]>(size);
  const auto pendingFields = std::make_unique_for_overwrite<int[]>(size);
  const auto pendingOrbits = std::make_unique_for_overwrite<int[]>(size);
  // The record's tables in locals: the stores below cannot be proved not to touch them.
  const int n = sd->n_primaries;
  const int* orbitNumber = sd->orbit_number;
  const int* orbitBase = sd->orbit_base;
  const OrbitSMatrix& sbase = sd->sbase;
  const int* position = sd->orbit_position;
  const bool rowAtBase = !phases || position[a] == 0;
  bool oneToOne = true;
  int lastOrbit = -1;
  std::size_t pending = 0;
  for (int k = 0; k < count; ++k) {
    const int b = columns[k];
    if ((b < 0 || b >= n) && !storeFieldInRange(sd, b, "SM_getSRow", 11)) {
      source[static_cast<std::size_t>(k)] = -2;
      oneToOne = false;
      continue;
    }
    const int q = phases ? (orbitNumber != nullptr ? orbitNumber[b] : SM_getOrbitNumber(sd, b)) : b;
    if (held && sbase.at(orbitIndex(sd, p, q)) != kSBaseNotComputed) {
      source[static_cast<std::size_t>(k)] = -1;
      oneToOne = false;
      continue;
    }
    // Fields of one orbit stand together: a repeated orbit is computed once.
    if (orbits && q == lastOrbit) {
      source[static_cast<std::size_t>(k)] = static_cast<int>(pending) - 1;
      oneToOne = false;
      continue;
    }
    const int field = phases ? orbitBase[b] : b;
    source[static_cast<std::size_t>(k)] = static_cast<int>(pending);
    pendingFields[pending] = field;
    pendingOrbits[pending] = q;
    pendingLabels[pending] = labelOf(sd, field);
    ++pending;
    lastOrbit = orbits ? q : -1;
  }
  std::vector<double> pendingValues(oneToOne ? 0 : 2 * pending);
  double* pendingRe = oneToOne ? re : pendingValues.data();
  double* pendingIm = oneToOne ? im : pendingValues.data() + pending;
  if (pending > 0) {
    if (computedBySDirect(sd)) {
      SDirectRow(sd->type, sd->rank, sd->level, labelOf(sd, rowField), static_cast<int>(pending),
                 pendingLabels.get(), pendingRe, pendingIm);
    } else {
      // Each element is a sum of its own (the theory's tensor product, its fixed points):
      // Ctrl-C ends the command within the row (StopRequest). The orbit matrix below takes
      // the row only when it is complete.
      for (std::size_t i = 0; i < pending; ++i) {
        if ((i + 1) % kRowPollPeriod == 0) obeyInterruptRequest();
        SM_computeSDirect(sd, rowField, pendingFields[i], &pendingRe[i], &pendingIm[i]);
      }
    }
  }
  if (held) {
    for (std::size_t i = 0; i < pending; ++i) {
      const std::uint64_t index = orbitIndex(sd, p, pendingOrbits[i]);
      sd->sbase.set(index, pendingRe[i]);
      if (sd->complex == 1) sd->sbase.set(M + index, pendingIm[i]);
    }
  }
  for (int k = 0; k < count; ++k) {
    const int from = source[static_cast<std::size_t>(k)];
    if (from == -2) {
      re[k] = im[k] = 0.0;
      continue;
    }
    const int b = columns[k];
    if (from == -1) {
      const std::uint64_t index = orbitIndex(sd, p, phases ? storeOrbitNumber(sd, b) : b);
      re[k] = sbase.at(index);
      im[k] = sd->complex == 1 ? sbase.at(M + index) : 0.0;
    } else if (!oneToOne) {
      re[k] = pendingRe[static_cast<std::size_t>(from)];
      im[k] = pendingIm[static_cast<std::size_t>(from)];
    }
    if (phases && (!rowAtBase || position[b] != 0)) applyOrbitPhase(sd, a, b, &re[k], &im[k]);
  }
}

int SM_allocSBase(SpectrumData* sd) {
  const std::uint64_t M = orbitElementCount(sd);
  std::uint64_t total = M * (sd->complex == 1 ? 2 : 1);
  if (M == 0 && sd->n_orbits > 0) total = std::numeric_limits<std::uint64_t>::max();
  if (!sd->sbase.held()) {
    if (total >= kSBaseAskSize) {
      const long long megabytes = static_cast<long long>(std::min<std::uint64_t>(total / 125000, std::numeric_limits<int>::max()));
      int answer = Alert("SM_allocSBase", 0, 123209, "Trying to allocate %d MB for orbit S-matrix of algebra %s",
                         static_cast<int>(megabytes), sd->name);
      if (answer == -1) return -1;
      // Past the allocation limit the matrix cannot be held: compute directly instead.
      if (total >= kAllocationRefusedSize / sizeof(double)) return -1;
    }
    if (total == 0) return -1;
    sd->sbase.dimension(total, &sd->s_alloc);
    return 0;
  }
  sd->sbase.dimension(total, &sd->s_alloc);
  return 0;
}

int SM_getSBase(SpectrumData* sd, int p, int q, int a0, int b0, double* re, double* im) {
  if (storeState().S_CALL_TRACE) PrintStdout("SM_getSBase for algebra %s\n", sd->name);
  if (p < 0 || q < 0 || p >= sd->n_orbits || q >= sd->n_orbits) {
    Alert("SM_getSBase", 1, 212404, "Primary out of range (%d > %d) Alg(%d,%d,%d)", std::max(p, q), sd->n_orbits,
          sd->type, sd->rank, sd->level);
    return 0;
  }
  if (!sd->sbase.held() && SM_allocSBase(sd) == -1) {
    sd->store_s = 0;
    return 0;
  }
  const std::uint64_t index = orbitIndex(sd, p, q);
  const std::uint64_t M = orbitElementCount(sd);
  const double stored = sd->sbase.at(index);
  if (stored == kSBaseNotComputed) {
    double r = 0.0, i = 0.0;
    SM_computeSDirect(sd, a0, b0, &r, &i);
    sd->sbase.set(index, r);
    if (sd->complex == 1) sd->sbase.set(M + index, i);
    *re = r;
    *im = i;
    return 1;
  }
  *re = stored;
  *im = sd->complex == 1 ? sd->sbase.at(M + index) : 0.0;
  return 1;
}

void SM_computeSDirect(SpectrumData* sd, int a, int b, double* re, double* im) {
  *re = 0.0;
  *im = 0.0;
  bool mapped = false;
  for (int depth = 0; sd != nullptr; ++depth) {
    if (storeState().S_CALL_TRACE) PrintStdout("SM_computeSDirect for algebra %s\n", sd->name);
    if (!bothInRange(sd, a, b, "SM_computeSDirect", re, im)) return;
    if (sd->type != kStoreTypeRecentred) break;
    if (sd->field_map == nullptr || sd->base == nullptr || depth >= kRecursionLimit) {
      Alert("SM_computeSDirect", 3, 212404, "Unexpected NULL tensor pointer");
      return;
    }
    a = sd->field_map[a];
    b = sd->field_map[b];
    sd = sd->base;
    mapped = true;
  }
  if (sd == nullptr) return;
  // A re-centred theory has the S of its base, which the base may hold already (a theory
  // made from a tensor product keeps only its orbit S matrix once the product is gone).
  if (mapped) {
    SM_getS(sd, a, b, re, im);
    return;
  }
  switch (sd->type) {
    case 2:
      if (sd->rank == 0 && sd->level == 1) {
        SM_computeIsingS(sd, a, b, re, im);
        return;
      }
      break;
    case kStoreTypeSpecialN2:
      Alert("SM_computeSDirect", 0, 212404, "This routine cannot handle minimal models directly");
      GracefulExit(1);
    case kStoreTypeOrbifold:
      ComputeOrbifoldS(sd->rank, labelOf(sd, a), labelOf(sd, b), re, im);
      return;
    case kStoreTypeComplement:
      if (sd->base == nullptr) return;
      SM_getS(sd->base, a, b, re, im);
      *im = -*im;
      return;
    case kStoreTypeTensor:
      if (sd->tensor == nullptr || sd->field_map == nullptr) {
        Alert("SM_computeSDirect", 1, 212404, "Unexpected NULL tensor pointer");
        return;
      }
      tensorHooks().getCosetSOfLabels(sd->tensor, sd->field_map + a, sd->field_map + b, re, im);
      return;
    case kStoreTypeTensorFCFT:
      if (sd->base == nullptr || sd->base->tensor == nullptr || sd->field_map == nullptr) {
        Alert("SM_computeSDirect", 2, 212404, "Unexpected NULL tensor pointer");
        return;
      }
      {
        // The tensor product knows the current by its own field.
        const SpectrumData* parent = sd->base;
        const int current = parent->field_map != nullptr && sd->parent_current >= 0 &&
                                    sd->parent_current < parent->n_primaries
                                ? parent->field_map[sd->parent_current]
                                : sd->parent_current;
        tensorHooks().CT_getOLA_Smatrix(sd->base->tensor, current, sd->field_map + a, sd->field_map + b, re, im);
      }
      return;
    case kStoreTypePermutation:
    case kStoreTypePermutationFCFT:
      SM_computeGenericPermutation_S(sd, a, b, re, im);
      return;
    default:
      break;
  }
  SDirect(sd->type, sd->rank, sd->level, labelOf(sd, a), labelOf(sd, b), re, im);
}

// ---------------------------------------------------------------------------------------
// T, sqrt(T) and P

void SM_getT(SpectrumData* sd, int a, int b, double* re, double* im) {
  if (!bothInRange(sd, a, b, "SM_getT", re, im)) return;
  if (a != b) {
    *re = 0.0;
    *im = 0.0;
    return;
  }
  const double phase = 2.0 * M_PI * shiftedWeight(sd, a);
  *re = std::cos(phase);
  *im = std::sin(phase);
}

void SM_getrootT(SpectrumData* sd, int a, int b, double* re, double* im) {
  if (!bothInRange(sd, a, b, "SM_getrootT", re, im)) return;
  if (a != b) {
    *re = 0.0;
    *im = 0.0;
    return;
  }
  const double phase = M_PI * shiftedWeight(sd, a);
  *re = std::cos(phase);
  *im = std::sin(phase);
}

void SM_getP(SpectrumData* sd, int a, int b, double* re, double* im) {
  if (!bothInRange(sd, a, b, "SM_getP", re, im)) return;
  double sumRe = 0.0, sumIm = 0.0;
  for (int c = 0; c < sd->n_primaries; ++c) {
    pollInterruptRequest();
    double sacRe, sacIm, scbRe, scbIm;
    SM_getS(sd, a, c, &sacRe, &sacIm);
    SM_getS(sd, c, b, &scbRe, &scbIm);
    double xRe = sacRe * scbRe - sacIm * scbIm;
    double xIm = sacRe * scbIm + sacIm * scbRe;
    multiplyPhase(4.0 * M_PI * shiftedWeight(sd, c), &xRe, &xIm);
    sumRe += xRe;
    sumIm += xIm;
  }
  multiplyPhase(M_PI * (shiftedWeight(sd, a) + shiftedWeight(sd, b)), &sumRe, &sumIm);
  *re = sumRe;
  *im = sumIm;
}

// ---------------------------------------------------------------------------------------
// Exact weights and charges

int SM_getRatWeight(const SpectrumData* sd, int a, Rat* h) {
  if (!storeFieldInRange(sd, a, "SM_getRatWeight", 0) || sd->weight_num == nullptr) {
    *h = Rat{0, 1};
    return 0;
  }
  *h = reducedWeight(sd, a);
  return sd->exact != nullptr && sd->exact[a] != 0 ? 1 : 0;
}

void SM_ExactRatCharge(SpectrumData* sd, int J, int a, Rat* q) {
  *q = Rat{0, 1};
  if (!storeFieldInRange(sd, a, "SM_ExactRatCharge", 0) || sd->weight_num == nullptr) return;
  const int Ja = SM_SimpleAction(sd, J, a);
  if (Ja < 0 || !storeFieldInRange(sd, J, "SM_ExactRatCharge", 1)) return;
  Rat hJ = reducedWeight(sd, J);
  Rat ha = reducedWeight(sd, a);
  Rat hJa = reducedWeight(sd, Ja);
  Rat sum;
  addRat(&hJ, &ha, &sum);
  subtractRat(&sum, &hJa, q);
  simplifyRat(q);
}

void SM_getRatCharge(SpectrumData* sd, int J, int a, Rat* q) {
  *q = Rat{0, 1};
  if (!storeFieldInRange(sd, a, "SM_getRatCharge", 0)) return;
  if (sd->type == kStoreTypeMinimalN2 && J == 1 && sd->labels != nullptr) {
    const long long k = sd->level;
    const int* l = labelOf(sd, a);
    const long long den = 4 * k + 8;
    long long num = 2LL * l[1] - (k + 2) * l[2];
    q->num = num % den < 0 ? num % den + den : num % den;
    q->den = den;
    return;
  }
  const DGType* dg = sd->scgroup;
  if (dg == nullptr || dg->order == 1) return;
  if (J < 0 || J >= dg->order) {
    Alert("SM_getRatCharge", 1, 212404, "Field %d is not a simple current", J);
    return;
  }
  const int* eJ = DG_DecodeChargeCode(dg, J);
  if (eJ == nullptr || !SM_hasCharges(sd)) return;
  int small[8];
  std::vector<int> large;
  int* scratch = small;
  if (dg->nfactors > 8) {
    large.resize(static_cast<std::size_t>(dg->nfactors));
    scratch = large.data();
  }
  const int* charges = SM_getChargeRow(sd, a, scratch);
  for (int i = 0; i < dg->nfactors; ++i) {
    Rat term{static_cast<long long>(charges[i]) * eJ[i], dg->factors[i]};
    Rat sum;
    addRat(q, &term, &sum);
    *q = sum;
  }
  simplifyRat(q);
  q->num %= q->den;
  if (q->num < 0) q->num += q->den;
}

// ---------------------------------------------------------------------------------------
// Traces

// The traces sum over the fields (or their pairs) into locals and poll Ctrl-C field by field:
// a stop (StopRequest) leaves the out-values as they were.

void SM_computeTraceS(SpectrumData* sd, double* re, double* im) {
  double sumRe = 0.0, sumIm = 0.0;
  if (sd == nullptr) {
    *re = *im = 0.0;
    return;
  }
  for (int a = 0; a < sd->n_primaries; ++a) {
    pollInterruptRequest();
    double r, i;
    SM_getS(sd, a, a, &r, &i);
    sumRe += r;
    sumIm += i;
  }
  *re = sumRe;
  *im = sumIm;
}

void SM_computeTraceST(SpectrumData* sd, double* re, double* im) {
  double sumRe = 0.0, sumIm = 0.0;
  if (sd == nullptr) {
    *re = *im = 0.0;
    return;
  }
  for (int a = 0; a < sd->n_primaries; ++a) {
    pollInterruptRequest();
    double r, i;
    SM_getS(sd, a, a, &r, &i);
    multiplyPhase(2.0 * M_PI * shiftedWeight(sd, a), &r, &i);
    sumRe += r;
    sumIm += i;
  }
  *re = sumRe;
  *im = sumIm;
}

void SM_computeTraceSTQ(SpectrumData* sd, double* re, double* im) {
  double sumRe = 0.0, sumIm = 0.0;
  if (sd == nullptr) {
    *re = *im = 0.0;
    return;
  }
  for (int a = 0; a < sd->n_primaries; ++a) {
    for (int b = 0; b < sd->n_primaries; ++b) {
      pollInterruptRequest();
      double r, i;
      SM_getS(sd, a, b, &r, &i);
      multiplyPhase(2.0 * M_PI * (shiftedWeight(sd, a) + shiftedWeight(sd, b)), &r, &i);
      sumRe += r;
      sumIm += i;
    }
  }
  *re = sumRe;
  *im = sumIm;
}

void SM_computeTraceS2TN(SpectrumData* sd, double* re, double* im, int N) {
  double sumRe = 0.0, sumIm = 0.0;
  if (sd == nullptr) {
    *re = *im = 0.0;
    return;
  }
  for (int a = 0; a < sd->n_primaries; ++a) {
    for (int b = 0; b < sd->n_primaries; ++b) {
      pollInterruptRequest();
      double r, i;
      SM_getS(sd, a, b, &r, &i);
      double sqRe = r * r - i * i;
      double sqIm = 2.0 * r * i;
      multiplyPhase(2.0 * M_PI * N * shiftedWeight(sd, b), &sqRe, &sqIm);
      sumRe += sqRe;
      sumIm += sqIm;
    }
  }
  *re = sumRe;
  *im = sumIm;
}

void mapSpinorCurrents(const int in[3], int out[3]) {
  out[0] = in[0];
  out[1] = in[1];
  out[2] = in[2];
  if (in[2] != 1) {
    if (out[0] == 1) {
      out[0] = 3;
    } else if (out[0] == 3) {
      out[0] = 1;
    }
    return;
  }
  if (out[0] == 0) out[1] = 1;
  if (out[1] == 2) {
    out[0] = 0;
    out[1] = 3;
  }
}
