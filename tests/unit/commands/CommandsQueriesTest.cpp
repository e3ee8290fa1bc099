// Queries about the current theory: the texts of roots of unity, the eta-twist codes,
// sums of S, exact dimensions, the twist relations of WZW models, the table columns, the
// argument count of "Compute S_analytic", the refusals and warnings in tensor mode, and
// the Lie and CFT summaries of tensor products.
#include <gtest/gtest.h>

#include <cstring>
#include <sstream>
#include <string>

#include "commands/Commands.h"
#include "interpreter/Interpreter.h"
#include "InterpreterTestSupport.h"
#include "program/Boot.h"
#include "program/Startup.h"
#include "runtime/Output.h"
#include "store/CurrentTheory.h"
#include "store/Storemanager.h"
#include "tensor/Coset.h"
#include "TestSupport.h"

namespace {

class CommandsQueriesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    resetAll();
    setCosetMode(0);
    disableCoset();
  }
  void TearDown() override {
    setBackground(0);
    setCosetMode(0);
    disableCoset();
  }
  void load(const char* line) {
    OutputCapture quiet;
    ASSERT_EQ(run(line), 0) << line;
  }
  // Tensor mode as the "tensor" command leaves it (no factors yet).
  void enterTensorMode() {
    setCosetMode(1);
    enableCoset();
  }
};

Rat q(long long n, long long d) {
  Rat r;
  r.num = n;
  r.den = d;
  return r;
}

std::string eta(long long n, long long d, int width) {
  return etaString(q(n, d), width);
}

TEST(EtaStrTest, TheFourPowersOfIAndTheirSigns) {
  EXPECT_EQ(eta(0, 1, 2), " 1");
  EXPECT_EQ(eta(1, 2, 2), "-1");
  EXPECT_EQ(eta(1, 4, 2), " i");
  EXPECT_EQ(eta(3, 4, 2), "-i");
  // Padded to the width; equal fractions and whole turns give the same phase.
  EXPECT_EQ(eta(2, 4, 4), "-1  ");
  EXPECT_EQ(eta(5, 4, 4), " i  ");
  EXPECT_EQ(eta(-1, 4, 4), "-i  ");
  EXPECT_EQ(eta(3, 3, 3), " 1 ");
}

TEST(EtaStrTest, OtherRootsAsDenominatorPowerWhenTheyFit) {
  EXPECT_EQ(eta(1, 3, 4), "3^1 ");
  EXPECT_EQ(eta(2, 3, 3), "***");  // d^n needs 3 characters plus room: width 4
  EXPECT_EQ(eta(7, 12, 4), "*** ");
  EXPECT_EQ(eta(7, 12, 5), "12^7 ");
  EXPECT_EQ(eta(13, 24, 5), "***  ");
  EXPECT_EQ(eta(13, 24, 6), "24^13 ");
  EXPECT_EQ(eta(1, 100, 7), "***    ");
}

TEST(EtaStrTest, NeverWritesPastTheWidth) {
  for (int width = 0; width <= 7; ++width) {
    char buffer[16];
    std::memset(buffer, '#', sizeof buffer);
    char* end = etaStr(buffer, q(13, 24), width);
    EXPECT_EQ(end, buffer + width);
    EXPECT_EQ(buffer[width], '\0');
    EXPECT_EQ(buffer[width + 1], '#') << "width " << width;
    EXPECT_EQ(std::strlen(buffer), static_cast<std::size_t>(width));
  }
}

