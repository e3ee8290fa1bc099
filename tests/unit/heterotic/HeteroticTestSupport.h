// Shared fixture of the heterotic tests: a fresh tensor product of stored theories, built
// from (type, rank, level) triples, with the heterotic set-up steps at hand.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <initializer_list>
#include <vector>

#include "TestSupport.h"
#include "heterotic/Heterotic.h"
#include "runtime/Parameters.h"
#include "store/Storemanager.h"
#include "tensor/Coset.h"

class HeteroticTest : public ZoqTest {
 protected:
  // A new product of the factors (type, rank, level), G factors only.
  TensorProduct* product(std::initializer_list<std::array<int, 3>> factors) {
    TensorProduct* TP = initializeTensorProduct(nullptr);
    resetCoset(TP);
    for (const auto& f : factors) {
      SpectrumData* sd = SM_getData(f[0], f[1], f[2]);
      EXPECT_NE(sd, nullptr);
      addTensorFactor(TP, sd, 0);
    }
    return TP;
  }

  // The set-up steps of the spectrum computation that precede the filters.
  void setUp(TensorProduct* TP) {
    computeCommonDenominatorWeights(TP);
    resetPatterns();
    ASSERT_EQ(CollectMassless(TP), 0);
    PrimeDecomposeSimpleCurrentGroup(TP);
    determineParticipatingPrimes();
    computeChiralAlgebraUsingPrimeDecomposition(TP);
  }

  static std::vector<int> rowOf(const HeteroticRows& rows, int i) {
    return std::vector<int>(rows.row(i), rows.row(i) + rows.rowLength());
  }
};

// Theories with known data: SU(12) at level 1 (Z12 currents, field e the current e),
// SU(2) and SU(3) at level 1 (Z2, Z3), SO(10) at level 1 (Z4), E7 at level 1 (h = 3/4,
// weight denominator 4), U(1) at radius N (N fields, weight denominator 2N).
inline constexpr std::array<int, 3> kA11 = {1, 11, 1};
inline constexpr std::array<int, 3> kA1 = {1, 1, 1};
inline constexpr std::array<int, 3> kA2 = {1, 2, 1};
inline constexpr std::array<int, 3> kD5 = {4, 5, 1};
inline constexpr std::array<int, 3> kE7 = {5, 7, 1};
inline std::array<int, 3> u1(int N) {
  return {0, N, 0};
}
inline std::array<int, 3> minimalN2(int k) {
  return {27, 2, k};
}
