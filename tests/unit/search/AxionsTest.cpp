// Axion couplings of boundaries: normalisation by each axion's first coupling, axions
// counted once per class, rows stored once with a sign, the integral basis and the
// integer charges, the stored-basis check and the summary lines.
#include <gtest/gtest.h>

#include <complex>
#include <cstdlib>
#include <vector>

#include "TestSupport.h"
#include "search/Axions.h"

namespace {

class AxionsTest : public ZoqTest {};

using Couplings = std::vector<std::vector<std::complex<double>>>;

Couplings realCouplings(const std::vector<std::vector<double>>& rows) {
  Couplings c;
  for (const auto& row : rows) c.emplace_back(row.begin(), row.end());
  return c;
}

// Row of boundary b times its sign, expressed through the basis and charges: must give
// the normalised coupling row back.
void expectChargesReproduceRows(const AxionTable& t) {
  for (std::size_t r = 0; r < t.rows.size(); ++r) {
    for (std::size_t j = 0; j < t.rows[r].size(); ++j) {
      double sum = 0.0;
      for (std::size_t k = 0; k < t.AxionBasis.size(); ++k)
        sum += t.AxionCharges[r][k] * t.rows[static_cast<std::size_t>(t.AxionBasis[k])][j];
      EXPECT_NEAR(sum, t.rows[r][j], 1e-9) << "row " << r << " column " << j;
    }
  }
}

TEST_F(AxionsTest, NoAxionsGiveCountZeroAndZeroCharges) {
  AxionTable t;
  EXPECT_EQ(AX_buildTable(Couplings(5), &t, false, nullptr), 0);
  EXPECT_EQ(t.AxionCount, 0);
  EXPECT_EQ(t.AxionBoundaryMap, std::vector<int>(5, 0));
}

TEST_F(AxionsTest, IdenticalAxionsCountOnce) {
  // Axions 0 and 1 couple identically to every boundary; axion 2 differs.
  AxionTable t;
  const Couplings c = realCouplings({{1, 1, 0}, {0, 0, 1}, {1, 1, 1}, {0, 0, 0}});
  EXPECT_EQ(AX_buildTable(c, &t, true, nullptr), 2);
  EXPECT_EQ(t.axions, 3);
  EXPECT_EQ(AX_buildTable(c, &t, false, nullptr), 2);
  expectChargesReproduceRows(t);
  // The boundary without couplings has map entry 0.
  EXPECT_EQ(t.AxionBoundaryMap[3], 0);
}

TEST_F(AxionsTest, MinusAStoredRowGetsNegatedCharges) {
  // Couplings scaled by each axion's first coupling (2 and 3): boundary 2 is minus
  // boundary 0.
  AxionTable t;
  const Couplings c = realCouplings({{2, 0}, {0, 3}, {-2, 0}, {2, 3}});
  ASSERT_EQ(AX_buildTable(c, &t, false, nullptr), 2);
  EXPECT_GT(t.AxionBoundaryMap[0], 0);
  EXPECT_EQ(t.AxionBoundaryMap[2], -t.AxionBoundaryMap[0]);
  const auto& row0 = t.AxionCharges[static_cast<std::size_t>(t.AxionBoundaryMap[0] - 1)];
  // Rows (1,0), (0,1), (1,1): the basis is the two unit rows; (1,1) has charges (1,1).
  const auto& row3 = t.AxionCharges[static_cast<std::size_t>(t.AxionBoundaryMap[3] - 1)];
  EXPECT_EQ(std::abs(row3[0]) + std::abs(row3[1]), 2);
  EXPECT_EQ(std::abs(row0[0]) + std::abs(row0[1]), 1);
  expectChargesReproduceRows(t);
}

TEST_F(AxionsTest, FinerLatticeReplacesABasisVector) {
  // Rows (2,0), (0,1), (1,0) after normalisation by the first couplings 2 and 1:
  // normalised (1,0), (0,1), (1/2, 0)... the half row generates the finer lattice.
  AxionTable t;
  const Couplings c = realCouplings({{2, 0}, {0, 1}, {1, 0}, {3, 1}});
  ASSERT_EQ(AX_buildTable(c, &t, false, nullptr), 2);
  expectChargesReproduceRows(t);
  // The half row (norm 1/4) must be in the basis: every row is an integer combination.
  bool halfInBasis = false;
  for (int b : t.AxionBasis)
    if (std::abs(t.rows[static_cast<std::size_t>(b)][0] - 0.5) < 1e-9) halfInBasis = true;
  EXPECT_TRUE(halfInBasis);
}

TEST_F(AxionsTest, ComplexCouplingAfterPhaseIsNotDetermined) {
  AxionTable t;
  Couplings c = {{{1.0, 0.0}}, {{0.0, 1.0}}};
  EXPECT_EQ(AX_buildTable(c, &t, false, nullptr), -1);
  // A common phase is removed: (i, 2i) normalise to (1, 2).
  c = {{{0.0, 1.0}}, {{0.0, 2.0}}};
  EXPECT_EQ(AX_buildTable(c, &t, false, nullptr), 1);
}

TEST_F(AxionsTest, StoredBasisIsValidated) {
  EXPECT_TRUE(AX_validStoredBasis({0, 2}, 2, 3));
  EXPECT_FALSE(AX_validStoredBasis({0, 3}, 2, 3));   // index beyond the rows
  EXPECT_FALSE(AX_validStoredBasis({-1, 0}, 2, 3));
  EXPECT_FALSE(AX_validStoredBasis({1, 1}, 2, 3));   // repeated
  EXPECT_FALSE(AX_validStoredBasis({1}, 2, 3));      // short line
  // A bad stored basis is reported and the basis recomputed.
  capture.clear();
  AxionTable t;
  const std::vector<int> bad = {7, 8};
  EXPECT_EQ(AX_buildTable(realCouplings({{1, 0}, {0, 1}}), &t, false, &bad), 2);
  expectChargesReproduceRows(t);
  // A good one puts its rows first.
  const std::vector<int> good = {1, 0};
  EXPECT_EQ(AX_buildTable(realCouplings({{1, 0}, {0, 1}}), &t, false, &good), 2);
  expectChargesReproduceRows(t);
}

TEST_F(AxionsTest, CountSummaryMarksTheCompleteSet) {
  capture.clear();
  AX_printCountSummary(2, {{1, 0}, {1, 0}}, nullptr, "", 0, 0);
  EXPECT_NE(capture.printed.find("  2 x (1,0)\n"), std::string::npos);
  EXPECT_NE(capture.printed.find("Total number of independent boundaries: 2 (for 2 axions and their conjugates)\n"),
            std::string::npos);
  EXPECT_NE(capture.printed.find(" **** COMPLETE SET ****\n"), std::string::npos);
  EXPECT_NE(capture.printed.find("Axion boundary estimate: 2 <= 2 <= 2\n"), std::string::npos);
  capture.clear();
  // Two (1,1) axions: estimates 0 and 1; a count of 1 is not complete and not a violation.
  AX_printCountSummary(1, {{1, 1}, {1, 1}}, nullptr, "", 0, 0);
  EXPECT_EQ(capture.printed.find("COMPLETE SET"), std::string::npos);
  EXPECT_NE(capture.printed.find("Axion boundary estimate: 0 <= 1 <= 1\n"), std::string::npos);
  EXPECT_EQ(capture.printed.find("Count Violation"), std::string::npos);
  capture.clear();
  AX_printCountSummary(3, {{1, 0}}, nullptr, "", 5, 6);
  EXPECT_NE(capture.printed.find("Count Violation. Tensor 5, MIPF 6\n"), std::string::npos);
}

// The summary holds h_21 in entry 1 and h_11 in entry 2; for the quintic (h_11, h_21) =
// (1, 101). The line names both, so that it does not read as the mirror quintic (101, 1).
TEST_F(AxionsTest, CaseLineNamesTheHodgeNumbers) {
  AX_printCaseLine(33333, 0, 0, {0, 101, 1});
  EXPECT_EQ(capture.printed, "Tensor      33333 MIPF     0 Orientifold   0; Hodge numbers (h_11,h_21)=(1,101)\n");
  capture.clear();
  AX_printCaseLine(0, -1, 2, {});  // no summary: both read as 0
  EXPECT_EQ(capture.printed, "Tensor          0 MIPF    -1 Orientifold   2; Hodge numbers (h_11,h_21)=(0,0)\n");
}

}  // namespace
