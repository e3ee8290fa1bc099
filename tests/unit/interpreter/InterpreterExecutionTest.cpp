// Command execution: result codes, parameter counts, typed conversions and ranges,
// leftover words run as the next command, hooks, variable substitution, function-call
// blocks and the "break" counter.
#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "interpreter/IntCommands.h"
#include "interpreter/Interpreter.h"
#include "InterpreterTestSupport.h"
#include "program/Boot.h"
#include "runtime/Error.h"
#include "runtime/Output.h"
#include "TestSupport.h"

namespace {

class InterpreterExecutionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    resetAll();
    calls().clear();
  }
};

// A range "a:b" or a plain integer.
ConversionResult rangeConversion(const char* token, int) {
  std::string text(token);
  std::size_t colon = text.find(':');
  if (colon == std::string::npos) return ConversionResult{0, std::stoi(text), 0};
  return ConversionResult{-1, std::stoi(text.substr(0, colon)), std::stoi(text.substr(colon + 1))};
}

ConversionResult refuseConversion(const char*, int) { return ConversionResult{5, 0, 0}; }

int failOnTwo(char** params, int n) {
  recordInts(params, n);
  return intParameter(params, 0) == 2 ? 11 : -n;
}

void* seenInfo = nullptr;
int recordInfo(char** params, int n) {
  seenInfo = functionInfoOf(params);
  return -n;
}

int preResult = 0;
int preCalls = 0;
int postCalls = 0;
int countingPre() {
  ++preCalls;
  return preResult;
}
void countingPost() { ++postCalls; }

int editsItsWord(char** params, int n) {
  params[0][0] = 'X';
  return recordText(params, n);
}

void registerRangeType() { getConversion("trange", makeConversionMethod(rangeConversion, 'i', "Test range")); }

TEST_F(InterpreterExecutionTest, OneParameterCommandsRunOneAfterTheOther) {
  initCommand("ta", "(x)", recordText, "");
  initCommand("tb", "(x)", recordText, "");
  OutputCapture capture;
  EXPECT_EQ(run("ta 1 tb 2"), 0);
  EXPECT_EQ(calls(), (std::vector<std::string>{"ta(1)", "tb(2)"}));
}

TEST_F(InterpreterExecutionTest, ACommandTakingTwoLeavesTheThirdWordAsACommand) {
  initCommand("ta", "(x)(y)", recordText, "");
  initCommand("tb", "(x)", recordText, "");
  OutputCapture capture;
  EXPECT_EQ(run("ta 1 tb 2"), kResultNoCommand);
  EXPECT_EQ(calls(), std::vector<std::string>{"ta(1,tb)"});
  EXPECT_EQ(capture.diagnostics, "Command 2 not known  \n");
}

TEST_F(InterpreterExecutionTest, AHandlerThatConsumesLessLeavesTheRestAsTheNextCommand) {
  initCommand("ta", "(x)(y)", recordFirstOnly, "");
  initCommand("tb", "(x)", recordText, "");
  OutputCapture capture;
  EXPECT_EQ(run("ta 1 tb 2"), 0);
  EXPECT_EQ(calls(), (std::vector<std::string>{"ta(1,tb)", "tb(2)"}));
}

TEST_F(InterpreterExecutionTest, LeftoversTryTheLongestSharedPrefixFirst) {
  initCommand("tgroup one", "(x)", recordText, "");
  initCommand("tgroup two", "(x)", recordText, "");
  initCommand("two", "(x)", recordText, "");
  OutputCapture capture;
  EXPECT_EQ(run("tgroup one 5 two 6"), 0);
  EXPECT_EQ(calls(), (std::vector<std::string>{"tgroup one(5)", "tgroup two(6)"}));
  calls().clear();
  // No "tgroup three": the leftover words run alone.
  EXPECT_EQ(run("tgroup one 5 tq"), kResultNoCommand);
  EXPECT_EQ(calls(), std::vector<std::string>{"tgroup one(5)"});
}

