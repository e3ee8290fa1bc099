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

// A line of the data-file layout with any numbers, as a damaged file may hold them.
std::string numbersLine(const std::vector<std::string>& numbers,
                        const std::string& name = "quintic") {
  std::string line;
  for (const std::string& number : numbers) line += number + " ";
  return line + name + "\n";
}

// The 13 numbers of a good ".mipf_data" line (the quintic, MIPF 4 of subgroup 1) with
// entry k replaced.
std::vector<std::string> goodNumbers(int k = -1, const std::string& value = "") {
  std::vector<std::string> numbers = {"101", "1",  "0", "0", "0", "4", "4",
                                      "1",   "10", "1", "1", "4", "1"};
  if (k >= 0) numbers[static_cast<std::size_t>(k)] = value;
  return numbers;
}

TEST_F(HodgeFilesTest, ALastLineCutByAStoppedRunIsDroppedAndTheFileResumesBeforeIt) {
  TemporaryFolder folder;
  const std::string whole = dataLine(row(101, 1, 0), 0, 0) + dataLine(row(1, 101, 0), 1, 0);
  const std::string third = dataLine(row(1, 101, 0), 2, 0);
  // Cut inside the numbers, inside the name (the line then still has the shape of a data
  // line) and right before the newline: each time the third line is incomplete.
  for (const std::size_t length : {std::size_t{30}, third.size() - 5, third.size() - 1}) {
    SCOPED_TRACE(length);
    const std::string file = folder.write("t.mipf_data", whole + third.substr(0, length));
    int next = 0, subgroup = 0, label = -1;
    EXPECT_EQ(readHodgeData(file, 1, &next, &subgroup, &label), 0);
    EXPECT_TRUE(alerted("File " + file + " ends inside line 3; that line is dropped"));
    // MIPF 1 is the last analysed one: the scan goes on with item 2.
    EXPECT_EQ(next, 2);
    EXPECT_EQ(readFile(file), whole);
    ASSERT_EQ(getHodgeSpectra().size(), 2);
    EXPECT_EQ(getHodgeSpectra().counts[1], 1);
  }
  // A crash of the machine may leave zero bytes where the last lines were to be, after
  // part of a line or alone: they go as well.
  const std::string zeros(40, '\0');
  for (const std::string& tail : {third.substr(0, 20) + zeros, zeros}) {
    const std::string file = folder.write("z.mipf_data", whole + tail);
    int next = 0, subgroup = 0, label = -1;
    EXPECT_EQ(readHodgeData(file, 1, &next, &subgroup, &label), 0);
    EXPECT_TRUE(alerted("ends inside line 3"));
    EXPECT_EQ(next, 2);
    EXPECT_EQ(readFile(file), whole);
  }
  // Zero bytes inside the whole lines are damage.
  const std::string damaged = whole + std::string(3, '\0') + "\n" + whole;
  const std::string inside = folder.write("d.mipf_data", damaged);
  int next = 0, subgroup = 0, label = -1;
  EXPECT_EQ(readHodgeData(inside, 1, &next, &subgroup, &label), -1);
  EXPECT_TRUE(alerted("is not a MIPF data file (line 3)"));
  EXPECT_EQ(readFile(inside), damaged);
  // A file cut inside its first line restarts from item 0.
  const std::string file = folder.write("f.hodge", dataLine(row(3, 3, 0, -1), 0, 0).substr(0, 9));
  next = 7, subgroup = 7, label = -1;
  EXPECT_EQ(readHodgeData(file, 0, &next, &subgroup, &label), 0);
  EXPECT_EQ(next, 0);
  EXPECT_EQ(subgroup, 0);
  EXPECT_EQ(readFile(file), "");
}

TEST_F(HodgeFilesTest, AScriptWithoutItsLastNewlineIsStillNoDataFile) {
  TemporaryFolder folder;
  const std::string script = "build cy 33333\nselect invariant 3";
  const std::string file = folder.write("r.mipf_data", script);
  int next = 0, subgroup = 0, label = -1;
  EXPECT_EQ(readHodgeData(file, 1, &next, &subgroup, &label), -1);
  EXPECT_TRUE(alerted("is not a MIPF data file (line 1)"));
  EXPECT_EQ(readFile(file), script);
  // Whole data lines followed by a cut word: not a cut data line.
  const std::string mixed = dataLine(row(101, 1, 0), 0, 0) + "spectrum_act";
  folder.write("m.mipf_data", mixed);
  EXPECT_EQ(readHodgeData(folder.path("m.mipf_data"), 1, &next, &subgroup, &label), -1);
  EXPECT_TRUE(alerted("is not a MIPF data file (line 2)"));
  EXPECT_EQ(readFile(folder.path("m.mipf_data")), mixed);
}

