// Kernel vectors of the equation system.
//
// A kernel vector k (N ints, k[N-1] = 0) satisfies every independent equation
// homogeneously. Each has -1 at its primary tag and 0 at the tags of all earlier vectors,
// so the vectors are linearly independent and there are at most capacity of them; the
// record has room for one more, and a vector beyond that is reported and dropped. The
// direct searches try -e_t plus two to four unit vectors; the loop searches run the
// nested-loop engine over small boxes with the tag fixed at -1.
//
// State: the call counters of the two loop bodies and their work buffers, kept for the
// run; resetKernelState restores them.
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <string>

#include "collections/VectorUtility.h"
#include "interpreter/Loops.h"
#include "numbers/MathUtility.h"
#include "runtime/Error.h"
#include "runtime/Output.h"
#include "runtime/SystemUtility.h"
#include "runtime/Terminal.h"
#include "solver/Equations.h"
#include "solver/EquationsInternal.h"

namespace {

constexpr double kDoubleTagSeconds = 120.0;
constexpr int kTimeCheckInterval = 4096;
// The box of the double-tag loops before the record's ranges narrow it.
constexpr int kDoubleTagEntryLimit = 1000000;

struct KernelState {
  long long homCalls = 0;
  long long doubleCalls = 0;
  long long boundCalls = 0;
  int workRows = 0;
  bool workReady = false;
  WorkBuffer<int> work{"work", equationsAccount()};
  WorkBuffer<int> box{"KernelBox", equationsAccount()};
};

KernelState& state() {
  static KernelState s;
  return s;
}

// What the loop bodies of the kernel searches need.
struct KernelSearch {
  KernelData* KD;
  const EquationData* ED;
  long long limit;
  int verbosity;
  double start;
  // The double-tag loops: every independent equation narrows each level, and the loops
  // end (timedOut set) once kDoubleTagSeconds have passed, however few leaves they reach.
  bool doubleTag = false;
  bool timedOut = false;
};

// Narrows [*newlo, *newhi] of x[level] by each independent (homogeneous) equation: with
// x[0..level-1] fixed and the later levels anywhere in their boxes, a[level] x[level] must
// lie in [-s - restMax, -s - restMin]. An empty result leaves *newlo > *newhi.
void narrowByEquations(const EquationData* ED, int n, int level, const int* x, const int* lo,
                       const int* hi, int* newlo, int* newhi) {
  for (int k = 0; k < ED->nind && *newlo <= *newhi; ++k) {
    const double* a = equationRow(ED, ED->neq + k);
    double s = 0.0;
    for (int j = 0; j < level; ++j) s += a[j] * x[j];
    double restMin = 0.0;
    double restMax = 0.0;
    for (int j = level + 1; j < n - 1; ++j) {
      double low = a[j] * lo[j];
      double high = a[j] * hi[j];
      restMin += std::min(low, high);
      restMax += std::max(low, high);
    }
    const double from = -s - restMax;
    const double to = -s - restMin;
    const double c = a[level];
    if (std::fabs(c) <= kTolerance) {
      if (from > 0.001 || to < -0.001) *newhi = *newlo - 1;
      continue;
    }
    double first = c > 0 ? from / c : to / c;
    double last = c > 0 ? to / c : from / c;
    if (first > static_cast<double>(*newlo)) {
      double bound = std::ceil(first - 0.001);
      if (bound > static_cast<double>(*newhi)) {
        *newhi = *newlo - 1;
        continue;
      }
      if (bound > static_cast<double>(*newlo)) *newlo = static_cast<int>(bound);
    }
    if (last < static_cast<double>(*newhi)) {
      double bound = std::floor(last + 0.001);
      if (bound < static_cast<double>(*newlo)) {
        *newhi = *newlo - 1;
        continue;
      }
      if (bound < static_cast<double>(*newhi)) *newhi = static_cast<int>(bound);
    }
  }
}

bool satisfiesIndependentEquations(const EquationData* ED, const int* x) {
  for (int k = 0; k < ED->nind; ++k) {
    if (!CheckEquation(equationRow(ED, ED->neq + k), x, 0, ED->N)) return false;
  }
  return true;
}

// Reports a vector past the capacity; false when there is no free row left for it.
bool roomForVector(KernelData* KD, const char* routine) {
  if (KD->count < KD->capacity) return true;
  callEquationDump();
  Alert(routine, 2, 220502, "Too many kernel vectors");
  return KD->count <= KD->capacity;
}

bool usable(const char* routine, const KernelData* KD, const EquationData* ED) {
  if (KD->Kernel.data() == nullptr || KD->N < 1 || ED == nullptr || ED->N != KD->N) {
    Alert(routine, 0, 100202, "The kernel record is not set up for this equation system");
    return false;
  }
  return true;
}

// The positive variables of a direct search: m of them after the fixed exclusions of list.
struct PositiveSearch {
  KernelData* KD;
  const double* rows;
  int nind;
  int N;
  int t;
  int s;  // secondary tag, -1 for the primary searches
  int m;
  int nfixed;
  int list[4];
};

bool combinationHolds(const PositiveSearch& p) {
  const int* chosen = p.list + p.nfixed;
  if (p.s >= 0)
    return checkDoubleQuadruplet(p.rows, p.nind, p.N, p.t, p.s, chosen[0], chosen[1]) != 0;
  switch (p.m) {
    case 1:
      return checkDoublet(p.rows, p.nind, p.N, p.t, chosen[0]) != 0;
    case 2:
      return checkTriplet(p.rows, p.nind, p.N, p.t, chosen[0], chosen[1]) != 0;
    default:
      return checkQuadruplet(p.rows, p.nind, p.N, p.t, chosen[0], chosen[1], chosen[2]) != 0;
  }
}

// Tries the positive variables at depth and below in the order of nextPositive, each
// after the previous one; true at the first combination that holds (left in list).
bool searchPositives(PositiveSearch& p, int depth) {
  int start = depth == 0 ? -1 : p.list[p.nfixed + depth - 1];
  int pass = 0;
  int prev = start;
  for (;;) {
    obeyInterruptRequest();
    int a = nextPositive(p.KD, start, prev, p.t, p.list, p.nfixed + depth, p.N - 1, &pass);
    if (a < 0) return false;
    prev = a;
    p.list[p.nfixed + depth] = a;
    if (depth + 1 < p.m) {
      if (searchPositives(p, depth + 1)) return true;
    } else if (combinationHolds(p)) {
      return true;
    }
  }
}

void directSearch(KernelData* KD, EquationData* ED, const int* min, const int* max, int verbosity,
                  int m, const char* routine) {
  if (!usable(routine, KD, ED)) return;
  const int N = ED->N;
  PositiveSearch p{KD, equationRow(ED, ED->neq), ED->nind, N, -1, -1, m, 0, {0, 0, 0, 0}};
  int prev = -1;
  int t = 0;
  while ((t = nextPrimaryTag(KD, min, max, 0, prev, N - 1)) >= 0) {
    prev = t;
    p.t = t;
    if (!searchPositives(p, 0)) continue;
    if (!roomForVector(KD, routine)) continue;
    int* row = kernelRow(KD, KD->count);
    std::fill(row, row + N, 0);
    row[t] = -1;
    for (int i = 0; i < m; ++i) row[p.list[i]] += 1;
    KD->tag[KD->count] = t;
    if (verbosity >= 2) Print("Kernel vector %d added; Tags label %d\n", KD->count, t);
    KD->count += 1;
    KD->nprimary += 1;
    KD->istag[t] = 1;
    for (int i = 0; i < m; ++i) KD->positive[p.list[i]] = 1;
  }
}

int* boxArrays(int N) {
  return state().box.get(3 * static_cast<std::size_t>(N));
}

}  // namespace

