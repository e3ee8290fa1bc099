// Sets of permutations (full sets, equal-label sets, orbits, the manual file) and the
// operations on single permutations.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "collections/VectorUtility.h"
#include "groups/Permutations.h"
#include "program/Boot.h"
#include "runtime/Terminal.h"
#include "InterruptTestSupport.h"
#include "TestSupport.h"

namespace {

class PermutationsTest : public ::testing::Test {
 protected:
  void SetUp() override { resetAll(); }
  void TearDown() override {
    for (const std::string& path : written_) std::remove(path.c_str());
  }
  // Writes a file in the test's home folder and returns its path.
  std::string writeHomeFile(const std::string& name, const std::string& text) {
    std::string path = std::string(std::getenv("HOME")) + "/" + name;
    std::FILE* file = std::fopen(path.c_str(), "w");
    std::fputs(text.c_str(), file);
    std::fclose(file);
    written_.push_back(path);
    return path;
  }

 private:
  std::vector<std::string> written_;
};

bool contains(const std::string& text, const std::string& piece) { return text.find(piece) != std::string::npos; }

std::vector<std::vector<int>> rowsOf(const VectorSpace* space) {
  std::vector<std::vector<int>> rows;
  int n = space->idsize;
  for (int r = 0; r < space->Nfill; ++r) {
    const int* row = space->Space + r * space->rowsize;
    rows.emplace_back(row, row + n);
  }
  return rows;
}

bool isPermutation(const std::vector<int>& p) {
  std::vector<int> sorted = p;
  std::sort(sorted.begin(), sorted.end());
  for (std::size_t i = 0; i < sorted.size(); ++i) {
    if (sorted[i] != static_cast<int>(i)) return false;
  }
  return true;
}

TEST_F(PermutationsTest, AllPermutationsOfThreeInGenerationOrder) {
  VectorSpace* space = generateAllPermutations(3);
  EXPECT_EQ(rowsOf(space), (std::vector<std::vector<int>>{{0, 1, 2}, {1, 0, 2}, {1, 2, 0}, {2, 0, 1}, {0, 2, 1}, {2, 1, 0}}));
  EXPECT_EQ(rowsOf(generateAllPermutations(1)), (std::vector<std::vector<int>>{{0}}));
  EXPECT_EQ(generateAllPermutations(0)->Nfill, 1);  // only the empty identity
}

TEST_F(PermutationsTest, FullSetsHaveFactorialManyDistinctPermutations) {
  const int factorials[] = {1, 1, 2, 6, 24, 120, 720};
  for (int n = 1; n <= 6; ++n) {
    auto rows = rowsOf(generateAllPermutations(n));
    EXPECT_EQ(static_cast<int>(rows.size()), factorials[n]);
    std::set<std::vector<int>> distinct(rows.begin(), rows.end());
    EXPECT_EQ(distinct.size(), rows.size());
    for (const auto& row : rows) EXPECT_TRUE(isPermutation(row));
  }
}

TEST_F(PermutationsTest, EveryGeneratedPermutationIsFoundAtItsRow) {
  VectorSpace* space = generateAllPermutations(7);
  ASSERT_EQ(space->Nfill, 5040);  // 7!
  for (int r = 0; r < space->Nfill; ++r) {
    ASSERT_EQ(findVectorInCollection(space, space->Space + static_cast<std::size_t>(r) * space->rowsize), r);
  }
  const int repeated[] = {0, 0, 1, 2, 3, 4, 5};
  EXPECT_EQ(findVectorInCollection(space, repeated), -1);
}

TEST_F(PermutationsTest, TwelveObjectsWithoutManualFilePermuteTheFirstNine) {
  OutputCapture capture;
  auto rows = rowsOf(generateAllPermutations(12));
  EXPECT_TRUE(contains(capture.all, "Maximal number of permutations reached; ignoring remainder"));
  EXPECT_TRUE(contains(capture.all, "Could not open file"));
  EXPECT_EQ(rows.size(), 362880u);  // 9!
  std::set<std::vector<int>> distinct(rows.begin(), rows.end());
  EXPECT_EQ(distinct.size(), rows.size());
  for (const auto& row : rows) {
    ASSERT_EQ(row[9], 9);
    ASSERT_EQ(row[10], 10);
    ASSERT_EQ(row[11], 11);
    ASSERT_TRUE(isPermutation(row));
  }
}

TEST_F(PermutationsTest, ManualFileGivesTheSetClosedUnderComposition) {
  // The exchange (0 1) and the cycle (2 3 4) generate a group of order 2 x 3 = 6.
  writeHomeFile("MP", "1 0 2 3 4 5 6 7 8 9\n0 1 3 4 2 5 6 7 8 9\n");
  OutputCapture capture;
  auto rows = rowsOf(generateAllPermutations(10));
  EXPECT_TRUE(contains(capture.printed, "Reading manual permutations from file ~/MP\n"));
  EXPECT_EQ(rows.size(), 6u);
  EXPECT_EQ(rows[0], (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
  std::set<std::vector<int>> set(rows.begin(), rows.end());
  for (const auto& a : rows) {
    for (const auto& b : rows) {
      std::vector<int> c(10);
      multiplyPermutations(10, a.data(), b.data(), c.data());
      EXPECT_EQ(set.count(c), 1u);
    }
  }
}

TEST_F(PermutationsTest, MalformedManualFileFallsBackToTheGeneratedSet) {
  std::string path = writeHomeFile("broken", "1 0 2 3 4 5 6 7 8 12\n");
  setManualPermutations(path.c_str());
  EXPECT_EQ(getManualPermutations(), path);
  OutputCapture capture;
  auto rows = rowsOf(generateAllPermutations(10));
  EXPECT_TRUE(contains(capture.all, "Invalid permutation nr. 1 in manual permutation file"));
  EXPECT_EQ(rows.size(), 362880u);

  path = writeHomeFile("text", "1 0 2 3 x\n");
  setManualPermutations(path.c_str());
  capture.clear();
  generateAllPermutations(10);
  EXPECT_TRUE(contains(capture.all, "Invalid permutation nr. 1"));

  std::string tooLong(1024, 'a');
  capture.clear();
  setManualPermutations(tooLong.c_str());
  EXPECT_EQ(getManualPermutations(), path);
  EXPECT_TRUE(contains(capture.all, "File name too long (1024 characters)"));
}

TEST_F(PermutationsTest, ReadPermutationLine) {
  std::string path = writeHomeFile("lines", "2 0 1\n1 2\n");
  std::FILE* file = std::fopen(path.c_str(), "r");
  int v[3];
  EXPECT_EQ(readPermutationLine(file, v, 3), 0);
  EXPECT_EQ(std::vector<int>(v, v + 3), (std::vector<int>{2, 0, 1}));
  EXPECT_EQ(readPermutationLine(file, v, 3), 1);  // a number missing before the end
  EXPECT_EQ(readPermutationLine(file, v, 3), -1);
  std::fclose(file);
}

TEST_F(PermutationsTest, SubPermutationsPerClassOfEqualLabels) {
  const int labels[] = {5, 7, 5, 7};
  OutputCapture capture;
  std::vector<VectorSpace*> classes = getSubPermutations(4, labels);
  ASSERT_EQ(classes.size(), 2u);
  EXPECT_STREQ(classes[0]->name, "SubPerm_0");
  EXPECT_STREQ(classes[1]->name, "SubPerm_1");
  EXPECT_EQ(rowsOf(classes[0]), (std::vector<std::vector<int>>{{0, 2}, {2, 0}}));
  EXPECT_EQ(rowsOf(classes[1]), (std::vector<std::vector<int>>{{1, 3}, {3, 1}}));
  EXPECT_EQ(capture.stdoutText, "allocated: 6\nallocated: 6\n");  // 2! + 4
  const int different[] = {1, 2, 3, 4};
  EXPECT_TRUE(getSubPermutations(4, different).empty());
  EXPECT_TRUE(getSubPermutations(0, different).empty());
  const int triple[] = {4, 4, 9, 4};
  auto three = getSubPermutations(4, triple);
  ASSERT_EQ(three.size(), 1u);
  EXPECT_EQ(three[0]->Nfill, 6);  // 3!
}

TEST_F(PermutationsTest, SubPermutationsOfAClassKeepTheOrderOfTheFullSet) {
  // A class at positions 0, 1, 3: its rows are those of the full set of three,
  // (0,1,2), (1,0,2), (1,2,0), (2,0,1), (0,2,1), (2,1,0), with k standing for position k of
  // the class.
  const int labels[] = {4, 4, 9, 4};
  OutputCapture capture;
  auto classes = getSubPermutations(4, labels);
  ASSERT_EQ(classes.size(), 1u);
  EXPECT_EQ(rowsOf(classes[0]), (std::vector<std::vector<int>>{
                                    {0, 1, 3}, {1, 0, 3}, {1, 3, 0}, {3, 0, 1}, {0, 3, 1}, {3, 1, 0}}));
  // Every row is found by its own entries (the collection's search tree).
  for (const auto& row : rowsOf(classes[0])) EXPECT_GE(findVectorInCollection(classes[0], row.data()), 0);
}

TEST_F(PermutationsTest, RowNumbersOfTheArrangementsOfAClass) {
  // The full set of three in its order: row t holds the arrangement t.
  const std::vector<std::vector<int>> three = {{0, 1, 2}, {1, 0, 2}, {1, 2, 0}, {2, 0, 1}, {0, 2, 1}, {2, 1, 0}};
  for (int t = 0; t < 6; ++t) {
    EXPECT_EQ(subPermutationRow(3, three[static_cast<std::size_t>(t)].data()), t);
    std::vector<int> arrangement(3);
    subPermutationArrangement(3, t, arrangement.data());
    EXPECT_EQ(arrangement, three[static_cast<std::size_t>(t)]) << t;
  }
  // For every class size up to 7, the row numbers are those of a class of c equal labels.
  OutputCapture capture;
  for (int c = 1; c <= 7; ++c) {
    const std::vector<int> labels(static_cast<std::size_t>(c), 1);
    auto classes = getSubPermutations(c, labels.data());
    if (c == 1) {
      EXPECT_TRUE(classes.empty());
      continue;
    }
    ASSERT_EQ(classes.size(), 1u);
    const auto rows = rowsOf(classes[0]);
    int factorial = 1;
    for (int k = 2; k <= c; ++k) factorial *= k;
    ASSERT_EQ(static_cast<int>(rows.size()), factorial);
    for (int t = 0; t < factorial; ++t) {
      ASSERT_EQ(subPermutationRow(c, rows[static_cast<std::size_t>(t)].data()), t) << c;
      std::vector<int> arrangement(static_cast<std::size_t>(c));
      subPermutationArrangement(c, t, arrangement.data());
      ASSERT_EQ(arrangement, rows[static_cast<std::size_t>(t)]) << c << " " << t;
    }
  }
  // Not arrangements of 0 .. c-1.
  const int twice[] = {0, 0, 1};
  const int beyond[] = {0, 1, 3};
  EXPECT_EQ(subPermutationRow(3, twice), -1);
  EXPECT_EQ(subPermutationRow(3, beyond), -1);
}

TEST_F(PermutationsTest, ClassesOfSubPermutationsWithoutTheirCollections) {
  const int labels[] = {5, 7, 5, 7};
  OutputCapture capture;
  EXPECT_EQ(subPermutationClasses(4, labels), (std::vector<std::vector<int>>{{0, 2}, {1, 3}}));
  EXPECT_EQ(capture.stdoutText, "allocated: 6\nallocated: 6\n");  // 2! + 4, as getSubPermutations
  // Twelve equal labels: cut to the first ten, 10! + 4 = 3628804.
  const std::vector<int> twelve(12, 3);
  capture.clear();
  auto cut = subPermutationClasses(12, twelve.data());
  ASSERT_EQ(cut.size(), 1u);
  EXPECT_EQ(cut[0], (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
  EXPECT_TRUE(contains(capture.all, "Sub-permutation exceeding maximum (12 > 10)")) << capture.all;
  EXPECT_EQ(capture.stdoutText, "allocated: 3628804\n");
  const int different[] = {1, 2, 3, 4};
  EXPECT_TRUE(subPermutationClasses(4, different).empty());
  EXPECT_TRUE(subPermutationClasses(0, different).empty());
}

using PermutationsInterruptTest = interrupt_test::InterruptTest;

// A class of ten positions has 10! = 3628800 rearrangements: making them answers Ctrl-C.
TEST_F(PermutationsInterruptTest, ARearrangementOfTenAnswersCtrlC) {
  const std::vector<int> ten(10, 2);
  OutputCapture capture;
  releaseSubPermutations();
  const std::uint64_t before = PermutationAllocation.bytesHeld();
  interrupt_test::pressControlC();
  EXPECT_THROW(getSubPermutations(10, ten.data()), StopRequest);
  interrupt_test::release();
  releaseSubPermutations();
  EXPECT_EQ(PermutationAllocation.bytesHeld(), before);  // nothing left of the half-made class
}

TEST_F(PermutationsTest, PermutationsRespectingLabels) {
  const int labels[] = {1, 1, 2, 2};
  EXPECT_EQ(rowsOf(generateSubPermutations(4, labels)),
            (std::vector<std::vector<int>>{{0, 1, 2, 3}, {1, 0, 2, 3}, {0, 1, 3, 2}, {1, 0, 3, 2}}));
  const int mixed[] = {3, 1, 3, 3, 1};
  auto rows = rowsOf(generateSubPermutations(5, mixed));
  EXPECT_EQ(rows.size(), 12u);  // 3! x 2!
  for (const auto& row : rows) {
    for (int i = 0; i < 5; ++i) EXPECT_EQ(mixed[row[static_cast<std::size_t>(i)]], mixed[i]);
  }
  OutputCapture capture;
  EXPECT_EQ(generateSubPermutations(0, labels), nullptr);
  EXPECT_TRUE(contains(capture.all, "Invalid number of objects: 0"));
}

TEST_F(PermutationsTest, OrbitsUnderExchangesOfEqualLabels) {
  const int p[] = {0, 1, 2};
  const int labels[] = {9, 9, 9};
  EXPECT_EQ(rowsOf(generatePermutations(3, 0, p, labels, 100)), (std::vector<std::vector<int>>{{0, 1, 2}, {0, 2, 1}}));
  EXPECT_EQ(generatePermutations(3, 0, p, labels, 1), nullptr);
  // Without a fixed position the orbit is all of S3.
  EXPECT_EQ(rowsOf(generatePermutations(3, -1, p, labels, 100)).size(), 6u);
  // Positions 0, 2 and 1, 3 exchange independently: 2 x 2 arrangements.
  const int arrangement[] = {4, 4, 7, 7};
  const int pairs[] = {0, 1, 0, 1};
  EXPECT_EQ(rowsOf(generatePermutations(4, -1, arrangement, pairs, 100)).size(), 4u);
  const int repeated[] = {4, 7, 4, 7};
  EXPECT_EQ(rowsOf(generatePermutations(4, -1, repeated, pairs, 100)).size(), 1u);  // nothing new
}

TEST_F(PermutationsTest, SinglePermutationOperations) {
  const int a[] = {1, 2, 0};
  const int b[] = {0, 2, 1};
  int c[3];
  multiplyPermutations(3, a, b, c);
  EXPECT_EQ(std::vector<int>(c, c + 3), (std::vector<int>{1, 0, 2}));  // c[i] = a[b[i]]
  const signed char ca[] = {1, 2, 0};
  const signed char cb[] = {0, 2, 1};
  signed char cc[3];
  multiplyCharPermutations(3, ca, cb, cc);
  EXPECT_EQ(cc[0], 1);
  EXPECT_EQ(cc[1], 0);
  int q[3];
  inversePermutation(3, a, q);
  EXPECT_EQ(std::vector<int>(q, q + 3), (std::vector<int>{2, 0, 1}));

  const int x[] = {1, 1, 2, 1};
  const int y[] = {3, 3, 3, 4};
  int ids[4];
  multiplyIds(4, x, y, ids);
  EXPECT_EQ(std::vector<int>(ids, ids + 4), (std::vector<int>{0, 0, 2, 3}));

  const int swap[] = {1, 0, 2};
  EXPECT_EQ(InvolutionCheck(3, swap), 1);
  EXPECT_EQ(InvolutionCheck(3, a), 0);
  EXPECT_EQ(InvolutionCheck(0, a), 1);
  EXPECT_EQ(countFixedEntries(3, swap), 1);
  EXPECT_EQ(cyclicDecomposition(3, swap), " (0,1)(2)");
  const int cycle[] = {2, 0, 1, 3};
  EXPECT_EQ(cyclicDecomposition(4, cycle), " (0,2,1)(3)");

  int rotated[4];
  const int src[] = {5, 6, 7, 8};
  cyclicPermutation(4, 3, src, rotated, 1);
  EXPECT_EQ(std::vector<int>(rotated, rotated + 4), (std::vector<int>{6, 7, 5, 8}));
}

TEST_F(PermutationsTest, BrokenPermutationsAreReported) {
  OutputCapture capture;
  const int p[] = {0, 0, 2};
  int q[3];
  inversePermutation(3, p, q);
  EXPECT_EQ(std::vector<int>(q, q + 3), (std::vector<int>{0, -1, 2}));
  EXPECT_TRUE(contains(capture.all, "Non-invertible permutation"));
  EXPECT_TRUE(contains(capture.all, "incorrect inverse"));
  capture.clear();
  const int a[] = {0, 1, 2};
  const int outside[] = {0, 5, 1};
  int c[3];
  multiplyPermutations(3, a, outside, c);
  EXPECT_EQ(c[1], -1);
  EXPECT_TRUE(contains(capture.all, "Entry 5 of permutation out of range"));
}

}  // namespace
