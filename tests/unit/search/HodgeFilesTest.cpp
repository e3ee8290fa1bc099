// MIPF data and Hodge files: the summary order, counting and merging of rows, the data
// and terminator lines, and the reader that decides whether and where a scan resumes.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "runtime/Parameters.h"
#include "search/HodgeFiles.h"

namespace {

class HodgeFilesTest : public ZoqTest {};

using Row = std::vector<int>;

// h21, h11, singlets, left, right, susyL, susyR, symmetric, boundaries, kernel, generators
Row row(int h21, int h11, int singlets, int boundaries = 10, int kernel = 1, int generators = 1) {
  return {h21, h11, singlets, 0, 0, 4, 4, 1, boundaries, kernel, generators};
}

std::string dataLine(const Row& r, int mipf, int subgroup, const std::string& name = "quintic") {
  return MIPFDataLine(r.data(), mipf, subgroup, name);
}

TEST_F(HodgeFilesTest, SummaryOrderFollowsChiralityThenSignedDifferenceThenH21ThenSinglets) {
  const Row quintic = row(101, 1, 0), mirror = row(1, 101, 0);
  // |101 - 1| = 100 for both; the signed difference +100 comes first.
  EXPECT_GT(compareHodgeVec(quintic.data(), mirror.data(), 11), 0);
  EXPECT_LT(compareHodgeVec(mirror.data(), quintic.data(), 11), 0);
  // Larger |h21 - h11| first, whatever the sign.
  const Row small = row(90, 1, 0), large = row(1, 150, 0);
  EXPECT_GT(compareHodgeVec(large.data(), small.data(), 11), 0);
  // Equal difference 0: the larger h21 first.
  EXPECT_GT(compareHodgeVec(row(20, 20, 0).data(), row(19, 19, 0).data(), 11), 0);
  // Equal Hodge numbers: more singlets first.
  EXPECT_GT(compareHodgeVec(row(20, 20, 7).data(), row(20, 20, 3).data(), 11), 0);
  // Otherwise the whole row, lexicographically (here the boundary count).
  EXPECT_GT(compareHodgeVec(row(20, 20, 7, 12).data(), row(20, 20, 7, 11).data(), 11), 0);
  EXPECT_EQ(compareHodgeVec(quintic.data(), quintic.data(), 11), 0);
}

TEST_F(HodgeFilesTest, CollectionCountsRowsEqualOnTheIdentificationPrefix) {
  HodgeCollection c;
  c.clear(11, 9);
  bool isNew = false;
  EXPECT_EQ(c.add(row(101, 1, 0, 10, 1, 1).data(), 1, &isNew), 0);
  EXPECT_TRUE(isNew);
  // Kernel and generators lie outside the first 9 ints: the same row, counted.
  EXPECT_EQ(c.add(row(101, 1, 0, 10, 5, 2).data(), 1, &isNew), 0);
  EXPECT_FALSE(isNew);
  // Another boundary count is another row.
  EXPECT_EQ(c.add(row(101, 1, 0, 12).data(), 1, &isNew), 1);
  EXPECT_TRUE(isNew);
  ASSERT_EQ(c.size(), 2);
  EXPECT_EQ(c.counts[0], 2);
  EXPECT_EQ(c.counts[1], 1);
  // The first row found keeps its own entries.
  EXPECT_EQ(c.rows[0][9], 1);
}

TEST_F(HodgeFilesTest, SummaryLinesAreRankedAndNumberedByPositionFound) {
  HodgeCollection c;
  c.clear(11, 9);
  c.add(row(1, 101, 0).data(), 1, nullptr);
  c.add(row(101, 1, 0).data(), 3, nullptr);
  const std::string expected =
      "   nr.   1 [found as nr.   2]:           3 x   (101,1,0,0,0,4,4,1,10,1,1)\n"
      "   nr.   2 [found as nr.   1]:           1 x   (1,101,0,0,0,4,4,1,10,1,1)\n";
  EXPECT_EQ(hodgeSummaryText(c), expected);
}

TEST_F(HodgeFilesTest, EqualRowsKeepTheOrderInWhichTheyWereFound) {
  // Two rows equal in every int (possible when the identification is shorter than the
  // row in the source collection): the one found first is written first.
  HodgeCollection c;
  c.clear(11, 11);
  const Row a = row(5, 5, 0);
  c.rows = {a, a};
  c.counts = {4, 6};
  EXPECT_EQ(hodgeSummaryText(c),
            "   nr.   1 [found as nr.   1]:           4 x   (5,5,0,0,0,4,4,1,10,1,1)\n"
            "   nr.   2 [found as nr.   2]:           6 x   (5,5,0,0,0,4,4,1,10,1,1)\n");
}

TEST_F(HodgeFilesTest, DataLineAndTerminatorHaveTheFixedLayout) {
  EXPECT_EQ(dataLine(row(101, 1, 0), 3, 2),
            "  101     1     0     0     0   4   4      1           10  1  1         3    2 quintic\n");
  EXPECT_EQ(MIPFDataTerminator(),
            "    0     0     0     0     0   0   0      0            0  0  0         0    0 name\n");
}

TEST_F(HodgeFilesTest, TerminatedFileIsComplete) {
  TemporaryFolder folder;
  const std::string file =
      folder.write("q.mipf_data", dataLine(row(101, 1, 0), 0, 0) + dataLine(row(1, 101, 0), 1, 1) +
                                      MIPFDataTerminator());
  int next = 0, subgroup = 0, label = -1;
  EXPECT_EQ(readHodgeData(file, 1, &next, &subgroup, &label), 1);
  EXPECT_EQ(subgroup, -1);
  EXPECT_EQ(label, -1);
}

TEST_F(HodgeFilesTest, RowStartingWithFiveZerosIsDataNotTheEnd) {
  TemporaryFolder folder;
  // A row with h21 = h11 = singlets = left = right = 0 (a real data row) before the end.
  Row zeros = row(0, 0, 0);
  const std::string file =
      folder.write("z.mipf_data", dataLine(zeros, 0, 0) + dataLine(row(101, 1, 0), 1, 0));
  int next = 0, subgroup = 0, label = -1;
  EXPECT_EQ(readHodgeData(file, 1, &next, &subgroup, &label), 0);
  EXPECT_EQ(next, 2);
  EXPECT_EQ(getHodgeSpectra().size(), 2);
}

TEST_F(HodgeFilesTest, UnfinishedFileInSubgroupZeroResumesAfterTheLastItem) {
  TemporaryFolder folder;
  const std::string file =
      folder.write("u.hodge", dataLine(row(101, 1, 0, -1), 0, 0) + dataLine(row(1, 101, 0, -1), 1, 0) +
                                  dataLine(row(1, 101, 0, -1), 2, 0));
  int next = 0, subgroup = 0, label = -1;
  EXPECT_EQ(readHodgeData(file, 0, &next, &subgroup, &label), 0);
  EXPECT_EQ(subgroup, 0);
  EXPECT_EQ(label, -1);
  EXPECT_EQ(next, 3);
  // Two distinct rows, the second counted twice; ".hodge" rows hold 10 ints.
  const HodgeCollection& c = getHodgeSpectra();
  ASSERT_EQ(c.size(), 2);
  EXPECT_EQ(c.rowLength, 10);
  EXPECT_EQ(c.counts[1], 2);
  EXPECT_EQ(readFile(file + "_summary"),
            "   nr.   1 [found as nr.   1]:           1 x   (101,1,0,0,0,4,4,1,-1,1)\n"
            "   nr.   2 [found as nr.   2]:           2 x   (1,101,0,0,0,4,4,1,-1,1)\n");
}

TEST_F(HodgeFilesTest, ResumeLabelIsTheMipfThatOpenedTheLargestSubgroup) {
  TemporaryFolder folder;
  const std::string file = folder.write(
      "s.mipf_data", dataLine(row(101, 1, 0), 0, 0) + dataLine(row(1, 101, 0), 1, 2) +
                         dataLine(row(1, 101, 0), 2, 2) + dataLine(row(9, 9, 0), 3, 5) + dataLine(row(9, 9, 0), 4, 5));
  int next = 0, subgroup = 0, label = -1;
  EXPECT_EQ(readHodgeData(file, 1, &next, &subgroup, &label), 0);
  EXPECT_EQ(subgroup, 5);
  EXPECT_EQ(label, 3);
  EXPECT_EQ(next, 5);
}

TEST_F(HodgeFilesTest, BoundaryCountsMergeInTheHodgeSummaryOnly) {
  TemporaryFolder folder;
  const std::string file = folder.write(
      "m.mipf_data", dataLine(row(101, 1, 0, 10), 0, 0) + dataLine(row(101, 1, 0, 12), 1, 0));
  int next = 0, subgroup = 0, label = -1;
  ASSERT_EQ(readHodgeData(file, 1, &next, &subgroup, &label), 0);
  EXPECT_EQ(readFile(file + "_summary"),
            "   nr.   1 [found as nr.   2]:           1 x   (101,1,0,0,0,4,4,1,12,1,1)\n"
            "   nr.   2 [found as nr.   1]:           1 x   (101,1,0,0,0,4,4,1,10,1,1)\n");
  EXPECT_EQ(readFile(file + "_summary_hodge"),
            "   nr.   1 [found as nr.   1]:           2 x   (101,1,0,0,0,4,4,1,10,1,1)\n");
}

TEST_F(HodgeFilesTest, ScriptOfTheSameExtensionIsRefusedAndLeftUntouched) {
  TemporaryFolder folder;
  const std::string script = "build cy 33333\nset outputfileprefix x\ncompute spectrum\nselect invariant 3\n";
  const std::string file = folder.write("r.mipf_data", script);
  int next = 0, subgroup = 0, label = -1;
  EXPECT_EQ(readHodgeData(file, 1, &next, &subgroup, &label), -1);
  EXPECT_TRUE(alerted("is not a MIPF data file"));
  EXPECT_EQ(readFile(file), script);
  EXPECT_EQ(readFile(file + "_summary"), "");
}

TEST_F(HodgeFilesTest, LongPathsAreNotCut) {
  TemporaryFolder folder;
  const std::string name(200, 'n');
  const std::string file = folder.write(name + ".hodge", dataLine(row(3, 3, 0, -1), 0, 0, name));
  int next = 0, subgroup = 0, label = -1;
  EXPECT_EQ(readHodgeData(file, 0, &next, &subgroup, &label), 0);
  EXPECT_EQ(next, 1);
  EXPECT_NE(readFile(file + "_summary").find("(3,3,0,0,0,4,4,1,-1,1)"), std::string::npos);
}

TEST_F(HodgeFilesTest, FinishedFileIsNotScannedAgain) {
  TemporaryFolder folder;
  const std::string contents = dataLine(row(101, 1, 0), 0, 0) + MIPFDataTerminator();
  folder.write("done.mipf_data", contents);
  setIntPar("Autostore", 1);
  EXPECT_EQ(HodgeScan(folder.path("done"), 1, 1), 0);
  EXPECT_EQ(capture.printed, "File " + folder.path("done.mipf_data") +
                                 " already exists; reading previous data\nPrevious data are complete\n");
  EXPECT_EQ(readFile(folder.path("done.mipf_data")), contents);
  // The scan's own settings are undone.
  EXPECT_EQ(getValue(getIntParPointer("Autostore")), 1);
}

TEST_F(HodgeFilesTest, ScanRefusesAScriptAndKeepsItsSettings) {
  TemporaryFolder folder;
  const std::string script = "build cy 33333\nspectrum_action\n";
  folder.write("s.mipf_data", script);
  setIntPar("Autostore", 0);
  EXPECT_EQ(HodgeScan(folder.path("s"), 1, 1), 1);
  EXPECT_TRUE(alerted("is not a MIPF data file (line 1)"));
  EXPECT_EQ(readFile(folder.path("s.mipf_data")), script);
  EXPECT_EQ(getValue(getIntParPointer("Autostore")), 0);
}

TEST_F(HodgeFilesTest, FolderInPlaceOfTheDataFileIsRefused) {
  TemporaryFolder folder;
  std::filesystem::create_directories(folder.path("x.hodge"));
  EXPECT_EQ(HodgeScan(folder.path("x"), 0, 0), 1);
  EXPECT_TRUE(alerted("is a folder, not a data file"));
}

}  // namespace
