// Bounded search loops and the acceptance protocol.
//
// A search runs the nested-loop engine over the box of the loop variables (the constant's
// entry fixed at 1). The elimination plan makes every independent equation solve one
// variable, which therefore does not loop: the loop body computes it from the equation
// and rejects the candidate when it is not an integer, lies in an exclusion range or
// outside the record's bounds; only then is the client's acceptance callback asked. The
// full driver also keeps the accepted solutions, recognises deformations of the first
// solution by kernel vectors and summarises the result.
//
// A point whose two tags of a double-tag pair are both non-zero is a deformation of the
// point plus the pair's vector (both tags one lower). It is passed over only when that
// point lies in the box, since only then do the loops reach it; following such steps
// ends at a point that is kept, because the vectors are independent and the box finite.
//
// State: one loop record per driver, the solution collections, the candidate and
// deformation buffers and the counters of the loop bodies. They are valid from the start
// of a search until the next one; resetSearchState restores the start state.
#include <algorithm>
#include <climits>
#include <cmath>
#include <string>

#include "collections/VectorUtility.h"
#include "interpreter/Loops.h"
#include "runtime/Error.h"
#include "runtime/Output.h"
#include "runtime/SystemUtility.h"
#include "runtime/Terminal.h"
#include "solver/Equations.h"
#include "solver/EquationsInternal.h"