TEST_F(InterpreterExecutionTest, TooFewParametersAreNoCommand) {
  initCommand("tpair", "[x][y]", recordText, "");
  initCommand("tone", "[x]", recordText, "");
  OutputCapture capture;
  EXPECT_EQ(run("tpair 1"), kResultNoCommand);
  EXPECT_EQ(capture.diagnostics, "Command \"tpair\" requires at least 2 parameters: tpair [x][y]  \n");
  capture.clear();
  EXPECT_EQ(run("tone"), kResultNoCommand);
  EXPECT_EQ(capture.diagnostics, "Command \"tone\" requires at least one parameter: tone [x]  \n");
  EXPECT_TRUE(calls().empty());
}

TEST_F(InterpreterExecutionTest, TypedParametersArriveAsIntegers) {
  initCommand("tints", "[int a][pos_int b]", recordInts, "");
  OutputCapture capture;
  EXPECT_EQ(run("tints -3 12"), 0);
  EXPECT_EQ(calls(), std::vector<std::string>{"tints(-3,12)"});
  // A refused conversion is the block's result; the handler never runs.
  EXPECT_EQ(run("tints 1 0"), 1);
  EXPECT_EQ(capture.diagnostics, "Parameter \"b\" of \"tints\" must be positive, not 0 \n");
  EXPECT_EQ(calls().size(), 1U);
  getConversion("trefuse", makeConversionMethod(refuseConversion, 'i', "Refuses"));
  initCommand("trefused", "[trefuse x]", recordInts, "");
  EXPECT_EQ(run("trefused 1"), 5);
}

TEST_F(InterpreterExecutionTest, ARefusedValueNamesItsParameterAndTheValue) {
  initCommand("tsigns", "(sign s_1)...(sign s_n)", recordInts, "");
  initCommand("tcount", "[non_neg_int nr]", recordInts, "");
  OutputCapture capture;
  EXPECT_EQ(run("tsigns 1 -1 3"), 1);
  EXPECT_EQ(capture.diagnostics, "Parameter \"s_n\" (number 3) of \"tsigns\" must be 1 or -1, not 3 \n");
  capture.clear();
  // 0 is allowed here: the refusal says so.
  EXPECT_EQ(run("tcount -2"), 1);
  EXPECT_EQ(capture.diagnostics, "Parameter \"nr\" of \"tcount\" must be 0 or more, not -2 \n");
  EXPECT_TRUE(calls().empty());
  // Between commands no parameter is being converted.
  EXPECT_EQ(convertingParameterSubject(), "Parameter");
}

TEST_F(InterpreterExecutionTest, AModeRefusalIsTheModesMessageAlone) {
  // A parameter word that is no keyword of the command is noted during the look-up; once
  // the command is found, the mode's refusal is the only message.
  Mode* mode = makeMode("Only in the test mode");
  setCurrentMode(mode);
  initCommand("tmoded", "(int x)", recordInts, "");
  initCommand("tmoded key", "", recordText, "");
  setCurrentMode(getDefaultMode());
  switchMode(mode, 0);
  OutputCapture capture;
  EXPECT_EQ(run("tmoded 1"), kResultNotExecutable);
  EXPECT_EQ(capture.diagnostics, "Invalid command: tmoded\nOnly in the test mode  \n");
  EXPECT_TRUE(calls().empty());
}

TEST_F(InterpreterExecutionTest, ARangeCallsTheHandlerOncePerValue) {
  registerRangeType();
  initCommand("tloop", "[trange x](trange y)", recordInts, "");
  OutputCapture capture;
  EXPECT_EQ(run("tloop 1:3"), 0);
  EXPECT_EQ(calls(), (std::vector<std::string>{"tloop(1)", "tloop(2)", "tloop(3)"}));
  calls().clear();
  // Two ranges: every pair, the last parameter fastest.
  EXPECT_EQ(run("tloop 1:2 5:6"), 0);
  EXPECT_EQ(calls(), (std::vector<std::string>{"tloop(1,5)", "tloop(1,6)", "tloop(2,5)", "tloop(2,6)"}));
}

TEST_F(InterpreterExecutionTest, AFailingCallStopsTheRange) {
  registerRangeType();
  initCommand("tfail", "[trange x]", failOnTwo, "");
  OutputCapture capture;
  EXPECT_EQ(run("tfail 1:5"), 11);
  EXPECT_EQ(calls(), (std::vector<std::string>{"tfail(1)", "tfail(2)"}));
}

