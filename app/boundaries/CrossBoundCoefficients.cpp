// Reflection and crosscap coefficients, the Ishibashi metric and tension of an orientifold,
// the exceptional values and the dilaton couplings.
#include <algorithm>
#include <bit>
#include <cstdint>
#include <cmath>
#include <complex>
#include <numeric>

#include "boundaries/CrossBoundInternal.h"
#include "groups/Discrete.h"
#include "invariants/Invariants.h"
#include "modular/Modular.h"
#include "runtime/Error.h"
#include "runtime/Output.h"
#include "runtime/Terminal.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

bool isZero(double re, double im) {
  return std::fabs(re) + std::fabs(im) <= 1e-7;
}

void clear(double* re, double* im) {
  *re = 0.0;
  *im = 0.0;
}

}  // namespace

void resetCoefficients() {
  CrossBoundState& s = crossBoundState();
  s.reflectionRows.clear();
  s.storedOrbitPairs = 0;
  s.IshibashiMetricFlip.clear();
  s.PhasesR.clear();
  s.PhasesI.clear();
  s.PhasePeriod = 0;
  s.phasesLastCur = -1;
  s.DilatonCouplings.clear();
  s.dilatonStamp = -1;
}

void loadPhases(int n) {
  CrossBoundState& s = crossBoundState();
  if (n == s.phasesLastCur) return;
  s.phasesLastCur = n;
  s.PhasePeriod = 2 * std::max(n, 1);
  s.PhasesR.resize(static_cast<size_t>(s.PhasePeriod));
  s.PhasesI.resize(static_cast<size_t>(s.PhasePeriod));
  for (int k = 0; k < s.PhasePeriod; ++k) {
    const double angle = 2.0 * kPi * k / s.PhasePeriod;
    s.PhasesR[static_cast<size_t>(k)] = std::cos(angle);
    s.PhasesI[static_cast<size_t>(k)] = std::sin(angle);
  }
}

void simpleCurrentReflectionCoefficient(const IshibashiLabel& m, const BoundaryLabel& a,
                                        int diagonal, double* re, double* im) {
  if (diagonal) {
    compS(m.primary, a.primary, re, im);
    return;
  }
  const FPType* F = a.stabilizer;
  const int d = m.label;
  const int nU = F != nullptr && F->group != nullptr ? F->group->order : 1;
  const int nS = F != nullptr ? std::max(F->nS, 1) : 1;
  bool present = d == 0;
  for (int u = 0; u < nU && F != nullptr && !present; ++u) present = F->U[u] == d;
  if (!present) {
    clear(re, im);
    return;
  }
  if (d == 0)
    compS(m.primary, a.primary, re, im);
  else
    MOD_getOLA_Smatrix(d, m.primary, a.primary, re, im);
  const double norm = std::sqrt(static_cast<double>(crossBoundState().TotalOrder) /
                                static_cast<double>(nU) / static_cast<double>(nS));
  std::complex<double> value(*re * norm, *im * norm);
  if (d != 0) {
    Rat q{0, 1};
    Character(F, d, a.label, &q);
    const int shift = MOD_getFCFTshift(d);
    const double theta =
        -2.0 * kPi * static_cast<double>(q.num) / static_cast<double>(q.den == 0 ? 1 : q.den) -
        kPi * shift / 4.0;
    value *= std::polar(1.0, theta);
  }
  *re = value.real();
  *im = value.imag();
}

namespace {

// The cases both reflection dispatchers share: labels out of range give (0, 0), an
// exceptional invariant its stored value, usable orbit storage its entry of the mode
// (0 plain, 1 flipped). False: the simple-current formula is to be used.
bool reflectionAnsweredElsewhere(BulkInvariant* bi, int m, int a, int mode, double* re, double* im) {
  const CrossBoundState& s = crossBoundState();
  if (bi == nullptr || m < 0 || m >= s.IshibashiLabelCount || a < 0 || a >= s.BoundaryLabelCount) {
    clear(re, im);
    return true;
  }
  if (bi->simple_current != 1) {
    getExceptionalReflectionCoefficient(m, a, re, im);
    return true;
  }
  if (useOrbits() >= 2 && s.OrbitDataAvailable == QueryBulkInvariant()) {
    getReflectionCoefficientFromStorage(m, a, mode, re, im);
    return true;
  }
  return false;
}

}  // namespace