TEST(EtaTwistTest, GOfOneHalfWithFMinusOneGivesRatioOne) {
  bool strange = true;
  const int G = etaTwistCode(q(1, 2), &strange);
  EXPECT_FALSE(strange);
  EXPECT_EQ(G, 2);
  EXPECT_EQ(std::string(twistText(twistRatioCode(2, G))), " 1");
  // G = 3/2 is the same phase -1.
  EXPECT_EQ(etaTwistCode(q(3, 2), &strange), 2);
  // G = 0 with F = -1: the ratio is -1.
  EXPECT_EQ(etaTwistCode(q(0, 1), &strange), 0);
  EXPECT_EQ(std::string(twistText(twistRatioCode(2, 0))), "-1");
  // F = i over G = -1 is -i.
  EXPECT_EQ(std::string(twistText(twistRatioCode(1, 2))), "-i");
  // Any other G is strange.
  etaTwistCode(q(1, 3), &strange);
  EXPECT_TRUE(strange);
  EXPECT_EQ(std::string(twistText(-1)), "UNDEF");
  EXPECT_EQ(std::string(twistText(7)), "UNDEF");
}

TEST_F(CommandsQueriesTest, SSumOverTheCurrentsOfSU2Level2) {
  // S = (1/2) (1 1 sqrt2; 1 1 -sqrt2; sqrt2 -sqrt2 0) for j = 0, 1, 1/2: the sum of the
  // first two columns is 1, 1, 0.
  load("algebra a 1 2");
  OutputCapture capture;
  EXPECT_EQ(run("compute S_sum 0 1"), 0);
  EXPECT_EQ(capture.printed,
            "0:         1.0000000000           +        0.0000000000 i\n"
            "1:         1.0000000000           +        0.0000000000 i\n"
            "2:         0.0000000000           +        0.0000000000 i\n");
}

TEST_F(CommandsQueriesTest, DimensionsOfTheE8Level2Fields) {
  // h = C/(2(k+g)) with k+g = 32: weight 15/16 is the adjoint (C = 60, dimension 248),
  // weight 3/2 the 3875 (C = 96).
  load("algebra e 8 2");
  for (int a = 0; a < currentSD->n_primaries; ++a) {
    Rat h;
    SM_getRatWeight(currentSD, a, &h);
    std::string expected = h.num == 0 ? "1\n" : (h.den == 16 ? "248\n" : "3875\n");
    OutputCapture capture;
    std::string line = "dimension " + std::to_string(a);
    EXPECT_EQ(run(line.c_str()), 0);
    EXPECT_EQ(capture.printed, expected) << line;
  }
}

TEST_F(CommandsQueriesTest, TwistRelationsHoldForWzwModels) {
  // F is symmetric and multiplicative, and F/G = 1, for every WZW model with fixed points.
  for (const char* theory : {"algebra a 1 4", "algebra a 1 6", "algebra a 3 2", "algebra d 4 2"}) {
    load(theory);
    OutputCapture capture;
    EXPECT_EQ(run("check twist all"), 0) << theory;
    EXPECT_EQ(capture.printed,
              "All twists are well-defined\n"
              "No violations in second argument product rule\n"
              "No violations in third argument product rule\n"
              "No eta-twist violations\n")
        << theory;
  }
}

TEST_F(CommandsQueriesTest, BrowseEtaOfSU2Level2) {
  // J = (2,0) fixes the spin-1/2 field 2, the only field of orbit 1, with eta = 1/4.
  load("algebra a 1 2");
  OutputCapture capture;
  EXPECT_EQ(run("browse eta"), 0);
  EXPECT_EQ(capture.printed, " Nr.  Orb.  J1  \n   2    1    i  \n");
}

TEST_F(CommandsQueriesTest, SAnalyticCountsBeforeConverting) {
  load("algebra a 2 1");
  OutputCapture capture;
  // Four words for rank 2 (five needed), one of them no number: the count is refused.
  EXPECT_NE(run("Compute S_analytic 1 x 0 0"), 0);
  EXPECT_NE(capture.all.find("incorrect number of parameters"), std::string::npos);
  EXPECT_EQ(capture.all.find("S:"), std::string::npos);
}

TEST_F(CommandsQueriesTest, ListAndUnlistNameUnknownColumns) {
  load("algebra a 1 1");
  OutputCapture capture;
  EXPECT_EQ(run("list nosuch"), 0);
  EXPECT_EQ(run("unlist other"), 0);
  EXPECT_EQ(capture.printed, "Column nosuch not found\nColumn other not found\n");
}

