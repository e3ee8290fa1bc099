// Conjugates of tensor products from the rows of S, the "get conjugate" and "check
// conjugates" commands, and the "Decomposition" table of "browse decomposition" and
// "browse groundstate".
#include <gtest/gtest.h>

#include <algorithm>
#include <complex>
#include <string>
#include <vector>

#include "commands/Commands.h"
#include "InterpreterTestSupport.h"
#include "store/CurrentTheory.h"
#include "store/Storemanager.h"
#include "tensor/Coset.h"
#include "TensorTestSupport.h"
#include "TestSupport.h"

namespace {

using Complex = std::complex<double>;

class CosetConjugatesTest : public TensorTest {
 protected:
  static Complex S(int i, int j) {
    double re = 0.0, im = 0.0;
    getCosetS(currentTensor, i, j, &re, &im);
    return {re, im};
  }

  // Lines of printed text.
  static std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::size_t start = 0;
    while (start < text.size()) {
      std::size_t end = text.find('\n', start);
      if (end == std::string::npos) end = text.size();
      out.push_back(text.substr(start, end - start));
      start = end + 1;
    }
    return out;
  }
};

TEST_F(CosetConjugatesTest, ResolvedFixedPointsOfSU3LevelOneAreTheTripletAndItsConjugate) {
  // A1 level 4 extended by its current is SU(3)_1; the fixed point (spin 1) splits into the
  // 3 and the 3bar, whose S rows are complex conjugates (S_11 = w/sqrt3, S_21 = w*/sqrt3).
  build({"g a 1 4", "current 1"});
  ASSERT_EQ(currentTensor->NumberOfPrimaries, 3);
  EXPECT_EQ(getGenericTensorConjugate(currentTensor, 0), 0);
  EXPECT_EQ(getGenericTensorConjugate(currentTensor, 1), 2);
  EXPECT_EQ(getGenericTensorConjugate(currentTensor, 2), 1);
  EXPECT_EQ(CT_getConjugate(currentTensor, 1), 2);
  EXPECT_EQ(CT_getConjugate(currentTensor, 2), 1);
  OutputCapture out;
  EXPECT_EQ(run("get conjugate 1"), 0);
  EXPECT_EQ(run("get conjugate 0"), 0);
  EXPECT_EQ(run("check conjugates"), 0);
  EXPECT_EQ(out.printed, "Conjugate: 2\nConjugate: 0\nAll conjugates are OK\n");
}

TEST_F(CosetConjugatesTest, SpinorsOfSO6LevelOneAreConjugateAndTheVectorIsReal) {
  // so(6) = su(4): conjugation exchanges the 4 and the 4bar (the spinors 2 and 3).
  build({"g a 1 2", "g a 1 2", "current 1 1"});
  ASSERT_EQ(currentTensor->NumberOfPrimaries, 4);
  const int expected[] = {0, 1, 3, 2};
  for (int a = 0; a < 4; ++a) {
    EXPECT_EQ(getGenericTensorConjugate(currentTensor, a), expected[a]) << a;
    EXPECT_EQ(CT_getConjugate(currentTensor, a), expected[a]) << a;
  }
}

TEST_F(CosetConjugatesTest, ConjugationIsSSquaredForExtensionsAndCosets) {
  // S^2 = C: (S^2)_ab is 1 exactly when b is the conjugate of a, else 0; and S_(a*, b) is
  // the complex conjugate of S_(a, b).
  const std::vector<std::vector<const char*>> cases = {
      {"g a 1 4", "current 1"},
      {"g a 1 8", "current 1"},
      {"g a 1 2", "g a 1 2", "current 1 1"},
      {"g a 1 4", "g a 1 4", "current 1 1"},
      {"g a 2 3", "current 1"},
      {"g a 1 1", "g a 1 1", "h a 1 2", "current 1 1 1"},
      {"g a 1 2", "g a 1 1", "h a 1 3", "current 1 1 1"},
  };
  for (const auto& c : cases) {
    resetCoset(currentTensor);
    ASSERT_EQ(run("tensor"), 0);
    for (const char* line : c) ASSERT_EQ(run(line), 0) << line;
    ASSERT_EQ(run("compute spectrum"), 0) << c.front();
    const int n = currentTensor->NumberOfPrimaries;
    for (int a = 0; a < n; ++a) {
      const int conj = getGenericTensorConjugate(currentTensor, a);
      ASSERT_GE(conj, 0) << c.front() << " field " << a;
      EXPECT_EQ(getGenericTensorConjugate(currentTensor, conj), a) << c.front();
      EXPECT_EQ(CT_getConjugate(currentTensor, a), conj) << c.front() << " field " << a;
      for (int b = 0; b < n; ++b) {
        Complex square = 0.0;
        for (int k = 0; k < n; ++k) square += S(a, k) * S(k, b);
        EXPECT_NEAR(std::abs(square - Complex(b == conj ? 1.0 : 0.0)), 0.0, 1e-7)
            << c.front() << " " << a << " " << b;
        EXPECT_NEAR(std::abs(S(conj, b) - std::conj(S(a, b))), 0.0, 1e-7) << c.front();
      }
    }
    EXPECT_EQ(getGenericTensorConjugate(currentTensor, n), -1);
    EXPECT_TRUE(alerted("No conjugate found"));
  }
}

