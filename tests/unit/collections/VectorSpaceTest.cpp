// Vector collections: the free-row protocol, search, growth and the end mark, counted,
// double and char collections, removal, copying, re-shaping and refusals.
#include "collections/VectorSpace.h"

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <string>
#include <vector>

#include "collections/VectorUtility.h"
#include "program/Boot.h"
#include "TestSupport.h"

namespace {

class VectorSpaceTest : public ::testing::Test {
 protected:
  void SetUp() override { resetAll(); }
};

int* row(VectorSpace& space, int r) { return space.Space + r * space.rowsize; }

// Writes (a, b) into the free row and commits it.
int* add2(VectorSpace& space, int a, int b) {
  int* free = row(space, space.Nfill);
  free[0] = a;
  free[1] = b;
  return addToCollection(&space);
}

TEST_F(VectorSpaceTest, ShapingASearchableCollection) {
  VectorSpace space(10, "Shape");
  int* free = initVectorCollection(&space, 3, 5);
  ASSERT_NE(free, nullptr);
  EXPECT_EQ(free, space.Space);
  EXPECT_EQ(space.rowsize, 5);
  EXPECT_EQ(space.idsize, 3);
  EXPECT_EQ(space.Nrow, 6);
  EXPECT_EQ(space.Nfill, 0);
  EXPECT_EQ(space.root, 0);
  EXPECT_EQ(space.capacity, 31);
  EXPECT_EQ(space.Space[30], kVectorSpaceEndMark);
  EXPECT_EQ(space.increment0, 10);
}

TEST_F(VectorSpaceTest, InsertAndFind) {
  VectorSpace space(10, "Insert");
  initVectorCollection(&space, 2, 4);
  int* free = add2(space, 5, 1);
  EXPECT_EQ(space.Nfill, 1);
  EXPECT_EQ(free, row(space, 1));
  add2(space, 2, 7);
  add2(space, 9, -3);
  int a[] = {5, 1};
  int b[] = {2, 7};
  int c[] = {9, -3};
  int missing[] = {5, 2};
  EXPECT_EQ(findVectorInCollection(&space, a), 0);
  EXPECT_EQ(findVectorInCollection(&space, b), 1);
  EXPECT_EQ(findVectorInCollection(&space, c), 2);
  EXPECT_EQ(findVectorInCollection(&space, missing), -1);
  // Row 0 is the root; (2,7) is smaller and hangs left, (9,-3) right.
  EXPECT_EQ(space.root, 0);
  EXPECT_EQ(row(space, 0)[2], 1);
  EXPECT_EQ(row(space, 0)[3], 2);
}

TEST_F(VectorSpaceTest, TheSameVectorTwiceIsStoredOnce) {
  VectorSpace space(10, "Twice");
  initVectorCollection(&space, 2, 4);
  int* first = add2(space, 3, 3);
  int* second = add2(space, 3, 3);
  EXPECT_EQ(space.Nfill, 1);
  EXPECT_EQ(first, second);
  EXPECT_EQ(second, row(space, 1));
}

TEST_F(VectorSpaceTest, SearchingAnEmptyCollectionFindsNothing) {
  VectorSpace space(10, "Empty");
  int v[] = {1, 2};
  EXPECT_EQ(findVectorInCollection(&space, v), -1);  // never shaped
  initVectorCollection(&space, 2, 4);
  EXPECT_EQ(findVectorInCollection(&space, v), -1);
}

TEST_F(VectorSpaceTest, VectorsDifferingOnlyBeyondTheIdentificationSizeAreTheSame) {
  VectorSpace space(10, "Ident");
  initVectorCollection(&space, 3, 4);
  setIdentificationSize(&space, 2);
  int* free = space.Space;
  free[0] = 1, free[1] = 2, free[2] = 100;
  addToCollection(&space);
  free = row(space, 1);
  free[0] = 1, free[1] = 2, free[2] = 200;
  addToCollection(&space);
  EXPECT_EQ(space.Nfill, 1);
  EXPECT_EQ(row(space, 0)[2], 100);  // the data that rode along with the first
}

TEST_F(VectorSpaceTest, GrowthFollowsTheBaseStepThenDoubles) {
  // Base step 5 and 3 rows asked (4 with the free row): growth when the third row comes
  // in (the free row would become the last row): 4 -> 9. While fewer than ten rows are
  // in, every commit resets the step to 5, so the growths at Nfill 8 and 13 add 5 rows;
  // from then on the step doubles at every growth: 10, 20, 40.
  VectorSpace space(5, "Growth");
  initVectorCollection(&space, 2, 3);
  std::map<int, int> rowsAfter = {{1, 4},   {2, 4},   {3, 9},   {7, 9},   {8, 14},  {12, 14},
                                  {13, 19}, {17, 19}, {18, 29}, {27, 29}, {28, 49}, {47, 49},
                                  {48, 89}};
  for (int i = 1; i <= 48; ++i) {
    add2(space, i, 0);
    ASSERT_EQ(space.Nfill, i);
    if (rowsAfter.count(i)) {
      EXPECT_EQ(space.Nrow, rowsAfter[i]) << "after row " << i;
    }
    // The free row is always inside the array and the end mark stands after the last row.
    ASSERT_LT(space.Nfill, space.Nrow);
    ASSERT_EQ(space.Space[space.rowsize * space.Nrow], kVectorSpaceEndMark);
  }
  EXPECT_EQ(space.increment, 80);
  for (int i = 1; i <= 48; ++i) {
    int v[] = {i, 0};
    EXPECT_EQ(findVectorInCollection(&space, v), i - 1);
  }
}

TEST_F(VectorSpaceTest, GrowthStepIsCappedAtAMillionRows) {
  VectorSpace space(600000, "Capped");
  initVectorCollection(&space, 1, 1);  // 2 rows: the first insertion grows
  int* free = space.Space;
  free[0] = 1;
  addToCollection(&space);
  EXPECT_EQ(space.Nrow, 600002);
  EXPECT_EQ(space.increment, 1000000);  // 1,200,000 capped
}

TEST_F(VectorSpaceTest, ManyRowsAgreeWithAMapOracle) {
  VectorSpace space(100, "Oracle");
  initVectorCollection(&space, 3, 10);
  std::map<std::vector<int>, int> oracle;
  std::mt19937 generator(12345);
  std::uniform_int_distribution<int> entry(-20, 20);
  for (int i = 0; i < 20000; ++i) {
    std::vector<int> v = {entry(generator), entry(generator), entry(generator)};
    int* free = row(space, space.Nfill);
    for (int k = 0; k < 3; ++k) free[k] = v[k];
    int before = space.Nfill;
    addToCollection(&space);
    if (oracle.count(v)) {
      ASSERT_EQ(space.Nfill, before);
    } else {
      ASSERT_EQ(space.Nfill, before + 1);
      oracle[v] = before;
    }
  }
  EXPECT_EQ(space.Nfill, static_cast<int>(oracle.size()));
  for (const auto& [v, index] : oracle) ASSERT_EQ(findVectorInCollection(&space, v.data()), index);
  int absent[] = {21, 0, 0};
  EXPECT_EQ(findVectorInCollection(&space, absent), -1);
  EXPECT_EQ(space.Space[space.rowsize * space.Nrow], kVectorSpaceEndMark);
}

TEST_F(VectorSpaceTest, ADamagedEndMarkIsReportedAndTheWorkGoesOn) {
  OutputCapture capture;
  VectorSpace space(10, "Damaged");
  initVectorCollection(&space, 1, 20);
  space.Space[0] = 4;
  addToCollection(&space);
  space.Space[space.rowsize * space.Nrow] = 17;  // a caller wrote past the last row
  int* free = row(space, 1);
  free[0] = 5;
  EXPECT_NE(addToCollection(&space), nullptr);
  EXPECT_EQ(space.Nfill, 2);
  EXPECT_NE(capture.diagnostics.find(
                "!!!!! Overflow in allocation of vector space Damaged (value 17 vs 4 Nrow=21,rowsize=3)"),
            std::string::npos);
  EXPECT_EQ(capture.stdoutText,
            "space->Nrow=21\nspace->rowsize=3\n(space->Nrow)*(space->rowsize)=63\nspace->Space[0]=4\n");
}

TEST_F(VectorSpaceTest, AZeroGrowthStepIsRefusedWithoutEndingTheProgram) {
  OutputCapture capture;
  VectorSpace space(0, "NoStep");
  initVectorCollection(&space, 1, 5);
  space.Space[0] = 1;
  EXPECT_EQ(addToCollection(&space), nullptr);
  EXPECT_EQ(space.Nfill, 0);
  EXPECT_NE(capture.diagnostics.find("Zero increment for NoStep"), std::string::npos);
  EXPECT_EQ(addVectorToSpace(&space), nullptr);
  EXPECT_EQ(space.Nfill, 0);
}

TEST_F(VectorSpaceTest, UnshapedRecordsAreRefused) {
  OutputCapture capture;
  VectorSpace space(10, "Never");
  int v[] = {1, 2, 3};
  EXPECT_EQ(addToCollection(&space), nullptr);
  EXPECT_NE(capture.diagnostics.find("Vector space Never is not initialised"), std::string::npos);
  EXPECT_EQ(addVectorToCollection(&space, v), nullptr);
  EXPECT_NE(capture.diagnostics.find("!!!! Incorrect use of macro reallocVectorSpace"),
            std::string::npos);
  EXPECT_EQ(LocateInCollection(&space, v), -1);
  EXPECT_EQ(addToCountedCollection(&space, 1), -1);
  EXPECT_EQ(addNewVectorToSpace(&space, v), nullptr);
  EXPECT_EQ(removeVectorFromCollection(&space, 0), nullptr);
}

TEST_F(VectorSpaceTest, AbsurdShapesAreRefused) {
  OutputCapture capture;
  VectorSpace space(10, "Absurd");
  EXPECT_EQ(initVectorCollection(&space, -5, 3), nullptr);
  EXPECT_EQ(SetVectorSpace(&space, 100000, 100000), nullptr);
  EXPECT_EQ(space.Space, nullptr);
  EXPECT_NE(capture.diagnostics.find("Invalid size"), std::string::npos);
}

TEST_F(VectorSpaceTest, AddVectorToCollectionCopiesAWholeRow) {
  VectorSpace space(10, "Copy");
  initVectorCollection(&space, 2, 3);
  int v[] = {4, 4, 99, 99};  // the links are overwritten
  addVectorToCollection(&space, v);
  EXPECT_EQ(space.Nfill, 1);
  EXPECT_EQ(row(space, 0)[2], -1);
  EXPECT_EQ(row(space, 0)[3], -1);
  EXPECT_EQ(findVectorInCollection(&space, v), 0);
}

TEST_F(VectorSpaceTest, AnArrayOfZeroRowsGetsRoomOnFirstUse) {
  VectorSpace space(4, "ZeroRows");
  SetVectorSpace(&space, 3, 0);
  space.idsize = 1;
  EXPECT_EQ(space.Nrow, 0);
  int v[] = {7, 0, 0};
  ASSERT_NE(addVectorToCollection(&space, v), nullptr);
  EXPECT_EQ(space.Nfill, 1);
  EXPECT_GT(space.Nrow, space.Nfill);  // the free row is inside the array
  int w[] = {8, 0, 0};
  addVectorToCollection(&space, w);
  EXPECT_EQ(findVectorInCollection(&space, w), 1);
  EXPECT_EQ(space.Space[space.rowsize * space.Nrow], kVectorSpaceEndMark);
}

TEST_F(VectorSpaceTest, LocateAddsOnlyWhenAbsent) {
  VectorSpace space(10, "Locate");
  initVectorCollection(&space, 2, 2);
  int a[] = {1, 1};
  int b[] = {2, 2};
  EXPECT_EQ(LocateInCollection(&space, a), 0);
  EXPECT_EQ(LocateInCollection(&space, b), 1);
  EXPECT_EQ(LocateInCollection(&space, a), 0);
  int* free = row(space, space.Nfill);
  free[0] = 3, free[1] = 3;
  EXPECT_EQ(LocateInCollection(&space, free), 2);
  EXPECT_EQ(space.Nfill, 3);
}

TEST_F(VectorSpaceTest, CountedCollectionsAddCounts) {
  VectorSpace space(10, "Counted");
  initCountedVectorCollection(&space, 2, 4);
  EXPECT_EQ(space.rowsize, 5);
  int* free = space.Space;
  free[0] = 1, free[1] = 2;
  EXPECT_EQ(addToCountedCollection(&space, 0), -1);
  EXPECT_EQ(space.Nfill, 0);
  EXPECT_EQ(addToCountedCollection(&space, 2), 0);
  free = row(space, 1);
  free[0] = 0, free[1] = 5;
  EXPECT_EQ(addToCountedCollection(&space, 1), 1);
  free = row(space, 2);
  free[0] = 1, free[1] = 2;
  EXPECT_EQ(addToCountedCollection(&space, 3), 0);
  EXPECT_EQ(space.Nfill, 2);
  EXPECT_EQ(row(space, 0)[2], 5);
  EXPECT_EQ(row(space, 1)[2], 1);
}

TEST_F(VectorSpaceTest, PrintCountedCollectionListsDescendingCounts) {
  OutputCapture capture;
  VectorSpace space(10, "Printed");
  initCountedVectorCollection(&space, 1, 4);
  printCountedVectorCollection(&space);
  EXPECT_EQ(capture.printed, "Empty collection\n");
  capture.clear();
  int values[][2] = {{7, 1}, {8, 4}, {9, 2}};
  for (auto& [value, count] : values) {
    row(space, space.Nfill)[0] = value;
    addToCountedCollection(&space, count);
  }
  printCountedVectorCollection(&space);
  EXPECT_EQ(capture.printed,
            "\nTotal number of cases in collection: 7\n\n"
            "     4 x   (8)\n"
            "     2 x   (9)\n"
            "     1 x   (7)\n");
}

TEST_F(VectorSpaceTest, PrintVectorSpaceShowsTheIdentifyingEntries) {
  OutputCapture capture;
  VectorSpace space(10, "Print");
  initVectorCollection(&space, 2, 4);
  add2(space, 1, 2);
  add2(space, -3, 4);
  printVectorSpace(&space);
  EXPECT_EQ(capture.stdoutText, "Nr. 0  (1,2)\nNr. 1  (-3,4)\n");
}

TEST_F(VectorSpaceTest, RemovalRenumbersAndKeepsEveryRowFindable) {
  VectorSpace space(10, "Remove");
  initVectorCollection(&space, 2, 4);
  add2(space, 5, 0);
  add2(space, 3, 0);
  add2(space, 8, 0);
  removeVectorFromCollection(&space, 0);
  EXPECT_EQ(space.Nfill, 2);
  int three[] = {3, 0};
  int eight[] = {8, 0};
  int five[] = {5, 0};
  EXPECT_EQ(findVectorInCollection(&space, three), 0);
  EXPECT_EQ(findVectorInCollection(&space, eight), 1);
  EXPECT_EQ(findVectorInCollection(&space, five), -1);
  int* free = removeVectorFromCollection(&space, 1);
  EXPECT_EQ(space.Nfill, 1);
  EXPECT_EQ(free, row(space, 1));
  EXPECT_EQ(findVectorInCollection(&space, three), 0);
  EXPECT_EQ(findVectorInCollection(&space, eight), -1);
  // New rows go on after the removal.
  add2(space, 8, 0);
  EXPECT_EQ(findVectorInCollection(&space, eight), 1);
}

TEST_F(VectorSpaceTest, RemovingAMissingRowIsAnAlert) {
  OutputCapture capture;
  VectorSpace space(10, "Missing");
  initVectorCollection(&space, 2, 4);
  add2(space, 1, 1);
  EXPECT_EQ(removeVectorFromCollection(&space, 3), nullptr);
  EXPECT_EQ(removeVectorFromCollection(&space, -1), nullptr);
  EXPECT_EQ(space.Nfill, 1);
  EXPECT_NE(capture.diagnostics.find("Row 3 is not in vector space Missing (1 rows)"),
            std::string::npos);
}

TEST_F(VectorSpaceTest, ReshapingKeepsTheGrowthStepAndALargeEnoughArray) {
  VectorSpace space(20, "Reshape");
  initVectorCollection(&space, 4, 99);  // rowsize 6, 100 rows: 601 ints
  int* array = space.Space;
  for (int i = 0; i < 5; ++i) {
    int* free = row(space, space.Nfill);
    for (int k = 0; k < 4; ++k) free[k] = i;
    addToCollection(&space);
  }
  initVectorCollection(&space, 1, 10);  // rowsize 3: the old extent of 600 ints holds 200 rows
  EXPECT_EQ(space.Space, array);
  EXPECT_EQ(space.Nrow, 200);
  EXPECT_EQ(space.Nfill, 0);
  EXPECT_EQ(space.capacity, 601);
  EXPECT_EQ(space.increment0, 20);
  EXPECT_EQ(space.Space[600], kVectorSpaceEndMark);
  initVectorCollection(&space, 10, 100);  // 12 x 101 + 1 ints: a new array
  EXPECT_EQ(space.Nrow, 101);
  EXPECT_EQ(space.capacity, 1213);
  EXPECT_EQ(space.increment0, 20);
}

TEST_F(VectorSpaceTest, ReshapingNeverGivesFewerRowsThanAsked) {
  VectorSpace space(10, "Shrink");
  SetVectorSpace(&space, 10, 10);   // capacity 101
  SetVectorSpace(&space, 3, 33);    // 100 ints fit: extent 99
  SetVectorSpace(&space, 10, 10);   // 101 fits the capacity, but 99 / 10 would give 9 rows
  EXPECT_EQ(space.Nrow, 10);
  EXPECT_EQ(space.Space[100], kVectorSpaceEndMark);
}

TEST_F(VectorSpaceTest, CopyMakesAnIndependentCollection) {
  VectorSpace source(10, "Source");
  VectorSpace target(30, "Target");
  initVectorCollection(&source, 2, 3);
  for (int i = 0; i < 12; ++i) add2(source, i, -i);
  copyVectorCollection(&target, &source);
  EXPECT_EQ(target.Nfill, 12);
  EXPECT_EQ(target.Nrow, source.Nrow);
  EXPECT_EQ(target.increment0, 10);
  EXPECT_EQ(target.root, source.root);
  EXPECT_STREQ(target.name, "Target");
  EXPECT_NE(target.Space, source.Space);
  EXPECT_EQ(target.Space[target.rowsize * target.Nrow], kVectorSpaceEndMark);
  for (int i = 0; i < 12; ++i) {
    int v[] = {i, -i};
    EXPECT_EQ(findVectorInCollection(&target, v), i);
  }
  add2(target, 100, 100);
  EXPECT_EQ(source.Nfill, 12);
}

TEST_F(VectorSpaceTest, UnindexedCollectionsAppendWithoutSearching) {
  // Records live for the whole run, and so must the account of their names.
  static AllocationAccount account("Test vector spaces");
  VectorSpace* space = NewVectorSpace(2, 3, 4, &account, "Plain");
  EXPECT_STREQ(space->name, "Plain");
  EXPECT_EQ(space->rowsize, 2);
  EXPECT_EQ(space->idsize, 2);
  EXPECT_EQ(space->Nrow, 4);
  EXPECT_EQ(space->increment0, 4);
  EXPECT_GT(account.bytesHeld(), 0u);  // the copy of the name
  int v[] = {1, 1};
  addNewVectorToSpace(space, v);
  addNewVectorToSpace(space, v);
  int* free = space->Space + space->Nfill * space->rowsize;
  free[0] = 2, free[1] = 2;
  addVectorToSpace(space);
  EXPECT_EQ(space->Nfill, 3);
  EXPECT_EQ(space->Space[2], 1);
  EXPECT_EQ(space->Space[4], 2);
  // A second record does not move the first.
  VectorSpace* other = NewVectorSpace(1, 1, 1, &account, "Other");
  EXPECT_NE(other, space);
  EXPECT_STREQ(space->name, "Plain");
}

TEST_F(VectorSpaceTest, ADamagedTreeIsReportedNotFollowed) {
  OutputCapture capture;
  VectorSpace space(10, "Cycle");
  initVectorCollection(&space, 1, 5);
  row(space, 0)[0] = 1;
  addToCollection(&space);
  row(space, 1)[0] = 2;
  addToCollection(&space);
  row(space, 1)[2] = 0;  // a left link back to the root makes a cycle... for smaller rows
  row(space, 1)[3] = 0;  // and for larger ones
  int three[] = {3};
  EXPECT_EQ(findVectorInCollection(&space, three), -1);
  EXPECT_NE(capture.diagnostics.find("Damaged search tree in vector space Cycle"), std::string::npos);
}

// ---------------------------------------------------------------------------------------
// Double and char collections

TEST_F(VectorSpaceTest, DoubleCollectionsCompareWithinTheTolerance) {
  DoubleVectorSpace space(5, "Doubles");
  initDoubleVectorCollection(&space, 2, 2);
  EXPECT_EQ(space.rowsize, 4);
  EXPECT_EQ(space.Nrow, 3);
  EXPECT_EQ(space.Space[12], kDoubleVectorSpaceEndMark);
  auto addDouble = [&space](double a, double b) {
    double* free = space.Space + space.Nfill * space.rowsize;
    free[0] = a;
    free[1] = b;
    return addToDoubleCollection(&space);
  };
  EXPECT_EQ(addDouble(0.5, 1.0), 0);
  EXPECT_EQ(addDouble(0.25, 1.0), 1);
  EXPECT_EQ(addDouble(0.50000005, 1.0), 0);  // within 1e-7
  for (int i = 0; i < 30; ++i) EXPECT_EQ(addDouble(i, -1.0), 2 + i);
  EXPECT_EQ(space.Nfill, 32);
  EXPECT_EQ(space.Space[space.rowsize * space.Nrow], kDoubleVectorSpaceEndMark);
  double probe[] = {7.00000001, -1.0};
  EXPECT_EQ(findVectorInDoubleCollection(&space, probe), 9);
  double absent[] = {7.5, -1.0};
  EXPECT_EQ(findVectorInDoubleCollection(&space, absent), -1);
  EXPECT_EQ(reindexDoubleVectorCollection(&space), 31);
  EXPECT_EQ(findVectorInDoubleCollection(&space, probe), 9);
}

TEST_F(VectorSpaceTest, CharCollectionsKeepLinksApart) {
  OutputCapture capture;
  static AllocationAccount account("Test char spaces");
  CharVectorSpace* space = NewCharVectorSpace(2, 1, 3, &account, "Chars");
  signed char* free = initCharVectorCollection(space, 2, 1);
  EXPECT_EQ(capture.stdoutText, "locator  (-1,-1,-1,-1)\n");
  EXPECT_EQ(space->Space[4], kCharVectorSpaceEndMark);
  signed char values[][2] = {{1, 2}, {0, 5}, {1, 2}, {3, -1}, {2, 2}};
  for (auto& value : values) {
    free[0] = value[0];
    free[1] = value[1];
    free = addToCharCollection(space);
  }
  EXPECT_EQ(space->Nfill, 4);
  EXPECT_EQ(space->links[0], 1);  // (0,5) < (1,2) hangs left of row 0
  EXPECT_EQ(space->links[1], 2);  // (3,-1) > (1,2) hangs right
  EXPECT_EQ(space->links[2 * 2], 3);  // (2,2) < (3,-1)
  EXPECT_EQ(space->Space[space->rowsize * space->Nrow], kCharVectorSpaceEndMark);
}

}  // namespace

