// The command tree: registration, matching by exact name and unique abbreviation,
// keyword levels, parameter descriptions, modes, data types, the conversions handlers
// call and the listing commands.
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

class InterpreterCommandsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    resetAll();
    calls().clear();
  }
};

int switchedOn = 0;
int activateMode() {
  ++switchedOn;
  if (Mode* mode = getCurrentMode()) switchMode(mode, 1);
  return 0;
}
int refuseToActivate() {
  ++switchedOn;
  return 0;
}

TEST_F(InterpreterCommandsTest, AbbreviationsAndCapitalsFindTheirCommand) {
  // A group word of its own ("zstatus parameters") that then becomes a command itself;
  // test words stay clear of the application's command names.
  ASSERT_NE(initCommand("zstatus parameters", "", recordText, "Test group."), nullptr);
  ASSERT_NE(initCommand("zstatus", "", recordText, "Test status."), nullptr);
  OutputCapture capture;
  EXPECT_EQ(run("zstat par"), 0);
  EXPECT_EQ(calls(), std::vector<std::string>{"zstat par()"});
  calls().clear();
  EXPECT_EQ(run("ZSTATUS"), 0);
  // The handler sees the words as typed.
  EXPECT_EQ(calls(), std::vector<std::string>{"ZSTATUS()"});
}

TEST_F(InterpreterCommandsTest, ASharedFirstLetterIsAmbiguousUnlessAWordIsExactlyThatLetter) {
  initCommand("zalpha", "", recordText, "First z word.");
  initCommand("zapper", "", recordText, "Second z word.");
  OutputCapture capture;
  EXPECT_EQ(run("z"), kResultNoCommand);
  EXPECT_EQ(capture.diagnostics, "Command z ambiguous  \n");
  capture.clear();
  initCommand("z", "", recordText, "Exactly z.");
  EXPECT_EQ(run("z"), 0);
  EXPECT_EQ(calls(), std::vector<std::string>{"z()"});
  EXPECT_EQ(capture.diagnostics, "");
}

TEST_F(InterpreterCommandsTest, AfterAWordWithParametersAKeywordMustBeSpelledOut) {
  initCommand("tcmd", "(word)", recordText, "Takes a word.");
  initCommand("tcmd key", "", recordText, "A keyword.");
  OutputCapture capture;
  run("tcmd key");
  run("tcmd ke");
  EXPECT_EQ(calls(), (std::vector<std::string>{"tcmd key()", "tcmd(ke)"}));
}

TEST_F(InterpreterCommandsTest, AnExactCommandIsNotReachedByAnAbbreviation) {
  Command* node = initCommand("zprocedure", "", recordText, "");
  node->exact = 1;
  OutputCapture capture;
  EXPECT_EQ(run("zproc"), kResultNoCommand);
  EXPECT_NE(capture.diagnostics.find("No exact match found for command zproc"), std::string::npos);
  EXPECT_EQ(run("zprocedure"), 0);
  EXPECT_EQ(calls(), std::vector<std::string>{"zprocedure()"});
}

TEST_F(InterpreterCommandsTest, ParameterDescriptionsGiveCountsAndMethods) {
  Command* node = initCommand("tdesc", "[int a](int b)...(int c)", recordInts, "");
  ASSERT_NE(node, nullptr);
  EXPECT_EQ(node->minParams, 1);
  EXPECT_EQ(node->maxParams, INT_MAX);
  EXPECT_EQ(node->nConversions, 2);
  ConversionMethod* integer = findConversion("int")->method;
  EXPECT_EQ(node->conversions[0], integer);
  EXPECT_EQ(node->conversions[1], integer);
  EXPECT_EQ(node->substitute, 0);
  OutputCapture capture;
  EXPECT_EQ(run("tdesc 1 2 3 4"), 0);
  EXPECT_EQ(calls(), std::vector<std::string>{"tdesc(1,2,3,4)"});

  // Untyped groups are text of the type "id" and switch substitution on.
  Command* text = initCommand("ttext", "[x][y](z)", recordText, "");
  EXPECT_EQ(text->minParams, 2);
  EXPECT_EQ(text->maxParams, 3);
  EXPECT_EQ(text->conversions[2], findConversion("id")->method);
  EXPECT_EQ(text->substitute, 1);
}

TEST_F(InterpreterCommandsTest, AnUnknownDataTypeIsReported) {
  OutputCapture capture;
  Command* node = initCommand("tbadtype", "[nosuchtype value]", recordText, "");
  ASSERT_NE(node, nullptr);
  EXPECT_NE(capture.diagnostics.find("Unknown data type: nosuchtype"), std::string::npos);
  EXPECT_EQ(node->conversions[0], nullptr);
}

