// The command-line builder, command files and the terminal loop. Until the command tree
// exists every block reaches the stand-in executor, which reports it as an unknown
// command; at debug level 3 it lists the block's words, which is how these tests see
// what the builder made of a line.
#include "interpreter/Interpreter.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <functional>
#include <vector>

#include "interpreter/IntCommands.h"
#include "program/Boot.h"
#include "runtime/Error.h"
#include "runtime/Output.h"
#include "runtime/Parameters.h"
#include "runtime/StringUtility.h"
#include "runtime/Terminal.h"
#include "TestSupport.h"

namespace {

class InterpreterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    resetAll();
    setDebugLevel(3);
  }
};

// The words of every block the executor received, one "|word|" per word, blocks
// separated by "/".
std::string blocks(const std::string& debugOutput) {
  std::string result;
  std::size_t at = 0;
  const std::string first = "........ Commands[0]: ";
  const std::string mark = "........ Commands[";
  while ((at = debugOutput.find(mark, at)) != std::string::npos) {
    if (debugOutput.compare(at, first.size(), first) == 0 && !result.empty()) result += "/";
    std::size_t start = debugOutput.find('|', at);
    std::size_t end = debugOutput.find("|\n", start + 1);
    result += debugOutput.substr(start, end - start + 1);
    at = end;
  }
  return result;
}

TEST_F(InterpreterTest, AnOpenBraceJoinsLinesBeforeAnythingRuns) {
  OutputCapture capture;
  EXPECT_EQ(composeCommandLine("x {"), -1);
  EXPECT_EQ(composeCommandLine("y"), -1);
  EXPECT_EQ(capture.all, "");
  EXPECT_EQ(composeCommandLine("}"), kResultNoCommand);
  // "x { y; }": no ";" after the first line, one after the second.
  EXPECT_EQ(blocks(capture.stdoutText), "|x|| y; |");
  EXPECT_EQ(capture.diagnostics, "Command x not known  \n");
}

TEST_F(InterpreterTest, SemicolonsSeparateBlocksOutsideBraces) {
  OutputCapture capture;
  composeCommandLine("qa;qb");
  EXPECT_EQ(blocks(capture.stdoutText), "|qa|/|qb|");
  // An unknown first block does not stop the line.
  EXPECT_EQ(capture.diagnostics, "Command qa not known  \nCommand qb not known  \n");
  capture.clear();
  composeCommandLine("{a;b}");
  EXPECT_EQ(blocks(capture.stdoutText), "|a;b|");
  capture.clear();
  composeCommandLine("{a b} c {d {e f}}");
  EXPECT_EQ(blocks(capture.stdoutText), "|a b||c||d {e f}|");
  capture.clear();
  composeCommandLine(" ;; last ;");
  EXPECT_EQ(blocks(capture.stdoutText), "|last|");
}

TEST_F(InterpreterTest, CommentsAreDropped) {
  OutputCapture capture;
  composeCommandLine("qcommand arg % a comment; other");
  EXPECT_EQ(blocks(capture.stdoutText), "|qcommand||arg|");
  capture.clear();
  // A "%" inside braces still starts a comment, so the brace stays open.
  EXPECT_EQ(composeCommandLine("p {q % r}"), -1);
  EXPECT_EQ(composeCommandLine("}"), kResultNoCommand);
  // "p {q " is continued with ";" and a blank: "p {q ; }".
  EXPECT_EQ(blocks(capture.stdoutText), "|p||q ; |");
}

TEST_F(InterpreterTest, ABackslashContinuesTheLine) {
  OutputCapture capture;
  EXPECT_EQ(composeCommandLine("ab\\"), -1);
  EXPECT_EQ(composeCommandLine("   cd"), kResultNoCommand);
  EXPECT_EQ(blocks(capture.stdoutText), "|abcd|");
}

TEST_F(InterpreterTest, TooManyClosingBracesDiscardTheLine) {
  OutputCapture capture;
  EXPECT_EQ(composeCommandLine("a }"), 0);
  EXPECT_EQ(capture.diagnostics, "Too many closing brackets (\"}\") \n");
  EXPECT_EQ(capture.stdoutText, "");
  capture.clear();
  composeCommandLine("fresh");
  EXPECT_EQ(blocks(capture.stdoutText), "|fresh|");
}

