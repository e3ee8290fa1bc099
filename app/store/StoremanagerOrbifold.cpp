// The Z2 permutation orbifold of two copies of a stored theory (the mother, m fields):
// a record of type 18 whose fields are labelled (i, x, kind):
//   kind 0, diagonal (i, psi, 0): the symmetric (psi 0) and antisymmetric (psi 1) square of
//           mother field i; 2m fields;
//   kind 1, off-diagonal (j, i, 1), j < i: the pair of two different mother fields;
//           m(m-1)/2 fields;
//   kind 2, twisted (i, psi, 2): the twist field of mother field i and its excitation;
//           2m fields.
// Weights are exact on the common denominator lcm(2 d, 48 den(c)) of the mother's weight
// denominator d and central charge c; c itself must be known exactly. S follows the
// Borisov-Halpern-Schweigert formulas from S, S^J and P of the mother, and so does S^J of
// the orbifold's fixed-point theories (type 19). Characters, when the mother's character
// file exists, follow from the mother's characters. Records are found again only when
// their base is the very same mother record.
#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <complex>
#include <string>
#include <vector>

#include "collections/VectorUtility.h"
#include "groups/Discrete.h"
#include "numbers/LargeInteger.h"
#include "numbers/MathUtility.h"
#include "runtime/Error.h"
#include "runtime/Output.h"
#include "runtime/StringUtility.h"
#include "runtime/SystemUtility.h"
#include "store/Storemanager.h"
#include "store/StoremanagerInternal.h"
#include "store/StoremanagerQueries.h"
#include "store/StoremanagerQueriesInternal.h"

namespace {

constexpr int kDiagonal = 0;
constexpr int kOffDiagonal = 1;
constexpr int kTwisted = 2;
// The first argument of SM_computeGenericPermutation_S that starts collecting the currents
// its S elements use, and the one that prints them and stops.
constexpr int kStartCurrentTrace = -10;
constexpr int kPrintCurrentTrace = -11;
// Dimensions at or beyond this are kept as large integers.
constexpr long long kSmallDimensionLimit = 1000000000LL;

bool lieType(const SpectrumData* sd) {
  return sd->type >= 1 && sd->type <= 5;
}

// A dimension handle of the record encoding (a value >= 0 or a large-integer handle) as a
// large integer.
lint dimensionValue(int handle) {
  lint scratch;
  const lint* value = makeOrRetrieveLint(handle, &scratch);
  lint out;
  lint_copy(&out, value);
  return out;
}

bool knownDimension(int handle) {
  return handle != kStoreNotComputed;
}

std::complex<double> motherS(SpectrumData* M, int a, int b) {
  double re = 0.0, im = 0.0;
  SM_getS(M, a, b, &re, &im);
  return {re, im};
}

std::complex<double> motherSJ(SpectrumData* M, int J, int a, int b) {
  double re = 0.0, im = 0.0;
  SM_getFCFT_Smatrix(M, J, a, b, &re, &im);
  return {re, im};
}

std::complex<double> motherP(SpectrumData* M, int a, int b) {
  double re = 0.0, im = 0.0;
  SM_getP(M, a, b, &re, &im);
  return {re, im};
}

std::complex<double> phaseOf(double turns) {
  return {std::cos(2.0 * M_PI * turns), std::sin(2.0 * M_PI * turns)};
}

// Checked long long to int; false when it does not fit.
bool fitsInt(long long x) {
  return x >= INT_MIN && x <= INT_MAX;
}

}  // namespace

// ---------------------------------------------------------------------------------------
// Exact central charge and dimension arithmetic

bool SM_exactCentralCharge(const SpectrumData* sd, Rat* c) {
  // Affine Lie algebras: c = k dim(g) / (k + g^v), exactly.
  if (lieType(sd) && sd->adjoint_dim > 0 && sd->dual_coxeter > 0 && sd->level > 0) {
    Rat exact{static_cast<long long>(sd->level) * sd->adjoint_dim,
              static_cast<long long>(sd->level) + sd->dual_coxeter};
    simplifyRat(&exact);
    if (std::fabs(static_cast<double>(exact.num) / static_cast<double>(exact.den) - sd->c) < 1e-7) {
      *c = exact;
      return true;
    }
  }
  // Otherwise c/24 shares the denominator of the exponents h - c/24 of T, which the
  // exact weights bound: c must be a multiple of 1/(24 weight_den).
  if (sd->weight_den <= 0 || sd->weight_den > INT_MAX / 24) return false;
  const long long den = 24LL * sd->weight_den;
  const double scaled = sd->c * static_cast<double>(den);
  const double nearest = std::round(scaled);
  if (std::fabs(scaled - nearest) > 1e-7 * std::max(1.0, std::fabs(scaled)) ||
      std::fabs(nearest) > 1e15)
    return false;
  Rat exact{static_cast<long long>(nearest), den};
  simplifyRat(&exact);
  *c = exact;
  return true;
}

