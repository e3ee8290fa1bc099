// The theories the store builds itself: the c=1 orbifold (type 7), the N=2 minimal
// model (type 27) with its fixed-point theory (type 26), the complement of a theory
// (type 8) and the S matrix of the Ising model; and the grading of a theory by a current
// of order 2.
//
// c=1 orbifold with parameter N: labels (t, x), weights over 16N; its simple currents
// are the four fields (0, x) and its order comes from the S-row reordering of the core.
// N=2 minimal model at level k: labels (l, m, s) in standard form (m in (-(k+2), k+2],
// s in {-1, 0, 1, 2}), weights over 8(k+2), current group Z_4(k+2) (k odd) or
// Z_2(k+2) x Z_2 (k even, element (i, e) at index i + 2(k+2) e). The fields are laid out
// by orbits directly: orbit l starts at its first field and lists the fields J x first
// for the currents J in increasing index (skipping the second member of each coset of
// the stabiliser on the fixed orbit), so a current acts on a non-fixed field by adding
// element indices. The model holds per field its labels, weight, dimension, conjugate,
// orbit base and position, stabiliser, FCFT label, grade and grade partner; its orbit
// numbers, charges, gravitino action and U(1) charges follow from those in a few
// operations and are computed where asked (SM_getChargeRow and its neighbours). A
// complement shares labels and conjugates with its base and negates every weight. All
// blocks belong to the record they are made for.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <numeric>
#include <string>
#include <utility>
#include <vector>

#include "collections/VectorUtility.h"
#include "groups/Discrete.h"
#include "lie/LieAlgebra.h"
#include "runtime/Error.h"
#include "runtime/Output.h"
#include "runtime/StringUtility.h"
#include "runtime/SystemUtility.h"
#include "runtime/Terminal.h"
#include "store/StoremanagerInternal.h"
#include "store/StoremanagerQueries.h"
#include "store/StoremanagerQueriesInternal.h"

namespace {

constexpr int kMinimalCharacterLimit = 500;
// Generators of an N=2 minimal model's group (one or two): room for a computed charge row.
constexpr std::size_t kMaxChargeRow = 2;

long long floorMod(long long x, long long m) {
  long long r = x % m;
  return r < 0 ? r + m : r;
}

// floorMod for the x within one modulus of [0, m) that label arithmetic meets, without a
// division there (m > 0).
long long nearMod(long long x, long long m) {
  if (x >= 0 && x < m) return x;
  if (x < 0 && x >= -m) return x + m;
  if (x >= m && x < 2 * m) return x - m;
  return floorMod(x, m);
}

// The monodromy charge Q_J(a) of SM_getRatCharge for every field a of a record, as an
// integer numerator over the lcm of the group's orders, where SM_getRatCharge sums the
// stored charges (not for current 1 of an N=2 minimal model, which it reads from labels).
class ChargeSum {
 public:
  ChargeSum(const SpectrumData* sd, int J) : sd_(sd) {
    const DGType* dg = sd->scgroup;
    if (sd->type == kStoreTypeMinimalN2 && J == 1 && sd->labels != nullptr) return;
    if (dg == nullptr || dg->order == 1 || J < 0 || J >= dg->order || !SM_hasCharges(sd)) return;
    const int* e = DG_DecodeChargeCode(dg, J);
    if (e == nullptr) return;
    long long L = 1;
    for (int i = 0; i < dg->nfactors; ++i) {
      L = L / std::gcd(L, static_cast<long long>(dg->factors[i])) * dg->factors[i];
      if (L > (1LL << 30)) return;
    }
    for (int i = 0; i < dg->nfactors; ++i)
      if (e[i] < 0 || e[i] >= dg->factors[i]) return;
    for (int i = 0; i < dg->nfactors; ++i) weights_.push_back(static_cast<long long>(e[i]) * (L / dg->factors[i]));
    denominator_ = L;
  }
  bool integral() const { return denominator_ > 0; }
  long long denominator() const { return denominator_; }
  // N with Q_J(a) = N / denominator(), 0 <= N < denominator().
  long long numerator(int a) const {
    const std::size_t g = weights_.size();
    int scratch[kMaxChargeRow];
    const int* q = g <= kMaxChargeRow ? SM_getChargeRow(sd_, a, scratch) : sd_->charges + static_cast<std::size_t>(a) * g;
    // A stored charge times a weight below 2^30 is below 2^61 in size: up to three such
    // terms are summed in 64 bits, more in 128.
    if (g <= 3) {
      long long sum = 0;
      for (std::size_t i = 0; i < g; ++i) sum += static_cast<long long>(q[i]) * weights_[i];
      return floorMod(sum, denominator_);
    }
    __int128 sum = 0;
    for (std::size_t i = 0; i < g; ++i) sum += static_cast<__int128>(q[i]) * weights_[i];
    const __int128 r = sum % denominator_;
    return static_cast<long long>(r < 0 ? r + denominator_ : r);
  }

