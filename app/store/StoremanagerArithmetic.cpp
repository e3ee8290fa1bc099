// Arithmetic on the simple currents of a stored theory: the group law on element indices,
// powers and orders, stabilisers of fields, integer monodromy charges, the precomputed
// tables of J x a and of charges, and the two phases of fixed-point resolution (the
// twist of a fixed point under a current, in quarter units, and the eta phase of a
// fixed-point current).
//
// A current is an element index of the record's group `scgroup`; its exponent vector is
// the group's decomposition row (mixed radix, first factor least significant). The fusion
// and charge tables are two blocks of G x n ints of the record (row J, column a), made
// once and refilled when the charge denominator changes; while `fusion_available` is 1
// SM_SimpleAction answers from them. The stabiliser work list lives in this file's state.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <numeric>
#include <vector>

#include "groups/Discrete.h"
#include "runtime/Error.h"
#include "runtime/Output.h"
#include "runtime/SystemUtility.h"
#include "store/StoremanagerInternal.h"
#include "store/StoremanagerQueries.h"
#include "store/StoremanagerQueriesInternal.h"

namespace {

constexpr long long kFusionTableLimit = 1050000001LL;

struct StoremanagerArithmeticState {
  std::vector<int> stabilizer;  // the last stabiliser list
};

StoremanagerArithmeticState& state() {
  static StoremanagerArithmeticState s;
  return s;
}

long long floorMod(long long x, long long m) {
  long long r = x % m;
  return r < 0 ? r + m : r;
}

bool currentInRange(const SpectrumData* sd, int J, const char* routine) {
  if (J >= 0 && J < storeGroupOrder(sd)) return true;
  Alert(routine, 0, 212404, "Field %d is not a simple current", J);
  return false;
}

const int* exponents(const SpectrumData* sd, int J) { return DG_DecodeChargeCode(sd->scgroup, J); }

// J (a current index below the group order) as a field of the record.
bool fieldOfCurrent(const SpectrumData* sd, int J) { return J >= 0 && J < sd->n_primaries; }

}  // namespace

int storeGroupOrder(const SpectrumData* sd) { return sd->scgroup == nullptr ? 1 : sd->scgroup->order; }
int storeGroupFactors(const SpectrumData* sd) { return sd->scgroup == nullptr ? 0 : sd->scgroup->nfactors; }

void resetStoremanagerArithmetic() { state() = StoremanagerArithmeticState{}; }

// ---------------------------------------------------------------------------------------
// The group law

int SM_SimpleCurrentFusion(const SpectrumData* sd, int J1, int J2) {
  const int g = storeGroupFactors(sd);
  if (g == 0) return 0;
  if (!currentInRange(sd, J1, "SM_SimpleCurrentFusion") || !currentInRange(sd, J2, "SM_SimpleCurrentFusion"))
    return -1;
  const int* e1 = exponents(sd, J1);
  const int* e2 = exponents(sd, J2);
  if (e1 == nullptr || e2 == nullptr) return -1;
  std::vector<int> sum(static_cast<std::size_t>(g));
  for (int i = 0; i < g; ++i) sum[static_cast<std::size_t>(i)] = (e1[i] + e2[i]) % sd->scgroup->factors[i];
  return DG_findElement(sd->scgroup, sum.data());
}

int SM_SimpleCurrentPower(const SpectrumData* sd, int J, int n) {
  const int g = storeGroupFactors(sd);
  if (g == 0) return 0;
  if (!currentInRange(sd, J, "SM_SimpleCurrentPower")) return -1;
  const int* e = exponents(sd, J);
  if (e == nullptr) return -1;
  std::vector<int> power(static_cast<std::size_t>(g));
  for (int i = 0; i < g; ++i) {
    const long long order = sd->scgroup->factors[i];
    power[static_cast<std::size_t>(i)] = static_cast<int>(floorMod(floorMod(n, order) * e[i], order));
  }
  return DG_findElement(sd->scgroup, power.data());
}