int TensorProductDimension(int d, int sign) {
  if (d >= 0) {
    const long long value = (static_cast<long long>(d) * d + static_cast<long long>(sign) * d) / 2;
    if (value < kSmallDimensionLimit) return static_cast<int>(value);
  }
  lint x = dimensionValue(d);
  lint y;
  lint_copy(&y, &x);
  lint_intadd(&y, sign);
  lint_multiply(&x, &y);
  lint_intdivide(&x, 2);
  return storePositiveLint(&x);
}

int DimensionMultiplication(int d1, int d2) {
  if (d1 == 0 || d2 == 0) return 0;
  if (d1 > 0 && d2 > 0) {
    const long long product = static_cast<long long>(d1) * d2;
    if (product < kSmallDimensionLimit) return static_cast<int>(product);
  }
  lint x = dimensionValue(d1);
  const lint y = dimensionValue(d2);
  lint_multiply(&x, &y);
  return storePositiveLint(&x);
}

// ---------------------------------------------------------------------------------------
// The record

namespace {

struct OrbifoldWeights {
  long long D = 1;
  std::vector<long long> numerators;
  std::vector<int> exact;
  std::vector<int> dims;
  std::vector<int> labels;
};

// Fields, weights (over D), exact flags and dimensions in the order of the record.
bool buildFields(SpectrumData* M, const Rat& c, OrbifoldWeights& out) {
  const int m = M->n_primaries;
  const long long d = M->weight_den;
  long long D = 0;
  if (__builtin_mul_overflow(48LL, c.den, &D)) return false;
  D = SCM(2 * d, D);
  if (D <= 0 || D > INT_MAX) return false;
  out.D = D;
  const bool haveDims = SM_initDimensions(M) == 1 && M->dims != nullptr;
  auto dimOf = [&](int i) { return haveDims ? M->dims[i] : kStoreNotComputed; };
  auto add = [&](int x0, int x1, int x2, long long numerator, int exact, int dim) {
    out.labels.insert(out.labels.end(), {x0, x1, x2});
    out.numerators.push_back(numerator);
    out.exact.push_back(exact);
    out.dims.push_back(dim);
  };
  const long long unit = D / d;
  for (int i = 0; i < m; ++i) {
    const long long w = M->weight_num[i];
    const int di = dimOf(i);
    for (int psi = 0; psi < 2; ++psi) {
      int dim = kStoreNotComputed;
      if (knownDimension(di)) {
        dim = TensorProductDimension(di, psi == 0 ? 1 : -1);
        if (dim == 0) dim = kStoreNotComputed;
      }
      long long numerator = 2 * w * unit;
      int exact = psi == 0 || knownDimension(dim) ? 1 : 0;
      if (i == 0 && psi == 1 && M->adjoint_dim != 0) {
        // The antisymmetric vacuum of a current algebra: the currents J^a(-1) x 1 - 1 x J^a(-1).
        numerator = D;
        dim = M->adjoint_dim;
        exact = 1;
      }
      add(i, psi, kDiagonal, numerator, exact, dim);
    }
  }
  for (int i = 1; i < m; ++i) {
    for (int j = 0; j < i; ++j) {
      const int di = dimOf(i), dj = dimOf(j);
      const int dim = knownDimension(di) && knownDimension(dj) ? DimensionMultiplication(dj, di)
                                                               : kStoreNotComputed;
      add(j, i, kOffDiagonal, (M->weight_num[i] + M->weight_num[j]) * unit, 1, dim);
    }
  }
  const long long twistShift = c.num * (D / (16 * c.den));
  for (int i = 0; i < m; ++i) {
    const long long base = M->weight_num[i] * (D / (2 * d)) + twistShift;
    add(i, 0, kTwisted, base, 1, dimOf(i));
    add(i, 1, kTwisted, base + D / 2, 0, kStoreNotComputed);
  }
  return true;
}

// The fixed-point theories of the orbifold: for each fixed-point current the fields it
// fixes, numbered in field order.
void makeFixedPointTheories(SpectrumData* p) {
  SM_allocFieldInfo_FCFT(p);
  if (p->n_fp_currents < 1 || p->fcft == nullptr || p->fcft_labels == nullptr) return;
  const int n = p->n_primaries;
  for (int i = 0; i < p->n_fp_currents; ++i) {
    const int J = p->fp_currents[i];
    p->fcft_shift[i] = 0;
    int* row = p->fcft_labels + static_cast<std::size_t>(i) * static_cast<std::size_t>(n);
    int count = 0;
    for (int a = 0; a < n; ++a) row[a] = SM_SimpleAction(p, J, a) == a ? count++ : -1;
    const std::string name = formatText("%s_%d", p->name, i);
    SpectrumData* f = SM_createFCFT(name.c_str(), p, row, count);
    if (f == nullptr) continue;
    f->base = p;
    f->use_orbits = 1;
    f->s_available = 1;
    f->parent_current = J;
    f->parent_current_rep = SM_allocInts(f, 3, "Parent current");
    if (f->parent_current_rep != nullptr)
      std::copy(storeLabelOf(p, J), storeLabelOf(p, J) + 3, f->parent_current_rep);
    p->fcft[i] = f;
  }
}

}  // namespace