TEST_F(CommandsQueriesTest, UserColumnShowsUntilUnlisted) {
  load("algebra a 1 1");
  load("new column Square #*#");
  OutputCapture capture;
  run("display");
  EXPECT_NE(capture.printed.find("Square"), std::string::npos);
  // Field 1 squared.
  EXPECT_NE(capture.printed.find("  1    "), std::string::npos);
  capture.clear();
  EXPECT_EQ(run("display entry Square 1"), 0);
  EXPECT_EQ(capture.printed, "1\n\n");
  capture.clear();
  run("unlist Square");
  run("display");
  EXPECT_EQ(capture.printed.find("Square"), std::string::npos);
  // The name is taken, by the user column and by the store's own columns.
  capture.clear();
  EXPECT_NE(run("new column square #"), 0);
  EXPECT_NE(run("new column Weights #"), 0);
  EXPECT_NE(capture.all.find("Column square exists already"), std::string::npos);
}

TEST_F(CommandsQueriesTest, DisplayEntryOfAnUnknownColumnFails) {
  load("algebra a 1 1");
  OutputCapture capture;
  EXPECT_NE(run("display entry nosuch 0"), 0);
  EXPECT_NE(capture.all.find("nosuch"), std::string::npos);
}

TEST_F(CommandsQueriesTest, TensorModeRefusalsOfSingleAlgebraQueries) {
  load("algebra a 1 2");
  enterTensorMode();
  struct Case {
    int (*handler)(char**, int);
    const char* message;
  };
  const Case cases[] = {
      {COM_grade, "Grade command only works in algebra mode"},
      {COM_getdim, "Command only available in single algebra mode"},
      {COM_browse_eta, "Feature not available for tensor products"},
      {COM_checkEtaRelation, "Feature not available for tensor products"},
      {COM_browse_twist, "Twist not available for tensor products"},
      {COM_raws, "Command only available in single algebra mode"},
  };
  for (const Case& c : cases) {
    OutputCapture capture;
    EXPECT_EQ(c.handler(nullptr, 1), 1) << c.message;
    EXPECT_NE(capture.all.find(c.message), std::string::npos) << capture.all;
  }
}

TEST_F(CommandsQueriesTest, TwistChecksOnlyWarnInTensorModeAndABackgroundRunGoesOn) {
  load("algebra a 1 2");
  enterTensorMode();
  setBackground(1);
  int (*const handlers[])(char**, int) = {COM_check_twist_all, COM_check_twist_eta,
                                          COM_check_twist_definition, COM_check_twist_prod,
                                          COM_etatwist};
  for (auto handler : handlers) {
    OutputCapture capture;
    // A warning of severity 3 or more would end the process here.
    EXPECT_LE(handler(nullptr, 0), 0);
    EXPECT_NE(capture.all.find("Not yet built in for tensor mode"), std::string::npos);
    EXPECT_EQ(capture.all.find("All twists are well-defined"), std::string::npos);
  }
}

}  // namespace

namespace {

TEST_F(CommandsQueriesTest, TraceSSwitchesTheTracesOnAndOff) {
  load("algebra a 1 1");
  std::string plain;
  {
    OutputCapture capture;
    run("s 0 1");
    plain = capture.all;
  }
  ASSERT_NE(plain.find("0.70710678"), std::string::npos);  // 1/sqrt 2
  {
    OutputCapture capture;
    EXPECT_EQ(run("trace S on"), 0);
    run("s 0 1");
    EXPECT_GT(capture.all.size(), plain.size());
    EXPECT_NE(capture.all.find("0.70710678"), std::string::npos);
  }
  {
    OutputCapture capture;
    EXPECT_EQ(run("trace S off"), 0);
    run("s 0 1");
    EXPECT_EQ(capture.all, plain);
  }
  {
    // A value the switch conversion refuses leaves the trace off.
    OutputCapture capture;
    EXPECT_NE(run("trace S 2"), 0);
    capture.clear();
    run("s 0 1");
    EXPECT_EQ(capture.all, plain);
  }
}

}  // namespace

