// Equation data, independent equations and variable bounds.
//
// Equations are rows of N doubles (the constant last) in the record's Equations buffer;
// the independent equations are built by Gauss-Jordan elimination on copies of the input
// rows and normalised so that their pivot is 1, which makes the coefficient of an input
// row in the pivot column of an independent row its decomposition coefficient. Bounds are
// tightened by interval propagation: a new bound is rounded with the margin 0.001 and
// only within -100000 .. 100000.
//
// Module state (the last failure reason, the bound-evaluation counter, the work buffers
// "used", "vector", "work" and "ExactEq", the last printed loop length and the dump hook)
// lives for the run; resetEquations restores the start state of the whole module.
#include "solver/Equations.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>

#include "collections/VectorUtility.h"
#include "numbers/MathUtility.h"
#include "runtime/Error.h"
#include "runtime/Output.h"
#include "runtime/Terminal.h"
#include "solver/EquationsInternal.h"

using equations::integralToInt;
using equations::rangeOf;

namespace {

constexpr double kBoundLimit = 100000.0;
constexpr double kBoundMargin = 0.001;
constexpr double kShortLoop = 10000000.0;
constexpr int kRefusal = 100202;

void NoDump() {}

struct EquationsState {
  int BndCnt = 0;
  FailureReason reason;
  WorkBuffer<int> used{"used", equationsAccount()};
  WorkBuffer<double> vector{"vector", equationsAccount()};
  WorkBuffer<int> work{"work", equationsAccount()};
  WorkBuffer<double> exactEq{"ExactEq", equationsAccount()};
  double lastPrintedLength = 0;
  EquationDumpFunction dump = NoDump;
};

EquationsState& state() {
  static EquationsState s;
  return s;
}

void countEvaluation() {
  EquationsState& s = state();
  if (s.BndCnt < INT_MAX) ++s.BndCnt;
}

bool shaped(const char* routine, const EquationData* ED) {
  if (ED == nullptr || ED->N < 1 || ED->Equations.data() == nullptr ||
      ED->Bounds.data() == nullptr) {
    Alert(routine, 0, kRefusal, "The equation record is not set up");
    return false;
  }
  // Reports a client that wrote past its rows or bounds; the work goes on.
  ED->Equations.check();
  ED->Bounds.check();
  if (ED->neq < 0 || ED->nrows < 0 || ED->nrows > ED->maxrows || ED->nind < 0 ||
      ED->neq + ED->nind > ED->maxrows) {
    Alert(routine, 1, kRefusal,
          "Inconsistent equation record (neq=%d, nind=%d, nrows=%d, maxrows=%d)", ED->neq, ED->nind,
          ED->nrows, ED->maxrows);
    return false;
  }
  return true;
}

const double* independentRow(const EquationData* ED, int k) {
  return equationRow(ED, ED->neq + k);
}

double* decompositionRow(EquationData* ED, int r) {
  return ED->Decompositions.data() +
         static_cast<std::size_t>(r) * static_cast<std::size_t>(ED->nind);
}

// The first of the first N-1 columns where the row is not zero, or -1.
int leadingColumn(const double* row, int N) {
  for (int j = 0; j < N - 1; ++j) {
    if (!ZeroCheck(row[j])) return j;
  }
  return -1;
}

// A count of doubles for rows x width plus a margin, or 0 when it is beyond every limit.
std::size_t bufferSize(long long rows, long long width, long long margin, long long floor) {
  long long product = 0;
  if (__builtin_mul_overflow(rows, width, &product)) return 0;
  long long total = 0;
  if (__builtin_add_overflow(product, margin, &total)) return 0;
  total = std::max(total, floor);
  if (total > static_cast<long long>(kAllocationRefusedSize / sizeof(double))) return 0;
  return static_cast<std::size_t>(total);
}

bool decompositionStored(EquationData* ED, const double* decomposition) {
  for (int r = 0; r < ED->nrows; ++r) {
    if (compareDoubleVec(ED->nind, decompositionRow(ED, r), decomposition)) return true;
  }
  return false;
}

}  // namespace

AllocationAccount* equationsAccount() {
  static AllocationAccount account("Equations");
  return &account;
}

void setFailureReason(int code, long long info, long long info1, long long info2) {
  FailureReason& reason = state().reason;
  reason.code = code;
  reason.info = info;
  reason.info1 = info1;
  reason.info2 = info2;
}

FailureReason QueryFailureReason() {
  return state().reason;
}

void callEquationDump() {
  state().dump();
}

void setEquationDumpFunction(EquationDumpFunction dump) {
  state().dump = dump != nullptr ? dump : NoDump;
}

