// Global anomaly conditions on the superstring D8 at level 1: four real branes, all of
// them orthogonal at the first orientifold (type I), hence no global equation, and every
// configuration passes.
#include <gtest/gtest.h>

#include <vector>

#include "InterpreterTestSupport.h"
#include "TestSupport.h"
#include "boundaries/CrossBound.h"
#include "strings/Intersections.h"
#include "strings/OpenSpectrum.h"

namespace {

class IntersectionAnomalyTest : public ZoqTest {
 protected:
  OrientifoldInfo* loadD8() {
    EXPECT_EQ(run("set Super ON"), 0);
    EXPECT_EQ(run("tensor"), 0);
    EXPECT_EQ(run("g d 8 1"), 0);
    EXPECT_EQ(run("compute spectrum"), 0);
    EXPECT_EQ(InitIntersection(), 0);
    initBoundaryClassStorage();
    initBoundaryClasses();
    int total = 0, count = 0;
    OrientifoldInfo** list = getPositiveTensionOrientifolds(&total, &count);
    capture.clear();
    return count > 0 ? list[0] : nullptr;
  }
};

TEST_F(IntersectionAnomalyTest, NoSymplecticBoundaryMeansNoEquationAndEveryConfigurationPasses) {
  OrientifoldInfo* ori = loadD8();
  ASSERT_NE(ori, nullptr);
  loadOrientifoldConjugates(ori, 0);
  int symplectic = 0;
  for (int b = 0; b < 4; ++b) symplectic += orientifoldGroupType(ori, b) == -1 ? 1 : 0;
  loadGlobalAnomaliesForOrientifold(ori);
  // The type-I orientifold of largest tension has orthogonal Chan-Paton groups only.
  EXPECT_EQ(symplectic, 0);
  EXPECT_TRUE(getGlobalAnomalyEquations(ori).empty());
  // Every equation row has one coefficient per boundary, each 0 or 1.
  for (const std::vector<int>& e : getGlobalAnomalyEquations(ori)) {
    ASSERT_EQ(e.size(), 4u);
    for (int v : e) EXPECT_TRUE(v == 0 || v == 1);
  }
  ChanPatonData cpd;
  cpd.orientifold = ori;
  cpd.stacks = 1;
  cpd.stackLabel = {0};
  cpd.stackMultiplicity = {3};
  EXPECT_EQ(CheckGlobalAnomalies(&cpd), 1);
  // No orientifold: nothing to check.
  ChanPatonData none;
  EXPECT_EQ(CheckGlobalAnomalies(&none), 1);
}

TEST_F(IntersectionAnomalyTest, LoadOnceTwiceLoadsOnceAndStaleMarkReloadsNothingCurrent) {
  ASSERT_NE(loadD8(), nullptr);
  const int before = getGlobalAnomalyLoadCount();
  loadGlobalAnomalies(1);
  const int once = getGlobalAnomalyLoadCount();
  EXPECT_GT(once, before);
  loadGlobalAnomalies(1);
  EXPECT_EQ(getGlobalAnomalyLoadCount(), once);
  // Mode 2 then mode 1: the records' stamps are current, so nothing is rebuilt.
  loadGlobalAnomalies(2);
  loadGlobalAnomalies(1);
  EXPECT_EQ(getGlobalAnomalyLoadCount(), once);
  // Any other mode reloads every record.
  loadGlobalAnomalies(0);
  EXPECT_EQ(getGlobalAnomalyLoadCount(), once + (once - before));
}

TEST_F(IntersectionAnomalyTest, CorrectionFoldsNothingForRealBranesAndClearsSymplecticOnes) {
  OrientifoldInfo* ori = loadD8();
  ASSERT_NE(ori, nullptr);
  std::vector<int> row = {1, 1, 1, 1};
  CorrectGlobalAnomaly(ori, &row);
  for (int b = 0; b < 4; ++b)
    EXPECT_EQ(row[static_cast<std::size_t>(b)], orientifoldGroupType(ori, b) == -1 ? 0 : 1) << b;
  // The local row of a probe: X(a, b) has chirality 0 everywhere here, so the row is zero.
  std::vector<int> local;
  getLocalAnomalyMod2(ori, 1, &local);
  EXPECT_EQ(local, (std::vector<int>{0, 0, 0, 0}));
}

TEST_F(IntersectionAnomalyTest, RealBranesWithoutChiralityCancelEveryLocalAnomaly) {
  OrientifoldInfo* ori = loadD8();
  ASSERT_NE(ori, nullptr);
  // Every brane is its own image (no Moebius difference) and meets every other without
  // chirality, so A(b) = 0 for every probe, with or without stacks.
  ChanPatonData cpd;
  cpd.orientifold = ori;
  EXPECT_EQ(CheckLocalAnomalies(&cpd), 1);
  cpd.stacks = 2;
  cpd.stackLabel = {0, 2};
  cpd.stackType = {1, 1};
  cpd.stackMultiplicity = {3, 5};
  EXPECT_EQ(CheckLocalAnomalies(&cpd), 1);
  EXPECT_EQ(cpd.stacks, 2);
  EXPECT_EQ(capture.stdoutText.find("Local anomaly not cancelled"), std::string::npos);
  // Folding over unitary pairs changes nothing where there are none.
  std::vector<int> row = {1, 2, 3, 4};
  CorrectLocalAnomaly(ori, &row);
  EXPECT_EQ(row, (std::vector<int>{1, 2, 3, 4}));
  ChanPatonData none;
  EXPECT_EQ(CheckLocalAnomalies(&none), 1);
}

}  // namespace