namespace {

TEST_F(CommandsQueriesTest, DimensionIsRefusedForTheoriesWithoutLieAlgebra) {
  // The N=2 minimal model has no Weyl dimension formula: a refusal, not a crash.
  load("algebra minimal 2 2");
  OutputCapture capture;
  EXPECT_NE(run("dimension 1"), 0);
  EXPECT_NE(capture.all.find("Dimensions not available for"), std::string::npos);
}

}  // namespace

namespace {

TEST_F(CommandsQueriesTest, TexStringIsSetOnce) {
  load("algebra a 1 2");
  load("set texstring {SU(2)_2}");
  ASSERT_NE(currentSD->tex, nullptr);
  EXPECT_STREQ(currentSD->tex, "SU(2)_2");
  // The store keeps the first name.
  OutputCapture capture;
  run("set texstring");
  EXPECT_NE(capture.all.find("TeX string already set"), std::string::npos);
  EXPECT_STREQ(currentSD->tex, "SU(2)_2");
}

TEST_F(CommandsQueriesTest, TexStringWithoutTextIsEmpty) {
  load("algebra a 1 3");
  load("set texstring");
  ASSERT_NE(currentSD->tex, nullptr);
  EXPECT_STREQ(currentSD->tex, "");
}

TEST_F(CommandsQueriesTest, SingleAlgebraTextsInTensorMode) {
  load("algebra a 1 2");
  enterTensorMode();
  OutputCapture capture;
  EXPECT_EQ(COM_browse_data(nullptr, 0), 0);
  EXPECT_EQ(capture.printed, "Command only available in single algebra mode\n");
}

}  // namespace

namespace {

TEST_F(CommandsQueriesTest, AViolatedProductRuleIsReportedOnceThenEveryPairListed) {
  // The N=2 minimal model at level 2 has 16 currents; current 12 fixes fields 16 to 23.
  // Twists under currents that move the field are not multiplicative, so the second
  // argument rule fails: each failing (a, J) prints its heading once and then one line
  // for each of the 16 * 17 / 2 = 136 pairs K1 <= K2.
  load("algebra minimal 2 2");
  OutputCapture capture;
  EXPECT_EQ(run("check twist product"), 0);
  std::istringstream lines(capture.printed);
  std::string line;
  int headings = 0;
  int listed = -1;
  while (std::getline(lines, line)) {
    if (line.rfind("Product rule F(a,K1,J)F(a,K2,J)=F(a,K1.K2,J) violation found", 0) == 0) {
      if (listed >= 0) {
        EXPECT_EQ(listed, 136);
      }
      ++headings;
      listed = 0;
    } else if (line.rfind("      F(", 0) == 0 || line.rfind("***   F(", 0) == 0) {
      ++listed;
    } else {
      if (listed >= 0) {
        EXPECT_EQ(listed, 136);
      }
      listed = -1;
    }
  }
  EXPECT_EQ(listed, -1);  // the summary line closes the last listing
  EXPECT_GE(headings, 1);
  EXPECT_EQ(capture.printed.find("No violations in second argument product rule"),
            std::string::npos);
  EXPECT_NE(capture.printed.find("No violations in third argument product rule"),
            std::string::npos);
}

}  // namespace