void getCurrentReflectionCoefficient(int m, int a, double* re, double* im) {
  const CrossBoundState& s = crossBoundState();
  BulkInvariant* bi = currentBulk();
  if (reflectionAnsweredElsewhere(bi, m, a, 0, re, im)) return;
  simpleCurrentReflectionCoefficient(s.IshibashiLabels[static_cast<size_t>(m)],
                                     s.BoundaryLabels[static_cast<size_t>(a)], bi->diagonal, re,
                                     im);
}

void getCurrentReflectionCoefficientStarred(int m, int a, double* re, double* im) {
  getCurrentReflectionCoefficient(m, a, re, im);
  *im = -*im;
}

void getExceptionalReflectionCoefficient(int m, int a, double* re, double* im) {
  const CrossBoundState& s = crossBoundState();
  BulkInvariant* bi = currentBulk();
  const ExceptionalBoundaryData* edt = bi != nullptr ? bi->EDT.get() : nullptr;
  clear(re, im);
  if (edt == nullptr || edt->reset == 0) {
    Alert("getExceptionalReflectionCoefficient", 0, 100302,
          "Boundaries for this MIPF not available");
    return;
  }
  const int N = edt->N;
  const int i = s.IshibashiLabels[static_cast<size_t>(m)].primary;
  const int b = s.BoundaryLabels[static_cast<size_t>(a)].primary;
  const size_t base =
      static_cast<size_t>(2 * N) + static_cast<size_t>(2 * N) * static_cast<size_t>(b);
  if (base + static_cast<size_t>(N + i) >= edt->data.size()) return;
  *re = edt->data[base + static_cast<size_t>(i)];
  *im = edt->data[base + static_cast<size_t>(N + i)];
}

void getExceptionalCrosscap(int m, double* re, double* im) {
  const CrossBoundState& s = crossBoundState();
  BulkInvariant* bi = currentBulk();
  const ExceptionalBoundaryData* edt = bi != nullptr ? bi->EDT.get() : nullptr;
  clear(re, im);
  if (edt == nullptr || s.CrosscapStatus != 1) {
    Alert("getExceptionalCrosscap", 0, 100302, "Crosscaps not available");
    return;
  }
  const int N = edt->N;
  const int i = s.IshibashiLabels[static_cast<size_t>(m)].primary;
  if (static_cast<size_t>(N + i) >= edt->data.size()) return;
  *re = edt->data[static_cast<size_t>(i)];
  *im = edt->data[static_cast<size_t>(N + i)];
}

namespace {

constexpr long long kUnsetPhase = 2147483647LL;

Rat makeRat(long long num, long long den) {
  Rat q{num, den};
  simplifyRat(&q);
  return q;
}

Rat addRat(const Rat& a, const Rat& b) {
  return makeRat(a.num * b.den + b.num * a.den, a.den * b.den);
}

}  // namespace

namespace {

// The sign of computeProjectionSign from integers: a + b + c over the lcm D of the three
// denominators must be an integer (D divides the numerator) whose parity gives the sign.
// 0 when the numbers are out of the checked range or the sum is no integer (the rational
// route then decides and reports).
int integerProjectionSign(const Rat& a, const Rat& b, long long cNum, long long cDen) {
  constexpr long long kLimit = 1LL << 30;
  const long long nums[3] = {a.num, b.num, cNum};
  const long long dens[3] = {a.den, b.den, cDen};
  long long D = 1;
  for (int i = 0; i < 3; ++i) {
    if (dens[i] <= 0 || dens[i] > kLimit || nums[i] > kLimit || nums[i] < -kLimit) return 0;
    D = D / std::gcd(D, dens[i]) * dens[i];
    if (D > kLimit) return 0;
  }
  // |each term| < 2^30 * 2^30: the sum fits in 64 bits.
  long long N = 0;
  for (int i = 0; i < 3; ++i) N += nums[i] * (D / dens[i]);
  if (N % D != 0) return 0;
  return (N / D) % 2 == 0 ? 1 : -1;
}

}  // namespace

