// The nested-loop engine and the index-tuple iterators.
//
// NestedLoops keeps the current range of every level in two arrays of its own call (so that
// a body may run another NestedLoops); the range of a level is asked for when the level is
// increased or reset, and the last level's range once per run of that level. Totals are
// summed in 64 bits and reported when they leave the int range. Both engines look for
// Ctrl-C before every body call (a flag test), so that no caller's loop over a large box
// depends on its body to poll.
#include "interpreter/Loops.h"

#include <climits>
#include <cmath>

#include "numbers/MathUtility.h"
#include "runtime/Allocation.h"
#include "runtime/Error.h"
#include "runtime/SystemUtility.h"
#include "runtime/Terminal.h"

namespace {

AllocationAccount* loopsAccount() {
  static AllocationAccount account("Loops");
  return &account;
}

int narrowTotal(long long total, const char* routine) {
  if (total > INT_MAX || total < INT_MIN) {
    Alert(routine, 1, 112413, "Integer overflow");
    return total > 0 ? INT_MAX : INT_MIN;
  }
  return static_cast<int>(total);
}

// The result of a loop that was stopped by the body result r.
int stopResult(long long total, int r, const char* routine) {
  if (r == -1) return narrowTotal(total + 1, routine);
  if (r == -2) return narrowTotal(total, routine);
  return r;
}

}  // namespace

int NestedLoops(int n, const int* lo, const int* hi, int* x, void* ctx, LoopBounds bounds,
                LoopBody body) {
  if (n <= 0) return 0;
  for (int i = 0; i < n; ++i) x[i] = lo[i];
  obeyInterruptRequest();
  int r = body(n, x, ctx);
  if (r < -2) return r;
  AccountVector<int> rangeLo(static_cast<std::size_t>(n), 0,
                             AccountAllocator<int>(loopsAccount(), "NestedLoops"));
  AccountVector<int> rangeHi(static_cast<std::size_t>(n), 0,
                             AccountAllocator<int>(loopsAccount(), "NestedLoops"));
  auto fetch = [&](int level) {
    if (bounds != nullptr) {
      bounds(n, level, x, lo, hi, &rangeLo[level], &rangeHi[level], ctx);
    } else {
      rangeLo[level] = lo[level];
      rangeHi[level] = hi[level];
    }
  };
  // Increases x[level]; false when it then exceeds its range.
  auto step = [&](int level) {
    if (x[level] >= rangeHi[level]) {
      if (x[level] != INT_MAX) ++x[level];
      return false;
    }
    ++x[level];
    return true;
  };
  const int last = n - 1;
  bool lastRangeKnown = false;
  long long total = 0;
  while (r >= 0) {
    total += r;
    if (!lastRangeKnown) {
      fetch(last);
      lastRangeKnown = true;
    }
    if (!step(last)) {
      // Carry: increase the next outer level that can grow, then reset the levels below it.
      int level = last;
      for (;;) {
        --level;
        if (level < 0) return narrowTotal(total, "NestedLoops");
        fetch(level);
        if (!step(level)) continue;
        int inner = level + 1;
        while (inner < n) {
          fetch(inner);
          if (rangeLo[inner] > rangeHi[inner]) break;
          x[inner] = rangeLo[inner];
          ++inner;
        }
        if (inner == n) break;
        // An empty range: the carry goes on from the level above it.
        level = inner;
      }
    }
    obeyInterruptRequest();
    r = body(n, x, ctx);
  }
  return stopResult(total, r, "NestedLoops");
}

int RandomizedLoops(int n, const int* lo, const int* hi, int* x, void* ctx, int count,
                    LoopBody body) {
  if (n <= 0 || count < 1) return 0;
  long long total = 0;
  for (int sample = 0; sample < count; ++sample) {
    for (int i = 0; i < n; ++i) {
      long long span = static_cast<long long>(hi[i]) - lo[i] + 1;
      long long offset;
      if (span <= INT_MAX) {
        offset = randomNumber(static_cast<int>(span));
      } else {
        offset = static_cast<long long>(std::trunc(dRandom() * static_cast<double>(span)));
        if (offset >= span || offset < 0) offset = 0;
      }
      x[i] = static_cast<int>(lo[i] + offset);
    }
    obeyInterruptRequest();
    int r = body(n, x, ctx);
    if (r < -2) return r;
    if (r < 0) return stopResult(total, r, "RandomizedLoops");
    total += r;
  }
  return narrowTotal(total, "RandomizedLoops");
}

double getLoopLength(int n, const int* lo, const int* hi) {
  double length = 1.0;
  for (int i = 0; i < n; ++i) length *= static_cast<double>(hi[i]) - lo[i] + 1;
  return length;
}

double getLoopPosition(int n, const int* lo, const int* hi, const int* x) {
  double position = 0.0;
  for (int i = 0; i < n; ++i) {
    const double range = hi[i] >= lo[i] ? static_cast<double>(hi[i]) - lo[i] + 1 : 1.0;
    double offset = static_cast<double>(x[i]) - lo[i];
    if (offset < 0) offset = 0;
    if (offset > range - 1) offset = range - 1;
    position = position * range + offset;
  }
  return position;
}