namespace {

// Builds a tensor product as a user types it and computes its spectrum.
void buildTensor(std::initializer_list<const char*> lines) {
  OutputCapture quiet;
  ASSERT_EQ(run("tensor"), 0);
  for (const char* line : lines) ASSERT_EQ(run(line), 0) << line;
  ASSERT_EQ(run("compute spectrum"), 0);
}

std::string printedBy(const char* line) {
  OutputCapture capture;
  EXPECT_EQ(run(line), 0) << line;
  return capture.printed;
}

TEST_F(CommandsQueriesTest, SpinOneCurrentsOfTensorProductsAndExtensions) {
  struct Case {
    std::initializer_list<const char*> lines;
    int currents;
  };
  const Case cases[] = {
      // SU(2)_4 alone: its own three currents.
      {{"g a 1 4"}, 3},
      // Extended by the spin-2 field (h = 4/4 = 1, five states): SU(3)_1, dim A2 = 8.
      {{"g a 1 4", "current 1"}, 8},
      // SU(2)_2 x SU(2)_2 by (1,1) (h = 1/2 + 1/2, 3 x 3 states): SO(6)_1, dim so(6) = 15.
      {{"g a 1 2", "g a 1 2", "current 1 1"}, 15},
      // SU(2)_8 by its current of weight 8/4 = 2, which is no spin-one current.
      {{"g a 1 8", "current 1"}, 3},
      // E8_1 x SU(2)_1: 248 + 3.
      {{"g e 8 1", "g a 1 1"}, 251},
  };
  for (const Case& c : cases) {
    resetAll();
    setCosetMode(0);
    disableCoset();
    buildTensor(c.lines);
    EXPECT_EQ(SpinOneCount(currentTensor), c.currents);
    EXPECT_EQ(printedBy("browse Lie"), formatText("Number of spin 1 currents: %d\n", c.currents));
  }
}

TEST_F(CommandsQueriesTest, CFTSummaryOfSU3Level1AsAnExtension) {
  buildTensor({"g a 1 4", "current 1"});
  // c(SU(2)_4) = 3 * 4 / 6 = 2; SU(3)_1 has three primaries.
  EXPECT_EQ(printedBy("browse CFT"),
            "Tensor product: \n"
            "tensor\n"
            "G A 1 4\n"
            "current 1 \n"
            "Central Charge:                   2.0000000      \n"
            "Number of primaries:              3\n");
}

TEST_F(CommandsQueriesTest, CosetsHaveASummaryButNoSpinOneCount) {
  // SU(2)_1 x SU(2)_1 / SU(2)_2 is the Ising model: c = 1 + 1 - 3/2 = 1/2, 3 primaries.
  buildTensor({"g a 1 1", "g a 1 1", "h a 1 2", "current 1 1 1"});
  EXPECT_EQ(printedBy("browse Lie"), "Information not available for coset CFT's\n");
  const std::string summary = printedBy("browse CFT");
  EXPECT_EQ(summary.rfind("Coset CFT: \ntensor\nG A 1 1\nG A 1 1\nH A 1 2\ncurrent 1 1 1 \n", 0), 0u)
      << summary;
  EXPECT_NE(summary.find("Central Charge:                   0.5000000"), std::string::npos);
  EXPECT_NE(summary.find("Number of primaries:              3\n"), std::string::npos);
  OutputCapture capture;
  EXPECT_EQ(SpinOneCount(currentTensor), 0);
  EXPECT_NE(capture.all.find("Spin one multiplicity not available for coset CFT's"), std::string::npos);
}

TEST_F(CommandsQueriesTest, SummariesOfAnEmptyTensorProduct) {
  // No factors: no currents, c = 0, no primaries.
  enterTensorMode();
  OutputCapture capture;
  EXPECT_EQ(COM_browse_spin1(nullptr, 0), 0);
  EXPECT_EQ(capture.printed, "Number of spin 1 currents: 0\n");
  capture.clear();
  EXPECT_EQ(COM_browse_cft(nullptr, 0), 0);
  EXPECT_EQ(capture.printed,
            "Tensor product: \n"
            "tensor\n"
            "Central Charge:                   0.0000000      \n"
            "Number of primaries:              0\n");
}

TEST_F(CommandsQueriesTest, TraceSSwitchesTheTensorTraceToo) {
  OutputCapture quiet;
  ASSERT_EQ(CT_get_S_CALL_TRACE(), 0);
  EXPECT_EQ(run("trace S on"), 0);
  EXPECT_EQ(CT_get_S_CALL_TRACE(), 1);
  // A refused value changes nothing.
  EXPECT_NE(run("trace S 2"), 0);
  EXPECT_EQ(CT_get_S_CALL_TRACE(), 1);
  EXPECT_EQ(run("trace S off"), 0);
  EXPECT_EQ(CT_get_S_CALL_TRACE(), 0);
}

}  // namespace

