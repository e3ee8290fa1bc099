// The exceptional modular invariants that come with the program: the E6, E7 and E8
// invariants of A1 at levels 10, 16 and 28 (numbers 1, 2, 3) and the invariants of the
// N=2 minimal models at the same levels (4, 5, 6) that they induce. Entries are asked for
// by the stored field numbers of the theory (A1: field order of the store; N=2: the
// fields' labels (l, m, s) are read from the stored level-k minimal model). The blocks of
// the A1 invariants are written in the store's field order of A1, where the fields of
// Dynkin label l and k - l are neighbours.
#include <cmath>
#include <cstdlib>
#include <initializer_list>

#include "runtime/Error.h"
#include "store/StoremanagerQueries.h"
#include "store/StoremanagerQueriesInternal.h"

namespace {

bool sameBlock(int i, int j, std::initializer_list<std::initializer_list<int>> blocks) {
  for (const auto& block : blocks) {
    bool hasI = false, hasJ = false;
    for (int x : block) {
      hasI = hasI || x == i;
      hasJ = hasJ || x == j;
    }
    if (hasI && hasJ) return true;
  }
  return false;
}

bool in(int x, std::initializer_list<int> set) {
  for (int y : set) {
    if (x == y) return true;
  }
  return false;
}

bool divides(long long d, long long x) { return x % d == 0; }

// The field identification (l, m, s) ~ (k - l, m + k + 2, s + 2) on the U(1) labels.
bool identified(int k, const int* a, const int* b) {
  return divides(2LL * (k + 2), static_cast<long long>(b[1]) - a[1] + (k + 2)) &&
         divides(4, static_cast<long long>(b[2]) - a[2] - 2);
}

bool sameCharges(const int* a, const int* b) { return a[1] == b[1] && a[2] == b[2]; }

int minimalEntry(int i, int j, int nr) {
  static const int kLevels[3] = {10, 16, 28};
  const int k = kLevels[nr - 4];
  SpectrumData* sd = SM_getData(kStoreTypeMinimalN2, 2, k);
  if (sd == nullptr || !storeIsField(sd, i) || !storeIsField(sd, j)) return 0;
  const int* a = storeLabelOf(sd, i);
  const int* b = storeLabelOf(sd, j);
  const int l = a[0], lp = b[0];
  const bool either = sameCharges(a, b) || identified(k, a, b);
  switch (nr) {
    case 5: {
      const bool allowed = (in(l, {0, 16}) && in(lp, {0, 16})) || (in(l, {4, 12}) && in(lp, {4, 12})) ||
                           (in(l, {6, 10}) && in(lp, {6, 10})) || (in(l, {2, 14}) && lp == 8) ||
                           (l == 8 && in(lp, {2, 14})) || (l == 8 && lp == 8);
      return allowed && either ? 1 : 0;
    }
    case 6: {
      const bool allowed = (in(l, {0, 10, 18, 28}) && in(lp, {0, 10, 18, 28})) ||
                           (in(l, {6, 12, 16, 22}) && in(lp, {6, 12, 16, 22}));
      return allowed && either ? 1 : 0;
    }
    default: {
      const int d = l - lp;
      const bool pl = in(l, {0, 10}), plp = in(lp, {0, 10});
      const bool ql = in(l, {4, 6}), qlp = in(lp, {4, 6});
      if (pl && plp) {
        if (d % 20 == 0 && sameCharges(a, b)) return 1;
        if (d == 10 || d == -10) return identified(k, a, b) ? 1 : 0;
        return 0;
      }
      if (ql && qlp) {
        if (d % 10 == 0 && sameCharges(a, b)) return 1;
        if ((l + lp) % 10 == 0) return identified(k, a, b) ? 1 : 0;
        return 0;
      }
      if ((pl && qlp) || (ql && plp)) {
        if (std::abs(d) == 6) return sameCharges(a, b) ? 1 : 0;
        if (std::abs(d) == 4) return identified(k, a, b) ? 1 : 0;
        return 0;
      }
      if (in(l, {3, 7}) && in(lp, {3, 7})) return either ? 1 : 0;
      return 0;
    }
  }
}

}  // namespace

int ExceptionalModularMatrix(int i, int j, int nr) {
  switch (nr) {
    case 0: return i == j ? 1 : 0;
    case 1: return sameBlock(i, j, {{0, 9}, {1, 8}, {6, 7}}) ? 1 : 0;
    case 2:
      if (sameBlock(i, j, {{0, 1}, {8, 9}, {12, 13}})) return 1;
      if ((i == 4 || i == 5) && j == 16) return 1;
      if (i == 16 && (j == 4 || j == 5 || j == 16)) return 1;
      return 0;
    case 3: return sameBlock(i, j, {{0, 1, 20, 21}, {12, 13, 24, 25}}) ? 1 : 0;
    case 4:
    case 5:
    case 6: return minimalEntry(i, j, nr);
    default: return 0;
  }
}

int getExceptionalInvariantLabel(const SpectrumData* sd, int on) {
  if (on == 0) return 0;
  const int offset = sd->type == 1 && sd->rank == 1 ? 0 : (sd->type == kStoreTypeMinimalN2 && sd->rank == 2 ? 3 : -1);
  if (offset >= 0) {
    if (sd->level == 10) return offset + 1;
    if (sd->level == 16) return offset + 2;
    if (sd->level == 28) return offset + 3;
  }
  Alert("getExceptionalInvariantLabel", 0, 100202, "Invalid exceptional invariant");
  return -1;
}

void SmatMinFCFT2(const int* a, const int* b, double* re, double* im, int ignored, int k) {
  (void)ignored;
  const long long N = 2LL * k + 4;
  const long long ma = a[1], mb = b[1];
  const bool bothEven = ma % 2 == 0 && mb % 2 == 0;
  const bool bothOdd = ma % 2 != 0 && mb % 2 != 0;
  const long long s = ((N % 8 == 0 && bothEven) || (N % 8 != 0 && bothOdd)) ? N / 4 : 0;
  const long long e = ((ma * mb - s) % N + N) % N;
  const double angle = 2.0 * M_PI * static_cast<double>(e) / static_cast<double>(N);
  const double scale = -1.0 / std::sqrt(static_cast<double>(N));
  *re = scale * std::cos(angle);
  *im = scale * std::sin(angle);
}