TEST_F(InterpreterCommandsTest, AGroupWordBecomesACommandButNoCommandTwice) {
  initCommand("tgroup member", "", recordText, "");
  Command* group = matchComKey("tgroup");
  ASSERT_NE(group, nullptr);
  EXPECT_EQ(group->handler, nullptr);
  EXPECT_EQ(initCommand("tgroup", "", recordText, "Now a command."), group);
  EXPECT_EQ(group->handler, recordText);
  OutputCapture capture;
  EXPECT_EQ(initCommand("tgroup", "", recordText, "Again."), nullptr);
  EXPECT_NE(capture.diagnostics.find("Attempt to re-initialize command tgroup"), std::string::npos);
}

TEST_F(InterpreterCommandsTest, PhrasesAreOneToSevenWords) {
  OutputCapture capture;
  EXPECT_EQ(initCommand("  ", "", recordText, ""), nullptr);
  EXPECT_NE(capture.diagnostics.find("Command    too short"), std::string::npos);
  capture.clear();
  EXPECT_EQ(initCommand("w1 w2 w3 w4 w5 w6 w7 w8", "", recordText, ""), nullptr);
  EXPECT_NE(capture.diagnostics.find("Command number overflow"), std::string::npos);
  EXPECT_EQ(matchComKey("w1"), nullptr);
  EXPECT_NE(initCommand("v1 v2 v3 v4 v5 v6 v7", "", recordText, ""), nullptr);
  EXPECT_NE(matchComKey("v1 v2 v3 v4 v5 v6 v7"), nullptr);
}

TEST_F(InterpreterCommandsTest, KeywordMisspellingsAreReportedAtTheirLevel) {
  OutputCapture capture;
  EXPECT_EQ(run("table nosuch"), kResultNoCommand);
  // The words that may follow are named, so the user sees what to type.
  EXPECT_EQ(capture.diagnostics,
            "Keyword nosuch not known; \"table\" is followed by one of header, info, left_adjust, list, noheader, "
            "restore, right_adjust, set_space, suppress (see \"help table\")  \n");
  capture.clear();
  // "table restore" and "table right_adjust" share "r".
  EXPECT_EQ(run("table r"), kResultNoCommand);
  EXPECT_EQ(capture.diagnostics, "Keyword r ambiguous  \n");
}

TEST_F(InterpreterCommandsTest, DisabledAndRemovedCommandsAreRefused) {
  initCommand("tdisabled", "", recordText, "");
  disableCommand("tdisabled");
  OutputCapture capture;
  EXPECT_EQ(run("tdisabled"), kResultNoCommand);
  EXPECT_EQ(capture.diagnostics, "Command \"tdisabled\" disabled  \n");
  enableCommand("tdisabled");
  EXPECT_EQ(run("tdisabled"), 0);

  initCommand("tremoved", "", recordText, "");
  removeCommand("tremoved");
  Command* removed = matchComKey("$removed");
  ASSERT_NE(removed, nullptr);
  EXPECT_EQ(removed->status, 2);
  capture.clear();
  EXPECT_EQ(run("tremoved"), kResultNoCommand);
  EXPECT_EQ(capture.diagnostics, "Command tremoved not known  \n");
  // Words that sorted beside the removed one are still found.
  EXPECT_EQ(run("tdisabled"), 0);
  EXPECT_EQ(calls(), (std::vector<std::string>{"tdisabled()", "tdisabled()"}));
}

TEST_F(InterpreterCommandsTest, AGroupWordAloneIsNotExecutable) {
  OutputCapture capture;
  EXPECT_EQ(run("table"), kResultNotExecutable);
  EXPECT_EQ(capture.diagnostics,
            "Command table not executable; \"table\" is followed by one of header, info, left_adjust, list, "
            "noheader, restore, right_adjust, set_space, suppress (see \"help table\")  \n");
}

TEST_F(InterpreterCommandsTest, ALongKeywordLevelIsLeftToHelp) {
  // 25 words after "tmany": more than a message lists.
  for (char c = 'a'; c <= 'y'; ++c) initCommand((std::string("tmany w") + c).c_str(), "", recordText, "");
  OutputCapture capture;
  EXPECT_EQ(run("tmany"), kResultNotExecutable);
  EXPECT_EQ(capture.diagnostics,
            "Command tmany not executable; see \"help tmany\" for the words that may follow \"tmany\"  \n");
  capture.clear();
  EXPECT_EQ(run("tmany zz"), kResultNoCommand);
  EXPECT_EQ(capture.diagnostics, "Keyword zz not known; see \"help tmany\" for the words that may follow \"tmany\"  \n");
}

