// Ctrl-C during the string reading of large Gepner models, with the real zoq binary at a
// terminal (a pseudo-terminal): the prompt comes back after at most a second of the
// program's processor time, the session goes on, and a reading stopped half-way leaves no
// half-built block behind: the next "browse heterotic" prints what an uninterrupted run
// prints.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "BinaryTestSupport.h"
#include "PromptAfterCtrlCScripts.h"

namespace {

using binary_test::quitAndExpectSuccess;
using binary_test::ScratchFolder;
using binary_test::TerminalSession;
using prompt_after_ctrl_c::expectPromptSoonAfterCtrlC;
using prompt_after_ctrl_c::startWith;
using prompt_after_ctrl_c::typeToPrompt;

// The reading as "browse heterotic" prints it: from the kind of invariant to the last
// line before `end`, carriage returns dropped.
std::string readingIn(const std::string& text, const std::string& end) {
  const std::size_t from = text.find("Modular invariant:");
  if (from == std::string::npos) return "";
  std::size_t to = text.find(end, from);
  if (to == std::string::npos) to = text.size();
  std::string reading;
  for (std::size_t at = from; at < to; ++at)
    if (text[at] != '\r') reading += text[at];
  while (!reading.empty() && (reading.back() == '\n' || reading.back() == ' ')) reading.pop_back();
  return reading;
}

TEST(ZoqStringReadingInterrupt, CtrlCStopsTheReadingOfTheFirstGepnerModelAndTheNextReadingIsWhole) {
  // The reading of an uninterrupted session at the same terminal.
  std::string expected;
  {
    ScratchFolder reference;
    TerminalSession zoq(reference.path(), reference.path(), {});
    ASSERT_NO_FATAL_FAILURE(startWith(zoq, {"build cy 1", "select invariant 0"}));
    const std::size_t from = zoq.output().size();
    ASSERT_NO_FATAL_FAILURE(typeToPrompt(zoq, {"browse heterotic"}));
    expected = readingIn(zoq.output().substr(from), "\n> ");
    ASSERT_NE(expected.find("Gauge group: E6 x E8"), std::string::npos) << zoq.output();
    quitAndExpectSuccess(zoq);
  }

  ScratchFolder folder;
  TerminalSession zoq(folder.path(), folder.path(), {});
  ASSERT_NO_FATAL_FAILURE(startWith(zoq, {"build cy 1", "select invariant 0"}));
  // The reading of 28,539 fields begins at once: a fraction of it done, Ctrl-C.
  const std::size_t stopped = zoq.output().size();
  zoq.type("browse heterotic\n");
  ASSERT_TRUE(zoq.letWork(300)) << zoq.output();
  ASSERT_NO_FATAL_FAILURE(expectPromptSoonAfterCtrlC(zoq));
  // Whatever the stop left, the next reading is the whole one.
  const std::size_t from = zoq.output().size();
  zoq.type("browse heterotic\n");
  ASSERT_TRUE(zoq.waitFor("Matter multiplets")) << zoq.output().substr(stopped);
  ASSERT_TRUE(zoq.waitFor("\n> ")) << zoq.output().substr(stopped);
  EXPECT_EQ(readingIn(zoq.output().substr(from), "\n> "), expected) << zoq.output().substr(stopped);
  quitAndExpectSuccess(zoq);
}

TEST(ZoqStringReadingInterrupt,
     CtrlCStopsCheckTadpoleParametersOnAGepnerModelOfThousandsOfBoundaries) {
  // 4,575 fields and as many boundaries: the boundary conjugates alone are 4,575 annuli of
  // 4,575 terms each.
  ScratchFolder folder;
  TerminalSession zoq(folder.path(), folder.path(), {});
  ASSERT_NO_FATAL_FAILURE(startWith(zoq, {"build cy 7", "select invariant 0"}));
  const std::size_t from = zoq.output().size();
  zoq.type("check tadpole parameters 0:3\n");
  // After the crosscaps come the boundary conjugates: a second into them, Ctrl-C. (The bound
  // analysis that follows the criteria polls for no Ctrl-C: it is the solver's.)
  ASSERT_TRUE(zoq.waitFor("Loading crosscap coefficients completed")) << zoq.output();
  ASSERT_TRUE(zoq.letWork(1000)) << zoq.output();
  ASSERT_NO_FATAL_FAILURE(expectPromptSoonAfterCtrlC(zoq));
  EXPECT_EQ(zoq.output().find("Uncancelled unphysical tadpole", from), std::string::npos)
      << zoq.output();
  quitAndExpectSuccess(zoq);
}

}  // namespace