void resetKernelEvaluators() {
  hom_eval(0, nullptr, nullptr);
  hom_eval_double(0, nullptr, nullptr);
}

void resetKernelState() {
  KernelState& s = state();
  s.homCalls = 0;
  s.doubleCalls = 0;
  s.boundCalls = 0;
  s.workRows = 0;
  s.workReady = false;
  s.work.release();
  s.box.release();
}

KernelData::KernelData() : Kernel("KD->Kernel", equationsAccount()) {}

int* kernelRow(KernelData* KD, int i) {
  return KD->Kernel.data() + static_cast<std::size_t>(i) * static_cast<std::size_t>(KD->N);
}

const int* kernelRow(const KernelData* KD, int i) {
  return KD->Kernel.data() + static_cast<std::size_t>(i) * static_cast<std::size_t>(KD->N);
}

void initKernelData(KernelData* KD, const EquationData* ED) {
  if (ED == nullptr || ED->N < 1) {
    Alert("initKernelData", 0, 100202, "The equation record is not set up");
    return;
  }
  const long long N = ED->N;
  const long long capacity = std::max<long long>(N - 1 - ED->nind, 1);
  long long size = capacity + (3 * (capacity + 1) + 7) * N + 30000;
  size = std::max<long long>(size, 300000);
  if (size > static_cast<long long>(kAllocationRefusedSize / sizeof(int))) {
    Alert("initKernelData", 1, 100202, "Kernel too large (N=%lld)", N);
    return;
  }
  int* base = KD->Kernel.get(static_cast<std::size_t>(size));
  std::fill(base, base + size, 0);
  std::size_t rows = static_cast<std::size_t>((capacity + 1) * N);
  KD->N = static_cast<int>(N);
  KD->capacity = static_cast<int>(capacity);
  KD->second = base + rows;
  KD->tag = KD->second + rows;
  int* perVariable = KD->tag + capacity + 1;
  int** arrays[7] = {&KD->istag,      &KD->positive,  &KD->istag2, &KD->pairFirst,
                     &KD->pairSecond, &KD->reference, &KD->spare};
  for (int i = 0; i < 7; ++i) *arrays[i] = perVariable + i * N;
  KD->count = 0;
  KD->nprimary = 0;
  KD->ndoubletag = 0;
  KD->npairs = 0;
  KD->nnew = 0;
}