TEST_F(InterpreterCommandsTest, ANestedGroupIsNamedByItsWholePhrase) {
  initCommand("tgroup inner one", "", recordText, "");
  initCommand("tgroup inner two", "", recordText, "");
  OutputCapture capture;
  EXPECT_EQ(run("tgroup inner"), kResultNotExecutable);
  EXPECT_EQ(capture.diagnostics,
            "Command tgroup inner not executable; \"tgroup inner\" is followed by one of one, two "
            "(see \"help tgroup inner\")  \n");
}

TEST_F(InterpreterCommandsTest, ExitIsPointedToQuit) {
  OutputCapture capture;
  EXPECT_EQ(run("exit"), kResultNoCommand);
  EXPECT_EQ(capture.diagnostics, "Command exit not known; type \"quit\" instead  \n");
  // Other unknown words are named alone.
  capture.clear();
  EXPECT_EQ(run("zzunknown"), kResultNoCommand);
  EXPECT_EQ(capture.diagnostics, "Command zzunknown not known  \n");
}

TEST_F(InterpreterCommandsTest, ParameterNamesAreReadFromTheDescription) {
  Command* pair = initCommand("tnamed", "[int a][pos_int count](field )", recordInts, "");
  EXPECT_EQ(parameterName(pair, 0), "a");
  EXPECT_EQ(parameterName(pair, 1), "count");
  EXPECT_EQ(parameterName(pair, 2), "");  // a type without a name
  EXPECT_EQ(parameterName(pair, 3), "");
  EXPECT_EQ(parameterSubject(pair, 1), "Parameter \"count\" of \"tnamed\"");
  EXPECT_EQ(parameterSubject(pair, 2), "Parameter");
  // The group after "..." names the repeated parameters, with their number from 1.
  Command* signs = initCommand("tnamed signs", "(sign s_1)...(sign s_n)", recordInts, "");
  EXPECT_EQ(parameterName(signs, 0), "s_1");
  EXPECT_EQ(parameterName(signs, 3), "s_n");
  EXPECT_EQ(parameterSubject(signs, 0), "Parameter \"s_1\" of \"tnamed signs\"");
  EXPECT_EQ(parameterSubject(signs, 3), "Parameter \"s_n\" (number 4) of \"tnamed signs\"");
  Command* text = initCommand("tnamed text", "[filename]", recordText, "");
  EXPECT_EQ(parameterName(text, 0), "filename");
  EXPECT_EQ(parameterSubject(nullptr, 0), "Parameter");
  EXPECT_EQ(commandPhrase(signs), "tnamed signs");
}

TEST_F(InterpreterCommandsTest, ModesRefuseOrSwitchOnce) {
  Mode* mode = makeMode("Only in the test mode");
  setCurrentMode(mode);
  initCommand("tmoded", "", recordText, "");
  setCurrentMode(getDefaultMode());
  switchMode(mode, 0);
  OutputCapture capture;
  EXPECT_EQ(run("tmoded"), kResultNotExecutable);
  EXPECT_EQ(capture.diagnostics, "Invalid command: tmoded\nOnly in the test mode  \n");

  switchedOn = 0;
  addModeFunction(mode, refuseToActivate);
  capture.clear();
  EXPECT_EQ(run("tmoded"), kResultNotExecutable);
  EXPECT_EQ(switchedOn, 1);
  EXPECT_EQ(capture.diagnostics, "Invalid command: tmoded\nOnly in the test mode  \n");

  setCurrentMode(mode);
  addModeFunction(mode, activateMode);
  capture.clear();
  EXPECT_EQ(run("tmoded"), 0);
  EXPECT_EQ(calls(), std::vector<std::string>{"tmoded()"});
  EXPECT_EQ(capture.diagnostics, "");
}

TEST_F(InterpreterCommandsTest, DataTypesKeepTheirFirstMethod) {
  Conversion* first = getConversion("tnumber", makeConversionMethod(nullptr, 'i', "First"));
  Conversion* second = getConversion("tnumber", makeConversionMethod(nullptr, 'c', "Second"));
  EXPECT_EQ(first, second);
  EXPECT_EQ(second->method->description, "First");
  EXPECT_EQ(firstConversion(), first);
  EXPECT_EQ(findConversion("nothing"), nullptr);
}