int computeProjectionSign(OrientifoldInfo* record, int J, long long num, long long den) {
  // The weight terms h(KJ) - h(K) (or h(J) without a Klein current), looked up once for
  // both routes.
  const bool klein = record->klein != 0;
  const Rat first = *ratWeight(klein ? simpleFusion(record->klein, J) : J);
  Rat second{0, 1};
  if (klein) {
    const Rat hK = *ratWeight(record->klein);
    second = Rat{-hK.num, hK.den};
  }
  const int sign = integerProjectionSign(first, second, num, den == 0 ? 1 : den);
  if (sign != 0) return sign;
  const Rat w = klein ? addRat(first, second) : first;
  const Rat n = addRat(w, makeRat(num, den == 0 ? 1 : den));
  if (n.den != 1) {
    ++crossBoundState().projectionSignFaults;
    Alert("computeProjectionSign", 0, 212404,
          "Phase found, sign expected: \nCurrent J: %d; Weight JK: %lld/%lld; Phase: %lld/%lld", J,
          w.num, w.den, num, den);
  }
  const long long integer = n.num / (n.den == 0 ? 1 : n.den);
  return integer % 2 == 0 ? 1 : -1;
}

PhaseClosurePlan planPhaseClosure(int order, const std::vector<int>& seeds,
                                  const std::vector<int>& products) {
  PhaseClosurePlan plan;
  plan.seeds = seeds;
  if (order < 1 || seeds.size() > 64 ||
      products.size() != static_cast<size_t>(order) * static_cast<size_t>(order))
    return plan;
  const auto n = static_cast<size_t>(order);
  std::vector<char> set(n, 0);
  plan.signMask.assign(n, 0);
  plan.signWritten.assign(n, 0);
  for (size_t i = 0; i < seeds.size(); ++i) {
    const int g = seeds[i];
    if (g < 0 || g >= order || set[static_cast<size_t>(g)] != 0) return plan;
    set[static_cast<size_t>(g)] = 1;
    plan.signMask[static_cast<size_t>(g)] = std::uint64_t{1} << i;
  }
  // The passes exactly as the sweep makes them: elements set during a pass take part in it.
  bool unset = true;
  while (unset) {
    bool progress = false;
    for (int x = 0; x < order; ++x) {
      if (set[static_cast<size_t>(x)] == 0) continue;
      for (int y = 0; y < order; ++y) {
        if (set[static_cast<size_t>(y)] == 0) continue;
        const int e = products[static_cast<size_t>(x) * n + static_cast<size_t>(y)];
        if (e < 0 || e >= order) continue;
        const auto se = static_cast<size_t>(e);
        plan.signMask[se] = plan.signMask[static_cast<size_t>(x)] ^ plan.signMask[static_cast<size_t>(y)];
        plan.signWritten[se] = 1;
        if (set[se] == 0) {
          set[se] = 1;
          plan.steps.push_back({e, x, y});
          progress = true;
        }
      }
    }
    unset = std::find(set.begin(), set.end(), 0) != set.end();
    if (!progress) break;
  }
  plan.usable = true;
  return plan;
}