TEST_F(InterpreterTest, BracesClosedBeforeTheyOpenAreAMismatch) {
  OutputCapture capture;
  composeCommandLine("a}{b");
  EXPECT_NE(capture.diagnostics.find("Bracket mismatch"), std::string::npos);
  EXPECT_EQ(blocks(capture.stdoutText), "");
}

TEST_F(InterpreterTest, MathModeContinuesOnAnOpenParenthesis) {
  setIntPar("math", 1);
  OutputCapture capture;
  EXPECT_EQ(composeCommandLine("(1+"), -1);
  composeCommandLine("2)*3");
  EXPECT_EQ(blocks(capture.stdoutText), "|evaluate||(1+ 2)*3|");
  capture.clear();
  EXPECT_EQ(composeCommandLine("1)"), 0);
  EXPECT_EQ(capture.diagnostics, "Too many closing brackets [\")\"] \n");
}

TEST_F(InterpreterTest, ALineFeedInsideALineIsRefused) {
  OutputCapture capture;
  EXPECT_EQ(executeCommandLine("a\nb"), kResultLineFeed);
  EXPECT_EQ(capture.diagnostics, "Line feed not allowed in command line \n");
  EXPECT_EQ(capture.stdoutText, "");
}

TEST_F(InterpreterTest, AFailingBlockEndsTheLineAndTheRestIsReported) {
  OutputCapture capture;
  // The assignment block itself succeeds; its error value stops the line.
  EXPECT_EQ(composeCommandLine("x=1/0; qb; qc"), 0);
  EXPECT_NE(capture.diagnostics.find("Remainder (qb; qc) ignored"), std::string::npos);
  EXPECT_EQ(blocks(capture.stdoutText), "|x=1/0|");
}

TEST_F(InterpreterTest, EchoAndLogRecordTheLine) {
  setIntPar("echo", 1);
  setIntPar("log", 1);
  LogFileName("TestInterpreterLog");
  OutputCapture capture;
  composeCommandLine("shown   ");
  EXPECT_EQ(capture.printed, "shown\n");
  std::string log = readFile(getLogFileName());
  EXPECT_NE(log.find("\nshown\n"), std::string::npos);
  std::remove(getLogFileName().c_str());
  LogFileName("Zoq");
}

TEST_F(InterpreterTest, RecordsAreRecycledAndKeepTheirTokensWhenGrowing) {
  CommandLine* line = newCommandLine();
  appendToLine(line, "alpha beta");
  line->blockStart = 0;
  line->blockEnd = line->end;
  chopLine(line);
  ASSERT_STREQ(line->tokens[1], "beta");
  allocLine(line, 100000);  // the text moves
  EXPECT_STREQ(line->tokens[0], "alpha");
  EXPECT_STREQ(line->tokens[1], "beta");
  EXPECT_GE(line->text.data() + line->capacity, line->tokens[1]);
  OutputCapture capture;
  checkCommandLine("test", line);
  EXPECT_EQ(capture.all, "");
  freeCommandLine(line);
  EXPECT_EQ(newCommandLine(), line);  // taken back from the free list, emptied
  EXPECT_EQ(line->end, 0u);
  EXPECT_EQ(line->tokens[0], nullptr);
  freeCommandLine(line);
}

TEST_F(InterpreterTest, ManyWordsGrowTheTokenSlots) {
  OutputCapture capture;
  std::string line;
  for (int i = 0; i < 40; ++i) line += "w" + std::to_string(i) + " ";
  composeCommandLine(line.c_str());
  EXPECT_NE(capture.stdoutText.find("Commands[39]: |w39|"), std::string::npos);
  EXPECT_GT(showCommandLinesUsed(0), 0);
}

TEST_F(InterpreterTest, TheFullLineShowsItsCuts) {
  OutputCapture capture;
  setDebugLevel(1);
  composeCommandLine("a;b c");
  EXPECT_NE(capture.stdoutText.find(".... Command Block: b c\n"), std::string::npos);
  EXPECT_NE(capture.stdoutText.find(".... Command Line : a|b c\n"), std::string::npos);
}