namespace {

constexpr int kInitialCheckRate = 10000;
constexpr int kSingleCheckInterval = 10000;
constexpr int kNoLimit = INT_MAX;
// Tuples between two updates of the progress line (each update ranks the tuple in the box).
constexpr long long kProgressStride = 64;

// The loop record of one driver.
struct LoopData {
  EquationData* ED = nullptr;
  KernelData* KD = nullptr;
  WorkBuffer<int> VarsFromEqs{"LD.VarsFromEqs", equationsAccount()};
  double start = 0;
  int interval = 0;  // seconds; the pass limit for the lean driver
  int verbosity = 0;
  int full = 0;
  int firstonly = 0;
  SolutionFunction solutionfn = nullptr;
  // Per variable: 1 when an equation solves it (its loop range is a single point).
  WorkBuffer<int> solved{"LD.SolvedVariables", equationsAccount()};
  // Per double-tag pair: the kernel row of its vector (-1: none), then 1 when the bounds
  // callback may prune by it (see DynamicBound).
  WorkBuffer<int> pairInfo{"LD.PairInfo", equationsAccount()};
  // The progress line of the running search (null outside it).
  ProgressScope* progress = nullptr;
};

struct SearchState {
  LoopData fullRecord;
  LoopData singleRecord;
  VectorSpace Solutions_0{20, "Solutions_0"};
  VectorSpace InterestingSolutions_0{20, "InterestingSolutions_0"};
  int MinimalSolutionSize = INT_MAX;
  WorkBuffer<int> candidate{"candidate", equationsAccount()};
  WorkBuffer<int> DeformablesInfo{"DeformablesInfo", equationsAccount()};
  int* RelevantKernelVectors = nullptr;
  int* Deformables = nullptr;
  int DeformablesCount = 0;
  int maxDeformables = 0;
  const int* MINIMUM = nullptr;
  const int* MAXIMUM = nullptr;
  long long passcnt = -1;
  long long checkrate = kInitialCheckRate;
  double last = 0;
  double Dif = 0;
  long long singlePasscnt = -1;
  int minindex = 10000;
  WorkBuffer<int> Loop{"Loop", equationsAccount()};
};

SearchState& state() {
  static SearchState s;
  return s;
}

void clearCollection(VectorSpace& space) {
  space.storage.clear();
  space.storage.shrink_to_fit();
  space.Space = nullptr;
  space.Nrow = 0;
  space.Nfill = 0;
  space.capacity = 0;
  space.rowsize = 0;
  space.idsize = 0;
  space.root = 0;
  space.increment = space.increment0;
}

void clearRecord(LoopData& LD) {
  LD.ED = nullptr;
  LD.KD = nullptr;
  LD.VarsFromEqs.release();
  LD.start = 0;
  LD.interval = 0;
  LD.verbosity = 0;
  LD.full = 0;
  LD.firstonly = 0;
  LD.solutionfn = nullptr;
  LD.progress = nullptr;
  LD.solved.release();
  LD.pairInfo.release();
}

const int* rowOf(const VectorSpace& space, int i) {
  return space.Space + static_cast<std::size_t>(i) * static_cast<std::size_t>(space.rowsize);
}

bool ready(const char* routine, const KernelData* KD, const EquationData* ED, const int* min,
           const int* max, SolutionFunction solutionfn) {
  if (ED == nullptr || ED->N < 1 || ED->Equations.data() == nullptr || ED->minima == nullptr) {
    Alert(routine, 0, 100202, "The equation record is not set up");
    return false;
  }
  if (KD == nullptr || KD->Kernel.data() == nullptr || KD->N != ED->N) {
    Alert(routine, 1, 100202, "The kernel record is not set up for this equation system");
    return false;
  }
  if (min == nullptr || max == nullptr || solutionfn == nullptr) {
    Alert(routine, 2, 100202, "No bounds or no acceptance function");
    return false;
  }
  return true;
}

// The callback's result as the loop engine is to see it when one solution is enough.
int firstOnlyResult(int r) {
  return r == 1 ? -1 : r;
}

int searchResult(int r, int N, const int* min, const int* max) {
  if (r >= 1) return static_cast<int>(std::max<long long>(-3LL - r, INT_MIN));
  if (r == 0) {
    double length = LoopLength(N, min, max);
    setFailureReason(5, length >= 9.2e18 ? LLONG_MAX : static_cast<long long>(length));
    return -1;
  }
  if (r == -1 || r == -3) return -2;
  return 0;
}

// Copies the independent rows into OptimizedEquations and runs the elimination plan on
// them with the loop bounds.
void planElimination(LoopData& LD, int* min, int* max, int verbosity) {
  EquationData* ED = LD.ED;
  const int N = ED->N;
  int* vars = LD.VarsFromEqs.get(static_cast<std::size_t>(std::max(N + 100, 1000)));
  std::fill(vars, vars + N, -1);
  std::size_t size = static_cast<std::size_t>(ED->nind) * N;
  double* optimized = ED->OptimizedEquations.get(std::max<std::size_t>(size, 1));
  if (size > 0) {
    const double* independent = equationRow(ED, ED->neq);
    std::copy(independent, independent + size, optimized);
  }
  OptimizeEquationUse(optimized, N, ED->nind, min, max, LD.KD->positive, vars, verbosity);
  int* solved = LD.solved.get(static_cast<std::size_t>(N));
  std::fill(solved, solved + N, 0);
  for (int k = 0; k < ED->nind; ++k) {
    if (vars[k] >= 0) solved[vars[k]] = 1;
  }
}

// The kernel row of the double-tag vector of pair p: the vector tagged with the pair's
// first label and -1 at both labels; -1 when there is none.
int doubleTagRow(const KernelData* KD, int p) {
  int first = KD->pairFirst[p];
  int second = KD->pairSecond[p];
  for (int i = 0; i < KD->count; ++i) {
    const int* row = kernelRow(KD, i);
    if ((KD->tag[i] == first || KD->tag[i] == second) && row[first] == -1 && row[second] == -1)
      return i;
  }
  return -1;
}

// Looks up the vector of each pair and decides where the bounds callback may prune: a
// pair (level, other) qualifies when every non-zero entry of its vector but the one at
// level lies on an outer loop level, so that the deformed point is known there when the
// range of level is asked for; with exclusion ranges nothing is pruned.
void preparePairs(LoopData& LD) {
  const KernelData* KD = LD.KD;
  const int N = LD.ED->N;
  int* info = LD.pairInfo.get(static_cast<std::size_t>(2 * std::max(KD->npairs, 1)));
  const int* solved = LD.solved.data();
  for (int p = 0; p < KD->npairs; ++p) {
    int row = doubleTagRow(KD, p);
    int level = KD->pairFirst[p];
    bool prunable = row >= 0 && LD.ED->exclusion != 1 && solved[level] == 0;
    for (int j = 0; prunable && j < N; ++j) {
      int entry = kernelRow(KD, row)[j];
      if (j == level || entry == 0) continue;
      prunable = j < level && solved[j] == 0;
    }
    info[2 * p] = row;
    info[2 * p + 1] = prunable ? 1 : 0;
  }
}

// True when y[j] = x[j] + v[j] lies in the box for every j with v[j] != 0 other than
// skip: inside the record's bounds, inside the loop range unless j is solved, and outside
// the exclusion range when that is on. x itself is a point of the box.
bool deformationStaysInBox(const LoopData& LD, const int* x, const int* v, int skip) {
  const SearchState& s = state();
  const EquationData* ED = LD.ED;
  const int* solved = LD.solved.data();
  for (int j = 0; j < ED->N - 1; ++j) {
    if (v[j] == 0 || j == skip) continue;
    long long y = static_cast<long long>(x[j]) + v[j];
    if (y < ED->minima[j] || y > ED->maxima[j]) return false;
    if (solved[j] == 0 && (y < s.MINIMUM[j] || y > s.MAXIMUM[j])) return false;
    if (ED->exclusion == 1 && ED->exclusionMinima[j] <= y && y <= ED->exclusionMaxima[j])
      return false;
  }
  return true;
}

// Steps shared by both loop bodies: the solved variables, the exclusion ranges and the
// record's bounds. False rejects the candidate.
bool admissible(const LoopData& LD, int n, int* candidate) {
  const EquationData* ED = LD.ED;
  const double* optimized = ED->OptimizedEquations.data();
  const int* vars = LD.VarsFromEqs.data();
  for (int k = 0; k < ED->nind; ++k) {
    int v = vars[k];
    if (v < 0) continue;
    // Any integer will do: the bounds below judge the value, and they may be negative.
    if (!solveIntegerFromEquation(n, optimized + static_cast<std::size_t>(k) * n, v, candidate))
      return false;
  }
  if (ED->exclusion == 1) {
    for (int i = 0; i < n - 1; ++i) {
      if (ED->exclusionMinima[i] <= candidate[i] && candidate[i] <= ED->exclusionMaxima[i])
        return false;
    }
  }
  // A solved variable may come out of its range; such a point is not in the box.
  for (int i = 0; i < n - 1; ++i) {
    if (candidate[i] < ED->minima[i] || candidate[i] > ED->maxima[i]) return false;
  }
  return true;
}

// The periodic question of the full body; -3 stops the search, 0 goes on.
int askToContinue(LoopData& LD, int n, const int* x) {
  SearchState& s = state();
  double now = CPUTime();
  double elapsed = now - s.last;
  if (!(elapsed > LD.interval)) return 0;
  const EquationData* ED = LD.ED;
  if (LD.verbosity >= 1) {
    printVec(n, x, "Current loop indices: ");
    printVec(n, ED->loopMinima, "Minima: ");
    printVec(n, ED->loopMaxima, "Maxima: ");
  }
  int moved = 0;
  while (moved < n && x[moved] <= ED->loopMinima[moved]) ++moved;
  double outer = LoopLength(moved, ED->loopMinima, ED->loopMaxima);
  double estimate = outer * (now - LD.start);
  // The product of the outer loop ranges overflows a double for long enough loops: such an
  // estimate (and a meaningless negative one) is unknown, not "inf". An overflowed one is
  // still beyond ten intervals and asks with the default answer No.
  const bool known = std::isfinite(estimate) && estimate >= 0;
  const bool longWait = estimate > 10.0 * LD.interval;
  const int position = longWait ? 0 : 1;
  const int code = longWait ? 653209 : 333209;
  const int reply =
      known ? Alert("checkCandidate", position, code,
                    "Loops in progress; Estimated remaining time %7.2g sec.\nDo you wish to "
                    "continue?",
                    estimate)
            : Alert("checkCandidate", position, code,
                    "Loops in progress; Estimated remaining time unknown.\nDo you wish to "
                    "continue?");
  // The stopping answer: the default (1) of the long question, the alternate (0) of the short.
  if (reply == (longWait ? 1 : 0)) return -3;
  s.Dif = elapsed;
  double rate =
      elapsed > 0 ? std::trunc(LD.interval / elapsed * static_cast<double>(s.passcnt) / 3.0) : 0;
  if (!(rate >= 1)) rate = 20000;
  s.checkrate = static_cast<long long>(std::min(rate, 1e15));
  s.last = now;
  s.passcnt = 0;
  return 0;
}

// Step f of the full body: the difference to the first solution against the kernel.
int classifyDifference(LoopData& LD, int n, int* candidate) {
  SearchState& s = state();
  KernelData* KD = LD.KD;
  int* second = KD->second + static_cast<std::size_t>(KD->nnew) * n;
  for (int j = 0; j < n; ++j) {
    if (!equations::subtractInt(candidate[j], KD->reference[j], &second[j])) {
      Alert("checkCandidate", 8, 112413, "Integer overflow in the difference of two solutions");
      return 0;
    }
  }
  if (KD->count > KD->capacity) {
    callEquationDump();
    Alert("checkCandidate", 6, 220502, "Too many kernel vectors");
    return 0;
  }
  int* row = kernelRow(KD, KD->count);
  copyVec(n, row, second);
  if (LD.verbosity >= 3) printKernelVector(n, second, "Candidate Kernel Vector");
  int independence = checkIntegerIndependence(KD->Kernel.data(), n, KD->count, KD->tag);
  if (independence == 0) {
    if (LD.verbosity >= 3) Print("Linear combination of known kernel vectors\n");
    return 0;
  }
  if (independence == 2) {
    LD.solutionfn(candidate);
    Alert("checkCandidate", 7, 100201, "********* Additional solution found");
    addNewVectorToSpace(&s.Solutions_0, candidate);
    return 1;
  }
  if (LD.verbosity >= 1)
    printKernelVector(n, second, formatText("New kernel vector (Nr. %2d)", KD->count).c_str());
  if (KD->count >= KD->capacity) {
    callEquationDump();
    Alert("checkCandidate", 6, 220502, "Too many kernel vectors");
  }
  KD->count += 1;
  KD->nnew += 1;
  if (LD.verbosity >= 1) LD.solutionfn(candidate);
  return 0;
}

// Step 7 of the full body for an accepted candidate.
int bookAcceptedCandidate(LoopData& LD, int n, int* candidate) {
  SearchState& s = state();
  KernelData* KD = LD.KD;
  const EquationData* ED = LD.ED;
  int size = 0;
  for (int i = 0; i < n - 1; ++i) size += candidate[i] != 0 ? 1 : 0;
  if (size <= s.MinimalSolutionSize) {
    addNewVectorToSpace(&s.InterestingSolutions_0, candidate);
    s.MinimalSolutionSize = size;
  }
  // Both tags of a double-tag pair non-zero: a deformation, unless the point it deforms
  // lies outside the box.
  const int* pairInfo = LD.pairInfo.data();
  for (int p = 0; p < KD->npairs; ++p) {
    if (candidate[KD->pairFirst[p]] == 0 || candidate[KD->pairSecond[p]] == 0) continue;
    int row = pairInfo[2 * p];
    if (row >= 0 && deformationStaysInBox(LD, candidate, kernelRow(KD, row), -1)) return 0;
  }
  int failed = 0;
  if (!CheckEquations(equationRow(ED, ED->neq), candidate, ED->nind, n, 0)) {
    failed = 4;
  } else if (!CheckEquations(ED->OptimizedEquations.data(), candidate, ED->nind, n, 0)) {
    failed = 5;
  }
  if (failed != 0) {
    printVec(n, candidate, "Rejected solution: ");
    Alert("checkCandidate", failed, 212404, "Candidate solution does not satisfy equations");
    return 0;
  }
  if (LD.verbosity >= 3) printKernelVector(n, candidate, "Candidate solution     ");
  if (checkRelevance(candidate, n, KD, s.RelevantKernelVectors, s.DeformablesCount + 1) &&
      s.DeformablesCount < s.maxDeformables) {
    copyVec(n, s.Deformables + static_cast<std::size_t>(s.DeformablesCount) * n, candidate);
    s.DeformablesCount += 1;
  }
  if (s.Solutions_0.Nfill == 0) {
    if (LD.verbosity >= 1) LD.solutionfn(candidate);
    addNewVectorToSpace(&s.Solutions_0, candidate);
    copyVec(n, KD->reference, candidate);
    return 1;
  }
  return classifyDifference(LD, n, candidate);
}

// Every tuple obeys a pending Ctrl-C; every so often the line shows how much of the box
// the loops have passed (the bounds callback skips parts of it, so tuples are not counted).
void showProgress(LoopData& LD, long long pass, int n, const int* x) {
  if (pass % kProgressStride != 0 || LD.progress == nullptr) {
    obeyInterruptRequest();
    return;
  }
  const SearchState& s = state();
  LD.progress->advanceTo(getLoopPosition(n, s.MINIMUM, s.MAXIMUM, x));
}

// The progress line of one search, held by its loop record while the loops run.
class SearchProgress {
 public:
  SearchProgress(LoopData& LD, int n, const int* min, const int* max)
      : LD_(LD), scope_("Diophantine loops", getLoopLength(n, min, max)) {
    LD_.progress = &scope_;
  }
  ~SearchProgress() { LD_.progress = nullptr; }
  SearchProgress(const SearchProgress&) = delete;
  SearchProgress& operator=(const SearchProgress&) = delete;

