// The commands that make theories from the current one, compare and identify, read
// characters and show origins, and check S: what they print and refuse, and which theory
// is current afterwards.
#include <gtest/gtest.h>

#include <string>

#include "InterpreterTestSupport.h"
#include "TestSupport.h"
#include "commands/Commands.h"
#include "modular/Modular.h"
#include "program/Boot.h"
#include "store/CurrentTheory.h"
#include "store/Storemanager.h"

namespace {

class CommandsOrbifoldTest : public ZoqTest {
 protected:
  void SetUp() override {
    ZoqTest::SetUp();
    setCosetMode(0);
    disableCoset();
  }
  std::string output(const char* line, int expectedResult = 0) {
    capture.clear();
    EXPECT_EQ(run(line), expectedResult) << line;
    return capture.printed;
  }
};

TEST_F(CommandsOrbifoldTest, PermutationOrbifoldAndComplementBecomeCurrent) {
  output("algebra a 1 1");
  EXPECT_EQ(output("create permutation"), "CFT A1 level 1_perm; 9 primaries (4 simple currents)\n");
  EXPECT_STREQ(currentSD->name, "A1 level 1_perm");
  EXPECT_EQ(getModularMode()->active, 1);
  output("algebra a 1 2");
  EXPECT_EQ(output("create permutation Twice"), "CFT Twice; 15 primaries (4 simple currents)\n");
  // The complement of A1 level 1 has validity 2: no permutation orbifold of it, and it
  // stays current with its modular data.
  output("algebra a 1 1");
  EXPECT_EQ(output("create complement"), "CFT A1 level 1_compl; 2 primaries\n");
  SpectrumData* complement = currentSD;
  capture.clear();
  EXPECT_GT(run("create permutation"), 0);
  EXPECT_TRUE(alerted("Permutations for this algebra are not available"));
  EXPECT_EQ(currentSD, complement);
  EXPECT_EQ(getModularMode()->active, 1);
  EXPECT_EQ(getSpectrumComputed(), 1);
}

TEST_F(CommandsOrbifoldTest, CenterKeepsTheCurrentTheoryWhenRefused) {
  output("algebra a 1 4");
  output("create center X");
  EXPECT_STREQ(currentSD->name, "X");
  EXPECT_EQ(output("total simple_currents"), "1\n");
  EXPECT_EQ(getModularMode()->active, 1);
  output("create center Y 1");
  EXPECT_EQ(output("total simple_currents"), "2\n");
  SpectrumData* Y = currentSD;
  capture.clear();
  EXPECT_EQ(run("create center Z 2"), 1);
  EXPECT_TRUE(alerted("Field 2 is not a simple current"));
  EXPECT_EQ(SM_findCFT("Z"), nullptr);
  EXPECT_EQ(run("create center X"), 1);
  EXPECT_TRUE(alerted("Name X is already in use"));
  EXPECT_EQ(currentSD, Y);
  EXPECT_EQ(output("total simple_currents"), "2\n");
}

TEST_F(CommandsOrbifoldTest, CompareAndIdentify) {
  output("algebra a 1 4");
  output("create center X");
  EXPECT_EQ(
      output("Check Compare_algebras X {A1 level 4}").rfind("Comparing X and A1 level 4\n", 0), 0u);
  capture.clear();
  EXPECT_GT(run("Check Compare_algebras X nosuch"), 0);
  EXPECT_TRUE(alerted("No such algebra nosuch"));
  output("algebra a 1 4");
  EXPECT_EQ(output("identify 1 3"), "Field 2\n");
  capture.clear();
  EXPECT_GT(run("identify 1 3 0"), 0);
  EXPECT_TRUE(alerted("Too many arguments (representation size is 2)"));
  // Tensor mode: SU(2) level 4 extended by (4,0), one label per factor.
  for (const char* line : {"tensor", "g a 1 4", "current 1", "compute spectrum"})
    ASSERT_EQ(run(line), 0) << line;
  capture.clear();
  EXPECT_GT(run("identify"), 0);
  EXPECT_TRUE(alerted("Too few current components"));
  // (2,2) is the fixed point of (4,0); (1,3) has charge 1/2.
  EXPECT_EQ(output("identify 4"),
            "This combination belongs to field 1\n(This field is resolved into 2 irreducible "
            "components)\n");
  EXPECT_EQ(output("identify 2"), "This combination is projected out\n");
  const std::string origin = output("browse origin 1");
  EXPECT_EQ(origin.rfind("Field     1: Tensor decomposition: ", 0), 0u) << origin;
  EXPECT_NE(origin.find("\n  Field     4: Algebra A1 level 4, Dynkin labels "), std::string::npos)
      << origin;
}

TEST_F(CommandsOrbifoldTest, ModularChecks) {
  output("algebra a 1 2");
  const std::string report = output("check modular");
  EXPECT_NE(report.find("Unitarity test OK\nMaximal deviation: "), std::string::npos) << report;
  EXPECT_NE(report.find("ST^3 = S^2 test OK\nMaximal deviation: "), std::string::npos) << report;
  EXPECT_EQ(output("check unitarity 1 2"), "\nUnitarity test OK\n");
  EXPECT_EQ(output("check unitarity"), "\nUnitarity test OK\n");
}

}  // namespace