// Command files.

TEST_F(InterpreterTest, ATabSeparatesWordsWhereverABlankDoes) {
  OutputCapture capture;
  composeCommandLine("\tqa\tone\t two");
  EXPECT_EQ(blocks(capture.stdoutText), "|qa||one||two|");
  EXPECT_EQ(capture.diagnostics, "Command qa not known  \n");
  capture.clear();
  // Inside braces a tab is a blank of the word; a line of tabs is an empty line.
  composeCommandLine("qb {x\ty}\t;\t\tqc");
  EXPECT_EQ(blocks(capture.stdoutText), "|qb||x y|/|qc|");
  capture.clear();
  EXPECT_EQ(composeCommandLine("\t\t"), 0);
  EXPECT_EQ(capture.all, "");
  // Lines run for commands (procedures, loops) take tabs the same way.
  capture.clear();
  executeCommandLine("\tqd\tthree");
  EXPECT_EQ(blocks(capture.stdoutText), "|qd||three|");
}

TEST_F(InterpreterTest, ACommandFileIndentedWithTabsRuns) {
  TemporaryFolder folder;
  std::string path = folder.write("tabs.zoq", "first\n\tsecond\tword\n\t\tthird {a\tb}\n");
  OutputCapture capture;
  executeCommandFile(path.c_str(), 0);
  EXPECT_EQ(blocks(capture.stdoutText), "|first|/|second||word|/|third||a b|");
  EXPECT_EQ(capture.diagnostics.find('\t'), std::string::npos);
}

TEST_F(InterpreterTest, CommandFilesRunLineByLine) {
  TemporaryFolder folder;
  std::string path = folder.write("run.zoq", "# a remark\nfirst one\r\nsecond #not a remark\r\n\nthird\n");
  OutputCapture capture;
  executeCommandFile(path.c_str(), 0);
  EXPECT_EQ(blocks(capture.stdoutText), "|first||one|/|second||#not||a||remark|/|third|");
  EXPECT_STREQ(getInputFilename(), path.c_str());
}

TEST_F(InterpreterTest, ABraceBlockSpansLinesOfAFile) {
  TemporaryFolder folder;
  std::string path = folder.write("block.zoq", "p {\n  q\n  r\n}\nafter\n");
  OutputCapture capture;
  executeCommandFile(path.c_str(), 0);
  EXPECT_EQ(blocks(capture.stdoutText), "|p|| q; r; |/|after|");
}

TEST_F(InterpreterTest, AnUnfinishedLastLineRunsNothing) {
  TemporaryFolder folder;
  std::string open = folder.write("open.zoq", "done\nstart {\n  inner\n");
  std::string continued = folder.write("continued.zoq", "done\npart \\");
  OutputCapture capture;
  executeCommandFile(open.c_str(), 0);
  executeCommandFile(continued.c_str(), 0);
  EXPECT_EQ(blocks(capture.stdoutText), "|done|/|done|");
  // Nothing of it is left behind for the terminal either.
  capture.clear();
  composeCommandLine("next");
  EXPECT_EQ(blocks(capture.stdoutText), "|next|");
}

TEST_F(InterpreterTest, RunningAFileGivesInteractiveItsValueBack) {
  TemporaryFolder folder;
  std::string path = folder.write("quiet.zoq", "word\n");
  OutputCapture capture;
  setInteractive(1);
  executeCommandFile(path.c_str(), 0);
  EXPECT_EQ(getInteractive(), 1);
  setInteractive(0);
  executeCommandFile(path.c_str(), 0);
  EXPECT_EQ(getInteractive(), 0);
}

TEST_F(InterpreterTest, AMissingFileRunsNothing) {
  TemporaryFolder folder;
  OutputCapture capture;
  ScriptedAnswers answers({"ok"});
  executeCommandFile(folder.path("none.zoq").c_str(), 0);
  EXPECT_NE(capture.all.find("does not exist"), std::string::npos);
  EXPECT_EQ(blocks(capture.stdoutText), "");
}

