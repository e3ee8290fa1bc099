// Hypercharge coefficients left open by the anomalies and the axion mass terms: every chiral
// multiplet has a charge that is a fixed combination of the y_x (its class), and the standard
// model allows each class only a bounded range of hypercharges (in sixths). The ranges give
// finite lists of trial values; each completes the equation system, is solved and handed to
// the charge test.
#include <cstdlib>

#include "collections/VectorUtility.h"
#include "numbers/MathUtility.h"
#include "runtime/Error.h"
#include "runtime/Output.h"
#include "search/ModelAnalysisInternal.h"
#include "search/SearchDriver.h"

using namespace modelanalysis;

namespace {

// Allowed hypercharge range of each class, in units of 1/6.
constexpr int kLowest[16] = {-4, -6, -12, -12, 1, 1, -2, -2, -2, -2, -3, -3, -3, -3, -6, -6};
constexpr int kHighest[16] = {2, 6, 12, 12, 1, 1, 4, 4, 4, 4, 3, 3, 3, 3, 6, 6};

const int* equationRow(const VectorSpace* space, int j) {
  return space->Space + static_cast<std::ptrdiff_t>(j) * space->rowsize;
}

int warn(int position, const char* text) {
  Alert("computeChargeDegeneracy", position, 112201, "%s", text);
  return 0;
}

// Trial system: the given equations plus the extra rows; solved, normalised into SM and
// counted. 1 counted, 0 not accepted, -1 incomplete (fewer than four independent rows).
int tryAssignment(const VectorSpace* equations, const std::vector<std::array<long long, 5>>& extra, int store,
                  bool warnIncomplete, int position) {
  VectorSpace* trial = &state().trial;
  initEquationCollection(trial, 4, 7);
  for (int j = 0; j < equations->Nfill; ++j)
    if (CollectIntegerEquations(trial, equationRow(equations, j)) == kEliminationOverflow)
      return rejectCandidate("computeChargeDegeneracy", 10, "Integer overflow");
  for (const auto& row : extra) {
    int r[5];
    for (int k = 0; k < 5; ++k)
      if (ConvertLongToInt(row[static_cast<std::size_t>(k)], &r[k]) != 0) return 0;
    const int result = CollectIntegerEquations(trial, r);
    if (result == kEliminationOverflow) return rejectCandidate("computeChargeDegeneracy", 10, "Integer overflow");
    if (result < 0) return 0;  // inconsistent: this value is impossible
  }
  if (trial->Nfill < 4) {
    if (warnIncomplete) warn(position, "Equations not solved");
    return -1;
  }
  int x[5] = {};
  const int D = SolveIntegerEquations(trial, x, 1);
  if (D <= 0) return 0;
  long long norm = SCM(24, D);
  for (int k = 0; k < 4; ++k) norm = SCM(norm, SM.multiplicities[k]);
  int normInt = 0;
  if (ConvertLongToInt(norm, &normInt) != 0) return 0;
  int y[4];
  for (int k = 0; k < 4; ++k)
    if (ConvertLongToInt(norm * x[k] / D, &y[k]) != 0) return 0;
  SM.Ynorm = normInt;
  for (int k = 0; k < 4; ++k) SM.Y[k] = y[k];
  return computeQuarkAndLeptonCharges(store) > 0 ? 1 : 0;
}

// The class row whose pivot is x, or nullptr.
const int* classRowOf(int x, int n) {
  const VectorSpace& classes = state().classes;
  for (int j = 0; j < classes.Nfill; ++j) {
    const int* row = equationRow(&classes, j);
    if (row[n + 16] == x) return row;
  }
  return nullptr;
}

}  // namespace

std::vector<int> getChargeList(int x, const int* classes, int* scale) {
  const long long N = SM.multiplicities[x];
  *scale = static_cast<int>(12 * N);
  std::vector<int> list;
  long long hi = 0, lo = 0;
  for (int k = 0; k < 16; ++k) {
    const long long mk = classes[k];
    if (mk == 0) continue;
    hi += mk * (mk > 0 ? kHighest[k] : kLowest[k]);
    lo += mk * (mk > 0 ? kLowest[k] : kHighest[k]);
  }
  hi *= N;
  lo *= N;
  const long long step = 6 * N;
  if (step <= 0) return list;
  const long long J = x < 2 ? 1 : N + 1;
  for (long long t = lo; t <= hi; t += step)
    for (long long j = 0; j < J; ++j) {
      const long long value = t - 12 * j;
      if (value > INT32_MAX || value < INT32_MIN) continue;
      const int v = static_cast<int>(value);
      bool present = false;
      for (int w : list)
        if (w == v) present = true;
      if (!present) list.push_back(v);
    }
  for (std::size_t k = 0; k < list.size(); ++k)
    if (list[k] == 0) {
      std::swap(list[0], list[k]);
      break;
    }
  return list;
}

