// Handlers of the boundary mode: label counts and listings, reflection and crosscap
// coefficients, the oriented annulus (NIM-representation matrices and boundary fusion),
// the Klein-bottle and crosscap-sign choices, and the checks of the boundary data. The
// mode's pre-command hooks have built the oriented (and, for the second group, the
// unoriented) data before a handler runs.
#include <climits>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "boundaries/CrossBound.h"
#include "commands/Commands.h"
#include "commands/CommandsInternal.h"
#include "invariants/Invariants.h"
#include "modular/Modular.h"
#include "runtime/Error.h"
#include "runtime/Output.h"
#include "store/CurrentTheory.h"

namespace {

BulkInvariant* bulk() {
  BulkInvariant** slot = getCurrentBulk();
  return slot != nullptr ? *slot : nullptr;
}

int primaries() {
  return TotalPrimaries != nullptr ? *TotalPrimaries : 0;
}

bool exceptionalBulk() {
  BulkInvariant* bi = bulk();
  return bi != nullptr && bi->simple_current != 1;
}

// The largest magnitude of an exceptional Klein-bottle entry.
constexpr int kLargestKleinValue = INT_MAX;

int refusedWithout(const char* routine, const char* message) {
  Alert(routine, 0, 100302, "%s", message);
  return 1;
}

void printMatrixRow(int i, int a, int total) {
  for (int b = 0; b < total; ++b) Print("%2d", getOrientedAnnulus(i, a, b));
}

void printNIMMatrix(int i) {
  const int total = TotalBoundaries();
  Print("A^%d_a^b = \n     ", i);
  for (int a = 0; a < total; ++a) {
    printMatrixRow(i, a, total);
    Print(a + 1 < total ? "\n     " : "\n");
  }
  if (total == 0) Print("\n");
}

}  // namespace

int COM_tot_ishi(char**, int) {
  if (!requireSpectrum("COM_tot_ishi")) return 1;
  Print("%d\n", TotalIshibashi());
  return 0;
}

int COM_tot_bnd(char**, int) {
  if (!requireSpectrum("COM_tot_bnd")) return 1;
  Print("%d\n", TotalBoundaries());
  return 0;
}

int COM_reflection(char** params, int n) {
  if (!isRefCoefAvailable())
    return refusedWithout("COM_reflection", "Reflection coefficients not available");
  const int nI = TotalIshibashi();
  const int nB = TotalBoundaries();
  const int i0 = n >= 1 ? intParameter(params, 0) : 0;
  const int i1 = n >= 1 ? i0 + 1 : nI;
  const int a0 = n >= 2 ? intParameter(params, 1) : 0;
  const int a1 = n >= 2 ? a0 + 1 : nB;
  for (int i = i0; i < i1; ++i) {
    for (int a = a0; a < a1; ++a) {
      double re = 0.0, im = 0.0;
      getCurrentReflectionCoefficient(i, a, &re, &im);
      if (a == 0) Print("\n");
      if (commandsHighPrecision())
        Print("R(%d,%d)=(%30.15f,%30.15f)\n", i, a, re, im);
      else
        Print("R(%d,%d)=(%15.8f,%15.8f)\n", i, a, re, im);
    }
  }
  return -n;
}

int COM_crosscoeff(char** params, int n) {
  if (!isCrosscapAvailable())
    return refusedWithout("COM_crosscoeff", "Crosscap coefficients not available");
  const int i0 = n >= 1 ? intParameter(params, 0) : 0;
  const int i1 = n >= 1 ? i0 + 1 : TotalIshibashi();
  for (int i = i0; i < i1; ++i) {
    double re = 0.0, im = 0.0;
    getCurrentCrosscapCoefficient(i, 0, &re, &im);
    if (commandsHighPrecision())
      Print("C(%d)=(%30.15f,%30.15f)\n", i, re, im);
    else
      Print("C(%d)=(%15.8f,%15.8f)\n", i, re, im);
  }
  return -n;
}

int COM_NIMrep(char** params, int n) {
  if (!isRefCoefAvailable())
    return refusedWithout("COM_NIMrep", "Reflection coefficients not available");
  if (n == 0) {
    for (int i = 0; i < primaries(); ++i) printNIMMatrix(i);
  } else if (n == 1) {
    printNIMMatrix(intParameter(params, 0));
  } else {
    const int i = intParameter(params, 0);
    const int a = intParameter(params, 1);
    const int b0 = n >= 3 ? intParameter(params, 2) : 0;
    const int b1 = n >= 3 ? b0 + 1 : TotalBoundaries();
    for (int b = b0; b < b1; ++b) Print("A^%d_%d^%d = %d\n", i, a, b, getOrientedAnnulus(i, a, b));
  }
  return -n;
}

int COM_bfus(char** params, int n) {
  if (!isRefCoefAvailable())
    return refusedWithout("COM_bfus", "Reflection coefficients not available");
  const int i = intParameter(params, 0);
  const int a = intParameter(params, 1);
  Print("(%d) x [%d] = ", i, a);
  int counter = 3;
  for (int b = 0; b < TotalBoundaries(); ++b) {
    const int coefficient = getOrientedAnnulus(-i, a, b);
    if (coefficient == 0) continue;
    if (counter >= 11) {
      Print("\n             ");
      counter = 4;
      Print(" + ");
    } else if (counter >= 4) {
      Print(" + ");
    }
    if (coefficient == 1) {
      Print("[%d]", b);
      counter += 1;
    } else {
      Print("%d x [%d]", coefficient, b);
    }
    counter += 2;
  }
  Print("\n");
  return -n;
}

