// The boundary search for an exceptional invariant ("search boundaries") and the test of
// user-given boundaries ("try boundary").
//
// A candidate boundary b is described by its diagonal annulus x_a = A^a_bb; its
// coefficients follow as B(m)^2 = S(0,m) sum_a S(a,m) x_a at the Ishibashi primaries and
// must vanish elsewhere. The vanishing is linear in x: the rows S(m, .) of the
// non-Ishibashi primaries are reduced to echelon form once, their pivot columns are then
// fixed by the free ones, and the nested loop runs over the free columns only. The squeeze
// narrows each loop level so that the real and imaginary parts of every B(m)^2 stay within
// [-1, 1] (a unit vector cannot exceed that). Survivors of the norm and Moebius tests go to
// the candidate store and the assembly.
//
// Loop state lives in the search state below for one run; the progress clock is the
// injectable processor clock.
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>

#include "boundaries/BoundarySearchInternal.h"
#include "boundaries/CrossBoundInternal.h"
#include "collections/LinearAlgebra.h"
#include "interpreter/Loops.h"
#include "invariants/Invariants.h"
#include "modular/Modular.h"
#include "numbers/MathUtility.h"
#include "runtime/Error.h"
#include "runtime/Output.h"
#include "runtime/SystemUtility.h"

namespace {

struct LoopCounters {
  long long count = 0;
  long long repeat = 10;
  int overflow = 0;
  void restart() {
    count = 0;
    repeat = 10;
    overflow = 0;
  }
};

struct SearchState {
  std::vector<int> columnMap;
  std::vector<double> basis;
  std::vector<int> tagmap;
  std::vector<int> ishimap;
  std::vector<double> FactorsRe;  // (i, t) at i * Ntag + t
  std::vector<double> FactorsIm;
  std::vector<int> loop;
  std::vector<double> coefficients;  // 2N
  std::vector<double> signedCoefficients;
  std::vector<int> annulus;
  std::vector<int> moebius;
  bool initialised = false;
  bool rangeInitialised = false;
  LoopCounters bodyCounters;
  LoopCounters rangeCounters;
  LoopCounters squeezeCounters;
  int lowmin = -1;
  int ilowmin = 1;
  int ilowmax = 1;
  int passStopped = 0;
  int userStopped = 0;
  // The running pass: its line, its box and the tuples reported so far.
  ProgressScope* progress = nullptr;
  int progressLength = 0;
  const int* progressLow = nullptr;
  const int* progressHigh = nullptr;
  long long progressCalls = 0;
};

SearchState& searchState() {
  static SearchState s;
  return s;
}

int ntag() {
  return static_cast<int>(searchState().tagmap.size());
}

}  // namespace

void loadBasisFactors() {
  SearchState& ss = searchState();
  const BoundarySearchState& s = boundarySearchState();
  const int N = s.N;
  ss.tagmap.clear();
  ss.ishimap.clear();
  for (int a = 0; a < N; ++a)
    if (ss.columnMap[static_cast<size_t>(a)] < 0) ss.tagmap.push_back(a);
  for (int m = 0; m < N; ++m)
    if (s.ishibashiPrimary[static_cast<size_t>(m)]) ss.ishimap.push_back(m);
  const int Ntag = ntag(), Nishi = static_cast<int>(ss.ishimap.size());
  if (Nishi != Ntag)
    Alert("loadBasisFactors", 0, 112301, "Number of variables different from number of Ishi's");
  ss.FactorsRe.assign(static_cast<size_t>(Ntag * Nishi), 0.0);
  ss.FactorsIm.assign(static_cast<size_t>(Ntag * Nishi), 0.0);
  std::vector<double> e(static_cast<size_t>(N));
  for (int t = 0; t < Ntag; ++t) {
    obeyInterruptRequest();
    const int a = ss.tagmap[static_cast<size_t>(t)];
    for (int b = 0; b < N; ++b) {
      const int v = ss.columnMap[static_cast<size_t>(b)];
      e[static_cast<size_t>(b)] = b == a ? 1.0 : v >= 0 ? -ss.basis[static_cast<size_t>(v * N + a)] : 0.0;
    }
    for (int i = 0; i < Nishi; ++i) {
      const int m = ss.ishimap[static_cast<size_t>(i)];
      double re = 0.0, im = 0.0;
      for (int b = 0; b < N; ++b) {
        const Complex sbm = s.S[static_cast<size_t>(b * N + m)];
        re += e[static_cast<size_t>(b)] * sbm.real() * s.S0[static_cast<size_t>(m)];
        im += e[static_cast<size_t>(b)] * sbm.imag() * s.S0[static_cast<size_t>(m)];
      }
      ss.FactorsRe[static_cast<size_t>(i * Ntag + t)] = re;
      ss.FactorsIm[static_cast<size_t>(i * Ntag + t)] = im;
    }
  }
}