namespace {

// The plan of the current invariant's group, made on first use.
const PhaseClosurePlan& phaseClosurePlan(const InvariantGroup& group) {
  CrossBoundState& s = crossBoundState();
  if (s.phasePlanKnown) return s.phasePlan;
  const int order = group.order();
  std::vector<int> seeds{0};
  for (int b : group.generators)
    if (std::find(seeds.begin(), seeds.end(), b) == seeds.end()) seeds.push_back(b);
  std::vector<int> products(static_cast<size_t>(order) * static_cast<size_t>(order));
  for (int x = 0; x < order; ++x)
    for (int y = 0; y < order; ++y)
      products[static_cast<size_t>(x * order + y)] = group.product(x, y);
  s.phasePlan = planPhaseClosure(order, seeds, products);
  s.phasePlanKnown = true;
  return s.phasePlan;
}

// The closure pass by pass over all pairs: for signs other than +1 and -1 on the seeds,
// which the plan's masks cannot carry.
void sweepCorrectionPhases(const InvariantGroup& group, int order, int* beta, int* num, int* den) {
  auto X = [&](int x, int y) { return group.X[static_cast<size_t>(x * order + y)]; };
  bool unset = true;
  while (unset) {
    unset = false;
    bool progress = false;
    for (int x = 0; x < order; ++x) {
      if (den[x] == kUnsetPhase) continue;
      for (int y = 0; y < order; ++y) {
        if (den[y] == kUnsetPhase || den[x] == kUnsetPhase) continue;
        const int e = group.product(x, y);
        if (e < 0) continue;
        beta[e] = beta[x] * beta[y];
        if (den[e] == kUnsetPhase) {
          const Rat xy = X(x, y);
          Rat sum =
              addRat(addRat(Rat{num[x], den[x]}, Rat{2 * xy.num, xy.den}), Rat{num[y], den[y]});
          num[e] = static_cast<int>(sum.num);
          den[e] = static_cast<int>(sum.den);
          progress = true;
        }
      }
    }
    for (int L = 0; L < order; ++L) unset = unset || den[L] == kUnsetPhase;
    if (!progress) break;
  }
}

// The same closure from the group's plan: the phases in the order the sweep sets them, each
// sign from the seed signs.
bool closeCorrectionPhases(const InvariantGroup& group, const PhaseClosurePlan& plan, int order,
                           int* beta, int* num, int* den) {
  if (!plan.usable || static_cast<int>(plan.signMask.size()) != order) return false;
  std::uint64_t negative = 0;
  for (size_t i = 0; i < plan.seeds.size(); ++i) {
    const int sign = beta[plan.seeds[i]];
    if (sign == -1)
      negative |= std::uint64_t{1} << i;
    else if (sign != 1)
      return false;
  }
  // The plan starts from exactly the elements whose phase is set.
  size_t set = 0;
  for (int g = 0; g < order; ++g) {
    if (den[g] == kUnsetPhase) continue;
    if (std::find(plan.seeds.begin(), plan.seeds.end(), g) == plan.seeds.end()) return false;
    ++set;
  }
  if (set != plan.seeds.size()) return false;
  for (const PhaseClosurePlan::Step& step : plan.steps) {
    const int x = step.x, y = step.y;
    const Rat xy = group.X[static_cast<size_t>(x * order + y)];
    Rat sum = addRat(addRat(Rat{num[x], den[x]}, Rat{2 * xy.num, xy.den}), Rat{num[y], den[y]});
    num[step.element] = static_cast<int>(sum.num);
    den[step.element] = static_cast<int>(sum.den);
  }
  for (int g = 0; g < order; ++g) {
    if (plan.signWritten[static_cast<size_t>(g)] == 0) continue;
    const int odd = std::popcount(plan.signMask[static_cast<size_t>(g)] & negative) & 1;
    beta[g] = odd != 0 ? -1 : 1;
  }
  return true;
}

}  // namespace