// A sink that records everything and runs the next planned action when its text passes by.
std::string seen;
std::vector<std::pair<std::string, std::function<void()>>> plan;
void triggeringSink(Channel, const char* text, std::size_t length) {
  std::string piece(text, length);
  seen += piece;
  if (!plan.empty() && piece.find(plan.front().first) != std::string::npos) {
    std::function<void()> action = std::move(plan.front().second);
    plan.erase(plan.begin());
    action();
  }
}

TEST_F(InterpreterTest, NestedFilesKeepTheirOwnTextAndContext) {
  TemporaryFolder folder;
  std::string outer = folder.write("outer.zoq", "first\nsecond {\n  a\n}\nthird\n");
  std::string inner = folder.write("inner.zoq", "in1\nin2 {\n b\n}\n");
  std::string loaded = folder.write("loaded.zoq", "ld\n");
  std::string innerName;
  int innerLine = 0;
  seen.clear();
  plan.clear();
  plan.emplace_back("|first|", [&] { executeCommandFile(inner.c_str(), 0); });
  plan.emplace_back("| b; |", [&] {
    innerName = getCurrentFileName();
    innerLine = getCurrentLineNumber();
    executeLoadedCommandFile(loaded.c_str(), 1);
  });
  setOutputSink(triggeringSink);
  executeCommandFile(outer.c_str(), 0);
  setOutputSink(nullptr);
  EXPECT_EQ(blocks(seen), "|first|/|in1|/|in2|| b; |/|ld|/|second|| a; |/|third|");
  EXPECT_EQ(innerName, inner);
  EXPECT_EQ(innerLine, 4);  // the block "in2 { b }" ends on line 4 of its file
  EXPECT_EQ(getCurrentFileName(), std::string());
}

TEST_F(InterpreterTest, ACarriageReturnBeforeALineFeedEndsTheLineOnce) {
  TemporaryFolder folder;
  std::string path = folder.write("dos.zoq", "first\r\nsecond\r\rthird\r\n");
  int secondLine = 0;
  int thirdLine = 0;
  seen.clear();
  plan.clear();
  plan.emplace_back("|second|", [&] { secondLine = getCurrentLineNumber(); });
  plan.emplace_back("|third|", [&] { thirdLine = getCurrentLineNumber(); });
  setOutputSink(triggeringSink);
  executeCommandFile(path.c_str(), 0);
  setOutputSink(nullptr);
  EXPECT_EQ(blocks(seen), "|first|/|second|/|third|");
  EXPECT_EQ(secondLine, 2);
  EXPECT_EQ(thirdLine, 4);  // a lone CR still ends a line: line 3 is empty
}

TEST_F(InterpreterTest, ErrorsInABackgroundFileNameTheLineCountedFromOne) {
  TemporaryFolder folder;
  std::string path = folder.write("bad.zoq", "foo bar\nsecond\n");
  EXPECT_EXIT(
      {
        std::fflush(stdout);
        dup2(STDERR_FILENO, STDOUT_FILENO);
        setDebugLevel(0);
        setBackground(1);
        executeCommandFile(path.c_str(), 0);
      },
      ::testing::ExitedWithCode(1),
      "Syntax error; terminating execution\nError occurred on line 1, file " + path +
          "\nLine: foo bar\nCommand foo not known \n\\(routine findCommand, position 2\\)\n");
}

TEST_F(InterpreterTest, StopReturnsToThePromptWithoutNestingALoop) {
  TemporaryFolder folder;
  std::string input = folder.write("input", "partial {\n}\na;b\nc\n");
  EXPECT_EXIT(
      {
        ASSERT_NE(std::freopen(input.c_str(), "r", stdin), nullptr);
        seen.clear();
        plan.clear();
        plan.emplace_back("|a|", [] { throw StopRequest{}; });
        setOutputSink([](Channel channel, const char* text, std::size_t length) {
          triggeringSink(channel, text, length);
          std::fwrite(text, 1, length, stderr);
        });
        readFromTerminal();
      },
      ::testing::ExitedWithCode(0),
      // The answer comes while "a" runs: "b" never runs, the prompt comes back, the next
      // line runs and the end of the input quits.
      "Command Line : a\\|b\n\\.\\.\\.\\. Command Block: a\n> .*Commands\\[0\\]: \\|c\\|.*CPU time used");
}

}  // namespace
