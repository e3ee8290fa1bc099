// Standard-model multiplets, particle codes and the anomaly checks.
#include <array>

#include "TestSupport.h"
#include "search/Catalogue.h"
#include "search/SearchSM.h"

namespace {

class CatalogueMultipletsTest : public ZoqTest {
 protected:
  void SetUp() override {
    ZoqTest::SetUp();
    initializeStandardModelStruct(&model);
    // U(3) x U(2) x U(1) x U(1), Y = Q_a / 6: norm 6, y_a = 1.
    model.multiplicities[0] = 3, model.multiplicities[1] = 2;
    model.multiplicities[2] = 1, model.multiplicities[3] = 1;
    model.Ynorm = 6;
    model.Y[0] = 1;
    model.cMultiplicities[0] = 1;
    model.dMultiplicities[0] = 1;
  }
  StandardModel model;
};

// Row 0-2 of a multiplet as (SU(3), SU(2), hypercharge in sixths).
std::array<int, 3> kinds(const int* row) {
  return {row[0], row[1], row[2]};
}

TEST_F(CatalogueMultipletsTest, QuarkDoubletsFromGammaOfAB) {
  int row[kMultipletSize];
  EXPECT_EQ(SM_multiplet(model, 0, 3, 1, 0, 0, row), 3);
  EXPECT_EQ(kinds(row), (std::array<int, 3>{1, 1, 1}));
  EXPECT_EQ(row[5], 1);
  EXPECT_EQ(row[6], 1);
  EXPECT_EQ(row[7], 0);
  EXPECT_EQ(row[8], 0);
  EXPECT_EQ(row[13], 1);  // y_a + y_b in units of 1/norm
  EXPECT_EQ(row[14], 6);
  // Delta: (V, V*), the b charge turns sign.
  EXPECT_EQ(SM_multiplet(model, 0, -2, -1, 0, 0, row), 2);
  EXPECT_EQ(row[0], -1);
  EXPECT_EQ(row[5], -1);
  EXPECT_EQ(row[6], 1);
  EXPECT_EQ(row[2], -1);
}

TEST_F(CatalogueMultipletsTest, ZeroCountGivesNoRow) {
  int row[kMultipletSize];
  for (int& entry : row) entry = 77;
  EXPECT_EQ(SM_multiplet(model, 1, 0, 1, 0, 0, row), 0);
  EXPECT_EQ(SM_tensor(model, 2, 0, -1, 0, row), 0);
  for (int entry : row) EXPECT_EQ(entry, 77);
}

TEST_F(CatalogueMultipletsTest, HyperchargeInSixthsIsExactOrMarked) {
  EXPECT_EQ(renormalizeY(6, 5), 5);
  EXPECT_EQ(renormalizeY(12, 2), 1);
  EXPECT_EQ(renormalizeY(12, 1), -99999);
  EXPECT_EQ(renormalizeY(18, -9), -3);
  EXPECT_TRUE(silent());  // multiples of 6 never raise the norm alert
  EXPECT_EQ(renormalizeY(8, 4), 3);
  EXPECT_TRUE(alerted("Norm not divisible by 6"));
  EXPECT_EQ(renormalizeY(3, 1), 2);  // small norms too: 6 * 1 / 3
  EXPECT_EQ(renormalizeY(0, 1), -99999);
  model.Ynorm = 12;
  int row[kMultipletSize];
  EXPECT_EQ(SM_multiplet(model, 0, 3, 1, 0, 0, row), 3);
  EXPECT_EQ(row[2], -99999);  // y = 1/12 is no whole sixth
}

TEST_F(CatalogueMultipletsTest, TensorsOfASplitStackHaveTheRightDimensions) {
  // c = U(3) split into blocks of 2 and 1: rank-two tensors decompose as 3 = 1 + 2 + 0
  // (antisymmetric) and 6 = 3 + 2 + 1 (symmetric).
  model.multiplicities[2] = 3;
  model.cMultiplicities[0] = 2;
  model.cMultiplicities[1] = 1;
  int row[kMultipletSize];
  const int anti[3] = {1, 2, 0};
  const int sym[3] = {3, 2, 1};
  for (int block = 0; block < 3; ++block) {
    EXPECT_EQ(SM_tensor(model, 2, 1, -1, block, row), anti[block]) << block;
    EXPECT_EQ(SM_tensor(model, 2, 1, 1, block, row), sym[block]) << block;
  }
  EXPECT_EQ(row[7], 2);   // U(1)_c charge 2
  EXPECT_EQ(row[10], 2);  // both indices in the second block
  // A tensor of stack a is an antitriplet of charge 2 under U(1)_a; a symmetric one is
  // reported but still written.
  EXPECT_EQ(SM_tensor(model, 0, 3, -1, 0, row), 3);
  EXPECT_EQ(row[0], -1);
  EXPECT_EQ(row[5], 2);
  EXPECT_EQ(row[2], 2);
  EXPECT_TRUE(silent());
  EXPECT_EQ(SM_tensor(model, 0, 1, 1, 0, row), 1);
  EXPECT_TRUE(alerted("Unexpected symmetric SU(3) tensor"));
}

TEST_F(CatalogueMultipletsTest, ParticleCodesAndNames) {
  OrderedMultiplets ordered;
  const int cases[5][3] = {{1, 1, 1}, {0, 1, -3}, {0, 0, -6}, {-1, 0, 2}, {0, 0, 5}};
  for (const auto& c : cases) {
    int row[kMultipletSize] = {c[0], c[1], c[2]};
    addToOrderedSpectrum(&ordered, row, 3);
  }
  ASSERT_EQ(ordered.rows.size(), 5u);
  EXPECT_EQ(ordered.rows[0][19], 1);
  EXPECT_EQ(ParticleType(ordered.rows[0].data()), "Q");
  EXPECT_EQ(ordered.rows[1][19], 4);
  EXPECT_EQ(ParticleType(ordered.rows[1].data()), "L");
  EXPECT_EQ(ordered.rows[2][19], -5);
  EXPECT_EQ(ParticleType(ordered.rows[2].data()), "e");
  EXPECT_EQ(ParticleType(ordered.rows[3].data()), "d*");
  EXPECT_EQ(ParticleType(ordered.rows[4].data()), "??");  // matches no listed combination
  EXPECT_EQ(ordered.rows[4][20], 3);
  EXPECT_EQ(particleName(-6), "Hu");
  EXPECT_EQ(particleName(7), "Ex");
  EXPECT_EQ(particleName(0), "n");
}

TEST_F(CatalogueMultipletsTest, BaryonAndLeptonNumbers) {
  // Q and u*, d* carry baryon number 1/3 and -1/3 (in units of 1/3).
  EXPECT_EQ(BaryonNumber(1), 1);
  EXPECT_EQ(BaryonNumber(-1), -1);
  EXPECT_EQ(BaryonNumber(2), -1);
  EXPECT_EQ(BaryonNumber(-3), 1);
  EXPECT_EQ(BaryonNumber(4), 0);
  EXPECT_EQ(LeptonNumber(4), 1);
  EXPECT_EQ(LeptonNumber(5), -1);
  EXPECT_EQ(LeptonNumber(-5), 1);
  EXPECT_EQ(LeptonNumber(1), 0);
  EXPECT_EQ(LeptonNumber(6), 0);
  const int v[4] = {1, 2, 3, 4};
  const int w[4] = {1, -1, 1, -1};
  EXPECT_EQ(dp(v, w), -2);
}

TEST_F(CatalogueMultipletsTest, OnlyMatchingRowsJoinTheOrderedSpectrum) {
  CountedMultiplets counted;
  int row[kMultipletSize] = {};
  SM_multiplet(model, 0, 3, 1, 0, 0, row);
  counted.add(row, 2);
  counted.add(row, 1);  // the same row counts up
  int lepton[kMultipletSize] = {0, 1, -3};
  counted.add(lepton, 3);
  ASSERT_EQ(counted.rows.size(), 2u);
  EXPECT_EQ(counted.copies[0], 3);
  OrderedMultiplets ordered;
  addParticleTypeToOrderedCollection(counted, &ordered, 0, 1, -3);
  ASSERT_EQ(ordered.rows.size(), 1u);
  EXPECT_EQ(ordered.rows[0][19], 4);
  EXPECT_EQ(ordered.rows[0][20], 3);
}

TEST_F(CatalogueMultipletsTest, ExtraU1AnomalyChecks) {
  OrderedMultiplets ordered;
  checkExtraAnomalies(model, ordered);
  EXPECT_EQ(capture.printed, "No extra massless U(1) gauge fields\n");
  capture.clear();
  model.extraMasslessU1 = 1;
  model.extraU1[2] = 1;
  model.extraU1[3] = -1;                // Q_c - Q_d
  checkExtraAnomalies(model, ordered);  // an empty spectrum passes
  EXPECT_EQ(capture.printed.find("Extra massless U(1); All cubic anomalies and traces checked\n"),
            0u);
  capture.clear();
  // A right-handed electron of charge 1 under U(1)_c: trace 1 under Q_c - Q_d.
  int row[kOrderedMultipletSize] = {0, 0, -6};
  row[7] = 1;
  row[20] = 1;
  ordered.add(row);
  checkExtraAnomalies(model, ordered);
  EXPECT_TRUE(alerted("Extra U(1) not anomaly free or traceless"));
  // A singlet of hypercharge +1 and charge 1 under U(1)_d has Q = -1: the trace, the cubic
  // and the mixed Y Q^2 sums cancel.
  int partner[kOrderedMultipletSize] = {0, 0, 6};
  partner[8] = 1;
  partner[20] = 1;
  ordered.add(partner);
  capture.clear();
  checkExtraAnomalies(model, ordered);
  EXPECT_NE(capture.printed.find("Extra massless U(1); All cubic anomalies and traces checked\n"),
            std::string::npos);
}

TEST_F(CatalogueMultipletsTest, AnomalyCheckCountsExtraU1s) {
  CountedMultiplets counted;
  anomalyEquations(model, counted);
  EXPECT_NE(capture.printed.find("Standard Model Sector Anomaly Check"), std::string::npos);
  EXPECT_NE(capture.printed.find("No extra massless U(1)'s\n"), std::string::npos);
  EXPECT_TRUE(silent());
  // Y on a real stack is reported.
  model.groupTypes[3] = 1;
  model.Y[3] = 3;
  anomalyEquations(model, counted);
  EXPECT_TRUE(alerted("Y has U(1) component for real brane 3"));
}

}  // namespace
