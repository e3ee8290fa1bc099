// The row collection of a tensor product: each distinct row once, numbered in the order
// added, found again by content after the index has grown many times, and forgotten on
// reset.
#include <gtest/gtest.h>

#include <vector>

#include "tensor/Coset.h"

namespace {

// Row r of length 3: (r mod 7, r / 7, -r), distinct for distinct r.
std::vector<int> rowOf(int r) { return {r % 7, r / 7, -r}; }

TEST(TensorRows, DistinctRowsAreNumberedInOrderAndFoundAfterGrowth) {
  TensorRows rows("test rows");
  rows.reset(3);
  constexpr int kRows = 20000;  // the index doubles eleven times on the way
  for (int r = 0; r < kRows; ++r) {
    bool added = false;
    EXPECT_EQ(rows.add(rowOf(r).data(), &added), r);
    EXPECT_TRUE(added);
  }
  EXPECT_EQ(rows.size(), kRows);
  for (int r = 0; r < kRows; r += 37) {
    EXPECT_EQ(rows.find(rowOf(r).data()), r);
    EXPECT_EQ(rows.row(r)[2], -r);
  }
  // Adding a row again gives its number and adds nothing.
  bool added = true;
  EXPECT_EQ(rows.add(rowOf(12345).data(), &added), 12345);
  EXPECT_FALSE(added);
  EXPECT_EQ(rows.size(), kRows);
  // Rows never added are not found, including ones differing in the last entry only.
  const std::vector<int> absent = {3, 1, -11};  // row 10 is (3, 1, -10)
  EXPECT_EQ(rows.find(absent.data()), -1);
  const std::vector<int> beyond = rowOf(kRows);
  EXPECT_EQ(rows.find(beyond.data()), -1);
}

TEST(TensorRows, ResetForgetsEveryRowAndTakesTheNewLength) {
  TensorRows rows("test rows");
  rows.reset(3);
  for (int r = 0; r < 100; ++r) rows.add(rowOf(r).data());
  const std::uint64_t before = rows.version();
  rows.reset(2);
  EXPECT_NE(rows.version(), before);
  EXPECT_EQ(rows.size(), 0);
  EXPECT_EQ(rows.rowLength(), 2);
  const std::vector<int> pair = {0, 0};
  EXPECT_EQ(rows.find(pair.data()), -1);
  EXPECT_EQ(rows.add(pair.data()), 0);
  EXPECT_EQ(rows.find(pair.data()), 0);
}

}  // namespace