namespace {

// A search tree built the plain way, one walk from the root per row: the links each row
// must get.
struct PlainTree {
  struct Node {
    std::vector<int> key;
    int left = -1;
    int right = -1;
  };
  std::vector<Node> nodes;
  void add(const std::vector<int>& key) {
    if (!nodes.empty()) {
      int node = 0;
      while (true) {
        if (key == nodes[static_cast<std::size_t>(node)].key) return;
        int& next = key < nodes[static_cast<std::size_t>(node)].key ? nodes[static_cast<std::size_t>(node)].left
                                                                     : nodes[static_cast<std::size_t>(node)].right;
        if (next == -1) {
          next = static_cast<int>(nodes.size());
          break;
        }
        node = next;
      }
    }
    nodes.push_back({key, -1, -1});
  }
};

void expectSameTree(VectorSpace& space, const PlainTree& tree, const char* what) {
  ASSERT_EQ(space.Nfill, static_cast<int>(tree.nodes.size())) << what;
  for (int r = 0; r < space.Nfill; ++r) {
    const int* x = row(space, r);
    const PlainTree::Node& node = tree.nodes[static_cast<std::size_t>(r)];
    ASSERT_EQ(std::vector<int>(x, x + 2), node.key) << what << " " << r;
    ASSERT_EQ(x[2], node.left) << what << " " << r;
    ASSERT_EQ(x[3], node.right) << what << " " << r;
  }
}

}  // namespace

