// The fusion-rule steps of the NIM-representation search: off-diagonal bounds, conjugate
// candidates, the reduction of each diagonal row's fusion matrix and its expansion into row
// combinations. The hand-made stores are the annulus rows of the SU(2) level 2 fusion
// NIM-representation, A^i_ab = N_ia^b, whose boundaries 0, 1, 2 give the diagonal rows
// (1,0,0), (1,0,1) and the off-diagonal rows (0,1,0), (0,0,1).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ModularTestSupport.h"
#include "TestSupport.h"
#include "boundaries/BoundarySearchInternal.h"
#include "boundaries/CrossBound.h"
#include "boundaries/CrossBoundInternal.h"
#include "runtime/Parameters.h"

namespace {

using modular_test::useTheory;

class NimrepReductionTest : public ZoqTest {
 protected:
  // Fusion rules of SU(2) level 2 (fields of spin 0, 1/2, 1): 1x1 = 0+2, 1x2 = 1, 2x2 = 0.
  static std::vector<int> su2Level2Fusion() {
    std::vector<int> f(27, 0);
    auto set = [&f](int a, int b, int k) {
      f[static_cast<size_t>((a * 3 + b) * 3 + k)] = 1;
      f[static_cast<size_t>((b * 3 + a) * 3 + k)] = 1;
    };
    set(0, 0, 0);
    set(0, 1, 1);
    set(0, 2, 2);
    set(1, 1, 0);
    set(1, 1, 2);
    set(1, 2, 1);
    set(2, 2, 0);
    return f;
  }

  void addCandidate(const std::vector<int>& r) {
    NimrepStore& s = nimrepStore();
    s.Annuli.insert(s.Annuli.end(), r.begin(), r.end());
    s.records.push_back(newNIMrepInfo(r[0] != 0 ? 1 : 0));
    s.NIMrepConjugates.push_back(static_cast<int>(s.records.size()) - 1);  // all real
  }

  static void link(int d, int by, int to, int maximum) {
    NIMrepInfo& info = *nimrepStore().records[static_cast<size_t>(d)];
    info.linked_by.push_back(by);
    info.linked_to.push_back(to);
    info.link_maxima.push_back(maximum);
    ++info.link_count;
  }

  // Candidates 0 = (1,0,0), 1 = (1,0,1) diagonal; 2 = (0,1,0), 3 = (0,0,1) off-diagonal.
  void su2Level2Store() {
    NimrepStore& s = nimrepStore();
    s.N = 3;
    s.L = 3;
    s.fusionTable = su2Level2Fusion();
    s.conjugateField = {0, 1, 2};
    addCandidate({1, 0, 0});
    addCandidate({1, 0, 1});
    addCandidate({0, 1, 0});
    addCandidate({0, 0, 1});
  }

  static void pairs(int o, std::vector<std::pair<int, int>> p) {
    NIMrepInfo& info = *nimrepStore().records[static_cast<size_t>(o)];
    info.link_pairs = std::move(p);
    info.link_count = static_cast<int>(info.link_pairs.size());
  }