TEST_F(CosetConjugatesTest, CheckConjugatesInSingleAlgebraMode) {
  // A2 level 1: the 3 (field 1) and the 3bar (field 2).
  ASSERT_EQ(run("algebra a 2 1"), 0);
  OutputCapture out;
  EXPECT_EQ(run("get conjugate 1"), 0);
  EXPECT_EQ(run("check conjugates"), 0);
  EXPECT_EQ(out.printed, "Conjugate: 2\nAll conjugates are OK\n");
}

TEST_F(CosetConjugatesTest, VacuumOfSU3LevelOneDecomposesIntoSpinZeroAndSpinTwo) {
  // SU(3)_1's vacuum is (0) + (4) of A1 level 4: weights 0 and 4*6/24 = 1, dimensions 1
  // and 5. The 3 is the fixed point (2) alone: weight 2*4/24 = 1/3, dimension 3.
  build({"g a 1 4", "current 1"});
  OutputCapture out;
  ASSERT_EQ(run("browse decomposition 0"), 0);
  std::vector<std::string> rows = lines(out.printed);
  ASSERT_EQ(rows.size(), 3u) << out.printed;
  EXPECT_EQ(rows[0].rfind("Labels", 0), 0u);
  EXPECT_NE(rows[1].find(" 0 "), std::string::npos) << rows[1];
  EXPECT_NE(rows[1].find(" 1 "), std::string::npos) << rows[1];
  EXPECT_NE(rows[2].find(" 1 "), std::string::npos) << rows[2];
  EXPECT_NE(rows[2].find(" 5 "), std::string::npos) << rows[2];
  out.clear();
  ASSERT_EQ(run("browse decomposition 1"), 0);
  rows = lines(out.printed);
  ASSERT_EQ(rows.size(), 2u) << out.printed;
  EXPECT_NE(rows[1].find("1/3"), std::string::npos) << rows[1];
  EXPECT_NE(rows[1].find(" 3 "), std::string::npos) << rows[1];
  // Ground states only: the weight-one term is not a ground state of the vacuum.
  out.clear();
  ASSERT_EQ(run("browse groundstate 0"), 0);
  rows = lines(out.printed);
  ASSERT_EQ(rows.size(), 3u) << out.printed;
  EXPECT_EQ(rows[2].find(" 1 "), std::string::npos) << rows[2];
  EXPECT_NE(rows[2].find(" 5 "), std::string::npos) << rows[2];
}

TEST_F(CosetConjugatesTest, FieldWithTrivialStabilizerDecomposesIntoOneRowPerChiralElement) {
  // SO(6)_1: the vector is the orbit {(0,J), (J,0)} of order |C| = 2, both of weight 1/2.
  build({"g a 1 2", "g a 1 2", "current 1 1"});
  OutputCapture out;
  ASSERT_EQ(run("browse decomposition 1"), 0);
  std::vector<std::string> rows = lines(out.printed);
  ASSERT_EQ(rows.size(), 3u) << out.printed;
  EXPECT_NE(rows[1].find("1/2"), std::string::npos);
  EXPECT_NE(rows[2].find("1/2"), std::string::npos);
  // One column name serves every factor; the factor labels of the vector are 0 and J = 1.
  out.clear();
  ASSERT_EQ(run("browse decomposition 1 label"), 0);
  rows = lines(out.printed);
  ASSERT_EQ(rows.size(), 3u) << out.printed;
  const bool both = (rows[1].rfind("(0,1)", 0) == 0 && rows[2].rfind("(1,0)", 0) == 0) ||
                    (rows[1].rfind("(1,0)", 0) == 0 && rows[2].rfind("(0,1)", 0) == 0);
  EXPECT_TRUE(both) << out.printed;
}