TEST_F(InterpreterExecutionTest, ResultCodesOfTheExecutor) {
  initCommand("tfails", "", failSeven, "");
  OutputCapture capture;
  EXPECT_EQ(run("tfails"), 7);
  EXPECT_EQ(run("tnothing"), kResultNoCommand);
  EXPECT_EQ(run("free"), kResultNotExecutable);
  CommandLine* line = newCommandLine();
  line->tokens[0] = nullptr;
  EXPECT_EQ(executeCommandBlock(line, 1, 1), kResultEmptyBlock);
  appendToLine(line, "continue");
  line->blockStart = 0;
  line->blockEnd = line->end;
  chopLine(line);
  setBreakCounter(1);
  EXPECT_EQ(executeCommandBlock(line, 1, 1), kResultBreak);
  setBreakCounter(0);
  EXPECT_EQ(executeCommandBlock(line, 1, 1), 0);
  // A block must match as many words as required.
  EXPECT_EQ(executeCommandBlock(line, 1, 2), kResultNoCommand);
  freeCommandLine(line);
}

TEST_F(InterpreterExecutionTest, AHandlerErrorEndsTheLineAndTheRestIsReported) {
  initCommand("tfails", "", failSeven, "");
  initCommand("tafter", "", recordText, "");
  OutputCapture capture;
  EXPECT_EQ(composeCommandLine("tfails; tafter"), 7);
  EXPECT_EQ(calls(), std::vector<std::string>{"tfails()"});
  EXPECT_EQ(capture.diagnostics, "Remainder (tafter) ignored \n");
}

TEST_F(InterpreterExecutionTest, TheAttachedRecordPrecedesTheParameters) {
  static int record = 0;
  initCommand("tinfo", "(x)", recordInfo, "");
  addFunctionInfo("tinfo", &record);
  OutputCapture capture;
  seenInfo = nullptr;
  EXPECT_EQ(run("tinfo 1"), 0);
  EXPECT_EQ(seenInfo, &record);
  seenInfo = nullptr;
  EXPECT_EQ(run("tinfo"), 0);
  EXPECT_EQ(seenInfo, &record);
}

TEST_F(InterpreterExecutionTest, HooksRunAroundTheHandler) {
  setCurrentPreCommand(countingPre);
  setCurrentPostCommand(countingPost);
  initCommand("thooked", "", recordText, "");
  setCurrentPreCommand(nullptr);
  setCurrentPostCommand(nullptr);
  preCalls = postCalls = 0;
  preResult = 0;
  OutputCapture capture;
  EXPECT_EQ(run("thooked"), 0);
  EXPECT_EQ(preCalls, 1);
  EXPECT_EQ(postCalls, 1);
  preResult = 3;
  EXPECT_EQ(run("thooked"), 3);
  EXPECT_EQ(calls().size(), 1U);
  EXPECT_EQ(postCalls, 1);
  preResult = 0;
}

TEST_F(InterpreterExecutionTest, VariablesAreSubstitutedIntoUntypedParameters) {
  initCommand("tshow", "(x)(y)", recordText, "");
  initCommand("tedit", "(x)", editsItsWord, "");
  setAlias("g", "global value", getGlobalVariableList());
  setAlias("both", "from global", getGlobalVariableList());
  defineVariable("both", "from local");
  OutputCapture capture;
  run("tshow g both");
  EXPECT_EQ(calls(), std::vector<std::string>{"tshow(global value,from local)"});
  // The handler edits a copy, never the variable.
  run("tedit g");
  EXPECT_EQ(std::string(findGlobalReplacement("g")), "global value");
  // Substitution switched off for a command.
  disableSubstitution(matchComKey("tshow"));
  calls().clear();
  run("tshow g");
  EXPECT_EQ(calls(), std::vector<std::string>{"tshow(g)"});
}