 private:
  LoopData& LD_;
  ProgressScope scope_;
};

void startSolutions(int N) {
  SearchState& s = state();
  SetVectorSpace(&s.Solutions_0, N, 21);
  SetVectorSpace(&s.InterestingSolutions_0, N, 21);
  s.MinimalSolutionSize = INT_MAX;
}

}  // namespace

void resetSearchState() {
  SearchState& s = state();
  clearRecord(s.fullRecord);
  clearRecord(s.singleRecord);
  clearCollection(s.Solutions_0);
  clearCollection(s.InterestingSolutions_0);
  s.MinimalSolutionSize = INT_MAX;
  s.candidate.release();
  s.DeformablesInfo.release();
  s.RelevantKernelVectors = nullptr;
  s.Deformables = nullptr;
  s.DeformablesCount = 0;
  s.maxDeformables = 0;
  s.MINIMUM = nullptr;
  s.MAXIMUM = nullptr;
  s.passcnt = -1;
  s.checkrate = kInitialCheckRate;
  s.last = 0;
  s.Dif = 0;
  s.singlePasscnt = -1;
  s.minindex = 10000;
  s.Loop.release();
}

void InitializeEquationSolver() {
  SearchState& s = state();
  s.passcnt = -1;
  s.singlePasscnt = -1;
  resetKernelEvaluators();
  s.minindex = 10000;
  setFailureReason(0, 0);
}