int SM_getCurrentOrder(const SpectrumData* sd, int J) {
  const int g = storeGroupFactors(sd);
  if (g == 0) return 1;
  if (!currentInRange(sd, J, "SM_getCurrentOrder")) return -1;
  const int* e = exponents(sd, J);
  if (e == nullptr) return -1;
  long long order = 1;
  for (int i = 0; i < g; ++i) {
    const int n = sd->scgroup->factors[i];
    const long long part = n / std::gcd(n, e[i]);
    order = std::lcm(order, part);
  }
  return static_cast<int>(order);
}

int SM_MinimalSimpleCurrentFusion(const SpectrumData* sd, int J1, int J2) {
  const long long M = 2LL * sd->level + 4;
  if (sd->type != kStoreTypeMinimalN2 || M < 4) {
    Alert("SM_MinimalSimpleCurrentFusion", 0, 212404, "Not an N=2 minimal model");
    return -1;
  }
  if (J1 < 0 || J2 < 0 || J1 >= 2 * M || J2 >= 2 * M) {
    Alert("SM_MinimalSimpleCurrentFusion", 1, 212404, "Field %d is not a simple current", J1 < 0 || J1 >= 2 * M ? J1 : J2);
    return -1;
  }
  if (sd->level % 2 != 0) return static_cast<int>((static_cast<long long>(J1) + J2) % (2 * M));
  const long long x = (J1 % M + J2 % M) % M;
  const long long e = (J1 / M + J2 / M) % 2;
  return static_cast<int>(x + M * e);
}

int SM_MinimalSimpleCurrentPower(const SpectrumData* sd, int J, int n) {
  const long long M = 2LL * sd->level + 4;
  if (sd->type != kStoreTypeMinimalN2 || M < 4) {
    Alert("SM_MinimalSimpleCurrentPower", 0, 212404, "Not an N=2 minimal model");
    return -1;
  }
  if (J < 0 || J >= 2 * M) {
    Alert("SM_MinimalSimpleCurrentPower", 1, 212404, "Field %d is not a simple current", J);
    return -1;
  }
  if (sd->level % 2 != 0) return static_cast<int>(floorMod(floorMod(n, 2 * M) * J, 2 * M));
  const long long x = floorMod(floorMod(n, M) * (J % M), M);
  const long long e = floorMod(static_cast<long long>(n) * (J / M), 2);
  return static_cast<int>(x + M * e);
}

MinimalActionKernel SM_minimalActionKernel(const SpectrumData* sd) {
  MinimalActionKernel kernel;
  if (sd->type != kStoreTypeMinimalN2 || sd->orbit_position == nullptr) return kernel;
  kernel.labels = sd->labels;
  kernel.orbitBase = sd->orbit_base;
  kernel.orbitPosition = sd->orbit_position;
  kernel.labelWidth = sd->rep_size;
  kernel.fields = sd->n_primaries;
  kernel.level = sd->level;
  kernel.modulus = 2 * sd->level + 4;
  return kernel;
}

int SM_MinimalSimpleAction(SpectrumData* sd, int J, int a) {
  if (sd->type != kStoreTypeMinimalN2 || sd->labels == nullptr || sd->orbit_base == nullptr) return -1;
  // A current outside the group is left to the general route, which reports it.
  if (!storeIsField(sd, a) || J < 0 || J >= storeGroupOrder(sd)) return -1;
  const MinimalActionKernel kernel = SM_minimalActionKernel(sd);
  if (kernel.onFixedOrbit(a)) return -1;
  const int position = sd->orbit_position[a];
  // A position outside the group is reported as the current arithmetic reports it.
  if (position < 0 || position >= 2 * kernel.modulus) {
    SM_MinimalSimpleCurrentFusion(sd, J, position);
    return -1;
  }
  return kernel.apply(J, a);
}

// ---------------------------------------------------------------------------------------
// Stabilisers and checks