// ---------------------------------------------------------------------------------------
// Column checks

namespace {

double column(const double* rows, int N, int k, int j) {
  return rows[static_cast<std::size_t>(k) * N + j];
}

}  // namespace

int checkDoublet(const double* rows, int nind, int N, int t, int a) {
  for (int k = 0; k < nind; ++k) {
    if (!ZeroCheck(column(rows, N, k, t) - column(rows, N, k, a))) return 0;
  }
  return 1;
}

int checkTriplet(const double* rows, int nind, int N, int t, int a, int b) {
  for (int k = 0; k < nind; ++k) {
    if (!ZeroCheck(column(rows, N, k, t) - column(rows, N, k, a) - column(rows, N, k, b))) return 0;
  }
  return 1;
}

int checkQuadruplet(const double* rows, int nind, int N, int t, int a, int b, int c) {
  for (int k = 0; k < nind; ++k) {
    double sum = column(rows, N, k, t) - column(rows, N, k, a) - column(rows, N, k, b) -
                 column(rows, N, k, c);
    if (!ZeroCheck(sum)) return 0;
  }
  return 1;
}

int checkDoubleQuadruplet(const double* rows, int nind, int N, int t, int s, int a, int b) {
  for (int k = 0; k < nind; ++k) {
    double sum = column(rows, N, k, t) + column(rows, N, k, s) - column(rows, N, k, a) -
                 column(rows, N, k, b);
    if (!ZeroCheck(sum)) return 0;
  }
  return 1;
}

