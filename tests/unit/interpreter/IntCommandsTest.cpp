// The general commands: setting commands, argument conversions, variables, macros and
// procedures, output redirection, table commands, status displays and help.
#include "interpreter/IntCommands.h"

#include <gtest/gtest.h>

#include <string>

#include "interpreter/Interpreter.h"
#include "interpreter/Tables.h"
#include "InterpreterTestSupport.h"
#include "program/Boot.h"
#include "runtime/Defaults.h"
#include "runtime/Error.h"
#include "runtime/Output.h"
#include "runtime/Parameters.h"
#include "TestSupport.h"

namespace {

class IntCommandsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    resetAll();
    calls().clear();
    initCommand("tshow", "(x)...(y)", recordText, "Records its words.");
  }
};

int switchValue(const char* name) { return *getIntParPointer(name); }

TEST_F(IntCommandsTest, SwitchesTakeOnOffInAnyCaseAndNothingElse) {
  OutputCapture capture;
  EXPECT_EQ(run("set echo"), 0);
  EXPECT_EQ(switchValue("echo"), 1);
  EXPECT_EQ(run("set echo oFf"), 0);
  EXPECT_EQ(switchValue("echo"), 0);
  EXPECT_EQ(run("set echo ON"), 0);
  EXPECT_EQ(switchValue("echo"), 1);
  capture.clear();
  EXPECT_EQ(run("set echo yes"), 1);
  EXPECT_EQ(capture.diagnostics, "Parameter (yes) must be ON or OFF \n");
  EXPECT_EQ(switchValue("echo"), 1);
  // Words of four letters or more are not lower-cased before the message.
  capture.clear();
  EXPECT_EQ(run("set echo TRUE"), 1);
  EXPECT_EQ(capture.diagnostics, "Parameter (TRUE) must be ON or OFF \n");
}

TEST_F(IntCommandsTest, TheGeneralConversionsCheckTheirRange) {
  OutputCapture capture;
  EXPECT_EQ(CONV_ExpressionToInt("-5", 0).value, -5);
  EXPECT_EQ(CONV_ExpressionToNat("3", 0).value, 3);
  EXPECT_EQ(CONV_ExpressionToNat("0", 0).status, 1);
  EXPECT_EQ(CONV_ExpressionToNat0("0", 0).status, 0);
  EXPECT_EQ(CONV_ExpressionToNat0("-1", 0).status, 1);
  EXPECT_EQ(CONV_ExpressionToSign("-1", 0).value, -1);
  EXPECT_EQ(CONV_ExpressionToSign("2", 0).status, 1);
  EXPECT_EQ(CONV_Switch("On", 0).value, 1);
  EXPECT_EQ(CONV_Switch("off", 0).value, 0);
  // Outside a command the parameter has no name; the value refused is named.
  EXPECT_EQ(capture.diagnostics,
            "Parameter must be positive, not 0 \n"
            "Parameter must be 0 or more, not -1 \n"
            "Parameter must be 1 or -1, not 2 \n");
}

TEST_F(IntCommandsTest, ShowPrintsTheSettings) {
  OutputCapture capture;
  run("show line_size");
  run("show echo");
  run("set line_size 80");
  run("show line_size");
  run("show default_file");
  EXPECT_EQ(capture.printed, "100\nOFF\n80\n" + std::string(getDefaultFile()) + "\n");
  InternalParameter* odd = addInternalParameter("odd switch", "OFF", 't', 0);
  odd->value = 5;
  EXPECT_EQ(display_inpar(odd), "Undefined");
}