int SM_MakeStabilizer(SpectrumData* sd, int a, std::vector<int>& list) {
  list.assign(1, 0);
  if (!storeFieldInRange(sd, a, "SM_MakeStabilizer", 0)) return -1;
  const int G = storeGroupOrder(sd);
  if (G == 1) return 1;
  const int g = storeGroupFactors(sd);
  std::vector<int>& work = state().stabilizer;
  work.assign(1, 0);
  work.reserve(static_cast<std::size_t>(G) + 10);
  const int* row = sd->stabilizers == nullptr ? nullptr : sd->stabilizers + static_cast<std::size_t>(a) * g;
  const int passes = std::max(g, 1);
  for (int i = 0; i < passes && row != nullptr; ++i) {
    const int generator = row[i];
    // Products with the listed elements, in list order; the list grows behind the walk,
    // so the walk runs through the cosets of the subgroup made so far.
    std::size_t position = 0;
    while (true) {
      if (position >= work.size()) {
        Alert("SM_MakeStabilizer", 1, 212404, "Stabilizer inconsistency");
        return -1;
      }
      const int product = DG_product(generator, work[position], sd->scgroup);
      if (std::find(work.begin(), work.end(), product) != work.end()) break;
      work.push_back(product);
      ++position;
    }
  }
  list = work;
  return static_cast<int>(list.size());
}

int SM_ReduceModuloStabilizer(SpectrumData* sd, int a, int J) {
  if (storeGroupOrder(sd) == 1) return 0;
  if (!currentInRange(sd, J, "SM_ReduceModuloStabilizer")) return -1;
  std::vector<int> stabilizer;
  const int size = SM_MakeStabilizer(sd, a, stabilizer);
  if (size < 2) return J;
  int smallest = J;
  for (int s : stabilizer) {
    if (s == 0) continue;
    smallest = std::min(smallest, DG_product(s, J, sd->scgroup));
  }
  return smallest;
}

int SM_currentCheck(const SpectrumData* sd, int J) { return J >= 0 && J < storeGroupOrder(sd) ? 1 : 0; }

int SM_fieldCheck(const SpectrumData* sd, int a) { return storeIsField(sd, a) ? 1 : 0; }

int SM_effectiveCenterCheck(const SpectrumData* sd, int J) {
  if (!currentInRange(sd, J, "SM_effectiveCenterCheck") || !fieldOfCurrent(sd, J) || sd->weight_num == nullptr ||
      sd->weight_den == 0)
    return 0;
  const long long product = static_cast<long long>(SM_getCurrentOrder(sd, J)) * sd->weight_num[J];
  return product % sd->weight_den == 0 ? 1 : 0;
}

// ---------------------------------------------------------------------------------------
// Integer charges and the fusion and charge tables

int SM_getIntegerRatCharge(SpectrumData* sd, int J, int a, int N) {
  if (!storeFieldInRange(sd, a, "SM_getIntegerRatCharge", 0)) return 0;
  if (N < 1) {
    Alert("SM_getIntegerRatCharge", 1, 212404, "Invalid rational charge common denominator");
    return 0;
  }
  long long num = 0;
  long long den = 1;
  if (sd->type == kStoreTypeMinimalN2 && J == 1 && sd->labels != nullptr) {
    const long long k = sd->level;
    const int* l = storeLabelOf(sd, a);
    den = 4 * k + 8;
    num = floorMod(2LL * l[1] - (k + 2) * l[2], den);
  } else {
    if (storeGroupOrder(sd) == 1) return 0;
    if (!currentInRange(sd, J, "SM_getIntegerRatCharge") || !SM_hasCharges(sd)) return 0;
    const int* e = exponents(sd, J);
    if (e == nullptr) return 0;
    const int g = storeGroupFactors(sd);
    // A computed row has at most two entries; a held one is read in place.
    int scratch[2];
    const int* charges = sd->charges != nullptr || g <= 2 ? SM_getChargeRow(sd, a, scratch) : nullptr;
    if (charges == nullptr) return 0;
    Rat sum{0, 1};
    for (int i = 0; i < g; ++i) {
      Rat term{static_cast<long long>(charges[i]) * e[i], sd->scgroup->factors[i]};
      simplifyRat(&term);
      Rat next;
      addRat(&sum, &term, &next);
      sum = next;
    }
    simplifyRat(&sum);
    den = sum.den;
    num = floorMod(sum.num, den);
  }
  if (N % den != 0) Alert("SM_getIntegerRatCharge", 2, 212404, "Invalid rational charge common denominator");
  return static_cast<int>(num * N / den);
}