TEST_F(VectorSpaceTest, RowsInOrderLinkWhereTheWalkWouldEnd) {
  // Rising, falling, alternating ends and random rows, with duplicates, and a collection
  // reshaped in between: every row is linked as the walk from the root links it.
  std::mt19937 random(20260707);
  for (int pattern = 0; pattern < 4; ++pattern) {
    VectorSpace space(10, "Tree");
    PlainTree tree;
    initVectorCollection(&space, 2, 4);
    for (int k = 0; k < 600; ++k) {
      if (k == 300) {
        // Shaped afresh: the tree starts over.
        initVectorCollection(&space, 2, 4);
        tree = PlainTree{};
      }
      int a = 0;
      switch (pattern) {
        case 0: a = k; break;
        case 1: a = 1000 - k; break;
        case 2: a = k % 2 == 0 ? k : -k; break;
        default: a = static_cast<int>(random() % 100); break;
      }
      const int b = k % 3 == 0 ? 0 : 1;
      add2(space, a / 2, b);
      tree.add({a / 2, b});
    }
    expectSameTree(space, tree, "pattern");
    const int probe[] = {tree.nodes.back().key[0], tree.nodes.back().key[1]};
    EXPECT_EQ(findVectorInCollection(&space, probe), static_cast<int>(tree.nodes.size()) - 1);
  }
}