int getBndCnt() {
  return state().BndCnt;
}

// ---------------------------------------------------------------------------------------
// The record

EquationData::EquationData(const char* equationsLabel, const char* boundsLabel)
    : Equations(equationsLabel, equationsAccount()),
      OptimizedEquations("ED->OptimizedEquations", equationsAccount()),
      Decompositions("ED->Decompositions", equationsAccount()),
      Bounds(boundsLabel, equationsAccount()) {}

int setEquationDataSize(EquationData* ED, int N, int neq, int maxrows) {
  if (N < 1 || neq < 0 || maxrows < 1 || maxrows / 2 < neq) {
    Alert("setEquationDataSize", 0, kRefusal,
          "Invalid equation system size (N=%d, neq=%d, maxrows=%d)", N, neq, maxrows);
    return 0;
  }
  std::size_t doubles = bufferSize(N, maxrows, 10000, 100000);
  if (doubles == 0) {
    Alert("setEquationDataSize", 1, kRefusal, "Equation system too large (N=%d, maxrows=%d)", N,
          maxrows);
    return 0;
  }
  double* rows = ED->Equations.get(doubles);
  std::fill(rows, rows + doubles, 0.0);
  int* bounds = ED->Bounds.get(static_cast<std::size_t>(8) * static_cast<std::size_t>(N));
  std::fill(bounds, bounds + 8 * static_cast<std::size_t>(N), 0);
  int** arrays[8] = {&ED->minima,     &ED->maxima,     &ED->savedMinima,     &ED->savedMaxima,
                     &ED->loopMinima, &ED->loopMaxima, &ED->exclusionMinima, &ED->exclusionMaxima};
  for (int i = 0; i < 8; ++i) *arrays[i] = bounds + static_cast<std::size_t>(i) * N;
  for (int i = 0; i < 6; ++i) (*arrays[i])[N - 1] = 1;  // the constant's "variable" is 1
  ED->N = N;
  ED->neq = neq;
  ED->maxrows = maxrows;
  ED->nind = 0;
  ED->nrows = 0;
  ED->nanalysed = 0;
  ED->exclusion = 0;
  return 1;
}

double* equationRow(EquationData* ED, int r) {
  return ED->Equations.data() + static_cast<std::size_t>(r) * static_cast<std::size_t>(ED->N);
}

const double* equationRow(const EquationData* ED, int r) {
  return ED->Equations.data() + static_cast<std::size_t>(r) * static_cast<std::size_t>(ED->N);
}

// ---------------------------------------------------------------------------------------
// Independent equations

int NormalizeEquation(double* a, int n, double* maxcoef) {
  *maxcoef = 0;
  int first = 0;
  while (first < n && ZeroCheck(a[first])) a[first++] = 0;
  if (first == n) return 1;
  double pivot = a[first];
  bool integral = true;
  for (int j = first; j < n; ++j) {
    double value = a[j] / pivot;
    if (ZeroCheck(value)) {
      value = 0;
    } else if (IntCheck(value)) {
      value = roundHalfAway(value);
    } else {
      integral = false;
    }
    a[j] = value;
    *maxcoef = std::max(*maxcoef, std::fabs(value));
  }
  if (integral) return 1;
  int* out = state().work.get(static_cast<std::size_t>(std::max(n, 1)));
  return convertVectorToIntegers(n, a, out, 144);
}

void FullSweep(double* E, int nrow, int ncol, int r, int c) {
  const double* pivotRow = E + static_cast<std::size_t>(r) * ncol;
  double pivot = pivotRow[c];
  if (ZeroCheck(pivot)) return;
  for (int i = 0; i < nrow; ++i) {
    if (i == r) continue;
    double* row = E + static_cast<std::size_t>(i) * ncol;
    if (ZeroCheck(row[c])) continue;
    double f = -row[c] / pivot;
    for (int j = 0; j < ncol; ++j) row[j] += f * pivotRow[j];
  }
}