const VectorSpace* getSolutionPointer() {
  return &state().Solutions_0;
}

// ---------------------------------------------------------------------------------------
// Loop bodies and bounds

int checkCandidate(int n, int* x, void* record) {
  SearchState& s = state();
  if (record == nullptr) {
    s.passcnt = -1;
    return 0;
  }
  auto& LD = *static_cast<LoopData*>(record);
  if (s.passcnt == -1) {
    s.DeformablesCount = 0;
    s.checkrate = kInitialCheckRate;
    s.candidate.get(static_cast<std::size_t>(n));
    s.RelevantKernelVectors = nullptr;
    s.Deformables = nullptr;
    s.maxDeformables = 0;
    if (LD.full == 1) {
      std::size_t square = static_cast<std::size_t>(n) * static_cast<std::size_t>(n + 2);
      std::size_t size = std::max<std::size_t>(square, 90000) + 10000;
      int* info = s.DeformablesInfo.get(size);
      std::fill(info, info + n, 0);
      s.RelevantKernelVectors = info;
      s.Deformables = info + n;
      s.maxDeformables = static_cast<int>(std::min<std::size_t>((size - n) / n, INT_MAX));
    }
    s.last = CPUTime();
  }
  s.passcnt += 1;
  showProgress(LD, s.passcnt, n, x);
  if (s.passcnt % s.checkrate == s.checkrate - 1 && askToContinue(LD, n, x) == -3) return -3;
  int* candidate = s.candidate.data();
  copyVec(n, candidate, x);
  if (!admissible(LD, n, candidate)) return 0;
  if (LD.firstonly == 1) return firstOnlyResult(LD.solutionfn(candidate));
  int r = LD.solutionfn(candidate);
  // A rejection, a stop or an abort by the callback is passed on as it is.
  if (LD.full == 0 || r <= 0) return r;
  return bookAcceptedCandidate(LD, n, candidate);
}

