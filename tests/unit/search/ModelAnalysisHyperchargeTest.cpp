// The hypercharge of a candidate from its anomalies and charges, the generators of c and d,
// the orderings of equivalent labels, the three-stack form and the degeneracy enumeration.
#include <gtest/gtest.h>

#include <vector>

#include "ModelAnalysisTestSupport.h"
#include "TestSupport.h"
#include "boundaries/CrossBound.h"
#include "collections/VectorSpace.h"
#include "search/ModelAnalysis.h"
#include "search/SearchDriver.h"
#include "search/SearchSM.h"

namespace {

using namespace model_test;

class ModelAnalysisHyperchargeTest : public ZoqTest {};

// Y = Q_a/6 - Q_c/2 + Q_d/2 in units of the model's norm.
void expectMadridHypercharge() {
  ASSERT_GT(SM.Ynorm, 0);
  EXPECT_EQ(SM.Ynorm % 24, 0);  // the norm starts at 24
  EXPECT_EQ(6 * SM.Y[0], SM.Ynorm);
  EXPECT_EQ(SM.Y[1], 0);
  EXPECT_EQ(2 * SM.Y[2], -SM.Ynorm);
  EXPECT_EQ(2 * SM.Y[3], SM.Ynorm);
}

TEST_F(ModelAnalysisHyperchargeTest, GammaAndDeltaOfABFixYa) {
  // Gamma(a,b) = 2 and Delta(a,b) = 1: 6 y_a = 1, hence y_b = 0.
  loadStacks(kMadrid);
  ASSERT_EQ(computeY(0), 1);
  expectMadridHypercharge();
  EXPECT_EQ(modelAnalysisCounters().computeYCalls, 1);
  EXPECT_GE(getSuccessLevel(), 4);
  // Both generators are a single piece of multiplicity N.
  EXPECT_EQ(SM.cMultiplicities[0], 1);
  EXPECT_EQ(SM.cMultiplicities[1], 0);
  EXPECT_EQ(SM.dMultiplicities[0], 1);
  EXPECT_EQ(SM.quarkDoublets[0], 3);
  EXPECT_EQ(SM.singlets[0], 3);
}

// The search's counters of the hypercharge step are those the classification keeps; a
// search starts them afresh.
TEST_F(ModelAnalysisHyperchargeTest, SearchCountersReadTheClassificationsCounts) {
  loadStacks(kMadrid);
  ASSERT_EQ(computeY(0), 1);
  EXPECT_EQ(searchCounter(computeYCounter), 1);
  EXPECT_EQ(searchCounter(cQLCounter), modelAnalysisCounters().quarkChargeCalls);
  EXPECT_GE(searchCounter(cQLCounter), 1);
  capture.clear();
  printSearchCounters();
  EXPECT_NE(capture.stdoutText.find("Nr. of configurations in computeY:   1\n"), std::string::npos)
      << capture.stdoutText;
  startSearchCounts();
  EXPECT_EQ(searchCounter(computeYCounter), 0);
  EXPECT_EQ(modelAnalysisCounters().quarkChargeCalls, 0);
}

TEST_F(ModelAnalysisHyperchargeTest, GammaOfABAloneGivesSumNormOverSix) {
  loadStacks(kGammaOnly);
  ASSERT_EQ(computeY(0), 1);
  EXPECT_EQ(6 * (SM.Y[0] + SM.Y[1]), SM.Ynorm);
  expectMadridHypercharge();
}

TEST_F(ModelAnalysisHyperchargeTest, RealBHasNoHyperchargeCoefficient) {
  loadStacks(kRealB);
  ASSERT_EQ(computeY(0), 1);
  EXPECT_EQ(SM.Y[1], 0);
  EXPECT_EQ(6 * SM.Y[0], SM.Ynorm);
  EXPECT_EQ(2 * SM.Y[3], -SM.Ynorm);  // d was written conjugated
}

TEST_F(ModelAnalysisHyperchargeTest, FamilyCountComesFromTheModel) {
  // A two-family model fails the fixed count of 3 ...
  loadStacks(kTwoFamilies);
  EXPECT_EQ(computeY(0), 0);
  // ... and passes with the count a re-read model gets under "SM_search Nfamily" 0.
  int F = 0;
  ASSERT_EQ(familyCountOfReadModel(0, SM.Gamma[0], SM.Delta[0], &F), 1);
  setFamiliesRequired(F);
  loadStacks(kTwoFamilies);
  ASSERT_EQ(computeY(0), 1);
  expectMadridHypercharge();
  EXPECT_EQ(SM.quarkDoublets[0], 2);
}

TEST_F(ModelAnalysisHyperchargeTest, InconsistentAnomaliesReject) {
  Stacks s = kMadrid;
  s.Delta[1] = -2;  // one anti-quark short: anomalies and charges have no common solution
  loadStacks(s);
  EXPECT_EQ(computeY(0), 0);
}

TEST_F(ModelAnalysisHyperchargeTest, TracelessGenerator) {
  int e[2] = {}, m[2] = {};
  // s = t: e_0 = 0, e_1 = -norm, one piece.
  ASSERT_EQ(computeTracelessGenerator(12, 3, 0, 8, 8, e, m), 1);
  EXPECT_EQ(e[0], 0);
  EXPECT_EQ(e[1], -12);
  EXPECT_EQ(m[0], 3);
  EXPECT_EQ(m[1], 0);
  // e = (4, -8) on U(3): multiplicities 2 and 1, trace 2*4 - 8 = 0.
  ASSERT_EQ(computeTracelessGenerator(12, 3, 0, 4, 8, e, m), 1);
  EXPECT_EQ(e[0], 4);
  EXPECT_EQ(e[1], -8);
  EXPECT_EQ(m[0], 2);
  EXPECT_EQ(m[1], 1);
  EXPECT_EQ(m[0] * e[0] + m[1] * e[1], 0);
  // A real stack allows only opposite eigenvalues or a single piece.
  EXPECT_EQ(computeTracelessGenerator(12, 3, 1, 4, 8, e, m), 0);
  ASSERT_EQ(computeTracelessGenerator(12, 2, -1, 2, 8, e, m), 1);
  EXPECT_EQ(e[0] + e[1], 0);
  // Charges beyond t or below t - norm, and splits that are not integral, are refused.
  EXPECT_EQ(computeTracelessGenerator(12, 3, 0, 9, 8, e, m), 0);
  EXPECT_EQ(computeTracelessGenerator(12, 3, 0, -5, 8, e, m), 0);
  EXPECT_EQ(computeTracelessGenerator(12, 2, 0, 7, 8, e, m), 0);
}

TEST_F(ModelAnalysisHyperchargeTest, StoredEigenvaluesMustAgree) {
  int flag = 0, e[2] = {}, m[2] = {};
  int ce[2] = {5, 7}, cm[2] = {0, 2};  // an empty first piece moves up
  ASSERT_EQ(StoreEigenvalues(&flag, e, m, ce, cm), 1);
  EXPECT_EQ(flag, 1);
  EXPECT_EQ(e[0], 0);
  EXPECT_EQ(m[0], 2);
  int same[2] = {0, 0}, sameM[2] = {2, 0};
  EXPECT_EQ(StoreEigenvalues(&flag, e, m, same, sameM), 1);
  int other[2] = {1, -1}, otherM[2] = {1, 1};
  EXPECT_EQ(StoreEigenvalues(&flag, e, m, other, otherM), 0);
}

TEST_F(ModelAnalysisHyperchargeTest, ThreeStackRoundTrip) {
  loadStacks(kMadrid);
  SM.antisymmetricTensors[3] = 2;
  SM.symmetricTensors[3] = -1;
  const StandardModel before = SM;
  setThreeStack(0);
  EXPECT_EQ(SM.stackCount, 3);
  EXPECT_EQ(SM.branes[6], -1);
  EXPECT_EQ(SM.branes[7], -1);
  EXPECT_EQ(SM.groupTypes[3], -2);
  EXPECT_EQ(SM.multiplicities[3], 0);
  for (int k : {2, 4, 5}) {
    EXPECT_EQ(SM.Gamma[k], 0);
    EXPECT_EQ(SM.Delta[k], 0);
  }
  setThreeStack(1);
  EXPECT_EQ(SM.stackCount, 4);
  for (int k = 0; k < 6; ++k) {
    EXPECT_EQ(SM.Gamma[k], before.Gamma[k]);
    EXPECT_EQ(SM.Delta[k], before.Delta[k]);
  }
  for (int x = 0; x < 4; ++x) {
    EXPECT_EQ(SM.antisymmetricTensors[x], before.antisymmetricTensors[x]);
    EXPECT_EQ(SM.symmetricTensors[x], before.symmetricTensors[x]);
    EXPECT_EQ(SM.groupTypes[x], before.groupTypes[x]);
  }
  for (int k = 0; k < 8; ++k) EXPECT_EQ(SM.branes[k], before.branes[k]);
}

TEST_F(ModelAnalysisHyperchargeTest, ExactlyOneOfCAndItsImageIsKept) {
  Stacks s = kMadrid;
  s.Gamma[1] = -3;
  s.Delta[1] = 0;
  loadStacks(s);
  EXPECT_EQ(check_c_BraneOrdering(), 1);
  EXPECT_EQ(SM.cSymmetry, 0);
  // The image c*: Gamma and Delta of (a,c) exchanged, labels c and c* exchanged.
  std::swap(SM.Gamma[1], SM.Delta[1]);
  std::swap(SM.Gamma[3], SM.Delta[3]);
  std::swap(SM.branes[4], SM.branes[5]);
  EXPECT_EQ(check_c_BraneOrdering(), 0);
  // All keys tie: kept, and marked as equivalent to its image.
  loadStacks(kMadrid);
  EXPECT_EQ(check_c_BraneOrdering(), 1);
  EXPECT_EQ(SM.cSymmetry, 1);
  // A real c is its own image.
  SM.branes[5] = SM.branes[4];
  EXPECT_EQ(check_c_BraneOrdering(), 1);
  EXPECT_EQ(SM.cSymmetry, -1);
}

TEST_F(ModelAnalysisHyperchargeTest, DoubleCDSymmetryKeepsOneOfFourImages) {
  // c and d alike and each alike to its image: of (G, D), (-D, -G), (D, G), (-G, -D) for
  // the pair (c,d) exactly the lexicographically largest is kept.
  const Stacks alike = {{3, 2, 1, 1}, {0, 0, 0, 0}, {3, 0, 0, 0, 0, 0}, {}, {}, {}};
  const int images[4][2] = {{2, 1}, {-1, -2}, {1, 2}, {-2, -1}};
  int kept = 0;
  for (const auto& image : images) {
    loadStacks(alike);
    SM.Gamma[5] = image[0];
    SM.Delta[5] = image[1];
    if (cdOrderingCheck() == 1) {
      ++kept;
      EXPECT_EQ(image[0], 2);
      EXPECT_EQ(image[1], 1);
    }
    EXPECT_EQ(SM.cdOrdering, 1);
    EXPECT_EQ(SM.cSymmetry, 0);
    EXPECT_EQ(SM.dSymmetry, 0);
  }
  EXPECT_EQ(kept, 1);
  EXPECT_NE(capture.diagnostics.find("Double c-d symmetry"), std::string::npos);
  EXPECT_NE(capture.diagnostics.find("Accepted (3)"), std::string::npos);
}

TEST_F(ModelAnalysisHyperchargeTest, CBeforeD) {
  loadStacks(kMadrid);
  EXPECT_EQ(check_cd_BraneOrdering(), 1);  // c meets a six times, d never
  EXPECT_EQ(SM.cdOrdering, 0);
  // Exchanging c and d: the ordering drops it.
  std::swap(SM.Gamma[1], SM.Gamma[2]);
  std::swap(SM.Delta[1], SM.Delta[2]);
  EXPECT_EQ(check_cd_BraneOrdering(), 0);
  // d = c*: flagged -1 and kept.
  loadStacks(kMadrid);
  SM.branes[6] = SM.branes[5];
  EXPECT_EQ(check_cd_BraneOrdering(), 1);
  EXPECT_EQ(SM.cdOrdering, -1);
}

TEST_F(ModelAnalysisHyperchargeTest, FreeDIsSplitWithDoubledNorm) {
  // A fourth stack that meets nothing: its generator comes from the free splittings; with
  // y_d = 0 only the first (one piece, charge 0) applies.
  Stacks s = kThreeStacks;
  s.N[3] = 1;
  s.groupTypes[3] = 0;
  loadStacks(s);
  setCharges(6, 1, 0, -3, 0);
  ASSERT_EQ(computeQuarkAndLeptonCharges(0), 1);
  EXPECT_EQ(SM.Ynorm, 12);
  EXPECT_EQ(SM.Y[0], 2);
  EXPECT_EQ(SM.Y[2], -6);
  EXPECT_EQ(searchEvents()[10], 1);
  EXPECT_EQ(searchEvents()[11], 1);
  EXPECT_EQ(SM.dMultiplicities[0], 1);
  EXPECT_EQ(SM.dEigenvalues[0], 0);
}

TEST_F(ModelAnalysisHyperchargeTest, OpenCoefficientFromTheEquations) {
  loadStacks(kMadrid);
  setCharges(6, 1, 0, 0, 3);
  VectorSpace equations{7, "Test equations"};
  initEquationCollection(&equations, 4, 7);
  const int rows[4][5] = {{6, 0, 0, 0, -1}, {0, 1, 0, 0, 0}, {0, 0, 0, 2, -1}, {0, 0, 2, 0, 1}};
  for (const auto& row : rows) ASSERT_GT(CollectIntegerEquations(&equations, row), 0);
  VectorSpace space{7, "Test solutions"};
  int unknown[4] = {0, 0, 1, 0};
  // 2 y_c + 1 = 0: y_c = -1/2 needs the norm doubled.
  ASSERT_EQ(solveGenericAbelianMasses(&equations, &space, unknown), 1);
  EXPECT_EQ(unknown[2], 0);
  EXPECT_EQ(SM.Ynorm, 12);
  EXPECT_EQ(SM.Y[0], 2);
  EXPECT_EQ(SM.Y[2], -6);
  EXPECT_EQ(SM.Y[3], 6);
  // Without the equation of c nothing fixes it: the known coefficients become the
  // solution space.
  setCharges(6, 1, 0, 0, 3);
  initEquationCollection(&equations, 4, 7);
  for (int k = 0; k < 3; ++k) ASSERT_GT(CollectIntegerEquations(&equations, rows[k]), 0);
  int open[4] = {0, 0, 1, 0};
  EXPECT_EQ(solveGenericAbelianMasses(&equations, &space, open), -2);
  EXPECT_EQ(open[2], 1);
  EXPECT_EQ(space.Nfill, 3);
  // Contradicting equations have no solution.
  initEquationCollection(&equations, 4, 7);
  const int wrong[5] = {6, 0, 0, 0, -2};  // y_a = 1/3, but the model has 1/6
  ASSERT_GT(CollectIntegerEquations(&equations, wrong), 0);
  EXPECT_EQ(solveGenericAbelianMasses(&equations, &space, open), -3);
  // A candidate without a tensor product is left to the degeneracy enumeration.
  SM.tensorCode = -1;
  EXPECT_EQ(solveGenericAbelianMasses(&equations, &space, open), -2);
}

TEST_F(ModelAnalysisHyperchargeTest, ReadLabelsMustBeBoundaries) {
  // A label equal to the number of boundaries is out of range, as is any negative label
  // other than an absent d.
  loadStacks(kMadrid);
  const int count = TotalBoundaries();
  SM.inputBoundaries[0] = count, SM.inputBoundaries[1] = 0, SM.inputBoundaries[2] = 0, SM.inputBoundaries[3] = -1;
  EXPECT_EQ(verifySpectrum(), 0);
  EXPECT_NE(capture.all.find("Boundary labels out of range; rejecting this solution"), std::string::npos);
  capture.clear();
  SM.inputBoundaries[0] = -5;
  EXPECT_EQ(verifySpectrum(), 0);
  EXPECT_NE(capture.all.find("Boundary labels out of range; rejecting this solution"), std::string::npos);
}

// ---------------------------------------------------------------------------------------
// Degeneracy enumeration

class ModelAnalysisDegeneracyTest : public ModelAnalysisHyperchargeTest {
 protected:
  VectorSpace equations{7, "Test equations"};
  void startEquations() { initEquationCollection(&equations, 4, 7); }
  void add(std::vector<int> row) { ASSERT_GT(CollectIntegerEquations(&equations, row.data()), 0); }
};

TEST_F(ModelAnalysisDegeneracyTest, DegenerateYTriedWithOneValue) {
  // Classes y_a + y_b, y_a + y_c, y_a + y_d: the null direction (1,-1,-1,-1) also solves
  // the three equations below, so Y is degenerate.
  const Stacks s = {{3, 2, 1, 5}, {0, 0, 0, 0}, {1, 1, 1, 0, 0, 0}, {}, {}, {}};
  loadStacks(s);
  SM.Ynorm = 24;
  startEquations();
  add({6, 6, 0, 0, -1});
  add({0, -1, 1, 0, 0});
  add({0, 0, -1, 1, 0});
  int open[4] = {1, 1, 1, 1};
  const long long before = modelAnalysisCounters().quarkChargeCalls;
  computeChargeDegeneracy(&equations, open, 0);
  EXPECT_EQ(modelAnalysisCounters().quarkChargeCalls - before, 1);
  EXPECT_EQ(SM.degenerateY, 1);
  EXPECT_EQ(searchEvents()[7], 1);
  // The equations fix a, b, c; the one trial is y_d = -1/2, so y_b = y_c = -1/2 and
  // y_a = 2/3; the norm is the lcm of 24, the denominator and N_a..N_d (5 among them).
  EXPECT_EQ(SM.Ynorm % 120, 0);
  EXPECT_EQ(2 * SM.Y[3], -SM.Ynorm);
  EXPECT_EQ(SM.Y[1], SM.Y[3]);
  EXPECT_EQ(3 * SM.Y[0], 2 * SM.Ynorm);
}

TEST_F(ModelAnalysisDegeneracyTest, NonDegenerateYTriesEveryValueUpToTheNorm) {
  // The classes of DegenerateYTriedWithOneValue, but y_a = 1/6 breaks the null direction
  // (1,-1,-1,-1): every integer t from -24 to 24 is tried for 24 y_d, 49 trials.
  const Stacks s = {{3, 2, 1, 5}, {0, 0, 0, 0}, {1, 1, 1, 0, 0, 0}, {}, {}, {}};
  loadStacks(s);
  SM.Ynorm = 24;
  startEquations();
  add({6, 0, 0, 0, -1});
  add({0, 1, 0, 0, 0});
  add({0, 0, 1, -1, 0});
  int open[4] = {1, 1, 1, 1};
  const long long before = modelAnalysisCounters().quarkChargeCalls;
  computeChargeDegeneracy(&equations, open, 0);
  EXPECT_EQ(SM.degenerateY, 0);
  EXPECT_EQ(modelAnalysisCounters().quarkChargeCalls - before, 49);
}

TEST_F(ModelAnalysisDegeneracyTest, EmptyChargeListTriesNothing) {
  // Four independent classes; three equations fix a, b, c; d has no multiplicity, so its
  // charge list is empty.
  const Stacks s = {{3, 2, 1, 0}, {0, 0, 0, 0}, {1, 1, 1, 1, 0, 0}, {}, {}, {}};
  loadStacks(s);
  SM.stackCount = 4;
  SM.Ynorm = 24;
  startEquations();
  add({6, 0, 0, 0, -1});
  add({0, 1, 0, 0, 0});
  add({0, 0, 2, 0, 1});
  int open[4] = {1, 1, 1, 1};
  const long long before = modelAnalysisCounters().quarkChargeCalls;
  EXPECT_EQ(computeChargeDegeneracy(&equations, open, 0), 0);
  EXPECT_EQ(modelAnalysisCounters().quarkChargeCalls, before);
  EXPECT_EQ(open[0] + open[1] + open[2], 0);
}

TEST_F(ModelAnalysisDegeneracyTest, UnhandledShapeRejectsWithWarning) {
  const Stacks s = {{3, 2, 1, 1}, {0, 0, 0, 0}, {1, 1, 1, 1, 0, 0}, {}, {}, {}};
  loadStacks(s);
  SM.Ynorm = 24;
  startEquations();
  add({6, 0, 0, 0, -1});
  int open[4] = {1, 1, 1, 1};
  const long long before = modelAnalysisCounters().rejections;
  EXPECT_EQ(computeChargeDegeneracy(&equations, open, 0), 0);
  EXPECT_EQ(modelAnalysisCounters().rejections, before + 1);
  EXPECT_NE(capture.diagnostics.find("Only one equation: this case is not built in"), std::string::npos);
}

TEST_F(ModelAnalysisDegeneracyTest, ChargeListPutsZeroFirst) {
  loadStacks(kMadrid);
  int classes[16] = {};
  classes[1] = 1;  // rank-two tensors of b: 2 y_b in -6..6 sixths
  int scale = 0;
  const std::vector<int> b = getChargeList(1, classes, &scale);
  EXPECT_EQ(scale, 24);  // 12 N_b
  EXPECT_EQ(b, (std::vector<int>{0, -12, 12}));  // steps of 6 N_b, 0 first
  // c (N_c = 1) through Gamma(a,c), -2..4 sixths: t = -2, 4 and t - 12 j for j = 0, 1.
  int onlyAC[16] = {};
  onlyAC[6] = 1;
  EXPECT_EQ(getChargeList(2, onlyAC, &scale), (std::vector<int>{-2, -14, 4, -8}));
  EXPECT_EQ(scale, 12);
}

TEST_F(ModelAnalysisDegeneracyTest, ConvertLongToIntKeepsItsBound) {
  int out = 0;
  EXPECT_EQ(ConvertLongToInt(199999999, &out), 0);
  EXPECT_EQ(out, 199999999);
  EXPECT_EQ(ConvertLongToInt(-199999999, &out), 0);
  EXPECT_EQ(ConvertLongToInt(200000000, &out), 1);
  EXPECT_EQ(out, -199999999);
  EXPECT_NE(capture.diagnostics.find("Integer overflow"), std::string::npos);
}

TEST_F(ModelAnalysisDegeneracyTest, ReduceOnColorLabel) {
  long long v[3] = {2, 4, 6};
  const int w[3] = {1, 1, 1};
  // v[k] := v[k] w[0] - v[0] w[k] = (0, 2, 4), divided by 2.
  ReduceOnColorLabel(v, w, 3);
  EXPECT_EQ(v[0], 0);
  EXPECT_EQ(v[1], 1);
  EXPECT_EQ(v[2], 2);
}

}  // namespace