int getIndependentEquations(EquationData* ED, AllocationAccount*) {
  if (!shaped("getIndependentEquations", ED)) return -1;
  EquationsState& s = state();
  const int N = ED->N;
  const int neq = ED->neq;
  if (2 * static_cast<long long>(neq) > ED->maxrows) {
    Alert("getIndependentEquations", 2, kRefusal,
          "No room for the working rows (neq=%d, maxrows=%d)", neq, ED->maxrows);
    return -1;
  }
  int* used = s.used.get(static_cast<std::size_t>(std::max(N + 100, 1000)));
  std::fill(used, used + N, 0);
  setFailureReason(0, 0);
  ED->nind = 0;
  ED->nrows = neq;
  double* work = equationRow(ED, neq);
  if (neq > 0)
    std::memcpy(work, equationRow(ED, 0), sizeof(double) * static_cast<std::size_t>(neq) * N);

  AccountVector<int> pivotOf(static_cast<std::size_t>(neq), -1,
                             AccountAllocator<int>(equationsAccount(), "getIndependentEquations"));
  for (int k = 0; k < neq; ++k) {
    obeyInterruptRequest();
    const double* row = work + static_cast<std::size_t>(k) * N;
    int pivot = -1;
    for (int j = 0; j < N; ++j) {
      if (!ZeroCheck(row[j]) && used[j] == 0) {
        pivot = j;
        break;
      }
    }
    if (pivot < 0) continue;
    used[pivot] = 1;
    if (pivot == N - 1) {
      setFailureReason(1, k);
      return -1;
    }
    FullSweep(work, neq, N, k, pivot);
    pivotOf[k] = pivot;
  }

  int nind = 0;
  for (int k = 0; k < neq; ++k) {
    if (pivotOf[k] < 0) continue;
    if (nind != k) {
      std::memmove(work + static_cast<std::size_t>(nind) * N,
                   work + static_cast<std::size_t>(k) * N, sizeof(double) * N);
    }
    ++nind;
  }
  int result = 1;
  for (int k = 0; k < nind; ++k) {
    double maxcoef = 0;
    if (!NormalizeEquation(work + static_cast<std::size_t>(k) * N, N, &maxcoef)) result = 0;
  }
  ED->nind = nind;

  std::size_t decompositionSize = bufferSize(ED->maxrows, nind, 10000, 100000);
  double* decompositions = ED->Decompositions.get(decompositionSize);
  std::fill(decompositions, decompositions + decompositionSize, 0.0);
  for (int k = 0; k < nind; ++k) {
    int column = leadingColumn(independentRow(ED, k), N);
    for (int i = 0; i < neq; ++i) {
      decompositionRow(ED, i)[k] = column < 0 ? 0.0 : equationRow(ED, i)[column];
    }
    decompositionRow(ED, neq + k)[k] = 1.0;
  }
  ED->nrows = neq + nind;
  return result;
}

// ---------------------------------------------------------------------------------------
// Bounds

// Rounded with floor rather than truncation, so that negative limits round the right way;
// for limits above -0.999 this is the same number.
int getNewMinimum(double value, int* min) {
  if (value < -kBoundLimit) return 0;
  double candidate = std::floor(std::min(value, kBoundLimit) - kBoundMargin + 1.0);
  if (!(candidate > *min)) return 0;
  *min = static_cast<int>(candidate);
  return 1;
}

int getNewMaximum(double value, int* max) {
  value = std::max(value, -kBoundLimit);
  if (value > kBoundLimit) return 0;
  double candidate = std::floor(value + kBoundMargin);
  if (!(candidate < *max)) return 0;
  *max = static_cast<int>(candidate);
  return 1;
}

double LoopLength(int n, const int* min, const int* max) {
  if (n < 1) return 1.0;
  double product = 1.0;
  for (int i = 0; i < n; ++i) {
    if (max[i] < min[i]) return -1.0;
    product *= static_cast<double>(rangeOf(min[i], max[i]) + 1);
  }
  return product;
}

std::string loopLengthText(double length, int width) {
  if (std::isfinite(length)) return formatText("%*.0f", width, length);
  return formatText("%*s", width, length > 0 ? "above 1e308" : "unknown");
}

namespace {

// The limits of a[i] x[i] one equation gives: lo and hi are the sums over j != i of a[j]
// times the bound of x[j] that makes the term smallest (largest).
void limitsOf(const double* a, int i, double lo, double hi, double* lower, double* upper) {
  // a[i] x[i] lies in [-hi, -lo].
  *lower = a[i] > 0 ? -hi / a[i] : -lo / a[i];
  *upper = a[i] > 0 ? -lo / a[i] : -hi / a[i];
}

// lo and hi of variable i summed term by term in column order, as the bounds are now.
void sumsWithout(const double* a, int N, int i, const int* min, const int* max, double* lo,
                 double* hi) {
  *lo = 0;
  *hi = 0;
  for (int j = 0; j < N; ++j) {
    if (j == i) continue;
    if (a[j] > 0) {
      *lo += a[j] * min[j];
      *hi += a[j] * max[j];
    } else {
      *lo += a[j] * max[j];
      *hi += a[j] * min[j];
    }
  }
}

// The bound that getNewMinimum (getNewMaximum) would leave from limit value: a monotone
// function of the value.
int minimumFrom(double value, int min) {
  getNewMinimum(value, &min);
  return min;
}
int maximumFrom(double value, int max) {
  getNewMaximum(value, &max);
  return max;
}

// The smallest and largest term of variable j: a[j] times min[j] or max[j].
double smallTerm(const double* a, int j, const int* min, const int* max) {
  return a[j] > 0 ? a[j] * min[j] : a[j] * max[j];
}
double largeTerm(const double* a, int j, const int* min, const int* max) {
  return a[j] > 0 ? a[j] * max[j] : a[j] * min[j];
}

}  // namespace