TEST_F(IntCommandsTest, EveryParameterMadeByAddParameterHasItsCommands) {
  addParameter("Test switch", "ON", "switch", "a test switch", 0);
  addParameter("Test number", "7", "pos_int", "a test number", 0);
  addParameter("Test text", "hello", nullptr, "a test text", 0);
  Command* setSwitch = matchComKey("set test switch");
  ASSERT_NE(setSwitch, nullptr);
  EXPECT_EQ(setSwitch->paramDescription, "(switch ON/OFF)");
  EXPECT_EQ(setSwitch->helpText, "    Switch a test switch");
  EXPECT_EQ(matchComKey("show test switch")->helpText, "    Show setting of a test switch");
  EXPECT_EQ(matchComKey("set test number")->paramDescription, "[pos_int value]");
  EXPECT_EQ(matchComKey("set test number")->helpText, "    Set a test number");
  EXPECT_EQ(matchComKey("show test number")->helpText, "    Show a test number");
  EXPECT_EQ(matchComKey("set test text")->paramDescription, "[string]");
  EXPECT_EQ(matchComKey("set test text")->helpText, "    a test text");
  OutputCapture capture;
  run("set test text {good bye}");
  run("show test text");
  run("set test number 9");
  run("show test number");
  run("show test switch");
  EXPECT_EQ(capture.printed, "good bye\n9\nON\n");
  capture.clear();
  EXPECT_EQ(run("set test number 0"), 1);
  EXPECT_EQ(capture.diagnostics, "Parameter \"value\" of \"set test number\" must be positive, not 0 \n");
}

TEST_F(IntCommandsTest, RepeatRunsItsLineCountTimes) {
  OutputCapture capture;
  EXPECT_EQ(run("repeat 3 {tshow x}"), 0);
  EXPECT_EQ(calls().size(), 3U);
  capture.clear();
  EXPECT_EQ(run("repeat 0 {tshow x}"), 1);
  EXPECT_EQ(capture.diagnostics, "Parameter \"count\" of \"repeat\" must be positive, not 0 \n");
  EXPECT_EQ(calls().size(), 3U);
}

TEST_F(IntCommandsTest, ACountOfWholeValueIsTakenWhateverItsForm) {
  OutputCapture capture;
  EXPECT_EQ(run("repeat 3000000000/1000000000 {tshow x}"), 0);
  EXPECT_EQ(run("repeat 1.0 {tshow y}"), 0);
  EXPECT_EQ(calls().size(), 4U);
  EXPECT_EQ(run("repeat 7/2 {tshow z}"), 1);
  EXPECT_EQ(run("repeat 2.5 {tshow z}"), 1);
  EXPECT_EQ(calls().size(), 4U);
  EXPECT_EQ(capture.diagnostics,
            "Parameter 7/2 is not a whole number \n"
            "Parameter 2.5 is not a whole number \n");
}

TEST_F(IntCommandsTest, RepeatStopsAtAFailureAndAtABreak) {
  initCommand("tfails", "", failSeven, "");
  OutputCapture capture;
  EXPECT_EQ(run("repeat 5 {tshow a; tfails}"), 7);
  EXPECT_EQ(calls(), (std::vector<std::string>{"tshow(a)", "tfails()"}));
  calls().clear();
  // "break 1" leaves the repeated line; the repeat itself succeeds.
  EXPECT_EQ(run("repeat 5 {tshow b; break 1; tshow c}; tshow after"), 0);
  EXPECT_EQ(calls(), (std::vector<std::string>{"tshow(b)", "tshow(after)"}));
}

TEST_F(IntCommandsTest, ProceduresAreDefinedOnce) {
  OutputCapture capture;
  EXPECT_EQ(run("procedure sq(x) {evaluate x*x}"), 0);
  EXPECT_EQ(matchComKey("sq")->paramDescription, "[x]");
  EXPECT_EQ(std::string(findReplacement("sq", getProcedureList())), "evaluate %0*%0");
  EXPECT_EQ(run("procedure sq(y) {evaluate y}"), 1);
  EXPECT_EQ(capture.diagnostics, "Command sq is already in use \n");
  capture.clear();
  EXPECT_EQ(run("procedure bad(x {tshow x}"), 1);
  EXPECT_EQ(capture.diagnostics, "Brackets not closed \n");
  capture.clear();
  EXPECT_EQ(run("procedure quit {tshow x}"), 1);
  EXPECT_EQ(capture.diagnostics, "Command quit is already in use \n");
}

