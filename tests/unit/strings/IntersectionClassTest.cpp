// Boundary classes and the class-member look-up on the superstring D8 at level 1, whose
// four branes o, s, v, c are their own images and one orbit of the centre: one real class
// (the member look-up carries every pair back to the leader o by the inverse current), and
// the member look-up
// must give the pair counts X(a, b) = 1 exactly for {o, s} and {v, c}, chirality 0.
#include <gtest/gtest.h>

#include <vector>

#include "InterpreterTestSupport.h"
#include "TestSupport.h"
#include "strings/Intersections.h"

namespace {

class IntersectionClassTest : public ZoqTest {
 protected:
  void loadD8() {
    ASSERT_EQ(run("set Super ON"), 0);
    ASSERT_EQ(run("tensor"), 0);
    ASSERT_EQ(run("g d 8 1"), 0);
    ASSERT_EQ(run("compute spectrum"), 0);
    ASSERT_EQ(InitIntersection(), 0);
    capture.clear();
  }
};

TEST_F(IntersectionClassTest, TheFourBranesAreOneRealClassAlongTheBoundaryCurrents) {
  loadD8();
  initBoundaryClassStorage();
  // The centre Z2 x Z2 acts on the Cardy branes by fusion, o -> v, s, c: one orbit, led by
  // o (label 0), every member its own image, so the class is real.
  ASSERT_EQ(getBoundaryClassSize(), 1);
  for (int b = 0; b < 4; ++b) EXPECT_EQ(getBoundaryClass(b), 0);
  EXPECT_EQ(getLeadingClassBoundary(0), 0);
  EXPECT_EQ(getBoundaryClassReality(0), 1);
  EXPECT_EQ(getBoundaryClass(4), -1);
  EXPECT_EQ(getLeadingClassBoundary(-1), -1);
  EXPECT_EQ(getLeadingClassBoundary(1), -1);
}

TEST_F(IntersectionClassTest, MemberLookUpGivesTheSameAnswersBeforeAndAfterStoring) {
  loadD8();
  initBoundaryClassStorage();
  ASSERT_EQ(initBoundaryClasses(), 0);
  const int expected[4][4] = {{0, 1, 0, 0}, {1, 0, 0, 0}, {0, 0, 0, 1}, {0, 0, 1, 0}};
  for (int pass = 0; pass < 2; ++pass)
    for (int a = 0; a < 4; ++a)
      for (int b = 0; b < 4; ++b) {
        int c = 5;
        EXPECT_EQ(FullIntersectionForClassMember(a, b, &c), expected[a][b]) << pass << ":" << a << "," << b;
        EXPECT_EQ(c, 0);
        EXPECT_EQ(ComputeOverlapForClassMember(a, b), expected[a][b]);
        EXPECT_EQ(ComputeIntersectionForClassMember(a, b), 0);
      }
  int c = 0;
  EXPECT_EQ(FullIntersectionForClassMember(9, 0, &c), kIntersectionFailed);
  EXPECT_TRUE(alerted("has no class"));
}

TEST_F(IntersectionClassTest, MissingRowIsAnAlertNotAnExit) {
  loadD8();
  initBoundaryClassStorage();
  EXPECT_EQ(storeIntersectionData(5, 0, 1, 0), 1);
  EXPECT_TRUE(alerted("BoundaryClassIntersectionPointers not allocated"));
}

TEST_F(IntersectionClassTest, HiddenSectorMatterByMode) {
  loadD8();
  initBoundaryClassStorage();
  initBoundaryClasses();
  // Stack on o (real: label and image 0); hidden brane s meets o once, v not at all.
  const int pairs[2] = {0, 0};
  EXPECT_EQ(GenericSMHiddenIntersection(1, 1, 0, 2, pairs), 1);
  EXPECT_EQ(GenericSMHiddenIntersection(2, 2, 0, 2, pairs), 0);
  // The matter between o and s is not chiral.
  EXPECT_EQ(GenericSMHiddenIntersection(1, 1, 1, 2, pairs), 0);
  EXPECT_EQ(GenericSMHiddenIntersection(1, 1, 2, 2, pairs), 0);
  EXPECT_EQ(GenericSMHiddenIntersection(1, 1, 3, 2, pairs), 0);
  // A list shorter than one pair answers 0; an unknown mode is an alert and 0.
  EXPECT_EQ(GenericSMHiddenIntersection(1, 1, 0, 1, pairs), 0);
  capture.clear();
  EXPECT_EQ(GenericSMHiddenIntersection(1, 1, 7, 2, pairs), 0);
  EXPECT_TRUE(alerted("Invalid argument in GenericSMHiddenIntersection"));
}

}  // namespace
