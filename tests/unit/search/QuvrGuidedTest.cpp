// Guided builds from a file of model lines, the stack count of a guided configuration,
// real forms of unitary stacks, detaching stack d, and the decomposition over equations.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "search/QuvrGuided.h"
#include "search/SearchSM.h"

namespace {

class QuvrGuidedTest : public ZoqTest {};

struct Build {
  int tensor, mipf, orientifold, a, b, c, d;
};
std::vector<Build>& builds() {
  static std::vector<Build> list;
  return list;
}
int recordBuild(int tensor, int mipf, int orientifold, const int* boundaries, const int*) {
  builds().push_back({tensor, mipf, orientifold, boundaries[0], boundaries[1], boundaries[2], boundaries[3]});
  return 1;
}

std::string modelLine(int key, int tensor, int mipf, int orientifold, int a, int b, int c, int d) {
  char text[200];
  std::snprintf(text, sizeof text, "%d %d %d %d %d %d %d %d 3 2 1 1 code 0\n", key, tensor, mipf, orientifold, a, b, c,
                d);
  return text;
}

TEST_F(QuvrGuidedTest, FirstKeyMinusOneBuildsNothing) {
  TemporaryFolder folder;
  builds().clear();
  const std::string path =
      folder.write("g", modelLine(-1, 111, 3, 0, 1, 2, 3, 4) + modelLine(1, 111, 3, 0, 1, 2, 3, 4));
  EXPECT_EQ(runGuidedSearchFile(path.c_str(), recordBuild), 0);
  EXPECT_TRUE(builds().empty());
}

TEST_F(QuvrGuidedTest, EqualLabelsWithAnotherMipfAreRebuilt) {
  TemporaryFolder folder;
  builds().clear();
  const std::string path = folder.write(
      "g", modelLine(1, 111, 3, 0, 1, 2, 3, 4) + modelLine(2, 111, 3, 0, 1, 2, 3, 4) +
               modelLine(3, 111, 4, 0, 1, 2, 3, 4) + modelLine(4, 111, 4, 1, 1, 2, 3, 4) +
               modelLine(5, 112, 4, 1, 1, 2, 3, 4) + modelLine(6, 112, 4, 1, 1, 2, 3, -1) +
               "-1 -1 -1 -1 -1 -1 -1 -1 -1 -1 -1 -1 name 0\n" + modelLine(7, 1, 1, 1, 1, 1, 1, 1));
  EXPECT_EQ(runGuidedSearchFile(path.c_str(), recordBuild), 5);
  ASSERT_EQ(builds().size(), 5u);
  EXPECT_EQ(builds()[1].mipf, 4);         // same labels, new MIPF
  EXPECT_EQ(builds()[2].orientifold, 1);  // new orientifold
  EXPECT_EQ(builds()[3].tensor, 112);     // new tensor code
  EXPECT_EQ(builds()[4].d, -1);           // new label
}

TEST_F(QuvrGuidedTest, FileWithoutEndLineEndsAtItsEnd) {
  TemporaryFolder folder;
  builds().clear();
  const std::string path = folder.write("g", modelLine(1, 111, 3, 0, 1, 2, 3, 4));
  EXPECT_EQ(runGuidedSearchFile(path.c_str(), recordBuild), 1);
  EXPECT_EQ(runGuidedSearchFile(folder.path("missing").c_str(), recordBuild), -1);
  EXPECT_TRUE(alerted("Could not open file"));
}

// The file is read line by line: three numbers too many spoil their own line only, which is
// reported with its number; the lines after it keep their places.
TEST_F(QuvrGuidedTest, ExtraNumbersSpoilOnlyTheirLine) {
  TemporaryFolder folder;
  builds().clear();
  const std::string path =
      folder.write("g", modelLine(1, 111, 3, 0, 1, 2, 3, 4) + "2 111 3 0 5 6 7 8 3 2 1 1 code 0 9 9 9\n\n" +
                            "3 111 3 0 9 10 11\n" + modelLine(4, 111, 3, 0, 12, 13, 14, 15) +
                            "-1 -1 -1 -1 -1 -1 -1 -1 -1 -1 -1 -1 name 0\n");
  EXPECT_EQ(runGuidedSearchFile(path.c_str(), recordBuild), 2);
  ASSERT_EQ(builds().size(), 2u);
  EXPECT_EQ(builds()[0].a, 1);
  EXPECT_EQ(builds()[1].a, 12);
  EXPECT_EQ(builds()[1].d, 15);
  EXPECT_EQ(builds()[1].mipf, 3);
  const std::string& reported = capture.diagnostics;
  EXPECT_NE(reported.find("Line 2 of " + path + " is not a model line; skipped"), std::string::npos) << reported;
  EXPECT_NE(reported.find("Line 4 of " + path + " is not a model line; skipped"), std::string::npos) << reported;
}

// "~" names the home folder, as for every file argument.
TEST_F(QuvrGuidedTest, TildeIsTheHomeFolder) {
  TemporaryFolder folder;
  builds().clear();
  const std::string path = folder.write("g", modelLine(1, 111, 3, 0, 1, 2, 3, 4));
  const std::string home = std::getenv("HOME");
  ASSERT_EQ(path.compare(0, home.size(), home), 0);
  const std::string tilde = "~" + path.substr(home.size());
  EXPECT_EQ(runGuidedSearchFile(tilde.c_str(), recordBuild), 1) << capture.all;
  ASSERT_EQ(builds().size(), 1u);
  EXPECT_EQ(builds()[0].b, 2);
}

TEST_F(QuvrGuidedTest, ThreeStackConfigurationHasThreeStacksAndMarker) {
  StandardModel record;
  record.modelNumber = -1;
  const int three[4] = {5, 6, 7, -1};
  EXPECT_EQ(setGuidedStacks(&record, 111, 3, 2, three), -2);
  EXPECT_EQ(record.stackCount, 3);
  EXPECT_STREQ(record.title, "type    -1, orientifold (111,3,2), branes (5,6,7)");
  const int four[4] = {5, 6, 7, 8};
  EXPECT_EQ(setGuidedStacks(&record, 111, 3, 2, four), 8);
  EXPECT_EQ(record.stackCount, 4);
  EXPECT_STREQ(record.title, "type    -1, orientifold (111,3,2), branes (5,6,7,8)");
}

TEST_F(QuvrGuidedTest, PairIndexTable) {
  EXPECT_EQ(quvrPairIndex(0, 1), 0);
  EXPECT_EQ(quvrPairIndex(2, 0), 1);
  EXPECT_EQ(quvrPairIndex(3, 2), 5);
  EXPECT_EQ(quvrPairIndex(1, 1), -1);
}

// Profile with real stacks b and c, absent d, and stack a of group code ga and size na.
ModelRow profile(int ga, int na, int type) {
  ModelRow p{};
  p[0] = ga, p[1] = -1, p[2] = 1, p[3] = -2;
  p[4] = na, p[5] = 2, p[6] = 1;
  p[56] = type;
  p[57] = -1;
  return p;
}

TEST_F(QuvrGuidedTest, OddUnitaryStackIsTriedAsUnitaryAndOrthogonalOnly) {
  std::vector<ModelRow>& rows = quvrCatalogueRows();
  rows = {profile(1, 3, 5), profile(-1, 3, 6), profile(0, 3, 7)};
  ModelRow p = profile(0, 3, 7), reference = profile(0, 3, 7);
  EXPECT_EQ(makeStackReal(p.data(), 0, reference.data()), 1);
  EXPECT_EQ(quvrRealRecovered()[5], 7);  // orthogonal form found
  EXPECT_EQ(quvrRealRecovered()[6], 0);  // symplectic never tried for odd N
  EXPECT_EQ(quvrRealRecovered()[7], 0);  // the unchanged profile is not looked up
}

TEST_F(QuvrGuidedTest, StackBIsNeverOrthogonal) {
  ModelRow p{};
  p[0] = 1, p[1] = 0, p[2] = 1, p[3] = -2;
  p[4] = 1, p[5] = 2, p[6] = 1;
  p[56] = 9;
  ModelRow orthogonal = p, symplectic = p;
  orthogonal[1] = 1, orthogonal[56] = 10;
  symplectic[1] = -1, symplectic[56] = 11;
  quvrCatalogueRows() = {orthogonal, symplectic};
  ModelRow reference = p;
  makeStackReal(p.data(), 1, reference.data());
  EXPECT_EQ(quvrRealRecovered()[10], 0);
  EXPECT_EQ(quvrRealRecovered()[11], 9);
}

TEST_F(QuvrGuidedTest, AllRealProfileLooksNothingUp) {
  ModelRow p = profile(1, 3, 5);
  quvrCatalogueRows() = {p};
  ModelRow reference = p;
  EXPECT_EQ(makeStackReal(p.data(), 0, reference.data()), 0);
  EXPECT_EQ(quvrRealRecovered()[5], 0);
  EXPECT_EQ(RealityIndex(p.data()), 3);  // a, b and c real; d absent
}

TEST_F(QuvrGuidedTest, GammaDeltaMapOfARealStack) {
  ModelRow p{};
  p[0] = 0, p[1] = 1, p[2] = 0, p[3] = 1;  // b and d real
  int Gamma[6] = {1, 2, 3, 4, 5, 6}, Delta[6] = {10, 20, 30, 40, 50, 60};
  GammaDeltaMap(1, Gamma, Delta, p.data());
  EXPECT_EQ(Gamma[0], 11);  // (a,b): a unitary before b: Gamma + Delta
  EXPECT_EQ(Delta[0], 0);
  EXPECT_EQ(Gamma[3], 4 - 40);  // (b,c): c unitary after b: Gamma - Delta
  EXPECT_EQ(Delta[3], 0);
  EXPECT_EQ(Gamma[4], 0);  // (b,d): both real
  EXPECT_EQ(Delta[4], 0);
  EXPECT_EQ(Gamma[1], 2);  // pairs without b untouched
}

TEST_F(QuvrGuidedTest, DetachingStackDFindsTheThreeStackType) {
  ModelRow four{};
  four[0] = 0, four[1] = 0, four[2] = 0, four[3] = 0;
  four[4] = 3, four[5] = 2, four[6] = 1, four[7] = 1;
  four[16] = 3;
  four[56] = 20;
  four[57] = -1;
  ModelRow three = four;
  three[3] = -2, three[7] = 0;
  three[56] = 4;
  quvrCatalogueRows() = {three};
  const int* result = RemoveDetachedBrane(four.data());
  EXPECT_EQ(result[3], -2);
  EXPECT_EQ(four[57], 4);
  EXPECT_EQ(capture.printed, "Matches spectrum 4, original 20\nDetaching brane d yields 1 solutions\n");
  four[31] = 1;
  RemoveDetachedBrane(four.data());
  EXPECT_TRUE(alerted("Charge has d-brane component"));
}

TEST_F(QuvrGuidedTest, DecompositionOverEquations) {
  QuvrEquations none;
  none.columns = 2;
  int v[2] = {4, 5};
  DecomposeIntegerVector(none, v);
  EXPECT_EQ(capture.printed, "()\n");
  capture.clear();
  // (4,5) = 2 (2,1) + 1 (0,3).
  QuvrEquations e;
  e.columns = 2;
  e.rows = {{2, 1, 0}, {0, 3, 1}};
  DecomposeIntegerVector(e, v);
  EXPECT_EQ(capture.printed, "(2,1)\n");
  EXPECT_EQ(v[0], 0);
  EXPECT_EQ(v[1], 0);
  capture.clear();
  // (1,0) = 1/2 (2,0).
  QuvrEquations half;
  half.columns = 2;
  half.rows = {{2, 0, 0}};
  int w[2] = {1, 0};
  DecomposeIntegerVector(half, w);
  EXPECT_EQ(capture.printed, "(1/2)\n");
}

TEST_F(QuvrGuidedTest, EquationsGetNonNegativePivotsAfterTheFirst) {
  QuvrEquations e;
  e.columns = 3;
  e.rows = {{-1, 2, 0, 0}, {0, -2, 1, 1}, {0, 0, 3, 2}};
  MakeEquationsPositive(e);
  EXPECT_EQ(e.rows[0], (std::vector<int>{-1, 2, 0, 0}));
  EXPECT_EQ(e.rows[1], (std::vector<int>{0, 2, -1, 1}));
  EXPECT_EQ(e.rows[2], (std::vector<int>{0, 0, 3, 2}));
}

// Code 0 names no tensor product: the build stops there, before any invariant, open-string
// set-up or stack of SM.
TEST_F(QuvrGuidedTest, TensorProductThatCannotBeBuiltEndsTheGuidedBuild) {
  SM.stackCount = 7;
  const int labels[4] = {1, 2, 3, 4};
  const int mults[4] = {3, 2, 1, 1};
  EXPECT_EQ(BuildQUVRmodel(0, 0, 0, labels, mults), 0);
  EXPECT_NE(capture.printed.find("Building RCFT 0\n"), std::string::npos);
  EXPECT_NE(capture.diagnostics.find("invalid CY code 0"), std::string::npos);
  EXPECT_EQ(capture.printed.find("Orientifolds and boundary states"), std::string::npos);
  EXPECT_EQ(SM.stackCount, 7);
  // Another MIPF of the same code is tried afresh, and fails the same way.
  capture.clear();
  EXPECT_EQ(BuildQUVRmodel(0, 1, 0, labels, mults), 0);
  EXPECT_NE(capture.printed.find("Building RCFT 0\n"), std::string::npos);
}

}  // namespace