 private:
  const SpectrumData* sd_;
  std::vector<long long> weights_;
  long long denominator_ = 0;
};

bool minimalComputed(const SpectrumData* sd);

// ChargeSum and the orbit-numbering action of one current J on a computed N=2 minimal
// model, as tables over the 4(k+2) orbit positions. A field's charge row is that of its
// orbit's first field plus that of the current at its position, and the first fields'
// rows depend on the orbit's parity alone (SM_getChargeRow), so the numerator of field a
// is position[orbit position] + (odd orbit ? first field of orbit 1 : 0) modulo the
// denominator (each weight times its order is a multiple of the denominator). J x a is
// the orbit base plus the product of J with the orbit position, -1 on the fixed orbit.
class MinimalGradeTables {
 public:
  MinimalGradeTables(const SpectrumData* sd, int J, const ChargeSum& charge, const MinimalActionKernel& kernel,
                     bool minimalRoute)
      : sd_(sd), charge_(charge), kernel_(kernel) {
    if (!minimalComputed(sd) || !charge.integral() || !minimalRoute || !kernel.usable()) return;
    order_ = 2 * kernel.modulus;
    const int n = sd->n_primaries;
    if (n < order_ || J < 0 || J >= order_) return;
    denominator_ = charge.denominator();
    positionNumerator_.resize(static_cast<std::size_t>(order_));
    product_.resize(static_cast<std::size_t>(order_));
    // Field e < 4(k+2) is the current e on the vacuum orbit.
    for (int e = 0; e < order_; ++e) {
      if (sd->orbit_position[e] != e || sd->orbit_base[e] != 0) return;
      positionNumerator_[static_cast<std::size_t>(e)] = charge.numerator(e);
      product_[static_cast<std::size_t>(e)] = kernel.product(J, e);
    }
    oddFirstNumerator_ = n > order_ ? charge.numerator(order_) : 0;
    usable_ = true;
  }
  bool usable() const { return usable_; }
  long long numerator(int a) const {
    const int position = sd_->orbit_position[a];
    if (position < 0 || position >= order_) return charge_.numerator(a);
    const int base = sd_->orbit_base[a];
    if (base != lastBase_) {
      lastBase_ = base;
      lastOdd_ = (base / order_) % 2 == 1;
    }
    long long N = positionNumerator_[static_cast<std::size_t>(position)] + (lastOdd_ ? oddFirstNumerator_ : 0);
    return N >= denominator_ ? N - denominator_ : N;
  }
  int partner(int a) const {
    const int position = sd_->orbit_position[a];
    if (position < 0 || position >= order_ || kernel_.onFixedOrbit(a)) return -1;
    const int field = sd_->orbit_base[a] + product_[static_cast<std::size_t>(position)];
    return field < sd_->n_primaries ? field : -1;
  }

 private:
  const SpectrumData* sd_;
  const ChargeSum& charge_;
  const MinimalActionKernel& kernel_;
  bool usable_ = false;
  int order_ = 0;
  long long denominator_ = 1;
  long long oddFirstNumerator_ = 0;
  std::vector<long long> positionNumerator_;
  std::vector<int> product_;
  mutable int lastBase_ = -1;
  mutable bool lastOdd_ = false;
};

void setLabel(SpectrumData* sd, int a, int l, int m, int s) {
  int* label = storeLabelOf(sd, a);
  label[0] = l;
  label[1] = m;
  label[2] = s;
}

// Weight numerator of the N=2 label (l, m, s) over 8(k+2).
int minimalWeight(int k, int l, int m, int s) {
  const long long K = k + 2;
  long long w = 2LL * l * (l + 2) - 2LL * m * m + static_cast<long long>(s) * s * K;
  if ((s == 1 || s == -1) && static_cast<long long>(s) * m == -(l + 1)) w += 8 * K;
  if (l == 0 && m == 0 && s == 2) w += 8 * K;
  return static_cast<int>(w);
}

int minimalDimension(int k, int l, int m, int s) {
  if (s == 2 && std::abs(m) != l) return 2;
  if (l == 0 && m == 0 && s == 2) return 2;
  if (s == -1 && l != 0 && l != k && m == l + 1) return 2;
  return 1;
}

// One key per standard-form label (l, m, s) of level k: l in 0..k, m in (-(k+2), k+2],
// s in {-1, 0, 1, 2}.
long long minimalLabelKey(int k, const int* label) {
  const long long twiceK = 2LL * (k + 2);
  return (static_cast<long long>(label[0]) * twiceK + (label[1] + k + 1)) * 4 + (label[2] + 1);
}

// The set-up of a large minimal model is a few passes over its fields: a progress line at
// a terminal, and the stop signal (a Ctrl-C ends the command through the progress record;
// a declined question or a pending stop ends the build, which then returns -1).
// Models below kMinimalProgressFields fields (levels below 706) take well under a second and
// show no progress record.
constexpr int kMinimalProgressFields = 1000000;

// The stop signal and the progress line are consulted once every kMinimalProgressBurst
// fields (the first included), not per field.
constexpr unsigned kMinimalProgressBurst = 4096;

struct MinimalProgress {
  bool shown = false;
  bool stopped = false;
  unsigned count = 0;
  bool step() {
    if (stopped) return false;
    if (count++ % kMinimalProgressBurst != 0) return true;
    if (getStopSignal() != 0 || (shown && advanceProgressInfo(count == 1 ? 1 : kMinimalProgressBurst) != 0))
      stopped = true;
    return !stopped;
  }
};

// Conjugates orbit by orbit: the conjugate label (l, -m, -s) of a field lies in its own
// orbit, found through a table of the orbit's labels (the first field of the orbit with
// that label, as the search from the orbit's start finds it). The labels of an orbit
// share their l up to l -> k - l, so the table is indexed by (which l, m, s) directly. A
// label the orbit does not hold goes to SM_MinimalConjugate, which searches on and
// reports.
bool minimalConjugates(SpectrumData* sd, MinimalProgress& progress) {
  const int n = sd->n_primaries;
  const int k = sd->level;
  const int twiceK = 2 * (k + 2);
  std::vector<int> table(static_cast<std::size_t>(2) * twiceK * 4, -1);
  auto slot = [&](int l0, const int* label) -> int {
    const int side = label[0] == l0 ? 0 : label[0] == k - l0 ? 1 : -1;
    const int m = label[1] + k + 1;
    const int s = label[2] + 1;
    if (side < 0 || m < 0 || m >= twiceK || s < 0 || s >= 4) return -1;
    return (side * twiceK + m) * 4 + s;
  };
  for (int first = 0; first < n;) {
    int end = first + 1;
    while (end < n && sd->orbit_base[end] == sd->orbit_base[first]) ++end;
    const int l0 = storeLabelOf(sd, first)[0];
    bool direct = true;
    for (int a = first; a < end && direct; ++a) {
      const int index = slot(l0, storeLabelOf(sd, a));
      if (index < 0) {
        direct = false;
      } else if (table[static_cast<std::size_t>(index)] < 0) {
        table[static_cast<std::size_t>(index)] = a;
      }
    }
    std::vector<std::pair<long long, int>> sorted;
    if (!direct) {
      for (int a = first; a < end; ++a) sorted.emplace_back(minimalLabelKey(k, storeLabelOf(sd, a)), a);
      std::sort(sorted.begin(), sorted.end());
    }
    for (int a = first; a < end; ++a) {
      if (!progress.step()) return false;
      const int* label = storeLabelOf(sd, a);
      int conjugate[3] = {label[0], -label[1], -label[2]};
      SM_mapMinimal2(k, &conjugate[0], &conjugate[1], &conjugate[2]);
      int found = -1;
      if (direct) {
        const int index = slot(l0, conjugate);
        if (index >= 0) found = table[static_cast<std::size_t>(index)];
      } else {
        const std::pair<long long, int> wanted{minimalLabelKey(k, conjugate), -1};
        auto it = std::lower_bound(sorted.begin(), sorted.end(), wanted);
        if (it != sorted.end() && it->first == wanted.first) found = it->second;
      }
      sd->conjugates[a] = found >= 0 ? found : SM_MinimalConjugate(sd, a);
    }
    if (direct) {
      for (int a = first; a < end; ++a) table[static_cast<std::size_t>(slot(l0, storeLabelOf(sd, a)))] = -1;
    }
    first = end;
  }
  return true;
}

}  // namespace