int checkCandidateSingle(int n, int* x, void* record) {
  SearchState& s = state();
  if (record == nullptr) {
    s.singlePasscnt = -1;
    return 0;
  }
  auto& LD = *static_cast<LoopData*>(record);
  if (s.singlePasscnt == -1) {
    s.DeformablesCount = 0;
    s.candidate.get(static_cast<std::size_t>(n));
  }
  s.singlePasscnt += 1;
  showProgress(LD, s.singlePasscnt, n, x);
  if (s.singlePasscnt % kSingleCheckInterval == kSingleCheckInterval - 1 &&
      LD.interval != kNoLimit && s.singlePasscnt >= LD.interval) {
    Print("ABORTED (during loop search) \n");
    return -3;
  }
  int* candidate = s.candidate.data();
  copyVec(n, candidate, x);
  if (!admissible(LD, n, candidate)) return 0;
  return firstOnlyResult(LD.solutionfn(candidate));
}

// A value c of a double tag is cut only when its partner on an outer level is non-zero
// and the point plus the pair's vector (c - 1 here) lies in the box: the loops reach that
// point. Only pairs whose vector lives on outer levels qualify (the inner levels of x
// still hold values of the previous tuple). What is left of the range, its lowest value
// and 0, is kept as the smallest interval holding both.
void DynamicBound(int, int level, const int* x, const int* lo, const int* hi, int* newlo,
                  int* newhi, void* record) {
  SearchState& s = state();
  if (record == nullptr) {
    s.minindex = 10000;
    return;
  }
  // Whole ranges may be skipped here without a tuple reaching the body.
  obeyInterruptRequest();
  const auto& LD = *static_cast<const LoopData*>(record);
  *newlo = lo[level];
  *newhi = hi[level];
  if (level < s.minindex) {
    s.minindex = level;
    if (LD.verbosity >= 9) Print("Loop index: %d\n", level);
  }
  const KernelData* KD = LD.KD;
  const int* pairInfo = LD.pairInfo.data();
  for (int p = 0; p < KD->npairs; ++p) {
    int other = KD->pairSecond[p];
    if (KD->pairFirst[p] != level || other >= level || x[other] == 0) continue;
    if (pairInfo == nullptr || pairInfo[2 * p + 1] == 0) continue;
    const int* vector = kernelRow(KD, pairInfo[2 * p]);
    if (!deformationStaysInBox(LD, x, vector, level)) continue;
    // The deformed value c - 1 lies in the box for every c above the lowest value.
    int lowest = std::max(lo[level], LD.ED->minima[level]);
    *newhi = std::min(hi[level], std::max(lowest, std::min(hi[level], 0)));
    return;
  }
}