int checkIshibashiOrthogonalSpace(int count) {
  const SearchState& ss = searchState();
  const BoundarySearchState& s = boundarySearchState();
  const int N = s.N;
  for (int v = 0; v < count; ++v) {
    obeyInterruptRequest();
    double sum = 0.0;
    for (int m = 0; m < N; ++m) {
      if (!s.ishibashiPrimary[static_cast<size_t>(m)]) continue;
      Complex t(0.0, 0.0);
      for (int k = 0; k < N; ++k)
        t += ss.basis[static_cast<size_t>(v * N + k)] * s.S[static_cast<size_t>(m * N + k)];
      sum += std::norm(t);
    }
    if (!ZeroCheck(sum)) {
      Alert("checkIshibashiOrthogonalSpace", 0, 100201,
            "Accuracy problem for vector %d?\n%25.12f should be zero", v, sum);
      return 0;
    }
  }
  return 1;
}

namespace {

int moebiusBody(int N, int* signs, void*) {
  obeyInterruptRequest();
  SearchState& ss = searchState();
  BoundarySearchState& s = boundarySearchState();
  ss.signedCoefficients.resize(static_cast<size_t>(2 * N));
  double* b = ss.signedCoefficients.data();
  for (int m = 0; m < N; ++m) {
    const double f = signs[m] == 1 ? -1.0 : 1.0;
    b[m] = f * ss.coefficients[static_cast<size_t>(m)];
    b[N + m] = f * ss.coefficients[static_cast<size_t>(N + m)];
  }
  ss.moebius.assign(static_cast<size_t>(N), 0);
  for (int a = 0; a < N; ++a) {
    int value = 0;
    if (!toInteger(moebiusForm(a, b), &value)) return 0;
    ss.moebius[static_cast<size_t>(a)] = value;
    const int x = ss.annulus[static_cast<size_t>(a)];
    if (std::abs(value) > x || (x - value) % 2 != 0) return 0;
  }
  if (addBoundaryCandidate(N, b) != -1)
    PrintNewBoundaryCandidate(N, b, ss.annulus.data(), ss.moebius.data());
  (void)s;
  return 1;
}

// The common end of the candidate tests: B in the search state's coefficients, x the
// diagonal annulus.
int analyseCandidateBoundary(int N, const int* x) {
  SearchState& ss = searchState();
  const BoundarySearchState& s = boundarySearchState();
  double norm = 0.0;
  for (int m = 0; m < N; ++m)
    norm += ss.coefficients[static_cast<size_t>(m)] * ss.coefficients[static_cast<size_t>(m)] +
            ss.coefficients[static_cast<size_t>(N + m)] * ss.coefficients[static_cast<size_t>(N + m)];
  if (!ZeroCheck(norm - 1.0)) return 0;
  ss.annulus.assign(x, x + N);
  if (!orientifoldRequired()) {
    if (addBoundaryCandidate(N, ss.coefficients.data()) != -1)
      PrintNewBoundaryCandidate(N, ss.coefficients.data(), ss.annulus.data(), nullptr);
    return 1;
  }
  std::vector<int> lo(static_cast<size_t>(N), 0), hi(static_cast<size_t>(N), 0), signs(static_cast<size_t>(N), 0);
  bool first = true;
  for (int m = 0; m < N; ++m) {
    const bool both = !CZeroCheck(ss.coefficients[static_cast<size_t>(m)], ss.coefficients[static_cast<size_t>(N + m)]) &&
                      !CZeroCheck(s.U[static_cast<size_t>(m)], s.U[static_cast<size_t>(N + m)]);
    if (!both) continue;
    if (first)
      first = false;
    else
      hi[static_cast<size_t>(m)] = 1;
  }
  const int result = NestedLoops(N, lo.data(), hi.data(), signs.data(), nullptr, nullptr, moebiusBody);
  if (boundVerbose() >= 8 && result == 0) {
    Print("Candidate boundary found; rejected by Moebius consistency.\n");
    PrintVec(N, x, "Annulus: ");
  }
  return result;
}

int testCandidateBoundary(int N, int* x, void*) {
  SearchState& ss = searchState();
  const BoundarySearchState& s = boundarySearchState();
  if (x == nullptr) {
    ss.loop.assign(static_cast<size_t>(N), 0);
    ss.coefficients.assign(static_cast<size_t>(2 * N), 0.0);
    ss.bodyCounters.restart();
    loadBasisFactors();
    ss.initialised = true;
    return 0;
  }
  if (!ss.initialised) {
    Alert("testCandidateBoundary", 0, 112415, "Unexpected NULL pointer");
    return -1;
  }
  if (ss.passStopped) return -2;
  showSearchProgress(x);
  if (ss.bodyCounters.count == 0) {
    bool zero = true;
    for (int a = 0; a < N; ++a)
      if (x[a] != 0) zero = false;
    if (zero) return 0;
  }
  for (int a = 0; a < N; ++a) {
    const int v = ss.columnMap[static_cast<size_t>(a)];
    if (v < 0) {
      ss.loop[static_cast<size_t>(a)] = x[a];
      continue;
    }
    double value = 0.0;
    for (int k = 0; k < N; ++k) value -= x[k] * ss.basis[static_cast<size_t>(v * N + k)];
    const double nearest = std::round(value);
    if (!ZeroCheck(value - nearest) || nearest < 0.0 || nearest > INT_MAX / 2) return 0;
    ss.loop[static_cast<size_t>(a)] = static_cast<int>(nearest);
  }
  if (!progressCheck(&ss.bodyCounters.count, &ss.bodyCounters.repeat, &ss.bodyCounters.overflow, x, N,
                     "Loop index: (total nr.: %lld; time %7.2f)\n")) {
    ss.passStopped = 1;
    return -2;
  }
  std::fill(ss.coefficients.begin(), ss.coefficients.end(), 0.0);
  const int Ntag = ntag();
  for (size_t i = 0; i < ss.ishimap.size(); ++i) {
    double re = 0.0, im = 0.0;
    for (int t = 0; t < Ntag; ++t) {
      const double value = ss.loop[static_cast<size_t>(ss.tagmap[static_cast<size_t>(t)])];
      re += value * ss.FactorsRe[i * static_cast<size_t>(Ntag) + static_cast<size_t>(t)];
      im += value * ss.FactorsIm[i * static_cast<size_t>(Ntag) + static_cast<size_t>(t)];
    }
    double br = 0.0, bi = 0.0;
    complexSquareRoot(&br, &bi, re, im);
    const int m = ss.ishimap[i];
    ss.coefficients[static_cast<size_t>(m)] = br;
    ss.coefficients[static_cast<size_t>(N + m)] = bi;
  }
  (void)s;
  return analyseCandidateBoundary(N, ss.loop.data());
}

int testCandidateBoundaryInRange(int N, int* x, void*) {
  SearchState& ss = searchState();
  const BoundarySearchState& s = boundarySearchState();
  if (x == nullptr) {
    ss.coefficients.assign(static_cast<size_t>(2 * N), 0.0);
    ss.rangeCounters.restart();
    ss.rangeInitialised = true;
    return 0;
  }
  if (!ss.rangeInitialised) {
    Alert("testCandidateBoundaryInRange", 0, 112415, "Unexpected initialization problem");
    return -1;
  }
  showSearchProgress(x);
  if (ss.rangeCounters.count == 0) {
    bool zero = true;
    for (int a = 0; a < N; ++a)
      if (x[a] != 0) zero = false;
    if (zero) return 0;
  }
  if (!progressCheck(&ss.rangeCounters.count, &ss.rangeCounters.repeat, &ss.rangeCounters.overflow, x, N,
                     "Loop index: (total nr.: %lld; time %7.2f)\n"))
    return -2;
  for (int m = 0; m < N; ++m) {
    Complex sum(0.0, 0.0);
    for (int a = 0; a < N; ++a)
      if (x[a] != 0) sum += static_cast<double>(x[a]) * s.S[static_cast<size_t>(a * N + m)];
    const Complex X = s.S0[static_cast<size_t>(m)] * sum;
    if (!s.ishibashiPrimary[static_cast<size_t>(m)] && !CZeroCheck(X.real(), X.imag())) return 0;
    double br = 0.0, bi = 0.0;
    complexSquareRoot(&br, &bi, X.real(), X.imag());
    ss.coefficients[static_cast<size_t>(m)] = br;
    ss.coefficients[static_cast<size_t>(N + m)] = bi;
  }
  return analyseCandidateBoundary(N, x);
}

int truncateToInt(double value) {
  if (value > INT_MAX / 2) return INT_MAX / 2;
  if (value < INT_MIN / 2) return INT_MIN / 2;
  return static_cast<int>(value);
}

}  // namespace