int COM_browse_bound(char** params, int n) {
  if (n >= 1) {
    const int a = intParameter(params, 0);
    showBoundaryLabels(a, a);
  } else {
    showBoundaryLabels(0, TotalBoundaries() - 1);
  }
  return -n;
}

int COM_browse_bound_det(char** params, int n) {
  showBoundaryLabelDetails(intParameter(params, 0));
  return -n;
}

int COM_browse_boundary_orbit(char** params, int n) {
  if (exceptionalBulk())
    return refusedWithout("COM_browse_boundary_orbit",
                          "Orbits not available for exceptional invariants");
  showBoundaryOrbit(intParameter(params, 0));
  return -n;
}

int COM_browse_Ishibashi_orbit(char** params, int n) {
  if (exceptionalBulk())
    return refusedWithout("COM_browse_Ishibashi_orbit",
                          "Orbits not available for exceptional invariants");
  showIshibashiOrbit(intParameter(params, 0));
  return -n;
}

int COM_browse_ishibashi(char** params, int n) {
  if (n >= 1) {
    const int m = intParameter(params, 0);
    showIshibashiLabels(m, m);
  } else {
    showIshibashiLabels(0, TotalIshibashi() - 1);
  }
  return -n;
}

int COM_check_complete(char**, int) {
  if (TotalIshibashi() != TotalBoundaries()) {
    Alert("COM_check_complete", 0, 212404, "Completeness violation");
    return 1;
  }
  return 0;
}

int COM_check_reflection(char**, int) {
  if (!isRefCoefAvailable())
    return refusedWithout("COM_check_reflection", "Boundaries not available");
  checkReflectionCoefficients();
  return 0;
}

int COM_check_open_oriented(char**, int) {
  if (!isRefCoefAvailable())
    return refusedWithout("COM_check_open_oriented", "Reflection coefficients not available");
  const int total = TotalBoundaries();
  for (int i = 0; i < primaries(); ++i)
    for (int a = 0; a < total; ++a)
      for (int b = 0; b < total; ++b) getOrientedAnnulus(i, a, b);
  return 0;
}

int COM_reset_crosscap(char**, int) {
  resetOrientifold();
  return 0;
}

int COM_set_crosscap(char** params, int n) {
  return setKlein(intParameter(params, 0)) == 1 ? -n : 1;
}

int COM_crosssign(char** params, int n) {
  std::vector<int> signs(static_cast<size_t>(n));
  for (int k = 0; k < n; ++k) signs[static_cast<size_t>(k)] = intParameter(params, k);
  return setCrosscapSigns(n, signs.data()) == 1 ? -n : 1;
}

int COM_select_klein(char** params, int n) {
  if (!exceptionalBulk()) {
    Alert("COM_select_klein", 0, 100301,
          "Klein bottle choices are only allowed for exceptional MIPF's");
    return 1;
  }
  const int total = primaries();
  std::vector<int> K(static_cast<size_t>(total), 0);
  resetExceptionalKleinBottle(K.data());
  const std::vector<int> diagonal = K;
  for (int k = 0; k < n; ++k) {
    int label = 0, value = 0;
    // A field label outside the theory is refused like a malformed entry.
    if (!ConvertAssign(params[k], &label, &value) || label < 0 || label >= total) {
      Alert("COM_select_klein", 1, 100302, "Invalid assignment: %s", params[k]);
      return 1;
    }
    // The warnings below compare |value| with the standard entry; the one int without an
    // absolute value is refused, and the Klein bottle is left as it was.
    if (value < -kLargestKleinValue) {
      Alert("COM_select_klein", 4, kRefusedValue,
            "Klein bottle %d: value %d out of range (allowed: %d to %d)", label, value,
            -kLargestKleinValue, kLargestKleinValue);
      return 1;
    }
    const int standard = diagonal[static_cast<size_t>(label)];
    if (std::abs(value) > standard)
      Alert("COM_select_klein", 2, 100201, "Klein bottle %d out of range (%d > %d)", label,
            std::abs(value), standard);
    if ((std::abs(value) - standard) % 2 != 0)
      Alert("COM_select_klein", 3, 100201, "Klein bottle %d has different parity than diagonal",
            label);
    K[static_cast<size_t>(label)] = value;
  }
  setKleinBottle(K.data());
  return -n;
}

int COM_select_klein_nr(char** params, int n) {
  if (!exceptionalBulk()) {
    Alert("COM_select_klein_nr", 0, 100301,
          "Klein bottle choices are only allowed for exceptional MIPF's");
    return 1;
  }
  return storedKleinBottle(intParameter(params, 0)) == 1 ? -n : 1;
}

int COM_reset_open(char**, int) {
  resetBulkAndBoundaries();
  return 0;
}
