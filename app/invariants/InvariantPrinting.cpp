// Printing a bulk invariant as a partition function: rows with the same partner list are
// grouped into one term (left orbit)*(partners), printed as |left|^2 when both sides are the
// same list, and the pairings of every printed term can be counted by conformal weight.
//
// The statistics table lives from one display to the next: it is rebuilt at the start of
// every print, each row holding a value of L h (mod L), L the least common multiple of the
// weight denominators, and the pairings D (diagonal), C (conjugate) and S (diagonal and
// self-conjugate) of that weight.
#include <algorithm>
#include <cstdio>
#include <numeric>
#include <string>
#include <vector>

#include "invariants/Invariants.h"
#include "modular/Modular.h"
#include "runtime/Error.h"
#include "runtime/Output.h"
#include "runtime/Parameters.h"
#include "runtime/Terminal.h"
#include "store/CurrentTheory.h"

namespace {

struct InvariantPrintingState {
  bool statisticsMade = false;
  long long statisticsL = 1;
  std::vector<InvariantStatisticsRow> statistics;
};

InvariantPrintingState& printingState() {
  static InvariantPrintingState s;
  return s;
}

int intParameter(const char* name, int fallback) {
  const int* p = getIntParPointer(name);
  return p == nullptr ? fallback : *p;
}

int primaryCount() {
  return knownPrimaryCount();
}

int decimalLength(long long value) {
  char buffer[32];
  return std::snprintf(buffer, sizeof buffer, "%lld", value);
}

// L h_i modulo L, in [0, L). L is a multiple of the weight's denominator.
long long scaledWeight(int i, long long L) {
  const Rat* h = ratWeight(i);
  if (h == nullptr || h->den == 0) return 0;
  const long long value = (L / h->den) * (h->num % h->den);
  return ((value % L) + L) % L;
}

// L: the least common multiple of the denominators of all conformal weights; 1 when that
// would not fit into an int.
long long weightDenominatorLcm() {
  long long L = 1;
  for (int i = 0; i < primaryCount(); ++i) {
    const Rat* h = ratWeight(i);
    if (h == nullptr || h->den <= 0) continue;
    const long long next = std::lcm(L, h->den);
    if (next > 2000000000LL) {
      Alert("InvariantStatistics", 2, 112415, "Weight denominators too large for statistics");
      return 1;
    }
    L = next;
  }
  return L;
}

bool sameList(const int* a, int na, const int* b, int nb) {
  return na == nb && std::equal(a, a + na, b);
}

bool emptyRow(const BulkInvariant* bi, int i) {
  return bi->orbits[i] == nullptr || bi->count[i] <= 0 || bi->mult[i] <= 0;
}

}  // namespace

void resetInvariantPrinting() {
  InvariantPrintingState& s = printingState();
  s.statisticsMade = false;
  s.statisticsL = 1;
  s.statistics.clear();
}

std::vector<int> RatCount(int L) {
  std::vector<int> values;
  if (L < 1) return values;
  for (int i = 0; i < primaryCount(); ++i) {
    const int v = static_cast<int>(scaledWeight(i, L));
    if (std::find(values.begin(), values.end(), v) == values.end()) values.push_back(v);
  }
  return values;
}

const std::vector<InvariantStatisticsRow>& invariantStatisticsTable() {
  return printingState().statistics;
}

void InvariantStatistics(const int* left, const int* partners, int nL, int nP, int weight) {
  InvariantPrintingState& s = printingState();
  if (left == nullptr && weight == 0) {
    s.statisticsL = weightDenominatorLcm();
    s.statistics.clear();
    for (int v : RatCount(static_cast<int>(s.statisticsL))) s.statistics.push_back({v, 0, 0, 0});
    s.statisticsMade = true;
    return;
  }
  if (weight == -1) {
    if (!s.statisticsMade) {
      Alert("InvariantStatistics", 0, 112415, "Unexpected NULL pointer");
      return;
    }
    Print("\nStatistics: (weights multiplied by %lld)\n", s.statisticsL);
    Print("Wt (mod 1)   D    C    S \n");
    for (const InvariantStatisticsRow& row : s.statistics) {
      Print("%5d     %4d %4d %4d\n", row.value, row.diagonal, row.conjugate, row.selfConjugate);
    }
    return;
  }
  if (!s.statisticsMade || left == nullptr || partners == nullptr || nL < 1) {
    Alert("InvariantStatistics", 1, 112415, "Unexpected NULL pointer");
    return;
  }
  const int value = static_cast<int>(scaledWeight(left[0], s.statisticsL));
  auto row = std::find_if(s.statistics.begin(), s.statistics.end(),
                          [value](const InvariantStatisticsRow& r) { return r.value == value; });
  if (row == s.statistics.end()) {
    Alert("InvariantStatistics", 3, 112415, "Unexpected NULL pointer");
    return;
  }
  for (int a = 0; a < nL; ++a) {
    const int conjugate = getConjugate(left[a]);
    for (int b = 0; b < nP; ++b) {
      if (left[a] == partners[b]) {
        row->diagonal += weight;
        if (conjugate == left[a]) row->selfConjugate += weight;
      } else if (left[a] == getConjugate(partners[b])) {
        row->conjugate += weight;
      }
    }
  }
}