void NimSqueeze(int N, int level, const int* x, const int* lo, const int* hi, int* curLo, int* curHi,
                void*) {
  SearchState& ss = searchState();
  *curLo = lo[level];
  *curHi = hi[level];
  if (ss.passStopped) {
    *curLo = 1;
    *curHi = 0;
    return;
  }
  // Whole ranges may be squeezed away here without a tuple reaching the body.
  obeyInterruptRequest();
  if (!progressCheck(&ss.squeezeCounters.count, &ss.squeezeCounters.repeat,
                     &ss.squeezeCounters.overflow, x, N,
                     "Loop index (sq): (total nr.: %lld; time %7.2f)\n")) {
    ss.passStopped = 1;
    *curLo = 1;
    *curHi = 0;
    return;
  }
  // A pivot level has no factor of its own: its value follows from the free ones.
  if (ss.columnMap[static_cast<size_t>(level)] >= 0) return;
  const int Ntag = ntag();
  int min = lo[level], max = hi[level];
  for (size_t i = 0; i < ss.ishimap.size() && min <= max; ++i) {
    double Rlo = 0.0, Ilo = 0.0, Rhi = 0.0, Ihi = 0.0;
    int own = -1;
    for (int t = 0; t < Ntag; ++t) {
      const int c = ss.tagmap[static_cast<size_t>(t)];
      const double fre = ss.FactorsRe[i * static_cast<size_t>(Ntag) + static_cast<size_t>(t)];
      const double fim = ss.FactorsIm[i * static_cast<size_t>(Ntag) + static_cast<size_t>(t)];
      if (c < level) {
        Rlo += x[c] * fre;
        Ilo += x[c] * fim;
      } else if (c == level) {
        own = t;
        Rhi = Rlo;
        Ihi = Ilo;
      } else {
        if (fre > 0) {
          Rlo += lo[c] * fre;
          Rhi += hi[c] * fre;
        } else {
          Rlo += hi[c] * fre;
          Rhi += lo[c] * fre;
        }
        if (fim > 0) {
          Ilo += lo[c] * fim;
          Ihi += hi[c] * fim;
        } else {
          Ilo += hi[c] * fim;
          Ihi += lo[c] * fim;
        }
      }
    }
    if (own < 0) continue;
    const double f = ss.FactorsRe[i * static_cast<size_t>(Ntag) + static_cast<size_t>(own)];
    if (!ZeroCheck(f)) {
      const double low = ss.lowmin;
      const double cmin = f > 0 ? (low - Rhi) / f : (1.0 - Rlo) / f;
      const double cmax = f > 0 ? (1.0 - Rlo) / f : (low - Rhi) / f;
      if (cmin > min) min = truncateToInt(cmin + 0.9999);
      if (cmax < max) max = truncateToInt(cmax + 0.0001);
    }
    if (min > max) break;
    const double g = ss.FactorsIm[i * static_cast<size_t>(Ntag) + static_cast<size_t>(own)];
    if (!ZeroCheck(g)) {
      const double low = ss.ilowmin ? -1.0 : 0.0;
      const double high = ss.ilowmax;
      const double cmin = g > 0 ? (low - Ihi) / g : (high - Ilo) / g;
      const double cmax = g > 0 ? (high - Ilo) / g : (low - Ihi) / g;
      if (cmin > min) min = truncateToInt(cmin + 0.9999);
      if (cmax < max) max = truncateToInt(cmax + 0.001);
    }
  }
  *curLo = min;
  *curHi = max;
}