// Each variable's sums over the other terms are taken from running totals over all terms
// (one pass, then one update per moved bound), not summed afresh: O(N) a row instead of
// O(N^2). The bounds are the ones the term-by-term sums in column order give: the totals
// carry a bound on their rounding error, the sums in column order have one of their own,
// and a bound is taken from the totals only when every value within both errors rounds to
// the same bound (the rounding is monotone); otherwise that variable's sums are made term
// by term.
int getVariableBounds(const double* a, int N, int* min, int* max) {
  countEvaluation();
  setFailureReason(0, 0);
  if (N < 2) return -4;
  constexpr double u = 0x1p-53;
  const double n = static_cast<double>(N) + 2.0;
  double lowTotal = 0, highTotal = 0, magnitude = 0;
  for (int j = 0; j < N; ++j) {
    const double small = smallTerm(a, j, min, max);
    const double large = largeTerm(a, j, min, max);
    lowTotal += small;
    highTotal += large;
    magnitude += std::fabs(small) + std::fabs(large);
  }
  // Rounding errors of the totals, and of any sum in column order of the same terms.
  double lowError = 1.01 * n * u * magnitude;
  double highError = lowError;
  const bool totalsUsable = std::isfinite(lowTotal) && std::isfinite(highTotal) && std::isfinite(magnitude);
  int changes = 0;
  for (int i = 0; i < N - 1; ++i) {
    if (ZeroCheck(a[i]) || min[i] == max[i]) continue;
    const int oldMin = min[i];
    const int oldMax = max[i];
    const double oldSmall = smallTerm(a, i, min, max);
    const double oldLarge = largeTerm(a, i, min, max);
    bool decided = false;
    if (totalsUsable) {
      const double lo = lowTotal - oldSmall;
      const double hi = highTotal - oldLarge;
      double lower = 0, upper = 0;
      limitsOf(a, i, lo, hi, &lower, &upper);
      const double ai = std::fabs(a[i]);
      const double loSpread = (2 * lowError + u * std::fabs(lo)) / ai;
      const double hiSpread = (2 * highError + u * std::fabs(hi)) / ai;
      const double lowerSpread = 2 * ((a[i] > 0 ? hiSpread : loSpread) + 2 * u * std::fabs(lower)) + 1e-300;
      const double upperSpread = 2 * ((a[i] > 0 ? loSpread : hiSpread) + 2 * u * std::fabs(upper)) + 1e-300;
      const int newMin = minimumFrom(lower - lowerSpread, oldMin);
      const int newMax = maximumFrom(upper - upperSpread, oldMax);
      if (std::isfinite(lowerSpread) && std::isfinite(upperSpread) &&
          newMin == minimumFrom(lower + lowerSpread, oldMin) &&
          newMax == maximumFrom(upper + upperSpread, oldMax)) {
        min[i] = newMin;
        max[i] = newMax;
        decided = true;
      }
    }
    if (!decided) {
      double lo = 0, hi = 0, lower = 0, upper = 0;
      sumsWithout(a, N, i, min, max, &lo, &hi);
      limitsOf(a, i, lo, hi, &lower, &upper);
      getNewMinimum(lower, &min[i]);
      getNewMaximum(upper, &max[i]);
    }
    changes += (min[i] != oldMin ? 1 : 0) + (max[i] != oldMax ? 1 : 0);
    if (min[i] > max[i]) {
      setFailureReason(2, i);
      return -1;
    }
    if (min[i] == oldMin && max[i] == oldMax) continue;
    const double newSmall = smallTerm(a, i, min, max);
    const double newLarge = largeTerm(a, i, min, max);
    const double lowWithout = lowTotal - oldSmall;
    const double highWithout = highTotal - oldLarge;
    lowTotal = lowWithout + newSmall;
    highTotal = highWithout + newLarge;
    lowError += u * (std::fabs(lowWithout) + std::fabs(lowTotal));
    highError += u * (std::fabs(highWithout) + std::fabs(highTotal));
    // The error bound of a sum in column order grows with the magnitude of its terms;
    // a moved bound only shrinks a term, but the bound is kept from above all the same.
    const double added = 1.01 * n * u * (std::fabs(newSmall) + std::fabs(newLarge));
    lowError += added;
    highError += added;
  }
  double product = LoopLength(N - 1, min, max);
  if (product < 0) {
    int empty = 0;
    while (min[empty] <= max[empty]) ++empty;
    setFailureReason(2, empty);
    return -1;
  }
  if (product < 1.5) return -4;
  if (product < kShortLoop) return -3;
  return changes;
}