SpectrumData* SM_getPermutationOrbifold(SpectrumData* sd, int order, const char* name) {
  StoremanagerState& state = storeState();
  if (order != 2) {
    Alert("SM_getPermutationOrbifold", 0, 112311,
          "Permutations of order > 2 are not (yet) built in");
    return nullptr;
  }
  // Keyed on the mother record itself: theories made from tensor products all have rank
  // and level 0, so type, rank and level would not tell them apart.
  for (SpectrumData* p = SM_getFirstAlgebra(); p != nullptr; p = p->next) {
    if (p->type == kStoreTypePermutation && p->rank == 0 && p->level == 0 && p->perm_order == 2 &&
        p->base == sd) {
      state.currentPointer = p;
      return p;
    }
  }
  if (sd->weight_num == nullptr || sd->weight_den <= 0 || sd->n_primaries < 1) {
    Alert("SM_getPermutationOrbifold", 1, 100202,
          "Permutations for this algebra are not available");
    return nullptr;
  }
  Rat c;
  if (!SM_exactCentralCharge(sd, &c)) {
    Alert("SM_getPermutationOrbifold", 2, 100202,
          "The central charge of %s is not known exactly; no permutation orbifold", sd->name);
    return nullptr;
  }
  const std::string text = name != nullptr ? std::string(name) : std::string(sd->name) + "_perm";
  if (SM_findCFT(text.c_str()) != nullptr) {
    Alert("SM_getPermutationOrbifold", 3, 100202, "Name %s is already in use", text.c_str());
    return nullptr;
  }
  OrbifoldWeights fields;
  const long long m = sd->n_primaries;
  const long long n = m * (m - 1) / 2 + 4 * m;
  if (n > INT_MAX / 3 || !buildFields(sd, c, fields)) {
    Alert("SM_getPermutationOrbifold", 4, 100202, "The permutation orbifold of %s is too large",
          sd->name);
    return nullptr;
  }
  long long common = fields.D;
  for (long long w : fields.numerators) common = GCD(common, w);
  if (common == 0) common = 1;
  for (long long& w : fields.numerators) {
    w /= common;
    if (!fitsInt(w)) {
      Alert("SM_getPermutationOrbifold", 4, 100202, "The permutation orbifold of %s is too large",
            sd->name);
      return nullptr;
    }
  }

  SpectrumData* p = allocateSpectrumData(text.c_str());
  // Its build polls Ctrl-C: left before it is complete (a stop, a refusal), the record is
  // taken off the chain again, so that no half-made orbifold is found later.
  RecordInTheMaking guard{p};
  p->type = kStoreTypePermutation;
  p->rank = 0;
  p->level = 0;
  p->perm_order = 2;
  p->validity = sd->validity;
  p->base = sd;
  p->c = 2.0 * sd->c;
  p->adjoint_dim = sd->adjoint_dim;
  p->rep_size = 3;
  p->n_primaries = static_cast<int>(n);
  p->scgroup = DG_trivial();
  p->weight_den = static_cast<int>(fields.D / common);
  p->weights_exact = 0;
  SM_allocFieldInfo_Dynkin(p);
  SM_allocFieldInfo_Weights(p);
  SM_allocFieldInfo_Dims(p);
  if (p->labels == nullptr || p->weight_num == nullptr || p->dims == nullptr) return nullptr;
  std::copy(fields.labels.begin(), fields.labels.end(), p->labels);
  for (int a = 0; a < p->n_primaries; ++a) {
    p->weight_num[a] = static_cast<int>(fields.numerators[static_cast<std::size_t>(a)]);
    p->exact[a] = fields.exact[static_cast<std::size_t>(a)];
    p->dims[a] = fields.dims[static_cast<std::size_t>(a)];
  }

  p->use_orbits = 0;
  const IntList* currents = DetermineSimpleCurrentMap(p, 1000, p->n_primaries, SM_getS_accessor);
  const IntList listed = *currents;
  SM_genericReorder(p, &listed, nullptr, nullptr, p);
  SM_initConjugates(p);
  makeFixedPointTheories(p);

  std::string file = SM_setCharacterFileName(sd);
  if (!file.empty() && checkDir(file.c_str()) == 1) {
    SM_loadCharacters(sd);
    if (sd->chars_loaded == 1) SM_computePermutationCharacters(p, sd);
  }
  state.currentPointer = p;
  guard.made = true;
  return p;
}

