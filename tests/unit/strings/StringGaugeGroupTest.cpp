// The gauge-group line of "browse heterotic": the extended space-time factor, the implicit
// E8, every tensor factor that no weight-one field of the gauge half touches, and the
// spin-1 currents left over. The currents of the gauge half are those of the vacuum module
// (the factors' own currents and the weight-one elements of the product's chiral algebra,
// the count of "browse Lie") and the ground states of the weight-one fields of the half's
// chiral algebra. Dimensions: A2 8, D5 45, D6 66, D8 120, E6 78, E7 133, E8 248.
#include "GepnerProductsTestSupport.h"
#include "StringGaugeGroupSupport.h"

namespace {

using gauge_group_test::GaugeGroupTest;

class StringGaugeGroupTest : public GaugeGroupTest {
 protected:
  // The ten-dimensional product D8 x A2 x E6 at level 1 (c = 8 + 2 + 6 = 16, so 26 - c is
  // the lattice's dimension 10 and no E8 is implicit) with its 24 simple-current invariants.
  void buildD8A2E6() {
    ASSERT_EQ(run("set super on"), 0);
    ASSERT_EQ(run("tensor"), 0);
    ASSERT_EQ(run("g d 8 1"), 0);
    ASSERT_EQ(run("g a 2 1"), 0);
    ASSERT_EQ(run("g e 6 1"), 0);
    ASSERT_EQ(run("compute spectrum"), 0);
    ASSERT_EQ(run("generate simple_current_invariants"), 0);
    capture.clear();
  }