// ---------------------------------------------------------------------------------------
// Drivers

int DiophLoops(KernelData* KD, EquationData* ED, int* min, int* max, int verbosity, int interval,
               AllocationAccount*, SolutionFunction solutionfn, int full, int firstonly) {
  if (!ready("DiophLoops", KD, ED, min, max, solutionfn)) return 0;
  SearchState& s = state();
  LoopData& LD = s.fullRecord;
  const int N = ED->N;
  LD.ED = ED;
  LD.KD = KD;
  LD.interval = interval;
  LD.verbosity = verbosity;
  LD.full = full;
  LD.firstonly = firstonly;
  LD.solutionfn = solutionfn;
  if (verbosity >= 2) {
    Print("Bounds (without using equations):\n");
    PrintBounds(N - 1, min, max, 100);
  }

  if (KD->ndoubletag == 0 && KD->nprimary < KD->capacity) {
    KD->npairs = 0;
    if (full == 1) {
      printProgressHeader(verbosity, "Starting double tag kernel analysis (direct search)");
      int before = KD->count;
      KernelDoubleQuadruplets(KD, ED, min, max, verbosity);
      if (verbosity >= 1) Print("Found: %d\n", KD->count - before);
      printProgressHeader(verbosity, "Starting double tag kernel analysis (loop search)");
      int beforeLoops = KD->count;
      DoubleTagKernelLoops(KD, ED, 100000, verbosity, min, max);
      if (verbosity >= 1) {
        Print("Found: %d\n", KD->count - beforeLoops);
        Print("%d primary double tag kernel vectors determined\n", KD->ndoubletag);
        printKernel(KD, N, before, KD->count);
      }
    }
  }

  planElimination(LD, min, max, verbosity);
  preparePairs(LD);
  if (verbosity >= 2) {
    Print("Bounds after using equations:\n");
    PrintBounds(N - 1, min, max, 100);
  }
  if (verbosity >= 1) {
    Print("Starting nested variable loops\n");
    if (firstonly == 1) Print("(Stopped after first solution)\n");
  }

  KD->nnew = 0;
  setFailureReason(0, 0);
  s.MINIMUM = min;
  s.MAXIMUM = max;
  LD.start = CPUTime();
  startSolutions(N);
  // Every search sizes the body's buffers for its own N.
  s.passcnt = -1;
  int* loop = s.Loop.get(static_cast<std::size_t>(N));
  int r = 0;
  {
    SearchProgress progress(LD, N, min, max);
    r = NestedLoops(N, min, max, loop, &LD, DynamicBound, checkCandidate);
  }
  if (full == 1) postSearchAnalysis(KD, N, solutionfn, verbosity);
  return searchResult(r, N, min, max);
}