void initSqueeze(int lowmin) {
  SearchState& ss = searchState();
  ss.lowmin = lowmin;
  ss.squeezeCounters.restart();
  if (lowmin == -1) ss.ilowmin = ss.ilowmax = 1;
  if (lowmin == 0) ss.ilowmin = ss.ilowmax = 0;
}

int setUpOrthogonalSpace() {
  SearchState& ss = searchState();
  const int count = initiateIshibashiOrthogonalSpace(&ss.columnMap, &ss.basis);
  checkIshibashiOrthogonalSpace(count);
  return count;
}

namespace {
// Tuples between two moves of a pass's line (each move ranks the tuple in the box).
constexpr long long kProgressStride = 64;
}  // namespace

SearchPassProgress::SearchPassProgress(const char* name, int n, const int* lo, const int* hi)
    : scope_(name, getLoopLength(n, lo, hi)) {
  SearchState& ss = searchState();
  ss.progress = &scope_;
  ss.progressLength = n;
  ss.progressLow = lo;
  ss.progressHigh = hi;
  ss.progressCalls = 0;
}

SearchPassProgress::~SearchPassProgress() {
  SearchState& ss = searchState();
  ss.progress = nullptr;
  ss.progressLow = ss.progressHigh = nullptr;
}

void showSearchProgress(const int* x) {
  SearchState& ss = searchState();
  if (ss.progress == nullptr || ss.progressCalls++ % kProgressStride != 0) {
    obeyInterruptRequest();
    return;
  }
  ss.progress->advanceTo(getLoopPosition(ss.progressLength, ss.progressLow, ss.progressHigh, x));
}