  // The weight-one fields of a chiral algebra, by which factors they touch: a D8 spinor
  // alone (h = 1), or a triplet of A2 times a 27 of E6 (h = 1/3 + 2/3) with D8 untouched.
  struct Touches {
    bool spinor = false;
    bool a2e6 = false;
  };
  Touches touches(const std::vector<int>& algebra) {
    Touches t;
    TensorProduct* TP = currentTensor;
    for (int f : algebra) {
      if (f == 0 || weightOneDimension(f) == 0) continue;
      const int* row = TP->Spectrum.row(f);
      if (row[0] != 0 && row[1] == 0 && row[2] == 0) t.spinor = true;
      if (row[0] == 0 && row[1] != 0 && row[2] != 0) t.a2e6 = true;
    }
    return t;
  }
};

TEST_F(StringGaugeGroupTest, D8A2E6InvariantsZeroOneAndFiveNameTheFreeFactors) {
  buildD8A2E6();
  // Diagonal: nothing extends, every factor is free; 206 = 120 + 8 + 78.
  EXPECT_EQ(gaugeLineOf(0), "Gauge group: D8 x A2 x E6");
  EXPECT_EQ(sectorCurrents(leftAlgebra()), 206);
  // The spinor extension: D8 + 128 = E8; A2 and E6 untouched.
  EXPECT_EQ(gaugeLineOf(1), "Gauge group: E8 x A2 x E6");
  EXPECT_TRUE(touches(leftAlgebra()).spinor);
  EXPECT_EQ(sectorCurrents(leftAlgebra()), 206 + 128);
  // A2 x E6 extended by (0,1,1) and its conjugate: 8 + 78 + 2 x 3 x 27 = 248 currents
  // that are no longer those of A2 and E6.
  EXPECT_EQ(gaugeLineOf(5), "Gauge group: D8 x [Unidentified (dim=248)]");
  const Touches five = touches(leftAlgebra());
  EXPECT_FALSE(five.spinor);
  EXPECT_TRUE(five.a2e6);
  EXPECT_EQ(sectorCurrents(leftAlgebra()), 206 + 162);
  EXPECT_TRUE(silent());
}

TEST_F(StringGaugeGroupTest, EveryD8A2E6InvariantCountsItsCurrentsOnBothHalves) {
  buildD8A2E6();
  ASSERT_EQ(totalInvariants(), 24);
  int kinds[2][2] = {};
  for (int n = 0; n < 24; ++n) {
    SCOPED_TRACE(n);
    const std::string line = gaugeLineOf(n);
    // The line follows from the weight-one fields of the left chiral algebra.
    const Touches t = touches(leftAlgebra());
    std::string expected = t.spinor ? "Gauge group: E8" : "Gauge group: D8";
    expected += t.a2e6 ? " x [Unidentified (dim=248)]" : " x A2 x E6";
    EXPECT_EQ(line, expected);
    ++kinds[t.spinor][t.a2e6];
    EXPECT_EQ(namedPlusRest(line), sectorCurrents(leftAlgebra()));
    // The flipped reading takes the right chiral algebra (the fields paired with the left
    // vacuum).
    const std::string flipped = gaugeLine("browse heterotic flipped");
    EXPECT_EQ(namedPlusRest(flipped), sectorCurrents(rightAlgebra())) << flipped;
  }
  // Each of the four kinds of line occurs.
  EXPECT_GT(kinds[0][0] * kinds[0][1] * kinds[1][0] * kinds[1][1], 0);
  EXPECT_TRUE(silent());
}

TEST_F(StringGaugeGroupTest, EveryQuinticInvariantHasE6E8AndFourVectors) {
  ASSERT_EQ(run("build cy 33333"), 0);
  ASSERT_EQ(totalInvariants(), 8);
  // browse Lie: D5 (45) + the five U(1) currents + the spectral flow 16 + 16bar = 82;
  // E6 = 45 + 32 + one combination of the U(1)s, E8 is implicit, 4 are left.
  ASSERT_EQ(SpinOneCount(currentTensor), 82);
  for (int n = 0; n < 8; ++n) {
    SCOPED_TRACE(n);
    const std::string line = gaugeLineOf(n);
    EXPECT_EQ(line, "Gauge group: E6 x E8 x [Unidentified (dim=4)]");
    // No invariant of the quintic adds a current to the left half.
    EXPECT_EQ(sectorCurrents(leftAlgebra()), 82);
    EXPECT_EQ(namedPlusRest(line), 82);
  }
  capture.clear();
}

TEST_F(StringGaugeGroupTest, TheK3ModelFourFourFourHasE7E8AndTwoVectors) {
  // The D6 lattice graded by its vector, times three N = 2 minimal models at level 4
  // (c = 3 x 2 = 6), extended by the spectral flow.
  ASSERT_NO_FATAL_FAILURE(gepner_products_test::buildOnTheD6Lattice({4, 4, 4}, true));
  // 135 = 66 + 3 U(1) + 2 x 32 spinor currents + the two charge-2 flows of the SU(2) in
  // E7 > D6 x A1 (133 = 66 + 64 + 3).
  ASSERT_EQ(SpinOneCount(currentTensor), 135);
  capture.clear();
  const std::string line = gaugeLine("browse heterotic");
  EXPECT_EQ(line, "Gauge group: E7 x E8 x [Unidentified (dim=2)]");
  EXPECT_EQ(namedPlusRest(line), 135);
}

TEST_F(StringGaugeGroupTest, AFreeFactorTheLineCannotNameStaysInTheRest) {
  // D8 x E6 x the N = 2 minimal model at level 4 (c = 8 + 6 + 2 = 16), diagonal: nothing
  // touches E6 or the minimal model; the minimal model's one U(1) current is no named
  // algebra and stays unidentified: 120 + 78 + 1 = 199.
  ASSERT_EQ(run("set super on"), 0);
  ASSERT_EQ(run("tensor"), 0);
  ASSERT_EQ(run("g d 8 1"), 0);
  ASSERT_EQ(run("g e 6 1"), 0);
  ASSERT_EQ(run("g minimal 2 4"), 0);
  ASSERT_EQ(run("compute spectrum"), 0);
  ASSERT_EQ(SpinOneCount(currentTensor), 199);
  capture.clear();
  const std::string line = gaugeLine("browse heterotic");
  EXPECT_EQ(line, "Gauge group: D8 x E6 x [Unidentified (dim=1)]");
  EXPECT_EQ(namedPlusRest(line), 199);
  EXPECT_TRUE(silent());
}

TEST_F(StringGaugeGroupTest, ACosetNamesNoFactorAndCountsNothing) {
  // D8 times the coset A1 level 1 / A1 level 1 (c = 8 + 0, so E8 is implicit): the
  // denominator takes the numerator's currents away, so neither A1 is a gauge factor, and
  // a coset has no spin-1 count; no alert either.
  ASSERT_EQ(run("set super on"), 0);
  ASSERT_EQ(run("tensor"), 0);
  ASSERT_EQ(run("g d 8 1"), 0);
  ASSERT_EQ(run("g a 1 1"), 0);
  ASSERT_EQ(run("h a 1 1"), 0);
  ASSERT_EQ(run("compute spectrum"), 0);
  capture.clear();
  EXPECT_EQ(gaugeLine("browse heterotic"), "Gauge group: D8 x E8");
  EXPECT_EQ(capture.diagnostics.find("Spin one multiplicity"), std::string::npos) << capture.diagnostics;
  EXPECT_EQ(capture.diagnostics.find("Negative number"), std::string::npos) << capture.diagnostics;
}

TEST(GaugeGroupText, NamedFactorsAndAMissingCount) {
  // The first factors the line names, with their adjoint dimensions; A2 and E5 it does
  // not name.
  EXPECT_EQ(namedGaugeFactorDimension(4, 8), 120);
  EXPECT_EQ(namedGaugeFactorDimension(2, 4), 36);
  EXPECT_EQ(namedGaugeFactorDimension(5, 4), 52);
  EXPECT_EQ(namedGaugeFactorDimension(5, 6), 78);
  EXPECT_EQ(namedGaugeFactorDimension(5, 7), 133);
  EXPECT_EQ(namedGaugeFactorDimension(5, 8), 248);
  EXPECT_EQ(namedGaugeFactorDimension(1, 2), 0);
  EXPECT_EQ(namedGaugeFactorDimension(5, 5), 0);
  // A free N = 2 minimal model (store type 27) is not named; its current stays in the rest.
  EXPECT_EQ(gaugeGroupText(4, 8, 0, {{27, 2, 1}, {1, 2, 8}}, 9),
            "\nGauge group: D8 x A2 x [Unidentified (dim=1)]\n");
  // Without a count (a coset) the named factors alone, and no alert for a negative rest.
  OutputCapture capture;
  EXPECT_EQ(gaugeGroupText(4, 8, 0, {{1, 2, 8}}, std::nullopt), "\nGauge group: D8 x A2\n");
  EXPECT_TRUE(capture.diagnostics.empty());
}

}  // namespace