int DiophLoopsSingle(KernelData* KD, EquationData* ED, int* min, int* max, int limit,
                     AllocationAccount*, SolutionFunction solutionfn) {
  if (!ready("DiophLoopsSingle", KD, ED, min, max, solutionfn)) return 0;
  SearchState& s = state();
  LoopData& LD = s.singleRecord;
  const int N = ED->N;
  LD.ED = ED;
  LD.KD = KD;
  LD.interval = limit;
  LD.verbosity = 0;
  LD.full = 0;
  LD.firstonly = 1;
  LD.solutionfn = solutionfn;
  KD->npairs = 0;
  planElimination(LD, min, max, 0);
  preparePairs(LD);
  setFailureReason(0, 0);
  s.MINIMUM = min;
  s.MAXIMUM = max;
  LD.start = CPUTime();
  startSolutions(N);
  s.singlePasscnt = -1;
  int* loop = s.Loop.get(static_cast<std::size_t>(N));
  int r = 0;
  {
    SearchProgress progress(LD, N, min, max);
    r = NestedLoops(N, min, max, loop, &LD, DynamicBound, checkCandidateSingle);
  }
  return searchResult(r, N, min, max);
}

// ---------------------------------------------------------------------------------------
// Relevance and the summary

int checkRelevanceForKernelVector(const int* cand, int n, const int* v) {
  for (int j = 0; j < n - 1; ++j) {
    if (v[j] > 0 && cand[j] == 0) return 0;
  }
  return 1;
}

int checkRelevance(const int* cand, int n, const KernelData* KD, int* relevant, int tag) {
  if (relevant == nullptr) return 0;
  int base = std::min(KD->nprimary + KD->ndoubletag, n);
  int marked = 0;
  for (int i = 0; i < base; ++i) {
    if (relevant[i] != 0 || !checkRelevanceForKernelVector(cand, n, kernelRow(KD, i))) continue;
    relevant[i] = tag;
    marked = 1;
  }
  return marked;
}