SearchBasisView searchBasis() {
  const SearchState& ss = searchState();
  return {ss.columnMap, ss.basis, ss.tagmap, ss.ishimap, ss.FactorsRe, ss.FactorsIm};
}

void restartSearchPass() {
  searchState().passStopped = 0;
  searchState().userStopped = 0;
}

int searchPassStopped() {
  return searchState().passStopped || searchState().userStopped;
}

namespace {

// Removes blanks.
std::string compact(const char* text) {
  std::string out;
  for (const char* p = text; p != nullptr && *p != '\0'; ++p)
    if (*p != ' ' && *p != '\t') out.push_back(*p);
  return out;
}

bool parseNumber(const std::string& text, int* value) {
  if (text.empty()) return false;
  char* end = nullptr;
  const long v = std::strtol(text.c_str(), &end, 10);
  if (end == nullptr || *end != '\0' || v < INT_MIN || v > INT_MAX) return false;
  *value = static_cast<int>(v);
  return true;
}

}  // namespace

int progressCheck(long long* count, long long* repeat, int* overflow, const int* x, int n,
                  const char* label) {
  BoundarySearchState& s = boundarySearchState();
  ++*count;
  if (*repeat < 1) *repeat = 10;
  if (*count % *repeat != 0) return 1;
  const double t = CPUTime();
  if (t > 1e-5) {
    if (*count < 0) {
      Alert("progressCheck", 0, 100201, "Count overflow; resetting");
      *count = 1;
      *overflow = 1;
    } else if (!*overflow) {
      const long long r = static_cast<long long>(static_cast<double>(*count) * 10.0 / t);
      if (std::fabs(static_cast<double>(r - *repeat)) / static_cast<double>(*repeat) > 0.05 && r >= 101)
        *repeat = r;
    }
  }
  if (t - s.last_CPU > 55.0) {
    s.last_CPU = t;
    PrintVec(n, x, formatText(label, *count, t).c_str());
    if (Alert("progressCheck", 1, 333209, "Continue?") == 0) {
      searchState().userStopped = 1;
      return 0;
    }
  }
  return 1;
}

