// The twelve application argument types: accepted values, ranges "min:max" and "*",
// conjugates of negative labels, each refusal text with its status, and the side effect
// of "rank" and "radius" on "Maxrank".
#include <gtest/gtest.h>

#include <string>

#include "commands/Commands.h"
#include "interpreter/Interpreter.h"
#include "InterpreterTestSupport.h"
#include "program/Boot.h"
#include "program/Startup.h"
#include "runtime/Parameters.h"
#include "store/CurrentTheory.h"
#include "TestSupport.h"

namespace {

class CommandsConversionsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    resetAll();
    setCosetMode(0);
    disableCoset();
  }
  // Loads a theory quietly.
  void load(const char* line) {
    OutputCapture quiet;
    ASSERT_EQ(run(line), 0) << line;
  }
};

void expectResult(const ConversionResult& r, int status, int value, int value2 = 0) {
  EXPECT_EQ(r.status, status);
  EXPECT_EQ(r.value, value);
  if (status == -1) {
    EXPECT_EQ(r.value2, value2);
  }
}

TEST_F(CommandsConversionsTest, FieldLabelsRangesAndTheWholeRange) {
  load("algebra a 1 7");  // 8 primaries (j = 0..7)
  OutputCapture capture;
  expectResult(CONV_getLabel("5", 0), 0, 5);
  expectResult(CONV_getLabel("0:7", 0), -1, 0, 7);
  expectResult(CONV_getLabel("*", 1), -1, 0, 7);
  expectResult(CONV_getLabel("2:2", 0), -1, 2, 2);
  EXPECT_EQ(capture.diagnostics, "");
}

TEST_F(CommandsConversionsTest, FieldLabelRefusals) {
  load("algebra a 1 7");
  OutputCapture capture;
  EXPECT_EQ(CONV_getLabel("0:8", 0).status, 2);
  EXPECT_EQ(capture.diagnostics, "Maximum (8) out of range (parameter 0) \n");
  capture.clear();
  EXPECT_EQ(CONV_getLabel("3:1", 0).status, 2);
  EXPECT_EQ(capture.diagnostics, "Minimum (3) > Maximum (1) (parameter 0) \n");
  capture.clear();
  EXPECT_EQ(CONV_getLabel("-1:3", 1).status, 2);
  EXPECT_EQ(capture.diagnostics, "Minimum (-1) out of range (parameter 1) \n");
  capture.clear();
  EXPECT_EQ(CONV_getLabel("-8", 2).status, 2);
  EXPECT_EQ(capture.diagnostics, "Value -8 is not a valid label (parameter 2) \n");
  capture.clear();
  EXPECT_EQ(CONV_getLabel("8", 0).status, 2);
  EXPECT_EQ(capture.diagnostics, "Value 8 is not a valid label (parameter 0) \n");
  capture.clear();
  EXPECT_EQ(CONV_getLabel("x", 0).status, 1);
  EXPECT_EQ(CONV_getLabel("1:y", 0).status, 1);
}

TEST_F(CommandsConversionsTest, ANegativeLabelStandsForTheConjugate) {
  // A2 level 1: the two non-trivial fields are the 3 and the 3-bar, conjugate to each other.
  load("algebra a 2 1");
  EXPECT_EQ(CONV_getLabel("-1", 0).value, 2);
  EXPECT_EQ(CONV_getLabel("-2", 0).value, 1);
  EXPECT_EQ(CONV_getLabel("-0", 0).value, 0);
  // A1: every representation is self-conjugate.
  load("algebra a 1 4");
  for (int k = 0; k < 5; ++k) EXPECT_EQ(CONV_getLabel(std::to_string(-k).c_str(), 0).value, k);
}

TEST_F(CommandsConversionsTest, CurrentLabelsAreBoundedByTheSimpleCurrents) {
  load("algebra a 1 7");  // 2 simple currents
  OutputCapture capture;
  expectResult(CONV_getCurrent("1", 0), 0, 1);
  expectResult(CONV_getCurrent("*", 0), -1, 0, 1);
  EXPECT_EQ(CONV_getCurrent("2", 1).status, 2);
  EXPECT_EQ(capture.diagnostics, "Value 2 is not a simple current label (parameter 1) \n");
}

