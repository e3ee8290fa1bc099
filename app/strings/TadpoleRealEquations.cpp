// Accumulator of a handful of real linear equations in n variables meant to have integer
// solutions. Rows are kept swept: each stored row has a pivot column where it is non-zero
// and every other stored row is zero there, so a pivot variable is computed from the
// non-pivot ones of its own row alone. One state lives from one reset (mode 0) to the next.
#include <cmath>
#include <vector>

#include "interpreter/Loops.h"
#include "numbers/MathUtility.h"
#include "runtime/Error.h"
#include "runtime/Output.h"
#include "runtime/Terminal.h"
#include "strings/Tadpole.h"

namespace {

struct RealEquationsState {
  bool ready = false;
  int n = 0;
  int c = 0;
  std::vector<double> Eqns;   // up to n (+1 spare) rows of n + 1
  std::vector<int> pivot;     // pivot column of each stored row
  std::vector<int> solution;  // n + 1 ints
  std::vector<int> IntEqns;   // integer form of the stored rows
};

RealEquationsState& realState() {
  static RealEquationsState s;
  return s;
}

double* storedRow(int i) {
  RealEquationsState& s = realState();
  return s.Eqns.data() + static_cast<std::size_t>(i) * static_cast<std::size_t>(s.n + 1);
}

void printStored() {
  RealEquationsState& s = realState();
  for (int i = 0; i < s.c; ++i) PrintDoubleVec(s.n + 1, storedRow(i), " -->  ");
}

// Adds a row; 1 added, 2 redundant, -1 contradiction.
int addRow(const double* input) {
  RealEquationsState& s = realState();
  const int n = s.n;
  if (s.c > n) {
    printStored();
    Alert("CollectDoubleEquations", 1, 212404, "Too many equations");
  }
  std::vector<double> row(input, input + n + 1);
  for (int i = 0; i < s.c; ++i) {
    int p = s.pivot[static_cast<std::size_t>(i)];
    if (ZeroCheck(row[static_cast<std::size_t>(p)]) != 0) continue;
    const double* E = storedRow(i);
    double f = row[static_cast<std::size_t>(p)] / E[p];
    for (int j = 0; j <= n; ++j) row[static_cast<std::size_t>(j)] -= f * E[j];
    row[static_cast<std::size_t>(p)] = 0.0;
  }
  int p = -1;
  for (int j = 0; j < n; ++j) {
    if (ZeroCheck(row[static_cast<std::size_t>(j)]) == 0) {
      p = j;
      break;
    }
  }
  if (p < 0) return ZeroCheck(row[static_cast<std::size_t>(n)]) != 0 ? 2 : -1;
  for (int i = 0; i < s.c; ++i) {
    double* E = storedRow(i);
    if (ZeroCheck(E[p]) != 0) continue;
    double f = E[p] / row[static_cast<std::size_t>(p)];
    for (int j = 0; j <= n; ++j) E[j] -= f * row[static_cast<std::size_t>(j)];
    E[p] = 0.0;
  }
  if (static_cast<int>(s.pivot.size()) <= s.c) {
    s.Eqns.resize(static_cast<std::size_t>(s.c + 1) * static_cast<std::size_t>(n + 1));
    s.pivot.resize(static_cast<std::size_t>(s.c + 1));
  }
  std::copy(row.begin(), row.end(), storedRow(s.c));
  s.pivot[static_cast<std::size_t>(s.c)] = p;
  ++s.c;
  return 1;
}

// The pivot values of a point whose non-pivot entries are set; false when one is not
// integral or lies below its lower bound.
bool completePoint(int* x, const int* lower) {
  RealEquationsState& s = realState();
  const int n = s.n;
  for (int i = 0; i < s.c; ++i) {
    const double* E = storedRow(i);
    int p = s.pivot[static_cast<std::size_t>(i)];
    double sum = -E[n];
    for (int j = 0; j < n; ++j)
      if (j != p) sum -= x[j] * E[j];
    double value = sum / E[p];
    if (IntCheck(value) == 0 || std::fabs(value) > 2147483647.0) return false;
    int v = static_cast<int>(roundHalfAway(value));
    if (lower != nullptr && v < lower[p]) return false;
    x[p] = v;
  }
  return true;
}

int integerRows(int** out) {
  RealEquationsState& s = realState();
  std::vector<double> copy(s.Eqns.begin(),
                           s.Eqns.begin() + static_cast<std::ptrdiff_t>(s.c) * (s.n + 1));
  s.IntEqns.assign(static_cast<std::size_t>(s.c) * static_cast<std::size_t>(s.n + 1) + 1, 0);
  if (convertEqnsToIntegers(copy.data(), s.IntEqns.data(), s.n, s.c) == 0) return -2;
  if (out != nullptr) *out = s.IntEqns.data();
  return s.c;
}

}  // namespace