int AnalyseBounds(EquationData* ED, int* min, int* max) {
  if (!shaped("AnalyseBounds", ED)) return 0;
  int total = 0;
  for (int r = 0; r < ED->nrows; ++r) {
    obeyInterruptRequest();
    int changes = getVariableBounds(equationRow(ED, r), ED->N, min, max);
    if (changes < 0) {
      if (changes == -1) setFailureReason(3, r);
      return changes;
    }
    total += changes;
  }
  return total;
}

int AnalyseBounds2(EquationData* ED, int* min, int* max) {
  return AnalyseBounds(ED, min, max);
}

int AnalyseBoundsForCombinations(EquationData* ED, int verbosity, int* min, int* max, int maxcnt) {
  if (!shaped("AnalyseBoundsForCombinations", ED)) return 0;
  EquationsState& s = state();
  const int N = ED->N;
  const int nind = ED->nind;
  const int startRows = ED->nrows;
  if (nind < 1) {
    ED->nanalysed = startRows;
    return 0;
  }
  double* combination = s.vector.get(static_cast<std::size_t>(nind));
  double* exact = s.exactEq.get(static_cast<std::size_t>(N) + nind);
  int total = 0;
  for (int r1 = 0; r1 < startRows; ++r1) {
    for (int r2 = std::max(r1 + 1, ED->nanalysed); r2 < startRows; ++r2) {
      obeyInterruptRequest();
      for (int c = 0; c < N; ++c) {
        const double* row1 = equationRow(ED, r1);
        const double* row2 = equationRow(ED, r2);
        if (ZeroCheck(row1[c]) || ZeroCheck(row2[c])) continue;
        obeyInterruptRequest();
        double f = -row1[c] / row2[c];
        const double* decomposition1 = decompositionRow(ED, r1);
        const double* decomposition2 = decompositionRow(ED, r2);
        for (int k = 0; k < nind; ++k) combination[k] = decomposition1[k] + f * decomposition2[k];
        // Recomputed from the independent rows, so that rounding does not accumulate.
        for (int j = 0; j < N; ++j) {
          double sum = 0;
          for (int k = 0; k < nind; ++k) sum += combination[k] * independentRow(ED, k)[j];
          exact[j] = sum;
        }
        std::copy(combination, combination + nind, exact + N);
        double maxcoef = 0;
        NormalizeEquation(exact, N + nind, &maxcoef);
        if (maxcoef >= 1000) continue;

        int changes = getVariableBounds(exact, N, min, max);
        if (changes == -1) setFailureReason(4, r1, r1, r2);
        if (s.BndCnt > maxcnt) {
          if (verbosity >= 1) Print("Terminating bound analysis (more than %d attempts)\n", maxcnt);
          return -2;
        }
        if (verbosity >= 1 && s.BndCnt % 10000 == 0)
          Print("BndCnt=%d; MaxCnt=%d\n", s.BndCnt, maxcnt);
        if (verbosity >= 3 && changes > 0) PrintBounds(N - 1, min, max, 2);
        if (changes < 0) return changes;
        total += changes;
        if (changes == 0 || decompositionStored(ED, exact + N)) continue;

        int first = ED->neq + nind;
        int position = getNewPosition(ED->nrows, ED->maxrows, first, verbosity);
        if (position < first || position >= ED->maxrows) continue;
        std::copy(exact, exact + N, equationRow(ED, position));
        std::copy(exact + N, exact + N + nind, decompositionRow(ED, position));
        if (position == ED->nrows) ED->nrows += 1;
      }
    }
  }
  ED->nanalysed = startRows;
  return total;
}