// ---------------------------------------------------------------------------------------
// Candidate orders

int nextPrimaryTag(const KernelData* KD, const int* min, const int* max, int, int prev, int n) {
  long long previousRange = prev < 0 ? 100000000LL : equations::rangeOf(min[prev], max[prev]);
  int best = -1;
  long long bestRange = 0;
  for (int v = 0; v < n; ++v) {
    if (v == prev || KD->istag[v] != 0 || KD->istag2[v] != 0) continue;
    long long range = equations::rangeOf(min[v], max[v]);
    bool after = range < previousRange || (range == previousRange && v > prev);
    if (after && (best < 0 || range > bestRange)) {
      best = v;
      bestRange = range;
    }
  }
  return best;
}

// The second pass leaves out the variables of the first, which were tried already.
int nextSecondaryTag(const KernelData* KD, const int* min, const int* max, int start, int prev,
                     int t, int n, int* pass) {
  auto eligible = [&](int v) {
    return v != t && KD->istag[v] == 0 && KD->istag2[v] == 0 && KD->positive[v] == 0;
  };
  auto firstKind = [&](int v) { return min[v] == 0 && max[v] != 0; };
  if (*pass == 0) {
    for (int v = std::max(prev + 1, 0); v < n; ++v) {
      if (eligible(v) && firstKind(v)) return v;
    }
    *pass = 1;
    prev = start;
  }
  for (int v = std::max(prev + 1, 0); v < n; ++v) {
    if (eligible(v) && !firstKind(v)) return v;
  }
  return -1;
}

int nextPositive(const KernelData* KD, int start, int prev, int t, const int* list, int nlist,
                 int n, int* pass) {
  auto eligible = [&](int v) {
    return v != t && KD->istag[v] == 0 && KD->istag2[v] == 0 && Present(list, nlist, v) < 0;
  };
  if (*pass == 0) {
    for (int v = std::max(prev + 1, 0); v < n; ++v) {
      if (eligible(v) && KD->positive[v] != 0) return v;
    }
    *pass = 1;
    prev = start;
  }
  for (int v = std::max(prev + 1, 0); v < n; ++v) {
    if (eligible(v) && KD->positive[v] == 0) return v;
  }
  *pass = 0;
  return -1;
}

// ---------------------------------------------------------------------------------------
// Direct searches

void KernelDoublets(KernelData* KD, EquationData* ED, const int* min, const int* max,
                    int verbosity) {
  directSearch(KD, ED, min, max, verbosity, 1, "KernelDoublets");
}

void KernelTriplets(KernelData* KD, EquationData* ED, const int* min, const int* max,
                    int verbosity) {
  directSearch(KD, ED, min, max, verbosity, 2, "KernelTriplets");
}

void KernelQuadruplets(KernelData* KD, EquationData* ED, const int* min, const int* max,
                       int verbosity) {
  directSearch(KD, ED, min, max, verbosity, 3, "KernelQuadruplets");
}

void KernelDoubleQuadruplets(KernelData* KD, EquationData* ED, const int* min, const int* max,
                             int verbosity) {
  if (!usable("KernelDoubleQuadruplets", KD, ED)) return;
  const int N = ED->N;
  AccountVector<int> vector(static_cast<std::size_t>(N), 0,
                            AccountAllocator<int>(equationsAccount(), "KernelDoubleQuadruplets"));
  PositiveSearch p{KD, equationRow(ED, ED->neq), ED->nind, N, -1, -1, 2, 1, {0, 0, 0, 0}};
  int prev = -1;
  int t = 0;
  while ((t = nextPrimaryTag(KD, min, max, 0, prev, N - 1)) >= 0) {
    prev = t;
    p.t = t;
    int pass = 0;
    int s = -1;
    while ((s = nextSecondaryTag(KD, min, max, -1, s, t, N - 1, &pass)) >= 0) {
      p.s = s;
      p.list[0] = s;
      if (!searchPositives(p, 0)) continue;
      std::fill(vector.begin(), vector.end(), 0);
      vector[t] = -1;
      vector[s] = -1;
      vector[p.list[1]] += 1;
      vector[p.list[2]] += 1;
      addDoubleTagKernelVector(KD, vector.data(), N, t, s, verbosity);
      break;
    }
  }
}

