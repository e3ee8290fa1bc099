// The coupling selection rules and the decomposed spectrum print on hand-made ordered
// spectra (rows: SU(3), SU(2), 6Y, extra U(1)s, stack and block charges, Y in 1/norm,
// norm, Y contributions, type code, copies).
#include <gtest/gtest.h>

#include <string>

#include "TestSupport.h"
#include "search/Catalogue.h"
#include "search/Couplings.h"
#include "search/SearchSM.h"

namespace {

SpectrumRow row(int su3, int su2, int y6, int type, int copies) {
  SpectrumRow r{};
  r[0] = su3;
  r[1] = su2;
  r[2] = y6;
  r[13] = y6;
  r[14] = 6;
  r[19] = type;
  r[20] = copies;
  return r;
}

// The chiral standard model: Q (3,2,1/6), u* (3*,1,-2/3), d* (3*,1,1/3), L (1,2,-1/2),
// e* (1,1,1), each with the given copies.
OrderedSpectrum standardModel(int q, int u, int d, int l, int e) {
  return {row(1, 1, 1, 1, q), row(-1, 0, -4, 2, u), row(-1, 0, 2, 3, d), row(0, 1, -3, 4, l), row(0, 0, 6, 5, e)};
}

class SearchCouplingsTest : public ZoqTest {
 protected:
  void SetUp() override {
    ZoqTest::SetUp();
    // Unitary c and d, unsplit.
    SM.groupTypes[2] = 0;
    SM.groupTypes[3] = 0;
    SM.multiplicities[2] = 1;
    SM.multiplicities[3] = 1;
    SM.stackCount = 4;
  }
};

TEST_F(SearchCouplingsTest, ThreeFamiliesAreTheExactSpectrum) {
  printDecomposedSpectrum(standardModel(3, 3, 3, 3, 3), 0, 0, 0);
  EXPECT_NE(capture.printed.find("\n\nExact chiral SM spectrum (0 susy Higgs pairs and 0 singlet neutrinos)\n"),
            std::string::npos);
  // No Hd candidates: no Higgs choice table.
  EXPECT_EQ(capture.printed.find("Up quarks:"), std::string::npos);
}

TEST_F(SearchCouplingsTest, FourthQuarkDoubletMeansMirrors) {
  printDecomposedSpectrum(standardModel(4, 3, 3, 3, 3), 0, 0, 0);
  EXPECT_NE(capture.printed.find("SM spectrum with mirrors (0 susy Higgs pairs"), std::string::npos);
}

TEST_F(SearchCouplingsTest, FiveLeptonDoubletsGiveOneHiggsPair) {
  printDecomposedSpectrum(standardModel(3, 3, 3, 5, 3), 0, 0, 0);
  EXPECT_NE(capture.printed.find("Exact chiral SM spectrum (1 susy Higgs pairs and 0 singlet neutrinos)"),
            std::string::npos);
}

TEST_F(SearchCouplingsTest, ModeThreeStopsAfterTheParticleList) {
  printDecomposedSpectrum(standardModel(3, 3, 3, 3, 3), 0, 0, 3);
  EXPECT_NE(capture.printed.find("Label    name"), std::string::npos);
  EXPECT_EQ(capture.printed.find("Exact chiral SM spectrum"), std::string::npos);
}

TEST_F(SearchCouplingsTest, ExplanationIsShownInFullOnce) {
  printDecomposedSpectrum(standardModel(3, 3, 3, 3, 3), 0, 0, 3);
  EXPECT_NE(capture.printed.find("Column 1: Reference label (used for couplings).\n"), std::string::npos);
  capture.clear();
  printDecomposedSpectrum(standardModel(3, 3, 3, 3, 3), 0, 0, 3);
  EXPECT_EQ(capture.printed.find("Column 1: Reference label"), std::string::npos);
  EXPECT_NE(capture.stdoutText.find("Explanation: see first occurrence of similar data"), std::string::npos);
}

TEST_F(SearchCouplingsTest, QuarkTrialityNeedsThreeTriplets) {
  // Colour triplets without weak or hypercharge quantum numbers isolate the triality rule.
  const SpectrumRow t = row(1, 0, 0, 7, 1);
  const SpectrumRow* three[3] = {&t, &t, &t};
  const SpectrumRow* two[2] = {&t, &t};
  EXPECT_EQ(CheckCouplingExistence(nullptr, SM, 3, three), 1);
  EXPECT_EQ(CheckCouplingExistence(nullptr, SM, 2, two), 0);
  // Three quark doublets pass triality but not SU(2) (three doublets).
  const SpectrumRow q = row(1, 1, 0, 1, 3);
  const SpectrumRow* doublets[3] = {&q, &q, &q};
  EXPECT_EQ(CheckCouplingExistence(nullptr, SM, 3, doublets), 0);
}

TEST_F(SearchCouplingsTest, HyperchargeMustCancel) {
  const SpectrumRow Q = row(1, 1, 1, 1, 3), Qbar = row(-1, 1, -1, -1, 1), u = row(-1, 0, -4, 2, 3);
  EXPECT_EQ(twoPointCoupling(Q, Qbar), 1);
  EXPECT_EQ(twoPointCoupling(Q, u), 0);
  const SpectrumRow Hu = row(0, 1, 3, -6, 1);
  EXPECT_EQ(PerturbativeThreePointCoupling(Q, u, Hu), 1);  // 1 - 4 + 3 = 0, two doublets
  EXPECT_EQ(PerturbativeThreePointCoupling(Q, u, Q), 0);
}

TEST_F(SearchCouplingsTest, SevenFieldsAreTooMany) {
  const OrderedSpectrum spectrum = standardModel(3, 3, 3, 3, 3);
  int count = -1;
  EXPECT_EQ(ComputeNPointCoupling(nullptr, SM, spectrum, 7, 0, 0, &count), 0);
  EXPECT_NE(capture.all.find("Too many fields in coupling"), std::string::npos);
  EXPECT_EQ(count, -1);
}

TEST_F(SearchCouplingsTest, ParticleNamesAndQuantumNumbers) {
  EXPECT_EQ(particleName(-6), "Hu");
  EXPECT_EQ(particleName(2), "u*");
  EXPECT_EQ(particleName(9), "??");
  EXPECT_EQ(BaryonNumber(1), 1);   // Q: one third
  EXPECT_EQ(BaryonNumber(2), -1);  // u*: minus one third
  EXPECT_EQ(LeptonNumber(4), 1);
  EXPECT_EQ(LeptonNumber(5), -1);
  EXPECT_EQ(LeptonNumber(6), 0);
}

}  // namespace