void makeFusionTable(SpectrumData* sd, int N) {
  const long long n = sd->n_primaries;
  const long long G = storeGroupOrder(sd);
  long long bytes = 0;
  if (__builtin_mul_overflow(8LL * n, G, &bytes) || bytes >= kFusionTableLimit) {
    Alert("makeFusionTable", 0, 112210, "Fusion table too large; not allocated");
    sd->fusion_table = nullptr;
    sd->charge_table = nullptr;
    sd->fusion_available = 0;
    return;
  }
  if (N < 1) {
    Alert("makeFusionTable", 1, 212404, "Invalid rational charge common denominator");
    return;
  }
  if (sd->charge_den != N) sd->fusion_available = 0;
  if (sd->charge_den == N && sd->fusion_available == 1) return;
  sd->fusion_available = 0;
  // The tables have the same size at every build: the blocks of the first stay in use.
  const std::size_t cells = static_cast<std::size_t>(n * G);
  if (sd->fusion_table == nullptr) sd->fusion_table = SM_allocInts(sd, cells, "Fusion table");
  if (sd->charge_table == nullptr) sd->charge_table = SM_allocInts(sd, cells, "Charge table");
  if (sd->fusion_table == nullptr || sd->charge_table == nullptr) return;
  const int g = storeGroupFactors(sd);
  std::vector<int> scratch(static_cast<std::size_t>(g));
  for (int J = 0; J < G; ++J) {
    const int* e = g > 0 ? exponents(sd, J) : nullptr;
    for (int a = 0; a < n; ++a) {
      const std::size_t cell = static_cast<std::size_t>(J) * static_cast<std::size_t>(n) + static_cast<std::size_t>(a);
      sd->fusion_table[cell] = SM_SimpleAction(sd, J, a);
      long long charge = 0;
      const int* charges = g > 0 ? SM_getChargeRow(sd, a, scratch.data()) : nullptr;
      for (int i = 0; i < g && e != nullptr && charges != nullptr; ++i) {
        const __int128 q = charges[i];
        charge += static_cast<long long>(q * e[i] * (N / sd->scgroup->factors[i]) % N);
      }
      sd->charge_table[cell] = static_cast<int>(floorMod(charge, N));
    }
  }
  sd->fusion_available = 1;
  sd->charge_den = N;
}

int getResultFromFusionTable(SpectrumData* sd, int J, int a) {
  if (sd->fusion_table == nullptr || !storeFieldInRange(sd, a, "getResultFromFusionTable", 0) ||
      !currentInRange(sd, J, "getResultFromFusionTable"))
    return -1;
  const int entry = sd->fusion_table[static_cast<std::size_t>(J) * sd->n_primaries + a];
  if (J == 0 && entry != a) {
    PrintStdout("FATAL FUSION ERROR (name %s, pointer %p); %d x %d = %d\n", sd->name, static_cast<void*>(sd), 0, a,
                entry);
    GracefulExit(1);
  }
  return entry;
}

int getResultFromChargeTable(const SpectrumData* sd, int J, int a) {
  if (sd->charge_table == nullptr || sd->fusion_available != 1) {
    Alert("getResultFromChargeTable", 0, 112415, "Unexpected NULL pointer");
    return -1;
  }
  if (!storeFieldInRange(sd, a, "getResultFromChargeTable", 1) || !currentInRange(sd, J, "getResultFromChargeTable"))
    return -1;
  return sd->charge_table[static_cast<std::size_t>(J) * sd->n_primaries + a];
}