// ---------------------------------------------------------------------------------------
// The c=1 orbifold

int SM_OrbifoldWeight(const int* label, int N) {
  const long long n = N;
  const int t = label[0];
  const long long x = label[1];
  switch (t) {
    case 0:
      if (x == 0) return 0;
      if (x == 1 || x == 3) return static_cast<int>(4 * n * n);
      if (x == 2) return static_cast<int>(16 * n);
      return -1;
    case 1: return static_cast<int>(4 * x * x);
    case 2: return static_cast<int>(n);
    case 3: return static_cast<int>(9 * n);
    default: return -1;
  }
}

int SM_orbifold_spectrum(SpectrumData* sd, int N) {
  if (N < 1 || N > kLargestOrbifold) {
    Alert("SM_orbifold_spectrum", 0, 112315, "Invalid input data");
    return -1;
  }
  const int n = N + 7;
  sd->rep_size = 2;
  sd->n_primaries = n;
  sd->type = kStoreTypeOrbifold;
  sd->rank = N;
  sd->level = 0;
  SM_allocFieldInfo_Dynkin(sd);
  SM_allocFieldInfo_Weights(sd);
  SM_allocFieldInfo_Dims(sd);
  if (sd->labels == nullptr || sd->weight_num == nullptr || sd->dims == nullptr) return -1;
  int a = 0;
  for (int x = 0; x < 4; ++x) {
    storeLabelOf(sd, a)[0] = 0;
    storeLabelOf(sd, a++)[1] = x;
  }
  for (int x = 1; x < N; ++x) {
    storeLabelOf(sd, a)[0] = 1;
    storeLabelOf(sd, a++)[1] = x;
  }
  const int twisted[4][2] = {{2, 1}, {3, 1}, {2, 2}, {3, 2}};
  for (const auto& label : twisted) {
    storeLabelOf(sd, a)[0] = label[0];
    storeLabelOf(sd, a++)[1] = label[1];
  }
  sd->weight_den = 16 * N;
  sd->complex = N % 2;
  sd->c = 1.0;
  for (int f = 0; f < n; ++f) {
    sd->weight_num[f] = SM_OrbifoldWeight(storeLabelOf(sd, f), N);
    sd->exact[f] = 1;
    sd->dims[f] = 1;
  }
  sd->weights_exact = 1;

  IntList currents;
  initList(&currents, 4);
  for (int f = 0; f < 4; ++f) addToList(&currents, f);
  SM_genericReorder(sd, &currents, nullptr, nullptr, nullptr);

  SM_allocFieldInfo_Conjugates(sd);
  if (sd->conjugates == nullptr) return -1;
  for (int f = 0; f < n; ++f) sd->conjugates[f] = SM_OrbifoldConjugate(sd, f);

  AccountVector<int> fixed = FixedCurrents(4, N, 2, &sd->alloc);
  sd->n_fp_currents = static_cast<int>(fixed.size());
  sd->fp_currents = SM_allocInts(sd, fixed.size(), "Fixed point currents");
  if (sd->fp_currents != nullptr) std::copy(fixed.begin(), fixed.end(), sd->fp_currents);
  return 0;
}

int SM_OrbifoldConjugate(const SpectrumData* sd, int a) {
  const int N = sd->rank;
  if (!storeIsField(sd, a)) return -1;
  if (N % 2 == 0) return a;
  if (a == 1) return 3;
  if (a == 3) return 1;
  if (a <= N + 2) return a;
  const int position = a - (N + 3);
  static const int kOneModFour[4] = {1, 0, 3, 2};
  static const int kThreeModFour[4] = {3, 2, 1, 0};
  return N + 3 + (N % 4 == 1 ? kOneModFour[position] : kThreeModFour[position]);
}