TEST_F(VectorSpaceTest, ARootSetFromOutsideStartsTheTreeAgain) {
  // Callers may empty a collection by setting its root to -1 (an empty tree): the next row
  // becomes the root, and rows after it link below it.
  VectorSpace space(10, "Reroot");
  initVectorCollection(&space, 2, 4);
  for (int k = 0; k < 5; ++k) add2(space, k, 0);
  space.root = -1;
  add2(space, 2, 1);
  EXPECT_EQ(space.root, 5);
  add2(space, 7, 1);
  add2(space, -1, 1);
  EXPECT_EQ(row(space, 5)[3], 6);
  EXPECT_EQ(row(space, 5)[2], 7);
  const int seven[] = {7, 1};
  EXPECT_EQ(findVectorInCollection(&space, seven), 6);
}

// ---------------------------------------------------------------------------------------
// Rows appended unlinked, then sorted into a tree

// Appends rows unlinked and links them; the rows stay in the order given.
bool appendAndLink(VectorSpace& space, const std::vector<std::vector<int>>& rows) {
  for (const auto& v : rows) {
    std::vector<int> whole(v);
    whole.resize(static_cast<std::size_t>(space.rowsize), -1);
    if (addNewVectorToSpace(&space, whole.data()) == nullptr) return false;
  }
  return linkDistinctRows(&space);
}