TEST_F(InterpreterCommandsTest, TheDataTypesOfStartUpAreListed) {
  // Six general types and the application's twelve.
  int count = 0;
  for (Conversion* c = firstConversion(); c != nullptr; c = nextConversion(c)) ++count;
  EXPECT_EQ(count, 18);
  // "Circle radius (defined as number of primaries)" is the longest description (46).
  EXPECT_EQ(getTypeDescriptionWidth(), 48);
  // "simple_root" and "non_neg_int" are the longest names (11).
  EXPECT_EQ(getDataTypeWidth(), 13);
  OutputCapture capture;
  displayDataTypes(nullptr);
  EXPECT_EQ(capture.stdoutText.substr(0, capture.stdoutText.find('\n')),
            "Type         Description                                    ");
  EXPECT_NE(capture.stdoutText.find("\npos_int      Positive integer "), std::string::npos);
  EXPECT_NE(capture.stdoutText.find("\nIshibashi    Ishibashi label "), std::string::npos);
  capture.clear();
  TerminalOutputOff();
  displayDataTypes(nullptr);
  EXPECT_EQ(capture.all, "");
}

TEST_F(InterpreterCommandsTest, IntegerConversionsOfPlainNumbers) {
  int value = 0;
  EXPECT_EQ(convertToInteger("42", &value), 0);
  EXPECT_EQ(value, 42);
  EXPECT_EQ(convertToInteger("-17", &value), 0);
  EXPECT_EQ(value, -17);
  OutputCapture capture;
  EXPECT_EQ(convertToInteger("30000000000", &value), 2);
  // strnumChk reads magnitudes up to 2,000,000,000.
  EXPECT_EQ(capture.diagnostics, "Integer too large: 30000000000 (integers lie between -2000000000 and 2000000000) \n");
  // Inside a function call words are taken as they are, never evaluated again.
  setFunctionCallFlag(1);
  capture.clear();
  EXPECT_EQ(convertToInteger("abc", &value), 1);
  EXPECT_EQ(capture.diagnostics, "Non-numerical parameter: abc \n");
  setFunctionCallFlag(0);
}

TEST_F(InterpreterCommandsTest, ConversionsOfExpressions) {
  int value = 0;
  EXPECT_EQ(convertToInteger("6*7", &value), 0);
  EXPECT_EQ(value, 42);
  EXPECT_EQ(convertToInteger("99999*99999", &value), 2);
  OutputCapture capture;
  EXPECT_EQ(convertToInteger("7/2", &value), 1);
  EXPECT_EQ(capture.diagnostics, "Parameter 7/2 is not a whole number \n");
  // Quotients and decimals of whole value are integers.
  EXPECT_EQ(convertToInteger("3000000000/1000", &value), 0);
  EXPECT_EQ(value, 3000000);
  EXPECT_EQ(convertToInteger("-4.000", &value), 0);
  EXPECT_EQ(value, -4);
  double real = 0;
  EXPECT_EQ(convertToDouble("7/2", &real), 0);
  EXPECT_EQ(real, 3.5);
  EXPECT_EQ(convertToDouble("-0.25", &real), 0);
  EXPECT_EQ(real, -0.25);
  EXPECT_EQ(convertToDouble("12", &real), 0);
  EXPECT_EQ(real, 12.0);
  // A number written out is read as a double; a large integer computed beyond the int
  // range is refused.
  EXPECT_EQ(convertToDouble("3000000000", &real), 0);
  EXPECT_EQ(real, 3e9);
  capture.clear();
  EXPECT_EQ(convertToDouble("99999*99999", &real), 2);
  EXPECT_EQ(capture.diagnostics, "Overflow \n");
  EXPECT_EQ(convertToString("2+3", 10), "5");
  EXPECT_EQ(convertToString("123456*10", 4), "1234");
}

TEST_F(InterpreterCommandsTest, TheListingsShowTheTree) {
  initCommand("zz", "", nullptr, "A group for listing.");
  initCommand("zz top", "[x]", recordText, "The top_word of zz.");
  initCommand("zz top deeper", "", recordText, "");
  OutputCapture capture;
  run("commands all");
  EXPECT_NE(capture.printed.find("\nZz\n    Top\n        Deeper\n"), std::string::npos);
  capture.clear();
  run("find DEEP");
  EXPECT_EQ(capture.printed, "zz top deeper\n");
  capture.clear();
  run("apropos top_word");
  EXPECT_EQ(capture.printed, "zz top\n   Description:  The top_word of zz.\n");
  capture.clear();
  run("commands tex");
  // "_" is escaped outside math mode; the help text follows the phrase line.
  EXPECT_NE(capture.printed.find("\\leftline{\\ttquad\\tt > Zz Top  [x]}\n    The top\\_word of zz.\\\\\n"),
            std::string::npos);
  // A help text shorter than 9 characters puts everything on one line.
  EXPECT_NE(capture.printed.find("\\leftline{\\ttquad\\tt > Zz Top Deeper  \\\\}\n"), std::string::npos);
}