TEST_F(IntCommandsTest, ProcedureHeadersAndBodies) {
  std::string name;
  std::vector<std::string> parameters;
  std::string description;
  ASSERT_TRUE(processFunctionHeader("Name(x,y|z)", name, parameters, description));
  EXPECT_EQ(name, "Name");
  EXPECT_EQ(parameters, (std::vector<std::string>{"x", "y", "z"}));
  EXPECT_EQ(description, "[x][y](z)");
  ASSERT_TRUE(processFunctionHeader("p(|a,b)", name, parameters, description));
  EXPECT_EQ(description, "(a)(b)");
  ASSERT_TRUE(processFunctionHeader("plain", name, parameters, description));
  EXPECT_TRUE(parameters.empty());
  EXPECT_EQ(description, "");
  ASSERT_TRUE(processFunctionHeader("empty()", name, parameters, description));
  EXPECT_EQ(description, "");
  // Only whole words between separators are parameters.
  EXPECT_EQ(replaceVarsbyDummies("evaluate x*xx+{x}; print x_1 (x)", {"x", "xx"}),
            "evaluate %0*%1+{%0}; print x_1 (%0)");
}

TEST_F(IntCommandsTest, FreeingDefinitions) {
  OutputCapture capture;
  setAlias("zq", "tshow", getMacroList());
  run("procedure pr {tshow x}");
  setAlias("g", "1", getGlobalVariableList());
  defineVariable("l", "2");
  EXPECT_EQ(run("free procedures pr"), 0);
  EXPECT_EQ(matchComKey("pr"), nullptr);
  // An unknown name is reported and not consumed: it runs as the next command.
  calls().clear();
  EXPECT_EQ(run("free macros tshow"), 0);
  EXPECT_EQ(capture.diagnostics, "tshow not defined \n");
  EXPECT_EQ(calls(), std::vector<std::string>{"tshow()"});
  capture.clear();
  EXPECT_EQ(run("free variable nothing"), 1);
  EXPECT_EQ(capture.diagnostics, "Variable nothing not found \n");
  capture.clear();
  EXPECT_EQ(run("free variable g"), 0);
  EXPECT_EQ(capture.diagnostics, "");
  EXPECT_EQ(findGlobalReplacement("g"), nullptr);
  EXPECT_EQ(run("free all"), 0);
  EXPECT_TRUE(aliasListEmpty(getMacroList()));
  EXPECT_TRUE(aliasListEmpty(getLocalVariableList(0)));
}

TEST_F(IntCommandsTest, MacrosAreDefinedAndRemoved) {
  OutputCapture capture;
  EXPECT_EQ(run("define {qq} {tshow macro}"), 0);
  EXPECT_EQ(run("qq"), 0);
  EXPECT_EQ(calls(), std::vector<std::string>{"tshow(macro)"});
  EXPECT_EQ(run("define loop {loop again}"), 1);
  EXPECT_EQ(capture.diagnostics, "Definition yields infinite recursion \n");
  // Braces keep the macro from replacing its own name in "undefine".
  EXPECT_EQ(run("undefine {qq}"), 0);
  EXPECT_TRUE(aliasListEmpty(getMacroList()));
}

TEST_F(IntCommandsTest, ExtractFindsTheLabelthNumber) {
  OutputCapture capture;
  run("extract 2 {a 12 b -34 c}");
  run("extract 3 {a 12 b -34 c}");
  EXPECT_EQ(capture.printed, "-34\n---\n");
}

TEST_F(IntCommandsTest, OutputGoesToAFileUntilItIsClosed) {
  TemporaryFolder folder;
  std::string path = folder.path("out.txt");
  OutputCapture capture;
  EXPECT_EQ(run(("file " + path).c_str()), 0);
  run("show line_size");
  run("file off");
  run("show line_size");
  EXPECT_EQ(readFile(path), "100\n");
  EXPECT_EQ(capture.printed, "100\n");
  EXPECT_EQ(run(("file append " + path).c_str()), 0);
  run("show echo");
  run("file off");
  EXPECT_EQ(readFile(path), "100\nOFF\n");
  capture.clear();
  EXPECT_EQ(run("file"), 1);
  EXPECT_EQ(capture.diagnostics, "No file specified \n");
}

