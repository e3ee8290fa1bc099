// Texts of the re-analysis and browse tools: representation lines, the x parameter, the
// boundary line, group and hypercharge texts, degeneracy classes and linear relations, the
// pass filter and the refusal of an unknown pass.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "search/Catalogue.h"
#include "search/ModelAnalysis.h"
#include "search/QuvrBrowse.h"
#include "search/QuvrGuided.h"
#include "search/QuvrReanalyse.h"

namespace {

class QuvrReanalyseTest : public ZoqTest {};

TEST_F(QuvrReanalyseTest, XParameterIsPrintedReduced) {
  EXPECT_EQ(xParameterText(1, 6), "x = 1/2\n");   // (6 + 12)/36
  EXPECT_EQ(xParameterText(5, 6), "x = 7/6\n");   // (30 + 12)/36
  EXPECT_EQ(xParameterText(4, 6), "x = 1\n");     // (24 + 12)/36
  EXPECT_EQ(xParameterText(-1, 3), "x = 0\n");    // (-6 + 6)/18
  EXPECT_EQ(xParameterText(-4, 6), "x = -1/3\n");  // (-24 + 12)/36
}

TEST_F(QuvrReanalyseTest, BoundaryStatesOfThreeAndFourStacks) {
  int record[87] = {};
  record[62] = 7, record[63] = 8, record[64] = 9, record[65] = -1;
  EXPECT_EQ(boundaryStatesText(record), "Boundary states: 7,8,9\n");
  record[7] = 1, record[65] = 10;
  EXPECT_EQ(boundaryStatesText(record), "Boundary states: 7,8,9,10\n");
}

TEST_F(QuvrReanalyseTest, RepresentationRowsOfTheChiralEntries) {
  int reps[4];
  BraneReps(2, reps);  // symmetric tensors of c
  EXPECT_EQ(std::vector<int>(reps, reps + 4), (std::vector<int>{0, 0, 2, 0}));
  BraneReps(7, reps);  // anti-symmetric tensors of d
  EXPECT_EQ(std::vector<int>(reps, reps + 4), (std::vector<int>{0, 0, 0, 3}));
  BraneReps(8, reps);  // Gamma of (a,b)
  EXPECT_EQ(std::vector<int>(reps, reps + 4), (std::vector<int>{1, 1, 0, 0}));
  BraneReps(19, reps);  // Delta of (c,d)
  EXPECT_EQ(std::vector<int>(reps, reps + 4), (std::vector<int>{0, 0, 1, -1}));
}

TEST_F(QuvrReanalyseTest, DimensionLines) {
  const int reps[3] = {1, -1, 0}, unitary[3] = {0, 0, 0}, mixed[3] = {0, 1, 0}, ones[3] = {1, 1, 1};
  PrintDim(2, 3, reps, unitary, 0, ones, ones);
  PrintDim(-2, 3, reps, mixed, 0, ones, ones);  // conjugated except on the real stack b
  PrintDim(0, 3, reps, unitary, 0, ones, ones);
  PrintDim(1, 3, reps, unitary, 1, ones, ones);  // charge 1 - 1 + 0
  EXPECT_EQ(capture.printed,
            "      2 x  ( V  ,V* ,0 )\n"
            "      2 x  ( V* ,V* ,0 )\n"
            "      1 x  ( V  ,V* ,0 )         0   \n");
}

TEST_F(QuvrReanalyseTest, GroupAndHyperchargeTexts) {
  int row[64] = {};
  row[0] = 0, row[1] = -1, row[2] = 0, row[3] = 1;
  row[4] = 3, row[5] = 2, row[6] = 1, row[7] = 1;
  EXPECT_EQ(GroupString(row), "U3.S2.U1.O1");
  row[3] = -2;
  EXPECT_EQ(GroupString(row), "U3.S2.U1");
  EXPECT_EQ(Ystring(1, -3, 2, 2, 0, 0), "(1,-3,3)/6");
  EXPECT_EQ(Ystring(1, -3, 2, 2, 1, 2), "(1,-3,3,3/2)/6");
  EXPECT_EQ(Ystring(0, 3, -1, 3, 0, 0), "(0,3,-1)/6");
}

TEST_F(QuvrReanalyseTest, RelationTexts) {
  std::string text;
  auxNcNdString(text, 1, 0);
  EXPECT_EQ(text, "Nc");
  text.clear();
  auxNcNdString(text, -2, 0);
  auxNcNdString(text, 3, 1);
  EXPECT_EQ(text, "-2Nc+3Nd");
  text.clear();
  auxNcNdString(text, 0, 1);  // a zero coefficient leaves its part out
  auxNcNdString(text, -1, 1);
  EXPECT_EQ(text, "-Nd");
}

TEST_F(QuvrReanalyseTest, ConstraintTerms) {
  const int zero[3] = {0, 0, 0}, mixed[3] = {2, 1, -1}, negative[3] = {0, -3, 2}, constant[3] = {3, 0, 0};
  PrintConstraints(zero, 1);
  PrintConstraints(mixed, 1);
  PrintConstraints(negative, 1);
  PrintConstraints(constant, 2);
  EXPECT_EQ(capture.printed, " 0 2  + x  - y  -3x  + 2y  3/2 ");
}

QuvrEquations equations(std::vector<std::vector<int>> rows) {
  QuvrEquations e;
  e.columns = 12;
  for (std::vector<int>& row : rows) row.push_back(0);
  e.rows = std::move(rows);
  return e;
}

TEST_F(QuvrReanalyseTest, NdFixedAndNcFree) {
  // Row 1: Nc = 3, Nd = 2; row 2 changes Nc only.
  const QuvrEquations e = equations({{1, 0, 0, 0, 3, 0, 0, 0, 0, 2, 0, 0}, {0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0}});
  EXPECT_EQ(AnalyseDegeneracyEquations(e), "Nd=2, Nc free");
  EXPECT_EQ(capture.printed, "\nNc =  3  + x \nNd =  2 \nTc =  2x \nTd =  0\n");
}

TEST_F(QuvrReanalyseTest, BothFixedAndLinearRelation) {
  EXPECT_EQ(AnalyseDegeneracyEquations(equations({{1, 0, 0, 0, 3, 0, 0, 0, 0, 2, 0, 0}})), "Nc=3, Nd=2");
  // Nc = 2 + t, Nd = 1 + 2t: 2 Nc - Nd = 3.
  const QuvrEquations e = equations({{1, 0, 0, 0, 2, 0, 0, 0, 0, 1, 0, 0}, {0, 0, 1, 0, 0, 0, 0, 2, 0, 0, 0, 0}});
  EXPECT_EQ(AnalyseDegeneracyEquations(e), "2Nc-Nd=3");
}

TEST_F(QuvrReanalyseTest, UnexpectedPassIsAFailureNotAnExit) {
  EXPECT_EQ(FullQUVRAnalysis(7), 1);
  EXPECT_TRUE(alerted("Unexpected U-value 7"));
}

TEST_F(QuvrReanalyseTest, PureSpectrumLine) {
  int row[64] = {};
  row[0] = 0, row[1] = 0, row[2] = 0, row[3] = -2;
  row[4] = 3, row[5] = 2, row[6] = 1;
  row[28] = 1, row[29] = -3;
  row[30] = 1;  // one c piece of charge 1
  row[44] = 12;
  PrintPureSpectrumVector(row, 3, 1);
  EXPECT_EQ(capture.printed,
            "Nr.    3 (quvr    12)  [00000000]  <  1  0  0  0  0 >  "
            "                  (1,-3,6)/6              U3.U2.U1             \n");
}

TEST_F(QuvrReanalyseTest, PassFilter) {
  // A unitary stack set without tensors and with Gamma x Delta = 0 is orientable.
  int detached[87] = {}, attached[87] = {}, three[87] = {}, orientable[87] = {};
  detached[1] = -1;  // b symplectic: one real stack
  detached[4] = 3, detached[5] = 2, detached[6] = 1, detached[7] = 1;
  detached[16] = 3, detached[22] = 1;  // (a,b) chiral both ways: not orientable
  std::copy(detached, detached + 87, attached);
  attached[21] = 1;  // (c,d) intersects
  std::copy(detached, detached + 87, three);
  three[3] = -2, three[7] = 0;
  orientable[4] = 3, orientable[5] = 2, orientable[6] = 1, orientable[7] = 1;
  EXPECT_TRUE(reanalysisTakes(detached, 15));
  EXPECT_FALSE(reanalysisTakes(detached, 1));
  EXPECT_TRUE(reanalysisTakes(attached, 1));
  EXPECT_FALSE(reanalysisTakes(attached, 15));
  EXPECT_FALSE(reanalysisTakes(attached, 0));
  EXPECT_TRUE(reanalysisTakes(three, 20));
  EXPECT_FALSE(reanalysisTakes(three, 10));
  EXPECT_TRUE(reanalysisTakes(orientable, 10));
  EXPECT_FALSE(reanalysisTakes(orientable, 20));
  EXPECT_TRUE(reanalysisTakes(orientable, -1));
}

// The pure intersection spectra are identified by their first 41 entries.
TEST_F(QuvrReanalyseTest, PureSpectraAreStoredOncePerIdentity) {
  std::vector<int> row(64, 0);
  row[6] = 1, row[41] = 20, row[44] = -1;
  addPureIntersectionSpectrum(row);
  std::vector<int> sameIdentity = row;
  sameIdentity[41] = 18, sameIdentity[44] = 12;  // beyond the identity
  addPureIntersectionSpectrum(sameIdentity);
  ASSERT_EQ(pureIntersectionSpectra().size(), 1u);
  EXPECT_EQ(pureIntersectionSpectra()[0][41], 20);
  std::vector<int> other = row;
  other[40] = 1;
  addPureIntersectionSpectrum(other);
  EXPECT_EQ(pureIntersectionSpectra().size(), 2u);
  resetQuvrReanalyse();
  EXPECT_TRUE(pureIntersectionSpectra().empty());
}

}  // namespace