void loadCorrectionPhases(OrientifoldInfo* record) {
  if (record->phaseStamp == record->sequence) return;
  BulkInvariant* bi = currentBulk();
  if (record->bulkNumber != QueryBulkInvariant()) {
    Alert("loadCorrectionPhases", 0, 212404,
          "Orientifold %p does not match bulk invariant; resetting", static_cast<void*>(record));
    allocateOrientifoldInfo_stage2(&record);
  }
  if (initDebug() == 1)
    ProgressPrint("##init: Loading Correction phases for Orientifold %p\n",
                  static_cast<void*>(record));
  const InvariantGroup* group = invariantGroup(bi);
  const int order = record->order;
  if (group == nullptr || group->order() != order) return;
  int* beta = record->beta();
  int* num = record->phaseNum();
  int* den = record->phaseDen();
  for (int L = 0; L < order; ++L) {
    num[L] = 0;
    den[L] = static_cast<int>(kUnsetPhase);
  }
  den[0] = 1;
  auto X = [&](int x, int y) { return group->X[static_cast<size_t>(x * order + y)]; };
  for (int f = 0; f < record->factors(); ++f) {
    const int b = group->generators[static_cast<size_t>(f)];
    const int Nf = record->factorOrders[static_cast<size_t>(f)];
    Rat x = X(b, b);
    if (Nf % 2 != 0)
      x.num *= 1 + Nf;
    else
      beta[b] = record->crosscapSigns[static_cast<size_t>(f)];
    if (record->klein != 0) {
      const Rat* q = simpleCurrentCharge(group->currents[static_cast<size_t>(b)], record->klein);
      x = addRat(x, Rat{(1 + Nf) * q->num, q->den});
    }
    x = makeRat(x.num, x.den);
    if (Nf % 2 == 0 &&
        computeProjectionSign(record, group->currents[static_cast<size_t>(b)], x.num, x.den) == -1)
      x = addRat(x, Rat{1, 1});
    num[b] = static_cast<int>(x.num);
    den[b] = static_cast<int>(x.den);
  }
  if (!closeCorrectionPhases(*group, phaseClosurePlan(*group), order, beta, num, den))
    sweepCorrectionPhases(*group, order, beta, num, den);
  record->phaseStamp = record->sequence;
}

void simpleCurrentCrosscapCoefficient(const IshibashiLabel& m, int diagonal,
                                      OrientifoldInfo* record, double* re, double* im) {
  initPMATRIX();
  if (m.label != 0) {
    clear(re, im);
    return;
  }
  if (diagonal) {
    compP(record->klein, m.primary, re, im);
    *re *= record->eta;
    *im *= record->eta;
    return;
  }
  loadCorrectionPhases(record);
  const InvariantGroup* group = invariantGroup(currentBulk());
  if (group == nullptr || group->order() != record->order) {
    clear(re, im);
    return;
  }
  CrosscapTerms* terms = crossBoundState().crosscapTerms;
  if (terms != nullptr) {
    const auto order = static_cast<size_t>(record->order);
    terms->filled = false;
    terms->beta.assign(record->beta(), record->beta() + order);
    terms->sigma.resize(order);
    terms->re.resize(order);
    terms->im.resize(order);
  }
  std::complex<double> sum = 0.0;
  for (int L = 0; L < record->order; ++L) {
    const int J = group->currents[static_cast<size_t>(L)];
    const int sigma =
        computeProjectionSign(record, J, record->phaseNum()[L], record->phaseDen()[L]);
    double pr = 0.0, pi = 0.0;
    // The orbit tables answer fastest; without them ("Use_orbits" 0) the product is
    // computed, never refused.
    const int KJ = ModularOrbitsAvailable() == QueryCFT() ? FastSimpleFusion(record->klein, J)
                                                          : simpleFusion(record->klein, J);
    compP(KJ, m.primary, &pr, &pi);
    addCrosscapTerm(sum, record->beta()[L] * sigma, pr, pi);
    if (terms != nullptr) {
      terms->sigma[static_cast<size_t>(L)] = sigma;
      terms->re[static_cast<size_t>(L)] = pr;
      terms->im[static_cast<size_t>(L)] = pi;
    }
  }
  if (terms != nullptr) terms->filled = true;
  closeCrosscapSum(sum, record->eta, record->order);
  *re = sum.real();
  *im = sum.imag();
}

void getCurrentCrosscapCoefficient(int m, int, double* re, double* im) {
  CrossBoundState& s = crossBoundState();
  BulkInvariant* bi = currentBulk();
  if (bi == nullptr || m < 0 || m >= s.IshibashiLabelCount) {
    clear(re, im);
    return;
  }
  if (bi->simple_current != 1) {
    getExceptionalCrosscap(m, re, im);
    return;
  }
  if (useOrbits() >= 2 && CrossBoundOrbitsAvailable()) {
    loadCrosscapCoefficients(s.CurrentOrientifold);
    const OrientifoldInfo* r = s.CurrentOrientifold;
    *re = r->crosscap[static_cast<size_t>(m)];
    *im = r->crosscap[static_cast<size_t>(s.IshibashiLabelCount + m)];
    return;
  }
  simpleCurrentCrosscapCoefficient(s.IshibashiLabels[static_cast<size_t>(m)], bi->diagonal,
                                   s.CurrentOrientifold, re, im);
}