TEST_F(HodgeFilesTest, ImpossibleValuesAreRefusedWithTheirLineAndTheFileIsKept) {
  TemporaryFolder folder;
  // Hodge numbers, counts and labels below their range (-1 is only the writer's mark for
  // "none"), a flag that is no flag, an empty kernel, and values of 10^9 and beyond: the
  // range of an int, of a long long, and the size at which the resume point overflowed.
  const struct {
    int entry;
    const char* value;
    const char* named;
  } cases[] = {
      {0, "-7", "h21 -7"},
      {1, "-1", "h11 -1"},
      {2, "-3", "singlet count -3"},
      {3, "-1000000000", "left sector count -1000000000"},
      {5, "-4", "left supercharge count -4"},
      {6, "-4", "right supercharge count -4"},
      {7, "2", "symmetry flag 2"},
      {8, "-2", "boundary count -2"},
      {9, "0", "kernel size 0"},
      {10, "-1", "generator count -1"},
      {11, "-2", "MIPF number -2"},
      {12, "-5", "subgroup label -5"},
      {0, "1000000000", "h21 1000000000"},
      {11, "2147483647", "MIPF number 2147483647"},
      {11, "99999999999999999999", "MIPF number 99999999999999999999"},
  };
  const std::string good = dataLine(row(101, 1, 0), 0, 0);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.named);
    const std::string contents = good + numbersLine(goodNumbers(c.entry, c.value)) + good;
    const std::string file = folder.write("bad.mipf_data", contents);
    int next = 0, subgroup = 0, label = -1;
    EXPECT_EQ(readHodgeData(file, 1, &next, &subgroup, &label), -1);
    EXPECT_TRUE(alerted("Line 2 of " + file + " holds the impossible " + c.named +
                        "; the file is left unchanged"));
    EXPECT_EQ(readFile(file), contents);
    EXPECT_EQ(getHodgeSpectra().size(), 0);
  }
  // A ".hodge" line never counts boundaries.
  const std::string hodge = folder.write("b.hodge", numbersLine(goodNumbers(8, "10")));
  int next = 0, subgroup = 0, label = -1;
  EXPECT_EQ(readHodgeData(hodge, 0, &next, &subgroup, &label), -1);
  EXPECT_TRUE(alerted("Line 1 of " + hodge + " holds the impossible boundary count 10"));
}

TEST_F(HodgeFilesTest, AFileOfJunkRowsIsNotContinued) {
  TemporaryFolder folder;
  std::string junk;
  for (int k = 0; k < 9; ++k) junk += numbersLine(std::vector<std::string>(13, "-7"));
  const std::string file = folder.write("junk.mipf_data", junk);
  setIntPar("Autostore", 0);
  EXPECT_EQ(HodgeScan(folder.path("junk"), 1, 1), 1);
  EXPECT_TRUE(alerted("Line 1 of " + file + " holds the impossible h21 -7"));
  EXPECT_EQ(readFile(file), junk);
  EXPECT_FALSE(std::filesystem::exists(file + "_summary"));
}

TEST_F(HodgeFilesTest, TheWritersMarksAndTheLargestValuesAreRead) {
  TemporaryFolder folder;
  // No boundary count (-1) and no simple-current data (MIPF and subgroup -1), then the
  // largest MIPF number a file may hold: the scan would go on with 10^9.
  const std::string file = folder.write(
      "w.mipf_data",
      numbersLine(goodNumbers(8, "-1")) +
          numbersLine({"1", "101", "0", "-3", "-2", "4", "4", "0", "-1", "1", "0", "-1", "-1"}) +
          numbersLine(goodNumbers(11, "999999999")));
  int next = 0, subgroup = 0, label = -1;
  EXPECT_EQ(readHodgeData(file, 1, &next, &subgroup, &label), 0);
  EXPECT_TRUE(silent());
  EXPECT_EQ(next, 1000000000);
  EXPECT_EQ(subgroup, 1);
  EXPECT_EQ(label, 4);
  EXPECT_EQ(getHodgeSpectra().size(), 3);
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