  static NIMrepInfo& record(int c) { return *nimrepStore().records[static_cast<size_t>(c)]; }
};

TEST_F(NimrepReductionTest, OffDiagonalBoundIsIntegerRootOfLargestFusionExcess) {
  su2Level2Store();
  // t(a) = max_c sum_k N_{a a*}^k R_c[k] - R_c[a]^2: 0 at a = 0, 2 at a = 1, 1 at a = 2.
  EXPECT_EQ(reduceOffdiagonalBounds({5, 5, 5}), (std::vector<int>{0, 1, 1}));
  // A bound is only ever lowered.
  EXPECT_EQ(reduceOffdiagonalBounds({0, 0, 0}), (std::vector<int>{0, 0, 0}));
  // A perfect square survives the rounding: t = 4 gives 2, not 1.
  addCandidate({1, 0, 4});  // t(1) = 1 + 4 - 0
  EXPECT_EQ(reduceOffdiagonalBounds({9, 9, 9})[1], 2);
}

TEST_F(NimrepReductionTest, OffDiagonalBoundsDropToZeroWithoutCandidates) {
  NimrepStore& s = nimrepStore();
  s.N = 3;
  s.fusionTable = su2Level2Fusion();
  s.conjugateField = {0, 1, 2};
  EXPECT_EQ(reduceOffdiagonalBounds({1, 2, 1}), (std::vector<int>{0, 0, 0}));
}

TEST_F(NimrepReductionTest, FusionMatrixOfARowIsTheSymmetricFusionSum) {
  su2Level2Store();
  // F(a,b) = N_ab^0 + N_ab^2 for the row (1,0,1).
  EXPECT_EQ(getFusionMatrix(3, 1), (std::vector<int>{1, 0, 1, 0, 2, 0, 1, 0, 1}));
  // The fusion rules of a real theory give a symmetric matrix for any row.
  ASSERT_NE(useTheory(1, 1, 4), nullptr);
  resetNimrepStore();
  loadNimrepFusion(5);
  addCandidate({1, 2, 0, 1, 3});
  const std::vector<int> F = getFusionMatrix(5, 0);
  for (int a = 0; a < 5; ++a)
    for (int b = 0; b < 5; ++b) EXPECT_EQ(F[static_cast<size_t>(a * 5 + b)], F[static_cast<size_t>(b * 5 + a)]);
  // Row (1,0,0,0,0) is the identity: N_ab^0 = delta(b, conjugate of a), and SU(2) is self-conjugate.
  resetNimrepStore();
  loadNimrepFusion(5);
  addCandidate({1, 0, 0, 0, 0});
  const std::vector<int> I = getFusionMatrix(5, 0);
  for (int a = 0; a < 5; ++a)
    for (int b = 0; b < 5; ++b) EXPECT_EQ(I[static_cast<size_t>(a * 5 + b)], a == b ? 1 : 0);
}

TEST_F(NimrepReductionTest, FusionBoundCountsMultiplesThatFit) {
  su2Level2Store();
  const std::vector<int> F = getFusionMatrix(3, 1);
  // F(1,1) - R(1)^2 = 2 holds the product 1 three times (0, 1, 2).
  EXPECT_EQ(reduceOffdiagonalBoundaryMaxima(3, 1, F, 2, 10), 3);
  EXPECT_EQ(reduceOffdiagonalBoundaryMaxima(3, 1, F, 2, 2), 2);
  // (0,0,1) meets F(2,2) - R(2)^2 = 0: only multiplicity 0.
  EXPECT_EQ(reduceOffdiagonalBoundaryMaxima(3, 1, F, 3, 10), 1);
  // A bound of 0 stays 0.
  EXPECT_EQ(reduceOffdiagonalBoundaryMaxima(3, 1, F, 2, 0), 0);
}

TEST_F(NimrepReductionTest, ReductionFindsTheFusionRowsOfSu2Level2) {
  su2Level2Store();
  link(0, 2, 1, 3);
  link(0, 3, 0, 3);
  link(1, 2, 0, 3);
  reduceBoundariesUsingFusionRepresentation(3);
  // (1,0,0): identity - e00 = one (0,1,0) and one (0,0,1).
  EXPECT_EQ(record(0).off_diags, (std::vector<int>{2, 3}));
  EXPECT_EQ(record(0).solutions, (std::vector<std::vector<int>>{{1, 1}}));
  // (1,0,1): the remainder 2 e11 is two copies of (0,1,0).
  EXPECT_EQ(record(1).solutions, (std::vector<std::vector<int>>{{2}}));
  EXPECT_EQ(record(1).solution_count, 1);
  EXPECT_EQ(record(0).in_use, 1);
  EXPECT_EQ(record(1).in_use, 1);

  findGoodCombinations2(3);
  // Rows: d, then the off-diagonal candidates | d, then the partner diagonals.
  EXPECT_EQ(nimrepStore().SuccessfulBoundaries,
            (std::vector<std::vector<int>>{{0, 2, 3, 0, 1, 0}, {1, 2, 2, 1, 0, 0}}));
}

TEST_F(NimrepReductionTest, LinkMaximaAreInclusiveBeforeTheFusionBound) {
  su2Level2Store();
  // A link maximum of 2 leaves multiplicity 1 for (0,1,0); the row (1,0,1) needs 2.
  link(1, 2, 0, 2);
  reduceBoundariesUsingFusionRepresentation(3);
  EXPECT_EQ(record(1).solution_count, 0);
  EXPECT_EQ(record(1).in_use, 0);
}

TEST_F(NimrepReductionTest, GroupWithBoundZeroGivesNoSolution) {
  su2Level2Store();
  link(0, 2, 1, 3);
  link(0, 3, 0, 0);  // reduced bound 0: the range [0, -1]
  reduceBoundariesUsingFusionRepresentation(3);
  EXPECT_EQ(record(0).solution_count, 0);
  EXPECT_TRUE(record(0).solutions.empty());
  EXPECT_EQ(record(0).in_use, 0);
}

TEST_F(NimrepReductionTest, SingleBoundaryGetsTheTrivialSolutionWithoutLoop) {
  NimrepStore& s = nimrepStore();
  s.N = 1;
  s.L = 1;
  s.fusionTable = {1};
  s.conjugateField = {0};
  addCandidate({1});
  reduceBoundariesUsingFusionRepresentation(1);
  EXPECT_EQ(record(0).solutions, (std::vector<std::vector<int>>{{1}}));
  findGoodCombinations2(1);
  EXPECT_EQ(s.SuccessfulBoundaries, (std::vector<std::vector<int>>{{0, 0}}));
}

TEST_F(NimrepReductionTest, RepeatedOffDiagonalSplitsOverItsLinks) {
  su2Level2Store();
  // (0,1,0) joins (1,0,1) to both diagonal candidates; the two copies split three ways.
  link(1, 2, 0, 2);
  link(1, 2, 1, 2);
  reduceBoundariesUsingFusionRepresentation(3);
  EXPECT_EQ(record(1).off_diags, (std::vector<int>{2}));
  EXPECT_EQ(record(1).solutions, (std::vector<std::vector<int>>{{2}}));
  findGoodCombinations2(3);
  EXPECT_EQ(nimrepStore().SuccessfulBoundaries,
            (std::vector<std::vector<int>>{
                {1, 2, 2, 1, 1, 1}, {1, 2, 2, 1, 0, 1}, {1, 2, 2, 1, 0, 0}}));
}

TEST_F(NimrepReductionTest, ConjugateCandidatesAndCandidatesWithoutOne) {
  BoundarySearchState& bs = boundarySearchState();
  // Two primaries: real parts, then imaginary parts.
  bs.BoundaryCandidates = {0.3, 0.2, 0.1, -0.4,   // 0
                           0.3, 0.2, -0.1, 0.4,   // 1: conjugate of 0
                           0.5, 0.5, 0.0, 0.0,    // 2: real
                           0.5, 0.5, 0.0, 0.0,    // 3: equal to 2
                           0.7, 0.1, 0.2, 0.0};   // 4: no conjugate
  bs.BoundCandCount = 5;
  EXPECT_EQ(findConjugateBoundaryCandidate(0, 2), 1);
  EXPECT_EQ(findConjugateBoundaryCandidate(1, 2), 0);
  EXPECT_EQ(findConjugateBoundaryCandidate(2, 2), 2);
  EXPECT_EQ(findConjugateBoundaryCandidate(3, 2), 2);  // the earlier equal one
  EXPECT_TRUE(silent());
  EXPECT_EQ(findConjugateBoundaryCandidate(4, 2), -1);
  EXPECT_TRUE(alerted("No conjugate found for candidate 4"));

  // Filling the table drops the candidate without conjugate.
  NimrepStore& s = nimrepStore();
  s.N = 2;
  for (int c = 0; c < 5; ++c) {
    s.Annuli.insert(s.Annuli.end(), {0, 1});
    s.records.push_back(newNIMrepInfo(0));
  }
  loadNIMrepConjugates();
  EXPECT_EQ(s.NIMrepConjugates, (std::vector<int>{1, 0, 2, 2, -1}));
  EXPECT_EQ(record(3).in_use, 1);
  EXPECT_EQ(record(4).in_use, 0);
  EXPECT_TRUE(alerted("No conjugate found for candidate 4"));
}

TEST_F(NimrepReductionTest, BoundaryResetEmptiesTheStore) {
  su2Level2Store();
  link(0, 2, 1, 3);
  resetBoundaries();
  EXPECT_EQ(nimrepCandidateCount(), 0);
  EXPECT_TRUE(nimrepStore().Annuli.empty());
  EXPECT_TRUE(nimrepStore().SuccessfulBoundaries.empty());
}

TEST_F(NimrepReductionTest, RemovalPassesRepeatUntilNothingChanges) {
  su2Level2Store();
  link(0, 2, 1, 3);
  link(0, 3, 0, 3);
  link(1, 2, 0, 1);  // maxima sum 1 < L - 1 = 2
  pairs(2, {{0, 1}});
  pairs(3, {{0, 0}});
  setIntPar("Boundary_search info_level", 4);
  EXPECT_EQ(reduceNIMrepInfo(), 1);
  EXPECT_EQ(record(1).in_use, 0);
  EXPECT_EQ(record(2).in_use, 0);  // its only pair lost a partner
  EXPECT_NE(capture.printed.find("Diagonal boundary 1 removed for having insufficient links\n"),
            std::string::npos);
  EXPECT_NE(capture.printed.find("Off-diagonal boundary 2 removed for having no links\n"),
            std::string::npos);
  EXPECT_NE(capture.printed.find("Reduction; starting new iteration\n"), std::string::npos);
  // The next pass strips the dead link of candidate 0, which keeps enough through (0,0,1).
  EXPECT_EQ(reduceNIMrepInfo(), 1);
  EXPECT_EQ(record(0).linked_by, (std::vector<int>{3}));
  EXPECT_EQ(record(0).linked_to, (std::vector<int>{0}));
  EXPECT_EQ(record(0).in_use, 1);
  EXPECT_EQ(reduceNIMrepInfo(), 0);
}

TEST_F(NimrepReductionTest, SolutionsDecideWhichLinksLive) {
  su2Level2Store();
  link(0, 2, 1, 3);
  link(0, 3, 0, 3);
  link(1, 2, 0, 3);
  link(1, 3, 0, 3);  // no solution of (1,0,1) uses (0,0,1)
  pairs(2, {{0, 1}});
  pairs(3, {{0, 0}, {0, 1}});
  reduceBoundariesUsingFusionRepresentation(3);
  EXPECT_EQ(record(1).off_diags, (std::vector<int>{2, 3}));
  EXPECT_EQ(record(1).solutions, (std::vector<std::vector<int>>{{2, 0}}));
  EXPECT_EQ(reduceNIMrepInfo(), 1);
  EXPECT_EQ(record(1).linked_by, (std::vector<int>{2}));
  // (0,0,1) no longer links candidate 1: its pair (0,1) goes.
  EXPECT_EQ(reduceNIMrepInfo(), 1);
  EXPECT_EQ(record(3).link_pairs, (std::vector<std::pair<int, int>>{{0, 0}}));
  EXPECT_EQ(reduceNIMrepInfo(), 0);
}

TEST_F(NimrepReductionTest, LinkReportListsCandidatesInUse) {
  su2Level2Store();
  link(0, 2, 1, 3);
  link(0, 3, 0, 3);
  pairs(2, {{0, 1}});
  record(3).in_use = 0;
  PrintBoundaryLinkInfo();
  EXPECT_EQ(capture.printed,
            "Diagonal boundary 0; nr. of links 2\n"
            "  Links: (2 --> 1)  (3 --> 0)  \n"
            "Diagonal boundary 1; nr. of links 0\n"
            "Off-diagonal boundary 2; nr. of links 1\n"
            "  Link pairs: (0,1) \n");
}

TEST_F(NimrepReductionTest, LinkMaximumCountsZerosAndMultiplicities) {
  CrossBoundState& cb = crossBoundState();
  cb.IshibashiLabels.assign(3, IshibashiLabel{});
  for (int i = 0; i < 3; ++i) {
    cb.IshibashiLabels[static_cast<size_t>(i)].primary = i;
    cb.IshibashiLabels[static_cast<size_t>(i)].third = 1;  // multiplicity
  }
  BoundarySearchState& bs = boundarySearchState();
  // Real parts of BB^*, then imaginary parts, for p = 0 and q = 1.
  bs.BoundaryCandidates = {0.5, 0.0, 0.5, 0, 0, 0,  //
                           0.5, 0.5, 0.0, 0, 0, 0};
  bs.BoundCandCount = 2;
  // Each counter gains one where only the other vector vanishes: max(3, 3).
  EXPECT_EQ(getLinkMaximum(3, 0, 1), 3);
  EXPECT_EQ(getLinkMaximum(3, 0, 0), 2);
  // Multiplicity 2 at a primary where neither vanishes adds one to both.
  cb.IshibashiLabels[0].third = 2;
  EXPECT_EQ(getLinkMaximum(3, 0, 1), 4);
  EXPECT_EQ(getLinkMaximum(0, 0, 1), 2);
}

TEST_F(NimrepReductionTest, FinalAnalysisTableShowsFlagsAndCompleteness) {
  // Two solution rows of three primaries: all checks passed; every check failed.
  const std::vector<std::vector<int>> rows = {{0, 0, 0, 0, 0, 0, 0, 1, 1, 1},
                                              {1, 2, 1, 1, 1, 1, 1, 1, -1, 0}};
  printNimrepFinalAnalysis(2, 1, 2, rows, 3, 0);
  EXPECT_EQ(capture.printed,
            "******************** FINAL ANALYSIS **************************\n"
            "Total number of NIMreps found: 2\n"
            "Total number of S-NIMreps found: 1\n"
            "Total number of U-NIMreps found: 2\n"
            "List of solutions:\n"
            "NIM  S-NIM  KBC  Real  Orient. K[0]   Trace   Klein bottle\n"
            " 0    0      OK   OK     OK     OK      OK    1 1 1\n"
            " 1    2      --   --     --     <0      --    1-1 0\n"
            "All solutions were found\n"
            "**************************************************************\n");
  capture.clear();
  // A search cut by its loop maximum (or stopped by the user) never claims completeness.
  printNimrepFinalAnalysis(0, 0, 0, {}, 3, 1);
  EXPECT_NE(capture.printed.find("Total number of NIMreps found: 0\n"), std::string::npos);
  EXPECT_NE(capture.printed.find("There may be additional solutions\n"), std::string::npos);
  EXPECT_EQ(capture.printed.find("All solutions were found"), std::string::npos);
}

}  // namespace
