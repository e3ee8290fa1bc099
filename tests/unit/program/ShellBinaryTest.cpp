// The shell of the real zoq binary as its documentation describes it: "commands detail"
// checked entry by entry against the command tree of the same program built in this
// process (every word at its indent, its help text complete after it or on the line below
// it); and at a terminal (a pseudo-terminal), the keyword question of "help" and the way
// out of math mode.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "BinaryTestSupport.h"
#include "interpreter/Interpreter.h"
#include "TestSupport.h"

namespace {

using binary_test::quitAndExpectSuccess;
using binary_test::ScratchFolder;
using binary_test::TerminalSession;

// Runs "zoq -b run.zoq" in the folder (also its HOME) with the commands given, standard
// input at its end; returns standard output and standard error merged.
std::string runInBackground(const std::string& folder, const std::string& commands) {
  std::ofstream(folder + "/run.zoq") << commands;
  return binary_test::runCaptured(folder, {"-b", "run.zoq"}).output;
}

std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> result;
  std::istringstream stream(text);
  std::string line;
  while (std::getline(stream, line)) result.push_back(line);
  return result;
}

std::vector<std::string> words(const std::string& text) {
  std::vector<std::string> result;
  std::istringstream stream(text);
  std::string word;
  while (stream >> word) result.push_back(word);
  return result;
}

struct Entry {
  std::string label;  // "   ", two blanks per level below the top, the capitalised word
  std::string help;   // the registered text as shown: "$" and "@" removed
};

// Every word of the tree in listing order, from "commands all" (four blanks per level)
// and the registered help texts of the phrases.
std::vector<Entry> treeEntries() {
  OutputCapture capture;
  printCommands();
  std::vector<Entry> entries;
  std::vector<std::string> phrase;
  for (const std::string& line : lines(capture.printed)) {
    std::size_t indent = line.find_first_not_of(' ');
    std::size_t depth = indent / 4;
    std::string word = line.substr(indent);
    phrase.resize(depth);
    std::string lower = word;
    lower[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(lower[0])));
    phrase.push_back(lower);
    std::string joined;
    for (const std::string& w : phrase) joined += (joined.empty() ? "" : " ") + w;
    Command* node = matchComKey(joined.c_str());
    std::string help;
    if (node != nullptr) {
      for (char c : node->helpText) {
        if (c != '$' && c != '@') help += c;
      }
    }
    entries.push_back({"   " + std::string(2 * depth, ' ') + word, help});
  }
  return entries;
}

bool startsWithLabel(const std::string& line, const std::string& label) {
  return line.compare(0, label.size(), label) == 0 && (line.size() == label.size() || line[label.size()] == ' ');
}

TEST(CommandListing, EveryHelpTextStandsWholeAfterItsCommandWord) {
  resetAll();
  std::vector<Entry> entries = treeEntries();
  ASSERT_GT(entries.size(), 300u);
  ScratchFolder folder("zoq-listing");
  std::vector<std::string> printed = lines(runInBackground(folder.path(), "commands detail\n"));
  std::size_t at = 0;
  while (at < printed.size() && printed[at] != "Executing file run.zoq") ++at;
  ASSERT_LT(at, printed.size());
  ++at;
  int withText = 0;
  for (std::size_t e = 0; e < entries.size(); ++e) {
    const Entry& entry = entries[e];
    ASSERT_LT(at, printed.size()) << "listing ends before " << entry.label;
    ASSERT_TRUE(startsWithLabel(printed[at], entry.label)) << "expected " << entry.label << ", got " << printed[at];
    std::string shown = printed[at].substr(entry.label.size());
    // The text, where the word leaves room for it, starts after the word and a blank, in
    // the indent of the text lines (column 13); else it starts on the next line.
    if (!shown.empty()) {
      EXPECT_LE(entry.label.size() + 1, 13u) << entry.label << ": the text starts inside the word's room";
      EXPECT_EQ(printed[at].find_first_not_of(' ', entry.label.size()), 13u) << printed[at];
    }
    ++at;
    while (at < printed.size() && (e + 1 == entries.size() || !startsWithLabel(printed[at], entries[e + 1].label)) &&
           printed[at].compare(0, 13, std::string(13, ' ')) == 0) {
      shown += " " + printed[at];
      ++at;
    }
    EXPECT_EQ(words(shown), words(entry.help)) << "help of " << entry.label;
    if (!entry.help.empty()) ++withText;
  }
  EXPECT_GT(withText, 300);
  ASSERT_LT(at, printed.size());
  EXPECT_EQ(printed[at], "Finished executing file run.zoq");
}

TEST(ShellAtATerminal, HelpAsksForAFurtherKeywordUntilAnEmptyLine) {
  ScratchFolder folder("zoq-listing");
  TerminalSession zoq(folder.path(), folder.path(), {});
  ASSERT_TRUE(zoq.started());
  ASSERT_TRUE(zoq.waitFor("\n> ")) << zoq.output();
  zoq.type("help set\n");
  ASSERT_TRUE(zoq.waitFor("Command syntax: Set \r\n")) << zoq.output();
  ASSERT_TRUE(zoq.waitFor("Enter Keyword > ")) << zoq.output();
  zoq.type("echo\n");
  ASSERT_TRUE(zoq.waitFor("Command syntax: Set Echo (switch ON/OFF)\r\n")) << zoq.output();
  ASSERT_TRUE(zoq.waitFor("Enter Keyword > ")) << zoq.output();
  zoq.type("\n");
  ASSERT_TRUE(zoq.waitFor("\n> ")) << zoq.output();
  quitAndExpectSuccess(zoq);
}

TEST(ShellAtATerminal, MathModeIsLeftWithTheFunctionCallOfSet) {
  ScratchFolder folder("zoq-listing");
  TerminalSession zoq(folder.path(), folder.path(), {});
  ASSERT_TRUE(zoq.started());
  ASSERT_TRUE(zoq.waitFor("\n> ")) << zoq.output();
  zoq.type("set math on\n");
  ASSERT_TRUE(zoq.waitFor("==> ")) << zoq.output();
  zoq.type("6*7\n");
  ASSERT_TRUE(zoq.waitFor("\n42\r\n==> ")) << zoq.output();
  // An expression too: it prints its text and math mode stays.
  zoq.type("set math off\n");
  ASSERT_TRUE(zoq.waitFor("\nset math off\r\n==> ")) << zoq.output();
  zoq.type("set(math,off)\n");
  ASSERT_TRUE(zoq.waitFor("\n> ")) << zoq.output();
  zoq.type("show math\n");
  ASSERT_TRUE(zoq.waitFor("\nOFF\r\n> ")) << zoq.output();
  quitAndExpectSuccess(zoq);
}

}  // namespace
