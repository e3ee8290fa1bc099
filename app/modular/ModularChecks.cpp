// Consistency checks of the modular data of the current theory: the Frobenius-Schur
// indicator of a field from S and P, the generalised indicator Z(a, b) from fusion, S and
// T, and the integrality of the fusion coefficients from the Verlinde sum. The checks read
// S through compS after initSMATRIX and change no table.
#include <algorithm>
#include <cmath>
#include <complex>
#include <string>
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

// The verdict on one symmetric coefficient N_ij^(k*) of value re + i im: 0 a real integer,
// 1 a failure, 2 beyond double precision (each after its alert).
int reportCoefficient(int i, int j, int k, double re, double im, double tolerance) {
  FusionCoefficient value = 0;
  const FusionSumKind kind = classifyFusionSum(re, tolerance, &value);
  if (kind == FusionSumKind::PrecisionExhausted) {
    Alert("CheckFusionCoefficient", 2, 100201,
          "Fusion coefficient N_{ijk} for fields %d, %d and %d^c cannot be determined in double "
          "precision\nvalue %15.7f, uncertainty %g",
          i, j, k, re, tolerance);
    return 2;
  }
  if (std::fabs(im) > tolerance) {
    Alert("CheckFusionCoefficient", 0, 100201,
          "**** Fusion coefficient N_{ijk} imaginary fields %d, %d and %d\nvalue %15.7f", i, j, k,
          re);
    return 1;
  }
  if (kind == FusionSumKind::NotInteger) {
    Alert("CheckFusionCoefficient", 1, 100201,
          "**** Fusion coefficient N_{ijk} not integer for fields %d, %d and %d^c\nvalue %15.7f", i,
          j, k, re);
    return 1;
  }
  return 0;
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
      const FusionCoefficient coefficient = fusion(k, m, a, 0);
      if (fusionInterrupted(coefficient)) return 1;
      // An undecided coefficient leaves the indicator undecided: its alert was given.
      if (fusionUndecided(coefficient)) return 0;
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
  double rowMax = 0.0;
  for (int m = 0; m < n; ++m) rowMax = std::max(rowMax, std::fabs(elementS(0, m).real()));
  std::complex<double> sum{0.0, 0.0};
  double magnitude = 0.0;
  for (int m = 0; m < n; ++m) {
    const double s0m = elementS(0, m).real();
    if (denominatorIsZero(s0m, 0.0, rowMax)) continue;
    const std::complex<double> term = elementS(i, m) * elementS(j, m) * elementS(k, m) / s0m;
    sum += term;
    magnitude += std::abs(term);
  }
  return reportCoefficient(i, j, k, sum.real(), sum.imag(), fusionTolerance(magnitude));
}