namespace {

// A type that is a generator with c and d interchanged is found at the interchange variant
// (m = 4, interchanging twice restores the generator; the variants 0-3 keep N_c = 2 and
// N_d = 1 and so cannot match N_c = 1, N_d = 2); a type of other stack sizes is not found.
TEST_F(QuvrReanalyseTest, PatternsOfTheGeneratorTypesCoverTheirRelabellings) {
  ModelRow generator{};
  const int head[32] = {0, 0, 0, 0, 3, 2, 1, 2,           // group types, N_a..N_d
                        0, 0, 0, 0, 0, 0, 0, 0,           // symmetric, anti-symmetric
                        3, 0, 0, 0, 3, 0, 0, 0, 3, 0, 0, 0, 1, 0, 0, 0};  // Gamma, Delta, Y
  std::copy(head, head + 32, generator.begin());
  generator[32] = 6;
  generator[56] = 1;
  const std::vector<std::array<int, 66>> variants = BuildQuvrVariations(generator.data());
  ModelRow swapped{};
  std::copy(variants[4].begin(), variants[4].begin() + 56, swapped.begin());
  swapped[56] = 2;
  ModelRow other = generator;
  other[4] = 1;
  other[56] = 3;
  quvrCatalogueRows() = {generator, swapped, other};
  quvrIsGenerator().assign(3, 0);
  quvrIsGenerator()[0] = 1;
  AnalyseIntersectionPatterns();
  EXPECT_NE(capture.all.find("Found generator for field 2 at m=4\n"), std::string::npos);
  EXPECT_NE(capture.all.find("3 NOT FOUND"), std::string::npos);
  EXPECT_NE(capture.all.find("Vector     0, Count   2, Gen.     1"), std::string::npos);
}

}  // namespace