TEST_F(CommandsConversionsTest, BoundaryAndIshibashiLabelsRefuseNegativesAndWhatDoesNotExist) {
  // SU(2) at level 2, diagonal invariant: three boundaries and three Ishibashi labels.
  load("algebra a 1 2");
  OutputCapture capture;
  expectResult(CONV_getBound("2", 0), 0, 2);
  expectResult(CONV_getBound("*", 0), -1, 0, 2);
  EXPECT_EQ(CONV_getBound("3", 0).status, 2);
  EXPECT_EQ(capture.diagnostics, "Value 3 is not a boundary label (parameter 0) \n");
  capture.clear();
  EXPECT_EQ(CONV_getIshibashi("-1", 0).status, 2);
  EXPECT_EQ(capture.diagnostics, "Value -1 is not a Ishibashi label (parameter 0) \n");
  capture.clear();
  EXPECT_EQ(CONV_getIshibashi("3", 1).status, 2);
  EXPECT_EQ(capture.diagnostics, "Value 3 is not a Ishibashi label (parameter 1) \n");
}

TEST_F(CommandsConversionsTest, TheSharedConverterFollowsItsFlags) {
  OutputCapture capture;
  // Five boundaries: "*" is 0..4.
  expectResult(convertToRange("*", 5, 0, "boundary label", 1, 0), -1, 0, 4);
  EXPECT_EQ(convertToRange("-1", 5, 0, "boundary label", 1, 0).status, 2);
  expectResult(convertToRange("-4", 5, 0, "valid label", 1, 1), 0, -4);
  EXPECT_EQ(convertToRange("-5", 5, 0, "valid label", 1, 1).status, 2);
  // Without ranges a range word yields its minimum.
  expectResult(convertToRange("1:3", 5, 0, "valid label", 0, 0), 0, 1);
}

TEST_F(CommandsConversionsTest, ComponentLabelsNeedATensorFactorAtTheirPosition) {
  OutputCapture capture;
  EXPECT_EQ(CONV_getffield("0", 0).status, 1);
  EXPECT_EQ(capture.diagnostics, "Too many components \n");
  capture.clear();
  EXPECT_EQ(CONV_getfcur("0", 2).status, 1);
  EXPECT_EQ(capture.diagnostics, "Too many current components \n");
}

TEST_F(CommandsConversionsTest, SimpleRootsOfTheCurrentAlgebra) {
  load("algebra a 3 1");
  {
    OutputCapture capture;
    expectResult(CONV_getRoot("1", 0), 0, 1);
    expectResult(CONV_getRoot("3", 0), 0, 3);
    EXPECT_EQ(CONV_getRoot("4", 1).status, 2);
    EXPECT_EQ(capture.diagnostics, "The label 4 does not correspond to a simple root \n");
    EXPECT_EQ(CONV_getRoot("0", 1).status, 2);
    EXPECT_EQ(CONV_getRoot("r", 1).status, 1);
  }
  load("algebra u 4");
  OutputCapture capture;
  EXPECT_EQ(CONV_getRoot("1", 0).status, 2);
  EXPECT_EQ(capture.diagnostics, "No simple roots defined for this algebra \n");
}

TEST_F(CommandsConversionsTest, BoundedNumbers) {
  OutputCapture capture;
  expectResult(CONV_getN_susy("2", 0), 0, 2);
  expectResult(CONV_getN_susy("0", 0), 0, 0);
  EXPECT_EQ(CONV_getN_susy("3", 0).status, 2);
  EXPECT_EQ(capture.diagnostics, "Invalid number of supersymmetries \n");
  capture.clear();
  expectResult(CONV_getlevel("1", 0), 0, 1);
  EXPECT_EQ(CONV_getlevel("0", 0).status, 2);
  EXPECT_EQ(capture.diagnostics, "Level should be at least 1 \n");
  capture.clear();
  EXPECT_EQ(CONV_getlevel("one", 0).status, 1);
  EXPECT_EQ(capture.diagnostics, "Non-numerical parameter: one \n");
  capture.clear();
  expectResult(CONV_getdim("2", 0), 0, 2);
  EXPECT_EQ(CONV_getdim("1", 0).status, 2);
  EXPECT_EQ(capture.diagnostics, "Dimension should be at least 2 \n");
}