namespace {

// The field of the current tensor product with these factor labels.
int tensorField(int a, int b) {
  for (int k = 0; k < currentTensor->Spectrum.size(); ++k) {
    const int* row = currentTensor->Spectrum.row(k);
    if (row[0] == a && row[1] == b) return k;
  }
  return -1;
}

std::string order(int J, int a) { return printedBy(formatText("get order %d %d", J, a).c_str()); }

// "get order J a" is how often J acts on a before a comes back. SU(2)_4 numbers its fields
// 0 (j = 0), 1 (j = 2, the current), 2 (j = 1/2), 3 (j = 3/2), 4 (j = 1); the current maps
// j to 2 - j, so j = 1 is its fixed point.
TEST_F(CommandsQueriesTest, GetOrderIsTheOrbitLengthOfTheFieldUnderTheCurrent) {
  load("algebra a 1 4");
  // h = j(j+1)/6: the numbering above.
  EXPECT_EQ(printedBy("get weight 1"), "1\n");
  EXPECT_EQ(printedBy("get weight 2"), "1/8\n");
  EXPECT_EQ(printedBy("get weight 4"), "1/3\n");
  // In a background run a serious alert would end the process here.
  setBackground(1);
  EXPECT_EQ(order(1, 0), "Order 2\n");
  EXPECT_EQ(order(1, 4), "Order 1\n");
  EXPECT_EQ(order(1, 2), "Order 2\n");  // 1/2 -> 3/2 -> 1/2
  EXPECT_EQ(order(0, 3), "Order 1\n");
  // Field 4 is no current: refused, and the run goes on.
  OutputCapture capture;
  EXPECT_NE(run("get order 4 0"), 0);
  EXPECT_NE(capture.all.find("Value 4 is not a simple current label"), std::string::npos) << capture.all;
  EXPECT_EQ(capture.printed.find("Order"), std::string::npos);
}

// The same on SU(2)_4 x SU(2)_2 (SU(2)_2: 0 (j = 0), 1 (j = 1, the current), 2 (j = 1/2),
// whose current fixes j = 1/2).
TEST_F(CommandsQueriesTest, GetOrderOnATensorProduct) {
  buildTensor({"g a 1 4", "g a 1 2"});
  // 1/3 + 3/16: the field (j = 1, j = 1/2).
  ASSERT_EQ(printedBy(formatText("get weight %d", tensorField(4, 2)).c_str()), "25/48\n");
  const int J10 = tensorField(1, 0), J01 = tensorField(0, 1), J11 = tensorField(1, 1);
  ASSERT_TRUE(J10 >= 0 && J10 < 4 && J01 >= 0 && J01 < 4 && J11 >= 0 && J11 < 4);
  setBackground(1);
  EXPECT_EQ(order(J10, 0), "Order 2\n");
  EXPECT_EQ(order(J10, tensorField(4, 2)), "Order 1\n");
  EXPECT_EQ(order(J10, tensorField(2, 0)), "Order 2\n");
  EXPECT_EQ(order(J11, tensorField(4, 2)), "Order 1\n");
  EXPECT_EQ(order(J01, tensorField(2, 2)), "Order 1\n");
  EXPECT_EQ(order(J01, tensorField(2, 0)), "Order 2\n");
  EXPECT_EQ(order(J11, tensorField(3, 0)), "Order 2\n");
}

}  // namespace