int ConvertLongToInt(long long value, int* out) {
  if (value > 199999999 || value < -199999999) {
    Print("a=%lld\n", value);
    Alert("ConvertLongToInt", 0, 110413, "Integer overflow");
    countRejection();
    return 1;
  }
  *out = static_cast<int>(value);
  return 0;
}

int ReduceOnColorLabel(long long* v, const int* w, int n) {
  for (int k = 1; k < n; ++k) {
    long long a = 0, b = 0;
    if (__builtin_mul_overflow(v[k], static_cast<long long>(w[0]), &a) ||
        __builtin_mul_overflow(v[0], static_cast<long long>(w[k]), &b) || __builtin_sub_overflow(a, b, &v[k])) {
      Alert("ReduceOnColorLabel", 0, 110213, "Integer overflow");
      return 0;
    }
  }
  v[0] = 0;
  return NormalizeLongIntegerVector(n, v);
}

int computeChargeDegeneracy(VectorSpace* equations, int open[4], int store) {
  ModelAnalysisState& s = state();
  StandardModel& m = SM;
  ++s.counters.chargeDegeneracyCalls;
  const int n = m.stackCount == 3 ? 3 : 4;
  VectorSpace* classes = &s.classes;
  initInversionCollection(classes, n, 16, 6);
  const int width = n + 16;
  auto addClass = [&](int x, int y, int sign, int cls) {
    std::vector<int> row(static_cast<std::size_t>(width), 0);
    row[static_cast<std::size_t>(x)] += y < 0 ? 2 : 1;
    if (y >= 0) row[static_cast<std::size_t>(y)] += sign;
    row[static_cast<std::size_t>(n + cls)] = 1;
    CollectInversionEquations(classes, row.data());
  };
  for (int x = 0; x < n; ++x)
    if (m.antisymmetricTensors[x] != 0 || m.symmetricTensors[x] != 0 || m.groupTypes[x] != 0) addClass(x, -1, 0, x);
  const int pairs[6][2] = {{0, 1}, {0, 2}, {0, 3}, {1, 2}, {1, 3}, {2, 3}};
  for (int p = 0; p < 6; ++p) {
    if (pairs[p][1] >= n) continue;
    if (m.Gamma[p] != 0) addClass(pairs[p][0], pairs[p][1], 1, 4 + 2 * p);
    if (m.Delta[p] != 0) addClass(pairs[p][0], pairs[p][1], -1, 5 + 2 * p);
  }
  searchEvents()[6] = classes->Nfill;
  for (int j = 0; j < equations->Nfill; ++j) {
    const int pivot = equationRow(equations, j)[equations->rowsize - 1];
    if (pivot >= 0 && pivot < 4) open[pivot] = 0;
  }
  for (int j = 0; j < classes->Nfill; ++j) {
    int* row = classes->Space + static_cast<std::ptrdiff_t>(j) * classes->rowsize;
    const int pc = row[width];
    if (pc < 0 || pc >= n || row[pc] == 0) continue;
    const int coefficient = row[pc];
    for (int k = 0; k < width; ++k) row[k] = static_cast<int>(2LL * row[k] / coefficient);
  }
  const int r = equations->Nfill;
  int firstOpen = -1;
  for (int x = 0; x < 4; ++x)
    if (open[x] != 0) {
      firstOpen = x;
      break;
    }
  int count = 0;
  if (classes->Nfill == n) {
    if (r == 1) {
      warn(2, "Only one equation: this case is not built in");
      countRejection();
      return 0;
    }
    if (r == 3) {
      if (firstOpen < 0) return 0;
      const int* row = classRowOf(firstOpen, n);
      if (row == nullptr) return 0;
      int scale = 0;
      const std::vector<int> list = getChargeList(firstOpen, row + n, &scale);
      for (int q : list) {
        std::array<long long, 5> extra{};
        extra[static_cast<std::size_t>(firstOpen)] = scale;
        extra[4] = -q;
        if (tryAssignment(equations, {extra}, store, true, 0) == 1) ++count;
      }
      return count;
    }
    if (r == 2) {
      std::vector<int> opens;
      for (int x = 0; x < 4; ++x)
        if (open[x] != 0) opens.push_back(x);
      if (opens.empty()) return 0;
      const int* row0 = classRowOf(opens[0], n);
      int s0 = 0;
      const std::vector<int> first = row0 != nullptr ? getChargeList(opens[0], row0 + n, &s0) : std::vector<int>();
      if (opens.size() < 2) return warn(1, "Equations not solved");
      if (first.empty()) return 0;
      for (std::size_t k = 1; k < opens.size(); ++k) {
        const int x1 = opens[k];
        const int* row1 = classRowOf(x1, n);
        int s1 = 0;
        const std::vector<int> second = row1 != nullptr ? getChargeList(x1, row1 + n, &s1) : std::vector<int>();
        bool incomplete = false;
        for (int q0 : first) {
          for (int q1 : second) {
            std::array<long long, 5> a{}, b{};
            a[static_cast<std::size_t>(opens[0])] = s0;
            a[4] = -q0;
            b[static_cast<std::size_t>(x1)] = s1;
            b[4] = -q1;
            const int result = tryAssignment(equations, {a, b}, store, false, 1);
            if (result == -1) {
              incomplete = true;
              break;
            }
            if (result == 1) ++count;
          }
          if (incomplete) break;
        }
        if (!incomplete && !second.empty()) return count;
      }
      warn(1, "Equations not solved");
      return count;
    }
    return 0;
  }
  if (classes->Nfill == n - 1) {
    if (r == 2) {
      warn(6, "Possibly degenerate case");
      countRejection();
      return 0;
    }
    if (r != 3) {
      Alert("computeChargeDegeneracy", 7, 112201, "Not foreseen (%d,%d)", classes->Nfill, r);
      countRejection();
      return 0;
    }
    int v = -1;
    for (int j = 0; j < classes->Nfill; ++j) {
      const int* row = equationRow(classes, j);
      for (int k = 0; k < n; ++k)
        if (k != row[width] && row[k] != 0) v = k;
    }
    if (v < 0) return warn(3, "No variable column found");
    long long null[4] = {};
    null[v] = -64;
    for (int j = 0; j < classes->Nfill; ++j) {
      const int* row = equationRow(classes, j);
      const int p = row[width];
      if (p >= 0 && p < n && row[p] != 0) null[p] = 64LL * row[v] / row[p];
    }
    bool orthogonal = true;
    for (int j = 0; j < equations->Nfill; ++j) {
      const int* row = equationRow(equations, j);
      long long sum = 0;
      for (int k = 0; k < 4; ++k) sum += row[k] * null[k];
      if (sum != 0) orthogonal = false;
    }
    if (orthogonal) {
      m.degenerateY = 1;
      searchEvents()[7] = 1;
    }
    if (firstOpen < 0) return warn(5, "Impossible logical flow");
    const int norm = m.Ynorm;
    // The trial values form a range: walked, not stored (2 norm + 1 of them, up to
    // 4 * 10^8 for the largest norm computeY lets through).
    long long first = 0, last = 0;
    if (m.degenerateY != 0) {
      first = last = firstOpen == 0 ? norm / 6 : (firstOpen == 1 ? norm / 2 : -norm / 2);
    } else {
      if (norm < 0) return 0;
      first = -static_cast<long long>(norm);
      last = norm;
    }
    for (long long t = first; t <= last; ++t) {
      std::array<long long, 5> extra{};
      extra[static_cast<std::size_t>(firstOpen)] = m.Ynorm;
      extra[4] = -t;
      if (tryAssignment(equations, {extra}, store, true, 4) == 1) ++count;
    }
    return count;
  }
  Alert("computeChargeDegeneracy", 7, 112201, "Not foreseen (%d,%d)", classes->Nfill, r);
  countRejection();
  return 0;
}