TEST_F(VectorSpaceTest, LinkedRowsAreFoundAtTheirOwnIndex) {
  // Small entries (one packed key a row) and entries spanning the whole int range (compared
  // column by column): every row is found where it was appended, absent rows are not.
  std::mt19937 generator(4711);
  for (const int spread : {7, 2147483647}) {
    VectorSpace space(100, "Linked");
    initVectorCollection(&space, 4, 10);
    std::uniform_int_distribution<int> entry(spread == 7 ? -3 : -spread, spread == 7 ? 3 : spread);
    std::map<std::vector<int>, int> oracle;
    std::vector<std::vector<int>> rows;
    while (rows.size() < 1500) {
      std::vector<int> v = {entry(generator), entry(generator), entry(generator), entry(generator)};
      if (oracle.emplace(v, static_cast<int>(rows.size())).second) rows.push_back(v);
    }
    ASSERT_TRUE(appendAndLink(space, rows)) << spread;
    ASSERT_EQ(space.Nfill, 1500);
    for (const auto& [v, index] : oracle) ASSERT_EQ(findVectorInCollection(&space, v.data()), index) << spread;
    std::vector<int> absent = {spread == 7 ? 4 : 0, 0, 0, 0};
    while (oracle.count(absent) != 0) ++absent[3];
    EXPECT_EQ(findVectorInCollection(&space, absent.data()), -1);
    // The tree goes on taking rows: beyond both ends and in between.
    const std::vector<std::vector<int>> more = {{spread, spread, spread, spread}, {-spread, -spread, -spread, -spread - 1}, absent};
    for (const auto& v : more) {
      if (oracle.count(v) != 0) continue;
      const int index = space.Nfill;
      EXPECT_EQ(LocateInCollection(&space, v.data()), index);
      EXPECT_EQ(findVectorInCollection(&space, v.data()), index);
    }
    for (const auto& [v, index] : oracle) ASSERT_EQ(findVectorInCollection(&space, v.data()), index);
  }
}