// ---------------------------------------------------------------------------------------
// Fixed points

int SM_getFixedPoint(SpectrumData* sd, int lbl, int b) {
  if (lbl == 0) return b;
  if (sd->fcft_labels == nullptr) SM_initFCFTData(sd);
  if (lbl < 1 || lbl > sd->n_fp_currents || sd->fcft_labels == nullptr) {
    Alert("SM_getFixedPoint", 0, 212404, "FCFT label out of range");
    return -1;
  }
  const int* row = sd->fcft_labels + static_cast<std::size_t>(lbl - 1) * sd->n_primaries;
  for (int a = 0; a < sd->n_primaries; ++a) {
    if (row[a] == b) return a;
  }
  Alert("SM_getFixedPoint", 1, 212404, "Fixed point not found");
  return -1;
}

int SM_checkFP(SpectrumData* sd, int J, int a) {
  const int lbl = SM_getFCFTlbl(sd, J);
  if (lbl == 0) return 1;
  if (lbl < 0 || !storeFieldInRange(sd, a, "SM_checkFP", 0)) return 0;
  return sd->fcft_labels[static_cast<std::size_t>(lbl - 1) * sd->n_primaries + a] >= 0 ? 1 : 0;
}

void SM_getFixedPointResolutionMatrix(SpectrumData* fcft, int a, int b, double* re, double* im, int shift) {
  SM_getS(fcft, a, b, re, im);
  const double angle = -M_PI * static_cast<double>(shift) / 4.0;
  double r = *re, i = *im;
  complexProduct(re, im, r, i, std::cos(angle), std::sin(angle));
}

double SM_getTwist(SpectrumData* sd, int K, int lbl) {
  if (K == 0 || lbl == 0) return 0.0;
  const int f = SM_getFixedPoint(sd, lbl, 0);
  if (f < 0 || !fieldOfCurrent(sd, K)) return 0.0;
  const int g = SM_SimpleAction(sd, K, f);
  SpectrumData* fcft = sd->fcft == nullptr ? nullptr : sd->fcft[lbl - 1];
  if (g < 0 || fcft == nullptr) return 0.0;
  const int gJ = sd->fcft_labels[static_cast<std::size_t>(lbl - 1) * sd->n_primaries + g];
  if (!storeIsField(fcft, gJ)) {
    Alert("SM_getTwist", 0, 212404, "Fixed point not found");
    return 0.0;
  }
  return SM_realWeight(sd, K) - SM_realWeight(fcft, gJ) + SM_realWeight(fcft, 0);
}