int CheckFusion(int samples) {
  const double start = CPUTime();
  if (!modularSAvailable("CheckFusion")) return 0;
  initSMATRIX();
  const long long n = modularPrimaries();
  const long long total = n * (n + 1) * (n + 2) / 6;
  long long checked = 0;
  int failures = 0;
  int undecided = 0;
  bool asked = false;
  // Asks once, at the third failure, whether to go on; false when the user declines.
  auto goOn = [&]() {
    if (failures < 3 || asked) return true;
    asked = true;
    return Alert("CheckFusion", 0, 332209, "Continue despite errors?") != 0;
  };
  auto count = [&](int verdict) {
    if (verdict == 1) ++failures;
    if (verdict == 2) ++undecided;
  };
  // More samples than coefficients: every coefficient once.
  if (samples >= total) samples = 0;
  if (samples == 0) {
    Print("Total number of fusion coefficients to be checked: %lld\n", total);
    FusionTableReport report;
    // The whole table at once; the coefficients that fail are reported in label order.
    const int status = n > 0 ? MOD_computeFusionTable(true, true, &report) : 1;
    // Refused for its size (the alert said so): nothing was checked, nothing is summed up.
    if (report.refused) return 0;
    if (status == 0) {
      checked = total;
      for (const FusionTableFailure& f : modularState().fusionTable.failures) {
        count(reportCoefficient(f.i, f.j, f.k, f.value, f.imaginary, f.tolerance));
        if (!goOn()) break;
      }
      // Failures past the list are counted, not reported one by one.
      if (report.exceptions > static_cast<long long>(report.failureList)) {
        long long listedFailures = 0;
        for (const FusionTableFailure& f : modularState().fusionTable.failures) {
          FusionCoefficient value = 0;
          if (classifyFusionSum(f.value, f.tolerance, &value) != FusionSumKind::Integer ||
              std::fabs(f.imaginary) > f.tolerance)
            ++listedFailures;
        }
        failures += static_cast<int>(report.failures - listedFailures);
      }
    } else if (!report.stopped) {
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
            count(CheckFusionCoefficient(i, j, k));
            if (!goOn()) {
              stopped = true;
              break;
            }
          }
        }
      }
      stopProgressInfo("Checking fusion coefficients");
    }
  } else {
    for (int t = 0; t < samples && n > 0; ++t) {
      if (getStopSignal() != 0) break;
      const int i = randomNumber(static_cast<int>(n));
      const int j = randomNumber(static_cast<int>(n));
      const int k = randomNumber(static_cast<int>(n));
      ++checked;
      count(CheckFusionCoefficient(i, j, k));
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
  if (undecided > 0) Print("%d coefficients cannot be decided in double precision\n", undecided);
  return failures;
}

// ---------------------------------------------------------------------------------------
// Unitarity of S and (ST)^3 = S^2
//
// Both checks copy S into a dense complex matrix once (N^2 elements from compS; refused
// first, Alert 100213, when it would pass what one allocation may hold) and form
// the sums over m as products of rows, a block of kRowBlock rows against every later row
// at a time, so that the block stays in cache; every sum runs over m in increasing order,
// whatever the blocking. The report is appended to a string; failure lines stop once fewer
// than kReportReserve characters are left of `size`, so that the closing lines always fit
// what the caller set aside.

namespace {

constexpr std::size_t kReportReserve = 100;
constexpr double kSquaredTolerance = 1e-10;
constexpr int kRowBlock = 16;

using ComplexMatrix = AccountVector<std::complex<double>>;

double& checkAccuracy() {
  return modularState().Accuracy;
}

// False (after the alert) when the dense S of n fields cannot be held.
bool denseSFits(const char* routine, int n) {
  return requireAllocationSize(routine, "The dense S matrix of the check",
                               static_cast<long double>(n) * n, sizeof(std::complex<double>));
}

ComplexMatrix denseS(int n) {
  ComplexMatrix S(static_cast<std::size_t>(n) * static_cast<std::size_t>(n),
                  AccountAllocator<std::complex<double>>(&SMatrix_alloc, "Dense S (checks)"));
  for (int i = 0; i < n; ++i) {
    obeyInterruptRequest();
    for (int j = 0; j < n; ++j) S[static_cast<std::size_t>(i) * n + j] = elementS(i, j);
  }
  return S;
}

bool roomLeft(const std::string& report, std::size_t size) {
  return report.size() + kReportReserve < size;
}

// out[(i - i0) n + j] = sum_m A(i - i0, m) B(j, m) (B conjugated when asked) for the rows
// i0 <= i < i1 of the block A and every j >= i.
void rowProducts(const std::complex<double>* A, const std::complex<double>* B, std::size_t n,
                 int i0, int i1, bool conjugate, std::vector<std::complex<double>>& out) {
  const double sign = conjugate ? -1.0 : 1.0;
  for (std::size_t j = static_cast<std::size_t>(i0); j < n; ++j) {
    const std::complex<double>* rowB = B + j * n;
    const int last = std::min<long long>(i1, static_cast<long long>(j) + 1);
    for (int i = i0; i < last; ++i) {
      const std::complex<double>* rowA = A + static_cast<std::size_t>(i - i0) * n;
      double re = 0.0, im = 0.0;
      for (std::size_t m = 0; m < n; ++m) {
        // Written out: std::complex products test for NaN on every step.
        const double bIm = sign * rowB[m].imag();
        re += rowA[m].real() * rowB[m].real() - rowA[m].imag() * bIm;
        im += rowA[m].real() * bIm + rowA[m].imag() * rowB[m].real();
      }
      out[static_cast<std::size_t>(i - i0) * n + j] = {re, im};
    }
  }
}

// Steps of the progress line for the rows i0 .. i1-1 (one per pair i <= j).
long long blockSteps(int n, int i0, int i1) {
  long long steps = 0;
  for (int i = i0; i < i1; ++i) steps += n - i;
  return steps;
}

}  // namespace

double getCheckAccuracy() {
  return checkAccuracy();
}

int Unitarity_check(int, int i, int j, double* re, double* im) {
  *re = 0.0;
  *im = 0.0;
  if (getStopSignal() != 0) return kUnitarityStopped;
  const int n = modularPrimaries();
  if (!modularLabelsInRange("Unitarity_check", i, j)) return 0;
  std::complex<double> sum{0.0, 0.0};
  for (int m = 0; m < n; ++m) sum += elementS(i, m) * std::conj(elementS(j, m));
  if (i == j) sum -= 1.0;
  *re = sum.real();
  *im = sum.imag();
  return std::norm(sum) < kSquaredTolerance ? 1 : 0;
}

std::string& UnitarityCheck(std::string& report, std::size_t size) {
  double& accuracy = checkAccuracy();
  accuracy = 0.0;
  initSMATRIX();
  if (getStopSignal() != 0) return report;
  const int n = modularPrimaries();
  if (!denseSFits("UnitarityCheck", n)) return report;
  const std::size_t nn = static_cast<std::size_t>(n);
  const ComplexMatrix S = denseS(n);
  std::vector<std::complex<double>> sums(static_cast<std::size_t>(kRowBlock) * nn);
  const double steps = static_cast<double>(n) * (static_cast<double>(n) + 1.0) / 2.0;
  startProgressInfo("Checking unitarity", 1, steps);
  int failures = 0;
  bool truncated = false;
  bool stopped = false;
  for (int i0 = 0; i0 < n && !truncated; i0 += kRowBlock) {
    const int i1 = std::min(n, i0 + kRowBlock);
    if (advanceProgressInfo(blockSteps(n, i0, i1)) != 0 || getStopSignal() != 0) {
      stopped = true;
      break;
    }
    rowProducts(S.data() + static_cast<std::size_t>(i0) * nn, S.data(), nn, i0, i1, true, sums);
    for (int i = i0; i < i1 && !truncated; ++i) {
      for (int j = i; j < n; ++j) {
        const std::complex<double> sum =
            sums[static_cast<std::size_t>(i - i0) * nn + static_cast<std::size_t>(j)];
        const double devRe = i == j ? sum.real() - 1.0 : sum.real();
        const double square = devRe * devRe + sum.imag() * sum.imag();
        accuracy = std::max(accuracy, std::sqrt(square));
        if (square <= kSquaredTolerance) continue;
        if (!roomLeft(report, size)) {
          truncated = true;
          break;
        }
        report += formatText("Unitarity  failure for (%d,%d): (%7.4f,%7.4f) \n", i, j, sum.real(),
                             sum.imag());
        ++failures;
      }
    }
  }
  if (stopped) {
    stopProgressInfo("Checking unitarity");
    report += "Unitarity test interrupted\n";
    return report;
  }
  if (truncated) report += "Further failures ignored\n";
  if (failures > 0 || truncated) {
    Alert("UnitarityCheck", 0, 100208, "Unitarity test failed");
  } else {
    report += "Unitarity test OK\n";
  }
  stopProgressInfo("Checking unitarity");
  report += formatText("Maximal deviation: %15.2g\n", accuracy);
  return report;
}

std::string& STcheck(std::string& report, std::size_t size) {
  double& accuracy = checkAccuracy();
  accuracy = 0.0;
  const bool symmetric = S_Symmetric() != 0;
  initSMATRIX();
  if (getStopSignal() != 0) return report;
  const int n = modularPrimaries();
  // A non-symmetric S takes its transpose beside it, a second matrix of the same size.
  if (!denseSFits("STcheck", n)) return report;
  const std::size_t nn = static_cast<std::size_t>(n);
  const ComplexMatrix S = denseS(n);
  std::vector<std::complex<double>> T(nn);
  for (int m = 0; m < n; ++m) {
    double re = 0.0, im = 0.0;
    compT(m, m, &re, &im);
    T[static_cast<std::size_t>(m)] = {re, im};
  }
  // Columns of S as rows: S itself when it is symmetric.
  ComplexMatrix transposed(S.get_allocator());
  if (!symmetric) {
    transposed.resize(nn * nn);
    for (std::size_t i = 0; i < nn; ++i)
      for (std::size_t j = 0; j < nn; ++j) transposed[j * nn + i] = S[i * nn + j];
  }
  const ComplexMatrix& columns = symmetric ? S : transposed;
  const double steps = static_cast<double>(n) * (static_cast<double>(n) + 1.0) / 2.0;
  startProgressInfo("Checking (ST)^3=S^2", 1, steps);
  if (n == 0) report += "ST^3 = S^2 test OK\n";
  int failures = 0;
  int successes = 0;
  bool truncated = false;
  bool stopped = false;
  std::vector<std::complex<double>> rowsST(static_cast<std::size_t>(kRowBlock) * nn);
  std::vector<std::complex<double>> sums(static_cast<std::size_t>(kRowBlock) * nn);
  for (int i0 = 0; i0 < n && !truncated; i0 += kRowBlock) {
    const int i1 = std::min(n, i0 + kRowBlock);
    if (advanceProgressInfo(blockSteps(n, i0, i1)) != 0 || getStopSignal() != 0) {
      stopped = true;
      break;
    }
    for (int i = i0; i < i1; ++i) {
      const std::complex<double>* rowI = S.data() + static_cast<std::size_t>(i) * nn;
      std::complex<double>* rowST = rowsST.data() + static_cast<std::size_t>(i - i0) * nn;
      for (std::size_t m = 0; m < nn; ++m) rowST[m] = rowI[m] * T[m];
    }
    rowProducts(rowsST.data(), columns.data(), nn, i0, i1, false, sums);
    for (int i = i0; i < i1 && !truncated; ++i) {
      for (int j = i; j < n; ++j) {
        const std::complex<double> left =
            sums[static_cast<std::size_t>(i - i0) * nn + static_cast<std::size_t>(j)];
        const std::complex<double> right =
            std::conj(T[static_cast<std::size_t>(i)]) *
            S[static_cast<std::size_t>(i) * nn + static_cast<std::size_t>(j)] *
            std::conj(T[static_cast<std::size_t>(j)]);
        const double square = std::norm(right - left);
        accuracy = std::max(accuracy, std::sqrt(square));
        if (square <= kSquaredTolerance) {
          if (ZeroCheck(std::norm(right)) == 0) ++successes;
          continue;
        }
        ++failures;
        if (!roomLeft(report, size)) {
          report += "Further failures ignored\n";
          truncated = true;
          break;
        }
        const std::complex<double> ratio = right / left;
        const double angle = std::acos(ratio.real() / std::abs(ratio)) / (2.0 * M_PI);
        report +=
            formatText("(ST)^3=S^2 failure for (%d,%d):  Ratio (%7.4f,%7.4f);  Angle: %7.4f\n", i,
                       j, ratio.real(), ratio.imag(), angle);
      }
    }
  }
  if (stopped) {
    stopProgressInfo("Checking (ST)^3=S^2");
    report += "ST^3 = S^2 test interrupted\n";
    return report;
  }
  if (failures == 0) {
    if (n > 0) report += "ST^3 = S^2 test OK\n";
  } else {
    Alert("STcheck", 0, 100208, "ST^3 = S^2 test failed");
  }
  stopProgressInfo("Checking (ST)^3=S^2");
  report += formatText("Maximal deviation: %15.2g\n", accuracy);
  if (failures > 0) {
    report += formatText("Total number of (ST)^3=S^2 failures: %d\n", failures);
    if (successes > 0)
      report +=
          formatText("[NOTE: %d non-trivial successful checks: Failure is not an overall phase!]\n",
                     successes);
  }
  return report;
}