std::vector<int> getAbsMax() {
  const BoundarySearchState& s = boundarySearchState();
  std::vector<int> mxs(static_cast<size_t>(s.N), 0);
  for (int a = 0; a < s.N; ++a)
    mxs[static_cast<size_t>(a)] = static_cast<int>(s.S0[static_cast<size_t>(a)] / s.S0[0] + 1e-6);
  return mxs;
}

int initiateIshibashiOrthogonalSpace(std::vector<int>* columnMap, std::vector<double>* basis) {
  const BoundarySearchState& s = boundarySearchState();
  const int N = s.N;
  basis->assign(static_cast<size_t>(N) * static_cast<size_t>(N), 0.0);
  std::vector<int> pivots(static_cast<size_t>(2 * N), -1);
  std::vector<double> row(static_cast<size_t>(N));
  int nrows = 0;
  for (int m = 0; m < N; ++m) {
    obeyInterruptRequest();
    if (s.ishibashiPrimary[static_cast<size_t>(m)]) continue;
    for (int part = 0; part < 2 && nrows < N; ++part) {
      for (int a = 0; a < N; ++a) {
        const Complex v = s.S[static_cast<size_t>(m * N + a)];
        row[static_cast<size_t>(a)] = part == 0 ? v.real() : v.imag();
      }
      DoubleSweep(row.data(), basis->data(), N, &nrows, pivots.data(), 0, nullptr);
    }
  }
  columnMap->assign(pivots.begin() + N, pivots.end());
  return nrows;
}

namespace {

// The first primary with two or more Ishibashi states (their number in *states), or -1.
int primaryWithSeveralIshibashiStates(int* states) {
  const CrossBoundState& s = crossBoundState();
  for (int m = 0; m < s.IshibashiLabelCount; ++m) {
    const IshibashiLabel& label = s.IshibashiLabels[static_cast<size_t>(m)];
    if (label.third >= 2) {
      *states = label.third;
      return label.primary;
    }
  }
  return -1;
}

}  // namespace