namespace {

struct TwistSetup {
  int lbl = -1;
  SpectrumData* fcft = nullptr;
  int shift = 0;
  int aJ = -1;
  int imageJ = -1;
};

// Steps shared by the twist and its check; false after the alert of a failure. `full`
// selects the wording of the twist itself (the check names fewer details).
bool setUpTwist(SpectrumData* sd, int a, int K, int J, bool full, TwistSetup& out) {
  const char* routine = full ? "SM_getGenericTwist" : "SM_checkGenericTwist";
  out.lbl = SM_getFCFTlbl(sd, J);
  if (out.lbl < 1) {
    Alert(routine, 0, 212404, "Current %d has no fixed points", J);
    return false;
  }
  out.fcft = sd->fcft == nullptr ? nullptr : sd->fcft[out.lbl - 1];
  if (out.fcft == nullptr) {
    Alert(routine, 1, 212404, "Unexpected non-fixed-point current %d, or FCFT not initialized", J);
    return false;
  }
  if (out.fcft->s_available == 0) {
    if (full) {
      Alert(routine, 2, 112311, "FCFT for fixed point current %d of algebra %s is not available", J, sd->name);
    } else {
      Alert(routine, 2, 112311, "FCFT for fixed point current %d is not available", J);
    }
    return false;
  }
  out.shift = sd->fcft_shift[out.lbl - 1];
  const int image = storeIsField(sd, a) ? SM_SimpleAction(sd, K, a) : -1;
  const int* row = sd->fcft_labels + static_cast<std::size_t>(out.lbl - 1) * sd->n_primaries;
  out.aJ = storeIsField(sd, a) ? row[a] : -1;
  out.imageJ = image >= 0 ? row[image] : -1;
  if (out.aJ < 0 || out.imageJ < 0) {
    if (full) {
      Alert(routine, 3, 212404, "Unexpected non-fixed-point field (current %d, field %d, algebra %s)", out.lbl, a,
            sd->name);
    } else {
      Alert(routine, 3, 212404, "Unexpected non-fixed-point field (current %d, field %d)", out.lbl, a);
    }
    return false;
  }
  return true;
}

// The twist in quarter units from the S^J column b, or -1 when S^J(a_J, b) vanishes.
int twistFromColumn(SpectrumData* sd, int K, const TwistSetup& t, int b) {
  double xRe, xIm, yRe, yIm;
  SM_getFixedPointResolutionMatrix(t.fcft, t.aJ, b, &xRe, &xIm, t.shift);
  if (CZeroCheck(xRe, xIm)) return -1;
  SM_getFixedPointResolutionMatrix(t.fcft, t.imageJ, b, &yRe, &yIm, t.shift);
  double rRe, rIm;
  complexRatio(&rRe, &rIm, yRe, yIm, xRe, xIm);
  const double phi = getPhase(rRe, rIm);
  Rat Q;
  SM_getRatCharge(sd, K, SM_getFixedPoint(sd, t.lbl, b), &Q);
  const double x = 4.0 * (phi / (2.0 * M_PI) - static_cast<double>(Q.num) / static_cast<double>(Q.den));
  return static_cast<int>(floorMod(static_cast<long long>(roundHalfAway(x)), 4));
}

}  // namespace

int SM_getGenericTwist(SpectrumData* sd, int a, int K, int J) {
  TwistSetup t;
  if (!setUpTwist(sd, a, K, J, true, t)) return -1;
  for (int b = 0; b < t.fcft->n_primaries; ++b) {
    const int twist = twistFromColumn(sd, K, t, b);
    if (twist >= 0) return twist;
  }
  Alert("SM_getGenericTwist", 4, 212404, "Entire row of S^J vanishes");
  return -1;
}

int SM_checkGenericTwist(SpectrumData* sd, int a, int K, int J) {
  TwistSetup t;
  if (!setUpTwist(sd, a, K, J, false, t)) return -1;
  int first = -1;
  int previous = -1;
  for (int b = 0; b < t.fcft->n_primaries; ++b) {
    const int twist = twistFromColumn(sd, K, t, b);
    if (twist < 0) continue;
    if (first < 0) {
      first = twist;
      previous = b;
      continue;
    }
    if (twist != first) {
      Print("Twist inconsistency; different results for different b in S^J_{ab}\n");
      Print("Algebra %s; a=%d, J=%d, K=%d (b=%d and %d)\n", sd->name, a, J, K, SM_getFixedPoint(sd, t.lbl, previous),
            SM_getFixedPoint(sd, t.lbl, b));
      return -2;
    }
    previous = b;
  }
  if (first < 0) {
    Alert("SM_checkGenericTwist", 4, 212404, "Entire row of S^J vanishes");
    return -1;
  }
  return 0;
}

int SM_getCurrentTwist(SpectrumData* sd, int a, int K, int J) {
  const int lbl = SM_getFCFTlbl(sd, J);
  if (lbl < 1) return 0;
  if (sd->type > 5) return SM_getGenericTwist(sd, a, K, J);
  const double x = 4.0 * SM_getTwist(sd, K, lbl);
  const double nearest = roundHalfAway(x);
  if (std::fabs(x - nearest) > kTolerance)
    Alert("SM_getCurrentTwist", 0, 110302, "Integer conversion problem for %25.15f\n", x);
  return static_cast<int>(floorMod(static_cast<long long>(nearest), 4));
}

