// The Galois-commutant search through the acceptance step: for A1 the accepted invariants
// are exactly those of the A-D-E list, the diagonal one among them; solutions that do not
// commute with S are printed but never stored; the command refuses cosets.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "InterpreterTestSupport.h"
#include "ModularTestSupport.h"
#include "TestSupport.h"
#include "invariants/Invariants.h"
#include "modular/Modular.h"
#include "runtime/Parameters.h"
#include "store/CurrentTheory.h"
#include "store/GaloisSearch.h"

namespace {

using modular_test::a1Label;
using modular_test::useTheory;

class InvariantGaloisTest : public ZoqTest {
 protected:
  void TearDown() override {
    setIntPar("Autostore", 0);
    ZoqTest::TearDown();
  }
};

bool isDiagonal(const BulkInvariant* bi) {
  for (int i = 0; i < bi->n_rows; ++i) {
    for (int j = 0; j < bi->n_rows; ++j) {
      if (bulkEntry(bi, i, j) != (i == j ? 1 : 0)) return false;
    }
  }
  return true;
}

void expectA1Invariant(const SpectrumData* sd, int k, const BulkInvariant* bi) {
  const int n = sd->n_primaries;
  EXPECT_EQ(bulkEntry(bi, 0, 0), 1);
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < n; ++j) {
      EXPECT_GE(bulkEntry(bi, i, j), 0);
      double zs = 0.0, sz = 0.0;
      for (int m = 0; m < n; ++m) {
        zs += bulkEntry(bi, i, m) * modular_test::a1S(k, a1Label(sd, m), a1Label(sd, j));
        sz += modular_test::a1S(k, a1Label(sd, i), a1Label(sd, m)) * bulkEntry(bi, m, j);
      }
      EXPECT_NEAR(zs, sz, 1e-7) << k << " " << i << "," << j;
      if (bulkEntry(bi, i, j) != 0) {
        const double dh =
            modular_test::a1Weight(k, a1Label(sd, i)) - modular_test::a1Weight(k, a1Label(sd, j));
        EXPECT_NEAR(dh, std::round(dh), 1e-7);
      }
    }
  }
}

TEST_F(InvariantGaloisTest, A1SearchAcceptsExactlyTheADEInvariants) {
  // Levels and the number of A-D-E invariants: A and D for k = 4, 6; A, D and E for k = 10,
  // 16, 28 (E6, E7, E8).
  const struct { int k, count; } cases[] = {{4, 2}, {6, 2}, {10, 3}, {16, 3}, {28, 3}};
  for (const auto& c : cases) {
    SpectrumData* sd = useTheory(1, 1, c.k);
    setIntPar("Autostore", 1);
    resetInvariantStore();
    // Several solutions x may give one matrix (the basis matrices are dependent); the store
    // keeps each matrix once.
    EXPECT_GE(SM_galoisInvariants(sd), c.count) << c.k;
    ASSERT_EQ(storedInvariantCount(), c.count) << c.k;
    int diagonals = 0;
    for (int s = 0; s < c.count; ++s) {
      const BulkInvariant* bi = findNamedBulkInvariant(("Invariant_" + std::to_string(s)).c_str());
      ASSERT_NE(bi, nullptr);
      expectA1Invariant(sd, c.k, bi);
      if (isDiagonal(bi)) ++diagonals;
    }
    EXPECT_EQ(diagonals, 1) << c.k;
  }
}

TEST_F(InvariantGaloisTest, SolutionsArePrintedAndNotModularOnesRefused) {
  // A1 level 1 has only the diagonal invariant: one solution, accepted and made the diagonal
  // matrix.
  SpectrumData* sd = useTheory(1, 1, 1);
  setIntPar("Autostore", 1);
  resetInvariantStore();
  capture.clear();
  EXPECT_EQ(SM_galoisInvariants(sd), 1);
  EXPECT_NE(capture.printed.find("\nSolution for galois commutant\n ["), std::string::npos);
  ASSERT_EQ(storedInvariantCount(), 1);
  EXPECT_TRUE(isDiagonal(findNamedBulkInvariant("Invariant_0")));
  // A matrix that is not modular invariant is refused with a plain line, so the search goes on.
  const int swap[] = {0, 1, 1, 0};
  capture.clear();
  resetInvariantStore();
  EXPECT_EQ(acceptGaloisCandidate(swap, 2), 0);
  EXPECT_NE(capture.printed.find("Not modular invariant\n"), std::string::npos);
  EXPECT_EQ(storedInvariantCount(), 0);
  EXPECT_EQ(acceptGaloisCandidate(swap, 3), 0);
}

TEST_F(InvariantGaloisTest, HandedOverSolutionsArePrintedDiagnosedAndChecked) {
  // Two fields (A1 level 1); basis: the identity and the exchange, both their own inverses.
  useTheory(1, 1, 1);
  const int rows[] = {1, 2, 2, 1};
  const int kinds[] = {1, 1};
  // x = (2, 1): Z = [[2, 1], [1, 2]], rows with the multiplicities 2 and 1, not invariant.
  const int x[] = {2, 1};
  capture.clear();
  EXPECT_EQ(makeGaloisInvariant(x, rows, kinds, 2, 2), 0);
  EXPECT_NE(capture.printed.find("\nSolution for galois commutant\n 2*[0]+[1]\n\n"), std::string::npos);
  EXPECT_NE(capture.printed.find("Not modular invariant\n"), std::string::npos);
  EXPECT_TRUE(alerted("Orbit multiplicities not constant"));
  // x = (1, 0): the identity, accepted.
  const int identity[] = {1, 0};
  EXPECT_EQ(makeGaloisInvariant(identity, rows, kinds, 2, 2), 1);
  // x = (1, -1): a negative entry, dropped without a message.
  const int negative[] = {1, -1};
  capture.clear();
  EXPECT_EQ(makeGaloisInvariant(negative, rows, kinds, 2, 2), 0);
  EXPECT_EQ(capture.printed.find("Not modular invariant"), std::string::npos);
  EXPECT_TRUE(silent());
}

TEST_F(InvariantGaloisTest, CommandRefusesCosetsAndAlwaysSucceeds) {
  ASSERT_EQ(run("algebra a 1 4"), 0);
  EXPECT_EQ(run("search galois_invariants"), 0);
  ASSERT_EQ(run("tensor"), 0);
  ASSERT_EQ(run("g a 1 4"), 0);
  ASSERT_EQ(run("compute spectrum"), 0);
  capture.clear();
  EXPECT_EQ(run("search galois_invariants"), 0);
  EXPECT_TRUE(alerted("Galois invariants not built in for Cosets"));
}

}  // namespace