// ---------------------------------------------------------------------------------------
// S of the orbifold and S^J of its fixed-point theories

void SM_computeGenericPermutation_S(SpectrumData* sd, int a, int b, double* re, double* im) {
  *re = 0.0;
  *im = 0.0;
  StoremanagerState& state = storeState();
  if (a == kStartCurrentTrace) {
    state.permutationTrace = true;
    state.permutationCurrents.clear();
    return;
  }
  if (a == kPrintCurrentTrace) {
    Print("-----\n");
    for (const auto& row : state.permutationCurrents) PrintVec(4, row.data(), "");
    Print("-----\n");
    state.permutationTrace = false;
    state.permutationCurrents.clear();
    return;
  }
  if (SM_get_S_CALL_TRACE())
    PrintStdout("SM_computeGenericPermutation_S for algebra %s, type=%d\n", sd->name, sd->type);
  SpectrumData* orbifold = sd->type == kStoreTypePermutationFCFT ? sd->base : sd;
  if (orbifold == nullptr || orbifold->base == nullptr || sd->labels == nullptr ||
      (sd->type == kStoreTypePermutationFCFT && sd->parent_current_rep == nullptr)) {
    Alert("SM_computeGenericPermutation_S", 0, 212404, "Unexpected NULL pointer");
    return;
  }
  if (!storeIsField(sd, a) || !storeIsField(sd, b)) {
    Alert("SM_computeGenericPermutation_S", 1, 212404, "Primary out of range");
    return;
  }
  SpectrumData* M = orbifold->base;
  int J = 0;
  int psiJ = 0;
  if (sd->type == kStoreTypePermutationFCFT) {
    J = sd->parent_current_rep[0];
    psiJ = sd->parent_current_rep[1];
  }
  Rat hJ;
  SM_getRatWeight(M, J, &hJ);
  const double h = static_cast<double>(hJ.num) / static_cast<double>(hJ.den);
  std::complex<double> t = phaseOf(h / 2.0);
  std::complex<double> t3 = phaseOf(1.5 * h);
  if (state.permutationTrace) {
    const std::array<int, 4> row{sd->type, M->type, J, psiJ};
    auto& rows = state.permutationCurrents;
    if (std::find(rows.begin(), rows.end(), row) == rows.end()) rows.push_back(row);
  }
  if (psiJ == 1) {
    t *= std::complex<double>(0.0, 1.0);
    t3 = -t3;
  }
  const int* X = storeLabelOf(sd, a);
  const int* Y = storeLabelOf(sd, b);
  if ((X[2] == kOffDiagonal && Y[2] == kDiagonal) || (X[2] == kTwisted && Y[2] != kTwisted))
    std::swap(X, Y);
  std::complex<double> S{0.0, 0.0};
  if (X[2] == kDiagonal && Y[2] == kTwisted) {
    S = motherS(M, X[0], Y[0]) * t * 0.5;
    if (X[1] == 1) S = -S;
  } else if (X[2] == kDiagonal && Y[2] == kOffDiagonal) {
    S = motherSJ(M, J, X[0], Y[0]) * motherSJ(M, J, X[0], Y[1]);
  } else if (X[2] == kDiagonal && Y[2] == kDiagonal) {
    const std::complex<double> s = motherSJ(M, J, X[0], Y[0]);
    S = s * s * 0.5;
  } else if (X[2] == kOffDiagonal && Y[2] == kTwisted) {
    if (SM_SimpleAction(M, J, X[0]) != X[0]) S = motherS(M, X[0], Y[0]) * t;
  } else if (X[2] == kOffDiagonal && Y[2] == kOffDiagonal) {
    const std::complex<double> direct = motherSJ(M, J, X[0], Y[0]) * motherSJ(M, J, X[1], Y[1]);
    const std::complex<double> crossed = motherSJ(M, J, X[0], Y[1]) * motherSJ(M, J, X[1], Y[0]);
    S = psiJ == 1 ? direct - crossed : direct + crossed;
  } else if (X[2] == kTwisted && Y[2] == kTwisted) {
    const int Ji = SM_SimpleAction(M, J, X[0]);
    if (Ji < 0) return;
    Rat Q;
    SM_ExactRatCharge(M, J, X[0], &Q);
    S = 0.5 * phaseOf(0.5 * static_cast<double>(Q.num) / static_cast<double>(Q.den)) *
        motherP(M, Ji, Y[0]) * t3;
    if ((X[1] + Y[1]) % 2 != 0) S = -S;
  } else if (X[2] == kTwisted && Y[2] == kOffDiagonal) {
    Alert("SM_computeGenericPermutation_S", 2, 212404, "Swap error");
    return;
  } else {
    PrintVec(3, X, "Di");
    PrintVec(3, Y, "Dj");
    Alert("SM_computeGenericPermutation_S", 3, 212404, "Invalid input representations");
    return;
  }
  *re = S.real();
  *im = S.imag();
}

