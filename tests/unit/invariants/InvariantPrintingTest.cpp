// Printing invariants as partition functions: the grouping of rows into terms, the line
// breaks, the display limits, and the statistics of pairings by conformal weight.
#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "ModularTestSupport.h"
#include "TestSupport.h"
#include "invariants/Invariants.h"
#include "modular/Modular.h"
#include "runtime/Parameters.h"

namespace {

using modular_test::a1Field;
using modular_test::a1Label;
using modular_test::useTheory;

class InvariantPrintingTest : public ZoqTest {};

struct Row {
  int mult;
  std::vector<int> partners;
};

// A record of the given rows (an empty partner list or multiplicity 0 is an empty row).
std::unique_ptr<BulkInvariant> record(std::initializer_list<Row> rows) {
  auto bi = allocNewBulkInvariant(nullptr);
  const int n = static_cast<int>(rows.size());
  int cap = 0;
  for (const Row& r : rows) cap += static_cast<int>(r.partners.size());
  allocBulkInvariantData(bi.get(), n, cap);
  int* partners = bi->algebra + n;
  int used = 0;
  int i = 0;
  for (const Row& r : rows) {
    if (!r.partners.empty() && r.mult != 0) {
      std::copy(r.partners.begin(), r.partners.end(), partners + used);
      bi->orbits[i] = partners + used;
      bi->count[i] = static_cast<int>(r.partners.size());
      bi->mult[i] = r.mult;
      used += bi->count[i];
    }
    ++i;
  }
  bi->diagonal = 0;
  bi->simple_current = 0;
  bi->vacuum_row = bi->orbits[0];
  return bi;
}

std::unique_ptr<BulkInvariant> diagonalRecord(int n) {
  auto bi = allocNewBulkInvariant(nullptr);
  allocBulkInvariantData(bi.get(), n, n);
  int* partners = bi->algebra + n;
  for (int i = 0; i < n; ++i) {
    partners[i] = i;
    bi->orbits[i] = partners + i;
    bi->count[i] = 1;
    bi->mult[i] = 1;
  }
  bi->diagonal = 1;
  return bi;
}

TEST_F(InvariantPrintingTest, DiagonalRowsAreSquaresOfSingleFields) {
  auto bi = diagonalRecord(3);
  capture.clear();
  printBulkInvariant(bi.get(), 0);
  EXPECT_EQ(capture.printed, "\n   (0)^2 + (1)^2 + (2)^2\n");
  capture.clear();
  printBulkInvariant(nullptr, 0);
  EXPECT_EQ(capture.printed, "Invariant non-existant\n");
}

// Z = |chi_0 + chi_4|^2 + 2 |chi_2|^2, the D-type invariant of A1 at level 4.
TEST_F(InvariantPrintingTest, DTypeInvariantOfA1Level4GroupsTheVacuumOrbit) {
  const SpectrumData* sd = useTheory(1, 1, 4);
  ASSERT_NE(sd, nullptr);
  // Fields are ordered by simple-current orbits: l = 0, 4, then 1, 3, then 2.
  ASSERT_EQ(a1Field(sd, 0), 0);
  ASSERT_EQ(a1Field(sd, 4), 1);
  ASSERT_EQ(a1Field(sd, 2), 4);
  std::vector<int> M(25, 0);
  M[0 * 5 + 0] = M[0 * 5 + 1] = M[1 * 5 + 0] = M[1 * 5 + 1] = 1;
  M[4 * 5 + 4] = 2;
  auto bi = allocNewBulkInvariant(nullptr);
  capture.clear();
  makeExceptionalBulkInvariant(M.data(), bi.get(), 0, 1);
  EXPECT_EQ(capture.printed,
            "\nModular invariant partition function: \n\n   (0+1)^2 + 2*(4)^2\n\n");
}

TEST_F(InvariantPrintingTest, PermutationAndRepeatedLeftFields) {
  // A permutation 1 <-> 2: the right side differs from the left.
  auto perm = record({{1, {0}}, {1, {2}}, {1, {1}}});
  capture.clear();
  printBulkInvariant(perm.get(), 0);
  EXPECT_EQ(capture.printed, "\n   (0)^2 + (1)*(2) + (2)*(1)\n");
  // Rows 1 and 2 have the partners of row 0 with 2 and 3 times its multiplicity: they enter
  // the left side that often. Row 4's multiplicity 3 is no multiple of row 3's 2.
  auto grouped = record({{1, {0, 1}}, {2, {0, 1}}, {3, {0, 1}}, {2, {3}}, {3, {3}}});
  capture.clear();
  printBulkInvariant(grouped.get(), 0);
  EXPECT_EQ(capture.printed, "\n   (0+2*1+3*2)*(0+1) + 2*(3)^2 + 3*(4)*(3)\n");
  // Empty rows are no terms.
  auto sparse = record({{1, {0}}, {0, {1}}, {1, {}}, {1, {3}}});
  capture.clear();
  printBulkInvariant(sparse.get(), 0);
  EXPECT_EQ(capture.printed, "\n   (0)^2 + (3)^2\n");
}

TEST_F(InvariantPrintingTest, AFirstTermKeepsItsMultiplicity) {
  auto bi = record({{2, {0}}, {3, {0}}});
  capture.clear();
  printBulkInvariant(bi.get(), 0);
  EXPECT_EQ(capture.printed, "\n   2*(0)^2 + 3*(1)*(0)\n");
}

TEST_F(InvariantPrintingTest, LinesBreakBeforeColumnSixtyOne) {
  // "(k)^2" terms of one-digit labels are 8 wide after the first (9, counted from -1):
  // after (6) the column is 56, and 56 + 8 reaches 61, so (7) starts a new line.
  auto bi = diagonalRecord(12);
  capture.clear();
  printBulkInvariant(bi.get(), 0);
  EXPECT_EQ(capture.printed,
            "\n   (0)^2 + (1)^2 + (2)^2 + (3)^2 + (4)^2 + (5)^2 + (6)^2\n"
            " + (7)^2 + (8)^2 + (9)^2 + (10)^2 + (11)^2\n");
}

TEST_F(InvariantPrintingTest, DisplayLimitsAndRowLimits) {
  auto bi = diagonalRecord(5);
  setIntPar("Invariant max_display", 2);
  capture.clear();
  printBulkInvariant(bi.get(), 0);
  EXPECT_EQ(capture.printed, "\n   (0)^2 + (1)^2 + (2)^2 + .....\n(Skipping remaining terms)\n");
  setIntPar("Invariant max_display", 100);
  capture.clear();
  printBulkInvariant(bi.get(), 2);
  EXPECT_EQ(capture.printed, "\n   (0)^2 + (1)^2\n   + .... (Skipping remaining terms) \n");
  // A limit beyond the rows limits nothing.
  capture.clear();
  printBulkInvariant(bi.get(), 5);
  EXPECT_EQ(capture.printed, "\n   (0)^2 + (1)^2 + (2)^2 + (3)^2 + (4)^2\n");
}

TEST_F(InvariantPrintingTest, TermTextsAndLineWidthOfOneTerm) {
  const int left[] = {3, 3, 5};
  const int right[] = {7};
  int column = -1;
  capture.clear();
  PrintModInvTerm(left, left, 3, 3, 1, &column);
  EXPECT_EQ(capture.printed, "\n   (2*3+5)^2");
  EXPECT_EQ(column, -1 + 7 + 2 + 2 + 2);
  capture.clear();
  PrintModInvTerm(left, right, 3, 1, 12, &column);
  EXPECT_EQ(capture.printed, " + 12*(2*3+5)*(7)");
  EXPECT_EQ(column, 12 + 6 + 3 + 6 + 2);
  // From column 11 on, a term that would reach column 61 starts a new line.
  column = 55;
  capture.clear();
  PrintModInvTerm(right, right, 1, 1, 1, &column);
  EXPECT_EQ(capture.printed, "\n + (7)^2");
  EXPECT_EQ(column, 8);
}

// A1 level 4: h_l = l(l+2)/24, so L = 24 and the values are 0 (l = 0, 4), 3, 15 and 8.
TEST_F(InvariantPrintingTest, DiagonalStatisticsOfSelfConjugateFieldsAreAllDAndS) {
  const SpectrumData* sd = useTheory(1, 1, 4);
  ASSERT_NE(sd, nullptr);
  const int l2 = a1Label(sd, 2);
  const int l3 = a1Label(sd, 3);
  const std::vector<int> values = {0, l2 * (l2 + 2), l3 * (l3 + 2), 8};
  EXPECT_EQ(RatCount(24), values);
  resetBulk();
  setIntPar("Invariant statistics", 1);
  capture.clear();
  printBulkInvariant(*getCurrentBulk(), 0);
  const auto& table = invariantStatisticsTable();
  ASSERT_EQ(table.size(), 4u);
  for (size_t r = 0; r < table.size(); ++r) {
    EXPECT_EQ(table[r].value, values[r]);
    EXPECT_EQ(table[r].diagonal, r == 0 ? 2 : 1);
    EXPECT_EQ(table[r].selfConjugate, table[r].diagonal);
    EXPECT_EQ(table[r].conjugate, 0);
  }
  EXPECT_TRUE(modular_test::contains(capture.printed,
                                     "\nStatistics: (weights multiplied by 24)\n"
                                     "Wt (mod 1)   D    C    S \n"
                                     "    0        2    0    2\n"));
}

// A2 level 1: h = 0, 1/3, 1/3, and the two fields of weight 1/3 are conjugate.
TEST_F(InvariantPrintingTest, ConjugationStatisticsOfA2Level1) {
  ASSERT_NE(useTheory(1, 2, 1), nullptr);
  ASSERT_EQ(getConjugate(1), 2);
  EXPECT_EQ(RatCount(3), (std::vector<int>{0, 1}));
  setIntPar("Invariant statistics", 1);
  setConjugationInvariant();
  capture.clear();
  printBulkInvariant(*getCurrentBulk(), 0);
  EXPECT_EQ(capture.printed,
            "\n   (0)^2 + (1)*(2) + (2)*(1)\n"
            "\nStatistics: (weights multiplied by 3)\n"
            "Wt (mod 1)   D    C    S \n"
            "    0        1    0    1\n"
            "    1        0    2    0\n");
  resetBulk();
  printBulkInvariant(*getCurrentBulk(), 0);
  const auto& table = invariantStatisticsTable();
  ASSERT_EQ(table.size(), 2u);
  EXPECT_EQ(table[1].diagonal, 2);
  EXPECT_EQ(table[1].selfConjugate, 0);
  EXPECT_EQ(table[1].conjugate, 0);
}

TEST_F(InvariantPrintingTest, StatisticsWithoutATableOrAListAlert) {
  ASSERT_NE(useTheory(1, 1, 2), nullptr);
  resetInvariantPrinting();
  const int left[] = {0};
  InvariantStatistics(left, left, 1, 1, 1);
  EXPECT_TRUE(alerted("Unexpected NULL pointer"));
  InvariantStatistics(nullptr, nullptr, 0, 0, -1);
  EXPECT_TRUE(alerted("Unexpected NULL pointer"));
  InvariantStatistics(nullptr, nullptr, 0, 0, 0);
  InvariantStatistics(nullptr, left, 0, 1, 1);
  EXPECT_TRUE(alerted("Unexpected NULL pointer"));
  EXPECT_EQ(invariantStatisticsTable()[0].diagonal, 0);
}

TEST_F(InvariantPrintingTest, RepresentationStrings) {
  const int runs[] = {0, 0, 0, 2, 7, 7};
  EXPECT_EQ(buildRepString(runs, 6), "(3*0+2+2*7)");
  EXPECT_EQ(buildRepString(runs + 3, 1), "(2)");
  // Equal entries that are not consecutive are separate runs.
  const int apart[] = {4, 1, 4};
  EXPECT_EQ(buildRepString(apart, 3), "(4+1+4)");
  EXPECT_EQ(buildRepString(runs, 0), "()");
}

}  // namespace