void ComputeOrbifoldS(int N, const int* la, const int* lb, double* re, double* im) {
  *re = 0.0;
  *im = 0.0;
  if (SM_get_S_CALL_TRACE()) PrintStdout("ComputeOrbifoldS for orbifold %d\n", N);
  if (N < 1) return;
  const double s = 1.0 / std::sqrt(8.0 * N);
  const double r = 1.0 / (2.0 * std::sqrt(2.0));
  const int ta = la[0], xa = la[1], tb = lb[0], xb = lb[1];
  auto sign = [](long long e) { return e % 2 == 0 ? 1.0 : -1.0; };
  const bool twistedA = ta == 2 || ta == 3;
  const bool twistedB = tb == 2 || tb == 3;
  // Untwisted (0, x) against twisted (t, y) (either order): real for even N, else
  // imaginary.
  auto untwistedTwisted = [&](int x, int y) {
    if (x == 0) {
      *re = r;
    } else if (x == 2) {
      *re = -r;
    } else {
      const double value = sign(y + (x + 1) / 2) * r;
      if (N % 2 == 0) {
        *re = value;
      } else {
        *im = value;
      }
    }
  };
  if (ta == 1 && tb == 1) {
    *re = 4.0 * s * std::cos(M_PI * static_cast<double>(xa) * xb / N);
  } else if (ta == 1 && tb == 0) {
    *re = xb % 2 == 0 ? 2.0 * s : 2.0 * s * sign(xa);
  } else if (ta == 0 && tb == 1) {
    *re = xa % 2 == 0 ? 2.0 * s : 2.0 * s * sign(xb);
  } else if (ta == 0 && tb == 0) {
    if (xa % 2 == 0 || xb % 2 == 0) {
      *re = s;
    } else {
      *re = s * sign(N);
    }
  } else if (ta == 0 && twistedB) {
    untwistedTwisted(xa, xb);
  } else if (twistedA && tb == 0) {
    untwistedTwisted(xb, xa);
  } else if (twistedA && twistedB) {
    const double sigma = sign(ta + tb);
    switch (N % 4) {
      case 0: *re = xa == xb ? sigma / 2.0 : 0.0; break;
      case 2: *re = xa != xb ? sigma / 2.0 : 0.0; break;
      case 1:
        *re = sigma / 4.0;
        *im = -(sigma / 4.0) * sign(xa + xb);
        break;
      default:
        *re = sigma / 4.0;
        *im = (sigma / 4.0) * sign(xa + xb);
        break;
    }
  }
}

// ---------------------------------------------------------------------------------------
// The Ising model

void SM_computeIsingS(SpectrumData* sd, int a, int b, double* re, double* im) {
  if (SM_get_S_CALL_TRACE()) PrintStdout("SM_computeIsingS for Ising Model\n");
  *re = 0.0;
  *im = 0.0;
  if (!storeIsField(sd, a) || !storeIsField(sd, b) || sd->labels == nullptr) return;
  const int la = storeLabelOf(sd, a)[0];
  const int lb = storeLabelOf(sd, b)[0];
  if (la % 2 == 0 && lb % 2 == 0) {
    *re = 0.5;
    return;
  }
  static const double kValues[3] = {M_SQRT1_2, 0.0, -M_SQRT1_2};
  const long long index = static_cast<long long>(la) * lb;
  if (index >= 0 && index <= 2) *re = kValues[index];
}

// ---------------------------------------------------------------------------------------
// The N=2 minimal model

void SM_mapMinimal2(int k, int* l, int* m, int* s) {
  const long long M = 2LL * k + 4;
  long long mm = nearMod(*m, M);
  if (mm > k + 2) mm -= M;
  long long ss = floorMod(*s, 4);
  if (std::llabs(mm) > *l + 1 || mm == -(*l + 1)) {
    mm = nearMod(mm + k + 2, M);
    if (mm > k + 2) mm -= M;
    *l = k - *l;
    ss = (ss + 2) % 4;
  }
  if (ss == 3) ss = -1;
  *m = static_cast<int>(mm);
  *s = static_cast<int>(ss);
}

void SM_minimal_simple_fusion(int* out, const int* J, const int* a, int* qout, const int* qa, const int* qJ, int k) {
  int l = J[0] != 0 ? k - a[0] : a[0];
  int m = a[1] + J[1];
  int s = a[2] + J[2];
  SM_mapMinimal2(k, &l, &m, &s);
  out[0] = l;
  out[1] = m;
  out[2] = s;
  if (qout == nullptr || qa == nullptr || qJ == nullptr) return;
  if (k % 2 != 0) {
    qout[0] = static_cast<int>(floorMod(static_cast<long long>(qa[0]) + qJ[0], 4LL * (k + 2)));
  } else {
    qout[0] = static_cast<int>(floorMod(static_cast<long long>(qa[0]) + qJ[0], 2LL * (k + 2)));
    qout[1] = static_cast<int>(floorMod(static_cast<long long>(qa[1]) + qJ[1], 2));
  }
}

