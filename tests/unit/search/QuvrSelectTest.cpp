// Selection of catalogue types: the requirement setters, the group, spectrum and
// identification strings, the record test with its tolerance on Y, the show texts and the
// selection run on a catalogue file.
#include <gtest/gtest.h>

#include <array>
#include <string>

#include "TestSupport.h"
#include "search/Catalogue.h"
#include "search/ModelAnalysis.h"
#include "search/QuvrSelect.h"

namespace {

class QuvrSelectTest : public ZoqTest {};

// A unitary four-stack record U3 U2 U1 U1 with Y = (1, 0, 0, 0)/6 ... as a plain array.
std::array<int, 87> record(int na, int nb, int nc, int nd) {
  std::array<int, 87> r{};
  r[4] = na, r[5] = nb, r[6] = nc, r[7] = nd;
  r[32] = 6;
  r[56] = 1;
  r[57] = -1, r[58] = -1;
  for (int k = 81; k < 87; ++k) r[k] = 1;
  return r;
}

TEST_F(QuvrSelectTest, ThreeFactorGroupFixesSizesAndRemovesStackD) {
  SelectQUVR("U3U2U1");
  int min = 0, max = 0;
  get_QUVR_range(2, 0, &min, &max);
  EXPECT_EQ(min, 3);
  EXPECT_EQ(max, 3);
  get_QUVR_range(2, 2, &min, &max);
  EXPECT_EQ(min, 1);
  get_QUVR_range(1, 1, &min, &max);
  EXPECT_EQ(min, 0);  // "U" is unitary
  EXPECT_EQ(max, 0);
  get_QUVR_range(2, 3, &min, &max);
  EXPECT_EQ(min, 0);
  EXPECT_EQ(max, 0);
  EXPECT_TRUE(QUVRRecordPasses(record(3, 2, 1, 0).data(), 1));
  EXPECT_FALSE(QUVRRecordPasses(record(3, 2, 1, 1).data(), 1));
  EXPECT_FALSE(QUVRRecordPasses(record(3, 2, 2, 0).data(), 1));
}

TEST_F(QuvrSelectTest, GroupLettersAndShortStrings) {
  SelectQUVR("S2O1");
  EXPECT_EQ(capture.printed, "There are no models with only 2 Chan-Paton factors\n");
  int min = 9, max = 9;
  get_QUVR_range(1, 0, &min, &max);
  EXPECT_EQ(min, -1);  // symplectic
  get_QUVR_range(1, 1, &min, &max);
  EXPECT_EQ(min, 1);  // orthogonal
  get_QUVR_range(2, 2, &min, &max);
  EXPECT_EQ(min, 0);
  EXPECT_EQ(max, 0);
  int code = 0, size = 0;
  EXPECT_EQ(DetermineCPGroupFactor("U12S2", &code, &size), 3);
  EXPECT_EQ(code, 0);
  EXPECT_EQ(size, 12);
}

TEST_F(QuvrSelectTest, IdentificationStringRequiresEqualLettersOnly) {
  SelectQUVR_ID("aabc");
  EXPECT_EQ(get_QUVR_identification(0), 1);
  for (int p = 1; p < 6; ++p) EXPECT_EQ(get_QUVR_identification(p), 0) << p;
  auto r = record(3, 2, 1, 1);
  r[41] = 1;
  EXPECT_TRUE(QUVRRecordPasses(r.data(), 1));
  r[41] = -1;  // b equal to the conjugate of a also counts as identified
  EXPECT_TRUE(QUVRRecordPasses(r.data(), 1));
  r[46] = 1;  // c and d identified: refused
  EXPECT_FALSE(QUVRRecordPasses(r.data(), 1));
  r[41] = 0, r[46] = 0;
  EXPECT_FALSE(QUVRRecordPasses(r.data(), 1));

  capture.clear();
  SelectQUVR_ID("abc");
  EXPECT_EQ(capture.printed, "Invalid identification string; it should have length 4\n");
  EXPECT_EQ(get_QUVR_identification(0), 1);  // unchanged
}

TEST_F(QuvrSelectTest, HyperchargeBoundsHaveTolerance) {
  // y_b = 6 x_b / norm: 600000/600001 lies within 1e-5 of 1, 59994/60000 = 0.9999 does not.
  Set_QUVR_range(5, 1, 1, 1);
  auto r = record(3, 2, 1, 1);
  r[32] = 600001;
  r[29] = 100000;
  EXPECT_TRUE(QUVRRecordPasses(r.data(), 1));
  r[32] = 60000;
  r[29] = 9999;
  EXPECT_FALSE(QUVRRecordPasses(r.data(), 1));
  r[29] = 10000;  // exactly 1
  EXPECT_TRUE(QUVRRecordPasses(r.data(), 1));
}

TEST_F(QuvrSelectTest, SpectrumCodeSetsTensorContent) {
  SelectQUVRSpectrum("VAST");
  EXPECT_EQ(get_QUVR_requirement(0), 0);
  EXPECT_EQ(get_QUVR_requirement(1), 1);
  EXPECT_EQ(get_QUVR_requirement(2), 2);
  EXPECT_EQ(get_QUVR_requirement(3), 3);
  auto r = record(3, 2, 1, 1);
  r[13] = 3;            // b: anti-symmetric only
  r[10] = 1;            // c: symmetric only
  r[11] = 1, r[15] = 1;  // d: both
  EXPECT_TRUE(QUVRRecordPasses(r.data(), 1));
  r[8] = 1;  // a gets a symmetric tensor
  EXPECT_FALSE(QUVRRecordPasses(r.data(), 1));

  capture.clear();
  SelectQUVRSpectrum("VX");
  EXPECT_EQ(capture.printed, "Invalid spectrum string VX\nInvalid spectrum string VX\n");
  SelectQUVRSpectrum("AAA");
  int min = 1, max = 1;
  get_QUVR_range(2, 3, &min, &max);
  EXPECT_EQ(min, 0);
  EXPECT_EQ(max, 0);
}

TEST_F(QuvrSelectTest, MirrorUniversalityAndZprime) {
  Set_QUVR_mirror(0, 0, 2);
  auto r = record(3, 2, 1, 1);
  for (int neutrinos : {0, 1, 2}) {
    r[79] = neutrinos;
    EXPECT_TRUE(QUVRRecordPasses(r.data(), 1)) << neutrinos;
  }
  r[79] = 3;
  EXPECT_FALSE(QUVRRecordPasses(r.data(), 1));
  r[79] = 0;
  Set_QUVR_Uni(2, 2);
  EXPECT_FALSE(QUVRRecordPasses(r.data(), 1));  // up quarks stored as universal (1)
  r[83] = 2;
  EXPECT_TRUE(QUVRRecordPasses(r.data(), 1));

  capture.clear();
  Set_QUVR_Zprime(3);
  EXPECT_EQ(capture.printed, "This value is too large; expect no solutions\n");
  EXPECT_EQ(get_QUVR_Zprime(), 3);
  r[47] = 12;  // 2 extra U(1)s, degenerate flag: 12 mod 10 = 2 < 3
  EXPECT_FALSE(QUVRRecordPasses(r.data(), 1));
}

TEST_F(QuvrSelectTest, XClassRowSelects) {
  Set_QUVR_range(0, 0, 10, 10);
  EXPECT_TRUE(QUVRRecordPasses(record(3, 2, 1, 1).data(), 10));
  EXPECT_FALSE(QUVRRecordPasses(record(3, 2, 1, 1).data(), 2));
}

TEST_F(QuvrSelectTest, ParameterNamesAndShowTexts) {
  EXPECT_EQ(get_QUVR_parameter_name(0, 0), "x");
  EXPECT_EQ(get_QUVR_parameter_name(5, 3), "Yd");
  EXPECT_EQ(get_QUVR_parameter_name(1, 1), "Gb");
  EXPECT_EQ(get_QUVR_parameter_name(7, 0), "");
  capture.clear();
  Set_QUVR_range(1, 1, 0, 0);
  Set_QUVR_range(1, 2, -1, -1);
  Set_QUVR_range(1, 3, 1, 1);
  Set_QUVR_range(2, 0, 3, 3);
  Set_QUVR_range(2, 1, 1, 2);
  Print_QUVR_parameter_range(0, 0);
  Print_QUVR_parameter_range(1, 1);
  Print_QUVR_parameter_range(1, 2);
  Print_QUVR_parameter_range(1, 3);
  Print_QUVR_parameter_range(2, 0);
  Print_QUVR_parameter_range(2, 1);
  EXPECT_EQ(capture.printed,
            "Parameter  x is not constrained\n"
            "Stack b must be unitary\n"
            "Stack c must be symplectic\n"
            "Invalid stack label 1\n"
            "Parameter Na must be 3\n"
            "1 <= Parameter Nb <= 2\n");
}

TEST_F(QuvrSelectTest, ShowListsMirrorsAndUniversalityAfterIdentification) {
  SelectQUVR_ID("abcd");
  Set_QUVR_mirror(0, 0, 0);
  Set_QUVR_mirror(1, 2, 2);
  Set_QUVR_mirror(2, 0, 4);
  Set_QUVR_Uni(0, 0);
  Set_QUVR_Uni(1, 1);
  Set_QUVR_Uni(2, 2);
  Set_QUVR_Uni(3, 7);
  Set_QUVR_Zprime(1);
  capture.clear();
  Show_QUVR_parameters();
  const std::string& text = capture.printed;
  EXPECT_NE(text.find("Number of additional Z's required: 1\n"), std::string::npos);
  EXPECT_NE(text.find("Brane identification required: 0 means NO, 1 means YES, order ab,ac,...,cd\n"),
            std::string::npos);
  EXPECT_NE(text.find("No Singlet neutrinos allowed\n"), std::string::npos);
  EXPECT_NE(text.find("2 Quark doublet mirror pairs required\n"), std::string::npos);
  EXPECT_NE(text.find("0 <=  Up quark mirror pairs <= 4\n"), std::string::npos);
  EXPECT_NE(text.find("No mirror restrictions on Down quark mirror pairs\n"), std::string::npos);
  EXPECT_NE(text.find("Particles of type Singlet neutrinos are mirror-free and are split in several components\n"),
            std::string::npos);
  EXPECT_NE(text.find("Particles of type Quark doublet mirror pairs must be mirror-free and universal\n"),
            std::string::npos);
  EXPECT_NE(text.find("Particles of type Up quark mirror pairs have mirrors and/or gauge multiplicities\n"),
            std::string::npos);
  EXPECT_EQ(text.find("Down quark mirror pairs must"), std::string::npos);  // value 7 prints nothing
  EXPECT_NE(text.find("No universality restrictions on Lepton doublet mirror pairs\n"), std::string::npos);
}

TEST_F(QuvrSelectTest, ResetRestoresStartValues) {
  SelectQUVR("U3U2U1U1");
  SelectQUVR_ID("aabc");
  Set_QUVR_Zprime(2);
  resetQuvrSelect();
  int min = 0, max = 0;
  get_QUVR_range(2, 0, &min, &max);
  EXPECT_EQ(min, -kQuvrUnbounded);
  EXPECT_EQ(max, kQuvrUnbounded);
  EXPECT_EQ(get_QUVR_identification(0), -1);
  EXPECT_EQ(get_QUVR_Zprime(), 0);
  ResetQUVRSpectrumCriteria();
  EXPECT_EQ(get_QUVR_requirement(0), -1);
}

TEST_F(QuvrSelectTest, PseudoOrientabilityNeverHoldsForThreeOrFourStacks) {
  // It asks every symmetric count to be 0 and non-zero at once.
  const int groups[4] = {0, 0, 0, 0}, zero[6] = {}, sym[4] = {1, 1, 1, 1};
  EXPECT_EQ(CheckPseudoOrientability(groups, zero, zero, zero, zero, 4), 0);
  EXPECT_EQ(CheckPseudoOrientability(groups, zero, sym, zero, zero, 3), 0);
}

TEST_F(QuvrSelectTest, RecordLineLayout) {
  auto r = record(3, 2, 1, 0);
  r[59] = 1234;
  r[60] = 5;
  r[61] = 2, r[62] = 7, r[63] = 8, r[64] = 9, r[65] = -1;
  const std::string line = QUVRRecordLine(r.data());
  EXPECT_EQ(line.substr(0, 28), "     0      0      0      0 ");
  EXPECT_NE(line.find("     1     -1     -1      1234    5     2      7      8      9     -1"), std::string::npos);
  // 56 + 1 + 2 fields of 7, then 9 + 1 + 4, 6 + 4 x 7, 21 x 7 and the newline.
  EXPECT_EQ(line.size(), static_cast<std::size_t>(59 * 7 + 14 + 34 + 21 * 7 + 1));
}

TEST_F(QuvrSelectTest, MissingCatalogueIsReported) {
  TemporaryFolder folder;
  EXPECT_EQ(selectQUVRFromFile(folder.path("Models.list"), folder.path() + "/"), -1);
  EXPECT_TRUE(alerted("Cannot open file"));
}

TEST_F(QuvrSelectTest, RunWritesThreeStackTypesOnly) {
  TemporaryFolder folder;
  std::string catalogue;
  auto three = record(3, 2, 1, 0);
  three[3] = -2;
  three[28] = 1, three[29] = 3;  // x = 1: class 1
  three[56] = 1;
  auto four = record(3, 2, 1, 1);
  four[28] = 1;
  four[56] = 2;
  catalogue += QUVRRecordLine(three.data()) + QUVRRecordLine(four.data());
  folder.write("Models.list", catalogue);
  SelectQUVR("U3U2U1");
  EXPECT_EQ(selectQUVRFromFile(folder.path("Models.list"), folder.path() + "/"), 1);
  EXPECT_EQ(readFile(folder.path("Selected_Models")), "browse quvr 1\n");
  EXPECT_EQ(readFile(folder.path("Selected_SM.list")), QUVRRecordLine(three.data()));
  EXPECT_NE(capture.printed.find("Total number satisfying criteria: 1\n"), std::string::npos);
}

}  // namespace