int CollectDoubleEquations(int n, double row[], int** out, int mode, int lower[], int upper[],
                           DoubleEquationEnumeration* record) {
  RealEquationsState& s = realState();
  if (mode == 0) {
    s.ready = true;
    s.n = n < 0 ? 0 : n;
    s.c = 0;
    s.Eqns.assign(static_cast<std::size_t>(s.n + 1) * static_cast<std::size_t>(s.n + 1), 0.0);
    s.pivot.assign(static_cast<std::size_t>(s.n + 1), -1);
    s.solution.assign(static_cast<std::size_t>(s.n + 1), 0);
    return 0;
  }
  if (!s.ready) {
    Alert("CollectDoubleEquations", 0, 112415, "Unexpected NULL pointer");
    return -4;
  }
  switch (mode) {
    case 1:
    case 5: {
      if (row == nullptr) return 0;
      int r = addRow(row);
      if (r != 1 || mode == 5 || s.c < s.n) return r;
      for (int i = 0; i < s.c; ++i) {
        const double* E = storedRow(i);
        int p = s.pivot[static_cast<std::size_t>(i)];
        double value = -E[s.n] / E[p];
        if (IntCheck(value) == 0 || std::fabs(value) > 2147483647.0) return -2;
        s.solution[static_cast<std::size_t>(p)] = static_cast<int>(roundHalfAway(value));
      }
      if (out != nullptr) *out = s.solution.data();
      return 0;
    }
    case 2: {
      if (lower == nullptr || upper == nullptr) return -3;
      if (record != nullptr) record->count = 0;
      for (int i = 0; i < s.c; ++i) {
        int p = s.pivot[static_cast<std::size_t>(i)];
        upper[p] = lower[p] + 1;
      }
      std::vector<int> x(static_cast<std::size_t>(s.n + 1), 0);
      if (s.n > 0 && incrementInit(s.n, lower, upper, x.data()) != 0) return -3;
      do {
        obeyInterruptRequest();
        std::vector<int> point(x);
        if (completePoint(point.data(), lower)) {
          if (record == nullptr) {
            s.solution.assign(point.begin(), point.end());
            if (out != nullptr) *out = s.solution.data();
            return 0;
          }
          if (record->fn != nullptr)
            record->count += record->fn(record->k, record->pointer, point.data());
          if (record->count >= 1 && record->stopAfterFirst != 0) return 0;
        }
      } while (s.n > 0 && increment(s.n, lower, upper, x.data()) == 0);
      return record != nullptr && record->count > 0 ? 0 : -3;
    }
    case 3:
      printStored();
      return 0;
    case 4: {
      if (s.c < s.n) {
        int r = integerRows(out);
        return r < 0 ? r : s.c + 10;
      }
      if (row != nullptr) {
        for (int i = 0; i < s.c; ++i) {
          const double* E = storedRow(i);
          int p = s.pivot[static_cast<std::size_t>(i)];
          row[p] = -E[s.n] / E[p];
        }
      }
      return 0;
    }
    case 6:
      return s.c;
    case 7:
      return integerRows(out);
    case 8: {
      if (lower == nullptr) return -3;
      for (int i = 0; i < s.c; ++i) {
        const double* E = storedRow(i);
        double sum = E[s.n];
        for (int j = 0; j < s.n; ++j) sum += lower[j] * E[j];
        if (ZeroCheck(sum) == 0) return -3;
      }
      return 0;
    }
    default:
      return 0;
  }
}

int convertEqnsToIntegers(double rows[], int out[], int n, int nrows) {
  for (int r = 0; r < nrows; ++r) {
    double* row = rows + static_cast<std::size_t>(r) * static_cast<std::size_t>(n + 1);
    int* target = out + static_cast<std::size_t>(r) * static_cast<std::size_t>(n + 1);
    double d = 1e6;
    for (int j = 0; j <= n; ++j)
      if (ZeroCheck(row[j]) == 0 && std::fabs(row[j]) < std::fabs(d)) d = row[j];
    for (int j = 0; j <= n; ++j) row[j] /= d;
    long long m = 1;
    for (int j = 0; j <= n; ++j) {
      int f = 1;
      while (f <= 1024 && IntCheck(row[j] * static_cast<double>(m) * f) == 0) ++f;
      if (f > 1024) {
        PrintStdout("Integer conversion impossible for %15.7f\n", row[j]);
        return 0;
      }
      m *= f;
    }
    for (int j = 0; j <= n; ++j)
      target[j] = static_cast<int>(roundHalfAway(row[j] * static_cast<double>(m)));
  }
  return 1;
}

int solveForUnknownCoefs(const int undetermined[4], const double coef[5], const int charges[4],
                         int divisor, int n) {
  std::vector<double> row(static_cast<std::size_t>(n + 1), 0.0);
  double constant = coef[4];
  int next = 0;
  for (int i = 0; i < 4; ++i) {
    if (undetermined[i] != 0) {
      if (next < n) row[static_cast<std::size_t>(next)] = coef[i];
      ++next;
    } else {
      constant += coef[i] * charges[i] / divisor;
    }
  }
  row[static_cast<std::size_t>(n)] = constant;
  int r = CollectDoubleEquations(n, row.data(), nullptr, 5, nullptr, nullptr, nullptr);
  if (r == 1 || r == 2) return 1;
  if (r == -1 || r == -2) return 0;
  Alert("solveForUnknownCoefs", 0, 212404, "Invalid return code %d", r);
  return 0;
}