int SM_minimal_spectrum(SpectrumData* sd, int k) {
  if (k < 1 || k > kLargestMinimalLevel) {
    Alert("SM_minimal_spectrum", 0, 112315, "Invalid input data");
    return -1;
  }
  const int K = k + 2;
  const bool even = k % 2 == 0;
  sd->type = kStoreTypeMinimalN2;
  sd->rank = 2;
  sd->level = k;
  sd->rep_size = 3;
  sd->c = 3.0 * k / K;
  sd->adjoint_dim = 1;
  const int order = 4 * K;
  std::vector<int> factors = even ? std::vector<int>{2 * K, 2} : std::vector<int>{order};
  DGType* dg = DG_find(factors.data(), static_cast<int>(factors.size()));
  if (dg == nullptr) return -1;
  if (k < kMinimalCharacterLimit) DG_computeCharacters(dg);
  sd->scgroup = dg;
  const int g = dg->nfactors;
  const int total = 2 * (k + 1) * K;
  sd->n_primaries = total;
  // Every field of these blocks is written below, so they are not cleared first; the
  // orbit block holds the orbit bases, positions and stabilisers (cleared: zero off the
  // fixed orbit). Orbit numbers and charges are computed (minimal_on_demand).
  const std::size_t nn = static_cast<std::size_t>(total);
  const std::size_t gg = static_cast<std::size_t>(g);
  sd->labels = SM_allocIntsForOverwrite(sd, SM_fieldArraySize(sd, total, 3), "Field labels");
  sd->weight_num = SM_allocIntsForOverwrite(sd, SM_fieldArraySize(sd, total, 2), "Dimensions");
  sd->conjugates = SM_allocIntsForOverwrite(sd, SM_fieldArraySize(sd, total, 1), "Dimensions");
  sd->dims = SM_allocIntsForOverwrite(sd, SM_fieldArraySize(sd, total, 1), "Dimensions");
  int* orbitBlock = SM_allocIntsForOverwrite(sd, SM_fieldArraySize(sd, total, 2 + g), "Orbit info");
  if (sd->labels == nullptr || sd->weight_num == nullptr || orbitBlock == nullptr || sd->dims == nullptr ||
      sd->conjugates == nullptr)
    return -1;
  sd->exact = sd->weight_num + nn;
  sd->orbit_base = orbitBlock;
  sd->orbit_position = orbitBlock + nn;
  sd->stabilizers = orbitBlock + 2 * nn;
  std::fill(sd->stabilizers, sd->stabilizers + nn * gg, 0);
  // Three passes over the fields: placement, weights, conjugates.
  MinimalProgress progress;
  progress.shown = total >= kMinimalProgressFields;
  if (progress.shown) startProgressInfo("Building N=2 minimal model", 0, 3.0 * total);
  struct ProgressEnd {
    bool shown;
    ~ProgressEnd() {
      if (shown) stopProgressInfo("Building N=2 minimal model");
    }
  } progressEnd{progress.shown};

  // The vacuum orbit: powers of the basic current (0, 1, 1), and for even k the same
  // after the second generator.
  int count = 0;
  auto placeVacuum = [&](int a, int l, int m, int s) {
    setLabel(sd, a, l, m, s);
    sd->orbit_base[a] = 0;
    sd->orbit_position[a] = a;
    ++count;
  };
  placeVacuum(0, 0, 0, 0);
  placeVacuum(1, 0, 1, 1);
  auto nextPower = [&](int a) {
    int label[3];
    SM_minimal_simple_fusion(label, storeLabelOf(sd, 1), storeLabelOf(sd, a - 1), nullptr, nullptr, nullptr, k);
    placeVacuum(a, label[0], label[1], label[2]);
  };
  const int cyclic = even ? 2 * K : order;
  for (int a = 2; a < cyclic; ++a) nextPower(a);
  if (even) {
    placeVacuum(2 * K, k % 4 == 0 ? k : 0, 0, 2);
    for (int a = 2 * K + 1; a < order; ++a) nextPower(a);
  }

  // The other orbits, one for each pair {l, k - l}.
  const int fixedCurrent = even ? ((K / 2) % 2 == 1 ? K : 3 * K) : -1;
  for (int l = 1; l <= K / 2 - 1 && count < total; ++l) {
    const int first = count;
    // The first field has m = s = 0 and an even l (l or k - l) for odd k, else
    // (l, l mod 2, 0).
    if (!even && l % 2 == 1) {
      setLabel(sd, first, k - l, 0, 0);
    } else {
      setLabel(sd, first, l, l % 2, 0);
    }
    sd->orbit_base[first] = first;
    sd->orbit_position[first] = 0;
    ++count;
    const bool fixedOrbit = even && 2 * l == k;
    for (int e = 1; e < order && count < total; ++e) {
      if (fixedOrbit && k % 4 == 0 && e >= K && e < 2 * K) continue;
      if (!progress.step()) return -1;
      const int a = count;
      int label[3];
      SM_minimal_simple_fusion(label, storeLabelOf(sd, e), storeLabelOf(sd, first), nullptr, nullptr, nullptr, k);
      setLabel(sd, a, label[0], label[1], label[2]);
      sd->orbit_base[a] = first;
      sd->orbit_position[a] = e;
      ++count;
    }
  }
  if (count != total) Alert("SM_minimal_spectrum", 1, 110402, "Count discrepancy (%d != %d)", count, total);
  sd->n_primaries = count;

  // Fixed points, weights, dimensions and conjugates.
  sd->n_fp_currents = even ? 1 : 0;
  if (even) {
    sd->fp_currents = SM_allocInts(sd, 1, "Minimal fixed currents");
    if (sd->fp_currents == nullptr) return -1;
    sd->fp_currents[0] = fixedCurrent;
    SM_allocFieldInfo_FCFT(sd);
    if (sd->fcft_labels == nullptr || sd->fcft == nullptr) return -1;
  }
  sd->weights_exact = 1;
  sd->weight_den = 8 * K;
  int nfix = 0;
  for (int a = 0; a < count; ++a) {
    if (!progress.step()) return -1;
    const int* label = storeLabelOf(sd, a);
    const int l = label[0], m = label[1], s = label[2];
    sd->exact[a] = 1;
    sd->weight_num[a] = minimalWeight(k, l, m, s);
    sd->dims[a] = minimalDimension(k, l, m, s);
    if (even) {
      if (2 * l == k) {
        sd->stabilizers[static_cast<std::size_t>(a) * gg] = fixedCurrent;
        sd->fcft_labels[a] = nfix++;
      } else {
        sd->fcft_labels[a] = -1;
      }
    }
  }
  if (!minimalConjugates(sd, progress)) return -1;

  if (even) {
    sd->fcft_shift[0] = 3 * k / 2;
    sd->fcft[0] = SM_create_minimal_FCFT(sd, nfix);
  }

  // The charges, the gravitino action and the minimal-model charges are answered from
  // here on by the accessors below; the grading reads the charges.
  sd->minimal_on_demand = true;
  sd->graded = 0;
  SM_grade(sd, k % 4 != 0 ? 2 * K : 3 * K);
  sd->n_orbits = even ? k / 2 + 1 : (k + 1) / 2;
  return 0;
}