namespace {

// The metric entry that the charge Q = num/den of primary i under Klein current K gives:
// -(P num)/den mod P, the division truncating; 0 without a charge.
long long kleinMetricEntry(int K, int i, int P) {
  const Rat* q = simpleCurrentCharge(K, i);
  if (q != nullptr && q->den != 0) return ((-(P * q->num) / q->den) % P + P) % P;
  return 0;
}

// Those entries of every Ishibashi label for Klein current K, kept for the invariant;
// nullptr when they are not kept (too many), and the caller works them out.
const std::vector<int>* kleinMetricBase(int K, int P, int labels) {
  constexpr std::size_t kMaxEntries = std::size_t{1} << 22;
  CrossBoundState& s = crossBoundState();
  if (s.metricBaseBulk != QueryBulkInvariant() || s.metricBasePeriod != P ||
      s.metricBaseLabels != labels) {
    s.metricBaseByKlein.clear();
    s.metricBaseEntries = 0;
    s.metricBaseBulk = QueryBulkInvariant();
    s.metricBasePeriod = P;
    s.metricBaseLabels = labels;
  }
  const auto known = s.metricBaseByKlein.find(K);
  if (known != s.metricBaseByKlein.end()) return &known->second;
  if (s.metricBaseEntries + static_cast<std::size_t>(labels) > kMaxEntries) return nullptr;
  std::vector<int> entries(static_cast<size_t>(labels));
  for (int m = 0; m < labels; ++m)
    entries[static_cast<size_t>(m)] = static_cast<int>(
        kleinMetricEntry(K, s.IshibashiLabels[static_cast<size_t>(m)].primary, P));
  s.metricBaseEntries += static_cast<std::size_t>(labels);
  return &s.metricBaseByKlein.emplace(K, std::move(entries)).first->second;
}

}  // namespace

namespace {

// The dilaton crosscap coefficient sets the tension (and the sign eta), then the group
// charges follow: the end of the metric's loading.
void loadTension(OrientifoldInfo* record, int labels) {
  CrossBoundState& s = crossBoundState();
  if (labels > 0) {
    double re = 0.0, im = 0.0;
    simpleCurrentCrosscapCoefficient(s.IshibashiLabels[0], currentBulk()->diagonal, record, &re,
                                     &im);
    if (std::fabs(im) > 1e-7)
      Alert("loadIshibashiMetric", 1, 212404,
            "Imaginary dilaton crosscap coefficient: (%15.7f,%15.7f)", re, im);
    record->tension = re;
    // A tension within 1e-7 of zero is zero: rounding noise must not pick the sign.
    if (re < -1e-7) {
      record->tension = -re;
      record->eta = -record->eta;
      record->conjugatesStamp = -2;
      record->crosscapStamp = -2;
      record->anomalyStamp = -2;
      ++record->sequence;
      record->metricStamp = record->sequence;
    }
  }
  if (useOrbits() != 0) loadModInvGroupCharges(record);
}

}  // namespace

void loadOrientifoldTension(OrientifoldInfo* record) {
  CrossBoundState& s = crossBoundState();
  if (record == nullptr || record->metricStamp == record->sequence) return;
  if (initDebug() == 1 || record->bulkNumber != QueryBulkInvariant()) {
    loadIshibashiMetric(record);
    return;
  }
  loadPhases(CenterOrder());
  const int labels = std::min(s.IshibashiLabelCount, static_cast<int>(s.IshibashiLabels.size()));
  loadTension(record, labels);
  record->metricStamp = -2;
}

