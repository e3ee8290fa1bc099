// Brane identity and equivalences, universality, and the charge-assignment routines.
#include <array>

#include "TestSupport.h"
#include "search/Catalogue.h"
#include "search/ModelAnalysis.h"
#include "search/SearchSM.h"

namespace {

class CatalogueIdentityTest : public ZoqTest {
 protected:
  void SetUp() override {
    ZoqTest::SetUp();
    initializeStandardModelStruct(&model);
    model.multiplicities[0] = 3, model.multiplicities[1] = 2;
    model.multiplicities[2] = 1, model.multiplicities[3] = 1;
    model.Ynorm = 6;
    model.Y[0] = 1;
    model.cMultiplicities[0] = 1;
    model.dMultiplicities[0] = 1;
  }
  StandardModel model;
};

TEST_F(CatalogueIdentityTest, IdentityFromPairCodes) {
  const int abcd[6] = {1, 0, 0, 0, 0, 1};  // b = a, d = c
  EXPECT_EQ(getBraneIdentity(abcd, 4), "aacc");
  EXPECT_EQ(getBraneIdentity(abcd, 3), "aac ");
  const int bcbd[6] = {0, 0, 0, 1, 1, 0};  // c = b, d = b
  EXPECT_EQ(getBraneIdentity(bcbd, 4), "abbb");
  const int chain[6] = {1, 0, 0, 1, 0, 1};  // b = a, c = b, d = c: all one brane
  EXPECT_EQ(getBraneIdentity(chain, 4), "aaaa");
  const int none[6] = {};
  EXPECT_EQ(getBraneIdentity(none, 4), "abcd");
  EXPECT_TRUE(silent());
  const int conjugate[6] = {0, -1, 0, 0, 0, 0};
  EXPECT_EQ(getBraneIdentity(conjugate, 4), "");
  EXPECT_TRUE(alerted("Unexpected conjugate brane identification"));
}

TEST_F(CatalogueIdentityTest, PrintedIdentityIsOneLineAndKeptInTheRecord) {
  // c and d meet a and b alike, so they are equivalent; the pair codes say b = a, d = c.
  model.Gamma[1] = model.Gamma[2] = 2;
  model.Delta[3] = model.Delta[4] = -3;
  model.Gamma[0] = 3;
  model.pairIdentification[0] = 1;
  model.pairIdentification[5] = 1;
  EXPECT_EQ(PrintBraneIdentity(&model, 4), "aacc");
  // Two letters repeat (b is a, d is c); the identity is still stated once.
  EXPECT_EQ(capture.printed, "Brane equivalence: abcc\nBrane identity:   aacc\n");
  EXPECT_STREQ(model.equivalence, "abcc");
  EXPECT_STREQ(model.identity, "aacc");
  capture.clear();
  model.pairIdentification[0] = model.pairIdentification[5] = 0;
  PrintBraneIdentity(&model, 4);
  EXPECT_EQ(capture.printed, "Brane equivalence: abcc\nAll branes are distinct\n");
}

TEST_F(CatalogueIdentityTest, EquivalenceNeedsEqualIntersectionsWithEveryOtherStack) {
  int groups[4] = {0, 0, 0, 0};
  int anti[4] = {}, sym[4] = {};
  int Gamma[6] = {3, 2, 2, 0, 0, 0};
  int Delta[6] = {0, 0, 0, -3, -3, 0};
  EXPECT_EQ(CheckBraneEquivalence(2, 3, groups, anti, sym, Gamma, Delta), 1);
  EXPECT_EQ(CheckBraneEquivalence(0, 1, groups, anti, sym, Gamma, Delta), 0);
  EXPECT_EQ(CheckBraneEquivalences(groups, anti, sym, Gamma, Delta, nullptr), "abcc");
  // Different tensors, a different group, or a chiral cd intersection break it.
  anti[3] = 1;
  EXPECT_EQ(CheckBraneEquivalence(2, 3, groups, anti, sym, Gamma, Delta), 0);
  anti[3] = 0;
  groups[3] = 1;
  EXPECT_EQ(CheckBraneEquivalence(2, 3, groups, anti, sym, Gamma, Delta), 0);
  groups[3] = 0;
  Gamma[5] = 1;
  EXPECT_EQ(CheckBraneEquivalence(2, 3, groups, anti, sym, Gamma, Delta), 0);
  Gamma[5] = 0;
  // Delta of a pair is antisymmetric: for the stack between i and j it turns sign.
  int G2[6] = {0, 0, 0, 0, 0, 0};
  int D2[6] = {4, 0, 0, -4, 0, 0};  // I(a,b) = 4, I(b,c) = -4: b sees a and c alike
  EXPECT_EQ(CheckBraneEquivalence(0, 2, groups, anti, sym, G2, D2), 1);
}

TEST_F(CatalogueIdentityTest, SelfConjugateAndThreeStackFlags) {
  int groups[4] = {0, 0, 0, -2};
  int anti[4] = {}, sym[4] = {};
  int Gamma[6] = {3, 1, 0, 0, 0, 0};
  int Delta[6] = {0, 1, 0, 0, 0, 0};
  int flags[4] = {7, 7, 7, 7};
  EXPECT_EQ(CheckBraneEquivalences(groups, anti, sym, Gamma, Delta, flags).substr(3), " ");
  EXPECT_EQ(flags[3], 0);
  // b: Gamma(ab) = 3 but Delta(ab) = 0, so conjugation changes it; c: Gamma = Delta with a.
  EXPECT_EQ(flags[1], 0);
  EXPECT_EQ(flags[2], 1);
  groups[0] = 1;
  EXPECT_EQ(CheckSelfConjugateBranes(0, groups, anti, sym, Gamma, Delta), 1);  // real brane
  groups[0] = 0;
  anti[2] = 1;
  EXPECT_EQ(CheckSelfConjugateBranes(2, groups, anti, sym, Gamma, Delta), 0);
}

TEST_F(CatalogueIdentityTest, PseudoOrientabilityNeverHolds) {
  int groups[4] = {}, anti[4] = {}, sym[4] = {}, Gamma[6] = {}, Delta[6] = {};
  for (int n : {3, 4})
    EXPECT_EQ(CheckPseudoOrientability(groups, anti, sym, Gamma, Delta, n), 0) << n;
  for (int& s : sym) s = 1;
  for (int n : {3, 4})
    EXPECT_EQ(CheckPseudoOrientability(groups, anti, sym, Gamma, Delta, n), 0) << n;
  int G[6] = {1, 1, 0, 1, 0, 1}, D[6] = {};
  EXPECT_EQ(CheckSemiDetachedDBrane(G, D, 4), 1);  // d meets c only
  EXPECT_EQ(CheckSemiDetachedDBrane(G, D, 3), 0);
  D[4] = 1;
  EXPECT_EQ(CheckSemiDetachedDBrane(G, D, 4), 0);
}

TEST_F(CatalogueIdentityTest, UniversalityOfQuarkDoublets) {
  // Three doublets from Gamma(a,b) = 3: one row of three copies.
  model.Gamma[0] = 3;
  computeOrderedStandardModelSpectrum(&model);
  computeStandardModelUniversality(&model);
  EXPECT_EQ(model.universality[1], 1);
  EXPECT_EQ(model.universality[4], 0);  // no lepton doublets
  const OrderedMultiplets* ordered = getOrderedSpectrum(&model);
  ASSERT_NE(ordered, nullptr);
  ASSERT_FALSE(ordered->rows.empty());
  EXPECT_EQ(ordered->rows[0][19], 1);
  EXPECT_EQ(ordered->rows[0][20], 3);
  // Two from Gamma and one from Delta (y_b = 0, so both have Y = 1/6): two rows.
  model.Gamma[0] = 2;
  model.Delta[0] = 1;
  computeOrderedStandardModelSpectrum(&model);
  computeStandardModelUniversality(&model);
  EXPECT_EQ(model.universality[1], 2);
  model.Gamma[0] = 1;
  computeOrderedStandardModelSpectrum(&model);
  computeStandardModelUniversality(&model);
  EXPECT_EQ(model.universality[1], 0);  // two doublets are not three families
}

TEST_F(CatalogueIdentityTest, HiggsRowsOfBCAndBD) {
  computeOrderedStandardModelSpectrum(&model);
  const OrderedMultiplets* ordered = getOrderedSpectrum(&model);
  ASSERT_NE(ordered, nullptr);
  // With y_b = y_c = y_d = 0 every (2, 1) of bc and bd has hypercharge 0: exotic code 7.
  int exotics = 0;
  for (const auto& row : ordered->rows) exotics += row[19] == 7 ? 1 : 0;
  EXPECT_GT(exotics, 0);
  // y_b = -3 (in units of 1/norm = 1/6): the doublets of bc with c charge 0 have Y = -1/2.
  model.Y[1] = -3;
  computeOrderedStandardModelSpectrum(&model);
  bool down = false;
  for (const auto& row : getOrderedSpectrum(&model)->rows) down = down || row[19] == 6;
  EXPECT_TRUE(down);
}

TEST_F(CatalogueIdentityTest, IdentityOfTheRecordBlanksAMissingD) {
  model.pairIdentification[0] = 1;
  model.multiplicities[3] = 0;
  computeStandardModelBraneIdentity(&model);
  EXPECT_EQ(std::string(model.identity), "aac ");
  EXPECT_EQ(model.equivalence[3], ' ');
}

// --- Charge assignment --------------------------------------------------------------------

TEST_F(CatalogueIdentityTest, DiagonalGeneratorsInStandardForm) {
  int e[3] = {0, 2, -1}, q[3] = {0, 3, 0}, m[3] = {0, 1, 2};
  StandardDiagonalForm(e, q, m);  // the empty piece goes last, larger eigenvalue first
  EXPECT_EQ((std::array<int, 3>{e[0], e[1], e[2]}), (std::array<int, 3>{2, -1, 0}));
  EXPECT_EQ((std::array<int, 3>{m[0], m[1], m[2]}), (std::array<int, 3>{1, 2, 0}));
  int e3[3] = {-2, 4, -1}, q3[3] = {0, 6, 1}, m3[3] = {1, 1, 2};
  StandardDiagonalForm(e3, q3, m3);  // the charge-0 piece is rotated to the end
  EXPECT_EQ((std::array<int, 3>{q3[0], q3[1], q3[2]}), (std::array<int, 3>{6, 1, 0}));
  EXPECT_EQ((std::array<int, 3>{e3[0], e3[1], e3[2]}), (std::array<int, 3>{4, -1, -2}));
  int e1[3] = {0, 0, 0}, q1[3] = {0, 5, 0}, m1[3] = {0, 3, 0};
  StandardDiagonalForm(e1, q1, m1);
  EXPECT_EQ((std::array<int, 3>{q1[0], q1[1], q1[2]}), (std::array<int, 3>{5, 5, 5}));
  EXPECT_EQ((std::array<int, 3>{m1[0], m1[1], m1[2]}), (std::array<int, 3>{3, 0, 0}));
  EXPECT_TRUE(silent());
  int e0[3] = {}, q0[3] = {}, m0[3] = {};
  StandardDiagonalForm(e0, q0, m0);
  EXPECT_TRUE(alerted("No eigenvalues"));
}

TEST_F(CatalogueIdentityTest, QuantizationOfTheLastBrane) {
  int d[4];
  const int coupled[4] = {3, -3, -999, -999};
  EXPECT_EQ(getLastBraneQuantization(coupled, d), 1);
  EXPECT_EQ(d[0], 3);
  const int sixes[4] = {6, -6, -999, -999};
  EXPECT_EQ(getLastBraneQuantization(sixes, d), 0);
  EXPECT_EQ((std::array<int, 3>{d[0], d[1], d[2]}), (std::array<int, 3>{6, -6, -999}));
  const int zero[4] = {0, -999, -999, -999};
  EXPECT_EQ(getLastBraneQuantization(zero, d), 0);
  EXPECT_EQ(d[1], -6);
  // An inconsistent list skips the pattern with a warning; the program goes on.
  const int odd[4] = {2, -999, -999, -999};
  EXPECT_EQ(getLastBraneQuantization(odd, d), -1);
  EXPECT_NE(capture.printed.find("############ CHARGE PROBLEM ###############\nQ (2)\n"),
            std::string::npos);
  EXPECT_TRUE(alerted("this pattern is skipped"));
  const int pair[4] = {4, -2, -999, -999};
  EXPECT_EQ(getLastBraneQuantization(pair, d), -1);
}

TEST_F(CatalogueIdentityTest, HyperchargeOptionsOfAPattern) {
  SM.Gamma[0] = 2;
  SM.Delta[0] = 1;
  EXPECT_EQ(hyperchargeOptions(), (std::vector<std::array<int, 2>>{{1, 0}}));
  SM.Delta[0] = 0;
  SM.antisymmetricTensors[0] = 3;
  EXPECT_EQ(hyperchargeOptions(), (std::vector<std::array<int, 2>>{{1, 0}, {-2, 3}}));
  SM.antisymmetricTensors[0] = 0;
  SM.antisymmetricTensors[1] = 3;
  EXPECT_EQ(hyperchargeOptions(), (std::vector<std::array<int, 2>>{{1, 0}, {-2, 3}, {4, -3}}));
  EXPECT_EQ(capture.printed,
            "The first two coefficients of Y are (1/6,0) or (-1/3,1/2) or (2/3,-1/2)\n");
}

TEST_F(CatalogueIdentityTest, FirstOfEquallyScoredMatchesIsSelected) {
  EXPECT_EQ(selectBestMatch({}), -1);
  EXPECT_EQ(selectBestMatch({3, 105, 105, 1}), 1);
  EXPECT_EQ(selectBestMatch({7, 7}), 0);
  EXPECT_EQ(selectBestMatch({1, 2, 1002}), 2);
}

TEST_F(CatalogueIdentityTest, VariantsOfAPattern) {
  std::array<int, 87> row{};
  row[4] = 3, row[5] = 2, row[6] = 1, row[7] = 1;
  row[16] = 3;
  row[28] = 1, row[32] = 6;
  row[35] = 1, row[39] = 1;
  const auto variants = BuildQuvrVariations(row.data());
  ASSERT_EQ(variants.size(), 8u);
  EXPECT_TRUE(std::equal(row.begin(), row.begin() + 66, variants[0].begin()));
  // Exchanging c and d twice, or conjugating twice, comes back to the row's profile.
  EXPECT_TRUE(std::equal(variants[0].begin(), variants[0].begin() + 41,
                         variants[4].begin()));  // c and d alike
}

}  // namespace