SpectrumData* SM_create_minimal_FCFT(SpectrumData* sd, int nfix) {
  if (sd->type != kStoreTypeMinimalN2 || sd->fcft_labels == nullptr || nfix < 1) {
    Alert("SM_create_minimal_FCFT", 0, 212404, "Invalid call to SM_create_minimal_FCFT");
    return nullptr;
  }
  const int k = sd->level;
  const std::string name = formatText("FCFT minimal N=2 level=%d", k);
  SpectrumData* f = allocateSpectrumData(name.c_str());
  f->level = k;
  f->type = kStoreTypeMinimalFCFT;
  f->rank = 2;
  f->rep_size = 3;
  f->n_primaries = nfix;
  f->symmetric = 0;
  f->validity = 1;
  f->store_s = 1;
  f->c = sd->c + (sd->fcft_shift == nullptr ? 0 : sd->fcft_shift[0]);
  f->scgroup = DG_trivial();
  f->base = sd;
  f->parent_current = sd->fp_currents == nullptr ? -1 : sd->fp_currents[0];
  if (storeIsField(sd, f->parent_current)) {
    f->parent_current_rep = SM_allocInts(f, 3, "Parent current");
    std::copy(storeLabelOf(sd, f->parent_current), storeLabelOf(sd, f->parent_current) + 3, f->parent_current_rep);
  }
  int* orbits = SM_allocInts(f, SM_fieldArraySize(f, nfix, 2), "Orbit data (minimal FCFT)");
  SM_allocFieldInfo_Dynkin(f);
  SM_allocFieldInfo_Weights(f);
  if (orbits == nullptr || f->labels == nullptr || f->weight_num == nullptr) return f;
  f->orbit_number = orbits;
  f->orbit_base = orbits;
  f->orbit_position = orbits + nfix;
  f->n_orbits = nfix;
  f->weights_exact = 0;
  f->weight_den = sd->weight_den;
  const long long M = 2LL * k + 4;
  int b = 0;
  for (int a = 0; a < sd->n_primaries && b < nfix; ++a) {
    if (sd->fcft_labels[a] < 0) continue;
    const int* label = storeLabelOf(sd, a);
    long long mPrime = floorMod(label[1], M);
    long long sPrime = floorMod(label[2], 4);
    if (sPrime >= 2) {
      mPrime = floorMod(mPrime - k - 2, M);
      sPrime = (sPrime + 2) % 4;
    }
    setLabel(f, b, k, static_cast<int>(sPrime), static_cast<int>(mPrime));
    f->weight_num[b] = static_cast<int>(floorMod(sd->weight_num[a], sd->weight_den));
    f->exact[b] = 0;
    orbits[b] = b;
    ++b;
  }
  return f;
}

namespace {

// The U(1) charge of field a over D = 8(k+2), as SM_computeMinimalModelCharges defines it:
// from the member b of {a, its grade partner} of smaller weight, q^2 = -X/2 with X the
// weight numerator of b less its SU(2) and s parts; the partner of higher weight is the
// supercurrent descendant, one unit D away on the side where the chiral (or antichiral)
// primary has no null vector.
int minimalChargeOf(const SpectrumData* sd, int a) {
  const long long k = sd->level;
  const long long K = k + 2;
  const long long D = 8 * K;
  const int p = sd->n2_multiplets != nullptr && storeIsField(sd, sd->n2_multiplets[a]) ? sd->n2_multiplets[a] : a;
  const int b = sd->weight_num[p] < sd->weight_num[a] ? p : a;
  const int* label = storeLabelOf(sd, b);
  const long long l = label[0], m = label[1], s = label[2];
  long long X = sd->weight_num[b] - 2 * l * (l + 2);
  if (s % 2 != 0) X -= K;
  if (s == 2) X -= 4 * k + 8;
  long long charge = 0;
  if (X % 2 != 0) {
    Alert("SM_computeMinimalModelCharges", 1, 212404, "Non-integral charge square %lld/%d", X, 2);
  } else {
    long long square = -X / 2;
    long long q = square < 0 || square > std::numeric_limits<int>::max() ? -1 : isqrt(static_cast<int>(square));
    if (std::llabs(q) == std::llabs(m) && m < 0) q = -q;
    const bool matches = std::llabs(q) == std::llabs(m);
    if (s % 2 != 0) {
      if (!matches) Alert("SM_computeMinimalModelCharges", 2, 212404, "Invalid R charge");
      if (s == -1) charge = D * q / K + D / 2;
      if (s == 1) charge = D * q / K - D / 2;
    } else {
      if (!matches) Alert("SM_computeMinimalModelCharges", 3, 212404, "Invalid NS charge");
      charge = D * q / K;
    }
  }
  if (p == a || sd->weight_num[p] >= sd->weight_num[a] || (sd->dims != nullptr && sd->dims[a] == 2))
    return static_cast<int>(charge);
  // Here b = p, whose own charge is the one just computed.
  const long long sa = storeLabelOf(sd, a)[2];
  const long long bound = sa % 2 == 0 ? 2LL * sd->weight_num[p] : 3 * k + sd->weight_num[p];
  if (charge == bound) return static_cast<int>(charge - D);
  if (charge == -bound) return static_cast<int>(charge + D);
  Alert("SM_computeMinimalModelCharges", 4, 212404, "No null vector found for label %d", p);
  return static_cast<int>(charge);
}

bool minimalComputed(const SpectrumData* sd) {
  return sd->minimal_on_demand && sd->type == kStoreTypeMinimalN2 && sd->labels != nullptr &&
         sd->orbit_base != nullptr && sd->orbit_position != nullptr && sd->level >= 1;
}

}  // namespace