void addDoubleTagKernelVector(KernelData* KD, const int* v, int N, int t, int s, int verbosity) {
  if (!roomForVector(KD, "addDoubleTagKernelVector")) return;
  int* row = kernelRow(KD, KD->count);
  if (row != v) std::memmove(row, v, sizeof(int) * static_cast<std::size_t>(N));
  if (verbosity >= 2) Print("Kernel vector %d added; Tags labels %d and %d\n", KD->count, t, s);
  KD->tag[KD->count] = t;
  KD->count += 1;
  KD->ndoubletag += 1;
  KD->istag[t] = 1;
  KD->istag2[s] = 1;
  for (int i = 0; i < N; ++i) {
    if (row[i] > 0) KD->positive[i] = 1;
  }
  if (KD->npairs + 2 <= N) {
    KD->pairFirst[KD->npairs] = t;
    KD->pairSecond[KD->npairs] = s;
    KD->pairFirst[KD->npairs + 1] = s;
    KD->pairSecond[KD->npairs + 1] = t;
    KD->npairs += 2;
  }
}

// ---------------------------------------------------------------------------------------
// Loop searches

int hom_eval(int, int* x, void* ctx) {
  KernelState& s = state();
  if (ctx == nullptr) {
    s.homCalls = 0;
    return 0;
  }
  obeyInterruptRequest();
  auto* search = static_cast<KernelSearch*>(ctx);
  if (s.homCalls >= search->limit) return -3;
  s.homCalls += 1;
  const EquationData* ED = search->ED;
  if (!satisfiesIndependentEquations(ED, x)) return 0;
  KernelData* KD = search->KD;
  const int N = ED->N;
  int tagIndex = Present(x, N - 1, -1);
  if (tagIndex >= 0 && !roomForVector(KD, "hom_eval")) return -1;
  if (KD->count > KD->capacity) return 0;
  copyVec(N, kernelRow(KD, KD->count), x);
  if (tagIndex < 0) return 0;
  KD->tag[KD->count] = tagIndex;
  KD->istag[tagIndex] = 1;
  if (search->verbosity >= 2) Print("Kernel vector %d added; Tags label %d\n", KD->count, tagIndex);
  KD->count += 1;
  KD->nprimary += 1;
  return -1;
}

int hom_eval_double(int, int* x, void* ctx) {
  KernelState& s = state();
  if (ctx == nullptr) {
    s.doubleCalls = 0;
    s.workRows = 0;
    s.workReady = false;
    return 0;
  }
  obeyInterruptRequest();
  auto* search = static_cast<KernelSearch*>(ctx);
  const EquationData* ED = search->ED;
  const int N = ED->N;
  std::size_t square = static_cast<std::size_t>(N) * static_cast<std::size_t>(N);
  if (!s.workReady) {
    s.work.get(std::max<std::size_t>(2 * square + 20000, 200000));
    s.workRows = 0;
    s.workReady = true;
  }
  s.doubleCalls += 1;
  // The search is bounded by CPU time also inside one pair's loops.
  if (s.doubleCalls % kTimeCheckInterval == 0 && CPUTime() - search->start > kDoubleTagSeconds)
    return -3;
  if (!satisfiesIndependentEquations(ED, x)) return 0;
  KernelData* KD = search->KD;
  if (KD->count <= KD->capacity) copyVec(N, kernelRow(KD, KD->count), x);
  if (s.workRows >= N) return 0;
  int* rows = s.work.data();
  int* pivots = rows + square;
  copyVec(N, rows + static_cast<std::size_t>(s.workRows) * N, x);
  if (checkIndependence(rows, N, s.workRows, pivots) != 1) return 0;
  s.workRows += 1;
  return -1;
}

