// Collection ordering, balancing and traversal, and the named vector arrays.
#include "collections/Sorting.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "collections/VectorUtility.h"
#include "program/Boot.h"
#include "TestSupport.h"

namespace {

class SortingTest : public ::testing::Test {
 protected:
  void SetUp() override { resetAll(); }
};

int* rowOf(VectorSpace& space, int r) { return space.Space + r * space.rowsize; }

// A searchable collection of the vectors (i, 0) for the given i, inserted in order.
void fill(VectorSpace& space, const std::vector<int>& values) {
  initVectorCollection(&space, 2, static_cast<int>(values.size()));
  for (int value : values) {
    int* free = rowOf(space, space.Nfill);
    free[0] = value;
    free[1] = 0;
    addToCollection(&space);
  }
}

// The number of rows on the longest path from the root.
int treeDepth(VectorSpace& space) {
  int deepest = 0;
  for (int r = 0; r < space.Nfill; ++r) {
    int links = 0;
    EXPECT_EQ(findVectorInCollection_depth(&space, rowOf(space, r), &links), r);
    deepest = std::max(deepest, links + 1);
  }
  return deepest;
}

// Links rows 0 .. n-1 of ascending vectors into a chain without n^2 insertions.
void makeChain(VectorSpace& space, int n) {
  initVectorCollection(&space, 1, n);
  for (int r = 0; r < n; ++r) {
    int* row = rowOf(space, r);
    row[0] = r;
    row[1] = -1;
    row[2] = r + 1 < n ? r + 1 : -1;
  }
  space.Nfill = n;
  space.root = 0;
}

// ---------------------------------------------------------------------------------------
// Ordering

TEST_F(SortingTest, OrderListsEqualRowsInRowOrder) {
  AllocationAccount* account = &WorkSpaceSize;
  VectorSpace* space = NewVectorSpace(2, 5, 5, account, "Unordered");
  int rows[][2] = {{3, 1}, {1, 1}, {3, 1}, {2, 9}, {1, 0}};
  for (auto& row : rows) addNewVectorToSpace(space, row);
  std::vector<int> order = OrderVectorCollection(space, compareVec);
  EXPECT_EQ(order, (std::vector<int>{4, 1, 3, 0, 2}));
  EXPECT_TRUE(OrderVectorCollection(nullptr, compareVec).empty());
  VectorSpace unshaped(10, "Unshaped");
  EXPECT_TRUE(OrderVectorCollection(&unshaped, compareVec).empty());
}

TEST_F(SortingTest, OrderWithAnotherComparator) {
  VectorSpace space(10, "Reverse");
  fill(space, {5, 2, 8, 1});
  EXPECT_EQ(OrderVectorCollection(&space, compareVec), (std::vector<int>{3, 1, 0, 2}));
  // (i, 0) read from the last entry: all tie on 0, then i decides as before.
  EXPECT_EQ(OrderVectorCollection(&space, InverseCompareVec), (std::vector<int>{3, 1, 0, 2}));
  auto descending = [](int n, const int* a, const int* b) { return compareVec(n, b, a); };
  EXPECT_EQ(OrderVectorCollection(&space, descending), (std::vector<int>{2, 0, 1, 3}));
}

void collectFirstEntries(int n, int* row, void* context) {
  auto* seen = static_cast<std::vector<int>*>(context);
  (void)n;
  seen->push_back(row[0]);
}

TEST_F(SortingTest, OrderedActionVisitsAscending) {
  VectorSpace space(10, "Action");
  fill(space, {5, 2, 8, 1});
  static std::vector<int> seen;
  seen.clear();
  OrderedActionOnCollection(&space, [](int n, int* row, void* context) {
    EXPECT_EQ(context, nullptr);
    collectFirstEntries(n, row, &seen);
  }, compareVec);
  EXPECT_EQ(seen, (std::vector<int>{1, 2, 5, 8}));
}

TEST_F(SortingTest, OrderDoubleCollections) {
  DoubleVectorSpace space(10, "DoubleOrder");
  initDoubleVectorCollection(&space, 1, 4);
  for (double value : {0.5, -1.0, 2.0}) {
    space.Space[space.Nfill * space.rowsize] = value;
    addToDoubleCollection(&space);
  }
  EXPECT_EQ(OrderDoubleVectorCollection(&space, compareDoubleVecOrdered),
            (std::vector<int>{1, 0, 2}));
}

// ---------------------------------------------------------------------------------------
// Balancing

TEST_F(SortingTest, OptimizedLabelOrderings) {
  EXPECT_EQ(getOptimizedLabelOrdering(8), (std::vector<int>{4, 2, 6, 1, 3, 5, 7, 0}));
  EXPECT_EQ(getOptimizedLabelOrdering(10), (std::vector<int>{5, 2, 6, 1, 3, 7, 9, 0, 4, 8}));
  EXPECT_EQ(getOptimizedLabelOrdering(1), (std::vector<int>{0}));
  EXPECT_TRUE(getOptimizedLabelOrdering(0).empty());
  std::vector<int> order = getOptimizedLabelOrdering(1000);
  std::sort(order.begin(), order.end());
  for (int i = 0; i < 1000; ++i) ASSERT_EQ(order[i], i);
}

TEST_F(SortingTest, BalancingAnAscendingChain) {
  // 1024 rows inserted ascending form a chain 1024 deep; balanced, 11 deep (a perfect
  // tree of 1023 positions plus the last one). The halving steps suit 1023 and 100 rows
  // less well: 14 and 9.
  for (auto [rows, depth] : {std::pair{1024, 11}, std::pair{1023, 14}, std::pair{100, 9}}) {
    VectorSpace space(10, "Chain");
    std::vector<int> values(rows);
    for (int i = 0; i < rows; ++i) values[i] = i;
    fill(space, values);
    ASSERT_EQ(space.Nfill, rows);
    EXPECT_EQ(treeDepth(space), rows);
    std::vector<int> treeOrder = BalanceVectorCollection(&space);
    ASSERT_EQ(static_cast<int>(treeOrder.size()), rows);
    for (int k = 0; k < rows; ++k) ASSERT_EQ(treeOrder[k], rows - 1 - k);  // descending
    EXPECT_EQ(treeDepth(space), depth) << rows << " rows";
    OutputCapture capture;
    EXPECT_EQ(RequiredSearchDepth(&space), 0);
    EXPECT_EQ(capture.stdoutText, "");
  }
}

TEST_F(SortingTest, BalancedCollectionsStillTakeNewRows) {
  VectorSpace space(10, "Grow");
  std::vector<int> values;
  for (int i = 0; i < 300; ++i) values.push_back((i * 7919) % 1000);
  fill(space, values);
  BalanceVectorCollection(&space);
  for (int i = 0; i < 300; ++i) {
    int v[] = {values[i], 0};
    ASSERT_EQ(findVectorInCollection(&space, v), i);
  }
  int* free = rowOf(space, space.Nfill);
  free[0] = 5000, free[1] = 0;
  addToCollection(&space);
  int v[] = {5000, 0};
  EXPECT_EQ(findVectorInCollection(&space, v), 300);
  EXPECT_EQ(collectOrderedVectors(&space).front(), 300);  // the largest comes first
}

TEST_F(SortingTest, DeepChainsAreWalkedWithoutRecursion) {
  VectorSpace space(10, "Deep");
  const int rows = 200000;
  makeChain(space, rows);
  std::vector<int> order = collectOrderedVectors(&space);
  ASSERT_EQ(static_cast<int>(order.size()), rows);
  EXPECT_EQ(order.front(), rows - 1);
  int count = findSubVectorsInVectorSpace(&space, nullptr, 0, [](int, int, int*, void*) {}, nullptr);
  EXPECT_EQ(count, rows);
  BalanceVectorCollection(&space);
  int depth = 0;
  int probe[] = {rows / 3};
  EXPECT_EQ(findVectorInCollection_depth(&space, probe, &depth), rows / 3);
  EXPECT_LE(depth, 40);
}

TEST_F(SortingTest, ADamagedTreeIsReportedAndLeftAlone) {
  OutputCapture capture;
  VectorSpace space(10, "Broken");
  makeChain(space, 5);
  rowOf(space, 4)[2] = 0;  // the last row links back to the root
  std::vector<int> order = BalanceVectorCollection(&space);
  EXPECT_NE(capture.diagnostics.find("Damaged search tree in vector space Broken"), std::string::npos);
  EXPECT_EQ(rowOf(space, 4)[2], 0);  // not rebuilt from a partial ranking
  int depth = 0;
  int absent[] = {9};
  EXPECT_EQ(findVectorInCollection_depth(&space, absent, &depth), -1);
}

TEST_F(SortingTest, AddVectorLabelRejectsEqualPositions) {
  OutputCapture capture;
  VectorSpace space(10, "Labels");
  fill(space, {1, 2});
  int positions[] = {0, 0};
  int root = -1;
  rowOf(space, 0)[2] = rowOf(space, 0)[3] = -1;
  rowOf(space, 1)[2] = rowOf(space, 1)[3] = -1;
  addVectorLabel(&space, 0, &root, positions);
  addVectorLabel(&space, 1, &root, positions);
  EXPECT_EQ(root, 0);
  EXPECT_EQ(rowOf(space, 0)[2], -1);
  EXPECT_EQ(rowOf(space, 0)[3], -1);
  EXPECT_NE(capture.diagnostics.find("This cannot happen"), std::string::npos);
}

TEST_F(SortingTest, RequiredSearchDepthReportsMisplacedRows) {
  OutputCapture capture;
  VectorSpace space(10, "Misplaced");
  fill(space, {1, 2, 3});
  rowOf(space, 2)[0] = 1;  // row 2 now equals row 0
  EXPECT_EQ(RequiredSearchDepth(&space), 1);
  EXPECT_EQ(capture.stdoutText, "Looked for vector 2; found vector 0\n");
}

TEST_F(SortingTest, SelfAccessTimePrintsItsLine) {
  OutputCapture capture;
  VectorSpace space(10, "Timed");
  fill(space, {1, 2, 3});
  SelfAccessTime(&space);
  EXPECT_EQ(capture.printed.rfind("Self access time: ", 0), 0u);
}

// ---------------------------------------------------------------------------------------
// Traversals

struct Visit {
  std::vector<int> indices;
};

void recordVisit(int rowsize, int index, int* row, void* context) {
  EXPECT_EQ(rowsize, 4);
  EXPECT_NE(row, nullptr);
  static_cast<Visit*>(context)->indices.push_back(index);
}

TEST_F(SortingTest, SubVectorsAreVisitedInDescendingOrder) {
  VectorSpace space(10, "Prefix");
  initVectorCollection(&space, 2, 8);
  int rows[][2] = {{2, 5}, {1, 7}, {2, 1}, {3, 0}, {2, 9}, {1, 1}};
  for (auto& row : rows) {
    int full[] = {row[0], row[1], 0, 0};
    addVectorToCollection(&space, full);
  }
  Visit visit;
  int two[] = {2};
  EXPECT_EQ(findSubVectorsInVectorSpace(&space, two, 1, recordVisit, &visit), 3);
  EXPECT_EQ(visit.indices, (std::vector<int>{4, 0, 2}));  // (2,9), (2,5), (2,1)
  Visit all;
  EXPECT_EQ(findSubVectorsInVectorSpace(&space, two, 0, recordVisit, &all), 6);
  EXPECT_EQ(all.indices, (std::vector<int>{3, 4, 0, 2, 1, 5}));
  Visit none;
  int four[] = {4};
  EXPECT_EQ(findSubVectorsInVectorSpace(&space, four, 1, recordVisit, &none), 0);
  EXPECT_TRUE(none.indices.empty());
}

struct Distinct {
  std::vector<int> firstEntries;
};

void recordDistinct(int rowsize, int* row, void* context, int* rightLinks) {
  EXPECT_EQ(rowsize, 2);
  EXPECT_NE(rightLinks, nullptr);
  static_cast<Distinct*>(context)->firstEntries.push_back(row[0]);
}

TEST_F(SortingTest, ActOnDistinctSeesFirstOccurrences) {
  VectorSpace* space = NewVectorSpace(2, 4, 4, &WorkSpaceSize, "Distinct");
  int rows[][2] = {{1, 2}, {3, 4}, {1, 2}};
  for (auto& row : rows) addNewVectorToSpace(space, row);
  Distinct distinct;
  actOnDistinct(space, recordDistinct, &distinct);
  EXPECT_EQ(distinct.firstEntries, (std::vector<int>{1, 3}));
  int left[3] = {-1, -1, -1};
  int right[3] = {-1, -1, -1};
  EXPECT_EQ(AddToIndex(space, 0, left, right), 1);
  EXPECT_EQ(AddToIndex(space, 1, left, right), 1);
  EXPECT_EQ(right[0], 1);  // (3,4) is larger than (1,2)
  EXPECT_EQ(AddToIndex(space, 2, left, right), 0);
}

TEST_F(SortingTest, CheckVectorOrderingWithinColumnClasses) {
  OutputCapture capture;
  VectorSpace* space = NewVectorSpace(3, 2, 2, &WorkSpaceSize, "Classes");
  int rows[][3] = {{1, 1, 2}, {5, 5, 0}};  // columns 0 and 1 agree in every row
  for (auto& row : rows) addNewVectorToSpace(space, row);
  int good[] = {1, 2, 0};
  int bad[] = {2, 1, 3};
  int acrossClasses[] = {0, 5, 1};
  EXPECT_EQ(checkVectorOrdering(space, good), 1);
  EXPECT_EQ(checkVectorOrdering(space, bad), 0);
  EXPECT_EQ(checkVectorOrdering(space, acrossClasses), 1);
  EXPECT_NE(capture.stdoutText.find("Rejected  (2,1,3)\n"), std::string::npos);
  EXPECT_NE(capture.stdoutText.find("Accepted  (1,2,0)\n"), std::string::npos);
  EXPECT_NE(capture.stdoutText.find("row   (1,1,2)\n"), std::string::npos);
}

// ---------------------------------------------------------------------------------------
// Named vector arrays

void countVisit(int n, const int* vector, void* context) {
  (void)n;
  static_cast<std::vector<int>*>(context)->push_back(vector[1]);
}

TEST_F(SortingTest, NamedVectorArrays) {
  OutputCapture capture;
  VectorArray* array = initVectorArray("weights", nullptr, nullptr);
  ASSERT_NE(array, nullptr);
  resetVectorArray("weights", 2, 7);
  EXPECT_EQ(array->length, 2);
  EXPECT_EQ(array->third, 7);
  static int a[] = {2, 1};
  static int b[] = {1, 5};
  static int c[] = {2, 3};
  static int copyOfA[] = {2, 1};
  EXPECT_EQ(addVectorToArray(array, a), 0);
  addVectorToArray(array, b);
  addVectorToArray(array, c);
  addVectorToArray(array, copyOfA);  // equal: not added
  EXPECT_EQ(array->nodes.size(), 3u);
  EXPECT_EQ(findVectorInArray(array, copyOfA), a);
  int absent[] = {9, 9};
  EXPECT_EQ(findVectorInArray(array, absent), nullptr);
  std::vector<int> seconds;
  int prefix[] = {2};
  EXPECT_EQ(findSubVectorInArray(array, prefix, 1, countVisit, &seconds), 2);
  EXPECT_EQ(seconds, (std::vector<int>{3, 1}));  // descending
  printVectorArray(array);
  EXPECT_EQ(capture.stdoutText, " -->   (1,5)\n -->   (2,1)\n -->   (2,3)\n");
  EXPECT_EQ(findNamedVectorArray("weights"), array);
  VectorArray* other = initVectorArray("other", nullptr, nullptr);
  EXPECT_EQ(findNamedVectorArray("other"), other);
  EXPECT_EQ(findNamedVectorArray("weights"), array);  // the first record did not move
  int count = 4;
  addVectorToVectorArray(&count);
  EXPECT_EQ(count, 5);
}

TEST_F(SortingTest, NamedVectorArrayMisuseIsReported) {
  OutputCapture capture;
  EXPECT_EQ(findNamedVectorArray("nowhere"), nullptr);
  EXPECT_NE(capture.diagnostics.find("Vector array nowhere not initiated"), std::string::npos);
  capture.clear();
  resetVectorArray("nowhere", 1, 1);
  EXPECT_NE(capture.diagnostics.find("Vector array nowhere not initiated"), std::string::npos);
  capture.clear();
  int context = 0;
  VectorArray* array = initVectorArray("ignored", nullptr, &context);
  EXPECT_EQ(array->context, nullptr);
  EXPECT_NE(capture.diagnostics.find("Last argument of initVectorArray ignored"), std::string::npos);
}

TEST_F(SortingTest, ClassSumComparator) {
  int classes[] = {0, 0, 1};
  int a[] = {1, 2, 0};  // run sums 3, 0
  int b[] = {3, 1, 0};  // run sums 4, 0
  EXPECT_EQ(pcwComp(3, a, b, classes), 1);  // a's sum is smaller
  EXPECT_EQ(pcwComp(3, b, a, classes), -1);
  int c[] = {2, 1, 0};  // same sums as a: compareVec decides
  EXPECT_EQ(pcwComp(3, a, c, classes), -1);
  EXPECT_EQ(pcwComp(3, a, a, classes), 0);
  VectorArray* array = initVectorArray("classes", pcwComp, classes);
  array->length = 3;
  addVectorToArray(array, a);
  addVectorToArray(array, b);
  EXPECT_EQ(findVectorInArray(array, b), b);
}

}  // namespace
