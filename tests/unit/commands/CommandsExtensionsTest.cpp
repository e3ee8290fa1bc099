// The extension commands of tensor products: "collect extensions", "select extension",
// "total extensions" and "set require extension", their refusals, and the extensions of
// four D4 level 1 factors modulo factor permutations and triality.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "commands/Commands.h"
#include "InterpreterTestSupport.h"
#include "modular/Modular.h"
#include "store/CurrentTheory.h"
#include "TensorTestSupport.h"
#include "TestSupport.h"

namespace {

class CommandsExtensionsTest : public TensorTest {
 protected:
  std::string printedBy(const char* line) {
    capture.clear();
    EXPECT_EQ(run(line), 0) << line;
    std::string text = capture.printed;
    capture.clear();
    return text;
  }
};

TEST_F(CommandsExtensionsTest, SU2LevelFourExtendsToSU3LevelOne) {
  runAll({"tensor", "g a 1 4"});
  const std::string listed = printedBy("collect extensions");
  EXPECT_NE(listed.find("Nr.    0 \nNr.    1 1 \n"), std::string::npos) << listed;
  EXPECT_NE(listed.find("Computation completed; 2 Chiral algebra extensions\n"), std::string::npos);
  EXPECT_EQ(printedBy("total extensions"), "2\n");
  runAll({"select extension 1"});
  // SU(3) level 1: three fields of weights 0, 1/3, 1/3.
  EXPECT_EQ(printedBy("total primaries"), "3\n");
  EXPECT_EQ(printedBy("get weight 1"), "1/3\n");
  EXPECT_EQ(printedBy("get weight 2"), "1/3\n");
  // The list stays for this tensor product; number 2 is beyond it.
  EXPECT_NE(run("select extension 2"), 0);
  EXPECT_TRUE(alerted("Extension number 2 does not exist"));
  EXPECT_EQ(printedBy("total extensions"), "2\n");
  runAll({"reset tensor"});
  EXPECT_EQ(printedBy("total extensions"), "-1\n");
}

TEST_F(CommandsExtensionsTest, ARequiredCurrentLeavesOneExtension) {
  runAll({"tensor", "g a 1 4", "set require extension 1", "collect extensions"});
  EXPECT_EQ(printedBy("total extensions"), "1\n");
  runAll({"select extension 0"});
  EXPECT_EQ(printedBy("total primaries"), "3\n");
}

TEST_F(CommandsExtensionsTest, SelectingWithoutACollectionCollectsFirst) {
  runAll({"tensor", "g a 1 4", "select extension 1"});
  EXPECT_EQ(printedBy("total primaries"), "3\n");
  EXPECT_EQ(printedBy("total extensions"), "2\n");
}

TEST_F(CommandsExtensionsTest, ParameterOneLeavesOutCurrentsOfWeightOne) {
  // The current of SU(2) level 4 has weight 1: with parameter 1 only the unextended
  // algebra is left, and the collection without it that follows keeps that list.
  runAll({"tensor", "g a 1 4"});
  const std::string listed = printedBy("collect extensions 1");
  EXPECT_NE(listed.find("Computation completed; 1 Chiral algebra extensions\n"), std::string::npos);
  EXPECT_EQ(listed.find("Computation completed; 2"), std::string::npos);
  EXPECT_EQ(printedBy("total extensions"), "1\n");
}

TEST_F(CommandsExtensionsTest, ManyIntegerSpinFieldsAreListedAsATable) {
  // Four SU(2) level 4 factors: the 16 simple currents (weights 0 and 1 per factor) have
  // integer spin and order 2 (the vacuum 1); so has (l=1, l=1, l=1, l=3), of weight
  // 1/8 + 1/8 + 1/8 + 5/8 = 1, which is not a simple current.
  runAll({"tensor", "g a 1 4", "g a 1 4", "g a 1 4", "g a 1 4", "compute spectrum"});
  const std::string listed = printedBy("browse integral_spin");
  ASSERT_EQ(listed.rfind("Integer spin currents\nLabels      Spins    Orders\n", 0), 0u) << listed;
  int orderOne = 0;
  int orderTwo = 0;
  int others = 0;
  std::size_t start = listed.find("Orders\n") + 7;
  while (start < listed.size()) {
    const std::size_t end = listed.find('\n', start);
    const std::string line = listed.substr(start, end - start);
    if (line.find("(not a simple current)") != std::string::npos) {
      ++others;
    } else if (line.size() >= 5 && line.substr(line.size() - 5) == "    1") {
      ++orderOne;
    } else if (line.size() >= 5 && line.substr(line.size() - 5) == "    2") {
      ++orderTwo;
    }
    start = end + 1;
  }
  EXPECT_EQ(orderOne, 1);
  EXPECT_EQ(orderTwo, 15);
  EXPECT_GE(others, 1);
}

TEST_F(CommandsExtensionsTest, TheCollectionIsRefusedForBadInput) {
  runAll({"tensor", "g a 1 4"});
  EXPECT_NE(run("collect extensions 2"), 0);
  EXPECT_TRUE(alerted("Invalid parameter value (2)"));
  runAll({"current 1"});
  EXPECT_NE(run("collect extensions"), 0);
  EXPECT_TRUE(alerted("Computation not possible if there is already a chiral algebra"));
  EXPECT_EQ(printedBy("total extensions"), "-1\n");
}

TEST_F(CommandsExtensionsTest, ASingleAlgebraIsCollectedAfterItsFullSpectrum) {
  runAll({"algebra a 1 3"});
  capture.clear();
  EXPECT_EQ(run("collect extensions"), 0);
  const std::string listed = capture.printed;
  EXPECT_TRUE(alerted("In single algebra mode this command implies a full spectrum computation"));
  EXPECT_NE(listed.find("CFT A1 level 3; 4 primaries (2 simple currents)\n"), std::string::npos);
  EXPECT_NE(listed.find("Computation completed; 1 Chiral algebra extensions\n"), std::string::npos);
  EXPECT_EQ(printedBy("total extensions"), "1\n");
}

TEST_F(CommandsExtensionsTest, TheSpinorCurrentOfD8LevelOneIsSupersymmetric) {
  // D8 level 1 with "Super" on (ten dimensions): the spinors s and c have weight
  // 16/16 = 1 and odd labels; charge conjugation maps one onto the other, so one
  // extension by a spinor is listed, flagged supersymmetric and not as merely spinorial.
  runAll({"set super on", "tensor", "g d 8 1"});
  const std::string listed = printedBy("collect extensions");
  EXPECT_NE(listed.find("Nr.    0 \nNr.    1 1 (Supersymmetric) \n"), std::string::npos) << listed;
  EXPECT_EQ(listed.find("(Spinorial)"), std::string::npos);
  ASSERT_EQ(TotalExtensions(), 2);
  const int G = extensionGeneratorCount();
  const std::vector<int>& row = getExtensions()[1];
  EXPECT_EQ(row[static_cast<std::size_t>(G) + 1], 1);  // supersymmetric
  EXPECT_EQ(row[static_cast<std::size_t>(G) + 2], 0);  // not non-chiral
  EXPECT_EQ(row[static_cast<std::size_t>(G) + 3], 1);  // spinorial
  capture.clear();
  runAll({"select extension 1"});
  EXPECT_NE(capture.printed.find("Supersymmetric extension\n"), std::string::npos);
  EXPECT_EQ(printedBy("supersymmetric"), "1\n");
  // Without "Super" no flag is set.
  runAll({"set super off", "reset tensor", "g d 8 1"});
  EXPECT_EQ(printedBy("collect extensions").find("(Supersymmetric)"), std::string::npos);
}

TEST_F(CommandsExtensionsTest, FourD4LevelOneFactorsHaveTheTwoSelfDualLatticesAsMaximalExtensions) {
  // D4 level 1 has the centre Z2 x Z2 of weights 0, 1/2, 1/2, 1/2; four factors give
  // Z2^8. A maximal extension by a group of order 16 = sqrt(256) is a self-dual theory of
  // c = 16: the even self-dual lattices of rank 16 are E8 x E8 and Spin(32)/Z2, so
  // exactly two extensions have four generators.
  runAll({"tensor", "g d 4 1", "g d 4 1", "g d 4 1", "g d 4 1", "collect extensions"});
  const std::vector<std::vector<int>>& rows = getExtensions();
  const int G = extensionGeneratorCount();
  ASSERT_EQ(G, 4);
  EXPECT_EQ(rows[0][0], -1);  // the unextended algebra first
  int four = 0;
  std::set<std::vector<int>> distinct;
  for (const std::vector<int>& row : rows) {
    if (row[4] == -1) ++four;
    distinct.insert(std::vector<int>(row.begin(), row.begin() + G + 1));
    // Every element of the generated group has integer spin.
    std::vector<int> group;
    for (int k = 0; k < G && row[static_cast<std::size_t>(k)] != -1; ++k) group.push_back(row[static_cast<std::size_t>(k)]);
    MOD_closeAlgebra(group);
    for (int J : group) EXPECT_EQ(ratWeight(J)->den, 1) << J;
  }
  EXPECT_EQ(four, 2);
  EXPECT_EQ(distinct.size(), rows.size());
}

}  // namespace