TEST_F(IntCommandsTest, VerifyRunsWithoutTerminalOutput) {
  OutputCapture capture;
  EXPECT_EQ(run("verify {show line_size}"), 0);
  EXPECT_EQ(capture.printed, "");
  EXPECT_EQ(OutputStatus(), 1);
  run("terminal off");
  run("verify {show line_size}");
  EXPECT_EQ(OutputStatus(), 0);
  run("terminal on");
  run("show line_size");
  EXPECT_EQ(capture.printed, "100\n");
}

TEST_F(IntCommandsTest, TableCommandsChangeTheLayout) {
  OutputCapture capture;
  EXPECT_EQ(run("table suppress Parameters Value"), 0);
  EXPECT_EQ(getPrintPref("Parameters", "Value"), 0);
  EXPECT_EQ(run("table restore param val"), 0);
  EXPECT_EQ(getPrintPref("Parameters", "Value"), 1);
  EXPECT_EQ(run("table right_adjust Parameters Name"), 0);
  EXPECT_EQ(findColumn(findTable("Parameters"), "Name")->adjust, 'R');
  EXPECT_EQ(run("table set_space Parameters Name 4"), 0);
  EXPECT_EQ(findColumn(findTable("Parameters"), "Name")->space, 4);
  // The table name is consumed: nothing is left to run as a command.
  EXPECT_EQ(run("table noheader Parameters"), 0);
  EXPECT_EQ(getHeader("Parameters"), 0);
  EXPECT_EQ(capture.diagnostics, "");
  EXPECT_EQ(run("table header Nosuch"), 1);
  EXPECT_EQ(capture.diagnostics, "Table Nosuch not found \n");
  capture.clear();
  EXPECT_EQ(run("table info Preferences"), 0);
  EXPECT_EQ(capture.printed,
            "Header  Abbrev.  Description                Enabled \n"
            "Name             Name of default parameter  Yes     \n"
            "Value            Current value              Yes     \n");
}

TEST_F(IntCommandsTest, SubstitutionCanBeSwitchedForACommandAndItsKeywords) {
  setAlias("v", "value", getGlobalVariableList());
  initCommand("tsub deeper", "(x)", recordText, "");
  OutputCapture capture;
  EXPECT_EQ(run("set disable_sub tsub"), 0);
  run("tsub deeper v");
  EXPECT_EQ(run("set enable_sub tsub deeper"), 0);
  run("tsub deeper v");
  EXPECT_EQ(calls(), (std::vector<std::string>{"tsub deeper(v)", "tsub deeper(value)"}));
  EXPECT_EQ(run("set enable_sub tsub nosuch"), 1);
}

TEST_F(IntCommandsTest, MemoryStatisticsLevels) {
  OutputCapture capture;
  run("status memory");
  EXPECT_EQ(capture.printed, "Total allocation:            0 MB\n");
  capture.clear();
  run("status memory detail");
  std::string detail = capture.printed;
  EXPECT_NE(detail.find("Name                      Allocation        Exact  "), std::string::npos);
  EXPECT_NE(detail.find("\nInterpreter  "), std::string::npos);
  capture.clear();
  run("status memory more_detail");
  EXPECT_EQ(capture.printed, detail);
}