TEST_F(CosetConjugatesTest, BadColumnsAndCosetGroundStatesAreRefused) {
  build({"g a 1 2", "g a 1 2", "current 1 1"});
  EXPECT_EQ(run("browse decomposition 1 nosuchcolumn"), 1);
  EXPECT_TRUE(alerted("nosuchcolumn"));
  build({"g a 1 1", "g a 1 1", "h a 1 2", "current 1 1 1"});
  OutputCapture out;
  // The Ising vacuum: (0,0,0) and (1,1,1), of weight 1/4 + 1/4 - 1/2 = 0 modulo integers;
  // no dimensions for a coset.
  ASSERT_EQ(run("browse decomposition 0"), 0);
  std::vector<std::string> rows = lines(out.printed);
  ASSERT_EQ(rows.size(), 3u) << out.printed;
  EXPECT_EQ(rows[0].find("Dim"), std::string::npos) << rows[0];
  EXPECT_EQ(rows[1].rfind("(0,0,0)", 0), 0u);
  EXPECT_EQ(rows[2].rfind("(1,1,1)", 0), 0u);
  out.clear();
  run("browse groundstate 0");
  EXPECT_NE(out.diagnostics.find("Ground state construction for cosets is not built in"),
            std::string::npos);
  EXPECT_EQ(out.printed.find("Labels"), std::string::npos);
}

TEST_F(CosetConjugatesTest, ConjugateColumnAndStringLayerAccessors) {
  build({"g a 1 4", "current 1"});
  EXPECT_EQ(CT_ConjugatesAvailable(currentTensor), 1);
  const char* expected[] = {"0", "2", "1"};
  for (int i = 0; i < 3; ++i) {
    std::string cell;
    EXPECT_TRUE(CT_getConjString(cell, currentTensor, i));
    EXPECT_EQ(cell, expected[i]) << i;
  }
  std::string outside;
  EXPECT_TRUE(CT_getConjString(outside, currentTensor, 3));
  EXPECT_EQ(outside, "");
  // The block stays with the string layer; a product without a lattice factor has no
  // contents there, and every field counts as trivial.
  EXPECT_EQ(getTensorStringData(currentTensor), nullptr);
  capture.clear();
  EXPECT_EQ(getCosetRepInfo(currentTensor, 1), nullptr);
  EXPECT_EQ(CT_isTrivial(currentTensor, 1), 1);
  // Without the string layer's reading, contents are refused through the seam.
  const StringSeamHooks* installed = stringSeamHooks();
  setStringSeamHooks(nullptr);
  capture.clear();
  EXPECT_EQ(getCosetRepInfo(currentTensor, 1), nullptr);
  EXPECT_TRUE(alerted("not available yet"));
  EXPECT_EQ(CT_isTrivial(currentTensor, 1), 1);
  setStringSeamHooks(installed);
  // A product without factors has conjugates trivially.
  resetCoset(currentTensor);
  EXPECT_EQ(CT_ConjugatesAvailable(currentTensor), 1);
}

TEST_F(CosetConjugatesTest, SwitchingTheSRowMethodOffLeavesFixedPointsUndetermined) {
  build({"g a 1 4", "current 1"});
  getTensorConjugate(currentTensor, -2);
  CT_initConjugates(currentTensor);
  // The vacuum still follows from its labels; the resolved 3 and 3bar do not.
  EXPECT_EQ(CT_getConjugate(currentTensor, 0), 0);
  EXPECT_EQ(CT_getConjugate(currentTensor, 1), -2);
  std::string cell;
  CT_getConjString(cell, currentTensor, 1);
  EXPECT_EQ(cell, "undetermined");
  // The direct S-row search is unaffected.
  EXPECT_EQ(getGenericTensorConjugate(currentTensor, 1), 2);
}

}  // namespace