int incrementInit(int n, const int* lo, const int* hi, int* x) {
  for (int i = 0; i < n; ++i) {
    x[i] = lo[i];
    if (hi[i] <= lo[i]) return 1;
  }
  return 0;
}

int increment(int n, const int* lo, const int* hi, int* x) {
  for (int i = n - 1; i >= 0; --i) {
    if (x[i] + 1LL < hi[i]) {
      ++x[i];
      return 0;
    }
    x[i] = lo[i];
  }
  return 1;
}

int increment_ordered(int n, int max, int* x) {
  for (int i = n - 1; i >= 0; --i) {
    if (x[i] + 1LL < max && (i == 0 || x[i] < x[i - 1])) {
      ++x[i];
      return 0;
    }
    x[i] = 0;
  }
  return 1;
}

int incrementCut(int n, const int* lo, const int* hi, int* x, int cut) {
  if (cut == 0) return increment(n, lo, hi, x);
  if (n <= 0) return 1;
  int limit = lo[n - 1];
  bool wrappedAboveLo = false;
  for (int i = n - 1; i >= 0; --i) {
    if (x[i] + 1LL < limit) {
      ++x[i];
      return 0;
    }
    if (x[i] > lo[i]) wrappedAboveLo = true;
    x[i] = lo[i];
    if (i > 0) limit = wrappedAboveLo ? hi[i - 1] : lo[i - 1];
  }
  return 1;
}

int incrementBoundedInit(int n, const int* range, int* x, const int* coef, int bound, int* rest) {
  for (int i = 0; i < n; ++i) x[i] = 0;
  for (int i = 0; i < n; ++i) {
    if (range[i] < 1) return 1;
    if (coef[i] < 0) {
      Alert("incrementBoundedInit", 1, 112412, "Negative coefficient");
      return 1;
    }
  }
  *rest = bound;
  return 0;
}

int incrementBounded(int n, const int* range, int* x, const int* coef, int bound, int* rest) {
  long long sum = 0;
  for (int i = 0; i < n; ++i) sum += static_cast<long long>(coef[i]) * x[i];
  for (int i = n - 1; i >= 0; --i) {
    long long others = sum - static_cast<long long>(coef[i]) * x[i];
    long long largest = range[i] - 1LL;
    if (coef[i] > 0) {
      long long allowed = (bound - others) / coef[i];
      if (allowed < largest) largest = allowed;
    }
    if (x[i] < largest) {
      ++x[i];
      sum += coef[i];
      *rest = static_cast<int>(bound - sum);
      return 0;
    }
    sum = others;
    x[i] = 0;
  }
  *rest = static_cast<int>(bound - sum);
  return 1;
}

int incrementBinomial(int n, int k, int* x) {
  for (int p = k - 1; p >= 0; --p) {
    if (x[p] < n - k + p) {
      ++x[p];
      for (int q = p + 1; q < k; ++q) x[q] = x[q - 1] + 1;
      return 1;
    }
  }
  return 0;
}

int incrementSqueezed(int n, int first, int* x, int* hi, int* lo, void* ctx, SqueezeFunction fn) {
  if (first == 1) {
    for (int i = 0; i < n; ++i) x[i] = 0;
    if (fn != nullptr) fn(n, n, x, hi, lo, ctx);
    return 0;
  }
  for (int i = n - 1; i >= 0; --i) {
    if (x[i] + 1LL < hi[i]) {
      ++x[i];
      if (fn != nullptr) fn(n, i, x, hi, lo, ctx);
      return 0;
    }
    x[i] = lo[i];
  }
  return 1;
}

int incrementBoundedInit_Double(int n, const int* range, int* x, const double* coef, double* rest,
                                double bound) {
  for (int i = 0; i < n; ++i) x[i] = 0;
  for (int i = 0; i < n; ++i) {
    if (range[i] < 0 || coef[i] < 0) {
      Alert("incrementBoundedInit_Double", 1, 112412, "Negative coefficient");
      return 1;
    }
  }
  *rest = bound;
  return 0;
}

int incrementBounded_Double(int n, const int* lo, const int* hi, int* x, const double* coef,
                            double* rest, double bound) {
  auto remaining = [&] {
    double sum = 0;
    for (int i = 0; i < n; ++i) sum += coef[i] * x[i];
    return bound - sum;
  };
  for (int i = n - 1; i >= 0; --i) {
    double others = 0;
    for (int j = 0; j < n; ++j) {
      if (j != i) others += coef[j] * x[j];
    }
    double largest = hi[i];
    if (coef[i] > 0) {
      double allowed = std::trunc((bound - others) / coef[i]);
      if (allowed < largest) largest = allowed;
    }
    if (x[i] < largest) {
      ++x[i];
      *rest = remaining();
      return 0;
    }
    x[i] = lo[i];
  }
  *rest = remaining();
  return 1;
}