TEST_F(IntCommandsTest, HelpDescribesACommand) {
  OutputCapture capture;
  EXPECT_EQ(run("help set echo"), 1);
  EXPECT_EQ(capture.printed,
            "Command syntax: Set Echo (switch ON/OFF)\n"
            "    Switch command echoing\n");
  capture.clear();
  run("help rep");
  EXPECT_EQ(capture.printed,
            "Command syntax: Repeat [pos_int count][commandline]\n"
            "    Execute commandline count times.\n");
  capture.clear();
  run("help free");
  EXPECT_NE(capture.printed.find("    [Not executable without further keywords]\n"), std::string::npos);
  EXPECT_NE(capture.printed.find("Keywords:\nAll"), std::string::npos);
  capture.clear();
  run("help extract");
  EXPECT_NE(capture.printed.find("    [Automatic parameter substitution enabled]\n"), std::string::npos);
  capture.clear();
  run("help undefine");
  EXPECT_NE(capture.printed.find("\n    use curly brackets around the argument of \"undefine\".\n\n"),
            std::string::npos);
  capture.clear();
  run("help");
  EXPECT_NE(capture.printed.find("General command structure:\n"), std::string::npos);
  // Interactive, but the input is no terminal: the keywords are listed, none is asked for.
  setInteractive(1);
  capture.clear();
  run("help free");
  EXPECT_NE(capture.printed.find("Keywords:\nAll"), std::string::npos);
  EXPECT_EQ(capture.stdoutText.find("Enter Keyword > "), std::string::npos);
  setInteractive(0);
}

TEST_F(IntCommandsTest, TheBlankSpaceOfAColumnIsOneDigit) {
  OutputCapture capture;
  EXPECT_EQ(run("table set_space TableInfo Header 9"), 0);
  EXPECT_EQ(findColumn(findTable("TableInfo"), "Header")->space, 9);
  EXPECT_EQ(run("table set_space TableInfo Header 10"), 1);
  EXPECT_EQ(run("table set_space TableInfo Header 100000000"), 1);
  EXPECT_EQ(findColumn(findTable("TableInfo"), "Header")->space, 9);
  EXPECT_NE(capture.diagnostics.find("Blank space 10 refused: it must lie between 0 and 9"), std::string::npos);
  // The command takes every digit the preferences file may hold, 0 included.
  capture.clear();
  EXPECT_EQ(run("table set_space TableInfo Header 0"), 0);
  EXPECT_EQ(findColumn(findTable("TableInfo"), "Header")->space, 0);
  EXPECT_EQ(capture.diagnostics, "");
  EXPECT_EQ(run("table set_space TableInfo Header -1"), 1);
  EXPECT_EQ(findColumn(findTable("TableInfo"), "Header")->space, 0);
}

TEST_F(IntCommandsTest, TheTypeOfASettingBoundsItsSavedValueToo) {
  addParameter("Test positive", "3", "pos_int", "a positive test number", 1);
  addParameter("Test natural", "4", "non_neg_int", "a natural test number", 1);
  EXPECT_EQ(findInternalParameter("Test positive")->minimum, 1);
  EXPECT_EQ(findInternalParameter("Test natural")->minimum, 0);
  setDefault("Test positive", "0");
  setDefault("Test natural", "-2");
  OutputCapture capture;
  getIntParDefaults();
  EXPECT_EQ(findInternalParameter("Test positive")->value, 3);
  EXPECT_EQ(findInternalParameter("Test natural")->value, 4);
  EXPECT_NE(capture.diagnostics.find("Saved value 0 of Test positive refused: it must be 1 or more; 3 used instead"),
            std::string::npos);
  EXPECT_NE(capture.diagnostics.find("Saved value -2 of Test natural refused: it must be 0 or more; 4 used instead"),
            std::string::npos);
}

TEST_F(IntCommandsTest, AnOutputFileThatCannotBeOpenedSaysWhy) {
  TemporaryFolder folder;
  std::string path = folder.path("missing/out.txt");
  OutputCapture capture;
  // Not interactive: the message, then the fallback file under /tmp.
  run(("file " + path).c_str());
  run("file off");
  EXPECT_NE(capture.diagnostics.find("Cannot open " + path + ": No such file or directory"), std::string::npos)
      << capture.diagnostics;
  // The look-up of the file name as a keyword of "file" is not reported.
  EXPECT_EQ(capture.diagnostics.find("No exact match"), std::string::npos) << capture.diagnostics;
  std::size_t writing = capture.diagnostics.find("Writing to ");
  ASSERT_NE(writing, std::string::npos);
  std::string fallback = capture.diagnostics.substr(writing + 11);
  fallback = fallback.substr(0, fallback.find(' '));
  EXPECT_EQ(fallback.compare(0, 8, "/tmp/OUT"), 0);
  std::remove(fallback.c_str());
}

