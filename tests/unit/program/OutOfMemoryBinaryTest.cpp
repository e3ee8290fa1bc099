// The real zoq binary running out of memory under an address-space limit of 1.25 GiB: a
// text variable doubled forty times (8 x 2^40 characters) cannot be held, and the run ends
// through the program's own out-of-memory end, in a background run and at the prompt: the
// message "Cannot allocate ...", the statistics line, "Program exiting with code 1",
// status 1, and what was printed before it is kept, also in the output file of "file".
//
// AddressSanitizer keeps its own memory limits and reports a request it cannot serve
// instead of handing it to the program: there the test is skipped (the unit tests of the
// interpreter cover the end in that build).
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "BinaryTestSupport.h"

namespace {

using binary_test::CapturedRun;
using binary_test::limitMemory;
using binary_test::readWhole;
using binary_test::ScratchFolder;

const char* const kDoubling = "s=abcdefgh\nrepeat 40 {s=s|s}\nprint after\n";

// The message, then the exit routine's line; nothing of what came after; no abort.
void expectTheOutOfMemoryEnd(const CapturedRun& run) {
  EXPECT_EQ(run.status, 1) << run.output;
  const std::size_t message = run.output.find("Cannot allocate ");
  ASSERT_NE(message, std::string::npos) << run.output;
  EXPECT_NE(run.output.find("Program exiting with code 1\n", message), std::string::npos) << run.output;
  EXPECT_EQ(run.output.find("terminate called"), std::string::npos) << run.output;
  EXPECT_EQ(run.output.find("after"), std::string::npos) << run.output;
}

TEST(OutOfMemory, ABackgroundRunEndsWithStatusOneAndItsStatistics) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "AddressSanitizer does not hand failed requests to the program";
#endif
  ScratchFolder folder;
  std::ofstream(folder.path() + "/run.zoq") << "print before\n" << kDoubling;
  const CapturedRun run = binary_test::runCaptured(folder.path(), {"-b", "run.zoq"}, "", limitMemory);
  expectTheOutOfMemoryEnd(run);
  const std::size_t before = run.output.find("before\n");
  const std::size_t message = run.output.find("Cannot allocate ");
  const std::size_t statistics = run.output.find("CPU time used ", message);
  EXPECT_LT(before, message) << run.output;
  EXPECT_NE(statistics, std::string::npos) << run.output;
  EXPECT_LT(statistics, run.output.find("Program exiting with code 1")) << run.output;
}

// Piped into the prompt, with the output going to a file: the file keeps what was printed
// and gets the statistics line.
TEST(OutOfMemory, ASessionAtThePromptEndsTheSameWayAndKeepsItsOutputFile) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "AddressSanitizer does not hand failed requests to the program";
#endif
  ScratchFolder folder;
  std::ofstream(folder.path() + "/run.zoq") << "file out.txt\nprint before\n" << kDoubling;
  expectTheOutOfMemoryEnd(binary_test::runCaptured(folder.path(), {}, "run.zoq", limitMemory));
  const std::string file = readWhole(folder.path() + "/out.txt");
  EXPECT_EQ(file.rfind("before\nCPU time used ", 0), 0u) << file;
}

}  // namespace