void loadIshibashiMetric(OrientifoldInfo* record) {
  CrossBoundState& s = crossBoundState();
  if (record == nullptr || record->metricStamp == record->sequence) return;
  if (record->bulkNumber != QueryBulkInvariant()) {
    Alert("loadIshibashiMetric", 0, 212404,
          "Orientifold %p does not match bulk invariant; resetting", static_cast<void*>(record));
    allocateOrientifoldInfo_stage2(&record);
  }
  if (initDebug() == 1)
    ProgressPrint("##init: Loading Ishibashi metric for Orientifold %p\n",
                  static_cast<void*>(record));
  loadPhases(CenterOrder());
  const int P = s.PhasePeriod;
  int* metric = record->metric();
  // The labels exist only after the open-string set-up; before it there is no metric.
  const int labels = std::min(s.IshibashiLabelCount, static_cast<int>(s.IshibashiLabels.size()));
  const std::vector<int>* base = record->klein != 0 ? kleinMetricBase(record->klein, P, labels) : nullptr;
  for (int m = 0; m < labels; ++m) {
    long long g = 0;
    if (base != nullptr) {
      g = (*base)[static_cast<size_t>(m)];
    } else if (record->klein != 0) {
      g = kleinMetricEntry(record->klein, s.IshibashiLabels[static_cast<size_t>(m)].primary, P);
    }
    const int d = s.IshibashiLabels[static_cast<size_t>(m)].label;
    const InvariantGroup* group = invariantGroup(currentBulk());
    if (d != 0 && group != nullptr && group->order() == record->order) {
      loadCorrectionPhases(record);
      const int L = group->elementOf(d);
      if (L >= 0) {
        if (record->beta()[L] == -1) g = (g + P / 2) % P;
        const long long shift =
            ((static_cast<long long>(P) * record->phaseNum()[L]) / 2) / record->phaseDen()[L];
        g = ((g - shift) % P + P) % P;
      }
    }
    metric[m] = static_cast<int>(g);
  }
  record->metricStamp = record->sequence;
  loadTension(record, labels);
}

void metricPhase(OrientifoldInfo* record, int m, double* re, double* im) {
  const CrossBoundState& s = crossBoundState();
  const int g = record->metric()[m];
  *re = s.PhasesR[static_cast<size_t>(g)];
  *im = s.PhasesI[static_cast<size_t>(g)];
}

double getDilatonCoupling(int a, double* re) {
  CrossBoundState& s = crossBoundState();
  const int total = TotalBoundaries();
  // Stamped with the invariant and sized with its boundaries.
  if (s.dilatonStamp != QueryBulkInvariant() ||
      static_cast<int>(s.DilatonCouplings.size()) != total) {
    s.DilatonCouplings.assign(static_cast<size_t>(total), -1e6);
    s.dilatonStamp = QueryBulkInvariant();
  }
  if (a < 0 || a >= total) {
    *re = 0.0;
    return 0.0;
  }
  double& entry = s.DilatonCouplings[static_cast<size_t>(a)];
  if (entry < -1000.0) {
    double im = 0.0;
    getCurrentReflectionCoefficient(0, a, &entry, &im);
  }
  *re = entry;
  return entry;
}

int exceptionalCrosscapCoefficients(const std::vector<int>& K, int verbose, std::vector<double>* out) {
  CrossBoundState& s = crossBoundState();
  const int N = primaryCount();
  std::vector<int> ishibashi(static_cast<size_t>(N), 0);
  for (const IshibashiLabel& l : s.IshibashiLabels)
    if (l.primary >= 0 && l.primary < N) ishibashi[static_cast<size_t>(l.primary)] = 1;
  std::vector<double>& U = *out;
  U.assign(static_cast<size_t>(2 * N), 0.0);
  for (int m = 0; m < N; ++m) {
    double s0 = 0.0, ignored = 0.0;
    compS(0, m, &s0, &ignored);
    std::complex<double> sum = 0.0;
    for (int i = 0; i < N && i < static_cast<int>(K.size()); ++i) {
      if (K[static_cast<size_t>(i)] == 0) continue;
      double re = 0.0, im = 0.0;
      compS(i, m, &re, &im);
      sum += static_cast<double>(K[static_cast<size_t>(i)]) * std::complex<double>(re, im);
    }
    const std::complex<double> G = s0 * sum;
    if (!ishibashi[static_cast<size_t>(m)] && !isZero(G.real(), G.imag())) {
      if (verbose == 1 && orientifoldRequired()) {
        Alert("ComputeExceptionalCrosscap", 0, 100302, "Non-zero gamma: label %d", m);
        PrintVec(static_cast<int>(K.size()), K.data(), "Klein Bottle:");
      }
      return 0;
    }
    const std::complex<double> root = std::sqrt(G);
    U[static_cast<size_t>(m)] = root.real();
    U[static_cast<size_t>(N + m)] = root.imag();
  }
  return 1;
}