int ImproveBounds(EquationData* ED, int* min, int* max, int maxcnt, int maxiter, int verbosity) {
  EquationsState& s = state();
  s.BndCnt = 0;
  if (maxcnt < 0) return -2;
  if (!shaped("ImproveBounds", ED)) return -2;
  const int N = ED->N;
  for (int t = 0;; ++t) {
    int c1 = AnalyseBounds(ED, min, max);
    if (c1 < 0) return c1;
    if (verbosity >= 2 && c1 > 0) PrintBounds(N - 1, min, max, verbosity);
    int c = c1;
    if (maxcnt >= 1) {
      int c2 = AnalyseBoundsForCombinations(ED, verbosity, min, max, maxcnt);
      if (c2 < 0) return c2;
      c = c1 + c2;
      if (verbosity >= 2 && c > 0) PrintBounds(N - 1, min, max, verbosity);
    }
    if (t == std::max(maxiter, 0)) return c;
    if (verbosity >= 2 || t >= 4) {
      double length = OptimizedLoopLength(N - 1, min, max, ED);
      Print("Boundary improvement iteration %d completed; Loop length: %s\n", t + 1,
            loopLengthText(length, 20).c_str());
      if (length < 1000000000.0) return -3;
    }
    if (c == 0) return 1;
    if (s.BndCnt > maxcnt) return -2;
  }
}

void OptimizeEquationUse(double* E, int N, int neq, int* min, int* max, const int* flags,
                         int* solvedvar, int verbosity) {
  for (int k = 0; k < neq; ++k) {
    obeyInterruptRequest();
    solvedvar[k] = -1;
    if (flags != nullptr && flags[k] != 0 && flags[k] != 1) continue;
    const double* row = E + static_cast<std::size_t>(k) * N;
    int choice = -1;
    long long widest = -1;
    for (int j = 0; j < N - 1; ++j) {
      if (ZeroCheck(row[j])) continue;
      long long range = rangeOf(min[j], max[j]);
      if (choice < 0 || range > widest) {
        choice = j;
        widest = range;
      }
    }
    solvedvar[k] = choice;
    if (choice < 0) {
      if (verbosity >= 3) Print("Eqn %d gives no information\n", k);
      continue;
    }
    if (verbosity >= 2) Print("Variable %d solved from eqn %d\n", choice, k);
    max[choice] = min[choice];
    FullSweep(E, neq, N, k, choice);
  }
}

double OptimizedLoopLength(int n, const int* min, const int* max, EquationData* ED) {
  if (n < 1) return 1.0;
  if (!shaped("OptimizedLoopLength", ED)) return -1.0;
  const int N = ED->N;
  int* work = state().work.get(static_cast<std::size_t>(std::max(3 * N, 3000)));
  int* minCopy = work;
  int* maxCopy = work + N;
  int* solved = work + 2 * N;
  std::copy(min, min + N, minCopy);
  std::copy(max, max + N, maxCopy);
  std::size_t size = static_cast<std::size_t>(ED->nind) * N;
  double* optimized = ED->OptimizedEquations.get(std::max<std::size_t>(size, 1));
  if (size > 0) std::copy(independentRow(ED, 0), independentRow(ED, 0) + size, optimized);
  OptimizeEquationUse(optimized, N, ED->nind, minCopy, maxCopy, nullptr, solved, 0);
  return LoopLength(std::min(n, N), minCopy, maxCopy);
}

// ---------------------------------------------------------------------------------------
// Checks and printing

int CheckEquation(const double* E, const int* x, int row, int N) {
  const double* a = E + static_cast<std::size_t>(row) * N;
  double sum = 0;
  for (int j = 0; j < N; ++j) sum += x[j] * a[j];
  return ZeroCheck(sum);
}

int CheckEquations(const double* E, const int* x, int neq, int N, int verbose) {
  for (int r = 0; r < neq; ++r) {
    if (CheckEquation(E, x, r, N)) continue;
    setFailureReason(6, r);
    if (verbose == 1) Alert("CheckEquations", 0, 100302, "Equation %d not satisfied", r);
    return 0;
  }
  if (verbose == 1) Print("All equations satisfied\n");
  return 1;
}

double PrintBounds(int n, const int* min, const int* max, int verbosity) {
  EquationsState& s = state();
  double length = LoopLength(n, min, max);
  if (verbosity > 1 && (verbosity == 100 || length != s.lastPrintedLength)) {
    PrintVec(n, min, "Minima");
    PrintVec(n, max, "Maxima");
    Print("Total loop length: %s\n", loopLengthText(length, 20).c_str());
  }
  s.lastPrintedLength = length;
  return length;
}

int solvePositiveIntegerFromEquation(int n, const double* a, int v, int* x) {
  if (ZeroCheck(a[v])) return 0;
  double sum = 0;
  for (int j = 0; j < n; ++j) {
    if (j != v) sum += a[j] * x[j];
  }
  double value = -sum / a[v];
  int solved = 0;
  if (!IntCheck(value) || !integralToInt(value, &solved)) return 0;
  x[v] = solved;
  return solved >= 0 ? 1 : 0;
}

