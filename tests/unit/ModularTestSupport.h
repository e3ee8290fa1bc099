// Shared helpers of the modular-data tests: making a stored theory current the way the
// command layer does, independent oracles (the A1 S matrix and fusion rules in closed
// form, the Weyl-group S of the S-matrix module), and small complex-number helpers.
#pragma once

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <complex>
#include <string>
#include <vector>

#include "lie/Smatrix.h"
#include "modular/Modular.h"
#include "modular/ModularInternal.h"
#include "program/Boot.h"
#include "program/Startup.h"
#include "runtime/Parameters.h"
#include "store/CurrentTheory.h"
#include "store/Storemanager.h"
#include "TestSupport.h"

namespace modular_test {

using Complex = std::complex<double>;
constexpr double kTol = 1e-7;
constexpr double kPi = 3.14159265358979323846;

// Makes the stored theory current and declares the change, as loading a theory does.
inline SpectrumData* useTheory(int type, int rank, int level) {
  SpectrumData* sd = SM_getData(type, rank, level);
  if (sd == nullptr) {
    ADD_FAILURE() << "no theory " << type << " " << rank << " " << level;
    return nullptr;
  }
  setCosetMode(0);
  currentSD = sd;
  TotalPrimaries = &sd->n_primaries;
  CFTChanged();
  return sd;
}

inline const int* labelsOf(const SpectrumData* sd, int field) {
  return sd->labels + static_cast<std::size_t>(field) * static_cast<std::size_t>(sd->rep_size);
}

// The Dynkin label l of an A1 field.
inline int a1Label(const SpectrumData* sd, int field) {
  return labelsOf(sd, field)[0];
}

// The field of A1 with Dynkin label l.
inline int a1Field(const SpectrumData* sd, int l) {
  for (int a = 0; a < sd->n_primaries; ++a) {
    if (a1Label(sd, a) == l) return a;
  }
  return -1;
}

// A1 at level k: S_ab = sqrt(2/(k+2)) sin(pi (a+1)(b+1)/(k+2)), a and b Dynkin labels.
inline double a1S(int k, int a, int b) {
  return std::sqrt(2.0 / (k + 2)) * std::sin(kPi * (a + 1) * (b + 1) / (k + 2));
}

// A1 at level k: the truncated Clebsch-Gordan rule.
inline int a1Fusion(int k, int a, int b, int c) {
  if ((a + b + c) % 2 != 0) return 0;
  return c >= std::abs(a - b) && c <= std::min(a + b, 2 * k - a - b) ? 1 : 0;
}

// h of A1 field with label l: l(l+2)/(4(k+2)).
inline double a1Weight(int k, int l) {
  return l * (l + 2) / (4.0 * (k + 2));
}

inline Complex elementS(int i, int j) {
  double re = 0.0, im = 0.0;
  compS(i, j, &re, &im);
  return {re, im};
}

inline Complex elementP(int i, int j) {
  double re = 0.0, im = 0.0;
  compP(i, j, &re, &im);
  return {re, im};
}

// S of the record by the Weyl-group sum of the S-matrix module.
inline Complex directS(const SpectrumData* sd, int i, int j) {
  double re = 0.0, im = 0.0;
  SDirect(sd->type, sd->rank, sd->level, labelsOf(sd, i), labelsOf(sd, j), &re, &im);
  return {re, im};
}

inline bool near(Complex a, Complex b, double tolerance = kTol) {
  return std::abs(a - b) <= tolerance;
}

inline bool contains(const std::string& text, const std::string& piece) {
  return text.find(piece) != std::string::npos;
}

class ModularTestBase : public ::testing::Test {
 protected:
  void SetUp() override { resetAll(); }
};

// The orbit minima of the P matrix as initOrbitPmatrix defines them: every pair (i, j) of
// the current theory taken to its canonical form (a, b) lowers the minimum of a's orbit to
// the column J_a x b.
inline std::vector<int> minimaOfEveryPair() {
  const ModularState& s = modularState();
  const int n = modularPrimaries();
  std::vector<int> minima(static_cast<std::size_t>(s.NOrbit), INT_MAX);
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < n; ++j) {
      int a = 0, b = 0;
      convertPLabels(i, j, &a, &b);
      const PrimaryOrbitEntry& entry = s.Primaries[static_cast<std::size_t>(a)];
      const int k = FastSimpleFusion(entry.current, b);
      int& minimum = minima[static_cast<std::size_t>(entry.orbit)];
      if (k >= 0 && k < minimum) minimum = k;
    }
  }
  return minima;
}

}  // namespace modular_test