void PrintModInvTerm(const int* left, const int* right, int nL, int nR, int mult, int* column) {
  const bool first = *column == -1;
  const bool square = sameList(left, nL, right, nR);
  // A first term of multiplicity other than 1 (a product that is not normalizable) keeps
  // its multiplicity in the text.
  int width = first ? 7 : 6;
  if (mult != 1) width += decimalLength(mult) + 1;
  for (int k = 0; k < nL; ++k) width += decimalLength(left[k]) + 1;
  if (!square) {
    for (int k = 0; k < nR; ++k) width += decimalLength(right[k]) + 1;
  }
  if (*column >= 11 && *column + width >= 61) {
    Print("\n");
    *column = 0;
  }
  const std::string leftText = buildRepString(left, nL);
  if (first) {
    if (mult == 1) {
      Print("\n   %s", leftText.c_str());
    } else {
      Print("\n   %d*%s", mult, leftText.c_str());
    }
  } else if (mult == 1) {
    Print(" + %s", leftText.c_str());
  } else {
    Print(" + %d*%s", mult, leftText.c_str());
  }
  *column += width;
  if (square) {
    Print("^2");
  } else {
    Print("*%s", buildRepString(right, nR).c_str());
  }
}

void printBulkInvariant(const BulkInvariant* bi, int limit) {
  if (bi == nullptr) {
    Print("Invariant non-existant\n");
    return;
  }
  const int n = bi->n_rows;
  const int rows = limit > 0 ? std::min(limit, n) : n;
  const bool limited = rows < n;
  const int maxDisplay = intParameter("Invariant max_display", 100);
  const bool statistics = intParameter("Invariant statistics", 0) != 0;
  // The weight table runs over every primary: only when the statistics are asked for (a
  // product whose spectrum is not computed yet counts its primaries as unbounded).
  if (statistics) InvariantStatistics(nullptr, nullptr, 0, 0, 0);
  std::vector<char> printed(static_cast<size_t>(rows), 0);
  std::vector<int> leftOrbit;
  int column = -1;
  for (int i = 0; i < rows; ++i) {
    // Each group compares its row with every later one.
    obeyInterruptRequest();
    if (printed[i] || emptyRow(bi, i)) continue;
    if (i > maxDisplay) {
      Print(" + .....\n(Skipping remaining terms)\n");
      return;
    }
    const int* partners = bi->orbits[i];
    const int nP = bi->count[i];
    leftOrbit.assign(1, i);
    printed[i] = 1;
    for (int k = i + 1; k < rows; ++k) {
      if (printed[k] || emptyRow(bi, k)) continue;
      if (bi->mult[k] % bi->mult[i] != 0) continue;
      if (!sameList(partners, nP, bi->orbits[k], bi->count[k])) continue;
      leftOrbit.insert(leftOrbit.end(), static_cast<size_t>(bi->mult[k] / bi->mult[i]), k);
      printed[k] = 1;
    }
    const int nL = static_cast<int>(leftOrbit.size());
    PrintModInvTerm(leftOrbit.data(), partners, nL, nP, bi->mult[i], &column);
    if (statistics) InvariantStatistics(leftOrbit.data(), partners, nL, nP, bi->mult[i]);
  }
  Print("\n");
  if (limited) Print("   + .... (Skipping remaining terms) \n");
  if (statistics) InvariantStatistics(nullptr, nullptr, 0, -1, -1);
}