TEST_F(IntCommandsTest, TheParameterTableListsEverySetting) {
  OutputCapture capture;
  EXPECT_EQ(run("status parameters"), 0);
  EXPECT_EQ(capture.stdoutText.find("Parameters labelled with \"(*)\" are in default data base\n"), 0U);
  // The name column is as wide as the longest name, "Tadpole orthogonal_groups_only" (30),
  // with the blank its cells end in and one more; the value column as "2000000000" and one.
  EXPECT_NE(capture.stdoutText.find("\nline_size" + std::string(24, ' ') + "100" + std::string(9, ' ') + "(*)"),
            std::string::npos);
  EXPECT_NE(capture.stdoutText.find("\necho" + std::string(29, ' ') + "OFF"), std::string::npos);
}

TEST_F(IntCommandsTest, SavedPreferencesHoldTheSettingsKeptInTheFile) {
  OutputCapture capture;
  run("set line_size 77");
  run("set echo on");
  EXPECT_EQ(run("save preferences"), 0);
  std::string file = readFile(getDefaultFile());
  EXPECT_NE(file.find("\"line_size\" \"77\"\n"), std::string::npos);
  EXPECT_NE(file.find("\"log\" \"OFF\"\n"), std::string::npos);
  EXPECT_EQ(file.find("\"echo\""), std::string::npos);
}

TEST_F(IntCommandsTest, TheShellCommandRunsThroughTheShell) {
  TemporaryFolder folder;
  OutputCapture capture;
  setAlias("target", folder.path("ran").c_str(), getGlobalVariableList());
  EXPECT_EQ(run("system echo one two > target"), 0);
  EXPECT_EQ(readFile(folder.path("ran")), "one two\n");
}

// Expressions and control flow.

TEST_F(IntCommandsTest, EvaluatePrintsExactValues) {
  OutputCapture capture;
  run("evaluate 99999*99999");
  run("evaluate 7/2");
  run("evaluate 8/4*2");
  run("evaluate 0.1+0.2==0.3");
  // 99999^2 = 9999800001; 8/4*2 is (8/4)*2 since "/" binds tighter than "*".
  EXPECT_EQ(capture.printed, "9999800001\n7/2\n4\nTRUE\n");
  EXPECT_EQ(std::string(findGlobalReplacement("$last")), "TRUE");
  capture.clear();
  EXPECT_EQ(run("evaluate 1/0"), 1);
  EXPECT_EQ(capture.printed, "INFINITE\n");
}

TEST_F(IntCommandsTest, FloatPrintsTheDecimalValue) {
  OutputCapture capture;
  EXPECT_EQ(run("float 1/8"), 0);
  EXPECT_EQ(run("float -7/2"), 0);
  EXPECT_EQ(capture.printed, "             0.125000000000000\n            -3.500000000000000\n");
  EXPECT_EQ(std::string(findGlobalReplacement("$last")), "-7/2");
  capture.clear();
  EXPECT_EQ(run("float abc"), 1);
  EXPECT_EQ(capture.printed, "Not a number\n");
}

TEST_F(IntCommandsTest, ExecuteSetsLastWithoutPrinting) {
  OutputCapture capture;
  EXPECT_EQ(run("execute 6*7"), 0);
  EXPECT_EQ(capture.printed, "");
  EXPECT_EQ(std::string(findGlobalReplacement("$last")), "42");
  EXPECT_EQ(run("execute 1/0"), 1);
  EXPECT_EQ(capture.printed, "ERROR\n");
}

TEST_F(IntCommandsTest, AssignmentsAndGlobalVariables) {
  OutputCapture capture;
  run("x=5");
  run("evaluate x*2");
  EXPECT_EQ(std::string(findLocalReplacement("x")), "5");
  run("global y=3+4");
  run("evaluate y");
  EXPECT_EQ(std::string(findGlobalReplacement("y")), "7");
  EXPECT_EQ(capture.printed, "10\n7\n");
  capture.clear();
  EXPECT_EQ(run("global y"), 1);
  EXPECT_EQ(capture.diagnostics, "Right hand side of \"Global\" must be an assignment \n");
}

