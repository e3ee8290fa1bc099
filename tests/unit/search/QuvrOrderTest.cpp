// Catalogue ordering into classes, the fixed pattern search and the MIPF list reader.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TestSupport.h"
#include "runtime/Defaults.h"
#include "search/QuvrOrder.h"
#include "search/SearchSM.h"
#include "search/QuvrSelect.h"

namespace {

class QuvrOrderTest : public ZoqTest {};

ModelRow row(int number, int na, int hypercharge) {
  ModelRow r{};
  r[4] = na, r[5] = 2, r[6] = 1, r[7] = 1;
  r[28] = hypercharge;
  r[32] = 6;
  r[56] = number;
  r[57] = -1, r[58] = -1;
  return r;
}

const ModelRow& byNumber(const std::vector<ModelRow>& rows, int number) {
  for (const ModelRow& r : rows)
    if (r[56] == number) return r;
  static ModelRow none{};
  return none;
}

TEST_F(QuvrOrderTest, ClassOfThreeIsLeaderWithMinusThreeAndRankedMembers) {
  // Types 4, 7 and 9 share their first 28 ints and differ in Y; type 5 stands alone.
  std::vector<ModelRow> rows = {row(4, 3, 1), row(5, 4, 1), row(7, 3, 2), row(9, 3, -1)};
  const QuvrClassSummary summary = orderQUVRRows(rows);
  EXPECT_EQ(summary.classes, 1);
  EXPECT_EQ(summary.largest, 3);
  EXPECT_EQ(summary.largestLeader, 4);
  EXPECT_EQ(capture.printed, "Number of classes: 1; Maximum class size: 3 (for class 4)\n");
  EXPECT_EQ(byNumber(rows, 4)[57], 4);
  EXPECT_EQ(byNumber(rows, 4)[58], -3);
  EXPECT_EQ(byNumber(rows, 7)[57], 4);
  EXPECT_EQ(byNumber(rows, 7)[58], 1);
  EXPECT_EQ(byNumber(rows, 9)[57], 4);
  EXPECT_EQ(byNumber(rows, 9)[58], 2);
  EXPECT_EQ(byNumber(rows, 5)[57], -1);
  EXPECT_EQ(byNumber(rows, 5)[58], -1);
  // Sorted ascending by profile: N_a = 3 before 4, and within N_a = 3 by the Y entry.
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(rows[0][56], 9);
  EXPECT_EQ(rows[1][56], 4);
  EXPECT_EQ(rows[2][56], 7);
  EXPECT_EQ(rows[3][56], 5);
}

TEST_F(QuvrOrderTest, CatalogueWithoutClasses) {
  std::vector<ModelRow> rows = {row(1, 3, 1), row(2, 4, 1), row(3, 5, 1)};
  rows[1][38] = 5;  // eigenvalue with zero multiplicity is cleared on output
  const QuvrClassSummary summary = orderQUVRRows(rows);
  EXPECT_EQ(capture.printed, "Number of classes: 0; Maximum class size: 1 (for class 0)\n");
  EXPECT_EQ(summary.classes, 0);
  for (const ModelRow& r : rows) {
    EXPECT_EQ(r[57], -1);
    EXPECT_EQ(r[58], -1);
    EXPECT_EQ(r[38], 0);
  }
}

TEST_F(QuvrOrderTest, LargeClassIsAnnounced) {
  std::vector<ModelRow> rows;
  for (int k = 0; k < 22; ++k) rows.push_back(row(k + 1, 3, k));
  orderQUVRRows(rows);
  EXPECT_EQ(capture.printed,
            "Class 1 has 22 members\n"
            "Number of classes: 1; Maximum class size: 22 (for class 1)\n");
}

TEST_F(QuvrOrderTest, CatalogueRowsKeepTheFirstOfARepeatedProfile) {
  TemporaryFolder folder;
  ModelRow first = row(1, 3, 1), repeat = row(2, 3, 1), other = row(3, 4, 1);
  repeat[56] = 1;  // the same 56-int profile under the same number
  folder.write("Models.list", QUVRRecordLine(first.data()) + QUVRRecordLine(repeat.data()) +
                                  QUVRRecordLine(other.data()));
  setDefault("ModelDir", folder.path("").c_str());
  ModelDirChanged();
  const std::vector<ModelRow> rows = readCatalogueRows();
  setDefault("ModelDir", ".");
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[1][56], 3);
}

TEST_F(QuvrOrderTest, PatternSearchFindsTheThreeFamilyTemplate) {
  // Template for N_c = N_d = 1, k = 2, l = 1: k + l = 3.
  ModelRow hit{};
  hit[0] = 0, hit[1] = 1, hit[2] = 1, hit[3] = 1;
  hit[4] = 3, hit[5] = 2, hit[6] = 1, hit[7] = 1;
  hit[12] = 3, hit[13] = 3;
  hit[16] = 3;
  hit[17] = -2, hit[18] = -1, hit[19] = -2, hit[20] = -1;
  hit[28] = -2, hit[29] = 3;
  hit[32] = 6;
  hit[35] = 1, hit[39] = 1;
  hit[41] = 1;  // brane-identified: found by the second look-up
  hit[56] = 17;
  const std::vector<int> totals = FindPatternsInRows({hit});
  EXPECT_EQ(totals, (std::vector<int>{1, 0, 1}));
  EXPECT_NE(capture.printed.find("Identified (1,1,2,1): nr 17 (with brane-id)\n"), std::string::npos);
  EXPECT_NE(capture.printed.find("dummy[16]=3;\n"), std::string::npos);
  EXPECT_NE(capture.printed.find("total: 1 (0+1)\n"), std::string::npos);
}

TEST_F(QuvrOrderTest, MipfListKeepsEachPairOnce) {
  TemporaryFolder folder;
  folder.write("MIPF.list", "111 1 500 -1\n111 2 600 -1\n111 1 700 3\n");
  const std::vector<MipfListRow> rows = readMipfListFile(folder.path("MIPF.list"));
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].size, 500);
  EXPECT_EQ(rows[1].MIPF, 2);
  EXPECT_EQ(capture.printed, "Total number of MIPFs: 2\n");
}

TEST_F(QuvrOrderTest, MipfListReadsLineByLinePastABadLine) {
  TemporaryFolder folder;
  // Line 2 has a word, line 3 five numbers, line 5 a negative MIPF number, line 6 a size
  // beyond an int; the last line has no newline.
  folder.write("MIPF.list",
               "111 1 500 -1\n111 x 6 0\n111 2 3 4 5\n\n111 -3 6 0\n111 4 2147483648 0\n"
               "111 5 600 -1000003\n1112 0 700 -1");
  const std::vector<MipfListRow> rows = readMipfListFile(folder.path("MIPF.list"));
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[1].MIPF, 5);
  EXPECT_EQ(rows[1].status, -1000003);
  EXPECT_EQ(rows[2].tensorCode, 1112);
  for (int line : {2, 3, 5, 6}) {
    EXPECT_NE(capture.diagnostics.find(formatText("Line %d of %s is no MIPF list line", line,
                                                  folder.path("MIPF.list").c_str())),
              std::string::npos)
        << line;
  }
  EXPECT_EQ(capture.printed, "Total number of MIPFs: 3\n");
}

}  // namespace