int solveIntegerFromEquation(int n, const double* a, int v, int* x) {
  if (ZeroCheck(a[v])) return 0;
  double sum = 0;
  for (int j = 0; j < n; ++j) {
    if (j != v) sum += a[j] * x[j];
  }
  double value = -sum / a[v];
  int solved = 0;
  if (!IntCheck(value) || !integralToInt(value, &solved)) return 0;
  x[v] = solved;
  return 1;
}

// ---------------------------------------------------------------------------------------
// Integer independence

int checkIntegerIndependence(int* rows, int n, int k, int* pivot) {
  int* row = rows + static_cast<std::size_t>(k) * n;
  for (int i = 0; i < k; ++i) {
    const int* base = rows + static_cast<std::size_t>(i) * n;
    int column = pivot[i];
    int entry = row[column];
    if (entry == 0) continue;
    int pivotEntry = base[column];
    if (pivotEntry == 0 || entry % pivotEntry != 0) return 2;
    long long factor = entry / pivotEntry;
    for (int j = 0; j < n; ++j) {
      long long value = row[j] - factor * base[j];
      if (value < INT_MIN || value > INT_MAX) {
        Alert("checkIntegerIndependence", 0, 112413, "Integer overflow in the reduction of row %d",
              k);
        return 0;
      }
      row[j] = static_cast<int>(value);
    }
  }
  if (zeroVectorCheck(n, row)) return 0;
  int divisor = 0;
  for (int j = 0; j < n; ++j) divisor = GCD(divisor, row[j]);
  if (divisor > 1) {
    for (int j = 0; j < n; ++j) row[j] /= divisor;
  }
  int chosen = Present(row, n, 1);
  if (chosen < 0) {
    chosen = Present(row, n, -1);
    if (chosen >= 0) {
      for (int j = 0; j < n; ++j) row[j] = -row[j];
    } else {
      chosen = 0;
      while (row[chosen] == 0) ++chosen;
    }
  }
  pivot[k] = chosen;
  return 1;
}

int checkIndependence(int* rows, int n, int k, int* pivot) {
  int* row = rows + static_cast<std::size_t>(k) * n;
  for (int i = 0; i < k; ++i) {
    const int* base = rows + static_cast<std::size_t>(i) * n;
    int column = pivot[i];
    long long entry = row[column];
    if (entry == 0) continue;
    long long pivotEntry = base[column];
    for (int j = 0; j < n; ++j) {
      long long value = row[j] * pivotEntry - base[j] * entry;
      if (value < INT_MIN || value > INT_MAX) {
        Alert("checkIndependence", 0, 112413, "Integer overflow in the reduction of row %d", k);
        return 0;
      }
      row[j] = static_cast<int>(value);
    }
  }
  for (int j = 0; j < n; ++j) {
    if (row[j] != 0) {
      pivot[k] = j;
      return 1;
    }
  }
  return 0;
}

int getNewPosition(int nrows, int maxrows, int first, int verbosity) {
  int position = nrows;
  if (static_cast<long long>(nrows) + 2 >= maxrows) {
    double r = std::rand() / (RAND_MAX + 1.0);
    double span = static_cast<double>(static_cast<long long>(maxrows) - first);
    position = first + static_cast<int>(std::trunc(span * r));
  }
  if (position < first || position >= maxrows)
    Alert("getNewPosition", 0, 212404, "Invalid position");
  if (verbosity >= 3) Print("Equation added at position %d\n", position);
  return position;
}

// ---------------------------------------------------------------------------------------
// Small row routines

int compareEquations(const double* E, int nrows, int n, const double* a) {
  for (int r = 0; r < nrows; ++r) {
    if (compareDoubleVec(n, E + static_cast<std::size_t>(r) * n, a)) return r;
  }
  return -1;
}

void CombineRows(const double* E, int n, int i, int j, double f, double* out) {
  const double* a = E + static_cast<std::size_t>(i) * n;
  const double* b = E + static_cast<std::size_t>(j) * n;
  for (int m = 0; m < n; ++m) out[m] = a[m] + f * b[m];
}

int checkPositive(const double* a, int N) {
  for (int j = 0; j < N - 1; ++j) {
    if (a[j] < -kTolerance) return 0;
  }
  return 1;
}

void buildEquationFromDecomp(const EquationData* ED, const double* decomp, double* out) {
  for (int j = 0; j < ED->N; ++j) {
    double sum = 0;
    for (int k = 0; k < ED->nind; ++k) sum += decomp[k] * independentRow(ED, k)[j];
    out[j] = sum;
  }
}

