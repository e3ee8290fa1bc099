// Macros, variables, procedures and function calls.
#include <gtest/gtest.h>

#include <string>

#include "interpreter/IntCommands.h"
#include "interpreter/Interpreter.h"
#include "InterpreterTestSupport.h"
#include "program/Boot.h"
#include "runtime/Error.h"
#include "runtime/Output.h"
#include "TestSupport.h"

namespace {

class InterpreterMacrosTest : public ::testing::Test {
 protected:
  void SetUp() override {
    resetAll();
    calls().clear();
    initCommand("tshow", "(x)...(y)", recordText, "Records its words.");
  }
};

int printsTwoLines(char**, int) {
  Print("first\n");
  Print("second\n");
  return 0;
}

int printsAndFails(char**, int) {
  Print("partial\n");
  return 4;
}

// Records the depth and the local variable "v" it sees.
int recordLocal(char**, int n) {
  const char* value = findLocalReplacement("v");
  calls().push_back("depth " + std::to_string(getCallDepth()) + ": v=" + (value != nullptr ? value : "none"));
  return -n;
}

int defineLocal(char** params, int n) {
  defineVariable("v", params[0]);
  return -n;
}

TEST_F(InterpreterMacrosTest, DefinitionsAreFoundExactlyOrByTheirBeginning) {
  AliasList& list = getGlobalVariableList();
  setAlias("alpha", "1", list);
  setAlias("beta", "2", list);
  EXPECT_EQ(findAlias("alpha", list, 1)->value, "1");
  EXPECT_EQ(findAlias("alp", list, 1), nullptr);
  EXPECT_EQ(findAlias("alp", list, 0)->value, "1");
  setAlias("alpha", "3", list);
  EXPECT_EQ(std::string(findReplacement("alpha", list)), "3");
  EXPECT_EQ(aliasNames(list), (std::vector<std::string>{"beta", "alpha"}));
  // A new name is stored without quote characters and escapes.
  setAlias("@we\\ird@", "x", list);
  EXPECT_NE(findAlias("weird", list, 1), nullptr);
  EXPECT_EQ(unsetAlias("beta", list), 0);
  OutputCapture capture;
  EXPECT_EQ(unsetAlias("beta", list), 1);
  EXPECT_EQ(capture.diagnostics, "beta not defined \n");
}

TEST_F(InterpreterMacrosTest, LocalVariablesComeBeforeGlobalOnes) {
  setAlias("v", "global", getGlobalVariableList());
  EXPECT_EQ(findLocalReplacement("v"), nullptr);
  EXPECT_EQ(std::string(findGlobalReplacement("v")), "global");
  EXPECT_EQ(defineVariable("v", "local"), 0);
  EXPECT_EQ(std::string(findLocalReplacement("v")), "local");
  OutputCapture capture;
  EXPECT_EQ(defineVariable("2x", "no"), 1);
  EXPECT_EQ(capture.diagnostics, "Variable name (2x) cannot start with number \n");
  EXPECT_EQ(findLocalReplacement("2x"), nullptr);
}

TEST_F(InterpreterMacrosTest, MacrosAreReplacedOutsideBracesAnywhereInAWord) {
  setAlias("ab", "XY", getMacroList());
  OutputCapture capture;
  run("tshow cabd {ab}");
  EXPECT_EQ(calls(), std::vector<std::string>{"tshow(cXYd,ab)"});
}

TEST_F(InterpreterMacrosTest, AMacroThatHoldsASemicolonMakesANewBlock) {
  setAlias("both", "tshow one; tshow two", getMacroList());
  OutputCapture capture;
  EXPECT_EQ(run("both; tshow three"), 0);
  EXPECT_EQ(calls(), (std::vector<std::string>{"tshow(one)", "tshow(two)", "tshow(three)"}));
}

TEST_F(InterpreterMacrosTest, MacrosReferringToEachOtherStopWithAnAlert) {
  setAlias("mone", "mtwo", getMacroList());
  setAlias("mtwo", "mone", getMacroList());
  OutputCapture capture;
  EXPECT_EQ(run("tshow mone; tshow after"), 1);
  EXPECT_NE(capture.diagnostics.find("Macro expansion does not end after 100 passes; block not run"),
            std::string::npos);
  EXPECT_TRUE(calls().empty());
  // A macro whose replacement holds its own name grows without end in one pass.
  freeVariables(getMacroList());
  setAlias("grow", "grow grow", getMacroList());
  capture.clear();
  EXPECT_EQ(run("tshow grow"), 1);
  EXPECT_NE(capture.diagnostics.find("Macro expansion grows without end; block not run"), std::string::npos);
}

TEST_F(InterpreterMacrosTest, PlaceholdersTakeTheParameters) {
  EXPECT_EQ(replaceDummiesbyValues("print %0 %1", {"x", "y"}), "print x y");
  // A placeholder beyond the parameters stays as written.
  EXPECT_EQ(replaceDummiesbyValues("print %0 %1", {"x"}), "print x %1");
  EXPECT_EQ(replaceDummiesbyValues("%10%1%", {"a", "b"}), "%10b%");
  // A negative placeholder is text.
  EXPECT_EQ(replaceDummiesbyValues("a %-1 b", {"x"}), "a %-1 b");
  EXPECT_EQ(replaceDummiesbyValues("%99999999999999999999", {"x"}), "%99999999999999999999");
}

TEST_F(InterpreterMacrosTest, ProceduresRunTheirBodyWithTheParameters) {
  OutputCapture capture;
  EXPECT_EQ(run("procedure twice(a|b) {tshow a b}"), 0);
  Command* node = matchComKey("twice");
  ASSERT_NE(node, nullptr);
  EXPECT_EQ(node->paramDescription, "[a](b)");
  EXPECT_EQ(node->exact, 1);
  EXPECT_EQ(std::string(findReplacement("twice", getProcedureList())), "tshow %0 %1");
  run("twice x y");
  run("twice x");
  EXPECT_EQ(calls(), (std::vector<std::string>{"tshow(x,y)", "tshow(x,%1)"}));
}

TEST_F(InterpreterMacrosTest, ManyParametersAreNoProblem) {
  OutputCapture capture;
  EXPECT_EQ(run("procedure p(a|b|c|d|e|f|g|h|i|j|k|l) {tshow l k a}"), 0);
  EXPECT_EQ(matchComKey("p")->paramDescription, "[a](b)(c)(d)(e)(f)(g)(h)(i)(j)(k)(l)");
  run("p 1 2 3 4 5 6 7 8 9 10 11 12");
  EXPECT_EQ(calls(), std::vector<std::string>{"tshow(12,11,1)"});
}

TEST_F(InterpreterMacrosTest, NestedProceduresSeeTheirOwnLocalVariables) {
  initCommand("tlocal", "", recordLocal, "");
  initCommand("tdefine", "[x]", defineLocal, "");
  OutputCapture capture;
  run("procedure inner {tdefine in; tlocal}");
  run("procedure outer {tdefine out; tlocal; inner; tlocal}");
  run("outer");
  run("tlocal");
  EXPECT_EQ(calls(), (std::vector<std::string>{"depth 1: v=out", "depth 2: v=in", "depth 1: v=out",
                                               "depth 0: v=none"}));
  EXPECT_TRUE(aliasListEmpty(getLocalVariableList(1)));
  EXPECT_TRUE(aliasListEmpty(getLocalVariableList(2)));
}

TEST_F(InterpreterMacrosTest, RecursionStopsAtAHundredLevels) {
  OutputCapture capture;
  run("procedure forever {forever}");
  EXPECT_EQ(run("forever"), 1);
  EXPECT_NE(capture.diagnostics.find("Procedure forever nested more than 100 levels deep; not run"),
            std::string::npos);
  EXPECT_EQ(getCallDepth(), 0);
}

TEST_F(InterpreterMacrosTest, AFailingBodyIsTheProcedureResult) {
  initCommand("tfails", "", failSeven, "");
  OutputCapture capture;
  run("procedure bad {tfails}");
  EXPECT_EQ(run("bad"), 7);
}

TEST_F(InterpreterMacrosTest, AFunctionCallCapturesWhatItPrints) {
  initCommand("ttwo", "", printsTwoLines, "");
  initCommand("tpartial", "", printsAndFails, "");
  std::string value;
  OutputCapture capture;
  EXPECT_EQ(execute_function({"ttwo"}, value), 0);
  EXPECT_EQ(value, "first\nsecond");
  EXPECT_EQ(capture.printed, "");
  EXPECT_EQ(execute_function({"tpartial"}, value), 4);
  EXPECT_EQ(value, "RETURN CODE 4");
  EXPECT_EQ(getReturnToBuffer(), 0);
  // Further arguments are one word each.
  EXPECT_EQ(execute_function({"tshow", "a b", "c"}, value), 0);
  EXPECT_EQ(calls(), std::vector<std::string>{"tshow(a b,c)"});
  EXPECT_EQ(makeCommandLine({"f", "x\ny"}, false), "f {x y} ");
  EXPECT_EQ(makeCommandLine({"f", "x"}, true), "break all");
}

TEST_F(InterpreterMacrosTest, AFunctionCallInsideACaptureKeepsTheOuterText) {
  initCommand("ttwo", "", printsTwoLines, "");
  OutputCapture capture;
  std::size_t start = returnBufferOn();
  Print("outer\n");
  std::string value;
  execute_function({"ttwo"}, value);
  EXPECT_EQ(value, "first\nsecond");
  EXPECT_EQ(takeReturnBuffer(start), "outer\n");
  returnBufferOff();
}

TEST_F(InterpreterMacrosTest, TheDefinitionsAreListed) {
  OutputCapture capture;
  setAlias("m", "r", getMacroList());
  run("procedure pr(x) {tshow x}");
  setAlias("g", "1", getGlobalVariableList());
  defineVariable("l", "2");
  run("status definitions");
  EXPECT_EQ(capture.printed,
            "Macro \"m\"; Replacement: \"r\"\n"
            "Procedure \"pr\"; Value: \"tshow %0\"\n"
            "Global variable \"g\"; Value: \"1\"\n"
            "Local var.(level 0) \"l\"; Value: \"2\"\n");
}

}  // namespace