Rat SM_getGenericEta(SpectrumData* sd, int a, int lbl) {
  const Rat none{0, 1};
  if (sd->fcft_labels == nullptr) SM_initFCFTData(sd);
  if (lbl < 1 || lbl > sd->n_fp_currents || sd->fcft_labels == nullptr) {
    Alert("SM_getGenericEta", 0, 212404, "FCFT label out of range");
    return none;
  }
  const int* row = sd->fcft_labels + static_cast<std::size_t>(lbl - 1) * sd->n_primaries;
  if (!storeIsField(sd, a) || row[a] < 0) {
    Alert("SM_getGenericEta", 1, 212404, "Field %d not fixed by current", a);
    return none;
  }
  const int conjugate = SM_getConjugate(sd, a);
  if (!storeIsField(sd, conjugate) || row[conjugate] < 0) {
    Alert("SM_getGenericEta", 2, 212404, "Field %d not fixed by current", conjugate);
    return none;
  }
  SpectrumData* fcft = sd->fcft == nullptr ? nullptr : sd->fcft[lbl - 1];
  if (fcft == nullptr) {
    Alert("SM_getGenericEta", 3, 212404, "Unexpected non-fixed-point current %d, or FCFT not initialized",
          sd->fp_currents == nullptr ? -1 : sd->fp_currents[lbl - 1]);
    return none;
  }
  const int shift = sd->fcft_shift[lbl - 1];
  for (int b = 0; b < fcft->n_primaries; ++b) {
    double xRe, xIm;
    SM_getFixedPointResolutionMatrix(fcft, row[a], b, &xRe, &xIm, shift);
    if (CZeroCheck(xRe, xIm)) continue;
    double yRe, yIm;
    SM_getFixedPointResolutionMatrix(fcft, row[conjugate], b, &yRe, &yIm, shift);
    double rRe, rIm;
    complexRatio(&rRe, &rIm, xRe, xIm, yRe, -yIm);
    const double eta = getPhase(rRe, rIm) / (2.0 * M_PI);
    for (int d = 1; d <= 144; ++d) {
      const double scaled = eta * d;
      if (std::fabs(scaled - roundHalfAway(scaled)) > kTolerance) continue;
      Rat value{static_cast<long long>(roundHalfAway(scaled)), d};
      simplifyRat(&value);
      RatToFrac(&value);
      return value;
    }
    Alert("SM_getGenericEta", 4, 212404, "Number %30.20f could not be converted to rational", eta);
    return none;
  }
  Alert("SM_getGenericEta", 5, 212404, "Row %d of FCFT S matrix vanishes", row[a]);
  return none;
}

Rat SM_getEta(SpectrumData* sd, int a, int J) {
  const int lbl = SM_getFCFTlbl(sd, J);
  if (lbl < 1) return Rat{0, 1};
  if (sd->type == kStoreTypeSpecialN2 || sd->type == kStoreTypeTensor || sd->type == kStoreTypeTensorFCFT)
    return SM_getGenericEta(sd, a, lbl);
  Rat value{floorMod(-static_cast<long long>(sd->fcft_shift[lbl - 1]), 4), 4};
  simplifyRat(&value);
  return value;
}

int SM_getInducedCurrent(SpectrumData* sd, int J, int lbl) {
  if (lbl == 0) return J;
  const int f = SM_getFixedPoint(sd, lbl, 0);
  if (f < 0) return -1;
  const int image = SM_SimpleAction(sd, J, f);
  if (image < 0) return -1;
  return sd->fcft_labels[static_cast<std::size_t>(lbl - 1) * sd->n_primaries + image];
}