void attemptBoundaries(int Maxloop) {
  BoundarySearchState& s = boundarySearchState();
  CrossBoundState& cb = crossBoundState();
  SearchState& ss = searchState();
  // A candidate holds one coefficient per Ishibashi primary, so a set in which a primary
  // has several Ishibashi states (a fixed point of a simple-current invariant, say) is
  // beyond the search: it could only fail, after clearing the boundaries in force.
  if (currentBulk() != nullptr && initializeOrientedOpenString() == 0) {
    int states = 0;
    const int primary = primaryWithSeveralIshibashiStates(&states);
    if (primary >= 0) {
      Alert("attemptBoundaries", 1, 100202,
            "Boundary search not possible: primary %d has %d Ishibashi states, and the search "
            "holds one boundary coefficient per Ishibashi primary.\nThe boundaries in force "
            "are kept.",
            primary, states);
      return;
    }
  }
  s.CompletionImpossible = 0;
  resetBoundaries();
  s.BoundCandUse = orientifoldRequired() ? 1 : 2;
  freeCompleteBoundarySets();
  BulkInvariant* bi = currentBulk();
  if (bi == nullptr) return;
  treatSimpleCurrentBulkAsExceptional(bi);
  if (initializeOpenString() != 0) return;
  // Stamped after the conversion, which advances the bulk counter.
  s.BoundCandMIPF = QueryBulkInvariant();
  s.BoundCandOrientifold = cb.OrientifoldCounter;
  if (cb.CrosscapStatus == -2) {
    Alert("attemptBoundaries", 0, 100302, "Crosscaps inconsistent; cannot compute boundaries");
    return;
  }
  if (!loadSearchMatrices()) return;
  const int N = s.N;
  const int count = initiateIshibashiOrthogonalSpace(&ss.columnMap, &ss.basis);
  checkIshibashiOrthogonalSpace(count);
  const std::vector<int> absmax = getAbsMax();
  testCandidateBoundary(N, nullptr, nullptr);
  int complete = 1;
  std::vector<int> min(static_cast<size_t>(N), 0), max(static_cast<size_t>(N), 0), x(static_cast<size_t>(N), 0);
  for (int a = 0; a < N; ++a) {
    const size_t u = static_cast<size_t>(a);
    // Only a free column is cut by Maxloop; a pivot column follows from the free ones.
    if (ss.columnMap[u] < 0) {
      max[u] = std::min(absmax[u], Maxloop);
      if (max[u] < absmax[u]) complete = 0;
    }
    if (boundVerbose() >= 2)
      Print("Absolute maximum for A^%d_(diag): %d (actual maximum %d)\n", a, absmax[u], max[u]);
  }
  max[0] = 1;
  if (boundVerbose() >= 1) {
    Print("\nLoops started\n");
    PrintVec(N, max.data(), "Maxima: ");
    Print("\n");
  }
  s.last_CPU = CPUTime();
  s.Capacity_exceeded = 0;
  ss.userStopped = 0;
  min[0] = max[0] = 1;
  initSqueeze(-1);
  ss.passStopped = 0;
  int result = 0;
  {
    SearchPassProgress progress("Boundary search (A^0 = 1)", N, min.data(), max.data());
    result = NestedLoops(N, min.data(), max.data(), x.data(), nullptr, NimSqueeze,
                         testCandidateBoundary);
  }
  if (result < -2) return;
  min[0] = max[0] = 0;
  ss.passStopped = 0;
  {
    SearchPassProgress progress("Boundary search (A^0 = 0)", N, min.data(), max.data());
    result = NestedLoops(N, min.data(), max.data(), x.data(), nullptr, NimSqueeze,
                         testCandidateBoundary);
  }
  if (result < -2) return;
  if (boundVerbose() >= 1) Print("Starting assembly\n");
  assembleBoundarySet(0);
  if (complete == 1 && s.Capacity_exceeded == 0 && s.CompletionImpossible == 0 && ss.userStopped == 0)
    Print("Complete solution\n");
  else
    Print("There may be additional solutions\n");
}

