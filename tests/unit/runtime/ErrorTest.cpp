// Alerts: codes and buttons, masks, repetition control, show-once messages, severe and
// fatal messages, buffering, background endings, the answer dialog, and the log and
// diagnostics files.
#include "runtime/Error.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include "interpreter/Interpreter.h"
#include "program/Boot.h"
#include "runtime/Output.h"
#include "runtime/Parameters.h"
#include "runtime/StringUtility.h"
#include "runtime/Terminal.h"
#include "TestSupport.h"

namespace {

class ErrorTest : public ::testing::Test {
 protected:
  void SetUp() override { resetAll(); }
};

// Makes the error stream of a death test's child visible to the death-test matcher.
void diagnosticsToStandardError() {
  std::fflush(stdout);
  dup2(STDERR_FILENO, STDOUT_FILENO);
}

TEST_F(ErrorTest, CodesSplitIntoButtonsSeverityAndClass) {
  int digits[5];
  unpackErrorCode(332209, digits);  // Yes / No / Quit, severity 2, class 9
  EXPECT_EQ(digits[0], 2);
  EXPECT_EQ(digits[1], 3);
  EXPECT_EQ(digits[2], 2);
  EXPECT_EQ(digits[3], 2);
  EXPECT_EQ(digits[4], 9);
  unpackErrorCode(12345, digits);  // default digit 0 is taken as "OK"
  EXPECT_EQ(digits[0], 0);
  EXPECT_STREQ(alertDefaultButton(0), "OK");
  EXPECT_STREQ(alertDefaultButton(2), "Continue");
  EXPECT_STREQ(alertDefaultButton(6), "No");
  EXPECT_STREQ(alertDefaultButton(9), "OK");
  EXPECT_EQ(alertAlternateButton(0), nullptr);
  EXPECT_STREQ(alertAlternateButton(4), "Explain");
  EXPECT_STREQ(alertOtherButton(3), "Set repetition rate");
  EXPECT_EQ(alertOtherButton(5), nullptr);
  EXPECT_STREQ(alertClassTitle(14), "Interpretation error");
  EXPECT_STREQ(alertClassTitle(18), "Warning");
}

TEST_F(ErrorTest, AWarningIsShownWithoutItsOriginAndKeepsTheBlank) {
  OutputCapture capture;
  EXPECT_EQ(Alert("routine", 3, 100301, "Something %s", "odd"), 1);
  EXPECT_EQ(capture.diagnostics, "Something odd \n");
  EXPECT_EQ(getError("routine", 3)->count, 1);
}

TEST_F(ErrorTest, ErrorTraceShowsTheOrigin) {
  setIntPar("error_trace", 1);
  OutputCapture capture;
  Alert("traced", 7, 100301, "Look");
  EXPECT_EQ(capture.diagnostics, "Look \n(routine traced, position 7)\n\n");
}

TEST_F(ErrorTest, LowSeveritiesAreMaskedByDefault) {
  OutputCapture capture;
  EXPECT_EQ(Alert("quiet", 0, 100001, "severity zero"), -3);
  EXPECT_EQ(Alert("quiet", 1, 100101, "severity one"), -3);
  EXPECT_EQ(capture.all, "");
  EXPECT_EQ(Alert("shown", 0, 100201, "severity two"), 1);
  EXPECT_EQ(capture.diagnostics, "severity two \n");
  setSeverity_Error("000000");
  capture.clear();
  EXPECT_EQ(Alert("quiet", 0, 100001, "now visible"), 1);
  EXPECT_EQ(capture.diagnostics, "now visible \n");
}

TEST_F(ErrorTest, TheMaskKeepsSixCharacters) {
  setSeverity_Error("0011001111");
  EXPECT_STREQ(getSeverity_Error(), "001100");
}

TEST_F(ErrorTest, CodeZeroIsNeverShown) {
  OutputCapture capture;
  EXPECT_EQ(Alert("zero", 0, 0, "hidden"), -3);  // severity 0 is masked
  setSeverity_Error("000000");
  EXPECT_EQ(Alert("zero", 0, 0, "hidden"), 1);
  EXPECT_EQ(capture.all, "");
}

TEST_F(ErrorTest, ARepetitionRateShowsEveryKthCall) {
  OutputCapture capture;
  getError("often", 0)->repetitionRate = 3;
  int shown = 0;
  for (int call = 1; call <= 9; ++call) {
    int result = Alert("often", 0, 100201, "call %d", call);
    if (result == 1) ++shown;
    EXPECT_EQ(result, call % 3 == 0 ? 1 : -3) << call;
  }
  EXPECT_EQ(shown, 3);
  EXPECT_EQ(capture.diagnostics, "call 3 \ncall 6 \ncall 9 \n");
  disableError("often", 0);
  EXPECT_EQ(Alert("often", 0, 100201, "off"), -3);
  resetError();
  EXPECT_EQ(Alert("often", 0, 100201, "on again"), 1);
}

TEST_F(ErrorTest, ShowOnceMessagesCarryTheMarkAndTheLegendOnlyOnce) {
  OutputCapture capture;
  EXPECT_EQ(Alert("once", 0, 100218, "first"), 1);
  EXPECT_EQ(capture.diagnostics, "first [***]\n[***] indicates a message that will not be repeated.\n");
  capture.clear();
  EXPECT_EQ(Alert("once", 0, 100218, "first"), -3);
  EXPECT_EQ(Alert("once", 1, 100218, "second"), 1);
  EXPECT_EQ(capture.diagnostics, "second [***]\n");
  resetError();  // "reset errors" gives every site the rate 1 again; the legend stays shown
  capture.clear();
  EXPECT_EQ(Alert("once", 0, 100218, "first"), 1);
  EXPECT_EQ(capture.diagnostics, "first [***]\n");
}

TEST_F(ErrorTest, SevereMessagesAreCountedAndMakeTheRunInteractive) {
  OutputCapture capture;
  EXPECT_EQ(getInteractive(), 0);
  Alert("severe", 1, 100401, "bad");
  EXPECT_EQ(getInteractive(), 1);
  EXPECT_NE(capture.diagnostics.find("Serious error in routine severe (position 1)\n"), std::string::npos);
  // The origin stays with severity 4.
  EXPECT_NE(capture.diagnostics.find("bad \n(routine severe, position 1)\n"), std::string::npos);
  for (int k = 2; k <= 25; ++k) Alert("severe", k, 100401, "bad");
  EXPECT_EQ(capture.diagnostics.find("Serious error in routine severe (position 2)"), std::string::npos);
  EXPECT_NE(capture.diagnostics.find("25 serious errors so far\n"), std::string::npos);
  Alert("fatal", 4, 100501, "worse");
  EXPECT_NE(capture.diagnostics.find("Fatal error in routine fatal (position 4)\n"), std::string::npos);
}

TEST_F(ErrorTest, SuppressionDropsOnlyMildMessages) {
  OutputCapture capture;
  suppressError();
  EXPECT_EQ(getErrorSuppression(), 1);
  EXPECT_EQ(Alert("mild", 0, 100201, "dropped"), 1);
  EXPECT_EQ(capture.all, "");
  EXPECT_EQ(Alert("syntax", 0, 100301, "kept"), 1);
  EXPECT_EQ(capture.diagnostics, "kept \n");
  unsuppressError();
}

TEST_F(ErrorTest, BufferingDropsMildAndCollectsSyntaxMessages) {
  OutputCapture capture;
  bufferErrors();
  EXPECT_EQ(Alert("mild", 0, 100201, "dropped"), 1);
  EXPECT_EQ(Alert("syntax", 0, 100301, "first"), 1);
  EXPECT_EQ(Alert("syntax", 1, 100301, "second"), 1);
  EXPECT_EQ(capture.all, "");
  EXPECT_EQ(getErrorBufferText(), "first \nsecond ");
  noBuf();
  EXPECT_EQ(Alert("syntax", 2, 100301, "direct"), 1);
  EXPECT_EQ(capture.diagnostics, "direct \n");
  noBufOff();
  capture.clear();
  // Several collected lines become one "Interpretation error" question.
  printErrorBuffer();
  EXPECT_EQ(getErrorBuffering(), 0);
  EXPECT_EQ(capture.diagnostics,
            "Interpretation error \nNon-interactive mode; Assuming default answer: OK\n");
}

TEST_F(ErrorTest, OneBufferedLineIsShownAsItIs) {
  OutputCapture capture;
  bufferErrors();
  Alert("findCommand", 2, 100301, "Command %s not known", "foo");
  printErrorBuffer();
  EXPECT_EQ(capture.diagnostics, "Command foo not known  \n");
  EXPECT_EQ(getErrorBufferText(), "");
}

TEST_F(ErrorTest, ExplainShowsTheCollectedMessages) {
  OutputCapture capture;
  bufferErrors();
  Alert("syntax", 0, 100301, "first");
  Alert("syntax", 1, 100301, "second");
  setInteractive(1);
  ScriptedAnswers answers({"explain"});
  printErrorBuffer();
  EXPECT_NE(capture.diagnostics.find("Interpretation error \a\n(OK/Explain/Auto/Help):"), std::string::npos);
  EXPECT_NE(capture.diagnostics.find("first \nsecond  \n"), std::string::npos);
}

TEST_F(ErrorTest, BackgroundRunsShowMildMessagesWithoutAsking) {
  OutputCapture capture;
  setBackground(1);
  EXPECT_EQ(Alert("mild", 0, 332209, "Proceed?"), 1);
  EXPECT_EQ(capture.diagnostics, "Proceed? \n");
  setBackground(0);
}

TEST_F(ErrorTest, BackgroundRunsEndOnASyntaxError) {
  EXPECT_EXIT(
      {
        diagnosticsToStandardError();
        setBackground(1);
        Alert("parser", 5, 100301, "Broken input");
      },
      ::testing::ExitedWithCode(1),
      "Broken input \n\\(routine parser, position 5\\)\n\nSyntax error; terminating execution\nFatal Error");
}

TEST_F(ErrorTest, BackgroundRunsEndOnASevereError) {
  EXPECT_EXIT(
      {
        diagnosticsToStandardError();
        setBackground(1);
        Alert("engine", 0, 120406, "Cannot go on");
      },
      ::testing::ExitedWithCode(1), "Fatal error; terminating execution");
}

TEST_F(ErrorTest, TheQuestionOffersTheAnswersInOrder) {
  OutputCapture capture;
  setInteractive(1);
  ScriptedAnswers answers({"s", "i"});
  EXPECT_EQ(Alert("asking", 0, 112312, "Bad input"), 0);
  EXPECT_NE(capture.diagnostics.find("Bad input \a\n(OK/Ignore/Scroll/Quit/Stop/Auto/Help):"), std::string::npos);
  // "s" fits both "Scroll" and "Stop".
  EXPECT_NE(capture.stdoutText.find("Answer ambiguous; please try again\n"), std::string::npos);
  // "Ignore" silences the site until the errors are reset.
  EXPECT_EQ(Alert("asking", 0, 112312, "Bad input"), -3);
  resetError();
  ScriptedAnswers again({"ok"});
  EXPECT_EQ(Alert("asking", 0, 112312, "Bad input"), 1);
}

TEST_F(ErrorTest, ScrollStopsTheQuestionsUntilTheNextPrompt) {
  OutputCapture capture;
  setInteractive(1);
  ScriptedAnswers answers({"sc"});
  EXPECT_EQ(Alert("asking", 0, 112312, "First"), -4);
  EXPECT_EQ(getErrorScrollMode(), 1);
  capture.clear();
  EXPECT_EQ(Alert("asking", 1, 112312, "Second"), 1);
  EXPECT_EQ(capture.diagnostics, "Second \nNon-interactive mode; Assuming default answer: OK\n");
}

TEST_F(ErrorTest, AutoTakesTheDefaultForEveryLaterQuestion) {
  OutputCapture capture;
  setInteractive(1);
  ScriptedAnswers answers({"auto"});
  EXPECT_EQ(Alert("asking", 0, 332209, "Go on?"), 1);
  EXPECT_EQ(getInteractive(), 0);
  EXPECT_EQ(Alert("asking", 1, 332209, "Again?"), 1);
  EXPECT_EQ(ScriptedAnswers::left(), 0u);
}

TEST_F(ErrorTest, StopAbandonsTheRunningCommand) {
  OutputCapture capture;
  setInteractive(1);
  ScriptedAnswers answers({"st"});
  EXPECT_THROW(Alert("asking", 0, 112312, "Stop here"), StopRequest);
}

TEST_F(ErrorTest, HelpListsEveryAnswer) {
  OutputCapture capture;
  setInteractive(1);
  ScriptedAnswers answers({"help", "yes"});
  EXPECT_EQ(Alert("asking", 0, 332209, "Question"), 1);
  EXPECT_NE(capture.stdoutText.find("Enter one of the alternatives\n"
                                    "    Yes:            Yes\n"
                                    "    No:             No\n"
                                    "    Quit:           Exit program\n"
                                    "    Stop:           Interrupt execution and return to command line\n"
                                    "    Auto:           Auto-select first answer to all questions\n"
                                    "    Help:           Show this list\n\n"),
            std::string::npos);
  EXPECT_EQ(errorHelpText("Cancel"), "Cancel:              -- No further information available -- ");
}

TEST_F(ErrorTest, TheAlternateAndOtherAnswers) {
  OutputCapture capture;
  setInteractive(1);
  ScriptedAnswers answers({"no", "set", "x", "2"});
  EXPECT_EQ(Alert("choose", 0, 133201, "Pick"), 0);  // OK / No / Set repetition rate
  EXPECT_EQ(Alert("choose", 0, 133201, "Pick"), -1);
  EXPECT_NE(capture.diagnostics.find("Enter repetition rate: "), std::string::npos);
  EXPECT_EQ(getError("choose", 0)->repetitionRate, 2);  // "x" was not a number
}

TEST_F(ErrorTest, ElevenWrongAnswersEndTheRun) {
  EXPECT_EXIT(
      {
        std::fflush(stdout);
        dup2(STDERR_FILENO, STDOUT_FILENO);
        setInteractive(1);
        ScriptedAnswers answers({"x", "x", "x", "x", "x", "x", "x", "x", "x", "x", "x"});
        Alert("asking", 0, 332209, "Question");
      },
      ::testing::ExitedWithCode(8), "Too many invalid answers; execution terminated");
}

TEST_F(ErrorTest, TheEndOfInputTakesTheDefaultAnswer) {
  OutputCapture capture;
  setInteractive(1);
  ScriptedAnswers answers({"x"});  // one invalid answer, then the input ends
  EXPECT_EQ(Alert("asking", 0, 332209, "Question"), 1);
  EXPECT_NE(capture.stdoutText.find("Invalid input\n"), std::string::npos);
  EXPECT_NE(capture.diagnostics.find("Non-interactive mode; Assuming default answer: Yes\n"), std::string::npos);
}

TEST_F(ErrorTest, QuitEndsTheRunWithStatusZero) {
  EXPECT_EXIT(
      {
        setInteractive(1);
        ScriptedAnswers answers({"quit"});
        Alert("asking", 0, 120206, "Cannot open");
      },
      ::testing::ExitedWithCode(0), "");
}

TEST_F(ErrorTest, PreviousErrorsAreListedNewestFirst) {
  Alert("older", 1, 100201, "x");
  Alert("older", 1, 100201, "x");
  Alert("newer", 2, 100201, "y");
  disableError("newer", 2);
  OutputCapture capture;
  showPreviousErrors();
  std::size_t newer = capture.diagnostics.find(
      "Error in routine: newer, position: 2; occurred 1 times; *** disabled *** \n");
  std::size_t older = capture.diagnostics.find("Error in routine: older, position: 1; occurred 2 times; \n");
  EXPECT_NE(newer, std::string::npos);
  EXPECT_NE(older, std::string::npos);
  EXPECT_LT(newer, older);
}

TEST_F(ErrorTest, TheLogFileRecordsTypedCommands) {
  TemporaryFolder folder;
  LogFileName("TestLog");
  setIntPar("log", 1);
  writeLog("%s\n", "first command");
  writeLog("%s\n", "second command");
  std::string text = readFile(getLogFileName());
  EXPECT_EQ(text.rfind("\nZoq command file \ncreated ", 0), 0u);
  EXPECT_NE(text.find("\n" + std::string(60, '-') + "\nfirst command\nsecond command\n"), std::string::npos);
  setIntPar("log", 0);
  writeLog("%s\n", "not recorded");
  EXPECT_EQ(readFile(getLogFileName()), text);
  std::remove(getLogFileName().c_str());
  LogFileName("Zoq");
}

TEST_F(ErrorTest, TheDiagnosticsFileKeepsEveryAlertWithItsOrigin) {
  ErrorFileName("TestDiagnostics");
  setIntPar("error_log", 1);
  OutputCapture capture;
  Alert("masked", 3, 100101, "quiet one");  // masked on screen (log ON lets it through)
  setIntPar("log", 1);
  Alert("masked", 3, 100101, "quiet one");
  setIntPar("log", 0);
  std::string text = readFile(getErrorFileName());
  EXPECT_EQ(text.rfind("Zoq diagnostics \ncreated ", 0), 0u);
  // Only the call made with "log" ON got past the mask into the file.
  EXPECT_EQ(substringcnt(text.c_str(), "quiet one \n(routine masked, position 3)\n"), 1);
  EXPECT_EQ(capture.all, "");
  std::remove(getErrorFileName().c_str());
  ErrorFileName("Zoq");
}

TEST_F(ErrorTest, EachRunAppendsToTheLogUnderAHeaderOfItsOwn) {
  LogFileName("TestLog");
  std::string earlier = "\nZoq command file \ncreated earlier\n" + std::string(60, '-') + "\nearlier command\n";
  {
    std::FILE* file = std::fopen(getLogFileName().c_str(), "w");
    ASSERT_NE(file, nullptr);
    std::fputs(earlier.c_str(), file);
    std::fclose(file);
  }
  setIntPar("log", 1);
  writeLog("%s\n", "first run");
  resetErrorModule();  // what the next run starts from: no record written yet
  writeLog("%s\n", "second run");
  std::string text = readFile(getLogFileName());
  EXPECT_EQ(text.rfind(earlier, 0), 0u);
  EXPECT_EQ(substringcnt(text.c_str(), "\nZoq command file \ncreated "), 3);
  std::size_t first = text.find("first run\n");
  std::size_t second = text.find("second run\n");
  ASSERT_NE(first, std::string::npos);
  ASSERT_NE(second, std::string::npos);
  EXPECT_LT(text.find("Zoq command file", first), second);
  std::remove(getLogFileName().c_str());
  LogFileName("Zoq");
}

TEST_F(ErrorTest, AnAlertRaisedWhileWritingTheDiagnosticsRecordIsNotRecordedAgain) {
  ErrorFileName("TestDiagnostics");
  setIntPar("error_log", 1);
  // A separator 20 wide cannot hold its text at column 20: the header of the file raises
  // "Text field overflow" while the first record is written.
  *getIntParPointer("line_size") = 22;
  OutputCapture capture;
  Alert("first", 0, 100301, "recorded");
  std::string text = readFile(getErrorFileName());
  EXPECT_EQ(substringcnt(text.c_str(), "recorded \n(routine first, position 0)\n"), 1);
  EXPECT_EQ(text.find("Text field overflow"), std::string::npos);
  EXPECT_NE(capture.diagnostics.find("Text field overflow"), std::string::npos);
  std::remove(getErrorFileName().c_str());
  ErrorFileName("Zoq");
}

TEST_F(ErrorTest, TheTerminalOutputSwitch) {
  EXPECT_EQ(OutputStatus(), 1);
  TerminalOutputOff();
  EXPECT_EQ(OutputStatus(), 0);
  TerminalOutputOn();
  EXPECT_EQ(OutputStatus(), 1);
}

}  // namespace

namespace {

TEST_F(ErrorTest, ABackgroundRunThatSkippedInconsistentCandidatesEndsWithStatusOne) {
  OutputCapture capture;
  setBackground(1);
  EXPECT_EQ(runEndStatus(0), 0);  // nothing skipped: a normal end
  noteInconsistentSkip();
  noteInconsistentSkip(2);
  EXPECT_EQ(inconsistentSkipCount(), 3);
  EXPECT_EQ(runEndStatus(0), 1);
  EXPECT_NE(capture.printed.find("3 candidate(s) skipped for an internal inconsistency in this run; "
                                "ending with status 1\n"),
            std::string::npos);
  EXPECT_EQ(runEndStatus(4), 4);  // another failure keeps its own status
  setBackground(0);
  EXPECT_EQ(runEndStatus(0), 0);  // an interactive run ends normally
  resetAll();
  EXPECT_EQ(inconsistentSkipCount(), 0);
}

TEST_F(ErrorTest, QuitInABackgroundRunAfterSkippedCandidatesEndsWithStatusOne) {
  EXPECT_EXIT(
      {
        setBackground(1);
        noteInconsistentSkip();
        executeCommandLine("quit");
      },
      ::testing::ExitedWithCode(1), "");
}

}  // namespace
