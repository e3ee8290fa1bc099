// Repeated tadpole scans of one ".models" file, each a background run of the real zoq
// binary (as a user resumes a scan): the ".analysed" file holds each candidate's result
// once, in the order of the input, after an early end at a line whose case cannot be
// built, after the rescan that stops there again, after the scan of the mended file that
// reaches the end, and after two more scans of the finished file.
//
// The candidates are the standard-model configuration of 122224, MIPF 0, orientifold 0,
// stacks (34, 32, 2, 3) with multiplicities (2, 3, 2, 2) (with 0 families: it has no
// tadpole solution, status -1), under several model numbers and names; the bad line asks for
// the tensor code 0, which is no Gepner model.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "BinaryTestSupport.h"

namespace {

using binary_test::CapturedRun;
using binary_test::occurrences;
using binary_test::readWhole;
using binary_test::ScratchFolder;

const char* const kEnd = "-1 -1 -1 -1 -1 -1 -1 -1 -1 -1 -1 -1 name 0\n";

std::string candidate(int number, const char* name, int status) {
  return std::to_string(number) + " 122224 0 0 0 34 32 2 3 2 2 3 " + name + " " + std::to_string(status) + "\n";
}

// "zoq -b run.zoq" in the folder (also HOME) with the commands given.
CapturedRun runScan(const std::string& folder, const std::string& commands) {
  std::ofstream(folder + "/run.zoq") << commands;
  return binary_test::runCaptured(folder, {"-b", "run.zoq"});
}

TEST(ScanResume, EveryCandidateHasOneResultInInputOrderWhateverScansCameBefore) {
  ScratchFolder folder("zoq-scan");
  ASSERT_FALSE(folder.path().empty());
  const std::string models = folder.path() + "/case.models";
  const std::string analysed = folder.path() + "/case.analysed";
  const std::string head = candidate(1, "A", 0) + candidate(2, "B", 0) + candidate(3, "C", 0);
  const std::string tail = candidate(5, "D", 0) + "-1 -1 -1 -1 -1 -1 -1 -1 -1 -1 -1 -1 name -1\n";
  std::ofstream(models) << head << "4 0 0 0 0 34 32 2 3 2 2 3 BAD 0\n" << tail;
  const std::string scan = "set SM_search Nfamily 0\nscan tadpoles case.models\n";
  const std::string resultsABC = candidate(1, "A", -1) + candidate(2, "B", -1) + candidate(3, "C", -1);

  // The bad line ends the scan (and, its alert being serious, the background run): the
  // results before it stay, without an end line.
  CapturedRun first = runScan(folder.path(), scan);
  EXPECT_EQ(first.status, 1) << first.output;
  EXPECT_NE(first.output.find("invalid CY code 0"), std::string::npos) << first.output;
  EXPECT_EQ(readWhole(analysed), resultsABC);

  // Scanned again, the file is resumed: nothing before the bad line is analysed or written
  // again.
  CapturedRun second = runScan(folder.path(), scan);
  EXPECT_EQ(second.status, 1) << second.output;
  EXPECT_NE(second.output.find("3 results already in case.analysed are kept"), std::string::npos)
      << second.output;
  EXPECT_EQ(occurrences(second.output, "Building RCFT 122224"), 0u) << second.output;
  EXPECT_EQ(readWhole(analysed), resultsABC);

  // The bad line mended: the scan goes on from it to the end, and closes the file.
  std::ofstream(models) << head << candidate(4, "X", 0) << tail;
  CapturedRun third = runScan(folder.path(), scan);
  EXPECT_EQ(third.status, 0) << third.output;
  EXPECT_NE(third.output.find("Number of input lines analysed: 2\n"), std::string::npos) << third.output;
  const std::string complete = resultsABC + candidate(4, "X", -1) + candidate(5, "D", -1) + kEnd;
  EXPECT_EQ(readWhole(analysed), complete);

  // A finished file scanned twice more in one run stays as it is.
  CapturedRun again = runScan(folder.path(), scan + "scan tadpoles case.models\n");
  EXPECT_EQ(again.status, 0) << again.output;
  EXPECT_EQ(occurrences(again.output, "Number of input lines analysed: 0\n"), 2u) << again.output;
  EXPECT_EQ(readWhole(analysed), complete);
}

// A file written by scans that appended their results again (each result three times, the
// end line after each scan) is put right by the next scan: one result per candidate, one
// end line, and nothing analysed.
TEST(ScanResume, ResultsWrittenSeveralTimesAreKeptOnce) {
  ScratchFolder folder("zoq-scan");
  ASSERT_FALSE(folder.path().empty());
  std::ofstream(folder.path() + "/case.models") << candidate(1, "A", 0) << candidate(2, "B", 0)
                                                << "-1 -1 -1 -1 -1 -1 -1 -1 -1 -1 -1 -1 name -1\n";
  const std::string results = candidate(1, "A", -1) + candidate(2, "B", -1);
  std::ofstream(folder.path() + "/case.analysed") << results << kEnd << results << kEnd << results;
  CapturedRun run = runScan(folder.path(), "set SM_search Nfamily 0\nscan tadpoles case.models\n");
  EXPECT_EQ(run.status, 0) << run.output;
  EXPECT_NE(run.output.find("Number of input lines analysed: 0\n"), std::string::npos) << run.output;
  EXPECT_EQ(readWhole(folder.path() + "/case.analysed"), results + kEnd);
}

// A candidate listed twice, and a third time with tabs between its fields, is analysed once
// and has one result; two more scans analyse nothing and leave the file as it is.
TEST(ScanResume, ACandidateListedTwiceIsAnalysedOnce) {
  ScratchFolder folder("zoq-scan");
  ASSERT_FALSE(folder.path().empty());
  const std::string tabs = "1\t122224\t0\t0\t0\t34\t32\t2\t3\t2\t2\t3\tA\t0\n";
  std::ofstream(folder.path() + "/case.models") << candidate(1, "A", 0) << candidate(2, "B", 0)
                                                << candidate(1, "A", 0) << tabs
                                                << "-1 -1 -1 -1 -1 -1 -1 -1 -1 -1 -1 -1 name -1\n";
  const std::string scan = "set SM_search Nfamily 0\nscan tadpoles case.models\n";
  const std::string results = candidate(1, "A", -1) + candidate(2, "B", -1) + kEnd;
  CapturedRun first = runScan(folder.path(), scan);
  EXPECT_EQ(first.status, 0) << first.output;
  EXPECT_NE(first.output.find("Number of input lines analysed: 2\n"), std::string::npos) << first.output;
  EXPECT_EQ(readWhole(folder.path() + "/case.analysed"), results);
  CapturedRun again = runScan(folder.path(), scan + "scan tadpoles case.models\n");
  EXPECT_EQ(again.status, 0) << again.output;
  EXPECT_EQ(occurrences(again.output, "Number of input lines analysed: 0\n"), 2u) << again.output;
  EXPECT_EQ(readWhole(folder.path() + "/case.analysed"), results);
}

}  // namespace
