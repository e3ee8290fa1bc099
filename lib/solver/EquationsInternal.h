// Private to the Equations module (Equations.cpp, EquationsKernel.cpp,
// EquationsSearch.cpp): the shared account, the failure reason, the dump hook, the resets
// of the split files and small checked-arithmetic helpers.
#pragma once

#include <climits>

#include "solver/Equations.h"

AllocationAccount* equationsAccount();
void setFailureReason(int code, long long info, long long info1 = 0, long long info2 = 0);
void callEquationDump();
void resetKernelState();
void resetSearchState();
// Zeroes the call counters of hom_eval and hom_eval_double (InitializeEquationSolver).
void resetKernelEvaluators();

namespace equations {

// a + b and a - b as an int; false when the result leaves the int range.
inline bool addInt(long long a, long long b, int* out) {
  long long sum = a + b;
  if (sum < INT_MIN || sum > INT_MAX) return false;
  *out = static_cast<int>(sum);
  return true;
}
inline bool subtractInt(long long a, long long b, int* out) {
  return addInt(a, -b, out);
}

// max - min in 64 bits (never overflows for int bounds).
inline long long rangeOf(int min, int max) {
  return static_cast<long long>(max) - min;
}

// The nearest int of an integral double; false when it lies outside the int range.
inline bool integralToInt(double value, int* out) {
  if (!(value > static_cast<double>(INT_MIN) - 0.5 && value < static_cast<double>(INT_MAX) + 0.5)) {
    return false;
  }
  *out = static_cast<int>(value > 0 ? value + 0.5 : value - 0.5);
  return true;
}

}  // namespace equations
