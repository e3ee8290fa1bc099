// The result file of the tadpole scan of a ".models" file taken up by the next scan: a
// candidate whose result is there already is not analysed again and keeps its result, the
// file is rewritten in the order of the input with one result per candidate, and results
// of lines the scan did not reach stay. Here no case can be rebuilt (a non-supersymmetric
// search): a candidate that had to be analysed would end the scan at once.
#include <gtest/gtest.h>

#include <string>

#include "TestSupport.h"
#include "search/ModelScan.h"
#include "search/SearchSM.h"

namespace {

const std::string kEnd = "-1 -1 -1 -1 -1 -1 -1 -1 -1 -1 -1 -1 name 0\n";
const std::string kModelsEnd = "-1 -1 -1 -1 -1 -1 -1 -1 -1 -1 -1 -1 name -1\n";
const char* const kRebuild = "Model re-generation for non-supersymmetric spectra not yet built in";

std::string line(int number, const char* name, int status) {
  return std::to_string(number) + " 441010 3 1 5 7 9 11 3 2 1 1 " + name + " " + std::to_string(status) + "\n";
}

class ModelScanResumeTest : public ZoqTest {
 protected:
  void SetUp() override {
    ZoqTest::SetUp();
    setSusySearch(0);
  }
  void TearDown() override { setSusySearch(1); }
  TemporaryFolder folder;
};

// Results written out of order, twice, with a damaged line and an end line in between: the
// scan analyses nothing and leaves one result per candidate, in input order, and the end.
TEST_F(ModelScanResumeTest, KnownResultsAreKeptOnceInInputOrder) {
  const std::string input =
      folder.write("case.models", line(1, "A", 0) + line(2, "B", 0) + line(3, "C", 0) + kModelsEnd);
  folder.write("case.analysed", line(3, "C", -1) + line(1, "A", -2) + "1 441010 3\n" + kEnd + line(2, "B", -3) +
                                    line(1, "A", -2));
  StandardModelTadpoleScan(input.c_str(), -1);
  EXPECT_EQ(capture.all.find(kRebuild), std::string::npos) << capture.all;
  EXPECT_NE(capture.printed.find("3 results already in " + folder.path("case.analysed") + " are kept"),
            std::string::npos)
      << capture.printed;
  EXPECT_NE(capture.printed.find("Number of input lines analysed: 0\n"), std::string::npos);
  EXPECT_EQ(readFile(folder.path("case.analysed")), line(1, "A", -2) + line(2, "B", -3) + line(3, "C", -1) + kEnd);
}

// A candidate listed twice, once more with tabs between its fields, whose result is in the
// file already: it keeps one result, also when the file is scanned again.
TEST_F(ModelScanResumeTest, ACandidateListedTwiceKeepsOneResult) {
  const std::string tabs = "1\t441010\t3\t1\t5\t7\t9\t11\t3\t2\t1\t1\tA\t0\n";
  const std::string input =
      folder.write("case.models", line(1, "A", 0) + line(2, "B", 0) + line(1, "A", 0) + tabs + kModelsEnd);
  folder.write("case.analysed", line(2, "B", -1) + line(1, "A", -2));
  const std::string once = line(1, "A", -2) + line(2, "B", -1) + kEnd;
  for (int scan = 0; scan < 2; ++scan) {
    StandardModelTadpoleScan(input.c_str(), -1);
    EXPECT_EQ(capture.all.find(kRebuild), std::string::npos) << capture.all;
    EXPECT_EQ(readFile(folder.path("case.analysed")), once) << "scan " << scan;
  }
}

// A line without a result stops this scan (its case cannot be built): the results before
// it come first, those of the lines after it stay behind them, and no end line is written.
TEST_F(ModelScanResumeTest, AnEarlyEndKeepsTheResultsOfTheLinesNotReached) {
  const std::string input =
      folder.write("case.models", line(1, "A", 0) + line(2, "B", 0) + line(3, "C", 0) + kModelsEnd);
  folder.write("case.analysed", line(3, "C", -2) + line(1, "A", -1));
  StandardModelTadpoleScan(input.c_str(), -1);
  EXPECT_NE(capture.all.find(kRebuild), std::string::npos) << capture.all;
  EXPECT_EQ(readFile(folder.path("case.analysed")), line(1, "A", -1) + line(3, "C", -2));
}

// A scan of one model type keeps the results of the other types where they are.
TEST_F(ModelScanResumeTest, AScanOfOneTypeKeepsTheOthers) {
  const std::string input =
      folder.write("case.models", line(1, "A", 0) + line(2, "B", 0) + line(1, "C", 0) + kModelsEnd);
  folder.write("case.analysed", line(2, "B", -2) + line(1, "C", -1) + line(1, "A", -1));
  StandardModelTadpoleScan(input.c_str(), 2);
  EXPECT_EQ(capture.all.find(kRebuild), std::string::npos) << capture.all;
  EXPECT_EQ(readFile(folder.path("case.analysed")), line(1, "A", -1) + line(2, "B", -2) + line(1, "C", -1) + kEnd);
}

// A file of another name gets a fresh numbered result file: nothing is taken from the
// result file of an earlier scan.
TEST_F(ModelScanResumeTest, NumberedResultFilesStartEmpty) {
  const std::string input = folder.write("cands", line(1, "A", 0) + kModelsEnd);
  folder.write("cands_0", line(1, "A", -1) + kEnd);
  StandardModelTadpoleScan(input.c_str(), -1);
  EXPECT_NE(capture.all.find(kRebuild), std::string::npos) << capture.all;
  EXPECT_EQ(readFile(folder.path("cands_1")), "");
  EXPECT_EQ(readFile(folder.path("cands_0")), line(1, "A", -1) + kEnd);
}

}  // namespace