void buildEquationFromDecomp2(const EquationData* ED, const double* decomp, double* out) {
  for (int j = 0; j < ED->N; ++j) {
    double sum = 0;
    for (int k = 0; k < ED->nind; ++k) {
      double coefficient = independentRow(ED, k)[j];
      if (!ZeroCheck(decomp[k] * coefficient)) {
        Print("i=%d; j=%d; decomp=%15.7f, Eq=%15.7f\n", k, j, decomp[k], coefficient);
      }
      sum += decomp[k] * coefficient;
    }
    out[j] = sum;
  }
}

int DoubleLinearSolve(double* E, int n, double* x) {
  const int width = n + 1;
  AccountVector<int> pivotColumn(static_cast<std::size_t>(std::max(n, 0)), -1,
                                 AccountAllocator<int>(equationsAccount(), "DoubleLinearSolve"));
  AccountVector<char> taken(static_cast<std::size_t>(std::max(n, 0)), 0,
                            AccountAllocator<char>(equationsAccount(), "DoubleLinearSolve"));
  for (int r = 0; r < n; ++r) {
    const double* row = E + static_cast<std::size_t>(r) * width;
    for (int c = 0; c < n; ++c) {
      if (taken[c] == 0 && !ZeroCheck(row[c])) {
        pivotColumn[r] = c;
        taken[c] = 1;
        FullSweep(E, n, width, r, c);
        break;
      }
    }
  }
  int complete = 1;
  for (int c = 0; c < n; ++c) {
    x[c] = 0;
    if (taken[c] == 0) complete = 0;
  }
  for (int r = 0; r < n; ++r) {
    int c = pivotColumn[r];
    if (c < 0) continue;
    const double* row = E + static_cast<std::size_t>(r) * width;
    x[c] = row[n] / row[c];
  }
  return complete;
}

void ComplexFullSweep(double* E, int nrow, int ncol, int r, int c) {
  Print("CFS called with Nrow=%d, Ncol=%d, Sweeprow=%d,SweepCol=%d\n", nrow, ncol, r, c);
  const double* pivotRow = E + static_cast<std::size_t>(r) * 2 * ncol;
  double pivotRe = pivotRow[2 * c];
  double pivotIm = pivotRow[2 * c + 1];
  if (CZeroCheck(pivotRe, pivotIm)) return;
  for (int i = 0; i < nrow; ++i) {
    if (i == r) continue;
    double* row = E + static_cast<std::size_t>(i) * 2 * ncol;
    if (CZeroCheck(row[2 * c], row[2 * c + 1])) continue;
    double fRe = 0;
    double fIm = 0;
    complexRatio(&fRe, &fIm, -row[2 * c], -row[2 * c + 1], pivotRe, pivotIm);
    for (int j = 0; j < ncol; ++j) {
      double re = 0;
      double im = 0;
      complexProduct(&re, &im, fRe, fIm, pivotRow[2 * j], pivotRow[2 * j + 1]);
      row[2 * j] += re;
      row[2 * j + 1] += im;
    }
  }
}

void ComplexVectorSweep(double* a, const double* b, int n, int c) {
  if (CZeroCheck(b[2 * c], b[2 * c + 1])) return;
  if (!CZeroCheck(a[2 * c], a[2 * c + 1])) {
    double fRe = 0;
    double fIm = 0;
    complexRatio(&fRe, &fIm, a[2 * c], a[2 * c + 1], b[2 * c], b[2 * c + 1]);
    for (int j = 0; j < n; ++j) {
      double re = 0;
      double im = 0;
      complexProduct(&re, &im, fRe, fIm, b[2 * j], b[2 * j + 1]);
      a[2 * j] -= re;
      a[2 * j + 1] -= im;
    }
  }
  a[2 * c] = 0;
  a[2 * c + 1] = 0;
}

double DoubleVectorSweep(double* a, const double* b, int n, int c) {
  double f = 0;
  if (!ZeroCheck(a[c]) && !ZeroCheck(b[c])) {
    f = a[c] / b[c];
    for (int j = 0; j < n; ++j) a[j] -= f * b[j];
  }
  if (!ZeroCheck(b[c])) a[c] = 0;
  return f;
}

// ---------------------------------------------------------------------------------------

void resetEquations() {
  EquationsState& s = state();
  s.BndCnt = 0;
  s.reason = FailureReason{};
  s.used.release();
  s.vector.release();
  s.work.release();
  s.exactEq.release();
  s.lastPrintedLength = 0;
  s.dump = NoDump;
  resetKernelState();
  resetSearchState();
}
