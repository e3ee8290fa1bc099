// Browsing catalogue types: the type's own brane equivalence and identity, stated once, the
// detailed analysis counted with the type's own number of families, and the rebuild of a
// realisation through the catalogue builder with the invariants kept.
#include <gtest/gtest.h>

#include <array>
#include <string>

#include "InterpreterTestSupport.h"
#include "TestSupport.h"
#include "commands/Commands.h"
#include "commands/CommandsInternal.h"
#include "runtime/Parameters.h"
#include "search/ModelAnalysis.h"
#include "search/QuvrBrowse.h"
#include "search/SearchDriver.h"

namespace {

using Record = std::array<int, 87>;

// Type 1 of the search of 22266, MIPF 28: U(3) S(2) O(6) U(1) on boundaries 9, 82, 2, 9,
// Gamma (ab, ac, ad, bc, bd, cd) = (3, -1, 0, 0, 3, -1), Delta 0, Y = (Q_a - 3 Q_d)/6, T_c
// splitting c into 3 + 3. Stacks a and d sit on boundary 9 (pair code ad = 1) and meet b
// and c alike, so both the identity and the equivalence are "abca"; b and c are real, so no
// stack is equivalent to the conjugate of another.
Record typeOne() {
  return {0,  -1, 1,  0,  3,  2,  6,  1,  0,     0,  0, 0,  0,  0,    0,    0,  3,  -1, 0,  0,  3, -1,
          0,  0,  0,  0,  0,  0,  1,  0,  0,     -3, 6, 3,  -3, 3,    3,    0,  0,  1,  0,  0,  0, 1,
          0,  0,  0,  0,  0,  0,  0,  0,  0,     0,  0, 0,  1,  -1,   -1,   22266, 28, 0, 9, 82, 2, 9,
          1231, 1231, 0, 0, 3, 0, 3, 0, 3, 3, 0, 0, 3, 3, 0, 0, 1, 1, 1, 0, 0};
}

// A two-family type: U(3) U(2) U(1) U(1) with Gamma (2, -2, 0, 0, -2, -2), Delta (0, -2, 0,
// 0, 0, -2) and Y = Q_a/6 - Q_c/2 + Q_d/2: two each of Q, u*, d*, L and e*.
Record twoFamilies(int number) {
  Record r{};
  const int head[41] = {0, 0, 0, 0, 3, 2, 1, 1, 0, 0, 0, 0, 0,  0, 0, 0, 2, -2, 0, 0, -2,
                        -2, 0, -2, 0, 0, 0, -2, 1, 0, -3, 3, 6, 0, 0, 1, 0, 0, 0, 1, 0};
  for (int k = 0; k < 41; ++k) r[static_cast<std::size_t>(k)] = head[k];
  r[56] = number, r[57] = r[58] = -1;
  r[59] = 22266, r[60] = 28, r[61] = 0, r[62] = 9, r[63] = 82, r[64] = 2, r[65] = 35;
  return r;
}

std::string catalogueLine(const Record& r) {
  std::string line;
  for (int v : r) line += std::to_string(v) + " ";
  line.back() = '\n';
  return line;
}

int count(const std::string& text, const std::string& piece) {
  int n = 0;
  for (std::size_t at = text.find(piece); at != std::string::npos; at = text.find(piece, at + 1)) ++n;
  return n;
}

class QuvrBrowseTest : public ZoqTest {
 protected:
  void SetUp() override {
    ZoqTest::SetUp();
    folder.write("Models.list", catalogueLine(typeOne()) + catalogueLine(twoFamilies(2)));
    ASSERT_EQ(run(("set ModelDir " + folder.path()).c_str()), 0);
  }
  TemporaryFolder folder;
};

TEST_F(QuvrBrowseTest, StoredTypeShowsItsOwnEquivalenceAndIdentityOnce) {
  capture.clear();
  BrowseQUVR(1);
  const std::string& out = capture.printed;
  EXPECT_NE(out.find("Type:        U   S   O   U\n"), std::string::npos) << out;
  EXPECT_NE(out.find("Brane equivalence: abca\nBrane identity:   abca\n"), std::string::npos) << out;
  EXPECT_EQ(count(out, "Brane equivalence"), 1) << out;
  EXPECT_EQ(count(out, "Brane identity"), 1) << out;
  EXPECT_EQ(out.find("are equivalent"), std::string::npos) << out;
  EXPECT_EQ(out.find("All branes are distinct"), std::string::npos) << out;
  // U(3) and U(1) on one boundary are one stack of four branes.
  EXPECT_NE(out.find("Recombined CP group:\nType:        U   S   O   \nStack Size:  4   2   6  \n"), std::string::npos)
      << out;
  EXPECT_NE(out.find("Standard model spectrum nr 1\n"), std::string::npos) << out;
  EXPECT_NE(out.find("Quark doublets and mirrors     (3,0)\n"), std::string::npos) << out;
  EXPECT_TRUE(silent()) << capture.all;
}

TEST_F(QuvrBrowseTest, DetailsDoNotRepeatTheAnalysis) {
  ASSERT_EQ(run("set Standard_Model details ON"), 0);
  capture.clear();
  BrowseQUVR(1);
  EXPECT_EQ(count(capture.printed, "Standard model spectrum nr 1\n"), 1) << capture.printed;
  EXPECT_EQ(count(capture.printed, "Brane equivalence"), 1) << capture.printed;
}

// The search that found a two-family type required two families; the run's count (3 by
// default) is not the type's and is left as it was.
TEST_F(QuvrBrowseTest, TypeIsCountedWithItsOwnFamilies) {
  ASSERT_EQ(getFamiliesRequired(), 3);
  capture.clear();
  BrowseQUVR(2);
  EXPECT_EQ(capture.all.find("Unexpected spectrum counting error"), std::string::npos) << capture.all;
  EXPECT_NE(capture.printed.find("Quark doublets and mirrors     (2,0)\n"), std::string::npos) << capture.printed;
  EXPECT_NE(capture.printed.find("Lepton doublets and mirrors    (2,0)\n"), std::string::npos) << capture.printed;
  EXPECT_NE(capture.printed.find("All branes are distinct\n"), std::string::npos) << capture.printed;
  EXPECT_EQ(getFamiliesRequired(), 3);
}

// A realisation is rebuilt by its MIPF number, which names a stored invariant only while the
// invariants are kept: the catalogue builder runs with "Autostore" on, whatever the run's
// setting, which is restored afterwards.
int autostoreDuringBuild = -1;
int recordAutostore(int) {
  autostoreDuringBuild = *getIntParPointer("Autostore");
  return 1;  // refused: the browse stops there
}

TEST_F(QuvrBrowseTest, RealisationIsRebuiltWithTheInvariantsKept) {
  ASSERT_EQ(run("set autostore off"), 0);
  setMinimalTensorBuilder(recordAutostore);
  autostoreDuringBuild = -1;
  EXPECT_EQ(run("browse standard_model 1"), 0);
  EXPECT_EQ(autostoreDuringBuild, 1);
  EXPECT_EQ(*getIntParPointer("Autostore"), 0);
  // The eight-number form rebuilds the case it names the same way.
  autostoreDuringBuild = -1;
  EXPECT_EQ(run("browse standard_model 1 22266 28 0 9 82 2 9"), 0);
  EXPECT_EQ(autostoreDuringBuild, 1);
  // So does the guided search of a model file.
  const std::string models = folder.write("g.models", "1 22266 28 0 9 82 2 9 3 2 6 1 U4S2O6_VVV_1_1 0\n");
  autostoreDuringBuild = -1;
  EXPECT_EQ(run(("search guided {" + models + "}").c_str()), 0);
  EXPECT_EQ(autostoreDuringBuild, 1);
  EXPECT_EQ(*getIntParPointer("Autostore"), 0);
  setMinimalTensorBuilder(buildCatalogueTensorProduct);
}

}  // namespace
