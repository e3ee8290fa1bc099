// Consistency checks of the modular data of the current theory: the Frobenius-Schur
// indicator of a field from S and P, the generalised indicator Z(a, b) from fusion, S and
// T, and the integrality of the fusion coefficients from the Verlinde sum. The checks read
// S through compS after initSMATRIX and change no table.
#include <cmath>
#include <complex>
#include <vector>

#include "modular/Modular.h"
#include "modular/ModularInternal.h"
#include "numbers/MathUtility.h"
#include "runtime/Error.h"
#include "runtime/Output.h"
#include "runtime/SystemUtility.h"
#include "runtime/Terminal.h"

namespace {

std::complex<double> elementS(int i, int j) {
  double re = 0.0;
  double im = 0.0;
  compS(i, j, &re, &im);
  return {re, im};
}

int nearestInteger(double x) {
  return static_cast<int>(std::lround(x));
}

}  // namespace

int getSchurIndex(int i) {
  initSMATRIX();
  const int n = modularPrimaries();
  double sum = 0.0;
  for (int m = 0; m < n; ++m) {
    const double s0m = elementS(0, m).real();
    if (s0m == 0.0) continue;
    double pre = 0.0;
    double pim = 0.0;
    compP(0, m, &pre, &pim);
    sum += elementS(i, m).real() * pre * pre / s0m;
  }
  return nearestInteger(sum);
}

int computeGeneralizedSchurIndex(int a, int b) {
  initSMATRIX();
  const int n = modularPrimaries();
  std::vector<double> logT(static_cast<std::size_t>(n), 0.0);
  compLogT(logT.data());
  std::complex<double> x{0.0, 0.0};
  for (int k = 0; k < n; ++k) {
    const std::complex<double> sbk = elementS(b, k);
    for (int m = 0; m < n; ++m) {
      const int coefficient = fusion(k, m, a, 0);
      if (fusionInterrupted(coefficient)) return 1;
      if (coefficient == 0) continue;
      const double angle =
          -4.0 * M_PI * (logT[static_cast<std::size_t>(m)] - logT[static_cast<std::size_t>(k)]);
      x += static_cast<double>(coefficient) * elementS(0, m).real() * sbk *
           std::complex<double>(std::cos(angle), std::sin(angle));
    }
  }
  const double phase = -M_PI * (logT[0] - logT[static_cast<std::size_t>(b)]);
  const std::complex<double> y = x * std::complex<double>(std::cos(phase), std::sin(phase));
  if (nearestInteger(y.imag()) != 0)
    Alert("computeGeneralizedSchurIndex", 0, 100402,
          "Generalized Frobenius-Schur indicator is imaginary");
  Print("Z(%d,%d) = %d\n", a, b, nearestInteger(y.real()));
  return 0;
}

int CheckFusionCoefficient(int i, int j, int k) {
  const int n = modularPrimaries();
  std::complex<double> sum{0.0, 0.0};
  for (int m = 0; m < n; ++m) {
    const double s0m = elementS(0, m).real();
    if (s0m == 0.0) continue;
    sum += elementS(i, m) * elementS(j, m) * elementS(k, m) / s0m;
  }
  if (ZeroCheck(sum.imag()) == 0) {
    Alert("CheckFusionCoefficient", 0, 100201,
          "**** Fusion coefficient N_{ijk} imaginary fields %d, %d and %d\nvalue %15.7f", i, j, k,
          sum.real());
    return 1;
  }
  int value = 0;
  if (DoubleToInteger(&value, sum.real()) == 0) {
    Alert("CheckFusionCoefficient", 1, 100201,
          "**** Fusion coefficient N_{ijk} not integer for fields %d, %d and %d^c\nvalue %15.7f", i,
          j, k, sum.real());
    return 1;
  }
  return 0;
}

int CheckFusion(int samples) {
  const double start = CPUTime();
  initSMATRIX();
  const long long n = modularPrimaries();
  const long long total = n * (n + 1) * (n + 2) / 6;
  long long checked = 0;
  int failures = 0;
  bool asked = false;
  // Asks once, at the third failure, whether to go on; false when the user declines.
  auto goOn = [&]() {
    if (failures < 3 || asked) return true;
    asked = true;
    return Alert("CheckFusion", 0, 332209, "Continue despite errors?") != 0;
  };
  if (samples == 0) {
    Print("Total number of fusion coefficients to be checked: %lld\n", total);
    startProgressInfo("Checking fusion coefficients", 1, static_cast<double>(n * (n + 1) / 2));
    bool stopped = false;
    for (int i = 0; i < n && !stopped; ++i) {
      for (int j = i; j < n && !stopped; ++j) {
        if (incrementProgressInfo() != 0 || getStopSignal() != 0) {
          stopped = true;
          break;
        }
        for (int k = j; k < n; ++k) {
          ++checked;
          failures += CheckFusionCoefficient(i, j, k);
          if (!goOn()) {
            stopped = true;
            break;
          }
        }
      }
    }
    stopProgressInfo("Checking fusion coefficients");
  } else {
    for (int t = 0; t < samples && n > 0; ++t) {
      if (getStopSignal() != 0) break;
      const int i = randomNumber(static_cast<int>(n));
      const int j = randomNumber(static_cast<int>(n));
      const int k = randomNumber(static_cast<int>(n));
      ++checked;
      failures += CheckFusionCoefficient(i, j, k);
      if (!goOn()) break;
    }
  }
  const double seconds = CPUTime() - start;
  if (failures == 0) {
    Print("Cases checked: %lld out of %lld (in %7.3f seconds); no failures\n", checked, total,
          seconds);
  } else {
    Print("Cases checked: %lld out of %lld (in %7.3f seconds); %d failures\n", checked, total,
          seconds, failures);
  }
  return failures;
}