const char* getNextLimits(const char* s, int* lo, int* hi, int* ok) {
  const char* comma = std::strchr(s, ',');
  const std::string item = comma != nullptr ? std::string(s, comma) : std::string(s);
  const size_t colon = item.find(':');
  *ok = 0;
  if (colon == std::string::npos) {
    if (parseNumber(item, lo)) {
      *hi = *lo;
      *ok = 1;
    }
  } else if (parseNumber(item.substr(0, colon), lo) && parseNumber(item.substr(colon + 1), hi)) {
    *ok = *lo <= *hi ? 1 : 0;
  }
  return comma != nullptr ? comma + 1 : nullptr;
}

int tryBoundary(const char* text) {
  BoundarySearchState& s = boundarySearchState();
  CrossBoundState& cb = crossBoundState();
  if (s.BoundCandUse == 3) {
    Alert("tryBoundary", 0, 112301,
          "This command is not available for NIMrep searches\nUse \"reset boundary_search\" to "
          "remove previous NIMrep results");
    return 0;
  }
  if (initializeOpenString() != 0) return -1;
  BulkInvariant* bi = currentBulk();
  if (bi == nullptr) return -1;
  if (treatSimpleCurrentBulkAsExceptional(bi) && initializeOpenString() != 0) return -1;
  // The store belongs to one invariant (stamped after the conversion above) and one mode.
  const int mode = orientifoldRequired() == 1 ? 1 : 2;
  if (s.BoundCandMIPF != QueryBulkInvariant() || s.BoundCandUse != mode ||
      (mode == 1 && s.BoundCandOrientifold != cb.OrientifoldCounter)) {
    resetBoundaries();
    s.BoundCandMIPF = QueryBulkInvariant();
    s.BoundCandUse = mode;
    s.BoundCandOrientifold = cb.OrientifoldCounter;
  }
  if (cb.CrosscapStatus == 0 && initializeOpenString() != 0) return -1;
  if (cb.CrosscapStatus == -2) {
    Alert("tryBoundary", 1, 100302, "Crosscaps inconsistent; cannot compute boundaries");
    return -1;
  }
  if (!loadSearchMatrices()) return -1;
  const int N = s.N;
  std::vector<int> min(static_cast<size_t>(N), 0), max(static_cast<size_t>(N), 0), x(static_cast<size_t>(N), 0);
  const std::string limits = compact(text);
  const char* rest = limits.c_str();
  for (int i = 0; i < N; ++i) {
    if (rest == nullptr) {
      Alert("tryBoundary", 2, 100302, "Too few entries");
      return -1;
    }
    const char* start = rest;
    int ok = 0;
    rest = getNextLimits(rest, &min[static_cast<size_t>(i)], &max[static_cast<size_t>(i)], &ok);
    if (!ok) {
      const char* end = rest != nullptr ? rest - 1 : start + std::strlen(start);
      Alert("tryBoundary", 3, 100302, "Invalid entry: %s", std::string(start, end).c_str());
      return -1;
    }
  }
  if (rest != nullptr) {
    Alert("tryBoundary", 4, 100302, "Too many entries");
    return -1;
  }
  if (boundVerbose() >= 1) {
    Print("\nLoops started\n");
    PrintVec(N, min.data(), "Minima: ");
    PrintVec(N, max.data(), "Maxima: ");
    Print("\n");
  }
  const int before = s.BoundCandCount;
  testCandidateBoundaryInRange(N, nullptr, nullptr);
  s.last_CPU = CPUTime();
  {
    SearchPassProgress progress("Trying boundaries", N, min.data(), max.data());
    NestedLoops(N, min.data(), max.data(), x.data(), nullptr, nullptr,
                testCandidateBoundaryInRange);
  }
  return s.BoundCandCount - before;
}

long long boundarySearchLoopPoints() {
  return searchState().bodyCounters.count;
}

void resetBoundarySearch() {
  searchState() = SearchState{};
  boundarySearchState() = BoundarySearchState{};
  resetNimrepStore();
  resetKnownNIMrepVectors();
}