// ---------------------------------------------------------------------------------------
// Characters

void SM_computePermutationCharacters(SpectrumData* perm, SpectrumData* mother) {
  const int K = mother->char_order;
  if (K < 1 || mother->characters == nullptr) {
    Alert("SM_computePermutationCharacters", 0, 100201, "Character order of %s is insufficient",
          mother->name);
    return;
  }
  const int n = perm->n_primaries;
  perm->char_depth = K;
  perm->char_order = K / 2;
  SM_allocFieldInfo_Chars(perm);
  if (perm->characters == nullptr) return;
  const std::size_t depth = static_cast<std::size_t>(K);
  auto chi = [&](int field, int t) -> long long {
    return mother->characters[static_cast<std::size_t>(field) *
                                  static_cast<std::size_t>(mother->char_depth) +
                              static_cast<std::size_t>(t)];
  };
  int least = K;
  for (int a = 0; a < n; ++a) {
    const int* label = storeLabelOf(perm, a);
    std::vector<long long> series(depth, 0);
    int length = K;
    if (label[2] == kDiagonal) {
      for (int t = 0; t < K; ++t) {
        long long sum = 0;
        for (int u = 0; u <= t; ++u) sum += chi(label[0], u) * chi(label[0], t - u);
        if (t % 2 == 0) sum += label[1] == 0 ? chi(label[0], t / 2) : -chi(label[0], t / 2);
        series[static_cast<std::size_t>(t)] = sum / 2;
      }
    } else if (label[2] == kOffDiagonal) {
      for (int t = 0; t < K; ++t) {
        long long sum = 0;
        for (int u = 0; u <= t; ++u) sum += chi(label[0], u) * chi(label[1], t - u);
        series[static_cast<std::size_t>(t)] = sum;
      }
    } else {
      length = K / 2;
      for (int t = 0; t < length && 2 * t + label[1] < K; ++t)
        series[static_cast<std::size_t>(t)] = chi(label[0], 2 * t + label[1]);
    }
    int shift = 0;
    while (shift < length && series[static_cast<std::size_t>(shift)] == 0) ++shift;
    int* row = perm->characters + static_cast<std::size_t>(a) * depth;
    for (int t = shift; t < length; ++t) {
      const long long value = series[static_cast<std::size_t>(t)];
      row[t - shift] = fitsInt(value) ? static_cast<int>(value) : 0;
    }
    least = std::min(least, length - shift);
    const int dim = perm->dims == nullptr ? kStoreNotComputed : perm->dims[a];
    if (shift < length && knownDimension(dim) && dim >= 0 && dim != row[0])
      Alert("SM_computePermutationCharacters", 1, 100201,
            "Dimension mismatch for field %d (%d vs %d)", a, dim, row[0]);
    if (perm->exact[a] == 0 || !knownDimension(dim)) {
      perm->weight_num[a] += shift * perm->weight_den;
      perm->exact[a] = 1;
    }
    if (!knownDimension(dim) && perm->dims != nullptr && shift < length) perm->dims[a] = row[0];
  }
  perm->char_order = least;
  perm->weights_exact = 1;
  perm->chars_loaded = 1;
}