void SM_computeMinimalModelCharges(SpectrumData* sd) {
  if (sd->type != kStoreTypeMinimalN2) {
    Alert("SM_computeMinimalModelCharges", 0, 212404, "Not an N=2 minimal model");
    GracefulExit(1);
  }
  if (sd->minimal_charges == nullptr || sd->labels == nullptr) return;
  for (int a = 0; a < sd->n_primaries; ++a) sd->minimal_charges[a] = minimalChargeOf(sd, a);
}

// On the orbit layout of SM_minimal_spectrum: orbit l holds the fields from 4(k+2) l on,
// and the field at orbit position e is the current e times the orbit's first field, whose
// charges add (SM_minimal_simple_fusion). The first field of orbit l >= 1 has charges 0
// (k odd) or (l mod 2, 1 when k = 0 mod 4 and l is odd, else 0); current e has e times
// those of (0, 1, 1), 4(k+2) - k (k odd) or (2(k+2) - k/2, 1) (k even), where for even k
// the currents from 2(k+2) on start again from (0, 0, 2) with charges (k+2, 0).
int SM_getOrbitNumber(const SpectrumData* sd, int a) {
  if (sd->orbit_number != nullptr) return sd->orbit_number[a];
  if (!minimalComputed(sd)) return -1;
  return sd->orbit_base[a] / (4 * (sd->level + 2));
}

bool SM_hasOrbitNumbers(const SpectrumData* sd) { return sd->orbit_number != nullptr || minimalComputed(sd); }

const int* SM_getChargeRow(const SpectrumData* sd, int a, int* scratch) {
  const int g = sd->scgroup == nullptr ? 0 : sd->scgroup->nfactors;
  if (sd->charges != nullptr) return sd->charges + static_cast<std::size_t>(a) * static_cast<std::size_t>(g);
  if (!minimalComputed(sd) || g < 1) return nullptr;
  const long long k = sd->level;
  const long long K = k + 2;
  const long long orbit = sd->orbit_base[a] / (4 * K);
  const long long e = sd->orbit_position[a];
  if (k % 2 != 0) {
    scratch[0] = static_cast<int>(floorMod(e * (4 * K - k), 4 * K));
    return scratch;
  }
  const long long step = 2 * K - k / 2;
  const long long current0 = e < 2 * K ? e * step : K + (e - 2 * K) * step;
  const long long current1 = e < 2 * K ? e : e - 2 * K;
  const long long first0 = orbit % 2;
  const long long first1 = k % 4 == 0 && orbit % 2 == 1 ? 1 : 0;
  scratch[0] = static_cast<int>(floorMod(first0 + current0, 2 * K));
  if (g > 1) scratch[1] = static_cast<int>(floorMod(first1 + current1, 2));
  return scratch;
}

bool SM_hasCharges(const SpectrumData* sd) {
  const int g = sd->scgroup == nullptr ? 0 : sd->scgroup->nfactors;
  return sd->charges != nullptr || (minimalComputed(sd) && g >= 1);
}

int SM_getGravitinoImage(SpectrumData* sd, int a) {
  if (sd->gravitino_action != nullptr) return sd->gravitino_action[a];
  if (!minimalComputed(sd)) return -1;
  // Off the fixed orbit the orbit numbering answers; on it the general route.
  return SM_SimpleAction(sd, 1, a);
}

bool SM_hasGravitinoAction(const SpectrumData* sd) { return sd->gravitino_action != nullptr || minimalComputed(sd); }

int SM_getMinimalCharge(const SpectrumData* sd, int a) {
  if (sd->minimal_charges != nullptr) return sd->minimal_charges[a];
  if (!minimalComputed(sd) || sd->weight_num == nullptr) return 0;
  return minimalChargeOf(sd, a);
}

bool SM_hasMinimalCharges(const SpectrumData* sd) {
  return sd->minimal_charges != nullptr || (minimalComputed(sd) && sd->weight_num != nullptr);
}