int ComputeExceptionalCrosscap(const std::vector<int>& K, int verbose) {
  BulkInvariant* bi = currentBulk();
  const int N = primaryCount();
  if (verbose == 1 && boundVerbose() >= 1)
    PrintVec(static_cast<int>(K.size()), K.data(), "\nKlein Bottle:");
  std::vector<double> U;
  if (exceptionalCrosscapCoefficients(K, verbose, &U) == 0) return 0;
  if (bi != nullptr && bi->EDT) {
    ExceptionalBoundaryData* edt = bi->EDT.get();
    if (edt->data.size() < static_cast<size_t>(2 * N))
      edt->data.resize(static_cast<size_t>(2 * N), 0.0);
    for (int k = 0; k < 2 * N; ++k) edt->data[static_cast<size_t>(k)] = U[static_cast<size_t>(k)];
    edt->klein = K;
    edt->crosscap_status = 1;
  }
  if (verbose == 1 && boundVerbose() >= 2) {
    Print("\nCoefficients U(m) = Gamma(m)*sqrt(S_{0m}) \n");
    PrintDoubleVec(2 * N, U.data(), "U:");
  }
  return 1;
}

// ---------------------------------------------------------------------------------------
// Variants handed to the generic Verlinde sum

void getCurrentReflectionCoefficientFlipped(int m, int a, double* re, double* im) {
  CrossBoundState& s = crossBoundState();
  BulkInvariant* bi = currentBulk();
  if (reflectionAnsweredElsewhere(bi, m, a, 1, re, im)) return;
  IshibashiLabel flipped = s.IshibashiLabels[static_cast<size_t>(m)];
  flipped.label = flipped.label != 0 ? getConjugate(flipped.label) : 0;
  double r = 0.0, i = 0.0;
  simpleCurrentReflectionCoefficient(flipped, s.BoundaryLabels[static_cast<size_t>(a)],
                                     bi->diagonal, &r, &i);
  loadIshibashiMetric(s.CurrentOrientifold);
  double pr = 1.0, pi = 0.0;
  metricPhase(s.CurrentOrientifold, m, &pr, &pi);
  *re = r * pr - i * pi;
  *im = r * pi + i * pr;
}

void getCurrentCrosscapCoefficientFlipped(int m, int, double* re, double* im) {
  CrossBoundState& s = crossBoundState();
  getCurrentCrosscapCoefficient(m, 0, re, im);
  BulkInvariant* bi = currentBulk();
  if (bi == nullptr || bi->simple_current != 1 || m < 0 || m >= s.IshibashiLabelCount) return;
  loadIshibashiMetric(s.CurrentOrientifold);
  double pr = 1.0, pi = 0.0;
  metricPhase(s.CurrentOrientifold, m, &pr, &pi);
  const double r = *re;
  *re = r * pr - *im * pi;
  *im = r * pi + *im * pr;
}

void getCurrentReflectionCoefficientTranspose(int k, int x, double* re, double* im) {
  getCurrentReflectionCoefficient(x, k, re, im);
}

void getCurrentReflectionCoefficientTransposeConjugated(int k, int x, double* re, double* im) {
  const int conjugate = BoundaryConjugate(k);
  if (conjugate < 0) {
    clear(re, im);
    return;
  }
  getCurrentReflectionCoefficient(x, conjugate, re, im);
}