void KernelBound(int n, int level, const int* x, const int* lo, const int* hi, int* newlo,
                 int* newhi, void* ctx) {
  *newlo = lo[level];
  *newhi = hi[level];
  // The constant and the fixed levels (tags) keep their ranges.
  if (level == n - 1 || lo[level] == hi[level] || ctx == nullptr) return;
  // Whole ranges may be skipped here without a tuple reaching the body.
  obeyInterruptRequest();
  auto* search = static_cast<KernelSearch*>(ctx);
  const EquationData* ED = search->ED;
  if (search->doubleTag) {
    // The loops may reach few leaves, so the clock is asked here as well.
    KernelState& s = state();
    s.boundCalls += 1;
    if (!search->timedOut && s.boundCalls % kTimeCheckInterval == 0 &&
        CPUTime() - search->start > kDoubleTagSeconds)
      search->timedOut = true;
    if (search->timedOut) {
      *newhi = *newlo - 1;
      return;
    }
  }
  if (ED->nrows < 1) return;
  const double* first = equationRow(ED, 0);
  double sum = 0;
  for (int j = 0; j < level; ++j) sum += first[j] * x[j];
  if (sum > 0.001) {
    *newhi = std::min(hi[level], 0);
  } else if (first[level] > kTolerance) {
    // Only a positive coefficient caps the level; zero or negative ones leave it free.
    double cap = std::trunc(0.001 - sum / first[level]);
    if (cap < hi[level]) *newhi = static_cast<int>(cap);
  }
  if (search->doubleTag) narrowByEquations(ED, n, level, x, lo, hi, newlo, newhi);
}

int SolveHomogeneous(KernelData* KD, EquationData* ED, const int* min, const int* max,
                     int verbosity, int limit) {
  if (!usable("SolveHomogeneous", KD, ED)) return KD->nprimary;
  const int N = ED->N;
  int* lo = boxArrays(N);
  int* hi = lo + N;
  int* x = hi + N;
  KernelSearch search{KD, ED, limit, verbosity, CPUTime()};
  int prev = -1;
  int t = 0;
  while ((t = nextPrimaryTag(KD, min, max, 0, prev, N - 1)) >= 0) {
    prev = t;
    if (verbosity >= 3) Print("  Starting Kernel analysis for variable %d\n", t);
    for (int i = 0; i < N; ++i) {
      lo[i] = 0;
      hi[i] = KD->istag[i] != 0 ? 0 : 3;
    }
    lo[N - 1] = hi[N - 1] = 0;
    lo[t] = hi[t] = -1;
    if (AnalyseBounds2(ED, lo, hi) == -1) {
      if (verbosity >= 3) Print("  No kernel vector for label %d\n", t);
      continue;
    }
    if (verbosity >= 3)
      Print("  Starting loops; total length %s\n", loopLengthText(LoopLength(N, lo, hi), 8).c_str());
    hom_eval(0, nullptr, nullptr);
    int r = NestedLoops(N, lo, hi, x, &search, KernelBound, hom_eval);
    if (verbosity >= 3 && r == 0) Print("  No kernel vector for label %d\n", t);
    if (verbosity >= 3 && r == -3) Print("  Kernel vector search for label %d stopped\n", t);
  }
  sweepKernel(KD, N);
  resetPositiveUsed(KD, N);
  return KD->nprimary;
}