int SM_MinimalConjugate(SpectrumData* sd, int a) {
  if (!storeIsField(sd, a)) return -1;
  if (sd->type == kStoreTypeSpecialN2 && sd->rank != 2) return a;
  if (sd->type != kStoreTypeMinimalN2 && !(sd->type == kStoreTypeSpecialN2 && sd->rank == 2)) {
    Alert("SM_MinimalConjugate", 0, 112315, "Invalid input data");
    return -1;
  }
  const int* label = storeLabelOf(sd, a);
  int l = label[0], m = -label[1], s = -label[2];
  SM_mapMinimal2(sd->level, &l, &m, &s);
  const int wanted[3] = {l, m, s};
  const int start = sd->orbit_base == nullptr ? 0 : sd->orbit_base[a];
  const int c = SM_getLabelInOrbit(sd, wanted, start);
  if (c < 0) Alert("SM_MinimalConjugate", 1, 212404, "Charge conjugation error");
  return c;
}

int getAffineRep(const SpectrumData* sd, int a, int* m, int* s) {
  if (!storeIsField(sd, a) || sd->labels == nullptr || sd->rep_size < 3) return -1;
  const int* label = storeLabelOf(sd, a);
  *m = label[1];
  *s = label[2];
  return label[0];
}

// ---------------------------------------------------------------------------------------
// Complements

SpectrumData* SM_getComplement(SpectrumData* sd, const char* name) {
  StoremanagerState& state = storeState();
  for (SpectrumData* p = SM_getFirstAlgebra(); p != nullptr; p = p->next) {
    if (p->type == kStoreTypeComplement && p->rank == 0 && p->level == 0 && p->base == sd) {
      state.currentPointer = p;
      return p;
    }
  }
  const std::string text = name != nullptr ? std::string(name) : std::string(sd->name) + "_compl";
  SpectrumData* c = allocateSpectrumData(text.c_str());
  const int n = sd->n_primaries;
  c->type = kStoreTypeComplement;
  c->rank = 0;
  c->level = 0;
  c->base = sd;
  c->use_orbits = 0;
  c->s_available = sd->s_available;
  c->rep_size = sd->rep_size;
  c->complex = sd->complex;
  c->symmetric = sd->symmetric;
  c->weight_den = sd->weight_den;
  c->validity = sd->validity == 3 ? 2 : sd->validity;
  c->store_s = 0;
  c->labels = sd->labels;
  c->conjugates = sd->conjugates;
  c->c = -sd->c;
  c->n_primaries = n;
  c->scgroup = DG_trivial();
  SM_allocFieldInfo_Weights(c);
  SM_allocFieldInfo_Orbits(c);
  if (c->weight_num != nullptr) {
    for (int a = 0; a < n; ++a) {
      c->weight_num[a] = -sd->weight_num[a];
      c->exact[a] = 0;
    }
  }
  if (c->orbit_number != nullptr) {
    for (int a = 0; a < n; ++a) c->orbit_number[a] = a;
    c->n_orbits = n;
  }
  c->weights_exact = 0;
  state.currentPointer = c;
  return c;
}

// ---------------------------------------------------------------------------------------
// Grading

int SM_grade(SpectrumData* sd, int J) {
  if (sd->graded == 1) return -1;
  if (J < 0 || J >= storeGroupOrder(sd) || !storeIsField(sd, J)) {
    Alert("SM_grade", 0, 212404, "Field %d is not a simple current", J);
    return 1;
  }
  if (SM_getCurrentOrder(sd, J) != 2) {
    Alert("SM_grade", 1, 100202, "Grade current should have order 2");
    return 1;
  }
  Rat h;
  SM_getRatWeight(sd, J, &h);
  if ((2 * h.num) % h.den != 0) {
    Alert("SM_grade", 4, 100202, "Grade current should have (half)-integer spin");
    return 1;
  }
  const int n = sd->n_primaries;
  char* grading = SM_allocChars(sd, static_cast<std::size_t>(n), "Grade ");
  // Every entry is written before the multiplets are taken.
  int* partners = SM_allocIntsForOverwrite(sd, static_cast<std::size_t>(n), "Grade multiplets ");
  if (grading == nullptr || partners == nullptr) return 1;
  const ChargeSum charge(sd, J);
  const MinimalActionKernel kernel = SM_minimalActionKernel(sd);
  // SM_SimpleAction's own route for an N=2 minimal model, read flat.
  const bool minimalRoute = sd->type == kStoreTypeMinimalN2 && sd->fusion_available != 1 && kernel.usable() &&
                            !(J == 1 && sd->gravitino_action != nullptr);
  const MinimalGradeTables tables(sd, J, charge, kernel, minimalRoute);
  for (int a = 0; a < n; ++a) {
    // Stopped here, the record stays ungraded: the letters are attached only at the end.
    obeyInterruptRequest();
    int kind = 2;
    if (tables.usable()) {
      const long long N = tables.numerator(a);
      kind = N == 0 ? 0 : 2 * N == charge.denominator() ? 1 : 2;
    } else if (charge.integral()) {
      const long long N = charge.numerator(a);
      kind = N == 0 ? 0 : 2 * N == charge.denominator() ? 1 : 2;
    } else {
      Rat q;
      SM_getRatCharge(sd, J, a, &q);
      kind = halfintcheck(&q);
    }
    if (kind == 0) {
      grading[a] = 'N';
    } else if (kind == 1) {
      grading[a] = 'R';
    } else {
      Alert("SM_grade", 2, 212404, "Charge of field %d invalid for grading", a);
      return 1;
    }
    partners[a] = tables.usable() ? tables.partner(a) : minimalRoute ? kernel.apply(J, a) : -1;
    if (partners[a] < 0) partners[a] = SM_SimpleAction(sd, J, a);
    if (partners[a] == a) {
      Alert("SM_grade", 3, 100202, "Current %d has fixed points and cannot be used as grade current", J);
      return 1;
    }
  }
  sd->grading = grading;
  sd->n2_multiplets = partners;
  sd->graded = 1;
  sd->grade_current = J;
  return -1;
}