TEST_F(InterpreterCommandsTest, TheCommandGridFillsColumnByColumn) {
  // Nine keywords, the longest of 12 letters: columns of 16, five to a line of 80; nine
  // words make two rows, filled column by column.
  const char* words[] = {"zgrid abcdefghijkl", "zgrid b", "zgrid c", "zgrid d", "zgrid e",
                         "zgrid f",            "zgrid g", "zgrid h", "zgrid i"};
  for (const char* phrase : words) initCommand(phrase, "", recordText, "Grid word.");
  OutputCapture capture;
  printComCol(matchComKey("zgrid")->keywords);
  std::string first = capture.printed.substr(0, capture.printed.find('\n'));
  EXPECT_EQ(first, "Abcdefghijkl    C               E               G               I");
  EXPECT_EQ(std::count(capture.printed.begin(), capture.printed.end(), '\n'), 2);
  // Internal words are left out.
  makeInternal("quit");
  capture.clear();
  run("commands");
  EXPECT_EQ(capture.printed.find("Quit"), std::string::npos);
}

TEST_F(InterpreterCommandsTest, TheDescriptionPrinterWritesTheLabelOverTheIndent) {
  OutputCapture capture;
  printDescription("First $line@ of help", "Label:", 13);
  EXPECT_EQ(capture.printed, "   Label:    First line of help\n");
  capture.clear();
  printDescription("", "Label:", 13);
  EXPECT_EQ(capture.printed, "");
}

TEST_F(InterpreterCommandsTest, ALabelLongerThanTheIndentStandsOnALineOfItsOwn) {
  OutputCapture capture;
  // "   " + "  Minimal" + " " fills the 13 blanks of the indent exactly.
  EXPECT_TRUE(printDescription("Loads the minimal model.", "  Minimal", 13));
  EXPECT_EQ(capture.printed, "     Minimal Loads the minimal model.\n");
  capture.clear();
  // One letter more: the text would lose its first letter; it goes below the label.
  EXPECT_TRUE(printDescription("Loads the Z_2 orbifold\nof the circle.", "  Orbifold", 13));
  EXPECT_EQ(capture.printed, "     Orbifold\n             Loads the Z_2 orbifold\n             of the circle.\n");
  capture.clear();
  EXPECT_TRUE(printDescription("Search in names and texts.", "Description:", 17));
  EXPECT_EQ(capture.printed, "   Description:  Search in names and texts.\n");
}

TEST_F(InterpreterCommandsTest, CommandsDetailLosesNoLetterOfAHelpText) {
  initCommand("zdetail", "", recordText, "");
  initCommand("zdetail averyverylongword", "", recordText, "Keeps every letter.");
  initCommand("zdetail short", "", recordText, "Fits beside.");
  OutputCapture capture;
  run("commands detail");
  EXPECT_NE(capture.printed.find("\n   Zdetail\n     Averyverylongword\n             Keeps every letter.\n"
                                 "     Short   Fits beside.\n"),
            std::string::npos);
}

TEST_F(InterpreterCommandsTest, FindComKeyWalksByAbbreviation) {
  // "se" alone would also abbreviate the application's "search" and "select".
  char set[] = "set";
  char echo[] = "ech";
  char* tokens[] = {set, echo, nullptr};
  std::string text;
  int count = 0;
  Command* node = findComKey(tokens, text, &count);
  EXPECT_EQ(node, matchComKey("set echo"));
  EXPECT_EQ(count, 2);
  EXPECT_EQ(text, "Command syntax: Set Echo ");
  char se[] = "se";
  char* ambiguous[] = {se, echo, nullptr};
  text.clear();
  count = 0;
  EXPECT_EQ(findComKey(ambiguous, text, &count), nullptr);
  // Both words abbreviated.
  char start[] = "star";
  char subgroup[] = "sub";
  char* both[] = {start, subgroup, nullptr};
  text.clear();
  count = 0;
  EXPECT_EQ(findComKey(both, text, &count), matchComKey("start subgroup"));
  EXPECT_EQ(count, 2);
}

TEST_F(InterpreterCommandsTest, AResetForgetsCommandsMadeAfterStartUp) {
  initCommand("tlater", "", recordText, "");
  makeInternal("quit");
  resetAll();
  EXPECT_EQ(matchComKey("tlater"), nullptr);
  EXPECT_EQ(matchComKey("quit")->status, 0);
}

}  // namespace