TEST_F(InterpreterExecutionTest, AFunctionCallAllowsNoLeftovers) {
  initCommand("tone", "(x)", recordText, "");
  CommandLine* line = newCommandLine();
  appendToLine(line, "tone a b");
  OutputCapture capture;
  EXPECT_EQ(analyseFunctionCommandLine(line), kResultNotExecutable);
  EXPECT_EQ(calls(), std::vector<std::string>{"tone(a)"});
  EXPECT_EQ(capture.diagnostics, "Too many arguments for function tone  \n");
  resetLine(line);
  appendToLine(line, "   ");
  capture.clear();
  EXPECT_EQ(analyseFunctionCommandLine(line), kResultEmptyBlock);
  EXPECT_NE(capture.diagnostics.find("empty function"), std::string::npos);
  freeCommandLine(line);
}

TEST_F(InterpreterExecutionTest, AnAssignmentRunsTheRestOfTheBlockAsTheNextCommand) {
  initCommand("tafter", "(x)", recordText, "");
  OutputCapture capture;
  run("x=1 tafter 2");
  EXPECT_EQ(calls(), std::vector<std::string>{"tafter(2)"});
  calls().clear();
  // An escaped "=" or one inside braces is no assignment.
  EXPECT_EQ(run("x\\=1"), kResultNoCommand);
  EXPECT_TRUE(calls().empty());
}

TEST_F(InterpreterExecutionTest, BreakCountsLevelsDown) {
  OutputCapture capture;
  EXPECT_EQ(executeCommandLine("break 2"), 0);
  EXPECT_EQ(getBreakCounter(), 2);
  EXPECT_EQ(lowerBreakParameter(kResultBreak, 3), -3);
  EXPECT_EQ(getBreakCounter(), 1);
  EXPECT_EQ(lowerBreakParameter(5, 3), 5);
  EXPECT_EQ(getBreakCounter(), 1);
  setBreakCounter(0);
  EXPECT_EQ(executeCommandLine("break"), 0);
  EXPECT_EQ(getBreakCounter(), INT_MAX);
  setBreakCounter(0);
}

TEST_F(InterpreterExecutionTest, TokensShiftDownOnly) {
  char a[] = "a";
  char b[] = "b";
  char c[] = "c";
  char* tokens[] = {a, b, c, nullptr};
  shiftCommand(tokens, 0, 2);
  EXPECT_EQ(tokens[0], c);
  EXPECT_EQ(tokens[1], nullptr);
  OutputCapture capture;
  shiftCommand(tokens, 1, 1);
  EXPECT_NE(capture.diagnostics.find("Shift in wrong direction"), std::string::npos);
}

TEST_F(InterpreterExecutionTest, DebugLevelsShowWhatRuns) {
  initCommand("tshow", "(x)", recordText, "");
  OutputCapture capture;
  run("set debug level 2");
  EXPECT_EQ(getDebugLevel(), 2);
  run("tshow 1");
  EXPECT_NE(capture.stdoutText.find("...... Command    : tshow \n"), std::string::npos);
  EXPECT_NE(capture.stdoutText.find(".... Command Block: tshow 1\n"), std::string::npos);
  run("set debug level 9");
  EXPECT_EQ(getDebugLevel(), 4);
  run("set debug off");
  EXPECT_EQ(getDebugLevel(), 0);
  capture.clear();
  run("help set debug");
  EXPECT_NE(capture.printed.find("    level 4: Also show return buffer\n"), std::string::npos);
}

TEST_F(InterpreterExecutionTest, ALongChainOfCommandsOnOneLineRunsInTurn) {
  initCommand("tone", "(x)", recordText, "");
  std::string line;
  for (int i = 0; i < 50000; ++i) line += "tone " + std::to_string(i) + " ";
  OutputCapture capture;
  EXPECT_EQ(run(line.c_str()), 0);
  ASSERT_EQ(calls().size(), 50000U);
  EXPECT_EQ(calls().front(), "tone(0)");
  EXPECT_EQ(calls().back(), "tone(49999)");
}

TEST_F(InterpreterExecutionTest, DeeplyNestedCommandLinesStopWithAnAlert) {
  std::string line = "tnothing";
  for (int i = 0; i < 1200; ++i) line = "repeat 1 {" + line + "}";
  OutputCapture capture;
  EXPECT_EQ(run(line.c_str()), 1);
  EXPECT_NE(capture.diagnostics.find("Command lines nested more than 1000 levels deep; not run"), std::string::npos);
}

}  // namespace
