// Helpers of the simple-current invariant tests: every invariant of a theory collected as a
// matrix through an analysis hook, and the test of modular invariance (Z commutes with S
// and T, Z_00 = 1, entries non-negative).
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <string>
#include <vector>

#include "ModularTestSupport.h"
#include "interpreter/Interpreter.h"
#include "invariants/Invariants.h"
#include "modular/Modular.h"
#include "runtime/Parameters.h"
#include "store/CurrentTheory.h"

namespace enumeration_test {

using Matrix = std::vector<std::vector<int>>;

inline std::vector<Matrix>& collected() {
  static std::vector<Matrix> all;
  return all;
}

// Builds Z of the candidate in a record of its own and keeps its matrix.
inline int collectInvariant(SimpleCurrentData* MD) {
  getXKernels(MD);
  auto bi = allocNewBulkInvariant("collected");
  copySCData(bi->MD.get(), MD, 1);
  bi->MD->group = MD->group;
  makeSimpleCurrentBulkInvariant(bi.get());
  const int n = *TotalPrimaries;
  Matrix Z(static_cast<std::size_t>(n), std::vector<int>(static_cast<std::size_t>(n), 0));
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < n; ++j) Z[static_cast<std::size_t>(i)][static_cast<std::size_t>(j)] = bulkEntry(bi.get(), i, j);
  }
  collected().push_back(std::move(Z));
  return 1;
}

// Every simple-current invariant of the current theory, in enumeration order.
inline std::vector<Matrix> allInvariantsOfCurrentTheory() {
  collected().clear();
  MipfAnalysisFcn previous = setMIPFAnalysisFunction(collectInvariant);
  int* map = nullptr;
  const DGType* centre = getCenter(&map);
  ComputeAllSimpleCurrentInvariants(centre, map);
  setMIPFAnalysisFunction(previous);
  return collected();
}

// Every simple-current invariant of the stored theory, in enumeration order.
inline std::vector<Matrix> allInvariants(int type, int rank, int level, int rejectPermutations) {
  modular_test::useTheory(type, rank, level);
  setIntPar("Reject permutations", rejectPermutations);
  return allInvariantsOfCurrentTheory();
}

inline void expectModular(const Matrix& Z, const char* algebra, int level) {
  const int n = static_cast<int>(Z.size());
  std::vector<std::complex<double>> S(static_cast<std::size_t>(n * n));
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < n; ++j) S[static_cast<std::size_t>(i * n + j)] = modular_test::elementS(i, j);
  }
  ASSERT_EQ(Z[0][0], 1) << algebra << " level " << level;
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < n; ++j) {
      ASSERT_GE(Z[static_cast<std::size_t>(i)][static_cast<std::size_t>(j)], 0) << algebra << " level " << level;
      // ZS = SZ
      std::complex<double> zs = 0.0;
      std::complex<double> sz = 0.0;
      for (int k = 0; k < n; ++k) {
        zs += static_cast<double>(Z[static_cast<std::size_t>(i)][static_cast<std::size_t>(k)]) *
              S[static_cast<std::size_t>(k * n + j)];
        sz += S[static_cast<std::size_t>(i * n + k)] *
              static_cast<double>(Z[static_cast<std::size_t>(k)][static_cast<std::size_t>(j)]);
      }
      EXPECT_LT(std::abs(zs - sz), 1e-7) << algebra << " level " << level << " S at " << i << "," << j;
      // ZT = TZ: a pairing needs equal weights modulo integers.
      if (Z[static_cast<std::size_t>(i)][static_cast<std::size_t>(j)] != 0) {
        EXPECT_LT(std::abs(std::remainder(MOD_realWeight(i) - MOD_realWeight(j), 1.0)), 1e-7)
            << algebra << " level " << level << " T at " << i << "," << j;
      }
    }
  }
}

// Three SU(2) level 4 factors, the symmetric invariants stored. The current J of a factor
// has weight 1 and integral charges, so the centre Z2^3 (currents 1, 2, 4: J in factors 1,
// 2, 3) is in the effective centre; invariant 11 has G = the whole centre and X pairing
// only generators 2 and 3 (discrete torsion between factors 2 and 3).
inline void storeSU2Level4CubedInvariants() {
  ASSERT_EQ(executeCommandLine("tensor"), 0);
  for (int k = 0; k < 3; ++k) ASSERT_LE(executeCommandLine("g a 1 4"), 0);
  ASSERT_LE(executeCommandLine("compute spectrum"), 0);
  setIntPar("Selection symmetric", 1);
  ASSERT_LE(executeCommandLine("collect simple_current_invariants"), 0);
}

}  // namespace enumeration_test