TEST_F(VectorSpaceTest, EqualRowsAreNotLinked) {
  VectorSpace space(100, "Twice");
  initVectorCollection(&space, 2, 10);
  add2(space, 5, 5);  // the root, linked the usual way
  ASSERT_FALSE(appendAndLink(space, {{1, 2}, {3, 4}, {1, 2}}));
  // Nothing changed: only the root is in the tree.
  EXPECT_EQ(space.root, 0);
  const int five[] = {5, 5};
  const int one[] = {1, 2};
  EXPECT_EQ(findVectorInCollection(&space, five), 0);
  EXPECT_EQ(findVectorInCollection(&space, one), -1);
  // An empty collection links trivially.
  VectorSpace empty(100, "Empty");
  initVectorCollection(&empty, 2, 10);
  EXPECT_TRUE(linkDistinctRows(&empty));
  EXPECT_EQ(findVectorInCollection(&empty, five), -1);
}

TEST_F(VectorSpaceTest, ATreeIsCopiedToRowsOfTheSameOrder) {
  // Rows 3 v - 1 in the order of the rows v of the source: the copied tree finds each at
  // its number; collections of other lengths are refused.
  VectorSpace source(100, "Source");
  initVectorCollection(&source, 1, 10);
  VectorSpace copy(100, "Copy");
  initVectorCollection(&copy, 2, 10);
  const std::vector<int> values = {5, -2, 9, 0, 7, 3, 11, -8};
  for (int v : values) {
    int* free = row(source, source.Nfill);
    free[0] = v;
    addToCollection(&source);
    const std::vector<int> scaled = {3 * v - 1, v, -1, -1};
    addNewVectorToSpace(&copy, scaled.data());
  }
  ASSERT_TRUE(copyTreeLinks(&copy, &source));
  for (std::size_t i = 0; i < values.size(); ++i) {
    const int v = values[i];
    const int wanted[] = {3 * v - 1, v};
    EXPECT_EQ(findVectorInCollection(&copy, wanted), static_cast<int>(i));
  }
  const int beyond[] = {100, 0};
  EXPECT_EQ(LocateInCollection(&copy, beyond), 8);
  EXPECT_EQ(findVectorInCollection(&copy, beyond), 8);
  EXPECT_FALSE(copyTreeLinks(&copy, &source));  // 9 rows against 8
}