int DoubleTagKernelLoops(KernelData* KD, EquationData* ED, int, int verbosity, const int* min,
                         const int* max) {
  double start = CPUTime();
  if (!usable("DoubleTagKernelLoops", KD, ED)) return 1;
  const int N = ED->N;
  if (N < 2) return 1;
  int* lo = boxArrays(N);
  int* hi = lo + N;
  int* x = hi + N;
  KernelSearch search{KD, ED, 0, verbosity, start};
  search.doubleTag = true;
  auto excluded = [&](int v) {
    return KD->istag[v] != 0 || KD->istag2[v] != 0 || KD->positive[v] != 0 || min[v] == max[v];
  };
  auto tooLong = [&](int t) {
    Alert("DoubleTagKernelLoops", 0, 100201, "This takes too long; stopping at i=%d (out of %d)\n",
          t, N - 1);
    return 1;
  };
  for (int t = 0; t <= N - 3; ++t) {
    if (CPUTime() - start > kDoubleTagSeconds) return tooLong(t);
    if (excluded(t)) continue;
    for (int s = t + 1; s <= N - 2; ++s) {
      if (excluded(s)) continue;
      if (verbosity >= 3) Print("  Starting two-label kernel analysis for variables %d,%d\n", t, s);
      // A vector that deforms one point of the box into another has no entry beyond
      // the range of its variable.
      for (int i = 0; i < N - 1; ++i) {
        lo[i] = 0;
        long long range = equations::rangeOf(min[i], max[i]);
        hi[i] = KD->istag[i] != 0 || KD->istag2[i] != 0
                    ? 0
                    : static_cast<int>(std::clamp<long long>(range, 0, kDoubleTagEntryLimit));
      }
      lo[N - 1] = hi[N - 1] = 0;
      lo[t] = hi[t] = -1;
      lo[s] = hi[s] = -1;
      int r = 0;
      if (AnalyseBounds2(ED, lo, hi) != -1) {
        if (verbosity >= 3)
          Print("  Starting loops; total length %s\n", loopLengthText(LoopLength(N, lo, hi), 8).c_str());
        r = NestedLoops(N, lo, hi, x, &search, KernelBound, hom_eval_double);
      }
      if (r >= 1) {
        addDoubleTagKernelVector(KD, x, N, t, s, verbosity);
        break;
      }
      if (r == -3 || search.timedOut) return tooLong(t);
      if (verbosity >= 3) Print("  No kernel vector for labels %d and %d\n", t, s);
    }
  }
  return 1;
}

void FixBoundsUsingKernel(const KernelData* KD, int* min, int* max) {
  for (int i = 0; i < KD->nprimary; ++i) max[KD->tag[i]] = min[KD->tag[i]];
}

void sweepKernel(KernelData* KD, int N) {
  for (int v = 1; v < KD->count; ++v) {
    const int* added = kernelRow(KD, v);
    int t = KD->tag[v];
    for (int u = 0; u < v; ++u) {
      int* row = kernelRow(KD, u);
      if (row[t] < 1) continue;
      for (int j = 0; j < N; ++j) {
        if (!equations::addInt(row[j], added[j], &row[j])) {
          Alert("sweepKernel", 0, 112413, "Integer overflow in kernel vector %d", u);
          break;
        }
      }
    }
  }
}

void resetPositiveUsed(KernelData* KD, int N) {
  std::fill(KD->positive, KD->positive + N, 0);
  for (int i = 0; i < KD->count; ++i) {
    const int* row = kernelRow(KD, i);
    for (int j = 0; j < N; ++j) {
      if (row[j] >= 1) KD->positive[j] = 1;
    }
  }
}

// ---------------------------------------------------------------------------------------
// Printing

void printKernel(const KernelData* KD, int N, int from, int to) {
  for (int i = from; i < to; ++i) {
    printKernelVector(N, kernelRow(KD, i), formatText("Nr. %2d: ", i).c_str());
  }
}

void printKernelVector(int n, const int* v, const char* title) {
  std::string line = formatText("%s ", title);
  bool trivial = true;
  for (int i = 0; i < n; ++i) {
    if (v[i] == 0) continue;
    line += formatText(" %d:%d", i, v[i]);
    trivial = false;
  }
  line += trivial ? " trivial\n" : "\n";
  Print("%s", line.c_str());
}