int isRelevant(const KernelData* KD, int v) {
  if (v >= KD->nprimary + KD->ndoubletag) return 1;
  const int* relevant = state().RelevantKernelVectors;
  return relevant != nullptr && v >= 0 && relevant[v] != 0 ? 1 : 0;
}

int printRelevantKernelVectors(KernelData* KD, int N, SolutionFunction solutionfn, int verbosity) {
  SearchState& s = state();
  if (s.RelevantKernelVectors == nullptr) return 0;
  AccountVector<int> deformed(
      static_cast<std::size_t>(N), 0,
      AccountAllocator<int>(equationsAccount(), "printRelevantKernelVectors"));
  int base = std::min(KD->nprimary + KD->ndoubletag, N);
  int count = 0;
  for (int i = 0; i < base; ++i) {
    int example = s.RelevantKernelVectors[i];
    if (example == 0) continue;
    count += 1;
    if (verbosity < 1 || example > s.DeformablesCount) continue;
    const int* solution = s.Deformables + static_cast<std::size_t>(example - 1) * N;
    const int* vector = kernelRow(KD, i);
    bool fits = true;
    for (int j = 0; j < N && fits; ++j)
      fits = equations::subtractInt(solution[j], vector[j], &deformed[j]);
    if (!fits) continue;
    printKernelVector(N, vector, "Relevant kernel vector:");
    Print("Example involving this kernel vector: \n");
    solutionfn(deformed.data());
  }
  return count;
}

void postSearchAnalysis(KernelData* KD, int N, SolutionFunction solutionfn, int verbosity) {
  SearchState& s = state();
  const VectorSpace& solutions = s.Solutions_0;
  if (solutions.Space == nullptr || solutions.Nfill == 0) return;
  Print("\nSummary of all solutions\n\n");
  int marked = 0;
  int base = std::min(KD->nprimary + KD->ndoubletag, N);
  for (int i = 0; i < base && s.RelevantKernelVectors != nullptr; ++i) {
    if (s.RelevantKernelVectors[i] != 0) marked += 1;
  }
  int parameters = marked + KD->nnew;
  if (solutions.Nfill == 1 && parameters == 0) {
    printKernelVector(N, rowOf(solutions, 0), "Unique solution: ");
  } else if (solutions.Nfill == 1) {
    printKernelVector(N, rowOf(solutions, 0),
                      formatText("Unique solution (with %d parameters) ", parameters).c_str());
  } else {
    Print("List of solutions: \n");
    for (int i = 0; i < solutions.Nfill; ++i) {
      printKernelVector(N, rowOf(solutions, i), formatText("Nr %d: ", i).c_str());
    }
  }
  // The new kernel vectors already stand after the earlier rows (written during the search).
  if (verbosity >= 1 && KD->nnew > 0) {
    Print("Secondary kernel vector summary\n");
    for (int i = 0; i < KD->nnew; ++i) {
      printKernelVector(N, KD->second + static_cast<std::size_t>(i) * N,
                        formatText("Nr %d: ", i).c_str());
    }
  }
  if (verbosity >= 1) {
    Print("Analysis of primary kernel deformations\n");
    printRelevantKernelVectors(KD, N, solutionfn, verbosity);
    if (parameters >= 1) {
      Print("\nSimplest solutions encountered:\n");
      const VectorSpace& simplest = s.InterestingSolutions_0;
      for (int i = 0; i < simplest.Nfill; ++i) {
        if (i == 12) {
          Print("\netc.....\n");
          return;
        }
        std::copy(rowOf(simplest, i), rowOf(simplest, i) + N, s.candidate.data());
        solutionfn(s.candidate.data());
      }
    }
  } else {
    printRelevantKernelVectors(KD, N, solutionfn, verbosity);
  }
  if (parameters == 0) Print("\nUnique, undeformable solution\n");
}

void printProgressHeader(int verbosity, const char* text) {
  if (verbosity == 0) return;
  if (verbosity == 1) {
    Print("%s; ", text);
    sinkFlush();
  } else {
    Print("%s\n", text);
  }
}