TEST_F(CommandsConversionsTest, DimensionsAboveTenWarnOnlyInSuperstringMode) {
  OutputCapture capture;
  expectResult(CONV_getdim("12", 0), 0, 12);
  EXPECT_EQ(capture.diagnostics, "");
  run("set super on");
  capture.clear();
  expectResult(CONV_getdim("12", 0), 0, 12);
  EXPECT_EQ(capture.diagnostics,
            "Warning: In superstring mode dimension should be at most 10 \n"
            "Non-interactive mode; Assuming default answer: OK\n");
}

TEST_F(CommandsConversionsTest, RanksRaiseMaxrankAndWarnFromTwentyOne) {
  int* maxrank = getIntParPointer("Maxrank");
  ASSERT_EQ(*maxrank, 20);
  OutputCapture capture;
  expectResult(CONV_getrank("19", 0), 0, 19);
  EXPECT_EQ(*maxrank, 20);
  expectResult(CONV_getrank("20", 0), 0, 20);
  EXPECT_EQ(*maxrank, 25);
  EXPECT_EQ(capture.diagnostics, "");
  expectResult(CONV_getrank("21", 0), 0, 21);
  EXPECT_EQ(capture.diagnostics, "Large ranks may lead to inaccurate results for S \n");
  capture.clear();
  EXPECT_EQ(CONV_getrank("0", 0).status, 2);
  EXPECT_EQ(capture.diagnostics, "Rank should be at least 1 \n");
}

TEST_F(CommandsConversionsTest, MaxrankNeverPassesItsCap) {
  int* maxrank = getIntParPointer("Maxrank");
  OutputCapture capture;
  expectResult(CONV_getrank("998", 0), 0, 998);
  EXPECT_EQ(*maxrank, kMaxrankCap);
  capture.clear();
  EXPECT_EQ(CONV_getrank("1001", 0).status, 2);
  EXPECT_EQ(capture.diagnostics, "Value 1001 exceeds the largest allowed rank 1000 \n");
  EXPECT_EQ(*maxrank, kMaxrankCap);
  capture.clear();
  // The radius names itself in the refusal.
  EXPECT_EQ(CONV_getradius("2000000000", 0).status, 2);
  EXPECT_EQ(capture.diagnostics,
            "Value 2000000000 exceeds the largest allowed radius 1000 \n");
  EXPECT_EQ(*maxrank, kMaxrankCap);
}

TEST_F(CommandsConversionsTest, RadiiAreAtLeastTwoAndOddOnesWarn) {
  int* maxrank = getIntParPointer("Maxrank");
  OutputCapture capture;
  expectResult(CONV_getradius("4", 0), 0, 4);
  EXPECT_EQ(capture.diagnostics, "");
  // A warning without a question: the value is accepted.
  expectResult(CONV_getradius("5", 0), 0, 5);
  EXPECT_EQ(capture.diagnostics, "Radius should be even (continue at your own risk) \n");
  // Each refusal gives its own reason: the circle theory of the least radius has two fields.
  const std::pair<const char*, const char*> refused[] = {
      {"0", "Radius cannot be 0 \n"},
      {"-3", "Radius cannot be negative \n"},
      {"1", "Radius should be at least 2 \n"},
  };
  for (const auto& [word, message] : refused) {
    capture.clear();
    EXPECT_EQ(CONV_getradius(word, 0).status, 2) << word;
    EXPECT_EQ(capture.diagnostics, message) << word;
  }
  expectResult(CONV_getradius("30", 0), 0, 30);
  EXPECT_EQ(*maxrank, 32);
}

TEST_F(CommandsConversionsTest, ARefusedParameterStopsTheCommandAndTheRunGoesOn) {
  OutputCapture capture;
  EXPECT_EQ(run("algebra a 0 1"), 2);
  EXPECT_EQ(capture.printed, "");
  EXPECT_EQ(run("algebra a 2 0"), 2);
  EXPECT_EQ(capture.diagnostics, "Rank should be at least 1 \nLevel should be at least 1 \n");
  capture.clear();
  EXPECT_EQ(run("algebra a 2 1"), 0);
  EXPECT_EQ(capture.printed, "CFT A2 level 1; 3 primaries (3 simple currents)\n");
}

}  // namespace