TEST_F(IntCommandsTest, ConditionsChooseTheLine) {
  OutputCapture capture;
  run("if {2<3} {tshow yes} {tshow no}");
  run("if {2>3} {tshow yes} {tshow no}");
  run("if {2>3} {tshow yes}");
  // 1 is not a truth value: the false line runs.
  run("if {1} {tshow a} {tshow b}");
  EXPECT_EQ(calls(), (std::vector<std::string>{"tshow(yes)", "tshow(no)", "tshow(b)"}));
  EXPECT_NE(capture.diagnostics.find("Invalid conditional expression: 1"), std::string::npos);
}

TEST_F(IntCommandsTest, LoopsRunWhileTheirConditionHolds) {
  OutputCapture capture;
  run("while {1==0} {tshow never}");
  EXPECT_TRUE(calls().empty());
  run("i=0; while {i<3} {i=i+1; tshow i}");
  EXPECT_EQ(calls(), (std::vector<std::string>{"tshow(1)", "tshow(2)", "tshow(3)"}));
  calls().clear();
  run("for {j=10} {j>7} {j=j-1} {tshow j}");
  EXPECT_EQ(calls(), (std::vector<std::string>{"tshow(10)", "tshow(9)", "tshow(8)"}));
  calls().clear();
  // "break 1" ends the one loop; the line goes on after it.
  EXPECT_EQ(run("k=0; while {1==1} {k=k+1; if {k==3} {break 1}; tshow k}; tshow done"), 0);
  EXPECT_EQ(calls(), (std::vector<std::string>{"tshow(1)", "tshow(2)", "tshow(done)"}));
}

TEST_F(IntCommandsTest, AFunctionCallTakesThePrintedOutputAsItsValue) {
  OutputCapture capture;
  run("procedure sq(x) {evaluate x*x}");
  run("evaluate sq(12)+1");
  run("procedure two {evaluate 1; evaluate 2}");
  run("evaluate two()");
  // "return" gives a value without printing anything outside the call.
  run("procedure half(x) {return x/2}");
  run("evaluate half(9)");
  run("return 5");
  EXPECT_EQ(capture.printed, "145\n1\n2\n9/2\n");
  capture.clear();
  // "print" reaches the terminal even inside a call; the call's value is then empty.
  run("procedure loud {print {inside}}");
  run("evaluate loud()|x");
  EXPECT_EQ(capture.stdoutText, "inside\n");
  EXPECT_EQ(capture.printed, "x\n");
}

TEST_F(IntCommandsTest, LoadRunsAFileAndStopsAtAHundredLevels) {
  TemporaryFolder folder;
  std::string loaded = folder.write("loaded.zoq", "tshow first\n# a remark\ntshow {second\nline}\n");
  OutputCapture capture;
  EXPECT_EQ(run(("load " + loaded).c_str()), 0);
  // The brace block spans two lines of the file: "tshow {second; line}".
  EXPECT_EQ(calls(), (std::vector<std::string>{"tshow(first)", "tshow(second; line)"}));
  // A file that loads itself ends after 100 levels with an alert, not a crashed stack.
  std::string self = folder.path("self.zoq");
  folder.write("self.zoq", "load " + self + "\n");
  capture.clear();
  run(("load " + self).c_str());
  EXPECT_NE(capture.diagnostics.find("Files loaded more than 100 levels deep; " + self + " not loaded"),
            std::string::npos);
}

TEST_F(IntCommandsTest, DetailedCommandListsShowTheHelpTexts) {
  OutputCapture capture;
  run("commands detail");
  // The help text starts in column 13; "   " and the word (two blanks deeper per
  // keyword level) are written over its indent.
  EXPECT_NE(capture.printed.find("\n   Repeat    Execute commandline count times.\n"), std::string::npos);
  EXPECT_NE(capture.printed.find("\n     All     Remove all macros, procedures and variables.\n"),
            std::string::npos);
}

}  // namespace
