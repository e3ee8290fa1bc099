// Charge lists, the charge basis of model records, the conjugation variants, the spectrum
// code and the generator text.
#include <gtest/gtest.h>

#include <array>
#include <string>

#include "ModelAnalysisTestSupport.h"
#include "TestSupport.h"
#include "search/ModelAnalysis.h"
#include "search/SearchSM.h"

namespace {

using namespace model_test;

class ModelAnalysisChargesTest : public ZoqTest {};

TEST_F(ModelAnalysisChargesTest, ChargeListsIntersect) {
  int list[4] = {999, -999, -999, -999};
  const int first[3] = {4, -2, -999};
  addChargesToList(first, list);
  EXPECT_EQ(list[0], 4);
  EXPECT_EQ(list[1], -2);
  EXPECT_EQ(list[2], -999);
  const int second[3] = {-2, 0, -999};
  addChargesToList(second, list);
  EXPECT_EQ(list[0], -2);
  EXPECT_EQ(list[1], -999);
  const int third[2] = {5, -999};
  addChargesToList(third, list);
  EXPECT_EQ(list[0], -999);
}

TEST_F(ModelAnalysisChargesTest, ChargeListOfC) {
  const Stacks onlyGammaAC = {{3, 2, 1, 1}, {0, 0, 0, 0}, {3, -3, 0, 0, 0, 0}, {}, {}, {}};
  loadStacks(onlyGammaAC);
  int out[4] = {};
  // Gamma(a,c) with y_a = 1: 4 - 1 and -2 - 1, in decreasing order.
  ASSERT_EQ(GetChargeList(2, 1, 0, out), 1);
  EXPECT_EQ(out[0], 3);
  EXPECT_EQ(out[1], -3);
  EXPECT_EQ(out[2], -999);
  // Adding Gamma(b,c) with y_b = 0 (charges 3, -3) keeps both.
  SM.Gamma[3] = 1;
  ASSERT_EQ(GetChargeList(2, 1, 0, out), 1);
  EXPECT_EQ(out[0], 3);
  EXPECT_EQ(out[1], -3);
  // With y_a = 2 Gamma(a,c) allows 2, -4 and Delta(a,c) -2, 4: nothing is left.
  SM.Delta[1] = 1;
  EXPECT_EQ(GetChargeList(2, 2, 0, out), 0);
}

TEST_F(ModelAnalysisChargesTest, ChargeListUnrestrictedIsReported) {
  const Stacks none = {{3, 2, 1, 1}, {0, 0, 0, 0}, {3, 0, 0, 0, 0, 0}, {}, {}, {}};
  loadStacks(none);
  int out[4] = {};
  EXPECT_EQ(GetChargeList(3, 1, 0, out), 1);
  EXPECT_EQ(out[0], 999);
  EXPECT_NE(capture.diagnostics.find("brane d charges not determined"), std::string::npos);
}

TEST_F(ModelAnalysisChargesTest, EigenvaluesToCharges) {
  const int e[2] = {1, -1}, m[2] = {1, 1};
  bool exact = false;
  const std::array<int, 6> g = EigenvaluesToCharges(e, m, 5, 2, &exact);
  EXPECT_TRUE(exact);
  EXPECT_EQ(g, (std::array<int, 6>{6, 4, 0, 1, 1, 0}));
  // A third piece takes the trace: e = (2, -1), m = (1, 1) on U(3) leaves e_2 = -1.
  const int e3[2] = {2, -1};
  const std::array<int, 6> h = EigenvaluesToCharges(e3, m, 0, 3, &exact);
  EXPECT_TRUE(exact);
  EXPECT_EQ(h, (std::array<int, 6>{2, -1, -1, 1, 1, 1}));
}

TEST_F(ModelAnalysisChargesTest, InexactConversionFails) {
  // e = (1, 0), m = (1, 1) on U(4): the trace 1 does not split over the two other members.
  const int e[2] = {1, 0}, m[2] = {1, 1};
  bool exact = true;
  EigenvaluesToCharges(e, m, 0, 4, &exact);
  EXPECT_FALSE(exact);
  EXPECT_NE(capture.diagnostics.find("Non-integer eigenvalue; Normalization problem?"), std::string::npos);
  // No third member: the trace must vanish.
  EigenvaluesToCharges(e, m, 0, 2, &exact);
  EXPECT_FALSE(exact);
  // A record whose Y coefficient of a is not a multiple of norm/6 is not converted.
  int record[87] = {};
  record[6] = 1;
  record[32] = 12;
  record[28] = 1;
  int out[80];
  EXPECT_EQ(ConvertSpectrumVector(out, record), 0);
}

TEST_F(ModelAnalysisChargesTest, ChargeBasisRoundTrip) {
  loadStacks(kMadrid);
  setCharges(12, 2, 0, -6, 6);
  const ModelRow r = copyStandardModelToModelsFormat(SM);
  int basis[80];
  ASSERT_EQ(ConvertSpectrumVector(basis, r.data()), 1);
  EXPECT_EQ(basis[28], 1);   // 6 y_a / norm
  EXPECT_EQ(basis[29], 0);
  EXPECT_EQ(basis[33], 1);   // c: one member of charge -1/2
  EXPECT_EQ(basis[36], 1);   // d: one member of charge +1/2
  EXPECT_EQ(basis[30] + basis[31] + basis[32] + basis[34], 0);
  int back[80];
  ConvertChargeBasisVector(back, basis);
  EXPECT_EQ(back[32], 12);  // lcm(12, N_c, N_d)
  EXPECT_EQ(back[28], 2);
  EXPECT_EQ(back[30], -6);
  EXPECT_EQ(back[31], 6);
  EXPECT_EQ(back[56], -999);
  // Converting again gives the same charge basis.
  int again[80];
  ASSERT_EQ(ConvertSpectrumVector(again, back), 1);
  for (int k = 0; k < 40; ++k) EXPECT_EQ(again[k], basis[k]) << k;
}

TEST_F(ModelAnalysisChargesTest, SpectrumClassAndIdentityCode) {
  int record[87] = {};
  record[32] = 6;
  record[28] = 1;
  EXPECT_EQ(getSpectrumClass(record), 1);
  record[29] = 3;
  EXPECT_EQ(getSpectrumClass(record), -1);
  record[28] = -2;
  EXPECT_EQ(getSpectrumClass(record), 0);
  record[28] = 4;
  EXPECT_EQ(getSpectrumClass(record), 2);
  record[7] = 1;
  EXPECT_EQ(computeIDcode(record, 1), "abcd");
  record[41] = 1;  // b = a
  record[45] = 1;  // d = b
  EXPECT_EQ(computeIDcode(record, 1), "aaca");
  record[7] = 0;
  EXPECT_EQ(computeIDcode(record, 1), "aacc");
  EXPECT_EQ(computeIDcode(record, 0), "aac ");
}

// ---------------------------------------------------------------------------------------
// Variants and the spectrum code

TEST_F(ModelAnalysisChargesTest, SpectrumCode) {
  loadStacks(kMadrid);
  EXPECT_EQ(spectrumCode(1, 17), "U3U2U1U1_VVVV_0_17");
  // b identical with a: a carries N_a + N_b, b is dropped.
  SM.pairIdentification[0] = 1;
  EXPECT_EQ(spectrumCode(1, 17), "U5U1U1_VVV_0_17");
  // b the image of a: dropped without adding its multiplicity.
  SM.pairIdentification[0] = -1;
  EXPECT_EQ(spectrumCode(0, 3), "U3U1U1_VVV_1_3");
  // Tensors and group letters.
  loadStacks(kMadrid);
  SM.groupTypes[1] = -1;
  SM.groupTypes[3] = 1;
  SM.antisymmetricTensors[0] = 1;
  SM.symmetricTensors[2] = 2;
  SM.antisymmetricTensors[2] = 1;
  EXPECT_EQ(spectrumCode(1, 1), "U3S2U1O1_AVTV_0_1");
  // Three stacks.
  loadStacks(kThreeStacks);
  EXPECT_EQ(spectrumCode(1, 2), "U3U2U1_VVS_0_2");
}

TEST_F(ModelAnalysisChargesTest, VariantsDivideCommonFactor) {
  loadStacks(kMadrid);
  setCharges(12, 2, 0, -6, 6);
  int c[48] = {};
  Conjugate_c(SM, c);
  EXPECT_EQ(c[32], 6);   // norm / 2
  EXPECT_EQ(c[28], 1);   // y_a / 2
  EXPECT_EQ(c[30], 3);   // -y_c / 2
  EXPECT_EQ(c[31], 3);
  EXPECT_EQ(c[17], -3);  // Gamma(a,c) and Delta(a,c) exchanged (both -3)
  EXPECT_EQ(c[21], 3);   // Gamma(c,d) = -Delta(c,d) for a unitary d
  EXPECT_EQ(c[27], 3);   // Delta(c,d) = -Gamma(c,d)
  int d[48] = {};
  Conjugate_d(SM, d);
  EXPECT_EQ(d[31], -3);
  EXPECT_EQ(d[20], 0);   // Gamma(b,d) <-> Delta(b,d) for a unitary b
  EXPECT_EQ(d[26], -3);
  int x[48] = {};
  x[41] = 9;  // the caller's pair codes stay
  Interchange_cd(SM, x);
  EXPECT_EQ(x[30], 3);   // y_d / 2 in the place of c
  EXPECT_EQ(x[31], -3);
  EXPECT_EQ(x[17], 0);   // Gamma(a,d) in the place of Gamma(a,c)
  EXPECT_EQ(x[18], -3);
  EXPECT_EQ(x[19], -3);  // Gamma(b,c) <- Gamma(b,d)
  EXPECT_EQ(x[20], 0);
  EXPECT_EQ(x[27], 3);   // Delta(c,d) negated
  EXPECT_EQ(x[41], 9);
}

TEST_F(ModelAnalysisChargesTest, ConjugatedGenerator) {
  loadStacks(kMadrid);
  SM.multiplicities[2] = 3;
  SM.Ynorm = 6;
  SM.Y[2] = 1;  // no common factor to divide out
  // Two pieces filling U(3): e = (2, -4) with m = (2, 1) becomes (4, -2) with m = (1, 2).
  SM.cEigenvalues[0] = 2, SM.cEigenvalues[1] = -4;
  SM.cMultiplicities[0] = 2, SM.cMultiplicities[1] = 1;
  int c[48] = {};
  Conjugate_c(SM, c);
  EXPECT_EQ(c[33], 4);
  EXPECT_EQ(c[34], -2);
  EXPECT_EQ(c[35], 1);
  EXPECT_EQ(c[36], 2);
}

TEST_F(ModelAnalysisChargesTest, GeneratorString) {
  const int q[3] = {2, -4, 0}, n[3] = {1, 2, 0};
  EXPECT_EQ(GeneratorString('c', 3, q, n, 6), "Generator T_c: (1,-2,-2)/3");
  const int big[2] = {3, -1}, sizes[2] = {1, 3};
  EXPECT_EQ(GeneratorString('d', 2, big, sizes, 3), "Generator T_d: (3,-1,-1,-1)/3");
  const int four[2] = {3, -1}, sizes4[2] = {1, 4};
  EXPECT_EQ(GeneratorString('d', 2, four, sizes4, 2), "Generator T_d: (1 x 3,4 x -1)/2");
  const int whole[1] = {6}, one[1] = {1};
  EXPECT_EQ(GeneratorString('c', 1, whole, one, 6), "Generator T_c: (1)");
  const int zero[2] = {0, 5}, empty[2] = {3, 0};
  EXPECT_EQ(GeneratorString('c', 2, zero, empty, 6), "Generator T_c is trivial");
}

}  // namespace
