// Checks and derived data of the modular layer as the commands print them: Frobenius-Schur
// indicators, the generalised indicator, the fusion integrality check, fixed-point fusion
// and the Dynkin indices found from fusion (with the files they write).
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "commands/Commands.h"
#include "interpreter/Interpreter.h"
#include "InterpreterTestSupport.h"
#include "modular/Modular.h"
#include "program/Boot.h"
#include "program/Startup.h"
#include "store/CurrentTheory.h"
#include "store/Storemanager.h"
#include "store/StoremanagerIndexFiles.h"
#include "TestSupport.h"

namespace {

class CommandsChecksTest : public ::testing::Test {
 protected:
  void SetUp() override {
    resetAll();
    setCosetMode(0);
    disableCoset();
  }
  void load(const char* line) {
    OutputCapture quiet;
    ASSERT_EQ(run(line), 0) << line;
  }
  std::string output(const char* line, int expected = 0) {
    OutputCapture capture;
    EXPECT_EQ(run(line), expected) << line;
    return capture.printed;
  }
};

std::string readFile(const std::string& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

TEST_F(CommandsChecksTest, FrobeniusSchurIndicatorsOfSU2AreThePowersOfMinusOne) {
  // SU(2) level k: the field of Dynkin label l has indicator (-1)^l. The fields of level 2
  // are (0,2), (2,0), (1,1).
  load("algebra a 1 2");
  EXPECT_EQ(output("get schur"), "Field  Indicator\n   0    1 \n   1    1 \n   2   -1 \n");
  EXPECT_EQ(output("get schur 2"), "  -1\n");
  // Z(a, 0) is the ordinary indicator.
  EXPECT_EQ(output("get g_schur 2 0"), "Z(2,0) = -1\n");
  EXPECT_EQ(output("get g_schur 1 0"), "Z(1,0) = 1\n");
}

TEST_F(CommandsChecksTest, ComplexFieldsHaveIndicatorZero) {
  // SU(3) level 1: the two fields besides the vacuum are conjugate to each other.
  load("algebra a 2 1");
  EXPECT_EQ(output("get schur"), "Field  Indicator\n   0    1 \n   1    0 \n   2    0 \n");
}

TEST_F(CommandsChecksTest, TheFusionCheckCountsEveryOrderedTriple) {
  // N fields give N(N+1)(N+2)/6 triples i <= j <= k: 10 for SU(2) level 2, 35 for level 4.
  load("algebra a 1 4");
  std::string text = output("check fusion");
  EXPECT_EQ(
      text.rfind(
          "Total number of fusion coefficients to be checked: 35\nCases checked: 35 out of 35 (in ",
          0),
      0u)
      << text;
  EXPECT_NE(text.find(" seconds); no failures\n"), std::string::npos) << text;
  text = output("check fusion 7");
  EXPECT_EQ(text.rfind("Cases checked: 7 out of 35 (in ", 0), 0u) << text;
  EXPECT_EQ(CheckFusionCoefficient(1, 2, 3), 0);
}

TEST_F(CommandsChecksTest, FixedPointFusion) {
  load("algebra a 1 2");
  // Current 0: the ordinary coefficient, N(2,2,0) = 1 (spin 1/2 x 1/2 contains 0).
  EXPECT_EQ(output("get fp_fusion 0 2 2 0"), "   N(2,2,0)=1\n");
  // Current 1 fixes field 2 alone; its fixed-point theory has one field, and the vacuum
  // fuses it with itself once.
  EXPECT_EQ(output("get fp_fusion 1 0 2 2"), "Nf_1(0,2,2)=1\n");
  OutputCapture capture;
  EXPECT_EQ(run("get fp_fusion 1 0 0 2"), 2);
  EXPECT_EQ(run("get fp_fusion 1 0 2 1"), 3);
  EXPECT_EQ(capture.diagnostics,
            "Current 1 does not fix field 0\n \nCurrent 1 does not fix field 1\n \n");
  load("algebra a 2 1");
  OutputCapture refusal;
  EXPECT_EQ(run("get fp_fusion 1 0 0 0"), 1);
  EXPECT_EQ(refusal.diagnostics, "Current 1 has no fixed points \n");
}

TEST_F(CommandsChecksTest, IndicesOfSU2FollowFromTheFundamental) {
  load("algebra a 1 4");
  const std::string indexFile = SM_setIndexFileName(currentSD);
  std::string charactersFile = indexFile;
  charactersFile.replace(charactersFile.size() - 8, 8, "_characters");
  std::remove(indexFile.c_str());
  std::remove(charactersFile.c_str());
  // Fields of level 4 in orbit order: labels 0, 4 | 1, 3 | 2. The quadratic index of spin
  // j is (2j)(2j+1)(2j+2)/6 times that of spin 1/2 (1 in the written file): 4 for spin 1,
  // 10 for 3/2, 20 for 2.
  OutputCapture capture;
  EXPECT_EQ(run("indices 1"), 0);
  EXPECT_NE(capture.printed.find("All indices determined\n"), std::string::npos) << capture.printed;
  EXPECT_NE(capture.printed.find("Field 1\nDimension = 5\nIndex[2] = 20\n"), std::string::npos)
      << capture.printed;
  capture.clear();
  EXPECT_EQ(run("indices 3"), 0);
  EXPECT_EQ(capture.printed, "Field 3\nDimension = 4\nIndex[2] = 10\n");
  capture.clear();
  EXPECT_EQ(run("indices 4"), 0);
  EXPECT_EQ(capture.printed, "Field 4\nDimension = 3\nIndex[2] = 4\n");
  // The first product used: spin 1/2 x 1/2 = 0 + 1.
  EXPECT_EQ(readFile(charactersFile)
                .rfind("G char_2 = char1 * char1\n -1 * char0 ;\n#call fixfac{}\n.store\n", 0),
            0u)
      << readFile(charactersFile);
  // The determined fields are appended to the index file: labels, dimension, index.
  EXPECT_NE(readFile(indexFile).find("2 \n3\n4\n"), std::string::npos) << readFile(indexFile);
}

TEST_F(CommandsChecksTest, TheAdjointOfSU3HasSixTimesTheFundamentalIndexAndNoAnomaly) {
  // SU(N): I_2(adjoint) = 2N I_2(fundamental); the cubic index of a real representation is
  // 0. Field 9 of SU(3) level 3 is the adjoint (1,1).
  load("algebra a 2 3");
  std::remove(SM_setIndexFileName(currentSD).c_str());
  ASSERT_EQ(SM_getRep(currentSD, 9)[0], 1);
  ASSERT_EQ(SM_getRep(currentSD, 9)[1], 1);
  OutputCapture capture;
  EXPECT_EQ(run("indices 9"), 0);
  EXPECT_NE(capture.printed.find("Field 9\nDimension = 8\nIndex[2] = 6\nIndex[3] = 0\n"),
            std::string::npos)
      << capture.printed;
  EXPECT_EQ(capture.diagnostics.find("Non-zero index sum rule"), std::string::npos);
}

TEST_F(CommandsChecksTest, IndicesAreReadBackFromTheFileOfAnEarlierRun) {
  load("algebra a 1 3");
  const std::string indexFile = SM_setIndexFileName(currentSD);
  std::remove(indexFile.c_str());
  {
    OutputCapture quiet;
    ASSERT_EQ(run("indices"), 0);
  }
  // A new run (the store's tables dropped) finds everything in the file.
  resetAll();
  setCosetMode(0);
  disableCoset();
  load("algebra a 1 3");
  OutputCapture capture;
  EXPECT_EQ(run("indices"), 0);
  EXPECT_EQ(capture.printed.find("Determining indices"), std::string::npos) << capture.printed;
  EXPECT_NE(capture.printed.find("All indices determined\n"), std::string::npos);
}

TEST_F(CommandsChecksTest, IndicesNeedAnAffineLieAlgebra) {
  load("algebra minimal 2 1");
  OutputCapture capture;
  EXPECT_EQ(run("indices"), 1);
  EXPECT_EQ(
      capture.diagnostics,
      "Indices not defined for type 27\n \nNon-interactive mode; Assuming default answer: OK\n");
}

}  // namespace
